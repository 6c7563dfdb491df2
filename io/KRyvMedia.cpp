#include "io/KRyvMedia.h"

#include "core/KFileUtils.h"
#include "core/KMediaCopy.h"
#include "ryvfile/KRyvFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const char kContent[] = "Content";
// The most of a stored name a warning quotes.
constexpr int kQuotedNameLength = 40;

// "name.ext" -> "name_<n>.ext".
KString NumberedName(const KString& pName, int pNumber)
{
    const int lDot = pName.ReverseFind('.');
    const KString lSuffix = "_" + KString(pNumber);
    return lDot > 0 ? pName.Left(lDot) + lSuffix + pName.Mid(lDot) : pName + lSuffix;
}

bool WriteAll(int pFile, const std::vector<std::uint8_t>& pBytes)
{
    std::size_t lAt = 0;
    while (lAt < pBytes.size()) {
        const ssize_t lWritten = write(pFile, pBytes.data() + lAt, pBytes.size() - lAt);
        if (lWritten < 0 && errno == EINTR) {
            continue;
        }
        if (lWritten <= 0) {
            return false;
        }
        lAt += static_cast<std::size_t>(lWritten);
    }
    return true;
}

// True when pPath is a regular file (not a link, not a pipe: opened without following or
// blocking) holding exactly pBytes.
bool HoldsBytes(const char* pPath, const std::vector<std::uint8_t>& pBytes)
{
    const int lFile = open(pPath, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (lFile < 0) {
        return false;
    }
    struct stat lStat;
    bool lSame = fstat(lFile, &lStat) == 0 && S_ISREG(lStat.st_mode) &&
                 static_cast<std::uint64_t>(lStat.st_size) == pBytes.size();
    std::vector<std::uint8_t> lExisting(lSame ? pBytes.size() : 0);
    std::size_t lAt = 0;
    while (lSame && lAt < lExisting.size()) {
        const ssize_t lRead = read(lFile, lExisting.data() + lAt, lExisting.size() - lAt);
        lSame = lRead > 0;
        lAt += lSame ? static_cast<std::size_t>(lRead) : 0;
    }
    close(lFile);
    return lSame && lExisting == pBytes;
}

// Creates pPath new (O_EXCL: never over anything, a dangling link included) and writes the
// bytes; EEXIST in oError when the name is taken.
bool CreateNew(const char* pPath, const std::vector<std::uint8_t>& pBytes, int& oError)
{
    const int lFile = open(pPath, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (lFile < 0) {
        oError = errno;
        return false;
    }
    const bool lWritten = WriteAll(lFile, pBytes);
    if (close(lFile) != 0 || !lWritten) {
        oError = EIO;
        unlink(pPath);
        return false;
    }
    return true;
}

} // namespace

KString KRyvMedia::SafeName(const char* pStoredName)
{
    const KString lName = GetFileName(pStoredName, true);
    if (lName.IsEmpty() || lName.Compare(".") == 0 || lName.Compare("..") == 0) {
        return KString("");
    }
    return lName;
}

void KRyvMedia::Embed(KRyvFile& ioFile, const char* pFileName, const char* pRelativeName,
                      KString& ioMessage)
{
    if (!pFileName || !*pFileName) {
        return;
    }
    std::vector<std::uint8_t> lBytes;
    if (KMediaCopy::Load(pFileName, pRelativeName, static_cast<std::size_t>(kMaxEmbeddedSize),
                         lBytes, ioMessage) != KMediaCopy::eCopied) {
        return;
    }
    ioFile.FieldWriteBegin(kContent);
    ioFile.FieldWriteC(SafeName(pFileName));
    ioFile.FieldWriteR(lBytes.data(), lBytes.size());
    ioFile.FieldWriteEnd();
}

bool KRyvMediaFolder::Restore(KRyvFile& ioFile, KString& oPath, KString& ioMessage)
{
    if (!ioFile.FieldReadBegin(kContent)) {
        return false;
    }
    const KString lStoredName = ioFile.FieldReadC();
    const KString lName = KRyvMedia::SafeName(lStoredName.Buffer());
    std::vector<std::uint8_t> lBytes;
    ioFile.FieldReadR(lBytes);
    ioFile.FieldReadEnd();
    const auto lRefuse = [&](const KString& pQuoted, const char* pWhy) {
        ioMessage +=
            "Embedded media not restored: " + pQuoted.Left(kQuotedNameLength) + ": " + pWhy + "\n";
        return false;
    };
    if (lName.IsEmpty()) {
        return lRefuse(lStoredName, "the stored name holds no file name");
    }
    if (mFolder.IsEmpty()) {
        return lRefuse(lName, "there is no folder to restore it into");
    }
    if (!CreateFileFolders((mFolder + "/" + lName).Buffer())) {
        return lRefuse(lName, std::strerror(errno));
    }
    int& lNumber = mNextNumber[lName.Buffer()];
    while (lNumber < kMaxNameTries) {
        oPath = mFolder + "/" + (lNumber == 0 ? lName : NumberedName(lName, lNumber));
        int lError = 0;
        // The number stays: the next record of the name starts at the file just made, which
        // it reuses when its bytes are the same.
        if (CreateNew(oPath.Buffer(), lBytes, lError)) {
            return true;
        }
        if (lError != EEXIST) {
            return lRefuse(lName, std::strerror(lError));
        }
        // Taken: reused when it holds these very bytes, else the search goes on from the next.
        if (HoldsBytes(oPath.Buffer(), lBytes)) {
            return true;
        }
        ++lNumber;
    }
    return lRefuse(lName, "every numbered name of it is taken");
}
