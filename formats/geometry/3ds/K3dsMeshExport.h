#ifndef RYVKIT_FORMATS_GEOMETRY_3DS_K3DSMESHEXPORT_H
#define RYVKIT_FORMATS_GEOMETRY_3DS_K3DSMESHEXPORT_H

#include "formats/geometry/3ds/K3dsWriteSession.h"

#include <array>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

class KRyvMesh;
class KRyvTexture;

// Builds the 3DS mesh objects of one kit mesh and puts the 3DS materials its faces use. The
// mesh is read, never changed: unwelding per-corner UVs, the grey "Default" material of a
// textured mesh without material and the triangulation all happen here. Points are placed by
// the node's transform at time 0 (T, R, S, kit values) and written as (x, -z, y); the object's
// local system is that transform in file axes. Polygons are cut into n - 2 triangles (face
// flags 7); polygons of fewer than three corners are skipped with a warning. A face whose
// corner normals all equal its own normal is flat: the k-th flat face gets smoothing group
// 4^(k+1) up to the fifteenth, then 0 (faceted); other faces group 1.
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

    void CollectFaces(KRyvMesh& pMesh, bool pTextured, Geometry& ioGeometry);
    std::string MaterialFor(KRyvMesh& pMesh, const Combination& pCombination);
    std::unique_ptr<Material3ds> BuildMaterial(KRyvMesh& pMesh, const Combination& pCombination);
    void PlaceMap(KRyvTexture& pTexture, int pNumber, const std::string& pMaterial,
                  TextureMap3ds& ioMap);
    bool CopyTextureFile(const std::string& pPath);
    std::vector<std::unique_ptr<MeshObject3ds>> Split(const Geometry& pGeometry,
                                                      const std::string& pName, KRyvMesh& pMesh);

    K3dsWriteSession& mSession;
    // Per mesh: the 3DS material name of each combination already built.
    std::map<std::tuple<int, int, int>, std::string> mBuilt;
    bool mDefaultMaterial = false;
    std::string mMeshName;
};

#endif
