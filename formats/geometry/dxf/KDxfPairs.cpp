#include "formats/geometry/dxf/KDxfPairs.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

constexpr std::size_t kReadBlock = 1 << 16;

bool IsBlank(char pChar)
{
    return pChar == ' ' || pChar == '\t' || pChar == '\v' || pChar == '\f';
}

std::string_view Trim(std::string_view pText)
{
    std::size_t lFirst = 0;
    std::size_t lLast = pText.size();
    while (lFirst < lLast && IsBlank(pText[lFirst])) {
        ++lFirst;
    }
    while (lLast > lFirst && IsBlank(pText[lLast - 1])) {
        --lLast;
    }
    return pText.substr(lFirst, lLast - lFirst);
}

// The first LF or CR at or after pAt, or pStop. Lines are short, so eight bytes are looked at
// together: one step finds most line ends.
const char* FindLineEnd(const char* pAt, const char* pStop)
{
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    constexpr std::uint64_t kHighs = 0x8080808080808080ull;
    for (; pStop - pAt >= 8; pAt += 8) {
        std::uint64_t lWord = 0;
        std::memcpy(&lWord, pAt, sizeof(lWord));
        const std::uint64_t lLf = lWord ^ (kOnes * '\n');
        const std::uint64_t lCr = lWord ^ (kOnes * '\r');
        // A byte's high bit is set where it was zero; bits above the first may be set falsely,
        // the lowest never is.
        const std::uint64_t lFound =
            ((lLf - kOnes) & ~lLf & kHighs) | ((lCr - kOnes) & ~lCr & kHighs);
        if (lFound != 0) {
            return pAt + (__builtin_ctzll(lFound) >> 3);
        }
    }
    while (pAt < pStop && *pAt != '\n' && *pAt != '\r') {
        ++pAt;
    }
    return pAt;
}

// The line of pText at ioAt (before the text's end), trimmed and without its end; ioAt moves
// past the line's end, or past the text's end for a last line without one.
std::string_view TakeLine(const std::string& pText, std::size_t& ioAt)
{
    const char* const lBegin = pText.data() + ioAt;
    const char* const lStop = pText.data() + pText.size();
    const char* lEnd = FindLineEnd(lBegin, lStop);
    const std::string_view lLine(lBegin, static_cast<std::size_t>(lEnd - lBegin));
    if (lEnd < lStop && *lEnd == '\r' && lEnd + 1 < lStop && lEnd[1] == '\n') {
        ++lEnd;
    }
    ioAt = static_cast<std::size_t>(lEnd - pText.data()) + 1;
    return Trim(lLine);
}

// A group code: a whole decimal number that fits in an int.
bool ParseCode(std::string_view pText, int& oValue)
{
    // Nearly every code has a few digits: those are read here, the rest by from_chars.
    constexpr std::size_t kShortDigits = 9;
    const bool lNegative = !pText.empty() && pText[0] == '-';
    const std::size_t lFirst = lNegative ? 1 : 0;
    if (pText.size() > lFirst && pText.size() - lFirst <= kShortDigits) {
        int lValue = 0;
        std::size_t i = lFirst;
        for (; i < pText.size() && pText[i] >= '0' && pText[i] <= '9'; ++i) {
            lValue = lValue * 10 + (pText[i] - '0');
        }
        if (i == pText.size()) {
            oValue = lNegative ? -lValue : lValue;
            return true;
        }
    }
    const char* const lEnd = pText.data() + pText.size();
    const std::from_chars_result lParsed = std::from_chars(pText.data(), lEnd, oValue);
    return !pText.empty() && lParsed.ec == std::errc() && lParsed.ptr == lEnd;
}

// The code line at ioAt (before the text's end), trimmed, in oLine: true with its number in
// oCode when it is a whole decimal number that fits in an int. ioAt moves as TakeLine moves it.
bool TakeCode(const std::string& pText, std::size_t& ioAt, int& oCode, std::string_view& oLine)
{
    // Most code lines are a few spaces and digits: those are read as their end is looked for.
    constexpr long kShortDigits = 9;
    const char* const lStop = pText.data() + pText.size();
    const char* lAt = pText.data() + ioAt;
    while (lAt < lStop && *lAt == ' ') {
        ++lAt;
    }
    const char* const lDigits = lAt;
    int lValue = 0;
    while (lAt < lStop && lAt - lDigits < kShortDigits && *lAt >= '0' && *lAt <= '9') {
        lValue = lValue * 10 + (*lAt - '0');
        ++lAt;
    }
    if (lAt > lDigits && lAt < lStop && (*lAt == '\n' || *lAt == '\r')) {
        oLine = std::string_view(lDigits, static_cast<std::size_t>(lAt - lDigits));
        if (*lAt == '\r' && lAt + 1 < lStop && lAt[1] == '\n') {
            ++lAt;
        }
        ioAt = static_cast<std::size_t>(lAt - pText.data()) + 1;
        oCode = lValue;
        return true;
    }
    oLine = TakeLine(pText, ioAt);
    return ParseCode(oLine, oCode);
}

} // namespace

bool KDxfPairs::Read(std::FILE* pStream)
{
    std::string lText;
    // Sized once where the stream can tell its length, so the text is never copied as it grows.
    const long lStart = std::ftell(pStream);
    if (lStart >= 0 && std::fseek(pStream, 0, SEEK_END) == 0) {
        const long lEnd = std::ftell(pStream);
        if (std::fseek(pStream, lStart, SEEK_SET) != 0) {
            return Fail(0, "the file could not be read");
        }
        if (lEnd > lStart) {
            lText.reserve(static_cast<std::size_t>(lEnd - lStart));
        }
    }
    char lBlock[kReadBlock];
    for (;;) {
        const std::size_t lRead = std::fread(lBlock, 1, sizeof(lBlock), pStream);
        lText.append(lBlock, lRead);
        if (lRead < sizeof(lBlock)) {
            break;
        }
    }
    if (std::ferror(pStream)) {
        mText.clear();
        mEnd = mCount = 0;
        return Fail(0, "the file could not be read");
    }
    return Parse(std::move(lText));
}

bool KDxfPairs::Parse(std::string pText)
{
    mText = std::move(pText);
    mEnd = mCount = 0;
    mSectionEnds.clear();
    mAllSectionEnds = true;
    mReason.clear();
    if (std::memchr(mText.data(), '\0', mText.size())) {
        // Binary DXF files hold zero bytes too: they are not read.
        return Fail(1, "the file holds a zero byte: it is not an ASCII DXF file");
    }
    if (!Check()) {
        mEnd = mCount = 0;
        return false;
    }
    return true;
}

bool KDxfPairs::Check()
{
    std::size_t lAt = 0;
    long long lLine = 0;
    while (lAt < mText.size()) {
        const std::size_t lGroup = lAt;
        ++lLine;
        std::string_view lCode;
        int lNumber = 0;
        if (!TakeCode(mText, lAt, lNumber, lCode)) {
            // Blank lines after the last group are harmless.
            if (lCode.empty() && mText.find_first_not_of(" \t\v\f\r\n", lAt) == std::string::npos) {
                mEnd = lGroup;
                return true;
            }
            return Fail(lLine, "group code is not a number");
        }
        if (lAt >= mText.size()) {
            return Fail(lLine, "group code without a value");
        }
        const std::string_view lValue = TakeLine(mText, lAt);
        if (lNumber == 0 && lValue == "ENDSEC") {
            NoteSectionEnd(lGroup, lLine);
        }
        ++lLine;
        ++mCount;
    }
    mEnd = mText.size();
    return true;
}

KDxfPair KDxfPairs::First() const
{
    KDxfPair lPair;
    lPair.mLine = -1;
    Next(lPair);
    return lPair;
}

void KDxfPairs::Next(KDxfPair& ioPair) const
{
    if (ioPair.IsEnd()) {
        return;
    }
    std::size_t lAt = ioPair.mNext;
    if (lAt >= mEnd) {
        ioPair = KDxfPair();
        return;
    }
    // Check accepted every code line before mEnd, each with its value line.
    std::string_view lCode;
    TakeCode(mText, lAt, ioPair.mCode, lCode);
    ioPair.mValue = TakeLine(mText, lAt);
    ioPair.mLine += 2;
    ioPair.mNext = lAt;
}

void KDxfPairs::NoteSectionEnd(std::size_t pAt, long long pLine)
{
    if (mSectionEnds.size() < kMaxSectionEnds) {
        mSectionEnds.push_back({pAt, pLine});
    } else {
        mAllSectionEnds = false;
    }
}

void KDxfPairs::ToSectionEnd(KDxfPair& ioPair) const
{
    if (!mAllSectionEnds) {
        while (!ioPair.IsEnd() && !(ioPair.mCode == 0 && ioPair.mValue == "ENDSEC")) {
            Next(ioPair);
        }
        return;
    }
    if (ioPair.IsEnd()) {
        return;
    }
    const auto lFound =
        std::lower_bound(mSectionEnds.begin(), mSectionEnds.end(), ioPair.mLine,
                         [](const Mark& pMark, long long pLine) { return pMark.mLine < pLine; });
    if (lFound == mSectionEnds.end()) {
        ioPair = KDxfPair();
        return;
    }
    // Next reads the group that starts where the pair before it ends.
    ioPair.mNext = lFound->mAt;
    ioPair.mLine = lFound->mLine - 2;
    Next(ioPair);
}

bool KDxfPairs::Fail(long long pLine, const char* pWhy)
{
    mReason = std::to_string(pLine) + ": " + pWhy;
    return false;
}

bool KDxfPairs::ToDouble(std::string_view pValue, double& oValue)
{
    std::size_t lSkip = !pValue.empty() && pValue[0] == '+' ? 1 : 0;
    const char* lFirst = pValue.data() + lSkip;
    const std::from_chars_result lParsed =
        std::from_chars(lFirst, pValue.data() + pValue.size(), oValue);
    return lParsed.ec == std::errc() && lParsed.ptr != lFirst && std::isfinite(oValue);
}

bool KDxfPairs::ToInt(std::string_view pValue, int& oValue)
{
    std::size_t lSkip = !pValue.empty() && pValue[0] == '+' ? 1 : 0;
    const char* lFirst = pValue.data() + lSkip;
    const std::from_chars_result lParsed =
        std::from_chars(lFirst, pValue.data() + pValue.size(), oValue);
    return lParsed.ec == std::errc() && lParsed.ptr != lFirst;
}
