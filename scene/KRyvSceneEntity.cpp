#include "scene/KRyvSceneEntity.h"

#include "scene/KRyvNode.h"
#include "scene/KRyvNodeAttribute.h"
#include "scene/KRyvSameNames.h"
#include "scene/objects/KRyvDeformer.h"
#include "scene/objects/KRyvGenericNode.h"
#include "scene/objects/KRyvGeometry.h"
#include "scene/objects/KRyvGobo.h"
#include "scene/objects/KRyvMaterial.h"
#include "scene/objects/KRyvTexture.h"
#include "scene/objects/KRyvVideo.h"

#include <algorithm>
#include <new>

namespace {

// Codes 14 to 18 are raised by generic nodes and deformers and carry no text; 16 is unused.
const char* const kEntityErrorTable[KRyvSceneEntity::kErrorCount] = {
    "Node is null.",
    "Node is already owned by the entity.",
    "Node does not belong to the entity.",
    "Parameter is out of range.",
    "Material still in use.",
    "Material not found.",
    "Texture still in use.",
    "Texture not found.",
    "Gobo still in use.",
    "Gobo not found.",
    "Gobo name clash.",
    "Video still in use.",
    "Video not found.",
    "Video name clash.",
    "",
    "",
    "",
    "",
    "",
};

} // namespace

KRyvSceneEntity::KRyvSceneEntity() : mError(kEntityErrorTable, kErrorCount) {}

KRyvSceneEntity::KRyvSceneEntity(KRyvObjectFactory* pFactory) : KRyvSceneEntity()
{
    if (KRyvNode* lRoot = pFactory ? pFactory->CreateNode("RootNode") : nullptr) {
        try {
            lRoot->SetScene(this, 1);
        } catch (const std::bad_alloc&) {
            // The factory would keep a root no scene holds.
            pFactory->DestroyNode(lRoot, false);
            throw;
        }
    }
}

KRyvSceneEntity::~KRyvSceneEntity()
{
    Clear();
}

// ---------------------------------------------------------------------------------------------
// Nodes

KRyvNode* KRyvSceneEntity::GetNode(int pIndex)
{
    KRyvNode* lNode = mNodes.Get(pIndex);
    if (!lNode) {
        mError.SetLastErrorID(kParameterOutOfRange);
    }
    return lNode;
}

bool KRyvSceneEntity::AddNode(KRyvNode* pNode)
{
    if (!pNode) {
        mError.SetLastErrorID(kNodeIsNull);
        return false;
    }
    if (HasNode(pNode)) {
        mError.SetLastErrorID(kNodeAlreadyOwned);
        return false;
    }
    // A node lists in one content at a time and links to it, so that destroying it unlists it
    // and a content never lists a dead node.
    if (pNode->mScene && pNode->mScene != this) {
        pNode->mScene->RemoveNode(pNode);
    }
    mNodes.Add(pNode);
    pNode->mScene = this;
    return true;
}

bool KRyvSceneEntity::RemoveNode(KRyvNode* pNode)
{
    if (!pNode) {
        mError.SetLastErrorID(kNodeIsNull);
        return false;
    }
    if (!mNodes.Remove(pNode)) {
        mError.SetLastErrorID(kNodeNotInEntity);
        return false;
    }
    if (mRoot == pNode) {
        mRoot = nullptr;
    }
    // The node must never reach this content again: it may outlive it.
    if (pNode->mScene == this) {
        pNode->mScene = nullptr;
    }
    return true;
}

void KRyvSceneEntity::GetNodesByAttributeType(std::vector<KRyvNode*>& ioNodes, int pType,
                                              bool pRecursive)
{
    ioNodes.clear();
    auto lMatches = [pType](const KRyvNode* pNode) {
        const KRyvNodeAttribute* lAttribute = pNode->GetNodeAttribute();
        return lAttribute && lAttribute->GetAttributeType() == pType;
    };
    if (!pRecursive) {
        mNodes.FindIf([&](KRyvNode* pNode) {
            if (lMatches(pNode)) {
                ioNodes.push_back(pNode);
            }
            return false;
        });
        return;
    }
    // Depth first with an explicit stack: trees from files can be deep.
    std::vector<KRyvNode*> lStack;
    if (mRoot) {
        lStack.push_back(mRoot);
    }
    while (!lStack.empty()) {
        KRyvNode* lNode = lStack.back();
        lStack.pop_back();
        if (lMatches(lNode)) {
            ioNodes.push_back(lNode);
        }
        for (int i = lNode->GetChildCount() - 1; i >= 0; --i) {
            if (KRyvNode* lChild = lNode->GetChild(i)) {
                lStack.push_back(lChild);
            }
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Use-counted lists

template <class T> T* KRyvSceneEntity::GetAt(const Records<T>& pRecords, int pIndex)
{
    if (pIndex < 0 || pIndex >= static_cast<int>(pRecords.size())) {
        mError.SetLastErrorID(kParameterOutOfRange);
        return nullptr;
    }
    return pRecords[static_cast<std::size_t>(pIndex)].mObject;
}

template <class T>
T* KRyvSceneEntity::FindByName(const Records<T>& pRecords, const char* pName) const
{
    if (!pName) {
        return nullptr;
    }
    for (const Record<T>& lRecord : pRecords) {
        if (lRecord.mObject->GetName() == pName) {
            return lRecord.mObject;
        }
    }
    return nullptr;
}

template <class T>
T* KRyvSceneEntity::FindOrReport(const Records<T>& pRecords, const char* pName, int pNotFoundCode)
{
    T* lFound = FindByName(pRecords, pName);
    if (!lFound) {
        mError.SetLastErrorID(pNotFoundCode);
    }
    return lFound;
}

template <class T> bool KRyvSceneEntity::AddUse(Records<T>& ioRecords, T* pObject, int pClashCode)
{
    if (!pObject) {
        return false;
    }
    for (Record<T>& lRecord : ioRecords) {
        if (lRecord.mObject == pObject) {
            ++lRecord.mCount;
            return true;
        }
        if (pClashCode >= 0 && lRecord.mObject->GetName() == pObject->GetName()) {
            mError.SetLastErrorID(pClashCode);
            return false;
        }
    }
    ioRecords.push_back(Record<T>{pObject, 1});
    return true;
}

template <class T>
bool KRyvSceneEntity::RemoveUse(Records<T>& ioRecords, T* pObject, int pStillInUseCode,
                                int pNotFoundCode)
{
    for (auto lRecord = ioRecords.begin(); lRecord != ioRecords.end(); ++lRecord) {
        if (lRecord->mObject != pObject) {
            continue;
        }
        if (--lRecord->mCount > 0) {
            mError.SetLastErrorID(pStillInUseCode);
            return false;
        }
        ioRecords.erase(lRecord);
        return true;
    }
    mError.SetLastErrorID(pNotFoundCode);
    return false;
}

KRyvMaterial* KRyvSceneEntity::GetMaterial(int pIndex)
{
    return GetAt(mMaterials, pIndex);
}

KRyvMaterial* KRyvSceneEntity::FindMaterial(const char* pName)
{
    return FindOrReport(mMaterials, pName, kMaterialNotFound);
}

bool KRyvSceneEntity::AddMaterial(KRyvMaterial* pMaterial)
{
    return AddUse(mMaterials, pMaterial);
}

bool KRyvSceneEntity::RemoveMaterial(KRyvMaterial* pMaterial)
{
    return RemoveUse(mMaterials, pMaterial, kMaterialStillInUse, kMaterialNotFound);
}

KRyvTexture* KRyvSceneEntity::GetTexture(int pIndex)
{
    return GetAt(mTextures, pIndex);
}

KRyvTexture* KRyvSceneEntity::FindTexture(const char* pName)
{
    return FindOrReport(mTextures, pName, kTextureNotFound);
}

bool KRyvSceneEntity::AddTexture(KRyvTexture* pTexture)
{
    return AddUse(mTextures, pTexture);
}

bool KRyvSceneEntity::RemoveTexture(KRyvTexture* pTexture)
{
    return RemoveUse(mTextures, pTexture, kTextureStillInUse, kTextureNotFound);
}

KRyvGobo* KRyvSceneEntity::GetGobo(int pIndex)
{
    return GetAt(mGobos, pIndex);
}

bool KRyvSceneEntity::AddGobo(KRyvGobo* pGobo)
{
    return AddUse(mGobos, pGobo, kGoboNameClash);
}

bool KRyvSceneEntity::RemoveGobo(KRyvGobo* pGobo)
{
    return RemoveUse(mGobos, pGobo, kGoboStillInUse, kGoboNotFound);
}

KRyvVideo* KRyvSceneEntity::GetVideo(int pIndex)
{
    return GetAt(mVideos, pIndex);
}

KRyvVideo* KRyvSceneEntity::FindVideo(const char* pName)
{
    return FindOrReport(mVideos, pName, kVideoNotFound);
}

bool KRyvSceneEntity::AddVideo(KRyvVideo* pVideo)
{
    return AddUse(mVideos, pVideo, kVideoNameClash);
}

bool KRyvSceneEntity::RemoveVideo(KRyvVideo* pVideo)
{
    return RemoveUse(mVideos, pVideo, kVideoStillInUse, kVideoNotFound);
}

KRyvGenericNode* KRyvSceneEntity::GetGenericNode(int pIndex)
{
    return GetAt(mGenericNodes, pIndex);
}

KRyvGenericNode* KRyvSceneEntity::FindGenericNode(const char* pName)
{
    return FindByName(mGenericNodes, pName);
}

bool KRyvSceneEntity::AddGenericNode(KRyvGenericNode* pNode)
{
    return AddUse(mGenericNodes, pNode);
}

bool KRyvSceneEntity::RemoveGenericNode(KRyvGenericNode* pNode)
{
    return RemoveUse(mGenericNodes, pNode, kGenericNodeStillInUse, kGenericNodeNotFound);
}

int KRyvSceneEntity::GetDeformerCount(int pType) const
{
    if (pType == eAllDeformers) {
        return static_cast<int>(mDeformers.size());
    }
    int lCount = 0;
    for (const Record<KRyvDeformer>& lRecord : mDeformers) {
        lCount += lRecord.mObject->GetDeformerType() == pType ? 1 : 0;
    }
    return lCount;
}

KRyvDeformer* KRyvSceneEntity::GetDeformer(int pIndex, int pType)
{
    if (pType < eAllDeformers || pType > eClusterDeformers || pIndex < 0) {
        return nullptr;
    }
    for (const Record<KRyvDeformer>& lRecord : mDeformers) {
        if ((pType == eAllDeformers || lRecord.mObject->GetDeformerType() == pType) &&
            pIndex-- == 0) {
            return lRecord.mObject;
        }
    }
    return nullptr;
}

KRyvDeformer* KRyvSceneEntity::FindDeformer(const char* pName)
{
    return FindByName(mDeformers, pName);
}

bool KRyvSceneEntity::AddDeformer(KRyvDeformer* pDeformer)
{
    return AddUse(mDeformers, pDeformer);
}

bool KRyvSceneEntity::RemoveDeformer(KRyvDeformer* pDeformer)
{
    return RemoveUse(mDeformers, pDeformer, kDeformerStillInUse, kDeformerNotFound);
}

// ---------------------------------------------------------------------------------------------
// Clearing

void KRyvSceneEntity::Clear()
{
    while (KRyvNode* lNode = mNodes.TakeFirst()) {
        if (lNode->mScene == this) {
            lNode->mScene = nullptr;
        }
        auto* lGeometry = dynamic_cast<KRyvGeometry*>(lNode->GetGeometry());
        if (!lGeometry) {
            continue;
        }
        // The uses they hand back are dropped with the records below.
        if (lGeometry->GetConnectionOwner() == this) {
            lGeometry->SetConnectionOwner(nullptr);
        }
        for (int i = 0; i < lGeometry->GetShapeCount(); ++i) {
            KRyvLayerContainer* lShape = lGeometry->GetShape(i);
            if (lShape && lShape->GetConnectionOwner() == this) {
                lShape->SetConnectionOwner(nullptr);
            }
        }
    }
    // A generic node keeps a link to its content and would touch it again when it moves on.
    const Records<KRyvGenericNode> lGenericNodes = mGenericNodes;
    mGenericNodes.clear();
    for (const Record<KRyvGenericNode>& lRecord : lGenericNodes) {
        if (lRecord.mObject->GetSceneEntity() == this) {
            lRecord.mObject->SetSceneEntity(nullptr);
        }
    }
    mRoot = nullptr;
    mMaterials.clear();
    mTextures.clear();
    mGobos.clear();
    mVideos.clear();
    mGenericNodes.clear();
    mDeformers.clear();
}

KRyvNode* KRyvSceneEntity::FindNodeNameClash(const std::vector<KRyvNode*>& pNodes,
                                             KRyvSceneEntity* pReference)
{
    KRyvNode* lReferenceRoot = pReference ? pReference->GetRootNode() : nullptr;
    // The first node whose name a node before it holds is the one every later node of the
    // list holds too: the least of the next indexes.
    const std::vector<std::uint32_t> lNext = KRyvNextWithSameName(pNodes);
    std::size_t lRepeat = pNodes.size();
    for (const std::uint32_t lIndex : lNext) {
        lRepeat = std::min<std::size_t>(lRepeat, lIndex);
    }
    for (std::size_t i = 0; lReferenceRoot && i < lRepeat; ++i) {
        KRyvNode* lFound = lReferenceRoot->FindChild(pNodes[i]->GetName().Buffer(), true);
        if (lFound && lFound != pNodes[i]) {
            return pNodes[i];
        }
    }
    return lRepeat < pNodes.size() ? pNodes[lRepeat] : nullptr;
}
