#include "core/KArray.h"

#include <algorithm>
#include <climits>
#include <functional>

namespace {
// Storage sizes are kept inside int so that every index and byte offset fits the int interface.
constexpr long long kMaxStorageBytes = static_cast<long long>(INT_MAX);
} // namespace

KArray::KArray(int pBlockSize, int pItemSize)
    : mBlockSize(pBlockSize < 1 ? 1 : pBlockSize), mItemSize(pItemSize < 1 ? 1 : pItemSize)
{
}

KArray::KArray(const KArray& pOther)
    : mCount(pOther.mCount), mBlockCount(pOther.mBlockCount), mBlockSize(pOther.mBlockSize),
      mItemSize(pOther.mItemSize), mStorage(pOther.mStorage)
{
}

KArray& KArray::operator=(const KArray& pOther)
{
    if (this != &pOther) {
        Clear();
        mBlockSize = pOther.mBlockSize;
        mItemSize = pOther.mItemSize;
        for (int i = 0; i < pOther.mCount; ++i) {
            Add(pOther.GetItem(i));
        }
    }
    return *this;
}

long long KArray::BytesFor(long long pBlockCount) const
{
    // Divisions rather than products, which could overflow before the test.
    if (pBlockCount > kMaxStorageBytes / mBlockSize / mItemSize) {
        return -1;
    }
    return pBlockCount * mBlockSize * mItemSize;
}

bool KArray::Reserve(long long pItemCount)
{
    const long long lBlocks = (pItemCount + mBlockSize - 1) / mBlockSize;
    if (lBlocks <= mBlockCount) {
        return true;
    }
    const long long lBytes = BytesFor(lBlocks);
    if (lBytes < 0) {
        return false;
    }
    mStorage.resize(static_cast<std::size_t>(lBytes), 0);
    mBlockCount = static_cast<int>(lBlocks);
    return true;
}

void KArray::ZeroFrom(int pIndex)
{
    const std::size_t lFrom = static_cast<std::size_t>(pIndex) * mItemSize;
    if (lFrom < mStorage.size()) {
        std::fill(mStorage.begin() + static_cast<std::ptrdiff_t>(lFrom), mStorage.end(), 0);
    }
}

int KArray::InsertAt(int pIndex, const void* pItem)
{
    if (pIndex < 0 || pItem == nullptr) {
        return -1;
    }
    // An item inside this array's own storage would move with growth and with the shift below.
    const unsigned char* lItem = static_cast<const unsigned char*>(pItem);
    const unsigned char* lBegin = mStorage.data();
    const bool lInside = !mStorage.empty() && std::less_equal<>()(lBegin, lItem) &&
                         std::less<>()(lItem, lBegin + mStorage.size());
    std::vector<unsigned char> lCopy;
    if (lInside) {
        lCopy.assign(lItem, lItem + mItemSize);
        lItem = lCopy.data();
    }
    if (!Reserve(static_cast<long long>(mCount) + 1)) {
        return -1;
    }
    const int lIndex = std::min(pIndex, mCount);
    unsigned char* lAt = mStorage.data() + static_cast<std::size_t>(lIndex) * mItemSize;
    std::memmove(lAt + mItemSize, lAt, static_cast<std::size_t>(mCount - lIndex) * mItemSize);
    std::memcpy(lAt, lItem, static_cast<std::size_t>(mItemSize));
    ++mCount;
    return lIndex;
}

int KArray::AddMultiple(int pCount)
{
    const int lFirst = mCount;
    if (pCount < 0 || static_cast<long long>(mCount) + pCount > INT_MAX ||
        SetCount(mCount + pCount) < 0) {
        return -1;
    }
    return lFirst;
}

int KArray::RemoveAt(int pIndex)
{
    if (pIndex < 0 || pIndex >= mCount) {
        return -1;
    }
    unsigned char* lAt = mStorage.data() + static_cast<std::size_t>(pIndex) * mItemSize;
    std::memmove(lAt, lAt + mItemSize, static_cast<std::size_t>(mCount - pIndex - 1) * mItemSize);
    --mCount;
    return mCount;
}

int KArray::SetCount(int pCount)
{
    if (pCount < 0) {
        return -1;
    }
    if (pCount > mCount) {
        if (!Reserve(pCount)) {
            return -1;
        }
        // Removed items leave stale bytes behind the count; growth must show zeros.
        std::memset(mStorage.data() + static_cast<std::size_t>(mCount) * mItemSize, 0,
                    static_cast<std::size_t>(pCount - mCount) * mItemSize);
    }
    mCount = pCount;
    return mCount;
}

int KArray::Resize(int pCount)
{
    if (pCount < 0) {
        return -1;
    }
    const long long lBlocks =
        std::max<long long>(1, (static_cast<long long>(pCount) + mBlockSize - 1) / mBlockSize);
    const long long lBytes = BytesFor(lBlocks);
    if (lBytes < 0) {
        return -1;
    }
    mStorage.resize(static_cast<std::size_t>(lBytes), 0);
    mStorage.shrink_to_fit();
    mBlockCount = static_cast<int>(lBlocks);
    // Items between the old and the new count hold stale bytes of removed items.
    ZeroFrom(std::min(mCount, pCount));
    mCount = pCount;
    return mCount;
}

void KArray::Clear()
{
    std::vector<unsigned char>().swap(mStorage);
    mCount = 0;
    mBlockCount = 0;
}

void* KArray::GetItem(int pIndex)
{
    if (pIndex < 0 || pIndex >= mCount) {
        return nullptr;
    }
    return mStorage.data() + static_cast<std::size_t>(pIndex) * mItemSize;
}

const void* KArray::GetItem(int pIndex) const
{
    if (pIndex < 0 || pIndex >= mCount) {
        return nullptr;
    }
    return mStorage.data() + static_cast<std::size_t>(pIndex) * mItemSize;
}
