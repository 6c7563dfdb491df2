#include "tests/formats/FailingAllocation.h"

#include "formats/geometry/obj/KObjPageAllocator.h"
#include "tests/formats/AllocationBytes.h"

#include <cerrno>
#include <cstdlib>
#include <new>

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

void* Allocate(std::size_t pSize)
{
    if (gAllocationsLeft > 0 && --gAllocationsLeft == 0) {
        return nullptr;
    }
    void* lBlock = std::malloc(pSize == 0 ? 1 : pSize);
    AllocationBytes::Allocated(lBlock);
    return lBlock;
}

// The replaced operator new takes its memory from malloc, so free is the matching release.
void Release(void* pMemory)
{
    AllocationBytes::Released(pMemory);
    std::free(pMemory);
}

} // namespace

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

void* operator new(std::size_t pSize)
{
    void* lMemory = Allocate(pSize);
    if (!lMemory) {
        throw std::bad_alloc();
    }
    return lMemory;
}

void* operator new(std::size_t pSize, const std::nothrow_t&) noexcept
{
    return Allocate(pSize);
}

void operator delete(void* pMemory) noexcept
{
    Release(pMemory);
}

void operator delete(void* pMemory, std::size_t) noexcept
{
    Release(pMemory);
}

// Called when a constructor throws inside a "new (std::nothrow)".
void operator delete(void* pMemory, const std::nothrow_t&) noexcept
{
    Release(pMemory);
}
