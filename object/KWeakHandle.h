#ifndef RYVKIT_OBJECT_KWEAKHANDLE_H
#define RYVKIT_OBJECT_KWEAKHANDLE_H

#include <cstdint>
#include <mutex>

class KPlug;

// A reference to a plug that does not keep it alive: a cell of the process-wide handle pool and
// a stamp. The cell holds a stamp and the plug; the handle resolves to the plug while the stamps
// agree and to null once the plug is gone (its cell is then revoked and given a fresh stamp on
// reuse; stamps never repeat). The pool is guarded by a mutex. Copyable value.
class KWeakHandle
{
public:
    KWeakHandle() = default;

    // The plug, or null when it has gone or the handle is empty.
    KPlug* Get() const;
    bool IsEmpty() const { return mCell < 0; }
    // The handle's stamp: stamps are never reused, so it names one plug for good (0 when empty).
    std::uint64_t GetStamp() const { return mStamp; }

    // Takes a pool cell for pPlug. Used by KPlug, which revokes the cell when it dies.
    static KWeakHandle Create(KPlug* pPlug);
    // Empties the cell of this handle (a handle of another stamp is left alone).
    static void Revoke(const KWeakHandle& pHandle);
    // A plug keeps only the index of its cell: the handle is read back from the pool, and the
    // cell emptied when the plug dies. Both leave a cell that no longer holds pPlug alone (the
    // handle is then empty).
    std::int32_t GetCell() const { return mCell; }
    static KWeakHandle OfCell(std::int32_t pCell, const KPlug* pPlug);
    static void RevokeCell(std::int32_t pCell, const KPlug* pPlug);
    // Gives back the memory of free cells at the end of the pool (kit shut-down).
    static void TrimPool();

    bool operator==(const KWeakHandle& pOther) const
    {
        return mCell == pOther.mCell && mStamp == pOther.mStamp;
    }

    // Holds the pool's lock for a run of look-ups: one lock for the run instead of one per
    // look-up. The lock is not recursive: while a batch lives, this thread must not make,
    // revoke or Get a handle by other means, nor run code that might (such as plug hooks).
    class Batch
    {
    public:
        Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;
        // What pHandle.Get() would answer.
        KPlug* Get(const KWeakHandle& pHandle) const { return pHandle.Resolve(); }

    private:
        std::lock_guard<std::mutex> mLock;
    };

private:
    // The plug of this handle; the caller holds the pool's lock.
    KPlug* Resolve() const;

    std::int32_t mCell = -1;
    std::uint64_t mStamp = 0;
};

#endif
