#ifndef RYVKIT_SCENE_KRYVGLOBALCAMERASETTINGS_H
#define RYVKIT_SCENE_KRYVGLOBALCAMERASETTINGS_H

#include "core/KColor.h"
#include "core/KError.h"
#include "core/KString.h"

#include <optional>

class KRyvCamera;
class KRyvObjectFactory;
class KRyvScene;

// The scene-wide camera state of a scene: the seven producer cameras (perspective, top, bottom,
// front, back, right, left), the name of the default camera and the default viewing mode. Each
// camera is made with the factory's CreateCamera when it is first asked for (most scenes never
// look at them, and a scene is made for every read), placed as Reset places it; the cameras hang
// on no node and are handed back to the factory by the destructor; factory and scene are not
// owned (the factory must outlive the settings). Failures set the KError: 0 "Null parameter.",
// 1 "Unknown camera name.".
class KRyvGlobalCameraSettings
{
public:
    enum EError : int { kNullParameter = 0, kUnknownCameraName = 1, kErrorCount = 2 };

    // Makes no camera yet. A null factory gives no cameras (the getters answer null).
    KRyvGlobalCameraSettings(KRyvObjectFactory* pFactory, KRyvScene* pScene);
    KRyvGlobalCameraSettings(const KRyvGlobalCameraSettings&) = delete;
    KRyvGlobalCameraSettings& operator=(const KRyvGlobalCameraSettings&) = delete;
    ~KRyvGlobalCameraSettings();

    // The producer camera, made and placed on first use; it may throw std::bad_alloc.
    KRyvCamera* GetCameraProducerPerspective() { return Producer(ePerspective); }
    KRyvCamera* GetCameraProducerTop() { return Producer(eTop); }
    KRyvCamera* GetCameraProducerBottom() { return Producer(eBottom); }
    KRyvCamera* GetCameraProducerFront() { return Producer(eFront); }
    KRyvCamera* GetCameraProducerBack() { return Producer(eBack); }
    KRyvCamera* GetCameraProducerRight() { return Producer(eRight); }
    KRyvCamera* GetCameraProducerLeft() { return Producer(eLeft); }

    // Accepts, case counting, a producer camera name ("Producer Perspective", ...), "Camera
    // Switcher", or the name of a node anywhere below the scene's root (with or without
    // "Model::"); the name is stored as given. Null: kNullParameter; anything else:
    // kUnknownCameraName; both leave the stored name and answer false.
    bool SetDefaultCamera(const char* pName);
    const char* GetDefaultCamera() const { return mDefaultCamera.Buffer(); }
    void SetDefaultViewingMode(int pMode) { mDefaultViewingMode = pMode; }
    int GetDefaultViewingMode() const { return mDefaultViewingMode; }

    // The background colour of every producer camera, those made later included (until Reset),
    // so that a reader sets it without making a camera.
    void SetProducerBackgroundColor(const KColor& pColor);

    // Default camera "Producer Perspective", viewing mode 0, no producer background colour of its
    // own, and every camera made so far reset
    // and placed:
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

    KRyvCamera* Producer(EProducer pWhich);
    // Resets the camera and gives it the producer's lens, projection, planes, placement and the
    // background colour set.
    void Place(KRyvCamera& ioCamera, EProducer pWhich) const;

    KRyvObjectFactory* mFactory;
    KRyvScene* mScene;
    KString mDefaultCamera;
    int mDefaultViewingMode = 0;
    KRyvCamera* mCameras[eCount] = {};
    std::optional<KColor> mBackground;
    KError mError;
};

#endif
