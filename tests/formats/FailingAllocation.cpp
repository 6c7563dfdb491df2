#include "tests/formats/FailingAllocation.h"

#include "formats/geometry/obj/KObjPageAllocator.h"
#include "tests/formats/AllocationBytes.h"
#include "tests/support/ReplacedNew.h"

#include <cerrno>
#include <cstdlib>

#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/lsan_interface.h>
#endif

namespace {

// Allocations left before the one that fails; 0 while nothing is armed.
thread_local long gAllocationsLeft = 0;
// Mappings the walk refused.
thread_local long gMappingsFailed = 0;

} // namespace

void* ReplacedNew::Allocate(std::size_t pSize)
{
    if (gAllocationsLeft > 0 && --gAllocationsLeft == 0) {
        return nullptr;
    }
    void* lBlock = std::malloc(pSize == 0 ? 1 : pSize);
    AllocationBytes::Allocated(lBlock);
    return lBlock;
}

// The memory comes from malloc, so free is the matching release.
void ReplacedNew::Release(void* pMemory)
{
    AllocationBytes::Released(pMemory);
    std::free(pMemory);
}

FailingAllocation::FailingAllocation(long pNth)
{
#ifdef __SANITIZE_ADDRESS__
    __lsan_disable();
#endif
    gAllocationsLeft = pNth;
}

FailingAllocation::~FailingAllocation()
{
    gAllocationsLeft = 0;
#ifdef __SANITIZE_ADDRESS__
    __lsan_enable();
#endif
}

bool FailingAllocation::Fired(long pNth)
{
    return pNth > 0 && gAllocationsLeft == 0;
}

long FailingAllocation::Left()
{
    return gAllocationsLeft;
}

long FailingAllocation::MappingsFailed()
{
    return gMappingsFailed;
}

#ifndef RYVKIT_OBJ_PAGES_FROM_NEW
// Big blocks that bypass the heap (the OBJ reader's lists) are anonymous mappings made through
// mmap: each counts as an allocation of the walk. Mappings the C library makes for itself do
// not come here.
extern "C" void* mmap(void* pAddress, std::size_t pLength, int pProtection, int pFlags, int pFile,
                      off_t pOffset) noexcept
{
    if ((pFlags & MAP_ANONYMOUS) != 0 && gAllocationsLeft > 0 && --gAllocationsLeft == 0) {
        ++gMappingsFailed;
        errno = ENOMEM;
        return MAP_FAILED;
    }
    return reinterpret_cast<void*>(
        syscall(SYS_mmap, pAddress, pLength, pProtection, pFlags, pFile, pOffset));
}
#endif
