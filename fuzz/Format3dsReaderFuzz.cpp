// Fuzz entry point of the 3DS reader: the input is read from memory into an empty scene, with
// smoothing groups, animation and the reference node switched by the input's size. Any answer
// is fine; a crash, a hang, a leak or a failed read that leaves objects behind is not.

#include "formats/geometry/3ds/KReader3ds.h"
#include "formats/geometry/3ds/KStreamOptions3ds.h"
#include "fuzz/FuzzScene.h"
#include "scene/KRyvNode.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t pSize)
{
    static FuzzScene sScene;
    KRyvObjectFactory& lFactory = sScene.Factory();
    KRyvScene& lScene = sScene.Scene();
    const int lNodes = lFactory.GetNodeCount();
    const int lAttributes = lFactory.GetNodeAttributeCount();
    sScene.Read(
        [&] {
            KReader3ds lReader(&lFactory);
            KStreamOptions3ds lOptions;
            lOptions.SetOptionValue(KStreamOptions3ds::kSmoothGroup, pSize % 2 == 0 ? 1 : 0);
            lOptions.SetOptionValue(KStreamOptions3ds::kReduceKeys, pSize % 3 == 0 ? 1 : 0);
            lOptions.SetOptionValue(KStreamOptions3ds::kCreateReferenceNode,
                                    pSize % 5 == 0 ? 1 : 0);
            return lReader.MemoryOpen(pData, pSize, "fuzz.3ds") && lReader.Read(&lScene, &lOptions);
        },
        [&] {
            return lFactory.GetNodeCount() == lNodes &&
                   lFactory.GetNodeAttributeCount() == lAttributes &&
                   lFactory.GetMaterialCount() == 0 && lFactory.GetTextureCount() == 0 &&
                   lScene.GetRootNode()->GetChildCount() == 0;
        });
    return 0;
}
