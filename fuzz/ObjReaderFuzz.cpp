// Fuzz entry point of the OBJ reader: the input is read from memory into a fresh scene.
// Any answer is fine; a crash, a hang, a leak or a failed read that leaves nodes behind is not.

#include "formats/geometry/obj/KReaderObj.h"
#include "formats/geometry/obj/KStreamOptionsObj.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t pSize)
{
    KRyvObjectFactory lFactory;
    KRyvScene lScene(&lFactory);
    const int lNodes = lFactory.GetNodeCount();
    KReaderObj lReader(&lFactory);
    KStreamOptionsObj lOptions;
    lOptions.SetOptionValue(KStreamOptionsObj::kCreateReferenceNode, pSize % 2 == 0 ? 1 : 0);
    if (lReader.MemoryOpen(pData, pSize, "fuzz.obj") && !lReader.Read(&lScene, &lOptions)) {
        if (lFactory.GetNodeCount() != lNodes || lScene.GetRootNode()->GetChildCount() != 0) {
            std::abort();
        }
    }
    return 0;
}
