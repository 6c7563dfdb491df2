#include "formats/geometry/dxf/KDxfTextBlock.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t kReadBlock = 1 << 16;
// Small enough to be still in the cache when it is looked at.
constexpr std::size_t kReadPiece = 1 << 18;

// The bytes from where pStream stands to its end in oSize (0 when the stream cannot tell);
// false when the stream cannot go back to where it stood.
bool MeasureRest(std::FILE* pStream, std::size_t& oSize)
{
    oSize = 0;
    const long lStart = std::ftell(pStream);
    if (lStart < 0 || std::fseek(pStream, 0, SEEK_END) != 0) {
        return true;
    }
    const long lEnd = std::ftell(pStream);
    if (std::fseek(pStream, lStart, SEEK_SET) != 0) {
        return false;
    }
    if (lEnd > lStart) {
        oSize = static_cast<std::size_t>(lEnd - lStart);
    }
    return true;
}

} // namespace

bool KDxfTextBlock::Read(std::FILE* pStream)
{
    Clear();
    std::size_t lSize = 0;
    if (!MeasureRest(pStream, lSize)) {
        return false;
    }
    // One byte more than measured shows a file that grew meanwhile.
    std::unique_ptr<char[]> lBlock(new char[lSize + 1]);
    std::size_t lRead = 0;
    bool lZero = false;
    // In pieces, each looked at for a zero byte while it is still in the cache.
    for (;;) {
        char* const lPiece = lBlock.get() + lRead;
        const std::size_t lWanted = std::min(kReadPiece, lSize + 1 - lRead);
        const std::size_t lGot = std::fread(lPiece, 1, lWanted, pStream);
        lZero = lZero || std::memchr(lPiece, '\0', lGot) != nullptr;
        lRead += lGot;
        if (lGot < lWanted || lRead > lSize) {
            break;
        }
    }
    if (lRead > lSize) {
        return ReadRest(pStream, std::string_view(lBlock.get(), lRead));
    }
    if (std::ferror(pStream)) {
        return false;
    }
    mBlock = std::move(lBlock);
    mView = std::string_view(mBlock.get(), lRead);
    mZero = lZero;
    return true;
}

void KDxfTextBlock::Assign(std::string pText)
{
    mBlock.reset();
    mText = std::move(pText);
    mView = mText;
    mZero = std::memchr(mView.data(), '\0', mView.size()) != nullptr;
}

bool KDxfTextBlock::ReadRest(std::FILE* pStream, std::string_view pKept)
{
    std::string lText = std::move(mText);
    lText.assign(pKept.data(), pKept.size());
    char lBlock[kReadBlock];
    for (;;) {
        const std::size_t lRead = std::fread(lBlock, 1, sizeof(lBlock), pStream);
        lText.append(lBlock, lRead);
        if (lRead < sizeof(lBlock)) {
            break;
        }
    }
    if (std::ferror(pStream)) {
        Clear();
        return false;
    }
    Assign(std::move(lText));
    return true;
}
