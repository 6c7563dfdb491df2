// Fuzz entry point of the native reader: the input becomes a file that is read into a scene
// holding one node. Any answer is fine; a crash, a hang, a leak, or a failed read that leaves
// the scene half built (a failure before the body is decoded must leave the node, one after
// must leave the scene empty) is not. The password is fixed, so sealed seeds open.

#include "io/KReaderRyv.h"
#include "io/KStreamOptionsRyv.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"

#include "fuzz/FuzzInputFile.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t pSize)
{
    const char* lPath = WriteFuzzInput("/tmp/ryvfuzzXXXXXX.ryv", pData, pSize);
    if (!lPath) {
        return 0;
    }
    KRyvObjectFactory lFactory;
    KRyvScene* lScene = lFactory.CreateScene();
    lScene->GetRootNode()->AddChild(lFactory.CreateNode("Keep"));
    KReaderRyv lReader(&lFactory);
    KStreamOptionsRyv lOptions;
    lOptions.SetPassword("fuzz");
    lOptions.SetMediaFolder("/tmp/ryvfuzzmedia");
    if (lReader.FileOpen(lPath) && !lReader.Read(lScene, &lOptions)) {
        const int lChildren = lScene->GetRootNode()->GetChildCount();
        if (lChildren > 1) {
            std::abort();
        }
    }
    return 0;
}
