#ifndef RYVKIT_SCENE_KRYVGLOBALCAMERASETTINGS_H
#define RYVKIT_SCENE_KRYVGLOBALCAMERASETTINGS_H

#include "core/KError.h"
#include "core/KString.h"

class KRyvCamera;
class KRyvObjectFactory;
class KRyvScene;

// The scene-wide camera state of a scene: the seven producer cameras (perspective, top, bottom,
// front, back, right, left), the name of the default camera and the default viewing mode. The
// cameras are made with the factory's CreateCamera, hang on no node and are handed back to the
// factory by the destructor; factory and scene are not owned (the factory must outlive the
// settings). Failures set the KError: 0 "Null parameter.", 1 "Unknown camera name.".
class KRyvGlobalCameraSettings
{
public:
    enum EError : int { kNullParameter = 0, kUnknownCameraName = 1, kErrorCount = 2 };

    // Makes the cameras, then Reset. A null factory gives no cameras (the getters answer null).
    KRyvGlobalCameraSettings(KRyvObjectFactory* pFactory, KRyvScene* pScene);
    KRyvGlobalCameraSettings(const KRyvGlobalCameraSettings&) = delete;
    KRyvGlobalCameraSettings& operator=(const KRyvGlobalCameraSettings&) = delete;
    ~KRyvGlobalCameraSettings();

    KRyvCamera* GetCameraProducerPerspective() const { return mCameras[ePerspective]; }
    KRyvCamera* GetCameraProducerTop() const { return mCameras[eTop]; }
    KRyvCamera* GetCameraProducerBottom() const { return mCameras[eBottom]; }
    KRyvCamera* GetCameraProducerFront() const { return mCameras[eFront]; }
    KRyvCamera* GetCameraProducerBack() const { return mCameras[eBack]; }
    KRyvCamera* GetCameraProducerRight() const { return mCameras[eRight]; }
    KRyvCamera* GetCameraProducerLeft() const { return mCameras[eLeft]; }

    // Accepts, case counting, a producer camera name ("Producer Perspective", ...), "Camera
    // Switcher", or the name of a node anywhere below the scene's root (with or without
    // "Model::"); the name is stored as given. Null: kNullParameter; anything else:
    // kUnknownCameraName; both leave the stored name and answer false.
    bool SetDefaultCamera(const char* pName);
    const char* GetDefaultCamera() const { return mDefaultCamera.Buffer(); }
    void SetDefaultViewingMode(int pMode) { mDefaultViewingMode = pMode; }
    int GetDefaultViewingMode() const { return mDefaultViewingMode; }

    // Default camera "Producer Perspective", viewing mode 0, and every camera reset and placed:
    // field of view 40 degrees; perspective near 10, far 4000 at (0, 71.3, 287.5); the others
    // orthographic, near 1, far 30000, 4000 away along their axis.
    void Reset();

    KError& GetError() { return mError; }

private:
    // Hands the producer cameras back to the factory.
    void DestroyCameras();
    // A scene that takes over another's settings points them at itself.
    friend class KRyvScene;

    enum EProducer : int { ePerspective, eTop, eBottom, eFront, eBack, eRight, eLeft, eCount };

    KRyvObjectFactory* mFactory;
    KRyvScene* mScene;
    KString mDefaultCamera;
    int mDefaultViewingMode = 0;
    KRyvCamera* mCameras[eCount] = {};
    KError mError;
};

#endif
