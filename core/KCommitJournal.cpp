#include "core/KCommitJournal.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// The first line of a journal; the state character follows it: kUndo or kComplete.
constexpr std::string_view kHeader = "ryvkit commit 1\n";
constexpr char kUndo = 'U';
constexpr char kComplete = 'C';
constexpr char kJournalSuffix[] = "commit";
// The most of a journal read: a commit lists a few files, each under a few long names.
constexpr std::size_t kMaxJournalSize = 1 << 20;
// Tries to take a journal that the commit holding it removes meanwhile.
constexpr int kTakeAttempts = 1000;

bool LockFile(int pFile)
{
    int lLocked = 0;
    do {
        lLocked = flock(pFile, LOCK_EX);
    } while (lLocked != 0 && errno == EINTR);
    return lLocked == 0;
}

// Whether pFile is the file now named pPath (the journal a commit removed is not).
bool IsNamed(int pFile, const std::string& pPath, struct stat& oStat)
{
    struct stat lNamed;
    return fstat(pFile, &oStat) == 0 && lstat(pPath.c_str(), &lNamed) == 0 &&
           oStat.st_dev == lNamed.st_dev && oStat.st_ino == lNamed.st_ino;
}

// The journal's text; empty for one larger than any commit writes, which is not this kit's.
std::string ReadJournal(int pFile)
{
    struct stat lStat;
    if (fstat(pFile, &lStat) != 0 || lStat.st_size <= 0 ||
        static_cast<std::uint64_t>(lStat.st_size) > kMaxJournalSize) {
        return std::string();
    }
    std::string lText(static_cast<std::size_t>(lStat.st_size), '\0');
    std::size_t lSize = 0;
    while (lSize < lText.size()) {
        const ssize_t lRead =
            pread(pFile, lText.data() + lSize, lText.size() - lSize, static_cast<off_t>(lSize));
        if (lRead < 0 && errno == EINTR) {
            continue;
        }
        if (lRead <= 0) {
            break;
        }
        lSize += static_cast<std::size_t>(lRead);
    }
    lText.resize(lSize);
    return lText;
}

bool WriteAt(int pFile, std::string_view pText, off_t pOffset)
{
    while (!pText.empty()) {
        const ssize_t lWritten = pwrite(pFile, pText.data(), pText.size(), pOffset);
        if (lWritten < 0 && errno == EINTR) {
            continue;
        }
        if (lWritten <= 0) {
            return false;
        }
        pText.remove_prefix(static_cast<std::size_t>(lWritten));
        pOffset += lWritten;
    }
    return true;
}

} // namespace

KCommitJournal::~KCommitJournal()
{
    if (!mUnsettled) {
        Remove();
    }
    Release();
}

std::string KCommitJournal::PathFor(const std::string& pTarget)
{
    return KFileReplacement::HiddenStem(pTarget, sizeof(kJournalSuffix) - 1) + kJournalSuffix;
}

bool KCommitJournal::Take(bool pCreate)
{
    Release();
    for (int lAttempt = 0; lAttempt < kTakeAttempts; ++lAttempt) {
        int lFile =
            open(mPath.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | (pCreate ? O_CREAT : 0), 0600);
        if (lFile < 0 && errno == EACCES) {
            // Another user's: held only to see that nobody uses it any more.
            lFile = open(mPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        }
        if (lFile < 0) {
            return !pCreate && errno == ENOENT;
        }
        struct stat lStat;
        if (!LockFile(lFile)) {
            const int lError = errno;
            close(lFile);
            errno = lError;
            return false;
        }
        const bool lNamed = IsNamed(lFile, mPath, lStat);
        if (lNamed && lStat.st_uid == geteuid() && (fcntl(lFile, F_GETFL) & O_ACCMODE) == O_RDWR) {
            mFile = lFile;
            return true;
        }
        // Removed by the commit that held it, or left by another user, whose record is not
        // trusted: the next attempt makes a journal of its own, unless it cannot be removed.
        if (lNamed && unlink(mPath.c_str()) != 0) {
            const int lError = errno;
            close(lFile);
            errno = lError;
            return false;
        }
        close(lFile);
    }
    errno = EAGAIN;
    return false;
}

void KCommitJournal::Mend()
{
    if (mFile < 0) {
        return;
    }
    const std::string lText = ReadJournal(mFile);
    std::string_view lRest = lText;
    if (lRest.substr(0, kHeader.size()) != kHeader || lRest.size() < kHeader.size() + 2) {
        return;
    }
    // Read whole before any step is taken: what cannot be read (for want of memory) stays
    // for the next commit to mend.
    mUnsettled = true;
    const char lState = lRest[kHeader.size()];
    lRest.remove_prefix(kHeader.size() + 2);
    std::vector<KFileReplacement> lSteps;
    for (KFileReplacement lStep; KFileReplacement::Parse(lRest, lStep);) {
        lSteps.push_back(std::move(lStep));
    }
    for (const KFileReplacement& lStep : lSteps) {
        if (lState == kComplete) {
            lStep.Complete();
        } else {
            lStep.Undo();
        }
    }
    mUnsettled = false;
}

bool KCommitJournal::Record(const std::vector<KFileReplacement>& pSteps)
{
    std::string lText(kHeader);
    lText += kUndo;
    lText += '\n';
    for (const KFileReplacement& lStep : pSteps) {
        lStep.AppendTo(lText);
    }
    mUnsettled = ftruncate(mFile, 0) == 0 && WriteAt(mFile, lText, 0);
    return mUnsettled;
}

bool KCommitJournal::MarkComplete() const
{
    return WriteAt(mFile, std::string_view(&kComplete, 1), static_cast<off_t>(kHeader.size()));
}

void KCommitJournal::Remove()
{
    // Called on the way out of a failed commit, whose cause errno holds.
    const int lError = errno;
    if (mFile >= 0) {
        unlink(mPath.c_str());
    }
    Release();
    mUnsettled = false;
    errno = lError;
}

void KCommitJournal::Release()
{
    if (mFile >= 0) {
        close(mFile);
        mFile = -1;
    }
}
