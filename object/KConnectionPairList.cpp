#include "object/KConnectionPairList.h"

namespace {

// Below this many gaps a removal never compacts: small lists stay as they are.
constexpr std::size_t kMinGapsToCompact = 16;

} // namespace

bool KConnectionPairList::Add(const KWeakHandle& pSource, const KWeakHandle& pDestination)
{
    const auto lInserted = mIndex.emplace(KeyOf(pSource, pDestination), mSlots.size());
    if (!lInserted.second) {
        return false;
    }
    mSlots.push_back(Slot{pSource, pDestination, true});
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
    std::size_t lKept = 0;
    for (std::size_t i = 0; i < mSlots.size(); ++i) {
        Slot& lSlot = mSlots[i];
        bool lKeep = lSlot.mListed;
        if (lKeep && pDropDead && (!lSlot.mSource.Get() || !lSlot.mDestination.Get())) {
            mIndex.erase(KeyOf(lSlot.mSource, lSlot.mDestination));
            lKeep = false;
        }
        if (!lKeep) {
            continue;
        }
        if (lKept != i) {
            mSlots[lKept] = lSlot;
            mIndex[KeyOf(lSlot.mSource, lSlot.mDestination)] = lKept;
        }
        ++lKept;
    }
    mSlots.resize(lKept);
    mGaps = 0;
}
