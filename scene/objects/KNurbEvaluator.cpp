#include "scene/objects/KNurbEvaluator.h"

#include <cmath>
#include <vector>

namespace {

// Values and derivatives of the pFunctions functions N(t, pFirst + f, pOrder), built from the
// order-1 indicators upwards; each level k needs one function fewer than the level below, so
// the highest knot read is pFirst + pFunctions + pOrder - 1. The caller checks that range.
void EvaluateFunctions(double pT, int pFirst, int pOrder, int pFunctions, const double* pKnots,
                       std::vector<double>& ioValues, std::vector<double>& ioDerivatives)
{
    const int lBase = pFunctions + pOrder - 1;
    ioValues.assign(static_cast<size_t>(lBase), 0.0);
    ioDerivatives.assign(static_cast<size_t>(lBase), 0.0);
    for (int i = 0; i < lBase; ++i) {
        const int lIndex = pFirst + i;
        ioValues[static_cast<size_t>(i)] =
            pKnots[lIndex] <= pT && pT < pKnots[lIndex + 1] ? 1.0 : 0.0;
    }
    for (int k = 2; k <= pOrder; ++k) {
        const int lLevel = pFunctions + pOrder - k;
        for (int i = 0; i < lLevel; ++i) {
            const int lIndex = pFirst + i;
            const double lLow = pKnots[lIndex];
            const double lHigh = pKnots[lIndex + k];
            const double lD1 = pKnots[lIndex + k - 1] - lLow;
            const double lD2 = lHigh - pKnots[lIndex + 1];
            const double lN0 = ioValues[static_cast<size_t>(i)];
            const double lN1 = ioValues[static_cast<size_t>(i) + 1];
            const double lDer0 = ioDerivatives[static_cast<size_t>(i)];
            const double lDer1 = ioDerivatives[static_cast<size_t>(i) + 1];
            double lValue = 0.0;
            double lDerivative = 0.0;
            if (lD1 > KNurbEvaluator::kSpanEpsilon) {
                lValue += lN0 * (pT - lLow) / lD1;
                lDerivative += (lN0 + lDer0 * (pT - lLow)) / lD1;
            }
            if (lD2 > KNurbEvaluator::kSpanEpsilon) {
                lValue += lN1 * (lHigh - pT) / lD2;
                lDerivative += (lDer1 * (lHigh - pT) - lN1) / lD2;
            }
            ioValues[static_cast<size_t>(i)] = lValue;
            ioDerivatives[static_cast<size_t>(i)] = lDerivative;
        }
    }
}

bool SingleFunction(double pT, int pI, int pK, const double* pKnots, int pCount, double& oValue,
                    double& oDerivative)
{
    const int lOrder = pK < 1 ? 1 : pK;
    if (pKnots == nullptr || pI < 0 || pK > KNurbEvaluator::kMaxOrder ||
        static_cast<long long>(pI) + lOrder >= pCount) {
        return false;
    }
    std::vector<double> lValues;
    std::vector<double> lDerivatives;
    EvaluateFunctions(pT, pI, lOrder, 1, pKnots, lValues, lDerivatives);
    oValue = lValues[0];
    oDerivative = lDerivatives[0];
    return true;
}

} // namespace

std::unique_ptr<KNurbEvaluator> KNurbEvaluator::CreateNurbEvaluator(int pUOrder, int pVOrder)
{
    auto lEvaluator = std::make_unique<KNurbEvaluator>();
    lEvaluator->SetUOrder(pUOrder);
    lEvaluator->SetVOrder(pVOrder);
    return lEvaluator;
}

KNurbEvaluator::KNurbEvaluator() = default;

KNurbEvaluator::~KNurbEvaluator() = default;

void KNurbEvaluator::SetWeights(const double* pWeights, int pCount)
{
    mWeights = pWeights;
    mWeightCount = pCount;
    ResetCounts();
}

void KNurbEvaluator::SetUKnots(const double* pKnots, int pCount)
{
    mUKnots = Knots{pKnots, pCount};
    ResetCounts();
    MarkDirty();
}

void KNurbEvaluator::SetVKnots(const double* pKnots, int pCount)
{
    mVKnots = Knots{pKnots, pCount};
    ResetCounts();
    MarkDirty();
}

double KNurbEvaluator::BasisValue(double pT, int pI, int pK, const double* pKnots, int pCount)
{
    double lValue = 0.0;
    double lDerivative = 0.0;
    return SingleFunction(pT, pI, pK, pKnots, pCount, lValue, lDerivative) ? lValue : 0.0;
}

double KNurbEvaluator::BasisDerivative(double pT, int pI, int pK, const double* pKnots, int pCount)
{
    double lValue = 0.0;
    double lDerivative = 0.0;
    return SingleFunction(pT, pI, pK, pKnots, pCount, lValue, lDerivative) ? lDerivative : 0.0;
}

int KNurbEvaluator::CountSpans(const double* pKnots, int pCount, int pOrder)
{
    if (pKnots == nullptr) {
        return 0;
    }
    int lSpans = 0;
    for (int i = pOrder - 1; i >= 0 && i <= pCount - pOrder - 1; ++i) {
        if (pKnots[i + 1] - pKnots[i] > kSpanEpsilon) {
            ++lSpans;
        }
    }
    return lSpans;
}

long long KNurbEvaluator::KnotCount(int pCount, int pOrder, bool pClosed)
{
    return pClosed ? static_cast<long long>(pCount) + 2LL * pOrder - 1
                   : static_cast<long long>(pCount) + pOrder;
}

const KNurbEvaluator::Knots& KNurbEvaluator::KnotsOf(const Direction& pDirection) const
{
    return &pDirection == &GetU() ? mUKnots : mVKnots;
}

long long KNurbEvaluator::ComputeSampleCount(const Direction& pDirection)
{
    const int p = pDirection.mOrder;
    const int n = pDirection.mCount;
    if (p < kMinOrder || p > kMaxOrder) {
        GetError().SetLastErrorID(kInvalidOrder);
        return -1;
    }
    if (n < 1 || (!pDirection.mClosed && n < p)) {
        GetError().SetLastErrorID(kTooFewControlPoints);
        return -1;
    }
    const Knots& lKnots = KnotsOf(pDirection);
    if (lKnots.mKnots == nullptr || lKnots.mCount != KnotCount(n, p, pDirection.mClosed)) {
        GetError().SetLastErrorID(kInvalidKnots);
        return -1;
    }
    // A decreasing or non-finite knot would leave samples outside every interval, where the
    // weight sum is 0.
    for (int i = 0; i < lKnots.mCount; ++i) {
        if (!std::isfinite(lKnots.mKnots[i]) ||
            (i > 0 && lKnots.mKnots[i] < lKnots.mKnots[i - 1])) {
            GetError().SetLastErrorID(kInvalidKnots);
            return -1;
        }
    }
    const long long lSpans = CountSpans(lKnots.mKnots, lKnots.mCount, p);
    if (lSpans < 1) {
        GetError().SetLastErrorID(kInvalidKnots);
        return -1;
    }
    const long long lCount = lSpans * pDirection.mSubdivisions + (pDirection.mClosed ? 0 : 1);
    if (lCount > kMaxSampleCount) {
        GetError().SetLastErrorID(kTooManySamples);
        return -1;
    }
    return lCount;
}

bool KNurbEvaluator::CheckInput()
{
    if (mWeights == nullptr) {
        return true;
    }
    const long long lPoints = static_cast<long long>(GetU().mCount) * GetV().mCount;
    if (mWeightCount != lPoints) {
        GetError().SetLastErrorID(kInvalidWeights);
        return false;
    }
    for (int i = 0; i < mWeightCount; ++i) {
        // Written so that a NaN fails too.
        if (!(mWeights[i] > 0.0) || !std::isfinite(mWeights[i])) {
            GetError().SetLastErrorID(kInvalidWeights);
            return false;
        }
    }
    return true;
}

void KNurbEvaluator::BuildSampleTable(Direction& ioDirection)
{
    const Knots& lKnots = KnotsOf(ioDirection);
    const double* lK = lKnots.mKnots;
    const int p = ioDirection.mOrder;
    const int m = ioDirection.mSubdivisions;
    const int lSamples = ioDirection.mSampleCount;
    ioDirection.mFunctions = p;
    ioDirection.mFirst.resize(static_cast<size_t>(lSamples));
    ioDirection.mValues.resize(static_cast<size_t>(lSamples) * static_cast<size_t>(p));
    ioDirection.mDerivatives.resize(ioDirection.mValues.size());

    std::vector<double> lValues;
    std::vector<double> lDerivatives;
    int lSample = 0;
    // Interval j = [knots[j], knots[j+1]] carries functions j-p+1 .. j; their knots end at
    // j+p, which stays inside the vector for every j the span count looks at.
    for (int j = p - 1; j <= lKnots.mCount - p - 1 && lSample < lSamples; ++j) {
        const double lStart = lK[j];
        const double lLength = lK[j + 1] - lStart;
        if (lLength <= kSpanEpsilon) {
            continue;
        }
        const int lFirst = j - p + 1;
        // The step keeps the end parameter of an open direction just inside the interval.
        const double lStep = lLength / (m + kSpanEpsilon);
        const int lParameters = lSamples - lSample == m + 1 ? m + 1 : m;
        for (int r = 0; r < lParameters; ++r, ++lSample) {
            EvaluateFunctions(lStart + r * lStep, lFirst, p, p, lK, lValues, lDerivatives);
            ioDirection.mFirst[static_cast<size_t>(lSample)] = lFirst;
            const size_t lAt = static_cast<size_t>(lSample) * static_cast<size_t>(p);
            for (int f = 0; f < p; ++f) {
                ioDirection.mValues[lAt + static_cast<size_t>(f)] = lValues[static_cast<size_t>(f)];
                ioDirection.mDerivatives[lAt + static_cast<size_t>(f)] =
                    lDerivatives[static_cast<size_t>(f)];
            }
        }
    }
}
