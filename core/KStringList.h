#ifndef RYVKIT_CORE_KSTRINGLIST_H
#define RYVKIT_CORE_KSTRINGLIST_H

#include "core/KString.h"

#include <cstdint>
#include <vector>

// Table of (copied text, reference) pairs searched by text. Texts compare without regard to
// ASCII case unless the list is made case-sensitive. Adding leaves the table unsorted; the
// first search or indexed read sorts it (equal texts keep the order they were added in) and
// searches bisect. The references are opaque words (numbers or pointers) that the list never
// follows. Bad indices and absent texts give 0, null and -1.
class KStringList
{
public:
    // pBlockSize is the number of entries the first addition makes room for.
    explicit KStringList(int pBlockSize = 20, bool pCaseSensitive = false);

    // Compares texts with regard to case from now on (or not); the list is sorted again.
    void SetCaseSensitive(bool pCaseSensitive);
    bool IsCaseSensitive() const { return mCaseSensitive; }

    // Appends a copy of pText (null counts as empty) with pReference, without a duplicate check.
    // Returns the count.
    int Add(const char* pText, std::intptr_t pReference);
    // The reference of the first entry equal to pText, 0 when there is none. *pIndex (when
    // given) receives that entry's index in sorted order, or -1.
    std::intptr_t Find(const char* pText, int* pIndex = nullptr);
    // The reference at pIndex in sorted order, 0 out of range. *pText (when given) receives the
    // entry's text, valid until the list next changes, or null out of range.
    std::intptr_t GetAt(int pIndex, const char** pText = nullptr);
    void Clear();
    int GetCount() const { return static_cast<int>(mEntries.size()); }

private:
    struct Entry
    {
        KString mText;
        std::intptr_t mReference;
        // Breaks ties between equal texts, whatever order an earlier sort left them in.
        std::size_t mAddOrder;
    };
    int CompareTexts(const char* pLeft, const char* pRight) const;
    void Sort();

    std::vector<Entry> mEntries;
    int mBlockSize;
    bool mCaseSensitive;
    bool mSorted = true;
};

#endif
