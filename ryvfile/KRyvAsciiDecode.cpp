#include "ryvfile/KRyvAsciiCodec.h"

#include <charconv>
#include <cstdint>
#include <algorithm>
#include <system_error>

namespace {

// The reading side of the ASCII form. Every step checks the end of the text first and moves
// forward by at least one character when it succeeds, so no input can stall it.
class Parser
{
public:
    Parser(const char* pText, std::size_t pSize) : mAt(pText), mEnd(pText + pSize) {}

    int GetLine() const { return mLine; }

    // Records until the end of the text (pDepth 1) or a closing brace (deeper).
    bool ParseRecords(KRyvFieldRecord& ioParent, int pDepth)
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
            if (pDepth > KRyvFieldRecord::kMaxDepth ||
                !ParseRecord(*ioParent.AddChild(std::string()), pDepth)) {
                return false;
            }
        }
    }

private:
    bool ParseRecord(KRyvFieldRecord& ioRecord, int pDepth)
    {
        const char* lName = mAt;
        while (mAt != mEnd && *mAt != ':' && *mAt != '\n') {
            ++mAt;
        }
        ioRecord.SetName(std::string(lName, mAt));
        if (mAt == mEnd || *mAt != ':' || !KRyvFieldRecord::IsValidName(ioRecord.GetName())) {
            return false;
        }
        ++mAt;
        for (bool lFirst = true;; lFirst = false) {
            SkipSpaces();
            if (mAt == mEnd || *mAt == '\n') {
                return EndOfLine();
            }
            if (*mAt == '{') {
                ++mAt;
                return EndOfLine() && ParseRecords(ioRecord, pDepth + 1);
            }
            if (!lFirst && !Expect(',')) {
                return false;
            }
            SkipSpaces();
            if (!ParseValue(ioRecord)) {
                return false;
            }
        }
    }

    bool ParseValue(KRyvFieldRecord& ioRecord)
    {
        if (mAt == mEnd) {
            return false;
        }
        switch (*mAt) {
        case 'T':
        case 'F':
            ioRecord.AddValue(*mAt++ == 'T');
            return true;
        case '"':
            return ParseText(ioRecord);
        case 'x':
            return ParseBytes(ioRecord);
        default:
            break;
        }
        // An array letter is followed by its count in brackets; "inff" is a number.
        const bool lArray = Left() > 1 && mAt[1] == '[';
        switch (lArray ? *mAt : '\0') {
        case 'i':
            return ParseArray<std::int32_t>(ioRecord);
        case 'l':
            return ParseArray<std::int64_t>(ioRecord);
        case 'f':
            return ParseArray<float>(ioRecord);
        case 'd':
            return ParseArray<double>(ioRecord);
        default:
            return ParseScalar(ioRecord);
        }
    }

    // A number token ends at a separator; its last character tells its kind.
    bool ParseScalar(KRyvFieldRecord& ioRecord)
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
            return AddNumber<std::int64_t>(ioRecord, lFirst, lLast);
        case 'f':
            return AddNumber<float>(ioRecord, lFirst, lLast);
        case 'd':
            return AddNumber<double>(ioRecord, lFirst, lLast);
        default:
            return AddNumber<std::int32_t>(ioRecord, lFirst, lLast);
        }
    }

    template <typename T>
    static bool ReadNumber(const char* pFirst, const char* pLast, T& oValue)
    {
        if (pFirst == pLast) {
            return false;
        }
        const std::from_chars_result lResult = std::from_chars(pFirst, pLast, oValue);
        return lResult.ec == std::errc() && lResult.ptr == pLast;
    }

    template <typename T> bool AddNumber(KRyvFieldRecord& ioRecord, const char* pFirst, const char* pLast)
    {
        T lValue{};
        if (!ReadNumber(pFirst, pLast, lValue)) {
            return false;
        }
        ioRecord.AddValue(lValue);
        return true;
    }

    template <typename T> bool ParseArray(KRyvFieldRecord& ioRecord)
    {
        ++mAt;
        std::uint64_t lCount = 0;
        if (!Expect('[') || !ReadToken(']', lCount) || !Expect('{')) {
            return false;
        }
        std::vector<T> lArray;
        // Every element takes at least two characters, so a stated count cannot size more than
        // the text could hold.
        lArray.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(lCount, Left() / 2 + 1)));
        SkipSpacesAndLines();
        while (mAt != mEnd && *mAt != '}') {
            if (!lArray.empty() && !Expect(',')) {
                return false;
            }
            SkipSpacesAndLines();
            const char* lFirst = mAt;
            while (mAt != mEnd && !IsSeparator(*mAt)) {
                ++mAt;
            }
            T lValue{};
            if (!ReadNumber(lFirst, mAt, lValue)) {
                return false;
            }
            lArray.push_back(lValue);
            SkipSpacesAndLines();
        }
        if (!Expect('}') || lArray.size() != lCount) {
            return false;
        }
        ioRecord.AddValue(std::move(lArray));
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

    bool ParseText(KRyvFieldRecord& ioRecord)
    {
        ++mAt;
        std::string lText;
        while (mAt != mEnd && *mAt != '"' && *mAt != '\n') {
            if (*mAt != '\\') {
                lText += *mAt++;
                continue;
            }
            ++mAt;
            if (mAt != mEnd && (*mAt == '"' || *mAt == '\\')) {
                lText += *mAt++;
            } else if (mAt != mEnd && *mAt == 'x') {
                ++mAt;
                int lByte = 0;
                if (!ReadHexByte(lByte)) {
                    return false;
                }
                lText += static_cast<char>(lByte);
            } else {
                return false;
            }
        }
        if (!Expect('"')) {
            return false;
        }
        ioRecord.AddValue(std::move(lText));
        return true;
    }

    bool ParseBytes(KRyvFieldRecord& ioRecord)
    {
        ++mAt;
        if (!Expect('"')) {
            return false;
        }
        std::vector<std::uint8_t> lBytes;
        while (mAt != mEnd && *mAt != '"') {
            int lByte = 0;
            if (!ReadHexByte(lByte)) {
                return false;
            }
            lBytes.push_back(static_cast<std::uint8_t>(lByte));
        }
        if (!Expect('"')) {
            return false;
        }
        ioRecord.AddValue(std::move(lBytes));
        return true;
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
    int mLine = 1;
};

} // namespace

bool KRyvAsciiCodec::Decode(const char* pText, std::size_t pSize, KRyvFieldRecord& oRoot, int& oLine)
{
    oRoot = KRyvFieldRecord();
    oLine = 0;
    if (!pText && pSize > 0) {
        return false;
    }
    Parser lParser(pText, pSize);
    if (!lParser.ParseRecords(oRoot, 1)) {
        oLine = lParser.GetLine();
        oRoot = KRyvFieldRecord();
        return false;
    }
    return true;
}
