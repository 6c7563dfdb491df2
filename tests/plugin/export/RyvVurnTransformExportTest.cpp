#include "plugin/export/RyvVurnTransformExport.h"
#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"
#include "core/KMatrixFunctions.h"
#include "platform/vurn/MFnTransform.h"
#include "scene/objects/KRyvNodeLimits.h"
#include "tests/plugin/export/ExportTestSupport.h"

#include <cmath>

namespace {
constexpr double kDegrees = 180.0 / M_PI;

class RyvVurnTransformExportTest : public ExportTest
{
protected:
    RyvVurnNode* NodeFor(int pHostNode)
    {
        const MDagPath lPath = PathOf(pHostNode);
        return mFactory.CreateNode("node", &lPath);
    }

    static void SetTriple(int pNode, const char* pName, double pX, double pY, double pZ)
    {
        const std::string lName = pName;
        Scene().SetNumber(pNode, (lName + "X").c_str(), pX);
        Scene().SetNumber(pNode, (lName + "Y").c_str(), pY);
        Scene().SetNumber(pNode, (lName + "Z").c_str(), pZ);
    }

    RyvVurnObjectFactory mFactory{0};
};

void ExpectVector(const KVector4& pActual, double pX, double pY, double pZ)
{
    EXPECT_NEAR(pActual[0], pX, 1e-9);
    EXPECT_NEAR(pActual[1], pY, 1e-9);
    EXPECT_NEAR(pActual[2], pZ, 1e-9);
}
} // namespace

TEST_F(RyvVurnTransformExportTest, PivotsJointOrientAndRotateAxis)
{
    const int lJoint = VurnFixtures::JointChain("j", 1)[0];
    SetTriple(lJoint, "jointOrient", 10 / kDegrees, 20 / kDegrees, 30 / kDegrees);
    SetTriple(lJoint, "rotateAxis", 0.0, 0.0, 90 / kDegrees);
    SetTriple(lJoint, "rotatePivot", 1, 2, 3);
    SetTriple(lJoint, "scalePivotTranslation", -1, 0, 4);
    RyvVurnNode* lNode = NodeFor(lJoint);
    ExportPivots(lNode, 0);
    ExpectVector(lNode->GetPreRotation(0), 10, 20, 30);
    ExpectVector(lNode->GetPostRotation(0), 0, 0, -90);
    ExpectVector(lNode->GetRotationPivot(0), 1, 2, 3);
    EXPECT_EQ(lNode->GetRotationPivot(0)[3], 1.0);
    ExpectVector(lNode->GetScalingOffset(0), -1, 0, 4);
    int lState = -1;
    lNode->GetPivotState(0, lState);
    EXPECT_EQ(lState, KRyvPivotSet::kPivotActive);
    EXPECT_TRUE(lNode->GetLimits().GetRotationActive());
    // A node without a host path is left alone.
    RyvVurnNode* lBare = mFactory.CreateNode("bare", nullptr);
    ExportPivots(lBare, 0);
    lBare->GetPivotState(0, lState);
    EXPECT_EQ(lState, KRyvPivotSet::kPivotReference);
}

TEST_F(RyvVurnTransformExportTest, LimitsByKindAndAxis)
{
    const int lNode = VurnFixtures::Transform("limited");
    Scene().SetNumber(lNode, "maxTransYLimitEnable", 1);
    Scene().SetNumber(lNode, "maxTransYLimit", 7.5);
    Scene().SetNumber(lNode, "minRotZLimitEnable", 1);
    Scene().SetNumber(lNode, "minRotZLimit", -M_PI / 2);
    RyvVurnNode* lKit = NodeFor(lNode);
    ExportLimits(lKit);
    const KRyvNodeLimits& lLimits = lKit->GetLimits();
    EXPECT_TRUE(lLimits.GetTranslationActive());
    bool lFlags[3];
    lLimits.GetLimit(0)->GetMaxActive(lFlags[0], lFlags[1], lFlags[2]);
    EXPECT_FALSE(lFlags[0]);
    EXPECT_TRUE(lFlags[1]);
    EXPECT_FALSE(lFlags[2]);
    ExpectVector(lLimits.GetLimit(0)->GetMax(), 0, 7.5, 0);
    lLimits.GetLimit(0)->GetMinActive(lFlags[0], lFlags[1], lFlags[2]);
    EXPECT_FALSE(lFlags[0] || lFlags[1] || lFlags[2]);
    EXPECT_TRUE(lLimits.GetRotationActive());
    ExpectVector(lLimits.GetLimit(1)->GetMin(), 0, 0, -90);
    EXPECT_FALSE(lLimits.GetScalingActive());
}

TEST_F(RyvVurnTransformExportTest, RotationOrdersAndLightCameraPostRotations)
{
    const int lNode = VurnFixtures::Transform("ordered");
    RyvVurnNode* lKit = NodeFor(lNode);
    const int lKitOrders[7] = {-1, 0, 2, 4, 1, 3, 5};
    // The plug holds the order less one (0 XYZ), as the host's enumeration does.
    for (int lHost = 1; lHost <= 6; ++lHost) {
        Scene().SetNumber(lNode, "rotateOrder", lHost - 1);
        ExportRotationOrder(lKit);
        int lOrder = -1;
        lKit->GetRotationOrder(0, lOrder);
        EXPECT_EQ(lOrder, lKitOrders[lHost]) << lHost;
    }
    Scene().SetNumber(lNode, "rotateOrder", 8);
    ExportRotationOrder(lKit);
    int lOrder = -1;
    lKit->GetRotationOrder(0, lOrder);
    EXPECT_EQ(lOrder, 5);

    // The kit's light axis (-Z) and camera axis turned onto the host's.
    RyvVurnNode* lSpot = NodeFor(VurnFixtures::Light("spot", MFn::kSpotLight));
    ExportLightCameraPostRotation(lSpot, MFnTransform(lSpot->GetDagPath()->transform()));
    ExpectVector(lSpot->GetPostRotation(0), -90, 0, 0);
    const int lCameraNode = VurnFixtures::Transform("cam");
    Scene().CreateNode(MFn::kCamera, "camShape", lCameraNode);
    RyvVurnNode* lCamera = NodeFor(lCameraNode);
    ExportLightCameraPostRotation(lCamera, MFnTransform(lCamera->GetDagPath()->transform()));
    ExpectVector(lCamera->GetPostRotation(0), 0, -90, 0);
    const int lSubKind = VurnFixtures::Transform("sub");
    Scene().CreateNode(MFn::kCameraSubKind, "subShape", lSubKind);
    RyvVurnNode* lSub = NodeFor(lSubKind);
    ExportLightCameraPostRotation(lSub, MFnTransform(lSub->GetDagPath()->transform()));
    ExpectVector(lSub->GetPostRotation(0), 0, 0, 0);
}

TEST_F(RyvVurnTransformExportTest, DefaultsAndVisibilityCurve)
{
    const int lNode = VurnFixtures::Transform("moved", VurnScene::kWorld, MVector(1, 2, 3));
    Scene().SetNumber(lNode, "rotateY", M_PI);
    Scene().SetNumber(lNode, "scaleZ", 4);
    RyvVurnNode* lKit = NodeFor(lNode);
    KRyvTakeNode* lTake = lKit->GetDefaultTakeNode();
    ExportTransformDefaults(MFnTransform(PathOf(lNode)), lTake);
    EXPECT_FLOAT_EQ(static_cast<float>(lTake->GetTransformTZ()->GetDefaultValue()), 3.0f);
    EXPECT_FLOAT_EQ(static_cast<float>(lTake->GetTransformRY()->GetDefaultValue()), 180.0f);
    EXPECT_FLOAT_EQ(static_cast<float>(lTake->GetTransformSZ()->GetDefaultValue()), 4.0f);

    KFCurve lCurve;
    EXPECT_FALSE(ExportVisibilityCurve(lKit, lCurve, nullptr));
    VurnFixtures::AnimateChannels(lNode);
    lKit->SetVisibility(false);
    EXPECT_TRUE(ExportVisibilityCurve(lKit, lCurve, nullptr));
    EXPECT_EQ(lCurve.GetKeyCount(), 2);
    EXPECT_TRUE(lKit->GetVisibility());
}

TEST_F(RyvVurnTransformExportTest, CachedGlobalTransformsFollowTheParents)
{
    const int lTop = VurnFixtures::Transform("top", VurnScene::kWorld, MVector(10, 0, 0));
    Scene().SetNumber(lTop, "scaleX", 2);
    const int lMiddle = VurnFixtures::Transform("middle", lTop, MVector(0, 5, 0));
    Scene().SetNumber(lMiddle, "rotateZ", M_PI / 2);
    const int lLeaf = VurnFixtures::Transform("leaf", lMiddle, MVector(1, 0, 0));
    RyvVurnExporter lExporter;
    lExporter.BeginSteps("cache");
    lExporter.ExportGeometry(1, 0);
    lExporter.ExportHierarchy(1, 0);
    lExporter.CacheGlobalTransforms(lExporter.GetRootNode());
    lExporter.EndSteps();
    const auto* lTopNode = dynamic_cast<RyvVurnNode*>(Find(lExporter.GetRootNode(), "top"));
    const auto* lLeafNode = dynamic_cast<RyvVurnNode*>(Find(lExporter.GetRootNode(), "leaf"));
    ASSERT_NE(lTopNode, nullptr);
    ASSERT_NE(lLeafNode, nullptr);
    double lT[3];
    double lS[3];
    lTopNode->GetCachedTranslation(lT);
    lTopNode->GetCachedScaling(lS);
    EXPECT_NEAR(lT[0], 10.0, 1e-9);
    EXPECT_NEAR(lS[0], 2.0, 1e-9);
    // The host's own world matrix of the leaf is what the cache chain gives.
    const MMatrix lWorld = PathOf(lLeaf).inclusiveMatrix();
    lLeafNode->GetCachedTranslation(lT);
    EXPECT_NEAR(lT[0], lWorld(3, 0), 1e-9);
    EXPECT_NEAR(lT[1], lWorld(3, 1), 1e-9);
    double lR[3];
    lLeafNode->GetCachedRotation(lR);
    EXPECT_NEAR(lR[2], 90.0, 1e-9);
}

// Pre-rotation = joint orient and post-rotation = the inverse rotate axis, split into nulls,
// give back the host's world matrix of every joint.
TEST_F(RyvVurnTransformExportTest, PivotsToNullsKeepTheHostJointFrames)
{
    const std::vector<int> lJoints = VurnFixtures::JointChain("j", 3);
    SetTriple(lJoints[0], "translate", 1, 2, 3);
    SetTriple(lJoints[1], "rotateAxis", 0.3, -0.2, 0.5);
    SetTriple(lJoints[1], "rotate", 0.1, 0.7, -0.4);
    SetTriple(lJoints[2], "jointOrient", -0.6, 0.25, 0.9);
    SetTriple(lJoints[2], "rotateAxis", 0.2, 0.1, -0.3);
    GetOptionStore().SetBool(kExportPivotToNull, true);
    RyvVurnExporter lExporter;
    ASSERT_TRUE(lExporter.Export(mFolder.PathOf("nulls.ryv").c_str()));
    for (int lIndex = 0; lIndex < 3; ++lIndex) {
        const std::string lName = "j" + std::to_string(lIndex + 1) + "__Post_";
        KRyvNode* lFrame = Find(lExporter.GetRootNode(), lName.c_str());
        ASSERT_NE(lFrame, nullptr) << lName;
        lFrame->InvalidateMatrixCaches(true);
        const KMatrix& lKit = lFrame->GetDefaultGlobalMatrix();
        const MMatrix lHost = PathOf(lJoints[static_cast<size_t>(lIndex)]).inclusiveMatrix();
        for (int lRow = 0; lRow < 4; ++lRow) {
            for (int lColumn = 0; lColumn < 3; ++lColumn) {
                EXPECT_NEAR(lKit.Get(lRow, lColumn), lHost(lRow, lColumn), 1e-4)
                    << lName << " " << lRow << "," << lColumn;
            }
        }
    }
}
