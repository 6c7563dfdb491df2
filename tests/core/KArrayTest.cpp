#include "core/KArray.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

std::vector<int> Items(const KArray& pArray)
{
    std::vector<int> lItems;
    for (int i = 0; i < pArray.GetCount(); ++i) {
        lItems.push_back(*static_cast<const int*>(pArray.GetItem(i)));
    }
    return lItems;
}

// Every item slot of the storage, including those past the count.
std::vector<int> Storage(const KArray& pArray)
{
    const int* lData = static_cast<const int*>(pArray.GetArray());
    return std::vector<int>(lData, lData + pArray.GetBlockCount() * pArray.GetBlockSize());
}

} // namespace

TEST(KArrayTest, StartsEmptyWithoutStorage)
{
    const KArray lArray(4, sizeof(int));
    EXPECT_EQ(lArray.GetCount(), 0);
    EXPECT_EQ(lArray.GetBlockCount(), 0);
    EXPECT_EQ(lArray.GetBlockSize(), 4);
    EXPECT_EQ(lArray.GetItemSize(), static_cast<int>(sizeof(int)));
    EXPECT_EQ(lArray.GetArray(), nullptr);
    EXPECT_EQ(lArray.GetItem(0), nullptr);
    EXPECT_EQ(KArray(0, 0).GetBlockSize(), 1);
    EXPECT_EQ(KArray(-5, 0).GetItemSize(), 1);
}

TEST(KArrayTest, GrowsOneBlockAtATime)
{
    KArray lArray(3, sizeof(int));
    const int lExpectedBlocks[] = {1, 1, 1, 2, 2, 2, 3};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(lArray.Add(&i), i);
        EXPECT_EQ(lArray.GetBlockCount(), lExpectedBlocks[i]);
    }
    EXPECT_EQ(Items(lArray), (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
}

TEST(KArrayTest, InsertAtBothEndsAndClamps)
{
    KArray lArray(2, sizeof(int));
    const int lValues[] = {10, 20, 30, 40};
    EXPECT_EQ(lArray.InsertAt(0, &lValues[0]), 0);
    EXPECT_EQ(lArray.InsertAt(0, &lValues[1]), 0);
    EXPECT_EQ(lArray.InsertAt(99, &lValues[2]), 2);
    EXPECT_EQ(lArray.InsertAt(1, &lValues[3]), 1);
    EXPECT_EQ(Items(lArray), (std::vector<int>{20, 40, 10, 30}));
    EXPECT_EQ(lArray.InsertAt(-1, &lValues[0]), -1);
    EXPECT_EQ(lArray.InsertAt(0, nullptr), -1);
    EXPECT_EQ(lArray.GetCount(), 4);
}

TEST(KArrayTest, InsertingOwnItemSurvivesGrowth)
{
    KArray lArray(1, sizeof(int));
    const int lValue = 7;
    lArray.Add(&lValue);
    // The source item lies in storage that the insertion reallocates.
    EXPECT_EQ(lArray.InsertAt(0, lArray.GetItem(0)), 0);
    EXPECT_EQ(Items(lArray), (std::vector<int>{7, 7}));

    // Without growth the source item still moves up with the shift.
    KArray lRoomy(8, sizeof(int));
    const int lValues[] = {1, 2};
    lRoomy.Add(&lValues[0]);
    lRoomy.Add(&lValues[1]);
    EXPECT_EQ(lRoomy.InsertAt(0, lRoomy.GetItem(1)), 0);
    EXPECT_EQ(Items(lRoomy), (std::vector<int>{2, 1, 2}));
}

TEST(KArrayTest, RemoveAtEndsAndOutOfRange)
{
    KArray lArray(4, sizeof(int));
    for (int i = 1; i <= 5; ++i) {
        lArray.Add(&i);
    }
    EXPECT_EQ(lArray.RemoveAt(0), 4);
    EXPECT_EQ(lArray.RemoveAt(3), 3);
    EXPECT_EQ(Items(lArray), (std::vector<int>{2, 3, 4}));
    EXPECT_EQ(lArray.RemoveAt(3), -1);
    EXPECT_EQ(lArray.RemoveAt(-1), -1);
    EXPECT_EQ(Items(lArray), (std::vector<int>{2, 3, 4}));
    EXPECT_EQ(lArray.GetBlockCount(), 2);
    EXPECT_EQ(lArray.RemoveAt(1), 2);
    EXPECT_EQ(lArray.RemoveAt(0), 1);
    EXPECT_EQ(lArray.RemoveAt(0), 0);
    EXPECT_EQ(lArray.RemoveAt(0), -1);
}

TEST(KArrayTest, SetCountGrowsWithZerosEvenOverRemovedItems)
{
    KArray lArray(4, sizeof(int));
    for (int i = 1; i <= 3; ++i) {
        lArray.Add(&i);
    }
    EXPECT_EQ(lArray.SetCount(1), 1);
    EXPECT_EQ(lArray.SetCount(6), 6);
    EXPECT_EQ(Items(lArray), (std::vector<int>{1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(lArray.GetBlockCount(), 2);
    EXPECT_EQ(lArray.SetCount(-1), -1);
    EXPECT_EQ(lArray.GetCount(), 6);
    EXPECT_EQ(lArray.SetCount(0), 0);
    EXPECT_EQ(lArray.GetItem(0), nullptr);
}

TEST(KArrayTest, AddMultipleAppendsZeros)
{
    KArray lArray(2, sizeof(int));
    const int lValue = 9;
    lArray.Add(&lValue);
    lArray.Add(&lValue);
    lArray.RemoveAt(1);
    EXPECT_EQ(lArray.AddMultiple(3), 1);
    EXPECT_EQ(Items(lArray), (std::vector<int>{9, 0, 0, 0}));
    EXPECT_EQ(lArray.GetBlockCount(), 2);
    EXPECT_EQ(lArray.AddMultiple(-1), -1);
    EXPECT_EQ(lArray.AddMultiple(0), 4);
    EXPECT_EQ(lArray.GetCount(), 4);
}

TEST(KArrayTest, HugeCountsAreRefused)
{
    KArray lArray(16, 1024);
    EXPECT_EQ(lArray.SetCount(INT32_MAX), -1);
    EXPECT_EQ(lArray.Resize(INT32_MAX), -1);
    EXPECT_EQ(lArray.AddMultiple(INT32_MAX), -1);
    EXPECT_EQ(lArray.GetCount(), 0);
    EXPECT_EQ(lArray.GetBlockCount(), 0);

    // Block size times item size alone exceeds the limit.
    KArray lWide(INT32_MAX, INT32_MAX);
    const char lByte = 1;
    EXPECT_EQ(lWide.Add(&lByte), -1);
    EXPECT_EQ(lWide.GetCount(), 0);
}

TEST(KArrayTest, ResizeFitsBlocksAndZeroFills)
{
    KArray lArray(4, sizeof(int));
    for (int i = 1; i <= 10; ++i) {
        lArray.Add(&i);
    }
    EXPECT_EQ(lArray.GetBlockCount(), 3);
    EXPECT_EQ(lArray.Resize(5), 5);
    EXPECT_EQ(lArray.GetBlockCount(), 2);
    EXPECT_EQ(Storage(lArray), (std::vector<int>{1, 2, 3, 4, 5, 0, 0, 0}));

    lArray.RemoveAt(4);
    EXPECT_EQ(lArray.Resize(6), 6);
    EXPECT_EQ(Storage(lArray), (std::vector<int>{1, 2, 3, 4, 0, 0, 0, 0}));

    EXPECT_EQ(lArray.Resize(0), 0);
    EXPECT_EQ(lArray.GetBlockCount(), 1);
    EXPECT_EQ(Storage(lArray), (std::vector<int>{0, 0, 0, 0}));
    EXPECT_EQ(lArray.Resize(-2), -1);
}

TEST(KArrayTest, ClearFreesStorage)
{
    KArray lArray(4, sizeof(int));
    const int lValue = 1;
    lArray.Add(&lValue);
    lArray.Clear();
    EXPECT_EQ(lArray.GetCount(), 0);
    EXPECT_EQ(lArray.GetBlockCount(), 0);
    EXPECT_EQ(lArray.GetArray(), nullptr);
    EXPECT_EQ(lArray.Add(&lValue), 0);
}

TEST(KArrayTest, AssignmentTakesTheOtherBlockSize)
{
    KArray lSource(3, sizeof(int));
    for (int i = 0; i < 4; ++i) {
        lSource.Add(&i);
    }
    KArray lTarget(10, sizeof(int));
    const int lOld = 99;
    lTarget.Add(&lOld);
    lTarget = lSource;
    EXPECT_EQ(lTarget.GetBlockSize(), 3);
    EXPECT_EQ(lTarget.GetBlockCount(), 2);
    EXPECT_EQ(Items(lTarget), (std::vector<int>{0, 1, 2, 3}));
    lTarget = lTarget;
    EXPECT_EQ(Items(lTarget), (std::vector<int>{0, 1, 2, 3}));
    const KArray lCopy(lSource);
    EXPECT_EQ(Items(lCopy), Items(lSource));
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
    EXPECT_EQ(lArray.GetAt(0), &lB);
    EXPECT_EQ(lArray.GetAt(1), &lA);
    EXPECT_EQ(lArray.GetAt(2), nullptr);
    EXPECT_EQ(lArray.GetArray()[1], &lA);
    lArray.AddMultiple(1);
    EXPECT_EQ(lArray.GetAt(2), nullptr);
    EXPECT_EQ(lArray.GetItem(3), nullptr);

    KPointerArray lOther(5);
    lOther = lArray;
    EXPECT_EQ(lOther.GetBlockSize(), 16);
    EXPECT_EQ(lOther.GetCount(), 3);
    EXPECT_EQ(lOther.GetAt(1), &lA);
}

TEST(KArrayTest, DoubleArrayAssignment)
{
    KDoubleArray lSource(2);
    for (int i = 0; i < 5; ++i) {
        lSource.Add(i * 0.5);
    }
    KDoubleArray lTarget;
    lTarget.Add(-1.0);
    lTarget = lSource;
    EXPECT_EQ(lTarget.GetBlockSize(), 2);
    EXPECT_EQ(lTarget.GetBlockCount(), 3);
    ASSERT_EQ(lTarget.GetCount(), 5);
    EXPECT_DOUBLE_EQ(lTarget.GetAt(4), 2.0);
    EXPECT_DOUBLE_EQ(lTarget.GetAt(5), 0.0);
    lTarget.SetCount(7);
    EXPECT_DOUBLE_EQ(lTarget.GetAt(6), 0.0);
}
