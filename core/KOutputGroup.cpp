#include "core/KOutputGroup.h"

#include "core/KOutputFile.h"
#include "core/KSignalBlock.h"

#include <cerrno>

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
    // Every file is closed under its temporary name before any target is replaced, so that the
    // last step left is a rename per file. A termination signal waits until every file is in
    // place or dropped: it must not leave a new file beside an old one.
    const KSignalBlock lHeld;
    bool lWhole = true;
    for (std::unique_ptr<KOutputFile>& lFile : mFiles) {
        lWhole = lWhole && lFile->Finish();
    }
    // The old files stay reachable until every rename is done, so that a rename refused
    // half-way (an immutable target) puts back those already replaced.
    for (std::unique_ptr<KOutputFile>& lFile : mFiles) {
        lWhole = lWhole && lFile->KeepOld();
    }
    std::size_t lInstalled = 0;
    for (; lWhole && lInstalled < mFiles.size(); ++lInstalled) {
        lWhole = mFiles[lInstalled]->Install();
    }
    const int lError = errno;
    for (std::size_t i = 0; i < mFiles.size(); ++i) {
        if (!lWhole && i + 1 < lInstalled) {
            mFiles[i]->RestoreOld();
        }
        mFiles[i]->DropOld();
    }
    Discard();
    errno = lError;
    return lWhole;
}

void KOutputGroup::Discard()
{
    // Each file removes what of it is left when it goes.
    mFiles.clear();
}
