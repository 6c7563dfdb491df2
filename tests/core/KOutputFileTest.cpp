#include "core/KOutputFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// A fresh folder per test, holding the target "out.txt" with "old" in it.
class KOutputFileTest : public testing::Test
{
protected:
    void SetUp() override
    {
        mFolder = fs::path(testing::TempDir()) /
                  ("outputfile-" + std::to_string(getpid()) + "-" +
                   std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(mFolder);
        fs::create_directories(mFolder);
        mTarget = (mFolder / "out.txt").string();
        std::ofstream(mTarget) << "old";
    }
    void TearDown() override { fs::remove_all(mFolder); }

    static std::string Read(const std::string& pPath)
    {
        std::ifstream lIn(pPath, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(lIn), {});
    }
    int FileCount() const
    {
        return static_cast<int>(std::distance(fs::directory_iterator(mFolder), {}));
    }

    fs::path mFolder;
    std::string mTarget;
};

TEST_F(KOutputFileTest, OnlyCommitReplacesTheTarget)
{
    // How the writing ends -> what the target holds; no other file is ever left in the folder.
    enum EEnd { eCommit, eDiscard, eDestroy };
    const struct
    {
        EEnd mEnd;
        const char* mExpected;
    } kCases[] = {{eCommit, "new"}, {eDiscard, "old"}, {eDestroy, "old"}};
    for (const auto& lCase : kCases) {
        std::ofstream(mTarget) << "old";
        {
            KOutputFile lFile;
            ASSERT_TRUE(lFile.Create(mTarget.c_str()));
            std::fputs("new", lFile.GetStream());
            EXPECT_EQ(Read(mTarget), "old");
            EXPECT_EQ(FileCount(), 2);
            if (lCase.mEnd == eCommit) {
                EXPECT_TRUE(lFile.Commit());
            } else if (lCase.mEnd == eDiscard) {
                lFile.Discard();
            }
        }
        EXPECT_EQ(Read(mTarget), lCase.mExpected) << lCase.mEnd;
        EXPECT_EQ(FileCount(), 1) << lCase.mEnd;
    }
}

TEST_F(KOutputFileTest, KeepsPermissionsAndWritesThroughLinks)
{
    chmod(mTarget.c_str(), 0640);
    const std::string lLink = (mFolder / "link.txt").string();
    fs::create_symlink(mTarget, lLink);
    KOutputFile lFile;
    ASSERT_TRUE(lFile.Create(lLink.c_str()));
    std::fputs("new", lFile.GetStream());
    ASSERT_TRUE(lFile.Commit());
    EXPECT_TRUE(fs::is_symlink(lLink));
    EXPECT_EQ(Read(mTarget), "new");
    struct stat lStat;
    ASSERT_EQ(stat(mTarget.c_str(), &lStat), 0);
    EXPECT_EQ(lStat.st_mode & 07777, 0640u);
}

TEST_F(KOutputFileTest, RefusalsLeaveNothingBehind)
{
    KOutputFile lFile;
    EXPECT_FALSE(lFile.Create(nullptr));
    EXPECT_FALSE(lFile.Create(""));
    EXPECT_FALSE(lFile.Create((mFolder / "missing" / "out.txt").c_str()));
    EXPECT_FALSE(lFile.IsOpen());
    EXPECT_FALSE(lFile.Commit());
    EXPECT_EQ(FileCount(), 1);
}

TEST_F(KOutputFileTest, ADeviceIsWrittenInPlace)
{
    // Renaming over /dev/full would replace the device; its full disk shows at Commit.
    struct stat lStat;
    if (stat("/dev/full", &lStat) != 0 || !S_ISCHR(lStat.st_mode)) {
        GTEST_SKIP() << "no /dev/full";
    }
    KOutputFile lFile;
    ASSERT_TRUE(lFile.Create("/dev/full"));
    std::fputs("new", lFile.GetStream());
    EXPECT_FALSE(lFile.Commit());
    ASSERT_EQ(stat("/dev/full", &lStat), 0);
    EXPECT_TRUE(S_ISCHR(lStat.st_mode));
}

} // namespace
