// The bytes the puts write, one small file per record kind, so that the layout cannot drift.
#include "tests/formats/geometry/3ds/toolkit/Toolkit3dsTestSupport.h"

#include <gtest/gtest.h>

using namespace test3ds;

namespace {

Bytes Percent(uint16_t pTag, uint16_t pValue)
{
    return Chunk(pTag, Chunk(0x0030, U16(pValue)));
}
Bytes ColorBytes(uint16_t pTag, uint8_t r, uint8_t g, uint8_t b)
{
    return Chunk(pTag, Cat({Chunk(0x0011, Bytes{r, g, b}), Chunk(0x0012, Bytes{r, g, b})}));
}

} // namespace

TEST(Toolkit3dsGolden, Mesh)
{
    ScratchDir lDir;
    std::unique_ptr<Loaded> lRun = NewDatabase();
    std::unique_ptr<MeshObject3ds> lMesh;
    InitMeshObject3ds(lMesh, 3, 1, kMeshSmoothing3ds);
    lMesh->mName = "Tri";
    lMesh->mVertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    lMesh->mFaces[0].flag = 7;
    lMesh->mSmoothing[0] = 1;
    lMesh->mMaterialGroupCount = 1;
    AllocMeshParts3ds(lMesh.get(), kMeshMaterialGroups3ds);
    lMesh->mMaterialGroups[0].mName = "Red";
    InitMaterialGroupFaces3ds(lRun->mKit, lMesh.get(), 0, 1);
    lMesh->mObjectFlags[0] = 1;
    PutMesh3ds(lRun->mKit, lRun->Db(), lMesh.get());
    const Bytes lObject = Chunk(
        0x4000,
        Cat({Str("Tri"),
             Chunk(0x4100, Cat({Chunk(0x4110, Cat({U16(3), Floats({0, 0, 0, 1, 0, 0, 0, 1, 0})})),
                                Chunk(0x4160, Bytes(48)), Chunk(0x4165, U8(0)),
                                Chunk(0x4120, Cat({U16(1), U16(0), U16(1), U16(2), U16(7),
                                                   Chunk(0x4130, Cat({Str("Red"), U16(1), U16(0)})),
                                                   Chunk(0x4150, U32(1))}))})),
             Chunk(0x4010)}));
    EXPECT_EQ(WriteDatabase(*lRun, lDir), StampedFile(lObject));
}

TEST(Toolkit3dsGolden, Material)
{
    ScratchDir lDir;
    std::unique_ptr<Loaded> lRun = NewDatabase();
    std::unique_ptr<Material3ds> lMaterial;
    InitMaterial3ds(lMaterial);
    lMaterial->mName = "Red";
    lMaterial->mDiffuse = {1, 0, 0.5f};
    lMaterial->mShininess = 0.456f;
    lMaterial->mTransFalloff = -0.3f;
    lMaterial->mMaps[0].mName = "red.tga";
    lMaterial->mMaps[0].mPercent = 0.456f;
    lMaterial->mMaps[0].mTiling = 2;
    lMaterial->mMaps[0].mTint = 4;
    lMaterial->mMaps[0].mExtra = {9, 8};
    PutMaterial3ds(lRun->mKit, lRun->Db(), lMaterial.get());
    const Bytes lChunk = Chunk(
        0xAFFF,
        Cat({Chunk(0xA000, Str("Red")), ColorBytes(0xA010, 0, 0, 0),
             ColorBytes(0xA020, 255, 0, 127), ColorBytes(0xA030, 0, 0, 0), Percent(0xA040, 46),
             Percent(0xA041, 0), Percent(0xA050, 0), Percent(0xA052, 30), Chunk(0xA08A),
             Percent(0xA053, 0), Chunk(0xA100, U16(3)), Percent(0xA084, 0), Chunk(0xA087, F32(1)),
             Chunk(0xA200, Cat({Chunk(0x0030, U16(46)), Chunk(0xA300, Str("red.tga")),
                                Chunk(0xA351, U16(0x0211)), Chunk(0xA364, Bytes{255, 0, 0}),
                                Chunk(0xA366, Bytes{0, 255, 0}), Chunk(0xA368, Bytes{0, 0, 255})})),
             Chunk(0xA320, Bytes{9, 8})}));
    EXPECT_EQ(WriteDatabase(*lRun, lDir), StampedFile(lChunk));
}

TEST(Toolkit3dsGolden, LightAndCamera)
{
    ScratchDir lDir;
    std::unique_ptr<Loaded> lRun = NewDatabase();
    std::unique_ptr<LightObject3ds> lLight;
    InitSpotlightObject3ds(lLight);
    lLight->mName = "Lamp";
    lLight->mPosition = {1, 2, 3};
    lLight->mSpot->mShadowed = 1;
    lLight->mSpot->mProjector = 1;
    lLight->mSpot->mProjectorName = "slide.tga";
    lLight->mExclusions = {"Tri"};
    PutLight3ds(lRun->mKit, lRun->Db(), lLight.get());
    std::unique_ptr<CameraObject3ds> lCamera;
    InitCameraObject3ds(lCamera);
    lCamera->mName = "Cam";
    PutCamera3ds(lRun->mKit, lRun->Db(), lCamera.get());
    const float c = 0.708852f;
    const Bytes lLamp = Chunk(
        0x4000,
        Cat({Str("Lamp"),
             Chunk(0x4600, Cat({Floats({1, 2, 3}), Chunk(0x0010, Floats({c, c, c})),
                                Chunk(0x465A, F32(100)), Chunk(0x4659, F32(10)),
                                Chunk(0x465B, F32(1)), Chunk(0x4654, Str("Tri")),
                                Chunk(0x4610, Cat({Floats({1, 1, 1, 44, 45}), Chunk(0x4656, F32(0)),
                                                   Chunk(0x4630), Chunk(0x4658, F32(1)),
                                                   Chunk(0x4653, Str("slide.tga"))}))}))}));
    const Bytes lCam = Chunk(
        0x4000, Cat({Str("Cam"), Chunk(0x4700, Cat({Floats({0, 0, 0, 1, 1, 1, 0, 2400.0f / 45.0f}),
                                                    Chunk(0x4720, Floats({10, 1000}))}))}));
    EXPECT_EQ(WriteDatabase(*lRun, lDir), StampedFile(Cat({lLamp, lCam})));
}

TEST(Toolkit3dsGolden, Keyframer)
{
    ScratchDir lDir;
    std::unique_ptr<Loaded> lRun = NewDatabase();
    std::unique_ptr<ObjectMotion3ds> lMotion;
    InitObjectMotion3ds(lMotion, 1, 0, 0, 0, 1);
    lMotion->mName = "Tri";
    lMotion->mPosition.mKeys[0].mTime = 4;
    lMotion->mPosition.mKeys[0].mFlags = 0x0005;
    lMotion->mPosition.mKeys[0].mValues[0] = 0.5f;
    lMotion->mPosition.mKeys[0].mValues[2] = -0.5f;
    lMotion->mPosition.mValues[0] = {1, 2, 3};
    PutObjectMotion3ds(lRun->mKit, lRun->Db(), lMotion.get());
    std::unique_ptr<CameraMotion3ds> lCamera;
    InitCameraMotion3ds(lCamera, 0, 1, 0, 1);
    lCamera->mName = "Cam";
    lCamera->mParent = "Tri";
    PutCameraMotion3ds(lRun->mKit, lRun->Db(), lCamera.get());
    std::unique_ptr<KeyframerSettings3ds> lSettings;
    InitKeyframerSettings3ds(lSettings);
    lSettings->mAnimLength = 100;
    lSettings->mSegmentInUse = true;
    PutKeyframerSettings3ds(lRun->mKit, lRun->Db(), lSettings.get());
    auto Track = [](uint16_t pTag, uint32_t pKeys, const Bytes& pKeyBytes) {
        return Chunk(pTag, Cat({U16(0), U32(0), U32(0), U32(pKeys), pKeyBytes}));
    };
    const Bytes lKeyframer = Chunk(
        0x4D4D,
        Cat({Chunk(0x0002, U32(3)), Chunk(0x3D3D, Chunk(0x3D3E, U32(3))),
             Chunk(
                 0xB000,
                 Cat({Chunk(0xB00A, Cat({U16(5), Str(""), U32(100)})),
                      Chunk(0xB008, Cat({U32(0), U32(30)})), Chunk(0xB009, U32(0)),
                      Chunk(0xB002,
                            Cat({Chunk(0xB030, U16(0)),
                                 Chunk(0xB010, Cat({Str("Tri"), U16(0), U16(0), U16(0xFFFF)})),
                                 Chunk(0xB013, Floats({0, 0, 0})),
                                 Track(0xB020, 1,
                                       Cat({U32(4), U16(5), Floats({0.5f, -0.5f, 1, 2, 3})})),
                                 Track(0xB029, 1, Cat({U32(0), U16(0)}))})),
                      Chunk(0xB004,
                            Cat({Chunk(0xB030, U16(1)),
                                 Chunk(0xB010, Cat({Str("Cam"), U16(0), U16(0), U16(0xFFFF)})),
                                 Track(0xB020, 1, Cat({U32(0), U16(0), Floats({0, 0, 0})}))})),
                      Chunk(0xB003, Cat({Chunk(0xB030, U16(2)),
                                         Chunk(0xB010, Cat({Str("Cam"), U16(0), U16(0), U16(0)})),
                                         Track(0xB023, 1, Cat({U32(0), U16(0), F32(60)}))}))}))}));
    EXPECT_EQ(WriteDatabase(*lRun, lDir), lKeyframer);
}
