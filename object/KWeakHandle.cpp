#include "object/KWeakHandle.h"

#include <memory>
#include <mutex>
#include <vector>

namespace {

// A free cell keeps the next free cell's index in its stamp, marked by kFreeMark, which no
// handle's stamp carries: free cells chain through the pool itself, so revoking a handle never
// allocates (it runs from destructors) and a large teardown grows no separate list.
constexpr std::uint64_t kFreeMark = std::uint64_t(1) << 63;
constexpr std::int32_t kNoCell = -1;

struct Cell
{
    std::uint64_t mStamp;
    KPlug* mPlug;
};

// The cells, in segments of a fixed size: growing never copies the cells already there (under
// the lock) nor needs room for twice as many while it does.
class CellArray
{
public:
    std::size_t size() const { return mCount; }
    bool empty() const { return mCount == 0; }
    Cell& operator[](std::size_t pIndex)
    {
        return mSegments[pIndex / kSegmentCells][pIndex % kSegmentCells];
    }
    const Cell& operator[](std::size_t pIndex) const
    {
        return mSegments[pIndex / kSegmentCells][pIndex % kSegmentCells];
    }
    Cell& back() { return (*this)[mCount - 1]; }
    // Throws std::bad_alloc, leaving the cells as they were, when a segment cannot be added.
    void push_back(const Cell& pCell)
    {
        if (mCount == mSegments.size() * kSegmentCells) {
            auto lSegment = std::make_unique<Cell[]>(kSegmentCells);
            mSegments.push_back(std::move(lSegment));
        }
        (*this)[mCount++] = pCell;
    }
    void pop_back() { --mCount; }
    // Gives back the segments past the last cell.
    void shrink_to_fit()
    {
        mSegments.resize((mCount + kSegmentCells - 1) / kSegmentCells);
        mSegments.shrink_to_fit();
    }

private:
    static constexpr std::size_t kSegmentCells = 1024;
    std::vector<std::unique_ptr<Cell[]>> mSegments;
    std::size_t mCount = 0;
};

struct HandlePool
{
    std::mutex mMutex;
    CellArray mCells;
    std::int32_t mFirstFree = kNoCell;
    std::uint64_t mNextStamp = 1;
};

Cell FreeCell(std::int32_t pNextFree)
{
    return Cell{kFreeMark | static_cast<std::uint32_t>(pNextFree), nullptr};
}

std::int32_t NextFree(const Cell& pCell)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(pCell.mStamp));
}

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
    if (lPool.mFirstFree != kNoCell) {
        lHandle.mCell = lPool.mFirstFree;
        Cell& lCell = lPool.mCells[static_cast<size_t>(lHandle.mCell)];
        lPool.mFirstFree = NextFree(lCell);
        lCell = Cell{lHandle.mStamp, pPlug};
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
    lCell = FreeCell(lPool.mFirstFree);
    lPool.mFirstFree = pHandle.mCell;
}

KWeakHandle KWeakHandle::OfCell(std::int32_t pCell, const KPlug* pPlug)
{
    KWeakHandle lHandle;
    if (pCell < 0) {
        return lHandle;
    }
    HandlePool& lPool = Pool();
    std::lock_guard<std::mutex> lLock(lPool.mMutex);
    if (static_cast<size_t>(pCell) < lPool.mCells.size()) {
        const Cell& lCell = lPool.mCells[static_cast<size_t>(pCell)];
        if (lCell.mPlug == pPlug && pPlug) {
            lHandle.mCell = pCell;
            lHandle.mStamp = lCell.mStamp;
        }
    }
    return lHandle;
}

void KWeakHandle::RevokeCell(std::int32_t pCell, const KPlug* pPlug)
{
    if (pCell < 0 || !pPlug) {
        return;
    }
    HandlePool& lPool = Pool();
    std::lock_guard<std::mutex> lLock(lPool.mMutex);
    if (static_cast<size_t>(pCell) >= lPool.mCells.size()) {
        return;
    }
    Cell& lCell = lPool.mCells[static_cast<size_t>(pCell)];
    if (lCell.mPlug == pPlug) {
        lCell = FreeCell(lPool.mFirstFree);
        lPool.mFirstFree = pCell;
    }
}

void KWeakHandle::TrimPool()
{
    HandlePool& lPool = Pool();
    std::lock_guard<std::mutex> lLock(lPool.mMutex);
    while (!lPool.mCells.empty() && !lPool.mCells.back().mPlug) {
        lPool.mCells.pop_back();
    }
    // The chain is laid anew over the free cells that are left.
    lPool.mFirstFree = kNoCell;
    for (std::size_t i = 0; i < lPool.mCells.size(); ++i) {
        if (!lPool.mCells[i].mPlug) {
            lPool.mCells[i] = FreeCell(lPool.mFirstFree);
            lPool.mFirstFree = static_cast<std::int32_t>(i);
        }
    }
    lPool.mCells.shrink_to_fit();
}
