#include "formats/motion/KMotionPrintPrecision.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace {

// The decimal exponent of pValue (above 0) once rounded to pDigits significant digits.
int PrintedExponent(double pValue, int pDigits)
{
    char lText[64];
    const std::to_chars_result lDigits = std::to_chars(lText, lText + sizeof(lText), pValue,
                                                       std::chars_format::scientific, pDigits - 1);
    const char* lExponent = std::find(lText, lDigits.ptr, 'e') + 1;
    if (lExponent < lDigits.ptr && *lExponent == '+') {
        ++lExponent;
    }
    int lResult = 0;
    std::from_chars(lExponent, lDigits.ptr, lResult);
    return lResult;
}

} // namespace

void KMotionPrintPrecision::RoundToLargest(double* ioValues, int pCount, int pDigits)
{
    double lLargest = 0.0;
    for (int i = 0; i < pCount; ++i) {
        lLargest = std::max(lLargest, std::fabs(ioValues[i]));
    }
    if (!(lLargest > 0.0) || !std::isfinite(lLargest) || pDigits < 1) {
        return;
    }
    // The scale is a power of ten, exact up to 1e22, so dividing by it gives the nearest double
    // to the rounded decimal.
    const int lDecimals = pDigits - 1 - PrintedExponent(lLargest, pDigits);
    const double lScale = std::pow(10.0, std::abs(lDecimals));
    for (int i = 0; i < pCount; ++i) {
        ioValues[i] = lDecimals >= 0 ? std::nearbyint(ioValues[i] * lScale) / lScale
                                     : std::nearbyint(ioValues[i] / lScale) * lScale;
    }
}

void KMotionPrintPrecision::ClearNegativeZeros(double* ioValues, int pCount)
{
    for (int i = 0; i < pCount; ++i) {
        // -0 + 0 is +0 in the default rounding mode; every other value stays as it is.
        ioValues[i] += 0.0;
    }
}
