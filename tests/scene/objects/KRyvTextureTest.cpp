#include "scene/objects/KRyvTexture.h"

#include "tests/support/SceneTestSupport.h"

#include "animation/KFCurve.h"
#include "animation/KFCurveNode.h"
#include "animation/KRyvTakeNode.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvSceneEntity.h"
#include "scene/objects/KRyvVideo.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

int EnumValue(KRyvTexture& pTexture, const char* pName)
{
    return pTexture.GetProperties()->FindProperty(pName)->GetValueAsInt();
}

double Float(double pValue)
{
    return static_cast<double>(static_cast<float>(pValue));
}

} // namespace

TEST(KRyvTextureTest, PropertySetOrderTypesAndEnumerations)
{
    auto lTexture = MakeTexture("Wood");
    KObject* lSet = lTexture->GetProperties();
    ASSERT_NE(lSet, nullptr);
    EXPECT_TRUE(lSet->IsA(KRyvTextureProperties::ClassId()));
    EXPECT_EQ(dynamic_cast<KRyvTexture*>(lSet->GetOwnerObject()), lTexture.get());
    const char* const kNames[] = {"Translation",
                                  "Rotation",
                                  "Scaling",
                                  "Texture alpha",
                                  "TextureTypeUse",
                                  "CurrentTextureBlendMode",
                                  "UseMaterial",
                                  "UseMipMap",
                                  "CurrentMappingType",
                                  "UVSwap",
                                  "WrapModeU",
                                  "WrapModeV",
                                  "TextureRotationPivot",
                                  "TextureScalingPivot",
                                  "VideoProperty"};
    const int kTypes[] = {kPropertyTypeVector3D, kPropertyTypeVector3D, kPropertyTypeVector3D,
                          kPropertyTypeDouble,   kPropertyTypeEnum,     kPropertyTypeEnum,
                          kPropertyTypeBool,     kPropertyTypeBool,     kPropertyTypeEnum,
                          kPropertyTypeBool,     kPropertyTypeEnum,     kPropertyTypeEnum,
                          kPropertyTypeVector3D, kPropertyTypeVector3D, kPropertyTypeObject};
    ASSERT_EQ(lSet->GetPropertyCount(), 15);
    for (int i = 0; i < 15; ++i) {
        EXPECT_STREQ(lSet->GetProperty(i)->GetName(), kNames[i]);
        EXPECT_EQ(lSet->GetProperty(i)->GetPropertyType(), kTypes[i]) << kNames[i];
        EXPECT_EQ(lSet->GetProperty(i)->IsAnimatable(), i < 4) << kNames[i];
    }
    KProperty* lMapping = lSet->FindProperty("CurrentMappingType");
    EXPECT_EQ(lMapping->GetEnumCount(), 11);
    EXPECT_STREQ(lMapping->GetEnumItem(7), "Projection");
    EXPECT_EQ(lMapping->GetEnumItem(11), nullptr);
    EXPECT_EQ(lSet->FindProperty("TextureTypeUse")->GetEnumCount(), 6);
    EXPECT_STREQ(lSet->FindProperty("TextureTypeUse")->GetEnumItem(5), "Bump Map (NormalMap)");
    EXPECT_EQ(lSet->FindProperty("CurrentTextureBlendMode")->GetEnumCount(), 4);
    EXPECT_STREQ(lSet->FindProperty("WrapModeV")->GetEnumItem(1), "Clamp");
    EXPECT_EQ(KRyvTextureProperties::BlendModeName(-1), nullptr);
    EXPECT_EQ(KRyvTextureProperties::WrapModeName(2), nullptr);
}

TEST(KRyvTextureTest, NewTextureAfterReset)
{
    auto lTexture = MakeTexture("Wood");
    EXPECT_EQ(lTexture->GetObjectType(), 2);
    EXPECT_STREQ(lTexture->GetName().Buffer(), "Texture::Wood");
    EXPECT_STREQ(lTexture->GetTypeName().Buffer(), "TextureVideoClip");
    EXPECT_EQ(EnumValue(*lTexture, "CurrentTextureBlendMode"), 1);
    EXPECT_EQ(lTexture->GetBlendMode(), KRyvTexture::eAdditive);
    EXPECT_EQ(EnumValue(*lTexture, "CurrentMappingType"), 0);
    EXPECT_EQ(lTexture->GetMappingType(), KRyvTexture::eUV);
    EXPECT_EQ(lTexture->GetPlanarMappingNormal(), 0);
    EXPECT_EQ(lTexture->GetUVScaling(), KVector2(1.0, 1.0));
    EXPECT_EQ(lTexture->GetUVTranslation(), KVector2(0.0, 0.0));
    EXPECT_EQ(lTexture->GetTextureUse(), KRyvTexture::eStandard);
    EXPECT_EQ(lTexture->GetMaterialUse(), 1);
    EXPECT_FALSE(lTexture->GetSwapUV());
    EXPECT_EQ(lTexture->GetWrapModeU(), KRyvTexture::eRepeat);
    EXPECT_EQ(lTexture->GetAlphaSource(), KRyvTexture::eNone);
    EXPECT_EQ(lTexture->GetDefaultAlpha(), 1.0);
    EXPECT_STREQ(lTexture->GetFileName(), "");
    EXPECT_EQ(lTexture->GetVideo(), nullptr);

    KRyvTakeNode* lTake = lTexture->GetDefaultTakeNode();
    ASSERT_EQ(lTexture->GetTakeNodeCount(), 1);
    KFCurveNode* lRoot = lTake->GetKFCurveNode();
    ASSERT_EQ(lRoot->GetCount(), 4);
    EXPECT_STREQ(lRoot->Get(0)->GetName(), "Translation");
    EXPECT_STREQ(lRoot->Get(2)->GetDataType()->GetName(), "Scaling");
    EXPECT_STREQ(lRoot->Get(3)->GetName(), "Alpha");
    EXPECT_EQ(lTake->GetScalingX()->GetDefaultValue(), 1.0);
    EXPECT_EQ(lTake->GetScalingZ()->GetDefaultValue(), 1.0);
    EXPECT_EQ(lTake->GetTranslationY()->GetDefaultValue(), 0.0);
    EXPECT_EQ(lTake->GetAlpha()->GetDefaultValue(), 1.0);
    EXPECT_EQ(lTake->GetAlpha()->GetColor()[0], 0.75f);
    EXPECT_EQ(lTake->GetRotationZ()->GetColor()[2], 1.0f);
    // The channels are not linked: the accessors write both sides.
    EXPECT_EQ(lTexture->GetPropertyCurveLinkCount(), 0);
}

TEST(KRyvTextureTest, MappingTypeCodesSetTheMappingProperty)
{
    auto lTexture = MakeTexture("Wood");
    struct Case
    {
        int mCode;
        int mProperty;
    };
    const Case kCases[] = {{KRyvTexture::eSpherical, 4}, {KRyvTexture::eCylindrical, 5},
                           {KRyvTexture::eBox, 8},       {KRyvTexture::eFace, 9},
                           {KRyvTexture::eUV, 0},        {KRyvTexture::eEnvironment, 6},
                           {KRyvTexture::eNull, 10},     {42, 10}};
    for (const Case& lCase : kCases) {
        lTexture->SetMappingType(lCase.mCode);
        EXPECT_EQ(lTexture->GetMappingType(), lCase.mCode);
        EXPECT_EQ(EnumValue(*lTexture, "CurrentMappingType"), lCase.mProperty) << lCase.mCode;
    }

    lTexture->SetPlanarMappingNormal(KRyvTexture::ePlanarNormalZ);
    EXPECT_EQ(EnumValue(*lTexture, "CurrentMappingType"), 10);
    lTexture->SetMappingType(KRyvTexture::ePlanar);
    EXPECT_EQ(EnumValue(*lTexture, "CurrentMappingType"), 1);
    lTexture->SetPlanarMappingNormal(KRyvTexture::ePlanarNormalX);
    EXPECT_EQ(EnumValue(*lTexture, "CurrentMappingType"), 2);
    lTexture->SetPlanarMappingNormal(KRyvTexture::ePlanarNormalY);
    EXPECT_EQ(EnumValue(*lTexture, "CurrentMappingType"), 3);
    // An unknown normal leaves the property as it was.
    lTexture->SetPlanarMappingNormal(5);
    EXPECT_EQ(EnumValue(*lTexture, "CurrentMappingType"), 3);
    lTexture->SetMappingType(KRyvTexture::ePlanar);
    EXPECT_EQ(EnumValue(*lTexture, "CurrentMappingType"), 3);
    EXPECT_EQ(lTexture->GetPlanarMappingNormal(), 5);
}

TEST(KRyvTextureTest, TextureUseCodesRoundTrip)
{
    auto lTexture = MakeTexture("Wood");
    const int kProperty[] = {0, 3, 4, 1, 2, 5};
    for (int lCode = 0; lCode <= 5; ++lCode) {
        lTexture->SetTextureUse(lCode);
        EXPECT_EQ(EnumValue(*lTexture, "TextureTypeUse"), kProperty[lCode]);
        EXPECT_EQ(lTexture->GetTextureUse(), lCode);
    }
    lTexture->SetTextureUse(9);
    EXPECT_EQ(EnumValue(*lTexture, "TextureTypeUse"), 0);
    EXPECT_EQ(lTexture->GetTextureUse(), 0);
    lTexture->GetProperties()->FindProperty("TextureTypeUse")->SetValue(-3);
    EXPECT_EQ(lTexture->GetTextureUse(), 0);
}

TEST(KRyvTextureTest, MaterialUseWrapBlendAlphaAndSwap)
{
    auto lTexture = MakeTexture("Wood");
    lTexture->SetMaterialUse(0);
    EXPECT_EQ(EnumValue(*lTexture, "UseMaterial"), 1);
    EXPECT_EQ(lTexture->GetMaterialUse(), 0);
    lTexture->SetMaterialUse(7);
    EXPECT_EQ(lTexture->GetMaterialUse(), 1);

    lTexture->SetWrapMode(KRyvTexture::eClamp, KRyvTexture::eRepeat);
    EXPECT_EQ(lTexture->GetWrapModeU(), KRyvTexture::eClamp);
    EXPECT_EQ(lTexture->GetWrapModeV(), KRyvTexture::eRepeat);

    for (int lMode = 0; lMode <= 3; ++lMode) {
        lTexture->SetBlendMode(lMode);
        EXPECT_EQ(lTexture->GetBlendMode(), lMode);
    }
    // The getter reads through the property, so a value set on it is seen.
    lTexture->GetProperties()->FindProperty("CurrentTextureBlendMode")->SetValue(0);
    EXPECT_EQ(lTexture->GetBlendMode(), KRyvTexture::eTranslucent);

    lTexture->SetAlphaSource(KRyvTexture::eBlack);
    EXPECT_EQ(lTexture->GetAlphaSource(), 2);
    lTexture->SetSwapUV(true);
    EXPECT_TRUE(lTexture->GetSwapUV());
    EXPECT_EQ(EnumValue(*lTexture, "UVSwap"), 1);
    lTexture->SetSwapUV(false);
    EXPECT_FALSE(lTexture->GetSwapUV());
}

TEST(KRyvTextureTest, CroppingExchangesTheMiddleValues)
{
    auto lTexture = MakeTexture("Wood");
    lTexture->SetCropping(1, 2, 3, 4);
    EXPECT_EQ(lTexture->GetCropping1(), 1);
    EXPECT_EQ(lTexture->GetCropping2(), 3);
    EXPECT_EQ(lTexture->GetCropping3(), 2);
    EXPECT_EQ(lTexture->GetCropping4(), 4);
    // Reading back 1, 3, 2, 4 and setting again restores the first order.
    lTexture->SetCropping(lTexture->GetCropping1(), lTexture->GetCropping3(),
                          lTexture->GetCropping2(), lTexture->GetCropping4());
    EXPECT_EQ(lTexture->GetCropping2(), 3);
    EXPECT_EQ(lTexture->GetCropping3(), 2);
    lTexture->SetCropping(-5, 0, 2147483647, -2147483647 - 1);
    EXPECT_EQ(lTexture->GetCropping2(), 2147483647);
    EXPECT_EQ(lTexture->GetCropping4(), -2147483647 - 1);
}

TEST(KRyvTextureTest, UVTransformRoundTripsThroughTakeZeroAndProperties)
{
    auto lTexture = MakeTexture("Wood");
    lTexture->SetTranslation(0.5, 25.115);
    EXPECT_EQ(lTexture->GetTranslationU(), 0.5);
    EXPECT_EQ(lTexture->GetTranslationV(), 25.114999771118164);
    EXPECT_EQ(lTexture->GetDefaultTranslation()[2], 0.0);
    KVector4 lProperty;
    ASSERT_TRUE(lTexture->GetProperties()->FindProperty("Translation")->GetValue(lProperty));
    EXPECT_EQ(lProperty[1], 25.115);
    EXPECT_EQ(lProperty[3], 1.0);

    lTexture->SetRotation(10.0, 20.0, 33.3);
    EXPECT_EQ(lTexture->GetRotationW(), Float(33.3));
    EXPECT_EQ(lTexture->GetDefaultRotation()[0], 10.0);
    EXPECT_EQ(lTexture->GetDefaultTakeNode()->GetRotationY()->GetDefaultValue(), 20.0);

    lTexture->SetScale(2.0, 0.25);
    EXPECT_EQ(lTexture->GetScaleU(), 2.0);
    EXPECT_EQ(lTexture->GetScaleV(), 0.25);
    EXPECT_EQ(lTexture->GetDefaultScaling()[2], 1.0);

    lTexture->SetDefaultAlpha(0.3);
    EXPECT_EQ(lTexture->GetDefaultAlpha(), 0.3);
    EXPECT_EQ(lTexture->GetDefaultTakeNode()->GetAlpha()->GetDefaultValue(), Float(0.3));

    lTexture->SetUVTranslation(KVector2(0.1, 0.2));
    lTexture->SetUVScaling(KVector2(3.0, 4.0));
    EXPECT_EQ(lTexture->GetUVTranslation(), KVector2(0.1, 0.2));
    EXPECT_EQ(lTexture->GetUVScaling(), KVector2(3.0, 4.0));

    // A later take copies take 0 and never changes it.
    KRyvTakeNode* lWalk = lTexture->AddTakeNode("Walk");
    ASSERT_NE(lWalk, nullptr);
    EXPECT_EQ(lWalk->GetScalingX()->GetDefaultValue(), 2.0);
    lWalk->GetScalingX()->SetDefaultValue(9.0f);
    EXPECT_TRUE(lTexture->SetCurrentTakeNode(1));
    EXPECT_EQ(lTexture->GetScaleU(), 2.0);
}

TEST(KRyvTextureTest, FileNamesRefuseEmptyText)
{
    auto lTexture = MakeTexture("Wood");
    EXPECT_TRUE(lTexture->SetFileName("/maps/wood.png"));
    EXPECT_FALSE(lTexture->SetFileName(""));
    EXPECT_FALSE(lTexture->SetFileName(nullptr));
    EXPECT_STREQ(lTexture->GetFileName(), "/maps/wood.png");
    EXPECT_TRUE(lTexture->SetRelativeFileName("maps/wood.png"));
    EXPECT_FALSE(lTexture->SetRelativeFileName(""));
    EXPECT_STREQ(lTexture->GetRelativeFileName(), "maps/wood.png");
    lTexture->SetMediaName(nullptr);
    EXPECT_STREQ(lTexture->GetMediaName(), "");
}

TEST(KRyvTextureTest, IsSameIgnoresTrailingDigitsAndBlanksOfNames)
{
    auto lA = MakeTexture("Brick 12");
    auto lB = MakeTexture("Brick");
    EXPECT_TRUE(lA->IsSame(lB.get()));
    EXPECT_TRUE(lB->IsSame(lA.get()));
    auto lC = MakeTexture("Brick 12a");
    EXPECT_FALSE(lB->IsSame(lC.get()));
    auto lDigits = MakeTexture("123");
    auto lBlank = MakeTexture(" 4 ");
    EXPECT_TRUE(lDigits->IsSame(lBlank.get()));

    lA->SetFileName("a.png");
    EXPECT_FALSE(lA->IsSame(lB.get()));
    lB->SetFileName("a.png");
    EXPECT_TRUE(lA->IsSame(lB.get()));
    lA->SetCropping(0, 1, 0, 0);
    EXPECT_FALSE(lA->IsSame(lB.get()));
    lB->SetCropping(0, 1, 0, 0);
    lA->SetScale(2.0, 1.0);
    EXPECT_FALSE(lA->IsSame(lB.get()));
    lB->SetScale(2.0, 1.0);
    lA->SetDefaultAlpha(0.5);
    EXPECT_FALSE(lA->IsSame(lB.get()));
    lB->SetDefaultAlpha(0.5);
    lA->SetUVScaling(KVector2(1.0, 2.0));
    EXPECT_FALSE(lA->IsSame(lB.get()));
    lB->SetUVScaling(KVector2(1.0, 2.0));
    lA->SetTextureUse(KRyvTexture::eLightMap);
    EXPECT_FALSE(lA->IsSame(lB.get()));
    lB->SetTextureUse(KRyvTexture::eLightMap);
    EXPECT_TRUE(lA->IsSame(lB.get()));
    // The wrap mode is not part of the comparison.
    lA->SetWrapMode(1, 1);
    EXPECT_TRUE(lA->IsSame(lB.get()));
    EXPECT_FALSE(lA->IsSame(nullptr));
}

TEST(KRyvTextureTest, ConnectionToANodeRegistersInItsScene)
{
    KRyvSceneEntity lScene;
    auto lRoot = std::make_unique<KRyvNode>(nullptr, "Root");
    auto lNode = std::make_unique<KRyvNode>(nullptr, "Box");
    ASSERT_TRUE(lRoot->SetScene(&lScene, 1));
    ASSERT_TRUE(lRoot->AddChild(lNode.get()));
    auto lTexture = MakeTexture("Wood");
    ASSERT_TRUE(lNode->GetProperties()->ConnectSrc(lTexture->GetProperties()));
    ASSERT_EQ(lScene.GetTextureCount(), 1);
    EXPECT_EQ(lScene.FindTexture("Texture::Wood"), lTexture.get());
    ASSERT_TRUE(lRoot->GetProperties()->ConnectSrc(lTexture->GetProperties()));
    EXPECT_EQ(lScene.GetTextureCount(), 1);
}

TEST(KRyvTextureTest, VideoPropertyListsOnlyClips)
{
    auto lTexture = MakeTexture("Wood");
    KRyvVideo lVideo(nullptr, "Clip");
    auto lOther = MakeTexture("Other");
    KPropertyObjectList& lList = lTexture->GetTextureProperties()->GetVideoProperty();
    EXPECT_FALSE(lList.SetObjectAt(0, lOther->GetProperties()));
    EXPECT_TRUE(lList.SetObjectAt(0, lVideo.GetProperties()));
    EXPECT_EQ(lList.GetObjectCount(), 1);
    EXPECT_EQ(lList.GetObject(0), lVideo.GetProperties());
    lList.RemoveAllObjects();
}
