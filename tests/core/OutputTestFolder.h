#ifndef RYVKIT_TESTS_CORE_OUTPUTTESTFOLDER_H
#define RYVKIT_TESTS_CORE_OUTPUTTESTFOLDER_H

#include "core/KOutputFile.h"
#include "core/KOutputGroup.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

// A fresh folder per test, holding the target "out.txt" with "old" in it.
class KOutputFileTest : public testing::Test
{
protected:
    void SetUp() override
    {
        mFolder = std::filesystem::path(testing::TempDir()) /
                  ("outputfile-" + std::to_string(getpid()) + "-" +
                   std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(mFolder);
        std::filesystem::create_directories(mFolder);
        mTarget = (mFolder / "out.txt").string();
        std::ofstream(mTarget) << "old";
    }
    void TearDown() override { std::filesystem::remove_all(mFolder); }

    static std::string Read(const std::string& pPath)
    {
        std::ifstream lIn(pPath, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(lIn), {});
    }
    int FileCount() const
    {
        return static_cast<int>(std::distance(std::filesystem::directory_iterator(mFolder), {}));
    }

    std::filesystem::path mFolder;
    std::string mTarget;
};

// The folder of KOutputFileTest with a second old target, "side.txt", written with "out.txt".
class KOutputGroupTest : public KOutputFileTest
{
protected:
    void SetUp() override
    {
        KOutputFileTest::SetUp();
        mSide = (mFolder / "side.txt").string();
        std::ofstream(mSide) << "old side";
    }

    // Writes pText into pPath as a file of pGroup; answers the file's Commit.
    static bool WriteInGroup(KOutputGroup& ioGroup, const std::string& pPath, const char* pText)
    {
        KOutputFile lFile;
        lFile.SetGroup(&ioGroup);
        return lFile.Create(pPath.c_str()) && std::fputs(pText, lFile.GetStream()) >= 0 &&
               lFile.Commit();
    }

    std::string mSide;
};

// Starts a child process that writes pText + " side" and pText into pSide and pTarget as a
// group, calls pArm (which sets the hooks of FileCallHooks) and commits. Answers its process
// number.
inline pid_t StartGroupWrite(const std::string& pTarget, const std::string& pSide,
                             bool pAllowUnnamed, const std::function<void()>& pArm,
                             const std::string& pText = "new")
{
    constexpr unsigned kStallSeconds = 120;
    const pid_t lChild = fork();
    if (lChild != 0) {
        return lChild;
    }
    alarm(kStallSeconds);
    KOutputFile::InstallInterruptCleanup();
    KOutputGroup lGroup(pTarget);
    const std::string lSideText = pText + " side";
    for (const auto& [lPath, lText] : {std::pair(pSide, lSideText), std::pair(pTarget, pText)}) {
        KOutputFile lFile(pAllowUnnamed);
        lFile.SetGroup(&lGroup);
        if (!lFile.Create(lPath.c_str()) || std::fputs(lText.c_str(), lFile.GetStream()) < 0 ||
            !lFile.Commit()) {
            _exit(3);
        }
    }
    pArm();
    _exit(lGroup.Commit() ? 0 : 4);
}
// Waits for pChild and answers the signal that ended it, 0 for a child that ended well and
// -1 for any other end (a failed write, or a write that stalled).
inline int EndOfChild(pid_t pChild)
{
    int lStatus = 0;
    waitpid(pChild, &lStatus, 0);
    if (WIFSIGNALED(lStatus)) {
        return WTERMSIG(lStatus) == SIGALRM ? -1 : WTERMSIG(lStatus);
    }
    return WIFEXITED(lStatus) && WEXITSTATUS(lStatus) == 0 ? 0 : -1;
}

#endif
