#include "formats/motion/KMotionNumber.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

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

TEST(KMotionNumber, FormatMatchesCLocalePrintf)
{
    const double lValues[] = {0.0,         -0.0,      1.0,    -17.3198,    0.0083333,
                              1.0 / 120.0, 1e-5,      1e20,   123456789.0, 2.5,
                              -2.5,        1.0 / 3.0, 1e-300, 99999.95,    0.000123456};
    const char* const lFormats[] = {"%g",   "%f",    "%e",  "%.2f",   "%.5f", "%.3f",
                                    "%10g", "%-9g|", "%+g", "%08.2f", "%G",   "%.0f"};
    for (const char* lFormat : lFormats) {
        for (double lValue : lValues) {
            char lExpected[128];
            std::snprintf(lExpected, sizeof lExpected, lFormat, lValue);
            std::string lText;
            KMotionNumber::AppendFormat(lText, lFormat, lValue);
            EXPECT_EQ(lText, lExpected) << lFormat << " " << lValue;
        }
    }
    std::string lText;
    KMotionNumber::AppendFormat(lText, "%s\t%d|%04d|%-5s|%5s|%x|%u|%%|%c|%.2s|%ld", "Frames:", -42,
                                7, "ab", "cd", 255u, 4000000000u, 'Q', "xyz", 1234567890123L);
    EXPECT_EQ(lText, "Frames:\t-42|0007|ab   |   cd|ff|4000000000|%|Q|xy|1234567890123");
}

TEST(KMotionNumber, NonFiniteValuesPrintAsWords)
{
    std::string lText;
    KMotionNumber::AppendFormat(lText, "%g %g %f", HUGE_VAL, -HUGE_VAL, std::nan(""));
    EXPECT_EQ(lText, "inf -inf nan");
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
    KMotionNumber::AppendFormat(lText, "%g %.2f", 0.5, 2.25);
    EXPECT_EQ(lText, "0.5 2.25");
    lText.clear();
    KMotionNumber::AppendGeneral(lText, -0.125);
    KMotionNumber::AppendFixed(lText, 3.0, 1);
    EXPECT_EQ(lText, "-0.1253.0");
}
