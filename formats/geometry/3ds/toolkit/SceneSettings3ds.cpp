#include "formats/geometry/3ds/toolkit/SceneSettings3ds.h"

#include "formats/geometry/3ds/toolkit/ChunkDatabase3ds.h"
#include "formats/geometry/3ds/toolkit/ObjectChunks3ds.h"
#include "formats/geometry/3ds/toolkit/Toolkit3dsContext.h"

namespace {

constexpr float kAmbientByteScale = 0.00390625f; // 1/256
constexpr std::size_t kBitmapBound = 12;

ChunkNode3ds* ExistingSection(ChunkDatabase3ds* pDatabase)
{
    return pDatabase && pDatabase->mTopChunk
               ? ChildOf3ds(pDatabase->mTopChunk.get(), Tag3ds::kMdata)
               : nullptr;
}

void ReadSetting(Toolkit3dsContext& ioKit, ChunkNode3ds* pChild, MeshSettings3ds& ioSettings)
{
    const uint32_t lTag = pChild->mTag;
    if (lTag == Tag3ds::kAmbientLight) {
        ReadColorChildren3ds(ioKit, pChild, kAmbientByteScale, ioSettings.mAmbient);
        return;
    }
    if (lTag != Tag3ds::kMasterScale && lTag != Tag3ds::kShadowBias && lTag != Tag3ds::kRayBias &&
        lTag != Tag3ds::kShadowMapSize && lTag != Tag3ds::kShadowFilter &&
        lTag != Tag3ds::kConstructionPlane) {
        return;
    }
    const ChunkData3ds* lData = ReadChunkData3ds(ioKit, pChild);
    if (!lData) {
        return;
    }
    const std::vector<float>& f = lData->mFloats;
    switch (lTag) {
    case Tag3ds::kMasterScale:
        ioSettings.mMasterScale = f[0];
        break;
    case Tag3ds::kShadowBias:
        ioSettings.mShadowBias = f[0];
        break;
    case Tag3ds::kRayBias:
        ioSettings.mRayBias = f[0];
        break;
    case Tag3ds::kShadowFilter:
        ioSettings.mShadowFilter = f[0];
        break;
    case Tag3ds::kShadowMapSize:
        ioSettings.mShadowMapSize = static_cast<uint16_t>(lData->mInts[0]);
        break;
    default:
        ioSettings.mConstruction = {f[0], f[1], f[2]};
        break;
    }
    ReleaseChunkData3ds(ioKit, pChild);
}

// The float colours of a background chunk: the k-th 0x0010 child gives colour k, the k-th
// 0x0013 child overrides it.
void ReadFloatColors(Toolkit3dsContext& ioKit, ChunkNode3ds* pChunk, Color3ds* oColors, int pCount)
{
    int lPlain = 0;
    int lLinear = 0;
    std::vector<bool> lOverridden(pCount, false);
    for (ChunkNode3ds* lChild = pChunk->mChildren.get(); lChild; lChild = lChild->mNext.get()) {
        const bool lIsLinear = lChild->mTag == Tag3ds::kLinColorF;
        int& lAt = lIsLinear ? lLinear : lPlain;
        if ((lChild->mTag != Tag3ds::kColorF && !lIsLinear) || lAt >= pCount) {
            continue;
        }
        const ChunkData3ds* lData = ReadChunkData3ds(ioKit, lChild);
        if (!lData) {
            return;
        }
        if (lIsLinear || !lOverridden[lAt]) {
            oColors[lAt] = {lData->mFloats[0], lData->mFloats[1], lData->mFloats[2]};
        }
        lOverridden[lAt] = lOverridden[lAt] || lIsLinear;
        ++lAt;
        ReleaseChunkData3ds(ioKit, lChild);
    }
}

void AddColorPair(ChunkNode3ds* pChunk, const Color3ds& pColor)
{
    AddColorChild3ds(pChunk, Tag3ds::kColorF, pColor);
    AddColorChild3ds(pChunk, Tag3ds::kLinColorF, pColor);
}

ChunkData3ds* ReplaceWithData(ChunkNode3ds* pParent, uint32_t pTag)
{
    return ResetChunkData3ds(ReplaceOrAddChildChunk3ds(pParent, pTag));
}

} // namespace

void InitMeshSettings3ds(std::unique_ptr<MeshSettings3ds>& ioSettings)
{
    ioSettings = std::make_unique<MeshSettings3ds>();
}

void ReleaseMeshSettings3ds(std::unique_ptr<MeshSettings3ds>& ioSettings)
{
    ioSettings.reset();
}

void GetMeshSettings3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                        std::unique_ptr<MeshSettings3ds>& ioSettings)
{
    ChunkNode3ds* lSection = ExistingSection(pDatabase);
    if (!lSection) {
        return;
    }
    InitMeshSettings3ds(ioSettings);
    for (ChunkNode3ds* lChild = lSection->mChildren.get(); lChild && !IsErrorPending3ds(ioKit);
         lChild = lChild->mNext.get()) {
        ReadSetting(ioKit, lChild, *ioSettings);
    }
}

void PutMeshSettings3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                        const MeshSettings3ds* pSettings)
{
    ChunkNode3ds* lSection = pSettings ? MeshSection3ds(ioKit, pDatabase) : nullptr;
    if (!pSettings) {
        PushError3ds(ioKit, ERR_INVALID_ARG);
    }
    if (!lSection) {
        return;
    }
    ReplaceWithData(lSection, Tag3ds::kMeshVersion);
    ReplaceWithData(lSection, Tag3ds::kMasterScale)->mFloats[0] = pSettings->mMasterScale;
    ReplaceWithData(lSection, Tag3ds::kShadowBias)->mFloats[0] = pSettings->mShadowBias;
    ReplaceWithData(lSection, Tag3ds::kShadowMapSize)->mInts[0] = pSettings->mShadowMapSize;
    ReplaceWithData(lSection, Tag3ds::kShadowFilter)->mFloats[0] = pSettings->mShadowFilter;
    ReplaceWithData(lSection, Tag3ds::kRayBias)->mFloats[0] = pSettings->mRayBias;
    AddColorPair(ReplaceOrAddChildChunk3ds(lSection, Tag3ds::kAmbientLight), pSettings->mAmbient);
    const Point3ds& p = pSettings->mConstruction;
    ReplaceWithData(lSection, Tag3ds::kConstructionPlane)->mFloats = {p.x, p.y, p.z};
}

void InitBackgroundSettings3ds(std::unique_ptr<BackgroundSettings3ds>& ioBackground)
{
    ioBackground = std::make_unique<BackgroundSettings3ds>();
}

void ReleaseBackgroundSettings3ds(std::unique_ptr<BackgroundSettings3ds>& ioBackground)
{
    ioBackground.reset();
}

void GetBackgroundSettings3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                              std::unique_ptr<BackgroundSettings3ds>& ioBackground)
{
    ChunkNode3ds* lSection = ExistingSection(pDatabase);
    if (!lSection) {
        return;
    }
    InitBackgroundSettings3ds(ioBackground);
    BackgroundSettings3ds& lBackground = *ioBackground;
    ChunkNode3ds* lBitmap = ChildOf3ds(lSection, Tag3ds::kBitmapBackground);
    if (const ChunkData3ds* lData = lBitmap ? ReadChunkData3ds(ioKit, lBitmap) : nullptr) {
        lBackground.mBitmap = lData->mStrings[0];
    }
    if (ChunkNode3ds* lSolid = ChildOf3ds(lSection, Tag3ds::kSolidBackground)) {
        ReadFloatColors(ioKit, lSolid, &lBackground.mSolid, 1);
    }
    ChunkNode3ds* lGradient = ChildOf3ds(lSection, Tag3ds::kGradientBackground);
    if (const ChunkData3ds* lData = lGradient ? ReadChunkData3ds(ioKit, lGradient) : nullptr) {
        lBackground.mGradientPosition = lData->mFloats[0];
        ReadFloatColors(ioKit, lGradient, lBackground.mGradient, 3);
    }
    for (ChunkNode3ds* lChild = lSection->mChildren.get(); lChild; lChild = lChild->mNext.get()) {
        const int lInUse =
            lChild->mTag == Tag3ds::kUseBitmapBackground     ? BackgroundSettings3ds::kBitmap
            : lChild->mTag == Tag3ds::kUseSolidBackground    ? BackgroundSettings3ds::kSolid
            : lChild->mTag == Tag3ds::kUseGradientBackground ? BackgroundSettings3ds::kGradient
                                                             : BackgroundSettings3ds::kNone;
        if (lInUse != BackgroundSettings3ds::kNone) {
            lBackground.mInUse = lInUse;
            break;
        }
    }
}

void PutBackgroundSettings3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                              const BackgroundSettings3ds* pBackground)
{
    ChunkNode3ds* lSection = pBackground ? MeshSection3ds(ioKit, pDatabase) : nullptr;
    if (!pBackground) {
        PushError3ds(ioKit, ERR_INVALID_ARG);
    }
    if (!lSection || !CheckName3ds(ioKit, pBackground->mBitmap, kBitmapBound)) {
        return;
    }
    ReplaceWithData(lSection, Tag3ds::kBitmapBackground)->mStrings[0] = pBackground->mBitmap;
    AddColorPair(ReplaceOrAddChildChunk3ds(lSection, Tag3ds::kSolidBackground),
                 pBackground->mSolid);
    ChunkNode3ds* lGradient = ReplaceOrAddChildChunk3ds(lSection, Tag3ds::kGradientBackground);
    ResetChunkData3ds(lGradient)->mFloats[0] = pBackground->mGradientPosition;
    for (const Color3ds& lColor : pBackground->mGradient) {
        AddColorPair(lGradient, lColor);
    }
    ChunkNode3ds* lMarker = nullptr;
    for (ChunkNode3ds* lChild = lSection->mChildren.get(); lChild && !lMarker;
         lChild = lChild->mNext.get()) {
        if (lChild->mTag == Tag3ds::kUseBitmapBackground ||
            lChild->mTag == Tag3ds::kUseSolidBackground ||
            lChild->mTag == Tag3ds::kUseGradientBackground) {
            lMarker = lChild;
        }
    }
    ClearChunk3ds(lMarker);
    if (lMarker) {
        pDatabase->mLastObject = nullptr;
    }
    static const uint16_t kMarkers[] = {0, Tag3ds::kUseSolidBackground,
                                        Tag3ds::kUseGradientBackground,
                                        Tag3ds::kUseBitmapBackground};
    const int lInUse = pBackground->mInUse;
    if (lInUse > BackgroundSettings3ds::kNone && lInUse <= BackgroundSettings3ds::kBitmap) {
        if (lMarker) {
            lMarker->mTag = kMarkers[lInUse];
        } else {
            AddEmptyChild3ds(lSection, kMarkers[lInUse]);
        }
    }
}
