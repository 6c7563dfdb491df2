#include "core/KMediaCopy.h"

#include "core/KOutputFile.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kCopyBlock = 64 * 1024;

void AddLine(KString& ioMessage, const std::string& pLine)
{
    ioMessage += (pLine + "\n").c_str();
}

std::string Quoted(const char* pText)
{
    return std::string("\"") + pText + "\"";
}

// Copies an open regular file into a new file put in place of pTarget; false on any failure.
bool CopyBytes(int pSource, const char* pTarget)
{
    KOutputFile lOutput;
    if (!lOutput.Create(pTarget)) {
        return false;
    }
    char lBlock[kCopyBlock];
    for (;;) {
        const ssize_t lRead = read(pSource, lBlock, sizeof(lBlock));
        if (lRead < 0 && errno == EINTR) {
            continue;
        }
        if (lRead <= 0) {
            return lRead == 0 && lOutput.Commit();
        }
        const std::size_t lSize = static_cast<std::size_t>(lRead);
        if (std::fwrite(lBlock, 1, lSize, lOutput.GetStream()) != lSize) {
            return false;
        }
    }
}

} // namespace

bool KMediaCopy::LeavesFolder(const char* pPath)
{
    const std::string lPath = pPath ? pPath : "";
    if (lPath.empty()) {
        return false;
    }
    if (lPath[0] == '/' || lPath[0] == '\\' || (lPath.size() > 1 && lPath[1] == ':')) {
        return true;
    }
    std::size_t lStart = 0;
    while (lStart <= lPath.size()) {
        const std::size_t lEnd = std::min(lPath.find_first_of("/\\", lStart), lPath.size());
        if (lPath.compare(lStart, lEnd - lStart, "..") == 0) {
            return true;
        }
        lStart = lEnd + 1;
    }
    return false;
}

KMediaCopy::EResult KMediaCopy::Copy(const char* pSource, const char* pRelativeName,
                                     const char* pTarget, KString& ioMessage)
{
    struct stat lStat;
    if (lstat(pTarget, &lStat) == 0) {
        return eTargetExists;
    }
    if (LeavesFolder(pRelativeName)) {
        AddLine(ioMessage,
                "Texture file " + Quoted(pSource) +
                    " not copied: it lies outside the folder of the file that names it.");
        return eOutsideSourceFolder;
    }
    // Opened without blocking, so that a pipe cannot stall the writer before it is refused.
    const int lSource = open(pSource, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (lSource < 0) {
        AddLine(ioMessage, "Unable to locate texture file " + Quoted(pSource) + ".");
        return eMissing;
    }
    EResult lResult = eCopied;
    if (fstat(lSource, &lStat) != 0 || !S_ISREG(lStat.st_mode)) {
        AddLine(ioMessage,
                "Texture file " + Quoted(pSource) + " not copied: it is not a regular file.");
        lResult = eNotRegularFile;
    } else if (!CopyBytes(lSource, pTarget)) {
        AddLine(ioMessage, "Error writing texture file " + Quoted(pTarget) + ".");
        lResult = eWriteFailed;
    } else {
        AddLine(ioMessage,
                "Texture file " + Quoted(pSource) + " copied to " + Quoted(pTarget) + ".");
    }
    close(lSource);
    return lResult;
}
