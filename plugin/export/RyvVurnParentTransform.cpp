#include "plugin/export/RyvVurnParentTransform.h"

#include "animation/KFCurveFilterMatrixConverter.h"
#include "animation/KRyvTakeNode.h"
#include "core/KMatrixFunctions.h"
#include "scene/KRyvNode.h"

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
} // namespace

bool ApplyParentTransform(KRyvNode& ioNode, const KMatrix& pTransform, double pRate)
{
    Converter lConverter;
    if (!lConverter.SetSourceMatrix(Converter::eParentTransform, pTransform)) {
        return false;
    }
    KTime lPeriod;
    lPeriod.SetSecondDouble(1.0 / pRate);
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
