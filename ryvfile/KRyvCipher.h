#ifndef RYVKIT_RYVFILE_KRYVCIPHER_H
#define RYVKIT_RYVFILE_KRYVCIPHER_H

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// Password protection of a RYV body: a key derived from the password with Argon2id
// (crypto_pwhash, interactive limits, a random salt), the body sealed in chunks with
// crypto_secretstream_xchacha20poly1305. The file's fixed header is bound to the first chunk
// as additional data, so a changed header fails like a wrong password.
namespace KRyvCipher {

constexpr std::size_t kSaltSize = 16;
constexpr std::size_t kStreamHeaderSize = 24;
// Plain bytes per sealed chunk; each chunk grows by kChunkOverhead.
constexpr std::size_t kChunkSize = 65536;
constexpr std::size_t kChunkOverhead = 17;

// kDamaged: the password opened the body's first chunk (or none was tried), yet the body is not a
// whole sealed body; kRefused: the password does not open it.
enum EResult { kOk, kFailed, kRefused, kDamaged };

// The sealed size of pPlainSize plain bytes (at least one chunk, even for an empty body).
std::size_t GetSealedSize(std::size_t pPlainSize);

// Seals a body of a size known beforehand as its bytes come, one chunk at a time, handing each
// sealed chunk on: a body is never held whole, plain or sealed.
class SealStream
{
public:
    // Takes sealed bytes; false stops the sealing.
    using Output = std::function<bool(const std::uint8_t* pBytes, std::size_t pSize)>;

    // pAssociated is bound to the first chunk; pOutput receives the sealed chunks.
    SealStream(std::size_t pPlainSize, std::vector<std::uint8_t> pAssociated, Output pOutput);
    SealStream(const SealStream&) = delete;
    SealStream& operator=(const SealStream&) = delete;
    ~SealStream();

    // Draws the salt, derives the key and starts the stream; oSalt and oStreamHeader receive
    // what a reader needs besides the password. kFailed when the library cannot start or the key
    // cannot be derived (out of memory).
    EResult Start(const char* pPassword, std::uint8_t oSalt[kSaltSize],
                  std::uint8_t oStreamHeader[kStreamHeaderSize]);
    // Sets the plain size and the bytes bound to the first chunk anew, before the first Write:
    // the key derivation of Start may then run before they are known.
    void Announce(std::size_t pPlainSize, std::vector<std::uint8_t> pAssociated);
    // Plain bytes in order; false when they pass the announced size or the output refuses.
    bool Write(const std::uint8_t* pBytes, std::size_t pSize);
    // True when exactly the announced bytes came and every chunk went out (an empty body gives
    // one empty final chunk).
    bool Finish();

private:
    bool PushChunk();
    bool PushChunk(const std::uint8_t* pPlain, std::size_t pSize);

    std::size_t mPlainSize;
    std::size_t mPushed = 0;
    std::vector<std::uint8_t> mAssociated;
    Output mOutput;
    std::vector<std::uint8_t> mChunk;
    std::vector<std::uint8_t> mSealed;
    std::unique_ptr<std::uint8_t[]> mState;
    bool mFailed = false;
};

// Seals pPlain. oSalt and oStreamHeader receive what the reader needs besides the password.
// kFailed when the library cannot start or the key cannot be derived (out of memory).
EResult Seal(const char* pPassword, const std::vector<std::uint8_t>& pAssociated,
             const std::vector<std::uint8_t>& pPlain, std::uint8_t oSalt[kSaltSize],
             std::uint8_t oStreamHeader[kStreamHeaderSize], std::vector<std::uint8_t>& oSealed);

// The plain size of a sealed body of pSealedSize bytes; false when that size is not whole
// chunks followed by one final chunk.
bool GetPlainSize(std::size_t pSealedSize, std::size_t& oPlainSize);

// Opens pSealed[0, pSize). kRefused for a null or empty password (a protected body is never
// opened without one), a wrong password, a changed header or first chunk (which a wrong password
// cannot be told from); kDamaged for a body that is not whole chunks plus one final chunk, a
// later chunk changed, a missing or misplaced final chunk; kFailed when the library cannot work.
// oPlain is empty unless kOk.
EResult Open(const char* pPassword, const std::vector<std::uint8_t>& pAssociated,
             const std::uint8_t pSalt[kSaltSize],
             const std::uint8_t pStreamHeader[kStreamHeaderSize], const std::uint8_t* pSealed,
             std::size_t pSize, std::vector<std::uint8_t>& oPlain);

// The same over ioBody[0, pSize) itself: each chunk is opened into a chunk-sized buffer, then
// put in place, so that on kOk ioBody[0, oPlainSize) is the plain body and no second body is
// ever held. oTouched tells whether ioBody was changed (only after its first chunk opened, so a
// wrong password leaves it whole).
EResult OpenInPlace(const char* pPassword, const std::vector<std::uint8_t>& pAssociated,
                    const std::uint8_t pSalt[kSaltSize],
                    const std::uint8_t pStreamHeader[kStreamHeaderSize], std::uint8_t* ioBody,
                    std::size_t pSize, std::size_t& oPlainSize, bool& oTouched);

} // namespace KRyvCipher

#endif
