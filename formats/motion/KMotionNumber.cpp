#include "formats/motion/KMotionNumber.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <system_error>

namespace {

bool IsDigit(char pChar)
{
    return pChar >= '0' && pChar <= '9';
}

const char* SkipDigits(const char* pBegin, const char* pEnd)
{
    while (pBegin < pEnd && IsDigit(*pBegin)) {
        ++pBegin;
    }
    return pBegin;
}

// The precision of "%g"; higher ones are capped, so that every number fits the buffer below.
constexpr int kDefaultPrecision = 6;
constexpr int kMaxPrecision = 60;

template <class T> void AppendInteger(std::string& ioText, T pValue)
{
    char lChars[24];
    const std::to_chars_result lResult = std::to_chars(lChars, lChars + sizeof lChars, pValue);
    ioText.append(lChars, lResult.ptr);
}

// Reads the precision of "%.<digits>g" from ioFormat (which stands after the '%').
int ReadPrecision(const char*& ioFormat)
{
    if (*ioFormat != '.') {
        return kDefaultPrecision;
    }
    int lPrecision = 0;
    for (++ioFormat; IsDigit(*ioFormat); ++ioFormat) {
        lPrecision = std::min(lPrecision * 10 + (*ioFormat - '0'), kMaxPrecision);
    }
    return lPrecision;
}

// Powers of ten that a double holds exactly.
constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                        1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr int kSmallestFixedExponent = -4;
// 10^-4 to 10^15 (the largest exponent of DBL_DIG digits in the fixed layout).
constexpr double kDecades[] = {1e-4, 1e-3, 1e-2, 1e-1, 1e0,  1e1,  1e2,  1e3,  1e4,  1e5,
                               1e6,  1e7,  1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// "%.<precision>g" of a value that is a decimal of at most pPrecision significant digits (the
// nearest double to it), in the fixed layout: the digits r and the places k with value = r / 10^k
// are found with one multiplication and checked with one division (both exact to the rounding),
// and then only laid out. Most numbers the writers print were rounded to the printed digits
// before. Exact because, for a normal value and at most DBL_DIG digits, the value lies far closer
// to that decimal than half a unit of its last digit, so rounding it to the precision gives that
// decimal. False, nothing appended, for any other value or layout.
bool AppendShortGeneral(std::string& ioText, double pValue, int pPrecision)
{
    const double lAbs = std::fabs(pValue);
    if (lAbs == 0.0) {
        ioText += std::signbit(pValue) ? "-0" : "0";
        return true;
    }
    if (pPrecision > DBL_DIG || !(lAbs >= DBL_MIN)) {
        return false;
    }
    // The decimal exponent, from the nearest doubles to the powers of ten, searched from 10^0
    // either way (printed values mostly lie a few decades from 1): one off near a power of ten
    // costs only the quick way (the check or the layout test below fails).
    int lExponent = 0;
    if (lAbs >= 1.0) {
        while (lExponent < pPrecision - 1 &&
               lAbs >= kDecades[lExponent + 1 - kSmallestFixedExponent]) {
            ++lExponent;
        }
    } else {
        while (lExponent > kSmallestFixedExponent &&
               lAbs < kDecades[lExponent - kSmallestFixedExponent]) {
            --lExponent;
        }
    }
    int lPlaces = pPrecision - 1 - lExponent;
    const double lScale = kExactPowersOfTen[lPlaces];
    const double lDigits = std::nearbyint(lAbs * lScale);
    if (lDigits >= kExactPowersOfTen[pPrecision] || lDigits / lScale != lAbs) {
        return false;
    }
    auto lInteger = static_cast<std::int64_t>(lDigits);
    for (; lPlaces > 0 && lInteger % 10 == 0; --lPlaces) {
        lInteger /= 10;
    }
    char lText[24];
    const std::to_chars_result lResult = std::to_chars(lText, lText + sizeof lText, lInteger);
    const int lCount = static_cast<int>(lResult.ptr - lText);
    const int lPrinted = lCount - 1 - lPlaces;
    if (lPrinted < kSmallestFixedExponent || lPrinted >= pPrecision) {
        return false;
    }
    // Laid out aside and appended once: at most a sign, "0.", DBL_DIG + 3 zeros and the digits.
    char lOut[48];
    char* lAt = lOut;
    if (pValue < 0.0) {
        *lAt++ = '-';
    }
    if (lPlaces >= lCount) {
        *lAt++ = '0';
        *lAt++ = '.';
        lAt = std::fill_n(lAt, lPlaces - lCount, '0');
        lAt = std::copy(lText, lResult.ptr, lAt);
    } else {
        lAt = std::copy(lText, lResult.ptr - lPlaces, lAt);
        if (lPlaces > 0) {
            *lAt++ = '.';
            lAt = std::copy(lResult.ptr - lPlaces, lResult.ptr, lAt);
        }
    }
    ioText.append(lOut, lAt);
    return true;
}

} // namespace

std::size_t KMotionNumber::ScanDecimal(const char* pBegin, const char* pEnd)
{
    const char* lPos = pBegin;
    if (lPos < pEnd && (*lPos == '+' || *lPos == '-')) {
        ++lPos;
    }
    const char* lIntEnd = SkipDigits(lPos, pEnd);
    bool lHasDigits = lIntEnd > lPos;
    lPos = lIntEnd;
    if (lPos < pEnd && *lPos == '.') {
        const char* lFracEnd = SkipDigits(lPos + 1, pEnd);
        lHasDigits = lHasDigits || lFracEnd > lPos + 1;
        lPos = lFracEnd;
    }
    if (!lHasDigits) {
        return 0;
    }
    if (lPos < pEnd && (*lPos == 'e' || *lPos == 'E')) {
        const char* lExp = lPos + 1;
        if (lExp < pEnd && (*lExp == '+' || *lExp == '-')) {
            ++lExp;
        }
        const char* lExpEnd = SkipDigits(lExp, pEnd);
        if (lExpEnd > lExp) {
            lPos = lExpEnd;
        }
    }
    return static_cast<std::size_t>(lPos - pBegin);
}

std::size_t KMotionNumber::ScanInteger(const char* pBegin, const char* pEnd)
{
    const char* lPos = pBegin;
    if (lPos < pEnd && (*lPos == '+' || *lPos == '-')) {
        ++lPos;
    }
    const char* lEnd = SkipDigits(lPos, pEnd);
    return lEnd > lPos ? static_cast<std::size_t>(lEnd - pBegin) : 0;
}

bool KMotionNumber::ParseDouble(const char* pBegin, const char* pEnd, double& pValue)
{
    if (pBegin >= pEnd || ScanDecimal(pBegin, pEnd) != static_cast<std::size_t>(pEnd - pBegin)) {
        return false;
    }
    // from_chars refuses a leading '+' but takes the rest of the grammar as scanned above.
    const char* lStart = *pBegin == '+' ? pBegin + 1 : pBegin;
    double lValue = 0.0;
    const std::from_chars_result lResult = std::from_chars(lStart, pEnd, lValue);
    if (lResult.ec != std::errc() || lResult.ptr != pEnd) {
        return false;
    }
    pValue = lValue;
    return true;
}

bool KMotionNumber::ParseInt(const char* pBegin, const char* pEnd, int& pValue)
{
    if (pBegin >= pEnd || ScanInteger(pBegin, pEnd) != static_cast<std::size_t>(pEnd - pBegin)) {
        return false;
    }
    const char* lStart = *pBegin == '+' ? pBegin + 1 : pBegin;
    int lValue = 0;
    const std::from_chars_result lResult = std::from_chars(lStart, pEnd, lValue);
    if (lResult.ec != std::errc() || lResult.ptr != pEnd) {
        return false;
    }
    pValue = lValue;
    return true;
}

bool KMotionNumber::FitsFloat(const double* pValues, int pCount)
{
    for (int i = 0; i < pCount; ++i) {
        if (!(std::fabs(pValues[i]) <= static_cast<double>(FLT_MAX))) {
            return false;
        }
    }
    return true;
}

void KMotionNumber::AppendGeneral(std::string& ioText, double pValue, int pPrecision)
{
    if (!std::isfinite(pValue)) {
        ioText += std::isnan(pValue) ? "nan" : (pValue < 0.0 ? "-inf" : "inf");
        return;
    }
    // As printf: a precision of 0 means 1, a negative one the default.
    pPrecision = pPrecision < 0 ? kDefaultPrecision : std::clamp(pPrecision, 1, kMaxPrecision);
    if (AppendShortGeneral(ioText, pValue, pPrecision)) {
        return;
    }
    char lChars[96];
    const std::to_chars_result lResult = std::to_chars(lChars, lChars + sizeof lChars, pValue,
                                                       std::chars_format::general, pPrecision);
    ioText.append(lChars, lResult.ptr);
}

void KMotionNumber::AppendInt(std::string& ioText, long long pValue)
{
    AppendInteger(ioText, pValue);
}

void KMotionNumber::AppendFormat(std::string& ioText, const char* pFormat, ...)
{
    std::va_list lArgs;
    va_start(lArgs, pFormat);
    AppendFormatV(ioText, pFormat, lArgs);
    va_end(lArgs);
}

void KMotionNumber::AppendFormatV(std::string& ioText, const char* pFormat, std::va_list pArgs)
{
    // A copy, so that the caller's list is left as va_start made it.
    std::va_list lArgs;
    va_copy(lArgs, pArgs);
    for (const char* lPos = pFormat; *lPos != '\0'; ++lPos) {
        if (*lPos != '%') {
            ioText += *lPos;
            continue;
        }
        const char* lSpec = ++lPos;
        const int lPrecision = ReadPrecision(lPos);
        if (*lPos == 'g') {
            AppendGeneral(ioText, va_arg(lArgs, double), lPrecision);
        } else if (*lPos == 'd' && lPos == lSpec) {
            AppendInteger(ioText, va_arg(lArgs, int));
        } else if (*lPos == 'z' && lPos[1] == 'u' && lPos == lSpec) {
            AppendInteger(ioText, va_arg(lArgs, std::size_t));
            ++lPos;
        } else if (*lPos == 's' && lPos == lSpec) {
            const char* lText = va_arg(lArgs, const char*);
            ioText += lText ? lText : "(null)";
        } else if (*lPos == '%' && lPos == lSpec) {
            ioText += '%';
        } else {
            // A programmer error: the directive is copied as it stands, and nothing is consumed.
            ioText.append(lSpec - 1, lPos);
            if (*lPos == '\0') {
                break;
            }
            ioText += *lPos;
        }
    }
    va_end(lArgs);
}
