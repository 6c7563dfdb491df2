#include "core/KTime.h"
#include "core/KTimeModeTable.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>

namespace {

constexpr std::int64_t kTicks = KTime::kTicksPerSecond;
constexpr std::int64_t kTicks30 = 1539538600;    // 46186158000 / 30
constexpr std::int64_t kTicksNtsc = 1541078138;  // 46186158000 * 1001 / 30000, truncated
constexpr std::int64_t kTicks23976 = 1926347673; // 46186158000 * 1001 / 24000, truncated
constexpr std::int64_t kTicks120 = 384884650;

constexpr int kMode120 = 1;
constexpr int kMode30 = 6;
constexpr int kMode30Drop = 7;
constexpr int kModeNtscDrop = 8;
constexpr int kModeNtscFull = 9;
constexpr int kModePal = 10;
constexpr int kMode23976 = 13;

KTime TimeCode(int pHour, int pMinute, int pSecond, int pFrame, int pMode)
{
    KTime time;
    time.SetTime(pHour, pMinute, pSecond, pFrame, 0, pMode);
    return time;
}

std::string Text(const KString& pText)
{
    return pText.Buffer();
}

} // namespace

TEST(KTimeModeTableTest, NamesRatesAndLookup)
{
    const char* const names[] = {"Default", "120 fps", "100 fps",     "60 fps",     "50 fps",
                                 "48 fps",  "30 fps",  "30 fps Drop", "NTSC Drop",  "NTSC Full",
                                 "PAL",     "24 fps",  "1000 fps",    "23.976 fps", "Custom"};
    ASSERT_EQ(KTimeModeTable::GetCount(), 15);
    for (int mode = 0; mode < 15; ++mode) {
        EXPECT_EQ(Text(KTimeModeTable::GetName(mode)), names[mode]);
        EXPECT_EQ(KTimeModeTable::FindByName(names[mode]), mode);
    }
    EXPECT_TRUE(KTimeModeTable::GetName(15).IsNull());
    EXPECT_TRUE(KTimeModeTable::GetName(-1).IsNull());
    EXPECT_EQ(KTimeModeTable::FindByName("ntsc drop"), -1);
    EXPECT_EQ(KTimeModeTable::FindByName(nullptr), -1);

    EXPECT_EQ(KTimeModeTable::GetTicksPerFrame(kMode30), kTicks30);
    EXPECT_EQ(KTimeModeTable::GetTicksPerFrame(kModeNtscDrop), kTicksNtsc);
    EXPECT_EQ(KTimeModeTable::GetTicksPerFrame(kModeNtscFull), kTicksNtsc);
    EXPECT_EQ(KTimeModeTable::GetTicksPerFrame(kMode23976), kTicks23976);
    EXPECT_EQ(KTimeModeTable::GetTicksPerFrame(kMode120), kTicks120);
    EXPECT_EQ(KTimeModeTable::GetTicksPerFrame(99), kTicks30);
    for (int mode = 0; mode < 15; ++mode) {
        EXPECT_EQ(KTimeModeTable::IsDropFrame(mode), mode == kMode30Drop || mode == kModeNtscDrop)
            << mode;
    }
}

TEST(KTimeTest, ConstantsAndInfinities)
{
    EXPECT_EQ(KTime::kInfinity.Get(), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(static_cast<std::uint64_t>(KTime::kMinusInfinity.Get()), 0x8000000000000001ULL);
    EXPECT_EQ(KTime::kZero.Get(), 0);
    EXPECT_EQ(KTime().Get(), 0);

    // The one value below minus infinity is kept as minus infinity.
    EXPECT_EQ(KTime(std::numeric_limits<std::int64_t>::min()), KTime::kMinusInfinity);

    EXPECT_EQ(KTime::kInfinity + KTime(1), KTime::kInfinity);
    EXPECT_EQ(KTime::kMinusInfinity - KTime(1), KTime::kMinusInfinity);
    EXPECT_EQ(KTime::kMinusInfinity + KTime::kMinusInfinity, KTime::kMinusInfinity);
    EXPECT_EQ(KTime(0) - KTime::kMinusInfinity, KTime::kInfinity);
    EXPECT_EQ(-KTime::kMinusInfinity, KTime::kInfinity);
    EXPECT_EQ(KTime::kInfinity * 2, KTime::kInfinity);
    EXPECT_EQ(KTime::kInfinity * -2, KTime::kMinusInfinity);
    EXPECT_EQ(KTime::kMinusInfinity * KTime(-1), KTime::kInfinity);
    EXPECT_EQ(KTime::kMinusInfinity / KTime(-1), KTime::kInfinity);
    EXPECT_LT(KTime::kMinusInfinity, KTime::kZero);
    EXPECT_GT(KTime::kInfinity, KTime::kZero);

    EXPECT_EQ(KTime::kInfinity.GetFrame(kMode30), 5990997586);
    EXPECT_EQ(KTime::kMinusInfinity.GetFrame(kMode30), -5990997586);
    // The widest time codes still print in full.
    EXPECT_EQ(Text(KTime::kInfinity.GetTimeString(kMode30, KTime::kProtocolTimeCode)).substr(0, 1),
              "5");
    EXPECT_EQ(Text(KTime::kMinusInfinity.GetTimeString(kMode30, KTime::kProtocolTimeCode))[0], '-');
}

TEST(KTimeTest, Arithmetic)
{
    EXPECT_EQ(KTime(5) + KTime(3), KTime(8));
    EXPECT_EQ(KTime(5) - KTime(8), KTime(-3));
    EXPECT_EQ(KTime(7) * 3, KTime(21));
    EXPECT_EQ(KTime(7) * KTime(-3), KTime(-21));
    EXPECT_EQ(KTime(22) / KTime(7), KTime(3));
    EXPECT_EQ(KTime(-22) / KTime(7), KTime(-3));
    EXPECT_EQ(KTime(22) / KTime(0), KTime(0));
    KTime time(10);
    time += KTime(5);
    time -= KTime(20);
    EXPECT_EQ(time.Get(), -5);
    EXPECT_TRUE(KTime(1) != KTime(2));
    EXPECT_TRUE(KTime(1) <= KTime(1));
    EXPECT_TRUE(KTime(2) >= KTime(1));
}

TEST(KTimeTest, SecondsTruncateAndClamp)
{
    KTime time;
    time.SetSecondDouble(1.5);
    EXPECT_EQ(time.Get(), 69279237000);
    EXPECT_DOUBLE_EQ(time.GetSecondDouble(), 1.5);
    time.SetSecondDouble(-1.5);
    EXPECT_EQ(time.Get(), -69279237000);

    // Truncation toward zero on both sides.
    time.SetSecondDouble(0.9 / kTicks);
    EXPECT_EQ(time.Get(), 0);
    time.SetSecondDouble(-1.9 / kTicks);
    EXPECT_EQ(time.Get(), -1);
    time.SetSecondDouble(0.041666666666666664);
    EXPECT_EQ(time.Get(), 1924423250);

    time.SetSecondDouble(3.25);
    EXPECT_EQ(time.GetSecondCount(), 3);
    time.SetSecondDouble(-3.25);
    EXPECT_EQ(time.GetSecondCount(), -3);

    time.SetSecondDouble(std::nan(""));
    EXPECT_EQ(time.Get(), 0);
    time.SetSecondDouble(std::numeric_limits<double>::infinity());
    EXPECT_EQ(time, KTime::kInfinity);
    time.SetSecondDouble(-std::numeric_limits<double>::infinity());
    EXPECT_EQ(time, KTime::kMinusInfinity);
    time.SetSecondDouble(1e300);
    EXPECT_EQ(time, KTime::kInfinity);
    time.SetSecondDouble(-1e300);
    EXPECT_EQ(time, KTime::kMinusInfinity);
    // Just past the tick range: 2^63 ticks.
    time.SetSecondDouble(9223372036854775808.0 / kTicks);
    EXPECT_EQ(time, KTime::kInfinity);
    time.SetSecondDouble(-9223372036854775808.0 / kTicks);
    EXPECT_EQ(time, KTime::kMinusInfinity);
}

TEST(KTimeTest, ThirtyFramesPerSecond)
{
    const KTime time = TimeCode(0, 0, 1, 15, kMode30);
    EXPECT_EQ(time.Get(), 45 * kTicks30);
    EXPECT_EQ(time.GetFrame(kMode30), 45);
    EXPECT_EQ(time.GetFrame(kMode30, false), 15);
    EXPECT_EQ(Text(time.GetTimeString(kMode30, KTime::kProtocolTimeCode)), "000:00:01.15");
    EXPECT_EQ(Text(time.GetTimeString(kMode30, KTime::kProtocolFrameCount)), "45");
    EXPECT_EQ(TimeCode(1, 2, 3, 4, kMode30).Get(), ((3600 + 120 + 3) * 30 + 4) * kTicks30);
    EXPECT_EQ(TimeCode(0, 0, 1, 0, kMode30).Get(), kTicks);

    // Frames beyond the rate count on.
    EXPECT_EQ(TimeCode(0, 0, 0, 45, kMode30), time);

    KTime half;
    half.SetTime(0, 0, 0, 1, 1, kMode30);
    EXPECT_EQ(half.Get(), kTicks30 + kTicks30 / 2);
    half.SetTime(0, 0, 0, 1, 0, 50, kMode30);
    EXPECT_EQ(half.Get(), kTicks30 + kTicks30 / 2);
    EXPECT_EQ(half.GetFrame(kMode30), 1);
    // Hundredths of the largest residual do not overflow before they are divided.
    half.SetTime(0, 0, 0, 0, 0, 2000000000, kMode30);
    EXPECT_EQ(half.Get(), kTicks30 * 20000000);

    // A negative time counts its frames toward zero and prints with a sign.
    const KTime negative = -time;
    EXPECT_EQ(negative.GetFrame(kMode30), -45);
    EXPECT_EQ(Text(negative.GetTimeString(kMode30, KTime::kProtocolTimeCode)), "-000:00:01.15");
}

TEST(KTimeTest, FrameTextOfCallers)
{
    // "0:0:0:%d:0" at 30 fps with protocol 2, also for frames of 30 and more.
    for (int frame : {0, 1, 29, 30, 45, 1799, 1800, 100000}) {
        char text[64];
        std::snprintf(text, sizeof(text), "0:0:0:%d:0", frame);
        KTime time;
        ASSERT_TRUE(time.SetTimeString(text, kMode30, 2)) << text;
        EXPECT_EQ(time.Get(), frame * kTicks30) << text;
        EXPECT_EQ(time.GetFrame(kMode30), frame) << text;
    }
}

TEST(KTimeTest, NtscDropFrameTimeCode)
{
    // 00:01:00;00 and ;01 do not exist: ;02 is the 1800th frame.
    KTime time = TimeCode(0, 1, 0, 2, kModeNtscDrop);
    EXPECT_EQ(time.GetFrame(kModeNtscDrop), 1800);
    EXPECT_EQ(time.Get(), 1800 * kTicksNtsc);
    EXPECT_EQ(Text(time.GetTimeString(kModeNtscDrop, KTime::kProtocolTimeCode)), "000:01:00.02");
    EXPECT_EQ(Text(KTime(1799 * kTicksNtsc).GetTimeString(kModeNtscDrop, 0)), "000:00:59.29");

    // Every tenth minute keeps its first two frames.
    EXPECT_EQ(TimeCode(0, 10, 0, 0, kModeNtscDrop).GetFrame(kModeNtscDrop), 17982);
    EXPECT_EQ(Text(KTime(17982 * kTicksNtsc).GetTimeString(kModeNtscDrop, 0)), "000:10:00.00");
    EXPECT_EQ(Text(KTime(17981 * kTicksNtsc).GetTimeString(kModeNtscDrop, 0)), "000:09:59.29");
    EXPECT_EQ(TimeCode(1, 0, 0, 0, kModeNtscDrop).GetFrame(kModeNtscDrop), 107892);
    EXPECT_EQ(TimeCode(0, 11, 0, 2, kModeNtscDrop).GetFrame(kModeNtscDrop), 17982 + 1800);

    // One hour of drop-frame time code is one hour of real time to within a frame.
    EXPECT_NEAR(TimeCode(1, 0, 0, 0, kModeNtscDrop).GetSecondDouble(), 3600.0, 1.0 / 29.97);

    // The 30 fps drop mode drops the same labels at a rate of exactly 30.
    EXPECT_EQ(TimeCode(0, 1, 0, 2, kMode30Drop).Get(), 1800 * kTicks30);

    // Non-drop NTSC labels every frame: one minute is 1800 frames, 1.8 s behind real time.
    EXPECT_EQ(TimeCode(0, 1, 0, 0, kModeNtscFull).GetFrame(kModeNtscFull), 1800);

    ASSERT_TRUE(time.SetTimeString("0:1:0;2", kModeNtscDrop, 0));
    EXPECT_EQ(time.GetFrame(kModeNtscDrop), 1800);
}

TEST(KTimeTest, FrameToTicksToFrameInEveryMode)
{
    for (int mode = 1; mode < KTimeModeTable::GetCount(); ++mode) {
        for (int frame = 0; frame < 40000; frame += 7) {
            const KTime time = TimeCode(0, 0, 0, frame, mode);
            ASSERT_EQ(time.GetFrame(mode), frame) << "mode " << mode;
            // The time-code text reads back to the same time.
            const KString text = time.GetTimeString(mode, KTime::kProtocolTimeCode);
            KTime back;
            ASSERT_TRUE(back.SetTimeString(text.Buffer(), mode, 0)) << text.Buffer();
            ASSERT_EQ(back, time) << "mode " << mode << " " << text.Buffer();
        }
    }
}

TEST(KTimeTest, TwentyThreeNineSevenSix)
{
    const KTime second = TimeCode(0, 0, 1, 0, kMode23976);
    EXPECT_EQ(second.Get(), 24 * kTicks23976);
    EXPECT_EQ(second.GetFrame(kMode23976), 24);
    // 24 frames take 1.001 s, so one real second holds 23 whole frames.
    EXPECT_EQ(KTime(kTicks).GetFrame(kMode23976), 23);
    EXPECT_EQ(Text(TimeCode(0, 0, 0, 47, kMode23976).GetTimeString(kMode23976, 0)), "000:00:01.23");
    // Truncated ticks per frame stay within a tick a frame of the exact time.
    EXPECT_NEAR(TimeCode(0, 0, 0, 24000, kMode23976).GetSecondDouble(), 1001.0, 1e-6);
}

TEST(KTimeTest, HundredTwentyFramesPerSecond)
{
    EXPECT_EQ(TimeCode(0, 0, 1, 0, kMode120).Get(), kTicks);
    const KTime time = TimeCode(0, 0, 0, 125, kMode120);
    EXPECT_EQ(time.Get(), 125 * kTicks120);
    EXPECT_EQ(time.GetFrame(kMode120, false), 5);
    EXPECT_EQ(Text(time.GetTimeString(kMode120, KTime::kProtocolTimeCode)), "000:00:01.05");
    EXPECT_EQ(KTime(kTicks120 - 1).GetFrame(kMode120), 0);
}

TEST(KTimeTest, SetTimeStringRejectsMalformedText)
{
    KTime time(12345);
    for (const char* text : {"", "-", "--5", "+5", " 5", "5 ", "abc", "1:2", "1:2:3", "1:2:3:4:5:6",
                             "1::3:4", "1:2:3:x", "1:-2:3:4", "0:0:0:99999999999:0",
                             "99999999999999999999", "1:2:3:4:", ":1:2:3"}) {
        EXPECT_FALSE(time.SetTimeString(text, kMode30, 2)) << text;
        EXPECT_EQ(time.Get(), 12345) << text;
    }
    EXPECT_FALSE(time.SetTimeString(nullptr, kMode30, 2));
    EXPECT_FALSE(time.SetTimeString("0:0:0:1:0", kMode30, 3));
    EXPECT_FALSE(time.SetTimeString("0:0:0:1:0", kMode30, -1));
    EXPECT_EQ(time.Get(), 12345);

    ASSERT_TRUE(time.SetTimeString("45", kMode30, 1));
    EXPECT_EQ(time.Get(), 45 * kTicks30);
    ASSERT_TRUE(time.SetTimeString("-0:0:1:0", kMode30, 0));
    EXPECT_EQ(time.Get(), -kTicks);
    // A frame count beyond the tick range saturates.
    ASSERT_TRUE(time.SetTimeString("9999999999", kMode30, 1));
    EXPECT_EQ(time, KTime::kInfinity);
}

TEST(KTimeTest, FrameRatesAndModeLookup)
{
    EXPECT_DOUBLE_EQ(KTime::GetFrameRate(kModePal), 25.0);
    EXPECT_NEAR(KTime::GetFrameRate(kModeNtscDrop), 29.97002997, 1e-8);
    EXPECT_NEAR(KTime::GetFrameRate(kMode23976), 23.976023976, 1e-8);
    EXPECT_DOUBLE_EQ(KTime::GetFrameRate(14), 30.0);
    EXPECT_DOUBLE_EQ(KTime::GetFrameRate(99), 30.0);
    EXPECT_DOUBLE_EQ(KTime::GetFrameRate(-1), 30.0);

    EXPECT_EQ(KTime::GetTimeModeFromFrameRate(29.97, 0.01), kModeNtscDrop);
    EXPECT_EQ(KTime::GetTimeModeFromFrameRate(30.0, 0.001), kMode30);
    EXPECT_EQ(KTime::GetTimeModeFromFrameRate(30.0005, 0.001), kMode30);
    EXPECT_EQ(KTime::GetTimeModeFromFrameRate(25.0, 0.0), kModePal);
    EXPECT_EQ(KTime::GetTimeModeFromFrameRate(23.976, 0.001), kMode23976);
    EXPECT_EQ(KTime::GetTimeModeFromFrameRate(24.0, 0.001), 11);
    EXPECT_EQ(KTime::GetTimeModeFromFrameRate(1000.0, 0.001), 12);
    EXPECT_EQ(KTime::GetTimeModeFromFrameRate(31.0, 0.001), 0);
    EXPECT_EQ(KTime::GetTimeModeFromFrameRate(std::nan(""), 1.0), 0);
}

TEST(KTimeTest, GlobalModeAndProtocol)
{
    EXPECT_EQ(KTime::GetGlobalTimeMode(), 6);
    EXPECT_EQ(KTime::GetGlobalTimeProtocol(), 1);
    EXPECT_DOUBLE_EQ(KTime::GetFrameRate(0), 30.0);
    EXPECT_EQ(TimeCode(0, 0, 0, 3, 0), TimeCode(0, 0, 0, 3, kMode30));
    EXPECT_EQ(Text(TimeCode(0, 0, 0, 3, 0).GetTimeString()), "3");

    EXPECT_FALSE(KTime::SetGlobalTimeMode(0));
    EXPECT_FALSE(KTime::SetGlobalTimeMode(15));
    EXPECT_FALSE(KTime::SetGlobalTimeProtocol(2));
    EXPECT_EQ(KTime::GetGlobalTimeMode(), 6);

    ASSERT_TRUE(KTime::SetGlobalTimeMode(kModePal));
    ASSERT_TRUE(KTime::SetGlobalTimeProtocol(KTime::kProtocolTimeCode));
    EXPECT_DOUBLE_EQ(KTime::GetFrameRate(0), 25.0);
    EXPECT_EQ(TimeCode(0, 0, 1, 0, 0).GetFrame(), 25);
    EXPECT_EQ(Text(TimeCode(0, 0, 1, 5, 0).GetTimeString()), "000:00:01.05");
    EXPECT_TRUE(KTime::SetGlobalTimeMode(6));
    EXPECT_TRUE(KTime::SetGlobalTimeProtocol(1));
}
