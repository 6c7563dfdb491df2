#include "formats/motion/bvh/KBvhValueText.h"

#include <charconv>
#include <cmath>
#include <cstdint>

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
constexpr std::uint32_t kCarried = 1000000;
// The product is below 2^20, so it lies within 2^-33 of the exact scaled value; a fraction this
// close to one half may round either way and is left to the library.
constexpr double kTieMargin = 1e-6;

char* WriteByLibrary(char* oAt, double pValue)
{
    return std::to_chars(oAt, oAt + KBvhValueText::kMaxLength, pValue, std::chars_format::general,
                         kDigits)
        .ptr;
}

// The decade of a positive value inside the fixed layout: 10^e <= value < 10^(e+1).
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

// Lays out the six digits of pSix (100000 to 999999) with the decimal exponent pExponent in the
// fixed layout, trailing zeros of the fraction dropped.
char* LayOut(char* oAt, std::uint32_t pSix, int pExponent)
{
    char lDigits[kDigits];
    for (int i = kDigits - 1; i >= 0; --i) {
        lDigits[i] = static_cast<char>('0' + pSix % 10);
        pSix /= 10;
    }
    int lKept = kDigits;
    while (lKept > 1 && lDigits[lKept - 1] == '0') {
        --lKept;
    }
    if (pExponent < 0) {
        *oAt++ = '0';
        *oAt++ = '.';
        for (int i = -1; i > pExponent; --i) {
            *oAt++ = '0';
        }
        for (int i = 0; i < lKept; ++i) {
            *oAt++ = lDigits[i];
        }
        return oAt;
    }
    for (int i = 0; i <= pExponent; ++i) {
        *oAt++ = lDigits[i];
    }
    if (lKept > pExponent + 1) {
        *oAt++ = '.';
        for (int i = pExponent + 1; i < lKept; ++i) {
            *oAt++ = lDigits[i];
        }
    }
    return oAt;
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
    if (pValue < 0.0) {
        *oAt++ = '-';
    }
    return LayOut(oAt, lSix, lExponent);
}
