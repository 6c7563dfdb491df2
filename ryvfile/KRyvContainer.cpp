#include "ryvfile/KRyvContainer.h"

#include "ryvfile/KRyvAsciiCodec.h"
#include "ryvfile/KRyvAsciiRecordWriter.h"
#include "ryvfile/KRyvBinaryCodec.h"
#include "ryvfile/KRyvBinaryRecordWriter.h"
#include "ryvfile/KRyvByteOrder.h"
#include "ryvfile/KRyvFile.h"
#include "ryvfile/KRyvFrameWriter.h"
#include "ryvfile/KRyvRecordCursor.h"
#include "ryvfile/KRyvRecordSizer.h"

#include <zlib.h>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>

using namespace KRyvByteOrder;

namespace {

constexpr std::size_t kCrcHexDigits = 8;
constexpr std::size_t kVersionAt = sizeof(KRyvContainer::kBinaryMagic);
constexpr std::size_t kProtectionSize = KRyvCipher::kSaltSize + KRyvCipher::kStreamHeaderSize;

uLong Crc32Update(uLong pCrc, const std::uint8_t* pBytes, std::size_t pSize)
{
    // zlib takes its length as a 32-bit count: feed it in pieces.
    constexpr std::size_t kPiece = 1u << 30;
    for (std::size_t lAt = 0; lAt < pSize; lAt += kPiece) {
        pCrc = crc32(pCrc, pBytes + lAt, static_cast<uInt>(std::min(kPiece, pSize - lAt)));
    }
    return pCrc;
}

// The CRC-32 of pBytes[0, pEnd), taken on from pPrefix when it covers no more than that.
std::uint32_t CrcUpTo(const KRyvBytes& pBytes, std::size_t pEnd,
                      const KRyvContainer::CrcPrefix* pPrefix)
{
    KRyvContainer::CrcPrefix lPrefix =
        pPrefix && pPrefix->mSize <= pEnd ? *pPrefix : KRyvContainer::CrcPrefix();
    KRyvContainer::AdvanceCrc(pBytes.data(), pEnd, lPrefix);
    return lPrefix.mCrc;
}

int InspectAscii(const KRyvBytes& pBytes, KRyvFileHeader& oHeader, std::size_t& oBodyAt,
                 std::size_t& oBodySize, const KRyvContainer::CrcPrefix* pPrefix)
{
    const char* lText = reinterpret_cast<const char*>(pBytes.data());
    const std::size_t lMagic = std::strlen(KRyvContainer::kAsciiMagic);
    const char* lLineEnd = static_cast<const char*>(std::memchr(lText, '\n', pBytes.size()));
    long long lVersion = 0;
    if (!lLineEnd) {
        return KRyvFile::kFileCorrupted;
    }
    const std::from_chars_result lRead = std::from_chars(lText + lMagic, lLineEnd, lVersion);
    if (lRead.ec != std::errc() || lRead.ptr != lLineEnd) {
        return KRyvFile::kFileCorrupted;
    }
    const int lVersionError = KRyvContainer::CheckVersion(lVersion);
    if (lVersionError != KRyvFile::kNoError) {
        return lVersionError;
    }
    // The last line is the CRC line, exactly.
    const std::size_t lCrcLine = KRyvContainer::AsciiCrcLine(0).size();
    oBodyAt = static_cast<std::size_t>(lLineEnd - lText) + 1;
    if (pBytes.size() < oBodyAt + lCrcLine) {
        return KRyvFile::kFileCorrupted;
    }
    oBodySize = pBytes.size() - lCrcLine - oBodyAt;
    const std::string lExpected = KRyvContainer::AsciiCrcLine(
        static_cast<std::uint32_t>(CrcUpTo(pBytes, oBodyAt + oBodySize, pPrefix)));
    if (std::memcmp(lText + oBodyAt + oBodySize, lExpected.data(), lCrcLine) != 0) {
        return KRyvFile::kFileCorrupted;
    }
    oHeader.mVersion = static_cast<int>(lVersion);
    oHeader.mAscii = true;
    oHeader.mProtected = false;
    return KRyvFile::kNoError;
}

int InspectBinary(const KRyvBytes& pBytes, KRyvFileHeader& oHeader, std::size_t& oBodyAt,
                  std::size_t& oBodySize, const KRyvContainer::CrcPrefix* pPrefix)
{
    // The version is judged as soon as its bytes are there, before the rest of the header.
    if (pBytes.size() < kVersionAt + sizeof(std::uint32_t)) {
        return KRyvFile::kFileCorrupted;
    }
    const std::uint32_t lVersion = GetLE<std::uint32_t>(pBytes.data() + kVersionAt);
    const int lVersionError = KRyvContainer::CheckVersion(lVersion);
    if (lVersionError != KRyvFile::kNoError) {
        return lVersionError;
    }
    if (pBytes.size() < KRyvContainer::kFixedHeaderSize) {
        return KRyvFile::kFileCorrupted;
    }
    const std::uint32_t lFlags = GetLE<std::uint32_t>(pBytes.data() + 12);
    const std::uint64_t lBodySize = GetLE<std::uint64_t>(pBytes.data() + 16);
    if ((lFlags & ~KRyvContainer::kFlagProtected) != 0) {
        return KRyvFile::kFileCorrupted;
    }
    oHeader.mVersion = static_cast<int>(lVersion);
    oHeader.mAscii = false;
    oHeader.mProtected = (lFlags & KRyvContainer::kFlagProtected) != 0;
    oBodyAt = KRyvContainer::kFixedHeaderSize + (oHeader.mProtected ? kProtectionSize : 0);
    // The sizes must add up to the file exactly: neither missing nor extra bytes.
    if (pBytes.size() < oBodyAt + KRyvContainer::kFooterSize ||
        lBodySize != pBytes.size() - oBodyAt - KRyvContainer::kFooterSize) {
        return KRyvFile::kFileCorrupted;
    }
    oBodySize = static_cast<std::size_t>(lBodySize);
    const std::uint8_t* lFooter = pBytes.data() + oBodyAt + oBodySize;
    if (GetLE<std::uint32_t>(lFooter) != CrcUpTo(pBytes, oBodyAt + oBodySize, pPrefix) ||
        std::memcmp(lFooter + 4, KRyvContainer::kFooterMagic,
                    sizeof(KRyvContainer::kFooterMagic)) != 0) {
        return KRyvFile::kFileCorrupted;
    }
    return KRyvFile::kNoError;
}

// Opens the sealed body in place the first time; later, only the password that opened it
// answers it again, so that a repeated read behaves as the first one did.
int OpenSealed(KRyvBytes& ioBytes, const KRyvFileHeader& pHeader, std::size_t pBodyAt,
               std::size_t pBodySize, const char* pPassword, KRyvContainer::SealedState& ioSealed)
{
    const std::string lPassword = pPassword ? pPassword : "";
    if (ioSealed.mOpened) {
        return !lPassword.empty() && lPassword == ioSealed.mOpenedWith ? KRyvFile::kNoError
                                                                       : KRyvFile::kWrongPassword;
    }
    if (ioSealed.mDamaged) {
        return KRyvFile::kFileCorrupted;
    }
    const std::uint8_t* lSalt = ioBytes.data() + KRyvContainer::kFixedHeaderSize;
    bool lTouched = false;
    const KRyvCipher::EResult lOpened =
        KRyvCipher::OpenInPlace(pPassword, KRyvContainer::FixedHeader(pHeader, pBodySize), lSalt,
                                lSalt + KRyvCipher::kSaltSize, ioBytes.data() + pBodyAt, pBodySize,
                                ioSealed.mPlainSize, lTouched);
    if (lOpened != KRyvCipher::kOk) {
        // A body opened part of the way is no longer whole, whatever the next password.
        ioSealed.mDamaged = lTouched || lOpened == KRyvCipher::kDamaged;
        switch (lOpened) {
        case KRyvCipher::kRefused:
            return KRyvFile::kWrongPassword;
        case KRyvCipher::kDamaged:
            return KRyvFile::kFileCorrupted;
        default:
            return KRyvFile::kUnidentifiedError;
        }
    }
    ioSealed.mOpened = true;
    ioSealed.mOpenedWith = lPassword;
    return KRyvFile::kNoError;
}

} // namespace

std::vector<std::uint8_t> KRyvContainer::FixedHeader(const KRyvFileHeader& pHeader,
                                                     std::uint64_t pBodySize)
{
    std::vector<std::uint8_t> lBytes;
    // Reserved up front: the header never grows past its fixed size.
    lBytes.reserve(KRyvContainer::kFixedHeaderSize);
    lBytes.insert(lBytes.end(), std::begin(KRyvContainer::kBinaryMagic),
                  std::end(KRyvContainer::kBinaryMagic));
    PutLE<std::uint32_t>(lBytes, static_cast<std::uint32_t>(pHeader.mVersion));
    PutLE<std::uint32_t>(lBytes, pHeader.mProtected ? KRyvContainer::kFlagProtected : 0);
    PutLE<std::uint64_t>(lBytes, pBodySize);
    return lBytes;
}

int KRyvContainer::CheckVersion(long long pVersion)
{
    if (pVersion >= static_cast<long long>(kFirstUnsupportedMajor) * kVersionUnit) {
        return KRyvFile::kVersionNotSupportedYet;
    }
    if (pVersion < static_cast<long long>(kOldestMajor) * kVersionUnit) {
        return KRyvFile::kVersionNotSupportedAnymore;
    }
    return KRyvFile::kNoError;
}

int KRyvContainer::Stream(const KRyvFileHeader& pHeader, const KRyvFieldRecord& pBody,
                          const char* pPassword, const KRyvBinaryCodec::Output& pOutput)
{
    return Stream(
        pHeader, pPassword, pOutput,
        [&pBody](KRyvRecordWriter& ioWriter, bool) {
            ioWriter.PutTree(pBody);
            return true;
        },
        KRyvFile::kUnidentifiedError);
}

int KRyvContainer::Stream(const KRyvFileHeader& pHeader, const char* pPassword,
                          const KRyvBinaryCodec::Output& pOutput, const RecordPass& pPass,
                          int pStoppedCode)
{
    KRyvFrameWriter lFrame(pOutput);
    const KRyvBinaryCodec::Output lBody = [&lFrame](const std::uint8_t* pBytes, std::size_t pSize) {
        return lFrame.Body(pBytes, pSize);
    };
    if (pHeader.mAscii) {
        // The text needs no sizes ahead: one pass.
        KRyvAsciiRecordWriter lWriter(lBody);
        if (lFrame.BeginAscii(pHeader) == KRyvFile::kNoError) {
            if (!pPass(lWriter, false)) {
                return pStoppedCode;
            }
            lWriter.Finish();
        }
        return WrittenCode(lFrame.Finish(), lWriter);
    }
    // Every record's size goes in front of it: a first pass takes the sizes, the second writes
    // each record straight out, so the body is never held (and a sealed body is sealed chunk by
    // chunk).
    if (pHeader.mProtected) {
        lFrame.PrepareSealing(pPassword);
    }
    KRyvRecordSizer lSizer;
    if (!pPass(lSizer, true)) {
        return pStoppedCode;
    }
    if (!lSizer.Finish()) {
        return lSizer.GetError();
    }
    KRyvBinaryRecordWriter lWriter(lSizer.GetRuns(), lBody);
    if (lFrame.BeginBinary(pHeader, lSizer.GetBodySize(), pPassword) == KRyvFile::kNoError) {
        if (!pPass(lWriter, false)) {
            return pStoppedCode;
        }
        lWriter.Finish();
    }
    return WrittenCode(lFrame.Finish(), lWriter);
}

std::string KRyvContainer::AsciiCrcLine(std::uint32_t pCrc)
{
    char lHex[kCrcHexDigits + 1];
    std::snprintf(lHex, sizeof(lHex), "%08x", static_cast<unsigned>(pCrc));
    return std::string(kAsciiCrcLine) + lHex + "\n";
}

int KRyvContainer::WrittenCode(int pFrameCode, const KRyvRecordWriter& pWriter)
{
    // The frame knows best why bytes were refused (the disk, the sealing).
    return pFrameCode != KRyvFile::kNoError ? pFrameCode : pWriter.GetError();
}

void KRyvContainer::AdvanceCrc(const std::uint8_t* pBytes, std::size_t pEnd,
                               KRyvContainer::CrcPrefix& ioPrefix)
{
    if (pEnd > ioPrefix.mSize) {
        ioPrefix.mCrc = static_cast<std::uint32_t>(
            Crc32Update(ioPrefix.mCrc, pBytes + ioPrefix.mSize, pEnd - ioPrefix.mSize));
        ioPrefix.mSize = pEnd;
    }
}

int KRyvContainer::Inspect(const KRyvBytes& pBytes, KRyvFileHeader& oHeader, std::size_t& oBodyAt,
                           std::size_t& oBodySize, const KRyvContainer::CrcPrefix* pPrefix)
{
    const std::size_t lAsciiMagic = std::strlen(kAsciiMagic);
    if (pBytes.size() >= sizeof(kBinaryMagic) &&
        std::memcmp(pBytes.data(), kBinaryMagic, sizeof(kBinaryMagic)) == 0) {
        return InspectBinary(pBytes, oHeader, oBodyAt, oBodySize, pPrefix);
    }
    if (pBytes.size() >= lAsciiMagic && std::memcmp(pBytes.data(), kAsciiMagic, lAsciiMagic) == 0) {
        return InspectAscii(pBytes, oHeader, oBodyAt, oBodySize, pPrefix);
    }
    return KRyvFile::kFileCorrupted;
}

int KRyvContainer::Unpack(KRyvBytes& ioBytes, const KRyvFileHeader& pHeader, std::size_t& ioBodyAt,
                          std::size_t& ioBodySize, const char* pPassword, SealedState& ioSealed,
                          std::size_t& oPlainSize, int& oLine)
{
    oLine = 0;
    oPlainSize = ioBodySize;
    if (pHeader.mAscii && !ioSealed.mAsciiDecoded) {
        KRyvBytes lRecords;
        if (!KRyvAsciiCodec::Decode(reinterpret_cast<const char*>(ioBytes.data()) + ioBodyAt,
                                    ioBodySize, lRecords, oLine)) {
            return KRyvFile::kFileCorrupted;
        }
        ioBytes.swap(lRecords);
        ioBodyAt = 0;
        oPlainSize = ioBodySize = ioBytes.size();
        ioSealed.mAsciiDecoded = true;
    } else if (pHeader.mProtected) {
        const int lOpened = OpenSealed(ioBytes, pHeader, ioBodyAt, ioBodySize, pPassword, ioSealed);
        if (lOpened != KRyvFile::kNoError) {
            return lOpened;
        }
        oPlainSize = ioSealed.mPlainSize;
    }
    return KRyvRecordCursor::IsWellFormed(ioBytes.data() + ioBodyAt, oPlainSize)
               ? KRyvFile::kNoError
               : KRyvFile::kFileCorrupted;
}
