// The 3DS writer: names, triangulation and smoothing groups, what the file holds (read back
// through the toolkit and an independent library), round trips through the reader, limits and
// failures that must leave the target file and the caller's scene as they were.
#include "tests/formats/geometry/3ds/Format3dsTestSupport.h"

#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"
#include "formats/geometry/3ds/K3dsAxes.h"
#include "formats/geometry/3ds/K3dsMeshExport.h"
#include "formats/geometry/3ds/KRenamingStrategy3ds.h"
#include "formats/geometry/3ds/KWriter3ds.h"
#include "formats/geometry/obj/KStreamOptionsObj.h"
#include "scene/objects/KRyvMaterial.h"
#include "tests/support/KSceneComparer.h"

#include <gtest/gtest.h>

#ifdef RYV_HAVE_LIB3DS
#include <lib3ds/file.h>
#include <lib3ds/mesh.h>
#include <lib3ds/node.h>
#endif

#include <array>
#include <set>

using namespace test3ds;

namespace {

const std::vector<KVector4> kQuad = {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}};

} // namespace

TEST(KRenamingStrategy3ds, NamesAreCutNumberedAndNeverRepeated)
{
    KRenamingStrategy3ds lNames;
    // Names that fit stay whole; longer ones are cut and numbered.
    EXPECT_EQ(lNames.Rename("Model::Sphere01", 10), "Sphere01");
    EXPECT_EQ(lNames.Rename("Model::Sphere012345", 10), "Sphere0");
    EXPECT_EQ(lNames.Rename("Model::Sphere023456", 10), "Sphere02");
    EXPECT_EQ(lNames.Rename("Sphere02", 10), "Sphere03");
    KRenamingStrategy3ds lBoxes;
    std::vector<std::string> lGiven;
    for (const char* lName : {"Box", "Box", "Box1"}) {
        lGiven.push_back(lBoxes.Rename(lName, 10));
    }
    EXPECT_EQ(lGiven, (std::vector<std::string>{"Box", "Box1", "Box11"}));
    KRenamingStrategy3ds lMany;
    std::set<std::string> lDistinct;
    for (int i = 0; i < 1001; ++i) {
        const std::string lName = lMany.Rename("LongName" + std::string(i % 2, 'x'), 10);
        EXPECT_LE(lName.size(), 10u);
        lDistinct.insert(lName);
    }
    EXPECT_EQ(lDistinct.size(), 1001u);
    // A two-byte character is never cut in half.
    EXPECT_EQ(KRenamingStrategy3ds::CutAtCharacter("abcdef\xC3\xA9", 7), "abcdef");
    EXPECT_EQ(KRenamingStrategy3ds::CutAtCharacter("abcde\xC3\xA9", 7), "abcde\xC3\xA9");
}

TEST(K3dsMeshExport, TriangulationStrips)
{
    using T = std::vector<std::array<int, 3>>;
    EXPECT_EQ(K3dsMeshExport::Triangulate(3), (T{{0, 1, 2}}));
    EXPECT_EQ(K3dsMeshExport::Triangulate(4), (T{{0, 1, 2}, {2, 3, 0}}));
    EXPECT_EQ(K3dsMeshExport::Triangulate(5), (T{{0, 1, 2}, {2, 3, 0}, {0, 3, 4}}));
    EXPECT_EQ(K3dsMeshExport::Triangulate(6), (T{{0, 1, 2}, {2, 3, 0}, {0, 3, 5}, {3, 4, 5}}));
    EXPECT_TRUE(K3dsMeshExport::Triangulate(2).empty());
}

// What the file holds: the quad's two faces, points as (x, -z, y), no record for an empty mesh,
// a skipped two-corner polygon with its warning, and the default length of 100 frames without
// animation. The quad has no normals, but it lies in one plane and so reads back flat: it is
// written as the flat patch it reads as (group 4), so that a second write keeps its groups.
TEST(KWriter3ds, TheFileHoldsFacesAxesAndSmoothing)
{
    ScratchDir lDir;
    Scene3ds lScene;
    lScene.AddMesh("Quad", {{1, 2, 3}, {4, 2, 3}, {4, 2, 6}, {1, 2, 6}}, {{0, 1, 2, 3}, {0, 1}});
    lScene.AddMesh("Empty", {}, {});
    std::string lMessage;
    ASSERT_TRUE(lScene.Write(lDir.Path("out.3ds"), {}, &lMessage));
    EXPECT_NE(lMessage.find("1 polygons of fewer than three corners skipped"), std::string::npos)
        << lMessage;
    auto lRun = LoadFile(lDir.Path("out.3ds"));
    ASSERT_EQ(GetMeshCount3ds(lRun->mKit, lRun->Db()), 1u);
    std::unique_ptr<MeshObject3ds> lMesh;
    GetMeshByIndex3ds(lRun->mKit, lRun->Db(), 0, lMesh);
    ASSERT_EQ(lMesh->mFaceCount, 2);
    EXPECT_EQ(lMesh->mFaces[1].v1, 2);
    EXPECT_EQ(lMesh->mFaces[1].v2, 3);
    EXPECT_EQ(lMesh->mFaces[1].v3, 0);
    EXPECT_EQ(lMesh->mFaces[0].flag, 7);
    EXPECT_EQ(lMesh->mVertices[0].x, 1.0f);
    EXPECT_EQ(lMesh->mVertices[0].y, -3.0f);
    EXPECT_EQ(lMesh->mVertices[0].z, 2.0f);
    EXPECT_EQ(lMesh->mSmoothing, (std::vector<uint32_t>{4, 4}));
    std::unique_ptr<MeshSettings3ds> lSettings;
    GetMeshSettings3ds(lRun->mKit, lRun->Db(), lSettings);
    EXPECT_NEAR(lSettings->mMasterScale, 1 / 2.54, 1e-7);
    EXPECT_EQ(lSettings->mShadowMapSize, 500);
    ChunkNode3ds* lHeader = FindChunk3ds(lRun->Db()->mTopChunk.get(), Tag3ds::kKfHdr);
    EXPECT_EQ(ReadChunkData3ds(lRun->mKit, lHeader)->mInts[1], 100u);
    EXPECT_FALSE(lRun->Failed());
}

TEST(KWriter3ds, FlatFacesGetTheirOwnGroupsUntilTheSixteenth)
{
    ScratchDir lDir;
    Scene3ds lScene;
    std::vector<KVector4> lPoints;
    std::vector<std::vector<int>> lFaces;
    for (int i = 0; i < 17; ++i) {
        const double x = 2.0 * i;
        lPoints.insert(lPoints.end(), {{x, 0, 0}, {x + 1, 0, 0}, {x, 0, 1}});
        lFaces.push_back({3 * i, 3 * i + 2, 3 * i + 1});
    }
    KRyvNode* lNode = lScene.AddMesh("Flat", lPoints, lFaces);
    KRyvMesh* lMesh = static_cast<KRyvMesh*>(lNode->GetMesh());
    lMesh->InitNormals(lMesh->GetControlPointCount());
    for (int i = 0; i < lMesh->GetControlPointCount(); ++i) {
        lMesh->GetNormalsDirect()[i] = KVector4(0, 1, 0);
    }
    ASSERT_TRUE(lScene.Write(lDir.Path("flat.3ds")));
    auto lRun = LoadFile(lDir.Path("flat.3ds"));
    std::unique_ptr<MeshObject3ds> lRead;
    GetMeshByIndex3ds(lRun->mKit, lRun->Db(), 0, lRead);
    ASSERT_EQ(lRead->mSmoothing.size(), 17u);
    EXPECT_EQ(lRead->mSmoothing[0], 4u);
    EXPECT_EQ(lRead->mSmoothing[1], 16u);
    EXPECT_EQ(lRead->mSmoothing[14], 1u << 30);
    EXPECT_EQ(lRead->mSmoothing[15], 0u);
    EXPECT_EQ(lRead->mSmoothing[16], 0u);
}

// A cube read with one smoothing group per side has 24 points; written, each side's two
// triangles share one group and the sides differ, so the file reads back with its 24 vertices
// and a second write gives the same bytes.
TEST(KWriter3ds, ACubeOfSixGroupsKeepsItsVerticesOnTheSecondPass)
{
    const std::vector<Point3ds> lCube = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                                         {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
    const std::vector<Face3ds> lFaces = {{0, 2, 1, 7}, {0, 3, 2, 7}, {4, 5, 6, 7}, {4, 6, 7, 7},
                                         {0, 1, 5, 7}, {0, 5, 4, 7}, {1, 2, 6, 7}, {1, 6, 5, 7},
                                         {2, 3, 7, 7}, {2, 7, 6, 7}, {3, 0, 4, 7}, {3, 4, 7, 7}};
    Bytes lMasks;
    for (uint32_t lMask : {1, 1, 2, 2, 4, 4, 8, 8, 16, 16, 32, 32}) {
        lMasks = Cat({lMasks, U32(lMask)});
    }
    ScratchDir lDir;
    Read3ds lRead(
        StampedFile(MeshObject("Cube", lCube, lFaces, Chunk(Tag3ds::kSmoothGroup, lMasks))));
    ASSERT_TRUE(lRead.mRead) << lRead.mError;
    auto lWrite = [&lDir](Read3ds& pRead, const char* pName) {
        KWriter3ds lWriter(pRead.mFactory.get());
        KStreamOptions3ds lOptions;
        return lWriter.FileCreate(lDir.Path(pName).c_str()) &&
               lWriter.Write(pRead.mScene.get(), &lOptions);
    };
    ASSERT_TRUE(lWrite(lRead, "1.3ds"));
    Read3ds lFirst = ReadFile(lDir.Path("1.3ds"));
    ASSERT_TRUE(lFirst.mRead) << lFirst.mError;
    EXPECT_EQ(lFirst.MeshOf("Cube")->GetControlPointCount(), 24);
    ASSERT_TRUE(lWrite(lFirst, "2.3ds"));
    EXPECT_EQ(ReadBytes(lDir.Path("1.3ds")), ReadBytes(lDir.Path("2.3ds")));
    auto lRun = LoadFile(lDir.Path("1.3ds"));
    std::unique_ptr<MeshObject3ds> lMesh;
    GetMeshByIndex3ds(lRun->mKit, lRun->Db(), 0, lMesh);
    ASSERT_EQ(lMesh->mSmoothing.size(), 12u);
    std::set<uint32_t> lSides;
    for (std::size_t f = 0; f < 12; f += 2) {
        EXPECT_EQ(lMesh->mSmoothing[f], lMesh->mSmoothing[f + 1]);
        lSides.insert(lMesh->mSmoothing[f]);
    }
    EXPECT_EQ(lSides.size(), 6u);
}

// The caller's scene keeps its names, materials and meshes; a failed write keeps the target.
TEST(KWriter3ds, FailuresLeaveTheTargetAndTheSceneAlone)
{
    ScratchDir lDir;
    Scene3ds lScene;
    KRyvNode* lLong = lScene.AddMesh("AVeryLongNodeName", kQuad, {{0, 1, 2, 3}});
    const std::string lTarget = lDir.Write("keep.3ds", Bytes{1, 2, 3});
    KWriter3ds lWriter(lScene.mFactory.get());
    ASSERT_TRUE(lWriter.FileCreate(lTarget.c_str()));
    KStreamOptionsObj lObj;
    EXPECT_FALSE(lWriter.Write(lScene.mScene.get(), &lObj));
    EXPECT_EQ(lWriter.GetError().GetLastErrorID(), KWriter::kStreamOptionsNotSet);
    EXPECT_FALSE(lWriter.Write(lScene.mScene.get(), nullptr));
    lWriter.FileClose();
    EXPECT_EQ(ReadBytes(lTarget), (Bytes{1, 2, 3}));
    KWriter3ds lNowhere(lScene.mFactory.get());
    EXPECT_FALSE(lNowhere.FileCreate(lDir.Path("no/such/folder/x.3ds").c_str()));
    EXPECT_EQ(lNowhere.GetError().GetLastErrorID(), KWriter::kFileNotOpened);
    ASSERT_TRUE(lScene.Write(lDir.Path("ok.3ds")));
    EXPECT_STREQ(lLong->GetNameWithoutPrefix().Buffer(), "AVeryLongNodeName");
    EXPECT_EQ(lScene.mFactory->GetMaterialCount(), 0);
}

// A mesh of 100,002 vertices is written as several objects that hold every point and face.
TEST(KWriter3ds, LargeMeshesAreSplitIntoObjects)
{
    ScratchDir lDir;
    Scene3ds lScene;
    std::vector<KVector4> lPoints;
    std::vector<std::vector<int>> lFaces;
    for (int i = 0; i < 33334; ++i) {
        lPoints.insert(lPoints.end(), {{double(i), 0, 0}, {double(i), 1, 0}, {double(i), 0, 1}});
        lFaces.push_back({3 * i, 3 * i + 1, 3 * i + 2});
    }
    lScene.AddMesh("Big", lPoints, lFaces);
    ASSERT_TRUE(lScene.Write(lDir.Path("big.3ds")));
    auto lRun = LoadFile(lDir.Path("big.3ds"));
    const uint32_t lObjects = GetMeshCount3ds(lRun->mKit, lRun->Db());
    EXPECT_GE(lObjects, 2u);
    std::size_t lVertices = 0;
    std::size_t lFacesRead = 0;
    std::set<std::string> lNames;
    for (uint32_t i = 0; i < lObjects; ++i) {
        std::unique_ptr<MeshObject3ds> lMesh;
        GetMeshByIndex3ds(lRun->mKit, lRun->Db(), i, lMesh);
        lVertices += lMesh->mVertices.size();
        lFacesRead += lMesh->mFaces.size();
        lNames.insert(lMesh->mName);
    }
    EXPECT_EQ(lVertices, 100002u);
    EXPECT_EQ(lFacesRead, 33334u);
    EXPECT_EQ(lNames.size(), lObjects);
    EXPECT_FALSE(lRun->Failed());
}

// Scene -> 3DS -> scene A -> 3DS -> scene B: A and B are the same scene, meshes, materials
// and animation included; writing A twice gives the same bytes; and the animation of the
// source survives at every frame.
TEST(KWriter3ds, ReadWriteReadKeepsTheScene)
{
    ScratchDir lDir;
    Scene3ds lScene;
    // A closed mesh: its averaged normals are no face's normal, so no face is flat.
    KRyvNode* lBox = lScene.AddMesh("Box", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
                                    {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}});
    KRyvNode* lKid = lScene.AddMesh("Kid", kQuad, {{0, 1, 2}}, lBox);
    KRyvMaterial* lRed = lScene.mFactory->CreateMaterial("Red");
    lRed->SetDiffuseColor(KColor(1, 0, 0));
    static_cast<KRyvMesh*>(lBox->GetMesh())->AddMaterial(lRed);
    KFCurve* lX = lKid->GetCurrentTakeNode()->GetTransformTX();
    lX->KeyAdd(K3dsAxes::FrameTime(0), 0.0f);
    lX->KeyAdd(K3dsAxes::FrameTime(10), 5.0f);
    lKid->GetCurrentTakeNode()->GetTransformRY()->KeyAdd(K3dsAxes::FrameTime(0), 10.0f);
    lKid->GetCurrentTakeNode()->GetTransformRY()->KeyAdd(K3dsAxes::FrameTime(10), 70.0f);
    lKid->GetCurrentTakeNode()->GetTransformRX()->KeyAdd(K3dsAxes::FrameTime(0), 0.0f);
    lKid->GetCurrentTakeNode()->GetTransformRX()->KeyAdd(K3dsAxes::FrameTime(10), 40.0f);
    ASSERT_TRUE(lScene.Write(lDir.Path("first.3ds")));
    Read3ds lA = ReadFile(lDir.Path("first.3ds"));
    ASSERT_TRUE(lA.mRead) << lA.mError;
    KWriter3ds lWriter(lA.mFactory.get());
    KStreamOptions3ds lOptions;
    ASSERT_TRUE(lWriter.FileCreate(lDir.Path("second.3ds").c_str()));
    ASSERT_TRUE(lWriter.Write(lA.mScene.get(), &lOptions));
    KWriter3ds lAgain(lA.mFactory.get());
    ASSERT_TRUE(lAgain.FileCreate(lDir.Path("third.3ds").c_str()));
    ASSERT_TRUE(lAgain.Write(lA.mScene.get(), &lOptions));
    EXPECT_EQ(ReadBytes(lDir.Path("second.3ds")), ReadBytes(lDir.Path("third.3ds")));
    Read3ds lB = ReadFile(lDir.Path("second.3ds"));
    ASSERT_TRUE(lB.mRead) << lB.mError;
    KSceneComparer::Options lCompare;
    lCompare.mTolerance = 1e-4;
    EXPECT_EQ(KSceneComparer(lCompare).Compare(*lA.mScene, *lB.mScene), "");
    // With "Rescale" on both sides the points come back as they were.
    const KVector4& lPoint = lA.MeshOf("Box")->GetControlPoints()[1];
    EXPECT_NEAR(lPoint[0], 1.0, 1e-5);
    EXPECT_NEAR(lPoint[1], 0.0, 1e-5);
    EXPECT_NEAR(lPoint[2], 0.0, 1e-5);
    // The kid keeps its parent and its keys: frame 10 of X is 5.
    KRyvNode* lReadKid = lA.Node("Kid");
    ASSERT_NE(lReadKid, nullptr);
    EXPECT_EQ(lReadKid->GetParent(), lA.Node("Box"));
    KFCurve* lReadX = lReadKid->GetCurrentTakeNode()->GetTransformTX();
    EXPECT_NEAR(lReadX->Evaluate(K3dsAxes::FrameTime(10)), 5.0, 1e-4);
    // A turn about two axes comes back the same at every frame: the reader accumulates the
    // relative keys in the order the writer made them.
    KRyvTakeNode* lSource = lKid->GetCurrentTakeNode();
    KRyvTakeNode* lRead = lReadKid->GetCurrentTakeNode();
    for (int f = 0; f <= 10; ++f) {
        const KTime lTime = K3dsAxes::FrameTime(f);
        EXPECT_NEAR(lRead->GetTransformRX()->Evaluate(lTime),
                    lSource->GetTransformRX()->Evaluate(lTime), 1e-3)
            << f;
        EXPECT_NEAR(lRead->GetTransformRY()->Evaluate(lTime),
                    lSource->GetTransformRY()->Evaluate(lTime), 1e-3)
            << f;
        EXPECT_NEAR(lRead->GetTransformRZ()->Evaluate(lTime), 0.0, 1e-3) << f;
    }
}

TEST(KWriter3ds, AnIndependentLibraryReadsTheFile)
{
#ifndef RYV_HAVE_LIB3DS
    GTEST_SKIP() << "the independent 3DS reader is not installed";
#else
    ScratchDir lDir;
    Scene3ds lScene;
    lScene.AddMesh("Quad", {{1, 2, 3}, {4, 2, 3}, {4, 2, 6}, {1, 2, 6}}, {{0, 1, 2, 3}});
    ASSERT_TRUE(lScene.Write(lDir.Path("lib.3ds")));
    Lib3dsFile* lFile = lib3ds_file_load(lDir.Path("lib.3ds").c_str());
    ASSERT_NE(lFile, nullptr);
    ASSERT_NE(lFile->meshes, nullptr);
    EXPECT_STREQ(lFile->meshes->name, "Quad");
    ASSERT_EQ(lFile->meshes->points, 4u);
    EXPECT_EQ(lFile->meshes->pointL[2].pos[1], -6.0f);
    EXPECT_EQ(lFile->meshes->faces, 2u);
    Lib3dsNode* lNode = lib3ds_file_node_by_name(lFile, "Quad", LIB3DS_OBJECT_NODE);
    EXPECT_NE(lNode, nullptr);
    lib3ds_file_free(lFile);
#endif
}
