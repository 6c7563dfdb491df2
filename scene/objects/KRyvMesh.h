#ifndef RYVKIT_SCENE_OBJECTS_KRYVMESH_H
#define RYVKIT_SCENE_OBJECTS_KRYVMESH_H

#include "core/KString.h"
#include "core/KVector2.h"
#include "core/KVector4.h"
#include "scene/objects/KRyvGeometry.h"

#include <vector>

// One polygon of a mesh: its first vertex (a position in the polygon-vertex list), its number of
// vertices and its group.
struct KRyvMeshPolygon
{
    int mFirst;
    int mSize;
    int mGroup;
};

// One use of a control point by a polygon vertex in a split table: the polygon-vertex position,
// the control point the vertex gets (the original for the first use, a new one for each
// further use) and the normal it carries.
struct KRyvMeshSplitEntry
{
    int mPosition;
    int mIndex;
    KVector4 mNormal;
};

// One list of uses per control point, in polygon-vertex order.
using KRyvMeshSplitTable = std::vector<std::vector<KRyvMeshSplitEntry>>;

// The polygon mesh (attribute type 4): the control points and layers of the geometry, a table of
// polygons and the list of their vertices (control-point indices). Its own operations fill and
// read layer 0's per-polygon materials and textures, its UVs and normals, in the mesh's mapping
// codes (EMeshMapping).
//
// Two pairs of operations convert between shared control points and one control point per
// polygon vertex: BuildControlPointSplitTable + SplitControlPoints before writing, and
// FindDuplicateControlPoints + MergeDuplicateControlPoints after reading. Both keep every value
// on its polygon vertex (normals, UVs, colours, ...), carry the skin links and extend or trim
// the shapes; both run in O(n log n) or better.
//
// Indices outside the tables give -1, null or false; refused conversions set the geometry error
// kParameterOutOfRange and change nothing.
class KRyvMesh : public KRyvGeometry
{
public:
    // The mesh's mapping codes; element mapping mode = code + 1.
    enum EMeshMapping : int {
        eMappingByControlPoint = 0,
        eMappingByPolygonVertex = 1,
        eMappingByPolygon = 2,
        eMappingAllSame = 3,
    };

    // The largest InitTextureUV count.
    static constexpr int kMaxTextureUVCount = 1 << 26;

    explicit KRyvMesh(KRyvObjectFactory* pFactory);
    ~KRyvMesh() override;

    int GetAttributeType() const override { return eMesh; }
    // "Mesh".
    KString GetTypeName() const override;

    // The geometry part, then the polygons and polygon vertices. Self-assignment changes nothing.
    KRyvMesh& operator=(const KRyvMesh& pOther);
    void CopyFrom(const KRyvMesh& pOther) { *this = pOther; }

    // Empties polygons, polygon vertices, control points and layers.
    void Reset();

    // Polygons --------------------------------------------------------------------------------
    // Starts a polygon; -1 for no material or texture. Layer 0's material (texture) element gets
    // the index when it is mapped by polygon with reference Index or IndexToDirect; a missing
    // element is created (unmapped) only for the first polygon and a given index.
    void BeginPolygon(int pMaterialIndex = -1, int pTextureIndex = -1, int pGroup = -1);
    // Adds a vertex to the last polygon and returns that polygon's new size; a UV index other
    // than -1 goes to layer 0's UVs when they are mapped by polygon vertex, IndexToDirect.
    // -1 (nothing added) before the first BeginPolygon.
    int AddPolygon(int pControlPointIndex, int pUVIndex = -1);
    // Makes room for pPolygons more polygons with pPolygonVertices more vertices in all, so that
    // a builder that knows its sizes fills the tables without growing them by copying. Changes no
    // answer; negative counts count as 0.
    void ReservePolygons(int pPolygons, int pPolygonVertices);
    // Replaces every polygon at once, for a builder that fills the tables in place: the polygons
    // become ioPolygons (their sizes and groups; each one's first vertex is set here) over the
    // control-point indices ioVertices. Refused (false, nothing changed, kParameterOutOfRange)
    // for a negative size, sizes that do not add up to the vertices, more than INT_MAX of
    // either, or an index that is not a control point of the mesh. On success the vectors hold
    // the former polygons. Layer elements are left as they are: the caller sets them whole.
    bool SwapPolygons(std::vector<KRyvMeshPolygon>& ioPolygons, std::vector<int>& ioVertices);
    int GetPolygonCount() const { return static_cast<int>(mPolygons.size()); }
    // -1 outside 0..count-1.
    int GetPolygonSize(int pPolygon) const;
    // The control point of a polygon's vertex; -1 when either index is out of range.
    int GetPolygonVertex(int pPolygon, int pPosition) const;
    // The group BeginPolygon gave the polygon; -1 for an index out of range.
    int GetPolygonGroup(int pPolygon) const;
    // GetPolygonVertexCount control-point indices; null when there are none.
    int* GetPolygonVertices()
    {
        return mPolygonVertices.empty() ? nullptr : mPolygonVertices.data();
    }
    const int* GetPolygonVertices() const
    {
        return mPolygonVertices.empty() ? nullptr : mPolygonVertices.data();
    }
    int GetPolygonVertexCount() const { return static_cast<int>(mPolygonVertices.size()); }
    // Layer 0's normal of a polygon vertex, following the normals' mapping and reference mode.
    // False (oNormal unchanged) for an index out of range or no such normal.
    bool GetPolygonVertexNormal(int pPolygon, int pPosition, KVector4& oNormal) const;

    // Layer-0 data in mesh codes (layer 0 and the element are created when missing) -----------
    // Reference IndexToDirect, index array emptied. By control point: one index 0 per control
    // point (the mapping is kept when there are none); by polygon: filled by BeginPolygon; any
    // other code: all same, one index 0.
    void InitMaterialIndices(int pCode);
    // Reference IndexToDirect, index array emptied; by polygon, or all same with one index 0.
    void InitTextureIndices(int pCode);
    // Both UV arrays emptied. By control point: Direct; by polygon vertex: IndexToDirect; all
    // same: Direct; any other code: unmapped, Direct.
    void InitTextureUVIndices(int pCode);
    // pCount zero UVs (none for pCount < 1); false above kMaxTextureUVCount.
    bool InitTextureUV(int pCount);
    // Appends a UV and returns its index; 0 when layer 0 or its UV element is missing.
    int AddTextureUV(const KVector2& pUV);
    // Layer 0's UVs, null (count 0) when there are none.
    KVector2* GetTextureUV();
    int GetTextureUVCount() const;
    // Layer 0's material (texture) index array; null when missing or empty.
    int* GetMaterialIndices();
    int* GetTextureIndices();
    // The UV index of a polygon vertex when the UVs are mapped by polygon vertex,
    // IndexToDirect; -1 otherwise or for an index out of range.
    int GetTextureUVIndex(int pPolygon, int pPosition) const;
    // By control point (0), by polygon (2), else all same (3).
    int GetMaterialMappingMode() const;
    // By polygon (2), else all same (3).
    int GetTextureMappingMode() const;
    // By control point (0), by polygon vertex (1), else all same (3).
    int GetTextureUVMappingMode() const;
    // 1 when layer 0's normals are mapped by polygon vertex, else 0.
    int GetNormalsMappingMode() const;

    // Shared control points ---------------------------------------------------------------------
    // Fills oMap with one entry per control point: the lowest-indexed earlier point at the same
    // position (x, y, z each within 1e-6, w ignored) that is not itself a duplicate, or the
    // point's own index. Without pAll, points past the first duplicate are matched only against
    // the points before it. True when a duplicate was found.
    bool FindDuplicateControlPoints(std::vector<int>& oMap, bool pAll) const;
    // One list per control point of the polygon vertices using it, in order, with layer 0's
    // normal of each (zero without normals): the first use keeps the point, each further use
    // gets the next new index from the control-point count up.
    void BuildControlPointSplitTable(KRyvMeshSplitTable& oTable) const;
    // Gives each further use of the table its own control point (same position) and re-points
    // its polygon vertex; layer 0's normals become by control point with the table's normals;
    // per-control-point values of every layer (UVs, colours, indices), the skin links and the
    // shapes are copied onto the new points. False (nothing changed) when the table does not
    // describe this mesh.
    bool SplitControlPoints(const KRyvMeshSplitTable& pTable);
    // The reverse for a mesh in the split layout: with D the lowest index whose map entry is not
    // its own, re-points the polygon vertices through the map and removes the points from D on.
    // Layer 0's normals by control point become by polygon vertex; other per-control-point
    // values are trimmed, or moved onto the polygon vertices where a removed point's value
    // differed; links keep their indices below D; shapes are trimmed to D points. Refused (false,
    // nothing changed) unless the map has one entry per control point, every polygon vertex is a
    // valid point, and every point from D on maps below D and is used by exactly one polygon
    // vertex. A map without duplicates changes nothing.
    bool MergeDuplicateControlPoints(const std::vector<int>& pMap);

private:
    KLayer* GetOrCreateLayer0();
    const KLayer* GetLayer0() const;

    std::vector<KRyvMeshPolygon> mPolygons;
    std::vector<int> mPolygonVertices;
};

#endif
