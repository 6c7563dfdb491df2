// The chunk tree: insertion order, stamping, length patching, layouts and lazy data.
#include "tests/formats/geometry/3ds/toolkit/Toolkit3dsTestSupport.h"

#include <gtest/gtest.h>

using namespace test3ds;

namespace {

std::vector<uint32_t> ChildTags(const ChunkNode3ds* pParent)
{
    std::vector<uint32_t> lTags;
    for (const ChunkNode3ds* lChild = pParent->mChildren.get(); lChild;
         lChild = lChild->mNext.get()) {
        lTags.push_back(lChild->mTag);
    }
    return lTags;
}

ChunkNode3ds* Insert(ChunkNode3ds* pParent, uint32_t pTag)
{
    std::unique_ptr<ChunkNode3ds> lChunk;
    NewChunkWithTag3ds(lChunk, pTag);
    return InsertChildChunk3ds(pParent, std::move(lChunk));
}

} // namespace

TEST(Toolkit3dsTree, ChildrenGoInByWeight)
{
    std::unique_ptr<ChunkNode3ds> lTop;
    NewChunkWithTag3ds(lTop, Tag3ds::kM3dMagic);
    for (uint32_t lTag :
         std::vector<uint32_t>{Tag3ds::kKfData, 0x1234u, Tag3ds::kMdata, Tag3ds::kVersion,
                               Tag3ds::kViewportLayout, 0x5678u}) {
        Insert(lTop.get(), lTag);
    }
    EXPECT_EQ(ChildTags(lTop.get()),
              (std::vector<uint32_t>{Tag3ds::kViewportLayout, Tag3ds::kVersion, Tag3ds::kMdata,
                                     Tag3ds::kKfData, 0x1234, 0x5678}));
    ChunkNode3ds* lMesh = lTop->mChildren->mNext->mNext.get();
    const std::vector<uint32_t> lShuffled = {Tag3ds::kNamedObject,
                                             Tag3ds::kUseGradientBackground,
                                             Tag3ds::kMasterScale,
                                             Tag3ds::kRayBias,
                                             Tag3ds::kDistanceCue,
                                             Tag3ds::kConstructionPlane,
                                             Tag3ds::kSolidBackground,
                                             Tag3ds::kMatEntry,
                                             Tag3ds::kShadowBias,
                                             Tag3ds::kMeshVersion,
                                             Tag3ds::kAmbientLight,
                                             Tag3ds::kBitmapBackground,
                                             Tag3ds::kShadowMapSize,
                                             Tag3ds::kLayerFog,
                                             Tag3ds::kShadowFilter,
                                             Tag3ds::kDefaultView,
                                             Tag3ds::kGradientBackground,
                                             Tag3ds::kViewportLayoutHeader,
                                             Tag3ds::kFog};
    for (uint32_t lTag : lShuffled) {
        Insert(lMesh, lTag);
    }
    EXPECT_EQ(
        ChildTags(lMesh),
        (std::vector<uint32_t>{
            Tag3ds::kMeshVersion, Tag3ds::kMatEntry, Tag3ds::kMasterScale,
            Tag3ds::kViewportLayoutHeader, Tag3ds::kShadowBias, Tag3ds::kShadowMapSize,
            Tag3ds::kShadowFilter, Tag3ds::kRayBias, Tag3ds::kConstructionPlane,
            Tag3ds::kAmbientLight, Tag3ds::kSolidBackground, Tag3ds::kBitmapBackground,
            Tag3ds::kGradientBackground, Tag3ds::kUseGradientBackground, Tag3ds::kFog,
            Tag3ds::kLayerFog, Tag3ds::kDistanceCue, Tag3ds::kDefaultView, Tag3ds::kNamedObject}));
    std::unique_ptr<ChunkNode3ds> lKf;
    NewChunkWithTag3ds(lKf, Tag3ds::kKfData);
    for (uint32_t lTag :
         {Tag3ds::kAmbientNode, Tag3ds::kObjectNode, Tag3ds::kKfCurrentFrame, Tag3ds::kKfSegment,
          Tag3ds::kKfHdr, Tag3ds::kColor24, Tag3ds::kLinColor24}) {
        Insert(lKf.get(), lTag);
    }
    EXPECT_EQ(ChildTags(lKf.get()),
              (std::vector<uint32_t>{Tag3ds::kColor24, Tag3ds::kLinColor24, Tag3ds::kKfHdr,
                                     Tag3ds::kKfSegment, Tag3ds::kKfCurrentFrame,
                                     Tag3ds::kObjectNode, Tag3ds::kAmbientNode}));
    std::unique_ptr<ChunkNode3ds> lObject;
    NewChunkWithTag3ds(lObject, Tag3ds::kNamedObject);
    for (uint32_t lTag : {Tag3ds::kObjVisLofter, Tag3ds::kObjHidden, Tag3ds::kLight}) {
        Insert(lObject.get(), lTag);
    }
    EXPECT_EQ(ChildTags(lObject.get()),
              (std::vector<uint32_t>{Tag3ds::kLight, Tag3ds::kObjHidden, Tag3ds::kObjVisLofter}));
}

TEST(Toolkit3dsTree, FindCopyReplaceClear)
{
    std::unique_ptr<ChunkNode3ds> lTop;
    NewChunkWithTag3ds(lTop, Tag3ds::kM3dMagic);
    ChunkNode3ds* lMesh = Insert(lTop.get(), Tag3ds::kMdata);
    ChunkNode3ds* lObject = Insert(lMesh, Tag3ds::kNamedObject);
    ResetChunkData3ds(lObject)->mStrings[0] = "Box";
    Insert(lObject, Tag3ds::kNTriObject);
    Insert(lTop.get(), Tag3ds::kKfData);
    EXPECT_EQ(FindChunk3ds(lTop.get(), Tag3ds::kNTriObject), lObject->mChildren.get());
    EXPECT_EQ(FindChunk3ds(lTop.get(), Tag3ds::kM3dMagic), lTop.get());
    EXPECT_EQ(FindNextChunk3ds(lMesh, Tag3ds::kKfData), lMesh->mNext.get());
    EXPECT_EQ(FindNextChunk3ds(lMesh->mNext.get(), Tag3ds::kMdata), nullptr);
    std::unique_ptr<ChunkNode3ds> lCopy;
    CopyChunk3ds(lMesh, lCopy);
    EXPECT_EQ(lCopy->mNext, nullptr);
    EXPECT_EQ(lCopy->mChildren->mData->mStrings[0], "Box");
    EXPECT_EQ(lObject->mData->mStrings[0], "Box");
    EXPECT_EQ(lCopy->mChildren->mChildren->mTag, Tag3ds::kNTriObject);
    ChunkNode3ds* lReplaced = ReplaceOrAddChildChunk3ds(lMesh, Tag3ds::kNamedObject);
    EXPECT_EQ(lReplaced, lObject);
    EXPECT_EQ(lObject->mChildren, nullptr);
    EXPECT_EQ(lObject->mData, nullptr);
    ClearChunk3ds(lMesh);
    EXPECT_EQ(lMesh->mTag, 0u);
    EXPECT_EQ(lMesh->mSourceFile, ChunkNode3ds::kNoFile);
}

TEST(Toolkit3dsTree, WrittenFileIsStampedAndPatched)
{
    ScratchDir lDir;
    std::unique_ptr<Loaded> lRun = NewDatabase();
    ChunkNode3ds* lTop = lRun->Db()->mTopChunk.get();
    // A stored length that disagrees with the content is patched in the file and the node.
    ChunkNode3ds* lMesh = FindChunk3ds(lTop, Tag3ds::kMdata);
    std::unique_ptr<ChunkNode3ds> lScale;
    NewChunkWithData3ds(lScale, Tag3ds::kMasterScale);
    lScale->mLength = 99;
    lScale->mData->mFloats[0] = 1.5f;
    ChunkNode3ds* lScaleNode = InsertChildChunk3ds(lMesh, std::move(lScale));
    const Bytes lExpected = StampedFile(Chunk(Tag3ds::kMasterScale, F32(1.5f)));
    EXPECT_EQ(WriteDatabase(*lRun, lDir), lExpected);
    EXPECT_EQ(lScaleNode->mLength, 10u);
    EXPECT_EQ(lTop->mLength, lExpected.size());
    // Written twice, the same bytes: the stamp replaces rather than adds.
    EXPECT_EQ(WriteDatabase(*lRun, lDir, "again.3ds"), lExpected);
}

TEST(Toolkit3dsTree, StampReleases)
{
    std::unique_ptr<Loaded> lRun = NewDatabase();
    const uint32_t kRevisions[] = {1, 2, 5, 6};
    for (uint32_t lRelease = 0; lRelease <= 3; ++lRelease) {
        StampRelease3ds(lRun->mKit, lRun->Db(), lRelease);
        ChunkNode3ds* lTop = lRun->Db()->mTopChunk.get();
        EXPECT_EQ(FindChunk3ds(lTop, Tag3ds::kVersion)->mData->mInts[0], lRelease + 1);
        EXPECT_EQ(FindChunk3ds(lTop, Tag3ds::kMeshVersion)->mData->mInts[0], lRelease + 1);
        EXPECT_EQ(FindChunk3ds(lTop, Tag3ds::kKfHdr)->mData->mInts[0], kRevisions[lRelease]);
    }
    StampRelease3ds(lRun->mKit, lRun->Db(), 4);
    EXPECT_TRUE(lRun->Failed());
}

TEST(Toolkit3dsTree, LayoutsDecodeAsWritten)
{
    ScratchDir lDir;
    const Bytes lKey = Cat({U32(7), U16(0x0005), Floats({0.25f, 0.75f}), Floats({1, 2, 3})});
    const Bytes lMesh =
        Chunk(Tag3ds::kNamedObject,
              Cat({Str("Obj"),
                   Chunk(Tag3ds::kNTriObject,
                         Cat({Chunk(Tag3ds::kFaceArray,
                                    Cat({U16(0), Chunk(Tag3ds::kSmoothGroup,
                                                       Cat({U32(1), U32(2), U32(0x80000000)}))})),
                              Chunk(Tag3ds::kPointFlagArray, Cat({U16(2), U16(9), U16(10)}))}))}));
    const Bytes lNode = Chunk(
        Tag3ds::kObjectNode,
        Cat({Chunk(Tag3ds::kNodeHdr, Cat({Str("Obj"), U16(1), U16(2), U16(Tag3ds::kNoParent)})),
             Chunk(Tag3ds::kPositionTrack, Cat({U16(3), U32(0), U32(0), U32(1), lKey}))}));
    auto lRun = LoadBytes(lDir, StampedFile(Cat({lMesh, Chunk(0x9999, Bytes{1, 2, 3})}), lNode));
    ASSERT_FALSE(lRun->Failed());
    Toolkit3dsContext& lKit = lRun->mKit;
    ChunkNode3ds* lTop = lRun->Db()->mTopChunk.get();
    EXPECT_EQ(ReadChunkData3ds(lKit, FindChunk3ds(lTop, Tag3ds::kFaceArray))->mShorts.size(), 0u);
    EXPECT_EQ(ReadChunkData3ds(lKit, FindChunk3ds(lTop, Tag3ds::kSmoothGroup))->mInts,
              (std::vector<uint32_t>{1, 2, 0x80000000}));
    EXPECT_EQ(ReadChunkData3ds(lKit, FindChunk3ds(lTop, Tag3ds::kPointFlagArray))->mShorts,
              (std::vector<uint16_t>{9, 10}));
    const ChunkData3ds* lTrack = ReadChunkData3ds(lKit, FindChunk3ds(lTop, Tag3ds::kPositionTrack));
    ASSERT_EQ(lTrack->mKeys.size(), 1u);
    EXPECT_EQ(lTrack->mKeys[0].mTime, 7u);
    EXPECT_EQ(lTrack->mInts[0], 3u);
    const float lExpected[5] = {0.25f, 0, 0.75f, 0, 0};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(lTrack->mKeys[0].mValues[i], lExpected[i]);
    }
    EXPECT_EQ(lTrack->mFloats, (std::vector<float>{1, 2, 3}));
    EXPECT_EQ(ReadChunkData3ds(lKit, FindChunk3ds(lTop, 0x9999))->mBlock, (Bytes{1, 2, 3}));
    EXPECT_EQ(ReadChunkData3ds(lKit, FindChunk3ds(lTop, Tag3ds::kNTriObject)), nullptr);
    EXPECT_FALSE(lRun->Failed());
}

TEST(Toolkit3dsTree, ReadThenWriteIsByteIdentical)
{
    ScratchDir lDir;
    const Bytes lFile = StampedFile(
        Cat({Chunk(0x9999, Bytes{1, 2, 3, 4, 5}), Chunk(Tag3ds::kFog, Floats({1, 2, 3, 4})),
             Chunk(Tag3ds::kViewportData3,
                   Cat({U16(1), U16(2), U16(3), U16(4), U16(5), U16(6), U16(7),
                        Floats({1, 2, 3, 4, 5, 6}), Bytes{'T', 'o', 'p', 0, 0, 0, 0, 0, 0, 0, 0}})),
             Chunk(Tag3ds::kXdata,
                   Chunk(Tag3ds::kXdataEntry, Cat({Chunk(Tag3ds::kXdataAppName, Str("any text")),
                                                   Chunk(Tag3ds::kXdataString, Str("more"))})))}),
        Chunk(Tag3ds::kKfSegment, Cat({U32(2), U32(9)})));
    auto lRun = LoadBytes(lDir, lFile);
    ASSERT_FALSE(lRun->Failed());
    EXPECT_EQ(WriteDatabase(*lRun, lDir), lFile);
}

TEST(Toolkit3dsTree, PrimitivesAreLittleEndian)
{
    ScratchDir lDir;
    Toolkit3dsContext lKit;
    FileRecord3ds* lOut = OpenFile3ds(lKit, lDir.Path("p.bin").c_str(), "w");
    SetCurrentFile3ds(lKit, lOut);
    WriteByte3ds(lKit, 0xAB);
    WriteUShort3ds(lKit, 0x1234);
    WriteULong3ds(lKit, 0x89ABCDEF);
    WriteFloat3ds(lKit, -2.0f);
    WritePoint3ds(lKit, {1, 2, 3});
    WriteTexVert3ds(lKit, {4, 5});
    WriteFace3ds(lKit, {1, 2, 3, 4});
    WriteHeader3ds(lKit, {Tag3ds::kM3dMagic, 77});
    WriteString3ds(lKit, "ab");
    WriteFixedString3ds(lKit, "cd", 4);
    WriteTrackHeader3ds(lKit, {1, 2, 3, 4});
    KeyHeader3ds lKey;
    lKey.mTime = 9;
    lKey.mFlags = 0x0012;
    lKey.mValues[1] = 0.5f;
    lKey.mValues[4] = 0.25f;
    WriteKeyHeader3ds(lKit, lKey);
    CloseFile3ds(lKit, lOut);
    WriteFixedString3ds(lKit, "toolong", 4);
    EXPECT_EQ(lKit.mErrors.mRecords[0].mCode, ERR_STRING_TOO_LONG);
    const Bytes lBytes = ReadBytes(lDir.Path("p.bin"));
    EXPECT_EQ(lBytes, Cat({U8(0xAB),
                           U16(0x1234),
                           U32(0x89ABCDEF),
                           F32(-2),
                           Floats({1, 2, 3, 4, 5}),
                           U16(1),
                           U16(2),
                           U16(3),
                           U16(4),
                           U16(Tag3ds::kM3dMagic),
                           U32(77),
                           Str("ab"),
                           Bytes{'c', 'd', 0, 0},
                           U16(1),
                           U32(2),
                           U32(3),
                           U32(4),
                           U32(9),
                           U16(0x12),
                           Floats({0.5f, 0.25f})}));
    Toolkit3dsContext lIn;
    SetCurrentFile3ds(lIn, OpenFile3ds(lIn, lDir.Path("p.bin").c_str(), "r"));
    EXPECT_EQ(ReadByte3ds(lIn), 0xAB);
    EXPECT_EQ(ReadUShort3ds(lIn), 0x1234);
    EXPECT_EQ(ReadULong3ds(lIn), 0x89ABCDEFu);
    EXPECT_EQ(ReadFloat3ds(lIn), -2.0f);
    EXPECT_EQ(ReadPoint3ds(lIn).z, 3);
    EXPECT_EQ(ReadTexVert3ds(lIn).v, 5);
    EXPECT_EQ(ReadFace3ds(lIn).flag, 4);
    EXPECT_EQ(ReadHeader3ds(lIn).mLength, 77u);
    EXPECT_EQ(ReadString3ds(lIn, 2), "ab");
    EXPECT_EQ(ReadFixedString3ds(lIn, 4), "cd");
    EXPECT_EQ(ReadTrackHeader3ds(lIn).mKeyCount, 4u);
    const KeyHeader3ds lBack = ReadKeyHeader3ds(lIn);
    EXPECT_EQ(lBack.mValues[1], 0.5f);
    EXPECT_EQ(lBack.mValues[4], 0.25f);
    EXPECT_EQ(lBack.mValues[0], 0.0f);
    EXPECT_FALSE(lIn.mErrors.mPending);
    EXPECT_EQ(ReadULong3ds(lIn), 0u);
    EXPECT_EQ(lIn.mErrors.mRecords[0].mCode, ERR_READING_FILE);
    FileSeek3ds(lIn, 3);
    EXPECT_EQ(FileTell3ds(lIn), 3);
    EXPECT_EQ(ReadString3ds(lIn, 1), "");
    EXPECT_EQ(lIn.mErrors.mRecords[1].mCode, ERR_READING_FILE);
}
