// 3DS materials through a read and a write: a map stays on the faces of its own material, the
// specular colour and its strength come back as they were, and a map name longer than the
// toolkit's field is read. Checked against an independent 3DS library where it is installed.
#include "tests/formats/geometry/3ds/Format3dsTestSupport.h"

#include "formats/geometry/3ds/KWriter3ds.h"
#include "formats/geometry/obj/KStreamOptionsObj.h"
#include "formats/geometry/obj/KWriterObj.h"
#include "scene/objects/KLayer.h"
#include "scene/objects/KLayerElement.h"
#include "scene/objects/KRyvMaterial.h"
#include "scene/objects/KRyvTexture.h"

#include <gtest/gtest.h>

#ifdef RYV_HAVE_LIB3DS
#include <lib3ds/file.h>
#include <lib3ds/material.h>
#include <lib3ds/mesh.h>
#endif

#include <fstream>
#include <memory>
#include <string>
#include <vector>

using namespace test3ds;

namespace {

Bytes Percent(uint16_t pTag, uint16_t pPercent)
{
    return Chunk(pTag, Chunk(Tag3ds::kIntPercentage, U16(pPercent)));
}

Bytes Color(uint16_t pTag, uint8_t pGrey)
{
    return Chunk(pTag, Chunk(Tag3ds::kColor24, Bytes{pGrey, pGrey, pGrey}));
}

// A material of grey colours, specular pSpecular at pStrength percent, with a map of that file
// name when pMap is not empty.
Bytes Material(const std::string& pName, const std::string& pMap, uint8_t pSpecular = 229,
               uint16_t pStrength = 0)
{
    Bytes lMap;
    if (!pMap.empty()) {
        lMap = Chunk(Tag3ds::kMatTexture1, Cat({Chunk(Tag3ds::kIntPercentage, U16(100)),
                                                Chunk(Tag3ds::kMatMapName, Str(pMap))}));
    }
    return Chunk(Tag3ds::kMatEntry,
                 Cat({Chunk(Tag3ds::kMatName, Str(pName)), Color(Tag3ds::kMatAmbient, 50),
                      Color(Tag3ds::kMatDiffuse, 150), Color(Tag3ds::kMatSpecular, pSpecular),
                      Percent(Tag3ds::kMatShininess, 10),
                      Percent(Tag3ds::kMatShinStrength, pStrength), lMap}));
}

// A textured square "Box" of two faces: face 0 of material "Wood" (mapped), face 1 of "Plain".
Bytes WoodAndPlain()
{
    const Bytes lGroups = Cat({Chunk(Tag3ds::kMeshMatGroup, Cat({Str("Wood"), U16(1), U16(0)})),
                               Chunk(Tag3ds::kMeshMatGroup, Cat({Str("Plain"), U16(1), U16(1)}))});
    const Bytes lUVs = Chunk(Tag3ds::kTexVerts, Cat({U16(4), Floats({0, 0, 1, 0, 1, 1, 0, 1})}));
    return StampedFile(Cat({Material("Wood", "wood.png"), Material("Plain", ""),
                            MeshObject("Box", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}},
                                       {{0, 1, 2, 7}, {0, 2, 3, 7}}, lGroups, lUVs)}));
}

// The texture index of each polygon of layer 0 (-1 for none).
std::vector<int> FaceTextures(const KRyvMesh* pMesh)
{
    std::vector<int> lIndices;
    const KLayerElementTexture* lTextures =
        pMesh && pMesh->GetLayer(0) ? pMesh->GetLayer(0)->GetTextures() : nullptr;
    for (int p = 0; lTextures && p < pMesh->GetPolygonCount(); ++p) {
        const std::vector<int>& lArray = lTextures->GetIndexArray();
        lIndices.push_back(static_cast<std::size_t>(p) < lArray.size() ? lArray[p] : -1);
    }
    return lIndices;
}

// The lines of the material file that follow "newmtl pName", up to the next material.
std::vector<std::string> MaterialLines(const std::string& pPath, const std::string& pName)
{
    std::ifstream lFile(pPath);
    std::vector<std::string> lLines;
    bool lInside = false;
    for (std::string lLine; std::getline(lFile, lLine);) {
        if (lLine.rfind("newmtl ", 0) == 0) {
            lInside = lLine == "newmtl " + pName;
        } else if (lInside) {
            lLines.push_back(lLine);
        }
    }
    return lLines;
}

} // namespace

// Only the faces of the mapped material take its texture: read, written as 3DS (the other library
// finds the plain face in a material without map) and written as OBJ (no map for "Plain").
TEST(K3dsMaterialPass, FacesOfAnUnmappedMaterialGetNoTexture)
{
    ScratchDir lDir;
    Read3ds lRead(WoodAndPlain());
    ASSERT_TRUE(lRead.mRead) << lRead.mError;
    EXPECT_EQ(FaceTextures(lRead.MeshOf("Box")), std::vector<int>({0, -1}));
    ASSERT_TRUE(Write3ds(lRead, lDir.Path("box.3ds")));
    Read3ds lBack = ReadFile(lDir.Path("box.3ds"));
    ASSERT_TRUE(lBack.mRead) << lBack.mError;
    EXPECT_EQ(FaceTextures(lBack.MeshOf("Box")), std::vector<int>({0, -1}));
#ifdef RYV_HAVE_LIB3DS
    Lib3dsFilePtr lFile(lib3ds_file_load(lDir.Path("box.3ds").c_str()));
    ASSERT_NE(lFile, nullptr);
    Lib3dsMesh* lMesh = lib3ds_file_mesh_by_name(lFile.get(), "Box");
    ASSERT_TRUE(lMesh && lMesh->faces == 2);
    Lib3dsMaterial* lWood = lib3ds_file_material_by_name(lFile.get(), lMesh->faceL[0].material);
    Lib3dsMaterial* lPlain = lib3ds_file_material_by_name(lFile.get(), lMesh->faceL[1].material);
    ASSERT_TRUE(lWood && lPlain);
    EXPECT_STREQ(lWood->texture1_map.name, "wood.png");
    EXPECT_STREQ(lPlain->name, "Plain");
    EXPECT_STREQ(lPlain->texture1_map.name, "");
#endif
    KWriterObj lObj(lRead.mFactory.get());
    KStreamOptionsObj lObjOptions;
    ASSERT_TRUE(lObj.FileCreate(lDir.Path("box.obj").c_str()));
    ASSERT_TRUE(lObj.Write(lRead.mScene.get(), &lObjOptions));
    const std::vector<std::string> lPlainLines = MaterialLines(lDir.Path("box.mtl"), "Plain");
    EXPECT_FALSE(lPlainLines.empty());
    for (const std::string& lLine : lPlainLines) {
        EXPECT_NE(lLine.rfind("map_", 0), 0u) << lLine;
    }
}

// A specular of 67 at 20 % is read as 67/255 x 0.2 x 4/3, and written back as 67 at 20 %; a
// specular the kit holds alone (no 3DS file behind it) reads back as the kit's colour.
TEST(K3dsMaterialPass, SpecularColourAndStrengthSurviveAPass)
{
    ScratchDir lDir;
    Read3ds lRead(StampedFile(
        Cat({Material("Shiny", "", 67, 20),
             MeshObject("Tri", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2, 7}},
                        Chunk(Tag3ds::kMeshMatGroup, Cat({Str("Shiny"), U16(1), U16(0)})))})));
    ASSERT_TRUE(lRead.mRead) << lRead.mError;
    KRyvMaterial* lShiny = lRead.mFactory->FindMaterial("Shiny");
    ASSERT_NE(lShiny, nullptr);
    EXPECT_NEAR(lShiny->GetSpecularColor().mRed, 67.0 / 255.0 * 0.2 * 4.0 / 3.0, 1e-6);
    ASSERT_TRUE(Write3ds(lRead, lDir.Path("shiny.3ds")));
    std::unique_ptr<Loaded> lRun = LoadFile(lDir.Path("shiny.3ds"));
    std::unique_ptr<Material3ds> lWritten;
    GetMaterialByIndex3ds(lRun->mKit, lRun->Db(), 0, lWritten);
    ASSERT_NE(lWritten, nullptr);
    EXPECT_EQ(std::lround(lWritten->mSpecular.r * 255.0f), 67);
    EXPECT_EQ(std::lround(lWritten->mShinStrength * 100.0f), 20);
#ifdef RYV_HAVE_LIB3DS
    Lib3dsFilePtr lFile(lib3ds_file_load(lDir.Path("shiny.3ds").c_str()));
    ASSERT_NE(lFile, nullptr);
    Lib3dsMaterial* lMaterial = lib3ds_file_material_by_name(lFile.get(), "Shiny");
    ASSERT_NE(lMaterial, nullptr);
    EXPECT_NEAR(lMaterial->specular[1], 67.0 / 255.0, 1e-6);
    EXPECT_NEAR(lMaterial->shin_strength, 0.2, 1e-6);
#endif

    Scene3ds lScene;
    KRyvNode* lNode = lScene.Add("Tri", lScene.Triangle());
    KRyvMaterial* lOwn = lScene.mFactory->CreateMaterial("Own");
    lOwn->SetSpecularColor(KColor(0.6, 0.3, 0.0));
    static_cast<KRyvMesh*>(lNode->GetMesh())->AddMaterial(lOwn);
    ASSERT_TRUE(lScene.Write(lDir.Path("own.3ds")));
    Read3ds lOwnBack = ReadFile(lDir.Path("own.3ds"));
    ASSERT_TRUE(lOwnBack.mRead) << lOwnBack.mError;
    KRyvMaterial* lOwnRead = lOwnBack.mFactory->FindMaterial("Own");
    ASSERT_NE(lOwnRead, nullptr);
    // One step of a byte of colour times the strength is all a pass may lose.
    EXPECT_NEAR(lOwnRead->GetSpecularColor().mRed, 0.6, 0.005);
    EXPECT_NEAR(lOwnRead->GetSpecularColor().mGreen, 0.3, 0.005);
    EXPECT_NEAR(lOwnRead->GetSpecularColor().mBlue, 0.0, 0.005);
}

// A map name of 44 characters, past the 16 of the toolkit's field: the other library reads it,
// and so does the kit, which names the texture after it.
TEST(K3dsMaterialPass, AMapNameLongerThanItsFieldIsRead)
{
    const std::string lLong = "a_texture_file_name_longer_than_its_field.png";
    const Bytes lGroup = Chunk(Tag3ds::kMeshMatGroup, Cat({Str("Wood"), U16(1), U16(0)}));
    const Bytes lUVs = Chunk(Tag3ds::kTexVerts, Cat({U16(3), Floats({0, 0, 1, 0, 0, 1})}));
    ScratchDir lDir;
    const std::string lPath =
        lDir.Write("long.3ds", StampedFile(Cat({Material("Wood", lLong),
                                                MeshObject("Tri", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}},
                                                           {{0, 1, 2, 7}}, lGroup, lUVs)})));
#ifdef RYV_HAVE_LIB3DS
    Lib3dsFilePtr lFile(lib3ds_file_load(lPath.c_str()));
    ASSERT_NE(lFile, nullptr);
    Lib3dsMaterial* lMaterial = lib3ds_file_material_by_name(lFile.get(), "Wood");
    ASSERT_NE(lMaterial, nullptr);
    EXPECT_EQ(std::string(lMaterial->texture1_map.name), lLong);
#endif
    Read3ds lRead = ReadFile(lPath);
    ASSERT_TRUE(lRead.mRead) << lRead.mError;
    KRyvMesh* lMesh = lRead.MeshOf("Tri");
    ASSERT_NE(lMesh, nullptr);
    KRyvTexture* lTexture = lMesh->GetTexture(0);
    ASSERT_NE(lTexture, nullptr);
    EXPECT_STREQ(lTexture->GetRelativeFileName(), lLong.c_str());
    EXPECT_EQ(FaceTextures(lMesh), std::vector<int>({0}));
}
