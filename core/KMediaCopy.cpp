#include "core/KMediaCopy.h"

#include "core/KOutputFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <strings.h>
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

// Copies an open regular file into a new file put in place of pTarget, or handed to pGroup;
// false on any failure.
bool CopyBytes(int pSource, const char* pTarget, KOutputGroup* pGroup)
{
    KOutputFile lOutput;
    lOutput.SetGroup(pGroup);
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

// The parts of pPath between '/', without empty and "." parts.
std::vector<std::string> SplitPath(const std::string& pPath)
{
    std::vector<std::string> lParts;
    std::size_t lStart = 0;
    while (lStart <= pPath.size()) {
        const std::size_t lEnd = std::min(pPath.find('/', lStart), pPath.size());
        const std::string lPart = pPath.substr(lStart, lEnd - lStart);
        if (!lPart.empty() && lPart != ".") {
            lParts.push_back(lPart);
        }
        lStart = lEnd + 1;
    }
    return lParts;
}

std::string RealPath(const std::string& pPath)
{
    char* lResolved = realpath(pPath.empty() ? "." : pPath.c_str(), nullptr);
    if (!lResolved) {
        return std::string();
    }
    std::string lPath = lResolved;
    std::free(lResolved);
    return lPath;
}

// True when pSource is pRelative below some folder and, links followed, still lies in that
// folder. A source that does not exist passes: opening it reports it missing.
bool StaysInFolder(const std::string& pSource, const std::string& pRelative)
{
    const std::vector<std::string> lRelative = SplitPath(pRelative);
    const std::vector<std::string> lSource = SplitPath(pSource);
    if (lRelative.empty() || lRelative.size() > lSource.size() ||
        !std::equal(lRelative.rbegin(), lRelative.rend(), lSource.rbegin())) {
        return false;
    }
    std::string lFolder = pSource[0] == '/' ? "/" : "";
    for (std::size_t i = 0; i + lRelative.size() < lSource.size(); ++i) {
        lFolder += lSource[i] + "/";
    }
    const std::string lRealSource = RealPath(pSource);
    const std::string lRealFolder = RealPath(lFolder);
    if (lRealSource.empty()) {
        return true;
    }
    const std::string lPrefix = lRealFolder == "/" ? lRealFolder : lRealFolder + "/";
    return !lRealFolder.empty() && lRealSource.compare(0, lPrefix.size(), lPrefix) == 0;
}

// eCopied when pSource may be read for a file that named it pRelativeName, else why not (with
// its line in ioMessage); pOpened receives the file opened without blocking, -1 when none, and
// oStat what it is. pWhat and pNotDone word the lines: "Texture file " and " not copied".
KMediaCopy::EResult OpenSource(const char* pSource, const char* pRelativeName, const char* pWhat,
                               const char* pNotDone, KString& ioMessage, int& oOpened,
                               struct stat& oStat)
{
    oOpened = -1;
    const std::string lRelative = pRelativeName ? pRelativeName : "";
    if (KMediaCopy::LeavesFolder(pRelativeName) ||
        (!lRelative.empty() && !StaysInFolder(pSource, lRelative))) {
        AddLine(ioMessage, pWhat + Quoted(pSource) + pNotDone +
                               ": it lies outside the folder of the file that names it.");
        return KMediaCopy::eOutsideSourceFolder;
    }
    // Opened without blocking, so that a pipe cannot stall the writer before it is refused.
    oOpened = open(pSource, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (oOpened < 0) {
        AddLine(ioMessage, "Unable to locate texture file " + Quoted(pSource) + ".");
        return KMediaCopy::eMissing;
    }
    if (fstat(oOpened, &oStat) != 0 || !S_ISREG(oStat.st_mode)) {
        AddLine(ioMessage, pWhat + Quoted(pSource) + pNotDone + ": it is not a regular file.");
        close(oOpened);
        oOpened = -1;
        return KMediaCopy::eNotRegularFile;
    }
    return KMediaCopy::eCopied;
}

// Reads the open file to its end, at most pLimit bytes; false when it holds more or a read fails.
bool ReadAll(int pFile, std::size_t pLimit, std::vector<std::uint8_t>& oBytes)
{
    char lBlock[kCopyBlock];
    for (;;) {
        const ssize_t lRead = read(pFile, lBlock, sizeof(lBlock));
        if (lRead < 0 && errno == EINTR) {
            continue;
        }
        if (lRead <= 0) {
            return lRead == 0;
        }
        if (static_cast<std::size_t>(lRead) > pLimit - oBytes.size()) {
            return false;
        }
        oBytes.insert(oBytes.end(), lBlock, lBlock + lRead);
    }
}

// True when the file at pTarget holds the bytes of the open regular file pSource (of status
// pStat), or is that file.
bool HoldsSameBytes(int pSource, const struct stat& pStat, const char* pTarget)
{
    const int lTarget = open(pTarget, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat lStat;
    bool lSame = lTarget >= 0 && fstat(lTarget, &lStat) == 0 && S_ISREG(lStat.st_mode) &&
                 lStat.st_size == pStat.st_size;
    if (lSame && lStat.st_dev == pStat.st_dev && lStat.st_ino == pStat.st_ino) {
        close(lTarget);
        return true;
    }
    char lSourceBlock[kCopyBlock];
    char lTargetBlock[kCopyBlock];
    for (off_t lAt = 0; lSame && lAt < pStat.st_size;) {
        const ssize_t lRead = pread(pSource, lSourceBlock, sizeof(lSourceBlock), lAt);
        lSame = lRead > 0 &&
                pread(lTarget, lTargetBlock, static_cast<std::size_t>(lRead), lAt) == lRead &&
                std::memcmp(lSourceBlock, lTargetBlock, static_cast<std::size_t>(lRead)) == 0;
        lAt += lSame ? lRead : 0;
    }
    if (lTarget >= 0) {
        close(lTarget);
    }
    return lSame;
}

std::string JoinPath(const std::string& pFolder, const std::string& pName)
{
    return pFolder.empty() ? pName : pFolder + "/" + pName;
}

// True when pPath (links followed) is a folder for pFolder, or something else for !pFolder: a
// name's last part names a file, the parts before it folders.
bool IsOfKind(const std::string& pPath, bool pFolder)
{
    struct stat lStat;
    return stat(pPath.c_str(), &lStat) == 0 && S_ISDIR(lStat.st_mode) == pFolder;
}

// The entry of pFolder named pName without regard to case and of the kind asked (IsOfKind; the
// first in byte order); empty when none is.
std::string MatchNoCase(const std::string& pFolder, const std::string& pName, bool pWantFolder)
{
    DIR* lFolder = opendir(pFolder.empty() ? "." : pFolder.c_str());
    if (!lFolder) {
        return std::string();
    }
    std::string lMatch;
    while (const dirent* lEntry = readdir(lFolder)) {
        if (strcasecmp(lEntry->d_name, pName.c_str()) == 0 &&
            (lMatch.empty() || lMatch.compare(lEntry->d_name) > 0) &&
            IsOfKind(JoinPath(pFolder, lEntry->d_name), pWantFolder)) {
            lMatch = lEntry->d_name;
        }
    }
    closedir(lFolder);
    return lMatch;
}

const char kTextureFile[] = "Texture file ";
const char kMediaFile[] = "Media file ";

// For a texture whose target pTarget stands already: a warning line when the texture, which
// could have been copied, holds other bytes than that file. The same bytes there (a second pass
// over the same scene) need no word, nor does a texture that would not have been copied anyway.
void WarnIfDifferent(const char* pSource, const char* pRelativeName, const char* pTarget,
                     KString& ioMessage)
{
    KString lQuiet;
    int lSource = -1;
    struct stat lStat;
    if (OpenSource(pSource, pRelativeName, kTextureFile, "", lQuiet, lSource, lStat) !=
        KMediaCopy::eCopied) {
        return;
    }
    if (!HoldsSameBytes(lSource, lStat, pTarget)) {
        AddLine(ioMessage, kTextureFile + Quoted(pSource) + " not copied: a different file " +
                               Quoted(pTarget) + " stands in its place.");
    }
    close(lSource);
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
                                     const char* pTarget, KString& ioMessage, KOutputGroup* pGroup)
{
    struct stat lStat;
    if (lstat(pTarget, &lStat) == 0) {
        WarnIfDifferent(pSource, pRelativeName, pTarget, ioMessage);
        return eTargetExists;
    }
    int lSource = -1;
    EResult lResult =
        OpenSource(pSource, pRelativeName, kTextureFile, " not copied", ioMessage, lSource, lStat);
    if (lResult != eCopied) {
        return lResult;
    }
    if (!CopyBytes(lSource, pTarget, pGroup)) {
        AddLine(ioMessage, "Error writing texture file " + Quoted(pTarget) + ".");
        lResult = eWriteFailed;
    } else {
        AddLine(ioMessage, kTextureFile + Quoted(pSource) + " copied to " + Quoted(pTarget) + ".");
    }
    close(lSource);
    return lResult;
}

KMediaCopy::EResult KMediaCopy::Load(const char* pSource, const char* pRelativeName,
                                     std::size_t pLimit, std::vector<std::uint8_t>& oBytes,
                                     KString& ioMessage)
{
    oBytes.clear();
    int lSource = -1;
    struct stat lStat;
    const EResult lResult =
        OpenSource(pSource, pRelativeName, kMediaFile, " not embedded", ioMessage, lSource, lStat);
    if (lResult != eCopied) {
        return lResult;
    }
    // Refused from its size, before a byte of it is read.
    if (static_cast<std::uint64_t>(lStat.st_size) > pLimit) {
        close(lSource);
        AddLine(ioMessage, kMediaFile + Quoted(pSource) + " not embedded: it holds " +
                               std::to_string(lStat.st_size) + " bytes, more than " +
                               std::to_string(pLimit) + ".");
        return eTooLarge;
    }
    const bool lRead = ReadAll(lSource, pLimit, oBytes);
    close(lSource);
    if (!lRead) {
        oBytes.clear();
        AddLine(ioMessage, kMediaFile + Quoted(pSource) +
                               " not embedded: it cannot be read whole or holds more than " +
                               std::to_string(pLimit) + " bytes.");
        return eTooLarge;
    }
    AddLine(ioMessage, kMediaFile + Quoted(pSource) + " embedded.");
    return eCopied;
}

std::string KMediaCopy::Locate(const char* pFolder, const char* pRelativeName)
{
    const std::string lFolder = pFolder ? pFolder : "";
    const std::string lGiven = pRelativeName ? pRelativeName : "";
    if (lGiven.empty() || LeavesFolder(pRelativeName) ||
        IsOfKind(JoinPath(lFolder, lGiven), false)) {
        return lGiven;
    }
    std::string lGivenParts = lGiven;
    std::replace(lGivenParts.begin(), lGivenParts.end(), '\\', '/');
    std::string lFound;
    const std::vector<std::string> lParts = SplitPath(lGivenParts);
    for (std::size_t i = 0; i < lParts.size(); ++i) {
        const std::string& lPart = lParts[i];
        // A folder of the file's name does not hide the file, nor a file a folder of the path.
        const bool lFolderPart = i + 1 < lParts.size();
        const std::string lAt = JoinPath(lFolder, lFound);
        const std::string lName = IsOfKind(JoinPath(lAt, lPart), lFolderPart)
                                      ? lPart
                                      : MatchNoCase(lAt, lPart, lFolderPart);
        if (lName.empty()) {
            return lGiven;
        }
        lFound = JoinPath(lFound, lName);
    }
    return lFound.empty() ? lGiven : lFound;
}
