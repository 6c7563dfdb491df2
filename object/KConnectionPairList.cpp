#include "object/KConnectionPairList.h"

#include <optional>

namespace {

// Below this many gaps a removal never compacts: small lists stay as they are.
constexpr std::size_t kMinGapsToCompact = 16;
// Up to this many slots a look-up reads them all, which costs less than an index's memory.
constexpr std::size_t kUnindexedSlots = 8;

} // namespace

std::size_t KConnectionPairList::Find(const Key& pKey) const
{
    if (mIndexed) {
        const auto lFound = mIndex.find(pKey);
        return lFound == mIndex.end() ? kNoSlot : lFound->second;
    }
    for (std::size_t i = 0; i < mSlots.size(); ++i) {
        const Slot& lSlot = mSlots[i];
        if (lSlot.mListed && KeyOf(lSlot.mSource, lSlot.mDestination) == pKey) {
            return i;
        }
    }
    return kNoSlot;
}

void KConnectionPairList::MakeIndex()
{
    std::unordered_map<Key, std::size_t, KeyHash> lIndex;
    for (std::size_t i = 0; i < mSlots.size(); ++i) {
        if (mSlots[i].mListed) {
            lIndex.emplace(KeyOf(mSlots[i].mSource, mSlots[i].mDestination), i);
        }
    }
    mIndex.swap(lIndex);
    mIndexed = true;
}

bool KConnectionPairList::Add(const KWeakHandle& pSource, const KWeakHandle& pDestination)
{
    const Key lKey = KeyOf(pSource, pDestination);
    if (Find(lKey) != kNoSlot) {
        return false;
    }
    if (!mIndexed && mSlots.size() >= kUnindexedSlots) {
        MakeIndex();
    }
    // The slot first: when the index entry cannot be made, the slot goes again, so an index
    // entry never names a slot that is not there.
    mSlots.push_back(Slot{pSource, pDestination, true});
    if (mIndexed) {
        try {
            mIndex.emplace(lKey, mSlots.size() - 1);
        } catch (...) {
            mSlots.pop_back();
            throw;
        }
    }
    return true;
}

bool KConnectionPairList::Remove(const KWeakHandle& pSource, const KWeakHandle& pDestination)
{
    const Key lKey = KeyOf(pSource, pDestination);
    const std::size_t lSlot = Find(lKey);
    if (lSlot == kNoSlot) {
        return false;
    }
    mSlots[lSlot].mListed = false;
    if (mIndexed) {
        mIndex.erase(lKey);
    }
    ++mGaps;
    if (mGaps >= kMinGapsToCompact && mGaps > mSlots.size() - mGaps) {
        Compact(false);
    }
    return true;
}

int KConnectionPairList::Prune()
{
    Compact(true);
    return static_cast<int>(mSlots.size());
}

bool KConnectionPairList::Get(int pIndex, KWeakHandle& oSource, KWeakHandle& oDestination)
{
    if (mGaps > 0) {
        Compact(false);
    }
    if (pIndex < 0 || static_cast<std::size_t>(pIndex) >= mSlots.size()) {
        return false;
    }
    oSource = mSlots[static_cast<std::size_t>(pIndex)].mSource;
    oDestination = mSlots[static_cast<std::size_t>(pIndex)].mDestination;
    return true;
}

void KConnectionPairList::Compact(bool pDropDead)
{
    // One lock of the handle pool for the whole pass; nothing below makes or revokes a handle.
    std::optional<KWeakHandle::Batch> lPool;
    if (pDropDead) {
        lPool.emplace();
    }
    std::size_t lKept = 0;
    for (std::size_t i = 0; i < mSlots.size(); ++i) {
        Slot& lSlot = mSlots[i];
        bool lKeep = lSlot.mListed;
        if (lKeep && pDropDead && (!lPool->Get(lSlot.mSource) || !lPool->Get(lSlot.mDestination))) {
            if (mIndexed) {
                mIndex.erase(KeyOf(lSlot.mSource, lSlot.mDestination));
            }
            lKeep = false;
        }
        if (!lKeep) {
            continue;
        }
        if (lKept != i) {
            mSlots[lKept] = lSlot;
            // Every listed slot has its entry: no allocation here, so a compaction never fails.
            if (mIndexed) {
                mIndex.find(KeyOf(lSlot.mSource, lSlot.mDestination))->second = lKept;
            }
        }
        ++lKept;
    }
    mSlots.resize(lKept);
    mGaps = 0;
}
