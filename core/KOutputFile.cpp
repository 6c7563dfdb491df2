#include "core/KOutputFile.h"

#include "core/KOutputGroup.h"
#include "core/KPendingFiles.h"
#include "core/KSignalBlock.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Tries for a free name when the link of an unnamed file meets an existing one.
constexpr int kLinkAttempts = 100;
// The longest name a folder entry may have.
constexpr std::size_t kMaxNameLength = NAME_MAX;
// What mkstemp replaces with its own characters.
constexpr char kNamedSuffix[] = "XXXXXX";
// The longest suffix an unnamed file's link name takes: a process number, '-' and the attempt.
constexpr std::size_t kLinkSuffixLength = 10 + 1 + 2;

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

// The start of a temporary file's hidden name beside pTarget: its folder, ".", the target's name
// and "."; the caller adds a suffix of at most pSuffixLength characters. The target's name is cut
// where the whole would pass the limit on a name, so that a target of a long name (up to that
// limit) can still be written.
std::string TemporaryStem(const std::string& pTarget, std::size_t pSuffixLength)
{
    // 0 when the target has no folder (npos + 1 wraps to 0).
    const std::size_t lNameStart = pTarget.rfind('/') + 1;
    const std::size_t lRoom = kMaxNameLength - 2 - pSuffixLength;
    return pTarget.substr(0, lNameStart) + "." + pTarget.substr(lNameStart, lRoom) + ".";
}

// Gives the unnamed file pFile the name pName: through its descriptor where the process may
// (AT_EMPTY_PATH), else through its entry in /proc.
bool LinkDescriptor(int pFile, const char* pName)
{
    if (linkat(pFile, "", AT_FDCWD, pName, AT_EMPTY_PATH) == 0) {
        return true;
    }
    if (errno == EEXIST) {
        return false;
    }
    char lProcEntry[64];
    std::snprintf(lProcEntry, sizeof(lProcEntry), "/proc/self/fd/%d", pFile);
    return linkat(AT_FDCWD, lProcEntry, AT_FDCWD, pName, AT_SYMLINK_FOLLOW) == 0;
}

} // namespace

KOutputFile::~KOutputFile()
{
    Discard();
}

bool KOutputFile::Create(const char* pTarget, ELinks pLinks)
{
    Discard();
    if (!pTarget || !*pTarget) {
        errno = ENOENT;
        return false;
    }
    if (mGroup && !mGroup->IsMainTarget(pTarget)) {
        pLinks = eReplaceLinks;
    }
    const bool lFollow = pLinks == eFollowLinks;
    const std::string lTarget = lFollow ? FollowLink(pTarget) : std::string(pTarget);
    struct stat lExisting;
    const bool lFound =
        (lFollow ? stat(lTarget.c_str(), &lExisting) : lstat(lTarget.c_str(), &lExisting)) == 0;
    if (lFound && !lFollow && S_ISDIR(lExisting.st_mode)) {
        errno = EISDIR;
        return false;
    }
    // A replaced link, pipe or device counts as no file: the new one takes the mode of a new
    // file. Written in place, a pipe nobody reads would stall the write.
    const bool lExists = lFound && (lFollow || S_ISREG(lExisting.st_mode));
    if (lExists && !S_ISREG(lExisting.st_mode)) {
        // A device or a pipe named as the target (/dev/stdout, /dev/full) is written as it is:
        // renaming over it would replace the device with a file.
        mStream = std::fopen(lTarget.c_str(), "wb");
        mTarget = mStream ? lTarget : std::string();
        return mStream != nullptr;
    }
    const mode_t lMode = lExists ? (lExisting.st_mode & 07777) : NewFileMode();
    // 0 when the target has no folder (npos + 1 wraps to 0).
    const std::size_t lNameStart = lTarget.rfind('/') + 1;
    // In the target's folder, so that the rename stays on one file system.
    const std::string lFolder = lNameStart == 0 ? "." : lTarget.substr(0, lNameStart);
    mTarget = lTarget;
    if (mAllowUnnamed && CreateUnnamed(lFolder, lMode)) {
        return true;
    }
    // Hidden and marked as unfinished.
    if (CreateNamed(TemporaryStem(lTarget, sizeof(kNamedSuffix) - 1) + kNamedSuffix, lMode)) {
        return true;
    }
    mTarget.clear();
    return false;
}

bool KOutputFile::CreateUnnamed(const std::string& pFolder, unsigned pMode)
{
    const int lFile = open(pFolder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (lFile < 0) {
        return false;
    }
    fchmod(lFile, static_cast<mode_t>(pMode));
    mStream = fdopen(lFile, "wb");
    if (!mStream) {
        close(lFile);
        return false;
    }
    mUnnamed = true;
    mLinkName = TemporaryStem(mTarget, kLinkSuffixLength) + std::to_string(getpid()) + "-";
    mTemporary.reserve(mLinkName.size() + 16);
    return true;
}

bool KOutputFile::CreateNamed(const std::string& pTemporary, unsigned pMode)
{
    std::string lTemporary = pTemporary;
    const int lFile = mkstemp(lTemporary.data());
    if (lFile < 0) {
        return false;
    }
    // Known to the interrupt cleanup from before anything is written.
    mSlot = KPendingFiles::Add(lTemporary.c_str());
    fchmod(lFile, static_cast<mode_t>(pMode));
    mStream = fdopen(lFile, "wb");
    mTemporary = lTemporary;
    if (!mStream) {
        const int lError = errno;
        close(lFile);
        Discard();
        errno = lError;
        return false;
    }
    return true;
}

bool KOutputFile::LinkUnnamed()
{
    // mLinkName and the room of mTemporary were made by Create: linking needs no memory, so
    // that it cannot fail half-way for want of it.
    for (int lAttempt = 0; lAttempt < kLinkAttempts; ++lAttempt) {
        // Named before the link is made, so that a failure after it still removes the link.
        char lSuffix[16];
        std::snprintf(lSuffix, sizeof(lSuffix), "%d", lAttempt);
        mTemporary.assign(mLinkName);
        mTemporary.append(lSuffix);
        // Listed for the interrupt cleanup before it exists; signals are held meanwhile, so
        // that the cleanup never meets the name while it is another file's.
        mSlot = KPendingFiles::Add(mTemporary.c_str());
        if (LinkDescriptor(fileno(mStream), mTemporary.c_str())) {
            return true;
        }
        const int lError = errno;
        KPendingFiles::Remove(mSlot);
        mSlot = -1;
        mTemporary.clear();
        if (lError != EEXIST) {
            errno = lError;
            return false;
        }
    }
    return false;
}

bool KOutputFile::Commit()
{
    if (!mStream) {
        return false;
    }
    if (mGroup) {
        return HandOver();
    }
    // Flushed first: the signals are held only across the last steps, which never wait.
    if (std::fflush(mStream) != 0) {
        DropAfterFailure();
        return false;
    }
    const KSignalBlock lHeld;
    return Finish() && Install();
}

bool KOutputFile::Finish()
{
    bool lWritten = std::fflush(mStream) == 0 && !std::ferror(mStream);
    // The unnamed file gets a name beside the target only now that it is whole; the rename
    // follows at once.
    lWritten = lWritten && (!mUnnamed || LinkUnnamed());
    lWritten = std::fclose(mStream) == 0 && lWritten;
    mStream = nullptr;
    mUnnamed = false;
    if (!lWritten) {
        DropAfterFailure();
    }
    return lWritten;
}

bool KOutputFile::Install()
{
    // Empty for a target written in place.
    if (mTemporary.empty()) {
        return true;
    }
    if (std::rename(mTemporary.c_str(), mTarget.c_str()) != 0) {
        DropAfterFailure();
        return false;
    }
    mTemporary.clear();
    KPendingFiles::Remove(mSlot);
    mSlot = -1;
    return true;
}

bool KOutputFile::KeepOld()
{
    struct stat lTarget;
    const bool lFound = lstat(mTarget.c_str(), &lTarget) == 0;
    mTargetWasNew = !mTemporary.empty() && !lFound;
    if (mTemporary.empty() || !lFound || S_ISDIR(lTarget.st_mode)) {
        return true;
    }
    try {
        return LinkOld(TemporaryStem(mTarget, kLinkSuffixLength) + "old-");
    } catch (const std::bad_alloc&) {
        mOld.clear();
        errno = ENOMEM;
        return false;
    }
}

bool KOutputFile::LinkOld(const std::string& pStem)
{
    for (int lAttempt = 0; lAttempt < kLinkAttempts; ++lAttempt) {
        mOld = pStem + std::to_string(lAttempt);
        // link() names the entry itself: a link at a side file's place is kept as a link.
        if (link(mTarget.c_str(), mOld.c_str()) == 0) {
            return true;
        }
        const int lError = errno;
        mOld.clear();
        if (lError != EEXIST) {
            // A file system without hard links keeps nothing; a refusal of the folder or of the
            // file itself (an immutable one) would refuse the rename as well.
            errno = lError;
            return lError == EPERM || lError == EMLINK || lError == ENOTSUP;
        }
    }
    return false;
}

void KOutputFile::RestoreOld()
{
    if (!mOld.empty()) {
        std::rename(mOld.c_str(), mTarget.c_str());
        mOld.clear();
    } else if (mTargetWasNew) {
        unlink(mTarget.c_str());
    }
    mTargetWasNew = false;
}

void KOutputFile::DropOld()
{
    if (!mOld.empty()) {
        unlink(mOld.c_str());
        mOld.clear();
    }
}

bool KOutputFile::HandOver()
{
    if (std::fflush(mStream) != 0 || std::ferror(mStream)) {
        DropAfterFailure();
        return false;
    }
    try {
        // What can fail to allocate comes first: until the stream moves, this object alone
        // owns it.
        auto lKept = std::make_unique<KOutputFile>(mAllowUnnamed);
        lKept->mTarget = mTarget;
        lKept->mStream = mStream;
        lKept->mTemporary = std::move(mTemporary);
        lKept->mLinkName = std::move(mLinkName);
        lKept->mUnnamed = mUnnamed;
        lKept->mSlot = mSlot;
        mStream = nullptr;
        mTemporary.clear();
        mUnnamed = false;
        mSlot = -1;
        mGroup->Adopt(std::move(lKept));
    } catch (const std::bad_alloc&) {
        DropAfterFailure();
        errno = ENOMEM;
        return false;
    }
    return true;
}

void KOutputFile::DropAfterFailure()
{
    const int lError = errno;
    Discard();
    errno = lError;
}

void KOutputFile::Discard()
{
    if (mStream) {
        std::fclose(mStream);
        mStream = nullptr;
    }
    mUnnamed = false;
    if (!mTemporary.empty()) {
        unlink(mTemporary.c_str());
        mTemporary.clear();
    }
    KPendingFiles::Remove(mSlot);
    mSlot = -1;
}

std::string KOutputFile::GetWrittenPath(const char* pTarget)
{
    return pTarget ? FollowLink(pTarget) : std::string();
}

void KOutputFile::InstallInterruptCleanup()
{
    KPendingFiles::InstallSignalHandlers();
}
