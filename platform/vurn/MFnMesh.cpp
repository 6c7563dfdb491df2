#include "platform/vurn/MFnMesh.h"

#include "platform/vurn/VurnTypeTable.h"

#include "platform/vurn/VurnStatus.h"

#include <algorithm>

namespace {
constexpr int kShadingGroupRestriction = 5;

const VurnMeshData& EmptyMesh()
{
    static const VurnMeshData sEmpty;
    return sEmpty;
}

int Count(size_t pSize)
{
    return static_cast<int>(pSize);
}

// The polygons of pMember's component (all of them for a whole-object member).
std::vector<int> MemberPolygons(const VurnSetMember& pMember, int pPolygonCount)
{
    std::vector<int> lPolygons;
    const VurnComponent* lComponent = VurnScene::Get().Component(pMember.mComponent);
    if (!lComponent) {
        for (int lPolygon = 0; lPolygon < pPolygonCount; ++lPolygon) {
            lPolygons.push_back(lPolygon);
        }
    } else if (lComponent->mType == MFn::kMeshPolygonComponent) {
        lPolygons = lComponent->mFirst;
    }
    return lPolygons;
}
} // namespace

MFnMesh::MFnMesh(const MObject& pObject, MStatus* oStatus)
{
    VurnReport(oStatus, setObject(pObject));
}

MFnMesh::MFnMesh(const MDagPath& pPath, MStatus* oStatus)
{
    MDagPath lPath = pPath;
    lPath.extendToShape();
    AttachPath(lPath, oStatus);
}

bool MFnMesh::accepts(const MObject& pObject) const
{
    return pObject.hasFn(MFn::kMesh) || pObject.hasFn(MFn::kMeshData);
}

// One look-up of the object per call: every mesh query goes through here.
const VurnMeshData* MFnMesh::GeometryOf(const MObject& pObject)
{
    VurnScene& lScene = VurnScene::Get();
    if (pObject.kind() == MObject::kNode) {
        const VurnNode* lNode = lScene.Node(pObject.id());
        if (!lNode || !VurnTypeTable::IsA(lNode->mType, MFn::kMesh)) {
            return nullptr;
        }
        return lNode->mMesh ? lNode->mMesh.get() : &EmptyMesh();
    }
    const VurnDataObject* lData =
        pObject.kind() == MObject::kData ? lScene.Data(pObject.id()) : nullptr;
    return lData && VurnTypeTable::IsA(lData->mType, MFn::kMeshData) ? lData->mMesh.get() : nullptr;
}

const VurnMeshData* MFnMesh::Geometry() const
{
    return GeometryOf(object());
}

MStatus MFnMesh::ToSpace(MPoint& ioPoint, MSpace::Space pSpace) const
{
    if (pSpace != MSpace::kWorld) {
        return MStatus();
    }
    if (!KeptPath().isValid()) {
        return VurnFailure("world space needs a DAG path");
    }
    ioPoint = ioPoint * KeptPath().inclusiveMatrix();
    return MStatus();
}

MStatus MFnMesh::ToSpace(MVector& ioVector, MSpace::Space pSpace) const
{
    if (pSpace != MSpace::kWorld) {
        return MStatus();
    }
    if (!KeptPath().isValid()) {
        return VurnFailure("world space needs a DAG path");
    }
    ioVector = (ioVector * KeptPath().inclusiveMatrix().inverse().transpose()).normal();
    return MStatus();
}

int MFnMesh::numVertices(MStatus* oStatus) const
{
    VurnReport(oStatus, Geometry() ? MStatus() : VurnFailure("not attached"));
    return Geometry() ? Count(Geometry()->mPoints.size()) : 0;
}

int MFnMesh::numPolygons(MStatus* oStatus) const
{
    const VurnMeshData* lMesh = Geometry();
    VurnReport(oStatus, lMesh ? MStatus() : VurnFailure("not attached"));
    return lMesh ? Count(lMesh->mPolygons.size()) : 0;
}

int MFnMesh::numNormals(MStatus* oStatus) const
{
    VurnReport(oStatus, Geometry() ? MStatus() : VurnFailure("not attached"));
    return Geometry() ? Count(Geometry()->mNormals.size()) : 0;
}

int MFnMesh::numUVSets(MStatus* oStatus) const
{
    VurnReport(oStatus, Geometry() ? MStatus() : VurnFailure("not attached"));
    return Geometry() ? Count(Geometry()->mUVSets.size()) : 0;
}

MStatus MFnMesh::getPoint(int pVertex, MPoint& oPoint, MSpace::Space pSpace) const
{
    if (pVertex < 0 || pVertex >= numVertices()) {
        return VurnFailure("vertex index out of range");
    }
    oPoint = Geometry()->mPoints[pVertex];
    return ToSpace(oPoint, pSpace);
}

MStatus MFnMesh::getPoints(MPointArray& oPoints, MSpace::Space pSpace) const
{
    oPoints.clear();
    for (int lVertex = 0; lVertex < numVertices(); ++lVertex) {
        MPoint lPoint;
        const MStatus lStatus = getPoint(lVertex, lPoint, pSpace);
        if (!lStatus) {
            return lStatus;
        }
        oPoints.append(lPoint);
    }
    return Geometry() ? MStatus() : VurnFailure("not attached");
}

MStatus MFnMesh::getNormals(MFloatVectorArray& oNormals, MSpace::Space pSpace) const
{
    oNormals.clear();
    if (!Geometry()) {
        return VurnFailure("not attached");
    }
    for (MVector lNormal : Geometry()->mNormals) {
        const MStatus lStatus = ToSpace(lNormal, pSpace);
        if (!lStatus) {
            return lStatus;
        }
        oNormals.append(lNormal);
    }
    return MStatus();
}

MStatus MFnMesh::getVertexNormal(int pVertex, MVector& oNormal, MSpace::Space pSpace) const
{
    if (pVertex < 0 || pVertex >= numVertices()) {
        return VurnFailure("vertex index out of range");
    }
    const VurnMeshData& lMesh = *Geometry();
    MVector lSum;
    for (int lPolygon = 0; lPolygon < Count(lMesh.mPolygons.size()); ++lPolygon) {
        for (int lCorner = 0; lCorner < Count(lMesh.mPolygons[lPolygon].size()); ++lCorner) {
            const int lId = VurnMeshData::CornerId(lMesh.mNormalIds, lPolygon, lCorner);
            if (lMesh.mPolygons[lPolygon][lCorner] == pVertex && lId >= 0 &&
                lId < Count(lMesh.mNormals.size())) {
                lSum = lSum + lMesh.mNormals[lId];
            }
        }
    }
    oNormal = lSum.normal();
    return ToSpace(oNormal, pSpace);
}

int MFnMesh::polygonVertexCount(int pPolygon, MStatus* oStatus) const
{
    const VurnMeshData* lMesh = Geometry();
    if (!lMesh || pPolygon < 0 || pPolygon >= Count(lMesh->mPolygons.size())) {
        VurnReport(oStatus, VurnFailure("polygon index out of range"));
        return 0;
    }
    VurnReport(oStatus, MStatus());
    return Count(lMesh->mPolygons[pPolygon].size());
}

MStatus MFnMesh::getPolygonVertices(int pPolygon, MIntArray& oVertices) const
{
    oVertices.clear();
    if (pPolygon < 0 || pPolygon >= numPolygons()) {
        return VurnFailure("polygon index out of range");
    }
    for (int lVertex : Geometry()->mPolygons[pPolygon]) {
        oVertices.append(lVertex);
    }
    return MStatus();
}

MStatus MFnMesh::getConnectedShaders(unsigned int pInstance, MObjectArray& oSets,
                                     MIntArray& oIndices) const
{
    oSets.clear();
    MDagPathArray lPaths;
    MDagPath::getAllPathsTo(object(), lPaths);
    if (!Geometry() || pInstance >= lPaths.length()) {
        return VurnFailure("no such instance");
    }
    const int lPolygons = numPolygons();
    oIndices = MIntArray(static_cast<unsigned int>(lPolygons), -1);
    const VurnScene& lScene = VurnScene::Get();
    for (int lSet : lScene.NodesOfType(MFn::kSet)) {
        const VurnNode* lNode = lScene.Node(lSet);
        if (!lNode || !lNode->mSet || lNode->mSet->mRestriction != kShadingGroupRestriction) {
            continue;
        }
        for (const VurnSetMember& lMember : lNode->mSet->mMembers) {
            if (lMember.mPath != lPaths[pInstance].nodes()) {
                continue;
            }
            if (oSets.length() == 0 || oSets[oSets.length() - 1] != MObject::node(lSet)) {
                oSets.append(MObject::node(lSet));
            }
            for (int lPolygon : MemberPolygons(lMember, lPolygons)) {
                if (lPolygon >= 0 && lPolygon < lPolygons) {
                    oIndices[static_cast<unsigned int>(lPolygon)] =
                        static_cast<int>(oSets.length()) - 1;
                }
            }
        }
    }
    return MStatus();
}

MStatus MFnMesh::getUVSetNames(MStringArray& oNames) const
{
    oNames.clear();
    if (!Geometry()) {
        return VurnFailure("not attached");
    }
    for (const VurnUVSet& lSet : Geometry()->mUVSets) {
        oNames.append(MString(lSet.mName));
    }
    return MStatus();
}

const VurnUVSet* MFnMesh::FindUVSet(const MString* pSet) const
{
    const VurnMeshData* lMesh = Geometry();
    if (!lMesh || lMesh->mUVSets.empty()) {
        return nullptr;
    }
    if (!pSet) {
        return &lMesh->mUVSets.front();
    }
    for (const VurnUVSet& lSet : lMesh->mUVSets) {
        if (lSet.mName == pSet->str()) {
            return &lSet;
        }
    }
    return nullptr;
}

MStatus MFnMesh::getAssociatedUVSetTextures(const MString& pSet, MObjectArray& oTextures) const
{
    oTextures.clear();
    const VurnUVSet* lSet = FindUVSet(&pSet);
    if (!lSet) {
        return VurnFailure("no such UV set");
    }
    for (int lTexture : lSet->mTextures) {
        oTextures.append(MObject::node(lTexture));
    }
    return MStatus();
}

MStatus MFnMesh::getUVs(MFloatArray& oU, MFloatArray& oV, const MString* pSet) const
{
    oU.clear();
    oV.clear();
    const VurnUVSet* lSet = FindUVSet(pSet);
    if (!lSet) {
        return VurnFailure("no such UV set");
    }
    for (size_t lIndex = 0; lIndex < lSet->mU.size() && lIndex < lSet->mV.size(); ++lIndex) {
        oU.append(lSet->mU[lIndex]);
        oV.append(lSet->mV[lIndex]);
    }
    return MStatus();
}

MStatus MFnMesh::getPolygonUVid(int pPolygon, int pCorner, int& oId, const MString* pSet) const
{
    const VurnUVSet* lSet = FindUVSet(pSet);
    const int lId = lSet ? VurnMeshData::CornerId(lSet->mIds, pPolygon, pCorner) : -1;
    if (lId < 0) {
        return VurnFailure("face-vertex has no UV");
    }
    oId = lId;
    return MStatus();
}

MStatus MFnMesh::getFaceVertexColors(MColorArray& oColors) const
{
    oColors.clear();
    const VurnMeshData* lMesh = Geometry();
    if (!lMesh) {
        return VurnFailure("not attached");
    }
    const MColor lUnset(-1.0f, -1.0f, -1.0f, -1.0f);
    for (int lPolygon = 0; lPolygon < Count(lMesh->mPolygons.size()); ++lPolygon) {
        for (int lCorner = 0; lCorner < Count(lMesh->mPolygons[lPolygon].size()); ++lCorner) {
            const int lId = VurnMeshData::CornerId(lMesh->mColorIds, lPolygon, lCorner);
            oColors.append(lId >= 0 && lId < Count(lMesh->mColors.size()) ? lMesh->mColors[lId]
                                                                          : lUnset);
        }
    }
    return MStatus();
}

MStatus MFnMesh::getFaceVertexColorIndex(int pPolygon, int pCorner, int& oIndex) const
{
    const VurnMeshData* lMesh = Geometry();
    if (!lMesh || pPolygon < 0 || pPolygon >= Count(lMesh->mPolygons.size()) || pCorner < 0 ||
        pCorner >= Count(lMesh->mPolygons[pPolygon].size())) {
        return VurnFailure("face-vertex out of range");
    }
    if (mCornersOf != lMesh || mFirstCorners.size() != lMesh->mPolygons.size()) {
        mCornersOf = lMesh;
        mFirstCorners.clear();
        int lBefore = 0;
        for (const std::vector<int>& lPolygon : lMesh->mPolygons) {
            mFirstCorners.push_back(lBefore);
            lBefore += Count(lPolygon.size());
        }
    }
    oIndex = mFirstCorners[static_cast<size_t>(pPolygon)] + pCorner;
    return MStatus();
}
