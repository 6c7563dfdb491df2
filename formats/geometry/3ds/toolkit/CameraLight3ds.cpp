#include "formats/geometry/3ds/toolkit/CameraLight3ds.h"

#include "formats/geometry/3ds/toolkit/ChunkDatabase3ds.h"
#include "formats/geometry/3ds/toolkit/ObjectChunks3ds.h"
#include "formats/geometry/3ds/toolkit/Toolkit3dsContext.h"

#include <cmath>

namespace {

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
    if (lTag == Tag3ds::kSpotShadowed || lTag == Tag3ds::kSpotRayShadows ||
        lTag == Tag3ds::kSpotSeeCone || lTag == Tag3ds::kSpotRectangular ||
        lTag == Tag3ds::kSpotOvershoot || lTag == Tag3ds::kLocalShadow) {
        ioSpot.mShadowed |= lTag == Tag3ds::kSpotShadowed;
        ioSpot.mRayShadows |= lTag == Tag3ds::kSpotRayShadows;
        ioSpot.mSeeCone |= lTag == Tag3ds::kSpotSeeCone;
        ioSpot.mRectangular |= lTag == Tag3ds::kSpotRectangular;
        ioSpot.mOvershoot |= lTag == Tag3ds::kSpotOvershoot;
        ioSpot.mLocalShadow |= lTag == Tag3ds::kLocalShadow;
        return;
    }
    if (lTag != Tag3ds::kLocalShadow2 && lTag != Tag3ds::kSpotProjector &&
        lTag != Tag3ds::kSpotRoll && lTag != Tag3ds::kSpotAspect && lTag != Tag3ds::kSpotRayBias) {
        return;
    }
    const ChunkData3ds* lData = ReadChunkData3ds(ioKit, pChild);
    if (!lData) {
        return;
    }
    if (lTag == Tag3ds::kLocalShadow2) {
        ioSpot.mLocalShadow = 1;
        ioSpot.mShadowBias = lData->mFloats[0];
        ioSpot.mShadowFilter = lData->mFloats[1];
        ioSpot.mShadowMapSize = static_cast<uint16_t>(lData->mInts[0]);
    } else if (lTag == Tag3ds::kSpotProjector) {
        ioSpot.mProjector = 1;
        ioSpot.mProjectorName = lData->mStrings[0];
    } else {
        (lTag == Tag3ds::kSpotRoll     ? ioSpot.mRoll
         : lTag == Tag3ds::kSpotAspect ? ioSpot.mAspect
                                       : ioSpot.mRayBias) = lData->mFloats[0];
    }
    ReleaseChunkData3ds(ioKit, pChild);
}

void ReadLightChild(Toolkit3dsContext& ioKit, ChunkNode3ds* pChild, LightObject3ds& ioLight)
{
    const uint32_t lTag = pChild->mTag;
    if (lTag == Tag3ds::kLightOff || lTag == Tag3ds::kLightAttenuate) {
        (lTag == Tag3ds::kLightOff ? ioLight.mOff : ioLight.mAttenuate) = 1;
        return;
    }
    if (lTag != Tag3ds::kLightExclude && lTag != Tag3ds::kLightInnerRange &&
        lTag != Tag3ds::kLightOuterRange && lTag != Tag3ds::kLightMultiplier &&
        lTag != Tag3ds::kSpotlight) {
        return;
    }
    const ChunkData3ds* lData = ReadChunkData3ds(ioKit, pChild);
    if (!lData) {
        return;
    }
    if (lTag == Tag3ds::kLightExclude) {
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
        (lTag == Tag3ds::kLightInnerRange   ? ioLight.mInnerRange
         : lTag == Tag3ds::kLightOuterRange ? ioLight.mOuterRange
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
    AddFloatChild3ds(lChunk, Tag3ds::kSpotRoll, pSpot.mRoll);
    if (pSpot.mAspect != 1.0f) {
        AddFloatChild3ds(lChunk, Tag3ds::kSpotAspect, pSpot.mAspect);
    }
    if (pSpot.mShadowed == 1) {
        AddEmptyChild3ds(lChunk, Tag3ds::kSpotShadowed);
    }
    if (pSpot.mRayShadows == 1) {
        AddEmptyChild3ds(lChunk, Tag3ds::kSpotRayShadows);
    }
    AddFloatChild3ds(lChunk, Tag3ds::kSpotRayBias, pSpot.mRayBias);
    if (pSpot.mLocalShadow == 1) {
        AddEmptyChild3ds(lChunk, Tag3ds::kLocalShadow);
        ChunkData3ds* lData = AddDataChild3ds(lChunk, Tag3ds::kLocalShadow2);
        lData->mFloats = {pSpot.mShadowBias, pSpot.mShadowFilter};
        lData->mInts = {pSpot.mShadowMapSize};
    }
    for (const auto& [lFlag, lTag] :
         {std::pair<int32_t, uint16_t>{pSpot.mRectangular, Tag3ds::kSpotRectangular},
          {pSpot.mSeeCone, Tag3ds::kSpotSeeCone},
          {pSpot.mOvershoot, Tag3ds::kSpotOvershoot}}) {
        if (lFlag == 1) {
            AddEmptyChild3ds(lChunk, lTag);
        }
    }
    if (pSpot.mProjector == 1) {
        AddStringChild3ds(lChunk, Tag3ds::kSpotProjector, pSpot.mProjectorName);
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
    lCamera.mShowCone = ChildOf3ds(lChunk, Tag3ds::kCameraSeeCone) ? 1 : 0;
    ChunkNode3ds* lRanges = ChildOf3ds(lChunk, Tag3ds::kCameraRanges);
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
        AddEmptyChild3ds(lChunk, Tag3ds::kCameraSeeCone);
    }
    AddDataChild3ds(lChunk, Tag3ds::kCameraRanges)->mFloats = {c.mNearRange, c.mFarRange};
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
    AddFloatChild3ds(lChunk, Tag3ds::kLightOuterRange, pLight->mOuterRange);
    AddFloatChild3ds(lChunk, Tag3ds::kLightInnerRange, pLight->mInnerRange);
    AddFloatChild3ds(lChunk, Tag3ds::kLightMultiplier, pLight->mMultiplier);
    if (pLight->mOff == 1) {
        AddEmptyChild3ds(lChunk, Tag3ds::kLightOff);
    }
    if (pLight->mAttenuate == 1) {
        AddEmptyChild3ds(lChunk, Tag3ds::kLightAttenuate);
    }
    for (const std::string& lName : pLight->mExclusions) {
        AddStringChild3ds(lChunk, Tag3ds::kLightExclude, lName);
    }
    if (pLight->mSpot) {
        PutSpot(lChunk, *pLight->mSpot);
    }
}
