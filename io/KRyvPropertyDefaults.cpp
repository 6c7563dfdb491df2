#include "io/KRyvPropertyDefaults.h"

#include "object/KObject.h"
#include "object/KProperty.h"

#include <cstring>

namespace {

template <typename T> bool SameBits(const T& pLeft, const T& pRight)
{
    return std::memcmp(&pLeft, &pRight, sizeof(T)) == 0;
}

bool SameFourDoubles(const KPropertyValue& pLeft, const KPropertyValue& pRight)
{
    KVector4 lLeft;
    KVector4 lRight;
    if (!pLeft.ConvertTo(lLeft) || !pRight.ConvertTo(lRight)) {
        return false;
    }
    for (int i = 0; i < 4; ++i) {
        if (!SameBits(lLeft[i], lRight[i])) {
            return false;
        }
    }
    return true;
}

// Both values of the same kind and equal.
bool SameValue(const KPropertyValue& pLeft, const KPropertyValue& pRight)
{
    if (pLeft.IsEmpty() || pRight.IsEmpty()) {
        return pLeft.IsEmpty() && pRight.IsEmpty();
    }
    if (const bool* lBool = pLeft.Get<bool>()) {
        return pRight.Get<bool>() && *lBool == *pRight.Get<bool>();
    }
    if (const int* lInt = pLeft.Get<int>()) {
        return pRight.Get<int>() && *lInt == *pRight.Get<int>();
    }
    if (const float* lFloat = pLeft.Get<float>()) {
        return pRight.Get<float>() && SameBits(*lFloat, *pRight.Get<float>());
    }
    if (const double* lDouble = pLeft.Get<double>()) {
        return pRight.Get<double>() && SameBits(*lDouble, *pRight.Get<double>());
    }
    if (const KTime* lTime = pLeft.Get<KTime>()) {
        return pRight.Get<KTime>() && lTime->Get() == pRight.Get<KTime>()->Get();
    }
    if (const KString* lText = pLeft.Get<KString>()) {
        return pRight.Get<KString>() && lText->Compare(*pRight.Get<KString>()) == 0;
    }
    const bool lVector = pLeft.Get<KVector4>() && pRight.Get<KVector4>();
    const bool lColor = pLeft.Get<KColor>() && pRight.Get<KColor>();
    return (lVector || lColor) && SameFourDoubles(pLeft, pRight);
}

} // namespace

KRyvPropertyDefaults::KRyvPropertyDefaults(KObject* pFreshSet)
{
    if (!pFreshSet) {
        return;
    }
    pFreshSet->WalkToRead([this](const KProperty& pProperty) {
        KPropertyValue lValue;
        if (pProperty.GetPropertyValue(lValue)) {
            mValues.emplace(pProperty.GetName(), Entry{pProperty.GetPropertyType(), lValue});
        }
    });
}

bool KRyvPropertyDefaults::Holds(const KProperty& pProperty) const
{
    const auto lFound = mValues.find(pProperty.GetName());
    if (lFound == mValues.end() || lFound->second.mType != pProperty.GetPropertyType()) {
        return false;
    }
    KPropertyValue lValue;
    return pProperty.GetPropertyValue(lValue) && SameValue(lFound->second.mValue, lValue);
}
