#include "formats/geometry/3ds/toolkit/Material3ds.h"

#include "formats/geometry/3ds/toolkit/ChunkDatabase3ds.h"
#include "formats/geometry/3ds/toolkit/ObjectChunks3ds.h"
#include "formats/geometry/3ds/toolkit/Toolkit3dsContext.h"

#include <cmath>

namespace {

constexpr float kByteScale = 0.003921569f; // 1/255
constexpr float kPercent = 0.01f;
constexpr std::size_t kNameBound = 16;
constexpr int kReflectionSlot = 14;

// Map parameter bits.
constexpr uint32_t kDecal = 0x0001;
constexpr uint32_t kMirror = 0x0002;
constexpr uint32_t kNegative = 0x0008;
constexpr uint32_t kNoTile = 0x0010;
constexpr uint32_t kSummedArea = 0x0020;
constexpr uint32_t kAlphaTint = 0x0040;
constexpr uint32_t kTint = 0x0080;
constexpr uint32_t kIgnoreAlpha = 0x0100;
constexpr uint32_t kRgbTint = 0x0200;
constexpr uint32_t kAutoReflFirst = 0x0009;
constexpr uint32_t kAutoReflSecond = 0x0011;

// A fraction as a whole percentage, rounded half up, in 16 bits.
uint32_t PercentOf(float pFraction)
{
    const double lValue = std::floor(static_cast<double>(pFraction) * 100.0 + 0.5);
    return lValue <= 0.0 ? 0 : lValue >= 65535.0 ? 65535 : static_cast<uint32_t>(lValue);
}

uint32_t PackParams(const TextureMap3ds& pMap)
{
    uint32_t lWord = pMap.mTiling == 2 ? kDecal | kNoTile : pMap.mTiling == 3 ? kDecal : 0;
    lWord |= pMap.mFilter ? kSummedArea : 0;
    lWord |= pMap.mMirror ? kMirror : 0;
    lWord |= pMap.mNegative ? kNegative : 0;
    lWord |= pMap.mIgnoreAlpha ? kIgnoreAlpha : 0;
    static const uint32_t kTintBits[] = {0, kAlphaTint, kTint, kAlphaTint | kTint, kRgbTint};
    if (pMap.mTint >= 0 && pMap.mTint <= 4) {
        lWord |= kTintBits[pMap.mTint];
    }
    return lWord;
}

void UnpackParams(uint32_t pWord, TextureMap3ds& ioMap)
{
    const bool lDecal = pWord & kDecal;
    const bool lNoTile = pWord & kNoTile;
    ioMap.mTiling = lDecal && lNoTile ? 2 : lDecal ? 3 : 1;
    ioMap.mFilter = (pWord & kSummedArea) ? 1 : 0;
    ioMap.mMirror = (pWord & kMirror) ? 1 : 0;
    ioMap.mNegative = (pWord & kNegative) ? 1 : 0;
    ioMap.mIgnoreAlpha = (pWord & kIgnoreAlpha) ? 1 : 0;
    const bool lAlpha = pWord & kAlphaTint;
    const bool lTint = pWord & kTint;
    // An RGB tint wins over a lone alpha tint; the writer never sets both.
    ioMap.mTint = lAlpha && lTint ? 3 : lTint ? 2 : (pWord & kRgbTint) ? 4 : lAlpha ? 1 : 0;
}

void AddPercentChild(ChunkNode3ds* pParent, uint32_t pTag, float pFraction)
{
    ChunkNode3ds* lChunk = AddEmptyChild3ds(pParent, pTag);
    AddShortChild3ds(lChunk, Tag3ds::kIntPercentage, PercentOf(pFraction));
}

void AddColorPair(ChunkNode3ds* pParent, uint32_t pTag, const Color3ds& pColor)
{
    ChunkNode3ds* lChunk = AddEmptyChild3ds(pParent, pTag);
    AddColor24Child3ds(lChunk, Tag3ds::kColor24, pColor);
    AddColor24Child3ds(lChunk, Tag3ds::kLinColor24, pColor);
}

int SlotOf(uint32_t pTag, const std::array<uint16_t, Material3ds::kMapSlots>& pTags)
{
    for (int i = 0; i < Material3ds::kMapSlots; ++i) {
        if (pTags[i] == pTag && pTag != 0) {
            return i;
        }
    }
    return -1;
}

Color3ds* ColorField(Material3ds& ioMaterial, uint32_t pTag)
{
    return pTag == Tag3ds::kMatAmbient    ? &ioMaterial.mAmbient
           : pTag == Tag3ds::kMatDiffuse  ? &ioMaterial.mDiffuse
           : pTag == Tag3ds::kMatSpecular ? &ioMaterial.mSpecular
                                          : nullptr;
}

float* PercentField(Material3ds& ioMaterial, uint32_t pTag)
{
    switch (pTag) {
    case Tag3ds::kMatShininess:
        return &ioMaterial.mShininess;
    case Tag3ds::kMatShinStrength:
        return &ioMaterial.mShinStrength;
    case Tag3ds::kMatRefBlur:
        return &ioMaterial.mBlur;
    case Tag3ds::kMatTransparency:
        return &ioMaterial.mTransparency;
    case Tag3ds::kMatTransFalloff:
        return &ioMaterial.mTransFalloff;
    case Tag3ds::kMatSelfIllum:
        return &ioMaterial.mSelfIllum;
    default:
        return nullptr;
    }
}

// The value chunks of a material; false for a child the record has no field for.
bool ReadValueChild(Toolkit3dsContext& ioKit, ChunkNode3ds* pChild, Material3ds& ioMaterial)
{
    const uint32_t lTag = pChild->mTag;
    if (lTag != Tag3ds::kMatName && lTag != Tag3ds::kMatWireSize && lTag != Tag3ds::kMatShading &&
        lTag != Tag3ds::kMatAutoReflection && SlotOf(lTag, Material3ds::kExtraTags) < 0) {
        return false;
    }
    const ChunkData3ds* lData = ReadChunkData3ds(ioKit, pChild);
    if (!lData) {
        return true;
    }
    if (lTag == Tag3ds::kMatName) {
        ioMaterial.mName = lData->mStrings[0];
    } else if (lTag == Tag3ds::kMatWireSize) {
        ioMaterial.mWireSize = lData->mFloats[0];
    } else if (lTag == Tag3ds::kMatShading) {
        ioMaterial.mShading = static_cast<int16_t>(lData->mInts[0]);
    } else if (lTag == Tag3ds::kMatAutoReflection) {
        ioMaterial.mAutoReflInUse = 1;
        ioMaterial.mAutoReflFlags[0] = (lData->mInts[2] & kAutoReflFirst) == kAutoReflFirst;
        ioMaterial.mAutoReflFlags[1] = (lData->mInts[2] & kAutoReflSecond) == kAutoReflSecond;
        ioMaterial.mAutoReflSize = lData->mInts[3];
        ioMaterial.mAutoReflFrameStep = lData->mInts[4];
    } else {
        ioMaterial.mMaps[SlotOf(lTag, Material3ds::kExtraTags)].mExtra = lData->mBlock;
    }
    ReleaseChunkData3ds(ioKit, pChild);
    return true;
}

void ReadMaterialChild(Toolkit3dsContext& ioKit, ChunkNode3ds* pChild, Material3ds& ioMaterial)
{
    const uint32_t lTag = pChild->mTag;
    int lFlag = -1;
    for (std::size_t i = 0; i < Material3ds::kFlagTags.size(); ++i) {
        lFlag = Material3ds::kFlagTags[i] == lTag ? static_cast<int>(i) : lFlag;
    }
    const int lMap = SlotOf(lTag, Material3ds::kMapTags);
    if ((lTag >> 8) == 0x80 || lTag == Tag3ds::kMatShinStrength2 ||
        ReadValueChild(ioKit, pChild, ioMaterial)) {
        return;
    }
    if (Color3ds* lColor = ColorField(ioMaterial, lTag)) {
        if (!ReadColorChildren3ds(ioKit, pChild, kByteScale, *lColor) &&
            !IsErrorPending3ds(ioKit)) {
            PushError3ds(ioKit, ERR_UNFOUND_CHUNK);
        }
    } else if (float* lPercent = PercentField(ioMaterial, lTag)) {
        *lPercent = ReadPercentage3ds(ioKit, pChild);
    } else if (lTag == Tag3ds::kMatFalloffIn) {
        // The writer marks a negative falloff with this chunk, so it negates that falloff.
        ioMaterial.mTransFalloff = -ioMaterial.mTransFalloff;
    } else if (lMap >= 0) {
        ReadTextureMap3ds(ioKit, pChild, ioMaterial.mMaps[lMap]);
        ChunkNode3ds* lBump =
            lTag == Tag3ds::kMatBumpMap ? ChildOf3ds(pChild, Tag3ds::kMatBumpPercent) : nullptr;
        if (const ChunkData3ds* lData = lBump ? ReadChunkData3ds(ioKit, lBump) : nullptr) {
            ioMaterial.mMaps[lMap].mPercent = static_cast<float>(lData->mInts[0]) * kPercent;
        }
    } else if (lFlag >= 0) {
        ioMaterial.mFlags[lFlag] = 1;
        if (lTag == Tag3ds::kMatWire) {
            ioMaterial.mShading = 0;
        }
    }
}

// The map chunk's children in their order: percentage, name, parameters, then the values
// that differ from their defaults.
void PutMapChildren(ChunkNode3ds* pChunk, const TextureMap3ds& pMap)
{
    AddShortChild3ds(pChunk, Tag3ds::kIntPercentage, PercentOf(pMap.mPercent));
    AddStringChild3ds(pChunk, Tag3ds::kMatMapName, pMap.mName);
    AddShortChild3ds(pChunk, Tag3ds::kMatMapParams, PackParams(pMap));
    if (pMap.mScale[0] != 1.0f || pMap.mScale[1] != 1.0f) {
        AddFloatChild3ds(pChunk, Tag3ds::kMatMapScaleU, pMap.mScale[0]);
        AddFloatChild3ds(pChunk, Tag3ds::kMatMapScaleV, pMap.mScale[1]);
    }
    if (pMap.mOffset[0] != 0.0f || pMap.mOffset[1] != 0.0f) {
        AddFloatChild3ds(pChunk, Tag3ds::kMatMapOffsetU, pMap.mOffset[0]);
        AddFloatChild3ds(pChunk, Tag3ds::kMatMapOffsetV, pMap.mOffset[1]);
    }
    if (pMap.mRotation != 0.0f) {
        AddFloatChild3ds(pChunk, Tag3ds::kMatMapRotation, pMap.mRotation);
    }
    if (pMap.mBlur != 0.0f) {
        AddFloatChild3ds(pChunk, Tag3ds::kMatMapBlur, pMap.mBlur);
    }
    if (pMap.mTint == 2 || pMap.mTint == 3) {
        AddColor24Child3ds(pChunk, Tag3ds::kMatMapTint1, pMap.mTint1);
        AddColor24Child3ds(pChunk, Tag3ds::kMatMapTint2, pMap.mTint2);
    } else if (pMap.mTint == 4) {
        AddColor24Child3ds(pChunk, Tag3ds::kMatMapTintR, pMap.mTintR);
        AddColor24Child3ds(pChunk, Tag3ds::kMatMapTintG, pMap.mTintG);
        AddColor24Child3ds(pChunk, Tag3ds::kMatMapTintB, pMap.mTintB);
    }
}

void PutScalars(ChunkNode3ds* pChunk, const Material3ds& pMaterial)
{
    AddStringChild3ds(pChunk, Tag3ds::kMatName, pMaterial.mName);
    AddColorPair(pChunk, Tag3ds::kMatAmbient, pMaterial.mAmbient);
    AddColorPair(pChunk, Tag3ds::kMatDiffuse, pMaterial.mDiffuse);
    AddColorPair(pChunk, Tag3ds::kMatSpecular, pMaterial.mSpecular);
    AddPercentChild(pChunk, Tag3ds::kMatShininess, pMaterial.mShininess);
    AddPercentChild(pChunk, Tag3ds::kMatShinStrength, pMaterial.mShinStrength);
    AddPercentChild(pChunk, Tag3ds::kMatTransparency, pMaterial.mTransparency);
    AddPercentChild(pChunk, Tag3ds::kMatTransFalloff, std::fabs(pMaterial.mTransFalloff));
    if (pMaterial.mTransFalloff < 0.0f) {
        AddEmptyChild3ds(pChunk, Tag3ds::kMatFalloffIn);
    }
    AddPercentChild(pChunk, Tag3ds::kMatRefBlur, pMaterial.mBlur);
    AddShortChild3ds(pChunk, Tag3ds::kMatShading, static_cast<uint32_t>(pMaterial.mShading));
    AddPercentChild(pChunk, Tag3ds::kMatSelfIllum, pMaterial.mSelfIllum);
    if (pMaterial.mFlags[2]) {
        AddEmptyChild3ds(pChunk, Tag3ds::kMatTwoSided);
    }
    AddFloatChild3ds(pChunk, Tag3ds::kMatWireSize, pMaterial.mWireSize);
    // The remaining flags in their written order: 0xA250, 0xA240, 0xA080, 0xA083, 0xA085,
    // 0xA08E, 0xA088, 0xA08C.
    for (int lFlag : {0, 1, 3, 4, 5, 6, 7, 8}) {
        if (pMaterial.mFlags[lFlag]) {
            AddEmptyChild3ds(pChunk, Material3ds::kFlagTags[lFlag]);
        }
    }
}

void PutSlot(Toolkit3dsContext& ioKit, ChunkNode3ds* pChunk, const Material3ds& pMaterial,
             int pSlot)
{
    const TextureMap3ds& lMap = pMaterial.mMaps[pSlot];
    ChunkNode3ds* lMapChunk = PutTextureMap3ds(ioKit, pChunk, Material3ds::kMapTags[pSlot], lMap);
    if (lMapChunk && Material3ds::kMapTags[pSlot] == Tag3ds::kMatBumpMap) {
        AddShortChild3ds(lMapChunk, Tag3ds::kMatBumpPercent, PercentOf(lMap.mPercent));
    }
    if (lMapChunk && !lMap.mExtra.empty()) {
        AddDataChild3ds(pChunk, Material3ds::kExtraTags[pSlot])->mBlock = lMap.mExtra;
    }
}

void PutMaps(Toolkit3dsContext& ioKit, ChunkNode3ds* pChunk, const Material3ds& pMaterial)
{
    for (int i = 0; i < kReflectionSlot; ++i) {
        PutSlot(ioKit, pChunk, pMaterial, i);
    }
    const TextureMap3ds& lReflection = pMaterial.mMaps[kReflectionSlot];
    if (!lReflection.mName.empty() || pMaterial.mAutoReflInUse) {
        ChunkNode3ds* lMapChunk = AddEmptyChild3ds(pChunk, Tag3ds::kMatReflectionMap);
        AddShortChild3ds(lMapChunk, Tag3ds::kIntPercentage, PercentOf(lReflection.mPercent));
        AddStringChild3ds(lMapChunk, Tag3ds::kMatMapName, lReflection.mName);
    }
    PutSlot(ioKit, pChunk, pMaterial, Material3ds::kMapSlots - 1);
    if (pMaterial.mAutoReflInUse) {
        uint32_t lWord = pMaterial.mAutoReflFlags[0] ? kAutoReflFirst : 1;
        lWord |= pMaterial.mAutoReflFlags[1] ? kAutoReflSecond : 0;
        AddDataChild3ds(pChunk, Tag3ds::kMatAutoReflection)->mInts = {
            0, 0, lWord, pMaterial.mAutoReflSize, pMaterial.mAutoReflFrameStep};
    }
}

bool NamesFit(Toolkit3dsContext& ioKit, const Material3ds& pMaterial)
{
    bool lFit = CheckName3ds(ioKit, pMaterial.mName, kNameBound);
    for (const TextureMap3ds& lMap : pMaterial.mMaps) {
        lFit = lFit && CheckName3ds(ioKit, lMap.mName, kNameBound);
    }
    return lFit;
}

} // namespace

void InitMaterial3ds(std::unique_ptr<Material3ds>& ioMaterial)
{
    ioMaterial = std::make_unique<Material3ds>();
}

void ReleaseMaterial3ds(std::unique_ptr<Material3ds>& ioMaterial)
{
    ioMaterial.reset();
}

uint32_t GetMaterialCount3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase)
{
    if (!pDatabase || !pDatabase->mTopChunk) {
        return 0;
    }
    return static_cast<uint32_t>(MaterialList3ds(ioKit, pDatabase).size());
}

void GetMaterialByIndex3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase, uint32_t pIndex,
                           std::unique_ptr<Material3ds>& ioMaterial)
{
    if (!pDatabase || !pDatabase->mTopChunk) {
        PushError3ds(ioKit, pDatabase ? ERR_INVALID_DATABASE : ERR_INVALID_ARG);
        return;
    }
    if (GetDatabaseKind3ds(pDatabase) == kUnknownDatabase3ds) {
        PushError3ds(ioKit, ERR_WRONG_DATABASE);
        return;
    }
    const std::vector<NameEntry3ds>& lList = MaterialList3ds(ioKit, pDatabase);
    if (pIndex < lList.size()) {
        ReadMaterial3ds(ioKit, lList[pIndex].mChunk, ioMaterial);
    }
}

ChunkNode3ds* FindMaterialByName3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                                    const std::string& pName)
{
    if (!pDatabase || !pDatabase->mTopChunk) {
        PushError3ds(ioKit, pDatabase ? ERR_INVALID_DATABASE : ERR_INVALID_ARG);
        return nullptr;
    }
    if (GetDatabaseKind3ds(pDatabase) == kUnknownDatabase3ds) {
        PushError3ds(ioKit, ERR_WRONG_DATABASE);
        return nullptr;
    }
    for (const NameEntry3ds& lEntry : MaterialList3ds(ioKit, pDatabase)) {
        if (lEntry.mName == pName) {
            return lEntry.mChunk;
        }
    }
    return nullptr;
}

void ReadMaterial3ds(Toolkit3dsContext& ioKit, ChunkNode3ds* pChunk,
                     std::unique_ptr<Material3ds>& ioMaterial)
{
    if (!pChunk) {
        PushError3ds(ioKit, ERR_INVALID_ARG);
        return;
    }
    if (pChunk->mTag != Tag3ds::kMatEntry) {
        PushError3ds(ioKit, ERR_INVALID_CHUNK);
        return;
    }
    InitMaterial3ds(ioMaterial);
    for (ChunkNode3ds* lChild = pChunk->mChildren.get(); lChild && !IsErrorPending3ds(ioKit);
         lChild = lChild->mNext.get()) {
        ReadMaterialChild(ioKit, lChild, *ioMaterial);
    }
}

void ReadTextureMap3ds(Toolkit3dsContext& ioKit, ChunkNode3ds* pChunk, TextureMap3ds& oMap)
{
    for (ChunkNode3ds* lChild = pChunk ? pChunk->mChildren.get() : nullptr;
         lChild && !IsErrorPending3ds(ioKit); lChild = lChild->mNext.get()) {
        const uint32_t lTag = lChild->mTag;
        if (lTag == Tag3ds::kIntPercentage || lTag == Tag3ds::kFloatPercentage) {
            const ChunkData3ds* lData = ReadChunkData3ds(ioKit, lChild);
            if (!lData) {
                return;
            }
            oMap.mPercent =
                lTag == Tag3ds::kIntPercentage ? lData->mInts[0] * kPercent : lData->mFloats[0];
            ReleaseChunkData3ds(ioKit, lChild);
            continue;
        }
        if (lTag != Tag3ds::kMatMapName && lTag != Tag3ds::kMatMapParams &&
            (lTag < Tag3ds::kMatMapBlur || lTag > Tag3ds::kMatMapTintB)) {
            continue;
        }
        const ChunkData3ds* lData = ReadChunkData3ds(ioKit, lChild);
        if (!lData) {
            return;
        }
        const float lFloat = lData->mFloats.empty() ? 0.0f : lData->mFloats[0];
        const Color3ds lColor = lData->mInts.size() == 3 ? Color3ds{lData->mInts[0] * kByteScale,
                                                                    lData->mInts[1] * kByteScale,
                                                                    lData->mInts[2] * kByteScale}
                                                         : Color3ds();
        switch (lTag) {
        case Tag3ds::kMatMapName:
            oMap.mName = lData->mStrings[0];
            break;
        case Tag3ds::kMatMapParams:
            UnpackParams(lData->mInts[0], oMap);
            break;
        case Tag3ds::kMatMapBlur:
            oMap.mBlur = lFloat;
            break;
        case Tag3ds::kMatMapScaleU:
            oMap.mScale[0] = lFloat;
            break;
        case Tag3ds::kMatMapScaleV:
            oMap.mScale[1] = lFloat;
            break;
        case Tag3ds::kMatMapOffsetU:
            oMap.mOffset[0] = lFloat;
            break;
        case Tag3ds::kMatMapOffsetV:
            oMap.mOffset[1] = lFloat;
            break;
        case Tag3ds::kMatMapRotation:
            oMap.mRotation = lFloat;
            break;
        case Tag3ds::kMatMapTint1:
            oMap.mTint1 = lColor;
            break;
        case Tag3ds::kMatMapTint2:
            oMap.mTint2 = lColor;
            break;
        case Tag3ds::kMatMapTintR:
            oMap.mTintR = lColor;
            break;
        case Tag3ds::kMatMapTintG:
            oMap.mTintG = lColor;
            break;
        case Tag3ds::kMatMapTintB:
            oMap.mTintB = lColor;
            break;
        default:
            break;
        }
        ReleaseChunkData3ds(ioKit, lChild);
    }
}

ChunkNode3ds* PutTextureMap3ds(Toolkit3dsContext& ioKit, ChunkNode3ds* pMaterial, uint32_t pTag,
                               const TextureMap3ds& pMap)
{
    if (!pMaterial) {
        PushError3ds(ioKit, ERR_INVALID_ARG);
        return nullptr;
    }
    if (pMap.mName.empty() || !CheckName3ds(ioKit, pMap.mName, kNameBound)) {
        return nullptr;
    }
    ChunkNode3ds* lChunk = AddEmptyChild3ds(pMaterial, pTag);
    PutMapChildren(lChunk, pMap);
    return lChunk;
}

void PutMaterial3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                    const Material3ds* pMaterial)
{
    if (!pDatabase || !pMaterial) {
        PushError3ds(ioKit, ERR_INVALID_ARG);
        return;
    }
    if (!pDatabase->mTopChunk) {
        PushError3ds(ioKit, ERR_INVALID_DATABASE);
        return;
    }
    const int lKind = GetDatabaseKind3ds(pDatabase);
    if (lKind == kUnknownDatabase3ds) {
        PushError3ds(ioKit, ERR_WRONG_DATABASE);
        return;
    }
    if (!NamesFit(ioKit, *pMaterial)) {
        return;
    }
    ChunkNode3ds* lSection =
        lKind == kMaterialFile3ds ? pDatabase->mTopChunk.get() : MeshSection3ds(ioKit, pDatabase);
    ChunkNode3ds* lChunk = FindMaterialByName3ds(ioKit, pDatabase, pMaterial->mName);
    if (lChunk) {
        // The list keeps its entry: the same chunk under the same name.
        ClearChunk3ds(lChunk);
        lChunk->mTag = Tag3ds::kMatEntry;
    } else {
        lChunk = AddEmptyChild3ds(lSection, Tag3ds::kMatEntry);
        NoteMaterialAdded3ds(pDatabase, pMaterial->mName, lChunk);
    }
    PutScalars(lChunk, *pMaterial);
    PutMaps(ioKit, lChunk, *pMaterial);
}

float ReadPercentage3ds(Toolkit3dsContext& ioKit, ChunkNode3ds* pChunk)
{
    ChunkNode3ds* lInt = ChildOf3ds(pChunk, Tag3ds::kIntPercentage);
    ChunkNode3ds* lFloat = lInt ? nullptr : ChildOf3ds(pChunk, Tag3ds::kFloatPercentage);
    const ChunkData3ds* lData = lInt     ? ReadChunkData3ds(ioKit, lInt)
                                : lFloat ? ReadChunkData3ds(ioKit, lFloat)
                                         : nullptr;
    if (!lData) {
        return 0.0f;
    }
    const float lValue = lInt ? lData->mInts[0] * kPercent : lData->mFloats[0];
    ReleaseChunkData3ds(ioKit, lInt ? lInt : lFloat);
    return lValue;
}
