#ifndef RYVKIT_FORMATS_MOTION_BVH_KBVHLANEBITS_H
#define RYVKIT_FORMATS_MOTION_BVH_KBVHLANEBITS_H

#include <cstdint>

// Two doubles worked out side by side: every operation acts on each lane as on a lone double, so
// a lane's result is, bit for bit, what the same steps give one value. Comparisons answer lane
// tests (all bits set where true), which KBvhLaneBits::Mask makes masks: combined as signed
// lanes, tests are taken for truth values and remade a lane at a time.
using KBvhLanes = double __attribute__((vector_size(16)));
using KBvhLaneTest = std::int64_t __attribute__((vector_size(16)));
using KBvhLaneMask = std::uint64_t __attribute__((vector_size(16)));

// Lane operations made of bit operations: no branch, and nothing beyond the baseline instructions
// (a test of 64-bit lanes, as a ternary makes, is not among them and goes a lane at a time).
class KBvhLaneBits
{
public:
    static constexpr std::uint64_t kSignBit = std::uint64_t{1} << 63;
    // 1.5 * 2^52: every double from 2^52 to 2^53 is a whole number, one unit apart.
    static constexpr double kIntegerShift = 6755399441055744.0;

    static KBvhLaneMask Mask(KBvhLaneTest pTest) { return reinterpret_cast<KBvhLaneMask>(pTest); }
    // pIfSet where pMask is set, else pElse.
    static KBvhLanes Select(KBvhLaneMask pMask, KBvhLanes pIfSet, KBvhLanes pElse)
    {
        return Doubles((Bits(pIfSet) & pMask) | (Bits(pElse) & ~pMask));
    }
    static KBvhLanes Abs(KBvhLanes pValue) { return Doubles(Bits(pValue) & ~kSignBit); }
    // The magnitude of pMagnitude with the sign of pSign.
    static KBvhLanes CopySign(KBvhLanes pMagnitude, KBvhLanes pSign)
    {
        return Doubles((Bits(pMagnitude) & ~kSignBit) | (Bits(pSign) & kSignBit));
    }
    // pValue with its sign flipped where pSigns has its sign bit set.
    static KBvhLanes FlipSign(KBvhLanes pValue, KBvhLaneMask pSigns)
    {
        return Doubles(Bits(pValue) ^ (pSigns & kSignBit));
    }
    // Set where pValue is not negative.
    static KBvhLaneMask NotNegative(KBvhLaneMask pValue) { return (pValue >> 63) - 1; }
    // Bit pBit of pValue in the sign bit.
    static KBvhLaneMask BitToSign(KBvhLaneMask pValue, int pBit) { return pValue << (63 - pBit); }

    // Whole numbers without a conversion (which goes a lane at a time): a double whose magnitude
    // is below 2^51, added to kIntegerShift, is rounded to a whole number that then fills the
    // low bits of the sum's significand, two's complement; subtracting the shift again leaves
    // that whole number as a double. Every step is exact but the rounding.
    //
    // pValue truncated toward zero, for magnitudes below 2^51, as a double; oWhole receives it as
    // an integer.
    static KBvhLanes Truncate(KBvhLanes pValue, KBvhLaneMask& oWhole)
    {
        const KBvhLanes lNearest = (pValue + kIntegerShift) - kIntegerShift;
        const KBvhLaneMask lDown = Mask(lNearest > pValue) & Mask(pValue >= 0.0);
        const KBvhLaneMask lUp = Mask(lNearest < pValue) & Mask(pValue < 0.0);
        const KBvhLanes lTruncated = (lNearest - Doubles(lDown & Bits(KBvhLanes{1.0, 1.0}))) +
                                     Doubles(lUp & Bits(KBvhLanes{1.0, 1.0}));
        oWhole = Bits(lTruncated + kIntegerShift) - Bits(KBvhLanes{kIntegerShift, kIntegerShift});
        return lTruncated;
    }

private:
    static KBvhLaneMask Bits(KBvhLanes pValue) { return reinterpret_cast<KBvhLaneMask>(pValue); }
    static KBvhLanes Doubles(KBvhLaneMask pBits) { return reinterpret_cast<KBvhLanes>(pBits); }
};

// Four lanes (two sets of two) in the wider registers some processors have
// (KBvhQuickTrig::HasWideLanes), with the helpers of KBvhLaneBits. The helpers are made for
// those processors: only code made for them (in a region of the same target) may call them.
// Nothing there is fused: a product and a sum stay two roundings, so each lane keeps its bits.
// The regions are made with GCC's target pragma on x86-64; other compilers and processors take
// the two-lane path, which gives the same bits.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define RYV_BVH_WIDE_LANES 1
#else
#define RYV_BVH_WIDE_LANES 0
#endif

#if RYV_BVH_WIDE_LANES
using KBvhWideLanes = double __attribute__((vector_size(32)));
using KBvhWideTest = std::int64_t __attribute__((vector_size(32)));
using KBvhWideMask = std::uint64_t __attribute__((vector_size(32)));

#pragma GCC push_options
#pragma GCC target("avx2")

class KBvhWideBits
{
public:
    static KBvhWideMask Mask(KBvhWideTest pTest) { return reinterpret_cast<KBvhWideMask>(pTest); }
    static KBvhWideMask Bits(KBvhWideLanes pValue)
    {
        return reinterpret_cast<KBvhWideMask>(pValue);
    }
    static KBvhWideLanes Doubles(KBvhWideMask pBits)
    {
        return reinterpret_cast<KBvhWideLanes>(pBits);
    }
    static KBvhWideLanes Splat(double pValue)
    {
        return KBvhWideLanes{pValue, pValue, pValue, pValue};
    }
    static KBvhWideLanes Select(KBvhWideMask pMask, KBvhWideLanes pIfSet, KBvhWideLanes pElse)
    {
        return Doubles((Bits(pIfSet) & pMask) | (Bits(pElse) & ~pMask));
    }
    static KBvhWideLanes Abs(KBvhWideLanes pValue)
    {
        return Doubles(Bits(pValue) & ~KBvhLaneBits::kSignBit);
    }
    static KBvhWideLanes CopySign(KBvhWideLanes pMagnitude, KBvhWideLanes pSign)
    {
        return Doubles((Bits(pMagnitude) & ~KBvhLaneBits::kSignBit) |
                       (Bits(pSign) & KBvhLaneBits::kSignBit));
    }
    static KBvhWideMask NotNegative(KBvhWideMask pValue) { return (pValue >> 63) - 1; }
    static KBvhWideLanes Sqrt(KBvhWideLanes pValue) { return __builtin_ia32_sqrtpd256(pValue); }
    static KBvhWideLanes Truncate(KBvhWideLanes pValue, KBvhWideMask& oWhole)
    {
        const double kShift = KBvhLaneBits::kIntegerShift;
        const KBvhWideLanes lNearest = (pValue + kShift) - kShift;
        const KBvhWideMask lDown = Mask(lNearest > pValue) & Mask(pValue >= 0.0);
        const KBvhWideMask lUp = Mask(lNearest < pValue) & Mask(pValue < 0.0);
        const KBvhWideMask lOne = Bits(Splat(1.0));
        const KBvhWideLanes lTruncated = (lNearest - Doubles(lDown & lOne)) + Doubles(lUp & lOne);
        oWhole = Bits(lTruncated + kShift) - Bits(Splat(kShift));
        return lTruncated;
    }
    static KBvhWideLanes Pick(const double* pTable, KBvhWideMask pIndices)
    {
        return KBvhWideLanes{pTable[pIndices[0]], pTable[pIndices[1]], pTable[pIndices[2]],
                             pTable[pIndices[3]]};
    }
    // Two sets made one and back, by shuffles (element by element would pass through memory).
    static KBvhWideLanes Join(KBvhLanes pFirst, KBvhLanes pSecond)
    {
        return __builtin_shufflevector(pFirst, pSecond, 0, 1, 2, 3);
    }
    static KBvhWideMask Join(KBvhLaneMask pFirst, KBvhLaneMask pSecond)
    {
        return __builtin_shufflevector(pFirst, pSecond, 0, 1, 2, 3);
    }
    static KBvhLanes First(KBvhWideLanes pValue)
    {
        return __builtin_shufflevector(pValue, pValue, 0, 1);
    }
    static KBvhLanes Second(KBvhWideLanes pValue)
    {
        return __builtin_shufflevector(pValue, pValue, 2, 3);
    }
    static KBvhLaneMask First(KBvhWideMask pValue)
    {
        return __builtin_shufflevector(pValue, pValue, 0, 1);
    }
    static KBvhLaneMask Second(KBvhWideMask pValue)
    {
        return __builtin_shufflevector(pValue, pValue, 2, 3);
    }
};

#pragma GCC pop_options
#endif

#endif
