#ifndef RYVKIT_PLATFORM_VURN_MVECTOR_H
#define RYVKIT_PLATFORM_VURN_MVECTOR_H

class MMatrix;

// A direction (x, y, z).
class MVector
{
public:
    MVector() = default;
    MVector(double pX, double pY, double pZ) : x(pX), y(pY), z(pZ) {}

    double operator[](int pIndex) const { return pIndex == 0 ? x : pIndex == 1 ? y : z; }
    MVector operator+(const MVector& pOther) const;
    MVector operator-(const MVector& pOther) const;
    MVector operator*(double pScale) const;
    bool operator==(const MVector& pOther) const;
    double length() const;
    MVector normal() const;
    // The direction transformed by the 3x3 part of pMatrix (row vector).
    MVector operator*(const MMatrix& pMatrix) const;

    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};

// A position (x, y, z, w); w is 1 for plain points and the weight of rational control points.
class MPoint
{
public:
    MPoint() = default;
    MPoint(double pX, double pY, double pZ, double pW = 1.0) : x(pX), y(pY), z(pZ), w(pW) {}

    bool operator==(const MPoint& pOther) const;
    // The point transformed by pMatrix (row vector, w carried along).
    MPoint operator*(const MMatrix& pMatrix) const;

    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    double w = 1.0;
};

// An RGBA colour with float components.
class MColor
{
public:
    MColor() = default;
    MColor(float pR, float pG, float pB, float pA = 1.0f) : r(pR), g(pG), b(pB), a(pA) {}

    bool operator==(const MColor& pOther) const
    {
        return r == pOther.r && g == pOther.g && b == pOther.b && a == pOther.a;
    }

    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
    float a = 1.0f;
};

#endif
