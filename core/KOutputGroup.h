#ifndef RYVKIT_CORE_KOUTPUTGROUP_H
#define RYVKIT_CORE_KOUTPUTGROUP_H

#include <memory>
#include <string>
#include <vector>

class KOutputFile;

// One output made of several files, put in place together once every one is whole: a main
// target and the side files written with it (an AMC motion and the ASF skeleton beside it). Each
// KOutputFile joined to the group (KOutputFile::SetGroup) hands its whole file over at its own
// Commit; Commit of the group then puts every file handed over in its target's place. Until
// then every target stays as it was: after a failed write, a Discard, or the group's destruction
// without Commit, and when the process is killed (unnamed files vanish with it; named ones are
// removed by the interrupt cleanup where the signal can be caught). A side file (any target
// but the main one) is never written through a link: a link there is replaced itself.
class KOutputGroup
{
public:
    explicit KOutputGroup(std::string pMainTarget) : mMainTarget(std::move(pMainTarget)) {}
    KOutputGroup(const KOutputGroup&) = delete;
    KOutputGroup& operator=(const KOutputGroup&) = delete;
    ~KOutputGroup();

    // Closes every file handed over, each under a name beside its target, then renames each over
    // its target in the order they came, the termination signals held back throughout
    // (KSignalBlock). False, errno set, when one fails: the files not yet in place are removed,
    // and a rename refused after others succeeded (an immutable target) puts back the old files
    // of those, kept under a second name meanwhile (on a file system without hard links they
    // stay replaced). The group is empty afterwards.
    bool Commit();
    // Removes every file handed over; their targets stay as they were.
    void Discard();
    // The number of files handed over and not yet committed or discarded.
    int GetCount() const { return static_cast<int>(mFiles.size()); }
    // True for the target the group was made for (compared as given).
    bool IsMainTarget(const std::string& pTarget) const { return pTarget == mMainTarget; }

private:
    friend class KOutputFile;
    // Keeps pFile, which is open and whole, until Commit or Discard.
    void Adopt(std::unique_ptr<KOutputFile> pFile);

    std::string mMainTarget;
    std::vector<std::unique_ptr<KOutputFile>> mFiles;
};

#endif
