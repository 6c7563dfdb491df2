#ifndef RYVKIT_RYVFILE_KRYVCRC32_H
#define RYVKIT_RYVFILE_KRYVCRC32_H

#include <cstddef>
#include <cstdint>

// The CRC-32 that closes a RYV file: zlib's (polynomial 0xEDB88320, bit-reflected), with the same
// answer as zlib's crc32 for every input. On x86-64 processors with carry-less multiplication the
// bulk of the bytes is folded 64 at a time (256 where the multiplication works on 64-byte
// registers), several times faster than a table; elsewhere, and for the last bytes, zlib does the
// work. The processor is asked at each call: no state is kept.
namespace KRyvCrc32 {

// The CRC of the bytes before pBytes (pCrc, 0 for none) taken on over pBytes[0, pSize). pBytes
// may be null when pSize is 0.
std::uint32_t Update(std::uint32_t pCrc, const std::uint8_t* pBytes, std::size_t pSize);

} // namespace KRyvCrc32

#endif
