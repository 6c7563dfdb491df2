#ifndef RYVKIT_CORE_KSORTEDMAP_H
#define RYVKIT_CORE_KSORTEDMAP_H

#include <cstdint>
#include <vector>

// Table of (32-bit key, value word) pairs. Adding leaves it unsorted; the first search or indexed
// read sorts it by unsigned key (stably, so equal keys keep the order they were added in) and
// searches bisect. Values are opaque words (numbers or pointers) the map never follows; absent
// keys and bad indices give 0.
class KSortedMap
{
public:
    // pBlockSize is the number of pairs the first addition makes room for.
    explicit KSortedMap(int pBlockSize = 20);

    // Appends the pair without a duplicate check; returns the count.
    int Add(std::uint32_t pKey, std::uintptr_t pValue);
    // The value of the first pair with pKey, 0 when there is none; *pIndex (when given) receives
    // its index in sorted order, or -1.
    std::uintptr_t Find(std::uint32_t pKey, int* pIndex = nullptr);
    // The value at pIndex in key order, 0 out of range; *pKey (when given) receives the key, or 0.
    std::uintptr_t GetAt(int pIndex, std::uint32_t* pKey = nullptr);
    void Clear();
    int GetCount() const { return static_cast<int>(mPairs.size()); }

private:
    struct Pair
    {
        std::uint32_t mKey;
        std::uintptr_t mValue;
    };
    void Sort();

    std::vector<Pair> mPairs;
    int mBlockSize;
    bool mSorted = true;
};

#endif
