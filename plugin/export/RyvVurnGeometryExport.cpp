// RyvVurnExporter: the mesh and NURBS surface exports of the geometry pass. Both read the
// shape the mesh checks chose with its blend shape switched off, and give the host back every
// value they changed on every way out (RyvVurnShapeReadGuard).

#include "plugin/export/RyvVurnExporter.h"

#include "core/KLog.h"
#include "platform/vurn/MFnMesh.h"
#include "platform/vurn/MFnNurbsSurface.h"
#include "platform/vurn/MPlug.h"
#include "plugin/export/RyvVurnExportMessages.h"
#include "plugin/export/RyvVurnExportSteps.h"
#include "plugin/export/RyvVurnGeometryMessages.h"
#include "plugin/export/RyvVurnMeshChecks.h"
#include "scene/objects/KRyvNurb.h"

#include <algorithm>
#include <cmath>

namespace M = RyvVurnExportMessages;
namespace G = RyvVurnGeometryMessages;

namespace {
constexpr int kShadingTextured = 4;
constexpr double kMinStep = 1.0;
constexpr double kMaxStep = 15.0;

// The kit form of a host form: open and closed are open, periodic is periodic; -1 for the
// forms that cannot be exported.
int KitForm(MFnNurbsSurface::Form pForm)
{
    switch (pForm) {
    case MFnNurbsSurface::kOpen:
    case MFnNurbsSurface::kClosed:
        return KRyvNurb::eOpen;
    case MFnNurbsSurface::kPeriodic:
        return KRyvNurb::ePeriodic;
    default:
        return -1;
    }
}

// The display step from "curvePrecisionShaded": 1 when unreadable, truncated, and kept in
// [1, 15] so that a tessellation never divides by 0.
int ShadedStep(const MFnNurbsSurface& pSurface)
{
    const MPlug lPlug = pSurface.findPlug("curvePrecisionShaded");
    double lValue = kMinStep;
    if (lPlug.isNull() || !lPlug.getValue(lValue) || !std::isfinite(lValue)) {
        lValue = kMinStep;
    }
    return static_cast<int>(std::min(kMaxStep, std::max(kMinStep, std::trunc(lValue))));
}

// The host knots k0..k(n-1) with one extrapolated knot at each end (2 k0 - k1 and
// 2 k(n-1) - k(n-2)), copied into the kit vector as far as it goes; false when the counts
// differ.
bool CopyKnots(const MDoubleArray& pHost, double* oKit, int pKitCount)
{
    const int lHostCount = static_cast<int>(pHost.length());
    std::vector<double> lKnots;
    if (lHostCount >= 2) {
        lKnots.push_back(2.0 * pHost[0] - pHost[1]);
        lKnots.insert(lKnots.end(), pHost.items().begin(), pHost.items().end());
        lKnots.push_back(2.0 * pHost[lHostCount - 1] - pHost[lHostCount - 2]);
    } else {
        lKnots = pHost.items();
    }
    const int lCopied = std::min(pKitCount, static_cast<int>(lKnots.size()));
    if (oKit) {
        std::copy(lKnots.begin(), lKnots.begin() + lCopied, oKit);
    }
    return lCopied == pKitCount && lCopied == static_cast<int>(lKnots.size());
}

// Orders, counts, step, knots and control points of the kit surface, the host's V direction
// becoming the kit's U. pPoints gives the control points (a skin's undeformed input, or the
// source itself); a periodic direction drops its last degree CVs, which repeat its first ones.
void FillNurb(KRyvNurb& ioNurb, const MFnNurbsSurface& pSource, const MFnNurbsSurface& pPoints,
              int pTypeU, int pTypeV, const char* pName, KLog& ioLog)
{
    ioNurb.SetOrder(pSource.degreeV() + 1, pSource.degreeU() + 1);
    int lCVsU = pSource.numCVsInU();
    int lCVsV = pSource.numCVsInV();
    if (pTypeV == KRyvNurb::ePeriodic) {
        lCVsV -= pSource.degreeV();
    }
    if (pTypeU == KRyvNurb::ePeriodic) {
        lCVsU -= pSource.degreeU();
    }
    if (!ioNurb.InitControlPoints(lCVsV, pTypeV, lCVsU, pTypeU)) {
        return;
    }
    const int lStep = ShadedStep(pSource);
    ioNurb.SetStep(lStep, lStep);
    MDoubleArray lKnotsU;
    MDoubleArray lKnotsV;
    pSource.getKnotsInU(lKnotsU);
    pSource.getKnotsInV(lKnotsV);
    if (!CopyKnots(lKnotsV, ioNurb.GetUKnotVector(), ioNurb.GetUKnotCount()) ||
        !CopyKnots(lKnotsU, ioNurb.GetVKnotVector(), ioNurb.GetVKnotCount())) {
        ioLog.AddLine((M::TitledLine(M::kTitleWarning, G::kKnotMismatch) + pName).Buffer());
    }
    KVector4* lPoints = ioNurb.GetControlPoints();
    for (int lU = 0; lU < lCVsU && lPoints; ++lU) {
        for (int lV = 0; lV < lCVsV; ++lV) {
            MPoint lPoint;
            if (pPoints.getCV(lU, lV, lPoint, MSpace::kObject)) {
                lPoints[lU * lCVsV + lV] = KVector4(lPoint.x, lPoint.y, lPoint.z, lPoint.w);
            }
        }
    }
}

// The host visibility of the chosen shape as the node's own path reaches it, so that each
// parent of an instanced shape answers for itself.
bool ShapeVisibility(const MDagPath& pPath, const MObject& pShape)
{
    MDagPath lShapePath = pPath;
    if (pPath.node() != pShape && !lShapePath.push(pShape)) {
        MDagPath::getAPathTo(pShape, lShapePath);
    }
    return GetHostVisibility(MFnDagNode(lShapePath));
}
} // namespace

RyvVurnNode* RyvVurnExporter::ExportMesh(const MDagPath& pPath, const MFnDagNode& pDagNode)
{
    RyvVurnShapeReadGuard lGuard(pPath.child(0));
    MStatus lStatus;
    RyvVurnExportShape lShape;
    const bool lFound = ResolveExportShape(lStatus, pPath, *mLog, 0, mWrapWarningShown, lShape);
    lGuard.SetRestoreCommand(lShape.mRestoreCommand);
    if (!lFound || !lStatus) {
        return nullptr;
    }
    const MFnMesh lMesh(lShape.mShape, &lStatus);
    if (!lStatus) {
        lStatus.perror(G::kMeshConstructor);
        return nullptr;
    }
    RyvVurnNode* lNode = mFactory.CreateNode(pDagNode.name().asChar(), &pPath);
    if (!lNode) {
        return nullptr;
    }
    lNode->SetShapeIndex(0);
    lNode->SetVisibility(ShapeVisibility(pPath, lShape.mShape));
    AddToNodeTable(pPath, lNode);
    ConvertMesh(lMesh, lNode, lShape.mSource, lShape.mInputData);
    return lNode;
}

RyvVurnNode* RyvVurnExporter::ExportNurbs(const MDagPath& pPath, const MFnDagNode& pDagNode)
{
    RyvVurnShapeReadGuard lGuard(pPath.child(0));
    MStatus lStatus;
    RyvVurnExportShape lShape;
    const bool lFound = ResolveExportShape(lStatus, pPath, *mLog, 0, mWrapWarningShown, lShape);
    lGuard.SetRestoreCommand(lShape.mRestoreCommand);
    if (!lFound) {
        return nullptr;
    }
    const MFnNurbsSurface lShapeSurface(lShape.mShape, &lStatus);
    const MFnNurbsSurface lSource(lShape.mSource, lStatus ? &lStatus : nullptr);
    if (!lStatus) {
        lStatus.perror(G::kNurbsConstructor);
        return nullptr;
    }
    MStatus lDataStatus;
    const MFnNurbsSurface lData(lShape.mInputData, &lDataStatus);
    RyvVurnNode* lNode = mFactory.CreateNode(pDagNode.name().asChar(), &pPath);
    if (!lNode) {
        return nullptr;
    }
    lNode->SetShadingMode(kShadingTextured);
    lNode->SetShapeIndex(0);
    lNode->SetVisibility(ShapeVisibility(pPath, lShape.mShape));
    AddToNodeTable(pPath, lNode);
    const int lTypeU = KitForm(lSource.formInU());
    const int lTypeV = KitForm(lSource.formInV());
    KRyvNurb* lNurb = lTypeU < 0 || lTypeV < 0 ? nullptr : mFactory.CreateNurb();
    if (!lNurb) {
        return lNode;
    }
    FillNurb(*lNurb, lSource, lDataStatus ? lData : lSource, lTypeU, lTypeV,
             pPath.fullPathName().asChar(), *mLog);
    lNode->SetNodeAttribute(lNurb);
    return lNode;
}
