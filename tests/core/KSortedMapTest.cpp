#include "core/KSortedMap.h"

#include <gtest/gtest.h>

TEST(KSortedMapTest, KeysSortAsUnsignedAndEqualKeysKeepTheirOrder)
{
    KSortedMap lMap(0);
    std::uint32_t lKey = 7;
    EXPECT_EQ(lMap.GetAt(0, &lKey), 0u);
    EXPECT_EQ(lKey, 0u);
    int lFirst = 0;
    const std::uint32_t lKeys[] = {0xFFFFFFFFu, 1, 0x80000000u, 0, 4, 4};
    const std::uintptr_t lValues[] = {30, 10, 20, 5, reinterpret_cast<std::uintptr_t>(&lFirst), 6};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(lMap.Add(lKeys[i], lValues[i]), i + 1);
    }
    const std::uint32_t lSortedKeys[] = {0, 1, 4, 4, 0x80000000u, 0xFFFFFFFFu};
    const std::uintptr_t lSortedValues[] = {5, 10, lValues[4], 6, 20, 30};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(lMap.GetAt(i, &lKey), lSortedValues[i]);
        EXPECT_EQ(lKey, lSortedKeys[i]);
    }
    int lIndex = -2;
    EXPECT_EQ(reinterpret_cast<int*>(lMap.Find(4, &lIndex)), &lFirst);
    EXPECT_EQ(lIndex, 2);
    EXPECT_EQ(lMap.Find(3, &lIndex), 0u);
    EXPECT_EQ(lIndex, -1);
    EXPECT_EQ(lMap.GetAt(-1), 0u);
    EXPECT_EQ(lMap.GetAt(6), 0u);
    lMap.Add(2, 77);
    EXPECT_EQ(lMap.Find(2, &lIndex), 77u);
    EXPECT_EQ(lIndex, 2);
    lMap.Clear();
    EXPECT_EQ(lMap.GetCount(), 0);
    EXPECT_EQ(lMap.Find(0), 0u);
}

TEST(KSortedMapTest, FindBisects)
{
    KSortedMap lMap(20);
    for (std::uint32_t i = 0; i < 500; ++i) {
        lMap.Add((i * 7919u) % 1000u * 3u, i + 1);
    }
    for (std::uint32_t i = 0; i < 500; i += 13) {
        EXPECT_EQ(lMap.Find((i * 7919u) % 1000u * 3u), i + 1);
    }
    EXPECT_EQ(lMap.Find(1), 0u);
    EXPECT_EQ(lMap.Find(3000), 0u);
}
