#include "core/KImageConverter.h"

#include "core/KFileUtils.h"

#include <utility>

KImageConverter::KImageConverter(KRyvObjectFactory* pFactory) : mFactory(pFactory) {}

bool KImageConverter::RegisterReader(const char* pExtension, ReaderFunction pReader)
{
    if (!pExtension || !*pExtension || !pReader) {
        return false;
    }
    for (ReaderEntry& entry : mReaders) {
        if (entry.mExtension.CompareNoCase(pExtension) == 0) {
            entry.mReader = std::move(pReader);
            return true;
        }
    }
    mReaders.push_back(ReaderEntry{KString(pExtension), std::move(pReader)});
    return true;
}

const KImageConverter::ReaderFunction* KImageConverter::FindReader(const char* pFileName) const
{
    const KString name = GetFileName(pFileName, true);
    const KString stem = GetFileName(pFileName, false);
    // The extension is what the name has beyond its stem and the '.'.
    if (name.GetLen() <= stem.GetLen() + 1) {
        return nullptr;
    }
    const KString extension = name.Mid(stem.GetLen() + 1);
    for (const ReaderEntry& entry : mReaders) {
        if (entry.mExtension.CompareNoCase(extension.Buffer()) == 0) {
            return &entry.mReader;
        }
    }
    return nullptr;
}
