#ifndef RYVKIT_FORMATS_MOTION_BVH_KBVHUNROLLPROOF_H
#define RYVKIT_FORMATS_MOTION_BVH_KBVHUNROLLPROOF_H

// KEulerUnroll::UnrollFiniteXYZ on angles known only within a bound of the library path's own
// (quick trigonometry), with a proof that each of its decisions comes out as it does on the
// library's angles, and what it takes to redo the library's result exactly afterwards.
//
// UnrollFiniteXYZ moves each angle a by n whole turns, n = NearestWhole((r - a) / 360) against
// its reference r: WrapNearFinite's near case (|r - a| < kNoTurnBelow) gives a plus a zero with
// the sign of r - a, which is what that n gives there too (a quotient below one half rounds to
// that zero), so its threshold is no decision of its own. The decisions are the count n of each
// angle of both solutions (plain, and the other one: a + 180, 180 - b, c + 180), which flip only
// at a half turn, and which solution is nearer by the sum of distances. Each is proven when the
// quick values lie farther from the flip than the bounds carried on both sides allow; the result
// is then the library's within a bound that grows by the roundings only. A count that cannot be
// proven changes its distance by little (both candidates lie about half a turn from the
// reference), so only the solution taken needs its counts proven.
//
// Angles are degrees; nothing is proven for angles or bounds that are not finite, nor for angles
// of 2^40 or more (a read never reaches them).
class KBvhUnrollProof
{
public:
    // X, Y and Z angles each within mBound of the library path's (0: its own, bit for bit).
    struct Angles
    {
        double mValue[3] = {0.0, 0.0, 0.0};
        double mBound = 0.0;
    };
    // What the unroll decided: the whole turns added to each angle of the solution taken and
    // whether it is the other one. A count of none may be a zero of the other sign than the
    // library's, which changes nothing but a zero angle.
    struct Decisions
    {
        double mTurns[3] = {0.0, 0.0, 0.0};
        bool mOther = false;
    };

    // Arrays of joints (structure of arrays): mValue[a][f] is angle a of joint f, mBound[f] its
    // bound.
    struct Block
    {
        const double* mValue[3];
        const double* mBound;
    };
    // Where the unroll of each joint f goes: its unrolled angles mValue[a][f] and their bound,
    // its decisions, and whether they are proven (the rest is unspecified where not).
    struct Result
    {
        double* mValue[3];
        double* mBound;
        double* mTurns[3];
        bool* mOther;
        bool* mProven;
    };

    // Unroll, below, for pCount joints at once.
    static void Unroll(int pCount, const Block& pCurrent, const Block& pPrevious,
                       const Result& oResult);
    // UnrollFiniteXYZ of pCurrent against pPrevious. True when every decision that shapes the
    // result is proven the library's: oUnrolled then lies within its bound of the library's
    // unrolled angles, and oDecisions are the library's. False (outputs unspecified) otherwise,
    // also for an infinite bound.
    static bool Unroll(const Angles& pCurrent, const Angles& pPrevious, Angles& oUnrolled,
                       Decisions& oDecisions);
    // The library's unrolled angles from its own angles pAngles and the decisions its unroll of
    // them took: bit for bit, but for the sign of an unrolled angle that is a zero.
    static void Replay(const double pAngles[3], const Decisions& pDecisions, double oUnrolled[3]);
};

#endif
