#include "core/KSortedMap.h"

#include <gtest/gtest.h>

TEST(KSortedMapTest, KeysSortAsUnsigned)
{
    KSortedMap lMap;
    EXPECT_EQ(lMap.Add(0xFFFFFFFFu, 30), 1);
    EXPECT_EQ(lMap.Add(1, 10), 2);
    EXPECT_EQ(lMap.Add(0x80000000u, 20), 3);
    EXPECT_EQ(lMap.Add(0, 5), 4);
    std::uint32_t lKey = 7;
    EXPECT_EQ(lMap.GetAt(0, &lKey), 5u);
    EXPECT_EQ(lKey, 0u);
    EXPECT_EQ(lMap.GetAt(1, &lKey), 10u);
    EXPECT_EQ(lKey, 1u);
    EXPECT_EQ(lMap.GetAt(2, &lKey), 20u);
    EXPECT_EQ(lKey, 0x80000000u);
    EXPECT_EQ(lMap.GetAt(3, &lKey), 30u);
    EXPECT_EQ(lKey, 0xFFFFFFFFu);
}

TEST(KSortedMapTest, FindBisectsAfterLazySort)
{
    KSortedMap lMap(20);
    for (std::uint32_t i = 0; i < 500; ++i) {
        lMap.Add((i * 7919u) % 1000u * 3u, i + 1);
    }
    int lIndex = -2;
    EXPECT_EQ(lMap.Find(0, &lIndex), 1u);
    EXPECT_EQ(lIndex, 0);
    EXPECT_EQ(lMap.Find(1, &lIndex), 0u);
    EXPECT_EQ(lIndex, -1);
    for (std::uint32_t i = 0; i < 500; i += 13) {
        EXPECT_EQ(lMap.Find((i * 7919u) % 1000u * 3u), i + 1);
    }
    lMap.Add(1, 77);
    EXPECT_EQ(lMap.Find(1, &lIndex), 77u);
    EXPECT_EQ(lIndex, 1);
}

TEST(KSortedMapTest, EqualKeysKeepInsertionOrderAndValuesHoldPointers)
{
    KSortedMap lMap;
    int lFirst = 0;
    int lSecond = 0;
    lMap.Add(4, reinterpret_cast<std::uintptr_t>(&lFirst));
    lMap.Add(2, 0);
    lMap.Add(4, reinterpret_cast<std::uintptr_t>(&lSecond));
    EXPECT_EQ(reinterpret_cast<int*>(lMap.Find(4)), &lFirst);
    EXPECT_EQ(reinterpret_cast<int*>(lMap.GetAt(2)), &lSecond);
}

TEST(KSortedMapTest, OutOfRangeAndClear)
{
    KSortedMap lMap;
    std::uint32_t lKey = 9;
    EXPECT_EQ(lMap.GetAt(0, &lKey), 0u);
    EXPECT_EQ(lKey, 0u);
    lMap.Add(3, 4);
    EXPECT_EQ(lMap.GetAt(-1), 0u);
    EXPECT_EQ(lMap.GetAt(1), 0u);
    lMap.Clear();
    EXPECT_EQ(lMap.GetCount(), 0);
    EXPECT_EQ(lMap.Find(3), 0u);
}
