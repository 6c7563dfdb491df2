#include "core/KOutputGroup.h"

#include "core/KCommitJournal.h"
#include "core/KFileReplacement.h"
#include "core/KOutputFile.h"
#include "core/KSignalBlock.h"

#include <cerrno>
#include <new>
#include <utility>

namespace {

// Undoes every step (each may be undone again, or have never begun); true when every old file
// is back.
bool UndoAll(const std::vector<KFileReplacement>& pSteps)
{
    bool lBack = true;
    for (const KFileReplacement& lStep : pSteps) {
        lBack = lStep.Undo() && lBack;
    }
    return lBack;
}

} // namespace

KOutputGroup::KOutputGroup(std::string pMainTarget) : mMainTarget(std::move(pMainTarget)) {}

KOutputGroup::~KOutputGroup()
{
    Discard();
}

void KOutputGroup::Adopt(std::unique_ptr<KOutputFile> pFile)
{
    mFiles.push_back(std::move(pFile));
}

bool KOutputGroup::Commit()
{
    mFailedTarget.clear();
    bool lCommitted = false;
    try {
        lCommitted = CommitFiles();
    } catch (const std::bad_alloc&) {
        // Only the preparation allocates, before any target is touched; the journal goes
        // unless it holds what a killed commit left.
        errno = ENOMEM;
    }
    const int lError = errno;
    Discard();
    errno = lError;
    return lCommitted;
}

bool KOutputGroup::CommitFiles()
{
    const KOutputFile* lHolder = FindJournalHolder();
    std::string lJournalPath;
    if (lHolder) {
        lJournalPath = KCommitJournal::PathFor(lHolder->GetTarget());
    } else if (mFiles.empty() && !mMainTarget.empty()) {
        lJournalPath = KCommitJournal::PathFor(KOutputFile::GetWrittenPath(mMainTarget.c_str()));
    }
    // Waited for with the signals free: a process stuck waiting can still be interrupted.
    KCommitJournal lJournal(lJournalPath);
    if (!lJournalPath.empty() && !lJournal.Take(lHolder != nullptr)) {
        return Refuse(lHolder ? lHolder->GetTarget() : mMainTarget);
    }
    // Once the journal is held, a termination signal waits until every file is in place or
    // back: it must not leave a new file beside an old one. Only a SIGKILL can, and the
    // journal lets the next commit mend that.
    const KSignalBlock lHeld;
    lJournal.Mend();
    std::vector<KFileReplacement> lSteps;
    std::vector<int> lStepOf;
    // A refusal removes the journal before the signals held meanwhile may end the process.
    if (!PrepareSteps(lSteps, lStepOf)) {
        lJournal.Remove();
        return false;
    }
    if (!lSteps.empty() && !lJournal.Record(lSteps)) {
        lJournal.Remove();
        return Refuse(lHolder->GetTarget());
    }
    if (!FinishFiles(lSteps, lStepOf) || !ReplaceTargets(lSteps, lStepOf, lJournal)) {
        const int lError = errno;
        // A journal whose steps could not all be undone is left for the next commit to mend.
        if (UndoAll(lSteps)) {
            lJournal.Remove();
        }
        errno = lError;
        return false;
    }
    for (const KFileReplacement& lStep : lSteps) {
        lStep.Complete();
    }
    lJournal.Remove();
    return true;
}

bool KOutputGroup::PrepareSteps(std::vector<KFileReplacement>& oSteps, std::vector<int>& oStepOf)
{
    oSteps.reserve(mFiles.size());
    oStepOf.assign(mFiles.size(), -1);
    for (std::size_t i = 0; i < mFiles.size(); ++i) {
        if (!mFiles[i]->HasTemporary()) {
            continue;
        }
        KFileReplacement lStep;
        if (!mFiles[i]->Prepare(lStep, oSteps)) {
            return Refuse(mFiles[i]->GetTarget());
        }
        oStepOf[i] = static_cast<int>(oSteps.size());
        oSteps.push_back(std::move(lStep));
    }
    return true;
}

bool KOutputGroup::FinishFiles(const std::vector<KFileReplacement>& pSteps,
                               const std::vector<int>& pStepOf)
{
    // Every file is closed under its hidden name before any target is replaced, so that the
    // last step left is a rename per file.
    for (std::size_t i = 0; i < mFiles.size(); ++i) {
        const KFileReplacement* lStep = pStepOf[i] < 0 ? nullptr : &pSteps[pStepOf[i]];
        if (!mFiles[i]->Finish(lStep)) {
            return Refuse(mFiles[i]->GetTarget());
        }
    }
    return true;
}

bool KOutputGroup::ReplaceTargets(const std::vector<KFileReplacement>& pSteps,
                                  const std::vector<int>& pStepOf, KCommitJournal& ioJournal)
{
    // In the files' order, which is the steps'; a refusal names the target as it was given.
    for (std::size_t i = 0; i < mFiles.size(); ++i) {
        if (pStepOf[i] >= 0 && !pSteps[static_cast<std::size_t>(pStepOf[i])].Replace()) {
            return Refuse(mFiles[i]->GetTarget());
        }
    }
    return pSteps.empty() || ioJournal.MarkComplete() || Refuse(mMainTarget);
}

const KOutputFile* KOutputGroup::FindJournalHolder() const
{
    const KOutputFile* lFirst = nullptr;
    for (const std::unique_ptr<KOutputFile>& lFile : mFiles) {
        if (lFile->HasTemporary() && lFile->mMain) {
            return lFile.get();
        }
        if (lFile->HasTemporary() && !lFirst) {
            lFirst = lFile.get();
        }
    }
    return lFirst;
}

bool KOutputGroup::Refuse(const std::string& pTarget)
{
    const int lError = errno;
    try {
        mFailedTarget = pTarget;
    } catch (const std::bad_alloc&) {
        // Unnamed rather than a failure that skips the undoing of the steps.
        mFailedTarget.clear();
    }
    errno = lError;
    return false;
}

void KOutputGroup::Discard()
{
    // Each file removes what of it is left when it goes.
    mFiles.clear();
}
