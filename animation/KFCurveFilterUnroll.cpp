#include "animation/KFCurveFilterUnroll.h"

#include "animation/KEulerUnroll.h"

#include <algorithm>
#include <cmath>

namespace {

const char* const kMessages[KFCurveFilterUnroll::eErrorCount] = {
    "Unroll, Three rotation curves are needed.",
    "Unroll, Missing curve.",
    "Unroll, Invalid setting.",
};

// Whether each angle lies within KEulerUnroll::kNoTurnBelow of its reference, where WrapNear
// never moves it.
bool StaysNear(const double pAngles[3], const double pReferences[3])
{
    bool lNear = true;
    for (int c = 0; c < 3; ++c) {
        lNear &= std::fabs(pReferences[c] - pAngles[c]) < KEulerUnroll::kNoTurnBelow;
    }
    return lNear;
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
    const int lStart = lFirst < 1 ? 1 : lFirst;
    if (lStart > lLast) {
        return;
    }
    // The three curves hold keys at the same times; their values are read in place (setting a
    // value moves no key).
    const KFCurveKey* lKeys[3];
    for (int c = 0; c < 3; ++c) {
        lKeys[c] = static_cast<const KFCurve*>(pCurves[c])->GetKey(0);
    }
    // The previous key as stored (single precision), so each step compares what the curve will
    // really hold; carried from step to step rather than read again.
    double lPrevious[3];
    for (int c = 0; c < 3; ++c) {
        lPrevious[c] = lKeys[c][lStart - 1].GetValue();
    }
    for (int i = lStart; i <= lLast; ++i) {
        double lCurrent[3];
        for (int c = 0; c < 3; ++c) {
            lCurrent[c] = lKeys[c][i].GetValue();
        }
        // Keys near the ones before them (most keys) stay as they are: WrapNear answers them
        // themselves (a zero's sign aside, which the comparison below does not see either), so
        // no turn count need be worked out.
        if (!mTestForPath && StaysNear(lCurrent, lPrevious)) {
            std::copy(lCurrent, lCurrent + 3, lPrevious);
            continue;
        }
        double lBest[3];
        for (int c = 0; c < 3; ++c) {
            lBest[c] = KEulerUnroll::WrapNear(lCurrent[c], lPrevious[c]);
        }
        const bool lOther = mTestForPath && TakeAlternate(lCurrent, lPrevious, lBest);
        for (int c = 0; c < 3; ++c) {
            lPrevious[c] = lCurrent[c];
            if (lBest[c] != lCurrent[c] && pCurves[c]->KeySetValue(i, ToKeyValue(lBest[c]))) {
                lPrevious[c] = lKeys[c][i].GetValue();
            }
        }
        if (lOther) {
            NegateKeySlopes(*pCurves[KEulerUnroll::GetAxis(mRotationOrder, 1)], i);
        }
    }
}

bool KFCurveFilterUnroll::TakeAlternate(const double pCurrent[3], const double pPrevious[3],
                                        double ioBest[3]) const
{
    const KVector4 lCurrent(pCurrent[0], pCurrent[1], pCurrent[2]);
    const KVector4 lPrevious(pPrevious[0], pPrevious[1], pPrevious[2]);
    const KVector4 lBest(ioBest[0], ioBest[1], ioBest[2]);
    const KVector4 lAlternate =
        KEulerUnroll::WrapNear(KEulerUnroll::GetAlternate(lCurrent, mRotationOrder), lPrevious);
    if (!(KEulerUnroll::Distance(lAlternate, lPrevious) + mQualityTolerance <
          KEulerUnroll::Distance(lBest, lPrevious))) {
        return false;
    }
    for (int c = 0; c < 3; ++c) {
        ioBest[c] = lAlternate[c];
    }
    return true;
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
