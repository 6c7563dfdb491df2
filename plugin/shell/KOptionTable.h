#ifndef RYVKIT_PLUGIN_SHELL_KOPTIONTABLE_H
#define RYVKIT_PLUGIN_SHELL_KOPTIONTABLE_H

#include "core/KString.h"

#include <vector>

// A table of options by index: each entry has a key name, a value text and a default text.
// Values are read as text, as booleans ("true" is on, anything else off) and as numbers (the
// leading number of the text in the C locale, 0 when there is none). An index outside the table
// reads as empty, off and 0; setting it does nothing and answers false.
class KOptionTable
{
public:
    struct Entry
    {
        KString mKey;
        KString mValue;
        KString mDefault;
    };

    virtual ~KOptionTable() = default;

    int GetCount() const { return static_cast<int>(mEntries.size()); }
    KString GetKey(int pIndex) const;
    KString GetString(int pIndex) const;
    bool GetBool(int pIndex) const;
    double GetDouble(int pIndex) const;
    bool SetString(int pIndex, const char* pValue);
    bool SetBool(int pIndex, bool pValue) { return SetString(pIndex, pValue ? "true" : "false"); }
    bool SetDouble(int pIndex, double pValue);
    // The index of the entry with key pKey; -1 when none.
    int FindKey(const char* pKey) const;
    // Every value back to its default.
    void ResetToDefaults();
    // The export sampling rate in frames per second.
    virtual double GetSamplingRate() const = 0;

protected:
    // Sizes the table to pCount empty entries.
    void Resize(int pCount);
    // Names entry pIndex and gives it its default (also as its value).
    void Define(int pIndex, const char* pKey, const char* pDefault);

private:
    const Entry* At(int pIndex) const;

    std::vector<Entry> mEntries;
};

#endif
