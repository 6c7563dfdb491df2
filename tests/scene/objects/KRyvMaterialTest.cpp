#include "scene/objects/KRyvMaterial.h"

#include "tests/support/SceneTestSupport.h"

#include "animation/KFCurve.h"
#include "animation/KFCurveNode.h"
#include "animation/KRyvTakeNode.h"
#include "object/KTypedProperty.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvSceneEntity.h"
#include "scene/KRyvUserProperty.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>

namespace {

double Float(double pValue)
{
    return static_cast<double>(static_cast<float>(pValue));
}

KColor PropertyColor(KRyvMaterial& pMaterial, const char* pName)
{
    KColor lColor(0.0, 0.0, 0.0, 0.0);
    EXPECT_TRUE(pMaterial.GetProperties()->FindProperty(pName)->GetValue(lColor));
    return lColor;
}

double PropertyDouble(KRyvMaterial& pMaterial, const char* pName)
{
    return pMaterial.GetProperties()->FindProperty(pName)->GetValueAsDouble();
}

} // namespace

TEST(KRyvMaterialTest, PropertySetListsSevenPropertiesInOrder)
{
    auto lMaterial = MakeMaterial("Red");
    KObject* lSet = lMaterial->GetProperties();
    ASSERT_NE(lSet, nullptr);
    EXPECT_TRUE(lSet->IsA(KRyvMaterialProperties::ClassId()));
    EXPECT_TRUE(lSet->IsA(KObject::ClassId()));
    const char* const kNames[] = {"Emissive", "Ambient",      "Diffuse",  "Specular",
                                  "Opacity",  "Reflectivity", "Shininess"};
    const int kTypes[] = {kPropertyTypeColorRGB, kPropertyTypeColorRGB, kPropertyTypeColorRGB,
                          kPropertyTypeColorRGB, kPropertyTypeDouble,   kPropertyTypeDouble,
                          kPropertyTypeDouble};
    ASSERT_EQ(lSet->GetPropertyCount(), 7);
    for (int i = 0; i < 7; ++i) {
        EXPECT_STREQ(lSet->GetProperty(i)->GetName(), kNames[i]);
        EXPECT_EQ(lSet->GetProperty(i)->GetPropertyType(), kTypes[i]);
        // The take "Default" made every one of them animatable and animated.
        EXPECT_TRUE(lSet->GetProperty(i)->IsAnimatable());
        EXPECT_TRUE(lSet->GetProperty(i)->GetFlag(KProperty::kAnimated));
    }
    EXPECT_EQ(dynamic_cast<KRyvMaterial*>(lSet->GetOwnerObject()), lMaterial.get());
    std::vector<KProperty*> lList;
    lMaterial->GetUserProperties(lList);
    EXPECT_EQ(lList.size(), 7u);
}

TEST(KRyvMaterialTest, NewMaterialHasDefaultTakeWithSevenChannels)
{
    auto lMaterial = MakeMaterial("Red");
    EXPECT_EQ(lMaterial->GetObjectType(), 3);
    EXPECT_STREQ(lMaterial->GetName().Buffer(), "Material::Red");
    EXPECT_STREQ(lMaterial->GetShadingModel().Buffer(), "phong");
    EXPECT_FALSE(lMaterial->GetMultiLayer());
    ASSERT_EQ(lMaterial->GetTakeNodeCount(), 1);
    EXPECT_EQ(lMaterial->GetCurrentTakeNodeIndex(), 0);
    KRyvTakeNode* lTake = lMaterial->GetDefaultTakeNode();
    EXPECT_STREQ(lTake->GetName().Buffer(), "Default");
    KFCurveNode* lRoot = lTake->GetKFCurveNode();
    ASSERT_EQ(lRoot->GetCount(), 7);
    const char* const kNames[] = {"Emissive", "Ambient",      "Diffuse",  "Specular",
                                  "Opacity",  "Reflectivity", "Shininess"};
    for (int i = 0; i < 7; ++i) {
        EXPECT_STREQ(lRoot->Get(i)->GetName(), kNames[i]);
        EXPECT_EQ(lRoot->Get(i)->GetKind(), 1);
        EXPECT_EQ(lRoot->Get(i)->GetCount(), i < 4 ? 3 : 0);
    }
    EXPECT_STREQ(lRoot->Get(0)->GetDataType()->GetName(), "Color");
    EXPECT_STREQ(lRoot->Get(4)->GetDataType()->GetName(), "Number");
    EXPECT_EQ(lTake->GetEmissiveX()->GetDefaultValue(), 0.0);
    EXPECT_EQ(lTake->GetAmbientY()->GetDefaultValue(), Float(0.2));
    EXPECT_EQ(lTake->GetDiffuseZ()->GetDefaultValue(), Float(0.8));
    EXPECT_EQ(lTake->GetSpecularX()->GetDefaultValue(), Float(0.2));
    EXPECT_EQ(lTake->GetOpacity()->GetDefaultValue(), 1.0);
    EXPECT_EQ(lTake->GetReflectivity()->GetDefaultValue(), Float(0.3));
    EXPECT_EQ(lTake->GetShininess()->GetDefaultValue(), Float(6.4));
    EXPECT_EQ(lMaterial->GetShininess(), Float(6.4) / 128.0);
    // Display colours: X red, Y green, Z blue, scalars dark red.
    const float* lY = lTake->GetDiffuseY()->GetColor();
    EXPECT_EQ(lY[0], 0.0f);
    EXPECT_EQ(lY[1], 1.0f);
    const float* lScalar = lTake->GetOpacity()->GetColor();
    EXPECT_EQ(lScalar[0], 0.75f);
    EXPECT_EQ(lScalar[1], 0.0f);
}

TEST(KRyvMaterialTest, DefaultTakeFlowsIntoPropertiesInSinglePrecision)
{
    auto lMaterial = MakeMaterial("Red");
    lMaterial->SetDiffuse(0.25, 0.5, 0.1);
    double lRed, lGreen, lBlue;
    lMaterial->GetDiffuse(lRed, lGreen, lBlue);
    EXPECT_EQ(lRed, 0.25);
    EXPECT_EQ(lGreen, 0.5);
    EXPECT_EQ(lBlue, Float(0.1));
    EXPECT_NE(lBlue, 0.1);
    const KColor lProperty = PropertyColor(*lMaterial, "Diffuse");
    EXPECT_EQ(lProperty.mRed, 0.25);
    EXPECT_EQ(lProperty.mBlue, Float(0.1));

    // A curve edited directly reaches the property too.
    lMaterial->GetDefaultTakeNode()->GetReflectivity()->SetDefaultValue(0.75f);
    EXPECT_EQ(PropertyDouble(*lMaterial, "Reflectivity"), 0.75);
    EXPECT_EQ(lMaterial->GetReflectivity(), 0.75);

    lMaterial->SetOpacity(0.115);
    EXPECT_EQ(lMaterial->GetOpacity(), 0.11500000208616257);
    EXPECT_EQ(PropertyDouble(*lMaterial, "Opacity"), 0.11500000208616257);
}

TEST(KRyvMaterialTest, ColoursAreClampedAndAlphaIsOne)
{
    auto lMaterial = MakeMaterial("Red");
    lMaterial->SetDiffuseColor(KColor(0.5, 0.25, 1.0, 0.3));
    const KColor lColor = lMaterial->GetDiffuseColor();
    EXPECT_EQ(lColor.mRed, 0.5);
    EXPECT_EQ(lColor.mGreen, 0.25);
    EXPECT_EQ(lColor.mBlue, 1.0);
    EXPECT_EQ(lColor.mAlpha, 1.0);

    lMaterial->SetAmbient(2.0, -1.0, std::numeric_limits<double>::quiet_NaN());
    double lRed, lGreen, lBlue;
    lMaterial->GetAmbient(lRed, lGreen, lBlue);
    EXPECT_EQ(lRed, 1.0);
    EXPECT_EQ(lGreen, 0.0);
    EXPECT_EQ(lBlue, 0.0);
    const KColor lProperty = PropertyColor(*lMaterial, "Ambient");
    EXPECT_EQ(lProperty.mRed, 1.0);
    EXPECT_EQ(lProperty.mGreen, 0.0);

    lMaterial->SetEmissive(1.0, 0.5, 0.25);
    lMaterial->SetSpecular(0.0, 0.5, 0.75);
    EXPECT_EQ(lMaterial->GetEmissiveColor().mGreen, 0.5);
    EXPECT_EQ(lMaterial->GetSpecularColor().mBlue, 0.75);
    EXPECT_EQ(lMaterial->GetAmbientColor().mRed, 1.0);
}

TEST(KRyvMaterialTest, OpacityReflectivityAndShininessAreClamped)
{
    auto lMaterial = MakeMaterial("Red");
    lMaterial->SetOpacity(-0.5);
    EXPECT_EQ(lMaterial->GetOpacity(), 0.0);
    lMaterial->SetOpacity(2.0);
    EXPECT_EQ(lMaterial->GetOpacity(), 1.0);
    lMaterial->SetReflectivity(1e300);
    EXPECT_EQ(lMaterial->GetReflectivity(), 1.0);

    lMaterial->SetShininess(0.5);
    EXPECT_EQ(lMaterial->GetDefaultTakeNode()->GetShininess()->GetDefaultValue(), 64.0);
    EXPECT_EQ(PropertyDouble(*lMaterial, "Shininess"), 64.0);
    EXPECT_EQ(lMaterial->GetShininess(), 0.5);
    lMaterial->SetShininess(3.0);
    EXPECT_EQ(lMaterial->GetShininess(), 1.0);
    EXPECT_EQ(lMaterial->GetDefaultTakeNode()->GetShininess()->GetDefaultValue(), 128.0);
    lMaterial->SetShininess(-1.0);
    EXPECT_EQ(lMaterial->GetShininess(), 0.0);
    // A curve beyond the scale reads back limited.
    lMaterial->GetDefaultTakeNode()->GetShininess()->SetDefaultValue(300.0f);
    EXPECT_EQ(lMaterial->GetShininess(), 1.0);
}

TEST(KRyvMaterialTest, LaterTakeIsACopyOfTakeZeroWithoutLinks)
{
    auto lMaterial = MakeMaterial("Red");
    lMaterial->SetShininess(0.25);
    lMaterial->SetDiffuse(0.1, 0.2, 0.3);
    const int lLinks = lMaterial->GetPropertyCurveLinkCount();
    EXPECT_EQ(lLinks, 4 * 3 + 3);
    KRyvTakeNode* lTake = lMaterial->AddTakeNode("Walk");
    ASSERT_NE(lTake, nullptr);
    EXPECT_EQ(lTake->GetShininess()->GetDefaultValue(), 32.0);
    EXPECT_EQ(lTake->GetDiffuseZ()->GetDefaultValue(), Float(0.3));
    EXPECT_EQ(lMaterial->GetPropertyCurveLinkCount(), lLinks);
    // Changing the later take leaves the property and the accessors alone.
    lTake->GetShininess()->SetDefaultValue(100.0f);
    EXPECT_EQ(PropertyDouble(*lMaterial, "Shininess"), 32.0);
    EXPECT_TRUE(lMaterial->SetCurrentTakeNode("Walk"));
    EXPECT_EQ(lMaterial->GetShininess(), 0.25);
}

TEST(KRyvMaterialTest, IsSameComparesNameExactlyAndShadingModelIgnoringCase)
{
    auto lA = MakeMaterial("Skin");
    auto lB = MakeMaterial("Skin");
    lA->SetShadingModel("Phong");
    lB->SetShadingModel("PHONG");
    EXPECT_TRUE(lA->IsSame(lB.get()));
    EXPECT_TRUE(lB->IsSame(lA.get()));
    lB->SetShadingModel("lambert");
    EXPECT_FALSE(lA->IsSame(lB.get()));
    lB->SetShadingModel("phong");
    lB->SetOpacity(0.5);
    EXPECT_FALSE(lA->IsSame(lB.get()));
    lB->SetOpacity(1.0);
    EXPECT_TRUE(lA->IsSame(lB.get()));
    lB->SetSpecular(0.2, 0.2, 0.21);
    EXPECT_FALSE(lA->IsSame(lB.get()));

    auto lC = MakeMaterial("skin");
    lC->SetShadingModel("Phong");
    EXPECT_FALSE(lA->IsSame(lC.get()));
    EXPECT_FALSE(lA->IsSame(nullptr));
    lB->SetShadingModel(nullptr);
    EXPECT_STREQ(lB->GetShadingModel().Buffer(), "");
}

TEST(KRyvMaterialTest, ConnectionToANodeRegistersInItsSceneOnce)
{
    KRyvSceneEntity lScene;
    auto lRoot = std::make_unique<KRyvNode>(nullptr, "Root");
    auto lNode = std::make_unique<KRyvNode>(nullptr, "Box");
    auto lOther = std::make_unique<KRyvNode>(nullptr, "Ball");
    ASSERT_TRUE(lRoot->SetScene(&lScene, 1));
    ASSERT_TRUE(lRoot->AddChild(lNode.get()));
    ASSERT_TRUE(lRoot->AddChild(lOther.get()));
    auto lMaterial = MakeMaterial("Red");

    ASSERT_TRUE(lNode->GetProperties()->ConnectSrc(lMaterial->GetProperties()));
    ASSERT_EQ(lScene.GetMaterialCount(), 1);
    EXPECT_EQ(lScene.GetMaterial(0), lMaterial.get());
    ASSERT_TRUE(lOther->GetProperties()->ConnectSrc(lMaterial->GetProperties()));
    EXPECT_EQ(lScene.GetMaterialCount(), 1);
    // Listed once by name: the first remove empties the list.
    EXPECT_TRUE(lScene.RemoveMaterial(lMaterial.get()));

    // A partner that is not a node's block registers nothing.
    auto lLoose = MakeMaterial("Blue");
    KObject lPlain;
    ASSERT_TRUE(lPlain.ConnectSrc(lLoose->GetProperties()));
    EXPECT_EQ(lScene.GetMaterialCount(), 0);
    lPlain.Destruct();
}

TEST(KRyvMaterialTest, ConnectionToANodeOutsideAnySceneRegistersNothing)
{
    auto lNode = std::make_unique<KRyvNode>(nullptr, "Box");
    auto lMaterial = MakeMaterial("Red");
    EXPECT_TRUE(lNode->GetProperties()->ConnectSrc(lMaterial->GetProperties()));
    EXPECT_EQ(lMaterial->GetProperties()->GetDstCount(), 1);
    // Either may go first.
    lNode.reset();
    EXPECT_EQ(lMaterial->GetProperties()->GetDstCount(), 0);
}

TEST(KRyvMaterialTest, UserPropertiesLiveOnThePropertySetAndInEveryTake)
{
    auto lMaterial = MakeMaterial("Red");
    lMaterial->AddTakeNode("Walk");
    KRyvUserProperty lUser(nullptr, "Glow", "Real", "Glow");
    lUser.SetFlag(KRyvUserProperty::kFlagAnimatable, true);
    lMaterial->AddUserProperty(&lUser);
    ASSERT_TRUE(lUser.IsBound());
    EXPECT_EQ(lMaterial->GetProperties()->GetPropertyCount(), 8);
    EXPECT_NE(lMaterial->GetTakeNode(0)->GetCurve("Glow"), nullptr);
    EXPECT_NE(lMaterial->GetTakeNode(1)->GetCurve("Glow"), nullptr);
    EXPECT_TRUE(lUser.SetValue(2.5));
    EXPECT_EQ(lMaterial->GetTakeNode(0)->GetCurve("Glow")->GetDefaultValue(), 2.5);

    lMaterial->OnUserPropertyRemoved(&lUser);
    EXPECT_EQ(lMaterial->GetProperties()->GetPropertyCount(), 7);
    EXPECT_EQ(lMaterial->GetTakeNode(0)->GetKFCurveNode()->Find("Glow"), -1);
    // A user property named like a member never removes the member.
    KRyvUserProperty lClash(nullptr, lMaterial->GetProperties()->FindProperty("Opacity"));
    lMaterial->OnUserPropertyRemoved(&lClash);
    EXPECT_NE(lMaterial->GetProperties()->FindProperty("Opacity"), nullptr);
}

TEST(KRyvMaterialTest, DestructTakesThePropertySetApartFirst)
{
    auto lMaterial = MakeMaterial("Red");
    lMaterial->Destruct();
    EXPECT_EQ(lMaterial->GetProperties(), nullptr);
    EXPECT_EQ(lMaterial->GetPropertyCurveLinkCount(), 0);
    // Accessors on the curves still work and touch no property.
    lMaterial->SetOpacity(0.5);
    EXPECT_EQ(lMaterial->GetOpacity(), 0.5);
}
