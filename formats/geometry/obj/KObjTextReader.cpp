#include "formats/geometry/obj/KObjTextReader.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

KObjTextReader::KObjTextReader(std::FILE* pStream) : mStream(pStream) {}

void KObjTextReader::Rewind()
{
    if (mStream) {
        std::clearerr(mStream);
        std::fseek(mStream, 0, SEEK_SET);
    }
    mPosition = mSize = 0;
    mEnd = mReadError = mAfterReturn = false;
    mLine = mStatementLine = 0;
    mKeyword = mArguments = std::string_view();
}

bool KObjTextReader::Fill()
{
    if (mEnd || !mStream) {
        mEnd = true;
        return false;
    }
    mPosition = 0;
    mSize = std::fread(mBuffer, 1, sizeof(mBuffer), mStream);
    if (mSize == 0) {
        mEnd = true;
        mReadError = std::ferror(mStream) != 0;
        return false;
    }
    return true;
}

namespace {

// The first line end (CR or LF) or zero byte from pChar on; pEnd when there is none. Eight
// bytes are tested at once for one below 14, the only ones that can be of interest.
const char* FindLineBreak(const char* pChar, const char* pEnd)
{
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    for (;;) {
        while (pEnd - pChar >= 8) {
            std::uint64_t lWord;
            std::memcpy(&lWord, pChar, 8);
            if ((lWord - kOnes * 14) & ~lWord & (kOnes * 0x80)) {
                break;
            }
            pChar += 8;
        }
        const char* lStop = pEnd - pChar >= 8 ? pChar + 8 : pEnd;
        for (; pChar != lStop; ++pChar) {
            const unsigned char lChar = static_cast<unsigned char>(*pChar);
            if (lChar == '\n' || lChar == '\r' || lChar == 0) {
                return pChar;
            }
        }
        if (pChar == pEnd) {
            return pEnd;
        }
    }
}

} // namespace

bool KObjTextReader::ReadPhysicalLine(std::string_view& oLine)
{
    if (mPosition == mSize && !Fill()) {
        return false;
    }
    // A CR followed by LF is one line end, even when the LF is in the next block.
    if (mAfterReturn) {
        mAfterReturn = false;
        if (mBuffer[mPosition] == '\n' && ++mPosition == mSize && !Fill()) {
            return false;
        }
    }
    ++mLine;
    bool lSpilled = false;
    for (;;) {
        const char* lStart = mBuffer + mPosition;
        const char* lStop = mBuffer + mSize;
        const char* lChar = FindLineBreak(lStart, lStop);
        while (lChar != lStop && *lChar == 0) {
            mZeroByte = true;
            lChar = FindLineBreak(lChar + 1, lStop);
        }
        const std::size_t lLength = static_cast<std::size_t>(lChar - lStart);
        mPosition = static_cast<std::size_t>(lChar - mBuffer);
        if (lChar != lStop) {
            ++mPosition;
            mAfterReturn = *lChar == '\r';
            if (lSpilled) {
                mSpill.append(lStart, lLength);
                oLine = mSpill;
            } else {
                oLine = std::string_view(lStart, lLength);
            }
            return true;
        }
        // The line runs on into the next block, which overwrites this one.
        if (lSpilled) {
            mSpill.append(lStart, lLength);
        } else {
            mSpill.assign(lStart, lLength);
            lSpilled = true;
        }
        if (!Fill()) {
            oLine = mSpill;
            return true;
        }
    }
}

bool KObjTextReader::Next()
{
    mKeyword = mArguments = std::string_view();
    std::string_view lLine;
    for (;;) {
        if (!ReadPhysicalLine(lLine)) {
            return false;
        }
        const std::string_view lText = Trim(lLine);
        if (lText.empty()) {
            continue;
        }
        mStatementLine = mLine;
        std::size_t lKeywordEnd = 0;
        while (lKeywordEnd < lText.size() && !IsSpace(lText[lKeywordEnd])) {
            ++lKeywordEnd;
        }
        if (lText.back() != '\\' || lKeywordEnd == lText.size()) {
            mKeyword = lText.substr(0, lKeywordEnd);
            mArguments = Trim(lText.substr(lKeywordEnd));
            return true;
        }
        // The argument text is joined with the following lines while it ends in a backslash;
        // each round consumes a line, so the loop ends with the stream.
        mLineText.assign(lText);
        const std::size_t lArgumentStart = lKeywordEnd;
        for (;;) {
            std::size_t lLast = mLineText.size();
            while (lLast > lArgumentStart && IsSpace(mLineText[lLast - 1])) {
                --lLast;
            }
            if (lLast == lArgumentStart || mLineText[lLast - 1] != '\\') {
                break;
            }
            mLineText.resize(lLast);
            mLineText.back() = ' ';
            if (!ReadPhysicalLine(lLine)) {
                break;
            }
            mLineText.append(lLine);
        }
        const std::string_view lJoined(mLineText);
        mKeyword = lJoined.substr(0, lKeywordEnd);
        mArguments = Trim(lJoined.substr(lArgumentStart));
        return true;
    }
}

std::string_view KObjTextReader::Trim(std::string_view pText)
{
    std::size_t lFirst = 0;
    while (lFirst < pText.size() && IsSpace(pText[lFirst])) {
        ++lFirst;
    }
    std::size_t lLast = pText.size();
    while (lLast > lFirst && IsSpace(pText[lLast - 1])) {
        --lLast;
    }
    return pText.substr(lFirst, lLast - lFirst);
}

bool KObjTextReader::ParseDouble(std::string_view pText, double& oValue, std::size_t* oEnd)
{
    std::size_t lSkip = 0;
    if (!pText.empty() && pText[0] == '+') {
        lSkip = 1;
        if (pText.size() > 1 && pText[1] == '-') {
            return false;
        }
    }
    const char* lFirst = pText.data() + lSkip;
    const char* lLast = pText.data() + pText.size();
    const std::from_chars_result lResult = std::from_chars(lFirst, lLast, oValue);
    if (lResult.ec == std::errc::result_out_of_range && lResult.ptr != lFirst) {
        // Too large or too small for a double: the runtime's input gives infinity or 0.
        double lSign = *lFirst == '-' ? -1.0 : 1.0;
        const std::string_view lDigits(lFirst, static_cast<std::size_t>(lResult.ptr - lFirst));
        const std::size_t lExponent = lDigits.find_first_of("eE");
        const bool lTiny = lExponent != std::string_view::npos && lExponent + 1 < lDigits.size() &&
                           lDigits[lExponent + 1] == '-';
        oValue = lTiny ? 0.0 * lSign : lSign * HUGE_VAL;
    } else if (lResult.ec != std::errc()) {
        return false;
    }
    if (oEnd) {
        *oEnd = static_cast<std::size_t>(lResult.ptr - pText.data());
    }
    return true;
}

int KObjTextReader::ParseDoubles(std::string_view pText, double* oValues, int pMax)
{
    int lCount = 0;
    std::size_t lPosition = 0;
    // No number spans white space, so each is converted in place, without splitting words.
    while (lCount < pMax) {
        while (lPosition < pText.size() && IsSpace(pText[lPosition])) {
            ++lPosition;
        }
        std::size_t lEnd = 0;
        if (lPosition == pText.size() ||
            !ParseDouble(pText.substr(lPosition), oValues[lCount], &lEnd)) {
            break;
        }
        ++lCount;
        lPosition += lEnd;
        if (lPosition < pText.size() && !IsSpace(pText[lPosition])) {
            break;
        }
    }
    return lCount;
}

bool KObjTextReader::ParseExactDoubles(std::string_view pText, double* oValues, int pCount)
{
    std::string_view lWord;
    for (int i = 0; i < pCount; ++i) {
        std::size_t lEnd = 0;
        if (!NextWord(pText, lWord) || !ParseDouble(lWord, oValues[i], &lEnd) ||
            lEnd != lWord.size()) {
            return false;
        }
    }
    return !NextWord(pText, lWord);
}

bool KObjTextReader::NextEscapedWord(std::string_view& ioText, std::string& oWord,
                                     std::string_view* oRaw)
{
    std::size_t lAt = 0;
    while (lAt < ioText.size() && IsSpace(ioText[lAt])) {
        ++lAt;
    }
    const std::size_t lStart = lAt;
    oWord.clear();
    while (lAt < ioText.size() && !IsSpace(ioText[lAt])) {
        if (ioText[lAt] == '\\' && lAt + 1 < ioText.size()) {
            ++lAt;
        }
        oWord += ioText[lAt++];
    }
    if (oRaw) {
        *oRaw = ioText.substr(lStart, lAt - lStart);
    }
    ioText.remove_prefix(lAt);
    return !oWord.empty();
}
