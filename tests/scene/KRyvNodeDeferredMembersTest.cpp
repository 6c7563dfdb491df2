// A node's block makes its member properties only when they are reached: a node that keeps its
// defaults holds none of them, and one that is used answers as if it had them all along.
#include "scene/KRyvNodeProperties.h"

#include "animation/KRyvTakeNode.h"
#include "object/KPropertyObjectList.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/objects/KRyvMarker.h"
#include "tests/scene/AllocationCount.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

// The members come before the four channels.
constexpr int kMemberCount = 50;
constexpr long long kKilobyte = 1024;

int CountMadeMembers(const KRyvNode& pNode)
{
    const KObject* lBlock = pNode.GetProperties();
    int lMade = 0;
    for (int i = 0; i < kMemberCount; ++i) {
        lMade += lBlock->IsPropertyMade(i) ? 1 : 0;
    }
    return lMade;
}

// A node with a take of its own, as a file's reader makes it, under the root of pScene (may be
// null); with pMarker, a marker node (the factory keeps the attribute apart from the node).
KRyvNode* MakeFileNode(KRyvObjectFactory& ioFactory, KRyvScene* pScene, const char* pName,
                       bool pMarker)
{
    KRyvNode* lNode = ioFactory.CreateNode(pName);
    if (pMarker) {
        KRyvMarker* lMarker = ioFactory.CreateMarker();
        lMarker->SetType(KRyvMarker::eOptical);
        lNode->SetNodeAttribute(lMarker);
    }
    if (pScene) {
        pScene->GetRootNode()->AddChild(lNode);
    }
    lNode->AddTakeNode("walk");
    lNode->GetTakeNode(1)->GetTransformTX();
    return lNode;
}

bool SameVector(const KVector4& pValue, double pX, double pY, double pZ, double pW)
{
    return pValue[0] == pX && pValue[1] == pY && pValue[2] == pZ && pValue[3] == pW;
}

} // namespace

TEST(KRyvNodeDeferredMembers, ANodeThatKeepsItsDefaultsMakesNoMember)
{
    KRyvObjectFactory lFactory;
    KRyvScene* lScene = lFactory.CreateScene();
    KRyvNode* lNode = MakeFileNode(lFactory, lScene, "m", true);
    const KRyvNodeProperties& lBlock = *lNode->GetNodeProperties();
    ASSERT_EQ(lBlock.GetPropertyCount(), kMemberCount + 4);
    // The typed accessors answer the defaults without making anything.
    EXPECT_TRUE(lBlock.GetShow() && lBlock.GetNegativePercentShapeSupport());
    EXPECT_FALSE(lBlock.GetQuaternionInterpolate() || lBlock.GetRotationActive());
    EXPECT_EQ(lBlock.GetRotationOrder(), 0);
    EXPECT_EQ(lBlock.GetAxisLen(), 0.0);
    EXPECT_TRUE(SameVector(lBlock.GetGeometricScaling(), 1.0, 1.0, 1.0, 1.0));
    EXPECT_TRUE(SameVector(lBlock.GetPreRotation(), 0.0, 0.0, 0.0, 1.0));
    // A further take passes the members by.
    lNode->AddTakeNode("run");
    EXPECT_EQ(CountMadeMembers(*lNode), 0);
    // The channels are there from the start.
    EXPECT_TRUE(lBlock.IsPropertyMade(kMemberCount));
    // Listing the node's properties lists every one, the members made for it.
    std::vector<KProperty*> lListed;
    lNode->GetUserProperties(lListed);
    EXPECT_EQ(lListed.size(), kMemberCount + 4u + 5u);
}

TEST(KRyvNodeDeferredMembers, AMemberReachedHoldsWhatWasWrittenAndWritesThrough)
{
    KRyvObjectFactory lFactory;
    KRyvNode* lNode = lFactory.CreateNode("n");
    KRyvNodeProperties& lBlock = *lNode->GetNodeProperties();
    lBlock.SetPreRotation(KVector4(10.0, 20.0, 30.0, 5.0));
    lBlock.SetAxisLen(-0.0);
    lBlock.SetRotationOrder(4);
    lBlock.SetShow(false);
    EXPECT_EQ(CountMadeMembers(*lNode), 0);

    KProperty* lPreRotation = lBlock.FindProperty("PreRotation");
    ASSERT_NE(lPreRotation, nullptr);
    EXPECT_EQ(CountMadeMembers(*lNode), 1);
    KVector4 lVector;
    ASSERT_TRUE(lPreRotation->GetValue(lVector));
    EXPECT_TRUE(SameVector(lVector, 10.0, 20.0, 30.0, 1.0));
    // A negative zero stays one: files tell the two apart.
    EXPECT_TRUE(std::signbit(lBlock.FindProperty("AxisLen")->GetValueAsDouble()));
    EXPECT_EQ(lBlock.FindProperty("RotationOrder")->GetValueAsInt(), 4);
    EXPECT_EQ(std::string(lBlock.FindProperty("RotationOrder")->GetEnumItem(4)), "Euler ZXY");
    bool lShow = true;
    ASSERT_TRUE(lBlock.FindProperty("Show")->GetValue(lShow));
    EXPECT_FALSE(lShow);

    // Writing through the property reaches the typed accessor, and the other way round.
    ASSERT_TRUE(lPreRotation->SetValue(KVector4(-1.0, -2.0, -3.0, 9.0)));
    EXPECT_TRUE(SameVector(lBlock.GetPreRotation(), -1.0, -2.0, -3.0, 1.0));
    lBlock.SetPreRotation(KVector4(4.0, 5.0, 6.0, 1.0));
    ASSERT_TRUE(lPreRotation->GetValue(lVector));
    EXPECT_TRUE(SameVector(lVector, 4.0, 5.0, 6.0, 1.0));
    // Through the index the same property comes back.
    EXPECT_EQ(lBlock.GetProperty(22), lPreRotation);
    EXPECT_EQ(CountMadeMembers(*lNode), 4);
}

TEST(KRyvNodeDeferredMembers, ALookAtListConnectsAndLetsGoOfItsTarget)
{
    KRyvObjectFactory lFactory;
    KRyvNode* lNode = lFactory.CreateNode("eye");
    KRyvNode* lTarget = lFactory.CreateNode("target");
    auto* lLookAt =
        dynamic_cast<KPropertyObjectList*>(lNode->GetProperties()->FindProperty("LookAtProperty"));
    ASSERT_NE(lLookAt, nullptr);
    EXPECT_EQ(lLookAt->GetParentObject(), lNode->GetProperties());
    ASSERT_TRUE(lLookAt->SetObjectAt(0, lTarget->GetProperties()));
    EXPECT_EQ(lLookAt->GetObject(0), lTarget->GetProperties());
    EXPECT_EQ(lNode->GetProperties()->FindProperty("LookAtProperty"), lLookAt);
    EXPECT_TRUE(lFactory.DestroyNode(lTarget, false));
    EXPECT_EQ(lLookAt->GetObjectCount(), 0);
}

TEST(KRyvNodeDeferredMembers, ADestroyedNodeLeavesNothingBehind)
{
    KRyvObjectFactory lFactory;
    const auto lBuildAndDestroy = [&] {
        KRyvNode* lNode = MakeFileNode(lFactory, nullptr, "m", false);
        KRyvNode* lTarget = MakeFileNode(lFactory, nullptr, "t", false);
        ASSERT_TRUE(lNode->AddChild(lTarget));
        KRyvNodeProperties& lBlock = *lNode->GetNodeProperties();
        lBlock.SetPreRotation(KVector4(1.0, 2.0, 3.0));
        for (int i = 0; i < lBlock.GetPropertyCount(); ++i) {
            ASSERT_NE(lBlock.GetProperty(i), nullptr);
        }
        auto* lUp = static_cast<KPropertyObjectList*>(lBlock.FindProperty("UpVectorProperty"));
        ASSERT_TRUE(lUp->SetObjectAt(0, lTarget->GetProperties()));
        ASSERT_TRUE(lFactory.DestroyNode(lNode, false));
        ASSERT_TRUE(lFactory.DestroyNode(lTarget, false));
    };
    // The first round grows what the factory keeps for good. Its lists still double now and
    // then (a few hundred bytes), far less than one node's members (over 3 KB).
    lBuildAndDestroy();
    const long long lBefore = AllocationCount::HeldBytes();
    lBuildAndDestroy();
    EXPECT_LT(AllocationCount::HeldBytes() - lBefore, kKilobyte / 2);
}

TEST(KRyvNodeDeferredMembers, AMarkersPropertiesAreMadeOnceWhenListedAndWriteThrough)
{
    KRyvObjectFactory lFactory;
    KRyvMarker* lMarker = lFactory.CreateMarker();
    lMarker->SetSize(40.0);
    std::vector<KProperty*> lListed;
    lMarker->FillPropertyList(lListed);
    ASSERT_EQ(lListed.size(), 5u);
    EXPECT_EQ(lListed[1]->GetValueAsDouble(), 40.0);
    ASSERT_TRUE(lListed[1]->SetValue(2.5));
    EXPECT_EQ(lMarker->GetSize(), 2.5);
    lMarker->SetColor(0.0, 1.0, 0.0);
    KColor lColor;
    ASSERT_TRUE(lListed[2]->GetValue(lColor));
    EXPECT_TRUE(lColor.mRed == 0.0 && lColor.mGreen == 1.0 && lColor.mBlue == 0.0);
    std::vector<KProperty*> lAgain;
    lMarker->FillPropertyList(lAgain);
    EXPECT_EQ(lAgain, lListed);
}
