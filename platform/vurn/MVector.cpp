#include "platform/vurn/MVector.h"

#include "platform/vurn/MMatrix.h"

#include <cmath>

MVector MVector::operator+(const MVector& pOther) const
{
    return MVector(x + pOther.x, y + pOther.y, z + pOther.z);
}

MVector MVector::operator-(const MVector& pOther) const
{
    return MVector(x - pOther.x, y - pOther.y, z - pOther.z);
}

MVector MVector::operator*(double pScale) const
{
    return MVector(x * pScale, y * pScale, z * pScale);
}

bool MVector::operator==(const MVector& pOther) const
{
    return x == pOther.x && y == pOther.y && z == pOther.z;
}

double MVector::length() const
{
    return std::sqrt(x * x + y * y + z * z);
}

MVector MVector::normal() const
{
    const double lLength = length();
    return lLength > 0.0 ? *this * (1.0 / lLength) : *this;
}

MVector MVector::operator*(const MMatrix& pMatrix) const
{
    return MVector(x * pMatrix(0, 0) + y * pMatrix(1, 0) + z * pMatrix(2, 0),
                   x * pMatrix(0, 1) + y * pMatrix(1, 1) + z * pMatrix(2, 1),
                   x * pMatrix(0, 2) + y * pMatrix(1, 2) + z * pMatrix(2, 2));
}

bool MPoint::operator==(const MPoint& pOther) const
{
    return x == pOther.x && y == pOther.y && z == pOther.z && w == pOther.w;
}

MPoint MPoint::operator*(const MMatrix& pMatrix) const
{
    double lOut[4];
    const double lIn[4] = {x, y, z, w};
    for (int lColumn = 0; lColumn < 4; ++lColumn) {
        lOut[lColumn] = 0.0;
        for (int lRow = 0; lRow < 4; ++lRow) {
            lOut[lColumn] += lIn[lRow] * pMatrix(lRow, lColumn);
        }
    }
    return MPoint(lOut[0], lOut[1], lOut[2], lOut[3]);
}
