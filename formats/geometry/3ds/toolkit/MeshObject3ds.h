#ifndef RYVKIT_FORMATS_GEOMETRY_3DS_TOOLKIT_MESHOBJECT3DS_H
#define RYVKIT_FORMATS_GEOMETRY_3DS_TOOLKIT_MESHOBJECT3DS_H

#include "formats/geometry/3ds/toolkit/ChunkTags3ds.h"
#include "formats/geometry/3ds/toolkit/Primitives3ds.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct ChunkDatabase3ds;
struct ChunkNode3ds;
struct Toolkit3dsContext;

// Faces of one material: the material name (at most 16 characters) and face indexes.
struct MaterialGroup3ds
{
    std::string mName;
    std::vector<uint16_t> mFaces;
};

// The texture mapping block of chunk 0x4170.
struct MeshMapping3ds
{
    static constexpr int kMatrixSize = 12;
    uint16_t mType = 0;
    float mTile[2] = {1.0f, 1.0f};
    Point3ds mPosition;
    float mScale = 1.0f;
    float mMatrix[kMatrixSize] = {1.0f, 0.0f, 0.0f, 0.0f, 1.0f};
    float mPlanar[3] = {1.0f, 1.0f, 1.0f};
};

// One triangle mesh of a named object. Each array goes with its count (16-bit, as in the
// file); AllocMeshParts3ds sizes the arrays to the counts.
struct MeshObject3ds
{
    // The object's flag chunks, in the order of mObjectFlags.
    static constexpr std::array<uint16_t, 7> kFlagTags = {
        Tag3ds::kObjHidden, Tag3ds::kObjVisLofter,     Tag3ds::kObjMatte, Tag3ds::kObjDoesntCast,
        Tag3ds::kObjFast,   Tag3ds::kObjDontRcvShadow, Tag3ds::kObjFrozen};
    static constexpr int kLocalSize = 12;

    std::string mName; // at most 10 characters
    std::array<uint8_t, 7> mObjectFlags{};
    uint16_t mVertexCount = 0;
    std::vector<Point3ds> mVertices;
    uint16_t mVertexFlagCount = 0;
    std::vector<uint16_t> mVertexFlags;
    uint16_t mTexCount = 0;
    std::vector<TexVert3ds> mTexVerts;
    bool mHasMapping = false;
    MeshMapping3ds mMapping;
    float mLocal[kLocalSize] = {}; // the local axes and origin
    uint16_t mFaceCount = 0;
    std::vector<Face3ds> mFaces;
    std::vector<uint32_t> mSmoothing; // one mask per face
    bool mUseBoxMap = false;
    std::array<std::string, 6> mBoxMap;
    uint8_t mMeshColor = 0;
    uint16_t mMaterialGroupCount = 0;
    std::vector<MaterialGroup3ds> mMaterialGroups;
    uint8_t mUseProc = 0; // chunk 0x4015
    uint32_t mProcSize = 0;
    std::string mProcName; // at most 12 characters
    std::vector<uint8_t> mProcData;
};

// Part flags of AllocMeshParts3ds and FreeMeshParts3ds.
enum MeshPart3ds : uint32_t {
    kMeshVertices3ds = 1,
    kMeshTexVerts3ds = 2,
    kMeshFaces3ds = 4,
    kMeshMaterialGroups3ds = 8,
    kMeshSmoothing3ds = 16,
    kMeshProcData3ds = 32,
    kMeshVertexFlags3ds = 64,
    kMeshAllParts3ds = 127
};

// Allocates the record when null and resets it to its defaults with the two counts, vertices
// and faces; kMeshTexVerts3ds and kMeshVertexFlags3ds also size those arrays to the vertex
// count, kMeshSmoothing3ds the masks to the face count.
void InitMeshObject3ds(std::unique_ptr<MeshObject3ds>& ioMesh, uint16_t pVertexCount,
                       uint16_t pFaceCount, uint32_t pParts);
// Sizes each flagged array to its count, keeping existing elements and giving new ones their
// initial value (faces (0, 1, 2, 0), all else zero); a count of 0 frees the array.
void AllocMeshParts3ds(MeshObject3ds* pMesh, uint32_t pParts);
// Gives a material group pFaceCount zeroed face indexes. Null mesh or count 0:
// ERR_INVALID_ARG; a mesh without faces or a group index past the groups: ERR_INVALID_DATA.
void InitMaterialGroupFaces3ds(Toolkit3dsContext& ioKit, MeshObject3ds* pMesh, uint32_t pGroup,
                               uint16_t pFaceCount);
void FreeMeshParts3ds(MeshObject3ds* pMesh, uint32_t pParts);
void ReleaseMeshObject3ds(std::unique_ptr<MeshObject3ds>& ioMesh);

// Named objects with a mesh chunk 0x4100.
uint32_t GetMeshCount3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase);
// The index-th mesh in object-list order; an index past the count changes nothing.
void GetMeshByIndex3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase, uint32_t pIndex,
                       std::unique_ptr<MeshObject3ds>& ioMesh);
// Reads a named object into the record. Not a mesh object: ERR_WRONG_OBJECT. Vertex flags,
// texture coordinates or smoothing masks whose count differs from the vertices (faces) are
// sized to it, the missing ones zero, with a warning in the run; faces or material groups
// that index past their arrays: ERR_INVALID_DATA.
void ReadMeshObject3ds(Toolkit3dsContext& ioKit, ChunkNode3ds* pObject,
                       std::unique_ptr<MeshObject3ds>& ioMesh);
// Writes the record as a named object, replacing one of the same name (whose 0x8000 chunk is
// kept). Arrays that disagree with their counts, indexes past their arrays: ERR_INVALID_DATA;
// names past their bounds: ERR_STRING_TOO_LONG. Both are checked before the tree changes.
void PutMesh3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase, const MeshObject3ds* pMesh);
// The 0x4130 chunks in the sibling chain of the chunk's first 0x4130 descendant.
uint32_t CountMaterialGroups3ds(ChunkNode3ds* pChunk);

#endif
