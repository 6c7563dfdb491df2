#include "formats/motion/bvh/KBvhUnrollProof.h"

#include "animation/KEulerUnroll.h"

#include <algorithm>
#include <cmath>

namespace {

// A rounded sum, difference or quotient of values known within a bound lies within that bound,
// plus half an ulp on each side, of the library's: 2^-52 of the magnitude covers both roundings.
// The bound is then doubled against what a first-order count misses, and given a floor for the
// roundings of subnormal values, which no relative term covers.
constexpr double kRounding = 0x1p-52;
constexpr double kSafety = 2.0;
constexpr double kFloor = 1e-300;
constexpr double kTurn = 360.0;
constexpr double kHalfTurn = 180.0;

double Rounded(double pBound, double pMagnitude)
{
    return kSafety * (pBound + kRounding * (pMagnitude + pBound)) + kFloor;
}

// One angle of one solution moved by whole turns near its reference, with what the proof needs.
struct Wrapped
{
    double mValue;
    double mBound;
    double mTurns;
    bool mProven;
    // |value - reference| and how far the library's may lie from it.
    double mDistance;
    double mDistanceBound;
};

Wrapped Wrap(double pAngle, double pBound, double pReference, double pReferenceBound)
{
    Wrapped lWrapped;
    const double lDifference = pReference - pAngle;
    const double lQuotient = lDifference / kTurn;
    lWrapped.mTurns = KEulerUnroll::NearestWhole(lQuotient);
    // How far the library's quotient may lie from this one.
    const double lSpread = Rounded(
        Rounded(pBound + pReferenceBound, std::fabs(lDifference)) / kTurn, std::fabs(lQuotient));
    const double lFromHalf = 0.5 - std::fabs(lQuotient - lWrapped.mTurns);
    lWrapped.mProven = lFromHalf > lSpread;
    lWrapped.mValue = pAngle + kTurn * lWrapped.mTurns;
    lWrapped.mBound = Rounded(pBound, std::fabs(lWrapped.mValue));
    lWrapped.mDistance = std::fabs(lWrapped.mValue - pReference);
    lWrapped.mDistanceBound = Rounded(lWrapped.mBound + pReferenceBound, lWrapped.mDistance);
    if (!lWrapped.mProven) {
        // The library may have taken the count next to this one: its value lies a turn away,
        // about half a turn from the reference on the other side, which moves the distance by
        // twice the quotient's distance from the half, at most 2 lSpread of a turn from it.
        lWrapped.mDistanceBound += kSafety * 2.0 * kTurn * (lFromHalf + lSpread);
    }
    return lWrapped;
}

// One solution: its three angles wrapped, and the sum of their distances with its bound, summed
// in the library's order.
struct Solution
{
    Wrapped mAngles[3];
    double mDistance;
    double mDistanceBound;
    bool mProven;
};

Solution Solve(const double pAngles[3], const double pBounds[3],
               const KBvhUnrollProof::Angles& pReference)
{
    Solution lSolution;
    for (int i = 0; i < 3; ++i) {
        lSolution.mAngles[i] =
            Wrap(pAngles[i], pBounds[i], pReference.mValue[i], pReference.mBound);
    }
    const Wrapped* a = lSolution.mAngles;
    const double lPair = a[0].mDistance + a[1].mDistance;
    lSolution.mDistance = lPair + a[2].mDistance;
    lSolution.mDistanceBound =
        Rounded(Rounded(a[0].mDistanceBound + a[1].mDistanceBound, lPair) + a[2].mDistanceBound,
                lSolution.mDistance);
    lSolution.mProven = a[0].mProven && a[1].mProven && a[2].mProven;
    return lSolution;
}

} // namespace

bool KBvhUnrollProof::Unroll(const Angles& pCurrent, const Angles& pPrevious, Angles& oUnrolled,
                             Decisions& oDecisions)
{
    // Comparisons with a bound that is not a number or infinite fail below; this keeps the
    // arithmetic on them from mattering.
    if (!(pCurrent.mBound < HUGE_VAL) || !(pPrevious.mBound < HUGE_VAL)) {
        return false;
    }
    const double* a = pCurrent.mValue;
    const double b = pCurrent.mBound;
    const double lPlainBounds[3] = {b, b, b};
    const double lOtherAngles[3] = {a[0] + kHalfTurn, kHalfTurn - a[1], a[2] + kHalfTurn};
    const double lOtherBounds[3] = {Rounded(b, std::fabs(lOtherAngles[0])),
                                    Rounded(b, std::fabs(lOtherAngles[1])),
                                    Rounded(b, std::fabs(lOtherAngles[2]))};
    const Solution lPlain = Solve(a, lPlainBounds, pPrevious);
    const Solution lOther = Solve(lOtherAngles, lOtherBounds, pPrevious);
    // The library takes the other solution only when strictly nearer.
    const double lGap = lPlain.mDistance - lOther.mDistance;
    const double lGapBound = lPlain.mDistanceBound + lOther.mDistanceBound;
    const bool lOtherNearer = lGap > lGapBound;
    if (!lOtherNearer && !(-lGap > lGapBound)) {
        return false;
    }
    const Solution& lTaken = lOtherNearer ? lOther : lPlain;
    if (!lTaken.mProven) {
        return false;
    }
    oDecisions.mOther = lOtherNearer;
    oUnrolled.mBound = 0.0;
    for (int i = 0; i < 3; ++i) {
        oUnrolled.mValue[i] = lTaken.mAngles[i].mValue;
        oUnrolled.mBound = std::max(oUnrolled.mBound, lTaken.mAngles[i].mBound);
        oDecisions.mTurns[i] = lTaken.mAngles[i].mTurns;
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
