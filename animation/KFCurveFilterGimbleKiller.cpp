#include "animation/KFCurveFilterGimbleKiller.h"

#include "animation/KEulerUnroll.h"
#include "core/KMatrixFunctions.h"

#include <cmath>

namespace {

const char* const kMessages[KFCurveFilterGimbleKiller::eErrorCount] = {
    "GimbleKiller, Three rotation curves are needed.",
    "GimbleKiller, Missing curve.",
    "GimbleKiller, The rotation curves must have their keys at the same times.",
    "GimbleKiller, Invalid setting.",
};

// A split of the first and last turn is only taken when the rotation stays this close (matrix
// elements), which holds at lock and nowhere else.
constexpr double kSameRotation = 1e-6;
constexpr double kDegreesToRadians = 3.14159265358979323846 / 180.0;

} // namespace

KFCurveFilterGimbleKiller::KFCurveFilterGimbleKiller()
    : KFCurveFilter("GimbleKiller", kMessages, eErrorCount)
{
}

bool KFCurveFilterGimbleKiller::SetRotationOrder(int pOrder)
{
    return SetCheckedRotationOrder(pOrder, mRotationOrder, eBadSetting);
}

bool KFCurveFilterGimbleKiller::Apply(KFCurve** pCurves, int pCount)
{
    ClearError();
    if (!CheckThreeCurves(pCurves, pCount, eNeedsThreeCurves, eMissingCurve)) {
        return false;
    }
    if (!HaveSameKeyTimes(pCurves, 3)) {
        return Fail(eKeyTimesDiffer);
    }
    int lFirst = 0;
    int lLast = -1;
    GetSpanIndices(*pCurves[0], GetStartTime(), GetStopTime(), lFirst, lLast);
    const int lMiddle = KEulerUnroll::GetAxis(mRotationOrder, 1);
    for (int c = 0; c < 3; ++c) {
        pCurves[c]->BeginKeyModify();
    }
    for (int i = lFirst < 1 ? 1 : lFirst; i <= lLast; ++i) {
        KVector4 lPrevious;
        KVector4 lCurrent;
        for (int c = 0; c < 3; ++c) {
            lPrevious[c] = pCurves[c]->KeyGetValue(i - 1);
            lCurrent[c] = pCurves[c]->KeyGetValue(i);
        }
        KVector4 lBest = lCurrent;
        const bool lOther = KEulerUnroll::Unroll(lBest, lPrevious, mRotationOrder, true);
        SplitAtLock(lBest, lPrevious);
        for (int c = 0; c < 3; ++c) {
            if (lBest[c] != lCurrent[c]) {
                pCurves[c]->KeySetValue(i, ToKeyValue(lBest[c]));
            }
        }
        if (lOther) {
            NegateKeySlopes(*pCurves[lMiddle], i);
        }
    }
    for (int c = 0; c < 3; ++c) {
        pCurves[c]->EndKeyModify();
    }
    return true;
}

void KFCurveFilterGimbleKiller::SplitAtLock(KVector4& ioAngles, const KVector4& pPrevious) const
{
    const int lFirstAxis = KEulerUnroll::GetAxis(mRotationOrder, 0);
    const int lMiddleAxis = KEulerUnroll::GetAxis(mRotationOrder, 1);
    const int lLastAxis = KEulerUnroll::GetAxis(mRotationOrder, 2);
    if (std::fabs(std::cos(ioAngles[lMiddleAxis] * kDegreesToRadians)) > 1e-3) {
        return;
    }
    KMatrix lKept;
    KEulerUnroll::ToMatrix(lKept, ioAngles, mRotationOrder);
    // At lock the first and last turn act about one axis, in the same or the opposite sense:
    // moving both by the same amount (sign +1 or -1) keeps the rotation for one of the signs.
    for (const double lSign : {1.0, -1.0}) {
        KVector4 lProbe = ioAngles;
        lProbe[lFirstAxis] += 10.0;
        lProbe[lLastAxis] += lSign * 10.0;
        KMatrix lMoved;
        KEulerUnroll::ToMatrix(lMoved, lProbe, mRotationOrder);
        if (MatrixCompare(lMoved, lKept, kSameRotation) != 0) {
            continue;
        }
        // The shift d minimising the squared distance of both turns to the previous key.
        const double lShift = ((pPrevious[lFirstAxis] - ioAngles[lFirstAxis]) +
                               lSign * (pPrevious[lLastAxis] - ioAngles[lLastAxis])) /
                              2.0;
        KVector4 lSplit = ioAngles;
        lSplit[lFirstAxis] += lShift;
        lSplit[lLastAxis] += lSign * lShift;
        KEulerUnroll::ToMatrix(lMoved, lSplit, mRotationOrder);
        if (std::isfinite(lShift) && MatrixCompare(lMoved, lKept, kSameRotation) == 0 &&
            KEulerUnroll::Distance(lSplit, pPrevious) <
                KEulerUnroll::Distance(ioAngles, pPrevious)) {
            ioAngles = lSplit;
        }
        return;
    }
}
