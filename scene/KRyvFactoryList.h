#ifndef RYVKIT_SCENE_KRYVFACTORYLIST_H
#define RYVKIT_SCENE_KRYVFACTORYLIST_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

// The objects of one kind that a factory holds, in creation order, with look-up by pointer in
// constant time (destroying a tree of many nodes unlists them one by one). Holds pointers only.
//
// A factory lists a few hundred thousand user-property records for a large scene, so the
// pointer index is one flat open-addressed table (linear probing, at most three quarters full)
// of positions in the creation-order array, four bytes a slot, rather than a node per entry.
// MakeRoom grows both arrays ahead of an Add, so that an object made after it is always listed:
// an Add that failed would leave the object in nobody's hands.
template <class T> class KRyvFactoryList
{
public:
    int GetCount() const { return static_cast<int>(mCount); }
    // How many objects were ever unlisted: unchanged means every object seen listed is still.
    std::uint64_t GetRemovalCount() const { return mRemovals; }
    // Null for an index outside 0..count-1.
    T* Get(int pIndex) const
    {
        if (pIndex < 0 || pIndex >= GetCount()) {
            return nullptr;
        }
        return mItems[PositionOf(static_cast<std::size_t>(pIndex))];
    }
    bool Contains(const T* pObject) const
    {
        const std::uint32_t* lSlot = pObject ? FindSlot(pObject) : nullptr;
        return lSlot && *lSlot != kEmpty;
    }
    // Grows the arrays so that the next Add allocates nothing; throws std::bad_alloc, leaving
    // the list as it was, when they cannot grow (also past kMaxCount objects).
    void MakeRoom()
    {
        if (mItems.size() >= kMaxCount) {
            throw std::bad_alloc();
        }
        if (mItems.size() == mItems.capacity()) {
            mItems.reserve(mItems.size() * 2 + 1);
        }
        if ((mCount + 1) * kLoadDenominator > mSlots.size() * kLoadNumerator) {
            Rehash(mSlots.empty() ? kFirstSlotCount : mSlots.size() * 2);
        }
        if (!mRanks.empty()) {
            mRanks.reserve(mItems.capacity() + 1);
        }
    }
    // Appends; null or an object already listed is ignored. Without MakeRoom first it may
    // throw std::bad_alloc, leaving the list as it was.
    void Add(T* pObject)
    {
        if (!pObject || Contains(pObject)) {
            return;
        }
        MakeRoom();
        *FindSlot(pObject) = static_cast<std::uint32_t>(mItems.size());
        mItems.push_back(pObject);
        ++mCount;
        AppendRank();
    }
    // False when the object is not listed. The others keep their order.
    bool Remove(const T* pObject)
    {
        std::uint32_t* lSlot = pObject ? FindSlot(pObject) : nullptr;
        if (!lSlot || *lSlot == kEmpty) {
            return false;
        }
        const std::uint32_t lPosition = *lSlot;
        EraseSlot(lSlot);
        mItems[lPosition] = nullptr;
        --mCount;
        ++mRemovals;
        LowerRanksFrom(lPosition);
        if (++mHoles > 64 && mHoles * 2 > mItems.size()) {
            Compact();
        }
        return true;
    }
    // Unlists and returns the first object; null when the list is empty. Used to empty a list
    // while destroying its objects, which may unlist others of the same list meanwhile.
    T* TakeFirst()
    {
        while (mFront < mItems.size() && !mItems[mFront]) {
            ++mFront;
        }
        if (mFront == mItems.size()) {
            mItems.clear();
            mRanks.clear();
            mFront = mHoles = 0;
            return nullptr;
        }
        T* lObject = mItems[mFront];
        Remove(lObject);
        return lObject;
    }
    // Unlists and returns the last object; null when the list is empty. Emptying a list this
    // way undoes its making in reverse, newest first.
    T* TakeLast()
    {
        while (mItems.size() > mFront && !mItems.back()) {
            mItems.pop_back();
            // A Fenwick tree cut at its end still sums every prefix of what is left.
            if (!mRanks.empty()) {
                mRanks.pop_back();
            }
            --mHoles;
        }
        if (mItems.size() <= mFront) {
            mItems.clear();
            mRanks.clear();
            mFront = mHoles = 0;
            return nullptr;
        }
        T* lObject = mItems.back();
        Remove(lObject);
        return lObject;
    }
    // Calls pVisit on each listed object in order until it answers true; returns that object.
    template <class F> T* FindIf(F pVisit) const
    {
        for (T* lObject : mItems) {
            if (lObject && pVisit(lObject)) {
                return lObject;
            }
        }
        return nullptr;
    }

private:
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;
    static constexpr std::size_t kMaxCount = kEmpty;
    static constexpr std::size_t kFirstSlotCount = 16;
    static constexpr std::size_t kLoadNumerator = 3;
    static constexpr std::size_t kLoadDenominator = 4;
    static constexpr unsigned kPageShift = 12;
    static constexpr unsigned kGranuleShift = 6;

    // Objects on one page of memory share a window of the table: Fibonacci hashing of the page
    // spreads the windows over the whole table, and within a window slots follow addresses.
    // Objects made together (a node's user properties) are then listed and unlisted in a few
    // cache lines, where one random slot each missed the cache in large scenes. Only objects of
    // one page can crowd a window beyond chance, so probe runs stay short.
    std::size_t Home(const T* pObject) const
    {
        const auto lBits = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(pObject));
        const auto lWindow =
            static_cast<std::size_t>(((lBits >> kPageShift) * 0x9E3779B97F4A7C15ull) >> mShift);
        const auto lOffset = static_cast<std::size_t>(lBits >> kGranuleShift) &
                             ((std::size_t(1) << (kPageShift - kGranuleShift)) - 1);
        return (lWindow + lOffset) & (mSlots.size() - 1);
    }
    std::size_t Next(std::size_t pSlot) const { return (pSlot + 1) & (mSlots.size() - 1); }

    // The object's slot, or the empty slot where it would go; null while the table is empty.
    std::uint32_t* FindSlot(const T* pObject) const
    {
        if (mSlots.empty()) {
            return nullptr;
        }
        std::size_t lSlot = Home(pObject);
        while (mSlots[lSlot] != kEmpty && mItems[mSlots[lSlot]] != pObject) {
            lSlot = Next(lSlot);
        }
        return &mSlots[lSlot];
    }

    // Backward-shift deletion: later entries of the same probe run move up, so no search ever
    // stops early at the hole.
    void EraseSlot(std::uint32_t* pSlot)
    {
        std::size_t lHole = static_cast<std::size_t>(pSlot - mSlots.data());
        for (std::size_t lSlot = Next(lHole); mSlots[lSlot] != kEmpty; lSlot = Next(lSlot)) {
            const std::size_t lHome = Home(mItems[mSlots[lSlot]]);
            // Movable when its home is not within (hole, slot], taken cyclically.
            const bool lMovable = lHole <= lSlot ? (lHome <= lHole || lHome > lSlot)
                                                 : (lHome <= lHole && lHome > lSlot);
            if (lMovable) {
                mSlots[lHole] = mSlots[lSlot];
                lHole = lSlot;
            }
        }
        mSlots[lHole] = kEmpty;
    }

    void Rehash(std::size_t pSlotCount)
    {
        std::vector<std::uint32_t> lSlots(pSlotCount, kEmpty);
        mSlots.swap(lSlots);
        mShift = 64;
        for (std::size_t lSize = pSlotCount; lSize > 1; lSize /= 2) {
            --mShift;
        }
        Reindex();
    }

    // Fills the table anew from the creation-order array; allocates nothing.
    void Reindex() const
    {
        std::fill(mSlots.begin(), mSlots.end(), kEmpty);
        for (std::size_t i = 0; i < mItems.size(); ++i) {
            if (mItems[i]) {
                *FindSlot(mItems[i]) = static_cast<std::uint32_t>(i);
            }
        }
    }

    // Positions move, so the table is filled anew and the ranks are dropped.
    void Compact() const
    {
        if (mHoles == 0 && mFront == 0) {
            return;
        }
        std::size_t lTo = 0;
        for (T* lObject : mItems) {
            if (lObject) {
                mItems[lTo++] = lObject;
            }
        }
        mItems.resize(lTo);
        mFront = mHoles = 0;
        std::vector<std::uint32_t>().swap(mRanks);
        Reindex();
    }

    // The position in mItems of the object of rank pRank (0 is the first listed). Without holes
    // the rank is the position. With holes a Fenwick tree of the listed objects per position
    // answers in logarithmic time: compacting on every look-up after a removal would make
    // destroying objects by index cost the square of their count. The tree is made on the
    // first look-up after a removal and kept up to date until the next compaction.
    std::size_t PositionOf(std::size_t pRank) const
    {
        if (mHoles == 0) {
            return pRank;
        }
        if (mRanks.empty() && !BuildRanks()) {
            Compact();
            return pRank;
        }
        const std::size_t lSize = mItems.size();
        std::size_t lStep = 1;
        while (lStep * 2 <= lSize) {
            lStep *= 2;
        }
        std::size_t lPosition = 0;
        std::size_t lLeft = pRank + 1;
        for (; lStep > 0; lStep /= 2) {
            if (lPosition + lStep <= lSize && mRanks[lPosition + lStep] < lLeft) {
                lPosition += lStep;
                lLeft -= mRanks[lPosition];
            }
        }
        return lPosition;
    }

    // The Fenwick tree over mItems (1-based, entry i sums the listed objects of positions
    // (i - lowbit(i), i]); false, with no tree, when it cannot be allocated.
    bool BuildRanks() const
    {
        try {
            mRanks.assign(mItems.size() + 1, 0);
        } catch (const std::bad_alloc&) {
            return false;
        }
        for (std::size_t i = 1; i < mRanks.size(); ++i) {
            mRanks[i] += mItems[i - 1] ? 1 : 0;
            const std::size_t lParent = i + (i & (~i + 1));
            if (lParent < mRanks.size()) {
                mRanks[lParent] += mRanks[i];
            }
        }
        return true;
    }

    // The count of listed objects in positions [0, pEnd).
    std::uint32_t RanksBelow(std::size_t pEnd) const
    {
        std::uint32_t lSum = 0;
        for (std::size_t i = pEnd; i > 0; i &= i - 1) {
            lSum += mRanks[i];
        }
        return lSum;
    }

    // Extends the tree by the object just appended; MakeRoom has reserved the entry.
    void AppendRank()
    {
        if (mRanks.empty()) {
            return;
        }
        const std::size_t lEnd = mItems.size();
        mRanks.push_back(1 + RanksBelow(lEnd - 1) - RanksBelow(lEnd & (lEnd - 1)));
    }

    void LowerRanksFrom(std::size_t pPosition)
    {
        for (std::size_t i = pPosition + 1; !mRanks.empty() && i < mRanks.size();
             i += i & (~i + 1)) {
            --mRanks[i];
        }
    }

    mutable std::vector<T*> mItems;
    mutable std::vector<std::uint32_t> mSlots;
    // Empty, or the Fenwick tree of PositionOf, one entry more than mItems.
    mutable std::vector<std::uint32_t> mRanks;
    std::size_t mCount = 0;
    std::uint64_t mRemovals = 0;
    unsigned mShift = 64;
    mutable std::size_t mHoles = 0;
    mutable std::size_t mFront = 0;
};

#endif
