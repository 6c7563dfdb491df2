#ifndef RYVKIT_RYVFILE_KRYVRECORDCURSOR_H
#define RYVKIT_RYVFILE_KRYVRECORDCURSOR_H

#include "ryvfile/KRyvByteOrder.h"
#include "ryvfile/KRyvFieldValue.h"

#include <cstdint>
#include <string_view>
#include <type_traits>

// One record of a binary RYV body read where it lies: its name, its values in order and its
// children in order, without copying anything out of the body. The body is owned by the caller
// and must outlive the cursor; it must have passed IsWellFormed, which is what lets the cursor
// step over sizes without allocating. Every step still stays inside the record's bytes, so a
// cursor over bytes that were not checked answers "none" rather than reading outside them.
class KRyvRecordCursor
{
public:
    // True when pBytes[0, pSize) is exactly a sequence of well-formed records: every size and
    // count inside what remains of its record, known value kinds, bools 0 or 1, valid names,
    // nesting at most KRyvFieldRecord::kMaxDepth deep, no bytes left over inside a record.
    // Allocates nothing.
    static bool IsWellFormed(const std::uint8_t* pBytes, std::size_t pSize);

    // The top of a body: its records are the children, it has no values and an empty name.
    static KRyvRecordCursor Body(const std::uint8_t* pBytes, std::size_t pSize);

    // The record at pChild, a child handed out by FindChild or NextChild; false (oCursor
    // untouched) when its bytes do not hold a record.
    bool Enter(const std::uint8_t* pChild, KRyvRecordCursor& oCursor) const;

    std::string_view GetName() const { return mName; }

    // Values ----------------------------------------------------------------------------------
    std::uint32_t GetValuesLeft() const { return mValuesLeft; }
    // The kind of the next value, 0 when none is left.
    int PeekKind() const { return mValuesLeft > 0 && mNextValue < mEnd ? *mNextValue : 0; }
    // The next value when it is of kind T (and steps over it); false, nothing moved, otherwise.
    template <typename T> bool TakeScalar(T& oValue);
    // The next text or raw-bytes value (pKind) as the bytes it holds in the body.
    bool TakeCounted(KRyvFieldValue::EKind pKind, std::string_view& oBytes);
    // The next array of elements of pKind: oElements points at oCount little-endian elements
    // in the body (not aligned).
    bool TakeArray(KRyvFieldValue::EKind pKind, const std::uint8_t*& oElements,
                   std::uint32_t& oCount);

    // Children --------------------------------------------------------------------------------
    // The first child named pName at or after the next child, null when none.
    const std::uint8_t* FindChild(std::string_view pName) const;
    // The next child, null after the last.
    const std::uint8_t* NextChild() const;
    // The next child becomes the one after pChild (a child at or after the next one).
    void StepPast(const std::uint8_t* pChild);
    // FindChild, Enter and StepPast at once, each child's bounds taken once: enters the first
    // child named pName at or after the next child and makes the one after it the next child.
    // False, nothing moved, when there is none or it does not hold a record.
    bool EnterChild(std::string_view pName, KRyvRecordCursor& oCursor);
    // Children named pName, all of them, whatever has been read.
    int CountChildren(std::string_view pName) const;

private:
    template <typename T> struct KindOf;
    // The name of the record at pRecord (its size field), empty when it does not fit.
    std::string_view ChildName(const std::uint8_t* pRecord) const;
    // The end of the record at pRecord, null when it does not fit before mEnd.
    const std::uint8_t* ChildEnd(const std::uint8_t* pRecord) const;
    bool TakeValue(std::uint8_t pKind, const std::uint8_t*& oPayload, std::size_t& oSize);
    // The record whose bytes are [pRecord, pEnd) (its size field first); false when they do not
    // hold its name and value count.
    static bool EnterRecord(const std::uint8_t* pRecord, const std::uint8_t* pEnd,
                            KRyvRecordCursor& oCursor);

    // Where the children start is found on the first look at them: a record read for its values
    // alone (a key of the older layout) is never stepped over twice.
    void FindChildren() const;

    std::string_view mName;
    const std::uint8_t* mFirstValue = nullptr;
    std::uint32_t mValueCount = 0;
    const std::uint8_t* mNextValue = nullptr;
    std::uint32_t mValuesLeft = 0;
    mutable bool mChildrenFound = false;
    mutable const std::uint8_t* mFirstChild = nullptr;
    mutable const std::uint8_t* mNextChild = nullptr;
    const std::uint8_t* mEnd = nullptr;
};

template <> struct KRyvRecordCursor::KindOf<bool>
{
    static constexpr std::uint8_t kKind = KRyvFieldValue::kBool;
};
template <> struct KRyvRecordCursor::KindOf<std::int32_t>
{
    static constexpr std::uint8_t kKind = KRyvFieldValue::kInt32;
};
template <> struct KRyvRecordCursor::KindOf<std::int64_t>
{
    static constexpr std::uint8_t kKind = KRyvFieldValue::kInt64;
};
template <> struct KRyvRecordCursor::KindOf<float>
{
    static constexpr std::uint8_t kKind = KRyvFieldValue::kFloat;
};
template <> struct KRyvRecordCursor::KindOf<double>
{
    static constexpr std::uint8_t kKind = KRyvFieldValue::kDouble;
};

template <typename T> bool KRyvRecordCursor::TakeScalar(T& oValue)
{
    // Inline, with the size known here: the older layout reads ten scalars for every key.
    constexpr std::size_t kSize = std::is_same_v<T, bool> ? 1 : sizeof(T);
    if (mValuesLeft == 0 || mNextValue >= mEnd || *mNextValue != KindOf<T>::kKind ||
        static_cast<std::size_t>(mEnd - mNextValue) <= kSize) {
        return false;
    }
    const std::uint8_t* lPayload = mNextValue + 1;
    if constexpr (std::is_same_v<T, bool>) {
        oValue = *lPayload == 1;
    } else {
        oValue = KRyvByteOrder::GetLE<T>(lPayload);
    }
    mNextValue = lPayload + kSize;
    --mValuesLeft;
    return true;
}

#endif
