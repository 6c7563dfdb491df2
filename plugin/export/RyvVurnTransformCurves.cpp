#include "plugin/export/RyvVurnTransformCurves.h"

#include "animation/KEulerUnroll.h"
#include "animation/KFCurveFilterMatrixConverter.h"
#include "animation/KRyvTakeNode.h"
#include "core/KAffineMatrix.h"
#include "core/KMatrixFunctions.h"
#include "plugin/import/KPivotCurves.h"
#include "scene/KRyvNode.h"

#include <array>
#include <cmath>
#include <vector>

namespace {
using Converter = KFCurveFilterMatrixConverter;

KMatrix Translation(const KVector4& pVector)
{
    KMatrix lMatrix;
    for (int lAxis = 0; lAxis < 3; ++lAxis) {
        lMatrix.Set(3, lAxis, pVector[lAxis]);
    }
    return lMatrix;
}

// The node's pivots on both sides, so that the converted curves keep working through them.
void SetPivots(Converter& ioConverter, const KRyvPivotSet& pSet)
{
    if (pSet.mPivotState != KRyvPivotSet::kPivotActive) {
        return;
    }
    const struct
    {
        int mIndex;
        const KVector4& mVector;
    } lPoints[] = {{Converter::eRotationOffset, pSet.mRotationOffset},
                   {Converter::eScalingOffset, pSet.mScalingOffset},
                   {Converter::eRotationPivot, pSet.mRotationPivot},
                   {Converter::eScalingPivot, pSet.mScalingPivot}};
    for (const auto& lPoint : lPoints) {
        ioConverter.SetSourceMatrix(lPoint.mIndex, Translation(lPoint.mVector));
        ioConverter.SetDestMatrix(lPoint.mIndex, Translation(lPoint.mVector));
    }
    KMatrix lPostInverse;
    MatrixTranspose3x3(lPostInverse, KMatrix(pSet.mPostRotation));
    ioConverter.SetSourceMatrix(Converter::ePreRotationFrame, KMatrix(pSet.mPreRotation));
    ioConverter.SetSourceMatrix(Converter::eInversePostRotationFrame, lPostInverse);
}

// The translation of the local transform that pSet's pivots and offsets give to rotation pR and
// scaling pS, with no translation of its own.
KVector4 PivotTranslation(const KRyvPivotSet& pSet, const KVector4& pR, const KVector4& pS)
{
    const KMatrix lLocal = PivotModelMatrix(pSet, KVector4(), pR, pS);
    return KVector4(lLocal.Get(3, 0), lLocal.Get(3, 1), lLocal.Get(3, 2));
}

// Translation, rotation and scaling that give pLocal under pSet's pivot model, the rotation
// nearest pNearR and each scaling of the sign of pNearS: ioValues[T, R, S] in, solved out. The
// linear part of the model is S Post^-1 R Pre, so the scaling is the length of pLocal's axes.
void SolveLocal(const KRyvPivotSet& pSet, const KMatrix& pLocal, KVector4 ioValues[3])
{
    const bool lOn = pSet.mPivotState == KRyvPivotSet::kPivotActive;
    const KMatrix lPre(lOn ? pSet.mPreRotation : KVector4());
    const KMatrix lPost(lOn ? pSet.mPostRotation : KVector4());
    KMatrix lTurn;
    for (int lRow = 0; lRow < 3; ++lRow) {
        const double lLength = std::sqrt(pLocal.Get(lRow, 0) * pLocal.Get(lRow, 0) +
                                         pLocal.Get(lRow, 1) * pLocal.Get(lRow, 1) +
                                         pLocal.Get(lRow, 2) * pLocal.Get(lRow, 2));
        const double lScale = ioValues[2][lRow] < 0.0 ? -lLength : lLength;
        ioValues[2][lRow] = lScale;
        for (int lColumn = 0; lColumn < 3; ++lColumn) {
            lTurn.Set(lRow, lColumn, lScale == 0.0 ? 0.0 : pLocal.Get(lRow, lColumn) / lScale);
        }
    }
    // R = Post Q Pre^-1 for Q = Post^-1 R Pre, the solution nearest the rotation given.
    KMatrix lRotation;
    MatrixMultiply3x3(lRotation, lTurn, lPost);
    MatrixMultiplyTranspose3x3(lRotation, lPre, lRotation);
    const int lOrder = 2 * pSet.mRotationOrder;
    KVector4 lAngles;
    KEulerUnroll::FromMatrix(lAngles, lRotation, lOrder);
    KEulerUnroll::Unroll(lAngles, ioValues[1], lOrder);
    ioValues[1] = lAngles;
    const KMatrix lRest = PivotModelMatrix(pSet, KVector4(), ioValues[1], ioValues[2]);
    for (int lAxis = 0; lAxis < 3; ++lAxis) {
        ioValues[0][lAxis] = pLocal.Get(3, lAxis) - lRest.Get(3, lAxis);
    }
}

// Whether all nine transform curves pCurves ([T, R, S][x, y, z]) exist.
bool HasAllCurves(KFCurve* const pCurves[3][3])
{
    for (int lKind = 0; lKind < 3; ++lKind) {
        if (!pCurves[lKind][0] || !pCurves[lKind][1] || !pCurves[lKind][2]) {
            return false;
        }
    }
    return true;
}

// The times of every key of pOthers and of the nine transform curves pCurves, and of every frame
// at pRate between (KeyAndFrameTimes, which sets ioCut).
std::vector<KTime> SampleTimes(KFCurve* const pCurves[3][3], std::vector<const KFCurve*> pOthers,
                               double pRate, bool& ioCut)
{
    for (int lKind = 0; lKind < 3; ++lKind) {
        pOthers.insert(pOthers.end(), pCurves[lKind], pCurves[lKind] + 3);
    }
    return KeyAndFrameTimes(pOthers, PeriodOf(pRate), ioCut);
}

// The x, y, z of pSamples at pTimes become the only keys of pCurves.
void WriteSamples(KFCurve* const pCurves[3], const std::vector<KTime>& pTimes,
                  const std::vector<KVector4>& pSamples)
{
    for (int lAxis = 0; lAxis < 3; ++lAxis) {
        KFCurve& lCurve = *pCurves[lAxis];
        lCurve.KeyClear();
        for (size_t lIndex = 0; lIndex < pTimes.size(); ++lIndex) {
            lCurve.KeyAdd(pTimes[lIndex], static_cast<float>(pSamples[lIndex][lAxis]));
        }
    }
}

// Every key value, the default and the slopes of ioCurve times pFactor: the same curve shape,
// scaled.
void ScaleCurve(KFCurve& ioCurve, double pFactor)
{
    const int lCount = ioCurve.GetKeyCount();
    std::vector<double> lLeft;
    std::vector<double> lRight;
    for (int lKey = 0; lKey < lCount; ++lKey) {
        lLeft.push_back(ioCurve.GetKeyLeftDerivative(lKey));
        lRight.push_back(ioCurve.GetKeyRightDerivative(lKey));
    }
    ioCurve.BeginKeyModify();
    ioCurve.SetDefaultValue(static_cast<float>(ioCurve.GetDefaultValue() * pFactor));
    for (int lKey = 0; lKey < lCount; ++lKey) {
        ioCurve.KeySetValue(lKey, static_cast<float>(ioCurve.KeyGetValue(lKey) * pFactor));
    }
    // Auto tangents follow the values; the setters refuse the sides that have no slope of
    // their own (linear, constant, a first or last key), which need none.
    for (int lKey = 0; lKey < lCount; ++lKey) {
        ioCurve.SetKeyRightDerivative(lKey, lRight[static_cast<size_t>(lKey)] * pFactor);
        ioCurve.SetKeyLeftDerivative(lKey, lLeft[static_cast<size_t>(lKey)] * pFactor);
    }
    ioCurve.EndKeyModify();
}

// The curves of ioNode's first pTakeCount takes (as many as it has) converted by ioConverter,
// set up with the node's pivots and rotation order.
void ApplyTransform(KRyvNode& ioNode, Converter& ioConverter, double pRate, int pTakeCount)
{
    ioConverter.SetResamplingPeriod(PeriodOf(pRate));
    ioConverter.SetGenerateLastKeyAtEndTime(true);
    ioConverter.SetApplyUnrollFilter(false);
    ioConverter.SetConvertTranslation(true);
    ioConverter.SetApplyConstantKeyReducer(true);
    const KRyvPivotSet& lSet = *ioNode.GetPivotSet(0);
    SetPivots(ioConverter, lSet);
    // The converter numbers orders twice as the node does.
    ioConverter.SetSourceRotationOrder(2 * lSet.mRotationOrder);
    ioConverter.SetTargetRotationOrder(2 * lSet.mRotationOrder);
    for (int lTake = 0; lTake < pTakeCount && lTake < ioNode.GetTakeNodeCount(); ++lTake) {
        ioConverter.Apply(*ioNode.GetTakeNode(lTake)->GetKFCurveNode(), false);
    }
    ioNode.InvalidateMatrixCaches(true);
}

// ioNode's curves, in every take, converted with pTransform as the source matrix pIndex.
bool ApplyTransform(KRyvNode& ioNode, int pIndex, const KMatrix& pTransform, double pRate)
{
    Converter lConverter;
    if (!lConverter.SetSourceMatrix(pIndex, pTransform)) {
        return false;
    }
    ApplyTransform(ioNode, lConverter, pRate, ioNode.GetTakeNodeCount());
    return true;
}
} // namespace

KTime PeriodOf(double pRate)
{
    KTime lPeriod;
    lPeriod.SetSecondDouble(1.0 / pRate);
    return lPeriod;
}

KVector4 ValueAt(const KFCurve* const pCurves[3], KTime pTime)
{
    KVector4 lValue;
    for (int lAxis = 0; lAxis < 3; ++lAxis) {
        lValue[lAxis] = pCurves[lAxis]->GetKeyCount() > 0 ? pCurves[lAxis]->Evaluate(pTime)
                                                          : pCurves[lAxis]->GetDefaultValue();
    }
    return lValue;
}

bool ApplyParentTransform(KRyvNode& ioNode, const KMatrix& pTransform, double pRate)
{
    return ApplyTransform(ioNode, Converter::eParentTransform, pTransform, pRate);
}

bool ApplyContentTransform(KRyvNode& ioNode, const KMatrix& pTransform, double pRate)
{
    return ApplyTransform(ioNode, Converter::eContentTransform, pTransform, pRate);
}

void ResampleScalingOffset(KPivotCurves& ioPivots, const KRyvPivotSet& pSet, int pWith,
                           double pRate,
                           const std::function<KVector4(const KRyvPivotSet&)>& pOffset)
{
    std::vector<const KFCurve*> lMoving;
    for (const int lPivot : {pWith, int(KPivotCurves::eScalingOffset)}) {
        for (int lAxis = 0; lAxis < 3; ++lAxis) {
            lMoving.push_back(&ioPivots.GetCurve(lPivot, lAxis));
        }
    }
    bool lCut = false;
    const std::vector<KTime> lTimes = KeyAndFrameTimes(lMoving, PeriodOf(pRate), lCut);
    std::vector<KVector4> lOffsets;
    for (const KTime lTime : lTimes) {
        lOffsets.push_back(pOffset(ioPivots.At(pSet, lTime)));
    }
    KFCurve* const lCurves[3] = {&ioPivots.GetCurve(KPivotCurves::eScalingOffset, 0),
                                 &ioPivots.GetCurve(KPivotCurves::eScalingOffset, 1),
                                 &ioPivots.GetCurve(KPivotCurves::eScalingOffset, 2)};
    if (!lTimes.empty()) {
        WriteSamples(lCurves, lTimes, lOffsets);
    }
}

void ScalePivotModel(KRyvNode& ioNode, double pScale, KPivotCurves* ioPivots, double pRate)
{
    // L S = [-Sp] (s S) [Sp] [(s - 1) Sp + s So] [-s Rp] Post^-1 R Pre [s Rp] [s Ro] [s T] for a
    // uniform s, which commutes with every rotation and scaling of the model.
    for (int lTake = 0; lTake < ioNode.GetTakeNodeCount(); ++lTake) {
        KFCurve* lCurves[3][3];
        KRyvNode::FindTransformCurves(ioNode.GetTakeNode(lTake), lCurves);
        for (const int lKind : {0, 2}) {
            for (KFCurve* lCurve : lCurves[lKind]) {
                if (lCurve) {
                    ScaleCurve(*lCurve, pScale);
                }
            }
        }
    }
    KRyvPivotSet& lSet = *ioNode.GetPivotSet(0);
    const KRyvPivotSet lStill = lSet;
    if (ioPivots) {
        ResampleScalingOffset(*ioPivots, lStill, KPivotCurves::eScalingPivot, pRate,
                              [pScale](const KRyvPivotSet& pAt) {
                                  KVector4 lOffset;
                                  for (int lAxis = 0; lAxis < 3; ++lAxis) {
                                      lOffset[lAxis] = (pScale - 1.0) * pAt.mScalingPivot[lAxis] +
                                                       pScale * pAt.mScalingOffset[lAxis];
                                  }
                                  return lOffset;
                              });
        for (const int lPivot : {KPivotCurves::eRotationPivot, KPivotCurves::eRotationOffset}) {
            for (int lAxis = 0; lAxis < 3; ++lAxis) {
                ScaleCurve(ioPivots->GetCurve(lPivot, lAxis), pScale);
            }
        }
    }
    for (int lAxis = 0; lAxis < 3; ++lAxis) {
        lSet.mRotationPivot[lAxis] *= pScale;
        lSet.mRotationOffset[lAxis] *= pScale;
        lSet.mScalingOffset[lAxis] =
            (pScale - 1.0) * lStill.mScalingPivot[lAxis] + pScale * lStill.mScalingOffset[lAxis];
    }
    ioNode.InvalidateMatrixCaches(true);
}

KMatrix PivotModelMatrix(const KRyvPivotSet& pSet, const KVector4& pT, const KVector4& pR,
                         const KVector4& pS)
{
    Converter lConverter;
    SetPivots(lConverter, pSet);
    lConverter.SetSourceRotationOrder(2 * pSet.mRotationOrder);
    KMatrix lLocal;
    lConverter.ComputeLocalMatrix(lLocal, false, pT, pR, pS);
    return lLocal;
}

bool ApplyParentTransformOverTime(KRyvNode& ioNode, const KMatrix& pAtRest,
                                  const std::function<KMatrix(KTime)>& pAt,
                                  const std::vector<const KFCurve*>& pDriving, double pRate)
{
    KFCurve* lCurves[3][3];
    KRyvTakeNode* lTake = ioNode.GetCurrentTakeNode();
    const bool lOther = ioNode.GetCurrentTakeNodeIndex() > 0;
    KRyvNode::FindTransformCurves(lTake, lCurves);
    if (lOther && !HasAllCurves(lCurves)) {
        return false;
    }
    Converter lRest;
    if (!lRest.SetSourceMatrix(Converter::eParentTransform, pAtRest)) {
        return false;
    }
    ApplyTransform(ioNode, lRest, pRate, 1);
    if (!lOther) {
        return true;
    }
    bool lCut = false;
    const std::vector<KTime> lTimes = SampleTimes(lCurves, pDriving, pRate, lCut);
    const KRyvPivotSet& lSet = *ioNode.GetPivotSet(0);
    std::vector<KVector4> lSamples[3];
    for (const KTime lTime : lTimes) {
        std::array<KVector4, 3> lValues;
        for (int lKind = 0; lKind < 3; ++lKind) {
            lValues[lKind] = ValueAt(lCurves[lKind], lTime);
        }
        const KMatrix lLocal = PivotModelMatrix(lSet, lValues[0], lValues[1], lValues[2]);
        SolveLocal(lSet, KAffineMatrix(lLocal) * KAffineMatrix(pAt(lTime)), lValues.data());
        for (int lKind = 0; lKind < 3; ++lKind) {
            lSamples[lKind].push_back(lValues[lKind]);
        }
    }
    for (int lKind = 0; lKind < 3; ++lKind) {
        WriteSamples(lCurves[lKind], lTimes, lSamples[lKind]);
    }
    ioNode.InvalidateMatrixCaches(true);
    return true;
}

bool KeepPivotAnimation(KRyvNode& ioNode, const KPivotCurves& pPivots, double pRate)
{
    KFCurve* lCurves[3][3];
    KRyvNode::FindTransformCurves(ioNode.GetCurrentTakeNode(), lCurves);
    if (!HasAllCurves(lCurves)) {
        return false;
    }
    bool lCut = false;
    const std::vector<KTime> lTimes = SampleTimes(lCurves, pPivots.Curves(), pRate, lCut);
    const KRyvPivotSet& lSet = *ioNode.GetPivotSet(0);
    std::vector<KVector4> lValues;
    for (const KTime lTime : lTimes) {
        const KVector4 lR = ValueAt(lCurves[1], lTime);
        const KVector4 lS = ValueAt(lCurves[2], lTime);
        KVector4 lT = ValueAt(lCurves[0], lTime);
        lT += PivotTranslation(pPivots.At(lSet, lTime), lR, lS);
        lValues.push_back(lT - PivotTranslation(lSet, lR, lS));
    }
    WriteSamples(lCurves[0], lTimes, lValues);
    ioNode.InvalidateMatrixCaches(true);
    return !lCut;
}
