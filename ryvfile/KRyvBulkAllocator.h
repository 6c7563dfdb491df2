#ifndef RYVKIT_RYVFILE_KRYVBULKALLOCATOR_H
#define RYVKIT_RYVFILE_KRYVBULKALLOCATOR_H

#include <cstdint>
#include <memory>
#include <vector>

// The allocator of the large byte buffers of a read (the whole file, a decoded ASCII body): the
// standard one, except that growing a vector leaves the new elements uninitialised, since every
// byte is written (read from the file, decoded) before it is read. That spares a zeroing pass
// over a buffer the size of the file. (Huge pages were tried as well: under load their
// compaction cost more than the page faults they saved.)
template <typename T> class KRyvBulkAllocator : public std::allocator<T>
{
public:
    template <typename U> struct rebind
    {
        using other = KRyvBulkAllocator<U>;
    };

    KRyvBulkAllocator() = default;
    template <typename U> KRyvBulkAllocator(const KRyvBulkAllocator<U>&) {}

    template <typename U> void construct(U* pAt) { ::new (static_cast<void*>(pAt)) U; }
    template <typename U, typename... A> void construct(U* pAt, A&&... pArgs)
    {
        ::new (static_cast<void*>(pAt)) U(std::forward<A>(pArgs)...);
    }
};

// The bytes of a file being read.
using KRyvBytes = std::vector<std::uint8_t, KRyvBulkAllocator<std::uint8_t>>;

#endif
