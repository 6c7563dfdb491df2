#ifndef RYVKIT_RYVFILE_KRYVPREFAULT_H
#define RYVKIT_RYVFILE_KRYVPREFAULT_H

#include <cstddef>

// Fresh memory about to be filled whole (the bytes of a file being read, an array copied out of
// them) is backed by pages in one request instead of one page fault per page as the bytes arrive:
// a fault taken while the system copies into the memory costs more than the page itself.
namespace KRyvPrefault {

// Asks for the whole pages inside [pStart, pStart + pSize), memory the caller owns and is about
// to write, to be backed at once. Only a hint: where the system cannot (or the pages are there),
// nothing happens and the writes fault the pages in as usual. Changes no byte.
void ForWrite(void* pStart, std::size_t pSize);

} // namespace KRyvPrefault

#endif
