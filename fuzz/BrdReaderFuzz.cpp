// Fuzz entry point of the BRD reader (see FuzzMotionReader).

#include "formats/motion/brd/KReaderBrd.h"
#include "fuzz/MotionReaderFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t pSize)
{
    return FuzzMotionReader(pData, pSize, "fuzz.brd", &KReaderBrd::Create);
}
