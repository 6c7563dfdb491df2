#include "plugin/export/RyvVurnTransformExport.h"

#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"
#include "core/KAffineMatrix.h"
#include "core/KMatrixFunctions.h"
#include "core/KRotationOrder.h"
#include "platform/vurn/MFnAnimCurve.h"
#include "platform/vurn/MFnTransform.h"
#include "plugin/export/RyvVurnCurveConversion.h"
#include "plugin/export/RyvVurnExporter.h"
#include "plugin/export/RyvVurnTransformCurves.h"
#include "plugin/import/KPivotCurves.h"
#include "plugin/shell/RyvVurnNodeHelpers.h"
#include "scene/objects/KRyvNodeLimits.h"

#include <string>

namespace {
constexpr double kRadiansToDegrees = 57.29577951308232;
constexpr double kHalfPi = 1.5707963267948966;

// Host limit types of the first axis' minimum, by kit kind (translation, rotation, scaling).
constexpr int kFirstLimitType[3] = {MFnTransform::kTranslateMinX, MFnTransform::kRotateMinX,
                                    MFnTransform::kScaleMinX};

// Kit rotation orders by host order 1 (XYZ) .. 6 (ZYX); -1 for none.
int KitOrderOf(int pHostOrder)
{
    static const int kOrders[7] = {-1,
                                   KRotationOrder::eEulerXYZ,
                                   KRotationOrder::eEulerYZX,
                                   KRotationOrder::eEulerZXY,
                                   KRotationOrder::eEulerXZY,
                                   KRotationOrder::eEulerYXZ,
                                   KRotationOrder::eEulerZYX};
    return pHostOrder >= 1 && pHostOrder <= 6 ? kOrders[pHostOrder] : -1;
}

template <class T> KVector4 Point(const T& pVector)
{
    return KVector4(pVector.x, pVector.y, pVector.z, 1.0);
}

// The transform of pNode's host path; false when there is none.
bool TransformOf(const RyvVurnNode* pNode, MFnTransform& oTransform)
{
    const MDagPath* lPath = pNode ? pNode->GetDagPath() : nullptr;
    return lPath && oTransform.setObject(lPath->transform());
}

void ExportLimitKind(const MFnTransform& pTransform, int pKind, KRyvNodeLimits& ioLimits)
{
    const double lFactor = pKind == KRyvNodeLimits::eRotation ? kRadiansToDegrees : 1.0;
    KRyvLimit& lLimit = *ioLimits.GetLimit(pKind);
    bool lAny = false;
    for (int lSide = 0; lSide < 2; ++lSide) {
        KVector4 lValues;
        bool lFlags[3] = {false, false, false};
        for (int lAxis = 0; lAxis < 3; ++lAxis) {
            const auto lType =
                static_cast<MFnTransform::LimitType>(kFirstLimitType[pKind] + 2 * lAxis + lSide);
            if (pTransform.isLimited(lType)) {
                lValues[lAxis] = pTransform.limitValue(lType) * lFactor;
                lFlags[lAxis] = true;
                lAny = true;
            }
        }
        if (lSide == 0) {
            lLimit.SetMinActive(lFlags[0], lFlags[1], lFlags[2]);
            lLimit.SetMin(lValues);
        } else {
            lLimit.SetMaxActive(lFlags[0], lFlags[1], lFlags[2]);
            lLimit.SetMax(lValues);
        }
    }
    if (lAny && pKind == KRyvNodeLimits::eTranslation) {
        ioLimits.SetTranslationActive(true);
    } else if (lAny && pKind == KRyvNodeLimits::eRotation) {
        ioLimits.SetRotationActive(true);
    } else if (lAny) {
        ioLimits.SetScalingActive(true);
    }
}

// The correction that turns the kit's light or camera axes onto the host's; false for others.
bool CorrectionOf(const MDagPath& pPath, MMatrix& oCorrection)
{
    if (pPath.hasFn(MFn::kSpotLight) || pPath.hasFn(MFn::kDirectionalLight)) {
        const double kLight[16] = {1, 0, 0, 0, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1};
        oCorrection = MMatrix(kLight);
        return true;
    }
    if (pPath.hasFn(MFn::kCamera) && pPath.apiType() != MFn::kCameraSubKind) {
        const double kCamera[16] = {0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1};
        oCorrection = MMatrix(kCamera);
        return true;
    }
    return false;
}
MVector Vector(const MPoint& pPoint)
{
    return MVector(pPoint.x, pPoint.y, pPoint.z);
}

// The shift the pivots give a corrected node before its rotation, St - Rp, turned back by the
// correction C: the file's frame [St - Rp] C Q is then C times the host's [St - Rp] Q (Q the
// turn) when the scaling offset takes Rp + (St - Rp) C^-1.
MVector TurnedPivotShift(const MFnTransform& pTransform, const MMatrix& pCorrection)
{
    const MVector lShift = pTransform.scalePivotTranslation(MSpace::kTransform) -
                           Vector(pTransform.rotatePivot(MSpace::kTransform));
    return lShift * pCorrection.transpose();
}
} // namespace

void ExportPivots(RyvVurnNode* pNode, int pSet)
{
    MFnTransform lTransform;
    if (!TransformOf(pNode, lTransform)) {
        return;
    }
    double lDegrees[3];
    GetJointOrient(lTransform.object(), lDegrees);
    pNode->SetPreRotation(pSet, KVector4(lDegrees[0], lDegrees[1], lDegrees[2], 0.0));
    GetRotateAxis(lTransform.object(), lDegrees);
    KMatrix lAxis;
    MatrixTranspose3x3(lAxis, KMatrix(KVector4(lDegrees[0], lDegrees[1], lDegrees[2])));
    KVector4 lPost;
    MatrixToEulerXYZ(lPost, lAxis);
    lPost[3] = 1.0;
    pNode->SetPostRotation(pSet, lPost);
    pNode->SetRotationPivot(pSet, Point(lTransform.rotatePivot(MSpace::kTransform)));
    pNode->SetRotationOffset(pSet, Point(lTransform.rotatePivotTranslation(MSpace::kTransform)));
    pNode->SetScalingPivot(pSet, Point(lTransform.scalePivot(MSpace::kTransform)));
    pNode->SetScalingOffset(pSet, Point(lTransform.scalePivotTranslation(MSpace::kTransform)));
    pNode->SetPivotState(pSet, KRyvPivotSet::kPivotActive);
    pNode->GetLimits().SetRotationActive(true);
}

void ExportLimits(RyvVurnNode* pNode)
{
    MFnTransform lTransform;
    if (!TransformOf(pNode, lTransform)) {
        return;
    }
    for (int lKind :
         {KRyvNodeLimits::eTranslation, KRyvNodeLimits::eRotation, KRyvNodeLimits::eScaling}) {
        ExportLimitKind(lTransform, lKind, pNode->GetLimits());
    }
}

void ExportRotationOrder(RyvVurnNode* pNode)
{
    MFnTransform lTransform;
    if (!TransformOf(pNode, lTransform)) {
        return;
    }
    const int lOrder = KitOrderOf(lTransform.rotationOrder());
    if (lOrder >= 0) {
        pNode->SetRotationOrder(0, lOrder);
    }
}

void ExportTransformDefaults(const MFnTransform& pTransform, KRyvTakeNode* pTake)
{
    if (!pTake) {
        return;
    }
    const MVector lTranslation = pTransform.translation(MSpace::kTransform);
    MEulerRotation lRotation;
    pTransform.getRotation(lRotation);
    double lScale[3] = {1.0, 1.0, 1.0};
    pTransform.getScale(lScale);
    const double lT[3] = {lTranslation.x, lTranslation.y, lTranslation.z};
    const double lR[3] = {lRotation.x, lRotation.y, lRotation.z};
    KFCurve* const lCurves[3][3] = {
        {pTake->GetTransformTX(), pTake->GetTransformRX(), pTake->GetTransformSX()},
        {pTake->GetTransformTY(), pTake->GetTransformRY(), pTake->GetTransformSY()},
        {pTake->GetTransformTZ(), pTake->GetTransformRZ(), pTake->GetTransformSZ()}};
    for (int lAxis = 0; lAxis < 3; ++lAxis) {
        const double lValues[3] = {lT[lAxis], lR[lAxis] * kRadiansToDegrees, lScale[lAxis]};
        for (int lKind = 0; lKind < 3; ++lKind) {
            if (lCurves[lAxis][lKind]) {
                lCurves[lAxis][lKind]->SetDefaultValue(static_cast<float>(lValues[lKind]));
            }
        }
    }
}

void ExportLightCameraPostRotation(RyvVurnNode* pNode, const MFnTransform& pTransform)
{
    const MDagPath* lPath = pNode ? pNode->GetDagPath() : nullptr;
    MMatrix lCorrection;
    if (!lPath || !CorrectionOf(*lPath, lCorrection)) {
        return;
    }
    // A reader applies the inverse of the post-rotation, lTurn, just before the rotation: the
    // kit's axes are turned onto the host's first, on the node's own axes, then by the rotate
    // axis as the host's are.
    const MMatrix lTurn = lCorrection * pTransform.rotateOrientation(MSpace::kTransform).asMatrix();
    KMatrix lTransposed;
    for (int lRow = 0; lRow < 3; ++lRow) {
        for (int lColumn = 0; lColumn < 3; ++lColumn) {
            lTransposed.Set(lRow, lColumn, lTurn(lColumn, lRow));
        }
    }
    // Post-rotations are Euler XYZ angles whatever the node's rotation order: every reader
    // evaluates them so.
    KVector4 lPost;
    KRotationOrder(KRotationOrder::eEulerXYZ).MatrixToEuler(lPost, lTransposed);
    pNode->SetPostRotation(0, lPost);
    const MVector lOffset = Vector(pTransform.rotatePivot(MSpace::kTransform)) +
                            TurnedPivotShift(pTransform, lCorrection);
    pNode->SetScalingOffset(0, Point(lOffset));
}

bool HasFrameCorrection(const MDagPath& pPath)
{
    MMatrix lCorrection;
    return CorrectionOf(pPath, lCorrection);
}

void CorrectPivotCurves(RyvVurnNode* pNode, const KRyvPivotSet& pHostSet, KPivotCurves& ioPivots,
                        double pRate)
{
    const MDagPath* lPath = pNode ? pNode->GetDagPath() : nullptr;
    MMatrix lCorrection;
    if (!lPath || !CorrectionOf(*lPath, lCorrection)) {
        return;
    }
    // The scaling offset the correction gives, Rp + (St - Rp) C^-1, at every time either moves.
    ResampleScalingOffset(
        ioPivots, pHostSet, KPivotCurves::eRotationPivot, pRate,
        [&lCorrection](const KRyvPivotSet& pAt) {
            const KVector4 lRp = pAt.mRotationPivot;
            const MVector lShift(pAt.mScalingOffset[0] - lRp[0], pAt.mScalingOffset[1] - lRp[1],
                                 pAt.mScalingOffset[2] - lRp[2]);
            const MVector lTurned = lShift * lCorrection.transpose();
            return KVector4(lRp[0] + lTurned.x, lRp[1] + lTurned.y, lRp[2] + lTurned.z);
        });
}

bool ExportPivotCurves(RyvVurnNode* pNode, KPivotCurves& oCurves, KLog* pLog)
{
    static const char* const kPlugs[KPivotCurves::ePivotCount] = {
        "rotatePivot", "rotatePivotTranslation", "scalePivot", "scalePivotTranslation"};
    MFnTransform lTransform;
    if (!TransformOf(pNode, lTransform)) {
        return false;
    }
    bool lAnimated = false;
    for (int lPivot = 0; lPivot < KPivotCurves::ePivotCount; ++lPivot) {
        for (int lAxis = 0; lAxis < 3; ++lAxis) {
            MStatus lStatus;
            const MPlug lPlug =
                lTransform.findPlug((std::string(kPlugs[lPivot]) + "XYZ"[lAxis]).c_str(), &lStatus);
            const MFnAnimCurve lCurve(lPlug, &lStatus);
            if (lStatus) {
                ConvertAnimCurve(lCurve, oCurves.GetCurve(lPivot, lAxis), false, 1.0, pLog);
                lAnimated = lAnimated || oCurves.GetCurve(lPivot, lAxis).GetKeyCount() > 0;
            }
        }
    }
    return lAnimated;
}

bool ExportVisibilityCurve(RyvVurnNode* pNode, KFCurve& ioCurve, KLog* pLog)
{
    const MDagPath* lPath = pNode ? pNode->GetDagPath() : nullptr;
    if (!lPath) {
        return false;
    }
    MStatus lStatus;
    const MPlug lPlug = MFnDependencyNode(lPath->node()).findPlug("visibility", &lStatus);
    const MFnAnimCurve lCurve(lPlug, &lStatus);
    if (!lStatus) {
        return false;
    }
    ConvertAnimCurve(lCurve, ioCurve, false, 1.0, pLog);
    if (ioCurve.GetKeyCount() == 0) {
        return false;
    }
    pNode->SetVisibility(true);
    return true;
}

void RyvVurnExporter::CacheGlobalTransforms(KRyvNode* pNode)
{
    auto* lNode = dynamic_cast<RyvVurnNode*>(pNode);
    MFnTransform lTransform;
    if (lNode && TransformOf(lNode, lTransform)) {
        MTransformationMatrix lHost = lTransform.transformation();
        const MDagPath& lPath = *lNode->GetDagPath();
        if (lPath.hasFn(MFn::kSpotLight) || lPath.hasFn(MFn::kDirectionalLight)) {
            lHost.rotateBy(MEulerRotation(kHalfPi, 0.0, 0.0), MSpace::kTransform);
        } else if (lPath.hasFn(MFn::kCamera) && lPath.apiType() != MFn::kCameraSubKind) {
            lHost.rotateBy(MEulerRotation(0.0, kHalfPi, 0.0), MSpace::kTransform);
        }
        KMatrix lMatrix;
        ConvertTransformationMatrix(lHost, lMatrix);
        // A parent that stands for no host object (the kit root) adds nothing.
        if (const auto* lParent = dynamic_cast<const RyvVurnNode*>(pNode->GetParent());
            lParent && lParent->GetDagPath()) {
            double lT[3];
            double lR[3];
            double lS[3];
            lParent->GetCachedTranslation(lT);
            lParent->GetCachedRotation(lR);
            lParent->GetCachedScaling(lS);
            const KAffineMatrix lParentMatrix(KVector4(lT[0], lT[1], lT[2]),
                                              KVector4(lR[0], lR[1], lR[2]),
                                              KVector4(lS[0], lS[1], lS[2]));
            MatrixMultiplyAffine(lMatrix, lParentMatrix, lMatrix);
        }
        KVector4 lValues[2];
        MatrixToEulerUnscaled(lValues[0], lMatrix);
        MatrixGetScale(lValues[1], lMatrix);
        const double lTranslation[3] = {lMatrix.Get(3, 0), lMatrix.Get(3, 1), lMatrix.Get(3, 2)};
        const double lRotation[3] = {lValues[0][0], lValues[0][1], lValues[0][2]};
        const double lScaling[3] = {lValues[1][0], lValues[1][1], lValues[1][2]};
        lNode->SetCachedTranslation(lTranslation);
        lNode->SetCachedRotation(lRotation);
        lNode->SetCachedScaling(lScaling);
    }
    for (int lIndex = pNode ? pNode->GetChildCount() - 1 : -1; lIndex >= 0; --lIndex) {
        CacheGlobalTransforms(pNode->GetChild(lIndex));
    }
}
