#ifndef RYVKIT_RYVFILE_KRYVFRAMEWRITER_H
#define RYVKIT_RYVFILE_KRYVFRAMEWRITER_H

#include "ryvfile/KRyvBinaryCodec.h"
#include "ryvfile/KRyvByteStage.h"
#include "ryvfile/KRyvCipher.h"
#include "ryvfile/KRyvContainer.h"

#include <cstdint>
#include <future>
#include <memory>
#include <string>

// The frame of a file being written around a body that comes in pieces (docs/ryv-format.md,
// "File frame"): the header first, the body sealed chunk by chunk when protected, the CRC-32
// worked out as the bytes go, and the footer (or the CRC line of the ASCII form) last. The file
// is never held whole.
//
// The CRC and the output run on a thread of their own, and so does the sealing, each a
// KRyvByteStage behind the one feeding it: the caller goes on making the body while the bytes
// before are sealed and written. pOutput is only ever called by one thread at a time, in order.
//
// Results are KRyvFile error codes (-1 for none): kOutOfDiskSpace once the output refused
// bytes, kUnidentifiedError when the header is not one a writer makes, the sealing fails or the
// body does not come to the size announced. Making the writer may throw std::bad_alloc or
// std::system_error.
class KRyvFrameWriter
{
public:
    // pOutput takes the file's bytes in order; it must outlive the writer.
    explicit KRyvFrameWriter(const KRyvBinaryCodec::Output& pOutput);
    ~KRyvFrameWriter();
    KRyvFrameWriter(const KRyvFrameWriter&) = delete;
    KRyvFrameWriter& operator=(const KRyvFrameWriter&) = delete;

    // Starts the key derivation of a protected file with pPassword on a thread of its own, so
    // that the caller can take the body's size meanwhile; BeginBinary then waits for it. May
    // throw std::system_error (no thread).
    void PrepareSealing(const char* pPassword);
    // The header of a binary file whose plain body is pBodySize bytes, then (when pHeader is
    // protected) the salt and stream header of the sealing with pPassword, whose key derivation
    // happens here unless PrepareSealing started it.
    int BeginBinary(const KRyvFileHeader& pHeader, std::uint64_t pBodySize, const char* pPassword);
    // The first line of an ASCII file.
    int BeginAscii(const KRyvFileHeader& pHeader);
    // The next plain body bytes; false once anything failed.
    bool Body(const std::uint8_t* pBytes, std::size_t pSize);
    // Ends the body and writes the end of the frame.
    int Finish();

private:
    // The sealing, its output the output stage; its size and header are announced later.
    void CreateSeal();
    // Hands file bytes on and follows them with the CRC-32 (on the output stage's thread).
    bool Emit(const std::uint8_t* pBytes, std::size_t pSize);
    int Fail(int pCode);

    const KRyvBinaryCodec::Output& mOutput;
    std::unique_ptr<KRyvCipher::SealStream> mSeal;
    // What the key derivation gives besides the key, and its result once it has run.
    std::string mPassword;
    std::uint8_t mSalt[KRyvCipher::kSaltSize] = {};
    std::uint8_t mStreamHeader[KRyvCipher::kStreamHeaderSize] = {};
    std::future<KRyvCipher::EResult> mStarted;
    // Touched by the output stage's thread only until that stage finished.
    std::uint32_t mCrc;
    bool mRefused = false;
    // The output stage before the sealing one: the sealing one, destroyed first, may still be
    // handing bytes to it.
    KRyvByteStage mOutputStage;
    std::unique_ptr<KRyvByteStage> mSealStage;
    std::uint64_t mBodySize = 0;
    std::uint64_t mBodyDone = 0;
    bool mAscii = false;
    int mError = -1;
};

#endif
