#include "scene/KRyvSceneGatherer.h"

#include "scene/KRyvNode.h"
#include "scene/KRyvSceneEntity.h"
#include "scene/objects/KLayer.h"
#include "scene/objects/KLayerElement.h"
#include "scene/objects/KRyvGobo.h"
#include "scene/objects/KRyvLayerContainer.h"
#include "scene/objects/KRyvLight.h"
#include "scene/objects/KRyvMaterial.h"
#include "scene/objects/KRyvTexture.h"
#include "scene/objects/KRyvVideo.h"

#include <algorithm>

namespace {

std::string NameOf(const KRyvObject* pObject)
{
    return pObject->GetName().Buffer();
}

} // namespace

KRyvSceneGatherer::KRyvSceneGatherer(KRyvSceneEntity* pReference) : mReference(pReference) {}

void KRyvSceneGatherer::SetSwitch(int pIndex, bool pValue)
{
    if (pIndex >= 0 && pIndex < eSwitchCount) {
        mSwitches[pIndex] = pValue;
    }
}

bool KRyvSceneGatherer::GetSwitch(int pIndex) const
{
    return pIndex >= 0 && pIndex < eSwitchCount && mSwitches[pIndex];
}

void KRyvSceneGatherer::Clear()
{
    ClearAccepted();
    mNodes = Kind<KRyvNode>();
    mMaterials = Kind<KRyvMaterial>();
    mTextures = Kind<KRyvTexture>();
    mVideos = Kind<KRyvVideo>();
    mGobos = Kind<KRyvGobo>();
}

void KRyvSceneGatherer::Visit(KRyvNode* pNode)
{
    if (pNode && pNode == GetRoot()) {
        IndexReference();
    }
    KRyvNodeVisitor::Visit(pNode);
}

void KRyvSceneGatherer::IndexReference()
{
    mReferenceNodes.clear();
    mReferenceMaterials.clear();
    mReferenceTextures.clear();
    mReferenceVideos.clear();
    mReferenceGobos.clear();
    if (!mReference) {
        return;
    }
    // Below the root only, as a search from the root finds them.
    if (KRyvNode* lRoot = mReference->GetRootNode()) {
        std::vector<KRyvNode*> lStack;
        for (int i = 0; i < lRoot->GetChildCount(); ++i) {
            lStack.push_back(lRoot->GetChild(i));
        }
        while (!lStack.empty()) {
            KRyvNode* lNode = lStack.back();
            lStack.pop_back();
            mReferenceNodes.emplace(NameOf(lNode), lNode);
            for (int i = 0; i < lNode->GetChildCount(); ++i) {
                lStack.push_back(lNode->GetChild(i));
            }
        }
    }
    for (int i = 0; i < mReference->GetMaterialCount(); ++i) {
        KRyvMaterial* lMaterial = mReference->GetMaterial(i);
        mReferenceMaterials.emplace(NameOf(lMaterial), lMaterial);
    }
    for (int i = 0; i < mReference->GetTextureCount(); ++i) {
        KRyvTexture* lTexture = mReference->GetTexture(i);
        mReferenceTextures.emplace(NameOf(lTexture), lTexture);
    }
    for (int i = 0; i < mReference->GetGoboCount(); ++i) {
        KRyvGobo* lGobo = mReference->GetGobo(i);
        mReferenceGobos.emplace(NameOf(lGobo), lGobo);
    }
    for (int i = 0; i < mReference->GetVideoCount(); ++i) {
        KRyvVideo* lVideo = mReference->GetVideo(i);
        mReferenceVideos.emplace(NameOf(lVideo), lVideo);
    }
}

bool KRyvSceneGatherer::HasOther(const NameIndex& pIndex, const std::string& pName,
                                 const void* pObject)
{
    const auto lRange = pIndex.equal_range(pName);
    return std::any_of(lRange.first, lRange.second,
                       [pObject](const auto& pEntry) { return pEntry.second != pObject; });
}

template <class T>
bool KRyvSceneGatherer::Gather(Kind<T>& ioKind, T* pObject, bool pSwitch,
                               const NameIndex& pReference, bool pCompareGathered)
{
    if (!pSwitch) {
        ioKind.mGathered.push_back(pObject);
        return false;
    }
    const std::string lName = NameOf(pObject);
    const bool lClash = HasOther(pReference, lName, pObject) ||
                        (pCompareGathered && HasOther(ioKind.mNames, lName, pObject));
    if (lClash) {
        ioKind.mClashing.push_back(pObject);
    }
    if (std::find(ioKind.mGathered.begin(), ioKind.mGathered.end(), pObject) ==
        ioKind.mGathered.end()) {
        ioKind.mGathered.push_back(pObject);
        ioKind.mNames.emplace(lName, pObject);
    }
    return lClash;
}

bool KRyvSceneGatherer::GatherGeometry(KRyvLayerContainer* pGeometry)
{
    bool lMaterialClash = false;
    bool lTextureClash = false;
    bool lVideoClash = false;
    const int lLayerCount = pGeometry->GetLayerCount();
    for (int lLayer = 0; lLayer < lLayerCount; ++lLayer) {
        const KLayer* lLayerObject = pGeometry->GetLayer(lLayer);
        const KLayerElementMaterial* lElement =
            lLayerObject ? lLayerObject->GetMaterials() : nullptr;
        if (!lElement || lElement->GetReferenceMode() == KLayerElement::eIndex) {
            continue;
        }
        for (int i = 0; i < pGeometry->GetMaterialCount(lLayer); ++i) {
            if (KRyvMaterial* lMaterial = pGeometry->GetMaterial(i, lLayer)) {
                lMaterialClash |= Gather(mMaterials, lMaterial, mSwitches[eMaterialNames],
                                         mReferenceMaterials, !lMaterialClash);
            }
        }
    }
    for (int lLayer = 0; lLayer < lLayerCount; ++lLayer) {
        for (int i = 0; i < pGeometry->GetTextureCount(lLayer); ++i) {
            if (KRyvTexture* lTexture = pGeometry->GetTexture(i, lLayer)) {
                lTextureClash |= Gather(mTextures, lTexture, mSwitches[eTextureNames],
                                        mReferenceTextures, !lTextureClash);
            }
        }
    }
    for (int lLayer = 0; lLayer < lLayerCount; ++lLayer) {
        for (int i = 0; i < pGeometry->GetTextureCount(lLayer); ++i) {
            KRyvTexture* lTexture = pGeometry->GetTexture(i, lLayer);
            if (KRyvVideo* lVideo = lTexture ? lTexture->GetVideo() : nullptr) {
                lVideoClash |=
                    Gather(mVideos, lVideo, mSwitches[eVideoNames], mReferenceVideos, !lVideoClash);
            }
        }
    }
    return lMaterialClash || lTextureClash;
}

bool KRyvSceneGatherer::Accept(KRyvNode* pNode)
{
    bool lClash = Gather(mNodes, pNode, mSwitches[eNodeNames], mReferenceNodes, true);
    if (auto* lGeometry = dynamic_cast<KRyvLayerContainer*>(pNode->GetGeometry())) {
        lClash |= GatherGeometry(lGeometry);
    } else if (auto* lLight = dynamic_cast<KRyvLight*>(pNode->GetLight())) {
        if (KRyvGobo* lGobo = lLight->GetGobo()) {
            lClash |= Gather(mGobos, lGobo, mSwitches[eGoboNames], mReferenceGobos, true);
        }
    }
    return lClash;
}
