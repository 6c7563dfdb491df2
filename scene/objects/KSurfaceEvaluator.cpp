#include "scene/objects/KSurfaceEvaluator.h"

#include <algorithm>
#include <cmath>

namespace {

const char* const kErrorTable[KSurfaceEvaluator::kErrorCount] = {
    "No control points",
    "No destination",
    "Invalid order",
    "Too few control points",
    "Control point count does not fit the span step",
    "Too many samples",
    "Invalid knot vector",
    "Invalid weights",
};

// Rows of the five patch bases (control point 0 to 3; coefficients of t^3, t^2, t, 1).
const double kBezierMatrix[4][4] = {
    {-1.0, 3.0, -3.0, 1.0}, {3.0, -6.0, 3.0, 0.0}, {-3.0, 3.0, 0.0, 0.0}, {1.0, 0.0, 0.0, 0.0}};
const double kBezierQuadricMatrix[4][4] = {
    {0.0, 1.0, -2.0, 1.0}, {0.0, -2.0, 2.0, 0.0}, {0.0, 1.0, 0.0, 0.0}, {0.0, 0.0, 0.0, 0.0}};
const double kBSplineMatrix[4][4] = {{-1.0 / 6.0, 0.5, -0.5, 1.0 / 6.0},
                                     {0.5, -1.0, 0.0, 2.0 / 3.0},
                                     {-0.5, 0.5, 0.5, 1.0 / 6.0},
                                     {1.0 / 6.0, 0.0, 0.0, 0.0}};
const double kLinearMatrix[4][4] = {
    {0.0, 0.0, -1.0, 1.0}, {0.0, 0.0, 1.0, 0.0}, {0.0, 0.0, 0.0, 0.0}, {0.0, 0.0, 0.0, 0.0}};

// Tv x Tu, written out as the normal convention of the surfaces.
KVector4 SurfaceNormal(const KVector4& pTu, const KVector4& pTv)
{
    const double* lU = pTu.GetData();
    const double* lV = pTv.GetData();
    return KVector4(lU[2] * lV[1] - lV[2] * lU[1], lV[2] * lU[0] - lV[0] * lU[2],
                    lU[1] * lV[0] - lU[0] * lV[1], 0.0);
}

void StoreXYZ(KVector4& oTarget, double pX, double pY, double pZ)
{
    double* lData = oTarget.GetData();
    lData[0] = pX;
    lData[1] = pY;
    lData[2] = pZ;
}

} // namespace

// ---------------------------------------------------------------------------------------------

KSurfaceInfluenceTable::KSurfaceInfluenceTable(int pSide0Count, int pSide1Count)
{
    mLists[0].resize(static_cast<size_t>(std::max(pSide0Count, 0)));
    mLists[1].resize(static_cast<size_t>(std::max(pSide1Count, 0)));
}

void KSurfaceInfluenceTable::Add(int pSide0, int pSide1, double pWeight)
{
    if (pSide0 < 0 || pSide1 < 0 || static_cast<size_t>(pSide0) >= mLists[0].size() ||
        static_cast<size_t>(pSide1) >= mLists[1].size()) {
        return;
    }
    const int lEntry = static_cast<int>(mEntries.size());
    mEntries.push_back(Entry{pSide0, pSide1, pWeight});
    mLists[0][static_cast<size_t>(pSide0)].push_back(lEntry);
    mLists[1][static_cast<size_t>(pSide1)].push_back(lEntry);
}

int KSurfaceInfluenceTable::GetListCount(int pSide) const
{
    return pSide == 0 || pSide == 1 ? static_cast<int>(mLists[pSide].size()) : 0;
}

int KSurfaceInfluenceTable::GetCount(int pSide, int pList) const
{
    if (pList < 0 || pList >= GetListCount(pSide)) {
        return 0;
    }
    return static_cast<int>(mLists[pSide][static_cast<size_t>(pList)].size());
}

const KSurfaceInfluenceTable::Entry* KSurfaceInfluenceTable::Get(int pSide, int pList,
                                                                 int pPosition) const
{
    if (pPosition < 0 || pPosition >= GetCount(pSide, pList)) {
        return nullptr;
    }
    return &mEntries[static_cast<size_t>(
        mLists[pSide][static_cast<size_t>(pList)][static_cast<size_t>(pPosition)])];
}

void KSurfaceInfluenceTable::NormalizeSide(int pSide)
{
    if (pSide != 0 && pSide != 1) {
        return;
    }
    for (const std::vector<int>& lList : mLists[pSide]) {
        double lSum = 0.0;
        for (int lEntry : lList) {
            lSum += std::fabs(mEntries[static_cast<size_t>(lEntry)].mWeight);
        }
        for (int lEntry : lList) {
            double& lWeight = mEntries[static_cast<size_t>(lEntry)].mWeight;
            lWeight = lSum != 0.0 ? std::fabs(lWeight / lSum) : 0.0;
        }
    }
}

// ---------------------------------------------------------------------------------------------

std::unique_ptr<KSurfaceEvaluator> KSurfaceEvaluator::CreatePatchEvaluator(int pUType, int pVType)
{
    auto lEvaluator = std::make_unique<KSurfaceEvaluator>();
    lEvaluator->SetUBasis(pUType);
    lEvaluator->SetVBasis(pVType);
    return lEvaluator;
}

KSurfaceEvaluator::KSurfaceEvaluator() : mError(kErrorTable, kErrorCount) {}

KSurfaceEvaluator::~KSurfaceEvaluator() = default;

void KSurfaceEvaluator::GetBasisMatrix(int pType, double oMatrix[16])
{
    const double(*lSource)[4] = nullptr;
    switch (pType) {
    case eBezier:
        lSource = kBezierMatrix;
        break;
    case eBezierQuadric:
        lSource = kBezierQuadricMatrix;
        break;
    case eCardinal:
        GetCardinalMatrix(1.0, oMatrix);
        return;
    case eBSpline:
        lSource = kBSplineMatrix;
        break;
    case eLinear:
        lSource = kLinearMatrix;
        break;
    default:
        std::fill(oMatrix, oMatrix + 16, 0.0);
        return;
    }
    std::copy(&lSource[0][0], &lSource[0][0] + 16, oMatrix);
}

void KSurfaceEvaluator::GetCardinalMatrix(double pTension, double oMatrix[16])
{
    const double a = pTension;
    const double lRows[4][4] = {{-a / 2.0, a, -a / 2.0, 0.0},
                                {2.0 - a / 2.0, a / 2.0 - 3.0, 0.0, 1.0},
                                {a / 2.0 - 2.0, 3.0 - a, a / 2.0, 0.0},
                                {a / 2.0, -a / 2.0, 0.0, 0.0}};
    std::copy(&lRows[0][0], &lRows[0][0] + 16, oMatrix);
}

void KSurfaceEvaluator::ResetCounts()
{
    mU.mCountKnown = false;
    mV.mCountKnown = false;
}

void KSurfaceEvaluator::SetUClosed(bool pClosed)
{
    mU.mClosed = pClosed;
    ResetCounts();
    MarkDirty();
}

void KSurfaceEvaluator::SetVClosed(bool pClosed)
{
    mV.mClosed = pClosed;
    ResetCounts();
    MarkDirty();
}

namespace {

int ClampSubdivisions(int pSubdivisions)
{
    if (pSubdivisions < 1) {
        return KSurfaceEvaluator::kDefaultSubdivisions;
    }
    return std::min(pSubdivisions, KSurfaceEvaluator::kMaxSubdivisions);
}

} // namespace

void KSurfaceEvaluator::SetUSubdivisions(int pSubdivisions)
{
    mU.mSubdivisions = ClampSubdivisions(pSubdivisions);
    ResetCounts();
    MarkDirty();
}

void KSurfaceEvaluator::SetVSubdivisions(int pSubdivisions)
{
    mV.mSubdivisions = ClampSubdivisions(pSubdivisions);
    ResetCounts();
    MarkDirty();
}

void KSurfaceEvaluator::SetUOrder(int pOrder)
{
    mU.mOrder = pOrder;
    ResetCounts();
    MarkDirty();
}

void KSurfaceEvaluator::SetVOrder(int pOrder)
{
    mV.mOrder = pOrder;
    ResetCounts();
    MarkDirty();
}

void KSurfaceEvaluator::SetUStep(int pStep)
{
    mU.mStep = std::max(pStep, 1);
    ResetCounts();
    MarkDirty();
}

void KSurfaceEvaluator::SetVStep(int pStep)
{
    mV.mStep = std::max(pStep, 1);
    ResetCounts();
    MarkDirty();
}

void KSurfaceEvaluator::SetMatrix(Direction& ioDirection, const double* pMatrix)
{
    if (pMatrix == nullptr) {
        return;
    }
    std::copy(pMatrix, pMatrix + 16, ioDirection.mMatrix);
    for (int i = 0; i < 4; ++i) {
        ioDirection.mDerivative[i * 3 + 0] = 3.0 * pMatrix[i * 4 + 0];
        ioDirection.mDerivative[i * 3 + 1] = 2.0 * pMatrix[i * 4 + 1];
        ioDirection.mDerivative[i * 3 + 2] = pMatrix[i * 4 + 2];
    }
    ResetCounts();
    MarkDirty();
}

void KSurfaceEvaluator::SetUMatrix(const double* pMatrix)
{
    SetMatrix(mU, pMatrix);
}

void KSurfaceEvaluator::SetVMatrix(const double* pMatrix)
{
    SetMatrix(mV, pMatrix);
}

void KSurfaceEvaluator::SetBasis(Direction& ioDirection, int pType)
{
    static const int kOrders[5] = {4, 3, 4, 4, 2};
    static const int kSteps[5] = {3, 2, 1, 1, 1};
    if (pType < eBezier || pType > eLinear) {
        return;
    }
    double lMatrix[16];
    GetBasisMatrix(pType, lMatrix);
    SetMatrix(ioDirection, lMatrix);
    if (pType == eCardinal) {
        ioDirection.mTension = 1.0;
    }
    ioDirection.mOrder = kOrders[pType];
    ioDirection.mStep = kSteps[pType];
    ioDirection.mSubdivisions = kDefaultSubdivisions;
}

void KSurfaceEvaluator::SetUBasis(int pType)
{
    SetBasis(mU, pType);
}

void KSurfaceEvaluator::SetVBasis(int pType)
{
    SetBasis(mV, pType);
}

void KSurfaceEvaluator::SetUTension(double pTension)
{
    double lMatrix[16];
    GetCardinalMatrix(pTension, lMatrix);
    SetMatrix(mU, lMatrix);
    mU.mTension = pTension;
    mU.mOrder = 4;
    mU.mStep = 1;
}

void KSurfaceEvaluator::SetVTension(double pTension)
{
    double lMatrix[16];
    GetCardinalMatrix(pTension, lMatrix);
    SetMatrix(mV, lMatrix);
    mV.mTension = pTension;
    mV.mOrder = 4;
    mV.mStep = 1;
}

void KSurfaceEvaluator::SetControlPoints(const KVector4* pPoints, int pUCount, int pVCount)
{
    if (pUCount != mU.mCount || pVCount != mV.mCount) {
        MarkDirty();
    }
    mControlPoints = pPoints;
    mU.mCount = pUCount;
    mV.mCount = pVCount;
    mCollapseDirty = true;
    ResetCounts();
}

int KSurfaceEvaluator::SampleCount(Direction& ioDirection)
{
    if (!ioDirection.mCountKnown) {
        const long long lCount = ComputeSampleCount(ioDirection);
        if (lCount < 0) {
            return 0;
        }
        ioDirection.mSampleCount = static_cast<int>(lCount);
        ioDirection.mCountKnown = true;
    }
    return ioDirection.mSampleCount;
}

int KSurfaceEvaluator::GetUSampleCount()
{
    return SampleCount(mU);
}

int KSurfaceEvaluator::GetVSampleCount()
{
    return SampleCount(mV);
}

long long KSurfaceEvaluator::ComputeSampleCount(const Direction& pDirection)
{
    const long long p = pDirection.mOrder;
    const long long s = pDirection.mStep;
    const long long n = pDirection.mCount;
    const long long lPerSpan = static_cast<long long>(pDirection.mSubdivisions) * s;
    if (p < 1 || p > 4) {
        mError.SetLastErrorID(kInvalidOrder);
        return -1;
    }
    if (n < 1 || (!pDirection.mClosed && n < p)) {
        mError.SetLastErrorID(kTooFewControlPoints);
        return -1;
    }
    // Spans start every s points; points left over after the last span would be dropped
    // silently, and a closed direction must come back to point 0 exactly.
    if ((pDirection.mClosed ? n : n - p) % s != 0) {
        mError.SetLastErrorID(kCountNotMultipleOfStep);
        return -1;
    }
    const long long lCount =
        pDirection.mClosed ? (n / s) * lPerSpan : ((n - p) / s + 1) * lPerSpan + 1;
    if (lCount > kMaxSampleCount) {
        mError.SetLastErrorID(kTooManySamples);
        return -1;
    }
    return lCount;
}

void KSurfaceEvaluator::BuildSampleTable(Direction& ioDirection)
{
    const int lPerSpan = ioDirection.mSubdivisions * ioDirection.mStep;
    const int lFunctions = ioDirection.mOrder;
    const double lTangentFactor = 0.5 / lPerSpan;

    // One row of values and derivatives per parameter of a span, the end parameter included.
    std::vector<double> lValues(static_cast<size_t>((lPerSpan + 1) * lFunctions));
    std::vector<double> lDerivatives(lValues.size());
    for (int r = 0; r <= lPerSpan; ++r) {
        const double t = static_cast<double>(r) / lPerSpan;
        for (int i = 0; i < lFunctions; ++i) {
            const double* lM = ioDirection.mMatrix + i * 4;
            const double* lD = ioDirection.mDerivative + i * 3;
            lValues[static_cast<size_t>(r * lFunctions + i)] =
                ((lM[0] * t + lM[1]) * t + lM[2]) * t + lM[3];
            lDerivatives[static_cast<size_t>(r * lFunctions + i)] =
                ((lD[0] * t + lD[1]) * t + lD[2]) * lTangentFactor;
        }
    }

    const int lSamples = ioDirection.mSampleCount;
    ioDirection.mFunctions = lFunctions;
    ioDirection.mFirst.resize(static_cast<size_t>(lSamples));
    ioDirection.mValues.resize(static_cast<size_t>(lSamples * lFunctions));
    ioDirection.mDerivatives.resize(ioDirection.mValues.size());
    for (int k = 0; k < lSamples; ++k) {
        int lSpan = k / lPerSpan;
        int lRow = k % lPerSpan;
        // The end sample of an open direction is the last span's t = 1.
        if (k == lSamples - 1 && !ioDirection.mClosed) {
            lSpan = (lSamples - 1) / lPerSpan - 1;
            lRow = lPerSpan;
        }
        ioDirection.mFirst[static_cast<size_t>(k)] = lSpan * ioDirection.mStep;
        std::copy_n(lValues.begin() + lRow * lFunctions, lFunctions,
                    ioDirection.mValues.begin() + k * lFunctions);
        std::copy_n(lDerivatives.begin() + lRow * lFunctions, lFunctions,
                    ioDirection.mDerivatives.begin() + k * lFunctions);
    }
}

int KSurfaceEvaluator::PointIndex(const Direction& pDirection, int pFirst, int pFunction) const
{
    const int lIndex = pFirst + pFunction;
    return pDirection.mClosed ? lIndex % pDirection.mCount : lIndex;
}

bool KSurfaceEvaluator::Evaluate(KSurfaceInfluenceTable* pTable)
{
    if (mControlPoints == nullptr || mU.mCount < 1 || mV.mCount < 1) {
        mError.SetLastErrorID(kNoControlPoints);
        return false;
    }
    if (mPointDestination == nullptr) {
        mError.SetLastErrorID(kNoDestination);
        return false;
    }
    const int lUSamples = SampleCount(mU);
    const int lVSamples = lUSamples > 0 ? SampleCount(mV) : 0;
    if (lUSamples == 0 || lVSamples == 0 || !CheckInput()) {
        return false;
    }
    const long long lTotal = static_cast<long long>(lUSamples) * lVSamples;
    if (lTotal > kMaxSampleCount ||
        lTotal * std::max(mU.mOrder, 1) * std::max(mV.mOrder, 1) > kMaxWork) {
        mError.SetLastErrorID(kTooManySamples);
        return false;
    }
    if (mDirty) {
        BuildSampleTable(mU);
        BuildSampleTable(mV);
        mDirty = false;
    }
    mUTangents.assign(static_cast<size_t>(lTotal), KVector4());
    mVTangents.assign(static_cast<size_t>(lTotal), KVector4());
    if (mCollapseDirty) {
        FindCollapsedEdges();
        mCollapseDirty = false;
    }
    if (GetWeights() != nullptr) {
        EvaluateSamples<true>(lUSamples, lVSamples);
    } else {
        EvaluateSamples<false>(lUSamples, lVSamples);
    }
    FixCollapsedNormals(lUSamples, lVSamples);
    if (pTable != nullptr) {
        RecordInfluences(*pTable, lUSamples, lVSamples);
    }
    return true;
}

void KSurfaceEvaluator::FindCollapsedEdges()
{
    const int lU = mU.mCount;
    const int lV = mV.mCount;
    // A line of control points is collapsed when the summed |dx|, |dy| and |dz| between
    // neighbours each stay below the tolerance.
    auto lCollapsed = [this](int pStart, int pStride, int pCount) {
        double lSum[3] = {0.0, 0.0, 0.0};
        for (int i = 1; i < pCount; ++i) {
            const double* lA = mControlPoints[pStart + (i - 1) * pStride].GetData();
            const double* lB = mControlPoints[pStart + i * pStride].GetData();
            for (int c = 0; c < 3; ++c) {
                lSum[c] += std::fabs(lB[c] - lA[c]);
            }
        }
        return lSum[0] < kCollapseTolerance && lSum[1] < kCollapseTolerance &&
               lSum[2] < kCollapseTolerance;
    };
    auto lColumn = [&](int pU) { return lCollapsed(pU, lU, lV); };
    auto lRow = [&](int pV) { return lCollapsed(pV * lU, 1, lU); };
    mUStartCollapsed = lColumn(0) || (lU > 1 && lColumn(1));
    mUEndCollapsed = lColumn(lU - 1) || (lU > 1 && lColumn(lU - 2));
    mVStartCollapsed = lRow(0) || (lV > 1 && lRow(1));
    mVEndCollapsed = lRow(lV - 1) || (lV > 1 && lRow(lV - 2));
}

template <bool kRational> void KSurfaceEvaluator::EvaluateSamples(int pUSamples, int pVSamples)
{
    const int lFu = mU.mFunctions;
    const int lFv = mV.mFunctions;
    const int lUCount = mU.mCount;
    const double* lWeights = GetWeights();

    // Control-point columns of every U sample, wrapped once here rather than per product.
    std::vector<int> lUPoints(static_cast<size_t>(pUSamples * lFu));
    for (int k = 0; k < pUSamples; ++k) {
        for (int i = 0; i < lFu; ++i) {
            lUPoints[static_cast<size_t>(k * lFu + i)] =
                PointIndex(mU, mU.mFirst[static_cast<size_t>(k)], i);
        }
    }
    std::vector<int> lVRows(static_cast<size_t>(lFv));

    for (int lV = 0; lV < pVSamples; ++lV) {
        for (int j = 0; j < lFv; ++j) {
            lVRows[static_cast<size_t>(j)] =
                PointIndex(mV, mV.mFirst[static_cast<size_t>(lV)], j) * lUCount;
        }
        const double* lVValues = mV.mValues.data() + lV * lFv;
        const double* lVDerivatives = mV.mDerivatives.data() + lV * lFv;
        for (int lU = 0; lU < pUSamples; ++lU) {
            const int* lColumns = lUPoints.data() + lU * lFu;
            const double* lUValues = mU.mValues.data() + lU * lFu;
            const double* lUDerivatives = mU.mDerivatives.data() + lU * lFu;
            // x, y, z and the weight sum of the point and of both derivatives.
            double lP[4] = {0.0, 0.0, 0.0, 0.0};
            double lPu[4] = {0.0, 0.0, 0.0, 0.0};
            double lPv[4] = {0.0, 0.0, 0.0, 0.0};
            double lLargest = -1.0;
            int lLargestIndex = 0;
            for (int j = 0; j < lFv; ++j) {
                for (int i = 0; i < lFu; ++i) {
                    const int lIndex = lVRows[static_cast<size_t>(j)] + lColumns[i];
                    const double* lPoint = mControlPoints[lIndex].GetData();
                    double lB = lUValues[i] * lVValues[j];
                    double lBu = lUDerivatives[i] * lVValues[j];
                    double lBv = lUValues[i] * lVDerivatives[j];
                    if constexpr (kRational) {
                        const double lW = lWeights[lIndex];
                        lB *= lW;
                        lBu *= lW;
                        lBv *= lW;
                        if (std::fabs(lB) > lLargest) {
                            lLargest = std::fabs(lB);
                            lLargestIndex = lIndex;
                        }
                        lP[3] += lB;
                        lPu[3] += lBu;
                        lPv[3] += lBv;
                    }
                    for (int c = 0; c < 3; ++c) {
                        lP[c] += lB * lPoint[c];
                        lPu[c] += lBu * lPoint[c];
                        lPv[c] += lBv * lPoint[c];
                    }
                }
            }
            if constexpr (kRational) {
                const double lW = lP[3];
                if (std::fabs(lW) > 1e-300 && std::isfinite(lW)) {
                    for (int c = 0; c < 3; ++c) {
                        lP[c] /= lW;
                        lPu[c] = (lPu[c] - lP[c] * lPu[3]) / lW;
                        lPv[c] = (lPv[c] - lP[c] * lPv[3]) / lW;
                    }
                } else {
                    // No weight reaches this sample: the nearest control point stands in,
                    // without tangents, rather than a division by zero.
                    const double* lPoint = mControlPoints[lLargestIndex].GetData();
                    for (int c = 0; c < 3; ++c) {
                        lP[c] = lPoint[c];
                        lPu[c] = 0.0;
                        lPv[c] = 0.0;
                    }
                }
            }
            const size_t lSample =
                static_cast<size_t>(lV) * static_cast<size_t>(pUSamples) + static_cast<size_t>(lU);
            StoreXYZ(mPointDestination[lSample], lP[0], lP[1], lP[2]);
            mUTangents[lSample].Set(lPu[0], lPu[1], lPu[2]);
            mVTangents[lSample].Set(lPv[0], lPv[1], lPv[2]);
            if (mNormalDestination != nullptr) {
                const KVector4 lNormal = SurfaceNormal(mUTangents[lSample], mVTangents[lSample]);
                StoreXYZ(mNormalDestination[lSample], lNormal.GetData()[0], lNormal.GetData()[1],
                         lNormal.GetData()[2]);
            }
        }
    }
}

void KSurfaceEvaluator::FixCollapsedNormals(int pUSamples, int pVSamples)
{
    if (mNormalDestination == nullptr) {
        return;
    }
    const int A = pUSamples;
    const int B = pVSamples;
    auto lWrite = [this](const KVector4& pNormal, int pStart, int pStride, int pCount) {
        for (int i = 0; i < pCount; ++i) {
            const double* lN = pNormal.GetData();
            StoreXYZ(mNormalDestination[static_cast<size_t>(pStart) +
                                        static_cast<size_t>(i) * static_cast<size_t>(pStride)],
                     lN[0], lN[1], lN[2]);
        }
    };
    auto lTu = [this](int pSample) { return mUTangents[static_cast<size_t>(pSample)]; };
    auto lTv = [this](int pSample) { return mVTangents[static_cast<size_t>(pSample)]; };
    // The tangent along a collapsed edge vanishes there, so it is taken one step inside.
    if (A >= 2) {
        if (mUStartCollapsed) {
            lWrite(SurfaceNormal(lTu(0), lTv(1)), 0, A, B);
        }
        if (mUEndCollapsed) {
            lWrite(SurfaceNormal(lTu(A - 1), lTv(A - 2)), A - 1, A, B);
        }
    }
    if (B >= 2) {
        if (mVStartCollapsed) {
            lWrite(SurfaceNormal(lTu(A), lTv(0)), 0, 1, A);
        }
        if (mVEndCollapsed) {
            lWrite(SurfaceNormal(lTu((B - 2) * A), lTv((B - 1) * A)), (B - 1) * A, 1, A);
        }
    }
}

void KSurfaceEvaluator::RecordInfluences(KSurfaceInfluenceTable& ioTable, int pUSamples,
                                         int pVSamples) const
{
    const int lFu = mU.mFunctions;
    const int lFv = mV.mFunctions;
    const double* lWeights = GetWeights();
    for (int lV = 0; lV < pVSamples; ++lV) {
        for (int lU = 0; lU < pUSamples; ++lU) {
            const int lSample = lV * pUSamples + lU;
            for (int j = 0; j < lFv; ++j) {
                const int lRow = PointIndex(mV, mV.mFirst[static_cast<size_t>(lV)], j);
                for (int i = 0; i < lFu; ++i) {
                    const int lIndex =
                        lRow * mU.mCount + PointIndex(mU, mU.mFirst[static_cast<size_t>(lU)], i);
                    double lProduct = mU.mValues[static_cast<size_t>(lU * lFu + i)] *
                                      mV.mValues[static_cast<size_t>(lV * lFv + j)];
                    if (lWeights != nullptr) {
                        lProduct *= lWeights[lIndex];
                    }
                    if (lProduct != 0.0) {
                        ioTable.Add(lIndex, lSample, lProduct);
                    }
                }
            }
        }
    }
}
