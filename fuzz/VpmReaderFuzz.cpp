// Fuzz entry point of the VPM reader (see FuzzMotionReader).

#include "formats/motion/vpm/KReaderVpm.h"
#include "fuzz/MotionReaderFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t pSize)
{
    return FuzzMotionReader(pData, pSize, "fuzz.vpm", &KReaderVpm::Create);
}
