#include "formats/motion/KMotionQuickEuler.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {

using Bits = KMotionLaneBits;

// AxesToEulerXYZ's factor and gimbal threshold, the same doubles.
constexpr double kRadToDeg = 180.0 / 3.14159265358979323846;
constexpr double kEulerXYZGimbal = 0.999999;
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// The bounds go two lanes at a time.
constexpr int kLanes = 2;

// How far an angle (radians) of the quick path may lie from the library's, before the entries'
// own error: the quick arcs are within 2.2e-15 of the exact ones (Asin; Atan2 2e-15), the
// library's within an ulp of results up to pi (4.45e-16).
constexpr double kArcError = 2.2e-15 + 4.45e-16;
// Entries within e of the library's move the point (y, x) an arc tangent turns by at most
// sqrt(2) e, which turns the angle by asin(sqrt(2) e / r) for a point at distance r from the
// origin; the middle angle's sine moves by e, which turns asin by at most e / cos(Y) at the far
// end of that range (its slope grows with |sin|). Both first-order terms are taken as sqrt(2) e
// over the least of the three radii (cos(Y) the third), and the whole doubled: that covers
// asin(u) <= u (1 + u^2) for u up to kLargestUsefulRatio and the roundings of the bound itself.
constexpr double kSqrt2 = 1.4142135623730951;
constexpr double kSafety = 2.0;
// The products by kRadToDeg round each side by at most half an ulp of 180 degrees.
constexpr double kDegreesFloor = 6e-14;
// Beyond this turn per radius the bound is no use to a float key (it would exceed 0.1 degree).
constexpr double kLargestUsefulRatio = 1e-3;
// Entries kept well inside the doubles' range, so that squares neither overflow nor underflow.
constexpr double kLargestEntry = 1e150;
constexpr double kLeastRadius = 1e-150;

// The float neighbours' midpoints widen a bound by this much, so that a gap computed with one
// rounding (relative 2^-53) still exceeds the exact bound.
constexpr double kGapMargin = 1.0 + 0x1p-50;
// From here on values round to an infinite float: the midpoint past the largest one.
constexpr double kFloatLimit = static_cast<double>(std::numeric_limits<float>::max()) + 0x1p103;

// The entries AxesToEulerXYZ reads in its ordinary branch, for two sets of lanes.
enum Entry { kM02, kArcXY, kArcXX, kArcZY, kArcZX, kEntryCount };

// Two values from pFirst; beyond pCount, pPad.
KMotionLanes Load(const double* pValues, int pFirst, int pCount, double pPad)
{
    if (pFirst + 1 < pCount) {
        KMotionLanes lLanes;
        std::memcpy(&lLanes, pValues + pFirst, sizeof lLanes);
        return lLanes;
    }
    return KMotionLanes{pValues[pFirst], pPad};
}

void Store(KMotionLanes pLanes, int pFirst, int pCount, double* oValues)
{
    if (pFirst + 1 < pCount) {
        std::memcpy(oValues + pFirst, &pLanes, sizeof pLanes);
        return;
    }
    oValues[pFirst] = pLanes[0];
}

KMotionLanes Least(KMotionLanes pA, KMotionLanes pB)
{
    return Bits::Select(Bits::Mask(pA < pB), pA, pB);
}

// An arc tangent's argument on or across the cut along negative x: the library's could lie on
// the other side, a whole turn away.
KMotionLaneMask NearCut(KMotionLanes pY, KMotionLanes pX, double pShift)
{
    return Bits::Mask(pX < 0.0) & Bits::Mask(Bits::Abs(pY) <= pShift);
}

// The bound in degrees for one set of lanes, infinite where none holds.
KMotionLanes EulerBound(const KMotionLanes pEntries[kEntryCount], double pEntryError)
{
    KMotionLaneMask lSure = ~KMotionLaneMask{};
    for (int e = 0; e < kEntryCount; ++e) {
        lSure &= Bits::Mask(Bits::Abs(pEntries[e]) <= kLargestEntry);
    }
    // The library's m02 may lie anywhere within the error of this one: all of that range must
    // keep to the ordinary branch (a sum below the threshold is below it exactly, too).
    const KMotionLanes lReach = Bits::Abs(pEntries[kM02]) + pEntryError;
    lSure &= Bits::Mask(lReach < kEulerXYZGimbal);
    // The least of the three radii, from the least of their squares: one root.
    const KMotionLanes lCosine2 = (1.0 - lReach) * (1.0 + lReach);
    const KMotionLanes lRadiusX2 =
        pEntries[kArcXY] * pEntries[kArcXY] + pEntries[kArcXX] * pEntries[kArcXX];
    const KMotionLanes lRadiusZ2 =
        pEntries[kArcZY] * pEntries[kArcZY] + pEntries[kArcZX] * pEntries[kArcZX];
    const KMotionLanes lLeast2 = Least(lCosine2, Least(lRadiusX2, lRadiusZ2));
    const KMotionLanes lLeast = Bits::Sqrt(Bits::Select(lSure, lLeast2, KMotionLanes{1.0, 1.0}));
    const double lShift = kSqrt2 * pEntryError;
    lSure &=
        Bits::Mask(lLeast >= kLeastRadius) & Bits::Mask(lShift <= lLeast * kLargestUsefulRatio);
    lSure &= ~NearCut(pEntries[kArcXY], pEntries[kArcXX], lShift);
    lSure &= ~NearCut(pEntries[kArcZY], pEntries[kArcZX], lShift);
    const KMotionLanes lBound =
        (kSafety * kRadToDeg) * (kArcError + lShift / lLeast) + kDegreesFloor;
    return Bits::Select(lSure, lBound, KMotionLanes{kInfinity, kInfinity});
}

// The float of pBits (magnitude bits of a finite float, or of the infinity) as a double; past
// the largest float, 2^128, where the next float would lie were the exponent wider. Below zero
// (all bits set) a NaN.
double FloatOfBits(std::uint32_t pBits)
{
    constexpr std::uint32_t kInfinityBits = 0x7f800000u;
    float lFloat;
    std::memcpy(&lFloat, &pBits, sizeof lFloat);
    return pBits == kInfinityBits ? 0x1p128 : static_cast<double>(lFloat);
}

} // namespace

#if RYV_MOTION_WIDE_LANES
// SameFloat for four values at once in the wider registers, made only for processors that have
// them: the same steps, each lane as the one-value form takes them, so the same answers.
#pragma GCC push_options
#pragma GCC target("avx2")

namespace {

using Wide = KMotionWideBits;
using WideFloats = float __attribute__((vector_size(16)));
using WideFloatBits = std::uint32_t __attribute__((vector_size(16)));
constexpr int kWide = 4;

KMotionWideLanes WideDoubles(WideFloatBits pBits)
{
    return __builtin_convertvector(reinterpret_cast<WideFloats>(pBits), KMotionWideLanes);
}

// The lanes' answers as a mask (all bits set where certain).
KMotionWideMask WideSameFloat(KMotionWideLanes pValue, KMotionWideLanes pBound)
{
    const KMotionWideLanes lMagnitude = Wide::Abs(pValue);
    const KMotionWideMask lInRange = Wide::Mask(pBound >= 0.0) &
                                     Wide::Mask(pBound <= std::numeric_limits<double>::max()) &
                                     Wide::Mask(lMagnitude < kFloatLimit);
    const KMotionWideLanes lValue = Wide::Select(lInRange, lMagnitude, Wide::Splat(1.0));
    const WideFloats lFloat = __builtin_convertvector(lValue, WideFloats);
    const WideFloatBits lBits = reinterpret_cast<WideFloatBits>(lFloat);
    const KMotionWideLanes lNear = __builtin_convertvector(lFloat, KMotionWideLanes);
    const KMotionWideLanes lDown = WideDoubles(lBits - 1u);
    KMotionWideLanes lUp = WideDoubles(lBits + 1u);
    lUp = Wide::Select(Wide::Mask(lUp == std::numeric_limits<double>::infinity()),
                       Wide::Splat(0x1p128), lUp);
    const KMotionWideLanes lBelow = (lNear + lDown) / 2.0;
    const KMotionWideLanes lAbove = (lNear + lUp) / 2.0;
    const KMotionWideLanes lWide = pBound * kGapMargin;
    return lInRange & Wide::Mask(lWide < lValue - lBelow) & Wide::Mask(lWide < lAbove - lValue);
}

// The block, four at a time; the last group padded with values whose answers are dropped.
void WideSameFloats(int pCount, const double* pValues, const double* pBounds, bool* oSame)
{
    int f = 0;
    for (; f + kWide <= pCount; f += kWide) {
        KMotionWideLanes lValues;
        KMotionWideLanes lBounds;
        std::memcpy(&lValues, pValues + f, sizeof lValues);
        std::memcpy(&lBounds, pBounds + f, sizeof lBounds);
        const KMotionWideMask lSame = WideSameFloat(lValues, lBounds);
        for (int i = 0; i < kWide; ++i) {
            oSame[f + i] = lSame[i] != 0;
        }
    }
    for (; f < pCount; ++f) {
        oSame[f] = KMotionQuickEuler::SameFloat(pValues[f], pBounds[f]);
    }
}

} // namespace

#pragma GCC pop_options
#endif

void KMotionQuickEuler::SinCos(int pCount, const double* pDegrees, double* oSine, double* oCosine,
                               bool* oOutside)
{
    KMotionQuickTrig::SinCos(pCount, pDegrees, oSine, oCosine);
    for (int f = 0; f < pCount; ++f) {
        oOutside[f] = !(std::fabs(pDegrees[f]) <= KMotionQuickTrig::kLargestTurn);
    }
}

void KMotionQuickEuler::AxesToEulerXYZ(int pCount, const double* const pRow0[3],
                                       const double* const pRow1[3], const double* pZ2,
                                       double pEntryError, double* const oAngles[3], double* oBound)
{
    // The middle angle is asin(-m02): the quick arc sine is odd to the bit (its root is the same
    // for both signs and its arc tangent takes the sign of its first argument last), as is a
    // product, so the sign goes onto the factor.
    KMotionQuickTrig::Atan2(pCount, pRow1[2], pZ2, oAngles[0]);
    KMotionQuickTrig::Asin(pCount, pRow0[2], oAngles[1]);
    KMotionQuickTrig::Atan2(pCount, pRow0[1], pRow0[0], oAngles[2]);
    const double lFactors[3] = {kRadToDeg, -kRadToDeg, kRadToDeg};
    for (int a = 0; a < 3; ++a) {
        for (int f = 0; f < pCount; ++f) {
            oAngles[a][f] *= lFactors[a];
        }
    }
    const bool lBoundable = pEntryError >= 0.0 && pEntryError <= kLargestEntry;
    const double* const lEntries[kEntryCount] = {pRow0[2], pRow1[2], pZ2, pRow0[1], pRow0[0]};
    // Padding lanes hold the identity's entries: harmless arguments.
    const double lPads[kEntryCount] = {0.0, 0.0, 1.0, 0.0, 1.0};
    for (int f = 0; f < pCount; f += kLanes) {
        KMotionLanes lBound = {kInfinity, kInfinity};
        if (lBoundable) {
            KMotionLanes lSet[kEntryCount];
            for (int e = 0; e < kEntryCount; ++e) {
                lSet[e] = Load(lEntries[e], f, pCount, lPads[e]);
            }
            lBound = EulerBound(lSet, pEntryError);
        }
        Store(lBound, f, pCount, oBound);
    }
}

bool KMotionQuickEuler::SameFloat(double pValue, double pBound)
{
    // Rounding to nearest is the same on both sides of zero: magnitudes serve. Without a branch
    // on the values: what is out of range is worked on as 1 and its answer dropped.
    const double lMagnitude = std::fabs(pValue);
    const bool lInRange = (pBound >= 0.0) & (pBound <= std::numeric_limits<double>::max()) &
                          (lMagnitude < kFloatLimit);
    const double lValue = lInRange ? lMagnitude : 1.0;
    const float lFloat = static_cast<float>(lValue);
    std::uint32_t lBits;
    std::memcpy(&lBits, &lFloat, sizeof lBits);
    // The doubles that round to lFloat lie strictly between the midpoints to its neighbours (a
    // midpoint goes to the even one, which may be either); the sums of neighbours are exact.
    // A zero has no neighbour below among the magnitudes: its midpoint is a NaN, never passed.
    const double lBelow = (static_cast<double>(lFloat) + FloatOfBits(lBits - 1)) / 2.0;
    const double lAbove = (static_cast<double>(lFloat) + FloatOfBits(lBits + 1)) / 2.0;
    const double lWide = pBound * kGapMargin;
    return lInRange & (lWide < lValue - lBelow) & (lWide < lAbove - lValue);
}

void KMotionQuickEuler::SameFloat(int pCount, const double* pValues, const double* pBounds,
                                  bool* oSame)
{
#if RYV_MOTION_WIDE_LANES
    if (KMotionQuickTrig::HasWideLanes()) {
        WideSameFloats(pCount, pValues, pBounds, oSame);
        return;
    }
#endif
    for (int i = 0; i < pCount; ++i) {
        oSame[i] = SameFloat(pValues[i], pBounds[i]);
    }
}
