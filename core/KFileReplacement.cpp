#include "core/KFileReplacement.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#ifndef RENAME_NOREPLACE
// A C library older than the call's wrapper: the kernel is asked directly.
#include <linux/fs.h>
#include <sys/syscall.h>

static int renameat2(int pFromFolder, const char* pFrom, int pToFolder, const char* pTo,
                     unsigned pFlags)
{
    return static_cast<int>(syscall(SYS_renameat2, pFromFolder, pFrom, pToFolder, pTo, pFlags));
}
#endif

namespace {

// The longest name a folder entry may have.
constexpr std::size_t kMaxNameLength = NAME_MAX;

using Identity = KFileReplacement::Identity;

Identity IdentityOf(const std::string& pPath)
{
    struct stat lStat;
    Identity lFile;
    if (!pPath.empty() && lstat(pPath.c_str(), &lStat) == 0) {
        lFile.mExists = true;
        lFile.mDevice = lStat.st_dev;
        lFile.mInode = lStat.st_ino;
    }
    return lFile;
}

bool IsFile(const std::string& pPath, const Identity& pFile)
{
    const Identity lFound = IdentityOf(pPath);
    return pFile.mExists && lFound.mExists && lFound.mDevice == pFile.mDevice &&
           lFound.mInode == pFile.mInode;
}

// The answer of a file system that cannot exchange names or refuse to replace (or of a kernel
// without the call): the plain renames are used instead.
bool IsUnsupported(int pError)
{
    return pError == EINVAL || pError == ENOSYS || pError == ENOTSUP;
}

bool Exchange(const std::string& pFrom, const std::string& pTo)
{
    return renameat2(AT_FDCWD, pFrom.c_str(), AT_FDCWD, pTo.c_str(), RENAME_EXCHANGE) == 0;
}

// A rename that never replaces what a third party put at pTo meanwhile, where the file system
// can refuse to.
bool RenameToFree(const std::string& pFrom, const std::string& pTo)
{
    if (renameat2(AT_FDCWD, pFrom.c_str(), AT_FDCWD, pTo.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    return IsUnsupported(errno) && std::rename(pFrom.c_str(), pTo.c_str()) == 0;
}

// Renames pFrom to pTo when it holds the file pFile.
void MoveIfFile(const std::string& pFrom, const Identity& pFile, const std::string& pTo)
{
    if (IsFile(pFrom, pFile)) {
        std::rename(pFrom.c_str(), pTo.c_str());
    }
}

void RemoveIfFile(const std::string& pPath, const Identity& pFile)
{
    if (IsFile(pPath, pFile)) {
        unlink(pPath.c_str());
    }
}

void AppendNumber(std::string& ioText, unsigned long long pNumber)
{
    ioText += std::to_string(pNumber);
    ioText += ' ';
}

void AppendName(std::string& ioText, const std::string& pName)
{
    AppendNumber(ioText, pName.size());
    ioText += pName;
    ioText += ' ';
}

bool ParseNumber(std::string_view& ioText, unsigned long long& oNumber)
{
    const auto [lEnd, lError] =
        std::from_chars(ioText.data(), ioText.data() + ioText.size(), oNumber);
    if (lError != std::errc() || lEnd == ioText.data() + ioText.size() || *lEnd != ' ') {
        return false;
    }
    ioText.remove_prefix(static_cast<std::size_t>(lEnd - ioText.data()) + 1);
    return true;
}

// A name written by AppendName, followed by pEnd.
bool ParseName(std::string_view& ioText, std::string& oName, char pEnd)
{
    unsigned long long lLength = 0;
    if (!ParseNumber(ioText, lLength) || lLength >= ioText.size() || ioText[lLength] != pEnd) {
        return false;
    }
    oName.assign(ioText.substr(0, lLength));
    ioText.remove_prefix(lLength + 1);
    return true;
}

void AppendIdentity(std::string& ioText, const Identity& pFile)
{
    AppendNumber(ioText, pFile.mExists ? 1 : 0);
    AppendNumber(ioText, pFile.mDevice);
    AppendNumber(ioText, pFile.mInode);
}

bool ParseIdentity(std::string_view& ioText, Identity& oFile)
{
    unsigned long long lExists = 0;
    unsigned long long lDevice = 0;
    unsigned long long lInode = 0;
    if (!ParseNumber(ioText, lExists) || !ParseNumber(ioText, lDevice) ||
        !ParseNumber(ioText, lInode) || lExists > 1) {
        return false;
    }
    oFile.mExists = lExists == 1;
    oFile.mDevice = static_cast<dev_t>(lDevice);
    oFile.mInode = static_cast<ino_t>(lInode);
    return true;
}

} // namespace

std::string KFileReplacement::HiddenStem(const std::string& pTarget, std::size_t pSuffixLength)
{
    // 0 when the target has no folder (npos + 1 wraps to 0).
    const std::size_t lNameStart = pTarget.rfind('/') + 1;
    const std::size_t lRoom = kMaxNameLength - 2 - pSuffixLength;
    return pTarget.substr(0, lNameStart) + "." + pTarget.substr(lNameStart, lRoom) + ".";
}

bool KFileReplacement::NoteOld()
{
    struct stat lStat;
    if (lstat(mTarget.c_str(), &lStat) == 0 && S_ISDIR(lStat.st_mode)) {
        errno = EISDIR;
        return false;
    }
    mOldFile = IdentityOf(mTarget);
    return true;
}

bool KFileReplacement::Replace() const
{
    if (!mOldFile.mExists) {
        return RenameToFree(mNew, mTarget);
    }
    if (Exchange(mNew, mTarget)) {
        return true;
    }
    if (!IsUnsupported(errno) || std::rename(mTarget.c_str(), mKept.c_str()) != 0) {
        return false;
    }
    if (std::rename(mNew.c_str(), mTarget.c_str()) == 0) {
        return true;
    }
    const int lError = errno;
    std::rename(mKept.c_str(), mTarget.c_str());
    errno = lError;
    return false;
}

bool KFileReplacement::Undo() const
{
    if (!mOldFile.mExists) {
        RemoveIfFile(mTarget, mNewFile);
    } else if (!IsFile(mTarget, mOldFile)) {
        // Under the new file's name after an exchange, else moved aside.
        MoveIfFile(mNew, mOldFile, mTarget);
        MoveIfFile(mKept, mOldFile, mTarget);
    }
    RemoveIfFile(mNew, mNewFile);
    return !mOldFile.mExists || IsFile(mTarget, mOldFile);
}

void KFileReplacement::Complete() const
{
    if (!IsFile(mTarget, mNewFile)) {
        MoveIfFile(mNew, mNewFile, mTarget);
    }
    RemoveIfFile(mNew, mOldFile);
    RemoveIfFile(mKept, mOldFile);
}

void KFileReplacement::AppendTo(std::string& ioText) const
{
    AppendIdentity(ioText, mNewFile);
    AppendIdentity(ioText, mOldFile);
    AppendName(ioText, mTarget);
    AppendName(ioText, mNew);
    AppendName(ioText, mKept);
    ioText.back() = '\n';
}

bool KFileReplacement::Parse(std::string_view& ioText, KFileReplacement& oReplacement)
{
    std::string_view lText = ioText;
    KFileReplacement lRead;
    if (!ParseIdentity(lText, lRead.mNewFile) || !ParseIdentity(lText, lRead.mOldFile) ||
        !ParseName(lText, lRead.mTarget, ' ') || !ParseName(lText, lRead.mNew, ' ') ||
        !ParseName(lText, lRead.mKept, '\n')) {
        return false;
    }
    oReplacement = std::move(lRead);
    ioText = lText;
    return true;
}
