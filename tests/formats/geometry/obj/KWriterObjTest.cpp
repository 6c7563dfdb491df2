#include "tests/formats/geometry/obj/ObjTestSupport.h"

#include "core/KOutputGroup.h"
#include "formats/geometry/obj/KWriterObj.h"
#include "io/KExporter.h"
#include "io/KFileFormatRegistry.h"
#include "scene/objects/KLayer.h"
#include "scene/objects/KRyvLink.h"
#include "scene/objects/KRyvMaterial.h"
#include "scene/objects/KRyvTexture.h"
#include "tests/support/NotFinitePoints.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>

namespace {

const int kCubeFaces[6][4] = {{0, 1, 2, 3}, {5, 4, 7, 6}, {1, 5, 6, 2},
                              {4, 0, 3, 7}, {3, 2, 6, 7}, {4, 5, 1, 0}};

// A unit cube node under the root: 8 control points, 6 quadrilaterals.
KRyvMesh* AddCube(KRyvObjectFactory& ioFactory, KRyvScene& ioScene, const char* pName,
                  KRyvNode** oNode = nullptr)
{
    KRyvMesh* lMesh = ioFactory.CreateMesh();
    lMesh->InitControlPoints(8);
    for (int i = 0; i < 8; ++i) {
        lMesh->GetControlPoints()[i] =
            KVector4(i & 1 ? 0.5 : -0.5, i & 2 ? 0.5 : -0.5, i & 4 ? -0.5 : 0.5, 1.0);
    }
    for (const auto& lFace : kCubeFaces) {
        lMesh->BeginPolygon();
        for (int lCorner : lFace) {
            lMesh->AddPolygon(lCorner);
        }
    }
    KRyvNode* lNode = ioFactory.CreateNode(pName);
    lNode->SetNodeAttribute(lMesh);
    ioScene.GetRootNode()->AddChild(lNode);
    if (oNode) {
        *oNode = lNode;
    }
    return lMesh;
}

bool WriteObj(KRyvScene& ioScene, KRyvObjectFactory& ioFactory, const std::string& pPath,
              bool pTriangulate = false, std::string* oMessage = nullptr)
{
    KWriterObj lWriter(&ioFactory);
    KStreamOptionsObj lOptions;
    lOptions.SetOptionValue(KStreamOptionsObj::kForceTriangulation, pTriangulate ? 1 : 0);
    const bool lWritten = lWriter.FileCreate(pPath.c_str()) && lWriter.Write(&ioScene, &lOptions) &&
                          lWriter.FileClose();
    if (oMessage) {
        *oMessage = lWriter.GetMessage().Buffer();
    }
    return lWritten;
}

std::vector<std::string> LinesStartingWith(const std::string& pText, const std::string& pStart)
{
    std::vector<std::string> lLines;
    std::istringstream lIn(pText);
    for (std::string lLine; std::getline(lIn, lLine);) {
        if (lLine.compare(0, pStart.size(), pStart) == 0) {
            lLines.push_back(lLine);
        }
    }
    return lLines;
}

} // namespace

TEST(KWriterObjTest, CubeIsWrittenAsThePlainForm)
{
    KRyvObjectFactory lFactory;
    KRyvScene lScene(&lFactory);
    AddCube(lFactory, lScene, "Cube");
    AddCube(lFactory, lScene, "Second");
    TempFolder lFolder;
    ASSERT_TRUE(WriteObj(lScene, lFactory, lFolder.Path() + "/cube.obj"));
    const std::string lText = TempFolder::Read(lFolder.Path() + "/cube.obj");
    EXPECT_EQ(
        lText.rfind("# \n# Wavefront OBJ file\n# Created with Zembrol RYV\n# \ng Model::Cube\n", 0),
        0u);
    EXPECT_EQ(LinesStartingWith(lText, "g "),
              (std::vector<std::string>{"g Model::Cube", "g Model::Second"}));
    EXPECT_EQ(LinesStartingWith(lText, "v ").size(), 16u);
    EXPECT_EQ(LinesStartingWith(lText, "v ")[0], "v -0.500000 -0.500000 0.500000");
    const std::vector<std::string> lFaces = LinesStartingWith(lText, "f ");
    ASSERT_EQ(lFaces.size(), 12u);
    EXPECT_EQ(lFaces[0], "f 1 2 3 4");
    EXPECT_EQ(lFaces[6], "f 9 10 11 12");
    EXPECT_EQ(lText.find("mtllib"), std::string::npos);
    EXPECT_EQ(lText.find("usemtl"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(lFolder.Path() + "/cube.mtl"));
}

TEST(KWriterObjTest, EachWriteTakesTheTransformsAsTheyAreThen)
{
    KRyvObjectFactory lFactory;
    KRyvScene lScene(&lFactory);
    KRyvNode* lNode = nullptr;
    AddCube(lFactory, lScene, "Cube", &lNode);
    TempFolder lFolder;
    ASSERT_TRUE(WriteObj(lScene, lFactory, lFolder.Path() + "/a.obj"));
    EXPECT_EQ(LinesStartingWith(TempFolder::Read(lFolder.Path() + "/a.obj"), "v ")[0],
              "v -0.500000 -0.500000 0.500000");
    // Pivot setters leave the cached matrices alone: the write itself computes them afresh.
    lNode->SetPivotState(0, 0);
    lNode->SetRotationOffset(0, KVector4(4.0, 0.0, 0.0));
    ASSERT_TRUE(WriteObj(lScene, lFactory, lFolder.Path() + "/b.obj"));
    EXPECT_EQ(LinesStartingWith(TempFolder::Read(lFolder.Path() + "/b.obj"), "v ")[0],
              "v 3.500000 -0.500000 0.500000");
}

TEST(KWriterObjTest, WorldSpaceAndTriangulationLeaveTheSceneAlone)
{
    KRyvObjectFactory lFactory;
    KRyvScene lScene(&lFactory);
    KRyvNode* lNode = nullptr;
    KRyvMesh* lMesh = AddCube(lFactory, lScene, "Cube", &lNode);
    lMesh->InitNormals(8);
    for (int i = 0; i < 8; ++i) {
        lMesh->GetNormalsDirect()[i] = KVector4(0.0, 0.0, 2.0);
    }
    lNode->SetLclTranslation(KVector4(10.0, 0.0, 0.0));
    lNode->SetLclRotation(KVector4(0.0, 90.0, 0.0));
    TempFolder lFolder;
    ASSERT_TRUE(WriteObj(lScene, lFactory, lFolder.Path() + "/a.obj", true));
    ASSERT_TRUE(WriteObj(lScene, lFactory, lFolder.Path() + "/b.obj", true));
    const std::string lText = TempFolder::Read(lFolder.Path() + "/a.obj");
    EXPECT_EQ(lText, TempFolder::Read(lFolder.Path() + "/b.obj"));
    // Rotating (-0.5, -0.5, 0.5) by 90 degrees about Y gives (0.5, -0.5, 0.5); then x + 10.
    EXPECT_EQ(LinesStartingWith(lText, "v ")[0], "v 10.500000 -0.500000 0.500000");
    EXPECT_EQ(LinesStartingWith(lText, "vn ")[0], "vn 1.000000 0.000000 0.000000");
    EXPECT_EQ(LinesStartingWith(lText, "f ").size(), 12u);
    EXPECT_EQ(LinesStartingWith(lText, "f ")[0].substr(0, 2), "f ");
    EXPECT_EQ(lMesh->GetPolygonCount(), 6);
    EXPECT_EQ(lNode->GetMesh(), lMesh);
    EXPECT_DOUBLE_EQ(lMesh->GetNormalsDirect()[0][2], 2.0);
}

TEST(KWriterObjTest, MaterialsTexturesAndTheLibraryFile)
{
    TempFolder lFolder;
    const std::string lSource = lFolder.Write("source/tex/wood.bmp", "BMxxxx");
    KRyvObjectFactory lFactory;
    KRyvScene lScene(&lFactory);
    KRyvMaterial* lRed = lFactory.CreateMaterial("dark red paint");
    lRed->SetDiffuse(1.0, 0.0, 0.0);
    lRed->SetShininess(0.25);
    lRed->SetOpacity(0.5);
    KRyvTexture* lWood = lFactory.CreateTexture("wood");
    lWood->SetFileName(lSource.c_str());
    lWood->SetSwapUV(true);
    for (const char* lName : {"One", "Two"}) {
        KRyvMesh* lMesh = AddCube(lFactory, lScene, lName);
        lMesh->InitMaterialIndices(KRyvMesh::eMappingAllSame);
        lMesh->AddMaterial(lRed);
    }
    KRyvMesh* lTextured = AddCube(lFactory, lScene, "Three");
    lTextured->InitMaterialIndices(KRyvMesh::eMappingAllSame);
    lTextured->AddMaterial(lRed);
    lTextured->InitTextureIndices(KRyvMesh::eMappingAllSame);
    lTextured->AddTexture(lWood);
    lTextured->InitTextureUVIndices(KRyvMesh::eMappingByControlPoint);
    for (int i = 0; i < 8; ++i) {
        lTextured->AddTextureUV(KVector2(0.25, 0.75));
    }
    std::string lMessage;
    ASSERT_TRUE(WriteObj(lScene, lFactory, lFolder.Path() + "/out/Scene.OBJ", false, &lMessage));
    EXPECT_EQ(lMessage, "Texture file \"" + lSource + "\" copied to \"" + lFolder.Path() +
                            "/out/wood.bmp\".\n");
    const std::string lText = TempFolder::Read(lFolder.Path() + "/out/Scene.OBJ");
    EXPECT_NE(lText.find("# \nmtllib Scene.mtl\n\n"), std::string::npos);
    EXPECT_EQ(LinesStartingWith(lText, "usemtl "),
              (std::vector<std::string>{"usemtl dark_red_paint", "usemtl dark_red_paint",
                                        "usemtl dark_red_paint1"}));
    // Eight equal UVs are one "vt" line, swapped.
    EXPECT_EQ(LinesStartingWith(lText, "vt "), (std::vector<std::string>{"vt 0.750000 0.250000"}));
    EXPECT_EQ(LinesStartingWith(lText, "f ")[12], "f 17/1 18/1 19/1 20/1");
    const std::string lLibrary = TempFolder::Read(lFolder.Path() + "/out/Scene.mtl");
    EXPECT_EQ(LinesStartingWith(lLibrary, "newmtl "),
              (std::vector<std::string>{"newmtl dark_red_paint", "newmtl dark_red_paint1"}));
    EXPECT_EQ(LinesStartingWith(lLibrary, "map_Kd "),
              (std::vector<std::string>{"map_Kd wood.bmp"}));
    EXPECT_EQ(LinesStartingWith(lLibrary, "Kd ")[0], "Kd 1.000000 0.000000 0.000000");
    EXPECT_EQ(LinesStartingWith(lLibrary, "Ns ")[0], "Ns 25.000000");
    EXPECT_EQ(LinesStartingWith(lLibrary, "d "),
              (std::vector<std::string>{"d 0.500000", "d 0.500000"}));
    EXPECT_TRUE(LinesStartingWith(lLibrary, "Tr ").empty());
    EXPECT_EQ(TempFolder::Read(lFolder.Path() + "/out/wood.bmp"), "BMxxxx");

    // A texture whose file is gone: a warning, no empty copy.
    lWood->SetFileName((lFolder.Path() + "/missing/gone.bmp").c_str());
    ASSERT_TRUE(WriteObj(lScene, lFactory, lFolder.Path() + "/out2/s.obj", false, &lMessage));
    EXPECT_NE(lMessage.find("Unable to locate texture file \""), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(lFolder.Path() + "/out2/gone.bmp"));
}

TEST(KWriterObjTest, MaterialFilePathChangesOnlyTheFileName)
{
    EXPECT_EQ(KWriterObj::GetMaterialFilePath("Scene.OBJ"), "Scene.mtl");
    EXPECT_EQ(KWriterObj::GetMaterialFilePath("/data/my.objects/Scene.OBJ"),
              "/data/my.objects/Scene.mtl");
    EXPECT_EQ(KWriterObj::GetMaterialFilePath("/Data/Models/scene"), "/Data/Models/scene.mtl");
    EXPECT_EQ(KWriterObj::GetMaterialFilePath("out/x.mtl"), "out/x.mtl.mtl");
    // The name stays as it is: "My_Scene.mtl" may be another file's library.
    EXPECT_EQ(KWriterObj::GetMaterialFilePath("out/My Scene.obj"), "out/My Scene.mtl");
    // Only '/' separates folders: "a\\b.obj" is a file of the current folder.
    EXPECT_EQ(KWriterObj::GetMaterialFilePath("a\\b.obj"), "a\\b.mtl");
    EXPECT_EQ(KWriterObj::GetMaterialFilePath("/x.obj"), "/x.mtl");
}

TEST(KWriterObjTest, TheLibraryNeverLandsOnAnotherFilesLibrary)
{
    TempFolder lFolder;
    const std::string lOther = lFolder.Write("car.mtl", "newmtl paint\nKd 1 0 0\n");
    lFolder.Write("car.obj", "mtllib car.mtl\n");
    KRyvObjectFactory lFactory;
    KRyvScene lScene(&lFactory);
    KRyvMesh* lMesh = AddCube(lFactory, lScene, "Body");
    lMesh->InitMaterialIndices(KRyvMesh::eMappingAllSame);
    lMesh->AddMaterial(lFactory.CreateMaterial("blue"));
    ASSERT_TRUE(WriteObj(lScene, lFactory, lFolder.Path() + "/CAR.obj"));
    EXPECT_EQ(TempFolder::Read(lOther), "newmtl paint\nKd 1 0 0\n");
    EXPECT_NE(TempFolder::Read(lFolder.Path() + "/CAR.obj").find("mtllib CAR.mtl\n"),
              std::string::npos);
    EXPECT_NE(TempFolder::Read(lFolder.Path() + "/CAR.mtl").find("newmtl blue"), std::string::npos);
}

TEST(KWriterObjTest, OptionsAreRequired)
{
    KRyvObjectFactory lFactory;
    KRyvScene lScene(&lFactory);
    TempFolder lFolder;
    KWriterObj lWriter(&lFactory);
    ASSERT_TRUE(lWriter.FileCreate((lFolder.Path() + "/a.obj").c_str()));
    KStreamOptionsBase lForeign;
    EXPECT_FALSE(lWriter.Write(&lScene, &lForeign));
    EXPECT_EQ(lWriter.GetError().GetLastErrorID(), KWriter::kStreamOptionsNotSet);
    EXPECT_FALSE(lWriter.Write(&lScene, nullptr));
    KStreamOptionsObj lOptions;
    EXPECT_FALSE(lWriter.Write(nullptr, &lOptions));
    EXPECT_EQ(lWriter.GetError().GetLastErrorID(), KWriter::kUnidentifiedError);
    lWriter.FileClose();
    EXPECT_EQ(TempFolder::Read(lFolder.Path() + "/a.obj"), "");
    EXPECT_FALSE(lWriter.Write(&lScene, &lOptions));
    EXPECT_EQ(lWriter.GetError().GetLastErrorID(), KWriter::kFileNotOpened);

    KExporter lExporter(&lFactory);
    lExporter.SetFileFormat(KFileFormatRegistry::kExportObj);
    lExporter.Initialize((lFolder.Path() + "/b.obj").c_str());
    EXPECT_FALSE(lExporter.Export(&lScene, nullptr));
    EXPECT_EQ(lExporter.GetError().GetLastErrorID(), KExporter::kStreamOptionsNotSet);
}

TEST(KWriterObjTest, RoundTripKeepsGeometryUVsNormalsAndMaterials)
{
    KRyvObjectFactory lFactory;
    KRyvScene lScene(&lFactory);
    KRyvMaterial* lRed = lFactory.CreateMaterial("red");
    lRed->SetDiffuse(0.8, 0.1, 0.2);
    lRed->SetAmbient(0.1, 0.0, 0.0);
    lRed->SetSpecular(0.5, 0.5, 0.5);
    lRed->SetShininess(0.3);
    lRed->SetOpacity(0.75);
    KRyvMaterial* lBlue = lFactory.CreateMaterial("blue");
    lBlue->SetDiffuse(0.0, 0.0, 1.0);
    KRyvMesh* lMesh = AddCube(lFactory, lScene, "Box");
    lMesh->GetControlPoints()[0] = KVector4(-0.123456, 3.5, 1e-7, 1.0);
    lMesh->InitNormals(8);
    for (int i = 0; i < 8; ++i) {
        lMesh->GetNormalsDirect()[i] = KVector4(0.0, 1.0, 0.0);
    }
    lMesh->InitTextureUVIndices(KRyvMesh::eMappingByControlPoint);
    for (int i = 0; i < 8; ++i) {
        lMesh->AddTextureUV(KVector2(i * 0.125, 1.0 - i * 0.125));
    }
    KRyvMesh* lOther = AddCube(lFactory, lScene, "Lid");
    lOther->InitMaterialIndices(KRyvMesh::eMappingByPolygon);
    lOther->AddMaterial(lRed);
    lOther->AddMaterial(lBlue);
    lOther->GetLayer(0)->GetMaterials()->GetIndexArray() = {0, 1, 0, 1, 0, 1};
    TempFolder lFolder;
    ASSERT_TRUE(WriteObj(lScene, lFactory, lFolder.Path() + "/round.obj"));

    ObjRead lResult(lFolder.PathOf("round.obj"), "", false, true);
    ASSERT_TRUE(lResult.mRead) << lResult.mErrorText;
    EXPECT_EQ(lResult.mMessage, "");
    KRyvMesh* lBox = lResult.Mesh("Box");
    KRyvMesh* lLid = lResult.Mesh("Lid");
    ASSERT_TRUE(lBox && lLid);
    ASSERT_EQ(lBox->GetPolygonCount(), 6);
    ASSERT_EQ(lBox->GetControlPointCount(), 8);
    // The reader numbers control points as it meets them: corners are compared by position.
    for (int p = 0; p < 6; ++p) {
        ASSERT_EQ(lBox->GetPolygonSize(p), 4);
        for (int k = 0; k < 4; ++k) {
            const KVector4& lReadPoint = lBox->GetControlPoints()[lBox->GetPolygonVertex(p, k)];
            const KVector4& lPoint = lMesh->GetControlPoints()[kCubeFaces[p][k]];
            for (int c = 0; c < 3; ++c) {
                EXPECT_NEAR(lReadPoint[c], lPoint[c], 5e-7);
            }
            EXPECT_DOUBLE_EQ(lBox->GetNormalsDirect()[lBox->GetPolygonVertex(p, k)][1], 1.0);
        }
    }
    EXPECT_NEAR(lBox->GetControlPoints()[0][0], -0.123456, 1e-12);
    ASSERT_EQ(lBox->GetTextureUVCount(), 8);
    // Corner 2 of face 0 is control point 2 with the UV (0.25, 0.75).
    EXPECT_DOUBLE_EQ(lBox->GetTextureUV()[lBox->GetTextureUVIndex(0, 2)][0], 0.25);
    EXPECT_DOUBLE_EQ(lBox->GetTextureUV()[lBox->GetTextureUVIndex(0, 2)][1], 0.75);
    // Every face of the lid is read back with its own material.
    ASSERT_EQ(lLid->GetMaterialMappingMode(), KRyvMesh::eMappingByPolygon);
    for (int p = 0; p < 6; ++p) {
        const KRyvMaterial* lMaterial = lLid->GetMaterial(lLid->GetMaterialIndices()[p]);
        ASSERT_NE(lMaterial, nullptr);
        EXPECT_STREQ(lMaterial->GetName().Buffer(), p % 2 ? "Material::blue" : "Material::red");
    }
    KRyvMaterial* lRead = lResult.mFactory->FindMaterial("Material::red");
    ASSERT_NE(lRead, nullptr);
    double lColor[3];
    lRead->GetDiffuse(lColor[0], lColor[1], lColor[2]);
    EXPECT_NEAR(lColor[0], 0.8, 1e-6);
    EXPECT_NEAR(lColor[2], 0.2, 1e-6);
    lRead->GetSpecular(lColor[0], lColor[1], lColor[2]);
    EXPECT_NEAR(lColor[1], 0.5, 1e-6);
    EXPECT_NEAR(lRead->GetShininess(), 0.3, 1e-6);
    EXPECT_NEAR(lRead->GetOpacity(), 0.75, 1e-6);
}

TEST(KWriterObjTest, PerCornerNormalsAndUVsAndMaterialRuns)
{
    KRyvObjectFactory lFactory;
    KRyvScene lScene(&lFactory);
    KRyvMesh* lMesh = AddCube(lFactory, lScene, "Box");
    lMesh->InitNormals(8);
    KLayerElementNormal* lNormals = lMesh->GetLayer(0)->GetNormals();
    lNormals->SetMappingMode(KLayerElement::eByPolygonVertex);
    lNormals->GetDirectArray().assign(24, KVector4(0.0, 0.0, 1.0));
    lMesh->InitTextureIndices(KRyvMesh::eMappingByPolygon);
    lMesh->AddTexture(lFactory.CreateTexture("wood"));
    lMesh->GetLayer(0)->GetTextures()->GetIndexArray().assign(6, 0);
    lMesh->InitTextureUVIndices(KRyvMesh::eMappingByPolygonVertex);
    for (int i = 0; i < 24; ++i) {
        lMesh->AddTextureUV(KVector2(i / 24.0, 0.5));
    }
    // Every polygon takes the UVs 0, 2, 4 and 6 (u = 0, 1/12, 1/6, 1/4) in its corner order.
    std::vector<int>& lUVIndices = lMesh->GetLayer(0)->GetUVs()->GetIndexArray();
    for (int i = 0; i < 24; ++i) {
        lUVIndices.push_back(i % 4 * 2);
    }
    lMesh->InitMaterialIndices(KRyvMesh::eMappingByPolygon);
    lMesh->AddMaterial(lFactory.CreateMaterial("red"));
    lMesh->AddMaterial(lFactory.CreateMaterial("blue"));
    lMesh->GetLayer(0)->GetMaterials()->GetIndexArray() = {0, 0, 1, 1, 0, 0};
    TempFolder lFolder;
    ASSERT_TRUE(WriteObj(lScene, lFactory, lFolder.PathOf("a.obj")));
    const std::string lText = TempFolder::Read(lFolder.PathOf("a.obj"));
    // One normal per polygon vertex, each distinct UV once in the order of first use; a material
    // line only where the material changes.
    EXPECT_EQ(LinesStartingWith(lText, "vn ").size(), 24u);
    EXPECT_EQ(LinesStartingWith(lText, "vt "),
              (std::vector<std::string>{"vt 0.000000 0.500000", "vt 0.083333 0.500000",
                                        "vt 0.166667 0.500000", "vt 0.250000 0.500000"}));
    EXPECT_EQ(LinesStartingWith(lText, "f ")[1], "f 6/1/5 5/2/6 8/3/7 7/4/8");
    EXPECT_EQ(LinesStartingWith(lText, "usemtl "),
              (std::vector<std::string>{"usemtl red", "usemtl blue", "usemtl red"}));
}

// Twenty triangles whose corners use 30 UV entries, the first ten unswapped and the last ten
// through a texture that swaps UVs: a line per distinct text, so corner 2, whose UV differs from
// corner 0's by less than the printed precision, shares its line, and so does the swapped
// (0.5, 0.5) of corner 45 with corner 15's.
TEST(KWriterObjTest, EachDistinctUVLineIsWrittenOnce)
{
    KRyvObjectFactory lFactory;
    KRyvScene lScene(&lFactory);
    KRyvMesh* lMesh = lFactory.CreateMesh();
    const int lCorners = 60;
    lMesh->InitControlPoints(lCorners);
    lMesh->InitTextureIndices(KRyvMesh::eMappingByPolygon);
    lMesh->AddTexture(lFactory.CreateTexture("plain"));
    KRyvTexture* lSwapped = lFactory.CreateTexture("swapped");
    lSwapped->SetSwapUV(true);
    lMesh->AddTexture(lSwapped);
    lMesh->InitTextureUVIndices(KRyvMesh::eMappingByPolygonVertex);
    for (int i = 0; i < 30; ++i) {
        lMesh->AddTextureUV(KVector2(i / 30.0, 0.5));
    }
    lMesh->AddTextureUV(KVector2(1e-9, 0.5));
    std::vector<int>& lUVIndices = lMesh->GetLayer(0)->GetUVs()->GetIndexArray();
    for (int c = 0; c < lCorners; ++c) {
        lMesh->GetControlPoints()[c] = KVector4(c, c % 3, 0.0);
        if (c % 3 == 0) {
            lMesh->BeginPolygon(-1, c < 30 ? 0 : 1);
        }
        lMesh->AddPolygon(c);
        lUVIndices.push_back(c == 2 ? 30 : c % 30);
    }
    KRyvNode* lNode = lFactory.CreateNode("Strip");
    lNode->SetNodeAttribute(lMesh);
    lScene.GetRootNode()->AddChild(lNode);
    TempFolder lFolder;
    ASSERT_TRUE(WriteObj(lScene, lFactory, lFolder.PathOf("a.obj")));
    const std::string lText = TempFolder::Read(lFolder.PathOf("a.obj"));
    const std::vector<std::string> lLines = LinesStartingWith(lText, "vt ");
    ASSERT_EQ(lLines.size(), 58u);
    EXPECT_EQ(lLines[0], "vt 0.000000 0.500000");
    EXPECT_EQ(lLines[2], "vt 0.100000 0.500000");
    EXPECT_EQ(lLines[29], "vt 0.500000 0.000000");
    EXPECT_EQ(lLines[57], "vt 0.500000 0.966667");
    const std::vector<std::string> lFaces = LinesStartingWith(lText, "f ");
    EXPECT_EQ(lFaces[0], "f 1/1 2/2 3/1");
    EXPECT_EQ(lFaces[15], "f 46/15 47/45 48/46");
    EXPECT_EQ(lFaces[19], "f 58/56 59/57 60/58");
}

// A bone moved by (0, 10, 0) since binding pulls the points it holds with their weights: fully
// in every mode at weight 1; at weight 0.5 fully when the weights are normalised, halfway when
// they are added to the rest pose. Indices outside the points are skipped.
TEST(KWriterObjTest, LinksDeformThePointsWritten)
{
    const std::pair<int, const char*> lModes[] = {{KRyvLink::eNormalize, "9.500000"},
                                                  {KRyvLink::eAdditive, "4.500000"},
                                                  {KRyvLink::eTotal1, "4.500000"}};
    for (const auto& lMode : lModes) {
        KRyvObjectFactory lFactory;
        KRyvScene lScene(&lFactory);
        KRyvMesh* lMesh = AddCube(lFactory, lScene, "Skin");
        KRyvNode* lBone = lFactory.CreateNode("Bone");
        lScene.GetRootNode()->AddChild(lBone);
        lBone->SetLclTranslation(KVector4(0.0, 10.0, 0.0));
        KRyvLink* lLink = lFactory.CreateLink();
        lLink->SetLink(lBone);
        lLink->SetLinkMode(lMode.first);
        for (const auto& lWeight :
             {std::pair<int, double>{0, 1.0}, {1, 0.5}, {8, 1.0}, {-1, 1.0}}) {
            lLink->AddControlPointIndex(lWeight.first, lWeight.second);
        }
        lMesh->AddLink(lLink);
        TempFolder lFolder;
        ASSERT_TRUE(WriteObj(lScene, lFactory, lFolder.PathOf("a.obj")));
        const std::vector<std::string> lPoints =
            LinesStartingWith(TempFolder::Read(lFolder.PathOf("a.obj")), "v ");
        ASSERT_EQ(lPoints.size(), 8u);
        EXPECT_EQ(lPoints[0], "v -0.500000 9.500000 0.500000") << lMode.first;
        EXPECT_EQ(lPoints[1], std::string("v 0.500000 ") + lMode.second + " 0.500000")
            << lMode.first;
        EXPECT_EQ(lPoints[2], "v -0.500000 0.500000 0.500000") << lMode.first;
    }
}

TEST(KWriterObjTest, MaterialsByControlPointAndATextureAlone)
{
    KRyvObjectFactory lFactory;
    KRyvScene lScene(&lFactory);
    // A polygon takes the material of its first corner.
    KRyvMesh* lPoints = AddCube(lFactory, lScene, "Points");
    lPoints->InitMaterialIndices(KRyvMesh::eMappingByControlPoint);
    lPoints->AddMaterial(lFactory.CreateMaterial("red"));
    lPoints->AddMaterial(lFactory.CreateMaterial("blue"));
    lPoints->GetLayer(0)->GetMaterials()->GetIndexArray() = {0, 1, 1, 1, 1, 0, 0, 0};
    TempFolder lFolder;
    ASSERT_TRUE(WriteObj(lScene, lFactory, lFolder.PathOf("a.obj")));
    EXPECT_EQ(LinesStartingWith(TempFolder::Read(lFolder.PathOf("a.obj")), "usemtl "),
              (std::vector<std::string>{"usemtl red", "usemtl blue"}));
    // One texture and no material still needs the library.
    KRyvScene lOther(&lFactory);
    KRyvMesh* lTextured = AddCube(lFactory, lOther, "Textured");
    lTextured->InitTextureIndices(KRyvMesh::eMappingAllSame);
    lTextured->AddTexture(lFactory.CreateTexture("wood"));
    ASSERT_TRUE(WriteObj(lOther, lFactory, lFolder.PathOf("b.obj")));
    EXPECT_EQ(LinesStartingWith(TempFolder::Read(lFolder.PathOf("b.obj")), "mtllib "),
              (std::vector<std::string>{"mtllib b.mtl"}));
}

// A deformed mesh's normals are deformed in the writer's own copy: the file shows the turned
// normal, the scene keeps its own.
TEST(KWriterObjTest, LinksTurnTheNormalsWrittenNotTheScenes)
{
    KRyvObjectFactory lFactory;
    KRyvScene lScene(&lFactory);
    KRyvMesh* lMesh = AddCube(lFactory, lScene, "Skin");
    lMesh->InitNormals(8);
    for (int i = 0; i < 8; ++i) {
        lMesh->GetNormalsDirect()[i] = KVector4(1.0, 0.0, 0.0);
    }
    KRyvNode* lBone = lFactory.CreateNode("Bone");
    lScene.GetRootNode()->AddChild(lBone);
    lBone->SetLclRotation(KVector4(0.0, 0.0, 90.0));
    KRyvLink* lLink = lFactory.CreateLink();
    lLink->SetLink(lBone);
    lLink->AddControlPointIndex(0, 1.0);
    lMesh->AddLink(lLink);
    TempFolder lFolder;
    ASSERT_TRUE(WriteObj(lScene, lFactory, lFolder.PathOf("a.obj")));
    const std::vector<std::string> lNormals =
        LinesStartingWith(TempFolder::Read(lFolder.PathOf("a.obj")), "vn ");
    ASSERT_EQ(lNormals.size(), 8u);
    EXPECT_EQ(lNormals[0], "vn 0.000000 1.000000 0.000000");
    EXPECT_EQ(lNormals[1], "vn 1.000000 0.000000 0.000000");
    EXPECT_EQ(lMesh->GetNormalsDirect()[0][0], 1.0);
    EXPECT_EQ(lMesh->GetNormalsDirect()[0][1], 0.0);
}

// A point that is not a number once placed in the world would be written as "v nan nan nan",
// which no reader takes: the write is refused, naming the node, and both files stay as they
// were. A file of finite points the same writer makes reads back.
TEST(KWriterObjTest, APointThatIsNotFiniteRefusesTheWrite)
{
    TempFolder lFolder;
    const std::string lPath = lFolder.Write("kept.obj", "before");
    lFolder.Write("kept.mtl", "library");
    for (const NotFinitePoint& lCase : NotFinitePoints()) {
        SCOPED_TRACE(lCase.mWhat);
        KRyvObjectFactory lFactory;
        KRyvScene lScene(&lFactory);
        AddCube(lFactory, lScene, "Fine");
        KRyvNode* lBad = nullptr;
        KRyvMesh* lMesh = AddCube(lFactory, lScene, "Bad", &lBad);
        lMesh->InitMaterialIndices(KRyvMesh::eMappingAllSame);
        lMesh->AddMaterial(lFactory.CreateMaterial("paint"));
        lMesh->GetControlPoints()[5][0] = lCase.mX;
        lBad->SetLclScaling(KVector4(lCase.mScale, 1.0, 1.0, 1.0));
        KWriterObj lWriter(&lFactory);
        KStreamOptionsObj lOptions;
        ASSERT_TRUE(lWriter.FileCreate(lPath.c_str()));
        EXPECT_FALSE(lWriter.Write(&lScene, &lOptions));
        EXPECT_EQ(lWriter.GetError().GetLastErrorID(), KWriter::kUnidentifiedError);
        EXPECT_STREQ(lWriter.GetError().GetLastErrorString().Buffer(),
                     "A point of node \"Bad\" is not a finite number");
        EXPECT_EQ(TempFolder::Read(lPath), "before");
        EXPECT_EQ(TempFolder::Read(lFolder.Path() + "/kept.mtl"), "library");
    }
    KRyvObjectFactory lFactory;
    KRyvScene lScene(&lFactory);
    KRyvNode* lLarge = nullptr;
    AddCube(lFactory, lScene, "Large", &lLarge);
    lLarge->SetLclScaling(KVector4(1e6, 1.0, 1.0, 1.0));
    const std::string lFine = lFolder.Path() + "/large.obj";
    ASSERT_TRUE(WriteObj(lScene, lFactory, lFine));
    ObjRead lBack(lFine, "", false, true);
    ASSERT_TRUE(lBack.mRead) << lBack.mErrorText;
    ASSERT_NE(lBack.Mesh("Large"), nullptr);
    EXPECT_EQ(lBack.Mesh("Large")->GetControlPoints()[1][0], 0.5e6);
}

namespace {

// A cube with a material and a texture, so that a write makes a library and copies an image.
void AddTexturedCube(KRyvObjectFactory& ioFactory, KRyvScene& ioScene, const std::string& pImage)
{
    KRyvMesh* lMesh = AddCube(ioFactory, ioScene, "Box");
    lMesh->InitMaterialIndices(KRyvMesh::eMappingAllSame);
    lMesh->AddMaterial(ioFactory.CreateMaterial("red"));
    KRyvTexture* lTexture = ioFactory.CreateTexture("tiles");
    lTexture->SetFileName(pImage.c_str());
    lMesh->InitTextureIndices(KRyvMesh::eMappingAllSame);
    lMesh->AddTexture(lTexture);
}

} // namespace

TEST(KWriterObjTest, TheFileAndItsLibraryGoInPlaceTogether)
{
    TempFolder lFolder;
    KRyvObjectFactory lFactory;
    KRyvScene lScene(&lFactory);
    AddTexturedCube(lFactory, lScene, lFolder.Write("tiles.png", "png"));
    const std::string lObj = lFolder.PathOf("o.obj");
    const std::string lMtl = lFolder.Write("o.mtl", "old library");

    // The OBJ file's place is taken once the write began: its library stays the old one, and
    // the refusal says why.
    KWriterObj lWriter(&lFactory);
    KStreamOptionsObj lOptions;
    ASSERT_TRUE(lWriter.FileCreate(lObj.c_str()));
    lFolder.Write("o.obj/taken", "");
    EXPECT_FALSE(lWriter.Write(&lScene, &lOptions));
    EXPECT_EQ(lWriter.GetError().GetLastErrorID(), KWriter::kFileNotCreated);
    EXPECT_STREQ(lWriter.GetError().GetLastErrorString().Buffer(),
                 (lObj + ": Is a directory").c_str());
    EXPECT_EQ(TempFolder::Read(lMtl), "old library");
    std::filesystem::remove_all(lObj);

    // In a caller's group both wait for the group's commit.
    KOutputGroup lGroup(lObj);
    lWriter.SetOutputGroup(&lGroup);
    ASSERT_TRUE(lWriter.FileCreate(lObj.c_str()));
    ASSERT_TRUE(lWriter.Write(&lScene, &lOptions));
    EXPECT_EQ(lGroup.GetCount(), 2);
    EXPECT_FALSE(std::filesystem::exists(lObj));
    EXPECT_EQ(TempFolder::Read(lMtl), "old library");
    ASSERT_TRUE(lGroup.Commit());
    EXPECT_NE(TempFolder::Read(lObj).find("mtllib o.mtl\n"), std::string::npos);
    EXPECT_NE(TempFolder::Read(lMtl).find("newmtl red"), std::string::npos);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(lFolder.Path()), {}), 3);
}

TEST(KWriterObjTest, SideFilesGoBesideTheOutputAsNamed)
{
    TempFolder lFolder;
    KRyvObjectFactory lFactory;
    KRyvScene lScene(&lFactory);
    AddTexturedCube(lFactory, lScene, lFolder.Write("in/tiles.png", "png"));
    const std::string lWritten = lFolder.Write("real/target.obj", "old");
    std::filesystem::create_directories(lFolder.PathOf("links"));
    const std::string lLink = lFolder.PathOf("links/out.obj");
    std::filesystem::create_symlink("../real/target.obj", lLink);

    // The OBJ file goes through the link; its library and texture go beside the link, where
    // the name given reads them back.
    KWriterObj lWriter(&lFactory);
    EXPECT_EQ(lWriter.GetCompanionFiles(lLink.c_str()),
              (std::vector<std::string>{lFolder.PathOf("links/out.mtl")}));
    ASSERT_TRUE(WriteObj(lScene, lFactory, lLink));
    EXPECT_TRUE(std::filesystem::is_symlink(lLink));
    EXPECT_NE(TempFolder::Read(lWritten).find("mtllib out.mtl\n"), std::string::npos);
    EXPECT_NE(TempFolder::Read(lFolder.PathOf("links/out.mtl")).find("map_Kd tiles.png"),
              std::string::npos);
    EXPECT_EQ(TempFolder::Read(lFolder.PathOf("links/tiles.png")), "png");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(lFolder.PathOf("real")), {}), 1);
}

TEST(KWriterObjTest, AFailedWriteLeavesNoCopiedTexture)
{
    // The texture lies elsewhere, so it would be copied; the OBJ file's place is taken once the
    // write began.
    TempFolder lFolder;
    KRyvObjectFactory lFactory;
    KRyvScene lScene(&lFactory);
    AddTexturedCube(lFactory, lScene, lFolder.Write("in/tiles.png", "png"));
    const std::string lObj = lFolder.PathOf("out/o.obj");
    KWriterObj lWriter(&lFactory);
    KStreamOptionsObj lOptions;
    ASSERT_TRUE(lWriter.FileCreate(lObj.c_str()));
    lFolder.Write("out/o.obj/taken", "");
    EXPECT_FALSE(lWriter.Write(&lScene, &lOptions));
    EXPECT_FALSE(std::filesystem::exists(lFolder.PathOf("out/tiles.png")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(lFolder.PathOf("out")), {}), 1);
}
