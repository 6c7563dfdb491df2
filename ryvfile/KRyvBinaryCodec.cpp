#include "ryvfile/KRyvBinaryCodec.h"

#include "ryvfile/KRyvBinaryRecordWriter.h"
#include "ryvfile/KRyvByteOrder.h"
#include "ryvfile/KRyvRecordSizer.h"

#include <algorithm>

using namespace KRyvByteOrder;

namespace {

// The fewest bytes a value (kind and one byte) and a child record (size, name length, one name
// byte, value and child counts) take: what bounds the room reserved for declared counts.
constexpr std::size_t kMinValueBytes = 2;
constexpr std::size_t kMinRecordBytes = 14;

// A bounded cursor: every take checks what is left before it reads, so no size from the file
// can move it past its end, and every successful take moves it forward.
class Cursor
{
public:
    Cursor(const std::uint8_t* pBytes, std::size_t pSize) : mAt(pBytes), mEnd(pBytes + pSize) {}

    std::size_t Left() const { return static_cast<std::size_t>(mEnd - mAt); }
    const std::uint8_t* Take(std::size_t pCount)
    {
        if (pCount > Left()) {
            return nullptr;
        }
        const std::uint8_t* lFirst = mAt;
        mAt += pCount;
        return lFirst;
    }
    template <typename T> bool Get(T& oValue)
    {
        const std::uint8_t* lBytes = Take(sizeof(T));
        if (lBytes) {
            oValue = GetLE<T>(lBytes);
        }
        return lBytes != nullptr;
    }

private:
    const std::uint8_t* mAt;
    const std::uint8_t* mEnd;
};

template <typename T> bool DecodeArray(Cursor& ioCursor, KRyvFieldRecord& ioRecord)
{
    std::uint32_t lCount = 0;
    if (!ioCursor.Get(lCount) || lCount > ioCursor.Left() / sizeof(T)) {
        return false;
    }
    std::vector<T> lArray(lCount);
    GetArrayLE(ioCursor.Take(lCount * sizeof(T)), lArray);
    ioRecord.AddValue(std::move(lArray));
    return true;
}

template <typename T> bool DecodeScalar(Cursor& ioCursor, KRyvFieldRecord& ioRecord)
{
    T lValue{};
    if (!ioCursor.Get(lValue)) {
        return false;
    }
    ioRecord.AddValue(lValue);
    return true;
}

bool DecodeCounted(Cursor& ioCursor, KRyvFieldRecord& ioRecord, bool pText)
{
    std::uint32_t lLength = 0;
    if (!ioCursor.Get(lLength)) {
        return false;
    }
    const std::uint8_t* lBytes = ioCursor.Take(lLength);
    if (!lBytes) {
        return false;
    }
    if (pText) {
        ioRecord.AddValue(std::string(reinterpret_cast<const char*>(lBytes), lLength));
    } else {
        ioRecord.AddValue(std::vector<std::uint8_t>(lBytes, lBytes + lLength));
    }
    return true;
}

bool DecodeValue(Cursor& ioCursor, KRyvFieldRecord& ioRecord)
{
    std::uint8_t lKind = 0;
    if (!ioCursor.Get(lKind)) {
        return false;
    }
    switch (lKind) {
    case KRyvFieldValue::kBool: {
        std::uint8_t lByte = 0;
        if (!ioCursor.Get(lByte) || lByte > 1) {
            return false;
        }
        ioRecord.AddValue(lByte == 1);
        return true;
    }
    case KRyvFieldValue::kInt32:
        return DecodeScalar<std::int32_t>(ioCursor, ioRecord);
    case KRyvFieldValue::kInt64:
        return DecodeScalar<std::int64_t>(ioCursor, ioRecord);
    case KRyvFieldValue::kFloat:
        return DecodeScalar<float>(ioCursor, ioRecord);
    case KRyvFieldValue::kDouble:
        return DecodeScalar<double>(ioCursor, ioRecord);
    case KRyvFieldValue::kText:
        return DecodeCounted(ioCursor, ioRecord, true);
    case KRyvFieldValue::kBytes:
        return DecodeCounted(ioCursor, ioRecord, false);
    case KRyvFieldValue::kInt32Array:
        return DecodeArray<std::int32_t>(ioCursor, ioRecord);
    case KRyvFieldValue::kInt64Array:
        return DecodeArray<std::int64_t>(ioCursor, ioRecord);
    case KRyvFieldValue::kFloatArray:
        return DecodeArray<float>(ioCursor, ioRecord);
    case KRyvFieldValue::kDoubleArray:
        return DecodeArray<double>(ioCursor, ioRecord);
    default:
        return false;
    }
}

bool DecodeRecords(Cursor& ioCursor, KRyvFieldRecord& ioParent, int pDepth);

// One record whose content is exactly the cursor's bytes.
bool DecodeContent(Cursor& ioContent, KRyvFieldRecord& ioRecord, int pDepth)
{
    std::uint8_t lNameLength = 0;
    const std::uint8_t* lName = nullptr;
    if (!ioContent.Get(lNameLength) || !(lName = ioContent.Take(lNameLength))) {
        return false;
    }
    ioRecord.SetName(std::string(reinterpret_cast<const char*>(lName), lNameLength));
    std::uint32_t lValueCount = 0;
    if (!KRyvFieldRecord::IsValidName(ioRecord.GetName()) || !ioContent.Get(lValueCount) ||
        lValueCount > ioContent.Left()) {
        return false;
    }
    // The child count follows the values; a record's values take most of its bytes, so the
    // children are given room after the values are read.
    ioRecord.Reserve(std::min<std::size_t>(lValueCount, ioContent.Left() / kMinValueBytes), 0);
    for (std::uint32_t i = 0; i < lValueCount; ++i) {
        if (!DecodeValue(ioContent, ioRecord)) {
            return false;
        }
    }
    std::uint32_t lChildCount = 0;
    if (!ioContent.Get(lChildCount)) {
        return false;
    }
    ioRecord.Reserve(0, std::min<std::size_t>(lChildCount, ioContent.Left() / kMinRecordBytes));
    const int lBefore = ioRecord.GetChildCount();
    if (!DecodeRecords(ioContent, ioRecord, pDepth + 1)) {
        return false;
    }
    return static_cast<std::uint32_t>(ioRecord.GetChildCount() - lBefore) == lChildCount;
}

// Records until the cursor is used up.
bool DecodeRecords(Cursor& ioCursor, KRyvFieldRecord& ioParent, int pDepth)
{
    while (ioCursor.Left() > 0) {
        std::uint32_t lSize = 0;
        const std::uint8_t* lContent = nullptr;
        if (pDepth > KRyvFieldRecord::kMaxDepth || !ioCursor.Get(lSize) ||
            !(lContent = ioCursor.Take(lSize))) {
            return false;
        }
        Cursor lInner(lContent, lSize);
        if (!DecodeContent(lInner, *ioParent.AddChild(std::string()), pDepth)) {
            return false;
        }
    }
    return true;
}

} // namespace

std::size_t KRyvBinaryCodec::GetEncodedSize(const KRyvFieldRecord& pRoot)
{
    KRyvRecordSizer lSizer;
    lSizer.PutTree(pRoot);
    return static_cast<std::size_t>(lSizer.GetBodySize());
}

bool KRyvBinaryCodec::Encode(const KRyvFieldRecord& pRoot, const Output& pOutput)
{
    KRyvRecordSizer lSizer;
    lSizer.PutTree(pRoot);
    if (!lSizer.Finish()) {
        return false;
    }
    KRyvBinaryRecordWriter lWriter(lSizer.GetRuns(), pOutput);
    lWriter.PutTree(pRoot);
    return lWriter.Finish();
}

bool KRyvBinaryCodec::Encode(const KRyvFieldRecord& pRoot, std::vector<std::uint8_t>& ioBytes)
{
    ioBytes.reserve(ioBytes.size() + GetEncodedSize(pRoot));
    return Encode(pRoot, [&ioBytes](const std::uint8_t* pBytes, std::size_t pSize) {
        ioBytes.insert(ioBytes.end(), pBytes, pBytes + pSize);
        return true;
    });
}

bool KRyvBinaryCodec::Decode(const std::uint8_t* pBytes, std::size_t pSize, KRyvFieldRecord& oRoot)
{
    oRoot = KRyvFieldRecord();
    Cursor lCursor(pBytes, pSize);
    if (!pBytes && pSize > 0) {
        return false;
    }
    if (!DecodeRecords(lCursor, oRoot, 1)) {
        oRoot = KRyvFieldRecord();
        return false;
    }
    return true;
}
