#ifndef RYVKIT_SCENE_KRYVGLOBALLIGHTSETTINGS_H
#define RYVKIT_SCENE_KRYVGLOBALLIGHTSETTINGS_H

#include "core/KColor.h"
#include "core/KError.h"
#include "core/KVector4.h"

#include <vector>

// A plane that receives shadows: a point on it and its normal.
struct KRyvShadowPlane
{
    bool mEnable = true;
    KVector4 mOrigin = KVector4(0.0, 0.0, 0.0, 0.0);
    KVector4 mNormal = KVector4(0.0, 1.0, 0.0, 0.0);
};

// The scene-wide lighting state a scene owns: ambient colour, fog, shadows and the shadow
// planes (copies, in insertion order). Colours are clamped to [0, 1]; fog start stays within
// [0, fog end], fog end never below fog start, shadow intensity within [0, 300]. A setter given
// a value that is not a number keeps the old value. Bad plane indices set the KError (code 0)
// and answer null.
class KRyvGlobalLightSettings
{
public:
    enum EError : int { kIndexOutOfRange = 0, kErrorCount = 1 };

    KRyvGlobalLightSettings();

    void SetAmbientColor(const KColor& pColor) { mAmbientColor = pColor; }
    KColor GetAmbientColor() const { return mAmbientColor; }

    void SetFogEnable(bool pEnable) { mFogEnable = pEnable; }
    bool GetFogEnable() const { return mFogEnable; }
    void SetFogColor(const KColor& pColor) { mFogColor = pColor; }
    KColor GetFogColor() const { return mFogColor; }
    // Stored and handed on unchanged.
    void SetFogMode(int pMode) { mFogMode = pMode; }
    int GetFogMode() const { return mFogMode; }
    // Above the fog end gives the fog end, below 0 gives 0.
    void SetFogStart(double pStart);
    double GetFogStart() const { return mFogStart; }
    // Below the fog start gives the fog start.
    void SetFogEnd(double pEnd);
    double GetFogEnd() const { return mFogEnd; }
    // Stored unchanged (a value that is not a number excepted).
    void SetFogDensity(double pDensity);
    double GetFogDensity() const { return mFogDensity; }

    void SetShadowEnable(bool pEnable) { mShadowEnable = pEnable; }
    bool GetShadowEnable() const { return mShadowEnable; }
    // Clamped to [0, 300].
    void SetShadowIntensity(double pIntensity);
    double GetShadowIntensity() const { return mShadowIntensity; }

    int GetShadowPlaneCount() const { return static_cast<int>(mShadowPlanes.size()); }
    // The stored record, valid until planes are added, inserted or removed; null with
    // kIndexOutOfRange outside 0..count-1.
    KRyvShadowPlane* GetShadowPlane(int pIndex);
    // Appends a copy; answers its index.
    int AddShadowPlane(const KRyvShadowPlane& pPlane);
    // Inserts a copy at pIndex, clamped to 0..count; answers the index used.
    int InsertShadowPlane(int pIndex, const KRyvShadowPlane& pPlane);
    void RemoveAllShadowPlanes() { mShadowPlanes.clear(); }

    // Every field back to its default, no shadow planes.
    void Reset();

    KError& GetError() { return mError; }

private:
    KColor mAmbientColor;
    bool mFogEnable = false;
    KColor mFogColor;
    int mFogMode = 0;
    double mFogStart = 0.0;
    double mFogEnd = 0.0;
    double mFogDensity = 0.0;
    bool mShadowEnable = false;
    double mShadowIntensity = 0.0;
    std::vector<KRyvShadowPlane> mShadowPlanes;
    KError mError;
};

#endif
