#include "tests/core/FileCallHooks.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

std::atomic<int> gSignal{0};
std::atomic<bool> gToProcess{false};
std::atomic<int> gWaitFile{-1};
std::atomic<int> gChangesLeft{0};
std::atomic<bool> gRefuseExchanges{false};
std::atomic<int> gLinkError{0};
std::string gRefusedTarget;
int gRefusedError = 0;

void AfterChange()
{
    if (gChangesLeft.load() > 0 && gChangesLeft.fetch_sub(1) == 1) {
        kill(getpid(), SIGKILL);
    }
}

void AfterRename()
{
    if (const int lSignal = gSignal.exchange(0)) {
        if (gToProcess) {
            kill(getpid(), lSignal);
        } else {
            raise(lSignal);
        }
    }
    const int lWait = gWaitFile.exchange(-1);
    char lByte = 0;
    while (lWait >= 0 && read(lWait, &lByte, 1) < 0 && errno == EINTR) {
    }
}

bool IsRefused(const char* pFrom, const char* pTo)
{
    if (!gRefusedTarget.empty() && (gRefusedTarget == pFrom || gRefusedTarget == pTo)) {
        errno = gRefusedError;
        return true;
    }
    return false;
}

// Runs a change of a folder by pCall (its result, errno kept), then the hooks that follow it.
template <typename Call> int Change(bool pRename, Call pCall)
{
    const int lResult = pCall();
    const int lError = errno;
    if (lResult == 0) {
        if (pRename) {
            AfterRename();
        }
        AfterChange();
    }
    errno = lError;
    return lResult;
}

} // namespace

void FileCallHooks::SignalAfterNextRename(int pSignal, bool pToProcess)
{
    gToProcess = pToProcess;
    gSignal = pSignal;
}

void FileCallHooks::WaitAfterNextRename(int pFile)
{
    gWaitFile = pFile;
}

void FileCallHooks::KillAfterChanges(int pCount)
{
    gChangesLeft = pCount;
}

void FileCallHooks::RefuseExchanges(bool pRefuse)
{
    gRefuseExchanges = pRefuse;
}

void FileCallHooks::RefuseHardLinks(int pError)
{
    gLinkError = pError;
}

void FileCallHooks::RefuseRenamesOf(const char* pPath, int pError)
{
    gRefusedTarget = pPath ? pPath : "";
    gRefusedError = pError;
}

extern "C" int rename(const char* pFrom, const char* pTo) noexcept
{
    if (IsRefused(pFrom, pTo)) {
        return -1;
    }
    return Change(true, [&] { return renameat(AT_FDCWD, pFrom, AT_FDCWD, pTo); });
}

extern "C" int renameat2(int pFromFolder, const char* pFrom, int pToFolder, const char* pTo,
                         unsigned pFlags) noexcept
{
    if (gRefuseExchanges && (pFlags & RENAME_EXCHANGE)) {
        errno = EINVAL;
        return -1;
    }
    if (IsRefused(pFrom, pTo)) {
        return -1;
    }
    return Change(true, [&] {
        return static_cast<int>(syscall(SYS_renameat2, pFromFolder, pFrom, pToFolder, pTo, pFlags));
    });
}

extern "C" int link(const char* pFrom, const char* pTo) noexcept
{
    if (const int lError = gLinkError.load()) {
        errno = lError;
        return -1;
    }
    return Change(false, [&] { return static_cast<int>(syscall(SYS_link, pFrom, pTo)); });
}

extern "C" int linkat(int pFromFolder, const char* pFrom, int pToFolder, const char* pTo,
                      int pFlags) noexcept
{
    return Change(false, [&] {
        return static_cast<int>(syscall(SYS_linkat, pFromFolder, pFrom, pToFolder, pTo, pFlags));
    });
}

extern "C" int unlink(const char* pPath) noexcept
{
    return Change(false, [&] { return static_cast<int>(syscall(SYS_unlink, pPath)); });
}
