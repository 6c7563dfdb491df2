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

// The default values of pFrom's nine transform curves into ioTo's.
void CopyTransformDefaults(KRyvTakeNode& pFrom, KRyvTakeNode& ioTo)
{
    KFCurve* lFrom[3][3];
    KFCurve* lTo[3][3];
    KRyvNode::FindTransformCurves(&pFrom, lFrom);
    KRyvNode::FindTransformCurves(&ioTo, lTo);
    for (int lKind = 0; lKind < 3; ++lKind) {
        for (int lAxis = 0; lAxis < 3; ++lAxis) {
            if (lFrom[lKind][lAxis] && lTo[lKind][lAxis]) {
                lTo[lKind][lAxis]->SetDefaultValue(
                    static_cast<float>(lFrom[lKind][lAxis]->GetDefaultValue()));
            }
        }
    }
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
void RyvVurnExporter::AnimateNode(RyvVurnNode* pNode,
                                  std::optional<RyvVurnFrameCorrection>& oCorrection)
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
    const bool lTake =
        lVisible || lTransformAnimated || lUserAnimated || lOwnAnimation || lPivotsAnimated;
    if (lTake) {
        MakeTakeCurrent(pNode, kTakeName);
        if (lTransformAnimated || lOwnAnimation || lPivotsAnimated) {
            ExportTransformDefaults(lTransform, pNode->GetCurrentTakeNode());
            ExportTransformChannels(lTransform, pNode->GetCurrentTakeNode()->GetKFCurveNode(),
                                    false);
        }
    }
    // Lights and cameras turn onto the kit's axes, cameras lose their scaling; their children
    // are given back what their frames lose (KeepChildFrames).
    const bool lCorrected = HasFrameCorrection(lPath) && !(lCamera && lLookAt);
    if (lCorrected || lCamera) {
        oCorrection.emplace();
        oCorrection->SetHostFrame(*pNode, lPivots);
    }
    if (lCorrected) {
        const KRyvPivotSet lHostSet = *pNode->GetPivotSet(0);
        ExportLightCameraPostRotation(pNode, lTransform);
        CorrectPivotCurves(pNode, lHostSet, lPivots, mSamplingRate);
    }
    if (lCamera) {
        ClearScaling(pNode->GetDefaultTakeNode());
    }
    if (lTake) {
        KRyvTakeNode* lCurrent = pNode->GetCurrentTakeNode();
        if (lCamera) {
            ClearScaling(lCurrent);
        }
        if (lCamera && lLookAt) {
            ClearRotation(lCurrent);
        }
        if (lVisible && lCurrent->GetVisibility()) {
            lCurrent->GetVisibility()->CopyFrom(lVisibility, true);
        }
        if (lUserAnimated) {
            ExportUserPropertyChannels(pNode, lTransform);
        }
    }
    if (oCorrection) {
        oCorrection->SetFileFrame(*pNode, lPivots);
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
    std::optional<RyvVurnFrameCorrection> lCorrection;
    if (lNode && lNode->GetDagPath()) {
        AnimateNode(lNode, lCorrection);
    }
    for (int lIndex = 0; lIndex < pNode->GetChildCount(); ++lIndex) {
        const MStatus lStatus = ExportAnimation(pNode->GetChild(lIndex));
        if (!lStatus) {
            return lStatus;
        }
    }
    if (lCorrection) {
        KeepChildFrames(lNode, *lCorrection);
    }
    if (lNode && lNode->GetDagPath()) {
        StatusWindowStep(lNode->GetName().Buffer());
    }
    return MStatus();
}

// Run once the children have their curves: they take on what the file took out of their
// parent's frame, so that their world matrices stay the host's. A correction that changes over
// time gives them the take "Take 001" to follow it in.
void RyvVurnExporter::KeepChildFrames(RyvVurnNode* pNode, const RyvVurnFrameCorrection& pCorrection)
{
    const bool lAnimated = pCorrection.IsAnimated(mSamplingRate);
    for (int lIndex = 0; lIndex < pNode->GetChildCount(); ++lIndex) {
        KRyvNode* lChild = pNode->GetChild(lIndex);
        if (!lAnimated) {
            ApplyParentTransform(*lChild, pCorrection.AtRest(), mSamplingRate);
            continue;
        }
        if (lChild->GetCurrentTakeNodeIndex() <= 0) {
            MakeTakeCurrent(lChild, kTakeName);
            CopyTransformDefaults(*lChild->GetDefaultTakeNode(), *lChild->GetCurrentTakeNode());
        }
        ApplyParentTransformOverTime(
            *lChild, pCorrection.AtRest(),
            [&pCorrection](KTime pTime) { return pCorrection.At(pTime); }, pCorrection.Curves(),
            mSamplingRate);
    }
}
