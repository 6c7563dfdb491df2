#include "platform/vurn/MFnTransform.h"
#include "platform/vurn/MItDag.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {
constexpr double kQuarter = M_PI / 2.0;
constexpr double kTolerance = 1e-9;

class MFnTransformTest : public ::testing::Test
{
protected:
    void SetUp() override { VurnScene::Reset(); }

    static VurnScene& Scene() { return VurnScene::Get(); }

    static void Set3(int pNode, const std::string& pName, double pX, double pY, double pZ)
    {
        ASSERT_TRUE(Scene().SetNumber(pNode, pName + "X", pX)) << pName;
        ASSERT_TRUE(Scene().SetNumber(pNode, pName + "Y", pY)) << pName;
        ASSERT_TRUE(Scene().SetNumber(pNode, pName + "Z", pZ)) << pName;
    }

    static void ExpectPoint(const MPoint& pPoint, double pX, double pY, double pZ)
    {
        EXPECT_NEAR(pPoint.x, pX, kTolerance);
        EXPECT_NEAR(pPoint.y, pY, kTolerance);
        EXPECT_NEAR(pPoint.z, pZ, kTolerance);
    }
};

// The image of (1, 2, 3) under quarter turns about X, Y and Z, worked out by hand for each
// order: a quarter turn maps (x, y, z) to (x, -z, y) about X, (z, y, -x) about Y and (-y, x, z)
// about Z, applied in the order's sequence.
struct OrderCase
{
    MTransformationMatrix::RotationOrder mOrder;
    double mX, mY, mZ;
};

const OrderCase kOrderCases[] = {
    {MTransformationMatrix::kXYZ, 3, 2, -1}, {MTransformationMatrix::kYZX, -2, 1, 3},
    {MTransformationMatrix::kZXY, 1, -3, 2}, {MTransformationMatrix::kXZY, 2, 1, -3},
    {MTransformationMatrix::kYXZ, -1, 3, 2}, {MTransformationMatrix::kZYX, 3, -2, 1},
};
} // namespace

TEST_F(MFnTransformTest, EveryRotationOrderComposesItsAxesInSequence)
{
    for (const OrderCase& lCase : kOrderCases) {
        VurnScene::Reset();
        const int lNode = Scene().CreateNode(MFn::kTransform, "t");
        Set3(lNode, "rotate", kQuarter, kQuarter, kQuarter);
        ASSERT_TRUE(Scene().SetNumber(lNode, "rotateOrder", lCase.mOrder - 1));
        MFnTransform lFn(MObject::node(lNode));
        EXPECT_EQ(lFn.rotationOrder(), lCase.mOrder);
        ExpectPoint(MPoint(1, 2, 3) * lFn.transformation().asMatrix(), lCase.mX, lCase.mY,
                    lCase.mZ);
    }
}

TEST_F(MFnTransformTest, DecomposeRecoversAnglesInEveryOrder)
{
    std::mt19937 lRandom(7);
    std::uniform_real_distribution<double> lAngle(-1.4, 1.4);
    for (int lOrder = MEulerRotation::kXYZ; lOrder <= MEulerRotation::kZYX; ++lOrder) {
        for (int lTrial = 0; lTrial < 20; ++lTrial) {
            const MEulerRotation lIn(lAngle(lRandom), lAngle(lRandom), lAngle(lRandom),
                                     static_cast<MEulerRotation::RotationOrder>(lOrder));
            const MEulerRotation lOut = MEulerRotation::decompose(lIn.asMatrix(), lIn.order);
            EXPECT_TRUE(lOut.asMatrix().isEquivalent(lIn.asMatrix(), 1e-9)) << lOrder;
            EXPECT_NEAR(lOut.x, lIn.x, 1e-9);
            EXPECT_NEAR(lOut.y, lIn.y, 1e-9);
            EXPECT_NEAR(lOut.z, lIn.z, 1e-9);
        }
    }
}

// Every part at once on a joint, followed by hand through the documented sequence:
// (1,2,3) -Sp (0,2,3) *S (0,2,3) +Sp (1,2,3) +St (1,3,3) -Rp (1,3,2) Ro:Z (-3,1,2)
// R:X (-3,-2,1) Jo:Y (1,-2,3) +Rp (1,-2,4) +Rt (2,-2,4) +T (12,-2,4).
TEST_F(MFnTransformTest, PivotsOrientationsAndJointOrientComposeInTheDocumentedOrder)
{
    const int lParent = Scene().CreateNode(MFn::kTransform, "parent");
    const int lJoint = Scene().CreateNode(MFn::kJoint, "joint", lParent);
    Set3(lParent, "translate", 0, 5, 0);
    Set3(lJoint, "scalePivot", 1, 0, 0);
    Set3(lJoint, "scale", 2, 1, 1);
    Set3(lJoint, "scalePivotTranslation", 0, 1, 0);
    Set3(lJoint, "rotatePivot", 0, 0, 1);
    Set3(lJoint, "rotateAxis", 0, 0, kQuarter);
    Set3(lJoint, "rotate", kQuarter, 0, 0);
    Set3(lJoint, "jointOrient", 0, kQuarter, 0);
    Set3(lJoint, "rotatePivotTranslation", 1, 0, 0);
    Set3(lJoint, "translate", 10, 0, 0);

    MDagPath lPath;
    ASSERT_TRUE(MDagPath::getAPathTo(MObject::node(lJoint), lPath));
    MFnIkJoint lFn(lPath);
    ASSERT_TRUE(lFn.isAttached());
    ExpectPoint(MPoint(1, 2, 3) * lFn.transformation().asMatrix(), 12, -2, 4);
    ExpectPoint(MPoint(1, 2, 3) * lPath.inclusiveMatrix(), 12, 3, 4);

    // "worldMatrix" and the getter agree with the path's product.
    VurnValue lWorld;
    VurnPlugPath lPlug;
    ASSERT_TRUE(Scene().ParsePlugPath(lJoint, "worldMatrix[0]", lPlug));
    ASSERT_TRUE(Scene().GetValue(lJoint, lPlug, lWorld));
    EXPECT_TRUE(lWorld.mMatrix.isEquivalent(lPath.inclusiveMatrix(), kTolerance));
    ExpectPoint(lFn.rotatePivot(MSpace::kTransform), 0, 0, 1);
    // The origin's image: (0,0,0) -Sp*S+Sp (-1,0,0) +St (-1,1,0) -Rp (-1,1,-1) Ro (-1,-1,-1)
    // R (-1,1,-1) Jo (-1,1,1) +Rp+Rt+T (10,1,2), then the parent's (0,5,0).
    const MVector lWorldTranslation = lFn.translation(MSpace::kWorld);
    ExpectPoint(MPoint(lWorldTranslation.x, lWorldTranslation.y, lWorldTranslation.z), 10, 6, 2);
}

TEST_F(MFnTransformTest, RotateByAppliesInTransformSpaceAfterTheRotation)
{
    MTransformationMatrix lMatrix;
    lMatrix.setRotation(MEulerRotation(kQuarter, 0, 0));
    ASSERT_TRUE(lMatrix.rotateBy(MEulerRotation(0, 0, kQuarter), MSpace::kTransform));
    // (1,2,3) -X-> (1,-3,2) -Z-> (3,1,2)
    ExpectPoint(MPoint(1, 2, 3) * lMatrix.asMatrix(), 3, 1, 2);
    EXPECT_FALSE(lMatrix.rotateBy(MEulerRotation(), MSpace::kWorld));
}

TEST_F(MFnTransformTest, LimitsAnswerByHostLimitType)
{
    const int lNode = Scene().CreateNode(MFn::kTransform, "t");
    ASSERT_TRUE(Scene().SetNumber(lNode, "maxTransYLimitEnable", 1));
    ASSERT_TRUE(Scene().SetNumber(lNode, "maxTransYLimit", 4.5));
    MFnTransform lFn(MObject::node(lNode));
    EXPECT_TRUE(lFn.isLimited(MFnTransform::kTranslateMaxY));
    EXPECT_DOUBLE_EQ(lFn.limitValue(MFnTransform::kTranslateMaxY), 4.5);
    EXPECT_FALSE(lFn.isLimited(MFnTransform::kRotateMinX));
    MStatus lStatus;
    EXPECT_FALSE(lFn.isLimited(static_cast<MFnTransform::LimitType>(7), &lStatus));
    EXPECT_FALSE(lStatus);
    EXPECT_FALSE(lFn.isLimited(static_cast<MFnTransform::LimitType>(-3), &lStatus));
}

TEST_F(MFnTransformTest, FunctionSetsRefuseObjectsOfOtherTypes)
{
    const int lMesh = Scene().CreateNode(MFn::kMesh, "shape");
    MStatus lStatus;
    MFnTransform lTransform(MObject::node(lMesh), &lStatus);
    EXPECT_FALSE(lStatus);
    EXPECT_FALSE(lTransform.isAttached());
    MEulerRotation lRotation;
    EXPECT_FALSE(lTransform.getRotation(lRotation));
    const int lPlain = Scene().CreateNode(MFn::kTransform, "plain");
    MFnIkJoint lJoint(MObject::node(lPlain), &lStatus);
    EXPECT_FALSE(lStatus);
}

// A child 10 along Y under a parent scaled 2: it sits at 20 either way, and its axes keep
// their length only when it is a joint compensating a parent joint's scale.
TEST_F(MFnTransformTest, JointsCancelTheirParentJointsScaleWhileCompensating)
{
    const struct
    {
        MFn::Type mParent;
        double mCompensate;
        double mAxisLength;
    } lCases[] = {{MFn::kJoint, 1.0, 1.0}, {MFn::kJoint, 0.0, 2.0}, {MFn::kTransform, 1.0, 2.0}};
    for (const auto& lCase : lCases) {
        VurnScene::Reset();
        const int lParent = Scene().CreateNode(lCase.mParent, "parent");
        Set3(lParent, "scale", 2.0, 2.0, 2.0);
        const int lChild = Scene().CreateNode(MFn::kJoint, "child", lParent);
        Set3(lChild, "translate", 0.0, 10.0, 0.0);
        double lDefault = 0.0;
        ASSERT_TRUE(Scene().GetNumber(lChild, "segmentScaleCompensate", lDefault));
        EXPECT_EQ(lDefault, 1.0);
        ASSERT_TRUE(Scene().SetNumber(lChild, "segmentScaleCompensate", lCase.mCompensate));
        MDagPath lPath;
        ASSERT_TRUE(MDagPath::getAPathTo(MObject::node(lChild), lPath));
        ExpectPoint(MPoint(0, 0, 0) * lPath.inclusiveMatrix(), 0.0, 20.0, 0.0);
        ExpectPoint(MPoint(1, 0, 0) * lPath.inclusiveMatrix(), lCase.mAxisLength, 20.0, 0.0);
    }
}
