// Fuzz entry point of the OBJ reader: the input is read from memory into an empty scene.
// Any answer is fine; a crash, a hang, a leak or a failed read that leaves nodes behind is not.

#include "formats/geometry/obj/KReaderObj.h"
#include "formats/geometry/obj/KStreamOptionsObj.h"
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
    sScene.Read(
        [&] {
            KReaderObj lReader(&lFactory);
            KStreamOptionsObj lOptions;
            lOptions.SetOptionValue(KStreamOptionsObj::kCreateReferenceNode,
                                    pSize % 2 == 0 ? 1 : 0);
            return lReader.MemoryOpen(pData, pSize, "fuzz.obj") && lReader.Read(&lScene, &lOptions);
        },
        [&] {
            return lFactory.GetNodeCount() == lNodes && lScene.GetRootNode()->GetChildCount() == 0;
        });
    return 0;
}
