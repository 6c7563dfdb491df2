#include "animation/KFCurve.h"
#include "animation/KFCurveNode.h"
#include "animation/KRyvTakeNode.h"
#include "platform/vurn/MFnAnimCurve.h"
#include "scene/KRyvUserProperty.h"
#include "tests/plugin/export/ExportTestSupport.h"

#include <cmath>

namespace {
class RyvVurnAnimationPassTest : public ExportTest
{
protected:
    void Run()
    {
        mExporter.BeginSteps("animation");
        mExporter.ExportGeometry(RyvVurnExporter::kWalkDepthFirst, RyvVurnExporter::kWalkEveryType);
        mExporter.ExportHierarchy(RyvVurnExporter::kWalkDepthFirst,
                                  RyvVurnExporter::kWalkEveryType);
        mExporter.ExportUserPropertiesTree(mExporter.GetRootNode());
        EXPECT_TRUE(mExporter.ExportAnimation(mExporter.GetRootNode()));
        mExporter.EndSteps();
    }

    KRyvNode* Node(const char* pName) { return Find(mExporter.GetRootNode(), pName); }

    static void Key(int pNode, const char* pPlug, double pFirst, double pSecond)
    {
        MFnAnimCurve lCurve;
        lCurve.create(MFnDependencyNode(MObject::node(pNode)).findPlug(pPlug));
        lCurve.addKey(MTime(0.0), pFirst);
        lCurve.addKey(MTime(1.0), pSecond);
    }

    RyvVurnExporter mExporter;
};
} // namespace

TEST_F(RyvVurnAnimationPassTest, StaticNodesGetNoTakeAndRotationsTurnToDegrees)
{
    VurnFixtures::Transform("still");
    Key(VurnFixtures::Transform("turning"), "rotateY", 0.0, M_PI);
    Run();
    EXPECT_EQ(Node("still")->GetTakeNodeCount(), 1);
    KRyvTakeNode* lTake = Node("turning")->GetCurrentTakeNode();
    ASSERT_STREQ(lTake->GetName().Buffer(), "Take 001");
    EXPECT_FLOAT_EQ(lTake->GetTransformRY()->KeyGetValue(1), 180.0f);
}

TEST_F(RyvVurnAnimationPassTest, VisibilityOnlyAnimation)
{
    const int lNode = VurnFixtures::Transform("blinking");
    Scene().SetNumber(lNode, "visibility", 0);
    MFnAnimCurve lCurve;
    lCurve.create(MFnDependencyNode(MObject::node(lNode)).findPlug("visibility"));
    lCurve.addKey(MTime(0.0), 0.0, MFnAnimCurve::kTangentStep, MFnAnimCurve::kTangentStep);
    lCurve.addKey(MTime(0.5), 1.0, MFnAnimCurve::kTangentStep, MFnAnimCurve::kTangentStep);
    Run();
    KRyvTakeNode* lTake = Node("blinking")->GetCurrentTakeNode();
    ASSERT_STREQ(lTake->GetName().Buffer(), "Take 001");
    EXPECT_EQ(lTake->GetVisibility()->GetKeyCount(), 2);
    EXPECT_EQ(lTake->GetTransformTX()->GetKeyCount(), 0);
    EXPECT_TRUE(Node("blinking")->GetVisibility());
}

TEST_F(RyvVurnAnimationPassTest, AnimatedUserAttributeBecomesItsChannel)
{
    const int lNode = VurnFixtures::JointChain("j", 1)[0];
    VurnAttribute lAttribute;
    lAttribute.mName = "blend";
    lAttribute.mShortName = "blend";
    lAttribute.mUnitType = MFnNumericData::kDouble;
    lAttribute.mApiType = MFn::kNumericAttribute;
    lAttribute.mDynamic = true;
    Scene().AddDynamicAttribute(lNode, lAttribute);
    Key(lNode, "blend", 0.25, 0.75);
    Run();
    KRyvNode* lKit = Node("j1");
    ASSERT_NE(lKit->FindUserProperty("blend"), nullptr);
    KRyvTakeNode* lTake = lKit->GetCurrentTakeNode();
    ASSERT_STREQ(lTake->GetName().Buffer(), "Take 001");
    KFCurveNode* lChannel = lTake->GetKFCurveNode()->FindChild("blend");
    ASSERT_NE(lChannel, nullptr);
    ASSERT_NE(lChannel->GetCurve(), nullptr);
    ASSERT_EQ(lChannel->GetCurve()->GetKeyCount(), 2);
    EXPECT_FLOAT_EQ(lChannel->GetCurve()->KeyGetValue(1), 0.75f);
}

TEST_F(RyvVurnAnimationPassTest, AWalkThatCannotStartFailsThePass)
{
    RyvVurnExporter lExporter;
    lExporter.BeginSteps("walk");
    EXPECT_FALSE(lExporter.ExportGeometry(99, RyvVurnExporter::kWalkEveryType));
    EXPECT_FALSE(lExporter.ExportHierarchy(99, RyvVurnExporter::kWalkEveryType));
    lExporter.EndSteps();
}
