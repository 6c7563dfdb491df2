// Fuzz entry point of the HTR reader (see FuzzMotionReader).

#include "formats/motion/htr/KReaderHtr.h"
#include "fuzz/MotionReaderFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t pSize)
{
    return FuzzMotionReader(pData, pSize, "fuzz.htr", &KReaderHtr::Create);
}
