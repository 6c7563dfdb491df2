#include "formats/motion/KMotionMarkerSampler.h"

#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "io/KWriter.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"

#include <gtest/gtest.h>

namespace {

class NullWriter : public KWriter
{
public:
    using KWriter::KWriter;
    bool FileCreate(const char*) override { return false; }
    bool FileClose() override { return false; }
    bool IsFileOpen() override { return false; }
    std::unique_ptr<KStreamOptions> GetWriteOptions() override { return nullptr; }
    bool Write(KRyvScene*, KStreamOptions*) override { return false; }
};

// RootNode - Ref (moved by (100, 0, 0), rotated 90 about Z) - Arm (offset 0 10 0, marked)
//   - Hand (offset 0 5 0, marked, animated along X) - Tip (unmarked) ; Arm also has "a:b:Elbow".
struct MarkerScene
{
    KRyvObjectFactory mFactory;
    KRyvScene* mScene = mFactory.CreateScene();
    KRyvNode* mRef = mFactory.CreateNode("Ref");
    KRyvNode* mArm = mFactory.CreateNode("Arm");
    KRyvNode* mHand = mFactory.CreateNode("Hand");
    KRyvNode* mTip = mFactory.CreateNode("Tip");
    KRyvNode* mElbow = mFactory.CreateNode("a:b:Elbow");

    MarkerScene()
    {
        mScene->GetRootNode()->AddChild(mRef);
        mRef->AddChild(mArm);
        mArm->AddChild(mHand);
        mHand->AddChild(mTip);
        mArm->AddChild(mElbow);
        mRef->SetLclTranslation(KVector4(100, 0, 0));
        mRef->SetLclRotation(KVector4(0, 0, 90));
        mArm->SetLclTranslation(KVector4(0, 10, 0));
        mHand->SetLclTranslation(KVector4(0, 5, 0));
        mArm->SetMarked(true);
        mHand->SetMarked(true);
        mElbow->SetMarked(true);
        mHand->AddTakeNode("take");
        mHand->SetCurrentTakeNode("take");
        KFCurve* lX = mHand->GetCurrentTakeNode()->GetTransformTX();
        lX->KeyAdd(KTime(), 0.0f);
        lX->KeyAdd(KTime(KTime::kTicksPerSecond), 4.0f);
    }
};

TEST(KMotionMarkerSampler, ReferenceNodeChoice)
{
    MarkerScene lScene;
    NullWriter lWriter(&lScene.mFactory);
    std::unique_ptr<KStreamOptionsMotion> lOptions = KStreamOptionsMotion::Create();
    // Nothing marked on the chain Ref - Arm: Arm is the first marked node.
    EXPECT_EQ(KMotionMarkerSampler::SelectReferenceNode(lWriter, *lScene.mScene, *lOptions),
              lScene.mArm);
    lOptions->SetOption(KMotionMarkerSampler::kOptionGlobalRoot, 1);
    EXPECT_EQ(KMotionMarkerSampler::SelectReferenceNode(lWriter, *lScene.mScene, *lOptions),
              lScene.mScene->GetRootNode());
    lOptions->SetOption(KMotionMarkerSampler::kOptionGlobalRoot, 0);
    lScene.mScene->GetRootNode()->AddChild(lScene.mFactory.CreateNode("Second"));
    EXPECT_EQ(KMotionMarkerSampler::SelectReferenceNode(lWriter, *lScene.mScene, *lOptions),
              lScene.mScene->GetRootNode());
}

TEST(KMotionMarkerSampler, MarkersNamesAndPositionsInReferenceSpace)
{
    MarkerScene lScene;
    KMotionMarkerSampler lSampler(lScene.mRef);
    ASSERT_EQ(lSampler.GetMarkerCount(), 3);
    EXPECT_EQ(lSampler.GetMarker(0), lScene.mArm);
    EXPECT_EQ(lSampler.GetMarker(1), lScene.mHand);
    EXPECT_EQ(lSampler.GetMarker(2), lScene.mElbow);
    EXPECT_EQ(lSampler.GetMarker(3), nullptr);
    EXPECT_STREQ(lSampler.GetMarkerName(2).Buffer(), "Elbow");
    EXPECT_STREQ(lSampler.GetMarkerName(1).Buffer(), "Hand");
    EXPECT_TRUE(lSampler.GetMarkerName(-1).IsEmpty());

    // The reference node's own move and turn are left out.
    lSampler.EvaluateRestPose();
    EXPECT_NEAR(lSampler.GetPosition(1)[0], 0.0, 1e-12);
    EXPECT_NEAR(lSampler.GetPosition(1)[1], 15.0, 1e-12);
    lSampler.EvaluateAt(KTime(KTime::kTicksPerSecond / 2));
    EXPECT_NEAR(lSampler.GetPosition(1)[0], 2.0, 1e-6);
    EXPECT_NEAR(lSampler.GetPosition(0)[1], 10.0, 1e-12);
    lSampler.EvaluateAt(KTime(KTime::kTicksPerSecond));
    EXPECT_NEAR(lSampler.GetPosition(1)[0], 4.0, 1e-6);
    EXPECT_EQ(lSampler.GetPosition(5)[0], 0.0);
    EXPECT_EQ(lSampler.GetOcclusion(1, KTime()), 0.0);

    KMotionMarkerSampler lEmpty(nullptr);
    EXPECT_EQ(lEmpty.GetMarkerCount(), 0);
    lEmpty.EvaluateRestPose();
}

} // namespace
