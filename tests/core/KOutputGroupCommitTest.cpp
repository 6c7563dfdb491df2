#include "core/KOutputFile.h"
#include "core/KOutputGroup.h"
#include "tests/core/FileCallHooks.h"
#include "tests/core/OutputTestFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// Whether process pProcess waits for a file lock (a "->" line of /proc/locks names it).
bool WaitsForALock(pid_t pProcess)
{
    std::ifstream lLocks("/proc/locks");
    const std::string lProcess = " " + std::to_string(pProcess) + " ";
    for (std::string lLine; std::getline(lLocks, lLine);) {
        if (lLine.find("->") != std::string::npos && lLine.find(lProcess) != std::string::npos) {
            return true;
        }
    }
    return false;
}

// Whether pChild has ended (then reaped, its end in oEnd as EndOfChild answers it).
bool HasEnded(pid_t pChild, int& oEnd)
{
    int lStatus = 0;
    if (waitpid(pChild, &lStatus, WNOHANG) != pChild) {
        return false;
    }
    oEnd = WIFEXITED(lStatus) && WEXITSTATUS(lStatus) == 0 ? 0 : -1;
    return true;
}

TEST_F(KOutputGroupTest, AnOldFileIsNeverLostToARefusedRename)
{
    // Hard links are refused (as protected links refuse them for another user's file) and the
    // rename of one target too (an immutable file, a folder's sticky bit): nothing is replaced,
    // whether the file system can exchange names or not, and the refusal names that target.
    for (const bool lExchange : {true, false}) {
        for (const std::string* lRefused : {&mTarget, &mSide}) {
            SCOPED_TRACE(std::to_string(lExchange) + " " + *lRefused);
            FileCallHooks::RefuseExchanges(!lExchange);
            FileCallHooks::RefuseHardLinks(EPERM);
            FileCallHooks::RefuseRenamesOf(lRefused->c_str(), EPERM);
            KOutputGroup lGroup(mTarget);
            ASSERT_TRUE(WriteInGroup(lGroup, mSide, "new side"));
            ASSERT_TRUE(WriteInGroup(lGroup, mTarget, "new"));
            EXPECT_FALSE(lGroup.Commit());
            EXPECT_EQ(errno, EPERM);
            EXPECT_EQ(lGroup.GetFailedTarget(), *lRefused);
            FileCallHooks::RefuseRenamesOf("", 0);
            FileCallHooks::RefuseHardLinks(0);
            FileCallHooks::RefuseExchanges(false);
            EXPECT_EQ(Read(mSide), "old side");
            EXPECT_EQ(Read(mTarget), "old");
            EXPECT_EQ(FileCount(), 2);
        }
    }
}

TEST_F(KOutputGroupTest, AKilledCommitIsMendedByTheNextOne)
{
    // The commit is killed after each of its changes of the folder in turn; the next commit of
    // the target (one of nothing, which only mends) leaves both old files or both new ones, and
    // nothing else.
    const struct
    {
        bool mAllowUnnamed;
        bool mExchange;
    } kCases[] = {{true, true}, {false, true}, {true, false}, {false, false}};
    for (const auto& lCase : kCases) {
        int lEnd = SIGKILL;
        for (int lChanges = 1; lEnd == SIGKILL; ++lChanges) {
            SCOPED_TRACE(std::to_string(lCase.mAllowUnnamed) + " " +
                         std::to_string(lCase.mExchange) + " " + std::to_string(lChanges));
            std::ofstream(mTarget) << "old";
            std::ofstream(mSide) << "old side";
            lEnd = EndOfChild(StartGroupWrite(mTarget, mSide, lCase.mAllowUnnamed, [&] {
                FileCallHooks::RefuseExchanges(!lCase.mExchange);
                FileCallHooks::KillAfterChanges(lChanges);
            }));
            ASSERT_TRUE(lEnd == SIGKILL || lEnd == 0) << lEnd;
            EXPECT_TRUE(KOutputGroup(mTarget).Commit());
            const std::string lMain = Read(mTarget);
            EXPECT_TRUE(lMain == "old" || lMain == "new") << lMain;
            EXPECT_EQ(Read(mSide), lMain + " side");
            EXPECT_EQ(FileCount(), 2);
        }
    }
}

TEST_F(KOutputGroupTest, AKilledCommitIsMendedFromAnotherFolder)
{
    // The killed commit named its files from the folder above; the next names the target from
    // its own folder, and still finds every file the journal lists.
    const std::filesystem::path lStart = std::filesystem::current_path();
    const std::string lName = mFolder.filename().string();
    int lEnd = SIGKILL;
    for (int lChanges = 1; lEnd == SIGKILL; ++lChanges) {
        SCOPED_TRACE(lChanges);
        std::ofstream(mTarget) << "old";
        std::ofstream(mSide) << "old side";
        std::filesystem::current_path(mFolder.parent_path());
        lEnd = EndOfChild(StartGroupWrite(lName + "/out.txt", lName + "/side.txt", true,
                                          [&] { FileCallHooks::KillAfterChanges(lChanges); }));
        std::filesystem::current_path(mFolder);
        EXPECT_TRUE(KOutputGroup("out.txt").Commit());
        std::filesystem::current_path(lStart);
        ASSERT_TRUE(lEnd == SIGKILL || lEnd == 0) << lEnd;
        const std::string lMain = Read(mTarget);
        EXPECT_TRUE(lMain == "old" || lMain == "new") << lMain;
        EXPECT_EQ(Read(mSide), lMain + " side");
        EXPECT_EQ(FileCount(), 2);
    }
}

TEST_F(KOutputGroupTest, LeftoversOfOtherWritesNeverBlockOne)
{
    // Hidden names such as killed writes of the scheme before left them.
    for (int i = 0; i < 100; ++i) {
        for (const std::string* lTarget : {&mTarget, &mSide}) {
            const std::string lName =
                (mFolder / ("." + std::filesystem::path(*lTarget).filename().string())).string();
            std::ofstream(lName + ".old-" + std::to_string(i)) << "left";
        }
    }
    // A journal that makes no sense, and one that names files that are not its own.
    const std::string lJournal = (mFolder / ".out.txt.commit").string();
    std::ofstream(lJournal) << "ryvkit commit 1\nU\n1 1 1 1 1 1 ";
    KOutputGroup lGroup(mTarget);
    ASSERT_TRUE(WriteInGroup(lGroup, mSide, "new side"));
    ASSERT_TRUE(WriteInGroup(lGroup, mTarget, "new"));
    EXPECT_TRUE(lGroup.Commit()) << std::strerror(errno);
    std::ofstream(lJournal) << "ryvkit commit 1\nC\n1 1 1 1 1 1 " << mSide.size() << " " << mSide
                            << " 1 x 1 y\n";
    EXPECT_TRUE(KOutputGroup(mTarget).Commit());
    EXPECT_EQ(Read(mSide), "new side");
    EXPECT_EQ(Read(mTarget), "new");
    EXPECT_EQ(FileCount(), 202);
}

TEST_F(KOutputGroupTest, ASignalToAThreadedProcessWaitsForTheCommit)
{
    // Sent to the whole process after the first rename, while a second thread idles: whichever
    // thread takes it, the signal acts once both files are in place.
    for (const int lSignal : {SIGTERM, SIGUSR1, SIGXFSZ, SIGPWR, SIGRTMIN}) {
        SCOPED_TRACE(lSignal);
        std::ofstream(mTarget) << "old";
        std::ofstream(mSide) << "old side";
        EXPECT_EQ(EndOfChild(StartGroupWrite(mTarget, mSide, true,
                                             [lSignal] {
                                                 // SIGXFSZ would leave a core file.
                                                 const rlimit lNoCore{0, 0};
                                                 setrlimit(RLIMIT_CORE, &lNoCore);
                                                 std::thread([] {
                                                     for (;;) {
                                                         pause();
                                                     }
                                                 }).detach();
                                                 FileCallHooks::SignalAfterNextRename(lSignal,
                                                                                      true);
                                             })),
                  lSignal);
        EXPECT_EQ(Read(mSide), "new side");
        EXPECT_EQ(Read(mTarget), "new");
        EXPECT_EQ(FileCount(), 2);
    }
}

TEST_F(KOutputGroupTest, ASecondCommitOfTheSameTargetWaitsForTheFirst)
{
    // The first writer stops right after its first rename; the second, started then, must not
    // mix its files with the first one's. It waits; both end well and the second's pair stands.
    int lGo[2];
    ASSERT_EQ(pipe(lGo), 0);
    const pid_t lFirst = StartGroupWrite(
        mTarget, mSide, true, [&] { FileCallHooks::WaitAfterNextRename(lGo[0]); }, "first");
    while (Read(mSide) != "first side") {
        std::this_thread::yield();
    }
    const pid_t lSecond = StartGroupWrite(
        mTarget, mSide, true, [] {}, "second");
    int lSecondEnd = -1;
    bool lSecondEnded = false;
    while (!(lSecondEnded = HasEnded(lSecond, lSecondEnd)) && !WaitsForALock(lSecond)) {
        std::this_thread::yield();
    }
    ASSERT_EQ(write(lGo[1], "g", 1), 1);
    close(lGo[0]);
    close(lGo[1]);
    EXPECT_EQ(EndOfChild(lFirst), 0);
    EXPECT_EQ(lSecondEnded ? lSecondEnd : EndOfChild(lSecond), 0);
    const std::string lMain = Read(mTarget);
    EXPECT_EQ(Read(mSide), lMain + " side");
    EXPECT_EQ(lMain, "second");
    EXPECT_EQ(FileCount(), 2);
}

} // namespace
