#ifndef RYVKIT_FORMATS_GEOMETRY_OBJ_KOBJUVLINETABLE_H
#define RYVKIT_FORMATS_GEOMETRY_OBJ_KOBJUVLINETABLE_H

#include <cstddef>
#include <cstdint>
#include <vector>

// A "vt" line as the two numbers a reader gets back from it: lines that print alike have equal
// keys, and so do the lines written again from what was read.
struct KObjUVLineKey
{
    std::uint64_t mU;
    std::uint64_t mV;

    // pLine, pLength bytes: "vt", then two numbers after a blank each, then the line end. A
    // number that does not parse counts as 0.
    static KObjUVLineKey Of(const char* pLine, std::size_t pLength);
    bool operator==(const KObjUVLineKey& pOther) const
    {
        return mU == pOther.mU && mV == pOther.mV;
    }
};

// The numbers of distinct "vt" lines by their keys, numbered from 0 in the order added. Open
// addressing with linear probing in a table of numbers kept at most half full: a mesh has about
// as many lines as points, and a node-based map spends its time on cache misses.
class KObjUVLineTable
{
public:
    // Room for pKeys keys without growing.
    void Reserve(std::size_t pKeys);
    // The number of the line pKey stands for; a new key gets the next number and oAdded.
    int Find(const KObjUVLineKey& pKey, bool& oAdded);

private:
    static std::size_t Hash(const KObjUVLineKey& pKey);
    // pSize: a power of two above twice the key count.
    void Rehash(std::size_t pSize);

    std::vector<int> mSlots;
    std::vector<KObjUVLineKey> mKeys;
};

#endif
