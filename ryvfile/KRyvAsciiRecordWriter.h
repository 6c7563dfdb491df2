#ifndef RYVKIT_RYVFILE_KRYVASCIIRECORDWRITER_H
#define RYVKIT_RYVFILE_KRYVASCIIRECORDWRITER_H

#include "ryvfile/KRyvAsciiCodec.h"
#include "ryvfile/KRyvRecordWriter.h"

#include <string>
#include <vector>

// The ASCII form of records as they come (docs/ryv-format.md, "ASCII records"): one record per
// line, children in braces, numbers printed in the C locale so that they read back bit for bit.
// The text goes on in pieces of about half a megabyte, each ending at a line end (or inside a
// text or raw value too long to wait for one), so that neither a file nor a long value is ever
// held whole. Refuses invalid names and nesting past KRyvFieldRecord::kMaxDepth
// (kUnidentifiedError); an output that refuses text is kOutOfDiskSpace.
class KRyvAsciiRecordWriter : public KRyvRecordWriter
{
public:
    // pOutput must outlive the writer.
    explicit KRyvAsciiRecordWriter(const KRyvAsciiCodec::Output& pOutput);

    // Hands on the rest of the text; false (and failed) when a record is still open.
    bool Finish();

    void Begin(const char* pName, std::size_t pLength) override;
    void End() override;
    void Put(bool pValue) override;
    void Put(std::int32_t pValue) override;
    void Put(std::int64_t pValue) override;
    void Put(float pValue) override;
    void Put(double pValue) override;
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
        bool mHasValue;
        bool mHasChildren;
    };

    // The separator in front of a value of the open record; false (failed) when no value may
    // come.
    bool StartValue();
    template <typename T> void PutNumber(T pValue);
    template <typename T> void PutElements(const T* pValues, std::size_t pCount);
    // Hands the text on when pAll, or when it is large; called at line ends and inside long values.
    void Flush(bool pAll);

    const KRyvAsciiCodec::Output& mOutput;
    std::string mText;
    std::vector<Open> mOpen;
    // The place of the next element of the array being written.
    std::size_t mArrayAt = 0;
    std::size_t mArrayCount = 0;
    bool mInArray = false;
};

#endif
