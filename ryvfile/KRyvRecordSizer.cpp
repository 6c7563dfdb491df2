#include "ryvfile/KRyvRecordSizer.h"

#include "ryvfile/KRyvFieldRecord.h"
#include "ryvfile/KRyvFile.h"

#include <limits>

namespace {

constexpr std::uint64_t kMax32 = std::numeric_limits<std::uint32_t>::max();
constexpr std::uint64_t kSizeField = 4;
constexpr std::uint64_t kKindByte = 1;
constexpr std::uint64_t kNameLengthByte = 1;

std::size_t ElementSize(KRyvFieldValue::EKind pKind)
{
    return pKind == KRyvFieldValue::kInt32Array || pKind == KRyvFieldValue::kFloatArray ? 4 : 8;
}

} // namespace

void KRyvRecordSizer::Begin(const char* pName, std::size_t pLength)
{
    if (Failed()) {
        return;
    }
    if (!KRyvFieldRecord::IsValidName(pName, pLength) ||
        mOpen.size() >= static_cast<std::size_t>(KRyvFieldRecord::kMaxDepth)) {
        Fail(KRyvFile::kUnidentifiedError);
        return;
    }
    if (!mOpen.empty()) {
        ++mOpen.back().mChildren;
    }
    mOpen.push_back(
        Open{mRuns.size(), kSizeField + kNameLengthByte + pLength + 2 * kSizeField, 0, 0});
    mRuns.push_back(Run{Counts{0, 0, 0}, 0});
}

void KRyvRecordSizer::End()
{
    if (Failed()) {
        return;
    }
    if (mOpen.empty()) {
        Fail(KRyvFile::kUnidentifiedError);
        return;
    }
    const Open lRecord = mOpen.back();
    mOpen.pop_back();
    const std::uint64_t lContent = lRecord.mSize - kSizeField;
    if (lContent > kMax32 || lRecord.mValues > kMax32 || lRecord.mChildren > kMax32) {
        Fail(KRyvFile::kUnidentifiedError);
        return;
    }
    Run& lRun = mRuns[lRecord.mIndex];
    lRun = Run{Counts{static_cast<std::uint32_t>(lContent),
                      static_cast<std::uint32_t>(lRecord.mValues),
                      static_cast<std::uint32_t>(lRecord.mChildren)},
               1};
    // Only the last entry can join the one before it: a record with children has theirs after
    // it, and an open record's entry is not complete.
    if (lRecord.mIndex + 1 == mRuns.size() && lRecord.mIndex > 0) {
        Run& lBefore = mRuns[lRecord.mIndex - 1];
        if (lBefore.mLength > 0 && lBefore.mLength < kMax32 && lBefore.mCounts == lRun.mCounts) {
            ++lBefore.mLength;
            mRuns.pop_back();
        }
    }
    (mOpen.empty() ? mBodySize : mOpen.back().mSize) += lRecord.mSize;
}

bool KRyvRecordSizer::Finish()
{
    if (!mOpen.empty()) {
        Fail(KRyvFile::kUnidentifiedError);
    }
    return !Failed();
}

void KRyvRecordSizer::AddValue(std::uint64_t pPayload)
{
    if (Failed()) {
        return;
    }
    // Values come before the children in both forms: one that follows a child has no place.
    if (mOpen.empty() || mOpen.back().mChildren > 0) {
        Fail(KRyvFile::kUnidentifiedError);
        return;
    }
    ++mOpen.back().mValues;
    mOpen.back().mSize += kKindByte + pPayload;
}

void KRyvRecordSizer::AddCounted(std::size_t pCount, std::size_t pElementSize)
{
    if (pCount > kMax32) {
        Fail(KRyvFile::kUnidentifiedError);
        return;
    }
    AddValue(kSizeField + static_cast<std::uint64_t>(pCount) * pElementSize);
}

bool KRyvRecordSizer::BeginArray(KRyvFieldValue::EKind pKind, std::size_t pCount)
{
    AddCounted(pCount, ElementSize(pKind));
    return false;
}
