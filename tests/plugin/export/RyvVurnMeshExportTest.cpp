#include "platform/vurn/MFnDeformers.h"
#include "platform/vurn/MFnMesh.h"
#include "platform/vurn/VurnSnapshot.h"
#include "plugin/export/RyvVurnMaterialExport.h"
#include "plugin/export/RyvVurnMeshChecks.h"
#include "scene/objects/KRyvLink.h"
#include "scene/objects/KRyvMaterial.h"
#include "scene/objects/KRyvMesh.h"
#include "tests/plugin/export/ExportReadBack.h"
#include "tests/plugin/export/GeometryExportTestSupport.h"

#include <cmath>

namespace {
constexpr double kInverseRoot3 = 0.57735026918962576;

class RyvVurnMeshExportTest : public GeometryExportTest
{
protected:
    KRyvMesh* Mesh(const char* pName)
    {
        KRyvNode* lNode = Node(pName);
        return lNode ? dynamic_cast<KRyvMesh*>(lNode->GetNodeAttribute()) : nullptr;
    }

    // The cube with one normal per face-vertex (24 normals), as a mesh with hard edges has.
    static void HardenEdges(int pCube)
    {
        VurnMeshData& lMesh = MeshOf(pCube);
        const std::vector<MVector> lFaceNormals = lMesh.mNormals;
        lMesh.mNormals.clear();
        for (int lFace = 0; lFace < 6; ++lFace) {
            for (int lCorner = 0; lCorner < 4; ++lCorner) {
                lMesh.mNormals.push_back(lFaceNormals[static_cast<size_t>(lFace)]);
                lMesh.mNormalIds[static_cast<size_t>(lFace)][static_cast<size_t>(lCorner)] =
                    4 * lFace + lCorner;
            }
        }
    }
};

void ExpectVector(const KVector4& pActual, double pX, double pY, double pZ, double pW)
{
    EXPECT_NEAR(pActual[0], pX, 1e-9);
    EXPECT_NEAR(pActual[1], pY, 1e-9);
    EXPECT_NEAR(pActual[2], pZ, 1e-9);
    EXPECT_NEAR(pActual[3], pW, 1e-9);
}
} // namespace

TEST_F(RyvVurnMeshExportTest, CubePointsPolygonsAndAveragedNormalsInObjectSpace)
{
    VurnFixtures::Cube("box",
                       VurnFixtures::Transform("moved", VurnScene::kWorld, MVector(5, 6, 7)));
    Walk();
    KRyvMesh* lMesh = Mesh("box");
    ASSERT_NE(lMesh, nullptr);
    EXPECT_EQ(Node("box")->GetShadingMode(), 4);
    ASSERT_EQ(lMesh->GetControlPointCount(), 8);
    for (int lCorner = 0; lCorner < 8; ++lCorner) {
        const double lX = lCorner & 1 ? 1 : -1;
        const double lY = lCorner & 2 ? 1 : -1;
        const double lZ = lCorner & 4 ? 1 : -1;
        ExpectVector(lMesh->GetControlPoints()[lCorner], lX, lY, lZ, 1.0);
        // Every corner lies on three faces: the averaged normal points along the diagonal.
        ExpectVector(lMesh->GetNormalsDirect()[lCorner], lX * kInverseRoot3, lY * kInverseRoot3,
                     lZ * kInverseRoot3, 1.0);
    }
    EXPECT_EQ(lMesh->GetNormalsMappingMode(), 0);
    const int lQuads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                              {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    ASSERT_EQ(lMesh->GetPolygonCount(), 6);
    for (int lPolygon = 0; lPolygon < 6; ++lPolygon) {
        ASSERT_EQ(lMesh->GetPolygonSize(lPolygon), 4);
        for (int lCorner = 0; lCorner < 4; ++lCorner) {
            EXPECT_EQ(lMesh->GetPolygonVertex(lPolygon, lCorner), lQuads[lPolygon][lCorner]);
        }
    }
}

TEST_F(RyvVurnMeshExportTest, HardEdgesGiveOneNormalPerPolygonVertexOnlyWithTheOption)
{
    HardenEdges(VurnFixtures::Cube("box"));
    Walk();
    EXPECT_EQ(Mesh("box")->GetNormalsMappingMode(), 0);
    EXPECT_EQ(Mesh("box")->GetNormalsDirectCount(), 8);

    GetOptionStore().SetBool(kExportHardEdges, true);
    RyvVurnExporter lExporter;
    Walk(&lExporter);
    auto* lMesh = dynamic_cast<KRyvMesh*>(Find(lExporter.GetRootNode(), "box")->GetNodeAttribute());
    ASSERT_NE(lMesh, nullptr);
    EXPECT_EQ(lMesh->GetNormalsMappingMode(), 1);
    ASSERT_EQ(lMesh->GetNormalsDirectCount(), 24);
    const double lFaceNormals[6][3] = {{0, 0, -1}, {0, 0, 1},  {0, -1, 0},
                                       {0, 1, 0},  {-1, 0, 0}, {1, 0, 0}};
    for (int lCorner = 0; lCorner < 24; ++lCorner) {
        const double* lNormal = lFaceNormals[lCorner / 4];
        ExpectVector(lMesh->GetNormalsDirect()[lCorner], lNormal[0], lNormal[1], lNormal[2], 1.0);
    }
    // After the passes every polygon vertex gets a point of its own; no point was shared by
    // coincidence, so nothing is reported.
    lExporter.CheckCoincidentVertices(lExporter.GetRootNode());
    EXPECT_EQ(lMesh->GetControlPointCount(), 24);
    EXPECT_EQ(lMesh->GetPolygonVertex(5, 3), 23);
    lExporter.EndSteps();
    EXPECT_FALSE(Logged("Vertices 0 and 8 of mesh Model::box have the same 3D coordinate."));
}

TEST_F(RyvVurnMeshExportTest, UVSetsLandOnLayerZeroOrOnTheirTexturesLayer)
{
    const int lCube = VurnFixtures::Cube("box");
    VurnUVSet lSecond = MeshOf(lCube).mUVSets[0];
    lSecond.mName = "map2";
    for (float& lU : lSecond.mU) {
        lU += 10.0f;
    }
    lSecond.mIds[0][0] = -1;
    MeshOf(lCube).mUVSets.push_back(lSecond);
    Walk();
    // Neither set has a texture: both land on layer 0 and the later one wins.
    KLayerElementUV* lUVs = Mesh("box")->GetLayer(0)->GetUVs();
    ASSERT_NE(lUVs, nullptr);
    EXPECT_EQ(lUVs->GetMappingMode(), KLayerElement::eByPolygonVertex);
    EXPECT_EQ(lUVs->GetReferenceMode(), KLayerElement::eIndexToDirect);
    ASSERT_EQ(lUVs->GetDirectArray().size(), 24u);
    EXPECT_DOUBLE_EQ(lUVs->GetDirectArray()[1][0], 11.0);
    EXPECT_DOUBLE_EQ(lUVs->GetDirectArray()[2][1], 1.0);
    ASSERT_EQ(lUVs->GetIndexArray().size(), 24u);
    EXPECT_EQ(lUVs->GetIndexArray()[0], -1);
    EXPECT_EQ(lUVs->GetIndexArray()[23], 23);
}

TEST_F(RyvVurnMeshExportTest, VertexColoursPartlySetGiveZeroesAndUnsetGiveNoElement)
{
    VurnFixtures::Cube("box");
    VurnFixtures::Plane("flat");
    Walk();
    EXPECT_EQ(Mesh("flat")->GetLayer(0)->GetVertexColors(), nullptr);
    KLayerElementVertexColor* lColors = Mesh("box")->GetLayer(0)->GetVertexColors();
    ASSERT_NE(lColors, nullptr);
    EXPECT_EQ(lColors->GetMappingMode(), KLayerElement::eByPolygonVertex);
    EXPECT_EQ(lColors->GetReferenceMode(), KLayerElement::eIndexToDirect);
    ASSERT_EQ(lColors->GetDirectArray().size(), 24u);
    const KColor& lGreen = lColors->GetDirectArray()[1];
    EXPECT_EQ(std::vector<double>({lGreen.mRed, lGreen.mGreen, lGreen.mBlue, lGreen.mAlpha}),
              std::vector<double>({0, 1, 0, 1}));
    const KColor& lUnset = lColors->GetDirectArray()[4];
    EXPECT_EQ(std::vector<double>({lUnset.mRed, lUnset.mGreen, lUnset.mBlue, lUnset.mAlpha}),
              std::vector<double>({0, 0, 0, 0}));
    std::vector<int> lIndices(24);
    for (int lIndex = 0; lIndex < 24; ++lIndex) {
        lIndices[static_cast<size_t>(lIndex)] = lIndex;
    }
    EXPECT_EQ(lColors->GetIndexArray(), lIndices);
}

TEST_F(RyvVurnMeshExportTest, TwoShadersMapByPolygonAndOneShaderMapsAllSame)
{
    const int lTwo = VurnFixtures::Cube("two");
    Scene().SetNumber(Shade("red", lTwo, {0, 2, 4}), "colorR", 1.0);
    Shade("blue", lTwo, {1, 3, 5});
    Shade("plain", VurnFixtures::Cube("one"));
    Walk();
    KRyvMesh* lTwoMesh = Mesh("two");
    KLayerElementMaterial* lMaterials = lTwoMesh->GetLayer(0)->GetMaterials();
    ASSERT_NE(lMaterials, nullptr);
    EXPECT_EQ(lMaterials->GetMappingMode(), KLayerElement::eByPolygon);
    EXPECT_EQ(lMaterials->GetIndexArray(), std::vector<int>({0, 1, 0, 1, 0, 1}));
    ASSERT_EQ(lTwoMesh->GetMaterialCount(), 2);
    EXPECT_STREQ(lTwoMesh->GetMaterial(0)->GetName().Buffer(), "Material::red");
    EXPECT_DOUBLE_EQ(lTwoMesh->GetMaterial(0)->GetDiffuseColor().mRed, 1.0);
    EXPECT_STREQ(lTwoMesh->GetMaterial(1)->GetName().Buffer(), "Material::blue");
    KLayerElementMaterial* lOne = Mesh("one")->GetLayer(0)->GetMaterials();
    EXPECT_EQ(lOne->GetMappingMode(), KLayerElement::eAllSame);
    EXPECT_EQ(lOne->GetIndexArray(), std::vector<int>({0}));
    // No texture anywhere: no texture element either.
    EXPECT_EQ(lTwoMesh->GetLayer(0)->GetTextures(), nullptr);
}

TEST_F(RyvVurnMeshExportTest, UnshadedPolygonsUseATemporaryDefaultMaterial)
{
    // A user shader of that name is neither used nor touched.
    const int lUser = Scene().CreateNode(MFn::kPhong, "Default_Material");
    Scene().SetNumber(lUser, "colorR", 0.9);
    const int lCube = VurnFixtures::Cube("box");
    Shade("red", lCube, {0});
    const VurnSnapshot lBefore = VurnSnapshot::Take();
    Walk();
    EXPECT_EQ(lBefore.Diff(VurnSnapshot::Take()), std::vector<std::string>());
    EXPECT_TRUE(Scene().IsAlive(lUser));
    EXPECT_EQ(Commands("delete Default_Material1"), 1);
    KRyvMesh* lMesh = Mesh("box");
    ASSERT_EQ(lMesh->GetMaterialCount(), 2);
    // The default material goes by the name the host gave its shader, not the user's.
    KRyvMaterial* lDefault = lMesh->GetMaterial(1);
    EXPECT_STREQ(lDefault->GetName().Buffer(), "Material::Default_Material1");
    EXPECT_NEAR(lDefault->GetDiffuseColor().mGreen, 0.5, 1e-6);
    EXPECT_NEAR(lDefault->GetAmbientColor().mBlue, 0.4, 1e-6);
    EXPECT_NEAR(lDefault->GetShininess(), 3.0 / 128.0, 1e-6);
    EXPECT_EQ(lMesh->GetLayer(0)->GetMaterials()->GetIndexArray(),
              std::vector<int>({0, 1, 1, 1, 1, 1}));
}

TEST_F(RyvVurnMeshExportTest, ADefaultShaderThatCannotBeMadeLeavesThePolygonsWithout)
{
    const int lCube = VurnFixtures::Cube("box");
    Shade("red", lCube, {0, 1});
    Scene().mFailingCalls.insert("create phong");
    Walk();
    EXPECT_EQ(Mesh("box")->GetLayer(0)->GetMaterials()->GetIndexArray(),
              std::vector<int>({0, 0, -1, -1, -1, -1}));
    EXPECT_EQ(Commands("delete"), 0);
}

TEST_F(RyvVurnMeshExportTest, TopologyMismatchIsReportedAndLeavesNoMesh)
{
    const int lCube = VurnFixtures::Cube("box");
    VurnFixtures::Skin(lCube, VurnFixtures::JointChain("bone", 2));
    // The skin's undeformed input lost a point: the reference no longer matches.
    const int lOrig = Scene().FindNode("boxShapeOrig");
    Scene().MutableNode(lOrig)->mMesh->mPoints.pop_back();
    GetOptionStore().SetBool(kExportShowUI, true);
    Walk();
    auto* lNode = dynamic_cast<RyvVurnNode*>(Node("box"));
    ASSERT_NE(lNode, nullptr);
    EXPECT_EQ(lNode->GetNodeAttribute(), nullptr);
    EXPECT_TRUE(lNode->GetMismatch());
    mExporter.EndSteps();
    EXPECT_TRUE(Logged("RYV Export Warning: Mismatched number of vertices between the original "
                       "and the final mesh of the node:  Model::box"));
    EXPECT_TRUE(Logged("This problem is most likely caused by unsupported operators in the "
                       "construction hystory."));
    EXPECT_EQ(Commands("confirmDialog"), 1);
}

TEST_F(RyvVurnMeshExportTest, ASkinnedMeshIsReadFromTheSkinsInputOnlyWithBindPose)
{
    const int lCube = VurnFixtures::Cube("box");
    VurnFixtures::Skin(lCube, VurnFixtures::JointChain("bone", 2));
    MeshOf(lCube).mPoints[0] = MPoint(-4, -4, -4);
    Walk();
    ExpectVector(Mesh("box")->GetControlPoints()[0], -1, -1, -1, 1);

    GetOptionStore().SetBool(kExportBindPose, false);
    RyvVurnExporter lExporter;
    Walk(&lExporter);
    auto* lMesh = dynamic_cast<KRyvMesh*>(Find(lExporter.GetRootNode(), "box")->GetNodeAttribute());
    ExpectVector(lMesh->GetControlPoints()[0], -4, -4, -4, 1);
    lExporter.EndSteps();
}

TEST_F(RyvVurnMeshExportTest, SmoothingBehindASkinIsSwitchedOffWhileReadAndRestored)
{
    const int lCube = VurnFixtures::Cube("box");
    VurnFixtures::Skin(lCube, VurnFixtures::JointChain("bone", 2));
    const int lSmooth = VurnFixtures::Smooth("smooth", lCube);
    Scene().SetNumber(lSmooth, "divisions", 3);
    // A hidden transform over a visible shape: the shape stays visible.
    Scene().SetNumber(lCube, "visibility", 0);
    const VurnSnapshot lBefore = VurnSnapshot::Take();
    Walk();
    EXPECT_EQ(lBefore.Diff(VurnSnapshot::Take()), std::vector<std::string>());
    EXPECT_EQ(Commands("getAttr \"smooth.divisions\""), 1);
    EXPECT_EQ(Commands("setAttr \"smooth.divisions\" 0"), 1);
    EXPECT_EQ(Commands("setAttr \"smooth.divisions\" 3"), 1);
    double lShapeVisible = 0.0;
    Scene().GetNumber(VurnFixtures::ShapeOf(lCube), "visibility", lShapeVisible);
    EXPECT_EQ(lShapeVisible, 1.0);
    EXPECT_FALSE(Node("box")->GetVisibility());
    mExporter.EndSteps();
    EXPECT_TRUE(Logged("RYV Export Warning: The plugin has detected a polygonSmoothFacet operator "
                       "and a skinCluster."));
    EXPECT_TRUE(Logged("attribute is reset to 0 while exporting."));
}

TEST_F(RyvVurnMeshExportTest, AnUnreadableDivisionsValueIsNeverChanged)
{
    const int lCube = VurnFixtures::Cube("box");
    VurnFixtures::Skin(lCube, VurnFixtures::JointChain("bone", 2));
    const int lSmooth = VurnFixtures::Smooth("smooth", lCube);
    Scene().mFailingNodes.insert(lSmooth);
    Walk();
    EXPECT_EQ(Commands("setAttr"), 0);
    EXPECT_NE(Mesh("box"), nullptr);
}

TEST_F(RyvVurnMeshExportTest, WithoutBindPoseNoDeformerIsInspected)
{
    const int lCube = VurnFixtures::Cube("box");
    VurnFixtures::Skin(lCube, VurnFixtures::JointChain("bone", 2));
    VurnFixtures::Smooth("smooth", lCube);
    GetOptionStore().SetBool(kExportBindPose, false);
    Walk();
    EXPECT_EQ(Commands("getAttr \"smooth"), 0);
    EXPECT_NE(Mesh("box"), nullptr);
}

TEST_F(RyvVurnMeshExportTest, WrapDeformersAreLoggedEachTimeAndShownOnce)
{
    for (const char* lName : {"first", "second"}) {
        const int lShape = VurnFixtures::ShapeOf(VurnFixtures::Cube(lName));
        const int lWrap = Scene().CreateNode(MFn::kWrapFilter, std::string(lName) + "Wrap");
        Scene().Connect(lWrap, "outputGeometry[0]", lShape, "inMesh");
    }
    GetOptionStore().SetBool(kExportShowUI, true);
    Walk();
    EXPECT_NE(Mesh("first"), nullptr);
    EXPECT_NE(Mesh("second"), nullptr);
    EXPECT_EQ(Commands("confirmDialog"), 1);
    mExporter.EndSteps();
    EXPECT_TRUE(Logged("RYV Export Warning: A Wrap deformer has been detected on the following "
                       "object:  / first / firstShape"));
    EXPECT_TRUE(Logged("RYV Export Warning: A Wrap deformer has been detected on the following "
                       "object:  / second / secondShape"));
}

TEST_F(RyvVurnMeshExportTest, BlendShapeEnvelopeIsZeroWhileReadAndRestored)
{
    const int lCube = VurnFixtures::Cube("box");
    const int lBlend = VurnFixtures::BlendShape("faces", lCube, {VurnFixtures::Cube("target")});
    Scene().SetNumber(lBlend, "envelope", 0.75);
    // Even a mesh that makes no node gets its envelope back.
    Scene().MutableNode(Scene().FindNode("boxShapeOrig"))->mMesh->mPolygons.pop_back();
    const VurnSnapshot lBefore = VurnSnapshot::Take();
    Walk();
    EXPECT_EQ(lBefore.Diff(VurnSnapshot::Take()), std::vector<std::string>());
    const std::vector<std::string>& lChanges = Scene().GetMutations();
    EXPECT_TRUE(std::any_of(lChanges.begin(), lChanges.end(), [](const std::string& pLine) {
        return pLine.find("faces.envelope") != std::string::npos &&
               pLine.find("0.75") == std::string::npos;
    }));
}

TEST_F(RyvVurnMeshExportTest, CoincidentVerticesAreLoggedAndThe39FirstShown)
{
    const int lTransform = VurnFixtures::Transform("dup");
    const int lShape = Scene().CreateNode(MFn::kMesh, "dupShape", lTransform);
    auto lData = std::make_shared<VurnMeshData>();
    for (int lCopy = 0; lCopy < 2; ++lCopy) {
        for (int lPoint = 0; lPoint < 50; ++lPoint) {
            lData->mPoints.emplace_back(lPoint, lPoint % 7, 0);
        }
    }
    for (int lQuad = 0; lQuad < 25; ++lQuad) {
        lData->mPolygons.push_back({2 * lQuad, 2 * lQuad + 1, 51 + 2 * lQuad, 50 + 2 * lQuad});
        lData->mNormalIds.push_back({4 * lQuad, 4 * lQuad + 1, 4 * lQuad + 2, 4 * lQuad + 3});
    }
    lData->mNormals.assign(101, MVector(0, 0, 1));
    Scene().MutableNode(lShape)->mMesh = lData;
    GetOptionStore().SetBool(kExportHardEdges, true);
    GetOptionStore().SetBool(kExportShowUI, true);
    Walk();
    mExporter.CheckCoincidentVertices(mExporter.GetRootNode());
    EXPECT_EQ(Mesh("dup")->GetControlPointCount(), 100);
    const std::vector<std::string>& lCommands = Scene().GetCommands();
    const auto lDialog = std::find_if(lCommands.begin(), lCommands.end(), [](const std::string& p) {
        return p.find("have the same 3D coordinate") != std::string::npos;
    });
    ASSERT_NE(lDialog, lCommands.end());
    size_t lShown = 0;
    for (size_t lAt = lDialog->find("same 3D"); lAt != std::string::npos;
         lAt = lDialog->find("same 3D", lAt + 1)) {
        ++lShown;
    }
    EXPECT_EQ(lShown, 39u);
    EXPECT_NE(lDialog->find("Add to new scene"), std::string::npos);
    mExporter.EndSteps();
    int lLogged = 0;
    for (const std::string& lLine : LogLines()) {
        lLogged +=
            lLine.find("of mesh Model::dup have the same 3D coordinate.") != std::string::npos;
    }
    EXPECT_EQ(lLogged, 50);
    EXPECT_TRUE(Logged("Vertices 0 and 50 of mesh Model::dup have the same 3D coordinate."));
}

TEST_F(RyvVurnMeshExportTest, SplitPointsOfAHardEdgedMeshKeepTheirSkinWeights)
{
    HardenEdges(VurnFixtures::Cube("box"));
    GetOptionStore().SetBool(kExportHardEdges, true);
    Walk();
    KRyvMesh* lMesh = Mesh("box");
    // The skin pass runs before the check: point 0 weighs 0.25 on the link.
    KRyvLink* lLink = mExporter.GetFactory().CreateLink();
    lLink->AddControlPointIndex(0, 0.25);
    lMesh->AddLink(lLink);
    mExporter.CheckCoincidentVertices(mExporter.GetRootNode());
    ASSERT_EQ(lMesh->GetControlPointCount(), 24);
    std::vector<int> lUses;
    for (int lPolygon = 0; lPolygon < 6; ++lPolygon) {
        for (int lCorner = 0; lCorner < 4; ++lCorner) {
            const int lPoint = lMesh->GetPolygonVertex(lPolygon, lCorner);
            const KVector4& lPosition = lMesh->GetControlPoints()[lPoint];
            if (lPosition[0] < 0 && lPosition[1] < 0 && lPosition[2] < 0) {
                lUses.push_back(lPoint);
            }
        }
    }
    // Corner (-1, -1, -1) is used by three faces: three points, each weighing 0.25.
    ASSERT_EQ(lUses.size(), 3u);
    KRyvLink* lSplit = lMesh->GetLink(0);
    ASSERT_EQ(lSplit->GetControlPointIndicesCount(), 3);
    for (int lEntry = 0; lEntry < 3; ++lEntry) {
        EXPECT_NE(std::find(lUses.begin(), lUses.end(), lSplit->GetControlPointIndices()[lEntry]),
                  lUses.end());
        EXPECT_DOUBLE_EQ(lSplit->GetControlPointWeights()[lEntry], 0.25);
    }
}

TEST_F(RyvVurnMeshExportTest, EachInstanceOfAShapeGetsTheShadersOfItsOwnPath)
{
    const int lFirst = VurnFixtures::Cube("first");
    const int lSecond = VurnFixtures::Transform("second");
    const int lShape = VurnFixtures::ShapeOf(lFirst);
    ASSERT_TRUE(Scene().AddParent(lShape, lSecond));
    Scene().SetNumber(lSecond, "visibility", 0);
    Shade("red", lFirst);
    const int lBlue = Scene().CreateNode(MFn::kPhong, "blue");
    const int lGroup = Scene().CreateNode(MFn::kSet, "blueSG");
    Scene().MutableNode(lGroup)->mSet = std::make_shared<VurnSetData>();
    Scene().MutableNode(lGroup)->mSet->mRestriction = MFnSet::kRenderableOnly;
    Scene().Connect(lBlue, "outColor", lGroup, "surfaceShader");
    MDagPathArray lPaths;
    MDagPath::getAllPathsTo(MObject::node(lShape), lPaths);
    ASSERT_EQ(lPaths.length(), 2u);
    MFnSet(MObject::node(lGroup)).addMember(lPaths[1]);
    Walk();
    ASSERT_NE(Mesh("first"), nullptr);
    ASSERT_NE(Mesh("second"), nullptr);
    EXPECT_STREQ(Mesh("first")->GetMaterial(0)->GetName().Buffer(), "Material::red");
    EXPECT_STREQ(Mesh("second")->GetMaterial(0)->GetName().Buffer(), "Material::blue");
    EXPECT_TRUE(Node("first")->GetVisibility());
    EXPECT_FALSE(Node("second")->GetVisibility());
}

TEST_F(RyvVurnMeshExportTest, PolygonSizesThatDifferUnderEqualTotalsAreAMismatch)
{
    const int lCube = VurnFixtures::Cube("box");
    VurnFixtures::Skin(lCube, VurnFixtures::JointChain("bone", 2));
    VurnMeshData& lOrig = *Scene().MutableNode(Scene().FindNode("boxShapeOrig"))->mMesh;
    lOrig.mPolygons[0].push_back(4);
    lOrig.mPolygons[1].pop_back();
    Walk();
    auto* lNode = dynamic_cast<RyvVurnNode*>(Node("box"));
    ASSERT_NE(lNode, nullptr);
    EXPECT_EQ(lNode->GetNodeAttribute(), nullptr);
    EXPECT_TRUE(lNode->GetMismatch());
}

TEST_F(RyvVurnMeshExportTest, VertexColoursMakeLayerZeroOnAGeometryWithoutLayers)
{
    const MFnMesh lHost(MObject::node(VurnFixtures::ShapeOf(VurnFixtures::Cube("box"))));
    KRyvMesh* lMesh = mExporter.GetFactory().CreateMesh();
    ASSERT_EQ(lMesh->GetLayerCount(), 0);
    EXPECT_TRUE(ExportVertexColors(lMesh, lHost));
    ASSERT_EQ(lMesh->GetLayerCount(), 1);
    ASSERT_NE(lMesh->GetLayer(0)->GetVertexColors(), nullptr);
    EXPECT_EQ(lMesh->GetLayer(0)->GetVertexColors()->GetIndexArray().size(), 24u);
}

TEST_F(RyvVurnMeshExportTest, AnIntermediateFirstChildNeverStandsForTheNode)
{
    const int lTransform = VurnFixtures::Transform("box");
    const int lHidden = Scene().CreateNode(MFn::kMesh, "boxOrig", lTransform);
    Scene().SetIntermediate(lHidden, true);
    const int lShape = Scene().CreateNode(MFn::kMesh, "boxShape", lTransform);
    Scene().MutableNode(lHidden)->mMesh = std::make_shared<VurnMeshData>();
    Scene().MutableNode(lShape)->mMesh =
        Scene().Node(VurnFixtures::ShapeOf(VurnFixtures::Cube("cube")))->mMesh;
    MStatus lStatus;
    RyvVurnExportShape lChosen;
    bool lShown = false;
    KLog lLog("unused.txt", "", false, false);
    ASSERT_TRUE(ResolveExportShape(lStatus, PathOf(lTransform), lLog, 0, lShown, lChosen));
    EXPECT_EQ(lChosen.mShape, MObject::node(lShape));
    // A shape path under a transform of several children stands for itself.
    ASSERT_TRUE(ResolveExportShape(lStatus, PathOf(lShape), lLog, 0, lShown, lChosen));
    EXPECT_EQ(lChosen.mShape, MObject::node(lShape));
    EXPECT_EQ(lChosen.mSource, MObject::node(lShape));
    EXPECT_FALSE(ResolveExportShape(lStatus,
                                    PathOf(VurnFixtures::ShapeOf(Scene().FindNode("cube"))), lLog,
                                    0, lShown, lChosen));
    Walk();
    ASSERT_NE(Mesh("box"), nullptr);
    EXPECT_EQ(Mesh("box")->GetControlPointCount(), 8);
}

// Meshes without a shader share one default shader per export, made and deleted once; in the
// file each still reads as having the default material the host's phong describes.
TEST_F(RyvVurnMeshExportTest, UnshadedMeshesShareOneDefaultMaterialPerExport)
{
    const char* const lNames[] = {"first", "second", "third"};
    for (const char* lName : lNames) {
        VurnFixtures::Skin(VurnFixtures::Cube(lName), VurnFixtures::JointChain(lName, 1));
    }
    const VurnSnapshot lBefore = VurnSnapshot::Take();
    KRyvObjectFactory lFactory;
    KRyvScene* lScene = ExportAndReadBack(lFactory, "unshaded.ryv");
    ASSERT_NE(lScene, nullptr);
    EXPECT_EQ(Commands("delete Default_Material"), 1);
    EXPECT_EQ(lBefore.Diff(VurnSnapshot::Take()), std::vector<std::string>());
    for (const char* lName : lNames) {
        KRyvNode* lNode = Find(lScene->GetRootNode(), lName);
        ASSERT_NE(lNode, nullptr) << lName;
        auto* lMesh = dynamic_cast<KRyvMesh*>(lNode->GetNodeAttribute());
        ASSERT_NE(lMesh, nullptr) << lName;
        ASSERT_EQ(lMesh->GetMaterialCount(), 1) << lName;
        const KRyvMaterial* lMaterial = lMesh->GetMaterial(0);
        EXPECT_STREQ(lMaterial->GetName().Buffer(), "Material::Default_Material");
        // The phong's colour 0.5, ambient 0.4, specular 0.3 and cosine power 3 (of 128).
        EXPECT_NEAR(lMaterial->GetDiffuseColor().mRed, 0.5, 1e-6);
        EXPECT_NEAR(lMaterial->GetAmbientColor().mGreen, 0.4, 1e-6);
        EXPECT_NEAR(lMaterial->GetSpecularColor().mBlue, 0.3, 1e-6);
        EXPECT_NEAR(lMaterial->GetShininess(), 3.0 / 128.0, 1e-6);
        EXPECT_NEAR(lMaterial->GetOpacity(), 1.0, 1e-6);
    }
}

// A user's red shader named as the export's default one: whichever cube the walk meets first,
// the unshaded cube reads back with the default phong's grey and the painted one with red.
TEST_F(RyvVurnMeshExportTest, AUsersDefaultMaterialIsNotTheExportsOwn)
{
    for (const bool lPaintedFirst : {true, false}) {
        VurnScene::Reset();
        const int lFirst = VurnFixtures::Cube(lPaintedFirst ? "painted" : "plain");
        const int lSecond = VurnFixtures::Cube(lPaintedFirst ? "plain" : "painted");
        const int lUser = Shade("Default_Material", lPaintedFirst ? lFirst : lSecond);
        Scene().SetNumber(lUser, "colorR", 1.0);
        Scene().SetNumber(lUser, "colorG", 0.0);
        Scene().SetNumber(lUser, "colorB", 0.0);
        KRyvObjectFactory lFactory;
        KRyvScene* lScene = ExportAndReadBack(lFactory, "user-default.ryv");
        ASSERT_NE(lScene, nullptr);
        const struct
        {
            const char* mName;
            double mRed;
            double mGreen;
        } lCases[] = {{"plain", 0.5, 0.5}, {"painted", 1.0, 0.0}};
        for (const auto& lCase : lCases) {
            KRyvNode* lNode = Find(lScene->GetRootNode(), lCase.mName);
            ASSERT_NE(lNode, nullptr) << lCase.mName;
            auto* lMesh = dynamic_cast<KRyvMesh*>(lNode->GetNodeAttribute());
            ASSERT_NE(lMesh, nullptr) << lCase.mName;
            ASSERT_EQ(lMesh->GetMaterialCount(), 1) << lCase.mName;
            const KColor lColor = lMesh->GetMaterial(0)->GetDiffuseColor();
            EXPECT_NEAR(lColor.mRed, lCase.mRed, 1e-6) << lCase.mName << lPaintedFirst;
            EXPECT_NEAR(lColor.mGreen, lCase.mGreen, 1e-6) << lCase.mName << lPaintedFirst;
        }
    }
}

// A UV set that a texture uses keeps the texture's layer, even when an untextured set comes
// later: layer 0 holds the UVs of "paint", and "map1" is not lost.
TEST_F(RyvVurnMeshExportTest, ALaterUntexturedUVSetLeavesATexturedLayerAlone)
{
    const int lCube = VurnFixtures::Cube("box");
    const int lFile = Scene().CreateNode(MFn::kFileTexture, "paintFile");
    VurnPlugPath lName;
    Scene().ParsePlugPath(lFile, "fileTextureName", lName);
    Scene().SetValue(lFile, lName, VurnValue::Text("paint.tif"));
    Scene().Connect(lFile, "outColor", Shade("paintShader", lCube), "color");
    VurnMeshData& lMesh = MeshOf(lCube);
    VurnUVSet lPaint = lMesh.mUVSets[0];
    lPaint.mName = "paint";
    for (float& lU : lPaint.mU) {
        lU += 10.0f;
    }
    lPaint.mTextures = {lFile};
    lMesh.mUVSets.insert(lMesh.mUVSets.begin(), lPaint);
    KRyvObjectFactory lFactory;
    KRyvScene* lScene = ExportAndReadBack(lFactory, "uv-sets.ryv");
    ASSERT_NE(lScene, nullptr);
    auto* lKit = dynamic_cast<KRyvMesh*>(Find(lScene->GetRootNode(), "box")->GetNodeAttribute());
    ASSERT_NE(lKit, nullptr);
    ASSERT_NE(lKit->GetTexture(0, 0), nullptr);
    KLayerElementUV* lLayer0 = lKit->GetLayer(0)->GetUVs();
    ASSERT_NE(lLayer0, nullptr);
    ASSERT_EQ(lLayer0->GetDirectArray().size(), 24u);
    // Corner 1 of each face has u 1 in "map1", 11 in "paint".
    EXPECT_DOUBLE_EQ(lLayer0->GetDirectArray()[1][0], 11.0);
    bool lMap1Kept = false;
    for (int lLayer = 1; lLayer < lKit->GetLayerCount(); ++lLayer) {
        const KLayerElementUV* lUVs = lKit->GetLayer(lLayer)->GetUVs();
        lMap1Kept = lMap1Kept || (lUVs && lUVs->GetDirectArray().size() == 24u &&
                                  lUVs->GetDirectArray()[1][0] == 1.0);
    }
    EXPECT_TRUE(lMap1Kept);
}
