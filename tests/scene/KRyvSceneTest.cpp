#include "scene/KRyvScene.h"
#include "tests/support/SceneTestSupport.h"

#include "animation/KFCurve.h"
#include "animation/KFCurveKey.h"
#include "animation/KFCurveNode.h"
#include "animation/KRyvTakeNode.h"
#include "character/KRyvCharacter.h"
#include "character/KRyvCharacterPose.h"
#include "character/KRyvControlSetPlug.h"
#include "core/KDocumentInfo.h"
#include "object/KObject.h"
#include "object/KPlug.h"
#include "object/KPropertyObjectList.h"
#include "scene/KRyvGlobalCameraSettings.h"
#include "scene/KRyvGlobalLightSettings.h"
#include "scene/KRyvGlobalTimeSettings.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvNodeProperties.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvSceneEntity.h"
#include "scene/KRyvSkeleton.h"
#include "scene/objects/KLayer.h"
#include "scene/objects/KLayerElement.h"
#include "scene/objects/KRyvActor.h"
#include "scene/objects/KRyvCamera.h"
#include "scene/objects/KRyvCameraSwitcher.h"
#include "scene/objects/KRyvDeformer.h"
#include "scene/objects/KRyvGenericNode.h"
#include "scene/objects/KRyvLight.h"
#include "scene/objects/KRyvLink.h"
#include "scene/objects/KRyvMarkerSet.h"
#include "scene/objects/KRyvMaterial.h"
#include "scene/objects/KRyvMesh.h"
#include "scene/objects/KRyvPose.h"
#include "scene/objects/KRyvTexture.h"
#include "scene/objects/KRyvVideo.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The objects of the scene that WholeScene builds.
struct KWholeScene
{
    KRyvNode* mBody = nullptr;
    KRyvMesh* mMesh = nullptr;
    KRyvNode* mHips = nullptr;
    KRyvNode* mArm = nullptr;
    KRyvNode* mCamera = nullptr;
    KRyvNode* mLamp = nullptr;
    KRyvMaterial* mSkin = nullptr;
    KRyvMaterial* mCloth = nullptr;
    KRyvTexture* mTexture = nullptr;
    KRyvGenericNode* mGeneric = nullptr;
    KRyvPose* mBindPose = nullptr;
};

KMatrix TRSMatrix(const KVector4& pT, const KVector4& pR, const KVector4& pS)
{
    KMatrix lMatrix;
    lMatrix.SetTRS(pT, pR, pS);
    return lMatrix;
}

void ExpectMatrixNear(const KMatrix& pA, const KMatrix& pB)
{
    for (int lRow = 0; lRow < 4; ++lRow) {
        for (int lColumn = 0; lColumn < 4; ++lColumn) {
            EXPECT_NEAR(pA.Get(lRow, lColumn), pB.Get(lRow, lColumn), 1e-9);
        }
    }
}

class KRyvSceneTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        if (mScene) {
            EXPECT_TRUE(mFactory.DestroyScene(mScene, true));
        }
    }

    KRyvNode* AddNode(const char* pName, KRyvNode* pParent = nullptr)
    {
        KRyvNode* lNode = mFactory.CreateNode(pName);
        EXPECT_TRUE((pParent ? pParent : mScene->GetRootNode())->AddChild(lNode));
        return lNode;
    }

    // A mesh with two materials and a texture, a skeleton of two bones skinning it, a camera,
    // a light, a generic node, a character, a character pose and a bind pose.
    KWholeScene WholeScene()
    {
        KWholeScene lScene;
        lScene.mBody = AddNode("Body");
        lScene.mMesh = mFactory.CreateMesh();
        lScene.mMesh->InitControlPoints(4);
        lScene.mBody->SetNodeAttribute(lScene.mMesh);
        lScene.mSkin = mFactory.CreateMaterial("SkinTone");
        lScene.mCloth = mFactory.CreateMaterial("Cloth");
        lScene.mTexture = mFactory.CreateTexture("Checker");
        lScene.mTexture->SetFileName("/maps/checker.png");
        lScene.mTexture->SetRelativeFileName("maps/checker.png");
        EXPECT_EQ(lScene.mMesh->AddMaterial(lScene.mSkin), 0);
        EXPECT_EQ(lScene.mMesh->AddMaterial(lScene.mCloth), 1);
        EXPECT_EQ(lScene.mMesh->AddTexture(lScene.mTexture), 0);

        lScene.mHips = AddNode("Hips");
        lScene.mHips->SetNodeAttribute(mFactory.CreateSkeleton());
        lScene.mArm = AddNode("Arm", lScene.mHips);
        lScene.mArm->SetNodeAttribute(mFactory.CreateSkeleton());
        KRyvLink* lLink = mFactory.CreateLink();
        lLink->SetLink(lScene.mArm);
        lLink->SetAssociateModel(lScene.mHips);
        lLink->AddControlPointIndex(1, 0.75);
        lLink->AddControlPointIndex(3, 0.25);
        lScene.mMesh->AddLink(lLink);

        lScene.mCamera = AddNode("Cam");
        lScene.mCamera->SetNodeAttribute(mFactory.CreateCamera());
        lScene.mLamp = AddNode("Lamp");
        lScene.mLamp->SetNodeAttribute(mFactory.CreateLight());

        mScene->ConnectLayerMaterials();
        mScene->ConnectLayerTextures();

        lScene.mGeneric = mFactory.CreateGenericNode("Extra");
        lScene.mGeneric->SetSceneEntity(mScene->GetSceneEntity());

        EXPECT_EQ(mScene->AddCharacter("Hero"), 0);
        EXPECT_EQ(mScene->AddCharacterPose("Stance"), 0);
        EXPECT_EQ(mScene->AddMarkerSet("Markers"), 0);
        EXPECT_EQ(mScene->AddActor("Performer"), 0);
        EXPECT_EQ(mScene->AddControlSetPlug("Rig"), 0);
        lScene.mBindPose = mFactory.CreatePose("Bind", 1);
        EXPECT_TRUE(mScene->AddPose(lScene.mBindPose));
        return lScene;
    }

    // Every take container SetCurrentTake reaches, in its order.
    std::vector<KRyvTakeNodeContainer*> TakeContainers()
    {
        std::vector<KRyvTakeNodeContainer*> lContainers{mScene->GetCameraSwitcher()};
        KRyvSceneEntity* lContent = mScene->GetSceneEntity();
        for (int i = 0; i < lContent->GetNodeCount(); ++i) {
            lContainers.push_back(lContent->GetNode(i));
        }
        for (int i = 0; i < lContent->GetTextureCount(); ++i) {
            lContainers.push_back(lContent->GetTexture(i));
        }
        for (int i = 0; i < lContent->GetMaterialCount(); ++i) {
            lContainers.push_back(lContent->GetMaterial(i));
        }
        for (int i = 0; i < lContent->GetGenericNodeCount(); ++i) {
            lContainers.push_back(lContent->GetGenericNode(i));
        }
        return lContainers;
    }

    KRyvObjectFactory mFactory;
    KRyvScene* mScene = mFactory.CreateScene();
};

std::vector<std::string> Texts(const std::vector<KString>& pNames)
{
    std::vector<std::string> lTexts;
    for (const KString& lName : pNames) {
        lTexts.emplace_back(lName.Buffer());
    }
    return lTexts;
}

} // namespace

TEST_F(KRyvSceneTest, NewSceneHoldsRootAndCameraSwitcher)
{
    ASSERT_NE(mScene, nullptr);
    ASSERT_NE(mScene->GetRootNode(), nullptr);
    EXPECT_STREQ(mScene->GetRootNode()->GetName().Buffer(), "Model::RootNode");
    KRyvNode* lSwitcher = mScene->GetCameraSwitcher();
    ASSERT_NE(lSwitcher, nullptr);
    EXPECT_STREQ(lSwitcher->GetName().Buffer(), "Model::Camera Switcher");
    EXPECT_FALSE(lSwitcher->GetVisibility());
    EXPECT_EQ(lSwitcher->GetShadingMode(), 1);
    EXPECT_EQ(lSwitcher->GetNodeAttribute(), mScene->GetCameraSwitcherAttribute());
    EXPECT_EQ(lSwitcher->GetNodeAttribute()->GetAttributeType(),
              KRyvNodeAttribute::eCameraSwitcher);
    // The switcher is no node of the content.
    EXPECT_EQ(mScene->GetNodeCount(), 1);
    EXPECT_EQ(mScene->GetNode(0), mScene->GetRootNode());
    EXPECT_EQ(lSwitcher->GetScene(), nullptr);

    std::vector<KString> lNames{KString("stale")};
    mScene->FillTakeNameList(lNames);
    EXPECT_EQ(Texts(lNames), std::vector<std::string>{"Default"});
    EXPECT_STREQ(mScene->GetCurrentTakeName(), "");
    EXPECT_EQ(mScene->GetDocumentInfo(), nullptr);
    EXPECT_STREQ(mScene->GetGlobalCameraSettings().GetDefaultCamera(), "Producer Perspective");
    EXPECT_EQ(mScene->GetGlobalTimeSettings().GetTimeMode(), 6);
}

TEST_F(KRyvSceneTest, OwnedObjectsUnderTheirPrefixes)
{
    EXPECT_EQ(mScene->AddMarkerSet("Markers"), 0);
    EXPECT_EQ(mScene->AddMarkerSet("Set::Other"), 1);
    EXPECT_EQ(mScene->AddActor("Performer"), 0);
    EXPECT_EQ(mScene->AddCharacter("Hero"), 0);
    EXPECT_EQ(mScene->AddControlSetPlug("Rig"), 0);
    EXPECT_EQ(mScene->AddCharacterPose(""), 0);
    EXPECT_STREQ(mScene->GetMarkerSet(0)->GetName().Buffer(), "MarkerSet::Markers");
    EXPECT_STREQ(mScene->GetMarkerSet(1)->GetName().Buffer(), "MarkerSet::Other");
    EXPECT_STREQ(mScene->GetActor(0)->GetName().Buffer(), "Constraint::Performer");
    EXPECT_STREQ(mScene->GetCharacter(0)->GetName().Buffer(), "Constraint::Hero");
    EXPECT_STREQ(mScene->GetControlSetPlug(0)->GetName().Buffer(), "ControlSetPlug::Rig");
    EXPECT_STREQ(mScene->GetCharacterPose(0)->GetName().Buffer(), "Pose::Name");
    EXPECT_EQ(mScene->GetCharacterPose(0)->GetObjectFactory(), &mFactory);
    // Out of range: null, and no error.
    EXPECT_EQ(mScene->GetNode(-1), nullptr);
    EXPECT_EQ(mScene->GetNode(1), nullptr);
    EXPECT_EQ(mScene->GetMarkerSet(2), nullptr);
    EXPECT_EQ(mScene->GetActor(-1), nullptr);
    EXPECT_EQ(mScene->GetCharacter(1), nullptr);
    EXPECT_EQ(mScene->GetControlSetPlug(1), nullptr);
    EXPECT_EQ(mScene->GetCharacterPose(1), nullptr);
    EXPECT_EQ(mScene->GetPose(0), nullptr);
    mScene->RemoveCharacterPose(1);
    mScene->RemoveCharacterPose(-1);
    EXPECT_EQ(mScene->GetCharacterPoseCount(), 1);
    mScene->RemoveCharacterPose(0);
    EXPECT_EQ(mScene->GetCharacterPoseCount(), 0);
    EXPECT_EQ(mScene->GetError().GetLastErrorID(), -1);
}

TEST_F(KRyvSceneTest, PosesAreListedOnceAndDropOutWhenDestroyed)
{
    KRyvPose* lGone = mFactory.CreatePose("Gone", 1);
    KRyvPose* lKept = mFactory.CreatePose("Kept", 1);
    ASSERT_TRUE(mScene->AddPose(lGone));
    EXPECT_FALSE(mScene->AddPose(lGone));
    EXPECT_FALSE(mScene->AddPose(nullptr));
    ASSERT_TRUE(mScene->AddPose(lKept));
    EXPECT_EQ(mScene->GetPose(1), lKept);
    EXPECT_TRUE(mFactory.DestroyPose(lGone));
    ASSERT_EQ(mScene->GetPoseCount(), 1);
    EXPECT_EQ(mScene->GetPose(0), lKept);
    // The remaining bind pose no longer consults the dead one.
    EXPECT_EQ(lKept->Add("Model::Arm", KMatrix()), 0);
}

// A pose another factory made, and one the scene's factory destroys among others, drop out
// however often the list was read before.
TEST_F(KRyvSceneTest, ForeignAndLaterDestroyedPosesDropOutToo)
{
    KRyvObjectFactory lOther;
    KRyvPose* const lForeign = lOther.CreatePose("Foreign", 1);
    KRyvPose* const lOwn = mFactory.CreatePose("Own", 1);
    KRyvPose* const lLater = mFactory.CreatePose("Later", 1);
    for (KRyvPose* lPose : {lForeign, lOwn, lLater}) {
        ASSERT_TRUE(mScene->AddPose(lPose));
    }
    for (int lRead = 0; lRead < 3; ++lRead) {
        ASSERT_EQ(mScene->GetPoseCount(), 3);
        EXPECT_EQ(mScene->GetPose(2), lLater);
    }
    EXPECT_TRUE(lOther.DestroyPose(lForeign));
    ASSERT_EQ(mScene->GetPoseCount(), 2);
    EXPECT_EQ(mScene->GetPose(0), lOwn);
    mFactory.DestroyPose(mFactory.CreatePose("Unlisted", 1));
    EXPECT_EQ(mScene->GetPoseCount(), 2);
    EXPECT_TRUE(mFactory.DestroyPose(lOwn));
    EXPECT_EQ(mScene->GetPose(0), lLater);
    EXPECT_EQ(mScene->GetPose(1), nullptr);
}

TEST(KRyvSceneWithoutFactory, HasNeitherRootNorSwitcherAndStaysSafe)
{
    KRyvScene lScene(nullptr);
    EXPECT_EQ(lScene.GetRootNode(), nullptr);
    EXPECT_EQ(lScene.GetCameraSwitcher(), nullptr);
    EXPECT_EQ(lScene.GetNodeCount(), 0);
    EXPECT_EQ(lScene.AddCharacter("Hero"), 0);
    EXPECT_TRUE(lScene.SetCurrentTake("Default"));
    std::vector<KString> lNames;
    lScene.FillTakeNameList(lNames);
    EXPECT_TRUE(lNames.empty());
    lScene.BuildSkinDeformers();
    lScene.BuildLinksFromClusters();
    lScene.CreateTextureVideos();
    lScene.Clear();
    EXPECT_EQ(lScene.GetCharacterCount(), 0);
}

TEST_F(KRyvSceneTest, BindPosesAgreeAcrossTheScenesOfAFactory)
{
    KRyvScene* lOther = mFactory.CreateScene();
    KRyvPose* lFirst = mFactory.CreatePose("First", 1);
    KRyvPose* lSecond = mFactory.CreatePose("Second", 1);
    KRyvPose* lRest = mFactory.CreatePose("Rest", 0);
    ASSERT_TRUE(mScene->AddPose(lFirst));
    ASSERT_TRUE(lOther->AddPose(lSecond));
    ASSERT_TRUE(lOther->AddPose(lRest));
    const KMatrix lBind =
        TRSMatrix(KVector4(1.0, 2.0, 3.0), KVector4(0.0, 45.0, 0.0), KVector4(1.0, 1.0, 1.0));
    const KMatrix lOtherBind(KVector4(5.0, 0.0, 0.0));
    EXPECT_EQ(lFirst->Add("Model::Arm", lBind), 0);
    // The bind pose of the other scene sees the first one; a rest pose does not care.
    EXPECT_EQ(lSecond->Add("Model::Arm", lOtherBind), -1);
    EXPECT_EQ(lSecond->Add("Model::Arm", lBind), 0);
    EXPECT_EQ(lRest->Add("Model::Arm", lOtherBind), 0);
    // Once the other scene is gone its pose no longer binds.
    EXPECT_TRUE(mFactory.DestroyScene(lOther, true));
    EXPECT_EQ(lFirst->Add("Model::Leg", lOtherBind), 1);
}

TEST_F(KRyvSceneTest, DocumentInformationGoesBackToTheFactory)
{
    mScene->SetDocumentInfo(mFactory.CreateDocumentInfo());
    mScene->SetDocumentInfo(mFactory.CreateDocumentInfo());
    EXPECT_EQ(mFactory.GetDocumentInfoCount(), 1);
    mScene->SetDocumentInfo(mScene->GetDocumentInfo());
    EXPECT_EQ(mFactory.GetDocumentInfoCount(), 1);
    EXPECT_TRUE(mFactory.DestroyScene(mScene, true));
    mScene = nullptr;
    EXPECT_EQ(mFactory.GetDocumentInfoCount(), 0);
}

// ---------------------------------------------------------------------------------------------
// Takes

TEST_F(KRyvSceneTest, SetCurrentTakeReachesEveryObject)
{
    const KWholeScene lWhole = WholeScene();
    const std::vector<KRyvTakeNodeContainer*> lContainers = TakeContainers();
    // Switcher, root, five nodes, one texture, two materials, one generic node.
    ASSERT_EQ(lContainers.size(), 11u);
    for (KRyvTakeNodeContainer* lContainer : lContainers) {
        ASSERT_NE(lContainer->AddTakeNode("Run"), nullptr);
        EXPECT_STREQ(lContainer->GetCurrentTakeNodeName(), "Default");
    }
    EXPECT_TRUE(mScene->SetCurrentTake("Run"));
    EXPECT_STREQ(mScene->GetCurrentTakeName(), "Run");
    for (KRyvTakeNodeContainer* lContainer : lContainers) {
        EXPECT_STREQ(lContainer->GetCurrentTakeNodeName(), "Run") << lContainer->GetName().Buffer();
    }
    EXPECT_STREQ(lWhole.mGeneric->GetCurrentTakeNodeName(), "Run");
    EXPECT_STREQ(lWhole.mCloth->GetCurrentTakeNodeName(), "Run");
    EXPECT_TRUE(mScene->SetCurrentTake("Default"));
    EXPECT_STREQ(lWhole.mTexture->GetCurrentTakeNodeName(), "Default");
}

// A switch of the scene's take drops the matrices every node cached for the former take, down
// to the foot of a long chain whose top alone moves in the new take; and back.
TEST_F(KRyvSceneTest, SetCurrentTakeDropsTheCachedMatricesOfEveryNode)
{
    constexpr int kLength = 30;
    KRyvNode* lTop = AddNode("Top");
    KRyvNode* lFoot = lTop;
    for (int i = 1; i < kLength; ++i) {
        lFoot = AddNode(("Link" + std::to_string(i)).c_str(), lFoot);
    }
    for (KRyvTakeNodeContainer* lContainer : TakeContainers()) {
        ASSERT_NE(lContainer->AddTakeNode("Run"), nullptr);
    }
    KFCurve* lRamp = KFCurve::Create();
    lRamp->KeyAdd(Seconds(0.0), 0.0f);
    lRamp->KeyAdd(Seconds(4.0), 8.0f);
    lRamp->KeySetInterpolation(0, KFCurveKey::kInterpolationLinear);
    KFCurveNode* lX = lTop->GetTakeNode(1)
                          ->GetKFCurveNode()
                          ->FindChild("Transform")
                          ->FindChild("T")
                          ->FindChild("X");
    ASSERT_EQ(lX->SetCurve(lRamp), nullptr);
    const auto lFootX = [&] { return lFoot->GetGlobalMatrixAtTime(Seconds(1.0)).Get(3, 0); };
    EXPECT_EQ(lFootX(), 0.0);
    EXPECT_TRUE(mScene->SetCurrentTake("Run"));
    EXPECT_NEAR(lFootX(), 2.0, 1e-5);
    EXPECT_TRUE(mScene->SetCurrentTake("Default"));
    EXPECT_EQ(lFootX(), 0.0);
}

TEST_F(KRyvSceneTest, SetCurrentTakeReportsAnObjectWithoutTheTake)
{
    const KWholeScene lWhole = WholeScene();
    for (KRyvTakeNodeContainer* lContainer : TakeContainers()) {
        if (lContainer != lWhole.mLamp) {
            lContainer->AddTakeNode("Walk");
        }
    }
    EXPECT_FALSE(mScene->SetCurrentTake("Walk"));
    EXPECT_EQ(mScene->GetError().GetLastErrorID(), KRyvScene::kTakeError);
    EXPECT_STREQ(mScene->GetError().GetLastErrorString().Buffer(),
                 "Not all nodes have a take node called Walk");
    EXPECT_STREQ(mScene->GetCurrentTakeName(), "Walk");
    // Objects after the one that failed were still asked.
    EXPECT_STREQ(lWhole.mLamp->GetCurrentTakeNodeName(), "Default");
    EXPECT_STREQ(mScene->GetCameraSwitcher()->GetCurrentTakeNodeName(), "Walk");
    EXPECT_STREQ(lWhole.mTexture->GetCurrentTakeNodeName(), "Walk");
    EXPECT_STREQ(lWhole.mGeneric->GetCurrentTakeNodeName(), "Walk");
}

TEST_F(KRyvSceneTest, TakeNamesAreDistinctInWalkOrder)
{
    const KWholeScene lWhole = WholeScene();
    lWhole.mGeneric->AddTakeNode("Z");
    lWhole.mCloth->AddTakeNode("Y");
    lWhole.mTexture->AddTakeNode("X");
    lWhole.mTexture->AddTakeNode("y");
    lWhole.mArm->AddTakeNode("Y");
    mScene->GetCameraSwitcher()->AddTakeNode("W");
    std::vector<KString> lNames;
    mScene->FillTakeNameList(lNames);
    EXPECT_EQ(Texts(lNames), (std::vector<std::string>{"Default", "W", "Y", "X", "y", "Z"}));
    EXPECT_TRUE(mScene->HasTake("y"));
    EXPECT_FALSE(mScene->HasTake("w"));
    EXPECT_FALSE(mScene->HasTake(nullptr));
}

TEST_F(KRyvSceneTest, TakeInfoOnlyForKnownTakesReplacedByName)
{
    mScene->GetRootNode()->AddTakeNode("Jump");
    KTakeInfo lInfo;
    lInfo.mName = "Unknown";
    EXPECT_FALSE(mScene->SetTakeInfo(lInfo));
    EXPECT_EQ(mScene->GetTakeInfo("Unknown"), nullptr);

    lInfo.mName = "Jump";
    lInfo.mDescription = "first";
    EXPECT_TRUE(mScene->SetTakeInfo(lInfo));
    lInfo.mDescription = "second";
    lInfo.mLocalStop = KTime(1000);
    EXPECT_TRUE(mScene->SetTakeInfo(lInfo));
    KTakeInfo* lStored = mScene->GetTakeInfo("Jump");
    ASSERT_NE(lStored, nullptr);
    EXPECT_STREQ(lStored->mDescription.Buffer(), "second");
    EXPECT_EQ(lStored->mLocalStop, KTime(1000));
    EXPECT_EQ(mScene->GetTakeInfo("jump"), nullptr);
    EXPECT_EQ(mScene->GetTakeInfo(nullptr), nullptr);

    // A take of the camera switcher alone counts too.
    mScene->GetCameraSwitcher()->AddTakeNode("Cut");
    lInfo.mName = "Cut";
    EXPECT_TRUE(mScene->SetTakeInfo(lInfo));
    EXPECT_NE(mScene->GetTakeInfo("Cut"), lStored);
    EXPECT_EQ(mScene->GetTakeInfo("Jump"), lStored);
}

// ---------------------------------------------------------------------------------------------
// Skins

TEST_F(KRyvSceneTest, SkinsBecomeDeformersAndComeBackAsTheSameLinks)
{
    const KWholeScene lWhole = WholeScene();
    KRyvNode* lBody2 = AddNode("Body2");
    KRyvMesh* lMesh2 = mFactory.CreateMesh();
    lBody2->SetNodeAttribute(lMesh2);
    // Two links of the second geometry to the same bone; one link without a node.
    const KMatrix lTransform =
        TRSMatrix(KVector4(1.0, 2.0, 3.0), KVector4(10.0, 20.0, 30.0), KVector4(1.0, 2.0, 1.0));
    const KMatrix lLinkTransform =
        TRSMatrix(KVector4(-4.0, 0.5, 0.0), KVector4(0.0, 90.0, 0.0), KVector4(1.0, 1.0, 1.0));
    for (int i = 0; i < 2; ++i) {
        KRyvLink* lLink = mFactory.CreateLink();
        lLink->SetLink(lWhole.mArm);
        lLink->SetLinkMode(KRyvLink::eTotal1);
        lLink->SetUserData("Id", i == 0 ? "first" : "second");
        lLink->AddControlPointIndex(i, 0.5);
        lLink->SetTransformMatrix(lTransform);
        lLink->SetTransformLinkMatrix(lLinkTransform);
        lMesh2->AddLink(lLink);
    }
    lMesh2->AddLink(mFactory.CreateLink());

    mScene->BuildSkinDeformers();
    KRyvSceneEntity* lContent = mScene->GetSceneEntity();
    EXPECT_EQ(lContent->GetDeformerCount(KRyvSceneEntity::eSkinDeformers), 2);
    EXPECT_EQ(lContent->GetDeformerCount(KRyvSceneEntity::eClusterDeformers), 3);
    EXPECT_NE(lContent->FindDeformer("Deformer::Skin Body"), nullptr);
    EXPECT_NE(lContent->FindDeformer("Deformer::Skin Body2"), nullptr);
    EXPECT_NE(lContent->FindDeformer("SubDeformer::Cluster Arm"), nullptr);
    EXPECT_NE(lContent->FindDeformer("SubDeformer::Cluster Arm 1"), nullptr);
    EXPECT_NE(lContent->FindDeformer("SubDeformer::Cluster Arm 2"), nullptr);
    // The skins hang on their nodes, not in the hierarchy.
    EXPECT_EQ(lWhole.mBody->GetChildCount(), 0);
    EXPECT_EQ(lWhole.mArm->GetParent(), lWhole.mHips);

    // Drop the links, read them back from the deformers.
    for (KRyvMesh* lMesh : {lWhole.mMesh, lMesh2}) {
        std::vector<KRyvLink*> lOld;
        for (int i = 0; i < lMesh->GetLinkCount(); ++i) {
            lOld.push_back(lMesh->GetLink(i));
        }
        lMesh->RemoveAllLinks();
        for (KRyvLink* lLink : lOld) {
            EXPECT_TRUE(mFactory.DestroyLink(lLink));
        }
    }
    mScene->BuildLinksFromClusters();

    ASSERT_EQ(lWhole.mMesh->GetLinkCount(), 1);
    KRyvLink* lBack = lWhole.mMesh->GetLink(0);
    EXPECT_EQ(lBack->GetLink(), lWhole.mArm);
    EXPECT_EQ(lBack->GetAssociateModel(), lWhole.mHips);
    EXPECT_EQ(lBack->GetControlPointIndexArray(), (std::vector<int>{1, 3}));
    EXPECT_EQ(lBack->GetControlPointWeightArray(), (std::vector<double>{0.75, 0.25}));

    ASSERT_EQ(lMesh2->GetLinkCount(), 2);
    for (int i = 0; i < 2; ++i) {
        KRyvLink* lLink = lMesh2->GetLink(i);
        EXPECT_EQ(lLink->GetLink(), lWhole.mArm);
        EXPECT_EQ(lLink->GetAssociateModel(), nullptr);
        EXPECT_EQ(lLink->GetLinkMode(), KRyvLink::eTotal1);
        EXPECT_STREQ(lLink->GetUserData().Buffer(), i == 0 ? "first" : "second");
        EXPECT_EQ(lLink->GetControlPointIndexArray(), std::vector<int>{i});
        KMatrix lMatrix;
        ExpectMatrixNear(lLink->GetTransformMatrix(lMatrix), lTransform);
        ExpectMatrixNear(lLink->GetTransformLinkMatrix(lMatrix), lLinkTransform);
    }
}

TEST_F(KRyvSceneTest, LinksAreReadFromClustersConnectedDirectly)
{
    KRyvNode* lBody = AddNode("Body");
    KRyvMesh* lMesh = mFactory.CreateMesh();
    lBody->SetNodeAttribute(lMesh);
    KRyvNode* lBone = AddNode("Bone");
    KRyvDeformer* lCluster = mFactory.CreateDeformer("Cluster Bone", "Cluster");
    lCluster->GetControlPointIndexArray() = {2};
    lCluster->GetControlPointWeightArray() = {1.0};
    ASSERT_TRUE(lCluster->GetProperties()->ConnectSrc(lBone->GetProperties()));
    ASSERT_TRUE(lBody->GetProperties()->ConnectSrc(lCluster->GetProperties()));
    // A skin holding the same cluster gives it no second link.
    KRyvDeformer* lSkin = mFactory.CreateDeformer("Skin Body", "Skin");
    ASSERT_TRUE(lSkin->GetProperties()->ConnectSrc(lCluster->GetProperties()));
    ASSERT_TRUE(lBody->GetProperties()->ConnectSrc(lSkin->GetProperties()));

    mScene->BuildLinksFromClusters();
    ASSERT_EQ(lMesh->GetLinkCount(), 1);
    EXPECT_EQ(lMesh->GetLink(0)->GetLink(), lBone);
    EXPECT_EQ(lMesh->GetLink(0)->GetControlPointIndexArray(), std::vector<int>{2});
}

TEST_F(KRyvSceneTest, RemoveAllDeformersDestroysEachOnceWhateverItsCount)
{
    KRyvSceneEntity* lContent = mScene->GetSceneEntity();
    KRyvDeformer* lSkin = mFactory.CreateDeformer("Skin A", "Skin");
    KRyvDeformer* lCluster = mFactory.CreateDeformer("Cluster A", "Cluster");
    KRyvDeformer* lShared = mFactory.CreateDeformer("Cluster B", "Cluster");
    ASSERT_TRUE(lContent->AddDeformer(lSkin));
    ASSERT_TRUE(lContent->AddDeformer(lShared));
    ASSERT_TRUE(lContent->AddDeformer(lCluster));
    ASSERT_TRUE(lContent->AddDeformer(lShared));
    ASSERT_TRUE(lContent->AddDeformer(lSkin));
    mScene->RemoveAllDeformers();
    EXPECT_EQ(lContent->GetDeformerCount(), 0);
    EXPECT_EQ(mFactory.GetDeformerCount(), 0);
}

TEST_F(KRyvSceneTest, WritingTwiceNeedsTheDeformersRemovedFirst)
{
    const KWholeScene lWhole = WholeScene();
    KRyvSceneEntity* lContent = mScene->GetSceneEntity();
    mScene->BuildSkinDeformers();
    mScene->RemoveAllDeformers();
    mScene->BuildSkinDeformers();
    EXPECT_EQ(lContent->GetDeformerCount(), 2);
    EXPECT_NE(lContent->FindDeformer("SubDeformer::Cluster Arm"), nullptr);
    EXPECT_EQ(lContent->FindDeformer("SubDeformer::Cluster Arm 1"), nullptr);
    EXPECT_EQ(lWhole.mMesh->GetLinkCount(), 1);
}

// ---------------------------------------------------------------------------------------------
// Layers

TEST_F(KRyvSceneTest, LayerMaterialsAndTexturesRoundTripInBothModes)
{
    const KWholeScene lWhole = WholeScene();
    KRyvMaterial* lExtra = mFactory.CreateMaterial("Extra");
    // Layer 1: materials by IndexToDirect, with indices that name nothing.
    ASSERT_EQ(lWhole.mMesh->AddMaterial(lExtra, 1), 0);
    ASSERT_EQ(lWhole.mMesh->AddMaterial(lWhole.mSkin, 1), 1);
    KLayerElementMaterial* lIndexed = lWhole.mMesh->GetLayer(1)->GetMaterials();
    lIndexed->SetReferenceMode(KLayerElement::eIndexToDirect);
    lIndexed->GetIndexArray() = {1, 0, -7, 2, 1};
    KLayerElementMaterial* lDirect = lWhole.mMesh->GetLayer(0)->GetMaterials();
    ASSERT_EQ(lDirect->GetReferenceMode(), KLayerElement::eDirect);
    KLayerElementTexture* lTextures = lWhole.mMesh->GetLayer(0)->GetTextures();
    lTextures->GetIndexArray() = {0, 0, 5};

    // The root is one of the nodes too.
    KRyvMesh* lRootMesh = mFactory.CreateMesh();
    ASSERT_EQ(lRootMesh->AddMaterial(lExtra), 0);
    mScene->GetRootNode()->SetNodeAttribute(lRootMesh);

    KString lMessage;
    mScene->ConnectLayerMaterials(&lMessage);
    mScene->ConnectLayerTextures(&lMessage);
    EXPECT_STREQ(lMessage.Buffer(), "");
    EXPECT_EQ(KRyvScene::GetConnectionCount(mScene->GetRootNode()->GetProperties(),
                                            KRyvMaterialProperties::ClassId()),
              1);
    EXPECT_EQ(lIndexed->GetIndexArray(), (std::vector<int>{1, 0, -1, -1, 1}));
    EXPECT_EQ(lTextures->GetIndexArray(), (std::vector<int>{0, 0, -1}));
    // Each material once, in the order first met: layer 0, then layer 1.
    KObject* lBlock = lWhole.mBody->GetProperties();
    const int lMaterialClass = KRyvMaterialProperties::ClassId();
    ASSERT_EQ(KRyvScene::GetConnectionCount(lBlock, lMaterialClass), 3);
    EXPECT_EQ(KRyvScene::GetConnectedObject(lBlock, 2, lMaterialClass).Get(),
              lExtra->GetProperties());

    // Reading back: connection positions in the index array, empty direct arrays.
    lDirect->GetDirectArray().clear();
    lIndexed->GetDirectArray().clear();
    lIndexed->GetIndexArray() = {2, 0, -1, 9, 2};
    lTextures->GetDirectArray().clear();
    lTextures->GetIndexArray() = {0, 0, 1};
    mScene->FillLayerMaterials();
    mScene->FillLayerTextures();
    EXPECT_EQ(lDirect->GetDirectArray(),
              (std::vector<KRyvMaterial*>{lWhole.mSkin, lWhole.mCloth, lExtra}));
    EXPECT_EQ(lIndexed->GetDirectArray(), (std::vector<KRyvMaterial*>{lWhole.mSkin, lExtra}));
    EXPECT_EQ(lIndexed->GetIndexArray(), (std::vector<int>{1, 0, -1, -1, 1}));
    EXPECT_EQ(lTextures->GetDirectArray(), std::vector<KRyvTexture*>{lWhole.mTexture});
    EXPECT_EQ(lTextures->GetIndexArray(), (std::vector<int>{0, 0, -1}));
}

TEST_F(KRyvSceneTest, FillKeepsIndicesApartWhenTheDirectArrayIsNotEmpty)
{
    const KWholeScene lWhole = WholeScene();
    KLayerElementMaterial* lElement = lWhole.mMesh->GetLayer(0)->GetMaterials();
    lElement->SetReferenceMode(KLayerElement::eIndexToDirect);
    KRyvMaterial* lFirst = mFactory.CreateMaterial("First");
    lElement->GetDirectArray() = {lFirst};
    lElement->GetIndexArray() = {0, 1};
    mScene->FillLayerMaterials();
    EXPECT_EQ(lElement->GetDirectArray(),
              (std::vector<KRyvMaterial*>{lFirst, lWhole.mSkin, lWhole.mCloth}));
    EXPECT_EQ(lElement->GetIndexArray(), (std::vector<int>{1, 2}));
}

TEST_F(KRyvSceneTest, EmptyLayerEntriesAreSkippedWithAWarning)
{
    const KWholeScene lWhole = WholeScene();
    lWhole.mMesh->GetLayer(0)->GetMaterials()->GetDirectArray().push_back(nullptr);
    lWhole.mMesh->GetLayer(0)->GetTextures()->GetDirectArray().insert(
        lWhole.mMesh->GetLayer(0)->GetTextures()->GetDirectArray().begin(), nullptr);
    KString lMessage;
    mScene->ConnectLayerMaterials(&lMessage);
    mScene->ConnectLayerTextures(&lMessage);
    mScene->ConnectLayerTextures();
    EXPECT_STREQ(lMessage.Buffer(), "Model::Body: layer 0: empty material entry 2 skipped\n"
                                    "Model::Body: layer 0: empty texture entry 0 skipped\n");
    KObject* lBlock = lWhole.mBody->GetProperties();
    EXPECT_EQ(KRyvScene::GetConnectionCount(lBlock, KRyvMaterialProperties::ClassId()), 2);
    EXPECT_EQ(KRyvScene::GetConnectionCount(lBlock, KRyvTextureProperties::ClassId()), 1);
}

TEST_F(KRyvSceneTest, TexturesWithoutClipGetOne)
{
    const KWholeScene lWhole = WholeScene();
    KRyvTexture* lNamed = mFactory.CreateTexture("Named");
    lNamed->SetMediaName("Media");
    lNamed->SetFileName("/maps/named.png");
    KRyvTexture* lClipped = mFactory.CreateTexture("Clipped");
    KRyvVideo* lClip = mFactory.CreateVideo("Clip");
    ASSERT_TRUE(lClipped->GetProperties()->ConnectSrc(lClip->GetProperties()));
    KRyvSceneEntity* lContent = mScene->GetSceneEntity();
    ASSERT_TRUE(lContent->AddTexture(lNamed));
    ASSERT_TRUE(lContent->AddTexture(lClipped));

    mScene->CreateTextureVideos();
    EXPECT_EQ(mFactory.GetVideoCount(), 3);
    KRyvVideo* lChecker = lWhole.mTexture->GetVideo();
    ASSERT_NE(lChecker, nullptr);
    EXPECT_STREQ(lChecker->GetName().Buffer(), "Video::Checker");
    EXPECT_STREQ(lChecker->GetFileName(), "/maps/checker.png");
    EXPECT_STREQ(lChecker->GetRelativeFileName(), "maps/checker.png");
    // The clip reached the content through the textured node.
    EXPECT_EQ(lContent->FindVideo("Video::Checker"), lChecker);
    ASSERT_NE(lNamed->GetVideo(), nullptr);
    EXPECT_STREQ(lNamed->GetVideo()->GetName().Buffer(), "Video::Media");
    EXPECT_STREQ(lNamed->GetVideo()->GetFileName(), "/maps/named.png");
    EXPECT_EQ(lClipped->GetVideo(), lClip);
    mScene->CreateTextureVideos();
    EXPECT_EQ(mFactory.GetVideoCount(), 3);
}

// ---------------------------------------------------------------------------------------------
// Clearing and destruction

TEST_F(KRyvSceneTest, ClearReturnsToTheConstructedState)
{
    const KWholeScene lWhole = WholeScene();
    KRyvNode* lRoot = mScene->GetRootNode();
    KRyvNode* lSwitcher = mScene->GetCameraSwitcher();
    lRoot->AddTakeNode("Run");
    lSwitcher->AddTakeNode("Run");
    lSwitcher->AddTakeNode("Cut");
    lSwitcher->SetName("Renamed");
    lSwitcher->SetVisibility(true);
    lSwitcher->SetShadingMode(4);
    mScene->GetCameraSwitcherAttribute()->SetDefaultCameraIndex(3);
    mScene->SetCurrentTake("Run");
    KTakeInfo lInfo;
    lInfo.mName = "Run";
    ASSERT_TRUE(mScene->SetTakeInfo(lInfo));
    mScene->SetDocumentInfo(mFactory.CreateDocumentInfo());
    mScene->GetGlobalLightSettings().SetFogEnable(true);
    mScene->GetGlobalTimeSettings().SetTimeMode(11);
    mScene->GetGlobalCameraSettings().SetDefaultViewingMode(2);
    mScene->BuildSkinDeformers();
    // A generic node listed twice, one added to the content without its entity link.
    mScene->GetSceneEntity()->AddGenericNode(lWhole.mGeneric);
    mScene->GetSceneEntity()->AddGenericNode(mFactory.CreateGenericNode("Loose"));

    mScene->Clear();

    EXPECT_EQ(mScene->GetRootNode(), lRoot);
    EXPECT_EQ(lRoot->GetChildCount(), 0);
    EXPECT_EQ(lRoot->GetTakeNodeCount(), 1);
    EXPECT_EQ(mScene->GetNodeCount(), 1);
    EXPECT_EQ(mScene->GetCameraSwitcher(), lSwitcher);
    EXPECT_STREQ(lSwitcher->GetName().Buffer(), "Model::Camera Switcher");
    EXPECT_FALSE(lSwitcher->GetVisibility());
    EXPECT_EQ(lSwitcher->GetShadingMode(), 1);
    EXPECT_EQ(lSwitcher->GetTakeNodeCount(), 1);
    EXPECT_EQ(mScene->GetCameraSwitcherAttribute()->GetDefaultCameraIndex(), 0);
    EXPECT_STREQ(mScene->GetCurrentTakeName(), "");
    EXPECT_EQ(mScene->GetTakeInfo("Run"), nullptr);
    EXPECT_EQ(mScene->GetDocumentInfo(), nullptr);
    EXPECT_FALSE(mScene->GetGlobalLightSettings().GetFogEnable());
    EXPECT_EQ(mScene->GetGlobalTimeSettings().GetTimeMode(), 6);
    EXPECT_EQ(mScene->GetGlobalCameraSettings().GetDefaultViewingMode(), 0);

    EXPECT_EQ(mScene->GetMarkerSetCount(), 0);
    EXPECT_EQ(mScene->GetActorCount(), 0);
    EXPECT_EQ(mScene->GetCharacterCount(), 0);
    EXPECT_EQ(mScene->GetControlSetPlugCount(), 0);
    EXPECT_EQ(mScene->GetCharacterPoseCount(), 0);
    // Poses are unlisted, not destroyed; generic nodes and deformers are destroyed.
    EXPECT_EQ(mScene->GetPoseCount(), 0);
    EXPECT_EQ(mFactory.GetPoseCount(), 1);
    EXPECT_EQ(mFactory.GetGenericNodeCount(), 0);
    EXPECT_EQ(mFactory.GetDeformerCount(), 0);
    KRyvSceneEntity* lContent = mScene->GetSceneEntity();
    EXPECT_EQ(lContent->GetGenericNodeCount(), 0);
    EXPECT_EQ(lContent->GetDeformerCount(), 0);
    EXPECT_EQ(lContent->GetMaterialCount(), 0);
    EXPECT_EQ(lContent->GetTextureCount(), 0);
    EXPECT_EQ(lContent->GetVideoCount(), 0);
    // Nodes, attributes and links are gone; the switcher remains (the producer cameras are made
    // when first asked for, and nothing asked).
    EXPECT_EQ(mFactory.GetNodeCount(), 2);
    EXPECT_EQ(mFactory.GetLinkCount(), 0);
    EXPECT_EQ(mFactory.GetNodeAttributeCount(), 0);

    // Filled again, objects of the same names join the content anew.
    const KWholeScene lAgain = WholeScene();
    EXPECT_EQ(lContent->FindMaterial("Material::Cloth"), lAgain.mCloth);
    EXPECT_EQ(lContent->FindTexture("Texture::Checker"), lAgain.mTexture);
    EXPECT_EQ(mScene->GetCharacterCount(), 1);
    EXPECT_EQ(mScene->GetNodeCount(), 6);
}

TEST_F(KRyvSceneTest, DestroySceneLeavesNothingBehind)
{
    WholeScene();
    mScene->BuildSkinDeformers();
    mScene->CreateTextureVideos();
    const int lScenes = mFactory.GetSceneCount();
    EXPECT_TRUE(mFactory.DestroyScene(mScene, true));
    mScene = nullptr;
    EXPECT_EQ(mFactory.GetSceneCount(), lScenes - 2);
    EXPECT_EQ(mFactory.GetNodeCount(), 0);
    EXPECT_EQ(mFactory.GetNodeAttributeCount(), 0);
    EXPECT_EQ(mFactory.GetLinkCount(), 0);
    // Shared objects belong to the factory and go with it (the leak check sees to that).
}

TEST_F(KRyvSceneTest, FactoryDestroysAFilledSceneItself)
{
    auto lFactory = std::make_unique<KRyvObjectFactory>();
    KRyvScene* lScene = lFactory->CreateScene();
    KRyvNode* lNode = lFactory->CreateNode("Body");
    lScene->GetRootNode()->AddChild(lNode);
    lNode->SetNodeAttribute(lFactory->CreateMesh());
    lScene->AddCharacter("Hero");
    lScene->AddCharacterPose("Stance");
    lScene->AddCharacterPose("Crouch");
    lScene->AddPose(lFactory->CreatePose("Bind", 1));
    lScene->SetDocumentInfo(lFactory->CreateDocumentInfo());
    EXPECT_EQ(lFactory->GetSceneCount(), 3);
    lFactory.reset();
    SUCCEED();
}

// ---------------------------------------------------------------------------------------------
// Connection helpers

TEST(KRyvSceneConnections, CountAndFindByClass)
{
    KRyvObjectFactory lFactory;
    KRyvNode* lNode = lFactory.CreateNode("Body");
    KRyvMaterial* lMaterial = lFactory.CreateMaterial("Paint");
    KRyvTexture* lTexture = lFactory.CreateTexture("Wood");
    KObject* lBlock = lNode->GetProperties();
    ASSERT_TRUE(lBlock->ConnectSrc(lTexture->GetProperties()));
    ASSERT_TRUE(lBlock->ConnectSrc(lMaterial->GetProperties()));

    EXPECT_EQ(KRyvScene::GetConnectionCount(lBlock, -1), 2);
    EXPECT_EQ(KRyvScene::GetConnectionCount(lBlock, KPlug::ClassId()), 2);
    EXPECT_EQ(KRyvScene::GetConnectionCount(lBlock, KRyvMaterialProperties::ClassId()), 1);
    EXPECT_EQ(KRyvScene::GetConnectionCount(lBlock, KRyvNodeProperties::ClassId()), 0);
    EXPECT_EQ(KRyvScene::GetConnectionCount(nullptr, -1), 0);
    EXPECT_EQ(KRyvScene::GetConnectionCount(lBlock, 1000000), 0);

    const KWeakHandle lHandle =
        KRyvScene::GetConnectedObject(lBlock, 0, KRyvMaterialProperties::ClassId());
    EXPECT_EQ(lHandle.Get(), lMaterial->GetProperties());
    EXPECT_EQ(KRyvScene::GetConnectedObject(lBlock, 0, -1).Get(), lTexture->GetProperties());
    EXPECT_TRUE(KRyvScene::GetConnectedObject(lBlock, 2, -1).IsEmpty());
    EXPECT_TRUE(KRyvScene::GetConnectedObject(nullptr, 0, -1).IsEmpty());

    EXPECT_EQ(KRyvScene::AsPropertySet(lBlock), lBlock);
    EXPECT_EQ(KRyvScene::AsPropertySet(lBlock->GetProperty(0)), nullptr);
    KObject lLoose;
    EXPECT_EQ(KRyvScene::AsPropertySet(&lLoose), nullptr);
    EXPECT_EQ(KRyvScene::AsPropertySet(nullptr), nullptr);

    // A handle does not keep its object.
    EXPECT_TRUE(lFactory.DestroyMaterial(lMaterial));
    EXPECT_EQ(lHandle.Get(), nullptr);
}

// What a reader builds aside goes over whole; the camera settings find nodes of the scene
// they now belong to.
TEST(KRyvSceneSwapTest, SwapContentExchangesEverythingBetweenScenesOfOneFactory)
{
    KRyvObjectFactory lFactory;
    KRyvScene* lOld = lFactory.CreateScene();
    KRyvScene* lNew = lFactory.CreateScene();
    lOld->GetRootNode()->AddChild(lFactory.CreateNode("Old"));
    KRyvNode* lCamera = lFactory.CreateNode("Cam");
    lNew->GetRootNode()->AddChild(lCamera);
    lNew->AddCharacter("Hero");
    lNew->GetGlobalTimeSettings().SetSnapOnFrames(3);
    KRyvNode* const lNewRoot = lNew->GetRootNode();
    ASSERT_TRUE(lOld->SwapContent(*lNew));
    EXPECT_EQ(lOld->GetRootNode(), lNewRoot);
    EXPECT_STREQ(lOld->GetRootNode()->GetChild(0)->GetName().Buffer(), "Model::Cam");
    EXPECT_EQ(lOld->GetCharacterCount(), 1);
    EXPECT_EQ(lNew->GetCharacterCount(), 0);
    EXPECT_EQ(lOld->GetGlobalTimeSettings().GetSnapOnFrames(), 3);
    EXPECT_STREQ(lNew->GetRootNode()->GetChild(0)->GetName().Buffer(), "Model::Old");
    EXPECT_TRUE(lOld->GetGlobalCameraSettings().SetDefaultCamera("Cam"));
    EXPECT_FALSE(lNew->GetGlobalCameraSettings().SetDefaultCamera("Cam"));
    KRyvObjectFactory lOther;
    KRyvScene* lForeign = lOther.CreateScene();
    EXPECT_FALSE(lOld->SwapContent(*lForeign));
    EXPECT_EQ(lOld->GetRootNode(), lNewRoot);
}
