#include "formats/motion/KMotionNumber.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
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

// Eight bytes of text as one number, the first byte lowest, whatever the machine's byte order.
std::uint64_t LoadEight(const char* pText)
{
    std::uint64_t lWord = 0;
    std::memcpy(&lWord, pText, sizeof lWord);
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    lWord = __builtin_bswap64(lWord);
#endif
    return lWord;
}

// The value of eight digit bytes (0 to 9 each, the first byte the most significant digit).
std::uint64_t EightDigitsValue(std::uint64_t pDigits)
{
    pDigits = (pDigits * 10u) + (pDigits >> 8);
    pDigits = (((pDigits & 0x000000FF000000FFull) * 0x000F424000000064ull) +
               (((pDigits >> 16) & 0x000000FF000000FFull) * 0x0000271000000001ull)) >>
              32;
    return pDigits & 0xFFFFFFFFull;
}

// The digit-byte mask of a word of text: nonzero in each byte that is no digit ('0' to '9'),
// zero in each digit, whose value lDigits keeps. The additions stay within each byte.
std::uint64_t NonDigits(std::uint64_t pWord, std::uint64_t& oDigits)
{
    oDigits = pWord ^ 0x3030303030303030ull;
    return (oDigits & 0xF0F0F0F0F0F0F0F0ull) |
           (((oDigits & 0x0F0F0F0F0F0F0F0Full) + 0x0606060606060606ull) & 0xF0F0F0F0F0F0F0F0ull);
}

constexpr std::uint64_t kTens[9] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};

// The long or last runs of ReadDigitRun: whole words of eight digits, then byte by byte.
std::size_t ReadLongDigitRun(const char*& ioPos, const char* pEnd, std::uint64_t& ioMantissa)
{
    std::size_t lLength = 0;
    std::uint64_t lDigits = 0;
    while (pEnd - ioPos >= 8 && NonDigits(LoadEight(ioPos), lDigits) == 0) {
        ioMantissa = ioMantissa * kTens[8] + EightDigitsValue(lDigits);
        ioPos += 8;
        lLength += 8;
    }
    for (; ioPos < pEnd && IsDigit(*ioPos); ++ioPos, ++lLength) {
        ioMantissa = ioMantissa * 10u + static_cast<std::uint64_t>(*ioPos - '0');
    }
    return lLength;
}

// Reads the run of digits at ioPos into ioMantissa (times ten per digit plus the digit) and
// answers its length. A run shorter than eight digits with eight bytes of text at hand, the
// common case, takes one word and no branch per digit. A run longer than 19 digits wraps the
// mantissa; callers refuse it by its length.
inline std::size_t ReadDigitRun(const char*& ioPos, const char* pEnd, std::uint64_t& ioMantissa)
{
    if (pEnd - ioPos >= 8) {
        std::uint64_t lDigits = 0;
        const std::uint64_t lOther = NonDigits(LoadEight(ioPos), lDigits);
        if (lOther != 0) {
            const int lRun = __builtin_ctzll(lOther) / 8;
            if (lRun > 0) {
                ioMantissa =
                    ioMantissa * kTens[lRun] + EightDigitsValue(lDigits << (64 - 8 * lRun));
            }
            ioPos += lRun;
            return static_cast<std::size_t>(lRun);
        }
    }
    return ReadLongDigitRun(ioPos, pEnd, ioMantissa);
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

std::size_t KMotionNumber::ReadShortDecimal(const char* pBegin, const char* pEnd, double& oValue)
{
    // Every power of ten up to kMaxShortDigits is exact in a double.
    static constexpr double kPowersOfTen[kMaxShortDigits + 1] = {
        1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const bool lNegative = pBegin < pEnd && *pBegin == '-';
    const char* lPos = pBegin + (lNegative ? 1 : 0);
    std::uint64_t lMantissa = 0;
    std::size_t lDigits = ReadDigitRun(lPos, pEnd, lMantissa);
    std::size_t lFraction = 0;
    if (lPos < pEnd && *lPos == '.') {
        ++lPos;
        lFraction = ReadDigitRun(lPos, pEnd, lMantissa);
        lDigits += lFraction;
    }
    if (lDigits == 0 || lDigits > kMaxShortDigits ||
        (lPos < pEnd && (*lPos == '.' || *lPos == 'e' || *lPos == 'E'))) {
        return 0;
    }
    // Both operands are exact (fewer than 2^53 and a power of ten up to 1e15), so the one
    // rounding of the division gives the correctly rounded value, as the full reader does.
    // The sign as a factor: a branch on it would be a coin toss in a table of signed values.
    static constexpr double kSigns[2] = {1.0, -1.0};
    oValue = static_cast<double>(lMantissa) / kPowersOfTen[lFraction] * kSigns[lNegative ? 1 : 0];
    return static_cast<std::size_t>(lPos - pBegin);
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
