#include "scene/objects/KRyvGeometry.h"

#include "animation/KFCurve.h"
#include "animation/KFCurveNode.h"
#include "animation/KRyvTakeNode.h"
#include "core/KMatrixFunctions.h"
#include "object/KDataType.h"
#include "object/KProperty.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvNodeProperties.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvSceneEntity.h"
#include "scene/objects/KRyvLink.h"
#include "scene/objects/KRyvMaterial.h"
#include "scene/objects/KRyvTexture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

// The geometry base is abstract: this stands for a mesh, NURBS surface or patch by type alone.
class TestGeometry : public KRyvGeometry
{
public:
    explicit TestGeometry(int pType = eNurb, KRyvObjectFactory* pFactory = nullptr)
        : KRyvGeometry(pFactory), mType(pType)
    {
    }
    int GetAttributeType() const override { return mType; }
    using KRyvGeometry::operator=;

private:
    int mType;
};

KRyvLayerContainer* MakeShape(double pX)
{
    auto* lShape = new KRyvLayerContainer(nullptr);
    lShape->InitControlPoints(2);
    lShape->GetControlPoints()[1] = KVector4(pX, 0.0, 0.0, 1.0);
    return lShape;
}

KFCurveNode* Child(KRyvTakeNode* pTake, const char* pName)
{
    KFCurveNode* lRoot = pTake->GetKFCurveNode();
    const int lIndex = lRoot->Find(pName);
    return lIndex >= 0 ? lRoot->Get(lIndex) : nullptr;
}

void ExpectColor(const KFCurve* pCurve, float pRed, float pGreen, float pBlue)
{
    ASSERT_NE(pCurve, nullptr);
    EXPECT_FLOAT_EQ(pCurve->GetColor()[0], pRed);
    EXPECT_FLOAT_EQ(pCurve->GetColor()[1], pGreen);
    EXPECT_FLOAT_EQ(pCurve->GetColor()[2], pBlue);
}

void ExpectPoint(const KVector4& pPoint, double pX, double pY, double pZ, double pW)
{
    EXPECT_NEAR(pPoint[0], pX, 1e-9);
    EXPECT_NEAR(pPoint[1], pY, 1e-9);
    EXPECT_NEAR(pPoint[2], pZ, 1e-9);
    EXPECT_DOUBLE_EQ(pPoint[3], pW);
}

} // namespace

TEST(KRyvGeometry, AddShapeRefusesBadShapesAndNames)
{
    TestGeometry lGeometry;
    KError& lError = lGeometry.GetError();
    EXPECT_EQ(lError.GetErrorCount(), 10);

    EXPECT_EQ(lGeometry.AddShape(nullptr, "Smile"), -1);
    EXPECT_EQ(lError.GetLastErrorID(), KRyvGeometry::kParameterIsNull);
    EXPECT_STREQ(lError.GetLastErrorString().Buffer(), "Parameter is NULL.");

    KRyvLayerContainer* lSmile = MakeShape(1.0);
    EXPECT_EQ(lGeometry.AddShape(lSmile, "  "), -1);
    EXPECT_EQ(lError.GetLastErrorID(), KRyvGeometry::kShapeNameInvalid);
    EXPECT_STREQ(lError.GetLastErrorString().Buffer(), "Shape name is invalid.");
    EXPECT_EQ(lGeometry.AddShape(lSmile, "\t\n"), -1);
    EXPECT_EQ(lGeometry.AddShape(lSmile, nullptr), -1);
    EXPECT_EQ(lError.GetLastErrorID(), KRyvGeometry::kShapeNameInvalid);

    EXPECT_EQ(lGeometry.AddShape(lSmile, "Smile"), 0);
    EXPECT_EQ(lGeometry.AddShape(lSmile, "Other"), -1);
    EXPECT_EQ(lError.GetLastErrorID(), KRyvGeometry::kShapeAlreadyAdded);
    EXPECT_STREQ(lError.GetLastErrorString().Buffer(), "Shape already added.");

    std::unique_ptr<KRyvLayerContainer> lRefused(MakeShape(2.0));
    EXPECT_EQ(lGeometry.AddShape(lRefused.get(), "Smile"), -1);
    EXPECT_EQ(lError.GetLastErrorID(), KRyvGeometry::kShapeNameAlreadyUsed);
    EXPECT_STREQ(lError.GetLastErrorString().Buffer(), "Shape name is already used.");
    EXPECT_EQ(lGeometry.AddShape(lRefused.get(), "smile"), 1);
    lRefused.release();

    EXPECT_EQ(lGeometry.GetShapeCount(), 2);
    EXPECT_EQ(lGeometry.GetShape(0), lSmile);
    EXPECT_STREQ(lGeometry.GetShapeName(1), "smile");
    EXPECT_EQ(lGeometry.GetShape(2), nullptr);
    EXPECT_EQ(lError.GetLastErrorID(), KRyvGeometry::kParameterOutOfRange);
    EXPECT_STREQ(lError.GetLastErrorString().Buffer(), "Parameter out of range.");
    EXPECT_EQ(lGeometry.GetShapeName(-1), nullptr);
}

TEST(KRyvGeometry, ShapeChannelsLiveInEveryTake)
{
    KRyvNode lNode(nullptr, "Model::Face");
    ASSERT_NE(lNode.AddTakeNode("Walk"), nullptr);
    TestGeometry lGeometry;
    ASSERT_EQ(lGeometry.AddShape(MakeShape(1.0), "Smile"), 0);
    EXPECT_DOUBLE_EQ(lGeometry.GetShapeValue(0), 0.0);
    EXPECT_EQ(lGeometry.GetError().GetLastErrorID(), -1);

    lNode.SetNodeAttribute(&lGeometry);
    ASSERT_EQ(lGeometry.AddShape(MakeShape(2.0), "Blink"), 1);
    ASSERT_NE(lNode.AddTakeNode("Run"), nullptr);

    ASSERT_EQ(lNode.GetTakeNodeCount(), 3);
    for (int lTake = 0; lTake < 3; ++lTake) {
        KRyvTakeNode* lTakeNode = lNode.GetTakeNode(lTake);
        SCOPED_TRACE(lTakeNode->GetName().Buffer());
        ASSERT_NE(Child(lTakeNode, "Smile"), nullptr);
        ASSERT_NE(Child(lTakeNode, "Blink"), nullptr);
        ExpectColor(lGeometry.GetShapeChannel(lTakeNode, 0), 1.0f, 0.0f, 0.0f);
        ExpectColor(lGeometry.GetShapeChannel(lTakeNode, 1), 0.0f, 1.0f, 0.0f);
    }

    // Each shape has a "Shape" property on the node's block.
    for (const char* lName : {"Smile", "Blink"}) {
        KProperty* lProperty = lNode.GetNodeProperties()->FindProperty(lName);
        ASSERT_NE(lProperty, nullptr);
        EXPECT_EQ(lProperty->GetDataType(), FindDataType("Shape"));
        EXPECT_TRUE(lProperty->IsAnimatable());
    }

    // The weight is the default value of the curve of take "Default", in single precision.
    lGeometry.GetShapeChannel(lNode.GetDefaultTakeNode(), 1)->SetDefaultValue(0.3f);
    lGeometry.GetShapeChannel(lNode.GetTakeNode(1), 1)->SetDefaultValue(0.9f);
    EXPECT_DOUBLE_EQ(lGeometry.GetShapeValue(1), static_cast<double>(0.3f));

    EXPECT_EQ(lGeometry.FindShapeCurveNode(nullptr, 0), nullptr);
    EXPECT_EQ(lGeometry.GetError().GetLastErrorID(), KRyvGeometry::kParameterIsNull);
    EXPECT_EQ(lGeometry.FindShapeCurveNode(lNode.GetTakeNode(0), 2), nullptr);
    EXPECT_EQ(lGeometry.GetError().GetLastErrorID(), KRyvGeometry::kParameterOutOfRange);
    EXPECT_TRUE(lGeometry.RemoveShapeChannel(lNode.GetTakeNode(0), 0));
    EXPECT_FALSE(lGeometry.RemoveShapeChannel(lNode.GetTakeNode(0), 0));
    EXPECT_EQ(lGeometry.GetShapeChannel(lNode.GetTakeNode(0), 0), nullptr);
    EXPECT_EQ(lGeometry.GetError().GetLastErrorID(), KRyvGeometry::kNoShapeCurveFound);
    EXPECT_STREQ(lGeometry.GetError().GetLastErrorString().Buffer(), "No shape curve found.");
    EXPECT_DOUBLE_EQ(lGeometry.GetShapeValue(0), 0.0);
    EXPECT_EQ(lGeometry.GetError().GetLastErrorID(), KRyvGeometry::kNoShapeCurveFound);

    // Detaching takes the channels out of every take.
    lNode.SetNodeAttribute(nullptr);
    for (int lTake = 0; lTake < 3; ++lTake) {
        EXPECT_EQ(Child(lNode.GetTakeNode(lTake), "Smile"), nullptr);
        EXPECT_EQ(Child(lNode.GetTakeNode(lTake), "Blink"), nullptr);
    }
}

TEST(KRyvGeometry, PaletteWrapsAfterTwentyShapes)
{
    KRyvNode lNode(nullptr, "Model::Face");
    TestGeometry lGeometry;
    for (int lIndex = 0; lIndex < 21; ++lIndex) {
        const std::string lName = "S" + std::to_string(lIndex);
        ASSERT_EQ(lGeometry.AddShape(MakeShape(lIndex), lName.c_str()), lIndex);
    }
    lNode.SetNodeAttribute(&lGeometry);
    KRyvTakeNode* lTake = lNode.GetDefaultTakeNode();
    ExpectColor(lGeometry.GetShapeChannel(lTake, 20), 1.0f, 0.0f, 0.0f);
    ExpectColor(lGeometry.GetShapeChannel(lTake, 13), 1.0f, 0.98f, 0.61f);
    ExpectColor(lGeometry.GetShapeChannel(lTake, 19), 0.65f, 0.65f, 0.0f);
    ExpectColor(lGeometry.GetShapeChannel(lTake, 6), 0.47f, 0.0f, 0.0f);
    lNode.SetNodeAttribute(nullptr);
}

TEST(KRyvGeometry, FileNamesOfShapes)
{
    EXPECT_STREQ(KRyvGeometry::GetNumberedShapeName(0).Buffer(), "Shape 01");
    EXPECT_STREQ(KRyvGeometry::GetNumberedShapeName(99).Buffer(), "Shape 100");
    EXPECT_STREQ(KRyvGeometry::GetNumberedShapeChannelName(1).Buffer(), "Shape 02 (Shape)");
    EXPECT_STREQ(KRyvGeometry::GetShapeChannelName("Smile").Buffer(), "Smile (Shape)");

    KRyvNode lNode(nullptr, "Model::Face");
    TestGeometry lNurb(KRyvNodeAttribute::eNurb);
    lNurb.AddShape(MakeShape(1.0), "Smile");
    lNurb.AddShape(MakeShape(2.0), "Blink");
    lNode.SetNodeAttribute(&lNurb);
    KRyvTakeNode* lTake = lNode.GetDefaultTakeNode();
    lNurb.GetShapeChannel(lTake, 0)->SetDefaultValue(0.25f);

    lNurb.PrepareShapeChannelsForWrite(lTake);
    EXPECT_STREQ(lNurb.GetShapeName(0), "Shape 01");
    EXPECT_STREQ(lNurb.GetShapeName(1), "Shape 02");
    EXPECT_EQ(Child(lTake, "Smile"), nullptr);
    ASSERT_NE(Child(lTake, "Shape 01 (Shape)"), nullptr);
    ASSERT_NE(Child(lTake, "Shape 02 (Shape)"), nullptr);
    EXPECT_FLOAT_EQ(Child(lTake, "Shape 01 (Shape)")->GetCurve()->GetDefaultValue(), 0.25f);

    lNurb.RestoreShapeChannels(lTake);
    EXPECT_STREQ(lNurb.GetShapeName(0), "Smile");
    EXPECT_STREQ(lNurb.GetShapeName(1), "Blink");
    EXPECT_EQ(Child(lTake, "Shape 01 (Shape)"), nullptr);
    EXPECT_DOUBLE_EQ(lNurb.GetShapeValue(0), 0.25);
    lNurb.ClearSavedShapeNames();
    lNode.SetNodeAttribute(nullptr);

    // A mesh keeps its shape names; only the channels get the suffix.
    TestGeometry lMesh(KRyvNodeAttribute::eMesh);
    lMesh.AddShape(MakeShape(1.0), "Smile");
    lNode.SetNodeAttribute(&lMesh);
    lMesh.PrepareShapeChannelsForWrite(lTake);
    EXPECT_STREQ(lMesh.GetShapeName(0), "Smile");
    EXPECT_NE(Child(lTake, "Smile (Shape)"), nullptr);
    EXPECT_EQ(Child(lTake, "Smile"), nullptr);
    lMesh.RestoreShapeChannels(lTake);
    EXPECT_NE(Child(lTake, "Smile"), nullptr);
    lNode.SetNodeAttribute(nullptr);
}

TEST(KRyvGeometry, MergeFileShapeChannels)
{
    KRyvNode lNode(nullptr, "Model::Face");
    TestGeometry lNurb(KRyvNodeAttribute::eNurb);
    lNurb.AddShape(MakeShape(1.0), "Smile");
    lNurb.AddShape(MakeShape(2.0), "Blink");
    lNode.SetNodeAttribute(&lNurb);
    KRyvTakeNode* lTake = lNode.GetDefaultTakeNode();
    KFCurveNode* lRoot = lTake->GetKFCurveNode();

    // A numbered file channel merges into the shape's existing channel.
    lRoot->FindOrCreateChild("Shape 01 (Shape)", true)->GetCurve()->SetDefaultValue(0.5f);
    // No channel under the shape's name: the file channel takes it.
    ASSERT_TRUE(lNurb.RemoveShapeChannel(lTake, 1));
    lRoot->FindOrCreateChild("Blink (Shape)", true)->GetCurve()->SetDefaultValue(0.75f);

    lNurb.MergeFileShapeChannels(lTake);
    EXPECT_EQ(Child(lTake, "Shape 01 (Shape)"), nullptr);
    EXPECT_EQ(Child(lTake, "Blink (Shape)"), nullptr);
    EXPECT_DOUBLE_EQ(lNurb.GetShapeValue(0), 0.5);
    EXPECT_DOUBLE_EQ(lNurb.GetShapeValue(1), 0.75);
    lNode.SetNodeAttribute(nullptr);

    // A mesh merges nothing.
    TestGeometry lMesh(KRyvNodeAttribute::eMesh);
    lMesh.AddShape(MakeShape(1.0), "Smile");
    lNode.SetNodeAttribute(&lMesh);
    lRoot->FindOrCreateChild("Smile (Shape)", true);
    lMesh.MergeFileShapeChannels(lTake);
    EXPECT_NE(Child(lTake, "Smile (Shape)"), nullptr);
    lNode.SetNodeAttribute(nullptr);
}

TEST(KRyvGeometry, CopyShapesReleasesBeforeDestroying)
{
    KRyvSceneEntity lEntity;
    KRyvNode lNode(nullptr, "Model::Face");
    ASSERT_TRUE(lNode.SetScene(&lEntity, 1));
    KRyvMaterial lRed(nullptr, "Red");
    KRyvMaterial lBlue(nullptr, "Blue");

    TestGeometry lGeometry;
    KRyvLayerContainer* lOldShape = MakeShape(1.0);
    lOldShape->AddMaterial(&lRed);
    lGeometry.AddShape(lOldShape, "Smile");
    lNode.SetNodeAttribute(&lGeometry);
    EXPECT_EQ(lGeometry.GetConnectionOwner(), &lEntity);
    EXPECT_EQ(lOldShape->GetConnectionOwner(), &lEntity);
    EXPECT_EQ(lEntity.GetMaterialCount(), 1);

    TestGeometry lSource;
    KRyvLayerContainer* lSourceShape = MakeShape(7.0);
    lSourceShape->AddMaterial(&lBlue);
    lSource.AddShape(lSourceShape, "Frown");
    lSource.AddShape(MakeShape(8.0), "Wink");
    lSource.SetPivot(KMatrix(KVector4(0.0, 0.0, 90.0)));
    KRyvLink* lLink = new KRyvLink;
    lLink->AddControlPointIndex(3, 0.5);
    lSource.AddLink(lLink);

    lGeometry = lSource;
    // The old shape's use is given back; the copies count theirs in the same entity.
    EXPECT_EQ(lEntity.FindMaterial("Red"), nullptr);
    EXPECT_EQ(lEntity.GetMaterialCount(), 1);
    EXPECT_EQ(lEntity.GetMaterial(0), &lBlue);
    ASSERT_EQ(lGeometry.GetShapeCount(), 2);
    EXPECT_NE(lGeometry.GetShape(0), lSourceShape);
    EXPECT_STREQ(lGeometry.GetShapeName(0), "Frown");
    EXPECT_EQ(lGeometry.GetShape(1)->GetControlPoints()[1], KVector4(8.0, 0.0, 0.0, 1.0));
    KRyvTakeNode* lTake = lNode.GetDefaultTakeNode();
    EXPECT_EQ(Child(lTake, "Smile"), nullptr);
    EXPECT_NE(Child(lTake, "Frown"), nullptr);
    EXPECT_NE(Child(lTake, "Wink"), nullptr);
    ASSERT_EQ(lGeometry.GetLinkCount(), 1);
    EXPECT_NE(lGeometry.GetLink(0), lLink);
    EXPECT_EQ(lGeometry.GetLink(0)->GetControlPointIndicesCount(), 1);
    KMatrix lPivot;
    EXPECT_EQ(lGeometry.GetPivot(lPivot), KMatrix(KVector4(0.0, 0.0, 90.0)));

    lGeometry = lGeometry;
    EXPECT_EQ(lGeometry.GetShapeCount(), 2);

    lNode.SetNodeAttribute(nullptr);
    EXPECT_EQ(lEntity.GetMaterialCount(), 0);
    lNode.SetScene(nullptr);
}

TEST(KRyvGeometry, RemoveAllShapesHandsThemBack)
{
    TestGeometry lGeometry;
    std::unique_ptr<KRyvLayerContainer> lShape(MakeShape(1.0));
    lGeometry.AddShape(lShape.get(), "Smile");
    lGeometry.RemoveAllShapes();
    EXPECT_EQ(lGeometry.GetShapeCount(), 0);
    EXPECT_EQ(lGeometry.AddShape(lShape.get(), "Smile"), 0);
    lGeometry.RemoveAllShapes();

    std::unique_ptr<KRyvLink> lLink(new KRyvLink);
    EXPECT_EQ(lGeometry.AddLink(lLink.get()), 0);
    EXPECT_EQ(lGeometry.GetLink(0), lLink.get());
    EXPECT_EQ(lGeometry.GetLink(1), nullptr);
    EXPECT_EQ(lGeometry.GetError().GetLastErrorID(), KRyvGeometry::kParameterOutOfRange);
    lGeometry.RemoveAllLinks();
    EXPECT_EQ(lGeometry.GetLinkCount(), 0);
}

TEST(KRyvGeometry, MaterialAndTextureFailuresSetTheError)
{
    TestGeometry lGeometry;
    KRyvMaterial lRed(nullptr, "Red");
    lRed.SetName("Red");
    EXPECT_EQ(lGeometry.AddMaterial(&lRed), 0);
    EXPECT_EQ(lGeometry.GetError().GetLastErrorID(), -1);
    EXPECT_EQ(lGeometry.AddMaterial(&lRed), -1);
    EXPECT_STREQ(lGeometry.GetError().GetLastErrorString().Buffer(), "Material already added.");
    EXPECT_EQ(lGeometry.GetMaterialIndex("Blue"), -1);
    EXPECT_STREQ(lGeometry.GetError().GetLastErrorString().Buffer(), "Material not found.");
    EXPECT_EQ(lGeometry.GetMaterial(1), nullptr);
    EXPECT_EQ(lGeometry.GetError().GetLastErrorID(), KRyvGeometry::kParameterOutOfRange);
    EXPECT_EQ(lGeometry.AddTexture(nullptr, 0), -1);
    EXPECT_EQ(lGeometry.GetError().GetLastErrorID(), KRyvGeometry::kTextureAlreadyAdded);
    EXPECT_EQ(lGeometry.GetTextureIndex("Wood"), -1);
    EXPECT_STREQ(lGeometry.GetError().GetLastErrorString().Buffer(), "Texture not found.");
}

TEST(KRyvGeometry, ApplyPivotMovesPointsAndTurnsNormals)
{
    TestGeometry lGeometry;
    lGeometry.InitControlPoints(2);
    lGeometry.GetControlPoints()[0] = KVector4(1.0, 0.0, 0.0, 0.5);
    lGeometry.GetControlPoints()[1] = KVector4(0.0, 1.0, 0.0, 1.0);
    lGeometry.InitNormals(0);
    lGeometry.GetNormalsDirect()[0] = KVector4(1.0, 0.0, 0.0, 0.0);
    lGeometry.GetNormalsDirect()[1] = KVector4(0.0, 0.0, 1.0, 0.0);

    // Identity: nothing moves.
    lGeometry.ApplyPivot();
    ExpectPoint(lGeometry.GetControlPoints()[0], 1.0, 0.0, 0.0, 0.5);
    ExpectPoint(lGeometry.GetNormalsDirect()[0], 1.0, 0.0, 0.0, 0.0);

    // Scale 2, then 90 degrees about Z, then translation (1, 2, 3).
    KMatrix lPivot;
    lPivot.SetTRS(KVector4(1.0, 2.0, 3.0), KVector4(0.0, 0.0, 90.0), KVector4(2.0, 2.0, 2.0));
    lGeometry.SetPivot(lPivot);
    lGeometry.ApplyPivot();
    ExpectPoint(lGeometry.GetControlPoints()[0], 1.0, 4.0, 3.0, 0.5);
    ExpectPoint(lGeometry.GetControlPoints()[1], -1.0, 2.0, 3.0, 1.0);
    // Normals turn but keep their length.
    ExpectPoint(lGeometry.GetNormalsDirect()[0], 0.0, 1.0, 0.0, 0.0);
    ExpectPoint(lGeometry.GetNormalsDirect()[1], 0.0, 0.0, 1.0, 0.0);
    KMatrix lBack;
    EXPECT_EQ(lGeometry.GetPivot(lBack), lPivot);

    TestGeometry lOther;
    lOther.CopyPivot(lGeometry);
    EXPECT_EQ(lOther.GetPivot(lBack), lPivot);
}

TEST(KRyvGeometry, ServesTheNodeInterfaces)
{
    TestGeometry lGeometry;
    lGeometry.InitControlPoints(3);
    KRyvNodeAttribute* lAttribute = &lGeometry;
    auto* lSource = dynamic_cast<KRyvControlPointSource*>(lAttribute);
    ASSERT_NE(lSource, nullptr);
    EXPECT_EQ(lSource->GetControlPointCount(), 3);
    EXPECT_EQ(lSource->GetControlPoints(), lGeometry.GetControlPoints());
    auto* lPivot = dynamic_cast<KRyvGeometryPivot*>(lAttribute);
    ASSERT_NE(lPivot, nullptr);
    lPivot->SetPivot(KMatrix(KVector4(10.0, 0.0, 0.0)));
    KMatrix lBack;
    EXPECT_EQ(lGeometry.GetPivot(lBack), KMatrix(KVector4(10.0, 0.0, 0.0)));
}

TEST(KRyvGeometry, DestroyedWhileAttachedLeavesTheNodeClean)
{
    KRyvSceneEntity lEntity;
    KRyvNode lNode(nullptr, "Model::Face");
    ASSERT_TRUE(lNode.SetScene(&lEntity, 1));
    KRyvMaterial lRed(nullptr, "Red");
    {
        TestGeometry lGeometry;
        lGeometry.AddMaterial(&lRed);
        lGeometry.AddShape(MakeShape(1.0), "Smile");
        lNode.SetNodeAttribute(&lGeometry);
        EXPECT_EQ(lEntity.GetMaterialCount(), 1);
    }
    EXPECT_EQ(lNode.GetNodeAttribute(), nullptr);
    EXPECT_EQ(Child(lNode.GetDefaultTakeNode(), "Smile"), nullptr);
    EXPECT_EQ(lEntity.GetMaterialCount(), 0);
    lNode.SetScene(nullptr);
}

TEST(KRyvGeometry, FactoryMadeLinksAndShapesGoBackToTheFactory)
{
    KRyvObjectFactory lFactory;
    {
        TestGeometry lSource(KRyvNodeAttribute::eNurb, &lFactory);
        lSource.AddShape(lFactory.CreateLayerContainer(), "Smile");
        lSource.AddLink(lFactory.CreateLink());
        TestGeometry lCopy(KRyvNodeAttribute::eNurb, &lFactory);
        lCopy.AddShape(lFactory.CreateLayerContainer(), "Old");
        EXPECT_EQ(lFactory.GetLayerContainerCount(), 2);

        lCopy = lSource;
        // The old shape went back; the copies were made there.
        EXPECT_EQ(lFactory.GetLayerContainerCount(), 2);
        EXPECT_EQ(lFactory.GetLinkCount(), 2);
        lCopy = lSource;
        EXPECT_EQ(lFactory.GetLayerContainerCount(), 2);
        EXPECT_EQ(lFactory.GetLinkCount(), 2);
    }
    EXPECT_EQ(lFactory.GetLayerContainerCount(), 0);
    EXPECT_EQ(lFactory.GetLinkCount(), 0);
}
