#include "animation/KFCurve.h"
#include "platform/vurn/MFnAnimCurve.h"
#include "platform/vurn/MFnDeformers.h"
#include "scene/objects/KRyvMesh.h"
#include "tests/plugin/export/DeformerExportTestSupport.h"

namespace {
class RyvVurnShapeExportTest : public DeformerExportTest
{
protected:
    // A cube "t<pNumber>" whose point i is the base cube's moved by (pNumber, i, 0).
    static int Target(int pNumber)
    {
        const int lTarget = VurnFixtures::Cube("t" + std::to_string(pNumber));
        std::vector<MPoint>& lPoints = MeshOf(lTarget).mPoints;
        for (size_t lIndex = 0; lIndex < lPoints.size(); ++lIndex) {
            lPoints[lIndex].x += pNumber;
            lPoints[lIndex].y += static_cast<double>(lIndex);
        }
        return lTarget;
    }
    // The cube "face" with blend shape "bs" over the targets t1, t2, t3 (weights 0.5).
    static int FaceWithThreeTargets()
    {
        const int lFace = VurnFixtures::Cube("face");
        return VurnFixtures::BlendShape("bs", lFace, {Target(1), Target(2), Target(3)});
    }
    void ExportShapes()
    {
        WalkAndAnimate();
        mExporter.ExportShapes(mExporter.GetRootNode());
    }
    KRyvGeometry* Face() { return GeometryOf("face"); }
    double Default(int pShape)
    {
        return Face()
            ->GetShapeChannel(Node("face")->GetDefaultTakeNode(), pShape)
            ->GetDefaultValue();
    }
};

TEST_F(RyvVurnShapeExportTest, EachWeightGivesAShapeOfItsTargetsPointsAndItsValueInPercent)
{
    const int lBlend = FaceWithThreeTargets();
    Scene().SetNumber(lBlend, "weight[0]", 0.35);
    ExportShapes();
    KRyvGeometry* lFace = Face();
    ASSERT_NE(lFace, nullptr);
    ASSERT_EQ(lFace->GetShapeCount(), 3);
    EXPECT_STREQ(lFace->GetShapeName(0), "bs.weight[0]");
    EXPECT_STREQ(lFace->GetShapeName(2), "bs.weight[2]");
    EXPECT_NEAR(Default(0), 35.0, 1e-4);
    EXPECT_NEAR(Default(1), 50.0, 1e-4);
    KRyvLayerContainer* lShape = lFace->GetShape(1);
    ASSERT_EQ(lShape->GetControlPointCount(), 8);
    const KVector4 lBase = lFace->GetControlPoints()[5];
    const KVector4 lPoint = lShape->GetControlPoints()[5];
    EXPECT_DOUBLE_EQ(lPoint[0], lBase[0] + 2.0);
    EXPECT_DOUBLE_EQ(lPoint[1], lBase[1] + 5.0);
    EXPECT_DOUBLE_EQ(lPoint[2], lBase[2]);
    EXPECT_NE(lShape->GetNormalsDirect(), nullptr);
}

TEST_F(RyvVurnShapeExportTest, AnAnimatedWeightGoesIntoTake001TimesAHundred)
{
    const int lBlend = FaceWithThreeTargets();
    MFnAnimCurve lCurve;
    lCurve.create(
        MFnDependencyNode(MObject::node(lBlend)).findPlug("weight").elementByLogicalIndex(1));
    lCurve.addKey(MTime(0.0), 0.2, MFnAnimCurve::kTangentLinear, MFnAnimCurve::kTangentLinear);
    lCurve.addKey(MTime(1.0), 0.8, MFnAnimCurve::kTangentLinear, MFnAnimCurve::kTangentLinear);
    ExportShapes();
    KRyvNode* lNode = Node("face");
    EXPECT_STREQ(lNode->GetCurrentTakeNodeName(), "Take 001");
    KFCurve* lAnimated = Face()->GetShapeChannel(lNode->GetCurrentTakeNode(), 1);
    ASSERT_NE(lAnimated, nullptr);
    ASSERT_EQ(lAnimated->GetKeyCount(), 2);
    EXPECT_NEAR(lAnimated->KeyGetValue(1), 80.0, 1e-4);
    EXPECT_NEAR(Default(1), 20.0, 1e-4);
}

TEST_F(RyvVurnShapeExportTest, SparseWeightIndicesKeepTheirOwnNamesAndValues)
{
    const int lFace = VurnFixtures::Cube("face");
    const int lBlend = VurnFixtures::BlendShape("bs", lFace, {Target(1)});
    MFnBlendShapeDeformer(MObject::node(lBlend))
        .addTarget(MObject::node(VurnFixtures::ShapeOf(lFace)), 5,
                   MObject::node(VurnFixtures::ShapeOf(Target(2))), 0.2);
    ExportShapes();
    ASSERT_EQ(Face()->GetShapeCount(), 2);
    EXPECT_STREQ(Face()->GetShapeName(1), "bs.weight[5]");
    EXPECT_NEAR(Default(1), 20.0, 1e-4);
    EXPECT_DOUBLE_EQ(Face()->GetShape(1)->GetControlPoints()[0][0],
                     Face()->GetControlPoints()[0][0] + 2.0);
}

TEST_F(RyvVurnShapeExportTest, MissingAndMismatchedTargetsAreWarnedAndGiveNoShape)
{
    GetOptionStore().SetBool(kExportShowUI, true);
    const int lFace = VurnFixtures::Cube("face");
    const int lBlend = VurnFixtures::BlendShape("bs", lFace, {Target(1), Target(2), Target(3)});
    Scene().DeleteNode(Scene().FindNode("t2"));
    MFnBlendShapeDeformer(MObject::node(lBlend))
        .addTarget(MObject::node(VurnFixtures::ShapeOf(lFace)), 3,
                   MObject::node(VurnFixtures::ShapeOf(VurnFixtures::Plane("flat"))), 0.1);
    ExportShapes();
    mExporter.EndSteps();
    ASSERT_EQ(Face()->GetShapeCount(), 2);
    EXPECT_STREQ(Face()->GetShapeName(1), "bs.weight[2]");
    EXPECT_TRUE(Logged("RYV Export Warning: The TargetObject for weight slider : bs.weight[1] is "
                       "not available in the scene."));
    EXPECT_TRUE(Logged("(most likely the target object has been deleted without deleting the "
                       "controlling slider)."));
    EXPECT_TRUE(Logged("RYV Export Warning: The TargetObject :  / flat / flatShape number of "
                       "vertices does not match the baseObject number of vertices."));
    EXPECT_EQ(Commands("confirmDialog"), 2);
}

TEST_F(RyvVurnShapeExportTest, SeveralTargetsUseTheFirstAndShowTheDialogOncePerBase)
{
    GetOptionStore().SetBool(kExportShowUI, true);
    const int lFace = VurnFixtures::Cube("face");
    const int lBlend = VurnFixtures::BlendShape("bs", lFace, {Target(1), Target(2)});
    MFnBlendShapeDeformer lDeformer(MObject::node(lBlend));
    const MObject lBase = MObject::node(VurnFixtures::ShapeOf(lFace));
    lDeformer.addTarget(lBase, 0, MObject::node(VurnFixtures::ShapeOf(Target(3))));
    lDeformer.addTarget(lBase, 1, MObject::node(VurnFixtures::ShapeOf(Target(4))));
    ExportShapes();
    mExporter.EndSteps();
    ASSERT_EQ(Face()->GetShapeCount(), 2);
    EXPECT_DOUBLE_EQ(Face()->GetShape(0)->GetControlPoints()[0][0],
                     Face()->GetControlPoints()[0][0] + 1.0);
    EXPECT_TRUE(Logged("RYV Export Warning: The BaseObject :  / face / faceShape has multiple "
                       "targets affected by weight : bs.weight[1]"));
    EXPECT_EQ(Commands("confirmDialog"), 1);
}

TEST_F(RyvVurnShapeExportTest, AMismatchedBaseExportsNoShapes)
{
    FaceWithThreeTargets();
    WalkAndAnimate();
    dynamic_cast<RyvVurnNode*>(Node("face"))->SetMismatch(true);
    mExporter.ExportShapes(mExporter.GetRootNode());
    EXPECT_EQ(Face()->GetShapeCount(), 0);
}

TEST_F(RyvVurnShapeExportTest, HardEdgesExtendTheShapesAndMasterScaleLeavesThemInObjectSpace)
{
    GetOptionStore().SetBool(kExportHardEdges, true);
    FaceWithThreeTargets();
    // One normal per face corner, so that hard edges give every corner its own point.
    VurnMeshData& lMesh = MeshOf(Scene().FindNode("face"));
    const std::vector<MVector> lFaceNormals = lMesh.mNormals;
    lMesh.mNormals.clear();
    for (std::vector<int>& lIds : lMesh.mNormalIds) {
        for (int& lId : lIds) {
            lMesh.mNormals.push_back(lFaceNormals[static_cast<size_t>(lId)]);
            lId = static_cast<int>(lMesh.mNormals.size()) - 1;
        }
    }
    WalkAndAnimate();
    mExporter.ApplyMasterScale(2.0);
    mExporter.ExportShapes(mExporter.GetRootNode());
    mExporter.CheckCoincidentVertices(mExporter.GetRootNode());
    KRyvGeometry* lFace = Face();
    ASSERT_EQ(lFace->GetControlPointCount(), 24);
    for (int lShape = 0; lShape < 3; ++lShape) {
        KRyvLayerContainer* lTarget = lFace->GetShape(lShape);
        ASSERT_EQ(lTarget->GetControlPointCount(), 24);
        for (int lPoint = 0; lPoint < 24; ++lPoint) {
            EXPECT_DOUBLE_EQ(lTarget->GetControlPoints()[lPoint][0],
                             lFace->GetControlPoints()[lPoint][0] + lShape + 1);
        }
    }
}
} // namespace
