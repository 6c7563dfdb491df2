#include "core/KLog.h"
#include "core/KMatrixFunctions.h"
#include "platform/vurn/MFnComponent.h"
#include "platform/vurn/MFnDeformers.h"
#include "platform/vurn/MFnMesh.h"
#include "platform/vurn/MFnNurbsSurface.h"
#include "platform/vurn/MGlobal.h"
#include "platform/vurn/MItDependency.h"
#include "plugin/export/RyvVurnDeformerMessages.h"
#include "plugin/export/RyvVurnDeformerSteps.h"
#include "plugin/export/RyvVurnExportMessages.h"
#include "plugin/export/RyvVurnExportSteps.h"
#include "plugin/export/RyvVurnExporter.h"
#include "plugin/import/ConvertPivotsToNulls.h"
#include "plugin/shell/RyvVurnNode.h"
#include "plugin/shell/RyvVurnNodeHelpers.h"
#include "plugin/shell/RyvVurnOptionStore.h"
#include "plugin/shell/RyvVurnPathHelpers.h"
#include "plugin/shell/RyvVurnStatusWindow.h"
#include "scene/KRyvScene.h"
#include "scene/objects/KRyvGeometry.h"
#include "scene/objects/KRyvLink.h"
#include "scene/objects/KRyvNurb.h"
#include "scene/objects/KRyvPose.h"

#include <cstdio>
#include <string>

namespace D = RyvVurnDeformerMessages;
namespace M = RyvVurnExportMessages;

// The skin pass: one normalising link per influence of every skin cluster, and one bind pose
// per skin cluster. Bind matrices are the host's world matrices followed by the master scale,
// so that they agree with the kit tree, whose nodes all hang below the scaled root: a skin
// exported at scale s then deforms as at scale 1, scaled by s.
namespace {
constexpr int kBindPoseKind = 1;
constexpr int kMatrixElements = 16;
constexpr double kMinWeight = 0.001;
constexpr size_t kStatusTextSize = 96;

// The skin's "geomMatrix" through the host command; false when it does not answer 16 numbers.
bool ReadGeomMatrix(const MFnSkinCluster& pSkin, KMatrix& oMatrix)
{
    MDoubleArray lValues;
    const MPlug lPlug = pSkin.findPlug("geomMatrix");
    if (lPlug.isNull() || !MGlobal::executeCommand("getAttr " + lPlug.info(), lValues) ||
        lValues.length() != kMatrixElements) {
        return false;
    }
    for (int lIndex = 0; lIndex < kMatrixElements; ++lIndex) {
        oMatrix.Set(lIndex / 4, lIndex % 4, lValues[static_cast<unsigned int>(lIndex)]);
    }
    return true;
}

// The component of every control point of pShape and, per element, its kit control point
// (-1 for a host CV the kit surface does not keep).
std::vector<int> MakeSkinComponent(const MDagPath& pShape, KRyvGeometry& pGeometry,
                                   MObject& oComponent)
{
    std::vector<int> lKitIndices;
    if (auto* lNurb = dynamic_cast<KRyvNurb*>(&pGeometry)) {
        const MFnNurbsSurface lSurface(pShape);
        MFnDoubleIndexedComponent lCVs;
        oComponent = lCVs.create(MFn::kNurbsCVComponent);
        for (int lU = 0; lU < lSurface.numCVsInU(); ++lU) {
            for (int lV = 0; lV < lSurface.numCVsInV(); ++lV) {
                lCVs.addElement(lU, lV);
                lKitIndices.push_back(
                    KitControlPointOfCV(lU, lV, lNurb->GetUCount(), lNurb->GetVCount()));
            }
        }
        return lKitIndices;
    }
    const int lCount = MFnMesh(pShape).numVertices();
    MFnSingleIndexedComponent lVertices;
    oComponent = lVertices.create(MFn::kMeshVertComponent);
    lVertices.setCompleteData(lCount);
    for (int lIndex = 0; lIndex < lCount; ++lIndex) {
        lKitIndices.push_back(lIndex < pGeometry.GetControlPointCount() ? lIndex : -1);
    }
    return lKitIndices;
}

KMatrix LocalMatrix(KRyvNode* pNode)
{
    KVector4 lT;
    KVector4 lR;
    KVector4 lS;
    pNode->GetLclTranslation(lT);
    pNode->GetLclRotation(lR);
    pNode->GetLclScaling(lS);
    KMatrix lLocal;
    lLocal.SetTRS(lT, lR, lS);
    return lLocal;
}

// pLocal undone from pGlobal: the global matrix of the parent of a node with local pLocal.
KMatrix ParentGlobal(const KMatrix& pLocal, const KMatrix& pGlobal)
{
    KMatrix lInverse;
    MatrixInverseAffine(lInverse, pLocal);
    KMatrix lParent;
    MatrixMultiplyAffine(lParent, pGlobal, lInverse);
    return lParent;
}

// The shape an output of the skin deforms: the output itself, or for a skin below further
// deformers the first mesh or NURBS surface downstream.
bool DeformedShape(const MObject& pOutput, MDagPath& oShape)
{
    if (pOutput.hasFn(MFn::kShape)) {
        return static_cast<bool>(MDagPath::getAPathTo(pOutput, oShape));
    }
    for (const MFn::Type lType : {MFn::kMesh, MFn::kNurbsSurface}) {
        MItDependencyGraph lWalk(pOutput, lType, MItDependencyGraph::kDownstream);
        if (!lWalk.isDone()) {
            return static_cast<bool>(MDagPath::getAPathTo(lWalk.currentItem(), oShape));
        }
    }
    return false;
}

// The top-level name of pPath: the hierarchy a bind-pose answer holds for.
std::string HierarchyOf(const MDagPath& pPath)
{
    const std::string lFull = pPath.fullPathName().asChar();
    const size_t lEnd = lFull.find('|', 1);
    return lEnd == std::string::npos ? lFull : lFull.substr(0, lEnd);
}
} // namespace

void RyvVurnExporter::ExportSkinClusters()
{
    // The pivot-to-null conversion may have moved nodes since the cluster pass.
    mExportedNodes.Build(mRootNode);
    int lCount = 0;
    for (MItDependencyNodes lIt(MFn::kSkinClusterFilter); !lIt.isDone(); lIt.next()) {
        ++lCount;
    }
    const bool lBindPose = GetOptionStore().GetBool(kExportBindPose);
    mMasterScale = GetOptionStore().GetDouble(kExportMasterScale);
    mPivotNulls = GetOptionStore().GetBool(kExportPivotToNull);
    int lIndex = 0;
    for (MItDependencyNodes lIt(MFn::kSkinClusterFilter); !lIt.isDone(); lIt.next()) {
        // A conflict drops the pose of its own skin cluster only.
        mBindPoseConflictSeen = false;
        mBindPoseRefused = false;
        const MObject lSkin = lIt.item();
        KRyvPose* lPose =
            lBindPose ? mFactory.CreatePose(MFnDependencyNode(lSkin).name().asChar(), kBindPoseKind)
                      : nullptr;
        ExportSkinCluster(lSkin, ++lIndex, lCount, lPose);
        if (lPose && lPose->GetCount() > 0 && !mBindPoseConflictSeen && !mBindPoseRefused) {
            mScene->AddPose(lPose);
            for (int lEntry = 0; lEntry < lPose->GetCount(); ++lEntry) {
                mBindMatrices.emplace(lPose->GetNodeName(lEntry).Buffer(),
                                      lPose->GetMatrix(lEntry));
            }
        } else if (lPose) {
            mFactory.DestroyPose(lPose);
        }
        ReportPoseConflicts();
    }
}

MStatus RyvVurnExporter::ExportSkinCluster(const MObject& pSkin, int pIndex, int pCount,
                                           KRyvPose* ioPose)
{
    MStatus lStatus;
    const MFnSkinCluster lSkin(pSkin, &lStatus);
    if (!lStatus) {
        ReportStatus(lStatus, "MFnSkinCluster");
        return lStatus;
    }
    MObjectArray lOutputs;
    lSkin.getOutputGeometry(lOutputs);
    for (unsigned int lOutput = 0; lOutput < lOutputs.length(); ++lOutput) {
        MDagPath lShape;
        if (!DeformedShape(lOutputs[lOutput], lShape)) {
            continue;
        }
        auto* lNode = dynamic_cast<RyvVurnNode*>(FindExportedNode(lShape));
        KRyvNode* lGeometryNode =
            lNode && !lNode->GetMismatch() ? FindGeometryNode(lNode) : nullptr;
        if (lGeometryNode) {
            ExportSkinGeometry(lSkin, lShape, lGeometryNode, pIndex, pCount, ioPose);
        }
    }
    StatusWindowStep(lSkin.name().asChar());
    return MStatus();
}

void RyvVurnExporter::ExportSkinGeometry(const MFnSkinCluster& pSkin, const MDagPath& pShape,
                                         KRyvNode* pGeometryNode, int pIndex, int pCount,
                                         KRyvPose* ioPose)
{
    KRyvGeometry& lGeometry = *FindGeometry(pGeometryNode);
    KMatrix lGeometryBind;
    if (ReadGeomMatrix(pSkin, lGeometryBind)) {
        lGeometryBind = ApplyMasterScaleTo(lGeometryBind, mMasterScale);
        if (!mBindPoseConflictSeen) {
            EnterPoseEntry(ioPose, pGeometryNode, lGeometryBind, pShape);
        }
    } else {
        // An unread matrix would bind the geometry anywhere: take where it is now, and keep it
        // out of the pose, which must hold bind-time matrices only.
        lGeometryBind = pGeometryNode->GetGlobalMatrix(0);
        mLog->AddLine(
            (M::TitledLine(M::kTitleWarning, D::kNoGeomMatrix) + GetDagPathDisplayName(&pShape))
                .Buffer());
    }
    MObject lComponent;
    const std::vector<int> lKitIndices = MakeSkinComponent(pShape, lGeometry, lComponent);
    MDagPathArray lInfluences;
    const unsigned int lCount = pSkin.influenceObjects(lInfluences);
    for (unsigned int lIndex = 0; lIndex < lCount; ++lIndex) {
        char lText[kStatusTextSize];
        std::snprintf(lText, sizeof(lText), D::kSkinProgress, pIndex, pCount,
                      static_cast<int>(lIndex) + 1, static_cast<int>(lCount));
        StatusWindowStep(lText);
        const MDagPath lPath = lInfluences[lIndex];
        KRyvNode* lInfluence = FindExportedNode(lPath);
        if (!lInfluence) {
            mLog->AddLine((M::TitledLine(M::kTitleWarning, D::kInfluenceNotExported) +
                           GetDagPathDisplayName(&lPath))
                              .Buffer());
            continue;
        }
        MStatus lStatus;
        const unsigned int lLogical = pSkin.indexForInfluenceObject(lPath, &lStatus);
        MDoubleArray lWeights;
        if (lStatus) {
            lStatus = pSkin.getWeights(pShape, lComponent, lLogical, lWeights);
        }
        ReportStatus(lStatus, "MFnSkinCluster::getWeights");
        KRyvLink* lLink = mFactory.CreateLink();
        lLink->SetLinkMode(KRyvLink::eNormalize);
        lGeometry.AddLink(lLink);
        for (unsigned int lPoint = 0; lPoint < lWeights.length() && lPoint < lKitIndices.size();
             ++lPoint) {
            if (lWeights[lPoint] > kMinWeight) {
                lLink->AddControlPointIndex(lKitIndices[lPoint], lWeights[lPoint]);
            }
        }
        lLink->SetTransformLinkMatrix(InfluenceBindMatrix(lPath, lInfluence, ioPose));
        lLink->SetLink(lInfluence);
        lLink->SetTransformMatrix(lGeometryBind);
    }
}

// The bind matrix of the influence, entered in ioPose with the pivot nulls the conversion put
// around it. ioNode, the influence's node, becomes the node that carries the influence's world
// matrix in the kit tree: the influence's own, or after the pivot-to-null conversion its
// "<name>__Post_" null, which holds its scaling and is the frame of its children and geometry.
KMatrix RyvVurnExporter::InfluenceBindMatrix(const MDagPath& pPath, KRyvNode*& ioNode,
                                             KRyvPose* ioPose)
{
    KRyvNode* const lNode = ioNode;
    KRyvNode* const lPost = mPivotNulls ? FindPivotNull(lNode, kPivotPostSuffix) : nullptr;
    ioNode = lPost ? lPost : lNode;
    KMatrix lBind;
    const bool lHostBind = GetJointBindMatrix(pPath, lBind);
    const std::string lHierarchy = HierarchyOf(pPath);
    auto lAnswer = mBindPoseHierarchies.find(lHierarchy);
    if (!lHostBind) {
        lBind = ioNode->GetGlobalMatrix(0);
        if (lAnswer == mBindPoseHierarchies.end()) {
            bool lAbort = true;
            AskBindPoseFallback(pPath, lAbort, *mLog);
            lAnswer = mBindPoseHierarchies.emplace(lHierarchy, !lAbort).first;
        }
    } else {
        lBind = ApplyMasterScaleTo(lBind, mMasterScale);
    }
    if (lAnswer != mBindPoseHierarchies.end() && !lAnswer->second) {
        mBindPoseRefused = true;
    }
    EnterPoseEntry(ioPose, ioNode, lBind, pPath);
    if (!lPost) {
        return lBind;
    }
    // The influence and "<name>__Pre_" sit above "<name>__Post_".
    const KMatrix lNodeBind = ParentGlobal(LocalMatrix(lPost), lBind);
    EnterPoseEntry(ioPose, lNode, lNodeBind, pPath);
    KRyvNode* lPre = lNode->GetParent();
    if (IsPivotNullOf(lPre, lNode, kPivotPreSuffix)) {
        EnterPoseEntry(ioPose, lPre, ParentGlobal(LocalMatrix(lNode), lNodeBind), pPath);
    }
    return lBind;
}

void RyvVurnExporter::EnterPoseEntry(KRyvPose* ioPose, KRyvNode* pNode, const KMatrix& pMatrix,
                                     const MDagPath& pPath)
{
    if (!ioPose) {
        return;
    }
    // The pose must agree with the bind poses already in the scene, not only with itself; the
    // table of their matrices answers at once where asking every pose would cost the square
    // of the skins.
    const char* lName = pNode->GetName().Buffer();
    const auto lKept = mBindMatrices.find(lName);
    if ((lKept == mBindMatrices.end() || lKept->second == pMatrix) &&
        ioPose->Add(lName, pMatrix) >= 0) {
        return;
    }
    mBindPoseConflictSeen = true;
    // Each host node is listed once however many entries of it conflict.
    const auto lKey = static_cast<std::uint32_t>(pPath.node().id());
    int lFound = -1;
    mReportedKeys.Find(lKey, &lFound);
    if (lFound < 0) {
        mReportedKeys.Add(lKey, 1);
        mBindPoseConflicts.Add(GetDagPathDisplayName(&pPath).Buffer(), 0);
    }
}

void RyvVurnExporter::ReportPoseConflicts()
{
    if (mBindPoseConflicts.GetCount() == 0) {
        return;
    }
    mLog->AddLine(M::TitledLine(M::kTitleWarning, D::kPoseConflict).Buffer());
    KString lText(D::kPoseConflict);
    lText += M::kDialogBreak;
    lText += M::kDialogBreak;
    for (int lIndex = 0; lIndex < mBindPoseConflicts.GetCount(); ++lIndex) {
        const char* lName = "";
        mBindPoseConflicts.GetAt(lIndex, &lName);
        mLog->AddLine(lName);
        lText += "    ";
        lText += lName;
        lText += M::kDialogBreak;
    }
    mLog->AddLine("");
    M::ShowMessage(M::kTitleWarning, lText);
    mBindPoseConflicts.Clear();
}
