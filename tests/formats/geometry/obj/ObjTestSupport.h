#ifndef RYVKIT_TESTS_OBJ_OBJTESTSUPPORT_H
#define RYVKIT_TESTS_OBJ_OBJTESTSUPPORT_H

#include "formats/geometry/obj/KReaderObj.h"
#include "formats/geometry/obj/KStreamOptionsObj.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/objects/KRyvMesh.h"

#include <memory>
#include <string>
#include <vector>

// A fresh temporary folder per test, removed at the end.
class ObjTempFolder
{
public:
    ObjTempFolder();
    ~ObjTempFolder();
    const std::string& Path() const { return mPath; }
    // Writes pContent to pName inside the folder; answers the full path.
    std::string Write(const std::string& pName, const std::string& pContent) const;

private:
    std::string mPath;
};

std::string ReadWholeFile(const std::string& pPath);

// A factory, a scene and one read of a file.
struct ObjReadResult
{
    std::unique_ptr<KRyvObjectFactory> mFactory = std::make_unique<KRyvObjectFactory>();
    std::unique_ptr<KRyvScene> mScene = std::make_unique<KRyvScene>(mFactory.get());
    bool mRead = false;
    int mError = -1;
    std::string mErrorText;
    std::string mMessage;

    // The nodes below the root, depth first.
    std::vector<KRyvNode*> Nodes() const;
    // The mesh of the first node of that name without prefix; null when none.
    KRyvMesh* Mesh(const char* pName) const;
};

// Reads pPath with the reader; pReferenceNode sets option 1.
void ReadObj(ObjReadResult& ioResult, const std::string& pPath, bool pReferenceNode = false);

#endif
