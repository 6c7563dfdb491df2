#include "object/KWeakHandle.h"

#include <mutex>
#include <vector>

namespace {

struct Cell
{
    std::uint64_t mStamp;
    KPlug* mPlug;
};

struct HandlePool
{
    std::mutex mMutex;
    std::vector<Cell> mCells;
    std::vector<std::int32_t> mFree;
    std::uint64_t mNextStamp = 1;
};

// Never destroyed: plugs that die during static destruction still revoke their cells.
HandlePool& Pool()
{
    static HandlePool* sPool = new HandlePool;
    return *sPool;
}

} // namespace

KPlug* KWeakHandle::Get() const
{
    if (mCell < 0) {
        return nullptr;
    }
    std::lock_guard<std::mutex> lLock(Pool().mMutex);
    return Resolve();
}

KPlug* KWeakHandle::Resolve() const
{
    const HandlePool& lPool = Pool();
    if (mCell < 0 || static_cast<size_t>(mCell) >= lPool.mCells.size()) {
        return nullptr;
    }
    const Cell& lCell = lPool.mCells[static_cast<size_t>(mCell)];
    return lCell.mStamp == mStamp ? lCell.mPlug : nullptr;
}

KWeakHandle::Batch::Batch() : mLock(Pool().mMutex) {}

KWeakHandle KWeakHandle::Create(KPlug* pPlug)
{
    HandlePool& lPool = Pool();
    std::lock_guard<std::mutex> lLock(lPool.mMutex);
    KWeakHandle lHandle;
    lHandle.mStamp = lPool.mNextStamp++;
    if (!lPool.mFree.empty()) {
        lHandle.mCell = lPool.mFree.back();
        lPool.mFree.pop_back();
        lPool.mCells[static_cast<size_t>(lHandle.mCell)] = Cell{lHandle.mStamp, pPlug};
    } else {
        lHandle.mCell = static_cast<std::int32_t>(lPool.mCells.size());
        lPool.mCells.push_back(Cell{lHandle.mStamp, pPlug});
    }
    return lHandle;
}

void KWeakHandle::Revoke(const KWeakHandle& pHandle)
{
    if (pHandle.mCell < 0) {
        return;
    }
    HandlePool& lPool = Pool();
    std::lock_guard<std::mutex> lLock(lPool.mMutex);
    if (static_cast<size_t>(pHandle.mCell) >= lPool.mCells.size()) {
        return;
    }
    Cell& lCell = lPool.mCells[static_cast<size_t>(pHandle.mCell)];
    if (lCell.mStamp != pHandle.mStamp) {
        return;
    }
    lCell = Cell{0, nullptr};
    lPool.mFree.push_back(pHandle.mCell);
}

void KWeakHandle::TrimPool()
{
    HandlePool& lPool = Pool();
    std::lock_guard<std::mutex> lLock(lPool.mMutex);
    while (!lPool.mCells.empty() && !lPool.mCells.back().mPlug) {
        lPool.mCells.pop_back();
    }
    const auto lEnd = static_cast<std::int32_t>(lPool.mCells.size());
    std::vector<std::int32_t> lFree;
    for (std::int32_t lCell : lPool.mFree) {
        if (lCell < lEnd) {
            lFree.push_back(lCell);
        }
    }
    lPool.mFree.swap(lFree);
    lPool.mCells.shrink_to_fit();
    lPool.mFree.shrink_to_fit();
}
