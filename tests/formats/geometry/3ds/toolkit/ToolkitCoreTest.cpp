// Error stack, file table and database kinds of a toolkit run.
#include "tests/formats/geometry/3ds/toolkit/Toolkit3dsTestSupport.h"

#include <gtest/gtest.h>

#include "core/KByteSource.h"

#include <filesystem>

using namespace test3ds;

TEST(Toolkit3dsErrors, StackKeepsNineteenThenOverflowThenNErrors)
{
    ErrorStack3ds lStack;
    PushError3ds(lStack, NO_FTK_ERRORS);
    EXPECT_FALSE(lStack.mPending);
    for (int i = 1; i <= 19; ++i) {
        PushError3ds(lStack, i);
    }
    EXPECT_EQ(lStack.mRecords[18].mCode, 19);
    EXPECT_EQ(lStack.mOverflow.mCode, NO_FTK_ERRORS);
    PushError3ds(lStack, ERR_NO_MEM);
    EXPECT_EQ(lStack.mOverflow.mCode, ERR_NO_MEM);
    for (int i = 0; i < 5; ++i) {
        PushError3ds(lStack, ERR_INVALID_ARG);
    }
    EXPECT_TRUE(lStack.mPending);
    EXPECT_EQ(lStack.mRecords[0].mCode, 1);
    EXPECT_EQ(lStack.mOverflow.mCode, N_ERRORS);
    EXPECT_STREQ(lStack.mOverflow.mText,
                 "N_ERRORS: More errors were reported then could be recorded.");
}

TEST(Toolkit3dsErrors, TextsOfCodes)
{
    EXPECT_STREQ(ErrorText3ds(0), "NO_FTK_ERRORS: No errors are pending");
    EXPECT_STREQ(ErrorText3ds(13), "ERR_READING_FILE: Error occured while reading file");
    EXPECT_STREQ(ErrorText3ds(19), "ERR_TOO_MANY_FILES: The toolkit has reached its maximum open "
                                   "file limit of 252 files.");
    for (int lCode : {20, 21, 23, -1}) {
        EXPECT_STREQ(ErrorText3ds(lCode), "Unknown error code was encountered");
    }
}

TEST(Toolkit3dsFiles, ModesAndSameNameTwice)
{
    ScratchDir lDir;
    const std::string lPath = lDir.Write("a.3ds", Chunk(Tag3ds::kM3dMagic));
    Toolkit3dsContext lKit;
    FileRecord3ds* lRead = OpenFile3ds(lKit, lPath.c_str(), "rb");
    ASSERT_NE(lRead, nullptr);
    EXPECT_EQ(OpenFile3ds(lKit, lPath.c_str(), "r"), lRead);
    EXPECT_EQ(OpenFile3ds(lKit, lPath.c_str(), "xyz"), nullptr);
    EXPECT_EQ(lKit.mFiles.mCount, 1);
    const std::string lOther = lDir.Path("b.3ds");
    FileRecord3ds* lWrite = OpenFile3ds(lKit, lOther.c_str(), "wr");
    ASSERT_NE(lWrite, nullptr);
    EXPECT_EQ(lWrite->mMode, FileRecord3ds::kModeWrite);
    EXPECT_EQ(lKit.mErrors.mRecords[0].mCode, ERR_INIT_FAILED);
    EXPECT_EQ(OpenFile3ds(lKit, lOther.c_str(), std::string(32, 'r').c_str()), nullptr);
    EXPECT_EQ(lKit.mErrors.mRecords[1].mCode, ERR_STRING_TOO_LONG);
    EXPECT_EQ(OpenFile3ds(lKit, nullptr, "r"), nullptr);
    EXPECT_EQ(OpenFile3ds(lKit, lDir.Path("missing").c_str(), "r"), nullptr);
    EXPECT_EQ(lKit.mErrors.mRecords[3].mCode, ERR_OPENING_FILE);
    EXPECT_EQ(lKit.mFiles.mCount, 2);
}

std::size_t FilesIn(const ScratchDir& pDir)
{
    std::size_t lCount = 0;
    for (const auto& lEntry : std::filesystem::directory_iterator(pDir.Path(""))) {
        lCount += lEntry.is_regular_file() ? 1 : 0;
    }
    return lCount;
}

TEST(Toolkit3dsFiles, WritingOverTheOpenSourceKeepsItReadable)
{
    ScratchDir lDir;
    const std::string lPath =
        lDir.Write("scene.3ds", StampedFile(Chunk(Tag3ds::kMasterScale, F32(2.5f))));
    Toolkit3dsContext lKit;
    FileRecord3ds* lRead = OpenFile3ds(lKit, lPath.c_str(), "rb");
    std::unique_ptr<ChunkDatabase3ds> lDb;
    InitDatabase3ds(lKit, lDb);
    CreateDatabase3ds(lKit, lRead, lDb.get());
    FileRecord3ds* lWrite = OpenFile3ds(lKit, lPath.c_str(), "wb");
    ASSERT_NE(lWrite, nullptr);
    EXPECT_NE(lWrite, lRead);
    EXPECT_EQ(OpenFile3ds(lKit, lPath.c_str(), "w"), lWrite);
    std::unique_ptr<MeshSettings3ds> lSettings;
    GetMeshSettings3ds(lKit, lDb.get(), lSettings);
    EXPECT_FLOAT_EQ(lSettings->mMasterScale, 2.5f);
    lSettings->mMasterScale = 4.0f;
    PutMeshSettings3ds(lKit, lDb.get(), lSettings.get());
    WriteDatabase3ds(lKit, lWrite, lDb.get());
    CloseAllFiles3ds(lKit);
    EXPECT_FALSE(lKit.mErrors.mPending);
    EXPECT_EQ(FilesIn(lDir), 1u);
    auto lAgain = LoadFile(lPath);
    GetMeshSettings3ds(lAgain->mKit, lAgain->Db(), lSettings);
    EXPECT_FLOAT_EQ(lSettings->mMasterScale, 4.0f);
}

// A write that fails, or a run that never closes its file, leaves the target byte for byte.
TEST(Toolkit3dsFiles, AFailedWriteLeavesTheTargetAsItWas)
{
    ScratchDir lDir;
    const Bytes lOld = StampedFile(Chunk(Tag3ds::kMasterScale, F32(2.5f)));
    const std::string lPath = lDir.Write("scene.3ds", lOld);
    {
        std::unique_ptr<Loaded> lRun = NewDatabase();
        FileRecord3ds* lFile = OpenFile3ds(lRun->mKit, lPath.c_str(), "wb");
        std::unique_ptr<MeshObject3ds> lMesh;
        InitMeshObject3ds(lMesh, 1, 1, 0);
        lMesh->mName = "Bad";
        PutMesh3ds(lRun->mKit, lRun->Db(), lMesh.get());
        WriteDatabase3ds(lRun->mKit, lFile, lRun->Db());
        CloseAllFiles3ds(lRun->mKit);
        EXPECT_EQ(lRun->Codes(), (std::vector<int32_t>{ERR_INVALID_DATA, ERR_WRITING_DATABASE}));
    }
    EXPECT_EQ(ReadBytes(lPath), lOld);
    {
        std::unique_ptr<Loaded> lRun = NewDatabase();
        FileRecord3ds* lFile = OpenFile3ds(lRun->mKit, lPath.c_str(), "wb");
        WriteDatabase3ds(lRun->mKit, lFile, lRun->Db());
        EXPECT_FALSE(lRun->Failed());
    }
    EXPECT_EQ(ReadBytes(lPath), lOld);
    EXPECT_EQ(FilesIn(lDir), 1u);
}

TEST(Toolkit3dsFiles, ReadsAByteSource)
{
    const Bytes lFile = StampedFile(Chunk(Tag3ds::kMasterScale, F32(2.5f)));
    auto lSource = std::make_unique<KByteSource>();
    ASSERT_TRUE(lSource->OpenMemory(lFile.data(), lFile.size(), "memory.3ds", false));
    Toolkit3dsContext lKit;
    FileRecord3ds* lRecord = OpenSource3ds(lKit, std::move(lSource));
    ASSERT_NE(lRecord, nullptr);
    EXPECT_EQ(lRecord->mName, "memory.3ds");
    std::unique_ptr<ChunkDatabase3ds> lDb;
    InitDatabase3ds(lKit, lDb);
    CreateDatabase3ds(lKit, lRecord, lDb.get());
    std::unique_ptr<MeshSettings3ds> lSettings;
    GetMeshSettings3ds(lKit, lDb.get(), lSettings);
    EXPECT_FLOAT_EQ(lSettings->mMasterScale, 2.5f);
    EXPECT_FALSE(lKit.mErrors.mPending);
    EXPECT_EQ(OpenSource3ds(lKit, std::make_unique<KByteSource>()), nullptr);
    EXPECT_EQ(OpenSource3ds(lKit, nullptr), nullptr);
    EXPECT_EQ(lKit.mErrors.mRecords[0].mCode, ERR_OPENING_FILE);
    EXPECT_EQ(lKit.mErrors.mRecords[1].mCode, ERR_OPENING_FILE);
}

// The release stamp of a write reads the keyframer header from its closed source: the write
// fails, and says so after the cause.
TEST(Toolkit3dsFiles, EveryFailedWriteEndsWithWritingDatabase)
{
    ScratchDir lDir;
    auto lRun = LoadBytes(lDir, StampedFile({}));
    CloseAllFiles3ds(lRun->mKit);
    const std::string lOut = lDir.Path("out.3ds");
    FileRecord3ds* lFile = OpenFile3ds(lRun->mKit, lOut.c_str(), "wb");
    WriteDatabase3ds(lRun->mKit, lFile, lRun->Db());
    EXPECT_EQ(lRun->Codes(), (std::vector<int32_t>{ERR_READING_FILE, ERR_WRITING_DATABASE}));
    CloseAllFiles3ds(lRun->mKit);
    EXPECT_FALSE(std::filesystem::exists(lOut));
    Toolkit3dsContext lKit;
    WriteDatabase3ds(lKit, nullptr, lRun->Db());
    WriteDatabase3ds(lKit, lFile, nullptr);
    EXPECT_EQ(lKit.mErrors.mRecords[0].mCode, ERR_INVALID_ARG);
    EXPECT_EQ(lKit.mErrors.mRecords[1].mCode, ERR_WRITING_DATABASE);
    EXPECT_EQ(lKit.mErrors.mRecords[3].mCode, ERR_WRITING_DATABASE);
}

TEST(Toolkit3dsFiles, TableHolds252FilesAndReusesFreedSlots)
{
    ScratchDir lDir;
    Toolkit3dsContext lKit;
    std::vector<FileRecord3ds*> lFiles;
    for (int i = 0; i < 252; ++i) {
        lFiles.push_back(OpenFile3ds(lKit, lDir.Path(std::to_string(i)).c_str(), "w"));
    }
    EXPECT_NE(lFiles.back(), nullptr);
    EXPECT_EQ(OpenFile3ds(lKit, lDir.Path("253").c_str(), "w"), nullptr);
    EXPECT_EQ(lKit.mErrors.mRecords[0].mCode, ERR_TOO_MANY_FILES);
    CloseFile3ds(lKit, lFiles[7]);
    EXPECT_EQ(GetFileByIndex3ds(lKit, 7), nullptr);
    EXPECT_FALSE(IsFileIndexValid3ds(lKit, 7));
    EXPECT_TRUE(IsFileIndexValid3ds(lKit, 251));
    FileRecord3ds* lReused = OpenFile3ds(lKit, lDir.Path("again").c_str(), "w");
    ASSERT_NE(lReused, nullptr);
    EXPECT_EQ(lReused->mIndex, 7);
    SetCurrentFileByIndex3ds(lKit, 300);
    EXPECT_EQ(CurrentStream3ds(lKit), nullptr);
    SetCurrentFileByIndex3ds(lKit, 7);
    EXPECT_EQ(CurrentFileIndex3ds(lKit), 7);
    EXPECT_EQ(CurrentStream3ds(lKit), lReused->mStream);
    CloseAllFiles3ds(lKit);
    EXPECT_EQ(lKit.mFiles.mCount, 0);
    EXPECT_EQ(GetFileByIndex3ds(lKit, 0), nullptr);
}

TEST(Toolkit3dsFiles, RunsAreIndependent)
{
    ScratchDir lDir;
    const std::string lPath = lDir.Write("a.3ds", StampedFile({}));
    Toolkit3dsContext lFirst;
    Toolkit3dsContext lSecond;
    FileRecord3ds* lFile = OpenFile3ds(lFirst, lPath.c_str(), "r");
    // Closing the first run's file through the second run is refused and leaves it open.
    CloseFile3ds(lSecond, lFile);
    EXPECT_TRUE(lSecond.mErrors.mPending);
    EXPECT_FALSE(lFirst.mErrors.mPending);
    CloseAllFiles3ds(lSecond);
    EXPECT_EQ(GetFileByIndex3ds(lFirst, 0), lFile);
    EXPECT_NE(lFile->mStream, nullptr);
}

TEST(Toolkit3dsDatabase, KindsAndForeignFiles)
{
    ScratchDir lDir;
    for (const auto& [lTag, lKind] : {std::pair<uint16_t, int>{Tag3ds::kM3dMagic, 1},
                                      {Tag3ds::kCmagic, 2},
                                      {Tag3ds::kMlibMagic, 3},
                                      {0x1234, 0}}) {
        auto lRun = LoadBytes(lDir, Chunk(lTag, Chunk(Tag3ds::kVersion, U32(3))));
        EXPECT_FALSE(lRun->Failed()) << lTag;
        EXPECT_EQ(GetDatabaseKind3ds(lRun->Db()), lKind);
        EXPECT_EQ(lRun->Db()->mTopChunk->mChildren == nullptr, lKind == 0);
    }
    EXPECT_EQ(GetDatabaseKind3ds(nullptr), 0);
    std::unique_ptr<Loaded> lRun = NewDatabase();
    InitDatabaseOfKind3ds(lRun->mKit, lRun->Db(), 7);
    EXPECT_EQ(lRun->Db()->mTopChunk->mTag, 0u);
    ReleaseDatabase3ds(lRun->mDatabase);
    EXPECT_EQ(lRun->mDatabase, nullptr);
}

TEST(Toolkit3dsDatabase, AFailedReadLeavesTheNextRunClean)
{
    ScratchDir lDir;
    auto lBad = LoadBytes(lDir, Chunk(Tag3ds::kM3dMagic, Bytes{1, 2, 3}));
    EXPECT_EQ(lBad->Codes(), (std::vector<int32_t>{ERR_INVALID_CHUNK, ERR_READING_DATABASE,
                                                   ERR_CREATING_DATABASE}));
    auto lGood = LoadBytes(lDir, StampedFile(Chunk(Tag3ds::kMasterScale, F32(1.0f))));
    EXPECT_FALSE(lGood->Failed());
    EXPECT_EQ(GetDatabaseKind3ds(lGood->Db()), 1);
}
