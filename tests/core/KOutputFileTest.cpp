#include "core/KOutputFile.h"

#include "core/KOutputGroup.h"
#include "tests/core/FileCallHooks.h"
#include "tests/core/OutputTestFolder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

namespace {

namespace fs = std::filesystem;

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
            // Unnamed where the file system allows, else a hidden file beside the target.
            EXPECT_LE(FileCount(), 2);
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

// A child process opens the target through KOutputFile, writes 4 MB, tells the parent through a
// pipe and waits; the parent sends pSignal and answers how the child ended. With pSide the
// target is written in a group after the side file pSide, which is whole and handed over.
int InterruptedWrite(const std::string& pTarget, bool pAllowUnnamed, int pSignal,
                     const std::string& pSide = std::string())
{
    int lPipe[2];
    if (pipe(lPipe) != 0) {
        return -1;
    }
    const pid_t lChild = fork();
    if (lChild == 0) {
        close(lPipe[0]);
        KOutputFile::InstallInterruptCleanup();
        KOutputGroup lGroup(pTarget);
        KOutputFile lSide(pAllowUnnamed);
        lSide.SetGroup(&lGroup);
        if (!pSide.empty() && (!lSide.Create(pSide.c_str()) ||
                               std::fputs("new", lSide.GetStream()) < 0 || !lSide.Commit())) {
            _exit(5);
        }
        KOutputFile lFile(pAllowUnnamed);
        lFile.SetGroup(pSide.empty() ? nullptr : &lGroup);
        if (!lFile.Create(pTarget.c_str())) {
            _exit(3);
        }
        const std::string lBlock(1 << 20, 'x');
        for (int i = 0; i < 4; ++i) {
            std::fwrite(lBlock.data(), 1, lBlock.size(), lFile.GetStream());
        }
        std::fflush(lFile.GetStream());
        const char lReady = 'r';
        if (write(lPipe[1], &lReady, 1) != 1) {
            _exit(4);
        }
        for (;;) {
            pause();
        }
    }
    close(lPipe[1]);
    char lReady = 0;
    const bool lWriting = read(lPipe[0], &lReady, 1) == 1;
    close(lPipe[0]);
    kill(lChild, lWriting ? pSignal : SIGKILL);
    int lStatus = 0;
    waitpid(lChild, &lStatus, 0);
    return lWriting && WIFSIGNALED(lStatus) ? WTERMSIG(lStatus) : -1;
}

TEST_F(KOutputFileTest, AnInterruptedWriteLeavesOnlyTheTarget)
{
    // Unnamed temporary files leave nothing even when killed; named ones are removed by the
    // cleanup for the signals that can be caught, which then end the process as they would.
    const struct
    {
        bool mAllowUnnamed;
        int mSignal;
    } kCases[] = {
        {true, SIGKILL}, {true, SIGTERM}, {false, SIGINT}, {false, SIGTERM}, {false, SIGHUP}};
    for (const auto& lCase : kCases) {
        SCOPED_TRACE(std::to_string(lCase.mAllowUnnamed) + " " + std::to_string(lCase.mSignal));
        EXPECT_EQ(InterruptedWrite(mTarget, lCase.mAllowUnnamed, lCase.mSignal), lCase.mSignal);
        EXPECT_EQ(Read(mTarget), "old");
        EXPECT_EQ(FileCount(), 1);
    }
}

TEST_F(KOutputFileTest, NamedAndUnnamedTemporariesCommitAlike)
{
    chmod(mTarget.c_str(), 0604);
    for (bool lAllowUnnamed : {true, false}) {
        KOutputFile lFile(lAllowUnnamed);
        ASSERT_TRUE(lFile.Create(mTarget.c_str()));
        std::fputs(lAllowUnnamed ? "unnamed" : "named", lFile.GetStream());
        ASSERT_TRUE(lFile.Commit());
        EXPECT_EQ(Read(mTarget), lAllowUnnamed ? "unnamed" : "named");
        struct stat lStat;
        ASSERT_EQ(stat(mTarget.c_str(), &lStat), 0);
        EXPECT_EQ(lStat.st_mode & 07777, 0604u);
        EXPECT_EQ(FileCount(), 1);
    }
    // A new target takes the mode a plain fopen would give it.
    const std::string lNew = (mFolder / "new.txt").string();
    const mode_t lMask = umask(022);
    KOutputFile lFile;
    ASSERT_TRUE(lFile.Create(lNew.c_str()));
    ASSERT_TRUE(lFile.Commit());
    umask(lMask);
    struct stat lStat;
    ASSERT_EQ(stat(lNew.c_str(), &lStat), 0);
    EXPECT_EQ(lStat.st_mode & 07777, 0644u);
}

TEST_F(KOutputFileTest, TargetsOfNamesUpToTheLimitAreWritten)
{
    // The temporary file's name beside the target must fit the same limit.
    for (const bool lAllowUnnamed : {true, false}) {
        for (const std::size_t lLength : {245, 250, 255}) {
            SCOPED_TRACE(std::to_string(lAllowUnnamed) + " " + std::to_string(lLength));
            const std::string lTarget =
                (mFolder / (std::string(lLength - 4, 'n') + ".txt")).string();
            KOutputFile lFile(lAllowUnnamed);
            ASSERT_TRUE(lFile.Create(lTarget.c_str())) << std::strerror(errno);
            std::fputs("long", lFile.GetStream());
            ASSERT_TRUE(lFile.Commit()) << std::strerror(errno);
            EXPECT_EQ(Read(lTarget), "long");
            EXPECT_EQ(FileCount(), 2);
            fs::remove(lTarget);
        }
    }
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

TEST_F(KOutputGroupTest, OnlyTheGroupsCommitReplacesTheTargets)
{
    // How the group ends -> what both targets hold; no other file is ever left in the folder.
    enum EEnd { eCommit, eDiscard, eDestroy, eOneMissing };
    for (EEnd lEnd : {eCommit, eDiscard, eDestroy, eOneMissing}) {
        std::ofstream(mTarget) << "old";
        std::ofstream(mSide) << "old side";
        {
            KOutputGroup lGroup(mTarget);
            ASSERT_TRUE(WriteInGroup(lGroup, mSide, "new side"));
            // A writer that fails drops its file, and its caller the group.
            if (lEnd != eOneMissing) {
                ASSERT_TRUE(WriteInGroup(lGroup, mTarget, "new"));
            }
            EXPECT_EQ(Read(mSide), "old side");
            EXPECT_EQ(Read(mTarget), "old");
            if (lEnd == eCommit) {
                EXPECT_EQ(lGroup.GetCount(), 2);
                EXPECT_TRUE(lGroup.Commit());
                EXPECT_EQ(lGroup.GetCount(), 0);
            } else if (lEnd == eDiscard) {
                lGroup.Discard();
            }
        }
        const bool lNew = lEnd == eCommit;
        EXPECT_EQ(Read(mSide), lNew ? "new side" : "old side") << lEnd;
        EXPECT_EQ(Read(mTarget), lNew ? "new" : "old") << lEnd;
        EXPECT_EQ(FileCount(), 2) << lEnd;
    }
}

TEST_F(KOutputGroupTest, ARenameRefusedHalfWayPutsBackTheFilesReplaced)
{
    // The main target's place is taken by a folder once its file was handed over: the side
    // file, renamed first, gets its old content back, or goes when it had none.
    for (const bool lSideExisted : {true, false}) {
        SCOPED_TRACE(lSideExisted);
        fs::remove_all(mTarget);
        fs::remove(mSide);
        if (lSideExisted) {
            std::ofstream(mSide) << "old side";
        }
        KOutputGroup lGroup(mTarget);
        ASSERT_TRUE(WriteInGroup(lGroup, mSide, "new side"));
        ASSERT_TRUE(WriteInGroup(lGroup, mTarget, "new"));
        fs::create_directories(fs::path(mTarget) / "taken");
        EXPECT_FALSE(lGroup.Commit());
        EXPECT_EQ(errno, EISDIR);
        EXPECT_EQ(fs::exists(mSide), lSideExisted);
        EXPECT_EQ(Read(mSide), lSideExisted ? "old side" : "");
        EXPECT_EQ(FileCount(), lSideExisted ? 2 : 1);
    }
}

TEST_F(KOutputGroupTest, AKilledPairedWriteLeavesBothOldFiles)
{
    // The side file is whole and handed over when the main one is interrupted.
    const struct
    {
        bool mAllowUnnamed;
        int mSignal;
    } kCases[] = {{true, SIGKILL}, {false, SIGTERM}, {false, SIGINT}};
    for (const auto& lCase : kCases) {
        SCOPED_TRACE(std::to_string(lCase.mAllowUnnamed) + " " + std::to_string(lCase.mSignal));
        EXPECT_EQ(InterruptedWrite(mTarget, lCase.mAllowUnnamed, lCase.mSignal, mSide),
                  lCase.mSignal);
        EXPECT_EQ(Read(mTarget), "old");
        EXPECT_EQ(Read(mSide), "old side");
        EXPECT_EQ(FileCount(), 2);
    }
}

// GroupWriteInChild with pSignal (0: none) arriving right after the first rename.
int GroupWriteInChild(const std::string& pTarget, const std::string& pSide, bool pAllowUnnamed,
                      int pSignal)
{
    return EndOfChild(StartGroupWrite(pTarget, pSide, pAllowUnnamed, [pSignal] {
        FileCallHooks::SignalAfterNextRename(pSignal);
    }));
}

TEST_F(KOutputGroupTest, ASignalDuringTheRenamesWaitsForThemAll)
{
    // The signal still ends the process, once both files are in place; no temporary is left.
    const struct
    {
        bool mAllowUnnamed;
        int mSignal;
    } kCases[] = {{true, SIGTERM}, {false, SIGTERM}, {true, SIGINT}, {false, SIGHUP}};
    for (const auto& lCase : kCases) {
        SCOPED_TRACE(std::to_string(lCase.mAllowUnnamed) + " " + std::to_string(lCase.mSignal));
        std::ofstream(mTarget) << "old";
        std::ofstream(mSide) << "old side";
        EXPECT_EQ(GroupWriteInChild(mTarget, mSide, lCase.mAllowUnnamed, lCase.mSignal),
                  lCase.mSignal);
        EXPECT_EQ(Read(mSide), "new side");
        EXPECT_EQ(Read(mTarget), "new");
        EXPECT_EQ(FileCount(), 2);
    }
}

TEST_F(KOutputGroupTest, ASideFileThatIsNoRegularFileIsReplacedUnopened)
{
    // A pipe nobody reads would stall an open for writing; a socket cannot be opened at all.
    const auto lMakeFifo = [this] { return mkfifo(mSide.c_str(), 0600) == 0; };
    const auto lMakeSocket = [this] {
        const int lSocket = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un lAddress{};
        lAddress.sun_family = AF_UNIX;
        std::strncpy(lAddress.sun_path, mSide.c_str(), sizeof(lAddress.sun_path) - 1);
        const bool lBound =
            lSocket >= 0 && mSide.size() < sizeof(lAddress.sun_path) &&
            bind(lSocket, reinterpret_cast<sockaddr*>(&lAddress), sizeof(lAddress)) == 0;
        close(lSocket);
        return lBound;
    };
    for (const auto& lMake :
         {std::function<bool()>(lMakeFifo), std::function<bool()>(lMakeSocket)}) {
        for (const bool lAllowUnnamed : {true, false}) {
            SCOPED_TRACE(lAllowUnnamed);
            fs::remove(mSide);
            ASSERT_TRUE(lMake());
            EXPECT_EQ(GroupWriteInChild(mTarget, mSide, lAllowUnnamed, 0), 0);
            // Looked at before it is read: reading a pipe left there would wait for a writer.
            ASSERT_TRUE(fs::is_regular_file(mSide));
            EXPECT_EQ(Read(mSide), "new side");
            EXPECT_EQ(Read(mTarget), "new");
            EXPECT_EQ(FileCount(), 2);
        }
    }
    // Nothing can take a folder's place.
    fs::remove(mSide);
    fs::create_directory(mSide);
    KOutputFile lFile;
    EXPECT_FALSE(lFile.Create(mSide.c_str(), KOutputFile::eReplaceLinks));
    EXPECT_EQ(errno, EISDIR);
    EXPECT_TRUE(fs::is_directory(mSide));
    EXPECT_EQ(FileCount(), 2);
}

TEST_F(KOutputGroupTest, ASideFileReplacesALinkItselfNeverItsTarget)
{
    // A link at the side file's place, alive or dangling; the main target follows links.
    const std::string lElsewhere = (mFolder / "elsewhere.txt").string();
    const std::string lMissing = (mFolder / "missing.txt").string();
    const std::string lMainLink = (mFolder / "main-link.txt").string();
    fs::create_symlink(mTarget, lMainLink);
    for (const std::string& lLinked : {lElsewhere, lMissing}) {
        std::ofstream(lElsewhere) << "elsewhere";
        fs::remove(mSide);
        fs::create_symlink(lLinked, mSide);
        KOutputGroup lGroup(lMainLink);
        ASSERT_TRUE(WriteInGroup(lGroup, mSide, "new side"));
        ASSERT_TRUE(WriteInGroup(lGroup, lMainLink, "new"));
        ASSERT_TRUE(lGroup.Commit());
        EXPECT_FALSE(fs::is_symlink(mSide)) << lLinked;
        EXPECT_EQ(Read(mSide), "new side");
        EXPECT_EQ(Read(lElsewhere), "elsewhere");
        EXPECT_FALSE(fs::exists(lMissing));
        EXPECT_TRUE(fs::is_symlink(lMainLink));
        EXPECT_EQ(Read(mTarget), "new");
    }
    // Asked for alone, as a writer asks for its own side files.
    fs::remove(mSide);
    fs::create_symlink(lElsewhere, mSide);
    KOutputFile lFile;
    ASSERT_TRUE(lFile.Create(mSide.c_str(), KOutputFile::eReplaceLinks));
    std::fputs("alone", lFile.GetStream());
    ASSERT_TRUE(lFile.Commit());
    EXPECT_FALSE(fs::is_symlink(mSide));
    EXPECT_EQ(Read(lElsewhere), "elsewhere");
}

} // namespace
