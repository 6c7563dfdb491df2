#include "scene/objects/KRyvVideo.h"

#include "tests/support/SceneTestSupport.h"

#include "animation/KFCurveNode.h"
#include "animation/KRyvTakeNode.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvSceneEntity.h"
#include "scene/objects/KRyvTexture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

// The texture draws from the clip: the clip's set becomes a source of the texture's.
bool Connect(KRyvTexture& pTexture, KRyvVideo& pVideo)
{
    return pTexture.GetProperties()->ConnectSrc(pVideo.GetProperties());
}

} // namespace

TEST(KRyvVideoTest, NewClip)
{
    auto lVideo = MakeVideo("Movie");
    EXPECT_EQ(lVideo->GetObjectType(), 5);
    EXPECT_STREQ(lVideo->GetName().Buffer(), "Video::Movie");
    EXPECT_STREQ(lVideo->GetTypeName().Buffer(), "Clip");
    KPropertyStringList lFlags = lVideo->GetTypeFlags();
    ASSERT_EQ(lFlags.GetCount(), 1);
    EXPECT_STREQ(lFlags.GetText(0).Buffer(), "Clip");
    EXPECT_TRUE(lVideo->GetOriginalFormat());
    EXPECT_FALSE(lVideo->GetUseMipMap());
    EXPECT_STREQ(lVideo->GetOriginalFileName(), "");
    EXPECT_EQ(lVideo->GetFileName(), nullptr);
    ASSERT_EQ(lVideo->GetTakeNodeCount(), 1);
    EXPECT_STREQ(lVideo->GetTakeNodeName(0), "Default");
    EXPECT_EQ(lVideo->GetDefaultTakeNode()->GetKFCurveNode()->GetCount(), 0);
}

TEST(KRyvVideoTest, FileNameIsStoredAndPassedToConnectedTextures)
{
    auto lVideo = MakeVideo("Movie");
    EXPECT_FALSE(lVideo->SetFileName(nullptr));
    EXPECT_FALSE(lVideo->SetFileName(""));
    EXPECT_EQ(lVideo->GetFileName(), nullptr);
    EXPECT_TRUE(lVideo->SetFileName("/clips/a.avi"));
    EXPECT_STREQ(lVideo->GetFileName(), "/clips/a.avi");
    KString lPath;
    ASSERT_TRUE(lVideo->GetProperties()->FindProperty("Path")->GetValue(lPath));
    EXPECT_STREQ(lPath.Buffer(), "/clips/a.avi");
    // Written through the property, the path reaches the accessor.
    ASSERT_TRUE(lVideo->GetProperties()->FindProperty("Path")->SetValue("/clips/longer-name.avi"));
    EXPECT_STREQ(lVideo->GetFileName(), "/clips/longer-name.avi");

    auto lFirst = MakeTexture("First");
    auto lSecond = MakeTexture("Second");
    ASSERT_TRUE(Connect(*lFirst, *lVideo));
    ASSERT_TRUE(Connect(*lSecond, *lVideo));
    EXPECT_EQ(lFirst->GetVideo(), lVideo.get());
    EXPECT_TRUE(lVideo->SetFileName("/clips/b.avi"));
    EXPECT_STREQ(lFirst->GetFileName(), "/clips/b.avi");
    EXPECT_STREQ(lSecond->GetFileName(), "/clips/b.avi");

    // A texture whose first source is something else never tells the clip of its own name,
    // which shows whether the clip passes on a name it already has.
    auto lThird = MakeTexture("Third");
    KObject lPlain;
    ASSERT_TRUE(lThird->GetProperties()->ConnectSrc(&lPlain));
    ASSERT_TRUE(Connect(*lThird, *lVideo));
    EXPECT_STREQ(lThird->GetFileName(), "/clips/b.avi");
    EXPECT_EQ(lThird->GetVideo(), nullptr);
    ASSERT_TRUE(lThird->SetFileName("/own.png"));
    EXPECT_STREQ(lVideo->GetFileName(), "/clips/b.avi");
    EXPECT_TRUE(lVideo->SetFileName("/clips/b.avi"));
    EXPECT_STREQ(lThird->GetFileName(), "/own.png");
    EXPECT_TRUE(lVideo->SetFileName("/clips/c.avi"));
    EXPECT_STREQ(lThird->GetFileName(), "/clips/c.avi");
    lPlain.Destruct();

    EXPECT_TRUE(lVideo->SetRelativeFileName("clips/c.avi"));
    EXPECT_STREQ(lVideo->GetRelativeFileName(), "clips/c.avi");
    EXPECT_STREQ(lSecond->GetRelativeFileName(), "clips/c.avi");
    EXPECT_FALSE(lVideo->SetRelativeFileName(""));
}

TEST(KRyvVideoTest, TextureAndClipKeepTheirNamesInStep)
{
    auto lVideo = MakeVideo("Movie");
    ASSERT_TRUE(lVideo->SetFileName("/clips/a.avi"));
    ASSERT_TRUE(lVideo->SetRelativeFileName("clips/a.avi"));
    auto lTexture = MakeTexture("Wood");
    auto lOther = MakeTexture("Other");
    ASSERT_TRUE(Connect(*lTexture, *lVideo));
    ASSERT_TRUE(Connect(*lOther, *lVideo));
    // Connecting gives the texture the clip's names and media name.
    EXPECT_STREQ(lTexture->GetFileName(), "/clips/a.avi");
    EXPECT_STREQ(lTexture->GetRelativeFileName(), "clips/a.avi");
    EXPECT_STREQ(lTexture->GetMediaName(), "Video::Movie");

    // A texture's new name goes to the clip and from there to the clip's other textures.
    EXPECT_TRUE(lTexture->SetFileName("/clips/new.avi"));
    EXPECT_STREQ(lVideo->GetFileName(), "/clips/new.avi");
    EXPECT_STREQ(lOther->GetFileName(), "/clips/new.avi");
    EXPECT_TRUE(lOther->SetRelativeFileName("rel/new.avi"));
    EXPECT_STREQ(lVideo->GetRelativeFileName(), "rel/new.avi");
    EXPECT_STREQ(lTexture->GetRelativeFileName(), "rel/new.avi");
}

TEST(KRyvVideoTest, ConnectingAClipWithoutPathKeepsTheTextureName)
{
    auto lVideo = MakeVideo("Movie");
    auto lTexture = MakeTexture("Wood");
    lTexture->SetFileName("/maps/wood.png");
    ASSERT_TRUE(Connect(*lTexture, *lVideo));
    EXPECT_STREQ(lTexture->GetFileName(), "/maps/wood.png");
    EXPECT_STREQ(lTexture->GetMediaName(), "Video::Movie");
    EXPECT_EQ(lVideo->GetFileName(), nullptr);
}

TEST(KRyvVideoTest, NonTexturePartnersAreLeftAlone)
{
    auto lVideo = MakeVideo("Movie");
    ASSERT_TRUE(lVideo->SetFileName("/clips/a.avi"));
    auto lNode = std::make_unique<KRyvNode>(nullptr, "Box");
    auto lOtherClip = MakeVideo("Other");
    // Neither a node's block nor another clip's set is a texture.
    EXPECT_TRUE(lNode->GetProperties()->ConnectSrc(lVideo->GetProperties()));
    EXPECT_TRUE(lOtherClip->GetProperties()->ConnectSrc(lVideo->GetProperties()));
    EXPECT_TRUE(lVideo->SetFileName("/clips/b.avi"));
    EXPECT_EQ(lOtherClip->GetFileName(), nullptr);
    auto lTexture = MakeTexture("Wood");
    lTexture->GetProperties()->ConnectSrc(lOtherClip->GetProperties());
    EXPECT_EQ(lTexture->GetVideo(), lOtherClip.get());
    // A texture whose first source is not a clip has no clip.
    auto lLone = MakeTexture("Lone");
    KObject lPlain;
    ASSERT_TRUE(lLone->GetProperties()->ConnectSrc(&lPlain));
    EXPECT_EQ(lLone->GetVideo(), nullptr);
    EXPECT_TRUE(lLone->SetFileName("/x.png"));
    lPlain.Destruct();
}

TEST(KRyvVideoTest, ConnectingRegistersTheClipInTheSceneOfTheTexturesNode)
{
    KRyvSceneEntity lScene;
    auto lRoot = std::make_unique<KRyvNode>(nullptr, "Root");
    auto lNode = std::make_unique<KRyvNode>(nullptr, "Box");
    ASSERT_TRUE(lRoot->SetScene(&lScene, 1));
    ASSERT_TRUE(lRoot->AddChild(lNode.get()));
    auto lVideo = MakeVideo("Movie");
    auto lTexture = MakeTexture("Wood");
    auto lSecond = MakeTexture("Stone");
    ASSERT_TRUE(lNode->GetProperties()->ConnectSrc(lTexture->GetProperties()));
    ASSERT_TRUE(lNode->GetProperties()->ConnectSrc(lSecond->GetProperties()));
    EXPECT_EQ(lScene.GetVideoCount(), 0);
    ASSERT_TRUE(Connect(*lTexture, *lVideo));
    ASSERT_EQ(lScene.GetVideoCount(), 1);
    EXPECT_EQ(lScene.GetVideo(0), lVideo.get());
    ASSERT_TRUE(Connect(*lSecond, *lVideo));
    EXPECT_EQ(lScene.GetVideoCount(), 1);
    EXPECT_TRUE(lScene.RemoveVideo(lVideo.get()));
}

TEST(KRyvVideoTest, NullOriginalFileNameIsEmpty)
{
    auto lVideo = MakeVideo("Movie");
    lVideo->SetOriginalFileName("orig.mov");
    lVideo->SetOriginalFileName(nullptr);
    EXPECT_STREQ(lVideo->GetOriginalFileName(), "");
}
