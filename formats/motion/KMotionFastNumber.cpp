#include "formats/motion/KMotionFastNumber.h"

#include <cstdint>
#include <cstring>
#include <system_error>

namespace {

// Digits up to this value convert to a double without rounding.
constexpr std::uint64_t kMaxExactMantissa = std::uint64_t(1) << 53;

constexpr double kPowersOfTen[KMotionFastNumber::kMaxFastPowerOfTen + 1] = {
    1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

constexpr std::uint64_t kPowersOfTenInt[] = {1,      10,      100,      1000,     10000,
                                             100000, 1000000, 10000000, 100000000};

// Eight text bytes at a time, the first in the lowest byte.
constexpr int kChunkBytes = 8;
constexpr std::uint64_t kEachByte = 0x0101010101010101u;
constexpr std::uint64_t kHighBits = 0x8080808080808080u;

// The chunks put the first text byte lowest, which one load does on a little-endian machine only.
constexpr bool kLittleEndian = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;

// Eight bytes from pPos with those at or past pEnd set to zero (no digit). A padded text has
// them readable and takes them in one load; otherwise the last few come one at a time.
template <bool kPadded> std::uint64_t LoadChunk(const char* pPos, const char* pEnd)
{
    std::uint64_t lChunk = 0;
    const std::ptrdiff_t lLeft = pEnd - pPos;
    if (kLittleEndian && (kPadded || lLeft >= kChunkBytes)) {
        std::memcpy(&lChunk, pPos, kChunkBytes);
        return lLeft >= kChunkBytes ? lChunk : lChunk & ((std::uint64_t(1) << (8 * lLeft)) - 1);
    }
    const std::ptrdiff_t lBytes = lLeft < kChunkBytes ? lLeft : kChunkBytes;
    for (int i = 0; i < lBytes; ++i) {
        lChunk |= std::uint64_t(static_cast<unsigned char>(pPos[i])) << (8 * i);
    }
    return lChunk;
}

// How many of the chunk's bytes, from the first, are digits. A byte's high bit is set in the
// test when it is above '9' (adding 0x46) or below '0' (the borrow of subtracting 0x30); bytes
// before the first non-digit are digits and pass neither a carry nor a borrow upward, so the
// lowest flagged byte is exactly the first non-digit.
int LeadingDigits(std::uint64_t pChunk)
{
    const std::uint64_t lFlags =
        ((pChunk + 0x46 * kEachByte) | (pChunk - 0x30 * kEachByte)) & kHighBits;
    return lFlags == 0 ? kChunkBytes : __builtin_ctzll(lFlags) / 8;
}

// The value of the first pCount (0 to 8) digit bytes of the chunk: the digits moved to the top
// bytes (zeros below them add nothing; two shifts, so that 0 digits shift everything out) and
// combined pairwise, then in fours, then in eights.
std::uint64_t ChunkValue(std::uint64_t pChunk, int pCount)
{
    const int lHalfShift = 4 * (kChunkBytes - pCount);
    std::uint64_t lDigits = (pChunk - 0x30 * kEachByte) << lHalfShift << lHalfShift;
    lDigits = lDigits * 10 + (lDigits >> 8);
    lDigits = (((lDigits & 0x000000FF000000FFu) * (100 + (1000000ull << 32))) +
               (((lDigits >> 16) & 0x000000FF000000FFu) * (1 + (10000ull << 32)))) >>
              32;
    return lDigits;
}

// Adds the digits of a run of eight or more from pPos on to ioMantissa and ioCount. The
// mantissa may wrap once more than kMaxFastDigits digits are counted, which the caller refuses
// before using it. The loop moves forward by the digits it takes and ends at the first chunk
// that is not all digits.
template <bool kPadded>
const char* GatherLongDigits(const char* pPos, const char* pEnd, std::uint64_t& ioMantissa,
                             int& ioCount)
{
    std::uint64_t lMantissa = ioMantissa;
    int lCount = ioCount;
    for (;;) {
        const std::uint64_t lChunk = LoadChunk<kPadded>(pPos, pEnd);
        const int lDigits = LeadingDigits(lChunk);
        lMantissa = lMantissa * kPowersOfTenInt[lDigits] + ChunkValue(lChunk, lDigits);
        lCount += lDigits;
        pPos += lDigits;
        if (lDigits < kChunkBytes) {
            break;
        }
    }
    ioMantissa = lMantissa;
    ioCount = lCount;
    return pPos;
}

// The same for any run: one chunk without a loop for the short runs numbers mostly have (leading
// zeros count too, which only sends numbers such as "0.0000000000000000001" to the slower path).
template <bool kPadded>
inline const char* GatherDigits(const char* pPos, const char* pEnd, std::uint64_t& ioMantissa,
                                int& ioCount)
{
    const std::uint64_t lChunk = LoadChunk<kPadded>(pPos, pEnd);
    const int lDigits = LeadingDigits(lChunk);
    if (lDigits == kChunkBytes) {
        return GatherLongDigits<kPadded>(pPos, pEnd, ioMantissa, ioCount);
    }
    ioMantissa = ioMantissa * kPowersOfTenInt[lDigits] + ChunkValue(lChunk, lDigits);
    ioCount += lDigits;
    return pPos + lDigits;
}

// pValue divided by 10^pFractionDigits, with the sign: one rounding only, as both operands are
// exact and IEEE division rounds its exact quotient.
inline double Quotient(std::uint64_t pMantissa, int pFractionDigits, bool pNegative)
{
    const double lValue = static_cast<double>(pMantissa) / kPowersOfTen[pFractionDigits];
    std::uint64_t lBits;
    std::memcpy(&lBits, &lValue, sizeof(lBits));
    lBits ^= std::uint64_t(pNegative) << 63;
    double lSigned;
    std::memcpy(&lSigned, &lBits, sizeof(lBits));
    return lSigned;
}

// The numbers motion files print most ("-179.9000", "12.5", "90", the sign aside) fit one chunk
// with their point: the digits on both sides of the point are joined in the chunk and read in
// one go. True, with the value and the end, when the number after pPos (its sign already taken)
// is such a number; false, nothing set, for anything else, which the general path reads.
template <bool kPadded>
inline bool ReadShort(const char* pPos, const char* pEnd, bool pNegative, double& oValue,
                      const char*& oEnd)
{
    constexpr unsigned kByte = 0xff;
    const std::uint64_t lChunk = LoadChunk<kPadded>(pPos, pEnd);
    const int lWhole = LeadingDigits(lChunk);
    if (lWhole >= kChunkBytes - 1) {
        return false;
    }
    const bool lPoint = ((lChunk >> (8 * lWhole)) & kByte) == '.';
    // The bytes after the point, zeros (no digit) shifted in past the chunk.
    const std::uint64_t lAfter = lPoint ? lChunk >> (8 * (lWhole + 1)) : 0;
    const int lFraction = LeadingDigits(lAfter);
    const int lLength = lWhole + (lPoint ? 1 : 0) + lFraction;
    // The byte after the number: in the chunk, or the first past it when the number fills it.
    const std::ptrdiff_t lLeft = pEnd - pPos;
    unsigned lNext = 0;
    if (lLength < kChunkBytes) {
        lNext = static_cast<unsigned>(lChunk >> (8 * lLength)) & kByte;
    } else if (lLeft > kChunkBytes) {
        lNext = static_cast<unsigned char>(pPos[kChunkBytes]);
    }
    const bool lDigitNext = lNext >= '0' && lNext <= '9';
    if (lWhole + lFraction == 0 || lDigitNext || lNext == 'e' || lNext == 'E') {
        return false;
    }
    const std::uint64_t lWholeMask = (std::uint64_t(1) << (8 * lWhole)) - 1;
    const std::uint64_t lDigits = (lChunk & lWholeMask) | (lAfter << (8 * lWhole));
    oValue = Quotient(ChunkValue(lDigits, lWhole + lFraction), lFraction, pNegative);
    oEnd = pPos + lLength;
    return true;
}

// The quick path alone: true, with the value in oValue and the end in oEnd, for a plain number
// it can convert exactly; false for anything else. It calls nothing, so that it needs no frame.
template <bool kPadded>
bool ReadPlain(const char* pBegin, const char* pEnd, double& oValue, const char*& oEnd)
{
    const char* lPos = pBegin;
    // No branch on the sign, which is as likely as not in motion data.
    const bool lNegative = lPos < pEnd && *lPos == '-';
    lPos += lNegative;
    if (ReadShort<kPadded>(lPos, pEnd, lNegative, oValue, oEnd)) {
        return true;
    }
    std::uint64_t lMantissa = 0;
    int lDigits = 0;
    int lFractionDigits = 0;
    lPos = GatherDigits<kPadded>(lPos, pEnd, lMantissa, lDigits);
    if (lPos < pEnd && *lPos == '.') {
        const char* const lFraction = lPos + 1;
        lPos = GatherDigits<kPadded>(lFraction, pEnd, lMantissa, lDigits);
        lFractionDigits = static_cast<int>(lPos - lFraction);
    }
    const bool lExponent = lPos < pEnd && (*lPos == 'e' || *lPos == 'E');
    if (lDigits == 0 || lExponent || lDigits > KMotionFastNumber::kMaxFastDigits ||
        lMantissa > kMaxExactMantissa || lFractionDigits > KMotionFastNumber::kMaxFastPowerOfTen) {
        return false;
    }
    oValue = Quotient(lMantissa, lFractionDigits, lNegative);
    oEnd = lPos;
    return true;
}

} // namespace

std::from_chars_result KMotionFastNumber::FromChars(const char* pBegin, const char* pEnd,
                                                    double& oValue)
{
    const char* lEnd = pBegin;
    if (ReadPlain<false>(pBegin, pEnd, oValue, lEnd)) {
        return {lEnd, std::errc()};
    }
    return std::from_chars(pBegin, pEnd, oValue);
}

std::from_chars_result KMotionFastNumber::FromCharsPadded(const char* pBegin, const char* pEnd,
                                                          double& oValue)
{
    const char* lEnd = pBegin;
    if (ReadPlain<true>(pBegin, pEnd, oValue, lEnd)) {
        return {lEnd, std::errc()};
    }
    return std::from_chars(pBegin, pEnd, oValue);
}
