#include "tests/formats/geometry/3ds/Format3dsTestSupport.h"

using namespace test3ds;

Bytes MeshObject(const std::string& pName, const std::vector<Point3ds>& pVertices,
                 const std::vector<Face3ds>& pFaces, const Bytes& pFaceChildren,
                 const Bytes& pMeshChildren)
{
    Bytes lPoints = U16(static_cast<uint16_t>(pVertices.size()));
    for (const Point3ds& lPoint : pVertices) {
        lPoints = Cat({lPoints, Floats({lPoint.x, lPoint.y, lPoint.z})});
    }
    Bytes lFaces = U16(static_cast<uint16_t>(pFaces.size()));
    for (const Face3ds& lFace : pFaces) {
        lFaces = Cat({lFaces, U16(lFace.v1), U16(lFace.v2), U16(lFace.v3), U16(lFace.flag)});
    }
    const Bytes lMatrix = Floats({1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0});
    return Chunk(
        Tag3ds::kNamedObject,
        Cat({Str(pName), Chunk(Tag3ds::kNTriObject,
                               Cat({Chunk(Tag3ds::kPointArray, lPoints),
                                    Chunk(Tag3ds::kMeshMatrix, lMatrix), pMeshChildren,
                                    Chunk(Tag3ds::kFaceArray, Cat({lFaces, pFaceChildren}))}))}));
}

Bytes ObjectNode(uint16_t pId, const std::string& pName, uint16_t pParent, const Bytes& pTracks)
{
    return Chunk(Tag3ds::kObjectNode,
                 Cat({Chunk(Tag3ds::kNodeId, U16(pId)),
                      Chunk(Tag3ds::kNodeHdr, Cat({Str(pName), U16(0), U16(0), U16(pParent)})),
                      Chunk(Tag3ds::kPivot, Floats({0, 0, 0})), pTracks}));
}

Bytes PointTrack(uint16_t pTag, const std::vector<std::pair<uint32_t, Point3ds>>& pKeys)
{
    Bytes lBody = Cat({U16(0), U32(0), U32(0), U32(static_cast<uint32_t>(pKeys.size()))});
    for (const auto& lKey : pKeys) {
        lBody = Cat({lBody, U32(lKey.first), U16(0),
                     Floats({lKey.second.x, lKey.second.y, lKey.second.z})});
    }
    return Chunk(pTag, lBody);
}
