#include "scene/objects/KRyvLayerContainer.h"

#include "tests/support/SceneTestSupport.h"

#include "scene/KRyvNode.h"
#include "scene/KRyvNodeProperties.h"
#include "scene/KRyvSceneEntity.h"
#include "scene/objects/KLayer.h"
#include "scene/objects/KLayerElement.h"
#include "scene/objects/KRyvMaterial.h"
#include "scene/objects/KRyvTexture.h"

#include <gtest/gtest.h>

#include <climits>
#include <memory>

TEST(KLayerElement, ModeTextsAreComparedExactly)
{
    const char* const kMapping[] = {"NoMappingInformation", "ByVertice", "ByPolygonVertex",
                                    "ByPolygon", "AllSame"};
    for (int lMode = 0; lMode < 5; ++lMode) {
        EXPECT_STREQ(KLayerElement::GetMappingModeText(lMode), kMapping[lMode]);
        EXPECT_EQ(KLayerElement::GetMappingModeFromText(kMapping[lMode]), lMode);
    }
    const char* const kReference[] = {"Direct", "Index", "IndexToDirect"};
    for (int lMode = 0; lMode < 3; ++lMode) {
        EXPECT_STREQ(KLayerElement::GetReferenceModeText(lMode), kReference[lMode]);
        EXPECT_EQ(KLayerElement::GetReferenceModeFromText(kReference[lMode]), lMode);
    }
    EXPECT_EQ(KLayerElement::GetMappingModeFromText("byvertice"), 0);
    EXPECT_EQ(KLayerElement::GetMappingModeFromText("ByVertice "), 0);
    EXPECT_EQ(KLayerElement::GetMappingModeFromText(nullptr), 0);
    EXPECT_EQ(KLayerElement::GetReferenceModeFromText("indextodirect"), 0);
    EXPECT_EQ(KLayerElement::GetReferenceModeFromText("IndexToDirectX"), 0);
    EXPECT_STREQ(KLayerElement::GetMappingModeText(5), "NoMappingInformation");
    EXPECT_STREQ(KLayerElement::GetReferenceModeText(-1), "Direct");
}

TEST(KLayerElement, ConstructionDefaults)
{
    KLayerElementUV lUV;
    EXPECT_EQ(lUV.GetMappingMode(), 0);
    EXPECT_EQ(lUV.GetReferenceMode(), 0);
    EXPECT_TRUE(lUV.GetDirectArray().empty());
    EXPECT_TRUE(lUV.GetIndexArray().empty());
    EXPECT_EQ(lUV.Add(0.25, 0.5), 0);
    EXPECT_EQ(lUV.Add(1.0, 0.0), 1);
    EXPECT_EQ(lUV.GetDirectArray()[1], KVector2(1.0, 0.0));

    KLayerElementTexture lTexture;
    EXPECT_EQ(lTexture.GetMappingMode(), 0);
    EXPECT_EQ(lTexture.GetReferenceMode(), KLayerElement::eIndexToDirect);
    EXPECT_EQ(lTexture.GetBlendMode(), 0);
    EXPECT_DOUBLE_EQ(lTexture.GetAlpha(), 1.0);

    KLayerElementVertexColor lColors;
    EXPECT_EQ(lColors.Add(KColor(0.1, 0.2, 0.3, 0.4)), 0);
    EXPECT_DOUBLE_EQ(lColors.GetDirectArray()[0].mAlpha, 0.4);
}

TEST(KLayer, ElementsByTypeAndDeepCopy)
{
    KLayer lLayer;
    for (int lType = -1; lType <= 7; ++lType) {
        EXPECT_EQ(lLayer.GetElement(lType), nullptr);
    }
    lLayer.SetNormals(std::make_unique<KLayerElementNormal>());
    lLayer.GetNormals()->GetDirectArray().push_back(KVector4(0, 0, 1, 0));
    lLayer.GetNormals()->SetMappingMode(KLayerElement::eByPolygonVertex);
    auto* lTextures = lLayer.SetTextures(std::make_unique<KLayerElementTexture>());
    ASSERT_NE(lTextures, nullptr);
    lTextures->SetBlendMode(2);
    lTextures->SetAlpha(0.5);
    lTextures->GetIndexArray() = {0, 0, 1};
    lLayer.SetPolygonGroups(std::make_unique<KLayerElementPolygonGroup>());
    lLayer.GetPolygonGroups()->GetDirectArray().push_back(7);

    EXPECT_EQ(lLayer.GetElement(KLayerElement::eNormal), lLayer.GetNormals());
    EXPECT_EQ(lLayer.GetElement(KLayerElement::eTexture), lTextures);
    EXPECT_EQ(lLayer.GetElement(KLayerElement::eUV), nullptr);

    KLayer lCopy;
    lCopy.SetUVs(std::make_unique<KLayerElementUV>());
    lCopy = lLayer;
    EXPECT_EQ(lCopy.GetUVs(), nullptr);
    ASSERT_NE(lCopy.GetNormals(), nullptr);
    EXPECT_NE(lCopy.GetNormals(), lLayer.GetNormals());
    EXPECT_EQ(lCopy.GetNormals()->GetMappingMode(), KLayerElement::eByPolygonVertex);
    EXPECT_EQ(lCopy.GetNormals()->GetDirectArray()[0], KVector4(0, 0, 1, 0));
    EXPECT_EQ(lCopy.GetTextures()->GetBlendMode(), 2);
    EXPECT_DOUBLE_EQ(lCopy.GetTextures()->GetAlpha(), 0.5);
    EXPECT_EQ(lCopy.GetTextures()->GetIndexArray(), (std::vector<int>{0, 0, 1}));
    EXPECT_EQ(lCopy.GetPolygonGroups()->GetDirectArray()[0], 7);

    // The copy is independent of the original.
    lLayer.GetNormals()->GetDirectArray()[0] = KVector4(1, 0, 0, 0);
    EXPECT_EQ(lCopy.GetNormals()->GetDirectArray()[0], KVector4(0, 0, 1, 0));

    lCopy = lCopy;
    EXPECT_NE(lCopy.GetNormals(), nullptr);
    lCopy.Clear();
    for (int lType = 1; lType <= 6; ++lType) {
        EXPECT_FALSE(lCopy.HasElement(lType));
    }
}

TEST(KRyvLayerContainer, ControlPointsAndNormals)
{
    KRyvLayerContainer lContainer(nullptr);
    EXPECT_EQ(lContainer.GetAttributeType(), 0);
    EXPECT_EQ(lContainer.GetControlPoints(), nullptr);
    EXPECT_EQ(lContainer.GetNormalsDirect(), nullptr);
    EXPECT_FALSE(lContainer.SetControlPointAndNormal(0, KVector4(1, 2, 3, 1), KVector4()));

    lContainer.InitControlPoints(8);
    ASSERT_EQ(lContainer.GetControlPointCount(), 8);
    EXPECT_EQ(lContainer.GetControlPoints()[7], KVector4());
    lContainer.InitControlPoints(-3);
    EXPECT_EQ(lContainer.GetControlPointCount(), 0);
    lContainer.InitControlPoints(8);

    lContainer.InitNormals(0);
    ASSERT_NE(lContainer.GetLayer(0), nullptr);
    const KLayerElementNormal* lNormals = lContainer.GetLayer(0)->GetNormals();
    ASSERT_NE(lNormals, nullptr);
    EXPECT_EQ(lNormals->GetMappingMode(), KLayerElement::eByControlPoint);
    EXPECT_EQ(lNormals->GetReferenceMode(), KLayerElement::eDirect);
    EXPECT_EQ(lContainer.GetNormalsDirectCount(), 8);

    lContainer.InitNormals(8);
    EXPECT_EQ(lNormals->GetMappingMode(), KLayerElement::eByControlPoint);
    lContainer.InitNormals(24);
    EXPECT_EQ(lNormals->GetMappingMode(), KLayerElement::eByPolygonVertex);
    EXPECT_EQ(lContainer.GetNormalsDirectCount(), 24);
    EXPECT_EQ(lContainer.GetLayerCount(), 1);

    // Both arrays grow to the index; the points before it stay.
    lContainer.InitNormals(0);
    lContainer.GetControlPoints()[2] = KVector4(5, 5, 5, 1);
    EXPECT_TRUE(lContainer.SetControlPointAndNormal(10, KVector4(1, 2, 3, 1), KVector4(0, 1, 0)));
    EXPECT_EQ(lContainer.GetControlPointCount(), 11);
    EXPECT_EQ(lContainer.GetNormalsDirectCount(), 11);
    EXPECT_EQ(lContainer.GetControlPoints()[2], KVector4(5, 5, 5, 1));
    EXPECT_EQ(lContainer.GetControlPoints()[10], KVector4(1, 2, 3, 1));
    EXPECT_EQ(lContainer.GetNormalsDirect()[10], KVector4(0, 1, 0));
    EXPECT_FALSE(lContainer.SetControlPointAndNormal(-1, KVector4(), KVector4()));
}

TEST(KRyvLayerContainer, LayersByTypeAndIndex)
{
    KRyvLayerContainer lContainer(nullptr);
    EXPECT_EQ(lContainer.CreateLayer(), 0);
    EXPECT_EQ(lContainer.CreateLayer(), 1);
    EXPECT_EQ(lContainer.CreateLayer(), 2);
    lContainer.GetLayer(1)->SetUVs(std::make_unique<KLayerElementUV>());
    lContainer.GetLayer(2)->SetUVs(std::make_unique<KLayerElementUV>());
    lContainer.GetLayer(2)->SetVertexColors(std::make_unique<KLayerElementVertexColor>());

    EXPECT_EQ(lContainer.GetLayer(-1), nullptr);
    EXPECT_EQ(lContainer.GetLayer(3), nullptr);
    EXPECT_EQ(lContainer.GetLayerCount(KLayerElement::eUV), 2);
    EXPECT_EQ(lContainer.GetLayerCount(KLayerElement::eVertexColor), 1);
    EXPECT_EQ(lContainer.GetLayerCount(0), 0);
    EXPECT_EQ(lContainer.GetLayerCount(7), 0);
    EXPECT_EQ(lContainer.GetLayerIndexOfType(0, KLayerElement::eUV), 1);
    EXPECT_EQ(lContainer.GetLayerIndexOfType(1, KLayerElement::eUV), 2);
    EXPECT_EQ(lContainer.GetLayerIndexOfType(2, KLayerElement::eUV), -1);
    EXPECT_EQ(lContainer.GetLayerOfType(0, KLayerElement::eVertexColor), lContainer.GetLayer(2));
    EXPECT_EQ(lContainer.GetLayerOfType(0, KLayerElement::eNormal), nullptr);

    KRyvLayerContainer lCopy(nullptr);
    lCopy.InitControlPoints(2);
    lCopy = lContainer;
    EXPECT_EQ(lCopy.GetControlPointCount(), 0);
    EXPECT_EQ(lCopy.GetLayerCount(), 3);
    EXPECT_NE(lCopy.GetLayer(1), lContainer.GetLayer(1));
    EXPECT_EQ(lCopy.GetLayerCount(KLayerElement::eUV), 2);

    lContainer.RemoveAllLayers();
    EXPECT_EQ(lContainer.GetLayerCount(), 0);
    EXPECT_EQ(lCopy.GetLayerCount(KLayerElement::eVertexColor), 1);
}

TEST(KRyvLayerContainer, AddTextureCreatesLayersUpToTheCap)
{
    KRyvLayerContainer lContainer(nullptr);
    auto lWood = MakeTexture("Wood");

    EXPECT_EQ(lContainer.AddTexture(lWood.get(), 3), 0);
    EXPECT_EQ(lContainer.GetLayerCount(), 4);
    const KLayerElementTexture* lElement = lContainer.GetLayer(3)->GetTextures();
    ASSERT_NE(lElement, nullptr);
    EXPECT_EQ(lElement->GetReferenceMode(), KLayerElement::eIndexToDirect);
    EXPECT_EQ(lContainer.GetLayer(2)->GetTextures(), nullptr);
    EXPECT_EQ(lContainer.AddTexture(lWood.get(), 3), 0);
    EXPECT_EQ(lElement->GetDirectArray().size(), 1u);

    // A layer number from a file cannot make the container allocate without bound.
    EXPECT_EQ(lContainer.AddTexture(lWood.get(), KRyvLayerContainer::kMaxLayerIndex + 1), -1);
    EXPECT_EQ(lContainer.AddTexture(lWood.get(), 2000000000), -1);
    EXPECT_EQ(lContainer.AddTexture(lWood.get(), INT_MAX), -1);
    EXPECT_EQ(lContainer.AddTexture(lWood.get(), -1), -1);
    EXPECT_EQ(lContainer.AddTexture(nullptr, 0), -1);
    EXPECT_EQ(lContainer.GetLayerCount(), 4);
    EXPECT_EQ(lContainer.AddTexture(lWood.get(), KRyvLayerContainer::kMaxLayerIndex), 0);
    EXPECT_EQ(lContainer.GetLayerCount(), KRyvLayerContainer::kMaxLayerIndex + 1);
}

TEST(KRyvLayerContainer, TextureAndMaterialLookups)
{
    KRyvLayerContainer lContainer(nullptr);
    auto lWood = MakeTexture("Wood");
    auto lStone = MakeTexture("Stone");
    auto lRed = MakeMaterial("Red");

    EXPECT_EQ(lContainer.AddTexture(lWood.get()), 0);
    EXPECT_EQ(lContainer.AddTexture(lStone.get()), 1);
    EXPECT_EQ(lContainer.GetTexture(1), lStone.get());
    EXPECT_EQ(lContainer.GetTexture(2), nullptr);
    EXPECT_EQ(lContainer.GetTexture(-1), nullptr);
    EXPECT_EQ(lContainer.GetTexture(0, 1), nullptr);
    EXPECT_EQ(lContainer.GetTextureIndex("Stone"), 1);
    EXPECT_EQ(lContainer.GetTextureIndex("Texture::Wood"), 0);
    EXPECT_EQ(lContainer.GetTextureIndex("Other::Wood"), 0);
    EXPECT_EQ(lContainer.GetTextureIndex("wood"), -1);
    EXPECT_EQ(lContainer.GetTextureIndex(nullptr), -1);
    EXPECT_EQ(lContainer.GetTextureIndex("Wood", 5), -1);
    EXPECT_EQ(lContainer.GetTextureCount(), 2);
    EXPECT_EQ(lContainer.GetTextureCount(3), 0);

    EXPECT_EQ(lContainer.AddMaterial(lRed.get()), 0);
    EXPECT_EQ(lContainer.AddMaterial(lRed.get()), -1);
    EXPECT_EQ(lContainer.GetMaterial(0), lRed.get());
    EXPECT_EQ(lContainer.GetMaterialIndex("Material::Red"), 0);
    EXPECT_EQ(lContainer.GetMaterialIndex("Texture::Red"), 0);
    EXPECT_EQ(lContainer.GetMaterialIndex("Wood"), -1);
    EXPECT_EQ(lContainer.GetMaterialCount(), 1);
    EXPECT_EQ(lContainer.GetLayer(0)->GetMaterials()->GetReferenceMode(), KLayerElement::eDirect);
}

TEST(KRyvLayerContainer, IndexModeGoesThroughTheNodeConnections)
{
    KRyvNode lNode(nullptr, "Model::Box");
    auto lRed = MakeMaterial("Red");
    auto lBlue = MakeMaterial("Blue");
    KRyvLayerContainer lContainer(nullptr);
    lContainer.AddMaterial(lRed.get());
    KLayerElementMaterial* lElement = lContainer.GetLayer(0)->GetMaterials();
    lElement->SetReferenceMode(KLayerElement::eIndex);
    lElement->GetIndexArray() = {0, 1, 1, 0, 1};

    // Detached: nothing to index.
    EXPECT_EQ(lContainer.GetMaterial(0), nullptr);
    EXPECT_EQ(lContainer.GetMaterialCount(), 0);

    lNode.SetNodeAttribute(&lContainer);
    ASSERT_TRUE(lNode.GetNodeProperties()->ConnectSrc(lBlue->GetMaterialProperties()));
    EXPECT_EQ(lContainer.GetMaterial(0), lBlue.get());
    EXPECT_EQ(lContainer.GetMaterial(1), nullptr);
    // Two distinct indices, but only one material connected.
    EXPECT_EQ(lContainer.GetMaterialCount(), 1);
    ASSERT_TRUE(lNode.GetNodeProperties()->ConnectSrc(lRed->GetMaterialProperties()));
    EXPECT_EQ(lContainer.GetMaterial(1), lRed.get());
    EXPECT_EQ(lContainer.GetMaterialCount(), 2);
    lNode.SetNodeAttribute(nullptr);
}

TEST(KRyvLayerContainer, UseCountsFollowTheConnectionOwner)
{
    KRyvSceneEntity lEntity;
    KRyvSceneEntity lOther;
    auto lRed = MakeMaterial("Red");
    auto lWood = MakeTexture("Wood");
    KRyvLayerContainer lContainer(nullptr);
    lContainer.SetConnectionOwner(&lEntity);

    EXPECT_EQ(lContainer.AddMaterial(lRed.get()), 0);
    EXPECT_EQ(lContainer.AddMaterial(lRed.get()), -1);
    EXPECT_EQ(lContainer.AddTexture(lWood.get(), 1), 0);
    EXPECT_EQ(lContainer.AddTexture(lWood.get(), 1), 0);
    EXPECT_EQ(lEntity.GetMaterialCount(), 1);
    EXPECT_EQ(lEntity.GetTextureCount(), 1);

    // A second user of the same material: releasing it leaves the first use counted.
    KRyvLayerContainer lSecond(nullptr);
    lSecond.AddMaterial(lRed.get());
    lSecond.SetConnectionOwner(&lEntity);
    lSecond.ReleaseConnections();
    EXPECT_EQ(lSecond.GetConnectionOwner(), nullptr);
    EXPECT_EQ(lEntity.GetMaterialCount(), 1);

    // Moving to another owner gives back every use in the old one.
    lContainer.SetConnectionOwner(&lOther);
    EXPECT_EQ(lEntity.GetMaterialCount(), 0);
    EXPECT_EQ(lEntity.GetTextureCount(), 0);
    EXPECT_EQ(lOther.GetMaterialCount(), 1);
    EXPECT_EQ(lOther.GetTextureCount(), 1);
    lContainer.SetConnectionOwner(&lOther);
    EXPECT_EQ(lOther.GetMaterialCount(), 1);
    lContainer.SetConnectionOwner(nullptr);
    EXPECT_EQ(lOther.GetMaterialCount(), 0);
    EXPECT_EQ(lOther.GetTextureCount(), 0);

    // Copies do not take the connection owner.
    lContainer.SetConnectionOwner(&lEntity);
    KRyvLayerContainer lCopy(nullptr);
    lCopy = lContainer;
    EXPECT_EQ(lCopy.GetConnectionOwner(), nullptr);
    EXPECT_EQ(lCopy.GetMaterial(0), lRed.get());
    lContainer.ReleaseConnections();
    EXPECT_EQ(lEntity.GetMaterialCount(), 0);
}
