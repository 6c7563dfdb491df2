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
