#ifndef RYVKIT_CORE_KVECTORARRAY_H
#define RYVKIT_CORE_KVECTORARRAY_H

#include "core/KArray.h"
#include "core/KVector2.h"
#include "core/KVector4.h"

// Growable array of KVector2 values (texture coordinates and the like).
class KVector2Array : public KArrayOf<KVector2>
{
public:
    explicit KVector2Array(int pBlockSize = 16) : KArrayOf<KVector2>(pBlockSize) {}

    // Appends (u, v); returns the new index.
    int Add(double pU, double pV) { return KArrayOf<KVector2>::Add(KVector2(pU, pV)); }
    using KArrayOf<KVector2>::Add;
};

// Growable array of KVector4 values. Assignment clears this array, takes the other's block size
// and appends each of its entries in order.
class KVector4Array : public KArrayOf<KVector4>
{
public:
    explicit KVector4Array(int pBlockSize = 16) : KArrayOf<KVector4>(pBlockSize) {}

    // Appends (x, y, z, w); returns the new index.
    int Add(double pX, double pY, double pZ, double pW);
    using KArrayOf<KVector4>::Add;
    // Index of the first entry whose x, y and z each differ by at most 1e-6 from the given ones
    // (w is not compared), -1 when there is none.
    int Find(double pX, double pY, double pZ, double pW) const;
    // A copy of the last entry; all zeros for an empty array.
    KVector4 GetLast() const;
};

#endif
