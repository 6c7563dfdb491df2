// Fuzz entry point of the AMC reader: the input is read from memory against a fixed skeleton
// built in memory (kAmcSkeleton). Any answer is fine; a crash, a hang, a leak, keys left on the
// skeleton or a failed read that leaves nodes or a take behind is not.

#include "formats/motion/KStreamOptionsMotion.h"
#include "formats/motion/asf-amc/KReaderAmc.h"
#include "formats/motion/asf-amc/KReaderAsf.h"
#include "formats/motion/asf-amc/KRyvAsfScene.h"
#include "fuzz/AmcSkeleton.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t pSize)
{
    KRyvObjectFactory lFactory;
    KRyvScene* lScene = lFactory.CreateScene();
    if (!lScene) {
        return 0;
    }
    KReaderAsf lAsf(&lFactory);
    if (!lAsf.MemoryOpen(kAmcSkeleton, std::strlen(kAmcSkeleton), "fuzz.asf")) {
        std::abort();
    }
    std::unique_ptr<KStreamOptions> lAsfOptions = lAsf.GetReadOptions();
    if (!lAsfOptions || !lAsf.Read(lScene, lAsfOptions.get())) {
        std::abort();
    }
    auto* lSkeleton = dynamic_cast<KRyvAsfScene*>(
        static_cast<KStreamOptionsMotion*>(lAsfOptions.get())->GetAttachedObject());
    const int lNodes = lFactory.GetNodeCount();
    KReaderAmc lReader(&lFactory);
    if (!lReader.MemoryOpen(pData, pSize, "fuzz.amc")) {
        return 0;
    }
    std::unique_ptr<KStreamOptions> lOptions = lReader.GetReadOptions();
    if (!lOptions) {
        return 0;
    }
    static_cast<KStreamOptionsMotion*>(lOptions.get())->SetAttachedObject(lSkeleton);
    const bool lRead = lReader.Read(lScene, lOptions.get());
    std::vector<KString> lTakes;
    lScene->FillTakeNameList(lTakes);
    if (!lRead && (lFactory.GetNodeCount() != lNodes || lTakes.size() > 1)) {
        std::abort();
    }
    for (const KAsfBone* lBone : lSkeleton->GetBonesDepthFirst()) {
        if (!lBone->mKeys.empty()) {
            std::abort();
        }
    }
    return 0;
}
