#include "ryvfile/KRyvFrameWriter.h"

#include "ryvfile/KRyvByteOrder.h"
#include "ryvfile/KRyvFile.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

constexpr int kNoError = -1;
constexpr std::size_t kCrcHexDigits = 8;
// zlib takes its length as a 32-bit count: longer pieces go in parts.
constexpr std::size_t kCrcPiece = std::size_t(1) << 30;

} // namespace

KRyvFrameWriter::KRyvFrameWriter(const KRyvBinaryCodec::Output& pOutput)
    : mOutput(pOutput), mCrc(static_cast<std::uint32_t>(crc32(0L, Z_NULL, 0)))
{
}

KRyvFrameWriter::~KRyvFrameWriter() = default;

int KRyvFrameWriter::Fail(int pCode)
{
    if (mError == kNoError) {
        mError = pCode;
    }
    return mError;
}

bool KRyvFrameWriter::Emit(const std::uint8_t* pBytes, std::size_t pSize)
{
    if (mRefused) {
        return false;
    }
    for (std::size_t lAt = 0; lAt < pSize; lAt += kCrcPiece) {
        mCrc = static_cast<std::uint32_t>(
            crc32(mCrc, pBytes + lAt, static_cast<uInt>(std::min(kCrcPiece, pSize - lAt))));
    }
    if (!mOutput(pBytes, pSize)) {
        mRefused = true;
        Fail(KRyvFile::kOutOfDiskSpace);
    }
    return !mRefused;
}

int KRyvFrameWriter::BeginBinary(const KRyvFileHeader& pHeader, std::uint64_t pBodySize,
                                 const char* pPassword)
{
    if (KRyvContainer::CheckVersion(pHeader.mVersion) != kNoError || pHeader.mAscii) {
        return Fail(KRyvFile::kUnidentifiedError);
    }
    mBodySize = pBodySize;
    if (!pHeader.mProtected) {
        const std::vector<std::uint8_t> lHeader = KRyvContainer::FixedHeader(pHeader, pBodySize);
        Emit(lHeader.data(), lHeader.size());
        return mError;
    }
    // The sealed size is known before anything is sealed: the header goes first and binds the
    // first chunk.
    const std::vector<std::uint8_t> lHeader = KRyvContainer::FixedHeader(
        pHeader, KRyvCipher::GetSealedSize(static_cast<std::size_t>(pBodySize)));
    mSeal = std::make_unique<KRyvCipher::SealStream>(
        static_cast<std::size_t>(pBodySize), lHeader,
        [this](const std::uint8_t* pBytes, std::size_t pSize) { return Emit(pBytes, pSize); });
    std::uint8_t lSalt[KRyvCipher::kSaltSize];
    std::uint8_t lStreamHeader[KRyvCipher::kStreamHeaderSize];
    if (mSeal->Start(pPassword, lSalt, lStreamHeader) != KRyvCipher::kOk) {
        return Fail(KRyvFile::kUnidentifiedError);
    }
    Emit(lHeader.data(), lHeader.size()) && Emit(lSalt, sizeof(lSalt)) &&
        Emit(lStreamHeader, sizeof(lStreamHeader));
    return mError;
}

int KRyvFrameWriter::BeginAscii(const KRyvFileHeader& pHeader)
{
    if (KRyvContainer::CheckVersion(pHeader.mVersion) != kNoError || !pHeader.mAscii ||
        pHeader.mProtected) {
        return Fail(KRyvFile::kUnidentifiedError);
    }
    mAscii = true;
    const std::string lFirst = KRyvContainer::kAsciiMagic + std::to_string(pHeader.mVersion) + "\n";
    Emit(reinterpret_cast<const std::uint8_t*>(lFirst.data()), lFirst.size());
    return mError;
}

bool KRyvFrameWriter::Body(const std::uint8_t* pBytes, std::size_t pSize)
{
    if (mError != kNoError) {
        return false;
    }
    mBodyDone += pSize;
    if (!mAscii && mBodyDone > mBodySize) {
        Fail(KRyvFile::kUnidentifiedError);
        return false;
    }
    if (mSeal && !mSeal->Write(pBytes, pSize)) {
        Fail(KRyvFile::kUnidentifiedError);
        return false;
    }
    return mSeal || Emit(pBytes, pSize);
}

int KRyvFrameWriter::Finish()
{
    if (mError != kNoError) {
        return mError;
    }
    if (mAscii) {
        char lHex[kCrcHexDigits + 1];
        std::snprintf(lHex, sizeof(lHex), "%08x", static_cast<unsigned>(mCrc));
        const std::string lLast = KRyvContainer::kAsciiCrcLine + std::string(lHex) + "\n";
        // The CRC line is not covered by itself.
        if (!mOutput(reinterpret_cast<const std::uint8_t*>(lLast.data()), lLast.size())) {
            return Fail(KRyvFile::kOutOfDiskSpace);
        }
        return mError;
    }
    if (mBodyDone != mBodySize || (mSeal && !mSeal->Finish())) {
        return Fail(mRefused ? KRyvFile::kOutOfDiskSpace : KRyvFile::kUnidentifiedError);
    }
    std::vector<std::uint8_t> lFooter;
    KRyvByteOrder::PutLE<std::uint32_t>(lFooter, mCrc);
    lFooter.insert(lFooter.end(), std::begin(KRyvContainer::kFooterMagic),
                   std::end(KRyvContainer::kFooterMagic));
    if (!mOutput(lFooter.data(), lFooter.size())) {
        return Fail(KRyvFile::kOutOfDiskSpace);
    }
    return mError;
}
