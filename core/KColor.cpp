#include "core/KColor.h"

namespace {

// NaN fails both comparisons, so it falls through to 0.
double ClampUnit(double pValue)
{
    if (pValue > 1.0) {
        return 1.0;
    }
    if (pValue >= 0.0) {
        return pValue;
    }
    return 0.0;
}

} // namespace

KColor::KColor(double pRed, double pGreen, double pBlue, double pAlpha)
{
    Set(pRed, pGreen, pBlue, pAlpha);
}

KColor::KColor(const KColor& pOther)
{
    Set(pOther.mRed, pOther.mGreen, pOther.mBlue, pOther.mAlpha);
}

KColor& KColor::operator=(const KColor& pOther)
{
    Set(pOther.mRed, pOther.mGreen, pOther.mBlue, pOther.mAlpha);
    return *this;
}

void KColor::Set(double pRed, double pGreen, double pBlue, double pAlpha)
{
    mRed = ClampUnit(pRed);
    mGreen = ClampUnit(pGreen);
    mBlue = ClampUnit(pBlue);
    mAlpha = ClampUnit(pAlpha);
}
