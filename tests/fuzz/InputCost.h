#ifndef RYVKIT_TESTS_FUZZ_INPUTCOST_H
#define RYVKIT_TESTS_FUZZ_INPUTCOST_H

// What the program has asked of memory so far, over all its threads: heap blocks from operator
// new and the bytes asked for them, and the bytes of anonymous mappings (big buffers that bypass
// the heap, and a password key's derivation, which maps its whole working memory). operator new
// and mmap are replaced for the whole program (InputCost.cpp) to count them. The cost of a piece
// of work is the difference of the readings before and after it; it depends on the code alone,
// never on how busy the machine is.
struct InputCost
{
    long long mAllocations = 0;
    long long mBytes = 0;
    long long mMappedBytes = 0;

    static InputCost Now();
    InputCost operator-(const InputCost& pBefore) const;
};

#endif
