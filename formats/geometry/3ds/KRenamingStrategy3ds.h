#ifndef RYVKIT_FORMATS_GEOMETRY_3DS_KRENAMINGSTRATEGY3DS_H
#define RYVKIT_FORMATS_GEOMETRY_3DS_KRENAMINGSTRATEGY3DS_H

#include "scene/KRenamingStrategy.h"

#include <string>
#include <unordered_map>
#include <unordered_set>

// Names for the bounded name fields of 3DS files: the type prefix is dropped; a name that fits
// the maximum length and was not given before stays whole; any other is cut to the maximum
// length less three bytes (at a character boundary, so UTF-8 names stay whole), and a cut
// name met before gets its use count appended. Every name handed out is remembered, so
// no two names it gives are equal (names made with a number included), and a name never passes
// the maximum length: a base too long for its number is cut further. Rename(pair) uses a
// maximum of 10 (node names); materials use 15.
class KRenamingStrategy3ds : public KNumberSuffixRenamingStrategy
{
public:
    static constexpr int kNodeNameLength = 10;
    static constexpr int kMaterialNameLength = 15;
    // Room kept for the number of a repeated name.
    static constexpr int kSuffixRoom = 3;

    KRenamingStrategy3ds() = default;
    ~KRenamingStrategy3ds() override = default;

    void Clear() override;
    bool Rename(KNamePair& ioPair) override { return Rename(ioPair, kNodeNameLength); }
    std::unique_ptr<KRenamingStrategy> Clone() const override;
    // Sets the pair's current name; true when the name had to be numbered.
    bool Rename(KNamePair& ioPair, int pMaxLength);
    // The same on a plain name.
    std::string Rename(const std::string& pName, int pMaxLength, bool* oNumbered = nullptr);

    // pText cut to at most pBytes bytes without splitting a UTF-8 character.
    static std::string CutAtCharacter(const std::string& pText, std::size_t pBytes);

private:
    std::unordered_map<std::string, int> mUseCounts;
    std::unordered_set<std::string> mGiven;
};

#endif
