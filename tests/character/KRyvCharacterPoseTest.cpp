#include "character/KRyvCharacterPose.h"

#include "character/KRyvCharacter.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"

#include <gtest/gtest.h>

#include <memory>

TEST(KRyvCharacterPose, HoldsAPrivateSceneOfOneCharacter)
{
    KRyvObjectFactory lFactory;
    KRyvScene* lMain = lFactory.CreateScene();
    lMain->GetRootNode()->AddChild(lFactory.CreateNode("Hips"));
    ASSERT_EQ(lMain->AddCharacterPose("Stance"), 0);
    KRyvCharacterPose* lPose = lMain->GetCharacterPose(0);
    EXPECT_STREQ(lPose->GetName().Buffer(), "Pose::Stance");
    EXPECT_EQ(lPose->GetObjectType(), KRyvObject::kTypeCharacterPose);
    EXPECT_EQ(lPose->GetProperties(), nullptr);
    EXPECT_EQ(lFactory.GetSceneCount(), 2);

    KRyvScene* lScene = lPose->GetScene();
    ASSERT_NE(lScene, nullptr);
    EXPECT_NE(lScene, lMain);
    ASSERT_EQ(lScene->GetCharacterCount(), 1);
    EXPECT_STREQ(lScene->GetCharacter(0)->GetName().Buffer(), "Constraint::PoseCharacter");
    // Nothing but the root: the main scene's nodes stay there.
    EXPECT_EQ(lScene->GetNodeCount(), 1);
    EXPECT_EQ(lScene->GetRootNode()->GetChildCount(), 0);
    EXPECT_EQ(lScene->GetCharacterPoseCount(), 0);
    EXPECT_EQ(lMain->GetRootNode()->GetChildCount(), 1);
    EXPECT_TRUE(lFactory.DestroyScene(lMain, true));
}

TEST(KRyvCharacterPose, RemovingThePoseHandsItsSceneBack)
{
    KRyvObjectFactory lFactory;
    KRyvScene* lMain = lFactory.CreateScene();
    const int lNodes = lFactory.GetNodeCount();
    lMain->AddCharacterPose("First");
    lMain->AddCharacterPose("Second");
    EXPECT_EQ(lFactory.GetSceneCount(), 3);
    // The private scene's nodes live in the factory while the pose does.
    KRyvScene* lSecond = lMain->GetCharacterPose(1)->GetScene();
    lSecond->GetRootNode()->AddChild(lFactory.CreateNode("Hips"));
    EXPECT_EQ(lFactory.GetNodeCount(), lNodes + 5);

    lMain->RemoveCharacterPose(1);
    EXPECT_EQ(lFactory.GetSceneCount(), 2);
    EXPECT_EQ(lFactory.GetNodeCount(), lNodes + 2);
    ASSERT_EQ(lMain->GetCharacterPoseCount(), 1);
    EXPECT_STREQ(lMain->GetCharacterPose(0)->GetName().Buffer(), "Pose::First");
    lMain->RemoveCharacterPose(1);
    EXPECT_EQ(lMain->GetCharacterPoseCount(), 1);

    lMain->Clear();
    EXPECT_EQ(lMain->GetCharacterPoseCount(), 0);
    EXPECT_EQ(lFactory.GetSceneCount(), 1);
    EXPECT_EQ(lFactory.GetNodeCount(), lNodes);
    EXPECT_TRUE(lFactory.DestroyScene(lMain, true));
    EXPECT_EQ(lFactory.GetSceneCount(), 0);
    EXPECT_EQ(lFactory.GetNodeCount(), 0);
}

// The factory destroys the main scene first; its poses then hand their private scenes back to
// the list being emptied. Each private scene must go exactly once (the sanitizers watch).
TEST(KRyvCharacterPose, FactoryTeardownFreesEachPrivateSceneOnce)
{
    auto lFactory = std::make_unique<KRyvObjectFactory>();
    KRyvScene* lMain = lFactory->CreateScene();
    KRyvScene* lOther = lFactory->CreateScene();
    lMain->AddCharacterPose("A");
    lOther->AddCharacterPose("B");
    lMain->AddCharacterPose("C");
    // A pose inside a pose's scene.
    lMain->GetCharacterPose(0)->GetScene()->AddCharacterPose("Nested");
    EXPECT_EQ(lFactory->GetSceneCount(), 6);
    lFactory->DestroyAll();
    EXPECT_EQ(lFactory->GetSceneCount(), 0);
    EXPECT_EQ(lFactory->GetNodeCount(), 0);
    lFactory.reset();
}

TEST(KRyvCharacterPose, WithoutFactoryThereIsNoScene)
{
    KRyvCharacterPose lPose(nullptr, "Pose::Loose");
    EXPECT_EQ(lPose.GetScene(), nullptr);
    EXPECT_STREQ(lPose.GetName().Buffer(), "Pose::Loose");
}
