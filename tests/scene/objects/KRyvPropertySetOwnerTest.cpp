#include "animation/KFCurve.h"
#include "animation/KFCurveNode.h"
#include "animation/KRyvTakeNode.h"
#include "scene/KRyvUserProperty.h"
#include "scene/objects/KRyvDeformer.h"
#include "scene/objects/KRyvGenericNode.h"
#include "scene/objects/KRyvPose.h"
#include "tests/support/SceneTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// What every scene object with a property set of its own shares: the set names the object as its
// owner, user properties live on the set and as channels in every take, and a changed value
// reaches take 0.

namespace {

struct OwnerCase
{
    const char* mName;
    std::function<std::unique_ptr<KRyvTakeNodeContainer>()> mMake;
};

template <class T> std::unique_ptr<KRyvTakeNodeContainer> Make(const char* pName)
{
    return MakeNamedObject<T>(pName);
}

const OwnerCase kOwners[] = {
    {"Material", [] { return Make<KRyvMaterial>("M"); }},
    {"Texture", [] { return Make<KRyvTexture>("T"); }},
    {"Video", [] { return Make<KRyvVideo>("V"); }},
    {"GenericNode", [] { return Make<KRyvGenericNode>("G"); }},
    {"Pose", [] { return std::make_unique<KRyvPose>(nullptr, "P", true); }},
    {"Skin", [] { return std::make_unique<KRyvDeformer>(nullptr, "S", "Skin"); }},
    {"Cluster", [] { return std::make_unique<KRyvDeformer>(nullptr, "C", "Cluster"); }},
};

class KRyvPropertySetOwnerTest : public ::testing::TestWithParam<OwnerCase>
{
};

bool HasChannel(KRyvTakeNode* pTake, const char* pName)
{
    return pTake->GetKFCurveNode()->Find(pName) >= 0;
}

} // namespace

TEST_P(KRyvPropertySetOwnerTest, UserPropertiesLiveOnTheSetAndInEveryTake)
{
    std::unique_ptr<KRyvTakeNodeContainer> lOwner = GetParam().mMake();
    KObject* lSet = lOwner->GetProperties();
    ASSERT_NE(lSet, nullptr);
    EXPECT_EQ(lSet->GetOwnerObject(), dynamic_cast<KObjectOwner*>(lOwner.get()));
    const int lMembers = lSet->GetPropertyCount();
    ASSERT_NE(lOwner->AddTakeNode("Walk"), nullptr);

    KRyvUserProperty lGlow(nullptr, "Glow", "Real", "Glow");
    lGlow.SetFlag(KRyvUserProperty::kFlagAnimatable, true);
    KRyvUserProperty lLabel(nullptr, "Label", "Integer", nullptr);
    lOwner->AddUserProperty(&lGlow);
    lOwner->AddUserProperty(&lLabel);
    ASSERT_TRUE(lGlow.IsBound());
    ASSERT_TRUE(lLabel.IsBound());
    EXPECT_EQ(lSet->GetPropertyCount(), lMembers + 2);
    std::vector<KProperty*> lListed;
    lOwner->GetUserProperties(lListed);
    EXPECT_EQ(lListed.size(), static_cast<size_t>(lMembers + 2));
    EXPECT_TRUE(HasChannel(lOwner->GetTakeNode(0), "Glow"));
    EXPECT_TRUE(HasChannel(lOwner->GetTakeNode(1), "Glow"));
    EXPECT_FALSE(HasChannel(lOwner->GetTakeNode(0), "Label"));

    // A written value reaches the current take through the set.
    ASSERT_TRUE(lGlow.SetValue(2.5));
    EXPECT_EQ(lOwner->GetTakeNode(0)->GetCurve("Glow")->GetDefaultValue(), 2.5);
    // Take 0 is linked: a curve change flows back into the property.
    lOwner->GetTakeNode(0)->GetCurve("Glow")->SetDefaultValue(6.0f);
    double lValue = 0.0;
    ASSERT_TRUE(lGlow.GetValue(lValue));
    EXPECT_EQ(lValue, 6.0);

    lOwner->OnUserPropertyRemoved(&lGlow);
    EXPECT_FALSE(lGlow.IsBound());
    EXPECT_EQ(lSet->FindProperty("Glow"), nullptr);
    EXPECT_FALSE(HasChannel(lOwner->GetTakeNode(1), "Glow"));
    EXPECT_EQ(lSet->GetPropertyCount(), lMembers + 1);
    // A user property bound to a member never removes the member.
    if (lMembers > 0) {
        KProperty* lMember = lSet->GetProperty(0);
        KRyvUserProperty lClash(nullptr, lMember);
        lOwner->OnUserPropertyRemoved(&lClash);
        EXPECT_EQ(lSet->FindProperty(lMember->GetName()), lMember);
    }
}

INSTANTIATE_TEST_SUITE_P(AllOwners, KRyvPropertySetOwnerTest, ::testing::ValuesIn(kOwners),
                         [](const ::testing::TestParamInfo<OwnerCase>& pInfo) {
                             return std::string(pInfo.param.mName);
                         });
