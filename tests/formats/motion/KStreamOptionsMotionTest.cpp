#include "formats/motion/KStreamOptionsMotion.h"

#include "core/KTime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

// Counts its destructions, to tell owned from not-owned attachments.
class Probe : public KStreamOptionsMotion::Attachment
{
public:
    explicit Probe(int& pDestroyed) : mDestroyed(pDestroyed) {}
    ~Probe() override { ++mDestroyed; }

private:
    int& mDestroyed;
};

int ModeOfRate(double pRate)
{
    return KTime::GetTimeModeFromFrameRate(pRate, 0.0001);
}

} // namespace

// A new set and a reset one: every option unset, nothing attached, the global rate.
TEST(KStreamOptionsMotion, OptionsAndCountsStayInRangeAndReset)
{
    constexpr int kLast = KStreamOptionsMotion::kOptionCount - 1;
    std::unique_ptr<KStreamOptionsMotion> lOptions = KStreamOptionsMotion::Create();
    for (int lPass = 0; lPass < 2; ++lPass) {
        EXPECT_EQ(lOptions->GetStart(), KTime::kZero);
        EXPECT_EQ(lOptions->GetFrameCount(), 0);
        EXPECT_EQ(lOptions->GetTimeMode(), KTime::GetGlobalTimeMode());
        EXPECT_EQ(lOptions->GetAttachedObject(), nullptr);
        EXPECT_TRUE(lOptions->GetText().IsEmpty());
        for (int i = -1; i <= KStreamOptionsMotion::kOptionCount; ++i) {
            EXPECT_EQ(lOptions->GetOption(i), -1) << i;
        }
        for (int i : {-1, 0, kLast, kLast + 1}) {
            lOptions->SetOption(i, i);
        }
        EXPECT_EQ(lOptions->GetOption(0), 0);
        EXPECT_EQ(lOptions->GetOption(kLast), kLast);
        EXPECT_EQ(lOptions->GetOption(kLast + 1), -1);
        lOptions->SetFrameCount(-5);
        EXPECT_EQ(lOptions->GetFrameCount(), 0);
        lOptions->SetStart(KTime(1000));
        lOptions->GetText() = "note";
        lOptions->SetFrameCount(12);
        lOptions->SetTimeMode(0, 31.0);
        lOptions->Reset();
    }
}

TEST(KStreamOptionsMotion, TimeModeFromRate)
{
    KStreamOptionsMotion lOptions;
    const int l25 = ModeOfRate(25.0);
    ASSERT_GT(l25, 0);
    lOptions.SetTimeMode(0, 25.0005);
    EXPECT_EQ(lOptions.GetTimeMode(), l25);
    EXPECT_EQ(lOptions.GetFrameRate(), 25.0005);

    lOptions.SetTimeMode(0, 31.0);
    EXPECT_EQ(lOptions.GetTimeMode(), 0);
    EXPECT_EQ(lOptions.GetFrameRate(), 31.0);
    EXPECT_NEAR(static_cast<double>(lOptions.GetFramePeriod().Get()),
                static_cast<double>(KTime::kTicksPerSecond) / 31.0, 1.0);

    // A mode with a rate of its own ignores the rate argument.
    lOptions.SetTimeMode(l25, 99.0);
    EXPECT_EQ(lOptions.GetTimeMode(), l25);
    EXPECT_EQ(lOptions.GetFrameRate(), 25.0);
    EXPECT_DOUBLE_EQ(lOptions.GetFramePeriod().GetSecondDouble(), 0.04);

    lOptions.SetTimeMode(0, 25.0);
    EXPECT_DOUBLE_EQ(lOptions.GetFramePeriod().GetSecondDouble(), 0.04);
}

TEST(KStreamOptionsMotion, CustomWholeRatesHaveExactPeriods)
{
    KStreamOptionsMotion lOptions;
    for (double lRate : {75.0, 80.0, 240.0}) {
        lOptions.SetTimeMode(0, lRate);
        ASSERT_EQ(lOptions.GetTimeMode(), 0) << lRate;
        EXPECT_EQ(lOptions.GetFramePeriod().Get() * static_cast<std::int64_t>(lRate),
                  KTime::kTicksPerSecond)
            << lRate;
    }
}

TEST(KStreamOptionsMotion, UnusableRatesGiveTheGlobalDefault)
{
    const int lGlobal = KTime::GetGlobalTimeMode();
    const double lGlobalRate = KTime::GetFrameRate(lGlobal);
    for (double lRate : {0.0, -25.0, std::numeric_limits<double>::quiet_NaN(),
                         std::numeric_limits<double>::infinity(),
                         -std::numeric_limits<double>::infinity(), 1e-320, 1e9}) {
        KStreamOptionsMotion lOptions;
        lOptions.SetTimeMode(0, 31.0);
        lOptions.SetTimeMode(0, lRate);
        EXPECT_EQ(lOptions.GetTimeMode(), lGlobal) << lRate;
        EXPECT_EQ(lOptions.GetFrameRate(), lGlobalRate) << lRate;
        EXPECT_GT(lOptions.GetFramePeriod().Get(), 0) << lRate;
    }
    KStreamOptionsMotion lOptions;
    lOptions.SetTimeMode(14, std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(lOptions.GetTimeMode(), lGlobal);
}

TEST(KStreamOptionsMotion, OwnedAttachmentsAreDestroyed)
{
    int lDestroyed = 0;
    {
        KStreamOptionsMotion lOptions;
        lOptions.SetAttachedObject(std::make_unique<Probe>(lDestroyed));
        lOptions.Reset();
        EXPECT_EQ(lDestroyed, 1);
        EXPECT_EQ(lOptions.GetAttachedObject(), nullptr);
        lOptions.SetAttachedObject(std::make_unique<Probe>(lDestroyed));
        // Replacing an owned object destroys it, and lending the owned one keeps it owned.
        lOptions.SetAttachedObject(std::make_unique<Probe>(lDestroyed));
        EXPECT_EQ(lDestroyed, 2);
        lOptions.SetAttachedObject(lOptions.GetAttachedObject());
        EXPECT_TRUE(lOptions.IsAttachedObjectOwned());
    }
    EXPECT_EQ(lDestroyed, 3);

    Probe lKept(lDestroyed);
    {
        KStreamOptionsMotion lOptions;
        lOptions.SetAttachedObject(&lKept);
        EXPECT_EQ(lOptions.GetAttachedObject(), &lKept);
        EXPECT_FALSE(lOptions.IsAttachedObjectOwned());
        lOptions.Reset();
        lOptions.SetAttachedObject(std::make_unique<Probe>(lDestroyed));
        // Lending another object drops the owned one.
        lOptions.SetAttachedObject(&lKept);
        EXPECT_EQ(lDestroyed, 4);
        EXPECT_FALSE(lOptions.IsAttachedObjectOwned());
    }
    EXPECT_EQ(lDestroyed, 4);
}
