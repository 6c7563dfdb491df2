#include "formats/motion/KUniqueNameTable.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

// Adds the names in turn and answers what came back.
std::vector<std::string> AddAll(const std::vector<std::string>& pNames)
{
    KUniqueNameTable lTable(8, 64);
    std::vector<std::string> lResult;
    int lReference = 1;
    for (const std::string& lName : pNames) {
        lResult.push_back(lTable.AddName(lName, lReference++));
    }
    return lResult;
}

struct NamesCase
{
    std::vector<std::string> mNames;
    std::vector<std::string> mExpected;
};

class KUniqueNameTableCases : public testing::TestWithParam<NamesCase>
{
};

TEST_P(KUniqueNameTableCases, GivesTheUniqueNames)
{
    EXPECT_EQ(AddAll(GetParam().mNames), GetParam().mExpected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, KUniqueNameTableCases,
    testing::Values(NamesCase{{"Marker", "marker", "MARKER"}, {"Marker", "marker 1", "MARKER 2"}},
                    NamesCase{{"Hip3", "Hip3"}, {"Hip3", "Hip4"}},
                    NamesCase{{"Hip", "Hip 1", "Hip"}, {"Hip", "Hip 1", "Hip 2"}},
                    NamesCase{{"   ", ""}, {"Default", "Default 1"}},
                    NamesCase{{"  Knee  ", "Knee"}, {"Knee", "Knee 1"}},
                    NamesCase{{"clip.mp4", "clip.mp4"}, {"clip.mp4", "clip.mp4 1"}},
                    NamesCase{{"clip.mp45", "clip.mp45"}, {"clip.mp45", "clip.mp46"}},
                    NamesCase{{"CLIP.MP4", "clip.mp4"}, {"CLIP.MP4", "clip.mp4 1"}},
                    NamesCase{{"take.sd7", "take.sd7"}, {"take.sd7", "take.sd7 1"}},
                    NamesCase{{"A12", "A12"}, {"A12", "A13"}},
                    NamesCase{{"M007", "M007"}, {"M007", "M8"}},
                    NamesCase{{"Hip3", "Hip4", "Hip3"}, {"Hip3", "Hip4", "Hip5"}},
                    NamesCase{{"X99999999999999999999", "X99999999999999999999"},
                              {"X99999999999999999999", "X100000000000000000000"}}));

TEST(KUniqueNameTable, NormalisesAndFindsTheBase)
{
    EXPECT_EQ(KUniqueNameTable::Normalise("  a b  "), "a b");
    EXPECT_EQ(KUniqueNameTable::Normalise(""), "Default");
    EXPECT_EQ(KUniqueNameTable::BaseLength("Hip12"), 3u);
    EXPECT_EQ(KUniqueNameTable::BaseLength("clip.mpg12"), 9u);
    EXPECT_EQ(KUniqueNameTable::BaseLength(".mp4"), 4u);
    EXPECT_EQ(KUniqueNameTable::BaseLength("12"), 0u);
}

TEST(KUniqueNameTable, GetNameAnswersTheLatestOfAReference)
{
    KUniqueNameTable lTable(8, 64);
    EXPECT_EQ(lTable.GetName(7), nullptr);
    lTable.AddName("Toe", 7);
    lTable.AddName("Toe", 8);
    ASSERT_NE(lTable.GetName(8), nullptr);
    EXPECT_EQ(*lTable.GetName(8), "Toe 1");
    EXPECT_EQ(*lTable.GetName(7), "Toe");
    lTable.AddName("Heel", 7);
    EXPECT_EQ(*lTable.GetName(7), "Heel");
    lTable.Clear();
    EXPECT_EQ(lTable.GetName(7), nullptr);
    EXPECT_EQ(lTable.AddName("Toe", 1), "Toe");
}

TEST(KUniqueNameTable, LongNamesAndManyClashesStayUnique)
{
    const std::string lLong(300, 'n');
    EXPECT_EQ(AddAll({lLong, lLong}), (std::vector<std::string>{lLong, lLong + " 1"}));
    // Thousands of one name: every result differs (and the search resumes, so this is quick).
    std::vector<std::string> lNames(5000, "Marker");
    const std::vector<std::string> lResult = AddAll(lNames);
    EXPECT_EQ(std::set<std::string>(lResult.begin(), lResult.end()).size(), lNames.size());
    EXPECT_EQ(lResult.back(), "Marker 4999");
}

} // namespace
