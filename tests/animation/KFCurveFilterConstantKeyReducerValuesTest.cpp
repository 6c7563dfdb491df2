// The constant key reducer removes only keys that carry no information: the reduced curve gives
// the value of the original at every frame and between frames, with the default settings on
// curves as motion files give them, and within the tolerance a caller sets on curves of every
// key kind.
#include "animation/KFCurve.h"
#include "animation/KFCurveFilterConstantKeyReducer.h"
#include "tests/support/CurveTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace {

using curvetest::Fill;
using curvetest::Sec;
using Doubles = std::vector<double>;

constexpr double kFrame = 1.0 / 30.0;

// The greatest difference between two curves over [pFrom, pTo] seconds, in steps of a tenth
// of a frame (frames included).
double LargestDifference(const KFCurve& pA, const KFCurve& pB, double pFrom, double pTo)
{
    double lLargest = 0.0;
    for (int i = 0; pFrom + i * kFrame / 10.0 <= pTo; ++i) {
        const KTime lTime = Sec(pFrom + i * kFrame / 10.0);
        lLargest = std::max(lLargest, std::fabs(pA.Evaluate(lTime) - pB.Evaluate(lTime)));
    }
    return lLargest;
}

float Above(float pValue)
{
    return std::nextafter(pValue, std::numeric_limits<float>::infinity());
}

} // namespace

// Curves as readers make them (a cubic key with auto tangents per frame): flat runs with noise
// around zero, runs at the start and the end, alternating values, neighbours one float step
// apart. With the default settings every frame keeps its value and the flat runs stay flat.
TEST(KFCurveFilterConstantKeyReducerValues, DefaultKeepsEveryFrameOfGeneratedCurves)
{
    const struct
    {
        Doubles mValues;
        int mKeysLeft;
    } kCases[] = {
        // A joint that turns away and back with a few noisy frames at rest in between.
        {{100, 100, 0, 2e-5, 1e-5, 2e-5, 1e-5, 100, 100}, 7},
        {{0, 0, 1e-5, -1e-5, 0, 0, 0, 3e-7, -3e-7, 0, 0}, 8},
        {{5, 5, 5, 5, 1, 2, 5, 5, 5}, 4},
        {{1, 2, 1, 2, 1, 2, 1}, 7},
        {{1, 1, 2, 2, 1, 1, 2, 2}, 6},
        {{0, 0, 0, 7, 7, 7, 7, 7, -3, -3, -3}, 4},
        {{4, 4, 4, 4}, 1},
        {{1, Above(1.0f), 1, 1, 1, Above(1.0f), Above(1.0f)}, 5},
        {{1e6, 1e6, 1e6 + 0.0625, 1e6 + 0.0625, 1e6}, 4},
    };
    for (const auto& lCase : kCases) {
        KFCurve lCurve;
        Fill(lCurve, lCase.mValues, kFrame);
        const KFCurve lOriginal(lCurve);
        KFCurveFilterConstantKeyReducer lFilter;
        ASSERT_TRUE(lFilter.Apply(lCurve));
        EXPECT_EQ(lCurve.GetKeyCount(), lCase.mKeysLeft) << lCase.mValues[2];
        for (std::size_t i = 0; i < lCase.mValues.size(); ++i) {
            const KTime lTime = Sec(static_cast<double>(i) * kFrame);
            EXPECT_EQ(static_cast<float>(lCurve.Evaluate(lTime)),
                      static_cast<float>(lCase.mValues[i]))
                << "frame " << i << " of the case starting " << lCase.mValues[0];
        }
        const double lEnd = static_cast<double>(lCase.mValues.size()) * kFrame;
        EXPECT_LE(LargestDifference(lCurve, lOriginal, -1.0, lEnd + 1.0),
                  1e-12 * (1.0 + std::fabs(lCase.mValues[0])))
            << lCase.mValues[0];
    }
}

// With a tolerance a caller sets, keys within it of a flat run go, and the kept keys at the run's
// ends run flat into it while keeping their slopes on the other side: the 9-frame joint moves by
// at most the tolerance, not by the 3.75 to 11.25 degrees auto tangents recomputed from the new
// neighbours would give.
TEST(KFCurveFilterConstantKeyReducerValues, RunsWithinAToleranceStayFlat)
{
    const Doubles kJoint = {100, 100, 0, 2e-5, 1e-5, 2e-5, 1e-5, 100, 100};
    KFCurve lCurve;
    Fill(lCurve, kJoint, kFrame);
    const KFCurve lOriginal(lCurve);
    KFCurveFilterConstantKeyReducer lFilter;
    ASSERT_TRUE(lFilter.SetTolerance(1e-4));
    ASSERT_TRUE(lFilter.Apply(lCurve));
    EXPECT_EQ(lCurve.GetKeyCount(), 4);
    for (std::size_t i = 0; i < kJoint.size(); ++i) {
        EXPECT_NEAR(lCurve.Evaluate(Sec(static_cast<double>(i) * kFrame)), kJoint[i], 1e-4) << i;
    }
    EXPECT_LE(LargestDifference(lCurve, lOriginal, -1.0, 10 * kFrame), 1e-4);
}

// Random curves of every interpolation and tangent kind (auto with auto values, user, break, TCB,
// constant keys of both modes) with values in flat runs that wander within the tolerance: the
// reduced curve stays within a few tolerances of the original everywhere.
TEST(KFCurveFilterConstantKeyReducerValues, EveryKeyKindStaysWithinTheTolerance)
{
    constexpr double kTolerance = 1e-4;
    const double kLevels[] = {0.0, 3e-5, 6e-5, 2.0, 5.0};
    std::mt19937 lRandom(45);
    const auto lPick = [&lRandom](int pCount) {
        return static_cast<int>(lRandom() % static_cast<unsigned>(pCount));
    };
    int lReduced = 0;
    for (int lRun = 0; lRun < 2000; ++lRun) {
        KFCurve lCurve;
        const int lCount = 2 + lPick(12);
        for (int k = 0; k < lCount; ++k) {
            const float lValue = static_cast<float>(kLevels[lPick(lPick(2) == 0 ? 3 : 5)]);
            const int lIndex = lCurve.KeyAdd(Sec(k * kFrame), lValue);
            KFCurveKey* lKey = lCurve.GetKey(lIndex);
            switch (lPick(7)) {
            case 0:
                lKey->SetTCB(lKey->GetTime(), lValue, 0.5f * static_cast<float>(lPick(3) - 1),
                             0.5f * static_cast<float>(lPick(3) - 1),
                             0.5f * static_cast<float>(lPick(3) - 1));
                break;
            case 1:
                lKey->SetInterpolation(KFCurveKey::kInterpolationConstant);
                lKey->SetConstantMode(lPick(2) == 0 ? KFCurveKey::kConstantStandard
                                                    : KFCurveKey::kConstantNext);
                break;
            case 2:
                lKey->SetInterpolation(KFCurveKey::kInterpolationLinear);
                break;
            case 3:
                lKey->SetTangentMode(KFCurveKey::kTangentUser);
                break;
            case 4:
                lKey->SetTangentMode(KFCurveKey::kTangentBreak);
                lKey->SetDataFloat(KFCurveKey::kDataNextLeftDerivative, 0.0f);
                break;
            case 5:
                lKey->SetDataFloat(KFCurveKey::kDataRightDerivative, 30.0f);
                break;
            default:
                break;
            }
        }
        const KFCurve lOriginal(lCurve);
        KFCurveFilterConstantKeyReducer lFilter;
        ASSERT_TRUE(lFilter.SetTolerance(kTolerance));
        lFilter.SetKeepFirstAndLastKeys(lPick(2) == 0);
        ASSERT_TRUE(lFilter.Apply(lCurve));
        lReduced += lCurve.GetKeyCount() < lOriginal.GetKeyCount() ? 1 : 0;
        ASSERT_LE(LargestDifference(lCurve, lOriginal, -0.5, lCount * kFrame + 0.5),
                  3.0 * kTolerance)
            << "run " << lRun;
    }
    EXPECT_GT(lReduced, 500);
}
