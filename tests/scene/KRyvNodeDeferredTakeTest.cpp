// A node's take 0 is filled when first looked at, a later take channel by channel. These cases
// run the same steps on a node whose take is looked at right after it is made and on one left
// alone, and compare all that can be seen of both afterwards: trees, default values, links.
#include "scene/KRyvNode.h"

#include "animation/KFCurve.h"
#include "animation/KFCurveFilterConstantKeyReducer.h"
#include "animation/KFCurveNode.h"
#include "animation/KRyvTakeNode.h"
#include "core/KVector4.h"
#include "object/KProperty.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/objects/KRyvMarker.h"
#include "tests/support/SceneTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

namespace {

void DescribeTree(const KFCurveNode& pNode, const std::string& pPath, std::ostringstream& ioOut)
{
    const std::string lPath = pPath + "/" + pNode.GetName();
    ioOut << lPath << " type=" << pNode.GetTypeName() << " kind=" << pNode.GetKind();
    if (const KFCurve* lCurve = pNode.GetCurve()) {
        ioOut << " default=" << lCurve->GetDefaultValue() << " keys=" << lCurve->GetKeyCount()
              << " color=" << lCurve->GetColor()[0] << "," << lCurve->GetColor()[1] << ","
              << lCurve->GetColor()[2];
    }
    ioOut << "\n";
    for (int i = 0; i < pNode.GetCount(); ++i) {
        DescribeTree(*pNode.Get(i), lPath, ioOut);
    }
}

// Where a curve sits in the node's takes, for naming a link's curve.
std::string CurvePath(KRyvNode& pNode, const KFCurve* pCurve)
{
    std::function<std::string(const KFCurveNode&, const std::string&)> lFind;
    lFind = [&](const KFCurveNode& pCurveNode, const std::string& pPath) -> std::string {
        const std::string lPath = pPath + "/" + pCurveNode.GetName();
        if (pCurveNode.GetCurve() == pCurve) {
            return lPath;
        }
        for (int i = 0; i < pCurveNode.GetCount(); ++i) {
            const std::string lFound = lFind(*pCurveNode.Get(i), lPath);
            if (!lFound.empty()) {
                return lFound;
            }
        }
        return std::string();
    };
    for (int lTake = 0; lTake < pNode.GetTakeNodeCount(); ++lTake) {
        const std::string lFound =
            lFind(*pNode.GetTakeNode(lTake)->GetKFCurveNode(), std::to_string(lTake));
        if (!lFound.empty()) {
            return lFound;
        }
    }
    return "?";
}

// Every take's tree, then every link, in order.
std::string Describe(KRyvNode& pNode)
{
    std::ostringstream lOut;
    for (int lTake = 0; lTake < pNode.GetTakeNodeCount(); ++lTake) {
        lOut << "take " << pNode.GetTakeNodeName(lTake) << "\n";
        DescribeTree(*pNode.GetTakeNode(lTake)->GetKFCurveNode(), "", lOut);
    }
    for (int i = 0; i < pNode.GetPropertyCurveLinkCount(); ++i) {
        const KRyvPropertyCurveLink* lLink = pNode.GetPropertyCurveLink(i);
        const KProperty* lProperty = lLink->mProperty.GetProperty();
        lOut << "link " << (lProperty ? lProperty->GetName() : "(gone)") << " " << lLink->mChannel
             << " " << CurvePath(pNode, lLink->mCurve) << "\n";
    }
    return lOut.str();
}

// Runs pSteps on a node whose take 0 is filled at once and on one whose take 0 waits; both
// must then look the same. Returns the description.
std::string RunOnBoth(const std::function<void(KRyvNode&)>& pSteps)
{
    KRyvObjectFactory lFactory;
    KRyvNode* lAtOnce = lFactory.CreateNode("A");
    lAtOnce->GetDefaultTakeNode()->GetKFCurveNode();
    KRyvNode* lDeferred = lFactory.CreateNode("A");
    EXPECT_TRUE(lDeferred->GetDefaultTakeNode()->IsContentDeferred());
    pSteps(*lAtOnce);
    pSteps(*lDeferred);
    const std::string lDescription = Describe(*lAtOnce);
    EXPECT_EQ(Describe(*lDeferred), lDescription);
    return lDescription;
}

TEST(KRyvNodeDeferredTake, HoldsWhatANewNodesTakeHolds)
{
    const std::string lDescription = RunOnBoth([](KRyvNode&) {});
    EXPECT_NE(lDescription.find("/Defaults/Transform/S/Z type=Z kind=0 default=1 keys=0 "
                                "color=0,0,1"),
              std::string::npos);
    EXPECT_NE(lDescription.find("link Visibility 0 0/Defaults/Visibility"), std::string::npos);
}

TEST(KRyvNodeDeferredTake, TakesTheTransformWritesMadeMeanwhile)
{
    const std::string lDescription = RunOnBoth([](KRyvNode& ioNode) {
        ioNode.SetLclTranslation(KVector4(1.5, -2.0, 1e300));
        ioNode.SetLclRotation(KVector4(std::numeric_limits<double>::quiet_NaN(), 20.0, 30.0));
        ASSERT_NE(ioNode.AddTakeNode("Walk"), nullptr);
        ASSERT_TRUE(ioNode.SetCurrentTakeNode("Walk"));
        ioNode.SetLclScaling(KVector4(2.0, 3.0, 4.0));
        ioNode.SetVisibility(false);
    });
    // Out of float range: the largest float; not a number: the default stays.
    EXPECT_NE(lDescription.find("/Defaults/Transform/T/Z type=Z kind=0 default=3.40282e+38"),
              std::string::npos);
    EXPECT_NE(lDescription.find("/Defaults/Transform/R/X type=X kind=0 default=0 "),
              std::string::npos);
    EXPECT_NE(lDescription.find("/Defaults/Transform/S/Z type=Z kind=0 default=4 "),
              std::string::npos);
}

TEST(KRyvNodeDeferredTake, IgnoresPropertyWritesThatPassTheTakesBy)
{
    // A write to the property itself leaves the take's default as it was.
    const std::string lDescription = RunOnBoth([](KRyvNode& ioNode) {
        ioNode.GetProperties()->FindProperty("Lcl Rotation")->SetValue(KVector4(5.0, 6.0, 7.0));
        ASSERT_NE(ioNode.AddTakeNode("Walk"), nullptr);
    });
    EXPECT_EQ(lDescription.find("default=5"), std::string::npos);
}

TEST(KRyvNodeDeferredTake, KeepsTheOrderOfLinksAndTheLinksOfRemovedChannels)
{
    RunOnBoth([](KRyvNode& ioNode) {
        ASSERT_NE(ioNode.AddTakeNode("Walk"), nullptr);
        KProperty* lTranslation = ioNode.GetProperties()->FindProperty("Lcl Translation");
        ASSERT_NE(
            ioNode.LinkPropertyToCurve(lTranslation, 1, ioNode.GetTakeNode(1)->GetTransformTY()),
            nullptr);
        KProperty* lScaling = ioNode.GetProperties()->FindProperty("Lcl Scaling");
        ASSERT_TRUE(ioNode.GetProperties()->RemoveProperty(lScaling));
    });
}

TEST(KRyvNodeDeferredTake, TakesAddedMeanwhileWaitAsCopiesOfIt)
{
    KRyvObjectFactory lFactory;
    KRyvNode* lNode = lFactory.CreateNode("A");
    lNode->SetLclTranslation(KVector4(4.0, 5.0, 6.0));
    KRyvTakeNode* lWalk = lNode->AddTakeNode("Walk");
    ASSERT_NE(lWalk, nullptr);
    EXPECT_TRUE(lWalk->IsContentDeferred());
    // Later writes to take 0 do not reach the copy made before them.
    lNode->SetLclTranslation(KVector4(7.0, 8.0, 9.0));
    EXPECT_EQ(lWalk->GetTransformTY()->GetDefaultValue(), 5.0f);
    EXPECT_EQ(lNode->GetDefaultTakeNode()->GetTransformTY()->GetDefaultValue(), 8.0f);

    const std::string lDescription = RunOnBoth([](KRyvNode& ioNode) {
        ioNode.SetLclRotation(KVector4(1.0, 2.0, 3.0));
        ASSERT_NE(ioNode.AddTakeNode("Gone"), nullptr);
        ASSERT_TRUE(ioNode.RemoveTakeNode(1));
        ASSERT_NE(ioNode.AddTakeNode("Run"), nullptr);
        ASSERT_NE(ioNode.AddTakeNode("Jump"), nullptr);
        ASSERT_TRUE(ioNode.SetCurrentTakeNode("Jump"));
        ioNode.SetLclScaling(KVector4(5.0, 5.0, 5.0));
        ioNode.GetTakeNode(1)->GetTransformRX()->KeyAdd(KTime(KTime::kTicksPerSecond), 45.0f);
    });
    EXPECT_EQ(lDescription.find("take Gone"), std::string::npos);
    EXPECT_NE(lDescription.find("take Jump"), std::string::npos);
}

TEST(KRyvNodeDeferredTake, WaitsWhenAMarkerIsBoundAndGetsItsChannelsWhenFilled)
{
    KRyvObjectFactory lFactory;
    KRyvNode* lNode = lFactory.CreateNode("A");
    KRyvMarker* lMarker = lFactory.CreateMarker();
    lMarker->SetType(KRyvMarker::eOptical);
    lNode->SetNodeAttribute(lMarker);
    KRyvTakeNode* lWalk = lNode->AddTakeNode("Walk");
    ASSERT_NE(lWalk, nullptr);
    EXPECT_TRUE(lNode->GetDefaultTakeNode()->IsContentDeferred());
    EXPECT_TRUE(lWalk->IsContentDeferred());
    // The marker's channel comes after the node's, with its default 0 and colour.
    const KFCurveNode* lRoot = lWalk->GetKFCurveNode();
    ASSERT_EQ(lRoot->GetCount(), 3);
    EXPECT_STREQ(lRoot->Get(2)->GetName(), "Occlusion");
    ASSERT_NE(lWalk->GetOcclusion(), nullptr);
    EXPECT_EQ(lWalk->GetOcclusion()->GetDefaultValue(), 0.0f);
    EXPECT_EQ(lWalk->GetOcclusion()->GetColor()[0], 0.75f);
}

TEST(KRyvNodeDeferredTake, HoldsTheChannelsOfTheMarkerTypesAsTheyChange)
{
    const std::string lDescription = RunOnBoth([](KRyvNode& ioNode) {
        KRyvMarker* lMarker = ioNode.GetObjectFactory()->CreateMarker();
        lMarker->SetType(KRyvMarker::eOptical);
        ioNode.SetNodeAttribute(lMarker);
        ASSERT_NE(ioNode.AddTakeNode("Walk"), nullptr);
        lMarker->SetType(KRyvMarker::eIKEffector);
        ASSERT_NE(ioNode.AddTakeNode("Run"), nullptr);
        ioNode.SetNodeAttribute(nullptr);
        ASSERT_NE(ioNode.AddTakeNode("Jump"), nullptr);
        ioNode.SetNodeAttribute(lMarker);
    });
    EXPECT_EQ(lDescription.find("Occlusion"), std::string::npos);
    EXPECT_NE(lDescription.find("/Defaults/IK Reach Translation"), std::string::npos);
    EXPECT_NE(lDescription.find("/Defaults/IK Reach Rotation"), std::string::npos);
}

TEST(KRyvNodeDeferredTake, LosesAMarkersChannelsWithTheMarker)
{
    const std::string lDescription = RunOnBoth([](KRyvNode& ioNode) {
        KRyvMarker* lMarker = ioNode.GetObjectFactory()->CreateMarker();
        lMarker->SetType(KRyvMarker::eOptical);
        ioNode.SetNodeAttribute(lMarker);
        ASSERT_NE(ioNode.AddTakeNode("Walk"), nullptr);
        ASSERT_TRUE(ioNode.GetObjectFactory()->DestroyNodeAttribute(lMarker));
    });
    EXPECT_EQ(lDescription.find("Occlusion"), std::string::npos);
}

TEST(KRyvNodeDeferredTake, IsNeverFilledForANodeGoingAway)
{
    KRyvObjectFactory lFactory;
    KRyvNode* lNode = lFactory.CreateNode("A");
    KRyvTakeNode* lTake = lNode->GetDefaultTakeNode();
    KRyvTakeNode* lWalk = lNode->AddTakeNode("Walk");
    ASSERT_NE(lWalk, nullptr);
    lNode->Destruct();
    for (KRyvTakeNode* lEach : {lTake, lWalk}) {
        EXPECT_FALSE(lEach->IsContentDeferred());
        EXPECT_EQ(lEach->GetKFCurveNode()->GetCount(), 0);
    }
    EXPECT_TRUE(lFactory.DestroyNode(lNode, false));
}

// An optical marker turned and scaled, with the later take "Walk" current.
KRyvNode* MakeWalkingMarker(KRyvObjectFactory& ioFactory)
{
    KRyvNode* lNode = ioFactory.CreateNode("A");
    KRyvMarker* lMarker = ioFactory.CreateMarker();
    lMarker->SetType(KRyvMarker::eOptical);
    lNode->SetNodeAttribute(lMarker);
    lNode->SetLclTranslation(KVector4(1.0, 2.0, 3.0));
    lNode->SetLclRotation(KVector4(0.0, 0.0, 90.0));
    lNode->SetLclScaling(KVector4(2.0, 2.0, 2.0));
    EXPECT_NE(lNode->AddTakeNode("Walk"), nullptr);
    EXPECT_TRUE(lNode->SetCurrentTakeNode("Walk"));
    return lNode;
}

// Runs pSteps on a marker whose take "Walk" is made whole at once and on one whose take is made
// as the steps look at its channels; both must then look the same. Returns the description.
std::string RunOnWholeAndParts(const std::function<void(KRyvNode&, KRyvTakeNode&)>& pSteps)
{
    KRyvObjectFactory lFactory;
    KRyvNode* lWhole = MakeWalkingMarker(lFactory);
    lWhole->GetTakeNode(1)->GetKFCurveNode();
    KRyvNode* lParts = MakeWalkingMarker(lFactory);
    pSteps(*lWhole, *lWhole->GetTakeNode(1));
    pSteps(*lParts, *lParts->GetTakeNode(1));
    const std::string lDescription = Describe(*lWhole);
    EXPECT_EQ(Describe(*lParts), lDescription);
    return lDescription;
}

// The names of a tree, each node's children in brackets after it.
std::string Shape(const KFCurveNode* pNode)
{
    if (!pNode) {
        return "(none)";
    }
    std::string lShape = pNode->GetName();
    for (int i = 0; i < pNode->GetCount(); ++i) {
        lShape += (i == 0 ? "(" : " ") + Shape(pNode->Get(i));
    }
    return pNode->GetCount() > 0 ? lShape + ")" : lShape;
}

TEST(KRyvNodeDeferredTake, MakesOnlyTheChannelsALaterTakeIsAskedFor)
{
    KRyvObjectFactory lFactory;
    KRyvTakeNode* lWalk = MakeWalkingMarker(lFactory)->GetTakeNode(1);
    ASSERT_NE(lWalk->GetOcclusion(), nullptr);
    EXPECT_EQ(Shape(lWalk->GetMadeKFCurveNode()), "Defaults(Occlusion)");
    ASSERT_NE(lWalk->GetTransformTZ(), nullptr);
    EXPECT_EQ(lWalk->GetTransformTZ()->GetDefaultValue(), 3.0f);
    EXPECT_EQ(Shape(lWalk->GetMadeKFCurveNode()), "Defaults(Transform(T(X Y Z)) Occlusion)");
    EXPECT_TRUE(lWalk->IsContentDeferred());
    ASSERT_NE(lWalk->GetVisibility(), nullptr);
    EXPECT_EQ(Shape(lWalk->GetMadeKFCurveNode()),
              "Defaults(Transform(T(X Y Z)) Visibility Occlusion)");
    EXPECT_EQ(Shape(lWalk->GetKFCurveNode()),
              "Defaults(Transform(T(X Y Z) R(X Y Z) S(X Y Z)) Visibility Occlusion)");
    EXPECT_FALSE(lWalk->IsContentDeferred());
}

TEST(KRyvNodeDeferredTake, PutsChannelsMadeInAnyOrderWhereAWholeTakeHasThem)
{
    const std::string lDescription = RunOnWholeAndParts([](KRyvNode&, KRyvTakeNode& ioWalk) {
        ioWalk.GetOcclusion()->KeyAdd(Seconds(1.0), 1.0f);
        ioWalk.GetTransformSY()->KeyAdd(Seconds(1.0), 4.0f);
        ioWalk.GetVisibility()->SetDefaultValue(0.0f);
        ioWalk.GetTransformRX()->KeyAdd(Seconds(2.0), 45.0f);
        ioWalk.GetTransformTX()->KeyAdd(Seconds(3.0), 7.0f);
    });
    EXPECT_NE(lDescription.find("/Defaults/Transform/R/Z type=Z kind=0 default=90 keys=0"),
              std::string::npos);
    EXPECT_NE(lDescription.find("/Defaults/Transform/S/Y type=Y kind=0 default=2 keys=1"),
              std::string::npos);
}

TEST(KRyvNodeDeferredTake, DropsAMarkersChannelsMadeEarlyWhenItsTypeOrItGoes)
{
    const std::string lDescription = RunOnWholeAndParts([](KRyvNode& ioNode, KRyvTakeNode& ioWalk) {
        ioWalk.GetOcclusion()->KeyAdd(Seconds(1.0), 1.0f);
        auto* lMarker = static_cast<KRyvMarker*>(ioNode.GetMarker());
        lMarker->SetType(KRyvMarker::eIKEffector);
        ASSERT_NE(ioWalk.GetIKReachRotation(), nullptr);
        ASSERT_TRUE(ioNode.GetObjectFactory()->DestroyNodeAttribute(lMarker));
    });
    EXPECT_EQ(lDescription.find("Occlusion"), std::string::npos);
    EXPECT_EQ(lDescription.find("IK Reach"), std::string::npos);
}

TEST(KRyvNodeDeferredTake, AMarkerGoingAwayTakesItsChannelOutAndMakesNothing)
{
    KRyvObjectFactory lFactory;
    KRyvNode* lNode = MakeWalkingMarker(lFactory);
    KRyvTakeNode* lWalk = lNode->GetTakeNode(1);
    lWalk->GetTransformTX();
    lWalk->GetOcclusion();
    ASSERT_TRUE(lFactory.DestroyNodeAttribute(lNode->GetNodeAttribute()));
    EXPECT_TRUE(lWalk->IsContentDeferred());
    EXPECT_EQ(Shape(lWalk->GetMadeKFCurveNode()), "Defaults(Transform(T(X Y Z)))");
    EXPECT_EQ(Shape(lWalk->GetKFCurveNode()),
              "Defaults(Transform(T(X Y Z) R(X Y Z) S(X Y Z)) Visibility)");
}

TEST(KRyvNodeDeferredTake, AnswersQuestionsAboutKeysWithoutMakingChannels)
{
    KRyvObjectFactory lFactory;
    KRyvNode* lNode = MakeWalkingMarker(lFactory);
    KRyvTakeNode* lWalk = lNode->GetTakeNode(1);
    KTime lStart = KTime::kInfinity;
    KTime lStop = KTime::kMinusInfinity;
    EXPECT_FALSE(lWalk->IsAnimated("Transform", "R", "X"));
    EXPECT_FALSE(lNode->IsAnimated("Transform", "T", "X"));
    EXPECT_FALSE(lNode->GetAnimationInterval(lStart, lStop));
    EXPECT_EQ(lWalk->GetMadeKFCurveNode(), nullptr);

    lWalk->GetTransformTX()->KeyAdd(Seconds(1.0), 5.0f);
    lWalk->GetTransformTX()->KeyAdd(Seconds(2.0), 6.0f);
    EXPECT_TRUE(lNode->IsAnimated("Transform", "T", "X"));
    EXPECT_FALSE(lNode->IsAnimated("Transform", "R", "X"));
    ASSERT_TRUE(lNode->GetAnimationInterval(lStart, lStop));
    EXPECT_EQ(lStart, Seconds(1.0));
    EXPECT_EQ(lStop, Seconds(2.0));
    EXPECT_EQ(Shape(lWalk->GetMadeKFCurveNode()), "Defaults(Transform(T(X Y Z)))");
}

TEST(KRyvNodeDeferredTake, ACopyOfATakeMadeInPartsIsWhole)
{
    KRyvObjectFactory lFactory;
    KRyvTakeNode* lWalk = MakeWalkingMarker(lFactory)->GetTakeNode(1);
    lWalk->GetTransformTY()->KeyAdd(Seconds(1.0), 5.0f);
    const KRyvTakeNode lCopy(*lWalk);
    std::ostringstream lCopied;
    DescribeTree(*lCopy.GetKFCurveNode(), "", lCopied);
    std::ostringstream lOriginal;
    DescribeTree(*lWalk->GetKFCurveNode(), "", lOriginal);
    EXPECT_EQ(lCopied.str(), lOriginal.str());
    EXPECT_NE(lCopied.str().find("/Defaults/Transform/T/Y type=Y kind=0 default=2 keys=1"),
              std::string::npos);
    EXPECT_NE(lCopied.str().find("/Defaults/Occlusion"), std::string::npos);
}

TEST(KRyvNodeDeferredTake, EvaluatesAndFiltersChannelsThatWaitAtTheirDefaults)
{
    const std::string lDescription = RunOnWholeAndParts([](KRyvNode& ioNode, KRyvTakeNode& ioWalk) {
        KFCurve* lX = ioWalk.GetTransformTX();
        lX->KeyAdd(Seconds(0.0), 10.0f);
        lX->KeyAdd(Seconds(1.0), 20.0f);
        // Auto slopes are flat at the end keys: halfway is the mean.
        const KMatrix lLocal = ioNode.GetLocalMatrixAtTime(Seconds(0.5));
        EXPECT_DOUBLE_EQ(lLocal[3][0], 15.0);
        EXPECT_DOUBLE_EQ(lLocal[3][1], 2.0);
        EXPECT_DOUBLE_EQ(lLocal[3][2], 3.0);
        // Turned a quarter about Z and scaled by 2: the X axis runs along Y, twice as long.
        EXPECT_NEAR(lLocal[0][0], 0.0, 1e-12);
        EXPECT_NEAR(std::fabs(lLocal[0][1]), 2.0, 1e-12);
        lX->KeyAdd(Seconds(2.0), 20.0f);
        lX->KeyAdd(Seconds(3.0), 20.0f);
        KFCurveFilterConstantKeyReducer lReducer;
        EXPECT_TRUE(lReducer.Apply(*ioWalk.GetKFCurveNode(), true));
    });
    // The keys repeating 20 after the first go.
    EXPECT_NE(lDescription.find("/Defaults/Transform/T/X type=X kind=0 default=1 keys=2"),
              std::string::npos);
}

} // namespace
