#ifndef RYVKIT_IO_KRYVMEDIA_H
#define RYVKIT_IO_KRYVMEDIA_H

#include "core/KString.h"

#include <string>
#include <unordered_map>

class KRyvFile;

// Embedded media: the bytes of a texture's or video's file stored in its record ("Content":
// the file's own name, then its bytes) and written out again on reading.
namespace KRyvMedia {

// Media files larger than this are not embedded (a warning says so).
constexpr long long kMaxEmbeddedSize = 1LL << 31;

// Appends a "Content" record for the file, read by the rule of texture copies (KMediaCopy:
// regular files only, opened without blocking, nothing from outside the folder of the file
// that named it by pRelativeName). Every file embedded or refused adds a line to ioMessage.
void Embed(KRyvFile& ioFile, const char* pFileName, const char* pRelativeName, KString& ioMessage);

// The file name to store for a media path: its last part without any folder; empty for a
// name that is empty, "." or ".." (such a name is never written).
KString SafeName(const char* pStoredName);

} // namespace KRyvMedia

// The folder one read restores embedded media into. A file is only ever created new (never
// through a link, never over an existing file, never outside the folder whatever the stored
// name says); a file of the same name and other bytes gives the next free name "name_1.ext",
// "name_2.ext", ..., searched on from where the last search of that name ended, so that a read
// costs time linear in its records. A regular file of the name with the same bytes is reused.
class KRyvMediaFolder
{
public:
    // Names of one stored name tried at most, so that a full folder cannot stall a read.
    static constexpr int kMaxNameTries = 10000;

    explicit KRyvMediaFolder(const char* pFolder) : mFolder(pFolder ? pFolder : "") {}

    // When the current record holds a "Content" record, writes its bytes into the folder
    // (created when missing); oPath receives the file's path. False when there is no content
    // or it cannot be written (a warning line says why).
    bool Restore(KRyvFile& ioFile, KString& oPath, KString& ioMessage);

private:
    KString mFolder;
    // The next number to try for each stored name.
    std::unordered_map<std::string, int> mNextNumber;
};

#endif
