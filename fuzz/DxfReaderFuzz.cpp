// Fuzz entry point of the DXF reader: the input is read from memory into a fresh scene, in each
// of the three derivations by turn. Any answer is fine; a crash, a hang, a leak or a failed read
// that leaves nodes or materials behind is not.

#include "formats/geometry/dxf/KReaderDxf.h"
#include "formats/geometry/dxf/KStreamOptionsDxf.h"
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
    KReaderDxf lReader(&lFactory);
    KStreamOptionsDxf lOptions;
    lOptions.SetOptionValue(KStreamOptionsDxf::kDerivationChoice, static_cast<int>(pSize % 3));
    lOptions.SetOptionValue(KStreamOptionsDxf::kWeldVertices, pSize % 2 == 0 ? 1 : 0);
    if (lReader.MemoryOpen(pData, pSize, "fuzz.dxf") && !lReader.Read(&lScene, &lOptions)) {
        if (lFactory.GetNodeCount() != lNodes || lScene.GetRootNode()->GetChildCount() != 0 ||
            lFactory.GetMaterialCount() != 0) {
            std::abort();
        }
    }
    return 0;
}
