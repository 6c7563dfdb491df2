#include "plugin/shell/KOptionTable.h"

#include <charconv>
#include <cstdio>
#include <cstring>

const KOptionTable::Entry* KOptionTable::At(int pIndex) const
{
    return pIndex >= 0 && pIndex < GetCount() ? &mEntries[pIndex] : nullptr;
}

KString KOptionTable::GetKey(int pIndex) const
{
    return At(pIndex) ? At(pIndex)->mKey : KString();
}

KString KOptionTable::GetString(int pIndex) const
{
    return At(pIndex) ? At(pIndex)->mValue : KString();
}

bool KOptionTable::GetBool(int pIndex) const
{
    return At(pIndex) && std::strcmp(At(pIndex)->mValue.Buffer(), "true") == 0;
}

// Reads the leading number like atof, but in the C locale whatever the process's locale is.
double KOptionTable::GetDouble(int pIndex) const
{
    if (!At(pIndex)) {
        return 0.0;
    }
    const char* lText = At(pIndex)->mValue.Buffer();
    while (*lText == ' ' || *lText == '\t') {
        ++lText;
    }
    if (*lText == '+') {
        ++lText;
    }
    double lValue = 0.0;
    const auto lResult = std::from_chars(lText, lText + std::strlen(lText), lValue);
    return lResult.ec == std::errc() ? lValue : 0.0;
}

bool KOptionTable::SetString(int pIndex, const char* pValue)
{
    if (!At(pIndex)) {
        return false;
    }
    mEntries[pIndex].mValue = KString(pValue ? pValue : "");
    return true;
}

bool KOptionTable::SetDouble(int pIndex, double pValue)
{
    char lText[64];
    const auto lResult = std::to_chars(lText, lText + sizeof(lText) - 1, pValue);
    *lResult.ptr = '\0';
    return SetString(pIndex, lText);
}

int KOptionTable::FindKey(const char* pKey) const
{
    for (int lIndex = 0; pKey && lIndex < GetCount(); ++lIndex) {
        if (std::strcmp(mEntries[lIndex].mKey.Buffer(), pKey) == 0) {
            return lIndex;
        }
    }
    return -1;
}

void KOptionTable::ResetToDefaults()
{
    for (Entry& lEntry : mEntries) {
        lEntry.mValue = lEntry.mDefault;
    }
}

void KOptionTable::Resize(int pCount)
{
    mEntries.resize(pCount < 0 ? 0 : pCount);
}

void KOptionTable::Define(int pIndex, const char* pKey, const char* pDefault)
{
    if (pIndex >= 0 && pIndex < GetCount()) {
        mEntries[pIndex] = {KString(pKey), KString(pDefault), KString(pDefault)};
    }
}
