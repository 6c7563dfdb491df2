#ifndef RYVKIT_RYVFILE_KRYVRECORDSIZER_H
#define RYVKIT_RYVFILE_KRYVRECORDSIZER_H

#include "ryvfile/KRyvRecordWriter.h"

#include <cstdint>
#include <vector>

// The first pass of a binary write: takes the records without their bytes and keeps, for each
// record in the order it began, what the binary form puts in front of its values and children
// (its content size, value count and child count), so that the second pass can write every
// record straight out. Records in a row without children that hold the same counts (the keys of
// a curve, one record each) share one entry. Refuses, as the binary form does, invalid names,
// nesting past the depth limit and sizes or counts past 32 bits.
class KRyvRecordSizer : public KRyvRecordWriter
{
public:
    struct Counts
    {
        std::uint32_t mContentSize;
        std::uint32_t mValueCount;
        std::uint32_t mChildCount;

        bool operator==(const Counts& pOther) const
        {
            return mContentSize == pOther.mContentSize && mValueCount == pOther.mValueCount &&
                   mChildCount == pOther.mChildCount;
        }
    };
    // mLength records in a row with the same counts (0 while the first of them is open).
    struct Run
    {
        Counts mCounts;
        std::uint32_t mLength;
    };

    const std::vector<Run>& GetRuns() const { return mRuns; }
    // The bytes of the records ended at the top level.
    std::uint64_t GetBodySize() const { return mBodySize; }
    // False (and failed) when a record is still open.
    bool Finish();

    void Begin(const char* pName, std::size_t pLength) override;
    void End() override;
    void Put(bool) override { AddValue(1); }
    void Put(std::int32_t) override { AddValue(sizeof(std::int32_t)); }
    void Put(std::int64_t) override { AddValue(sizeof(std::int64_t)); }
    void Put(float) override { AddValue(sizeof(float)); }
    void Put(double) override { AddValue(sizeof(double)); }
    void PutText(const char*, std::size_t pSize) override { AddCounted(pSize, 1); }
    void PutBytes(const std::uint8_t*, std::size_t pSize) override { AddCounted(pSize, 1); }
    bool BeginArray(KRyvFieldValue::EKind pKind, std::size_t pCount) override;
    void PutArrayPart(const std::int32_t*, std::size_t) override {}
    void PutArrayPart(const std::int64_t*, std::size_t) override {}
    void PutArrayPart(const float*, std::size_t) override {}
    void PutArrayPart(const double*, std::size_t) override {}
    void EndArray() override {}

private:
    struct Open
    {
        std::size_t mIndex;
        std::uint64_t mSize;
        std::uint64_t mValues;
        std::uint64_t mChildren;
    };

    // A value of pPayload bytes after its kind byte.
    void AddValue(std::uint64_t pPayload);
    // A value with a 32-bit count of pCount elements of pElementSize bytes.
    void AddCounted(std::size_t pCount, std::size_t pElementSize);

    std::vector<Run> mRuns;
    std::vector<Open> mOpen;
    std::uint64_t mBodySize = 0;
};

#endif
