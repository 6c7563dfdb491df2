#ifndef RYVKIT_CORE_KSETTINGSSTORE_H
#define RYVKIT_CORE_KSETTINGSSTORE_H

#include "core/KIniFile.h"
#include "core/KString.h"

// Settings kept by key path and value name (such as "SOFTWARE\\...\\RYV_Plugins_6.0.1" and
// "UserParams"), persisted as the ini file "settings.ini" in our settings folder
// (KIniFile::GetSettingsFolder). Each key path is a section of that file.
class KSettingsStore
{
public:
    static constexpr const char* kFileName = "settings.ini";

    // Reads the stored settings (none when the file does not exist yet).
    KSettingsStore();

    // The stored text, or the default (a null default gives the null string).
    KString GetString(const char* pKeyPath, const char* pValueName, const char* pDefault) const;
    // Stores the text and writes the file at once. False when the text cannot be stored (a line
    // end in any of the three, an empty name, '=' in the value name) or the file not written.
    bool SetString(const char* pKeyPath, const char* pValueName, const char* pValue);

    const KString& GetPath() const { return mFile.GetPath(); }

private:
    KIniFile mFile;
};

#endif
