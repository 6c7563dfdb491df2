#include "formats/geometry/obj/KObjUVLineTable.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace {

constexpr std::size_t kFirstSize = 64;
// Past "vt ".
constexpr std::size_t kFirstNumber = 3;

} // namespace

KObjUVLineKey KObjUVLineKey::Of(const char* pLine, std::size_t pLength)
{
    const char* lEnd = pLine + pLength;
    const char* lAt = pLine + std::min(kFirstNumber, pLength);
    double lValues[2] = {0.0, 0.0};
    for (double& lValue : lValues) {
        // Each number ends at the blank or line end that follows it.
        lAt = std::min(std::from_chars(lAt, lEnd, lValue).ptr + 1, lEnd);
    }
    KObjUVLineKey lKey;
    std::memcpy(&lKey.mU, &lValues[0], sizeof(double));
    std::memcpy(&lKey.mV, &lValues[1], sizeof(double));
    return lKey;
}

void KObjUVLineTable::Reserve(std::size_t pKeys)
{
    std::size_t lSize = kFirstSize;
    while (lSize < 2 * (pKeys + 1)) {
        lSize *= 2;
    }
    Rehash(lSize);
}

int KObjUVLineTable::Find(const KObjUVLineKey& pKey, bool& oAdded)
{
    if (2 * (mKeys.size() + 1) > mSlots.size()) {
        Rehash(std::max(kFirstSize, 2 * mSlots.size()));
    }
    std::size_t lSlot = Hash(pKey) & (mSlots.size() - 1);
    for (; mSlots[lSlot] >= 0; lSlot = (lSlot + 1) & (mSlots.size() - 1)) {
        if (mKeys[static_cast<std::size_t>(mSlots[lSlot])] == pKey) {
            oAdded = false;
            return mSlots[lSlot];
        }
    }
    mSlots[lSlot] = static_cast<int>(mKeys.size());
    mKeys.push_back(pKey);
    oAdded = true;
    return mSlots[lSlot];
}

std::size_t KObjUVLineTable::Hash(const KObjUVLineKey& pKey)
{
    std::uint64_t lHash = (pKey.mU ^ (pKey.mV >> 32 | pKey.mV << 32)) * 0x9E3779B97F4A7C15ull;
    lHash ^= lHash >> 29;
    lHash *= 0xBF58476D1CE4E5B9ull;
    return static_cast<std::size_t>(lHash ^ (lHash >> 32));
}

void KObjUVLineTable::Rehash(std::size_t pSize)
{
    mSlots.assign(pSize, -1);
    for (std::size_t i = 0; i < mKeys.size(); ++i) {
        std::size_t lSlot = Hash(mKeys[i]) & (mSlots.size() - 1);
        while (mSlots[lSlot] >= 0) {
            lSlot = (lSlot + 1) & (mSlots.size() - 1);
        }
        mSlots[lSlot] = static_cast<int>(i);
    }
}
