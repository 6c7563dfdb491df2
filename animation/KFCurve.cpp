#include "animation/KFCurve.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace {

// Keys reserved ahead by BeginKeySet; more keys grow the storage as they are reached.
constexpr int kMaxReserve = 65536;
constexpr int kMaxBezierSteps = 32;
// How far ahead of the segment evaluated its keys are fetched into the cache.
constexpr std::size_t kPrefetchKeys = 6;

// b - a for b >= a, computed without signed overflow (the span between the two infinities
// does not fit in a signed tick count).
std::uint64_t TickDistance(std::int64_t pFrom, std::int64_t pTo)
{
    return static_cast<std::uint64_t>(pTo) - static_cast<std::uint64_t>(pFrom);
}

double Seconds(std::uint64_t pTicks)
{
    return static_cast<double>(pTicks) / static_cast<double>(KTime::kTicksPerSecond);
}

std::int64_t TickOffset(std::int64_t pFrom, std::uint64_t pDistance)
{
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(pFrom) + pDistance);
}

// In double precision, so that the stored 3333 is exactly the 1/3 of an unweighted side.
double StoredWeight(const KFCurveKey& pKey, int pSide)
{
    return pKey.GetWeightStored(pSide) / static_cast<double>(KFCurveKey::kWeightScale);
}

bool IsInfiniteTime(KTime pTime)
{
    return pTime.Get() == KTime::kInfinityTicks || pTime.Get() == KTime::kMinusInfinityTicks;
}

// Whether pCount keys at the times pTimeAt(i) gives, put after pLast (null: none), keep strictly
// increasing finite times.
template <class TTimeAt> bool AppendsInOrder(const KFCurveKey* pLast, int pCount, TTimeAt pTimeAt)
{
    for (int i = 0; i < pCount; ++i) {
        const KTime lTime = pTimeAt(i);
        const KTime lBefore = i > 0 ? pTimeAt(i - 1) : pLast ? pLast->GetTime() : KTime();
        if (IsInfiniteTime(lTime) || ((i > 0 || pLast) && !(lBefore < lTime))) {
            return false;
        }
    }
    return true;
}

bool IsAutoMode(int pTangentMode)
{
    return (pTangentMode &
            (KFCurveKey::kTangentTCB | KFCurveKey::kTangentUser | KFCurveKey::kTangentBreak)) == 0;
}

bool IsTCBMode(int pTangentMode)
{
    return (pTangentMode & KFCurveKey::kTangentTCB) != 0;
}

// The Bezier parameter whose normalised time is pTime, for time control points 0, pA, pB, 1.
// The weight clamp keeps the time curve increasing, so Newton steps guarded by a bisection
// bracket always converge; the step count is bounded either way.
double SolveBezierTime(double pA, double pB, double pTime)
{
    double lLow = 0.0;
    double lHigh = 1.0;
    double lS = pTime;
    for (int i = 0; i < kMaxBezierSteps; ++i) {
        const double lR = 1.0 - lS;
        const double lX = 3.0 * lR * lR * lS * pA + 3.0 * lR * lS * lS * pB + lS * lS * lS - pTime;
        if (std::fabs(lX) < 1e-12) {
            break;
        }
        if (lX < 0.0) {
            lLow = lS;
        } else {
            lHigh = lS;
        }
        const double lSlope =
            3.0 * (lR * lR * pA + 2.0 * lR * lS * (pB - pA) + lS * lS * (1.0 - pB));
        double lNext = lSlope > 0.0 ? lS - lX / lSlope : lLow - 1.0;
        if (!(lNext > lLow && lNext < lHigh)) {
            lNext = 0.5 * (lLow + lHigh);
        }
        lS = lNext;
    }
    return lS;
}

} // namespace

KFCurve* KFCurve::Create()
{
    return new (std::nothrow) KFCurve();
}

void KFCurve::Destroy(KFCurve* pCurve)
{
    delete pCurve;
}

KFCurve::KFCurve() = default;

KFCurve::KFCurve(const KFCurve& pOther)
{
    CopyFields(pOther);
    mKeys = pOther.mKeys;
    mKeysInOrder = pOther.mKeysInOrder;
}

KFCurve& KFCurve::operator=(const KFCurve& pOther)
{
    if (this != &pOther) {
        CopyFrom(pOther, true);
    }
    return *this;
}

KFCurve::~KFCurve()
{
    // Sent whatever the event switches, so that holders of the curve can always drop their links.
    KFCurveEvent lEvent;
    lEvent.mFlags = KFCurveEvent::kDestroyed;
    Dispatch(lEvent);
}

void KFCurve::CopyFields(const KFCurve& pOther)
{
    mDefaultValue = pOther.mDefaultValue;
    std::copy(pOther.mColor, pOther.mColor + 3, mColor);
    mFlags = pOther.mFlags;
    mPreExtrapolation = pOther.mPreExtrapolation;
    mPostExtrapolation = pOther.mPostExtrapolation;
    mPreCount = pOther.mPreCount;
    mPostCount = pOther.mPostCount;
    mCacheSegment = pOther.mCacheSegment;
    mCacheTicks = pOther.mCacheTicks;
}

// ---- keys ----

KFCurveKey* KFCurve::GetKey(int pIndex)
{
    if (pIndex < 0) {
        return nullptr;
    }
    // The caller may move the key in time.
    mKeysInOrder = false;
    if (pIndex >= GetKeyCount()) {
        if (mKeySetCount < 0 || pIndex >= mKeySetCount) {
            return nullptr;
        }
        mKeys.resize(static_cast<std::size_t>(pIndex) + 1);
    }
    return &mKeys[static_cast<std::size_t>(pIndex)];
}

bool KFCurve::KeySetValue(int pIndex, float pValue)
{
    if (pIndex < 0 || pIndex >= GetKeyCount() || !mKeys[pIndex].SetValue(pValue)) {
        return false;
    }
    RecordChange(KFCurveEvent::kValueChanged, pIndex, pIndex);
    return true;
}

bool KFCurve::KeyIncValue(int pIndex, float pDelta)
{
    if (pIndex < 0 || pIndex >= GetKeyCount() || !mKeys[pIndex].IncValue(pDelta)) {
        return false;
    }
    RecordChange(KFCurveEvent::kValueChanged, pIndex, pIndex);
    return true;
}

int KFCurve::KeyGetInterpolation(int pIndex) const
{
    const KFCurveKey* lKey = GetKey(pIndex);
    return lKey ? lKey->GetInterpolation() : 0;
}

bool KFCurve::KeySetInterpolation(int pIndex, int pInterpolation)
{
    if (pIndex < 0 || pIndex >= GetKeyCount()) {
        return false;
    }
    mKeys[pIndex].SetInterpolation(pInterpolation);
    RecordChange(KFCurveEvent::kValueChanged, pIndex, pIndex);
    return true;
}

int KFCurve::KeyGetTangentMode(int pIndex) const
{
    const KFCurveKey* lKey = GetKey(pIndex);
    return lKey ? lKey->GetTangentMode() : 0;
}

bool KFCurve::KeySetTangentMode(int pIndex, int pTangentMode)
{
    if (pIndex < 0 || pIndex >= GetKeyCount()) {
        return false;
    }
    mKeys[pIndex].SetTangentMode(pTangentMode);
    RecordChange(KFCurveEvent::kValueChanged, pIndex, pIndex);
    return true;
}

int KFCurve::KeyFind(KTime pTime) const
{
    auto lIt = std::lower_bound(
        mKeys.begin(), mKeys.end(), pTime,
        [](const KFCurveKey& pKey, const KTime& pValue) { return pKey.GetTime() < pValue; });
    if (lIt == mKeys.end() || lIt->GetTime() != pTime) {
        return -1;
    }
    return static_cast<int>(lIt - mKeys.begin());
}

bool KFCurve::HasKeyTimesOf(const KFCurve& pOther) const
{
    return std::equal(
        mKeys.begin(), mKeys.end(), pOther.mKeys.begin(), pOther.mKeys.end(),
        [](const KFCurveKey& pA, const KFCurveKey& pB) { return pA.GetTime() == pB.GetTime(); });
}

int KFCurve::KeyAdd(KTime pTime, float pValue)
{
    if (!std::isfinite(pValue)) {
        return -1;
    }
    KFCurveKey lKey;
    lKey.Set(pTime, pValue);
    return AddKey(lKey, true);
}

int KFCurve::KeyAdd(KTime pTime, const KFCurveKey& pKey)
{
    KFCurveKey lKey = pKey;
    lKey.SetTime(pTime);
    return AddKey(lKey, false);
}

int KFCurve::AddKey(const KFCurveKey& pKey, bool pValueOnly)
{
    const KTime lTime = pKey.GetTime();
    if (IsInfiniteTime(lTime)) {
        return -1;
    }
    int lIndex;
    if (mKeys.empty() || mKeys.back().GetTime() < lTime) {
        if (GetKeyCount() >= kMaxKeyCount) {
            return -1;
        }
        mKeys.push_back(pKey);
        lIndex = GetKeyCount() - 1;
    } else {
        auto lIt = std::lower_bound(
            mKeys.begin(), mKeys.end(), lTime,
            [](const KFCurveKey& pItem, const KTime& pValue) { return pItem.GetTime() < pValue; });
        lIndex = static_cast<int>(lIt - mKeys.begin());
        if (lIt != mKeys.end() && lIt->GetTime() == lTime) {
            if (pValueOnly) {
                lIt->SetValue(pKey.GetValue());
            } else {
                *lIt = pKey;
            }
        } else {
            if (GetKeyCount() >= kMaxKeyCount) {
                return -1;
            }
            mKeys.insert(lIt, pKey);
        }
    }
    RecordChange(KFCurveEvent::kValueChanged, lIndex, lIndex);
    return lIndex;
}

bool KFCurve::KeyRemove(int pIndex)
{
    if (pIndex < 0 || pIndex >= GetKeyCount()) {
        return false;
    }
    mKeys.erase(mKeys.begin() + pIndex);
    RecordChange(KFCurveEvent::kValueChanged, pIndex, pIndex);
    return true;
}

int KFCurve::KeyRemove(KTime pStart, KTime pStop)
{
    // A full scan rather than a search, so that keys left out of order by edits through GetKey
    // are removed too.
    int lFirst = -1;
    int lLast = -1;
    for (int i = 0; i < GetKeyCount(); ++i) {
        const KTime lTime = mKeys[i].GetTime();
        if (lTime >= pStart && lTime <= pStop) {
            lFirst = lFirst < 0 ? i : lFirst;
            lLast = i;
        }
    }
    if (lFirst < 0) {
        return 0;
    }
    const auto lEnd = std::remove_if(mKeys.begin(), mKeys.end(), [&](const KFCurveKey& pKey) {
        return pKey.GetTime() >= pStart && pKey.GetTime() <= pStop;
    });
    const int lRemoved = static_cast<int>(mKeys.end() - lEnd);
    mKeys.erase(lEnd, mKeys.end());
    RecordChange(KFCurveEvent::kValueChanged, lFirst, lLast);
    return lRemoved;
}

void KFCurve::KeyClear()
{
    if (mKeys.empty()) {
        return;
    }
    const int lLast = GetKeyCount() - 1;
    mKeys.clear();
    mKeysInOrder = true;
    RecordChange(KFCurveEvent::kValueChanged, 0, lLast);
}

bool KFCurve::BeginKeySet(int pCount)
{
    if (pCount < 0 || pCount > kMaxKeyCount || mKeySetCount >= 0) {
        return false;
    }
    mKeySetCount = pCount;
    mKeys.reserve(static_cast<std::size_t>(std::min(pCount, kMaxReserve)));
    return true;
}

bool KFCurve::EndKeySet(int pCount)
{
    if (mKeySetCount < 0) {
        return false;
    }
    mKeySetCount = -1;
    const int lCount = std::max(0, std::min(pCount, GetKeyCount()));
    mKeys.resize(static_cast<std::size_t>(lCount));
    // A file's count may promise more keys than come: what was reserved for them goes back.
    if (mKeys.capacity() > mKeys.size()) {
        mKeys.shrink_to_fit();
    }
    if (!mKeysInOrder) {
        SortKeys();
    }
    RecordAllKeys();
    FlushEvent();
    return true;
}

bool KFCurve::KeySetBatch(int pFirst, int pCount, const KTime* pTimes, const float* pValues,
                          int pInterpolation)
{
    if (mKeySetCount < 0 || pFirst < 0 || pCount < 0 || pFirst > GetKeyCount() ||
        pCount > mKeySetCount - pFirst || (pCount > 0 && (!pTimes || !pValues))) {
        return false;
    }
    // The keys differ from one model only in time and value, and SetValue keeps the model's 0
    // where Set would store 0 for a value that is not finite.
    KFCurveKey lModel;
    lModel.Set(KTime(), 0.0f, pInterpolation, KFCurveKey::kTangentAuto);
    const std::size_t lFirst = static_cast<std::size_t>(pFirst);
    const std::size_t lEnd = lFirst + static_cast<std::size_t>(pCount);
    mKeysInOrder = mKeysInOrder && lFirst == mKeys.size() &&
                   AppendsInOrder(lFirst > 0 ? &mKeys[lFirst - 1] : nullptr, pCount,
                                  [pTimes](int pIndex) { return pTimes[pIndex]; });
    // Keys already reached are set again; the others are made from the model at the end.
    const std::size_t lReached = std::min(lEnd, mKeys.size());
    for (std::size_t i = lFirst; i < lReached; ++i) {
        mKeys[i] = lModel;
        mKeys[i].SetTime(pTimes[i - lFirst]);
        mKeys[i].SetValue(pValues[i - lFirst]);
    }
    if (lEnd > lReached) {
        // Made in one step, then filled: no room check per key.
        mKeys.resize(lEnd, lModel);
        for (std::size_t i = std::max(lFirst, lReached); i < lEnd; ++i) {
            mKeys[i].SetTime(pTimes[i - lFirst]);
            mKeys[i].SetValue(pValues[i - lFirst]);
        }
    }
    return true;
}

bool KFCurve::KeySetBatch(int pFirst, int pCount, const KFCurveKey* pKeys)
{
    if (mKeySetCount < 0 || pFirst < 0 || pCount < 0 || pFirst > GetKeyCount() ||
        pCount > mKeySetCount - pFirst || (pCount > 0 && !pKeys)) {
        return false;
    }
    const std::size_t lFirst = static_cast<std::size_t>(pFirst);
    const std::size_t lEnd = lFirst + static_cast<std::size_t>(pCount);
    mKeysInOrder = mKeysInOrder && lFirst == mKeys.size() &&
                   AppendsInOrder(lFirst > 0 ? &mKeys[lFirst - 1] : nullptr, pCount,
                                  [pKeys](int pIndex) { return pKeys[pIndex].GetTime(); });
    const std::size_t lReached = std::min(lEnd, mKeys.size());
    std::copy(pKeys, pKeys + (lReached - std::min(lFirst, lReached)), mKeys.begin() + pFirst);
    mKeys.insert(mKeys.end(), pKeys + (std::max(lFirst, lReached) - lFirst), pKeys + pCount);
    return true;
}

void KFCurve::BeginKeyModify()
{
    ++mModifyDepth;
}

void KFCurve::EndKeyModify()
{
    if (mModifyDepth == 0) {
        return;
    }
    if (--mModifyDepth == 0) {
        // Keys may have been edited through GetKey, which the curve cannot see: the whole key
        // range counts as changed, and the keys are sorted unless none can have moved in time.
        if (!mKeysInOrder) {
            SortKeys();
        }
        RecordAllKeys();
        FlushEvent();
    }
}

void KFCurve::SortKeys()
{
    auto lBefore = [](const KFCurveKey& pA, const KFCurveKey& pB) {
        return pA.GetTime() < pB.GetTime();
    };
    bool lOrdered = true;
    for (std::size_t i = 0; i < mKeys.size() && lOrdered; ++i) {
        lOrdered =
            !IsInfiniteTime(mKeys[i].GetTime()) && (i == 0 || lBefore(mKeys[i - 1], mKeys[i]));
    }
    mKeysInOrder = true;
    if (lOrdered) {
        return;
    }
    mKeys.erase(
        std::remove_if(mKeys.begin(), mKeys.end(),
                       [](const KFCurveKey& pKey) { return IsInfiniteTime(pKey.GetTime()); }),
        mKeys.end());
    std::stable_sort(mKeys.begin(), mKeys.end(), lBefore);
    // Of keys sharing a time the one set last wins, as a later assignment would.
    std::size_t lOut = 0;
    for (std::size_t i = 0; i < mKeys.size(); ++i) {
        if (lOut > 0 && mKeys[lOut - 1].GetTime() == mKeys[i].GetTime()) {
            mKeys[lOut - 1] = mKeys[i];
        } else {
            mKeys[lOut++] = mKeys[i];
        }
    }
    mKeys.resize(lOut);
}

void KFCurve::RecordAllKeys()
{
    if (mKeys.empty()) {
        RecordChange(KFCurveEvent::kValueChanged, -1, -1);
    } else {
        RecordChange(KFCurveEvent::kValueChanged, 0, GetKeyCount() - 1);
    }
}

// ---- tangents ----

bool KFCurve::IsCubic(int pIndex) const
{
    return pIndex >= 0 && pIndex < GetKeyCount() &&
           mKeys[pIndex].GetInterpolation() == KFCurveKey::kInterpolationCubic;
}

double KFCurve::SegmentSlope(int pIndex) const
{
    if (pIndex < 0 || pIndex + 1 >= GetKeyCount()) {
        return 0.0;
    }
    const KFCurveKey& lA = mKeys[pIndex];
    const KFCurveKey& lB = mKeys[pIndex + 1];
    if (lB.GetTime() <= lA.GetTime()) {
        return 0.0;
    }
    const double lSpan = Seconds(TickDistance(lA.GetTime().Get(), lB.GetTime().Get()));
    return (static_cast<double>(lB.GetValue()) - lA.GetValue()) / lSpan;
}

double KFCurve::SmoothSlope(int pIndex) const
{
    if (pIndex <= 0 || pIndex + 1 >= GetKeyCount()) {
        return 0.0;
    }
    const KFCurveKey& lPrev = mKeys[pIndex - 1];
    const KFCurveKey& lKey = mKeys[pIndex];
    const KFCurveKey& lNext = mKeys[pIndex + 1];
    const double lIn = static_cast<double>(lKey.GetValue()) - lPrev.GetValue();
    const double lOut = static_cast<double>(lNext.GetValue()) - lKey.GetValue();
    if (lIn == 0.0 || lOut == 0.0 || (lIn > 0.0) != (lOut > 0.0)) {
        return 0.0;
    }
    if (lNext.GetTime() <= lPrev.GetTime()) {
        return 0.0;
    }
    const double lSpan = Seconds(TickDistance(lPrev.GetTime().Get(), lNext.GetTime().Get()));
    return (static_cast<double>(lNext.GetValue()) - lPrev.GetValue()) / lSpan;
}

double KFCurve::TCBSlope(int pIndex, bool pLeaving) const
{
    const int lCount = GetKeyCount();
    double lPrev = pIndex > 0 ? SegmentSlope(pIndex - 1) : 0.0;
    double lNext = pIndex + 1 < lCount ? SegmentSlope(pIndex) : 0.0;
    if (pIndex == 0) {
        lPrev = lNext;
    }
    if (pIndex + 1 >= lCount) {
        lNext = lPrev;
    }
    const KFCurveKey& lKey = mKeys[pIndex];
    const double lT = lKey.GetDataFloat(KFCurveKey::kDataTension);
    const double lC = lKey.GetDataFloat(KFCurveKey::kDataContinuity);
    const double lB = lKey.GetDataFloat(KFCurveKey::kDataBias);
    if (pLeaving) {
        return 0.5 * (1.0 - lT) *
               ((1.0 + lC) * (1.0 + lB) * lPrev + (1.0 - lC) * (1.0 - lB) * lNext);
    }
    return 0.5 * (1.0 - lT) * ((1.0 - lC) * (1.0 + lB) * lPrev + (1.0 + lC) * (1.0 - lB) * lNext);
}

double KFCurve::SlopeFromAuto(int pKey, int pSegment, double pAuto) const
{
    const double lSmooth = SmoothSlope(pKey);
    return lSmooth + pAuto / 100.0 * (SegmentSlope(pSegment) - lSmooth);
}

bool KFCurve::AutoFromSlope(int pKey, int pSegment, double pSlope, double& ioAuto) const
{
    const double lSmooth = SmoothSlope(pKey);
    const double lRange = SegmentSlope(pSegment) - lSmooth;
    if (lRange == 0.0) {
        return false;
    }
    const double lAuto = 100.0 * (pSlope - lSmooth) / lRange;
    if (!std::isfinite(lAuto)) {
        return false;
    }
    ioAuto = lAuto;
    return true;
}

double KFCurve::RightSlope(int pIndex) const
{
    const KFCurveKey& lKey = mKeys[pIndex];
    const int lMode = lKey.GetTangentMode();
    if (IsTCBMode(lMode)) {
        return TCBSlope(pIndex, true);
    }
    if (!IsAutoMode(lMode)) {
        return lKey.GetDataFloat(KFCurveKey::kDataRightDerivative);
    }
    return SlopeFromAuto(pIndex, pIndex, lKey.GetDataFloat(KFCurveKey::kDataRightDerivative));
}

double KFCurve::LeftSlope(int pIndex) const
{
    const KFCurveKey& lKey = mKeys[pIndex];
    const KFCurveKey& lPrev = mKeys[pIndex - 1];
    const int lMode = lKey.GetTangentMode();
    if (IsTCBMode(lMode)) {
        return TCBSlope(pIndex, false);
    }
    // A TCB key before this one holds its own parameters where the left value would be.
    const bool lStored = !IsTCBMode(lPrev.GetTangentMode());
    if (!IsAutoMode(lMode)) {
        return lStored ? lPrev.GetDataFloat(KFCurveKey::kDataNextLeftDerivative)
                       : lKey.GetDataFloat(KFCurveKey::kDataRightDerivative);
    }
    const double lAuto = lStored ? lPrev.GetDataFloat(KFCurveKey::kDataNextLeftDerivative) : 0.0;
    return SlopeFromAuto(pIndex, pIndex - 1, lAuto);
}

bool KFCurve::SetKeyLeftDerivative(int pIndex, double pDerivative)
{
    if (pIndex <= 0 || pIndex >= GetKeyCount() || !IsCubic(pIndex - 1) ||
        !std::isfinite(pDerivative)) {
        return false;
    }
    const int lMode = mKeys[pIndex].GetTangentMode();
    if (IsTCBMode(lMode) || IsTCBMode(mKeys[pIndex - 1].GetTangentMode())) {
        return false;
    }
    double lStored = pDerivative;
    if (IsAutoMode(lMode) && !AutoFromSlope(pIndex, pIndex - 1, pDerivative, lStored)) {
        return false;
    }
    if (!mKeys[pIndex - 1].SetDataFloat(KFCurveKey::kDataNextLeftDerivative,
                                        static_cast<float>(lStored))) {
        return false;
    }
    RecordChange(KFCurveEvent::kValueChanged, pIndex - 1, pIndex);
    return true;
}

bool KFCurve::SetKeyRightDerivative(int pIndex, double pDerivative)
{
    if (!IsCubic(pIndex) || !std::isfinite(pDerivative)) {
        return false;
    }
    const int lMode = mKeys[pIndex].GetTangentMode();
    if (IsTCBMode(lMode)) {
        return false;
    }
    double lStored = pDerivative;
    if (IsAutoMode(lMode) && !AutoFromSlope(pIndex, pIndex, pDerivative, lStored)) {
        return false;
    }
    if (!mKeys[pIndex].SetDataFloat(KFCurveKey::kDataRightDerivative,
                                    static_cast<float>(lStored))) {
        return false;
    }
    RecordChange(KFCurveEvent::kValueChanged, pIndex, pIndex);
    return true;
}

double KFCurve::GetKeyLeftDerivative(int pIndex) const
{
    return pIndex > 0 && pIndex < GetKeyCount() ? LeftSlope(pIndex) : 0.0;
}

double KFCurve::GetKeyRightDerivative(int pIndex) const
{
    return pIndex >= 0 && pIndex + 1 < GetKeyCount() ? RightSlope(pIndex) : 0.0;
}

bool KFCurve::SetKeyLeftAuto(int pIndex, double pAuto)
{
    if (pIndex <= 0 || pIndex >= GetKeyCount() || !IsCubic(pIndex - 1) || !std::isfinite(pAuto)) {
        return false;
    }
    const int lMode = mKeys[pIndex].GetTangentMode();
    if (IsTCBMode(lMode) || IsTCBMode(mKeys[pIndex - 1].GetTangentMode())) {
        return false;
    }
    const double lStored = IsAutoMode(lMode) ? pAuto : SlopeFromAuto(pIndex, pIndex - 1, pAuto);
    if (!mKeys[pIndex - 1].SetDataFloat(KFCurveKey::kDataNextLeftDerivative,
                                        static_cast<float>(lStored))) {
        return false;
    }
    RecordChange(KFCurveEvent::kValueChanged, pIndex - 1, pIndex);
    return true;
}

bool KFCurve::SetKeyRightAuto(int pIndex, double pAuto)
{
    if (!IsCubic(pIndex) || !std::isfinite(pAuto)) {
        return false;
    }
    const int lMode = mKeys[pIndex].GetTangentMode();
    if (IsTCBMode(lMode)) {
        return false;
    }
    const double lStored = IsAutoMode(lMode) ? pAuto : SlopeFromAuto(pIndex, pIndex, pAuto);
    if (!mKeys[pIndex].SetDataFloat(KFCurveKey::kDataRightDerivative,
                                    static_cast<float>(lStored))) {
        return false;
    }
    RecordChange(KFCurveEvent::kValueChanged, pIndex, pIndex);
    return true;
}

double KFCurve::GetKeyLeftAuto(int pIndex) const
{
    if (pIndex <= 0 || pIndex >= GetKeyCount() || !IsAutoMode(mKeys[pIndex].GetTangentMode()) ||
        IsTCBMode(mKeys[pIndex - 1].GetTangentMode())) {
        return 0.0;
    }
    return mKeys[pIndex - 1].GetDataFloat(KFCurveKey::kDataNextLeftDerivative);
}

double KFCurve::GetKeyRightAuto(int pIndex) const
{
    if (pIndex < 0 || pIndex >= GetKeyCount() || !IsAutoMode(mKeys[pIndex].GetTangentMode())) {
        return 0.0;
    }
    return mKeys[pIndex].GetDataFloat(KFCurveKey::kDataRightDerivative);
}

bool KFCurve::SetKeyRightWeight(int pIndex, double pWeight)
{
    if (!IsCubic(pIndex) || pIndex + 1 >= GetKeyCount() || !std::isfinite(pWeight)) {
        return false;
    }
    KFCurveKey& lKey = mKeys[pIndex];
    lKey.SetWeightMode(lKey.GetWeightMode() | KFCurveKey::kWeightedRight);
    lKey.SetWeight(KFCurveKey::kWeightRight, static_cast<float>(pWeight));
    RecordChange(KFCurveEvent::kValueChanged, pIndex, pIndex);
    return true;
}

bool KFCurve::SetKeyLeftWeight(int pIndex, double pWeight)
{
    if (pIndex <= 0 || !IsCubic(pIndex - 1) || pIndex >= GetKeyCount() || !std::isfinite(pWeight)) {
        return false;
    }
    KFCurveKey& lKey = mKeys[pIndex - 1];
    lKey.SetWeightMode(lKey.GetWeightMode() | KFCurveKey::kWeightedNextLeft);
    lKey.SetWeight(KFCurveKey::kWeightNextLeft, static_cast<float>(pWeight));
    RecordChange(KFCurveEvent::kValueChanged, pIndex - 1, pIndex);
    return true;
}

double KFCurve::GetKeyRightWeight(int pIndex) const
{
    if (pIndex < 0 || pIndex >= GetKeyCount() ||
        (mKeys[pIndex].GetWeightMode() & KFCurveKey::kWeightedRight) == 0) {
        return KFCurveKey::kDefaultWeight;
    }
    return StoredWeight(mKeys[pIndex], KFCurveKey::kWeightRight);
}

double KFCurve::GetKeyLeftWeight(int pIndex) const
{
    if (pIndex <= 0 || pIndex >= GetKeyCount() ||
        (mKeys[pIndex - 1].GetWeightMode() & KFCurveKey::kWeightedNextLeft) == 0) {
        return KFCurveKey::kDefaultWeight;
    }
    return StoredWeight(mKeys[pIndex - 1], KFCurveKey::kWeightNextLeft);
}

// ---- default value, colour, extrapolation ----

void KFCurve::SetDefaultValue(float pValue)
{
    if (!std::isfinite(pValue)) {
        return;
    }
    mDefaultValue = pValue;
    RecordChange(KFCurveEvent::kValueChanged, -1, -1);
}

void KFCurve::SetColor(float pRed, float pGreen, float pBlue)
{
    mColor[0] = pRed;
    mColor[1] = pGreen;
    mColor[2] = pBlue;
}

void KFCurve::SetColor(const float* pRgb)
{
    if (pRgb) {
        SetColor(pRgb[0], pRgb[1], pRgb[2]);
    }
}

bool KFCurve::SetPreExtrapolation(int pKind)
{
    if (pKind < kExtrapolationConstant || pKind > kExtrapolationKeepSlope) {
        return false;
    }
    mPreExtrapolation = static_cast<std::int8_t>(pKind);
    RecordChange(KFCurveEvent::kValueChanged, -1, -1);
    return true;
}

bool KFCurve::SetPostExtrapolation(int pKind)
{
    if (pKind < kExtrapolationConstant || pKind > kExtrapolationKeepSlope) {
        return false;
    }
    mPostExtrapolation = static_cast<std::int8_t>(pKind);
    RecordChange(KFCurveEvent::kValueChanged, -1, -1);
    return true;
}

void KFCurve::SetPreExtrapolationCount(int pCount)
{
    mPreCount = pCount < 0 ? kUnlimitedRepetitions : pCount;
    RecordChange(KFCurveEvent::kValueChanged, -1, -1);
}

void KFCurve::SetPostExtrapolationCount(int pCount)
{
    mPostCount = pCount < 0 ? kUnlimitedRepetitions : pCount;
    RecordChange(KFCurveEvent::kValueChanged, -1, -1);
}

// ---- evaluation ----

int KFCurve::FindSegment(std::int64_t pTicks) const
{
    auto lIt = std::upper_bound(
        mKeys.begin(), mKeys.end(), pTicks,
        [](std::int64_t pValue, const KFCurveKey& pKey) { return pValue < pKey.GetTime().Get(); });
    return static_cast<int>(lIt - mKeys.begin()) - 1;
}

double KFCurve::EvaluateSegment(int pIndex, std::int64_t pTicks) const
{
    const KFCurveKey& lA = mKeys[pIndex];
    const KFCurveKey& lB = mKeys[pIndex + 1];
    const std::int64_t lStart = lA.GetTime().Get();
    const std::int64_t lStop = lB.GetTime().Get();
    if (lStop <= lStart || pTicks <= lStart) {
        return lA.GetValue();
    }
    const std::uint64_t lSpanTicks = TickDistance(lStart, lStop);
    const double lS =
        static_cast<double>(TickDistance(lStart, pTicks)) / static_cast<double>(lSpanTicks);
    const double lV0 = lA.GetValue();
    const double lV1 = lB.GetValue();
    const int lInterpolation = lA.GetInterpolation();
    if (lInterpolation & KFCurveKey::kInterpolationConstant) {
        return lA.GetConstantMode() == KFCurveKey::kConstantNext ? lV1 : lV0;
    }
    if (lInterpolation & KFCurveKey::kInterpolationLinear) {
        return lV0 + lS * (lV1 - lV0);
    }
    const double lSpan = Seconds(lSpanTicks);
    const double lM0 = RightSlope(pIndex);
    const double lM1 = LeftSlope(pIndex + 1);
    const int lWeightMode = lA.GetWeightMode();
    if (lWeightMode == 0) {
        const double lS2 = lS * lS;
        const double lS3 = lS2 * lS;
        return (2.0 * lS3 - 3.0 * lS2 + 1.0) * lV0 + (lS3 - 2.0 * lS2 + lS) * lSpan * lM0 +
               (-2.0 * lS3 + 3.0 * lS2) * lV1 + (lS3 - lS2) * lSpan * lM1;
    }
    const double lW0 = (lWeightMode & KFCurveKey::kWeightedRight)
                           ? StoredWeight(lA, KFCurveKey::kWeightRight)
                           : 1.0 / 3.0;
    const double lW1 = (lWeightMode & KFCurveKey::kWeightedNextLeft)
                           ? StoredWeight(lA, KFCurveKey::kWeightNextLeft)
                           : 1.0 / 3.0;
    const double lP1 = lV0 + lM0 * lW0 * lSpan;
    const double lP2 = lV1 - lM1 * lW1 * lSpan;
    const double lU = SolveBezierTime(lW0, 1.0 - lW1, lS);
    const double lR = 1.0 - lU;
    return lR * lR * lR * lV0 + 3.0 * lR * lR * lU * lP1 + 3.0 * lR * lU * lU * lP2 +
           lU * lU * lU * lV1;
}

double KFCurve::EvaluateAt(std::int64_t pTicks, int& ioHint) const
{
    const int lCount = GetKeyCount();
    if (lCount == 0) {
        return mDefaultValue;
    }
    if (pTicks < mKeys.front().GetTime().Get() || pTicks > mKeys.back().GetTime().Get()) {
        return Extrapolate(pTicks, ioHint);
    }
    if (pTicks == mKeys.back().GetTime().Get()) {
        ioHint = lCount - 1;
        return mKeys.back().GetValue();
    }
    // Evaluation in time order lands in the hinted segment or the one after it.
    auto lFits = [&](int pIndex) {
        return pIndex >= 0 && pIndex + 1 < lCount && mKeys[pIndex].GetTime().Get() <= pTicks &&
               pTicks < mKeys[pIndex + 1].GetTime().Get();
    };
    int lIndex = ioHint;
    if (!lFits(lIndex)) {
        lIndex = lFits(ioHint + 1) ? ioHint + 1 : FindSegment(pTicks);
    }
    if (lIndex < 0) {
        lIndex = 0;
    }
    if (lIndex + 1 >= lCount) {
        ioHint = lCount - 1;
        return mKeys.back().GetValue();
    }
    ioHint = lIndex;
    // Callers walking time forward over many curves at once (a writer's frames) find each
    // curve's next keys out of the cache by the time they come back to it: ask for them now.
    if (static_cast<std::size_t>(lIndex) + kPrefetchKeys < mKeys.size()) {
        __builtin_prefetch(&mKeys[static_cast<std::size_t>(lIndex) + kPrefetchKeys]);
    }
    return EvaluateSegment(lIndex, pTicks);
}

double KFCurve::FirstSlope() const
{
    if (GetKeyCount() < 2) {
        return 0.0;
    }
    const int lInterpolation = mKeys[0].GetInterpolation();
    if (lInterpolation & KFCurveKey::kInterpolationConstant) {
        return 0.0;
    }
    if (lInterpolation & KFCurveKey::kInterpolationLinear) {
        return SegmentSlope(0);
    }
    return RightSlope(0);
}

double KFCurve::LastSlope() const
{
    const int lCount = GetKeyCount();
    if (lCount < 2) {
        return 0.0;
    }
    const int lInterpolation = mKeys[lCount - 2].GetInterpolation();
    if (lInterpolation & KFCurveKey::kInterpolationConstant) {
        return 0.0;
    }
    if (lInterpolation & KFCurveKey::kInterpolationLinear) {
        return SegmentSlope(lCount - 2);
    }
    return LeftSlope(lCount - 1);
}

double KFCurve::Extrapolate(std::int64_t pTicks, int& ioHint) const
{
    const std::int64_t lFirst = mKeys.front().GetTime().Get();
    const std::int64_t lLast = mKeys.back().GetTime().Get();
    const bool lBefore = pTicks < lFirst;
    const int lKind = lBefore ? mPreExtrapolation : mPostExtrapolation;
    const int lLimit = lBefore ? mPreCount : mPostCount;
    const double lEdgeValue = lBefore ? mKeys.front().GetValue() : mKeys.back().GetValue();
    if (lLast <= lFirst || lKind == kExtrapolationConstant) {
        return lEdgeValue;
    }
    const std::uint64_t lDistance =
        lBefore ? TickDistance(pTicks, lFirst) : TickDistance(lLast, pTicks);
    if (lKind == kExtrapolationKeepSlope) {
        const double lSeconds = Seconds(lDistance);
        return lBefore ? lEdgeValue - FirstSlope() * lSeconds : lEdgeValue + LastSlope() * lSeconds;
    }
    if (lLimit == 0) {
        return lEdgeValue;
    }
    // Cycle k (from 1) covers the distances (k-1)L < d <= kL; u is the distance into it.
    const std::uint64_t lPeriod = TickDistance(lFirst, lLast);
    std::uint64_t lCycle = (lDistance - 1) / lPeriod + 1;
    std::uint64_t lInto = lDistance - (lCycle - 1) * lPeriod;
    if (lLimit > 0 && lCycle > static_cast<std::uint64_t>(lLimit)) {
        lCycle = static_cast<std::uint64_t>(lLimit);
        lInto = lPeriod;
    }
    const bool lMirrored = lKind == kExtrapolationMirrorRepetition && (lCycle % 2) == 1;
    std::int64_t lLocal;
    if (lBefore) {
        lLocal = lMirrored ? TickOffset(lFirst, lInto) : TickOffset(lLast, 0 - lInto);
    } else {
        lLocal = lMirrored ? TickOffset(lLast, 0 - lInto) : TickOffset(lFirst, lInto);
    }
    return EvaluateAt(lLocal, ioHint);
}

double KFCurve::Evaluate(KTime pTime) const
{
    int lHint = -1;
    return EvaluateAt(pTime.Get(), lHint);
}

double KFCurve::Evaluate(KTime pTime, int* ioLastIndex) const
{
    int lHint = ioLastIndex ? *ioLastIndex : -1;
    const double lValue = EvaluateAt(pTime.Get(), lHint);
    if (ioLastIndex) {
        *ioLastIndex = lHint;
    }
    return lValue;
}

double KFCurve::EvaluateCached(KTime pTime)
{
    mCacheTicks = pTime.Get();
    return EvaluateAt(mCacheTicks, mCacheSegment);
}

// ---- copies ----

KFCurve* KFCurve::Copy(KTime pStart, KTime pStop) const
{
    KFCurve* lCopy = Create();
    if (lCopy == nullptr) {
        return nullptr;
    }
    lCopy->CopyFields(*this);
    if (pStart <= KTime::kMinusInfinity && pStop >= KTime::kInfinity) {
        lCopy->mKeys = mKeys;
        lCopy->mKeysInOrder = mKeysInOrder;
    } else {
        for (const KFCurveKey& lKey : mKeys) {
            if (lKey.GetTime() >= pStart && lKey.GetTime() <= pStop) {
                lCopy->mKeys.push_back(lKey);
            }
        }
        // Keys kept in the order they had.
        lCopy->mKeysInOrder = mKeysInOrder;
    }
    return lCopy;
}

void KFCurve::CopyFrom(const KFCurve& pSource, bool pWithKeys)
{
    if (&pSource != this) {
        CopyFields(pSource);
        if (pWithKeys) {
            mKeys = pSource.mKeys;
            mKeysInOrder = pSource.mKeysInOrder;
        }
    }
    if (!pWithKeys) {
        mKeys.clear();
        mKeysInOrder = true;
    }
    mCacheSegment = -1;
    RecordAllKeys();
}

// ---- events ----

KFCurve::EventState& KFCurve::Events()
{
    if (!mEvents) {
        mEvents = std::make_unique<EventState>();
    }
    return *mEvents;
}

void KFCurve::DropIdleEvents()
{
    if (mEvents && mEvents->mCallbacks.empty() && !mEvents->mDispatching &&
        mEvents->mPending.mFlags == 0 && mEvents->mPending.mFirstKeyIndex < 0 &&
        mEvents->mPending.mLastKeyIndex < 0 && mEvents->mPending.mKeyCount == 0) {
        mEvents.reset();
    }
}

bool KFCurve::AddCallback(KFCurveCallback pCallback, void* pData)
{
    if (pCallback == nullptr) {
        return false;
    }
    std::vector<Callback>& lCallbacks = Events().mCallbacks;
    for (const Callback& lEntry : lCallbacks) {
        if (lEntry.mFunction == pCallback && lEntry.mData == pData) {
            return false;
        }
    }
    lCallbacks.push_back({pCallback, pData});
    return true;
}

bool KFCurve::RemoveCallback(KFCurveCallback pCallback, void* pData)
{
    if (!mEvents) {
        return false;
    }
    std::vector<Callback>& lCallbacks = mEvents->mCallbacks;
    for (std::size_t i = 0; i < lCallbacks.size(); ++i) {
        Callback& lEntry = lCallbacks[i];
        if (lEntry.mFunction != nullptr && lEntry.mFunction == pCallback && lEntry.mData == pData) {
            if (mEvents->mDispatching) {
                // The dispatch loop walks the list by index: blank the entry now, compact later.
                lEntry.mFunction = nullptr;
                mEvents->mCallbacksRemoved = true;
            } else {
                lCallbacks.erase(lCallbacks.begin() + static_cast<std::ptrdiff_t>(i));
                DropIdleEvents();
            }
            return true;
        }
    }
    return false;
}

int KFCurve::GetCallbackCount() const
{
    int lCount = 0;
    if (mEvents) {
        for (const Callback& lEntry : mEvents->mCallbacks) {
            lCount += lEntry.mFunction != nullptr ? 1 : 0;
        }
    }
    return lCount;
}

void KFCurve::EnableEvents(bool pEnable)
{
    mEventsEnabled = pEnable;
    FlushEvent();
}

const KFCurveEvent& KFCurve::GetPendingEvent() const
{
    static const KFCurveEvent kNoEvent;
    return mEvents ? mEvents->mPending : kNoEvent;
}

void KFCurve::ClearPendingEvent()
{
    if (mEvents) {
        mEvents->mPending = KFCurveEvent();
        DropIdleEvents();
    }
}

void KFCurve::RecordChange(int pFlags, int pFirstKey, int pLastKey)
{
    // A change sent at once to no callback leaves nothing behind.
    if (!mEvents && mEventsEnabled && !IsHeld() && pFlags != 0) {
        return;
    }
    KFCurveEvent& lPending = Events().mPending;
    lPending.mFlags |= pFlags;
    if (pFirstKey >= 0) {
        lPending.mFirstKeyIndex =
            lPending.mFirstKeyIndex < 0 ? pFirstKey : std::min(lPending.mFirstKeyIndex, pFirstKey);
        lPending.mLastKeyIndex = std::max(lPending.mLastKeyIndex, pLastKey);
        ++lPending.mKeyCount;
    }
    FlushEvent();
}

void KFCurve::FlushEvent()
{
    if (!mEventsEnabled || IsHeld() || !mEvents || mEvents->mDispatching ||
        mEvents->mPending.mFlags == 0) {
        return;
    }
    const KFCurveEvent lEvent = mEvents->mPending;
    mEvents->mPending = KFCurveEvent();
    Dispatch(lEvent);
    DropIdleEvents();
}

void KFCurve::Dispatch(const KFCurveEvent& pEvent)
{
    if (!mEvents) {
        return;
    }
    mEvents->mDispatching = true;
    // Callbacks added during the dispatch wait for the next event.
    const std::size_t lCount = mEvents->mCallbacks.size();
    for (std::size_t i = 0; i < lCount; ++i) {
        const Callback lEntry = mEvents->mCallbacks[i];
        if (lEntry.mFunction != nullptr) {
            KFCurveEvent lEvent = pEvent;
            lEntry.mFunction(this, &lEvent, lEntry.mData);
        }
    }
    mEvents->mDispatching = false;
    if (mEvents->mCallbacksRemoved) {
        std::vector<Callback>& lCallbacks = mEvents->mCallbacks;
        lCallbacks.erase(
            std::remove_if(lCallbacks.begin(), lCallbacks.end(),
                           [](const Callback& pEntry) { return pEntry.mFunction == nullptr; }),
            lCallbacks.end());
        mEvents->mCallbacksRemoved = false;
    }
}
