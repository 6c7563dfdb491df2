#include "core/KSortedMap.h"

#include <algorithm>

KSortedMap::KSortedMap(int pBlockSize) : mBlockSize(pBlockSize < 1 ? 1 : pBlockSize) {}

int KSortedMap::Add(std::uint32_t pKey, std::uintptr_t pValue)
{
    if (mPairs.capacity() == 0) {
        mPairs.reserve(static_cast<std::size_t>(mBlockSize));
    }
    mPairs.push_back(Pair{pKey, pValue});
    mSorted = false;
    return GetCount();
}

void KSortedMap::Sort()
{
    if (mSorted) {
        return;
    }
    std::stable_sort(mPairs.begin(), mPairs.end(),
                     [](const Pair& pA, const Pair& pB) { return pA.mKey < pB.mKey; });
    mSorted = true;
}

std::uintptr_t KSortedMap::Find(std::uint32_t pKey, int* pIndex)
{
    Sort();
    const auto lFound = std::lower_bound(
        mPairs.begin(), mPairs.end(), pKey,
        [](const Pair& pPair, std::uint32_t pValue) { return pPair.mKey < pValue; });
    const bool lPresent = lFound != mPairs.end() && lFound->mKey == pKey;
    if (pIndex != nullptr) {
        *pIndex = lPresent ? static_cast<int>(lFound - mPairs.begin()) : -1;
    }
    return lPresent ? lFound->mValue : 0;
}

std::uintptr_t KSortedMap::GetAt(int pIndex, std::uint32_t* pKey)
{
    if (pIndex < 0 || pIndex >= GetCount()) {
        if (pKey != nullptr) {
            *pKey = 0;
        }
        return 0;
    }
    Sort();
    const Pair& lPair = mPairs[static_cast<std::size_t>(pIndex)];
    if (pKey != nullptr) {
        *pKey = lPair.mKey;
    }
    return lPair.mValue;
}

void KSortedMap::Clear()
{
    std::vector<Pair>().swap(mPairs);
    mSorted = true;
}
