#include "ryvfile/KRyvBinaryRecordWriter.h"

#include "ryvfile/KRyvByteOrder.h"
#include "ryvfile/KRyvFieldRecord.h"
#include "ryvfile/KRyvFile.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

// The bytes handed on at once: few calls, and small beside any body worth streaming.
constexpr std::size_t kBlock = std::size_t(1) << 20;
constexpr std::size_t kSizeField = 4;
constexpr std::uint64_t kMax32 = std::numeric_limits<std::uint32_t>::max();

} // namespace

KRyvBinaryRecordWriter::KRyvBinaryRecordWriter(const std::vector<KRyvRecordSizer::Run>& pRuns,
                                               const KRyvBinaryCodec::Output& pOutput)
    : mRuns(pRuns), mOutput(pOutput), mBuffer(new std::uint8_t[kBlock])
{
}

bool KRyvBinaryRecordWriter::Flush()
{
    if (!Failed() && mUsed > 0 && !mOutput(mBuffer.get(), mUsed)) {
        Fail(KRyvFile::kOutOfDiskSpace);
    }
    mUsed = 0;
    return !Failed();
}

void KRyvBinaryRecordWriter::PutRaw(const void* pBytes, std::size_t pSize)
{
    // An empty text or array may come without bytes at all (a null pointer).
    if (Failed() || pSize == 0) {
        return;
    }
    mWritten += pSize;
    if (pSize > kBlock - mUsed) {
        if (!Flush()) {
            return;
        }
        // A large piece goes on from where it lies, without a copy.
        if (pSize >= kBlock) {
            if (!mOutput(static_cast<const std::uint8_t*>(pBytes), pSize)) {
                Fail(KRyvFile::kOutOfDiskSpace);
            }
            return;
        }
    }
    std::memcpy(mBuffer.get() + mUsed, pBytes, pSize);
    mUsed += pSize;
}

void KRyvBinaryRecordWriter::PutU32(std::uint32_t pValue)
{
    std::uint8_t lBytes[sizeof(pValue)];
    for (std::size_t i = 0; i < sizeof(pValue); ++i) {
        lBytes[i] = static_cast<std::uint8_t>(pValue >> (8 * i));
    }
    PutRaw(lBytes, sizeof(lBytes));
}

void KRyvBinaryRecordWriter::CloseValues(Open& ioRecord)
{
    if (ioRecord.mChildCountWritten) {
        return;
    }
    if (ioRecord.mValuesLeft != 0) {
        Fail(KRyvFile::kUnidentifiedError);
        return;
    }
    PutU32(ioRecord.mChildren);
    ioRecord.mChildCountWritten = true;
}

void KRyvBinaryRecordWriter::Begin(const char* pName, std::size_t pLength)
{
    if (Failed()) {
        return;
    }
    if (!mOpen.empty()) {
        Open& lParent = mOpen.back();
        CloseValues(lParent);
        if (lParent.mChildrenLeft == 0) {
            Fail(KRyvFile::kUnidentifiedError);
        }
        --lParent.mChildrenLeft;
    }
    if (Failed() || mArrayLeft > 0 || mRun >= mRuns.size() ||
        !KRyvFieldRecord::IsValidName(pName, pLength)) {
        Fail(KRyvFile::kUnidentifiedError);
        return;
    }
    const KRyvRecordSizer::Counts lCounts = mRuns[mRun].mCounts;
    if (++mRunDone >= mRuns[mRun].mLength) {
        ++mRun;
        mRunDone = 0;
    }
    mOpen.push_back(Open{mWritten + kSizeField + lCounts.mContentSize, lCounts.mValueCount,
                         lCounts.mChildCount, lCounts.mChildCount, false});
    PutU32(lCounts.mContentSize);
    const auto lLength = static_cast<std::uint8_t>(pLength);
    PutRaw(&lLength, 1);
    PutRaw(pName, pLength);
    PutU32(lCounts.mValueCount);
}

void KRyvBinaryRecordWriter::End()
{
    if (Failed()) {
        return;
    }
    if (mOpen.empty() || mArrayLeft > 0) {
        Fail(KRyvFile::kUnidentifiedError);
        return;
    }
    CloseValues(mOpen.back());
    if (mOpen.back().mChildrenLeft != 0 || mWritten != mOpen.back().mEnd) {
        Fail(KRyvFile::kUnidentifiedError);
    }
    mOpen.pop_back();
}

bool KRyvBinaryRecordWriter::Finish()
{
    if (!mOpen.empty() || mRun != mRuns.size()) {
        Fail(KRyvFile::kUnidentifiedError);
    }
    return Flush();
}

bool KRyvBinaryRecordWriter::TakeValue()
{
    if (Failed()) {
        return false;
    }
    if (mOpen.empty() || mArrayLeft > 0 || mOpen.back().mChildCountWritten ||
        mOpen.back().mValuesLeft == 0) {
        Fail(KRyvFile::kUnidentifiedError);
        return false;
    }
    --mOpen.back().mValuesLeft;
    return true;
}

void KRyvBinaryRecordWriter::Put(bool pValue)
{
    if (TakeValue()) {
        const std::uint8_t lBytes[] = {KRyvFieldValue::kBool, static_cast<std::uint8_t>(pValue)};
        PutRaw(lBytes, sizeof(lBytes));
    }
}

template <typename T> void KRyvBinaryRecordWriter::PutScalar(KRyvFieldValue::EKind pKind, T pValue)
{
    if (!TakeValue()) {
        return;
    }
    std::uint8_t lBytes[1 + sizeof(T)];
    lBytes[0] = pKind;
    std::memcpy(lBytes + 1, &pValue, sizeof(T));
    if (!KRyvByteOrder::kHostIsLittleEndian) {
        std::reverse(lBytes + 1, lBytes + 1 + sizeof(T));
    }
    PutRaw(lBytes, sizeof(lBytes));
}

void KRyvBinaryRecordWriter::PutCounted(KRyvFieldValue::EKind pKind, const void* pBytes,
                                        std::size_t pSize)
{
    if (!TakeValue()) {
        return;
    }
    if (pSize > kMax32) {
        Fail(KRyvFile::kUnidentifiedError);
        return;
    }
    const auto lKind = static_cast<std::uint8_t>(pKind);
    PutRaw(&lKind, 1);
    PutU32(static_cast<std::uint32_t>(pSize));
    PutRaw(pBytes, pSize);
}

void KRyvBinaryRecordWriter::PutText(const char* pText, std::size_t pSize)
{
    PutCounted(KRyvFieldValue::kText, pText, pSize);
}

void KRyvBinaryRecordWriter::PutBytes(const std::uint8_t* pBytes, std::size_t pSize)
{
    PutCounted(KRyvFieldValue::kBytes, pBytes, pSize);
}

bool KRyvBinaryRecordWriter::BeginArray(KRyvFieldValue::EKind pKind, std::size_t pCount)
{
    if (!TakeValue()) {
        return false;
    }
    if (pCount > kMax32) {
        Fail(KRyvFile::kUnidentifiedError);
        return false;
    }
    const auto lKind = static_cast<std::uint8_t>(pKind);
    PutRaw(&lKind, 1);
    PutU32(static_cast<std::uint32_t>(pCount));
    mArrayLeft = pCount;
    return !Failed();
}

template <typename T> void KRyvBinaryRecordWriter::PutElements(const T* pValues, std::size_t pCount)
{
    if (Failed()) {
        return;
    }
    if (pCount > mArrayLeft) {
        Fail(KRyvFile::kUnidentifiedError);
        return;
    }
    mArrayLeft -= pCount;
    if (KRyvByteOrder::kHostIsLittleEndian) {
        PutRaw(pValues, pCount * sizeof(T));
        return;
    }
    for (std::size_t i = 0; i < pCount; ++i) {
        std::uint8_t lBytes[sizeof(T)];
        std::memcpy(lBytes, pValues + i, sizeof(T));
        std::reverse(lBytes, lBytes + sizeof(T));
        PutRaw(lBytes, sizeof(T));
    }
}

void KRyvBinaryRecordWriter::PutArrayPart(const std::int32_t* pValues, std::size_t pCount)
{
    PutElements(pValues, pCount);
}

void KRyvBinaryRecordWriter::PutArrayPart(const std::int64_t* pValues, std::size_t pCount)
{
    PutElements(pValues, pCount);
}

void KRyvBinaryRecordWriter::PutArrayPart(const float* pValues, std::size_t pCount)
{
    PutElements(pValues, pCount);
}

void KRyvBinaryRecordWriter::PutArrayPart(const double* pValues, std::size_t pCount)
{
    PutElements(pValues, pCount);
}

void KRyvBinaryRecordWriter::EndArray()
{
    if (!Failed() && mArrayLeft != 0) {
        Fail(KRyvFile::kUnidentifiedError);
    }
    mArrayLeft = 0;
}
