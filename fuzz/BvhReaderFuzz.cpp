// Fuzz entry point of the BVH reader: the input becomes a file that is read into a fresh scene
// with the options the reader derives from it (or the defaults when its motion header is bad).
// Any answer is fine; a crash, a hang, a leak or a failed read that leaves nodes behind is not.

#include "formats/motion/KStreamOptionsMotion.h"
#include "formats/motion/bvh/KReaderBvh.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

// One temporary file per process, rewritten for every input and removed at exit.
const std::string& InputPath()
{
    static const std::string sPath = [] {
        char lTemplate[] = "/tmp/ryvbvhfuzzXXXXXX.bvh";
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
    KRyvScene* lScene = lFactory.CreateScene();
    if (!lScene) {
        return 0;
    }
    const int lNodes = lFactory.GetNodeCount();
    KReaderBvh lReader(&lFactory);
    if (!lReader.FileOpen(InputPath().c_str())) {
        return 0;
    }
    std::unique_ptr<KStreamOptions> lOptions = lReader.GetReadOptions();
    if (!lOptions) {
        lOptions = KStreamOptionsMotion::Create();
    }
    if (!lOptions) {
        return 0;
    }
    if (!lReader.Read(lScene, lOptions.get())) {
        if (lFactory.GetNodeCount() != lNodes || lScene->GetRootNode()->GetChildCount() != 0) {
            std::abort();
        }
    }
    return 0;
}
