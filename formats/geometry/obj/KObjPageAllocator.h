#ifndef RYVKIT_FORMATS_GEOMETRY_OBJ_KOBJPAGEALLOCATOR_H
#define RYVKIT_FORMATS_GEOMETRY_OBJ_KOBJPAGEALLOCATOR_H

#include <cstddef>
#include <new>
#include <vector>

#include <sys/mman.h>

#if defined(__SANITIZE_ADDRESS__)
#define RYVKIT_OBJ_PAGES_FROM_NEW 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define RYVKIT_OBJ_PAGES_FROM_NEW 1
#endif
#endif

// Storage for the OBJ reader's big temporary lists (vertices, corners, faces) that goes back to
// the system the moment it is freed: a block of kMinMappedBytes or more is a mapping of its own.
// The heap keeps what it frees for reuse, and a long-lived process raises the size below which
// it serves blocks itself; the mesh's arrays, made after the lists are freed, would then stand
// beside their still-resident remains. Smaller blocks come from operator new, and so does every
// block under AddressSanitizer, which watches only what the heap hands out. Throws
// std::bad_alloc when the system refuses the pages. The pages come from the C library's mmap,
// not a system call of its own, so that a test program can refuse them as it refuses
// operator new.
template <class T> class KObjPageAllocator
{
public:
    using value_type = T;
#ifdef RYVKIT_OBJ_PAGES_FROM_NEW
    static constexpr std::size_t kMinMappedBytes = static_cast<std::size_t>(-1);
#else
    static constexpr std::size_t kMinMappedBytes = 1u << 20;
#endif

    KObjPageAllocator() = default;
    template <class U> KObjPageAllocator(const KObjPageAllocator<U>&) {}

    T* allocate(std::size_t pCount)
    {
        if (pCount > static_cast<std::size_t>(-1) / sizeof(T)) {
            throw std::bad_alloc();
        }
        const std::size_t lBytes = pCount * sizeof(T);
        if (lBytes < kMinMappedBytes) {
            return static_cast<T*>(::operator new(lBytes));
        }
        void* lPages =
            mmap(nullptr, lBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (lPages == MAP_FAILED) {
            throw std::bad_alloc();
        }
        return static_cast<T*>(lPages);
    }

    void deallocate(T* pBlock, std::size_t pCount)
    {
        const std::size_t lBytes = pCount * sizeof(T);
        if (lBytes < kMinMappedBytes) {
            ::operator delete(pBlock);
        } else {
            munmap(pBlock, lBytes);
        }
    }

    template <class U> bool operator==(const KObjPageAllocator<U>&) const
    {
        return true;
    }
    template <class U> bool operator!=(const KObjPageAllocator<U>&) const
    {
        return false;
    }
};

// A vector whose big blocks are given back to the system when freed.
template <class T> using KObjList = std::vector<T, KObjPageAllocator<T>>;

#endif
