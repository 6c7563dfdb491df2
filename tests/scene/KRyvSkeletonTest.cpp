#include "scene/KRyvSkeleton.h"
#include "object/KTypedProperty.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvNodeAttribute.h"
#include "scene/KRyvObjectFactory.h"

#include "animation/KRyvTakeNode.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

// An attribute that records which takes it hears about.
class RecordingAttribute : public KRyvNodeAttribute
{
public:
    RecordingAttribute() : KRyvNodeAttribute(nullptr) {}
    int GetAttributeType() const override { return eNull; }
    void OnTakeNodeAdded(KRyvTakeNode* pTake) override { mAdded.push_back(pTake); }
    void OnTakeNodeRemoved(KRyvTakeNode* pTake) override { mRemoved.push_back(pTake); }

    std::vector<KRyvTakeNode*> mAdded;
    std::vector<KRyvTakeNode*> mRemoved;
};

KProperty* FindProperty(KRyvSkeleton& pSkeleton, const char* pName)
{
    std::vector<KProperty*> lProperties;
    pSkeleton.FillPropertyList(lProperties);
    for (KProperty* lProperty : lProperties) {
        if (std::string(lProperty->GetName()) == pName) {
            return lProperty;
        }
    }
    return nullptr;
}

void ExpectColor(const KColor& pColor, double pRed, double pGreen, double pBlue)
{
    EXPECT_DOUBLE_EQ(pColor.mRed, pRed);
    EXPECT_DOUBLE_EQ(pColor.mGreen, pGreen);
    EXPECT_DOUBLE_EQ(pColor.mBlue, pBlue);
    EXPECT_DOUBLE_EQ(pColor.mAlpha, 1.0);
}

void ExpectNames(const KPropertyStringList& pList, std::vector<const char*> pNames)
{
    ASSERT_EQ(pList.GetCount(), static_cast<int>(pNames.size()));
    for (int lIndex = 0; lIndex < pList.GetCount(); ++lIndex) {
        EXPECT_STREQ(pList.GetText(lIndex).Buffer(), pNames[static_cast<size_t>(lIndex)]);
    }
}

void ExpectNewSkeleton(const KRyvSkeleton& pSkeleton)
{
    EXPECT_EQ(pSkeleton.GetSkeletonType(), KRyvSkeleton::eRoot);
    EXPECT_DOUBLE_EQ(pSkeleton.GetSize(), 100.0);
    EXPECT_DOUBLE_EQ(pSkeleton.GetLimbLength(), 1.0);
    ExpectColor(pSkeleton.GetLimbNodeColor(), 0.8, 0.8, 0.8);
    EXPECT_FALSE(pSkeleton.GetLimbLengthWasSet() || pSkeleton.GetSizeWasSet() ||
                 pSkeleton.GetColorWasSet() || pSkeleton.GetTypeWasSet());
}

} // namespace

TEST(KRyvSkeleton, NewAndResetSkeletonIsAGreyRootWithNothingSet)
{
    KRyvSkeleton lSkeleton(nullptr);
    EXPECT_EQ(lSkeleton.GetAttributeType(), 3);
    ExpectNewSkeleton(lSkeleton);
    ExpectColor(KRyvSkeleton::GetLimbNodeColorDefault(), 0.8, 0.8, 0.8);
    lSkeleton.SetSkeletonType(1);
    lSkeleton.SetSize(1.0);
    lSkeleton.SetLimbLength(2.0);
    lSkeleton.SetLimbNodeColor(KColor(0, 0, 1));
    lSkeleton.Reset();
    ExpectNewSkeleton(lSkeleton);
}

TEST(KRyvSkeleton, PropertyListOrderTypesAndFlags)
{
    KRyvSkeleton lSkeleton(nullptr);
    std::vector<KProperty*> lProperties;
    lSkeleton.FillPropertyList(lProperties);
    ASSERT_EQ(lProperties.size(), 3u);
    EXPECT_STREQ(lProperties[0]->GetName(), "Size");
    EXPECT_STREQ(lProperties[1]->GetName(), "LimbLength");
    EXPECT_STREQ(lProperties[2]->GetName(), "Color");
    EXPECT_EQ(lProperties[0]->GetPropertyType(), kPropertyTypeDouble);
    EXPECT_EQ(lProperties[1]->GetPropertyType(), kPropertyTypeDouble);
    EXPECT_EQ(lProperties[2]->GetPropertyType(), kPropertyTypeColorRGB);
    EXPECT_EQ(lProperties[0]->GetFlags(), 0u);
    // Flag 1 of the second word, never the ownership flag of the definition.
    EXPECT_EQ(lProperties[1]->GetFlags(), 1u);
    EXPECT_FALSE(lProperties[1]->GetDefinition().GetFlag(KPropertyDefinition::kOwned));
    EXPECT_EQ(lProperties[2]->GetFlags(), static_cast<unsigned>(KProperty::kNotWritten));
    KObject* lSet = lProperties[0]->GetParentObject();
    ASSERT_NE(lSet, nullptr);
    EXPECT_STREQ(lSet->GetClassName(), "KRyvSkeletonProperties");
    EXPECT_TRUE(lSet->IsA(KRyvSkeletonProperties::ClassId()));
    EXPECT_TRUE(lSet->IsA(KObject::ClassId()));

    // Appending keeps what the caller had.
    std::vector<KProperty*> lMore{nullptr};
    lSkeleton.FillPropertyList(lMore);
    EXPECT_EQ(lMore.size(), 4u);
}

TEST(KRyvSkeleton, PropertiesReadAndWriteTheSkeletonValues)
{
    KRyvSkeleton lSkeleton(nullptr);
    KProperty* lSize = FindProperty(lSkeleton, "Size");
    ASSERT_NE(lSize, nullptr);
    EXPECT_DOUBLE_EQ(lSize->GetValueAsDouble(), 100.0);
    lSkeleton.SetSize(12.5);
    EXPECT_DOUBLE_EQ(lSize->GetValueAsDouble(), 12.5);
    ASSERT_TRUE(lSize->SetValueAsDouble(7.0));
    EXPECT_DOUBLE_EQ(lSkeleton.GetSize(), 7.0);

    KProperty* lColor = FindProperty(lSkeleton, "Color");
    ASSERT_NE(lColor, nullptr);
    KColor lValue;
    ASSERT_TRUE(lColor->GetValue(lValue));
    EXPECT_DOUBLE_EQ(lValue.mGreen, 0.8);
    ASSERT_TRUE(lColor->SetValue(KColor(0.1, 0.2, 0.3, 0.4)));
    ExpectColor(lSkeleton.GetLimbNodeColor(), 0.1, 0.2, 0.3);
}

TEST(KRyvSkeleton, TypeGatedSetters)
{
    KRyvSkeleton lSkeleton(nullptr);
    EXPECT_FALSE(lSkeleton.SetLimbLength(5.0));
    EXPECT_DOUBLE_EQ(lSkeleton.GetLimbLength(), 1.0);
    EXPECT_FALSE(lSkeleton.GetLimbLengthWasSet());
    EXPECT_FALSE(lSkeleton.SetLimbNodeColor(KColor(1, 0, 0)));
    ExpectColor(lSkeleton.GetLimbNodeColor(), 0.8, 0.8, 0.8);
    EXPECT_FALSE(lSkeleton.GetColorWasSet());

    lSkeleton.SetSkeletonType(KRyvSkeleton::eLimb);
    EXPECT_TRUE(lSkeleton.GetTypeWasSet());
    EXPECT_TRUE(lSkeleton.SetLimbLength(5.0));
    EXPECT_DOUBLE_EQ(lSkeleton.GetLimbLength(), 5.0);
    EXPECT_TRUE(lSkeleton.GetLimbLengthWasSet());
    EXPECT_TRUE(lSkeleton.SetLimbNodeColor(KColor(0.2, 0.4, 0.6, 0.1)));
    ExpectColor(lSkeleton.GetLimbNodeColor(), 0.2, 0.4, 0.6);
    EXPECT_TRUE(lSkeleton.GetColorWasSet());

    lSkeleton.SetSkeletonType(KRyvSkeleton::eLimbNode);
    EXPECT_FALSE(lSkeleton.SetLimbLength(9.0));
    EXPECT_DOUBLE_EQ(lSkeleton.GetLimbLength(), 5.0);
    EXPECT_TRUE(lSkeleton.SetLimbNodeColor(KColor(1, 1, 0)));
    ExpectColor(lSkeleton.GetLimbNodeColor(), 1, 1, 0);

    for (int lType : {0, 3, 4, -1}) {
        lSkeleton.SetSkeletonType(lType);
        EXPECT_FALSE(lSkeleton.SetLimbLength(2.0)) << lType;
        EXPECT_FALSE(lSkeleton.SetLimbNodeColor(KColor(0, 0, 0))) << lType;
    }
    ExpectColor(lSkeleton.GetLimbNodeColor(), 1, 1, 0);

    EXPECT_FALSE(lSkeleton.GetSizeWasSet());
    lSkeleton.SetSize(3.0);
    EXPECT_TRUE(lSkeleton.GetSizeWasSet());
}

TEST(KRyvSkeleton, ColorIsWrittenOnlyForLimbsAndLimbNodes)
{
    KRyvSkeleton lSkeleton(nullptr);
    KProperty* lColor = FindProperty(lSkeleton, "Color");
    ASSERT_NE(lColor, nullptr);
    const struct
    {
        int mType;
        bool mNotWritten;
    } kCases[] = {{1, false}, {0, true}, {2, false}, {3, true}, {7, true}, {-2, true}, {1, false}};
    for (const auto& lCase : kCases) {
        lSkeleton.SetSkeletonType(lCase.mType);
        EXPECT_EQ(lColor->GetFlag(KProperty::kNotWritten), lCase.mNotWritten) << lCase.mType;
    }
    lSkeleton.Reset();
    EXPECT_TRUE(lColor->GetFlag(KProperty::kNotWritten));
}

TEST(KRyvSkeleton, AFactorysSkeletonsChangeTheirPropertiesEachForItself)
{
    KRyvObjectFactory lFactory;
    KRyvSkeleton* lFirst = lFactory.CreateSkeleton();
    KRyvSkeleton* lSecond = lFactory.CreateSkeleton();
    KProperty* lFirstColor = FindProperty(*lFirst, "Color");
    KProperty* lSecondColor = FindProperty(*lSecond, "Color");
    ASSERT_TRUE(lFirstColor && lSecondColor);
    lSecond->SetSkeletonType(KRyvSkeleton::eLimbNode);
    EXPECT_TRUE(lFirstColor->GetFlag(KProperty::kNotWritten));
    EXPECT_FALSE(lSecondColor->GetFlag(KProperty::kNotWritten));
    FindProperty(*lFirst, "Size")->SetMaximum(10.0);
    EXPECT_EQ(FindProperty(*lSecond, "Size")->GetMaximum(),
              std::numeric_limits<double>::infinity());
    // Setting a flag that is set already changes nothing.
    lSecondColor->SetFlag(KProperty::kNotWritten, false);
    lFirstColor->SetFlag(KProperty::kNotWritten, true);
    EXPECT_TRUE(lFirstColor->GetFlag(KProperty::kNotWritten));
    EXPECT_FALSE(lSecondColor->GetFlag(KProperty::kNotWritten));

    // Limb nodes share one colour definition; a change to one still stays with it.
    KRyvSkeleton* lThird = lFactory.CreateSkeleton();
    lThird->SetSkeletonType(KRyvSkeleton::eLimbNode);
    KProperty* lThirdColor = FindProperty(*lThird, "Color");
    EXPECT_EQ(&std::as_const(*lThirdColor).GetDefinition(),
              &std::as_const(*lSecondColor).GetDefinition());
    lThirdColor->SetLabel("Bone");
    EXPECT_EQ(lSecondColor->GetLabel(), nullptr);
    EXPECT_FALSE(lThirdColor->GetFlag(KProperty::kNotWritten));
    lThird->SetSkeletonType(KRyvSkeleton::eRoot);
    EXPECT_TRUE(lThirdColor->GetFlag(KProperty::kNotWritten));
    EXPECT_FALSE(lSecondColor->GetFlag(KProperty::kNotWritten));
    EXPECT_STREQ(lThirdColor->GetLabel(), "Bone");
}

TEST(KRyvSkeleton, TypeNamesAndNameLists)
{
    KRyvSkeleton lSkeleton(nullptr);
    const struct
    {
        int mType;
        const char* mName;
        std::vector<const char*> mList;
    } kCases[] = {{0, "Root", {"Null", "Skeleton", "Root"}},
                  {1, "Limb", {"Skeleton"}},
                  {2, "LimbNode", {"Skeleton"}},
                  {3, "Root", {"Null", "Skeleton", "Root"}},
                  {4, "", {}},
                  {-1, "", {}}};
    for (const auto& lCase : kCases) {
        SCOPED_TRACE(lCase.mType);
        lSkeleton.SetSkeletonType(lCase.mType);
        const KString lName = lSkeleton.GetTypeName();
        EXPECT_STREQ(lName.Buffer(), lCase.mName);
        EXPECT_FALSE(lName.IsNull());
        ExpectNames(lSkeleton.GetTypeNameList(), lCase.mList);
    }
}

TEST(KRyvNodeAttribute, SetNodeAndUnsetNodeVisitEveryTakeInOrder)
{
    KRyvNode lNode(nullptr, "Arm");
    ASSERT_NE(lNode.AddTakeNode("Walk"), nullptr);
    ASSERT_NE(lNode.AddTakeNode("Run"), nullptr);
    ASSERT_EQ(lNode.GetTakeNodeCount(), 3);
    const std::vector<KRyvTakeNode*> lTakes{lNode.GetTakeNode(0), lNode.GetTakeNode(1),
                                            lNode.GetTakeNode(2)};

    RecordingAttribute lAttribute;
    lAttribute.UnsetNode();
    EXPECT_TRUE(lAttribute.mRemoved.empty());

    lAttribute.SetNode(&lNode);
    EXPECT_EQ(lAttribute.GetNode(), &lNode);
    EXPECT_EQ(lAttribute.mAdded, lTakes);
    EXPECT_TRUE(lAttribute.mRemoved.empty());

    lAttribute.UnsetNode();
    EXPECT_EQ(lAttribute.GetNode(), nullptr);
    EXPECT_EQ(lAttribute.mRemoved, lTakes);
    lAttribute.UnsetNode();
    EXPECT_EQ(lAttribute.mRemoved.size(), 3u);

    lAttribute.mAdded.clear();
    lAttribute.SetNode(nullptr);
    EXPECT_TRUE(lAttribute.mAdded.empty());
}

TEST(KRyvNodeAttribute, DestroyedAttributeOrNodeLeavesTheOther)
{
    KRyvNode lNode(nullptr, "Hand");
    auto lSkeleton = std::make_unique<KRyvSkeleton>(nullptr);
    lNode.SetNodeAttribute(lSkeleton.get());
    ASSERT_EQ(lNode.GetNodeAttribute(), lSkeleton.get());
    EXPECT_EQ(lSkeleton->GetNode(), &lNode);
    EXPECT_EQ(lNode.GetSkeleton(), lSkeleton.get());
    EXPECT_STREQ(lNode.GetTypeName().Buffer(), "Root");
    lSkeleton.reset();
    EXPECT_EQ(lNode.GetNodeAttribute(), nullptr);
    EXPECT_STREQ(lNode.GetTypeName().Buffer(), "Null");

    // The other way round: the attribute forgets a node destroyed first.
    KRyvSkeleton lKept(nullptr);
    {
        KRyvNode lShortLived(nullptr, "Hand");
        lShortLived.SetNodeAttribute(&lKept);
    }
    EXPECT_EQ(lKept.GetNode(), nullptr);
}
