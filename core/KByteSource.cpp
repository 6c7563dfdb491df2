#include "core/KByteSource.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace {

std::string ReasonOf(int pErrno)
{
    switch (pErrno) {
    case EACCES:
    case EPERM:
        return "permission denied";
    case ENOENT:
        return "no such file";
    default:
        return std::strerror(pErrno);
    }
}

// Null for the kinds a reader may take (a regular file, a FIFO); otherwise why not.
const char* RefusalOf(mode_t pMode)
{
    if (S_ISDIR(pMode)) {
        return "is a directory";
    }
    return S_ISREG(pMode) || S_ISFIFO(pMode) ? nullptr : "is not a regular file";
}

} // namespace

KByteSource::~KByteSource()
{
    Close();
}

bool KByteSource::OpenFile(const char* pPath, bool pText)
{
    Close();
    mName = pPath ? pPath : "";
    if (mName.empty()) {
        return Refuse("no file name");
    }
    if (!OpenStream(pPath, pText)) {
        return false;
    }
    return !pText || CheckText();
}

bool KByteSource::OpenMemory(const void* pData, std::size_t pSize, const char* pName, bool pText)
{
    Close();
    mName = pName ? pName : "";
    if (!pData && pSize > 0) {
        return Refuse("no data");
    }
    // fmemopen never writes through a stream opened for reading.
    void* lData = pData ? const_cast<void*>(pData) : &mEmptyBlock;
    mStream = fmemopen(lData, pSize, "rb");
    if (!mStream) {
        return Refuse(ReasonOf(errno));
    }
    mSize = pSize;
    return !pText || CheckText();
}

void KByteSource::Close()
{
    if (mStream) {
        std::fclose(mStream);
        mStream = nullptr;
    }
    mPipeBytes.clear();
    mPipeBytes.shrink_to_fit();
    mSize = 0;
    mBinary = false;
    mReason.clear();
}

bool KByteSource::OpenStream(const char* pPath, bool pText)
{
    // Looked at before opening: opening a device can already do something.
    struct stat lStat;
    if (stat(pPath, &lStat) != 0) {
        return Refuse(ReasonOf(errno));
    }
    if (const char* lRefusal = RefusalOf(lStat.st_mode)) {
        return Refuse(lRefusal);
    }
    std::FILE* lFile = std::fopen(pPath, "rb");
    if (!lFile) {
        return Refuse(ReasonOf(errno));
    }
    // The path may name something else by now.
    const char* lRefusal =
        fstat(fileno(lFile), &lStat) == 0 ? RefusalOf(lStat.st_mode) : "cannot be examined";
    if (lRefusal) {
        std::fclose(lFile);
        return Refuse(lRefusal);
    }
    if (!S_ISFIFO(lStat.st_mode)) {
        mStream = lFile;
        mSize = static_cast<std::uint64_t>(lStat.st_size);
        return true;
    }
    const bool lRead = ReadPipe(lFile, pText);
    std::fclose(lFile);
    return lRead;
}

bool KByteSource::ReadPipe(std::FILE* pPipe, bool pText)
{
    std::size_t lSize = 0;
    for (;;) {
        if (lSize == kMaxPipeSize) {
            return Refuse("delivers more than 1 GiB");
        }
        mPipeBytes.resize(lSize + kFirstBlockSize);
        const std::size_t lRead = std::fread(mPipeBytes.data() + lSize, 1, kFirstBlockSize, pPipe);
        // The first block is checked before more is taken, so endless binary data stops here.
        if (pText && lSize == 0 && std::memchr(mPipeBytes.data(), '\0', lRead)) {
            return RefuseBinary();
        }
        lSize += lRead;
        if (lRead < kFirstBlockSize) {
            break;
        }
    }
    if (std::ferror(pPipe)) {
        return Refuse("read error");
    }
    mPipeBytes.resize(lSize);
    mStream = fmemopen(lSize > 0 ? mPipeBytes.data() : &mEmptyBlock, lSize, "rb");
    if (!mStream) {
        return Refuse(ReasonOf(errno));
    }
    mSize = lSize;
    return true;
}

bool KByteSource::CheckText()
{
    std::vector<char> lBlock(kFirstBlockSize);
    const std::size_t lRead = std::fread(lBlock.data(), 1, lBlock.size(), mStream);
    if (std::memchr(lBlock.data(), '\0', lRead)) {
        return RefuseBinary();
    }
    if (std::fseek(mStream, 0, SEEK_SET) != 0) {
        return Refuse("cannot go back to its start");
    }
    std::clearerr(mStream);
    return true;
}

bool KByteSource::Refuse(const std::string& pWhy)
{
    Close();
    mReason = pWhy;
    return false;
}

bool KByteSource::RefuseBinary()
{
    Refuse("holds binary data, not text");
    mBinary = true;
    return false;
}
