#include "core/KSettingsStore.h"

#include "core/KFileUtils.h"

KSettingsStore::KSettingsStore()
    : mFile(MakeAbsolutePath(KIniFile::GetSettingsFolder().Buffer(), kFileName).Buffer())
{
}

KString KSettingsStore::GetString(const char* pKeyPath, const char* pValueName,
                                  const char* pDefault) const
{
    return mFile.GetValue(pKeyPath, pValueName, pDefault);
}

bool KSettingsStore::SetString(const char* pKeyPath, const char* pValueName, const char* pValue)
{
    if (!pKeyPath || !*pKeyPath) {
        return false;
    }
    return mFile.SetValue(pKeyPath, pValueName, pValue) && mFile.Save();
}
