#include "io/KFileFormatRegistry.h"

#include <algorithm>
#include <cstring>

namespace {

char LowerAscii(char pChar)
{
    const unsigned char lChar = static_cast<unsigned char>(pChar);
    return lChar >= 'A' && lChar <= 'Z' ? static_cast<char>(lChar - 'A' + 'a') : pChar;
}

bool SameExtension(const char* pFromName, const char* pRegistered)
{
    for (; *pFromName && *pRegistered; ++pFromName, ++pRegistered) {
        if (LowerAscii(*pFromName) != *pRegistered) {
            return false;
        }
    }
    return *pFromName == *pRegistered;
}

// The text after the last '.' of the last path component; null when there is none.
const char* ExtensionOf(const char* pFileName)
{
    const char* lExtension = nullptr;
    for (const char* lChar = pFileName; *lChar; ++lChar) {
        if (*lChar == '/' || *lChar == '\\') {
            lExtension = nullptr;
        } else if (*lChar == '.') {
            lExtension = lChar + 1;
        }
    }
    return lExtension;
}

// Formats that are written come in exporter-code order, those only read after them.
bool ListedBefore(const KFileFormatDescriptor& pLeft, const KFileFormatDescriptor& pRight)
{
    const auto lKey = [](const KFileFormatDescriptor& pFormat) {
        const int lExport = pFormat.mExportFormat < 0 ? KFileFormatRegistry::kExportFormatCount
                                                      : pFormat.mExportFormat;
        return lExport * KFileFormatRegistry::kImportFormatCount + pFormat.mImportFormat;
    };
    return lKey(pLeft) < lKey(pRight);
}

} // namespace

KFileFormatRegistry& KFileFormatRegistry::Kit()
{
    static KFileFormatRegistry sRegistry;
    return sRegistry;
}

bool KFileFormatRegistry::Register(const KFileFormatDescriptor& pFormat)
{
    const bool lReads = pFormat.mImportFormat >= 0;
    const bool lWrites = pFormat.mExportFormat >= 0;
    if (!pFormat.mName || (!lReads && !lWrites) || pFormat.mImportFormat >= kImportFormatCount ||
        pFormat.mExportFormat >= kExportFormatCount ||
        lReads != (pFormat.mCreateReader != nullptr) ||
        lWrites != (pFormat.mCreateWriter != nullptr)) {
        return false;
    }
    if ((lReads && FindImportFormat(pFormat.mImportFormat)) ||
        (lWrites && FindExportFormat(pFormat.mExportFormat))) {
        return false;
    }
    if (pFormat.mExtension) {
        for (const KFileFormatDescriptor& lOther : mFormats) {
            if (lOther.mExtension && SameExtension(pFormat.mExtension, lOther.mExtension)) {
                return false;
            }
        }
    }
    mFormats.insert(std::upper_bound(mFormats.begin(), mFormats.end(), pFormat, ListedBefore),
                    pFormat);
    return true;
}

const KFileFormatDescriptor* KFileFormatRegistry::FindImportFormat(int pImportFormat) const
{
    for (const KFileFormatDescriptor& lFormat : mFormats) {
        if (pImportFormat >= 0 && lFormat.mImportFormat == pImportFormat) {
            return &lFormat;
        }
    }
    return nullptr;
}

const KFileFormatDescriptor* KFileFormatRegistry::FindExportFormat(int pExportFormat) const
{
    for (const KFileFormatDescriptor& lFormat : mFormats) {
        if (pExportFormat >= 0 && lFormat.mExportFormat == pExportFormat) {
            return &lFormat;
        }
    }
    return nullptr;
}

const KFileFormatDescriptor* KFileFormatRegistry::FindByFileName(const char* pFileName) const
{
    const char* lExtension = pFileName ? ExtensionOf(pFileName) : nullptr;
    if (!lExtension) {
        return nullptr;
    }
    for (const KFileFormatDescriptor& lFormat : mFormats) {
        if (lFormat.mExtension && SameExtension(lExtension, lFormat.mExtension)) {
            return &lFormat;
        }
    }
    return nullptr;
}

int KFileFormatRegistry::GetImportFormatFromFileName(const char* pFileName) const
{
    const KFileFormatDescriptor* lFormat = FindByFileName(pFileName);
    return lFormat ? lFormat->mImportFormat : -1;
}

int KFileFormatRegistry::GetExportFormatFromFileName(const char* pFileName) const
{
    const KFileFormatDescriptor* lFormat = FindByFileName(pFileName);
    return lFormat ? lFormat->mExportFormat : -1;
}

bool KFileFormatRegistry::IsNativeImportFormat(int pImportFormat)
{
    return pImportFormat >= kImportRyvBinary && pImportFormat <= kImportRyvEncrypted;
}

bool KFileFormatRegistry::IsNativeExportFormat(int pExportFormat)
{
    return pExportFormat >= kExportRyvBinary && pExportFormat <= kExportRyv5Ascii;
}
