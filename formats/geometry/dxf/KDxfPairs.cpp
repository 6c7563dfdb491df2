#include "formats/geometry/dxf/KDxfPairs.h"

#include <charconv>
#include <cmath>
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

// The next line of pText from ioAt, without its end; false at the end of the text.
bool NextLine(const std::string& pText, std::size_t& ioAt, std::string_view& oLine)
{
    if (ioAt >= pText.size()) {
        return false;
    }
    std::size_t lEnd = ioAt;
    while (lEnd < pText.size() && pText[lEnd] != '\n' && pText[lEnd] != '\r') {
        ++lEnd;
    }
    oLine = std::string_view(pText.data() + ioAt, lEnd - ioAt);
    if (lEnd < pText.size() && pText[lEnd] == '\r' && lEnd + 1 < pText.size() &&
        pText[lEnd + 1] == '\n') {
        ++lEnd;
    }
    ioAt = lEnd + 1;
    return true;
}

} // namespace

bool KDxfPairs::Read(std::FILE* pStream)
{
    std::string lText;
    char lBlock[kReadBlock];
    for (;;) {
        const std::size_t lRead = std::fread(lBlock, 1, sizeof(lBlock), pStream);
        lText.append(lBlock, lRead);
        if (lRead < sizeof(lBlock)) {
            break;
        }
    }
    if (std::ferror(pStream)) {
        mPairs.clear();
        return Fail(0, "the file could not be read");
    }
    return Parse(std::move(lText));
}

bool KDxfPairs::Parse(std::string pText)
{
    mText = std::move(pText);
    mPairs.clear();
    mReason.clear();
    if (std::memchr(mText.data(), '\0', mText.size())) {
        // Binary DXF files hold zero bytes too: they are not read.
        return Fail(1, "the file holds a zero byte: it is not an ASCII DXF file");
    }
    return Split();
}

bool KDxfPairs::Split()
{
    std::size_t lAt = 0;
    long long lLine = 0;
    std::string_view lCodeLine;
    // Groups are rarely shorter than eight bytes: one allocation serves nearly every file.
    mPairs.reserve(mText.size() / 8);
    while (NextLine(mText, lAt, lCodeLine)) {
        ++lLine;
        KDxfPair lPair;
        lPair.mLine = lLine;
        const std::string_view lCode = Trim(lCodeLine);
        const std::from_chars_result lParsed =
            std::from_chars(lCode.data(), lCode.data() + lCode.size(), lPair.mCode);
        if (lCode.empty() || lParsed.ec != std::errc() ||
            lParsed.ptr != lCode.data() + lCode.size()) {
            // Blank lines after the last group are harmless.
            if (lCode.empty() && mText.find_first_not_of(" \t\v\f\r\n", lAt) == std::string::npos) {
                return true;
            }
            mPairs.clear();
            return Fail(lLine, "group code is not a number");
        }
        std::string_view lValue;
        if (!NextLine(mText, lAt, lValue)) {
            mPairs.clear();
            return Fail(lLine, "group code without a value");
        }
        ++lLine;
        lPair.mValue = Trim(lValue);
        mPairs.push_back(lPair);
    }
    return true;
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
