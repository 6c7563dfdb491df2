#ifndef RYVKIT_RYVFILE_KRYVFIELDRECORD_H
#define RYVKIT_RYVFILE_KRYVFIELDRECORD_H

#include "ryvfile/KRyvFieldValue.h"

#include <memory>
#include <string>
#include <vector>

// A named field record: a list of typed values and a list of child records, owned. A RYV body
// is a tree of these; the binary and ASCII codecs turn a tree into bytes and back.
class KRyvFieldRecord
{
public:
    // Limits every codec enforces on both sides: deeper nesting or a longer name is refused.
    static constexpr int kMaxDepth = 64;
    static constexpr std::size_t kMaxNameLength = 255;

    KRyvFieldRecord() = default;
    explicit KRyvFieldRecord(std::string pName) : mName(std::move(pName)) {}

    const std::string& GetName() const { return mName; }
    void SetName(std::string pName) { mName = std::move(pName); }

    std::vector<KRyvFieldValue>& GetValues() { return mValues; }
    const std::vector<KRyvFieldValue>& GetValues() const { return mValues; }
    template <typename T> void AddValue(T pValue) { mValues.emplace_back(std::move(pValue)); }
    // Room for that many values and children, so that a decoded record holds no spare capacity;
    // callers bound the counts by the bytes that could hold them.
    void Reserve(std::size_t pValues, std::size_t pChildren)
    {
        mValues.reserve(pValues);
        mChildren.reserve(pChildren);
    }

    int GetChildCount() const { return static_cast<int>(mChildren.size()); }
    KRyvFieldRecord* GetChild(int pIndex) const;
    // Appends a new child named pName and answers it (owned by this record).
    KRyvFieldRecord* AddChild(std::string pName);
    // The first child named pName at or after pStart; null when none.
    KRyvFieldRecord* FindChild(const char* pName, int pStart = 0) const;
    // The number of children named pName.
    int CountChildren(const char* pName) const;

    // A record name is 1 to 255 of the characters A-Z, a-z, 0-9 and '_'.
    static bool IsValidName(const std::string& pName)
    {
        return IsValidName(pName.data(), pName.size());
    }
    static bool IsValidName(const char* pName, std::size_t pLength);

private:
    std::string mName;
    std::vector<KRyvFieldValue> mValues;
    std::vector<std::unique_ptr<KRyvFieldRecord>> mChildren;
};

#endif
