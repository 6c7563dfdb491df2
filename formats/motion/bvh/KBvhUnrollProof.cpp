#include "formats/motion/bvh/KBvhUnrollProof.h"

#include "animation/KEulerUnroll.h"
#include "formats/motion/KMotionLaneBits.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Every quantity of the unroll is worked out here with the library's operations, but for the
// quotients (a product by the reciprocal of a turn), on values within b of the library's angles
// and rb of its state. Its values (angles, sums with half and whole turns, differences,
// distances) stay below M = |a| + |r| + 2 turns in magnitude, so each rounding, on either side,
// moves a result by at most 2^-53 M (the reciprocal's own rounding is one more such step). A
// value wrapped by a proven count, the other solution's sum with half a turn first, lies within
// b + 4 2^-53 M of the library's; a difference within b + rb + 4 2^-53 M (the quotient the same
// over a turn, plus 3 2^-53 M over a turn); a sum of three distances within
// 3 (b + rb) + 22 2^-53 M, and their gap within twice that and a rounding. Each bound is doubled
// against what a first-order count misses, with a floor for subnormal roundings, which no relative
// term covers.
constexpr double kHalfUlp = 0x1p-53;
constexpr double kSafety = 2.0;
constexpr double kFloor = 1e-300;
constexpr double kTurn = 360.0;
constexpr double kHalfTurn = 180.0;
// The reciprocal of a turn, for the quotients.
constexpr double kInverseTurn = 1.0 / kTurn;
// Both solutions side by side, plain (0 to 2) then other (3 to 5), worked out without a branch:
// which one is nearer changes from frame to frame.
constexpr int kWrapped = 6;
constexpr int kLanes = 2;
// KEulerUnroll::NearestWhole's shift.
constexpr double kTwoTo52 = 4503599627370496.0;

double Largest(const double p[3])
{
    return std::max(std::fabs(p[0]), std::max(std::fabs(p[1]), std::fabs(p[2])));
}

// Two angles wrapped near their references, by whole turns as WrapNearFinite counts them (the
// nearest whole number of turns between them, halves to even), in lanes. Where a count is not
// proven (its quotient within pSpread of a half) the library may have taken the one next to it:
// its value lies a turn away, about half a turn from the reference on the other side, which
// moves the distance by twice the quotient's distance from the half, at most
// 2 (that distance + pSpread) turns: oOtherCount, 0 where the count is proven.
void Wrap(const double pAngles[kLanes], const double pReferences[kLanes], double pSpread,
          double oValues[kLanes], double oTurns[kLanes], double oDistances[kLanes],
          double oOtherCounts[kLanes])
{
    using Bits = KMotionLaneBits;
    KMotionLanes lAngle;
    KMotionLanes lReference;
    std::memcpy(&lAngle, pAngles, sizeof lAngle);
    std::memcpy(&lReference, pReferences, sizeof lReference);
    const KMotionLanes lQuotient = (lReference - lAngle) * kInverseTurn;
    const KMotionLanes lMagnitude = Bits::Abs(lQuotient);
    const KMotionLanes lRounded = Bits::CopySign((lMagnitude + kTwoTo52) - kTwoTo52, lQuotient);
    const KMotionLanes lTurns =
        Bits::Select(Bits::Mask(lMagnitude < kTwoTo52), lRounded, lQuotient);
    const KMotionLanes lFromHalf = 0.5 - Bits::Abs(lQuotient - lTurns);
    const KMotionLanes lOtherCount =
        Bits::Select(Bits::Mask(lFromHalf > pSpread), KMotionLanes{0.0, 0.0},
                     2.0 * kTurn * (lFromHalf + pSpread));
    const KMotionLanes lValue = lAngle + kTurn * lTurns;
    const KMotionLanes lDistance = Bits::Abs(lValue - lReference);
    std::memcpy(oValues, &lValue, sizeof lValue);
    std::memcpy(oTurns, &lTurns, sizeof lTurns);
    std::memcpy(oDistances, &lDistance, sizeof lDistance);
    std::memcpy(oOtherCounts, &lOtherCount, sizeof lOtherCount);
}

} // namespace

bool KBvhUnrollProof::Unroll(const Angles& pCurrent, const Angles& pPrevious, Angles& oUnrolled,
                             Decisions& oDecisions)
{
    // An infinite or undefined bound proves nothing, and must not reach the comparisons below.
    if (!(pCurrent.mBound < HUGE_VAL) || !(pPrevious.mBound < HUGE_VAL)) {
        return false;
    }
    const double* a = pCurrent.mValue;
    const double* r = pPrevious.mValue;
    const double lBounds = pCurrent.mBound + pPrevious.mBound;
    const double lRounding = kHalfUlp * (Largest(a) + Largest(r) + 2.0 * kTurn);
    const double lValueBound = kSafety * (pCurrent.mBound + 4.0 * lRounding) + kFloor;
    const double lSpread = (kSafety * (lBounds + 7.0 * lRounding) + kFloor) * kInverseTurn;
    const double lAngles[kWrapped] = {
        a[0], a[1], a[2], a[0] + kHalfTurn, kHalfTurn - a[1], a[2] + kHalfTurn};
    const double lReferences[kWrapped] = {r[0], r[1], r[2], r[0], r[1], r[2]};
    double lValue[kWrapped];
    double lTurns[kWrapped];
    double lDistance[kWrapped];
    double lOtherCount[kWrapped];
    for (int i = 0; i < kWrapped; i += kLanes) {
        Wrap(lAngles + i, lReferences + i, lSpread, lValue + i, lTurns + i, lDistance + i,
             lOtherCount + i);
    }
    // The sums of distances in the library's order, and the library's choice: the other
    // solution only when strictly nearer.
    const double lSumBound = kSafety * (3.0 * lBounds + 24.0 * lRounding) + kFloor;
    const double lPlain = (lDistance[0] + lDistance[1]) + lDistance[2];
    const double lOther = (lDistance[3] + lDistance[4]) + lDistance[5];
    const double lGap = lPlain - lOther;
    const double lGapBound =
        2.0 * lSumBound + kSafety * (lOtherCount[0] + lOtherCount[1] + lOtherCount[2] +
                                     lOtherCount[3] + lOtherCount[4] + lOtherCount[5]);
    // Which solution is nearer changes from frame to frame: it picks by index, not by a branch.
    const bool lOtherNearer = lGap > lGapBound;
    const bool lPlainNearer = -lGap > lGapBound;
    const int k = 3 * static_cast<int>(lOtherNearer);
    if (!(lOtherNearer | lPlainNearer) |
        (lOtherCount[k] + lOtherCount[k + 1] + lOtherCount[k + 2] != 0.0)) {
        return false;
    }
    oDecisions.mOther = lOtherNearer;
    oUnrolled.mBound = lValueBound;
    for (int i = 0; i < 3; ++i) {
        oUnrolled.mValue[i] = lValue[k + i];
        oDecisions.mTurns[i] = lTurns[k + i];
    }
    return true;
}

void KBvhUnrollProof::Replay(const double pAngles[3], const Decisions& pDecisions,
                             double oUnrolled[3])
{
    // The other solution's angles as UnrollFiniteXYZ makes them, then the turns as
    // WrapNearFinite adds them.
    const double lBase[3] = {pDecisions.mOther ? pAngles[0] + kHalfTurn : pAngles[0],
                             pDecisions.mOther ? kHalfTurn - pAngles[1] : pAngles[1],
                             pDecisions.mOther ? pAngles[2] + kHalfTurn : pAngles[2]};
    for (int i = 0; i < 3; ++i) {
        oUnrolled[i] = lBase[i] + kTurn * pDecisions.mTurns[i];
    }
}
