#include "animation/KRyvTakeNode.h"
#include "animation/KImportSettings.h"
#include "animation/KTakeInfo.h"

#include "object/KDataType.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Getter
{
    KFCurve* (KRyvTakeNode::*mGet)();
    std::vector<const char*> mPath;
};

const std::vector<Getter> kGetters = {
    {&KRyvTakeNode::GetTransformTX, {"Transform", "T", "X"}},
    {&KRyvTakeNode::GetTransformTY, {"Transform", "T", "Y"}},
    {&KRyvTakeNode::GetTransformTZ, {"Transform", "T", "Z"}},
    {&KRyvTakeNode::GetTransformRX, {"Transform", "R", "X"}},
    {&KRyvTakeNode::GetTransformRY, {"Transform", "R", "Y"}},
    {&KRyvTakeNode::GetTransformRZ, {"Transform", "R", "Z"}},
    {&KRyvTakeNode::GetTransformSX, {"Transform", "S", "X"}},
    {&KRyvTakeNode::GetTransformSY, {"Transform", "S", "Y"}},
    {&KRyvTakeNode::GetTransformSZ, {"Transform", "S", "Z"}},
    {&KRyvTakeNode::GetVisibility, {"Visibility"}},
    {&KRyvTakeNode::GetColorX, {"Color", "X"}},
    {&KRyvTakeNode::GetColorY, {"Color", "Y"}},
    {&KRyvTakeNode::GetColorZ, {"Color", "Z"}},
    {&KRyvTakeNode::GetIntensity, {"Intensity"}},
    {&KRyvTakeNode::GetConeAngle, {"Cone angle"}},
    {&KRyvTakeNode::GetFog, {"Fog"}},
    {&KRyvTakeNode::GetFieldOfView, {"FieldOfView"}},
    {&KRyvTakeNode::GetFieldOfViewX, {"FieldOfViewX"}},
    {&KRyvTakeNode::GetFieldOfViewY, {"FieldOfViewY"}},
    {&KRyvTakeNode::GetOpticalCenterX, {"OpticalCenterX"}},
    {&KRyvTakeNode::GetOpticalCenterY, {"OpticalCenterY"}},
    {&KRyvTakeNode::GetRoll, {"Roll"}},
    {&KRyvTakeNode::GetTurnTable, {"TurnTable"}},
    {&KRyvTakeNode::GetBackgroundColorX, {"BackgroundColor (Color)", "X"}},
    {&KRyvTakeNode::GetBackgroundColorY, {"BackgroundColor (Color)", "Y"}},
    {&KRyvTakeNode::GetBackgroundColorZ, {"BackgroundColor (Color)", "Z"}},
    {&KRyvTakeNode::GetCameraIndex, {"Camera Index"}},
    {&KRyvTakeNode::GetTranslationX, {"Translation", "X"}},
    {&KRyvTakeNode::GetTranslationY, {"Translation", "Y"}},
    {&KRyvTakeNode::GetTranslationZ, {"Translation", "Z"}},
    {&KRyvTakeNode::GetRotationX, {"Rotation", "X"}},
    {&KRyvTakeNode::GetRotationY, {"Rotation", "Y"}},
    {&KRyvTakeNode::GetRotationZ, {"Rotation", "Z"}},
    {&KRyvTakeNode::GetScalingX, {"Scaling", "X"}},
    {&KRyvTakeNode::GetScalingY, {"Scaling", "Y"}},
    {&KRyvTakeNode::GetScalingZ, {"Scaling", "Z"}},
    {&KRyvTakeNode::GetAlpha, {"Alpha"}},
    {&KRyvTakeNode::GetEmissiveX, {"Emissive", "X"}},
    {&KRyvTakeNode::GetEmissiveY, {"Emissive", "Y"}},
    {&KRyvTakeNode::GetEmissiveZ, {"Emissive", "Z"}},
    {&KRyvTakeNode::GetAmbientX, {"Ambient", "X"}},
    {&KRyvTakeNode::GetAmbientY, {"Ambient", "Y"}},
    {&KRyvTakeNode::GetAmbientZ, {"Ambient", "Z"}},
    {&KRyvTakeNode::GetDiffuseX, {"Diffuse", "X"}},
    {&KRyvTakeNode::GetDiffuseY, {"Diffuse", "Y"}},
    {&KRyvTakeNode::GetDiffuseZ, {"Diffuse", "Z"}},
    {&KRyvTakeNode::GetSpecularX, {"Specular", "X"}},
    {&KRyvTakeNode::GetSpecularY, {"Specular", "Y"}},
    {&KRyvTakeNode::GetSpecularZ, {"Specular", "Z"}},
    {&KRyvTakeNode::GetOpacity, {"Opacity"}},
    {&KRyvTakeNode::GetReflectivity, {"Reflectivity"}},
    {&KRyvTakeNode::GetShininess, {"Shininess"}},
};

KFCurve* MakePath(KRyvTakeNode& ioTake, const std::vector<const char*>& pPath)
{
    KFCurveNode* lNode = ioTake.GetKFCurveNode();
    for (std::size_t i = 0; i < pPath.size(); ++i) {
        lNode = lNode->FindOrCreateChild(pPath[i], i + 1 == pPath.size());
    }
    return lNode->GetCurve();
}

} // namespace

TEST(KRyvTakeNodeTest, EveryGetterFindsItsPathAndReportsAMissingCurve)
{
    for (const Getter& lGetter : kGetters) {
        KRyvTakeNode lEmpty("Take 001");
        EXPECT_EQ((lEmpty.*lGetter.mGet)(), nullptr) << lGetter.mPath[0];
        EXPECT_EQ(lEmpty.GetError().GetLastErrorID(), KRyvTakeNode::kCurveNotFound);
        EXPECT_STREQ(lEmpty.GetError().GetLastErrorString().Buffer(), "Curve not found");

        KRyvTakeNode lTake("Take 001");
        KFCurve* lCurve = MakePath(lTake, lGetter.mPath);
        EXPECT_EQ((lTake.*lGetter.mGet)(), lCurve) << lGetter.mPath[0];
        EXPECT_EQ(lTake.GetError().GetLastErrorID(), -1);
    }
}

TEST(KRyvTakeNodeTest, DataTypeGettersSearchDepthFirst)
{
    KRyvTakeNode lTake("Default");
    EXPECT_STREQ(lTake.GetKFCurveNode()->GetName(), "Defaults");
    EXPECT_EQ(lTake.GetIKReachTranslation(), nullptr);
    KFCurveNode* lGroup = lTake.GetKFCurveNode()->FindOrCreateChild("IK", false);
    const char* const lTypes[3] = {"IK Reach Translation", "IK Reach Rotation", "Occlusion"};
    KFCurve* lCurves[3];
    for (int i = 0; i < 3; ++i) {
        KFCurveNode* lNode = KFCurveNode::Create("Any", FindDataType(lTypes[i]));
        lNode->SetCurve(KFCurve::Create());
        lCurves[i] = lNode->GetCurve();
        lGroup->Add(lNode);
    }
    EXPECT_EQ(lTake.GetIKReachTranslation(), lCurves[0]);
    EXPECT_EQ(lTake.GetIKReachRotation(), lCurves[1]);
    EXPECT_EQ(lTake.GetOcclusion(), lCurves[2]);
    EXPECT_EQ(lTake.GetCurve("IK", nullptr, FindDataType("Occlusion")), lCurves[2]);
    EXPECT_EQ(lTake.GetCurve("Missing", nullptr, FindDataType("Occlusion")), nullptr);
    EXPECT_EQ(lTake.GetCurve(nullptr, nullptr, static_cast<const KDataType*>(nullptr)), nullptr);
}

TEST(KRyvTakeNodeTest, IsAnimatedIntervalAndDeepCopy)
{
    KRyvTakeNode lTake("Walk");
    KFCurve* lX = MakePath(lTake, {"Transform", "T", "X"});
    EXPECT_FALSE(lTake.IsAnimated("Transform", "T", "X"));
    EXPECT_FALSE(lTake.IsAnimated("Transform", "T", "Y"));
    lX->KeyAdd(KTime(100), 1.0f);
    lX->KeyAdd(KTime(900), 2.0f);
    EXPECT_TRUE(lTake.IsAnimated("Transform", "T", "X"));
    EXPECT_TRUE(lTake.IsAnimated("Transform", nullptr, "X"));
    EXPECT_EQ(lTake.GetCurve(nullptr, "T", "X"), lX);
    EXPECT_EQ(lTake.GetCurve(nullptr, nullptr, static_cast<const char*>(nullptr)), nullptr);

    KTime lStart = KTime::kInfinity;
    KTime lStop = KTime::kMinusInfinity;
    EXPECT_TRUE(lTake.GetAnimationInterval(lStart, lStop));
    EXPECT_EQ(lStart, KTime(100));
    EXPECT_EQ(lStop, KTime(900));

    KRyvTakeNode lCopy(lTake);
    EXPECT_EQ(lCopy.GetName(), "Walk");
    EXPECT_STREQ(lCopy.GetKFCurveNode()->GetName(), "Defaults");
    KFCurve* lCopyX = lCopy.GetTransformTX();
    ASSERT_NE(lCopyX, nullptr);
    EXPECT_NE(lCopyX, lX);
    lCopyX->KeyClear();
    EXPECT_EQ(lX->GetKeyCount(), 2);
    EXPECT_FALSE(lCopy.IsAnimated("Transform", "T", "X"));
}

TEST(KTakeInfoTest, DefaultsAndCopies)
{
    KTakeInfo lInfo;
    EXPECT_TRUE(lInfo.mName.IsEmpty());
    EXPECT_TRUE(lInfo.mDescription.IsEmpty());
    EXPECT_EQ(lInfo.mSelect, 1);
    EXPECT_EQ(lInfo.mLocalStop, KTime());
    lInfo.mName = "Take 001";
    lInfo.mSecondDescription = "from file";
    lInfo.mSelect = 0;
    lInfo.mReferenceStop = KTime(42);
    lInfo.mWords[1] = 7;
    KTakeInfo lCopy;
    lCopy = lInfo;
    EXPECT_EQ(lCopy.mName, "Take 001");
    EXPECT_EQ(lCopy.mSecondDescription, "from file");
    EXPECT_EQ(lCopy.mSelect, 0);
    EXPECT_EQ(lCopy.mReferenceStop, KTime(42));
    EXPECT_EQ(lCopy.mWords[1], 7);
}

TEST(KImportSettingsTest, InitialValuesAndSetters)
{
    KImportSettings& lSettings = KImportSettings::Get();
    lSettings.Reset();
    EXPECT_TRUE(lSettings.IsConstantKeyReducerEnabled());
    EXPECT_EQ(lSettings.GetRotationFilterMode(), KImportSettings::kRotationFilterUnroll);
    lSettings.SetConstantKeyReducerEnabled(false);
    EXPECT_FALSE(KImportSettings::Get().IsConstantKeyReducerEnabled());
    EXPECT_TRUE(lSettings.SetRotationFilterMode(KImportSettings::kRotationFilterGimbalKiller));
    EXPECT_EQ(lSettings.GetRotationFilterMode(), 1);
    EXPECT_FALSE(lSettings.SetRotationFilterMode(3));
    EXPECT_EQ(lSettings.GetRotationFilterMode(), 1);
    lSettings.Reset();
    EXPECT_EQ(lSettings.GetRotationFilterMode(), 2);
}
