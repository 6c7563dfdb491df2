#include "ryvfile/KRyvAsciiRecordWriter.h"

#include "ryvfile/KRyvFieldRecord.h"
#include "ryvfile/KRyvFile.h"

#include <charconv>
#include <cstdint>

namespace {

constexpr std::size_t kArrayElementsPerLine = 16;
constexpr char kHexDigits[] = "0123456789abcdef";
// Big enough for the shortest round-trip form of any double.
constexpr std::size_t kNumberBufferSize = 40;
// The text handed on at once: large enough for few calls, small beside any file worth streaming.
// A piece goes once the text passes the piece size less room for one more ordinary line, so that
// the text seldom outgrows the room reserved for it.
constexpr std::size_t kPieceSize = std::size_t(1) << 19;
constexpr std::size_t kLineRoom = std::size_t(1) << 15;
// The bytes of a text or raw value taken between two looks at the size of the buffer: their text
// (at most four characters a byte) fits in the room left for a line.
constexpr std::size_t kValuePart = kLineRoom / 4;

char ArrayLetter(KRyvFieldValue::EKind pKind)
{
    switch (pKind) {
    case KRyvFieldValue::kInt32Array:
        return 'i';
    case KRyvFieldValue::kInt64Array:
        return 'l';
    case KRyvFieldValue::kFloatArray:
        return 'f';
    default:
        return 'd';
    }
}

} // namespace

KRyvAsciiRecordWriter::KRyvAsciiRecordWriter(const KRyvAsciiCodec::Output& pOutput)
    : mOutput(pOutput)
{
    mText.reserve(kPieceSize);
}

void KRyvAsciiRecordWriter::Flush(bool pAll)
{
    if (!Failed() && (pAll || mText.size() >= kPieceSize - kLineRoom) && !mText.empty()) {
        if (!mOutput(reinterpret_cast<const std::uint8_t*>(mText.data()), mText.size())) {
            Fail(KRyvFile::kOutOfDiskSpace);
        }
        mText.clear();
    }
}

void KRyvAsciiRecordWriter::Begin(const char* pName, std::size_t pLength)
{
    if (Failed()) {
        return;
    }
    if (mInArray || !KRyvFieldRecord::IsValidName(pName, pLength) ||
        mOpen.size() >= static_cast<std::size_t>(KRyvFieldRecord::kMaxDepth)) {
        Fail(KRyvFile::kUnidentifiedError);
        return;
    }
    if (!mOpen.empty() && !mOpen.back().mHasChildren) {
        mText += " {\n";
        mOpen.back().mHasChildren = true;
    }
    mText.append(mOpen.size(), '\t');
    mText.append(pName, pLength);
    mText += ':';
    mOpen.push_back(Open{false, false});
}

void KRyvAsciiRecordWriter::End()
{
    if (Failed()) {
        return;
    }
    if (mOpen.empty() || mInArray) {
        Fail(KRyvFile::kUnidentifiedError);
        return;
    }
    const bool lHasChildren = mOpen.back().mHasChildren;
    mOpen.pop_back();
    if (lHasChildren) {
        mText.append(mOpen.size(), '\t');
        mText += '}';
    }
    mText += '\n';
    Flush(false);
}

bool KRyvAsciiRecordWriter::Finish()
{
    if (!mOpen.empty()) {
        Fail(KRyvFile::kUnidentifiedError);
    }
    Flush(true);
    return !Failed();
}

bool KRyvAsciiRecordWriter::StartValue()
{
    if (Failed()) {
        return false;
    }
    // Values come before the children: one that follows a child has no place in the text.
    if (mOpen.empty() || mInArray || mOpen.back().mHasChildren) {
        Fail(KRyvFile::kUnidentifiedError);
        return false;
    }
    mText += mOpen.back().mHasValue ? ", " : " ";
    mOpen.back().mHasValue = true;
    return true;
}

template <typename T> void KRyvAsciiRecordWriter::PutNumber(T pValue)
{
    char lBuffer[kNumberBufferSize];
    const std::to_chars_result lResult = std::to_chars(lBuffer, lBuffer + sizeof(lBuffer), pValue);
    mText.append(lBuffer, static_cast<std::size_t>(lResult.ptr - lBuffer));
}

void KRyvAsciiRecordWriter::Put(bool pValue)
{
    if (StartValue()) {
        mText += pValue ? 'T' : 'F';
    }
}

void KRyvAsciiRecordWriter::Put(std::int32_t pValue)
{
    if (StartValue()) {
        PutNumber(pValue);
    }
}

void KRyvAsciiRecordWriter::Put(std::int64_t pValue)
{
    if (StartValue()) {
        PutNumber(pValue);
        mText += 'L';
    }
}

void KRyvAsciiRecordWriter::Put(float pValue)
{
    if (StartValue()) {
        PutNumber(pValue);
        mText += 'f';
    }
}

void KRyvAsciiRecordWriter::Put(double pValue)
{
    if (StartValue()) {
        PutNumber(pValue);
        mText += 'd';
    }
}

void KRyvAsciiRecordWriter::PutText(const char* pText, std::size_t pSize)
{
    if (!StartValue()) {
        return;
    }
    mText += '"';
    for (std::size_t i = 0; i < pSize; ++i) {
        // A long text goes on in pieces too, so that it never grows the buffer.
        if (i % kValuePart == 0) {
            Flush(false);
        }
        const char lChar = pText[i];
        const auto lByte = static_cast<unsigned char>(lChar);
        if (lChar == '"' || lChar == '\\') {
            mText += '\\';
            mText += lChar;
        } else if (lByte < 0x20 || lByte >= 0x7f) {
            mText += "\\x";
            mText += kHexDigits[lByte >> 4];
            mText += kHexDigits[lByte & 0xf];
        } else {
            mText += lChar;
        }
    }
    mText += '"';
}

void KRyvAsciiRecordWriter::PutBytes(const std::uint8_t* pBytes, std::size_t pSize)
{
    if (!StartValue()) {
        return;
    }
    mText += "x\"";
    for (std::size_t i = 0; i < pSize; ++i) {
        if (i % kValuePart == 0) {
            Flush(false);
        }
        mText += kHexDigits[pBytes[i] >> 4];
        mText += kHexDigits[pBytes[i] & 0xf];
    }
    mText += '"';
}

bool KRyvAsciiRecordWriter::BeginArray(KRyvFieldValue::EKind pKind, std::size_t pCount)
{
    if (!StartValue()) {
        return false;
    }
    mText += ArrayLetter(pKind);
    mText += '[';
    PutNumber(pCount);
    mText += "]{";
    mInArray = true;
    mArrayAt = 0;
    mArrayCount = pCount;
    return true;
}

template <typename T> void KRyvAsciiRecordWriter::PutElements(const T* pValues, std::size_t pCount)
{
    if (Failed() || !mInArray) {
        Fail(KRyvFile::kUnidentifiedError);
        return;
    }
    // The numbers of a line are printed into a buffer of their own and appended at once.
    char lLine[kArrayElementsPerLine * (kNumberBufferSize + 1) + 1];
    char* lAt = lLine;
    for (std::size_t i = 0; i < pCount; ++i, ++mArrayAt) {
        if (mArrayAt > 0) {
            *lAt++ = ',';
            if (mArrayAt % kArrayElementsPerLine == 0) {
                *lAt++ = '\n';
                mText.append(lLine, static_cast<std::size_t>(lAt - lLine));
                lAt = lLine;
                Flush(false);
                mText.append(mOpen.size(), '\t');
            }
        }
        lAt = std::to_chars(lAt, lAt + kNumberBufferSize, pValues[i]).ptr;
    }
    mText.append(lLine, static_cast<std::size_t>(lAt - lLine));
}

void KRyvAsciiRecordWriter::PutArrayPart(const std::int32_t* pValues, std::size_t pCount)
{
    PutElements(pValues, pCount);
}

void KRyvAsciiRecordWriter::PutArrayPart(const std::int64_t* pValues, std::size_t pCount)
{
    PutElements(pValues, pCount);
}

void KRyvAsciiRecordWriter::PutArrayPart(const float* pValues, std::size_t pCount)
{
    PutElements(pValues, pCount);
}

void KRyvAsciiRecordWriter::PutArrayPart(const double* pValues, std::size_t pCount)
{
    PutElements(pValues, pCount);
}

void KRyvAsciiRecordWriter::EndArray()
{
    if (Failed()) {
        return;
    }
    if (mArrayAt != mArrayCount) {
        Fail(KRyvFile::kUnidentifiedError);
    }
    mText += '}';
    mInArray = false;
}
