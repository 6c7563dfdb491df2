#ifndef RYVKIT_RYVFILE_KRYVBULKALLOCATOR_H
#define RYVKIT_RYVFILE_KRYVBULKALLOCATOR_H

#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

namespace KRyvBulkMemory {
// From this size up a buffer is mapped on its own, advised to take huge pages.
constexpr std::size_t kMappedSize = std::size_t(4) << 20;
// pSize bytes (never null): std::bad_alloc when there is no memory.
void* Allocate(std::size_t pSize);
// Releases what Allocate gave for the same pSize.
void Release(void* pMemory, std::size_t pSize);
} // namespace KRyvBulkMemory

// The allocator of the large byte buffers of a read (the whole file, a decoded ASCII body).
// Growing a vector leaves the new elements uninitialised, since every byte is written (read from
// the file, decoded) before it is read; and a buffer of several megabytes is mapped on its own,
// advised to take huge pages, so that filling it costs one page fault per 2 MB instead of one per
// 4 KB. Throws std::bad_alloc like the standard allocator.
template <typename T> class KRyvBulkAllocator
{
public:
    using value_type = T;

    KRyvBulkAllocator() = default;
    template <typename U> KRyvBulkAllocator(const KRyvBulkAllocator<U>&) {}

    T* allocate(std::size_t pCount)
    {
        if (pCount > static_cast<std::size_t>(-1) / sizeof(T)) {
            throw std::bad_alloc();
        }
        return static_cast<T*>(KRyvBulkMemory::Allocate(pCount * sizeof(T)));
    }
    void deallocate(T* pMemory, std::size_t pCount)
    {
        KRyvBulkMemory::Release(pMemory, pCount * sizeof(T));
    }

    // Default construction leaves the element as it is: no zeroing pass over a fresh buffer.
    template <typename U> void construct(U* pAt) { ::new (static_cast<void*>(pAt)) U; }
    template <typename U, typename... A> void construct(U* pAt, A&&... pArgs)
    {
        ::new (static_cast<void*>(pAt)) U(static_cast<A&&>(pArgs)...);
    }
};

template <typename T, typename U>
bool operator==(const KRyvBulkAllocator<T>&, const KRyvBulkAllocator<U>&)
{
    return true;
}
template <typename T, typename U>
bool operator!=(const KRyvBulkAllocator<T>&, const KRyvBulkAllocator<U>&)
{
    return false;
}

// The bytes of a file being read.
using KRyvBytes = std::vector<std::uint8_t, KRyvBulkAllocator<std::uint8_t>>;

#endif
