#include "scene/objects/KRyvCamera.h"

#include "animation/KFCurve.h"
#include "animation/KFCurveNode.h"
#include "animation/KRyvTakeNode.h"
#include "object/KDataType.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObject.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

std::unique_ptr<KRyvNode> MakeNode(const char* pName)
{
    return std::make_unique<KRyvNode>(nullptr, pName);
}

double Value(KRyvCamera& pCamera, const char* pName)
{
    KProperty* lProperty = pCamera.GetProperties()->FindProperty(pName);
    return lProperty ? lProperty->GetValueAsDouble() : std::nan("");
}

const char* const kChannels[] = {"FieldOfView",    "FieldOfViewX",           "FieldOfViewY",
                                 "OpticalCenterX", "OpticalCenterY",         "Roll",
                                 "TurnTable",      "BackgroundColor (Color)"};

// A texture as the camera sees one: object type 2 with a property object.
class FakeTexture : public KRyvObject
{
public:
    explicit FakeTexture(int pType) : KRyvObject(nullptr, "Tex"), mType(pType) {}
    ~FakeTexture() override { mProperties->Destroy(); }
    int GetObjectType() const override { return mType; }
    KObject* GetProperties() const override { return mProperties; }

private:
    int mType;
    KObject* mProperties = new KObject;
};

} // namespace

TEST(KRyvCameraProperties, RegistrationOrderNamesAndTypes)
{
    KRyvCameraProperties* lSet = new KRyvCameraProperties;
    const std::vector<std::pair<std::string, int>> lExpected = {
        {"Roll", 4},
        {"FieldOfView", 4},
        {"FieldOfViewX", 4},
        {"FieldOfViewY", 4},
        {"OpticalCenterX", 4},
        {"OpticalCenterY", 4},
        {"BackgroundColor", 14},
        {"TurnTable", 4},
        {"DisplayTurnTableIcon", 2},
        {"Motion Blur Intensity", 4},
        {"UseMotionBlur", 2},
        {"UseRealTimeMotionBlur", 2},
        {"FocalLength", 4},
        {"ResolutionMode", 6},
        {"ApertureMode", 6},
        {"CameraFormat", 6},
        {"AspectW", 4},
        {"AspectH", 4},
        {"PixelAspectRatio", 4},
        {"UseFrameColor", 2},
        {"FrameColor", 14},
        {"ShowName", 2},
        {"ShowGrid", 2},
        {"ShowOpticalCenter", 2},
        {"ShowAzimut", 2},
        {"ShowTimeCode", 2},
        {"NearPlane", 4},
        {"FarPlane", 4},
        {"FilmWidth", 4},
        {"FilmHeight", 4},
        {"FilmAspectRatio", 4},
        {"FilmSqueezeRatio", 4},
        {"FilmFormatIndex", 6},
        {"ViewFrustum", 2},
        {"ViewFrustumNearFarPlane", 2},
        {"ViewFrustumBackPlaneMode", 6},
        {"BackPlaneDistance", 4},
        {"BackPlaneDistanceMode", 6},
        {"ViewCameraToLookAt", 2},
        {"LockMode", 2},
        {"LockInterestNavigation", 2},
        {"FitImage", 2},
        {"Crop", 2},
        {"Center", 2},
        {"KeepRatio", 2},
        {"BackgroundMode", 6},
        {"BackgroundAlphaTreshold", 4},
        {"ForegroundTransparent", 2},
        {"DisplaySafeArea", 2},
        {"SafeAreaDisplayStyle", 6},
        {"SafeAreaAspectRatio", 4},
        {"Use2DMagnifierZoom", 2},
        {"2D Magnifier Zoom", 4},
        {"2D Magnifier X", 4},
        {"2D Magnifier Y", 4},
        {"CameraProjectionType", 6},
        {"UseRealTimeDOFAndAA", 2},
        {"UseDepthOfField", 2},
        {"FocusSource", 6},
        {"FocusAngle", 4},
        {"FocusDistance", 4},
        {"UseAntialiasing", 2},
        {"AntialiasingIntensity", 4},
        {"UseAccumulationBuffer", 2},
        {"FrameSamplingCount", 1},
    };
    ASSERT_EQ(lSet->GetPropertyCount(), static_cast<int>(lExpected.size()));
    for (int i = 0; i < lSet->GetPropertyCount(); ++i) {
        KProperty* lProperty = lSet->GetProperty(i);
        EXPECT_EQ(lProperty->GetName(), lExpected[static_cast<size_t>(i)].first) << i;
        EXPECT_EQ(lProperty->GetPropertyType(), lExpected[static_cast<size_t>(i)].second)
            << lProperty->GetName();
    }
    EXPECT_TRUE(lSet->IsA(KRyvCameraProperties::ClassId()));
    EXPECT_TRUE(lSet->IsA(KObject::ClassId()));
    EXPECT_STREQ(lSet->GetClassName(), "KRyvCameraProperties");
    lSet->Destroy();
}

TEST(KRyvCameraProperties, NewSetIsZeroAndDynamicPropertiesAreAnimatable)
{
    KRyvCameraProperties* lSet = new KRyvCameraProperties;
    EXPECT_EQ(lSet->GetFocalLength(), 0.0);
    EXPECT_FALSE(lSet->GetDisplayTurnTableIcon());
    EXPECT_EQ(lSet->GetFrameSamplingCount(), 0);
    double lRed = 1.0;
    double lGreen = 1.0;
    double lBlue = 1.0;
    lSet->GetFrameColor(lRed, lGreen, lBlue);
    EXPECT_EQ(lRed + lGreen + lBlue, 0.0);

    KProperty* lFieldOfView = lSet->FindProperty("FieldOfView");
    ASSERT_NE(lFieldOfView, nullptr);
    EXPECT_EQ(lFieldOfView->GetDataType(), FindDataType("FieldOfView"));
    EXPECT_EQ(lFieldOfView->GetValueAsDouble(), 0.0);
    EXPECT_EQ(lSet->FindProperty("FieldOfViewY")->GetDataType(), FindDataType("FieldOfView"));
    EXPECT_EQ(lSet->FindProperty("Roll")->GetDataType(), FindDataType("Roll"));
    EXPECT_EQ(lSet->FindProperty("BackgroundColor")->GetDataType(), FindDataType("Color"));
    EXPECT_EQ(lSet->FindProperty("BackgroundColor (Color)"), nullptr);
    for (const char* lName :
         {"Roll", "FieldOfView", "FieldOfViewX", "FieldOfViewY", "OpticalCenterX", "OpticalCenterY",
          "BackgroundColor", "TurnTable", "Motion Blur Intensity", "2D Magnifier Zoom",
          "2D Magnifier X", "2D Magnifier Y"}) {
        KProperty* lProperty = lSet->FindProperty(lName);
        ASSERT_NE(lProperty, nullptr) << lName;
        EXPECT_TRUE(lProperty->IsAnimatable()) << lName;
        EXPECT_TRUE(lProperty->GetFlag(KProperty::kAnimated)) << lName;
    }
    EXPECT_FALSE(lSet->FindProperty("FocalLength")->IsAnimatable());
    lSet->Destroy();
}

TEST(KRyvCameraProperties, MembersAreReachedThroughTheirAccessors)
{
    KRyvCameraProperties* lSet = new KRyvCameraProperties;
    lSet->FindProperty("FocalLength")->SetValueAsDouble(50.0);
    EXPECT_EQ(lSet->GetFocalLength(), 50.0);
    EXPECT_EQ(lSet->SetApertureMode(1), 1);
    EXPECT_EQ(lSet->FindProperty("ApertureMode")->GetValueAsInt(), 1);
    lSet->FindProperty("FrameColor")->SetValue(KColor(0.1, 0.2, 0.3, 0.5));
    double lRed = 0.0;
    double lGreen = 0.0;
    double lBlue = 0.0;
    lSet->GetFrameColor(lRed, lGreen, lBlue);
    EXPECT_DOUBLE_EQ(lRed, 0.1);
    EXPECT_DOUBLE_EQ(lGreen, 0.2);
    EXPECT_DOUBLE_EQ(lBlue, 0.3);
    KColor lStored;
    lSet->FindProperty("FrameColor")->GetValue(lStored);
    EXPECT_EQ(lStored.mAlpha, 1.0);
    lSet->Destroy();
}

TEST(KRyvCameraProperties, EnumerationTexts)
{
    KRyvCamera lCamera(nullptr);
    KRyvCameraProperties* lSet = lCamera.GetProperties();
    KProperty* lFormat = lSet->FindProperty("CameraFormat");
    // 9 has no name, yet "Full Screen" stays reachable.
    EXPECT_EQ(lFormat->GetEnumCount(), 11);
    EXPECT_STREQ(lFormat->GetEnumItem(9), "");
    EXPECT_STREQ(lFormat->GetEnumItem(10), "Full Screen");
    EXPECT_EQ(KRyvCamera::GetCameraFormatName(9), nullptr);
    EXPECT_STREQ(KRyvCamera::GetCameraFormatName(1), "D1 NTSC");
    EXPECT_EQ(KRyvCamera::GetCameraFormatName(11), nullptr);

    EXPECT_EQ(lSet->FindProperty("FilmFormatIndex")->GetEnumCount(), 12);
    EXPECT_STREQ(lSet->FindProperty("FilmFormatIndex")->GetEnumItem(11), "Imax");
    EXPECT_STREQ(lSet->FindProperty("ApertureMode")->GetEnumItem(0), "Horizontal & Vertical");
    EXPECT_EQ(lSet->FindProperty("ResolutionMode")->GetEnumCount(), 5);
    EXPECT_STREQ(lSet->FindProperty("ResolutionMode")->GetEnumItem(4), "Fixed Height Resolution");
    EXPECT_STREQ(lSet->FindProperty("BackgroundMode")->GetEnumItem(2), "Background & Forground");
    EXPECT_STREQ(lSet->FindProperty("ViewFrustumBackPlaneMode")->GetEnumItem(2), "When Media");
    EXPECT_STREQ(lSet->FindProperty("BackPlaneDistanceMode")->GetEnumItem(1), "Relative to Camera");
    EXPECT_STREQ(lSet->FindProperty("SafeAreaDisplayStyle")->GetEnumItem(0), "Round Safe Area");
    EXPECT_STREQ(lSet->FindProperty("CameraProjectionType")->GetEnumItem(1), "Orthographic");
    EXPECT_STREQ(lSet->FindProperty("FocusSource")->GetEnumItem(1), "Specific Distance");
    EXPECT_EQ(KRyvCamera::GetApertureModeName(-1), nullptr);
    EXPECT_EQ(KRyvCamera::GetApertureModeName(3), nullptr);
}

TEST(KRyvCamera, ResetGivesTheDefaultState)
{
    KRyvCamera lCamera(nullptr);
    EXPECT_EQ(lCamera.GetAttributeType(), KRyvNodeAttribute::eCamera);
    EXPECT_STREQ(lCamera.GetTypeName().Buffer(), "Camera");
    ASSERT_EQ(lCamera.GetTypeNameList().GetCount(), 1);
    EXPECT_STREQ(lCamera.GetTypeNameList().GetText(0).Buffer(), "Camera");

    EXPECT_EQ(lCamera.GetFocalLength(), 35.0);
    EXPECT_EQ(lCamera.GetApertureMode(), KRyvCamera::eVertical);
    EXPECT_EQ(lCamera.GetAspectWidth(), 320.0);
    EXPECT_EQ(lCamera.GetAspectHeight(), 200.0);
    EXPECT_EQ(lCamera.GetNearPlane(), 10.0);
    EXPECT_EQ(lCamera.GetFarPlane(), 4000.0);
    EXPECT_EQ(lCamera.GetFilmFormat(), 4);
    EXPECT_EQ(Value(lCamera, "FilmAspectRatio"), 0.816 / 0.612);
    EXPECT_EQ(Value(lCamera, "SafeAreaAspectRatio"), 1.33333333333333);
    EXPECT_EQ(lCamera.GetAntialiasingIntensity(), 0.77777);
    EXPECT_EQ(lCamera.GetFrameSamplingCount(), 7);
    EXPECT_DOUBLE_EQ(lCamera.GetFrameColor().mRed, 0.3);
    EXPECT_EQ(lCamera.GetFieldOfView(), 40.0);
    EXPECT_EQ(lCamera.GetFieldOfViewX(), 1.0);
    EXPECT_EQ(Value(lCamera, "2D Magnifier Zoom"), 100.0);
    EXPECT_EQ(Value(lCamera, "Motion Blur Intensity"), 1.0);
    EXPECT_EQ(lCamera.GetBackgroundPlacementOptions(), 2 | 4);
    EXPECT_EQ(lCamera.GetUseOverSamplingTime(), 1);
    EXPECT_EQ(lCamera.GetBackgroundMediaName(), nullptr);
    EXPECT_EQ(lCamera.GetOverSamplingType(), 1);
    EXPECT_EQ(lCamera.GetAudioColor().mRed, 0.0);
    EXPECT_EQ(lCamera.GetAudioColor().mGreen, 1.0);
    EXPECT_EQ(lCamera.GetUpVector()[1], 1.0);

    // Everything changed comes back; the one untouched member keeps its value.
    lCamera.GetProperties()->SetLockInterestNavigation(true);
    lCamera.SetFocalLength(80.0);
    lCamera.SetFilmFormat(11);
    lCamera.SetBackgroundMediaName("clip.avi");
    lCamera.SetFieldOfView(12.0);
    lCamera.Reset();
    EXPECT_EQ(lCamera.GetFocalLength(), 35.0);
    EXPECT_EQ(lCamera.GetFilmWidth(), 0.816);
    EXPECT_EQ(lCamera.GetFieldOfView(), 40.0);
    EXPECT_EQ(lCamera.GetBackgroundMediaName(), nullptr);
    EXPECT_TRUE(lCamera.GetProperties()->GetLockInterestNavigation());
}

TEST(KRyvCamera, FieldOfViewFromFocalLengthByApertureMode)
{
    KRyvCamera lCamera(nullptr);
    // Vertical: 2 atan(0.612 in x 25.4 / 35 mm / 2) = 2 atan(0.222069) = 25.0408 degrees.
    EXPECT_NEAR(lCamera.GetFieldOfViewFromFocalLength(), 25.0408, 1e-4);
    EXPECT_NEAR(lCamera.ComputeFieldOfView(0.816, 0.612, 35.0), 25.0408, 1e-4);
    // Horizontal and both modes use the width: 2 atan(0.296091) = 32.9871 degrees.
    lCamera.SetApertureMode(KRyvCamera::eHorizontal);
    EXPECT_NEAR(lCamera.GetFieldOfViewFromFocalLength(), 32.9871, 1e-4);
    lCamera.SetApertureMode(KRyvCamera::eHorizontalAndVertical);
    EXPECT_NEAR(lCamera.GetFieldOfViewFromFocalLength(), 32.9871, 1e-4);
    // An anamorphic squeeze of 2 doubles the tangent: 2 atan(0.592183) = 61.2666 degrees.
    lCamera.SetFilmSqueezeRatio(2.0);
    EXPECT_NEAR(lCamera.GetFieldOfViewFromFocalLength(), 61.2666, 1e-4);

    // Clamped to [1, 179]: a very short or very long lens.
    lCamera.SetFocalLength(1e-6);
    EXPECT_EQ(lCamera.GetFieldOfViewFromFocalLength(), 179.0);
    lCamera.SetFocalLength(1e7);
    EXPECT_EQ(lCamera.GetFieldOfViewFromFocalLength(), 1.0);
}

TEST(KRyvCamera, FocalLengthFromFieldOfViewAndBack)
{
    KRyvCamera lCamera(nullptr);
    // 0.612 in = 15.5448 mm; 15.5448 / tan(20 deg) / 2 = 21.3545 mm.
    lCamera.SetFocalLengthFromFieldOfView(40.0);
    EXPECT_NEAR(lCamera.GetFocalLength(), 21.3545, 1e-4);
    EXPECT_NEAR(lCamera.GetFieldOfViewFromFocalLength(), 40.0, 1e-9);
    // Horizontal: 0.816 in = 20.7264 mm gives 28.4727 mm.
    lCamera.SetApertureMode(KRyvCamera::eHorizontal);
    lCamera.SetFocalLengthFromFieldOfView(40.0);
    EXPECT_NEAR(lCamera.GetFocalLength(), 28.4727, 1e-4);
    for (double lAngle : {1.0, 12.5, 90.0, 150.0, 179.0}) {
        lCamera.SetFocalLengthFromFieldOfView(lAngle);
        EXPECT_NEAR(lCamera.GetFieldOfViewFromFocalLength(), lAngle, 1e-9) << lAngle;
    }
    // Above 179 counts as 179: 15.5448 / tan(89.5 deg) / 2 = 0.067829 mm.
    lCamera.SetApertureMode(KRyvCamera::eVertical);
    lCamera.SetFocalLengthFromFieldOfView(200.0);
    EXPECT_NEAR(lCamera.GetFocalLength(), 0.067829, 1e-6);
    lCamera.SetFocalLengthFromFieldOfView(std::nan(""));
    EXPECT_NEAR(lCamera.GetFocalLength(), 0.067829, 1e-6);
}

TEST(KRyvCamera, FilmFormats)
{
    KRyvCamera lCamera(nullptr);
    lCamera.SetFilmFormat(7);
    EXPECT_EQ(lCamera.GetFilmFormat(), 7);
    EXPECT_EQ(lCamera.GetFilmWidth(), 0.864);
    EXPECT_EQ(lCamera.GetFilmHeight(), 0.732);
    EXPECT_EQ(lCamera.GetFilmSqueezeRatio(), 2.0);
    EXPECT_EQ(Value(lCamera, "FilmAspectRatio"), 0.864 / 0.732);

    lCamera.SetFilmFormat(12);
    EXPECT_EQ(lCamera.GetFilmFormat(), 0);
    EXPECT_EQ(lCamera.GetFilmWidth(), 0.864);
    EXPECT_EQ(lCamera.GetFilmSqueezeRatio(), 2.0);

    lCamera.SetFilmFormat(1);
    EXPECT_EQ(lCamera.GetFilmWidth(), 0.404);
    EXPECT_EQ(lCamera.GetFilmSqueezeRatio(), 1.0);
    // The current value keeps the format; another makes it custom.
    lCamera.SetFilmWidth(0.404);
    EXPECT_EQ(lCamera.GetFilmFormat(), 1);
    lCamera.SetFilmHeight(0.5);
    EXPECT_EQ(lCamera.GetFilmFormat(), 0);
    EXPECT_EQ(Value(lCamera, "FilmAspectRatio"), 0.404 / 0.5);
    lCamera.SetFilmWidth(-3.0);
    EXPECT_EQ(lCamera.GetFilmWidth(), 0.0001);
    lCamera.SetFilmSqueezeRatio(0.0);
    EXPECT_EQ(lCamera.GetFilmSqueezeRatio(), 0.0001);
    lCamera.SetFilmHeight(std::nan(""));
    EXPECT_EQ(lCamera.GetFilmHeight(), 0.5);
}

TEST(KRyvCamera, PictureFormatsAndResolutionModes)
{
    KRyvCamera lCamera(nullptr);
    lCamera.SetCameraFormat(9);
    EXPECT_EQ(lCamera.GetCameraFormat(), 0);
    EXPECT_EQ(lCamera.GetAspectWidth(), 320.0);

    // Window-size mode: the pixel size, fixed resolution.
    lCamera.SetCameraFormat(5);
    EXPECT_EQ(lCamera.GetCameraFormat(), 5);
    EXPECT_EQ(lCamera.GetResolutionMode(), KRyvCamera::eFixedResolution);
    EXPECT_EQ(lCamera.GetAspectWidth(), 1920.0);
    EXPECT_EQ(lCamera.GetAspectHeight(), 1080.0);
    EXPECT_EQ(lCamera.GetPixelAspectRatio(), 0.9999999999562499);

    // A fixed-ratio mode survives: width becomes 720 x 0.8999999999775 / 486, height 1.
    lCamera.SetAspect(KRyvCamera::eFixedRatio, 2.0, 5.0);
    EXPECT_EQ(lCamera.GetAspectHeight(), 1.0);
    lCamera.SetCameraFormat(1);
    EXPECT_EQ(lCamera.GetResolutionMode(), KRyvCamera::eFixedRatio);
    EXPECT_EQ(lCamera.GetAspectHeight(), 1.0);
    EXPECT_EQ(lCamera.GetAspectWidth(), 720.0 * 0.8999999999775 / 486.0);
    EXPECT_EQ(lCamera.GetCameraFormat(), 1);

    lCamera.SetAspect(KRyvCamera::eFixedWidthResolution, 100.0, 0.0);
    EXPECT_EQ(lCamera.GetAspectHeight(), 0.001);
    lCamera.SetCameraFormat(5);
    EXPECT_EQ(lCamera.GetAspectWidth(), 1920.0);
    EXPECT_EQ(lCamera.GetAspectHeight(), 1080.0 / 1920.0);
    EXPECT_EQ(lCamera.GetResolutionMode(), KRyvCamera::eFixedWidthResolution);

    lCamera.SetAspect(KRyvCamera::eFixedHeightResolution, 0.0, 0.0);
    EXPECT_EQ(lCamera.GetAspectWidth(), 0.001);
    EXPECT_EQ(lCamera.GetAspectHeight(), 1.0);
    lCamera.SetCameraFormat(4);
    EXPECT_EQ(lCamera.GetAspectWidth(), 720.0 / 576.0);
    EXPECT_EQ(lCamera.GetPixelAspectRatio(), 1.06666666664);

    // Modes 5 and above keep the sizes but are stored.
    lCamera.SetAspect(7, 10.0, 10.0);
    EXPECT_EQ(lCamera.GetAspectWidth(), 720.0 / 576.0);
    EXPECT_EQ(lCamera.GetResolutionMode(), 7);
    EXPECT_EQ(lCamera.GetCameraFormat(), 0);
    lCamera.SetAspect(KRyvCamera::eFixedResolution, 0.5, 0.5);
    EXPECT_EQ(lCamera.GetAspectWidth(), 1.0);
}

TEST(KRyvCamera, PixelAspectRatioIsClampedAndMakesTheFormatCustom)
{
    KRyvCamera lCamera(nullptr);
    lCamera.SetCameraFormat(2);
    lCamera.SetPixelAspectRatio(0.999999999975);
    EXPECT_EQ(lCamera.GetCameraFormat(), 2);
    lCamera.SetPixelAspectRatio(100.0);
    EXPECT_EQ(lCamera.GetPixelAspectRatio(), 20.0);
    EXPECT_EQ(lCamera.GetCameraFormat(), 0);
    lCamera.SetPixelAspectRatio(0.0);
    EXPECT_EQ(lCamera.GetPixelAspectRatio(), 0.05);
}

TEST(KRyvCamera, NearAndFarPlanesAreClampedAndOrdered)
{
    KRyvCamera lCamera(nullptr);
    lCamera.SetNearPlane(5000.0);
    EXPECT_EQ(lCamera.GetNearPlane(), 5000.0);
    EXPECT_EQ(lCamera.GetFarPlane(), 5000.0);
    lCamera.SetFarPlane(0.0);
    EXPECT_EQ(lCamera.GetFarPlane(), 0.001);
    EXPECT_EQ(lCamera.GetNearPlane(), 0.001);
    lCamera.SetFarPlane(1e12);
    EXPECT_EQ(lCamera.GetFarPlane(), 600000.0);
    EXPECT_EQ(lCamera.GetNearPlane(), 0.001);
    lCamera.SetNearPlane(-5.0);
    EXPECT_EQ(lCamera.GetNearPlane(), 0.001);
    lCamera.SetNearPlane(1e12);
    EXPECT_EQ(lCamera.GetNearPlane(), 600000.0);
    EXPECT_EQ(lCamera.GetFarPlane(), 600000.0);
    lCamera.SetNearPlane(std::nan(""));
    lCamera.SetFarPlane(std::nan(""));
    EXPECT_EQ(lCamera.GetNearPlane(), 600000.0);
    EXPECT_EQ(lCamera.GetFarPlane(), 600000.0);
}

TEST(KRyvCamera, PlacementOverSamplingAndNames)
{
    KRyvCamera lCamera(nullptr);
    lCamera.SetBackgroundPlacementOptions(1 | 8);
    EXPECT_TRUE(lCamera.GetProperties()->GetFitImage());
    EXPECT_TRUE(lCamera.GetProperties()->GetCrop());
    EXPECT_FALSE(lCamera.GetProperties()->GetCenter());
    EXPECT_EQ(lCamera.GetBackgroundPlacementOptions(), 9);

    lCamera.SetUseOverSamplingTime(0);
    EXPECT_TRUE(lCamera.GetProperties()->GetUseRealTimeDOFAndAA());
    EXPECT_EQ(lCamera.GetUseOverSamplingTime(), 0);
    lCamera.SetUseOverSamplingTime(2);
    EXPECT_EQ(lCamera.GetUseOverSamplingTime(), 0);
    lCamera.SetUseOverSamplingTime(1);
    EXPECT_EQ(lCamera.GetUseOverSamplingTime(), 1);

    lCamera.SetBackgroundTextureName("Texture::Sky");
    EXPECT_STREQ(lCamera.GetBackgroundTextureName(), "Texture::Sky");
    lCamera.SetBackgroundTextureName(nullptr);
    EXPECT_EQ(lCamera.GetBackgroundTextureName(), nullptr);
}

TEST(KRyvCamera, WithoutNodePositionAndCurvesAreSkipped)
{
    KRyvCamera lCamera(nullptr);
    lCamera.SetPosition(KVector4(1.0, 2.0, 3.0));
    const KVector4 lPosition = lCamera.GetPosition();
    EXPECT_EQ(lPosition[0] + lPosition[1] + lPosition[2], 0.0);
    lCamera.SetFieldOfView(33.3);
    EXPECT_EQ(lCamera.GetFieldOfView(), 33.3);
    lCamera.SetRoll(12.25);
    EXPECT_EQ(lCamera.GetRoll(), 12.25);
    lCamera.SetBackgroundColor(0.2, 0.4, 0.6);
    EXPECT_DOUBLE_EQ(lCamera.GetBackgroundColor().mGreen, 0.4);
}

TEST(KRyvCamera, AttachingCreatesChannelsInEveryTakeAndDetachingRemovesThem)
{
    auto lNode = MakeNode("Cam");
    ASSERT_NE(lNode->AddTakeNode("Walk"), nullptr);
    KRyvCamera lCamera(nullptr);
    lNode->SetNodeAttribute(&lCamera);
    for (int lTake = 0; lTake < 2; ++lTake) {
        KRyvTakeNode* lTakeNode = lNode->GetTakeNode(lTake);
        for (const char* lChannel : kChannels) {
            EXPECT_GE(lTakeNode->GetKFCurveNode()->Find(lChannel), 0) << lChannel;
        }
        EXPECT_EQ(lTakeNode->GetFieldOfView()->GetDefaultValue(), 25.114999771118164);
        EXPECT_EQ(lTakeNode->GetFieldOfViewX()->GetDefaultValue(), 40.0);
        EXPECT_EQ(lTakeNode->GetFieldOfViewY()->GetDefaultValue(), 40.0);
        EXPECT_EQ(lTakeNode->GetRoll()->GetDefaultValue(), 0.0);
        EXPECT_EQ(lTakeNode->GetBackgroundColorZ()->GetDefaultValue(), 0.0);
        EXPECT_FLOAT_EQ(lTakeNode->GetFieldOfView()->GetColor()[2], 0.81f);
        EXPECT_FLOAT_EQ(lTakeNode->GetTurnTable()->GetColor()[0], 0.4f);
        EXPECT_EQ(lTakeNode->GetBackgroundColorY()->GetColor()[1], 1.0f);
    }
    // The getters read take 0, in single precision; take 0 also flows into the properties.
    EXPECT_EQ(lCamera.GetFieldOfView(), 25.114999771118164);
    EXPECT_EQ(Value(lCamera, "FieldOfView"), 25.114999771118164);
    EXPECT_EQ(lCamera.GetFieldOfViewX(), 40.0);

    lCamera.SetFieldOfView(33.3);
    EXPECT_EQ(lCamera.GetFieldOfView(), 33.29999923706055);
    EXPECT_EQ(lNode->GetDefaultTakeNode()->GetFieldOfView()->GetDefaultValue(), 33.29999923706055);
    EXPECT_EQ(lNode->GetTakeNode(1)->GetFieldOfView()->GetDefaultValue(), 25.114999771118164);
    lNode->GetDefaultTakeNode()->GetOpticalCenterX()->SetDefaultValue(0.5f);
    EXPECT_EQ(Value(lCamera, "OpticalCenterX"), 0.5);

    // A take made later is a copy of take 0.
    KRyvTakeNode* lRun = lNode->AddTakeNode("Run");
    ASSERT_NE(lRun, nullptr);
    EXPECT_EQ(lRun->GetFieldOfView()->GetDefaultValue(), 33.29999923706055);

    lNode->SetNodeAttribute(nullptr);
    for (int lTake = 0; lTake < lNode->GetTakeNodeCount(); ++lTake) {
        for (const char* lChannel : kChannels) {
            EXPECT_LT(lNode->GetTakeNode(lTake)->GetKFCurveNode()->Find(lChannel), 0) << lChannel;
        }
    }
    EXPECT_EQ(lCamera.GetFieldOfView(), 33.29999923706055);
}

TEST(KRyvCamera, ValuesSetBeforeAttachingSurviveTheAttach)
{
    auto lNode = MakeNode("Cam");
    KRyvCamera lCamera(nullptr);
    lCamera.SetFieldOfView(33.3);
    lCamera.SetRoll(15.0);
    lCamera.SetOpticalCenterY(0.25);
    lCamera.SetBackgroundColor(0.25, 0.5, 0.75);
    lNode->SetNodeAttribute(&lCamera);
    EXPECT_EQ(lCamera.GetFieldOfView(), 33.29999923706055);
    EXPECT_EQ(lCamera.GetRoll(), 15.0);
    EXPECT_EQ(lCamera.GetOpticalCenterY(), 0.25);
    // Untouched channels start as for a fresh camera.
    EXPECT_EQ(lCamera.GetFieldOfViewX(), 40.0);
    const KColor lColor = lCamera.GetBackgroundColor();
    EXPECT_EQ(lColor.mRed, 0.25);
    EXPECT_EQ(lColor.mGreen, 0.5);
    EXPECT_EQ(lColor.mBlue, 0.75);
    EXPECT_EQ(lNode->GetDefaultTakeNode()->GetRoll()->GetDefaultValue(), 15.0);
}

TEST(KRyvCamera, ResetOnANodeMovesTheNodeAndRollCurve)
{
    auto lNode = MakeNode("Cam");
    lNode->CreateUserPropertyRecords();
    KRyvCamera lCamera(nullptr);
    lNode->SetNodeAttribute(&lCamera);
    lCamera.SetPosition(KVector4(1.0, 2.0, 3.0));
    EXPECT_EQ(lCamera.GetPosition()[1], 2.0);
    lCamera.SetRoll(30.0);
    EXPECT_EQ(lNode->GetDefaultTakeNode()->GetRoll()->GetDefaultValue(), 30.0);
    lCamera.Reset();
    EXPECT_EQ(lCamera.GetPosition()[2], -50.0);
    EXPECT_EQ(lNode->GetDefaultTakeNode()->GetRoll()->GetDefaultValue(), 0.0);
    EXPECT_EQ(lCamera.GetRoll(), 0.0);
}

TEST(KRyvCamera, DestroyingAnAttachedCameraLeavesNoChannels)
{
    auto lNode = MakeNode("Cam");
    const int lLinksBefore = lNode->GetPropertyCurveLinkCount();
    auto lCamera = std::make_unique<KRyvCamera>(nullptr);
    lNode->SetNodeAttribute(lCamera.get());
    EXPECT_EQ(lNode->GetPropertyCurveLinkCount(), lLinksBefore + 7);
    lCamera.reset();
    EXPECT_EQ(lNode->GetNodeAttribute(), nullptr);
    EXPECT_LT(lNode->GetDefaultTakeNode()->GetKFCurveNode()->Find("FieldOfView"), 0);
    // No link is left writing into the dead camera's properties.
    EXPECT_EQ(lNode->GetPropertyCurveLinkCount(), lLinksBefore);
}

TEST(KRyvCamera, ConnectBackgroundTexture)
{
    auto lNode = MakeNode("Cam");
    KRyvCamera lCamera(nullptr);
    FakeTexture lTexture(KRyvObject::kTypeTexture);
    FakeTexture lNotATexture(KRyvObject::kTypeMaterial);

    lCamera.ConnectBackgroundTexture(&lTexture);
    EXPECT_EQ(lTexture.GetProperties()->GetDstCount(), 0);

    lNode->SetNodeAttribute(&lCamera);
    lCamera.ConnectBackgroundTexture(nullptr);
    lCamera.ConnectBackgroundTexture(&lNotATexture);
    EXPECT_EQ(lNotATexture.GetProperties()->GetDstCount(), 0);
    lCamera.ConnectBackgroundTexture(&lTexture);
    lCamera.ConnectBackgroundTexture(&lTexture);
    EXPECT_TRUE(lNode->GetProperties()->IsConnectedSrc(lTexture.GetProperties()));
    EXPECT_EQ(lTexture.GetProperties()->GetDstCount(), 1);
    lNode->SetNodeAttribute(nullptr);
}
