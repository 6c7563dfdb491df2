#include "core/KStringArray.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Texts(const KStringArray& pArray)
{
    std::vector<std::string> lTexts;
    for (int i = 0; i < pArray.GetCount(); ++i) {
        lTexts.push_back(pArray.GetText(i).Buffer());
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

TEST(KStringArrayTest, InsertRemoveAndBounds)
{
    KStringArray lArray;
    EXPECT_EQ(lArray.Add("b", 2), 0);
    EXPECT_EQ(lArray.InsertAt(0, "a", 1), 0);
    EXPECT_EQ(lArray.InsertAt(50, "c", 3), 2);
    EXPECT_EQ(lArray.InsertAt(-1, "x", 9), -1);
    EXPECT_EQ(Texts(lArray), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(lArray.GetReference(2), 3);
    EXPECT_EQ(lArray.GetReference(3), 0);
    EXPECT_EQ(lArray.GetReference(-1), 0);
    EXPECT_TRUE(lArray.GetText(3).IsNull());
    EXPECT_EQ(lArray.RemoveAt(1), 2);
    EXPECT_EQ(lArray.RemoveAt(2), -1);
    EXPECT_EQ(Texts(lArray), (std::vector<std::string>{"a", "c"}));
    lArray.Clear();
    EXPECT_EQ(lArray.GetCount(), 0);
}

TEST(KStringArrayTest, CopiesAreDeep)
{
    KStringArray lArray;
    std::string lText = "name";
    lArray.Add(lText.c_str(), 7);
    lText[0] = 'g';
    KStringArray lCopy(lArray);
    lArray.Clear();
    EXPECT_EQ(lCopy.GetText(0), "name");
    EXPECT_EQ(lCopy.GetReference(0), 7);
    KStringArray lAssigned;
    lAssigned.Add("old");
    lAssigned = lCopy;
    EXPECT_EQ(Texts(lAssigned), (std::vector<std::string>{"name"}));
}

TEST(KStringArrayTest, JoinSplitRoundTripWithEmptyTexts)
{
    KStringArray lArray;
    lArray.Add("", 1);
    lArray.Add("mid", 2);
    lArray.Add("", 3);
    lArray.Add("", 4);
    lArray.Add("end", 5);
    const KString lJoined = lArray.Join();
    EXPECT_EQ(lJoined, "~mid~~~end");

    KStringArray lBack;
    lBack.Add("stale");
    lBack.Split(lJoined.Buffer());
    EXPECT_EQ(Texts(lBack), (std::vector<std::string>{"", "mid", "", "", "end"}));
    EXPECT_EQ(lBack.GetReference(1), 0);

    lBack.Split("a~");
    EXPECT_EQ(Texts(lBack), (std::vector<std::string>{"a", ""}));
    lBack.Split("");
    EXPECT_EQ(lBack.GetCount(), 0);
    lBack.Split(nullptr);
    EXPECT_EQ(lBack.GetCount(), 0);
    EXPECT_EQ(KStringArray().Join(), "");
    EXPECT_FALSE(KStringArray().Join().IsNull());
}

TEST(KStringArrayTest, SplitGoesThroughOverridableInsert)
{
    CountingArray lArray;
    lArray.Split("x~y~z");
    EXPECT_EQ(lArray.mInserts, 3);
    EXPECT_EQ(lArray.GetText(2), "z");
}
