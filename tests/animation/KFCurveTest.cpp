#include "animation/KFCurve.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <vector>

namespace {

// Times that are exact in ticks: whole seconds, halves, quarters and sixteenths.
KTime Sec(double pSeconds)
{
    return KTime(static_cast<std::int64_t>(std::llround(pSeconds * KTime::kTicksPerSecond)));
}

KFCurveKey MakeKey(double pSeconds, float pValue, int pInterpolation, int pTangentMode,
                   float pData0 = 0.0f, float pData1 = 0.0f)
{
    KFCurveKey lKey;
    lKey.Set(Sec(pSeconds), pValue, pInterpolation, pTangentMode, pData0, pData1);
    return lKey;
}

void AddKeys(KFCurve& ioCurve, const std::vector<KFCurveKey>& pKeys)
{
    for (const KFCurveKey& lKey : pKeys) {
        ASSERT_GE(ioCurve.KeyAdd(lKey.GetTime(), lKey), 0);
    }
}

struct Recorder
{
    std::vector<KFCurveEvent> mEvents;
    std::vector<int> mOrder;
    int mId = 0;
};

void Record(KFCurve*, KFCurveEvent* pEvent, void* pData)
{
    auto* lRecorder = static_cast<Recorder*>(pData);
    lRecorder->mEvents.push_back(*pEvent);
}

constexpr int kCubic = KFCurveKey::kInterpolationCubic;
constexpr int kUser = KFCurveKey::kTangentUser;

} // namespace

// ---- keys ----

TEST(KFCurveKeyTest, SetStoresEveryFieldAndRefusesNonFiniteNumbers)
{
    KFCurveKey lKey;
    EXPECT_EQ(lKey.GetInterpolation(), KFCurveKey::kInterpolationCubic);
    EXPECT_EQ(lKey.GetTangentMode(), KFCurveKey::kTangentAuto);
    EXPECT_EQ(lKey.GetWeightStored(0), 3333);

    const float lNan = std::numeric_limits<float>::quiet_NaN();
    lKey.Set(Sec(1), lNan, 0x7f, 0x1fff, 2.0f, lNan, 0x7000000, 5.0f, lNan, 1.5f, INFINITY);
    EXPECT_EQ(lKey.GetTime(), Sec(1));
    EXPECT_EQ(lKey.GetValue(), 0.0f);
    EXPECT_EQ(lKey.GetInterpolation(), 0x0e);
    EXPECT_EQ(lKey.GetTangentMode(), 0xf00);
    EXPECT_EQ(lKey.GetWeightMode(), 0x3000000);
    EXPECT_EQ(lKey.GetDataFloat(0), 2.0f);
    EXPECT_EQ(lKey.GetDataFloat(1), 0.0f);
    EXPECT_EQ(lKey.GetWeightStored(0), 9899);
    EXPECT_EQ(lKey.GetWeightStored(1), 3333);
    EXPECT_EQ(lKey.GetVelocity(0), 1.5f);
    EXPECT_EQ(lKey.GetVelocity(1), 0.0f);

    EXPECT_FALSE(lKey.SetValue(lNan));
    EXPECT_TRUE(lKey.SetValue(2.5f));
    EXPECT_TRUE(lKey.IncValue(0.5f));
    EXPECT_EQ(lKey.GetValue(), 3.0f);
    EXPECT_TRUE(lKey.SetValue(std::numeric_limits<float>::max()));
    EXPECT_FALSE(lKey.IncValue(std::numeric_limits<float>::max()));
    EXPECT_EQ(lKey.GetValue(), std::numeric_limits<float>::max());
    EXPECT_FALSE(lKey.SetDataFloat(3, 1.0f));
    EXPECT_FALSE(lKey.SetDataFloat(-1, 1.0f));
    EXPECT_EQ(lKey.GetDataFloat(7), 0.0f);
}

TEST(KFCurveKeyTest, WeightsAreClampedAndStoredInNineThousandNineHundredNinetyNinths)
{
    KFCurveKey lKey;
    EXPECT_TRUE(lKey.SetWeight(0, 0.0f));
    EXPECT_EQ(lKey.GetWeightStored(0), 1);
    EXPECT_TRUE(lKey.SetWeight(1, -3.0f));
    EXPECT_EQ(lKey.GetWeightStored(1), 1);
    EXPECT_TRUE(lKey.SetWeight(0, 1.0f));
    EXPECT_EQ(lKey.GetWeightStored(0), 9899);
    EXPECT_NEAR(lKey.GetWeight(0), 0.99, 1e-4);
    EXPECT_TRUE(lKey.SetWeight(0, 2.0f / 3.0f));
    EXPECT_EQ(lKey.GetWeightStored(0), 6666);
    EXPECT_FALSE(lKey.SetWeight(2, 0.5f));
    EXPECT_FALSE(lKey.SetWeight(0, std::numeric_limits<float>::quiet_NaN()));
    EXPECT_EQ(lKey.GetWeightStored(0), 6666);
}

TEST(KFCurveKeyTest, TCBAndConstantMode)
{
    KFCurveKey lKey;
    lKey.SetTCB(Sec(2), 4.0f, 0.5f, -0.25f, 1.0f);
    EXPECT_EQ(lKey.GetInterpolation(), KFCurveKey::kInterpolationCubic);
    EXPECT_EQ(lKey.GetTangentMode(), KFCurveKey::kTangentTCB);
    EXPECT_EQ(lKey.GetDataFloat(KFCurveKey::kDataTension), 0.5f);
    EXPECT_EQ(lKey.GetDataFloat(KFCurveKey::kDataContinuity), -0.25f);
    EXPECT_EQ(lKey.GetDataFloat(KFCurveKey::kDataBias), 1.0f);

    lKey.Set(Sec(0), 1.0f, KFCurveKey::kInterpolationConstant, KFCurveKey::kTangentAuto);
    EXPECT_EQ(lKey.GetConstantMode(), KFCurveKey::kConstantNext);
    lKey.SetConstantMode(KFCurveKey::kConstantStandard);
    EXPECT_EQ(lKey.GetConstantMode(), 0);
    EXPECT_EQ(lKey.GetInterpolation(), KFCurveKey::kInterpolationConstant);
}

TEST(KFCurveTest, NewCurveDefaults)
{
    KFCurve* lCurve = KFCurve::Create();
    ASSERT_NE(lCurve, nullptr);
    EXPECT_EQ(lCurve->GetKeyCount(), 0);
    EXPECT_EQ(lCurve->GetDefaultValue(), 0.0);
    EXPECT_EQ(lCurve->GetColor()[0], 1.0f);
    EXPECT_EQ(lCurve->GetColor()[2], 1.0f);
    EXPECT_EQ(lCurve->GetKey(0), nullptr);
    EXPECT_EQ(lCurve->GetKey(-1), nullptr);
    lCurve->SetDefaultValue(0.1f);
    // Single precision, widened.
    EXPECT_EQ(lCurve->GetDefaultValue(), static_cast<double>(0.1f));
    EXPECT_EQ(lCurve->Evaluate(Sec(3)), static_cast<double>(0.1f));
    KFCurve::Destroy(lCurve);
    KFCurve::Destroy(nullptr);
}

TEST(KFCurveTest, KeyAddKeepsTimeOrderAndRefusesBadInput)
{
    KFCurve lCurve;
    EXPECT_EQ(lCurve.KeyAdd(Sec(2), 20.0f), 0);
    EXPECT_EQ(lCurve.KeyAdd(Sec(0), 0.0f), 0);
    EXPECT_EQ(lCurve.KeyAdd(Sec(1), 10.0f), 1);
    EXPECT_EQ(lCurve.KeyAdd(Sec(3), 30.0f), 3);
    ASSERT_EQ(lCurve.GetKeyCount(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(lCurve.KeyGetTime(i), Sec(i));
        EXPECT_EQ(lCurve.KeyGetValue(i), 10.0f * i);
    }
    const KFCurveKey* lKey = lCurve.GetKey(3);
    EXPECT_EQ(lKey->GetInterpolation(), 8);
    EXPECT_EQ(lKey->GetTangentMode(), 0x100);
    EXPECT_EQ(lKey->GetWeightMode(), 0);
    EXPECT_EQ(lKey->GetWeightStored(0), 3333);
    EXPECT_EQ(lKey->GetVelocity(0), 0.0f);

    // Same time: the value is replaced, no new key.
    EXPECT_EQ(lCurve.KeyAdd(Sec(1), 11.0f), 1);
    EXPECT_EQ(lCurve.GetKeyCount(), 4);
    EXPECT_EQ(lCurve.KeyGetValue(1), 11.0f);

    EXPECT_EQ(lCurve.KeyAdd(Sec(5), std::numeric_limits<float>::quiet_NaN()), -1);
    EXPECT_EQ(lCurve.KeyAdd(Sec(5), INFINITY), -1);
    EXPECT_EQ(lCurve.KeyAdd(KTime::kInfinity, 1.0f), -1);
    EXPECT_EQ(lCurve.KeyAdd(KTime::kMinusInfinity, 1.0f), -1);
    EXPECT_EQ(lCurve.GetKeyCount(), 4);
    EXPECT_EQ(lCurve.KeyFind(Sec(2)), 2);
    EXPECT_EQ(lCurve.KeyFind(Sec(2.5)), -1);
}

TEST(KFCurveTest, KeyRemoveByIndexAndSpan)
{
    KFCurve lCurve;
    for (int i = 0; i < 6; ++i) {
        lCurve.KeyAdd(Sec(i), static_cast<float>(i));
    }
    EXPECT_FALSE(lCurve.KeyRemove(6));
    EXPECT_FALSE(lCurve.KeyRemove(-1));
    EXPECT_TRUE(lCurve.KeyRemove(0));
    EXPECT_EQ(lCurve.KeyRemove(Sec(2), Sec(3)), 2);
    ASSERT_EQ(lCurve.GetKeyCount(), 3);
    EXPECT_EQ(lCurve.KeyGetValue(0), 1.0f);
    EXPECT_EQ(lCurve.KeyGetValue(1), 4.0f);
    EXPECT_EQ(lCurve.KeyRemove(Sec(3), Sec(2)), 0);
    EXPECT_EQ(lCurve.KeyRemove(KTime::kMinusInfinity, KTime::kInfinity), 3);
    EXPECT_EQ(lCurve.GetKeyCount(), 0);
    lCurve.KeyAdd(Sec(1), 1.0f);
    lCurve.KeyClear();
    EXPECT_EQ(lCurve.GetKeyCount(), 0);
}

TEST(KFCurveTest, KeySetBatchSetsByIndexSortsAndCapsCounts)
{
    KFCurve lCurve;
    EXPECT_FALSE(lCurve.EndKeySet(3));
    EXPECT_FALSE(lCurve.BeginKeySet(-1));
    EXPECT_FALSE(lCurve.BeginKeySet(INT_MAX));
    ASSERT_TRUE(lCurve.BeginKeySet(4));
    EXPECT_FALSE(lCurve.BeginKeySet(4));
    EXPECT_EQ(lCurve.GetKey(4), nullptr);
    // Out of order and one duplicate time: the later key at a time wins.
    lCurve.GetKey(0)->Set(Sec(2), 2.0f);
    lCurve.GetKey(1)->Set(Sec(1), 1.0f);
    lCurve.GetKey(2)->Set(Sec(1), 1.5f);
    lCurve.GetKey(3)->Set(Sec(0), 0.0f);
    EXPECT_TRUE(lCurve.EndKeySet(4));
    ASSERT_EQ(lCurve.GetKeyCount(), 3);
    EXPECT_EQ(lCurve.KeyGetTime(0), Sec(0));
    EXPECT_EQ(lCurve.KeyGetValue(1), 1.5f);
    EXPECT_EQ(lCurve.KeyGetTime(2), Sec(2));
    EXPECT_EQ(lCurve.GetKey(3), nullptr);

    // A huge declared count whose keys never come allocates nothing and makes no keys.
    KFCurve lHuge;
    ASSERT_TRUE(lHuge.BeginKeySet(KFCurve::kMaxKeyCount));
    lHuge.GetKey(1)->Set(Sec(1), 1.0f);
    lHuge.GetKey(0)->Set(Sec(0), 0.0f);
    EXPECT_TRUE(lHuge.EndKeySet(KFCurve::kMaxKeyCount));
    EXPECT_EQ(lHuge.GetKeyCount(), 2);

    // A smaller end count cuts the keys.
    KFCurve lCut;
    lCut.BeginKeySet(3);
    for (int i = 0; i < 3; ++i) {
        lCut.GetKey(i)->Set(Sec(i), static_cast<float>(i));
    }
    lCut.EndKeySet(2);
    EXPECT_EQ(lCut.GetKeyCount(), 2);
}

// ---- evaluation, each worked by hand ----

TEST(KFCurveEvaluateTest, ConstantAndLinear)
{
    KFCurve lCurve;
    AddKeys(lCurve, {MakeKey(0, 1.0f, KFCurveKey::kInterpolationConstant, 0),
                     MakeKey(1, 5.0f, KFCurveKey::kInterpolationLinear, 0),
                     MakeKey(3, 15.0f, KFCurveKey::kInterpolationLinear, 0)});
    EXPECT_EQ(lCurve.Evaluate(Sec(0)), 1.0);
    EXPECT_EQ(lCurve.Evaluate(Sec(0.5)), 1.0);
    EXPECT_EQ(lCurve.Evaluate(Sec(1)), 5.0);
    EXPECT_DOUBLE_EQ(lCurve.Evaluate(Sec(2)), 10.0);
    EXPECT_DOUBLE_EQ(lCurve.Evaluate(Sec(2.5)), 12.5);
    EXPECT_EQ(lCurve.Evaluate(Sec(3)), 15.0);
    lCurve.GetKey(0)->SetConstantMode(KFCurveKey::kConstantNext);
    EXPECT_EQ(lCurve.Evaluate(Sec(0.5)), 5.0);
    EXPECT_EQ(lCurve.Evaluate(Sec(0)), 1.0);
}

TEST(KFCurveEvaluateTest, CubicUserTangentsAreHermite)
{
    KFCurve lCurve;
    // Flat tangents: 3s^2 - 2s^3.
    AddKeys(lCurve, {MakeKey(0, 0.0f, kCubic, kUser, 0.0f, 0.0f), MakeKey(1, 1.0f, kCubic, kUser)});
    EXPECT_DOUBLE_EQ(lCurve.Evaluate(Sec(0.5)), 0.5);
    EXPECT_DOUBLE_EQ(lCurve.Evaluate(Sec(0.25)), 0.15625);

    // Right derivative 2 per second over a 2-second segment: h10(0.5) * 2 s * 2 = 0.5, plus
    // h01(0.5) * 1 = 0.5.
    KFCurve lSlope;
    AddKeys(lSlope, {MakeKey(0, 0.0f, kCubic, kUser, 2.0f, 0.0f), MakeKey(2, 1.0f, kCubic, kUser)});
    EXPECT_DOUBLE_EQ(lSlope.Evaluate(Sec(1)), 1.0);
    EXPECT_DOUBLE_EQ(lSlope.GetKeyRightDerivative(0), 2.0);
    EXPECT_TRUE(lSlope.SetKeyLeftDerivative(1, -2.0));
    // h11(0.5) = -0.125: -0.125 * 2 s * -2 = 0.5 more.
    EXPECT_DOUBLE_EQ(lSlope.Evaluate(Sec(1)), 1.5);
    EXPECT_DOUBLE_EQ(lSlope.GetKeyLeftDerivative(1), -2.0);
    EXPECT_FALSE(lSlope.SetKeyLeftDerivative(0, 1.0));
    EXPECT_FALSE(lSlope.SetKeyLeftDerivative(2, 1.0));
    EXPECT_FALSE(lSlope.SetKeyLeftAuto(2, 1.0));
    EXPECT_FALSE(lSlope.SetKeyRightAuto(2, 1.0));
    EXPECT_FALSE(lSlope.SetKeyRightDerivative(-1, 1.0));
    EXPECT_FALSE(lSlope.SetKeyRightDerivative(0, std::numeric_limits<double>::infinity()));
}

TEST(KFCurveEvaluateTest, AutoTangentsAreSmoothAndFlatAtExtremesAndEnds)
{
    KFCurve lCurve;
    lCurve.KeyAdd(Sec(0), 0.0f);
    lCurve.KeyAdd(Sec(1), 10.0f);
    lCurve.KeyAdd(Sec(2), 30.0f);
    // Key 1 slope (30 - 0) / 2 = 15, key 0 flat: 0.5 * 10 - 0.125 * 15 = 3.125.
    EXPECT_DOUBLE_EQ(lCurve.GetKeyLeftDerivative(1), 15.0);
    EXPECT_DOUBLE_EQ(lCurve.GetKeyRightDerivative(0), 0.0);
    EXPECT_DOUBLE_EQ(lCurve.Evaluate(Sec(0.5)), 3.125);

    // Auto value 100 on the left of key 1 runs straight to key 0: slope 10, 5 - 1.25 = 3.75.
    EXPECT_TRUE(lCurve.SetKeyLeftAuto(1, 100.0));
    EXPECT_DOUBLE_EQ(lCurve.GetKeyLeftDerivative(1), 10.0);
    EXPECT_DOUBLE_EQ(lCurve.Evaluate(Sec(0.5)), 3.75);
    // A derivative of 12.5 is halfway between smooth (15) and straight (10): auto value 50.
    EXPECT_TRUE(lCurve.SetKeyLeftDerivative(1, 12.5));
    EXPECT_DOUBLE_EQ(lCurve.GetKeyLeftAuto(1), 50.0);
    EXPECT_DOUBLE_EQ(lCurve.GetKeyLeftDerivative(1), 12.5);
    // At the first key smooth and straight differ (0 against 10): 40 % gives 4.
    EXPECT_TRUE(lCurve.SetKeyRightAuto(0, 40.0));
    EXPECT_DOUBLE_EQ(lCurve.GetKeyRightDerivative(0), 4.0);

    KFCurve lPeak;
    lPeak.KeyAdd(Sec(0), 0.0f);
    lPeak.KeyAdd(Sec(1), 10.0f);
    lPeak.KeyAdd(Sec(2), 0.0f);
    EXPECT_DOUBLE_EQ(lPeak.GetKeyLeftDerivative(1), 0.0);
    EXPECT_DOUBLE_EQ(lPeak.Evaluate(Sec(0.5)), 5.0);
    EXPECT_DOUBLE_EQ(lPeak.Evaluate(Sec(1.5)), 5.0);
}

TEST(KFCurveEvaluateTest, AutoValueConvertsToDerivativeForUserTangents)
{
    KFCurve lCurve;
    AddKeys(lCurve, {MakeKey(0, 0.0f, kCubic, kUser), MakeKey(1, 10.0f, kCubic, kUser),
                     MakeKey(2, 30.0f, kCubic, kUser)});
    // Smooth slope 15, the segment after key 1 rises 20: auto 50 gives 17.5.
    EXPECT_TRUE(lCurve.SetKeyRightAuto(1, 50.0));
    EXPECT_FLOAT_EQ(lCurve.GetKey(1)->GetDataFloat(KFCurveKey::kDataRightDerivative), 17.5f);
    EXPECT_TRUE(lCurve.SetKeyLeftAuto(1, 0.0));
    EXPECT_FLOAT_EQ(lCurve.GetKey(0)->GetDataFloat(KFCurveKey::kDataNextLeftDerivative), 15.0f);
}

TEST(KFCurveEvaluateTest, TCBTangentsAreKochanekBartels)
{
    auto lMake = [](float pTension, float pContinuity, float pBias) {
        KFCurve lCurve;
        KFCurveKey lKey;
        lKey.SetTCB(Sec(0), 0.0f);
        lCurve.KeyAdd(Sec(0), lKey);
        lKey.SetTCB(Sec(1), 10.0f, pTension, pContinuity, pBias);
        lCurve.KeyAdd(Sec(1), lKey);
        lKey.SetTCB(Sec(2), 30.0f);
        lCurve.KeyAdd(Sec(2), lKey);
        return lCurve;
    };
    // Segment slopes 10 and 20; key 0 leaves at 10 (the missing side copies the other).
    KFCurve lPlain = lMake(0, 0, 0);
    EXPECT_DOUBLE_EQ(lPlain.GetKeyRightDerivative(0), 10.0);
    EXPECT_DOUBLE_EQ(lPlain.GetKeyLeftDerivative(1), 15.0);
    EXPECT_DOUBLE_EQ(lPlain.Evaluate(Sec(0.5)), 1.25 + 5.0 - 1.875);

    // Tension 1 stops the curve at the key.
    KFCurve lTense = lMake(1, 0, 0);
    EXPECT_DOUBLE_EQ(lTense.GetKeyLeftDerivative(1), 0.0);
    EXPECT_DOUBLE_EQ(lTense.Evaluate(Sec(0.5)), 6.25);

    // Continuity 1: arriving (0 * 10 + 2 * 20) / 2 = 20, leaving (2 * 10 + 0) / 2 = 10.
    KFCurve lCorner = lMake(0, 1, 0);
    EXPECT_DOUBLE_EQ(lCorner.GetKeyLeftDerivative(1), 20.0);
    EXPECT_DOUBLE_EQ(lCorner.GetKeyRightDerivative(1), 10.0);
    EXPECT_DOUBLE_EQ(lCorner.Evaluate(Sec(0.5)), 1.25 + 5.0 - 2.5);

    // Bias 1 takes the slope before the key on both sides; bias -1 the slope after it.
    KFCurve lBefore = lMake(0, 0, 1);
    EXPECT_DOUBLE_EQ(lBefore.GetKeyLeftDerivative(1), 10.0);
    EXPECT_DOUBLE_EQ(lBefore.GetKeyRightDerivative(1), 10.0);
    KFCurve lAfter = lMake(0, 0, -1);
    EXPECT_DOUBLE_EQ(lAfter.GetKeyLeftDerivative(1), 20.0);
    // TCB keys take neither derivatives nor auto values.
    EXPECT_FALSE(lPlain.SetKeyLeftDerivative(1, 3.0));
    EXPECT_FALSE(lPlain.SetKeyRightAuto(1, 3.0));
}

TEST(KFCurveEvaluateTest, WeightedTangentsAreBezierSolvedForTime)
{
    KFCurve lCurve;
    AddKeys(lCurve, {MakeKey(0, 0.0f, kCubic, kUser), MakeKey(2, 1.0f, kCubic, kUser)});
    // Weights of 1/3 give the Hermite segment.
    EXPECT_TRUE(lCurve.SetKeyRightWeight(0, 1.0 / 3.0));
    EXPECT_TRUE(lCurve.SetKeyLeftWeight(1, 1.0 / 3.0));
    EXPECT_EQ(lCurve.GetKey(0)->GetWeightMode(), 0x3000000);
    EXPECT_NEAR(lCurve.Evaluate(Sec(0.5)), 0.15625, 1e-9);

    // Weights 2/3 with flat tangents: at Bezier parameter 1/4 the normalised time is
    // 2 s (1-s)^2 + s^2 (1-s) + s^3 = 11/32 and the value 3 s^2 - 2 s^3 = 0.15625.
    EXPECT_TRUE(lCurve.SetKeyRightWeight(0, 2.0 / 3.0));
    EXPECT_TRUE(lCurve.SetKeyLeftWeight(1, 2.0 / 3.0));
    EXPECT_NEAR(lCurve.GetKeyRightWeight(0), 2.0 / 3.0, 1e-7);
    EXPECT_NEAR(lCurve.Evaluate(Sec(2.0 * 11.0 / 32.0)), 0.15625, 1e-9);

    // Extreme weights stay monotonic and within the key values.
    EXPECT_TRUE(lCurve.SetKeyRightWeight(0, 50.0));
    EXPECT_TRUE(lCurve.SetKeyLeftWeight(1, 50.0));
    EXPECT_NEAR(lCurve.GetKeyLeftWeight(1), 0.99, 1e-4);
    double lPrevious = 0.0;
    for (int i = 0; i <= 64; ++i) {
        const double lValue = lCurve.Evaluate(Sec(2.0 * i / 64.0));
        EXPECT_GE(lValue, lPrevious - 1e-12);
        EXPECT_LE(lValue, 1.0 + 1e-12);
        lPrevious = lValue;
    }
    EXPECT_TRUE(lCurve.SetKeyRightWeight(0, 0.0));
    EXPECT_NEAR(lCurve.GetKeyRightWeight(0), 1.0 / 9999.0, 1e-9);
    EXPECT_TRUE(std::isfinite(lCurve.Evaluate(Sec(0.001))));

    // Weight rules: not on the last key, not on a non-cubic key, not for a left side of key 0.
    EXPECT_FALSE(lCurve.SetKeyRightWeight(1, 0.5));
    EXPECT_FALSE(lCurve.SetKeyLeftWeight(0, 0.5));
    EXPECT_FALSE(lCurve.SetKeyRightWeight(0, std::numeric_limits<double>::quiet_NaN()));
    lCurve.KeySetInterpolation(0, KFCurveKey::kInterpolationLinear);
    EXPECT_FALSE(lCurve.SetKeyLeftWeight(1, 0.5));
    EXPECT_DOUBLE_EQ(KFCurve().GetKeyRightWeight(0), KFCurveKey::kDefaultWeight);
}

TEST(KFCurveEvaluateTest, Extrapolation)
{
    KFCurve lCurve;
    AddKeys(lCurve, {MakeKey(0, 0.0f, KFCurveKey::kInterpolationLinear, 0),
                     MakeKey(1, 10.0f, KFCurveKey::kInterpolationLinear, 0)});
    EXPECT_EQ(lCurve.Evaluate(Sec(-1)), 0.0);
    EXPECT_EQ(lCurve.Evaluate(Sec(5)), 10.0);

    ASSERT_TRUE(lCurve.SetPostExtrapolation(KFCurve::kExtrapolationRepetition));
    ASSERT_TRUE(lCurve.SetPreExtrapolation(KFCurve::kExtrapolationRepetition));
    EXPECT_DOUBLE_EQ(lCurve.Evaluate(Sec(1.5)), 5.0);
    EXPECT_DOUBLE_EQ(lCurve.Evaluate(Sec(2.25)), 2.5);
    EXPECT_DOUBLE_EQ(lCurve.Evaluate(Sec(3)), 10.0);
    EXPECT_DOUBLE_EQ(lCurve.Evaluate(Sec(-0.25)), 7.5);
    EXPECT_DOUBLE_EQ(lCurve.Evaluate(Sec(-1)), 0.0);

    lCurve.SetPostExtrapolation(KFCurve::kExtrapolationMirrorRepetition);
    lCurve.SetPreExtrapolation(KFCurve::kExtrapolationMirrorRepetition);
    EXPECT_DOUBLE_EQ(lCurve.Evaluate(Sec(1.25)), 7.5);
    EXPECT_DOUBLE_EQ(lCurve.Evaluate(Sec(2.25)), 2.5);
    EXPECT_DOUBLE_EQ(lCurve.Evaluate(Sec(-0.25)), 2.5);
    EXPECT_DOUBLE_EQ(lCurve.Evaluate(Sec(-1.25)), 7.5);

    // A limited count repeats and then holds the value reached.
    lCurve.SetPostExtrapolationCount(1);
    EXPECT_DOUBLE_EQ(lCurve.Evaluate(Sec(1.25)), 7.5);
    EXPECT_DOUBLE_EQ(lCurve.Evaluate(Sec(7.5)), 0.0);
    lCurve.SetPostExtrapolation(KFCurve::kExtrapolationRepetition);
    EXPECT_DOUBLE_EQ(lCurve.Evaluate(Sec(7.5)), 10.0);
    lCurve.SetPostExtrapolationCount(0);
    EXPECT_DOUBLE_EQ(lCurve.Evaluate(Sec(1.5)), 10.0);

    lCurve.SetPostExtrapolation(KFCurve::kExtrapolationKeepSlope);
    lCurve.SetPreExtrapolation(KFCurve::kExtrapolationKeepSlope);
    EXPECT_DOUBLE_EQ(lCurve.Evaluate(Sec(3)), 30.0);
    EXPECT_DOUBLE_EQ(lCurve.Evaluate(Sec(-1)), -10.0);
    EXPECT_FALSE(lCurve.SetPreExtrapolation(0));
    EXPECT_FALSE(lCurve.SetPostExtrapolation(5));

    // The far ends of time neither overflow nor stall.
    lCurve.SetPostExtrapolation(KFCurve::kExtrapolationRepetition);
    lCurve.SetPreExtrapolation(KFCurve::kExtrapolationMirrorRepetition);
    lCurve.SetPostExtrapolationCount(KFCurve::kUnlimitedRepetitions);
    const double lFar = lCurve.Evaluate(KTime::kInfinity);
    EXPECT_TRUE(lFar >= 0.0 && lFar <= 10.0);
    const double lNear = lCurve.Evaluate(KTime::kMinusInfinity);
    EXPECT_TRUE(lNear >= 0.0 && lNear <= 10.0);

    // One key holds its value whatever the kind.
    KFCurve lSingle;
    lSingle.KeyAdd(Sec(1), 4.0f);
    lSingle.SetPreExtrapolation(KFCurve::kExtrapolationKeepSlope);
    lSingle.SetPostExtrapolation(KFCurve::kExtrapolationRepetition);
    EXPECT_EQ(lSingle.Evaluate(Sec(-3)), 4.0);
    EXPECT_EQ(lSingle.Evaluate(Sec(9)), 4.0);
}

TEST(KFCurveEvaluateTest, CachedAndHintedEvaluationMatchPlainEvaluation)
{
    KFCurve lCurve;
    for (int i = 0; i < 50; ++i) {
        lCurve.KeyAdd(Sec(i * 0.5), static_cast<float>((i * 37) % 11));
    }
    lCurve.SetPostExtrapolation(KFCurve::kExtrapolationMirrorRepetition);
    int lHint = 12345;
    // Forward, backward and jumping times, and times outside the keys.
    const double lTimes[] = {-3.0, 0.0, 0.1, 0.7, 0.75, 3.0, 24.5, 30.0, 2.0, 1.0, 10.25, 10.5};
    for (double lTime : lTimes) {
        const double lExpected = lCurve.Evaluate(Sec(lTime));
        EXPECT_EQ(lCurve.EvaluateCached(Sec(lTime)), lExpected) << lTime;
        EXPECT_EQ(lCurve.Evaluate(Sec(lTime), &lHint), lExpected) << lTime;
    }
    // Keys changed under the cache.
    lCurve.EvaluateCached(Sec(10.25));
    lCurve.KeyRemove(Sec(0), Sec(20));
    EXPECT_EQ(lCurve.EvaluateCached(Sec(10.25)), lCurve.Evaluate(Sec(10.25)));
}

// ---- events ----

TEST(KFCurveEventTest, EventsAreSentOncePerBatch)
{
    Recorder lRecorder;
    KFCurve lCurve;
    ASSERT_TRUE(lCurve.AddCallback(Record, &lRecorder));
    EXPECT_FALSE(lCurve.AddCallback(Record, &lRecorder));
    EXPECT_FALSE(lCurve.AddCallback(nullptr, &lRecorder));

    lCurve.KeyAdd(Sec(0), 1.0f);
    ASSERT_EQ(lRecorder.mEvents.size(), 1u);
    EXPECT_EQ(lRecorder.mEvents[0].mFlags, KFCurveEvent::kValueChanged);
    EXPECT_EQ(lRecorder.mEvents[0].mFirstKeyIndex, 0);

    lCurve.BeginKeyModify();
    lCurve.BeginKeyModify();
    lCurve.KeyAdd(Sec(1), 2.0f);
    lCurve.KeyAdd(Sec(2), 3.0f);
    lCurve.EndKeyModify();
    lCurve.KeySetValue(0, 5.0f);
    EXPECT_EQ(lRecorder.mEvents.size(), 1u);
    lCurve.EndKeyModify();
    ASSERT_EQ(lRecorder.mEvents.size(), 2u);
    EXPECT_EQ(lRecorder.mEvents[1].mFirstKeyIndex, 0);
    EXPECT_EQ(lRecorder.mEvents[1].mLastKeyIndex, 2);
    lCurve.EndKeyModify();
    EXPECT_EQ(lRecorder.mEvents.size(), 2u);

    lCurve.BeginKeySet(10);
    for (int i = 0; i < 10; ++i) {
        lCurve.GetKey(i)->Set(Sec(i), 1.0f);
    }
    lCurve.EndKeySet(10);
    EXPECT_EQ(lRecorder.mEvents.size(), 3u);

    lCurve.EnableEvents(false);
    lCurve.SetDefaultValue(2.0f);
    lCurve.KeyAdd(Sec(20), 1.0f);
    EXPECT_EQ(lRecorder.mEvents.size(), 3u);
    EXPECT_EQ(lCurve.GetPendingEvent().mFlags, KFCurveEvent::kValueChanged);
    EXPECT_EQ(lCurve.GetPendingEvent().mKeyCount, 1);
    lCurve.EnableEvents(true);
    EXPECT_EQ(lRecorder.mEvents.size(), 4u);
    EXPECT_EQ(lCurve.GetPendingEvent().mFlags, 0);

    lCurve.EnableEvents(false);
    lCurve.SetDefaultValue(3.0f);
    lCurve.ClearPendingEvent();
    EXPECT_EQ(lCurve.GetPendingEvent().mFirstKeyIndex, -1);
    lCurve.EnableEvents(true);
    EXPECT_EQ(lRecorder.mEvents.size(), 4u);
}

TEST(KFCurveEventTest, DestructorSendsDestroyedEvenWithEventsOff)
{
    Recorder lRecorder;
    {
        KFCurve lCurve;
        lCurve.AddCallback(Record, &lRecorder);
        lCurve.EnableEvents(false);
    }
    ASSERT_EQ(lRecorder.mEvents.size(), 1u);
    EXPECT_EQ(lRecorder.mEvents[0].mFlags, KFCurveEvent::kDestroyed);
}

namespace {

struct Dispatch
{
    KFCurve* mCurve = nullptr;
    std::vector<int>* mLog = nullptr;
    int mId = 0;
    Dispatch* mVictim = nullptr;
};

void LogCall(KFCurve*, KFCurveEvent*, void* pData)
{
    auto* lSelf = static_cast<Dispatch*>(pData);
    lSelf->mLog->push_back(lSelf->mId);
}

void RemoveSelf(KFCurve* pCurve, KFCurveEvent* pEvent, void* pData)
{
    LogCall(pCurve, pEvent, pData);
    pCurve->RemoveCallback(RemoveSelf, pData);
}

void RemoveVictim(KFCurve* pCurve, KFCurveEvent* pEvent, void* pData)
{
    LogCall(pCurve, pEvent, pData);
    auto* lSelf = static_cast<Dispatch*>(pData);
    pCurve->RemoveCallback(LogCall, lSelf->mVictim);
}

void ChangeCurve(KFCurve* pCurve, KFCurveEvent* pEvent, void* pData)
{
    LogCall(pCurve, pEvent, pData);
    pCurve->SetDefaultValue(static_cast<float>(pCurve->GetDefaultValue() + 1.0));
}

} // namespace

TEST(KFCurveEventTest, CallbacksMayBeRemovedDuringDispatch)
{
    std::vector<int> lLog;
    KFCurve lCurve;
    Dispatch lSelf{&lCurve, &lLog, 1};
    Dispatch lRemover{&lCurve, &lLog, 2};
    Dispatch lVictim{&lCurve, &lLog, 3};
    Dispatch lLast{&lCurve, &lLog, 4};
    lRemover.mVictim = &lVictim;
    lCurve.AddCallback(RemoveSelf, &lSelf);
    lCurve.AddCallback(RemoveVictim, &lRemover);
    lCurve.AddCallback(LogCall, &lVictim);
    lCurve.AddCallback(LogCall, &lLast);

    lCurve.SetDefaultValue(1.0f);
    EXPECT_EQ(lLog, (std::vector<int>{1, 2, 4}));
    EXPECT_EQ(lCurve.GetCallbackCount(), 2);
    lLog.clear();
    lCurve.SetDefaultValue(2.0f);
    EXPECT_EQ(lLog, (std::vector<int>{2, 4}));
    EXPECT_FALSE(lCurve.RemoveCallback(LogCall, &lVictim));
    EXPECT_TRUE(lCurve.RemoveCallback(LogCall, &lLast));
}

TEST(KFCurveEventTest, ChangesMadeByACallbackStayPending)
{
    std::vector<int> lLog;
    KFCurve lCurve;
    Dispatch lChanger{&lCurve, &lLog, 7};
    lCurve.AddCallback(ChangeCurve, &lChanger);
    lCurve.SetDefaultValue(1.0f);
    EXPECT_EQ(lLog.size(), 1u);
    EXPECT_EQ(lCurve.GetDefaultValue(), 2.0);
    EXPECT_EQ(lCurve.GetPendingEvent().mFlags, KFCurveEvent::kValueChanged);
    lCurve.RemoveCallback(ChangeCurve, &lChanger);
}

// ---- copies ----

TEST(KFCurveCopyTest, CopiesAreDeepAndNeverTakeCallbacks)
{
    Recorder lRecorder;
    KFCurve lCurve;
    lCurve.AddCallback(Record, &lRecorder);
    for (int i = 0; i < 4; ++i) {
        lCurve.KeyAdd(Sec(i), static_cast<float>(i));
    }
    lCurve.SetDefaultValue(7.0f);
    lCurve.SetColor(0.5f, 0.25f, 0.0f);
    lCurve.SetPostExtrapolation(KFCurve::kExtrapolationRepetition);
    lCurve.SetPostExtrapolationCount(3);
    lCurve.SetFlags(0x40);
    const std::size_t lEvents = lRecorder.mEvents.size();

    KFCurve* lFull = lCurve.Copy(KTime::kMinusInfinity, KTime::kInfinity);
    ASSERT_NE(lFull, nullptr);
    EXPECT_EQ(lFull->GetKeyCount(), 4);
    EXPECT_EQ(lFull->GetDefaultValue(), 7.0);
    EXPECT_EQ(lFull->GetColor()[1], 0.25f);
    EXPECT_EQ(lFull->GetPostExtrapolation(), KFCurve::kExtrapolationRepetition);
    EXPECT_EQ(lFull->GetPostExtrapolationCount(), 3);
    EXPECT_EQ(lFull->GetFlags(), 0x40);
    EXPECT_EQ(lFull->GetCallbackCount(), 0);
    lFull->KeySetValue(0, 100.0f);
    EXPECT_EQ(lCurve.KeyGetValue(0), 0.0f);
    KFCurve::Destroy(lFull);

    KFCurve* lPart = lCurve.Copy(Sec(1), Sec(2));
    EXPECT_EQ(lPart->GetKeyCount(), 2);
    EXPECT_EQ(lPart->KeyGetValue(0), 1.0f);
    KFCurve::Destroy(lPart);

    KFCurve lCopy(lCurve);
    EXPECT_EQ(lCopy.GetKeyCount(), 4);
    EXPECT_EQ(lCopy.GetCallbackCount(), 0);
    EXPECT_EQ(lRecorder.mEvents.size(), lEvents);

    KFCurve lTarget;
    lTarget.KeyAdd(Sec(9), 9.0f);
    lTarget.CopyFrom(lCurve, false);
    EXPECT_EQ(lTarget.GetKeyCount(), 0);
    EXPECT_EQ(lTarget.GetDefaultValue(), 7.0);
    lTarget.CopyFrom(lCurve, true);
    EXPECT_EQ(lTarget.GetKeyCount(), 4);
    lTarget.CopyFrom(lTarget, true);
    EXPECT_EQ(lTarget.GetKeyCount(), 4);
    EXPECT_EQ(lTarget.GetCallbackCount(), 0);
}
