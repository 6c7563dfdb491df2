#include "object/KPropertyValue.h"

#include <cfloat>
#include <climits>
#include <cmath>

bool KPropertyValue::GetScalar(double& oValue) const
{
    if (const bool* lBool = Get<bool>()) {
        oValue = *lBool ? 1.0 : 0.0;
    } else if (const int* lInt = Get<int>()) {
        oValue = *lInt;
    } else if (const float* lFloat = Get<float>()) {
        oValue = *lFloat;
    } else if (const double* lDouble = Get<double>()) {
        oValue = *lDouble;
    } else {
        return false;
    }
    return true;
}

bool KPropertyValue::GetFourDoubles(double oValues[4]) const
{
    if (const KVector4* lVector = Get<KVector4>()) {
        for (int i = 0; i < 4; ++i) {
            oValues[i] = (*lVector)[i];
        }
    } else if (const KColor* lColor = Get<KColor>()) {
        oValues[0] = lColor->mRed;
        oValues[1] = lColor->mGreen;
        oValues[2] = lColor->mBlue;
        oValues[3] = lColor->mAlpha;
    } else {
        return false;
    }
    return true;
}

bool KPropertyValue::ConvertTo(bool& oValue) const
{
    double lValue = 0.0;
    if (!GetScalar(lValue)) {
        return false;
    }
    oValue = lValue != 0.0;
    return true;
}

bool KPropertyValue::ConvertTo(int& oValue) const
{
    double lValue = 0.0;
    // The bounds are exact doubles; truncation toward zero then stays inside int.
    if (!GetScalar(lValue) || std::isnan(lValue) || lValue <= double(INT_MIN) - 1.0 ||
        lValue >= double(INT_MAX) + 1.0) {
        return false;
    }
    oValue = static_cast<int>(lValue);
    return true;
}

bool KPropertyValue::ConvertTo(float& oValue) const
{
    double lValue = 0.0;
    if (!GetScalar(lValue)) {
        return false;
    }
    if (std::isfinite(lValue) && std::fabs(lValue) > double(FLT_MAX)) {
        return false;
    }
    oValue = static_cast<float>(lValue);
    return true;
}

bool KPropertyValue::ConvertTo(double& oValue) const
{
    return GetScalar(oValue);
}

bool KPropertyValue::ConvertTo(KTime& oValue) const
{
    const KTime* lTime = Get<KTime>();
    if (!lTime) {
        return false;
    }
    oValue = *lTime;
    return true;
}

bool KPropertyValue::ConvertTo(KString& oValue) const
{
    const KString* lText = Get<KString>();
    if (!lText) {
        return false;
    }
    oValue = *lText;
    return true;
}

bool KPropertyValue::ConvertTo(KVector4& oValue) const
{
    double lValues[4];
    if (!GetFourDoubles(lValues)) {
        return false;
    }
    oValue.Set(lValues[0], lValues[1], lValues[2], lValues[3]);
    return true;
}

bool KPropertyValue::ConvertTo(KColor& oValue) const
{
    double lValues[4];
    if (!GetFourDoubles(lValues)) {
        return false;
    }
    oValue.Set(lValues[0], lValues[1], lValues[2], lValues[3]);
    return true;
}
