#include "tests/formats/geometry/obj/ObjTestSupport.h"

#include "io/KFileFormatRegistry.h"
#include "io/KImporter.h"
#include "scene/objects/KRyvMaterial.h"
#include "scene/objects/KRyvNurb.h"
#include "scene/objects/KRyvTexture.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace {

const std::string kTriangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";

TEST(KReaderObjTest, RefusesMissingOrForeignOptions)
{
    // The option names are what a user sees.
    EXPECT_STREQ(KStreamOptionsObj()
                     .GetOptionRecord(KStreamOptionsObj::kCreateReferenceNode)
                     ->mName.Buffer(),
                 "Create Reference Node");
    KRyvObjectFactory lFactory;
    KRyvScene lScene(&lFactory);
    KReaderObj lReader(&lFactory);
    const std::string lText = kTriangle + "f 1 2 3\n";
    ASSERT_TRUE(lReader.MemoryOpen(lText.data(), lText.size(), "a.obj"));
    EXPECT_FALSE(lReader.Read(&lScene, nullptr));
    EXPECT_EQ(lReader.GetError().GetLastErrorID(), KReader::kStreamOptionsNotSet);
    KStreamOptionsBase lForeign;
    EXPECT_FALSE(lReader.Read(&lScene, &lForeign));
    EXPECT_EQ(lReader.GetError().GetLastErrorID(), KReader::kStreamOptionsNotSet);
    EXPECT_EQ(lScene.GetRootNode()->GetChildCount(), 0);
    lReader.FileClose();
    KStreamOptionsObj lOptions;
    EXPECT_FALSE(lReader.Read(&lScene, &lOptions));
    EXPECT_EQ(lReader.GetError().GetLastErrorID(), KReader::kFileNotOpened);
}

TEST(KReaderObjTest, FaceReferencesAreResolvedCheckedAndShared)
{
    // Absolute and relative references; without "vn" each face of smoothing group 0 has a flat
    // normal of its own, so the second face gets control points of its own.
    ObjRead lPlain("a.obj", kTriangle + "f 1 2 3\nf -3 -2 -1\n");
    ASSERT_TRUE(lPlain.mRead) << lPlain.mErrorText;
    const KRyvMesh* lMesh = lPlain.Mesh("default");
    ASSERT_EQ(lMesh->GetPolygonCount(), 2);
    EXPECT_EQ(Polygon(lMesh, 0), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(Polygon(lMesh, 1), (std::vector<int>{3, 4, 5}));
    EXPECT_EQ(lMesh->GetControlPoints()[4], lMesh->GetControlPoints()[1]);

    // Two corners, an index 0, out of range, 2^40 and -4 against 3 vertices: only the last
    // face keeps three corners, its bad texture and normal numbers dropped.
    ObjRead lBad("a.obj", kTriangle + "f 1 2\nf 0 1 2\nf 1 2 9\nf 1 2 1099511627776\n"
                                      "f 1 2 -4\nf 1/99/99 2/-7/2 3//0\n");
    ASSERT_TRUE(lBad.mRead);
    EXPECT_EQ(lBad.Mesh("default")->GetPolygonCount(), 1);
    EXPECT_EQ(Polygon(lBad.Mesh("default"), 0), (std::vector<int>{0, 1, 2}));
    EXPECT_NE(lBad.mMessage.find("a.obj:6: 3 face corners refer to no vertex"), std::string::npos);
    EXPECT_NE(lBad.mMessage.find("a.obj:6: 3 faces kept fewer than 3 corners"), std::string::npos);

    // Corners share a control point only when vertex and normal are both equal.
    ObjRead lShared("a.obj", kTriangle + "v 1 1 0\nvn 0 0 1\nvn 0 0 -1\nf 1//1 2//1 3//1\n"
                                         "f 1//1 3//1 4//1\nf 1//2 4//2 3//2\n");
    lMesh = lShared.Mesh("default");
    EXPECT_EQ(Polygon(lMesh, 1), (std::vector<int>{0, 2, 3}));
    EXPECT_EQ(lMesh->GetControlPointCount(), 7);
    EXPECT_EQ(Polygon(lMesh, 2), (std::vector<int>{4, 5, 6}));
    EXPECT_EQ(lMesh->GetControlPoints()[4], lMesh->GetControlPoints()[0]);
    EXPECT_DOUBLE_EQ(const_cast<KRyvMesh*>(lMesh)->GetNormalsDirect()[4][2], -1.0);
    EXPECT_EQ(lMesh->GetTextureUVCount(), 0);
}

TEST(KReaderObjTest, VerticesOfHighDegreeKeepTheirTriplesApart)
{
    // A flat fan: every face has a normal of its own, so no corner shares a control point.
    const int lFaces = 2000;
    std::string lFan = "v 0 0 0\n";
    for (int i = 0; i < lFaces; ++i) {
        const double lAngle = 6.283185307179586 * i / lFaces;
        lFan += "v " + std::to_string(std::cos(lAngle)) + " " + std::to_string(std::sin(lAngle)) +
                " 0\n";
    }
    for (int i = 0; i < lFaces; ++i) {
        lFan += "f 1 " + std::to_string(i + 2) + " " + std::to_string((i + 1) % lFaces + 2) + "\n";
    }
    ObjRead lRead("fan.obj", lFan);
    const KRyvMesh* lMesh = lRead.Mesh("default");
    ASSERT_EQ(lMesh->GetControlPointCount(), 3 * lFaces);
    for (int i : {0, 17, lFaces - 1}) {
        EXPECT_EQ(Polygon(lMesh, i), (std::vector<int>{3 * i, 3 * i + 1, 3 * i + 2}));
    }
    // Forty normals on the same three vertices, used twice: equal triples still meet again,
    // before and after a vertex's triples move to the hash table.
    std::string lText = kTriangle;
    const int lNormals = 40;
    for (int i = 0; i < lNormals; ++i) {
        lText += "vn 0 " + std::to_string(i) + " 1\n";
    }
    for (int lPass = 0; lPass < 2; ++lPass) {
        for (int i = 1; i <= lNormals; ++i) {
            const std::string lN = std::to_string(i);
            lText += "f 1//" + lN + " 2//" + lN + " 3//" + lN + "\n";
        }
    }
    ObjRead lMany("a.obj", lText);
    lMesh = lMany.Mesh("default");
    EXPECT_EQ(lMesh->GetControlPointCount(), 3 * lNormals);
    for (int i = 0; i < lNormals; ++i) {
        EXPECT_EQ(Polygon(lMesh, lNormals + i), (std::vector<int>{3 * i, 3 * i + 1, 3 * i + 2}));
    }
}

TEST(KReaderObjTest, GroupNamesOrderAndReferenceNode)
{
    const std::string lFace = "f 1 2 3\n";
    ObjRead lRead("models/Chair.obj",
                  kTriangle + "g left arm\n" + lFace + "g Body\n" + lFace + "g a b c\n" + lFace +
                      "g arm\n" + lFace + "g Arm\n" + lFace + "g\n" + lFace,
                  true);
    KRyvNode* lRoot = lRead.mScene->GetRootNode();
    ASSERT_EQ(lRoot->GetChildCount(), 1);
    KRyvNode* lReference = lRoot->GetChild(0);
    EXPECT_STREQ(lReference->GetName().Buffer(), "Model::Chair_root");
    std::vector<std::string> lNames;
    for (int i = 0; i < lReference->GetChildCount(); ++i) {
        lNames.push_back(lReference->GetChild(i)->GetNameWithoutPrefix().Buffer());
    }
    EXPECT_EQ(lNames, (std::vector<std::string>{"a_b c", "arm", "Body", "default", "left_arm"}));
    EXPECT_EQ(lRead.Mesh("arm")->GetPolygonCount(), 2);
}

TEST(KReaderObjTest, MaterialsFromTheLibrary)
{
    TempFolder lFolder;
    lFolder.Write("lib.mtl", "newmtl red\nKd 1 0 0\nNs 64\nd 0.25\n\n"
                             "newmtl odd\nKd 2 -1 0.5\nKa 1 0 0 0.5\nTr 0.25\nNs 500\n"
                             "map_Kd first.png\nmap_Kd  tex/second.png  \n");
    lFolder.Write("other.mtl", "newmtl red\nKd 0 1 0\n");
    ObjRead lRead(lFolder.PathOf("a.obj"),
                  "mtllib lib.mtl other.mtl\n" + kTriangle + "g zero\nf 1 2 3\ng default\n" +
                      "usemtl red\nf 1 2 3\ng zero\nf 1 2 3\ng two\nusemtl odd\n"
                      "f 1 2 3\nusemtl RED\nf 1 2 3\nusemtl ghost\nf 1 2 3\n");
    ASSERT_TRUE(lRead.mRead);
    EXPECT_NE(lRead.mMessage.find("Unable to read material \"ghost\" in .mtl file\n"),
              std::string::npos);
    EXPECT_EQ(lRead.mCompanionFiles,
              (std::vector<std::string>{lFolder.PathOf("lib.mtl"), lFolder.PathOf("other.mtl")}));
    KRyvMaterial* lRed = lRead.mFactory->FindMaterial("Material::red");
    KRyvMaterial* lOdd = lRead.mFactory->FindMaterial("Material::odd");
    ASSERT_TRUE(lRed && lOdd);
    EXPECT_EQ(lRead.mFactory->GetMaterialCount(), 3);
    EXPECT_DOUBLE_EQ(lRed->GetDiffuseColor().mRed, 1.0);
    EXPECT_DOUBLE_EQ(lRed->GetDiffuseColor().mGreen, 0.0);
    EXPECT_NEAR(lRed->GetShininess(), 0.64, 1e-6);
    EXPECT_NEAR(lRed->GetOpacity(), 0.25, 1e-6);
    // Colours are clamped to 0..1, shininess to 1, and "Ka" with four numbers is ignored.
    EXPECT_DOUBLE_EQ(lOdd->GetDiffuseColor().mRed, 1.0);
    EXPECT_DOUBLE_EQ(lOdd->GetDiffuseColor().mGreen, 0.0);
    EXPECT_DOUBLE_EQ(lOdd->GetDiffuseColor().mBlue, 0.5);
    EXPECT_DOUBLE_EQ(lOdd->GetAmbientColor().mRed,
                     KRyvMaterial(nullptr, "x").GetAmbientColor().mRed);
    // "Tr" alone is the transparency.
    EXPECT_NEAR(lOdd->GetOpacity(), 0.75, 1e-6);
    EXPECT_NEAR(lOdd->GetShininess(), 1.0, 1e-6);
    KRyvTexture* lTexture = lRead.mFactory->FindTexture("Texture::odd");
    ASSERT_NE(lTexture, nullptr);
    EXPECT_STREQ(lTexture->GetFileName(), "tex/second.png");
    // In the group with a texture the untextured "red" face refers to "_empty_".
    KRyvMesh* lTwo = lRead.Mesh("two");
    EXPECT_EQ(lTwo->GetMaterialMappingMode(), KRyvMesh::eMappingByPolygon);
    EXPECT_EQ(lTwo->GetTextureMappingMode(), KRyvMesh::eMappingByPolygon);
    ASSERT_EQ(lTwo->GetTextureCount(), 2);
    EXPECT_STREQ(lTwo->GetTexture(0)->GetName().Buffer(), "Texture::_empty_");
    EXPECT_EQ(lTwo->GetTextureIndices()[0], 1);
    EXPECT_EQ(lTwo->GetTextureIndices()[1], 0);
    EXPECT_EQ(lRead.Nodes()[0]->GetShadingMode(), 5);
    // A face before any "usemtl" takes the mesh's first material.
    const int* lZero = lRead.Mesh("zero")->GetMaterialIndices();
    EXPECT_EQ(std::vector<int>(lZero, lZero + 2), (std::vector<int>{0, 0}));
    // Without a library every face of a mesh shares the first material it names.
    ObjRead lBare("b.obj", kTriangle + "usemtl red\nf 1 2 3\nusemtl blue\nf 1 2 3\n");
    EXPECT_EQ(lBare.Mesh("default")->GetMaterialMappingMode(), KRyvMesh::eMappingAllSame);
    ASSERT_EQ(lBare.Mesh("default")->GetMaterialCount(), 1);
    EXPECT_STREQ(lBare.Mesh("default")->GetMaterial(0)->GetName().Buffer(), "Material::red");
}

TEST(KReaderObjTest, OpacityIsDAndTrAloneItsComplement)
{
    const struct
    {
        const char* mStatements;
        double mOpacity;
    } kCases[] = {
        {"d 0.25\n", 0.25},         {"Tr 0.25\n", 0.75}, {"Tr 0.6\nd 0.25\n", 0.25},
        {"d 0.25\nTr 0.6\n", 0.25}, {"Tr 1\n", 0.0},     {"Tr\nd x\nTr 0.1\n", 0.9},
    };
    for (const auto& lCase : kCases) {
        TempFolder lFolder;
        lFolder.Write("lib.mtl", std::string("newmtl glass\n") + lCase.mStatements);
        ObjRead lRead(lFolder.PathOf("a.obj"),
                      "mtllib lib.mtl\n" + kTriangle + "usemtl glass\nf 1 2 3\n");
        const KRyvMaterial* lGlass = lRead.mFactory->FindMaterial("Material::glass");
        ASSERT_NE(lGlass, nullptr) << lCase.mStatements;
        EXPECT_NEAR(lGlass->GetOpacity(), lCase.mOpacity, 1e-6) << lCase.mStatements;
    }
}

TEST(KReaderObjTest, ControlPointsStayWholeAcrossUVSeams)
{
    // Vertex 1 takes vt 1 in the first face and vt 5 in the second; both faces come before the
    // first textured material, and the third face after it.
    TempFolder lFolder;
    lFolder.Write("lib.mtl", "newmtl plain\nKd 1 1 1\nnewmtl wood\nmap_Kd wood.png\n");
    ObjRead lRead(lFolder.PathOf("a.obj"),
                  "mtllib lib.mtl\n" + kTriangle +
                      "v 0 0 1\nvt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nvt 0.5 0.5\nvn 0 0 1\n"
                      "usemtl plain\nf 1/1/1 2/2/1 3/3/1\nf 1/5/1 3/3/1 4/4/1\n"
                      "usemtl wood\nf 1/4/1 2/2/1 4/1/1\n");
    ASSERT_TRUE(lRead.mRead) << lRead.mErrorText;
    KRyvMesh* lMesh = lRead.Mesh("default");
    ASSERT_NE(lMesh, nullptr);
    EXPECT_EQ(lMesh->GetControlPointCount(), 4);
    EXPECT_EQ(Polygon(lMesh, 1), (std::vector<int>{0, 2, 3}));
    EXPECT_EQ(Polygon(lMesh, 2), (std::vector<int>{0, 1, 3}));
    // The UVs of the file by polygon vertex, each texture vertex once.
    const double kExpected[3][3][2] = {
        {{0, 0}, {1, 0}, {1, 1}}, {{0.5, 0.5}, {1, 1}, {0, 1}}, {{0, 1}, {1, 0}, {0, 0}}};
    EXPECT_EQ(lMesh->GetTextureUVCount(), 5);
    for (int p = 0; p < 3; ++p) {
        for (int k = 0; k < 3; ++k) {
            const KVector2& lUV = lMesh->GetTextureUV()[lMesh->GetTextureUVIndex(p, k)];
            EXPECT_DOUBLE_EQ(lUV[0], kExpected[p][k][0]) << p << " " << k;
            EXPECT_DOUBLE_EQ(lUV[1], kExpected[p][k][1]) << p << " " << k;
        }
    }
}

TEST(KReaderObjTest, FirstDefinitionOfANameWinsAndNamesKeepTheirCase)
{
    TempFolder lFolder;
    // Statements before any "newmtl" and after a nameless one belong to no material.
    lFolder.Write("lib.mtl", "Kd 0 0 1\nnewmtl red\nKd 1 0 0\nnewmtl\nKd 0 0 1\n"
                             "newmtl red\nKd 0 1 0\nNs 90\nnewmtl Blue\nKd 0 0 1\n");
    lFolder.Write("late.mtl", "newmtl red\nKd 0 1 1\nnewmtl blue\nKd 0.5 0.5 0.5\n");
    ObjRead lRead(lFolder.PathOf("a.obj"), "mtllib lib.mtl late.mtl\n" + kTriangle +
                                               "usemtl blue\nf 1 2 3\nusemtl red\nf 1 2 3\n"
                                               "usemtl BLUE\nf 1 2 3\nusemtl Red\nf 1 2 3\n");
    EXPECT_EQ(lRead.mMessage.find("Unable to read material"), std::string::npos);
    KRyvMaterial* lRed = lRead.mFactory->FindMaterial("Material::red");
    KRyvMaterial* lBlue = lRead.mFactory->FindMaterial("Material::blue");
    ASSERT_TRUE(lRed && lBlue);
    EXPECT_EQ(lRead.mFactory->GetMaterialCount(), 2);
    EXPECT_DOUBLE_EQ(lRed->GetDiffuseColor().mRed, 1.0);
    EXPECT_DOUBLE_EQ(lRed->GetDiffuseColor().mBlue, 0.0);
    EXPECT_DOUBLE_EQ(lRed->GetShininess(), KRyvMaterial(nullptr, "x").GetShininess());
    // "Blue" of the first library is another name: "blue" comes from the second.
    EXPECT_DOUBLE_EQ(lBlue->GetDiffuseColor().mRed, 0.5);
    // A name used with another letter case only is looked up as written, and is absent.
    ObjRead lOther(lFolder.PathOf("b.obj"),
                   "mtllib lib.mtl\n" + kTriangle + "usemtl RED\nf 1 2 3\n");
    EXPECT_NE(lOther.mMessage.find("Unable to read material \"RED\""), std::string::npos);
}

TEST(KReaderObjTest, LibrariesAreIndexedOnceAndOnlyRegularFilesServe)
{
    TempFolder lFolder;
    const int kCount = 2000;
    std::string lLibrary;
    for (int i = 0; i < kCount; ++i) {
        lLibrary += "newmtl m" + std::to_string(i) + "\nKd " + std::to_string(i % 1000 / 1000.0) +
                    " 0 0.25\nNs 10\n";
    }
    lFolder.Write("big.mtl", lLibrary);
    lFolder.Write("other7.mtl", "newmtl seven\nKd 0 1 0\n");
    std::filesystem::create_directories(lFolder.PathOf("folder.mtl"));
    ASSERT_EQ(mkfifo(lFolder.PathOf("pipe.mtl").c_str(), 0600), 0);
    // The big library named thousands of times among thousands of others; names that are no
    // regular file (a folder, endless devices, a FIFO) count as missing, without a hang.
    std::string lText = kTriangle + "mtllib folder.mtl /dev/zero /dev/urandom pipe.mtl .\n";
    for (int i = 0; i < 3000; ++i) {
        lText += "mtllib big.mtl\nmtllib other" + std::to_string(i) + ".mtl\n";
    }
    // Used last to first, so that each look-up is of a material not used before.
    for (int i = kCount - 1; i >= 0; --i) {
        lText += "usemtl m" + std::to_string(i) + "\nf 1 2 3\n";
    }
    lText += "usemtl m1234\nf 1 2 3\nusemtl seven\nf 1 2 3\nusemtl m2000\nf 1 2 3\n";
    ObjRead lRead(lFolder.PathOf("a.obj"), lText);
    ASSERT_TRUE(lRead.mRead);
    EXPECT_EQ(lRead.mMessage.find("Unable to read material"),
              lRead.mMessage.size() -
                  std::strlen("Unable to read material \"m2000\" in .mtl file\n"));
    KRyvMesh* lMesh = lRead.Mesh("default");
    const int* lIndices = lMesh->GetMaterialIndices();
    for (int lPolygon : {0, 97, kCount - 1, kCount}) {
        const int lNumber = lPolygon == kCount ? 1234 : kCount - 1 - lPolygon;
        const KRyvMaterial* lMaterial = lMesh->GetMaterial(lIndices[lPolygon]);
        EXPECT_EQ(std::string(lMaterial->GetNameWithoutPrefix().Buffer()),
                  "m" + std::to_string(lNumber));
        EXPECT_NEAR(lMaterial->GetDiffuseColor().mRed, lNumber % 1000 / 1000.0, 1e-6);
        EXPECT_NEAR(lMaterial->GetShininess(), 0.1, 1e-6);
    }
    // A name used again shares the material made the first time.
    EXPECT_EQ(lIndices[kCount], lIndices[kCount - 1 - 1234]);
    EXPECT_DOUBLE_EQ(lRead.mFactory->FindMaterial("Material::seven")->GetDiffuseColor().mGreen,
                     1.0);
}

TEST(KReaderObjTest, RelativeTextureResolvesBesideTheLibrary)
{
    TempFolder lFolder;
    lFolder.Write("scene/maps/wood.bmp", "BM");
    lFolder.Write("scene/lib.mtl", "newmtl wood\nmap_Kd maps/wood.bmp\n");
    const std::string lPath =
        lFolder.Write("scene/a.obj", "mtllib lib.mtl\n" + kTriangle + "usemtl wood\nf 1 2 3\n");
    const std::filesystem::path lOld = std::filesystem::current_path();
    std::filesystem::current_path(lFolder.Path());
    ObjRead lRead(lPath, "", false, true);
    std::filesystem::current_path(lOld);
    KRyvTexture* lTexture = lRead.mFactory->FindTexture("Texture::wood");
    ASSERT_NE(lTexture, nullptr);
    EXPECT_EQ(std::string(lTexture->GetFileName()), lFolder.PathOf("scene/maps/wood.bmp"));
}

TEST(KReaderObjTest, GeneratedNormalsSmoothAndFlat)
{
    // Two faces folded at the edge 1-2: one in z = 0, one in x = 0.
    // A smoothing group beyond 32 bits is ignored: the last one stays.
    ObjRead lRead("a.obj", "v 0 0 0\nv 0 1 0\nv 1 0 0\nv 0 0 1\ng smooth\ns 1\nf 1 3 2\nf 1 2 4\n"
                           "g flat\ns off\ns 4294967297\nf 1 3 2\nf 1 2 4\n");
    KRyvMesh* lSmooth = lRead.Mesh("smooth");
    KRyvMesh* lFlat = lRead.Mesh("flat");
    ASSERT_TRUE(lSmooth && lFlat);
    // Vertex 1 is shared: (0,0,1) + (1,0,0) normalised.
    const double lHalf = 1.0 / std::sqrt(2.0);
    EXPECT_NEAR(lSmooth->GetNormalsDirect()[0][0], lHalf, 1e-12);
    EXPECT_NEAR(lSmooth->GetNormalsDirect()[0][2], lHalf, 1e-12);
    EXPECT_EQ(lSmooth->GetControlPointCount(), 4);
    EXPECT_EQ(lFlat->GetControlPointCount(), 6);
    EXPECT_NEAR(lFlat->GetNormalsDirect()[0][2], 1.0, 1e-12);
    EXPECT_NEAR(lFlat->GetNormalsDirect()[3][0], 1.0, 1e-12);
}

TEST(KReaderObjTest, LineEndsContinuationsLongLinesAndUnsupportedStatements)
{
    for (const std::string lEnd : {"\n", "\r\n", "\r"}) {
        ObjRead lRead("a.obj", "v 0 0 0" + lEnd + "v 1 0 0" + lEnd + lEnd + "v 0 1 0" + lEnd +
                                   "v 1 1 0" + lEnd + "l 1 2" + lEnd + "f 1 2 \\" + lEnd + "  3" +
                                   lEnd + "f 2 4 3");
        ASSERT_TRUE(lRead.mRead) << lRead.mErrorText;
        KRyvMesh* lMesh = lRead.Mesh("default");
        EXPECT_EQ(lMesh->GetPolygonCount(), 2);
        EXPECT_EQ(lMesh->GetControlPointCount(), 6);
        EXPECT_DOUBLE_EQ(lMesh->GetControlPoints()[lMesh->GetPolygonVertex(0, 2)][1], 1.0);
        EXPECT_EQ(lRead.mMessage, "Object not supported : l\n");
    }
    // Lines longer than any block are read whole.
    std::string lLong = kTriangle + "# " + std::string(3 << 20, 'x') + "\nf 1 2 3";
    for (int i = 0; i < 200000; ++i) {
        lLong += " 1 2 3";
    }
    ObjRead lRead("long.obj", lLong + "\nzzz " + std::string(1 << 20, 'y') + "\n");
    ASSERT_TRUE(lRead.mRead) << lRead.mErrorText;
    EXPECT_EQ(lRead.Mesh("default")->GetPolygonSize(0), 600003);
    EXPECT_EQ(lRead.mMessage, "Object not supported : zzz\n");
}

TEST(KReaderObjTest, RationalBsplineSurfaceBecomesNurbs)
{
    std::string lText = "cstype rat bspline\ndeg 3 3\n";
    for (int i = 0; i < 16; ++i) {
        lText += "v " + std::to_string(i % 4) + " " + std::to_string(i / 4) + " 0 1\n";
    }
    lText += "surf 0 1 0 1";
    for (int i = 1; i <= 16; ++i) {
        lText += " " + std::to_string(i);
    }
    lText += "\nparm u 0 0 0 0 1 1 1 1\nparm v 0 0 0 0 1 1 1 1\nend\n";
    ObjRead lRead("a.obj", lText);
    ASSERT_EQ(lRead.mScene->GetRootNode()->GetChildCount(), 1);
    KRyvNurb* lNurb = static_cast<KRyvNurb*>(lRead.mScene->GetRootNode()->GetChild(0)->GetNurb());
    ASSERT_NE(lNurb, nullptr);
    EXPECT_EQ(lNurb->GetUCount(), 4);
    EXPECT_EQ(lNurb->GetVCount(), 4);
    EXPECT_EQ(lNurb->GetUOrder(), 4);
    EXPECT_TRUE(lNurb->IsValid());
    // File vertex i sits at (i mod 4) * 4 + i div 4: u and v trade places.
    EXPECT_DOUBLE_EQ(lNurb->GetControlPoints()[4][0], 1.0);
    EXPECT_DOUBLE_EQ(lNurb->GetControlPoints()[1][1], 1.0);
    for (const std::string lBad : {"cstype bspline\ndeg 3 3\n", "cstype rat bspline\ndeg 0 3\n"}) {
        ObjRead lOther("b.obj", lBad + lText.substr(lText.find("v ")));
        ASSERT_TRUE(lOther.mRead);
        EXPECT_EQ(lOther.mScene->GetRootNode()->GetChildCount(), 0) << lBad;
    }
    std::string lShort = lText;
    lShort.replace(lShort.find("parm u"), 22, "parm u 0 1");
    ObjRead lTwoKnots("c.obj", lShort);
    EXPECT_NE(lTwoKnots.mMessage.find("surface dropped: its degrees and knots make no valid NURBS"),
              std::string::npos);
}

TEST(KReaderObjTest, MalformedFilesGiveErrorsNotCrashes)
{
    const std::pair<std::string, const char*> lCases[] = {
        {"v 1 2\nf 1 2 3\n", "a.obj:1: \"v\" needs 3 numbers"},
        {"v 1 2 3\nv 1 2 x\n", "a.obj:2: \"v\" needs 3 numbers"},
        {"vn 1\n", "\"vn\" needs 3 numbers"},
        {"vt\n", "\"vt\" needs 1 number"},
        {"vp\n", "\"vp\" needs 1 number"},
        {"surf 0 1 0 1 1 2 3\n", "\"surf\" before any \"cstype\""},
        {"", "a.obj: not an OBJ file (no OBJ statement found)"},
        {"# only a comment\n", "no OBJ statement"},
        {"hello world\nthis is prose\n", "no OBJ statement"},
        {std::string("v 1 2 3\n\x7f"
                     "ELF\0\0\1\2",
                     14),
         "a.obj: holds binary data, not text"},
        {std::string(70000, '\n') + std::string("v 1 2 3\n\0", 9),
         "a.obj:70002: not an OBJ file (it holds binary data)"},
    };
    for (const auto& lCase : lCases) {
        ObjRead lRead("a.obj", lCase.first);
        EXPECT_FALSE(lRead.mRead) << lCase.second;
        EXPECT_EQ(lRead.mError, KReader::kFileCorrupted) << lCase.second;
        EXPECT_NE(lRead.mErrorText.find(lCase.second), std::string::npos) << lRead.mErrorText;
        // A refusal at open leaves the message text to the reads, which repeat the error there.
        const bool lAtOpen = lRead.mErrorText.find("binary data, not text") != std::string::npos;
        const std::string lLast = lAtOpen ? "" : lRead.mErrorText + "\n";
        EXPECT_TRUE(
            lRead.mMessage.size() >= lLast.size() &&
            lRead.mMessage.compare(lRead.mMessage.size() - lLast.size(), lLast.size(), lLast) == 0)
            << lRead.mMessage;
        EXPECT_EQ(lRead.mScene->GetRootNode()->GetChildCount(), 0);
    }
    ObjRead lBig("a.obj", "v 1 1e999 2\nv 0 0 0\nv 1 1 1\nf 1/ 2/ 3/\nf 1/a/b 2 3\nf");
    ASSERT_TRUE(lBig.mRead);
    EXPECT_TRUE(std::isinf(lBig.Mesh("default")->GetControlPoints()[0][1]));
    EXPECT_EQ(lBig.Mesh("default")->GetPolygonCount(), 2);
}

TEST(KReaderObjTest, StrangersAreRefusedAtOnceAndMemoryReadsLikeTheFile)
{
    TempFolder lFolder;
    // A 2 GB sparse file reads as zeros: refused on its first block, not after reading it all.
    const std::string lSparse = lFolder.Write("sparse.obj", "");
    std::filesystem::resize_file(lSparse, 2ull << 30);
    std::filesystem::create_symlink("/dev/zero", lFolder.PathOf("z.obj"));
    const std::pair<std::string, const char*> lCases[] = {
        {lSparse, "holds binary data, not text"},
        {lFolder.PathOf("z.obj"), "is not a regular file"},
        {lFolder.Path(), "is a directory"},
    };
    for (const auto& lCase : lCases) {
        ObjRead lRead(lCase.first, "", false, true);
        EXPECT_FALSE(lRead.mRead);
        EXPECT_EQ(lRead.mErrorText, lCase.first + ": " + lCase.second);
    }
    const std::string lText = kTriangle + "vt 0.5 0.5\ng a\nf 1/1 2/1 3/1\ng b\nf -1 -2 -3\n";
    ObjRead lFile(lFolder.Write("t.obj", lText), "", true, true);
    ObjRead lMemory(lFolder.PathOf("t.obj"), lText, true);
    ASSERT_TRUE(lFile.mRead && lMemory.mRead);
    const std::vector<KRyvNode*> lNodes = lFile.Nodes();
    ASSERT_EQ(lNodes.size(), lMemory.Nodes().size());
    for (std::size_t i = 0; i < lNodes.size(); ++i) {
        EXPECT_STREQ(lNodes[i]->GetName().Buffer(), lMemory.Nodes()[i]->GetName().Buffer());
    }
    EXPECT_EQ(lFile.Mesh("a")->GetTextureUVCount(), lMemory.Mesh("a")->GetTextureUVCount());
    EXPECT_EQ(Polygon(lFile.Mesh("b"), 0), Polygon(lMemory.Mesh("b"), 0));
}

TEST(KReaderObjTest, EveryReadStartsFresh)
{
    KRyvObjectFactory lFactory;
    KRyvScene lScene(&lFactory);
    KReaderObj lReader(&lFactory);
    KStreamOptionsObj lOptions;
    lOptions.SetOptionValue(KStreamOptionsObj::kCreateReferenceNode, 0);
    const std::string lFirst = "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 5 5 5\nf 1 2 3\n";
    const std::string lSecond = "v 9 9 9\nv 8 8 8\nf 1 2 4\nf -1 -2 -4\n";
    ASSERT_TRUE(lReader.MemoryOpen(lFirst.data(), lFirst.size(), "a.obj"));
    ASSERT_TRUE(lReader.Read(&lScene, &lOptions));
    ASSERT_TRUE(lReader.MemoryOpen(lSecond.data(), lSecond.size(), "b.obj"));
    ASSERT_TRUE(lReader.Read(&lScene, &lOptions));
    // Vertices 3 and 4 of the first file must not serve the second: both faces are dropped.
    EXPECT_EQ(lScene.GetRootNode()->GetChildCount(), 1);
    EXPECT_NE(std::string(lReader.GetMessage().Buffer()).find("2 faces kept fewer"),
              std::string::npos);
}

TEST(KReaderObjTest, ThroughTheImporter)
{
    TempFolder lFolder;
    const std::string lPath = lFolder.Write("A.OBJ", kTriangle + "f 1 2 3\n");
    KRyvObjectFactory lFactory;
    KRyvScene lScene(&lFactory);
    KImporter lImporter(&lFactory);
    lImporter.SetFileFormat(KFileFormatRegistry::Kit().GetImportFormatFromFileName(lPath.c_str()));
    EXPECT_EQ(lImporter.GetFileFormat(), KFileFormatRegistry::kImportObj);
    ASSERT_TRUE(lImporter.Initialize(lPath.c_str()));
    std::unique_ptr<KStreamOptions> lOptions = lImporter.GetReadOptions();
    ASSERT_TRUE(lOptions && lOptions->IsA(KStreamOptionsObj::ClassId()));
    ASSERT_TRUE(lImporter.Import(&lScene, lOptions.get()));
    EXPECT_STREQ(lScene.GetRootNode()->GetChild(0)->GetName().Buffer(), "Model::A_root");
}

TEST(KReaderObjTest, SampleFiles)
{
    const std::string lFolder = std::string(RYV_SAMPLES_DIR) + "/obj/";
    if (!std::filesystem::exists(lFolder + "lightcycle-high.obj")) {
        GTEST_SKIP() << "samples absent";
    }
    ObjRead lCycle(lFolder + "lightcycle-high.obj", "", false, true);
    ASSERT_TRUE(lCycle.mRead) << lCycle.mErrorText;
    int lPolygons = 0;
    for (KRyvNode* lNode : lCycle.Nodes()) {
        if (KRyvMesh* lMesh = static_cast<KRyvMesh*>(lNode->GetMesh())) {
            lPolygons += lMesh->GetPolygonCount();
        }
    }
    EXPECT_EQ(lPolygons, 1189);
    EXPECT_EQ(lCycle.mFactory->GetMaterialCount(), 5);
    EXPECT_EQ(lCycle.mMessage, "");
    EXPECT_NEAR(lCycle.mFactory->FindMaterial("Material::Hull")->GetDiffuseColor().mRed, 0.7813,
                1e-6);
    ObjRead lBoat(lFolder + "boats_boat.obj", "", false, true);
    ASSERT_TRUE(lBoat.mRead) << lBoat.mErrorText;
    KRyvMesh* lMesh = lBoat.Mesh("boats_boat_boats_boat_None");
    ASSERT_NE(lMesh, nullptr);
    EXPECT_EQ(lMesh->GetPolygonCount(), 156);
    EXPECT_GT(lMesh->GetTextureUVCount(), 0);
    EXPECT_NE(lBoat.mMessage.find("Unable to load material library\n"), std::string::npos);
    EXPECT_EQ(lBoat.mFactory->GetMaterialCount(), 1);
}

} // namespace

TEST(KReaderObjTest, WarningsQuoteOnlyAPrefixOfHugeNames)
{
    const std::string lName = "m" + std::string(1 << 20, 'a');
    const std::string lText = "v 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl " + lName + "\nf 1 2 3\n" +
                              std::string(1 << 20, 'k') + " 1\n";
    ObjRead lRead("huge.obj", lText);
    ASSERT_TRUE(lRead.mRead) << lRead.mErrorText;
    EXPECT_NE(lRead.mMessage.find("\"m" + std::string(39, 'a') + "...\""), std::string::npos)
        << lRead.mMessage.substr(0, 200);
    EXPECT_NE(lRead.mMessage.find("Object not supported : kkk"), std::string::npos);
    EXPECT_LT(lRead.mMessage.size(), 300u);
}
