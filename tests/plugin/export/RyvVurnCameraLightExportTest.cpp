#include "animation/KFCurve.h"
#include "animation/KFCurveKey.h"
#include "animation/KRyvTakeNode.h"
#include "platform/vurn/MFnAnimCurve.h"
#include "plugin/export/RyvVurnCameraLightSteps.h"
#include "scene/objects/KRyvCamera.h"
#include "scene/objects/KRyvLight.h"
#include "tests/plugin/export/ExportTestSupport.h"

#include <cmath>

namespace {
constexpr double kDegrees = 57.29577951308232;

class RyvVurnCameraLightExportTest : public ExportTest
{
protected:
    // Runs the passes up to the animation on the current host scene.
    void Run()
    {
        mExporter.BeginSteps("cameras and lights");
        mExporter.ExportGeometry(1, 0);
        mExporter.ExportHierarchy(1, 0);
        mExporter.ExportAnimation(mExporter.GetRootNode());
        mExporter.EndSteps();
    }

    KRyvNode* Node(const char* pName) { return Find(mExporter.GetRootNode(), pName); }

    static int Camera(const char* pName, int pParent = VurnScene::kWorld)
    {
        const int lCamera = VurnFixtures::Transform(pName, pParent);
        Scene().CreateNode(MFn::kCamera, std::string(pName) + "Shape", lCamera);
        return lCamera;
    }

    RyvVurnExporter mExporter;
};
} // namespace

TEST_F(RyvVurnCameraLightExportTest, LightKindsAndDefaults)
{
    const int lSpot = VurnFixtures::Light("spot", MFn::kSpotLight);
    VurnFixtures::Light("point", MFn::kPointLight);
    VurnFixtures::Light("sun", MFn::kDirectionalLight);
    VurnFixtures::Light("unexported", MFn::kUnexportedLight);
    VurnFixtures::Light("other", MFn::kPointLightKindA);
    Scene().SetNumber(VurnFixtures::ShapeOf(lSpot), "visibility", 0);
    Run();
    auto lLight = [this](const char* pName) {
        return dynamic_cast<KRyvLight*>(Node(pName)->GetNodeAttribute());
    };
    ASSERT_NE(lLight("spot"), nullptr);
    EXPECT_EQ(lLight("spot")->GetLightType(), 2);
    EXPECT_NE(lLight("spot")->GetGobo(), nullptr);
    EXPECT_FALSE(Node("spot")->GetVisibility());
    EXPECT_EQ(lLight("point")->GetLightType(), 0);
    EXPECT_TRUE(Node("point")->GetVisibility());
    EXPECT_EQ(lLight("sun")->GetLightType(), 1);
    EXPECT_EQ(Node("unexported")->GetNodeAttribute(), nullptr);
    EXPECT_EQ(lLight("other")->GetLightType(), 0);
    EXPECT_FALSE(Node("other")->GetVisibility());
    KRyvTakeNode* lTake = Node("spot")->GetDefaultTakeNode();
    EXPECT_NEAR(lTake->GetConeAngle()->GetDefaultValue(), 40.0, 1e-4);
    EXPECT_NEAR(lTake->GetIntensity()->GetDefaultValue(), 200.0, 1e-4);
    EXPECT_NEAR(lTake->GetColorY()->GetDefaultValue(), 0.5, 1e-6);
    EXPECT_EQ(lTake->GetFog()->GetDefaultValue(), 0.0);
    // Nothing animated: no "Take 001".
    EXPECT_STREQ(Node("spot")->GetCurrentTakeNodeName(), "Default");
}

TEST_F(RyvVurnCameraLightExportTest, AnimatedLightAndConstantCurvesReduced)
{
    const int lPoint = VurnFixtures::Light("point", MFn::kPointLight);
    MFnAnimCurve lIntensity;
    lIntensity.create(
        MFnDependencyNode(MObject::node(VurnFixtures::ShapeOf(lPoint))).findPlug("intensity"));
    lIntensity.addKey(MTime(0.0), 1.0);
    lIntensity.addKey(MTime(1.0), 3.0);
    const int lFlat = VurnFixtures::Light("flat", MFn::kPointLight);
    MFnAnimCurve lColor;
    lColor.create(
        MFnDependencyNode(MObject::node(VurnFixtures::ShapeOf(lFlat))).findPlug("colorR"));
    lColor.addKey(MTime(0.0), 0.5, MFnAnimCurve::kTangentLinear, MFnAnimCurve::kTangentLinear);
    lColor.addKey(MTime(1.0), 0.5, MFnAnimCurve::kTangentLinear, MFnAnimCurve::kTangentLinear);
    GetOptionStore().SetBool(kExportApplyCstKeyRed, true);
    Run();
    KRyvTakeNode* lTake = Node("point")->GetCurrentTakeNode();
    ASSERT_STREQ(lTake->GetName().Buffer(), "Take 001");
    ASSERT_EQ(lTake->GetIntensity()->GetKeyCount(), 2);
    EXPECT_FLOAT_EQ(lTake->GetIntensity()->KeyGetValue(1), 300.0f);
    // The transform is not animated but goes into the take statically.
    EXPECT_EQ(lTake->GetTransformTX()->GetKeyCount(), 0);
    // Equal keys: the light's own reducer leaves one key.
    EXPECT_EQ(Node("flat")->GetCurrentTakeNode()->GetColorX()->GetKeyCount(), 1);
}

TEST_F(RyvVurnCameraLightExportTest, CameraAttributes)
{
    const int lCamera = Camera("cam");
    const int lShape = VurnFixtures::ShapeOf(lCamera);
    Scene().SetNumber(lShape, "farClipPlane", 1000.75);
    Scene().SetNumber(lShape, "nearClipPlane", -1.0);
    Scene().SetNumber(lShape, "filmFit", 0);
    Scene().SetNumber(lShape, "horizontalFilmAperture", 1.0);
    Scene().SetNumber(lShape, "verticalFilmAperture", 1.0);
    Scene().SetNumber(lShape, "orthographic", 1);
    const int lHuge = Camera("huge");
    Scene().SetNumber(VurnFixtures::ShapeOf(lHuge), "farClipPlane", -5.0);
    Scene().SetNumber(VurnFixtures::ShapeOf(lHuge), "filmFit", 3);
    Run();
    auto* lKit = dynamic_cast<KRyvCamera*>(Node("cam")->GetNodeAttribute());
    ASSERT_NE(lKit, nullptr);
    EXPECT_DOUBLE_EQ(lKit->GetFarPlane(), 1000.0);
    EXPECT_DOUBLE_EQ(lKit->GetNearPlane(), 0.01);
    EXPECT_EQ(lKit->GetApertureMode(), 1);
    EXPECT_EQ(lKit->GetProjectionType(), 1);
    EXPECT_EQ(lKit->GetUpVector()[1], 1.0);
    EXPECT_EQ(lKit->GetLookAt()[2], -1.0);
    EXPECT_TRUE(lKit->GetShowAzimut());
    KRyvTakeNode* lTake = Node("cam")->GetDefaultTakeNode();
    EXPECT_EQ(lTake->GetFieldOfViewX()->GetDefaultValue(), 40.0);
    EXPECT_NEAR(lTake->GetFieldOfView()->GetDefaultValue(), lKit->GetFieldOfViewFromFocalLength(),
                1e-4);
    EXPECT_EQ(lTake->GetTransformSX()->GetDefaultValue(), 1.0);
    // A negative far plane is no unsigned number: 0, which the camera's own clamps raise.
    auto* lHugeKit = dynamic_cast<KRyvCamera*>(Node("huge")->GetNodeAttribute());
    EXPECT_LE(lHugeKit->GetFarPlane(), lHugeKit->GetNearPlane() + 1e-12);
    EXPECT_EQ(lHugeKit->GetApertureMode(), 1);
}

TEST_F(RyvVurnCameraLightExportTest, FocalLengthCurveBecomesFieldOfView)
{
    const int lCamera = Camera("zoom");
    const int lShape = VurnFixtures::ShapeOf(lCamera);
    Scene().SetNumber(lShape, "filmFit", 1);
    MFnAnimCurve lFocal;
    lFocal.create(MFnDependencyNode(MObject::node(lShape)).findPlug("focalLength"));
    lFocal.addKey(MTime(0.0), 35.0, MFnAnimCurve::kTangentFlat, MFnAnimCurve::kTangentFlat);
    lFocal.addKey(MTime(1.0), 70.0, MFnAnimCurve::kTangentFixed, MFnAnimCurve::kTangentFixed);
    lFocal.setTangent(1, 1.0, 10.0, true);
    Run();
    KRyvTakeNode* lTake = Node("zoom")->GetCurrentTakeNode();
    ASSERT_STREQ(lTake->GetName().Buffer(), "Take 001");
    const KFCurve* lFov = lTake->GetFieldOfView();
    ASSERT_EQ(lFov->GetKeyCount(), 2);
    const double lHalf = 0.5 * 1.41732 * 25.4;
    EXPECT_NEAR(lFov->KeyGetValue(0), 2.0 * std::atan(lHalf / 35.0) * kDegrees, 1e-3);
    EXPECT_NEAR(lFov->KeyGetValue(1), 2.0 * std::atan(lHalf / 70.0) * kDegrees, 1e-3);
    // A flat tangent stays flat: a slope is no angle.
    EXPECT_NEAR(lFov->GetKey(0)->GetDataFloat(0), 0.0, 1e-6);
    // The chain rule at the fixed in-tangent of slope 10 mm/s.
    EXPECT_NEAR(lFov->GetKey(0)->GetDataFloat(1),
                -2.0 * lHalf * 10.0 / (70.0 * 70.0 + lHalf * lHalf) * kDegrees, 1e-3);
    // Scaling is always 1 on a camera.
    EXPECT_EQ(lTake->GetTransformSX()->GetKeyCount(), 0);
    EXPECT_EQ(lTake->GetTransformSX()->GetDefaultValue(), 1.0);
}

TEST_F(RyvVurnCameraLightExportTest, LookAtGroupsTwistAndTargets)
{
    VurnFixtures::CameraWithLookAt("shot");
    MFnAnimCurve lTwist;
    lTwist.create(
        MFnDependencyNode(MObject::node(Scene().FindNode("shot_group"))).findPlug("twist"));
    lTwist.addKey(MTime(0.0), 0.0);
    lTwist.addKey(MTime(1.0), 1.0);
    // A nested look-at group after a camera of the same top-level group still gets its node,
    // and a camera that is not child 0 never targets itself.
    const int lTop = VurnFixtures::Transform("top");
    Camera("first", lTop);
    const int lNested = Scene().CreateNode(MFn::kLookAt, "nested", lTop);
    VurnFixtures::Transform("aim", lNested);
    Camera("second", lNested);
    VurnFixtures::Transform("up", lNested);
    Run();
    KRyvNode* lShot = Node("shot");
    EXPECT_EQ(lShot->GetLookAtTarget(), Node("shot_aim"));
    KRyvTakeNode* lTake = lShot->GetCurrentTakeNode();
    ASSERT_STREQ(lTake->GetName().Buffer(), "Take 001");
    EXPECT_FLOAT_EQ(lTake->GetRoll()->KeyGetValue(1), static_cast<float>(-kDegrees));
    // With a look-at target the rotation is the target's business.
    EXPECT_EQ(lTake->GetTransformRX()->GetKeyCount(), 0);
    ASSERT_NE(Node("nested"), nullptr);
    EXPECT_EQ(Node("second")->GetParent(), Node("nested"));
    EXPECT_EQ(Node("second")->GetLookAtTarget(), Node("aim"));
    EXPECT_EQ(Node("second")->GetUpVectorTarget(), Node("up"));
    EXPECT_EQ(Node("first")->GetLookAtTarget(), nullptr);
}
