#ifndef RYVKIT_FORMATS_GEOMETRY_3DS_TOOLKIT_MATERIAL3DS_H
#define RYVKIT_FORMATS_GEOMETRY_3DS_TOOLKIT_MATERIAL3DS_H

#include "formats/geometry/3ds/toolkit/ChunkTags3ds.h"
#include "formats/geometry/3ds/toolkit/Primitives3ds.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct ChunkDatabase3ds;
struct ChunkNode3ds;
struct Toolkit3dsContext;

// One texture-map slot. Percentages are fractions (1 = 100 %); an empty name leaves the slot
// unused. The tiling mode (1, 2, 3), the flags and the tint mode (0 to 4) are packed into the
// parameter word 0xA351.
struct TextureMap3ds
{
    std::string mName; // the map's file name: read whole, put at most 16 characters
    float mPercent = 0.0f;
    int32_t mTiling = 1;
    uint8_t mIgnoreAlpha = 0;        // bit 0x0100
    int32_t mFilter = 0;             // bit 0x0020
    float mBlur = 0.0f;              // 0xA353
    uint8_t mMirror = 0;             // bit 0x0002
    uint8_t mNegative = 0;           // bit 0x0008
    float mScale[2] = {1.0f, 1.0f};  // 0xA354, 0xA356
    float mOffset[2] = {0.0f, 0.0f}; // 0xA358, 0xA35A
    float mRotation = 0.0f;          // 0xA35C
    int32_t mTint = 0;
    Color3ds mTint1{0.0f, 0.0f, 0.0f}; // 0xA360
    Color3ds mTint2{1.0f, 1.0f, 1.0f}; // 0xA362
    Color3ds mTintR{1.0f, 0.0f, 0.0f}; // 0xA364
    Color3ds mTintG{0.0f, 1.0f, 0.0f}; // 0xA366
    Color3ds mTintB{0.0f, 0.0f, 1.0f}; // 0xA368
    std::vector<uint8_t> mExtra;       // the slot's extra block
};

struct Material3ds
{
    static constexpr int kMapSlots = 16;
    // The map chunk of each slot, and the chunk of its extra block (0 for none).
    static constexpr std::array<uint16_t, kMapSlots> kMapTags = {
        Tag3ds::kMatTexture1,      Tag3ds::kMatTexture1Mask,  Tag3ds::kMatTexture2,
        Tag3ds::kMatTexture2Mask,  Tag3ds::kMatOpacityMap,    Tag3ds::kMatOpacityMask,
        Tag3ds::kMatBumpMap,       Tag3ds::kMatBumpMask,      Tag3ds::kMatSpecularMap,
        Tag3ds::kMatSpecularMask,  Tag3ds::kMatShininessMap,  Tag3ds::kMatShininessMask,
        Tag3ds::kMatSelfIllumMap,  Tag3ds::kMatSelfIllumMask, Tag3ds::kMatReflectionMap,
        Tag3ds::kMatReflectionMask};
    static constexpr std::array<uint16_t, kMapSlots> kExtraTags = {Tag3ds::kMatTexture1Extra,
                                                                   Tag3ds::kMatTexture1MaskExtra,
                                                                   Tag3ds::kMatTexture2Extra,
                                                                   Tag3ds::kMatTexture2MaskExtra,
                                                                   Tag3ds::kMatOpacityExtra,
                                                                   Tag3ds::kMatOpacityMaskExtra,
                                                                   Tag3ds::kMatBumpExtra,
                                                                   Tag3ds::kMatBumpMaskExtra,
                                                                   Tag3ds::kMatSpecularExtra,
                                                                   Tag3ds::kMatSpecularMaskExtra,
                                                                   Tag3ds::kMatShininessExtra,
                                                                   Tag3ds::kMatShininessMaskExtra,
                                                                   Tag3ds::kMatSelfIllumExtra,
                                                                   Tag3ds::kMatSelfIllumMaskExtra,
                                                                   0,
                                                                   Tag3ds::kMatReflectionMaskExtra};
    // The data-less flag chunks, in the order of mFlags.
    static constexpr std::array<uint16_t, 9> kFlagTags = {
        Tag3ds::kMatUseRefBlur,    Tag3ds::kMatUseXpFall, Tag3ds::kMatTwoSided,
        Tag3ds::kMatSelfIllumFlag, Tag3ds::kMatDecal,     Tag3ds::kMatWire,
        Tag3ds::kMatWireAbsolute,  Tag3ds::kMatFaceMap,   Tag3ds::kMatPhongSoft};

    std::string mName; // at most 16 characters
    Color3ds mAmbient;
    Color3ds mDiffuse;
    Color3ds mSpecular;
    float mShininess = 0.0f;    // 0xA040
    float mShinStrength = 0.0f; // 0xA041
    float mBlur = 0.0f;         // 0xA053
    float mTransparency = 0.0f; // 0xA050
    float mTransFalloff = 0.0f; // 0xA052, signed
    float mSelfIllum = 0.0f;    // 0xA084
    float mWireSize = 1.0f;     // 0xA087
    int32_t mShading = 3;       // 0xA100
    std::array<uint8_t, 9> mFlags{};
    std::array<TextureMap3ds, kMapSlots> mMaps;
    // Chunk 0xA310.
    uint8_t mAutoReflInUse = 0;
    uint8_t mAutoReflFlags[2] = {0, 0};
    uint32_t mAutoReflSize = 100;
    uint32_t mAutoReflFrameStep = 1;
};

void InitMaterial3ds(std::unique_ptr<Material3ds>& ioMaterial);
void ReleaseMaterial3ds(std::unique_ptr<Material3ds>& ioMaterial);
uint32_t GetMaterialCount3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase);
// The index-th material of the material list; an index past the count changes nothing.
void GetMaterialByIndex3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase, uint32_t pIndex,
                           std::unique_ptr<Material3ds>& ioMaterial);
ChunkNode3ds* FindMaterialByName3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                                    const std::string& pName);
// Reads a 0xAFFF chunk (else ERR_INVALID_CHUNK). Children the record has no field for are
// skipped; a colour without any colour child is ERR_UNFOUND_CHUNK.
void ReadMaterial3ds(Toolkit3dsContext& ioKit, ChunkNode3ds* pChunk,
                     std::unique_ptr<Material3ds>& ioMaterial);
void ReadTextureMap3ds(Toolkit3dsContext& ioKit, ChunkNode3ds* pChunk, TextureMap3ds& oMap);
// Adds the map chunk pTag with the map's children under the material chunk, when the map's
// name is not empty; the map chunk or null.
ChunkNode3ds* PutTextureMap3ds(Toolkit3dsContext& ioKit, ChunkNode3ds* pMaterial, uint32_t pTag,
                               const TextureMap3ds& pMap);
// Writes the record as a material chunk, reusing one of the same name. Percentages are
// written rounded half up.
void PutMaterial3ds(Toolkit3dsContext& ioKit, ChunkDatabase3ds* pDatabase,
                    const Material3ds* pMaterial);
// The 0x0030 child times 0.01, else the 0x0031 child, else 0.
float ReadPercentage3ds(Toolkit3dsContext& ioKit, ChunkNode3ds* pChunk);

#endif
