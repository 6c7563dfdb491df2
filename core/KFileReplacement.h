#ifndef RYVKIT_CORE_KFILEREPLACEMENT_H
#define RYVKIT_CORE_KFILEREPLACEMENT_H

#include <cstddef>
#include <string>
#include <string_view>
#include <sys/types.h>

// One file of an output group's commit, described so that any later process can finish or undo
// it from the description alone (KCommitJournal keeps it on disk): the target, the name the new
// file has until it takes the target's place, the name the old file moves to where the file
// system cannot exchange two names, and which file each is (device and inode), so that nothing
// but those two files is ever renamed or removed. Every operation may be repeated, and may
// follow a process killed during any of them.
struct KFileReplacement
{
    // A file by device and inode; mExists false: none.
    struct Identity
    {
        bool mExists = false;
        dev_t mDevice = 0;
        ino_t mInode = 0;
    };

    std::string mTarget;
    std::string mNew;
    std::string mKept;
    Identity mNewFile;
    Identity mOldFile;

    // Notes the entry at the target (a link there is itself the old file) as the old file.
    // False, errno EISDIR, when it is a folder: nothing can take its place.
    bool NoteOld();
    // Puts the new file in the target's place, the old one (if any) left under the new file's
    // name (an exchange of the two names) or, where the file system cannot exchange names,
    // moved to mKept first. False, errno set and the target as it was, when refused.
    bool Replace() const;
    // Puts the old file back in the target's place (or removes the new file where there was
    // none) and removes the new file's name. False when the old file cannot be put back.
    bool Undo() const;
    // Puts the new file in place where it is not yet and removes the old file's names.
    void Complete() const;

    // The start of a hidden name beside pTarget: its folder, ".", the target's name and ".";
    // the caller adds a suffix of at most pSuffixLength characters. The target's name is cut
    // where the whole would pass the limit on a name (NAME_MAX), so that a target of a name up
    // to that limit still has its hidden names.
    static std::string HiddenStem(const std::string& pTarget, std::size_t pSuffixLength);

    // The description as one line of text, and back; Parse takes it from the start of ioText
    // and answers false (ioText as it was) for anything else.
    void AppendTo(std::string& ioText) const;
    static bool Parse(std::string_view& ioText, KFileReplacement& oReplacement);
};

#endif
