#include "tests/fuzz/InputCost.h"

#include <atomic>
#include <cstdlib>
#include <new>

#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// Counted on every thread (the native writer derives keys on one of its own).
std::atomic<long long> gAllocations{0};
std::atomic<long long> gBytes{0};
std::atomic<long long> gMappedBytes{0};

void* Allocate(std::size_t pSize)
{
    gAllocations.fetch_add(1, std::memory_order_relaxed);
    gBytes.fetch_add(static_cast<long long>(pSize), std::memory_order_relaxed);
    return std::malloc(pSize == 0 ? 1 : pSize);
}

} // namespace

InputCost InputCost::Now()
{
    return InputCost{gAllocations.load(), gBytes.load(), gMappedBytes.load()};
}

InputCost InputCost::operator-(const InputCost& pBefore) const
{
    return InputCost{mAllocations - pBefore.mAllocations, mBytes - pBefore.mBytes,
                     mMappedBytes - pBefore.mMappedBytes};
}

// Mappings the C library makes for itself (a large malloc) do not come here; those made through
// mmap by the kit and the libraries it calls do.
extern "C" void* mmap(void* pAddress, std::size_t pLength, int pProtection, int pFlags, int pFile,
                      off_t pOffset) noexcept
{
    if ((pFlags & MAP_ANONYMOUS) != 0) {
        gMappedBytes.fetch_add(static_cast<long long>(pLength), std::memory_order_relaxed);
    }
    return reinterpret_cast<void*>(
        syscall(SYS_mmap, pAddress, pLength, pProtection, pFlags, pFile, pOffset));
}

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

// The replaced operator new takes its memory from malloc, so free is the matching release.
void operator delete(void* pMemory) noexcept
{
    std::free(pMemory);
}

void operator delete(void* pMemory, std::size_t) noexcept
{
    std::free(pMemory);
}
