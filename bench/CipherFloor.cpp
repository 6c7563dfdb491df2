#include "CipherFloor.h"

#include "bench/BenchSupport.h"
#include "ryvfile/KRyvCipher.h"

#include <sodium.h>

#include <algorithm>
#include <vector>

namespace {

using State = crypto_secretstream_xchacha20poly1305_state;

constexpr std::size_t kChunk = KRyvCipher::kChunkSize;
constexpr std::size_t kSealedChunk = kChunk + crypto_secretstream_xchacha20poly1305_ABYTES;

// The tag a chunk is sealed with: the last one closes the stream.
unsigned char ChunkTag(std::size_t pOffset, std::size_t pSize)
{
    return pOffset + kChunk >= pSize ? crypto_secretstream_xchacha20poly1305_TAG_FINAL : 0;
}

bool SealAll(const std::vector<unsigned char>& pPlain, const unsigned char* pKey,
             unsigned char* oHeader, std::vector<unsigned char>& oSealed)
{
    State lState;
    if (crypto_secretstream_xchacha20poly1305_init_push(&lState, oHeader, pKey) != 0) {
        return false;
    }
    std::size_t lOut = 0;
    for (std::size_t lIn = 0; lIn < pPlain.size(); lIn += kChunk) {
        const std::size_t lSize = std::min(kChunk, pPlain.size() - lIn);
        unsigned long long lSealed = 0;
        if (crypto_secretstream_xchacha20poly1305_push(&lState, &oSealed[lOut], &lSealed,
                                                       &pPlain[lIn], lSize, nullptr, 0,
                                                       ChunkTag(lIn, pPlain.size())) != 0) {
            return false;
        }
        lOut += static_cast<std::size_t>(lSealed);
    }
    return true;
}

bool OpenAll(const std::vector<unsigned char>& pSealed, const unsigned char* pKey,
             const unsigned char* pHeader, std::vector<unsigned char>& oPlain)
{
    State lState;
    if (crypto_secretstream_xchacha20poly1305_init_pull(&lState, pHeader, pKey) != 0) {
        return false;
    }
    std::size_t lOut = 0;
    for (std::size_t lIn = 0; lIn < pSealed.size(); lIn += kSealedChunk) {
        const std::size_t lSize = std::min(kSealedChunk, pSealed.size() - lIn);
        unsigned long long lPlain = 0;
        unsigned char lTag = 0;
        if (crypto_secretstream_xchacha20poly1305_pull(&lState, &oPlain[lOut], &lPlain, &lTag,
                                                       &pSealed[lIn], lSize, nullptr, 0) != 0) {
            return false;
        }
        lOut += static_cast<std::size_t>(lPlain);
    }
    return true;
}

} // namespace

namespace CipherFloor {

double StreamSeconds(std::size_t pPlainBytes, bool pSeal)
{
    if (sodium_init() < 0) {
        return -1.0;
    }
    unsigned char lKey[crypto_secretstream_xchacha20poly1305_KEYBYTES];
    unsigned char lHeader[crypto_secretstream_xchacha20poly1305_HEADERBYTES];
    crypto_secretstream_xchacha20poly1305_keygen(lKey);
    const std::size_t lChunks = (pPlainBytes + kChunk - 1) / kChunk;
    std::vector<unsigned char> lPlain(pPlainBytes, 0x5a);
    std::vector<unsigned char> lSealed(pPlainBytes +
                                       lChunks * crypto_secretstream_xchacha20poly1305_ABYTES);
    bool lDone = SealAll(lPlain, lKey, lHeader, lSealed);
    const double lSeconds = BenchSupport::BestSeconds([&] {
        lDone = lDone && (pSeal ? SealAll(lPlain, lKey, lHeader, lSealed)
                                : OpenAll(lSealed, lKey, lHeader, lPlain));
    });
    return lDone ? lSeconds : -1.0;
}

} // namespace CipherFloor
