#include "platform/vurn/MItMesh.h"

#include "platform/vurn/MFnComponent.h"
#include "platform/vurn/VurnStatus.h"

#include <algorithm>

MItMeshVertex::MItMeshVertex(const MDagPath& pPath, const MObject& pComponent, MStatus* oStatus)
    : mMesh(pPath)
{
    Start(pComponent, oStatus);
}

MItMeshVertex::MItMeshVertex(const MObject& pMesh, MStatus* oStatus) : mMesh(pMesh)
{
    Start(MObject(), oStatus);
}

void MItMeshVertex::Start(const MObject& pComponent, MStatus* oStatus)
{
    if (!mMesh.isAttached()) {
        VurnReport(oStatus, VurnFailure("not a mesh"));
        return;
    }
    const int lCount = mMesh.numVertices();
    GatherNormalIds();
    if (pComponent.isNull()) {
        for (int lVertex = 0; lVertex < lCount; ++lVertex) {
            mVertices.push_back(lVertex);
        }
        VurnReport(oStatus, MStatus());
        return;
    }
    MFnSingleIndexedComponent lComponent(pComponent);
    MIntArray lElements;
    if (!pComponent.hasFn(MFn::kMeshVertComponent) || !lComponent.getElements(lElements)) {
        VurnReport(oStatus, VurnFailure("not a vertex component"));
        return;
    }
    for (int lVertex : lElements.items()) {
        if (lVertex >= 0 && lVertex < lCount) {
            mVertices.push_back(lVertex);
        }
    }
    VurnReport(oStatus, MStatus());
}

// A counting sort of the face-vertices by vertex: one pass to count, one to place.
void MItMeshVertex::GatherNormalIds()
{
    const VurnMeshData& lMesh = *mMesh.Geometry();
    const size_t lCount = lMesh.mPoints.size();
    mNormalStart.assign(lCount + 1, 0);
    for (const std::vector<int>& lPolygon : lMesh.mPolygons) {
        for (int lVertex : lPolygon) {
            if (lVertex >= 0 && static_cast<size_t>(lVertex) < lCount) {
                ++mNormalStart[static_cast<size_t>(lVertex) + 1];
            }
        }
    }
    for (size_t lVertex = 0; lVertex < lCount; ++lVertex) {
        mNormalStart[lVertex + 1] += mNormalStart[lVertex];
    }
    std::vector<size_t> lNext(mNormalStart.begin(), mNormalStart.end() - 1);
    mNormalIds.assign(mNormalStart.back(), -1);
    for (size_t lPolygon = 0; lPolygon < lMesh.mPolygons.size(); ++lPolygon) {
        const std::vector<int>& lCorners = lMesh.mPolygons[lPolygon];
        for (size_t lCorner = 0; lCorner < lCorners.size(); ++lCorner) {
            const int lVertex = lCorners[lCorner];
            if (lVertex >= 0 && static_cast<size_t>(lVertex) < lCount) {
                mNormalIds[lNext[static_cast<size_t>(lVertex)]++] = VurnMeshData::CornerId(
                    lMesh.mNormalIds, static_cast<int>(lPolygon), static_cast<int>(lCorner));
            }
        }
    }
}

int MItMeshVertex::index(MStatus* oStatus) const
{
    VurnReport(oStatus, isDone() ? VurnFailure("walk is done") : MStatus());
    return isDone() ? -1 : mVertices[mPosition];
}

MPoint MItMeshVertex::position(MSpace::Space pSpace, MStatus* oStatus) const
{
    MPoint lPoint;
    VurnReport(oStatus, isDone() ? VurnFailure("walk is done")
                                 : mMesh.getPoint(mVertices[mPosition], lPoint, pSpace));
    return lPoint;
}

MStatus MItMeshVertex::getNormals(MVectorArray& oNormals, MSpace::Space pSpace) const
{
    oNormals.clear();
    if (isDone()) {
        return VurnFailure("walk is done");
    }
    const VurnMeshData& lMesh = *mMesh.Geometry();
    const size_t lVertex = static_cast<size_t>(mVertices[mPosition]);
    std::vector<int> lSeen;
    for (size_t lAt = mNormalStart[lVertex]; lAt < mNormalStart[lVertex + 1]; ++lAt) {
        const int lId = mNormalIds[lAt];
        if (lId < 0 || lId >= static_cast<int>(lMesh.mNormals.size()) ||
            std::find(lSeen.begin(), lSeen.end(), lId) != lSeen.end()) {
            continue;
        }
        lSeen.push_back(lId);
        MVector lNormal = lMesh.mNormals[lId];
        if (pSpace == MSpace::kWorld) {
            MDagPath lPath;
            if (!mMesh.getPath(lPath)) {
                return VurnFailure("world space needs a DAG path");
            }
            lNormal = (lNormal * lPath.inclusiveMatrix().inverse().transpose()).normal();
        }
        oNormals.append(lNormal);
    }
    return MStatus();
}

MStatus MItMeshVertex::next()
{
    if (isDone()) {
        return VurnFailure("walk is done");
    }
    ++mPosition;
    return MStatus();
}

MStatus MItMeshVertex::reset()
{
    mPosition = 0;
    return MStatus();
}

MItMeshPolygon::MItMeshPolygon(const MDagPath& pPath, MStatus* oStatus) : mMesh(pPath, oStatus) {}

MItMeshPolygon::MItMeshPolygon(const MObject& pMesh, MStatus* oStatus) : mMesh(pMesh, oStatus) {}

int MItMeshPolygon::index(MStatus* oStatus) const
{
    VurnReport(oStatus, isDone() ? VurnFailure("walk is done") : MStatus());
    return isDone() ? -1 : mPolygon;
}

unsigned int MItMeshPolygon::polygonVertexCount(MStatus* oStatus) const
{
    return static_cast<unsigned int>(mMesh.polygonVertexCount(mPolygon, oStatus));
}

int MItMeshPolygon::vertexIndex(int pCorner, MStatus* oStatus) const
{
    const int lId =
        isDone() ? -1 : VurnMeshData::CornerId(mMesh.Geometry()->mPolygons, mPolygon, pCorner);
    VurnReport(oStatus, lId >= 0 ? MStatus() : VurnFailure("corner out of range"));
    return lId;
}

int MItMeshPolygon::normalIndex(int pCorner, MStatus* oStatus) const
{
    const int lId =
        isDone() ? -1 : VurnMeshData::CornerId(mMesh.Geometry()->mNormalIds, mPolygon, pCorner);
    VurnReport(oStatus, lId >= 0 ? MStatus() : VurnFailure("corner has no normal"));
    return lId;
}

MStatus MItMeshPolygon::next()
{
    if (isDone()) {
        return VurnFailure("walk is done");
    }
    ++mPolygon;
    return MStatus();
}

MStatus MItMeshPolygon::reset()
{
    mPolygon = 0;
    return MStatus();
}
