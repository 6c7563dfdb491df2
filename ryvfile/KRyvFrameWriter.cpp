#include "ryvfile/KRyvFrameWriter.h"

#include "ryvfile/KRyvByteOrder.h"
#include "ryvfile/KRyvFile.h"

#include <zlib.h>

#include <string>

namespace {

// The output block: large enough that handing one on costs nothing beside its bytes, small
// enough that a sealed write costs under a megabyte more than a plain one.
constexpr std::size_t kOutputBlock = std::size_t(1) << 19;

} // namespace

KRyvFrameWriter::KRyvFrameWriter(const KRyvBinaryCodec::Output& pOutput)
    : mOutput(pOutput), mCrc(static_cast<std::uint32_t>(crc32(0L, Z_NULL, 0))),
      mOutputStage(kOutputBlock, [this](const std::uint8_t* pBytes, std::size_t pSize) {
          return Emit(pBytes, pSize);
      })
{
}

KRyvFrameWriter::~KRyvFrameWriter() = default;

int KRyvFrameWriter::Fail(int pCode)
{
    if (mError == KRyvFile::kNoError) {
        mError = pCode;
    }
    return mError;
}

bool KRyvFrameWriter::Emit(const std::uint8_t* pBytes, std::size_t pSize)
{
    if (mRefused) {
        return false;
    }
    KRyvContainer::CrcPrefix lCrc{mCrc, 0};
    KRyvContainer::AdvanceCrc(pBytes, pSize, lCrc);
    mCrc = lCrc.mCrc;
    mRefused = !mOutput(pBytes, pSize);
    return !mRefused;
}

void KRyvFrameWriter::CreateSeal()
{
    mSeal = std::make_unique<KRyvCipher::SealStream>(
        0, std::vector<std::uint8_t>(), [this](const std::uint8_t* pBytes, std::size_t pSize) {
            return mOutputStage.Write(pBytes, pSize);
        });
}

void KRyvFrameWriter::PrepareSealing(const char* pPassword)
{
    CreateSeal();
    mStarted = mSeal->Start(pPassword ? pPassword : "", mSalt, mStreamHeader);
    mPrepared = true;
}

int KRyvFrameWriter::BeginBinary(const KRyvFileHeader& pHeader, std::uint64_t pBodySize,
                                 const char* pPassword)
{
    if (KRyvContainer::CheckVersion(pHeader.mVersion) != KRyvFile::kNoError || pHeader.mAscii) {
        return Fail(KRyvFile::kUnidentifiedError);
    }
    mBodySize = pBodySize;
    if (!pHeader.mProtected) {
        const std::vector<std::uint8_t> lHeader = KRyvContainer::FixedHeader(pHeader, pBodySize);
        mOutputStage.Write(lHeader.data(), lHeader.size());
        return mError;
    }
    // The sealed size is known before anything is sealed: the header goes first and binds the
    // first chunk.
    const std::vector<std::uint8_t> lHeader = KRyvContainer::FixedHeader(
        pHeader, KRyvCipher::GetSealedSize(static_cast<std::size_t>(pBodySize)));
    if (!mPrepared) {
        PrepareSealing(pPassword);
    }
    if (mStarted != KRyvCipher::kOk) {
        return Fail(KRyvFile::kUnidentifiedError);
    }
    mSeal->Announce(static_cast<std::size_t>(pBodySize), lHeader);
    mOutputStage.Write(lHeader.data(), lHeader.size());
    mOutputStage.Write(mSalt, sizeof(mSalt));
    mOutputStage.Write(mStreamHeader, sizeof(mStreamHeader));
    mSealing = true;
    return mError;
}

int KRyvFrameWriter::BeginAscii(const KRyvFileHeader& pHeader)
{
    if (KRyvContainer::CheckVersion(pHeader.mVersion) != KRyvFile::kNoError || !pHeader.mAscii ||
        pHeader.mProtected) {
        return Fail(KRyvFile::kUnidentifiedError);
    }
    mAscii = true;
    const std::string lFirst = KRyvContainer::kAsciiMagic + std::to_string(pHeader.mVersion) + "\n";
    mOutputStage.Write(reinterpret_cast<const std::uint8_t*>(lFirst.data()), lFirst.size());
    return mError;
}

bool KRyvFrameWriter::Body(const std::uint8_t* pBytes, std::size_t pSize)
{
    if (mError != KRyvFile::kNoError) {
        return false;
    }
    mBodyDone += pSize;
    if (!mAscii && mBodyDone > mBodySize) {
        Fail(KRyvFile::kUnidentifiedError);
        return false;
    }
    // A refusal further on is judged once the stages are done (Finish).
    return mSealing ? mSeal->Write(pBytes, pSize) : mOutputStage.Write(pBytes, pSize);
}

int KRyvFrameWriter::Finish()
{
    const bool lSealed = !mSealing || mSeal->Finish();
    const bool lOutput = mOutputStage.Finish();
    if (mRefused) {
        return Fail(KRyvFile::kOutOfDiskSpace);
    }
    if (!lSealed || !lOutput || (!mAscii && mBodyDone != mBodySize)) {
        return Fail(KRyvFile::kUnidentifiedError);
    }
    if (mError != KRyvFile::kNoError) {
        return mError;
    }
    // The end of the frame is not covered by the CRC.
    if (mAscii) {
        const std::string lLast = KRyvContainer::AsciiCrcLine(mCrc);
        return mOutput(reinterpret_cast<const std::uint8_t*>(lLast.data()), lLast.size())
                   ? mError
                   : Fail(KRyvFile::kOutOfDiskSpace);
    }
    std::vector<std::uint8_t> lFooter;
    KRyvByteOrder::PutLE<std::uint32_t>(lFooter, mCrc);
    lFooter.insert(lFooter.end(), std::begin(KRyvContainer::kFooterMagic),
                   std::end(KRyvContainer::kFooterMagic));
    return mOutput(lFooter.data(), lFooter.size()) ? mError : Fail(KRyvFile::kOutOfDiskSpace);
}
