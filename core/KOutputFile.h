#ifndef RYVKIT_CORE_KOUTPUTFILE_H
#define RYVKIT_CORE_KOUTPUTFILE_H

#include <cstdio>
#include <string>
#include <vector>

class KOutputGroup;
struct KFileReplacement;

// A file a writer makes without risking the one already there: the bytes go to a temporary file
// in the target's folder, which Commit puts in the target's place once everything was written;
// Discard (and the destructor, when Commit never came) closes and removes it, leaving the target
// exactly as it was. A target that existed keeps its permission bits; a new one gets those of a
// plain fopen. A link is followed to the file it names, unless told to replace links (a side
// file written beside another is never written through one). A target that exists and is not a
// regular file (a device, a pipe) is written directly, as nothing can be put in its place. A
// side file (eReplaceLinks) is only ever a regular file of its own: a link, a pipe, a socket or
// a device at its place is replaced itself, never opened, and a folder there is refused (EISDIR).
//
// Joined to a KOutputGroup, the file is not put in place by its Commit but handed whole to the
// group, whose own Commit puts all its files in place together.
//
// Where the file system allows, the temporary file has no name (O_TMPFILE) until the commit
// names it, so that even a killed process leaves nothing behind. Otherwise it is a hidden
// ".<name>.XXXXXX" beside the target, which the cleanup of InstallInterruptCleanup removes when
// the process is interrupted while writing. A temporary name cuts the target's name where it
// would pass the limit on a name (NAME_MAX). Commit puts the file in place as an output group of
// its own does (KOutputGroup::Commit): journalled, after any other commit of the same target,
// the termination signals held back meanwhile.
class KOutputFile
{
public:
    // What a link at the target names: followed to the file it names, whose content is
    // replaced; or replaced itself by the new file, its own target untouched.
    enum ELinks : int { eFollowLinks, eReplaceLinks };

    // pAllowUnnamed false: always a named temporary file.
    explicit KOutputFile(bool pAllowUnnamed = true) : mAllowUnnamed(pAllowUnnamed) {}
    KOutputFile(const KOutputFile&) = delete;
    KOutputFile& operator=(const KOutputFile&) = delete;
    ~KOutputFile();

    // Discards an open file, then opens a new temporary file beside pTarget for binary writing.
    // False (nothing open, errno set) when the folder refuses a new file or pTarget is empty.
    // In a group, a target other than the group's main one always takes eReplaceLinks.
    bool Create(const char* pTarget, ELinks pLinks = eFollowLinks);
    // The group (not owned; null: none) the files created from now on are handed to by Commit.
    // The group must outlive the file's Commit.
    void SetGroup(KOutputGroup* pGroup) { mGroup = pGroup; }
    // The stream to write to; null while nothing is open.
    std::FILE* GetStream() const { return mStream; }
    bool IsOpen() const { return mStream != nullptr; }
    const std::string& GetTarget() const { return mTarget; }

    // Flushes and closes the stream and puts the file in the target's place. False when nothing
    // is open, or when a write, the flush, the close, the journal or the rename failed: the
    // temporary file is then removed and the target left as it was. In a group the file is
    // flushed and handed to the group instead (false, the file dropped, when a write or the
    // flush failed); this object is then closed.
    bool Commit();
    // Closes and removes the temporary file; nothing happens when none is open.
    void Discard();

    // The file a Create of pTarget following links writes: the file a link at pTarget names, else
    // pTarget itself: the target a commit's journal lies beside.
    static std::string GetWrittenPath(const char* pTarget);

    // For a program: on SIGINT, SIGTERM and SIGHUP the named temporary files still open are
    // removed, then the signal ends the process as it would have without the cleanup. Signals
    // the program ignores stay ignored.
    static void InstallInterruptCleanup();

private:
    friend class KOutputGroup;

    bool CreateUnnamed(const std::string& pFolder, unsigned pMode);
    bool CreateNamed(const std::string& pTemporary, unsigned pMode);
    // For a group's commit, which holds the target's journal: whether the file has a temporary
    // file to put in place (else it is written in place), and the description of that step,
    // with names beside the target that are free and none of pTaken's; false, errno set, when
    // there is none to be had or the target is a folder.
    bool HasTemporary() const { return mUnnamed || !mTemporary.empty(); }
    bool Prepare(KFileReplacement& oStep, const std::vector<KFileReplacement>& pTaken) const;
    // The file whole and closed, an unnamed one under the name pStep gives it (null for a file
    // written in place). False, errno set, when a write, the flush, the naming or the close
    // failed. The file then no longer knows its temporary name either way: the group's step
    // owns it.
    bool Finish(const KFileReplacement* pStep);
    // Moves the open file into a new object the group keeps.
    bool HandOver();
    // Discard with errno kept.
    void DropAfterFailure();

    bool mAllowUnnamed;
    KOutputGroup* mGroup = nullptr;
    std::FILE* mStream = nullptr;
    std::string mTarget;
    std::string mTemporary;
    // Whether the target is its group's main one (always for a file without a group).
    bool mMain = true;
    bool mUnnamed = false;
    int mSlot = -1;
};

#endif
