#include "scene/objects/KRyvCameraSwitcher.h"
#include "scene/objects/KRyvNull.h"
#include "scene/objects/KRyvOpticalReference.h"

#include "animation/KFCurve.h"
#include "animation/KFCurveNode.h"
#include "animation/KRyvTakeNode.h"
#include "scene/KRyvNode.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

KFCurveNode* CameraIndexNode(KRyvNode& pNode, int pTake)
{
    KFCurveNode* lRoot = pNode.GetTakeNode(pTake)->GetKFCurveNode();
    const int lIndex = lRoot->Find("Camera Index");
    return lIndex >= 0 ? lRoot->Get(lIndex) : nullptr;
}

} // namespace

TEST(KRyvCameraSwitcher, CameraNames)
{
    KRyvCameraSwitcher lSwitcher(nullptr);
    EXPECT_EQ(lSwitcher.GetAttributeType(), KRyvNodeAttribute::eCameraSwitcher);
    EXPECT_STREQ(lSwitcher.GetTypeName().Buffer(), "");
    EXPECT_EQ(lSwitcher.GetTypeNameList().GetCount(), 0);
    EXPECT_EQ(lSwitcher.AddCameraName("Model::Front"), 0);
    char lBuffer[] = "Model::Side";
    EXPECT_EQ(lSwitcher.AddCameraName(lBuffer), 1);
    lBuffer[0] = 'X';
    EXPECT_EQ(lSwitcher.AddCameraName(nullptr), -1);
    ASSERT_EQ(lSwitcher.GetCameraNameCount(), 2);
    EXPECT_STREQ(lSwitcher.GetCameraName(0), "Model::Front");
    EXPECT_STREQ(lSwitcher.GetCameraName(1), "Model::Side");
    EXPECT_EQ(lSwitcher.GetCameraName(2), nullptr);
    EXPECT_EQ(lSwitcher.GetCameraName(-1), nullptr);
}

TEST(KRyvCameraSwitcher, CameraIndexChannelInEveryTake)
{
    KRyvNode lNode(nullptr, "Camera Switcher");
    ASSERT_NE(lNode.AddTakeNode("Take 001"), nullptr);
    ASSERT_NE(lNode.AddTakeNode("Take 002"), nullptr);
    KRyvCameraSwitcher lSwitcher(nullptr);
    // Without a node there is no channel: the channel's default answers.
    EXPECT_EQ(lSwitcher.GetDefaultCameraIndex(), 1);
    EXPECT_FALSE(lSwitcher.SetDefaultCameraIndex(3));

    lNode.SetNodeAttribute(&lSwitcher);
    for (int lTake = 0; lTake < 3; ++lTake) {
        KFCurveNode* lChannel = CameraIndexNode(lNode, lTake);
        ASSERT_NE(lChannel, nullptr) << lTake;
        EXPECT_STREQ(lChannel->GetTypeName(), "Camera Index");
        EXPECT_EQ(lChannel->GetKind(), 0);
        ASSERT_NE(lChannel->GetCurve(), nullptr);
        EXPECT_DOUBLE_EQ(lChannel->GetCurve()->GetDefaultValue(), 1.0);
    }
    EXPECT_EQ(lSwitcher.GetDefaultCameraIndex(), 1);

    // Take 0 only, whichever take is current.
    ASSERT_TRUE(lSwitcher.SetDefaultCameraIndex(3));
    ASSERT_TRUE(lNode.SetCurrentTakeNode(2));
    EXPECT_EQ(lSwitcher.GetDefaultCameraIndex(), 3);
    EXPECT_DOUBLE_EQ(CameraIndexNode(lNode, 2)->GetCurve()->GetDefaultValue(), 1.0);

    // The value is truncated toward zero; one out of the range of int gives the default.
    CameraIndexNode(lNode, 0)->GetCurve()->SetDefaultValue(2.75f);
    EXPECT_EQ(lSwitcher.GetDefaultCameraIndex(), 2);
    CameraIndexNode(lNode, 0)->GetCurve()->SetDefaultValue(-2.75f);
    EXPECT_EQ(lSwitcher.GetDefaultCameraIndex(), -2);
    CameraIndexNode(lNode, 0)->GetCurve()->SetDefaultValue(1e20f);
    EXPECT_EQ(lSwitcher.GetDefaultCameraIndex(), 1);

    lNode.SetNodeAttribute(nullptr);
    for (int lTake = 0; lTake < 3; ++lTake) {
        EXPECT_EQ(CameraIndexNode(lNode, lTake), nullptr) << lTake;
    }
    EXPECT_EQ(lSwitcher.GetDefaultCameraIndex(), 1);
}

TEST(KRyvCameraSwitcher, ExistingChannelIsReusedAndReset)
{
    KRyvNode lNode(nullptr, "S");
    KFCurveNode* lExisting =
        lNode.GetTakeNode(0)->GetKFCurveNode()->FindOrCreateChild("Camera Index", true);
    ASSERT_NE(lExisting, nullptr);
    lExisting->GetCurve()->SetDefaultValue(7.0f);
    const int lChildren = lNode.GetTakeNode(0)->GetKFCurveNode()->GetCount();
    {
        KRyvCameraSwitcher lSwitcher(nullptr);
        lNode.SetNodeAttribute(&lSwitcher);
        EXPECT_EQ(lNode.GetTakeNode(0)->GetKFCurveNode()->GetCount(), lChildren);
        EXPECT_EQ(lSwitcher.GetDefaultCameraIndex(), 1);
    }
    // A switcher destroyed while attached takes its channel with it.
    EXPECT_EQ(lNode.GetNodeAttribute(), nullptr);
    EXPECT_EQ(CameraIndexNode(lNode, 0), nullptr);
}

TEST(KRyvNull, SizeAndFlag)
{
    KRyvNull lNull(nullptr);
    EXPECT_EQ(lNull.GetAttributeType(), KRyvNodeAttribute::eNull);
    EXPECT_STREQ(lNull.GetTypeName().Buffer(), "Null");
    ASSERT_EQ(lNull.GetTypeNameList().GetCount(), 1);
    EXPECT_STREQ(lNull.GetTypeNameList().GetText(0).Buffer(), "Null");
    EXPECT_DOUBLE_EQ(lNull.GetSize(), 100.0);
    EXPECT_FALSE(lNull.GetSizeWasSet());
    lNull.SetSize(100.0);
    EXPECT_TRUE(lNull.GetSizeWasSet());

    std::vector<KProperty*> lProperties;
    lNull.FillPropertyList(lProperties);
    ASSERT_EQ(lProperties.size(), 1u);
    EXPECT_STREQ(lProperties[0]->GetName(), "Size");
    EXPECT_EQ(lProperties[0]->GetPropertyType(), kPropertyTypeDouble);
    ASSERT_TRUE(lProperties[0]->SetValue(2.5));
    EXPECT_DOUBLE_EQ(lNull.GetSize(), 2.5);

    KRyvNullProperties lSet;
    EXPECT_TRUE(lSet.IsA(KRyvNullProperties::ClassId()));
    EXPECT_DOUBLE_EQ(lSet.GetSize(), 0.0);
}

TEST(KRyvOpticalReference, Names)
{
    KRyvOpticalReference lReference(nullptr);
    EXPECT_EQ(lReference.GetAttributeType(), KRyvNodeAttribute::eOpticalReference);
    EXPECT_STREQ(lReference.GetTypeName().Buffer(), "Optical");
    ASSERT_EQ(lReference.GetTypeNameList().GetCount(), 1);
    EXPECT_STREQ(lReference.GetTypeNameList().GetText(0).Buffer(), "Marker");
    // It adds nothing to its node's takes.
    KRyvNode lNode(nullptr, "Ref");
    const int lChildren = lNode.GetTakeNode(0)->GetKFCurveNode()->GetCount();
    lNode.SetNodeAttribute(&lReference);
    EXPECT_EQ(lNode.GetTakeNode(0)->GetKFCurveNode()->GetCount(), lChildren);
    lNode.SetNodeAttribute(nullptr);
}
