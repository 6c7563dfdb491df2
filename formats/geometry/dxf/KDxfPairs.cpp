#include "formats/geometry/dxf/KDxfPairs.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

constexpr const char* kLineBlanks = " \t\v\f\r\n";
constexpr std::string_view kSectionEnd = "ENDSEC";
// Digits that cannot overflow an int.
constexpr long kShortDigits = 9;

bool IsLineEnd(char pChar)
{
    return pChar == '\n' || pChar == '\r';
}

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

// Sixteen bytes compared at once (the compiler's portable vectors).
using ByteLanes = signed char __attribute__((vector_size(16)));
// Counters wrap as unsigned bytes do: no signed overflow.
using ByteCounts = unsigned char __attribute__((vector_size(16)));
constexpr std::size_t kLaneCount = sizeof(ByteLanes);

ByteLanes LoadLanes(const char* pAt)
{
    ByteLanes lLanes;
    std::memcpy(&lLanes, pAt, sizeof(lLanes));
    return lLanes;
}

// The sum of sixteen byte-wide counters (each up to 255).
long long SumLanes(ByteCounts pCounters)
{
    long long lSum = 0;
    for (std::size_t i = 0; i < kLaneCount; ++i) {
        lSum += pCounters[i];
    }
    return lSum;
}

// The lowest lane of pLanes that is not zero, or kLaneCount when all are. The lanes are read
// as two little-endian words, the first lane in the lowest byte.
std::size_t FirstSetLane(ByteLanes pLanes)
{
    std::uint64_t lWords[2];
    std::memcpy(lWords, &pLanes, sizeof(lWords));
    if (lWords[0] != 0) {
        return static_cast<std::size_t>(__builtin_ctzll(lWords[0]) >> 3);
    }
    if (lWords[1] != 0) {
        return sizeof(lWords[0]) + static_cast<std::size_t>(__builtin_ctzll(lWords[1]) >> 3);
    }
    return kLaneCount;
}

// The first LF or CR at or after pAt, or pStop. Lines are short, so sixteen bytes are looked
// at together: one step finds most line ends.
const char* FindLineEnd(const char* pAt, const char* pStop)
{
    const ByteLanes lLf = ByteLanes{} + '\n';
    const ByteLanes lCr = ByteLanes{} + '\r';
    for (; pStop - pAt >= static_cast<std::ptrdiff_t>(kLaneCount); pAt += kLaneCount) {
        const ByteLanes lHere = LoadLanes(pAt);
        const std::size_t lEnd = FirstSetLane((lHere == lLf) | (lHere == lCr));
        if (lEnd < kLaneCount) {
            return pAt + lEnd;
        }
    }
    while (pAt < pStop && *pAt != '\n' && *pAt != '\r') {
        ++pAt;
    }
    return pAt;
}

// The line of pText at ioAt (before the text's end), trimmed and without its end; ioAt moves
// past the line's end, or past the text's end for a last line without one.
std::string_view TakeLine(std::string_view pText, std::size_t& ioAt)
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

bool IsDigit(char pChar)
{
    return pChar >= '0' && pChar <= '9';
}

// An int as from_chars reads it at pFirst, for the common case of at most nine digits (which
// cannot overflow): where it ends, or null when the case does not apply and from_chars must
// read it.
const char* ReadShortInt(const char* pFirst, const char* pLast, int& oValue)
{
    const bool lNegative = pFirst < pLast && *pFirst == '-';
    const char* const lDigits = pFirst + (lNegative ? 1 : 0);
    const char* lAt = lDigits;
    int lValue = 0;
    while (lAt < pLast && lAt - lDigits < kShortDigits && IsDigit(*lAt)) {
        lValue = lValue * 10 + (*lAt - '0');
        ++lAt;
    }
    if (lAt == lDigits || (lAt < pLast && IsDigit(*lAt))) {
        return nullptr;
    }
    oValue = lNegative ? -lValue : lValue;
    return lAt;
}

// A group code: a whole decimal number that fits in an int.
bool ParseCode(std::string_view pText, int& oValue)
{
    const char* const lEnd = pText.data() + pText.size();
    const char* const lShort = ReadShortInt(pText.data(), lEnd, oValue);
    if (lShort) {
        return lShort == lEnd;
    }
    const std::from_chars_result lParsed = std::from_chars(pText.data(), lEnd, oValue);
    return !pText.empty() && lParsed.ec == std::errc() && lParsed.ptr == lEnd;
}

// The code line at ioAt (before the text's end), trimmed, in oLine: true with its number in
// oCode when it is a whole decimal number that fits in an int. ioAt moves as TakeLine moves it.
bool TakeCode(std::string_view pText, std::size_t& ioAt, int& oCode, std::string_view& oLine)
{
    // Most code lines are a few spaces and digits: those are read as their end is looked for.
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

// A code line in three columns, as writers put it ("  0", " 10", "999"): where its line end
// is, with the code in oCode; null for any other code line.
const char* TakeCodeColumns(const char* pAt, const char* pStop, int& oCode)
{
    constexpr std::ptrdiff_t kColumns = 3;
    if (pStop - pAt <= kColumns || pAt[kColumns] != '\n' || !IsDigit(pAt[2])) {
        return nullptr;
    }
    int lCode = pAt[2] - '0';
    if (IsDigit(pAt[1])) {
        lCode += 10 * (pAt[1] - '0');
        if (IsDigit(pAt[0])) {
            lCode += 100 * (pAt[0] - '0');
        } else if (pAt[0] != ' ') {
            return nullptr;
        }
    } else if (pAt[1] != ' ' || pAt[0] != ' ') {
        return nullptr;
    }
    oCode = lCode;
    return pAt + kColumns;
}

// The common group read in one go, the group at pAt (before the text's end) of line pLine in
// oPair: a code line of blanks and at most nine digits, then a value line that ends within
// sixteen bytes, both ended by LF. False, oPair untouched, for any other group, which the
// general reading then takes; it reads such groups just the same.
bool TakeQuick(std::string_view pText, std::size_t pAt, long long pLine, KDxfPair& oPair)
{
    const char* const lStop = pText.data() + pText.size();
    const char* lAt = pText.data() + pAt;
    int lCode = 0;
    const char* const lColumns = TakeCodeColumns(lAt, lStop, lCode);
    if (lColumns) {
        lAt = lColumns;
    } else {
        while (lAt < lStop && *lAt == ' ') {
            ++lAt;
        }
        const char* const lDigits = lAt;
        while (lAt < lStop && lAt - lDigits < kShortDigits && IsDigit(*lAt)) {
            lCode = lCode * 10 + (*lAt - '0');
            ++lAt;
        }
        if (lAt == lDigits) {
            return false;
        }
    }
    if (lStop - lAt <= static_cast<std::ptrdiff_t>(kLaneCount) || *lAt != '\n') {
        return false;
    }
    const char* lFirst = lAt + 1;
    const ByteLanes lHere = LoadLanes(lFirst);
    const std::size_t lLength =
        FirstSetLane((lHere == ByteLanes{} + '\n') | (lHere == ByteLanes{} + '\r'));
    const char* lLast = lFirst + lLength;
    if (lLength == kLaneCount || *lLast != '\n') {
        return false;
    }
    oPair.mNext = static_cast<std::size_t>(lLast + 1 - pText.data());
    while (lFirst < lLast && IsBlank(*lFirst)) {
        ++lFirst;
    }
    while (lLast > lFirst && IsBlank(lLast[-1])) {
        --lLast;
    }
    oPair.mCode = lCode;
    oPair.mValue = std::string_view(lFirst, static_cast<std::size_t>(lLast - lFirst));
    oPair.mLine = pLine;
    return true;
}

// The next "ENDSEC" in pText at or after pFrom, looked for by its 'D': drawings hold few of
// them, where every VERTEX holds two of its 'E'.
std::size_t FindSectionEnd(std::string_view pText, std::size_t pFrom)
{
    constexpr std::size_t kD = 2;
    for (std::size_t lAt = pFrom + kD; lAt < pText.size();) {
        const void* const lFound = std::memchr(pText.data() + lAt, 'D', pText.size() - lAt);
        if (!lFound) {
            break;
        }
        const std::size_t lD =
            static_cast<std::size_t>(static_cast<const char*>(lFound) - pText.data());
        if (pText.compare(lD - kD, kSectionEnd.size(), kSectionEnd) == 0) {
            return lD - kD;
        }
        lAt = lD + 1;
    }
    return std::string::npos;
}

} // namespace

bool KDxfPairs::Read(std::FILE* pStream)
{
    if (!mBlock.Read(pStream)) {
        Start();
        return Fail(0, "the file could not be read");
    }
    return Start();
}

bool KDxfPairs::Parse(std::string pText)
{
    mBlock.Assign(std::move(pText));
    return Start();
}

bool KDxfPairs::Start()
{
    mText = mBlock.View();
    mFailed = false;
    mCheck = ECheck::eNotYet;
    mCount = 0;
    mReason.clear();
    if (mBlock.HoldsZeroByte()) {
        // Binary DXF files hold zero bytes too: they are not read.
        mBlock.Clear();
        mText = mBlock.View();
        return Fail(1, "the file holds a zero byte: it is not an ASCII DXF file");
    }
    return true;
}

bool KDxfPairs::CheckAll()
{
    if (mCheck != ECheck::eNotYet) {
        return mCheck == ECheck::eWhole;
    }
    mCheck = ECheck::eFaulty;
    mCount = 0;
    std::size_t lAt = 0;
    long long lLine = 0;
    std::size_t lCount = 0;
    while (lAt < mText.size()) {
        ++lLine;
        std::string_view lCode;
        int lNumber = 0;
        if (!TakeCode(mText, lAt, lNumber, lCode)) {
            if (lCode.empty() && mText.find_first_not_of(kLineBlanks, lAt) == std::string::npos) {
                break;
            }
            mFailed = true;
            return Fail(lLine, "group code is not a number");
        }
        if (lAt >= mText.size()) {
            mFailed = true;
            return Fail(lLine, "group code without a value");
        }
        TakeLine(mText, lAt);
        ++lLine;
        ++lCount;
    }
    mCheck = ECheck::eWhole;
    mCount = lCount;
    return true;
}

std::size_t KDxfPairs::GetCount()
{
    CheckAll();
    return mCount;
}

KDxfPair KDxfPairs::First()
{
    KDxfPair lPair;
    lPair.mLine = -1;
    Next(lPair);
    return lPair;
}

void KDxfPairs::Next(KDxfPair& ioPair)
{
    if (ioPair.IsEnd()) {
        return;
    }
    std::size_t lAt = ioPair.mNext;
    const long long lLine = ioPair.mLine + 2;
    if (lAt < mText.size() && TakeQuick(mText, lAt, lLine, ioPair)) {
        return;
    }
    ioPair = KDxfPair();
    if (lAt >= mText.size()) {
        return;
    }
    std::string_view lCode;
    int lNumber = 0;
    if (!TakeCode(mText, lAt, lNumber, lCode)) {
        // Blank lines after the last group are harmless.
        if (!lCode.empty() || mText.find_first_not_of(kLineBlanks, lAt) != std::string::npos) {
            mFailed = true;
        }
        return;
    }
    if (lAt >= mText.size()) {
        mFailed = true;
        return;
    }
    ioPair.mCode = lNumber;
    ioPair.mValue = TakeLine(mText, lAt);
    ioPair.mLine = lLine;
    ioPair.mNext = lAt;
}

void KDxfPairs::ToSectionEnd(KDxfPair& ioPair)
{
    if (ioPair.IsEnd() || (ioPair.mCode == 0 && ioPair.mValue == kSectionEnd)) {
        return;
    }
    // The groups after ioPair start on a code line: a line an odd number of lines further is a
    // value line. Lines are counted only up to each candidate, so the text is read once.
    const std::size_t lFloor = ioPair.mNext;
    const long long lFloorLine = ioPair.mLine + 2;
    std::size_t lCounted = lFloor;
    long long lCountedLine = lFloorLine;
    for (std::size_t lHit = FindSectionEnd(mText, lFloor); lHit != std::string::npos;
         lHit = FindSectionEnd(mText, lHit + 1)) {
        std::size_t lStart = 0;
        if (!IsWholeLine(lHit, kSectionEnd.size(), lFloor, lStart) || lStart < lCounted) {
            continue;
        }
        lCountedLine += CountLineEnds(lCounted, lStart);
        lCounted = lStart;
        std::size_t lCodeStart = 0;
        if ((lCountedLine - lFloorLine) % 2 == 1 && IsCodeZeroBefore(lStart, lFloor, lCodeStart)) {
            // Next reads the group that starts where the one before it ended.
            ioPair.mNext = lCodeStart;
            ioPair.mLine = lCountedLine - 3;
            Next(ioPair);
            return;
        }
    }
    ioPair = KDxfPair();
}

bool KDxfPairs::IsWholeLine(std::size_t pAt, std::size_t pLength, std::size_t pFloor,
                            std::size_t& oStart) const
{
    std::size_t lStart = pAt;
    while (lStart > pFloor && IsBlank(mText[lStart - 1])) {
        --lStart;
    }
    if (lStart > pFloor && !IsLineEnd(mText[lStart - 1])) {
        return false;
    }
    std::size_t lEnd = pAt + pLength;
    while (lEnd < mText.size() && IsBlank(mText[lEnd])) {
        ++lEnd;
    }
    oStart = lStart;
    return lEnd == mText.size() || IsLineEnd(mText[lEnd]);
}

long long KDxfPairs::CountLineEnds(std::size_t pFrom, std::size_t pTo) const
{
    // Sixteen bytes at a time into byte-wide counters, few enough rounds that none can wrap;
    // a CR LF pair is one line end, so each CR followed by LF is taken back.
    constexpr std::size_t kRounds = 255;
    const char* const lText = mText.data();
    const ByteLanes lLf = ByteLanes{} + '\n';
    const ByteLanes lCr = ByteLanes{} + '\r';
    long long lCount = 0;
    std::size_t lAt = pFrom;
    while (pTo - lAt > kLaneCount) {
        const std::size_t lLanes = std::min((pTo - lAt - 1) / kLaneCount, kRounds);
        ByteCounts lLfs{};
        ByteCounts lCrs{};
        ByteCounts lCrLfs{};
        for (std::size_t r = 0; r < lLanes; ++r, lAt += kLaneCount) {
            // A lane compares to all ones where equal: subtracting that counts it.
            const ByteLanes lHere = LoadLanes(lText + lAt);
            const ByteCounts lCrHere = reinterpret_cast<ByteCounts>(lHere == lCr);
            lLfs -= reinterpret_cast<ByteCounts>(lHere == lLf);
            lCrs -= lCrHere;
            lCrLfs -= lCrHere & reinterpret_cast<ByteCounts>(LoadLanes(lText + lAt + 1) == lLf);
        }
        lCount += SumLanes(lLfs) + SumLanes(lCrs) - SumLanes(lCrLfs);
    }
    for (; lAt < pTo; ++lAt) {
        lCount += lText[lAt] == '\n' ||
                  (lText[lAt] == '\r' && !(lAt + 1 < pTo && lText[lAt + 1] == '\n'));
    }
    return lCount;
}

bool KDxfPairs::IsCodeZeroBefore(std::size_t pLineStart, std::size_t pFloor,
                                 std::size_t& oStart) const
{
    if (pLineStart <= pFloor) {
        return false;
    }
    std::size_t lEnd = pLineStart - 1;
    if (mText[lEnd] == '\n' && lEnd > pFloor && mText[lEnd - 1] == '\r') {
        --lEnd;
    }
    std::size_t lStart = lEnd;
    while (lStart > pFloor && !IsLineEnd(mText[lStart - 1])) {
        --lStart;
    }
    oStart = lStart;
    int lCode = -1;
    return ParseCode(Trim(std::string_view(mText.data() + lStart, lEnd - lStart)), lCode) &&
           lCode == 0;
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
    if (ReadShortInt(lFirst, pValue.data() + pValue.size(), oValue)) {
        return true;
    }
    const std::from_chars_result lParsed =
        std::from_chars(lFirst, pValue.data() + pValue.size(), oValue);
    return lParsed.ec == std::errc() && lParsed.ptr != lFirst;
}
