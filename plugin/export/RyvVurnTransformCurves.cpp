#include "plugin/export/RyvVurnTransformCurves.h"

#include "animation/KFCurveFilterMatrixConverter.h"
#include "animation/KRyvTakeNode.h"
#include "core/KMatrixFunctions.h"
#include "plugin/import/KPivotCurves.h"
#include "scene/KRyvNode.h"

#include <iterator>
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
    Converter lConverter;
    SetPivots(lConverter, pSet);
    lConverter.SetSourceRotationOrder(2 * pSet.mRotationOrder);
    KMatrix lLocal;
    lConverter.ComputeLocalMatrix(lLocal, false, KVector4(), pR, pS);
    return KVector4(lLocal.Get(3, 0), lLocal.Get(3, 1), lLocal.Get(3, 2));
}

KVector4 ValueAt(KFCurve* const pCurves[3], KTime pTime)
{
    KVector4 lValue;
    for (int lAxis = 0; lAxis < 3; ++lAxis) {
        lValue[lAxis] = pCurves[lAxis]->GetKeyCount() > 0 ? pCurves[lAxis]->Evaluate(pTime)
                                                          : pCurves[lAxis]->GetDefaultValue();
    }
    return lValue;
}

KTime PeriodOf(double pRate)
{
    KTime lPeriod;
    lPeriod.SetSecondDouble(1.0 / pRate);
    return lPeriod;
}

// ioNode's curves converted with pTransform as the source matrix pIndex.
bool ApplyTransform(KRyvNode& ioNode, int pIndex, const KMatrix& pTransform, double pRate)
{
    Converter lConverter;
    if (!lConverter.SetSourceMatrix(pIndex, pTransform)) {
        return false;
    }
    const KTime lPeriod = PeriodOf(pRate);
    lConverter.SetResamplingPeriod(lPeriod);
    lConverter.SetGenerateLastKeyAtEndTime(true);
    lConverter.SetApplyUnrollFilter(false);
    lConverter.SetConvertTranslation(true);
    lConverter.SetApplyConstantKeyReducer(true);
    const KRyvPivotSet& lSet = *ioNode.GetPivotSet(0);
    SetPivots(lConverter, lSet);
    // The converter numbers orders twice as the node does.
    lConverter.SetSourceRotationOrder(2 * lSet.mRotationOrder);
    lConverter.SetTargetRotationOrder(2 * lSet.mRotationOrder);
    for (int lTake = 0; lTake < ioNode.GetTakeNodeCount(); ++lTake) {
        lConverter.Apply(*ioNode.GetTakeNode(lTake)->GetKFCurveNode(), false);
    }
    ioNode.InvalidateMatrixCaches(true);
    return true;
}
} // namespace

bool ApplyParentTransform(KRyvNode& ioNode, const KMatrix& pTransform, double pRate)
{
    return ApplyTransform(ioNode, Converter::eParentTransform, pTransform, pRate);
}

bool ApplyContentTransform(KRyvNode& ioNode, const KMatrix& pTransform, double pRate)
{
    return ApplyTransform(ioNode, Converter::eContentTransform, pTransform, pRate);
}

bool KeepPivotAnimation(KRyvNode& ioNode, const KPivotCurves& pPivots, double pRate)
{
    KFCurve* lCurves[3][3];
    KRyvNode::FindTransformCurves(ioNode.GetCurrentTakeNode(), lCurves);
    for (KFCurve* const(&lKind)[3] : lCurves) {
        if (!lKind[0] || !lKind[1] || !lKind[2]) {
            return false;
        }
    }
    std::vector<const KFCurve*> lKeyed = pPivots.Curves();
    for (KFCurve* const(&lKind)[3] : lCurves) {
        lKeyed.insert(lKeyed.end(), std::begin(lKind), std::end(lKind));
    }
    bool lCut = false;
    const std::vector<KTime> lTimes = KeyAndFrameTimes(lKeyed, PeriodOf(pRate), lCut);
    const KRyvPivotSet& lSet = *ioNode.GetPivotSet(0);
    std::vector<KVector4> lValues;
    for (const KTime lTime : lTimes) {
        const KVector4 lR = ValueAt(lCurves[1], lTime);
        const KVector4 lS = ValueAt(lCurves[2], lTime);
        KVector4 lT = ValueAt(lCurves[0], lTime);
        lT += PivotTranslation(pPivots.At(lSet, lTime), lR, lS);
        lValues.push_back(lT - PivotTranslation(lSet, lR, lS));
    }
    for (int lAxis = 0; lAxis < 3; ++lAxis) {
        KFCurve& lCurve = *lCurves[0][lAxis];
        lCurve.KeyClear();
        for (size_t lIndex = 0; lIndex < lTimes.size(); ++lIndex) {
            lCurve.KeyAdd(lTimes[lIndex], static_cast<float>(lValues[lIndex][lAxis]));
        }
    }
    ioNode.InvalidateMatrixCaches(true);
    return !lCut;
}
