#include "scene/objects/KRyvMarker.h"

#include "animation/KFCurve.h"
#include "animation/KFCurveNode.h"
#include "animation/KRyvTakeNode.h"
#include "object/KDataType.h"
#include "scene/KRyvNode.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace {

std::vector<std::string> PropertyNames(KRyvMarker& pMarker)
{
    std::vector<KProperty*> lProperties;
    pMarker.FillPropertyList(lProperties);
    std::vector<std::string> lNames;
    for (KProperty* lProperty : lProperties) {
        lNames.emplace_back(lProperty->GetName());
    }
    return lNames;
}

// The direct children of the take's root that carry a marker channel's data type.
std::vector<std::string> MarkerChannels(KRyvTakeNode* pTake)
{
    std::vector<std::string> lNames;
    KFCurveNode* lRoot = pTake->GetKFCurveNode();
    for (const char* lName : {"Occlusion", "IK Reach Translation", "IK Reach Rotation"}) {
        const KDataType* lDataType = FindDataType(lName);
        for (int lIndex = 0; lIndex < lRoot->GetCount(); ++lIndex) {
            if (lRoot->Get(lIndex)->GetDataType() == lDataType) {
                lNames.emplace_back(lName);
            }
        }
    }
    return lNames;
}

using Names = std::vector<std::string>;

} // namespace

TEST(KRyvMarker, NewMarkerAfterReset)
{
    KRyvMarker lMarker(nullptr);
    EXPECT_EQ(lMarker.GetAttributeType(), KRyvNodeAttribute::eMarker);
    EXPECT_EQ(lMarker.GetType(), KRyvMarker::eStandard);
    EXPECT_EQ(lMarker.GetLook(), KRyvMarker::eCube);
    EXPECT_DOUBLE_EQ(lMarker.GetSize(), 100.0);
    const KColor lColor = lMarker.GetColor();
    EXPECT_DOUBLE_EQ(lColor.mRed, 1.0);
    EXPECT_DOUBLE_EQ(lColor.mGreen, 0.0);
    EXPECT_DOUBLE_EQ(lColor.mBlue, 0.0);
    EXPECT_DOUBLE_EQ(lColor.mAlpha, 1.0);
    EXPECT_FALSE(lMarker.GetShowLabel());
    EXPECT_EQ(PropertyNames(lMarker), (Names{"Look", "Size", "Color", "ShowLabel", "IKPivot"}));
}

TEST(KRyvMarker, PropertySetRegistration)
{
    KRyvMarkerProperties lSet;
    EXPECT_TRUE(lSet.IsA(KRyvMarkerProperties::ClassId()));
    EXPECT_TRUE(lSet.IsA(KObject::ClassId()));
    ASSERT_EQ(lSet.GetPropertyCount(), 5);
    const int lTypes[5] = {kPropertyTypeEnum, kPropertyTypeDouble, kPropertyTypeColorRGB,
                           kPropertyTypeBool, kPropertyTypeVector3D};
    for (int lIndex = 0; lIndex < 5; ++lIndex) {
        EXPECT_EQ(lSet.GetProperty(lIndex)->GetPropertyType(), lTypes[lIndex]) << lIndex;
    }
    // Values before the marker resets them are zero.
    EXPECT_DOUBLE_EQ(lSet.GetSize(), 0.0);
    EXPECT_DOUBLE_EQ(lSet.GetColor().mRed, 0.0);
    KProperty* lLook = lSet.GetProperty(0);
    ASSERT_EQ(lLook->GetEnumCount(), 4);
    EXPECT_STREQ(lLook->GetEnumItem(0), "Cube");
    EXPECT_STREQ(lLook->GetEnumItem(1), "Hard Cross");
    EXPECT_STREQ(lLook->GetEnumItem(2), "Light Cross");
    EXPECT_STREQ(lLook->GetEnumItem(3), "Sphere");
    EXPECT_EQ(lLook->GetEnumItem(4), nullptr);
    // Property values pass through the accessors.
    ASSERT_TRUE(lSet.GetProperty(1)->SetValue(12.5));
    EXPECT_DOUBLE_EQ(lSet.GetSize(), 12.5);
    lSet.SetIKPivot(KVector4(1.0, 2.0, 3.0, 7.0));
    KVector4 lPivot;
    ASSERT_TRUE(lSet.GetProperty(4)->GetValue(lPivot));
    EXPECT_DOUBLE_EQ(lPivot[2], 3.0);
    EXPECT_DOUBLE_EQ(lPivot[3], 1.0);
}

TEST(KRyvMarker, TypeNamesAndAccessors)
{
    KRyvMarker lMarker(nullptr);
    const char* const kNames[] = {"Marker", "OpticalMarker", "IKEffector", "FKEffector", "Marker"};
    for (int lType = 0; lType < 5; ++lType) {
        lMarker.SetType(lType);
        EXPECT_STREQ(lMarker.GetTypeName().Buffer(), kNames[lType]);
        const KPropertyStringList lList = lMarker.GetTypeNameList();
        ASSERT_EQ(lList.GetCount(), 1);
        EXPECT_STREQ(lList.GetText(0).Buffer(), "Marker");
    }
    lMarker.SetColor(2.0, -1.0, 0.25);
    const KColor lColor = lMarker.GetColor();
    EXPECT_DOUBLE_EQ(lColor.mRed, 1.0);
    EXPECT_DOUBLE_EQ(lColor.mGreen, 0.0);
    EXPECT_DOUBLE_EQ(lColor.mBlue, 0.25);
    lMarker.SetColor(KColor(0.5, 0.5, 0.5, 0.0));
    EXPECT_DOUBLE_EQ(lMarker.GetColor().mAlpha, 1.0);
    lMarker.SetIKPivot(KVector4(4.0, 5.0, 6.0, 0.0));
    EXPECT_DOUBLE_EQ(lMarker.GetIKPivot()[1], 5.0);
    EXPECT_DOUBLE_EQ(lMarker.GetIKPivot()[3], 1.0);
    lMarker.SetLook(KRyvMarker::eSphere);
    lMarker.SetShowLabel(true);
    lMarker.SetSize(3.0);
    EXPECT_EQ(lMarker.GetLook(), 3);
    EXPECT_TRUE(lMarker.GetShowLabel());
    EXPECT_DOUBLE_EQ(lMarker.GetSize(), 3.0);
}

TEST(KRyvMarker, ChannelsFollowTheTypeInEveryTake)
{
    KRyvNode lNode(nullptr, "M");
    ASSERT_NE(lNode.AddTakeNode("Take 001"), nullptr);
    KRyvMarker lMarker(nullptr);
    lNode.SetNodeAttribute(&lMarker);
    for (int lTake = 0; lTake < 2; ++lTake) {
        EXPECT_EQ(MarkerChannels(lNode.GetTakeNode(lTake)), Names{});
    }

    lMarker.SetType(KRyvMarker::eIKEffector);
    for (int lTake = 0; lTake < 2; ++lTake) {
        KRyvTakeNode* lTakeNode = lNode.GetTakeNode(lTake);
        EXPECT_EQ(MarkerChannels(lTakeNode), (Names{"IK Reach Translation", "IK Reach Rotation"}));
        KFCurveNode* lChannel = lTakeNode->GetKFCurveNode()->FindChild("IK Reach Rotation");
        ASSERT_NE(lChannel, nullptr);
        EXPECT_EQ(lChannel->GetKind(), 1);
        EXPECT_EQ(lChannel->GetLayer(), 0);
        ASSERT_NE(lChannel->GetCurve(), nullptr);
        EXPECT_DOUBLE_EQ(lChannel->GetCurve()->GetDefaultValue(), 0.0);
    }

    // The old type's channels go: an IK effector turned optical keeps no reach channel.
    lMarker.SetType(KRyvMarker::eOptical);
    for (int lTake = 0; lTake < 2; ++lTake) {
        KRyvTakeNode* lTakeNode = lNode.GetTakeNode(lTake);
        EXPECT_EQ(MarkerChannels(lTakeNode), Names{"Occlusion"});
        EXPECT_EQ(lTakeNode->GetKFCurveNode()->FindChild("Occlusion")->GetKind(), 0);
    }
    EXPECT_EQ(lMarker.GetNode(), &lNode);
    EXPECT_EQ(lNode.GetNodeAttribute(), &lMarker);

    lMarker.SetType(KRyvMarker::eFKEffector);
    for (int lTake = 0; lTake < 2; ++lTake) {
        EXPECT_EQ(MarkerChannels(lNode.GetTakeNode(lTake)), Names{});
    }

    // Detaching takes the channels away; the node keeps its own.
    lMarker.SetType(KRyvMarker::eOptical);
    lNode.SetNodeAttribute(nullptr);
    EXPECT_EQ(MarkerChannels(lNode.GetTakeNode(0)), Names{});
    EXPECT_NE(lNode.GetTakeNode(0)->GetKFCurveNode()->FindChild("Transform"), nullptr);
}

TEST(KRyvMarker, SameTypeChangesNothing)
{
    KRyvNode lNode(nullptr, "M");
    KRyvMarker lMarker(nullptr);
    lMarker.SetType(KRyvMarker::eIKEffector);
    lNode.SetNodeAttribute(&lMarker);
    ASSERT_TRUE(lMarker.SetIKReachTranslation(30.0));
    KFCurve* lCurve = lNode.GetTakeNode(0)->GetIKReachTranslation();
    lMarker.SetType(KRyvMarker::eIKEffector);
    // Same curve object, same value: nothing was rebuilt.
    EXPECT_EQ(lNode.GetTakeNode(0)->GetIKReachTranslation(), lCurve);
    EXPECT_DOUBLE_EQ(lMarker.GetIKReachTranslation(), 30.0);
    EXPECT_EQ(MarkerChannels(lNode.GetTakeNode(0)).size(), 2u);
}

TEST(KRyvMarker, IKReachOnlyForIKEffectorsInSinglePrecision)
{
    KRyvNode lNode(nullptr, "M");
    KRyvMarker lMarker(nullptr);
    // Detached: nothing to write.
    lMarker.SetType(KRyvMarker::eIKEffector);
    EXPECT_FALSE(lMarker.SetIKReachRotation(5.0));
    EXPECT_DOUBLE_EQ(lMarker.GetIKReachRotation(), 0.0);

    lNode.SetNodeAttribute(&lMarker);
    ASSERT_TRUE(lMarker.SetIKReachTranslation(25.115));
    ASSERT_TRUE(lMarker.SetIKReachRotation(-40.0));
    EXPECT_DOUBLE_EQ(lMarker.GetIKReachTranslation(), 25.114999771118164);
    EXPECT_DOUBLE_EQ(lMarker.GetIKReachRotation(), -40.0);
    // Take 0 only: a later take is a copy, its own values are its own.
    ASSERT_NE(lNode.AddTakeNode("Take 001"), nullptr);
    lNode.GetTakeNode(1)->GetIKReachRotation()->SetDefaultValue(3.0f);
    ASSERT_TRUE(lNode.SetCurrentTakeNode(1));
    EXPECT_DOUBLE_EQ(lMarker.GetIKReachRotation(), -40.0);

    lMarker.SetType(KRyvMarker::eOptical);
    EXPECT_DOUBLE_EQ(lMarker.GetIKReachRotation(), 0.0);
    EXPECT_DOUBLE_EQ(lMarker.GetIKReachTranslation(), 0.0);
    EXPECT_FALSE(lMarker.SetIKReachRotation(12.0));
    EXPECT_DOUBLE_EQ(lNode.GetTakeNode(0)->GetOcclusion()->GetDefaultValue(), 0.0);
}

TEST(KRyvMarker, DestroyedWhileAttachedTakesItsChannels)
{
    KRyvNode lNode(nullptr, "M");
    {
        KRyvMarker lMarker(nullptr);
        lMarker.SetType(KRyvMarker::eOptical);
        lNode.SetNodeAttribute(&lMarker);
        ASSERT_EQ(MarkerChannels(lNode.GetTakeNode(0)), Names{"Occlusion"});
    }
    EXPECT_EQ(lNode.GetNodeAttribute(), nullptr);
    EXPECT_EQ(MarkerChannels(lNode.GetTakeNode(0)), Names{});
}

TEST(KRyvMarker, IKReachBeyondTheFloatRangeIsClamped)
{
    KRyvNode lNode(nullptr, "M");
    KRyvMarker lMarker(nullptr);
    lMarker.SetType(KRyvMarker::eIKEffector);
    lNode.SetNodeAttribute(&lMarker);
    ASSERT_TRUE(lMarker.SetIKReachTranslation(1e300));
    ASSERT_TRUE(lMarker.SetIKReachRotation(-1e300));
    EXPECT_EQ(lMarker.GetIKReachTranslation(), std::numeric_limits<float>::max());
    EXPECT_EQ(lMarker.GetIKReachRotation(), -std::numeric_limits<float>::max());
}
