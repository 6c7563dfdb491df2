// The transform curves a node keeps between evaluations must never outlive or hide a change of
// the take's curve tree: every case changes the tree behind the node's back, then asks for a new
// time (the time cache is meant to hold for one time) and expects the tree's new curves.

#include "scene/KRyvNode.h"
#include "tests/support/SceneTestSupport.h"

#include "animation/KFCurve.h"
#include "animation/KFCurveKey.h"
#include "animation/KFCurveNode.h"
#include "animation/KRyvTakeNode.h"
#include "core/KMatrixFunctions.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

KFCurveNode* KindNode(KRyvTakeNode* pTake, const char* pKind)
{
    return pTake->GetKFCurveNode()->FindChild("Transform")->FindChild(pKind);
}

// A linear curve rising from 0 at 0 s to pSlope * 4 at 4 s.
KFCurve* Ramp(double pSlope)
{
    KFCurve* lCurve = KFCurve::Create();
    lCurve->KeyAdd(Seconds(0.0), 0.0f);
    lCurve->KeyAdd(Seconds(4.0), static_cast<float>(pSlope * 4.0));
    lCurve->KeySetInterpolation(0, KFCurveKey::kInterpolationLinear);
    return lCurve;
}

double TranslationX(KRyvNode& pNode, double pSeconds)
{
    return pNode.GetGlobalMatrixAtTime(Seconds(pSeconds)).Get(3, 0);
}

class KRyvNodeCurveCacheTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        mNode = std::make_unique<KRyvNode>(nullptr, "A");
        mTake = mNode->GetDefaultTakeNode();
        ASSERT_EQ(KindNode(mTake, "T")->FindChild("X")->SetCurve(Ramp(1.0)), nullptr);
        ASSERT_NEAR(TranslationX(*mNode, 1.0), 1.0, 1e-5);
    }

    std::unique_ptr<KRyvNode> mNode;
    KRyvTakeNode* mTake = nullptr;
};

TEST_F(KRyvNodeCurveCacheTest, DeletedCurveNodeIsNoLongerRead)
{
    KFCurveNode* lT = KindNode(mTake, "T");
    ASSERT_TRUE(lT->Delete(lT->Find("X")));
    EXPECT_EQ(TranslationX(*mNode, 2.0), 0.0);
    EXPECT_EQ(mNode->GetLocalMatrixAtTime(Seconds(3.0)).Get(3, 0), 0.0);
}

TEST_F(KRyvNodeCurveCacheTest, CurveTakenOffItsNodeIsNoLongerRead)
{
    KFCurve* lOld = KindNode(mTake, "T")->FindChild("X")->SetCurve(nullptr, false);
    ASSERT_NE(lOld, nullptr);
    KFCurve::Destroy(lOld);
    EXPECT_EQ(TranslationX(*mNode, 2.0), 0.0);
}

TEST_F(KRyvNodeCurveCacheTest, ReplacedCurveIsRead)
{
    KindNode(mTake, "T")->FindChild("X")->SetCurve(Ramp(3.0));
    EXPECT_NEAR(TranslationX(*mNode, 2.0), 6.0, 1e-5);
    // The hints of the old curve must not mislead the new one, backwards in time either.
    EXPECT_NEAR(TranslationX(*mNode, 0.5), 1.5, 1e-5);
}

TEST_F(KRyvNodeCurveCacheTest, RecreatedChannelIsRead)
{
    KFCurveNode* lTransform = mTake->GetKFCurveNode()->FindChild("Transform");
    ASSERT_TRUE(lTransform->Delete(lTransform->Find("T")));
    EXPECT_EQ(TranslationX(*mNode, 2.0), 0.0);

    KFCurveNode* lT = lTransform->FindOrCreateChild("T", false);
    ASSERT_NE(lT, nullptr);
    lT->FindOrCreateChild("X", false)->SetCurve(Ramp(-2.0));
    EXPECT_NEAR(TranslationX(*mNode, 3.0), -6.0, 1e-5);
}

TEST_F(KRyvNodeCurveCacheTest, TransformNodeRemovedAndPutBack)
{
    KFCurveNode* lRoot = mTake->GetKFCurveNode();
    std::unique_ptr<KFCurveNode> lTransform(lRoot->Remove(lRoot->Find("Transform")));
    ASSERT_NE(lTransform, nullptr);
    EXPECT_EQ(TranslationX(*mNode, 2.0), 0.0);
    ASSERT_GE(lRoot->Add(lTransform.release()), 0);
    EXPECT_NEAR(TranslationX(*mNode, 3.0), 3.0, 1e-5);
}

TEST_F(KRyvNodeCurveCacheTest, CopiedTreeIsRead)
{
    std::unique_ptr<KFCurveNode> lSource(mTake->GetKFCurveNode()->Clone());
    lSource->FindChild("Transform/T/X")->SetCurve(Ramp(5.0));
    ASSERT_TRUE(mTake->GetKFCurveNode()->CopyFrom(*lSource, true));
    EXPECT_NEAR(TranslationX(*mNode, 2.0), 10.0, 1e-5);
    // The source gave its curves away.
    EXPECT_EQ(lSource->FindChild("Transform/T/X")->GetCurve(), nullptr);
}

TEST_F(KRyvNodeCurveCacheTest, TakeSwitchReadsTheNewTakeAndBack)
{
    KRyvTakeNode* lWalk = mNode->AddTakeNode("Walk");
    ASSERT_NE(lWalk, nullptr);
    KindNode(lWalk, "T")->FindChild("X")->SetCurve(Ramp(10.0));
    // Adding a take leaves the current one in place.
    EXPECT_NEAR(TranslationX(*mNode, 2.0), 2.0, 1e-5);
    ASSERT_TRUE(mNode->SetCurrentTakeNode("Walk"));
    EXPECT_NEAR(TranslationX(*mNode, 2.0), 20.0, 1e-5);
    ASSERT_TRUE(mNode->SetCurrentTakeNode(0));
    EXPECT_NEAR(TranslationX(*mNode, 3.0), 3.0, 1e-5);
    // The default pose and the pose at a time read different takes in turn.
    ASSERT_TRUE(mNode->SetCurrentTakeNode(1));
    KindNode(mTake, "T")->FindChild("X")->GetCurve()->SetDefaultValue(7.0f);
    EXPECT_EQ(mNode->GetDefaultLocalMatrix().Get(3, 0), 7.0);
    EXPECT_NEAR(mNode->GetLocalMatrixAtTime(Seconds(1.0)).Get(3, 0), 10.0, 1e-5);
    EXPECT_EQ(mNode->GetDefaultLocalMatrix().Get(3, 0), 7.0);
}

TEST_F(KRyvNodeCurveCacheTest, RemovedTakeIsNeverRead)
{
    for (int lRound = 0; lRound < 4; ++lRound) {
        KRyvTakeNode* lTake = mNode->AddTakeNode("Walk");
        ASSERT_NE(lTake, nullptr);
        const double lSlope = 10.0 * (lRound + 1);
        KindNode(lTake, "T")->FindChild("X")->SetCurve(Ramp(lSlope));
        ASSERT_TRUE(mNode->SetCurrentTakeNode("Walk"));
        EXPECT_NEAR(TranslationX(*mNode, 1.0 + lRound * 0.25), lSlope * (1.0 + lRound * 0.25),
                    1e-4);
        // A later take may be allocated where this one was.
        ASSERT_TRUE(mNode->RemoveTakeNode(1));
        EXPECT_NEAR(TranslationX(*mNode, 2.0 + lRound * 0.25), 2.0 + lRound * 0.25, 1e-5);
    }
}

TEST_F(KRyvNodeCurveCacheTest, RemovedTakeOtherThanTheCurrentOne)
{
    KRyvTakeNode* lWalk = mNode->AddTakeNode("Walk");
    KRyvTakeNode* lRun = mNode->AddTakeNode("Run");
    ASSERT_NE(lWalk, nullptr);
    ASSERT_NE(lRun, nullptr);
    KindNode(lRun, "T")->FindChild("X")->SetCurve(Ramp(4.0));
    ASSERT_TRUE(mNode->SetCurrentTakeNode("Run"));
    EXPECT_NEAR(TranslationX(*mNode, 1.0), 4.0, 1e-5);
    ASSERT_TRUE(mNode->RemoveTakeNode(1));
    EXPECT_STREQ(mNode->GetCurrentTakeNodeName(), "Run");
    EXPECT_NEAR(TranslationX(*mNode, 2.0), 8.0, 1e-5);
}

// Results through the kept curves equal a fresh look-up at every time, forwards, backwards and
// repeated, with keys unevenly spread over the channels.
TEST(KRyvNodeCurveCacheOrderTest, KeptCurvesGiveTheSameMatricesAsAFreshNode)
{
    auto MakeKeyed = [](KRyvNode& pNode) {
        KRyvTakeNode* lTake = pNode.GetDefaultTakeNode();
        const char* const lKinds[3] = {"T", "R", "S"};
        const char* const lAxes[3] = {"X", "Y", "Z"};
        for (int k = 0; k < 3; ++k) {
            for (int a = 0; a < 3; ++a) {
                KFCurve* lCurve = KindNode(lTake, lKinds[k])->FindChild(lAxes[a])->GetCurve();
                for (int lKey = 0; lKey <= k * 3 + a + 1; ++lKey) {
                    lCurve->KeyAdd(Seconds(lKey * 0.7),
                                   static_cast<float>((k == 2 ? 1.0 : 0.0) + lKey * (a + 1)));
                }
            }
        }
    };
    auto lParent = std::make_unique<KRyvNode>(nullptr, "P");
    auto lChild = std::make_unique<KRyvNode>(nullptr, "C");
    MakeKeyed(*lParent);
    MakeKeyed(*lChild);
    ASSERT_TRUE(lParent->AddChild(lChild.get()));
    const double lTimes[] = {0.0, 0.3, 1.9, 1.9, 0.1, 4.5, -1.0, 2.8, 0.7};
    for (double lSeconds : lTimes) {
        const KMatrix lGlobal = lChild->GetGlobalMatrixAtTime(Seconds(lSeconds));
        auto lFreshParent = std::make_unique<KRyvNode>(nullptr, "P");
        auto lFreshChild = std::make_unique<KRyvNode>(nullptr, "C");
        MakeKeyed(*lFreshParent);
        MakeKeyed(*lFreshChild);
        ASSERT_TRUE(lFreshParent->AddChild(lFreshChild.get()));
        EXPECT_EQ(lGlobal, lFreshChild->GetGlobalMatrixAtTime(Seconds(lSeconds))) << lSeconds;
        KMatrix lExpected;
        MatrixMultiplyAffine(lExpected, lParent->GetLocalMatrixAtTime(Seconds(lSeconds)),
                             lChild->GetLocalMatrixAtTime(Seconds(lSeconds)));
        EXPECT_EQ(lGlobal, lExpected) << lSeconds;
    }
}

} // namespace
