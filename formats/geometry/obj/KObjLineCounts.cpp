#include "formats/geometry/obj/KObjLineCounts.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

namespace {

constexpr std::size_t kBlockSize = 1u << 16;

// The blanks in [pChar, pEnd), eight bytes at a time: a byte of x = word ^ blanks is zero
// exactly where the word holds a blank, and the expression below sets the top bit of exactly
// those bytes (no borrow crosses bytes, unlike the shorter test for any zero byte).
std::size_t CountBlanks(const char* pChar, const char* pEnd)
{
    constexpr std::uint64_t kBlanks = 0x2020202020202020ULL;
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
    std::size_t lCount = 0;
    for (; pEnd - pChar >= 8; pChar += 8) {
        std::uint64_t lWord;
        std::memcpy(&lWord, pChar, 8);
        const std::uint64_t lX = lWord ^ kBlanks;
        const std::uint64_t lZero = ~(((lX & kLow7) + kLow7) | lX | kLow7);
        // One per marked byte, summed into the top byte.
        lCount += static_cast<std::size_t>(((lZero >> 7) * 0x0101010101010101ULL) >> 56);
    }
    return lCount + static_cast<std::size_t>(std::count(pChar, pEnd, ' '));
}

} // namespace

void KObjLineCounts::Count(std::FILE* pStream)
{
    // Not zeroed: only the bytes fread fills are looked at, and a small file touches one page.
    const std::unique_ptr<char[]> lBlock(new char[kBlockSize]);
    for (;;) {
        const std::size_t lSize = std::fread(lBlock.get(), 1, kBlockSize, pStream);
        if (lSize == 0) {
            break;
        }
        Add(lBlock.get(), lSize);
    }
}

inline void KObjLineCounts::EndLineStart()
{
    // Called once per line, when its first three bytes (or all it has) are known.
    const bool lBlankSecond = mStartSize >= 2 && mStart[1] == ' ';
    if (mStart[0] == 'f' && lBlankSecond) {
        mInFace = true;
        ++mFaces;
        mCorners += mStartSize == 3 && mStart[2] == ' ' ? 2 : 1;
    } else if (mStart[0] == 'v' && lBlankSecond) {
        ++mVertices;
    } else if (mStart[0] == 'v' && mStartSize == 3 && mStart[2] == ' ') {
        mUVs += mStart[1] == 't' ? 1 : 0;
        mNormals += mStart[1] == 'n' ? 1 : 0;
    }
    mStartSize = 4;
}

void KObjLineCounts::Add(const char* pBytes, std::size_t pSize)
{
    const char* lChar = pBytes;
    const char* const lEnd = pBytes + pSize;
    while (lChar != lEnd) {
        const void* lNewLine = std::memchr(lChar, '\n', static_cast<std::size_t>(lEnd - lChar));
        const char* lLineEnd = lNewLine ? static_cast<const char*>(lNewLine) : lEnd;
        const char* lRest = lChar;
        if (mStartSize == 0 && lLineEnd - lChar >= 3) {
            // The usual line: its start lies whole in this block.
            std::memcpy(mStart, lChar, 3);
            mStartSize = 3;
            lRest += 3;
        }
        while (mStartSize < 3 && lRest != lLineEnd) {
            mStart[mStartSize++] = *lRest++;
        }
        if (mStartSize == 3 || (lNewLine && mStartSize < 4)) {
            EndLineStart();
        }
        if (mInFace) {
            // The blanks among the first three bytes were counted with the line start.
            mCorners += CountBlanks(lRest, lLineEnd);
        }
        if (!lNewLine) {
            return;
        }
        mStartSize = 0;
        mInFace = false;
        lChar = lLineEnd + 1;
    }
}
