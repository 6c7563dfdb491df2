#include "core/KFileUtils.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace {

std::string ToString(const char* pText)
{
    return pText ? std::string(pText) : std::string();
}

KString ToKString(const std::string& pText)
{
    return KString(pText.c_str(), static_cast<int>(pText.size()));
}

// Index where the file name of a path begins.
std::size_t NameStart(const std::string& pPath)
{
    const std::size_t separator = pPath.find_last_of("/\\");
    return separator == std::string::npos ? 0 : separator + 1;
}

// Index of the '.' of the file name's extension, npos when it has none.
std::size_t ExtensionStart(const std::string& pPath)
{
    const std::size_t name = NameStart(pPath);
    const std::size_t dot = pPath.rfind('.');
    return dot == std::string::npos || dot <= name ? std::string::npos : dot;
}

bool IsFolder(const std::string& pPath)
{
    struct stat info;
    return stat(pPath.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

KString GetFileName(const char* pPath, bool pKeepExtension)
{
    const std::string path = ToString(pPath);
    std::size_t end = path.size();
    if (!pKeepExtension) {
        const std::size_t dot = ExtensionStart(path);
        if (dot != std::string::npos) {
            end = dot;
        }
    }
    const std::size_t start = NameStart(path);
    return ToKString(path.substr(start, end - start));
}

KString GetFileDirectory(const char* pPath)
{
    const std::string path = ToString(pPath);
    std::size_t separator = path.rfind('/');
    if (separator == std::string::npos) {
        separator = path.rfind('\\');
    }
    return ToKString(separator == std::string::npos ? std::string() : path.substr(0, separator));
}

KString ChangeFileExtension(const char* pPath, const char* pSuffix)
{
    std::string path = ToString(pPath);
    const std::size_t dot = ExtensionStart(path);
    if (dot != std::string::npos) {
        path.erase(dot);
    }
    const std::string suffix = ToString(pSuffix);
    if (!suffix.empty() && suffix[0] != '.') {
        path += '.';
    }
    return ToKString(path + suffix);
}

KString MakeAbsolutePath(const char* pBase, const char* pPath)
{
    const std::string base = ToString(pBase);
    const std::string path = ToString(pPath);
    // A leading '/' is an absolute path here; joining it to a base would name another file.
    if (base.empty() || path.find(':') != std::string::npos || path.rfind("\\\\", 0) == 0 ||
        (!path.empty() && path[0] == '/')) {
        return ToKString(path);
    }
    const char last = base.back();
    return ToKString(last == '/' || last == '\\' ? base + path : base + "/" + path);
}

bool FileExists(const char* pPath)
{
    if (!pPath || !*pPath) {
        return false;
    }
    std::FILE* file = std::fopen(pPath, "rb");
    if (!file) {
        return false;
    }
    std::fclose(file);
    return true;
}

bool IsSameFile(const char* pPathA, const char* pPathB)
{
    struct stat lA;
    struct stat lB;
    return pPathA && pPathB && stat(pPathA, &lA) == 0 && stat(pPathB, &lB) == 0 &&
           lA.st_dev == lB.st_dev && lA.st_ino == lB.st_ino;
}

bool CreateFileFolders(const char* pPath)
{
    const std::string path = ToString(pPath);
    const std::size_t last = path.rfind('/');
    if (last == std::string::npos || last == 0) {
        return true;
    }
    // Walk the folders from the root down, so each parent exists before its child is made.
    for (std::size_t end = path.find('/', 1); end != std::string::npos && end <= last;
         end = path.find('/', end + 1)) {
        const std::string folder = path.substr(0, end);
        if (folder.back() == '/' || IsFolder(folder)) {
            continue;
        }
        if (mkdir(folder.c_str(), 0777) != 0 && !(errno == EEXIST && IsFolder(folder))) {
            return false;
        }
    }
    return true;
}

namespace {

// The next character of a text line: CR LF and a lone CR both read as LF (the character after a
// lone CR is put back for the next line); EOF at the end of the file.
int GetLineChar(std::FILE* pStream)
{
    const int c = std::getc(pStream);
    if (c != '\r') {
        return c;
    }
    const int next = std::getc(pStream);
    if (next != '\n' && next != EOF) {
        std::ungetc(next, pStream);
    }
    return '\n';
}

} // namespace

char* ReadTextLine(char* pBuffer, int pSize, std::FILE* pStream)
{
    if (!pBuffer || !pStream || pSize < 2) {
        return nullptr;
    }
    int count = 0;
    int c = 0;
    while (count < pSize - 1 && c != '\n' && (c = GetLineChar(pStream)) != EOF) {
        pBuffer[count++] = static_cast<char>(c);
    }
    pBuffer[count] = '\0';
    return count > 0 ? pBuffer : nullptr;
}

bool ReadTextLine(std::string& oLine, std::FILE* pStream)
{
    oLine.clear();
    if (!pStream) {
        return false;
    }
    int c = 0;
    while (c != '\n' && (c = GetLineChar(pStream)) != EOF) {
        oLine += static_cast<char>(c);
    }
    return !oLine.empty();
}
