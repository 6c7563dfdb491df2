#ifndef RYVKIT_SCENE_OBJECTS_KRYVCAMERAPROPERTIES_H
#define RYVKIT_SCENE_OBJECTS_KRYVCAMERAPROPERTIES_H

#include "object/KObject.h"
#include "object/KTypedProperty.h"

// The property set of a camera, owned by its KRyvCamera: 53 typed member properties, each
// attached with the Set/Get pair below, and 12 animatable dynamic properties ("Roll",
// "FieldOfView", "FieldOfViewX", "FieldOfViewY", "OpticalCenterX", "OpticalCenterY",
// "BackgroundColor", "TurnTable", "Motion Blur Intensity", "2D Magnifier Zoom", "2D Magnifier X",
// "2D Magnifier Y"), reached by name. Registration order: the first eight dynamic properties,
// "DisplayTurnTableIcon", "Motion Blur Intensity", the members up to "Use2DMagnifierZoom", the
// three magnifier properties, then the remaining members. Everything is false, 0 or 0.0 until the
// camera resets it. The accessors store and read without range checks and without events; values
// set through a property's SetValue send the usual events. Lengths of the film are in inches,
// the focal length in millimetres, angles in degrees.
class KRyvCameraProperties : public KObject
{
    K_DECLARE_CLASS(KRyvCameraProperties)

    KRyvCameraProperties();
    ~KRyvCameraProperties() override;

    // Bool, integer and enumeration setters return the value stored.
    bool SetDisplayTurnTableIcon(bool pValue);
    bool GetDisplayTurnTableIcon() const;
    bool SetUseMotionBlur(bool pValue);
    bool GetUseMotionBlur() const;
    bool SetUseRealTimeMotionBlur(bool pValue);
    bool GetUseRealTimeMotionBlur() const;
    void SetFocalLength(double pValue);
    double GetFocalLength() const;
    int SetResolutionMode(int pValue);
    int GetResolutionMode() const;
    int SetApertureMode(int pValue);
    int GetApertureMode() const;
    int SetCameraFormat(int pValue);
    int GetCameraFormat() const;
    void SetAspectW(double pValue);
    double GetAspectW() const;
    void SetAspectH(double pValue);
    double GetAspectH() const;
    void SetPixelAspectRatio(double pValue);
    double GetPixelAspectRatio() const;
    bool SetUseFrameColor(bool pValue);
    bool GetUseFrameColor() const;
    // Red, green and blue; the fourth stored double stays 1.
    void SetFrameColor(double pRed, double pGreen, double pBlue);
    void GetFrameColor(double& oRed, double& oGreen, double& oBlue) const;
    bool SetShowName(bool pValue);
    bool GetShowName() const;
    bool SetShowGrid(bool pValue);
    bool GetShowGrid() const;
    bool SetShowOpticalCenter(bool pValue);
    bool GetShowOpticalCenter() const;
    bool SetShowAzimut(bool pValue);
    bool GetShowAzimut() const;
    bool SetShowTimeCode(bool pValue);
    bool GetShowTimeCode() const;
    void SetNearPlane(double pValue);
    double GetNearPlane() const;
    void SetFarPlane(double pValue);
    double GetFarPlane() const;
    void SetFilmWidth(double pValue);
    double GetFilmWidth() const;
    void SetFilmHeight(double pValue);
    double GetFilmHeight() const;
    void SetFilmAspectRatio(double pValue);
    double GetFilmAspectRatio() const;
    void SetFilmSqueezeRatio(double pValue);
    double GetFilmSqueezeRatio() const;
    int SetFilmFormatIndex(int pValue);
    int GetFilmFormatIndex() const;
    bool SetViewFrustum(bool pValue);
    bool GetViewFrustum() const;
    bool SetViewFrustumNearFarPlane(bool pValue);
    bool GetViewFrustumNearFarPlane() const;
    int SetViewFrustumBackPlaneMode(int pValue);
    int GetViewFrustumBackPlaneMode() const;
    void SetBackPlaneDistance(double pValue);
    double GetBackPlaneDistance() const;
    int SetBackPlaneDistanceMode(int pValue);
    int GetBackPlaneDistanceMode() const;
    bool SetViewCameraToLookAt(bool pValue);
    bool GetViewCameraToLookAt() const;
    bool SetLockMode(bool pValue);
    bool GetLockMode() const;
    bool SetLockInterestNavigation(bool pValue);
    bool GetLockInterestNavigation() const;
    bool SetFitImage(bool pValue);
    bool GetFitImage() const;
    bool SetCrop(bool pValue);
    bool GetCrop() const;
    bool SetCenter(bool pValue);
    bool GetCenter() const;
    bool SetKeepRatio(bool pValue);
    bool GetKeepRatio() const;
    int SetBackgroundMode(int pValue);
    int GetBackgroundMode() const;
    void SetBackgroundAlphaTreshold(double pValue);
    double GetBackgroundAlphaTreshold() const;
    bool SetForegroundTransparent(bool pValue);
    bool GetForegroundTransparent() const;
    bool SetDisplaySafeArea(bool pValue);
    bool GetDisplaySafeArea() const;
    int SetSafeAreaDisplayStyle(int pValue);
    int GetSafeAreaDisplayStyle() const;
    void SetSafeAreaAspectRatio(double pValue);
    double GetSafeAreaAspectRatio() const;
    bool SetUse2DMagnifierZoom(bool pValue);
    bool GetUse2DMagnifierZoom() const;
    int SetCameraProjectionType(int pValue);
    int GetCameraProjectionType() const;
    bool SetUseRealTimeDOFAndAA(bool pValue);
    bool GetUseRealTimeDOFAndAA() const;
    bool SetUseDepthOfField(bool pValue);
    bool GetUseDepthOfField() const;
    int SetFocusSource(int pValue);
    int GetFocusSource() const;
    void SetFocusAngle(double pValue);
    double GetFocusAngle() const;
    void SetFocusDistance(double pValue);
    double GetFocusDistance() const;
    bool SetUseAntialiasing(bool pValue);
    bool GetUseAntialiasing() const;
    void SetAntialiasingIntensity(double pValue);
    double GetAntialiasingIntensity() const;
    bool SetUseAccumulationBuffer(bool pValue);
    bool GetUseAccumulationBuffer() const;
    int SetFrameSamplingCount(int pValue);
    int GetFrameSamplingCount() const;

private:
    template <typename T, typename Getter, typename Setter>
    void RegisterMember(KTypedProperty<T>& ioProperty, const char* pName, int pType, Getter pGetter,
                        Setter pSetter);
    void RegisterEnum(KPropertyEnum& ioProperty, const char* pName,
                      int (KRyvCameraProperties::*pGetter)() const,
                      int (KRyvCameraProperties::*pSetter)(int), KEnumListFunction pList);
    void RegisterFrameColor();
    void CreateAnimatable(const char* pName, const char* pDataTypeName);

    KPropertyBool mDisplayTurnTableIcon;
    KPropertyBool mUseMotionBlur;
    KPropertyBool mUseRealTimeMotionBlur;
    KPropertyDouble mFocalLength;
    KPropertyEnum mResolutionMode;
    KPropertyEnum mApertureMode;
    KPropertyEnum mCameraFormat;
    KPropertyDouble mAspectW;
    KPropertyDouble mAspectH;
    KPropertyDouble mPixelAspectRatio;
    KPropertyBool mUseFrameColor;
    KPropertyColor mFrameColor;
    KPropertyBool mShowName;
    KPropertyBool mShowGrid;
    KPropertyBool mShowOpticalCenter;
    KPropertyBool mShowAzimut;
    KPropertyBool mShowTimeCode;
    KPropertyDouble mNearPlane;
    KPropertyDouble mFarPlane;
    KPropertyDouble mFilmWidth;
    KPropertyDouble mFilmHeight;
    KPropertyDouble mFilmAspectRatio;
    KPropertyDouble mFilmSqueezeRatio;
    KPropertyEnum mFilmFormatIndex;
    KPropertyBool mViewFrustum;
    KPropertyBool mViewFrustumNearFarPlane;
    KPropertyEnum mViewFrustumBackPlaneMode;
    KPropertyDouble mBackPlaneDistance;
    KPropertyEnum mBackPlaneDistanceMode;
    KPropertyBool mViewCameraToLookAt;
    KPropertyBool mLockMode;
    KPropertyBool mLockInterestNavigation;
    KPropertyBool mFitImage;
    KPropertyBool mCrop;
    KPropertyBool mCenter;
    KPropertyBool mKeepRatio;
    KPropertyEnum mBackgroundMode;
    KPropertyDouble mBackgroundAlphaTreshold;
    KPropertyBool mForegroundTransparent;
    KPropertyBool mDisplaySafeArea;
    KPropertyEnum mSafeAreaDisplayStyle;
    KPropertyDouble mSafeAreaAspectRatio;
    KPropertyBool mUse2DMagnifierZoom;
    KPropertyEnum mCameraProjectionType;
    KPropertyBool mUseRealTimeDOFAndAA;
    KPropertyBool mUseDepthOfField;
    KPropertyEnum mFocusSource;
    KPropertyDouble mFocusAngle;
    KPropertyDouble mFocusDistance;
    KPropertyBool mUseAntialiasing;
    KPropertyDouble mAntialiasingIntensity;
    KPropertyBool mUseAccumulationBuffer;
    KPropertyInt mFrameSamplingCount;
};

#endif
