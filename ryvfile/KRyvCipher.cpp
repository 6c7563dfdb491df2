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

} // namespace

std::size_t KRyvCipher::GetSealedSize(std::size_t pPlainSize)
{
    const std::size_t lChunks = pPlainSize == 0 ? 1 : (pPlainSize + kChunkSize - 1) / kChunkSize;
    return pPlainSize + lChunks * kChunkOverhead;
}

KRyvCipher::SealStream::SealStream(std::size_t pPlainSize, std::vector<std::uint8_t> pAssociated,
                                   Output pOutput)
    : mPlainSize(pPlainSize), mAssociated(std::move(pAssociated)), mOutput(std::move(pOutput))
{
}

KRyvCipher::SealStream::~SealStream()
{
    if (mState) {
        sodium_memzero(mState.get(), sizeof(crypto_secretstream_xchacha20poly1305_state));
    }
}

KRyvCipher::EResult KRyvCipher::SealStream::Start(const char* pPassword,
                                                  std::uint8_t oSalt[kSaltSize],
                                                  std::uint8_t oStreamHeader[kStreamHeaderSize])
{
    if (sodium_init() < 0) {
        return kFailed;
    }
    randombytes_buf(oSalt, kSaltSize);
    Key lKey;
    if (!DeriveKey(pPassword, oSalt, lKey)) {
        return kFailed;
    }
    mState.reset(new std::uint8_t[sizeof(crypto_secretstream_xchacha20poly1305_state)]);
    crypto_secretstream_xchacha20poly1305_init_push(
        reinterpret_cast<crypto_secretstream_xchacha20poly1305_state*>(mState.get()), oStreamHeader,
        lKey);
    sodium_memzero(lKey, sizeof(lKey));
    mChunk.reserve(kChunkSize);
    mSealed.resize(kChunkSize + kChunkOverhead);
    return kOk;
}

void KRyvCipher::SealStream::Announce(std::size_t pPlainSize, std::vector<std::uint8_t> pAssociated)
{
    mPlainSize = pPlainSize;
    mAssociated = std::move(pAssociated);
}

bool KRyvCipher::SealStream::PushChunk(const std::uint8_t* pPlain, std::size_t pSize)
{
    const bool lFirst = mPushed == 0;
    mPushed += pSize;
    const bool lLast = mPushed == mPlainSize;
    const unsigned char lTag = lLast ? crypto_secretstream_xchacha20poly1305_TAG_FINAL
                                     : crypto_secretstream_xchacha20poly1305_TAG_MESSAGE;
    // The header is bound to the first chunk only: that is enough to tie it to the body.
    crypto_secretstream_xchacha20poly1305_push(
        reinterpret_cast<crypto_secretstream_xchacha20poly1305_state*>(mState.get()),
        mSealed.data(), nullptr, pPlain, pSize, lFirst ? mAssociated.data() : nullptr,
        lFirst ? mAssociated.size() : 0, lTag);
    mFailed = mFailed || !mOutput(mSealed.data(), pSize + kChunkOverhead);
    return !mFailed;
}

bool KRyvCipher::SealStream::PushChunk()
{
    const bool lPushed = PushChunk(mChunk.data(), mChunk.size());
    mChunk.clear();
    return lPushed;
}

bool KRyvCipher::SealStream::Write(const std::uint8_t* pBytes, std::size_t pSize)
{
    if (!mState || mFailed || pSize > mPlainSize - mPushed - mChunk.size()) {
        mFailed = true;
        return false;
    }
    while (pSize > 0) {
        // A whole chunk in the caller's bytes is sealed from there, without a copy.
        if (mChunk.empty() && pSize >= kChunkSize) {
            if (!PushChunk(pBytes, kChunkSize)) {
                return false;
            }
            pBytes += kChunkSize;
            pSize -= kChunkSize;
            continue;
        }
        const std::size_t lTaken = std::min(pSize, kChunkSize - mChunk.size());
        mChunk.insert(mChunk.end(), pBytes, pBytes + lTaken);
        pBytes += lTaken;
        pSize -= lTaken;
        // A full chunk goes out at once, tagged final when it ends the body.
        if (mChunk.size() == kChunkSize && !PushChunk()) {
            return false;
        }
    }
    return true;
}

bool KRyvCipher::SealStream::Finish()
{
    if (!mState || mFailed || mPushed + mChunk.size() != mPlainSize) {
        return false;
    }
    // Bytes left over, or an empty body: the final chunk. A body of whole chunks ended with its
    // last full chunk, which PushChunk tagged final already.
    return (mPushed == mPlainSize && mPlainSize > 0) || PushChunk();
}

KRyvCipher::EResult
KRyvCipher::Seal(const char* pPassword, const std::vector<std::uint8_t>& pAssociated,
                 const std::vector<std::uint8_t>& pPlain, std::uint8_t oSalt[kSaltSize],
                 std::uint8_t oStreamHeader[kStreamHeaderSize], std::vector<std::uint8_t>& oSealed)
{
    oSealed.clear();
    oSealed.reserve(GetSealedSize(pPlain.size()));
    SealStream lStream(pPlain.size(), pAssociated,
                       [&oSealed](const std::uint8_t* pBytes, std::size_t pSize) {
                           oSealed.insert(oSealed.end(), pBytes, pBytes + pSize);
                           return true;
                       });
    const EResult lStarted = lStream.Start(pPassword, oSalt, oStreamHeader);
    if (lStarted != kOk) {
        return lStarted;
    }
    return lStream.Write(pPlain.data(), pPlain.size()) && lStream.Finish() ? kOk : kFailed;
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
    oPlain.assign(pSealed, pSealed + pSize);
    std::size_t lPlainSize = 0;
    bool lTouched = false;
    const EResult lOpened = OpenInPlace(pPassword, pAssociated, pSalt, pStreamHeader, oPlain.data(),
                                        pSize, lPlainSize, lTouched);
    oPlain.resize(lOpened == kOk ? lPlainSize : 0);
    return lOpened;
}

KRyvCipher::EResult KRyvCipher::OpenInPlace(const char* pPassword,
                                            const std::vector<std::uint8_t>& pAssociated,
                                            const std::uint8_t pSalt[kSaltSize],
                                            const std::uint8_t pStreamHeader[kStreamHeaderSize],
                                            std::uint8_t* ioBody, std::size_t pSize,
                                            std::size_t& oPlainSize, bool& oTouched)
{
    oPlainSize = 0;
    oTouched = false;
    std::size_t lPlainSize = 0;
    // A protected file is opened only with a password the caller gave, never with none.
    if (!pPassword || !*pPassword) {
        return kRefused;
    }
    if (!GetPlainSize(pSize, lPlainSize)) {
        return kDamaged;
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
    // One chunk of plain bytes, sized by the chunk limit alone; a chunk's plain bytes go in place
    // behind its sealed bytes, never over sealed bytes not yet opened.
    std::vector<std::uint8_t> lChunkPlain(kChunkSize + 1);
    std::size_t lIn = 0;
    std::size_t lOut = 0;
    unsigned char lTag = 0;
    do {
        const std::size_t lChunk = std::min(kChunkSize + kChunkOverhead, pSize - lIn);
        unsigned long long lPlain = 0;
        const bool lFirst = lIn == 0;
        // Only the first chunk tells a wrong password; past it the password is known right.
        if (lTag == crypto_secretstream_xchacha20poly1305_TAG_FINAL) {
            return kDamaged;
        }
        if (crypto_secretstream_xchacha20poly1305_pull(
                &lState, lChunkPlain.data(), &lPlain, &lTag, ioBody + lIn, lChunk,
                lFirst ? pAssociated.data() : nullptr, lFirst ? pAssociated.size() : 0) != 0) {
            return lFirst ? kRefused : kDamaged;
        }
        std::memcpy(ioBody + lOut, lChunkPlain.data(), static_cast<std::size_t>(lPlain));
        oTouched = true;
        lIn += lChunk;
        lOut += static_cast<std::size_t>(lPlain);
    } while (lIn < pSize);
    if (lTag != crypto_secretstream_xchacha20poly1305_TAG_FINAL) {
        return kDamaged;
    }
    oPlainSize = lOut;
    return kOk;
}
