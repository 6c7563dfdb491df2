// The 3DS writer's lights, cameras, textures and scene-wide values, read back through the
// toolkit.
#include "tests/formats/geometry/3ds/Format3dsTestSupport.h"

#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"
#include "core/KTime.h"
#include "formats/geometry/3ds/K3dsAxes.h"
#include "formats/geometry/3ds/KWriter3ds.h"
#include "scene/objects/KRyvCamera.h"
#include "scene/objects/KRyvLight.h"
#include "scene/objects/KRyvMarker.h"
#include "scene/objects/KRyvMaterial.h"
#include "scene/objects/KRyvPatch.h"
#include "scene/objects/KRyvTexture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <set>

using namespace test3ds;

namespace {

void ExpectPoint(const Point3ds& pPoint, float x, float y, float z)
{
    EXPECT_NEAR(pPoint.x, x, 1e-5);
    EXPECT_NEAR(pPoint.y, y, 1e-5);
    EXPECT_NEAR(pPoint.z, z, 1e-5);
}

} // namespace

// A spot without target looks 10 units down its -Y; its falloff is never below its hotspot;
// an infinite light writes nothing; an omni light's multiplier is its intensity / 100.
TEST(KWriter3dsObjects, Lights)
{
    ScratchDir lDir;
    Scene3ds lScene;
    KRyvNode* lSpot = lScene.AddLight("Spot", KRyvLight::eSpot, KVector4(1, 2, 3));
    static_cast<KRyvLight*>(lSpot->GetLight())->SetConeAngle(60.0);
    KRyvNode* lOmni = lScene.AddLight("Omni", KRyvLight::ePoint, KVector4(0, 0, 0));
    static_cast<KRyvLight*>(lOmni->GetLight())->SetIntensity(250.0);
    lScene.AddLight("Sun", KRyvLight::eInfinite, KVector4(0, 0, 0));
    auto lRun = lScene.WriteAndLoad(lDir, "lights.3ds");
    EXPECT_EQ(GetSpotlightCount3ds(lRun->mKit, lRun->Db()), 1u);
    EXPECT_EQ(GetOmniLightCount3ds(lRun->mKit, lRun->Db()), 1u);
    std::unique_ptr<LightObject3ds> lLight;
    GetSpotlightByIndex3ds(lRun->mKit, lRun->Db(), 0, lLight);
    ASSERT_TRUE(lLight && lLight->mSpot);
    ExpectPoint(lLight->mPosition, 1, -3, 2);
    ExpectPoint(lLight->mSpot->mTarget, 1, -3, -8);
    EXPECT_NEAR(lLight->mSpot->mHotspot, 60.0f, 1e-4);
    EXPECT_GE(lLight->mSpot->mFalloff, lLight->mSpot->mHotspot);
    std::unique_ptr<SpotlightMotion3ds> lMotion;
    GetSpotlightMotionByIndex3ds(lRun->mKit, lRun->Db(), 0, lMotion);
    ASSERT_EQ(lMotion->mTargetPosition.mValues.size(), 1u);
    ExpectPoint(lMotion->mTargetPosition.mValues[0], 1, -3, -8);
    EXPECT_EQ(lMotion->mHotspot.mValues, lMotion->mFalloff.mValues);
    GetOmniLightByIndex3ds(lRun->mKit, lRun->Db(), 0, lLight);
    EXPECT_NEAR(lLight->mMultiplier, 2.5f, 1e-6);
}

// A camera without target at p with rotation 0 aims at p + (10, 0, 0) and has no roll; in
// aperture mode 2 its angle is converted from the vertical one; the background is the last
// camera's.
TEST(KWriter3dsObjects, Cameras)
{
    ScratchDir lDir;
    Scene3ds lScene;
    KRyvCamera* lFirst = lScene.mFactory->CreateCamera();
    KRyvNode* lNode = lScene.Add("Cam", lFirst);
    lNode->SetLclTranslation(KVector4(1, 2, 3));
    lFirst->SetBackgroundColor(1, 0, 0);
    KRyvCamera* lSecond = lScene.mFactory->CreateCamera();
    lScene.Add("Cam2", lSecond);
    lSecond->SetBackgroundColor(0, 0, 1);
    lSecond->SetApertureMode(2);
    lSecond->SetFilmWidth(1.0);
    lSecond->SetFilmHeight(0.5);
    auto lRun = lScene.WriteAndLoad(lDir, "cameras.3ds");
    std::unique_ptr<CameraObject3ds> lCamera;
    GetCameraByIndex3ds(lRun->mKit, lRun->Db(), 0, lCamera);
    ASSERT_NE(lCamera, nullptr);
    ExpectPoint(lCamera->mPosition, 1, -3, 2);
    ExpectPoint(lCamera->mTarget, 11, -3, 2);
    EXPECT_NEAR(lCamera->mRoll, 0.0f, 1e-4);
    GetCameraByIndex3ds(lRun->mKit, lRun->Db(), 1, lCamera);
    const double lVertical = lSecond->GetFieldOfViewFromFocalLength();
    const double lExpected =
        2 * std::atan(std::tan(lVertical * M_PI / 360) * 2 * lSecond->GetFilmSqueezeRatio()) * 180 /
        M_PI;
    EXPECT_NEAR(lCamera->mFov, lExpected, 1e-3);
    std::unique_ptr<BackgroundSettings3ds> lBackground;
    GetBackgroundSettings3ds(lRun->mKit, lRun->Db(), lBackground);
    EXPECT_EQ(lBackground->mSolid.b, 1.0f);
    EXPECT_EQ(lBackground->mSolid.r, 0.0f);
}

// The reference node the reader makes sets the master scale and is not written itself; its
// children name the root dummy with "Create Reference Node" on.
TEST(KWriter3dsObjects, TheReferenceNodeAndTheRootDummy)
{
    ScratchDir lDir;
    Scene3ds lScene;
    KRyvNode* lReference = lScene.Add("Ryv_Root", nullptr);
    lReference->SetLclScaling(KVector4(2.54, 2.54, 2.54));
    lScene.Add("Tri", lScene.Triangle(), lReference);
    auto lRun = lScene.WriteAndLoad(lDir, "ref.3ds");
    std::unique_ptr<MeshSettings3ds> lSettings;
    GetMeshSettings3ds(lRun->mKit, lRun->Db(), lSettings);
    EXPECT_NEAR(lSettings->mMasterScale, 1.0f, 1e-6);
    EXPECT_EQ(ListNodeNames3ds(lRun->mKit, lRun->Db(), Tag3ds::kObjectNode),
              (std::vector<std::string>{"Tri"}));
    auto lWithRoot = lScene.WriteAndLoad(lDir, "root.3ds", true);
    std::unique_ptr<ObjectMotion3ds> lTri;
    GetObjectMotionByIndex3ds(lWithRoot->mKit, lWithRoot->Db(), 1, lTri);
    ASSERT_NE(lTri, nullptr);
    EXPECT_EQ(lTri->mName, "Tri");
    EXPECT_EQ(lTri->mParent, "$$$DUMMY.RootNode");
}

// Keys of a 60 fps scene are sampled at 30 fps: a last key at 1 s gives 31 keys and a length of
// 30 frames.
TEST(KWriter3dsObjects, AnimationLengthCountsThirtyFramesASecond)
{
    ScratchDir lDir;
    Scene3ds lScene;
    KRyvNode* lNode = lScene.Add("Tri", lScene.Triangle());
    KTime lSecond;
    lSecond.SetSecondDouble(1.0);
    lNode->GetCurrentTakeNode()->GetTransformTX()->KeyAdd(KTime(), 0.0f);
    lNode->GetCurrentTakeNode()->GetTransformTX()->KeyAdd(lSecond, 3.0f);
    const int lMode = KTime::GetGlobalTimeMode();
    KTime::SetGlobalTimeMode(KTimeModeTable::kFrames60);
    auto lRun = lScene.WriteAndLoad(lDir, "anim.3ds");
    KTime::SetGlobalTimeMode(lMode);
    ChunkNode3ds* lHeader = FindChunk3ds(lRun->Db()->mTopChunk.get(), Tag3ds::kKfHdr);
    EXPECT_EQ(ReadChunkData3ds(lRun->mKit, lHeader)->mInts[1], 30u);
    std::unique_ptr<ObjectMotion3ds> lMotion;
    GetObjectMotionByIndex3ds(lRun->mKit, lRun->Db(), 0, lMotion);
    ASSERT_EQ(lMotion->mPosition.mKeys.size(), 31u);
    EXPECT_NEAR(lMotion->mPosition.mValues[30].x, 3.0f, 1e-5);
    EXPECT_NEAR(lMotion->mPosition.mValues[15].x,
                lNode->GetCurrentTakeNode()->GetTransformTX()->Evaluate(K3dsAxes::FrameTime(15)),
                1e-5);
}

// A textured mesh without material gets the grey "Default"; a texture whose file name does
// not fit the map name gets "Tex<n>" with its extension, is copied beside the output under that
// name, and the message names the file alone; without texture mapping no coordinates are
// written.
TEST(KWriter3dsObjects, TexturesAndTheDefaultMaterial)
{
    ScratchDir lDir;
    Scene3ds lScene;
    const std::string lSource = lDir.Write("a_rather_long_texture_name.png", Bytes{1, 2, 3});
    KRyvMesh* lMesh = lScene.Triangle();
    KRyvTexture* lTexture = lScene.mFactory->CreateTexture("Wood");
    lTexture->SetFileName(lSource.c_str());
    lMesh->InitTextureIndices(KRyvMesh::eMappingAllSame);
    lMesh->AddTexture(lTexture);
    lMesh->InitTextureUVIndices(KRyvMesh::eMappingByControlPoint);
    for (int i = 0; i < 3; ++i) {
        lMesh->AddTextureUV(KVector2(i * 0.5, 0.25));
    }
    lScene.Add("Tri", lMesh);
    std::filesystem::create_directory(lDir.Path("out"));
    std::string lMessage;
    auto lRun = lScene.WriteAndLoad(lDir, "out/tex.3ds", false, &lMessage);
    EXPECT_NE(lMessage.find("Texture name file: \"a_rather_long_texture_name.png\" is too long.\n"
                            "It is written as \"Tex0.png\" in material \"1.Mat0Tex0\" and copied "
                            "under that name.\n\n"),
              std::string::npos)
        << lMessage;
    EXPECT_EQ(lMessage.find(lDir.Path("")), std::string::npos) << lMessage;
    EXPECT_EQ(ReadBytes(lDir.Path("out/Tex0.png")), (Bytes{1, 2, 3}));
    EXPECT_FALSE(std::filesystem::exists(lDir.Path("out/a_rather_long_texture_name.png")));
    // Read back, the material's texture is the copy.
    Read3ds lBack = ReadFile(lDir.Path("out/tex.3ds"));
    ASSERT_TRUE(lBack.mRead) << lBack.mError;
    ASSERT_EQ(lBack.mFactory->GetTextureCount(), 1);
    EXPECT_EQ(ReadBytes(lBack.mFactory->GetTexture(0)->GetFileName()), (Bytes{1, 2, 3}));
    std::unique_ptr<Material3ds> lMaterial;
    GetMaterialByIndex3ds(lRun->mKit, lRun->Db(), 0, lMaterial);
    ASSERT_NE(lMaterial, nullptr);
    EXPECT_EQ(lMaterial->mName, "1.Mat0Tex0");
    EXPECT_NEAR(lMaterial->mDiffuse.g, 0.588f, 0.005f);
    EXPECT_EQ(lMaterial->mMaps[0].mName, "Tex0.png");
    std::unique_ptr<MeshObject3ds> lObject;
    GetMeshByIndex3ds(lRun->mKit, lRun->Db(), 0, lObject);
    ASSERT_EQ(lObject->mTexVerts.size(), 3u);
    EXPECT_EQ(lObject->mTexVerts[2].u, 1.0f);
    EXPECT_EQ(lScene.mFactory->GetMaterialCount(), 0);
    KWriter3ds lWriter(lScene.mFactory.get());
    KStreamOptions3ds lOptions;
    lOptions.SetOptionValue(KStreamOptions3ds::kTextureMapping, 0);
    ASSERT_TRUE(lWriter.FileCreate(lDir.Path("plain.3ds").c_str()) &&
                lWriter.Write(lScene.mScene.get(), &lOptions));
    auto lPlain = LoadFile(lDir.Path("plain.3ds"));
    GetMeshByIndex3ds(lPlain->mKit, lPlain->Db(), 0, lObject);
    EXPECT_TRUE(lObject->mTexVerts.empty());
}

// Two textures of long names, each its mesh's texture 0, take short names of their own, and
// each copy holds its own file.
TEST(KWriter3dsObjects, LongTextureNamesTakeShortNamesOfTheirOwn)
{
    ScratchDir lDir;
    Scene3ds lScene;
    int lMesh = 0;
    for (const char* lFile : {"the_first_long_texture.png", "the_second_long_texture.png"}) {
        KRyvMesh* lTriangle = lScene.Triangle();
        KRyvTexture* lTexture = lScene.mFactory->CreateTexture(lFile);
        lTexture->SetFileName(lDir.Write(lFile, Bytes{static_cast<uint8_t>(lMesh)}).c_str());
        lTriangle->InitTextureIndices(KRyvMesh::eMappingAllSame);
        lTriangle->AddTexture(lTexture);
        lTriangle->InitTextureUVIndices(KRyvMesh::eMappingByControlPoint);
        for (int i = 0; i < 3; ++i) {
            lTriangle->AddTextureUV(KVector2(0, 0));
        }
        lScene.Add(lMesh == 0 ? "A" : "B", lTriangle);
        ++lMesh;
    }
    std::filesystem::create_directory(lDir.Path("out"));
    auto lRun = lScene.WriteAndLoad(lDir, "out/two.3ds");
    std::set<std::string> lMaps;
    for (uint32_t m = 0; m < 2; ++m) {
        std::unique_ptr<Material3ds> lMaterial;
        GetMaterialByIndex3ds(lRun->mKit, lRun->Db(), m, lMaterial);
        ASSERT_NE(lMaterial, nullptr);
        lMaps.insert(lMaterial->mMaps[0].mName);
    }
    EXPECT_EQ(lMaps, (std::set<std::string>{"Tex0.png", "Tex1.png"}));
    EXPECT_EQ(ReadBytes(lDir.Path("out/Tex0.png")), (Bytes{0}));
    EXPECT_EQ(ReadBytes(lDir.Path("out/Tex1.png")), (Bytes{1}));
}

// 1,000 nodes of one name become 1,000 objects of distinct names within 10 bytes.
TEST(KWriter3dsObjects, ManyNodesOfOneName)
{
    ScratchDir lDir;
    Scene3ds lScene;
    for (int i = 0; i < 1000; ++i) {
        lScene.Add("Same", lScene.Triangle());
    }
    auto lRun = lScene.WriteAndLoad(lDir, "same.3ds");
    ASSERT_EQ(GetMeshCount3ds(lRun->mKit, lRun->Db()), 1000u);
    std::set<std::string> lNames;
    for (const NameEntry3ds& lEntry : ObjectList3ds(lRun->mKit, lRun->Db())) {
        EXPECT_LE(lEntry.mName.size(), 10u);
        lNames.insert(lEntry.mName);
    }
    EXPECT_EQ(lNames.size(), 1000u);
}

// A camera whose field of view is keyed, in aperture mode 1, keeps its keys through a write
// and a read; writing twice gives the same bytes (the scene's curve is not converted).
TEST(KWriter3dsObjects, AKeyedFieldOfViewRoundTrips)
{
    ScratchDir lDir;
    Scene3ds lScene;
    KRyvCamera* lCamera = lScene.mFactory->CreateCamera();
    KRyvNode* lNode = lScene.Add("Cam", lCamera);
    lCamera->SetApertureMode(1);
    KFCurve* lFov = lNode->GetCurrentTakeNode()->GetFieldOfView();
    ASSERT_NE(lFov, nullptr);
    lFov->KeyAdd(KTime(), 30.0f);
    lFov->KeyAdd(K3dsAxes::FrameTime(10), 50.0f);
    lScene.WriteAndLoad(lDir, "a.3ds");
    lScene.WriteAndLoad(lDir, "b.3ds");
    EXPECT_EQ(ReadBytes(lDir.Path("a.3ds")), ReadBytes(lDir.Path("b.3ds")));
    EXPECT_EQ(lFov->KeyGetValue(1), 50.0f);
    Read3ds lRead;
    KReader3ds lReader(lRead.mFactory.get());
    KStreamOptions3ds lOptions;
    ASSERT_TRUE(lReader.FileOpen(lDir.Path("a.3ds").c_str()) &&
                lReader.Read(lRead.mScene.get(), &lOptions));
    KFCurve* lReadFov = lRead.Node("Cam")->GetCurrentTakeNode()->GetFieldOfView();
    for (int f : {0, 5, 10}) {
        EXPECT_NEAR(lReadFov->Evaluate(K3dsAxes::FrameTime(f)),
                    lFov->Evaluate(K3dsAxes::FrameTime(f)), 1e-3)
            << f;
    }
}

// A camera's look-at target is written as the camera's target node only, never also as a
// dummy: a file written, read and written again keeps one camera and one target node and no
// object node.
TEST(KWriter3dsObjects, ALookAtTargetIsWrittenOnlyAsItsTarget)
{
    ScratchDir lDir;
    Scene3ds lScene;
    KRyvNode* lCamera = lScene.Add("Cam", lScene.mFactory->CreateCamera());
    KRyvNode* lAim = lScene.Add("Aim", lScene.mFactory->CreateMarker());
    lAim->SetLclTranslation(KVector4(5, 0, 0));
    lCamera->SetLookAtTarget(lAim);
    auto lExpectNodes = [](Loaded& pRun) {
        EXPECT_EQ(CountNodes3ds(pRun.mKit, pRun.Db(), Tag3ds::kObjectNode), 0u);
        EXPECT_EQ(CountNodes3ds(pRun.mKit, pRun.Db(), Tag3ds::kCameraNode), 1u);
        EXPECT_EQ(CountNodes3ds(pRun.mKit, pRun.Db(), Tag3ds::kTargetNode), 1u);
    };
    auto lFirst = lScene.WriteAndLoad(lDir, "1.3ds");
    lExpectNodes(*lFirst);
    Read3ds lRead = ReadFile(lDir.Path("1.3ds"));
    ASSERT_TRUE(lRead.mRead) << lRead.mError;
    KWriter3ds lWriter(lRead.mFactory.get());
    KStreamOptions3ds lOptions;
    ASSERT_TRUE(lWriter.FileCreate(lDir.Path("2.3ds").c_str()));
    ASSERT_TRUE(lWriter.Write(lRead.mScene.get(), &lOptions));
    lExpectNodes(*LoadFile(lDir.Path("2.3ds")));
    EXPECT_EQ(ReadBytes(lDir.Path("1.3ds")), ReadBytes(lDir.Path("2.3ds")));
}

// A spot whose target node moves along X only keeps a moving target.
TEST(KWriter3dsObjects, ATargetMovingAlongXStaysAnimated)
{
    ScratchDir lDir;
    Scene3ds lScene;
    KRyvNode* lSpot = lScene.AddLight("Spot", KRyvLight::eSpot, KVector4(0, 5, 0));
    KRyvNode* lTarget = lScene.Add("Aim", nullptr);
    lSpot->SetLookAtTarget(lTarget);
    KFCurve* lX = lTarget->GetCurrentTakeNode()->GetTransformTX();
    lX->KeyAdd(KTime(), 0.0f);
    lX->KeyAdd(K3dsAxes::FrameTime(10), 10.0f);
    auto lRun = lScene.WriteAndLoad(lDir, "aim.3ds");
    std::unique_ptr<SpotlightMotion3ds> lMotion;
    GetSpotlightMotionByIndex3ds(lRun->mKit, lRun->Db(), 0, lMotion);
    ASSERT_NE(lMotion, nullptr);
    ASSERT_EQ(lMotion->mTargetPosition.mValues.size(), 11u);
    EXPECT_NEAR(lMotion->mTargetPosition.mValues[10].x, 10.0f, 1e-4);
    // The target hangs where its node hangs, as the spot does, not below the node's dummy.
    EXPECT_EQ(lMotion->mTargetParent, lMotion->mParent);
}

// Each read and write runs the toolkit on its own: a failed read leaves nothing that stops
// the next write.
TEST(KWriter3dsObjects, AWriteAfterAFailedRead)
{
    ScratchDir lDir;
    Scene3ds lScene;
    lScene.Add("Tri", lScene.Triangle());
    KReader3ds lReader(lScene.mFactory.get());
    KStreamOptions3ds lOptions;
    const Bytes lBroken = Chunk(Tag3ds::kM3dMagic, Chunk(Tag3ds::kMdata, Bytes(3)));
    ASSERT_TRUE(lReader.MemoryOpen(lBroken.data(), lBroken.size(), "broken.3ds"));
    EXPECT_FALSE(lReader.Read(lScene.mScene.get(), &lOptions));
    auto lRun = lScene.WriteAndLoad(lDir, "after.3ds");
    EXPECT_EQ(GetMeshCount3ds(lRun->mKit, lRun->Db()), 1u);
}

namespace {

KRyvTexture* AddTexture(Scene3ds& ioScene, KRyvMesh& ioMesh)
{
    KRyvTexture* lTexture = ioScene.mFactory->CreateTexture("Map");
    lTexture->SetFileName("map.png");
    ioMesh.InitTextureIndices(KRyvMesh::eMappingAllSame);
    ioMesh.AddTexture(lTexture);
    return lTexture;
}

} // namespace

// Coordinates given per corner: with "UV per polygon" a control point whose corners differ
// gets a further vertex for each further value (points 0 and 2 here, as vertices 4 and 5);
// without it the control points take the last polygon's values.
TEST(KWriter3dsObjects, PerCornerCoordinatesAreUnwelded)
{
    ScratchDir lDir;
    Scene3ds lScene;
    KRyvMesh* lMesh = lScene.mFactory->CreateMesh();
    lMesh->GetControlPointArray() = {{0, 0, 0, 1}, {1, 0, 0, 1}, {1, 0, 1, 1}, {0, 0, 1, 1}};
    AddTexture(lScene, *lMesh);
    lMesh->InitTextureUVIndices(KRyvMesh::eMappingByPolygonVertex);
    for (int i = 0; i < 6; ++i) {
        lMesh->AddTextureUV(KVector2(0.1 * i, 0.5));
    }
    const int lCorners[2][3] = {{0, 1, 2}, {0, 2, 3}};
    for (int p = 0; p < 2; ++p) {
        lMesh->BeginPolygon();
        for (int k = 0; k < 3; ++k) {
            lMesh->AddPolygon(lCorners[p][k], 3 * p + k);
        }
    }
    lScene.Add("Quad", lMesh);
    auto lRun = lScene.WriteAndLoad(lDir, "unweld.3ds");
    std::unique_ptr<MeshObject3ds> lObject;
    GetMeshByIndex3ds(lRun->mKit, lRun->Db(), 0, lObject);
    ASSERT_EQ(lObject->mVertices.size(), 6u);
    EXPECT_NEAR(lObject->mTexVerts[4].u, 0.3f, 1e-6);
    EXPECT_NEAR(lObject->mTexVerts[5].u, 0.4f, 1e-6);
    EXPECT_NEAR(lObject->mTexVerts[3].u, 0.5f, 1e-6);
    EXPECT_EQ(lObject->mFaces[1].v1, 4);
    EXPECT_EQ(lObject->mFaces[1].v2, 5);
    EXPECT_EQ(lObject->mFaces[1].v3, 3);
    EXPECT_EQ(lMesh->GetControlPointCount(), 4);
    KWriter3ds lWriter(lScene.mFactory.get());
    KStreamOptions3ds lOptions;
    lOptions.SetOptionValue(KStreamOptions3ds::kUVPerPolygon, 0);
    ASSERT_TRUE(lWriter.FileCreate(lDir.Path("welded.3ds").c_str()) &&
                lWriter.Write(lScene.mScene.get(), &lOptions));
    auto lWelded = LoadFile(lDir.Path("welded.3ds"));
    GetMeshByIndex3ds(lWelded->mKit, lWelded->Db(), 0, lObject);
    ASSERT_EQ(lObject->mVertices.size(), 4u);
    // Point 0 is corner 0 of both polygons: the second one's value stays.
    EXPECT_NEAR(lObject->mTexVerts[0].u, 0.3f, 1e-6);
}

// Without coordinates a textured mesh is mapped flat over its X and Y extent; a flat extent
// gives 0 rather than a division by zero.
TEST(KWriter3dsObjects, PlanarCoordinates)
{
    ScratchDir lDir;
    Scene3ds lScene;
    KRyvMesh* lMesh = lScene.Triangle();
    lMesh->GetControlPointArray() = {{0, 0, 0, 1}, {2, 0, 0, 1}, {0, 4, 0, 1}};
    AddTexture(lScene, *lMesh);
    KRyvNode* lNode = lScene.Add("Tri", lMesh);
    lNode->SetLclTranslation(KVector4(10, 0, 0));
    auto lRun = lScene.WriteAndLoad(lDir, "planar.3ds");
    std::unique_ptr<MeshObject3ds> lObject;
    GetMeshByIndex3ds(lRun->mKit, lRun->Db(), 0, lObject);
    ASSERT_EQ(lObject->mTexVerts.size(), 3u);
    EXPECT_NEAR(lObject->mTexVerts[1].u, 1.0f, 1e-6);
    EXPECT_NEAR(lObject->mTexVerts[1].v, 0.0f, 1e-6);
    EXPECT_NEAR(lObject->mTexVerts[2].v, 1.0f, 1e-6);
    KRyvMesh* lLine = lScene.mFactory->CreateMesh();
    lLine->GetControlPointArray() = {{0, 0, 0, 1}, {0, 0, 1, 1}, {0, 0, 2, 1}};
    lLine->BeginPolygon();
    for (int i = 0; i < 3; ++i) {
        lLine->AddPolygon(i);
    }
    AddTexture(lScene, *lLine);
    lScene.Add("Line", lLine);
    auto lFlat = lScene.WriteAndLoad(lDir, "flat.3ds");
    GetMeshByIndex3ds(lFlat->mKit, lFlat->Db(), 1, lObject);
    ASSERT_EQ(lObject->mTexVerts.size(), 3u);
    EXPECT_EQ(lObject->mTexVerts[2].u, 0.0f);
    EXPECT_FALSE(std::isnan(lObject->mTexVerts[2].v));
}

// A patch is written as a tessellated mesh made on a copy: the scene keeps its patch and
// gains no attribute.
TEST(KWriter3dsObjects, PatchesAreWrittenAsMeshes)
{
    ScratchDir lDir;
    Scene3ds lScene;
    KRyvPatch* lPatch = lScene.mFactory->CreatePatch();
    ASSERT_TRUE(lPatch->InitControlPoints(3, KRyvPatch::eLinear, 3, KRyvPatch::eLinear));
    std::vector<KVector4>& lPoints = lPatch->GetControlPointArray();
    for (int i = 0; i < 9; ++i) {
        lPoints[static_cast<std::size_t>(i)] = KVector4(i % 3, 0, i / 3, 1);
    }
    KRyvNode* lNode = lScene.Add("Patch", lPatch);
    const int lAttributes = lScene.mFactory->GetNodeAttributeCount();
    auto lRun = lScene.WriteAndLoad(lDir, "patch.3ds");
    ASSERT_EQ(GetMeshCount3ds(lRun->mKit, lRun->Db()), 1u);
    std::unique_ptr<MeshObject3ds> lMesh;
    GetMeshByIndex3ds(lRun->mKit, lRun->Db(), 0, lMesh);
    EXPECT_GT(lMesh->mFaces.size(), 0u);
    EXPECT_TRUE(lMesh->mTexVerts.empty());
    EXPECT_EQ(lNode->GetNodeAttribute(), lPatch);
    EXPECT_EQ(lScene.mFactory->GetNodeAttributeCount(), lAttributes);
}

// A texture's placement survives a write and a read, with scales that differ and a rotation.
TEST(KWriter3dsObjects, TexturePlacementRoundTrips)
{
    ScratchDir lDir;
    Scene3ds lScene;
    KRyvMesh* lMesh = lScene.Triangle();
    KRyvMaterial* lMaterial = lScene.mFactory->CreateMaterial("Wood");
    lMesh->InitMaterialIndices(KRyvMesh::eMappingAllSame);
    lMesh->AddMaterial(lMaterial);
    KRyvTexture* lTexture = AddTexture(lScene, *lMesh);
    lTexture->SetScale(2.0, 0.5);
    lTexture->SetTranslation(0.3, -0.2);
    lTexture->SetRotation(0.0, 0.0, 30.0);
    lMesh->InitTextureUVIndices(KRyvMesh::eMappingByControlPoint);
    for (int i = 0; i < 3; ++i) {
        lMesh->AddTextureUV(KVector2(0.5 * i, 0.5));
    }
    lScene.Add("Tri", lMesh);
    ASSERT_TRUE(lScene.Write(lDir.Path("placed.3ds")));
    Read3ds lRead = ReadFile(lDir.Path("placed.3ds"));
    ASSERT_TRUE(lRead.mRead) << lRead.mError;
    KRyvTexture* lBack = lRead.MeshOf("Tri")->GetTexture(0);
    ASSERT_NE(lBack, nullptr);
    EXPECT_NEAR(lBack->GetScaleU(), 2.0, 1e-5);
    EXPECT_NEAR(lBack->GetScaleV(), 0.5, 1e-5);
    EXPECT_NEAR(lBack->GetRotationW(), 30.0, 1e-4);
    EXPECT_NEAR(lBack->GetTranslationU(), 0.3, 1e-5);
    EXPECT_NEAR(lBack->GetTranslationV(), -0.2, 1e-5);
}
