#ifndef RYVKIT_TESTS_FORMATS_ALLOCATIONBYTES_H
#define RYVKIT_TESTS_FORMATS_ALLOCATIONBYTES_H

// The bytes this test program holds through operator new (replaced for the whole program in
// tests/support/ReplacedNew.cpp; FailingAllocation.cpp reports here), counted as the allocator
// hands them out (malloc_usable_size) on this thread. What a piece of work leaves behind is the
// difference of two readings of Held; what it needs at its height is Peak (after ResetPeak) less
// the Held before it.
class AllocationBytes
{
public:
    static long long Held();
    // The most Held has been since the last ResetPeak.
    static long long Peak();
    static void ResetPeak();

    // The replaced operator new and delete report each block (null is ignored).
    static void Allocated(void* pBlock);
    static void Released(void* pBlock);
};

#endif
