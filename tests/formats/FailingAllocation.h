#ifndef RYVKIT_TESTS_FORMATS_FAILINGALLOCATION_H
#define RYVKIT_TESTS_FORMATS_FAILINGALLOCATION_H

// The allocation-failure walk of this test program: operator new, and mmap for anonymous
// mappings (where the heap is bypassed), are replaced for the whole program
// (tests/support/ReplacedNew.cpp, with FailingAllocation.cpp deciding), and fail the Nth allocation
// made on this thread while a FailingAllocation lives (none when N is 0). Under the leak checker,
// what is allocated meanwhile is not reported: the scene objects' constructors still lose their
// parts when an allocation inside them fails, which is not what these tests are about.
class FailingAllocation
{
public:
    explicit FailingAllocation(long pNth);
    ~FailingAllocation();
    FailingAllocation(const FailingAllocation&) = delete;
    FailingAllocation& operator=(const FailingAllocation&) = delete;

    // True when the failure was handed out.
    static bool Fired(long pNth);
    // Allocations left before the one that fails.
    static long Left();
    // How many anonymous mappings have been refused so far.
    static long MappingsFailed();
};

#endif
