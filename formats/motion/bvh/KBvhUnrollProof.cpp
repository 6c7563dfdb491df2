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
constexpr int kLanes = 2;
// Beyond this magnitude of angles nothing is proven: below it every count of turns is far below
// 2^51, where KMotionLaneBits::kIntegerShift rounds to whole numbers.
constexpr double kLargestAngle = 0x1p40;

using Lanes = KMotionLanes;
using Mask = KMotionLaneMask;
using Bits = KMotionLaneBits;

Lanes Splat(double pValue)
{
    return Lanes{pValue, pValue};
}

Lanes Largest(Lanes pA, Lanes pB)
{
    return Bits::Select(Bits::Mask(pA < pB), pB, pA);
}

Lanes LargestMagnitude(const Lanes p[3])
{
    return Largest(Bits::Abs(p[0]), Largest(Bits::Abs(p[1]), Bits::Abs(p[2])));
}

// Angles wrapped near their references by whole turns as WrapNearFinite counts them (the
// nearest whole number of turns between them, halves to even); a count is proven where its
// quotient lies farther than pSpread from a half.
struct Wrapped
{
    Lanes mTurns;
    Lanes mDistance;
    Mask mProven;
};

inline Wrapped Wrap(Lanes pAngle, Lanes pReference, Lanes pSpread)
{
    Wrapped lWrapped;
    const Lanes lQuotient = (pReference - pAngle) * kInverseTurn;
    // The nearest whole number, halves to even, as NearestWhole rounds it; a zero may have the
    // other sign, which only a zero angle would show.
    lWrapped.mTurns = (lQuotient + Bits::kIntegerShift) - Bits::kIntegerShift;
    lWrapped.mProven = Bits::Mask(0.5 - Bits::Abs(lQuotient - lWrapped.mTurns) > pSpread);
    lWrapped.mDistance = Bits::Abs((pAngle + kTurn * lWrapped.mTurns) - pReference);
    return lWrapped;
}

// The unroll of two joints, one a lane; both solutions are worked out and one is taken without
// a branch: which one is nearer changes from frame to frame.
struct Unrolled
{
    Lanes mValue[3];
    Lanes mBound;
    Lanes mTurns[3];
    Mask mOther;
    Mask mProven;
};

Unrolled UnrollLanes(const Lanes a[3], Lanes b, const Lanes r[3], Lanes rb)
{
    Unrolled lUnrolled;
    // An infinite or undefined bound proves nothing, nor do angles beyond kLargestAngle.
    const Lanes lMagnitude = LargestMagnitude(a) + LargestMagnitude(r);
    const Mask lFinite = Bits::Mask(b < HUGE_VAL) & Bits::Mask(rb < HUGE_VAL) &
                         Bits::Mask(lMagnitude < kLargestAngle);
    const Lanes lBounds = b + rb;
    const Lanes lRounding = kHalfUlp * (lMagnitude + 2.0 * kTurn);
    const Lanes lSpread = (lBounds + kSafety * 7.0 * lRounding + kFloor) * kInverseTurn;
    const Lanes lOtherAngles[3] = {a[0] + kHalfTurn, kHalfTurn - a[1], a[2] + kHalfTurn};
    // Both solutions angle by angle, their distances summed in the library's order.
    Lanes lPlainTurns[3];
    Lanes lOtherTurns[3];
    Lanes lPlainSum = Splat(0.0);
    Lanes lOtherSum = Splat(0.0);
    Mask lPlainProven = lFinite;
    Mask lOtherProven = lFinite;
    for (int i = 0; i < 3; ++i) {
        const Wrapped lPlain = Wrap(a[i], r[i], lSpread);
        const Wrapped lOther = Wrap(lOtherAngles[i], r[i], lSpread);
        lPlainTurns[i] = lPlain.mTurns;
        lOtherTurns[i] = lOther.mTurns;
        lPlainSum = i == 0 ? lPlain.mDistance : lPlainSum + lPlain.mDistance;
        lOtherSum = i == 0 ? lOther.mDistance : lOtherSum + lOther.mDistance;
        lPlainProven &= lPlain.mProven;
        lOtherProven &= lOther.mProven;
    }
    // The library's choice: the other solution only when strictly nearer. Where a count of the
    // solution not taken is not proven, the library may have taken the one next to it: its value
    // lies a turn away, about half a turn from the reference on the other side, which moves the
    // distance by twice the quotient's distance from the half, at most 2 * 2 lSpread turns, for
    // each of the three angles.
    const Lanes lSumBound = 3.0 * lBounds + kSafety * 24.0 * lRounding + kFloor;
    const Lanes lGap = lPlainSum - lOtherSum;
    const Lanes lGapBound = 2.0 * lSumBound + kSafety * 3.0 * 4.0 * kTurn * lSpread;
    lUnrolled.mOther = Bits::Mask(lGap > lGapBound);
    const Mask lPlainNearer = Bits::Mask(-lGap > lGapBound);
    lUnrolled.mProven = (lUnrolled.mOther & lOtherProven) | (lPlainNearer & lPlainProven);
    for (int i = 0; i < 3; ++i) {
        lUnrolled.mTurns[i] = Bits::Select(lUnrolled.mOther, lOtherTurns[i], lPlainTurns[i]);
        lUnrolled.mValue[i] =
            Bits::Select(lUnrolled.mOther, lOtherAngles[i], a[i]) + kTurn * lUnrolled.mTurns[i];
    }
    lUnrolled.mBound = b + kSafety * 4.0 * lRounding + kFloor;
    return lUnrolled;
}

// Two values from pValues[pFirst], the second 0 past pCount.
Lanes Load(const double* pValues, int pFirst, int pCount)
{
    return Lanes{pValues[pFirst], pFirst + 1 < pCount ? pValues[pFirst + 1] : 0.0};
}

void Store(Lanes pLanes, int pFirst, int pCount, double* oValues)
{
    oValues[pFirst] = pLanes[0];
    if (pFirst + 1 < pCount) {
        oValues[pFirst + 1] = pLanes[1];
    }
}

void Store(Mask pMask, int pFirst, int pCount, bool* oValues)
{
    oValues[pFirst] = pMask[0] != 0;
    if (pFirst + 1 < pCount) {
        oValues[pFirst + 1] = pMask[1] != 0;
    }
}

} // namespace

#if RYV_MOTION_WIDE_LANES
// The steps of Wrap and UnrollLanes above for four joints at a time in the wider registers, made
// only for processors that have them (KMotionQuickTrig::HasWideLanes): the same operations lane
// by lane. Nothing passes these lanes to code made otherwise.
#pragma GCC push_options
#pragma GCC target("avx2")

namespace {

constexpr int kWideLanes = 4;
using WideLanes = KMotionWideLanes;
using WideMask = KMotionWideMask;
using Wide = KMotionWideBits;

struct WideWrapped
{
    WideLanes mTurns;
    WideLanes mDistance;
    WideMask mProven;
};

inline WideWrapped WideWrap(WideLanes pAngle, WideLanes pReference, WideLanes pSpread)
{
    WideWrapped lWrapped;
    const WideLanes lQuotient = (pReference - pAngle) * kInverseTurn;
    lWrapped.mTurns = (lQuotient + Bits::kIntegerShift) - Bits::kIntegerShift;
    lWrapped.mProven = Wide::Mask(0.5 - Wide::Abs(lQuotient - lWrapped.mTurns) > pSpread);
    lWrapped.mDistance = Wide::Abs((pAngle + kTurn * lWrapped.mTurns) - pReference);
    return lWrapped;
}

inline WideLanes WideLargest(WideLanes pA, WideLanes pB)
{
    return Wide::Select(Wide::Mask(pA < pB), pB, pA);
}

inline WideLanes WideLargestMagnitude(const WideLanes p[3])
{
    return WideLargest(Wide::Abs(p[0]), WideLargest(Wide::Abs(p[1]), Wide::Abs(p[2])));
}

inline WideLanes WideLoad(const double* pValues)
{
    WideLanes lLanes;
    std::memcpy(&lLanes, pValues, sizeof lLanes);
    return lLanes;
}

inline void WideStore(WideLanes pLanes, double* oValues)
{
    std::memcpy(oValues, &pLanes, sizeof pLanes);
}

inline void WideStore(WideMask pMask, bool* oValues)
{
    for (int i = 0; i < kWideLanes; ++i) {
        oValues[i] = pMask[i] != 0;
    }
}

void WideUnrollLanes(const double* const pCurrent[3], const double* pBound,
                     const double* const pPrevious[3], const double* pPreviousBound, int f,
                     const KBvhUnrollProof::Result& oResult)
{
    WideLanes a[3];
    WideLanes r[3];
    for (int i = 0; i < 3; ++i) {
        a[i] = WideLoad(pCurrent[i] + f);
        r[i] = WideLoad(pPrevious[i] + f);
    }
    const WideLanes b = WideLoad(pBound + f);
    const WideLanes rb = WideLoad(pPreviousBound + f);
    const WideLanes lMagnitude = WideLargestMagnitude(a) + WideLargestMagnitude(r);
    const WideMask lFinite = Wide::Mask(b < HUGE_VAL) & Wide::Mask(rb < HUGE_VAL) &
                             Wide::Mask(lMagnitude < kLargestAngle);
    const WideLanes lBounds = b + rb;
    const WideLanes lRounding = kHalfUlp * (lMagnitude + 2.0 * kTurn);
    const WideLanes lSpread = (lBounds + kSafety * 7.0 * lRounding + kFloor) * kInverseTurn;
    const WideLanes lOtherAngles[3] = {a[0] + kHalfTurn, kHalfTurn - a[1], a[2] + kHalfTurn};
    WideLanes lPlainTurns[3];
    WideLanes lOtherTurns[3];
    WideLanes lPlainSum = Wide::Splat(0.0);
    WideLanes lOtherSum = Wide::Splat(0.0);
    WideMask lPlainProven = lFinite;
    WideMask lOtherProven = lFinite;
    for (int i = 0; i < 3; ++i) {
        const WideWrapped lPlain = WideWrap(a[i], r[i], lSpread);
        const WideWrapped lOther = WideWrap(lOtherAngles[i], r[i], lSpread);
        lPlainTurns[i] = lPlain.mTurns;
        lOtherTurns[i] = lOther.mTurns;
        lPlainSum = i == 0 ? lPlain.mDistance : lPlainSum + lPlain.mDistance;
        lOtherSum = i == 0 ? lOther.mDistance : lOtherSum + lOther.mDistance;
        lPlainProven &= lPlain.mProven;
        lOtherProven &= lOther.mProven;
    }
    const WideLanes lSumBound = 3.0 * lBounds + kSafety * 24.0 * lRounding + kFloor;
    const WideLanes lGap = lPlainSum - lOtherSum;
    const WideLanes lGapBound = 2.0 * lSumBound + kSafety * 3.0 * 4.0 * kTurn * lSpread;
    const WideMask lOtherNearer = Wide::Mask(lGap > lGapBound);
    const WideMask lPlainNearer = Wide::Mask(-lGap > lGapBound);
    for (int i = 0; i < 3; ++i) {
        const WideLanes lTurns = Wide::Select(lOtherNearer, lOtherTurns[i], lPlainTurns[i]);
        WideStore(lTurns, oResult.mTurns[i] + f);
        WideStore(Wide::Select(lOtherNearer, lOtherAngles[i], a[i]) + kTurn * lTurns,
                  oResult.mValue[i] + f);
    }
    WideStore(b + kSafety * 4.0 * lRounding + kFloor, oResult.mBound + f);
    WideStore(lOtherNearer, oResult.mOther + f);
    WideStore((lOtherNearer & lOtherProven) | (lPlainNearer & lPlainProven), oResult.mProven + f);
}

// The whole groups of four joints of the block; answers how many joints it took.
int WideUnroll(int pCount, const KBvhUnrollProof::Block& pCurrent,
               const KBvhUnrollProof::Block& pPrevious, const KBvhUnrollProof::Result& oResult)
{
    int f = 0;
    for (; f + kWideLanes <= pCount; f += kWideLanes) {
        WideUnrollLanes(pCurrent.mValue, pCurrent.mBound, pPrevious.mValue, pPrevious.mBound, f,
                        oResult);
    }
    return f;
}

} // namespace

#pragma GCC pop_options
#endif

void KBvhUnrollProof::Unroll(int pCount, const Block& pCurrent, const Block& pPrevious,
                             const Result& oResult)
{
    int lFirst = 0;
#if RYV_MOTION_WIDE_LANES
    if (KMotionQuickTrig::HasWideLanes()) {
        lFirst = WideUnroll(pCount, pCurrent, pPrevious, oResult);
    }
#endif
    for (int f = lFirst; f < pCount; f += kLanes) {
        Lanes a[3];
        Lanes r[3];
        for (int i = 0; i < 3; ++i) {
            a[i] = Load(pCurrent.mValue[i], f, pCount);
            r[i] = Load(pPrevious.mValue[i], f, pCount);
        }
        const Unrolled lUnrolled =
            UnrollLanes(a, Load(pCurrent.mBound, f, pCount), r, Load(pPrevious.mBound, f, pCount));
        for (int i = 0; i < 3; ++i) {
            Store(lUnrolled.mValue[i], f, pCount, oResult.mValue[i]);
            Store(lUnrolled.mTurns[i], f, pCount, oResult.mTurns[i]);
        }
        Store(lUnrolled.mBound, f, pCount, oResult.mBound);
        Store(lUnrolled.mOther, f, pCount, oResult.mOther);
        Store(lUnrolled.mProven, f, pCount, oResult.mProven);
    }
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
