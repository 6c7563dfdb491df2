// Fuzz entry point of the AMC reader: the input is read from memory against a fixed skeleton
// built in memory (every DOF kind, a bone that merges away, a length DOF). Any answer is fine;
// a crash, a hang, a leak, keys left on the skeleton or a failed read that leaves nodes or a
// take behind is not.

#include "formats/motion/KStreamOptionsMotion.h"
#include "formats/motion/asf-amc/KReaderAmc.h"
#include "formats/motion/asf-amc/KReaderAsf.h"
#include "formats/motion/asf-amc/KRyvAsfScene.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

const char* const kSkeleton =
    ":units\n length 0.45\n:root\n order tx ty tz rx ry rz\n axis xyz\n:bonedata\n"
    " begin\n  name hip\n  direction 0 -1 0\n  length 1\n  axis 0 0 0 xyz\n end\n"
    " begin\n  name femur\n  direction 0 -1 0\n  length 4\n  axis 0 0 20 zyx\n  dof rz ry rx\n"
    " end\n begin\n  name tibia\n  direction 0 -1 0\n  length 4\n  axis 10 0 0 yxz\n"
    "  dof tx rx l\n end\n:hierarchy\n begin\n  root hip\n  hip femur\n  femur tibia\n end\n";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t pSize)
{
    KRyvObjectFactory lFactory;
    KRyvScene* lScene = lFactory.CreateScene();
    if (!lScene) {
        return 0;
    }
    KReaderAsf lAsf(&lFactory);
    if (!lAsf.MemoryOpen(kSkeleton, std::strlen(kSkeleton), "fuzz.asf")) {
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
