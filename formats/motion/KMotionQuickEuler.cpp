#include "formats/motion/KMotionQuickEuler.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {

// AxesToEulerXYZ's factor and gimbal threshold, the same doubles.
constexpr double kRadToDeg = 180.0 / 3.14159265358979323846;
constexpr double kEulerXYZGimbal = 0.999999;
constexpr double kInfinity = std::numeric_limits<double>::infinity();

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

// The entries AxesToEulerXYZ reads in its ordinary branch.
enum Entry { kM02, kArcXY, kArcXX, kArcZY, kArcZX, kEntryCount };

} // namespace

#define RYV_MOTION_LANE_STEPS "formats/motion/KMotionQuickEulerSteps.inl"
#include "formats/motion/KMotionLaneWidths.inl"

void KMotionQuickEuler::SinCos(int pCount, const double* pDegrees, double* oSine, double* oCosine,
                               bool* oOutside, KMotionLaneWidth pWidth)
{
    KMotionQuickTrig::SinCos(pCount, pDegrees, oSine, oCosine, pWidth);
    for (int f = 0; f < pCount; ++f) {
        oOutside[f] = !(std::fabs(pDegrees[f]) <= KMotionQuickTrig::kLargestTurn);
    }
}

void KMotionQuickEuler::SinCos(int pCount, const double* const pDegrees[3], double* const oSine[3],
                               double* const oCosine[3], bool* oOutside, KMotionLaneWidth pWidth)
{
    bool lOutside[3][kMaxCount];
    for (int a = 0; a < 3; ++a) {
        SinCos(pCount, pDegrees[a], oSine[a], oCosine[a], lOutside[a], pWidth);
    }
    for (int f = 0; f < pCount; ++f) {
        oOutside[f] = lOutside[0][f] || lOutside[1][f] || lOutside[2][f];
    }
}

void KMotionQuickEuler::AxesToEulerXYZ(int pCount, const double* const pRow0[3],
                                       const double* const pRow1[3], const double* pZ2,
                                       double pEntryError, double* const oAngles[3], double* oBound,
                                       KMotionLaneWidth pWidth)
{
    // The middle angle is asin(-m02): the quick arc sine is odd to the bit (its root is the same
    // for both signs and its arc tangent takes the sign of its first argument last), as is a
    // product, so the sign goes onto the factor.
    KMotionQuickTrig::Atan2(pCount, pRow1[2], pZ2, oAngles[0], pWidth);
    KMotionQuickTrig::Asin(pCount, pRow0[2], oAngles[1], pWidth);
    KMotionQuickTrig::Atan2(pCount, pRow0[1], pRow0[0], oAngles[2], pWidth);
    const double lFactors[3] = {kRadToDeg, -kRadToDeg, kRadToDeg};
    for (int a = 0; a < 3; ++a) {
        for (int f = 0; f < pCount; ++f) {
            oAngles[a][f] *= lFactors[a];
        }
    }
    if (!(pEntryError >= 0.0 && pEntryError <= kLargestEntry)) {
        for (int f = 0; f < pCount; ++f) {
            oBound[f] = kInfinity;
        }
        return;
    }
    const double* const lEntries[kEntryCount] = {pRow0[2], pRow1[2], pZ2, pRow0[1], pRow0[0]};
    RYV_MOTION_LANES_OF(pWidth, EulerBoundBlock)(pCount, lEntries, pEntryError, oBound);
}

bool KMotionQuickEuler::SameFloat(double pValue, double pBound)
{
    return two::SameFloatLanes(KMotionLanes{pValue, pValue}, KMotionLanes{pBound, pBound})[0] != 0;
}

void KMotionQuickEuler::SameFloat(int pCount, const double* pValues, const double* pBounds,
                                  bool* oSame, KMotionLaneWidth pWidth)
{
    RYV_MOTION_LANES_OF(pWidth, SameFloatBlock)(pCount, pValues, pBounds, oSame);
}
