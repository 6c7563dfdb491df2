#ifndef RYVKIT_FORMATS_MOTION_C3D_KC3DENCODING_H
#define RYVKIT_FORMATS_MOTION_C3D_KC3DENCODING_H

#include <cstdint>

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
    // as 0.
    static double ReadFloat(const std::uint8_t* pBytes, EProcessor pProcessor);

    // The writer's encodings: little-endian words and DEC floats.
    static void WriteWord(std::uint8_t* oBytes, std::uint16_t pValue);
    // False, nothing written, for a value DEC cannot hold (not finite, or beyond its largest
    // value); a value too small for it is written as 0.
    static bool WriteDecFloat(std::uint8_t* oBytes, double pValue);
};

#endif
