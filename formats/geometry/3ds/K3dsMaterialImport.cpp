#include "formats/geometry/3ds/K3dsMaterialImport.h"

#include "core/KColor.h"
#include "core/KFileUtils.h"
#include "core/KMediaCopy.h"
#include "core/KQuotedValue.h"
#include "formats/geometry/3ds/K3dsAxes.h"
#include "formats/geometry/3ds/K3dsSpecular.h"
#include "formats/geometry/3ds/toolkit/Material3ds.h"
#include "io/KReadRollback.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/objects/KRyvMaterial.h"
#include "scene/objects/KRyvTexture.h"

#include <algorithm>
#include <cmath>

namespace {

// The map slots of maps 1 and 2 in Material3ds::kMapTags.
constexpr int kMap1Slot = 0;
constexpr int kMap2Slot = 2;
constexpr double kDegreesToRadians = 0.017453292519943295;

KColor ColorOf(const Color3ds& pColor, double pFactor = 1.0)
{
    return KColor(pColor.r * pFactor, pColor.g * pFactor, pColor.b * pFactor);
}

} // namespace

bool K3dsMaterialImport::Add(const Material3ds& pMaterial, int pIndex, bool pTextureMapping)
{
    KRyvMaterial* lMaterial =
        mRollback.AddMaterial(mFactory->CreateMaterial(pMaterial.mName.c_str()));
    if (!lMaterial) {
        return false;
    }
    K3dsMaterialEntry lEntry;
    lEntry.mMaterial = lMaterial;
    const TextureMap3ds& lMap1 = pMaterial.mMaps[kMap1Slot];
    const TextureMap3ds& lMap2 = pMaterial.mMaps[kMap2Slot];
    if (pTextureMapping && !lMap1.mName.empty()) {
        lEntry.mTexture1 = MakeTexture(lMap1, pIndex, "");
        if (lEntry.mTexture1) {
            // A map at full strength does not use the material's colour.
            lEntry.mTexture1->SetMaterialUse(lMap1.mPercent < 1.0f ? 1 : 0);
        }
        if (!lMap2.mName.empty()) {
            lEntry.mTexture2 = MakeTexture(lMap2, pIndex, ".2");
        }
    }
    lMaterial->SetAmbientColor(ColorOf(pMaterial.mAmbient));
    lMaterial->SetDiffuseColor(ColorOf(pMaterial.mDiffuse));
    K3dsSpecular(pMaterial.mSpecular, pMaterial.mShinStrength).Keep(*lMaterial);
    lMaterial->SetEmissiveColor(ColorOf(pMaterial.mDiffuse, pMaterial.mSelfIllum));
    lMaterial->SetShininess(std::min(1.0, 2.0 * pMaterial.mShininess));
    lMaterial->SetOpacity(1.0 - pMaterial.mTransparency);
    mEntries.emplace(pMaterial.mName, lEntry);
    return true;
}

const K3dsMaterialEntry* K3dsMaterialImport::Find(const std::string& pName) const
{
    const auto lFound = mEntries.find(pName);
    return lFound == mEntries.end() ? nullptr : &lFound->second;
}

KRyvTexture* K3dsMaterialImport::MakeTexture(const TextureMap3ds& pMap, int pIndex,
                                             const char* pSuffix)
{
    std::string lName = pMap.mName;
    if (mFactory->FindTexture(lName.c_str())) {
        lName += "-" + std::to_string(pIndex) + pSuffix;
    }
    KRyvTexture* lTexture = mRollback.AddTexture(mFactory->CreateTexture(lName.c_str()));
    if (!lTexture) {
        mMessage +=
            ("Unable to load texture file: " + std::string(KValuePrefix(pMap.mName)) + " .\n")
                .c_str();
        return nullptr;
    }
    const std::string lOnDisk = KMediaCopy::Locate(mFolder.c_str(), pMap.mName.c_str());
    lTexture->SetFileName(MakeAbsolutePath(mFolder.c_str(), lOnDisk.c_str()).Buffer());
    lTexture->SetRelativeFileName(lOnDisk.c_str());
    lTexture->SetDefaultAlpha(pMap.mPercent);
    lTexture->SetBlendMode(KRyvTexture::eTranslucent);
    Place(pMap, *lTexture);
    return lTexture;
}

void K3dsMaterialImport::Place(const TextureMap3ds& pMap, KRyvTexture& ioTexture)
{
    const double su = K3dsAxes::UsableMapScale(pMap.mScale[0]);
    const double sv = K3dsAxes::UsableMapScale(pMap.mScale[1]);
    const double ou = pMap.mOffset[0];
    const double ov = pMap.mOffset[1];
    const double r = pMap.mRotation;
    if (r == 0.0) {
        ioTexture.SetTranslation(-su * ((1.0 - 1.0 / su) * 0.5 + ou),
                                 -sv * ((1.0 - 1.0 / sv) * 0.5 - ov));
    } else {
        const double x = -su * (ou + 0.5);
        const double y = -sv * (0.5 - ov);
        const double c = std::cos(-r * kDegreesToRadians);
        const double s = std::sin(-r * kDegreesToRadians);
        ioTexture.SetTranslation(x * c - y * s + 0.5, x * s + y * c + 0.5);
        ioTexture.SetRotation(0.0, 0.0, -r);
    }
    ioTexture.SetScale(su, sv);
    const int lWrap =
        pMap.mTiling != K3dsAxes::kTilingRepeat ? KRyvTexture::eClamp : KRyvTexture::eRepeat;
    ioTexture.SetWrapMode(lWrap, lWrap);
}
