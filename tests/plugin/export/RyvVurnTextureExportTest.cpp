#include "io/KFileFormatRegistry.h"
#include "io/KImporter.h"
#include "io/KStreamOptionsRyv.h"
#include "plugin/export/RyvVurnMaterialExport.h"
#include "plugin/export/RyvVurnTextureRecord.h"
#include "scene/KRyvScene.h"
#include "scene/objects/KRyvMaterial.h"
#include "scene/objects/KRyvMesh.h"
#include "scene/objects/KRyvNurb.h"
#include "scene/objects/KRyvTexture.h"
#include "tests/plugin/export/GeometryExportTestSupport.h"

namespace {
constexpr double kHalfTurn = 1.5707963267948966;

class RyvVurnTextureExportTest : public GeometryExportTest
{
protected:
    static int FileTexture(const std::string& pName, const std::string& pFile)
    {
        const int lFile = Scene().CreateNode(MFn::kFileTexture, pName);
        VurnPlugPath lPath;
        Scene().ParsePlugPath(lFile, "fileTextureName", lPath);
        Scene().SetValue(lFile, lPath, VurnValue::Text(pFile));
        return lFile;
    }

    // Placement: repeat (2, 3), offset (0.1, 0.2), frame translation (0.3, 0.4), frame turned
    // by a quarter turn.
    static void Place(int pFile)
    {
        const int lPlace = Scene().CreateNode(MFn::kPlace2dTexture, "place");
        const std::pair<const char*, double> lValues[] = {
            {"repeatU", 2.0},          {"repeatV", 3.0},         {"offsetU", 0.1},
            {"offsetV", 0.2},          {"translateFrameU", 0.3}, {"translateFrameV", 0.4},
            {"rotateFrame", kHalfTurn}};
        for (const auto& lValue : lValues) {
            Scene().SetNumber(lPlace, lValue.first, lValue.second);
        }
        Scene().Connect(lPlace, "outUV", pFile, "uv");
    }

    KRyvGeometry* Geometry(const char* pName)
    {
        return dynamic_cast<KRyvGeometry*>(Node(pName)->GetNodeAttribute());
    }
};
} // namespace

// The quarter turn about the texture centre (0.5, 0.5) moves the origin to (-1, 0): the
// translation is offset - frame - that.
TEST_F(RyvVurnTextureExportTest, PlacementOfAMeshTexture)
{
    const int lCube = VurnFixtures::Cube("box");
    const int lFile = FileTexture("wood", "wood.tif");
    Place(lFile);
    Scene().Connect(lFile, "outColor", Shade("grain", lCube), "color");
    Walk();
    KRyvTexture* lTexture = Geometry("box")->GetTexture(0, 0);
    ASSERT_NE(lTexture, nullptr);
    EXPECT_STREQ(lTexture->GetFileName(), "wood.tif");
    EXPECT_NEAR(lTexture->GetScaleU(), 2.0, 1e-6);
    EXPECT_NEAR(lTexture->GetScaleV(), 3.0, 1e-6);
    EXPECT_NEAR(lTexture->GetRotationW(), 90.0, 1e-4);
    EXPECT_NEAR(lTexture->GetTranslationU(), 0.1 - 0.3 + 1.0, 1e-6);
    EXPECT_NEAR(lTexture->GetTranslationV(), 0.2 - 0.4 - 0.0, 1e-6);
    EXPECT_FALSE(lTexture->GetSwapUV());
    // Textured: the material's diffuse colour is white.
    EXPECT_NEAR(Geometry("box")->GetMaterial(0)->GetDiffuseColor().mBlue, 1.0, 1e-6);
}

TEST_F(RyvVurnTextureExportTest, PlacementOfASurfaceTextureSwapsUAndV)
{
    const int lPatch = VurnFixtures::NurbsPatch("patch");
    const int lFile = FileTexture("wood", "wood.tif");
    Place(lFile);
    const int lPhong = Scene().CreateNode(MFn::kPhong, "grain");
    Scene().Connect(lFile, "outColor", lPhong, "color");
    const int lGroup = Scene().CreateNode(MFn::kSet, "grainSG");
    Scene().MutableNode(lGroup)->mSet = std::make_shared<VurnSetData>();
    Scene().MutableNode(lGroup)->mSet->mRestriction = MFnSet::kRenderableOnly;
    Scene().Connect(lPhong, "outColor", lGroup, "surfaceShader");
    MFnSet(MObject::node(lGroup)).addMember(PathOf(VurnFixtures::ShapeOf(lPatch)));
    Walk();
    KRyvTexture* lTexture = Geometry("patch")->GetTexture(0, 0);
    ASSERT_NE(lTexture, nullptr);
    EXPECT_NEAR(lTexture->GetScaleU(), 3.0, 1e-6);
    EXPECT_NEAR(lTexture->GetScaleV(), 2.0, 1e-6);
    EXPECT_NEAR(lTexture->GetRotationW(), -90.0, 1e-4);
    EXPECT_NEAR(lTexture->GetTranslationU(), 0.3 - 0.0 - 0.1, 1e-6);
    EXPECT_NEAR(lTexture->GetTranslationV(), 0.4 + 1.0 - 0.2, 1e-6);
    EXPECT_TRUE(lTexture->GetSwapUV());
}

TEST_F(RyvVurnTextureExportTest, ASharedShaderGivesOneMaterialAndOneTexture)
{
    const int lFirst = VurnFixtures::Cube("first");
    const int lGroup = VurnFixtures::ShaderNetwork("skin", lFirst);
    const int lSecond = VurnFixtures::Cube("second");
    MFnSet(MObject::node(lGroup)).addMember(PathOf(VurnFixtures::ShapeOf(lSecond)));
    Walk();
    RyvVurnObjectFactory& lFactory = mExporter.GetFactory();
    ASSERT_NE(lFactory.FindMaterial("Material::skin"), nullptr);
    EXPECT_EQ(lFactory.FindMaterial("Material::skin", 1), nullptr);
    ASSERT_NE(lFactory.FindTexture("Texture::skinFile"), nullptr);
    EXPECT_EQ(lFactory.FindTexture("Texture::skinFile", 1), nullptr);
    for (const char* lName : {"first", "second"}) {
        EXPECT_EQ(Geometry(lName)->GetMaterial(0), lFactory.FindMaterial("Material::skin"));
        EXPECT_EQ(Geometry(lName)->GetTexture(0, 0), lFactory.FindTexture("Texture::skinFile"));
        EXPECT_EQ(Geometry(lName)->GetLayer(0)->GetTextures()->GetIndexArray(),
                  std::vector<int>(6, 0))
            << lName;
    }
}

TEST_F(RyvVurnTextureExportTest, ALayeredTextureGivesOneLayerPerInputLastInputFirst)
{
    const int lCube = VurnFixtures::Cube("box");
    const int lLayered = Scene().CreateNode(MFn::kLayeredTexture, "stack");
    const struct
    {
        int mLogical;
        int mHostBlend;
        double mAlpha;
    } lInputs[] = {{0, 4, 1.0}, {1, 6, 0.5}, {5, 2, 1.0}};
    for (const auto& lInput : lInputs) {
        const std::string lElement = "inputs[" + std::to_string(lInput.mLogical) + "]";
        const int lFile = FileTexture("tex" + std::to_string(lInput.mLogical), "t.tif");
        Scene().Connect(lFile, "outColor", lLayered, lElement + ".color");
        Scene().SetNumber(lLayered, lElement + ".blendMode", lInput.mHostBlend);
        Scene().SetNumber(lLayered, lElement + ".alpha", lInput.mAlpha);
    }
    Scene().Connect(lLayered, "outColor", Shade("layers", lCube), "color");
    MeshOf(lCube).mUVSets[0].mTextures = {Scene().FindNode("tex1")};
    Walk();
    KRyvGeometry* lMesh = Geometry("box");
    ASSERT_GE(lMesh->GetLayerCount(), 3);
    const struct
    {
        const char* mTexture;
        int mBlend;
        double mAlpha;
        int mMapping;
    } lLayers[] = {{"Texture::tex5", 0, 1.0, KLayerElement::eByPolygon},
                   {"Texture::tex1", 2, 0.5, KLayerElement::eAllSame},
                   {"Texture::tex0", 1, 1.0, KLayerElement::eAllSame}};
    for (int lLayer = 0; lLayer < 3; ++lLayer) {
        KRyvTexture* lTexture = lMesh->GetTexture(0, lLayer);
        ASSERT_NE(lTexture, nullptr) << lLayer;
        EXPECT_STREQ(lTexture->GetName().Buffer(), lLayers[lLayer].mTexture);
        EXPECT_EQ(lTexture->GetBlendMode(), lLayers[lLayer].mBlend) << lLayer;
        EXPECT_DOUBLE_EQ(lTexture->GetDefaultAlpha(), lLayers[lLayer].mAlpha) << lLayer;
        EXPECT_EQ(lMesh->GetLayer(lLayer)->GetTextures()->GetMappingMode(),
                  lLayers[lLayer].mMapping)
            << lLayer;
    }
    // The UV set of tex1 lands on tex1's layer; layer 0 has no UVs.
    EXPECT_NE(lMesh->GetLayer(1)->GetUVs(), nullptr);
    EXPECT_EQ(lMesh->GetLayer(0)->GetUVs(), nullptr);
    EXPECT_EQ(lMesh->GetLayer(1)->GetTextures()->GetIndexArray(), std::vector<int>({0}));
}

TEST_F(RyvVurnTextureExportTest, MaterialsFromPhongReflectLambertAndOtherShaders)
{
    const int lCube = VurnFixtures::Cube("box");
    const int lPhong = Scene().CreateNode(MFn::kPhong, "shiny");
    Scene().SetNumber(lPhong, "cosinePower", 200.0);
    Scene().SetNumber(lPhong, "specularColorG", 0.25);
    Scene().SetNumber(lPhong, "transparencyR", 0.3);
    Scene().SetNumber(lPhong, "transparencyG", 0.6);
    Scene().SetNumber(lPhong, "transparencyB", 0.9);
    Scene().SetNumber(lPhong, "ambientColorB", 0.7);
    const int lOther = Scene().CreateNode(MFn::kFileTexture, "notAShader");
    mExporter.BeginSteps("materials");
    KRyvMesh* lMesh = mExporter.GetFactory().CreateMesh();
    EXPECT_EQ(mExporter.ExportMaterial("shiny", MObject::node(lPhong), lMesh), 0);
    KRyvMaterial* lShiny = lMesh->GetMaterial(0);
    EXPECT_DOUBLE_EQ(lShiny->GetShininess(), 1.0);
    EXPECT_NEAR(lShiny->GetSpecularColor().mGreen, 0.25, 1e-6);
    EXPECT_NEAR(lShiny->GetOpacity(), 0.4, 1e-6);
    EXPECT_NEAR(lShiny->GetAmbientColor().mBlue, 0.7, 1e-6);
    EXPECT_EQ(mExporter.ExportMaterial("other", MObject::node(lOther), lMesh), 1);
    EXPECT_NEAR(lMesh->GetMaterial(1)->GetDiffuseColor().mRed, 0.5, 1e-6);
    EXPECT_NEAR(lMesh->GetMaterial(1)->GetAmbientColor().mGreen, 0.5, 1e-6);
    // Asked again: the geometry's own; another geometry: the factory's.
    EXPECT_EQ(mExporter.ExportMaterial("ns::shiny", MObject::node(lPhong), lMesh), 0);
    KRyvMesh* lOtherMesh = mExporter.GetFactory().CreateMesh();
    EXPECT_EQ(mExporter.ExportMaterial("shiny", MObject::node(lPhong), lOtherMesh), 0);
    EXPECT_EQ(lOtherMesh->GetMaterial(0), lShiny);
    EXPECT_EQ(mExporter.GetFactory().FindMaterial("Material::shiny", 1), nullptr);
    (void)lCube;
}

TEST_F(RyvVurnTextureExportTest, ShadingGroupAndSurfaceShaderLookups)
{
    const int lCube = VurnFixtures::Cube("box");
    const int lDeformerSet = Scene().CreateNode(MFn::kSet, "members");
    Scene().MutableNode(lDeformerSet)->mSet = std::make_shared<VurnSetData>();
    const MDagPath lShape = PathOf(VurnFixtures::ShapeOf(lCube));
    MFnSet(MObject::node(lDeformerSet)).addMember(lShape);
    EXPECT_TRUE(GetShadingGroup(lShape).isNull());
    const int lGroup = Scene().CreateNode(MFn::kSet, "emptySG");
    Scene().MutableNode(lGroup)->mSet = std::make_shared<VurnSetData>();
    Scene().MutableNode(lGroup)->mSet->mRestriction = MFnSet::kRenderableOnly;
    MFnSet(MObject::node(lGroup)).addMember(lShape);
    EXPECT_EQ(GetShadingGroup(lShape), MObject::node(lGroup));
    EXPECT_TRUE(GetSurfaceShader(MObject::node(lGroup)).isNull());
    // A shader whose colour is not connected: a material, no texture, the empty pair.
    const int lPhong = Scene().CreateNode(MFn::kPhong, "bare");
    Scene().Connect(lPhong, "outColor", lGroup, "surfaceShader");
    EXPECT_EQ(GetSurfaceShader(MObject::node(lGroup)), MObject::node(lPhong));
    Walk();
    RyvVurnTextureRecord lRecord;
    EXPECT_FALSE(mExporter.GatherShaderTextures(MObject::node(lPhong), Node("box"), lRecord));
    ASSERT_EQ(lRecord.GetPairs().size(), 1u);
    EXPECT_EQ(lRecord.GetPairs()[0].mLayer, 0);
    EXPECT_EQ(lRecord.GetPairs()[0].mTexture, -1);
    EXPECT_EQ(Geometry("box")->GetLayer(0)->GetTextures(), nullptr);
}

TEST_F(RyvVurnTextureExportTest, RecordPairsAreCountedOnceAndNeverCollide)
{
    const MObject lFirst = MObject::node(FileTexture("first", "a.tif"));
    const MObject lSecond = MObject::node(FileTexture("second", "b.tif"));
    RyvVurnTextureRecord lRecord;
    int lMode = 0;
    EXPECT_FALSE(lRecord.GetMappingMode(0, lMode));
    EXPECT_EQ(lMode, RyvVurnTextureRecord::kMappingAllSame);
    lRecord.AddTexture(0, 1024, lFirst);
    lRecord.AddTexture(1, 0, lSecond);
    lRecord.AddTexture(0, 1024, lFirst);
    lRecord.AddTexture(2, -1, MObject());
    ASSERT_EQ(lRecord.GetPairs().size(), 3u);
    EXPECT_EQ(lRecord.GetPairs()[0].mCount, 1);
    EXPECT_EQ(lRecord.GetLayers(), std::vector<int>({0, 1, 2}));
    EXPECT_EQ(lRecord.TextureOnLayer(0), 1024);
    EXPECT_EQ(lRecord.FindLayerIndex(lSecond), 1);
    EXPECT_EQ(lRecord.FindLayerIndex(MObject::node(Scene().CreateNode(MFn::kFileTexture, "third"))),
              -1);
    EXPECT_TRUE(lRecord.GetMappingMode(1, lMode));
    EXPECT_FALSE(lRecord.GetMappingMode(2, lMode));
    RyvVurnTextureRecord lCounting(1, 4, 3);
    lCounting.AddTexture(0, 0, lFirst);
    EXPECT_TRUE(lCounting.GetMappingMode(0, lMode));
    EXPECT_EQ(lMode, 3);
    lCounting.AddTexture(0, 0, lFirst);
    EXPECT_TRUE(lCounting.GetMappingMode(0, lMode));
    EXPECT_EQ(lMode, 4);
}

TEST_F(RyvVurnTextureExportTest, TheWrittenFileReadsBackWithMeshMaterialAndTexture)
{
    const int lCube = VurnFixtures::Cube("box");
    VurnFixtures::ShaderNetwork("skin", lCube);
    const std::string lFile = mFolder.PathOf("shaded.ryv");
    {
        RyvVurnExporter lExporter;
        ASSERT_TRUE(lExporter.Export(lFile.c_str()));
    }
    RyvVurnObjectFactory lFactory(0);
    KImporter lImporter(&lFactory);
    lImporter.SetFileFormat(KFileFormatRegistry::kImportRyvBinary);
    KRyvScene* lScene = lFactory.CreateScene();
    KStreamOptionsRyv lOptions;
    ASSERT_TRUE(lImporter.Initialize(lFile.c_str()) && lImporter.Import(lScene, &lOptions))
        << lImporter.GetError().GetLastErrorString().Buffer();
    KRyvNode* lBox = Find(lScene->GetRootNode(), "box");
    ASSERT_NE(lBox, nullptr);
    auto* lMesh = dynamic_cast<KRyvMesh*>(lBox->GetNodeAttribute());
    ASSERT_NE(lMesh, nullptr);
    EXPECT_EQ(lMesh->GetControlPointCount(), 8);
    EXPECT_EQ(lMesh->GetPolygonCount(), 6);
    EXPECT_EQ(lMesh->GetPolygonVertex(3, 1), 6);
    ASSERT_NE(lMesh->GetMaterial(0), nullptr);
    EXPECT_STREQ(lMesh->GetMaterial(0)->GetName().Buffer(), "Material::skin");
    ASSERT_NE(lMesh->GetTexture(0, 0), nullptr);
    EXPECT_NE(std::string(lMesh->GetTexture(0, 0)->GetFileName()).find("wood.tif"),
              std::string::npos);
    EXPECT_NE(lMesh->GetLayer(0)->GetUVs(), nullptr);
}

TEST_F(RyvVurnTextureExportTest, TextureFilesAreEmbeddedOnlyThroughTheOption)
{
    // Bytes no writer could make up: they are in the file only when the texture is embedded.
    const std::string lImage(4096, '\0');
    std::string lMarked = lImage;
    lMarked.replace(100, 24, "embedded-texture-marker!");
    const std::string lTexture = mFolder.Write("marked.tif", lMarked);
    const int lCube = VurnFixtures::Cube("box");
    const int lFile = FileTexture("marked", lTexture);
    Scene().Connect(lFile, "outColor", Shade("grain", lCube), "color");
    for (const bool lEmbed : {false, true}) {
        GetOptionStore().SetBool(kExportEmbedTextures, lEmbed);
        const std::string lOut = mFolder.PathOf(lEmbed ? "embedded.ryv" : "linked.ryv");
        RyvVurnExporter lExporter;
        ASSERT_TRUE(lExporter.Export(lOut.c_str()));
        EXPECT_EQ(TempFolder::Read(lOut).find("embedded-texture-marker!") != std::string::npos,
                  lEmbed);
    }
}

TEST_F(RyvVurnTextureExportTest, AFileTextureWithoutFileNameLeavesTheMaterialAlone)
{
    const int lCube = VurnFixtures::Cube("box");
    const int lFile = Scene().CreateNode(MFn::kFileTexture, "nameless");
    Scene().Connect(lFile, "outColor", Shade("grain", lCube), "color");
    Walk();
    EXPECT_EQ(Geometry("box")->GetTexture(0, 0), nullptr);
    ASSERT_NE(Geometry("box")->GetMaterial(0), nullptr);
    const std::vector<std::string>& lErrors = Scene().GetErrorLines();
    EXPECT_TRUE(std::any_of(lErrors.begin(), lErrors.end(), [](const std::string& pLine) {
        return pLine.rfind("Cannot find the texture file name.", 0) == 0;
    }));
}
