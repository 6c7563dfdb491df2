#include "core/KOutputFile.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The permission bits a plain fopen would give a new file: rw for all, less the umask. The
// umask can only be read by setting it, so it is put back at once.
mode_t NewFileMode()
{
    const mode_t lMask = umask(0);
    umask(lMask);
    return static_cast<mode_t>(0666) & ~lMask;
}

// A link is written through, as fopen would: the file it names is the one replaced.
std::string FollowLink(const char* pPath)
{
    struct stat lLink;
    if (lstat(pPath, &lLink) != 0 || !S_ISLNK(lLink.st_mode)) {
        return pPath;
    }
    char* lResolved = realpath(pPath, nullptr);
    if (!lResolved) {
        return pPath;
    }
    std::string lPath = lResolved;
    std::free(lResolved);
    return lPath;
}

} // namespace

KOutputFile::~KOutputFile()
{
    Discard();
}

bool KOutputFile::Create(const char* pTarget)
{
    Discard();
    if (!pTarget || !*pTarget) {
        errno = ENOENT;
        return false;
    }
    const std::string lTarget = FollowLink(pTarget);
    struct stat lExisting;
    const bool lExists = stat(lTarget.c_str(), &lExisting) == 0;
    if (lExists && !S_ISREG(lExisting.st_mode)) {
        // A device or a pipe (/dev/stdout, /dev/full) is written as it is: renaming over it
        // would replace the device with a file.
        mStream = std::fopen(lTarget.c_str(), "wb");
        mTarget = mStream ? lTarget : std::string();
        return mStream != nullptr;
    }
    // 0 when the target has no folder (npos + 1 wraps to 0).
    const std::size_t lNameStart = lTarget.rfind('/') + 1;
    // Hidden and marked as unfinished, in the target's folder so that the rename stays on one
    // file system.
    std::string lTemporary =
        lTarget.substr(0, lNameStart) + "." + lTarget.substr(lNameStart) + ".XXXXXX";
    const int lFile = mkstemp(lTemporary.data());
    if (lFile < 0) {
        return false;
    }
    fchmod(lFile, lExists ? (lExisting.st_mode & 07777) : NewFileMode());
    mStream = fdopen(lFile, "wb");
    if (!mStream) {
        const int lError = errno;
        close(lFile);
        unlink(lTemporary.c_str());
        errno = lError;
        return false;
    }
    mTarget = lTarget;
    mTemporary = lTemporary;
    return true;
}

bool KOutputFile::Commit()
{
    if (!mStream) {
        return false;
    }
    bool lWritten = std::fflush(mStream) == 0 && !std::ferror(mStream);
    lWritten = std::fclose(mStream) == 0 && lWritten;
    mStream = nullptr;
    if (mTemporary.empty()) {
        return lWritten;
    }
    if (lWritten && std::rename(mTemporary.c_str(), mTarget.c_str()) == 0) {
        mTemporary.clear();
        return true;
    }
    const int lError = errno;
    unlink(mTemporary.c_str());
    mTemporary.clear();
    errno = lError;
    return false;
}

void KOutputFile::Discard()
{
    if (mStream) {
        std::fclose(mStream);
        mStream = nullptr;
    }
    if (!mTemporary.empty()) {
        unlink(mTemporary.c_str());
        mTemporary.clear();
    }
}
