// RyvVurnExporter: the geometry pass (which kit node each host DAG object becomes) and the
// hierarchy walk that links the nodes into the host's parent/child structure.

#include "plugin/export/RyvVurnExporter.h"

#include "platform/vurn/MItDag.h"
#include "plugin/shell/RyvVurnNodeHelpers.h"
#include "plugin/shell/RyvVurnOptionStore.h"
#include "plugin/shell/RyvVurnPathHelpers.h"
#include "plugin/shell/RyvVurnStatusWindow.h"

#include <cstdint>
#include <cstring>

namespace {
constexpr int kTypeIdNullLast = 1;
constexpr int kTypeIdSkeletonFirst = 2;
constexpr int kTypeIdSkeletonLast = 5;
constexpr const char* kGroundPlane = "groundPlane_transform";

// Walks the DAG in pTraversal order through the objects of kind pFilter, calling pVisit with the
// iterator at each of them. A walk that cannot start is reported ("MItDag constructor") and its
// status answered.
template <typename TVisit> MStatus WalkDag(int pTraversal, int pFilter, TVisit pVisit)
{
    MStatus lStatus;
    MItDag lWalk(static_cast<MItDag::TraversalType>(pTraversal), static_cast<MFn::Type>(pFilter),
                 &lStatus);
    if (!lStatus) {
        lStatus.perror("MItDag constructor");
        return lStatus;
    }
    for (; !lWalk.isDone(); lWalk.next()) {
        pVisit(lWalk);
    }
    return MStatus();
}

// Whether the joint at pPath cancels its parent's scale, as the host composes it: only below
// a joint, and only while the joint's segment scale compensation is on. The file's "Rrs"
// drops whatever scale the parent node has, so it fits no other case.
bool CompensatesParentScale(const MDagPath& pPath)
{
    MDagPath lParent = pPath;
    if (!lParent.pop() || !lParent.node().hasFn(MFn::kJoint)) {
        return false;
    }
    bool lOn = false;
    const MPlug lPlug = MFnDependencyNode(pPath.node()).findPlug("segmentScaleCompensate");
    return lPlug.getValue(lOn) && lOn;
}
} // namespace

RyvVurnNode* RyvVurnExporter::ExportTransformByTypeId(const MDagPath& pPath,
                                                      const MFnDagNode& pDagNode)
{
    const int lTypeId = GetSorquinTypeId(pPath.node());
    if (lTypeId >= 0 && lTypeId <= kTypeIdNullLast) {
        return std::strcmp(pDagNode.name().asChar(), kGroundPlane) == 0
                   ? nullptr
                   : ExportNullNode(pPath, pDagNode);
    }
    if (lTypeId < kTypeIdSkeletonFirst || lTypeId > kTypeIdSkeletonLast) {
        return nullptr;
    }
    RyvVurnNode* lNode = mFactory.CreateNode(pDagNode.name().asChar(), &pPath);
    AddToNodeTable(pPath, lNode);
    SetSkeletonFromTypeId(lNode);
    return lNode;
}

// The export of one transform path, by the first of its types (its shape's included) that has
// one. 275 is a camera sub-kind and so a camera (244) too: the camera test takes it first, and
// its own branch is never reached; it stays for hosts that keep the two apart.
RyvVurnNode* RyvVurnExporter::DispatchPath(const MDagPath& pPath, const MFnDagNode& pDagNode,
                                           bool& oJoint)
{
    oJoint = false;
    if (!pPath.hasFn(MFn::kTransform)) {
        return nullptr;
    }
    if (pPath.hasFn(MFn::kMesh)) {
        return ExportMesh(pPath, pDagNode);
    }
    if (pPath.hasFn(MFn::kNurbsSurface) || pPath.hasFn(MFn::kNurbsSurfaceAlt)) {
        return ExportNurbs(pPath, pDagNode);
    }
    if (pPath.hasFn(MFn::kClusterHandle)) {
        return ExportNullNode(pPath, pDagNode);
    }
    if (pPath.hasFn(MFn::kJoint)) {
        oJoint = true;
        return ExportJointNode(pPath, pDagNode);
    }
    if (pPath.hasFn(MFn::kBlendShape)) {
        return nullptr;
    }
    if (pPath.hasFn(MFn::kLight)) {
        return ExportLightNode(pPath, pDagNode);
    }
    if (pPath.hasFn(MFn::kCamera)) {
        return IsDefaultCameraName(pDagNode.name().asChar()) ? nullptr
                                                             : ExportCameraNode(pPath, pDagNode);
    }
    if (pPath.hasFn(MFn::kLookAt)) {
        return ExportLookAtGroup(pPath, pDagNode);
    }
    if (pPath.hasFn(MFn::kCameraSubKind)) {
        return ExportNullNode(pPath, pDagNode);
    }
    return ExportTransformByTypeId(pPath, pDagNode);
}

MStatus RyvVurnExporter::ExportGeometry(int pTraversal, int pFilter)
{
    const bool lBypassRrs = GetOptionStore().GetBool(kExportBypassRrsInheritance);
    const MStatus lWalked = WalkDag(pTraversal, pFilter, [this, lBypassRrs](MItDag& ioWalk) {
        MDagPath lPath;
        MStatus lStatus;
        if (!(lStatus = ioWalk.getPath(lPath))) {
            lStatus.perror("MItDag::getPath");
            return;
        }
        if (mSelection && !mSelection->hasItem(lPath)) {
            return;
        }
        const MFnDagNode lDagNode(lPath, &lStatus);
        if (!lStatus) {
            lStatus.perror("MFnDagNode constructor");
            return;
        }
        bool lJoint = false;
        RyvVurnNode* lNode = DispatchPath(lPath, lDagNode, lJoint);
        if (lNode) {
            StatusWindowStep(lNode->GetName().Buffer());
            const bool lRrs = lJoint && !lBypassRrs && CompensatesParentScale(lPath);
            lNode->SetTransformInheritType(lRrs ? kRyvInheritRrs : kRyvInheritRrSsSecond);
        }
    });
    // One default shader served the whole pass; it leaves the host with the pass.
    mDefaultShader.Release();
    return lWalked;
}

MStatus RyvVurnExporter::ExportHierarchy(int pTraversal, int pFilter)
{
    mNodesNowAtBuilt = false;
    return WalkDag(pTraversal, pFilter, [this](MItDag& ioWalk) {
        MDagPath lPath;
        if (!ioWalk.getPath(lPath)) {
            return;
        }
        if (mSelection && !mSelection->hasItem(lPath)) {
            StatusWindowStep(nullptr);
            return;
        }
        KRyvNode* lNode = LookUpNode(lPath);
        const auto* lHostNode = dynamic_cast<const RyvVurnNode*>(lNode);
        if (lNode && !(lHostNode && lHostNode->GetDagPath() && *lHostNode->GetDagPath() == lPath)) {
            // The table's entry stands for another path now: the node that holds this one.
            lNode = NodeNowAt(lPath);
        }
        if (!lNode) {
            return;
        }
        ExportNodeMaterials(lNode);
        LinkToParent(MFnDagNode(lPath), lNode);
        StatusWindowStep(lNode->GetName().Buffer());
    });
}
