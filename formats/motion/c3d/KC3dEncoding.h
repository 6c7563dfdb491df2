#ifndef RYVKIT_FORMATS_MOTION_C3D_KC3DENCODING_H
#define RYVKIT_FORMATS_MOTION_C3D_KC3DENCODING_H

#include <cstdint>
#include <cstring>

// The number encodings of the three processor types C3D files are written for, decoded and
// encoded byte by byte whatever the host's byte order: Intel (little-endian words, IEEE
// floats), DEC (little-endian words, floats in the VAX F layout: the two 16-bit halves of the
// value in the other order and an exponent biased by 2 more than IEEE) and MIPS (big-endian
// words, IEEE floats).
class KC3dEncoding
{
public:
    enum EProcessor : int { eIntel = 1, eDec = 2, eMips = 3 };
    // The parameter section's fourth byte is this plus the processor type.
    static constexpr int kProcessorBase = 83;

    // The processor of the parameter section's fourth byte; Intel for any unknown value.
    static EProcessor FromByte(std::uint8_t pByte);

    static std::uint16_t ReadWord(const std::uint8_t* pBytes, EProcessor pProcessor);
    static std::int16_t ReadInt16(const std::uint8_t* pBytes, EProcessor pProcessor)
    {
        return static_cast<std::int16_t>(ReadWord(pBytes, pProcessor));
    }
    // A DEC reserved operand (sign set, exponent 0) reads as NaN; other values with exponent 0
    // as 0. Inline: frames are decoded a float at a time.
    static double ReadFloat(const std::uint8_t* pBytes, EProcessor pProcessor)
    {
        const std::uint32_t lBits = FloatBits(pBytes, pProcessor);
        const std::uint32_t lExponent = (lBits >> 23) & 0xFFu;
        if (pProcessor != eDec) {
            return FloatOfBits(lBits);
        }
        // With an exponent from 1 to 254 the IEEE float of the same bits is 4 times the value,
        // exactly.
        return lExponent != 0 && lExponent != 0xFFu ? FloatOfBits(lBits) / 4.0 : ReadDecEdge(lBits);
    }

    // The writer's encodings: little-endian words and DEC floats.
    static void WriteWord(std::uint8_t* oBytes, std::uint16_t pValue);
    // False, nothing written, for a value DEC cannot hold (not finite, or beyond its largest
    // value); a value too small for it is written as 0.
    static bool WriteDecFloat(std::uint8_t* oBytes, double pValue);

private:
    // The 32 bits of a float in the file, high half first for DEC.
    static std::uint32_t FloatBits(const std::uint8_t* pBytes, EProcessor pProcessor)
    {
        if (pProcessor == eMips) {
            return (std::uint32_t(pBytes[0]) << 24) | (std::uint32_t(pBytes[1]) << 16) |
                   (std::uint32_t(pBytes[2]) << 8) | pBytes[3];
        }
        if (pProcessor == eIntel) {
            return (std::uint32_t(pBytes[3]) << 24) | (std::uint32_t(pBytes[2]) << 16) |
                   (std::uint32_t(pBytes[1]) << 8) | pBytes[0];
        }
        return (std::uint32_t(pBytes[1]) << 24) | (std::uint32_t(pBytes[0]) << 16) |
               (std::uint32_t(pBytes[3]) << 8) | pBytes[2];
    }
    static double FloatOfBits(std::uint32_t pBits)
    {
        float lValue;
        std::memcpy(&lValue, &pBits, sizeof(lValue));
        return lValue;
    }
    // DEC values with the exponent 0 (zero, reserved operand) or 255 (beyond IEEE floats).
    static double ReadDecEdge(std::uint32_t pBits);
};

#endif
