#include "ryvfile/KRyvStream.h"

#include "ryvfile/KRyvPrefault.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include <sys/types.h>

namespace {

constexpr std::size_t kReadBlock = 1 << 20;

} // namespace

std::size_t KRyvStream::ReadPieces(std::uint8_t* oBuffer, std::size_t pSize,
                                   const PieceRead& pOnPiece)
{
    std::size_t lDone = 0;
    while (lDone < pSize) {
        const std::size_t lWanted = std::min(kReadBlock, pSize - lDone);
        KRyvPrefault::ForWrite(oBuffer + lDone, lWanted);
        const std::size_t lRead = Read(oBuffer + lDone, lWanted);
        if (pOnPiece && lRead > 0) {
            pOnPiece(oBuffer + lDone, lRead);
        }
        lDone += lRead;
        if (lRead < lWanted) {
            break;
        }
    }
    return lDone;
}

bool KRyvStream::ReadAll(KRyvBytes& oBytes, std::size_t pLimit, const PieceRead& pOnPiece)
{
    oBytes.clear();
    // The hint only sizes the buffer; the bytes kept are those actually read, and one byte
    // past the hint tells the end of a stream that kept its word at once.
    std::size_t lWanted = std::min(GetSizeHint(), pLimit) + 1;
    for (;;) {
        const std::size_t lAt = oBytes.size();
        oBytes.resize(lAt + std::min(lWanted, pLimit + 1 - lAt));
        const std::size_t lRead = ReadPieces(oBytes.data() + lAt, oBytes.size() - lAt, pOnPiece);
        const bool lEnd = lRead < oBytes.size() - lAt;
        oBytes.resize(lAt + lRead);
        if (oBytes.size() > pLimit) {
            oBytes.clear();
            return false;
        }
        if (lEnd) {
            return true;
        }
        lWanted = std::max(lWanted, kReadBlock);
    }
}

KRyvStdioStream::~KRyvStdioStream()
{
    Close();
}

bool KRyvStdioStream::Attach(std::FILE* pFile, bool pWrite)
{
    if (mFile || !pFile) {
        return false;
    }
    mFile = pFile;
    mWrite = pWrite;
    // A stream that cannot tell where it stands cannot go back either: ReadAt then fails.
    mOrigin = ftello(pFile);
    if (fstat(fileno(pFile), &mStamp) != 0 || !S_ISREG(mStamp.st_mode)) {
        mStamp = {};
    }
    return true;
}

bool KRyvStdioStream::Close()
{
    if (!mFile) {
        return true;
    }
    const bool lFlushed = !mWrite || std::fflush(mFile) == 0;
    mFile = nullptr;
    return lFlushed;
}

std::size_t KRyvStdioStream::Read(void* oBuffer, std::size_t pSize)
{
    return mFile && !mWrite ? std::fread(oBuffer, 1, pSize, mFile) : 0;
}

bool KRyvStdioStream::Write(const void* pBuffer, std::size_t pSize)
{
    return mFile && mWrite && std::fwrite(pBuffer, 1, pSize, mFile) == pSize;
}

std::size_t KRyvStdioStream::GetSizeHint()
{
    if (!mFile || mWrite) {
        return 0;
    }
    const long lAt = std::ftell(mFile);
    if (lAt < 0 || std::fseek(mFile, 0, SEEK_END) != 0) {
        return 0;
    }
    const long lEnd = std::ftell(mFile);
    std::fseek(mFile, lAt, SEEK_SET);
    return lEnd > lAt ? static_cast<std::size_t>(lEnd - lAt) : 0;
}

std::size_t KRyvStdioStream::ReadAt(std::uint64_t pAt, void* oBuffer, std::size_t pSize)
{
    if (!mFile || mWrite || mOrigin < 0 || !IsUnchanged() ||
        pAt > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max() - mOrigin) ||
        fseeko(mFile, mOrigin + static_cast<off_t>(pAt), SEEK_SET) != 0) {
        return 0;
    }
    return std::fread(oBuffer, 1, pSize, mFile);
}

bool KRyvStdioStream::IsUnchanged() const
{
    if (!S_ISREG(mStamp.st_mode)) {
        return true;
    }
    // Any write moves the change time, which no one can set back.
    struct stat lNow = {};
    return fstat(fileno(mFile), &lNow) == 0 && lNow.st_ino == mStamp.st_ino &&
           lNow.st_dev == mStamp.st_dev && lNow.st_size == mStamp.st_size &&
           lNow.st_mtim.tv_sec == mStamp.st_mtim.tv_sec &&
           lNow.st_mtim.tv_nsec == mStamp.st_mtim.tv_nsec &&
           lNow.st_ctim.tv_sec == mStamp.st_ctim.tv_sec &&
           lNow.st_ctim.tv_nsec == mStamp.st_ctim.tv_nsec;
}

std::uint64_t KRyvStdioStream::GetReadOffset()
{
    const off_t lAt = mFile && !mWrite && mOrigin >= 0 ? ftello(mFile) : -1;
    return lAt >= mOrigin ? static_cast<std::uint64_t>(lAt - mOrigin) : 0;
}

bool KRyvStdioStream::Flush()
{
    return mFile && (!mWrite || std::fflush(mFile) == 0);
}

KRyvMemoryStream::KRyvMemoryStream(const void* pBytes, std::size_t pSize)
{
    const auto* lBytes = static_cast<const std::uint8_t*>(pBytes);
    if (lBytes) {
        mBytes.assign(lBytes, lBytes + pSize);
    }
}

std::size_t KRyvMemoryStream::Read(void* oBuffer, std::size_t pSize)
{
    const std::size_t lCount = std::min(pSize, mBytes.size() - mReadAt);
    if (lCount > 0) {
        std::memcpy(oBuffer, mBytes.data() + mReadAt, lCount);
    }
    mReadAt += lCount;
    return lCount;
}

std::size_t KRyvMemoryStream::ReadAt(std::uint64_t pAt, void* oBuffer, std::size_t pSize)
{
    if (pAt >= mBytes.size()) {
        return 0;
    }
    const std::size_t lCount = std::min<std::size_t>(pSize, mBytes.size() - pAt);
    std::memcpy(oBuffer, mBytes.data() + pAt, lCount);
    return lCount;
}

bool KRyvMemoryStream::Write(const void* pBuffer, std::size_t pSize)
{
    const auto* lBytes = static_cast<const std::uint8_t*>(pBuffer);
    if (pSize > 0) {
        mBytes.insert(mBytes.end(), lBytes, lBytes + pSize);
    }
    return true;
}
