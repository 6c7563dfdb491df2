#include "formats/geometry/obj/KObjTextReader.h"

#include <charconv>
#include <cmath>
#include <cstring>

KObjTextReader::KObjTextReader(std::FILE* pStream) : mStream(pStream) {}

void KObjTextReader::Rewind()
{
    if (mStream) {
        std::clearerr(mStream);
        std::fseek(mStream, 0, SEEK_SET);
    }
    mPosition = mSize = 0;
    mEnd = mReadError = false;
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

bool KObjTextReader::ReadPhysicalLine(std::string& ioLine)
{
    if (mPosition == mSize && !Fill()) {
        return false;
    }
    ++mLine;
    for (;;) {
        const char* lStart = mBuffer + mPosition;
        const char* lStop = mBuffer + mSize;
        const void* lNewLine = std::memchr(lStart, '\n', static_cast<std::size_t>(lStop - lStart));
        const char* lChar = lNewLine ? static_cast<const char*>(lNewLine) : lStop;
        if (const void* lReturn =
                std::memchr(lStart, '\r', static_cast<std::size_t>(lChar - lStart))) {
            lChar = static_cast<const char*>(lReturn);
        }
        if (!mZeroByte && std::memchr(lStart, 0, static_cast<std::size_t>(lChar - lStart))) {
            mZeroByte = true;
        }
        ioLine.append(lStart, static_cast<std::size_t>(lChar - lStart));
        mPosition = static_cast<std::size_t>(lChar - mBuffer);
        if (lChar != lStop) {
            ++mPosition;
            // A CR followed by LF is one line end, even when the LF is in the next block.
            if (*lChar == '\r' && (mPosition < mSize || Fill()) && mBuffer[mPosition] == '\n') {
                ++mPosition;
            }
            return true;
        }
        if (!Fill()) {
            return true;
        }
    }
}

bool KObjTextReader::Next()
{
    mKeyword = mArguments = std::string_view();
    for (;;) {
        mLineText.clear();
        if (!ReadPhysicalLine(mLineText)) {
            return false;
        }
        std::string_view lText = Trim(mLineText);
        if (lText.empty()) {
            continue;
        }
        mStatementLine = mLine;
        std::size_t lKeywordEnd = 0;
        while (lKeywordEnd < lText.size() && !IsSpace(lText[lKeywordEnd])) {
            ++lKeywordEnd;
        }
        const std::size_t lKeywordStart = static_cast<std::size_t>(lText.data() - mLineText.data());
        std::size_t lArgumentStart = lKeywordStart + lKeywordEnd;
        // The argument text is joined with the following lines while it ends in a backslash;
        // each round consumes a line, so the loop ends with the stream.
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
            if (!ReadPhysicalLine(mLineText)) {
                break;
            }
        }
        const std::string_view lLine(mLineText);
        mKeyword = lLine.substr(lKeywordStart, lKeywordEnd);
        mArguments = Trim(lLine.substr(lArgumentStart));
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
    std::string_view lWord;
    while (lCount < pMax && NextWord(pText, lWord)) {
        std::size_t lEnd = 0;
        if (!ParseDouble(lWord, oValues[lCount], &lEnd)) {
            break;
        }
        ++lCount;
        if (lEnd != lWord.size()) {
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
