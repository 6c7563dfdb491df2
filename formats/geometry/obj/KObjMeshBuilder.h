#ifndef RYVKIT_FORMATS_GEOMETRY_OBJ_KOBJMESHBUILDER_H
#define RYVKIT_FORMATS_GEOMETRY_OBJ_KOBJMESHBUILDER_H

#include "core/KVector2.h"
#include "core/KVector4.h"
#include "formats/geometry/obj/KObjPageAllocator.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

class KReadRollback;
class KRyvMaterial;
class KRyvMesh;
class KRyvObjectFactory;
class KRyvTexture;
struct KObjMeshBuild;
struct KObjMeshIndices;

// One face corner: zero-based indices into the read's lists, -1 for none.
struct KObjCorner
{
    int mVertex;
    int mUV;
    int mNormal;
};

// A corner as the de-duplication table keys it: its vertex and normal. Its UV does not split the
// vertex, as UVs are kept per polygon vertex.
struct KObjCornerKey
{
    int mVertex;
    int mNormal;

    bool operator==(const KObjCornerKey& pOther) const
    {
        return mVertex == pOther.mVertex && mNormal == pOther.mNormal;
    }
};

struct KObjCornerKeyHash
{
    std::size_t operator()(const KObjCornerKey& pKey) const
    {
        std::uint64_t lHash = static_cast<std::uint32_t>(pKey.mVertex);
        lHash = lHash * 0x9E3779B97F4A7C15ull + static_cast<std::uint32_t>(pKey.mNormal);
        return static_cast<std::size_t>(lHash ^ (lHash >> 29));
    }
};

// One "f" statement: mCount corners of the read's corner list from mFirst, with the values
// current when it was read.
struct KObjFace
{
    std::uint32_t mFirst; // in the read's corner list, which is capped below 2^31
    int mCount;
    int mMaterial; // index in the read's material list, -1 for none
    bool mHasNormals;
};

// The faces of one smoothing group; their corners are in the read's one corner list.
struct KObjFaceSet
{
    KObjList<KObjFace> mFaces;
};

// The faces of one OBJ group and what the mesh build needs to know of them all.
struct KObjGroup
{
    std::string mName;
    // By smoothing group, ascending as unsigned numbers.
    std::map<std::uint32_t, KObjFaceSet> mSets;
    bool mAllNormals = true;
    bool mAllTextured = true;
    bool mSomeTextured = false;
};

// A material of the read and its texture (either may be null).
struct KObjMaterialEntry
{
    KRyvMaterial* mMaterial;
    KRyvTexture* mTexture;
};

// The lists an OBJ read gathers, which the mesh builder turns into meshes.
struct KObjReadLists
{
    KObjList<KVector4> mVertices;
    KObjList<KVector2> mUVs;
    KObjList<KVector4> mNormals;
    // The corners of all faces, in the order read.
    KObjList<KObjCorner> mCorners;
    std::vector<KObjMaterialEntry> mMaterials;
};

// Builds the mesh of each group of an OBJ read: one control point per distinct (vertex, normal)
// pair in the order of their first corners, normals generated where faces lack them (a flat
// normal per unsmoothed face, summed normals within a smoothing group), UVs by polygon vertex
// (each texture vertex of the file once, in the order of first use; -1 for a corner without
// one), materials and textures by
// polygon. Meshes and textures are made through the factory and
// recorded in the rollback. The lists are not owned; once the last group is built the builder
// gives back those it no longer needs, so that they never stand beside the last mesh's arrays.
class KObjMeshBuilder
{
public:
    KObjMeshBuilder(KRyvObjectFactory* pFactory, KReadRollback& ioRollback, KObjReadLists& ioLists,
                    bool pLibrarySeen);
    ~KObjMeshBuilder();

    // The mesh of one group (its faces are released); null when the factory makes no mesh.
    KRyvMesh* Build(KObjGroup& ioGroup, bool pLastGroup);

private:
    void GenerateNormals(KObjGroup& ioGroup);
    KVector4 FaceNormal(const KObjFace& pFace) const;
    // Sets up the mesh's material and texture indices and makes room for the group's polygons;
    // answers the number of faces.
    std::size_t InitPolygonIndices(const KObjGroup& pGroup, KRyvMesh& ioMesh,
                                   KObjMeshIndices& oIndices);
    void BeginFacePolygon(const KObjFace& pFace, KRyvMesh& ioMesh, KObjMeshIndices& ioIndices);
    void AddPolygons(const KObjGroup& pGroup, KRyvMesh& ioMesh, KObjMeshBuild& oBuild);
    int AddCorner(const KObjFace& pFace, int pCorner, const int* pFacePoints,
                  KObjMeshBuild& ioBuild);
    // Records the UV of a corner that became polygon vertex pPolygonVertex on point pPoint.
    void AddCornerUV(const KObjCorner& pCorner, int pPoint, int pPolygonVertex,
                     KObjMeshBuild& ioBuild);
    void ReleaseTriples();
    void FillPoints(KRyvMesh& ioMesh, KObjMeshBuild& ioBuild);
    void FillNormals(KRyvMesh& ioMesh, KObjMeshBuild& ioBuild);
    void SetUVs(KRyvMesh& ioMesh, KObjMeshBuild& ioBuild);
    // The control point of a corner's vertex and normal in the mesh being built; -1 when new.
    int FindTriple(const KObjCorner& pCorner);
    void AddTriple(const KObjCorner& pCorner, int pPoint);

    KRyvObjectFactory* mFactory;
    KReadRollback& mRollback;
    KObjList<KVector4>& mVertices;
    KObjList<KVector2>& mUVs;
    KObjList<KVector4>& mNormals;
    KObjList<KObjCorner>& mCorners;
    const std::vector<KObjMaterialEntry>& mMaterials;
    bool mLibrarySeen;
    // Made for the first group with untextured faces beside textured ones.
    KRyvTexture* mEmptyTexture = nullptr;

    // Corner de-duplication of the mesh being built: per vertex a chain of its (normal, point)
    // entries, and for the few vertices with long chains a hash table instead.
    struct Triple
    {
        int mNormal;
        int mPoint;
        int mNext;
    };
    struct Chain
    {
        int mHead = -1;
        int mLength = 0;
    };
    KObjList<Chain> mChains;
    // The corners of the mesh being built.
    std::size_t mMeshCorners = 0;
    KObjList<Triple> mTriples;
    KObjList<int> mTouchedVertices;
    std::unordered_map<KObjCornerKey, int, KObjCornerKeyHash> mLongChains;
    // Per texture vertex of the file: its index among the UVs of the mesh being built, -1 when
    // the mesh has not used it yet. Sized on first use.
    KObjList<int> mMeshUVOf;
};

#endif
