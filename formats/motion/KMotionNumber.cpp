#include "formats/motion/KMotionNumber.h"

#include <cassert>
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

// Precisions are capped so that any double in %f form fits the 400-byte buffer below (309 digits
// before the point at most).
constexpr int kMaxPrecision = 60;

void AppendDouble(std::string& ioText, double pValue, std::chars_format pFormat, int pPrecision)
{
    if (pPrecision < 0) {
        pPrecision = 6;
    }
    if (pPrecision > kMaxPrecision) {
        pPrecision = kMaxPrecision;
    }
    if (!std::isfinite(pValue)) {
        ioText += std::isnan(pValue) ? "nan" : (pValue < 0.0 ? "-inf" : "inf");
        return;
    }
    // %g with precision 0 means precision 1.
    if (pFormat == std::chars_format::general && pPrecision == 0) {
        pPrecision = 1;
    }
    char lChars[400];
    const std::to_chars_result lResult =
        std::to_chars(lChars, lChars + sizeof lChars, pValue, pFormat, pPrecision);
    if (lResult.ec == std::errc()) {
        ioText.append(lChars, lResult.ptr);
    }
}

struct FormatSpec
{
    bool mLeft = false;
    bool mPlus = false;
    bool mSpace = false;
    bool mZero = false;
    int mWidth = 0;
    int mPrecision = -1;
};

// Pads pBody (sign included) to the width; zero padding goes between the sign and the digits.
void AppendPadded(std::string& ioText, const std::string& pBody, const FormatSpec& pSpec,
                  bool pNumeric)
{
    const int lPad = pSpec.mWidth - static_cast<int>(pBody.size());
    if (lPad <= 0) {
        ioText += pBody;
    } else if (pSpec.mLeft) {
        ioText += pBody;
        ioText.append(static_cast<std::size_t>(lPad), ' ');
    } else if (pSpec.mZero && pNumeric) {
        std::size_t lSign = 0;
        if (!pBody.empty() && (pBody[0] == '-' || pBody[0] == '+' || pBody[0] == ' ')) {
            lSign = 1;
        }
        ioText.append(pBody, 0, lSign);
        ioText.append(static_cast<std::size_t>(lPad), '0');
        ioText.append(pBody, lSign, std::string::npos);
    } else {
        ioText.append(static_cast<std::size_t>(lPad), ' ');
        ioText += pBody;
    }
}

void AddSign(std::string& ioBody, const FormatSpec& pSpec)
{
    if (ioBody.empty() || ioBody[0] != '-') {
        if (pSpec.mPlus) {
            ioBody.insert(ioBody.begin(), '+');
        } else if (pSpec.mSpace) {
            ioBody.insert(ioBody.begin(), ' ');
        }
    }
}

std::string IntegerBody(unsigned long long pMagnitude, bool pNegative, int pBase, bool pUpper,
                        const FormatSpec& pSpec)
{
    char lChars[72];
    const std::to_chars_result lResult =
        std::to_chars(lChars, lChars + sizeof lChars, pMagnitude, pBase);
    std::string lDigits(lChars, lResult.ptr);
    if (pUpper) {
        for (char& lChar : lDigits) {
            if (lChar >= 'a' && lChar <= 'f') {
                lChar = static_cast<char>(lChar - 'a' + 'A');
            }
        }
    }
    if (pSpec.mPrecision >= 0) {
        // An explicit precision is the minimum digit count, and a zero value with precision 0
        // prints no digit, as printf does.
        if (pSpec.mPrecision == 0 && pMagnitude == 0) {
            lDigits.clear();
        } else if (static_cast<int>(lDigits.size()) < pSpec.mPrecision) {
            lDigits.insert(0, static_cast<std::size_t>(pSpec.mPrecision) - lDigits.size(), '0');
        }
    }
    if (pNegative) {
        lDigits.insert(lDigits.begin(), '-');
    }
    return lDigits;
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

void KMotionNumber::AppendGeneral(std::string& ioText, double pValue, int pPrecision)
{
    AppendDouble(ioText, pValue, std::chars_format::general, pPrecision);
}

void KMotionNumber::AppendFixed(std::string& ioText, double pValue, int pPrecision)
{
    AppendDouble(ioText, pValue, std::chars_format::fixed, pPrecision);
}

void KMotionNumber::AppendInt(std::string& ioText, long long pValue)
{
    char lChars[24];
    const std::to_chars_result lResult = std::to_chars(lChars, lChars + sizeof lChars, pValue);
    ioText.append(lChars, lResult.ptr);
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
    const char* lPos = pFormat;
    while (*lPos != '\0') {
        if (*lPos != '%') {
            const char* lRun = lPos;
            while (*lPos != '\0' && *lPos != '%') {
                ++lPos;
            }
            ioText.append(lRun, lPos);
            continue;
        }
        const char* lSpecStart = lPos++;
        if (*lPos == '%') {
            ioText += '%';
            ++lPos;
            continue;
        }
        FormatSpec lSpec;
        for (;; ++lPos) {
            if (*lPos == '-') {
                lSpec.mLeft = true;
            } else if (*lPos == '+') {
                lSpec.mPlus = true;
            } else if (*lPos == ' ') {
                lSpec.mSpace = true;
            } else if (*lPos == '0') {
                lSpec.mZero = true;
            } else {
                break;
            }
        }
        if (*lPos == '*') {
            lSpec.mWidth = va_arg(lArgs, int);
            if (lSpec.mWidth < 0) {
                lSpec.mLeft = true;
                lSpec.mWidth = lSpec.mWidth == INT_MIN ? 0 : -lSpec.mWidth;
            }
            ++lPos;
        } else {
            while (IsDigit(*lPos)) {
                lSpec.mWidth = lSpec.mWidth < 100000 ? lSpec.mWidth * 10 + (*lPos - '0') : 100000;
                ++lPos;
            }
        }
        if (*lPos == '.') {
            ++lPos;
            lSpec.mPrecision = 0;
            if (*lPos == '*') {
                lSpec.mPrecision = va_arg(lArgs, int);
                ++lPos;
            } else {
                while (IsDigit(*lPos)) {
                    lSpec.mPrecision =
                        lSpec.mPrecision < 100000 ? lSpec.mPrecision * 10 + (*lPos - '0') : 100000;
                    ++lPos;
                }
            }
        }
        // Length: 0 int, 1 long, 2 long long, 3 size_t, 4 intmax_t, 5 ptrdiff_t.
        int lLength = 0;
        if (*lPos == 'h') {
            ++lPos;
            if (*lPos == 'h') {
                ++lPos;
            }
        } else if (*lPos == 'l') {
            ++lPos;
            lLength = 1;
            if (*lPos == 'l') {
                ++lPos;
                lLength = 2;
            }
        } else if (*lPos == 'z') {
            ++lPos;
            lLength = 3;
        } else if (*lPos == 'j') {
            ++lPos;
            lLength = 4;
        } else if (*lPos == 't') {
            ++lPos;
            lLength = 5;
        }
        const char lConversion = *lPos;
        if (lConversion != '\0') {
            ++lPos;
        }
        switch (lConversion) {
        case 'd':
        case 'i': {
            long long lValue = 0;
            switch (lLength) {
            case 1:
                lValue = va_arg(lArgs, long);
                break;
            case 2:
                lValue = va_arg(lArgs, long long);
                break;
            case 3:
                lValue = static_cast<long long>(va_arg(lArgs, std::size_t));
                break;
            case 4:
                lValue = va_arg(lArgs, std::intmax_t);
                break;
            case 5:
                lValue = va_arg(lArgs, std::ptrdiff_t);
                break;
            default:
                lValue = va_arg(lArgs, int);
                break;
            }
            const unsigned long long lMagnitude =
                lValue < 0 ? 0ULL - static_cast<unsigned long long>(lValue)
                           : static_cast<unsigned long long>(lValue);
            std::string lBody = IntegerBody(lMagnitude, lValue < 0, 10, false, lSpec);
            AddSign(lBody, lSpec);
            AppendPadded(ioText, lBody, lSpec, lSpec.mPrecision < 0);
            break;
        }
        case 'u':
        case 'x':
        case 'X': {
            unsigned long long lValue = 0;
            switch (lLength) {
            case 1:
                lValue = va_arg(lArgs, unsigned long);
                break;
            case 2:
                lValue = va_arg(lArgs, unsigned long long);
                break;
            case 3:
                lValue = va_arg(lArgs, std::size_t);
                break;
            case 4:
                lValue = va_arg(lArgs, std::uintmax_t);
                break;
            case 5:
                lValue = static_cast<unsigned long long>(va_arg(lArgs, std::ptrdiff_t));
                break;
            default:
                lValue = va_arg(lArgs, unsigned);
                break;
            }
            const std::string lBody =
                IntegerBody(lValue, false, lConversion == 'u' ? 10 : 16, lConversion == 'X', lSpec);
            AppendPadded(ioText, lBody, lSpec, lSpec.mPrecision < 0);
            break;
        }
        case 'c': {
            const std::string lBody(1, static_cast<char>(va_arg(lArgs, int)));
            AppendPadded(ioText, lBody, lSpec, false);
            break;
        }
        case 's': {
            const char* lText = va_arg(lArgs, const char*);
            if (lText == nullptr) {
                lText = "(null)";
            }
            std::string lBody;
            if (lSpec.mPrecision >= 0) {
                std::size_t lCount = 0;
                while (lCount < static_cast<std::size_t>(lSpec.mPrecision) &&
                       lText[lCount] != '\0') {
                    ++lCount;
                }
                lBody.assign(lText, lCount);
            } else {
                lBody = lText;
            }
            AppendPadded(ioText, lBody, lSpec, false);
            break;
        }
        case 'f':
        case 'F':
        case 'e':
        case 'E':
        case 'g':
        case 'G': {
            const double lValue = va_arg(lArgs, double);
            const char lLower = static_cast<char>(lConversion | 0x20);
            const std::chars_format lFormat = lLower == 'f'   ? std::chars_format::fixed
                                              : lLower == 'e' ? std::chars_format::scientific
                                                              : std::chars_format::general;
            std::string lBody;
            AppendDouble(lBody, lValue, lFormat, lSpec.mPrecision);
            if (lConversion != lLower) {
                for (char& lChar : lBody) {
                    if (lChar >= 'a' && lChar <= 'z') {
                        lChar = static_cast<char>(lChar - 'a' + 'A');
                    }
                }
            }
            AddSign(lBody, lSpec);
            AppendPadded(ioText, lBody, lSpec, std::isfinite(lValue));
            break;
        }
        default:
            assert(!"unsupported conversion in a motion format string");
            ioText.append(lSpecStart, lPos);
            break;
        }
    }
    va_end(lArgs);
}
