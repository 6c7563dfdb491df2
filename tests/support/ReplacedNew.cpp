#include "tests/support/ReplacedNew.h"

#include <new>

void* operator new(std::size_t pSize)
{
    void* lMemory = ReplacedNew::Allocate(pSize);
    if (!lMemory) {
        throw std::bad_alloc();
    }
    return lMemory;
}

void* operator new(std::size_t pSize, const std::nothrow_t&) noexcept
{
    return ReplacedNew::Allocate(pSize);
}

// The array forms too: a sanitizer's run-time brings its own, which would otherwise take them.
void* operator new[](std::size_t pSize)
{
    return operator new(pSize);
}

void* operator new[](std::size_t pSize, const std::nothrow_t&) noexcept
{
    return ReplacedNew::Allocate(pSize);
}

void operator delete(void* pMemory) noexcept
{
    ReplacedNew::Release(pMemory);
}

void operator delete(void* pMemory, std::size_t) noexcept
{
    ReplacedNew::Release(pMemory);
}

// Called when a constructor throws inside a "new (std::nothrow)".
void operator delete(void* pMemory, const std::nothrow_t&) noexcept
{
    ReplacedNew::Release(pMemory);
}

void operator delete[](void* pMemory) noexcept
{
    ReplacedNew::Release(pMemory);
}

void operator delete[](void* pMemory, std::size_t) noexcept
{
    ReplacedNew::Release(pMemory);
}

void operator delete[](void* pMemory, const std::nothrow_t&) noexcept
{
    ReplacedNew::Release(pMemory);
}
