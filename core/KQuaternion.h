#ifndef RYVKIT_CORE_KQUATERNION_H
#define RYVKIT_CORE_KQUATERNION_H

// A quaternion of four doubles x, y, z (the vector part) and w (the scalar part). It is not kept
// normalised; the conversions say how they treat its length. Component indices outside 0..3 are
// clamped into range.
class KQuaternion
{
public:
    // The identity rotation (0, 0, 0, 1).
    constexpr KQuaternion() : mData{0.0, 0.0, 0.0, 1.0} {}
    constexpr KQuaternion(double pX, double pY, double pZ, double pW) : mData{pX, pY, pZ, pW} {}

    void Set(double pX, double pY, double pZ, double pW)
    {
        mData[0] = pX;
        mData[1] = pY;
        mData[2] = pZ;
        mData[3] = pW;
    }

    // Component 0 to 3 (x, y, z, w); an index below 0 gives x, above 3 gives w.
    double& operator[](int pIndex) { return mData[Clamp(pIndex)]; }
    double operator[](int pIndex) const { return mData[Clamp(pIndex)]; }

private:
    static constexpr int Clamp(int pIndex) { return pIndex < 0 ? 0 : (pIndex > 3 ? 3 : pIndex); }

    double mData[4];
};

#endif
