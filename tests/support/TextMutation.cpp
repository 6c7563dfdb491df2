#include "tests/support/TextMutation.h"

#include <random>
#include <sstream>

const char* const kHostileNumbers[] = {
    "1e999", "-1e999", "1e-999", "-2147483649", "2147483648", "9223372036854775808",
    "nan",   "-nan",   "inf",    "-0",          "0",          "-1",
    "7",     "0x10",   "+-1",    "1.5.2",       "1e",         "3.4e38",
    "1e39",  "."};
const int kHostileNumberCount = static_cast<int>(sizeof(kHostileNumbers) / sizeof(char*));

std::vector<std::string> SplitLines(const std::string& pText)
{
    std::vector<std::string> lLines;
    std::istringstream lIn(pText);
    for (std::string lLine; std::getline(lIn, lLine);) {
        lLines.push_back(lLine);
    }
    return lLines;
}

std::string JoinLines(const std::vector<std::string>& pLines)
{
    std::string lText;
    for (const std::string& lLine : pLines) {
        lText += lLine + "\n";
    }
    return lText;
}

std::vector<TextMutant> Truncations(const std::string& pText)
{
    std::vector<TextMutant> lMutants;
    for (std::size_t lLength = 0; lLength <= pText.size(); ++lLength) {
        lMutants.push_back({"cut at " + std::to_string(lLength), pText.substr(0, lLength)});
    }
    return lMutants;
}

std::vector<TextMutant> ByteDamages(const std::string& pText, unsigned pSeed, int pCount)
{
    std::vector<TextMutant> lMutants;
    std::mt19937 lRandom(pSeed);
    for (int lCase = 0; lCase < pCount && !pText.empty(); ++lCase) {
        std::string lText = pText;
        const std::size_t lAt = lRandom() % lText.size();
        const std::string lWhere = " at " + std::to_string(lAt);
        if (lCase % 3 == 0) {
            lText[lAt] = static_cast<char>(lText[lAt] ^ (1u << (lRandom() % 8)));
            lMutants.push_back({"flip" + lWhere, lText});
        } else {
            lText.insert(lAt, 1, lCase % 3 == 1 ? '\0' : static_cast<char>(0xFF));
            lMutants.push_back({(lCase % 3 == 1 ? "zero" : "0xFF") + lWhere, lText});
        }
    }
    return lMutants;
}

std::vector<TextMutant> LineEdits(const std::string& pText)
{
    const std::vector<std::string> lLines = SplitLines(pText);
    std::vector<TextMutant> lMutants;
    for (std::size_t i = 0; i < lLines.size(); ++i) {
        const std::string lLine = "line " + std::to_string(i + 1);
        std::vector<std::string> lEdited = lLines;
        lEdited.erase(lEdited.begin() + static_cast<std::ptrdiff_t>(i));
        lMutants.push_back({lLine + " deleted", JoinLines(lEdited)});
        lEdited = lLines;
        lEdited.insert(lEdited.begin() + static_cast<std::ptrdiff_t>(i), lLines[i]);
        lMutants.push_back({lLine + " twice", JoinLines(lEdited)});
        lEdited = lLines;
        lEdited.push_back(lLines[i]);
        lMutants.push_back({lLine + " again at the end", JoinLines(lEdited)});
    }
    return lMutants;
}

std::vector<TextMutant> HostileNumbers(const std::string& pText)
{
    const std::vector<std::string> lLines = SplitLines(pText);
    std::vector<TextMutant> lMutants;
    int lRotation = 0;
    for (std::size_t i = 0; i < lLines.size(); ++i) {
        std::vector<std::string> lWords;
        std::istringstream lIn(lLines[i]);
        for (std::string lWord; lIn >> lWord;) {
            lWords.push_back(lWord);
        }
        for (std::size_t w = 1; w < lWords.size(); ++w) {
            const char lFirst = lWords[w][0];
            if (lFirst != '-' && (lFirst < '0' || lFirst > '9')) {
                continue;
            }
            for (int h = lRotation++ % 3; h < kHostileNumberCount; h += 3) {
                std::vector<std::string> lChanged = lWords;
                lChanged[w] = kHostileNumbers[h];
                std::string lLine;
                for (const std::string& lWord : lChanged) {
                    lLine += lWord + " ";
                }
                std::vector<std::string> lFile = lLines;
                lFile[i] = lLine;
                lMutants.push_back({"line " + std::to_string(i + 1) + " word " + std::to_string(w) +
                                        " = " + kHostileNumbers[h],
                                    JoinLines(lFile)});
            }
        }
    }
    return lMutants;
}

std::vector<TextMutant> AllMutants(const std::string& pText, unsigned pSeed, int pByteDamages)
{
    std::vector<TextMutant> lMutants = Truncations(pText);
    for (auto* lMake : {&LineEdits, &HostileNumbers}) {
        std::vector<TextMutant> lMore = lMake(pText);
        lMutants.insert(lMutants.end(), lMore.begin(), lMore.end());
    }
    std::vector<TextMutant> lBytes = ByteDamages(pText, pSeed, pByteDamages);
    lMutants.insert(lMutants.end(), lBytes.begin(), lBytes.end());
    return lMutants;
}
