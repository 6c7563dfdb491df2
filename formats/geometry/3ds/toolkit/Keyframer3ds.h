#ifndef RYVKIT_FORMATS_GEOMETRY_3DS_TOOLKIT_KEYFRAMER3DS_H
#define RYVKIT_FORMATS_GEOMETRY_3DS_TOOLKIT_KEYFRAMER3DS_H

#include "formats/geometry/3ds/toolkit/Primitives3ds.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct ChunkDatabase3ds;
struct Toolkit3dsContext;

// A rotation key value: angle (radians) about an axis.
struct Rotation3ds
{
    float mAngle = 0.0f;
    float x = 0.0f;
    float y = 0.0f;
    float z = 1.0f;
};

// The value of a hide key: nothing.
struct NoValue3ds
{
};

// A keyframe track: track flags, keys and one value per key. Written only when it has keys
// and as many values.
template <typename T> struct Track3ds
{
    uint16_t mFlags = 0;
    std::vector<KeyHeader3ds> mKeys;
    std::vector<T> mValues;
};

// Names are at most 10 characters; parent names "name" or "name.instance".
struct CameraMotion3ds
{
    std::string mName;
    std::string mParent;
    uint16_t mFlags1 = 0;
    uint16_t mFlags2 = 0;
    Track3ds<Point3ds> mPosition;
    Track3ds<float> mFov;  // degrees; new values 60
    Track3ds<float> mRoll; // degrees
    std::string mTargetParent;
    Track3ds<Point3ds> mTargetPosition;
    uint16_t mTargetFlags1 = 0;
    uint16_t mTargetFlags2 = 0;
};

struct OmniLightMotion3ds
{
    std::string mName;
    std::string mParent;
    uint16_t mFlags1 = 0;
    uint16_t mFlags2 = 0;
    Track3ds<Point3ds> mPosition;
    Track3ds<Color3ds> mColor;
};

struct SpotlightMotion3ds
{
    std::string mName;
    std::string mParent;
    uint16_t mFlags1 = 0;
    uint16_t mFlags2 = 0;
    Track3ds<Point3ds> mPosition;
    Track3ds<Color3ds> mColor;
    Track3ds<float> mHotspot; // 0xB027; new values 90
    Track3ds<float> mFalloff; // 0xB028; new values 90
    Track3ds<float> mRoll;
    std::string mTargetParent;
    Track3ds<Point3ds> mTargetPosition;
    uint16_t mTargetFlags1 = 0;
    uint16_t mTargetFlags2 = 0;
};

// A mesh node. "$$$DUMMY" names a dummy object, written with its bounding box.
struct ObjectMotion3ds
{
    static constexpr float kDefaultMorphSmooth = 24.0f;
    std::string mName;
    std::string mParent;
    uint16_t mFlags1 = 0;
    uint16_t mFlags2 = 0;
    Point3ds mPivot;
    std::string mInstance;
    Point3ds mBoundMin;
    Point3ds mBoundMax;
    Track3ds<Point3ds> mPosition;
    Track3ds<Rotation3ds> mRotation; // new values (0, 0, 0, 1)
    Track3ds<Point3ds> mScale;       // new values (1, 1, 1)
    Track3ds<std::string> mMorph;    // object names of at most 10 characters
    Track3ds<NoValue3ds> mHide;
    float mMorphSmooth = kDefaultMorphSmooth; // 0xB015
};

struct KeyframerSettings3ds
{
    uint32_t mAnimLength = 30;
    uint32_t mCurrentFrame = 0;
    bool mSegmentInUse = false;
    uint32_t mSegmentStart = 0;
    uint32_t mSegmentEnd = 30;
};

// Allocate the record when null; every non-zero count replaces that track with fresh keys
// and values and resets its flags. A count of 0 leaves the track as it is.
void InitCameraMotion3ds(std::unique_ptr<CameraMotion3ds>& ioMotion, uint32_t pPositionKeys,
                         uint32_t pFovKeys, uint32_t pRollKeys, uint32_t pTargetKeys);
void InitOmniLightMotion3ds(std::unique_ptr<OmniLightMotion3ds>& ioMotion, uint32_t pPositionKeys,
                            uint32_t pColorKeys);
void InitSpotlightMotion3ds(std::unique_ptr<SpotlightMotion3ds>& ioMotion, uint32_t pPositionKeys,
                            uint32_t pColorKeys, uint32_t pHotspotKeys, uint32_t pFalloffKeys,
                            uint32_t pRollKeys, uint32_t pTargetKeys);
void InitObjectMotion3ds(std::unique_ptr<ObjectMotion3ds>& ioMotion, uint32_t pPositionKeys,
                         uint32_t pRotationKeys, uint32_t pScaleKeys, uint32_t pMorphKeys,
                         uint32_t pHideKeys);
void ReleaseCameraMotion3ds(std::unique_ptr<CameraMotion3ds>& ioMotion);
void ReleaseOmniLightMotion3ds(std::unique_ptr<OmniLightMotion3ds>& ioMotion);
void ReleaseSpotlightMotion3ds(std::unique_ptr<SpotlightMotion3ds>& ioMotion);
void ReleaseObjectMotion3ds(std::unique_ptr<ObjectMotion3ds>& ioMotion);

uint32_t GetCameraNodeCount3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase);
uint32_t GetOmniLightNodeCount3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase);
uint32_t GetSpotlightNodeCount3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase);
uint32_t GetObjectNodeCount3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase);

// Read the index-th node of the kind (with its target node of the same name) into a record
// that starts from its defaults; an index beyond the count changes nothing. Spots are written
// as 0xB007 with their targets as 0xB006, and read in either order: the node with hotspot or
// falloff tracks is the spot.
void GetCameraMotionByIndex3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                               uint32_t pIndex, std::unique_ptr<CameraMotion3ds>& ioMotion);
void GetOmniLightMotionByIndex3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                                  uint32_t pIndex, std::unique_ptr<OmniLightMotion3ds>& ioMotion);
void GetSpotlightMotionByIndex3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                                  uint32_t pIndex, std::unique_ptr<SpotlightMotion3ds>& ioMotion);
void GetObjectMotionByIndex3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                               uint32_t pIndex, std::unique_ptr<ObjectMotion3ds>& ioMotion);

// Write a record as keyframer nodes, replacing nodes of the same name and kind (their 0x8000
// chunks are kept). The camera put takes kind 1 only and reports others as ERR_INVALID_DATA.
void PutCameraMotion3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                        const CameraMotion3ds* pMotion);
void PutOmniLightMotion3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                           const OmniLightMotion3ds* pMotion);
void PutSpotlightMotion3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                           const SpotlightMotion3ds* pMotion);
void PutObjectMotion3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                        const ObjectMotion3ds* pMotion);

void InitKeyframerSettings3ds(std::unique_ptr<KeyframerSettings3ds>& ioSettings);
// The settings of the keyframer header (0xB00A length, 0xB009 current frame, 0xB008 segment)
// into a fresh record; the record stays null when the file has no header.
void GetKeyframerSettings3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                             std::unique_ptr<KeyframerSettings3ds>& oSettings);
void ReleaseKeyframerSettings3ds(std::unique_ptr<KeyframerSettings3ds>& ioSettings);
void PutKeyframerSettings3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                             const KeyframerSettings3ds* pSettings);

// After a read: gives every node whose parent id names another node a parent-name chunk
// 0x80F0 under its header. Parent links that would close a cycle are dropped. False after
// pushing the error.
bool ResolveNodeParents3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase);
// Before a write: numbers the nodes 0, 1, 2... (ambient nodes 0xFFFF) and sets each header's
// parent id from its parent name. More than 65535 numbered nodes are ERR_INVALID_DATA.
void AssignNodeIds3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase);

#endif
