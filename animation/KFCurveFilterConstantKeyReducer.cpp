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

// Whether the extrapolation at the other end of a curve of pKeptCount keys stays the same when an
// end key goes and the key span shrinks. Keep slope reads only the segment at its own end, which
// stays while three keys remain; a repetition that never runs, or one of two keys holding one
// value, is that value.
bool OtherEndStays(std::size_t pKeptCount, int pKind, int pRepetitions)
{
    if (pKind == KFCurve::kExtrapolationConstant) {
        return true;
    }
    if (pKind == KFCurve::kExtrapolationKeepSlope) {
        return pKeptCount >= 3;
    }
    return pRepetitions == 0 || pKeptCount == 2;
}

// The keys as the run search reads them: values, times and interpolations copied once, and
// the slopes, which cost the most, worked out on first use and kept, since a flat run asks for
// the slopes of its anchor at every step. Answers exactly what IsNear and IsFlat answer.
class KeyView
{
public:
    explicit KeyView(const KFCurve& pCurve) : mCurve(pCurve)
    {
        const std::size_t lCount = static_cast<std::size_t>(pCurve.GetKeyCount());
        mValues.resize(lCount);
        mTimes.resize(lCount);
        mCubic.resize(lCount);
        mRight.resize(lCount);
        mLeft.resize(lCount);
        mKnown.assign(lCount, 0);
        for (std::size_t i = 0; i < lCount; ++i) {
            const KFCurveKey* lKey = pCurve.GetKey(static_cast<int>(i));
            mValues[i] = lKey->GetValue();
            mTimes[i] = lKey->GetTime();
            mCubic[i] = lKey->GetInterpolation() == KFCurveKey::kInterpolationCubic;
        }
    }

    bool IsNear(int pA, int pB, double pTolerance) const
    {
        return std::fabs(static_cast<double>(mValues[Index(pA)]) - mValues[Index(pB)]) <=
               pTolerance;
    }

    // See KFCurveFilterConstantKeyReducer::IsFlat.
    bool IsFlat(int pFrom, int pTo, double pTolerance)
    {
        if (!mCubic[Index(pFrom)]) {
            return true;
        }
        const double lLength = Seconds(mTimes[Index(pFrom)], mTimes[Index(pTo)]);
        return std::fabs(RightDerivative(pFrom)) * lLength <= pTolerance &&
               std::fabs(LeftDerivative(pTo)) * lLength <= pTolerance;
    }

private:
    static constexpr unsigned char kRightKnown = 1;
    static constexpr unsigned char kLeftKnown = 2;

    static std::size_t Index(int pIndex) { return static_cast<std::size_t>(pIndex); }

    double RightDerivative(int pIndex)
    {
        const std::size_t i = Index(pIndex);
        if (!(mKnown[i] & kRightKnown)) {
            mRight[i] = mCurve.GetKeyRightDerivative(pIndex);
            mKnown[i] |= kRightKnown;
        }
        return mRight[i];
    }

    double LeftDerivative(int pIndex)
    {
        const std::size_t i = Index(pIndex);
        if (!(mKnown[i] & kLeftKnown)) {
            mLeft[i] = mCurve.GetKeyLeftDerivative(pIndex);
            mKnown[i] |= kLeftKnown;
        }
        return mLeft[i];
    }

    const KFCurve& mCurve;
    std::vector<float> mValues;
    std::vector<KTime> mTimes;
    std::vector<bool> mCubic;
    std::vector<double> mRight;
    std::vector<double> mLeft;
    std::vector<unsigned char> mKnown;
};

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

bool KFCurveFilterConstantKeyReducer::IsNear(const KFCurve& pCurve, int pA, int pB) const
{
    return std::fabs(static_cast<double>(pCurve.KeyGetValue(pA)) - pCurve.KeyGetValue(pB)) <=
           mTolerance;
}

std::vector<int> KFCurveFilterConstantKeyReducer::KeepInside(const KFCurve& pCurve, int pFirst,
                                                             int pLast) const
{
    const int lCount = pCurve.GetKeyCount();
    KeyView lKeys(pCurve);
    std::vector<bool> lKeep(static_cast<std::size_t>(lCount), true);
    // The anchor is the last kept key; comparing with it rather than with the neighbour keeps a
    // slow drift of small steps from being removed step by step.
    int lAnchor = pFirst > 0 ? pFirst - 1 : 0;
    for (int i = pFirst < 1 ? 1 : pFirst; i <= pLast && i < lCount - 1; ++i) {
        if (lKeys.IsNear(i, lAnchor, mTolerance) && lKeys.IsNear(i + 1, lAnchor, mTolerance) &&
            lKeys.IsFlat(lAnchor, i, mTolerance) && lKeys.IsFlat(i, i + 1, mTolerance)) {
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
    return lKept;
}

void KFCurveFilterConstantKeyReducer::DropEndKeys(const KFCurve& pCurve, bool pAtStart, bool pAtEnd,
                                                  std::vector<int>& ioKept) const
{
    // Only with constant extrapolation does the value before (after) the curve stay that of
    // the first (last) key once the next one takes its place.
    const auto lRedundant = [&](std::size_t pFrom, std::size_t pTo) {
        return IsNear(pCurve, ioKept[pFrom], ioKept[pTo]) &&
               IsFlat(pCurve, ioKept[pFrom], ioKept[pTo]);
    };
    if (pAtStart && ioKept.size() >= 2 &&
        pCurve.GetPreExtrapolation() == KFCurve::kExtrapolationConstant &&
        OtherEndStays(ioKept.size(), pCurve.GetPostExtrapolation(),
                      pCurve.GetPostExtrapolationCount()) &&
        lRedundant(0, 1)) {
        ioKept.erase(ioKept.begin());
    }
    const std::size_t lSize = ioKept.size();
    if (pAtEnd && lSize >= 2 && pCurve.GetPostExtrapolation() == KFCurve::kExtrapolationConstant &&
        OtherEndStays(lSize, pCurve.GetPreExtrapolation(), pCurve.GetPreExtrapolationCount()) &&
        lRedundant(lSize - 2, lSize - 1)) {
        ioKept.pop_back();
    }
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
    std::vector<int> lKept = KeepInside(pCurve, lFirst, lLast);
    if (!mKeepFirstAndLastKeys) {
        DropEndKeys(pCurve, lFirst == 0, lLast == lCount - 1, lKept);
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
