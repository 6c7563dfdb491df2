#include "core/KArray.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

// The int items joined by ' ', and with pAll the whole storage, slots past the count included.
std::string Items(const KArray& pArray, bool pAll = false)
{
    const int* lData = static_cast<const int*>(pArray.GetArray());
    const int lCount = pAll ? pArray.GetBlockCount() * pArray.GetBlockSize() : pArray.GetCount();
    std::string lItems;
    for (int i = 0; i < lCount; ++i) {
        lItems += (i ? " " : "") + std::to_string(lData[i]);
    }
    return lItems;
}

// An int array of pBlockSize holding 1 to pCount.
KArray Counting(int pBlockSize, int pCount)
{
    KArray lArray(pBlockSize, sizeof(int));
    for (int i = 1; i <= pCount; ++i) {
        lArray.Add(&i);
    }
    return lArray;
}

} // namespace

TEST(KArrayTest, StartsEmptyAndGrowsOneBlockAtATime)
{
    KArray lArray(3, sizeof(int));
    EXPECT_EQ(lArray.GetBlockCount(), 0);
    EXPECT_EQ(lArray.GetArray(), nullptr);
    EXPECT_EQ(lArray.GetItem(0), nullptr);
    EXPECT_EQ(KArray(0, 0).GetBlockSize(), 1);
    EXPECT_EQ(KArray(-5, 0).GetItemSize(), 1);
    const int lExpectedBlocks[] = {1, 1, 1, 2, 2, 2, 3};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(lArray.Add(&i), i);
        EXPECT_EQ(lArray.GetBlockCount(), lExpectedBlocks[i]);
    }
    EXPECT_EQ(Items(lArray), "0 1 2 3 4 5 6");
    EXPECT_EQ(lArray.GetItem(7), nullptr);
    EXPECT_EQ(lArray.GetItem(-1), nullptr);
    EXPECT_EQ(*static_cast<const int*>(static_cast<const KArray&>(lArray).GetItem(6)), 6);
    EXPECT_EQ(static_cast<const KArray&>(lArray).GetItem(7), nullptr);
}

TEST(KArrayTest, InsertAndRemoveAtBothEndsAndOutOfRange)
{
    KArray lArray(2, sizeof(int));
    const int lValues[] = {10, 20, 30, 40};
    EXPECT_EQ(lArray.InsertAt(0, &lValues[0]), 0);
    EXPECT_EQ(lArray.InsertAt(0, &lValues[1]), 0);
    EXPECT_EQ(lArray.InsertAt(99, &lValues[2]), 2);
    EXPECT_EQ(lArray.InsertAt(1, &lValues[3]), 1);
    EXPECT_EQ(lArray.InsertAt(-1, &lValues[0]), -1);
    EXPECT_EQ(lArray.InsertAt(0, nullptr), -1);
    EXPECT_EQ(Items(lArray), "20 40 10 30");

    KArray lFive = Counting(4, 5);
    EXPECT_EQ(lFive.RemoveAt(0), 4);
    EXPECT_EQ(lFive.RemoveAt(3), 3);
    EXPECT_EQ(lFive.RemoveAt(3), -1);
    EXPECT_EQ(lFive.RemoveAt(-1), -1);
    EXPECT_EQ(Items(lFive), "2 3 4");
    EXPECT_EQ(lFive.GetBlockCount(), 2);
    EXPECT_EQ(lFive.RemoveAt(1), 2);
    EXPECT_EQ(Items(lFive), "2 4");
}

TEST(KArrayTest, InsertingOwnItemSurvivesGrowthAndShift)
{
    // The source item lies in storage that the insertion reallocates.
    KArray lArray = Counting(1, 1);
    EXPECT_EQ(lArray.InsertAt(0, lArray.GetItem(0)), 0);
    EXPECT_EQ(Items(lArray), "1 1");
    // Without growth the source item still moves up with the shift.
    KArray lRoomy = Counting(8, 2);
    EXPECT_EQ(lRoomy.InsertAt(0, lRoomy.GetItem(1)), 0);
    EXPECT_EQ(Items(lRoomy), "2 1 2");
}

TEST(KArrayTest, CountChangesZeroFillEvenOverRemovedItems)
{
    KArray lArray = Counting(4, 3);
    EXPECT_EQ(lArray.SetCount(1), 1);
    EXPECT_EQ(lArray.SetCount(6), 6);
    EXPECT_EQ(Items(lArray), "1 0 0 0 0 0");
    EXPECT_EQ(lArray.GetBlockCount(), 2);
    EXPECT_EQ(lArray.SetCount(-1), -1);
    EXPECT_EQ(lArray.SetCount(0), 0);
    EXPECT_EQ(lArray.GetItem(0), nullptr);

    KArray lAdded = Counting(2, 2);
    lAdded.RemoveAt(1);
    EXPECT_EQ(lAdded.AddMultiple(3), 1);
    EXPECT_EQ(Items(lAdded), "1 0 0 0");
    EXPECT_EQ(lAdded.GetBlockCount(), 2);
    EXPECT_EQ(lAdded.AddMultiple(-1), -1);
    EXPECT_EQ(lAdded.AddMultiple(0), 4);
    EXPECT_EQ(lAdded.GetCount(), 4);

    // Resize fits the blocks to the count, at least one.
    KArray lSized = Counting(4, 10);
    EXPECT_EQ(lSized.Resize(5), 5);
    EXPECT_EQ(Items(lSized, true), "1 2 3 4 5 0 0 0");
    lSized.RemoveAt(4);
    EXPECT_EQ(lSized.Resize(6), 6);
    EXPECT_EQ(Items(lSized, true), "1 2 3 4 0 0 0 0");
    EXPECT_EQ(lSized.Resize(0), 0);
    EXPECT_EQ(Items(lSized, true), "0 0 0 0");
    EXPECT_EQ(lSized.Resize(-2), -1);
    lSized.Clear();
    EXPECT_EQ(lSized.GetBlockCount(), 0);
    EXPECT_EQ(lSized.GetArray(), nullptr);
    const int lOne = 1;
    EXPECT_EQ(lSized.Add(&lOne), 0);
}

TEST(KArrayTest, HugeCountsAreRefused)
{
    KArray lArray(16, 1024);
    EXPECT_EQ(lArray.SetCount(INT32_MAX), -1);
    EXPECT_EQ(lArray.Resize(INT32_MAX), -1);
    EXPECT_EQ(lArray.AddMultiple(INT32_MAX), -1);
    lArray.AddMultiple(1);
    EXPECT_EQ(lArray.AddMultiple(INT32_MAX), -1);
    EXPECT_EQ(lArray.GetCount(), 1);
    EXPECT_EQ(lArray.GetBlockCount(), 1);
    // Block size times item size alone exceeds the limit.
    KArray lWide(INT32_MAX, INT32_MAX);
    const char lByte = 1;
    EXPECT_EQ(lWide.Add(&lByte), -1);
    EXPECT_EQ(lWide.GetCount(), 0);
}

TEST(KArrayTest, CopiesTakeTheOtherBlockSize)
{
    const KArray lSource = Counting(3, 4);
    KArray lTarget = Counting(10, 1);
    lTarget = lSource;
    EXPECT_EQ(lTarget.GetBlockSize(), 3);
    EXPECT_EQ(lTarget.GetBlockCount(), 2);
    EXPECT_EQ(Items(lTarget), "1 2 3 4");
    lTarget = lTarget;
    EXPECT_EQ(Items(lTarget), "1 2 3 4");
    EXPECT_EQ(Items(KArray(lSource)), "1 2 3 4");

    KDoubleArray lDoubles(2);
    for (int i = 0; i < 5; ++i) {
        lDoubles.Add(i * 0.5);
    }
    KDoubleArray lDoubleCopy;
    lDoubleCopy.Add(-1.0);
    lDoubleCopy = lDoubles;
    EXPECT_EQ(lDoubleCopy.GetBlockSize(), 2);
    EXPECT_EQ(lDoubleCopy.GetBlockCount(), 3);
    EXPECT_EQ(lDoubleCopy.GetAt(4), 2.0);
    EXPECT_EQ(lDoubleCopy.GetAt(5), 0.0);
}

TEST(KArrayTest, PointerArrayHoldsFullPointers)
{
    KPointerArray lArray;
    EXPECT_EQ(lArray.GetBlockSize(), 16);
    EXPECT_EQ(lArray.GetItemSize(), static_cast<int>(sizeof(void*)));
    int lA = 0;
    int lB = 0;
    lArray.Add(&lA);
    lArray.InsertAt(0, &lB);
    lArray.AddMultiple(1);
    EXPECT_EQ(lArray.GetAt(0), &lB);
    EXPECT_EQ(lArray.GetArray()[1], &lA);
    EXPECT_EQ(lArray.GetAt(2), nullptr);
    EXPECT_EQ(lArray.GetItem(3), nullptr);
    KPointerArray lOther(5);
    lOther = lArray;
    EXPECT_EQ(lOther.GetBlockSize(), 16);
    EXPECT_EQ(lOther.GetAt(1), &lA);
}
