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

TEST(KRyvCharacterNameTableTest, GroupsCoverTheIdsOnce)
{
    const int kSizes[12] = {15, 7, 9, 8, 1, 30, 30, 5, 12, 9, 30, 30};
    std::set<int> lIds;
    int l4500 = 0;
    for (int lGroup = 0; lGroup < 12; ++lGroup) {
        ASSERT_EQ(KRyvCharacter::GetCharacterGroupCount(lGroup), kSizes[lGroup]);
        for (int lIndex = 0; lIndex < kSizes[lGroup]; ++lIndex) {
            const int lId = KRyvCharacter::GetCharacterGroupNodeId(lGroup, lIndex);
            EXPECT_TRUE(lIds.insert(lId).second) << lId;
            const int lVersion = KRyvCharacter::GetCharacterGroupNodeVersion(lGroup, lIndex);
            EXPECT_TRUE(lVersion == 4000 || lVersion == 4500);
            l4500 += lVersion == 4500 ? 1 : 0;
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

TEST(KRyvCharacterNameTableTest, LookupByNameAndIdInEveryGroup)
{
    std::set<std::string> lNames;
    for (int lGroup = 0; lGroup < 12; ++lGroup) {
        for (int lIndex = 0; lIndex < KRyvCharacter::GetCharacterGroupCount(lGroup); ++lIndex) {
            const char* lName = KRyvCharacter::GetCharacterGroupNodeName(lGroup, lIndex);
            const int lId = KRyvCharacter::GetCharacterGroupNodeId(lGroup, lIndex);
            EXPECT_TRUE(lNames.insert(lName).second) << lName;
            int lFoundGroup = -1;
            int lFoundIndex = -1;
            ASSERT_TRUE(
                KRyvCharacter::FindCharacterNodeByName(lName, false, lFoundGroup, lFoundIndex));
            EXPECT_EQ(lFoundGroup, lGroup);
            EXPECT_EQ(lFoundIndex, lIndex);
            lFoundGroup = lGroup;
            ASSERT_TRUE(
                KRyvCharacter::FindCharacterNodeByName(lName, true, lFoundGroup, lFoundIndex));
            EXPECT_EQ(lFoundIndex, lIndex);
            ASSERT_TRUE(KRyvCharacter::FindCharacterNodeById(lId, lFoundGroup, lFoundIndex));
            EXPECT_EQ(lFoundGroup, lGroup);
            EXPECT_EQ(lFoundIndex, lIndex);
            KString lText;
            ASSERT_TRUE(KRyvCharacter::GetCharacterNodeName(lId, lText));
            EXPECT_EQ(lText, lName);
        }
    }
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

TEST(KRyvCharacterTest, NewCharacter)
{
    KRyvCharacter lCharacter(nullptr, "Bob");
    EXPECT_EQ(lCharacter.GetObjectType(), 8);
    EXPECT_EQ(lCharacter.GetName(), "Constraint::Bob");
    EXPECT_EQ(lCharacter.GetTypeName(), "Character");
    EXPECT_EQ(lCharacter.GetTakeNodeCount(), 1);
    EXPECT_STREQ(lCharacter.GetTakeNodeName(0), "Default");
    EXPECT_EQ(lCharacter.GetInputType(), 4);
    EXPECT_EQ(lCharacter.GetInputObject(), nullptr);
    EXPECT_EQ(lCharacter.GetControlSet().GetOwner(), &lCharacter);
    for (int lId = 0; lId < KRyvCharacter::kLinkCount; ++lId) {
        EXPECT_FALSE(lCharacter.GetCharacterLink(lId, nullptr));
        KString lName;
        const bool lNamed = KRyvCharacter::GetCharacterNodeName(lId, lName);
        EXPECT_EQ(lCharacter.GetLinkProperty(lId) != nullptr, lNamed) << lId;
        if (lNamed) {
            EXPECT_EQ(KString(lCharacter.GetLinkProperty(lId)->GetName()), lName + "Link");
        }
    }
    std::vector<KProperty*> lProperties;
    lCharacter.GetUserProperties(lProperties);
    EXPECT_EQ(lProperties.size(), 383u);
}

TEST(KRyvCharacterTest, AnimatablePropertiesGetDefaultTakeCurves)
{
    KRyvCharacter lCharacter(nullptr, "Bob");
    KRyvTakeNode* lTake = lCharacter.GetDefaultTakeNode();
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
    EXPECT_DOUBLE_EQ(lCharacter.GetParameterValues().GetValue(75), 3.5);
    EXPECT_DOUBLE_EQ(lCharacter.GetCharacterProperties()->GetDamping(), 3.5);
}

TEST(KRyvCharacterTest, InputRules)
{
    KRyvCharacter lCharacter(nullptr, "Bob");
    KRyvCharacter lOther(nullptr, "Ann");
    lCharacter.SetInput(1, &lCharacter);
    EXPECT_EQ(lCharacter.GetInputType(), 1);
    EXPECT_EQ(lCharacter.GetInputObject(), nullptr);
    lCharacter.SetInput(1, &lOther);
    EXPECT_EQ(lCharacter.GetInputObject(), &lOther);
    lCharacter.SetInput(0, &lOther);
    EXPECT_EQ(lCharacter.GetInputType(), 0);
    EXPECT_EQ(lCharacter.GetInputObject(), nullptr);
    lCharacter.SetInput(7, &lOther);
    EXPECT_EQ(lCharacter.GetInputType(), 7);
    EXPECT_EQ(lCharacter.GetInputObject(), nullptr);
}

TEST(KRyvCharacterTest, SetAndGetLinks)
{
    KRyvCharacter lCharacter(nullptr, "Bob");
    auto lA = MakeNode("A");
    EXPECT_FALSE(lCharacter.SetCharacterLink(191, LinkTo(lA.get()), false));
    EXPECT_FALSE(lCharacter.SetCharacterLink(-1, LinkTo(lA.get()), false));
    EXPECT_EQ(lA->GetBackReferenceCount(), 0);

    KRyvCharacterLink lLink;
    lLink.mTemplateName = "Pelvis";
    lLink.mOffsetT = KVector4(1.0, 2.0, 3.0, 1.0);
    lLink.mLinkProperty = lCharacter.GetLinkProperty(5);
    ASSERT_TRUE(lCharacter.SetCharacterLink(0, lLink, false));
    // The record's link property is never copied in either direction.
    EXPECT_EQ(lCharacter.GetLinkProperty(0),
              lCharacter.GetCharacterProperties()->GetLinkProperty(0));
    KRyvCharacterLink lOut;
    ASSERT_TRUE(lCharacter.GetCharacterLink(0, &lOut));
    EXPECT_EQ(lOut.mTemplateName, "Pelvis");
    EXPECT_EQ(lOut.mOffsetT[1], 2.0);
    EXPECT_EQ(lOut.mOffsetS[0], 1.0);
    EXPECT_EQ(lOut.mLinkProperty, nullptr);
    EXPECT_FALSE(lCharacter.GetCharacterLink(191, &lOut));
}

TEST(KRyvCharacterTest, MovingALinkMovesItsBackReference)
{
    KRyvCharacter lCharacter(nullptr, "Bob");
    auto lA = MakeNode("A");
    auto lB = MakeNode("B");
    ASSERT_TRUE(lCharacter.SetCharacterLink(14, LinkTo(lA.get()), false));
    EXPECT_EQ(lA->FindBackReference(&lCharacter, 0, 14, 0), 0);
    ASSERT_TRUE(lCharacter.SetCharacterLink(14, LinkTo(lB.get()), false));
    EXPECT_EQ(lA->GetBackReferenceCount(), 0);
    EXPECT_EQ(lB->GetBackReferenceCount(), 1);
    EXPECT_EQ(lB->FindBackReference(&lCharacter, 0, 14, 0), 0);
}

TEST(KRyvCharacterTest, MirroringIntoTheLinkProperty)
{
    KRyvCharacter lCharacter(nullptr, "Bob");
    auto lA = MakeNode("A");
    auto lB = MakeNode("B");
    KPropertyObjectList* lList = lCharacter.GetLinkProperty(14);
    ASSERT_NE(lList, nullptr);
    ASSERT_TRUE(lCharacter.SetCharacterLink(14, LinkTo(lA.get()), true));
    ASSERT_EQ(lList->GetObjectCount(), 1);
    EXPECT_EQ(lList->GetObject(0), lA->GetProperties());
    EXPECT_EQ(lA->GetBackReferenceCount(), 1);
    // Replacing the node in the list must not lose the new link on the old node's removal.
    ASSERT_TRUE(lCharacter.SetCharacterLink(14, LinkTo(lB.get()), true));
    ASSERT_EQ(lList->GetObjectCount(), 1);
    EXPECT_EQ(lList->GetObject(0), lB->GetProperties());
    KRyvCharacterLink lOut;
    ASSERT_TRUE(lCharacter.GetCharacterLink(14, &lOut));
    EXPECT_EQ(lOut.mNode, lB.get());
    EXPECT_EQ(lA->GetBackReferenceCount(), 0);
    EXPECT_EQ(lB->GetBackReferenceCount(), 1);
    ASSERT_TRUE(lCharacter.SetCharacterLink(14, KRyvCharacterLink(), true));
    EXPECT_EQ(lList->GetObjectCount(), 0);
    EXPECT_EQ(lB->GetBackReferenceCount(), 0);
}

TEST(KRyvCharacterTest, ConnectingANodeBlockBindsTheLink)
{
    KRyvCharacter lCharacter(nullptr, "Bob");
    auto lA = MakeNode("A");
    KRyvCharacterLink lLink;
    lLink.mTemplateName = "Hand";
    lLink.mOffsetR = KVector4(0.0, 90.0, 0.0, 1.0);
    lCharacter.SetCharacterLink(14, lLink, false);
    KProperty* lProperty = lCharacter.GetProperties()->FindProperty("LeftHandLink");
    ASSERT_NE(lProperty, nullptr);
    ASSERT_TRUE(lProperty->ConnectSrc(lA->GetProperties()));
    KRyvCharacterLink lOut;
    ASSERT_TRUE(lCharacter.GetCharacterLink(14, &lOut));
    EXPECT_EQ(lOut.mNode, lA.get());
    EXPECT_EQ(lA->FindBackReference(&lCharacter, 0, 14, 0), 0);
    ASSERT_TRUE(lProperty->DisconnectSrc(lA->GetProperties()));
    ASSERT_TRUE(lCharacter.GetCharacterLink(14, &lOut));
    EXPECT_EQ(lOut.mNode, nullptr);
    EXPECT_EQ(lOut.mTemplateName, "Hand");
    EXPECT_EQ(lOut.mOffsetR[1], 90.0);
    EXPECT_EQ(lA->GetBackReferenceCount(), 0);
}

TEST(KRyvCharacterTest, OnlyTheHeldNodeUnbindsAndOtherObjectsAreIgnored)
{
    KRyvCharacter lCharacter(nullptr, "Bob");
    KRyvCharacter lOther(nullptr, "Ann");
    auto lA = MakeNode("A");
    auto lB = MakeNode("B");
    KPropertyObjectList* lList = lCharacter.GetLinkProperty(0);
    ASSERT_TRUE(lList->ConnectSrc(lOther.GetProperties()));
    EXPECT_FALSE(lCharacter.GetCharacterLink(0, nullptr));
    ASSERT_TRUE(lList->ConnectSrc(lA->GetProperties()));
    ASSERT_TRUE(lList->ConnectSrc(lB->GetProperties()));
    KRyvCharacterLink lOut;
    ASSERT_TRUE(lCharacter.GetCharacterLink(0, &lOut));
    EXPECT_EQ(lOut.mNode, lB.get());
    lList->DisconnectSrc(lA->GetProperties());
    lList->DisconnectSrc(lOther.GetProperties());
    ASSERT_TRUE(lCharacter.GetCharacterLink(0, &lOut));
    EXPECT_EQ(lOut.mNode, lB.get());
    lList->DisconnectSrc(lB->GetProperties());
    EXPECT_FALSE(lCharacter.GetCharacterLink(0, nullptr));
}

TEST(KRyvCharacterTest, DestroyedNodeClearsLinkAndControlSet)
{
    KRyvCharacter lCharacter(nullptr, "Bob");
    auto lA = MakeNode("A");
    ASSERT_TRUE(lCharacter.SetCharacterLink(14, LinkTo(lA.get()), true));
    KRyvControlSet& lSet = lCharacter.GetControlSet();
    KRyvControlSetLink lSetLink;
    lSetLink.mNode = lA.get();
    lSet.SetLink(14, lSetLink);
    lSet.SetEffector(3, lA.get(), KRyvControlSetEffectorFlags());
    lSet.SetAuxiliaryEffector(3, lA.get(), 2);
    EXPECT_EQ(lA->FindBackReference(&lCharacter, 1, 14, 0), 1);
    EXPECT_EQ(lA->FindBackReference(&lCharacter, 2, 3, 0), 2);
    EXPECT_EQ(lA->FindBackReference(&lCharacter, 3, 3, 1), 3);
    lA.reset();
    EXPECT_FALSE(lCharacter.GetCharacterLink(14, nullptr));
    EXPECT_EQ(lCharacter.GetLinkProperty(14)->GetObjectCount(), 0);
    EXPECT_FALSE(lSet.GetLink(14, nullptr));
    EXPECT_FALSE(lSet.GetEffector(3, nullptr));
    KRyvNode* lNode = nullptr;
    EXPECT_FALSE(lSet.GetAuxiliaryEffector(3, lNode, 2));
    lCharacter.Reset();
}

TEST(KRyvCharacterTest, CharacterDiesBeforeItsNodes)
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

TEST(KRyvCharacterTest, ResetKeepsTheLinkProperties)
{
    KRyvCharacter lCharacter(nullptr, "Bob");
    auto lA = MakeNode("A");
    lCharacter.SetInput(1, nullptr);
    ASSERT_TRUE(lCharacter.SetCharacterLink(14, LinkTo(lA.get()), true));
    lCharacter.GetControlSet().SetEffector(2, lA.get(), KRyvControlSetEffectorFlags());
    lCharacter.GetControlSet().SetType(2);
    KPropertyObjectList* lList = lCharacter.GetLinkProperty(14);

    lCharacter.Reset();
    EXPECT_EQ(lCharacter.GetName(), "");
    EXPECT_EQ(lCharacter.GetInitialName(), "");
    EXPECT_EQ(lCharacter.GetInputType(), 4);
    EXPECT_FALSE(lCharacter.GetCharacterLink(14, nullptr));
    EXPECT_EQ(lCharacter.GetLinkProperty(14), lList);
    EXPECT_EQ(lList->GetObjectCount(), 0);
    EXPECT_EQ(lA->GetBackReferenceCount(), 0);
    EXPECT_EQ(lCharacter.GetControlSet().GetType(), 0);
    EXPECT_FALSE(lCharacter.GetControlSet().GetEffector(2, nullptr));

    // Mirroring still works after the reset.
    ASSERT_TRUE(lCharacter.SetCharacterLink(14, LinkTo(lA.get()), true));
    ASSERT_EQ(lList->GetObjectCount(), 1);
    EXPECT_EQ(lList->GetObject(0), lA->GetProperties());
}

TEST(KRyvCharacterTest, ControlSetFromAConnectedPlug)
{
    KRyvCharacter lCharacter(nullptr, "Bob");
    KRyvControlSetPlug lPlug(nullptr, "Rig");
    auto lA = MakeNode("A");
    KRyvControlSetPlugProperties* lPlugProperties = lPlug.GetControlSetPlugProperties();
    lPlugProperties->SetControlSetType(3);
    lPlugProperties->GetEffectorProperty(0)->SetObjectAt(0, lA->GetProperties());
    KRyvCharacterProperties* lProperties = lCharacter.GetCharacterProperties();
    ASSERT_TRUE(lProperties->GetControlSet().SetObjectAt(0, lPlugProperties));
    EXPECT_EQ(lCharacter.GetControlSet().GetType(), 3);
    KRyvControlSetEffector lEffector;
    ASSERT_TRUE(lCharacter.GetControlSet().GetEffector(0, &lEffector));
    EXPECT_EQ(lEffector.mNode, lA.get());
    EXPECT_EQ(lA->FindBackReference(&lCharacter, 2, 0, 0), 0);
    // A node block in ControlSet is no plug: nothing happens.
    lCharacter.GetControlSet().SetType(1);
    ASSERT_TRUE(lProperties->GetControlSet().SetObjectAt(1, lA->GetProperties()));
    EXPECT_EQ(lCharacter.GetControlSet().GetType(), 1);
}

} // namespace
