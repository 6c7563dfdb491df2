// Fuzz entry point of the VPM reader: the input is read from memory into a fresh scene
// with the options the reader derives from it (or the defaults when it cannot be parsed).
// Any answer is fine; a crash, a hang, a leak or a failed read that leaves nodes behind is not.

#include "formats/motion/KStreamOptionsMotion.h"
#include "formats/motion/vpm/KReaderVpm.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"

#include <cstdint>
#include <cstdlib>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t pSize)
{
    KRyvObjectFactory lFactory;
    KRyvScene* lScene = lFactory.CreateScene();
    if (!lScene) {
        return 0;
    }
    const int lNodes = lFactory.GetNodeCount();
    KReaderVpm lReader(&lFactory);
    if (!lReader.MemoryOpen(pData, pSize, "fuzz.vpm")) {
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
