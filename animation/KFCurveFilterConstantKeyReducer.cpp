#include "animation/KFCurveFilterConstantKeyReducer.h"

#include <cmath>

namespace {

const char* const kMessages[KFCurveFilterConstantKeyReducer::eErrorCount] = {
    "ConstantKeyReducer, Missing curve.",
    "ConstantKeyReducer, Invalid setting.",
    "ConstantKeyReducer, Curve is inside a key set.",
};

double Seconds(KTime pFrom, KTime pTo)
{
    return (static_cast<double>(pTo.Get()) - static_cast<double>(pFrom.Get())) /
           static_cast<double>(KTime::kTicksPerSecond);
}

} // namespace

KFCurveFilterConstantKeyReducer::KFCurveFilterConstantKeyReducer()
    : KFCurveFilter("ConstantKeyReducer", kMessages, eErrorCount)
{
}

bool KFCurveFilterConstantKeyReducer::SetTolerance(double pTolerance)
{
    if (!std::isfinite(pTolerance) || pTolerance < 0.0) {
        return Fail(eBadSetting);
    }
    mTolerance = pTolerance;
    return true;
}

bool KFCurveFilterConstantKeyReducer::Apply(KFCurve** pCurves, int pCount)
{
    ClearError();
    bool lDone = true;
    int lError = -1;
    for (int i = 0; pCurves != nullptr && i < pCount; ++i) {
        if (pCurves[i] == nullptr) {
            lError = eMissingCurve;
        } else if (!Reduce(*pCurves[i])) {
            lError = eCurveBusy;
        }
    }
    if (lError >= 0) {
        lDone = Fail(lError);
    }
    return lDone;
}

bool KFCurveFilterConstantKeyReducer::IsFlat(const KFCurve& pCurve, int pFrom, int pTo) const
{
    if (pCurve.KeyGetInterpolation(pFrom) != KFCurveKey::kInterpolationCubic) {
        return true;
    }
    // A slope m at one end moves a cubic segment of length d by at most about m d / 4; the test
    // keeps m d itself within the tolerance.
    const double lLength = Seconds(pCurve.KeyGetTime(pFrom), pCurve.KeyGetTime(pTo));
    return std::fabs(pCurve.GetKeyRightDerivative(pFrom)) * lLength <= mTolerance &&
           std::fabs(pCurve.GetKeyLeftDerivative(pTo)) * lLength <= mTolerance;
}

bool KFCurveFilterConstantKeyReducer::Reduce(KFCurve& pCurve)
{
    const int lCount = pCurve.GetKeyCount();
    int lFirst = 0;
    int lLast = -1;
    GetSpanIndices(pCurve, GetStartTime(), GetStopTime(), lFirst, lLast);
    if (lFirst > lLast) {
        return true;
    }
    std::vector<bool> lKeep(static_cast<std::size_t>(lCount), true);
    const auto lNear = [&pCurve, this](int pA, int pB) {
        return std::fabs(static_cast<double>(pCurve.KeyGetValue(pA)) - pCurve.KeyGetValue(pB)) <=
               mTolerance;
    };
    // The anchor is the last kept key; comparing with it rather than with the neighbour keeps a
    // slow drift of small steps from being removed step by step.
    int lAnchor = lFirst > 0 ? lFirst - 1 : 0;
    for (int i = lFirst < 1 ? 1 : lFirst; i <= lLast && i < lCount - 1; ++i) {
        if (lNear(i, lAnchor) && lNear(i + 1, lAnchor) && IsFlat(pCurve, lAnchor, i) &&
            IsFlat(pCurve, i, i + 1)) {
            lKeep[static_cast<std::size_t>(i)] = false;
        } else {
            lAnchor = i;
        }
    }
    std::vector<int> lKept;
    for (int i = 0; i < lCount; ++i) {
        if (lKeep[static_cast<std::size_t>(i)]) {
            lKept.push_back(i);
        }
    }
    if (!mKeepFirstAndLastKeys) {
        // Only with constant extrapolation does the value before (after) the curve stay that of
        // the first (last) key once the next one takes its place.
        if (lKept.size() >= 2 && lFirst == 0 &&
            pCurve.GetPreExtrapolation() == KFCurve::kExtrapolationConstant &&
            lNear(lKept[0], lKept[1]) && IsFlat(pCurve, lKept[0], lKept[1])) {
            lKept.erase(lKept.begin());
        }
        const std::size_t lSize = lKept.size();
        if (lSize >= 2 && lLast == lCount - 1 &&
            pCurve.GetPostExtrapolation() == KFCurve::kExtrapolationConstant &&
            lNear(lKept[lSize - 2], lKept[lSize - 1]) &&
            IsFlat(pCurve, lKept[lSize - 2], lKept[lSize - 1])) {
            lKept.pop_back();
        }
    }
    if (static_cast<int>(lKept.size()) == lCount) {
        return true;
    }
    std::vector<KFCurveKey> lKeys;
    lKeys.reserve(lKept.size());
    for (const int lIndex : lKept) {
        lKeys.push_back(*pCurve.GetKey(lIndex));
    }
    return ReplaceKeys(pCurve, lKeys);
}
