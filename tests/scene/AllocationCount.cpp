#include "tests/scene/AllocationCount.h"

#include <cstdlib>
#include <new>

namespace {

thread_local long long gHeldBytes = 0;

// Each block carries its size in front of it, so that a release knows what to take off.
constexpr std::size_t kHeader = alignof(std::max_align_t);

void* Allocate(std::size_t pSize) noexcept
{
    auto* lBlock = static_cast<unsigned char*>(std::malloc(pSize + kHeader));
    if (!lBlock) {
        return nullptr;
    }
    *reinterpret_cast<std::size_t*>(lBlock) = pSize;
    gHeldBytes += static_cast<long long>(pSize);
    return lBlock + kHeader;
}

void Release(void* pData) noexcept
{
    if (!pData) {
        return;
    }
    unsigned char* lBlock = static_cast<unsigned char*>(pData) - kHeader;
    gHeldBytes -= static_cast<long long>(*reinterpret_cast<std::size_t*>(lBlock));
    std::free(lBlock);
}

void* AllocateOrThrow(std::size_t pSize)
{
    void* lData = Allocate(pSize);
    if (!lData) {
        throw std::bad_alloc();
    }
    return lData;
}

} // namespace

long long AllocationCount::HeldBytes()
{
    return gHeldBytes;
}

void* operator new(std::size_t pSize)
{
    return AllocateOrThrow(pSize);
}

void* operator new[](std::size_t pSize)
{
    return AllocateOrThrow(pSize);
}

void* operator new(std::size_t pSize, const std::nothrow_t&) noexcept
{
    return Allocate(pSize);
}

void* operator new[](std::size_t pSize, const std::nothrow_t&) noexcept
{
    return Allocate(pSize);
}

void operator delete(void* pData) noexcept
{
    Release(pData);
}

void operator delete[](void* pData) noexcept
{
    Release(pData);
}

void operator delete(void* pData, std::size_t) noexcept
{
    Release(pData);
}

void operator delete[](void* pData, std::size_t) noexcept
{
    Release(pData);
}

void operator delete(void* pData, const std::nothrow_t&) noexcept
{
    Release(pData);
}

void operator delete[](void* pData, const std::nothrow_t&) noexcept
{
    Release(pData);
}
