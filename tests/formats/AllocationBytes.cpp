#include "tests/formats/AllocationBytes.h"

#include <algorithm>

#include <malloc.h>

namespace {

thread_local long long gHeld = 0;
thread_local long long gPeak = 0;

} // namespace

long long AllocationBytes::Held()
{
    return gHeld;
}

long long AllocationBytes::Peak()
{
    return gPeak;
}

void AllocationBytes::ResetPeak()
{
    gPeak = gHeld;
}

void AllocationBytes::Allocated(void* pBlock)
{
    if (pBlock) {
        gHeld += static_cast<long long>(malloc_usable_size(pBlock));
        gPeak = std::max(gPeak, gHeld);
    }
}

void AllocationBytes::Released(void* pBlock)
{
    if (pBlock) {
        gHeld -= static_cast<long long>(malloc_usable_size(pBlock));
    }
}
