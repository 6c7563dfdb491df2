#include "animation/KFCurve.h"
#include "core/KLog.h"
#include "platform/vurn/MFnAnimCurve.h"
#include "platform/vurn/MFnDeformers.h"
#include "plugin/export/RyvVurnCurveConversion.h"
#include "plugin/export/RyvVurnDeformerMessages.h"
#include "plugin/export/RyvVurnDeformerSteps.h"
#include "plugin/export/RyvVurnExportMessages.h"
#include "plugin/export/RyvVurnExporter.h"
#include "plugin/shell/RyvVurnNode.h"
#include "plugin/shell/RyvVurnNodeHelpers.h"
#include "plugin/shell/RyvVurnPathHelpers.h"
#include "plugin/shell/RyvVurnStatusWindow.h"
#include "scene/objects/KRyvGeometry.h"
#include "scene/objects/KRyvMesh.h"

#include <cstdio>
#include <vector>

namespace D = RyvVurnDeformerMessages;
namespace M = RyvVurnExportMessages;

// The shapes pass: each weight of a blend shape on an exported geometry becomes one shape of
// that geometry, holding the first target's control points, with a channel in percent.
namespace {
constexpr int kUpstream = 1;
constexpr int kNodeLevel = 0;
constexpr size_t kStatusTextSize = 64;

// The kinds of problem whose dialog is shown once per base object.
enum ShapeWarning : int { kMultipleTargets, kMissingTarget, kCountMismatch, kWarningKinds };

// The full path of pObject's first DAG path with its separators replaced; empty when none.
KString DisplayPath(const MObject& pObject)
{
    MDagPath lPath;
    if (!MDagPath::getAPathTo(pObject, lPath)) {
        return KString();
    }
    return ReplacePathSeparators(lPath.fullPathName().asChar());
}

// The geometry of the kit node made for host shape pObject; null when there is none, or when
// its conversion found the topology mismatched.
KRyvGeometry* ExportedGeometry(const RyvVurnExporter& pExporter, const MObject& pObject)
{
    MDagPath lPath;
    if (!MDagPath::getAPathTo(pObject, lPath)) {
        return nullptr;
    }
    auto* lNode = dynamic_cast<RyvVurnNode*>(pExporter.FindExportedNode(lPath));
    return lNode && !lNode->GetMismatch() ? FindGeometry(lNode) : nullptr;
}

// Logs pLines (the first titled, then an empty line) and, once per kind, shows them joined
// with the note that the dialog will not come again.
void WarnShape(KLog& ioLog, const std::vector<KString>& pLines, bool& ioShown)
{
    KString lText;
    for (size_t lIndex = 0; lIndex < pLines.size(); ++lIndex) {
        ioLog.AddLine(lIndex == 0 ? M::TitledLine(M::kTitleWarning, pLines[0].Buffer()).Buffer()
                                  : pLines[lIndex].Buffer());
        if (lIndex > 0) {
            lText += M::kDialogBreak;
        }
        lText += pLines[lIndex];
    }
    ioLog.AddLine("");
    if (!ioShown) {
        lText += M::kDialogBreak;
        lText += M::kDialogBreak;
        lText += D::kShownOncePerBase;
        M::ShowMessage(M::kTitleWarning, lText);
        ioShown = true;
    }
}

// A shape of pBase's size holding pTarget's control points and, for a mesh base, its normals.
KRyvLayerContainer* MakeShape(RyvVurnObjectFactory& ioFactory, KRyvGeometry& pBase,
                              KRyvGeometry& pTarget)
{
    const int lCount = pBase.GetControlPointCount();
    KRyvLayerContainer* lShape = ioFactory.CreateLayerContainer();
    lShape->InitControlPoints(lCount);
    const KVector4* lFrom = pTarget.GetControlPoints();
    KVector4* lTo = lShape->GetControlPoints();
    for (int lIndex = 0; lIndex < lCount && lFrom && lTo; ++lIndex) {
        lTo[lIndex] = lFrom[lIndex];
    }
    const KVector4* lNormals = pTarget.GetNormalsDirect();
    const int lNormalCount = pTarget.GetNormalsDirectCount();
    if (dynamic_cast<KRyvMesh*>(&pBase) && lNormals && lNormalCount == lCount) {
        lShape->InitNormals(lCount);
        KVector4* lOut = lShape->GetNormalsDirect();
        for (int lIndex = 0; lIndex < lCount && lOut; ++lIndex) {
            lOut[lIndex] = lNormals[lIndex];
        }
    }
    return lShape;
}

// The weight's channel: its value now times 100 as the default, its keys into "Take 001".
void ExportShapeWeight(const MPlug& pWeight, KRyvNode* pNode, KRyvGeometry& ioGeometry, int pShape,
                       KLog* pLog)
{
    MStatus lStatus;
    const MFnAnimCurve lCurve(pWeight, &lStatus);
    // A weight without a curve holds its value on the plug.
    const double lValue =
        lStatus ? lCurve.evaluate(MAnimControl::currentTime()) : pWeight.asDouble();
    if (KFCurve* lDefault = ioGeometry.GetShapeChannel(pNode->GetDefaultTakeNode(), pShape)) {
        lDefault->SetDefaultValue(static_cast<float>(lValue * D::kShapePercent));
    }
    if (!lStatus || lCurve.numKeys() == 0) {
        return;
    }
    if (pNode->IsDefaultTakeNode(pNode->GetCurrentTakeNode())) {
        MakeTakeCurrent(pNode, RyvVurnExporter::kTakeName);
    }
    if (KFCurve* lAnimated = ioGeometry.GetShapeChannel(pNode->GetCurrentTakeNode(), pShape)) {
        ConvertAnimCurve(lCurve, *lAnimated, false, D::kShapePercent, pLog);
    }
}
} // namespace

void RyvVurnExporter::ExportShapes(KRyvNode* pNode)
{
    if (!pNode) {
        return;
    }
    if (pNode == mRootNode) {
        mExportedNodes.Build(mRootNode);
    }
    auto* lNode = dynamic_cast<RyvVurnNode*>(pNode);
    if (const MDagPath* lPath = lNode ? lNode->GetDagPath() : nullptr) {
        ExportNodeShapes(*lPath, lNode);
    }
    for (int lChild = pNode->GetChildCount() - 1; lChild >= 0; --lChild) {
        ExportShapes(pNode->GetChild(lChild));
    }
    StatusWindowStep("");
}

void RyvVurnExporter::ExportNodeShapes(const MDagPath& pPath, RyvVurnNode* pNode)
{
    const int lShapeIndex = pNode->GetShapeIndex();
    KRyvNode* lBaseNode = FindGeometryNode(pNode);
    MObject lDeformer;
    if (lShapeIndex < 0 || pNode->GetMismatch() || !lBaseNode ||
        static_cast<unsigned int>(lShapeIndex) >= pPath.childCount() ||
        !FindConnectedNodeOfType(pPath.child(static_cast<unsigned int>(lShapeIndex)),
                                 MFn::kBlendShape, lDeformer, kUpstream, kNodeLevel)) {
        return;
    }
    const MFnBlendShapeDeformer lBlend(lDeformer);
    MObjectArray lBases;
    lBlend.getBaseObjects(lBases);
    // A deformer on several bases is met from each of their nodes: each takes its own base.
    for (unsigned int lIndex = 0; lIndex < lBases.length(); ++lIndex) {
        if (ExportedGeometry(*this, lBases[lIndex]) == FindGeometry(lBaseNode)) {
            ExportBaseShapes(lBlend, lBases[lIndex], lBaseNode);
        }
    }
}

void RyvVurnExporter::ExportBaseShapes(const MFnBlendShapeDeformer& pBlend, const MObject& pBase,
                                       KRyvNode* pBaseNode)
{
    KRyvGeometry& lGeometry = *FindGeometry(pBaseNode);
    const KString lBasePath = DisplayPath(pBase);
    MIntArray lIndices;
    pBlend.weightIndexList(lIndices);
    const MPlug lWeights = pBlend.findPlug("weight");
    bool lShown[kWarningKinds] = {false, false, false};
    const int lCount = static_cast<int>(lIndices.length());
    for (int lIndex = 0; lIndex < lCount; ++lIndex) {
        char lText[kStatusTextSize];
        std::snprintf(lText, sizeof(lText), D::kShapeProgress, lIndex + 1, lCount);
        StatusWindowStep(lText);
        // The name and the curve of a weight come from its own logical index, which sparse
        // lists do not share with the position.
        const int lWeightIndex = lIndices[static_cast<unsigned int>(lIndex)];
        const MPlug lWeight =
            lWeights.elementByLogicalIndex(static_cast<unsigned int>(lWeightIndex));
        const KString lChannel(lWeight.name().asChar());
        MObjectArray lTargets;
        pBlend.getTargets(pBase, lWeightIndex, lTargets);
        if (lTargets.length() > 1) {
            WarnShape(*mLog,
                      {KString(D::kBaseObject) + lBasePath + D::kMultipleTargets + lChannel,
                       KString(D::kFirstTargetOnly)},
                      lShown[kMultipleTargets]);
        }
        KRyvGeometry* lTarget =
            lTargets.length() > 0 ? ExportedGeometry(*this, lTargets[0]) : nullptr;
        if (!lTarget) {
            WarnShape(*mLog,
                      {KString(D::kTargetForSlider) + lChannel + D::kTargetNotAvailable,
                       KString(D::kTargetDeleted), KString(D::kIgnoringTarget)},
                      lShown[kMissingTarget]);
            continue;
        }
        // Checked before the shape is made: an empty shape would collapse the mesh.
        if (lTarget->GetControlPointCount() != lGeometry.GetControlPointCount()) {
            WarnShape(
                *mLog,
                {KString(D::kTargetObject) + DisplayPath(lTargets[0]) + D::kVertexCountMismatch,
                 KString(D::kIgnoringTarget)},
                lShown[kCountMismatch]);
            continue;
        }
        KRyvLayerContainer* lShape = MakeShape(mFactory, lGeometry, *lTarget);
        const int lShapeIndex = lGeometry.AddShape(lShape, lChannel.Buffer());
        if (lShapeIndex < 0) {
            mFactory.DestroyLayerContainer(lShape);
            continue;
        }
        ExportShapeWeight(lWeight, pBaseNode, lGeometry, lShapeIndex, mLog.get());
    }
}
