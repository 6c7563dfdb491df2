#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"
#include "character/KRyvCharacter.h"
#include "character/KRyvCharacterPose.h"
#include "io/KFileFormatRegistry.h"
#include "io/KReaderRyv.h"
#include "io/KStreamOptionsRyv.h"
#include "io/KWriterRyv.h"
#include "object/KProperty.h"
#include "ryvfile/KRyvFile.h"
#include "ryvfile/KRyvStream.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/KRyvSceneEntity.h"
#include "scene/objects/KRyvDeformer.h"
#include "scene/objects/KRyvMaterial.h"
#include "tests/io/RyvTestScene.h"
#include "tests/support/KSceneComparer.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

TEST(KStreamOptionsRyvTest, WriteFlagsMapOntoTheOptionsAndFlagThreeIsEmbedMedia)
{
    KStreamOptionsRyv lOptions;
    EXPECT_TRUE(lOptions.IsA(KStreamOptionsRyv::ClassId()));
    EXPECT_TRUE(lOptions.IsA(KStreamOptionsBase::ClassId()));
    EXPECT_EQ(lOptions.GetOptionValue(KStreamOptionsRyv::kEmbedMedia), 0);
    EXPECT_EQ(lOptions.GetOptionValue(KStreamOptionsRyv::kPose), 1);
    // Each flag alone: which option goes on.
    const int kOptionOfFlag[KStreamOptionsRyv::kWriteFlagCount] = {1, 2, 3, 12, 4, 5,
                                                                   6, 7, 8, 9,  10};
    for (int lFlag = 0; lFlag < KStreamOptionsRyv::kWriteFlagCount; ++lFlag) {
        bool lFlags[KStreamOptionsRyv::kWriteFlagCount] = {};
        lFlags[lFlag] = true;
        lOptions.SetFromWriteFlags(lFlags);
        for (int lOption = KStreamOptionsBase::kFirstOption;
             lOption <= KStreamOptionsBase::kLastOption; ++lOption) {
            EXPECT_EQ(lOptions.GetOptionValue(lOption), lOption == kOptionOfFlag[lFlag] ? 1 : 0)
                << lFlag << " " << lOption;
        }
    }
    lOptions.SetPassword("x");
    lOptions.SetTakeName("Take 001");
    lOptions.Reset();
    EXPECT_TRUE(lOptions.GetPassword().IsEmpty());
    EXPECT_TRUE(lOptions.GetTakeName().IsEmpty());
    EXPECT_EQ(lOptions.GetOptionValue(KStreamOptionsRyv::kModel), 1);
}

class KRyvWriterOptionsTest : public ::testing::Test
{
protected:
    // The scene written with the options, read back into a new scene.
    KRyvScene* RoundTrip(KStreamOptionsRyv& ioOptions,
                         KWriterRyv::EFlavour pFlavour = KWriterRyv::kBinary60)
    {
        KWriterRyv lWriter(&mFactory, pFlavour);
        mName = mTemp.PathOf("options.ryv");
        mWritten = lWriter.FileCreate(mName.c_str()) && lWriter.Write(mScene, &ioOptions);
        EXPECT_TRUE(mWritten) << lWriter.GetError().GetLastErrorString().Buffer();
        KReaderRyv lReader(&mFactory);
        KRyvScene* lRead = mFactory.CreateScene();
        KStreamOptionsRyv lReadOptions;
        EXPECT_TRUE(lReader.FileOpen(mName.c_str()) && lReader.Read(lRead, &lReadOptions))
            << lReader.GetError().GetLastErrorString().Buffer();
        return lRead;
    }

    TempFolder mTemp;
    KRyvObjectFactory mFactory;
    KRyvScene* mScene = BuildRyvTestScene(mFactory, "");
    std::string mName;
    bool mWritten = false;
};

TEST_F(KRyvWriterOptionsTest, OptionsLeaveOutWhatIsOff)
{
    KStreamOptionsRyv lOptions;
    lOptions.SetOptionValue(KStreamOptionsRyv::kMaterial, 0);
    lOptions.SetOptionValue(KStreamOptionsRyv::kAnimation, 0);
    lOptions.SetOptionValue(KStreamOptionsRyv::kPose, 0);
    lOptions.SetOptionValue(KStreamOptionsRyv::kCharacter, 0);
    KRyvScene* lRead = RoundTrip(lOptions);
    EXPECT_EQ(lRead->GetSceneEntity()->GetMaterialCount(), 0);
    EXPECT_EQ(lRead->GetPoseCount(), 0);
    EXPECT_EQ(lRead->GetCharacterCount(), 0);
    EXPECT_EQ(lRead->GetRootNode()->GetChild(0)->GetTakeNodeCount(), 1);
    lOptions.SetOptionValue(KStreamOptionsRyv::kModel, 0);
    EXPECT_EQ(RoundTrip(lOptions)->GetRootNode()->GetChildCount(), 0);
}

TEST_F(KRyvWriterOptionsTest, ATakeNameWritesThatTakeAndTheDefaultOnly)
{
    mScene->GetRootNode()->GetChild(0)->AddTakeNode("Other");
    KStreamOptionsRyv lOptions;
    lOptions.SetTakeName("Other");
    KRyvNode* lBone = RoundTrip(lOptions)->GetRootNode()->GetChild(0);
    ASSERT_EQ(lBone->GetTakeNodeCount(), 2);
    EXPECT_STREQ(lBone->GetTakeNodeName(1), "Other");
}

TEST_F(KRyvWriterOptionsTest, ProgressRisesToAHundredAndCancelStopsTheWrite)
{
    KStreamOptionsRyv lOptions;
    std::vector<float> lSeen;
    lOptions.SetProgressCallback(
        [&lSeen](const char*, float pPercent) { lSeen.push_back(pPercent); });
    RoundTrip(lOptions);
    ASSERT_FALSE(lSeen.empty());
    EXPECT_TRUE(std::is_sorted(lSeen.begin(), lSeen.end()));
    EXPECT_FLOAT_EQ(lSeen.back(), 100.0f);
    EXPECT_TRUE(mWritten);
    int lCalls = 0;
    lOptions.SetCancelCallback([&lCalls] { return ++lCalls == 3; });
    KWriterRyv lWriter(&mFactory, KWriterRyv::kBinary60);
    ASSERT_TRUE(lWriter.FileCreate(mTemp.PathOf("cancelled.ryv").c_str()));
    EXPECT_FALSE(lWriter.Write(mScene, &lOptions));
    EXPECT_EQ(lCalls, 3);
}

TEST_F(KRyvWriterOptionsTest, ACancelledReadLeavesTheSceneAsItWasAndAnEncryptedWriteNeedsAPassword)
{
    KStreamOptionsRyv lOptions;
    RoundTrip(lOptions);
    KReaderRyv lReader(&mFactory);
    KRyvScene* lTarget = mFactory.CreateScene();
    lTarget->GetRootNode()->AddChild(mFactory.CreateNode("Keep"));
    KStreamOptionsRyv lCancelling;
    lCancelling.SetCancelCallback([] { return true; });
    ASSERT_TRUE(lReader.FileOpen(mName.c_str()));
    EXPECT_FALSE(lReader.Read(lTarget, &lCancelling));
    EXPECT_EQ(lReader.GetError().GetLastErrorID(), KReader::kUnidentifiedError);
    ASSERT_EQ(lTarget->GetRootNode()->GetChildCount(), 1);
    EXPECT_STREQ(lTarget->GetRootNode()->GetChild(0)->GetName().Buffer(), "Model::Keep");

    KWriterRyv lWriter(&mFactory, KWriterRyv::kEncrypted60);
    ASSERT_TRUE(lWriter.FileCreate(mName.c_str()));
    EXPECT_FALSE(lWriter.Write(mScene, &lOptions));
    EXPECT_EQ(lWriter.GetError().GetLastErrorID(), KWriter::kUnidentifiedError);
    KStreamOptionsBase lWrongKind;
    EXPECT_FALSE(lWriter.Write(mScene, &lWrongKind));
    EXPECT_EQ(lWriter.GetError().GetLastErrorID(), KWriter::kStreamOptionsNotSet);
    EXPECT_FALSE(lReader.Read(lTarget, &lWrongKind));
    EXPECT_EQ(lReader.GetError().GetLastErrorID(), KReader::kStreamOptionsNotSet);
}

TEST_F(KRyvWriterOptionsTest, ComparerSeesEachKindOfDifference)
{
    KRyvObjectFactory lOther;
    KRyvScene* lSame = BuildRyvTestScene(lOther, "");
    KSceneComparer lComparer;
    ASSERT_EQ(lComparer.Compare(*mScene, *lSame), "");
    KRyvNode* lArm = lSame->GetRootNode()->GetChild(0)->GetChild(0);
    lArm->GetTakeNode(1)->GetTransformTX()->KeySetValue(2, 7.0f);
    EXPECT_NE(lComparer.Compare(*mScene, *lSame).find("key 2"), std::string::npos);
    lArm->GetTakeNode(1)->GetTransformTX()->KeySetValue(2, -1.0f);
    lArm->SetLclTranslation(KVector4(1.5, -2.25, 0.3, 1.0));
    EXPECT_NE(lComparer.Compare(*mScene, *lSame).find("translation"), std::string::npos);
    KSceneComparer::Options lLoose;
    lLoose.mTolerance = 0.1;
    EXPECT_EQ(KSceneComparer(lLoose).Compare(*mScene, *lSame), "");
    lSame->GetSceneEntity()->GetMaterial(0)->SetShininess(99.0);
    EXPECT_NE(KSceneComparer(lLoose).Compare(*mScene, *lSame).find("Material::Skin"),
              std::string::npos);
}

// The kinds added later each show up as a difference.
TEST_F(KRyvWriterOptionsTest, ComparerSeesTheLaterKinds)
{
    const auto lDiffer = [this](const std::function<void(KRyvScene&)>& pChange, const char* pText) {
        KRyvObjectFactory lOther;
        KRyvScene* lChanged = BuildRyvTestScene(lOther, "");
        pChange(*lChanged);
        EXPECT_NE(KSceneComparer().Compare(*mScene, *lChanged).find(pText), std::string::npos)
            << pText;
    };
    lDiffer([](KRyvScene& ioScene) { ioScene.GetRootNode()->GetChild(0)->SetMarked(false); },
            "export mark");
    lDiffer(
        [](KRyvScene& ioScene) {
            ioScene.GetSceneEntity()
                ->GetDeformer(0, KRyvSceneEntity::eClusterDeformers)
                ->GetControlPointWeightArray()[0] = 0.5;
        },
        "deformer");
    lDiffer(
        [](KRyvScene& ioScene) {
            ioScene.GetCharacter(0)->SetInput(KRyvCharacter::kInputNone, nullptr);
        },
        "character input");
    lDiffer(
        [](KRyvScene& ioScene) {
            ioScene.GetCharacterPose(0)->GetScene()->GetRootNode()->GetChild(0)->SetLclTranslation(
                KVector4(5, 5, 5, 1));
        },
        "character pose");
    lDiffer(
        [](KRyvScene& ioScene) {
            ioScene.GetRootNode()
                ->GetChild(0)
                ->GetChild(0)
                ->GetProperties()
                ->FindProperty("Visibility")
                ->DisconnectAllSrc();
        },
        "property connections");
}

// The factory's objects by kind: what a failed read must leave as it found.
std::vector<int> FactoryCounts(const KRyvObjectFactory& pFactory)
{
    return {pFactory.GetSceneCount(),         pFactory.GetNodeCount(),
            pFactory.GetNodeAttributeCount(), pFactory.GetMaterialCount(),
            pFactory.GetTextureCount(),       pFactory.GetVideoCount(),
            pFactory.GetGoboCount(),          pFactory.GetPoseCount(),
            pFactory.GetGenericNodeCount(),   pFactory.GetDocumentInfoCount(),
            pFactory.GetLinkCount(),          pFactory.GetLayerContainerCount(),
            pFactory.GetUserPropertyCount()};
}

// Cancelled at every step in turn, a read of the scene of every kind leaves the target scene and
// the factory exactly as they were; the read that runs through replaces the scene's content.
TEST_F(KRyvWriterOptionsTest, AReadCancelledAnywhereHandsBackEverythingItMade)
{
    KRyvScene* lPoseScene = mScene->GetCharacterPose(mScene->AddCharacterPose("Rest"))->GetScene();
    lPoseScene->GetRootNode()->AddChild(mFactory.CreateNode("Hips"));
    KStreamOptionsRyv lOptions;
    RoundTrip(lOptions);
    KRyvScene* lTarget = mFactory.CreateScene();
    lTarget->GetRootNode()->AddChild(mFactory.CreateNode("Keep"));
    const std::vector<int> lBefore = FactoryCounts(mFactory);
    KReaderRyv lReader(&mFactory);
    ASSERT_TRUE(lReader.FileOpen(mName.c_str()));
    bool lRead = false;
    int lSteps = 0;
    for (int lCancelAt = 1; !lRead && lCancelAt < 1000; ++lCancelAt) {
        int lCalls = 0;
        KStreamOptionsRyv lCancelling;
        lCancelling.SetCancelCallback([&lCalls, lCancelAt] { return ++lCalls == lCancelAt; });
        lRead = lReader.Read(lTarget, &lCancelling);
        if (!lRead) {
            ASSERT_EQ(FactoryCounts(mFactory), lBefore) << lCancelAt;
            ASSERT_EQ(lTarget->GetRootNode()->GetChildCount(), 1);
            ASSERT_STREQ(lTarget->GetRootNode()->GetChild(0)->GetName().Buffer(), "Model::Keep");
        }
        lSteps = lCancelAt;
    }
    ASSERT_TRUE(lRead);
    EXPECT_GT(lSteps, 10);
    EXPECT_EQ(KSceneComparer().Compare(*mScene, *lTarget), "");
}

} // namespace
