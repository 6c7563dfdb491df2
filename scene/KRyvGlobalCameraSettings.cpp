#include "scene/KRyvGlobalCameraSettings.h"

#include "core/KVector4.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/objects/KRyvCamera.h"

#include <cstring>

namespace {

const char* const kErrorTexts[] = {"Null parameter.", "Unknown camera name."};

const char* const kCameraSwitcherName = "Camera Switcher";

struct ProducerPlacement
{
    const char* mName;
    int mProjection;
    double mNear;
    double mFar;
    KVector4 mPosition;
    KVector4 mUpVector;
};

// In the order of the producer enumeration.
const ProducerPlacement kProducers[] = {
    {"Producer Perspective", KRyvCamera::ePerspective, 10.0, 4000.0,
     KVector4(0.0, 71.3, 287.5, 1.0), KVector4(0.0, 1.0, 0.0, 1.0)},
    {"Producer Top", KRyvCamera::eOrthographic, 1.0, 30000.0, KVector4(0.0, 4000.0, 0.0, 1.0),
     KVector4(0.0, 0.0, -1.0, 1.0)},
    {"Producer Bottom", KRyvCamera::eOrthographic, 1.0, 30000.0, KVector4(0.0, -4000.0, 0.0, 1.0),
     KVector4(0.0, 0.0, -1.0, 1.0)},
    {"Producer Front", KRyvCamera::eOrthographic, 1.0, 30000.0, KVector4(0.0, 0.0, 4000.0, 1.0),
     KVector4(0.0, 1.0, 0.0, 1.0)},
    {"Producer Back", KRyvCamera::eOrthographic, 1.0, 30000.0, KVector4(0.0, 0.0, -4000.0, 1.0),
     KVector4(0.0, 1.0, 0.0, 1.0)},
    {"Producer Right", KRyvCamera::eOrthographic, 1.0, 30000.0, KVector4(4000.0, 0.0, 0.0, 1.0),
     KVector4(0.0, 1.0, 0.0, 1.0)},
    {"Producer Left", KRyvCamera::eOrthographic, 1.0, 30000.0, KVector4(-4000.0, 0.0, 0.0, 1.0),
     KVector4(0.0, 1.0, 0.0, 1.0)},
};

constexpr double kProducerFieldOfView = 40.0;

} // namespace

KRyvGlobalCameraSettings::KRyvGlobalCameraSettings(KRyvObjectFactory* pFactory, KRyvScene* pScene)
    : mFactory(pFactory), mScene(pScene), mDefaultCamera(kProducers[ePerspective].mName),
      mError(kErrorTexts, kErrorCount)
{
}

KRyvGlobalCameraSettings::~KRyvGlobalCameraSettings()
{
    DestroyCameras();
}

void KRyvGlobalCameraSettings::DestroyCameras()
{
    if (!mFactory) {
        return;
    }
    for (KRyvCamera*& lCamera : mCameras) {
        if (lCamera) {
            mFactory->DestroyNodeAttribute(lCamera);
            lCamera = nullptr;
        }
    }
}

bool KRyvGlobalCameraSettings::SetDefaultCamera(const char* pName)
{
    if (!pName) {
        mError.SetLastErrorID(kNullParameter);
        return false;
    }
    bool lKnown = std::strcmp(pName, kCameraSwitcherName) == 0;
    for (const ProducerPlacement& lProducer : kProducers) {
        lKnown = lKnown || std::strcmp(pName, lProducer.mName) == 0;
    }
    if (!lKnown && mScene) {
        KRyvNode* lRoot = mScene->GetRootNode();
        lKnown = lRoot && lRoot->FindChild(pName, true, false);
    }
    if (!lKnown) {
        mError.SetLastErrorID(kUnknownCameraName);
        return false;
    }
    mDefaultCamera = KString(pName);
    return true;
}

void KRyvGlobalCameraSettings::Reset()
{
    mDefaultCamera = KString(kProducers[ePerspective].mName);
    mDefaultViewingMode = 0;
    mBackground.reset();
    for (int i = 0; i < eCount; ++i) {
        if (mCameras[i]) {
            Place(*mCameras[i], static_cast<EProducer>(i));
        }
    }
}

KRyvCamera* KRyvGlobalCameraSettings::Producer(EProducer pWhich)
{
    KRyvCamera*& lCamera = mCameras[pWhich];
    if (!lCamera && mFactory) {
        // Listed before it is placed, so that the destructor hands it back whatever happens.
        lCamera = mFactory->CreateCamera();
        if (lCamera) {
            Place(*lCamera, pWhich);
        }
    }
    return lCamera;
}

void KRyvGlobalCameraSettings::SetProducerBackgroundColor(const KColor& pColor)
{
    mBackground = pColor;
    for (KRyvCamera* lCamera : mCameras) {
        if (lCamera) {
            lCamera->SetBackgroundColor(pColor.mRed, pColor.mGreen, pColor.mBlue);
        }
    }
}

void KRyvGlobalCameraSettings::Place(KRyvCamera& ioCamera, EProducer pWhich) const
{
    const ProducerPlacement& lPlacement = kProducers[pWhich];
    ioCamera.Reset();
    ioCamera.SetFocalLengthFromFieldOfView(kProducerFieldOfView);
    ioCamera.SetProjectionType(lPlacement.mProjection);
    ioCamera.SetNearPlane(lPlacement.mNear);
    ioCamera.SetFarPlane(lPlacement.mFar);
    ioCamera.SetPosition(lPlacement.mPosition);
    ioCamera.SetUpVector(lPlacement.mUpVector);
    if (mBackground) {
        ioCamera.SetBackgroundColor(mBackground->mRed, mBackground->mGreen, mBackground->mBlue);
    }
}
