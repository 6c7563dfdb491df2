#include "formats/geometry/dxf/KDxfTextBlock.h"

namespace {

constexpr std::size_t kReadBlock = 1 << 16;

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
    const std::size_t lRead = std::fread(lBlock.get(), 1, lSize + 1, pStream);
    if (lRead > lSize) {
        return ReadRest(pStream, std::string_view(lBlock.get(), lRead));
    }
    if (std::ferror(pStream)) {
        return false;
    }
    mBlock = std::move(lBlock);
    mView = std::string_view(mBlock.get(), lRead);
    return true;
}

void KDxfTextBlock::Assign(std::string pText)
{
    mBlock.reset();
    mText = std::move(pText);
    mView = mText;
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
