#include "scene/KRyvTakeNodeContainer.h"
#include "animation/KFCurve.h"
#include "animation/KFCurveNode.h"
#include "animation/KRyvTakeNode.h"
#include "core/KVector4.h"
#include "object/KDataType.h"
#include "object/KObject.h"
#include "scene/KRyvUserProperty.h"
#include "tests/support/SceneTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

class TestContainer;

// The container's property set: forwards user-property changes as a node's block does.
class TestSet : public KObject, public KRyvUserPropertyNotifyTarget
{
public:
    void OnUserPropertyChanged(KRyvUserProperty* pUserProperty) override;
    TestContainer* mOwner = nullptr;
};

// A container shaped like a node: "Transform" with T/R/S and X/Y/Z curves linked to the "Lcl"
// properties in the default take, and curves for every other animatable property.
class TestContainer : public KRyvTakeNodeContainer
{
public:
    TestContainer() : KRyvTakeNodeContainer(nullptr, "Box", &mError)
    {
        mSet.mOwner = this;
        mTranslation = mSet.CreateProperty("Lcl Translation", kPropertyTypeVector3D,
                                           FindDataType("Lcl Translation"), true);
        mWeight = mSet.CreateProperty("Weight", kPropertyTypeDouble, nullptr, true);
        mCount = mSet.CreateProperty("Count", kPropertyTypeInt, nullptr, true);
        mFlag = mSet.CreateProperty("Flag", kPropertyTypeBool, nullptr, true);
        mOffset = mSet.CreateProperty("Offset", kPropertyTypeVector3D, nullptr, true);
        mFour = mSet.CreateProperty("Four", kPropertyTypeVector4D, nullptr, true);
        mStill = mSet.CreateProperty("Still", kPropertyTypeDouble, nullptr, false);
        AddDefaultTakeNode();
    }

    int GetObjectType() const override { return kTypeNode; }
    KObject* GetProperties() const override { return const_cast<TestSet*>(&mSet); }
    void GetUserProperties(std::vector<KProperty*>& ioProperties) const override
    {
        for (int i = 0; i < mSet.GetPropertyCount(); ++i) {
            ioProperties.push_back(mSet.GetProperty(i));
        }
    }

    void InitTakeNode(KRyvTakeNode* pTake) override
    {
        ++mInitCount;
        KFCurveNode* lRoot = pTake->GetKFCurveNode();
        KFCurveNode* lTransform = KFCurveNode::Create("Transform");
        KFCurveNode* lT = KFCurveNode::Create("T", FindDataType("Lcl Translation"), 1);
        KVector4 lValue;
        mTranslation->GetValue(lValue);
        const char* const lAxes[] = {"X", "Y", "Z"};
        for (int i = 0; i < 3; ++i) {
            KFCurveNode* lAxis = KFCurveNode::Create(lAxes[i]);
            KFCurve* lCurve = KFCurve::Create();
            lCurve->SetDefaultValue(static_cast<float>(lValue[i]));
            lAxis->SetCurve(lCurve);
            if (IsDefaultTakeNode(pTake)) {
                LinkPropertyToCurve(mTranslation, i, lCurve);
            }
            lT->Add(lAxis);
        }
        lTransform->Add(lT);
        lRoot->Add(lTransform);
        for (int i = 0; i < mSet.GetPropertyCount(); ++i) {
            KProperty* lProperty = mSet.GetProperty(i);
            if (lProperty != mTranslation && lProperty->IsAnimatable()) {
                CreatePropertyCurves(lProperty, pTake);
            }
        }
    }

    void OnCurrentTakeNodeChanged() override { ++mTakeChanges; }

    KFCurve* Curve(int pTake, const char* pPath)
    {
        KRyvTakeNode* lTake = GetTakeNode(pTake);
        KFCurveNode* lNode = lTake ? lTake->GetKFCurveNode() : nullptr;
        std::string lPath(pPath);
        std::size_t lStart = 0;
        while (lNode != nullptr && lStart <= lPath.size()) {
            const std::size_t lEnd = lPath.find('/', lStart);
            const std::string lStep =
                lPath.substr(lStart, lEnd == std::string::npos ? std::string::npos : lEnd - lStart);
            KFCurveNode* lNext = nullptr;
            for (int i = 0; i < lNode->GetCount(); ++i) {
                if (lStep == lNode->Get(i)->GetName()) {
                    lNext = lNode->Get(i);
                }
            }
            lNode = lNext;
            if (lEnd == std::string::npos) {
                break;
            }
            lStart = lEnd + 1;
        }
        return lNode ? lNode->GetCurve() : nullptr;
    }

    KError mError;
    TestSet mSet;
    KProperty* mTranslation;
    KProperty* mWeight;
    KProperty* mCount;
    KProperty* mFlag;
    KProperty* mOffset;
    KProperty* mFour;
    KProperty* mStill;
    int mInitCount = 0;
    int mTakeChanges = 0;
};

void TestSet::OnUserPropertyChanged(KRyvUserProperty* pUserProperty)
{
    mOwner->UpdateUserPropertyDefaults(pUserProperty);
}

std::string LastError(TestContainer& pContainer)
{
    return pContainer.GetError().GetLastErrorString().Buffer();
}

} // namespace

TEST(KRyvTakeNodeContainer, NewContainerAndTakeSwitches)
{
    TestContainer lBox;
    EXPECT_EQ(lBox.GetTakeNodeCount(), 1);
    EXPECT_EQ(lBox.GetCurrentTakeNodeIndex(), 0);
    EXPECT_STREQ(lBox.GetCurrentTakeNodeName(), "Default");
    EXPECT_EQ(lBox.GetDefaultTakeNode(), lBox.GetTakeNode(0));
    EXPECT_EQ(lBox.mInitCount, 1);
    EXPECT_EQ(lBox.mTakeChanges, 1);
    EXPECT_EQ(lBox.GetTakeNode(1), nullptr);
    EXPECT_EQ(LastError(lBox), "Take node does not exist");
    EXPECT_EQ(lBox.GetTakeNodeName(-1), nullptr);
    // T/X/Y/Z, Weight, Count, Flag, Offset X/Y/Z, Four X/Y/Z/toto; "Still" is not animatable.
    EXPECT_EQ(lBox.GetPropertyCurveLinkCount(), 3 + 1 + 1 + 1 + 3 + 4);
    EXPECT_EQ(lBox.Curve(0, "Still"), nullptr);

    // Switching by name (case matters) and by index; a refusal falls back to take 0.
    lBox.AddTakeNode("A");
    lBox.AddTakeNode("B");
    EXPECT_TRUE(lBox.SetCurrentTakeNode("B"));
    EXPECT_EQ(lBox.GetCurrentTakeNodeIndex(), 2);
    EXPECT_FALSE(lBox.SetCurrentTakeNode("b"));
    EXPECT_EQ(LastError(lBox), "Unknown take node name");
    EXPECT_EQ(lBox.GetCurrentTakeNodeIndex(), 0);
    EXPECT_TRUE(lBox.SetCurrentTakeNode(1));
    EXPECT_FALSE(lBox.SetCurrentTakeNode(5));
    EXPECT_EQ(LastError(lBox), "Index out of range");
    EXPECT_EQ(lBox.GetCurrentTakeNodeIndex(), 0);
    EXPECT_FALSE(lBox.SetCurrentTakeNode(-1));
    EXPECT_FALSE(lBox.SetCurrentTakeNode(static_cast<const char*>(nullptr)));
}

TEST(KRyvTakeNodeContainer, AddTakeNodeCopiesTakeZero)
{
    TestContainer lBox;
    KFCurve* lWeight0 = lBox.Curve(0, "Weight");
    ASSERT_NE(lWeight0, nullptr);
    lWeight0->KeyAdd(Seconds(1.0), 4.0f);
    const int lLinks = lBox.GetPropertyCurveLinkCount();

    KRyvTakeNode* lTake = lBox.AddTakeNode("Take1");
    ASSERT_NE(lTake, nullptr);
    EXPECT_EQ(lBox.mInitCount, 1);
    EXPECT_EQ(lBox.GetCurrentTakeNodeIndex(), 0);
    EXPECT_STREQ(lBox.GetTakeNodeName(1), "Take1");
    EXPECT_EQ(lBox.GetPropertyCurveLinkCount(), lLinks);
    KFCurve* lWeight1 = lBox.Curve(1, "Weight");
    ASSERT_NE(lWeight1, nullptr);
    ASSERT_NE(lWeight1, lWeight0);
    EXPECT_EQ(lWeight1->GetKeyCount(), 1);
    EXPECT_EQ(lWeight1->GetCallbackCount(), 0);
    ASSERT_NE(lBox.Curve(1, "Transform/T/X"), nullptr);

    lWeight1->KeyAdd(Seconds(2.0), 5.0f);
    lWeight1->SetDefaultValue(9.0f);
    EXPECT_EQ(lWeight0->GetKeyCount(), 1);
    EXPECT_EQ(lWeight0->GetDefaultValue(), 0.0);
    // A curve of another take is not linked: the property keeps its value.
    EXPECT_EQ(lBox.mWeight->GetValueAsDouble(), 0.0);

    EXPECT_EQ(lBox.AddTakeNode("Take1"), nullptr);
    EXPECT_EQ(LastError(lBox), "Take node already exists");
    EXPECT_NE(lBox.AddTakeNode("take1"), nullptr);
    EXPECT_EQ(lBox.GetTakeNodeCount(), 3);
}

TEST(KRyvTakeNodeContainer, RemoveTakeNodeKeepsTheCurrentTake)
{
    TestContainer lBox;
    lBox.AddTakeNode("A");
    lBox.AddTakeNode("B");
    lBox.AddTakeNode("C");
    EXPECT_FALSE(lBox.RemoveTakeNode(0));
    EXPECT_EQ(LastError(lBox), "Cannot remove default take node");
    EXPECT_FALSE(lBox.RemoveTakeNode(4));
    EXPECT_EQ(LastError(lBox), "Index out of range");
    EXPECT_FALSE(lBox.RemoveTakeNode(-1));
    EXPECT_EQ(lBox.GetTakeNodeCount(), 4);

    // A current take after the removed one stays current.
    ASSERT_TRUE(lBox.SetCurrentTakeNode("C"));
    const int lChanges = lBox.mTakeChanges;
    EXPECT_TRUE(lBox.RemoveTakeNode(1));
    EXPECT_EQ(lBox.GetCurrentTakeNodeIndex(), 2);
    EXPECT_STREQ(lBox.GetCurrentTakeNodeName(), "C");
    EXPECT_EQ(lBox.mTakeChanges, lChanges + 1);

    // Removing the current take makes the one before it current.
    EXPECT_TRUE(lBox.RemoveTakeNode(2));
    EXPECT_STREQ(lBox.GetCurrentTakeNodeName(), "B");

    // A current take before the removed one is left alone.
    lBox.AddTakeNode("D");
    ASSERT_TRUE(lBox.SetCurrentTakeNode(0));
    const int lBefore = lBox.mTakeChanges;
    EXPECT_TRUE(lBox.RemoveTakeNode(2));
    EXPECT_EQ(lBox.GetCurrentTakeNodeIndex(), 0);
    EXPECT_EQ(lBox.mTakeChanges, lBefore);
}

TEST(KRyvTakeNodeContainer, AnimationIntervalAndIsAnimated)
{
    TestContainer lBox;
    KTime lStart = Seconds(2.0);
    KTime lStop = Seconds(2.0);
    EXPECT_FALSE(lBox.GetAnimationInterval(lStart, lStop));
    EXPECT_EQ(lStart, Seconds(2.0));
    EXPECT_EQ(lStop, Seconds(2.0));

    lBox.Curve(0, "Weight")->KeyAdd(Seconds(1.0), 1.0f);
    lBox.Curve(0, "Transform/T/Y")->KeyAdd(Seconds(3.0), 1.0f);
    EXPECT_TRUE(lBox.GetAnimationInterval(lStart, lStop));
    EXPECT_EQ(lStart, Seconds(1.0));
    EXPECT_EQ(lStop, Seconds(3.0));
    // Keys in take 0 only do not count as animation.
    EXPECT_FALSE(lBox.IsAnimated("Weight", nullptr, static_cast<const char*>(nullptr)));

    lBox.AddTakeNode("Walk");
    EXPECT_TRUE(lBox.IsAnimated("Weight", nullptr, static_cast<const char*>(nullptr)));
    EXPECT_TRUE(lBox.IsAnimated("Transform", "T", "Y"));
    EXPECT_FALSE(lBox.IsAnimated("Transform", "T", "X"));
    EXPECT_FALSE(lBox.IsAnimated("Count", nullptr, static_cast<const char*>(nullptr)));
}

TEST(KRyvTakeNodeContainer, LinkedCurveWritesIntoTheProperty)
{
    TestContainer lBox;
    lBox.Curve(0, "Count")->SetDefaultValue(3.7f);
    EXPECT_EQ(lBox.mCount->GetValueAsInt(), 3);
    lBox.Curve(0, "Count")->SetDefaultValue(-2.9f);
    EXPECT_EQ(lBox.mCount->GetValueAsInt(), -2);
    lBox.Curve(0, "Flag")->SetDefaultValue(1.0f);
    EXPECT_EQ(lBox.mFlag->GetValueAsInt(), 1);
    lBox.Curve(0, "Weight")->SetDefaultValue(0.1f);
    // Single precision: the property receives the float's value, not 0.1.
    EXPECT_EQ(lBox.mWeight->GetValueAsDouble(), static_cast<double>(0.1f));
    EXPECT_NE(lBox.mWeight->GetValueAsDouble(), 0.1);

    lBox.Curve(0, "Offset/Y")->SetDefaultValue(2.5f);
    KVector4 lOffset;
    ASSERT_TRUE(lBox.mOffset->GetValue(lOffset));
    EXPECT_EQ(lOffset[0], 0.0);
    EXPECT_EQ(lOffset[1], 2.5);
    EXPECT_EQ(lOffset[2], 0.0);

    lBox.Curve(0, "Transform/T/Z")->SetDefaultValue(7.0f);
    KVector4 lTranslation;
    ASSERT_TRUE(lBox.mTranslation->GetValue(lTranslation));
    EXPECT_EQ(lTranslation[2], 7.0);

    // A value that does not fit an int is not converted.
    lBox.Curve(0, "Count")->SetDefaultValue(1e30f);
    EXPECT_EQ(lBox.mCount->GetValueAsInt(), -2);
}

TEST(KRyvTakeNodeContainer, WritingDefaultsDoesNotBounceBack)
{
    TestContainer lBox;
    ASSERT_TRUE(lBox.mWeight->SetValueAsDouble(0.1));
    ASSERT_TRUE(lBox.mOffset->SetValue(KVector4(1.1, 2.2, 3.3, 1.0)));
    lBox.UpdateDefaultTakeFromProperties();
    EXPECT_EQ(lBox.Curve(0, "Weight")->GetDefaultValue(), static_cast<double>(0.1f));
    EXPECT_EQ(lBox.Curve(0, "Offset/Z")->GetDefaultValue(), static_cast<double>(3.3f));
    // The property keeps its double value: the quiet write did not call the link.
    EXPECT_EQ(lBox.mWeight->GetValueAsDouble(), 0.1);
    KVector4 lOffset;
    ASSERT_TRUE(lBox.mOffset->GetValue(lOffset));
    EXPECT_EQ(lOffset[2], 3.3);
    EXPECT_EQ(lBox.Curve(0, "Weight")->GetCallbackCount(), 1);
}

TEST(KRyvTakeNodeContainer, DestroyedCurveDropsItsLink)
{
    TestContainer lBox;
    const int lLinks = lBox.GetPropertyCurveLinkCount();
    KFCurveNode* lWeight = lBox.GetTakeNode(0)->GetKFCurveNode()->FindChild("Weight");
    ASSERT_NE(lWeight, nullptr);
    lWeight->SetCurve(nullptr);
    EXPECT_EQ(lBox.GetPropertyCurveLinkCount(), lLinks - 1);
    for (int i = 0; i < lBox.GetPropertyCurveLinkCount(); ++i) {
        EXPECT_NE(lBox.GetPropertyCurveLink(i)->mProperty.GetProperty(), lBox.mWeight);
    }
    KRyvPropertyCurveLink* lLink = lBox.GetPropertyCurveLink(0);
    lBox.UnlinkPropertyCurve(lLink);
    EXPECT_EQ(lLink, nullptr);
    EXPECT_EQ(lBox.GetPropertyCurveLinkCount(), lLinks - 2);
    lBox.UnlinkAllPropertyCurves();
    EXPECT_EQ(lBox.GetPropertyCurveLinkCount(), 0);
    EXPECT_EQ(lBox.GetPropertyCurveLink(0), nullptr);
}

TEST(KRyvTakeNodeContainer, LinkArgumentsAreCheckedAndVanishedPropertiesSkipped)
{
    TestContainer lBox;
    KFCurve* lCurve = lBox.Curve(0, "Weight");
    const int lLinks = lBox.GetPropertyCurveLinkCount();
    EXPECT_EQ(lBox.LinkPropertyToCurve(static_cast<KProperty*>(nullptr), 0, lCurve), nullptr);
    EXPECT_EQ(lBox.LinkPropertyToCurve(lBox.mStill, 0, nullptr), nullptr);
    EXPECT_EQ(lBox.LinkPropertyToCurve(lBox.mStill, 4, lCurve), nullptr);
    EXPECT_EQ(lBox.LinkPropertyToCurve(lBox.mStill, -1, lCurve), nullptr);
    EXPECT_EQ(lBox.LinkPropertyToCurve(lBox.mWeight, 0, lCurve), lBox.GetPropertyCurveLink(3));
    EXPECT_EQ(lBox.GetPropertyCurveLinkCount(), lLinks);
    // A link to a vanished property writes nothing.
    ASSERT_TRUE(lBox.mSet.RemoveProperty(lBox.mWeight));
    lCurve->SetDefaultValue(3.0f);
    EXPECT_EQ(lBox.GetPropertyCurveLink(3)->mProperty.GetProperty(), nullptr);
}

TEST(KRyvTakeNodeContainer, ChannelNamesAndCounts)
{
    TestContainer lBox;
    EXPECT_NE(lBox.Curve(0, "Four/toto"), nullptr);
    EXPECT_NE(lBox.Curve(0, "Four/X"), nullptr);
    KRyvTakeNode* lTake = lBox.GetTakeNode(0);
    EXPECT_EQ(lTake->GetKFCurveNode()->FindChild("Four")->GetCount(), 4);
    EXPECT_EQ(KRyvTakeNodeContainer::GetChannelCount(lBox.mFour), 4);
    EXPECT_EQ(KRyvTakeNodeContainer::GetChannelCount(lBox.mOffset), 3);
    EXPECT_EQ(KRyvTakeNodeContainer::GetChannelCount(lBox.mCount), 1);
    EXPECT_EQ(KRyvTakeNodeContainer::GetChannelCount(nullptr), 1);
    EXPECT_EQ(std::string(KRyvTakeNodeContainer::GetCurveNodeName("Lcl Rotation").Buffer()), "R");
    EXPECT_EQ(std::string(KRyvTakeNodeContainer::GetCurveNodeName("lcl rotation").Buffer()),
              "lcl rotation");
    EXPECT_EQ(KRyvTakeNodeContainer::GetChannelName(4), nullptr);
    lBox.Curve(0, "Four/toto")->SetDefaultValue(0.5f);
    KVector4 lFour;
    ASSERT_TRUE(lBox.mFour->GetValue(lFour));
    EXPECT_EQ(lFour[3], 0.5);
    // Colours of new curves.
    const float* lColor = lBox.Curve(0, "Offset/Y")->GetColor();
    EXPECT_EQ(lColor[0], 0.0f);
    EXPECT_EQ(lColor[1], 1.0f);
    lColor = lBox.Curve(0, "Weight")->GetColor();
    EXPECT_EQ(lColor[0], 0.75f);
    // Nothing is made twice.
    const int lChildren = lTake->GetKFCurveNode()->GetCount();
    lBox.CreatePropertyCurves(lBox.mWeight, lTake);
    lBox.CreatePropertyCurves(nullptr, lTake);
    lBox.CreatePropertyCurves(lBox.mWeight, nullptr);
    EXPECT_EQ(lTake->GetKFCurveNode()->GetCount(), lChildren);
}

TEST(KRyvTakeNodeContainer, AnimatableVectorUserPropertyGetsChannelsInEveryTake)
{
    TestContainer lBox;
    lBox.AddTakeNode("Walk");
    KProperty* lAim = lBox.mSet.CreateProperty("Aim", kPropertyTypeVector3D, nullptr);
    ASSERT_TRUE(lAim->SetValue(KVector4(1.0, 2.0, 0.3, 1.0)));
    KRyvUserProperty lUser(nullptr, lAim);
    lUser.SetFlag(KRyvUserProperty::kFlagAnimatable, true);
    lUser.SetNotifyTarget(&lBox.mSet);
    const int lLinks = lBox.GetPropertyCurveLinkCount();
    lBox.AddUserProperty(&lUser);

    EXPECT_TRUE(lAim->GetFlag(KProperty::kAnimated));
    EXPECT_EQ(lBox.GetPropertyCurveLinkCount(), lLinks + 3);
    for (int lTake = 0; lTake < 2; ++lTake) {
        ASSERT_NE(lBox.Curve(lTake, "Aim/X"), nullptr);
        ASSERT_NE(lBox.Curve(lTake, "Aim/Z"), nullptr);
        EXPECT_EQ(lBox.Curve(lTake, "Aim/Z")->GetDefaultValue(), static_cast<double>(0.3f));
    }
    EXPECT_EQ(lBox.Curve(0, "Aim/Y")->GetCallbackCount(), 1);
    EXPECT_EQ(lBox.Curve(1, "Aim/Y")->GetCallbackCount(), 0);

    lBox.Curve(0, "Aim/Y")->SetDefaultValue(5.0f);
    KVector4 lValue;
    ASSERT_TRUE(lAim->GetValue(lValue));
    EXPECT_EQ(lValue[1], 5.0);
    lBox.Curve(1, "Aim/X")->SetDefaultValue(6.0f);
    ASSERT_TRUE(lAim->GetValue(lValue));
    EXPECT_EQ(lValue[0], 1.0);

    // A write through the user property reaches the current take and take 0, float-rounded.
    ASSERT_TRUE(lBox.SetCurrentTakeNode("Walk"));
    EXPECT_TRUE(lUser.SetValue(0.7, 0.8, 0.9));
    EXPECT_EQ(lBox.Curve(0, "Aim/X")->GetDefaultValue(), static_cast<double>(0.7f));
    EXPECT_EQ(lBox.Curve(1, "Aim/X")->GetDefaultValue(), static_cast<double>(0.7f));
    ASSERT_TRUE(lAim->GetValue(lValue));
    EXPECT_EQ(lValue[0], 0.7);

    lBox.OnUserPropertyRemoved(&lUser);
    EXPECT_EQ(lBox.Curve(0, "Aim/X"), nullptr);
    EXPECT_EQ(lBox.Curve(1, "Aim/X"), nullptr);
    EXPECT_EQ(lBox.GetPropertyCurveLinkCount(), lLinks);
}

TEST(KRyvTakeNodeContainer, NonAnimatableUserPropertyGetsNoChannel)
{
    TestContainer lBox;
    KRyvUserProperty lUser(nullptr, "Note", "Real", "");
    const int lChildren = lBox.GetTakeNode(0)->GetKFCurveNode()->GetCount();
    lBox.AddUserProperty(&lUser);
    EXPECT_EQ(lBox.GetTakeNode(0)->GetKFCurveNode()->GetCount(), lChildren);
    lBox.UpdateUserPropertyDefaults(&lUser);
    lBox.UpdateUserPropertyDefaults(nullptr);
    EXPECT_EQ(lBox.GetTakeNode(0)->GetKFCurveNode()->GetCount(), lChildren);
}

TEST(KRyvTakeNodeContainer, UserPropertyNamedLikeAChannelLeavesTheTransformAlone)
{
    TestContainer lBox;
    lBox.AddTakeNode("Walk");
    KFCurve* lTX0 = lBox.Curve(0, "Transform/T/X");
    KFCurve* lTX1 = lBox.Curve(1, "Transform/T/X");
    lTX0->SetDefaultValue(4.0f);
    const int lLinks = lBox.GetPropertyCurveLinkCount();

    const char* const lNames[] = {"X", "T", "S", "transform"};
    for (const char* lName : lNames) {
        KRyvUserProperty lUser(nullptr, lName, "Real", "");
        lUser.SetFlag(KRyvUserProperty::kFlagAnimatable, true);
        lBox.AddUserProperty(&lUser);
        lBox.UpdateUserPropertyDefaults(&lUser);
        EXPECT_EQ(lBox.Curve(0, "Transform/T/X"), lTX0) << lName;
        EXPECT_EQ(lTX0->GetDefaultValue(), 4.0) << lName;
        lBox.OnUserPropertyRemoved(&lUser);
        EXPECT_EQ(lBox.Curve(0, "Transform/T/X"), lTX0) << lName;
        EXPECT_EQ(lBox.Curve(1, "Transform/T/X"), lTX1) << lName;
        EXPECT_EQ(lBox.GetPropertyCurveLinkCount(), lLinks) << lName;
    }
    KVector4 lTranslation;
    ASSERT_TRUE(lBox.mTranslation->GetValue(lTranslation));
    EXPECT_EQ(lTranslation[0], 4.0);
}

TEST(KRyvTakeNodeContainer, UnboundUserPropertyGetsChannelsWithoutLinks)
{
    TestContainer lBox;
    KRyvUserProperty lUser(nullptr, "X", "Vector", "");
    lUser.SetFlag(KRyvUserProperty::kFlagAnimatable, true);
    const int lLinks = lBox.GetPropertyCurveLinkCount();
    lBox.AddUserProperty(&lUser);
    EXPECT_NE(lBox.Curve(0, "X/Y"), nullptr);
    EXPECT_EQ(lBox.GetPropertyCurveLinkCount(), lLinks);
    KRyvUserProperty lReal(nullptr, "Gain", "Real", "");
    lReal.SetFlag(KRyvUserProperty::kFlagAnimatable, true);
    lBox.AddUserProperty(&lReal);
    ASSERT_NE(lBox.Curve(0, "Gain"), nullptr);
    EXPECT_EQ(lBox.Curve(0, "Gain")->GetDefaultValue(), 0.0);
}

TEST(KRyvTakeNodeContainer, TranslationUserPropertyUpdatesTheTransformChannel)
{
    TestContainer lBox;
    KRyvUserProperty lUser(nullptr, lBox.mTranslation);
    lUser.SetNotifyTarget(&lBox.mSet);
    lUser.SetFlag(KRyvUserProperty::kFlagAnimatable, true);
    const int lChildren = lBox.GetTakeNode(0)->GetKFCurveNode()->GetCount();
    const int lLinks = lBox.GetPropertyCurveLinkCount();
    lBox.AddUserProperty(&lUser);
    // The existing T channel is reused: nothing new at the root, no second link.
    EXPECT_EQ(lBox.GetTakeNode(0)->GetKFCurveNode()->GetCount(), lChildren);
    EXPECT_EQ(lBox.GetPropertyCurveLinkCount(), lLinks);

    EXPECT_TRUE(lUser.SetValue(1.1, 2.0, -3.3));
    EXPECT_EQ(lBox.Curve(0, "Transform/T/X")->GetDefaultValue(), static_cast<double>(1.1f));
    EXPECT_EQ(lBox.Curve(0, "Transform/T/Z")->GetDefaultValue(), static_cast<double>(-3.3f));
    KVector4 lValue;
    ASSERT_TRUE(lBox.mTranslation->GetValue(lValue));
    EXPECT_EQ(lValue[0], 1.1);
}

TEST(KRyvTakeNodeContainer, UpdateAfterRemovingTheCurrentTakeWritesTakeZero)
{
    TestContainer lBox;
    lBox.AddTakeNode("A");
    ASSERT_TRUE(lBox.SetCurrentTakeNode(1));
    ASSERT_TRUE(lBox.RemoveTakeNode(1));
    EXPECT_EQ(lBox.GetCurrentTakeNodeIndex(), 0);
    KRyvUserProperty lUser(nullptr, lBox.mOffset);
    lUser.SetFlag(KRyvUserProperty::kFlagAnimatable, true);
    ASSERT_TRUE(lBox.mOffset->SetValue(KVector4(0.5, 0.25, 0.125, 1.0)));
    lBox.mError.ClearLastError();
    lBox.UpdateUserPropertyDefaults(&lUser);
    EXPECT_EQ(lBox.mError.GetLastErrorID(), -1);
    EXPECT_EQ(lBox.Curve(0, "Offset/Y")->GetDefaultValue(), 0.25);
}
