#include "formats/geometry/obj/KObjFixedFormat.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace {

std::string Fast(double pValue)
{
    char lBuffer[KObjFixedFormat::kMaxLength];
    return std::string(lBuffer, KObjFixedFormat::Write(lBuffer, pValue));
}

// The library's text, without the sign of a value that rounds to zero.
std::string Reference(double pValue)
{
    char lBuffer[KObjFixedFormat::kMaxLength];
    const std::to_chars_result lResult =
        std::to_chars(lBuffer, lBuffer + sizeof(lBuffer), pValue, std::chars_format::fixed, 6);
    const std::string lText(lBuffer, lResult.ptr);
    return lText == "-0.000000" ? lText.substr(1) : lText;
}

// Values worked out by hand: exact ties go to the even decimal, carries reach the whole part,
// a negative value that rounds to zero loses its sign.
TEST(KObjFixedFormatTest, RoundingTiesCarriesAndSigns)
{
    const struct
    {
        double mValue;
        const char* mText;
    } kCases[] = {
        {0.0, "0.000000"},
        {-0.0, "0.000000"},
        {1.5, "1.500000"},
        {0.0078125, "0.007812"},
        {0.0234375, "0.023438"},
        {-0.0078125, "-0.007812"},
        {0.9999994, "0.999999"},
        {0.99999951, "1.000000"},
        {9.9999999, "10.000000"},
        {-0.0000001, "0.000000"},
        {-0.0000005, "0.000000"},
        {-0.0000006, "-0.000001"},
        {1e-300, "0.000000"},
        {123456.654321, "123456.654321"},
        {4503599627370495.5, "4503599627370495.500000"},
        {1e17, "100000000000000000.000000"},
        {-2.5e-7, "0.000000"},
        {2.5e-6, "0.000003"},
    };
    for (const auto& lCase : kCases) {
        EXPECT_EQ(Fast(lCase.mValue), lCase.mText) << lCase.mValue;
    }
    EXPECT_EQ(Fast(std::numeric_limits<double>::infinity()), Reference(HUGE_VAL));
    EXPECT_EQ(Fast(-std::numeric_limits<double>::max()),
              Reference(-std::numeric_limits<double>::max()));
}

// Every kind of bit pattern below the limit (random mantissas at every exponent, dyadic
// fractions that fall on ties, values just beside a rounding boundary) prints as the library
// prints it, but for the sign of zero.
TEST(KObjFixedFormatTest, AgreesWithTheLibraryOnManyValues)
{
    std::mt19937_64 lRandom(36);
    for (int i = 0; i < 200000; ++i) {
        const std::uint64_t lBits = lRandom();
        const int lExponent = static_cast<int>(lRandom() % 90) - 70;
        double lValue = std::ldexp(static_cast<double>(lBits >> 11), lExponent - 53);
        if (i % 3 == 0) {
            lValue = static_cast<double>(lBits % 20000000) / 2048.0;
        } else if (i % 3 == 1) {
            const double lBoundary = (static_cast<double>(lBits % 2000000000) + 0.5) / 1e6;
            lValue = std::nextafter(lBoundary, (lBits & 1) ? 0.0 : 1e9);
        }
        if (lBits & 2) {
            lValue = -lValue;
        }
        ASSERT_EQ(Fast(lValue), Reference(lValue)) << std::hexfloat << lValue;
    }
}

} // namespace
