#include "scene/KRyvGlobalLightSettings.h"
#include "scene/KRyvGlobalTimeSettings.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

void ExpectColor(const KColor& pColor, double pRed, double pGreen, double pBlue, double pAlpha)
{
    EXPECT_DOUBLE_EQ(pColor.mRed, pRed);
    EXPECT_DOUBLE_EQ(pColor.mGreen, pGreen);
    EXPECT_DOUBLE_EQ(pColor.mBlue, pBlue);
    EXPECT_DOUBLE_EQ(pColor.mAlpha, pAlpha);
}

void ExpectLightDefaults(KRyvGlobalLightSettings& pSettings)
{
    ExpectColor(pSettings.GetAmbientColor(), 0.4, 0.4, 0.4, 0.0);
    EXPECT_FALSE(pSettings.GetFogEnable());
    ExpectColor(pSettings.GetFogColor(), 1.0, 1.0, 1.0, 0.0);
    EXPECT_EQ(pSettings.GetFogMode(), 0);
    EXPECT_DOUBLE_EQ(pSettings.GetFogStart(), 0.3);
    EXPECT_DOUBLE_EQ(pSettings.GetFogEnd(), 1000.0);
    EXPECT_DOUBLE_EQ(pSettings.GetFogDensity(), 0.002);
    EXPECT_FALSE(pSettings.GetShadowEnable());
    EXPECT_DOUBLE_EQ(pSettings.GetShadowIntensity(), 0.0);
    EXPECT_EQ(pSettings.GetShadowPlaneCount(), 0);
}

// Restores the process-wide time defaults a test changes.
class GlobalTimeGuard
{
public:
    GlobalTimeGuard() : mMode(KTime::GetGlobalTimeMode()), mProtocol(KTime::GetGlobalTimeProtocol())
    {
    }
    ~GlobalTimeGuard()
    {
        KTime::SetGlobalTimeMode(mMode);
        KTime::SetGlobalTimeProtocol(mProtocol);
    }

private:
    int mMode;
    int mProtocol;
};

TEST(KRyvGlobalLightSettingsTest, DefaultsAndReset)
{
    KRyvGlobalLightSettings lSettings;
    ExpectLightDefaults(lSettings);

    lSettings.SetAmbientColor(KColor(0.1, 0.2, 0.3, 0.5));
    lSettings.SetFogEnable(true);
    lSettings.SetFogColor(KColor(0.5, 0.5, 0.5, 1.0));
    lSettings.SetFogMode(7);
    lSettings.SetFogStart(10.0);
    lSettings.SetFogEnd(20.0);
    lSettings.SetFogDensity(-4.0);
    lSettings.SetShadowEnable(true);
    lSettings.SetShadowIntensity(50.0);
    lSettings.AddShadowPlane(KRyvShadowPlane());
    EXPECT_EQ(lSettings.GetFogMode(), 7);
    EXPECT_DOUBLE_EQ(lSettings.GetFogDensity(), -4.0);
    EXPECT_TRUE(lSettings.GetShadowEnable());

    lSettings.Reset();
    ExpectLightDefaults(lSettings);
}

TEST(KRyvGlobalLightSettingsTest, ColoursAreClamped)
{
    KRyvGlobalLightSettings lSettings;
    KColor lColor;
    lColor.mRed = 2.0;
    lColor.mGreen = -1.0;
    lColor.mBlue = std::numeric_limits<double>::quiet_NaN();
    lColor.mAlpha = 0.25;
    lSettings.SetAmbientColor(lColor);
    ExpectColor(lSettings.GetAmbientColor(), 1.0, 0.0, 0.0, 0.25);
    lSettings.SetFogColor(lColor);
    ExpectColor(lSettings.GetFogColor(), 1.0, 0.0, 0.0, 0.25);
}

TEST(KRyvGlobalLightSettingsTest, FogStartAndEndStayOrdered)
{
    KRyvGlobalLightSettings lSettings;
    lSettings.SetFogStart(2000.0);
    EXPECT_DOUBLE_EQ(lSettings.GetFogStart(), 1000.0);
    lSettings.SetFogStart(-1.0);
    EXPECT_DOUBLE_EQ(lSettings.GetFogStart(), 0.0);

    lSettings.Reset();
    lSettings.SetFogEnd(0.1);
    EXPECT_DOUBLE_EQ(lSettings.GetFogEnd(), 0.3);
    lSettings.SetFogEnd(0.3);
    EXPECT_DOUBLE_EQ(lSettings.GetFogEnd(), 0.3);

    // The order of the calls matters: a start beyond the current end is cut to it.
    lSettings.Reset();
    lSettings.SetFogStart(1500.0);
    lSettings.SetFogEnd(2000.0);
    EXPECT_DOUBLE_EQ(lSettings.GetFogStart(), 1000.0);
    EXPECT_DOUBLE_EQ(lSettings.GetFogEnd(), 2000.0);
    lSettings.SetFogStart(1500.0);
    EXPECT_DOUBLE_EQ(lSettings.GetFogStart(), 1500.0);
}

TEST(KRyvGlobalLightSettingsTest, ShadowIntensityIsClamped)
{
    KRyvGlobalLightSettings lSettings;
    lSettings.SetShadowIntensity(500.0);
    EXPECT_DOUBLE_EQ(lSettings.GetShadowIntensity(), 300.0);
    lSettings.SetShadowIntensity(-2.0);
    EXPECT_DOUBLE_EQ(lSettings.GetShadowIntensity(), 0.0);
    lSettings.SetShadowIntensity(300.0);
    EXPECT_DOUBLE_EQ(lSettings.GetShadowIntensity(), 300.0);
    lSettings.SetShadowIntensity(12.5);
    EXPECT_DOUBLE_EQ(lSettings.GetShadowIntensity(), 12.5);
}

TEST(KRyvGlobalLightSettingsTest, NotANumberKeepsTheOldValue)
{
    const double lNaN = std::numeric_limits<double>::quiet_NaN();
    KRyvGlobalLightSettings lSettings;
    lSettings.SetFogStart(lNaN);
    lSettings.SetFogEnd(lNaN);
    lSettings.SetFogDensity(lNaN);
    lSettings.SetShadowIntensity(lNaN);
    EXPECT_DOUBLE_EQ(lSettings.GetFogStart(), 0.3);
    EXPECT_DOUBLE_EQ(lSettings.GetFogEnd(), 1000.0);
    EXPECT_DOUBLE_EQ(lSettings.GetFogDensity(), 0.002);
    EXPECT_DOUBLE_EQ(lSettings.GetShadowIntensity(), 0.0);
}

TEST(KRyvGlobalLightSettingsTest, ShadowPlanes)
{
    KRyvGlobalLightSettings lSettings;
    EXPECT_EQ(lSettings.GetShadowPlane(0), nullptr);
    EXPECT_EQ(lSettings.GetError().GetLastErrorID(), KRyvGlobalLightSettings::kIndexOutOfRange);
    EXPECT_STREQ(lSettings.GetError().GetLastErrorString().Buffer(), "Index out of range.");

    const KRyvShadowPlane lDefault;
    EXPECT_TRUE(lDefault.mEnable);
    EXPECT_EQ(lDefault.mOrigin, KVector4(0.0, 0.0, 0.0));
    EXPECT_DOUBLE_EQ(lDefault.mOrigin[3], 0.0);
    EXPECT_EQ(lDefault.mNormal, KVector4(0.0, 1.0, 0.0));
    EXPECT_DOUBLE_EQ(lDefault.mNormal[3], 0.0);

    KRyvShadowPlane lPlane;
    lPlane.mOrigin.Set(1.0, 0.0, 0.0);
    EXPECT_EQ(lSettings.AddShadowPlane(lPlane), 0);
    lPlane.mOrigin.Set(2.0, 0.0, 0.0);
    EXPECT_EQ(lSettings.AddShadowPlane(lPlane), 1);
    // Stored copies: changing the caller's record changes nothing inside.
    lPlane.mOrigin.Set(9.0, 0.0, 0.0);
    EXPECT_DOUBLE_EQ(lSettings.GetShadowPlane(0)->mOrigin[0], 1.0);

    // Insertion indices are clamped to 0..count.
    lPlane.mOrigin.Set(3.0, 0.0, 0.0);
    EXPECT_EQ(lSettings.InsertShadowPlane(10, lPlane), 2);
    lPlane.mOrigin.Set(4.0, 0.0, 0.0);
    EXPECT_EQ(lSettings.InsertShadowPlane(-5, lPlane), 0);
    lPlane.mOrigin.Set(5.0, 0.0, 0.0);
    EXPECT_EQ(lSettings.InsertShadowPlane(2, lPlane), 2);
    ASSERT_EQ(lSettings.GetShadowPlaneCount(), 5);
    const double lExpected[] = {4.0, 1.0, 5.0, 2.0, 3.0};
    for (int i = 0; i < 5; ++i) {
        ASSERT_NE(lSettings.GetShadowPlane(i), nullptr);
        EXPECT_DOUBLE_EQ(lSettings.GetShadowPlane(i)->mOrigin[0], lExpected[i]) << i;
    }

    lSettings.GetError().ClearLastError();
    EXPECT_EQ(lSettings.GetShadowPlane(5), nullptr);
    EXPECT_EQ(lSettings.GetShadowPlane(-1), nullptr);
    EXPECT_EQ(lSettings.GetError().GetLastErrorID(), KRyvGlobalLightSettings::kIndexOutOfRange);

    lSettings.RemoveAllShadowPlanes();
    EXPECT_EQ(lSettings.GetShadowPlaneCount(), 0);
    lSettings.AddShadowPlane(lPlane);
    lSettings.Reset();
    EXPECT_EQ(lSettings.GetShadowPlaneCount(), 0);
}

TEST(KRyvGlobalTimeSettingsTest, ModeAndProtocolFallBackToTheGlobalDefaults)
{
    GlobalTimeGuard lGuard;
    ASSERT_TRUE(KTime::SetGlobalTimeMode(3));
    ASSERT_TRUE(KTime::SetGlobalTimeProtocol(KTime::kProtocolTimeCode));

    KRyvGlobalTimeSettings lSettings;
    EXPECT_EQ(lSettings.GetTimeMode(), 6);
    EXPECT_EQ(lSettings.GetTimeProtocol(), 1);

    lSettings.SetTimeMode(0);
    EXPECT_EQ(lSettings.GetTimeMode(), 3);
    ASSERT_TRUE(KTime::SetGlobalTimeMode(6));
    EXPECT_EQ(lSettings.GetTimeMode(), 6);

    lSettings.SetTimeProtocol(KTime::kProtocolDefault);
    EXPECT_EQ(lSettings.GetTimeProtocol(), KTime::kProtocolTimeCode);
    ASSERT_TRUE(KTime::SetGlobalTimeProtocol(KTime::kProtocolFrameCount));
    EXPECT_EQ(lSettings.GetTimeProtocol(), KTime::kProtocolFrameCount);

    // Other values are stored unchecked.
    lSettings.SetTimeMode(99);
    lSettings.SetTimeProtocol(-4);
    lSettings.SetSnapOnFrames(3);
    EXPECT_EQ(lSettings.GetTimeMode(), 99);
    EXPECT_EQ(lSettings.GetTimeProtocol(), -4);
    EXPECT_EQ(lSettings.GetSnapOnFrames(), 3);
}

TEST(KRyvGlobalTimeSettingsTest, MarkersAreStoredCopies)
{
    KRyvGlobalTimeSettings lSettings;
    KRyvTimeMarker lMarker;
    lMarker.mName = "Start";
    lMarker.mTime = KTime(100);
    lMarker.mLoop = 1;
    lSettings.AddTimeMarker(lMarker);
    lMarker.mName = "Changed";
    lMarker.mTime = KTime(200);
    lMarker.mLoop = 0;

    ASSERT_EQ(lSettings.GetTimeMarkerCount(), 1);
    const KRyvTimeMarker* lStored = lSettings.GetTimeMarker(0);
    ASSERT_NE(lStored, nullptr);
    EXPECT_STREQ(lStored->mName.Buffer(), "Start");
    EXPECT_EQ(lStored->mTime.Get(), 100);
    EXPECT_EQ(lStored->mLoop, 1);

    lSettings.AddTimeMarker(lMarker);
    // Pointers handed out stay valid while markers are added.
    EXPECT_EQ(lSettings.GetTimeMarker(0), lStored);
    EXPECT_STREQ(lSettings.GetTimeMarker(1)->mName.Buffer(), "Changed");
}

TEST(KRyvGlobalTimeSettingsTest, IndexErrorsAndCurrentMarker)
{
    KRyvGlobalTimeSettings lSettings;
    EXPECT_EQ(lSettings.GetCurrentTimeMarker(), -1);
    EXPECT_FALSE(lSettings.SetCurrentTimeMarker(0));
    EXPECT_EQ(lSettings.GetError().GetLastErrorID(), KRyvGlobalTimeSettings::kIndexOutOfRange);
    EXPECT_STREQ(lSettings.GetError().GetLastErrorString().Buffer(), "Index out of range.");
    EXPECT_EQ(lSettings.GetCurrentTimeMarker(), -1);
    EXPECT_EQ(lSettings.GetTimeMarker(0), nullptr);
    EXPECT_EQ(lSettings.GetTimeMarker(-1), nullptr);

    lSettings.AddTimeMarker(KRyvTimeMarker());
    lSettings.AddTimeMarker(KRyvTimeMarker());
    EXPECT_TRUE(lSettings.SetCurrentTimeMarker(1));
    EXPECT_EQ(lSettings.GetCurrentTimeMarker(), 1);
    lSettings.GetError().ClearLastError();
    EXPECT_FALSE(lSettings.SetCurrentTimeMarker(2));
    EXPECT_FALSE(lSettings.SetCurrentTimeMarker(-1));
    EXPECT_EQ(lSettings.GetError().GetLastErrorID(), KRyvGlobalTimeSettings::kIndexOutOfRange);
    EXPECT_EQ(lSettings.GetCurrentTimeMarker(), 1);

    // Removing the markers leaves no current marker pointing past the end.
    lSettings.RemoveAllTimeMarkers();
    EXPECT_EQ(lSettings.GetTimeMarkerCount(), 0);
    EXPECT_EQ(lSettings.GetCurrentTimeMarker(), -1);
}

TEST(KRyvGlobalTimeSettingsTest, Reset)
{
    KRyvGlobalTimeSettings lSettings;
    lSettings.SetTimeMode(11);
    lSettings.SetTimeProtocol(0);
    lSettings.SetSnapOnFrames(1);
    lSettings.AddTimeMarker(KRyvTimeMarker());
    lSettings.SetCurrentTimeMarker(0);

    lSettings.Reset();
    EXPECT_EQ(lSettings.GetTimeMode(), 6);
    EXPECT_EQ(lSettings.GetTimeProtocol(), 1);
    EXPECT_EQ(lSettings.GetSnapOnFrames(), 0);
    EXPECT_EQ(lSettings.GetTimeMarkerCount(), 0);
    EXPECT_EQ(lSettings.GetCurrentTimeMarker(), -1);
}

} // namespace
