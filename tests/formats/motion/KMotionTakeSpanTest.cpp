#include "formats/motion/KMotionTakeSpan.h"

#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"
#include "animation/KTakeInfo.h"
#include "core/KTimeModeTable.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "scene/KRyvGlobalTimeSettings.h"
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
    void Build(int pKeys, std::int64_t pPeriod, std::int64_t pStart, std::int64_t pStop,
               int pTimeMode = 0, double pRate = 0.0)
    {
        KRyvNode* lNode = mFactory.CreateNode("Hips");
        mScene->GetRootNode()->AddChild(lNode);
        lNode->AddTakeNode("Walk");
        lNode->SetCurrentTakeNode("Walk");
        KFCurve* lCurve = lNode->GetCurrentTakeNode()->GetTransformTX();
        mCurve = lCurve;
        for (int i = 0; i < pKeys; ++i) {
            lCurve->KeyAdd(KTime(pStart + pPeriod * i), static_cast<float>(i));
        }
        KTakeInfo lInfo;
        lInfo.mName = "Walk";
        lInfo.mLocalStart = KTime(pStart);
        lInfo.mLocalStop = KTime(pStop);
        lInfo.mTimeMode = pTimeMode;
        lInfo.mFrameRate = pRate;
        mScene->SetTakeInfo(lInfo);
        mScene->SetCurrentTake("Walk");
    }

    KRyvObjectFactory mFactory;
    KRyvScene* mScene = mFactory.CreateScene();
    KStreamOptionsMotion mOptions;
    KFCurve* mCurve = nullptr;
};

// 24 frames per second: the period is the time mode's own, and a span of nine periods makes ten
// frames.
TEST_F(KMotionTakeSpanTest, StartCountAndRateFollowTheTake)
{
    const std::int64_t lPeriod = KTime::GetTicksPerFrame(11);
    Build(10, lPeriod, 5 * lPeriod, 14 * lPeriod, 11, 24.0);
    ASSERT_TRUE(KMotionTakeSpan::Fill(*mScene, mOptions));
    EXPECT_EQ(mOptions.GetStart().Get(), 5 * lPeriod);
    EXPECT_EQ(mOptions.GetFrameCount(), 10);
    EXPECT_EQ(mOptions.GetTimeMode(), 11);
    EXPECT_EQ(mOptions.GetFramePeriod().Get(), lPeriod);
}

// The take's rate, not its keys': keys every third frame of a 100 Hz take keep 100 Hz, and a
// rate of no time mode keeps its own period.
TEST_F(KMotionTakeSpanTest, KeysSpacedWiderThanTheRateKeepTheRate)
{
    const std::int64_t lPeriod = KTime::kTicksPerSecond / 100;
    Build(4, 3 * lPeriod, 0, 9 * lPeriod, KTimeModeTable::kFrames100, 100.0);
    ASSERT_TRUE(KMotionTakeSpan::Fill(*mScene, mOptions));
    EXPECT_EQ(mOptions.GetFrameCount(), 10);
    EXPECT_DOUBLE_EQ(mOptions.GetFrameRate(), 100.0);

    KRyvScene* lOther = mFactory.CreateScene();
    std::swap(mScene, lOther);
    const std::int64_t lCustom = KTime::kTicksPerSecond / 200;
    Build(2, 4 * lCustom, 0, 4 * lCustom, KTimeModeTable::kCustomMode, 200.0);
    ASSERT_TRUE(KMotionTakeSpan::Fill(*mScene, mOptions));
    EXPECT_EQ(mOptions.GetFrameCount(), 5);
    EXPECT_EQ(mOptions.GetTimeMode(), 0);
    EXPECT_DOUBLE_EQ(mOptions.GetFrameRate(), 200.0);
}

// A take without a rate of its own (an API user's) counts frames at the scene's time mode: keys
// at frames 0, 45 and 60 of a 30 Hz scene make 61 frames, not 5 at the keys' common 2 Hz.
TEST_F(KMotionTakeSpanTest, ATakeWithoutARateTakesTheScenesTimeMode)
{
    const std::int64_t lPeriod = KTime::GetTicksPerFrame(KTimeModeTable::kFrames30);
    Build(1, lPeriod, 0, 60 * lPeriod);
    mCurve->KeyAdd(KTime(45 * lPeriod), 4.0f);
    mCurve->KeyAdd(KTime(60 * lPeriod), 5.0f);
    mScene->GetGlobalTimeSettings().SetTimeMode(KTimeModeTable::kFrames30);
    ASSERT_EQ(KMotionTakeSpan::FillMissing(*mScene, mOptions), nullptr);
    EXPECT_EQ(mOptions.GetStart().Get(), 0);
    EXPECT_EQ(mOptions.GetFrameCount(), 61);
    EXPECT_EQ(mOptions.GetTimeMode(), KTimeModeTable::kFrames30);
}

TEST_F(KMotionTakeSpanTest, WithoutTwoKeysOrASaneSpanTheOptionsStay)
{
    mOptions.SetFrameCount(3);
    EXPECT_FALSE(KMotionTakeSpan::Fill(*mScene, mOptions));
    Build(1, 100, 0, 0);
    mScene->GetGlobalTimeSettings().SetTimeMode(KTimeModeTable::kCustomMode);
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

// A take without a rate whose curves hold one key each takes the frame of the scene's time mode;
// a custom mode has none.
TEST_F(KMotionTakeSpanTest, SingleKeysTakeTheRateOfTheTimeMode)
{
    const std::int64_t lPeriod = KTime::GetTicksPerFrame(KTimeModeTable::kFrames100);
    Build(1, lPeriod, 2 * lPeriod, 7 * lPeriod);
    mScene->GetGlobalTimeSettings().SetTimeMode(KTimeModeTable::kFrames100);
    ASSERT_EQ(KMotionTakeSpan::FillMissing(*mScene, mOptions), nullptr);
    EXPECT_EQ(mOptions.GetStart().Get(), 2 * lPeriod);
    EXPECT_EQ(mOptions.GetFrameCount(), 6);
    EXPECT_DOUBLE_EQ(mOptions.GetFrameRate(), 100.0);

    // Options that hold frames stay as they are.
    mScene->GetGlobalTimeSettings().SetTimeMode(KTimeModeTable::kCustomMode);
    mOptions.SetFrameCount(2);
    EXPECT_EQ(KMotionTakeSpan::FillMissing(*mScene, mOptions), nullptr);
    EXPECT_EQ(mOptions.GetFrameCount(), 2);
    mOptions.SetFrameCount(0);
    EXPECT_STREQ(KMotionTakeSpan::FillMissing(*mScene, mOptions),
                 "the scene's animation has no frame rate to write: its take has none and its "
                 "time mode has no rate of its own");
    EXPECT_EQ(mOptions.GetFrameCount(), 0);
}

// Without take information, keys in the current take are animation with no span; a scene
// without any is left without frames.
TEST_F(KMotionTakeSpanTest, KeysWithoutTakeInformationAreNamedAsTheReason)
{
    EXPECT_EQ(KMotionTakeSpan::FillMissing(*mScene, mOptions), nullptr);
    KRyvNode* lNode = mFactory.CreateNode("Hips");
    mScene->GetRootNode()->AddChild(lNode);
    lNode->AddTakeNode("Walk");
    lNode->SetCurrentTakeNode("Walk");
    mScene->SetCurrentTake("Walk");
    EXPECT_EQ(KMotionTakeSpan::FillMissing(*mScene, mOptions), nullptr);
    lNode->GetCurrentTakeNode()->GetTransformTX()->KeyAdd(KTime(0), 1.0f);
    EXPECT_STREQ(KMotionTakeSpan::FillMissing(*mScene, mOptions),
                 "the scene's animation has no time span to write: its take has no take "
                 "information");
    EXPECT_EQ(mOptions.GetFrameCount(), 0);
}

} // namespace
