#include "core/KStringList.h"

#include <algorithm>
#include <cstring>

namespace {

int LowerByte(const char* pText)
{
    const unsigned char lByte = static_cast<unsigned char>(*pText);
    return (lByte >= 'A' && lByte <= 'Z') ? lByte - 'A' + 'a' : lByte;
}

// Order of lower-cased unsigned bytes; characters between 'Z' and 'a' ('_', '[', ...) sort
// before letters.
int CompareNoCase(const char* pLeft, const char* pRight)
{
    for (;; ++pLeft, ++pRight) {
        const int lLeft = LowerByte(pLeft);
        const int lRight = LowerByte(pRight);
        if (lLeft != lRight || lLeft == 0) {
            return lLeft - lRight;
        }
    }
}

} // namespace

KStringList::KStringList(int pBlockSize, bool pCaseSensitive)
    : mBlockSize(pBlockSize < 1 ? 1 : pBlockSize), mCaseSensitive(pCaseSensitive)
{
}

void KStringList::SetCaseSensitive(bool pCaseSensitive)
{
    if (pCaseSensitive != mCaseSensitive) {
        mCaseSensitive = pCaseSensitive;
        mSorted = mEntries.size() < 2;
    }
}

int KStringList::CompareTexts(const char* pLeft, const char* pRight) const
{
    return mCaseSensitive ? std::strcmp(pLeft, pRight) : CompareNoCase(pLeft, pRight);
}

int KStringList::Add(const char* pText, std::intptr_t pReference)
{
    if (mEntries.capacity() == 0) {
        mEntries.reserve(static_cast<std::size_t>(mBlockSize));
    }
    mEntries.push_back(Entry{KString(pText == nullptr ? "" : pText), pReference, mEntries.size()});
    mSorted = false;
    return GetCount();
}

void KStringList::Sort()
{
    if (mSorted) {
        return;
    }
    std::sort(mEntries.begin(), mEntries.end(), [this](const Entry& pA, const Entry& pB) {
        const int lOrder = CompareTexts(pA.mText.Buffer(), pB.mText.Buffer());
        return lOrder != 0 ? lOrder < 0 : pA.mAddOrder < pB.mAddOrder;
    });
    mSorted = true;
}

std::intptr_t KStringList::Find(const char* pText, int* pIndex)
{
    Sort();
    const char* lText = pText == nullptr ? "" : pText;
    // The first of equal texts, so that the earliest added one is found.
    const auto lFound = std::lower_bound(mEntries.begin(), mEntries.end(), lText,
                                         [this](const Entry& pEntry, const char* pKey) {
                                             return CompareTexts(pEntry.mText.Buffer(), pKey) < 0;
                                         });
    if (lFound == mEntries.end() || CompareTexts(lFound->mText.Buffer(), lText) != 0) {
        if (pIndex != nullptr) {
            *pIndex = -1;
        }
        return 0;
    }
    if (pIndex != nullptr) {
        *pIndex = static_cast<int>(lFound - mEntries.begin());
    }
    return lFound->mReference;
}

std::intptr_t KStringList::GetAt(int pIndex, const char** pText)
{
    if (pIndex < 0 || pIndex >= GetCount()) {
        if (pText != nullptr) {
            *pText = nullptr;
        }
        return 0;
    }
    Sort();
    const Entry& lEntry = mEntries[static_cast<std::size_t>(pIndex)];
    if (pText != nullptr) {
        *pText = lEntry.mText.Buffer();
    }
    return lEntry.mReference;
}

void KStringList::Clear()
{
    std::vector<Entry>().swap(mEntries);
    mSorted = true;
}
