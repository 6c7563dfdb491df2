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

// "%.<precision>g" from the shortest text that reads back as pValue, when that text has no more
// digits than the precision, the precision is at most DBL_DIG and the value is normal: then the
// value rounded to the precision is that text (the value lies far closer to it than half a unit of
// its last printed digit), and only its layout is left to do, as "%g" lays it out. Most numbers the
// writers print were rounded to the printed digits before, and the shortest form is much cheaper to
// find than a rounding to a precision. False, nothing appended, when the shortest text is longer.
bool AppendShortGeneral(std::string& ioText, double pValue, int pPrecision)
{
    // Subnormal values hold fewer digits than DBL_DIG.
    if (pPrecision > DBL_DIG || (pValue != 0.0 && std::fabs(pValue) < DBL_MIN)) {
        return false;
    }
    char lText[40];
    const std::to_chars_result lResult =
        std::to_chars(lText, lText + sizeof lText, pValue, std::chars_format::scientific);
    const bool lNegative = lText[0] == '-';
    const char* lPos = lNegative ? lText + 1 : lText;
    char lDigits[DBL_DECIMAL_DIG + 1];
    int lCount = 0;
    for (; lPos < lResult.ptr && *lPos != 'e'; ++lPos) {
        if (*lPos != '.') {
            if (lCount == pPrecision) {
                return false;
            }
            lDigits[lCount++] = *lPos;
        }
    }
    // The exponent: "e+05" or "e-05"; from_chars takes no '+'.
    int lExponent = 0;
    const char* lExponentText = lPos + 1 < lResult.ptr && lPos[1] == '+' ? lPos + 2 : lPos + 1;
    std::from_chars(lExponentText, lResult.ptr, lExponent);
    if (lExponent < -4 || lExponent >= pPrecision) {
        // The shortest scientific text has no trailing zeros, as "%g" strips them.
        ioText.append(lText, lResult.ptr);
        return true;
    }
    if (lNegative) {
        ioText += '-';
    }
    const std::size_t lDigitCount = static_cast<std::size_t>(lCount);
    if (lExponent < 0) {
        ioText += "0.";
        ioText.append(static_cast<std::size_t>(-lExponent - 1), '0');
        ioText.append(lDigits, lDigitCount);
        return true;
    }
    const std::size_t lWhole = static_cast<std::size_t>(lExponent) + 1;
    if (lDigitCount <= lWhole) {
        ioText.append(lDigits, lDigitCount);
        ioText.append(lWhole - lDigitCount, '0');
        return true;
    }
    ioText.append(lDigits, lWhole);
    ioText += '.';
    ioText.append(lDigits + lWhole, lDigitCount - lWhole);
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
