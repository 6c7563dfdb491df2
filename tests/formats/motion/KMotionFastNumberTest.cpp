#include "formats/motion/KMotionFastNumber.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>

namespace {

// Checks that the quick conversions of pText (padded or not) answer what
// std::from_chars answers: the same error, the same end and, on success, the same bits.
::testing::AssertionResult SameAsStandard(const std::string& pText)
{
    const char* const lBegin = pText.data();
    const char* const lEnd = lBegin + pText.size();
    double lFast = 12345.0;
    double lStandard = 12345.0;
    const std::from_chars_result lGot = KMotionFastNumber::FromChars(lBegin, lEnd, lFast);
    const std::from_chars_result lWant = std::from_chars(lBegin, lEnd, lStandard);
    if (lGot.ec != lWant.ec || lGot.ptr != lWant.ptr) {
        return ::testing::AssertionFailure()
               << "\"" << pText << "\": end " << (lGot.ptr - lBegin) << " instead of "
               << (lWant.ptr - lBegin) << " or another error";
    }
    if (std::memcmp(&lFast, &lStandard, sizeof(double)) != 0) {
        return ::testing::AssertionFailure() << "\"" << pText << "\": " << lFast << " differs from "
                                             << lStandard << " in its bits";
    }
    // The padded reading, with digits after the end that must not be taken.
    std::string lPadded = pText;
    lPadded.append(KMotionFastNumber::kPadding, '9');
    double lPaddedValue = 12345.0;
    const std::from_chars_result lPaddedGot = KMotionFastNumber::FromCharsPadded(
        lPadded.data(), lPadded.data() + pText.size(), lPaddedValue);
    if (lPaddedGot.ec != lWant.ec || lPaddedGot.ptr - lPadded.data() != lWant.ptr - lBegin ||
        std::memcmp(&lPaddedValue, &lStandard, sizeof(double)) != 0) {
        return ::testing::AssertionFailure()
               << "\"" << pText << "\": the padded reading gives another end or value";
    }
    return ::testing::AssertionSuccess();
}

// A random number text of the shapes files hold and of many they do not: signs, leading and
// trailing zeros, long digit runs around the limits of the quick path, points without digits,
// exponents, and a character after the number.
std::string RandomNumberText(std::mt19937_64& ioRandom)
{
    static const char kAfter[] = " \t\nxe.-+E0";
    auto lPick = [&ioRandom](int pCount) {
        return static_cast<int>(ioRandom() % static_cast<std::uint64_t>(pCount));
    };
    auto lDigits = [&](std::string& ioText, int pCount) {
        const bool lSmall = lPick(4) == 0;
        for (int i = 0; i < pCount; ++i) {
            ioText += static_cast<char>('0' + (lSmall ? lPick(2) : lPick(10)));
        }
    };
    std::string lText;
    if (lPick(2) == 0) {
        lText += '-';
    }
    if (lPick(6) == 0) {
        lText.append(static_cast<std::size_t>(lPick(25)), '0');
    }
    lDigits(lText, lPick(4) == 0 ? lPick(24) : lPick(8));
    if (lPick(4) != 0) {
        lText += '.';
        if (lPick(6) == 0) {
            lText.append(static_cast<std::size_t>(lPick(25)), '0');
        }
        lDigits(lText, lPick(4) == 0 ? lPick(26) : lPick(8));
    }
    if (lPick(20) == 0) {
        lText += lPick(2) == 0 ? 'e' : 'E';
        if (lPick(2) == 0) {
            lText += '-';
        }
        lDigits(lText, lPick(4));
    }
    if (lPick(3) == 0) {
        lText += kAfter[lPick(static_cast<int>(sizeof(kAfter)) - 1)];
    }
    return lText;
}

} // namespace

TEST(KMotionFastNumber, PlainNumbersConvertAsTheStandardDoes)
{
    for (const char* lText : {"0",
                              "-0",
                              "0.0",
                              "-0.000",
                              ".5",
                              "-.5",
                              "5.",
                              "90",
                              "-179.999",
                              "0.1",
                              "0.3",
                              "123456.789",
                              "9007199254740992",
                              "9007199254740993",
                              "1.7976931348623157",
                              "0.0000000000000000000001",
                              "0.00000000000000000000001",
                              "1234567890123456789",
                              "12345678901234567890",
                              "00000000000000000000000000012.5",
                              "4.35",
                              "-37.2309"}) {
        EXPECT_TRUE(SameAsStandard(lText));
    }
}

TEST(KMotionFastNumber, OtherTextIsLeftToTheStandard)
{
    for (const char* lText : {"", "-", ".", "-.", "+1", "1e5", "1.5E-3", "2e", "inf", "-nan", "x1",
                              " 1", "1e400", "1e-400", "0x1p3", "1.5.5", "..1"}) {
        EXPECT_TRUE(SameAsStandard(lText));
    }
}

TEST(KMotionFastNumber, TheNumberEndsWhereTheStandardEndsIt)
{
    for (const char* lText : {"1.5 ", "-2\t", "3.25x", "4..", "5.-1", "6-", "7e+", "8.e2"}) {
        EXPECT_TRUE(SameAsStandard(lText));
    }
    double lValue = 0.0;
    const char lText[] = "-12.5 3";
    const std::from_chars_result lRead =
        KMotionFastNumber::FromChars(lText, lText + std::strlen(lText), lValue);
    EXPECT_EQ(lRead.ptr, lText + 5);
    EXPECT_EQ(lValue, -12.5);
}

// Every count of digits before and after the point around the eight bytes read at once, with
// every kind of byte after them, signed and not: where the number ends and what follows it
// decide between the quick paths and the standard.
TEST(KMotionFastNumber, NumbersAroundOneChunkConvertAsTheStandardDoes)
{
    static const char* const kAfter[] = {"", " ", "\t", "e", "E2", "7", ".", "x", "-"};
    for (int lWhole = 0; lWhole <= 9; ++lWhole) {
        for (int lFraction = -1; lFraction <= 9; ++lFraction) {
            for (const char* lAfter : kAfter) {
                for (const char* lSign : {"", "-"}) {
                    std::string lText = lSign;
                    for (int i = 0; i < lWhole; ++i) {
                        lText += static_cast<char>('1' + (i * 7) % 9);
                    }
                    if (lFraction >= 0) {
                        lText += '.';
                    }
                    for (int i = 0; i < lFraction; ++i) {
                        lText += static_cast<char>('0' + (i * 3) % 10);
                    }
                    EXPECT_TRUE(SameAsStandard(lText + lAfter));
                }
            }
        }
    }
}

TEST(KMotionFastNumber, TwoMillionRandomTextsMatchTheStandardBitForBit)
{
    std::mt19937_64 lRandom(20261207);
    int lFailures = 0;
    for (int i = 0; i < 2000000 && lFailures < 10; ++i) {
        const std::string lText = RandomNumberText(lRandom);
        const ::testing::AssertionResult lSame = SameAsStandard(lText);
        if (!lSame) {
            ++lFailures;
            ADD_FAILURE() << lSame.message();
        }
    }
}

TEST(KMotionFastNumber, PrintedDoublesReadBackBitForBit)
{
    // Numbers as the writers print them: six to seventeen significant digits of random values.
    std::mt19937_64 lRandom(7);
    std::uniform_real_distribution<double> lValue(-2000.0, 2000.0);
    char lBuffer[64];
    int lFailures = 0;
    for (int i = 0; i < 1000000 && lFailures < 10; ++i) {
        const int lPrecision = 6 + static_cast<int>(lRandom() % 12);
        const std::to_chars_result lPrinted =
            std::to_chars(lBuffer, lBuffer + sizeof(lBuffer), lValue(lRandom),
                          std::chars_format::fixed, lPrecision % 10);
        const ::testing::AssertionResult lSame = SameAsStandard(std::string(lBuffer, lPrinted.ptr));
        if (!lSame) {
            ++lFailures;
            ADD_FAILURE() << lSame.message();
        }
    }
}
