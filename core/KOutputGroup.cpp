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
    for (std::unique_ptr<KOutputFile>& lFile : mFiles) {
        lWhole = lWhole && lFile->Install();
    }
    const int lError = errno;
    Discard();
    errno = lError;
    return lWhole;
}

void KOutputGroup::Discard()
{
    // Each file removes what of it is left when it goes.
    mFiles.clear();
}
