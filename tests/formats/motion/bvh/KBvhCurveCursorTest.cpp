#include "formats/motion/bvh/KBvhCurveCursor.h"

#include "animation/KFCurve.h"

#include "tests/support/CurveTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace {

using curvetest::Sec;

bool SameBits(double pA, double pB)
{
    return std::memcmp(&pA, &pB, sizeof pA) == 0;
}

// Keys of every interpolation and tangent kind, some on the sampled times and some between them,
// and extrapolation on both sides.
std::unique_ptr<KFCurve> MixedCurve()
{
    auto lCurve = std::make_unique<KFCurve>();
    const double kTimes[] = {0.0, 0.1, 0.25, 0.3, 0.5, 0.55, 0.9, 1.0};
    const float kValues[] = {0.0f, 12.5f, -3.0f, 45.0f, 44.0f, -0.0f, 170.0f, 90.0f};
    for (int i = 0; i < 8; ++i) {
        lCurve->KeyAdd(Sec(kTimes[i]), kValues[i]);
    }
    lCurve->KeySetInterpolation(1, KFCurveKey::kInterpolationLinear);
    lCurve->KeySetInterpolation(2, KFCurveKey::kInterpolationConstant);
    lCurve->GetKey(2)->SetConstantMode(KFCurveKey::kConstantNext);
    lCurve->GetKey(4)->SetTCB(Sec(0.5), 44.0f, 0.5f, -0.25f, 0.1f);
    lCurve->SetKeyRightWeight(5, 0.6);
    lCurve->KeySetTangentMode(6, KFCurveKey::kTangentUser);
    lCurve->SetKeyRightDerivative(6, -40.0);
    lCurve->SetPreExtrapolation(KFCurve::kExtrapolationMirrorRepetition);
    lCurve->SetPostExtrapolation(KFCurve::kExtrapolationKeepSlope);
    return lCurve;
}

// Frame times from -0.5 s to 1.6 s at pRate, which land on some keys and between others.
std::vector<KTime> FrameTimes(double pRate)
{
    std::vector<KTime> lTimes;
    const KTime lPeriod(static_cast<std::int64_t>(KTime::kTicksPerSecond / pRate));
    for (KTime lTime = Sec(-0.5); lTime <= Sec(1.6); lTime += lPeriod) {
        lTimes.push_back(lTime);
    }
    return lTimes;
}

TEST(KBvhCurveCursor, AnswersWhatTheCurveEvaluatesBitForBit)
{
    const std::unique_ptr<KFCurve> lCurve = MixedCurve();
    for (const double lRate : {20.0, 30.0, 40.0, 120.0, 7.0}) {
        KBvhCurveCursor lCursor(*lCurve);
        int lOnKeys = 0;
        for (const KTime lTime : FrameTimes(lRate)) {
            const double lExpected = lCurve->Evaluate(lTime);
            EXPECT_TRUE(SameBits(lCursor.Evaluate(lTime), lExpected))
                << lRate << " Hz at " << lTime.Get() << ": " << lExpected;
            lOnKeys += lCurve->KeyFind(lTime) >= 0 ? 1 : 0;
        }
        if (lRate == 20.0) {
            // 20 Hz lands on every key and between them: both ways of answering were taken.
            EXPECT_EQ(lOnKeys, 8);
        }
    }
}

TEST(KBvhCurveCursor, TimesGoingBackAndCurvesWithoutKeysAreStillRight)
{
    const std::unique_ptr<KFCurve> lCurve = MixedCurve();
    KBvhCurveCursor lCursor(*lCurve);
    for (const double lSeconds : {0.9, 0.95, 0.1, 0.3, 0.05, 1.0, 0.25, -0.2, 0.55}) {
        EXPECT_TRUE(SameBits(lCursor.Evaluate(Sec(lSeconds)), lCurve->Evaluate(Sec(lSeconds))))
            << lSeconds;
    }
    KFCurve lEmpty;
    lEmpty.SetDefaultValue(2.5f);
    KBvhCurveCursor lDefault(lEmpty);
    EXPECT_EQ(lDefault.Evaluate(Sec(3.0)), 2.5);
    EXPECT_EQ(lDefault.Evaluate(Sec(-3.0)), 2.5);
}

} // namespace
