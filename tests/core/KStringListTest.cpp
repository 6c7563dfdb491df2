#include "core/KStringList.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The texts in sorted order.
std::string Sorted(KStringList& ioList)
{
    std::string lTexts;
    for (int i = 0; i < ioList.GetCount(); ++i) {
        const char* lText = nullptr;
        ioList.GetAt(i, &lText);
        lTexts += std::string(lText) + " ";
    }
    return lTexts;
}

// Reference and sorted index of a text, -2 when the index was not written.
std::pair<std::intptr_t, int> Found(KStringList& ioList, const char* pText)
{
    int lIndex = -2;
    const std::intptr_t lReference = ioList.Find(pText, &lIndex);
    return {lReference, lIndex};
}

using Hit = std::pair<std::intptr_t, int>;

} // namespace

TEST(KStringListTest, LazySortIsCaseInsensitiveLowerCaseOrder)
{
    KStringList lList(0);
    EXPECT_EQ(Found(lList, "a"), Hit(0, -1));
    for (const char* lText : {"beta", "Alpha", "_under", "GAMMA", "[bracket", "node", "NODE"}) {
        lList.Add(lText, lList.GetCount() + 1);
    }
    // Lower-cased bytes: '[' 0x5B and '_' 0x5F sort before the letters 0x61..0x7A.
    EXPECT_EQ(Sorted(lList), "[bracket _under Alpha beta GAMMA node NODE ");
    EXPECT_EQ(Found(lList, "ALPHA"), Hit(2, 2));
    EXPECT_EQ(Found(lList, "gamma"), Hit(4, 4));
    EXPECT_EQ(Found(lList, "[BRACKET"), Hit(5, 0));
    // Equal texts keep the order they were added in; the first is found.
    EXPECT_EQ(Found(lList, "nOdE"), Hit(6, 5));
    EXPECT_EQ(lList.GetAt(6), 7);
    for (const char* lMissing : {"delta", "zzz", "", "nodes", "Alph"}) {
        EXPECT_EQ(Found(lList, lMissing), Hit(0, -1)) << lMissing;
    }
    // An addition after a search leaves the list to be sorted again.
    EXPECT_EQ(lList.Add("Aardvark", 8), 8);
    EXPECT_EQ(Found(lList, "aardvark"), Hit(8, 2));
    EXPECT_EQ(Found(lList, "beta"), Hit(1, 4));
}

TEST(KStringListTest, CaseSensitiveListSeparatesCases)
{
    KStringList lList(20, true);
    lList.Add("b", 1);
    lList.Add("B", 2);
    lList.Add("a", 3);
    EXPECT_EQ(Sorted(lList), "B a b ");
    EXPECT_EQ(lList.Find("b"), 1);
    EXPECT_EQ(lList.Find("A"), 0);
    lList.SetCaseSensitive(false);
    EXPECT_FALSE(lList.IsCaseSensitive());
    EXPECT_EQ(Sorted(lList), "a b B ");
    EXPECT_EQ(lList.Find("A"), 3);

    // Two entries sorted one way are sorted again the other way.
    KStringList lPair(20, true);
    lPair.Add("b", 1);
    lPair.Add("A", 2);
    EXPECT_EQ(Sorted(lPair), "A b ");
    lPair.SetCaseSensitive(true);
    lPair.SetCaseSensitive(false);
    EXPECT_EQ(Sorted(lPair), "A b ");
    lPair.Add("a", 3);
    lPair.SetCaseSensitive(true);
    EXPECT_EQ(Sorted(lPair), "A a b ");
}

TEST(KStringListTest, BisectionOverManyEntries)
{
    KStringList lList;
    for (int i = 999; i >= 0; --i) {
        const std::string lName = ((i % 2) != 0 ? "Name" : "NAME") + std::to_string(i);
        lList.Add(lName.c_str(), i + 1);
    }
    for (int i = 0; i < 1000; i += 7) {
        EXPECT_EQ(lList.Find(("name" + std::to_string(i)).c_str()), i + 1);
    }
    EXPECT_EQ(lList.Find("name1000"), 0);
}

TEST(KStringListTest, OutOfRangeNullTextsCopiesAndClear)
{
    KStringList lList;
    const char* lText = "unchanged";
    EXPECT_EQ(lList.GetAt(0, &lText), 0);
    EXPECT_EQ(lText, nullptr);
    std::string lName = "first";
    lList.Add(nullptr, 5);
    lList.Add(lName.c_str(), 1);
    lName = "xxxxx";
    EXPECT_EQ(lList.Find(nullptr), 5);
    EXPECT_EQ(lList.Find("FIRST"), 1);
    lText = "unchanged";
    EXPECT_EQ(lList.GetAt(-1, &lText), 0);
    EXPECT_EQ(lText, nullptr);
    EXPECT_EQ(lList.GetAt(2), 0);
    EXPECT_EQ(lList.GetAt(0, &lText), 5);
    EXPECT_STREQ(lText, "");
    lList.Clear();
    EXPECT_EQ(lList.Find("first"), 0);
    EXPECT_EQ(lList.Add("again", 2), 1);
}
