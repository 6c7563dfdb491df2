#include "animation/KFCurveFilterMatrixConverter.h"

#include "animation/KEulerUnroll.h"
#include "animation/KFCurveFilterConstantKeyReducer.h"
#include "animation/KFCurveFilterResample.h"
#include "animation/KFCurveFilterUnroll.h"
#include "animation/KFCurveNode.h"
#include "core/KMatrixFunctions.h"

#include <cmath>

namespace {

const char* const kMessages[KFCurveFilterMatrixConverter::eErrorCount] = {
    "MatrixConverter, No key were changed by filter.",
    "MatrixConverter, Missing curve.",
    "MatrixConverter, The resampling period must be above zero.",
    "MatrixConverter, Matrix index out of range.",
    "MatrixConverter, Matrix cannot be inverted.",
    "MatrixConverter, Unknown rotation order.",
    "MatrixConverter, Too many samples for the resampling period.",
    "MatrixConverter, Matrices 9 and 10 are shared and set on the source side only.",
    "MatrixConverter, Needs a curve node.",
    "MatrixConverter, Curve is inside a key set.",
};

constexpr double kIdentityTolerance = 1e-6;
// Below this determinant a matrix is taken as singular.
constexpr double kSingular = 1e-12;
// Below this axis length the scaling is degenerate and the rotation cannot be read back.
constexpr double kZeroScale = 1e-12;

// An affine transform in row-vector form: p -> p * mL + mT.
struct Affine
{
    double mL[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    double mT[3] = {0, 0, 0};
};

Affine FromMatrix(const KMatrix& pMatrix)
{
    Affine lResult;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            lResult.mL[r][c] = pMatrix[r][c];
        }
        lResult.mT[r] = pMatrix[3][r];
    }
    return lResult;
}

KMatrix ToMatrix(const Affine& pAffine)
{
    KMatrix lResult;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            lResult[r][c] = pAffine.mL[r][c];
        }
        lResult[3][r] = pAffine.mT[r];
    }
    return lResult;
}

// pFirst applied first, then pSecond.
Affine operator*(const Affine& pFirst, const Affine& pSecond)
{
    Affine lResult;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            lResult.mL[r][c] = pFirst.mL[r][0] * pSecond.mL[0][c] +
                               pFirst.mL[r][1] * pSecond.mL[1][c] +
                               pFirst.mL[r][2] * pSecond.mL[2][c];
        }
    }
    for (int c = 0; c < 3; ++c) {
        lResult.mT[c] = pFirst.mT[0] * pSecond.mL[0][c] + pFirst.mT[1] * pSecond.mL[1][c] +
                        pFirst.mT[2] * pSecond.mL[2][c] + pSecond.mT[c];
    }
    return lResult;
}

double Determinant(const Affine& pA)
{
    const double(&m)[3][3] = pA.mL;
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
           m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

bool IsInvertible(const Affine& pA)
{
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            if (!std::isfinite(pA.mL[r][c])) {
                return false;
            }
        }
        if (!std::isfinite(pA.mT[r])) {
            return false;
        }
    }
    return std::fabs(Determinant(pA)) > kSingular;
}

// The general inverse (any invertible linear part, not only orthogonal axes). Callers only pass
// products of matrices checked by IsInvertible.
Affine Inverse(const Affine& pA)
{
    const double(&m)[3][3] = pA.mL;
    const double lInverseDeterminant = 1.0 / Determinant(pA);
    Affine lResult;
    lResult.mL[0][0] = (m[1][1] * m[2][2] - m[1][2] * m[2][1]) * lInverseDeterminant;
    lResult.mL[0][1] = (m[0][2] * m[2][1] - m[0][1] * m[2][2]) * lInverseDeterminant;
    lResult.mL[0][2] = (m[0][1] * m[1][2] - m[0][2] * m[1][1]) * lInverseDeterminant;
    lResult.mL[1][0] = (m[1][2] * m[2][0] - m[1][0] * m[2][2]) * lInverseDeterminant;
    lResult.mL[1][1] = (m[0][0] * m[2][2] - m[0][2] * m[2][0]) * lInverseDeterminant;
    lResult.mL[1][2] = (m[0][2] * m[1][0] - m[0][0] * m[1][2]) * lInverseDeterminant;
    lResult.mL[2][0] = (m[1][0] * m[2][1] - m[1][1] * m[2][0]) * lInverseDeterminant;
    lResult.mL[2][1] = (m[0][1] * m[2][0] - m[0][0] * m[2][1]) * lInverseDeterminant;
    lResult.mL[2][2] = (m[0][0] * m[1][1] - m[0][1] * m[1][0]) * lInverseDeterminant;
    for (int c = 0; c < 3; ++c) {
        lResult.mT[c] = -(pA.mT[0] * lResult.mL[0][c] + pA.mT[1] * lResult.mL[1][c] +
                          pA.mT[2] * lResult.mL[2][c]);
    }
    return lResult;
}

Affine LinearPart(const Affine& pA)
{
    Affine lResult = pA;
    lResult.mT[0] = lResult.mT[1] = lResult.mT[2] = 0.0;
    return lResult;
}

Affine Translation(const KVector4& pT)
{
    Affine lResult;
    for (int i = 0; i < 3; ++i) {
        lResult.mT[i] = pT[i];
    }
    return lResult;
}

Affine Scaling(const KVector4& pS)
{
    Affine lResult;
    for (int i = 0; i < 3; ++i) {
        lResult.mL[i][i] = pS[i];
    }
    return lResult;
}

Affine Rotation(const KVector4& pAngles, int pOrder)
{
    KMatrix lMatrix;
    KEulerUnroll::ToMatrix(lMatrix, pAngles, pOrder);
    return FromMatrix(lMatrix);
}

int CommonOrder(int pOrder)
{
    return pOrder == KEulerUnroll::kSphericOrder ? 0 : pOrder;
}

// One side's matrices grouped around the curves: L = P S Q R N T W.
struct Side
{
    Affine mP;
    Affine mQ;
    Affine mN;
    Affine mW;
    int mOrder;

    Side(const KMatrix* pM, const KMatrix* pShared, int pOrder) : mOrder(pOrder)
    {
        const auto M = [pM](int i) { return FromMatrix(pM[i]); };
        const Affine lF9 = FromMatrix(pShared[KFCurveFilterMatrixConverter::ePreRotationFrame]);
        const Affine lF10 =
            FromMatrix(pShared[KFCurveFilterMatrixConverter::eInversePostRotationFrame]);
        mP = M(1) * Inverse(M(12)) * Inverse(M(2));
        mQ = M(2) * M(12) * M(8) * Inverse(M(11)) * lF10 * M(4) * Inverse(M(6));
        mN = M(6) * M(3) * lF9 * M(11) * M(0) * Inverse(M(5));
        mW = M(5) * M(7);
    }

    Affine Local(const KVector4& pT, const KVector4& pR, const KVector4& pS) const
    {
        return mP * Scaling(pS) * mQ * Rotation(pR, mOrder) * mN * Translation(pT) * mW;
    }
};

// The destination side with the inverses its solving needs.
struct Solver
{
    const Side& mSide;
    Affine mInverseP;
    Affine mInverseW;
    Affine mInverseLinearN;
    Affine mInverseLinearQ;

    explicit Solver(const Side& pSide)
        : mSide(pSide), mInverseP(Inverse(pSide.mP)), mInverseW(Inverse(pSide.mW)),
          mInverseLinearN(Inverse(LinearPart(pSide.mN))),
          mInverseLinearQ(Inverse(LinearPart(pSide.mQ)))
    {
    }

    // The T, R, S giving pLocal, with R nearest pReference.
    void Solve(const Affine& pLocal, const KVector4& pReference, KVector4& pT, KVector4& pR,
               KVector4& pS) const
    {
        const Affine lZ = mInverseP * pLocal * mInverseW;
        // lZ = S (Q R) N T, so the linear part times N^-1 is S times a rotation whose rows are
        // the unit axes: the scaling is their lengths, negated together for a mirror.
        Affine lY = LinearPart(lZ) * mInverseLinearN;
        const double lSign = Determinant(lY) < 0.0 ? -1.0 : 1.0;
        bool lDegenerate = false;
        for (int r = 0; r < 3; ++r) {
            const double lLength = std::sqrt(lY.mL[r][0] * lY.mL[r][0] + lY.mL[r][1] * lY.mL[r][1] +
                                             lY.mL[r][2] * lY.mL[r][2]);
            pS[r] = lSign * lLength;
            if (lLength <= kZeroScale || !std::isfinite(lLength)) {
                lDegenerate = true;
                continue;
            }
            for (int c = 0; c < 3; ++c) {
                lY.mL[r][c] /= pS[r];
            }
        }
        pR = pReference;
        if (!lDegenerate) {
            KVector4 lAngles;
            if (KEulerUnroll::FromMatrix(lAngles, ToMatrix(mInverseLinearQ * lY), mSide.mOrder)) {
                KEulerUnroll::Unroll(lAngles, pReference, mSide.mOrder, true);
                pR = lAngles;
            }
        }
        const Affine lRest = Scaling(pS) * mSide.mQ * Rotation(pR, mSide.mOrder) * mSide.mN;
        for (int i = 0; i < 3; ++i) {
            pT[i] = lZ.mT[i] - lRest.mT[i];
        }
    }
};

// Holds the events of a group's curves while the conversion and the filters after it run, so
// each curve reports one change.
class KeyModifyBatch
{
public:
    KeyModifyBatch(KFCurve* const* pCurves, int pCount) : mCurves(pCurves), mCount(pCount)
    {
        for (int i = 0; i < mCount; ++i) {
            mCurves[i]->BeginKeyModify();
        }
    }
    KeyModifyBatch(const KeyModifyBatch&) = delete;
    KeyModifyBatch& operator=(const KeyModifyBatch&) = delete;
    ~KeyModifyBatch()
    {
        for (int i = 0; i < mCount; ++i) {
            mCurves[i]->EndKeyModify();
        }
    }

private:
    KFCurve* const* mCurves;
    int mCount;
};

void ChannelGroupsBelow(KFCurveNode& pNode, std::vector<KFCurveNode*>& pOwners)
{
    for (const char* lStep : {"T", "R", "S"}) {
        const KFCurveNode* lChannel = pNode.FindChild(lStep);
        if (lChannel != nullptr && lChannel->GetParent() == &pNode) {
            pOwners.push_back(&pNode);
            break;
        }
    }
    // Channel trees are depth-capped by KFCurveNode, so this recursion is bounded.
    for (int i = 0; i < pNode.GetCount(); ++i) {
        if (KFCurveNode* lChild = pNode.Get(i)) {
            ChannelGroupsBelow(*lChild, pOwners);
        }
    }
}

} // namespace

KFCurveFilterMatrixConverter::KFCurveFilterMatrixConverter()
    : KFCurveFilter("MatrixConverter", kMessages, eErrorCount)
{
    for (int i = 0; i < eMatrixCount; ++i) {
        mSourceIdentity[i] = true;
        mDestIdentity[i] = true;
    }
}

bool KFCurveFilterMatrixConverter::SetMatrix(KMatrix* pSet, bool* pIdentity, int pIndex,
                                             const KMatrix& pMatrix)
{
    if (pIndex < 0 || pIndex >= eMatrixCount) {
        return Fail(eBadMatrixIndex);
    }
    if (!IsInvertible(FromMatrix(pMatrix))) {
        return Fail(eSingularMatrix);
    }
    pSet[pIndex] = ToMatrix(FromMatrix(pMatrix));
    pIdentity[pIndex] = MatrixCompare(pSet[pIndex], KMatrix(), kIdentityTolerance) == 0;
    return true;
}

bool KFCurveFilterMatrixConverter::SetSourceMatrix(int pIndex, const KMatrix& pMatrix)
{
    return SetMatrix(mSource, mSourceIdentity, pIndex, pMatrix);
}

bool KFCurveFilterMatrixConverter::SetDestMatrix(int pIndex, const KMatrix& pMatrix)
{
    if (pIndex == ePreRotationFrame || pIndex == eInversePostRotationFrame) {
        return Fail(eSharedMatrix);
    }
    return SetMatrix(mDest, mDestIdentity, pIndex, pMatrix);
}

const KMatrix& KFCurveFilterMatrixConverter::GetSourceMatrix(int pIndex) const
{
    static const KMatrix kIdentity;
    return pIndex >= 0 && pIndex < eMatrixCount ? mSource[pIndex] : kIdentity;
}

const KMatrix& KFCurveFilterMatrixConverter::GetDestMatrix(int pIndex) const
{
    static const KMatrix kIdentity;
    return pIndex >= 0 && pIndex < eMatrixCount ? mDest[pIndex] : kIdentity;
}

bool KFCurveFilterMatrixConverter::IsSourceMatrixIdentity(int pIndex) const
{
    return pIndex < 0 || pIndex >= eMatrixCount || mSourceIdentity[pIndex];
}

bool KFCurveFilterMatrixConverter::IsDestMatrixIdentity(int pIndex) const
{
    return pIndex < 0 || pIndex >= eMatrixCount || mDestIdentity[pIndex];
}

bool KFCurveFilterMatrixConverter::SetResamplingPeriod(KTime pPeriod)
{
    if (pPeriod.Get() <= 0) {
        return Fail(eBadPeriod);
    }
    mPeriod = pPeriod;
    return true;
}

bool KFCurveFilterMatrixConverter::SetSourceRotationOrder(int pOrder)
{
    if (!KEulerUnroll::IsValidOrder(pOrder)) {
        return Fail(eBadRotationOrder);
    }
    mSourceOrder = pOrder;
    return true;
}

bool KFCurveFilterMatrixConverter::SetTargetRotationOrder(int pOrder)
{
    if (!KEulerUnroll::IsValidOrder(pOrder)) {
        return Fail(eBadRotationOrder);
    }
    mTargetOrder = pOrder;
    return true;
}

void KFCurveFilterMatrixConverter::ComputeLocalMatrix(KMatrix& pDst, bool pDestination,
                                                      const KVector4& pT, const KVector4& pR,
                                                      const KVector4& pS) const
{
    const Side lSide(pDestination ? mDest : mSource, mSource,
                     pDestination ? mTargetOrder : mSourceOrder);
    pDst = ToMatrix(lSide.Local(pT, pR, pS));
}

bool KFCurveFilterMatrixConverter::SetsAreEqual() const
{
    if (CommonOrder(mSourceOrder) != CommonOrder(mTargetOrder)) {
        return false;
    }
    for (int i = 0; i < eMatrixCount; ++i) {
        // The shared frame is the same on both sides by definition.
        if (i != ePreRotationFrame && i != eInversePostRotationFrame &&
            MatrixCompare(mSource[i], mDest[i], kIdentityTolerance) != 0) {
            return false;
        }
    }
    return true;
}

bool KFCurveFilterMatrixConverter::Apply(KFCurve** /*pCurves*/, int /*pCount*/)
{
    ClearError();
    return Fail(eNeedsNode);
}

bool KFCurveFilterMatrixConverter::Apply(KFCurveNode& pNode, bool pRecursive)
{
    ClearError();
    if (SetsAreEqual()) {
        return Fail(eNoKeyChanged);
    }
    if (mPeriod.Get() <= 0) {
        return Fail(eBadPeriod);
    }
    std::vector<KFCurveNode*> lOwners;
    if (pRecursive) {
        ChannelGroupsBelow(pNode, lOwners);
    } else {
        for (const char* lStep : {"T", "R", "S"}) {
            const KFCurveNode* lChannel = pNode.FindChild(lStep);
            if (lChannel != nullptr && lChannel->GetParent() != nullptr) {
                lOwners.push_back(lChannel->GetParent());
                break;
            }
        }
    }
    if (lOwners.empty()) {
        return Fail(eMissingCurve);
    }
    int lError = -1;
    for (KFCurveNode* lOwner : lOwners) {
        const int lResult = ConvertGroup(*lOwner);
        lError = lResult >= 0 ? lResult : lError;
    }
    return lError < 0 || Fail(lError);
}

int KFCurveFilterMatrixConverter::ConvertGroup(KFCurveNode& pOwner)
{
    KFCurve* lCurves[9];
    KFCurveNode::GetTRSCurves(&pOwner, lCurves, lCurves + 3, lCurves + 6);
    for (KFCurve* lCurve : lCurves) {
        if (lCurve == nullptr) {
            return eMissingCurve;
        }
    }
    const KeyModifyBatch lBatch(lCurves, 9);
    KTime lStart;
    KTime lStop;
    std::vector<KTime> lTimes;
    const bool lKeyed = GetKeySpan(lCurves, 9, GetStartTime(), GetStopTime(), lStart, lStop);
    if (lKeyed && !MakeSampleTimes(lStart, lStop, mPeriod, mLastKeyAtEndTime, lTimes)) {
        return eTooManyKeys;
    }

    const Side lSource(mSource, mSource, mSourceOrder);
    const Side lTarget(mDest, mSource, mTargetOrder);
    const Solver lSolver(lTarget);
    const auto lConvert = [&](const double* pValues, const KVector4& pReference, KVector4& pT,
                              KVector4& pR, KVector4& pS) {
        const KVector4 lT(pValues[0], pValues[1], pValues[2]);
        const KVector4 lR(pValues[3], pValues[4], pValues[5]);
        const KVector4 lS(pValues[6], pValues[7], pValues[8]);
        lSolver.Solve(lSource.Local(lT, lR, lS), pReference, pT, pR, pS);
    };

    // Only the replaced curves get new keys: "T" (indices 0 to 2) only with translation.
    const int lFirstReplaced = mConvertTranslation ? 0 : 3;
    std::vector<KFCurveKey> lSamples[9];
    for (int c = lFirstReplaced; c < 9; ++c) {
        lSamples[c].resize(lTimes.size());
    }
    int lHints[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0};
    double lValues[9];
    KVector4 lReference;
    for (std::size_t s = 0; s < lTimes.size(); ++s) {
        for (int c = 0; c < 9; ++c) {
            lValues[c] = lCurves[c]->Evaluate(lTimes[s], &lHints[c]);
        }
        if (s == 0) {
            lReference.Set(lValues[3], lValues[4], lValues[5]);
        }
        KVector4 lT;
        KVector4 lS;
        lConvert(lValues, lReference, lT, lReference, lS);
        const KVector4* lGroups[3] = {&lT, &lReference, &lS};
        for (int c = lFirstReplaced; c < 9; ++c) {
            lSamples[c][s].Set(lTimes[s], ToKeyValue((*lGroups[c / 3])[c % 3]));
        }
    }

    for (int c = 0; c < 9; ++c) {
        lValues[c] = lCurves[c]->GetDefaultValue();
    }
    KVector4 lDefaults[3];
    lConvert(lValues, KVector4(lValues[3], lValues[4], lValues[5]), lDefaults[0], lDefaults[1],
             lDefaults[2]);

    for (int c = lFirstReplaced; c < 9; ++c) {
        KFCurve& lCurve = *lCurves[c];
        lCurve.SetDefaultValue(ToKeyValue(lDefaults[c / 3][c % 3]));
        if (lKeyed && !ReplaceKeys(lCurve, SpliceKeys(lCurve, lStart, lStop, lSamples[c]))) {
            return eCurveBusy;
        }
    }
    if (!lKeyed) {
        return -1;
    }
    if (mApplyUnroll) {
        KFCurveFilterUnroll lUnroll;
        lUnroll.SetTestForPath(true);
        lUnroll.SetRotationOrder(mTargetOrder);
        lUnroll.SetStartTime(lStart);
        lUnroll.SetStopTime(lStop);
        lUnroll.Apply(lCurves + 3, 3);
    }
    if (mApplyResample) {
        KFCurveFilterResample lResample;
        lResample.SetPeriod(mPeriod);
        lResample.SetGenerateLastKeyAtEndTime(mLastKeyAtEndTime);
        lResample.SetStartTime(lStart);
        lResample.SetStopTime(lStop);
        lResample.Apply(lCurves + 3, 3);
    }
    if (mApplyConstantKeyReducer) {
        KFCurveFilterConstantKeyReducer lReducer;
        lReducer.SetKeepFirstAndLastKeys(true);
        lReducer.SetStartTime(lStart);
        lReducer.SetStopTime(lStop);
        lReducer.Apply(lCurves + lFirstReplaced, 9 - lFirstReplaced);
    }
    return -1;
}
