#include "plugin/export/RyvVurnTextureRecord.h"

#include <algorithm>

RyvVurnTextureRecord::RyvVurnTextureRecord(int pThreshold, int pMode1, int pMode2)
    : mThreshold(pThreshold), mMode1(pMode1), mMode2(pMode2), mMaterialMapping(pMode1)
{
}

void RyvVurnTextureRecord::AddTexture(int pLayer, int pTexture, const MObject& pTextureObject)
{
    mInUse = true;
    if (std::find(mLayers.begin(), mLayers.end(), pLayer) == mLayers.end()) {
        mLayers.push_back(pLayer);
    }
    for (Pair& lPair : mPairs) {
        if (lPair.mLayer == pLayer && lPair.mTexture == pTexture) {
            ++lPair.mCount;
            return;
        }
    }
    mPairs.push_back({pLayer, pTexture, 0});
    mTextureObjects.push_back(pTextureObject);
}

int RyvVurnTextureRecord::FindLayerIndex(const MObject& pTextureObject) const
{
    if (pTextureObject.isNull()) {
        return -1;
    }
    for (size_t lIndex = 0; lIndex < mTextureObjects.size(); ++lIndex) {
        if (mTextureObjects[lIndex] == pTextureObject) {
            return mPairs[lIndex].mLayer;
        }
    }
    return -1;
}

bool RyvVurnTextureRecord::GetMappingMode(int pIndex, int& oMode) const
{
    oMode = mMode1;
    if (!mInUse || pIndex < 0 || static_cast<size_t>(pIndex) >= mTextureObjects.size() ||
        mTextureObjects[static_cast<size_t>(pIndex)].isNull()) {
        return false;
    }
    if (mPairs[static_cast<size_t>(pIndex)].mCount < mThreshold) {
        oMode = mMode2;
    }
    return true;
}

int RyvVurnTextureRecord::TextureOnLayer(int pLayer) const
{
    for (const Pair& lPair : mPairs) {
        if (lPair.mLayer == pLayer) {
            return lPair.mTexture;
        }
    }
    return -1;
}

bool RyvVurnTextureRecord::HasTexture() const
{
    return std::any_of(mPairs.begin(), mPairs.end(),
                       [](const Pair& pPair) { return pPair.mTexture >= 0; });
}
