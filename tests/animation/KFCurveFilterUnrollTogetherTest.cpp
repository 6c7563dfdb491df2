#include "animation/KEulerUnroll.h"
#include "animation/KFCurve.h"
#include "animation/KFCurveFilterUnroll.h"
#include "tests/support/CurveTestSupport.h"
#include "tests/support/TestSequence.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// The next key of a rotation curve: small steps, wraps, whole and half turns (where the turn
// count is a tie), far jumps and angles far from zero.
double NextAngle(double pPrevious, TestSequence& ioRandom)
{
    const double kHalfTurns[] = {180.0, -180.0, 540.0, -540.0, 900.0, 1260.0};
    switch (ioRandom.Next() % 8) {
    case 0:
        return pPrevious + kHalfTurns[ioRandom.Next() % 6];
    case 1:
        return pPrevious + ioRandom.Between(-2000.0, 2000.0);
    case 2:
        return ioRandom.Between(-180.0, 180.0);
    case 3:
        return ioRandom.Between(-1e6, 1e6);
    case 4:
        return pPrevious + std::floor(ioRandom.Between(-4.0, 4.0)) * 360.0 +
               ioRandom.Between(-1e-3, 1e-3);
    default:
        return pPrevious + ioRandom.Between(-15.0, 15.0) +
               (ioRandom.Unit() < 0.3 ? (ioRandom.Unit() < 0.5 ? 360.0 : -360.0) : 0.0);
    }
}

// The filter's result worked out key by key as its definition says: each key moved by whole
// turns nearest the key before it as stored.
std::vector<float> Unrolled(const std::vector<float>& pValues)
{
    std::vector<float> lResult = pValues;
    for (std::size_t i = 1; i < lResult.size(); ++i) {
        const double lWrapped = KEulerUnroll::WrapNear(lResult[i], lResult[i - 1]);
        if (lWrapped != lResult[i]) {
            lResult[i] = static_cast<float>(lWrapped);
        }
    }
    return lResult;
}

// Three curves at the same key times, turning, wrapping and jumping in every way: unrolled
// together they hold, bit for bit, what each curve unrolled key by key holds.
TEST(KFCurveFilterUnrollTogether, IsTheKeyByKeyDefinitionToTheBit)
{
    TestSequence lRandom(59);
    constexpr int kTriples = 300;
    constexpr int kKeys = 300;
    long lMoved = 0;
    for (int t = 0; t < kTriples; ++t) {
        KFCurve lCurves[3];
        std::vector<float> lValues[3];
        for (int c = 0; c < 3; ++c) {
            double lAngle = lRandom.Between(-180.0, 180.0);
            for (int k = 0; k < kKeys; ++k) {
                lValues[c].push_back(static_cast<float>(lAngle));
                lAngle = NextAngle(lValues[c].back(), lRandom);
            }
            std::vector<double> lDoubles(lValues[c].begin(), lValues[c].end());
            curvetest::Fill(lCurves[c], lDoubles);
        }
        KFCurve* lArray[3] = {&lCurves[0], &lCurves[1], &lCurves[2]};
        ASSERT_TRUE(KFCurveFilterUnroll().Apply(lArray, 3));
        for (int c = 0; c < 3; ++c) {
            const std::vector<float> lExpected = Unrolled(lValues[c]);
            ASSERT_EQ(lCurves[c].GetKeyCount(), kKeys);
            for (int k = 0; k < kKeys; ++k) {
                const float lValue = lCurves[c].KeyGetValue(k);
                ASSERT_EQ(std::memcmp(&lValue, &lExpected[k], sizeof lValue), 0)
                    << "curve " << c << " key " << k << ": " << lValue << " " << lExpected[k];
                lMoved += lExpected[k] != lValues[c][k] ? 1 : 0;
            }
        }
    }
    // Most keys of curves that keep turning move.
    EXPECT_GT(lMoved, kTriples * kKeys);
}

} // namespace
