#include "scene/KRyvPropertySetUtils.h"
#include "scene/KRyvCurveDefaults.h"

#include "animation/KFCurve.h"
#include "animation/KFCurveNode.h"
#include "animation/KRyvTakeNode.h"
#include "object/KProperty.h"
#include "scene/objects/KRyvGenericNode.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

bool KeepSpeed(const KProperty& pProperty)
{
    return std::strcmp(pProperty.GetName(), "Speed") == 0;
}

} // namespace

TEST(KRyvPropertySetUtilsTest, CreateBindsOnceAndRemoveHonoursKeepAndLookup)
{
    KObject lSet;
    KRyvUserProperty lSpeed(nullptr, "Speed", "Real", "Speed");
    KRyvUserProperty lTwin(nullptr, "Speed", "Real", "Speed");
    KRyvCreateUserPropertyOn(&lSet, nullptr, &lSpeed);
    ASSERT_TRUE(lSpeed.IsBound());
    // A name the set has already is left to its first owner.
    KRyvCreateUserPropertyOn(&lSet, nullptr, &lTwin);
    EXPECT_FALSE(lTwin.IsBound());
    EXPECT_EQ(lSet.GetPropertyCount(), 1);

    KRyvRemoveUserPropertyFrom(&lSet, &lSpeed, KeepSpeed);
    EXPECT_NE(lSet.FindProperty("Speed"), nullptr);
    // Without the name lookup an unbound user property takes nothing.
    KRyvRemoveUserPropertyFrom(&lSet, &lTwin, nullptr, false);
    EXPECT_NE(lSet.FindProperty("Speed"), nullptr);
    KRyvRemoveUserPropertyFrom(&lSet, &lSpeed);
    EXPECT_EQ(lSet.FindProperty("Speed"), nullptr);

    KRyvCreateUserPropertyOn(nullptr, nullptr, &lTwin);
    KRyvRemoveUserPropertyFrom(nullptr, &lTwin);
    EXPECT_FALSE(lTwin.IsBound());
}

TEST(KRyvPropertySetUtilsTest, AnimatableCurvesSkipWhatTheFilterPicks)
{
    KRyvGenericNode lNode(nullptr, "Settings");
    KRyvTakeNode* lTake = lNode.AddTakeNode("Walk");
    ASSERT_NE(lTake, nullptr);
    KRyvUserProperty lSpeed(nullptr, "Speed", "Real", nullptr);
    KRyvUserProperty lWeight(nullptr, "Weight", "Real", nullptr);
    KObject* lSet = lNode.GetProperties();
    KRyvCreateUserPropertyOn(lSet, nullptr, &lSpeed);
    KRyvCreateUserPropertyOn(lSet, nullptr, &lWeight);
    for (int i = 0; i < lSet->GetPropertyCount(); ++i) {
        lSet->GetProperty(i)->GetDefinition().SetFlag(KPropertyDefinition::kAnimatable, true);
    }
    std::vector<KProperty*> lList;
    KRyvAppendProperties(lSet, lList);
    KRyvAppendProperties(nullptr, lList);
    ASSERT_EQ(lList.size(), 2u);
    EXPECT_STREQ(lList[0]->GetName(), "Speed");

    KRyvCreateAnimatableCurves(lNode, lSet, lTake, KeepSpeed);
    EXPECT_EQ(lTake->GetKFCurveNode()->Find("Speed"), -1);
    EXPECT_GE(lTake->GetKFCurveNode()->Find("Weight"), 0);
    KRyvRemoveUserPropertyFrom(lSet, &lSpeed);
    KRyvRemoveUserPropertyFrom(lSet, &lWeight);
}

TEST(KRyvCurveDefaultsTest, CurveValuesAreClampedFloats)
{
    constexpr float kMax = std::numeric_limits<float>::max();
    EXPECT_EQ(KRyvToCurveValue(0.1), 0.1f);
    EXPECT_EQ(KRyvToCurveValue(1e300), kMax);
    EXPECT_EQ(KRyvToCurveValue(-1e300), -kMax);
    EXPECT_TRUE(std::isinf(KRyvToCurveValue(std::numeric_limits<double>::infinity())));
    EXPECT_TRUE(std::isnan(KRyvToCurveValue(std::nan(""))));

    KFCurveNode* lRoot = KFCurveNode::Create("Root", nullptr, 0, 0);
    ASSERT_NE(lRoot, nullptr);
    KFCurve* lCurve = KRyvAddCurveChild(lRoot, "Color");
    ASSERT_NE(lCurve, nullptr);
    KRyvSetCurveDefault(lCurve, 1e300);
    EXPECT_EQ(lCurve->GetDefaultValue(), kMax);
    KRyvSetCurveDefault(nullptr, 1.0);
    // Names compare without case, as the curve-node lookup does.
    KFCurveNode* lChild = KRyvFindChildCurveNode(lRoot, "color");
    ASSERT_NE(lChild, nullptr);
    EXPECT_EQ(lChild->GetCurve(), lCurve);
    EXPECT_EQ(KRyvFindChildCurveNode(lRoot, "Colour"), nullptr);
    EXPECT_EQ(KRyvFindChildCurveNode(nullptr, "Color"), nullptr);
    EXPECT_EQ(KRyvFindDefaultCurve(nullptr, "Color"), nullptr);
    KFCurveNode::Destroy(lRoot);
}
