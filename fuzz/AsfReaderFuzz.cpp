// Fuzz entry point of the ASF reader (see FuzzMotionReader).

#include "formats/motion/asf-amc/KReaderAsf.h"
#include "fuzz/MotionReaderFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t pSize)
{
    return FuzzMotionReader(pData, pSize, "fuzz.asf", &KReaderAsf::Create);
}
