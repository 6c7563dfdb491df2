#include "scene/objects/KRyvLight.h"

#include "animation/KFCurve.h"
#include "animation/KFCurveNode.h"
#include "animation/KRyvTakeNode.h"
#include "object/KDataType.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvSceneEntity.h"
#include "scene/objects/KRyvGobo.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

std::unique_ptr<KRyvNode> MakeNode(const char* pName)
{
    return std::make_unique<KRyvNode>(nullptr, pName);
}

void ExpectColor(const KRyvLight& pLight, double pRed, double pGreen, double pBlue)
{
    double lRed = -1.0;
    double lGreen = -1.0;
    double lBlue = -1.0;
    pLight.GetColor(lRed, lGreen, lBlue);
    EXPECT_EQ(lRed, pRed);
    EXPECT_EQ(lGreen, pGreen);
    EXPECT_EQ(lBlue, pBlue);
}

bool HasChannel(KRyvTakeNode* pTake, const char* pName)
{
    return pTake->GetKFCurveNode()->Find(pName) >= 0;
}

} // namespace

TEST(KRyvLightProperties, RegistrationOrderTypesAndTexts)
{
    KRyvLight lLight(nullptr);
    KRyvLightProperties* lSet = lLight.GetProperties();
    EXPECT_STREQ(lSet->GetClassName(), "KRyvLightProperties");
    EXPECT_TRUE(lSet->IsA(KObject::ClassId()));
    const std::vector<std::pair<std::string, int>> lExpected = {
        {"LightType", 6}, {"CastLightOnObject", 2}, {"Color", 14},
        {"Intensity", 4}, {"Cone angle", 4},        {"Fog", 4}};
    std::vector<KProperty*> lProperties;
    lLight.FillPropertyList(lProperties);
    ASSERT_EQ(lProperties.size(), lExpected.size());
    for (size_t i = 0; i < lExpected.size(); ++i) {
        EXPECT_EQ(lProperties[i]->GetName(), lExpected[i].first);
        EXPECT_EQ(lProperties[i]->GetPropertyType(), lExpected[i].second) << i;
        EXPECT_EQ(lProperties[i]->IsAnimatable(), i >= 2) << i;
        EXPECT_EQ(lProperties[i]->GetFlag(KProperty::kAnimated), i >= 2) << i;
    }
    EXPECT_EQ(lProperties[3]->GetDataType(), FindDataType("Intensity"));
    EXPECT_EQ(lProperties[4]->GetDataType(), FindDataType("Cone angle"));
    EXPECT_EQ(lProperties[2]->GetDataType(), FindDataType("Color"));

    KProperty* lType = lProperties[0];
    EXPECT_EQ(lType->GetEnumCount(), 3);
    EXPECT_STREQ(lType->GetEnumItem(0), "Point Light");
    EXPECT_STREQ(lType->GetEnumItem(2), "Spot Light");
    lType->SetValueAsInt(KRyvLight::eSpot);
    EXPECT_EQ(lLight.GetLightType(), KRyvLight::eSpot);
}

TEST(KRyvLight, NewLightDefaultsAndTypes)
{
    KRyvLight lLight(nullptr);
    EXPECT_EQ(lLight.GetAttributeType(), KRyvNodeAttribute::eLight);
    EXPECT_STREQ(lLight.GetTypeName().Buffer(), "Light");
    ASSERT_EQ(lLight.GetTypeNameList().GetCount(), 1);
    EXPECT_STREQ(lLight.GetTypeNameList().GetText(0).Buffer(), "Light");
    EXPECT_EQ(lLight.GetLightType(), KRyvLight::ePoint);
    EXPECT_TRUE(lLight.GetCastLightOnObject());
    ExpectColor(lLight, 1.0, 1.0, 1.0);
    EXPECT_EQ(lLight.GetIntensity(), 100.0);
    EXPECT_EQ(lLight.GetConeAngle(), 45.0);
    EXPECT_EQ(lLight.GetFog(), 50.0);
    EXPECT_EQ(lLight.GetGobo(), nullptr);

    // Off a node the values are the properties' (double precision).
    lLight.SetIntensity(25.115);
    EXPECT_EQ(lLight.GetIntensity(), 25.115);
    lLight.SetLightType(7);
    EXPECT_EQ(lLight.GetLightType(), 7);
    EXPECT_EQ(KRyvLight::GetLightTypeName(7), nullptr);
    EXPECT_STREQ(KRyvLight::GetLightTypeName(1), "Infinite Light");
    lLight.SetCastLightOnObject(false);
    EXPECT_FALSE(lLight.GetCastLightOnObject());
}

TEST(KRyvLight, ChannelsInEveryTakeReadFromTakeZeroInSinglePrecision)
{
    auto lNode = MakeNode("Lamp");
    ASSERT_NE(lNode->AddTakeNode("Walk"), nullptr);
    KRyvLight lLight(nullptr);
    lLight.SetLightType(KRyvLight::eSpot);
    lNode->SetNodeAttribute(&lLight);
    for (int lIndex = 0; lIndex < 2; ++lIndex) {
        KRyvTakeNode* lTake = lNode->GetTakeNode(lIndex);
        ASSERT_NE(lTake->GetColorX(), nullptr);
        EXPECT_EQ(lTake->GetColorX()->GetDefaultValue(), 1.0);
        EXPECT_EQ(lTake->GetColorZ()->GetDefaultValue(), 1.0);
        EXPECT_EQ(lTake->GetIntensity()->GetDefaultValue(), 100.0);
        EXPECT_EQ(lTake->GetConeAngle()->GetDefaultValue(), 45.0);
        EXPECT_EQ(lTake->GetFog()->GetDefaultValue(), 50.0);
        EXPECT_FLOAT_EQ(lTake->GetIntensity()->GetColor()[1], 0.91f);
        EXPECT_FLOAT_EQ(lTake->GetConeAngle()->GetColor()[2], 0.71f);
        EXPECT_FLOAT_EQ(lTake->GetFog()->GetColor()[1], 0.38f);
        EXPECT_EQ(lTake->GetColorY()->GetColor()[1], 1.0f);
    }

    lLight.SetIntensity(25.115);
    EXPECT_EQ(lLight.GetIntensity(), 25.114999771118164);
    EXPECT_EQ(lNode->GetTakeNode(1)->GetIntensity()->GetDefaultValue(), 100.0);
    EXPECT_EQ(lLight.GetProperties()->FindProperty("Intensity")->GetValueAsDouble(), 25.115);
    lLight.SetConeAngle(60.5);
    EXPECT_EQ(lLight.GetConeAngle(), 60.5);
    lLight.SetColor(0.1, 0.5, 0.25);
    double lRed = 0.0;
    double lGreen = 0.0;
    double lBlue = 0.0;
    lLight.GetColor(lRed, lGreen, lBlue);
    EXPECT_EQ(lRed, static_cast<double>(0.1f));
    EXPECT_EQ(lGreen, 0.5);

    // The current take does not matter: the getters read take 0.
    ASSERT_TRUE(lNode->SetCurrentTakeNode("Walk"));
    lNode->GetTakeNode(1)->GetFog()->SetDefaultValue(5.0f);
    EXPECT_EQ(lLight.GetFog(), 50.0);
    lNode->GetDefaultTakeNode()->GetFog()->SetDefaultValue(7.0f);
    EXPECT_EQ(lLight.GetFog(), 7.0);

    // A take made afterwards is a copy of take 0.
    KRyvTakeNode* lRun = lNode->AddTakeNode("Run");
    ASSERT_NE(lRun, nullptr);
    EXPECT_EQ(lRun->GetIntensity()->GetDefaultValue(), 25.114999771118164);
    EXPECT_EQ(lRun->GetConeAngle()->GetDefaultValue(), 60.5);

    lNode->SetNodeAttribute(nullptr);
    for (int lIndex = 0; lIndex < lNode->GetTakeNodeCount(); ++lIndex) {
        KRyvTakeNode* lTake = lNode->GetTakeNode(lIndex);
        for (const char* lName : {"Color", "Intensity", "Cone angle", "Fog"}) {
            EXPECT_FALSE(HasChannel(lTake, lName)) << lName;
        }
    }
    EXPECT_EQ(lLight.GetLightType(), KRyvLight::eSpot);
}

TEST(KRyvLight, ValuesSetBeforeAttachingSurviveTheAttach)
{
    auto lNode = MakeNode("Lamp");
    ASSERT_NE(lNode->AddTakeNode("Walk"), nullptr);
    KRyvLight lLight(nullptr);
    lLight.SetIntensity(200.0);
    lLight.SetConeAngle(30.0);
    lLight.SetFog(12.5);
    lLight.SetColor(0.5, 0.25, 0.0);
    lNode->SetNodeAttribute(&lLight);
    EXPECT_EQ(lLight.GetIntensity(), 200.0);
    EXPECT_EQ(lLight.GetConeAngle(), 30.0);
    EXPECT_EQ(lLight.GetFog(), 12.5);
    ExpectColor(lLight, 0.5, 0.25, 0.0);
    EXPECT_EQ(lNode->GetTakeNode(1)->GetIntensity()->GetDefaultValue(), 200.0);
    EXPECT_EQ(lNode->GetTakeNode(1)->GetColorX()->GetDefaultValue(), 0.5);

    // Values set on the node survive a detach and a new attach.
    lLight.SetIntensity(25.115);
    lNode->SetNodeAttribute(nullptr);
    EXPECT_EQ(lLight.GetIntensity(), 25.115);
    lNode->SetNodeAttribute(&lLight);
    EXPECT_EQ(lLight.GetIntensity(), 25.114999771118164);
}

TEST(KRyvLight, GoboWithoutNodeIsRegisteredOnAttach)
{
    KRyvSceneEntity lEntity;
    auto lNode = MakeNode("Lamp");
    ASSERT_TRUE(lNode->SetScene(&lEntity, 1));
    KRyvGobo lGobo(nullptr, "Window");
    KRyvLight lLight(nullptr);
    EXPECT_TRUE(lLight.SetGobo(&lGobo));
    EXPECT_EQ(lLight.GetGobo(), &lGobo);
    EXPECT_EQ(lEntity.GetGoboCount(), 0);

    lNode->SetNodeAttribute(&lLight);
    ASSERT_EQ(lEntity.GetGoboCount(), 1);
    EXPECT_EQ(lEntity.GetGobo(0), &lGobo);

    lNode->SetNodeAttribute(nullptr);
    EXPECT_EQ(lEntity.GetGoboCount(), 0);
    EXPECT_EQ(lLight.GetGobo(), &lGobo);

    lNode->SetNodeAttribute(&lLight);
    EXPECT_TRUE(lLight.SetGobo(nullptr));
    EXPECT_EQ(lLight.GetGobo(), nullptr);
    EXPECT_EQ(lEntity.GetGoboCount(), 0);
}

TEST(KRyvLight, GoboUseCountsAcrossLights)
{
    KRyvSceneEntity lEntity;
    auto lNode = MakeNode("Lamp");
    ASSERT_TRUE(lNode->SetScene(&lEntity, 1));
    KRyvGobo lGobo(nullptr, "Window");
    KRyvLight lLight(nullptr);
    lNode->SetNodeAttribute(&lLight);
    ASSERT_TRUE(lLight.SetGobo(&lGobo));
    // Another user of the same gobo keeps it listed when the light lets go of it.
    ASSERT_TRUE(lEntity.AddGobo(&lGobo));
    EXPECT_TRUE(lLight.SetGobo(nullptr));
    ASSERT_EQ(lEntity.GetGoboCount(), 1);
    EXPECT_TRUE(lEntity.RemoveGobo(&lGobo));
    EXPECT_EQ(lEntity.GetGoboCount(), 0);
}

TEST(KRyvLight, RefusedGoboKeepsThePreviousOne)
{
    KRyvSceneEntity lEntity;
    auto lNode = MakeNode("Lamp");
    ASSERT_TRUE(lNode->SetScene(&lEntity, 1));
    KRyvGobo lOld(nullptr, "Old");
    KRyvGobo lListed(nullptr, "Window");
    KRyvGobo lClash(nullptr, "Window");
    ASSERT_TRUE(lEntity.AddGobo(&lListed));
    KRyvLight lLight(nullptr);
    lNode->SetNodeAttribute(&lLight);
    ASSERT_TRUE(lLight.SetGobo(&lOld));
    ASSERT_EQ(lEntity.GetGoboCount(), 2);

    EXPECT_FALSE(lLight.SetGobo(&lClash));
    EXPECT_EQ(lEntity.GetError().GetLastErrorID(), KRyvSceneEntity::kGoboNameClash);
    EXPECT_EQ(lLight.GetGobo(), &lOld);
    ASSERT_EQ(lEntity.GetGoboCount(), 2);
    EXPECT_EQ(lEntity.GetGobo(1), &lOld);
    // Still counted once: one removal unlists it.
    EXPECT_TRUE(lEntity.RemoveGobo(&lOld));
}

TEST(KRyvLight, DestroyingAnAttachedLightReleasesChannelsAndGobo)
{
    KRyvSceneEntity lEntity;
    auto lNode = MakeNode("Lamp");
    ASSERT_TRUE(lNode->SetScene(&lEntity, 1));
    KRyvGobo lGobo(nullptr, "Window");
    auto lLight = std::make_unique<KRyvLight>(nullptr);
    lNode->SetNodeAttribute(lLight.get());
    ASSERT_TRUE(lLight->SetGobo(&lGobo));
    lLight.reset();
    EXPECT_EQ(lNode->GetNodeAttribute(), nullptr);
    EXPECT_EQ(lEntity.GetGoboCount(), 0);
    EXPECT_FALSE(HasChannel(lNode->GetDefaultTakeNode(), "Intensity"));
}
