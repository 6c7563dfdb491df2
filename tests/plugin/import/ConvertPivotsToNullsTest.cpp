#include "plugin/import/ConvertPivotsToNulls.h"
#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"
#include "core/KLog.h"
#include "core/KMatrixFunctions.h"
#include "plugin/import/KRootNameFilter.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvNodeProperties.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/objects/KRyvNodeLimits.h"
#include "scene/objects/KRyvNull.h"
#include "tests/support/FileWorldMatrix.h"

#include <gtest/gtest.h>

#include <random>

namespace {
constexpr double kRate = 30.0;
constexpr double kTolerance = 1e-4;

// Plain translation, XYZ rotation and scaling, as a reader without pivots sees a node.
KMatrix PlainLocal(KRyvNode& pNode, KTime pTime)
{
    KMatrix lMatrix;
    MatrixSetTRS(lMatrix, filetest::Channel(pNode, 0, pTime), filetest::Channel(pNode, 1, pTime),
                 filetest::Channel(pNode, 2, pTime));
    return lMatrix;
}

KMatrix Global(KRyvNode& pNode, KTime pTime, KMatrix (*pLocal)(KRyvNode&, KTime))
{
    KMatrix lGlobal = pLocal(pNode, pTime);
    for (KRyvNode* lParent = pNode.GetParent(); lParent; lParent = lParent->GetParent()) {
        lGlobal = mathtest::Product(lGlobal, pLocal(*lParent, pTime));
    }
    return lGlobal;
}

// The frames of the first pSeconds at kRate.
std::vector<KTime> SampleTimes(int pSeconds = 1)
{
    KTime lPeriod;
    lPeriod.SetSecondDouble(1.0 / kRate);
    std::vector<KTime> lTimes;
    KTime lTime;
    for (int lIndex = 0; lIndex <= static_cast<int>(kRate) * pSeconds;
         ++lIndex, lTime = lTime + lPeriod) {
        lTimes.push_back(lTime);
    }
    return lTimes;
}

KTime Seconds(double pSeconds)
{
    KTime lTime;
    lTime.SetSecondDouble(pSeconds);
    return lTime;
}

// Root -> A -> B -> D, A -> C, E: random pivots in set 0, random orders, animated channels;
// E keeps its set out of use.
class PivotTree
{
public:
    explicit PivotTree(unsigned pSeed) : mRandom(pSeed)
    {
        mScene = mFactory.CreateScene();
        KRyvNode* lRoot = mScene->GetRootNode();
        for (const char* lName : {"A", "B", "C", "D", "E"}) {
            mNodes.push_back(mFactory.CreateNode(lName));
        }
        lRoot->AddChild(mNodes[0]);
        mNodes[0]->AddChild(mNodes[1]);
        mNodes[0]->AddChild(mNodes[2]);
        mNodes[1]->AddChild(mNodes[3]);
        lRoot->AddChild(mNodes[4]);
        mNodes[3]->SetNodeAttribute(mFactory.CreateNull());
        for (size_t lIndex = 0; lIndex < mNodes.size(); ++lIndex) {
            if (lIndex != 4) {
                Randomize(*mNodes[lIndex]);
            }
            Animate(*mNodes[lIndex]);
        }
    }

    KRyvObjectFactory mFactory;
    KRyvScene* mScene = nullptr;
    std::vector<KRyvNode*> mNodes;

private:
    double Uniform(double pLow, double pHigh)
    {
        return std::uniform_real_distribution<double>(pLow, pHigh)(mRandom);
    }
    KVector4 Random(double pRange)
    {
        return KVector4(Uniform(-pRange, pRange), Uniform(-pRange, pRange),
                        Uniform(-pRange, pRange));
    }
    void Randomize(KRyvNode& ioNode)
    {
        ioNode.SetPivotState(0, KRyvPivotSet::kPivotActive);
        ioNode.SetRotationPivot(0, Random(3.0));
        ioNode.SetRotationOffset(0, Random(2.0));
        ioNode.SetScalingPivot(0, Random(3.0));
        ioNode.SetScalingOffset(0, Random(2.0));
        ioNode.SetPreRotation(0, Random(60.0));
        ioNode.SetPostRotation(0, Random(60.0));
        ioNode.SetRotationOrder(0, static_cast<int>(Uniform(0.0, 5.99)));
        ioNode.GetNodeProperties()->SetRotationActive(Uniform(0.0, 1.0) < 0.8);
    }
    void Animate(KRyvNode& ioNode)
    {
        KRyvTakeNode* lTake = ioNode.GetDefaultTakeNode();
        KFCurve* const lCurves[3][3] = {
            {lTake->GetTransformTX(), lTake->GetTransformTY(), lTake->GetTransformTZ()},
            {lTake->GetTransformRX(), lTake->GetTransformRY(), lTake->GetTransformRZ()},
            {lTake->GetTransformSX(), lTake->GetTransformSY(), lTake->GetTransformSZ()}};
        const double lRanges[3][2] = {{-5.0, 5.0}, {-70.0, 70.0}, {0.5, 2.0}};
        for (int lKind = 0; lKind < 3; ++lKind) {
            for (KFCurve* lCurve : lCurves[lKind]) {
                lCurve->SetDefaultValue(
                    static_cast<float>(Uniform(lRanges[lKind][0], lRanges[lKind][1])));
                if (Uniform(0.0, 1.0) < 0.6) {
                    for (double lSeconds : {0.0, 0.4, 1.0}) {
                        KTime lTime;
                        lTime.SetSecondDouble(lSeconds);
                        lCurve->KeyAdd(lTime, static_cast<float>(
                                                  Uniform(lRanges[lKind][0], lRanges[lKind][1])));
                    }
                }
            }
        }
    }

    std::mt19937 mRandom;
};

// The frame a converted node's children live in: its "__Post_" child's.
KRyvNode* FrameOf(KRyvNode* pNode)
{
    for (int lIndex = 0; lIndex < pNode->GetChildCount(); ++lIndex) {
        if (pNode->GetChild(lIndex)->GetName().Find("__Post_") >= 0) {
            return pNode->GetChild(lIndex);
        }
    }
    return pNode;
}
// A node pName with a scaling pivot in use under the root of a new scene of pFactory.
KRyvNode* ScalingPivotNode(KRyvObjectFactory& pFactory, const char* pName)
{
    KRyvScene* lScene = pFactory.CreateScene();
    KRyvNode* lNode = pFactory.CreateNode(pName);
    lScene->GetRootNode()->AddChild(lNode);
    lNode->SetPivotState(0, KRyvPivotSet::kPivotActive);
    lNode->SetScalingPivot(0, KVector4(1.0, 2.0, 3.0));
    return lNode;
}
} // namespace

TEST(ConvertPivotsToNullsTest, SampledGlobalMatricesStayTheSame)
{
    for (unsigned lSeed : {1u, 2u, 3u, 4u, 5u, 6u}) {
        SCOPED_TRACE(lSeed);
        PivotTree lTree(lSeed);
        std::vector<std::vector<KMatrix>> lBefore;
        for (KRyvNode* lNode : lTree.mNodes) {
            lBefore.emplace_back();
            for (KTime lTime : SampleTimes()) {
                lBefore.back().push_back(Global(*lNode, lTime, filetest::LocalMatrix));
            }
        }
        // Without the conversion a reader without pivots would place the nodes elsewhere.
        EXPECT_NE(MatrixCompare(lBefore[3][5],
                                Global(*lTree.mNodes[3], SampleTimes()[5], PlainLocal), 0.1),
                  0);
        ASSERT_TRUE(ConvertPivotsToNulls(lTree.mScene->GetRootNode(), 0, &lTree.mFactory, kRate));
        for (size_t lIndex = 0; lIndex < lTree.mNodes.size(); ++lIndex) {
            KRyvNode* lFrame = FrameOf(lTree.mNodes[lIndex]);
            const std::vector<KTime> lTimes = SampleTimes();
            for (size_t lSample = 0; lSample < lTimes.size(); ++lSample) {
                const KMatrix lAfter = Global(*lFrame, lTimes[lSample], PlainLocal);
                EXPECT_EQ(MatrixCompare(lBefore[lIndex][lSample], lAfter, kTolerance), 0)
                    << "node " << lIndex << " sample " << lSample;
            }
        }
    }
}

TEST(ConvertPivotsToNullsTest, InsertsNamedNullsAroundEachNodeWithPivots)
{
    PivotTree lTree(11u);
    KRyvNode* lA = lTree.mNodes[0];
    KRyvNode* lD = lTree.mNodes[3];
    ASSERT_TRUE(ConvertPivotsToNulls(lTree.mScene->GetRootNode(), 0, &lTree.mFactory, kRate));
    EXPECT_STREQ(lA->GetParent()->GetName().Buffer(), "Model::A__Pre_");
    EXPECT_STREQ(FrameOf(lA)->GetName().Buffer(), "Model::A__Post_");
    EXPECT_EQ(lA->GetChildCount(), 1);
    EXPECT_EQ(FrameOf(lA)->GetChildCount(), 2);
    EXPECT_EQ(lA->GetPivotSet(0)->mPivotState, KRyvPivotSet::kPivotReference);
    // The node attribute moves into the frame it was placed in.
    EXPECT_EQ(lD->GetNodeAttribute(), nullptr);
    ASSERT_NE(FrameOf(lD)->GetNodeAttribute(), nullptr);
    EXPECT_NE(lA->GetParent()->GetNodeAttribute(), nullptr);
    // E kept its set out of use: no nulls.
    EXPECT_EQ(lTree.mNodes[4]->GetParent(), lTree.mScene->GetRootNode());
    EXPECT_EQ(lTree.mNodes[4]->GetChildCount(), 0);
}

// The host export marks rotation active on the limits only; the pre-rotation counts all the
// same, as it does in the kit's own evaluation.
TEST(ConvertPivotsToNullsTest, KeepsPreRotationsWithoutTheRotationActiveFlag)
{
    KRyvObjectFactory lFactory;
    KRyvScene* lScene = lFactory.CreateScene();
    KRyvNode* lJoint = lFactory.CreateNode("joint");
    lScene->GetRootNode()->AddChild(lJoint);
    lJoint->SetPivotState(0, KRyvPivotSet::kPivotActive);
    lJoint->SetPreRotation(0, KVector4(0.0, 0.0, 90.0));
    lJoint->GetLimits().SetRotationActive(true);
    lJoint->GetNodeProperties()->SetRotationActive(false);
    KRyvTakeNode* lTake = lJoint->GetDefaultTakeNode();
    lTake->GetTransformTX()->SetDefaultValue(3.0f);
    lTake->GetTransformRY()->SetDefaultValue(30.0f);
    lTake->GetTransformSX()->SetDefaultValue(2.0f);
    lJoint->SetLclTranslation(KVector4(3.0, 0.0, 0.0));
    lJoint->SetLclRotation(KVector4(0.0, 30.0, 0.0));
    lJoint->SetLclScaling(KVector4(2.0, 1.0, 1.0));
    const KMatrix lBefore = lJoint->GetGlobalMatrix(0, true);

    ASSERT_TRUE(ConvertPivotsToNulls(lScene->GetRootNode(), 0, &lFactory, kRate));
    KRyvNode* lPre = lJoint->GetParent();
    ASSERT_STREQ(lPre->GetName().Buffer(), "Model::joint__Pre_");
    EXPECT_FLOAT_EQ(lPre->GetDefaultTakeNode()->GetTransformRZ()->GetDefaultValue(), 90.0f);
    EXPECT_EQ(MatrixCompare(lBefore, Global(*FrameOf(lJoint), KTime(), PlainLocal), kTolerance), 0);
    EXPECT_EQ(MatrixCompare(lBefore, FrameOf(lJoint)->GetGlobalMatrix(0, true), kTolerance), 0);
}

// A scaling about a far pivot moves the frame a lot between keys: samples that start at the
// first key instead of on the frames would miss every frame.
TEST(ConvertPivotsToNullsTest, ResampledCurvesMatchAtEveryFrame)
{
    for (double lFirstKey : {0.01, -0.25, 0.0}) {
        SCOPED_TRACE(lFirstKey);
        KRyvObjectFactory lFactory;
        KRyvScene* lScene = lFactory.CreateScene();
        KRyvNode* lNode = lFactory.CreateNode("far");
        lScene->GetRootNode()->AddChild(lNode);
        lNode->SetPivotState(0, KRyvPivotSet::kPivotActive);
        lNode->SetScalingPivot(0, KVector4(20.0, -25.0, 30.0));
        KRyvTakeNode* lTake = lNode->GetDefaultTakeNode();
        const double lTimes[] = {lFirstKey, 0.37, 0.81, 1.49};
        const float lValues[] = {1.0f, 2.5f, 0.4f, 1.7f};
        for (KFCurve* lCurve : {lTake->GetTransformSX(), lTake->GetTransformSY()}) {
            for (int lKey = 0; lKey < 4; ++lKey) {
                lCurve->KeyAdd(Seconds(lTimes[lKey]), lValues[lKey]);
            }
        }
        std::vector<KMatrix> lBefore;
        for (KTime lTime : SampleTimes(2)) {
            lBefore.push_back(Global(*lNode, lTime, filetest::LocalMatrix));
        }
        ASSERT_TRUE(ConvertPivotsToNulls(lScene->GetRootNode(), 0, &lFactory, kRate));
        const std::vector<KTime> lFrames = SampleTimes(2);
        for (size_t lFrame = 0; lFrame < lFrames.size(); ++lFrame) {
            EXPECT_EQ(MatrixCompare(lBefore[lFrame],
                                    Global(*FrameOf(lNode), lFrames[lFrame], PlainLocal),
                                    kTolerance),
                      0)
                << "frame " << lFrame;
        }
        // Every key is kept as a sample too.
        const KFCurve* lPostX = FrameOf(lNode)->GetDefaultTakeNode()->GetTransformTX();
        ASSERT_GT(lPostX->GetKeyCount(), 0);
        EXPECT_EQ(lPostX->KeyGetTime(0), Seconds(lFirstKey));
        EXPECT_EQ(lPostX->KeyGetTime(lPostX->GetKeyCount() - 1), Seconds(1.49));
    }
}

// Keys at the far end of the time range: the next frame after the last key lies beyond the
// range, and no sample may wrap around to a time before the first key.
TEST(ConvertPivotsToNullsTest, KeysAtTheEndOfTimeGiveNoWrappedSamples)
{
    KRyvObjectFactory lFactory;
    KRyvNode* lNode = ScalingPivotNode(lFactory, "late");
    const KTime lFirst(KTime::kInfinityTicks - 2);
    const KTime lLast(KTime::kInfinityTicks - 1);
    KFCurve* lScaleX = lNode->GetDefaultTakeNode()->GetTransformSX();
    lScaleX->KeyAdd(lFirst, 1.0f);
    lScaleX->KeyAdd(lLast, 2.0f);
    ASSERT_TRUE(ConvertPivotsToNulls(lFactory.GetScene(0)->GetRootNode(), 0, &lFactory, kRate));
    const KFCurve* lPostX = FrameOf(lNode)->GetDefaultTakeNode()->GetTransformTX();
    ASSERT_EQ(lPostX->GetKeyCount(), 2);
    EXPECT_EQ(lPostX->KeyGetTime(0), lFirst);
    EXPECT_EQ(lPostX->KeyGetTime(1), lLast);
}

TEST(ConvertPivotsToNullsTest, RefusesBadArguments)
{
    PivotTree lTree(3u);
    KRyvNode* lRoot = lTree.mScene->GetRootNode();
    EXPECT_FALSE(ConvertPivotsToNulls(nullptr, 0, &lTree.mFactory));
    EXPECT_FALSE(ConvertPivotsToNulls(lRoot, 0, nullptr));
    EXPECT_FALSE(ConvertPivotsToNulls(lRoot, 2, &lTree.mFactory));
    for (double lRate : {0.0, -1.0, std::numeric_limits<double>::infinity(),
                         std::numeric_limits<double>::quiet_NaN(), 1e300}) {
        EXPECT_FALSE(ConvertPivotsToNulls(lRoot, 0, &lTree.mFactory, lRate)) << lRate;
    }
    EXPECT_EQ(lTree.mNodes[0]->GetParent(), lRoot);
}

TEST(KRootNameFilterTest, RecognisesRootNamesAndTheSubclassTest)
{
    KRyvObjectFactory lFactory;
    KRootNameFilter lFilter;
    EXPECT_STREQ(lFilter.GetRootName().Buffer(), "Ryv_Root");
    EXPECT_TRUE(lFilter.IsRootNode(lFactory.CreateNode("Ryv_Root")));
    EXPECT_TRUE(lFilter.IsRootNode(lFactory.CreateNode("ns:Ryv_Root1")));
    EXPECT_FALSE(lFilter.IsRootNode(lFactory.CreateNode("Ryv_Roo")));
    EXPECT_FALSE(lFilter.IsRootNode(nullptr));

    class EveryNode : public KRootNameFilter
    {
    protected:
        bool IsRootNodeByTest(const KRyvNode*) const override { return true; }
    };
    EXPECT_TRUE(EveryNode().IsRootNode(lFactory.CreateNode("other")));
}

// A scaling animated over more frames than a resampling may take is cut at a million frames,
// and the log names the node; a span within the cap logs nothing.
TEST(ConvertPivotsToNullsTest, AResamplingCutAtItsCapIsLogged)
{
    KLog lLog("pivots.txt", "pivots", false, false);
    for (const double lSeconds : {10.0, 1000.0}) {
        KRyvObjectFactory lFactory;
        KRyvNode* lNode = ScalingPivotNode(lFactory, "long");
        KFCurve* lScaleX = lNode->GetDefaultTakeNode()->GetTransformSX();
        lScaleX->KeyAdd(KTime(), 1.0f);
        KTime lEnd;
        lEnd.SetSecondDouble(lSeconds);
        lScaleX->KeyAdd(lEnd, 2.0f);
        ASSERT_TRUE(
            ConvertPivotsToNulls(lFactory.GetScene(0)->GetRootNode(), 0, &lFactory, 1000.0, &lLog));
    }
    ASSERT_EQ(lLog.GetLineCount(), 1);
    EXPECT_STREQ(lLog.GetLine(0).Buffer(),
                 "Model::long: resampling for the pivot nulls stopped at 1000000 frames; the rest "
                 "of the curves is left out.");
}
