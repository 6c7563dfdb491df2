#ifndef RYVKIT_TESTS_SUPPORT_TEXTMUTATION_H
#define RYVKIT_TESTS_SUPPORT_TEXTMUTATION_H

#include <string>
#include <vector>

// The one text-mutation harness of the text readers: damaged variants of a valid file, as files
// from strangers arrive. Deterministic (fixed seeds, generator output used directly), so that a
// failing variant reproduces from its label.
struct TextMutant
{
    std::string mLabel;
    std::string mText;
};

// Numbers a reader must survive in any number place.
extern const char* const kHostileNumbers[];
extern const int kHostileNumberCount;

// Every truncation (lengths 0 to the whole text).
std::vector<TextMutant> Truncations(const std::string& pText);
// pCount single-byte damages at random places: a flipped bit, an inserted zero byte, an
// inserted 0xFF.
std::vector<TextMutant> ByteDamages(const std::string& pText, unsigned pSeed, int pCount);
// Each line deleted, doubled, and repeated at the end.
std::vector<TextMutant> LineEdits(const std::string& pText);
// Each word that starts like a number (after a line's first word) replaced in turn by some of
// the hostile numbers, rotating so that all of them are used and the count stays small.
std::vector<TextMutant> HostileNumbers(const std::string& pText);
// All of the above.
std::vector<TextMutant> AllMutants(const std::string& pText, unsigned pSeed, int pByteDamages);

std::vector<std::string> SplitLines(const std::string& pText);
std::string JoinLines(const std::vector<std::string>& pLines);

#endif
