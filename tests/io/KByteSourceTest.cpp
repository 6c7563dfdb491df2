#include "core/KByteSource.h"

#include "io/KReader.h"
#include "io/KStreamOptions.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

std::string ReadAll(const KByteSource& pSource)
{
    std::string lBytes;
    char lBlock[4096];
    for (std::size_t lRead;
         (lRead = std::fread(lBlock, 1, sizeof lBlock, pSource.GetStream())) > 0;) {
        lBytes.append(lBlock, lRead);
    }
    return lBytes;
}

// A text block larger than the one looked at for binary data, a zero byte right after it.
std::string LongText()
{
    std::string lText;
    while (lText.size() <= KByteSource::kFirstBlockSize) {
        lText += "v 1.5 2.5 3.5\n";
    }
    return lText;
}

TEST(KByteSource, FileAndMemoryServeTheSameSeekableBytes)
{
    TempFolder lFolder;
    const std::string lText = LongText() + std::string(1, '\0') + "tail";
    const std::string lPath = lFolder.Write("a.obj", lText);
    KByteSource lFile;
    KByteSource lMemory;
    ASSERT_TRUE(lFile.OpenFile(lPath.c_str(), true)) << lFile.GetErrorText();
    ASSERT_TRUE(lMemory.OpenMemory(lText.data(), lText.size(), "mem.obj", true));
    for (KByteSource* lSource : {&lFile, &lMemory}) {
        EXPECT_EQ(lSource->GetSize(), lText.size());
        EXPECT_EQ(ReadAll(*lSource), lText);
        ASSERT_EQ(std::fseek(lSource->GetStream(), 3, SEEK_SET), 0);
        EXPECT_EQ(std::fgetc(lSource->GetStream()), '.');
    }
    EXPECT_EQ(lFile.GetName(), lPath);
    EXPECT_EQ(lMemory.GetName(), "mem.obj");
    lMemory.Close();
    EXPECT_FALSE(lMemory.IsOpen());
    EXPECT_EQ(lMemory.GetSize(), 0u);

    // Empty memory, with or without a pointer, is an empty stream.
    for (const void* lData : {static_cast<const void*>(""), static_cast<const void*>(nullptr)}) {
        ASSERT_TRUE(lMemory.OpenMemory(lData, 0, "empty.bvh", true));
        EXPECT_EQ(std::fgetc(lMemory.GetStream()), EOF);
    }
    EXPECT_FALSE(lMemory.OpenMemory(nullptr, 3, "null.bvh", false));
    EXPECT_EQ(lMemory.GetErrorText(), "null.bvh: no data");
}

TEST(KByteSource, RefusesWhatIsNoRegularFileAndBinaryText)
{
    TempFolder lFolder;
    const std::string lBinary = lFolder.Write("z.obj", std::string("v 1 2 3\n\0\0", 10));
    struct Case
    {
        std::string mPath;
        bool mText;
        const char* mReason;
    };
    const Case lCases[] = {
        {lFolder.Path(), false, "is a directory"},
        {"/dev/zero", false, "is not a regular file"},
        {"/dev/null", true, "is not a regular file"},
        {lFolder.PathOf("missing.obj"), false, "no such file"},
        {lBinary, true, "holds binary data, not text"},
        {"", false, "no file name"},
    };
    for (const Case& lCase : lCases) {
        KByteSource lSource;
        EXPECT_FALSE(lSource.OpenFile(lCase.mPath.c_str(), lCase.mText)) << lCase.mPath;
        EXPECT_FALSE(lSource.IsOpen());
        EXPECT_EQ(lSource.GetErrorText(), lCase.mPath + ": " + lCase.mReason);
        EXPECT_EQ(lSource.HoldsBinaryData(), lCase.mPath == lBinary) << lCase.mPath;
    }
    // Binary data is only refused as text, and only in the first block.
    KByteSource lSource;
    EXPECT_TRUE(lSource.OpenFile(lBinary.c_str(), false));
    const std::string lLate = std::string(KByteSource::kFirstBlockSize, '\n') + '\0';
    EXPECT_TRUE(lSource.OpenMemory(lLate.data(), lLate.size(), "late.obj", true));
    EXPECT_FALSE(lSource.OpenMemory(lLate.data() + 1, lLate.size() - 1, "last.obj", true));
    EXPECT_FALSE(lSource.OpenFile(nullptr, false));
}

TEST(KByteSource, PermissionDeniedIsNamed)
{
    if (geteuid() == 0) {
        GTEST_SKIP() << "permissions do not bind the superuser";
    }
    TempFolder lFolder;
    const std::string lPath = lFolder.Write("locked.bvh", "HIERARCHY\n");
    ASSERT_EQ(chmod(lPath.c_str(), 0), 0);
    KByteSource lSource;
    EXPECT_FALSE(lSource.OpenFile(lPath.c_str(), true));
    EXPECT_EQ(lSource.GetReason(), "permission denied");
}

// Writes pBytes into the FIFO pPath from another thread, as a user's pipe would.
void ReadFifo(KByteSource& ioSource, const std::string& pPath, const std::string& pBytes,
              bool pText, bool pExpectOpen)
{
    std::thread lWriter([&] {
        std::FILE* lPipe = std::fopen(pPath.c_str(), "wb");
        if (lPipe) {
            std::fwrite(pBytes.data(), 1, pBytes.size(), lPipe);
            std::fclose(lPipe);
        }
    });
    EXPECT_EQ(ioSource.OpenFile(pPath.c_str(), pText), pExpectOpen) << ioSource.GetErrorText();
    lWriter.join();
}

TEST(KByteSource, AFifoIsReadOnceIntoMemory)
{
    TempFolder lFolder;
    const std::string lPath = lFolder.PathOf("pipe.obj");
    ASSERT_EQ(mkfifo(lPath.c_str(), 0600), 0);
    const std::string lText = LongText() + LongText();
    KByteSource lSource;
    ReadFifo(lSource, lPath, lText, true, true);
    EXPECT_EQ(lSource.GetSize(), lText.size());
    EXPECT_EQ(ReadAll(lSource), lText);
    // Seeking works on the copy, so a reader may go over it twice.
    ASSERT_EQ(std::fseek(lSource.GetStream(), 0, SEEK_SET), 0);
    EXPECT_EQ(ReadAll(lSource), lText);

    // Binary data through a pipe stops at the first block; the writer then meets a closed pipe.
    std::signal(SIGPIPE, SIG_IGN);
    ReadFifo(lSource, lPath, std::string(2 * KByteSource::kFirstBlockSize, '\0'), true, false);
    EXPECT_TRUE(lSource.HoldsBinaryData());
}

// Keeps the source a reader is given.
class SourceReader : public KReader
{
public:
    SourceReader() : KReader(nullptr, true) {}
    bool FileClose() override
    {
        mSource.reset();
        return true;
    }
    bool IsFileOpen() override { return mSource != nullptr; }
    std::unique_ptr<KStreamOptions> GetReadOptions() override { return nullptr; }
    bool Read(KRyvScene*, KStreamOptions*) override { return false; }

    std::unique_ptr<KByteSource> mSource;

private:
    bool OpenSource(std::unique_ptr<KByteSource> pSource) override
    {
        mSource = std::move(pSource);
        return true;
    }
};

TEST(KReaderTest, OpenPassesTheSourceOnOrSaysWhyNot)
{
    TempFolder lFolder;
    SourceReader lReader;
    ASSERT_TRUE(lReader.MemoryOpen("v 1 2 3\n", 8, "m.obj"));
    EXPECT_EQ(lReader.mSource->GetName(), "m.obj");

    EXPECT_FALSE(lReader.FileOpen(lFolder.Path().c_str()));
    // A refused open closes the source that was open.
    EXPECT_FALSE(lReader.IsFileOpen());
    EXPECT_EQ(lReader.GetError().GetLastErrorID(), KReader::kFileNotOpened);
    EXPECT_EQ(std::string(lReader.GetError().GetLastErrorString().Buffer()),
              lFolder.Path() + ": is a directory");

    EXPECT_FALSE(lReader.MemoryOpen("\0\0", 2, "z.obj"));
    EXPECT_EQ(lReader.GetError().GetLastErrorID(), KReader::kFileCorrupted);
    EXPECT_STREQ(lReader.GetError().GetLastErrorString().Buffer(),
                 "z.obj: holds binary data, not text");
}

} // namespace
