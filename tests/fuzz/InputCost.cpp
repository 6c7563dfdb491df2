#include "tests/fuzz/InputCost.h"

#include "tests/support/ReplacedNew.h"

#include <atomic>
#include <cstdlib>

#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// Counted over every thread, so that no work escapes the count by running on one of its own.
std::atomic<long long> gAllocations{0};
std::atomic<long long> gBytes{0};
std::atomic<long long> gMappedBytes{0};

} // namespace

void* ReplacedNew::Allocate(std::size_t pSize)
{
    gAllocations.fetch_add(1, std::memory_order_relaxed);
    gBytes.fetch_add(static_cast<long long>(pSize), std::memory_order_relaxed);
    return std::malloc(pSize == 0 ? 1 : pSize);
}

// The memory comes from malloc, so free is the matching release.
void ReplacedNew::Release(void* pBlock)
{
    std::free(pBlock);
}

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
