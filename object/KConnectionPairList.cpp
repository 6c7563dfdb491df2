#include "object/KConnectionPairList.h"

#include <optional>

namespace {

// Below this many gaps a removal never compacts: small lists stay as they are.
constexpr std::size_t kMinGapsToCompact = 16;

} // namespace

bool KConnectionPairList::Add(const KWeakHandle& pSource, const KWeakHandle& pDestination)
{
    const Key lKey = KeyOf(pSource, pDestination);
    if (mIndex.count(lKey) != 0) {
        return false;
    }
    // The slot first: when the index entry cannot be made, the slot goes again, so an index
    // entry never names a slot that is not there.
    mSlots.push_back(Slot{pSource, pDestination, true});
    try {
        mIndex.emplace(lKey, mSlots.size() - 1);
    } catch (...) {
        mSlots.pop_back();
        throw;
    }
    return true;
}

bool KConnectionPairList::Remove(const KWeakHandle& pSource, const KWeakHandle& pDestination)
{
    const auto lFound = mIndex.find(KeyOf(pSource, pDestination));
    if (lFound == mIndex.end()) {
        return false;
    }
    mSlots[lFound->second].mListed = false;
    mIndex.erase(lFound);
    ++mGaps;
    if (mGaps >= kMinGapsToCompact && mGaps > mIndex.size()) {
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
            mIndex.erase(KeyOf(lSlot.mSource, lSlot.mDestination));
            lKeep = false;
        }
        if (!lKeep) {
            continue;
        }
        if (lKept != i) {
            mSlots[lKept] = lSlot;
            // Every listed slot has its entry: no allocation here, so a compaction never fails.
            mIndex.find(KeyOf(lSlot.mSource, lSlot.mDestination))->second = lKept;
        }
        ++lKept;
    }
    mSlots.resize(lKept);
    mGaps = 0;
}
