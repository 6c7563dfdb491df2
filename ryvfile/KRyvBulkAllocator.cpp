#include "ryvfile/KRyvBulkAllocator.h"

#include <sys/mman.h>

void* KRyvBulkMemory::Allocate(std::size_t pSize)
{
    if (pSize < kMappedSize) {
        return ::operator new(pSize);
    }
    void* lMemory =
        mmap(nullptr, pSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (lMemory == MAP_FAILED) {
        throw std::bad_alloc();
    }
    // Only advice: without huge pages the buffer works the same, with more faults.
    madvise(lMemory, pSize, MADV_HUGEPAGE);
    return lMemory;
}

void KRyvBulkMemory::Release(void* pMemory, std::size_t pSize)
{
    if (pSize < kMappedSize) {
        ::operator delete(pMemory);
        return;
    }
    munmap(pMemory, pSize);
}
