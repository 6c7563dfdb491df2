#include "formats/motion/bvh/KBvhValueText.h"
#include "tests/support/TestSequence.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

namespace {

std::string Text(double pValue)
{
    char lText[KBvhValueText::kMaxLength];
    return std::string(lText, KBvhValueText::Write(lText, pValue));
}

std::string Printed(double pValue)
{
    char lText[64];
    std::snprintf(lText, sizeof lText, "%g", pValue);
    return lText;
}

TEST(KBvhValueText, EdgesOfTheLayoutAndOfTheRoundingPrintAsPrintfDoes)
{
    const double kValues[] = {0.0,
                              -0.0,
                              1.0,
                              -1.0,
                              0.5,
                              123.456,
                              -179.999,
                              90.00005,
                              100000.0,
                              100000.5,
                              100001.5,
                              999999.0,
                              999999.4999,
                              999999.5,
                              1e6,
                              1e-4,
                              -1e-4,
                              9.99999e-5,
                              9.999996e-5,
                              0.000123456,
                              0.00099999951,
                              9.9999949,
                              9.99999500001,
                              1.0000005,
                              2.5e-5,
                              1e-300,
                              DBL_MIN,
                              DBL_TRUE_MIN,
                              DBL_MAX,
                              -DBL_MAX,
                              1.25e7,
                              std::numeric_limits<double>::infinity(),
                              -std::numeric_limits<double>::infinity()};
    for (const double lValue : kValues) {
        EXPECT_EQ(Text(lValue), Printed(lValue)) << std::hexfloat << lValue;
    }
    EXPECT_EQ(Text(std::nan("")), "nan");
}

// Values of every kind a frame holds, against the C library: decimals of six digits and fewer
// (angles rounded to their printed digits), raw doubles, seventh digits of 5 (near the ties), and
// every decade from 1e-6 to 1e8, both signs.
TEST(KBvhValueText, RandomValuesPrintAsPrintfDoes)
{
    TestSequence lRandom(11);
    constexpr int kRounds = 400000;
    int lFailures = 0;
    for (int i = 0; i < kRounds && lFailures < 10; ++i) {
        const double lDecade = std::pow(10.0, std::floor(lRandom.Unit() * 14.0) - 6.0);
        const double lRaw = lRandom.Unit() * 10.0 * lDecade;
        const double lSix = std::nearbyint(lRandom.Unit() * 1e6) / 1e6 * 360.0 - 180.0;
        const double lSeven = (std::floor(lRandom.Unit() * 1e6) * 10.0 + 5.0) * lDecade / 1e6;
        const double lShort = std::nearbyint(lRandom.Unit() * 1e4) / 1e4 * lDecade;
        for (double lValue : {lRaw, lSix, lSeven, lShort}) {
            lValue = (lRandom.Next() & 1) ? -lValue : lValue;
            const std::string lText = Text(lValue);
            if (lText != Printed(lValue)) {
                ++lFailures;
                ADD_FAILURE() << std::hexfloat << lValue << ": " << lText << " against "
                              << Printed(lValue);
            }
        }
    }
}

// Values known as decimals of up to six digits and up to nine decimals, as the channel angles
// come: the text of the digits is the text of the nearest double, the exponent form included.
TEST(KBvhValueText, DecimalsPrintAsTheirNearestDoubles)
{
    TestSequence lRandom(11);
    int lFailures = 0;
    for (int i = 0; i < 300000 && lFailures < 10; ++i) {
        const int lDecimals = static_cast<int>(lRandom.Next() % 10);
        const auto lDigits = static_cast<std::int64_t>(lRandom.Next() % 6) + 1;
        std::int64_t lWhole = static_cast<std::int64_t>(lRandom.Next() % 1000000);
        for (std::int64_t lLimit = 1000000; lDigits < 6 && lLimit > std::pow(10.0, lDigits);
             lLimit /= 10) {
            lWhole /= 10;
        }
        lWhole = (lRandom.Next() & 1) ? -lWhole : lWhole;
        const double lValue = static_cast<double>(lWhole) / std::pow(10.0, lDecimals);
        char lText[KBvhValueText::kMaxLength];
        const std::string lWritten(lText,
                                   KBvhValueText::WriteDecimal(lText, lWhole, lDecimals, lValue));
        const std::string lExpected = lWhole == 0 ? "0" : Printed(lValue);
        if (lWritten != lExpected) {
            ++lFailures;
            ADD_FAILURE() << lWhole << " / 10^" << lDecimals << ": " << lWritten << " against "
                          << lExpected;
        }
    }
}

} // namespace
