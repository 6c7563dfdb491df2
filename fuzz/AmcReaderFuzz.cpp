// Fuzz entry point of the AMC reader: the input is read from memory against a fixed skeleton
// built in memory (kAmcSkeleton) into the scene (FuzzScene). Any answer is fine; a crash, a hang, a
// leak, keys left on the skeleton or a failed read that leaves nodes or a take behind is not.

#include "formats/motion/KStreamOptionsMotion.h"
#include "formats/motion/asf-amc/KReaderAmc.h"
#include "formats/motion/asf-amc/KReaderAsf.h"
#include "formats/motion/asf-amc/KRyvAsfScene.h"
#include "fuzz/AmcSkeleton.h"
#include "fuzz/FuzzScene.h"
#include "scene/KRyvNode.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// Reads the skeleton into the scene; its options hold it.
std::unique_ptr<KStreamOptions> ReadSkeleton(KRyvObjectFactory& ioFactory, KRyvScene& ioScene)
{
    KReaderAsf lAsf(&ioFactory);
    if (!lAsf.MemoryOpen(kAmcSkeleton, std::strlen(kAmcSkeleton), "fuzz.asf")) {
        return nullptr;
    }
    std::unique_ptr<KStreamOptions> lOptions = lAsf.GetReadOptions();
    return lOptions && lAsf.Read(&ioScene, lOptions.get()) ? std::move(lOptions) : nullptr;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t pSize)
{
    static FuzzScene sScene(&ReadSkeleton);
    KRyvObjectFactory& lFactory = sScene.Factory();
    KRyvScene& lScene = sScene.Scene();
    auto* lSkeleton = dynamic_cast<KRyvAsfScene*>(
        static_cast<KStreamOptionsMotion*>(sScene.Prepared())->GetAttachedObject());
    const int lNodes = lFactory.GetNodeCount();
    sScene.Read(
        [&] {
            KReaderAmc lReader(&lFactory);
            if (!lReader.MemoryOpen(pData, pSize, "fuzz.amc")) {
                return false;
            }
            std::unique_ptr<KStreamOptions> lOptions = lReader.GetReadOptions();
            if (!lOptions) {
                return false;
            }
            static_cast<KStreamOptionsMotion*>(lOptions.get())->SetAttachedObject(lSkeleton);
            const bool lRead = lReader.Read(&lScene, lOptions.get());
            for (const KAsfBone* lBone : lSkeleton->GetBonesDepthFirst()) {
                if (!lBone->mKeys.empty()) {
                    std::abort();
                }
            }
            return lRead;
        },
        [&] {
            std::vector<KString> lTakes;
            lScene.FillTakeNameList(lTakes);
            return lFactory.GetNodeCount() == lNodes && lTakes.size() <= 1;
        });
    return 0;
}
