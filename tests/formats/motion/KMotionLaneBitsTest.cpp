#include "formats/motion/KMotionLaneBits.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

bool SameBits(double pA, double pB)
{
    return std::memcmp(&pA, &pB, sizeof pA) == 0;
}

// Truncation toward zero as a double and as an integer, worked by hand: halves either way (the
// shift rounds them to even first), values just below a whole number, zeros of both signs, and
// magnitudes next to the largest the shift takes.
TEST(KMotionLaneBits, TruncateGoesTowardZeroAndGivesTheWholeNumber)
{
    struct Case
    {
        double mValue;
        double mTruncated;
        std::int64_t mWhole;
    };
    const double kBig = 1125899906842623.0; // 2^50 - 1
    const Case kCases[] = {
        {2.5, 2.0, 2},
        {3.5, 3.0, 3},
        {-2.5, -2.0, -2},
        {-3.5, -3.0, -3},
        {0.9999999999999999, 0.0, 0},
        {-0.7, 0.0, 0},
        {-0.0, 0.0, 0},
        {16.499999999999996, 16.0, 16},
        {999999999.5, 999999999.0, 999999999},
        {kBig + 0.5, kBig, 1125899906842623},
        {-kBig - 0.5, -kBig, -1125899906842623},
    };
    // Each case in the first lane, the next in the second.
    const std::size_t lCount = sizeof kCases / sizeof kCases[0];
    for (std::size_t c = 0; c < lCount; ++c) {
        const Case& lFirst = kCases[c];
        const Case& lSecond = kCases[(c + 1) % lCount];
        KMotionLaneMask lWhole;
        const KMotionLanes lTruncated =
            KMotionLaneBits::Truncate(KMotionLanes{lFirst.mValue, lSecond.mValue}, lWhole);
        EXPECT_TRUE(SameBits(lTruncated[0], lFirst.mTruncated)) << lFirst.mValue;
        EXPECT_TRUE(SameBits(lTruncated[1], lSecond.mTruncated)) << lSecond.mValue;
        EXPECT_EQ(static_cast<std::int64_t>(lWhole[0]), lFirst.mWhole) << lFirst.mValue;
        EXPECT_EQ(static_cast<std::int64_t>(lWhole[1]), lSecond.mWhole) << lSecond.mValue;
    }
}

// The bit helpers against the scalar operations they stand for, on signed zeros, infinities and
// a quiet NaN: select, magnitude, sign copy and flip, the sign test of integers.
TEST(KMotionLaneBits, BitHelpersAreTheScalarOperations)
{
    const double kValues[] = {0.0, -0.0, 1.5, -2.25, HUGE_VAL, -HUGE_VAL, 1e-310, std::nan("")};
    for (const double lA : kValues) {
        for (const double lB : kValues) {
            const KMotionLanes lLanes = {lA, lB};
            const KMotionLaneMask lFirstOnly = {~std::uint64_t{0}, 0};
            const KMotionLanes lSelected =
                KMotionLaneBits::Select(lFirstOnly, lLanes, KMotionLanes{lB, lA});
            EXPECT_TRUE(SameBits(lSelected[0], lA) && SameBits(lSelected[1], lA));
            EXPECT_TRUE(SameBits(KMotionLaneBits::Abs(lLanes)[1], std::fabs(lB)));
            EXPECT_TRUE(SameBits(KMotionLaneBits::CopySign(lLanes, KMotionLanes{lB, lA})[0],
                                 std::copysign(lA, lB)));
            const KMotionLaneMask lFlipSecond = {0, KMotionLaneBits::kSignBit};
            const KMotionLanes lFlipped = KMotionLaneBits::FlipSign(lLanes, lFlipSecond);
            EXPECT_TRUE(SameBits(lFlipped[0], lA) && SameBits(lFlipped[1], -lB));
        }
    }
    const KMotionLaneMask lIntegers = {static_cast<std::uint64_t>(-5), 7};
    const KMotionLaneMask lNotNegative = KMotionLaneBits::NotNegative(lIntegers);
    EXPECT_EQ(lNotNegative[0], 0u);
    EXPECT_EQ(lNotNegative[1], ~std::uint64_t{0});
    const KMotionLaneMask lSigns = KMotionLaneBits::BitToSign(KMotionLaneMask{2, 5}, 1);
    EXPECT_EQ(lSigns[0] & KMotionLaneBits::kSignBit, KMotionLaneBits::kSignBit);
    EXPECT_EQ(lSigns[1] & KMotionLaneBits::kSignBit, 0u);
}

} // namespace
