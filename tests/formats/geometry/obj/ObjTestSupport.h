#ifndef RYVKIT_TESTS_FORMATS_OBJ_OBJTESTSUPPORT_H
#define RYVKIT_TESTS_FORMATS_OBJ_OBJTESTSUPPORT_H

#include "formats/geometry/obj/KReaderObj.h"
#include "formats/geometry/obj/KStreamOptionsObj.h"
#include "io/KNodeWalk.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/objects/KRyvMesh.h"
#include "tests/support/FileConversion.h"

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

// A factory, a scene and one OBJ read into it, from a file or from memory.
struct ObjRead
{
    std::unique_ptr<KRyvObjectFactory> mFactory = std::make_unique<KRyvObjectFactory>();
    std::unique_ptr<KRyvScene> mScene = std::make_unique<KRyvScene>(mFactory.get());
    bool mRead = false;
    int mError = -1;
    std::string mErrorText;
    std::string mMessage;
    // The material libraries the read took data from (KReader::GetCompanionFiles).
    std::vector<std::string> mCompanionFiles;

    // pName names the bytes (and the folder of their libraries); empty pText reads the file.
    ObjRead(const std::string& pName, const std::string& pText, bool pReferenceNode = false,
            bool pFromFile = false)
    {
        KReaderObj lReader(mFactory.get());
        KStreamOptionsObj lOptions;
        lOptions.SetOptionValue(KStreamOptionsObj::kCreateReferenceNode, pReferenceNode ? 1 : 0);
        const bool lOpen = pFromFile
                               ? lReader.FileOpen(pName.c_str())
                               : lReader.MemoryOpen(pText.data(), pText.size(), pName.c_str());
        mRead = lOpen && lReader.Read(mScene.get(), &lOptions);
        mError = lReader.GetError().GetLastErrorID();
        mErrorText = lReader.GetError().GetLastErrorString().Buffer();
        mMessage = lReader.GetMessage().Buffer();
        mCompanionFiles = lReader.GetCompanionFiles();
    }

    std::vector<KRyvNode*> Nodes() const
    {
        std::vector<KRyvNode*> lNodes;
        CollectNodesDepthFirst(mScene->GetRootNode(), false, lNodes);
        return lNodes;
    }
    // The mesh of the first node of that name without prefix; null when none.
    KRyvMesh* Mesh(const char* pName) const
    {
        for (KRyvNode* lNode : Nodes()) {
            if (lNode->GetNameWithoutPrefix() == pName) {
                return static_cast<KRyvMesh*>(lNode->GetMesh());
            }
        }
        return nullptr;
    }
};

inline std::vector<int> Polygon(const KRyvMesh* pMesh, int pPolygon)
{
    std::vector<int> lCorners;
    for (int i = 0; i < pMesh->GetPolygonSize(pPolygon); ++i) {
        lCorners.push_back(pMesh->GetPolygonVertex(pPolygon, i));
    }
    return lCorners;
}

inline std::string FileBytes(const std::string& pPath)
{
    std::ifstream lIn(pPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(lIn), std::istreambuf_iterator<char>());
}

#endif
