#include "core/KVector4.h"

#include <cmath>

KVector4& KVector4::operator+=(const KVector4& pOther)
{
    for (int i = 0; i < 4; ++i) {
        mData[i] += pOther.mData[i];
    }
    return *this;
}

KVector4 KVector4::operator-(const KVector4& pOther) const
{
    return KVector4(mData[0] - pOther.mData[0], mData[1] - pOther.mData[1],
                    mData[2] - pOther.mData[2], mData[3] - pOther.mData[3]);
}

KVector4 KVector4::operator-() const
{
    return KVector4(-mData[0], -mData[1], -mData[2], -mData[3]);
}

KVector4 KVector4::operator*(double pFactor) const
{
    KVector4 lResult(*this);
    lResult *= pFactor;
    return lResult;
}

KVector4& KVector4::operator*=(double pFactor)
{
    for (double& lValue : mData) {
        lValue *= pFactor;
    }
    return *this;
}

KVector4& KVector4::operator/=(double pDivisor)
{
    for (double& lValue : mData) {
        lValue /= pDivisor;
    }
    return *this;
}

KVector4& KVector4::operator*=(const KVector4& pOther)
{
    for (int i = 0; i < 4; ++i) {
        mData[i] *= pOther.mData[i];
    }
    return *this;
}

bool KVector4::operator==(const KVector4& pOther) const
{
    for (int i = 0; i < 3; ++i) {
        // Written so that a NaN component never compares equal.
        if (!(std::fabs(mData[i] - pOther.mData[i]) <= kTolerance)) {
            return false;
        }
    }
    return true;
}

double KVector4::Length() const
{
    return std::sqrt(DotProduct(*this));
}

double KVector4::DotProduct(const KVector4& pOther) const
{
    return mData[0] * pOther.mData[0] + mData[1] * pOther.mData[1] + mData[2] * pOther.mData[2];
}

KVector4 KVector4::CrossProduct(const KVector4& pOther) const
{
    return KVector4(mData[1] * pOther.mData[2] - mData[2] * pOther.mData[1],
                    mData[2] * pOther.mData[0] - mData[0] * pOther.mData[2],
                    mData[0] * pOther.mData[1] - mData[1] * pOther.mData[0], 1.0);
}

double KVector4::Normalize()
{
    const double lLength = Length();
    if (lLength > 0.0) {
        for (int i = 0; i < 3; ++i) {
            mData[i] /= lLength;
        }
    } else {
        mData[0] = mData[1] = mData[2] = 0.0;
    }
    return lLength;
}
