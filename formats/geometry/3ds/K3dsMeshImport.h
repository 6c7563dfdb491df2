#ifndef RYVKIT_FORMATS_GEOMETRY_3DS_K3DSMESHIMPORT_H
#define RYVKIT_FORMATS_GEOMETRY_3DS_K3DSMESHIMPORT_H

#include "core/KVector4.h"
#include "formats/geometry/3ds/K3dsCornerPoints.h"
#include "formats/geometry/3ds/toolkit/Primitives3ds.h"

#include <vector>

class KRyvMesh;
struct MeshObject3ds;

// Turns the geometry of one 3DS mesh object into a kit mesh: control points brought back from
// the object's local axes (the identity when its matrix is singular) and, when that matrix
// mirrors (a negative determinant), mirrored in local X, in kit axes, times pScale; one triangle
// per face in file order; normals by control point (area-weighted sums of the face normals,
// normalised); one UV per 3DS vertex ((0, 0) without texture coordinates), each polygon vertex
// pointing at its vertex's UV.
//
// With pSplitBySmoothing, a face corner shares a control point only with corners of the same
// vertex whose smoothing masks share a bit; the first corner of a vertex keeps the vertex's own
// point. So corners of faces without smoothing group (mask 0) each get a point of their own
// (faceted), and no point is left that no polygon uses. Control points at one file position
// joined by smoothing groups they share (directly or through other points there; a vertex
// split where its texture coordinates differ) share their normal, so smoothing goes on across
// the split. pFaceMaterial and pFaceTexture give
// each face's layer-0 material and texture index (-1 for none; both may be empty).
// The object's faces must index its vertices (the toolkit guarantees it).
class K3dsMeshImport
{
public:
    // The control point of each point pVertexOf names: its vertex brought back from the local
    // system pLocal (twelve floats) into kit axes, times pScale.
    static std::vector<KVector4> Points(const float* pLocal, const std::vector<Point3ds>& pVertices,
                                        const std::vector<int>& pVertexOf, double pScale);
    // The normal of each of pPoints, as Fill gives them (pVertices: the file positions, which
    // tell the points that stand at one place).
    static std::vector<KVector4> Normals(const std::vector<Point3ds>& pVertices,
                                         const K3dsCornerPoints& pCorners,
                                         const std::vector<KVector4>& pPoints);
    static void Fill(const MeshObject3ds& pObject, double pScale, bool pSplitBySmoothing,
                     const std::vector<int>& pFaceMaterial, const std::vector<int>& pFaceTexture,
                     KRyvMesh& ioMesh);
};

#endif
