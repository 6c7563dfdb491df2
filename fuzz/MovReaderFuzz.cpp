// Fuzz entry point of the MOV reader (see FuzzMotionReader).

#include "formats/motion/mov/KReaderMov.h"
#include "fuzz/MotionReaderFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t pSize)
{
    return FuzzMotionReader(pData, pSize, "fuzz.mov", &KReaderMov::Create);
}
