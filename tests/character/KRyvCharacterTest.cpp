#include "character/KRyvCharacter.h"

#include "animation/KFCurveNode.h"
#include "animation/KRyvTakeNode.h"
#include "character/KRyvCharacterProperties.h"
#include "character/KRyvControlSetPlug.h"
#include "object/KPropertyObjectList.h"
#include "scene/KRyvNode.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>

namespace {

std::unique_ptr<KRyvNode> MakeNode(const char* pName)
{
    return std::make_unique<KRyvNode>(nullptr, pName);
}

KRyvCharacterLink LinkTo(KRyvNode* pNode)
{
    KRyvCharacterLink lLink;
    lLink.mNode = pNode;
    return lLink;
}

// A character and two free nodes, which die before it.
class KRyvCharacterTest : public ::testing::Test
{
protected:
    KRyvCharacter mCharacter{nullptr, "Bob"};
    std::unique_ptr<KRyvNode> mA = MakeNode("A");
    std::unique_ptr<KRyvNode> mB = MakeNode("B");
};

// Every entry of every group: ids once each (all of 0..190 but the gaps), names unique, and
// found again by name (in any group and in its own) and by id.
TEST(KRyvCharacterNameTableTest, GroupsCoverTheIdsOnceAndLookupsFindEveryEntry)
{
    const int kSizes[12] = {15, 7, 9, 8, 1, 30, 30, 5, 12, 9, 30, 30};
    std::set<int> lIds;
    std::set<std::string> lNames;
    int l4500 = 0;
    for (int lGroup = 0; lGroup < 12; ++lGroup) {
        ASSERT_EQ(KRyvCharacter::GetCharacterGroupCount(lGroup), kSizes[lGroup]);
        for (int lIndex = 0; lIndex < kSizes[lGroup]; ++lIndex) {
            const int lId = KRyvCharacter::GetCharacterGroupNodeId(lGroup, lIndex);
            const char* lName = KRyvCharacter::GetCharacterGroupNodeName(lGroup, lIndex);
            EXPECT_TRUE(lIds.insert(lId).second) << lId;
            EXPECT_TRUE(lNames.insert(lName).second) << lName;
            const int lVersion = KRyvCharacter::GetCharacterGroupNodeVersion(lGroup, lIndex);
            EXPECT_TRUE(lVersion == 4000 || lVersion == 4500);
            l4500 += lVersion == 4500 ? 1 : 0;
            int lFoundGroup = -1;
            int lFoundIndex = -1;
            ASSERT_TRUE(
                KRyvCharacter::FindCharacterNodeByName(lName, false, lFoundGroup, lFoundIndex));
            EXPECT_TRUE(lFoundGroup == lGroup && lFoundIndex == lIndex) << lName;
            lFoundIndex = -1;
            ASSERT_TRUE(
                KRyvCharacter::FindCharacterNodeByName(lName, true, lFoundGroup, lFoundIndex));
            EXPECT_EQ(lFoundIndex, lIndex);
            lFoundGroup = -1;
            ASSERT_TRUE(KRyvCharacter::FindCharacterNodeById(lId, lFoundGroup, lFoundIndex));
            EXPECT_TRUE(lFoundGroup == lGroup && lFoundIndex == lIndex) << lId;
            KString lText;
            ASSERT_TRUE(KRyvCharacter::GetCharacterNodeName(lId, lText));
            EXPECT_EQ(lText, lName);
        }
    }
    EXPECT_EQ(lIds.size(), 186u);
    for (int lId = 0; lId <= 190; ++lId) {
        const bool lGap = lId == 67 || lId == 68 || lId == 69 || lId == 88 || lId == 89;
        EXPECT_EQ(lIds.count(lId) == 0, lGap) << lId;
    }
    EXPECT_EQ(l4500, 101);
    EXPECT_EQ(KRyvCharacter::GetCharacterGroupCount(12), 0);
    EXPECT_EQ(KRyvCharacter::GetCharacterGroupCount(-1), 0);
    EXPECT_EQ(KRyvCharacter::GetCharacterGroupNodeId(0, 15), -1);
    EXPECT_EQ(KRyvCharacter::GetCharacterGroupNodeName(12, 0), nullptr);
    EXPECT_EQ(KRyvCharacter::GetCharacterGroupNodeVersion(4, 1), 0);
}

TEST(KRyvCharacterNameTableTest, SpecificEntries)
{
    int lGroup = 0;
    int lIndex = -1;
    EXPECT_FALSE(KRyvCharacter::FindCharacterNodeByName("Neck", true, lGroup, lIndex));
    EXPECT_EQ(lGroup, 0);
    lGroup = 1;
    ASSERT_TRUE(KRyvCharacter::FindCharacterNodeByName("Neck", true, lGroup, lIndex));
    EXPECT_EQ(lGroup, 1);
    EXPECT_EQ(lIndex, 4);
    lGroup = 11;
    EXPECT_FALSE(KRyvCharacter::FindCharacterNodeByName("neck", false, lGroup, lIndex));
    lGroup = 12;
    EXPECT_FALSE(KRyvCharacter::FindCharacterNodeByName("Neck", true, lGroup, lIndex));
    EXPECT_FALSE(KRyvCharacter::FindCharacterNodeByName(nullptr, false, lGroup, lIndex));
    ASSERT_TRUE(KRyvCharacter::FindCharacterNodeById(70, lGroup, lIndex));
    EXPECT_EQ(lGroup, 4);
    EXPECT_EQ(lIndex, 0);
    EXPECT_STREQ(KRyvCharacter::GetCharacterGroupNodeName(0, 14), "Head");
    EXPECT_EQ(KRyvCharacter::GetCharacterGroupNodeId(6, 29), 130);
    EXPECT_EQ(KRyvCharacter::GetCharacterGroupNodeVersion(1, 5), 4500);
    EXPECT_EQ(KRyvCharacter::GetCharacterGroupNodeVersion(5, 14), 4000);
    EXPECT_EQ(KRyvCharacter::GetCharacterGroupNodeVersion(5, 15), 4500);
    KString lName;
    ASSERT_TRUE(KRyvCharacter::GetCharacterNodeName(67, lName));
    EXPECT_EQ(lName, "Reference");
    for (int lId : {68, 69, 88, 89, -1, 191}) {
        EXPECT_FALSE(KRyvCharacter::GetCharacterNodeName(lId, lName)) << lId;
    }
}

TEST_F(KRyvCharacterTest, NewCharacter)
{
    EXPECT_EQ(mCharacter.GetObjectType(), 8);
    EXPECT_EQ(mCharacter.GetName(), "Constraint::Bob");
    EXPECT_EQ(mCharacter.GetTypeName(), "Character");
    EXPECT_EQ(mCharacter.GetTakeNodeCount(), 1);
    EXPECT_STREQ(mCharacter.GetTakeNodeName(0), "Default");
    EXPECT_EQ(mCharacter.GetInputType(), 4);
    EXPECT_EQ(mCharacter.GetInputObject(), nullptr);
    EXPECT_EQ(mCharacter.GetControlSet().GetOwner(), &mCharacter);
    for (int lId = 0; lId < KRyvCharacter::kLinkCount; ++lId) {
        EXPECT_FALSE(mCharacter.GetCharacterLink(lId, nullptr));
        KString lName;
        const bool lNamed = KRyvCharacter::GetCharacterNodeName(lId, lName);
        EXPECT_EQ(mCharacter.GetLinkProperty(lId) != nullptr, lNamed) << lId;
        if (lNamed) {
            EXPECT_EQ(KString(mCharacter.GetLinkProperty(lId)->GetName()), lName + "Link");
        }
    }
    std::vector<KProperty*> lProperties;
    mCharacter.GetUserProperties(lProperties);
    EXPECT_EQ(lProperties.size(), 383u);
}

TEST_F(KRyvCharacterTest, AnimatablePropertiesGetDefaultTakeCurves)
{
    KRyvTakeNode* lTake = mCharacter.GetDefaultTakeNode();
    ASSERT_NE(lTake, nullptr);
    ASSERT_NE(lTake->GetCurve("Weight"), nullptr);
    EXPECT_DOUBLE_EQ(lTake->GetCurve("Weight")->GetDefaultValue(), 100.0);
    ASSERT_NE(lTake->GetCurve("HipsTOffset", "Y"), nullptr);
    ASSERT_NE(lTake->GetCurve("LeftUpLegRoll"), nullptr);
    EXPECT_DOUBLE_EQ(lTake->GetCurve("LeftUpLegRoll")->GetDefaultValue(), 60.0);
    EXPECT_EQ(lTake->GetCurve("PullIterationCount"), nullptr);
    EXPECT_EQ(lTake->GetCurve("HipsLink"), nullptr);
    // A curve default in take 0 flows through the property into the value block, read-only
    // properties included.
    lTake->GetCurve("Damping")->SetDefaultValue(3.5f);
    EXPECT_DOUBLE_EQ(mCharacter.GetParameterValues().GetValue(75), 3.5);
    EXPECT_DOUBLE_EQ(mCharacter.GetCharacterProperties()->GetDamping(), 3.5);
}

TEST_F(KRyvCharacterTest, InputRules)
{
    KRyvCharacter lOther(nullptr, "Ann");
    mCharacter.SetInput(1, &mCharacter);
    EXPECT_EQ(mCharacter.GetInputType(), 1);
    EXPECT_EQ(mCharacter.GetInputObject(), nullptr);
    mCharacter.SetInput(1, &lOther);
    EXPECT_EQ(mCharacter.GetInputObject(), &lOther);
    mCharacter.SetInput(0, &lOther);
    EXPECT_EQ(mCharacter.GetInputType(), 0);
    EXPECT_EQ(mCharacter.GetInputObject(), nullptr);
    mCharacter.SetInput(7, &lOther);
    EXPECT_EQ(mCharacter.GetInputType(), 7);
    EXPECT_EQ(mCharacter.GetInputObject(), nullptr);
}

TEST_F(KRyvCharacterTest, SetAndGetLinks)
{
    EXPECT_FALSE(mCharacter.SetCharacterLink(191, LinkTo(mA.get()), false));
    EXPECT_FALSE(mCharacter.SetCharacterLink(-1, LinkTo(mA.get()), false));
    EXPECT_EQ(mA->GetBackReferenceCount(), 0);

    KRyvCharacterLink lLink;
    lLink.mTemplateName = "Pelvis";
    lLink.mOffsetT = KVector4(1.0, 2.0, 3.0, 1.0);
    lLink.mLinkProperty = mCharacter.GetLinkProperty(5);
    ASSERT_TRUE(mCharacter.SetCharacterLink(0, lLink, false));
    // The record's link property is never copied in either direction.
    EXPECT_EQ(mCharacter.GetLinkProperty(0),
              mCharacter.GetCharacterProperties()->GetLinkProperty(0));
    KRyvCharacterLink lOut;
    ASSERT_TRUE(mCharacter.GetCharacterLink(0, &lOut));
    EXPECT_EQ(lOut.mTemplateName, "Pelvis");
    EXPECT_EQ(lOut.mOffsetT[1], 2.0);
    EXPECT_EQ(lOut.mOffsetS[0], 1.0);
    EXPECT_EQ(lOut.mLinkProperty, nullptr);
    EXPECT_FALSE(mCharacter.GetCharacterLink(191, &lOut));
}

TEST_F(KRyvCharacterTest, MovingALinkMovesItsBackReference)
{
    ASSERT_TRUE(mCharacter.SetCharacterLink(14, LinkTo(mA.get()), false));
    EXPECT_EQ(mA->FindBackReference(&mCharacter, 0, 14, 0), 0);
    ASSERT_TRUE(mCharacter.SetCharacterLink(14, LinkTo(mB.get()), false));
    EXPECT_EQ(mA->GetBackReferenceCount(), 0);
    EXPECT_EQ(mB->GetBackReferenceCount(), 1);
    EXPECT_EQ(mB->FindBackReference(&mCharacter, 0, 14, 0), 0);
}

TEST_F(KRyvCharacterTest, MirroringIntoTheLinkProperty)
{
    KPropertyObjectList* lList = mCharacter.GetLinkProperty(14);
    ASSERT_NE(lList, nullptr);
    ASSERT_TRUE(mCharacter.SetCharacterLink(14, LinkTo(mA.get()), true));
    ASSERT_EQ(lList->GetObjectCount(), 1);
    EXPECT_EQ(lList->GetObject(0), mA->GetProperties());
    EXPECT_EQ(mA->GetBackReferenceCount(), 1);
    // Replacing the node in the list must not lose the new link on the old node's removal.
    ASSERT_TRUE(mCharacter.SetCharacterLink(14, LinkTo(mB.get()), true));
    ASSERT_EQ(lList->GetObjectCount(), 1);
    EXPECT_EQ(lList->GetObject(0), mB->GetProperties());
    KRyvCharacterLink lOut;
    ASSERT_TRUE(mCharacter.GetCharacterLink(14, &lOut));
    EXPECT_EQ(lOut.mNode, mB.get());
    EXPECT_EQ(mA->GetBackReferenceCount(), 0);
    EXPECT_EQ(mB->GetBackReferenceCount(), 1);
    ASSERT_TRUE(mCharacter.SetCharacterLink(14, KRyvCharacterLink(), true));
    EXPECT_EQ(lList->GetObjectCount(), 0);
    EXPECT_EQ(mB->GetBackReferenceCount(), 0);
}

TEST_F(KRyvCharacterTest, ConnectingANodeBlockBindsTheLink)
{
    KRyvCharacterLink lLink;
    lLink.mTemplateName = "Hand";
    lLink.mOffsetR = KVector4(0.0, 90.0, 0.0, 1.0);
    mCharacter.SetCharacterLink(14, lLink, false);
    KProperty* lProperty = mCharacter.GetProperties()->FindProperty("LeftHandLink");
    ASSERT_NE(lProperty, nullptr);
    ASSERT_TRUE(lProperty->ConnectSrc(mA->GetProperties()));
    KRyvCharacterLink lOut;
    ASSERT_TRUE(mCharacter.GetCharacterLink(14, &lOut));
    EXPECT_EQ(lOut.mNode, mA.get());
    EXPECT_EQ(mA->FindBackReference(&mCharacter, 0, 14, 0), 0);
    ASSERT_TRUE(lProperty->DisconnectSrc(mA->GetProperties()));
    ASSERT_TRUE(mCharacter.GetCharacterLink(14, &lOut));
    EXPECT_EQ(lOut.mNode, nullptr);
    EXPECT_EQ(lOut.mTemplateName, "Hand");
    EXPECT_EQ(lOut.mOffsetR[1], 90.0);
    EXPECT_EQ(mA->GetBackReferenceCount(), 0);
}

TEST_F(KRyvCharacterTest, OnlyTheHeldNodeUnbindsAndOtherObjectsAreIgnored)
{
    KRyvCharacter lOther(nullptr, "Ann");
    KPropertyObjectList* lList = mCharacter.GetLinkProperty(0);
    ASSERT_TRUE(lList->ConnectSrc(lOther.GetProperties()));
    EXPECT_FALSE(mCharacter.GetCharacterLink(0, nullptr));
    ASSERT_TRUE(lList->ConnectSrc(mA->GetProperties()));
    ASSERT_TRUE(lList->ConnectSrc(mB->GetProperties()));
    KRyvCharacterLink lOut;
    ASSERT_TRUE(mCharacter.GetCharacterLink(0, &lOut));
    EXPECT_EQ(lOut.mNode, mB.get());
    lList->DisconnectSrc(mA->GetProperties());
    lList->DisconnectSrc(lOther.GetProperties());
    ASSERT_TRUE(mCharacter.GetCharacterLink(0, &lOut));
    EXPECT_EQ(lOut.mNode, mB.get());
    lList->DisconnectSrc(mB->GetProperties());
    EXPECT_FALSE(mCharacter.GetCharacterLink(0, nullptr));
}

TEST_F(KRyvCharacterTest, DestroyedNodeClearsLinkAndControlSet)
{
    ASSERT_TRUE(mCharacter.SetCharacterLink(14, LinkTo(mA.get()), true));
    KRyvControlSet& lSet = mCharacter.GetControlSet();
    KRyvControlSetLink lSetLink;
    lSetLink.mNode = mA.get();
    lSet.SetLink(14, lSetLink);
    lSet.SetEffector(3, mA.get(), KRyvControlSetEffectorFlags());
    lSet.SetAuxiliaryEffector(3, mA.get(), 2);
    EXPECT_EQ(mA->FindBackReference(&mCharacter, 1, 14, 0), 1);
    EXPECT_EQ(mA->FindBackReference(&mCharacter, 2, 3, 0), 2);
    EXPECT_EQ(mA->FindBackReference(&mCharacter, 3, 3, 1), 3);
    mA.reset();
    EXPECT_FALSE(mCharacter.GetCharacterLink(14, nullptr));
    EXPECT_EQ(mCharacter.GetLinkProperty(14)->GetObjectCount(), 0);
    EXPECT_FALSE(lSet.GetLink(14, nullptr));
    EXPECT_FALSE(lSet.GetEffector(3, nullptr));
    KRyvNode* lNode = nullptr;
    EXPECT_FALSE(lSet.GetAuxiliaryEffector(3, lNode, 2));
    mCharacter.Reset();
}

TEST(KRyvCharacterLifetimeTest, CharacterDiesBeforeItsNodes)
{
    auto lA = MakeNode("A");
    {
        KRyvCharacter lCharacter(nullptr, "Bob");
        lCharacter.SetCharacterLink(0, LinkTo(lA.get()), true);
        lCharacter.SetCharacterLink(1, LinkTo(lA.get()), false);
        lCharacter.GetControlSet().SetEffector(0, lA.get(), KRyvControlSetEffectorFlags());
        EXPECT_EQ(lA->GetBackReferenceCount(), 3);
    }
    EXPECT_EQ(lA->GetBackReferenceCount(), 0);
    EXPECT_EQ(lA->GetProperties()->GetConnectionPairCount(), 0);
}

TEST_F(KRyvCharacterTest, ResetKeepsTheLinkProperties)
{
    mCharacter.SetInput(1, nullptr);
    ASSERT_TRUE(mCharacter.SetCharacterLink(14, LinkTo(mA.get()), true));
    mCharacter.GetControlSet().SetEffector(2, mA.get(), KRyvControlSetEffectorFlags());
    mCharacter.GetControlSet().SetType(2);
    KPropertyObjectList* lList = mCharacter.GetLinkProperty(14);

    mCharacter.Reset();
    EXPECT_EQ(mCharacter.GetName(), "");
    EXPECT_EQ(mCharacter.GetInitialName(), "");
    EXPECT_EQ(mCharacter.GetInputType(), 4);
    EXPECT_FALSE(mCharacter.GetCharacterLink(14, nullptr));
    EXPECT_EQ(mCharacter.GetLinkProperty(14), lList);
    EXPECT_EQ(lList->GetObjectCount(), 0);
    EXPECT_EQ(mA->GetBackReferenceCount(), 0);
    EXPECT_EQ(mCharacter.GetControlSet().GetType(), 0);
    EXPECT_FALSE(mCharacter.GetControlSet().GetEffector(2, nullptr));

    // Mirroring still works after the reset.
    ASSERT_TRUE(mCharacter.SetCharacterLink(14, LinkTo(mA.get()), true));
    ASSERT_EQ(lList->GetObjectCount(), 1);
    EXPECT_EQ(lList->GetObject(0), mA->GetProperties());
}

TEST_F(KRyvCharacterTest, ControlSetFromAConnectedPlug)
{
    KRyvControlSetPlug lPlug(nullptr, "Rig");
    KRyvControlSetPlugProperties* lPlugProperties = lPlug.GetControlSetPlugProperties();
    lPlugProperties->SetControlSetType(3);
    lPlugProperties->GetEffectorProperty(0)->SetObjectAt(0, mA->GetProperties());
    KRyvCharacterProperties* lProperties = mCharacter.GetCharacterProperties();
    ASSERT_TRUE(lProperties->GetControlSet().SetObjectAt(0, lPlugProperties));
    EXPECT_EQ(mCharacter.GetControlSet().GetType(), 3);
    KRyvControlSetEffector lEffector;
    ASSERT_TRUE(mCharacter.GetControlSet().GetEffector(0, &lEffector));
    EXPECT_EQ(lEffector.mNode, mA.get());
    EXPECT_EQ(mA->FindBackReference(&mCharacter, 2, 0, 0), 0);
    // A node block in ControlSet is no plug: nothing happens.
    mCharacter.GetControlSet().SetType(1);
    ASSERT_TRUE(lProperties->GetControlSet().SetObjectAt(1, mA->GetProperties()));
    EXPECT_EQ(mCharacter.GetControlSet().GetType(), 1);
}

} // namespace
