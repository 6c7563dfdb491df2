#ifndef RYVKIT_PLUGIN_EXPORT_RYVVURNTEXTURERECORD_H
#define RYVKIT_PLUGIN_EXPORT_RYVVURNTEXTURERECORD_H

#include "platform/vurn/MObject.h"

#include <vector>

// What one exported material carries onto its geometry: the host shader, the kit material's
// index and mapping mode, and the (layer, kit texture index) pairs its textures were entered
// under, each with the host texture object (null for the empty pair of a shader without
// texture) and a count of how often it was entered again. Layer and texture index are kept
// apart, so no number of textures can make two pairs collide.
class RyvVurnTextureRecord
{
public:
    // Element mapping codes of the kit layers: by polygon, all the same.
    static constexpr int kMappingByPolygon = 3;
    static constexpr int kMappingAllSame = 4;

    struct Pair
    {
        int mLayer = 0;
        int mTexture = -1;
        int mCount = 0;
    };

    // The passes build records with threshold 0 and both modes "all the same"; the first mode
    // is also the material mapping the record starts with.
    explicit RyvVurnTextureRecord(int pThreshold = 0, int pMode1 = kMappingAllSame,
                                  int pMode2 = kMappingAllSame);

    // Marks the record in use and enters the pair; a pair already there is only counted again.
    void AddTexture(int pLayer, int pTexture, const MObject& pTextureObject);
    // The layer the host texture was entered on; -1 when it is not in the record.
    int FindLayerIndex(const MObject& pTextureObject) const;
    // oMode = the first mode; false when the record is unused or pair pIndex has no texture
    // object; true otherwise, with the second mode when that pair's count is below the threshold.
    bool GetMappingMode(int pIndex, int& oMode) const;

    bool IsInUse() const { return mInUse; }
    // The distinct layers in the order they were entered.
    const std::vector<int>& GetLayers() const { return mLayers; }
    const std::vector<Pair>& GetPairs() const { return mPairs; }
    // The kit texture index entered for pLayer (its first pair); -1 when none.
    int TextureOnLayer(int pLayer) const;
    // True when a pair names a kit texture (index 0 or above).
    bool HasTexture() const;

    void SetShader(const MObject& pShader) { mShader = pShader; }
    const MObject& GetShader() const { return mShader; }
    void SetMaterialIndex(int pIndex) { mMaterialIndex = pIndex; }
    int GetMaterialIndex() const { return mMaterialIndex; }
    void SetMaterialMapping(int pMode) { mMaterialMapping = pMode; }
    int GetMaterialMapping() const { return mMaterialMapping; }

private:
    int mThreshold;
    int mMode1;
    int mMode2;
    MObject mShader;
    bool mInUse = false;
    std::vector<int> mLayers;
    std::vector<Pair> mPairs;
    // One per pair, null for the empty pair.
    std::vector<MObject> mTextureObjects;
    int mMaterialIndex = -1;
    int mMaterialMapping = kMappingAllSame;
};

#endif
