#ifndef RYVKIT_FORMATS_GEOMETRY_3DS_K3DSMESHEXPORT_H
#define RYVKIT_FORMATS_GEOMETRY_3DS_K3DSMESHEXPORT_H

#include "formats/geometry/3ds/K3dsWriteSession.h"

#include <array>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

struct K3dsCornerPoints;
class KLayerElement;
class KLayerElementUV;
class KRyvMaterial;
class KRyvMesh;
class KRyvTexture;

// Builds the 3DS mesh objects of one kit mesh and puts the 3DS materials its faces use. The
// mesh is read, never changed: unwelding per-corner UVs (a control point whose corners give
// different UVs becomes one vertex per UV, the point's own vertex first, so that an unsplit
// mesh keeps its vertices and their order), the grey "Default" material of a
// textured mesh without material and the triangulation all happen here. Points are placed by
// the node's transform at time 0 (T, R, S, kit values) and written as (x, -z, y), mirrored in
// local X first when the transform mirrors (as 3DS tools store mirrored objects); the object's
// local system is that transform in file axes. Polygons are cut into n - 2 triangles (face
// flags 7); polygons of fewer than three corners are skipped with a warning. A face whose
// corner normals all equal its own normal is flat. Faces that share vertices form a patch; a
// patch of flat faces in one plane takes one smoothing group, any other flat face one of its
// own: the k-th such group is 4^(k+1) up to the fifteenth, then 0 (faceted); other faces take
// group 1. Corners of faces whose groups differ then get vertices of their own, as a reader
// splits them, so a file written here reads back with the vertices it was written with.
//
// Each combination of material, first and second texture that faces use becomes one 3DS
// material and one material group. A mesh whose vertices or faces pass 65535 is written as
// several objects, the first with the given name and the others with names of their own.
class K3dsMeshExport
{
public:
    explicit K3dsMeshExport(K3dsWriteSession& ioSession) : mSession(ioSession) {}

    // No object for a mesh without polygons or control points.
    std::vector<std::unique_ptr<MeshObject3ds>> BuildMesh(KRyvMesh& pMesh, const KVector4& pT,
                                                          const KVector4& pR, const KVector4& pS,
                                                          const std::string& pName,
                                                          bool pTextureMapping);
    // The corners of the triangles of an n-corner polygon (n at least 3): (0, 1, 2), then the
    // strip that alternates between the two ends ((2, 3, 0) for a quad).
    static std::vector<std::array<int, 3>> Triangulate(int pCorners);

private:
    struct Combination
    {
        int mMaterial = -1;
        int mTexture1 = -1;
        int mTexture2 = -1;
    };
    struct Geometry;
    // The layer elements a mesh's faces are read from.
    struct Layers
    {
        const KLayerElementUV* mUVs = nullptr;
        const KLayerElement* mMaterials = nullptr;
        const KLayerElement* mTextures = nullptr;
        const KLayerElement* mTextures2 = nullptr;
        int mSecondLayer = -1;
        int mUVMode = 0;
        bool mTextured = false;
    };

    static Layers LayersOf(KRyvMesh& pMesh, bool pTextured);
    // The UVs of the vertices (one per control point), unless corners give them.
    static void StartVertices(const Layers& pLayers, Geometry& ioGeometry);
    // The vertex of control point pPoint that holds pUV: the point's own vertex for the first
    // UV its corners give, a copy of it for each further UV.
    static uint32_t VertexWithUV(uint32_t pPoint, const TexVert3ds& pUV, Geometry& ioGeometry);
    Combination CombinationOf(KRyvMesh& pMesh, const Layers& pLayers, bool pHasMaterial,
                              int pPolygon, int pFirstPoint) const;
    // The vertex of each corner of a polygon, whose corner positions start at pFirst.
    static void CornerVertices(KRyvMesh& pMesh, const Layers& pLayers,
                               const std::vector<int>& pCorners, std::size_t pFirst, int pTexture,
                               Geometry& ioGeometry, std::vector<uint32_t>& oVertices);
    // The triangles pStrip (Triangulate of the polygon's size) of a polygon.
    static void AddTriangles(KRyvMesh& pMesh, int pPolygon, const std::vector<int>& pCorners,
                             const std::vector<uint32_t>& pVertices,
                             const std::vector<std::array<int, 3>>& pStrip,
                             const Combination& pCombination, Geometry& ioGeometry);
    void CollectFaces(KRyvMesh& pMesh, bool pTextured, Geometry& ioGeometry);
    // The smoothing mask of every face, from the faces' flatness and shared vertices.
    static void AssignSmoothing(Geometry& ioGeometry);
    // Gives the corners of faces of different smoothing groups vertices of their own, as a
    // reader splits them, so that the file is read with the vertices it was written with; gives
    // the split as the reader makes it.
    static K3dsCornerPoints SplitBySmoothing(Geometry& ioGeometry);
    // Which faces the kit's reader of the faces as they stand, split as pRead (which splitting
    // them again would give unchanged), finds flat (their points' normals all equal their own).
    static std::vector<bool> FlatAsRead(const Geometry& pGeometry, const K3dsCornerPoints& pRead);
    // Smoothing groups and split vertices such that a face the reader will find flat is flat
    // here too, so that a second write of the file read gives the same groups: a smooth face
    // whose smooth neighbours turn out to lie in its plane is made flat and the groups given
    // again.
    static void GroupAsRead(Geometry& ioGeometry);
    std::string MaterialFor(KRyvMesh& pMesh, const Combination& pCombination);
    std::unique_ptr<Material3ds> BuildMaterial(KRyvMesh& pMesh, const Combination& pCombination);
    // The colours and percentages of a kit material (the grey "Default" for null).
    static void FillColors(KRyvMaterial* pMaterial, Material3ds& ioRecord);
    void PlaceMap(KRyvTexture& pTexture, int pNumber, const std::string& pMaterial,
                  TextureMap3ds& ioMap);
    // The name of a texture's file beside the output and in its map: the file's own name when
    // it fits the map's 12 characters, else "Tex" and pNumber (or the next number no other
    // file took) with the file's extension when that still fits.
    std::string MapFileName(const KRyvTexture& pTexture, int pNumber);
    // Copies the texture's file beside the output under pName, by the rule of KMediaCopy: a
    // file that a file read named outside its own folder (or through a link leading out) is
    // not copied.
    bool CopyTextureFile(const KRyvTexture& pTexture, const std::string& pName);
    // The vertices (numbers in the whole mesh) and faces of one object.
    struct Part
    {
        std::vector<uint32_t> mUsed;
        std::vector<std::size_t> mFaces;
        // Per vertex of the mesh: its number in the object, -1 when it has none.
        std::vector<int32_t> mLocalOf;
    };

    void FillFaces(const Geometry& pGeometry, const Part& pPart, KRyvMesh& pMesh,
                   MeshObject3ds& ioObject);
    std::unique_ptr<MeshObject3ds> MakeObject(const Geometry& pGeometry, const Part& pPart,
                                              const std::string& pName, KRyvMesh& pMesh);
    std::vector<std::unique_ptr<MeshObject3ds>> Split(const Geometry& pGeometry,
                                                      const std::string& pName, KRyvMesh& pMesh);

    K3dsWriteSession& mSession;
    // Per mesh: the 3DS material name of each combination already built.
    std::map<std::tuple<int, int, int>, std::string> mBuilt;
    bool mDefaultMaterial = false;
    std::string mMeshName;
};

#endif
