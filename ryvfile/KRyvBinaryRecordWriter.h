#ifndef RYVKIT_RYVFILE_KRYVBINARYRECORDWRITER_H
#define RYVKIT_RYVFILE_KRYVBINARYRECORDWRITER_H

#include "ryvfile/KRyvBinaryCodec.h"
#include "ryvfile/KRyvRecordSizer.h"

#include <cstdint>
#include <memory>
#include <vector>

// The second pass of a binary write: the records again, in the same order as the
// KRyvRecordSizer took them, written straight out with the counts it kept, in blocks of about a
// megabyte through one buffer (large arrays go out from the caller's memory). Each record is
// checked against its counts when it ends: records that differ from the first pass (the scene
// changed in between) fail the write with kUnidentifiedError instead of giving a corrupt file.
class KRyvBinaryRecordWriter : public KRyvRecordWriter
{
public:
    // pCounts (kept by the sizer) and pOutput must outlive the writer; pOutput takes the plain
    // body in order.
    KRyvBinaryRecordWriter(const std::vector<KRyvRecordSizer::Run>& pRuns,
                           const KRyvBinaryCodec::Output& pOutput);

    // Hands on what is buffered; false (and failed) when a record is open or records are
    // missing.
    bool Finish();

    void Begin(const char* pName, std::size_t pLength) override;
    void End() override;
    void Put(bool pValue) override;
    void Put(std::int32_t pValue) override { PutScalar(KRyvFieldValue::kInt32, pValue); }
    void Put(std::int64_t pValue) override { PutScalar(KRyvFieldValue::kInt64, pValue); }
    void Put(float pValue) override { PutScalar(KRyvFieldValue::kFloat, pValue); }
    void Put(double pValue) override { PutScalar(KRyvFieldValue::kDouble, pValue); }
    void PutText(const char* pText, std::size_t pSize) override;
    void PutBytes(const std::uint8_t* pBytes, std::size_t pSize) override;
    bool BeginArray(KRyvFieldValue::EKind pKind, std::size_t pCount) override;
    void PutArrayPart(const std::int32_t* pValues, std::size_t pCount) override;
    void PutArrayPart(const std::int64_t* pValues, std::size_t pCount) override;
    void PutArrayPart(const float* pValues, std::size_t pCount) override;
    void PutArrayPart(const double* pValues, std::size_t pCount) override;
    void EndArray() override;

private:
    struct Open
    {
        std::uint64_t mEnd;
        std::uint32_t mValuesLeft;
        std::uint32_t mChildren;
        std::uint32_t mChildrenLeft;
        bool mChildCountWritten;
    };

    // Room for a value in the open record; false (failed) when there is none.
    bool TakeValue();
    // The child count goes where the values end: before the first child or at the end.
    void CloseValues(Open& ioRecord);
    template <typename T> void PutScalar(KRyvFieldValue::EKind pKind, T pValue);
    template <typename T> void PutElements(const T* pValues, std::size_t pCount);
    // A text or raw bytes: kind, 32-bit length, the bytes.
    void PutCounted(KRyvFieldValue::EKind pKind, const void* pBytes, std::size_t pSize);
    void PutU32(std::uint32_t pValue);
    void PutRaw(const void* pBytes, std::size_t pSize);
    // Passes the buffer on.
    bool Flush();

    const std::vector<KRyvRecordSizer::Run>& mRuns;
    const KRyvBinaryCodec::Output& mOutput;
    std::unique_ptr<std::uint8_t[]> mBuffer;
    std::size_t mUsed = 0;
    // Bytes written so far (passed on or buffered).
    std::uint64_t mWritten = 0;
    // The entry of the next record, and how many records of it came already.
    std::size_t mRun = 0;
    std::uint32_t mRunDone = 0;
    std::vector<Open> mOpen;
    // The elements the current array still expects.
    std::size_t mArrayLeft = 0;
};

#endif
