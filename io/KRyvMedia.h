#ifndef RYVKIT_IO_KRYVMEDIA_H
#define RYVKIT_IO_KRYVMEDIA_H

#include "core/KString.h"

class KRyvFile;

// Embedded media: the bytes of a texture's or video's file stored in its record ("Content":
// the file's own name, then its bytes) and written out again on reading.
namespace KRyvMedia {

// Media files larger than this are not embedded (a warning says so).
constexpr long long kMaxEmbeddedSize = 1LL << 31;

// Appends a "Content" record for the file; a file that does not open or is too large adds a
// warning line to ioMessage instead.
void Embed(KRyvFile& ioFile, const char* pFileName, KString& ioMessage);

// The file name to store for a media path: its last part without any folder; empty for a
// name that is empty, "." or ".." (such a name is never written).
KString SafeName(const char* pStoredName);

// When the current record holds a "Content" record, writes its bytes into pFolder (created
// when missing) under the stored name made safe: never outside that folder, and never over an
// existing file with other bytes (a free name "name_1.ext", "name_2.ext", ... is taken then;
// a file with the same bytes is reused). oPath receives the written file's path. False when
// there is no content or it cannot be written (a warning line says why).
bool Restore(KRyvFile& ioFile, const char* pFolder, KString& oPath, KString& ioMessage);

} // namespace KRyvMedia

#endif
