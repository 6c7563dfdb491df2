#include "formats/geometry/3ds/K3dsSpecular.h"

#include "formats/geometry/3ds/K3dsUserProperty.h"
#include "scene/KRyvUserProperty.h"
#include "scene/objects/KRyvMaterial.h"

#include <algorithm>
#include <cmath>

namespace {

// A strength of 75 % gives the colour itself.
constexpr double kPerStrength = 1.3333333333333333;
constexpr double kPercent = 100.0;
constexpr double kByte = 255.0;
// How far a kept colour and strength may miss the kit's colour, which it holds as floats.
constexpr double kKeptTolerance = 1e-6;

double Limited(double pValue)
{
    return std::isfinite(pValue) ? std::clamp(pValue, 0.0, 1.0) : 0.0;
}

// The middle of the byte nearest pValue, which the toolkit's truncation to a byte keeps.
float NearestByte(double pValue)
{
    return static_cast<float>((std::floor(Limited(pValue) * kByte + 0.5) + 0.5) / kByte);
}

} // namespace

KColor K3dsSpecular::ToKit() const
{
    const double lFactor = static_cast<double>(mStrength) * kPerStrength;
    return KColor(Limited(mColor.r * lFactor), Limited(mColor.g * lFactor),
                  Limited(mColor.b * lFactor));
}

void K3dsSpecular::Keep(KRyvMaterial& ioMaterial) const
{
    ioMaterial.SetSpecularColor(ToKit());
    if (KRyvUserProperty* lColor =
            K3dsUserProperty::FindOrAdd(ioMaterial, kColor, KRyvUserProperty::kTypeColor, false)) {
        lColor->SetValue(KColor(mColor.r, mColor.g, mColor.b));
    }
    if (KRyvUserProperty* lStrength = K3dsUserProperty::FindOrAdd(
            ioMaterial, kStrength, KRyvUserProperty::kTypeReal, false)) {
        lStrength->SetValue(static_cast<double>(mStrength));
    }
}

bool K3dsSpecular::Kept(const KRyvMaterial& pMaterial, K3dsSpecular& oKept)
{
    const KRyvUserProperty* lColorProperty = pMaterial.FindUserProperty(kColor);
    const KRyvUserProperty* lStrengthProperty = pMaterial.FindUserProperty(kStrength);
    KColor lColor;
    double lStrength = 0.0;
    if (!lColorProperty || !lStrengthProperty || !lColorProperty->GetValue(lColor) ||
        !lStrengthProperty->GetValue(lStrength)) {
        return false;
    }
    oKept = K3dsSpecular({static_cast<float>(lColor.mRed), static_cast<float>(lColor.mGreen),
                          static_cast<float>(lColor.mBlue)},
                         static_cast<float>(lStrength));
    const KColor lGives = oKept.ToKit();
    const KColor lHas = pMaterial.GetSpecularColor();
    return std::fabs(lGives.mRed - lHas.mRed) <= kKeptTolerance &&
           std::fabs(lGives.mGreen - lHas.mGreen) <= kKeptTolerance &&
           std::fabs(lGives.mBlue - lHas.mBlue) <= kKeptTolerance;
}

K3dsSpecular K3dsSpecular::FromKit(const KColor& pColor)
{
    const double lBrightest =
        std::max({Limited(pColor.mRed), Limited(pColor.mGreen), Limited(pColor.mBlue)});
    if (lBrightest <= 0.0) {
        return K3dsSpecular();
    }
    // The percentage is rounded up, so that no channel of the colour needs more than 1.
    const double lPercent = std::ceil(lBrightest / kPerStrength * kPercent - kKeptTolerance);
    const double lFactor = lPercent / kPercent * kPerStrength;
    return K3dsSpecular({NearestByte(pColor.mRed / lFactor), NearestByte(pColor.mGreen / lFactor),
                         NearestByte(pColor.mBlue / lFactor)},
                        static_cast<float>(lPercent / kPercent));
}

K3dsSpecular K3dsSpecular::Of(const KRyvMaterial* pMaterial)
{
    if (!pMaterial) {
        return K3dsSpecular();
    }
    K3dsSpecular lKept;
    return Kept(*pMaterial, lKept) ? lKept : FromKit(pMaterial->GetSpecularColor());
}
