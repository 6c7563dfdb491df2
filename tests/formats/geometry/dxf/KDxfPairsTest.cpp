#include "formats/geometry/dxf/KDxfPairs.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using Walked = std::vector<std::pair<int, std::string>>;

// Every group from the first to the end, with its code line checked against its place.
Walked Walk(KDxfPairs& ioPairs)
{
    Walked lGroups;
    for (KDxfPair lPair = ioPairs.First(); !lPair.IsEnd(); ioPairs.Next(lPair)) {
        EXPECT_EQ(lPair.mLine, static_cast<long long>(2 * lGroups.size() + 1));
        lGroups.emplace_back(lPair.mCode, std::string(lPair.mValue));
    }
    return lGroups;
}

// The groups of pGroups joined by pEnd, each code and value wrapped in pPad.
std::string Text(const Walked& pGroups, const std::string& pEnd, const std::string& pPad)
{
    std::string lText;
    for (const auto& lGroup : pGroups) {
        lText +=
            pPad + std::to_string(lGroup.first) + pPad + pEnd + pPad + lGroup.second + pPad + pEnd;
    }
    return lText;
}

TEST(KDxfPairs, EveryLineEndAndPaddingGivesTheSameGroups)
{
    // Values of every length up to past two words, so that line ends fall on every byte.
    Walked lGroups = {{0, "SECTION"}, {2, "ENTITIES"}, {-5, "a b"}, {1071, ""}};
    for (int lLength = 0; lLength < 20; ++lLength) {
        lGroups.emplace_back(10 + lLength % 3, std::string(static_cast<std::size_t>(lLength), 'x'));
    }
    for (const char* lEnd : {"\n", "\r\n", "\r"}) {
        for (const char* lPad : {"", " ", "\t \f"}) {
            const std::string lText = Text(lGroups, lEnd, lPad);
            // Blank lines after the groups, and a last line without its end, change nothing.
            for (const std::string& lVariant :
                 {lText, lText + lEnd + " \t" + lEnd, lText.substr(0, lText.size() - 1)}) {
                KDxfPairs lPairs;
                ASSERT_TRUE(lPairs.Parse(lVariant));
                EXPECT_EQ(Walk(lPairs), lGroups) << "end " << int(lEnd[0]) << " pad " << lPad;
                EXPECT_FALSE(lPairs.HasFailed());
                EXPECT_TRUE(lPairs.CheckAll()) << lPairs.GetReason();
                EXPECT_EQ(lPairs.GetCount(), lGroups.size());
            }
        }
    }
}

// Code lines plain or in three columns with values padded on either side, the values of every
// length around the sixteen bytes read at once, and codes around the nine digits read at once.
TEST(KDxfPairs, PaddedValuesAndLongCodesAfterPlainCodeLines)
{
    Walked lGroups;
    std::string lText;
    for (int lLength = 0; lLength < 40; ++lLength) {
        const std::string lValue(static_cast<std::size_t>(lLength),
                                 static_cast<char>('a' + lLength % 26));
        for (const char* lLeft : {"", " ", "\t\v"}) {
            for (const char* lRight : {"", " ", " \f"}) {
                const int lCode =
                    lLength % 2 ? 999999999 : (lLength % 4 ? lLength : 100 + lLength * 7);
                lGroups.emplace_back(lCode, lValue);
                // Codes as they stand and in three columns ("  7", " 42", "105").
                const std::string lDigits = std::to_string(lCode);
                const std::string lColumns(lDigits.size() < 3 ? 3 - lDigits.size() : 0, ' ');
                lText +=
                    (*lRight ? lColumns : "") + lDigits + "\n" + lLeft + lValue + lRight + "\n";
            }
        }
    }
    lGroups.emplace_back(1000000000, "tail");
    lText += "1000000000\n  tail\t\n";
    KDxfPairs lPairs;
    ASSERT_TRUE(lPairs.Parse(lText));
    EXPECT_EQ(Walk(lPairs), lGroups);
    EXPECT_FALSE(lPairs.HasFailed());
}

// A walk ends at the first group at fault; the whole check names its line.
TEST(KDxfPairs, FaultsEndTheWalkAndNameTheLineOfTheCode)
{
    const std::pair<std::string, std::string> lCases[] = {
        {"0\nA\nx2\nB\n", "3: group code is not a number"},
        {"0\r\nA\r\n+2\r\nB\r\n", "3: group code is not a number"},
        {"0\rA\r2147483648\rB\r", "3: group code is not a number"},
        {"0\nA\n1 0\nB\n", "3: group code is not a number"},
        {"0\nA\n\n\n0\nB\n", "3: group code is not a number"},
        {"0\nA\n2\n", "3: group code without a value"},
        {"0\nA\n2", "3: group code without a value"},
    };
    for (const auto& lCase : lCases) {
        KDxfPairs lPairs;
        ASSERT_TRUE(lPairs.Parse(lCase.first));
        EXPECT_EQ(Walk(lPairs), (Walked{{0, "A"}})) << lCase.second;
        EXPECT_TRUE(lPairs.HasFailed());
        EXPECT_FALSE(lPairs.CheckAll());
        EXPECT_EQ(lPairs.GetReason(), lCase.second);
        EXPECT_EQ(lPairs.GetCount(), 0u);
    }
    KDxfPairs lBinary;
    EXPECT_FALSE(lBinary.Parse(std::string("0\nA\0\n", 5)));
    EXPECT_EQ(lBinary.GetReason(), "1: the file holds a zero byte: it is not an ASCII DXF file");
    EXPECT_TRUE(lBinary.First().IsEnd());
    KDxfPairs lWide;
    ASSERT_TRUE(lWide.Parse("-2147483648\nlow\n0000000000007\nseven\n"));
    EXPECT_EQ(Walk(lWide), (Walked{{-2147483647 - 1, "low"}, {7, "seven"}}));
}

TEST(KDxfPairs, TheEndStaysTheEnd)
{
    KDxfPairs lPairs;
    ASSERT_TRUE(lPairs.Parse(" \n\r\n"));
    EXPECT_EQ(lPairs.GetCount(), 0u);
    KDxfPair lPair = lPairs.First();
    EXPECT_TRUE(lPair.IsEnd());
    lPairs.Next(lPair);
    lPairs.ToSectionEnd(lPair);
    EXPECT_TRUE(lPair.IsEnd());
}

// The section end is looked for, not walked to: whatever the line ends, however the code 0 is
// written, past values that hold the word without being a section end.
TEST(KDxfPairs, SectionEndsAreFoundFromAnyGroup)
{
    // The long value takes the lines counted past several of the counter's chunks.
    const std::string lDistractors[] = {"ENDSEC",     "xENDSEC", "ENDSECx",
                                        "  ENDSEC D", "DDD",     std::string(600, 'D')};
    for (const std::string lEnd : {"\n", "\r\n", "\r"}) {
        for (const std::string lZero : {"0", "  0", "-0", "000 "}) {
            std::string lText;
            for (int s = 0; s < 3; ++s) {
                lText +=
                    "0" + lEnd + "SECTION" + lEnd + "2" + lEnd + "S" + std::to_string(s) + lEnd;
                for (const std::string& lValue : lDistractors) {
                    lText += "1" + lEnd + lValue + lEnd;
                }
                lText += lZero + lEnd + " ENDSEC\t" + lEnd;
            }
            lText += "0" + lEnd + "EOF";
            KDxfPairs lPairs;
            ASSERT_TRUE(lPairs.Parse(lText));
            KDxfPair lPair = lPairs.First();
            for (int s = 0; s < 3; ++s) {
                lPairs.Next(lPair);
                ASSERT_EQ(lPair.mValue, "S" + std::to_string(s));
                lPairs.ToSectionEnd(lPair);
                ASSERT_EQ(lPair.mCode, 0) << lZero;
                ASSERT_EQ(lPair.mValue, "ENDSEC");
                ASSERT_EQ(lPair.mLine, 18 * s + 17);
                // A section end is found at itself.
                lPairs.ToSectionEnd(lPair);
                ASSERT_EQ(lPair.mLine, 18 * s + 17);
                lPairs.Next(lPair);
            }
            EXPECT_EQ(lPair.mValue, "EOF");
            lPairs.ToSectionEnd(lPair);
            EXPECT_TRUE(lPair.IsEnd());
            EXPECT_FALSE(lPairs.HasFailed());
        }
    }
}

// The ENDSEC line found by ToSectionEnd from the first group after the one at line 1; checked
// against walking every group.
long long SectionEndLine(const std::string& pText)
{
    KDxfPairs lPairs;
    EXPECT_TRUE(lPairs.Parse(pText));
    KDxfPair lWalked = lPairs.First();
    lPairs.Next(lWalked);
    KDxfPair lFound = lWalked;
    while (!lWalked.IsEnd() && lWalked.mValue != "ENDSEC") {
        lPairs.Next(lWalked);
    }
    lPairs.ToSectionEnd(lFound);
    EXPECT_EQ(lFound.mNext, lWalked.mNext);
    return lFound.mLine == lWalked.mLine ? lFound.mLine : -1;
}

// Long sections with line ends of every kind mixed, falling on every byte of a block: the
// section end found by counting lines sits where walking every group finds it.
TEST(KDxfPairs, SectionEndsCountMixedLineEndsOverLongSpans)
{
    const char* const lEnds[] = {"\n", "\r\n", "\r"};
    for (int lShift = 0; lShift < 3; ++lShift) {
        std::string lText = "0\nSECTION\n2\nENTITIES\n";
        for (int g = 0; g < 5000; ++g) {
            lText += std::string(static_cast<std::size_t>(g % 3), ' ') + "10" +
                     lEnds[(g + lShift) % 3] + std::string(1 + g % 17, 'x') +
                     lEnds[(g / 7 + lShift) % 3];
        }
        lText += "0\r\nENDSEC\r0\nEOF\n";
        EXPECT_EQ(SectionEndLine(lText), 2 * 5002 + 1) << lShift;
    }
    // Every line eight bytes long: line ends fall on the same bytes of every block counted at
    // once, the most a byte's counter can take.
    for (const std::string lEnd : {"\n", "\r", "\r\n"}) {
        const std::string lPad(8 - 2 - lEnd.size(), ' ');
        std::string lText = "0\nSECTION\n2\nENTITIES\n";
        for (int g = 0; g < 3000; ++g) {
            lText += lPad + "10" + lEnd + lPad + "xx" + lEnd;
        }
        lText += "0\nENDSEC\n0\nEOF\n";
        EXPECT_EQ(SectionEndLine(lText), 2 * 3002 + 1) << int(lEnd[0]);
    }
}

// Integers read as the C library's "%d" reads a value's start.
TEST(KDxfPairs, IntegersAreReadFromTheValuesStart)
{
    const std::pair<const char*, int> lRead[] = {
        {"192", 192},
        {"+7", 7},
        {"-12", -12},
        {"12abc", 12},
        {"+-5", -5},
        {"0", 0},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"000000000012", 12},
        {"123456789 1", 123456789},
    };
    for (const auto& lCase : lRead) {
        int lValue = 0;
        EXPECT_TRUE(KDxfPairs::ToInt(lCase.first, lValue)) << lCase.first;
        EXPECT_EQ(lValue, lCase.second) << lCase.first;
    }
    for (const char* lRefused : {"", "-", "+", "abc", "2147483648", "--1", " 1"}) {
        int lValue = 0;
        EXPECT_FALSE(KDxfPairs::ToInt(lRefused, lValue)) << lRefused;
    }
}

} // namespace
