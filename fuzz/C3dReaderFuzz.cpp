// Fuzz entry point of the C3D reader (see FuzzMotionReader).

#include "formats/motion/c3d/KReaderC3d.h"
#include "fuzz/MotionReaderFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t pSize)
{
    return FuzzMotionReader(pData, pSize, "fuzz.c3d", &KReaderC3d::Create);
}
