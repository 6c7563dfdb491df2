// The 3DS reader on hand-made files: options, axes and units, nodes and the hierarchy, smoothing
// groups, keyframe import, and damaged files that must leave the scene as it was.
#include "tests/formats/geometry/3ds/Format3dsTestSupport.h"

#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"
#include "formats/geometry/3ds/KWriter3ds.h"
#include "formats/geometry/obj/KStreamOptionsObj.h"
#include "scene/objects/KRyvMaterial.h"

#include <gtest/gtest.h>

using namespace test3ds;

namespace {

const std::vector<Point3ds> kTriangle = {{1, 2, 3}, {4, 2, 3}, {1, 6, 3}};

Bytes OneTriangle(const Bytes& pMeshData = {}, const Bytes& pKeyframer = {})
{
    return StampedFile(Cat({pMeshData, MeshObject("Tri", kTriangle, {{0, 1, 2, 7}})}), pKeyframer);
}

} // namespace

TEST(KStreamOptions3ds, DefaultsAndReset)
{
    KStreamOptions3ds lOptions;
    EXPECT_STREQ(lOptions.GetClassName(), "KStreamOptions3ds");
    EXPECT_EQ(lOptions.GetOptionValue(KStreamOptions3ds::kCreateReferenceNode), 0);
    EXPECT_EQ(lOptions.GetOptionValue(KStreamOptions3ds::kReduceKeys), 0);
    for (int lIndex : {7, 8, 9, 10, 11, 12, 13, 14, 16, 17}) {
        EXPECT_EQ(lOptions.GetOptionValue(lIndex), 1) << lIndex;
    }
    for (int lIndex = 2; lIndex <= 6; ++lIndex) {
        EXPECT_EQ(lOptions.GetOptionValue(lIndex), 0) << lIndex;
    }
    EXPECT_EQ(lOptions.GetOptionRecord(KStreamOptions3ds::kTextureMapping)->mWord3, 7);
    EXPECT_EQ(lOptions.GetOptionRecord(KStreamOptions3ds::kUVPerPolygon)->mWord1, 1);
    EXPECT_EQ(lOptions.GetOptionRecord(KStreamOptions3ds::kReduceKeys)->mWord1, 0);
    EXPECT_STREQ(lOptions.GetOptionRecord(KStreamOptions3ds::kUVPerPolygon)->mName.Buffer(),
                 "UV per polygon");
    lOptions.SetOptionValue(KStreamOptions3ds::kAnim, 0);
    lOptions.Reset();
    EXPECT_EQ(lOptions.GetOptionValue(KStreamOptions3ds::kAnim), 1);
    EXPECT_TRUE(lOptions.KeepsTakeName());
}

TEST(KReader3ds, OptionsOfAnotherClassOrNoneAreRefused)
{
    const Bytes lFile = OneTriangle();
    Read3ds lRead;
    KReader3ds lReader(lRead.mFactory.get());
    ASSERT_TRUE(lReader.MemoryOpen(lFile.data(), lFile.size(), "t.3ds"));
    KStreamOptionsObj lObj;
    EXPECT_FALSE(lReader.Read(lRead.mScene.get(), &lObj));
    EXPECT_EQ(lReader.GetError().GetLastErrorID(), KReader::kStreamOptionsNotSet);
    EXPECT_FALSE(lReader.Read(lRead.mScene.get(), nullptr));
    EXPECT_EQ(lRead.Root()->GetChildCount(), 0);
    KReader3ds lClosed(lRead.mFactory.get());
    KStreamOptions3ds lOptions;
    EXPECT_FALSE(lClosed.Read(lRead.mScene.get(), &lOptions));
    EXPECT_EQ(lClosed.GetError().GetLastErrorID(), KReader::kFileNotOpened);
    EXPECT_FALSE(lClosed.FileOpen("/nonexistent/x.3ds"));
}

// A mesh without keyframer node gets a node of its own name below the root, with file points
// (x, y, z) as (x, z, -y) times 2.54, and the take spans the keyframer header's 30 frames.
TEST(KReader3ds, AMeshWithoutKeyframerAxesUnitsAndTake)
{
    Read3ds lRead(OneTriangle());
    ASSERT_TRUE(lRead.mRead) << lRead.mError;
    ASSERT_EQ(lRead.Root()->GetChildCount(), 1);
    KRyvMesh* lMesh = lRead.MeshOf("Tri");
    ASSERT_NE(lMesh, nullptr);
    EXPECT_EQ(lRead.Root()->GetChild(0), lRead.Node("Tri"));
    ASSERT_EQ(lMesh->GetControlPointCount(), 3);
    ExpectPoint(lMesh->GetControlPoints()[0], 2.54, 7.62, -5.08);
    ASSERT_EQ(lMesh->GetPolygonCount(), 1);
    EXPECT_EQ(lMesh->GetPolygonVertex(0, 2), 2);
    // The face's normal, (p2 - p1) x (p0 - p1), on every corner: +Y of the file is -Z here.
    ExpectPoint(lMesh->GetNormalsDirect()[1], 0, 1, 0);
    const KTakeInfo* lTake = lRead.mScene->GetTakeInfo("default take");
    ASSERT_NE(lTake, nullptr);
    EXPECT_EQ(lTake->mLocalStop.GetFrame(KTimeModeTable::kFrames30), 30);
    EXPECT_STREQ(lRead.mScene->GetCurrentTakeName(), "default take");
}

// The take spans the keyframer's frame range, not the keys: 300 frames with keys up to frame
// 20 give frames 0 to 300; a file without keyframer section gives 0 to 150.
TEST(KReader3ds, TheKeyframerLengthIsTheTakeSpan)
{
    const Bytes lKeys =
        ObjectNode(0, "Tri", Tag3ds::kNoParent,
                   PointTrack(Tag3ds::kPositionTrack, {{0, {1, 2, 3}}, {20, {0, 0, 0}}}));
    const Bytes lLong =
        Chunk(Tag3ds::kM3dMagic,
              Cat({Chunk(Tag3ds::kMdata, MeshObject("Tri", kTriangle, {{0, 1, 2, 7}})),
                   Chunk(Tag3ds::kKfData,
                         Cat({Chunk(Tag3ds::kKfHdr, Cat({U16(5), Str(""), U32(300)})), lKeys}))}));
    const Bytes lNone = Chunk(Tag3ds::kM3dMagic,
                              Chunk(Tag3ds::kMdata, MeshObject("Tri", kTriangle, {{0, 1, 2, 7}})));
    for (const auto& [lBytes, lLast] : {std::pair<Bytes, int>{lLong, 300}, {lNone, 150}}) {
        Read3ds lRead(lBytes);
        ASSERT_TRUE(lRead.mRead) << lRead.mError;
        const KTakeInfo* lTake = lRead.mScene->GetTakeInfo("default take");
        ASSERT_NE(lTake, nullptr);
        EXPECT_EQ(lTake->mLocalStart.GetFrame(KTimeModeTable::kFrames30), 0);
        EXPECT_EQ(lTake->mLocalStop.GetFrame(KTimeModeTable::kFrames30), lLast);
        // Written again, the file keeps its frame range.
        ScratchDir lDir;
        KWriter3ds lWriter(lRead.mFactory.get());
        KStreamOptions3ds lOptions;
        ASSERT_TRUE(lWriter.FileCreate(lDir.Path("again.3ds").c_str()));
        ASSERT_TRUE(lWriter.Write(lRead.mScene.get(), &lOptions));
        Read3ds lAgain = ReadFile(lDir.Path("again.3ds"));
        ASSERT_TRUE(lAgain.mRead) << lAgain.mError;
        const KTakeInfo* lKept = lAgain.mScene->GetTakeInfo("default take");
        ASSERT_NE(lKept, nullptr);
        EXPECT_EQ(lKept->mLocalStop.GetFrame(KTimeModeTable::kFrames30), lLast);
    }
}

TEST(KReader3ds, MasterScaleRescaleAndTheReferenceNode)
{
    const Bytes lFile = OneTriangle(Chunk(Tag3ds::kMasterScale, F32(10.0f)));
    Read3ds lScaled(lFile);
    ASSERT_TRUE(lScaled.mRead);
    ExpectPoint(lScaled.MeshOf("Tri")->GetControlPoints()[0], 25.4, 76.2, -50.8);
    Read3ds lPlain(lFile, [](KStreamOptions3ds& ioOptions) {
        ioOptions.SetOptionValue(KStreamOptions3ds::kRescale, 0);
    });
    ExpectPoint(lPlain.MeshOf("Tri")->GetControlPoints()[0], 10, 30, -20);
    Read3ds lReference(lFile, [](KStreamOptions3ds& ioOptions) {
        ioOptions.SetOptionValue(KStreamOptions3ds::kCreateReferenceNode, 1);
    });
    KRyvNode* lRoot = lReference.Node("Ryv_Root");
    ASSERT_NE(lRoot, nullptr);
    EXPECT_EQ(lRoot->GetParent(), lReference.Root());
    EXPECT_EQ(lReference.Node("Tri")->GetParent(), lRoot);
    KVector4 lScaling;
    ExpectPoint(lRoot->GetLclScaling(lScaling), 25.4, 25.4, 25.4);
    ExpectPoint(lReference.MeshOf("Tri")->GetControlPoints()[0], 1, 3, -2);
}

// Six faces of a cube each in its own smoothing group: 24 points with flat normals; without
// smoothing groups the 8 vertices stay shared.
TEST(KReader3ds, SmoothingGroupsSplitVerticesAndMaskZeroIsFaceted)
{
    const std::vector<Point3ds> lCube = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                                         {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
    const std::vector<Face3ds> lFaces = {{0, 2, 1, 7}, {0, 3, 2, 7}, {4, 5, 6, 7}, {4, 6, 7, 7},
                                         {0, 1, 5, 7}, {0, 5, 4, 7}, {1, 2, 6, 7}, {1, 6, 5, 7},
                                         {2, 3, 7, 7}, {2, 7, 6, 7}, {3, 0, 4, 7}, {3, 4, 7, 7}};
    auto Masks = [](std::vector<uint32_t> pMasks) {
        Bytes lBytes;
        for (uint32_t lMask : pMasks) {
            lBytes = Cat({lBytes, U32(lMask)});
        }
        return Chunk(Tag3ds::kSmoothGroup, lBytes);
    };
    const Bytes lSix = Masks({1, 1, 2, 2, 4, 4, 8, 8, 16, 16, 32, 32});
    Read3ds lSplit(StampedFile(MeshObject("Cube", lCube, lFaces, lSix)));
    ASSERT_TRUE(lSplit.mRead) << lSplit.mError;
    EXPECT_EQ(lSplit.MeshOf("Cube")->GetControlPointCount(), 24);
    Read3ds lShared(StampedFile(MeshObject("Cube", lCube, lFaces, lSix)),
                    [](KStreamOptions3ds& ioOptions) {
                        ioOptions.SetOptionValue(KStreamOptions3ds::kSmoothGroup, 0);
                    });
    EXPECT_EQ(lShared.MeshOf("Cube")->GetControlPointCount(), 8);
    // Mask 0: every corner its own point, and none that no polygon uses.
    Read3ds lFlat(
        StampedFile(MeshObject("Cube", lCube, lFaces, Masks(std::vector<uint32_t>(12, 0)))));
    KRyvMesh* lMesh = lFlat.MeshOf("Cube");
    EXPECT_EQ(lMesh->GetControlPointCount(), 36);
    std::vector<bool> lUsed(36, false);
    for (int p = 0; p < lMesh->GetPolygonCount(); ++p) {
        for (int c = 0; c < 3; ++c) {
            lUsed[static_cast<std::size_t>(lMesh->GetPolygonVertex(p, c))] = true;
        }
    }
    EXPECT_EQ(std::count(lUsed.begin(), lUsed.end(), false), 0);
}

// A fan of faces of no group around one vertex gives every corner its own point, and two
// faces of one group after them still share theirs.
TEST(KReader3ds, AFanOfFacetedFacesAroundOneVertex)
{
    constexpr uint16_t kFan = 2000;
    std::vector<Point3ds> lVertices = {{0, 0, 0}};
    std::vector<Face3ds> lFaces;
    Bytes lMasks;
    for (uint16_t f = 0; f < kFan; ++f) {
        lVertices.push_back({static_cast<float>(f), 1, 0});
        lVertices.push_back({static_cast<float>(f), 2, 0});
        const auto lAt = static_cast<uint16_t>(lVertices.size());
        lFaces.push_back({0, static_cast<uint16_t>(lAt - 2), static_cast<uint16_t>(lAt - 1), 7});
        lMasks = Cat({lMasks, U32(0)});
    }
    lFaces.push_back({0, 1, 2, 7});
    lFaces.push_back({0, 2, 3, 7});
    lMasks = Cat({lMasks, U32(1), U32(1)});
    Read3ds lRead(
        StampedFile(MeshObject("Fan", lVertices, lFaces, Chunk(Tag3ds::kSmoothGroup, lMasks))));
    ASSERT_TRUE(lRead.mRead) << lRead.mError;
    // The vertices, a new centre for every fan face after the first, and a new point for each
    // of the four vertices of the pair (all taken by the fan), the two shared ones once.
    EXPECT_EQ(lRead.MeshOf("Fan")->GetControlPointCount(), 1 + 2 * kFan + (kFan - 1) + 4);
}

TEST(KReader3ds, PositionKeysSkipFramesThatDoNotMoveForward)
{
    const Bytes lTrack = PointTrack(
        Tag3ds::kPositionTrack,
        {{0, {1, 2, 3}}, {10, {1, 2, 3}}, {10, {9, 9, 9}}, {5, {9, 9, 9}}, {20, {0, 0, 0}}});
    Read3ds lRead(OneTriangle({}, ObjectNode(0, "Tri", Tag3ds::kNoParent, lTrack)));
    ASSERT_TRUE(lRead.mRead) << lRead.mError;
    KFCurve* lY = lRead.Node("Tri")->GetCurrentTakeNode()->GetTransformTY();
    ASSERT_EQ(lY->GetKeyCount(), 3);
    EXPECT_EQ(lY->KeyGetTime(1).GetFrame(KTimeModeTable::kFrames30), 10);
    EXPECT_EQ(lY->KeyGetTime(2).GetFrame(KTimeModeTable::kFrames30), 20);
    EXPECT_NEAR(lY->KeyGetValue(0), 7.62, 1e-5);
    EXPECT_NEAR(lRead.Node("Tri")->GetCurrentTakeNode()->GetTransformTZ()->KeyGetValue(0), -5.08,
                1e-5);
    const KTakeInfo* lTake = lRead.mScene->GetTakeInfo("default take");
    // The take spans the file's 30 frames, past the last key.
    EXPECT_EQ(lTake->mLocalStop.GetFrame(KTimeModeTable::kFrames30), 30);
    // With one key, no key is written: the value is the node's local translation.
    Read3ds lStatic(
        OneTriangle({}, ObjectNode(0, "Tri", Tag3ds::kNoParent,
                                   PointTrack(Tag3ds::kPositionTrack, {{0, {1, 2, 3}}}))));
    KVector4 lTranslation;
    ExpectPoint(lStatic.Node("Tri")->GetLclTranslation(lTranslation), 2.54, 7.62, -5.08);
    EXPECT_EQ(lStatic.Node("Tri")->GetCurrentTakeNode()->GetTransformTX()->GetKeyCount(), 0);
}

// Two keyframer records naming one mesh give two nodes with a mesh each; a parent cycle and a
// parent name that names no node fall back to the root.
TEST(KReader3ds, InstancesParentsAndCycles)
{
    auto Instance = [](uint16_t pId, const char* pInstance, uint16_t pParent) {
        return Chunk(Tag3ds::kObjectNode,
                     Cat({Chunk(Tag3ds::kNodeId, U16(pId)),
                          Chunk(Tag3ds::kNodeHdr, Cat({Str("Tri"), U16(0), U16(0), U16(pParent)})),
                          Chunk(Tag3ds::kPivot, Floats({1, 0, 0})),
                          Chunk(Tag3ds::kInstanceName, Str(pInstance))}));
    };
    Read3ds lRead(OneTriangle({}, Cat({Instance(0, "a", 1), Instance(1, "b", Tag3ds::kNoParent),
                                       ObjectNode(2, "Lone", 7)})));
    ASSERT_TRUE(lRead.mRead) << lRead.mError;
    KRyvMesh* lA = lRead.MeshOf("Tri.a");
    KRyvMesh* lB = lRead.MeshOf("Tri.b");
    ASSERT_TRUE(lA && lB);
    EXPECT_NE(lA, lB);
    // Each pivot (1, 0, 0) shifts its own copy once.
    ExpectPoint(lA->GetControlPoints()[0], 0, 7.62, -5.08);
    ExpectPoint(lB->GetControlPoints()[0], 0, 7.62, -5.08);
    EXPECT_EQ(lRead.Node("Tri.a")->GetParent(), lRead.Node("Tri.b"));
    EXPECT_EQ(lRead.Node("Tri.b")->GetParent(), lRead.Root());
    EXPECT_EQ(lRead.Node("Lone")->GetParent(), lRead.Root());
    EXPECT_EQ(lRead.Node("Lone")->GetNodeAttribute(), nullptr);
}

TEST(KReader3ds, ShortListsAreWarningsWithTheFileName)
{
    const Bytes lShortUV = Chunk(Tag3ds::kTexVerts, Cat({U16(2), Floats({0.5f, 0.5f, 1, 1})}));
    Read3ds lRead(StampedFile(MeshObject("Tri", kTriangle, {{0, 1, 2, 7}}, {}, lShortUV)));
    ASSERT_TRUE(lRead.mRead) << lRead.mError;
    EXPECT_NE(lRead.mMessage.find("t.3ds: mesh \"Tri\": 2 texture coordinates for 3 vertices"),
              std::string::npos)
        << lRead.mMessage;
}

// A material group that names a face the mesh does not have loses that index with a warning
// naming the mesh, the group and the index; its other faces keep the material.
TEST(KReader3ds, AGroupIndexOutOfRangeIsDroppedWithAWarning)
{
    const Bytes lRed = Chunk(Tag3ds::kMatEntry, Chunk(Tag3ds::kMatName, Str("Red")));
    const Bytes lGroup = Chunk(Tag3ds::kMeshMatGroup, Cat({Str("Red"), U16(2), U16(0), U16(57)}));
    Read3ds lRead(StampedFile(Cat({lRed, MeshObject("Tri", kTriangle, {{0, 1, 2, 7}}, lGroup)})));
    ASSERT_TRUE(lRead.mRead) << lRead.mError;
    EXPECT_NE(lRead.mMessage.find("t.3ds: mesh \"Tri\": material group \"Red\" names face 57 of 1 "
                                  "faces"),
              std::string::npos)
        << lRead.mMessage;
    KRyvMesh* lMesh = lRead.MeshOf("Tri");
    ASSERT_NE(lMesh, nullptr);
    ASSERT_EQ(lMesh->GetMaterialCount(0), 1);
    EXPECT_STREQ(lMesh->GetMaterial(0)->GetNameWithoutPrefix().Buffer(), "Red");
}

// Every damaged form of a good file is read or refused with a clear error, and a refused one
// leaves the scene and the factory as they were.
TEST(KReader3ds, DamagedFilesFailCleanlyAndLeaveTheSceneAlone)
{
    const Bytes lGood = OneTriangle(
        {}, ObjectNode(0, "Tri", Tag3ds::kNoParent,
                       PointTrack(Tag3ds::kPositionTrack, {{0, {1, 2, 3}}, {5, {0, 0, 0}}})));
    std::vector<Bytes> lDamaged;
    for (std::size_t lLength = 0; lLength < lGood.size(); ++lLength) {
        lDamaged.emplace_back(lGood.begin(), lGood.begin() + static_cast<long>(lLength));
    }
    for (std::size_t lAt = 2; lAt + 4 <= lGood.size(); lAt += 7) {
        Bytes lBad = lGood;
        lBad[lAt] = 0xFF;
        lBad[lAt + 1] = 0xFF;
        lDamaged.push_back(lBad);
    }
    lDamaged.push_back(Bytes{'n', 'o', 't', ' ', '3', 'd', 's', '!'});
    int lRefused = 0;
    for (const Bytes& lBytes : lDamaged) {
        Read3ds lRead(lBytes);
        if (lRead.mRead) {
            continue;
        }
        ++lRefused;
        EXPECT_EQ(lRead.mErrorCode, KReader::kFileCorrupted) << lRead.mError;
        EXPECT_EQ(lRead.mError.rfind("t.3ds: ", 0), 0u) << lRead.mError;
        EXPECT_EQ(lRead.Root()->GetChildCount(), 0);
        EXPECT_EQ(lRead.mFactory->GetMaterialCount(), 0);
        EXPECT_EQ(lRead.mFactory->GetTextureCount(), 0);
    }
    EXPECT_GE(lRefused, static_cast<int>(lGood.size()));
    Read3ds lForeign(Bytes{'n', 'o', 't', ' ', '3', 'd', 's', '!'});
    EXPECT_EQ(lForeign.mError, "t.3ds: not a 3DS file");
}
