#ifndef RYVKIT_FORMATS_GEOMETRY_3DS_K3DSFOREST_H
#define RYVKIT_FORMATS_GEOMETRY_3DS_K3DSFOREST_H

#include <cstddef>
#include <numeric>
#include <vector>

// Union-find over the numbers 0 to n - 1: which items are joined into one tree. Paths are
// halved as they are walked, so long chains stay cheap.
class K3dsForest
{
public:
    explicit K3dsForest(std::size_t pCount) : mUp(pCount) { std::iota(mUp.begin(), mUp.end(), 0); }

    // The root of the item's tree; pItem must be below the count.
    std::size_t Find(std::size_t pItem)
    {
        while (mUp[pItem] != pItem) {
            mUp[pItem] = mUp[mUp[pItem]];
            pItem = mUp[pItem];
        }
        return pItem;
    }
    // Hangs the tree of pChild below the tree of pParent.
    void Join(std::size_t pChild, std::size_t pParent) { mUp[Find(pChild)] = Find(pParent); }

private:
    std::vector<std::size_t> mUp;
};

#endif
