#include "formats/geometry/3ds/K3dsWriteSession.h"

#include "formats/geometry/3ds/KStreamOptions3ds.h"
#include "scene/KRyvNode.h"
#include "scene/objects/KRyvMaterial.h"

void K3dsWriteFlags::FromOptions(const KStreamOptions3ds& pOptions)
{
    auto On = [&pOptions](int pIndex) { return pOptions.GetOptionValue(pIndex) == 1; };
    mTextureMapping = On(KStreamOptions3ds::kTextureMapping);
    mMaterials = On(KStreamOptions3ds::kMaterials);
    mAnim = On(KStreamOptions3ds::kAnim);
    mGeometries = On(KStreamOptions3ds::kGeometries);
    mLights = On(KStreamOptions3ds::kLights);
    mCamera = On(KStreamOptions3ds::kCamera);
    mAmbientLight = On(KStreamOptions3ds::kAmbientLight);
    mUVPerPolygon = On(KStreamOptions3ds::kUVPerPolygon);
    mReferenceNode = On(KStreamOptions3ds::kCreateReferenceNode);
    mRescale = On(KStreamOptions3ds::kRescale);
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
