// Fuzz entry point of the DXF reader: the input is read from memory into an empty scene, in each
// of the three derivations by turn. Any answer is fine; a crash, a hang, a leak or a failed read
// that leaves nodes or materials behind is not.

#include "formats/geometry/dxf/KReaderDxf.h"
#include "formats/geometry/dxf/KStreamOptionsDxf.h"
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
            KReaderDxf lReader(&lFactory);
            KStreamOptionsDxf lOptions;
            lOptions.SetOptionValue(KStreamOptionsDxf::kDerivationChoice,
                                    static_cast<int>(pSize % 3));
            lOptions.SetOptionValue(KStreamOptionsDxf::kWeldVertices, pSize % 2 == 0 ? 1 : 0);
            return lReader.MemoryOpen(pData, pSize, "fuzz.dxf") && lReader.Read(&lScene, &lOptions);
        },
        [&] {
            return lFactory.GetNodeCount() == lNodes &&
                   lScene.GetRootNode()->GetChildCount() == 0 && lFactory.GetMaterialCount() == 0;
        });
    return 0;
}
