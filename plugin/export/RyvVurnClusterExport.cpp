#include "core/KMatrixFunctions.h"
#include "platform/vurn/MFnNurbsSurface.h"
#include "platform/vurn/MFnSet.h"
#include "platform/vurn/MItDependency.h"
#include "platform/vurn/MItMesh.h"
#include "plugin/export/RyvVurnDeformerMessages.h"
#include "plugin/export/RyvVurnDeformerSteps.h"
#include "plugin/export/RyvVurnExporter.h"
#include "plugin/shell/RyvVurnNode.h"
#include "plugin/shell/RyvVurnNodeHelpers.h"
#include "plugin/shell/RyvVurnStatusWindow.h"
#include "scene/objects/KRyvGeometry.h"
#include "scene/objects/KRyvLink.h"
#include "scene/objects/KRyvNurb.h"

#include <utility>
#include <vector>

namespace D = RyvVurnDeformerMessages;

// The cluster pass: every host cluster becomes one additive link per deformed geometry, driven
// by the handle's kit node, and for a non-relative cluster below a transform a compensation
// link driven by the handle's parent.
namespace {
constexpr int kDownstream = 0;
constexpr int kNodeLevel = 0;

// What the cluster export reads on the deformer once for all its members.
struct ClusterPlugs
{
    MObject mWeightList;
    MPlug mWeights;
    MPlug mOutputs;
    MPlug mInputs;
    MObject mGroupId;
};

using WeightList = std::vector<std::pair<int, double>>;

bool FindClusterDeformer(const MObject& pHandleShape, MObject& oDeformer)
{
    return FindConnectedNodeOfType(pHandleShape, MFn::kCluster, oDeformer, kDownstream,
                                   kNodeLevel) ||
           FindConnectedNodeOfType(pHandleShape, MFn::kClusterAlt, oDeformer, kDownstream,
                                   kNodeLevel);
}

ClusterPlugs ReadClusterPlugs(const MFnDependencyNode& pDeformer)
{
    ClusterPlugs lPlugs;
    MStatus lStatus;
    lPlugs.mWeightList = pDeformer.attribute("wl", &lStatus);
    ReportStatus(lStatus, D::kInitLogicalIndexFail);
    lPlugs.mWeights = MPlug(pDeformer.object(), pDeformer.attribute("weights"));
    lPlugs.mOutputs = pDeformer.findPlug("outputGeometry", &lStatus);
    ReportStatus(lStatus, D::kOutputNotFound);
    lPlugs.mInputs = pDeformer.findPlug("input", &lStatus);
    ReportStatus(lStatus, D::kInputNotFound);
    lPlugs.mGroupId = pDeformer.findPlug("groupId", &lStatus).attribute();
    ReportStatus(lStatus, D::kGroupIdNotFound);
    return lPlugs;
}

// The deformer set fed by the deformer's "message" plug; false unless it feeds exactly one set.
bool FindDeformerSet(const MFnDependencyNode& pDeformer, MObject& oSet)
{
    MPlugArray lFed;
    pDeformer.findPlug("message").connectedTo(lFed, false, true);
    if (lFed.length() != 1) {
        return false;
    }
    oSet = lFed[0].node();
    return oSet.hasFn(MFn::kSet);
}

// True when the output at pElement reaches pMember's node and its input has a connected
// group id.
bool OutputFeedsMember(const ClusterPlugs& pPlugs, const MPlug& pElement, unsigned int pIndex,
                       const MDagPath& pMember, MFn::Type pGeometryType)
{
    MStatus lStatus;
    MItDependencyGraph lWalk(pElement, pGeometryType, MItDependencyGraph::kDownstream,
                             MItDependencyGraph::kDepthFirst, MItDependencyGraph::kPlugLevel,
                             &lStatus);
    if (!lStatus || lWalk.isDone() || !(lWalk.currentItem() == pMember.node())) {
        return false;
    }
    const MPlug lInput = pPlugs.mInputs.elementByLogicalIndex(pIndex, &lStatus);
    if (!lStatus) {
        ReportStatus(lStatus, D::kInputNotFound);
        return false;
    }
    const MPlug lGroup = lInput.child(pPlugs.mGroupId, &lStatus);
    if (!lStatus) {
        ReportStatus(lStatus, D::kGroupIdNotFound);
        return false;
    }
    return lGroup.isConnected();
}

// The logical index of the output that feeds pMember; false when none does.
bool FindMemberOutput(const ClusterPlugs& pPlugs, const MDagPath& pMember, MFn::Type pGeometryType,
                      unsigned int& oIndex)
{
    MStatus lStatus;
    const unsigned int lCount = pPlugs.mOutputs.numElements(&lStatus);
    for (unsigned int lPhysical = 0; lStatus && lPhysical < lCount; ++lPhysical) {
        const MPlug lElement = pPlugs.mOutputs.elementByPhysicalIndex(lPhysical, &lStatus);
        const unsigned int lLogical = lStatus ? lElement.logicalIndex(&lStatus) : 0;
        if (!lStatus) {
            ReportStatus(lStatus, D::kLogicalIndexNotFound);
            return false;
        }
        if (OutputFeedsMember(pPlugs, lElement, lLogical, pMember, pGeometryType)) {
            oIndex = lLogical;
            return true;
        }
    }
    return false;
}

// "weights"[pIndex] of the selected weight-list element; the attribute's default when unset.
double ReadWeight(const MPlug& pWeights, int pIndex)
{
    double lWeight = 1.0;
    MStatus lStatus;
    const MPlug lElement =
        pWeights.elementByLogicalIndex(static_cast<unsigned int>(pIndex), &lStatus);
    if (lStatus) {
        lElement.getValue(lWeight);
    }
    return lWeight;
}

// Mesh vertices of the component below the geometry's control-point count.
WeightList GatherVertexWeights(const MPlug& pWeights, const MDagPath& pMember,
                               const MObject& pComponent, int pCount)
{
    WeightList lList;
    for (MItMeshVertex lVertex(pMember, pComponent); !lVertex.isDone(); lVertex.next()) {
        const int lIndex = lVertex.index();
        if (static_cast<int>(lList.size()) < pCount && lIndex >= 0 && lIndex < pCount) {
            lList.emplace_back(lIndex, ReadWeight(pWeights, lIndex));
        }
    }
    return lList;
}

// NURBS CVs of the component that have a kit point; the weight list counts host CVs.
WeightList GatherCVWeights(const MPlug& pWeights, const MDagPath& pMember,
                           const MObject& pComponent, const KRyvNurb& pNurb)
{
    WeightList lList;
    const int lCount = pNurb.GetUCount() * pNurb.GetVCount();
    const int lHostCVsV = MFnNurbsSurface(pMember.node()).numCVsInV();
    for (MItSurfaceCV lCV(pMember, pComponent); !lCV.isDone(); lCV.next()) {
        int lU = 0;
        int lV = 0;
        lCV.getIndex(lU, lV);
        const int lKit = KitControlPointOfCV(lU, lV, pNurb.GetUCount(), pNurb.GetVCount());
        if (static_cast<int>(lList.size()) < lCount && lKit >= 0) {
            lList.emplace_back(lKit, ReadWeight(pWeights, lU * lHostCVsV + lV));
        }
    }
    return lList;
}

void SetGlobalMatrices(KRyvLink& ioLink, KRyvNode* pLinkNode, KRyvNode* pMember)
{
    ioLink.SetTransformLinkMatrix(pLinkNode->GetGlobalMatrix(0));
    ioLink.SetTransformMatrix(pMember->GetGlobalMatrix(0));
}
} // namespace

void RyvVurnExporter::ExportClusters(KRyvNode* pNode)
{
    if (!pNode) {
        return;
    }
    if (pNode == mRootNode) {
        mExportedNodes.Build(mRootNode);
    }
    StatusWindowStep(pNode->GetName().Buffer());
    auto* lNode = dynamic_cast<RyvVurnNode*>(pNode);
    if (const MDagPath* lPath = lNode ? lNode->GetDagPath() : nullptr) {
        for (unsigned int lChild = 0; lChild < lPath->childCount(); ++lChild) {
            if (lPath->child(lChild).apiType() == MFn::kClusterHandle) {
                ExportCluster(*lPath, lChild, pNode);
            }
        }
    }
    for (int lChild = pNode->GetChildCount() - 1; lChild >= 0; --lChild) {
        ExportClusters(pNode->GetChild(lChild));
    }
}

void RyvVurnExporter::ExportCluster(const MDagPath& pPath, unsigned int pHandleIndex,
                                    KRyvNode* pHandleNode)
{
    MObject lDeformerObject;
    MObject lSet;
    if (!FindClusterDeformer(pPath.child(pHandleIndex), lDeformerObject)) {
        return;
    }
    const MFnDependencyNode lDeformer(lDeformerObject);
    ClusterPlugs lPlugs = ReadClusterPlugs(lDeformer);
    if (!FindDeformerSet(lDeformer, lSet)) {
        return;
    }
    MSelectionList lMembers;
    MFnSet(lSet).getMembers(lMembers, true);
    for (MItSelectionList lMember(lMembers, MFn::kComponent); !lMember.isDone(); lMember.next()) {
        MDagPath lPath;
        MObject lComponent;
        lMember.getDagPath(lPath, lComponent);
        const bool lCVs = lComponent.apiType() == MFn::kNurbsCVComponent;
        if (!lCVs && lComponent.apiType() != MFn::kMeshVertComponent) {
            continue;
        }
        unsigned int lIndex = 0;
        if (!FindMemberOutput(lPlugs, lPath, lCVs ? MFn::kNurbsSurface : MFn::kMesh, lIndex)) {
            // Its weights would be another geometry's.
            ReportStatus(MStatus(MStatus::kFailure), D::kOutputNotFound);
            continue;
        }
        MStatus lStatus = lPlugs.mWeights.selectAncestorLogicalIndex(lIndex, lPlugs.mWeightList);
        ReportStatus(lStatus, D::kInitLogicalIndexFail);
        ExportClusterMember(lDeformer, lPlugs.mWeights, lPath, lComponent, pPath, pHandleNode);
    }
}

void RyvVurnExporter::ExportClusterMember(const MFnDependencyNode& pDeformer, const MPlug& pWeights,
                                          const MDagPath& pMember, const MObject& pComponent,
                                          const MDagPath& pHandlePath, KRyvNode* pHandleNode)
{
    auto* lMemberNode = dynamic_cast<RyvVurnNode*>(FindExportedNode(pMember));
    KRyvNode* lGeometryNode =
        lMemberNode && !lMemberNode->GetMismatch() ? FindGeometryNode(lMemberNode) : nullptr;
    KRyvGeometry* lGeometry = FindGeometry(lGeometryNode);
    if (!lGeometry) {
        return;
    }
    const auto* lNurb = dynamic_cast<const KRyvNurb*>(lGeometry);
    const WeightList lWeights =
        pComponent.apiType() == MFn::kNurbsCVComponent
            ? (lNurb ? GatherCVWeights(pWeights, pMember, pComponent, *lNurb) : WeightList())
            : GatherVertexWeights(pWeights, pMember, pComponent, lGeometry->GetControlPointCount());
    if (lWeights.empty()) {
        return;
    }
    bool lRelative = false;
    pDeformer.findPlug("relative").getValue(lRelative);
    KRyvLink* lLink = mFactory.CreateLink();
    lLink->SetLinkMode(KRyvLink::eAdditive);
    lLink->SetLink(pHandleNode);
    for (const auto& lWeight : lWeights) {
        lLink->AddControlPointIndex(lWeight.first, lWeight.second);
    }
    lLink->SetUserData(D::kClusterHintId,
                       lRelative ? D::kWeightedRelativeCluster : D::kWeightedCluster);
    lGeometry->AddLink(lLink);
    SetGlobalMatrices(*lLink, pHandleNode, lGeometryNode);
    MDagPath lParentPath = pHandlePath;
    KRyvNode* lParent = pHandleNode->GetParent();
    if (!lParentPath.pop() || lParentPath.length() == 0 || !lParent || lParent == mRootNode) {
        return;
    }
    KMatrix lAssociate;
    MatrixCopyAffine(lAssociate, lParent->GetGlobalMatrix(0));
    lLink->SetAssociateModel(lParent);
    lLink->SetTransformAssociateModelMatrix(lAssociate);
    if (!lRelative) {
        KRyvLink* lCompensation = mFactory.CreateLink();
        lCompensation->SetLinkMode(KRyvLink::eAdditive);
        lCompensation->SetLink(lParent);
        for (const auto& lWeight : lWeights) {
            lCompensation->AddControlPointIndex(lWeight.first, 1.0);
        }
        lCompensation->SetUserData(D::kClusterHintId, D::kCompensationCluster);
        lGeometry->AddLink(lCompensation);
        SetGlobalMatrices(*lCompensation, lParent, lGeometryNode);
    }
}
