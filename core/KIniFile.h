#ifndef RYVKIT_CORE_KINIFILE_H
#define RYVKIT_CORE_KINIFILE_H

#include "core/KString.h"

#include <string>
#include <vector>

// An ini-style settings file: section lines "[section]" and value lines "key = value". Sections
// and keys keep their file order and are matched without regard to case. A name beginning with
// '@' names a per-computer file, "<computer name>.<rest of the name>" in the settings folder;
// other names are paths. Saving writes a copy to "backupfile.ini" in the same folder first.
class KIniFile
{
public:
    // The kit's own settings, a per-computer file.
    static constexpr const char* kKitSettingsName = "@ryvkit.ini";

    // With pLoad, reads the file at once (a missing or unreadable file leaves it empty).
    explicit KIniFile(const char* pName, bool pLoad = true);

    // Reads the file, replacing what is held; false when it cannot be opened.
    bool Load();
    // Writes the backup, then the file, creating missing folders; false when either write fails.
    bool Save() const;

    // The stored text of a key, or the default (a null default gives the null string).
    KString GetValue(const char* pSection, const char* pKey, const char* pDefault) const;
    // Stores a value, adding the section and key when new. Names holding a line end, a key
    // holding '=' or a key or section name that is empty are refused (false); so is a value
    // holding a line end, which would not read back.
    bool SetValue(const char* pSection, const char* pKey, const char* pValue);

    // Digits after the decimal point in numeric fields: section "NumericField", key "Decimal",
    // 2 when absent or not a whole number from 0 to 15.
    int GetDisplayPrecision() const;

    const KString& GetPath() const { return mPath; }

    // Our settings folder: $HOME/.ryvkit, or the current folder "." when HOME is unset or empty.
    static KString GetSettingsFolder();
    // The file path a name stands for (see the class comment).
    static KString GetFilePath(const char* pName);

private:
    struct Entry
    {
        std::string mKey;
        std::string mValue;
    };
    struct Section
    {
        std::string mName;
        std::vector<Entry> mEntries;
    };

    Section* FindSection(const std::string& pName);
    const Section* FindSection(const std::string& pName) const;
    bool WriteTo(const char* pPath) const;

    KString mPath;
    std::vector<Section> mSections;
};

#endif
