#include "animation/KFCurveFilter.h"

#include "animation/KEulerUnroll.h"
#include "animation/KFCurveNode.h"

#include <cstdint>
#include <limits>

namespace {

void CollectCurves(KFCurveNode& pNode, bool pRecursive, std::vector<KFCurve*>& pCurves)
{
    if (KFCurve* lCurve = pNode.GetCurve()) {
        pCurves.push_back(lCurve);
    }
    if (!pRecursive) {
        return;
    }
    // Channel trees are depth-capped by KFCurveNode, so this recursion is bounded.
    for (int i = 0; i < pNode.GetCount(); ++i) {
        if (KFCurveNode* lChild = pNode.Get(i)) {
            CollectCurves(*lChild, true, pCurves);
        }
    }
}

} // namespace

KFCurveFilter::KFCurveFilter(const char* pName, const char* const* pMessages, int pMessageCount)
    : mName(pName), mError(pMessages, pMessageCount)
{
}

KFCurveFilter::~KFCurveFilter() = default;

bool KFCurveFilter::Apply(KFCurve& pCurve)
{
    KFCurve* lCurves[1] = {&pCurve};
    return Apply(lCurves, 1);
}

bool KFCurveFilter::Apply(KFCurveNode& pNode, bool pRecursive)
{
    std::vector<KFCurve*> lCurves;
    CollectCurves(pNode, pRecursive, lCurves);
    return Apply(lCurves.data(), static_cast<int>(lCurves.size()));
}

bool KFCurveFilter::Fail(int pCode)
{
    mError.SetLastErrorID(pCode);
    return false;
}

bool KFCurveFilter::CheckThreeCurves(KFCurve* const* pCurves, int pCount, int pWrongCountCode,
                                     int pMissingCode)
{
    if (pCurves == nullptr || pCount != 3) {
        return Fail(pWrongCountCode);
    }
    for (int c = 0; c < 3; ++c) {
        if (pCurves[c] == nullptr) {
            return Fail(pMissingCode);
        }
    }
    return true;
}

bool KFCurveFilter::SetCheckedRotationOrder(int pOrder, int& ioOrder, int pBadCode)
{
    if (!KEulerUnroll::IsValidOrder(pOrder)) {
        return Fail(pBadCode);
    }
    ioOrder = pOrder;
    return true;
}

void KFCurveFilter::GetSpanIndices(const KFCurve& pCurve, KTime pStart, KTime pStop, int& pFirst,
                                   int& pLast)
{
    const int lCount = pCurve.GetKeyCount();
    // Lower bound of pStart, then of the first time after pStop.
    int lLow = 0;
    int lHigh = lCount;
    while (lLow < lHigh) {
        const int lMiddle = lLow + (lHigh - lLow) / 2;
        if (pCurve.KeyGetTime(lMiddle) < pStart) {
            lLow = lMiddle + 1;
        } else {
            lHigh = lMiddle;
        }
    }
    pFirst = lLow;
    lHigh = lCount;
    while (lLow < lHigh) {
        const int lMiddle = lLow + (lHigh - lLow) / 2;
        if (pCurve.KeyGetTime(lMiddle) <= pStop) {
            lLow = lMiddle + 1;
        } else {
            lHigh = lMiddle;
        }
    }
    pLast = lLow - 1;
}

bool KFCurveFilter::GetKeySpan(const KFCurve* const* pCurves, int pCount, KTime pStart, KTime pStop,
                               KTime& pFirst, KTime& pLast)
{
    bool lFound = false;
    for (int i = 0; pCurves != nullptr && i < pCount; ++i) {
        if (pCurves[i] == nullptr) {
            continue;
        }
        int lFirst = 0;
        int lLast = -1;
        GetSpanIndices(*pCurves[i], pStart, pStop, lFirst, lLast);
        if (lFirst > lLast) {
            continue;
        }
        const KTime lFrom = pCurves[i]->KeyGetTime(lFirst);
        const KTime lTo = pCurves[i]->KeyGetTime(lLast);
        if (!lFound || lFrom < pFirst) {
            pFirst = lFrom;
        }
        if (!lFound || lTo > pLast) {
            pLast = lTo;
        }
        lFound = true;
    }
    return lFound;
}

bool KFCurveFilter::MakeSampleTimes(KTime pStart, KTime pStop, KTime pPeriod, bool pLastAtStop,
                                    std::vector<KTime>& pTimes)
{
    pTimes.clear();
    if (pPeriod.Get() <= 0 || pStart > pStop) {
        return false;
    }
    // Unsigned arithmetic: the distance between the two infinities does not fit a signed count.
    const std::uint64_t lSpan =
        static_cast<std::uint64_t>(pStop.Get()) - static_cast<std::uint64_t>(pStart.Get());
    const std::uint64_t lPeriod = static_cast<std::uint64_t>(pPeriod.Get());
    const std::uint64_t lSteps = lSpan / lPeriod;
    const bool lAddStop = pLastAtStop && lSteps * lPeriod != lSpan;
    if (lSteps >= static_cast<std::uint64_t>(kMaxSampleCount) - (lAddStop ? 1 : 0)) {
        return false;
    }
    pTimes.reserve(static_cast<std::size_t>(lSteps) + 2);
    for (std::uint64_t i = 0; i <= lSteps; ++i) {
        const std::uint64_t lTicks = static_cast<std::uint64_t>(pStart.Get()) + i * lPeriod;
        pTimes.push_back(KTime(static_cast<std::int64_t>(lTicks)));
    }
    if (lAddStop) {
        pTimes.push_back(pStop);
    }
    return true;
}

bool KFCurveFilter::ReplaceKeys(KFCurve& pCurve, const std::vector<KFCurveKey>& pKeys)
{
    if (pKeys.size() > static_cast<std::size_t>(KFCurve::kMaxKeyCount)) {
        return false;
    }
    const int lCount = static_cast<int>(pKeys.size());
    pCurve.BeginKeyModify();
    // The batch is opened before the old keys go, so that a refusal loses nothing; inside it the
    // new keys are made in one step.
    if (!pCurve.BeginKeySet(lCount)) {
        pCurve.EndKeyModify();
        return false;
    }
    pCurve.KeyClear();
    pCurve.KeySetBatch(0, lCount, pKeys.data());
    pCurve.EndKeySet(lCount);
    pCurve.EndKeyModify();
    return true;
}

float KFCurveFilter::ToKeyValue(double pValue)
{
    constexpr double kMax = std::numeric_limits<float>::max();
    if (pValue > kMax) {
        return std::numeric_limits<float>::max();
    }
    if (pValue < -kMax) {
        return -std::numeric_limits<float>::max();
    }
    return static_cast<float>(pValue);
}

bool KFCurveFilter::HaveSameKeyTimes(KFCurve* const* pCurves, int pCount)
{
    for (int c = 1; c < pCount; ++c) {
        if (!pCurves[c]->HasKeyTimesOf(*pCurves[0])) {
            return false;
        }
    }
    return true;
}

void KFCurveFilter::NegateKeySlopes(KFCurve& pCurve, int pIndex)
{
    const auto lIsUser = [&pCurve](int pKey) {
        const int lMode = pCurve.KeyGetTangentMode(pKey);
        return pCurve.KeyGetInterpolation(pKey) == KFCurveKey::kInterpolationCubic &&
               (lMode & (KFCurveKey::kTangentUser | KFCurveKey::kTangentBreak)) != 0;
    };
    if (lIsUser(pIndex)) {
        pCurve.SetKeyRightDerivative(pIndex, -pCurve.GetKeyRightDerivative(pIndex));
    }
    if (pIndex > 0 && lIsUser(pIndex - 1)) {
        pCurve.SetKeyLeftDerivative(pIndex, -pCurve.GetKeyLeftDerivative(pIndex));
    }
}

std::vector<KFCurveKey> KFCurveFilter::SpliceKeys(const KFCurve& pCurve, KTime pStart, KTime pStop,
                                                  const std::vector<KFCurveKey>& pMiddle)
{
    std::vector<KFCurveKey> lKeys;
    int lFirst = 0;
    int lLast = -1;
    GetSpanIndices(pCurve, pStart, pStop, lFirst, lLast);
    const int lCount = pCurve.GetKeyCount();
    const int lInside = lFirst <= lLast ? lLast - lFirst + 1 : 0;
    lKeys.reserve(static_cast<std::size_t>(lCount - lInside) + pMiddle.size());
    for (int i = 0; i < lFirst && i < lCount; ++i) {
        lKeys.push_back(*pCurve.GetKey(i));
    }
    lKeys.insert(lKeys.end(), pMiddle.begin(), pMiddle.end());
    for (int i = (lFirst <= lLast ? lLast + 1 : lFirst); i < lCount; ++i) {
        lKeys.push_back(*pCurve.GetKey(i));
    }
    return lKeys;
}
