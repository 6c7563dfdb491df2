#ifndef RYVKIT_SCENE_KRENAMINGSTRATEGY_H
#define RYVKIT_SCENE_KRENAMINGSTRATEGY_H

#include "core/KString.h"
#include "scene/KNamePair.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

// Rewrites the current name of a name pair so that the names it meets stay distinct. The object
// factory applies one to every new node, material, texture and video of its kind.
class KRenamingStrategy
{
public:
    virtual ~KRenamingStrategy() = default;

    // Forgets what the strategy has seen (where the strategy allows it).
    virtual void Clear() = 0;
    // True when the pair was changed.
    virtual bool Rename(KNamePair& ioPair) = 0;
    // A fresh strategy of the same kind; may be null (callers must check).
    virtual std::unique_ptr<KRenamingStrategy> Clone() const = 0;

    // The text after the first "::" of pName; the whole name when it holds none (empty for null).
    static KString RemoveNamePrefix(const char* pName);
};

// Encodes name clashes and letter-case variants into the name, and decodes them again.
// Encoding (direction 0), against the names seen in the order met:
// - a name equal to a seen one becomes "<seen>_ncl1_<use count>" ("Arm", "Arm_ncl1_1", ...);
// - a name equal to a seen one but for letter case becomes "<seen>_ncl2_ul<mask>lu<mask>", bit i
//   of the upper (lower) mask marking a position where the seen name has an upper-case (other)
//   letter ("ARM" then "arm" gives "ARM_ncl2_ul7").
// A generated name that was seen already gets the clash rule again, so the results stay
// distinct. Case differences beyond position 31 cannot be held in a mask; such a name becomes
// "<name>_ncl1_<n>" with the first free n instead. Mode 0 handles both, 1 clashes only, 2 letter
// case only. Every name is recorded as it stands after encoding.
// Decoding (any other direction) strips "_ncl1_..." or a "(digits)" suffix, undoes the case
// masks (only within the decoded part) and replaces every character that is not an ASCII letter
// or digit by "_". The names seen survive Clear, so a factory reused for a second import keeps
// renaming against the first.
class KNameClashRenamingStrategy : public KRenamingStrategy
{
public:
    // pDirection 0 encodes, any other value decodes; pBrackets makes decoding keep a bracket
    // suffix in the initial name with the brackets turned into "_".
    KNameClashRenamingStrategy(int pDirection, bool pBrackets);

    // Does nothing: the names seen stay.
    void Clear() override {}
    bool Rename(KNamePair& ioPair) override;
    // Null: this strategy is not cloned.
    std::unique_ptr<KRenamingStrategy> Clone() const override { return nullptr; }

    // A mode other than the current one forgets the names seen.
    void SetMode(int pMode);
    int GetMode() const { return mMode; }
    int GetDirection() const { return mDirection; }
    int GetRecordCount() const { return static_cast<int>(mRecords.size()); }

    virtual bool EncodeName(KNamePair& ioPair);
    virtual bool DecodeName(KNamePair& ioPair);
    // pText with every character outside A-Z, a-z, 0-9 replaced by the first character of
    // pReplacement (a null or empty replacement leaves the text unchanged).
    virtual KString ReplaceNonAlphanumeric(const KString& pText, const char* pReplacement) const;

private:
    struct Record
    {
        KString mName;
        int mUseCount = 0;
    };

    bool IsRecorded(const KString& pName) const;
    // The first free "<record name>_ncl1_<count>", raising the record's use count.
    KString NextClashName(Record& ioRecord) const;

    int mDirection;
    int mMode = 0;
    std::vector<Record> mRecords;
    bool mBrackets;
};

// Appends a use count to a name seen before: "Arm", "Arm", "Arm" give "Arm", "Arm1", "Arm2".
// Generated names are recorded too and skip names already seen, so "Arm", "Arm1", "Arm" give
// "Arm", "Arm1", "Arm2".
class KNumberSuffixRenamingStrategy : public KRenamingStrategy
{
public:
    KNumberSuffixRenamingStrategy() = default;
    ~KNumberSuffixRenamingStrategy() override = default;

    // Forgets every name seen.
    void Clear() override { mUseCounts.clear(); }
    bool Rename(KNamePair& ioPair) override;
    // A new, empty strategy of this kind.
    std::unique_ptr<KRenamingStrategy> Clone() const override;

private:
    // Name seen -> its use count.
    std::unordered_map<std::string, int> mUseCounts;
};

#endif
