#include "core/KByteSource.h"

#include "io/KReader.h"
#include "io/KStreamOptions.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
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

// Writes pBytes into the FIFO pPath from another thread, as a user's pipe would, for as long as
// the source may open it; answers whether the source opened it.
bool OpenFedFifo(KByteSource& ioSource, const std::string& pPath, const std::string& pBytes)
{
    std::atomic<bool> lDone{false};
    std::thread lWriter([&] {
        // Without blocking: a source that refuses the FIFO never opens it for a writer to meet.
        int lPipe = -1;
        while (lPipe < 0 && !lDone) {
            lPipe = open(pPath.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            std::this_thread::yield();
        }
        if (lPipe >= 0) {
            static_cast<void>(write(lPipe, pBytes.data(), pBytes.size()));
            close(lPipe);
        }
    });
    const bool lOpened = ioSource.OpenFile(pPath.c_str(), true);
    lDone = true;
    lWriter.join();
    return lOpened;
}

TEST(KByteSource, RefusesFifosAndSocketsAsDevices)
{
    TempFolder lFolder;
    const std::string lFifo = lFolder.PathOf("pipe.trc");
    ASSERT_EQ(mkfifo(lFifo.c_str(), 0600), 0);
    KByteSource lSource;
    // Fed or not, a FIFO neither stalls the open nor is read.
    ASSERT_FALSE(OpenFedFifo(lSource, lFifo, "PathFileType\t4\n"));
    EXPECT_EQ(lSource.GetErrorText(), lFifo + ": is not a regular file");
    EXPECT_FALSE(lSource.OpenFile(lFifo.c_str(), false));
    EXPECT_EQ(lSource.GetReason(), "is not a regular file");

    const std::string lSocketPath = lFolder.PathOf("socket.obj");
    const int lSocket = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(lSocket, 0);
    sockaddr_un lAddress{};
    lAddress.sun_family = AF_UNIX;
    ASSERT_LT(lSocketPath.size(), sizeof(lAddress.sun_path));
    std::memcpy(lAddress.sun_path, lSocketPath.c_str(), lSocketPath.size() + 1);
    ASSERT_EQ(bind(lSocket, reinterpret_cast<sockaddr*>(&lAddress), sizeof(lAddress)), 0);
    EXPECT_FALSE(lSource.OpenFile(lSocketPath.c_str(), true));
    EXPECT_EQ(lSource.GetReason(), "is not a regular file");
    close(lSocket);
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
