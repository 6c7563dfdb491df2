#ifndef RYVKIT_PLATFORM_VURN_MARRAY_H
#define RYVKIT_PLATFORM_VURN_MARRAY_H

#include <vector>

// The common shape of the host's array types: a growable sequence with the host's method names.
// Reads outside the array answer a default value rather than touching memory that is not there.
template <typename T> class MArray
{
public:
    MArray() = default;
    MArray(unsigned int pLength, const T& pValue = T()) : mItems(pLength, pValue) {}

    unsigned int length() const { return static_cast<unsigned int>(mItems.size()); }
    void setLength(unsigned int pLength) { mItems.resize(pLength); }
    void clear() { mItems.clear(); }
    void append(const T& pValue) { mItems.push_back(pValue); }
    // The element at pIndex; a default value when pIndex is outside the array.
    T operator[](unsigned int pIndex) const
    {
        return pIndex < mItems.size() ? mItems[pIndex] : T();
    }
    // The writable element at pIndex; outside the array a scratch element (reset to a default
    // value on each such call) takes the write, so a bad index neither grows the array nor
    // writes beyond it.
    T& operator[](unsigned int pIndex)
    {
        if (pIndex >= mItems.size()) {
            mScratch = T();
            return mScratch;
        }
        return mItems[pIndex];
    }
    // False (nothing changed) for an index outside the array.
    bool set(const T& pValue, unsigned int pIndex)
    {
        if (pIndex >= mItems.size()) {
            return false;
        }
        mItems[pIndex] = pValue;
        return true;
    }
    bool remove(unsigned int pIndex)
    {
        if (pIndex >= mItems.size()) {
            return false;
        }
        mItems.erase(mItems.begin() + pIndex);
        return true;
    }
    const std::vector<T>& items() const { return mItems; }

private:
    std::vector<T> mItems;
    T mScratch;
};

#endif
