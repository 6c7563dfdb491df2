#include "ryvfile/KRyvAsciiCodec.h"

#include "ryvfile/KRyvByteOrder.h"
#include "ryvfile/KRyvFieldRecord.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string_view>
#include <system_error>

namespace {

// Binary records built as the text is parsed: every size and count goes out as a placeholder
// and is filled in once known. A builder without bytes only counts them, so that a first pass
// can size the records exactly and the second one never grows them.
class Builder
{
public:
    explicit Builder(KRyvBytes* oBytes) : mBytes(oBytes) { mFrames.push_back({}); }

    std::size_t GetSize() const { return mSize; }
    bool IsWriting() const { return mBytes != nullptr; }
    // True when every byte went into the buffer and filled it exactly.
    bool IsWhole() const { return !mOverflow && mBytes && mSize == mBytes->size(); }
    // Counts bytes that a measuring builder does not hold.
    void Skip(std::size_t pSize) { mSize += pSize; }

    void Put(const void* pBytes, std::size_t pSize)
    {
        // The buffer is sized by the measuring pass; bytes past it (which a second pass over the
        // same text never makes) are refused rather than written.
        if (mBytes && pSize <= mBytes->size() - mSize) {
            std::memcpy(mBytes->data() + mSize, pBytes, pSize);
        } else if (mBytes) {
            mOverflow = true;
            return;
        }
        mSize += pSize;
    }
    void PutByte(std::uint8_t pByte) { Put(&pByte, 1); }
    template <typename T> void PutNumber(T pValue)
    {
        std::uint8_t lRaw[sizeof(T)];
        std::memcpy(lRaw, &pValue, sizeof(T));
        if (!KRyvByteOrder::kHostIsLittleEndian) {
            std::reverse(lRaw, lRaw + sizeof(T));
        }
        Put(lRaw, sizeof(T));
    }
    // A 32-bit placeholder; its place.
    std::size_t PutCount()
    {
        const std::size_t lAt = mSize;
        PutNumber<std::uint32_t>(0);
        return lAt;
    }
    // Fills the placeholder at pAt; false when the count passes 32 bits.
    bool SetCount(std::size_t pAt, std::uint64_t pCount)
    {
        if (pCount > std::numeric_limits<std::uint32_t>::max()) {
            return false;
        }
        // After an overflow a placeholder may lie past the buffer: the result is refused anyway.
        if (mBytes && !mOverflow) {
            const auto lCount = static_cast<std::uint32_t>(pCount);
            std::uint8_t lRaw[sizeof(lCount)];
            std::memcpy(lRaw, &lCount, sizeof(lCount));
            if (!KRyvByteOrder::kHostIsLittleEndian) {
                std::reverse(lRaw, lRaw + sizeof(lCount));
            }
            std::memcpy(mBytes->data() + pAt, lRaw, sizeof(lRaw));
        }
        return true;
    }

    void Open(std::string_view pName)
    {
        ++mFrames.back().mChildren;
        Frame lFrame;
        lFrame.mSizeAt = PutCount();
        PutByte(static_cast<std::uint8_t>(pName.size()));
        Put(pName.data(), pName.size());
        lFrame.mValuesAt = PutCount();
        mFrames.push_back(lFrame);
    }
    void CountValue() { ++mFrames.back().mValues; }
    bool StartChildren()
    {
        Frame& lFrame = mFrames.back();
        lFrame.mChildrenAt = PutCount();
        return SetCount(lFrame.mValuesAt, lFrame.mValues);
    }
    bool Close()
    {
        if (mFrames.back().mChildrenAt == 0 && !StartChildren()) {
            return false;
        }
        const Frame lFrame = mFrames.back();
        mFrames.pop_back();
        return SetCount(lFrame.mChildrenAt, lFrame.mChildren) &&
               SetCount(lFrame.mSizeAt, mSize - lFrame.mSizeAt - sizeof(std::uint32_t));
    }

private:
    struct Frame
    {
        std::size_t mSizeAt = 0;
        std::size_t mValuesAt = 0;
        std::size_t mChildrenAt = 0;
        std::uint64_t mValues = 0;
        std::uint64_t mChildren = 0;
    };

    KRyvBytes* mBytes;
    std::size_t mSize = 0;
    bool mOverflow = false;
    std::vector<Frame> mFrames;
};

// The reading side of the ASCII form. Every step checks the end of the text first and moves
// forward by at least one character when it succeeds, so no input can stall it. A measuring
// parser steps over numbers without converting them: it only sizes the records.
class Parser
{
public:
    Parser(const char* pText, std::size_t pSize, Builder& ioBuilder)
        : mAt(pText), mEnd(pText + pSize), mBuilder(ioBuilder)
    {
    }

    int GetLine() const { return mLine; }

    // Records until the end of the text (pDepth 1) or a closing brace (deeper).
    bool ParseRecords(int pDepth)
    {
        for (;;) {
            SkipBlankLines();
            if (mAt == mEnd) {
                return pDepth == 1;
            }
            if (*mAt == '}') {
                ++mAt;
                return pDepth > 1 && EndOfLine();
            }
            if (pDepth > KRyvFieldRecord::kMaxDepth || !ParseRecord(pDepth)) {
                return false;
            }
        }
    }

private:
    bool ParseRecord(int pDepth)
    {
        const char* lName = mAt;
        while (mAt != mEnd && *mAt != ':' && *mAt != '\n') {
            ++mAt;
        }
        if (mAt == mEnd || *mAt != ':' ||
            !KRyvFieldRecord::IsValidName(lName, static_cast<std::size_t>(mAt - lName))) {
            return false;
        }
        mBuilder.Open(std::string_view(lName, static_cast<std::size_t>(mAt - lName)));
        ++mAt;
        for (bool lFirst = true;; lFirst = false) {
            SkipSpaces();
            if (mAt == mEnd || *mAt == '\n') {
                return EndOfLine() && mBuilder.Close();
            }
            if (*mAt == '{') {
                ++mAt;
                return EndOfLine() && mBuilder.StartChildren() && ParseRecords(pDepth + 1) &&
                       mBuilder.Close();
            }
            if (!lFirst && !Expect(',')) {
                return false;
            }
            SkipSpaces();
            if (!ParseValue()) {
                return false;
            }
            mBuilder.CountValue();
        }
    }

    bool ParseValue()
    {
        if (mAt == mEnd) {
            return false;
        }
        switch (*mAt) {
        case 'T':
        case 'F':
            mBuilder.PutByte(KRyvFieldValue::kBool);
            mBuilder.PutByte(*mAt++ == 'T' ? 1 : 0);
            return true;
        case '"':
            return ParseText();
        case 'x':
            return ParseBytes();
        default:
            break;
        }
        // An array letter is followed by its count in brackets; "inff" is a number.
        const bool lArray = Left() > 1 && mAt[1] == '[';
        switch (lArray ? *mAt : '\0') {
        case 'i':
            return ParseArray<std::int32_t>(KRyvFieldValue::kInt32Array);
        case 'l':
            return ParseArray<std::int64_t>(KRyvFieldValue::kInt64Array);
        case 'f':
            return ParseArray<float>(KRyvFieldValue::kFloatArray);
        case 'd':
            return ParseArray<double>(KRyvFieldValue::kDoubleArray);
        default:
            return ParseScalar();
        }
    }

    // A number token ends at a separator; its last character tells its kind.
    bool ParseScalar()
    {
        const char* lFirst = mAt;
        while (mAt != mEnd && !IsSeparator(*mAt)) {
            ++mAt;
        }
        if (mAt == lFirst) {
            return false;
        }
        const char lSuffix = *(mAt - 1);
        const char* lLast = lSuffix == 'L' || lSuffix == 'f' || lSuffix == 'd' ? mAt - 1 : mAt;
        switch (lSuffix) {
        case 'L':
            return PutNumber<std::int64_t>(KRyvFieldValue::kInt64, lFirst, lLast);
        case 'f':
            return PutNumber<float>(KRyvFieldValue::kFloat, lFirst, lLast);
        case 'd':
            return PutNumber<double>(KRyvFieldValue::kDouble, lFirst, lLast);
        default:
            return PutNumber<std::int32_t>(KRyvFieldValue::kInt32, lFirst, lLast);
        }
    }

    template <typename T> static bool ReadNumber(const char* pFirst, const char* pLast, T& oValue)
    {
        if (pFirst == pLast) {
            return false;
        }
        const std::from_chars_result lResult = std::from_chars(pFirst, pLast, oValue);
        return lResult.ec == std::errc() && lResult.ptr == pLast;
    }

    // Converts [pFirst, pLast) and puts it out; a measuring parser only counts its bytes.
    template <typename T> bool PutElement(const char* pFirst, const char* pLast)
    {
        T lValue{};
        if (!mBuilder.IsWriting()) {
            mBuilder.Skip(sizeof(T));
            return pFirst != pLast;
        }
        if (!ReadNumber(pFirst, pLast, lValue)) {
            return false;
        }
        mBuilder.PutNumber(lValue);
        return true;
    }

    template <typename T> bool PutNumber(std::uint8_t pKind, const char* pFirst, const char* pLast)
    {
        mBuilder.PutByte(pKind);
        return PutElement<T>(pFirst, pLast);
    }

    template <typename T> bool ParseArray(std::uint8_t pKind)
    {
        ++mAt;
        std::uint64_t lCount = 0;
        if (!Expect('[') || !ReadToken(']', lCount) || !Expect('{')) {
            return false;
        }
        mBuilder.PutByte(pKind);
        const std::size_t lCountAt = mBuilder.PutCount();
        if (!mBuilder.IsWriting()) {
            return SizeArray(lCountAt, lCount, sizeof(T));
        }
        std::uint64_t lFound = 0;
        SkipSpacesAndLines();
        while (mAt != mEnd && *mAt != '}') {
            if (lFound > 0 && !Expect(',')) {
                return false;
            }
            SkipSpacesAndLines();
            // The number ends where the conversion stops, which must be a separator: the
            // element's text is exactly one number.
            T lValue{};
            const std::from_chars_result lRead = std::from_chars(mAt, mEnd, lValue);
            if (lRead.ec != std::errc() || lRead.ptr == mAt ||
                (lRead.ptr != mEnd && !IsSeparator(*lRead.ptr))) {
                return false;
            }
            mAt = lRead.ptr;
            mBuilder.PutNumber(lValue);
            ++lFound;
            SkipSpacesAndLines();
        }
        return Expect('}') && lFound == lCount && mBuilder.SetCount(lCountAt, lCount);
    }

    // Sizes an array from its stated count and steps to its closing brace without reading its
    // elements: the converting pass checks them and their number. A count the elements' text
    // could not hold (each takes a character and all but the last a comma) is refused here, so
    // a stated count never sizes more than the text allows.
    bool SizeArray(std::size_t pCountAt, std::uint64_t pCount, std::size_t pElementSize)
    {
        const char* lClose = static_cast<const char*>(std::memchr(mAt, '}', Left()));
        if (!lClose) {
            return false;
        }
        const auto lSpan = static_cast<std::uint64_t>(lClose - mAt);
        if (pCount > (lSpan + 1) / 2 || !mBuilder.SetCount(pCountAt, pCount)) {
            return false;
        }
        // Line ends are rare inside an array: memchr finds them faster than a count of bytes.
        for (const char* lAt = mAt; (lAt = static_cast<const char*>(std::memchr(
                                         lAt, '\n', static_cast<std::size_t>(lClose - lAt))));
             ++lAt) {
            ++mLine;
        }
        mBuilder.Skip(static_cast<std::size_t>(pCount) * pElementSize);
        mAt = lClose + 1;
        return true;
    }

    // Reads digits up to pClose and steps over it.
    bool ReadToken(char pClose, std::uint64_t& oCount)
    {
        const char* lFirst = mAt;
        while (mAt != mEnd && *mAt != pClose && *mAt != '\n') {
            ++mAt;
        }
        return ReadNumber(lFirst, mAt, oCount) && Expect(pClose);
    }

    bool ParseText()
    {
        ++mAt;
        mBuilder.PutByte(KRyvFieldValue::kText);
        const std::size_t lLengthAt = mBuilder.PutCount();
        const std::size_t lStart = mBuilder.GetSize();
        while (mAt != mEnd && *mAt != '"' && *mAt != '\n') {
            const char* lPlain = mAt;
            while (mAt != mEnd && *mAt != '"' && *mAt != '\n' && *mAt != '\\') {
                ++mAt;
            }
            mBuilder.Put(lPlain, static_cast<std::size_t>(mAt - lPlain));
            if (mAt == mEnd || *mAt != '\\') {
                break;
            }
            ++mAt;
            if (mAt != mEnd && (*mAt == '"' || *mAt == '\\')) {
                mBuilder.PutByte(static_cast<std::uint8_t>(*mAt++));
            } else if (mAt != mEnd && *mAt == 'x') {
                ++mAt;
                int lByte = 0;
                if (!ReadHexByte(lByte)) {
                    return false;
                }
                mBuilder.PutByte(static_cast<std::uint8_t>(lByte));
            } else {
                return false;
            }
        }
        return Expect('"') && mBuilder.SetCount(lLengthAt, mBuilder.GetSize() - lStart);
    }

    bool ParseBytes()
    {
        ++mAt;
        if (!Expect('"')) {
            return false;
        }
        mBuilder.PutByte(KRyvFieldValue::kBytes);
        const std::size_t lLengthAt = mBuilder.PutCount();
        const std::size_t lStart = mBuilder.GetSize();
        while (mAt != mEnd && *mAt != '"') {
            int lByte = 0;
            if (!ReadHexByte(lByte)) {
                return false;
            }
            mBuilder.PutByte(static_cast<std::uint8_t>(lByte));
        }
        return Expect('"') && mBuilder.SetCount(lLengthAt, mBuilder.GetSize() - lStart);
    }

    bool ReadHexByte(int& oByte)
    {
        oByte = 0;
        for (int i = 0; i < 2; ++i) {
            const int lDigit = mAt == mEnd ? -1 : HexDigit(*mAt);
            if (lDigit < 0) {
                return false;
            }
            oByte = oByte * 16 + lDigit;
            ++mAt;
        }
        return true;
    }

    static int HexDigit(char pChar)
    {
        if (pChar >= '0' && pChar <= '9') {
            return pChar - '0';
        }
        return pChar >= 'a' && pChar <= 'f' ? pChar - 'a' + 10 : -1;
    }

    static bool IsSeparator(char pChar)
    {
        return pChar == ',' || pChar == ' ' || pChar == '\t' || pChar == '\n' || pChar == '\r' ||
               pChar == '{' || pChar == '}';
    }

    bool Expect(char pChar)
    {
        if (mAt == mEnd || *mAt != pChar) {
            return false;
        }
        ++mAt;
        return true;
    }

    // Spaces, then the end of the line (or of the text).
    bool EndOfLine()
    {
        SkipSpaces();
        if (mAt == mEnd) {
            return true;
        }
        return *mAt == '\n' ? NewLine() : false;
    }

    bool NewLine()
    {
        ++mAt;
        ++mLine;
        return true;
    }

    void SkipSpaces()
    {
        while (mAt != mEnd && (*mAt == ' ' || *mAt == '\t' || *mAt == '\r')) {
            ++mAt;
        }
    }

    void SkipSpacesAndLines()
    {
        for (SkipSpaces(); mAt != mEnd && *mAt == '\n'; SkipSpaces()) {
            NewLine();
        }
    }

    // Blank lines and comment lines.
    void SkipBlankLines()
    {
        for (;;) {
            SkipSpacesAndLines();
            if (mAt == mEnd || *mAt != ';') {
                return;
            }
            while (mAt != mEnd && *mAt != '\n') {
                ++mAt;
            }
        }
    }

    std::size_t Left() const { return static_cast<std::size_t>(mEnd - mAt); }

    const char* mAt;
    const char* mEnd;
    Builder& mBuilder;
    int mLine = 1;
};

} // namespace

bool KRyvAsciiCodec::Decode(const char* pText, std::size_t pSize, KRyvBytes& oRecords, int& oLine)
{
    oRecords.clear();
    oLine = 0;
    if (!pText && pSize > 0) {
        return false;
    }
    // The first pass sizes the records (and finds any fault of structure), the second converts
    // the numbers into a buffer of exactly that size.
    Builder lMeasure(nullptr);
    Parser lSizing(pText, pSize, lMeasure);
    if (!lSizing.ParseRecords(1)) {
        oLine = lSizing.GetLine();
        return false;
    }
    // Sized without zeroing: every byte is written by the second pass.
    oRecords.resize(lMeasure.GetSize());
    Builder lBuilder(&oRecords);
    Parser lParser(pText, pSize, lBuilder);
    if (!lParser.ParseRecords(1) || !lBuilder.IsWhole()) {
        oLine = lParser.GetLine();
        KRyvBytes().swap(oRecords);
        return false;
    }
    return true;
}
