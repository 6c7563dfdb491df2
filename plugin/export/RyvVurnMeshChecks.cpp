#include "plugin/export/RyvVurnMeshChecks.h"

#include "core/KLog.h"
#include "platform/vurn/MFnDeformers.h"
#include "platform/vurn/MGlobal.h"
#include "platform/vurn/MPlug.h"
#include "plugin/export/RyvVurnExportMessages.h"
#include "plugin/export/RyvVurnGeometryMessages.h"
#include "plugin/shell/RyvVurnNodeHelpers.h"
#include "plugin/shell/RyvVurnOptionStore.h"
#include "plugin/shell/RyvVurnPathHelpers.h"

namespace M = RyvVurnExportMessages;
namespace G = RyvVurnGeometryMessages;

namespace {
constexpr int kDownstream = 0;
constexpr int kUpstream = 1;
constexpr int kNodeLevel = 0;

bool IsReadableShape(const MObject& pNode)
{
    return !pNode.isNull() && pNode.hasFn(MFn::kShape) &&
           !MFnDependencyNode(pNode).isIntermediateObject();
}

// The transform's child pIndex when it is a shape in use, else its first such shape: an
// intermediate shape (a deformer's undeformed copy) never stands for the node.
MObject PickShapeChild(const MDagPath& pPath, int pIndex)
{
    const unsigned int lCount = pPath.childCount();
    if (pIndex >= 0 && static_cast<unsigned int>(pIndex) < lCount &&
        IsReadableShape(pPath.child(static_cast<unsigned int>(pIndex)))) {
        return pPath.child(static_cast<unsigned int>(pIndex));
    }
    for (unsigned int lChild = 0; lChild < lCount; ++lChild) {
        if (IsReadableShape(pPath.child(lChild))) {
            return pPath.child(lChild);
        }
    }
    return MObject();
}

MObject PickShape(const MDagPath& pPath, int pIndex)
{
    if (pPath.node().hasFn(MFn::kTransform) && pPath.childCount() > 0) {
        return PickShapeChild(pPath, pIndex);
    }
    MDagPath lParent = pPath;
    if (lParent.pop() && lParent.length() > 0 && lParent.node().hasFn(MFn::kTransform) &&
        lParent.childCount() > 1) {
        return pPath.node();
    }
    return MObject();
}

void ReportWrap(const MObject& pShape, KLog& ioLog, bool& ioWrapWarningShown)
{
    MDagPath lShapePath;
    MDagPath::getAPathTo(pShape, lShapePath);
    KString lText(G::kWrapDetected);
    lText += ReplacePathSeparators(lShapePath.fullPathName().asChar());
    ioLog.AddLine(M::TitledLine(M::kTitleWarning, lText.Buffer()).Buffer());
    ioLog.AddLine("");
    if (!GetOptionStore().GetBool(kExportShowUI) || ioWrapWarningShown) {
        return;
    }
    ioWrapWarningShown = true;
    KString lDialog = lText;
    lDialog += M::kDialogBreak;
    lDialog += M::kDialogBreak;
    lDialog += G::kWrapIgnored;
    lDialog += M::kDialogBreak;
    lDialog += M::kDialogBreak;
    lDialog += G::kShownOnce;
    M::ShowMessage(M::kTitleWarning, lDialog);
}

// Sets the smoothing node's "divisions" to 0 and answers the command that gives the old value
// back; nothing is changed (and the answer is empty) when the old value cannot be read.
MString ResetDivisions(const MObject& pSmooth, KLog& ioLog)
{
    ioLog.AddLine(M::TitledLine(M::kTitleWarning, G::kSmoothAndSkin).Buffer());
    ioLog.AddLine(G::kSmoothAndSkin2);
    ioLog.AddLine(G::kSmoothAndSkin3);
    ioLog.AddLine("");
    KString lDialog(G::kSmoothAndSkin);
    lDialog += M::kDialogBreak;
    lDialog += G::kSmoothAndSkin2;
    lDialog += M::kDialogBreak;
    lDialog += G::kSmoothAndSkin3;
    lDialog += M::kDialogBreak;
    lDialog += M::kDialogBreak;
    M::ShowMessage(M::kTitleWarning, lDialog);

    const MString lPlug = "\"" + MFnDependencyNode(pSmooth).name() + ".divisions\"";
    int lKept = 0;
    if (!MGlobal::executeCommand("getAttr " + lPlug, lKept)) {
        return MString();
    }
    if (!MGlobal::executeCommand("setAttr " + lPlug + " 0")) {
        return MString();
    }
    MString lRestore = "setAttr " + lPlug + " ";
    lRestore += lKept;
    return lRestore;
}

bool IsSkin(const MObject& pNode)
{
    MStatus lStatus;
    const MFnSkinCluster lSkin(pNode, &lStatus);
    return static_cast<bool>(lStatus);
}

// The skin's part of the checks: the smoothing node, the input data and the source.
void UseSkinInput(const MObject& pSkin, KLog& ioLog, RyvVurnExportShape& ioResult)
{
    MObject lSmooth;
    if (FindConnectedNodeOfType(pSkin, MFn::kPolySmoothFacet, lSmooth, kDownstream, kNodeLevel) ||
        FindConnectedNodeOfType(pSkin, MFn::kPolySmoothFacet, lSmooth, kUpstream, kNodeLevel)) {
        ioResult.mRestoreCommand = ResetDivisions(lSmooth, ioLog);
    }
    const MFnSkinCluster lSkin(pSkin);
    const MPlug lInput = lSkin.findPlug("input");
    if (!lInput.isNull()) {
        lInput.elementByLogicalIndex(0).child(0).getValue(ioResult.mInputData);
    }
    MObjectArray lInputs;
    if (lSkin.getInputGeometry(lInputs) && lInputs.length() > 0 && !lInputs[0].isNull()) {
        ioResult.mSource = lInputs[0];
    }
}
} // namespace

bool ResolveExportShape(MStatus& oStatus, const MDagPath& pPath, KLog& ioLog, int pChildIndex,
                        bool& ioWrapWarningShown, RyvVurnExportShape& oResult)
{
    oStatus = MStatus();
    oResult = RyvVurnExportShape();
    oResult.mShape = PickShape(pPath, pChildIndex);
    oResult.mSource = oResult.mShape;
    const bool lFound = !oResult.mShape.isNull();
    if (!lFound || !GetOptionStore().GetBool(kExportBindPose)) {
        return lFound;
    }
    // The shape's own visibility is what is written back after the skin is read: the value of
    // the transform's path, written onto the shape, would change the user's scene for good.
    MPlug lVisibility = MFnDependencyNode(oResult.mShape).findPlug("visibility");
    bool lVisible = false;
    const bool lVisibilityRead = !lVisibility.isNull() && lVisibility.getValue(lVisible);
    MObject lDeformer;
    if (FindConnectedNodeOfType(oResult.mShape, MFn::kWrapFilter, lDeformer, kUpstream,
                                kNodeLevel)) {
        ReportWrap(oResult.mShape, ioLog, ioWrapWarningShown);
        return lFound;
    }
    if (FindConnectedNodeOfType(oResult.mShape, MFn::kSkinClusterFilter, lDeformer, kUpstream,
                                kNodeLevel) &&
        IsSkin(lDeformer)) {
        UseSkinInput(lDeformer, ioLog, oResult);
        if (lVisibilityRead) {
            lVisibility.setValue(lVisible);
        }
    }
    return lFound;
}

RyvVurnShapeReadGuard::RyvVurnShapeReadGuard(const MObject& pShape)
{
    MObject lBlend;
    if (pShape.isNull() ||
        !FindConnectedNodeOfType(pShape, MFn::kBlendShape, lBlend, kUpstream, kNodeLevel)) {
        return;
    }
    MFnBlendShapeDeformer lDeformer(lBlend);
    mBlendShape = lBlend;
    mEnvelope = lDeformer.envelope();
    lDeformer.setEnvelope(0.0f);
}

RyvVurnShapeReadGuard::~RyvVurnShapeReadGuard()
{
    if (mRestoreCommand.length() > 0) {
        MGlobal::executeCommand(mRestoreCommand);
    }
    if (!mBlendShape.isNull()) {
        MFnBlendShapeDeformer(mBlendShape).setEnvelope(mEnvelope);
    }
}
