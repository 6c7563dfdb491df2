#include "formats/geometry/obj/KObjFixedFormat.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

constexpr int kDecimals = 6;
constexpr std::uint64_t kScale = 1000000;
// Below this magnitude the whole part and every fraction bit fit in 64-bit integers.
constexpr double kIntegerLimit = 4503599627370496.0; // 2^52
// Fraction bits past this many scale to less than half a unit of the sixth decimal.
constexpr int kMaxFractionBits = 73;

// The six decimals of pFraction (0 <= pFraction < 1) rounded to nearest, ties to even: up to
// kScale, which carries into the whole part.
std::uint64_t ScaledFraction(double pFraction)
{
    if (pFraction == 0.0) {
        return 0;
    }
    int lExponent = 0;
    // pFraction = lMantissa * 2^-lBits exactly, lMantissa a 53-bit integer.
    const double lSignificand = std::frexp(pFraction, &lExponent);
    const int lBits = 53 - lExponent;
    if (lBits > kMaxFractionBits) {
        return 0;
    }
    const auto lMantissa = static_cast<std::uint64_t>(std::ldexp(lSignificand, 53));
    const unsigned __int128 lProduct = static_cast<unsigned __int128>(lMantissa) * kScale;
    const std::uint64_t lQuotient = static_cast<std::uint64_t>(lProduct >> lBits);
    const unsigned __int128 lRest = lProduct - (static_cast<unsigned __int128>(lQuotient) << lBits);
    const unsigned __int128 lHalf = static_cast<unsigned __int128>(1) << (lBits - 1);
    const bool lUp = lRest > lHalf || (lRest == lHalf && (lQuotient & 1) != 0);
    return lQuotient + (lUp ? 1 : 0);
}

} // namespace

char* KObjFixedFormat::Write(char* pOut, double pValue)
{
    const double lMagnitude = std::fabs(pValue);
    if (!(lMagnitude < kIntegerLimit)) {
        const std::to_chars_result lResult =
            std::to_chars(pOut, pOut + kMaxLength, pValue, std::chars_format::fixed, kDecimals);
        return lResult.ec == std::errc() ? lResult.ptr : pOut;
    }
    const double lWholePart = std::floor(lMagnitude);
    std::uint64_t lWhole = static_cast<std::uint64_t>(lWholePart);
    std::uint64_t lFraction = ScaledFraction(lMagnitude - lWholePart);
    if (lFraction == kScale) {
        ++lWhole;
        lFraction = 0;
    }
    // A value that prints as zero has no sign: -0.0 does not survive the arithmetic of a second
    // write (x * 1 + 0 is +0), so a sign here would make that write differ.
    if (std::signbit(pValue) && (lWhole != 0 || lFraction != 0)) {
        *pOut++ = '-';
    }
    pOut = std::to_chars(pOut, pOut + kMaxLength, lWhole).ptr;
    *pOut++ = '.';
    for (int i = kDecimals - 1; i >= 0; --i) {
        pOut[i] = static_cast<char>('0' + lFraction % 10);
        lFraction /= 10;
    }
    return pOut + kDecimals;
}
