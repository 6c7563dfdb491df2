#ifndef RYVKIT_CORE_KVECTOR2_H
#define RYVKIT_CORE_KVECTOR2_H

// Two doubles (u, v), such as a texture coordinate. A plain value: copied byte-wise, so it can sit
// in a KArray. Component indices outside 0..1 are clamped into range.
class KVector2
{
public:
    constexpr KVector2() : mData{0.0, 0.0} {}
    constexpr KVector2(double pU, double pV) : mData{pU, pV} {}
    KVector2(const KVector2& pOther) = default;
    KVector2& operator=(const KVector2& pOther) = default;

    void Set(double pU, double pV)
    {
        mData[0] = pU;
        mData[1] = pV;
    }

    // Component 0 (u) or 1 (v); an index below 0 gives u, above 1 gives v.
    double& operator[](int pIndex) { return mData[Clamp(pIndex)]; }
    double operator[](int pIndex) const { return mData[Clamp(pIndex)]; }

    // Exact comparisons: equal when both components are equal.
    bool operator==(const KVector2& pOther) const
    {
        return mData[0] == pOther.mData[0] && mData[1] == pOther.mData[1];
    }
    bool operator!=(const KVector2& pOther) const { return !(*this == pOther); }

    double* GetData() { return mData; }
    const double* GetData() const { return mData; }

private:
    static constexpr int Clamp(int pIndex) { return pIndex < 0 ? 0 : (pIndex > 1 ? 1 : pIndex); }

    double mData[2];
};

#endif
