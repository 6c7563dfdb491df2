#include "scene/objects/KRyvGenericNode.h"
#include "scene/objects/KRyvGobo.h"
#include "scene/objects/KRyvThumbnail.h"

#include "animation/KFCurveNode.h"
#include "animation/KRyvTakeNode.h"
#include "scene/KRyvSceneEntity.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

TEST(KRyvGoboTest, PathAndDrawComponents)
{
    KRyvGobo lGobo(nullptr, "Window");
    EXPECT_EQ(lGobo.GetObjectType(), 4);
    EXPECT_EQ(lGobo.GetProperties(), nullptr);
    EXPECT_STREQ(lGobo.GetTypeName().Buffer(), "");
    // Created with its plain name; the type's prefix comes with SetName.
    EXPECT_STREQ(lGobo.GetName().Buffer(), "Window");
    lGobo.SetName("Window");
    EXPECT_STREQ(lGobo.GetName().Buffer(), "Video::Window");
    EXPECT_STREQ(lGobo.GetPath(), "");
    EXPECT_TRUE(lGobo.SetPath("/gobos/window.tif"));
    EXPECT_STREQ(lGobo.GetPath(), "/gobos/window.tif");
    EXPECT_TRUE(lGobo.SetPath(nullptr));
    EXPECT_STREQ(lGobo.GetPath(), "");
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(lGobo.GetDrawComponent(i));
    }
    EXPECT_TRUE(lGobo.SetDrawComponent(1, true));
    EXPECT_FALSE(lGobo.GetDrawComponent(0));
    EXPECT_TRUE(lGobo.GetDrawComponent(1));
    EXPECT_FALSE(lGobo.SetDrawComponent(3, true));
    EXPECT_FALSE(lGobo.SetDrawComponent(-1, true));
    EXPECT_FALSE(lGobo.GetDrawComponent(3));
}

TEST(KRyvThumbnailTest, SizesAndFormatsGiveTheTableLengths)
{
    KRyvThumbnail lThumbnail;
    EXPECT_EQ(lThumbnail.GetSize(), 0);
    EXPECT_EQ(lThumbnail.GetDataFormat(), KRyvThumbnail::eRGB_24);
    EXPECT_EQ(lThumbnail.GetSizeInBytes(), 0);
    EXPECT_EQ(lThumbnail.GetThumbnailImage(), nullptr);

    struct Case
    {
        int mFormat;
        int mSize;
        int mBytes;
    };
    const Case kCases[] = {{0, 64, 12288}, {1, 64, 16384}, {0, 128, 49152}, {1, 128, 65536}};
    for (const Case& lCase : kCases) {
        lThumbnail.SetDataFormat(lCase.mFormat);
        lThumbnail.SetSize(lCase.mSize);
        EXPECT_EQ(lThumbnail.GetSizeInBytes(), lCase.mBytes);
        ASSERT_NE(lThumbnail.GetThumbnailImage(), nullptr);
        // The whole reported length is there to be written.
        std::memset(lThumbnail.GetThumbnailImage(), 0x7f,
                    static_cast<std::size_t>(lThumbnail.GetSizeInBytes()));
    }
    lThumbnail.SetSize(100);
    EXPECT_EQ(lThumbnail.GetSize(), 100);
    EXPECT_EQ(lThumbnail.GetSizeInBytes(), 0);
    EXPECT_EQ(lThumbnail.GetThumbnailImage(), nullptr);
}

TEST(KRyvThumbnailTest, FormatChangeAfterSizeKeepsBufferAndLengthInStep)
{
    KRyvThumbnail lThumbnail;
    lThumbnail.SetSize(64);
    ASSERT_EQ(lThumbnail.GetSizeInBytes(), 12288);
    lThumbnail.GetThumbnailImage()[0] = 9;
    // Setting the same format keeps the pixels.
    lThumbnail.SetDataFormat(KRyvThumbnail::eRGB_24);
    EXPECT_EQ(lThumbnail.GetThumbnailImage()[0], 9);
    lThumbnail.SetDataFormat(KRyvThumbnail::eRGBA_32);
    ASSERT_EQ(lThumbnail.GetSizeInBytes(), 16384);
    ASSERT_NE(lThumbnail.GetThumbnailImage(), nullptr);
    // Under the address sanitizer a buffer shorter than the reported length fails here.
    std::memset(lThumbnail.GetThumbnailImage(), 1, 16384);
    EXPECT_EQ(lThumbnail.GetThumbnailImage()[16383], 1);
    // An unknown format has no table entry: no bytes and no buffer.
    lThumbnail.SetDataFormat(7);
    EXPECT_EQ(lThumbnail.GetDataFormat(), 7);
    EXPECT_EQ(lThumbnail.GetSizeInBytes(), 0);
    EXPECT_EQ(lThumbnail.GetThumbnailImage(), nullptr);
}

TEST(KRyvGenericNodeTest, NewGenericNode)
{
    KRyvGenericNode lNode(nullptr, "Settings");
    lNode.SetName("Settings");
    EXPECT_EQ(lNode.GetObjectType(), 10);
    EXPECT_STREQ(lNode.GetName().Buffer(), "Settings");
    EXPECT_STREQ(lNode.GetTypeName().Buffer(), "GenericNode");
    KPropertyStringList lFlags = lNode.GetTypeFlags();
    ASSERT_EQ(lFlags.GetCount(), 1);
    EXPECT_STREQ(lFlags.GetText(0).Buffer(), "GenericNode");
    ASSERT_EQ(lNode.GetTakeNodeCount(), 1);
    EXPECT_STREQ(lNode.GetTakeNodeName(0), "Default");
    EXPECT_EQ(lNode.GetDefaultTakeNode()->GetKFCurveNode()->GetCount(), 0);
    ASSERT_NE(lNode.GetProperties(), nullptr);
    EXPECT_EQ(lNode.GetProperties()->GetPropertyCount(), 0);
    EXPECT_TRUE(lNode.GetProperties()->IsA(KRyvGenericNodeProperties::ClassId()));
    EXPECT_EQ(dynamic_cast<KRyvGenericNode*>(lNode.GetProperties()->GetOwnerObject()), &lNode);
    EXPECT_EQ(lNode.GetSceneEntity(), nullptr);
}

TEST(KRyvGenericNodeTest, SceneEntityListFollowsTheReference)
{
    KRyvSceneEntity lFirst;
    KRyvSceneEntity lSecond;
    KRyvGenericNode lNode(nullptr, "Settings");
    EXPECT_TRUE(lNode.SetSceneEntity(&lFirst));
    EXPECT_EQ(lNode.GetSceneEntity(), &lFirst);
    ASSERT_EQ(lFirst.GetGenericNodeCount(), 1);
    EXPECT_EQ(lFirst.GetGenericNode(0), &lNode);
    // The current entity again changes nothing (no second use).
    EXPECT_TRUE(lNode.SetSceneEntity(&lFirst));
    EXPECT_EQ(lFirst.GetGenericNodeCount(), 1);
    EXPECT_TRUE(lNode.SetSceneEntity(&lSecond));
    EXPECT_EQ(lFirst.GetGenericNodeCount(), 0);
    EXPECT_EQ(lSecond.GetGenericNodeCount(), 1);
    EXPECT_EQ(lSecond.FindGenericNode("Settings"), &lNode);
    EXPECT_TRUE(lNode.SetSceneEntity(nullptr));
    EXPECT_EQ(lSecond.GetGenericNodeCount(), 0);
    EXPECT_EQ(lNode.GetSceneEntity(), nullptr);

    // Clearing the entity drops the node's reference.
    lNode.SetSceneEntity(&lFirst);
    lFirst.Clear();
    EXPECT_EQ(lNode.GetSceneEntity(), nullptr);
    EXPECT_EQ(lFirst.GetGenericNodeCount(), 0);
}

TEST(KRyvGenericNodeTest, UserPropertiesGetChannelsInEveryTake)
{
    KRyvGenericNode lNode(nullptr, "Settings");
    lNode.AddTakeNode("Walk");
    KRyvUserProperty lUser(nullptr, "Speed", "Real", "Speed");
    lUser.SetFlag(KRyvUserProperty::kFlagAnimatable, true);
    KRyvUserProperty lStatic(nullptr, "Label", "Integer", nullptr);
    lNode.AddUserProperty(&lUser);
    lNode.AddUserProperty(&lStatic);
    ASSERT_TRUE(lUser.IsBound());
    ASSERT_TRUE(lStatic.IsBound());
    EXPECT_EQ(lNode.GetProperties()->GetPropertyCount(), 2);
    std::vector<KProperty*> lList;
    lNode.GetUserProperties(lList);
    EXPECT_EQ(lList.size(), 2u);
    EXPECT_NE(lNode.GetTakeNode(0)->GetCurve("Speed"), nullptr);
    EXPECT_NE(lNode.GetTakeNode(1)->GetCurve("Speed"), nullptr);
    EXPECT_EQ(lNode.GetTakeNode(0)->GetKFCurveNode()->Find("Label"), -1);
    ASSERT_TRUE(lUser.SetValue(4.0));
    EXPECT_EQ(lNode.GetTakeNode(0)->GetCurve("Speed")->GetDefaultValue(), 4.0);
    // Take 0 is linked: a curve change flows into the property.
    lNode.GetTakeNode(0)->GetCurve("Speed")->SetDefaultValue(6.0f);
    double lValue = 0.0;
    ASSERT_TRUE(lUser.GetValue(lValue));
    EXPECT_EQ(lValue, 6.0);

    lNode.OnUserPropertyRemoved(&lUser);
    EXPECT_EQ(lNode.GetProperties()->FindProperty("Speed"), nullptr);
    EXPECT_EQ(lNode.GetTakeNode(1)->GetKFCurveNode()->Find("Speed"), -1);
    EXPECT_FALSE(lUser.IsBound());
}
