#ifndef RYVKIT_FORMATS_MOTION_KMOTIONFASTNUMBER_H
#define RYVKIT_FORMATS_MOTION_KMOTIONFASTNUMBER_H

#include <charconv>
#include <cstdint>
#include <system_error>

// Decimal text to double for the frame lines of the motion formats, answering exactly what
// std::from_chars (general format) answers: the same value to the last bit, the same end
// pointer and the same error, for any text. The plain spellings of capture files (sign, at most
// nineteen digits around one point, an exponent of at most four digits) whose digits fit 2^53
// and whose power of ten lies within 10^22 are one exact multiplication or division by an exact
// power of ten, which rounds once, as the library's correctly rounded result does; every other
// text goes to std::from_chars itself. Inline, as it runs once per value of a frame line.
class KMotionFastNumber
{
public:
    static std::from_chars_result FromChars(const char* pBegin, const char* pEnd, double& oValue)
    {
        const char* lAt = pBegin;
        const bool lNegative = lAt != pEnd && *lAt == '-';
        lAt += lNegative ? 1 : 0;
        std::uint64_t lDigits = 0;
        const char* const lIntegerStart = lAt;
        lAt = TakeDigits(lAt, pEnd, lDigits);
        int lCount = static_cast<int>(lAt - lIntegerStart);
        int lPower = 0;
        if (lAt != pEnd && *lAt == '.') {
            const char* const lFractionStart = ++lAt;
            lAt = TakeDigits(lAt, pEnd, lDigits);
            lPower = -static_cast<int>(lAt - lFractionStart);
            lCount -= lPower;
        }
        // No digit at all, or more than a 64-bit word holds without overflow.
        if (lCount == 0 || lCount > kMaxDigits) {
            return std::from_chars(pBegin, pEnd, oValue);
        }
        if (lAt != pEnd && (*lAt == 'e' || *lAt == 'E')) {
            int lExponent = 0;
            if (!TakeExponent(lAt, pEnd, lExponent)) {
                return std::from_chars(pBegin, pEnd, oValue);
            }
            lPower += lExponent;
        }
        if (lDigits > kExactMantissa || lPower < -kMaxExactPower || lPower > kMaxExactPower) {
            return std::from_chars(pBegin, pEnd, oValue);
        }
        const double lMagnitude = lPower < 0 ? static_cast<double>(lDigits) / kPowers[-lPower]
                                             : static_cast<double>(lDigits) * kPowers[lPower];
        oValue = lNegative ? -lMagnitude : lMagnitude;
        return {lAt, std::errc()};
    }

private:
    static constexpr int kMaxDigits = 19;
    static constexpr int kMaxExponentDigits = 4;
    static constexpr std::uint64_t kExactMantissa = std::uint64_t(1) << 53;
    // 10^22 is the largest power of ten a double holds exactly.
    static constexpr int kMaxExactPower = 22;
    static constexpr double kPowers[kMaxExactPower + 1] = {
        1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
        1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

    static bool IsDigit(char pChar) { return static_cast<unsigned char>(pChar - '0') < 10u; }

    // Digits appended to ioDigits (wrapping past 2^64 is harmless: such a count is refused).
    static const char* TakeDigits(const char* pAt, const char* pEnd, std::uint64_t& ioDigits)
    {
        for (; pAt != pEnd && IsDigit(*pAt); ++pAt) {
            ioDigits = ioDigits * 10 + static_cast<std::uint64_t>(*pAt - '0');
        }
        return pAt;
    }

    // An exponent after ioAt's 'e': false (ioAt unchanged) without digits or with more than
    // kMaxExponentDigits of them, for the library to judge.
    static bool TakeExponent(const char*& ioAt, const char* pEnd, int& oExponent)
    {
        const char* lAt = ioAt + 1;
        const bool lNegative = lAt != pEnd && *lAt == '-';
        lAt += lAt != pEnd && (*lAt == '-' || *lAt == '+') ? 1 : 0;
        const char* const lStart = lAt;
        int lValue = 0;
        for (; lAt != pEnd && IsDigit(*lAt) && lAt - lStart < kMaxExponentDigits; ++lAt) {
            lValue = lValue * 10 + (*lAt - '0');
        }
        if (lAt == lStart || (lAt != pEnd && IsDigit(*lAt))) {
            return false;
        }
        oExponent = lNegative ? -lValue : lValue;
        ioAt = lAt;
        return true;
    }
};

#endif
