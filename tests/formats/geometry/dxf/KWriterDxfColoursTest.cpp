#include "tests/formats/geometry/dxf/DxfTestSupport.h"

#include "scene/objects/KRyvMaterial.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::size_t Count(const std::string& pText, const std::string& pPart)
{
    std::size_t lCount = 0;
    for (std::size_t lAt = pText.find(pPart); lAt != std::string::npos;
         lAt = pText.find(pPart, lAt + 1)) {
        ++lCount;
    }
    return lCount;
}

KRyvMesh* AddMesh(KRyvObjectFactory& ioFactory, KRyvScene& ioScene, const char* pName, int pPoints)
{
    KRyvMesh* lMesh = ioFactory.CreateMesh();
    for (int i = 0; i < pPoints; ++i) {
        lMesh->GetControlPointArray().emplace_back(i % 2, 0.0, i / 2, 1.0);
    }
    KRyvNode* lNode = ioFactory.CreateNode(pName);
    lNode->SetNodeAttribute(lMesh);
    ioScene.GetRootNode()->AddChild(lNode);
    return lMesh;
}

KRyvMaterial* Material(KRyvObjectFactory& ioFactory, const char* pName, const KColor& pColor)
{
    KRyvMaterial* lMaterial = ioFactory.CreateMaterial(pName);
    lMaterial->SetDiffuseColor(pColor);
    return lMaterial;
}

// Colours by polygon (a split polygon repeats its colour in its further records, a material
// index past the materials gives 0) and by point. The layer takes the colour the polygons use
// first last (green: red, none, green), by point the last material's colour.
TEST(KWriterDxf, ColoursByPolygonAndByPointAreWrittenPerRecord)
{
    TempFolder lFiles;
    KRyvObjectFactory lFactory;
    KRyvScene lScene(&lFactory);
    KRyvMesh* lTiles = AddMesh(lFactory, lScene, "tiles", 6);
    lTiles->AddMaterial(Material(lFactory, "green", KColor(0, 1, 0)));
    lTiles->AddMaterial(Material(lFactory, "red", KColor(1, 0, 0)));
    lTiles->InitMaterialIndices(KRyvMesh::eMappingByPolygon);
    const int lPolygons[3][7] = {{1, 0, 1, 3, 5, 4, 2}, {5, 0, 1, 2}, {0, 2, 3, 1}};
    const int lSizes[3] = {6, 3, 3};
    for (int p = 0; p < 3; ++p) {
        lTiles->BeginPolygon(lPolygons[p][0]);
        for (int k = 1; k <= lSizes[p]; ++k) {
            lTiles->AddPolygon(lPolygons[p][k]);
        }
    }
    KRyvMesh* lDots = AddMesh(lFactory, lScene, "dots", 3);
    lDots->AddMaterial(Material(lFactory, "blue", KColor(0, 0, 1)));
    lDots->AddMaterial(Material(lFactory, "yellow", KColor(1, 1, 0)));
    lDots->InitMaterialIndices(KRyvMesh::eMappingByControlPoint);
    lDots->GetMaterialIndices()[2] = 1;
    lDots->BeginPolygon();
    for (int k = 0; k < 3; ++k) {
        lDots->AddPolygon(k);
    }
    const std::string lPath = lFiles.Path() + "/colours.dxf";
    KWriterDxf lWriter(&lFactory);
    KStreamOptionsDxf lOptions;
    lOptions.SetOptionValue(KStreamOptionsDxf::kForceTriangulation, 0);
    ASSERT_TRUE(lWriter.FileCreate(lPath.c_str()) && lWriter.Write(&lScene, &lOptions));
    const std::string lText = TempFolder::Read(lPath);
    EXPECT_EQ(Count(lText, "  2\ntiles\n 70\n   0\n 62\n   3\n"), 1u);
    EXPECT_EQ(Count(lText, "  2\ndots\n 70\n   0\n 62\n   2\n"), 1u);
    // The hexagon: four records, red; then the triangle past the materials, then the green one.
    const std::string lRecord = "\n 10\n0.0\n 20\n0.0\n 30\n0.0\n 70\n   128\n";
    EXPECT_EQ(Count(lText, "tiles\n 62\n   1" + lRecord), 1u);
    EXPECT_EQ(Count(lText, "tiles\n 62\n 1" + lRecord), 3u);
    EXPECT_EQ(Count(lText, "tiles\n 62\n   0" + lRecord + " 71\n   3\n 72\n   2\n 73\n   1\n"), 1u);
    EXPECT_EQ(Count(lText, "tiles\n 62\n   3" + lRecord + " 71\n   2\n 72\n   4\n 73\n   3\n"), 1u);
    // By point: blue, blue, yellow; the face record takes the layer's colour.
    EXPECT_EQ(Count(lText, "  0\nVERTEX\n  8\ndots\n 62\n   5\n 10\n"), 2u);
    EXPECT_EQ(Count(lText, "  0\nVERTEX\n  8\ndots\n 62\n   2\n 10\n"), 2u);
    EXPECT_EQ(Count(lText, "dots\n 62\n   2" + lRecord + " 71\n   3\n 72\n   2\n 73\n   1\n"), 1u);
}

} // namespace
