#ifndef RYVKIT_FORMATS_MOTION_KMOTIONLANEBITS_H
#define RYVKIT_FORMATS_MOTION_KMOTIONLANEBITS_H

#include <cmath>
#include <cstdint>

// Two doubles worked out side by side: every operation acts on each lane as on a lone double, so
// a lane's result is, bit for bit, what the same steps give one value. Comparisons answer lane
// tests (all bits set where true), which KMotionLaneBits::Mask makes masks: combined as signed
// lanes, tests are taken for truth values and remade a lane at a time.
using KMotionLanes = double __attribute__((vector_size(16)));
using KMotionLaneTest = std::int64_t __attribute__((vector_size(16)));
using KMotionLaneMask = std::uint64_t __attribute__((vector_size(16)));

// How many values a block loop works on at once: two on every processor, four in the wider
// registers where the processor has them. Both give the same bits; a block function takes the
// widest the processor has unless told otherwise (tests run both on the same inputs). Four asked
// of a processor without the wider registers is taken as two.
enum class KMotionLaneWidth { eTwoLanes, eFourLanes };

// Lane operations made of bit operations: no branch, and nothing beyond the baseline instructions
// (a test of 64-bit lanes, as a ternary makes, is not among them and goes a lane at a time).
class KMotionLaneBits
{
public:
    static constexpr std::uint64_t kSignBit = std::uint64_t{1} << 63;
    // 1.5 * 2^52: every double from 2^52 to 2^53 is a whole number, one unit apart.
    static constexpr double kIntegerShift = 6755399441055744.0;

    static KMotionLaneMask Mask(KMotionLaneTest pTest)
    {
        return reinterpret_cast<KMotionLaneMask>(pTest);
    }
    static KMotionLanes Splat(double pValue) { return KMotionLanes{pValue, pValue}; }
    // pTable[pIndices[i]] in lane i; the indices must lie inside the table.
    static KMotionLanes Pick(const double* pTable, KMotionLaneMask pIndices)
    {
        return KMotionLanes{pTable[pIndices[0]], pTable[pIndices[1]]};
    }
    // pIfSet where pMask is set, else pElse.
    static KMotionLanes Select(KMotionLaneMask pMask, KMotionLanes pIfSet, KMotionLanes pElse)
    {
        return Doubles((Bits(pIfSet) & pMask) | (Bits(pElse) & ~pMask));
    }
    static KMotionLanes Abs(KMotionLanes pValue) { return Doubles(Bits(pValue) & ~kSignBit); }
    // The correctly rounded square roots (a NaN where a lane is below zero).
    static KMotionLanes Sqrt(KMotionLanes pValue)
    {
#if defined(__SSE2__)
        return __builtin_ia32_sqrtpd(pValue);
#else
        return KMotionLanes{std::sqrt(pValue[0]), std::sqrt(pValue[1])};
#endif
    }
    // The magnitude of pMagnitude with the sign of pSign.
    static KMotionLanes CopySign(KMotionLanes pMagnitude, KMotionLanes pSign)
    {
        return Doubles((Bits(pMagnitude) & ~kSignBit) | (Bits(pSign) & kSignBit));
    }
    // pValue with its sign flipped where pSigns has its sign bit set.
    static KMotionLanes FlipSign(KMotionLanes pValue, KMotionLaneMask pSigns)
    {
        return Doubles(Bits(pValue) ^ (pSigns & kSignBit));
    }
    // Set where pValue is not negative.
    static KMotionLaneMask NotNegative(KMotionLaneMask pValue)
    {
        return (pValue >> 63) - 1;
    }
    // Bit pBit of pValue in the sign bit.
    static KMotionLaneMask BitToSign(KMotionLaneMask pValue, int pBit)
    {
        return pValue << (63 - pBit);
    }

    // Whole numbers without a conversion (which goes a lane at a time): a double whose magnitude
    // is below 2^51, added to kIntegerShift, is rounded to a whole number that then fills the
    // low bits of the sum's significand, two's complement; subtracting the shift again leaves
    // that whole number as a double. Every step is exact but the rounding.
    //
    // pValue truncated toward zero, for magnitudes below 2^51, as a double; oWhole receives it as
    // an integer.
    static KMotionLanes Truncate(KMotionLanes pValue, KMotionLaneMask& oWhole)
    {
        const KMotionLanes lNearest = (pValue + kIntegerShift) - kIntegerShift;
        const KMotionLaneMask lDown = Mask(lNearest > pValue) & Mask(pValue >= 0.0);
        const KMotionLaneMask lUp = Mask(lNearest < pValue) & Mask(pValue < 0.0);
        const KMotionLanes lTruncated = (lNearest - Doubles(lDown & Bits(KMotionLanes{1.0, 1.0}))) +
                                        Doubles(lUp & Bits(KMotionLanes{1.0, 1.0}));
        oWhole =
            Bits(lTruncated + kIntegerShift) - Bits(KMotionLanes{kIntegerShift, kIntegerShift});
        return lTruncated;
    }

private:
    static KMotionLaneMask Bits(KMotionLanes pValue)
    {
        return reinterpret_cast<KMotionLaneMask>(pValue);
    }
    static KMotionLanes Doubles(KMotionLaneMask pBits)
    {
        return reinterpret_cast<KMotionLanes>(pBits);
    }
};

// Four lanes (two sets of two) in the wider registers some processors have
// (KMotionQuickTrig::HasWideLanes), with the helpers of KMotionLaneBits. The helpers are made for
// those processors: only code made for them (in a region of the same target) may call them.
// Nothing there is fused: a product and a sum stay two roundings, so each lane keeps its bits.
// The regions are made with GCC's target pragma on x86-64 (KMotionLaneWidths.inl compiles a
// file of lane steps for both widths); other compilers and processors take the two-lane path,
// which gives the same bits.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define RYV_MOTION_WIDE_LANES 1
#else
#define RYV_MOTION_WIDE_LANES 0
#endif

#if RYV_MOTION_WIDE_LANES
using KMotionWideLanes = double __attribute__((vector_size(32)));
using KMotionWideTest = std::int64_t __attribute__((vector_size(32)));
using KMotionWideMask = std::uint64_t __attribute__((vector_size(32)));

#pragma GCC push_options
#pragma GCC target("avx2")

class KMotionWideBits
{
public:
    static KMotionWideMask Mask(KMotionWideTest pTest)
    {
        return reinterpret_cast<KMotionWideMask>(pTest);
    }
    static KMotionWideMask Bits(KMotionWideLanes pValue)
    {
        return reinterpret_cast<KMotionWideMask>(pValue);
    }
    static KMotionWideLanes Doubles(KMotionWideMask pBits)
    {
        return reinterpret_cast<KMotionWideLanes>(pBits);
    }
    static KMotionWideLanes Splat(double pValue)
    {
        return KMotionWideLanes{pValue, pValue, pValue, pValue};
    }
    static KMotionWideLanes Select(KMotionWideMask pMask, KMotionWideLanes pIfSet,
                                   KMotionWideLanes pElse)
    {
        return Doubles((Bits(pIfSet) & pMask) | (Bits(pElse) & ~pMask));
    }
    static KMotionWideLanes Abs(KMotionWideLanes pValue)
    {
        return Doubles(Bits(pValue) & ~KMotionLaneBits::kSignBit);
    }
    static KMotionWideLanes CopySign(KMotionWideLanes pMagnitude, KMotionWideLanes pSign)
    {
        return Doubles((Bits(pMagnitude) & ~KMotionLaneBits::kSignBit) |
                       (Bits(pSign) & KMotionLaneBits::kSignBit));
    }
    static KMotionWideLanes FlipSign(KMotionWideLanes pValue, KMotionWideMask pSigns)
    {
        return Doubles(Bits(pValue) ^ (pSigns & KMotionLaneBits::kSignBit));
    }
    static KMotionWideMask NotNegative(KMotionWideMask pValue) { return (pValue >> 63) - 1; }
    static KMotionWideMask BitToSign(KMotionWideMask pValue, int pBit)
    {
        return pValue << (63 - pBit);
    }
    static KMotionWideLanes Sqrt(KMotionWideLanes pValue)
    {
        return __builtin_ia32_sqrtpd256(pValue);
    }
    static KMotionWideLanes Truncate(KMotionWideLanes pValue, KMotionWideMask& oWhole)
    {
        const double kShift = KMotionLaneBits::kIntegerShift;
        const KMotionWideLanes lNearest = (pValue + kShift) - kShift;
        const KMotionWideMask lDown = Mask(lNearest > pValue) & Mask(pValue >= 0.0);
        const KMotionWideMask lUp = Mask(lNearest < pValue) & Mask(pValue < 0.0);
        const KMotionWideMask lOne = Bits(Splat(1.0));
        const KMotionWideLanes lTruncated =
            (lNearest - Doubles(lDown & lOne)) + Doubles(lUp & lOne);
        oWhole = Bits(lTruncated + kShift) - Bits(Splat(kShift));
        return lTruncated;
    }
    static KMotionWideLanes Pick(const double* pTable, KMotionWideMask pIndices)
    {
        return KMotionWideLanes{pTable[pIndices[0]], pTable[pIndices[1]], pTable[pIndices[2]],
                                pTable[pIndices[3]]};
    }
    // Two sets made one and back, by shuffles (element by element would pass through memory).
    static KMotionWideLanes Join(KMotionLanes pFirst, KMotionLanes pSecond)
    {
        return __builtin_shufflevector(pFirst, pSecond, 0, 1, 2, 3);
    }
    static KMotionWideMask Join(KMotionLaneMask pFirst, KMotionLaneMask pSecond)
    {
        return __builtin_shufflevector(pFirst, pSecond, 0, 1, 2, 3);
    }
    static KMotionLanes First(KMotionWideLanes pValue)
    {
        return __builtin_shufflevector(pValue, pValue, 0, 1);
    }
    static KMotionLanes Second(KMotionWideLanes pValue)
    {
        return __builtin_shufflevector(pValue, pValue, 2, 3);
    }
    static KMotionLaneMask First(KMotionWideMask pValue)
    {
        return __builtin_shufflevector(pValue, pValue, 0, 1);
    }
    static KMotionLaneMask Second(KMotionWideMask pValue)
    {
        return __builtin_shufflevector(pValue, pValue, 2, 3);
    }
};

#pragma GCC pop_options
#endif

#endif
