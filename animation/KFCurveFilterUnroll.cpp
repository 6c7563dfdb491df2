#include "animation/KFCurveFilterUnroll.h"

#include "animation/KEulerUnroll.h"

#include <cmath>

namespace {

const char* const kMessages[KFCurveFilterUnroll::eErrorCount] = {
    "Unroll, Three rotation curves are needed.",
    "Unroll, Missing curve.",
    "Unroll, Invalid setting.",
};

KVector4 KeyAngles(KFCurve** pCurves, int pIndex)
{
    return KVector4(pCurves[0]->KeyGetValue(pIndex), pCurves[1]->KeyGetValue(pIndex),
                    pCurves[2]->KeyGetValue(pIndex));
}

} // namespace

KFCurveFilterUnroll::KFCurveFilterUnroll() : KFCurveFilter("Unroll", kMessages, eErrorCount) {}

bool KFCurveFilterUnroll::SetQualityTolerance(double pTolerance)
{
    if (!std::isfinite(pTolerance) || pTolerance < 0.0) {
        return Fail(eBadSetting);
    }
    mQualityTolerance = pTolerance;
    return true;
}

bool KFCurveFilterUnroll::SetRotationOrder(int pOrder)
{
    return SetCheckedRotationOrder(pOrder, mRotationOrder, eBadSetting);
}

bool KFCurveFilterUnroll::Apply(KFCurve** pCurves, int pCount)
{
    ClearError();
    if (!CheckThreeCurves(pCurves, pCount, eNeedsThreeCurves, eMissingCurve)) {
        return false;
    }
    for (int c = 0; c < 3; ++c) {
        pCurves[c]->BeginKeyModify();
    }
    if (HaveSameKeyTimes(pCurves, 3)) {
        UnrollTogether(pCurves);
    } else {
        for (int c = 0; c < 3; ++c) {
            int lFirst = 0;
            int lLast = -1;
            GetSpanIndices(*pCurves[c], GetStartTime(), GetStopTime(), lFirst, lLast);
            UnrollAlone(*pCurves[c], lFirst, lLast);
        }
    }
    for (int c = 0; c < 3; ++c) {
        pCurves[c]->EndKeyModify();
    }
    return true;
}

void KFCurveFilterUnroll::UnrollTogether(KFCurve** pCurves)
{
    int lFirst = 0;
    int lLast = -1;
    GetSpanIndices(*pCurves[0], GetStartTime(), GetStopTime(), lFirst, lLast);
    const int lMiddle = KEulerUnroll::GetAxis(mRotationOrder, 1);
    const int lStart = lFirst < 1 ? 1 : lFirst;
    // The previous key as stored (single precision), so each step compares what the curve will
    // really hold; carried from step to step rather than read again.
    KVector4 lPrevious = lStart <= lLast ? KeyAngles(pCurves, lStart - 1) : KVector4();
    for (int i = lStart; i <= lLast; ++i) {
        const KVector4 lCurrent = KeyAngles(pCurves, i);
        KVector4 lBest = KEulerUnroll::WrapNear(lCurrent, lPrevious);
        bool lOther = false;
        if (mTestForPath) {
            const KVector4 lAlternate = KEulerUnroll::WrapNear(
                KEulerUnroll::GetAlternate(lCurrent, mRotationOrder), lPrevious);
            if (KEulerUnroll::Distance(lAlternate, lPrevious) + mQualityTolerance <
                KEulerUnroll::Distance(lBest, lPrevious)) {
                lBest = lAlternate;
                lOther = true;
            }
        }
        lPrevious = lCurrent;
        for (int c = 0; c < 3; ++c) {
            if (lBest[c] != lCurrent[c] && pCurves[c]->KeySetValue(i, ToKeyValue(lBest[c]))) {
                lPrevious[c] = pCurves[c]->KeyGetValue(i);
            }
        }
        if (lOther) {
            NegateKeySlopes(*pCurves[lMiddle], i);
        }
    }
}

void KFCurveFilterUnroll::UnrollAlone(KFCurve& pCurve, int pFirst, int pLast)
{
    for (int i = pFirst < 1 ? 1 : pFirst; i <= pLast; ++i) {
        const double lValue = pCurve.KeyGetValue(i);
        const double lWrapped = KEulerUnroll::WrapNear(lValue, pCurve.KeyGetValue(i - 1));
        if (lWrapped != lValue) {
            pCurve.KeySetValue(i, ToKeyValue(lWrapped));
        }
    }
}
