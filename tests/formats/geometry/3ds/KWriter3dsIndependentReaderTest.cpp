// What the 3DS writer's files say about targets, dummies, cameras and mirrored meshes, read back
// by the kit and, where it is installed, by an independent 3DS library.
#include "tests/formats/geometry/3ds/Format3dsTestSupport.h"

#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"
#include "formats/geometry/3ds/K3dsAxes.h"
#include "formats/geometry/3ds/KWriter3ds.h"
#include "scene/objects/KRyvCamera.h"
#include "scene/objects/KRyvLight.h"

#include <gtest/gtest.h>

#ifdef RYV_HAVE_LIB3DS
#include <lib3ds/camera.h>
#include <lib3ds/file.h>
#include <lib3ds/light.h>
#include <lib3ds/matrix.h>
#include <lib3ds/mesh.h>
#include <lib3ds/node.h>
#include <lib3ds/vector.h>
#endif

#include <algorithm>
#include <memory>
#include <vector>

using namespace test3ds;

namespace {

void ExpectAt(KRyvNode* pNode, double pX, double pY, double pZ)
{
    ASSERT_NE(pNode, nullptr);
    const KMatrix& lGlobal = pNode->GetGlobalMatrixAtTime(KTime());
    EXPECT_NEAR(lGlobal[3][0], pX, 1e-4);
    EXPECT_NEAR(lGlobal[3][1], pY, 1e-4);
    EXPECT_NEAR(lGlobal[3][2], pZ, 1e-4);
}

// Reads a written file through the kit: a scene -> 3DS -> scene round trip.
Read3ds WriteAndRead(Scene3ds& ioScene, const ScratchDir& pDir, const std::string& pName)
{
    EXPECT_TRUE(ioScene.Write(pDir.Path(pName)));
    return ReadFile(pDir.Path(pName));
}

#ifdef RYV_HAVE_LIB3DS
// The file as the other library reads it, evaluated at frame 0.
Lib3dsFilePtr Load(const std::string& pPath)
{
    Lib3dsFilePtr lFile(lib3ds_file_load(pPath.c_str()));
    if (lFile) {
        lib3ds_file_eval(lFile.get(), 0.0f);
    }
    return lFile;
}

void ExpectOrigin(const Lib3dsNode* pNode, float pX, float pY, float pZ)
{
    ASSERT_NE(pNode, nullptr);
    EXPECT_NEAR(pNode->matrix[3][0], pX, 1e-4);
    EXPECT_NEAR(pNode->matrix[3][1], pY, 1e-4);
    EXPECT_NEAR(pNode->matrix[3][2], pZ, 1e-4);
}
#endif

} // namespace

// A camera's and a spot's look-at targets hang where the target nodes hang (here the root, as
// the spot itself), so their offsets count once: the camera's target at (4, 1, 0) stays there,
// written as (4, 0, 1). A child of the camera is the camera's, not its target's, whose node
// shares the camera's name in the file.
TEST(KWriter3dsIndependentReader, TargetsStayWhereTheyAreAndCameraChildrenKeepTheirCamera)
{
    ScratchDir lDir;
    Scene3ds lScene;
    KRyvNode* lCamera = lScene.Add("Cam", lScene.mFactory->CreateCamera());
    KRyvNode* lAim = lScene.Add("Aim", nullptr);
    lAim->SetLclTranslation(KVector4(4, 1, 0));
    lCamera->SetLookAtTarget(lAim);
    lScene.Add("Kid", lScene.Triangle(), lCamera);
    KRyvNode* lSpot = lScene.AddLight("Spot", KRyvLight::eSpot, KVector4(0, 5, 0));
    KRyvNode* lBeam = lScene.Add("Beam", nullptr);
    lBeam->SetLclTranslation(KVector4(0, 2, 3));
    lSpot->SetLookAtTarget(lBeam);
    const Read3ds lRead = WriteAndRead(lScene, lDir, "targets.3ds");
    ASSERT_TRUE(lRead.mRead) << lRead.mError;
    // The toolkit shows where the spot's target hangs.
    std::unique_ptr<Loaded> lRun = LoadFile(lDir.Path("targets.3ds"));
    std::unique_ptr<SpotlightMotion3ds> lSpotMotion;
    GetSpotlightMotionByIndex3ds(lRun->mKit, lRun->Db(), 0, lSpotMotion);
    ASSERT_NE(lSpotMotion, nullptr);
    EXPECT_EQ(lSpotMotion->mTargetParent, lSpotMotion->mParent);
    ASSERT_EQ(lSpotMotion->mTargetPosition.mValues.size(), 1u);
    EXPECT_NEAR(lSpotMotion->mTargetPosition.mValues[0].y, -3.0f, 1e-5);
    ExpectAt(lRead.Node("Cam.Target"), 4, 1, 0);
    ASSERT_NE(lRead.Node("Kid"), nullptr);
    EXPECT_EQ(lRead.Node("Kid")->GetParent(), lRead.Node("Cam"));
#ifdef RYV_HAVE_LIB3DS
    Lib3dsFilePtr lFile = Load(lDir.Path("targets.3ds"));
    ASSERT_NE(lFile, nullptr);
    ExpectOrigin(lib3ds_file_node_by_name(lFile.get(), "Cam", LIB3DS_TARGET_NODE), 4, 0, 1);
    const Lib3dsNode* lKid = lib3ds_file_node_by_name(lFile.get(), "Kid", LIB3DS_OBJECT_NODE);
    ASSERT_NE(lKid, nullptr);
    ASSERT_NE(lKid->parent, nullptr);
    EXPECT_EQ(lKid->parent->type, LIB3DS_CAMERA_NODE);
#endif
}

// A spot at (1, 2, 3) aimed at (4, 5, 6), hotspot 30, falloff 40, red, its keyframer nodes
// in either order of the tags 0xB006 and 0xB007: the kit reads a spot light of cone angle 30
// at (1, 3, -2) x 2.54 looking at its target node at (4, 6, -5) x 2.54; written, the other
// library finds the spot, its falloff and its target where the kit put them (in centimetres).
TEST(KWriter3dsIndependentReader, SpotsAreReadAimedAtTheirTargetsAndWrittenBack)
{
    const Bytes lSpotObject = Chunk(
        Tag3ds::kNamedObject,
        Cat({Str("Spot"), Chunk(Tag3ds::kLight,
                                Cat({Floats({1, 2, 3}), Chunk(Tag3ds::kColorF, Floats({1, 0, 0})),
                                     Chunk(Tag3ds::kSpotlight, Floats({4, 5, 6, 30, 40}))}))}));
    const Bytes lSpotTracks = Cat({PointTrack(Tag3ds::kPositionTrack, {{0, {1, 2, 3}}}),
                                   PointTrack(Tag3ds::kColorTrack, {{0, {1, 0, 0}}}),
                                   ValueTrack(Tag3ds::kHotspotTrack, {{0, 30}}),
                                   ValueTrack(Tag3ds::kFalloffTrack, {{0, 40}})});
    const Bytes lTargetTrack = PointTrack(Tag3ds::kPositionTrack, {{0, {4, 5, 6}}});
    const Bytes lOrders[] = {
        Cat({KeyframerNode(Tag3ds::kSpotTargetNode, 0, "Spot", Tag3ds::kNoParent, lTargetTrack),
             KeyframerNode(Tag3ds::kSpotNode, 1, "Spot", Tag3ds::kNoParent, lSpotTracks)}),
        Cat({KeyframerNode(Tag3ds::kSpotTargetNode, 0, "Spot", Tag3ds::kNoParent, lSpotTracks),
             KeyframerNode(Tag3ds::kSpotNode, 1, "Spot", Tag3ds::kNoParent, lTargetTrack)})};
    ScratchDir lDir;
    for (const Bytes& lNodes : lOrders) {
        Read3ds lRead(StampedFile(lSpotObject, lNodes));
        ASSERT_TRUE(lRead.mRead) << lRead.mError;
        KRyvNode* lSpot = lRead.Node("Spot");
        ASSERT_NE(lSpot, nullptr);
        auto* lLight = static_cast<KRyvLight*>(lSpot->GetLight());
        ASSERT_NE(lLight, nullptr);
        EXPECT_EQ(lLight->GetLightType(), KRyvLight::eSpot);
        EXPECT_NEAR(lLight->GetConeAngle(), 30.0, 1e-5);
        double r = 0, g = 0, b = 0;
        lLight->GetColor(r, g, b);
        EXPECT_EQ(std::vector<double>({r, g, b}), std::vector<double>({1, 0, 0}));
        ExpectAt(lSpot, 2.54, 7.62, -5.08);
        ASSERT_EQ(lSpot->GetLookAtTarget(), lRead.Node("Spot.Target"));
        ExpectAt(lRead.Node("Spot.Target"), 10.16, 15.24, -12.7);
        KWriter3ds lWriter(lRead.mFactory.get());
        KStreamOptions3ds lOptions;
        ASSERT_TRUE(lWriter.FileCreate(lDir.Path("spot.3ds").c_str()));
        ASSERT_TRUE(lWriter.Write(lRead.mScene.get(), &lOptions));
        // The target is written as the spot's target only, never also as a dummy.
        std::unique_ptr<Loaded> lRun = LoadFile(lDir.Path("spot.3ds"));
        EXPECT_EQ(CountNodes3ds(lRun->mKit, lRun->Db(), Tag3ds::kObjectNode), 0u);
        // Read and written again, the file stays as it is.
        Read3ds lBack = ReadFile(lDir.Path("spot.3ds"));
        ASSERT_TRUE(lBack.mRead) << lBack.mError;
        KWriter3ds lAgain(lBack.mFactory.get());
        ASSERT_TRUE(lAgain.FileCreate(lDir.Path("again.3ds").c_str()));
        ASSERT_TRUE(lAgain.Write(lBack.mScene.get(), &lOptions));
        EXPECT_EQ(ReadBytes(lDir.Path("spot.3ds")), ReadBytes(lDir.Path("again.3ds")));
#ifdef RYV_HAVE_LIB3DS
        Lib3dsFilePtr lFile = Load(lDir.Path("spot.3ds"));
        ASSERT_NE(lFile, nullptr);
        const Lib3dsLight* lWritten = lib3ds_file_light_by_name(lFile.get(), "Spot");
        ASSERT_NE(lWritten, nullptr);
        EXPECT_TRUE(lWritten->spot_light);
        EXPECT_NEAR(lWritten->hot_spot, 30.0f, 1e-4);
        EXPECT_NEAR(lWritten->fall_off, 40.0f, 1e-4);
        EXPECT_NEAR(lWritten->spot[0], 10.16f, 1e-4);
        const Lib3dsNode* lSpotNode =
            lib3ds_file_node_by_name(lFile.get(), "Spot", LIB3DS_LIGHT_NODE);
        const Lib3dsNode* lAim = lib3ds_file_node_by_name(lFile.get(), "Spot", LIB3DS_SPOT_NODE);
        ASSERT_NE(lSpotNode, nullptr);
        ASSERT_NE(lAim, nullptr);
        EXPECT_NEAR(lSpotNode->data.light.pos[0], 2.54f, 1e-4);
        EXPECT_NEAR(lSpotNode->data.light.pos[1], 5.08f, 1e-4);
        EXPECT_NEAR(lSpotNode->data.light.pos[2], 7.62f, 1e-4);
        EXPECT_NEAR(lSpotNode->data.light.hotspot, 30.0f, 1e-4);
        EXPECT_NEAR(lAim->data.spot.pos[0], 10.16f, 1e-4);
        EXPECT_NEAR(lAim->data.spot.pos[1], 12.7f, 1e-4);
        EXPECT_NEAR(lAim->data.spot.pos[2], 15.24f, 1e-4);
#endif
    }
}

// A dummy read from a file keeps its instance name when written again, and its children keep
// it as their parent.
TEST(KWriter3dsIndependentReader, DummiesKeepTheirInstanceNames)
{
    ScratchDir lDir;
    const Bytes lDummy =
        Chunk(Tag3ds::kObjectNode,
              Cat({Chunk(Tag3ds::kNodeId, U16(0)),
                   Chunk(Tag3ds::kNodeHdr, Cat({Str("$$$DUMMY"), U16(0), U16(0), U16(0xFFFF)})),
                   Chunk(Tag3ds::kInstanceName, Str("V2Grp01")),
                   Chunk(Tag3ds::kPivot, Floats({0, 0, 0}))}));
    const Bytes lFile =
        StampedFile(MeshObject("Tri", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2, 7}}),
                    Cat({lDummy, ObjectNode(1, "Tri", 0)}));
    Read3ds lRead(lFile);
    ASSERT_TRUE(lRead.mRead) << lRead.mError;
    KWriter3ds lWriter(lRead.mFactory.get());
    KStreamOptions3ds lOptions;
    ASSERT_TRUE(lWriter.FileCreate(lDir.Path("dummy.3ds").c_str()) &&
                lWriter.Write(lRead.mScene.get(), &lOptions));
    const Read3ds lBack = ReadFile(lDir.Path("dummy.3ds"));
    ASSERT_TRUE(lBack.mRead) << lBack.mError;
    ASSERT_NE(lBack.Node("$$$DUMMY.V2Grp01"), nullptr);
    EXPECT_EQ(lBack.Node("Tri")->GetParent(), lBack.Node("$$$DUMMY.V2Grp01"));
#ifdef RYV_HAVE_LIB3DS
    Lib3dsFilePtr lLoaded = Load(lDir.Path("dummy.3ds"));
    ASSERT_NE(lLoaded, nullptr);
    const Lib3dsNode* lTri = lib3ds_file_node_by_name(lLoaded.get(), "Tri", LIB3DS_OBJECT_NODE);
    ASSERT_NE(lTri, nullptr);
    ASSERT_NE(lTri->parent, nullptr);
    EXPECT_STREQ(lTri->parent->name, "$$$DUMMY");
    EXPECT_STREQ(lTri->parent->data.object.instance, "V2Grp01");
#endif
}

namespace {

// A file of one camera of lens 2400 / 45 (45 degrees) and a triangle, moving over frames 0 to 10
// when pAnimated.
Bytes CameraFile(bool pAnimated)
{
    const Bytes lCamera = Chunk(
        Tag3ds::kNamedObject,
        Cat({Str("Cam"), Chunk(Tag3ds::kCamera, Floats({0, 0, 0, 10, 0, 0, 0, 2400.0f / 45}))}));
    const Bytes lTrack = PointTrack(Tag3ds::kPositionTrack, {{0, {0, 0, 0}}, {10, {5, 0, 0}}});
    return StampedFile(
        Cat({MeshObject("Tri", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2, 7}}), lCamera}),
        pAnimated ? ObjectNode(0, "Tri", Tag3ds::kNoParent, lTrack) : Bytes());
}

} // namespace

// A camera read from a file keeps its field of view through a write, whether anything in the
// scene moves or not.
TEST(KWriter3dsIndependentReader, AStillCameraKeepsItsFieldOfView)
{
    ScratchDir lDir;
    for (const bool lAnimated : {false, true}) {
        SCOPED_TRACE(lAnimated ? "animated scene" : "still scene");
        Read3ds lRead(CameraFile(lAnimated));
        ASSERT_TRUE(lRead.mRead) << lRead.mError;
        KWriter3ds lWriter(lRead.mFactory.get());
        KStreamOptions3ds lOptions;
        ASSERT_TRUE(lWriter.FileCreate(lDir.Path("cam.3ds").c_str()) &&
                    lWriter.Write(lRead.mScene.get(), &lOptions));
        std::unique_ptr<Loaded> lRun = LoadFile(lDir.Path("cam.3ds"));
        std::unique_ptr<CameraMotion3ds> lMotion;
        GetCameraMotionByIndex3ds(lRun->mKit, lRun->Db(), 0, lMotion);
        ASSERT_NE(lMotion, nullptr);
        ASSERT_FALSE(lMotion->mFov.mValues.empty());
        EXPECT_NEAR(lMotion->mFov.mValues[0], 45.0f, 1e-4);
#ifdef RYV_HAVE_LIB3DS
        Lib3dsFilePtr lFile = Load(lDir.Path("cam.3ds"));
        ASSERT_NE(lFile, nullptr);
        ASSERT_NE(lFile->cameras, nullptr);
        EXPECT_NEAR(lFile->cameras->fov, 45.0f, 1e-3);
#endif
    }
}

// A camera of both angles writes its horizontal one, keyed as well: its keys, not those of the
// angle it does not use.
TEST(KWriter3dsIndependentReader, ACameraOfBothAnglesWritesItsHorizontalKeys)
{
    ScratchDir lDir;
    Scene3ds lScene;
    KRyvCamera* lCamera = lScene.mFactory->CreateCamera();
    KRyvNode* lNode = lScene.Add("Cam", lCamera);
    lCamera->SetApertureMode(0);
    KRyvTakeNode* lTake = lNode->GetCurrentTakeNode();
    lTake->GetFieldOfViewX()->KeyAdd(KTime(), 30.0f);
    lTake->GetFieldOfViewX()->KeyAdd(K3dsAxes::FrameTime(10), 50.0f);
    lTake->GetFieldOfView()->KeyAdd(KTime(), 70.0f);
    lTake->GetFieldOfView()->KeyAdd(K3dsAxes::FrameTime(10), 80.0f);
    std::unique_ptr<Loaded> lRun = lScene.WriteAndLoad(lDir, "both.3ds");
    std::unique_ptr<CameraMotion3ds> lMotion;
    GetCameraMotionByIndex3ds(lRun->mKit, lRun->Db(), 0, lMotion);
    ASSERT_NE(lMotion, nullptr);
    ASSERT_EQ(lMotion->mFov.mValues.size(), 11u);
    EXPECT_NEAR(lMotion->mFov.mValues[0], 30.0f, 1e-4);
    EXPECT_NEAR(lMotion->mFov.mValues[10], 50.0f, 1e-4);
}

namespace {

#ifdef RYV_HAVE_LIB3DS
// The points of the other library's first mesh brought back into its local system, which it
// mirrors in local X when the system mirrors.
std::vector<Point3ds> LocalPoints(Lib3dsFile& ioFile)
{
    std::vector<Point3ds> lPoints;
    Lib3dsMesh* lMesh = ioFile.meshes;
    Lib3dsMatrix lInverse;
    std::copy(&lMesh->matrix[0][0], &lMesh->matrix[0][0] + 16, &lInverse[0][0]);
    lib3ds_matrix_inv(lInverse);
    for (unsigned i = 0; i < lMesh->points; ++i) {
        Lib3dsVector lLocal;
        lib3ds_vector_transform(lLocal, lInverse, lMesh->pointL[i].pos);
        lPoints.push_back({lLocal[0], lLocal[1], lLocal[2]});
    }
    return lPoints;
}
#endif

} // namespace

// A mesh whose system mirrors (X axis (-1, 0, 0), origin (2, 0, 0)) reads as 3DS tools draw it:
// a point w of the file at (w.x - 2, w.y, w.z) in the object rather than at (2 - w.x, w.y, w.z),
// and its face still facing the file's +Z (the kit's +Y), as the other library reads it too.
// The keyframer has a node for it: a mesh without one stands where its vertices are.
TEST(KWriter3dsIndependentReader, MirroredMeshesReadAsTheyAreDrawn)
{
    ScratchDir lDir;
    const std::vector<Point3ds> lWorld = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    const std::string lPath =
        lDir.Write("mirror.3ds", StampedFile(MeshObject("Tri", lWorld, {{0, 1, 2, 7}}, {}, {},
                                                        {-1, 0, 0, 0, 1, 0, 0, 0, 1, 2, 0, 0}),
                                             ObjectNode(0, "Tri", Tag3ds::kNoParent)));
    const Read3ds lRead = ReadFile(lPath);
    ASSERT_TRUE(lRead.mRead) << lRead.mError;
    KRyvMesh* lMesh = lRead.MeshOf("Tri");
    ASSERT_NE(lMesh, nullptr);
    ASSERT_EQ(lMesh->GetControlPointCount(), 3);
    // (w.x - 2, w.y, w.z) in kit axes (x, z, -y), times 2.54.
    ExpectPoint(lMesh->GetControlPoints()[0], -5.08, 0, 0);
    ExpectPoint(lMesh->GetControlPoints()[1], -2.54, 0, 0);
    ExpectPoint(lMesh->GetControlPoints()[2], -5.08, 0, -2.54);
    ExpectPoint(lMesh->GetNormalsDirect()[0], 0, 1, 0);
#ifdef RYV_HAVE_LIB3DS
    Lib3dsFilePtr lFile = Load(lPath);
    ASSERT_NE(lFile, nullptr);
    const std::vector<Point3ds> lLocal = LocalPoints(*lFile);
    ASSERT_EQ(lLocal.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        const KVector4 lExpected = K3dsAxes::ToKit(lLocal[i]) * 2.54;
        ExpectPoint(lMesh->GetControlPoints()[i], lExpected[0], lExpected[1], lExpected[2]);
    }
#endif
}

// A mesh under a mirroring scale (-1, 1, 1) is written so that the kit and the other library
// both find its own points in its system, and it reads back as it was.
TEST(KWriter3dsIndependentReader, MirroredNodesWriteTheirOwnPoints)
{
    ScratchDir lDir;
    Scene3ds lScene;
    const std::vector<KVector4> lPoints = {{1, 0, 0}, {2, 0, 0}, {1, 0, 1}};
    KRyvNode* lNode = lScene.AddMesh("Tri", lPoints, {{0, 1, 2}});
    lNode->SetLclScaling(KVector4(-1, 1, 1));
    lNode->SetLclTranslation(KVector4(3, 0, 0));
    const Read3ds lRead = WriteAndRead(lScene, lDir, "mirrored.3ds");
    ASSERT_TRUE(lRead.mRead) << lRead.mError;
    const KRyvMesh* lMesh = lRead.MeshOf("Tri");
    ASSERT_NE(lMesh, nullptr);
    ASSERT_EQ(lMesh->GetControlPointCount(), 3);
    for (int i = 0; i < 3; ++i) {
        ExpectPoint(lMesh->GetControlPoints()[i], lPoints[i][0], lPoints[i][1], lPoints[i][2]);
    }
    KVector4 lScaling;
    lRead.Node("Tri")->GetLclScaling(lScaling);
    EXPECT_NEAR(lScaling[0], -1.0, 1e-5);
#ifdef RYV_HAVE_LIB3DS
    Lib3dsFilePtr lFile = Load(lDir.Path("mirrored.3ds"));
    ASSERT_NE(lFile, nullptr);
    const std::vector<Point3ds> lLocal = LocalPoints(*lFile);
    ASSERT_EQ(lLocal.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        // Kit (x, y, z) is the file's (x, -z, y).
        EXPECT_NEAR(lLocal[i].x, lPoints[i][0], 1e-5);
        EXPECT_NEAR(lLocal[i].y, -lPoints[i][2], 1e-5);
        EXPECT_NEAR(lLocal[i].z, lPoints[i][1], 1e-5);
    }
#endif
}
