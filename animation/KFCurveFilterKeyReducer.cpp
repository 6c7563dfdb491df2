#include "animation/KFCurveFilterKeyReducer.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const char* const kMessages[KFCurveFilterKeyReducer::eErrorCount] = {
    "KeyReducer, Missing curve.",
    "KeyReducer, Invalid setting.",
    "KeyReducer, Curve is inside a key set.",
};

constexpr double kInfinity = std::numeric_limits<double>::infinity();

double Seconds(KTime pFrom, KTime pTo)
{
    return (static_cast<double>(pTo.Get()) - static_cast<double>(pFrom.Get())) /
           static_cast<double>(KTime::kTicksPerSecond);
}

// One curve's walk: its keys in the span, the next key to visit, the last kept key, and the
// slopes from that key which still pass within the precision of every key removed since. The
// slope window makes each test constant-time, so a long straight run stays linear in cost.
struct Walk
{
    KFCurve* mCurve;
    int mFirst;
    int mLast;
    int mNext;
    int mAnchor;
    double mLowSlope;
    double mHighSlope;
    double mHeldDeviation;
    std::vector<bool> mKeep;
};

void ResetWindow(Walk& pWalk, int pAnchor)
{
    pWalk.mAnchor = pAnchor;
    pWalk.mLowSlope = -kInfinity;
    pWalk.mHighSlope = kInfinity;
    pWalk.mHeldDeviation = 0.0;
}

} // namespace

KFCurveFilterKeyReducer::KFCurveFilterKeyReducer()
    : KFCurveFilter("KeyReducer", kMessages, eErrorCount)
{
}

bool KFCurveFilterKeyReducer::SetPrecision(double pPrecision)
{
    if (!std::isfinite(pPrecision) || pPrecision < 0.0) {
        return Fail(eBadSetting);
    }
    mPrecision = pPrecision;
    return true;
}

bool KFCurveFilterKeyReducer::Apply(KFCurve** pCurves, int pCount)
{
    ClearError();
    std::vector<Walk> lWalks;
    for (int c = 0; pCurves != nullptr && c < pCount; ++c) {
        if (pCurves[c] == nullptr) {
            return Fail(eMissingCurve);
        }
        Walk lWalk{pCurves[c], 0, -1, 0, 0, 0.0, 0.0, 0.0, {}};
        GetSpanIndices(*pCurves[c], GetStartTime(), GetStopTime(), lWalk.mFirst, lWalk.mLast);
        if (lWalk.mLast - lWalk.mFirst < 2) {
            continue;
        }
        lWalk.mKeep.assign(static_cast<std::size_t>(pCurves[c]->GetKeyCount()), true);
        lWalk.mNext = lWalk.mFirst + 1;
        ResetWindow(lWalk, lWalk.mFirst);
        lWalks.push_back(std::move(lWalk));
    }
    struct Candidate
    {
        double mLow;
        double mHigh;
        double mHeld;
    };
    std::vector<Candidate> lCandidates(lWalks.size());
    for (;;) {
        // The earliest time still to visit among the curves' interior keys.
        bool lAny = false;
        KTime lTime;
        for (const Walk& lWalk : lWalks) {
            if (lWalk.mNext < lWalk.mLast &&
                (!lAny || lWalk.mCurve->KeyGetTime(lWalk.mNext) < lTime)) {
                lTime = lWalk.mCurve->KeyGetTime(lWalk.mNext);
                lAny = true;
            }
        }
        if (!lAny) {
            break;
        }
        bool lRemovable = true;
        for (std::size_t w = 0; w < lWalks.size(); ++w) {
            const Walk& lWalk = lWalks[w];
            if (lWalk.mNext >= lWalk.mLast || lWalk.mCurve->KeyGetTime(lWalk.mNext) != lTime) {
                continue;
            }
            const KFCurve& lCurve = *lWalk.mCurve;
            const int i = lWalk.mNext;
            const KTime lAnchorTime = lCurve.KeyGetTime(lWalk.mAnchor);
            const double lAnchorValue = lCurve.KeyGetValue(lWalk.mAnchor);
            Candidate& lCandidate = lCandidates[w];
            lCandidate = {lWalk.mLowSlope, lWalk.mHighSlope, lWalk.mHeldDeviation};
            if (lCurve.KeyGetInterpolation(lWalk.mAnchor) == KFCurveKey::kInterpolationConstant) {
                lCandidate.mHeld =
                    std::max(lWalk.mHeldDeviation, std::fabs(lCurve.KeyGetValue(i) - lAnchorValue));
                lRemovable = lRemovable && lCandidate.mHeld <= mPrecision;
                continue;
            }
            const double lSpan = Seconds(lAnchorTime, lCurve.KeyGetTime(i));
            const double lLow = (lCurve.KeyGetValue(i) - mPrecision - lAnchorValue) / lSpan;
            const double lHigh = (lCurve.KeyGetValue(i) + mPrecision - lAnchorValue) / lSpan;
            lCandidate.mLow = std::max(lWalk.mLowSlope, lLow);
            lCandidate.mHigh = std::min(lWalk.mHighSlope, lHigh);
            const double lSlope = (lCurve.KeyGetValue(i + 1) - lAnchorValue) /
                                  Seconds(lAnchorTime, lCurve.KeyGetTime(i + 1));
            lRemovable = lRemovable && lSlope >= lCandidate.mLow && lSlope <= lCandidate.mHigh;
        }
        for (std::size_t w = 0; w < lWalks.size(); ++w) {
            Walk& lWalk = lWalks[w];
            if (lWalk.mNext >= lWalk.mLast || lWalk.mCurve->KeyGetTime(lWalk.mNext) != lTime) {
                continue;
            }
            if (lRemovable) {
                lWalk.mKeep[static_cast<std::size_t>(lWalk.mNext)] = false;
                lWalk.mLowSlope = lCandidates[w].mLow;
                lWalk.mHighSlope = lCandidates[w].mHigh;
                lWalk.mHeldDeviation = lCandidates[w].mHeld;
            } else {
                ResetWindow(lWalk, lWalk.mNext);
            }
            ++lWalk.mNext;
        }
    }
    bool lDone = true;
    for (Walk& lWalk : lWalks) {
        if (std::find(lWalk.mKeep.begin(), lWalk.mKeep.end(), false) == lWalk.mKeep.end()) {
            continue;
        }
        std::vector<KFCurveKey> lKeys;
        for (int i = 0; i < lWalk.mCurve->GetKeyCount(); ++i) {
            if (lWalk.mKeep[static_cast<std::size_t>(i)]) {
                lKeys.push_back(*lWalk.mCurve->GetKey(i));
            }
        }
        if (!ReplaceKeys(*lWalk.mCurve, lKeys)) {
            lDone = Fail(eCurveBusy);
        }
    }
    return lDone;
}
