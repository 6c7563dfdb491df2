#include "scene/objects/KRyvLayerContainer.h"

#include "scene/KRyvNode.h"
#include "scene/KRyvNodeProperties.h"
#include "scene/KRyvObject.h"
#include "scene/KRyvSceneEntity.h"
#include "scene/objects/KRyvMaterial.h"
#include "scene/objects/KRyvTexture.h"

#include <algorithm>
#include <cstring>
#include <set>

namespace {

// The pIndex-th source of the node's property block that is a property set of class TProps;
// with pIndex < 0, only counts them (oCount).
template <typename TProps> TProps* ConnectedPropertySet(KRyvNode* pNode, int pIndex, int& oCount)
{
    oCount = 0;
    KObject* lBlock = pNode ? pNode->GetProperties() : nullptr;
    if (!lBlock) {
        return nullptr;
    }
    for (int lSrc = 0; lSrc < lBlock->GetSrcCount(); ++lSrc) {
        KPlug* lPlug = lBlock->GetSrc(lSrc);
        if (lPlug && lPlug->IsA(TProps::ClassId())) {
            if (oCount == pIndex) {
                return static_cast<TProps*>(lPlug);
            }
            ++oCount;
        }
    }
    return nullptr;
}

template <typename TElement>
int IndexOfName(const TElement* pElement, const char* pPrefix, const char* pName)
{
    if (!pElement || !pName) {
        return -1;
    }
    KString lFullName;
    BuildObjectName(lFullName, pPrefix, pName);
    const auto& lDirect = pElement->GetDirectArray();
    for (std::size_t lIndex = 0; lIndex < lDirect.size(); ++lIndex) {
        if (lDirect[lIndex] &&
            std::strcmp(lDirect[lIndex]->GetName().Buffer(), lFullName.Buffer()) == 0) {
            return static_cast<int>(lIndex);
        }
    }
    return -1;
}

// Index mode counts the distinct indices, at most as many as are connected to the node.
template <typename TElement> int CountUsed(const TElement* pElement, int pConnected, bool pAttached)
{
    if (!pElement) {
        return 0;
    }
    if (pElement->GetReferenceMode() != KLayerElement::eIndex) {
        return static_cast<int>(pElement->GetDirectArray().size());
    }
    if (!pAttached) {
        return 0;
    }
    const std::set<int> lDistinct(pElement->GetIndexArray().begin(),
                                  pElement->GetIndexArray().end());
    return std::min(static_cast<int>(lDistinct.size()), pConnected);
}

bool CountsAsUse(const KLayerElement* pElement)
{
    return pElement && pElement->GetReferenceMode() != KLayerElement::eIndex;
}

// The pIndex-th object of an element: in index mode the object of the pIndex-th property set of
// its kind connected to the node, else the direct array's entry. Null when there is none.
template <typename TProps, typename TObject, typename TElement>
TObject* ElementObjectAt(const TElement* pElement, KRyvNode* pNode, int pIndex,
                         TObject* (TProps::*pObjectOf)() const)
{
    if (!pElement || pIndex < 0) {
        return nullptr;
    }
    if (pElement->GetReferenceMode() == KLayerElement::eIndex) {
        int lCount = 0;
        TProps* lSet = ConnectedPropertySet<TProps>(pNode, pIndex, lCount);
        return lSet ? (lSet->*pObjectOf)() : nullptr;
    }
    const std::vector<TObject*>& lDirect = pElement->GetDirectArray();
    return static_cast<std::size_t>(pIndex) < lDirect.size()
               ? lDirect[static_cast<std::size_t>(pIndex)]
               : nullptr;
}

} // namespace

KRyvLayerContainer::KRyvLayerContainer(KRyvObjectFactory* pFactory) : KRyvNodeAttribute(pFactory) {}

KRyvLayerContainer::~KRyvLayerContainer() = default;

KRyvLayerContainer& KRyvLayerContainer::operator=(const KRyvLayerContainer& pOther)
{
    if (this != &pOther) {
        CopyLayers(pOther);
        mControlPoints = pOther.mControlPoints;
    }
    return *this;
}

void KRyvLayerContainer::CopyLayers(const KRyvLayerContainer& pOther)
{
    if (this == &pOther) {
        return;
    }
    RemoveAllLayers();
    mLayers.reserve(pOther.mLayers.size());
    for (const auto& lLayer : pOther.mLayers) {
        mLayers.push_back(lLayer ? std::make_unique<KLayer>(*lLayer) : nullptr);
    }
}

void KRyvLayerContainer::InitControlPoints(int pCount)
{
    mControlPoints.clear();
    if (pCount > 0) {
        mControlPoints.resize(static_cast<std::size_t>(pCount));
    }
}

bool KRyvLayerContainer::SetControlPointAndNormal(int pIndex, const KVector4& pPoint,
                                                  const KVector4& pNormal)
{
    KLayer* lLayer = GetLayer(0);
    KLayerElementNormal* lNormals = lLayer ? lLayer->GetNormals() : nullptr;
    if (!lNormals || pIndex < 0) {
        return false;
    }
    const std::size_t lNeeded = static_cast<std::size_t>(pIndex) + 1;
    if (mControlPoints.size() < lNeeded) {
        mControlPoints.resize(lNeeded);
    }
    std::vector<KVector4>& lDirect = lNormals->GetDirectArray();
    if (lDirect.size() < lNeeded) {
        lDirect.resize(lNeeded);
    }
    mControlPoints[static_cast<std::size_t>(pIndex)] = pPoint;
    lDirect[static_cast<std::size_t>(pIndex)] = pNormal;
    return true;
}

int KRyvLayerContainer::CreateLayer()
{
    mLayers.push_back(std::make_unique<KLayer>());
    return static_cast<int>(mLayers.size()) - 1;
}

KLayer* KRyvLayerContainer::GetLayer(int pIndex)
{
    return const_cast<KLayer*>(static_cast<const KRyvLayerContainer*>(this)->GetLayer(pIndex));
}

const KLayer* KRyvLayerContainer::GetLayer(int pIndex) const
{
    if (pIndex < 0 || pIndex >= GetLayerCount()) {
        return nullptr;
    }
    return mLayers[static_cast<std::size_t>(pIndex)].get();
}

int KRyvLayerContainer::GetLayerCount(int pType) const
{
    int lCount = 0;
    for (const auto& lLayer : mLayers) {
        if (lLayer && lLayer->HasElement(pType)) {
            ++lCount;
        }
    }
    return lCount;
}

int KRyvLayerContainer::GetLayerIndexOfType(int pN, int pType) const
{
    int lSeen = 0;
    for (std::size_t lIndex = 0; lIndex < mLayers.size(); ++lIndex) {
        if (mLayers[lIndex] && mLayers[lIndex]->HasElement(pType)) {
            if (lSeen == pN) {
                return static_cast<int>(lIndex);
            }
            ++lSeen;
        }
    }
    return -1;
}

KLayer* KRyvLayerContainer::GetLayerOfType(int pN, int pType)
{
    return GetLayer(GetLayerIndexOfType(pN, pType));
}

void KRyvLayerContainer::RemoveAllLayers()
{
    while (!mLayers.empty()) {
        mLayers.pop_back();
    }
}

KVector4* KRyvLayerContainer::GetNormalsDirect()
{
    KLayer* lLayer = GetLayer(0);
    KLayerElementNormal* lNormals = lLayer ? lLayer->GetNormals() : nullptr;
    if (!lNormals || lNormals->GetDirectArray().empty()) {
        return nullptr;
    }
    return lNormals->GetDirectArray().data();
}

int KRyvLayerContainer::GetNormalsDirectCount() const
{
    const KLayer* lLayer = GetLayer(0);
    const KLayerElementNormal* lNormals = lLayer ? lLayer->GetNormals() : nullptr;
    return lNormals ? static_cast<int>(lNormals->GetDirectArray().size()) : 0;
}

void KRyvLayerContainer::InitNormals(int pCount)
{
    if (mLayers.empty()) {
        CreateLayer();
    } else if (!mLayers.front()) {
        mLayers.front() = std::make_unique<KLayer>();
    }
    KLayer* lLayer = mLayers.front().get();
    if (!lLayer->GetNormals()) {
        lLayer->SetNormals(std::make_unique<KLayerElementNormal>());
    }
    KLayerElementNormal* lNormals = lLayer->GetNormals();
    std::size_t lSize = mControlPoints.size();
    if (pCount < 1 || pCount == GetControlPointCount()) {
        lNormals->SetMappingMode(KLayerElement::eByControlPoint);
    } else {
        lNormals->SetMappingMode(KLayerElement::eByPolygonVertex);
        lSize = static_cast<std::size_t>(pCount);
    }
    lNormals->SetReferenceMode(KLayerElement::eDirect);
    lNormals->GetDirectArray().clear();
    lNormals->GetDirectArray().resize(lSize);
}

KLayer* KRyvLayerContainer::GetOrCreateLayer(int pLayer)
{
    if (pLayer < 0 || pLayer > kMaxLayerIndex) {
        return nullptr;
    }
    while (GetLayerCount() <= pLayer) {
        CreateLayer();
    }
    return mLayers[static_cast<std::size_t>(pLayer)].get();
}

int KRyvLayerContainer::AddTexture(KRyvTexture* pTexture, int pLayer)
{
    KLayer* lLayer = pTexture ? GetOrCreateLayer(pLayer) : nullptr;
    if (!lLayer) {
        return -1;
    }
    KLayerElementTexture* lElement = lLayer->GetTextures();
    if (!lElement) {
        lElement = lLayer->SetTextures(std::make_unique<KLayerElementTexture>());
    }
    std::vector<KRyvTexture*>& lDirect = lElement->GetDirectArray();
    const auto lFound = std::find(lDirect.begin(), lDirect.end(), pTexture);
    if (lFound != lDirect.end()) {
        return static_cast<int>(lFound - lDirect.begin());
    }
    if (mConnectionOwner) {
        mConnectionOwner->AddTexture(pTexture);
    }
    lDirect.push_back(pTexture);
    return static_cast<int>(lDirect.size()) - 1;
}

KRyvTexture* KRyvLayerContainer::GetTexture(int pIndex, int pLayer)
{
    KLayer* lLayer = GetLayer(pLayer);
    return ElementObjectAt(lLayer ? lLayer->GetTextures() : nullptr, GetNode(), pIndex,
                           &KRyvTextureProperties::GetTexture);
}

int KRyvLayerContainer::GetTextureIndex(const char* pName, int pLayer)
{
    KLayer* lLayer = GetLayer(pLayer);
    return IndexOfName(lLayer ? lLayer->GetTextures() : nullptr, "Texture::", pName);
}

int KRyvLayerContainer::AddMaterial(KRyvMaterial* pMaterial, int pLayer)
{
    KLayer* lLayer = pMaterial ? GetOrCreateLayer(pLayer) : nullptr;
    if (!lLayer) {
        return -1;
    }
    if (!lLayer->GetMaterials()) {
        lLayer->SetMaterials(std::make_unique<KLayerElementMaterial>());
    }
    std::vector<KRyvMaterial*>& lDirect = lLayer->GetMaterials()->GetDirectArray();
    if (std::find(lDirect.begin(), lDirect.end(), pMaterial) != lDirect.end()) {
        return -1;
    }
    if (mConnectionOwner) {
        mConnectionOwner->AddMaterial(pMaterial);
    }
    lDirect.push_back(pMaterial);
    return static_cast<int>(lDirect.size()) - 1;
}

KRyvMaterial* KRyvLayerContainer::GetMaterial(int pIndex, int pLayer)
{
    KLayer* lLayer = GetLayer(pLayer);
    return ElementObjectAt(lLayer ? lLayer->GetMaterials() : nullptr, GetNode(), pIndex,
                           &KRyvMaterialProperties::GetMaterial);
}

int KRyvLayerContainer::GetMaterialIndex(const char* pName, int pLayer)
{
    KLayer* lLayer = GetLayer(pLayer);
    return IndexOfName(lLayer ? lLayer->GetMaterials() : nullptr, "Material::", pName);
}

int KRyvLayerContainer::GetTextureCount(int pLayer) const
{
    const KLayer* lLayer = GetLayer(pLayer);
    return CountUsed(lLayer ? lLayer->GetTextures() : nullptr, CountConnectedToNode(true),
                     GetNode() != nullptr);
}

int KRyvLayerContainer::GetMaterialCount(int pLayer) const
{
    const KLayer* lLayer = GetLayer(pLayer);
    return CountUsed(lLayer ? lLayer->GetMaterials() : nullptr, CountConnectedToNode(false),
                     GetNode() != nullptr);
}

int KRyvLayerContainer::CountConnectedToNode(bool pTextures) const
{
    int lCount = 0;
    if (pTextures) {
        ConnectedPropertySet<KRyvTextureProperties>(GetNode(), -1, lCount);
    } else {
        ConnectedPropertySet<KRyvMaterialProperties>(GetNode(), -1, lCount);
    }
    return lCount;
}

void KRyvLayerContainer::SetConnectionOwner(KRyvSceneEntity* pOwner)
{
    if (pOwner == mConnectionOwner) {
        return;
    }
    ReleaseConnections();
    if (!pOwner) {
        return;
    }
    mConnectionOwner = pOwner;
    for (const auto& lLayer : mLayers) {
        if (!lLayer) {
            continue;
        }
        if (CountsAsUse(lLayer->GetMaterials())) {
            for (KRyvMaterial* lMaterial : lLayer->GetMaterials()->GetDirectArray()) {
                if (lMaterial) {
                    mConnectionOwner->AddMaterial(lMaterial);
                }
            }
        }
        if (CountsAsUse(lLayer->GetTextures())) {
            for (KRyvTexture* lTexture : lLayer->GetTextures()->GetDirectArray()) {
                if (lTexture) {
                    mConnectionOwner->AddTexture(lTexture);
                }
            }
        }
    }
}

void KRyvLayerContainer::ReleaseConnections()
{
    if (!mConnectionOwner) {
        return;
    }
    for (const auto& lLayer : mLayers) {
        if (!lLayer) {
            continue;
        }
        if (CountsAsUse(lLayer->GetMaterials())) {
            for (KRyvMaterial* lMaterial : lLayer->GetMaterials()->GetDirectArray()) {
                if (lMaterial) {
                    mConnectionOwner->RemoveMaterial(lMaterial);
                }
            }
        }
        if (CountsAsUse(lLayer->GetTextures())) {
            for (KRyvTexture* lTexture : lLayer->GetTextures()->GetDirectArray()) {
                if (lTexture) {
                    mConnectionOwner->RemoveTexture(lTexture);
                }
            }
        }
    }
    mConnectionOwner = nullptr;
}
