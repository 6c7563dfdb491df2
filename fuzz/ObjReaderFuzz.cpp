// Fuzz entry point of the OBJ reader: the input becomes a file that is read into a fresh scene.
// Any answer is fine; a crash, a hang, a leak or a failed read that leaves nodes behind is not.

#include "formats/geometry/obj/KReaderObj.h"
#include "formats/geometry/obj/KStreamOptionsObj.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

// One temporary file per process, rewritten for every input and removed at exit.
const std::string& InputPath()
{
    static const std::string sPath = [] {
        char lTemplate[] = "/tmp/ryvobjfuzzXXXXXX.obj";
        const int lFile = mkstemps(lTemplate, 4);
        if (lFile < 0) {
            std::abort();
        }
        close(lFile);
        static std::string sRemove = lTemplate;
        std::atexit([] { std::remove(sRemove.c_str()); });
        return std::string(lTemplate);
    }();
    return sPath;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t pSize)
{
    std::FILE* lOut = std::fopen(InputPath().c_str(), "wb");
    if (!lOut) {
        return 0;
    }
    const bool lWritten = std::fwrite(pData, 1, pSize, lOut) == pSize;
    if (std::fclose(lOut) != 0 || !lWritten) {
        return 0;
    }
    KRyvObjectFactory lFactory;
    KRyvScene lScene(&lFactory);
    const int lNodes = lFactory.GetNodeCount();
    KReaderObj lReader(&lFactory);
    KStreamOptionsObj lOptions;
    lOptions.SetOptionValue(KStreamOptionsObj::kCreateReferenceNode, pSize % 2 == 0 ? 1 : 0);
    if (lReader.FileOpen(InputPath().c_str()) && !lReader.Read(&lScene, &lOptions)) {
        if (lFactory.GetNodeCount() != lNodes || lScene.GetRootNode()->GetChildCount() != 0) {
            std::abort();
        }
    }
    return 0;
}
