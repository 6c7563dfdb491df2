#ifndef RYVKIT_BENCH_CIPHERFLOOR_H
#define RYVKIT_BENCH_CIPHERFLOOR_H

#include <cstddef>

// The least time any reader or writer of a sealed body can spend on the cipher itself: the
// stream cipher of the native format run alone, on the calling thread, over a body of the given
// size in the format's chunks (no key derivation, no file, no parsing).
namespace CipherFloor {

// Wall-clock seconds of the fastest of a few runs that seal (pSeal) or open pPlainBytes of
// plain bytes; -1 when the cipher fails.
double StreamSeconds(std::size_t pPlainBytes, bool pSeal);

} // namespace CipherFloor

#endif
