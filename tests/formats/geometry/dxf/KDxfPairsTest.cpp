#include "formats/geometry/dxf/KDxfPairs.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using Walked = std::vector<std::pair<int, std::string>>;

// Every group from the first to the end, with its code line checked against its place.
Walked Walk(const KDxfPairs& pPairs)
{
    Walked lGroups;
    for (KDxfPair lPair = pPairs.First(); !lPair.IsEnd(); pPairs.Next(lPair)) {
        EXPECT_EQ(lPair.mLine, static_cast<long long>(2 * lGroups.size() + 1));
        lGroups.emplace_back(lPair.mCode, std::string(lPair.mValue));
    }
    EXPECT_EQ(lGroups.size(), pPairs.GetCount());
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
                ASSERT_TRUE(lPairs.Parse(lVariant)) << lPairs.GetReason();
                EXPECT_EQ(Walk(lPairs), lGroups) << "end " << int(lEnd[0]) << " pad " << lPad;
            }
        }
    }
}

TEST(KDxfPairs, RefusalsNameTheLineOfTheCode)
{
    const std::pair<std::string, std::string> lCases[] = {
        {"0\nA\nx2\nB\n", "3: group code is not a number"},
        {"0\r\nA\r\n+2\r\nB\r\n", "3: group code is not a number"},
        {"0\rA\r2147483648\rB\r", "3: group code is not a number"},
        {"0\nA\n1 0\nB\n", "3: group code is not a number"},
        {"0\nA\n\n\n0\nB\n", "3: group code is not a number"},
        {"0\nA\n2\n", "3: group code without a value"},
        {"0\nA\n2", "3: group code without a value"},
        {std::string("0\nA\0\n", 5), "1: the file holds a zero byte: it is not an ASCII DXF file"},
    };
    for (const auto& lCase : lCases) {
        KDxfPairs lPairs;
        EXPECT_FALSE(lPairs.Parse(lCase.first)) << lCase.second;
        EXPECT_EQ(lPairs.GetReason(), lCase.second);
        EXPECT_EQ(lPairs.GetCount(), 0u);
        EXPECT_TRUE(lPairs.First().IsEnd());
    }
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

// Sections of one group each; every section end is found from its section's first group,
// whether the ends were all noted or some must be looked for.
TEST(KDxfPairs, SectionEndsAreFoundFromAnyGroup)
{
    for (const std::size_t lSections : {std::size_t{3}, KDxfPairs::kMaxSectionEnds + 5}) {
        std::string lText;
        for (std::size_t s = 0; s < lSections; ++s) {
            // A value "ENDSEC" under another code is no section end.
            lText += "0\nSECTION\n2\nS" + std::to_string(s) + "\n1\nENDSEC\n  0\r\n ENDSEC \n";
        }
        lText += "0\nEOF\n";
        KDxfPairs lPairs;
        ASSERT_TRUE(lPairs.Parse(lText));
        KDxfPair lPair = lPairs.First();
        for (std::size_t s = 0; s < lSections; ++s) {
            lPairs.Next(lPair);
            ASSERT_EQ(lPair.mValue, "S" + std::to_string(s));
            lPairs.ToSectionEnd(lPair);
            ASSERT_EQ(lPair.mCode, 0);
            ASSERT_EQ(lPair.mValue, "ENDSEC");
            ASSERT_EQ(lPair.mLine, static_cast<long long>(8 * s + 7));
            // A section end is found at itself.
            lPairs.ToSectionEnd(lPair);
            ASSERT_EQ(lPair.mLine, static_cast<long long>(8 * s + 7));
            lPairs.Next(lPair);
        }
        EXPECT_EQ(lPair.mValue, "EOF");
        lPairs.ToSectionEnd(lPair);
        EXPECT_TRUE(lPair.IsEnd());
    }
}

} // namespace
