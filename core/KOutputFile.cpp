#include "core/KOutputFile.h"

#include "core/KFileReplacement.h"
#include "core/KOutputGroup.h"
#include "core/KPendingFiles.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <new>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Tries for a free hidden name beside a target.
constexpr int kNameAttempts = 100;
// What mkstemp replaces with its own characters.
constexpr char kNamedSuffix[] = "XXXXXX";
// The longest suffix of a hidden name a commit gives: a process number, '-' or '~' and the
// attempt.
constexpr std::size_t kCommitSuffixLength = 10 + 1 + 2;

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

// The path from the root folder: a commit's journal names its files so that a commit started in
// another folder finds them.
std::string FromRoot(const std::string& pPath)
{
    if (pPath.empty() || pPath[0] == '/') {
        return pPath;
    }
    char* lFolder = getcwd(nullptr, 0);
    if (!lFolder) {
        return pPath;
    }
    std::string lPath = std::string(lFolder) + "/" + pPath;
    std::free(lFolder);
    return lPath;
}

// Whether a step of pSteps has pName for one of its files.
bool IsNamedIn(const std::string& pName, const std::vector<KFileReplacement>& pSteps)
{
    for (const KFileReplacement& lStep : pSteps) {
        if (lStep.mNew == pName || lStep.mKept == pName) {
            return true;
        }
    }
    return false;
}

// The first name pStem + attempt number that nothing in the folder has, nor a step of pTaken
// (two targets of long names may share a stem); empty, errno EEXIST, when all are taken. Only
// the commit holding the target's journal names files so.
std::string FreeName(const std::string& pStem, const std::vector<KFileReplacement>& pTaken)
{
    for (int lAttempt = 0; lAttempt < kNameAttempts; ++lAttempt) {
        std::string lName = pStem + std::to_string(lAttempt);
        struct stat lStat;
        if (!IsNamedIn(lName, pTaken) && lstat(lName.c_str(), &lStat) != 0 && errno == ENOENT) {
            return lName;
        }
    }
    errno = EEXIST;
    return std::string();
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
    mMain = !mGroup || mGroup->IsMainTarget(pTarget);
    if (!mMain) {
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
    if (CreateNamed(KFileReplacement::HiddenStem(lTarget, sizeof(kNamedSuffix) - 1) + kNamedSuffix,
                    lMode)) {
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

bool KOutputFile::Commit()
{
    if (!mStream) {
        return false;
    }
    if (mGroup) {
        return HandOver();
    }
    KOutputGroup lAlone(mTarget);
    mGroup = &lAlone;
    const bool lHanded = HandOver();
    mGroup = nullptr;
    return lHanded && lAlone.Commit();
}

bool KOutputFile::Prepare(KFileReplacement& oStep,
                          const std::vector<KFileReplacement>& pTaken) const
{
    struct stat lStat;
    if (fstat(fileno(mStream), &lStat) != 0) {
        return false;
    }
    oStep.mTarget = FromRoot(mTarget);
    oStep.mNewFile.mExists = true;
    oStep.mNewFile.mDevice = lStat.st_dev;
    oStep.mNewFile.mInode = lStat.st_ino;
    const std::string lStem =
        KFileReplacement::HiddenStem(oStep.mTarget, kCommitSuffixLength) + std::to_string(getpid());
    oStep.mNew = mUnnamed ? FreeName(lStem + "-", pTaken) : FromRoot(mTemporary);
    oStep.mKept = FreeName(lStem + "~", pTaken);
    return !oStep.mNew.empty() && !oStep.mKept.empty() && oStep.NoteOld();
}

bool KOutputFile::Finish(const KFileReplacement* pStep)
{
    bool lWritten = std::fflush(mStream) == 0 && !std::ferror(mStream);
    // The unnamed file gets a name beside the target only now that it is whole.
    lWritten =
        lWritten && (!mUnnamed || (pStep && LinkDescriptor(fileno(mStream), pStep->mNew.c_str())));
    // The cause of a failed flush or link; a failed close keeps its own.
    const int lError = lWritten ? 0 : errno;
    lWritten = std::fclose(mStream) == 0 && lWritten;
    if (!lWritten && lError != 0) {
        errno = lError;
    }
    mStream = nullptr;
    mUnnamed = false;
    mTemporary.clear();
    KPendingFiles::Remove(mSlot);
    mSlot = -1;
    return lWritten;
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
        lKept->mMain = mMain;
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
