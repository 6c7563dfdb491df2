#ifndef RYVKIT_PLATFORM_VURN_MFNMESH_H
#define RYVKIT_PLATFORM_VURN_MFNMESH_H

#include "platform/vurn/MArrays.h"
#include "platform/vurn/MFnDagNode.h"
#include "platform/vurn/VurnPayloads.h"

#include <vector>

// The function set of polygon meshes, on a mesh shape or a mesh data object. World space needs
// the set to be attached through a path (or a shape, through its first path); indices out of
// range give a failure status and leave the outputs empty or untouched.
class MFnMesh : public MFnDagNode
{
public:
    MFnMesh() = default;
    explicit MFnMesh(const MObject& pObject, MStatus* oStatus = nullptr);
    explicit MFnMesh(const MDagPath& pPath, MStatus* oStatus = nullptr);
    MFn::Type type() const override { return MFn::kMesh; }
    bool accepts(const MObject& pObject) const override;

    int numVertices(MStatus* oStatus = nullptr) const;
    int numPolygons(MStatus* oStatus = nullptr) const;
    int numNormals(MStatus* oStatus = nullptr) const;
    int numUVSets(MStatus* oStatus = nullptr) const;
    MStatus getPoint(int pVertex, MPoint& oPoint, MSpace::Space pSpace = MSpace::kObject) const;
    MStatus getPoints(MPointArray& oPoints, MSpace::Space pSpace = MSpace::kObject) const;
    MStatus getNormals(MFloatVectorArray& oNormals, MSpace::Space pSpace = MSpace::kObject) const;
    // The mean of the normals of the vertex's face-vertices, normalised.
    MStatus getVertexNormal(int pVertex, MVector& oNormal,
                            MSpace::Space pSpace = MSpace::kObject) const;
    int polygonVertexCount(int pPolygon, MStatus* oStatus = nullptr) const;
    MStatus getPolygonVertices(int pPolygon, MIntArray& oVertices) const;
    // The shading sets (restriction 5) of instance pInstance and, per polygon, the index of its
    // set in oSets or -1.
    MStatus getConnectedShaders(unsigned int pInstance, MObjectArray& oSets,
                                MIntArray& oIndices) const;
    MStatus getUVSetNames(MStringArray& oNames) const;
    MStatus getAssociatedUVSetTextures(const MString& pSet, MObjectArray& oTextures) const;
    // The set's coordinates; pSet null for the first set.
    MStatus getUVs(MFloatArray& oU, MFloatArray& oV, const MString* pSet = nullptr) const;
    MStatus getPolygonUVid(int pPolygon, int pCorner, int& oId,
                           const MString* pSet = nullptr) const;
    // One colour per face-vertex, polygon by polygon; (-1, -1, -1, -1) where none is set.
    MStatus getFaceVertexColors(MColorArray& oColors) const;
    // The index of that face-vertex in getFaceVertexColors' array. The set keeps the first
    // face-vertex of every polygon from one call to the next while the polygon count stays,
    // so that asking for every face-vertex in turn stays linear.
    MStatus getFaceVertexColorIndex(int pPolygon, int pCorner, int& oIndex) const;

    // The geometry the set works on; null when not attached.
    const VurnMeshData* Geometry() const;
    // The geometry of a mesh shape or mesh data object; an empty one for a shape without any.
    static const VurnMeshData* GeometryOf(const MObject& pObject);

private:
    const VurnUVSet* FindUVSet(const MString* pSet) const;
    // Transforms by the path's matrix in world space; failure for world space without a path.
    MStatus ToSpace(MPoint& ioPoint, MSpace::Space pSpace) const;
    MStatus ToSpace(MVector& ioVector, MSpace::Space pSpace) const;

    // The face-vertex index of every polygon's first corner, for the geometry mCornersOf.
    mutable std::vector<int> mFirstCorners;
    mutable const VurnMeshData* mCornersOf = nullptr;
};

#endif
