#include "scene/KRyvSceneGatherer.h"

#include "animation/KFCurve.h"
#include "animation/KFCurveKey.h"
#include "animation/KRyvTakeNode.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScalingChecker.h"
#include "scene/KRyvSceneEntity.h"
#include "scene/KRyvSkeleton.h"
#include "scene/objects/KLayer.h"
#include "scene/objects/KLayerElement.h"
#include "scene/objects/KRyvGobo.h"
#include "scene/objects/KRyvLight.h"
#include "scene/objects/KRyvMaterial.h"
#include "scene/objects/KRyvMesh.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Nodes = std::vector<KRyvNode*>;
using Materials = std::vector<KRyvMaterial*>;

class KRyvSceneGathererTest : public ::testing::Test
{
protected:
    KRyvNode* Child(KRyvNode* pParent, const char* pName)
    {
        KRyvNode* lNode = mFactory.CreateNode(pName);
        EXPECT_TRUE(pParent->AddChild(lNode));
        return lNode;
    }
    KRyvNode* MeshNode(KRyvNode* pParent, const char* pName, std::vector<KRyvMaterial*> pMaterials)
    {
        KRyvNode* lNode = Child(pParent, pName);
        KRyvMesh* lMesh = mFactory.CreateMesh();
        for (KRyvMaterial* lMaterial : pMaterials) {
            lMesh->AddMaterial(lMaterial);
        }
        lNode->SetNodeAttribute(lMesh);
        return lNode;
    }
    KRyvNode* LightNode(KRyvNode* pParent, const char* pName, KRyvGobo* pGobo)
    {
        KRyvNode* lNode = Child(pParent, pName);
        KRyvLight* lLight = mFactory.CreateLight();
        lLight->SetGobo(pGobo);
        lNode->SetNodeAttribute(lLight);
        return lNode;
    }

    KRyvObjectFactory mFactory;
};

} // namespace

TEST_F(KRyvSceneGathererTest, DefaultSwitches)
{
    KRyvSceneGatherer lGatherer(nullptr);
    const bool kDefaults[5] = {true, false, false, false, true};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(lGatherer.GetSwitch(i), kDefaults[i]) << i;
    }
    lGatherer.SetSwitch(7, true);
    EXPECT_FALSE(lGatherer.GetSwitch(7));
    EXPECT_FALSE(lGatherer.GetSwitch(-1));
}

TEST_F(KRyvSceneGathererTest, DuplicateNodeNamesInOneSubtree)
{
    KRyvNode* lRoot = mFactory.CreateNode("Top");
    KRyvNode* lFirst = Child(lRoot, "Dup");
    KRyvNode* lInner = Child(lFirst, "Inner");
    KRyvNode* lSecond = Child(lRoot, "Dup");
    KRyvSceneGatherer lGatherer(nullptr);
    const Nodes& lAccepted = lGatherer.Traverse(lRoot);
    EXPECT_EQ(lAccepted, Nodes{lSecond});
    EXPECT_EQ(lGatherer.GetNodes(), (Nodes{lRoot, lFirst, lInner, lSecond}));
    EXPECT_EQ(lGatherer.GetClashingNodes(), Nodes{lSecond});

    lGatherer.Clear();
    EXPECT_TRUE(lGatherer.GetNodes().empty());
    EXPECT_TRUE(lGatherer.GetAcceptedNodes().empty());
    lGatherer.SetSwitch(KRyvSceneGatherer::eNodeNames, false);
    EXPECT_TRUE(lGatherer.Traverse(lRoot).empty());
    EXPECT_EQ(lGatherer.GetNodes().size(), 4u);
}

TEST_F(KRyvSceneGathererTest, NodesClashWithTheReferenceTreeBelowItsRoot)
{
    KRyvSceneEntity lContent(&mFactory);
    Child(lContent.GetRootNode(), "Arm");
    KRyvNode* lTop = mFactory.CreateNode("RootNode");
    KRyvNode* lArm = Child(lTop, "Arm");
    KRyvSceneGatherer lGatherer(&lContent);
    EXPECT_EQ(lGatherer.Traverse(lTop), Nodes{lArm});

    // Walking the reference's own tree: a node does not clash with itself.
    KRyvSceneGatherer lSelf(&lContent);
    EXPECT_TRUE(lSelf.Traverse(lContent.GetRootNode()).empty());
    EXPECT_EQ(lSelf.GetNodes().size(), 2u);
}

TEST_F(KRyvSceneGathererTest, MaterialsGatheredOncePerUseWhileTheSwitchIsOff)
{
    KRyvMaterial* lShared = mFactory.CreateMaterial("Shared");
    KRyvMaterial* lTwin = mFactory.CreateMaterial("Shared");
    KRyvNode* lRoot = mFactory.CreateNode("Top");
    MeshNode(lRoot, "A", {lShared});
    MeshNode(lRoot, "B", {lShared, lTwin});
    KRyvSceneGatherer lGatherer(nullptr);
    EXPECT_TRUE(lGatherer.Traverse(lRoot).empty());
    EXPECT_EQ(lGatherer.GetMaterials(), (Materials{lShared, lShared, lTwin}));
    EXPECT_TRUE(lGatherer.GetClashingMaterials().empty());
}

TEST_F(KRyvSceneGathererTest, MaterialNamesCheckedWhenSwitchedOn)
{
    KRyvMaterial* lShared = mFactory.CreateMaterial("Shared");
    KRyvMaterial* lTwin = mFactory.CreateMaterial("Shared");
    KRyvNode* lRoot = mFactory.CreateNode("Top");
    MeshNode(lRoot, "A", {lShared});
    KRyvNode* lB = MeshNode(lRoot, "B", {lShared});
    KRyvNode* lC = MeshNode(lRoot, "C", {lTwin});
    KRyvSceneGatherer lGatherer(nullptr);
    lGatherer.SetSwitch(KRyvSceneGatherer::eMaterialNames, true);
    // The same material twice is no clash; another of the same name is.
    EXPECT_EQ(lGatherer.Traverse(lRoot), Nodes{lC});
    EXPECT_EQ(lGatherer.GetMaterials(), (Materials{lShared, lTwin}));
    EXPECT_EQ(lGatherer.GetClashingMaterials(), Materials{lTwin});
    (void)lB;

    // Against the reference content.
    KRyvSceneEntity lContent(&mFactory);
    lContent.AddMaterial(mFactory.CreateMaterial("Shared"));
    KRyvNode* lOther = mFactory.CreateNode("Other");
    KRyvNode* lD = MeshNode(lOther, "D", {lShared});
    KRyvSceneGatherer lAgainst(&lContent);
    lAgainst.SetSwitch(KRyvSceneGatherer::eMaterialNames, true);
    EXPECT_EQ(lAgainst.Traverse(lOther), Nodes{lD});
}

TEST_F(KRyvSceneGathererTest, IndexedMaterialLayersAreSkipped)
{
    KRyvMaterial* lMaterial = mFactory.CreateMaterial("M");
    KRyvNode* lRoot = mFactory.CreateNode("Top");
    KRyvNode* lMeshNode = MeshNode(lRoot, "A", {lMaterial});
    auto* lMesh = static_cast<KRyvMesh*>(lMeshNode->GetNodeAttribute());
    lMesh->GetLayer(0)->GetMaterials()->SetReferenceMode(KLayerElement::eIndex);
    KRyvSceneGatherer lGatherer(nullptr);
    lGatherer.Traverse(lRoot);
    EXPECT_TRUE(lGatherer.GetMaterials().empty());
}

TEST_F(KRyvSceneGathererTest, GobosClashByNameButNotWithThemselves)
{
    KRyvGobo* lGobo = mFactory.CreateGobo("Video::Spot");
    KRyvGobo* lTwin = mFactory.CreateGobo("Video::Spot");
    KRyvNode* lRoot = mFactory.CreateNode("Top");
    LightNode(lRoot, "L1", lGobo);
    LightNode(lRoot, "L2", lGobo);
    KRyvNode* lThird = LightNode(lRoot, "L3", lTwin);
    KRyvSceneGatherer lGatherer(nullptr);
    EXPECT_EQ(lGatherer.Traverse(lRoot), Nodes{lThird});
    EXPECT_EQ(lGatherer.GetGobos(), (std::vector<KRyvGobo*>{lGobo, lTwin}));
    EXPECT_EQ(lGatherer.GetClashingGobos(), std::vector<KRyvGobo*>{lTwin});

    KRyvSceneEntity lContent(&mFactory);
    lContent.AddGobo(lTwin);
    KRyvNode* lOther = mFactory.CreateNode("Other");
    KRyvNode* lLit = LightNode(lOther, "L4", lGobo);
    KRyvSceneGatherer lAgainst(&lContent);
    EXPECT_EQ(lAgainst.Traverse(lOther), Nodes{lLit});
    KRyvSceneGatherer lSame(&lContent);
    KRyvNode* lAlone = mFactory.CreateNode("Alone");
    LightNode(lAlone, "L5", lTwin);
    EXPECT_TRUE(lSame.Traverse(lAlone).empty());
}

// ---------------------------------------------------------------------------------------------
// Scaling checker

namespace {

const std::int64_t kSecond = KTime::kTicksPerSecond;

class KRyvScalingCheckerTest : public KRyvSceneGathererTest
{
protected:
    // Sets the default values of the node's "S" curves in take 0.
    static void SetDefaultScale(KRyvNode* pNode, float pX, float pY, float pZ)
    {
        KRyvTakeNode* lTake = pNode->GetDefaultTakeNode();
        lTake->GetTransformSX()->SetDefaultValue(pX);
        lTake->GetTransformSY()->SetDefaultValue(pY);
        lTake->GetTransformSZ()->SetDefaultValue(pZ);
    }
    static void AddConstantKey(KFCurve* pCurve, std::int64_t pTicks, float pValue)
    {
        const int lIndex = pCurve->KeyAdd(KTime(pTicks), pValue);
        ASSERT_GE(lIndex, 0);
        pCurve->KeySetInterpolation(lIndex, KFCurveKey::kInterpolationConstant);
    }
    KRyvNode* Joint(const char* pName)
    {
        KRyvNode* lNode = mFactory.CreateNode(pName);
        lNode->SetNodeAttribute(mFactory.CreateSkeleton());
        return lNode;
    }
};

} // namespace

TEST_F(KRyvScalingCheckerTest, PeriodIsAnExactTwentyFourthOfASecond)
{
    KRyvScalingChecker lChecker;
    EXPECT_EQ(lChecker.GetPeriod().Get(), 1924423250);
    EXPECT_DOUBLE_EQ(lChecker.GetTolerance(), 2.220446049250313e-16);
    EXPECT_TRUE(lChecker.GetCheckScaled());
    EXPECT_TRUE(lChecker.GetCheckNegative());
    EXPECT_TRUE(lChecker.GetCheckNonUniform());
}

TEST_F(KRyvScalingCheckerTest, ValueTestsInTheirOrder)
{
    KRyvScalingChecker lChecker;
    const double kTwo[3] = {2, 2, 2};
    const double kNegative[3] = {-1, -1, -1};
    const double kMixed[3] = {1, 1, 1.5};
    EXPECT_EQ(lChecker.CheckValues(kTwo, 3), KRyvScalingChecker::eScaled);
    // With the scaled switch on, anything but 1 is "scaled" before the other tests.
    EXPECT_EQ(lChecker.CheckValues(kNegative, 3), KRyvScalingChecker::eScaled);
    lChecker.SetCheckScaled(false);
    EXPECT_EQ(lChecker.CheckValues(kNegative, 3), KRyvScalingChecker::eNegative);
    EXPECT_EQ(lChecker.CheckValues(kMixed, 3), KRyvScalingChecker::eNonUniform);
    EXPECT_EQ(lChecker.CheckValues(kTwo, 3), KRyvScalingChecker::eNone);
    lChecker.SetTolerance(0.6);
    EXPECT_EQ(lChecker.CheckValues(kMixed, 3), KRyvScalingChecker::eNone);
    EXPECT_EQ(lChecker.CheckValues(kMixed, 0), KRyvScalingChecker::eNone);
}

TEST_F(KRyvScalingCheckerTest, HostSettings)
{
    KRyvNode* lParent = mFactory.CreateNode("Parent");
    KRyvNode* lLeaf = Child(lParent, "Leaf");
    KRyvNode* lMirror = mFactory.CreateNode("Mirror");
    Child(lMirror, "MirrorChild");
    for (KRyvNode* lNode : {lParent, lLeaf}) {
        AddConstantKey(lNode->GetDefaultTakeNode()->GetTransformSZ(), kSecond, 1.5f);
    }
    SetDefaultScale(lMirror, -1, -1, -1);

    KRyvScalingChecker lChecker;
    lChecker.SetTolerance(1e-6);
    lChecker.SetCheckScaled(false);
    lChecker.SetCheckNegative(false);
    EXPECT_EQ(lChecker.Traverse(lParent), Nodes{lParent});
    EXPECT_EQ(lChecker.GetNonUniformNodes(false), Nodes{lParent});
    // The current take is the default one: nothing goes to the current-take lists.
    EXPECT_TRUE(lChecker.GetNonUniformNodes().empty());
    lChecker.Clear();
    EXPECT_TRUE(lChecker.Traverse(lMirror).empty());
}

TEST_F(KRyvScalingCheckerTest, DefaultSettings)
{
    KRyvNode* lJoint = Joint("Joint");
    Child(lJoint, "Below");
    KRyvNode* lLeafJoint = Joint("LeafJoint");
    KRyvNode* lPlain = mFactory.CreateNode("Plain");
    Child(lPlain, "PlainChild");
    KRyvNode* lFlipped = mFactory.CreateNode("Flipped");
    for (KRyvNode* lNode : {lJoint, lLeafJoint, lPlain}) {
        SetDefaultScale(lNode, 2, 2, 2);
    }
    SetDefaultScale(lFlipped, -1, -1, -1);

    KRyvScalingChecker lChecker;
    EXPECT_EQ(lChecker.Traverse(lJoint), Nodes{lJoint});
    EXPECT_EQ(lChecker.GetScaledNodes(false), Nodes{lJoint});
    EXPECT_TRUE(lChecker.Traverse(lLeafJoint).size() == 1u);
    EXPECT_TRUE(lChecker.Traverse(lPlain).size() == 1u);
    EXPECT_EQ(lChecker.Traverse(lFlipped), (Nodes{lJoint, lFlipped}));
    EXPECT_EQ(lChecker.GetNegativeNodes(false), Nodes{lFlipped});
    // The switch is back after each joint.
    EXPECT_TRUE(lChecker.GetCheckScaled());
}

TEST_F(KRyvScalingCheckerTest, CurrentTakeCheckedToo)
{
    KRyvNode* lNode = mFactory.CreateNode("Animated");
    Child(lNode, "Below");
    ASSERT_NE(lNode->AddTakeNode("Walk"), nullptr);
    ASSERT_TRUE(lNode->SetCurrentTakeNode("Walk"));
    KRyvTakeNode* lWalk = lNode->GetCurrentTakeNode();
    AddConstantKey(lWalk->GetTransformSY(), 0, 3.0f);
    KRyvScalingChecker lChecker;
    lChecker.SetCheckScaled(false);
    EXPECT_EQ(lChecker.Traverse(lNode), Nodes{lNode});
    EXPECT_TRUE(lChecker.GetNonUniformNodes(false).empty());
    EXPECT_EQ(lChecker.GetNonUniformNodes(), Nodes{lNode});
}

TEST_F(KRyvScalingCheckerTest, KeylessCurvesCountOnlyTheirDefault)
{
    KRyvScalingChecker lChecker;
    KRyvNode* lNode = Joint("J");
    EXPECT_EQ(lChecker.CheckTake(lNode->GetDefaultTakeNode()), KRyvScalingChecker::eNone);
    SetDefaultScale(lNode, 1, 1, 4);
    EXPECT_EQ(lChecker.CheckTake(lNode->GetDefaultTakeNode()), KRyvScalingChecker::eScaled);
    EXPECT_EQ(lChecker.CheckTake(nullptr), KRyvScalingChecker::eNone);
}

TEST_F(KRyvScalingCheckerTest, SamplingReachesTheLastKeyInPeriodSteps)
{
    KRyvScalingChecker lChecker;
    lChecker.SetCheckNegative(false);
    lChecker.SetCheckNonUniform(false);
    KRyvNode* lEnd = mFactory.CreateNode("End");
    KFCurve* lCurve = lEnd->GetDefaultTakeNode()->GetTransformSX();
    AddConstantKey(lCurve, 0, 1.0f);
    AddConstantKey(lCurve, kSecond, 2.0f);
    // Only the sample at exactly 1 s sees the 2.
    EXPECT_EQ(lChecker.CheckTake(lEnd->GetDefaultTakeNode()), KRyvScalingChecker::eScaled);

    KRyvNode* lBetween = mFactory.CreateNode("Between");
    lCurve = lBetween->GetDefaultTakeNode()->GetTransformSX();
    AddConstantKey(lCurve, 0, 1.0f);
    AddConstantKey(lCurve, kSecond / 48, 2.0f);
    AddConstantKey(lCurve, kSecond / 24 - 1, 1.0f);
    AddConstantKey(lCurve, kSecond, 1.0f);
    // The bump lies between two samples.
    EXPECT_EQ(lChecker.CheckTake(lBetween->GetDefaultTakeNode()), KRyvScalingChecker::eNone);
}

TEST_F(KRyvScalingCheckerTest, ExtremeKeyTimesTerminate)
{
    KRyvScalingChecker lChecker;
    KRyvNode* lWide = mFactory.CreateNode("Wide");
    KFCurve* lCurve = lWide->GetDefaultTakeNode()->GetTransformSX();
    // The infinities themselves are no key times; their neighbours are.
    AddConstantKey(lCurve, KTime::kMinusInfinityTicks + 1, 1.0f);
    AddConstantKey(lCurve, KTime::kInfinityTicks - 1, 1.0f);
    EXPECT_EQ(lChecker.CheckTake(lWide->GetDefaultTakeNode()), KRyvScalingChecker::eNone);

    KRyvNode* lHigh = mFactory.CreateNode("High");
    lCurve = lHigh->GetDefaultTakeNode()->GetTransformSX();
    // Three samples, the last one at the last key, without stepping past the tick range.
    AddConstantKey(lCurve, KTime::kInfinityTicks - 1 - 2 * (kSecond / 24), 1.0f);
    AddConstantKey(lCurve, KTime::kInfinityTicks - 1, 2.0f);
    EXPECT_EQ(lChecker.CheckTake(lHigh->GetDefaultTakeNode()), KRyvScalingChecker::eScaled);
}
