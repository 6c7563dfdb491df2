#include "core/KStringArray.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr char kSeparator[] = "~";
} // namespace

int KStringArray::InsertAt(int pIndex, const char* pText, std::intptr_t pReference)
{
    if (pIndex < 0) {
        return -1;
    }
    const int lIndex = std::min(pIndex, GetCount());
    mEntries.insert(mEntries.begin() + lIndex, Entry{KString(pText), pReference});
    return lIndex;
}

int KStringArray::Add(const char* pText, std::intptr_t pReference)
{
    return InsertAt(GetCount(), pText, pReference);
}

int KStringArray::RemoveAt(int pIndex)
{
    if (pIndex < 0 || pIndex >= GetCount()) {
        return -1;
    }
    mEntries.erase(mEntries.begin() + pIndex);
    return GetCount();
}

KString KStringArray::GetText(int pIndex) const
{
    if (pIndex < 0 || pIndex >= GetCount()) {
        return KString(nullptr);
    }
    return mEntries[static_cast<std::size_t>(pIndex)].mText;
}

std::intptr_t KStringArray::GetReference(int pIndex) const
{
    if (pIndex < 0 || pIndex >= GetCount()) {
        return 0;
    }
    return mEntries[static_cast<std::size_t>(pIndex)].mReference;
}

KString KStringArray::Join() const
{
    KString lResult;
    for (std::size_t i = 0; i < mEntries.size(); ++i) {
        if (i > 0) {
            lResult += kSeparator;
        }
        lResult += mEntries[i].mText.Buffer();
    }
    return lResult;
}

void KStringArray::Split(const char* pText)
{
    Clear();
    if (pText == nullptr || *pText == '\0') {
        return;
    }
    const char* lStart = pText;
    for (;;) {
        const char* lEnd = std::strchr(lStart, kSeparator[0]);
        if (lEnd == nullptr) {
            Add(lStart);
            return;
        }
        Add(KString(lStart, static_cast<int>(lEnd - lStart)).Buffer());
        lStart = lEnd + 1;
    }
}
