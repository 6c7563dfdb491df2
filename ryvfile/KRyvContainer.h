#ifndef RYVKIT_RYVFILE_KRYVCONTAINER_H
#define RYVKIT_RYVFILE_KRYVCONTAINER_H

#include "ryvfile/KRyvBinaryCodec.h"
#include "ryvfile/KRyvBulkAllocator.h"
#include "ryvfile/KRyvCipher.h"
#include "ryvfile/KRyvFieldRecord.h"
#include "ryvfile/KRyvRecordWriter.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// What the fixed part of a RYV file says: the layout version, the form and the protection.
struct KRyvFileHeader
{
    int mVersion = 0;
    bool mAscii = false;
    bool mProtected = false;
};

// The frame of a RYV file around its record tree (docs/ryv-format.md, "File frame"): header
// with magic and version, the body (records, optionally sealed), the CRC-32 of the stored
// body and the footer. Results are error codes of KRyvFile (-1 for none).
namespace KRyvContainer {

// The CRC-32 of the first mSize bytes of a file, worked out while the file was read, so that the
// frame check needs no second pass over the bytes.
struct CrcPrefix
{
    std::uint32_t mCrc = 0;
    std::size_t mSize = 0;
};

// Layout versions: the thousands are the major version.
constexpr int kVersion60 = 6000;
constexpr int kVersion5x = 5000;
constexpr int kVersionUnit = 1000;
constexpr int kOldestMajor = 5;
constexpr int kFirstUnsupportedMajor = 7;

constexpr std::uint8_t kBinaryMagic[8] = {'R', 'Y', 'V', 'F', 'I', 'L', 'E', 0x1a};
constexpr std::uint8_t kFooterMagic[8] = {'R', 'Y', 'V', 'E', 'N', 'D', 0x1a, 0};
constexpr char kAsciiMagic[] = "; RYV ASCII ";
constexpr char kAsciiCrcLine[] = "; CRC-32 ";
// The last line of an ASCII file whose bytes before it have the CRC-32 pCrc: kAsciiCrcLine,
// eight lower-case hexadecimal digits and LF.
std::string AsciiCrcLine(std::uint32_t pCrc);
constexpr std::size_t kFixedHeaderSize = 24;
constexpr std::size_t kFooterSize = 12;
constexpr std::uint32_t kFlagProtected = 1;

// -1 for a version this layer reads, else the version error of KRyvFile.
int CheckVersion(long long pVersion);

// The 24 fixed bytes that start a binary file: magic, version, flags, body size (the stored,
// sealed size when protected).
std::vector<std::uint8_t> FixedHeader(const KRyvFileHeader& pHeader, std::uint64_t pBodySize);

// Frames a file and hands it to pOutput in pieces, never holding it whole: the body size (sealed
// size when protected) is known before the body is encoded, a protected body is sealed chunk by
// chunk, and the CRC-32 follows the bytes as they go. pPassword is used when pHeader.mProtected
// (ASCII is never protected). kOutOfDiskSpace when the output refuses bytes, kUnidentifiedError
// when the tree cannot be encoded or sealed.
int Stream(const KRyvFileHeader& pHeader, const KRyvFieldRecord& pBody, const char* pPassword,
           const KRyvBinaryCodec::Output& pOutput);

// Makes the body's records into ioWriter; pSizing: the first of the two passes of a binary
// form, which only takes the sizes. False stops the write.
using RecordPass = std::function<bool(KRyvRecordWriter& ioWriter, bool pSizing)>;
// The same for a body that pPass makes, once for the ASCII form and twice (the sizes, then the
// bytes) for the binary forms; pStoppedCode when a pass answers false.
int Stream(const KRyvFileHeader& pHeader, const char* pPassword,
           const KRyvBinaryCodec::Output& pOutput, const RecordPass& pPass, int pStoppedCode);

// The result of a write through a KRyvFrameWriter (pFrameCode, what its Finish answered) and a
// record writer: the frame's fault first, as it knows why bytes were refused.
int WrittenCode(int pFrameCode, const KRyvRecordWriter& pWriter);

// The most bytes at the end of a file that its CRC-32 does not cover (the ASCII CRC line).
constexpr std::size_t kMaxCrcTail = 18;

// Extends ioPrefix over the bytes that follow it up to pEnd (nothing when it reaches that far).
void AdvanceCrc(const std::uint8_t* pBytes, std::size_t pEnd, CrcPrefix& ioPrefix);

// Checks the frame of a whole file without opening the body: magic, version, sizes, CRC,
// footer. On success oHeader is filled and [oBodyAt, oBodyAt + oBodySize) is the stored body.
// pPrefix (when given) is the CRC of the file's first bytes, taken on from there.
int Inspect(const KRyvBytes& pBytes, KRyvFileHeader& oHeader, std::size_t& oBodyAt,
            std::size_t& oBodySize, const CrcPrefix* pPrefix = nullptr);

// What became of the body of a file held in memory.
struct SealedState
{
    // The body was opened in place: the plain body is [body start, + mPlainSize).
    bool mOpened = false;
    // Opening failed after the first chunk (a changed body): the bytes are no longer whole.
    bool mDamaged = false;
    std::size_t mPlainSize = 0;
    // The password that opened it, the only one that opens it again.
    std::string mOpenedWith;
    // The ASCII text was decoded into binary records, which took its place.
    bool mAsciiDecoded = false;
};

// Turns the body of an inspected file into well-formed binary records in place: they start at
// ioBodyAt and oPlainSize is their size. A protected body is opened in ioBytes itself, once
// (ioSealed keeps what became of it); an ASCII text is decoded into binary records, which then
// replace ioBytes whole (ioBodyAt and ioBodySize follow), so that the text is let go as soon as
// its records are made. oLine receives the line of an ASCII syntax fault (0 for none).
// kWrongPassword for a password that does not open a protected body, kFileCorrupted for
// records that are not well formed and for a sealed body that is not whole (its size, a chunk
// after the first, its final chunk).
int Unpack(KRyvBytes& ioBytes, const KRyvFileHeader& pHeader, std::size_t& ioBodyAt,
           std::size_t& ioBodySize, const char* pPassword, SealedState& ioSealed,
           std::size_t& oPlainSize, int& oLine);

} // namespace KRyvContainer

#endif
