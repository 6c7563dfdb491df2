// Fuzz entry point of the BVH reader (see FuzzMotionReader).

#include "formats/motion/bvh/KReaderBvh.h"
#include "fuzz/MotionReaderFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t pSize)
{
    return FuzzMotionReader(pData, pSize, "fuzz.bvh", &KReaderBvh::Create);
}
