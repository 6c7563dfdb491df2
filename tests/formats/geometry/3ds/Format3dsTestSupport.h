// A factory, a scene and one 3DS read into it; hand-made 3DS files.
#pragma once

#include "formats/geometry/3ds/KReader3ds.h"
#include "formats/geometry/3ds/KStreamOptions3ds.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/objects/KRyvMesh.h"
#include "tests/formats/geometry/3ds/toolkit/Toolkit3dsTestSupport.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

#ifdef RYV_HAVE_LIB3DS
#include <lib3ds/file.h>

// A file the independent 3DS library loaded, freed by it.
struct Lib3dsFileDeleter
{
    void operator()(Lib3dsFile* pFile) const { lib3ds_file_free(pFile); }
};
using Lib3dsFilePtr = std::unique_ptr<Lib3dsFile, Lib3dsFileDeleter>;
#endif

struct Read3ds
{
    std::unique_ptr<KRyvObjectFactory> mFactory = std::make_unique<KRyvObjectFactory>();
    std::unique_ptr<KRyvScene> mScene = std::make_unique<KRyvScene>(mFactory.get());
    bool mRead = false;
    int mErrorCode = -1;
    std::string mError;
    std::string mMessage;

    Read3ds() = default;
    // Reads pBytes from memory named "t.3ds"; pSetUp may change the options first.
    explicit Read3ds(const test3ds::Bytes& pBytes,
                     const std::function<void(KStreamOptions3ds&)>& pSetUp = {})
    {
        KReader3ds lReader(mFactory.get());
        KStreamOptions3ds lOptions;
        if (pSetUp) {
            pSetUp(lOptions);
        }
        mRead = lReader.MemoryOpen(pBytes.data(), pBytes.size(), "t.3ds") &&
                lReader.Read(mScene.get(), &lOptions);
        Keep(lReader);
    }
    void Keep(KReader& pReader)
    {
        mErrorCode = pReader.GetError().GetLastErrorID();
        mError = pReader.GetError().GetLastErrorString().Buffer();
        mMessage = pReader.GetMessage().Buffer();
    }
    KRyvNode* Root() const { return mScene->GetRootNode(); }
    KRyvNode* Node(const char* pName) const { return mFactory->FindNode(pName); }
    KRyvMesh* MeshOf(const char* pName) const
    {
        KRyvNode* lNode = Node(pName);
        return lNode ? static_cast<KRyvMesh*>(lNode->GetMesh()) : nullptr;
    }
};

// Expects the first three coordinates of pPoint within 1e-5.
void ExpectPoint(const KVector4& pPoint, double pX, double pY, double pZ);

// Reads the file at pPath with the default options.
Read3ds ReadFile(const std::string& pPath);
// Writes the scene read into ioRead as a 3DS file with the default options.
bool Write3ds(Read3ds& ioRead, const std::string& pPath);

// A scene to write: a factory, a scene, and builders of its nodes.
struct Scene3ds
{
    std::unique_ptr<KRyvObjectFactory> mFactory = std::make_unique<KRyvObjectFactory>();
    std::unique_ptr<KRyvScene> mScene = std::make_unique<KRyvScene>(mFactory.get());

    // A node of the attribute (none for null) below pParent (the root for null).
    KRyvNode* Add(const char* pName, KRyvNodeAttribute* pAttribute, KRyvNode* pParent = nullptr);
    // A mesh node of the points (kit axes) and polygons.
    KRyvNode* AddMesh(const char* pName, const std::vector<KVector4>& pPoints,
                      const std::vector<std::vector<int>>& pPolygons, KRyvNode* pParent = nullptr);
    KRyvNode* AddLight(const char* pName, int pType, const KVector4& pPosition);
    // A new mesh of one triangle in the XZ plane.
    KRyvMesh* Triangle();
    // Writes the scene; pSetUp may change the options first; the writer's message text goes
    // into oMessage.
    bool Write(const std::string& pPath, const std::function<void(KStreamOptions3ds&)>& pSetUp = {},
               std::string* oMessage = nullptr);
    // Writes the scene into the folder (failing the test when it cannot) and loads the file
    // with the toolkit.
    std::unique_ptr<test3ds::Loaded> WriteAndLoad(const test3ds::ScratchDir& pDir,
                                                  const std::string& pName, bool pReference = false,
                                                  std::string* oMessage = nullptr);
};

// A named mesh object: vertices (file axes), faces, optional children of the face chunk,
// further children of the mesh chunk and its local system (the twelve floats of the mesh
// matrix, the identity when empty).
test3ds::Bytes MeshObject(const std::string& pName, const std::vector<Point3ds>& pVertices,
                          const std::vector<Face3ds>& pFaces,
                          const test3ds::Bytes& pFaceChildren = {},
                          const test3ds::Bytes& pMeshChildren = {},
                          const std::vector<float>& pLocal = {});
// A keyframer node of the tag: id, header (name, flags 0, parent id) and the rest of its body.
test3ds::Bytes KeyframerNode(uint16_t pTag, uint16_t pId, const std::string& pName,
                             uint16_t pParent, const test3ds::Bytes& pBody);
// A track of single floats (frame, value) with key flags 0.
test3ds::Bytes ValueTrack(uint16_t pTag, const std::vector<std::pair<uint32_t, float>>& pKeys);
// An object node of the keyframer: id, name, parent id, pivot 0, and tracks.
test3ds::Bytes ObjectNode(uint16_t pId, const std::string& pName, uint16_t pParent,
                          const test3ds::Bytes& pTracks = {});
// A track of point keys (frame, x, y, z) with key flags 0.
test3ds::Bytes PointTrack(uint16_t pTag, const std::vector<std::pair<uint32_t, Point3ds>>& pKeys);
