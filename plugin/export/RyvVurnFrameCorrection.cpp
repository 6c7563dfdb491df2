#include "plugin/export/RyvVurnFrameCorrection.h"

#include "animation/KRyvTakeNode.h"
#include "core/KMatrixFunctions.h"
#include "plugin/export/RyvVurnTransformCurves.h"
#include "scene/KRyvNode.h"

namespace {
// Matrices of a correction that differ by less than this are the same.
constexpr double kSameTransform = 1e-9;

void ScalingCurves(KRyvTakeNode* pTake, const KFCurve* oCurves[3])
{
    oCurves[0] = pTake ? pTake->GetTransformSX() : nullptr;
    oCurves[1] = pTake ? pTake->GetTransformSY() : nullptr;
    oCurves[2] = pTake ? pTake->GetTransformSZ() : nullptr;
}
} // namespace

void RyvVurnFrameCorrection::Frame::Capture(KRyvNode& pNode, const KPivotCurves& pPivots)
{
    mSet = *pNode.GetPivotSet(0);
    mPivots = pPivots;
    const KFCurve* lRest[3];
    const KFCurve* lCurrent[3];
    ScalingCurves(pNode.GetDefaultTakeNode(), lRest);
    ScalingCurves(pNode.GetCurrentTakeNode(), lCurrent);
    for (int lAxis = 0; lAxis < 3; ++lAxis) {
        mRestScaling[lAxis] = lRest[lAxis] ? lRest[lAxis]->GetDefaultValue() : 1.0;
        mScaling[lAxis] = lCurrent[lAxis] ? *lCurrent[lAxis] : KFCurve();
        if (!lCurrent[lAxis]) {
            mScaling[lAxis].SetDefaultValue(1.0f);
        }
    }
}

KMatrix RyvVurnFrameCorrection::Frame::Local(KTime pTime) const
{
    const KFCurve* const lScaling[3] = {&mScaling[0], &mScaling[1], &mScaling[2]};
    return PivotModelMatrix(mPivots.At(mSet, pTime), KVector4(), KVector4(),
                            ValueAt(lScaling, pTime));
}

KMatrix RyvVurnFrameCorrection::Frame::RestLocal() const
{
    return PivotModelMatrix(mSet, KVector4(), KVector4(), mRestScaling);
}

void RyvVurnFrameCorrection::SetHostFrame(KRyvNode& pNode, const KPivotCurves& pPivots)
{
    mHost.Capture(pNode, pPivots);
}

void RyvVurnFrameCorrection::SetFileFrame(KRyvNode& pNode, const KPivotCurves& pPivots)
{
    mFile.Capture(pNode, pPivots);
}

KMatrix RyvVurnFrameCorrection::AtRest() const
{
    KMatrix lDifference;
    MatrixMultiplyInverseAffine(lDifference, mFile.RestLocal(), mHost.RestLocal());
    return lDifference;
}

KMatrix RyvVurnFrameCorrection::At(KTime pTime) const
{
    KMatrix lDifference;
    MatrixMultiplyInverseAffine(lDifference, mFile.Local(pTime), mHost.Local(pTime));
    return lDifference;
}

std::vector<const KFCurve*> RyvVurnFrameCorrection::Curves() const
{
    std::vector<const KFCurve*> lCurves;
    for (const Frame* lFrame : {&mHost, &mFile}) {
        const std::vector<const KFCurve*> lPivots = lFrame->mPivots.Curves();
        lCurves.insert(lCurves.end(), lPivots.begin(), lPivots.end());
        for (const KFCurve& lCurve : lFrame->mScaling) {
            lCurves.push_back(&lCurve);
        }
    }
    return lCurves;
}

bool RyvVurnFrameCorrection::IsAnimated(double pRate) const
{
    bool lCut = false;
    const KMatrix lRest = AtRest();
    for (const KTime lTime : KeyAndFrameTimes(Curves(), PeriodOf(pRate), lCut)) {
        if (MatrixCompare(At(lTime), lRest, kSameTransform) != 0) {
            return true;
        }
    }
    return false;
}
