#include "formats/motion/KMotionAngles.h"
#include "formats/motion/KMotionAngleLanes.h"
#include "tests/support/TestSequence.h"

#include <gtest/gtest.h>
#include <sleef.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

// The bits of a value; every NaN alike, since the lane widths set different payloads.
std::uint64_t BitsOf(double pValue)
{
    if (std::isnan(pValue)) {
        return ~std::uint64_t(0);
    }
    std::uint64_t lBits;
    std::memcpy(&lBits, &pValue, sizeof lBits);
    return lBits;
}

// Angles of every kind a motion file holds, and the edges: signed zeros, whole and quarter
// turns, tiny and huge values, infinities and NaN.
std::vector<double> Arguments(double pRange)
{
    const double lInfinity = std::numeric_limits<double>::infinity();
    std::vector<double> lValues = {0.0,       -0.0,       90.0,   -90.0,    180.0,       360.0,
                                   1e-300,    -1.0,       1.0,    0.999999, 1e6,         -1e12,
                                   lInfinity, -lInfinity, 5e-324, 1e300,    std::nan("")};
    TestSequence lRandom(47);
    for (int i = 0; i < 4000; ++i) {
        lValues.push_back(i % 9 == 0 ? std::floor(lRandom.Between(-8, 8)) * 45.0
                                     : lRandom.Between(-pRange, pRange));
    }
    return lValues;
}

// Every lane width this build and processor run (the portable one lane on every build) gives the
// bits of the library's scalar forms, for every count (the tails of a block included).
TEST(KMotionAngles, LanesGiveTheScalarBits)
{
    const std::vector<double> lDegrees = Arguments(720.0);
    const std::vector<double> lRatios = Arguments(1.5);
    const int lCount = static_cast<int>(lDegrees.size());
    for (const KMotionAngleLanes* lLanes : KMotionAngleLanes::Available()) {
        for (const int lTaken : {1, 2, 3, 5, 7, lCount}) {
            std::vector<double> lSine(lTaken), lCosine(lTaken), lAtan(lTaken), lAsin(lTaken);
            lLanes->mSinCos(lTaken, lDegrees.data(), lSine.data(), lCosine.data());
            lLanes->mAtan2(lTaken, lRatios.data(), lDegrees.data(), lAtan.data());
            lLanes->mAsin(lTaken, lRatios.data(), lAsin.data());
            for (int i = 0; i < lTaken; ++i) {
                const Sleef_double_2 lScalar =
                    Sleef_cinz_sincosd1_u10purec(lDegrees[i] * (kPi / 180.0));
                ASSERT_EQ(BitsOf(lSine[i]), BitsOf(lScalar.x)) << lDegrees[i];
                ASSERT_EQ(BitsOf(lCosine[i]), BitsOf(lScalar.y)) << lDegrees[i];
                ASSERT_EQ(
                    BitsOf(lAtan[i]),
                    BitsOf(Sleef_cinz_atan2d1_u10purec(lRatios[i], lDegrees[i]) * (180.0 / kPi)))
                    << lRatios[i] << " " << lDegrees[i];
                ASSERT_EQ(BitsOf(lAsin[i]),
                          BitsOf(Sleef_cinz_asind1_u10purec(lRatios[i]) * (180.0 / kPi)))
                    << lRatios[i];
            }
        }
    }
}

// One value has the bits it has in a block.
TEST(KMotionAngles, OneValueHasItsBitsInABlock)
{
    const std::vector<double> lDegrees = Arguments(400.0);
    const int lCount = static_cast<int>(lDegrees.size());
    std::vector<double> lSine(lCount), lCosine(lCount), lAtan(lCount), lAsin(lCount);
    std::vector<double> lRatios(lDegrees);
    for (double& lRatio : lRatios) {
        lRatio /= 400.0;
    }
    KMotionAngles::SinCos(lCount, lDegrees.data(), lSine.data(), lCosine.data());
    KMotionAngles::Atan2(lCount, lRatios.data(), lDegrees.data(), lAtan.data());
    KMotionAngles::Asin(lCount, lRatios.data(), lAsin.data());
    for (int i = 0; i < lCount; ++i) {
        double lOneSine = 0.0;
        double lOneCosine = 0.0;
        KMotionAngles::SinCos(lDegrees[i], lOneSine, lOneCosine);
        EXPECT_EQ(BitsOf(lOneSine), BitsOf(lSine[i]));
        EXPECT_EQ(BitsOf(lOneCosine), BitsOf(lCosine[i]));
        EXPECT_EQ(BitsOf(KMotionAngles::Atan2(lRatios[i], lDegrees[i])), BitsOf(lAtan[i]));
        EXPECT_EQ(BitsOf(KMotionAngles::Asin(lRatios[i])), BitsOf(lAsin[i]));
    }
}

// Values worked out by hand, in degrees, within a few ulps.
TEST(KMotionAngles, GivesTheTextbookValues)
{
    struct Case
    {
        double mDegrees, mSine, mCosine;
    };
    const Case lCases[] = {{30.0, 0.5, std::sqrt(3.0) / 2.0},
                           {-45.0, -std::sqrt(0.5), std::sqrt(0.5)},
                           {90.0, 1.0, 0.0},
                           {180.0, 0.0, -1.0},
                           {-270.0, 1.0, 0.0}};
    for (const Case& lCase : lCases) {
        double lSine = 0.0;
        double lCosine = 0.0;
        KMotionAngles::SinCos(lCase.mDegrees, lSine, lCosine);
        EXPECT_NEAR(lSine, lCase.mSine, 1e-15) << lCase.mDegrees;
        EXPECT_NEAR(lCosine, lCase.mCosine, 1e-15) << lCase.mDegrees;
    }
    EXPECT_NEAR(KMotionAngles::Atan2(1.0, 1.0), 45.0, 1e-13);
    EXPECT_NEAR(KMotionAngles::Atan2(1.0, -std::sqrt(3.0)), 150.0, 1e-13);
    EXPECT_NEAR(KMotionAngles::Atan2(-1.0, 0.0), -90.0, 1e-13);
    EXPECT_EQ(BitsOf(KMotionAngles::Atan2(-0.0, 1.0)), BitsOf(-0.0));
    EXPECT_NEAR(KMotionAngles::Asin(0.5), 30.0, 1e-13);
    EXPECT_NEAR(KMotionAngles::Asin(-1.0), -90.0, 1e-13);
    EXPECT_TRUE(std::isnan(KMotionAngles::Asin(1.5)));
}

} // namespace
