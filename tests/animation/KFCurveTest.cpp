#include "animation/KFCurve.h"
#include "tests/support/CurveTestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

namespace {

using curvetest::Sec;

constexpr int kConstant = KFCurveKey::kInterpolationConstant;
constexpr int kLinear = KFCurveKey::kInterpolationLinear;
constexpr int kCubic = KFCurveKey::kInterpolationCubic;
constexpr int kUser = KFCurveKey::kTangentUser;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

KFCurveKey MakeKey(double pSeconds, float pValue, int pInterpolation, int pTangentMode,
                   float pData0 = 0.0f, float pData1 = 0.0f)
{
    KFCurveKey lKey;
    lKey.Set(Sec(pSeconds), pValue, pInterpolation, pTangentMode, pData0, pData1);
    return lKey;
}

KFCurve MakeCurve(const std::vector<KFCurveKey>& pKeys)
{
    KFCurve lCurve;
    for (const KFCurveKey& lKey : pKeys) {
        lCurve.KeyAdd(lKey.GetTime(), lKey);
    }
    return lCurve;
}

// Checks Evaluate at each {seconds, value} pair.
void ExpectValues(const KFCurve& pCurve, std::initializer_list<std::pair<double, double>> pPairs,
                  double pTolerance = 1e-12)
{
    for (const auto& lPair : pPairs) {
        EXPECT_NEAR(pCurve.Evaluate(Sec(lPair.first)), lPair.second, pTolerance)
            << "at " << lPair.first;
    }
}

void Record(KFCurve*, KFCurveEvent* pEvent, void* pData)
{
    static_cast<std::vector<KFCurveEvent>*>(pData)->push_back(*pEvent);
}

} // namespace

// ---- keys ----

TEST(KFCurveKeyTest, SetMasksFlagsAndRefusesNonFiniteNumbers)
{
    KFCurveKey lKey;
    EXPECT_EQ(lKey.GetFlags(), KFCurveKey::kInterpolationCubic | KFCurveKey::kTangentAuto);
    EXPECT_EQ(lKey.GetWeightStored(0), 3333);
    lKey.Set(Sec(1), kNaN, 0x7f, 0x1fff, 2.0f, kNaN, 0x7000000, 5.0f, kNaN, 1.5f, INFINITY);
    EXPECT_EQ(lKey.GetTime(), Sec(1));
    EXPECT_EQ(lKey.GetValue(), 0.0f);
    EXPECT_EQ(lKey.GetFlags(), 0x0e | 0xf00 | 0x3000000);
    EXPECT_EQ(lKey.GetDataFloat(0), 2.0f);
    EXPECT_EQ(lKey.GetDataFloat(1), 0.0f);
    EXPECT_EQ(lKey.GetWeightStored(0), 9899);
    EXPECT_EQ(lKey.GetWeightStored(1), 3333);
    EXPECT_EQ(lKey.GetVelocity(0), 1.5f);
    EXPECT_EQ(lKey.GetVelocity(1), 0.0f);

    EXPECT_FALSE(lKey.SetValue(kNaN));
    EXPECT_TRUE(lKey.SetValue(2.5f) && lKey.IncValue(0.5f));
    EXPECT_EQ(lKey.GetValue(), 3.0f);
    EXPECT_TRUE(lKey.SetValue(std::numeric_limits<float>::max()));
    EXPECT_FALSE(lKey.IncValue(std::numeric_limits<float>::max()));
    EXPECT_EQ(lKey.GetValue(), std::numeric_limits<float>::max());
    EXPECT_FALSE(lKey.SetDataFloat(3, 1.0f) || lKey.SetDataFloat(-1, 1.0f));
    EXPECT_EQ(lKey.GetDataFloat(7), 0.0f);

    // Weights are clamped to [0.00010001, 0.99] and kept in 1/9999.
    for (const auto& lCase :
         {std::pair<float, int>{0.0f, 1}, {-3.0f, 1}, {1.0f, 9899}, {2.0f / 3.0f, 6666}}) {
        EXPECT_TRUE(lKey.SetWeight(1, lCase.first));
        EXPECT_EQ(lKey.GetWeightStored(1), lCase.second) << lCase.first;
    }
    EXPECT_NEAR(lKey.GetWeight(1), 2.0 / 3.0, 1e-4);
    EXPECT_FALSE(lKey.SetWeight(2, 0.5f) || lKey.SetWeight(1, kNaN));
    EXPECT_EQ(lKey.GetWeightStored(1), 6666);

    lKey.SetTCB(Sec(2), 4.0f, 0.5f, -0.25f, 1.0f);
    EXPECT_EQ(lKey.GetFlags(), KFCurveKey::kInterpolationCubic | KFCurveKey::kTangentTCB);
    EXPECT_EQ(lKey.GetDataFloat(KFCurveKey::kDataContinuity), -0.25f);
    EXPECT_EQ(lKey.GetDataFloat(KFCurveKey::kDataBias), 1.0f);
    lKey.Set(Sec(0), 1.0f, kConstant, KFCurveKey::kTangentAuto);
    EXPECT_EQ(lKey.GetConstantMode(), KFCurveKey::kConstantNext);
    lKey.SetConstantMode(KFCurveKey::kConstantStandard);
    EXPECT_EQ(lKey.GetFlags(), kConstant);
}

TEST(KFCurveTest, KeyAddKeepsTimeOrderAndRefusesBadInput)
{
    KFCurve* lEmpty = KFCurve::Create();
    EXPECT_EQ(lEmpty->GetKey(0), nullptr);
    lEmpty->SetDefaultValue(0.1f);
    // Single precision, widened.
    EXPECT_EQ(lEmpty->Evaluate(Sec(3)), static_cast<double>(0.1f));
    KFCurve::Destroy(lEmpty);
    KFCurve::Destroy(nullptr);

    KFCurve lCurve;
    EXPECT_EQ(lCurve.KeyAdd(Sec(2), 20.0f), 0);
    EXPECT_EQ(lCurve.KeyAdd(Sec(0), 0.0f), 0);
    EXPECT_EQ(lCurve.KeyAdd(Sec(1), 10.0f), 1);
    EXPECT_EQ(lCurve.KeyAdd(Sec(3), 30.0f), 3);
    EXPECT_EQ(curvetest::KeySeconds(lCurve), (std::vector<double>{0, 1, 2, 3}));
    EXPECT_EQ(curvetest::Values(lCurve), (std::vector<double>{0, 10, 20, 30}));
    const KFCurveKey* lKey = lCurve.GetKey(3);
    EXPECT_EQ(lKey->GetFlags(), KFCurveKey::kInterpolationCubic | KFCurveKey::kTangentAuto);
    EXPECT_EQ(lKey->GetWeightStored(0), 3333);
    // Same time: the value is replaced, no new key.
    EXPECT_EQ(lCurve.KeyAdd(Sec(1), 11.0f), 1);
    EXPECT_EQ(lCurve.KeyGetValue(1), 11.0f);
    EXPECT_EQ(lCurve.KeyAdd(Sec(5), kNaN), -1);
    EXPECT_EQ(lCurve.KeyAdd(Sec(5), INFINITY), -1);
    EXPECT_EQ(lCurve.KeyAdd(KTime::kInfinity, 1.0f), -1);
    EXPECT_EQ(lCurve.KeyAdd(KTime::kMinusInfinity, 1.0f), -1);
    EXPECT_EQ(lCurve.GetKeyCount(), 4);
    EXPECT_EQ(lCurve.KeyFind(Sec(2)), 2);
    EXPECT_EQ(lCurve.KeyFind(Sec(2.5)), -1);

    // Index arguments are bounds-checked.
    for (const int lIndex : {-1, 4}) {
        EXPECT_FALSE(lCurve.KeySetValue(lIndex, 1.0f) || lCurve.KeyIncValue(lIndex, 1.0f));
        EXPECT_FALSE(lCurve.KeySetInterpolation(lIndex, kLinear));
        EXPECT_FALSE(lCurve.KeySetTangentMode(lIndex, kUser));
        EXPECT_EQ(lCurve.KeyGetInterpolation(lIndex), 0);
        EXPECT_EQ(lCurve.KeyGetValue(lIndex), 0.0f);
    }
    EXPECT_FALSE(lCurve.KeySetValue(0, kNaN));
    EXPECT_TRUE(lCurve.KeyIncValue(0, 2.0f));
    EXPECT_EQ(curvetest::Values(lCurve), (std::vector<double>{2, 11, 20, 30}));
}

TEST(KFCurveTest, KeyRemoveByIndexAndSpan)
{
    KFCurve lCurve;
    curvetest::Fill(lCurve, {0, 1, 2, 3, 4, 5});
    EXPECT_FALSE(lCurve.KeyRemove(6));
    EXPECT_FALSE(lCurve.KeyRemove(-1));
    EXPECT_TRUE(lCurve.KeyRemove(0));
    EXPECT_EQ(lCurve.KeyRemove(Sec(2), Sec(3)), 2);
    EXPECT_EQ(curvetest::Values(lCurve), (std::vector<double>{1, 4, 5}));
    EXPECT_EQ(lCurve.KeyRemove(Sec(3), Sec(2)), 0);
    EXPECT_EQ(lCurve.KeyRemove(KTime::kMinusInfinity, KTime::kInfinity), 3);
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
    EXPECT_EQ(curvetest::KeySeconds(lCurve), (std::vector<double>{0, 1, 2}));
    EXPECT_EQ(lCurve.KeyGetValue(1), 1.5f);
    EXPECT_EQ(lCurve.GetKey(3), nullptr);

    // A huge declared count whose keys never come makes no keys.
    KFCurve lHuge;
    ASSERT_TRUE(lHuge.BeginKeySet(KFCurve::kMaxKeyCount));
    lHuge.GetKey(1)->Set(Sec(1), 1.0f);
    lHuge.GetKey(0)->Set(Sec(0), 0.0f);
    EXPECT_TRUE(lHuge.EndKeySet(KFCurve::kMaxKeyCount));
    EXPECT_EQ(lHuge.GetKeyCount(), 2);
    // A count of 0 opens a batch too; a smaller end count cuts the keys.
    ASSERT_TRUE(lHuge.BeginKeySet(0));
    EXPECT_TRUE(lHuge.EndKeySet(1));
    EXPECT_EQ(curvetest::Values(lHuge), (std::vector<double>{0}));
}

// ---- evaluation, each worked by hand ----

TEST(KFCurveEvaluateTest, ConstantAndLinear)
{
    KFCurve lCurve = MakeCurve({MakeKey(0, 1.0f, kConstant, 0), MakeKey(1, 5.0f, kLinear, 0),
                                MakeKey(3, 15.0f, kLinear, 0)});
    ExpectValues(lCurve, {{0, 1}, {0.5, 1}, {1, 5}, {2, 10}, {2.5, 12.5}, {3, 15}});
    lCurve.GetKey(0)->SetConstantMode(KFCurveKey::kConstantNext);
    ExpectValues(lCurve, {{0, 1}, {0.5, 5}});
}

TEST(KFCurveEvaluateTest, CubicUserTangentsAreHermite)
{
    // Flat tangents: 3s^2 - 2s^3.
    ExpectValues(MakeCurve({MakeKey(0, 0.0f, kCubic, kUser), MakeKey(1, 1.0f, kCubic, kUser)}),
                 {{0.5, 0.5}, {0.25, 0.15625}});

    // Right derivative 2 per second over a 2-second segment: h10(0.5) * 2 s * 2 = 0.5, plus
    // h01(0.5) * 1 = 0.5.
    KFCurve lSlope =
        MakeCurve({MakeKey(0, 0.0f, kCubic, kUser, 2.0f), MakeKey(2, 1.0f, kCubic, kUser)});
    ExpectValues(lSlope, {{1, 1.0}});
    EXPECT_DOUBLE_EQ(lSlope.GetKeyRightDerivative(0), 2.0);
    EXPECT_TRUE(lSlope.SetKeyLeftDerivative(1, -2.0));
    // h11(0.5) = -0.125: -0.125 * 2 s * -2 = 0.5 more.
    ExpectValues(lSlope, {{1, 1.5}});
    EXPECT_DOUBLE_EQ(lSlope.GetKeyLeftDerivative(1), -2.0);
    EXPECT_FALSE(lSlope.SetKeyLeftDerivative(0, 1.0));
    EXPECT_FALSE(lSlope.SetKeyLeftDerivative(2, 1.0));
    EXPECT_FALSE(lSlope.SetKeyLeftAuto(2, 1.0) || lSlope.SetKeyRightAuto(2, 1.0));
    EXPECT_FALSE(lSlope.SetKeyRightDerivative(-1, 1.0));
    EXPECT_FALSE(lSlope.SetKeyRightDerivative(0, std::numeric_limits<double>::infinity()));
    KFCurve lUser = MakeCurve({MakeKey(0, 0.0f, kCubic, kUser), MakeKey(1, 10.0f, kCubic, kUser),
                               MakeKey(2, 30.0f, kCubic, kUser)});
    // Smooth slope 15, the segment after key 1 rises 20: auto 50 gives 17.5.
    EXPECT_TRUE(lUser.SetKeyRightAuto(1, 50.0));
    EXPECT_FLOAT_EQ(lUser.GetKey(1)->GetDataFloat(KFCurveKey::kDataRightDerivative), 17.5f);
    EXPECT_TRUE(lUser.SetKeyLeftAuto(1, 0.0));
    EXPECT_FLOAT_EQ(lUser.GetKey(0)->GetDataFloat(KFCurveKey::kDataNextLeftDerivative), 15.0f);
}

TEST(KFCurveEvaluateTest, AutoTangentsAreSmoothAndFlatAtExtremesAndEnds)
{
    KFCurve lCurve;
    curvetest::Fill(lCurve, {0, 10, 30});
    // Key 1 slope (30 - 0) / 2 = 15, key 0 flat: 0.5 * 10 - 0.125 * 15 = 3.125.
    EXPECT_DOUBLE_EQ(lCurve.GetKeyLeftDerivative(1), 15.0);
    EXPECT_DOUBLE_EQ(lCurve.GetKeyRightDerivative(0), 0.0);
    ExpectValues(lCurve, {{0.5, 3.125}});
    // Auto value 100 on the left of key 1 runs straight to key 0: slope 10, 5 - 1.25 = 3.75.
    EXPECT_TRUE(lCurve.SetKeyLeftAuto(1, 100.0));
    EXPECT_DOUBLE_EQ(lCurve.GetKeyLeftDerivative(1), 10.0);
    ExpectValues(lCurve, {{0.5, 3.75}});
    // A derivative of 12.5 is halfway between smooth (15) and straight (10): auto value 50.
    EXPECT_TRUE(lCurve.SetKeyLeftDerivative(1, 12.5));
    EXPECT_DOUBLE_EQ(lCurve.GetKeyLeftAuto(1), 50.0);
    EXPECT_DOUBLE_EQ(lCurve.GetKeyLeftDerivative(1), 12.5);
    // At the first key smooth and straight differ (0 against 10): 40 % gives 4.
    EXPECT_TRUE(lCurve.SetKeyRightAuto(0, 40.0));
    EXPECT_DOUBLE_EQ(lCurve.GetKeyRightDerivative(0), 4.0);
    EXPECT_DOUBLE_EQ(lCurve.GetKeyRightAuto(0), 40.0);

    KFCurve lPeak;
    curvetest::Fill(lPeak, {0, 10, 0});
    EXPECT_DOUBLE_EQ(lPeak.GetKeyLeftDerivative(1), 0.0);
    ExpectValues(lPeak, {{0.5, 5}, {1.5, 5}});
}

TEST(KFCurveEvaluateTest, TCBTangentsAreKochanekBartels)
{
    auto lMake = [](float pTension, float pContinuity, float pBias) {
        KFCurve lCurve;
        const float lValues[3] = {0.0f, 10.0f, 30.0f};
        for (int i = 0; i < 3; ++i) {
            KFCurveKey lKey;
            i == 1 ? lKey.SetTCB(Sec(i), lValues[i], pTension, pContinuity, pBias)
                   : lKey.SetTCB(Sec(i), lValues[i]);
            lCurve.KeyAdd(Sec(i), lKey);
        }
        return lCurve;
    };
    // Segment slopes 10 and 20; key 0 leaves at 10 (the missing side copies the other).
    const KFCurve lPlain = lMake(0, 0, 0);
    EXPECT_DOUBLE_EQ(lPlain.GetKeyRightDerivative(0), 10.0);
    EXPECT_DOUBLE_EQ(lPlain.GetKeyLeftDerivative(1), 15.0);
    ExpectValues(lPlain, {{0.5, 1.25 + 5.0 - 1.875}});
    // Tension 1 stops the curve at the key.
    const KFCurve lTense = lMake(1, 0, 0);
    EXPECT_DOUBLE_EQ(lTense.GetKeyLeftDerivative(1), 0.0);
    ExpectValues(lTense, {{0.5, 6.25}});
    // Continuity 1: arriving (0 * 10 + 2 * 20) / 2 = 20, leaving (2 * 10 + 0) / 2 = 10.
    const KFCurve lCorner = lMake(0, 1, 0);
    EXPECT_DOUBLE_EQ(lCorner.GetKeyLeftDerivative(1), 20.0);
    EXPECT_DOUBLE_EQ(lCorner.GetKeyRightDerivative(1), 10.0);
    ExpectValues(lCorner, {{0.5, 1.25 + 5.0 - 2.5}});
    // Bias 1 takes the slope before the key on both sides; bias -1 the slope after it.
    EXPECT_DOUBLE_EQ(lMake(0, 0, 1).GetKeyLeftDerivative(1), 10.0);
    EXPECT_DOUBLE_EQ(lMake(0, 0, 1).GetKeyRightDerivative(1), 10.0);
    EXPECT_DOUBLE_EQ(lMake(0, 0, -1).GetKeyLeftDerivative(1), 20.0);
    // TCB keys take neither derivatives nor auto values.
    KFCurve lRefusing = lMake(0, 0, 0);
    EXPECT_FALSE(lRefusing.SetKeyLeftDerivative(1, 3.0) || lRefusing.SetKeyRightAuto(1, 3.0));
}

// The weighted segment is a Bezier curve in (time, value): for each time its parameter is found
// here by plain bisection, independently of the curve's own solver.
TEST(KFCurveEvaluateTest, WeightedTangentsAreBezierSolvedForTime)
{
    KFCurve lCurve =
        MakeCurve({MakeKey(0, 1.0f, kCubic, kUser, 0.5f, -1.5f), MakeKey(2, 3.0f, kCubic, kUser)});
    const double lFlat = lCurve.Evaluate(Sec(0.5));
    // Weights of 1/3 give the Hermite segment.
    EXPECT_TRUE(lCurve.SetKeyRightWeight(0, 1.0 / 3.0) && lCurve.SetKeyLeftWeight(1, 1.0 / 3.0));
    EXPECT_EQ(lCurve.GetKey(0)->GetWeightMode(), KFCurveKey::kWeightedMask);
    EXPECT_NEAR(lCurve.Evaluate(Sec(0.5)), lFlat, 1e-9);

    for (const auto& lWeights : {std::pair<double, double>{2.0 / 3.0, 2.0 / 3.0},
                                 {0.99, 0.99},
                                 {0.0001, 0.6},
                                 {0.9, 0.05}}) {
        ASSERT_TRUE(lCurve.SetKeyRightWeight(0, lWeights.first));
        ASSERT_TRUE(lCurve.SetKeyLeftWeight(1, lWeights.second));
        const double lW0 = lCurve.GetKeyRightWeight(0);
        const double lW1 = lCurve.GetKeyLeftWeight(1);
        // Control values 1, 1 + 0.5 w0 2, 3 + 1.5 w1 2, 3 at normalised times 0, w0, 1 - w1, 1.
        const double lP1 = 1.0 + 0.5 * lW0 * 2.0;
        const double lP2 = 3.0 + 1.5 * lW1 * 2.0;
        for (int i = 1; i < 16; ++i) {
            const double lS = i / 16.0;
            double lLow = 0.0;
            double lHigh = 1.0;
            for (int lStep = 0; lStep < 60; ++lStep) {
                const double lU = 0.5 * (lLow + lHigh);
                const double lR = 1.0 - lU;
                const double lX =
                    3 * lR * lR * lU * lW0 + 3 * lR * lU * lU * (1 - lW1) + lU * lU * lU;
                (lX < lS ? lLow : lHigh) = lU;
            }
            const double lU = 0.5 * (lLow + lHigh);
            const double lR = 1.0 - lU;
            const double lExpected =
                lR * lR * lR + 3 * lR * lR * lU * lP1 + 3 * lR * lU * lU * lP2 + 3 * lU * lU * lU;
            EXPECT_NEAR(lCurve.Evaluate(Sec(2.0 * lS)), lExpected, 1e-9)
                << lW0 << " " << lW1 << " at " << lS;
        }
    }
    EXPECT_NEAR(lCurve.GetKeyRightWeight(0), 0.9, 1e-4);
    EXPECT_TRUE(lCurve.SetKeyRightWeight(0, 0.0));
    EXPECT_NEAR(lCurve.GetKeyRightWeight(0), 1.0 / 9999.0, 1e-9);

    // Weight rules: not on the last key, not on a non-cubic key, not for a left side of key 0.
    EXPECT_FALSE(lCurve.SetKeyRightWeight(1, 0.5) || lCurve.SetKeyLeftWeight(0, 0.5));
    EXPECT_FALSE(lCurve.SetKeyRightWeight(0, std::numeric_limits<double>::quiet_NaN()));
    lCurve.KeySetInterpolation(0, kLinear);
    EXPECT_FALSE(lCurve.SetKeyLeftWeight(1, 0.5));
    EXPECT_DOUBLE_EQ(KFCurve().GetKeyRightWeight(0), KFCurveKey::kDefaultWeight);
}

TEST(KFCurveEvaluateTest, Extrapolation)
{
    constexpr int kHold = KFCurve::kExtrapolationConstant;
    constexpr int kRepeat = KFCurve::kExtrapolationRepetition;
    constexpr int kMirror = KFCurve::kExtrapolationMirrorRepetition;
    constexpr int kSlope = KFCurve::kExtrapolationKeepSlope;
    constexpr int kAll = KFCurve::kUnlimitedRepetitions;
    // Keys (0 s, 0) and (1 s, 10), linear.
    const struct
    {
        int mKind;
        int mCount;
        double mAt;
        double mExpected;
    } kCases[] = {
        {kHold, kAll, -1, 0},        {kHold, kAll, 5, 10},        {kRepeat, kAll, 1.5, 5},
        {kRepeat, kAll, 2.25, 2.5},  {kRepeat, kAll, 3, 10},      {kRepeat, kAll, -0.25, 7.5},
        {kRepeat, kAll, -1, 0},      {kMirror, kAll, 1.25, 7.5},  {kMirror, kAll, 2.25, 2.5},
        {kMirror, kAll, -0.25, 2.5}, {kMirror, kAll, -1.25, 7.5}, {kMirror, 1, 1.25, 7.5},
        {kMirror, 1, 7.5, 0},        {kMirror, 1, -7.5, 10},      {kRepeat, 1, 7.5, 10},
        {kRepeat, 2, -7.5, 0},       {kRepeat, 0, 1.5, 10},       {kMirror, 0, -1.5, 0},
        {kSlope, kAll, 3, 30},       {kSlope, kAll, -1, -10},
    };
    KFCurve lCurve = MakeCurve({MakeKey(0, 0.0f, kLinear, 0), MakeKey(1, 10.0f, kLinear, 0)});
    for (const auto& lCase : kCases) {
        ASSERT_TRUE(lCurve.SetPreExtrapolation(lCase.mKind));
        ASSERT_TRUE(lCurve.SetPostExtrapolation(lCase.mKind));
        lCurve.SetPreExtrapolationCount(lCase.mCount);
        lCurve.SetPostExtrapolationCount(lCase.mCount);
        EXPECT_NEAR(lCurve.Evaluate(Sec(lCase.mAt)), lCase.mExpected, 1e-12)
            << lCase.mKind << " " << lCase.mCount << " at " << lCase.mAt;
    }
    EXPECT_FALSE(lCurve.SetPreExtrapolation(0) || lCurve.SetPostExtrapolation(5));

    // The far ends of time neither overflow nor stall.
    lCurve.SetPostExtrapolation(kRepeat);
    lCurve.SetPreExtrapolation(kMirror);
    lCurve.SetPostExtrapolationCount(kAll);
    lCurve.SetPreExtrapolationCount(kAll);
    for (const KTime lTime : {KTime::kInfinity, KTime::kMinusInfinity}) {
        const double lFar = lCurve.Evaluate(lTime);
        EXPECT_TRUE(lFar >= 0.0 && lFar <= 10.0);
    }
    // One key holds its value whatever the kind.
    KFCurve lSingle;
    lSingle.KeyAdd(Sec(1), 4.0f);
    lSingle.SetPreExtrapolation(kSlope);
    lSingle.SetPostExtrapolation(kRepeat);
    ExpectValues(lSingle, {{-3, 4}, {9, 4}});
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
    for (double lTime : {-3.0, 0.0, 0.1, 0.7, 0.75, 3.0, 24.5, 30.0, 2.0, 1.0, 10.25, 10.5}) {
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
    std::vector<KFCurveEvent> lEvents;
    KFCurve lCurve;
    ASSERT_TRUE(lCurve.AddCallback(Record, &lEvents));
    EXPECT_FALSE(lCurve.AddCallback(Record, &lEvents));
    EXPECT_FALSE(lCurve.AddCallback(nullptr, &lEvents));

    lCurve.KeyAdd(Sec(0), 1.0f);
    ASSERT_EQ(lEvents.size(), 1u);
    EXPECT_EQ(lEvents[0].mFlags, KFCurveEvent::kValueChanged);
    EXPECT_EQ(lEvents[0].mFirstKeyIndex, 0);

    lCurve.BeginKeyModify();
    lCurve.BeginKeyModify();
    lCurve.KeyAdd(Sec(1), 2.0f);
    lCurve.KeyAdd(Sec(2), 3.0f);
    lCurve.EndKeyModify();
    lCurve.KeySetValue(0, 5.0f);
    EXPECT_EQ(lEvents.size(), 1u);
    lCurve.EndKeyModify();
    ASSERT_EQ(lEvents.size(), 2u);
    EXPECT_EQ(lEvents[1].mFirstKeyIndex, 0);
    EXPECT_EQ(lEvents[1].mLastKeyIndex, 2);
    lCurve.EndKeyModify();
    EXPECT_EQ(lEvents.size(), 2u);

    lCurve.BeginKeySet(10);
    for (int i = 0; i < 10; ++i) {
        lCurve.GetKey(i)->Set(Sec(i), 1.0f);
    }
    lCurve.EndKeySet(10);
    ASSERT_EQ(lEvents.size(), 3u);
    // A batch that set keys by index names every key.
    EXPECT_EQ(lEvents[2].mFirstKeyIndex, 0);
    EXPECT_EQ(lEvents[2].mLastKeyIndex, 9);

    lCurve.EnableEvents(false);
    lCurve.SetDefaultValue(2.0f);
    lCurve.KeyAdd(Sec(20), 1.0f);
    EXPECT_EQ(lEvents.size(), 3u);
    EXPECT_EQ(lCurve.GetPendingEvent().mFlags, KFCurveEvent::kValueChanged);
    EXPECT_EQ(lCurve.GetPendingEvent().mKeyCount, 1);
    lCurve.EnableEvents(true);
    EXPECT_EQ(lEvents.size(), 4u);
    EXPECT_EQ(lCurve.GetPendingEvent().mFlags, 0);

    lCurve.EnableEvents(false);
    lCurve.SetDefaultValue(3.0f);
    lCurve.ClearPendingEvent();
    EXPECT_EQ(lCurve.GetPendingEvent().mFirstKeyIndex, -1);
    lCurve.EnableEvents(true);
    EXPECT_EQ(lEvents.size(), 4u);
    lCurve.RemoveCallback(Record, &lEvents);

    // The destructor sends kDestroyed even with events off.
    std::vector<KFCurveEvent> lLast;
    {
        KFCurve lDying;
        lDying.AddCallback(Record, &lLast);
        lDying.EnableEvents(false);
    }
    ASSERT_EQ(lLast.size(), 1u);
    EXPECT_EQ(lLast[0].mFlags, KFCurveEvent::kDestroyed);
}

namespace {

struct Dispatch
{
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
    pCurve->RemoveCallback(LogCall, static_cast<Dispatch*>(pData)->mVictim);
}

void ChangeCurve(KFCurve* pCurve, KFCurveEvent* pEvent, void* pData)
{
    LogCall(pCurve, pEvent, pData);
    pCurve->SetDefaultValue(static_cast<float>(pCurve->GetDefaultValue() + 1.0));
}

} // namespace

TEST(KFCurveEventTest, ChangesWaitingWithoutCallbacksReachALaterCallback)
{
    std::vector<KFCurveEvent> lEvents;
    KFCurve lCurve;
    // Sent at once to nobody: nothing stays pending.
    lCurve.KeyAdd(Sec(0), 1.0f);
    EXPECT_EQ(lCurve.GetPendingEvent().mFlags, 0);
    EXPECT_EQ(lCurve.GetPendingEvent().mKeyCount, 0);

    lCurve.EnableEvents(false);
    lCurve.KeyAdd(Sec(3), 2.0f);
    lCurve.KeyAdd(Sec(1), 2.0f);
    ASSERT_TRUE(lCurve.AddCallback(Record, &lEvents));
    EXPECT_TRUE(lCurve.RemoveCallback(Record, &lEvents));
    ASSERT_TRUE(lCurve.AddCallback(Record, &lEvents));
    EXPECT_EQ(lCurve.GetPendingEvent().mKeyCount, 2);
    lCurve.EnableEvents(true);
    ASSERT_EQ(lEvents.size(), 1u);
    EXPECT_EQ(lEvents[0].mFirstKeyIndex, 1);
    EXPECT_EQ(lEvents[0].mLastKeyIndex, 1);
    EXPECT_EQ(lEvents[0].mKeyCount, 2);

    // With its last callback gone the curve still holds a batch's changes for the next one.
    EXPECT_TRUE(lCurve.RemoveCallback(Record, &lEvents));
    EXPECT_EQ(lCurve.GetCallbackCount(), 0);
    lCurve.BeginKeyModify();
    lCurve.KeySetValue(0, 4.0f);
    ASSERT_TRUE(lCurve.AddCallback(Record, &lEvents));
    lCurve.EndKeyModify();
    ASSERT_EQ(lEvents.size(), 2u);
    // The value change, then the batch's end naming every key.
    EXPECT_EQ(lEvents[1].mFirstKeyIndex, 0);
    EXPECT_EQ(lEvents[1].mLastKeyIndex, 2);
    EXPECT_EQ(lEvents[1].mKeyCount, 2);
}

TEST(KFCurveEventTest, CallbacksMayBeRemovedOrChangeTheCurveDuringDispatch)
{
    std::vector<int> lLog;
    KFCurve lCurve;
    Dispatch lSelf{&lLog, 1};
    Dispatch lVictim{&lLog, 3};
    Dispatch lRemover{&lLog, 2, &lVictim};
    Dispatch lLast{&lLog, 4};
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

    // Changes made by a callback stay pending: no endless chain.
    KFCurve lChanged;
    Dispatch lChanger{&lLog, 7};
    lLog.clear();
    lChanged.AddCallback(ChangeCurve, &lChanger);
    lChanged.SetDefaultValue(1.0f);
    EXPECT_EQ(lLog.size(), 1u);
    EXPECT_EQ(lChanged.GetDefaultValue(), 2.0);
    EXPECT_EQ(lChanged.GetPendingEvent().mFlags, KFCurveEvent::kValueChanged);
    lChanged.RemoveCallback(ChangeCurve, &lChanger);
}

// ---- copies ----

TEST(KFCurveCopyTest, CopiesAreDeepAndNeverTakeCallbacks)
{
    std::vector<KFCurveEvent> lEvents;
    KFCurve lCurve;
    lCurve.AddCallback(Record, &lEvents);
    curvetest::Fill(lCurve, {0, 1, 2, 3});
    lCurve.SetDefaultValue(7.0f);
    lCurve.SetColor(0.5f, 0.25f, 0.0f);
    lCurve.SetPostExtrapolation(KFCurve::kExtrapolationRepetition);
    lCurve.SetPostExtrapolationCount(3);
    lCurve.SetFlags(0x40);
    const std::size_t lSent = lEvents.size();
    const auto lSameFields = [&lCurve](const KFCurve& pCopy) {
        return pCopy.GetDefaultValue() == 7.0 && pCopy.GetColor()[1] == 0.25f &&
               pCopy.GetPostExtrapolation() == KFCurve::kExtrapolationRepetition &&
               pCopy.GetPostExtrapolationCount() == 3 && pCopy.GetFlags() == 0x40 &&
               pCopy.GetCallbackCount() == 0;
    };

    KFCurve* lFull = lCurve.Copy(KTime::kMinusInfinity, KTime::kInfinity);
    EXPECT_TRUE(lSameFields(*lFull));
    EXPECT_EQ(lFull->GetKeyCount(), 4);
    lFull->KeySetValue(0, 100.0f);
    EXPECT_EQ(lCurve.KeyGetValue(0), 0.0f);
    KFCurve::Destroy(lFull);
    KFCurve* lPart = lCurve.Copy(Sec(1), Sec(2));
    EXPECT_EQ(curvetest::Values(*lPart), (std::vector<double>{1, 2}));
    KFCurve::Destroy(lPart);
    KFCurve lCopy(lCurve);
    EXPECT_TRUE(lSameFields(lCopy));
    EXPECT_EQ(lCopy.GetKeyCount(), 4);
    EXPECT_EQ(lEvents.size(), lSent);

    KFCurve lTarget;
    lTarget.KeyAdd(Sec(9), 9.0f);
    lTarget.CopyFrom(lCurve, false);
    EXPECT_TRUE(lSameFields(lTarget));
    EXPECT_EQ(lTarget.GetKeyCount(), 0);
    lTarget.CopyFrom(lCurve, true);
    lTarget.CopyFrom(lTarget, true);
    EXPECT_EQ(lTarget.GetKeyCount(), 4);
    lCurve.RemoveCallback(Record, &lEvents);
}
