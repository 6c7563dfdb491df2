#include "formats/motion/KTextFile.h"

#include "core/KQuotedValue.h"
#include "formats/motion/KMotionNumber.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

// Bytes read from the file at a time.
constexpr std::size_t kChunkSize = 256u * 1024u;

void FillSet(bool pSet[256], const char* pCharacters)
{
    std::memset(pSet, 0, 256 * sizeof(bool));
    for (const char* lPos = pCharacters; lPos != nullptr && *lPos != '\0'; ++lPos) {
        pSet[static_cast<unsigned char>(*lPos)] = true;
    }
}

bool IsWhite(char pChar)
{
    return pChar == ' ' || pChar == '\t' || pChar == '\r' || pChar == '\n';
}

char LowerAscii(char pChar)
{
    return pChar >= 'A' && pChar <= 'Z' ? static_cast<char>(pChar - 'A' + 'a') : pChar;
}

// True when [pText, pText + pLength) starts with pWord, ignoring ASCII case.
bool StartsWithNoCase(const char* pText, std::size_t pLength, const char* pWord)
{
    std::size_t i = 0;
    for (; pWord[i] != '\0'; ++i) {
        if (i >= pLength || LowerAscii(pText[i]) != LowerAscii(pWord[i])) {
            return false;
        }
    }
    return true;
}

int Sign(int pValue)
{
    return pValue < 0 ? -1 : (pValue > 0 ? 1 : 0);
}

} // namespace

KTextFile::KTextFile(const char* pFormatName, const char* pSeparators,
                     const char* pCommentCharacters, bool pCaseSensitive, bool pReporting)
    : mFormatName(pFormatName ? pFormatName : ""), mSeparators(pSeparators),
      mCaseSensitive(pCaseSensitive), mReporting(pReporting)
{
    FillSet(mSeparatorSet, pSeparators);
    FillSet(mTerminatorSet, pSeparators);
    FillSet(mCommentSet, pCommentCharacters);
}

KTextFile::~KTextFile()
{
    static_cast<void>(Close());
}

bool KTextFile::Open(const char* pPath, const char* pMode)
{
    if (mFile != nullptr) {
        static_cast<void>(Close());
    }
    mLineNumber = 0;
    mAtEnd = true;
    mWriteFailed = false;
    mCorrupt = false;
    mLastError.clear();
    if (pPath == nullptr || pMode == nullptr) {
        return false;
    }
    const char* lSlash = std::strrchr(pPath, '/');
    mFileName = lSlash ? lSlash + 1 : pPath;
    bool lWriting;
    if (std::strcmp(pMode, "r") == 0 || std::strcmp(pMode, "rb") == 0) {
        lWriting = false;
    } else if (std::strcmp(pMode, "w") == 0 || std::strcmp(pMode, "wb") == 0) {
        lWriting = true;
    } else {
        Error("unknown open mode \"%s\"", pMode);
        return false;
    }
    if (!lWriting) {
        auto lSource = std::make_unique<KByteSource>();
        if (!lSource->OpenFile(pPath, true)) {
            Error("cannot open for reading: %s", lSource->GetReason().c_str());
            return false;
        }
        return Open(std::move(lSource));
    }
    // Binary: lines end in LF on every platform.
    mFile = mOutput.Create(pPath) ? mOutput.GetStream() : nullptr;
    if (mFile == nullptr) {
        Error("cannot open for writing: %s", std::strerror(errno));
        return false;
    }
    mWriting = true;
    mAtEnd = false;
    return true;
}

bool KTextFile::Open(std::unique_ptr<KByteSource> pSource)
{
    if (mFile != nullptr) {
        static_cast<void>(Close());
    }
    mLineNumber = 0;
    mAtEnd = true;
    mWriteFailed = false;
    mCorrupt = false;
    mLastError.clear();
    if (!pSource || !pSource->IsOpen()) {
        return false;
    }
    mSource = std::move(pSource);
    const std::string& lName = mSource->GetName();
    mFileName = lName.substr(lName.rfind('/') + 1);
    mFile = mSource->GetStream();
    mFileSize = mSource->GetSize();
    mWriting = false;
    mAtEnd = false;
    // Reading handles every line ending itself.
    ResetReadState();
    ReadLine();
    return true;
}

bool KTextFile::Close()
{
    bool lFailed = mFile == nullptr;
    if (mFile != nullptr) {
        if (mWriting) {
            if (!mWriteFailed && std::fflush(mFile) != 0) {
                mWriteFailed = true;
                Error("write failed: %s", std::strerror(errno));
            }
            lFailed = mWriteFailed;
        }
        if (mSource) {
            mSource.reset();
        } else if (lFailed) {
            mOutput.Discard();
        } else if (!mOutput.Commit()) {
            Error("write failed on close: %s", std::strerror(errno));
            lFailed = true;
        }
        mFile = nullptr;
    }
    mWriting = false;
    mLineNumber = 0;
    mAtEnd = true;
    mLine.clear();
    mCursor = 0;
    mChunk.clear();
    mChunk.shrink_to_fit();
    mChunkPos = mChunkEnd = 0;
    return !lFailed;
}

void KTextFile::Discard()
{
    if (mWriting) {
        mOutput.Discard();
        mFile = nullptr;
    }
    static_cast<void>(Close());
}

void KTextFile::ResetReadState()
{
    // No larger than the source: a small file is not read through a quarter megabyte of zeros.
    mChunk.resize(static_cast<std::size_t>(std::min<std::uint64_t>(mFileSize + 1, kChunkSize)));
    mChunkPos = mChunkEnd = 0;
    mChunkOffset = 0;
    mEndOfData = false;
    mLine.clear();
    mCursor = 0;
    mLineNumber = 0;
    mLinesSkipped = false;
    mLineEnded = false;
    mCorrupt = false;
}

bool KTextFile::Rewind()
{
    if (mFile == nullptr || mWriting) {
        return false;
    }
    if (std::fseek(mFile, 0, SEEK_SET) != 0) {
        return false;
    }
    std::clearerr(mFile);
    ResetReadState();
    mAtEnd = false;
    return ReadLine();
}

bool KTextFile::FillChunk()
{
    mChunkOffset += mChunkEnd;
    mChunkPos = mChunkEnd = 0;
    if (mEndOfData) {
        return false;
    }
    const std::size_t lRead = std::fread(mChunk.data(), 1, mChunk.size(), mFile);
    if (lRead == 0) {
        mEndOfData = true;
        if (std::ferror(mFile)) {
            MarkCorrupt("read error");
        }
        return false;
    }
    mChunkEnd = lRead;
    return true;
}

void KTextFile::MarkCorrupt(const char* pWhat)
{
    Error("%s: the file is corrupted", pWhat);
    mCorrupt = true;
}

KTextFile::EPhysical KTextFile::ReadPhysicalLine()
{
    mLine.clear();
    bool lAny = false;
    for (;;) {
        if (mChunkPos == mChunkEnd && !FillChunk()) {
            mLineEnded = false;
            return mCorrupt ? EPhysical::eCorrupt : (lAny ? EPhysical::eLine : EPhysical::eEnd);
        }
        lAny = true;
        const char* lBegin = mChunk.data() + mChunkPos;
        const char* lEnd = mChunk.data() + mChunkEnd;
        const char* lStop = static_cast<const char*>(std::memchr(lBegin, '\n', lEnd - lBegin));
        if (lStop == nullptr) {
            lStop = lEnd;
        }
        if (const void* lCr = std::memchr(lBegin, '\r', lStop - lBegin)) {
            lStop = static_cast<const char*>(lCr);
        }
        const std::size_t lLength = static_cast<std::size_t>(lStop - lBegin);
        if (std::memchr(lBegin, '\0', lLength) != nullptr) {
            ++mLineNumber;
            MarkCorrupt("NUL byte in a text line");
            return EPhysical::eCorrupt;
        }
        if (mLine.size() + lLength > kMaxLineLength) {
            ++mLineNumber;
            MarkCorrupt("line longer than 16 MiB");
            return EPhysical::eCorrupt;
        }
        mLine.append(lBegin, lLength);
        mChunkPos += lLength;
        if (lStop == lEnd) {
            continue;
        }
        ++mChunkPos;
        // CR LF is one line ending, even when the LF starts the next chunk.
        if (*lStop == '\r' && (mChunkPos < mChunkEnd || FillChunk()) && mChunk[mChunkPos] == '\n') {
            ++mChunkPos;
        }
        mLineEnded = true;
        return EPhysical::eLine;
    }
}

bool KTextFile::ReadLine()
{
    mLinesSkipped = false;
    if (mFile == nullptr || mWriting || mCorrupt) {
        mLine.clear();
        mCursor = 0;
        mAtEnd = true;
        return false;
    }
    for (bool lFirst = true;; lFirst = false) {
        const EPhysical lResult = ReadPhysicalLine();
        if (lResult != EPhysical::eLine) {
            mLine.clear();
            mCursor = 0;
            mAtEnd = true;
            return false;
        }
        ++mLineNumber;
        if (!lFirst) {
            mLinesSkipped = true;
        }
        const std::size_t lStart = SkipSeparatorsFrom(0);
        if (lStart < mLine.size() && !mCommentSet[static_cast<unsigned char>(mLine[lStart])]) {
            mCursor = lStart;
            return true;
        }
    }
}

std::string KTextFile::PeekToken() const
{
    // One byte past the quoted length is enough to tell whether the token was cut.
    std::size_t lEnd = mCursor;
    while (lEnd < mLine.size() && lEnd - mCursor <= kMaxQuotedLength && !IsSeparator(mLine[lEnd]) &&
           !IsWhite(mLine[lEnd])) {
        ++lEnd;
    }
    const std::string_view lToken(mLine.data() + mCursor, lEnd - mCursor);
    const std::string_view lPrefix = KValuePrefix(lToken);
    return std::string(lPrefix) + (lPrefix.size() < lToken.size() ? "..." : "");
}

std::uint64_t KTextFile::GetRemainingBytes() const
{
    const std::uint64_t lPosition = mChunkOffset + mChunkPos;
    return mFileSize > lPosition ? mFileSize - lPosition : 0;
}

bool KTextFile::GetChar(char& pChar) const
{
    if (mCursor >= mLine.size()) {
        return false;
    }
    pChar = mLine[mCursor];
    return true;
}

bool KTextFile::ReadChar(char& pChar)
{
    if (!GetChar(pChar)) {
        return false;
    }
    ++mCursor;
    return true;
}

std::size_t KTextFile::SkipSeparatorsFrom(std::size_t pPos) const
{
    while (pPos < mLine.size() && IsSeparator(mLine[pPos])) {
        ++pPos;
    }
    return pPos;
}

void KTextFile::SkipSeparators()
{
    mCursor = SkipSeparatorsFrom(mCursor);
}

const char* KTextFile::SetSeparators(const char* pSeparators)
{
    const char* lPrevious = mSeparators;
    mSeparators = pSeparators;
    FillSet(mSeparatorSet, pSeparators);
    return lPrevious;
}

bool KTextFile::ReadWord(std::string& pWord, std::size_t pMaxLength)
{
    std::size_t lEnd = mCursor;
    while (lEnd < mLine.size() && !IsTerminator(mLine[lEnd])) {
        ++lEnd;
    }
    if (lEnd == mCursor || lEnd - mCursor > pMaxLength) {
        return false;
    }
    pWord.assign(mLine, mCursor, lEnd - mCursor);
    mCursor = SkipSeparatorsFrom(lEnd);
    return true;
}

bool KTextFile::ReadWord(KString& pWord, std::size_t pMaxLength)
{
    std::string lWord;
    if (!ReadWord(lWord, pMaxLength)) {
        return false;
    }
    pWord = KString(lWord.c_str(), static_cast<int>(lWord.size()));
    return true;
}

bool KTextFile::EndsToken(std::size_t pPos) const
{
    return pPos >= mLine.size() || IsSeparator(mLine[pPos]) || IsTerminator(mLine[pPos]) ||
           IsWhite(mLine[pPos]);
}

bool KTextFile::ReadInt(int& pValue)
{
    if (mCursor >= mLine.size()) {
        return false;
    }
    const char* lBegin = mLine.data() + mCursor;
    const char* const lLineEnd = mLine.data() + mLine.size();
    // Common case, one pass: from_chars reads the same digits once the text starts with one
    // (after an optional '-'); an overflow is refused by both.
    const char* lDigits = *lBegin == '-' ? lBegin + 1 : lBegin;
    if (lDigits < lLineEnd && *lDigits >= '0' && *lDigits <= '9') {
        int lValue = 0;
        const std::from_chars_result lResult = std::from_chars(lBegin, lLineEnd, lValue);
        const std::size_t lLength = static_cast<std::size_t>(lResult.ptr - lBegin);
        if (lResult.ec != std::errc() || !EndsToken(mCursor + lLength)) {
            return false;
        }
        pValue = lValue;
        mCursor = SkipSeparatorsFrom(mCursor + lLength);
        return true;
    }
    const std::size_t lLength = KMotionNumber::ScanInteger(lBegin, lLineEnd);
    if (lLength == 0 || !EndsToken(mCursor + lLength) ||
        !KMotionNumber::ParseInt(lBegin, lBegin + lLength, pValue)) {
        return false;
    }
    mCursor = SkipSeparatorsFrom(mCursor + lLength);
    return true;
}

bool KTextFile::ScanNumber(std::size_t pPos, double& pValue, std::size_t& pLength) const
{
    if (pPos >= mLine.size()) {
        return false;
    }
    const char* lBegin = mLine.data() + pPos;
    const char* const lLineEnd = mLine.data() + mLine.size();
    // Common case, one pass: from_chars takes exactly the decimal form once the text starts with
    // a digit or a point (after an optional '-'); "inf", "nan" and a '+' never get here.
    const char* lDigits = *lBegin == '-' ? lBegin + 1 : lBegin;
    if (lDigits < lLineEnd && ((*lDigits >= '0' && *lDigits <= '9') || *lDigits == '.')) {
        double lValue = 0.0;
        const std::from_chars_result lResult = std::from_chars(lBegin, lLineEnd, lValue);
        const std::size_t lLength = static_cast<std::size_t>(lResult.ptr - lBegin);
        if (lResult.ec != std::errc() || lLength == 0 || !EndsToken(pPos + lLength)) {
            return false;
        }
        pValue = lValue;
        pLength = lLength;
        return true;
    }
    const std::size_t lLength = KMotionNumber::ScanDecimal(lBegin, lLineEnd);
    if (lLength == 0 || !EndsToken(pPos + lLength)) {
        return false;
    }
    // The text is known to be a number; from_chars only refuses a leading '+' of it.
    const char* lStart = *lBegin == '+' ? lBegin + 1 : lBegin;
    const std::from_chars_result lResult = std::from_chars(lStart, lBegin + lLength, pValue);
    if (lResult.ec != std::errc() || lResult.ptr != lBegin + lLength) {
        return false;
    }
    pLength = lLength;
    return true;
}

bool KTextFile::ReadDouble(double& pValue, double pScale)
{
    if (mCursor >= mLine.size()) {
        return false;
    }
    const char* lText = mLine.data() + mCursor;
    const std::size_t lLeft = mLine.size() - mCursor;
    // Only text starting with 'i' or "-i" can be an infinity word.
    const char lLead = lText[0] == '-' && lLeft > 1 ? lText[1] : lText[0];
    if ((lLead == 'i' || lLead == 'I') &&
        (StartsWithNoCase(lText, lLeft, "inf") || StartsWithNoCase(lText, lLeft, "-inf"))) {
        // The infinity words count only as the whole rest of the line; trailing separators and
        // white space (a stray '\r') do not belong to it.
        std::size_t lEnd = mLine.size();
        while (lEnd > mCursor && (IsSeparator(mLine[lEnd - 1]) || IsWhite(mLine[lEnd - 1]))) {
            --lEnd;
        }
        const std::string lRest = mLine.substr(mCursor, lEnd - mCursor);
        if (lRest.size() <= 4) {
            if (CompareText(lRest.c_str(), "-inf") == 0) {
                pValue = -std::numeric_limits<double>::infinity();
                mCursor = SkipSeparatorsFrom(mCursor + 4);
                return true;
            }
            if (CompareText(lRest.c_str(), "inf") == 0) {
                pValue = std::numeric_limits<double>::infinity();
                mCursor = SkipSeparatorsFrom(mCursor + 3);
                return true;
            }
        }
    }
    double lValue = 0.0;
    std::size_t lLength = 0;
    if (!ScanNumber(mCursor, lValue, lLength)) {
        return false;
    }
    pValue = lValue * pScale;
    mCursor = SkipSeparatorsFrom(mCursor + lLength);
    return true;
}

bool KTextFile::ReadDoublePair(double pValues[2], double pScale)
{
    const std::size_t lStart = mCursor;
    for (int i = 0; i < 2; ++i) {
        const char* lText = mLine.data() + mCursor;
        const std::size_t lLeft = mLine.size() - mCursor;
        if (StartsWithNoCase(lText, lLeft, "-inf")) {
            pValues[i] = -std::numeric_limits<double>::infinity();
            mCursor = SkipSeparatorsFrom(mCursor + 4);
        } else if (StartsWithNoCase(lText, lLeft, "inf")) {
            pValues[i] = std::numeric_limits<double>::infinity();
            mCursor = SkipSeparatorsFrom(mCursor + 3);
        } else {
            double lValue = 0.0;
            std::size_t lLength = 0;
            if (!ScanNumber(mCursor, lValue, lLength)) {
                mCursor = lStart;
                return false;
            }
            pValues[i] = lValue * pScale;
            mCursor = SkipSeparatorsFrom(mCursor + lLength);
        }
    }
    return true;
}

bool KTextFile::ReadVector3(double pValues[3], double pScale)
{
    double lValues[3];
    std::size_t lPos = mCursor;
    for (int i = 0; i < 3; ++i) {
        while (lPos < mLine.size() && (IsSeparator(mLine[lPos]) || IsWhite(mLine[lPos]))) {
            ++lPos;
        }
        std::size_t lLength = 0;
        if (!ScanNumber(lPos, lValues[i], lLength)) {
            return false;
        }
        lPos += lLength;
    }
    for (int i = 0; i < 3; ++i) {
        pValues[i] = lValues[i] * pScale;
    }
    mCursor = SkipSeparatorsFrom(lPos);
    return true;
}

int KTextFile::FindKeyword(const KTextKeyword* pTable) const
{
    if (pTable == nullptr || mCursor > mLine.size()) {
        return -1;
    }
    const char* lText = mLine.data() + mCursor;
    const std::size_t lLeft = mLine.size() - mCursor;
    for (int i = 0; pTable[i].mKeyword != nullptr && pTable[i].mKeyword[0] != '\0'; ++i) {
        if (StartsWithNoCase(lText, lLeft, pTable[i].mKeyword)) {
            return i;
        }
    }
    return -1;
}

int KTextFile::MatchKeyword(KTextKeyword* pTable)
{
    const int lIndex = FindKeyword(pTable);
    if (lIndex >= 0) {
        mCursor = SkipSeparatorsFrom(mCursor + std::strlen(pTable[lIndex].mKeyword));
        ++pTable[lIndex].mCount;
    }
    return lIndex;
}

void KTextFile::ResetKeywordCounts(KTextKeyword* pTable)
{
    for (int i = 0;
         pTable != nullptr && pTable[i].mKeyword != nullptr && pTable[i].mKeyword[0] != '\0'; ++i) {
        pTable[i].mCount = 0;
    }
}

int KTextFile::CompareText(const char* pA, const char* pB) const
{
    const unsigned char* lA = reinterpret_cast<const unsigned char*>(pA ? pA : "");
    const unsigned char* lB = reinterpret_cast<const unsigned char*>(pB ? pB : "");
    for (;; ++lA, ++lB) {
        int lCa = *lA;
        int lCb = *lB;
        if (!mCaseSensitive) {
            lCa = static_cast<unsigned char>(LowerAscii(static_cast<char>(lCa)));
            lCb = static_cast<unsigned char>(LowerAscii(static_cast<char>(lCb)));
        }
        if (lCa != lCb || lCa == 0) {
            return Sign(lCa - lCb);
        }
    }
}

void KTextFile::BuildMessage(std::string& pText, const char* pKind, const char* pFormat,
                             std::va_list pArgs) const
{
    pText = mFileName.empty() ? std::string(mFormatName) : mFileName;
    if (mLineNumber > 0 && !mWriting) {
        pText += ':';
        KMotionNumber::AppendInt(pText, mLineNumber);
    }
    pText += ": ";
    pText += pKind;
    KMotionNumber::AppendFormatV(pText, pFormat, pArgs);
}

bool KTextFile::Warning(const char* pFormat, ...)
{
    if (mReporting && mWarningHook) {
        std::va_list lArgs;
        va_start(lArgs, pFormat);
        std::string lText;
        BuildMessage(lText, "warning: ", pFormat, lArgs);
        va_end(lArgs);
        mWarningHook(lText.c_str());
    }
    return false;
}

bool KTextFile::Error(const char* pFormat, ...)
{
    std::va_list lArgs;
    va_start(lArgs, pFormat);
    ErrorV(pFormat, lArgs);
    va_end(lArgs);
    return true;
}

bool KTextFile::ErrorV(const char* pFormat, std::va_list pArgs)
{
    if (mCorrupt) {
        return true;
    }
    BuildMessage(mLastError, "", pFormat, pArgs);
    if (mReporting && mErrorHook) {
        mErrorHook(mLastError.c_str());
    }
    return true;
}

bool KTextFile::WriteBytes(const char* pData, std::size_t pSize)
{
    if (!IsWriting() || mWriteFailed) {
        return false;
    }
    if (std::fwrite(pData, 1, pSize, mFile) != pSize) {
        mWriteFailed = true;
        Error("write failed: %s", std::strerror(errno));
        return false;
    }
    return true;
}

int KTextFile::Print(int pIndent, const char* pFormat, ...)
{
    if (!IsWriting() || mWriteFailed) {
        return -1;
    }
    std::string lText(pIndent > 0 ? 2 * static_cast<std::size_t>(pIndent) : 0, ' ');
    const std::size_t lIndentLength = lText.size();
    std::va_list lArgs;
    va_start(lArgs, pFormat);
    KMotionNumber::AppendFormatV(lText, pFormat, lArgs);
    va_end(lArgs);
    if (!WriteBytes(lText.data(), lText.size())) {
        return -1;
    }
    const std::size_t lLength = lText.size() - lIndentLength;
    return lLength > static_cast<std::size_t>(std::numeric_limits<int>::max())
               ? std::numeric_limits<int>::max()
               : static_cast<int>(lLength);
}
