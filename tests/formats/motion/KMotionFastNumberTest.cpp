#include "formats/motion/KMotionFastNumber.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

// A small fixed generator: the standard distributions differ between libraries.
class Lcg
{
public:
    std::uint32_t Next()
    {
        mState = mState * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::uint32_t>(mState >> 33);
    }
    std::uint32_t Below(std::uint32_t pLimit) { return Next() % pLimit; }

private:
    std::uint64_t mState = 3;
};

std::uint64_t Bits(double pValue)
{
    std::uint64_t lBits = 0;
    std::memcpy(&lBits, &pValue, sizeof lBits);
    return lBits;
}

// Both readers on the whole text: the same end, error and (on success) the same bits; the output
// is left alone on failure by both.
::testing::AssertionResult SameAsLibrary(const std::string& pText)
{
    const char* lBegin = pText.data();
    const char* lEnd = lBegin + pText.size();
    double lExpected = 7.0;
    double lActual = 7.0;
    const std::from_chars_result lLibrary = std::from_chars(lBegin, lEnd, lExpected);
    const std::from_chars_result lFast = KMotionFastNumber::FromChars(lBegin, lEnd, lActual);
    if (lLibrary.ptr != lFast.ptr || lLibrary.ec != lFast.ec || Bits(lExpected) != Bits(lActual)) {
        return ::testing::AssertionFailure() << '"' << pText << "\": library " << lExpected
                                             << " ending at " << lLibrary.ptr - lBegin << ", fast "
                                             << lActual << " ending at " << lFast.ptr - lBegin;
    }
    return ::testing::AssertionSuccess();
}

std::string Digits(Lcg& ioRandom, std::uint32_t pCount)
{
    std::string lText;
    for (std::uint32_t i = 0; i < pCount; ++i) {
        lText += static_cast<char>('0' + ioRandom.Below(10));
    }
    return lText;
}

// Sign, digits, point, digits, exponent and what follows, each drawn so that every branch of the
// quick path and of its hand-over to the library is met often.
std::string RandomNumber(Lcg& ioRandom)
{
    static const char* const kTails[] = {"", "", "", " ", "\t", "x", ".", "e", "E+", "-", "5"};
    std::string lText;
    const std::uint32_t lSign = ioRandom.Below(8);
    lText += lSign == 0 ? "-" : lSign == 1 ? "+" : "";
    lText += Digits(ioRandom, ioRandom.Below(3) == 0 ? ioRandom.Below(24) : ioRandom.Below(5));
    if (ioRandom.Below(4) != 0) {
        lText += '.';
        lText += Digits(ioRandom, ioRandom.Below(3) == 0 ? ioRandom.Below(24) : ioRandom.Below(9));
    }
    if (ioRandom.Below(6) == 0) {
        lText += ioRandom.Below(2) ? 'e' : 'E';
        const std::uint32_t lExponentSign = ioRandom.Below(3);
        lText += lExponentSign == 0 ? "-" : lExponentSign == 1 ? "+" : "";
        lText += Digits(ioRandom, ioRandom.Below(7));
    }
    lText += kTails[ioRandom.Below(sizeof kTails / sizeof kTails[0])];
    return lText;
}

TEST(KMotionFastNumber, MillionsOfRandomSpellingsReadAsTheLibraryReadsThem)
{
    Lcg lRandom;
    int lFailures = 0;
    for (int i = 0; i < 3000000 && lFailures < 10; ++i) {
        const ::testing::AssertionResult lSame = SameAsLibrary(RandomNumber(lRandom));
        EXPECT_TRUE(lSame);
        lFailures += lSame ? 0 : 1;
    }
}

TEST(KMotionFastNumber, CaptureStyleValuesReadAsTheLibraryReadsThem)
{
    // Fixed decimals as capture programs print them, over their whole range of magnitudes.
    Lcg lRandom;
    char lText[64];
    static const char* const kFormats[] = {"%.4f", "%.6f", "%.2f", "%g", "%.9g", "%.17g", "%e"};
    for (int i = 0; i < 2000000; ++i) {
        const double lScale = static_cast<double>(1u << lRandom.Below(24));
        const double lValue = (static_cast<double>(lRandom.Next()) / 2147483648.0 - 1.0) * lScale;
        std::snprintf(lText, sizeof lText, kFormats[lRandom.Below(7)], lValue);
        ASSERT_TRUE(SameAsLibrary(lText));
    }
}

TEST(KMotionFastNumber, EdgesOfTheQuickPathReadAsTheLibraryReadsThem)
{
    static const char* const kTexts[] = {"9007199254740992",
                                         "9007199254740993",
                                         "-9007199254740993.0",
                                         "900719925474099.3",
                                         "1e22",
                                         "1e23",
                                         "1e-22",
                                         "1e-23",
                                         "4.5e22",
                                         "123456789012345678e-22",
                                         "9999999999999999999",
                                         "99999999999999999999",
                                         "1844674407370955161.5",
                                         "0.0000000000000000001",
                                         "0.00000000000000000001",
                                         "1e9999",
                                         "1e-9999",
                                         "1e0000",
                                         "1e00001",
                                         "-0",
                                         "-0.0",
                                         "0e5",
                                         "-0e-5",
                                         ".5",
                                         "5.",
                                         "-.5",
                                         "-5.",
                                         ".",
                                         "-.",
                                         "-",
                                         "",
                                         "+1",
                                         "e5",
                                         ".e5",
                                         "1e",
                                         "1e+",
                                         "1e-",
                                         "1ee5",
                                         "inf",
                                         "-inf",
                                         "nan",
                                         "0x10",
                                         "1.5.5",
                                         "2.2250738585072014e-308",
                                         "1.7976931348623157e308",
                                         "1.8e308",
                                         "4.9e-324",
                                         "2e-324",
                                         "0.1",
                                         "0.2",
                                         "0.3",
                                         "179.9999",
                                         "-180.0000",
                                         "0.000001",
                                         "123456.789012"};
    for (const char* lText : kTexts) {
        EXPECT_TRUE(SameAsLibrary(lText));
    }
}

TEST(KMotionFastNumber, ReadsOnlyUpToTheEndItIsGiven)
{
    const std::string lText = "12.5e3";
    for (std::size_t lLength = 0; lLength <= lText.size(); ++lLength) {
        EXPECT_TRUE(SameAsLibrary(lText.substr(0, lLength)));
    }
    double lValue = 0.0;
    const std::from_chars_result lResult =
        KMotionFastNumber::FromChars(lText.data(), lText.data() + 4, lValue);
    EXPECT_EQ(lResult.ptr, lText.data() + 4);
    EXPECT_EQ(lValue, 12.5);
}

} // namespace
