// Fuzz entry point of the ASF reader: the input is read from memory into a fresh scene with the
// reader's own options. Any answer is fine; a crash, a hang, a leak or a failed read that leaves
// nodes or a skeleton behind is not.

#include "formats/motion/KStreamOptionsMotion.h"
#include "formats/motion/asf-amc/KReaderAsf.h"
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
    KReaderAsf lReader(&lFactory);
    if (!lReader.MemoryOpen(pData, pSize, "fuzz.asf")) {
        return 0;
    }
    std::unique_ptr<KStreamOptions> lOptions = lReader.GetReadOptions();
    if (!lOptions) {
        return 0;
    }
    if (!lReader.Read(lScene, lOptions.get())) {
        const auto* lMotion = static_cast<KStreamOptionsMotion*>(lOptions.get());
        if (lFactory.GetNodeCount() != lNodes || lScene->GetRootNode()->GetChildCount() != 0 ||
            lMotion->GetAttachedObject()) {
            std::abort();
        }
    }
    return 0;
}
