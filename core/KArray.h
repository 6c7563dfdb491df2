#ifndef RYVKIT_CORE_KARRAY_H
#define RYVKIT_CORE_KARRAY_H

#include <cstddef>
#include <cstring>
#include <new>
#include <type_traits>
#include <vector>

// Growable array of fixed-size items kept in one block of storage that grows one block (block
// size items) at a time. Items are copied in and out byte-wise; new items are zero-filled. The
// array owns its storage only, never what stored pointers point to. Bad indices and sizes are
// refused with -1 (or null) and leave the array unchanged.
class KArray
{
public:
    // A block size or item size below 1 counts as 1. No storage is taken until the first insertion.
    KArray(int pBlockSize, int pItemSize);
    KArray(const KArray& pOther);
    // Clears this array, takes the other's block size and item size, then appends its items.
    KArray& operator=(const KArray& pOther);
    ~KArray() = default;

    // Copies one item in at pIndex (past the count: appended); grows by one block when full.
    // Returns the index used, or -1 for a negative index or a null item.
    int InsertAt(int pIndex, const void* pItem);
    int Add(const void* pItem) { return InsertAt(mCount, pItem); }
    // Appends pCount zero-filled items; returns the index of the first, or -1 when pCount < 0.
    int AddMultiple(int pCount);
    // Removes one item, keeping the order of the rest; the storage is not shrunk.
    // Returns the new count, or -1 when the index is out of range.
    int RemoveAt(int pIndex);
    // Truncates to pCount items or grows with zero-filled ones; returns the count or -1.
    int SetCount(int pCount);
    // Sets the count and fits the storage to the whole blocks pCount items need (at least one);
    // all storage past the count is zero-filled. Returns the count or -1.
    int Resize(int pCount);
    // Frees the storage; count and block count become 0.
    void Clear();

    int GetCount() const { return mCount; }
    int GetBlockCount() const { return mBlockCount; }
    int GetBlockSize() const { return mBlockSize; }
    int GetItemSize() const { return mItemSize; }
    // The item storage (null before the first insertion); valid until the array next grows.
    void* GetArray() { return mStorage.empty() ? nullptr : mStorage.data(); }
    const void* GetArray() const { return mStorage.empty() ? nullptr : mStorage.data(); }
    // The item at pIndex, or null when the index is out of range.
    void* GetItem(int pIndex);
    const void* GetItem(int pIndex) const;

protected:
    // Gives an empty array the block size of another; used by the typed assignments.
    void SetBlockSize(int pBlockSize) { mBlockSize = pBlockSize < 1 ? 1 : pBlockSize; }

private:
    // The bytes of pBlockCount blocks, or -1 when that exceeds the storage limit.
    long long BytesFor(long long pBlockCount) const;
    bool Reserve(long long pItemCount);
    void ZeroFrom(int pIndex);

    int mCount = 0;
    int mBlockCount = 0;
    int mBlockSize;
    int mItemSize;
    std::vector<unsigned char> mStorage;
};

// A KArray of one trivially copyable item type; zero bytes must be a valid item (0, 0.0, null).
template <typename T> class KArrayOf : public KArray
{
    static_assert(std::is_trivially_copyable<T>::value, "items are copied byte-wise");
    static_assert(alignof(T) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__, "storage alignment");

public:
    explicit KArrayOf(int pBlockSize = 16) : KArray(pBlockSize, sizeof(T)) {}
    KArrayOf(const KArrayOf& pOther) : KArray(pOther) {}
    // Clears this array, takes the other's block size, then appends each of its items in order.
    KArrayOf& operator=(const KArrayOf& pOther)
    {
        if (this != &pOther) {
            Clear();
            SetBlockSize(pOther.GetBlockSize());
            for (int i = 0; i < pOther.GetCount(); ++i) {
                Add(pOther.GetArray()[i]);
            }
        }
        return *this;
    }

    int InsertAt(int pIndex, const T& pItem) { return KArray::InsertAt(pIndex, &pItem); }
    int Add(const T& pItem) { return KArray::InsertAt(GetCount(), &pItem); }

    T* GetArray() { return static_cast<T*>(KArray::GetArray()); }
    const T* GetArray() const { return static_cast<const T*>(KArray::GetArray()); }
    // The item at pIndex, or null when out of range.
    T* GetItem(int pIndex) { return static_cast<T*>(KArray::GetItem(pIndex)); }
    const T* GetItem(int pIndex) const { return static_cast<const T*>(KArray::GetItem(pIndex)); }
    // A copy of the item at pIndex; a zero-filled item when out of range.
    T GetAt(int pIndex) const
    {
        T lItem;
        std::memset(static_cast<void*>(&lItem), 0, sizeof(T));
        if (const T* lFound = GetItem(pIndex)) {
            lItem = *lFound;
        }
        return lItem;
    }
};

// Array of pointers; it never owns or deletes what they point to.
class KPointerArray : public KArrayOf<void*>
{
public:
    explicit KPointerArray(int pBlockSize = 16) : KArrayOf<void*>(pBlockSize) {}
};

// Array of doubles.
class KDoubleArray : public KArrayOf<double>
{
public:
    explicit KDoubleArray(int pBlockSize = 16) : KArrayOf<double>(pBlockSize) {}
};

#endif
