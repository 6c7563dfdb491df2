#include "formats/motion/bvh/KBvhUnrollProof.h"

#include "formats/motion/KMotionLaneBits.h"
#include "formats/motion/KMotionQuickTrig.h"

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
// 3 (b + rb) + 22 2^-53 M, and their gap within twice that and a rounding. The counts of
// roundings are doubled against any step they miss, and given a floor for subnormal roundings,
// which no relative term covers; b and rb are bounds already and are taken as they are (doubling
// them would double the keys that cannot be proven).
constexpr double kHalfUlp = 0x1p-53;
constexpr double kSafety = 2.0;
constexpr double kFloor = 1e-300;
constexpr double kTurn = 360.0;
constexpr double kHalfTurn = 180.0;
// The reciprocal of a turn, for the quotients.
constexpr double kInverseTurn = 1.0 / kTurn;
// Beyond this magnitude of angles nothing is proven: below it every count of turns is far below
// 2^51, where KMotionLaneBits::kIntegerShift rounds to whole numbers.
constexpr double kLargestAngle = 0x1p40;

} // namespace

#define RYV_MOTION_LANE_STEPS "formats/motion/bvh/KBvhUnrollSteps.inl"
#include "formats/motion/KMotionLaneWidths.inl"

void KBvhUnrollProof::Unroll(int pCount, const Block& pCurrent, const Block& pPrevious,
                             const Result& oResult, KMotionLaneWidth pWidth)
{
    RYV_MOTION_LANES_OF(pWidth, UnrollBlock)(pCount, pCurrent, pPrevious, oResult);
}

bool KBvhUnrollProof::Unroll(const Angles& pCurrent, const Angles& pPrevious, Angles& oUnrolled,
                             Decisions& oDecisions)
{
    const Block lCurrent = {{&pCurrent.mValue[0], &pCurrent.mValue[1], &pCurrent.mValue[2]},
                            &pCurrent.mBound};
    const Block lPrevious = {{&pPrevious.mValue[0], &pPrevious.mValue[1], &pPrevious.mValue[2]},
                             &pPrevious.mBound};
    bool lProven = false;
    const Result lResult = {{&oUnrolled.mValue[0], &oUnrolled.mValue[1], &oUnrolled.mValue[2]},
                            &oUnrolled.mBound,
                            {&oDecisions.mTurns[0], &oDecisions.mTurns[1], &oDecisions.mTurns[2]},
                            &oDecisions.mOther,
                            &lProven};
    Unroll(1, lCurrent, lPrevious, lResult);
    return lProven;
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
