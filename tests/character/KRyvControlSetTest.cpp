#include "character/KRyvControlSet.h"

#include "animation/KRyvTakeNode.h"
#include "character/KRyvCharacter.h"
#include "character/KRyvControlSetPlug.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvNodeProperties.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

std::unique_ptr<KRyvNode> MakeNode(const char* pName)
{
    return std::make_unique<KRyvNode>(nullptr, pName);
}

TEST(KRyvControlSetTest, EffectorNames)
{
    EXPECT_STREQ(KRyvControlSet::GetEffectorName(0), "HipsEffector");
    EXPECT_STREQ(KRyvControlSet::GetEffectorName(9), "ChestOriginEffector");
    EXPECT_STREQ(KRyvControlSet::GetEffectorName(25), "LeftHandExtraFingerEffector");
    EXPECT_STREQ(KRyvControlSet::GetEffectorName(43), "RightFootExtraFingerEffector");
    EXPECT_EQ(KRyvControlSet::GetEffectorName(44), nullptr);
    EXPECT_EQ(KRyvControlSet::GetEffectorName(-1), nullptr);
    for (int i = 0; i < KRyvControlSet::kEffectorCount; ++i) {
        EXPECT_EQ(KRyvControlSet::GetEffectorIndex(KRyvControlSet::GetEffectorName(i)), i);
    }
    EXPECT_EQ(KRyvControlSet::GetEffectorIndex("HipsEffector"), 0);
    EXPECT_EQ(KRyvControlSet::GetEffectorIndex("hipseffector"), -1);
    EXPECT_EQ(KRyvControlSet::GetEffectorIndex(nullptr), -1);
}

TEST(KRyvControlSetTest, BadIndicesAndEmptyLinksAreRefused)
{
    KRyvControlSet lSet;
    auto lNode = MakeNode("A");
    KRyvControlSetLink lLink;
    lLink.mNode = lNode.get();
    EXPECT_FALSE(lSet.SetLink(191, lLink));
    EXPECT_FALSE(lSet.SetLink(-1, lLink));
    EXPECT_FALSE(lSet.SetEffector(44, lNode.get(), KRyvControlSetEffectorFlags()));
    EXPECT_FALSE(lSet.SetEffector(-1, lNode.get(), KRyvControlSetEffectorFlags()));
    EXPECT_FALSE(lSet.SetAuxiliaryEffector(0, lNode.get(), 0));
    EXPECT_FALSE(lSet.SetAuxiliaryEffector(0, lNode.get(), 15));
    EXPECT_FALSE(lSet.SetAuxiliaryEffector(44, lNode.get(), 1));
    EXPECT_EQ(lNode->GetBackReferenceCount(), 0);
    KRyvNode* lOut = nullptr;
    EXPECT_FALSE(lSet.GetAuxiliaryEffector(0, lOut, 15));
    EXPECT_FALSE(lSet.GetLink(191, nullptr));
    EXPECT_FALSE(lSet.GetEffector(44, nullptr));

    // A link needs a node or a name.
    KRyvControlSetLink lNamed;
    lNamed.mTemplateName = "Pelvis";
    ASSERT_TRUE(lSet.SetLink(0, lNamed));
    KRyvControlSetLink lRead;
    ASSERT_TRUE(lSet.GetLink(0, &lRead));
    EXPECT_EQ(lRead.mTemplateName, "Pelvis");
    EXPECT_EQ(lRead.mNode, nullptr);
    ASSERT_TRUE(lSet.SetLink(0, KRyvControlSetLink()));
    EXPECT_FALSE(lSet.GetLink(0, &lRead));
}

TEST(KRyvControlSetTest, DefaultFlagsEmptiedRecordsAndClear)
{
    KRyvControlSet lSet;
    const KRyvControlSetEffectorFlags lHips{true, true, true, false, false};
    const KRyvControlSetEffectorFlags lAnkle{true, true, true, true, true};
    const KRyvControlSetEffectorFlags lWrist{true, true, false, true, false};
    EXPECT_TRUE(KRyvControlSet::GetDefaultEffectorFlags(0) == lHips);
    EXPECT_TRUE(KRyvControlSet::GetDefaultEffectorFlags(2) == lAnkle);
    EXPECT_TRUE(KRyvControlSet::GetDefaultEffectorFlags(4) == lWrist);
    EXPECT_TRUE(KRyvControlSet::GetDefaultEffectorFlags(5) == KRyvControlSetEffectorFlags());

    auto lNode = MakeNode("A");
    ASSERT_TRUE(lSet.SetEffector(1, lNode.get(), KRyvControlSet::GetDefaultEffectorFlags(1)));
    KRyvControlSetEffector lEffector;
    ASSERT_TRUE(lSet.GetEffector(1, &lEffector));
    EXPECT_TRUE(lEffector.mFlags == lAnkle);
    // Emptying gives SHOW only, unlike the defaults Clear restores.
    ASSERT_TRUE(lSet.SetEffector(1, nullptr, lAnkle));
    EXPECT_FALSE(lSet.GetEffector(1, &lEffector));
    ASSERT_TRUE(lSet.SetEffector(1, lNode.get(), KRyvControlSetEffectorFlags()));
    // Clear keeps UseAxis and resets the rest.
    lSet.SetType(2);
    lSet.SetUseAxis(true);
    lSet.SetLockXForm(true);
    lSet.SetLockPick(true);
    lSet.Clear();
    EXPECT_FALSE(lSet.GetEffector(1, nullptr));
    EXPECT_EQ(lNode->GetBackReferenceCount(), 0);
    EXPECT_EQ(lSet.GetType(), 0);
    EXPECT_TRUE(lSet.GetUseAxis());
    EXPECT_FALSE(lSet.GetLockXForm() || lSet.GetLockPick());
}

TEST(KRyvControlSetTest, BackReferencesFollowTheSlots)
{
    KRyvControlSet lSet;
    auto lA = MakeNode("A");
    auto lB = MakeNode("B");
    ASSERT_TRUE(lSet.SetEffector(5, lA.get(), KRyvControlSetEffectorFlags()));
    EXPECT_EQ(lA->FindBackReference(&lSet, 2, 5, 0), 0);
    ASSERT_TRUE(lSet.SetEffector(5, lB.get(), KRyvControlSetEffectorFlags()));
    EXPECT_EQ(lA->GetBackReferenceCount(), 0);
    EXPECT_EQ(lB->FindBackReference(&lSet, 2, 5, 0), 0);
    EXPECT_EQ(lB->GetBackReferenceCount(), 1);

    KRyvControlSetLink lLink;
    lLink.mNode = lA.get();
    ASSERT_TRUE(lSet.SetLink(14, lLink));
    ASSERT_TRUE(lSet.SetLink(14, lLink));
    EXPECT_EQ(lA->GetBackReferenceCount(), 1);
    EXPECT_EQ(lA->FindBackReference(&lSet, 1, 14, 0), 0);

    ASSERT_TRUE(lSet.SetAuxiliaryEffector(3, lA.get(), 14));
    EXPECT_EQ(lA->FindBackReference(&lSet, 3, 3, 13), 1);
    KRyvNode* lOut = nullptr;
    ASSERT_TRUE(lSet.GetAuxiliaryEffector(3, lOut, 14));
    EXPECT_EQ(lOut, lA.get());
    ASSERT_TRUE(lSet.SetAuxiliaryEffector(3, nullptr, 14));
    EXPECT_FALSE(lSet.GetAuxiliaryEffector(3, lOut, 14));
    EXPECT_EQ(lA->GetBackReferenceCount(), 1);

    lSet.Clear();
    EXPECT_EQ(lA->GetBackReferenceCount(), 0);
    EXPECT_EQ(lB->GetBackReferenceCount(), 0);
}

TEST(KRyvControlSetTest, DestroyedNodeClearsEverySlot)
{
    KRyvControlSet lSet;
    auto lA = MakeNode("A");
    KRyvControlSetLink lLink;
    lLink.mNode = lA.get();
    lLink.mTemplateName = "Hand";
    lSet.SetLink(14, lLink);
    lSet.SetEffector(7, lA.get(), KRyvControlSetEffectorFlags());
    lSet.SetAuxiliaryEffector(7, lA.get(), 1);
    lSet.SetAuxiliaryEffector(43, lA.get(), 14);
    EXPECT_EQ(lA->GetBackReferenceCount(), 4);
    lA.reset();
    KRyvControlSetLink lOut;
    ASSERT_TRUE(lSet.GetLink(14, &lOut));
    EXPECT_EQ(lOut.mNode, nullptr);
    EXPECT_EQ(lOut.mTemplateName, "Hand");
    EXPECT_FALSE(lSet.GetEffector(7, nullptr));
    KRyvNode* lNode = nullptr;
    EXPECT_FALSE(lSet.GetAuxiliaryEffector(7, lNode, 1));
    EXPECT_FALSE(lSet.GetAuxiliaryEffector(43, lNode, 14));
    // Clearing afterwards touches no freed node (AddressSanitizer).
    lSet.Clear();
}

TEST(KRyvControlSetTest, SetDiesBeforeItsNodes)
{
    auto lA = MakeNode("A");
    {
        KRyvControlSet lSet;
        lSet.SetEffector(0, lA.get(), KRyvControlSetEffectorFlags());
        lSet.SetAuxiliaryEffector(0, lA.get(), 2);
        EXPECT_EQ(lA->GetBackReferenceCount(), 2);
    }
    EXPECT_EQ(lA->GetBackReferenceCount(), 0);
}

TEST(KRyvControlSetPlugTest, PlugShape)
{
    KRyvControlSetPlug lPlug(nullptr, "Rig");
    EXPECT_EQ(lPlug.GetObjectType(), 12);
    EXPECT_EQ(lPlug.GetName(), "ControlSetPlug::Rig");
    EXPECT_EQ(lPlug.GetTypeName(), "ControlSetPlug");
    EXPECT_EQ(lPlug.GetTakeNodeCount(), 1);
    KRyvControlSetPlugProperties* lProperties = lPlug.GetControlSetPlugProperties();
    ASSERT_NE(lProperties, nullptr);
    EXPECT_EQ(lProperties->GetPropertyCount(), 2 + 187 + 44);
    EXPECT_STREQ(lProperties->GetProperty(0)->GetName(), "UseAxis");
    EXPECT_STREQ(lProperties->GetProperty(1)->GetName(), "ControlSetType");
    EXPECT_EQ(lProperties->GetProperty(0)->GetPropertyType(), kPropertyTypeBool);
    EXPECT_EQ(lProperties->GetProperty(1)->GetPropertyType(), kPropertyTypeEnum);
    EXPECT_STREQ(lProperties->GetProperty(2)->GetName(), "Hips");
    EXPECT_STREQ(lProperties->GetProperty(2 + 187)->GetName(), "HipsEffector");
    EXPECT_TRUE(lProperties->GetUseAxis());
    EXPECT_EQ(lProperties->GetControlSetType(), 0);
    ASSERT_NE(lProperties->GetLinkProperty(67), nullptr);
    EXPECT_STREQ(lProperties->GetLinkProperty(67)->GetName(), "Reference");
    EXPECT_EQ(lProperties->GetLinkProperty(68), nullptr);
    EXPECT_EQ(lProperties->GetLinkProperty(191), nullptr);
    EXPECT_EQ(lProperties->GetEffectorProperty(44), nullptr);
    EXPECT_EQ(lProperties->GetOwnerObject(), &lPlug);
}

TEST(KRyvControlSetPlugTest, FromPlugKeepsThePlugsType)
{
    auto lA = MakeNode("A");
    auto lB = MakeNode("B");
    auto lC = MakeNode("C");
    KRyvControlSetPlug lPlug(nullptr, "Rig");
    KRyvControlSetPlugProperties* lProperties = lPlug.GetControlSetPlugProperties();
    lProperties->SetControlSetType(3);
    lProperties->SetUseAxis(false);
    ASSERT_TRUE(lProperties->GetLinkProperty(14)->SetObjectAt(0, lA->GetProperties()));
    // An object that is no node block leaves its link empty.
    KRyvControlSetPlug lOther(nullptr, "Other");
    ASSERT_TRUE(lProperties->GetLinkProperty(0)->SetObjectAt(0, lOther.GetProperties()));
    KPropertyObjectList* lHips = lProperties->GetEffectorProperty(0);
    ASSERT_TRUE(lHips->SetObjectAt(0, lB->GetProperties()));
    ASSERT_TRUE(lHips->SetObjectAt(1, lC->GetProperties()));

    KRyvControlSet lSet;
    auto lOld = MakeNode("Old");
    lSet.SetEffector(20, lOld.get(), KRyvControlSetEffectorFlags());
    lSet.SetUseAxis(true);
    ASSERT_TRUE(lSet.FromControlSetPlug(&lPlug));
    EXPECT_EQ(lSet.GetType(), 3);
    EXPECT_FALSE(lSet.GetUseAxis());
    EXPECT_EQ(lOld->GetBackReferenceCount(), 0);
    EXPECT_FALSE(lSet.GetEffector(20, nullptr));
    KRyvControlSetLink lLink;
    ASSERT_TRUE(lSet.GetLink(14, &lLink));
    EXPECT_EQ(lLink.mNode, lA.get());
    EXPECT_FALSE(lSet.GetLink(0, &lLink));
    KRyvControlSetEffector lEffector;
    ASSERT_TRUE(lSet.GetEffector(0, &lEffector));
    EXPECT_EQ(lEffector.mNode, lB.get());
    EXPECT_TRUE(lEffector.mFlags == KRyvControlSetEffectorFlags());
    KRyvNode* lAuxiliary = nullptr;
    ASSERT_TRUE(lSet.GetAuxiliaryEffector(0, lAuxiliary, 1));
    EXPECT_EQ(lAuxiliary, lC.get());
    EXPECT_EQ(lC->FindBackReference(&lSet, 3, 0, 0), 0);

    EXPECT_FALSE(lSet.FromControlSetPlug(nullptr));
    EXPECT_EQ(lSet.GetType(), 3);
}

} // namespace
