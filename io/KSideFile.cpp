#include "io/KSideFile.h"

#include <strings.h>
#include <sys/stat.h>

#include <cstring>

std::string KSideFile::GetPathBeside(const std::string& pOutput, const std::string& pName)
{
    const std::size_t lSlash = pOutput.find_last_of('/');
    return (lSlash == std::string::npos ? std::string() : pOutput.substr(0, lSlash + 1)) + pName;
}

std::string KSideFile::GetPath(const std::string& pOutput, const char* pOwnExtension,
                               const char* pExtension)
{
    std::string lName = GetName(pOutput);
    const std::size_t lLength = std::strlen(pOwnExtension);
    if (lName.size() >= lLength &&
        strcasecmp(lName.c_str() + lName.size() - lLength, pOwnExtension) == 0) {
        lName.resize(lName.size() - lLength);
    }
    return GetPathBeside(pOutput, lName + pExtension);
}

std::string KSideFile::GetName(const std::string& pPath)
{
    const std::size_t lSlash = pPath.find_last_of('/');
    return lSlash == std::string::npos ? pPath : pPath.substr(lSlash + 1);
}

bool KSideFile::HasPlaceBeside(const char* pOutput)
{
    // A folder there is left to the output's own write, which names it.
    struct stat lStat;
    return !pOutput || stat(pOutput, &lStat) != 0 || S_ISREG(lStat.st_mode) ||
           S_ISDIR(lStat.st_mode);
}
