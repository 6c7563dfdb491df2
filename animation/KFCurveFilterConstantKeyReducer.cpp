#include "animation/KFCurveFilterConstantKeyReducer.h"

#include <algorithm>
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

// A slope per key index, worked out on first use; the last two are kept, which is all a run
// search asks for again (the anchor's right slope at every step, each left slope twice).
class SlopeCache
{
public:
    template <class TCompute> double Get(int pIndex, TCompute pCompute)
    {
        for (Entry& lEntry : mEntries) {
            if (lEntry.mIndex == pIndex) {
                lEntry.mUse = ++mClock;
                return lEntry.mSlope;
            }
        }
        Entry& lOldest = mEntries[0].mUse <= mEntries[1].mUse ? mEntries[0] : mEntries[1];
        lOldest = Entry{pIndex, pCompute(pIndex), ++mClock};
        return lOldest.mSlope;
    }

private:
    struct Entry
    {
        int mIndex = -1;
        double mSlope = 0.0;
        unsigned mUse = 0;
    };
    Entry mEntries[2];
    unsigned mClock = 0;
};

// The keys as the run search reads them: the values in place, times and interpolations copied
// when first asked for, the slopes through the caches. Answers exactly what IsNear and IsFlat of
// the filter answer.
class KeyView
{
public:
    explicit KeyView(const KFCurve& pCurve)
        : mCurve(pCurve), mKeys(pCurve.GetKey(0)),
          mCount(static_cast<std::size_t>(pCurve.GetKeyCount()))
    {
    }

    bool IsNear(int pA, int pB, double pTolerance) const
    {
        return std::fabs(static_cast<double>(mKeys[pA].GetValue()) - mKeys[pB].GetValue()) <=
               pTolerance;
    }

    bool IsFlat(int pFrom, int pTo, double pTolerance)
    {
        // Times and interpolations are only asked for inside runs of near values; a curve
        // without any never copies them.
        if (mTimes.empty()) {
            CopyTimes();
        }
        if (!mCubic[static_cast<std::size_t>(pFrom)]) {
            return true;
        }
        const double lLength =
            Seconds(mTimes[static_cast<std::size_t>(pFrom)], mTimes[static_cast<std::size_t>(pTo)]);
        const auto lRight = [this](int pIndex) { return mCurve.GetKeyRightDerivative(pIndex); };
        const auto lLeft = [this](int pIndex) { return mCurve.GetKeyLeftDerivative(pIndex); };
        return std::fabs(mRight.Get(pFrom, lRight)) * lLength <= pTolerance &&
               std::fabs(mLeft.Get(pTo, lLeft)) * lLength <= pTolerance;
    }

private:
    void CopyTimes()
    {
        mTimes.resize(mCount);
        mCubic.resize(mCount);
        for (std::size_t i = 0; i < mCount; ++i) {
            mTimes[i] = mKeys[i].GetTime();
            mCubic[i] = mKeys[i].GetInterpolation() == KFCurveKey::kInterpolationCubic;
        }
    }

    const KFCurve& mCurve;
    // The curve's keys, which the search only reads.
    const KFCurveKey* mKeys;
    std::size_t mCount;
    std::vector<KTime> mTimes;
    std::vector<char> mCubic;
    SlopeCache mRight;
    SlopeCache mLeft;
};

// The slopes on the two sides of a key, value units per second.
struct Slopes
{
    double mLeft = 0.0;
    double mRight = 0.0;
};

bool IsTCB(const KFCurveKey& pKey)
{
    return (pKey.GetTangentMode() & KFCurveKey::kTangentTCB) != 0;
}

bool IsAuto(const KFCurveKey& pKey)
{
    return (pKey.GetTangentMode() &
            (KFCurveKey::kTangentTCB | KFCurveKey::kTangentUser | KFCurveKey::kTangentBreak)) == 0;
}

bool IsCubic(const KFCurveKey& pKey)
{
    return pKey.GetInterpolation() == KFCurveKey::kInterpolationCubic;
}

// The slopes of key pIndex among pKeys. A slope depends on the key and its two neighbours only,
// so a curve of those three keys answers it.
Slopes SlopesAmong(const std::vector<KFCurveKey>& pKeys, int pIndex)
{
    const int lFirst = pIndex > 0 ? pIndex - 1 : 0;
    const int lLast = std::min(pIndex + 1, static_cast<int>(pKeys.size()) - 1);
    KFCurve lWindow;
    for (int i = lFirst; i <= lLast; ++i) {
        lWindow.KeyAdd(pKeys[static_cast<std::size_t>(i)].GetTime(),
                       pKeys[static_cast<std::size_t>(i)]);
    }
    return Slopes{lWindow.GetKeyLeftDerivative(pIndex - lFirst),
                  lWindow.GetKeyRightDerivative(pIndex - lFirst)};
}

// Whether a slope of key pIndex that the curve uses differs from pWanted: the left one when the
// key before runs cubic into it, the right one when the key itself runs cubic to the next.
bool SlopesDiffer(const std::vector<KFCurveKey>& pKeys, int pIndex, const Slopes& pWanted)
{
    const std::size_t lIndex = static_cast<std::size_t>(pIndex);
    const Slopes lNow = SlopesAmong(pKeys, pIndex);
    const bool lLeftUsed = lIndex > 0 && IsCubic(pKeys[lIndex - 1]);
    const bool lRightUsed = lIndex + 1 < pKeys.size() && IsCubic(pKeys[lIndex]);
    return (lLeftUsed && lNow.mLeft != pWanted.mLeft) ||
           (lRightUsed && lNow.mRight != pWanted.mRight);
}

// Gives key pIndex break tangents holding pSlopes: the right slope in its own data, the left one
// in the data of the key before it, which must not be TCB (such a key keeps its parameters
// there). A constant key keeps its constant mode, which shares the tangent bits.
void SetBreakTangents(std::vector<KFCurveKey>& ioKeys, int pIndex, const Slopes& pSlopes)
{
    const std::size_t lIndex = static_cast<std::size_t>(pIndex);
    KFCurveKey& lKey = ioKeys[lIndex];
    if (IsTCB(lKey) && lIndex + 1 < ioKeys.size()) {
        // The next key read its left slope from its own data while this one held TCB
        // parameters; the data this key now holds for it gives the same slope.
        const KFCurveKey& lNext = ioKeys[lIndex + 1];
        lKey.SetDataFloat(KFCurveKey::kDataNextLeftDerivative,
                          IsAuto(lNext) ? 0.0f
                                        : lNext.GetDataFloat(KFCurveKey::kDataRightDerivative));
        lKey.SetDataFloat(KFCurveKey::kDataBias, 0.0f);
    }
    int lMode = KFCurveKey::kTangentBreak;
    if (lKey.GetInterpolation() == KFCurveKey::kInterpolationConstant) {
        lMode |= lKey.GetConstantMode();
    }
    lKey.SetTangentMode(lMode);
    lKey.SetDataFloat(KFCurveKey::kDataRightDerivative, static_cast<float>(pSlopes.mRight));
    if (lIndex > 0) {
        ioKeys[lIndex - 1].SetDataFloat(KFCurveKey::kDataNextLeftDerivative,
                                        static_cast<float>(pSlopes.mLeft));
    }
}

// Before key pIndex takes break tangents: the TCB keys just before it take break tangents
// holding the slopes they have, so that the key before each can hold its left slope.
void FreezeTCBBefore(std::vector<KFCurveKey>& ioKeys, int pIndex)
{
    int lFirst = pIndex;
    while (lFirst > 0 && IsTCB(ioKeys[static_cast<std::size_t>(lFirst - 1)])) {
        --lFirst;
    }
    std::vector<Slopes> lSlopes;
    for (int i = lFirst; i < pIndex; ++i) {
        lSlopes.push_back(SlopesAmong(ioKeys, i));
    }
    for (int i = lFirst; i < pIndex; ++i) {
        SetBreakTangents(ioKeys, i, lSlopes[static_cast<std::size_t>(i - lFirst)]);
    }
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

bool KFCurveFilterConstantKeyReducer::IsNear(const KFCurve& pCurve, int pA, int pB) const
{
    return std::fabs(static_cast<double>(pCurve.KeyGetValue(pA)) - pCurve.KeyGetValue(pB)) <=
           mTolerance;
}

bool KFCurveFilterConstantKeyReducer::HasNearNeighbours(const KFCurve& pCurve) const
{
    // Without such a pair every key's anchor is the key before it, which it is not near, so
    // every key stays, and neither end key repeats its neighbour.
    const int lCount = pCurve.GetKeyCount();
    const KFCurveKey* lKeys = pCurve.GetKey(0);
    for (int i = 1; i < lCount; ++i) {
        if (std::fabs(static_cast<double>(lKeys[i - 1].GetValue()) - lKeys[i].GetValue()) <=
            mTolerance) {
            return true;
        }
    }
    return false;
}

std::vector<int> KFCurveFilterConstantKeyReducer::KeepInside(const KFCurve& pCurve, int pFirst,
                                                             int pLast) const
{
    const int lCount = pCurve.GetKeyCount();
    KeyView lKeys(pCurve);
    // Sized once and filled through a local count, which the loop keeps in a register; cut to
    // the keys kept at the end.
    std::vector<int> lKept(static_cast<std::size_t>(lCount));
    int* const lOut = lKept.data();
    const double lTolerance = mTolerance;
    int lKeptCount = 0;
    const int lStart = pFirst < 1 ? 1 : pFirst;
    int i = 0;
    for (; i < lStart && i < lCount; ++i) {
        lOut[lKeptCount++] = i;
    }
    // The anchor is the last kept key; comparing with it rather than with the neighbour keeps a
    // slow drift of small steps from being removed step by step.
    int lAnchor = pFirst > 0 ? pFirst - 1 : 0;
    for (i = lStart; i <= pLast && i < lCount - 1; ++i) {
        if (!(lKeys.IsNear(i, lAnchor, lTolerance) && lKeys.IsNear(i + 1, lAnchor, lTolerance) &&
              lKeys.IsFlat(lAnchor, i, lTolerance) && lKeys.IsFlat(i, i + 1, lTolerance))) {
            lAnchor = i;
            lOut[lKeptCount++] = i;
        }
    }
    for (; i < lCount; ++i) {
        lOut[lKeptCount++] = i;
    }
    lKept.resize(static_cast<std::size_t>(lKeptCount));
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

void KFCurveFilterConstantKeyReducer::KeepSlopes(const KFCurve& pCurve,
                                                 const std::vector<int>& pKept,
                                                 std::vector<KFCurveKey>& ioKeys)
{
    const int lCount = pCurve.GetKeyCount();
    const int lSize = static_cast<int>(pKept.size());
    for (int n = 0; n < lSize; ++n) {
        const int k = pKept[static_cast<std::size_t>(n)];
        const bool lNewLeft = n > 0 ? pKept[static_cast<std::size_t>(n - 1)] != k - 1 : k > 0;
        const bool lNewRight =
            n + 1 < lSize ? pKept[static_cast<std::size_t>(n + 1)] != k + 1 : k + 1 < lCount;
        if (!lNewLeft && !lNewRight) {
            continue;
        }
        // A removed run was flat: the curve runs flat into it and as before on the other side.
        const Slopes lWanted{lNewLeft ? 0.0 : pCurve.GetKeyLeftDerivative(k),
                             lNewRight ? 0.0 : pCurve.GetKeyRightDerivative(k)};
        if (SlopesDiffer(ioKeys, n, lWanted)) {
            FreezeTCBBefore(ioKeys, n);
            SetBreakTangents(ioKeys, n, lWanted);
        }
    }
}

bool KFCurveFilterConstantKeyReducer::Reduce(KFCurve& pCurve)
{
    const int lCount = pCurve.GetKeyCount();
    int lFirst = 0;
    int lLast = -1;
    GetSpanIndices(pCurve, GetStartTime(), GetStopTime(), lFirst, lLast);
    if (lFirst > lLast || !HasNearNeighbours(pCurve)) {
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
    KeepSlopes(pCurve, lKept, lKeys);
    return ReplaceKeys(pCurve, lKeys);
}
