// What the DXF writer makes, other readers take as it stands, and our reader reads back into a
// scene that the writer turns into the same bytes: layer names, their order and colours, and
// coordinates that round to zero.
#include "tests/formats/geometry/dxf/DxfTestSupport.h"

#include "scene/objects/KRyvMaterial.h"
#include "tests/support/FileConversion.h"
#include "tests/support/TextCount.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#ifdef RYV_HAVE_DXFLIB
#include <dxflib/dl_creationadapter.h>
#include <dxflib/dl_dxf.h>
#endif

namespace {

struct Scene
{
    std::unique_ptr<KRyvObjectFactory> mFactory = std::make_unique<KRyvObjectFactory>();
    std::unique_ptr<KRyvScene> mScene = std::make_unique<KRyvScene>(mFactory.get());
};

// A triangle (or, with pQuads, that many quads side by side) at height pY, under the root.
KRyvMesh* AddMesh(Scene& ioScene, const char* pName, double pY, int pQuads = 0)
{
    KRyvMesh* lMesh = ioScene.mFactory->CreateMesh();
    std::vector<KVector4>& lPoints = lMesh->GetControlPointArray();
    if (pQuads == 0) {
        lPoints = {{0.0, pY, 0.0, 1.0}, {1.0, pY, 0.0, 1.0}, {0.0, pY, 1.0, 1.0}};
        lMesh->BeginPolygon();
        for (int k = 0; k < 3; ++k) {
            lMesh->AddPolygon(k);
        }
    }
    for (int q = 0; q <= pQuads && pQuads > 0; ++q) {
        lPoints.emplace_back(q, pY, 0.0, 1.0);
        lPoints.emplace_back(q, pY, 1.0, 1.0);
    }
    KRyvNode* lNode = ioScene.mFactory->CreateNode(pName);
    lNode->SetNodeAttribute(lMesh);
    ioScene.mScene->GetRootNode()->AddChild(lNode);
    return lMesh;
}

std::string Write(Scene& ioScene, const std::string& pPath)
{
    KWriterDxf lWriter(ioScene.mFactory.get());
    KStreamOptionsDxf lOptions;
    EXPECT_TRUE(lWriter.FileCreate(pPath.c_str()) &&
                lWriter.Write(ioScene.mScene.get(), &lOptions));
    return TempFolder::Read(pPath);
}

// The node names (without prefix) of the scene read from pPath by layer.
std::vector<std::string> ReadNames(const std::string& pPath)
{
    DxfRead lRead(pPath, KStreamOptionsDxf::kChoiceLayer);
    EXPECT_TRUE(lRead.mRead) << lRead.mError;
    std::vector<std::string> lNames;
    for (int i = 0; lRead.mRead && i < lRead.Root()->GetChildCount(); ++i) {
        lNames.emplace_back(lRead.Child(i)->GetNameWithoutPrefix().Buffer());
    }
    return lNames;
}

// Node names holding characters DXF forbids in layer names, blanks at the ends, and names that
// clash once letter case is set aside or once replaced, with the layer names worked out by hand,
// in the order of their lower-case forms.
const char* const kNodeNames[] = {"ICP_0Geo*0", "ICP_0Geo?0", "a<b>|c", " padded ",
                                  "Arm",        "ARM",        "x/y\\z", "q\"u:o;t=e`"};
const std::vector<std::string> kLayerNames = {"_padded_",   "a_b__c",      "Arm",        "ARM1",
                                              "ICP_0Geo_0", "ICP_0Geo_01", "q_u_o_t_e_", "x_y_z"};

// A triangle for each of kNodeNames, written to pPath; answers the file's text.
std::string WriteNamedMeshes(const std::string& pPath)
{
    Scene lScene;
    for (const char* lName : kNodeNames) {
        AddMesh(lScene, lName, 0.0);
    }
    return Write(lScene, pPath);
}

TEST(KWriterDxfSecondPass, LayerNamesAreValidDistinctAndInReadOrder)
{
    TempFolder lFiles;
    const std::string lPath = lFiles.PathOf("names.dxf");
    const std::string lText = WriteNamedMeshes(lPath);
    std::string lTable;
    for (const std::string& lName : kLayerNames) {
        lTable += "  0\nLAYER\n  2\n" + lName + "\n 70\n   0\n 62\n   0\n  6\nCONTINUOUS\n";
        // The layer of the polyline and of its 3 vertex and 1 face records.
        EXPECT_EQ(CountOf(lText, "  8\n" + lName + "\n"), 5u) << lName;
    }
    EXPECT_NE(lText.find(lTable), std::string::npos);
    EXPECT_EQ(ReadNames(lPath), kLayerNames);
}

#ifdef RYV_HAVE_DXFLIB
// The layer names an independent DXF library finds, in the table and on the polylines.
class LayerNames : public DL_CreationAdapter
{
public:
    void addLayer(const DL_LayerData& pData) override { mTable.push_back(pData.name); }
    void addPolyline(const DL_PolylineData&) override
    {
        mPolylines.push_back(getAttributes().getLayer());
    }
    std::vector<std::string> mTable;
    std::vector<std::string> mPolylines;
};

TEST(KWriterDxfSecondPass, AnIndependentReaderFindsTheLayerNames)
{
    TempFolder lFiles;
    const std::string lPath = lFiles.PathOf("names.dxf");
    WriteNamedMeshes(lPath);
    LayerNames lFound;
    DL_Dxf lDxf;
    ASSERT_TRUE(lDxf.in(lPath, &lFound));
    EXPECT_EQ(lFound.mTable, kLayerNames);
    EXPECT_EQ(lFound.mPolylines, kLayerNames);
}
#endif

// Unsorted names, a mesh coloured by polygon whose last material is not the colour its polygons
// use first last, and coordinates that round to zero from below: the file read back is written
// the same, and no coordinate reads "-0.000000".
TEST(KWriterDxfSecondPass, AWrittenDrawingReadBackIsWrittenTheSame)
{
    TempFolder lFiles;
    Scene lScene;
    AddMesh(lScene, "zeta", -1e-9);
    KRyvMesh* lTiles = AddMesh(lScene, "Tiles", 1.0, 3);
    const KColor lColors[] = {KColor(1, 0, 0), KColor(0, 0, 1), KColor(0, 1, 0)};
    for (const KColor& lColor : lColors) {
        KRyvMaterial* lMaterial = lScene.mFactory->CreateMaterial("tile");
        lMaterial->SetDiffuseColor(lColor);
        lTiles->AddMaterial(lMaterial);
    }
    lTiles->InitMaterialIndices(KRyvMesh::eMappingByPolygon);
    // Green, red, green: blue, the last material, is not used; red is first used last.
    const int lMaterialOf[] = {2, 0, 2};
    for (int q = 0; q < 3; ++q) {
        lTiles->BeginPolygon(lMaterialOf[q]);
        for (const int lCorner : {2 * q, 2 * q + 2, 2 * q + 3, 2 * q + 1}) {
            lTiles->AddPolygon(lCorner);
        }
    }
    AddMesh(lScene, "alpha", -0.0);
    const std::string lFirst = Write(lScene, lFiles.PathOf("first.dxf"));
    EXPECT_EQ(lFirst.find("-0.000000"), std::string::npos);
    // Layer "Tiles" takes red (1), the colour the reader's mesh ends on.
    EXPECT_NE(lFirst.find("  2\nTiles\n 70\n   0\n 62\n   1\n"), std::string::npos);
    EXPECT_EQ(ReadNames(lFiles.PathOf("first.dxf")),
              (std::vector<std::string>{"alpha", "Tiles", "zeta"}));
    DxfRead lRead(lFiles.PathOf("first.dxf"), KStreamOptionsDxf::kChoiceLayer, true);
    ASSERT_TRUE(lRead.mRead) << lRead.mError;
    KWriterDxf lWriter(lRead.mFactory.get());
    KStreamOptionsDxf lOptions;
    ASSERT_TRUE(lWriter.FileCreate(lFiles.PathOf("second.dxf").c_str()) &&
                lWriter.Write(lRead.mScene.get(), &lOptions));
    EXPECT_EQ(TempFolder::Read(lFiles.PathOf("second.dxf")), lFirst);
}

// Every geometry sample written as DXF, read back and written again: the same bytes.
TEST(KWriterDxfSecondPass, EverySampleWrittenTwiceGivesTheSameBytes)
{
    const std::filesystem::path lSamples(RYV_SAMPLES_DIR);
    if (!std::filesystem::is_directory(lSamples)) {
        GTEST_SKIP() << "samples absent";
    }
    TempFolder lFiles;
    int lCount = 0;
    for (const char* lFolder : {"3ds", "obj", "dxf"}) {
        for (const auto& lEntry : std::filesystem::directory_iterator(lSamples / lFolder)) {
            const std::string lExtension = lEntry.path().extension().string();
            if (lExtension != ".3ds" && lExtension != ".obj" && lExtension != ".dxf") {
                continue;
            }
            const std::string lFirst = lFiles.PathOf("first.dxf");
            const std::string lSecond = lFiles.PathOf("second.dxf");
            ASSERT_TRUE(Convert(lEntry.path().string(), lFirst)) << lEntry.path();
            ASSERT_TRUE(Convert(lFirst, lSecond)) << lEntry.path();
            EXPECT_TRUE(TempFolder::Read(lFirst) == TempFolder::Read(lSecond)) << lEntry.path();
            ++lCount;
        }
    }
    EXPECT_GT(lCount, 0);
}

} // namespace
