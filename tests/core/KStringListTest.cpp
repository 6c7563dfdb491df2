#include "core/KStringList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> SortedTexts(KStringList& ioList)
{
    std::vector<std::string> lTexts;
    for (int i = 0; i < ioList.GetCount(); ++i) {
        const char* lText = nullptr;
        ioList.GetAt(i, &lText);
        lTexts.push_back(lText);
    }
    return lTexts;
}

} // namespace

TEST(KStringListTest, AddReturnsCountWithoutDuplicateCheck)
{
    KStringList lList;
    EXPECT_EQ(lList.Add("a", 1), 1);
    EXPECT_EQ(lList.Add("A", 2), 2);
    EXPECT_EQ(lList.Add("a", 3), 3);
    EXPECT_EQ(lList.GetCount(), 3);
}

TEST(KStringListTest, LazySortIsCaseInsensitiveLowerCaseOrder)
{
    KStringList lList(20);
    lList.Add("beta", 2);
    lList.Add("Alpha", 1);
    lList.Add("_under", 4);
    lList.Add("GAMMA", 3);
    lList.Add("[bracket", 5);
    // Lower-cased bytes: '[' 0x5B and '_' 0x5F sort before the letters 0x61..0x7A.
    EXPECT_EQ(SortedTexts(lList),
              (std::vector<std::string>{"[bracket", "_under", "Alpha", "beta", "GAMMA"}));

    int lIndex = -2;
    EXPECT_EQ(lList.Find("ALPHA", &lIndex), 1);
    EXPECT_EQ(lIndex, 2);
    EXPECT_EQ(lList.Find("gamma", &lIndex), 3);
    EXPECT_EQ(lIndex, 4);
    EXPECT_EQ(lList.Find("[BRACKET", &lIndex), 5);
    EXPECT_EQ(lIndex, 0);
    EXPECT_EQ(lList.Find("delta", &lIndex), 0);
    EXPECT_EQ(lIndex, -1);
    EXPECT_EQ(lList.Find("zzz", &lIndex), 0);
    EXPECT_EQ(lIndex, -1);
    EXPECT_EQ(lList.Find("", &lIndex), 0);
    EXPECT_EQ(lIndex, -1);

    // An addition after a search marks the list unsorted again.
    lList.Add("Aardvark", 6);
    EXPECT_EQ(lList.Find("aardvark", &lIndex), 6);
    EXPECT_EQ(lIndex, 2);
    EXPECT_EQ(lList.Find("beta", &lIndex), 2);
    EXPECT_EQ(lIndex, 4);
}

TEST(KStringListTest, EqualTextsKeepInsertionOrder)
{
    KStringList lList;
    lList.Add("node", 1);
    lList.Add("b", 9);
    lList.Add("NODE", 2);
    lList.Add("Node", 3);
    int lIndex = -1;
    EXPECT_EQ(lList.Find("nOdE", &lIndex), 1);
    EXPECT_EQ(lIndex, 1);
    EXPECT_EQ(lList.GetAt(1), 1);
    EXPECT_EQ(lList.GetAt(2), 2);
    EXPECT_EQ(lList.GetAt(3), 3);
}

TEST(KStringListTest, CaseSensitiveListSeparatesCases)
{
    KStringList lList(20, true);
    lList.Add("b", 1);
    lList.Add("B", 2);
    lList.Add("a", 3);
    EXPECT_EQ(SortedTexts(lList), (std::vector<std::string>{"B", "a", "b"}));
    EXPECT_EQ(lList.Find("b"), 1);
    EXPECT_EQ(lList.Find("B"), 2);
    EXPECT_EQ(lList.Find("A"), 0);
    lList.SetCaseSensitive(false);
    EXPECT_FALSE(lList.IsCaseSensitive());
    EXPECT_EQ(SortedTexts(lList), (std::vector<std::string>{"a", "b", "B"}));
    EXPECT_EQ(lList.Find("A"), 3);
}

TEST(KStringListTest, BisectionOverManyEntries)
{
    KStringList lList;
    for (int i = 999; i >= 0; --i) {
        const std::string lName = ((i % 2) != 0 ? "Name" : "NAME") + std::to_string(i);
        lList.Add(lName.c_str(), i + 1);
    }
    for (int i = 0; i < 1000; i += 7) {
        const std::string lName = "name" + std::to_string(i);
        EXPECT_EQ(lList.Find(lName.c_str()), i + 1);
    }
    EXPECT_EQ(lList.Find("name1000"), 0);
}

TEST(KStringListTest, OutOfRangeAndNullTexts)
{
    KStringList lList;
    const char* lText = "unchanged";
    EXPECT_EQ(lList.GetAt(0, &lText), 0);
    EXPECT_EQ(lText, nullptr);
    lList.Add(nullptr, 5);
    EXPECT_EQ(lList.Find(""), 5);
    EXPECT_EQ(lList.Find(nullptr), 5);
    EXPECT_EQ(lList.GetAt(-1, &lText), 0);
    EXPECT_EQ(lText, nullptr);
    EXPECT_EQ(lList.GetAt(1), 0);
    EXPECT_EQ(lList.GetAt(0, &lText), 5);
    EXPECT_STREQ(lText, "");
}

TEST(KStringListTest, TextsAreCopiedAndClearEmpties)
{
    KStringList lList;
    std::string lName = "first";
    lList.Add(lName.c_str(), 1);
    lName = "xxxxx";
    EXPECT_EQ(lList.Find("FIRST"), 1);
    lList.Clear();
    EXPECT_EQ(lList.GetCount(), 0);
    EXPECT_EQ(lList.Find("first"), 0);
    EXPECT_EQ(lList.Add("again", 2), 1);
}
