#ifndef RYVKIT_RYVFILE_KRYVFRAMEWRITER_H
#define RYVKIT_RYVFILE_KRYVFRAMEWRITER_H

#include "ryvfile/KRyvBinaryCodec.h"
#include "ryvfile/KRyvByteStage.h"
#include "ryvfile/KRyvCipher.h"
#include "ryvfile/KRyvContainer.h"

#include <cstdint>
#include <memory>
#include <string>

// The frame of a file being written around a body that comes in pieces (docs/ryv-format.md,
// "File frame"): the header first, the body sealed chunk by chunk when protected, the CRC-32
// worked out as the bytes go, and the footer (or the CRC line of the ASCII form) last. The file
// is never held whole.
//
// The file's bytes reach pOutput in blocks of a KRyvByteStage, with the CRC worked out on each
// block as it goes, so that neither the CRC nor the output sees the body's small pieces.
//
// Results are KRyvFile error codes (-1 for none): kOutOfDiskSpace once the output refused
// bytes, kUnidentifiedError when the header is not one a writer makes, the sealing fails or the
// body does not come to the size announced. Making the writer may throw std::bad_alloc or
// nothing else.
class KRyvFrameWriter
{
public:
    // pOutput takes the file's bytes in order; it must outlive the writer.
    explicit KRyvFrameWriter(const KRyvBinaryCodec::Output& pOutput);
    ~KRyvFrameWriter();
    KRyvFrameWriter(const KRyvFrameWriter&) = delete;
    KRyvFrameWriter& operator=(const KRyvFrameWriter&) = delete;

    // Derives the key of a protected file with pPassword ahead of BeginBinary, which then uses
    // it.
    void PrepareSealing(const char* pPassword);
    // The header of a binary file whose plain body is pBodySize bytes, then (when pHeader is
    // protected) the salt and stream header of the sealing with pPassword, whose key derivation
    // happens here unless PrepareSealing did it.
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
    // Hands file bytes on and follows them with the CRC-32.
    bool Emit(const std::uint8_t* pBytes, std::size_t pSize);
    int Fail(int pCode);

    const KRyvBinaryCodec::Output& mOutput;
    std::unique_ptr<KRyvCipher::SealStream> mSeal;
    // What the key derivation gives besides the key, and its result once it has run.
    std::uint8_t mSalt[KRyvCipher::kSaltSize] = {};
    std::uint8_t mStreamHeader[KRyvCipher::kStreamHeaderSize] = {};
    bool mPrepared = false;
    KRyvCipher::EResult mStarted = KRyvCipher::kFailed;
    // True once the body goes through mSeal.
    bool mSealing = false;
    std::uint32_t mCrc;
    bool mRefused = false;
    KRyvByteStage mOutputStage;
    std::uint64_t mBodySize = 0;
    std::uint64_t mBodyDone = 0;
    bool mAscii = false;
    int mError = -1;
};

#endif
