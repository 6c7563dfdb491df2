#include "object/KConnectionPairList.h"
#include "object/KPlug.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// The sources of the listed pairs, in list order.
std::vector<KPlug*> Sources(KConnectionPairList& ioList)
{
    std::vector<KPlug*> lSources;
    KWeakHandle lSource;
    KWeakHandle lDestination;
    for (int i = 0; ioList.Get(i, lSource, lDestination); ++i) {
        lSources.push_back(lSource.Get());
    }
    return lSources;
}

} // namespace

// Removals keep the rest in age order and a removed pair can be listed again at the end, for
// lists searched directly, lists that outgrow that on the way, and lists long enough to compact
// several times.
TEST(KConnectionPairList, RemovalsKeepTheAgeOrderOfTheRest)
{
    for (const int lCount : {6, 9, 200}) {
        KPlug lDestination;
        std::vector<std::unique_ptr<KPlug>> lPlugs;
        KConnectionPairList lList;
        for (int i = 0; i < lCount; ++i) {
            lPlugs.push_back(std::make_unique<KPlug>());
            ASSERT_TRUE(lList.Add(lPlugs.back()->GetWeakHandle(), lDestination.GetWeakHandle()));
        }
        EXPECT_FALSE(lList.Add(lPlugs[5]->GetWeakHandle(), lDestination.GetWeakHandle()));
        std::vector<KPlug*> lExpected;
        for (int i = 0; i < lCount; ++i) {
            if (i % 3 == 0) {
                lExpected.push_back(lPlugs[static_cast<std::size_t>(i)].get());
            } else {
                ASSERT_TRUE(lList.Remove(lPlugs[static_cast<std::size_t>(i)]->GetWeakHandle(),
                                         lDestination.GetWeakHandle()));
            }
        }
        EXPECT_FALSE(lList.Remove(lPlugs[1]->GetWeakHandle(), lDestination.GetWeakHandle()));
        EXPECT_EQ(Sources(lList), lExpected) << lCount;
        ASSERT_TRUE(lList.Add(lPlugs[1]->GetWeakHandle(), lDestination.GetWeakHandle()));
        EXPECT_FALSE(lList.Add(lPlugs[1]->GetWeakHandle(), lDestination.GetWeakHandle()));
        lExpected.push_back(lPlugs[1].get());
        EXPECT_EQ(Sources(lList), lExpected) << lCount;
        EXPECT_EQ(lList.Prune(), static_cast<int>(lExpected.size()));
    }
}

// A pair whose end has died goes at the next count; the pairs after it move up.
TEST(KConnectionPairList, PruneDropsPairsWithADeadEnd)
{
    KPlug lDestination;
    KPlug lFirst;
    KPlug lLast;
    KConnectionPairList lList;
    auto lDying = std::make_unique<KPlug>();
    ASSERT_TRUE(lList.Add(lFirst.GetWeakHandle(), lDestination.GetWeakHandle()));
    ASSERT_TRUE(lList.Add(lDying->GetWeakHandle(), lDestination.GetWeakHandle()));
    ASSERT_TRUE(lList.Add(lLast.GetWeakHandle(), lDestination.GetWeakHandle()));
    lDying.reset();
    EXPECT_EQ(lList.Prune(), 2);
    EXPECT_EQ(Sources(lList), (std::vector<KPlug*>{&lFirst, &lLast}));
}
