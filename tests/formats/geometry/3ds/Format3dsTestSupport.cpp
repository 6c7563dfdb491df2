#include "tests/formats/geometry/3ds/Format3dsTestSupport.h"

#include "formats/geometry/3ds/KWriter3ds.h"
#include "scene/objects/KRyvLight.h"

#include <gtest/gtest.h>

using namespace test3ds;

Bytes MeshObject(const std::string& pName, const std::vector<Point3ds>& pVertices,
                 const std::vector<Face3ds>& pFaces, const Bytes& pFaceChildren,
                 const Bytes& pMeshChildren, const std::vector<float>& pLocal)
{
    Bytes lPoints = U16(static_cast<uint16_t>(pVertices.size()));
    for (const Point3ds& lPoint : pVertices) {
        lPoints = Cat({lPoints, Floats({lPoint.x, lPoint.y, lPoint.z})});
    }
    Bytes lFaces = U16(static_cast<uint16_t>(pFaces.size()));
    for (const Face3ds& lFace : pFaces) {
        lFaces = Cat({lFaces, U16(lFace.v1), U16(lFace.v2), U16(lFace.v3), U16(lFace.flag)});
    }
    Bytes lMatrix;
    for (const float lValue :
         pLocal.empty() ? std::vector<float>{1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0} : pLocal) {
        lMatrix = Cat({lMatrix, F32(lValue)});
    }
    return Chunk(
        Tag3ds::kNamedObject,
        Cat({Str(pName), Chunk(Tag3ds::kNTriObject,
                               Cat({Chunk(Tag3ds::kPointArray, lPoints),
                                    Chunk(Tag3ds::kMeshMatrix, lMatrix), pMeshChildren,
                                    Chunk(Tag3ds::kFaceArray, Cat({lFaces, pFaceChildren}))}))}));
}

Bytes KeyframerNode(uint16_t pTag, uint16_t pId, const std::string& pName, uint16_t pParent,
                    const Bytes& pBody)
{
    return Chunk(
        pTag,
        Cat({Chunk(Tag3ds::kNodeId, U16(pId)),
             Chunk(Tag3ds::kNodeHdr, Cat({Str(pName), U16(0), U16(0), U16(pParent)})), pBody}));
}

Bytes ObjectNode(uint16_t pId, const std::string& pName, uint16_t pParent, const Bytes& pTracks)
{
    return KeyframerNode(Tag3ds::kObjectNode, pId, pName, pParent,
                         Cat({Chunk(Tag3ds::kPivot, Floats({0, 0, 0})), pTracks}));
}

Bytes ValueTrack(uint16_t pTag, const std::vector<std::pair<uint32_t, float>>& pKeys)
{
    Bytes lBody = Cat({U16(0), U32(0), U32(0), U32(static_cast<uint32_t>(pKeys.size()))});
    for (const auto& lKey : pKeys) {
        lBody = Cat({lBody, U32(lKey.first), U16(0), F32(lKey.second)});
    }
    return Chunk(pTag, lBody);
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

void ExpectPoint(const KVector4& pPoint, double pX, double pY, double pZ)
{
    EXPECT_NEAR(pPoint[0], pX, 1e-5);
    EXPECT_NEAR(pPoint[1], pY, 1e-5);
    EXPECT_NEAR(pPoint[2], pZ, 1e-5);
}

Read3ds ReadFile(const std::string& pPath)
{
    Read3ds lRead;
    KReader3ds lReader(lRead.mFactory.get());
    KStreamOptions3ds lOptions;
    lRead.mRead = lReader.FileOpen(pPath.c_str()) && lReader.Read(lRead.mScene.get(), &lOptions);
    lRead.Keep(lReader);
    return lRead;
}

KRyvNode* Scene3ds::Add(const char* pName, KRyvNodeAttribute* pAttribute, KRyvNode* pParent)
{
    KRyvNode* lNode = mFactory->CreateNode(pName);
    if (pAttribute) {
        lNode->SetNodeAttribute(pAttribute);
    }
    (pParent ? pParent : mScene->GetRootNode())->AddChild(lNode);
    return lNode;
}

KRyvNode* Scene3ds::AddMesh(const char* pName, const std::vector<KVector4>& pPoints,
                            const std::vector<std::vector<int>>& pPolygons, KRyvNode* pParent)
{
    KRyvMesh* lMesh = mFactory->CreateMesh();
    for (const KVector4& lPoint : pPoints) {
        lMesh->GetControlPointArray().emplace_back(lPoint[0], lPoint[1], lPoint[2], 1.0);
    }
    for (const std::vector<int>& lPolygon : pPolygons) {
        lMesh->BeginPolygon();
        for (int lIndex : lPolygon) {
            lMesh->AddPolygon(lIndex);
        }
    }
    return Add(pName, lMesh, pParent);
}

KRyvNode* Scene3ds::AddLight(const char* pName, int pType, const KVector4& pPosition)
{
    KRyvLight* lLight = mFactory->CreateLight();
    KRyvNode* lNode = Add(pName, lLight);
    lLight->SetLightType(pType);
    lNode->SetLclTranslation(pPosition);
    return lNode;
}

KRyvMesh* Scene3ds::Triangle()
{
    KRyvMesh* lMesh = mFactory->CreateMesh();
    lMesh->GetControlPointArray() = {{0, 0, 0, 1}, {1, 0, 0, 1}, {0, 0, 1, 1}};
    lMesh->BeginPolygon();
    for (int i = 0; i < 3; ++i) {
        lMesh->AddPolygon(i);
    }
    return lMesh;
}

bool Scene3ds::Write(const std::string& pPath,
                     const std::function<void(KStreamOptions3ds&)>& pSetUp, std::string* oMessage)
{
    KWriter3ds lWriter(mFactory.get());
    KStreamOptions3ds lOptions;
    if (pSetUp) {
        pSetUp(lOptions);
    }
    const bool lDone = lWriter.FileCreate(pPath.c_str()) && lWriter.Write(mScene.get(), &lOptions);
    if (oMessage) {
        *oMessage = lWriter.GetMessage().Buffer();
    }
    return lDone;
}

std::unique_ptr<Loaded> Scene3ds::WriteAndLoad(const ScratchDir& pDir, const std::string& pName,
                                               bool pReference, std::string* oMessage)
{
    EXPECT_TRUE(Write(
        pDir.Path(pName),
        [pReference](KStreamOptions3ds& ioOptions) {
            ioOptions.SetOptionValue(KStreamOptions3ds::kCreateReferenceNode, pReference ? 1 : 0);
        },
        oMessage));
    return LoadFile(pDir.Path(pName));
}

bool Write3ds(Read3ds& ioRead, const std::string& pPath)
{
    KWriter3ds lWriter(ioRead.mFactory.get());
    KStreamOptions3ds lOptions;
    return lWriter.FileCreate(pPath.c_str()) && lWriter.Write(ioRead.mScene.get(), &lOptions);
}
