#include "formats/geometry/dxf/KDxfTextBlock.h"

#include <limits>
#include <new>

#include <sys/mman.h>

namespace {

constexpr std::size_t kReadBlock = 1 << 16;
constexpr std::size_t kHugePage = 2u * 1024u * 1024u;

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

void KDxfTextBlock::Unmap::operator()(char* pPages) const
{
    munmap(pPages, mSize);
}

bool KDxfTextBlock::Read(std::FILE* pStream)
{
    Clear();
    std::size_t lSize = 0;
    if (!MeasureRest(pStream, lSize)) {
        return false;
    }
    if (lSize < kPagedMinimum) {
        mText.reserve(lSize);
        return ReadRest(pStream, std::string_view());
    }
    // One byte more than measured shows a file that grew meanwhile.
    Pages lPages = MapPages(lSize + 1);
    const std::size_t lRead = std::fread(lPages.get(), 1, lSize + 1, pStream);
    if (lRead > lSize) {
        return ReadRest(pStream, std::string_view(lPages.get(), lRead));
    }
    if (std::ferror(pStream)) {
        return false;
    }
    mPages = std::move(lPages);
    mView = std::string_view(mPages.get(), lRead);
    return true;
}

void KDxfTextBlock::Assign(std::string pText)
{
    mPages.reset();
    mText = std::move(pText);
    mView = mText;
}

KDxfTextBlock::Pages KDxfTextBlock::MapPages(std::size_t pSize)
{
    if (pSize > std::numeric_limits<std::size_t>::max() - kHugePage) {
        throw std::bad_alloc();
    }
    const std::size_t lLength = (pSize + kHugePage - 1) / kHugePage * kHugePage;
    void* const lPages =
        mmap(nullptr, lLength, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (lPages == MAP_FAILED) {
        throw std::bad_alloc();
    }
#ifdef MADV_HUGEPAGE
    // Advice only: where it is not taken, small pages serve as well, more slowly.
    madvise(lPages, lLength, MADV_HUGEPAGE);
#endif
    return Pages(static_cast<char*>(lPages), Unmap{lLength});
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
