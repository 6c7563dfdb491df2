// The OBJ fuzz target as it was before it kept its factory and scene between inputs: a factory
// and scene made for every input. The input-cost check must refuse it (see FuzzInputCost).

#include "formats/geometry/obj/KReaderObj.h"
#include "formats/geometry/obj/KStreamOptionsObj.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t pSize)
{
    KRyvObjectFactory lFactory;
    KRyvScene lScene(&lFactory);
    KReaderObj lReader(&lFactory);
    KStreamOptionsObj lOptions;
    lOptions.SetOptionValue(KStreamOptionsObj::kCreateReferenceNode, pSize % 2 == 0 ? 1 : 0);
    if (lReader.MemoryOpen(pData, pSize, "fuzz.obj")) {
        lReader.Read(&lScene, &lOptions);
    }
    return 0;
}
