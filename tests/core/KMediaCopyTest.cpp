#include "core/KMediaCopy.h"

#include "core/KOutputGroup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& pPath)
{
    std::ifstream lIn(pPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(lIn), {});
}

TEST(KMediaCopy, CopiesOnlyRegularFilesFromTheSourceFolder)
{
    const fs::path lRoot = fs::path(testing::TempDir()) / ("mediacopy-" + std::to_string(getpid()));
    fs::remove_all(lRoot);
    fs::create_directories(lRoot / "in" / "tex");
    fs::create_directories(lRoot / "out");
    std::ofstream(lRoot / "in" / "tex" / "wood.png") << "wood";
    std::ofstream(lRoot / "secret.txt") << "secret";
    std::ofstream(lRoot / "out" / "kept.png") << "kept";
    const std::string lPipe = (lRoot / "in" / "pipe.png").string();
    ASSERT_EQ(mkfifo(lPipe.c_str(), 0600), 0);
    const std::string lIn = (lRoot / "in").string();

    const struct
    {
        std::string mSource;
        const char* mRelative;
        const char* mTarget;
        KMediaCopy::EResult mResult;
        const char* mMessage;
    } kCases[] = {
        {lIn + "/tex/wood.png", "tex/wood.png", "wood.png", KMediaCopy::eCopied, "\" copied to \""},
        // Named by a program rather than by a file: copied from wherever it is, and reported.
        {(lRoot / "secret.txt").string(), "", "a.txt", KMediaCopy::eCopied, "\" copied to \""},
        {lIn + "/../secret.txt", "../secret.txt", "b.txt", KMediaCopy::eOutsideSourceFolder,
         "lies outside the folder"},
        {(lRoot / "secret.txt").string(), "/etc/../secret.txt", "c.txt",
         KMediaCopy::eOutsideSourceFolder, "lies outside the folder"},
        {(lRoot / "secret.txt").string(), "tex\\..\\..\\secret.txt", "d.txt",
         KMediaCopy::eOutsideSourceFolder, "lies outside the folder"},
        {"/dev/zero", nullptr, "zero.png", KMediaCopy::eNotRegularFile, "not a regular file"},
        {lPipe, "pipe.png", "pipe.png", KMediaCopy::eNotRegularFile, "not a regular file"},
        {lIn, "", "folder.png", KMediaCopy::eNotRegularFile, "not a regular file"},
        {lIn + "/gone.png", "gone.png", "gone.png", KMediaCopy::eMissing,
         "Unable to locate texture file"},
        // A different file standing at the target is kept, and the texture not copied is named.
        {lIn + "/tex/wood.png", "tex/wood.png", "kept.png", KMediaCopy::eTargetExists,
         "wood.png\" not copied: a different file \""},
        // The same bytes there already: nothing to say.
        {lIn + "/tex/wood.png", "tex/wood.png", "wood.png", KMediaCopy::eTargetExists, nullptr},
        {lIn + "/tex/wood.png", "tex/wood.png", "no/folder.png", KMediaCopy::eWriteFailed,
         "Error writing texture file"},
    };
    for (const auto& lCase : kCases) {
        const fs::path lTarget = lRoot / "out" / lCase.mTarget;
        const bool lExisted = fs::exists(lTarget);
        KString lMessage;
        EXPECT_EQ(KMediaCopy::Copy(lCase.mSource.c_str(), lCase.mRelative, lTarget.string().c_str(),
                                   lMessage),
                  lCase.mResult)
            << lCase.mSource;
        if (lCase.mMessage) {
            EXPECT_NE(lMessage.Find(lCase.mMessage), -1) << lMessage.Buffer();
            EXPECT_EQ(lMessage.Find("\n"), lMessage.GetLen() - 1) << lMessage.Buffer();
        } else {
            EXPECT_TRUE(lMessage.IsEmpty()) << lMessage.Buffer();
        }
        EXPECT_EQ(fs::exists(lTarget), lExisted || lCase.mResult == KMediaCopy::eCopied)
            << lCase.mSource;
    }
    EXPECT_EQ(ReadText(lRoot / "out" / "wood.png"), "wood");
    EXPECT_EQ(ReadText(lRoot / "out" / "kept.png"), "kept");
    EXPECT_EQ(std::distance(fs::directory_iterator(lRoot / "out"), {}), 3);
    fs::remove_all(lRoot);
}

} // namespace

// A name is found as given, else part by part without regard to case (the first match in byte
// order); a name leading out of the folder, or one nothing matches, comes back as given.
TEST(KMediaCopy, LocateFindsNamesWithoutRegardToCase)
{
    const fs::path lRoot = fs::path(testing::TempDir()) / ("mediafind-" + std::to_string(getpid()));
    fs::remove_all(lRoot);
    fs::create_directories(lRoot / "in" / "Maps");
    std::ofstream(lRoot / "in" / "IMAGE1.jpg") << "1";
    std::ofstream(lRoot / "in" / "Maps" / "wood.PNG") << "w";
    std::ofstream(lRoot / "in" / "Maps" / "Wood.png") << "W";
    std::ofstream(lRoot / "outside.png") << "o";
    const std::string lIn = (lRoot / "in").string();
    struct Case
    {
        const char* mGiven;
        const char* mFound;
    };
    // A folder of the file's name in another case does not hide the file.
    fs::create_directories(lRoot / "in" / "red.tga");
    std::ofstream(lRoot / "in" / "RED.TGA") << "r";
    const Case kCases[] = {{"red.tga", "RED.TGA"},
                           {"Red.Tga", "RED.TGA"},
                           {"IMAGE1.jpg", "IMAGE1.jpg"},
                           {"IMAGE1.JPG", "IMAGE1.jpg"},
                           {"image1.Jpg", "IMAGE1.jpg"},
                           {"maps\\WOOD.png", "Maps/Wood.png"},
                           {"MAPS/wood.png", "Maps/Wood.png"},
                           {"Maps/wood.PNG", "Maps/wood.PNG"},
                           {"../OUTSIDE.png", "../OUTSIDE.png"},
                           {"/etc/PASSWD", "/etc/PASSWD"},
                           {"none.jpg", "none.jpg"},
                           {"", ""}};
    for (const Case& lCase : kCases) {
        EXPECT_EQ(KMediaCopy::Locate(lIn.c_str(), lCase.mGiven), lCase.mFound) << lCase.mGiven;
    }
    fs::remove_all(lRoot);
}

// The bytes this process has read through read() and pread() so far.
long long BytesReadByProcess()
{
    std::ifstream lIo("/proc/self/io");
    std::string lKey;
    long long lValue = -1;
    while (lIo >> lKey >> lValue) {
        if (lKey == "rchar:") {
            return lValue;
        }
    }
    return -1;
}

TEST(KMediaCopy, LoadRefusesAFileTooLargeWithoutReadingIt)
{
    const fs::path lRoot = fs::path(testing::TempDir()) / ("mediaload-" + std::to_string(getpid()));
    fs::remove_all(lRoot);
    fs::create_directories(lRoot);
    // Sparse: 64 MiB that take no room on the disk.
    constexpr std::size_t kSize = 64u << 20;
    constexpr std::size_t kLimit = 16u << 20;
    const std::string lLarge = (lRoot / "large.png").string();
    std::ofstream(lLarge).close();
    fs::resize_file(lLarge, kSize);
    const long long lBefore = BytesReadByProcess();
    if (lBefore < 0) {
        fs::remove_all(lRoot);
        GTEST_SKIP() << "no /proc/self/io";
    }
    std::vector<std::uint8_t> lBytes;
    KString lMessage;
    EXPECT_EQ(KMediaCopy::Load(lLarge.c_str(), nullptr, kLimit, lBytes, lMessage),
              KMediaCopy::eTooLarge);
    // What the check itself reads (the process's own status) stays far below a block.
    EXPECT_LT(BytesReadByProcess() - lBefore, 4096);
    EXPECT_TRUE(lBytes.empty());
    EXPECT_STREQ(lMessage.Buffer(), ("Media file \"" + lLarge +
                                     "\" not embedded: it holds 67108864 bytes, more than "
                                     "16777216.\n")
                                        .c_str());
    fs::remove_all(lRoot);
}

TEST(KMediaCopy, ACopyInAGroupComesOnlyWithTheGroupsCommit)
{
    const fs::path lRoot =
        fs::path(testing::TempDir()) / ("mediagroup-" + std::to_string(getpid()));
    fs::remove_all(lRoot);
    fs::create_directories(lRoot);
    const std::string lSource = (lRoot / "source.png").string();
    std::ofstream(lSource) << "wood";
    const std::string lTarget = (lRoot / "wood.png").string();
    for (const bool lCommit : {false, true}) {
        KOutputGroup lGroup((lRoot / "scene.obj").string());
        KString lMessage;
        EXPECT_EQ(KMediaCopy::Copy(lSource.c_str(), nullptr, lTarget.c_str(), lMessage, &lGroup),
                  KMediaCopy::eCopied);
        EXPECT_FALSE(fs::exists(lTarget));
        if (lCommit) {
            EXPECT_TRUE(lGroup.Commit());
        }
    }
    EXPECT_EQ(ReadText(lTarget), "wood");
    EXPECT_EQ(std::distance(fs::directory_iterator(lRoot), {}), 2);
    fs::remove_all(lRoot);
}
