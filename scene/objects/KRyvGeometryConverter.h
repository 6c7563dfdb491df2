#ifndef RYVKIT_SCENE_OBJECTS_KRYVGEOMETRYCONVERTER_H
#define RYVKIT_SCENE_OBJECTS_KRYVGEOMETRYCONVERTER_H

#include "core/KError.h"

#include <vector>

class KRyvGeometry;
class KRyvMesh;
class KRyvNode;
class KRyvNurb;
class KRyvObjectFactory;
class KRyvPatch;

// Turns one kind of geometry attribute into another: triangulates meshes, tessellates patches
// and NURBS surfaces into triangle meshes (KRyvTessellator), converts patches into NURBS
// surfaces and copies a NURBS surface with U and V exchanged. Every geometry it returns is made
// by the factory given to the constructor and belongs to that factory's lists; sources are left
// unchanged, except by the in-place forms, which replace a node's attribute and destroy the old
// one through the factory.
//
// Failures set GetError() (codes of EError) and answer null or false; nothing is created then.
class KRyvGeometryConverter
{
public:
    enum EError : int {
        kParameterIsNull = 0,
        kNoGeometry = 1,
        kInvalidSurface = 2,
        kNoNurbsForm = 3,
        kInvalidPointCount = 4,
        kCreationFailed = 5,
        kErrorCount = 6,
    };

    // Polygons of more vertices than this are split by the vertex pattern even when concave.
    static constexpr int kMaxEarClippingVertices = 1024;

    // Not owned; must outlive the converter.
    explicit KRyvGeometryConverter(KRyvObjectFactory* pFactory);

    KRyvObjectFactory* GetFactory() const { return mFactory; }

    // Replaces the node's mesh, patch or NURBS surface by a triangle mesh. The shape channels of
    // every take (the Default take's included) are carried over by shape name. False (node
    // unchanged) when the node holds none of them or the conversion fails.
    bool TriangulateInPlace(KRyvNode* pNode);
    // A copy of the mesh whose polygons of 4 or more vertices are split into triangles (fewer
    // are copied as they are). Convex polygons follow BuildTrianglePattern; concave ones are ear
    // clipped in their plane, so no triangle leaves the polygon. Every per-polygon-vertex and
    // per-polygon value of every layer follows its corner or polygon.
    KRyvMesh* TriangulateMesh(KRyvMesh* pMesh);
    // Tessellations (see KRyvTessellator); null with kInvalidSurface when the surface cannot
    // be sampled.
    KRyvMesh* ConvertPatchToMesh(KRyvPatch* pPatch);
    KRyvMesh* ConvertNurbToMesh(KRyvNurb* pNurb);
    // A copy of the surface; with pExchangeUV its U and V orders, counts, steps, types, knot
    // vectors and multiplicities trade places and the control-point grid is transposed; with
    // pRemapLinks every link index i inside the grid becomes (i mod U) x V + i / U (old counts).
    // Null for a null surface, and with kInvalidSurface for an exchange on a surface whose
    // arrays do not match its counts (KRyvNurb::IsValid).
    KRyvNurb* TransposeNurb(KRyvNurb* pNurb, bool pExchangeUV, bool pRemapLinks);
    // The NURBS form of a patch of cubic Bezier, uniform B-spline or linear bases (kNoNurbsForm
    // for the others). Refused with kInvalidPointCount: an open direction with fewer points than
    // the order, and Bezier counts other than 3k + 1 (open) or 3k (closed).
    KRyvNurb* ConvertPatchToNurb(KRyvPatch* pPatch);
    // Replaces the node's patch by its NURBS form, shape channels as TriangulateInPlace.
    bool ConvertPatchToNurbInPlace(KRyvNode* pNode);

    // The 3 (n - 2) corner positions of the triangles of an n-gon: (0, 1, 2), (2, 3, 0), then a
    // strip that closes in from both ends. An empty table for n below 3.
    static void BuildTrianglePattern(std::vector<int>& oTable, int pCount);

    KError& GetError() { return mError; }

private:
    bool ReplaceGeometry(KRyvNode& ioNode, KRyvGeometry& ioOld, KRyvGeometry& ioNew);

    KRyvObjectFactory* mFactory;
    KError mError;
};

#endif
