#ifndef RYVKIT_TESTS_SUPPORT_REPLACEDNEW_H
#define RYVKIT_TESTS_SUPPORT_REPLACEDNEW_H

#include <cstddef>

// The global operator new and delete of a test program that watches its allocations, replaced in
// ReplacedNew.cpp: every form calls the two functions below, which the program defines (one
// definition per program), so that only what it does with a block differs.
namespace ReplacedNew {

// A block of pSize bytes (at least 1) from malloc, or null, which operator new turns into
// std::bad_alloc and the nothrow form hands on.
void* Allocate(std::size_t pSize);
// Gives back a block Allocate made (null is ignored).
void Release(void* pBlock);

} // namespace ReplacedNew

#endif
