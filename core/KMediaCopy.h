#ifndef RYVKIT_CORE_KMEDIACOPY_H
#define RYVKIT_CORE_KMEDIACOPY_H

#include "core/KString.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class KOutputGroup;

// Copies the media files a scene names (texture images) into the folder of a file being written,
// for the writers whose formats keep media beside the scene file. The rule:
// - only a regular file is copied: a device, a pipe or a folder is refused (a texture named
//   /dev/zero would otherwise fill the disk);
// - a target that exists already is left alone, with a warning line when the texture could have
//   been copied and that file holds other bytes;
// - a file read from a scene file keeps, as its relative file name, the path that file gave;
//   when that path leaves the scene file's folder (an absolute path, or a ".." step), when the
//   path opened is not that relative path below some folder, or when it leads out of that
//   folder through a link, the file is not copied, so a scene file cannot pull other files of
//   the machine into the output folder;
//   a file named by a program (no relative file name) is copied from wherever it is;
// - every outcome but an existing target of the same bytes adds one line to the writer's
//   message text, so each file copied is named there with its source and target.
class KMediaCopy
{
public:
    enum EResult : int {
        eCopied = 0,
        eTargetExists = 1,
        eOutsideSourceFolder = 2,
        eNotRegularFile = 3,
        eMissing = 4,
        eWriteFailed = 5,
        eTooLarge = 6
    };

    // Copies pSource to pTarget by the rule above (pRelativeName: the path as the scene file
    // gave it, null or empty when there was none) and appends the outcome to ioMessage. The
    // copy goes through KOutputFile: a failed copy leaves no partial target. With pGroup (not
    // owned) the copy is one of the group's files: it is put in place by the group's Commit,
    // with the file it was copied for, and a write that fails leaves no copy either.
    static EResult Copy(const char* pSource, const char* pRelativeName, const char* pTarget,
                        KString& ioMessage, KOutputGroup* pGroup = nullptr);
    // Reads pSource by the same rule into oBytes (emptied first), for the writers that keep media
    // inside the scene file; a file of more than pLimit bytes is eTooLarge. Every outcome adds
    // one line to ioMessage. The size is known before reading: a file too large is never read.
    static EResult Load(const char* pSource, const char* pRelativeName, std::size_t pLimit,
                        std::vector<std::uint8_t>& oBytes, KString& ioMessage);
    // True when pPath, taken relative to some folder, leads out of it: absolute ('/' or '\\'
    // first, or a drive letter), or with a ".." step ('/' and '\\' both separate).
    static bool LeavesFolder(const char* pPath);
    // The file pRelativeName names below pFolder (the current folder when empty), as it is
    // named on disk, relative to pFolder: the name as given when that exists, else each part
    // ('/' and '\\' both separate) matched without regard to case, the first match in byte
    // order when several differ only in case. The last part matches only what is not a folder,
    // the others only folders. A name that leaves the folder is answered as
    // given and never looked up, and so is a name nothing matches.
    static std::string Locate(const char* pFolder, const char* pRelativeName);
};

#endif
