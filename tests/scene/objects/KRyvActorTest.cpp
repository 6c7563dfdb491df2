#include "scene/objects/KRyvActor.h"
#include "scene/objects/KRyvMarkerSet.h"

#include <gtest/gtest.h>

namespace {

KRyvActorMarker Marker(const char* pName, double pX)
{
    KRyvActorMarker lMarker;
    lMarker.mName = KString(pName);
    lMarker.mOriented = true;
    lMarker.mTOffset = KVector4(pX, 0.0, 0.0, 1.0);
    return lMarker;
}

} // namespace

TEST(KRyvMarkerSet, RecordDefaults)
{
    const KRyvActorMarker lMarker;
    EXPECT_STREQ(lMarker.mName.Buffer(), "");
    EXPECT_EQ(lMarker.mModel, nullptr);
    EXPECT_FALSE(lMarker.mOriented);
    EXPECT_DOUBLE_EQ(lMarker.mTOffset[3], 1.0);
    EXPECT_DOUBLE_EQ(lMarker.mROffset[0], 0.0);
    EXPECT_DOUBLE_EQ(lMarker.mROffset[3], 1.0);
}

TEST(KRyvMarkerSet, AddAndLookUp)
{
    KRyvMarkerSet lSet(nullptr, "Body");
    EXPECT_STREQ(lSet.GetName().Buffer(), "MarkerSet::Body");
    EXPECT_EQ(lSet.GetObjectType(), KRyvObject::kTypeMarkerSet);
    EXPECT_EQ(lSet.GetProperties(), nullptr);

    EXPECT_FALSE(lSet.AddMarker(21, Marker("X", 0.0)));
    EXPECT_FALSE(lSet.AddMarker(-1, Marker("X", 0.0)));
    EXPECT_EQ(lSet.GetMarkerCount(), 0);

    KRyvActorMarker lSource = Marker("Hip", 1.0);
    ASSERT_TRUE(lSet.AddMarker(0, lSource));
    ASSERT_TRUE(lSet.AddMarker(20, Marker("Head", 2.0)));
    ASSERT_TRUE(lSet.AddMarker(0, Marker("Hip2", 3.0)));
    // The set keeps its own copy.
    lSource.mName = KString("Changed");
    ASSERT_EQ(lSet.GetMarkerCount(), 3);

    KRyvActorMarker lOut;
    ASSERT_TRUE(lSet.GetMarker(0, lOut));
    EXPECT_STREQ(lOut.mName.Buffer(), "Hip");
    EXPECT_TRUE(lOut.mOriented);
    EXPECT_DOUBLE_EQ(lOut.mTOffset[0], 1.0);
    ASSERT_TRUE(lSet.GetMarker(2, lOut));
    EXPECT_STREQ(lOut.mName.Buffer(), "Hip2");

    int lBodyNode = -7;
    int lPosition = -7;
    ASSERT_TRUE(lSet.GetMarkerNode(0, lBodyNode, lPosition));
    EXPECT_EQ(lBodyNode, 0);
    EXPECT_EQ(lPosition, 0);
    ASSERT_TRUE(lSet.GetMarkerNode(1, lBodyNode, lPosition));
    EXPECT_EQ(lBodyNode, 20);
    EXPECT_EQ(lPosition, 0);
    ASSERT_TRUE(lSet.GetMarkerNode(2, lBodyNode, lPosition));
    EXPECT_EQ(lBodyNode, 0);
    EXPECT_EQ(lPosition, 1);
    EXPECT_EQ(lSet.GetBodyNodeMarkerCount(0), 2);
    EXPECT_EQ(lSet.GetBodyNodeMarkerCount(20), 1);
    EXPECT_EQ(lSet.GetBodyNodeMarkerCount(21), 0);

    // Out of range leaves the outputs alone.
    lOut.mName = KString("Kept");
    EXPECT_FALSE(lSet.GetMarker(3, lOut));
    EXPECT_FALSE(lSet.GetMarker(-1, lOut));
    EXPECT_STREQ(lOut.mName.Buffer(), "Kept");
    EXPECT_FALSE(lSet.GetMarkerNode(3, lBodyNode, lPosition));
    EXPECT_EQ(lBodyNode, 0);
    EXPECT_EQ(lPosition, 1);
}

TEST(KRyvMarkerSet, ClearEmptiesEverything)
{
    KRyvMarkerSet lSet(nullptr, "S");
    for (int lIndex = 0; lIndex < 50; ++lIndex) {
        ASSERT_TRUE(lSet.AddMarker(lIndex % 21, Marker("M", lIndex)));
    }
    lSet.Clear();
    EXPECT_EQ(lSet.GetMarkerCount(), 0);
    EXPECT_EQ(lSet.GetBodyNodeMarkerCount(0), 0);
    // Positions start again from 0.
    ASSERT_TRUE(lSet.AddMarker(5, Marker("A", 0.0)));
    int lBodyNode = 0;
    int lPosition = -1;
    ASSERT_TRUE(lSet.GetMarkerNode(0, lBodyNode, lPosition));
    EXPECT_EQ(lBodyNode, 5);
    EXPECT_EQ(lPosition, 0);
}

TEST(KRyvActor, ScalesAndMarkerSet)
{
    KRyvActor lActor(nullptr, "Walker");
    EXPECT_STREQ(lActor.GetName().Buffer(), "Constraint::Walker");
    EXPECT_EQ(lActor.GetObjectType(), KRyvObject::kTypeActor);
    EXPECT_EQ(lActor.GetMarkerSet(), nullptr);
    for (int lIndex = 0; lIndex < 21; ++lIndex) {
        const KVector4 lScale = lActor.GetNodeScale(lIndex);
        for (int lAxis = 0; lAxis < 4; ++lAxis) {
            EXPECT_DOUBLE_EQ(lScale[lAxis], 1.0);
        }
    }
    lActor.SetNodeScale(20, KVector4(2.0, 3.0, 4.0, 1.0));
    lActor.SetNodeScale(21, KVector4(9.0, 9.0, 9.0, 9.0));
    lActor.SetNodeScale(-1, KVector4(9.0, 9.0, 9.0, 9.0));
    EXPECT_DOUBLE_EQ(lActor.GetNodeScale(20)[1], 3.0);
    EXPECT_DOUBLE_EQ(lActor.GetNodeScale(21)[0], 1.0);
    EXPECT_DOUBLE_EQ(lActor.GetNodeScale(-1)[3], 1.0);
    EXPECT_DOUBLE_EQ(lActor.GetNodeScale(0)[0], 1.0);

    KRyvMarkerSet lSet(nullptr, "S");
    lActor.SetMarkerSet(&lSet);
    EXPECT_EQ(lActor.GetMarkerSet(), &lSet);
}
