// Fuzz entry point of the TRC reader (see FuzzMotionReader).

#include "formats/motion/trc/KReaderTrc.h"
#include "fuzz/MotionReaderFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t pSize)
{
    return FuzzMotionReader(pData, pSize, "fuzz.trc", &KReaderTrc::Create);
}
