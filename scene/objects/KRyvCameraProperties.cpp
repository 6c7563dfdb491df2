#include "scene/objects/KRyvCameraProperties.h"

#include "object/KDataType.h"
#include "scene/objects/KRyvCamera.h"

K_IMPLEMENT_CLASS(KRyvCameraProperties, KObject)

namespace {

// Format 9 has no name, yet "Full Screen" (10) must stay reachable through the list, which ends
// at its first null item: 9 answers the empty text.
const char* CameraFormatListItem(int pIndex)
{
    if (pIndex == 9) {
        return "";
    }
    return KRyvCamera::GetCameraFormatName(pIndex);
}

} // namespace

KRyvCameraProperties::KRyvCameraProperties()
{
    using K = KRyvCameraProperties;
    CreateAnimatable("Roll", "Roll");
    CreateAnimatable("FieldOfView", "FieldOfView");
    CreateAnimatable("FieldOfViewX", "FieldOfView");
    CreateAnimatable("FieldOfViewY", "FieldOfView");
    CreateAnimatable("OpticalCenterX", "Real");
    CreateAnimatable("OpticalCenterY", "Real");
    CreateAnimatable("BackgroundColor", "Color");
    CreateAnimatable("TurnTable", "Real");

    RegisterMember(mDisplayTurnTableIcon, "DisplayTurnTableIcon", kPropertyTypeBool,
                   &K::GetDisplayTurnTableIcon, &K::SetDisplayTurnTableIcon);
    CreateAnimatable("Motion Blur Intensity", "Real");
    RegisterMember(mUseMotionBlur, "UseMotionBlur", kPropertyTypeBool, &K::GetUseMotionBlur,
                   &K::SetUseMotionBlur);
    RegisterMember(mUseRealTimeMotionBlur, "UseRealTimeMotionBlur", kPropertyTypeBool,
                   &K::GetUseRealTimeMotionBlur, &K::SetUseRealTimeMotionBlur);
    RegisterMember(mFocalLength, "FocalLength", kPropertyTypeDouble, &K::GetFocalLength,
                   &K::SetFocalLength);
    RegisterEnum(mResolutionMode, "ResolutionMode", &K::GetResolutionMode, &K::SetResolutionMode,
                 &KRyvCamera::GetResolutionModeName);
    RegisterEnum(mApertureMode, "ApertureMode", &K::GetApertureMode, &K::SetApertureMode,
                 &KRyvCamera::GetApertureModeName);
    RegisterEnum(mCameraFormat, "CameraFormat", &K::GetCameraFormat, &K::SetCameraFormat,
                 CameraFormatListItem);
    RegisterMember(mAspectW, "AspectW", kPropertyTypeDouble, &K::GetAspectW, &K::SetAspectW);
    RegisterMember(mAspectH, "AspectH", kPropertyTypeDouble, &K::GetAspectH, &K::SetAspectH);
    RegisterMember(mPixelAspectRatio, "PixelAspectRatio", kPropertyTypeDouble,
                   &K::GetPixelAspectRatio, &K::SetPixelAspectRatio);
    RegisterMember(mUseFrameColor, "UseFrameColor", kPropertyTypeBool, &K::GetUseFrameColor,
                   &K::SetUseFrameColor);
    RegisterFrameColor();
    RegisterMember(mShowName, "ShowName", kPropertyTypeBool, &K::GetShowName, &K::SetShowName);
    RegisterMember(mShowGrid, "ShowGrid", kPropertyTypeBool, &K::GetShowGrid, &K::SetShowGrid);
    RegisterMember(mShowOpticalCenter, "ShowOpticalCenter", kPropertyTypeBool,
                   &K::GetShowOpticalCenter, &K::SetShowOpticalCenter);
    RegisterMember(mShowAzimut, "ShowAzimut", kPropertyTypeBool, &K::GetShowAzimut,
                   &K::SetShowAzimut);
    RegisterMember(mShowTimeCode, "ShowTimeCode", kPropertyTypeBool, &K::GetShowTimeCode,
                   &K::SetShowTimeCode);
    RegisterMember(mNearPlane, "NearPlane", kPropertyTypeDouble, &K::GetNearPlane,
                   &K::SetNearPlane);
    RegisterMember(mFarPlane, "FarPlane", kPropertyTypeDouble, &K::GetFarPlane, &K::SetFarPlane);
    RegisterMember(mFilmWidth, "FilmWidth", kPropertyTypeDouble, &K::GetFilmWidth,
                   &K::SetFilmWidth);
    RegisterMember(mFilmHeight, "FilmHeight", kPropertyTypeDouble, &K::GetFilmHeight,
                   &K::SetFilmHeight);
    RegisterMember(mFilmAspectRatio, "FilmAspectRatio", kPropertyTypeDouble, &K::GetFilmAspectRatio,
                   &K::SetFilmAspectRatio);
    RegisterMember(mFilmSqueezeRatio, "FilmSqueezeRatio", kPropertyTypeDouble,
                   &K::GetFilmSqueezeRatio, &K::SetFilmSqueezeRatio);
    RegisterEnum(mFilmFormatIndex, "FilmFormatIndex", &K::GetFilmFormatIndex,
                 &K::SetFilmFormatIndex, &KRyvCamera::GetFilmFormatName);
    RegisterMember(mViewFrustum, "ViewFrustum", kPropertyTypeBool, &K::GetViewFrustum,
                   &K::SetViewFrustum);
    RegisterMember(mViewFrustumNearFarPlane, "ViewFrustumNearFarPlane", kPropertyTypeBool,
                   &K::GetViewFrustumNearFarPlane, &K::SetViewFrustumNearFarPlane);
    RegisterEnum(mViewFrustumBackPlaneMode, "ViewFrustumBackPlaneMode",
                 &K::GetViewFrustumBackPlaneMode, &K::SetViewFrustumBackPlaneMode,
                 &KRyvCamera::GetBackPlaneModeName);
    RegisterMember(mBackPlaneDistance, "BackPlaneDistance", kPropertyTypeDouble,
                   &K::GetBackPlaneDistance, &K::SetBackPlaneDistance);
    RegisterEnum(mBackPlaneDistanceMode, "BackPlaneDistanceMode", &K::GetBackPlaneDistanceMode,
                 &K::SetBackPlaneDistanceMode, &KRyvCamera::GetBackPlaneDistanceModeName);
    RegisterMember(mViewCameraToLookAt, "ViewCameraToLookAt", kPropertyTypeBool,
                   &K::GetViewCameraToLookAt, &K::SetViewCameraToLookAt);
    RegisterMember(mLockMode, "LockMode", kPropertyTypeBool, &K::GetLockMode, &K::SetLockMode);
    RegisterMember(mLockInterestNavigation, "LockInterestNavigation", kPropertyTypeBool,
                   &K::GetLockInterestNavigation, &K::SetLockInterestNavigation);
    RegisterMember(mFitImage, "FitImage", kPropertyTypeBool, &K::GetFitImage, &K::SetFitImage);
    RegisterMember(mCrop, "Crop", kPropertyTypeBool, &K::GetCrop, &K::SetCrop);
    RegisterMember(mCenter, "Center", kPropertyTypeBool, &K::GetCenter, &K::SetCenter);
    RegisterMember(mKeepRatio, "KeepRatio", kPropertyTypeBool, &K::GetKeepRatio, &K::SetKeepRatio);
    RegisterEnum(mBackgroundMode, "BackgroundMode", &K::GetBackgroundMode, &K::SetBackgroundMode,
                 &KRyvCamera::GetBackgroundModeName);
    RegisterMember(mBackgroundAlphaTreshold, "BackgroundAlphaTreshold", kPropertyTypeDouble,
                   &K::GetBackgroundAlphaTreshold, &K::SetBackgroundAlphaTreshold);
    RegisterMember(mForegroundTransparent, "ForegroundTransparent", kPropertyTypeBool,
                   &K::GetForegroundTransparent, &K::SetForegroundTransparent);
    RegisterMember(mDisplaySafeArea, "DisplaySafeArea", kPropertyTypeBool, &K::GetDisplaySafeArea,
                   &K::SetDisplaySafeArea);
    RegisterEnum(mSafeAreaDisplayStyle, "SafeAreaDisplayStyle", &K::GetSafeAreaDisplayStyle,
                 &K::SetSafeAreaDisplayStyle, &KRyvCamera::GetSafeAreaStyleName);
    RegisterMember(mSafeAreaAspectRatio, "SafeAreaAspectRatio", kPropertyTypeDouble,
                   &K::GetSafeAreaAspectRatio, &K::SetSafeAreaAspectRatio);
    RegisterMember(mUse2DMagnifierZoom, "Use2DMagnifierZoom", kPropertyTypeBool,
                   &K::GetUse2DMagnifierZoom, &K::SetUse2DMagnifierZoom);
    CreateAnimatable("2D Magnifier Zoom", "Real");
    CreateAnimatable("2D Magnifier X", "Real");
    CreateAnimatable("2D Magnifier Y", "Real");
    RegisterEnum(mCameraProjectionType, "CameraProjectionType", &K::GetCameraProjectionType,
                 &K::SetCameraProjectionType, &KRyvCamera::GetProjectionTypeName);
    RegisterMember(mUseRealTimeDOFAndAA, "UseRealTimeDOFAndAA", kPropertyTypeBool,
                   &K::GetUseRealTimeDOFAndAA, &K::SetUseRealTimeDOFAndAA);
    RegisterMember(mUseDepthOfField, "UseDepthOfField", kPropertyTypeBool, &K::GetUseDepthOfField,
                   &K::SetUseDepthOfField);
    RegisterEnum(mFocusSource, "FocusSource", &K::GetFocusSource, &K::SetFocusSource,
                 &KRyvCamera::GetFocusSourceName);
    RegisterMember(mFocusAngle, "FocusAngle", kPropertyTypeDouble, &K::GetFocusAngle,
                   &K::SetFocusAngle);
    RegisterMember(mFocusDistance, "FocusDistance", kPropertyTypeDouble, &K::GetFocusDistance,
                   &K::SetFocusDistance);
    RegisterMember(mUseAntialiasing, "UseAntialiasing", kPropertyTypeBool, &K::GetUseAntialiasing,
                   &K::SetUseAntialiasing);
    RegisterMember(mAntialiasingIntensity, "AntialiasingIntensity", kPropertyTypeDouble,
                   &K::GetAntialiasingIntensity, &K::SetAntialiasingIntensity);
    RegisterMember(mUseAccumulationBuffer, "UseAccumulationBuffer", kPropertyTypeBool,
                   &K::GetUseAccumulationBuffer, &K::SetUseAccumulationBuffer);
    RegisterMember(mFrameSamplingCount, "FrameSamplingCount", kPropertyTypeInt,
                   &K::GetFrameSamplingCount, &K::SetFrameSamplingCount);
}

KRyvCameraProperties::~KRyvCameraProperties()
{
    // The members die after this body: take them out of the object first.
    KObject::Destruct();
}

template <typename T, typename Getter, typename Setter>
void KRyvCameraProperties::RegisterMember(KTypedProperty<T>& ioProperty, const char* pName,
                                          int pType, Getter pGetter, Setter pSetter)
{
    RegisterProperty(&ioProperty);
    ioProperty.SetPropertyType(pType);
    ioProperty.AttachMembers(pName, this, pGetter, pSetter);
}

void KRyvCameraProperties::RegisterEnum(KPropertyEnum& ioProperty, const char* pName,
                                        int (KRyvCameraProperties::*pGetter)() const,
                                        int (KRyvCameraProperties::*pSetter)(int),
                                        KEnumListFunction pList)
{
    RegisterMember(ioProperty, pName, kPropertyTypeNone, pGetter, pSetter);
    ioProperty.SetPropertyType(kPropertyTypeEnum);
    ioProperty.GetDefinition().SetEnumList(pList);
}

void KRyvCameraProperties::RegisterFrameColor()
{
    RegisterProperty(&mFrameColor);
    mFrameColor.SetPropertyType(kPropertyTypeColorRGB);
    mFrameColor.Attach(
        "FrameColor", this, [this]() { return mFrameColor.GetCachedValue(); },
        [this](const KColor& pValue) { SetFrameColor(pValue.mRed, pValue.mGreen, pValue.mBlue); });
}

void KRyvCameraProperties::CreateAnimatable(const char* pName, const char* pDataTypeName)
{
    KDataType* lDataType = FindDataType(pDataTypeName);
    KProperty* lProperty =
        CreateProperty(pName, KProperty::GetPropertyTypeFromDataType(lDataType), lDataType, true);
    if (lProperty) {
        lProperty->SetFlag(KProperty::kAnimated, true);
    }
}

void KRyvCameraProperties::SetFrameColor(double pRed, double pGreen, double pBlue)
{
    mFrameColor.SetCachedValue(KColor(pRed, pGreen, pBlue, 1.0));
}

void KRyvCameraProperties::GetFrameColor(double& oRed, double& oGreen, double& oBlue) const
{
    const KColor& lColor = mFrameColor.GetCachedValue();
    oRed = lColor.mRed;
    oGreen = lColor.mGreen;
    oBlue = lColor.mBlue;
}

#define K_CAMERA_VALUE_ACCESSORS(Type, Name)                                                       \
    Type KRyvCameraProperties::Set##Name(Type pValue)                                              \
    {                                                                                              \
        m##Name.SetCachedValue(pValue);                                                            \
        return pValue;                                                                             \
    }                                                                                              \
    Type KRyvCameraProperties::Get##Name() const                                                   \
    {                                                                                              \
        return m##Name.GetCachedValue();                                                           \
    }

#define K_CAMERA_DOUBLE_ACCESSORS(Name)                                                            \
    void KRyvCameraProperties::Set##Name(double pValue)                                            \
    {                                                                                              \
        m##Name.SetCachedValue(pValue);                                                            \
    }                                                                                              \
    double KRyvCameraProperties::Get##Name() const                                                 \
    {                                                                                              \
        return m##Name.GetCachedValue();                                                           \
    }

K_CAMERA_VALUE_ACCESSORS(bool, DisplayTurnTableIcon)
K_CAMERA_VALUE_ACCESSORS(bool, UseMotionBlur)
K_CAMERA_VALUE_ACCESSORS(bool, UseRealTimeMotionBlur)
K_CAMERA_DOUBLE_ACCESSORS(FocalLength)
K_CAMERA_VALUE_ACCESSORS(int, ResolutionMode)
K_CAMERA_VALUE_ACCESSORS(int, ApertureMode)
K_CAMERA_VALUE_ACCESSORS(int, CameraFormat)
K_CAMERA_DOUBLE_ACCESSORS(AspectW)
K_CAMERA_DOUBLE_ACCESSORS(AspectH)
K_CAMERA_DOUBLE_ACCESSORS(PixelAspectRatio)
K_CAMERA_VALUE_ACCESSORS(bool, UseFrameColor)
K_CAMERA_VALUE_ACCESSORS(bool, ShowName)
K_CAMERA_VALUE_ACCESSORS(bool, ShowGrid)
K_CAMERA_VALUE_ACCESSORS(bool, ShowOpticalCenter)
K_CAMERA_VALUE_ACCESSORS(bool, ShowAzimut)
K_CAMERA_VALUE_ACCESSORS(bool, ShowTimeCode)
K_CAMERA_DOUBLE_ACCESSORS(NearPlane)
K_CAMERA_DOUBLE_ACCESSORS(FarPlane)
K_CAMERA_DOUBLE_ACCESSORS(FilmWidth)
K_CAMERA_DOUBLE_ACCESSORS(FilmHeight)
K_CAMERA_DOUBLE_ACCESSORS(FilmAspectRatio)
K_CAMERA_DOUBLE_ACCESSORS(FilmSqueezeRatio)
K_CAMERA_VALUE_ACCESSORS(int, FilmFormatIndex)
K_CAMERA_VALUE_ACCESSORS(bool, ViewFrustum)
K_CAMERA_VALUE_ACCESSORS(bool, ViewFrustumNearFarPlane)
K_CAMERA_VALUE_ACCESSORS(int, ViewFrustumBackPlaneMode)
K_CAMERA_DOUBLE_ACCESSORS(BackPlaneDistance)
K_CAMERA_VALUE_ACCESSORS(int, BackPlaneDistanceMode)
K_CAMERA_VALUE_ACCESSORS(bool, ViewCameraToLookAt)
K_CAMERA_VALUE_ACCESSORS(bool, LockMode)
K_CAMERA_VALUE_ACCESSORS(bool, LockInterestNavigation)
K_CAMERA_VALUE_ACCESSORS(bool, FitImage)
K_CAMERA_VALUE_ACCESSORS(bool, Crop)
K_CAMERA_VALUE_ACCESSORS(bool, Center)
K_CAMERA_VALUE_ACCESSORS(bool, KeepRatio)
K_CAMERA_VALUE_ACCESSORS(int, BackgroundMode)
K_CAMERA_DOUBLE_ACCESSORS(BackgroundAlphaTreshold)
K_CAMERA_VALUE_ACCESSORS(bool, ForegroundTransparent)
K_CAMERA_VALUE_ACCESSORS(bool, DisplaySafeArea)
K_CAMERA_VALUE_ACCESSORS(int, SafeAreaDisplayStyle)
K_CAMERA_DOUBLE_ACCESSORS(SafeAreaAspectRatio)
K_CAMERA_VALUE_ACCESSORS(bool, Use2DMagnifierZoom)
K_CAMERA_VALUE_ACCESSORS(int, CameraProjectionType)
K_CAMERA_VALUE_ACCESSORS(bool, UseRealTimeDOFAndAA)
K_CAMERA_VALUE_ACCESSORS(bool, UseDepthOfField)
K_CAMERA_VALUE_ACCESSORS(int, FocusSource)
K_CAMERA_DOUBLE_ACCESSORS(FocusAngle)
K_CAMERA_DOUBLE_ACCESSORS(FocusDistance)
K_CAMERA_VALUE_ACCESSORS(bool, UseAntialiasing)
K_CAMERA_DOUBLE_ACCESSORS(AntialiasingIntensity)
K_CAMERA_VALUE_ACCESSORS(bool, UseAccumulationBuffer)
K_CAMERA_VALUE_ACCESSORS(int, FrameSamplingCount)
