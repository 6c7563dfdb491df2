#include "core/KStringArray.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The texts joined by '|', so that empty entries show.
std::string Texts(const KStringArray& pArray)
{
    std::string lTexts;
    for (int i = 0; i < pArray.GetCount(); ++i) {
        lTexts += std::string(i ? "|" : "") + pArray.GetText(i).Buffer();
    }
    return lTexts;
}

// Counts the entries that go through the overridable insertion.
class CountingArray : public KStringArray
{
public:
    int InsertAt(int pIndex, const char* pText, std::intptr_t pReference) override
    {
        ++mInserts;
        return KStringArray::InsertAt(pIndex, pText, pReference);
    }
    int mInserts = 0;
};

} // namespace

TEST(KStringArrayTest, InsertRemoveBoundsAndDeepCopies)
{
    KStringArray lArray;
    std::string lText = "b";
    EXPECT_EQ(lArray.Add(lText.c_str(), 2), 0);
    lText[0] = 'x';
    EXPECT_EQ(lArray.InsertAt(0, "a", 1), 0);
    EXPECT_EQ(lArray.InsertAt(50, "c", 3), 2);
    EXPECT_EQ(lArray.InsertAt(-1, "x", 9), -1);
    EXPECT_EQ(Texts(lArray), "a|b|c");
    EXPECT_EQ(lArray.GetReference(2), 3);
    EXPECT_EQ(lArray.GetReference(3), 0);
    EXPECT_EQ(lArray.GetReference(-1), 0);
    EXPECT_TRUE(lArray.GetText(3).IsNull());
    EXPECT_TRUE(lArray.GetText(-1).IsNull());

    KStringArray lCopy(lArray);
    KStringArray lAssigned;
    lAssigned.Add("old");
    lAssigned = lArray;
    EXPECT_EQ(lArray.RemoveAt(1), 2);
    EXPECT_EQ(lArray.RemoveAt(2), -1);
    EXPECT_EQ(lArray.RemoveAt(-1), -1);
    EXPECT_EQ(Texts(lArray), "a|c");
    EXPECT_EQ(Texts(lCopy), "a|b|c");
    EXPECT_EQ(Texts(lAssigned), "a|b|c");
    EXPECT_EQ(lCopy.GetReference(1), 2);
    lArray.Clear();
    EXPECT_EQ(lArray.GetCount(), 0);
}

TEST(KStringArrayTest, JoinSplitRoundTripWithEmptyTexts)
{
    KStringArray lArray;
    for (const char* lText : {"", "mid", "", "", "end"}) {
        lArray.Add(lText, 1);
    }
    const KString lJoined = lArray.Join();
    EXPECT_EQ(lJoined, "~mid~~~end");
    // Split goes through the overridable insertion and replaces what was there.
    CountingArray lBack;
    lBack.Add("stale");
    lBack.Split(lJoined.Buffer());
    EXPECT_EQ(Texts(lBack), "|mid|||end");
    EXPECT_EQ(lBack.mInserts, 6);
    EXPECT_EQ(lBack.GetReference(1), 0);
    const std::pair<const char*, const char*> cases[] = {
        {"a~", "a|"}, {"~", "|"}, {"x~y~z", "x|y|z"}, {"", ""}, {nullptr, ""}};
    for (const auto& c : cases) {
        lBack.Split(c.first);
        EXPECT_EQ(Texts(lBack), c.second);
    }
    EXPECT_EQ(lBack.GetCount(), 0);
    EXPECT_EQ(KStringArray().Join(), "");
    EXPECT_FALSE(KStringArray().Join().IsNull());
}
