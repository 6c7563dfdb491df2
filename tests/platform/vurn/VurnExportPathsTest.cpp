// The stand-in's support for every path the export takes: scripted failures, three-component
// attributes, values through connections, computed tangents, renaming, and the deformer and
// shading fixtures on meshes and NURBS.

#include "platform/vurn/MFnAnimCurve.h"
#include "platform/vurn/MFnAttribute.h"
#include "platform/vurn/MFnComponent.h"
#include "platform/vurn/MFnMesh.h"
#include "platform/vurn/MFnNurbsSurface.h"
#include "platform/vurn/MFnSet.h"
#include "platform/vurn/MFnShaders.h"
#include "platform/vurn/MGlobal.h"
#include "platform/vurn/MItDependency.h"
#include "platform/vurn/VurnFixtures.h"

#include <gtest/gtest.h>

namespace {
class VurnExportPathsTest : public ::testing::Test
{
protected:
    void SetUp() override { VurnScene::Reset(); }

    static VurnScene& Scene() { return VurnScene::Get(); }

    static MPlug Plug(int pNode, const char* pName)
    {
        return MFnDependencyNode(MObject::node(pNode)).findPlug(pName);
    }

    // The node feeding pNode's plug pName; -1 when it is not connected.
    static int SourceNode(int pNode, const char* pName)
    {
        MPlugArray lSources;
        return Plug(pNode, pName).connectedTo(lSources, true, false) ? lSources[0].nodeId() : -1;
    }
};
} // namespace

TEST_F(VurnExportPathsTest, ScriptedFailuresReachEveryFallback)
{
    const std::vector<int> lJoints = VurnFixtures::JointChain("j", 2);
    MDoubleArray lMatrix;
    ASSERT_TRUE(MGlobal::executeCommand("getAttr j1|j2.worldMatrix", lMatrix));
    EXPECT_DOUBLE_EQ(lMatrix[13], 10.0);

    Scene().mFailingNodes.insert(lJoints[1]);
    EXPECT_FALSE(MGlobal::executeCommand("getAttr j1|j2.worldMatrix", lMatrix));
    int lVisible = 0;
    EXPECT_FALSE(MGlobal::executeCommand("getAttr j1|j2.visibility", lVisible));
    EXPECT_FALSE(MGlobal::executeCommand("setAttr j1|j2.translateX 1"));
    // Other nodes still answer.
    EXPECT_TRUE(MGlobal::executeCommand("getAttr j1.visibility", lVisible));
    EXPECT_EQ(lVisible, 1);

    double lScale = 0.0;
    ASSERT_TRUE(MGlobal::executeCommand("jointDisplayScale -q -a", lScale));
    Scene().mFailingCalls.insert("jointDisplayScale");
    EXPECT_FALSE(MGlobal::executeCommand("jointDisplayScale -q -a", lScale));
    EXPECT_EQ(Scene().GetCommands().back(), "jointDisplayScale -q -a");

    MFnPhongShader lPhong;
    MStatus lStatus;
    EXPECT_FALSE(lPhong.create(true, &lStatus).isNull());
    EXPECT_TRUE(lStatus);
    Scene().mFailingCalls.insert("create phong");
    EXPECT_TRUE(lPhong.create(true, &lStatus).isNull());
    EXPECT_FALSE(lStatus);
    EXPECT_FALSE(MFnLambertShader().create(true, &lStatus).isNull());
}

TEST_F(VurnExportPathsTest, ThreeComponentAttributesAreNumeric)
{
    const int lNode = VurnFixtures::Transform("node");
    VurnAttribute lColor;
    lColor.mName = "tint";
    lColor.mShortName = "tn";
    lColor.mKind = VurnAttributeKind::kCompound;
    lColor.mApiType = MFn::kAttribute3Float;
    lColor.mUnitType = MFnNumericData::k3Float;
    lColor.mUsedAsColor = true;
    lColor.mDynamic = true;
    std::vector<VurnAttribute> lChildren(3);
    const double lDefaults[3] = {0.25, 0.5, 0.75};
    for (int lIndex = 0; lIndex < 3; ++lIndex) {
        lChildren[lIndex].mName = std::string("tint") + "RGB"[lIndex];
        lChildren[lIndex].mShortName = std::string("tn") + "rgb"[lIndex];
        lChildren[lIndex].mApiType = MFn::kNumericAttribute;
        lChildren[lIndex].mUnitType = MFnNumericData::kFloat;
        lChildren[lIndex].mDefault = lDefaults[lIndex];
    }
    const int lTint = Scene().AddDynamicAttribute(lNode, lColor, lChildren);
    ASSERT_GE(lTint, 0);

    MStatus lStatus;
    MFnNumericAttribute lFloat3(MObject::attribute(lTint), &lStatus);
    ASSERT_TRUE(lStatus);
    EXPECT_EQ(lFloat3.unitType(), MFnNumericData::k3Float);
    EXPECT_TRUE(lFloat3.isUsedAsColor());
    float lR = 0.0f;
    float lG = 0.0f;
    float lB = 0.0f;
    ASSERT_TRUE(lFloat3.getDefault(lR, lG, lB));
    EXPECT_FLOAT_EQ(lR, 0.25f);
    EXPECT_FLOAT_EQ(lG, 0.5f);
    EXPECT_FLOAT_EQ(lB, 0.75f);

    MFnNumericAttribute lScale(MObject::attribute(Scene().FindAttribute(lNode, "scale")), &lStatus);
    ASSERT_TRUE(lStatus);
    EXPECT_EQ(lScale.unitType(), MFnNumericData::k3Double);
    EXPECT_FALSE(lScale.isUsedAsColor());
    double lX = 0.0;
    double lY = 0.0;
    double lZ = 0.0;
    ASSERT_TRUE(lScale.getDefault(lX, lY, lZ));
    EXPECT_EQ(lX + lY + lZ, 3.0);

    // A one-value attribute has no three-value default; a matrix is not numeric.
    MFnNumericAttribute lSingle(MObject::attribute(Scene().FindAttribute(lNode, "visibility")));
    EXPECT_EQ(lSingle.unitType(), MFnNumericData::kBoolean);
    EXPECT_FALSE(lSingle.getDefault(lX, lY, lZ));
    MFnNumericAttribute lMatrix(MObject::attribute(Scene().FindAttribute(lNode, "worldMatrix")),
                                &lStatus);
    EXPECT_FALSE(lStatus);
}

TEST_F(VurnExportPathsTest, PlugsReadTheirSourcesValues)
{
    const int lNode = VurnFixtures::Transform("moving");
    VurnFixtures::AnimateChannels(lNode);
    // A value stored under the curve is not what the plug reads.
    Scene().SetNumber(lNode, "translateX", 99.0);
    Scene().mCurrentTime = 0.25;
    EXPECT_DOUBLE_EQ(Plug(lNode, "translateX").asDouble(), 2.5);
    Scene().mCurrentTime = 2.0;
    EXPECT_DOUBLE_EQ(Plug(lNode, "translateX").asDouble(), 10.0);
    double lValue = 0.0;
    ASSERT_TRUE(MGlobal::executeCommand("getAttr moving.translateX", lValue));
    EXPECT_DOUBLE_EQ(lValue, 10.0);

    const int lCube = VurnFixtures::Cube("skinned");
    const std::vector<int> lJoints = VurnFixtures::JointChain("bone", 2);
    const int lSkin = VurnFixtures::Skin(lCube, lJoints);
    MObject lInput;
    MFnDependencyNode lSkinFn(MObject::node(lSkin));
    ASSERT_TRUE(lSkinFn.findPlug("input[0].inputGeometry").getValue(lInput));
    EXPECT_EQ(lInput, MObject::node(SourceNode(lSkin, "input[0].inputGeometry")));
    EXPECT_EQ(MFnMesh(lInput).numVertices(), 8);
    // The shape's own input reads through the skin down to the same geometry.
    MObject lShapeInput;
    ASSERT_TRUE(Plug(VurnFixtures::ShapeOf(lCube), "inMesh").getValue(lShapeInput));
    EXPECT_EQ(lShapeInput, lInput);
    // An influence matrix is the joint's world matrix.
    MDoubleArray lMatrix;
    ASSERT_TRUE(MGlobal::executeCommand("getAttr skinCluster.matrix[1]", lMatrix));
    ASSERT_EQ(lMatrix.length(), 16u);
    EXPECT_DOUBLE_EQ(lMatrix[13], 10.0);
    // Geometry prints as nothing.
    EXPECT_FALSE(MGlobal::executeCommand("getAttr skinCluster.input[0].inputGeometry", lMatrix));
}

TEST_F(VurnExportPathsTest, AConnectionCycleAnswersNoValue)
{
    const int lA = VurnFixtures::Transform("a");
    const int lB = VurnFixtures::Transform("b");
    ASSERT_TRUE(Scene().Connect(lA, "translateX", lB, "translateX"));
    ASSERT_TRUE(Scene().Connect(lB, "translateX", lA, "translateX"));
    MStatus lStatus;
    Plug(lA, "translateX").asDouble(&lStatus);
    EXPECT_FALSE(lStatus);
    VurnPlugPath lPath;
    ASSERT_TRUE(Scene().ParsePlugPath(lA, "translateX", lPath));
    ASSERT_TRUE(Scene().Disconnect(lA, lPath));
    EXPECT_FALSE(Scene().Disconnect(lA, lPath));
    EXPECT_DOUBLE_EQ(Plug(lB, "translateX").asDouble(&lStatus), 0.0);
    EXPECT_TRUE(lStatus);
}

// The export's weight x / (3 dt) must give the default 1/3 for every computed tangent.
TEST_F(VurnExportPathsTest, ComputedTangentsGiveTheDefaultWeight)
{
    const int lNode = VurnFixtures::Transform("node");
    MFnAnimCurve lCurve;
    lCurve.create(Plug(lNode, "rotateZ"));
    const double lTimes[] = {0.0, 0.5, 2.0, 2.25};
    const MFnAnimCurve::TangentType lTypes[] = {
        MFnAnimCurve::kTangentLinear, MFnAnimCurve::kTangentSmooth, MFnAnimCurve::kTangentFlat,
        MFnAnimCurve::kTangentClamped};
    for (int lKey = 0; lKey < 4; ++lKey) {
        lCurve.addKey(MTime(lTimes[lKey]), lKey * 1.5, lTypes[lKey], lTypes[lKey]);
    }
    for (unsigned int lKey = 0; lKey < 4; ++lKey) {
        double lX = 0.0;
        double lY = 0.0;
        if (lKey + 1 < 4) {
            ASSERT_TRUE(lCurve.getTangent(lKey, lX, lY, false));
            EXPECT_NEAR(lX / (3.0 * (lTimes[lKey + 1] - lTimes[lKey])), 1.0 / 3.0, 1e-12) << lKey;
        }
        if (lKey > 0) {
            ASSERT_TRUE(lCurve.getTangent(lKey, lX, lY, true));
            EXPECT_NEAR(lX / (3.0 * (lTimes[lKey] - lTimes[lKey - 1])), 1.0 / 3.0, 1e-12) << lKey;
        }
    }
    // The slope is unchanged: linear from 0 to 1.5 over 0.5 s.
    double lX = 0.0;
    double lY = 0.0;
    ASSERT_TRUE(lCurve.getTangent(0, lX, lY, false));
    EXPECT_DOUBLE_EQ(lY / lX, 3.0);
}

TEST_F(VurnExportPathsTest, RenamesToUniqueNamesAndSelectsOwnLogicalIndex)
{
    MFnPhongShader lFirst;
    lFirst.create();
    EXPECT_EQ(lFirst.setName("Default_Material"), MString("Default_Material"));
    MFnPhongShader lSecond;
    lSecond.create();
    MStatus lStatus;
    EXPECT_EQ(lSecond.setName("Default_Material", &lStatus), MString("Default_Material1"));
    EXPECT_TRUE(lStatus);
    // Renaming a node to its own name keeps it.
    EXPECT_EQ(lFirst.setName("Default_Material"), MString("Default_Material"));
    // DAG names are unique among the siblings of every parent only.
    const int lGroup = VurnFixtures::Transform("group");
    VurnFixtures::Transform("arm", lGroup);
    const int lOther = VurnFixtures::Transform("leg", lGroup);
    const int lTop = VurnFixtures::Transform("top");
    EXPECT_EQ(MFnDependencyNode(MObject::node(lOther)).setName("arm"), MString("arm1"));
    EXPECT_EQ(MFnDependencyNode(MObject::node(lTop)).setName("arm"), MString("arm"));

    const int lCube = VurnFixtures::Cube("cube");
    const int lSkin = VurnFixtures::Skin(lCube, VurnFixtures::JointChain("j", 2));
    MFnDependencyNode lSkinFn(MObject::node(lSkin));
    MPlug lWeights(MObject::node(lSkin), lSkinFn.attribute("wl"));
    ASSERT_TRUE(lWeights.selectAncestorLogicalIndex(5));
    EXPECT_EQ(lWeights.logicalIndex(), 5u);
    MPlug lChild = lWeights.child(0);
    ASSERT_TRUE(lChild.selectAncestorLogicalIndex(3, lSkinFn.attribute("wl")));
    EXPECT_EQ(lChild.parent().logicalIndex(), 3u);
}

TEST_F(VurnExportPathsTest, ClusterGroupIdIsConnected)
{
    const int lCube = VurnFixtures::Cube("cube");
    const int lCluster = VurnFixtures::Cluster("cluster1", lCube, {1, 3});
    const int lGroupId = SourceNode(lCluster, "input[0].groupId");
    ASSERT_GE(lGroupId, 0);
    EXPECT_EQ(Scene().Node(lGroupId)->mType, MFn::kGroupId);
    EXPECT_TRUE(Plug(lCluster, "input[0].groupId").isConnected());
    int lId = 0;
    ASSERT_TRUE(Plug(lCluster, "input[0].groupId").getValue(lId));
    EXPECT_EQ(lId, 1);
}

TEST_F(VurnExportPathsTest, DeformersStackOnOneShape)
{
    const int lBase = VurnFixtures::Cube("base");
    const int lTarget = VurnFixtures::Cube("target");
    const int lShape = VurnFixtures::ShapeOf(lBase);
    const int lBlend = VurnFixtures::BlendShape("blend", lBase, {lTarget});
    const int lSkin = VurnFixtures::Skin(lBase, VurnFixtures::JointChain("j", 2));
    // Orig -> blend -> skin -> shape.
    EXPECT_EQ(SourceNode(lShape, "inMesh"), lSkin);
    EXPECT_EQ(SourceNode(lSkin, "input[0].inputGeometry"), lBlend);
    const int lOrig = SourceNode(lBlend, "input[0].inputGeometry");
    ASSERT_GE(lOrig, 0);
    EXPECT_TRUE(Scene().Node(lOrig)->mIntermediate);
    MObject lGeometry;
    ASSERT_TRUE(Plug(lSkin, "input[0].inputGeometry").getValue(lGeometry));
    EXPECT_EQ(lGeometry, MObject::node(lOrig));
    // The skin is reached downstream from the original geometry.
    MStatus lStatus;
    MItDependencyGraph lDown(MObject::node(lOrig), MFn::kSkinClusterFilter,
                             MItDependencyGraph::kDownstream, MItDependencyGraph::kDepthFirst,
                             MItDependencyGraph::kNodeLevel, &lStatus);
    ASSERT_TRUE(lStatus);
    ASSERT_FALSE(lDown.isDone());
    EXPECT_EQ(lDown.currentItem(), MObject::node(lSkin));
}

TEST_F(VurnExportPathsTest, FixturesBuildOnNurbsSurfaces)
{
    const int lPatch = VurnFixtures::NurbsPatch("patch");
    const int lTarget = VurnFixtures::NurbsPatch("target");
    const int lShape = VurnFixtures::ShapeOf(lPatch);
    const int lBlend = VurnFixtures::BlendShape("blend", lPatch, {lTarget});
    const int lCluster = VurnFixtures::Cluster("cluster1", lPatch, {1, 6});
    const int lSkin = VurnFixtures::Skin(lPatch, VurnFixtures::JointChain("j", 3));
    const int lGroup = VurnFixtures::ShaderNetwork("shader", lPatch);

    EXPECT_EQ(SourceNode(lShape, "create"), lSkin);
    EXPECT_EQ(SourceNode(lSkin, "input[0].inputGeometry"), lCluster);
    EXPECT_EQ(SourceNode(lCluster, "input[0].inputGeometry"), lBlend);
    MObject lGeometry;
    ASSERT_TRUE(Plug(lSkin, "input[0].inputGeometry").getValue(lGeometry));
    EXPECT_EQ(MFnNurbsSurface(lGeometry).numCVsInU(), 4);
    // Sixteen CVs, each weighed on one of the three joints.
    EXPECT_EQ(Plug(lSkin, "wl").numElements(), 16u);

    // The cluster's member is a CV component: index 6 is (u 1, v 2).
    MPlugArray lSets;
    ASSERT_TRUE(Plug(lCluster, "message").connectedTo(lSets, false, true));
    MSelectionList lMembers;
    ASSERT_TRUE(MFnSet(lSets[0].node()).getMembers(lMembers, true));
    MDagPath lPath;
    MObject lComponent;
    ASSERT_TRUE(lMembers.getDagPath(0, lPath, lComponent));
    EXPECT_TRUE(lComponent.hasFn(MFn::kNurbsCVComponent));
    MFnDoubleIndexedComponent lCVs(lComponent);
    int lU = -1;
    int lV = -1;
    ASSERT_TRUE(lCVs.getElement(1, lU, lV));
    EXPECT_EQ(lU, 1);
    EXPECT_EQ(lV, 2);

    MSelectionList lShaded;
    ASSERT_TRUE(MFnSet(MObject::node(lGroup)).getMembers(lShaded, false));
    ASSERT_TRUE(lShaded.getDagPath(0, lPath, lComponent));
    EXPECT_EQ(lPath.node(), MObject::node(lShape));
}
