#include "scene/objects/KRyvVideo.h"

#include "tests/support/SceneTestSupport.h"

#include "animation/KFCurveNode.h"
#include "animation/KRyvTakeNode.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvSceneEntity.h"
#include "scene/KRyvUserProperty.h"
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

TEST(KRyvVideoTest, PropertySetOrderTypesAndDefaults)
{
    auto lVideo = MakeVideo("Movie");
    KObject* lSet = lVideo->GetProperties();
    ASSERT_NE(lSet, nullptr);
    EXPECT_TRUE(lSet->IsA(KRyvVideoProperties::ClassId()));
    EXPECT_EQ(dynamic_cast<KRyvVideo*>(lSet->GetOwnerObject()), lVideo.get());
    const char* const kNames[] = {
        "FrameRate", "LastFrame", "Width",         "Height",      "Path", "StartFrame", "StopFrame",
        "PlaySpeed", "Offset",    "InterlaceMode", "FreeRunning", "Loop", "AccessMode"};
    const int kTypes[] = {kPropertyTypeDouble, kPropertyTypeInt,    kPropertyTypeInt,
                          kPropertyTypeInt,    kPropertyTypeString, kPropertyTypeInt,
                          kPropertyTypeInt,    kPropertyTypeDouble, kPropertyTypeTime,
                          kPropertyTypeEnum,   kPropertyTypeBool,   kPropertyTypeBool,
                          kPropertyTypeEnum};
    ASSERT_EQ(lSet->GetPropertyCount(), 13);
    for (int i = 0; i < 13; ++i) {
        EXPECT_STREQ(lSet->GetProperty(i)->GetName(), kNames[i]);
        EXPECT_EQ(lSet->GetProperty(i)->GetPropertyType(), kTypes[i]) << kNames[i];
        EXPECT_FALSE(lSet->GetProperty(i)->IsAnimatable());
    }
    EXPECT_EQ(lSet->FindProperty("PlaySpeed")->GetValueAsDouble(), 1.0);
    EXPECT_EQ(lSet->FindProperty("FrameRate")->GetValueAsDouble(), 0.0);
    KTime lOffset(5);
    ASSERT_TRUE(lSet->FindProperty("Offset")->GetValue(lOffset));
    EXPECT_EQ(lOffset, KTime(0));

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

TEST(KRyvVideoTest, EachEnumerationPropertyPresentsItsOwnList)
{
    auto lVideo = MakeVideo("Movie");
    KProperty* lInterlace = lVideo->GetProperties()->FindProperty("InterlaceMode");
    KProperty* lAccess = lVideo->GetProperties()->FindProperty("AccessMode");
    ASSERT_EQ(lInterlace->GetEnumCount(), 8);
    EXPECT_STREQ(lInterlace->GetEnumItem(0), "None");
    EXPECT_STREQ(lInterlace->GetEnumItem(3), "Half Frame Odd");
    EXPECT_STREQ(lInterlace->GetEnumItem(7), "Full Frame Odd/Even");
    EXPECT_EQ(lInterlace->GetEnumItem(8), nullptr);
    ASSERT_EQ(lAccess->GetEnumCount(), 3);
    EXPECT_STREQ(lAccess->GetEnumItem(0), "Disk");
    EXPECT_STREQ(lAccess->GetEnumItem(2), "Disk Async");
    EXPECT_EQ(lAccess->GetEnumItem(3), nullptr);
    EXPECT_EQ(KRyvVideoProperties::InterlaceModeName(-1), nullptr);

    // Stored values are the numbers of the lists.
    ASSERT_TRUE(lInterlace->SetValue(static_cast<int>(KRyvVideo::eHalfOdd)));
    EXPECT_EQ(lVideo->GetVideoProperties()->GetInterlaceMode(), 3);
    EXPECT_STREQ(lInterlace->GetEnumItem(lInterlace->GetValueAsInt()), "Half Frame Odd");
    ASSERT_TRUE(lAccess->SetValue(static_cast<int>(KRyvVideo::eMemory)));
    EXPECT_EQ(lVideo->GetVideoProperties()->GetAccessMode(), 1);
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

TEST(KRyvVideoTest, OtherSettingsAndUserProperties)
{
    auto lVideo = MakeVideo("Movie");
    lVideo->SetUseMipMap(true);
    lVideo->SetOriginalFormat(false);
    lVideo->SetOriginalFileName("orig.mov");
    EXPECT_TRUE(lVideo->GetUseMipMap());
    EXPECT_FALSE(lVideo->GetOriginalFormat());
    EXPECT_STREQ(lVideo->GetOriginalFileName(), "orig.mov");
    lVideo->SetOriginalFileName(nullptr);
    EXPECT_STREQ(lVideo->GetOriginalFileName(), "");

    KRyvUserProperty lUser(nullptr, "Gain", "Real", nullptr);
    lUser.SetFlag(KRyvUserProperty::kFlagAnimatable, true);
    lVideo->AddUserProperty(&lUser);
    ASSERT_TRUE(lUser.IsBound());
    EXPECT_EQ(lVideo->GetProperties()->GetPropertyCount(), 14);
    EXPECT_NE(lVideo->GetDefaultTakeNode()->GetCurve("Gain"), nullptr);
    lVideo->OnUserPropertyRemoved(&lUser);
    EXPECT_EQ(lVideo->GetProperties()->GetPropertyCount(), 13);
}
