// What the native writers write, the reader reads back whole: pivots, gobos, repeated names,
// user property limits, the header extension; what the option sets leave out is left out in
// both directions; a reader can read again until its file is closed.

#include "animation/KTakeInfo.h"
#include "character/KRyvCharacter.h"
#include "character/KRyvCharacterPose.h"
#include "core/KTimeModeTable.h"
#include "io/KFileFormatRegistry.h"
#include "io/KImporter.h"
#include "io/KReaderRyv.h"
#include "io/KRyvSceneObjectIO.h"
#include "io/KStreamOptionsRyv.h"
#include "io/KWriterRyv.h"
#include "object/KProperty.h"
#include "ryvfile/KRyvFile.h"
#include "ryvfile/KRyvStream.h"
#include "scene/KRyvGlobalTimeSettings.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvNodeProperties.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/KRyvSceneEntity.h"
#include "scene/KRyvUserProperty.h"
#include "scene/objects/KRyvActor.h"
#include "scene/objects/KRyvDeformer.h"
#include "scene/objects/KRyvGobo.h"
#include "scene/objects/KRyvLight.h"
#include "scene/objects/KRyvMaterial.h"
#include "scene/objects/KRyvMesh.h"
#include "scene/objects/KRyvTexture.h"
#include "tests/io/RyvTestScene.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

class KRyvReadBackTest : public ::testing::Test
{
protected:
    bool Write(KRyvScene* pScene, KStreamOptionsRyv& ioOptions,
               KWriterRyv::EFlavour pFlavour = KWriterRyv::kBinary60)
    {
        KWriterRyv lWriter(&mFactory, pFlavour);
        return lWriter.FileCreate(mName.c_str()) && lWriter.Write(pScene, &ioOptions);
    }

    // The file read into a new scene; null (with the reason in mReason) when the read fails.
    KRyvScene* Read(KStreamOptionsRyv& ioOptions)
    {
        KRyvScene* lScene = mFactory.CreateScene();
        KReaderRyv lReader(&mFactory);
        if (!lReader.FileOpen(mName.c_str()) || !lReader.Read(lScene, &ioOptions)) {
            mReason = lReader.GetError().GetLastErrorString().Buffer();
            mMessage = lReader.GetMessage().Buffer();
            return nullptr;
        }
        mMessage = lReader.GetMessage().Buffer();
        return lScene;
    }

    KRyvScene* RoundTrip(KRyvScene* pScene, KStreamOptionsRyv& ioWrite, KStreamOptionsRyv& ioRead)
    {
        EXPECT_TRUE(Write(pScene, ioWrite));
        KRyvScene* lRead = Read(ioRead);
        EXPECT_NE(lRead, nullptr) << mReason << mMessage;
        return lRead;
    }

    KRyvNode* AddNode(KRyvNode* pParent, const char* pName)
    {
        KRyvNode* lNode = mFactory.CreateNode(pName);
        pParent->AddChild(lNode);
        return lNode;
    }

    TempFolder mTemp;
    KRyvObjectFactory mFactory;
    std::string mName = mTemp.PathOf("back.ryv");
    std::string mReason;
    std::string mMessage;
};

TEST_F(KRyvReadBackTest, PivotsAndTheRotationOrderOfPivotSetZeroSurvive)
{
    KRyvScene* lScene = mFactory.CreateScene();
    KRyvNode* lNode = AddNode(lScene->GetRootNode(), "Pivoted");
    lNode->SetPreRotation(0, KVector4(10.0, 20.0, 30.0, 1.0));
    lNode->SetRotationPivot(0, KVector4(1.0, 2.0, 3.0, 1.0));
    lNode->SetScalingPivot(0, KVector4(-4.0, 5.0, 0.5, 1.0));
    lNode->SetRotationOrder(0, 3);
    KStreamOptionsRyv lOptions;
    for (const KWriterRyv::EFlavour lFlavour : {KWriterRyv::kBinary60, KWriterRyv::kAscii5x}) {
        ASSERT_TRUE(Write(lScene, lOptions, lFlavour));
        KRyvScene* lRead = Read(lOptions);
        ASSERT_NE(lRead, nullptr) << mReason;
        const KRyvNode* lBack = lRead->GetRootNode()->GetChild(0);
        EXPECT_EQ(lBack->GetPreRotation(0)[1], 20.0);
        EXPECT_EQ(lBack->GetRotationPivot(0)[2], 3.0);
        EXPECT_EQ(lBack->GetScalingPivot(0)[0], -4.0);
        int lOrder = -1;
        lBack->GetRotationOrder(0, lOrder);
        EXPECT_EQ(lOrder, 3);
    }
}

// A block holds what its typed accessors wrote without making the properties; the writer lists
// them all the same, and what files never list stays out.
TEST_F(KRyvReadBackTest, BlockValuesWrittenWithoutTheirPropertiesSurvive)
{
    KRyvScene* lScene = mFactory.CreateScene();
    KRyvNode* lNode = AddNode(lScene->GetRootNode(), "Held");
    KRyvNodeProperties& lBlock = *lNode->GetNodeProperties();
    lBlock.SetAxisLen(-0.0);
    lBlock.SetRotationStiffnessY(0.25);
    lBlock.SetQuaternionInterpolate(true);
    lBlock.SetNegativePercentShapeSupport(false);
    lBlock.SetScalingPivotUpdateOffset(KVector4(7.0, 8.0, 9.0));
    for (int i = 0; i < 50; ++i) {
        ASSERT_FALSE(lBlock.IsPropertyMade(i));
    }
    KStreamOptionsRyv lOptions;
    for (const KWriterRyv::EFlavour lFlavour : {KWriterRyv::kBinary60, KWriterRyv::kAscii60}) {
        ASSERT_TRUE(Write(lScene, lOptions, lFlavour));
        KRyvScene* lRead = Read(lOptions);
        ASSERT_NE(lRead, nullptr) << mReason;
        const KRyvNodeProperties& lBack = *lRead->GetRootNode()->GetChild(0)->GetNodeProperties();
        EXPECT_TRUE(std::signbit(lBack.GetAxisLen()));
        EXPECT_EQ(lBack.GetRotationStiffnessY(), 0.25);
        EXPECT_TRUE(lBack.GetQuaternionInterpolate());
        EXPECT_FALSE(lBack.GetNegativePercentShapeSupport());
        EXPECT_TRUE(lBack.GetShow());
        EXPECT_EQ(lBack.GetScalingPivotUpdateOffset()[0], 0.0);
    }
}

// Objects that only the meshes use are listed in the order the nodes are met, a node before its
// children and siblings in order, in both forms: a native round trip keeps each list's order.
TEST_F(KRyvReadBackTest, MaterialsAndTexturesOfSiblingsKeepTheirOrder)
{
    const char* const kNames[] = {"First", "Second", "Third"};
    KRyvScene* lScene = mFactory.CreateScene();
    KRyvNode* lParent = AddNode(lScene->GetRootNode(), "Group");
    for (const char* lName : kNames) {
        KRyvMesh* lMesh = mFactory.CreateMesh();
        lMesh->AddMaterial(mFactory.CreateMaterial(lName));
        lMesh->AddTexture(mFactory.CreateTexture(lName));
        // Placed once whole, as readers place their nodes: the scene does not list the objects.
        KRyvNode* lNode = mFactory.CreateNode(lName);
        lNode->SetNodeAttribute(lMesh);
        lParent->AddChild(lNode);
    }
    ASSERT_EQ(lScene->GetSceneEntity()->GetMaterialCount(), 0);
    for (const KWriterRyv::EFlavour lFlavour : {KWriterRyv::kBinary60, KWriterRyv::kAscii60}) {
        KStreamOptionsRyv lOptions;
        ASSERT_TRUE(Write(lScene, lOptions, lFlavour));
        KRyvScene* lRead = Read(lOptions);
        ASSERT_NE(lRead, nullptr) << mReason;
        KRyvSceneEntity& lEntity = *lRead->GetSceneEntity();
        ASSERT_EQ(lEntity.GetMaterialCount(), 3);
        ASSERT_EQ(lEntity.GetTextureCount(), 3);
        for (int i = 0; i < 3; ++i) {
            EXPECT_STREQ(lEntity.GetMaterial(i)->GetNameWithoutPrefix().Buffer(), kNames[i]);
            EXPECT_STREQ(lEntity.GetTexture(i)->GetNameWithoutPrefix().Buffer(), kNames[i]);
        }
    }
}

// Files the writers made that the reader once refused as corrupted.
TEST_F(KRyvReadBackTest, GobosOffLoneGobosAndRepeatedNamesReadBack)
{
    KRyvScene* lScene = mFactory.CreateScene();
    KRyvLight* lLight = mFactory.CreateLight();
    // The gobo never joined the scene's list.
    lLight->SetGobo(mFactory.CreateGobo("Window"));
    AddNode(lScene->GetRootNode(), "Lamp")->SetNodeAttribute(lLight);
    AddNode(AddNode(lScene->GetRootNode(), "A"), "Hand");
    AddNode(AddNode(AddNode(lScene->GetRootNode(), "B"), "Hand"), "Finger");
    KStreamOptionsRyv lOptions;
    KRyvScene* lRead = RoundTrip(lScene, lOptions, lOptions);
    ASSERT_NE(lRead, nullptr);
    ASSERT_EQ(lRead->GetRootNode()->GetChildCount(), 3);
    const KRyvLight* lBackLight =
        static_cast<const KRyvLight*>(lRead->GetRootNode()->GetChild(0)->GetNodeAttribute());
    ASSERT_NE(lBackLight->GetGobo(), nullptr);
    EXPECT_STREQ(lBackLight->GetGobo()->GetName().Buffer(), "Window");
    EXPECT_EQ(lRead->GetRootNode()->GetChild(1)->GetChild(0)->GetChildCount(), 0);
    EXPECT_EQ(lRead->GetRootNode()->GetChild(2)->GetChild(0)->GetChildCount(), 1);
    // Gobos left out on reading: the light's reference goes without a warning.
    KStreamOptionsRyv lNoGobos;
    lNoGobos.SetOptionValue(KStreamOptionsRyv::kGobo, 0);
    lRead = RoundTrip(lScene, lOptions, lNoGobos);
    ASSERT_NE(lRead, nullptr);
    EXPECT_EQ(static_cast<const KRyvLight*>(lRead->GetRootNode()->GetChild(0)->GetNodeAttribute())
                  ->GetGobo(),
              nullptr);
    EXPECT_EQ(mMessage.find("Gobo not found"), std::string::npos) << mMessage;
    lOptions.SetOptionValue(KStreamOptionsRyv::kGobo, 0);
    lRead = RoundTrip(lScene, lOptions, lOptions);
    ASSERT_NE(lRead, nullptr);
    EXPECT_EQ(static_cast<const KRyvLight*>(lRead->GetRootNode()->GetChild(0)->GetNodeAttribute())
                  ->GetGobo(),
              nullptr);
}

// A gobo name that matches no gobo costs the gobo, with a warning, not the scene; a file written
// before parents were given by place still finds them by name.
TEST_F(KRyvReadBackTest, AMissingGoboIsAWarningAndParentsWithoutPlacesAreFoundByName)
{
    KRyvFile lFile;
    lFile.Create(KRyvContainer::kVersion60, false, nullptr);
    lFile.FieldWriteBegin("Objects");
    const char* const kModels[][2] = {{"Model::RootNode", ""}, {"Model::Lamp", "Model::RootNode"}};
    for (const auto& lModel : kModels) {
        lFile.FieldWriteBegin("Model");
        lFile.FieldWriteC(lModel[0]);
        lFile.FieldWriteC(lModel[1]);
        if (std::strcmp(lModel[0], "Model::Lamp") == 0) {
            lFile.FieldWriteBegin("Attribute");
            lFile.FieldWriteC("Light");
            lFile.FieldWriteC("GoboName", "Gobo::Nowhere");
            lFile.FieldWriteEnd();
        }
        lFile.FieldWriteEnd();
    }
    lFile.FieldWriteEnd();
    ASSERT_TRUE(lFile.SaveFile(mName.c_str()));
    KStreamOptionsRyv lOptions;
    KRyvScene* lRead = Read(lOptions);
    ASSERT_NE(lRead, nullptr) << mReason;
    ASSERT_EQ(lRead->GetRootNode()->GetChildCount(), 1);
    EXPECT_NE(mMessage.find("Gobo not found: Gobo::Nowhere"), std::string::npos) << mMessage;
}

// Names the file gives are quoted in warnings by a short prefix only, however long they are.
TEST_F(KRyvReadBackTest, WarningsQuoteOnlyAShortPrefixOfLongNames)
{
    const std::string lLongKind(200, 'Q');
    const std::string lLongTake(300, 'T');
    KRyvFile lFile;
    lFile.Create(KRyvContainer::kVersion60, false, nullptr);
    lFile.FieldWriteBegin("Objects");
    lFile.FieldWriteBegin("Model");
    lFile.FieldWriteC("Model::RootNode");
    lFile.FieldWriteC("");
    lFile.FieldWriteEnd();
    lFile.FieldWriteBegin(lLongKind.c_str());
    lFile.FieldWriteEnd();
    lFile.FieldWriteEnd();
    lFile.FieldWriteBegin("Takes");
    lFile.FieldWriteC("Current", lLongTake.c_str());
    lFile.FieldWriteEnd();
    ASSERT_TRUE(lFile.SaveFile(mName.c_str()));
    KStreamOptionsRyv lOptions;
    ASSERT_NE(Read(lOptions), nullptr) << mReason;
    EXPECT_NE(mMessage.find("Unknown object record skipped: " + lLongKind.substr(0, 40) + "\n"),
              std::string::npos)
        << mMessage;
    EXPECT_NE(mMessage.find("Current take not found everywhere: " + lLongTake.substr(0, 40) + "\n"),
              std::string::npos)
        << mMessage;
}

TEST_F(KRyvReadBackTest, ManyUnknownRecordsAreNamedUpToACap)
{
    constexpr int kRecords = 1000;
    KRyvFile lFile;
    lFile.Create(KRyvContainer::kVersion60, false, nullptr);
    lFile.FieldWriteBegin("Objects");
    lFile.FieldWriteBegin("Model");
    lFile.FieldWriteC("Model::RootNode");
    lFile.FieldWriteC("");
    lFile.FieldWriteEnd();
    for (int i = 0; i < kRecords; ++i) {
        lFile.FieldWriteBegin("Unheard");
        lFile.FieldWriteEnd();
    }
    lFile.FieldWriteEnd();
    ASSERT_TRUE(lFile.SaveFile(mName.c_str()));
    KStreamOptionsRyv lOptions;
    ASSERT_NE(Read(lOptions), nullptr) << mReason;
    std::size_t lLines = 0;
    for (std::size_t lAt = mMessage.find("Unknown object record skipped"); lAt != std::string::npos;
         lAt = mMessage.find("Unknown object record skipped", lAt + 1)) {
        ++lLines;
    }
    EXPECT_GE(lLines, 1u);
    EXPECT_LE(lLines, 16u);
}

TEST_F(KRyvReadBackTest, UserPropertyLimitsSurvive)
{
    KRyvScene* lScene = mFactory.CreateScene();
    KRyvNode* lNode = AddNode(lScene->GetRootNode(), "Limited");
    KRyvUserProperty* lUser = mFactory.CreateUserProperty("Amount", "Real", "Amount");
    lNode->AddUserProperty(lUser);
    lUser->SetMinimum(-5.5);
    lUser->SetMaximum(1e6);
    KStreamOptionsRyv lOptions;
    KRyvScene* lRead = RoundTrip(lScene, lOptions, lOptions);
    ASSERT_NE(lRead, nullptr);
    const KRyvUserProperty* lBack = lRead->GetRootNode()->GetChild(0)->FindUserProperty("Amount");
    ASSERT_NE(lBack, nullptr);
    EXPECT_EQ(lBack->GetMinimum(), -5.5);
    EXPECT_EQ(lBack->GetMaximum(), 1e6);
}

TEST_F(KRyvReadBackTest, ReadOptionsLeaveOutWhatIsOffAndATakeNamePicksOneTake)
{
    KRyvScene* lScene = BuildRyvTestScene(mFactory, "");
    KRyvNode* lBone = lScene->GetRootNode()->GetChild(0);
    lBone->AddTakeNode("Other");
    KStreamOptionsRyv lWrite;
    ASSERT_TRUE(Write(lScene, lWrite));
    KStreamOptionsRyv lRead;
    lRead.SetTakeName("Other");
    for (const int lOption : {KStreamOptionsRyv::kMaterial, KStreamOptionsRyv::kGlobalSettings,
                              KStreamOptionsRyv::kPose, KStreamOptionsRyv::kCharacter}) {
        lRead.SetOptionValue(lOption, 0);
    }
    KRyvScene* lBack = Read(lRead);
    ASSERT_NE(lBack, nullptr) << mReason;
    EXPECT_EQ(lBack->GetSceneEntity()->GetMaterialCount(), 0);
    EXPECT_EQ(lBack->GetPoseCount(), 0);
    EXPECT_EQ(lBack->GetCharacterCount(), 0);
    EXPECT_EQ(lBack->GetGlobalTimeSettings().GetSnapOnFrames(),
              KRyvScene(&mFactory).GetGlobalTimeSettings().GetSnapOnFrames());
    KRyvNode* lBackBone = lBack->GetRootNode()->GetChild(0);
    ASSERT_EQ(lBackBone->GetTakeNodeCount(), 2);
    EXPECT_STREQ(lBackBone->GetTakeNodeName(1), "Other");
    EXPECT_STREQ(lBack->GetCurrentTakeName(), "Other");
    EXPECT_EQ(lBack->GetTakeInfo("Take 001"), nullptr);
    EXPECT_EQ(mMessage.find("Layer element refers"), std::string::npos) << mMessage;
}

TEST_F(KRyvReadBackTest, LinksAndShapesOffAreNotWrittenNorRead)
{
    KRyvScene* lScene = BuildRyvTestScene(mFactory, "");
    const auto lArmMesh = [](KRyvScene* pScene) {
        return static_cast<KRyvMesh*>(
            pScene->GetRootNode()->GetChild(0)->GetChild(0)->GetNodeAttribute());
    };
    ASSERT_EQ(lArmMesh(lScene)->GetShapeCount(), 1);
    ASSERT_EQ(lArmMesh(lScene)->GetLinkCount(), 1);
    KStreamOptionsRyv lWrite;
    KStreamOptionsRyv lRead;
    lWrite.SetOptionValue(KStreamOptionsRyv::kShape, 0);
    lRead.SetOptionValue(KStreamOptionsRyv::kLink, 0);
    KRyvScene* lBack = RoundTrip(lScene, lWrite, lRead);
    ASSERT_NE(lBack, nullptr);
    EXPECT_EQ(lArmMesh(lBack)->GetShapeCount(), 0);
    EXPECT_EQ(lArmMesh(lBack)->GetLinkCount(), 0);
    KStreamOptionsRyv lAll;
    lBack = RoundTrip(lScene, lAll, lAll);
    EXPECT_EQ(lArmMesh(lBack)->GetShapeCount(), 1);
    EXPECT_EQ(lArmMesh(lBack)->GetLinkCount(), 1);
}

// Only the time stamp of the file read goes into the next file written with the same set.
TEST_F(KRyvReadBackTest, AWriteKeepsTheReadStampButNotTheReadDocument)
{
    KRyvScene* lScene = mFactory.CreateScene();
    KDocumentInfo* lInfo = mFactory.CreateDocumentInfo();
    lInfo->mTitle = "First";
    lScene->SetDocumentInfo(lInfo);
    KStreamOptionsRyv lOptions;
    ASSERT_TRUE(Write(lScene, lOptions));
    KRyvScene* lRead = Read(lOptions);
    ASSERT_NE(lRead, nullptr);
    KRyvHeaderExtension lFirst = lOptions.GetHeaderExtension();
    lFirst.mCreator = "someone else";
    lOptions.SetHeaderExtension(lFirst);
    lRead->GetDocumentInfo()->mTitle = "Edited";
    ASSERT_TRUE(Write(lRead, lOptions));
    KStreamOptionsRyv lSecond;
    KRyvScene* lAgain = Read(lSecond);
    ASSERT_NE(lAgain, nullptr);
    EXPECT_STREQ(lAgain->GetDocumentInfo()->mTitle.Buffer(), "Edited");
    EXPECT_EQ(std::string(lSecond.GetHeaderExtension().mCreator.Buffer()).rfind("ryvkit", 0), 0u);
    EXPECT_TRUE(std::equal(std::begin(lFirst.mTimeStamp), std::end(lFirst.mTimeStamp),
                           std::begin(lSecond.GetHeaderExtension().mTimeStamp)));
    // An unrelated scene written with that set carries no document information of the first.
    ASSERT_TRUE(Write(mFactory.CreateScene(), lOptions));
    KStreamOptionsRyv lThird;
    lAgain = Read(lThird);
    ASSERT_NE(lAgain, nullptr);
    EXPECT_EQ(lAgain->GetDocumentInfo(), nullptr);
}

TEST_F(KRyvReadBackTest, TheFileStaysOpenUntilClosedSoAReadCanBeRetried)
{
    KRyvScene* lScene = mFactory.CreateScene();
    AddNode(lScene->GetRootNode(), "Once");
    KStreamOptionsRyv lSealed;
    lSealed.SetPassword("right");
    ASSERT_TRUE(Write(lScene, lSealed, KWriterRyv::kEncrypted60));
    KImporter lImporter(&mFactory);
    lImporter.SetFileFormat(KFileFormatRegistry::kImportRyvBinary);
    ASSERT_TRUE(lImporter.Initialize(mName.c_str()));
    KStreamOptionsRyv lWrong;
    lWrong.SetPassword("wrong");
    KRyvScene* lTarget = mFactory.CreateScene();
    EXPECT_FALSE(lImporter.Import(lTarget, &lWrong));
    EXPECT_TRUE(lImporter.Import(lTarget, &lSealed))
        << lImporter.GetError().GetLastErrorString().Buffer();
    EXPECT_EQ(lTarget->GetRootNode()->GetChildCount(), 1);
    KReaderRyv lReader(&mFactory);
    ASSERT_TRUE(lReader.FileOpen(mName.c_str()));
    EXPECT_TRUE(lReader.Read(mFactory.CreateScene(), &lSealed));
    EXPECT_TRUE(lReader.Read(mFactory.CreateScene(), &lSealed));
    EXPECT_TRUE(lReader.IsFileOpen());
    lReader.FileClose();
    EXPECT_FALSE(lReader.Read(mFactory.CreateScene(), &lSealed));
    EXPECT_EQ(lReader.GetError().GetLastErrorID(), KReader::kFileNotOpened);
}

// Opening tells the takes before the read, so one can be picked; a protected file tells them
// once its password opened it.
TEST_F(KRyvReadBackTest, OpeningListsTheTakesAndTheHeaderExtension)
{
    KRyvScene* lScene = BuildRyvTestScene(mFactory, "");
    KTakeInfo lOther;
    lOther.mName = "Other";
    lScene->GetRootNode()->GetChild(0)->AddTakeNode("Other");
    ASSERT_TRUE(lScene->SetTakeInfo(lOther));
    KStreamOptionsRyv lOptions;
    lOptions.SetPassword("right");
    for (const KWriterRyv::EFlavour lFlavour : {KWriterRyv::kAscii60, KWriterRyv::kEncrypted60}) {
        ASSERT_TRUE(Write(lScene, lOptions, lFlavour));
        KReaderRyv lReader(&mFactory);
        ASSERT_TRUE(lReader.FileOpen(mName.c_str()));
        const bool lSealed = lFlavour == KWriterRyv::kEncrypted60;
        EXPECT_EQ(lReader.HasSummary(), !lSealed);
        if (lSealed) {
            EXPECT_FALSE(lReader.ReadSummary("wrong"));
            EXPECT_EQ(lReader.GetError().GetLastErrorID(), KReader::kWrongPassword);
            ASSERT_TRUE(lReader.ReadSummary("right"));
        }
        ASSERT_EQ(lReader.GetTakeNames().size(), 2u);
        EXPECT_STREQ(lReader.GetTakeNames()[0].Buffer(), "Take 001");
        EXPECT_STREQ(lReader.GetTakeNames()[1].Buffer(), "Other");
        EXPECT_EQ(std::string(lReader.GetHeaderExtension().mCreator.Buffer()).rfind("ryvkit", 0),
                  0u);
        KStreamOptionsRyv lPick;
        lPick.SetTakeName(lReader.GetTakeNames()[1].Buffer());
        KRyvScene* lRead = mFactory.CreateScene();
        ASSERT_TRUE(lReader.Read(lRead, &lPick));
        EXPECT_STREQ(lRead->GetCurrentTakeName(), "Other");
        // Read again: the body is decoded anew.
        KRyvScene* lAgain = mFactory.CreateScene();
        ASSERT_TRUE(lReader.Read(lAgain, &lOptions));
        EXPECT_EQ(lAgain->GetRootNode()->GetChildCount(), lRead->GetRootNode()->GetChildCount());
    }
}

// A property of one model driven by one of another comes back connected, in every form.
TEST_F(KRyvReadBackTest, PropertyConnectionsBetweenModelsSurvive)
{
    KRyvScene* lScene = mFactory.CreateScene();
    KRyvNode* lDriven = AddNode(lScene->GetRootNode(), "Driven");
    KRyvNode* lDriver = AddNode(lDriven, "Driver");
    ASSERT_TRUE(lDriven->GetProperties()
                    ->FindProperty("Visibility")
                    ->ConnectSrc(lDriver->GetProperties()->FindProperty("Visibility")));
    KStreamOptionsRyv lOptions;
    lOptions.SetPassword("p");
    for (const KWriterRyv::EFlavour lFlavour :
         {KWriterRyv::kBinary60, KWriterRyv::kAscii60, KWriterRyv::kEncrypted60,
          KWriterRyv::kBinary5x, KWriterRyv::kAscii5x}) {
        ASSERT_TRUE(Write(lScene, lOptions, lFlavour));
        KRyvScene* lRead = Read(lOptions);
        ASSERT_NE(lRead, nullptr) << mReason;
        KRyvNode* lBackDriven = lRead->GetRootNode()->GetChild(0);
        const KProperty* lVisibility = lBackDriven->GetProperties()->FindProperty("Visibility");
        ASSERT_EQ(lVisibility->GetSrcCount(), 1);
        EXPECT_EQ(static_cast<const KProperty*>(lVisibility->GetSrc(0))->GetParentObject(),
                  lBackDriven->GetChild(0)->GetProperties());
        EXPECT_TRUE(mMessage.empty()) << mMessage;
    }
}

// Skin and cluster deformers come back with their binding and their connections: the skin to
// the model it deforms, the cluster to its skin and to its link model.
TEST_F(KRyvReadBackTest, SkinAndClusterDeformersSurvive)
{
    // The test scene's skin deformers are built from its links.
    KRyvScene* lScene = BuildRyvTestScene(mFactory, "");
    KRyvSceneEntity& lEntity = *lScene->GetSceneEntity();
    ASSERT_EQ(lEntity.GetDeformerCount(KRyvSceneEntity::eSkinDeformers), 1);
    ASSERT_EQ(lEntity.GetDeformerCount(KRyvSceneEntity::eClusterDeformers), 1);
    const KRyvDeformer& lCluster = *lEntity.GetDeformer(0, KRyvSceneEntity::eClusterDeformers);
    KStreamOptionsRyv lOptions;
    lOptions.SetPassword("p");
    for (const KWriterRyv::EFlavour lFlavour :
         {KWriterRyv::kBinary60, KWriterRyv::kAscii60, KWriterRyv::kEncrypted60,
          KWriterRyv::kBinary5x, KWriterRyv::kAscii5x}) {
        ASSERT_TRUE(Write(lScene, lOptions, lFlavour));
        KRyvScene* lRead = Read(lOptions);
        ASSERT_NE(lRead, nullptr) << mReason;
        EXPECT_TRUE(mMessage.find("not made") == std::string::npos) << mMessage;
        KRyvSceneEntity& lBack = *lRead->GetSceneEntity();
        ASSERT_EQ(lBack.GetDeformerCount(KRyvSceneEntity::eSkinDeformers), 1);
        ASSERT_EQ(lBack.GetDeformerCount(KRyvSceneEntity::eClusterDeformers), 1);
        KRyvDeformer& lSkin = *lBack.GetDeformer(0, KRyvSceneEntity::eSkinDeformers);
        KRyvDeformer& lBackCluster = *lBack.GetDeformer(0, KRyvSceneEntity::eClusterDeformers);
        EXPECT_STREQ(lBackCluster.GetName().Buffer(), lCluster.GetName().Buffer());
        EXPECT_EQ(lBackCluster.GetControlPointIndexArray(), lCluster.GetControlPointIndexArray());
        EXPECT_EQ(lBackCluster.GetControlPointWeightArray(), lCluster.GetControlPointWeightArray());
        EXPECT_EQ(lBackCluster.GetLinkMode(), lCluster.GetLinkMode());
        EXPECT_EQ(lBackCluster.GetTransformLinkMatrix()[3][1],
                  lCluster.GetTransformLinkMatrix()[3][1]);
        KRyvNode* lBone = lRead->GetRootNode()->GetChild(0);
        KRyvNode* lArm = lBone->GetChild(0);
        ASSERT_EQ(lSkin.GetProperties()->GetDstCount(), 1);
        EXPECT_EQ(lSkin.GetProperties()->GetDst(0), lArm->GetProperties());
        ASSERT_EQ(lBackCluster.GetProperties()->GetDstCount(), 1);
        EXPECT_EQ(lBackCluster.GetProperties()->GetDst(0), lSkin.GetProperties());
        ASSERT_EQ(lBackCluster.GetProperties()->GetSrcCount(), 1);
        EXPECT_EQ(lBackCluster.GetProperties()->GetSrc(0), lBone->GetProperties());
    }
}

// A character's input (an actor, or a character read after it) comes back as that object.
TEST_F(KRyvReadBackTest, ACharactersInputSurvives)
{
    KRyvScene* lScene = mFactory.CreateScene();
    KRyvActor* lActor = lScene->GetActor(lScene->AddActor("Performer"));
    KRyvCharacter* lFirst = lScene->GetCharacter(lScene->AddCharacter("First"));
    KRyvCharacter* lSecond = lScene->GetCharacter(lScene->AddCharacter("Second"));
    lFirst->SetInput(KRyvCharacter::kInputCharacter, lSecond);
    lSecond->SetInput(KRyvCharacter::kInputActor, lActor);
    KStreamOptionsRyv lOptions;
    KRyvScene* lRead = RoundTrip(lScene, lOptions, lOptions);
    ASSERT_NE(lRead, nullptr);
    ASSERT_EQ(lRead->GetCharacterCount(), 2);
    EXPECT_EQ(lRead->GetCharacter(0)->GetInputType(), KRyvCharacter::kInputCharacter);
    EXPECT_EQ(lRead->GetCharacter(0)->GetInputObject(), lRead->GetCharacter(1));
    EXPECT_EQ(lRead->GetCharacter(1)->GetInputObject(), lRead->GetActor(0));
    EXPECT_TRUE(mMessage.empty()) << mMessage;
}

// A character pose keeps its own scene: its nodes and its character linked to them.
TEST_F(KRyvReadBackTest, CharacterPosesSurviveWithTheirOwnScene)
{
    KRyvScene* lScene = mFactory.CreateScene();
    AddNode(lScene->GetRootNode(), "Main");
    KRyvCharacterPose* lPose = lScene->GetCharacterPose(lScene->AddCharacterPose("Rest"));
    KRyvScene* lPoseScene = lPose->GetScene();
    KRyvNode* lHips = AddNode(lPoseScene->GetRootNode(), "Hips");
    lHips->SetLclTranslation(KVector4(1.0, 95.5, -2.0, 1.0));
    KRyvCharacterLink lLink;
    lLink.mNode = lHips;
    lPoseScene->GetCharacter(0)->SetCharacterLink(0, lLink, false);
    KStreamOptionsRyv lOptions;
    for (const KWriterRyv::EFlavour lFlavour : {KWriterRyv::kBinary60, KWriterRyv::kAscii5x}) {
        ASSERT_TRUE(Write(lScene, lOptions, lFlavour));
        KRyvScene* lRead = Read(lOptions);
        ASSERT_NE(lRead, nullptr) << mReason;
        ASSERT_EQ(lRead->GetCharacterPoseCount(), 1);
        EXPECT_STREQ(lRead->GetCharacterPose(0)->GetName().Buffer(), lPose->GetName().Buffer());
        KRyvScene* lBack = lRead->GetCharacterPose(0)->GetScene();
        ASSERT_EQ(lBack->GetRootNode()->GetChildCount(), 1);
        KRyvNode* lBackHips = lBack->GetRootNode()->GetChild(0);
        KVector4 lTranslation;
        lBackHips->GetLclTranslation(lTranslation);
        EXPECT_EQ(lTranslation[1], 95.5);
        ASSERT_EQ(lBack->GetCharacterCount(), 1);
        KRyvCharacterLink lBackLink;
        ASSERT_TRUE(lBack->GetCharacter(0)->GetCharacterLink(0, &lBackLink));
        EXPECT_EQ(lBackLink.mNode, lBackHips);
        EXPECT_EQ(lRead->GetRootNode()->GetChildCount(), 1);
    }
}

// The preview image goes into the file from the writer's options and comes back in the summary
// and in the reader's options; a record whose bytes do not fit its size is not taken.
TEST_F(KRyvReadBackTest, TheThumbnailSurvives)
{
    KRyvThumbnail lThumbnail;
    lThumbnail.SetDataFormat(KRyvThumbnail::eRGBA_32);
    lThumbnail.SetSize(KRyvThumbnail::e64x64);
    lThumbnail.GetThumbnailImage()[5] = 200;
    lThumbnail.GetThumbnailImage()[lThumbnail.GetSizeInBytes() - 1] = 7;
    KStreamOptionsRyv lOptions;
    lOptions.SetThumbnail(lThumbnail);
    ASSERT_TRUE(Write(mFactory.CreateScene(), lOptions, KWriterRyv::kAscii60));
    KReaderRyv lReader(&mFactory);
    ASSERT_TRUE(lReader.FileOpen(mName.c_str()));
    EXPECT_EQ(lReader.GetThumbnail().GetSize(), KRyvThumbnail::e64x64);
    KStreamOptionsRyv lRead;
    ASSERT_TRUE(lReader.Read(mFactory.CreateScene(), &lRead));
    const KRyvThumbnail& lBack = lRead.GetThumbnail();
    ASSERT_EQ(lBack.GetSizeInBytes(), lThumbnail.GetSizeInBytes());
    EXPECT_TRUE(std::equal(lBack.GetThumbnailImage(),
                           lBack.GetThumbnailImage() + lBack.GetSizeInBytes(),
                           lThumbnail.GetThumbnailImage()));

    KRyvFile lFile;
    lFile.Create(6000, false, nullptr);
    lFile.FieldWriteBegin("Thumbnail");
    lFile.FieldWriteI(KRyvThumbnail::eRGB_24);
    lFile.FieldWriteI(KRyvThumbnail::e64x64);
    lFile.FieldWriteR("abc", 3);
    lFile.FieldWriteEnd();
    lFile.FieldWriteBegin("Objects");
    lFile.FieldWriteEnd();
    KRyvMemoryStream lStream;
    ASSERT_TRUE(lFile.Save(lStream));
    KRyvFile lShort;
    KRyvMemoryStream lIn(lStream.GetBytes());
    ASSERT_TRUE(lShort.Open(lIn) && lShort.ReadBody(nullptr));
    KRyvThumbnail lUntouched;
    EXPECT_FALSE(KRyvSceneObjectIO::ReadThumbnail(lShort, lUntouched));
    EXPECT_EQ(lUntouched.GetSize(), 0);
}

} // namespace

namespace {

// A take's rate of its own comes back in every flavour; a take without one writes no rate record
// (its bytes as before) and reads back without one; a rate the motion formats refuse is dropped
// with a warning.
TEST_F(KRyvReadBackTest, TakeRatesComeBackAndUnusableOnesAreDropped)
{
    KRyvScene* lScene = BuildRyvTestScene(mFactory, "");
    lScene->GetRootNode()->GetChild(0)->AddTakeNode("Other");
    lScene->GetRootNode()->GetChild(0)->AddTakeNode("Fast");
    KTakeInfo lTake = *lScene->GetTakeInfo("Take 001");
    lTake.mTimeMode = KTimeModeTable::kCustomMode;
    lTake.mFrameRate = 200.0;
    ASSERT_TRUE(lScene->SetTakeInfo(lTake));
    KTakeInfo lOther;
    lOther.mName = "Other";
    ASSERT_TRUE(lScene->SetTakeInfo(lOther));
    KTakeInfo lFast;
    lFast.mName = "Fast";
    lFast.mTimeMode = KTimeModeTable::kCustomMode;
    lFast.mFrameRate = 1e9;
    ASSERT_TRUE(lScene->SetTakeInfo(lFast));
    for (const KWriterRyv::EFlavour lFlavour : {KWriterRyv::kBinary60, KWriterRyv::kAscii60}) {
        KStreamOptionsRyv lWrite;
        ASSERT_TRUE(Write(lScene, lWrite, lFlavour));
        if (lFlavour == KWriterRyv::kAscii60) {
            const std::string lText = TempFolder::Read(mName);
            std::size_t lRecords = 0;
            for (std::size_t lAt = lText.find("FrameRate: 14,"); lAt != std::string::npos;
                 lAt = lText.find("FrameRate: 14,", lAt + 1)) {
                ++lRecords;
            }
            EXPECT_EQ(lRecords, 2u);
        }
        KStreamOptionsRyv lRead;
        KRyvScene* lBack = Read(lRead);
        ASSERT_NE(lBack, nullptr) << mReason;
        ASSERT_NE(lBack->GetTakeInfo("Take 001"), nullptr);
        EXPECT_EQ(lBack->GetTakeInfo("Take 001")->mTimeMode, KTimeModeTable::kCustomMode);
        EXPECT_EQ(lBack->GetTakeInfo("Take 001")->mFrameRate, 200.0);
        ASSERT_NE(lBack->GetTakeInfo("Other"), nullptr);
        EXPECT_FALSE(lBack->GetTakeInfo("Other")->HasFrameRate());
        ASSERT_NE(lBack->GetTakeInfo("Fast"), nullptr);
        EXPECT_FALSE(lBack->GetTakeInfo("Fast")->HasFrameRate());
        EXPECT_NE(mMessage.find("Take frame rate not usable: Fast"), std::string::npos) << mMessage;
    }
}

} // namespace
