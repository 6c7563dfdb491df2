// The depths of bones as an ASF hierarchy hangs them: loops, the depth limit, and the work done.
#include "formats/motion/asf-amc/KAsfBoneDepths.h"
#include "formats/motion/asf-amc/KAsfBone.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

namespace {

TEST(KAsfBoneDepths, LoopsAndTheLimitAreFoundAtTheirLine)
{
    std::vector<KAsfBone> lBones(6);
    KAsfBoneDepths lDepths(3);
    // a b, then c d: two chains of two; b c would make d lie at depth 4.
    EXPECT_EQ(lDepths.Hang(&lBones[1], &lBones[0]), KAsfBoneDepths::eHung);
    EXPECT_EQ(lDepths.Hang(&lBones[3], &lBones[2]), KAsfBoneDepths::eHung);
    EXPECT_EQ(lDepths.Hang(&lBones[2], &lBones[1]), KAsfBoneDepths::eTooDeep);
    // Refused, the line changed nothing: c d still hangs apart and a takes it at depth 3.
    EXPECT_EQ(lDepths.Hang(&lBones[2], &lBones[0]), KAsfBoneDepths::eHung);
    EXPECT_EQ(lDepths.Hang(&lBones[0], &lBones[3]), KAsfBoneDepths::eLoop);
    EXPECT_EQ(lDepths.Hang(&lBones[4], &lBones[4]), KAsfBoneDepths::eLoop);
    EXPECT_EQ(lDepths.Hang(&lBones[4], &lBones[3]), KAsfBoneDepths::eTooDeep);
    EXPECT_EQ(lDepths.Hang(&lBones[4], &lBones[1]), KAsfBoneDepths::eHung);
    EXPECT_EQ(lDepths.Hang(&lBones[5], &lBones[4]), KAsfBoneDepths::eTooDeep);
}

// A chain of 100,000 bones hung in three orders: each line follows a handful of links, so the
// work grows with the lines, not with the depth of the tree.
TEST(KAsfBoneDepths, AChainCostsStepsInProportionToItsLines)
{
    constexpr int kCount = 100000;
    std::vector<KAsfBone> lBones(kCount);
    std::vector<int> lForward(kCount - 1);
    std::iota(lForward.begin(), lForward.end(), 1);
    std::vector<int> lBackward(lForward.rbegin(), lForward.rend());
    std::vector<int> lShuffled = lForward;
    std::shuffle(lShuffled.begin(), lShuffled.end(), std::mt19937(7));
    for (const std::vector<int>* lOrder : {&lForward, &lBackward, &lShuffled}) {
        KAsfBoneDepths lDepths(kCount);
        for (const int lChild : *lOrder) {
            ASSERT_EQ(lDepths.Hang(&lBones[lChild], &lBones[lChild - 1]), KAsfBoneDepths::eHung);
        }
        EXPECT_LT(lDepths.GetSteps(), 4u * kCount);
        // The last bone lies at depth kCount: one more is too deep for that limit.
        KAsfBone lExtra;
        EXPECT_EQ(lDepths.Hang(&lExtra, &lBones[kCount - 1]), KAsfBoneDepths::eTooDeep);
        EXPECT_EQ(lDepths.Hang(&lBones[0], &lBones[kCount / 2]), KAsfBoneDepths::eLoop);
    }
}

} // namespace
