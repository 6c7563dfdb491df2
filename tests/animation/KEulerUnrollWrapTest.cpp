#include "animation/KEulerUnroll.h"

#include "tests/support/TestSequence.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>

namespace {

std::uint64_t Bits(double pValue)
{
    std::uint64_t lBits = 0;
    std::memcpy(&lBits, &pValue, sizeof lBits);
    return lBits;
}

// The turn by turn definition: within kNoTurnBelow a signed zero is added, beyond it the
// library-rounded count of whole turns, and values that are not finite stay as they are.
double WrapByDefinition(double pAngle, double pReference)
{
    const double lDifference = pReference - pAngle;
    if (std::fabs(lDifference) < KEulerUnroll::kNoTurnBelow) {
        return pAngle + (std::signbit(lDifference) ? -0.0 : 0.0);
    }
    if (!std::isfinite(pAngle) || !std::isfinite(pReference)) {
        return pAngle;
    }
    return pAngle + 360.0 * std::nearbyint((pReference - pAngle) / 360.0);
}

constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(KEulerUnrollWrap, NearestWholeIsTheLibrarysNearbyint)
{
    static const double kValues[] = {0.0,
                                     -0.0,
                                     0.5,
                                     -0.5,
                                     1.5,
                                     -2.5,
                                     0.49999999999999994,
                                     -0.49999999999999994,
                                     4503599627370495.5,
                                     -4503599627370495.5,
                                     4503599627370496.0,
                                     -4503599627370497.0,
                                     1e300,
                                     std::numeric_limits<double>::denorm_min(),
                                     -std::numeric_limits<double>::denorm_min(),
                                     kInf,
                                     -kInf};
    for (const double lValue : kValues) {
        EXPECT_EQ(Bits(KEulerUnroll::NearestWhole(lValue)), Bits(std::nearbyint(lValue))) << lValue;
    }
    EXPECT_TRUE(std::isnan(KEulerUnroll::NearestWhole(std::nan(""))));
    std::mt19937_64 lRandom(9);
    std::uniform_real_distribution<double> lNear(-4.0, 4.0);
    std::uniform_int_distribution<int> lHalves(-64, 64);
    for (int i = 0; i < 1000000; ++i) {
        const double lValue = i % 4 == 0 ? lHalves(lRandom) * 0.5 : lNear(lRandom) * (i % 7 + 1);
        ASSERT_EQ(Bits(KEulerUnroll::NearestWhole(lValue)), Bits(std::nearbyint(lValue))) << lValue;
    }
}

// Angles of every size, distances on both sides of kNoTurnBelow and exactly an odd number of
// half turns away (a tie of the count), zeros of both signs, and values that are not finite or
// whose difference is not.
TEST(KEulerUnrollWrap, WrapNearIsTheTurnByTurnDefinitionBitForBit)
{
    static const double kSpecial[] = {0.0,  -0.0,  179.0, -179.0, 180.0, -180.0, 540.0,
                                      1e20, -1e20, 1e308, -1e308, kInf,  -kInf,  std::nan("")};
    std::mt19937_64 lRandom(4);
    std::uniform_real_distribution<double> lAngle(-2000.0, 2000.0);
    std::uniform_int_distribution<int> lOdd(-9, 9);
    std::uniform_int_distribution<int> lPick(0, 13);
    for (int i = 0; i < 2000000; ++i) {
        const double lReference = i % 5 == 0 ? kSpecial[lPick(lRandom)] : lAngle(lRandom);
        double lValue = lAngle(lRandom);
        if (i % 3 == 0) {
            lValue = lReference + 180.0 * (2 * lOdd(lRandom) + 1);
        } else if (i % 7 == 0) {
            lValue = kSpecial[lPick(lRandom)];
        }
        const double lExpected = WrapByDefinition(lValue, lReference);
        const double lActual = KEulerUnroll::WrapNear(lValue, lReference);
        if (std::isnan(lExpected)) {
            ASSERT_TRUE(std::isnan(lActual)) << lValue << " near " << lReference;
        } else {
            ASSERT_EQ(Bits(lActual), Bits(lExpected)) << lValue << " near " << lReference;
        }
    }
}

// Angles and references of any finite size, near each other or turns apart, exactly half turns
// off (ties of the count), the middle angle at 90 (both solutions equally near) and signed zeros:
// the inline path takes the same solution and gives the same bits as the general one.
TEST(KEulerUnrollWrap, UnrollFiniteXYZIsUnrollInOrderXYZ)
{
    static const double kSpecial[] = {0.0, -0.0, 90.0, -90.0, 180.0, -180.0, 179.0, 1e9};
    constexpr int kSpecialCount = sizeof kSpecial / sizeof kSpecial[0];
    TestSequence lSequence(36);
    const auto lPick = [&](double pScale) {
        const std::uint64_t lKind = lSequence.Next() % 4;
        return lKind == 0   ? kSpecial[lSequence.Next() % kSpecialCount]
               : lKind == 1 ? 180.0 * static_cast<double>(lSequence.Next() % 9) - 720.0
                            : lSequence.Between(-pScale, pScale);
    };
    int lOtherTaken = 0;
    for (int i = 0; i < 500000; ++i) {
        const double lScale = i % 2 == 0 ? 200.0 : 3000.0;
        KVector4 lCurrent(lPick(lScale), lPick(lScale), lPick(lScale), 1.0);
        const KVector4 lPrevious(lPick(lScale), lPick(lScale), lPick(lScale), 1.0);
        double lFast[3] = {lCurrent[0], lCurrent[1], lCurrent[2]};
        const bool lFastOther = KEulerUnroll::UnrollFiniteXYZ(lFast, lPrevious.GetData());
        const bool lOther = KEulerUnroll::Unroll(lCurrent, lPrevious, 0);
        ASSERT_EQ(lFastOther, lOther) << i;
        for (int a = 0; a < 3; ++a) {
            ASSERT_EQ(Bits(lFast[a]), Bits(lCurrent[a])) << i << " axis " << a;
        }
        lOtherTaken += lOther ? 1 : 0;
    }
    EXPECT_GT(lOtherTaken, 1000);
}

} // namespace
