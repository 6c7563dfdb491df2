#include "scene/KRyvGlobalLightSettings.h"
#include "scene/KRyvGlobalTimeSettings.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

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
    EXPECT_DOUBLE_EQ(lSettings.GetFogDensity(), -4.0);
    lSettings.Reset();
    ExpectLightDefaults(lSettings);

    // Colours are clamped to [0, 1], a colour that is not a number to 0.
    KColor lColor;
    lColor.mRed = 2.0;
    lColor.mGreen = -1.0;
    lColor.mBlue = kNaN;
    lColor.mAlpha = 0.25;
    lSettings.SetAmbientColor(lColor);
    ExpectColor(lSettings.GetAmbientColor(), 1.0, 0.0, 0.0, 0.25);
    lSettings.SetFogColor(lColor);
    ExpectColor(lSettings.GetFogColor(), 1.0, 0.0, 0.0, 0.25);
}

TEST(KRyvGlobalLightSettingsTest, ClampedValuesInCallOrder)
{
    enum { kStart, kEnd, kIntensity };
    // Each row applies to fresh settings after the previous rows of its group.
    const struct
    {
        bool mFresh;
        int mWhat;
        double mValue;
        double mStart;
        double mEnd;
        double mIntensity;
    } kCases[] = {
        {true, kStart, 2000.0, 1000.0, 1000.0, 0.0},
        {false, kStart, -1.0, 0.0, 1000.0, 0.0},
        {true, kEnd, 0.1, 0.3, 0.3, 0.0},
        {false, kEnd, 0.3, 0.3, 0.3, 0.0},
        // A start beyond the current end is cut to it, whatever the next end.
        {true, kStart, 1500.0, 1000.0, 1000.0, 0.0},
        {false, kEnd, 2000.0, 1000.0, 2000.0, 0.0},
        {false, kStart, 1500.0, 1500.0, 2000.0, 0.0},
        {true, kIntensity, 500.0, 0.3, 1000.0, 300.0},
        {false, kIntensity, -2.0, 0.3, 1000.0, 0.0},
        {false, kIntensity, 300.0, 0.3, 1000.0, 300.0},
        {false, kIntensity, 12.5, 0.3, 1000.0, 12.5},
        // Not a number keeps the old value.
        {false, kIntensity, kNaN, 0.3, 1000.0, 12.5},
        {false, kStart, kNaN, 0.3, 1000.0, 12.5},
        {false, kEnd, kNaN, 0.3, 1000.0, 12.5},
    };
    KRyvGlobalLightSettings lSettings;
    int lRow = 0;
    for (const auto& lCase : kCases) {
        SCOPED_TRACE(lRow++);
        if (lCase.mFresh) {
            lSettings.Reset();
        }
        if (lCase.mWhat == kStart) {
            lSettings.SetFogStart(lCase.mValue);
        } else if (lCase.mWhat == kEnd) {
            lSettings.SetFogEnd(lCase.mValue);
        } else {
            lSettings.SetShadowIntensity(lCase.mValue);
        }
        EXPECT_DOUBLE_EQ(lSettings.GetFogStart(), lCase.mStart);
        EXPECT_DOUBLE_EQ(lSettings.GetFogEnd(), lCase.mEnd);
        EXPECT_DOUBLE_EQ(lSettings.GetShadowIntensity(), lCase.mIntensity);
    }
    lSettings.SetFogDensity(kNaN);
    EXPECT_DOUBLE_EQ(lSettings.GetFogDensity(), 0.002);
}

TEST(KRyvGlobalLightSettingsTest, ShadowPlanes)
{
    KRyvGlobalLightSettings lSettings;
    EXPECT_EQ(lSettings.GetShadowPlane(0), nullptr);
    EXPECT_STREQ(lSettings.GetError().GetLastErrorString().Buffer(), "Index out of range.");
    const KRyvShadowPlane lDefault;
    EXPECT_TRUE(lDefault.mEnable);
    EXPECT_EQ(lDefault.mNormal, KVector4(0.0, 1.0, 0.0));

    // Stored copies; insertion indices are clamped to 0..count.
    KRyvShadowPlane lPlane;
    const struct
    {
        bool mAdd;
        int mInsertAt;
        int mIndex;
    } kInserts[] = {{true, 0, 0}, {true, 0, 1}, {false, 10, 2}, {false, -5, 0}, {false, 2, 2}};
    double lOrigin = 1.0;
    for (const auto& lInsert : kInserts) {
        lPlane.mOrigin.Set(lOrigin++, 0.0, 0.0);
        EXPECT_EQ(lInsert.mAdd ? lSettings.AddShadowPlane(lPlane)
                               : lSettings.InsertShadowPlane(lInsert.mInsertAt, lPlane),
                  lInsert.mIndex);
    }
    lPlane.mOrigin.Set(9.0, 0.0, 0.0);
    ASSERT_EQ(lSettings.GetShadowPlaneCount(), 5);
    const double lExpected[] = {4.0, 1.0, 5.0, 2.0, 3.0};
    for (int i = 0; i < 5; ++i) {
        EXPECT_DOUBLE_EQ(lSettings.GetShadowPlane(i)->mOrigin[0], lExpected[i]) << i;
    }
    lSettings.GetError().ClearLastError();
    EXPECT_EQ(lSettings.GetShadowPlane(5), nullptr);
    EXPECT_EQ(lSettings.GetShadowPlane(-1), nullptr);
    EXPECT_EQ(lSettings.GetError().GetLastErrorID(), KRyvGlobalLightSettings::kIndexOutOfRange);
    lSettings.RemoveAllShadowPlanes();
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
    ASSERT_TRUE(KTime::SetGlobalTimeMode(1));
    EXPECT_EQ(lSettings.GetTimeMode(), 1);
    lSettings.SetTimeProtocol(KTime::kProtocolDefault);
    EXPECT_EQ(lSettings.GetTimeProtocol(), KTime::kProtocolTimeCode);
    ASSERT_TRUE(KTime::SetGlobalTimeProtocol(KTime::kProtocolFrameCount));
    EXPECT_EQ(lSettings.GetTimeProtocol(), KTime::kProtocolFrameCount);
    // Other values are stored unchecked.
    lSettings.SetTimeMode(99);
    lSettings.SetTimeProtocol(-4);
    EXPECT_EQ(lSettings.GetTimeMode(), 99);
    EXPECT_EQ(lSettings.GetTimeProtocol(), -4);
}

TEST(KRyvGlobalTimeSettingsTest, MarkersAndReset)
{
    KRyvGlobalTimeSettings lSettings;
    EXPECT_EQ(lSettings.GetCurrentTimeMarker(), -1);
    EXPECT_FALSE(lSettings.SetCurrentTimeMarker(0));
    EXPECT_STREQ(lSettings.GetError().GetLastErrorString().Buffer(), "Index out of range.");
    EXPECT_EQ(lSettings.GetTimeMarker(0), nullptr);
    EXPECT_EQ(lSettings.GetTimeMarker(-1), nullptr);

    KRyvTimeMarker lMarker;
    lMarker.mName = "Start";
    lMarker.mTime = KTime(100);
    lMarker.mLoop = 1;
    lSettings.AddTimeMarker(lMarker);
    lMarker.mName = "Changed";
    lSettings.AddTimeMarker(lMarker);
    const KRyvTimeMarker* lStored = lSettings.GetTimeMarker(0);
    ASSERT_NE(lStored, nullptr);
    EXPECT_STREQ(lStored->mName.Buffer(), "Start");
    EXPECT_EQ(lStored->mTime.Get(), 100);
    EXPECT_EQ(lStored->mLoop, 1);
    // Pointers handed out stay valid while markers are added.
    lSettings.AddTimeMarker(lMarker);
    EXPECT_EQ(lSettings.GetTimeMarker(0), lStored);
    EXPECT_STREQ(lSettings.GetTimeMarker(2)->mName.Buffer(), "Changed");

    EXPECT_TRUE(lSettings.SetCurrentTimeMarker(2));
    EXPECT_EQ(lSettings.GetCurrentTimeMarker(), 2);
    lSettings.GetError().ClearLastError();
    EXPECT_FALSE(lSettings.SetCurrentTimeMarker(3));
    EXPECT_FALSE(lSettings.SetCurrentTimeMarker(-1));
    EXPECT_EQ(lSettings.GetError().GetLastErrorID(), KRyvGlobalTimeSettings::kIndexOutOfRange);
    EXPECT_EQ(lSettings.GetCurrentTimeMarker(), 2);
    // Removing the markers leaves no current marker pointing past the end.
    lSettings.RemoveAllTimeMarkers();
    EXPECT_EQ(lSettings.GetTimeMarkerCount(), 0);
    EXPECT_EQ(lSettings.GetCurrentTimeMarker(), -1);

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
