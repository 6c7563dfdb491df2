#ifndef RYVKIT_SCENE_OBJECTS_KRYVCAMERA_H
#define RYVKIT_SCENE_OBJECTS_KRYVCAMERA_H

#include "core/KColor.h"
#include "core/KString.h"
#include "core/KVector4.h"
#include "scene/KRyvNodeAttribute.h"
#include "scene/objects/KRyvCameraProperties.h"

class KFCurve;
class KRyvObject;

// The attribute that makes a node a camera (attribute type 7). It owns its KRyvCameraProperties
// and keeps the film and picture settings consistent. The camera's position is its node's
// "Lcl Translation". On a node, the animated values (field of view, optical centre, roll, turn
// table, background colour) also live as curves in every take of the node; the getters read the
// default values of take 0's curves (single precision, widened) and the setters write both the
// property and those curves. Off a node every position and curve part is skipped and the getters
// answer the properties.
//
// Units: film sizes in inches, focal length in millimetres, angles in degrees. A NaN given
// to the clamped setters is refused (nothing changes).
class KRyvCamera : public KRyvNodeAttribute
{
public:
    enum EProjectionType : int { ePerspective = 0, eOrthographic = 1 };
    enum EApertureMode : int { eHorizontalAndVertical = 0, eHorizontal = 1, eVertical = 2 };
    enum EResolutionMode : int {
        eWindowSize = 0,
        eFixedRatio = 1,
        eFixedResolution = 2,
        eFixedWidthResolution = 3,
        eFixedHeightResolution = 4,
    };

    static constexpr double kMinimumPlane = 0.001;
    static constexpr double kMaximumPlane = 600000.0;

    // Reset state; no node.
    explicit KRyvCamera(KRyvObjectFactory* pFactory);
    // A camera still on a node detaches first, so that its channels leave the node's takes.
    ~KRyvCamera() override;

    int GetAttributeType() const override { return eCamera; }

    // Finds or creates the eight channels in pTake; in take 0 of the node the seven single
    // channels are linked to the properties of the same name. Channel defaults: a value given
    // through a setter since the last Reset is kept, otherwise FieldOfView 25.115, FieldOfViewX
    // and FieldOfViewY 40, the others 0, the background colour from GetBackgroundColor.
    void OnTakeNodeAdded(KRyvTakeNode* pTake) override;
    // Deletes whichever of the eight channels pTake holds.
    void OnTakeNodeRemoved(KRyvTakeNode* pTake) override;
    // Appends every property of the property set, in its order.
    void FillPropertyList(std::vector<KProperty*>& ioProperties) override;
    KString GetTypeName() const override;
    KPropertyStringList GetTypeNameList() const override;

    KRyvCameraProperties* GetProperties() const { return mProperties; }

    // Texts of the enumerations; null for a value without a name.
    static const char* GetResolutionModeName(int pValue);
    static const char* GetApertureModeName(int pValue);
    static const char* GetCameraFormatName(int pValue);
    static const char* GetFilmFormatName(int pValue);
    static const char* GetBackPlaneModeName(int pValue);
    static const char* GetBackPlaneDistanceModeName(int pValue);
    static const char* GetBackgroundModeName(int pValue);
    static const char* GetSafeAreaStyleName(int pValue);
    static const char* GetProjectionTypeName(int pValue);
    static const char* GetFocusSourceName(int pValue);

    // The default state (also run by the constructor): position (0, 0, -50) on a node, up vector
    // (0, 1, 0, 1), look-at (0, 0, 0, 1), every property at its default, names empty.
    void Reset();

    // Plain accessors: stored and read as they are, no range check, no event.
    int GetProjectionType() const { return mProperties->GetCameraProjectionType(); }
    void SetProjectionType(int pType) { mProperties->SetCameraProjectionType(pType); }
    int GetResolutionMode() const { return mProperties->GetResolutionMode(); }
    int GetCameraFormat() const { return mProperties->GetCameraFormat(); }
    double GetAspectWidth() const { return mProperties->GetAspectW(); }
    double GetAspectHeight() const { return mProperties->GetAspectH(); }
    double GetPixelAspectRatio() const { return mProperties->GetPixelAspectRatio(); }
    double GetNearPlane() const { return mProperties->GetNearPlane(); }
    double GetFarPlane() const { return mProperties->GetFarPlane(); }
    bool GetLockMode() const { return mProperties->GetLockMode(); }
    void SetLockMode(bool pValue) { mProperties->SetLockMode(pValue); }
    int GetFilmFormat() const { return mProperties->GetFilmFormatIndex(); }
    int GetApertureMode() const { return mProperties->GetApertureMode(); }
    void SetApertureMode(int pMode) { mProperties->SetApertureMode(pMode); }
    double GetFilmWidth() const { return mProperties->GetFilmWidth(); }
    double GetFilmHeight() const { return mProperties->GetFilmHeight(); }
    double GetFilmSqueezeRatio() const { return mProperties->GetFilmSqueezeRatio(); }
    double GetFocalLength() const { return mProperties->GetFocalLength(); }
    void SetFocalLength(double pMillimetres) { mProperties->SetFocalLength(pMillimetres); }
    int GetViewFrustumBackPlaneMode() const { return mProperties->GetViewFrustumBackPlaneMode(); }
    void SetViewFrustumBackPlaneMode(int pMode) { mProperties->SetViewFrustumBackPlaneMode(pMode); }
    int GetBackgroundMode() const { return mProperties->GetBackgroundMode(); }
    void SetBackgroundMode(int pMode) { mProperties->SetBackgroundMode(pMode); }
    bool GetForegroundTransparent() const { return mProperties->GetForegroundTransparent(); }
    void SetForegroundTransparent(bool pValue) { mProperties->SetForegroundTransparent(pValue); }
    double GetBackgroundAlphaTreshold() const { return mProperties->GetBackgroundAlphaTreshold(); }
    void SetBackgroundAlphaTreshold(double pValue)
    {
        mProperties->SetBackgroundAlphaTreshold(pValue);
    }
    double GetBackPlaneDistance() const { return mProperties->GetBackPlaneDistance(); }
    void SetBackPlaneDistance(double pValue) { mProperties->SetBackPlaneDistance(pValue); }
    int GetBackPlaneDistanceMode() const { return mProperties->GetBackPlaneDistanceMode(); }
    void SetBackPlaneDistanceMode(int pMode) { mProperties->SetBackPlaneDistanceMode(pMode); }
    bool GetViewCameraToLookAt() const { return mProperties->GetViewCameraToLookAt(); }
    void SetViewCameraToLookAt(bool pValue) { mProperties->SetViewCameraToLookAt(pValue); }
    bool GetViewFrustumNearFarPlane() const { return mProperties->GetViewFrustumNearFarPlane(); }
    void SetViewFrustumNearFarPlane(bool pValue)
    {
        mProperties->SetViewFrustumNearFarPlane(pValue);
    }
    bool GetShowGrid() const { return mProperties->GetShowGrid(); }
    void SetShowGrid(bool pValue) { mProperties->SetShowGrid(pValue); }
    bool GetShowAzimut() const { return mProperties->GetShowAzimut(); }
    void SetShowAzimut(bool pValue) { mProperties->SetShowAzimut(pValue); }
    bool GetShowName() const { return mProperties->GetShowName(); }
    void SetShowName(bool pValue) { mProperties->SetShowName(pValue); }
    bool GetShowTimeCode() const { return mProperties->GetShowTimeCode(); }
    void SetShowTimeCode(bool pValue) { mProperties->SetShowTimeCode(pValue); }
    bool GetDisplaySafeArea() const { return mProperties->GetDisplaySafeArea(); }
    void SetDisplaySafeArea(bool pValue) { mProperties->SetDisplaySafeArea(pValue); }
    int GetSafeAreaDisplayStyle() const { return mProperties->GetSafeAreaDisplayStyle(); }
    void SetSafeAreaDisplayStyle(int pStyle) { mProperties->SetSafeAreaDisplayStyle(pStyle); }
    bool GetUseFrameColor() const { return mProperties->GetUseFrameColor(); }
    void SetUseFrameColor(bool pValue) { mProperties->SetUseFrameColor(pValue); }
    // Red, green and blue with alpha 1 (the property holds no alpha).
    KColor GetFrameColor() const;
    void SetFrameColor(const KColor& pColor)
    {
        mProperties->SetFrameColor(pColor.mRed, pColor.mGreen, pColor.mBlue);
    }
    bool GetUseAntialiasing() const { return mProperties->GetUseAntialiasing(); }
    void SetUseAntialiasing(bool pValue) { mProperties->SetUseAntialiasing(pValue); }
    double GetAntialiasingIntensity() const { return mProperties->GetAntialiasingIntensity(); }
    void SetAntialiasingIntensity(double pValue) { mProperties->SetAntialiasingIntensity(pValue); }
    int GetFrameSamplingCount() const { return mProperties->GetFrameSamplingCount(); }
    void SetFrameSamplingCount(int pCount) { mProperties->SetFrameSamplingCount(pCount); }
    bool GetUseAccumulationBuffer() const { return mProperties->GetUseAccumulationBuffer(); }
    void SetUseAccumulationBuffer(bool pValue) { mProperties->SetUseAccumulationBuffer(pValue); }
    bool GetUseDepthOfField() const { return mProperties->GetUseDepthOfField(); }
    void SetUseDepthOfField(bool pValue) { mProperties->SetUseDepthOfField(pValue); }
    int GetFocusSource() const { return mProperties->GetFocusSource(); }
    void SetFocusSource(int pSource) { mProperties->SetFocusSource(pSource); }
    double GetFocusDistance() const { return mProperties->GetFocusDistance(); }
    void SetFocusDistance(double pValue) { mProperties->SetFocusDistance(pValue); }
    double GetFocusAngle() const { return mProperties->GetFocusAngle(); }
    void SetFocusAngle(double pValue) { mProperties->SetFocusAngle(pValue); }

    // The camera's own members.
    void SetUpVector(const KVector4& pVector) { mUpVector = pVector; }
    KVector4 GetUpVector() const { return mUpVector; }
    void SetLookAt(const KVector4& pVector) { mLookAt = pVector; }
    KVector4 GetLookAt() const { return mLookAt; }
    // A null name is empty; the getters answer null for an empty name.
    void SetBackgroundMediaName(const char* pName);
    const char* GetBackgroundMediaName() const;
    void SetBackgroundTextureName(const char* pName);
    const char* GetBackgroundTextureName() const;
    void SetShowInfoOnMoving(bool pValue) { mShowInfoOnMoving = pValue; }
    bool GetShowInfoOnMoving() const { return mShowInfoOnMoving; }
    void SetDisplaySafeAreaOnRender(bool pValue) { mDisplaySafeAreaOnRender = pValue; }
    bool GetDisplaySafeAreaOnRender() const { return mDisplaySafeAreaOnRender; }
    void SetShowAudio(bool pValue) { mShowAudio = pValue; }
    bool GetShowAudio() const { return mShowAudio; }
    void SetAudioColor(const KColor& pColor) { mAudioColor = pColor; }
    KColor GetAudioColor() const { return mAudioColor; }
    void SetAAMethod(int pMethod) { mAAMethod = pMethod; }
    int GetAAMethod() const { return mAAMethod; }
    void SetOverSamplingType(int pType) { mOverSamplingType = pType; }
    int GetOverSamplingType() const { return mOverSamplingType; }

    // The node's "Lcl Translation"; nothing / the zero vector off a node.
    void SetPosition(const KVector4& pPosition);
    KVector4 GetPosition() const;

    // Animated values. Roll and turn table read the property even on a node.
    double GetRoll() const;
    void SetRoll(double pDegrees);
    double GetTurnTable() const;
    void SetTurnTable(double pValue);
    double GetFieldOfView() const;
    void SetFieldOfView(double pDegrees);
    double GetFieldOfViewX() const;
    void SetFieldOfViewX(double pDegrees);
    double GetFieldOfViewY() const;
    void SetFieldOfViewY(double pDegrees);
    double GetOpticalCenterX() const;
    void SetOpticalCenterX(double pValue);
    double GetOpticalCenterY() const;
    void SetOpticalCenterY(double pValue);
    // On a node from take 0's three curves (alpha 1), else the property.
    KColor GetBackgroundColor() const;
    KColor GetBackgroundColorProperty() const;
    void SetBackgroundColor(double pRed, double pGreen, double pBlue);

    // Picture. Modes 0 to 4 store the sizes (1: ratio w : 1, 2: pixels, 3 and 4: one side in
    // pixels, the other a ratio; minima 1 pixel and 0.001); any mode then becomes the resolution
    // mode and the camera format becomes custom (0).
    void SetAspect(int pMode, double pWidth, double pHeight);
    // A format of the table (1 to 8, 10) sets its size and pixel aspect ratio and keeps the
    // resolution mode (a ratio mode converts the new size); any other only sets custom (0).
    void SetCameraFormat(int pFormat);
    // A changed value is clamped to [0.05, 20] and makes the format custom.
    void SetPixelAspectRatio(double pRatio);

    // Film. Formats 1 to 11 set the film size and squeeze ratio; any other makes the index
    // custom (0) and keeps the size. The film aspect ratio follows in both cases.
    void SetFilmFormat(int pFormat);
    // A changed value (at least 0.0001) makes the film format custom and updates the film aspect
    // ratio; the current value changes nothing.
    void SetFilmWidth(double pInches);
    void SetFilmHeight(double pInches);
    void SetFilmSqueezeRatio(double pRatio);

    // Clamped to [0.001, 600000]; the other plane moves so that near <= far.
    void SetNearPlane(double pDistance);
    void SetFarPlane(double pDistance);

    // The angle of view of a film (inches) behind a lens (millimetres): vertical in aperture
    // mode 2, else horizontal with the squeeze ratio.
    double ComputeFieldOfView(double pWidth, double pHeight, double pFocalLength) const;
    // ComputeFieldOfView of the camera's film and lens, clamped to [1, 179].
    double GetFieldOfViewFromFocalLength() const;
    // The focal length giving that angle (clamped to [1, 179]) on the camera's film.
    void SetFocalLengthFromFieldOfView(double pDegrees);

    // Bits: 1 "FitImage", 2 "Center", 4 "KeepRatio", 8 "Crop".
    void SetBackgroundPlacementOptions(int pBits);
    int GetBackgroundPlacementOptions() const;
    // 0: real-time depth of field and antialiasing on, 1: off; other values change nothing.
    void SetUseOverSamplingTime(int pValue);
    int GetUseOverSamplingTime() const;

    // Connects a texture's property object as a source of the node's property block (once).
    // Nothing happens off a node, for null or for an object that is not a texture.
    void ConnectBackgroundTexture(KRyvObject* pTexture);

private:
    // The animated channels, in creation order; kBackgroundColor is the three-curve one.
    enum EChannel : int {
        kFieldOfView,
        kFieldOfViewX,
        kFieldOfViewY,
        kOpticalCenterX,
        kOpticalCenterY,
        kRoll,
        kTurnTable,
        kBackgroundColor,
        kChannelCount
    };

    KProperty* PropertyNamed(const char* pName) const;
    // Take 0's curve of a single channel; null off a node or when missing.
    KFCurve* DefaultCurve(int pChannel) const;
    double GetAnimated(int pChannel) const;
    void SetAnimated(int pChannel, double pValue);
    void UpdateFilmAspectRatio();
    void StorePixelAspectRatio(double pRatio);

    KRyvCameraProperties* mProperties;
    KVector4 mUpVector;
    KVector4 mLookAt;
    KString mBackgroundMediaName;
    KString mBackgroundTextureName;
    bool mShowInfoOnMoving = true;
    bool mDisplaySafeAreaOnRender = false;
    bool mShowAudio = false;
    KColor mAudioColor{0.0, 1.0, 0.0, 1.0};
    int mAAMethod = 0;
    int mOverSamplingType = 1;
    // A channel given a value through its setter since the last Reset: attaching keeps that
    // value instead of the channel's start value.
    bool mChannelSet[kChannelCount] = {};
};

#endif
