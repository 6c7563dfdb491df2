#include "formats/motion/KMotionQuickTrig.h"
#include "tests/support/TestSequence.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

// The bounds the quick channel angles rely on, against the extended-precision library: arc
// tangents in every quadrant, of tiny and huge ratios and at the table's points, and the sines
// and cosines of small, whole-turn and unrolled angles, with room for the reference's own error.
TEST(KMotionQuickTrig, StaysWithinItsBounds)
{
    if (sizeof(long double) <= sizeof(double)) {
        GTEST_SKIP() << "no wider floating type to compare with";
    }
    TestSequence lRandom(17);
    long double lWorstAtan = 0.0L;
    long double lWorstSinCos = 0.0L;
    for (int i = 0; i < 200000; ++i) {
        const double lScale = std::pow(10.0, std::floor(lRandom.Between(-6, 6)));
        double lY = lRandom.Between(-1, 1) * (i % 5 == 0 ? lScale : 1.0);
        double lX = lRandom.Between(-1, 1);
        if (i % 7 == 0) {
            lY = std::floor(lRandom.Between(-16, 17)) / 16.0;
            lX = 1.0;
        }
        lWorstAtan = std::fmax(lWorstAtan, std::fabs(KMotionQuickTrig::Atan2(lY, lX) -
                                                     std::atan2(static_cast<long double>(lY),
                                                                static_cast<long double>(lX))));
        const double lRange =
            i % 3 == 0 ? 1.0 : (i % 3 == 1 ? 360.0 : KMotionQuickTrig::kLargestTurn);
        const double lDegrees = i % 11 == 0 ? std::floor(lRandom.Between(-8, 8)) * 90.0
                                            : lRandom.Between(-lRange, lRange);
        const long double lRadians = lDegrees * (3.14159265358979323846 / 180.0);
        double lSine = 0.0;
        double lCosine = 0.0;
        KMotionQuickTrig::SinCos(lDegrees, lSine, lCosine);
        lWorstSinCos = std::fmax(lWorstSinCos, std::fabs(lSine - std::sin(lRadians)));
        lWorstSinCos = std::fmax(lWorstSinCos, std::fabs(lCosine - std::cos(lRadians)));
    }
    EXPECT_LT(lWorstAtan, 2e-15L);
    EXPECT_LT(lWorstSinCos, 6e-16L);
    EXPECT_EQ(std::signbit(KMotionQuickTrig::Atan2(-0.0, 2.0)), true);
    EXPECT_EQ(KMotionQuickTrig::Atan2(0.0, 2.0), 0.0);
}

// The arc sine's bound against the extended-precision library, over the whole range, near its
// ends (where the root is small) and at tiny arguments; it is odd to the bit, and two sets at
// once give each set's bits.
TEST(KMotionQuickTrig, ArcSineStaysWithinItsBound)
{
    if (sizeof(long double) <= sizeof(double)) {
        GTEST_SKIP() << "no wider floating type to compare with";
    }
    TestSequence lRandom(31);
    long double lWorst = 0.0L;
    for (int i = 0; i < 100000; ++i) {
        double lZ[4];
        for (double& lValue : lZ) {
            const double lSign = lRandom.Unit() < 0.5 ? -1.0 : 1.0;
            switch (lRandom.Next() % 3) {
            case 0:
                lValue = lSign * (1.0 - std::pow(10.0, -lRandom.Between(0, 15)));
                break;
            case 1:
                lValue = lSign * std::pow(10.0, -lRandom.Between(0, 300));
                break;
            default:
                lValue = lRandom.Between(-1, 1);
                break;
            }
            lWorst = std::fmax(lWorst, std::fabs(KMotionQuickTrig::Asin(lValue) -
                                                 std::asin(static_cast<long double>(lValue))));
            // Odd to the bit, which the quick Euler angles rely on.
            const double lNegated = -KMotionQuickTrig::Asin(-lValue);
            const double lPlain = KMotionQuickTrig::Asin(lValue);
            ASSERT_EQ(std::memcmp(&lNegated, &lPlain, sizeof lPlain), 0) << lValue;
        }
        const KMotionLanes lSets[2] = {{lZ[0], lZ[1]}, {lZ[2], lZ[3]}};
        KMotionLanes lAngles[2];
        KMotionQuickTrig::Asin(lSets, lAngles);
        for (int h = 0; h < 2; ++h) {
            const KMotionLanes lOne = KMotionQuickTrig::Asin(lSets[h]);
            ASSERT_EQ(std::memcmp(&lOne, &lAngles[h], sizeof lOne), 0) << i;
        }
    }
    EXPECT_LT(lWorst, 2.2e-15L);
    EXPECT_EQ(KMotionQuickTrig::Asin(1.0), std::asin(1.0));
    EXPECT_TRUE(std::signbit(KMotionQuickTrig::Asin(-0.0)));
}

// Two sets of lanes at once (in the wider registers where the processor has them) give each set's
// own bits: every quadrant, both zeros, arguments off the quick way's bounds, whole turns.
TEST(KMotionQuickTrig, TwoSetsAtOnceAreEachSetsOwnBits)
{
    TestSequence lRandom(29);
    const auto lSame = [](KMotionLanes pA, KMotionLanes pB) {
        return std::memcmp(&pA, &pB, sizeof pA) == 0;
    };
    for (int i = 0; i < 20000; ++i) {
        double lValues[12];
        for (double& lValue : lValues) {
            switch (lRandom.Next() % 6) {
            case 0:
                lValue = lRandom.Unit() < 0.5 ? 0.0 : -0.0;
                break;
            case 1:
                lValue = std::floor(lRandom.Between(-8, 8)) * 90.0;
                break;
            case 2:
                lValue = lRandom.Between(-1, 1) * 1e-300;
                break;
            case 3:
                lValue = lRandom.Between(-2e6, 2e6);
                break;
            default:
                lValue = lRandom.Between(-1, 1);
                break;
            }
        }
        const KMotionLanes lY[2] = {{lValues[0], lValues[1]}, {lValues[2], lValues[3]}};
        const KMotionLanes lX[2] = {{lValues[4], lValues[5]}, {lValues[6], lValues[7]}};
        const KMotionLanes lDegrees[2] = {{lValues[8], lValues[9]}, {lValues[10], lValues[11]}};
        KMotionLanes lAngles[2];
        KMotionLanes lSines[2];
        KMotionLanes lCosines[2];
        KMotionQuickTrig::Atan2(lY, lX, lAngles);
        KMotionQuickTrig::SinCos(lDegrees, lSines, lCosines);
        for (int h = 0; h < 2; ++h) {
            KMotionLanes lSine;
            KMotionLanes lCosine;
            KMotionQuickTrig::SinCos(lDegrees[h], lSine, lCosine);
            ASSERT_TRUE(lSame(lAngles[h], KMotionQuickTrig::Atan2(lY[h], lX[h]))) << i;
            ASSERT_TRUE(lSame(lSines[h], lSine) && lSame(lCosines[h], lCosine)) << i;
        }
    }
}

} // namespace
