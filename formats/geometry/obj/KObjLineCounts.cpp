#include "formats/geometry/obj/KObjLineCounts.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr std::size_t kBlockSize = 1u << 16;

} // namespace

void KObjLineCounts::Count(std::FILE* pStream)
{
    std::vector<char> lBlock(kBlockSize);
    for (;;) {
        const std::size_t lSize = std::fread(lBlock.data(), 1, lBlock.size(), pStream);
        if (lSize == 0) {
            break;
        }
        Add(lBlock.data(), lSize);
    }
}

void KObjLineCounts::EndLineStart()
{
    // Called once per line, when its first three bytes (or all it has) are known.
    const bool lBlankSecond = mStartSize >= 2 && mStart[1] == ' ';
    if (mStart[0] == 'f' && lBlankSecond) {
        mInFace = true;
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
        while (mStartSize < 3 && lRest != lLineEnd) {
            mStart[mStartSize++] = *lRest++;
        }
        if (mStartSize == 3 || (lNewLine && mStartSize < 4)) {
            EndLineStart();
        }
        if (mInFace) {
            // The blanks among the first three bytes were counted with the line start.
            mCorners += static_cast<std::size_t>(std::count(lRest, lLineEnd, ' '));
        }
        if (!lNewLine) {
            return;
        }
        mStartSize = 0;
        mInFace = false;
        lChar = lLineEnd + 1;
    }
}
