#include "formats/motion/c3d/KC3dEncoding.h"

#include <cfloat>
#include <cmath>
#include <cstring>

namespace {

// A DEC float is the IEEE float of the same bits divided by 4 (exponent bias 129 against 127).
constexpr double kDecFactor = 4.0;
constexpr std::uint32_t kExponentMask = 0x7F800000u;
constexpr std::uint32_t kSignBit = 0x80000000u;

} // namespace

KC3dEncoding::EProcessor KC3dEncoding::FromByte(std::uint8_t pByte)
{
    const int lType = static_cast<int>(pByte) - kProcessorBase;
    return lType == eDec ? eDec : (lType == eMips ? eMips : eIntel);
}

std::uint16_t KC3dEncoding::ReadWord(const std::uint8_t* pBytes, EProcessor pProcessor)
{
    if (pProcessor == eMips) {
        return static_cast<std::uint16_t>((pBytes[0] << 8) | pBytes[1]);
    }
    return static_cast<std::uint16_t>(pBytes[0] | (pBytes[1] << 8));
}

double KC3dEncoding::ReadDecEdge(std::uint32_t pBits)
{
    if ((pBits & kExponentMask) == 0) {
        return (pBits & kSignBit) ? std::nan("") : 0.0;
    }
    const double lMantissa = 1.0 + static_cast<double>(pBits & 0x7FFFFFu) / 8388608.0;
    const double lValue = std::ldexp(lMantissa, 255 - 129);
    return (pBits & kSignBit) ? -lValue : lValue;
}

void KC3dEncoding::WriteWord(std::uint8_t* oBytes, std::uint16_t pValue)
{
    oBytes[0] = static_cast<std::uint8_t>(pValue & 0xFF);
    oBytes[1] = static_cast<std::uint8_t>(pValue >> 8);
}

bool KC3dEncoding::WriteDecFloat(std::uint8_t* oBytes, double pValue)
{
    if (!std::isfinite(pValue)) {
        return false;
    }
    const double lScaled = pValue * kDecFactor;
    // The largest DEC value has exponent 255 and all mantissa bits: just below 2^127.
    const double lLargest = std::ldexp(2.0 - std::ldexp(1.0, -23), 126);
    if (std::fabs(pValue) > lLargest) {
        return false;
    }
    std::uint32_t lBits = 0;
    if (std::fabs(lScaled) >= static_cast<double>(FLT_MIN)) {
        const int lExponent = std::ilogb(pValue);
        // Mantissa rounded to 23 bits; a carry moves the value to the next power of two.
        double lMantissa = std::nearbyint(std::ldexp(std::fabs(pValue), 23 - lExponent));
        int lBiased = lExponent + 129;
        if (lMantissa >= 16777216.0) {
            lMantissa /= 2.0;
            ++lBiased;
        }
        if (lBiased > 255) {
            return false;
        }
        lBits = (static_cast<std::uint32_t>(lBiased) << 23) |
                (static_cast<std::uint32_t>(lMantissa) & 0x7FFFFFu) |
                (pValue < 0.0 ? kSignBit : 0u);
    }
    WriteWord(oBytes, static_cast<std::uint16_t>(lBits >> 16));
    WriteWord(oBytes + 2, static_cast<std::uint16_t>(lBits & 0xFFFFu));
    return true;
}
