#include "ryvfile/KRyvCrc32.h"

#include <zlib.h>

#include <algorithm>

#if defined(__x86_64__)
#include <immintrin.h>
#define RYV_CRC32_FOLDING 1
#endif

namespace {

std::uint32_t TableUpdate(std::uint32_t pCrc, const std::uint8_t* pBytes, std::size_t pSize)
{
    // zlib takes its length as a 32-bit count: feed it in pieces.
    constexpr std::size_t kPiece = std::size_t(1) << 30;
    uLong lCrc = pCrc;
    for (std::size_t lAt = 0; lAt < pSize; lAt += kPiece) {
        lCrc = crc32(lCrc, pBytes + lAt, static_cast<uInt>(std::min(kPiece, pSize - lAt)));
    }
    return static_cast<std::uint32_t>(lCrc);
}

#if RYV_CRC32_FOLDING

// Folding works on 16-byte lanes, four of them side by side; the wide form holds four lanes in
// each of four 64-byte registers.
constexpr std::size_t kLane = 16;
constexpr std::size_t kBlock = 4 * kLane;
constexpr std::size_t kWideBlock = 4 * kBlock;

// Only these functions use the instructions; Update calls them once the processor says it has
// them.
#define RYV_CRC32_TARGET __attribute__((target("pclmul,sse4.1")))
#define RYV_CRC32_WIDE_TARGET __attribute__((target("pclmul,sse4.1,avx512f,vpclmulqdq")))

// The folding constants are powers of x modulo the polynomial P, bit-reflected: x^(4*128+32) and
// x^(4*128-32) to fold four lanes over the next four, x^(128+32) and x^(128-32) to fold one lane
// over the next, x^64 to fold to 64 bits; then P itself and floor(x^64 / P) for the reduction.
// The wide form folds sixteen lanes over the next sixteen: x^(16*128+32) and x^(16*128-32).
constexpr long long kSixteenLanesHigh = 0x01322d1430;
constexpr long long kSixteenLanesLow = 0x011542778a;
constexpr long long kFourLanesHigh = 0x01c6e41596;
constexpr long long kFourLanesLow = 0x0154442bd4;
constexpr long long kOneLaneHigh = 0x00ccaa009e;
constexpr long long kOneLaneLow = 0x01751997d0;
constexpr long long kTo64 = 0x0163cd6124;
constexpr long long kQuotient = 0x01f7011641;
constexpr long long kPolynomial = 0x01db710641;

RYV_CRC32_TARGET __m128i FoldLane(__m128i pLane, __m128i pNext, __m128i pConstants)
{
    const __m128i lLow = _mm_clmulepi64_si128(pLane, pConstants, 0x00);
    const __m128i lHigh = _mm_clmulepi64_si128(pLane, pConstants, 0x11);
    return _mm_xor_si128(_mm_xor_si128(lLow, lHigh), pNext);
}

RYV_CRC32_TARGET __m128i Load(const std::uint8_t* pBytes)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(pBytes));
}

// The 128-bit remainder reduced to the CRC state (Barrett reduction).
RYV_CRC32_TARGET std::uint32_t Reduce(__m128i pRemainder)
{
    const __m128i lLowWords = _mm_setr_epi32(~0, 0, ~0, 0);
    const __m128i lOneLane = _mm_set_epi64x(kOneLaneHigh, kOneLaneLow);
    const __m128i lTo64 = _mm_set_epi64x(0, kTo64);
    const __m128i lPoly = _mm_set_epi64x(kQuotient, kPolynomial);
    __m128i lRest = _mm_clmulepi64_si128(pRemainder, lOneLane, 0x10);
    __m128i lValue = _mm_xor_si128(_mm_srli_si128(pRemainder, 8), lRest);
    lRest = _mm_srli_si128(lValue, 4);
    lValue = _mm_clmulepi64_si128(_mm_and_si128(lValue, lLowWords), lTo64, 0x00);
    lValue = _mm_xor_si128(lValue, lRest);
    __m128i lQuotient = _mm_clmulepi64_si128(_mm_and_si128(lValue, lLowWords), lPoly, 0x10);
    lQuotient = _mm_clmulepi64_si128(_mm_and_si128(lQuotient, lLowWords), lPoly, 0x00);
    return static_cast<std::uint32_t>(_mm_extract_epi32(_mm_xor_si128(lValue, lQuotient), 1));
}

// The CRC state (the complement of the running CRC) taken on over pBytes[0, pSize), pSize a
// multiple of kLane and at least kBlock.
RYV_CRC32_TARGET std::uint32_t FoldBytes(std::uint32_t pState, const std::uint8_t* pBytes,
                                         std::size_t pSize)
{
    const __m128i lFourLanes = _mm_set_epi64x(kFourLanesHigh, kFourLanesLow);
    const __m128i lOneLane = _mm_set_epi64x(kOneLaneHigh, kOneLaneLow);
    __m128i lLanes[4] = {Load(pBytes), Load(pBytes + kLane), Load(pBytes + 2 * kLane),
                         Load(pBytes + 3 * kLane)};
    lLanes[0] = _mm_xor_si128(lLanes[0], _mm_cvtsi32_si128(static_cast<int>(pState)));
    std::size_t lAt = kBlock;
    for (; pSize - lAt >= kBlock; lAt += kBlock) {
        for (std::size_t i = 0; i < 4; ++i) {
            lLanes[i] = FoldLane(lLanes[i], Load(pBytes + lAt + i * kLane), lFourLanes);
        }
    }
    __m128i lRemainder = lLanes[0];
    for (std::size_t i = 1; i < 4; ++i) {
        lRemainder = FoldLane(lRemainder, lLanes[i], lOneLane);
    }
    for (; lAt < pSize; lAt += kLane) {
        lRemainder = FoldLane(lRemainder, Load(pBytes + lAt), lOneLane);
    }
    return Reduce(lRemainder);
}

RYV_CRC32_WIDE_TARGET __m512i FoldWide(__m512i pLanes, __m512i pNext, __m512i pConstants)
{
    const __m512i lLow = _mm512_clmulepi64_epi128(pLanes, pConstants, 0x00);
    const __m512i lHigh = _mm512_clmulepi64_epi128(pLanes, pConstants, 0x11);
    return _mm512_xor_si512(_mm512_xor_si512(lLow, lHigh), pNext);
}

RYV_CRC32_WIDE_TARGET __m512i LoadWide(const std::uint8_t* pBytes)
{
    return _mm512_loadu_si512(pBytes);
}

// FoldBytes with sixteen lanes at a time, pSize at least kWideBlock: the same remainder, then the
// same reduction.
RYV_CRC32_WIDE_TARGET std::uint32_t FoldBytesWide(std::uint32_t pState, const std::uint8_t* pBytes,
                                                  std::size_t pSize)
{
    const __m512i lSixteenLanes =
        _mm512_set_epi64(kSixteenLanesHigh, kSixteenLanesLow, kSixteenLanesHigh, kSixteenLanesLow,
                         kSixteenLanesHigh, kSixteenLanesLow, kSixteenLanesHigh, kSixteenLanesLow);
    const __m512i lFourLanes =
        _mm512_set_epi64(kFourLanesHigh, kFourLanesLow, kFourLanesHigh, kFourLanesLow,
                         kFourLanesHigh, kFourLanesLow, kFourLanesHigh, kFourLanesLow);
    const __m128i lOneLane = _mm_set_epi64x(kOneLaneHigh, kOneLaneLow);
    __m512i lBlocks[4] = {LoadWide(pBytes), LoadWide(pBytes + kBlock),
                          LoadWide(pBytes + 2 * kBlock), LoadWide(pBytes + 3 * kBlock)};
    lBlocks[0] = _mm512_xor_si512(lBlocks[0], _mm512_set_epi64(0, 0, 0, 0, 0, 0, 0, pState));
    std::size_t lAt = kWideBlock;
    for (; pSize - lAt >= kWideBlock; lAt += kWideBlock) {
        for (std::size_t i = 0; i < 4; ++i) {
            lBlocks[i] = FoldWide(lBlocks[i], LoadWide(pBytes + lAt + i * kBlock), lSixteenLanes);
        }
    }
    __m512i lBlock = lBlocks[0];
    for (std::size_t i = 1; i < 4; ++i) {
        lBlock = FoldWide(lBlock, lBlocks[i], lFourLanes);
    }
    for (; pSize - lAt >= kBlock; lAt += kBlock) {
        lBlock = FoldWide(lBlock, LoadWide(pBytes + lAt), lFourLanes);
    }
    // The masked extraction: the plain one leaves a register undefined, which the compiler warns
    // of.
    constexpr __mmask8 kAll = 0xf;
    __m128i lRemainder = _mm512_maskz_extracti32x4_epi32(kAll, lBlock, 0);
    lRemainder = FoldLane(lRemainder, _mm512_maskz_extracti32x4_epi32(kAll, lBlock, 1), lOneLane);
    lRemainder = FoldLane(lRemainder, _mm512_maskz_extracti32x4_epi32(kAll, lBlock, 2), lOneLane);
    lRemainder = FoldLane(lRemainder, _mm512_maskz_extracti32x4_epi32(kAll, lBlock, 3), lOneLane);
    for (; lAt < pSize; lAt += kLane) {
        lRemainder = FoldLane(lRemainder, Load(pBytes + lAt), lOneLane);
    }
    return Reduce(lRemainder);
}

bool CanFoldWide()
{
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("vpclmulqdq") &&
           __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
}

bool CanFold()
{
    return __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
}

#endif

} // namespace

std::uint32_t KRyvCrc32::Update(std::uint32_t pCrc, const std::uint8_t* pBytes, std::size_t pSize)
{
#if RYV_CRC32_FOLDING
    const std::size_t lFolded = pSize & ~(kLane - 1);
    if (pSize >= kWideBlock && CanFoldWide()) {
        pCrc = ~FoldBytesWide(~pCrc, pBytes, lFolded);
    } else if (pSize >= kBlock && CanFold()) {
        pCrc = ~FoldBytes(~pCrc, pBytes, lFolded);
    } else {
        return TableUpdate(pCrc, pBytes, pSize);
    }
    pBytes += lFolded;
    pSize -= lFolded;
#endif
    return pSize > 0 ? TableUpdate(pCrc, pBytes, pSize) : pCrc;
}
