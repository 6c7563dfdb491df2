#include "animation/KRyvTakeNode.h"
#include "animation/KImportSettings.h"

#include "object/KDataType.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

using K = KRyvTakeNode;

// A sample of the named getters (they all call GetCurve with a fixed path): vectors, names with
// spaces and brackets, single curves.
const std::pair<const char*, KFCurve* (K::*)()> kGetters[] = {
    {"Transform/T/X", &K::GetTransformTX},
    {"Transform/S/Z", &K::GetTransformSZ},
    {"BackgroundColor (Color)/Y", &K::GetBackgroundColorY},
    {"Cone angle", &K::GetConeAngle},
    {"Camera Index", &K::GetCameraIndex},
    {"Specular/Z", &K::GetSpecularZ},
    {"Shininess", &K::GetShininess}};

// Makes the nodes of a "/"-separated path, the last one with a curve.
KFCurve* MakePath(KRyvTakeNode& ioTake, const std::string& pPath)
{
    KFCurveNode* lNode = ioTake.GetKFCurveNode();
    std::istringstream lSteps(pPath);
    std::string lStep;
    while (std::getline(lSteps, lStep, '/')) {
        lNode = lNode->FindOrCreateChild(lStep.c_str(), lSteps.eof());
    }
    return lNode->GetCurve();
}

} // namespace

TEST(KRyvTakeNodeTest, GettersFindTheirPathAndReportAMissingCurve)
{
    for (const auto& lGetter : kGetters) {
        KRyvTakeNode lEmpty("Take 001");
        EXPECT_EQ((lEmpty.*lGetter.second)(), nullptr) << lGetter.first;
        EXPECT_EQ(lEmpty.GetError().GetLastErrorID(), KRyvTakeNode::kCurveNotFound);
        EXPECT_STREQ(lEmpty.GetError().GetLastErrorString().Buffer(), "Curve not found");
        KRyvTakeNode lTake("Take 001");
        KFCurve* lCurve = MakePath(lTake, lGetter.first);
        EXPECT_EQ((lTake.*lGetter.second)(), lCurve) << lGetter.first;
        EXPECT_EQ(lTake.GetError().GetLastErrorID(), -1);
    }
}

TEST(KRyvTakeNodeTest, DataTypeGettersSearchDepthFirst)
{
    KRyvTakeNode lTake("Default");
    EXPECT_STREQ(lTake.GetKFCurveNode()->GetName(), "Defaults");
    EXPECT_EQ(lTake.GetIKReachTranslation(), nullptr);
    KFCurveNode* lGroup = lTake.GetKFCurveNode()->FindOrCreateChild("IK", false);
    const char* const lTypes[3] = {"IK Reach Translation", "IK Reach Rotation", "Occlusion"};
    KFCurve* lCurves[3];
    for (int i = 0; i < 3; ++i) {
        KFCurveNode* lNode = KFCurveNode::Create("Any", FindDataType(lTypes[i]));
        lNode->SetCurve(KFCurve::Create());
        lCurves[i] = lNode->GetCurve();
        lGroup->Add(lNode);
    }
    EXPECT_EQ(lTake.GetIKReachTranslation(), lCurves[0]);
    EXPECT_EQ(lTake.GetIKReachRotation(), lCurves[1]);
    EXPECT_EQ(lTake.GetOcclusion(), lCurves[2]);
    EXPECT_EQ(lTake.GetCurve("IK", nullptr, FindDataType("Occlusion")), lCurves[2]);
    EXPECT_EQ(lTake.GetCurve("Missing", nullptr, FindDataType("Occlusion")), nullptr);
    EXPECT_FALSE(lTake.IsAnimated("IK", nullptr, FindDataType("Occlusion")));
    EXPECT_FALSE(lTake.IsAnimated("Missing", nullptr, FindDataType("Occlusion")));
    lCurves[2]->KeyAdd(KTime(0), 1.0f);
    EXPECT_TRUE(lTake.IsAnimated("IK", nullptr, FindDataType("Occlusion")));
    EXPECT_EQ(lTake.GetCurve(nullptr, nullptr, static_cast<const KDataType*>(nullptr)), nullptr);
}

TEST(KRyvTakeNodeTest, IsAnimatedIntervalAndDeepCopy)
{
    KRyvTakeNode lTake("Walk");
    KFCurve* lX = MakePath(lTake, "Transform/T/X");
    EXPECT_FALSE(lTake.IsAnimated("Transform", "T", "X"));
    EXPECT_FALSE(lTake.IsAnimated("Transform", "T", "Y"));
    lX->KeyAdd(KTime(100), 1.0f);
    lX->KeyAdd(KTime(900), 2.0f);
    EXPECT_TRUE(lTake.IsAnimated("Transform", "T", "X"));
    EXPECT_TRUE(lTake.IsAnimated("Transform", nullptr, "X"));
    EXPECT_EQ(lTake.GetCurve(nullptr, "T", "X"), lX);
    EXPECT_EQ(lTake.GetCurve(nullptr, nullptr, static_cast<const char*>(nullptr)), nullptr);

    KTime lStart = KTime::kInfinity;
    KTime lStop = KTime::kMinusInfinity;
    EXPECT_TRUE(lTake.GetAnimationInterval(lStart, lStop));
    EXPECT_EQ(lStart, KTime(100));
    EXPECT_EQ(lStop, KTime(900));

    KRyvTakeNode lCopy(lTake);
    EXPECT_EQ(lCopy.GetName(), "Walk");
    EXPECT_STREQ(lCopy.GetKFCurveNode()->GetName(), "Defaults");
    KFCurve* lCopyX = lCopy.GetTransformTX();
    ASSERT_NE(lCopyX, nullptr);
    EXPECT_NE(lCopyX, lX);
    lCopyX->KeyClear();
    EXPECT_EQ(lX->GetKeyCount(), 2);
    EXPECT_FALSE(lCopy.IsAnimated("Transform", "T", "X"));
}

TEST(KImportSettingsTest, StartsWithTheReducerAndUnrollAndRefusesUnknownModes)
{
    KImportSettings& lSettings = KImportSettings::Get();
    lSettings.SetConstantKeyReducerEnabled(false);
    EXPECT_TRUE(lSettings.SetRotationFilterMode(KImportSettings::kRotationFilterGimbalKiller));
    EXPECT_FALSE(lSettings.SetRotationFilterMode(3) || lSettings.SetRotationFilterMode(-1));
    EXPECT_EQ(lSettings.GetRotationFilterMode(), KImportSettings::kRotationFilterGimbalKiller);
    lSettings.Reset();
    EXPECT_TRUE(lSettings.IsConstantKeyReducerEnabled());
    EXPECT_EQ(lSettings.GetRotationFilterMode(), KImportSettings::kRotationFilterUnroll);
}

// A take's tree is made on the first look: before it every read answers as an empty tree
// would, a copy gets an empty "Defaults" root, and a deferred tree is filled on its look.
TEST(KRyvTakeNodeTest, TreeMadeOnFirstLook)
{
    class Filler : public KRyvTakeNodeContent
    {
    public:
        void FillTakeNode(KRyvTakeNode& ioTake, unsigned /*pParts*/) override
        {
            ++mFills;
            MakePath(ioTake, "Visibility");
        }
        unsigned GetPartsToFind(const KRyvTakeNode& /*pTake*/,
                                const KRyvCurvePath& /*pPath*/) const override
        {
            return KRyvTakeNode::kAllParts;
        }
        void FillCopy(const KRyvTakeNode& /*pTake*/, KRyvTakeNode& ioCopy, unsigned pParts) override
        {
            FillTakeNode(ioCopy, pParts);
        }
        int mFills = 0;
    };
    KRyvTakeNode lTake("Idle");
    EXPECT_EQ(lTake.FindKFCurveNode(), nullptr);
    EXPECT_FALSE(lTake.IsAnimated("Transform", "T", "X"));
    KTime lStart = KTime::kInfinity;
    KTime lStop = KTime::kMinusInfinity;
    EXPECT_FALSE(lTake.GetAnimationInterval(lStart, lStop));
    EXPECT_EQ(lTake.GetVisibility(), nullptr);
    const KRyvTakeNode lCopy(lTake);
    ASSERT_NE(lCopy.FindKFCurveNode(), nullptr);
    EXPECT_STREQ(lCopy.FindKFCurveNode()->GetName(), "Defaults");
    EXPECT_EQ(lCopy.FindKFCurveNode()->GetCount(), 0);

    Filler lFiller;
    KRyvTakeNode lDeferred("Walk");
    lDeferred.DeferContent(&lFiller);
    lDeferred.FillDeferredContent();
    EXPECT_EQ(lFiller.mFills, 1);
    EXPECT_NE(lDeferred.FindKFCurveNode(), nullptr);
    EXPECT_NE(lDeferred.GetVisibility(), nullptr);
    EXPECT_EQ(lFiller.mFills, 1);
}

// A content of two parts, "Visibility" (part 0) and "Transform/T/X" (part 1): a look-up of the
// one makes it alone; anything else, or a look at the whole tree, makes what still waits.
TEST(KRyvTakeNodeTest, MakesTheDeferredPartsALookUpNeeds)
{
    class TwoParts : public KRyvTakeNodeContent
    {
    public:
        void FillTakeNode(KRyvTakeNode& ioTake, unsigned pParts) override
        {
            mAsked.push_back(pParts);
            // Looking at the tree meanwhile makes nothing more.
            EXPECT_FALSE(ioTake.IsContentDeferred());
            if (pParts & 1u) {
                MakePath(ioTake, "Visibility");
            }
            if (pParts & 2u) {
                MakePath(ioTake, "Transform/T/X");
            }
        }
        unsigned GetPartsToFind(const KRyvTakeNode& /*pTake*/,
                                const KRyvCurvePath& pPath) const override
        {
            const std::string lFirst = pPath.mNames[0] ? pPath.mNames[0] : "";
            return lFirst == "Visibility" ? 1u : lFirst == "Transform" ? 2u : 3u;
        }
        void FillCopy(const KRyvTakeNode& /*pTake*/, KRyvTakeNode& ioCopy, unsigned pParts) override
        {
            MakePath(ioCopy, (pParts & 1u) ? "Visibility" : "Transform/T/X");
        }
        std::vector<unsigned> mAsked;
    };
    TwoParts lContent;
    KRyvTakeNode lTake("Walk");
    lTake.DeferContent(&lContent, 3u);
    EXPECT_FALSE(lTake.IsAnimated("Visibility"));
    EXPECT_EQ(lTake.GetMadeKFCurveNode(), nullptr);
    ASSERT_NE(lTake.GetTransformTX(), nullptr);
    EXPECT_EQ(lContent.mAsked, std::vector<unsigned>{2u});
    EXPECT_EQ(lTake.GetDeferredParts(), 1u);
    lTake.GetTransformTX()->KeyAdd(KTime(0), 1.0f);
    // A whole copy holds the keyed part and the one that waits, which still waits here.
    const std::unique_ptr<KRyvTakeNode> lWhole = lTake.CopyWhole();
    EXPECT_TRUE(lWhole->IsAnimated("Transform", "T", "X"));
    EXPECT_NE(lWhole->GetVisibility(), nullptr);
    EXPECT_EQ(lTake.GetDeferredParts(), 1u);
    EXPECT_TRUE(lTake.IsAnimated("Transform", "T", "X"));
    EXPECT_EQ(lTake.GetColorX(), nullptr);
    EXPECT_EQ(lContent.mAsked, (std::vector<unsigned>{2u, 1u}));
    EXPECT_FALSE(lTake.IsContentDeferred());
    EXPECT_EQ(lTake.GetDeferredParts(), 0u);
    EXPECT_NE(lTake.GetVisibility(), nullptr);
    EXPECT_EQ(lContent.mAsked.size(), 2u);
}
