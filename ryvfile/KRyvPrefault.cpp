#include "ryvfile/KRyvPrefault.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

void KRyvPrefault::ForWrite(void* pStart, std::size_t pSize)
{
#ifdef MADV_POPULATE_WRITE
    const long lPage = sysconf(_SC_PAGESIZE);
    if (!pStart || lPage <= 0) {
        return;
    }
    // Only pages wholly inside the range: the ones it shares with other memory are left alone.
    const auto lPageSize = static_cast<std::uintptr_t>(lPage);
    const auto lStart = reinterpret_cast<std::uintptr_t>(pStart);
    const std::uintptr_t lFirst = (lStart + lPageSize - 1) & ~(lPageSize - 1);
    const std::uintptr_t lEnd = (lStart + pSize) & ~(lPageSize - 1);
    if (lEnd <= lFirst) {
        return;
    }
    // Memory used before (a buffer reused by the allocator) is backed already, and asking again
    // would walk every page for nothing: its first page tells.
    unsigned char lResident = 0;
    if (mincore(reinterpret_cast<void*>(lFirst), lPageSize, &lResident) == 0 && (lResident & 1)) {
        return;
    }
    // A refusal (an older system, no memory to spare now) leaves the usual faults to do it.
    madvise(reinterpret_cast<void*>(lFirst), lEnd - lFirst, MADV_POPULATE_WRITE);
#else
    (void)pStart;
    (void)pSize;
#endif
}
