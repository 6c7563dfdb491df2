#include "ryvfile/KRyvRecordCursor.h"

#include "ryvfile/KRyvFieldRecord.h"

#include <cstring>

using namespace KRyvByteOrder;

namespace {

constexpr std::size_t kCountBytes = 4;

// Reads a 32-bit count at ioAt when it fits before pEnd, and steps over it.
bool GetCount(const std::uint8_t*& ioAt, const std::uint8_t* pEnd, std::uint32_t& oCount)
{
    if (static_cast<std::size_t>(pEnd - ioAt) < kCountBytes) {
        return false;
    }
    oCount = GetLE<std::uint32_t>(ioAt);
    ioAt += kCountBytes;
    return true;
}

// The name of a record content at ioAt (its length byte), stepped over; empty when it does not
// fit. Names are checked by IsWellFormed, not here.
std::string_view TakeName(const std::uint8_t*& ioAt, const std::uint8_t* pEnd)
{
    if (ioAt >= pEnd || static_cast<std::size_t>(pEnd - ioAt - 1) < *ioAt) {
        return std::string_view();
    }
    const std::string_view lName(reinterpret_cast<const char*>(ioAt + 1), *ioAt);
    ioAt += 1 + lName.size();
    return lName;
}

constexpr std::uint8_t kFirstCountedKind = KRyvFieldValue::kText;

// The number of payload bytes of a value of pKind at pPayload; false for an unknown kind or a
// payload that does not fit before pEnd.
inline bool PayloadSize(std::uint8_t pKind, const std::uint8_t* pPayload, const std::uint8_t* pEnd,
                        std::size_t& oSize)
{
    const std::size_t lLeft = static_cast<std::size_t>(pEnd - pPayload);
    const std::size_t lSize =
        pKind < sizeof(KRyvFieldValue::kKindSizes) ? KRyvFieldValue::kKindSizes[pKind] : 0;
    if (lSize == 0) {
        return false;
    }
    if (pKind < kFirstCountedKind) {
        oSize = lSize;
        return lLeft >= lSize;
    }
    std::uint32_t lCount = 0;
    if (!GetCount(pPayload, pEnd, lCount) || lCount > (lLeft - kCountBytes) / lSize) {
        return false;
    }
    oSize = kCountBytes + lCount * lSize;
    return true;
}

// The checks of IsWellFormed. Each function moves forward or fails, and the depth is capped, so
// no body can stall or exhaust it.
struct Checker
{
    bool CheckRecords(const std::uint8_t* pAt, const std::uint8_t* pEnd, int pDepth,
                      std::uint32_t& oCount)
    {
        oCount = 0;
        while (pAt < pEnd) {
            std::uint32_t lSize = 0;
            if (pDepth > KRyvFieldRecord::kMaxDepth || !GetCount(pAt, pEnd, lSize) ||
                lSize > static_cast<std::size_t>(pEnd - pAt) ||
                !CheckContent(pAt, pAt + lSize, pDepth)) {
                return false;
            }
            pAt += lSize;
            ++oCount;
        }
        return true;
    }

    bool CheckContent(const std::uint8_t* pAt, const std::uint8_t* pEnd, int pDepth)
    {
        const std::string_view lName = TakeName(pAt, pEnd);
        std::uint32_t lValues = 0;
        if (!KRyvFieldRecord::IsValidName(lName.data(), lName.size()) ||
            !GetCount(pAt, pEnd, lValues)) {
            return false;
        }
        // Every value takes at least two bytes, so this loop is bounded by the record's size.
        for (std::uint32_t i = 0; i < lValues; ++i) {
            if (!CheckValue(pAt, pEnd)) {
                return false;
            }
        }
        std::uint32_t lChildren = 0;
        std::uint32_t lFound = 0;
        return GetCount(pAt, pEnd, lChildren) && CheckRecords(pAt, pEnd, pDepth + 1, lFound) &&
               lFound == lChildren;
    }

    static bool CheckValue(const std::uint8_t*& ioAt, const std::uint8_t* pEnd)
    {
        if (ioAt >= pEnd) {
            return false;
        }
        const std::uint8_t lKind = *ioAt++;
        std::size_t lSize = 0;
        if (!PayloadSize(lKind, ioAt, pEnd, lSize) ||
            (lKind == KRyvFieldValue::kBool && *ioAt > 1)) {
            return false;
        }
        ioAt += lSize;
        return true;
    }
};

} // namespace

bool KRyvRecordCursor::IsWellFormed(const std::uint8_t* pBytes, std::size_t pSize)
{
    if (!pBytes) {
        return pSize == 0;
    }
    std::uint32_t lCount = 0;
    return Checker().CheckRecords(pBytes, pBytes + pSize, 1, lCount);
}

KRyvRecordCursor KRyvRecordCursor::Body(const std::uint8_t* pBytes, std::size_t pSize)
{
    KRyvRecordCursor lBody;
    lBody.mFirstChild = lBody.mNextChild = pBytes;
    lBody.mEnd = pBytes ? pBytes + pSize : nullptr;
    lBody.mChildrenFound = true;
    return lBody;
}

bool KRyvRecordCursor::Enter(const std::uint8_t* pChild, KRyvRecordCursor& oCursor) const
{
    const std::uint8_t* lEnd = pChild ? ChildEnd(pChild) : nullptr;
    return lEnd && EnterRecord(pChild, lEnd, oCursor);
}

bool KRyvRecordCursor::EnterRecord(const std::uint8_t* pRecord, const std::uint8_t* pEnd,
                                   KRyvRecordCursor& oCursor)
{
    KRyvRecordCursor lRecord;
    const std::uint8_t* lAt = pRecord + kCountBytes;
    lRecord.mName = TakeName(lAt, pEnd);
    if (lRecord.mName.empty() || !GetCount(lAt, pEnd, lRecord.mValueCount)) {
        return false;
    }
    lRecord.mFirstValue = lRecord.mNextValue = lAt;
    lRecord.mValuesLeft = lRecord.mValueCount;
    lRecord.mEnd = pEnd;
    oCursor = lRecord;
    return true;
}

bool KRyvRecordCursor::EnterChild(std::string_view pName, KRyvRecordCursor& oCursor)
{
    FindChildren();
    // Each step moves past one whole child, so the search always ends.
    for (const std::uint8_t* lAt = mNextChild; lAt < mEnd;) {
        const std::uint8_t* lEnd = ChildEnd(lAt);
        if (!lEnd) {
            return false;
        }
        const std::uint8_t* lName = lAt + kCountBytes;
        if (TakeName(lName, lEnd) == pName) {
            // Entered aside, so that oCursor may be this cursor itself.
            KRyvRecordCursor lEntered;
            if (!EnterRecord(lAt, lEnd, lEntered)) {
                return false;
            }
            mNextChild = lEnd;
            oCursor = lEntered;
            return true;
        }
        lAt = lEnd;
    }
    return false;
}

void KRyvRecordCursor::FindChildren() const
{
    if (mChildrenFound) {
        return;
    }
    mChildrenFound = true;
    // Bytes that do not hold their values and child count hold no children either.
    mFirstChild = mNextChild = mEnd;
    const std::uint8_t* lAt = mFirstValue;
    for (std::uint32_t i = 0; i < mValueCount; ++i) {
        std::size_t lSize = 0;
        if (lAt >= mEnd || !PayloadSize(*lAt, lAt + 1, mEnd, lSize)) {
            return;
        }
        lAt += 1 + lSize;
    }
    std::uint32_t lChildren = 0;
    if (GetCount(lAt, mEnd, lChildren)) {
        mFirstChild = mNextChild = lAt;
    }
}

const std::uint8_t* KRyvRecordCursor::NextChild() const
{
    FindChildren();
    return mNextChild < mEnd ? mNextChild : nullptr;
}

bool KRyvRecordCursor::TakeValue(std::uint8_t pKind, const std::uint8_t*& oPayload,
                                 std::size_t& oSize)
{
    if (mValuesLeft == 0 || mNextValue >= mEnd || *mNextValue != pKind ||
        !PayloadSize(pKind, mNextValue + 1, mEnd, oSize)) {
        return false;
    }
    oPayload = mNextValue + 1;
    mNextValue = oPayload + oSize;
    --mValuesLeft;
    return true;
}

bool KRyvRecordCursor::TakeCounted(KRyvFieldValue::EKind pKind, std::string_view& oBytes)
{
    const std::uint8_t* lPayload = nullptr;
    std::size_t lSize = 0;
    if ((pKind != KRyvFieldValue::kText && pKind != KRyvFieldValue::kBytes) ||
        !TakeValue(pKind, lPayload, lSize)) {
        return false;
    }
    oBytes = std::string_view(reinterpret_cast<const char*>(lPayload) + kCountBytes,
                              lSize - kCountBytes);
    return true;
}

bool KRyvRecordCursor::TakeArray(KRyvFieldValue::EKind pKind, const std::uint8_t*& oElements,
                                 std::uint32_t& oCount)
{
    const std::uint8_t* lPayload = nullptr;
    std::size_t lSize = 0;
    if (pKind < KRyvFieldValue::kInt32Array || pKind > KRyvFieldValue::kDoubleArray ||
        !TakeValue(pKind, lPayload, lSize)) {
        return false;
    }
    oCount = GetLE<std::uint32_t>(lPayload);
    oElements = lPayload + kCountBytes;
    return true;
}

const std::uint8_t* KRyvRecordCursor::ChildEnd(const std::uint8_t* pRecord) const
{
    const std::uint8_t* lAt = pRecord;
    std::uint32_t lSize = 0;
    FindChildren();
    // A pointer outside this record's children (a sibling's child, say) holds none of them.
    if (pRecord < mFirstChild || pRecord >= mEnd || !GetCount(lAt, mEnd, lSize) ||
        lSize > static_cast<std::size_t>(mEnd - lAt)) {
        return nullptr;
    }
    return lAt + lSize;
}

std::string_view KRyvRecordCursor::ChildName(const std::uint8_t* pRecord) const
{
    const std::uint8_t* lEnd = ChildEnd(pRecord);
    const std::uint8_t* lAt = pRecord + kCountBytes;
    return lEnd ? TakeName(lAt, lEnd) : std::string_view();
}

const std::uint8_t* KRyvRecordCursor::FindChild(std::string_view pName) const
{
    FindChildren();
    // Each step moves past one whole child, so the search always ends.
    for (const std::uint8_t* lAt = mNextChild; lAt && lAt < mEnd; lAt = ChildEnd(lAt)) {
        if (ChildName(lAt) == pName) {
            return lAt;
        }
    }
    return nullptr;
}

void KRyvRecordCursor::StepPast(const std::uint8_t* pChild)
{
    FindChildren();
    const std::uint8_t* lEnd = pChild >= mNextChild ? ChildEnd(pChild) : nullptr;
    if (lEnd) {
        mNextChild = lEnd;
    }
}

int KRyvRecordCursor::CountChildren(std::string_view pName) const
{
    int lCount = 0;
    FindChildren();
    for (const std::uint8_t* lAt = mFirstChild; lAt && lAt < mEnd; lAt = ChildEnd(lAt)) {
        lCount += ChildName(lAt) == pName ? 1 : 0;
    }
    return lCount;
}
