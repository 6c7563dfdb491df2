#include "core/KTime.h"
#include "core/KTimeModeTable.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace {

using M = KTimeModeTable;

constexpr std::int64_t kTicks = KTime::kTicksPerSecond;
constexpr std::int64_t kTicks30 = 1539538600;    // 46186158000 / 30
constexpr std::int64_t kTicksNtsc = 1541078138;  // 46186158000 * 1001 / 30000, truncated
constexpr std::int64_t kTicks23976 = 1926347673; // 46186158000 * 1001 / 24000, truncated
constexpr std::int64_t kTicks120 = 384884650;
constexpr double kInf = std::numeric_limits<double>::infinity();

KTime TimeCode(int pHour, int pMinute, int pSecond, int pFrame, int pMode, int pField = 0)
{
    KTime time;
    time.SetTime(pHour, pMinute, pSecond, pFrame, pField, pMode);
    return time;
}

std::int64_t Ticks(double pSeconds)
{
    KTime time(7);
    time.SetSecondDouble(pSeconds);
    return time.Get();
}

std::string Code(const KTime& pTime, int pMode)
{
    return pTime.GetTimeString(pMode, KTime::kProtocolTimeCode).Buffer();
}

} // namespace

TEST(KTimeModeTableTest, NamesTicksAndDropModes)
{
    const char* const names[] = {"Default", "120 fps", "100 fps",     "60 fps",     "50 fps",
                                 "48 fps",  "30 fps",  "30 fps Drop", "NTSC Drop",  "NTSC Full",
                                 "PAL",     "24 fps",  "1000 fps",    "23.976 fps", "Custom"};
    ASSERT_EQ(M::GetCount(), M::kCustomMode + 1);
    for (int mode = M::kDefaultMode; mode <= M::kCustomMode; ++mode) {
        EXPECT_STREQ(M::GetName(mode).Buffer(), names[mode]);
        EXPECT_EQ(M::FindByName(names[mode]), mode);
        EXPECT_EQ(M::IsDropFrame(mode), mode == M::kFrames30Drop || mode == M::kNtscDropFrame);
    }
    EXPECT_TRUE(M::GetName(M::kCustomMode + 1).IsNull());
    EXPECT_TRUE(M::GetName(-1).IsNull());
    EXPECT_EQ(M::FindByName("ntsc drop"), -1);
    EXPECT_EQ(M::FindByName(nullptr), -1);
    EXPECT_EQ(M::GetTicksPerFrame(M::kNtscFullFrame), kTicksNtsc);
    EXPECT_EQ(M::GetTicksPerFrame(M::kFrames23976), kTicks23976);
    EXPECT_EQ(M::GetTicksPerFrame(99), kTicks30);
    EXPECT_EQ(M::GetTimeCodeRate(99), 30);
    EXPECT_EQ(M::GetDropFrameCount(99), 0);
}

TEST(KTimeTest, ArithmeticSaturatesAtTheInfinities)
{
    const KTime inf = KTime::kInfinity, minf = KTime::kMinusInfinity;
    EXPECT_EQ(inf.Get(), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(static_cast<std::uint64_t>(minf.Get()), 0x8000000000000001ULL);
    EXPECT_EQ(KTime(std::numeric_limits<std::int64_t>::min()), minf);
    const KTime cases[][2] = {{KTime(5) + KTime(3), KTime(8)},
                              {KTime(5) - KTime(8), KTime(-3)},
                              {KTime(7) * 3, KTime(21)},
                              {KTime(7) * KTime(-3), KTime(-21)},
                              {KTime(-22) / KTime(7), KTime(-3)},
                              {KTime(22) / KTime(0), KTime(0)},
                              {inf + KTime(1), inf},
                              {minf - KTime(1), minf},
                              {minf + minf, minf},
                              {KTime(0) - minf, inf},
                              {-minf, inf},
                              {inf * 2, inf},
                              {inf * -2, minf},
                              {minf * KTime(-1), inf},
                              {minf / KTime(-1), inf},
                              {inf * inf, inf}};
    for (const auto& c : cases) {
        EXPECT_EQ(c[0].Get(), c[1].Get());
    }
    KTime time(10);
    time += KTime(5);
    time -= KTime(20);
    EXPECT_EQ(time.Get(), -5);
    EXPECT_TRUE(KTime(1) < KTime(2) && KTime(1) <= KTime(1) && KTime(2) > KTime(1));
    EXPECT_TRUE(KTime(2) >= KTime(2) && KTime(1) != KTime(2) && !(KTime(2) < KTime(2)));

    EXPECT_EQ(inf.GetFrame(M::kFrames30), 5990997586);
    EXPECT_EQ(minf.GetFrame(M::kFrames30), -5990997586);
    EXPECT_EQ(Code(inf, M::kFrames30), "55472:11:59.16");
    EXPECT_EQ(Code(minf, M::kFrames30), "-55472:11:59.16");
}

// Seconds truncate toward zero exactly, also where the double product would round up (1/24 s)
// or lose the last ticks (beyond 2^53 ticks).
TEST(KTimeTest, SecondsTruncateExactly)
{
    EXPECT_EQ(Ticks(1.5), 69279237000);
    EXPECT_EQ(Ticks(-1.5), -69279237000);
    EXPECT_EQ(Ticks(0.9 / kTicks), 0);
    EXPECT_EQ(Ticks(-1.9 / kTicks), -1);
    EXPECT_EQ(Ticks(1.0 / 24.0), 1924423249);
    EXPECT_EQ(Ticks(1000000.1), 46186162618615798);
    EXPECT_EQ(Ticks(-1000000.1), -46186162618615798);
    EXPECT_EQ(Ticks(76603148.84876062), 3538005136026376088);
    EXPECT_EQ(Ticks(std::nan("")), 0);
    EXPECT_EQ(Ticks(1e-300), 0);
    EXPECT_EQ(Ticks(kInf), KTime::kInfinityTicks);
    EXPECT_EQ(Ticks(-kInf), KTime::kMinusInfinityTicks);
    EXPECT_EQ(Ticks(1e300), KTime::kInfinityTicks);
    EXPECT_EQ(Ticks(-1e300), KTime::kMinusInfinityTicks);
    // The double nearest 2^63 ticks lies past the range, the one below it inside.
    EXPECT_EQ(Ticks(9223372036854775808.0 / kTicks), KTime::kInfinityTicks);
    EXPECT_EQ(Ticks(-9223372036854775808.0 / kTicks), KTime::kMinusInfinityTicks);
    EXPECT_EQ(Ticks(199699919.54851007), 9223372036854774970);
    const KTime time(Ticks(-3.25));
    EXPECT_EQ(time.GetSecondCount(), -3);
    EXPECT_DOUBLE_EQ(time.GetSecondDouble(), -3.25);
}

TEST(KTimeTest, TimeCodesOfEachKindOfMode)
{
    const struct
    {
        int mHour, mMinute, mSecond, mFrame, mMode;
        std::int64_t mCount;
        const char* mText;
    } cases[] = {{0, 0, 1, 15, M::kFrames30, 45, "000:00:01.15"},
                 {0, 0, 0, 45, M::kFrames30, 45, "000:00:01.15"},
                 {1, 2, 3, 4, M::kFrames30, (3600 + 120 + 3) * 30 + 4, "001:02:03.04"},
                 // 00:01:00;00 and ;01 do not exist in drop frame: ;02 is the 1800th frame.
                 {0, 1, 0, 2, M::kNtscDropFrame, 1800, "000:01:00.02"},
                 {0, 0, 59, 29, M::kNtscDropFrame, 1799, "000:00:59.29"},
                 {0, 9, 59, 29, M::kNtscDropFrame, 17981, "000:09:59.29"},
                 // Every tenth minute keeps its first two frames.
                 {0, 10, 0, 0, M::kNtscDropFrame, 17982, "000:10:00.00"},
                 {0, 11, 0, 2, M::kNtscDropFrame, 17982 + 1800, "000:11:00.02"},
                 {1, 0, 0, 0, M::kNtscDropFrame, 107892, "001:00:00.00"},
                 {0, 1, 0, 2, M::kFrames30Drop, 1800, "000:01:00.02"},
                 // Non-drop NTSC labels every frame: one minute is 1800 frames.
                 {0, 1, 0, 0, M::kNtscFullFrame, 1800, "000:01:00.00"},
                 {0, 0, 1, 23, M::kFrames23976, 47, "000:00:01.23"},
                 {0, 0, 1, 5, M::kFrames120, 125, "000:00:01.05"},
                 {0, 0, 1, 0, M::kPal, 25, "000:00:01.00"}};
    for (const auto& c : cases) {
        const KTime time = TimeCode(c.mHour, c.mMinute, c.mSecond, c.mFrame, c.mMode);
        EXPECT_EQ(time.Get(), c.mCount * M::GetTicksPerFrame(c.mMode)) << c.mText;
        EXPECT_EQ(time.GetFrame(c.mMode), c.mCount) << c.mText;
        EXPECT_EQ(Code(time, c.mMode), c.mText);
        EXPECT_EQ(time.GetFrame(c.mMode, false), std::stoi(c.mText + 10)) << c.mText;
        EXPECT_EQ(Code(-time, c.mMode), c.mCount == 0 ? c.mText : std::string("-") + c.mText);
        EXPECT_EQ(std::string(time.GetTimeString(c.mMode, KTime::kProtocolFrameCount).Buffer()),
                  std::to_string(c.mCount));
    }
    EXPECT_EQ(KTime(-45 * kTicks30).GetFrame(M::kFrames30), -45);
    // Truncated ticks per frame: 24 frames of 23.976 take 1.001 s, so a second holds 23 whole.
    EXPECT_EQ(KTime(kTicks).GetFrame(M::kFrames23976), 23);
    EXPECT_EQ(KTime(kTicks120 - 1).GetFrame(M::kFrames120), 0);
    EXPECT_NEAR(TimeCode(0, 0, 0, 24000, M::kFrames23976).GetSecondDouble(), 1001.0, 1e-6);
    EXPECT_NEAR(TimeCode(1, 0, 0, 0, M::kNtscDropFrame).GetSecondDouble(), 3600.0, 1.0 / 29.97);
}

TEST(KTimeTest, FieldsAndResiduals)
{
    EXPECT_EQ(TimeCode(0, 0, 0, 1, M::kFrames30, 1).Get(), kTicks30 + kTicks30 / 2);
    KTime time;
    time.SetTime(0, 0, 0, 1, 0, 50, M::kFrames30);
    EXPECT_EQ(time.Get(), kTicks30 + kTicks30 / 2);
    time.SetTime(0, 0, 0, 0, 0, 37, M::kNtscFullFrame);
    EXPECT_EQ(time.Get(), kTicksNtsc * 37 / 100);
    // Hundredths of the largest residual do not overflow before they are divided.
    time.SetTime(0, 0, 0, 0, 0, 2000000000, M::kFrames30);
    EXPECT_EQ(time.Get(), kTicks30 * 20000000);
    // Time codes beyond the tick range saturate.
    time.SetTime(2000000000, 0, 0, 0, 0, M::kFrames1000);
    EXPECT_EQ(time, KTime::kInfinity);
    time.SetTime(0, 0, 0, 0, 0, 0, M::kFrames1000);
    EXPECT_EQ(time.Get(), 0);
}

TEST(KTimeTest, FrameToTicksToTextAndBackInEveryMode)
{
    for (int mode = M::kFirstRateMode; mode < M::GetCount(); ++mode) {
        for (int frame = 0; frame < 40000; frame += 7) {
            const KTime time = TimeCode(0, 0, 0, frame, mode);
            ASSERT_EQ(time.GetFrame(mode), frame) << "mode " << mode;
            const KString text = time.GetTimeString(mode, KTime::kProtocolTimeCode);
            KTime back;
            ASSERT_TRUE(back.SetTimeString(text.Buffer(), mode, 0)) << text.Buffer();
            ASSERT_EQ(back, time) << "mode " << mode << " " << text.Buffer();
        }
    }
}

TEST(KTimeTest, SetTimeStringFormsAndRefusals)
{
    // Callers give "0:0:0:%d:0" at 30 fps with protocol 2, also for frames of 30 and more.
    const struct
    {
        const char* mText;
        int mMode, mProtocol;
        std::int64_t mTicks;
    } good[] = {{"0:0:0:1800:0", M::kFrames30, 2, 1800 * kTicks30},
                {"0:0:0:45:1", M::kFrames30, 2, 45 * kTicks30 + kTicks30 / 2},
                {"45", M::kFrames30, 1, 45 * kTicks30},
                {"-0:0:1:0", M::kFrames30, 0, -kTicks},
                {"0:1:0;2", M::kNtscDropFrame, 0, 1800 * kTicksNtsc},
                {"0.0.1.3", M::kDefaultMode, 0, 33 * kTicks30},
                {"9223372036", M::kFrames1000, 1, 9223372036 * (kTicks / 1000)},
                // The last whole frame of the tick range.
                {"55472:11:59:16", M::kFrames30, 0, 5990997586 * kTicks30}};
    for (const auto& c : good) {
        KTime time(12345);
        ASSERT_TRUE(time.SetTimeString(c.mText, c.mMode, c.mProtocol)) << c.mText;
        EXPECT_EQ(time.Get(), c.mTicks) << c.mText;
    }
    KTime time(12345);
    for (const char* text :
         {"", "-", "--5", "+5", " 5", "5 ", "abc", "1:2", "1:2:3", "1:2:3:4:5:6", "1::3:4",
          "1:2:3:x", "1:-2:3:4", "0:0:0:99999999999:0", "99999999999999999999",
          "1:2:3:4:", ":1:2:3",
          // Within the number types but beyond the tick range: refused, not infinity.
          "60824105:0:0:0", "999999999999999999", "-999999999999999999", "9999999999",
          "55472:11:59:16:1"}) {
        EXPECT_FALSE(time.SetTimeString(text, M::kFrames30, 2)) << text;
    }
    EXPECT_FALSE(time.SetTimeString("60824105:0:0:0", M::kFrames30, 0));
    EXPECT_FALSE(time.SetTimeString("999999999999999999", M::kFrames30, 1));
    EXPECT_FALSE(time.SetTimeString(nullptr, M::kFrames30, 2));
    EXPECT_FALSE(time.SetTimeString("0:0:0:1:0", M::kFrames30, 3));
    EXPECT_FALSE(time.SetTimeString("0:0:0:1:0", M::kFrames30, -1));
    EXPECT_EQ(time.Get(), 12345);
}

TEST(KTimeTest, FrameRatesAndModeLookup)
{
    EXPECT_DOUBLE_EQ(KTime::GetFrameRate(M::kPal), 25.0);
    EXPECT_NEAR(KTime::GetFrameRate(M::kNtscDropFrame), 29.97002997, 1e-8);
    for (int mode : {static_cast<int>(M::kCustomMode), 99, -1}) {
        EXPECT_DOUBLE_EQ(KTime::GetFrameRate(mode), 30.0);
    }
    const struct
    {
        double mRate, mTolerance;
        int mMode;
    } cases[] = {{29.97, 0.01, M::kNtscDropFrame},
                 {30.0, 0.001, M::kFrames30},
                 {30.0005, 0.001, M::kFrames30},
                 {29.9995, 0.001, M::kFrames30},
                 {25.0, 0.0, M::kPal},
                 {23.976, 0.001, M::kFrames23976},
                 {24.0, 0.001, M::kFrames24},
                 {1000.0, 0.001, M::kFrames1000},
                 {120.0, 0.0, M::kFrames120},
                 {31.0, 0.001, M::kDefaultMode},
                 {std::nan(""), 1.0, M::kDefaultMode}};
    for (const auto& c : cases) {
        EXPECT_EQ(KTime::GetTimeModeFromFrameRate(c.mRate, c.mTolerance), c.mMode) << c.mRate;
    }
}

TEST(KTimeTest, FramePeriodsOfWholeRatesAreExact)
{
    for (double lRate : {24.0, 25.0, 30.0, 48.0, 50.0, 60.0, 75.0, 80.0, 120.0, 240.0, 1000.0}) {
        const KTime lPeriod = KTime::GetFramePeriod(lRate);
        EXPECT_EQ(lPeriod.Get() * static_cast<std::int64_t>(lRate), KTime::kTicksPerSecond)
            << lRate;
    }
    // Frame 1,000 of a 30 fps take lands on frame 1,000.
    const KTime lFrame1000(KTime::GetFramePeriod(30.0).Get() * 1000);
    EXPECT_EQ(lFrame1000.GetFrame(M::kFrames30), 1000);
    // A mode's rate takes the mode's ticks; other rates the nearest tick.
    EXPECT_EQ(KTime::GetFramePeriod(KTime::GetFrameRate(M::kNtscDropFrame)).Get(),
              KTime::GetTicksPerFrame(M::kNtscDropFrame));
    EXPECT_EQ(KTime::GetFramePeriod(31.5).Get(), 1466227238);
    EXPECT_EQ(KTime::GetFramePeriod(72.0).Get(), 641474417);
    for (double lRate : {0.0, -30.0, std::nan(""), HUGE_VAL, 1e12}) {
        EXPECT_EQ(KTime::GetFramePeriod(lRate).Get(), 0) << lRate;
    }
}

TEST(KTimeTest, GlobalModeAndProtocol)
{
    EXPECT_EQ(KTime::GetGlobalTimeMode(), M::kFrames30);
    EXPECT_EQ(KTime::GetGlobalTimeProtocol(), KTime::kProtocolFrameCount);
    EXPECT_EQ(TimeCode(0, 0, 0, 3, M::kDefaultMode), TimeCode(0, 0, 0, 3, M::kFrames30));
    EXPECT_STREQ(TimeCode(0, 0, 0, 3, M::kDefaultMode).GetTimeString().Buffer(), "3");

    for (int mode : {static_cast<int>(M::kDefaultMode), M::GetCount(), -1}) {
        EXPECT_FALSE(KTime::SetGlobalTimeMode(mode));
    }
    EXPECT_FALSE(KTime::SetGlobalTimeProtocol(KTime::kProtocolDefault));
    EXPECT_FALSE(KTime::SetGlobalTimeProtocol(-1));
    EXPECT_EQ(KTime::GetGlobalTimeMode(), M::kFrames30);
    EXPECT_EQ(KTime::GetGlobalTimeProtocol(), KTime::kProtocolFrameCount);

    ASSERT_TRUE(KTime::SetGlobalTimeMode(M::kPal));
    ASSERT_TRUE(KTime::SetGlobalTimeProtocol(KTime::kProtocolTimeCode));
    EXPECT_DOUBLE_EQ(KTime::GetFrameRate(M::kDefaultMode), 25.0);
    EXPECT_EQ(KTime::GetTicksPerFrame(M::kDefaultMode), kTicks / 25);
    EXPECT_EQ(TimeCode(0, 0, 1, 0, M::kDefaultMode).GetFrame(), 25);
    EXPECT_STREQ(TimeCode(0, 0, 1, 5, M::kDefaultMode).GetTimeString().Buffer(), "000:00:01.05");
    EXPECT_TRUE(KTime::SetGlobalTimeMode(M::kCustomMode));
    EXPECT_TRUE(KTime::SetGlobalTimeMode(M::kFrames30));
    EXPECT_TRUE(KTime::SetGlobalTimeProtocol(KTime::kProtocolFrameCount));
}
