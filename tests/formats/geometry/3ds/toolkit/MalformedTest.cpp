// Malformed files: each must end in a clear error from the toolkit's table, never a crash, a
// hang or a read out of bounds (run under the sanitizers).
#include "tests/formats/geometry/3ds/toolkit/Toolkit3dsTestSupport.h"

#include <gtest/gtest.h>

#include <random>

using namespace test3ds;

namespace {

const std::vector<int32_t> kBadTree = {ERR_INVALID_CHUNK, ERR_READING_DATABASE,
                                       ERR_CREATING_DATABASE};

// A small file with one of every record kind.
Bytes SmallFile()
{
    const Bytes lMesh = Chunk(
        Tag3ds::kNamedObject,
        Cat({Str("Tri"),
             Chunk(Tag3ds::kNTriObject,
                   Cat({Chunk(Tag3ds::kPointArray,
                              Cat({U16(3), Floats({0, 0, 0, 1, 0, 0, 0, 1, 0})})),
                        Chunk(Tag3ds::kTexVerts, Cat({U16(3), Floats({0, 0, 1, 0, 0, 1})})),
                        Chunk(Tag3ds::kFaceArray,
                              Cat({U16(1), U16(0), U16(1), U16(2), U16(7),
                                   Chunk(Tag3ds::kMeshMatGroup, Cat({Str("Red"), U16(1), U16(0)})),
                                   Chunk(Tag3ds::kSmoothGroup, U32(1))}))}))}));
    const Bytes lMaterial = Chunk(
        Tag3ds::kMatEntry,
        Cat({Chunk(Tag3ds::kMatName, Str("Red")),
             Chunk(Tag3ds::kMatDiffuse, Chunk(Tag3ds::kColor24, Bytes{255, 0, 0})),
             Chunk(Tag3ds::kMatTexture1, Cat({Chunk(Tag3ds::kIntPercentage, U16(50)),
                                              Chunk(Tag3ds::kMatMapName, Str("red.tga"))}))}));
    const Bytes lLight = Chunk(
        Tag3ds::kNamedObject,
        Cat({Str("Spot"), Chunk(Tag3ds::kLight,
                                Cat({Floats({1, 2, 3}), Chunk(Tag3ds::kColorF, Floats({1, 1, 1})),
                                     Chunk(Tag3ds::kSpotlight, Floats({0, 0, 0, 30, 40}))}))}));
    const Bytes lCamera =
        Chunk(Tag3ds::kNamedObject,
              Cat({Str("Cam"), Chunk(Tag3ds::kCamera, Floats({0, 0, 0, 1, 1, 1, 0, 50}))}));
    const Bytes lNode = Chunk(
        Tag3ds::kObjectNode,
        Cat({Chunk(Tag3ds::kNodeId, U16(0)),
             Chunk(Tag3ds::kNodeHdr, Cat({Str("Tri"), U16(0), U16(0), U16(Tag3ds::kNoParent)})),
             Chunk(Tag3ds::kPositionTrack,
                   Cat({U16(0), U32(0), U32(0), U32(1), U32(0), U16(0), Floats({1, 2, 3})}))}));
    return StampedFile(
        Cat({lMaterial, Chunk(Tag3ds::kMasterScale, F32(1)), lMesh, lLight, lCamera}), lNode);
}

// Gets every record the database holds and writes it back; the outcome does not matter.
void ReadEverything(Loaded& ioRun, const ScratchDir& pDir)
{
    Toolkit3dsContext& lKit = ioRun.mKit;
    ChunkDatabase3ds* lDb = ioRun.Db();
    for (uint32_t i = 0; i < 4; ++i) {
        std::unique_ptr<MeshObject3ds> lMesh;
        GetMeshByIndex3ds(lKit, lDb, i, lMesh);
        std::unique_ptr<Material3ds> lMaterial;
        GetMaterialByIndex3ds(lKit, lDb, i, lMaterial);
        std::unique_ptr<LightObject3ds> lLight;
        GetSpotlightByIndex3ds(lKit, lDb, i, lLight);
        GetOmniLightByIndex3ds(lKit, lDb, i, lLight);
        std::unique_ptr<CameraObject3ds> lCamera;
        GetCameraByIndex3ds(lKit, lDb, i, lCamera);
        std::unique_ptr<ObjectMotion3ds> lMotion;
        GetObjectMotionByIndex3ds(lKit, lDb, i, lMotion);
    }
    std::unique_ptr<MeshSettings3ds> lSettings;
    GetMeshSettings3ds(lKit, lDb, lSettings);
    std::unique_ptr<BackgroundSettings3ds> lBackground;
    GetBackgroundSettings3ds(lKit, lDb, lBackground);
    WriteDatabase(ioRun, pDir, "out.3ds", false);
}

} // namespace

TEST(Toolkit3dsMalformed, EveryTruncationFails)
{
    ScratchDir lDir;
    const Bytes lFile = SmallFile();
    auto lWhole = LoadBytes(lDir, lFile);
    ReadEverything(*lWhole, lDir);
    ASSERT_FALSE(lWhole->Failed());
    for (std::size_t lSize = 0; lSize < lFile.size(); ++lSize) {
        Bytes lCut(lFile.begin(), lFile.begin() + lSize);
        auto lRun = LoadBytes(lDir, lCut);
        ASSERT_TRUE(lRun->Failed()) << lSize;
        // With the top length mended the cut shows up inside the tree instead.
        if (lSize >= 6) {
            StoreU32(lCut.data() + 2, static_cast<uint32_t>(lSize));
            auto lMended = LoadBytes(lDir, lCut);
            ReadEverything(*lMended, lDir);
        }
    }
}

TEST(Toolkit3dsMalformed, SeededByteFlips)
{
    ScratchDir lDir;
    const Bytes lFile = SmallFile();
    std::mt19937 lRandom(1234);
    for (int lRound = 0; lRound < 400; ++lRound) {
        Bytes lFlipped = lFile;
        for (int i = 0; i < 1 + lRound % 3; ++i) {
            lFlipped[lRandom() % lFlipped.size()] ^= static_cast<uint8_t>(1u << (lRandom() % 8));
        }
        auto lRun = LoadBytes(lDir, lFlipped);
        ReadEverything(*lRun, lDir);
    }
}

TEST(Toolkit3dsMalformed, BadChunkLengths)
{
    ScratchDir lDir;
    const Bytes lGood = Chunk(Tag3ds::kMasterScale, F32(1));
    for (uint32_t lLength : {0u, 5u, 21u, 0xFFFFFFFFu}) {
        Bytes lFile = StampedFile(Cat({lGood, lGood}));
        // The first 0x0100 chunk follows 0x4D4D, Tag3ds::kVersion, Tag3ds::kMdata and 0x3D3E.
        StoreU32(lFile.data() + 6 + 10 + 6 + 10 + 2, lLength);
        auto lRun = LoadBytes(lDir, lFile);
        EXPECT_EQ(lRun->Codes(), kBadTree) << lLength;
    }
    // A top chunk longer than the file.
    Bytes lLong = StampedFile({});
    StoreU32(lLong.data() + 2, static_cast<uint32_t>(lLong.size() + 1));
    EXPECT_EQ(LoadBytes(lDir, lLong)->Codes(), kBadTree);
    // A container whose data runs past it.
    EXPECT_EQ(LoadBytes(lDir, StampedFile(Chunk(Tag3ds::kNamedObject, Bytes{'L', 'o', 'n', 'g'})))
                  ->Codes(),
              kBadTree);
    EXPECT_EQ(
        LoadBytes(lDir, Bytes{0x4D, 0x4D, 6})->Codes(),
        (std::vector<int32_t>{ERR_READING_FILE, ERR_READING_DATABASE, ERR_CREATING_DATABASE}));
}

TEST(Toolkit3dsMalformed, NestingIsCapped)
{
    ScratchDir lDir;
    auto Nest = [](int pLevels) {
        Bytes lBody;
        for (int i = 0; i < pLevels; ++i) {
            lBody = Chunk(Tag3ds::kMdata, lBody);
        }
        return Chunk(Tag3ds::kM3dMagic, lBody);
    };
    EXPECT_FALSE(LoadBytes(lDir, Nest(kMaxChunkDepth3ds - 1))->Failed());
    EXPECT_EQ(LoadBytes(lDir, Nest(kMaxChunkDepth3ds))->Codes(), kBadTree);
    EXPECT_EQ(LoadBytes(lDir, Nest(1000))->Codes(), kBadTree);
}

TEST(Toolkit3dsMalformed, CountsThatDoNotFitTheirChunk)
{
    ScratchDir lDir;
    auto Mesh = [](const Bytes& pChild) {
        return StampedFile(
            Chunk(Tag3ds::kNamedObject, Cat({Str("M"), Chunk(Tag3ds::kNTriObject, pChild)})));
    };
    const Bytes lHugeVertices = Chunk(Tag3ds::kPointArray, Cat({U16(65535), Floats({1, 2, 3})}));
    const Bytes lHugeFaces = Chunk(Tag3ds::kFaceArray, Cat({U16(40000), U16(0)}));
    const Bytes lHugeTrack =
        Chunk(Tag3ds::kPositionTrack, Cat({U16(0), U32(0), U32(0), U32(0xFFFFFFFF), Bytes(20)}));
    ASSERT_EQ(lHugeVertices.size(), 20u);
    ASSERT_EQ(lHugeTrack.size(), 40u);
    for (const Bytes& lFile : {Mesh(lHugeVertices), Mesh(lHugeFaces)}) {
        auto lRun = LoadBytes(lDir, lFile);
        std::unique_ptr<MeshObject3ds> lMesh;
        GetMeshByIndex3ds(lRun->mKit, lRun->Db(), 0, lMesh);
        ASSERT_FALSE(lRun->Codes().empty());
        EXPECT_EQ(lRun->Codes()[0], ERR_INVALID_CHUNK);
    }
    auto lRun = LoadBytes(
        lDir, StampedFile({}, Chunk(Tag3ds::kObjectNode,
                                    Cat({Chunk(Tag3ds::kNodeHdr, Cat({Str("N"), U16(0), U16(0),
                                                                      U16(Tag3ds::kNoParent)})),
                                         lHugeTrack}))));
    std::unique_ptr<ObjectMotion3ds> lMotion;
    GetObjectMotionByIndex3ds(lRun->mKit, lRun->Db(), 0, lMotion);
    EXPECT_EQ(lRun->Codes(), (std::vector<int32_t>{ERR_INVALID_CHUNK}));
}

TEST(Toolkit3dsMalformed, IndexesPastTheirArraysAreErrors)
{
    ScratchDir lDir;
    const Bytes lPoints =
        Chunk(Tag3ds::kPointArray, Cat({U16(3), Floats({0, 0, 0, 1, 0, 0, 0, 1, 0})}));
    const Bytes lFace = Cat({U16(1), U16(0), U16(1), U16(2), U16(0)});
    auto lLoad = [&lDir](const Bytes& pChildren) {
        return LoadBytes(
            lDir, StampedFile(Chunk(Tag3ds::kNamedObject,
                                    Cat({Str("M"), Chunk(Tag3ds::kNTriObject, pChildren)}))));
    };
    auto lRun = lLoad(
        Cat({lPoints, Chunk(Tag3ds::kFaceArray, Cat({U16(1), U16(0), U16(1), U16(3), U16(0)}))}));
    std::unique_ptr<MeshObject3ds> lMesh;
    GetMeshByIndex3ds(lRun->mKit, lRun->Db(), 0, lMesh);
    EXPECT_EQ(lRun->Codes(), (std::vector<int32_t>{ERR_INVALID_DATA}));
    // A material group's face index past the faces is dropped with a warning, not an error.
    auto lGrouped = lLoad(
        Cat({lPoints,
             Chunk(Tag3ds::kFaceArray,
                   Cat({lFace, Chunk(Tag3ds::kMeshMatGroup, Cat({Str("X"), U16(1), U16(1)}))}))}));
    GetMeshByIndex3ds(lGrouped->mKit, lGrouped->Db(), 0, lMesh);
    EXPECT_TRUE(lGrouped->Codes().empty());
    ASSERT_EQ(lMesh->mMaterialGroups.size(), 1u);
    EXPECT_TRUE(lMesh->mMaterialGroups[0].mFaces.empty());
    EXPECT_EQ(lGrouped->mKit.mWarnings.size(), 1u);
}

// Other readers load a mesh whose flag or UV list is one short: so does the toolkit, with
// warnings, defaulting what is missing and dropping what is extra.
TEST(Toolkit3dsMalformed, ListsOfAnotherLengthAreWarnings)
{
    ScratchDir lDir;
    const Bytes lChildren =
        Cat({Chunk(Tag3ds::kPointArray, Cat({U16(3), Floats({0, 0, 0, 1, 0, 0, 0, 1, 0})})),
             Chunk(Tag3ds::kPointFlagArray, Cat({U16(2), U16(7), U16(8)})),
             Chunk(Tag3ds::kTexVerts, Cat({U16(2), Floats({0.5f, 0.25f, 1, 1})})),
             Chunk(Tag3ds::kFaceArray, Cat({U16(1), U16(0), U16(1), U16(2), U16(0),
                                            Chunk(Tag3ds::kSmoothGroup, Cat({U32(4), U32(2)}))}))});
    auto lRun =
        LoadBytes(lDir, StampedFile(Chunk(Tag3ds::kNamedObject,
                                          Cat({Str("M"), Chunk(Tag3ds::kNTriObject, lChildren)}))));
    std::unique_ptr<MeshObject3ds> lMesh;
    GetMeshByIndex3ds(lRun->mKit, lRun->Db(), 0, lMesh);
    EXPECT_TRUE(lRun->Codes().empty());
    ASSERT_NE(lMesh, nullptr);
    EXPECT_EQ(lMesh->mVertexFlagCount, 3);
    EXPECT_EQ(lMesh->mVertexFlags, (std::vector<uint16_t>{7, 8, 0}));
    EXPECT_EQ(lMesh->mTexCount, 3);
    ASSERT_EQ(lMesh->mTexVerts.size(), 3u);
    EXPECT_EQ(lMesh->mTexVerts[0].v, 0.25f);
    EXPECT_EQ(lMesh->mTexVerts[2].u, 0.0f);
    EXPECT_EQ(lMesh->mSmoothing, (std::vector<uint32_t>{4}));
    ASSERT_EQ(lRun->mKit.mWarnings.size(), 3u);
    EXPECT_EQ(lRun->mKit.mWarnings[0], "mesh \"M\": 2 vertex flags for 3 vertices; the missing "
                                       "ones take the default, extra ones are dropped");
    // What was read can be put back: the counts now agree.
    std::unique_ptr<Loaded> lOut = NewDatabase();
    PutMesh3ds(lOut->mKit, lOut->Db(), lMesh.get());
    EXPECT_TRUE(lOut->Codes().empty());
}

TEST(Toolkit3dsMalformed, CyclicParentsAreBroken)
{
    ScratchDir lDir;
    auto Node = [](const char* pName, uint16_t pId, uint16_t pParent) {
        return Chunk(
            Tag3ds::kObjectNode,
            Cat({Chunk(Tag3ds::kNodeId, U16(pId)),
                 Chunk(Tag3ds::kNodeHdr, Cat({Str(pName), U16(0), U16(0), U16(pParent)}))}));
    };
    auto lSelf = LoadBytes(lDir, StampedFile({}, Node("Self", 0, 0)));
    std::unique_ptr<ObjectMotion3ds> lMotion;
    GetObjectMotionByIndex3ds(lSelf->mKit, lSelf->Db(), 0, lMotion);
    EXPECT_EQ(lMotion->mParent, "");
    auto lPair =
        LoadBytes(lDir, StampedFile({}, Cat({Node("A", 0, 1), Node("B", 1, 0), Node("C", 2, 1)})));
    std::vector<std::string> lParents;
    for (uint32_t i = 0; i < 3; ++i) {
        GetObjectMotionByIndex3ds(lPair->mKit, lPair->Db(), i, lMotion);
        lParents.push_back(lMotion->mParent);
    }
    EXPECT_EQ(lParents, (std::vector<std::string>{"B", "", "B"}));
    EXPECT_FALSE(lPair->Failed());
}
