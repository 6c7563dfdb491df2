#ifndef RYVKIT_FORMATS_MOTION_KUNIQUENAMETABLE_H
#define RYVKIT_FORMATS_MOTION_KUNIQUENAMETABLE_H

#include "core/KString.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

// Turns a sequence of names into unique ones, compared without regard to ASCII case. Each name is
// added with a reference value and comes back unchanged or with a number: "Hip3" after "Hip3"
// gives "Hip4", "Marker" after "Marker" gives "Marker 1", then "Marker 2". Names are normalised
// first: spaces trimmed at both ends, an empty result becomes "Default". Trailing digits are the
// number, except the first digit after ".mpg", ".mp" or ".sd" (a media extension such as
// "clip.mp4"), which belongs to the name. Digit runs of any length count on as text ("M007"
// gives "M8", "X99" gives "X100"). Adding costs amortised constant time per name.
class KUniqueNameTable
{
public:
    // pBits sizes the table for 2^pBits names (1 for 0); pGrowth is accepted for callers that
    // tune the growth of their tables and has no visible effect.
    KUniqueNameTable(int pBits, int pGrowth);

    // The unique form of pName, now held by the table with pReference.
    std::string AddName(const std::string& pName, int pReference);
    // The most recent name added with pReference; null when none was.
    const std::string* GetName(int pReference) const;
    void Clear();

    // Makes pNames unique in their order, each added with its position + 1 as reference value to
    // a table of 2^8 buckets (as the optical importer sizes it); answers the positions of the
    // names that changed.
    static std::vector<std::size_t> MakeUnique(std::vector<KString>& ioNames);
    // The warning line of a renamed marker: "<pFile>: marker "<pOld>" is <pVerb> as "<pNew>":
    // another marker has its name", names quoted to kQuotedLength characters, with a line break.
    static std::string DescribeRename(const std::string& pFile, const char* pVerb,
                                      const KString& pOld, const KString& pNew);
    static constexpr std::size_t kQuotedLength = 40;

    // "  a b  " -> "a b"; "" or spaces -> "Default".
    static std::string Normalise(const std::string& pName);
    // The length of the part of a normalised name that is not its number.
    static std::size_t BaseLength(const std::string& pName);

private:
    bool Contains(const std::string& pName) const;
    void Store(const std::string& pName, int pReference);

    std::vector<std::string> mNames;
    std::unordered_map<std::string, std::size_t> mByKey;
    std::unordered_map<int, std::size_t> mByReference;
    // For a base and the number a clash started from, the last number found taken: every
    // number between was taken too, so the search resumes there.
    std::unordered_map<std::string, std::string> mLastNumber;
};

#endif
