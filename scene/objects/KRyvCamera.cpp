#include "scene/objects/KRyvCamera.h"

#include "animation/KFCurve.h"
#include "animation/KFCurveNode.h"
#include "animation/KRyvTakeNode.h"
#include "scene/KRyvCurveDefaults.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObject.h"

#include <algorithm>
#include <cmath>

namespace {

const char* const kBackgroundChannel = "BackgroundColor (Color)";
const char* const kColorChannels[3] = {"X", "Y", "Z"};

// The single-curve channels, named like the properties they mirror.
struct SingleChannel
{
    const char* mName;
    float mStart;
    float mColor[3];
};

const SingleChannel kSingleChannels[] = {
    {"FieldOfView", 25.115f, {0.55f, 0.55f, 0.81f}}, {"FieldOfViewX", 40.0f, {0.06f, 0.06f, 0.94f}},
    {"FieldOfViewY", 40.0f, {0.04f, 0.04f, 0.4f}},   {"OpticalCenterX", 0.0f, {0.5f, 0.88f, 0.73f}},
    {"OpticalCenterY", 0.0f, {0.13f, 0.56f, 0.34f}}, {"Roll", 0.0f, {0.13f, 0.18f, 0.4f}},
    {"TurnTable", 0.0f, {0.4f, 0.13f, 0.18f}},
};
constexpr int kSingleChannelCount = 7;

struct FilmFormat
{
    double mWidth;
    double mHeight;
    double mSqueezeRatio;
};

// Rows 1 to 11.
const FilmFormat kFilmFormats[] = {
    {0.404, 0.295, 1.0}, {0.493, 0.292, 1.0}, {0.864, 0.63, 1.0},  {0.816, 0.612, 1.0},
    {0.98, 0.735, 1.0},  {0.825, 0.446, 1.0}, {0.864, 0.732, 2.0}, {2.066, 0.906, 1.0},
    {1.485, 0.991, 1.0}, {2.08, 1.48, 1.0},   {2.772, 2.072, 1.0},
};
constexpr int kFilmFormatCount = 11;

struct CameraFormat
{
    int mFormat;
    double mWidth;
    double mHeight;
    double mPixelAspectRatio;
};

// The ratios are kept exactly as the formats were always written, slightly off the round values.
const CameraFormat kCameraFormats[] = {
    {1, 720.0, 486.0, 0.8999999999775},      {2, 640.0, 480.0, 0.999999999975},
    {3, 570.0, 486.0, 1.1368421052347366},   {4, 720.0, 576.0, 1.06666666664},
    {5, 1920.0, 1080.0, 0.9999999999562499}, {6, 640.0, 480.0, 0.999999999975},
    {7, 320.0, 200.0, 0.8333333333124999},   {8, 320.0, 240.0, 0.999999999975},
    {10, 1280.0, 1024.0, 1.06666666664},
};

constexpr double kInchInMillimetres = 25.4;
constexpr double kRadiansToDoubledDegrees = 114.59155902616465;
constexpr double kDegreesToHalfRadians = 0.008726646259971648;

const char* NameOf(const char* const* pNames, int pCount, int pValue)
{
    return pValue >= 0 && pValue < pCount ? pNames[pValue] : nullptr;
}

KFCurve* CurveOf(const KFCurveNode* pNode)
{
    return pNode ? pNode->GetCurve() : nullptr;
}

void DeleteDirectChild(KFCurveNode* pParent, const char* pName)
{
    const int lIndex = pParent->Find(pName);
    if (lIndex >= 0) {
        pParent->Delete(lIndex);
    }
}

} // namespace

KRyvCamera::KRyvCamera(KRyvObjectFactory* pFactory)
    : KRyvNodeAttribute(pFactory), mProperties(new KRyvCameraProperties), mBackgroundMediaName(""),
      mBackgroundTextureName("")
{
    Reset();
}

KRyvCamera::~KRyvCamera()
{
    // Detached here, while the camera is whole, its channels and links leave the node's takes;
    // the base destructor could only run the base's empty hooks.
    if (KRyvNode* lNode = GetNode()) {
        lNode->SetNodeAttribute(nullptr);
    }
    mProperties->Destroy();
}

const char* KRyvCamera::GetResolutionModeName(int pValue)
{
    static const char* const kNames[] = {"Window Size", "Fixed Ratio", "Fixed Resolution",
                                         "Fixed Width Resolution", "Fixed Height Resolution"};
    return NameOf(kNames, 5, pValue);
}

const char* KRyvCamera::GetApertureModeName(int pValue)
{
    static const char* const kNames[] = {"Horizontal & Vertical", "Horizontal", "Vertical"};
    return NameOf(kNames, 3, pValue);
}

const char* KRyvCamera::GetCameraFormatName(int pValue)
{
    static const char* const kNames[] = {"Custom",  "D1 NTSC", "NTSC",       "PAL",
                                         "D1 PAL",  "HD",      "640x480",    "320x200",
                                         "320x240", nullptr,   "Full Screen"};
    return NameOf(kNames, 11, pValue);
}

const char* KRyvCamera::GetFilmFormatName(int pValue)
{
    static const char* const kNames[] = {"Custom",
                                         "16mm Theatrical",
                                         "Super 16mm",
                                         "35mm Academy",
                                         "35mm TV Projection",
                                         "35mm Full Aperture",
                                         "35mm 1.85 Projection",
                                         "35mm Anamorphic",
                                         "70mm Projection",
                                         "VistaVision",
                                         "Dynavision",
                                         "Imax"};
    return NameOf(kNames, 12, pValue);
}

const char* KRyvCamera::GetBackPlaneModeName(int pValue)
{
    static const char* const kNames[] = {"Disabled", "Always", "When Media"};
    return NameOf(kNames, 3, pValue);
}

const char* KRyvCamera::GetBackPlaneDistanceModeName(int pValue)
{
    static const char* const kNames[] = {"Relative to Interest", "Relative to Camera"};
    return NameOf(kNames, 2, pValue);
}

const char* KRyvCamera::GetBackgroundModeName(int pValue)
{
    static const char* const kNames[] = {"Background", "Foreground", "Background & Forground"};
    return NameOf(kNames, 3, pValue);
}

const char* KRyvCamera::GetSafeAreaStyleName(int pValue)
{
    static const char* const kNames[] = {"Round Safe Area", "Square Safe Area"};
    return NameOf(kNames, 2, pValue);
}

const char* KRyvCamera::GetProjectionTypeName(int pValue)
{
    static const char* const kNames[] = {"Perspective", "Orthographic"};
    return NameOf(kNames, 2, pValue);
}

const char* KRyvCamera::GetFocusSourceName(int pValue)
{
    static const char* const kNames[] = {"Camera Interest", "Specific Distance"};
    return NameOf(kNames, 2, pValue);
}

KProperty* KRyvCamera::PropertyNamed(const char* pName) const
{
    return mProperties->FindProperty(pName);
}

void KRyvCamera::OnTakeNodeAdded(KRyvTakeNode* pTake)
{
    KFCurveNode* lRoot = pTake ? pTake->GetKFCurveNode() : nullptr;
    if (!lRoot) {
        return;
    }
    KRyvNode* lNode = GetNode();
    const bool lDefaultTake = lNode && lNode->IsDefaultTakeNode(pTake);

    KFCurve* lCurves[kSingleChannelCount] = {};
    for (int i = 0; i < kSingleChannelCount; ++i) {
        lCurves[i] = CurveOf(lRoot->FindOrCreateChild(kSingleChannels[i].mName, true));
    }
    KFCurve* lColorCurves[3] = {};
    if (KFCurveNode* lBackground = lRoot->FindOrCreateChild(kBackgroundChannel, false)) {
        for (int i = 0; i < 3; ++i) {
            lColorCurves[i] = CurveOf(lBackground->FindOrCreateChild(kColorChannels[i], true));
        }
    }

    if (lDefaultTake) {
        for (int i = 0; i < kSingleChannelCount; ++i) {
            lNode->LinkPropertyToCurve(PropertyNamed(kSingleChannels[i].mName), 0, lCurves[i]);
        }
    }

    for (int i = 0; i < kSingleChannelCount; ++i) {
        KProperty* lProperty = PropertyNamed(kSingleChannels[i].mName);
        const double lValue =
            mChannelSet[i] && lProperty ? lProperty->GetValueAsDouble() : kSingleChannels[i].mStart;
        KRyvSetCurveDefault(lCurves[i], lValue);
    }
    const KColor lColor =
        mChannelSet[kBackgroundColor] ? GetBackgroundColorProperty() : GetBackgroundColor();
    KRyvSetCurveDefault(lColorCurves[0], lColor.mRed);
    KRyvSetCurveDefault(lColorCurves[1], lColor.mGreen);
    KRyvSetCurveDefault(lColorCurves[2], lColor.mBlue);

    for (int i = 0; i < kSingleChannelCount; ++i) {
        if (lCurves[i]) {
            lCurves[i]->SetColor(kSingleChannels[i].mColor);
        }
    }
    static const float kAxisColors[3][3] = {
        {1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}};
    for (int i = 0; i < 3; ++i) {
        if (lColorCurves[i]) {
            lColorCurves[i]->SetColor(kAxisColors[i]);
        }
    }
}

void KRyvCamera::OnTakeNodeRemoved(KRyvTakeNode* pTake)
{
    KFCurveNode* lRoot = pTake ? pTake->GetKFCurveNode() : nullptr;
    if (!lRoot) {
        return;
    }
    for (const SingleChannel& lChannel : kSingleChannels) {
        DeleteDirectChild(lRoot, lChannel.mName);
    }
    DeleteDirectChild(lRoot, kBackgroundChannel);
}

void KRyvCamera::FillPropertyList(std::vector<KProperty*>& ioProperties)
{
    for (int i = 0; i < mProperties->GetPropertyCount(); ++i) {
        ioProperties.push_back(mProperties->GetProperty(i));
    }
}

KString KRyvCamera::GetTypeName() const
{
    return KString("Camera");
}

KPropertyStringList KRyvCamera::GetTypeNameList() const
{
    KPropertyStringList lList;
    lList.Add("Camera");
    return lList;
}

void KRyvCamera::Reset()
{
    SetPosition(KVector4(0.0, 0.0, -50.0, 1.0));
    mUpVector = KVector4(0.0, 1.0, 0.0, 1.0);
    mLookAt = KVector4(0.0, 0.0, 0.0, 1.0);

    KRyvCameraProperties& lSet = *mProperties;
    lSet.SetDisplayTurnTableIcon(true);
    lSet.SetUseMotionBlur(false);
    lSet.SetUseRealTimeMotionBlur(true);
    lSet.SetFocalLength(35.0);
    lSet.SetResolutionMode(eWindowSize);
    lSet.SetApertureMode(eVertical);
    lSet.SetCameraFormat(0);
    lSet.SetAspectW(320.0);
    lSet.SetAspectH(200.0);
    lSet.SetPixelAspectRatio(1.0);
    lSet.SetUseFrameColor(false);
    if (KProperty* lFrameColor = PropertyNamed("FrameColor")) {
        lFrameColor->SetValue(KColor(0.3, 0.3, 0.3, 1.0));
    }
    lSet.SetShowName(true);
    lSet.SetShowGrid(true);
    lSet.SetShowOpticalCenter(false);
    lSet.SetShowAzimut(true);
    lSet.SetShowTimeCode(false);
    lSet.SetNearPlane(10.0);
    lSet.SetFarPlane(4000.0);
    lSet.SetFilmWidth(0.816);
    lSet.SetFilmHeight(0.612);
    UpdateFilmAspectRatio();
    lSet.SetFilmSqueezeRatio(1.0);
    lSet.SetFilmFormatIndex(4);
    lSet.SetViewFrustum(true);
    lSet.SetViewFrustumNearFarPlane(false);
    lSet.SetViewFrustumBackPlaneMode(2);
    lSet.SetBackPlaneDistance(100.0);
    lSet.SetBackPlaneDistanceMode(0);
    lSet.SetViewCameraToLookAt(true);
    lSet.SetLockMode(false);
    lSet.SetFitImage(false);
    lSet.SetCrop(false);
    lSet.SetCenter(true);
    lSet.SetKeepRatio(true);
    lSet.SetBackgroundMode(0);
    lSet.SetBackgroundAlphaTreshold(0.5);
    lSet.SetForegroundTransparent(true);
    lSet.SetDisplaySafeArea(false);
    lSet.SetSafeAreaDisplayStyle(1);
    if (KProperty* lSafeArea = PropertyNamed("SafeAreaAspectRatio")) {
        lSafeArea->SetValue(1.33333333333333);
    }
    lSet.SetUse2DMagnifierZoom(false);
    lSet.SetCameraProjectionType(ePerspective);
    lSet.SetUseRealTimeDOFAndAA(false);
    lSet.SetUseDepthOfField(false);
    lSet.SetFocusSource(0);
    lSet.SetFocusAngle(3.5);
    lSet.SetFocusDistance(200.0);
    lSet.SetUseAntialiasing(false);
    lSet.SetAntialiasingIntensity(0.77777);
    lSet.SetUseAccumulationBuffer(false);
    lSet.SetFrameSamplingCount(7);

    SetRoll(0.0);
    SetTurnTable(0.0);
    static const struct
    {
        const char* mName;
        double mValue;
    } kDynamicDefaults[] = {
        {"FieldOfView", 40.0},        {"FieldOfViewX", 1.0},    {"FieldOfViewY", 1.0},
        {"OpticalCenterX", 0.0},      {"OpticalCenterY", 0.0},  {"Motion Blur Intensity", 1.0},
        {"2D Magnifier Zoom", 100.0}, {"2D Magnifier X", 50.0}, {"2D Magnifier Y", 50.0},
    };
    for (const auto& lDefault : kDynamicDefaults) {
        if (KProperty* lProperty = PropertyNamed(lDefault.mName)) {
            lProperty->SetValueAsDouble(lDefault.mValue);
        }
    }
    if (KProperty* lBackground = PropertyNamed("BackgroundColor")) {
        lBackground->SetValue(KColor(0.0, 0.0, 0.0, 1.0));
    }

    mBackgroundMediaName = KString("");
    mBackgroundTextureName = KString("");
    mShowInfoOnMoving = true;
    mDisplaySafeAreaOnRender = false;
    mShowAudio = false;
    mAudioColor = KColor(0.0, 1.0, 0.0, 1.0);
    mAAMethod = 0;
    mOverSamplingType = 1;
    std::fill(std::begin(mChannelSet), std::end(mChannelSet), false);
}

KColor KRyvCamera::GetFrameColor() const
{
    double lRed = 0.0;
    double lGreen = 0.0;
    double lBlue = 0.0;
    mProperties->GetFrameColor(lRed, lGreen, lBlue);
    return KColor(lRed, lGreen, lBlue, 1.0);
}

void KRyvCamera::SetBackgroundMediaName(const char* pName)
{
    mBackgroundMediaName = KString(pName ? pName : "");
}

const char* KRyvCamera::GetBackgroundMediaName() const
{
    return mBackgroundMediaName.IsEmpty() ? nullptr : mBackgroundMediaName.Buffer();
}

void KRyvCamera::SetBackgroundTextureName(const char* pName)
{
    mBackgroundTextureName = KString(pName ? pName : "");
}

const char* KRyvCamera::GetBackgroundTextureName() const
{
    return mBackgroundTextureName.IsEmpty() ? nullptr : mBackgroundTextureName.Buffer();
}

void KRyvCamera::SetPosition(const KVector4& pPosition)
{
    if (KRyvNode* lNode = GetNode()) {
        lNode->SetLclTranslation(pPosition);
    }
}

KVector4 KRyvCamera::GetPosition() const
{
    KVector4 lPosition;
    if (const KRyvNode* lNode = GetNode()) {
        lNode->GetLclTranslation(lPosition);
    }
    return lPosition;
}

KFCurve* KRyvCamera::DefaultCurve(int pChannel) const
{
    if (pChannel < 0 || pChannel >= kSingleChannelCount) {
        return nullptr;
    }
    return KRyvFindDefaultCurve(GetNode(), kSingleChannels[pChannel].mName);
}

double KRyvCamera::GetAnimated(int pChannel) const
{
    if (const KFCurve* lCurve = DefaultCurve(pChannel)) {
        return lCurve->GetDefaultValue();
    }
    KProperty* lProperty = PropertyNamed(kSingleChannels[pChannel].mName);
    return lProperty ? lProperty->GetValueAsDouble() : 0.0;
}

void KRyvCamera::SetAnimated(int pChannel, double pValue)
{
    if (KProperty* lProperty = PropertyNamed(kSingleChannels[pChannel].mName)) {
        lProperty->SetValueAsDouble(pValue);
    }
    mChannelSet[pChannel] = true;
    KRyvSetCurveDefault(DefaultCurve(pChannel), pValue);
}

double KRyvCamera::GetRoll() const
{
    KProperty* lProperty = PropertyNamed("Roll");
    return lProperty ? lProperty->GetValueAsDouble() : 0.0;
}

void KRyvCamera::SetRoll(double pDegrees)
{
    SetAnimated(kRoll, pDegrees);
}

double KRyvCamera::GetTurnTable() const
{
    KProperty* lProperty = PropertyNamed("TurnTable");
    return lProperty ? lProperty->GetValueAsDouble() : 0.0;
}

void KRyvCamera::SetTurnTable(double pValue)
{
    SetAnimated(kTurnTable, pValue);
}

double KRyvCamera::GetFieldOfView() const
{
    return GetAnimated(kFieldOfView);
}

void KRyvCamera::SetFieldOfView(double pDegrees)
{
    SetAnimated(kFieldOfView, pDegrees);
}

double KRyvCamera::GetFieldOfViewX() const
{
    return GetAnimated(kFieldOfViewX);
}

void KRyvCamera::SetFieldOfViewX(double pDegrees)
{
    SetAnimated(kFieldOfViewX, pDegrees);
}

double KRyvCamera::GetFieldOfViewY() const
{
    return GetAnimated(kFieldOfViewY);
}

void KRyvCamera::SetFieldOfViewY(double pDegrees)
{
    SetAnimated(kFieldOfViewY, pDegrees);
}

double KRyvCamera::GetOpticalCenterX() const
{
    return GetAnimated(kOpticalCenterX);
}

void KRyvCamera::SetOpticalCenterX(double pValue)
{
    SetAnimated(kOpticalCenterX, pValue);
}

double KRyvCamera::GetOpticalCenterY() const
{
    return GetAnimated(kOpticalCenterY);
}

void KRyvCamera::SetOpticalCenterY(double pValue)
{
    SetAnimated(kOpticalCenterY, pValue);
}

KColor KRyvCamera::GetBackgroundColor() const
{
    const KRyvNode* lNode = GetNode();
    const KFCurve* lRed = KRyvFindDefaultCurve(lNode, kBackgroundChannel, kColorChannels[0]);
    const KFCurve* lGreen = KRyvFindDefaultCurve(lNode, kBackgroundChannel, kColorChannels[1]);
    const KFCurve* lBlue = KRyvFindDefaultCurve(lNode, kBackgroundChannel, kColorChannels[2]);
    if (lRed && lGreen && lBlue) {
        return KColor(lRed->GetDefaultValue(), lGreen->GetDefaultValue(), lBlue->GetDefaultValue(),
                      1.0);
    }
    return GetBackgroundColorProperty();
}

KColor KRyvCamera::GetBackgroundColorProperty() const
{
    KColor lColor(0.0, 0.0, 0.0, 1.0);
    if (KProperty* lProperty = PropertyNamed("BackgroundColor")) {
        lProperty->GetValue(lColor);
    }
    return lColor;
}

void KRyvCamera::SetBackgroundColor(double pRed, double pGreen, double pBlue)
{
    if (KProperty* lProperty = PropertyNamed("BackgroundColor")) {
        lProperty->SetValue(KColor(pRed, pGreen, pBlue, 1.0));
    }
    mChannelSet[kBackgroundColor] = true;
    const KRyvNode* lNode = GetNode();
    KRyvSetCurveDefault(KRyvFindDefaultCurve(lNode, kBackgroundChannel, kColorChannels[0]), pRed);
    KRyvSetCurveDefault(KRyvFindDefaultCurve(lNode, kBackgroundChannel, kColorChannels[1]), pGreen);
    KRyvSetCurveDefault(KRyvFindDefaultCurve(lNode, kBackgroundChannel, kColorChannels[2]), pBlue);
}

void KRyvCamera::SetAspect(int pMode, double pWidth, double pHeight)
{
    KRyvCameraProperties& lSet = *mProperties;
    switch (pMode) {
    case eWindowSize:
        lSet.SetAspectW(pWidth);
        lSet.SetAspectH(pHeight);
        break;
    case eFixedRatio:
        lSet.SetAspectW(std::max(pWidth, 0.001));
        lSet.SetAspectH(1.0);
        break;
    case eFixedResolution:
        lSet.SetAspectW(std::max(pWidth, 1.0));
        lSet.SetAspectH(std::max(pHeight, 1.0));
        break;
    case eFixedWidthResolution:
        lSet.SetAspectW(std::max(pWidth, 1.0));
        lSet.SetAspectH(std::max(pHeight, 0.001));
        break;
    case eFixedHeightResolution:
        lSet.SetAspectW(std::max(pWidth, 0.001));
        lSet.SetAspectH(std::max(pHeight, 1.0));
        break;
    default:
        break;
    }
    lSet.SetCameraFormat(0);
    lSet.SetResolutionMode(pMode);
}

void KRyvCamera::StorePixelAspectRatio(double pRatio)
{
    if (std::isnan(pRatio) || pRatio == mProperties->GetPixelAspectRatio()) {
        return;
    }
    mProperties->SetPixelAspectRatio(std::clamp(pRatio, 0.05, 20.0));
    mProperties->SetCameraFormat(0);
}

void KRyvCamera::SetPixelAspectRatio(double pRatio)
{
    StorePixelAspectRatio(pRatio);
}

void KRyvCamera::SetCameraFormat(int pFormat)
{
    KRyvCameraProperties& lSet = *mProperties;
    const int lMode = lSet.GetResolutionMode();
    const CameraFormat* lRow = nullptr;
    for (const CameraFormat& lFormat : kCameraFormats) {
        if (lFormat.mFormat == pFormat) {
            lRow = &lFormat;
        }
    }
    if (!lRow) {
        lSet.SetCameraFormat(0);
        return;
    }
    lSet.SetAspectW(lRow->mWidth);
    lSet.SetAspectH(lRow->mHeight);
    lSet.SetCameraFormat(0);
    lSet.SetResolutionMode(eFixedResolution);
    StorePixelAspectRatio(lRow->mPixelAspectRatio);
    lSet.SetCameraFormat(pFormat);

    switch (lMode) {
    case eFixedRatio:
        lSet.SetAspectW(lSet.GetAspectW() * lSet.GetPixelAspectRatio() / lSet.GetAspectH());
        lSet.SetAspectH(1.0);
        lSet.SetResolutionMode(eFixedRatio);
        break;
    case eFixedWidthResolution:
        lSet.SetAspectH(lSet.GetAspectH() / lSet.GetAspectW());
        lSet.SetResolutionMode(eFixedWidthResolution);
        break;
    case eFixedHeightResolution:
        lSet.SetAspectW(lSet.GetAspectW() / lSet.GetAspectH());
        lSet.SetResolutionMode(eFixedHeightResolution);
        break;
    default:
        break;
    }
}

void KRyvCamera::UpdateFilmAspectRatio()
{
    if (KProperty* lRatio = PropertyNamed("FilmAspectRatio")) {
        lRatio->SetValue(mProperties->GetFilmWidth() / mProperties->GetFilmHeight());
    }
}

void KRyvCamera::SetFilmFormat(int pFormat)
{
    if (pFormat >= 1 && pFormat <= kFilmFormatCount) {
        const FilmFormat& lRow = kFilmFormats[pFormat - 1];
        mProperties->SetFilmFormatIndex(pFormat);
        mProperties->SetFilmWidth(lRow.mWidth);
        mProperties->SetFilmHeight(lRow.mHeight);
        mProperties->SetFilmSqueezeRatio(lRow.mSqueezeRatio);
    } else {
        mProperties->SetFilmFormatIndex(0);
    }
    UpdateFilmAspectRatio();
}

void KRyvCamera::SetFilmWidth(double pInches)
{
    if (std::isnan(pInches) || pInches == mProperties->GetFilmWidth()) {
        return;
    }
    mProperties->SetFilmWidth(std::max(pInches, 0.0001));
    mProperties->SetFilmFormatIndex(0);
    UpdateFilmAspectRatio();
}

void KRyvCamera::SetFilmHeight(double pInches)
{
    if (std::isnan(pInches) || pInches == mProperties->GetFilmHeight()) {
        return;
    }
    mProperties->SetFilmHeight(std::max(pInches, 0.0001));
    mProperties->SetFilmFormatIndex(0);
    UpdateFilmAspectRatio();
}

void KRyvCamera::SetFilmSqueezeRatio(double pRatio)
{
    if (std::isnan(pRatio) || pRatio == mProperties->GetFilmSqueezeRatio()) {
        return;
    }
    mProperties->SetFilmSqueezeRatio(std::max(pRatio, 0.0001));
    mProperties->SetFilmFormatIndex(0);
    UpdateFilmAspectRatio();
}

void KRyvCamera::SetNearPlane(double pDistance)
{
    if (std::isnan(pDistance)) {
        return;
    }
    mProperties->SetNearPlane(std::clamp(pDistance, kMinimumPlane, kMaximumPlane));
    if (mProperties->GetFarPlane() < mProperties->GetNearPlane()) {
        mProperties->SetFarPlane(mProperties->GetNearPlane());
    }
}

void KRyvCamera::SetFarPlane(double pDistance)
{
    if (std::isnan(pDistance)) {
        return;
    }
    mProperties->SetFarPlane(std::clamp(pDistance, kMinimumPlane, kMaximumPlane));
    if (mProperties->GetNearPlane() > mProperties->GetFarPlane()) {
        mProperties->SetNearPlane(mProperties->GetFarPlane());
    }
}

double KRyvCamera::ComputeFieldOfView(double pWidth, double pHeight, double pFocalLength) const
{
    // The factor is 360 / pi: it turns the half angle into the whole angle in degrees.
    double lHalfTangent = 0.0;
    if (mProperties->GetApertureMode() == eVertical) {
        lHalfTangent = pHeight * kInchInMillimetres / pFocalLength * 0.5;
    } else {
        lHalfTangent =
            pWidth * kInchInMillimetres / pFocalLength * mProperties->GetFilmSqueezeRatio() * 0.5;
    }
    return std::atan(lHalfTangent) * kRadiansToDoubledDegrees;
}

double KRyvCamera::GetFieldOfViewFromFocalLength() const
{
    const double lAngle = ComputeFieldOfView(
        mProperties->GetFilmWidth(), mProperties->GetFilmHeight(), mProperties->GetFocalLength());
    return std::isnan(lAngle) ? lAngle : std::clamp(lAngle, 1.0, 179.0);
}

void KRyvCamera::SetFocalLengthFromFieldOfView(double pDegrees)
{
    if (std::isnan(pDegrees)) {
        return;
    }
    const double lAngle = std::clamp(pDegrees, 1.0, 179.0);
    const double lFilmSize =
        mProperties->GetApertureMode() == eVertical
            ? mProperties->GetFilmHeight() * kInchInMillimetres
            : mProperties->GetFilmWidth() * kInchInMillimetres * mProperties->GetFilmSqueezeRatio();
    mProperties->SetFocalLength(lFilmSize / std::tan(lAngle * kDegreesToHalfRadians) * 0.5);
}

void KRyvCamera::SetBackgroundPlacementOptions(int pBits)
{
    mProperties->SetFitImage((pBits & 1) != 0);
    mProperties->SetCenter((pBits & 2) != 0);
    mProperties->SetKeepRatio((pBits & 4) != 0);
    mProperties->SetCrop((pBits & 8) != 0);
}

int KRyvCamera::GetBackgroundPlacementOptions() const
{
    return (mProperties->GetFitImage() ? 1 : 0) | (mProperties->GetCenter() ? 2 : 0) |
           (mProperties->GetKeepRatio() ? 4 : 0) | (mProperties->GetCrop() ? 8 : 0);
}

void KRyvCamera::SetUseOverSamplingTime(int pValue)
{
    if (pValue == 0) {
        mProperties->SetUseRealTimeDOFAndAA(true);
    } else if (pValue == 1) {
        mProperties->SetUseRealTimeDOFAndAA(false);
    }
}

int KRyvCamera::GetUseOverSamplingTime() const
{
    return mProperties->GetUseRealTimeDOFAndAA() ? 0 : 1;
}

void KRyvCamera::ConnectBackgroundTexture(KRyvObject* pTexture)
{
    KRyvNode* lNode = GetNode();
    if (!lNode || !pTexture || pTexture->GetObjectType() != KRyvObject::kTypeTexture) {
        return;
    }
    KObject* lTextureProperties = pTexture->GetProperties();
    KObject* lBlock = lNode->GetProperties();
    if (lTextureProperties && lBlock && !lBlock->IsConnectedSrc(lTextureProperties)) {
        lBlock->ConnectSrc(lTextureProperties, 0);
    }
}
