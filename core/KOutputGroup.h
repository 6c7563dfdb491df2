#ifndef RYVKIT_CORE_KOUTPUTGROUP_H
#define RYVKIT_CORE_KOUTPUTGROUP_H

#include <memory>
#include <string>
#include <vector>

class KCommitJournal;
class KOutputFile;
struct KFileReplacement;

// One output made of several files, put in place together once every one is whole: a main
// target and the side files written with it (an AMC motion and the ASF skeleton beside it, an
// OBJ file with its material library and the textures copied for it). Each KOutputFile joined to
// the group (KOutputFile::SetGroup) hands its whole file over at its own Commit; Commit of the
// group then puts every file handed over in its target's place. Until then every target stays as
// it was: after a failed write, a Discard, or the group's destruction without Commit, and when
// the process is killed (unnamed files vanish with it; named ones are removed by the interrupt
// cleanup where the signal can be caught). A side file (any target but the main one) is never
// written through a link: a link there is replaced itself.
//
// Commit keeps a journal beside the main target (KCommitJournal), so that it is safe whatever
// ends the process: a commit killed half-way (SIGKILL, a power cut aside) is undone, or
// completed once every file was in place, by the next commit of the same main target, which
// also removes the hidden names it left; and two commits of the same main target, in two
// processes or two threads, run one after the other: the second waits for the first. In a
// process of several threads, the termination signals are held back process-wide during the
// renames (KSignalBlock): one sent to the process meanwhile, whichever thread takes it, acts
// once the files are in place; a signal whose action the program set to "ignore" stays ignored.
class KOutputGroup
{
public:
    explicit KOutputGroup(std::string pMainTarget);
    KOutputGroup(const KOutputGroup&) = delete;
    KOutputGroup& operator=(const KOutputGroup&) = delete;
    ~KOutputGroup();

    // Waits for any other commit of the main target, mends what a killed one left, then closes
    // every file handed over, each under a hidden name beside its target, and puts each in its
    // target's place in the order they came, the old file kept under that hidden name (an
    // exchange of the two names; where the file system cannot exchange, the old file is moved
    // aside first) until every file is in place, when the old files are removed. False, errno
    // set and GetFailedTarget naming the file refused, when one fails: the files already in place
    // get their old files back (or go, where there was none) and nothing of the new ones is
    // left. With nothing handed over, Commit only mends. The group is empty afterwards.
    bool Commit();
    // Removes every file handed over; their targets stay as they were.
    void Discard();
    // The number of files handed over and not yet committed or discarded.
    int GetCount() const { return static_cast<int>(mFiles.size()); }
    // True for the target the group was made for (compared as given).
    bool IsMainTarget(const std::string& pTarget) const { return pTarget == mMainTarget; }
    // The target of the file the last Commit failed on (the main target when the failure was
    // the group's own: its journal); empty after a Commit that succeeded.
    const std::string& GetFailedTarget() const { return mFailedTarget; }

private:
    friend class KOutputFile;
    // Keeps pFile, which is open and whole, until Commit or Discard.
    void Adopt(std::unique_ptr<KOutputFile> pFile);

    // Commit's steps, the journal held and the signals held back.
    bool CommitFiles();
    bool PrepareSteps(std::vector<KFileReplacement>& oSteps, std::vector<int>& oStepOf);
    bool FinishFiles(const std::vector<KFileReplacement>& pSteps, const std::vector<int>& pStepOf);
    bool ReplaceTargets(const std::vector<KFileReplacement>& pSteps,
                        const std::vector<int>& pStepOf, KCommitJournal& ioJournal);
    // The file beside which the journal lies: the main one, else the first with a temporary
    // file; null when no file has one.
    const KOutputFile* FindJournalHolder() const;
    // Notes pTarget as the one refused and answers false, errno kept.
    bool Refuse(const std::string& pTarget);

    std::string mMainTarget;
    std::vector<std::unique_ptr<KOutputFile>> mFiles;
    std::string mFailedTarget;
};

#endif
