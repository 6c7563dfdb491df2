#include "formats/motion/KMotionPrintPrecision.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// The group rounded by the printed exponent of its largest value, as printf finds it.
std::vector<double> ReferenceRounding(std::vector<double> pValues, int pDigits)
{
    double lLargest = 0.0;
    for (const double lValue : pValues) {
        lLargest = std::max(lLargest, std::fabs(lValue));
    }
    char lText[64];
    std::snprintf(lText, sizeof lText, "%.*e", pDigits - 1, lLargest);
    const int lDecimals = pDigits - 1 - std::atoi(std::strchr(lText, 'e') + 1);
    const double lScale = std::pow(10.0, std::abs(lDecimals));
    for (double& lValue : pValues) {
        lValue = lDecimals >= 0 ? std::nearbyint(lValue * lScale) / lScale
                                : std::nearbyint(lValue / lScale) * lScale;
    }
    return pValues;
}

TEST(KMotionPrintPrecision, GroupsRoundAtTheLargestValuesLastPrintedDigit)
{
    // Values at and beside every decade's ends and the points where rounding carries into the
    // next decade (9.99995 for six digits), at exponents inside and outside the quick range.
    std::vector<double> lLargest;
    for (int lExponent = -7; lExponent <= 17; ++lExponent) {
        const double lDecade = std::pow(10.0, lExponent);
        for (const double lMantissa : {1.0, 9.99995, 9.9995, 9.95, 9.999995, 5.0, 2.25}) {
            const double lValue = lMantissa * lDecade;
            lLargest.push_back(lValue);
            lLargest.push_back(std::nextafter(lValue, 0.0));
            lLargest.push_back(std::nextafter(lValue, HUGE_VAL));
        }
    }
    for (const int lDigits : {1, 3, 6, 9, 15}) {
        for (const double lValue : lLargest) {
            const std::vector<double> lGroup = {-lValue, lValue / 7.0, lValue * 1e-9};
            std::vector<double> lRounded = lGroup;
            KMotionPrintPrecision::RoundToLargest(lRounded.data(), 3, lDigits);
            ASSERT_EQ(lRounded, ReferenceRounding(lGroup, lDigits)) << lValue << " " << lDigits;
        }
    }
    // By hand: 123.456789 keeps three decimals; 9.999996 prints as 10.0000, so four.
    double lAngles[3] = {123.456789, -0.0004, 1.23456789};
    KMotionPrintPrecision::RoundToLargest(lAngles, 3);
    EXPECT_EQ(lAngles[0], 123.457);
    EXPECT_EQ(lAngles[1], -0.0);
    EXPECT_EQ(lAngles[2], 1.235);
    double lCarry[2] = {9.999996, 1.23456};
    KMotionPrintPrecision::RoundToLargest(lCarry, 2);
    EXPECT_EQ(lCarry[1], 1.2346);
}

// The answer is the decimals rounded to: six digits of 123.457 leave three, of 10.0000 four, of
// 1.23457e+06 none but the tens (-1); a group of zeros or with an infinity is not rounded.
TEST(KMotionPrintPrecision, AnswersTheDecimalsItRoundedTo)
{
    const struct
    {
        double mLargest;
        int mDecimals;
    } kCases[] = {{123.456789, 3}, {9.999996, 4}, {-0.000123456, 9}, {1234567.0, -1}};
    for (const auto& lCase : kCases) {
        double lValues[2] = {lCase.mLargest, lCase.mLargest / 3.0};
        EXPECT_EQ(KMotionPrintPrecision::RoundToLargest(lValues, 2), lCase.mDecimals)
            << lCase.mLargest;
    }
    double lZeros[2] = {0.0, -0.0};
    EXPECT_EQ(KMotionPrintPrecision::RoundToLargest(lZeros, 2), KMotionPrintPrecision::kNotRounded);
    double lInfinite[2] = {HUGE_VAL, 1.0};
    EXPECT_EQ(KMotionPrintPrecision::RoundToLargest(lInfinite, 2),
              KMotionPrintPrecision::kNotRounded);
}

} // namespace
