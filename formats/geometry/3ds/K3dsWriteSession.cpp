#include "formats/geometry/3ds/K3dsWriteSession.h"

#include "formats/geometry/3ds/KStreamOptions3ds.h"
#include "scene/KRyvNode.h"
#include "scene/objects/KRyvMaterial.h"

void K3dsWriteFlags::FromOptions(const KStreamOptions3ds& pOptions)
{
    mTextureMapping = pOptions.IsOn(KStreamOptions3ds::kTextureMapping);
    mMaterials = pOptions.IsOn(KStreamOptions3ds::kMaterials);
    mAnim = pOptions.IsOn(KStreamOptions3ds::kAnim);
    mGeometries = pOptions.IsOn(KStreamOptions3ds::kGeometries);
    mLights = pOptions.IsOn(KStreamOptions3ds::kLights);
    mCamera = pOptions.IsOn(KStreamOptions3ds::kCamera);
    mAmbientLight = pOptions.IsOn(KStreamOptions3ds::kAmbientLight);
    mUVPerPolygon = pOptions.IsOn(KStreamOptions3ds::kUVPerPolygon);
    mReferenceNode = pOptions.IsOn(KStreamOptions3ds::kCreateReferenceNode);
    mRescale = pOptions.IsOn(KStreamOptions3ds::kRescale);
}

std::string K3dsWriteSession::NameOf(const KRyvNode* pNode) const
{
    const auto lFound = mNodeNames.find(pNode);
    return lFound != mNodeNames.end() ? lFound->second
                                      : std::string(pNode->GetNameWithoutPrefix().Buffer());
}

std::string K3dsWriteSession::NameOf(const KRyvMaterial* pMaterial) const
{
    const auto lFound = mMaterialNames.find(pMaterial);
    return lFound != mMaterialNames.end() ? lFound->second
                                          : std::string(pMaterial->GetNameWithoutPrefix().Buffer());
}

void K3dsWriteSession::Warn(const std::string& pText) const
{
    if (mMessage) {
        *mMessage += (pText + "\n").c_str();
    }
}
