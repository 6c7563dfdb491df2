#ifndef RYVKIT_PLATFORM_VURN_MITMESH_H
#define RYVKIT_PLATFORM_VURN_MITMESH_H

#include "platform/vurn/MFnMesh.h"

#include <vector>

// Walks the vertices of a mesh, all of them or those of a vertex component. The normal ids of
// every vertex are gathered once when the walk is made (so that a walk over a large mesh stays
// linear): the walk answers the normals of the mesh as it was then.
class MItMeshVertex
{
public:
    explicit MItMeshVertex(const MDagPath& pPath, const MObject& pComponent = MObject::kNullObj,
                           MStatus* oStatus = nullptr);
    explicit MItMeshVertex(const MObject& pMesh, MStatus* oStatus = nullptr);

    int index(MStatus* oStatus = nullptr) const;
    int count() const { return static_cast<int>(mVertices.size()); }
    MPoint position(MSpace::Space pSpace = MSpace::kObject, MStatus* oStatus = nullptr) const;
    // The normals of the vertex's face-vertices, one per distinct normal id, in polygon order.
    MStatus getNormals(MVectorArray& oNormals, MSpace::Space pSpace = MSpace::kObject) const;
    MStatus next();
    bool isDone() const { return mPosition >= mVertices.size(); }
    MStatus reset();

private:
    void Start(const MObject& pComponent, MStatus* oStatus);
    void GatherNormalIds();

    MFnMesh mMesh;
    std::vector<int> mVertices;
    size_t mPosition = 0;
    // The normal ids of vertex v's face-vertices, in polygon order, are
    // mNormalIds[mNormalStart[v] .. mNormalStart[v + 1]).
    std::vector<size_t> mNormalStart;
    std::vector<int> mNormalIds;
};

// Walks the polygons of a mesh in order.
class MItMeshPolygon
{
public:
    explicit MItMeshPolygon(const MDagPath& pPath, MStatus* oStatus = nullptr);
    explicit MItMeshPolygon(const MObject& pMesh, MStatus* oStatus = nullptr);

    int index(MStatus* oStatus = nullptr) const;
    int count() const { return mMesh.numPolygons(); }
    unsigned int polygonVertexCount(MStatus* oStatus = nullptr) const;
    int vertexIndex(int pCorner, MStatus* oStatus = nullptr) const;
    int normalIndex(int pCorner, MStatus* oStatus = nullptr) const;
    MStatus next();
    bool isDone() const { return mPolygon >= mMesh.numPolygons(); }
    MStatus reset();

private:
    MFnMesh mMesh;
    int mPolygon = 0;
};

#endif
