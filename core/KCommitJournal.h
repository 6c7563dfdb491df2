#ifndef RYVKIT_CORE_KCOMMITJOURNAL_H
#define RYVKIT_CORE_KCOMMITJOURNAL_H

#include "core/KFileReplacement.h"

#include <string>
#include <utility>
#include <vector>

// The record of an output group's commit, in a hidden file beside the group's main target
// (".<name>.commit"), which also keeps two commits of the same target apart: it is taken with
// an exclusive lock (flock) that a second writer waits for, and that ends with the process. It
// lists every file's replacement (KFileReplacement) and whether the commit still undoes them
// (until every file is in place) or completes them; so the next commit of the same target finds
// what a killed one left and puts all its old files back, or all its new ones in place, and
// removes their other names. A journal another user owns is not trusted: once nobody holds it,
// it is removed unread. Every commit removes its journal when done.
class KCommitJournal
{
public:
    // pPath: the journal's file (PathFor).
    explicit KCommitJournal(std::string pPath) : mPath(std::move(pPath)) {}
    KCommitJournal(const KCommitJournal&) = delete;
    KCommitJournal& operator=(const KCommitJournal&) = delete;
    // Lets go of the journal, and removes its file unless it lists steps not yet settled (a
    // commit that could not undo its steps leaves them to the next one).
    ~KCommitJournal();

    // The journal of a commit whose main file is pTarget.
    static std::string PathFor(const std::string& pTarget);

    // Waits until no other process holds the journal, then holds it; pCreate false: only a
    // journal that exists is taken (true, nothing held, when there is none). False, errno set,
    // when it cannot be made or opened.
    bool Take(bool pCreate);
    // Undoes or completes what a commit that ended before removing its journal had begun.
    void Mend();
    // Writes pSteps, to be undone should the commit end now; they count as unsettled until
    // Remove. False, errno set, when they cannot be written.
    bool Record(const std::vector<KFileReplacement>& pSteps);
    // From now on the recorded steps are completed; false, errno set, when it cannot be noted.
    bool MarkComplete() const;
    // Removes the journal's file and lets go of it; errno is kept.
    void Remove();

private:
    void Release();

    std::string mPath;
    int mFile = -1;
    // Whether the file lists steps nobody has undone or completed yet.
    bool mUnsettled = false;
};

#endif
