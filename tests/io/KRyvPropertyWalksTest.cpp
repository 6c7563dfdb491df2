// A node's members that were never reached, walked to read and to connect: a read sees the value
// a typed setter wrote and hands nothing a connection could be made on (a user-property record
// handed by a walk included); a member reached to be connected keeps its connection through a
// native file.
#include "io/KReaderRyv.h"
#include "io/KStreamOptionsRyv.h"
#include "io/KWriterRyv.h"
#include "object/KProperty.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvNodeProperties.h"
#include "scene/KRyvObject.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/KRyvUserProperty.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <type_traits>
#include <utility>

namespace {

constexpr const char* kStiffness = "RotationStiffnessY";
constexpr const char* kSource = "RotationStiffnessX";
constexpr double kQuarter = 0.25;

class KRyvPropertyWalksTest : public ::testing::Test
{
protected:
    KRyvNode* AddNode(KRyvScene& ioScene, const char* pName)
    {
        KRyvNode* lNode = mFactory.CreateNode(pName);
        ioScene.GetRootNode()->AddChild(lNode);
        return lNode;
    }

    KRyvScene* WriteAndRead(KRyvScene* pScene)
    {
        const std::string lPath = mTemp.PathOf("walks.ryv");
        KStreamOptionsRyv lOptions;
        KWriterRyv lWriter(&mFactory, KWriterRyv::kBinary60);
        EXPECT_TRUE(lWriter.FileCreate(lPath.c_str()) && lWriter.Write(pScene, &lOptions));
        KRyvScene* lRead = mFactory.CreateScene();
        KReaderRyv lReader(&mFactory);
        EXPECT_TRUE(lReader.FileOpen(lPath.c_str()) && lReader.Read(lRead, &lOptions));
        return lRead;
    }

    TempFolder mTemp;
    KRyvObjectFactory mFactory;
};

} // namespace

TEST_F(KRyvPropertyWalksTest, ARecordAWalkHandsBindsItsPropertyReadOnly)
{
    using Bound = decltype(std::declval<const KRyvUserProperty&>().GetProperty());
    EXPECT_TRUE((std::is_same_v<Bound, const KProperty*>));
    using Owned = decltype(std::declval<KRyvUserProperty&>().GetProperty());
    EXPECT_TRUE((std::is_same_v<Owned, KProperty*>));
}

TEST_F(KRyvPropertyWalksTest, AReadSeesATypedSetterValueAndMakesNothing)
{
    KRyvScene* lScene = mFactory.CreateScene();
    KRyvNode* lNode = AddNode(*lScene, "n");
    KRyvNodeProperties& lBlock = *lNode->GetNodeProperties();
    lBlock.SetRotationStiffnessY(kQuarter);
    const auto lIsStiffness = [](const KProperty& pProperty) {
        return std::strcmp(pProperty.GetName(), kStiffness) == 0;
    };

    double lRead = 0.0;
    lBlock.WalkToRead([&](const KProperty& pProperty) {
        if (lIsStiffness(pProperty)) {
            lRead = pProperty.GetValueAsDouble();
        }
    });
    EXPECT_EQ(lRead, kQuarter);
    double lRecorded = 0.0;
    static_cast<const KRyvObject&>(*lNode).VisitUserProperties([&](const KRyvUserProperty& pUser) {
        if (pUser.GetName() == kStiffness) {
            pUser.GetValue(lRecorded);
        }
    });
    EXPECT_EQ(lRecorded, kQuarter);
    int lConnectable = 0;
    lBlock.WalkToConnect([&](KProperty& ioProperty) { lConnectable += lIsStiffness(ioProperty); });
    EXPECT_EQ(lConnectable, 0);
    for (int i = 0; i < lBlock.GetPropertyCount(); ++i) {
        EXPECT_FALSE(lBlock.IsPropertyMade(i) && lIsStiffness(*lBlock.GetProperty(i)));
    }
}

TEST_F(KRyvPropertyWalksTest, AMemberListedAndConnectedKeepsItsConnectionThroughAFile)
{
    KRyvScene* lScene = mFactory.CreateScene();
    KRyvNode* lTarget = AddNode(*lScene, "target");
    KRyvNode* lSource = AddNode(*lScene, "source");
    lSource->GetNodeProperties()->SetRotationStiffnessX(kQuarter);
    KProperty* lTo = nullptr;
    lTarget->GetNodeProperties()->WalkToList([&lTo](KProperty& ioProperty) {
        lTo = std::strcmp(ioProperty.GetName(), kStiffness) == 0 ? &ioProperty : lTo;
    });
    ASSERT_NE(lTo, nullptr);
    ASSERT_TRUE(lTo->ConnectSrc(lSource->GetNodeProperties()->FindProperty(kSource)));

    KRyvScene* lRead = WriteAndRead(lScene);
    KRyvNode* lReadTarget = lRead->GetRootNode()->FindChild("target");
    ASSERT_NE(lReadTarget, nullptr);
    const KProperty* lReadTo = lReadTarget->GetNodeProperties()->FindProperty(kStiffness);
    ASSERT_EQ(lReadTo->GetSrcCount(), 1);
    const auto* lReadFrom = dynamic_cast<const KProperty*>(lReadTo->GetSrc(0));
    ASSERT_NE(lReadFrom, nullptr);
    EXPECT_STREQ(lReadFrom->GetName(), kSource);
    EXPECT_EQ(lReadFrom->GetParentObject(),
              lRead->GetRootNode()->FindChild("source")->GetNodeProperties());
    EXPECT_EQ(lReadFrom->GetValueAsDouble(), kQuarter);
}
