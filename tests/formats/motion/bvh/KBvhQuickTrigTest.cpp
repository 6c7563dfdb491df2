#include "formats/motion/bvh/KBvhQuickTrig.h"
#include "tests/support/TestSequence.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

namespace {

// The bounds the quick channel angles rely on, against the extended-precision library: arc
// tangents in every quadrant, of tiny and huge ratios and at the table's points, and the sines
// and cosines of small, whole-turn and unrolled angles, with room for the reference's own error.
TEST(KBvhQuickTrig, StaysWithinItsBounds)
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
        lWorstAtan = std::fmax(lWorstAtan, std::fabs(KBvhQuickTrig::Atan2(lY, lX) -
                                                     std::atan2(static_cast<long double>(lY),
                                                                static_cast<long double>(lX))));
        const double lRange = i % 3 == 0 ? 1.0 : (i % 3 == 1 ? 360.0 : KBvhQuickTrig::kLargestTurn);
        const double lDegrees = i % 11 == 0 ? std::floor(lRandom.Between(-8, 8)) * 90.0
                                            : lRandom.Between(-lRange, lRange);
        const long double lRadians = lDegrees * (3.14159265358979323846 / 180.0);
        double lSine = 0.0;
        double lCosine = 0.0;
        KBvhQuickTrig::SinCos(lDegrees, lSine, lCosine);
        lWorstSinCos = std::fmax(lWorstSinCos, std::fabs(lSine - std::sin(lRadians)));
        lWorstSinCos = std::fmax(lWorstSinCos, std::fabs(lCosine - std::cos(lRadians)));
    }
    EXPECT_LT(lWorstAtan, 2e-15L);
    EXPECT_LT(lWorstSinCos, 6e-16L);
    EXPECT_EQ(std::signbit(KBvhQuickTrig::Atan2(-0.0, 2.0)), true);
    EXPECT_EQ(KBvhQuickTrig::Atan2(0.0, 2.0), 0.0);
}

} // namespace
