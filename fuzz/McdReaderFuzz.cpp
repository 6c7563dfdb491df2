// Fuzz entry point of the MCD reader (see FuzzMotionReader).

#include "formats/motion/aoa/KReaderAoa.h"
#include "fuzz/MotionReaderFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t pSize)
{
    return FuzzMotionReader(pData, pSize, "fuzz.mcd", &KReaderAoa::CreateMcd);
}
