#include "animation/KFCurveNode.h"

#include "object/KDataType.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

KTime Sec(int pSeconds)
{
    return KTime(pSeconds * KTime::kTicksPerSecond);
}

// A channel "pName" of data type pType with the curve children X, Y, Z holding their defaults.
KFCurveNode* AddVector(KFCurveNode& ioParent, const char* pName, const char* pType, double pX,
                       double pY, double pZ)
{
    KFCurveNode* lChannel = KFCurveNode::Create(pName, FindDataType(pType));
    EXPECT_GE(ioParent.Add(lChannel), 0);
    const double lValues[3] = {pX, pY, pZ};
    const char* const lAxes[3] = {"X", "Y", "Z"};
    for (int i = 0; i < 3; ++i) {
        lChannel->FindOrCreateChild(lAxes[i])->GetCurve()->SetDefaultValue(
            static_cast<float>(lValues[i]));
    }
    return lChannel;
}

} // namespace

TEST(KFCurveNodeTest, CreateNamesTimeWarpAndCurveOwnership)
{
    std::unique_ptr<KFCurveNode> lNode(
        KFCurveNode::Create("Intensity", FindDataType("Real"), 3, 1));
    EXPECT_STREQ(lNode->GetTypeName(), "Intensity");
    EXPECT_TRUE(lNode->GetKind() == 3 && lNode->GetLayer() == 1 && lNode->GetCurve() == nullptr);
    EXPECT_STREQ(KFCurveNode("Warp", FindDataType("TimeWarp")).GetTypeName(), "");
    EXPECT_STREQ(KFCurveNode(nullptr).GetName(), "");

    // SetCurve owns the new curve and destroys or hands back the old one.
    KFCurve* lFirst = KFCurve::Create();
    EXPECT_EQ(lNode->SetCurve(lFirst), nullptr);
    EXPECT_EQ(lNode->GetCurve(), lFirst);
    EXPECT_EQ(lNode->SetCurve(lFirst, false), nullptr);
    EXPECT_EQ(lNode->SetCurve(KFCurve::Create(), false), lFirst);
    KFCurve::Destroy(lFirst);
    EXPECT_EQ(lNode->SetCurve(KFCurve::Create(), true), nullptr);
    EXPECT_NE(lNode->GetCurve(), nullptr);
    EXPECT_EQ(lNode->SetCurve(nullptr), nullptr);
    EXPECT_EQ(lNode->GetCurve(), nullptr);
}

TEST(KFCurveNodeTest, ChildOperationsAreBoundsCheckedAndRefuseCycles)
{
    KFCurveNode lRoot("Root");
    KFCurveNode* lA = KFCurveNode::Create("A");
    KFCurveNode* lB = KFCurveNode::Create("B");
    EXPECT_EQ(lRoot.Add(lA), 0);
    EXPECT_EQ(lRoot.Add(lB), 1);
    EXPECT_EQ(lRoot.Add(lA), -1);
    EXPECT_EQ(lRoot.Add(nullptr), -1);
    EXPECT_EQ(lA->GetParent(), &lRoot);
    EXPECT_EQ(lRoot.Find("b"), 1);
    EXPECT_EQ(lRoot.Find("C"), -1);
    EXPECT_EQ(lRoot.Find(nullptr), -1);
    EXPECT_EQ(lRoot.Get(2), nullptr);
    EXPECT_EQ(lRoot.Get(-1), nullptr);
    EXPECT_EQ(lRoot.Remove(5), nullptr);
    EXPECT_FALSE(lRoot.Delete(5));

    // The root cannot become a descendant of its own child.
    KFCurveNode* lFree = lRoot.Remove(0);
    ASSERT_EQ(lFree, lA);
    EXPECT_EQ(lA->GetParent(), nullptr);
    EXPECT_EQ(lA->Add(lA), -1);
    lB->Add(KFCurveNode::Create("C"));
    KFCurveNode* lC = lB->Get(0);
    KFCurveNode* lDetached = lRoot.Remove(0);
    EXPECT_EQ(lC->Add(lDetached), -1);
    lRoot.Add(lDetached);
    lRoot.Add(lA);
    EXPECT_TRUE(lRoot.DeleteChild(lA));
    EXPECT_FALSE(lRoot.DeleteChild(lC));
    EXPECT_FALSE(lRoot.DeleteChild(nullptr));
    EXPECT_EQ(lRoot.GetCount(), 1);
}

TEST(KFCurveNodeTest, DepthIsCapped)
{
    KFCurveNode lRoot("Root");
    KFCurveNode* lTip = &lRoot;
    int lDepth = 1;
    while (true) {
        KFCurveNode* lChild = KFCurveNode::Create("N");
        if (lTip->Add(lChild) < 0) {
            KFCurveNode::Destroy(lChild);
            break;
        }
        lTip = lChild;
        ++lDepth;
    }
    EXPECT_EQ(lDepth, KFCurveNode::kMaxDepth);
    EXPECT_EQ(lRoot.FindChild("Missing"), nullptr);
}

TEST(KFCurveNodeTest, FindChildPathsAliasesAndDepthFirstRule)
{
    KFCurveNode lRoot("Defaults");
    KFCurveNode* lTransform = lRoot.FindOrCreateChild("Transform", false);
    KFCurveNode* lT = AddVector(*lTransform, "Lcl Translation", "Lcl Translation", 1, 2, 3);
    KFCurveNode* lR = AddVector(*lTransform, "R", "Lcl Rotation", 4, 5, 6);
    KFCurveNode* lColor = AddVector(lRoot, "Color", "ColorRGB", 7, 8, 9);

    EXPECT_EQ(lRoot.FindChild("Transform/T/X"), lT->Get(0));
    EXPECT_EQ(lRoot.FindChild("transform/t/y"), lT->Get(1));
    EXPECT_EQ(lRoot.FindChild("Transform/Lcl Translation"), lT);
    EXPECT_EQ(lRoot.FindChild("Transform/R/Z"), lR->Get(2));
    // No direct child "T": the children are searched depth first.
    EXPECT_EQ(lRoot.FindChild("T/X"), lT->Get(0));
    EXPECT_EQ(lRoot.FindChild("S"), nullptr);
    // A direct child wins over deeper ones; the first branch wins among deeper ones.
    EXPECT_EQ(lRoot.FindChild("Color"), lColor);
    EXPECT_EQ(lRoot.FindChild("Y"), lT->Get(1));
    EXPECT_EQ(lColor->FindChild("Y"), lColor->Get(1));
    // A matching direct child whose rest of the path is missing does not fall back.
    EXPECT_EQ(lRoot.FindChild("Color/T"), nullptr);
    EXPECT_EQ(lRoot.FindChild("/Transform//T/X/"), lT->Get(0));
    EXPECT_EQ(lRoot.FindChild(""), nullptr);
    EXPECT_EQ(lRoot.FindChild(static_cast<const char*>(nullptr)), nullptr);

    EXPECT_EQ(lTransform->FindChild(FindDataType("Lcl Rotation")), lR);
    EXPECT_EQ(lRoot.FindChild(FindDataType("Lcl Rotation")), nullptr);
    EXPECT_EQ(lRoot.FindChild(FindDataType("Lcl Rotation"), true), lR);
    EXPECT_EQ(lRoot.FindChild(static_cast<const KDataType*>(nullptr), true), nullptr);

    KFCurve* lT3[3];
    KFCurve* lR3[3];
    KFCurve* lS3[3] = {lT->GetCurve(), lT->GetCurve(), lT->GetCurve()};
    KFCurveNode::GetTRSCurves(lTransform, lT3, lR3, lS3);
    EXPECT_EQ(lT3[2], lT->Get(2)->GetCurve());
    EXPECT_EQ(lR3[0], lR->Get(0)->GetCurve());
    EXPECT_EQ(lS3[0], nullptr);
    EXPECT_EQ(lS3[2], nullptr);
    KFCurveNode::GetTRSCurves(nullptr, lT3, lR3, lS3);
    EXPECT_EQ(lT3[0], nullptr);
}

TEST(KFCurveNodeTest, FindOrCreateChild)
{
    KFCurveNode lRoot("Defaults");
    KFCurveNode* lChild = lRoot.FindOrCreateChild("Intensity");
    ASSERT_NE(lChild, nullptr);
    EXPECT_NE(lChild->GetCurve(), nullptr);
    EXPECT_STREQ(lChild->GetTypeName(), "Intensity");
    EXPECT_EQ(lChild->GetKind(), 0);
    EXPECT_EQ(lRoot.FindOrCreateChild("intensity"), lChild);
    KFCurveNode* lBare = lRoot.FindOrCreateChild("Fog", false);
    EXPECT_EQ(lBare->GetCurve(), nullptr);
    EXPECT_EQ(lRoot.FindOrCreateChild("Fog", true), lBare);
    EXPECT_NE(lBare->GetCurve(), nullptr);
    EXPECT_EQ(lRoot.FindOrCreateChild(""), nullptr);
    EXPECT_EQ(lRoot.FindOrCreateChild(nullptr), nullptr);
    EXPECT_EQ(lRoot.GetCount(), 2);
}

TEST(KFCurveNodeTest, DefaultValuesAreWrittenDepthFirstWithoutTouchingTheRest)
{
    KFCurveNode lRoot("Defaults");
    KFCurveNode* lT = AddVector(lRoot, "T", "Lcl Translation", 1, 2, 3);
    double lValues[5] = {-1, -1, -1, -1, -1};
    EXPECT_EQ(lT->GetDefaultValues(lValues), lValues + 3);
    EXPECT_EQ(lValues[0], 1.0);
    EXPECT_EQ(lValues[2], 3.0);
    EXPECT_EQ(lValues[3], -1.0);

    // The node's own curve first, then each child with its descendants.
    lRoot.SetCurve(KFCurve::Create());
    lRoot.GetCurve()->SetDefaultValue(9.0f);
    AddVector(lRoot, "S", "Lcl Scaling", 4, 5, 6);
    EXPECT_EQ(lRoot.GetChannelCount(), 7);
    EXPECT_EQ(lRoot.GetDefaultValues(), (std::vector<double>{9, 1, 2, 3, 4, 5, 6}));
    KFCurveNode lEmpty("Empty");
    EXPECT_EQ(lEmpty.GetDefaultValues(lValues), lValues);

    const double lNew[7] = {0, 10, 20, 30, 40, 50, 60};
    EXPECT_EQ(lRoot.SetDefaultValues(lNew), lNew + 7);
    EXPECT_EQ(lRoot.FindChild("S/Z")->GetCurve()->GetDefaultValue(), 60.0);
    EXPECT_TRUE(lRoot.SetChannelValue(4, 41.0));
    EXPECT_EQ(lRoot.FindChild("S/X")->GetCurve()->GetDefaultValue(), 41.0);
    EXPECT_FALSE(lRoot.SetChannelValue(7, 1.0));
    EXPECT_FALSE(lRoot.SetChannelValue(-1, 1.0));
}

TEST(KFCurveNodeTest, EvaluateIntervalAndKeys)
{
    KFCurveNode lRoot("Defaults");
    KFCurveNode* lT = AddVector(lRoot, "T", "Lcl Translation", 1, 2, 3);
    EXPECT_FALSE(lRoot.IsAnimated());
    KTime lStart = KTime::kInfinity;
    KTime lStop = KTime::kMinusInfinity;
    EXPECT_FALSE(lRoot.GetAnimationInterval(lStart, lStop));

    KFCurve* lX = lT->Get(0)->GetCurve();
    lX->KeyAdd(Sec(1), 0.0f);
    lX->KeyAdd(Sec(3), 10.0f);
    lX->KeySetInterpolation(0, KFCurveKey::kInterpolationLinear);
    lT->Get(2)->GetCurve()->KeyAdd(Sec(-2), 5.0f);
    EXPECT_TRUE(lRoot.IsAnimated());
    EXPECT_EQ(lRoot.KeyGetCount(), 3);
    EXPECT_TRUE(lRoot.GetAnimationInterval(lStart, lStop));
    EXPECT_EQ(lStart, Sec(-2));
    EXPECT_EQ(lStop, Sec(3));
    // Only widens.
    lStart = Sec(-10);
    lStop = Sec(-5);
    lRoot.GetAnimationInterval(lStart, lStop);
    EXPECT_EQ(lStart, Sec(-10));
    EXPECT_EQ(lStop, Sec(3));

    int lHint = -1;
    double lValues[3];
    EXPECT_EQ(lRoot.Evaluate(lValues, Sec(2), &lHint), lValues + 3);
    EXPECT_DOUBLE_EQ(lValues[0], 5.0);
    EXPECT_EQ(lValues[1], 2.0);
    EXPECT_EQ(lValues[2], 5.0);
    EXPECT_EQ(lRoot.GetCacheTime(), Sec(2));
    EXPECT_EQ(lRoot.GetCacheValues().size(), 3u);
    EXPECT_EQ(lRoot.Evaluate(Sec(3)), (std::vector<double>{10, 2, 5}));
}

TEST(KFCurveNodeTest, CopyFromIsDeepOrMovesCurves)
{
    KFCurveNode lSource("Defaults");
    KFCurveNode* lT = AddVector(lSource, "T", "Lcl Translation", 1, 2, 3);
    lT->Get(0)->GetCurve()->KeyAdd(Sec(1), 4.0f);
    lSource.Evaluate(Sec(1));

    KFCurveNode lCopy("Other");
    lCopy.FindOrCreateChild("Stale");
    ASSERT_TRUE(lCopy.CopyFrom(lSource));
    EXPECT_STREQ(lCopy.GetName(), "Other");
    EXPECT_EQ(lCopy.Find("Stale"), -1);
    EXPECT_EQ(lCopy.GetDefaultValues(), (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(lCopy.GetCacheTime(), Sec(1));
    EXPECT_EQ(lCopy.GetCacheValues(), (std::vector<double>{4, 2, 3}));
    KFCurveNode* lCopiedT = lCopy.FindChild("T");
    ASSERT_NE(lCopiedT, nullptr);
    EXPECT_EQ(lCopiedT->GetDataType(), FindDataType("Lcl Translation"));
    EXPECT_EQ(lCopiedT->GetParent(), &lCopy);
    KFCurve* lCopiedX = lCopy.FindChild("T/X")->GetCurve();
    EXPECT_NE(lCopiedX, lT->Get(0)->GetCurve());
    lCopiedX->KeySetValue(0, 100.0f);
    EXPECT_EQ(lT->Get(0)->GetCurve()->KeyGetValue(0), 4.0f);

    KFCurve* lOriginal = lT->Get(1)->GetCurve();
    KFCurveNode lMoved("Moved");
    ASSERT_TRUE(lMoved.CopyFrom(lSource, true));
    EXPECT_EQ(lMoved.FindChild("T/Y")->GetCurve(), lOriginal);
    EXPECT_EQ(lT->Get(1)->GetCurve(), nullptr);

    // Copying a tree into part of itself, or from part of itself, is refused.
    EXPECT_FALSE(lT->CopyFrom(lSource));
    EXPECT_FALSE(lSource.CopyFrom(*lT));
    EXPECT_TRUE(lSource.CopyFrom(lSource));

    KFCurveNode* lClone = lCopy.Clone();
    EXPECT_STREQ(lClone->GetName(), "Other");
    EXPECT_EQ(lClone->GetChannelCount(), 3);
    KFCurveNode::Destroy(lClone);
}

TEST(KFCurveNodeTest, CopiesKeepTypeNamesAndTheEvaluationCacheOfTheSource)
{
    KFCurveNode lSource("Root");
    ASSERT_GE(lSource.Add(KFCurveNode::Create("Warp", FindDataType("TimeWarp"))), 0);
    AddVector(lSource, "T", "Lcl Translation", 1, 2, 3);

    // A target evaluated before takes the source's state: a source never evaluated has none.
    KFCurveNode lTarget("Target");
    AddVector(lTarget, "S", "Lcl Scaling", 7, 8, 9);
    lTarget.Evaluate(Sec(4));
    ASSERT_TRUE(lTarget.CopyFrom(lSource));
    EXPECT_EQ(lTarget.GetCacheTime(), KTime());
    EXPECT_TRUE(lTarget.GetCacheValues().empty());

    std::unique_ptr<KFCurveNode> lClone(lTarget.Clone());
    const KFCurveNode* const lTrees[2] = {&lTarget, lClone.get()};
    for (const KFCurveNode* lTree : lTrees) {
        EXPECT_STREQ(lTree->Get(0)->GetName(), "Warp");
        EXPECT_STREQ(lTree->Get(0)->GetTypeName(), "");
        EXPECT_STREQ(lTree->Get(1)->GetTypeName(), "T");
        EXPECT_STREQ(lTree->FindChild("T/Z")->GetTypeName(), "Z");
    }
    EXPECT_STREQ(lClone->GetTypeName(), "Target");

    lSource.Evaluate(Sec(2));
    ASSERT_TRUE(lTarget.CopyFrom(lSource));
    EXPECT_EQ(lTarget.GetCacheTime(), Sec(2));
    EXPECT_EQ(lTarget.GetCacheValues(), (std::vector<double>{1, 2, 3}));
}

TEST(KFCurveNodeTest, NamesOutliveTheirSourceAndMatchWithoutCase)
{
    auto lSource = std::make_unique<KFCurveNode>("A fairly long channel name");
    ASSERT_GE(lSource->Add(KFCurveNode::Create("x")), 0);
    ASSERT_GE(lSource->Add(KFCurveNode::Create("Visibility")), 0);
    std::unique_ptr<KFCurveNode> lClone(lSource->Clone());
    KFCurveNode lTarget("Target");
    ASSERT_TRUE(lTarget.CopyFrom(*lSource));
    lSource.reset();
    const KFCurveNode* const lTrees[2] = {lClone.get(), &lTarget};
    for (const KFCurveNode* lTree : lTrees) {
        EXPECT_STREQ(lTree->Get(0)->GetName(), "x");
        EXPECT_STREQ(lTree->Get(1)->GetTypeName(), "Visibility");
        EXPECT_EQ(lTree->FindChild("X"), lTree->Get(0));
        EXPECT_EQ(lTree->FindChild("VISIBILITY"), lTree->Get(1));
    }
    EXPECT_STREQ(lClone->GetName(), "A fairly long channel name");
    EXPECT_STREQ(lTarget.GetName(), "Target");
}
