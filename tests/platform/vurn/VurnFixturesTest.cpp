#include "platform/vurn/VurnFixtures.h"
#include "platform/vurn/MFnCamera.h"
#include "platform/vurn/MFnComponent.h"
#include "platform/vurn/MFnDeformers.h"
#include "platform/vurn/MFnLight.h"
#include "platform/vurn/MFnNurbsSurface.h"
#include "platform/vurn/MFnSet.h"
#include "platform/vurn/MFnShaders.h"
#include "platform/vurn/MGlobal.h"
#include "platform/vurn/MItDependency.h"
#include "platform/vurn/MItMesh.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {
class VurnFixturesTest : public ::testing::Test
{
protected:
    void SetUp() override { VurnScene::Reset(); }

    static MDagPath PathOf(int pNode)
    {
        MDagPath lPath;
        MDagPath::getAPathTo(MObject::node(pNode), lPath);
        return lPath;
    }
};
} // namespace

TEST_F(VurnFixturesTest, MeshQueriesAndIterators)
{
    const int lCube = VurnFixtures::Cube("cube");
    VurnScene::Get().SetNumber(lCube, "translateY", 3.0);
    MFnMesh lMesh(PathOf(lCube));
    ASSERT_TRUE(lMesh.isAttached());
    EXPECT_EQ(lMesh.numVertices(), 8);
    EXPECT_EQ(lMesh.numPolygons(), 6);
    MPoint lPoint;
    ASSERT_TRUE(lMesh.getPoint(7, lPoint, MSpace::kWorld));
    EXPECT_DOUBLE_EQ(lPoint.y, 4.0);
    EXPECT_FALSE(lMesh.getPoint(8, lPoint));
    EXPECT_FALSE(lMesh.getPoint(-1, lPoint));

    MItMeshVertex lVertex(PathOf(lCube));
    MVectorArray lNormals;
    ASSERT_TRUE(lVertex.getNormals(lNormals));
    EXPECT_EQ(lNormals.length(), 3u); // a corner touches three faces
    MVector lAverage;
    ASSERT_TRUE(lMesh.getVertexNormal(0, lAverage));
    EXPECT_NEAR(lAverage.x, -1.0 / std::sqrt(3.0), 1e-12);

    MItMeshPolygon lPolygon(PathOf(lCube));
    int lCorners = 0;
    for (; !lPolygon.isDone(); lPolygon.next()) {
        lCorners += static_cast<int>(lPolygon.polygonVertexCount());
        EXPECT_EQ(lPolygon.normalIndex(0), lPolygon.index());
    }
    EXPECT_EQ(lCorners, 24);

    MColorArray lColors;
    ASSERT_TRUE(lMesh.getFaceVertexColors(lColors));
    ASSERT_EQ(lColors.length(), 24u);
    EXPECT_EQ(lColors[1], MColor(0, 1, 0));
    EXPECT_EQ(lColors[4].r, -1.0f);
    int lIndex = -1;
    ASSERT_TRUE(lMesh.getFaceVertexColorIndex(1, 2, lIndex));
    EXPECT_EQ(lIndex, 6);
    int lUV = -1;
    const MString lMap("map1");
    ASSERT_TRUE(lMesh.getPolygonUVid(5, 3, lUV, &lMap));
    EXPECT_EQ(lUV, 23);
    const MString lMissing("nothing");
    EXPECT_FALSE(lMesh.getPolygonUVid(0, 0, lUV, &lMissing));
}

TEST_F(VurnFixturesTest, ShadersSetsAndTextures)
{
    const int lPlane = VurnFixtures::Plane("plane", 3);
    const int lGroup = VurnFixtures::ShaderNetwork("wood", lPlane);
    const MDagPath lShape = PathOf(VurnFixtures::ShapeOf(lPlane));
    MFnMesh lMesh(lShape);
    MObjectArray lSets;
    MIntArray lIndices;
    ASSERT_TRUE(lMesh.getConnectedShaders(0, lSets, lIndices));
    ASSERT_EQ(lSets.length(), 1u);
    EXPECT_EQ(lSets[0], MObject::node(lGroup));
    EXPECT_EQ(lIndices.length(), 9u);
    EXPECT_EQ(lIndices[8], 0);
    EXPECT_FALSE(lMesh.getConnectedShaders(1, lSets, lIndices));
    EXPECT_EQ(MFnSet(MObject::node(lGroup)).restriction(), MFnSet::kRenderableOnly);

    MFnDependencyNode lGroupFn(MObject::node(lGroup));
    MPlugArray lShaders;
    ASSERT_TRUE(lGroupFn.findPlug("surfaceShader").connectedTo(lShaders, true, false));
    MFnPhongShader lPhong(lShaders[0].node());
    ASSERT_TRUE(lPhong.isAttached());
    EXPECT_FLOAT_EQ(lPhong.cosPower(), 12.0f);
    EXPECT_FLOAT_EQ(lPhong.specularColor().r, 0.5f);
    EXPECT_TRUE(MFnLambertShader(lShaders[0].node()).isAttached());

    MObjectArray lTextures;
    ASSERT_TRUE(lMesh.getAssociatedUVSetTextures("map1", lTextures));
    ASSERT_EQ(lTextures.length(), 1u);
    EXPECT_TRUE(lTextures[0].hasFn(MFn::kFileTexture));

    MSelectionList lList;
    lList.add(lShape);
    MObjectArray lAssociated;
    ASSERT_TRUE(MGlobal::getAssociatedSets(lList, lAssociated));
    EXPECT_EQ(lAssociated.length(), 1u);
}

TEST_F(VurnFixturesTest, SkinWeightsByLogicalInfluenceIndex)
{
    const int lCube = VurnFixtures::Cube("cube");
    const std::vector<int> lJoints = VurnFixtures::JointChain("joint", 3);
    const int lSkin = VurnFixtures::Skin(lCube, lJoints);
    MFnSkinCluster lSkinFn(MObject::node(lSkin));
    MDagPathArray lInfluences;
    ASSERT_EQ(lSkinFn.influenceObjects(lInfluences), 3u);
    EXPECT_EQ(lInfluences[2].fullPathName().str(), "|joint1|joint2|joint3");
    EXPECT_EQ(lSkinFn.indexForInfluenceObject(lInfluences[1]), 1u);
    MStatus lStatus;
    lSkinFn.indexForInfluenceObject(PathOf(lCube), &lStatus);
    EXPECT_FALSE(lStatus);

    MFnSingleIndexedComponent lComponent;
    const MObject lAll = lComponent.create(MFn::kMeshVertComponent);
    lComponent.setCompleteData(8);
    MDoubleArray lWeights;
    ASSERT_TRUE(lSkinFn.getWeights(PathOf(VurnFixtures::ShapeOf(lCube)), lAll, 1, lWeights));
    const std::vector<double> lExpected = {0, 1, 0, 0, 1, 0, 0, 1};
    EXPECT_EQ(lWeights.items(), lExpected);

    MObjectArray lInput;
    MObjectArray lOutput;
    lSkinFn.getInputGeometry(lInput);
    lSkinFn.getOutputGeometry(lOutput);
    ASSERT_EQ(lInput.length(), 1u);
    EXPECT_TRUE(MFnDagNode(lInput[0]).isIntermediateObject());
    EXPECT_EQ(lOutput[0], MObject::node(VurnFixtures::ShapeOf(lCube)));

    // The skin lies upstream of the shape; a smoothing node downstream.
    const int lSmooth = VurnFixtures::Smooth("smooth", lCube);
    MFnDependencyNode lShape(lOutput[0]);
    MItDependencyGraph lUp(lShape.findPlug("inMesh"), MFn::kSkinClusterFilter,
                           MItDependencyGraph::kUpstream, MItDependencyGraph::kDepthFirst,
                           MItDependencyGraph::kPlugLevel);
    ASSERT_FALSE(lUp.isDone());
    EXPECT_EQ(lUp.currentItem(), MObject::node(lSkin));
    MItDependencyGraph lDown(lOutput[0], MFn::kPolySmoothFacet);
    ASSERT_FALSE(lDown.isDone());
    EXPECT_EQ(lDown.currentItem(), MObject::node(lSmooth));
    MItDependencyGraph lNone(lShape.findPlug("visibility"), MFn::kInvalid,
                             MItDependencyGraph::kDownstream, MItDependencyGraph::kDepthFirst,
                             MItDependencyGraph::kPlugLevel);
    EXPECT_TRUE(lNone.isDone());
}

TEST_F(VurnFixturesTest, ClustersBlendShapesNurbsCamerasAndLights)
{
    const int lCube = VurnFixtures::Cube("cube");
    const int lCluster = VurnFixtures::Cluster("cluster1", lCube, {1, 3});
    MFnDependencyNode lClusterFn(MObject::node(lCluster));
    MPlugArray lSets;
    ASSERT_TRUE(lClusterFn.findPlug("message").connectedTo(lSets, false, true));
    MSelectionList lMembers;
    ASSERT_TRUE(MFnSet(lSets[0].node()).getMembers(lMembers, true));
    MItSelectionList lComponents(lMembers, MFn::kComponent);
    MDagPath lPath;
    MObject lComponent;
    ASSERT_TRUE(lComponents.getDagPath(lPath, lComponent));
    MItMeshVertex lVertices(lPath, lComponent);
    EXPECT_EQ(lVertices.count(), 2);
    EXPECT_EQ(lClusterFn.findPlug("wl[0].weights").numElements(), 2u);

    const int lBase = VurnFixtures::Cube("base");
    const int lTarget = VurnFixtures::Cube("target");
    const int lBlend = VurnFixtures::BlendShape("blend", lBase, {lTarget});
    MFnBlendShapeDeformer lBlendFn(MObject::node(lBlend));
    MObjectArray lBases;
    MObjectArray lTargets;
    ASSERT_TRUE(lBlendFn.getBaseObjects(lBases));
    ASSERT_TRUE(lBlendFn.getTargets(lBases[0], 0, lTargets));
    EXPECT_EQ(lTargets[0], MObject::node(VurnFixtures::ShapeOf(lTarget)));
    EXPECT_EQ(lBlendFn.numWeights(), 1u);
    EXPECT_FLOAT_EQ(lBlendFn.weight(0), 0.5f);
    EXPECT_FALSE(lBlendFn.getTargets(MObject::node(lTarget), 0, lTargets));

    const int lPatch = VurnFixtures::NurbsPatch("patch");
    MFnNurbsSurface lSurface(PathOf(lPatch));
    EXPECT_EQ(lSurface.numKnotsInU(), lSurface.numCVsInU() + lSurface.degreeU() - 1);
    MPoint lCV;
    ASSERT_TRUE(lSurface.getCV(3, 2, lCV));
    EXPECT_EQ(lCV, MPoint(3, 1, 2));
    EXPECT_FALSE(lSurface.getCV(4, 0, lCV));
    MItSurfaceCV lCVs(PathOf(lPatch));
    int lCount = 0;
    for (; !lCVs.isDone(); lCVs.next()) {
        ++lCount;
    }
    EXPECT_EQ(lCount, 16);

    const int lCamera = VurnFixtures::CameraWithLookAt("shot");
    MDagPath lCameraPath = PathOf(lCamera);
    EXPECT_TRUE(lCameraPath.hasFn(MFn::kCamera));
    EXPECT_DOUBLE_EQ(MFnCamera(lCameraPath).focalLength(), 50.0);
    const int lSpot = VurnFixtures::Light("spot", MFn::kSpotLight);
    EXPECT_TRUE(PathOf(lSpot).hasFn(MFn::kLight));
    EXPECT_NEAR(MFnSpotLight(PathOf(lSpot)).coneAngle(), 40.0 * M_PI / 180.0, 1e-12);
    const int lOther = VurnFixtures::Light("other", MFn::kPointLightKindB);
    EXPECT_TRUE(MFnPointLight(PathOf(lOther)).isAttached());
    EXPECT_FLOAT_EQ(MFnLight(PathOf(lOther)).color().g, 0.5f);
}
