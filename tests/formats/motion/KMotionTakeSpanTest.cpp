#include "formats/motion/KMotionTakeSpan.h"

#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"
#include "animation/KTakeInfo.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

class KMotionTakeSpanTest : public ::testing::Test
{
protected:
    // A node keyed every pPeriod ticks pKeys times in take "Walk", the take's information
    // spanning pStart to pStop.
    void Build(int pKeys, std::int64_t pPeriod, std::int64_t pStart, std::int64_t pStop)
    {
        KRyvNode* lNode = mFactory.CreateNode("Hips");
        mScene->GetRootNode()->AddChild(lNode);
        lNode->AddTakeNode("Walk");
        lNode->SetCurrentTakeNode("Walk");
        KFCurve* lCurve = lNode->GetCurrentTakeNode()->GetTransformTX();
        for (int i = 0; i < pKeys; ++i) {
            lCurve->KeyAdd(KTime(pStart + pPeriod * i), static_cast<float>(i));
        }
        KTakeInfo lInfo;
        lInfo.mName = "Walk";
        lInfo.mLocalStart = KTime(pStart);
        lInfo.mLocalStop = KTime(pStop);
        mScene->SetTakeInfo(lInfo);
        mScene->SetCurrentTake("Walk");
    }

    KRyvObjectFactory mFactory;
    KRyvScene* mScene = mFactory.CreateScene();
    KStreamOptionsMotion mOptions;
};

// 24 frames per second: the period is the time mode's own, and ten keys make ten frames.
TEST_F(KMotionTakeSpanTest, StartCountAndRateFollowTheTakeAndItsKeys)
{
    const std::int64_t lPeriod = KTime::GetTicksPerFrame(11);
    Build(10, lPeriod, 5 * lPeriod, 14 * lPeriod);
    ASSERT_TRUE(KMotionTakeSpan::Fill(*mScene, mOptions));
    EXPECT_EQ(mOptions.GetStart().Get(), 5 * lPeriod);
    EXPECT_EQ(mOptions.GetFrameCount(), 10);
    EXPECT_EQ(mOptions.GetTimeMode(), 11);
    EXPECT_EQ(mOptions.GetFramePeriod().Get(), lPeriod);
}

TEST_F(KMotionTakeSpanTest, WithoutTwoKeysOrASaneSpanTheOptionsStay)
{
    mOptions.SetFrameCount(3);
    EXPECT_FALSE(KMotionTakeSpan::Fill(*mScene, mOptions));
    Build(1, 100, 0, 0);
    EXPECT_FALSE(KMotionTakeSpan::Fill(*mScene, mOptions));
    EXPECT_EQ(mOptions.GetFrameCount(), 3);
    KRyvScene* lHuge = mFactory.CreateScene();
    std::swap(mScene, lHuge);
    Build(2, 1, 0, std::numeric_limits<std::int64_t>::max() / 2);
    EXPECT_FALSE(KMotionTakeSpan::Fill(*mScene, mOptions));
    KRyvScene* lBackwards = mFactory.CreateScene();
    std::swap(mScene, lBackwards);
    Build(2, 10, 100, 50);
    EXPECT_FALSE(KMotionTakeSpan::Fill(*mScene, mOptions));
    EXPECT_EQ(mOptions.GetFrameCount(), 3);
}

} // namespace
