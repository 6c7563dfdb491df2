#include "formats/motion/KMotionNumber.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstdarg>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::size_t Scan(const char* pText)
{
    return KMotionNumber::ScanDecimal(pText, pText + std::strlen(pText));
}

bool Double(const char* pText, double& pValue)
{
    return KMotionNumber::ParseDouble(pText, pText + std::strlen(pText), pValue);
}

bool Int(const char* pText, int& pValue)
{
    return KMotionNumber::ParseInt(pText, pText + std::strlen(pText), pValue);
}

// Switches LC_NUMERIC to a locale with a decimal comma for one scope, when one is installed.
class CommaLocale
{
public:
    CommaLocale()
    {
        mPrevious = std::setlocale(LC_NUMERIC, nullptr);
        for (const char* lName : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8"}) {
            if (std::setlocale(LC_NUMERIC, lName) != nullptr) {
                mActive = true;
                return;
            }
        }
    }
    ~CommaLocale() { std::setlocale(LC_NUMERIC, mPrevious.c_str()); }
    bool IsActive() const { return mActive; }

private:
    std::string mPrevious;
    bool mActive = false;
};

} // namespace

TEST(KMotionNumber, ScanTakesOnlyTheDecimalGrammar)
{
    EXPECT_EQ(Scan("12"), 2u);
    EXPECT_EQ(Scan("-1.5e3x"), 6u);
    EXPECT_EQ(Scan("+.5"), 3u);
    EXPECT_EQ(Scan("5."), 2u);
    EXPECT_EQ(Scan(".0083333"), 8u);
    // An exponent letter without digits is not part of the number.
    EXPECT_EQ(Scan("1e"), 1u);
    EXPECT_EQ(Scan("1e+"), 1u);
    EXPECT_EQ(Scan("0x10"), 1u);
    EXPECT_EQ(Scan("1,5"), 1u);
    for (const char* lNone : {"", ".", "-", "+", "e5", "inf", "nan", "-.e1", " 1"}) {
        EXPECT_EQ(Scan(lNone), 0u) << lNone;
    }
}

TEST(KMotionNumber, ParseDoubleIsStrictAndRangeChecked)
{
    double lValue = 0.0;
    ASSERT_TRUE(Double("+2.5", lValue));
    EXPECT_EQ(lValue, 2.5);
    ASSERT_TRUE(Double("-17.3198", lValue));
    EXPECT_EQ(lValue, -17.3198);
    ASSERT_TRUE(Double("1E-3", lValue));
    EXPECT_EQ(lValue, 0.001);
    lValue = 7.0;
    for (const char* lBad : {"", "1e400", "-1e400", "1e-400", "inf", "-inf", "nan", "0x1p3", "1,5",
                             " 1", "1 ", "1.5.2", "12abc", "--1", "1e5e5"}) {
        EXPECT_FALSE(Double(lBad, lValue)) << lBad;
        EXPECT_EQ(lValue, 7.0) << lBad;
    }
}

TEST(KMotionNumber, ParseIntChecksOverflow)
{
    int lValue = 0;
    ASSERT_TRUE(Int("2147483647", lValue));
    EXPECT_EQ(lValue, 2147483647);
    ASSERT_TRUE(Int("-2147483648", lValue));
    EXPECT_EQ(lValue, -2147483647 - 1);
    ASSERT_TRUE(Int("+7", lValue));
    EXPECT_EQ(lValue, 7);
    lValue = 3;
    for (const char* lBad :
         {"2147483648", "-2147483649", "99999999999999999999", "1.0", "1e3", "", "-", "7x"}) {
        EXPECT_FALSE(Int(lBad, lValue)) << lBad;
        EXPECT_EQ(lValue, 3) << lBad;
    }
}

// AppendFormat without the compiler's format check, for the directives a caller must not use.
std::string FormatUnchecked(const char* pFormat, ...)
{
    std::va_list lArgs;
    va_start(lArgs, pFormat);
    std::string lText;
    KMotionNumber::AppendFormatV(lText, pFormat, lArgs);
    va_end(lArgs);
    return lText;
}

TEST(KMotionNumber, FormatMatchesCLocalePrintf)
{
    const double lValues[] = {0.0,         -0.0,      1.0,    -17.3198,    0.0083333,
                              1.0 / 120.0, 1e-5,      1e20,   123456789.0, 2.5,
                              -2.5,        1.0 / 3.0, 1e-300, 99999.95,    0.000123456};
    for (const char* lFormat : {"%g", "%.9g", "%.0g", "%.17g"}) {
        for (double lValue : lValues) {
            char lExpected[128];
            std::snprintf(lExpected, sizeof lExpected, lFormat, lValue);
            std::string lText;
            KMotionNumber::AppendFormat(lText, lFormat, lValue);
            EXPECT_EQ(lText, lExpected) << lFormat << " " << lValue;
        }
    }
    std::string lText;
    KMotionNumber::AppendFormat(lText, "%s\t%d|%zu|%%|%g %g %g", "Frames:", -2147483647 - 1,
                                static_cast<std::size_t>(-1), HUGE_VAL, -HUGE_VAL, std::nan(""));
    EXPECT_EQ(lText, "Frames:\t-2147483648|18446744073709551615|%|inf -inf nan");
    // Any other directive is copied and takes no argument; a '%' ends the format safely.
    EXPECT_EQ(FormatUnchecked("%5d|%x|%.2f|%s|%s%", "z", static_cast<const char*>(nullptr)),
              "%5d|%x|%.2f|z|(null)%");
}

TEST(KMotionNumber, ShortDecimalsPrintAsPrintfAtEveryPrecision)
{
    // Numbers with few digits at every exponent "%g" switches at, the digits carried up to the
    // next power of ten, halves, and values one step away from them: each printed at precisions
    // up to past a double's digits.
    std::vector<double> lValues;
    for (const double lMantissa : {1.0, 1.5, 9.99995, 9.999995, 9.5, 1.23456, 1.234565, 5.0,
                                   9.9999999999999, 1.00000000000001, 4.35}) {
        for (int lExponent = -8; lExponent <= 17; ++lExponent) {
            const double lValue = lMantissa * std::pow(10.0, lExponent);
            for (const double lNear :
                 {lValue, std::nextafter(lValue, 0.0), std::nextafter(lValue, HUGE_VAL)}) {
                lValues.push_back(lNear);
                lValues.push_back(-lNear);
            }
        }
    }
    for (const double lValue : {0.1, 0.2, 0.3, 100000.0, 999999.5, 1e-5, 0.0001, 5e-324,
                                2.2250738585072014e-308, 1.7976931348623157e308, -0.0}) {
        lValues.push_back(lValue);
    }
    for (int lPrecision = 1; lPrecision <= 18; ++lPrecision) {
        for (const double lValue : lValues) {
            char lExpected[128];
            std::snprintf(lExpected, sizeof lExpected, "%.*g", lPrecision, lValue);
            std::string lText;
            KMotionNumber::AppendGeneral(lText, lValue, lPrecision);
            ASSERT_EQ(lText, lExpected) << lPrecision << " " << lValue;
        }
    }
}

TEST(KMotionNumber, IgnoresTheProcessLocale)
{
    CommaLocale lLocale;
    if (!lLocale.IsActive()) {
        GTEST_SKIP() << "no locale with a decimal comma installed";
    }
    double lValue = 0.0;
    ASSERT_TRUE(Double("1.5", lValue));
    EXPECT_EQ(lValue, 1.5);
    EXPECT_FALSE(Double("1,5", lValue));
    std::string lText;
    KMotionNumber::AppendFormat(lText, "%g %.3g", 0.5, 2.25);
    EXPECT_EQ(lText, "0.5 2.25");
}

TEST(KMotionNumber, FitsFloatStopsAtTheLargestSinglePrecisionValue)
{
    const double lMax = static_cast<double>(FLT_MAX);
    const double lAbove = std::nextafter(lMax, HUGE_VAL);
    const double lFits[] = {0.0, -0.0, 1e-300, lMax, -lMax};
    for (const double lValue : lFits) {
        EXPECT_TRUE(KMotionNumber::FitsFloat(lValue)) << lValue;
    }
    for (const double lValue : {lAbove, -lAbove, HUGE_VAL, -HUGE_VAL, std::nan("")}) {
        EXPECT_FALSE(KMotionNumber::FitsFloat(lValue)) << lValue;
    }
    // A group fits only as a whole; an empty group fits.
    const double lGroup[3] = {1.0, lAbove, 2.0};
    EXPECT_TRUE(KMotionNumber::FitsFloat(lGroup, 1));
    EXPECT_FALSE(KMotionNumber::FitsFloat(lGroup, 3));
    EXPECT_TRUE(KMotionNumber::FitsFloat(lGroup, 0));
}
