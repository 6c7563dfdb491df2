#include "formats/motion/bvh/KBvhValueText.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

constexpr int kDigits = 6;
// Decimal exponents of the fixed layout of "%g".
constexpr int kLowestExponent = -4;
constexpr int kHighestExponent = kDigits - 1;
// 10^-4 to 10^5 as the nearest doubles. Those below 1 lie just above the power they stand for and
// no double lies between them, so comparing with them places a value in its decade exactly.
constexpr double kDecades[] = {1e-4, 1e-3, 1e-2, 1e-1, 1e0, 1e1, 1e2, 1e3, 1e4, 1e5};
// 10^0 to 10^9: exact, so the product below is the scaled value rounded once.
constexpr double kScales[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
constexpr std::uint32_t kSmallestSix = 100000;
// What brings a number of one to six digits up to six.
constexpr std::uint64_t kSixDigitScales[kDigits] = {100000, 10000, 1000, 100, 10, 1};
constexpr std::uint32_t kCarried = 1000000;
// The product is below 2^20, so it lies within 2^-33 of the exact scaled value; a fraction this
// close to one half may round either way and is left to the library.
constexpr double kTieMargin = 1e-6;

// The text is put together in a machine word and stored whole: a word read back from bytes just
// stored one by one would wait for them.
constexpr bool kLittleEndian = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;

// The shift that puts a byte at place pPlace (0 to 7) of a word's memory image.
constexpr int ShiftOf(int pPlace)
{
    return kLittleEndian ? 8 * pPlace : 56 - 8 * pPlace;
}

// '0' in each of the first six places.
constexpr std::uint64_t kZeros = 0x30ULL << ShiftOf(0) | 0x30ULL << ShiftOf(1) |
                                 0x30ULL << ShiftOf(2) | 0x30ULL << ShiftOf(3) |
                                 0x30ULL << ShiftOf(4) | 0x30ULL << ShiftOf(5);

char* WriteByLibrary(char* oAt, double pValue)
{
    return std::to_chars(oAt, oAt + KBvhValueText::kMaxLength, pValue, std::chars_format::general,
                         kDigits)
        .ptr;
}

// The decade of a positive value inside the fixed layout: 10^e <= value < 10^(e+1), searched
// from 10^0 either way (frame values mostly lie a few decades from 1).
int DecadeOf(double pAbs)
{
    int lExponent = 0;
    if (pAbs >= 1.0) {
        while (lExponent < kHighestExponent && pAbs >= kDecades[lExponent + 1 - kLowestExponent]) {
            ++lExponent;
        }
    } else {
        while (pAbs < kDecades[lExponent - kLowestExponent]) {
            --lExponent;
        }
    }
    return lExponent;
}

// "00" to "99": the digits of a number below 100, two at a time.
struct DigitPairs
{
    char mText[200];
};

constexpr DigitPairs MakeDigitPairs()
{
    DigitPairs lPairs{};
    for (int i = 0; i < 100; ++i) {
        lPairs.mText[2 * i] = static_cast<char>('0' + i / 10);
        lPairs.mText[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
    return lPairs;
}

constexpr DigitPairs kDigitPairs = MakeDigitPairs();
constexpr std::uint32_t kHundred = 100;

// The two digits of pPair (below 100) as they lie in memory, at places 0 and 1 of a word.
std::uint64_t PairWord(std::uint32_t pPair)
{
    std::uint16_t lPair;
    std::memcpy(&lPair, kDigitPairs.mText + 2 * pPair, sizeof lPair);
    return kLittleEndian ? std::uint64_t{lPair} : std::uint64_t{lPair} << 48;
}

// The six digits of pSix (100000 to 999999) in the first six places of a word, as characters:
// three pairs, found by products that do not wait on each other.
std::uint64_t DigitsOf(std::uint32_t pSix)
{
    const std::uint64_t lFirst = PairWord(pSix / (kHundred * kHundred));
    const std::uint64_t lSecond = PairWord(pSix / kHundred % kHundred);
    const std::uint64_t lThird = PairWord(pSix % kHundred);
    return kLittleEndian ? lFirst | lSecond << 16 | lThird << 32
                         : lFirst | lSecond >> 16 | lThird >> 32;
}

// How many of the six digits are left once the trailing zeros are dropped: the first is never
// zero, so the word is not, and its two unused places count among the zero bytes at its end.
int KeptDigits(std::uint64_t pDigitValues)
{
    const int lZeroPlaces =
        (kLittleEndian ? __builtin_clzll(pDigitValues) : __builtin_ctzll(pDigitValues)) / 8;
    return kDigits + 2 - lZeroPlaces;
}

// The word of pWord's bytes from place pFirst on, moved to the front.
std::uint64_t From(std::uint64_t pWord, int pFirst)
{
    return kLittleEndian ? pWord >> (8 * pFirst) : pWord << (8 * pFirst);
}

// Lays out the six digits of pSix (100000 to 999999) with the decimal exponent pExponent in the
// fixed layout, trailing zeros of the fraction dropped. Words are stored past the end of the
// text where that is shorter: oAt has room for kMaxLength characters.
char* LayOut(char* oAt, std::uint32_t pSix, int pExponent)
{
    const std::uint64_t lDigits = DigitsOf(pSix);
    const int lKept = KeptDigits(lDigits - kZeros);
    if (pExponent < 0) {
        // "0.", the zeros after the point, then the digits.
        std::memcpy(oAt, "0.000000", 8);
        std::memcpy(oAt + 1 - pExponent, &lDigits, 8);
        return oAt + 1 - pExponent + lKept;
    }
    std::memcpy(oAt, &lDigits, 8);
    if (lKept <= pExponent + 1) {
        return oAt + pExponent + 1;
    }
    oAt[pExponent + 1] = '.';
    const std::uint64_t lFraction = From(lDigits, pExponent + 1);
    std::memcpy(oAt + pExponent + 2, &lFraction, 8);
    return oAt + lKept + 1;
}

} // namespace

char* KBvhValueText::Write(char* oAt, double pValue)
{
    const double lAbs = std::fabs(pValue);
    if (!(lAbs >= kDecades[0] && lAbs < kDecades[kHighestExponent - kLowestExponent] * 10.0)) {
        if (lAbs == 0.0) {
            if (std::signbit(pValue)) {
                *oAt++ = '-';
            }
            *oAt++ = '0';
            return oAt;
        }
        return WriteByLibrary(oAt, pValue);
    }
    int lExponent = DecadeOf(lAbs);
    const double lScaled = lAbs * kScales[kHighestExponent - lExponent];
    // Below 2^20: the conversion truncates, which is the floor here.
    const auto lWhole = static_cast<std::uint32_t>(lScaled);
    const double lFraction = lScaled - static_cast<double>(lWhole);
    if (std::fabs(lFraction - 0.5) < kTieMargin) {
        return WriteByLibrary(oAt, pValue);
    }
    std::uint32_t lSix = lWhole + (lFraction > 0.5 ? 1 : 0);
    if (lSix == kCarried) {
        // Rounded up into the next decade: the digits are 1 and five zeros.
        lSix = kSmallestSix;
        ++lExponent;
    }
    if (lSix < kSmallestSix || lExponent > kHighestExponent) {
        return WriteByLibrary(oAt, pValue);
    }
    // Signs come in any order: no branch on them.
    if (pValue < 0.0) {
        *oAt++ = '-';
    }
    return LayOut(oAt, lSix, lExponent);
}

char* KBvhValueText::WriteDecimal(char* oAt, std::int64_t pWhole, int pDecimals, double pValue)
{
    if (pWhole == 0) {
        *oAt++ = '0';
        return oAt;
    }
    const std::uint64_t lAbs =
        pWhole < 0 ? 0 - static_cast<std::uint64_t>(pWhole) : static_cast<std::uint64_t>(pWhole);
    if (lAbs >= kCarried) {
        return Write(oAt, pValue);
    }
    // The digits counted without branches, then brought up to six.
    const int lCount =
        1 + (lAbs >= 10) + (lAbs >= 100) + (lAbs >= 1000) + (lAbs >= 10000) + (lAbs >= 100000);
    const int lExponent = lCount - 1 - pDecimals;
    if (lExponent < kLowestExponent) {
        return Write(oAt, pValue);
    }
    if (pWhole < 0) {
        *oAt++ = '-';
    }
    return LayOut(oAt, static_cast<std::uint32_t>(lAbs * kSixDigitScales[lCount - 1]), lExponent);
}
