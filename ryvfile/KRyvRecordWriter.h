#ifndef RYVKIT_RYVFILE_KRYVRECORDWRITER_H
#define RYVKIT_RYVFILE_KRYVRECORDWRITER_H

#include "ryvfile/KRyvFieldValue.h"

#include <algorithm>
#include <cstdint>
#include <type_traits>

class KRyvFieldRecord;

// Takes records as they are produced, in file order, and turns them into something (a size, the
// binary form, the text form) without a tree of them ever being built. A record is Begin, its
// values, its children, End; a value after a child of the same record is refused, as neither form
// could hold it where it came. An array is BeginArray, then its elements in parts, then EndArray.
//
// A writer never throws for what it is given: the first fault (a bad name, nesting past
// KRyvFieldRecord::kMaxDepth, a size past 32 bits, an output that refuses bytes) is kept as an
// error code of KRyvFile and every later call does nothing.
class KRyvRecordWriter
{
public:
    KRyvRecordWriter() = default;
    KRyvRecordWriter(const KRyvRecordWriter&) = delete;
    KRyvRecordWriter& operator=(const KRyvRecordWriter&) = delete;
    virtual ~KRyvRecordWriter() = default;

    // pName is pLength bytes, not necessarily terminated.
    virtual void Begin(const char* pName, std::size_t pLength) = 0;
    // An End without its Begin is refused.
    virtual void End() = 0;

    virtual void Put(bool pValue) = 0;
    virtual void Put(std::int32_t pValue) = 0;
    virtual void Put(std::int64_t pValue) = 0;
    virtual void Put(float pValue) = 0;
    virtual void Put(double pValue) = 0;
    virtual void PutText(const char* pText, std::size_t pSize) = 0;
    virtual void PutBytes(const std::uint8_t* pBytes, std::size_t pSize) = 0;

    // Announces an array of pCount elements of pKind (one of the four array kinds). False when
    // the writer does not want the elements (it only measures, or it has failed): the caller
    // then skips PutArrayPart and EndArray. Otherwise exactly pCount elements follow.
    virtual bool BeginArray(KRyvFieldValue::EKind pKind, std::size_t pCount) = 0;
    virtual void PutArrayPart(const std::int32_t* pValues, std::size_t pCount) = 0;
    virtual void PutArrayPart(const std::int64_t* pValues, std::size_t pCount) = 0;
    virtual void PutArrayPart(const float* pValues, std::size_t pCount) = 0;
    virtual void PutArrayPart(const double* pValues, std::size_t pCount) = 0;
    virtual void EndArray() = 0;

    // -1 while everything went well, else the KRyvFile error code of the first fault.
    int GetError() const { return mError; }
    bool Failed() const { return mError >= 0; }

    // The array kind of an element type.
    template <typename T> static constexpr KRyvFieldValue::EKind ArrayKind()
    {
        if constexpr (std::is_same_v<T, std::int32_t>) {
            return KRyvFieldValue::kInt32Array;
        } else if constexpr (std::is_same_v<T, std::int64_t>) {
            return KRyvFieldValue::kInt64Array;
        } else if constexpr (std::is_same_v<T, float>) {
            return KRyvFieldValue::kFloatArray;
        } else {
            static_assert(std::is_same_v<T, double>, "array element expected");
            return KRyvFieldValue::kDoubleArray;
        }
    }

    // An array straight from the caller's memory.
    template <typename T> void PutArray(const T* pValues, std::size_t pCount)
    {
        if (BeginArray(ArrayKind<T>(), pCount)) {
            PutArrayPart(pValues, pCount);
            EndArray();
        }
    }

    // An array whose element i is pElement(i), made in small blocks as the writer takes them, so
    // that no array of the whole is built (and none at all while the writer only measures).
    template <typename T, typename Element> void PutArrayOf(std::size_t pCount, Element pElement)
    {
        if (!BeginArray(ArrayKind<T>(), pCount)) {
            return;
        }
        T lBlock[kArrayBlock];
        for (std::size_t lFirst = 0; lFirst < pCount; lFirst += kArrayBlock) {
            const std::size_t lCount = std::min(kArrayBlock, pCount - lFirst);
            for (std::size_t i = 0; i < lCount; ++i) {
                lBlock[i] = pElement(lFirst + i);
            }
            PutArrayPart(lBlock, lCount);
        }
        EndArray();
    }

    // The children of pRoot and everything below them, in order.
    void PutTree(const KRyvFieldRecord& pRoot);

protected:
    void Fail(int pCode)
    {
        if (mError < 0) {
            mError = pCode;
        }
    }

private:
    // Elements made at once by PutArrayOf: small enough for the stack, large enough that the
    // writer's per-part work does not count.
    static constexpr std::size_t kArrayBlock = 512;

    void PutRecord(const KRyvFieldRecord& pRecord);
    void PutValue(const KRyvFieldValue& pValue);

    int mError = -1;
};

#endif
