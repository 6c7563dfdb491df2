#ifndef RYVKIT_FORMATS_GEOMETRY_3DS_TOOLKIT_CAMERALIGHT3DS_H
#define RYVKIT_FORMATS_GEOMETRY_3DS_TOOLKIT_CAMERALIGHT3DS_H

#include "formats/geometry/3ds/toolkit/Primitives3ds.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct ChunkDatabase3ds;
struct ChunkNode3ds;
struct Toolkit3dsContext;

// A camera. The file stores 2400 / mFov (a lens in millimetres); a stored 0 reads as the
// default angle, and a put refuses an angle of 0 (ERR_INVALID_DATA).
struct CameraObject3ds
{
    static constexpr float kLensFactor = 2400.0f;
    std::string mName; // at most 10 characters
    Point3ds mPosition;
    Point3ds mTarget{1.0f, 1.0f, 1.0f};
    float mRoll = 0.0f;
    float mFov = 45.0f;
    uint8_t mShowCone = 0; // 0x4710
    float mNearRange = 10.0f;
    float mFarRange = 1000.0f;
};

struct SpotlightData3ds
{
    Point3ds mTarget{1.0f, 1.0f, 1.0f};
    float mHotspot = 44.0f;
    float mFalloff = 45.0f;
    float mRoll = 0.0f;            // 0x4656
    float mAspect = 1.0f;          // 0x4657
    uint8_t mShadowed = 0;         // 0x4630
    int32_t mRayShadows = 0;       // 0x4627
    uint8_t mLocalShadow = 0;      // 0x4640
    float mShadowBias = 1.0f;      // 0x4641
    float mShadowFilter = 3.0f;    // 0x4641
    uint16_t mShadowMapSize = 512; // 0x4641
    float mRayBias = 1.0f;         // 0x4658
    int32_t mRectangular = 0;      // 0x4651
    uint8_t mSeeCone = 0;          // 0x4650
    uint8_t mOvershoot = 0;        // 0x4652
    uint8_t mProjector = 0;        // 0x4653
    std::string mProjectorName;    // at most 12 characters
};

// An omni light, or a spotlight when mSpot is set. 24-bit colours read as byte / 255.
struct LightObject3ds
{
    std::string mName; // at most 10 characters
    Point3ds mPosition;
    Color3ds mColor{0.708852f, 0.708852f, 0.708852f};
    float mMultiplier = 1.0f;             // 0x465B
    uint8_t mOff = 0;                     // 0x4620
    uint8_t mAttenuate = 0;               // 0x4625
    float mInnerRange = 10.0f;            // 0x4659
    float mOuterRange = 100.0f;           // 0x465A
    std::vector<std::string> mExclusions; // object names of at most 10 characters
    std::unique_ptr<SpotlightData3ds> mSpot;
};

void InitCameraObject3ds(std::unique_ptr<CameraObject3ds>& ioCamera);
void ReleaseCameraObject3ds(std::unique_ptr<CameraObject3ds>& ioCamera);
// Named objects with a camera chunk 0x4700.
uint32_t GetCameraCount3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase);
void GetCameraByIndex3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase, uint32_t pIndex,
                         std::unique_ptr<CameraObject3ds>& ioCamera);
void ReadCameraObject3ds(Toolkit3dsContext& ioKit, ChunkNode3ds* pObject,
                         std::unique_ptr<CameraObject3ds>& ioCamera);
// Kind 1 only; replaces an object of the same name, keeping its 0x8000 chunk.
void PutCamera3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                  const CameraObject3ds* pCamera);

void InitLightObject3ds(std::unique_ptr<LightObject3ds>& ioLight);
void InitSpotlightObject3ds(std::unique_ptr<LightObject3ds>& ioLight);
void ReleaseLightObject3ds(std::unique_ptr<LightObject3ds>& ioLight);
uint32_t GetOmniLightCount3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase);
uint32_t GetSpotlightCount3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase);
void GetOmniLightByIndex3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase, uint32_t pIndex,
                            std::unique_ptr<LightObject3ds>& ioLight);
void GetSpotlightByIndex3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase, uint32_t pIndex,
                            std::unique_ptr<LightObject3ds>& ioLight);
void ReadLightObject3ds(Toolkit3dsContext& ioKit, ChunkNode3ds* pObject,
                        std::unique_ptr<LightObject3ds>& ioLight);
// Kinds 1 and 2; replaces an object of the same name.
void PutLight3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                 const LightObject3ds* pLight);

#endif
