// The bytes the puts write, one small file per record kind, so that the layout cannot drift.
#include "tests/formats/geometry/3ds/toolkit/Toolkit3dsTestSupport.h"

#include <gtest/gtest.h>

using namespace test3ds;

namespace {

Bytes Percent(uint16_t pTag, uint16_t pValue)
{
    return Chunk(pTag, Chunk(Tag3ds::kIntPercentage, U16(pValue)));
}
Bytes ColorBytes(uint16_t pTag, uint8_t r, uint8_t g, uint8_t b)
{
    return Chunk(pTag, Cat({Chunk(Tag3ds::kColor24, Bytes{r, g, b}),
                            Chunk(Tag3ds::kLinColor24, Bytes{r, g, b})}));
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
        Tag3ds::kNamedObject,
        Cat({Str("Tri"),
             Chunk(Tag3ds::kNTriObject,
                   Cat({Chunk(Tag3ds::kPointArray,
                              Cat({U16(3), Floats({0, 0, 0, 1, 0, 0, 0, 1, 0})})),
                        Chunk(Tag3ds::kMeshMatrix, Bytes(48)), Chunk(Tag3ds::kMeshColor, U8(0)),
                        Chunk(Tag3ds::kFaceArray,
                              Cat({U16(1), U16(0), U16(1), U16(2), U16(7),
                                   Chunk(Tag3ds::kMeshMatGroup, Cat({Str("Red"), U16(1), U16(0)})),
                                   Chunk(Tag3ds::kSmoothGroup, U32(1))}))})),
             Chunk(Tag3ds::kObjHidden)}));
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
        Tag3ds::kMatEntry,
        Cat({Chunk(Tag3ds::kMatName, Str("Red")), ColorBytes(Tag3ds::kMatAmbient, 0, 0, 0),
             ColorBytes(Tag3ds::kMatDiffuse, 255, 0, 127),
             ColorBytes(Tag3ds::kMatSpecular, 0, 0, 0), Percent(Tag3ds::kMatShininess, 46),
             Percent(Tag3ds::kMatShinStrength, 0), Percent(Tag3ds::kMatTransparency, 0),
             Percent(Tag3ds::kMatTransFalloff, 30), Chunk(Tag3ds::kMatFalloffIn),
             Percent(Tag3ds::kMatRefBlur, 0), Chunk(Tag3ds::kMatShading, U16(3)),
             Percent(Tag3ds::kMatSelfIllum, 0), Chunk(Tag3ds::kMatWireSize, F32(1)),
             Chunk(Tag3ds::kMatTexture1, Cat({Chunk(Tag3ds::kIntPercentage, U16(46)),
                                              Chunk(Tag3ds::kMatMapName, Str("red.tga")),
                                              Chunk(Tag3ds::kMatMapParams, U16(0x0211)),
                                              Chunk(Tag3ds::kMatMapTintR, Bytes{255, 0, 0}),
                                              Chunk(Tag3ds::kMatMapTintG, Bytes{0, 255, 0}),
                                              Chunk(Tag3ds::kMatMapTintB, Bytes{0, 0, 255})})),
             Chunk(Tag3ds::kMatTexture1Extra, Bytes{9, 8})}));
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
        Tag3ds::kNamedObject,
        Cat({Str("Lamp"),
             Chunk(
                 Tag3ds::kLight,
                 Cat({Floats({1, 2, 3}), Chunk(Tag3ds::kColorF, Floats({c, c, c})),
                      Chunk(Tag3ds::kLightOuterRange, F32(100)),
                      Chunk(Tag3ds::kLightInnerRange, F32(10)),
                      Chunk(Tag3ds::kLightMultiplier, F32(1)),
                      Chunk(Tag3ds::kLightExclude, Str("Tri")),
                      Chunk(Tag3ds::kSpotlight,
                            Cat({Floats({1, 1, 1, 44, 45}), Chunk(Tag3ds::kSpotRoll, F32(0)),
                                 Chunk(Tag3ds::kSpotShadowed), Chunk(Tag3ds::kSpotRayBias, F32(1)),
                                 Chunk(Tag3ds::kSpotProjector, Str("slide.tga"))}))}))}));
    const Bytes lCam =
        Chunk(Tag3ds::kNamedObject,
              Cat({Str("Cam"), Chunk(Tag3ds::kCamera,
                                     Cat({Floats({0, 0, 0, 1, 1, 1, 0, 2400.0f / 45.0f}),
                                          Chunk(Tag3ds::kCameraRanges, Floats({10, 1000}))}))}));
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
        Tag3ds::kM3dMagic,
        Cat({Chunk(Tag3ds::kVersion, U32(3)),
             Chunk(Tag3ds::kMdata, Chunk(Tag3ds::kMeshVersion, U32(3))),
             Chunk(
                 Tag3ds::kKfData,
                 Cat({Chunk(Tag3ds::kKfHdr, Cat({U16(5), Str(""), U32(100)})),
                      Chunk(Tag3ds::kKfSegment, Cat({U32(0), U32(30)})),
                      Chunk(Tag3ds::kKfCurrentFrame, U32(0)),
                      Chunk(Tag3ds::kObjectNode,
                            Cat({Chunk(Tag3ds::kNodeId, U16(0)),
                                 Chunk(Tag3ds::kNodeHdr,
                                       Cat({Str("Tri"), U16(0), U16(0), U16(Tag3ds::kNoParent)})),
                                 Chunk(Tag3ds::kPivot, Floats({0, 0, 0})),
                                 Track(Tag3ds::kPositionTrack, 1,
                                       Cat({U32(4), U16(5), Floats({0.5f, -0.5f, 1, 2, 3})})),
                                 Track(Tag3ds::kHideTrack, 1, Cat({U32(0), U16(0)}))})),
                      Chunk(Tag3ds::kTargetNode,
                            Cat({Chunk(Tag3ds::kNodeId, U16(1)),
                                 Chunk(Tag3ds::kNodeHdr,
                                       Cat({Str("Cam"), U16(0), U16(0), U16(Tag3ds::kNoParent)})),
                                 Track(Tag3ds::kPositionTrack, 1,
                                       Cat({U32(0), U16(0), Floats({0, 0, 0})}))})),
                      Chunk(
                          Tag3ds::kCameraNode,
                          Cat({Chunk(Tag3ds::kNodeId, U16(2)),
                               Chunk(Tag3ds::kNodeHdr, Cat({Str("Cam"), U16(0), U16(0), U16(0)})),
                               Track(Tag3ds::kFovTrack, 1, Cat({U32(0), U16(0), F32(60)}))}))}))}));
    EXPECT_EQ(WriteDatabase(*lRun, lDir), lKeyframer);
}
