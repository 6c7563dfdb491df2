#ifndef RYVKIT_IO_KOUTOFMEMORY_H
#define RYVKIT_IO_KOUTOFMEMORY_H

#include <new>

// The bad_alloc catch at a reader's or writer's entry point: answers pWork(), or, when
// std::bad_alloc escapes it, pOutOfMemory() (which sets the caller's own error), so that
// nothing is thrown across the kit's interface. Both answer bool.
template <typename TWork, typename TOutOfMemory>
bool CatchOutOfMemory(TWork&& pWork, TOutOfMemory&& pOutOfMemory)
{
    try {
        return pWork();
    } catch (const std::bad_alloc&) {
        return pOutOfMemory();
    }
}

#endif
