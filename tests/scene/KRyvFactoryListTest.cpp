#include "scene/KRyvFactoryList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

// Checks the list against the objects it should hold, in order.
void ExpectHolds(const KRyvFactoryList<int>& pList, const std::vector<int*>& pExpected,
                 const std::vector<int>& pAll)
{
    ASSERT_EQ(pList.GetCount(), static_cast<int>(pExpected.size()));
    for (int i = 0; i < pList.GetCount(); ++i) {
        ASSERT_EQ(pList.Get(i), pExpected[static_cast<std::size_t>(i)]) << i;
    }
    for (const int& lObject : pAll) {
        const bool lListed =
            std::find(pExpected.begin(), pExpected.end(), &lObject) != pExpected.end();
        ASSERT_EQ(pList.Contains(&lObject), lListed) << lObject;
    }
}

} // namespace

// Adds and removes in an order that makes long probe runs wrap around the table and empties
// slots in their middle; after every step the list holds exactly what a plain vector holds.
TEST(KRyvFactoryList, AgreesWithAPlainListThroughGrowthRemovalAndCompaction)
{
    std::vector<int> lObjects(3000);
    for (int i = 0; i < static_cast<int>(lObjects.size()); ++i) {
        lObjects[static_cast<std::size_t>(i)] = i;
    }
    KRyvFactoryList<int> lList;
    std::vector<int*> lExpected;
    unsigned lState = 12345;
    for (int lStep = 0; lStep < 20000; ++lStep) {
        lState = lState * 1103515245u + 12345u;
        int* lObject = &lObjects[(lState >> 8) % lObjects.size()];
        const bool lListed =
            std::find(lExpected.begin(), lExpected.end(), lObject) != lExpected.end();
        if ((lState >> 4) % 3 != 0) {
            lList.Add(lObject);
            if (!lListed) {
                lExpected.push_back(lObject);
            }
        } else {
            ASSERT_EQ(lList.Remove(lObject), lListed) << lStep;
            lExpected.erase(std::remove(lExpected.begin(), lExpected.end(), lObject),
                            lExpected.end());
        }
        if (lStep % 997 == 0) {
            ExpectHolds(lList, lExpected, lObjects);
        }
    }
    ExpectHolds(lList, lExpected, lObjects);
    for (int* lObject : lExpected) {
        ASSERT_EQ(lList.TakeFirst(), lObject);
    }
    EXPECT_EQ(lList.TakeFirst(), nullptr);
    ExpectHolds(lList, {}, lObjects);
}

// A small table filled to its limit, so that probe runs wrap past its end, then emptied in a
// scrambled order: every removal must leave the others findable.
TEST(KRyvFactoryList, RemovalInAFullSmallTableKeepsEveryOtherObjectFindable)
{
    constexpr int kFull = 12;
    std::vector<int> lPool(256);
    unsigned lState = 777;
    for (int lRound = 0; lRound < 400; ++lRound) {
        KRyvFactoryList<int> lList;
        std::vector<int*> lExpected;
        while (static_cast<int>(lExpected.size()) < kFull) {
            lState = lState * 1103515245u + 12345u;
            int* lObject = &lPool[(lState >> 8) % lPool.size()];
            if (std::find(lExpected.begin(), lExpected.end(), lObject) == lExpected.end()) {
                lList.Add(lObject);
                lExpected.push_back(lObject);
            }
        }
        while (!lExpected.empty()) {
            lState = lState * 1103515245u + 12345u;
            const std::size_t lPick = (lState >> 8) % lExpected.size();
            ASSERT_TRUE(lList.Remove(lExpected[lPick])) << lRound;
            lExpected.erase(lExpected.begin() + static_cast<std::ptrdiff_t>(lPick));
            for (int* lObject : lExpected) {
                ASSERT_TRUE(lList.Contains(lObject)) << lRound;
            }
        }
        ASSERT_EQ(lList.GetCount(), 0);
    }
}

TEST(KRyvFactoryList, IgnoresNullAndRepeatsAndAnswersForAnEmptyList)
{
    int lA = 0;
    int lB = 0;
    KRyvFactoryList<int> lList;
    EXPECT_FALSE(lList.Contains(&lA));
    EXPECT_FALSE(lList.Remove(&lA));
    EXPECT_EQ(lList.Get(0), nullptr);
    lList.MakeRoom();
    lList.Add(nullptr);
    lList.Add(&lA);
    lList.Add(&lA);
    lList.Add(&lB);
    ExpectHolds(lList, {&lA, &lB}, {});
    EXPECT_FALSE(lList.Remove(nullptr));
    EXPECT_TRUE(lList.Remove(&lA));
    EXPECT_EQ(lList.Get(0), &lB);
    EXPECT_EQ(lList.Get(1), nullptr);
    EXPECT_EQ(lList.Get(-1), nullptr);
}

// Slots follow addresses within a page of memory, so objects packed densely, one per page at
// the same offset, or straddling page ends all share or crowd windows of the table: each layout
// must still list, find and unlist every object, in order, while the table grows and wraps.
TEST(KRyvFactoryList, EveryMemoryLayoutStaysFindableThroughGrowthAndRemoval)
{
    constexpr std::size_t kObjects = 5000;
    for (const std::size_t lStride : {std::size_t(1), std::size_t(16), std::size_t(1024),
                                      std::size_t(1040), std::size_t(4096 * 3)}) {
        std::vector<int> lMemory(kObjects * lStride);
        KRyvFactoryList<int> lList;
        for (std::size_t i = 0; i < kObjects; ++i) {
            lList.Add(&lMemory[i * lStride]);
        }
        // Every third object goes, counted from the middle of the list.
        std::vector<int*> lExpected;
        for (std::size_t i = 0; i < kObjects; ++i) {
            int* lObject = &lMemory[i * lStride];
            if ((i + kObjects - kObjects / 2) % kObjects % 3 == 0) {
                ASSERT_TRUE(lList.Remove(lObject)) << lStride << ' ' << i;
            } else {
                lExpected.push_back(lObject);
            }
        }
        ASSERT_EQ(lList.GetCount(), static_cast<int>(lExpected.size())) << lStride;
        for (std::size_t i = 0; i < lExpected.size(); ++i) {
            ASSERT_EQ(lList.Get(static_cast<int>(i)), lExpected[i]) << lStride << ' ' << i;
            ASSERT_TRUE(lList.Contains(lExpected[i])) << lStride << ' ' << i;
            if (lStride > 1) {
                ASSERT_FALSE(lList.Contains(lExpected[i] + 1)) << lStride << ' ' << i;
            }
        }
        for (std::size_t i = 0; i < kObjects; i += 3) {
            const int* lObject = &lMemory[(i + kObjects / 2) % kObjects * lStride];
            ASSERT_FALSE(lList.Contains(lObject)) << lStride << ' ' << i;
        }
    }
}

// Emptied from the end, the list hands back what it holds newest first, passing over objects
// removed meanwhile (also those at its end) and those already taken from its front.
TEST(KRyvFactoryList, TakeLastHandsBackNewestFirstPassingOverRemovedObjects)
{
    std::vector<int> lObjects(200);
    KRyvFactoryList<int> lList;
    for (int& lObject : lObjects) {
        lList.Add(&lObject);
    }
    for (std::size_t i = 0; i < lObjects.size(); i += 3) {
        ASSERT_TRUE(lList.Remove(&lObjects[i]));
    }
    ASSERT_TRUE(lList.Remove(&lObjects.back()));
    ASSERT_EQ(lList.TakeFirst(), &lObjects[1]);
    std::vector<int*> lExpected;
    for (std::size_t i = lObjects.size() - 1; i > 1; --i) {
        if (i % 3 != 0 && i + 1 != lObjects.size()) {
            lExpected.push_back(&lObjects[i]);
        }
    }
    for (std::size_t i = 0; i < lExpected.size(); ++i) {
        ASSERT_EQ(lList.TakeLast(), lExpected[i]) << i;
        ASSERT_EQ(lList.GetCount(), static_cast<int>(lExpected.size() - i - 1));
    }
    EXPECT_EQ(lList.TakeLast(), nullptr);
    EXPECT_EQ(lList.TakeFirst(), nullptr);
    lList.Add(&lObjects[0]);
    EXPECT_EQ(lList.Get(0), &lObjects[0]);
    EXPECT_EQ(lList.TakeLast(), &lObjects[0]);
}

// Look-ups by index between removals, additions and takes from either end, with holes left
// in the list: every answer is the object a plain vector holds at that index.
TEST(KRyvFactoryList, LookUpsByIndexAmongHolesAgreeWithAPlainList)
{
    std::vector<int> lObjects(500);
    KRyvFactoryList<int> lList;
    std::vector<int*> lExpected;
    for (int& lObject : lObjects) {
        lList.Add(&lObject);
        lExpected.push_back(&lObject);
    }
    unsigned lState = 4242;
    for (int lStep = 0; lStep < 6000; ++lStep) {
        lState = lState * 1103515245u + 12345u;
        const unsigned lChoice = (lState >> 4) % 8;
        int* lObject = &lObjects[(lState >> 12) % lObjects.size()];
        const auto lAt = std::find(lExpected.begin(), lExpected.end(), lObject);
        if (lChoice < 3) {
            ASSERT_EQ(lList.Remove(lObject), lAt != lExpected.end());
            if (lAt != lExpected.end()) {
                lExpected.erase(lAt);
            }
        } else if (lChoice < 5) {
            lList.Add(lObject);
            if (lAt == lExpected.end()) {
                lExpected.push_back(lObject);
            }
        } else if (lChoice == 5 && !lExpected.empty()) {
            ASSERT_EQ(lList.TakeFirst(), lExpected.front());
            lExpected.erase(lExpected.begin());
        } else if (lChoice == 6 && !lExpected.empty()) {
            ASSERT_EQ(lList.TakeLast(), lExpected.back());
            lExpected.pop_back();
        }
        ASSERT_EQ(lList.GetCount(), static_cast<int>(lExpected.size()));
        for (int lProbe = 0; lProbe < 3 && !lExpected.empty(); ++lProbe) {
            const std::size_t lIndex = (lState >> (lProbe * 5)) % lExpected.size();
            ASSERT_EQ(lList.Get(static_cast<int>(lIndex)), lExpected[lIndex]) << lStep;
        }
    }
    ExpectHolds(lList, lExpected, lObjects);
}
