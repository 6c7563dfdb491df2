#include "formats/geometry/3ds/toolkit/CameraLight3ds.h"

#include "formats/geometry/3ds/toolkit/ChunkDatabase3ds.h"
#include "formats/geometry/3ds/toolkit/ObjectChunks3ds.h"
#include "formats/geometry/3ds/toolkit/Toolkit3dsContext.h"

#include <cmath>

namespace {

constexpr uint16_t kCamSeeCone = 0x4710;
constexpr uint16_t kCamRanges = 0x4720;
constexpr uint16_t kLightOff = 0x4620;
constexpr uint16_t kAttenuate = 0x4625;
constexpr uint16_t kRayShadows = 0x4627;
constexpr uint16_t kShadowed = 0x4630;
constexpr uint16_t kLocalShadow = 0x4640;
constexpr uint16_t kLocalShadow2 = 0x4641;
constexpr uint16_t kSeeCone = 0x4650;
constexpr uint16_t kRectangular = 0x4651;
constexpr uint16_t kOvershoot = 0x4652;
constexpr uint16_t kProjector = 0x4653;
constexpr uint16_t kExclude = 0x4654;
constexpr uint16_t kSpotRoll = 0x4656;
constexpr uint16_t kSpotAspect = 0x4657;
constexpr uint16_t kRayBias = 0x4658;
constexpr uint16_t kInnerRange = 0x4659;
constexpr uint16_t kOuterRange = 0x465A;
constexpr uint16_t kMultiplier = 0x465B;
constexpr float kByteScale = 0.003921569f; // 1/255
constexpr std::size_t kExclusionBound = 10;
constexpr std::size_t kProjectorBound = 12;

bool HasCamera(ChunkNode3ds* pObject)
{
    return ChildOf3ds(pObject, Tag3ds::kCamera) != nullptr;
}
bool IsOmni(ChunkNode3ds* pObject)
{
    ChunkNode3ds* lLight = ChildOf3ds(pObject, Tag3ds::kLight);
    return lLight && !ChildOf3ds(lLight, Tag3ds::kSpotlight);
}
bool IsSpot(ChunkNode3ds* pObject)
{
    return ChildOf3ds(ChildOf3ds(pObject, Tag3ds::kLight), Tag3ds::kSpotlight) != nullptr;
}

bool KindOneOrTwo(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase)
{
    if (!pDatabase || !pDatabase->mTopChunk) {
        PushError3ds(ioKit, pDatabase ? ERR_INVALID_DATABASE : ERR_INVALID_ARG);
        return false;
    }
    const int lKind = GetDatabaseKind3ds(pDatabase);
    if (lKind != kMeshFile3ds && lKind != kProjectFile3ds) {
        PushError3ds(ioKit, ERR_WRONG_DATABASE);
        return false;
    }
    return true;
}

// The object's name, read from its data.
bool ReadName(Toolkit3dsContext& ioKit, ChunkNode3ds* pObject, std::string& oName)
{
    const ChunkData3ds* lData = ReadChunkData3ds(ioKit, pObject);
    if (!lData) {
        return false;
    }
    oName = lData->mStrings[0];
    ReleaseChunkData3ds(ioKit, pObject);
    return true;
}

void ReadSpotChild(Toolkit3dsContext& ioKit, ChunkNode3ds* pChild, SpotlightData3ds& ioSpot)
{
    const uint32_t lTag = pChild->mTag;
    if (lTag == kShadowed || lTag == kRayShadows || lTag == kSeeCone || lTag == kRectangular ||
        lTag == kOvershoot || lTag == kLocalShadow) {
        ioSpot.mShadowed |= lTag == kShadowed;
        ioSpot.mRayShadows |= lTag == kRayShadows;
        ioSpot.mSeeCone |= lTag == kSeeCone;
        ioSpot.mRectangular |= lTag == kRectangular;
        ioSpot.mOvershoot |= lTag == kOvershoot;
        ioSpot.mLocalShadow |= lTag == kLocalShadow;
        return;
    }
    if (lTag != kLocalShadow2 && lTag != kProjector && lTag != kSpotRoll && lTag != kSpotAspect &&
        lTag != kRayBias) {
        return;
    }
    const ChunkData3ds* lData = ReadChunkData3ds(ioKit, pChild);
    if (!lData) {
        return;
    }
    if (lTag == kLocalShadow2) {
        ioSpot.mLocalShadow = 1;
        ioSpot.mShadowBias = lData->mFloats[0];
        ioSpot.mShadowFilter = lData->mFloats[1];
        ioSpot.mShadowMapSize = static_cast<uint16_t>(lData->mInts[0]);
    } else if (lTag == kProjector) {
        ioSpot.mProjector = 1;
        ioSpot.mProjectorName = lData->mStrings[0];
    } else {
        (lTag == kSpotRoll     ? ioSpot.mRoll
         : lTag == kSpotAspect ? ioSpot.mAspect
                               : ioSpot.mRayBias) = lData->mFloats[0];
    }
    ReleaseChunkData3ds(ioKit, pChild);
}

void ReadLightChild(Toolkit3dsContext& ioKit, ChunkNode3ds* pChild, LightObject3ds& ioLight)
{
    const uint32_t lTag = pChild->mTag;
    if (lTag == kLightOff || lTag == kAttenuate) {
        (lTag == kLightOff ? ioLight.mOff : ioLight.mAttenuate) = 1;
        return;
    }
    if (lTag != kExclude && lTag != kInnerRange && lTag != kOuterRange && lTag != kMultiplier &&
        lTag != Tag3ds::kSpotlight) {
        return;
    }
    const ChunkData3ds* lData = ReadChunkData3ds(ioKit, pChild);
    if (!lData) {
        return;
    }
    if (lTag == kExclude) {
        ioLight.mExclusions.push_back(lData->mStrings[0]);
    } else if (lTag == Tag3ds::kSpotlight) {
        const std::vector<float>& f = lData->mFloats;
        ioLight.mSpot->mTarget = {f[0], f[1], f[2]};
        ioLight.mSpot->mHotspot = f[3];
        ioLight.mSpot->mFalloff = f[4];
        for (ChunkNode3ds* lSpot = pChild->mChildren.get(); lSpot; lSpot = lSpot->mNext.get()) {
            ReadSpotChild(ioKit, lSpot, *ioLight.mSpot);
        }
    } else {
        (lTag == kInnerRange   ? ioLight.mInnerRange
         : lTag == kOuterRange ? ioLight.mOuterRange
                               : ioLight.mMultiplier) = lData->mFloats[0];
    }
    ReleaseChunkData3ds(ioKit, pChild);
}

void PutSpot(ChunkNode3ds* pLight, const SpotlightData3ds& pSpot)
{
    std::unique_ptr<ChunkNode3ds> lNew;
    NewChunkWithData3ds(lNew, Tag3ds::kSpotlight);
    lNew->mData->mFloats = {pSpot.mTarget.x, pSpot.mTarget.y, pSpot.mTarget.z, pSpot.mHotspot,
                            pSpot.mFalloff};
    ChunkNode3ds* lChunk = InsertChildChunk3ds(pLight, std::move(lNew));
    AddFloatChild3ds(lChunk, kSpotRoll, pSpot.mRoll);
    if (pSpot.mAspect != 1.0f) {
        AddFloatChild3ds(lChunk, kSpotAspect, pSpot.mAspect);
    }
    if (pSpot.mShadowed == 1) {
        AddEmptyChild3ds(lChunk, kShadowed);
    }
    if (pSpot.mRayShadows == 1) {
        AddEmptyChild3ds(lChunk, kRayShadows);
    }
    AddFloatChild3ds(lChunk, kRayBias, pSpot.mRayBias);
    if (pSpot.mLocalShadow == 1) {
        AddEmptyChild3ds(lChunk, kLocalShadow);
        ChunkData3ds* lData = AddDataChild3ds(lChunk, kLocalShadow2);
        lData->mFloats = {pSpot.mShadowBias, pSpot.mShadowFilter};
        lData->mInts = {pSpot.mShadowMapSize};
    }
    for (const auto& [lFlag, lTag] :
         {std::pair<int32_t, uint16_t>{pSpot.mRectangular, kRectangular},
          {pSpot.mSeeCone, kSeeCone},
          {pSpot.mOvershoot, kOvershoot}}) {
        if (lFlag == 1) {
            AddEmptyChild3ds(lChunk, lTag);
        }
    }
    if (pSpot.mProjector == 1) {
        AddStringChild3ds(lChunk, kProjector, pSpot.mProjectorName);
    }
}

bool LightNamesFit(Toolkit3dsContext& ioKit, const LightObject3ds& pLight)
{
    bool lFit = !pLight.mSpot || CheckName3ds(ioKit, pLight.mSpot->mProjectorName, kProjectorBound);
    for (const std::string& lName : pLight.mExclusions) {
        lFit = lFit && CheckName3ds(ioKit, lName, kExclusionBound);
    }
    return lFit;
}

} // namespace

void InitCameraObject3ds(std::unique_ptr<CameraObject3ds>& ioCamera)
{
    ioCamera = std::make_unique<CameraObject3ds>();
}

void ReleaseCameraObject3ds(std::unique_ptr<CameraObject3ds>& ioCamera)
{
    ioCamera.reset();
}

uint32_t GetCameraCount3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase)
{
    return CountObjects3ds(ioKit, pDatabase, HasCamera);
}

void GetCameraByIndex3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase, uint32_t pIndex,
                         std::unique_ptr<CameraObject3ds>& ioCamera)
{
    if (!KindOneOrTwo(ioKit, pDatabase)) {
        return;
    }
    if (ChunkNode3ds* lObject = NthObject3ds(ioKit, pDatabase, pIndex, HasCamera)) {
        ReadCameraObject3ds(ioKit, lObject, ioCamera);
    }
}

void ReadCameraObject3ds(Toolkit3dsContext& ioKit, ChunkNode3ds* pObject,
                         std::unique_ptr<CameraObject3ds>& ioCamera)
{
    if (!pObject) {
        PushError3ds(ioKit, ERR_INVALID_ARG);
        return;
    }
    if (pObject->mTag != Tag3ds::kNamedObject || !HasCamera(pObject)) {
        PushError3ds(ioKit, ERR_WRONG_OBJECT);
        return;
    }
    InitCameraObject3ds(ioCamera);
    CameraObject3ds& lCamera = *ioCamera;
    std::unique_ptr<ChunkNode3ds> lCopy;
    CopyChunk3ds(pObject, lCopy);
    ChunkNode3ds* lChunk = ChildOf3ds(lCopy.get(), Tag3ds::kCamera);
    const ChunkData3ds* lData = ReadChunkData3ds(ioKit, lChunk);
    if (!ReadName(ioKit, lCopy.get(), lCamera.mName) || !lData) {
        return;
    }
    const std::vector<float>& f = lData->mFloats;
    lCamera.mPosition = {f[0], f[1], f[2]};
    lCamera.mTarget = {f[3], f[4], f[5]};
    lCamera.mRoll = f[6];
    // A lens of 0 would give an infinite angle: the default angle stays.
    const float lAngle = CameraObject3ds::kLensFactor / f[7];
    if (f[7] != 0.0f && std::isfinite(lAngle)) {
        lCamera.mFov = lAngle;
    }
    lCamera.mShowCone = ChildOf3ds(lChunk, kCamSeeCone) ? 1 : 0;
    ChunkNode3ds* lRanges = ChildOf3ds(lChunk, kCamRanges);
    if (const ChunkData3ds* lRange = lRanges ? ReadChunkData3ds(ioKit, lRanges) : nullptr) {
        lCamera.mNearRange = lRange->mFloats[0];
        lCamera.mFarRange = lRange->mFloats[1];
    }
}

void PutCamera3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                  const CameraObject3ds* pCamera)
{
    if (!pDatabase || !pCamera) {
        PushError3ds(ioKit, ERR_INVALID_ARG);
        return;
    }
    if (pDatabase->mTopChunk && GetDatabaseKind3ds(pDatabase) != kMeshFile3ds) {
        PushError3ds(ioKit, ERR_WRONG_DATABASE);
        return;
    }
    if (pCamera->mFov == 0.0f || !std::isfinite(pCamera->mFov)) {
        PushError3ds(ioKit, ERR_INVALID_DATA);
        return;
    }
    std::unique_ptr<ChunkNode3ds> lXdata;
    ChunkNode3ds* lObject = PrepareNamedObject3ds(ioKit, pDatabase, pCamera->mName, true, lXdata);
    if (!lObject) {
        return;
    }
    std::unique_ptr<ChunkNode3ds> lNew;
    NewChunkWithData3ds(lNew, Tag3ds::kCamera);
    const CameraObject3ds& c = *pCamera;
    lNew->mData->mFloats = {
        c.mPosition.x, c.mPosition.y, c.mPosition.z, c.mTarget.x,
        c.mTarget.y,   c.mTarget.z,   c.mRoll,       CameraObject3ds::kLensFactor / c.mFov};
    ChunkNode3ds* lChunk = InsertChildChunk3ds(lObject, std::move(lNew));
    if (c.mShowCone) {
        AddEmptyChild3ds(lChunk, kCamSeeCone);
    }
    AddDataChild3ds(lChunk, kCamRanges)->mFloats = {c.mNearRange, c.mFarRange};
    if (lXdata) {
        AddChildChunk3ds(lChunk, std::move(lXdata));
    }
}

void InitLightObject3ds(std::unique_ptr<LightObject3ds>& ioLight)
{
    ioLight = std::make_unique<LightObject3ds>();
}

void InitSpotlightObject3ds(std::unique_ptr<LightObject3ds>& ioLight)
{
    InitLightObject3ds(ioLight);
    ioLight->mSpot = std::make_unique<SpotlightData3ds>();
}

void ReleaseLightObject3ds(std::unique_ptr<LightObject3ds>& ioLight)
{
    ioLight.reset();
}

uint32_t GetOmniLightCount3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase)
{
    return CountObjects3ds(ioKit, pDatabase, IsOmni);
}

uint32_t GetSpotlightCount3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase)
{
    return CountObjects3ds(ioKit, pDatabase, IsSpot);
}

void GetOmniLightByIndex3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase, uint32_t pIndex,
                            std::unique_ptr<LightObject3ds>& ioLight)
{
    if (!KindOneOrTwo(ioKit, pDatabase)) {
        return;
    }
    if (ChunkNode3ds* lObject = NthObject3ds(ioKit, pDatabase, pIndex, IsOmni)) {
        ReadLightObject3ds(ioKit, lObject, ioLight);
    }
}

void GetSpotlightByIndex3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase, uint32_t pIndex,
                            std::unique_ptr<LightObject3ds>& ioLight)
{
    if (!KindOneOrTwo(ioKit, pDatabase)) {
        return;
    }
    if (ChunkNode3ds* lObject = NthObject3ds(ioKit, pDatabase, pIndex, IsSpot)) {
        ReadLightObject3ds(ioKit, lObject, ioLight);
    }
}

void ReadLightObject3ds(Toolkit3dsContext& ioKit, ChunkNode3ds* pObject,
                        std::unique_ptr<LightObject3ds>& ioLight)
{
    if (!pObject) {
        PushError3ds(ioKit, ERR_INVALID_ARG);
        return;
    }
    ChunkNode3ds* lChunk = ChildOf3ds(pObject, Tag3ds::kLight);
    if (pObject->mTag != Tag3ds::kNamedObject || !lChunk) {
        PushError3ds(ioKit, ERR_WRONG_OBJECT);
        return;
    }
    if (ChildOf3ds(lChunk, Tag3ds::kSpotlight)) {
        InitSpotlightObject3ds(ioLight);
    } else {
        InitLightObject3ds(ioLight);
    }
    LightObject3ds& lLight = *ioLight;
    const ChunkData3ds* lData = ReadChunkData3ds(ioKit, lChunk);
    if (!ReadName(ioKit, pObject, lLight.mName) || !lData) {
        return;
    }
    lLight.mPosition = {lData->mFloats[0], lData->mFloats[1], lData->mFloats[2]};
    ReleaseChunkData3ds(ioKit, lChunk);
    ReadColorChildren3ds(ioKit, lChunk, kByteScale, lLight.mColor);
    for (ChunkNode3ds* lChild = lChunk->mChildren.get(); lChild && !IsErrorPending3ds(ioKit);
         lChild = lChild->mNext.get()) {
        ReadLightChild(ioKit, lChild, lLight);
    }
}

void PutLight3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                 const LightObject3ds* pLight)
{
    if (!pDatabase || !pLight) {
        PushError3ds(ioKit, ERR_INVALID_ARG);
        return;
    }
    if (!LightNamesFit(ioKit, *pLight)) {
        return;
    }
    std::unique_ptr<ChunkNode3ds> lXdata;
    ChunkNode3ds* lObject = PrepareNamedObject3ds(ioKit, pDatabase, pLight->mName, false, lXdata);
    if (!lObject) {
        return;
    }
    std::unique_ptr<ChunkNode3ds> lNew;
    NewChunkWithData3ds(lNew, Tag3ds::kLight);
    lNew->mData->mFloats = {pLight->mPosition.x, pLight->mPosition.y, pLight->mPosition.z};
    ChunkNode3ds* lChunk = InsertChildChunk3ds(lObject, std::move(lNew));
    AddColorChild3ds(lChunk, Tag3ds::kColorF, pLight->mColor);
    AddFloatChild3ds(lChunk, kOuterRange, pLight->mOuterRange);
    AddFloatChild3ds(lChunk, kInnerRange, pLight->mInnerRange);
    AddFloatChild3ds(lChunk, kMultiplier, pLight->mMultiplier);
    if (pLight->mOff == 1) {
        AddEmptyChild3ds(lChunk, kLightOff);
    }
    if (pLight->mAttenuate == 1) {
        AddEmptyChild3ds(lChunk, kAttenuate);
    }
    for (const std::string& lName : pLight->mExclusions) {
        AddStringChild3ds(lChunk, kExclude, lName);
    }
    if (pLight->mSpot) {
        PutSpot(lChunk, *pLight->mSpot);
    }
}
