#include "scene/KRyvGlobalLightSettings.h"

#include <cmath>

namespace {

const char* const kLightSettingsErrors[KRyvGlobalLightSettings::kErrorCount] = {
    "Index out of range."};

} // namespace

KRyvGlobalLightSettings::KRyvGlobalLightSettings() : mError(kLightSettingsErrors, kErrorCount)
{
    Reset();
}

void KRyvGlobalLightSettings::Reset()
{
    mAmbientColor = KColor(0.4, 0.4, 0.4, 0.0);
    mFogEnable = false;
    mFogColor = KColor(1.0, 1.0, 1.0, 0.0);
    mFogMode = 0;
    mFogStart = 0.3;
    mFogEnd = 1000.0;
    mFogDensity = 0.002;
    mShadowEnable = false;
    mShadowIntensity = 0.0;
    mShadowPlanes.clear();
}

void KRyvGlobalLightSettings::SetFogStart(double pStart)
{
    if (std::isnan(pStart)) {
        return;
    }
    if (pStart > mFogEnd) {
        mFogStart = mFogEnd;
    } else if (pStart < 0.0) {
        mFogStart = 0.0;
    } else {
        mFogStart = pStart;
    }
}

void KRyvGlobalLightSettings::SetFogEnd(double pEnd)
{
    if (std::isnan(pEnd)) {
        return;
    }
    mFogEnd = pEnd >= mFogStart ? pEnd : mFogStart;
}

void KRyvGlobalLightSettings::SetFogDensity(double pDensity)
{
    if (!std::isnan(pDensity)) {
        mFogDensity = pDensity;
    }
}

void KRyvGlobalLightSettings::SetShadowIntensity(double pIntensity)
{
    if (std::isnan(pIntensity)) {
        return;
    }
    if (pIntensity < 0.0) {
        mShadowIntensity = 0.0;
    } else if (pIntensity > 300.0) {
        mShadowIntensity = 300.0;
    } else {
        mShadowIntensity = pIntensity;
    }
}

KRyvShadowPlane* KRyvGlobalLightSettings::GetShadowPlane(int pIndex)
{
    if (pIndex < 0 || pIndex >= GetShadowPlaneCount()) {
        mError.SetLastErrorID(kIndexOutOfRange);
        return nullptr;
    }
    return &mShadowPlanes[static_cast<std::size_t>(pIndex)];
}

int KRyvGlobalLightSettings::AddShadowPlane(const KRyvShadowPlane& pPlane)
{
    mShadowPlanes.push_back(pPlane);
    return GetShadowPlaneCount() - 1;
}

int KRyvGlobalLightSettings::InsertShadowPlane(int pIndex, const KRyvShadowPlane& pPlane)
{
    // A negative index goes to the front rather than before the array.
    const int lIndex =
        pIndex < 0 ? 0 : (pIndex > GetShadowPlaneCount() ? GetShadowPlaneCount() : pIndex);
    mShadowPlanes.insert(mShadowPlanes.begin() + lIndex, pPlane);
    return lIndex;
}
