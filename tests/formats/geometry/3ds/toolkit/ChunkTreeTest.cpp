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
    NewChunkWithTag3ds(lTop, 0x4D4D);
    for (uint32_t lTag : {0xB000u, 0x1234u, 0x3D3Du, 0x0002u, 0x2D2Du, 0x5678u}) {
        Insert(lTop.get(), lTag);
    }
    EXPECT_EQ(ChildTags(lTop.get()),
              (std::vector<uint32_t>{0x2D2D, 0x0002, 0x3D3D, 0xB000, 0x1234, 0x5678}));
    ChunkNode3ds* lMesh = lTop->mChildren->mNext->mNext.get();
    const std::vector<uint32_t> lShuffled = {0x4000, 0x1301, 0x0100, 0x1460, 0x2300, 0x1500, 0x1200,
                                             0xAFFF, 0x1400, 0x3D3E, 0x2100, 0x1100, 0x1420, 0x2302,
                                             0x1450, 0x3000, 0x1300, 0x7001, 0x2200};
    for (uint32_t lTag : lShuffled) {
        Insert(lMesh, lTag);
    }
    EXPECT_EQ(ChildTags(lMesh),
              (std::vector<uint32_t>{0x3D3E, 0xAFFF, 0x0100, 0x7001, 0x1400, 0x1420, 0x1450, 0x1460,
                                     0x1500, 0x2100, 0x1200, 0x1100, 0x1300, 0x1301, 0x2200, 0x2302,
                                     0x2300, 0x3000, 0x4000}));
    std::unique_ptr<ChunkNode3ds> lKf;
    NewChunkWithTag3ds(lKf, 0xB000);
    for (uint32_t lTag : {0xB001u, 0xB002u, 0xB009u, 0xB008u, 0xB00Au, 0x0011u, 0x0012u}) {
        Insert(lKf.get(), lTag);
    }
    EXPECT_EQ(ChildTags(lKf.get()),
              (std::vector<uint32_t>{0x0011, 0x0012, 0xB00A, 0xB008, 0xB009, 0xB002, 0xB001}));
    std::unique_ptr<ChunkNode3ds> lObject;
    NewChunkWithTag3ds(lObject, 0x4000);
    for (uint32_t lTag : {0x4011u, 0x4010u, 0x4600u}) {
        Insert(lObject.get(), lTag);
    }
    EXPECT_EQ(ChildTags(lObject.get()), (std::vector<uint32_t>{0x4600, 0x4010, 0x4011}));
}

TEST(Toolkit3dsTree, FindCopyReplaceClear)
{
    std::unique_ptr<ChunkNode3ds> lTop;
    NewChunkWithTag3ds(lTop, 0x4D4D);
    ChunkNode3ds* lMesh = Insert(lTop.get(), 0x3D3D);
    ChunkNode3ds* lObject = Insert(lMesh, 0x4000);
    ResetChunkData3ds(lObject)->mStrings[0] = "Box";
    Insert(lObject, 0x4100);
    Insert(lTop.get(), 0xB000);
    EXPECT_EQ(FindChunk3ds(lTop.get(), 0x4100), lObject->mChildren.get());
    EXPECT_EQ(FindChunk3ds(lTop.get(), 0x4D4D), lTop.get());
    EXPECT_EQ(FindNextChunk3ds(lMesh, 0xB000), lMesh->mNext.get());
    EXPECT_EQ(FindNextChunk3ds(lMesh->mNext.get(), 0x3D3D), nullptr);
    std::unique_ptr<ChunkNode3ds> lCopy;
    CopyChunk3ds(lMesh, lCopy);
    EXPECT_EQ(lCopy->mNext, nullptr);
    EXPECT_EQ(lCopy->mChildren->mData->mStrings[0], "Box");
    EXPECT_EQ(lObject->mData->mStrings[0], "Box");
    EXPECT_EQ(lCopy->mChildren->mChildren->mTag, 0x4100u);
    ChunkNode3ds* lReplaced = ReplaceOrAddChildChunk3ds(lMesh, 0x4000);
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
    ChunkNode3ds* lMesh = FindChunk3ds(lTop, 0x3D3D);
    std::unique_ptr<ChunkNode3ds> lScale;
    NewChunkWithData3ds(lScale, 0x0100);
    lScale->mLength = 99;
    lScale->mData->mFloats[0] = 1.5f;
    ChunkNode3ds* lScaleNode = InsertChildChunk3ds(lMesh, std::move(lScale));
    const Bytes lExpected = StampedFile(Chunk(0x0100, F32(1.5f)));
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
        EXPECT_EQ(FindChunk3ds(lTop, 0x0002)->mData->mInts[0], lRelease + 1);
        EXPECT_EQ(FindChunk3ds(lTop, 0x3D3E)->mData->mInts[0], lRelease + 1);
        EXPECT_EQ(FindChunk3ds(lTop, 0xB00A)->mData->mInts[0], kRevisions[lRelease]);
    }
    StampRelease3ds(lRun->mKit, lRun->Db(), 4);
    EXPECT_TRUE(lRun->Failed());
}

TEST(Toolkit3dsTree, LayoutsDecodeAsWritten)
{
    ScratchDir lDir;
    const Bytes lKey = Cat({U32(7), U16(0x0005), Floats({0.25f, 0.75f}), Floats({1, 2, 3})});
    const Bytes lMesh = Chunk(
        0x4000,
        Cat({Str("Obj"),
             Chunk(0x4100, Cat({Chunk(0x4120, Cat({U16(0), Chunk(0x4150, Cat({U32(1), U32(2),
                                                                              U32(0x80000000)}))})),
                                Chunk(0x4111, Cat({U16(2), U16(9), U16(10)}))}))}));
    const Bytes lNode =
        Chunk(0xB002, Cat({Chunk(0xB010, Cat({Str("Obj"), U16(1), U16(2), U16(0xFFFF)})),
                           Chunk(0xB020, Cat({U16(3), U32(0), U32(0), U32(1), lKey}))}));
    auto lRun = LoadBytes(lDir, StampedFile(Cat({lMesh, Chunk(0x9999, Bytes{1, 2, 3})}), lNode));
    ASSERT_FALSE(lRun->Failed());
    Toolkit3dsContext& lKit = lRun->mKit;
    ChunkNode3ds* lTop = lRun->Db()->mTopChunk.get();
    EXPECT_EQ(ReadChunkData3ds(lKit, FindChunk3ds(lTop, 0x4120))->mShorts.size(), 0u);
    EXPECT_EQ(ReadChunkData3ds(lKit, FindChunk3ds(lTop, 0x4150))->mInts,
              (std::vector<uint32_t>{1, 2, 0x80000000}));
    EXPECT_EQ(ReadChunkData3ds(lKit, FindChunk3ds(lTop, 0x4111))->mShorts,
              (std::vector<uint16_t>{9, 10}));
    const ChunkData3ds* lTrack = ReadChunkData3ds(lKit, FindChunk3ds(lTop, 0xB020));
    ASSERT_EQ(lTrack->mKeys.size(), 1u);
    EXPECT_EQ(lTrack->mKeys[0].mTime, 7u);
    EXPECT_EQ(lTrack->mInts[0], 3u);
    const float lExpected[5] = {0.25f, 0, 0.75f, 0, 0};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(lTrack->mKeys[0].mValues[i], lExpected[i]);
    }
    EXPECT_EQ(lTrack->mFloats, (std::vector<float>{1, 2, 3}));
    EXPECT_EQ(ReadChunkData3ds(lKit, FindChunk3ds(lTop, 0x9999))->mBlock, (Bytes{1, 2, 3}));
    EXPECT_EQ(ReadChunkData3ds(lKit, FindChunk3ds(lTop, 0x4100)), nullptr);
    EXPECT_FALSE(lRun->Failed());
}

TEST(Toolkit3dsTree, ReadThenWriteIsByteIdentical)
{
    ScratchDir lDir;
    const Bytes lFile =
        StampedFile(Cat({Chunk(0x9999, Bytes{1, 2, 3, 4, 5}), Chunk(0x2200, Floats({1, 2, 3, 4})),
                         Chunk(0x7012, Cat({U16(1), U16(2), U16(3), U16(4), U16(5), U16(6), U16(7),
                                            Floats({1, 2, 3, 4, 5, 6}),
                                            Bytes{'T', 'o', 'p', 0, 0, 0, 0, 0, 0, 0, 0}})),
                         Chunk(0x8000, Chunk(0x8001, Cat({Chunk(0x8002, Str("any text")),
                                                          Chunk(0x8003, Str("more"))})))}),
                    Chunk(0xB008, Cat({U32(2), U32(9)})));
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
    WriteHeader3ds(lKit, {0x4D4D, 77});
    WriteString3ds(lKit, "ab");
    WriteFixedString3ds(lKit, "cd", 4);
    WriteTrackHeader3ds(lKit, {1, 2, 3, 4});
    KeyHeader3ds lKey;
    lKey.mTime = 9;
    lKey.mFlags = 0x0012;
    lKey.mValues[1] = 0.5f;
    lKey.mValues[4] = 0.25f;
    WriteKeyHeader3ds(lKit, lKey);
    WriteFixedString3ds(lKit, "toolong", 4);
    CloseFile3ds(lKit, lOut);
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
                           U16(0x4D4D),
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
