#include "ObjTestSupport.h"

#include "formats/geometry/obj/KStreamOptionsObj.h"
#include "io/KFileFormatRegistry.h"
#include "io/KImporter.h"
#include "scene/objects/KLayer.h"
#include "scene/objects/KRyvMaterial.h"
#include "scene/objects/KRyvNurb.h"
#include "scene/objects/KRyvTexture.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

const char* const kTriangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";

std::vector<int> Polygon(const KRyvMesh* pMesh, int pPolygon)
{
    std::vector<int> lCorners;
    for (int i = 0; i < pMesh->GetPolygonSize(pPolygon); ++i) {
        lCorners.push_back(pMesh->GetPolygonVertex(pPolygon, i));
    }
    return lCorners;
}

} // namespace

TEST(KStreamOptionsObjTest, DefaultsAndClass)
{
    KStreamOptionsObj lOptions;
    EXPECT_EQ(lOptions.GetOptionValue(1), 1);
    EXPECT_EQ(lOptions.GetOptionValue(2), 0);
    EXPECT_EQ(lOptions.GetOptionValue(3), 1);
    EXPECT_STREQ(lOptions.GetOptionRecord(1)->mName.Buffer(), "Create Reference Node");
    EXPECT_STREQ(lOptions.GetOptionRecord(3)->mName.Buffer(), "Evaluate Link/Shape deformations");
    EXPECT_EQ(lOptions.GetOptionRecord(2)->mWord1, 1);
    EXPECT_EQ(lOptions.GetOptionValue(4), 0);
    EXPECT_STREQ(lOptions.GetClassName(), "KStreamOptionsObj");
    EXPECT_TRUE(lOptions.IsA(KStreamOptionsBase::ClassId()));
    lOptions.SetOptionValue(2, 1);
    lOptions.Reset();
    EXPECT_EQ(lOptions.GetOptionValue(2), 0);
}

TEST(KReaderObjTest, RefusesMissingOrForeignOptions)
{
    ObjTempFolder lFolder;
    const std::string lPath = lFolder.Write("a.obj", std::string(kTriangle) + "f 1 2 3\n");
    KRyvObjectFactory lFactory;
    KRyvScene lScene(&lFactory);
    KReaderObj lReader(&lFactory);
    ASSERT_TRUE(lReader.FileOpen(lPath.c_str()));
    EXPECT_FALSE(lReader.Read(&lScene, nullptr));
    EXPECT_EQ(lReader.GetError().GetLastErrorID(), KReader::kStreamOptionsNotSet);
    KStreamOptionsBase lForeign;
    EXPECT_FALSE(lReader.Read(&lScene, &lForeign));
    EXPECT_STREQ(lReader.GetError().GetLastErrorString().Buffer(), "Stream options not set");
    EXPECT_EQ(lScene.GetRootNode()->GetChildCount(), 0);
}

TEST(KReaderObjTest, FacesResolveAbsoluteAndRelativeReferences)
{
    ObjTempFolder lFolder;
    ObjReadResult lResult;
    ReadObj(lResult, lFolder.Write("a.obj", std::string(kTriangle) + "f 1 2 3\nf -3 -2 -1\n"));
    ASSERT_TRUE(lResult.mRead) << lResult.mErrorText;
    const KRyvMesh* lMesh = lResult.Mesh("default");
    ASSERT_NE(lMesh, nullptr);
    ASSERT_EQ(lMesh->GetPolygonCount(), 2);
    EXPECT_EQ(Polygon(lMesh, 0), (std::vector<int>{0, 1, 2}));
    // Without "vn" each face of smoothing group 0 gets its own flat normal, so the second face
    // has control points of its own at the same positions.
    EXPECT_EQ(Polygon(lMesh, 1), (std::vector<int>{3, 4, 5}));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(lMesh->GetControlPoints()[i], lMesh->GetControlPoints()[i + 3]);
    }
}

TEST(KReaderObjTest, BadFaceIndicesAreCheckedNeverFollowed)
{
    ObjTempFolder lFolder;
    ObjReadResult lResult;
    // Two corners, an index 0, an index out of range, 2^40 and -4 against 3 vertices.
    ReadObj(lResult, lFolder.Write("a.obj", std::string(kTriangle) +
                                                "f 1 2\nf 0 1 2\nf 1 2 9\nf 1 2 1099511627776\n"
                                                "f 1 2 -4\nf 1/99/99 2/-7/2 3//0\n"));
    ASSERT_TRUE(lResult.mRead) << lResult.mErrorText;
    const KRyvMesh* lMesh = lResult.Mesh("default");
    ASSERT_NE(lMesh, nullptr);
    // Only the last face keeps three corners; its bad texture and normal numbers are dropped.
    EXPECT_EQ(lMesh->GetPolygonCount(), 1);
    EXPECT_EQ(Polygon(lMesh, 0), (std::vector<int>{0, 1, 2}));
    EXPECT_NE(lResult.mMessage.find("3 face corners refer to no vertex"), std::string::npos);
    EXPECT_NE(lResult.mMessage.find("a.obj:6: 3 faces kept fewer than 3 corners"),
              std::string::npos);
}

TEST(KReaderObjTest, CornersShareControlPointsOnlyForEqualTriples)
{
    ObjTempFolder lFolder;
    ObjReadResult lResult;
    ReadObj(lResult,
            lFolder.Write("a.obj", std::string(kTriangle) + "v 1 1 0\nvn 0 0 1\nvn 0 0 -1\n"
                                                            "f 1//1 2//1 3//1\nf 1//1 3//1 4//1\n"
                                                            "f 1//2 4//2 3//2\n"));
    ASSERT_TRUE(lResult.mRead);
    const KRyvMesh* lMesh = lResult.Mesh("default");
    ASSERT_NE(lMesh, nullptr);
    EXPECT_EQ(Polygon(lMesh, 1), (std::vector<int>{0, 2, 3}));
    // The third face's normal differs: three new control points at known positions.
    EXPECT_EQ(lMesh->GetControlPointCount(), 7);
    EXPECT_EQ(Polygon(lMesh, 2), (std::vector<int>{4, 5, 6}));
    EXPECT_EQ(lMesh->GetControlPoints()[4], lMesh->GetControlPoints()[0]);
    const KVector4* lNormals = const_cast<KRyvMesh*>(lMesh)->GetNormalsDirect();
    ASSERT_NE(lNormals, nullptr);
    EXPECT_DOUBLE_EQ(lNormals[0][2], 1.0);
    EXPECT_DOUBLE_EQ(lNormals[4][2], -1.0);
    EXPECT_EQ(lMesh->GetTextureUVCount(), 0);
}

TEST(KReaderObjTest, GroupNamesOrderAndReferenceNode)
{
    ObjTempFolder lFolder;
    ObjReadResult lResult;
    const std::string lFaces = "f 1 2 3\n";
    ReadObj(lResult,
            lFolder.Write("models/Chair.obj", std::string(kTriangle) + "g left arm\n" + lFaces +
                                                  "g Body\n" + lFaces + "g a b c\n" + lFaces +
                                                  "g arm\n" + lFaces + "g Arm\n" + lFaces + "g\n" +
                                                  lFaces),
            true);
    ASSERT_TRUE(lResult.mRead);
    KRyvNode* lRoot = lResult.mScene->GetRootNode();
    ASSERT_EQ(lRoot->GetChildCount(), 1);
    KRyvNode* lReference = lRoot->GetChild(0);
    EXPECT_STREQ(lReference->GetName().Buffer(), "Model::Chair_root");
    std::vector<std::string> lNames;
    for (int i = 0; i < lReference->GetChildCount(); ++i) {
        lNames.push_back(lReference->GetChild(i)->GetNameWithoutPrefix().Buffer());
    }
    EXPECT_EQ(lNames, (std::vector<std::string>{"a_b c", "arm", "Body", "default", "left_arm"}));
    EXPECT_EQ(lResult.Mesh("arm")->GetPolygonCount(), 2);
}

TEST(KReaderObjTest, MaterialsFromTheLibrary)
{
    ObjTempFolder lFolder;
    lFolder.Write("lib.mtl", "newmtl red\nKd 1 0 0\nNs 64\nd 0.25\n\n"
                             "newmtl odd\nKd 2 -1 0.5\nKa 1 0 0 0.5\nTr 0.25\nNs 500\n"
                             "map_Kd first.png\nmap_Kd  tex/second.png  \n");
    lFolder.Write("other.mtl", "newmtl red\nKd 0 1 0\n");
    ObjReadResult lResult;
    ReadObj(lResult, lFolder.Write("a.obj", std::string("mtllib lib.mtl other.mtl\n") + kTriangle +
                                                "usemtl red\nf 1 2 3\ng two\nusemtl odd\n"
                                                "f 1 2 3\nusemtl RED\nf 1 2 3\n"
                                                "usemtl ghost\nf 1 2 3\n"));
    ASSERT_TRUE(lResult.mRead);
    EXPECT_NE(lResult.mMessage.find("Unable to read material \"ghost\" in .mtl file\n"),
              std::string::npos);
    KRyvMaterial* lRed = lResult.mFactory->FindMaterial("Material::red");
    KRyvMaterial* lOdd = lResult.mFactory->FindMaterial("Material::odd");
    ASSERT_NE(lRed, nullptr);
    ASSERT_NE(lOdd, nullptr);
    EXPECT_EQ(lResult.mFactory->GetMaterialCount(), 3);
    const KColor lRedDiffuse = lRed->GetDiffuseColor();
    EXPECT_DOUBLE_EQ(lRedDiffuse.mRed, 1.0);
    EXPECT_DOUBLE_EQ(lRedDiffuse.mGreen, 0.0);
    EXPECT_NEAR(lRed->GetShininess(), 0.64, 1e-6);
    EXPECT_NEAR(lRed->GetOpacity(), 0.25, 1e-6);
    const KColor lOddDiffuse = lOdd->GetDiffuseColor();
    EXPECT_DOUBLE_EQ(lOddDiffuse.mRed, 1.0);
    EXPECT_DOUBLE_EQ(lOddDiffuse.mGreen, 0.0);
    EXPECT_DOUBLE_EQ(lOddDiffuse.mBlue, 0.5);
    // "Ka" with four numbers is ignored.
    EXPECT_DOUBLE_EQ(lOdd->GetAmbientColor().mRed,
                     KRyvMaterial(nullptr, "x").GetAmbientColor().mRed);
    EXPECT_NEAR(lOdd->GetOpacity(), 0.25, 1e-6);
    EXPECT_NEAR(lOdd->GetShininess(), 1.0, 1e-6);
    KRyvTexture* lTexture = lResult.mFactory->FindTexture("Texture::odd");
    ASSERT_NE(lTexture, nullptr);
    EXPECT_STREQ(lTexture->GetFileName(), "tex/second.png");
    // The group with a texture: the untextured "red" face refers to "_empty_".
    KRyvMesh* lTwo = lResult.Mesh("two");
    ASSERT_NE(lTwo, nullptr);
    EXPECT_EQ(lTwo->GetMaterialMappingMode(), KRyvMesh::eMappingByPolygon);
    EXPECT_EQ(lTwo->GetTextureMappingMode(), KRyvMesh::eMappingByPolygon);
    ASSERT_EQ(lTwo->GetTextureCount(), 2);
    EXPECT_STREQ(lTwo->GetTexture(0)->GetName().Buffer(), "Texture::_empty_");
    EXPECT_EQ(lTwo->GetTextureIndices()[0], 1);
    EXPECT_EQ(lTwo->GetTextureIndices()[1], 0);
    EXPECT_EQ(lResult.Nodes()[0]->GetShadingMode(), 5);
}

TEST(KReaderObjTest, FirstDefinitionOfANameWinsAndNamesKeepTheirCase)
{
    ObjTempFolder lFolder;
    // Statements before any "newmtl" and after a nameless one belong to no material.
    lFolder.Write("lib.mtl", "Kd 0 0 1\nnewmtl red\nKd 1 0 0\nnewmtl\nKd 0 0 1\n"
                             "newmtl red\nKd 0 1 0\nNs 90\nnewmtl Blue\nKd 0 0 1\n");
    lFolder.Write("late.mtl", "newmtl red\nKd 0 1 1\nnewmtl blue\nKd 0.5 0.5 0.5\n");
    ObjReadResult lResult;
    ReadObj(lResult, lFolder.Write("a.obj", std::string("mtllib lib.mtl late.mtl\n") + kTriangle +
                                                "usemtl blue\nf 1 2 3\nusemtl red\nf 1 2 3\n"
                                                "usemtl BLUE\nf 1 2 3\nusemtl Red\nf 1 2 3\n"));
    ASSERT_TRUE(lResult.mRead);
    EXPECT_EQ(lResult.mMessage.find("Unable to read material"), std::string::npos);
    KRyvMaterial* lRed = lResult.mFactory->FindMaterial("Material::red");
    KRyvMaterial* lBlue = lResult.mFactory->FindMaterial("Material::blue");
    ASSERT_NE(lRed, nullptr);
    ASSERT_NE(lBlue, nullptr);
    EXPECT_EQ(lResult.mFactory->GetMaterialCount(), 2);
    EXPECT_DOUBLE_EQ(lRed->GetDiffuseColor().mRed, 1.0);
    EXPECT_DOUBLE_EQ(lRed->GetDiffuseColor().mGreen, 0.0);
    EXPECT_DOUBLE_EQ(lRed->GetDiffuseColor().mBlue, 0.0);
    EXPECT_DOUBLE_EQ(lRed->GetShininess(), KRyvMaterial(nullptr, "x").GetShininess());
    // "Blue" of the first library is another name: "blue" comes from the second.
    EXPECT_DOUBLE_EQ(lBlue->GetDiffuseColor().mRed, 0.5);
    EXPECT_DOUBLE_EQ(lBlue->GetDiffuseColor().mBlue, 0.5);

    // A name used with another letter case only is looked up as written, and is absent.
    ObjReadResult lOther;
    ReadObj(lOther, lFolder.Write("b.obj", std::string("mtllib lib.mtl\n") + kTriangle +
                                               "usemtl RED\nf 1 2 3\n"));
    ASSERT_TRUE(lOther.mRead);
    EXPECT_NE(lOther.mMessage.find("Unable to read material \"RED\" in .mtl file\n"),
              std::string::npos);
}

TEST(KReaderObjTest, ThousandsOfMaterialsFromOneLibrary)
{
    const int kCount = 5000;
    std::string lLibrary;
    char lLine[96];
    for (int i = 0; i < kCount; ++i) {
        std::snprintf(lLine, sizeof(lLine), "newmtl m%d\nKa 0 0 0\nKd %.3f %.1f 0.25\nNs 10\n\n", i,
                      (i % 1000) / 1000.0, (i / 1000) / 10.0);
        lLibrary += lLine;
    }
    // Used last to first, so that each look-up is of a material not used before.
    std::string lObj = std::string("mtllib big.mtl\n") + kTriangle + "g big\n";
    for (int i = kCount - 1; i >= 0; --i) {
        lObj += "usemtl m" + std::to_string(i) + "\nf 1 2 3\n";
    }
    lObj += "usemtl m4242\nf 1 2 3\nusemtl m5000\nf 1 2 3\n";
    ObjTempFolder lFolder;
    lFolder.Write("big.mtl", lLibrary);
    ObjReadResult lResult;
    ReadObj(lResult, lFolder.Write("a.obj", lObj));
    ASSERT_TRUE(lResult.mRead);
    EXPECT_EQ(lResult.mMessage, "Unable to read material \"m5000\" in .mtl file\n");
    EXPECT_EQ(lResult.mFactory->GetMaterialCount(), kCount + 1);
    KRyvMesh* lMesh = lResult.Mesh("big");
    ASSERT_NE(lMesh, nullptr);
    ASSERT_EQ(lMesh->GetPolygonCount(), kCount + 2);
    ASSERT_EQ(lMesh->GetMaterialMappingMode(), KRyvMesh::eMappingByPolygon);
    const int* lIndices = lMesh->GetMaterialIndices();
    ASSERT_NE(lIndices, nullptr);
    const auto lExpect = [&](int pPolygon, int pMaterial) {
        SCOPED_TRACE("polygon " + std::to_string(pPolygon));
        const KRyvMaterial* lMaterial = lMesh->GetMaterial(lIndices[pPolygon]);
        ASSERT_NE(lMaterial, nullptr);
        EXPECT_EQ(std::string(lMaterial->GetNameWithoutPrefix().Buffer()),
                  "m" + std::to_string(pMaterial));
        const KColor lDiffuse = lMaterial->GetDiffuseColor();
        EXPECT_NEAR(lDiffuse.mRed, (pMaterial % 1000) / 1000.0, 1e-6);
        EXPECT_NEAR(lDiffuse.mGreen, (pMaterial / 1000) / 10.0, 1e-6);
        EXPECT_NEAR(lDiffuse.mBlue, 0.25, 1e-6);
        EXPECT_NEAR(lMaterial->GetShininess(), 0.1, 1e-6);
    };
    for (int lPolygon = 0; lPolygon < kCount; lPolygon += 97) {
        lExpect(lPolygon, kCount - 1 - lPolygon);
    }
    lExpect(kCount - 1, 0);
    // A name used again shares the material made the first time.
    lExpect(kCount, 4242);
    EXPECT_EQ(lIndices[kCount], lIndices[kCount - 1 - 4242]);
}

TEST(KReaderObjTest, RelativeTextureResolvesBesideTheLibrary)
{
    ObjTempFolder lFolder;
    lFolder.Write("scene/maps/wood.bmp", "BM");
    lFolder.Write("scene/lib.mtl", "newmtl wood\nmap_Kd maps/wood.bmp\n");
    const std::string lPath = lFolder.Write(
        "scene/a.obj", std::string("mtllib lib.mtl\n") + kTriangle + "usemtl wood\nf 1 2 3\n");
    const std::filesystem::path lOld = std::filesystem::current_path();
    std::filesystem::current_path(lFolder.Path());
    ObjReadResult lResult;
    ReadObj(lResult, lPath);
    std::filesystem::current_path(lOld);
    ASSERT_TRUE(lResult.mRead);
    KRyvTexture* lTexture = lResult.mFactory->FindTexture("Texture::wood");
    ASSERT_NE(lTexture, nullptr);
    EXPECT_EQ(std::string(lTexture->GetFileName()), lFolder.Path() + "/scene/maps/wood.bmp");
}

TEST(KReaderObjTest, GeneratedNormalsSmoothAndFlat)
{
    ObjTempFolder lFolder;
    ObjReadResult lResult;
    // Two faces folded at the edge 1-2: one in z = 0, one in x = 0.
    ReadObj(lResult, lFolder.Write("a.obj", "v 0 0 0\nv 0 1 0\nv 1 0 0\nv 0 0 1\n"
                                            "g smooth\ns 1\nf 1 3 2\nf 1 2 4\n"
                                            "g flat\ns off\nf 1 3 2\nf 1 2 4\n"));
    ASSERT_TRUE(lResult.mRead);
    KRyvMesh* lSmooth = lResult.Mesh("smooth");
    KRyvMesh* lFlat = lResult.Mesh("flat");
    ASSERT_TRUE(lSmooth && lFlat);
    // Vertex 1 is shared: (0,0,1) + (1,0,0) normalised.
    const double lHalf = 1.0 / std::sqrt(2.0);
    KVector4 lNormal = lSmooth->GetNormalsDirect()[0];
    EXPECT_NEAR(lNormal[0], lHalf, 1e-12);
    EXPECT_NEAR(lNormal[2], lHalf, 1e-12);
    EXPECT_EQ(lSmooth->GetControlPointCount(), 4);
    EXPECT_EQ(lFlat->GetControlPointCount(), 6);
    EXPECT_NEAR(lFlat->GetNormalsDirect()[0][2], 1.0, 1e-12);
    EXPECT_NEAR(lFlat->GetNormalsDirect()[3][0], 1.0, 1e-12);
}

TEST(KReaderObjTest, FlatFanAroundOneVertexOfHighDegree)
{
    ObjTempFolder lFolder;
    const int lFaces = 20000;
    std::string lText = "v 0 0 0\n";
    for (int i = 0; i < lFaces; ++i) {
        const double lAngle = 6.283185307179586 * i / lFaces;
        lText += "v " + std::to_string(std::cos(lAngle)) + " " + std::to_string(std::sin(lAngle)) +
                 " 0\n";
    }
    for (int i = 0; i < lFaces; ++i) {
        lText += "f 1 " + std::to_string(i + 2) + " " + std::to_string((i + 1) % lFaces + 2) + "\n";
    }
    ObjReadResult lResult;
    ReadObj(lResult, lFolder.Write("fan.obj", lText));
    ASSERT_TRUE(lResult.mRead) << lResult.mErrorText;
    KRyvMesh* lMesh = lResult.Mesh("default");
    ASSERT_NE(lMesh, nullptr);
    // Every face has a flat normal of its own, so no corner shares a control point.
    ASSERT_EQ(lMesh->GetPolygonCount(), lFaces);
    ASSERT_EQ(lMesh->GetControlPointCount(), 3 * lFaces);
    for (int i : {0, 1, 17, lFaces - 1}) {
        EXPECT_EQ(Polygon(lMesh, i), (std::vector<int>{3 * i, 3 * i + 1, 3 * i + 2}));
        EXPECT_EQ(lMesh->GetControlPoints()[3 * i], KVector4(0.0, 0.0, 0.0));
        EXPECT_NEAR(lMesh->GetNormalsDirect()[3 * i][2], 1.0, 1e-9);
    }
}

TEST(KReaderObjTest, VertexWithManyNormalsStillSharesEqualTriples)
{
    ObjTempFolder lFolder;
    // Forty faces on the same three vertices, each with a normal of its own, then all forty again.
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
    ObjReadResult lResult;
    ReadObj(lResult, lFolder.Write("a.obj", lText));
    ASSERT_TRUE(lResult.mRead) << lResult.mErrorText;
    KRyvMesh* lMesh = lResult.Mesh("default");
    ASSERT_NE(lMesh, nullptr);
    ASSERT_EQ(lMesh->GetPolygonCount(), 2 * lNormals);
    EXPECT_EQ(lMesh->GetControlPointCount(), 3 * lNormals);
    for (int i = 0; i < lNormals; ++i) {
        EXPECT_EQ(Polygon(lMesh, lNormals + i), Polygon(lMesh, i)) << i;
        EXPECT_EQ(Polygon(lMesh, i), (std::vector<int>{3 * i, 3 * i + 1, 3 * i + 2}));
    }
}

TEST(KReaderObjTest, LineEndsContinuationsAndUnsupportedStatements)
{
    ObjTempFolder lFolder;
    for (const std::string lEnd : {"\n", "\r\n", "\r"}) {
        ObjReadResult lResult;
        ReadObj(lResult,
                lFolder.Write("a.obj", "v 0 0 0" + lEnd + "v 1 0 0" + lEnd + lEnd + "v 0 1 0" +
                                           lEnd + "v 1 1 0" + lEnd + "l 1 2" + lEnd + "f 1 2 \\" +
                                           lEnd + "  3" + lEnd + "f 2 4 3"));
        ASSERT_TRUE(lResult.mRead) << lResult.mErrorText;
        KRyvMesh* lMesh = lResult.Mesh("default");
        ASSERT_NE(lMesh, nullptr);
        EXPECT_EQ(lMesh->GetPolygonCount(), 2);
        // Flat normals: one control point per corner.
        EXPECT_EQ(lMesh->GetControlPointCount(), 6);
        EXPECT_EQ(lMesh->GetPolygonVertex(0, 2), 2);
        EXPECT_DOUBLE_EQ(lMesh->GetControlPoints()[2][1], 1.0);
        EXPECT_EQ(lResult.mMessage, "Object not supported : l\n");
    }
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
    ObjTempFolder lFolder;
    ObjReadResult lResult;
    ReadObj(lResult, lFolder.Write("a.obj", lText));
    ASSERT_TRUE(lResult.mRead) << lResult.mErrorText;
    ASSERT_EQ(lResult.mScene->GetRootNode()->GetChildCount(), 1);
    KRyvNurb* lNurb = static_cast<KRyvNurb*>(lResult.mScene->GetRootNode()->GetChild(0)->GetNurb());
    ASSERT_NE(lNurb, nullptr);
    EXPECT_EQ(lNurb->GetUCount(), 4);
    EXPECT_EQ(lNurb->GetVCount(), 4);
    EXPECT_EQ(lNurb->GetUOrder(), 4);
    EXPECT_TRUE(lNurb->IsValid());
    // File vertex i sits at (i mod 4) * 4 + i div 4: u and v trade places.
    EXPECT_DOUBLE_EQ(lNurb->GetControlPoints()[4][0], 1.0);
    EXPECT_DOUBLE_EQ(lNurb->GetControlPoints()[1][1], 1.0);

    for (const std::string lBad : {"cstype bspline\ndeg 3 3\n", "cstype rat bspline\ndeg -1 3\n"}) {
        ObjReadResult lOther;
        std::string lVariant = lText;
        lVariant.replace(0, lVariant.find("v "), lBad);
        ReadObj(lOther, lFolder.Write("b.obj", lVariant));
        ASSERT_TRUE(lOther.mRead);
        EXPECT_EQ(lOther.mScene->GetRootNode()->GetChildCount(), 0) << lBad;
    }
    ObjReadResult lTwoKnots;
    std::string lShort = lText;
    lShort.replace(lShort.find("parm u"), 22, "parm u 0 1");
    ReadObj(lTwoKnots, lFolder.Write("c.obj", lShort));
    EXPECT_TRUE(lTwoKnots.mRead);
    EXPECT_NE(lTwoKnots.mMessage.find("surface dropped"), std::string::npos);
}

TEST(KReaderObjTest, MalformedFilesGiveErrorsNotCrashes)
{
    ObjTempFolder lFolder;
    struct Case
    {
        std::string mText;
        bool mRead;
        const char* mWhy;
    };
    const Case lCases[] = {
        {"v 1 2\nf 1 2 3\n", false, "a.obj:1: \"v\" needs 3 numbers"},
        {"v 1 2 x\n", false, "needs 3 numbers"},
        {"vn 1\n", false, "\"vn\" needs 3 numbers"},
        {"vt\n", false, "\"vt\" needs 1 number"},
        {"surf 0 1 0 1 1 2 3\n", false, "\"surf\" before any \"cstype\""},
        {"", false, "no OBJ statement"},
        {"# only a comment\n", false, "no OBJ statement"},
        {"hello world\nthis is prose\n", false, "no OBJ statement"},
        {std::string("v 1 2 3\n\x7f"
                     "ELF\0\0\1\2",
                     14),
         false, "binary data"},
        {"v 1e999 -1e999 1e-999\nv 1 2 3\nv 4 5 6\nf 1 2 3\n", true, ""},
        {"v 1 2 3\nv 1 2 3\nv 1 2 3\nf 1/ 2/ 3/\nf 1/a/b 2 3\nf", true, ""},
    };
    for (const Case& lCase : lCases) {
        ObjReadResult lResult;
        ReadObj(lResult, lFolder.Write("a.obj", lCase.mText));
        EXPECT_EQ(lResult.mRead, lCase.mRead) << lCase.mText;
        if (!lCase.mRead) {
            EXPECT_EQ(lResult.mError, KReader::kFileCorrupted);
            EXPECT_NE(lResult.mErrorText.find(lCase.mWhy), std::string::npos) << lResult.mErrorText;
            EXPECT_EQ(lResult.mScene->GetRootNode()->GetChildCount(), 0);
        }
    }
    ObjReadResult lBig;
    ReadObj(lBig, lFolder.Write("a.obj", "v 1 1e999 2\nv 0 0 0\nv 1 1 1\nf 1 2 3\n"));
    ASSERT_TRUE(lBig.mRead);
    EXPECT_TRUE(std::isinf(lBig.Mesh("default")->GetControlPoints()[0][1]));
}

TEST(KReaderObjTest, HugeLinesAreReadWhole)
{
    ObjTempFolder lFolder;
    const std::string lPath = lFolder.Path() + "/long.obj";
    {
        std::ofstream lOut(lPath, std::ios::binary);
        lOut << kTriangle << "# ";
        const std::string lChunk(1 << 20, 'x');
        for (int i = 0; i < 100; ++i) {
            lOut << lChunk;
        }
        lOut << "\nf 1 2 3";
        for (int i = 0; i < 200000; ++i) {
            lOut << " 1 2 3";
        }
        lOut << "\nzzz " << std::string(1 << 20, 'y') << "\n";
    }
    ObjReadResult lResult;
    ReadObj(lResult, lPath);
    ASSERT_TRUE(lResult.mRead) << lResult.mErrorText;
    EXPECT_EQ(lResult.Mesh("default")->GetPolygonSize(0), 600003);
    EXPECT_EQ(lResult.mMessage, "Object not supported : zzz\n");
}

TEST(KReaderObjTest, EveryReadStartsFresh)
{
    ObjTempFolder lFolder;
    const std::string lFirst =
        lFolder.Write("a.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 5 5 5\nf 1 2 3\n");
    const std::string lSecond = lFolder.Write("b.obj", "v 9 9 9\nv 8 8 8\nf 1 2 4\nf -1 -2 -4\n");
    KRyvObjectFactory lFactory;
    KRyvScene lScene(&lFactory);
    KReaderObj lReader(&lFactory);
    KStreamOptionsObj lOptions;
    lOptions.SetOptionValue(1, 0);
    ASSERT_TRUE(lReader.FileOpen(lFirst.c_str()));
    ASSERT_TRUE(lReader.Read(&lScene, &lOptions));
    ASSERT_TRUE(lReader.FileOpen(lSecond.c_str()));
    ASSERT_TRUE(lReader.Read(&lScene, &lOptions));
    // Vertices 3 and 4 of the first file must not serve the second: both faces are dropped.
    EXPECT_EQ(lScene.GetRootNode()->GetChildCount(), 1);
    EXPECT_NE(std::string(lReader.GetMessage().Buffer()).find("2 faces kept fewer"),
              std::string::npos);
}

TEST(KReaderObjTest, NumbersIgnoreTheProcessLocale)
{
    const char* lOld = std::setlocale(LC_NUMERIC, nullptr);
    const std::string lSaved = lOld ? lOld : "C";
    const bool lComma =
        std::setlocale(LC_NUMERIC, "de_DE.UTF-8") || std::setlocale(LC_NUMERIC, "fr_FR.UTF-8");
    ObjTempFolder lFolder;
    ObjReadResult lResult;
    ReadObj(lResult, lFolder.Write("a.obj", "v 1.5 0 0\nv 0 2.25 0\nv 0 0 1\nf 1 2 3\n"));
    std::setlocale(LC_NUMERIC, lSaved.c_str());
    ASSERT_TRUE(lResult.mRead);
    EXPECT_DOUBLE_EQ(lResult.Mesh("default")->GetControlPoints()[0][0], 1.5);
    EXPECT_DOUBLE_EQ(lResult.Mesh("default")->GetControlPoints()[1][1], 2.25);
    if (!lComma) {
        GTEST_LOG_(INFO) << "no comma-decimal locale installed; read in the C locale";
    }
}

TEST(KReaderObjTest, ThroughTheImporter)
{
    ObjTempFolder lFolder;
    const std::string lPath = lFolder.Write("A.OBJ", std::string(kTriangle) + "f 1 2 3\n");
    KRyvObjectFactory lFactory;
    KRyvScene lScene(&lFactory);
    KImporter lImporter(&lFactory);
    lImporter.SetFileFormat(KFileFormatRegistry::Kit().GetImportFormatFromFileName(lPath.c_str()));
    EXPECT_EQ(lImporter.GetFileFormat(), KFileFormatRegistry::kImportObj);
    ASSERT_TRUE(lImporter.Initialize(lPath.c_str()));
    EXPECT_FALSE(lImporter.Import(&lScene, nullptr));
    EXPECT_EQ(lImporter.GetError().GetLastErrorID(), KImporter::kStreamOptionsNotSet);
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
    ObjReadResult lCycle;
    ReadObj(lCycle, lFolder + "lightcycle-high.obj");
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
    KRyvMaterial* lHull = lCycle.mFactory->FindMaterial("Material::Hull");
    ASSERT_NE(lHull, nullptr);
    EXPECT_NEAR(lHull->GetDiffuseColor().mRed, 0.7813, 1e-6);

    ObjReadResult lBoat;
    ReadObj(lBoat, lFolder + "boats_boat.obj");
    ASSERT_TRUE(lBoat.mRead) << lBoat.mErrorText;
    KRyvMesh* lMesh = lBoat.Mesh("boats_boat_boats_boat_None");
    ASSERT_NE(lMesh, nullptr);
    EXPECT_EQ(lMesh->GetPolygonCount(), 156);
    EXPECT_GT(lMesh->GetTextureUVCount(), 0);
    EXPECT_NE(lBoat.mMessage.find("Unable to load material library\n"), std::string::npos);
    EXPECT_EQ(lBoat.mFactory->GetMaterialCount(), 1);
}
