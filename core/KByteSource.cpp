#include "core/KByteSource.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

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

// Null for what a reader may take (a regular file); otherwise why not.
const char* RefusalOf(mode_t pMode)
{
    if (S_ISDIR(pMode)) {
        return "is a directory";
    }
    return S_ISREG(pMode) ? nullptr : "is not a regular file";
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
    if (!OpenStream(pPath)) {
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
    mSize = 0;
    mBinary = false;
    mReason.clear();
}

bool KByteSource::OpenStream(const char* pPath)
{
    // Looked at before opening: opening a device can already do something.
    struct stat lStat;
    if (stat(pPath, &lStat) != 0) {
        return Refuse(ReasonOf(errno));
    }
    if (const char* lRefusal = RefusalOf(lStat.st_mode)) {
        return Refuse(lRefusal);
    }
    // Without blocking: the path may name a FIFO by now, whose open would wait for a writer.
    const int lFile = open(pPath, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (lFile < 0) {
        return Refuse(ReasonOf(errno));
    }
    const char* lRefusal =
        fstat(lFile, &lStat) == 0 ? RefusalOf(lStat.st_mode) : "cannot be examined";
    // A regular file reads alike with or without the flag; it is cleared all the same.
    if (!lRefusal && fcntl(lFile, F_SETFL, fcntl(lFile, F_GETFL) & ~O_NONBLOCK) == 0) {
        mStream = fdopen(lFile, "rb");
    }
    if (!mStream) {
        const int lError = errno;
        close(lFile);
        return Refuse(lRefusal ? lRefusal : ReasonOf(lError));
    }
    mSize = static_cast<std::uint64_t>(lStat.st_size);
    return true;
}

bool KByteSource::CheckText()
{
    // Not zeroed: only the bytes fread fills are looked at, and a small file touches one page.
    const std::unique_ptr<char[]> lBlock(new char[kFirstBlockSize]);
    const std::size_t lRead = std::fread(lBlock.get(), 1, kFirstBlockSize, mStream);
    if (std::memchr(lBlock.get(), '\0', lRead)) {
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
