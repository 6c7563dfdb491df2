#ifndef RYVKIT_OBJECT_KCONNECTIONPAIRLIST_H
#define RYVKIT_OBJECT_KCONNECTIONPAIRLIST_H

#include "object/KWeakHandle.h"

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

// The (source, destination) pairs of an object's connections, oldest first, each listed once.
// Adding and removing a pair are constant time (an index from the pair to its slot, made once
// the list outgrows a few slots; most objects have one or two pairs, searched directly), so an
// object with many connections, such as the root of a flat hierarchy, is built and torn down in
// linear time. Removed pairs leave a gap that is closed once gaps outnumber the pairs, or before
// the pairs are counted or read by position.
class KConnectionPairList
{
public:
    // False when the pair was listed already.
    bool Add(const KWeakHandle& pSource, const KWeakHandle& pDestination);
    // False when the pair was not listed.
    bool Remove(const KWeakHandle& pSource, const KWeakHandle& pDestination);
    // Drops the pairs one of whose ends has died; answers how many pairs are left.
    int Prune();
    // The pair at pIndex in age order (after Prune, as the count was read); false out of range.
    bool Get(int pIndex, KWeakHandle& oSource, KWeakHandle& oDestination);

private:
    struct Slot
    {
        KWeakHandle mSource;
        KWeakHandle mDestination;
        bool mListed;
    };
    struct Key
    {
        std::uint64_t mSource;
        std::uint64_t mDestination;
        bool operator==(const Key& pOther) const
        {
            return mSource == pOther.mSource && mDestination == pOther.mDestination;
        }
    };
    struct KeyHash
    {
        std::size_t operator()(const Key& pKey) const
        {
            return std::hash<std::uint64_t>()(pKey.mSource * 0x9E3779B97F4A7C15ull ^
                                              pKey.mDestination);
        }
    };
    static Key KeyOf(const KWeakHandle& pSource, const KWeakHandle& pDestination)
    {
        return Key{pSource.GetStamp(), pDestination.GetStamp()};
    }
    // Closes the gaps; with pDropDead also drops the pairs with a dead end.
    void Compact(bool pDropDead);
    // The slot of a listed pair, or kNoSlot.
    static constexpr std::size_t kNoSlot = ~std::size_t(0);
    std::size_t Find(const Key& pKey) const;
    // Indexes every listed slot (throws std::bad_alloc, leaving the list as it was).
    void MakeIndex();

    std::vector<Slot> mSlots;
    std::unordered_map<Key, std::size_t, KeyHash> mIndex;
    bool mIndexed = false;
    std::size_t mGaps = 0;
};

#endif
