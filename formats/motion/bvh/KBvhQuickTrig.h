#ifndef RYVKIT_FORMATS_MOTION_BVH_KBVHQUICKTRIG_H
#define RYVKIT_FORMATS_MOTION_BVH_KBVHQUICKTRIG_H

#include <climits>
#include <cstdint>

// Two doubles worked out side by side: every operation acts on each lane as on a lone double, so
// a lane's result is, bit for bit, what the same steps give one value. Comparisons answer lane
// masks (all bits set where true).
using KBvhLanes = double __attribute__((vector_size(16)));
using KBvhLaneMask = std::int64_t __attribute__((vector_size(16)));

// Lane operations made of bit operations: no branch, and nothing beyond the baseline instructions
// (a test of 64-bit lanes, as a ternary makes, is not among them and goes a lane at a time).
class KBvhLaneBits
{
public:
    static constexpr std::int64_t kSignBit = INT64_MIN;

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
    static KBvhLaneMask NotNegative(KBvhLaneMask pValue)
    {
        return reinterpret_cast<KBvhLaneMask>((Unsigned(pValue) >> 63) - 1);
    }
    // Bit pBit of pValue in the sign bit.
    static KBvhLaneMask BitToSign(KBvhLaneMask pValue, int pBit)
    {
        return reinterpret_cast<KBvhLaneMask>(Unsigned(pValue) << (63 - pBit));
    }

private:
    using UnsignedLanes = std::uint64_t __attribute__((vector_size(16)));

    static UnsignedLanes Unsigned(KBvhLaneMask pValue)
    {
        return reinterpret_cast<UnsignedLanes>(pValue);
    }
    static KBvhLaneMask Bits(KBvhLanes pValue) { return reinterpret_cast<KBvhLaneMask>(pValue); }
    static KBvhLanes Doubles(KBvhLaneMask pBits) { return reinterpret_cast<KBvhLanes>(pBits); }
};

// Arc tangents, sines and cosines for the BVH writer's quick channel angles: not the library's to
// the last bit, but within a stated bound of the exact values, and several times cheaper. The
// bounds are what KBvhChannelAngles relies on to know when the library's digits could differ.
// Two values at a time, without a branch on them: the quadrants of a motion's angles come in no
// order a processor could guess.
class KBvhQuickTrig
{
public:
    // The largest turn (degrees) SinCos takes: its quarter turns fit 20 bits.
    static constexpr double kLargestTurn = 1e6;

    // atan2 within 2e-15 radians of the exact value, for finite arguments not both zero: the
    // ratio of the smaller to the larger magnitude is brought within 1/32 of a multiple of 1/16
    // by the addition formula, where six terms of the series leave less than 1e-20. A y of zero
    // with a positive x gives that zero, as the library does. Other arguments give some number
    // (never a read outside the table).
    static KBvhLanes Atan2(KBvhLanes pY, KBvhLanes pX);
    // The sine and cosine of the radians EulerToMatrixXYZ turns pDegrees into (at most
    // kLargestTurn in magnitude; the same rounded product), within 6e-16 of their exact values:
    // brought within a quarter turn of zero by a three-part quarter turn (each part's product
    // exact), where eight terms of the sine's series and nine of the cosine's leave less than
    // 1e-16. Larger or non-finite degrees give some number.
    static void SinCos(KBvhLanes pDegrees, KBvhLanes& oSine, KBvhLanes& oCosine);

    // The same for one value.
    static double Atan2(double pY, double pX);
    static void SinCos(double pDegrees, double& oSine, double& oCosine);
};

#endif
