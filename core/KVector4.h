#ifndef RYVKIT_CORE_KVECTOR4_H
#define RYVKIT_CORE_KVECTOR4_H

// Four doubles x, y, z, w: a point or direction (w usually 1 or 0), Euler angles in degrees, a
// colour or any 4-component property value. A plain value: copied byte-wise, so it can sit in a
// KArray. Comparisons, length, dot and cross products use x, y and z only; component indices
// outside 0..3 are clamped into range. Division by zero follows IEEE arithmetic (infinities).
class KVector4
{
public:
    static constexpr double kTolerance = 1e-6;

    constexpr KVector4() : mData{0.0, 0.0, 0.0, 0.0} {}
    constexpr KVector4(double pX, double pY, double pZ, double pW = 0.0) : mData{pX, pY, pZ, pW} {}
    KVector4(const KVector4& pOther) = default;
    KVector4& operator=(const KVector4& pOther) = default;

    void Set(double pX, double pY, double pZ, double pW = 0.0)
    {
        mData[0] = pX;
        mData[1] = pY;
        mData[2] = pZ;
        mData[3] = pW;
    }
    // The point (0, 0, 0, 1).
    void SetZero() { Set(0.0, 0.0, 0.0, 0.0); }
    void SetOrigin() { Set(0.0, 0.0, 0.0, 1.0); }

    // Component 0 to 3 (x, y, z, w); an index below 0 gives x, above 3 gives w.
    double& operator[](int pIndex) { return mData[Clamp(pIndex)]; }
    double operator[](int pIndex) const { return mData[Clamp(pIndex)]; }
    // The four components in order.
    double* GetData() { return mData; }
    const double* GetData() const { return mData; }

    // Component-wise over all four components.
    KVector4& operator+=(const KVector4& pOther);
    KVector4 operator-(const KVector4& pOther) const;
    KVector4 operator-() const;
    KVector4 operator*(double pFactor) const;
    KVector4& operator*=(double pFactor);
    KVector4& operator/=(double pDivisor);
    KVector4& operator*=(const KVector4& pOther);

    // True when x, y and z each differ by at most kTolerance; w is not compared.
    bool operator==(const KVector4& pOther) const;
    bool operator!=(const KVector4& pOther) const { return !(*this == pOther); }

    // sqrt(x*x + y*y + z*z).
    double Length() const;
    // x*x' + y*y' + z*z'.
    double DotProduct(const KVector4& pOther) const;
    // The cross product this x pOther of the x, y, z parts, with w = 1.
    KVector4 CrossProduct(const KVector4& pOther) const;
    // Scales x, y, z to length 1 (all three 0 for a zero vector; w untouched).
    // Returns the length before normalising.
    double Normalize();

private:
    static constexpr int Clamp(int pIndex) { return pIndex < 0 ? 0 : (pIndex > 3 ? 3 : pIndex); }

    double mData[4];
};

#endif
