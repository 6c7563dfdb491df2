#include "ObjTestSupport.h"

#include "io/KNodeWalk.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

ObjTempFolder::ObjTempFolder()
{
    std::string lTemplate = (std::filesystem::temp_directory_path() / "ryvobjXXXXXX").string();
    mPath = mkdtemp(lTemplate.data()) ? lTemplate : std::string("/tmp");
}

ObjTempFolder::~ObjTempFolder()
{
    std::error_code lError;
    std::filesystem::remove_all(mPath, lError);
}

std::string ObjTempFolder::Write(const std::string& pName, const std::string& pContent) const
{
    const std::string lPath = mPath + "/" + pName;
    std::filesystem::create_directories(std::filesystem::path(lPath).parent_path());
    std::ofstream lOut(lPath, std::ios::binary);
    lOut << pContent;
    return lPath;
}

std::string ReadWholeFile(const std::string& pPath)
{
    std::ifstream lIn(pPath, std::ios::binary);
    std::ostringstream lText;
    lText << lIn.rdbuf();
    return lText.str();
}

std::vector<KRyvNode*> ObjReadResult::Nodes() const
{
    std::vector<KRyvNode*> lNodes;
    CollectNodesDepthFirst(mScene->GetRootNode(), false, lNodes);
    return lNodes;
}

KRyvMesh* ObjReadResult::Mesh(const char* pName) const
{
    for (KRyvNode* lNode : Nodes()) {
        if (lNode->GetNameWithoutPrefix() == pName) {
            return static_cast<KRyvMesh*>(lNode->GetMesh());
        }
    }
    return nullptr;
}

void ReadObj(ObjReadResult& ioResult, const std::string& pPath, bool pReferenceNode)
{
    KReaderObj lReader(ioResult.mFactory.get());
    KStreamOptionsObj lOptions;
    lOptions.SetOptionValue(KStreamOptionsObj::kCreateReferenceNode, pReferenceNode ? 1 : 0);
    ioResult.mRead =
        lReader.FileOpen(pPath.c_str()) && lReader.Read(ioResult.mScene.get(), &lOptions);
    ioResult.mError = lReader.GetError().GetLastErrorID();
    ioResult.mErrorText = lReader.GetError().GetLastErrorString().Buffer();
    ioResult.mMessage = lReader.GetMessage().Buffer();
}
