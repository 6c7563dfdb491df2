// RyvVurnExporter: the animation pass. Every node made from a host DAG object gets its static
// transform state and, when anything of it is animated, the take "Take 001" with its curves.

#include "plugin/export/RyvVurnExporter.h"

#include "animation/KFCurve.h"
#include "animation/KFCurveNode.h"
#include "animation/KRyvTakeNode.h"
#include "core/KLog.h"
#include "platform/vurn/MFnTransform.h"
#include "plugin/export/RyvVurnCameraLightSteps.h"
#include "plugin/export/RyvVurnCurveConversion.h"
#include "plugin/export/RyvVurnExportMessages.h"
#include "plugin/export/RyvVurnTransformCurves.h"
#include "plugin/export/RyvVurnTransformExport.h"
#include "plugin/shell/RyvVurnNodeHelpers.h"
#include "plugin/shell/RyvVurnOptionStore.h"
#include "plugin/shell/RyvVurnStatusWindow.h"

namespace M = RyvVurnExportMessages;

namespace {
constexpr double kRadiansToDegrees = 57.29577951308232;

// Removes every key of the three curves and gives them pDefault.
void ClearCurves(KFCurve* const pCurves[3], double pDefault)
{
    for (int lAxis = 0; lAxis < 3; ++lAxis) {
        if (pCurves[lAxis]) {
            pCurves[lAxis]->KeyRemove(KTime::kMinusInfinity, KTime::kInfinity);
            pCurves[lAxis]->SetDefaultValue(static_cast<float>(pDefault));
        }
    }
}

void ClearScaling(KRyvTakeNode* pTake)
{
    KFCurve* const lCurves[3] = {pTake->GetTransformSX(), pTake->GetTransformSY(),
                                 pTake->GetTransformSZ()};
    ClearCurves(lCurves, 1.0);
}

void ClearRotation(KRyvTakeNode* pTake)
{
    KFCurve* const lCurves[3] = {pTake->GetTransformRX(), pTake->GetTransformRY(),
                                 pTake->GetTransformRZ()};
    ClearCurves(lCurves, 0.0);
}
} // namespace

bool RyvVurnExporter::ExportLightAnimation(const MDagPath& pPath, RyvVurnNode* pNode)
{
    if (pPath.apiType() == MFn::kUnexportedLight) {
        return false;
    }
    ExportLightDefaults(pPath, pNode);
    return ExportLightAnimationCurves(pNode);
}

bool RyvVurnExporter::ExportCameraAnimation(RyvVurnNode* pNode)
{
    HostObjectRecord* lRecord = FindRecord(*pNode->GetDagPath());
    if (!lRecord || lRecord->mObjects[HostObjectRecord::kCamera].isNull()) {
        return false;
    }
    const MObject lLookAt = lRecord->mObjects[HostObjectRecord::kLookAtGroup];
    ExportCameraAttributes(pNode, lLookAt);
    ExportCameraDefaults(pNode, lLookAt);
    return ExportCameraAnimationCurves(pNode, lLookAt);
}

void RyvVurnExporter::ExportTransformChannels(const MFnTransform& pTransform,
                                              KFCurveNode* pCurveNode, bool pResample)
{
    static const char* const kAxes[3] = {"X", "Y", "Z"};
    static const char* const kTranslate[3] = {"translateX", "translateY", "translateZ"};
    static const char* const kScale[3] = {"scaleX", "scaleY", "scaleZ"};
    static const char* const kRotate[3] = {"rotateX", "rotateY", "rotateZ"};
    // The take's "Transform" channel holds "T", "R" and "S"; the names alone could also meet
    // a property's curve node of the same data type first.
    if (KFCurveNode* lTransform = pCurveNode ? pCurveNode->FindChild("Transform") : nullptr) {
        pCurveNode = lTransform;
    }
    for (int lAxis = 0; lAxis < 3; ++lAxis) {
        ExportChannel(pTransform, kTranslate[lAxis], pCurveNode, "T", kAxes[lAxis], pResample, 1.0);
    }
    for (int lAxis = 0; lAxis < 3; ++lAxis) {
        ExportChannel(pTransform, kScale[lAxis], pCurveNode, "S", kAxes[lAxis], pResample, 1.0);
    }
    for (int lAxis = 0; lAxis < 3; ++lAxis) {
        ExportChannel(pTransform, kRotate[lAxis], pCurveNode, "R", kAxes[lAxis], pResample,
                      kRadiansToDegrees);
    }
}

// The animation of one node with a host DAG path.
void RyvVurnExporter::AnimateNode(RyvVurnNode* pNode)
{
    const MDagPath lPath = *pNode->GetDagPath();
    const bool lLight = lPath.hasFn(MFn::kLight);
    const bool lCamera = !lLight && lPath.hasFn(MFn::kCamera);
    const bool lOwnAnimation =
        lLight ? ExportLightAnimation(lPath, pNode) : lCamera && ExportCameraAnimation(pNode);
    ExportPivots(pNode, 0);
    ExportLimits(pNode);
    ExportRotationOrder(pNode);
    const MFnTransform lTransform(lPath.transform());
    pNode->SetDagPath(&lPath);
    ExportTransformDefaults(lTransform, pNode->GetDefaultTakeNode());
    KFCurve lVisibility;
    const bool lVisible = ExportVisibilityCurve(pNode, lVisibility, mLog.get());
    const bool lTransformAnimated = HasTransformAnimCurve(lTransform.object());
    const bool lUserAnimated = HasAnimatedUserAttribute(lTransform.object());
    const bool lLookAt = pNode->GetLookAtTarget() != nullptr;
    KPivotCurves lPivots;
    const bool lPivotsAnimated = ExportPivotCurves(pNode, lPivots, mLog.get());
    if (lVisible || lTransformAnimated || lUserAnimated || lOwnAnimation || lPivotsAnimated) {
        MakeTakeCurrent(pNode, kTakeName);
        KRyvTakeNode* lTake = pNode->GetCurrentTakeNode();
        if (lTransformAnimated || lOwnAnimation || lPivotsAnimated) {
            ExportTransformDefaults(lTransform, lTake);
            ExportTransformChannels(lTransform, lTake->GetKFCurveNode(), false);
        }
        if (lCamera && !lLookAt) {
            ExportLightCameraPostRotation(pNode, lTransform);
        }
        if (lCamera) {
            ClearScaling(lTake);
        }
        if (lCamera && lLookAt) {
            ClearRotation(lTake);
        }
        if (lVisible && lTake->GetVisibility()) {
            lTake->GetVisibility()->CopyFrom(lVisibility, true);
        }
        if (lUserAnimated) {
            ExportUserPropertyChannels(pNode, lTransform);
        }
    }
    if (lCamera) {
        ClearScaling(pNode->GetDefaultTakeNode());
        if (!lLookAt) {
            ExportLightCameraPostRotation(pNode, lTransform);
        }
    }
    if (lPivotsAnimated) {
        KeepPivotAnimation(pNode, lPivots);
    }
}

// Pivot nulls carry moving pivots in their translations; without them, the node's own
// translation takes on what the moving pivots add.
void RyvVurnExporter::KeepPivotAnimation(RyvVurnNode* pNode, const KPivotCurves& pPivots)
{
    if (GetOptionStore().GetBool(kExportPivotToNull)) {
        mAnimatedPivots[pNode] = pPivots;
    } else if (!::KeepPivotAnimation(*pNode, pPivots, mSamplingRate)) {
        mLog->AddLine(
            (M::TitledLine(M::kTitleWarning, M::kPivotAnimationLost) + pNode->GetName()).Buffer());
    }
}

MStatus RyvVurnExporter::ExportAnimation(KRyvNode* pNode)
{
    if (!pNode) {
        return MStatus();
    }
    auto* lNode = dynamic_cast<RyvVurnNode*>(pNode);
    if (lNode && lNode->GetDagPath()) {
        AnimateNode(lNode);
    }
    for (int lIndex = 0; lIndex < pNode->GetChildCount(); ++lIndex) {
        const MStatus lStatus = ExportAnimation(pNode->GetChild(lIndex));
        if (!lStatus) {
            return lStatus;
        }
    }
    if (lNode && lNode->GetDagPath()) {
        KeepCameraChildFrames(lNode);
        StatusWindowStep(lNode->GetName().Buffer());
    }
    return MStatus();
}

// Run once the children have their curves: they take on what the camera's correction and
// scale removal took out of its frame, so that their world matrices stay the host's.
void RyvVurnExporter::KeepCameraChildFrames(RyvVurnNode* pCamera)
{
    KMatrix lTransform;
    if (!CameraChildTransform(pCamera, lTransform)) {
        return;
    }
    for (int lIndex = 0; lIndex < pCamera->GetChildCount(); ++lIndex) {
        ApplyParentTransform(*pCamera->GetChild(lIndex), lTransform, mSamplingRate);
    }
}
