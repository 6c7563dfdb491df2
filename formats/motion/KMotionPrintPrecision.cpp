#include "formats/motion/KMotionPrintPrecision.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace {

// 10^-4 to 10^15, the nearest doubles.
constexpr double kDecades[] = {1e-4, 1e-3, 1e-2, 1e-1, 1e0,  1e1,  1e2,  1e3,  1e4,  1e5,
                               1e6,  1e7,  1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
constexpr int kLowestDecade = -4;
// Powers of ten a double holds exactly.
constexpr double kExactPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr int kLargestExactPower = 22;
// Far wider than the rounding errors of the products below (a few units of 1e-16).
constexpr double kMargin = 1e-13;

// The decimal exponent of pValue (above 0) once rounded to pDigits significant digits, through
// its text.
int PrintedExponentOfText(double pValue, int pDigits)
{
    char lText[64];
    const std::to_chars_result lDigits = std::to_chars(lText, lText + sizeof lText, pValue,
                                                       std::chars_format::scientific, pDigits - 1);
    const char* lExponent = std::find(lText, lDigits.ptr, 'e') + 1;
    if (lExponent < lDigits.ptr && *lExponent == '+') {
        ++lExponent;
    }
    int lResult = 0;
    std::from_chars(lExponent, lDigits.ptr, lResult);
    return lResult;
}

// The same from the decades, for a value that lies clear of its decade's lower end and of the
// point where rounding to pDigits digits carries into the next decade (9.99995 for six digits);
// through the text otherwise. This runs once per printed group.
int PrintedExponent(double pValue, int pDigits)
{
    const int lLast = static_cast<int>(sizeof kDecades / sizeof kDecades[0]) - 2;
    if (!(pValue >= kDecades[0]) || pValue >= kDecades[lLast + 1] || pDigits > kLargestExactPower) {
        return PrintedExponentOfText(pValue, pDigits);
    }
    int lIndex = 0;
    while (lIndex < lLast && pValue >= kDecades[lIndex + 1]) {
        ++lIndex;
    }
    const double lCarry = kDecades[lIndex + 1] * (1.0 - 0.5 / kExactPowers[pDigits]);
    if (pValue < kDecades[lIndex] * (1.0 + kMargin) ||
        std::fabs(pValue - lCarry) <= lCarry * kMargin) {
        return PrintedExponentOfText(pValue, pDigits);
    }
    return lIndex + kLowestDecade + (pValue > lCarry ? 1 : 0);
}

// Rounds pCount values to the last of pDigits significant digits of pLargest.
int RoundToMagnitude(double* ioValues, int pCount, double pLargest, int pDigits)
{
    if (!(pLargest > 0.0) || !std::isfinite(pLargest) || pDigits < 1) {
        return KMotionPrintPrecision::kNotRounded;
    }
    // The scale is a power of ten, exact up to 1e22, so dividing by it gives the nearest double
    // to the rounded decimal.
    const int lDecimals = pDigits - 1 - PrintedExponent(pLargest, pDigits);
    const int lPower = std::abs(lDecimals);
    const double lScale =
        lPower <= kLargestExactPower ? kExactPowers[lPower] : std::pow(10.0, lPower);
    for (int i = 0; i < pCount; ++i) {
        ioValues[i] = lDecimals >= 0 ? std::nearbyint(ioValues[i] * lScale) / lScale
                                     : std::nearbyint(ioValues[i] / lScale) * lScale;
    }
    return lDecimals;
}

double LargestMagnitude(const double* pValues, int pCount, double pAtLeast)
{
    double lLargest = pAtLeast;
    for (int i = 0; i < pCount; ++i) {
        lLargest = std::max(lLargest, std::fabs(pValues[i]));
    }
    return lLargest;
}

} // namespace

int KMotionPrintPrecision::RoundToLargest(double* ioValues, int pCount, int pDigits)
{
    return RoundToMagnitude(ioValues, pCount, LargestMagnitude(ioValues, pCount, 0.0), pDigits);
}

void KMotionPrintPrecision::RoundToLargestOr(double* ioValues, int pCount, double pAtLeast)
{
    RoundToMagnitude(ioValues, pCount, LargestMagnitude(ioValues, pCount, pAtLeast),
                     kPrintedDigits);
    ClearNegativeZeros(ioValues, pCount);
}

void KMotionPrintPrecision::KeepHalfTurnsPositive(double* ioDegrees, int pCount)
{
    constexpr double kHalfTurn = 180.0;
    for (int i = 0; i < pCount; ++i) {
        ioDegrees[i] = ioDegrees[i] == -kHalfTurn ? kHalfTurn : ioDegrees[i];
    }
}

void KMotionPrintPrecision::ClearNegativeZeros(double* ioValues, int pCount)
{
    for (int i = 0; i < pCount; ++i) {
        // -0 + 0 is +0 in the default rounding mode; every other value stays as it is.
        ioValues[i] += 0.0;
    }
}
