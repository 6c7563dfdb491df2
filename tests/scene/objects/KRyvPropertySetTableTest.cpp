#include "core/KTime.h"
#include "object/KProperty.h"
#include "scene/objects/KRyvCamera.h"
#include "scene/objects/KRyvDeformer.h"
#include "scene/objects/KRyvLight.h"
#include "scene/objects/KRyvMarker.h"
#include "scene/objects/KRyvNull.h"
#include "tests/support/SceneTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

// The property sets of the scene objects as the files list them: one golden list per set, in
// registration order, with each property's type, its value on a new object, whether it is
// animatable and its enumeration (item count and last item).

namespace {

struct PropertyRow
{
    const char* mName;
    int mType;
    const char* mValue;
    bool mAnimatable;
    int mEnumCount;
    const char* mLastEnumItem;
};

std::string Number(double pValue)
{
    char lText[32];
    std::snprintf(lText, sizeof(lText), "%.15g", pValue);
    return lText;
}

// Numbers as they print, vectors and colours as three components, times in ticks, object lists
// empty.
std::string ValueText(KProperty& pProperty)
{
    switch (pProperty.GetPropertyType()) {
    case kPropertyTypeString: {
        KString lText;
        return pProperty.GetValue(lText) ? lText.Buffer() : "?";
    }
    case kPropertyTypeTime: {
        KTime lTime;
        return pProperty.GetValue(lTime) ? std::to_string(lTime.Get()) : "?";
    }
    case kPropertyTypeVector3D:
    case kPropertyTypeColorRGB: {
        KVector4 lVector;
        if (!pProperty.GetValue(lVector)) {
            return "?";
        }
        return Number(lVector[0]) + " " + Number(lVector[1]) + " " + Number(lVector[2]) + " " +
               Number(lVector[3]);
    }
    case kPropertyTypeObject:
        return "";
    default:
        return Number(pProperty.GetValueAsDouble());
    }
}

// Keeps the owner of the listed properties alive while they are read.
using Keep = std::shared_ptr<void>;

template <class T> std::vector<KProperty*> ListAttribute(Keep& ioKeep)
{
    auto lObject = std::make_shared<T>(nullptr);
    ioKeep = lObject;
    std::vector<KProperty*> lProperties;
    lObject->FillPropertyList(lProperties);
    return lProperties;
}

std::vector<KProperty*> ListSet(Keep& ioKeep, std::shared_ptr<KRyvObject> pOwner)
{
    ioKeep = pOwner;
    std::vector<KProperty*> lProperties;
    pOwner->GetUserProperties(lProperties);
    return lProperties;
}

// Reset of the owner, for the sets whose owner has one.
template <class T> void ResetOwner(const Keep& pKeep)
{
    static_cast<T*>(pKeep.get())->Reset();
}

struct PropertySetCase
{
    const char* mName;
    std::function<std::vector<KProperty*>(Keep& ioKeep)> mList;
    std::vector<PropertyRow> mRows;
    std::function<void(const Keep& pKeep)> mReset = nullptr;
    // Properties the reset leaves as they are.
    std::vector<std::string> mResetKeeps = {};
};

// Gives every valued property another value than it has; each must read back changed.
void ChangeEveryValue(const std::vector<KProperty*>& pProperties)
{
    for (KProperty* lProperty : pProperties) {
        const std::string lBefore = ValueText(*lProperty);
        switch (lProperty->GetPropertyType()) {
        case kPropertyTypeBool:
            lProperty->SetValue(lProperty->GetValueAsInt() == 0);
            break;
        case kPropertyTypeEnum:
            lProperty->SetValueAsInt((lProperty->GetValueAsInt() + 1) % lProperty->GetEnumCount());
            break;
        case kPropertyTypeInt:
        case kPropertyTypeDouble:
            lProperty->SetValueAsDouble(lProperty->GetValueAsDouble() + 3.0);
            break;
        case kPropertyTypeVector3D:
        case kPropertyTypeColorRGB:
            lProperty->SetValue(KVector4(0.5, 0.25, 0.75, 1.0));
            break;
        default:
            continue;
        }
        EXPECT_NE(ValueText(*lProperty), lBefore) << lProperty->GetName();
    }
}

void ExpectRows(const std::vector<KProperty*>& pProperties, const std::vector<PropertyRow>& pRows,
                const std::vector<std::string>& pSkip = {})
{
    ASSERT_EQ(pProperties.size(), pRows.size());
    for (size_t i = 0; i < pProperties.size(); ++i) {
        KProperty& lProperty = *pProperties[i];
        const PropertyRow& lRow = pRows[i];
        SCOPED_TRACE(lRow.mName);
        EXPECT_STREQ(lProperty.GetName(), lRow.mName);
        if (std::find(pSkip.begin(), pSkip.end(), lRow.mName) == pSkip.end()) {
            EXPECT_EQ(ValueText(lProperty), lRow.mValue);
        }
        EXPECT_EQ(lProperty.GetPropertyType(), lRow.mType);
        EXPECT_EQ(lProperty.IsAnimatable(), lRow.mAnimatable);
        EXPECT_EQ(lProperty.GetFlag(KProperty::kAnimated), lRow.mAnimatable);
        ASSERT_EQ(lProperty.GetEnumCount(), lRow.mEnumCount);
        if (lRow.mEnumCount > 0) {
            EXPECT_STREQ(lProperty.GetEnumItem(lRow.mEnumCount - 1), lRow.mLastEnumItem);
        }
    }
}

const PropertySetCase kCases[] = {
    {"Camera",
     ListAttribute<KRyvCamera>,
     {
         {"Roll", kPropertyTypeDouble, "0", true, 0, nullptr},
         {"FieldOfView", kPropertyTypeDouble, "40", true, 0, nullptr},
         {"FieldOfViewX", kPropertyTypeDouble, "1", true, 0, nullptr},
         {"FieldOfViewY", kPropertyTypeDouble, "1", true, 0, nullptr},
         {"OpticalCenterX", kPropertyTypeDouble, "0", true, 0, nullptr},
         {"OpticalCenterY", kPropertyTypeDouble, "0", true, 0, nullptr},
         {"BackgroundColor", kPropertyTypeColorRGB, "0 0 0 1", true, 0, nullptr},
         {"TurnTable", kPropertyTypeDouble, "0", true, 0, nullptr},
         {"DisplayTurnTableIcon", kPropertyTypeBool, "1", false, 0, nullptr},
         {"Motion Blur Intensity", kPropertyTypeDouble, "1", true, 0, nullptr},
         {"UseMotionBlur", kPropertyTypeBool, "0", false, 0, nullptr},
         {"UseRealTimeMotionBlur", kPropertyTypeBool, "1", false, 0, nullptr},
         {"FocalLength", kPropertyTypeDouble, "35", false, 0, nullptr},
         {"ResolutionMode", kPropertyTypeEnum, "0", false, 5, "Fixed Height Resolution"},
         {"ApertureMode", kPropertyTypeEnum, "2", false, 3, "Vertical"},
         {"CameraFormat", kPropertyTypeEnum, "0", false, 11, "Full Screen"},
         {"AspectW", kPropertyTypeDouble, "320", false, 0, nullptr},
         {"AspectH", kPropertyTypeDouble, "200", false, 0, nullptr},
         {"PixelAspectRatio", kPropertyTypeDouble, "1", false, 0, nullptr},
         {"UseFrameColor", kPropertyTypeBool, "0", false, 0, nullptr},
         {"FrameColor", kPropertyTypeColorRGB, "0.3 0.3 0.3 1", false, 0, nullptr},
         {"ShowName", kPropertyTypeBool, "1", false, 0, nullptr},
         {"ShowGrid", kPropertyTypeBool, "1", false, 0, nullptr},
         {"ShowOpticalCenter", kPropertyTypeBool, "0", false, 0, nullptr},
         {"ShowAzimut", kPropertyTypeBool, "1", false, 0, nullptr},
         {"ShowTimeCode", kPropertyTypeBool, "0", false, 0, nullptr},
         {"NearPlane", kPropertyTypeDouble, "10", false, 0, nullptr},
         {"FarPlane", kPropertyTypeDouble, "4000", false, 0, nullptr},
         {"FilmWidth", kPropertyTypeDouble, "0.816", false, 0, nullptr},
         {"FilmHeight", kPropertyTypeDouble, "0.612", false, 0, nullptr},
         {"FilmAspectRatio", kPropertyTypeDouble, "1.33333333333333", false, 0, nullptr},
         {"FilmSqueezeRatio", kPropertyTypeDouble, "1", false, 0, nullptr},
         {"FilmFormatIndex", kPropertyTypeEnum, "4", false, 12, "Imax"},
         {"ViewFrustum", kPropertyTypeBool, "1", false, 0, nullptr},
         {"ViewFrustumNearFarPlane", kPropertyTypeBool, "0", false, 0, nullptr},
         {"ViewFrustumBackPlaneMode", kPropertyTypeEnum, "2", false, 3, "When Media"},
         {"BackPlaneDistance", kPropertyTypeDouble, "100", false, 0, nullptr},
         {"BackPlaneDistanceMode", kPropertyTypeEnum, "0", false, 2, "Relative to Camera"},
         {"ViewCameraToLookAt", kPropertyTypeBool, "1", false, 0, nullptr},
         {"LockMode", kPropertyTypeBool, "0", false, 0, nullptr},
         {"LockInterestNavigation", kPropertyTypeBool, "0", false, 0, nullptr},
         {"FitImage", kPropertyTypeBool, "0", false, 0, nullptr},
         {"Crop", kPropertyTypeBool, "0", false, 0, nullptr},
         {"Center", kPropertyTypeBool, "1", false, 0, nullptr},
         {"KeepRatio", kPropertyTypeBool, "1", false, 0, nullptr},
         {"BackgroundMode", kPropertyTypeEnum, "0", false, 3, "Background & Forground"},
         {"BackgroundAlphaTreshold", kPropertyTypeDouble, "0.5", false, 0, nullptr},
         {"ForegroundTransparent", kPropertyTypeBool, "1", false, 0, nullptr},
         {"DisplaySafeArea", kPropertyTypeBool, "0", false, 0, nullptr},
         {"SafeAreaDisplayStyle", kPropertyTypeEnum, "1", false, 2, "Square Safe Area"},
         {"SafeAreaAspectRatio", kPropertyTypeDouble, "1.33333333333333", false, 0, nullptr},
         {"Use2DMagnifierZoom", kPropertyTypeBool, "0", false, 0, nullptr},
         {"2D Magnifier Zoom", kPropertyTypeDouble, "100", true, 0, nullptr},
         {"2D Magnifier X", kPropertyTypeDouble, "50", true, 0, nullptr},
         {"2D Magnifier Y", kPropertyTypeDouble, "50", true, 0, nullptr},
         {"CameraProjectionType", kPropertyTypeEnum, "0", false, 2, "Orthographic"},
         {"UseRealTimeDOFAndAA", kPropertyTypeBool, "0", false, 0, nullptr},
         {"UseDepthOfField", kPropertyTypeBool, "0", false, 0, nullptr},
         {"FocusSource", kPropertyTypeEnum, "0", false, 2, "Specific Distance"},
         {"FocusAngle", kPropertyTypeDouble, "3.5", false, 0, nullptr},
         {"FocusDistance", kPropertyTypeDouble, "200", false, 0, nullptr},
         {"UseAntialiasing", kPropertyTypeBool, "0", false, 0, nullptr},
         {"AntialiasingIntensity", kPropertyTypeDouble, "0.77777", false, 0, nullptr},
         {"UseAccumulationBuffer", kPropertyTypeBool, "0", false, 0, nullptr},
         {"FrameSamplingCount", kPropertyTypeInt, "7", false, 0, nullptr},
     },
     ResetOwner<KRyvCamera>,
     {"LockInterestNavigation"}},
    {"Light",
     ListAttribute<KRyvLight>,
     {
         {"LightType", kPropertyTypeEnum, "0", false, 3, "Spot Light"},
         {"CastLightOnObject", kPropertyTypeBool, "1", false, 0, nullptr},
         {"Color", kPropertyTypeColorRGB, "1 1 1 1", true, 0, nullptr},
         {"Intensity", kPropertyTypeDouble, "100", true, 0, nullptr},
         {"Cone angle", kPropertyTypeDouble, "45", true, 0, nullptr},
         {"Fog", kPropertyTypeDouble, "50", true, 0, nullptr},
     }},
    {"Marker",
     ListAttribute<KRyvMarker>,
     {
         {"Look", kPropertyTypeEnum, "0", false, 4, "Sphere"},
         {"Size", kPropertyTypeDouble, "100", false, 0, nullptr},
         {"Color", kPropertyTypeColorRGB, "1 0 0 1", false, 0, nullptr},
         {"ShowLabel", kPropertyTypeBool, "0", false, 0, nullptr},
         {"IKPivot", kPropertyTypeVector3D, "0 0 0 1", false, 0, nullptr},
     },
     ResetOwner<KRyvMarker>},
    {"Null",
     ListAttribute<KRyvNull>,
     {
         {"Size", kPropertyTypeDouble, "100", false, 0, nullptr},
     }},
    {"Material",
     [](Keep& ioKeep) { return ListSet(ioKeep, MakeMaterial("M")); },
     {
         {"Emissive", kPropertyTypeColorRGB, "0 0 0 1", true, 0, nullptr},
         {"Ambient", kPropertyTypeColorRGB, "0.2 0.2 0.2 1", true, 0, nullptr},
         {"Diffuse", kPropertyTypeColorRGB, "0.8 0.8 0.8 1", true, 0, nullptr},
         {"Specular", kPropertyTypeColorRGB, "0.2 0.2 0.2 1", true, 0, nullptr},
         {"Opacity", kPropertyTypeDouble, "1", true, 0, nullptr},
         {"Reflectivity", kPropertyTypeDouble, "0.3", true, 0, nullptr},
         {"Shininess", kPropertyTypeDouble, "6.4", true, 0, nullptr},
     }},
    {"Texture",
     [](Keep& ioKeep) { return ListSet(ioKeep, MakeTexture("T")); },
     {
         {"Translation", kPropertyTypeVector3D, "0 0 0 1", true, 0, nullptr},
         {"Rotation", kPropertyTypeVector3D, "0 0 0 1", true, 0, nullptr},
         {"Scaling", kPropertyTypeVector3D, "1 1 1 1", true, 0, nullptr},
         {"Texture alpha", kPropertyTypeDouble, "1", true, 0, nullptr},
         {"TextureTypeUse", kPropertyTypeEnum, "0", false, 6, "Bump Map (NormalMap)"},
         {"CurrentTextureBlendMode", kPropertyTypeEnum, "1", false, 4, "Modulate2"},
         {"UseMaterial", kPropertyTypeBool, "0", false, 0, nullptr},
         {"UseMipMap", kPropertyTypeBool, "0", false, 0, nullptr},
         {"CurrentMappingType", kPropertyTypeEnum, "0", false, 11, "None"},
         {"UVSwap", kPropertyTypeBool, "0", false, 0, nullptr},
         {"WrapModeU", kPropertyTypeEnum, "0", false, 2, "Clamp"},
         {"WrapModeV", kPropertyTypeEnum, "0", false, 2, "Clamp"},
         {"TextureRotationPivot", kPropertyTypeVector3D, "0 0 0 1", false, 0, nullptr},
         {"TextureScalingPivot", kPropertyTypeVector3D, "0 0 0 1", false, 0, nullptr},
         {"VideoProperty", kPropertyTypeObject, "", false, 0, nullptr},
     },
     [](const Keep& pKeep) {
         static_cast<KRyvTexture*>(static_cast<KRyvObject*>(pKeep.get()))->Reset();
     },
     {"Texture alpha", "UseMipMap", "CurrentMappingType", "TextureRotationPivot",
      "TextureScalingPivot"}},
    {"Video",
     [](Keep& ioKeep) { return ListSet(ioKeep, MakeVideo("V")); },
     {
         {"FrameRate", kPropertyTypeDouble, "0", false, 0, nullptr},
         {"LastFrame", kPropertyTypeInt, "0", false, 0, nullptr},
         {"Width", kPropertyTypeInt, "0", false, 0, nullptr},
         {"Height", kPropertyTypeInt, "0", false, 0, nullptr},
         {"Path", kPropertyTypeString, "", false, 0, nullptr},
         {"StartFrame", kPropertyTypeInt, "0", false, 0, nullptr},
         {"StopFrame", kPropertyTypeInt, "0", false, 0, nullptr},
         {"PlaySpeed", kPropertyTypeDouble, "1", false, 0, nullptr},
         {"Offset", kPropertyTypeTime, "0", false, 0, nullptr},
         {"InterlaceMode", kPropertyTypeEnum, "0", false, 8, "Full Frame Odd/Even"},
         {"FreeRunning", kPropertyTypeBool, "0", false, 0, nullptr},
         {"Loop", kPropertyTypeBool, "0", false, 0, nullptr},
         {"AccessMode", kPropertyTypeEnum, "0", false, 3, "Disk Async"},
     }},
    {"Cluster",
     [](Keep& ioKeep) {
         return ListSet(ioKeep, std::make_shared<KRyvDeformer>(nullptr, "C", "Cluster"));
     },
     {
         {"SrcModel", kPropertyTypeObject, "", false, 0, nullptr},
         {"SrcModelReference", kPropertyTypeObject, "", false, 0, nullptr},
     }},
};

class KRyvPropertySetTable : public ::testing::TestWithParam<PropertySetCase>
{
};

// The sets whose owner has a reset.
class KRyvPropertySetReset : public KRyvPropertySetTable
{
};

std::vector<PropertySetCase> ResetCases()
{
    std::vector<PropertySetCase> lCases;
    std::copy_if(std::begin(kCases), std::end(kCases), std::back_inserter(lCases),
                 [](const PropertySetCase& pCase) { return pCase.mReset != nullptr; });
    return lCases;
}

std::string CaseName(const ::testing::TestParamInfo<PropertySetCase>& pInfo)
{
    return pInfo.param.mName;
}

} // namespace

TEST_P(KRyvPropertySetTable, NamesTypesValuesAndOrder)
{
    Keep lKeep;
    ExpectRows(GetParam().mList(lKeep), GetParam().mRows);
}

TEST_P(KRyvPropertySetReset, GivesBackEveryValue)
{
    const PropertySetCase& lCase = GetParam();
    Keep lKeep;
    const std::vector<KProperty*> lProperties = lCase.mList(lKeep);
    ChangeEveryValue(lProperties);
    lCase.mReset(lKeep);
    ExpectRows(lProperties, lCase.mRows, lCase.mResetKeeps);
}

INSTANTIATE_TEST_SUITE_P(AllSets, KRyvPropertySetTable, ::testing::ValuesIn(kCases), CaseName);
INSTANTIATE_TEST_SUITE_P(SetsWithReset, KRyvPropertySetReset, ::testing::ValuesIn(ResetCases()),
                         CaseName);
