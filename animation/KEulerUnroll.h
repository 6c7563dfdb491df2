#ifndef RYVKIT_ANIMATION_KEULERUNROLL_H
#define RYVKIT_ANIMATION_KEULERUNROLL_H

#include "core/KMatrix.h"
#include "core/KVector4.h"

#include <cmath>

// Euler angle routines shared by the rotation filters: conversions in a rotation order and the
// unrolling that moves angles to the representation of the same rotation closest to a reference.
//
// Angles are degrees; x, y and z always hold the turns about X, Y and Z, whatever the order.
// A rotation order is an index of the axis table of EulerToMatrixOrdered (0 to 11): the even
// indices 0, 2, 4, 6, 8, 10 are the ordinary orders XYZ, XZY, YZX, YXZ, ZXY, ZYX (twice a node's
// rotation order), each odd index the order below it with every angle turning the other way;
// 12, the spheric order, converts as XYZ. Other values are refused.
//
// A rotation has two Euler solutions in any order with three distinct axes: (a, b, c) and
// (a + 180, 180 - b, c + 180), where a turns first, b second and c last; each angle may also move
// by whole turns. Non-finite angles are never moved.
class KEulerUnroll
{
public:
    static constexpr int kSphericOrder = 12;
    // Angles closer than this to their reference (degrees) are never moved by WrapNear.
    static constexpr double kNoTurnBelow = 179.0;

    static bool IsValidOrder(int pOrder);
    // The axis (0 X, 1 Y, 2 Z) turned at step pStep (0 first, 1 middle, 2 last); -1 for an
    // invalid order or step.
    static int GetAxis(int pOrder, int pStep);

    // Sets pDst to the rotation (identity translation and fourth column). False, and the
    // identity, for an invalid order.
    static bool ToMatrix(KMatrix& pDst, const KVector4& pAngles, int pOrder);
    // The angles of the rotation in the 3x3 part of pRotation (a rotation: no scale), the middle
    // turn in [-90, 90]. False (pAngles unchanged) for an invalid order.
    static bool FromMatrix(KVector4& pAngles, const KMatrix& pRotation, int pOrder);

    // The other Euler solution of the same rotation (pAngles for an invalid order).
    static KVector4 GetAlternate(const KVector4& pAngles, int pOrder);
    // pAngle moved by whole turns to lie within 180 degrees of pReference. Inline, as these run
    // for every key of every rotation curve read.
    static double WrapNear(double pAngle, double pReference)
    {
        if (!std::isfinite(pAngle) || !std::isfinite(pReference)) {
            return pAngle;
        }
        return WrapNearFinite(pAngle, pReference);
    }
    // The same for an angle and a reference known to be finite.
    static double WrapNearFinite(double pAngle, double pReference)
    {
        // Well within half a turn the count is a zero with the sign of the difference, as
        // rounding gives it, and adding it keeps the sign of a zero angle as the sum below does.
        // Both answers are worked out and one is taken, without a branch: whether an angle lies
        // near its reference changes from key to key, and the processor would guess wrong.
        const double lDifference = pReference - pAngle;
        const double lNear = pAngle + std::copysign(0.0, lDifference);
        // A whole-turn count kept as a double: no conversion to an integer, so any distance is
        // safe.
        const double lFar = pAngle + 360.0 * NearestWhole(lDifference / 360.0);
        return std::fabs(lDifference) < kNoTurnBelow ? lNear : lFar;
    }
    // std::nearbyint in the default rounding mode, without the library call: below 2^52, adding
    // and taking away 2^52 leaves the nearest whole number (half to even), a zero taking the sign
    // of pValue as nearbyint gives it; larger values are whole already.
    static double NearestWhole(double pValue)
    {
        constexpr double kTwoTo52 = 4503599627370496.0;
        const double lMagnitude = std::fabs(pValue);
        const double lRounded = std::copysign((lMagnitude + kTwoTo52) - kTwoTo52, pValue);
        return lMagnitude < kTwoTo52 ? lRounded : pValue;
    }
    // Each angle moved by whole turns nearest the reference's.
    static KVector4 WrapNear(const KVector4& pAngles, const KVector4& pReference)
    {
        KVector4 lResult = pAngles;
        for (int i = 0; i < 3; ++i) {
            lResult[i] = WrapNear(pAngles[i], pReference[i]);
        }
        return lResult;
    }
    // The sum of the absolute differences of x, y and z.
    static double Distance(const KVector4& pA, const KVector4& pB)
    {
        return std::fabs(pA[0] - pB[0]) + std::fabs(pA[1] - pB[1]) + std::fabs(pA[2] - pB[2]);
    }

    // Moves ioCurrent to the representation closest to pPrevious (by Distance): whole turns on
    // each angle and, with pAlternate, the other Euler solution too (taken only when strictly
    // closer). Answers whether the other solution was taken. Invalid orders consider turns only.
    static bool Unroll(KVector4& ioCurrent, const KVector4& pPrevious, int pOrder,
                       bool pAlternate = true);
    // Unroll in the order XYZ (0) with the other solution, on x, y and z, for angles and a
    // reference known to be finite: the same answer, worked out inline and without a branch, as
    // a reader runs it for every joint of every frame and which solution is nearer changes from
    // frame to frame.
    static bool UnrollFiniteXYZ(double ioCurrent[3], const double pPrevious[3])
    {
        const double lPlain[3] = {WrapNearFinite(ioCurrent[0], pPrevious[0]),
                                  WrapNearFinite(ioCurrent[1], pPrevious[1]),
                                  WrapNearFinite(ioCurrent[2], pPrevious[2])};
        const double lOther[3] = {WrapNearFinite(ioCurrent[0] + 180.0, pPrevious[0]),
                                  WrapNearFinite(180.0 - ioCurrent[1], pPrevious[1]),
                                  WrapNearFinite(ioCurrent[2] + 180.0, pPrevious[2])};
        const double lPlainDistance = std::fabs(lPlain[0] - pPrevious[0]) +
                                      std::fabs(lPlain[1] - pPrevious[1]) +
                                      std::fabs(lPlain[2] - pPrevious[2]);
        const double lOtherDistance = std::fabs(lOther[0] - pPrevious[0]) +
                                      std::fabs(lOther[1] - pPrevious[1]) +
                                      std::fabs(lOther[2] - pPrevious[2]);
        const bool lTakeOther = lOtherDistance < lPlainDistance;
        for (int i = 0; i < 3; ++i) {
            ioCurrent[i] = lTakeOther ? lOther[i] : lPlain[i];
        }
        return lTakeOther;
    }
};

#endif
