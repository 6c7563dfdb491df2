#include "tests/formats/FailingAllocation.h"

#include <cstdlib>
#include <new>

#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/lsan_interface.h>
#endif

namespace {

// Allocations left before the one that fails; 0 while nothing is armed.
thread_local long gAllocationsLeft = 0;

void* Allocate(std::size_t pSize)
{
    if (gAllocationsLeft > 0 && --gAllocationsLeft == 0) {
        return nullptr;
    }
    return std::malloc(pSize == 0 ? 1 : pSize);
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
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* pMemory) noexcept
{
    std::free(pMemory);
}

void operator delete(void* pMemory, std::size_t) noexcept
{
    std::free(pMemory);
}

// Called when a constructor throws inside a "new (std::nothrow)".
void operator delete(void* pMemory, const std::nothrow_t&) noexcept
{
    std::free(pMemory);
}
#pragma GCC diagnostic pop
