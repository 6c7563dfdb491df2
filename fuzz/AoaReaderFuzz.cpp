// Fuzz entry point of the AOA reader (see FuzzMotionReader).

#include "formats/motion/aoa/KReaderAoa.h"
#include "fuzz/MotionReaderFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t pSize)
{
    return FuzzMotionReader(pData, pSize, "fuzz.aoa", &KReaderAoa::CreateAoa);
}
