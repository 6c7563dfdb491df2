#ifndef RYVKIT_TESTS_SCENE_ALLOCATIONCOUNT_H
#define RYVKIT_TESTS_SCENE_ALLOCATIONCOUNT_H

#include <cstddef>

// The bytes this test program holds through operator new, which is replaced for the whole
// program (AllocationCount.cpp): every allocation adds the size asked for and every release
// takes it off again, on this thread, so what a piece of work leaves behind is the difference of
// two readings. Counts requested sizes, not what the allocator rounds them to.
class AllocationCount
{
public:
    static long long HeldBytes();
};

#endif
