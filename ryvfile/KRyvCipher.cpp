#include "ryvfile/KRyvCipher.h"

#include <sodium.h>

#include <algorithm>
#include <cstring>

static_assert(KRyvCipher::kSaltSize == crypto_pwhash_SALTBYTES, "salt size");
static_assert(KRyvCipher::kStreamHeaderSize == crypto_secretstream_xchacha20poly1305_HEADERBYTES,
              "stream header size");
static_assert(KRyvCipher::kChunkOverhead == crypto_secretstream_xchacha20poly1305_ABYTES,
              "chunk overhead");

namespace {

using Key = unsigned char[crypto_secretstream_xchacha20poly1305_KEYBYTES];

bool DeriveKey(const char* pPassword, const std::uint8_t pSalt[KRyvCipher::kSaltSize], Key& oKey)
{
    const char* lPassword = pPassword ? pPassword : "";
    return sodium_init() >= 0 &&
           crypto_pwhash(oKey, sizeof(Key), lPassword, std::strlen(lPassword), pSalt,
                         crypto_pwhash_OPSLIMIT_INTERACTIVE, crypto_pwhash_MEMLIMIT_INTERACTIVE,
                         crypto_pwhash_ALG_ARGON2ID13) == 0;
}

// The plain size of the chunk at pOffset of a body of pPlainSize bytes.
std::size_t ChunkAt(std::size_t pOffset, std::size_t pPlainSize)
{
    return std::min(KRyvCipher::kChunkSize, pPlainSize - pOffset);
}

} // namespace

std::size_t KRyvCipher::GetSealedSize(std::size_t pPlainSize)
{
    const std::size_t lChunks = pPlainSize == 0 ? 1 : (pPlainSize + kChunkSize - 1) / kChunkSize;
    return pPlainSize + lChunks * kChunkOverhead;
}

KRyvCipher::EResult
KRyvCipher::Seal(const char* pPassword, const std::vector<std::uint8_t>& pAssociated,
                 const std::vector<std::uint8_t>& pPlain, std::uint8_t oSalt[kSaltSize],
                 std::uint8_t oStreamHeader[kStreamHeaderSize], std::vector<std::uint8_t>& oSealed)
{
    if (sodium_init() < 0) {
        return kFailed;
    }
    randombytes_buf(oSalt, kSaltSize);
    Key lKey;
    if (!DeriveKey(pPassword, oSalt, lKey)) {
        return kFailed;
    }
    crypto_secretstream_xchacha20poly1305_state lState;
    crypto_secretstream_xchacha20poly1305_init_push(&lState, oStreamHeader, lKey);
    sodium_memzero(lKey, sizeof(lKey));
    oSealed.resize(GetSealedSize(pPlain.size()));
    std::size_t lIn = 0;
    std::size_t lOut = 0;
    do {
        const std::size_t lChunk = ChunkAt(lIn, pPlain.size());
        const bool lLast = lIn + lChunk == pPlain.size();
        const unsigned char lTag = lLast ? crypto_secretstream_xchacha20poly1305_TAG_FINAL
                                         : crypto_secretstream_xchacha20poly1305_TAG_MESSAGE;
        // The header is bound to the first chunk only: that is enough to tie it to the body.
        const bool lFirst = lIn == 0;
        crypto_secretstream_xchacha20poly1305_push(
            &lState, oSealed.data() + lOut, nullptr, pPlain.data() + lIn, lChunk,
            lFirst ? pAssociated.data() : nullptr, lFirst ? pAssociated.size() : 0, lTag);
        lIn += lChunk;
        lOut += lChunk + kChunkOverhead;
    } while (lIn < pPlain.size());
    return kOk;
}

bool KRyvCipher::GetPlainSize(std::size_t pSealedSize, std::size_t& oPlainSize)
{
    constexpr std::size_t kSealedChunk = kChunkSize + kChunkOverhead;
    if (pSealedSize < kChunkOverhead) {
        return false;
    }
    // Whole chunks, then one final chunk of kChunkOverhead to kSealedChunk bytes: anything
    // else (stray bytes after a whole chunk) is not a sealed body.
    const std::size_t lChunks = (pSealedSize + kSealedChunk - 1) / kSealedChunk;
    const std::size_t lLast = pSealedSize - (lChunks - 1) * kSealedChunk;
    if (lLast < kChunkOverhead) {
        return false;
    }
    oPlainSize = pSealedSize - lChunks * kChunkOverhead;
    return true;
}

KRyvCipher::EResult KRyvCipher::Open(const char* pPassword,
                                     const std::vector<std::uint8_t>& pAssociated,
                                     const std::uint8_t pSalt[kSaltSize],
                                     const std::uint8_t pStreamHeader[kStreamHeaderSize],
                                     const std::uint8_t* pSealed, std::size_t pSize,
                                     std::vector<std::uint8_t>& oPlain)
{
    oPlain.clear();
    std::size_t lPlainSize = 0;
    // A protected file is opened only with a password the caller gave, never with none.
    if (!pPassword || !*pPassword || !GetPlainSize(pSize, lPlainSize)) {
        return kRefused;
    }
    Key lKey;
    if (!DeriveKey(pPassword, pSalt, lKey)) {
        return kFailed;
    }
    crypto_secretstream_xchacha20poly1305_state lState;
    const bool lStarted =
        crypto_secretstream_xchacha20poly1305_init_pull(&lState, pStreamHeader, lKey) == 0;
    sodium_memzero(lKey, sizeof(lKey));
    if (!lStarted) {
        return kRefused;
    }
    // Sized by the frame alone; one byte more so that the buffer is never empty.
    oPlain.resize(lPlainSize + 1);
    std::size_t lIn = 0;
    std::size_t lOut = 0;
    unsigned char lTag = 0;
    do {
        const std::size_t lChunk = std::min(kChunkSize + kChunkOverhead, pSize - lIn);
        unsigned long long lPlain = 0;
        const bool lFirst = lIn == 0;
        if (lTag == crypto_secretstream_xchacha20poly1305_TAG_FINAL ||
            crypto_secretstream_xchacha20poly1305_pull(
                &lState, oPlain.data() + lOut, &lPlain, &lTag, pSealed + lIn, lChunk,
                lFirst ? pAssociated.data() : nullptr, lFirst ? pAssociated.size() : 0) != 0) {
            oPlain.clear();
            return kRefused;
        }
        lIn += lChunk;
        lOut += static_cast<std::size_t>(lPlain);
    } while (lIn < pSize);
    if (lTag != crypto_secretstream_xchacha20poly1305_TAG_FINAL) {
        oPlain.clear();
        return kRefused;
    }
    oPlain.resize(lOut);
    return kOk;
}
