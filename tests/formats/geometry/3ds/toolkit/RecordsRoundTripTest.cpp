// Records put, written, read back and got again, field for field; and the edge cases of the
// get and put rules.
#include "tests/formats/geometry/3ds/toolkit/Toolkit3dsTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace test3ds;

namespace {

// Writes the run's database and loads the file in a fresh run.
std::unique_ptr<Loaded> Reload(Loaded& ioRun, const ScratchDir& pDir)
{
    const Bytes lBytes = WriteDatabase(ioRun, pDir);
    EXPECT_FALSE(lBytes.empty());
    auto lRun = LoadBytes(pDir, lBytes);
    EXPECT_FALSE(lRun->Failed());
    return lRun;
}

bool Same(const Point3ds& a, const Point3ds& b)
{
    return a.x == b.x && a.y == b.y && a.z == b.z;
}
bool Same(const Color3ds& a, const Color3ds& b)
{
    return std::fabs(a.r - b.r) < 1e-6f && std::fabs(a.g - b.g) < 1e-6f &&
           std::fabs(a.b - b.b) < 1e-6f;
}

} // namespace

TEST(Toolkit3dsRoundTrip, MeshWithEveryPart)
{
    ScratchDir lDir;
    std::unique_ptr<Loaded> lRun = NewDatabase();
    std::unique_ptr<MeshObject3ds> lMesh;
    InitMeshObject3ds(lMesh, 4, 2, kMeshTexVerts3ds | kMeshSmoothing3ds | kMeshVertexFlags3ds);
    EXPECT_EQ(lMesh->mTexVerts.size(), 4u);
    EXPECT_EQ(lMesh->mSmoothing, (std::vector<uint32_t>{0, 0}));
    EXPECT_EQ(lMesh->mFaces[1].v3, 2);
    MeshObject3ds& m = *lMesh;
    m.mName = "Quad";
    m.mVertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0.5f}};
    m.mTexVerts[3] = {0.25f, 0.75f};
    m.mVertexFlags[2] = 9;
    m.mFaces[1] = {0, 2, 3, 6};
    m.mSmoothing = {1, 0x80000000};
    m.mHasMapping = true;
    m.mMapping.mType = 2;
    m.mMapping.mMatrix[11] = 4;
    m.mLocal[9] = 5;
    m.mMeshColor = 3;
    m.mUseBoxMap = true;
    m.mBoxMap[5] = "sixteen_chars_ok";
    m.mObjectFlags = {0, 1, 0, 1, 0, 1, 1};
    m.mMaterialGroupCount = 2;
    AllocMeshParts3ds(&m, kMeshMaterialGroups3ds);
    m.mMaterialGroups[0] = {"A", {0}};
    m.mMaterialGroups[1] = {"B", {1}};
    m.mProcName = "proc";
    m.mProcSize = 3;
    AllocMeshParts3ds(&m, kMeshProcData3ds);
    m.mProcData[2] = 42;
    m.mUseProc = 1;
    PutMesh3ds(lRun->mKit, lRun->Db(), &m);
    auto lBack = Reload(*lRun, lDir);
    EXPECT_EQ(GetMeshCount3ds(lBack->mKit, lBack->Db()), 1u);
    std::unique_ptr<MeshObject3ds> lRead;
    GetMeshByIndex3ds(lBack->mKit, lBack->Db(), 0, lRead);
    ASSERT_TRUE(lRead);
    const MeshObject3ds& r = *lRead;
    EXPECT_EQ(r.mName, "Quad");
    ASSERT_EQ(r.mVertexCount, 4);
    EXPECT_TRUE(Same(r.mVertices[3], m.mVertices[3]));
    EXPECT_EQ(r.mTexVerts[3].v, 0.75f);
    EXPECT_EQ(r.mVertexFlags, m.mVertexFlags);
    EXPECT_EQ(r.mFaces[1].v2, 2);
    EXPECT_EQ(r.mFaces[1].flag, 6);
    EXPECT_EQ(r.mSmoothing, m.mSmoothing);
    EXPECT_TRUE(r.mHasMapping);
    EXPECT_EQ(r.mMapping.mType, 2);
    EXPECT_EQ(r.mMapping.mMatrix[11], 4);
    EXPECT_EQ(r.mMapping.mPlanar[2], 1);
    EXPECT_EQ(r.mLocal[9], 5);
    EXPECT_EQ(r.mMeshColor, 3);
    EXPECT_EQ(r.mBoxMap[5], "sixteen_chars_ok");
    EXPECT_EQ(r.mObjectFlags, m.mObjectFlags);
    EXPECT_EQ(r.mMaterialGroupCount, 2);
    EXPECT_EQ(r.mMaterialGroups[1].mName, "B");
    EXPECT_EQ(r.mMaterialGroups[1].mFaces, (std::vector<uint16_t>{1}));
    EXPECT_EQ(r.mProcName, "proc");
    EXPECT_EQ(r.mProcData, m.mProcData);
    EXPECT_EQ(r.mUseProc, 1);
    EXPECT_FALSE(lBack->Failed());
}

TEST(Toolkit3dsRoundTrip, MeshPartsAndPutRules)
{
    std::unique_ptr<Loaded> lRun = NewDatabase();
    Toolkit3dsContext& lKit = lRun->mKit;
    std::unique_ptr<MeshObject3ds> lMesh;
    InitMeshObject3ds(lMesh, 3, 1, 0);
    lMesh->mFaces[0] = {2, 1, 0, 5};
    lMesh->mFaceCount = 3;
    AllocMeshParts3ds(lMesh.get(), kMeshFaces3ds);
    EXPECT_EQ(lMesh->mFaces[0].v1, 2);
    EXPECT_EQ(lMesh->mFaces[2].v2, 1);
    lMesh->mFaceCount = 0;
    AllocMeshParts3ds(lMesh.get(), kMeshFaces3ds);
    EXPECT_TRUE(lMesh->mFaces.empty());
    InitMaterialGroupFaces3ds(lKit, lMesh.get(), 0, 1);
    EXPECT_EQ(lRun->Codes(), (std::vector<int32_t>{ERR_INVALID_DATA}));
    // A mesh with faces and nothing else writes its face chunk without children; a second
    // put of the name replaces the object and keeps its 0x8000 chunk.
    InitMeshObject3ds(lMesh, 3, 1, 0);
    lMesh->mName = "M";
    Toolkit3dsContext lFresh;
    PutMesh3ds(lFresh, lRun->Db(), lMesh.get());
    ChunkNode3ds* lObject = FindObjectByName3ds(lFresh, lRun->Db(), "M");
    ASSERT_NE(lObject, nullptr);
    EXPECT_EQ(FindChunk3ds(lObject, Tag3ds::kFaceArray)->mChildren, nullptr);
    std::unique_ptr<ChunkNode3ds> lXdata;
    NewChunkWithTag3ds(lXdata, Tag3ds::kXdata);
    AddChildChunk3ds(lObject->mChildren.get(), std::move(lXdata));
    PutMesh3ds(lFresh, lRun->Db(), lMesh.get());
    EXPECT_NE(FindChunk3ds(FindObjectByName3ds(lFresh, lRun->Db(), "M"), Tag3ds::kXdata), nullptr);
    EXPECT_EQ(GetMeshCount3ds(lFresh, lRun->Db()), 1u);
    std::unique_ptr<MeshObject3ds> lUntouched;
    GetMeshByIndex3ds(lFresh, lRun->Db(), 1, lUntouched);
    EXPECT_EQ(lUntouched, nullptr);
    // Records the file cannot hold are refused before the tree changes.
    lMesh->mFaces[0].v3 = 3;
    PutMesh3ds(lFresh, lRun->Db(), lMesh.get());
    lMesh->mFaces[0].v3 = 2;
    lMesh->mName = "ElevenChars";
    PutMesh3ds(lFresh, lRun->Db(), lMesh.get());
    EXPECT_EQ(CountMaterialGroups3ds(lRun->Db()->mTopChunk.get()), 0u);
    EXPECT_EQ(GetMeshCount3ds(lFresh, lRun->Db()), 1u);
    EXPECT_EQ(lFresh.mErrors.mRecords[0].mCode, ERR_INVALID_DATA);
    EXPECT_EQ(lFresh.mErrors.mRecords[1].mCode, ERR_STRING_TOO_LONG);
}

TEST(Toolkit3dsRoundTrip, MaterialFields)
{
    ScratchDir lDir;
    std::unique_ptr<Loaded> lRun = NewDatabase();
    std::unique_ptr<Material3ds> lMaterial;
    for (int lPercent = 0; lPercent <= 100; ++lPercent) {
        InitMaterial3ds(lMaterial);
        lMaterial->mName = "P" + std::to_string(lPercent);
        lMaterial->mShininess = lPercent / 100.0f;
        lMaterial->mTransparency = lPercent * 0.01f;
        PutMaterial3ds(lRun->mKit, lRun->Db(), lMaterial.get());
    }
    InitMaterial3ds(lMaterial);
    Material3ds& m = *lMaterial;
    m.mName = "Full";
    m.mSpecular = {0, 1, 0};
    m.mTransFalloff = -0.25f;
    m.mShading = -2;
    m.mWireSize = 2;
    m.mFlags = {1, 1, 1, 1, 1, 1, 1, 1, 1};
    m.mMaps[6] = TextureMap3ds();
    m.mMaps[6].mName = "bump_name_16_chr";
    m.mMaps[6].mPercent = 0.3f;
    m.mMaps[6].mTint = 2;
    m.mMaps[6].mTint1 = {1, 0, 0};
    m.mMaps[6].mScale[1] = 2;
    m.mMaps[6].mOffset[0] = 0.5f;
    m.mMaps[6].mRotation = 90;
    m.mMaps[6].mBlur = 0.1f;
    m.mMaps[6].mMirror = m.mMaps[6].mNegative = m.mMaps[6].mIgnoreAlpha = 1;
    m.mMaps[6].mFilter = 1;
    m.mMaps[6].mTiling = 3;
    m.mMaps[15].mName = "last";
    m.mMaps[15].mExtra = {1, 2, 3};
    m.mAutoReflInUse = 1;
    m.mAutoReflFlags[0] = m.mAutoReflFlags[1] = 1;
    m.mAutoReflSize = 256;
    PutMaterial3ds(lRun->mKit, lRun->Db(), &m);
    auto lBack = Reload(*lRun, lDir);
    ASSERT_EQ(GetMaterialCount3ds(lBack->mKit, lBack->Db()), 102u);
    std::unique_ptr<Material3ds> lRead;
    for (int lPercent = 0; lPercent <= 100; ++lPercent) {
        GetMaterialByIndex3ds(lBack->mKit, lBack->Db(), lPercent, lRead);
        EXPECT_EQ(std::lround(lRead->mShininess * 100), lPercent);
        EXPECT_EQ(std::lround(lRead->mTransparency * 100), lPercent);
    }
    GetMaterialByIndex3ds(lBack->mKit, lBack->Db(), 101, lRead);
    const Material3ds& r = *lRead;
    EXPECT_EQ(r.mName, "Full");
    EXPECT_TRUE(Same(r.mSpecular, m.mSpecular));
    EXPECT_FLOAT_EQ(r.mTransFalloff, -0.25f);
    EXPECT_EQ(r.mShading, 0); // the wire flag 0xA085 sets the shading to 0
    EXPECT_EQ(r.mWireSize, 2);
    EXPECT_EQ(r.mFlags, m.mFlags);
    const TextureMap3ds& lBump = r.mMaps[6];
    EXPECT_EQ(lBump.mName, "bump_name_16_chr");
    EXPECT_FLOAT_EQ(lBump.mPercent, 0.3f);
    EXPECT_EQ(lBump.mTint, 2);
    EXPECT_TRUE(Same(lBump.mTint1, m.mMaps[6].mTint1));
    EXPECT_EQ(lBump.mScale[1], 2);
    EXPECT_EQ(lBump.mOffset[0], 0.5f);
    EXPECT_EQ(lBump.mRotation, 90);
    EXPECT_FLOAT_EQ(lBump.mBlur, 0.1f);
    EXPECT_EQ(lBump.mMirror + lBump.mNegative + lBump.mIgnoreAlpha + lBump.mFilter, 4);
    EXPECT_EQ(lBump.mTiling, 3);
    EXPECT_EQ(r.mMaps[15].mExtra, m.mMaps[15].mExtra);
    EXPECT_EQ(r.mMaps[14].mName, "");
    EXPECT_EQ(r.mAutoReflFlags[0] + r.mAutoReflFlags[1], 2);
    EXPECT_EQ(r.mAutoReflSize, 256u);
}

TEST(Toolkit3dsRoundTrip, MaterialReadRules)
{
    ScratchDir lDir;
    const Bytes lMaterial = Chunk(
        Tag3ds::kMatEntry,
        Cat({Chunk(Tag3ds::kMatName, Str("M")),
             Chunk(Tag3ds::kMatAmbient, Cat({Chunk(Tag3ds::kColor24, Bytes{255, 255, 255}),
                                             Chunk(Tag3ds::kLinColor24, Bytes{255, 0, 0})})),
             Chunk(Tag3ds::kMatDiffuse, Chunk(Tag3ds::kLinColorF, Floats({0, 0.5f, 0}))),
             Chunk(0x7777, Bytes{1}),
             Chunk(Tag3ds::kMatAutoReflection, Cat({U8(0), U8(0), U16(0x19), U32(5), U32(6)})),
             Chunk(Tag3ds::kMatShininess, Chunk(Tag3ds::kFloatPercentage, F32(0.25f))),
             Chunk(Tag3ds::kMatShading, U16(0xFFFF)),
             Chunk(Tag3ds::kMatTexture2, Chunk(Tag3ds::kMatMapParams, U16(0x0240)))}));
    auto lRun = LoadBytes(lDir, StampedFile(lMaterial));
    std::unique_ptr<Material3ds> lRead;
    GetMaterialByIndex3ds(lRun->mKit, lRun->Db(), 0, lRead);
    EXPECT_FALSE(lRun->Failed());
    EXPECT_TRUE(Same(lRead->mAmbient, {1, 0, 0}));
    EXPECT_TRUE(Same(lRead->mDiffuse, {0, 0.5f, 0}));
    EXPECT_EQ(lRead->mShininess, 0.25f);
    EXPECT_EQ(lRead->mShading, -1);
    EXPECT_EQ(lRead->mAutoReflFlags[0] + lRead->mAutoReflFlags[1], 2);
    EXPECT_EQ(lRead->mAutoReflFrameStep, 6u);
    EXPECT_EQ(lRead->mMaps[2].mTint, 4);
    auto lNoColor =
        LoadBytes(lDir, StampedFile(Chunk(Tag3ds::kMatEntry, Chunk(Tag3ds::kMatAmbient))));
    GetMaterialByIndex3ds(lNoColor->mKit, lNoColor->Db(), 0, lRead);
    EXPECT_EQ(lNoColor->Codes(), (std::vector<int32_t>{ERR_UNFOUND_CHUNK}));
}

TEST(Toolkit3dsRoundTrip, LightsCamerasAndSettings)
{
    ScratchDir lDir;
    std::unique_ptr<Loaded> lRun = NewDatabase();
    Toolkit3dsContext& lKit = lRun->mKit;
    std::unique_ptr<LightObject3ds> lLight;
    InitLightObject3ds(lLight);
    lLight->mName = "Omni";
    lLight->mOff = lLight->mAttenuate = 1;
    lLight->mColor = {0.5f, 0.25f, 1};
    PutLight3ds(lKit, lRun->Db(), lLight.get());
    InitSpotlightObject3ds(lLight);
    lLight->mName = "Spot";
    SpotlightData3ds& s = *lLight->mSpot;
    s.mHotspot = 20;
    s.mAspect = 2;
    s.mLocalShadow = 1;
    s.mShadowMapSize = 1024;
    s.mRayShadows = s.mRectangular = s.mSeeCone = s.mOvershoot = 1;
    PutLight3ds(lKit, lRun->Db(), lLight.get());
    std::unique_ptr<CameraObject3ds> lCamera;
    InitCameraObject3ds(lCamera);
    lCamera->mName = "Cam";
    lCamera->mFov = 30;
    lCamera->mShowCone = 1;
    lCamera->mFarRange = 5;
    PutCamera3ds(lKit, lRun->Db(), lCamera.get());
    std::unique_ptr<MeshSettings3ds> lSettings;
    InitMeshSettings3ds(lSettings);
    lSettings->mMasterScale = 2;
    lSettings->mShadowMapSize = 256;
    lSettings->mAmbient = {0.1f, 0.2f, 0.3f};
    PutMeshSettings3ds(lKit, lRun->Db(), lSettings.get());
    std::unique_ptr<BackgroundSettings3ds> lBackground;
    InitBackgroundSettings3ds(lBackground);
    lBackground->mBitmap = "sky.tga";
    lBackground->mGradient[2] = {0, 0, 1};
    lBackground->mInUse = BackgroundSettings3ds::kGradient;
    PutBackgroundSettings3ds(lKit, lRun->Db(), lBackground.get());
    auto lBack = Reload(*lRun, lDir);
    Toolkit3dsContext& lReadKit = lBack->mKit;
    EXPECT_EQ(GetOmniLightCount3ds(lReadKit, lBack->Db()), 1u);
    EXPECT_EQ(GetSpotlightCount3ds(lReadKit, lBack->Db()), 1u);
    GetOmniLightByIndex3ds(lReadKit, lBack->Db(), 0, lLight);
    EXPECT_EQ(lLight->mOff + lLight->mAttenuate, 2);
    EXPECT_TRUE(Same(lLight->mColor, {0.5f, 0.25f, 1}));
    EXPECT_EQ(lLight->mSpot, nullptr);
    GetSpotlightByIndex3ds(lReadKit, lBack->Db(), 0, lLight);
    ASSERT_NE(lLight->mSpot, nullptr);
    EXPECT_EQ(lLight->mSpot->mHotspot, 20);
    EXPECT_EQ(lLight->mSpot->mAspect, 2);
    EXPECT_EQ(lLight->mSpot->mShadowMapSize, 1024);
    EXPECT_EQ(lLight->mSpot->mRayShadows + lLight->mSpot->mRectangular + lLight->mSpot->mSeeCone +
                  lLight->mSpot->mOvershoot + lLight->mSpot->mLocalShadow,
              5);
    EXPECT_EQ(GetCameraCount3ds(lReadKit, lBack->Db()), 1u);
    GetCameraByIndex3ds(lReadKit, lBack->Db(), 0, lCamera);
    EXPECT_FLOAT_EQ(lCamera->mFov, 30);
    EXPECT_EQ(lCamera->mShowCone, 1);
    EXPECT_EQ(lCamera->mFarRange, 5);
    GetMeshSettings3ds(lReadKit, lBack->Db(), lSettings);
    EXPECT_EQ(lSettings->mMasterScale, 2);
    EXPECT_EQ(lSettings->mShadowMapSize, 256);
    EXPECT_TRUE(Same(lSettings->mAmbient, {0.1f, 0.2f, 0.3f}));
    GetBackgroundSettings3ds(lReadKit, lBack->Db(), lBackground);
    EXPECT_EQ(lBackground->mBitmap, "sky.tga");
    EXPECT_TRUE(Same(lBackground->mGradient[2], {0, 0, 1}));
    EXPECT_EQ(lBackground->mInUse, BackgroundSettings3ds::kGradient);
    lBackground->mInUse = BackgroundSettings3ds::kNone;
    PutBackgroundSettings3ds(lReadKit, lBack->Db(), lBackground.get());
    GetBackgroundSettings3ds(lReadKit, lBack->Db(), lBackground);
    EXPECT_EQ(lBackground->mInUse, BackgroundSettings3ds::kNone);
    EXPECT_FALSE(lBack->Failed());
}

TEST(Toolkit3dsRoundTrip, ColourScalesAndLens)
{
    ScratchDir lDir;
    const Bytes lLight = Chunk(
        Tag3ds::kNamedObject,
        Cat({Str("L"), Chunk(Tag3ds::kLight, Cat({Floats({0, 0, 0}),
                                                  Chunk(Tag3ds::kColor24, Bytes{255, 0, 128})}))}));
    const Bytes lCameras = Cat(
        {Chunk(Tag3ds::kNamedObject,
               Cat({Str("C"), Chunk(Tag3ds::kCamera, Floats({0, 0, 0, 1, 1, 1, 0, 53.333332f}))})),
         Chunk(Tag3ds::kNamedObject,
               Cat({Str("Z"), Chunk(Tag3ds::kCamera, Floats({0, 0, 0, 1, 1, 1, 0, 0}))}))});
    auto lRun = LoadBytes(
        lDir,
        StampedFile(Cat({Chunk(Tag3ds::kAmbientLight, Chunk(Tag3ds::kColor24, Bytes{255, 0, 128})),
                         lLight, lCameras})));
    std::unique_ptr<LightObject3ds> lRead;
    GetOmniLightByIndex3ds(lRun->mKit, lRun->Db(), 0, lRead);
    EXPECT_NEAR(lRead->mColor.r, 1, 1e-6);
    EXPECT_NEAR(lRead->mColor.b, 0.50196, 1e-5);
    std::unique_ptr<MeshSettings3ds> lSettings;
    GetMeshSettings3ds(lRun->mKit, lRun->Db(), lSettings);
    EXPECT_NEAR(lSettings->mAmbient.r, 0.99609, 1e-5);
    EXPECT_EQ(lSettings->mAmbient.b, 0.5f);
    std::unique_ptr<CameraObject3ds> lCamera;
    GetCameraByIndex3ds(lRun->mKit, lRun->Db(), 0, lCamera);
    EXPECT_NEAR(lCamera->mFov, 45, 1e-5);
    GetCameraByIndex3ds(lRun->mKit, lRun->Db(), 1, lCamera);
    EXPECT_EQ(lCamera->mFov, 45);
    lCamera->mFov = 0;
    PutCamera3ds(lRun->mKit, lRun->Db(), lCamera.get());
    EXPECT_EQ(lRun->Codes(), (std::vector<int32_t>{ERR_INVALID_DATA}));
    std::unique_ptr<LightObject3ds> lLong;
    InitSpotlightObject3ds(lLong);
    lLong->mSpot->mProjectorName = "thirteen_char";
    PutLight3ds(lRun->mKit, lRun->Db(), lLong.get());
    EXPECT_EQ(lRun->Codes().back(), ERR_STRING_TOO_LONG);
}
