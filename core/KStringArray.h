#ifndef RYVKIT_CORE_KSTRINGARRAY_H
#define RYVKIT_CORE_KSTRINGARRAY_H

#include "core/KString.h"

#include <cstdint>
#include <vector>

// Ordered list of (text, reference word) entries; the texts are copies owned by the list, the
// reference words are opaque (numbers or pointers the list never follows). The texts can be
// joined into one text with "~" and split again. Bad indices give -1, 0 or the null string.
class KStringArray
{
public:
    KStringArray() = default;
    KStringArray(const KStringArray& pOther) = default;
    KStringArray& operator=(const KStringArray& pOther) = default;
    virtual ~KStringArray() = default;

    // Inserts a copy of pText with pReference at pIndex (past the count: appended). Returns the
    // index used, or -1 for a negative index.
    virtual int InsertAt(int pIndex, const char* pText, std::intptr_t pReference = 0);
    int Add(const char* pText, std::intptr_t pReference = 0);
    // Returns the new count, or -1 when the index is out of range.
    int RemoveAt(int pIndex);
    void Clear() { mEntries.clear(); }

    int GetCount() const { return static_cast<int>(mEntries.size()); }
    // The text at pIndex; the null string out of range.
    KString GetText(int pIndex) const;
    // The reference word at pIndex; 0 out of range.
    std::intptr_t GetReference(int pIndex) const;

    // The texts joined with "~" between them; "" for an empty array.
    KString Join() const;
    // Replaces the entries by the parts of pText between "~" characters, with reference 0.
    // Empty parts are kept, but an empty or null text gives no entries at all (so a single
    // empty entry does not survive a round trip), and a text that holds "~" splits apart.
    void Split(const char* pText);

private:
    struct Entry
    {
        KString mText;
        std::intptr_t mReference;
    };
    std::vector<Entry> mEntries;
};

#endif
