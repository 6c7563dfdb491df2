#include "platform/vurn/MFnNurbsSurface.h"
#include "platform/vurn/VurnSnapshot.h"
#include "scene/objects/KRyvMaterial.h"
#include "scene/objects/KRyvNurb.h"
#include "scene/objects/KRyvTexture.h"
#include "tests/plugin/export/GeometryExportTestSupport.h"

namespace {
class RyvVurnNurbsExportTest : public GeometryExportTest
{
protected:
    // A surface of pFormU / pFormV, degree 3 in U over 10 CVs (knots 0..11) and degree 2 in V
    // over 3 CVs (knots 0..3); CV (u, v) at (u, v, 10u + v) with weight 1 + v / 10.
    static int Surface(const char* pName, int pFormU, int pFormV)
    {
        const int lTransform = VurnFixtures::Transform(pName);
        const int lShape =
            Scene().CreateNode(MFn::kNurbsSurface, std::string(pName) + "Shape", lTransform);
        auto lData = std::make_shared<VurnNurbsData>();
        lData->mDegreeU = 3;
        lData->mDegreeV = 2;
        lData->mFormU = pFormU;
        lData->mFormV = pFormV;
        lData->mCVsU = 10;
        lData->mCVsV = 3;
        for (int lU = 0; lU < 10; ++lU) {
            for (int lV = 0; lV < 3; ++lV) {
                lData->mCVs.emplace_back(lU, lV, 10 * lU + lV, 1.0 + lV / 10.0);
            }
        }
        for (int lKnot = 0; lKnot < 12; ++lKnot) {
            lData->mKnotsU.push_back(lKnot);
        }
        lData->mKnotsV = {0, 1, 2, 3};
        Scene().MutableNode(lShape)->mNurbs = lData;
        return lTransform;
    }

    KRyvNurb* Nurb(const char* pName)
    {
        KRyvNode* lNode = Node(pName);
        return lNode ? dynamic_cast<KRyvNurb*>(lNode->GetNodeAttribute()) : nullptr;
    }
};
} // namespace

TEST_F(RyvVurnNurbsExportTest, PeriodicUAndOpenVWithSwappedDirectionsAndExtrapolatedKnots)
{
    Surface("sheet", MFnNurbsSurface::kPeriodic, MFnNurbsSurface::kOpen);
    Walk();
    KRyvNurb* lNurb = Nurb("sheet");
    ASSERT_NE(lNurb, nullptr);
    EXPECT_EQ(Node("sheet")->GetShadingMode(), 4);
    // The host's V is the kit's U.
    EXPECT_EQ(lNurb->GetUOrder(), 3);
    EXPECT_EQ(lNurb->GetVOrder(), 4);
    EXPECT_EQ(lNurb->GetUCount(), 3);
    EXPECT_EQ(lNurb->GetUType(), KRyvNurb::eOpen);
    EXPECT_EQ(lNurb->GetVCount(), 7);
    EXPECT_EQ(lNurb->GetVType(), KRyvNurb::ePeriodic);
    ASSERT_EQ(lNurb->GetUKnotCount(), 6);
    EXPECT_EQ(std::vector<double>(lNurb->GetUKnotVector(), lNurb->GetUKnotVector() + 6),
              std::vector<double>({-1, 0, 1, 2, 3, 4}));
    ASSERT_EQ(lNurb->GetVKnotCount(), 14);
    EXPECT_DOUBLE_EQ(lNurb->GetVKnotVector()[0], -1.0);
    EXPECT_DOUBLE_EQ(lNurb->GetVKnotVector()[13], 12.0);
    ASSERT_EQ(lNurb->GetControlPointCount(), 21);
    for (int lU = 0; lU < 7; ++lU) {
        for (int lV = 0; lV < 3; ++lV) {
            const KVector4& lPoint = lNurb->GetControlPoints()[lU * 3 + lV];
            EXPECT_DOUBLE_EQ(lPoint[2], 10 * lU + lV);
            EXPECT_DOUBLE_EQ(lPoint[3], 1.0 + lV / 10.0);
        }
    }
    // The default precision of the host.
    EXPECT_GE(lNurb->GetUStep(), 1);
    EXPECT_EQ(lNurb->GetUStep(), lNurb->GetVStep());
}

TEST_F(RyvVurnNurbsExportTest, ClosedIsOpenAndUnexportableFormsGiveANodeWithoutSurface)
{
    Surface("closed", MFnNurbsSurface::kClosed, MFnNurbsSurface::kOpen);
    Surface("invalid", MFnNurbsSurface::kInvalid, MFnNurbsSurface::kOpen);
    Surface("last", MFnNurbsSurface::kOpen, MFnNurbsSurface::kLast);
    Walk();
    ASSERT_NE(Nurb("closed"), nullptr);
    EXPECT_EQ(Nurb("closed")->GetVType(), KRyvNurb::eOpen);
    EXPECT_EQ(Nurb("closed")->GetVCount(), 10);
    for (const char* lName : {"invalid", "last"}) {
        ASSERT_NE(Node(lName), nullptr) << lName;
        EXPECT_EQ(Node(lName)->GetNodeAttribute(), nullptr) << lName;
    }
}

TEST_F(RyvVurnNurbsExportTest, StepIsTheShadedPrecisionTruncatedWithinOneToFifteen)
{
    const struct
    {
        const char* mName;
        double mPrecision;
        int mStep;
    } lCases[] = {{"fine", 20.0, 15}, {"part", 4.7, 4}, {"zero", 0.0, 1}, {"negative", -3.0, 1}};
    for (const auto& lCase : lCases) {
        const int lPatch = VurnFixtures::NurbsPatch(lCase.mName);
        Scene().SetNumber(VurnFixtures::ShapeOf(lPatch), "curvePrecisionShaded", lCase.mPrecision);
    }
    Walk();
    for (const auto& lCase : lCases) {
        ASSERT_NE(Nurb(lCase.mName), nullptr) << lCase.mName;
        EXPECT_EQ(Nurb(lCase.mName)->GetUStep(), lCase.mStep) << lCase.mName;
        EXPECT_EQ(Nurb(lCase.mName)->GetVStep(), lCase.mStep) << lCase.mName;
    }
}

TEST_F(RyvVurnNurbsExportTest, ASkinnedSurfaceIsReadUndeformedAndTheHostIsUnchanged)
{
    const int lPatch = VurnFixtures::NurbsPatch("patch");
    VurnFixtures::Skin(lPatch, VurnFixtures::JointChain("bone", 2));
    VurnFixtures::BlendShape("faces", lPatch, {VurnFixtures::NurbsPatch("target")});
    Scene().MutableNode(VurnFixtures::ShapeOf(lPatch))->mNurbs->mCVs[0] = MPoint(9, 9, 9);
    const VurnSnapshot lBefore = VurnSnapshot::Take();
    Walk();
    EXPECT_EQ(lBefore.Diff(VurnSnapshot::Take()), std::vector<std::string>());
    ASSERT_NE(Nurb("patch"), nullptr);
    EXPECT_DOUBLE_EQ(Nurb("patch")->GetControlPoints()[0][0], 0.0);
}

TEST_F(RyvVurnNurbsExportTest, ASurfaceGetsItsShadersMaterialAndSwappedTexturePlacement)
{
    const int lPatch = VurnFixtures::NurbsPatch("patch");
    VurnFixtures::ShaderNetwork("skin", lPatch);
    Walk();
    KRyvNurb* lNurb = Nurb("patch");
    ASSERT_NE(lNurb, nullptr);
    ASSERT_EQ(lNurb->GetMaterialCount(), 1);
    KRyvMaterial* lMaterial = lNurb->GetMaterial(0);
    EXPECT_STREQ(lMaterial->GetName().Buffer(), "Material::skin");
    // Textured: ambient and diffuse grey.
    EXPECT_NEAR(lMaterial->GetAmbientColor().mRed, 0.5, 1e-6);
    EXPECT_NEAR(lMaterial->GetDiffuseColor().mGreen, 0.5, 1e-6);
    EXPECT_NEAR(lMaterial->GetShininess(), 12.0 / 128.0, 1e-6);
    KRyvTexture* lTexture = lNurb->GetTexture(0, 0);
    ASSERT_NE(lTexture, nullptr);
    EXPECT_STREQ(lTexture->GetName().Buffer(), "Texture::skinFile");
    EXPECT_TRUE(lTexture->GetSwapUV());
    // The fixture's repeat U of 2 becomes the kit's V scale.
    EXPECT_DOUBLE_EQ(lTexture->GetScaleU(), 1.0);
    EXPECT_DOUBLE_EQ(lTexture->GetScaleV(), 2.0);
    KLayerElementTexture* lElement = lNurb->GetLayer(0)->GetTextures();
    ASSERT_NE(lElement, nullptr);
    EXPECT_EQ(lElement->GetIndexArray(), std::vector<int>({0}));
    KLayerElementMaterial* lMaterials = lNurb->GetLayer(0)->GetMaterials();
    ASSERT_NE(lMaterials, nullptr);
    EXPECT_EQ(lMaterials->GetMappingMode(), KLayerElement::eAllSame);
    EXPECT_EQ(lMaterials->GetIndexArray(), std::vector<int>({0}));
}

TEST_F(RyvVurnNurbsExportTest, AKnotVectorOfTheWrongLengthIsCutAndLogged)
{
    const int lSheet = Surface("sheet", MFnNurbsSurface::kOpen, MFnNurbsSurface::kOpen);
    // Three knots too many in V: the kit's U vector keeps its 6.
    Scene().MutableNode(VurnFixtures::ShapeOf(lSheet))->mNurbs->mKnotsV = {0, 1, 2, 3, 4, 5, 6};
    Walk();
    ASSERT_NE(Nurb("sheet"), nullptr);
    ASSERT_EQ(Nurb("sheet")->GetUKnotCount(), 6);
    EXPECT_EQ(
        std::vector<double>(Nurb("sheet")->GetUKnotVector(), Nurb("sheet")->GetUKnotVector() + 6),
        std::vector<double>({-1, 0, 1, 2, 3, 4}));
    mExporter.EndSteps();
    EXPECT_TRUE(Logged("RYV Export Warning: knot count differs from the kit surface's; knots cut: "
                       "|sheet"));
}
