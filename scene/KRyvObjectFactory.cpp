#include "scene/KRyvObjectFactory.h"

#include "core/KDocumentInfo.h"
#include "core/KImageConverter.h"
#include "object/KitLifetime.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvNodeAttribute.h"
#include "scene/KRyvObject.h"
#include "scene/KRyvScene.h"
#include "scene/KRyvSkeleton.h"
#include "scene/KRyvUserProperty.h"
#include "scene/objects/KRyvCamera.h"
#include "scene/objects/KRyvDeformer.h"
#include "scene/objects/KRyvGenericNode.h"
#include "scene/objects/KRyvGeometryConverter.h"
#include "scene/objects/KRyvGobo.h"
#include "scene/objects/KRyvLayerContainer.h"
#include "scene/objects/KRyvLight.h"
#include "scene/objects/KRyvLink.h"
#include "scene/objects/KRyvMarker.h"
#include "scene/objects/KRyvMaterial.h"
#include "scene/objects/KRyvMesh.h"
#include "scene/objects/KRyvNull.h"
#include "scene/objects/KRyvNurb.h"
#include "scene/objects/KRyvOpticalReference.h"
#include "scene/objects/KRyvPatch.h"
#include "scene/objects/KRyvPose.h"
#include "scene/objects/KRyvTexture.h"
#include "scene/objects/KRyvThumbnail.h"
#include "scene/objects/KRyvVideo.h"

#include <algorithm>
#include <functional>

namespace {

const char* const kFactoryErrorTable[] = {"Object not found"};

// Single-threaded by contract, like the factories themselves.
int sLiveFactories = 0;

// An attribute hook's result goes on the shared attribute list.
template <class T> T* ListedAttribute(KRyvFactoryList<KRyvNodeAttribute>& ioList, T* pObject)
{
    ioList.Add(pObject);
    return pObject;
}

} // namespace

KRyvObjectFactory::KRyvObjectFactory() : mError(kFactoryErrorTable, 1)
{
    if (sLiveFactories == 0) {
        KitLifetimeAcquire();
    }
    ++sLiveFactories;
}

KRyvObjectFactory::~KRyvObjectFactory()
{
    DestroyAll();
    mNodeStrategy.reset();
    mMaterialStrategy.reset();
    mTextureStrategy.reset();
    mVideoStrategy.reset();
    if (--sLiveFactories == 0) {
        KitLifetimeRelease();
    }
}

int KRyvObjectFactory::GetLiveFactoryCount()
{
    return sLiveFactories;
}

// ---------------------------------------------------------------------------------------------
// Hooks

KRyvScene* KRyvObjectFactory::NewScene()
{
    return new KRyvScene(this);
}

KRyvNode* KRyvObjectFactory::NewNode(const char* pName)
{
    return new KRyvNode(this, pName);
}

KRyvNull* KRyvObjectFactory::NewNull()
{
    return new KRyvNull(this);
}

KRyvMarker* KRyvObjectFactory::NewMarker()
{
    return new KRyvMarker(this);
}

KRyvCamera* KRyvObjectFactory::NewCamera()
{
    return new KRyvCamera(this);
}

KRyvLight* KRyvObjectFactory::NewLight()
{
    return new KRyvLight(this);
}

KRyvSkeleton* KRyvObjectFactory::NewSkeleton()
{
    return new KRyvSkeleton(this);
}

KRyvMesh* KRyvObjectFactory::NewMesh()
{
    return new KRyvMesh(this);
}

KRyvPatch* KRyvObjectFactory::NewPatch()
{
    return new KRyvPatch(this);
}

KRyvNurb* KRyvObjectFactory::NewNurb()
{
    return new KRyvNurb(this);
}

KRyvOpticalReference* KRyvObjectFactory::NewOpticalReference()
{
    return new KRyvOpticalReference(this);
}

KRyvLink* KRyvObjectFactory::NewLink()
{
    return new KRyvLink();
}

KRyvMaterial* KRyvObjectFactory::NewMaterial(const char* pName)
{
    return new KRyvMaterial(this, pName);
}

KRyvLayerContainer* KRyvObjectFactory::NewLayerContainer()
{
    return new KRyvLayerContainer(this);
}

KRyvTexture* KRyvObjectFactory::NewTexture(const char* pName)
{
    return new KRyvTexture(this, pName);
}

KRyvVideo* KRyvObjectFactory::NewVideo(const char* pName)
{
    return new KRyvVideo(this, pName);
}

KRyvGobo* KRyvObjectFactory::NewGobo(const char* pName)
{
    return new KRyvGobo(this, pName);
}

KRyvPose* KRyvObjectFactory::NewPose(const char* pName, int pKind)
{
    return new KRyvPose(this, pName, pKind == 1);
}

KRyvUserProperty* KRyvObjectFactory::NewUserProperty(KProperty* pProperty)
{
    return pProperty ? new KRyvUserProperty(this, pProperty) : nullptr;
}

KRyvUserProperty* KRyvObjectFactory::NewUserProperty(const char* pName, const char* pTypeName,
                                                     const char* pLabel)
{
    return pName && pLabel ? new KRyvUserProperty(this, pName, pTypeName, pLabel) : nullptr;
}

KRyvGenericNode* KRyvObjectFactory::NewGenericNode(const char* pName)
{
    return pName ? new KRyvGenericNode(this, pName) : nullptr;
}

KRyvDeformer* KRyvObjectFactory::NewDeformer(const char* pName, const char* pType)
{
    return pName && pType ? new KRyvDeformer(this, pName, pType) : nullptr;
}

KRyvThumbnail* KRyvObjectFactory::NewThumbnail()
{
    return new KRyvThumbnail;
}

KDocumentInfo* KRyvObjectFactory::NewDocumentInfo()
{
    return new KDocumentInfo;
}

KRyvGeometryConverter* KRyvObjectFactory::NewGeometryConverter()
{
    return new KRyvGeometryConverter(this);
}

KImageConverter* KRyvObjectFactory::NewImageConverter()
{
    return new KImageConverter(this);
}

KExporter* KRyvObjectFactory::NewExporter()
{
    return StreamMakers().mNewExporter ? StreamMakers().mNewExporter(this) : nullptr;
}

KImporter* KRyvObjectFactory::NewImporter()
{
    return StreamMakers().mNewImporter ? StreamMakers().mNewImporter(this) : nullptr;
}

KRyvStreamMakers& KRyvObjectFactory::StreamMakers()
{
    static KRyvStreamMakers sMakers;
    return sMakers;
}

void KRyvObjectFactory::SetStreamMakers(const KRyvStreamMakers& pMakers)
{
    StreamMakers() = pMakers;
}

// ---------------------------------------------------------------------------------------------
// Creators

void KRyvObjectFactory::Rename(KRenamingStrategy* pStrategy, KRyvObject* pObject)
{
    if (pStrategy && pObject) {
        pStrategy->Rename(pObject->GetNamePair());
    }
}

KRyvScene* KRyvObjectFactory::CreateScene()
{
    mScenes.MakeRoom();
    return Listed(mScenes, NewScene());
}

KRyvNode* KRyvObjectFactory::CreateNode(const char* pName)
{
    mNodes.MakeRoom();
    // A subclass's node may name itself otherwise; the factory's rule holds.
    return ListedNamed(mNodes, NewNode(pName), pName, mNodeStrategy.get());
}

KRyvNull* KRyvObjectFactory::CreateNull()
{
    mNodeAttributes.MakeRoom();
    return ListedAttribute(mNodeAttributes, NewNull());
}

KRyvMarker* KRyvObjectFactory::CreateMarker()
{
    mNodeAttributes.MakeRoom();
    return ListedAttribute(mNodeAttributes, NewMarker());
}

KRyvCamera* KRyvObjectFactory::CreateCamera()
{
    mNodeAttributes.MakeRoom();
    return ListedAttribute(mNodeAttributes, NewCamera());
}

KRyvLight* KRyvObjectFactory::CreateLight()
{
    mNodeAttributes.MakeRoom();
    return ListedAttribute(mNodeAttributes, NewLight());
}

KRyvSkeleton* KRyvObjectFactory::CreateSkeleton()
{
    mNodeAttributes.MakeRoom();
    return ListedAttribute(mNodeAttributes, NewSkeleton());
}

KRyvMesh* KRyvObjectFactory::CreateMesh()
{
    mNodeAttributes.MakeRoom();
    return ListedAttribute(mNodeAttributes, NewMesh());
}

KRyvPatch* KRyvObjectFactory::CreatePatch()
{
    mNodeAttributes.MakeRoom();
    return ListedAttribute(mNodeAttributes, NewPatch());
}

KRyvNurb* KRyvObjectFactory::CreateNurb()
{
    mNodeAttributes.MakeRoom();
    return ListedAttribute(mNodeAttributes, NewNurb());
}

KRyvOpticalReference* KRyvObjectFactory::CreateOpticalReference()
{
    mNodeAttributes.MakeRoom();
    return ListedAttribute(mNodeAttributes, NewOpticalReference());
}

KRyvLink* KRyvObjectFactory::CreateLink()
{
    mLinks.MakeRoom();
    return Listed(mLinks, NewLink());
}

KRyvMaterial* KRyvObjectFactory::CreateMaterial(const char* pName)
{
    mMaterials.MakeRoom();
    return ListedNamed(mMaterials, NewMaterial(pName), pName, mMaterialStrategy.get());
}

KRyvLayerContainer* KRyvObjectFactory::CreateLayerContainer()
{
    mLayerContainers.MakeRoom();
    return Listed(mLayerContainers, new KRyvLayerContainer(this));
}

KRyvTexture* KRyvObjectFactory::CreateTexture(const char* pName)
{
    mTextures.MakeRoom();
    return ListedNamed(mTextures, NewTexture(pName), pName, mTextureStrategy.get());
}

KRyvVideo* KRyvObjectFactory::CreateVideo(const char* pName)
{
    mVideos.MakeRoom();
    return ListedNamed(mVideos, NewVideo(pName), pName, mVideoStrategy.get());
}

KRyvGobo* KRyvObjectFactory::CreateGobo(const char* pName)
{
    mGobos.MakeRoom();
    return Listed(mGobos, NewGobo(pName));
}

KRyvPose* KRyvObjectFactory::CreatePose(const char* pName, int pKind)
{
    mPoses.MakeRoom();
    return ListedNamed(mPoses, NewPose(pName, pKind), pName, nullptr);
}

KRyvGenericNode* KRyvObjectFactory::CreateGenericNode(const char* pName)
{
    mGenericNodes.MakeRoom();
    return Listed(mGenericNodes, NewGenericNode(pName));
}

KRyvDeformer* KRyvObjectFactory::CreateDeformer(const char* pName, const char* pType)
{
    mDeformers.MakeRoom();
    KRyvDeformer* lDeformer = NewDeformer(pName, pType);
    if (lDeformer) {
        const bool lCluster = KString(pType).CompareNoCase("Cluster") == 0;
        KString lName;
        BuildObjectName(lName, lCluster ? "SubDeformer::" : "Deformer::", pName);
        // Type 10 has no prefix of its own, so SetName would drop this one.
        lDeformer->GetNamePair().SetCurrentName(lName);
    }
    return Listed(mDeformers, lDeformer);
}

KRyvThumbnail* KRyvObjectFactory::CreateThumbnail()
{
    mThumbnails.MakeRoom();
    return Listed(mThumbnails, NewThumbnail());
}

KRyvUserProperty* KRyvObjectFactory::CreateUserProperty(KProperty* pProperty)
{
    MakePendingUserPropertyRecords();
    return ListUserProperty(pProperty);
}

KRyvUserProperty* KRyvObjectFactory::CreateUserProperty(const char* pName, const char* pTypeName,
                                                        const char* pLabel)
{
    MakePendingUserPropertyRecords();
    mUserProperties.MakeRoom();
    return Listed(mUserProperties, NewUserProperty(pName, pTypeName, pLabel));
}

KRyvUserProperty* KRyvObjectFactory::ListUserProperty(KProperty* pProperty)
{
    mUserProperties.MakeRoom();
    return Listed(mUserProperties, NewUserProperty(pProperty));
}

int KRyvObjectFactory::GetUserPropertyCount() const
{
    MakePendingUserPropertyRecords();
    return mUserProperties.GetCount();
}

void KRyvObjectFactory::DeferUserPropertyRecords(KRyvNode* pNode)
{
    mPendingRecordNodes.MakeRoom();
    mPendingRecordNodes.Add(pNode);
}

void KRyvObjectFactory::ForgetPendingUserPropertyRecords(KRyvNode* pNode)
{
    mPendingRecordNodes.Remove(pNode);
}

void KRyvObjectFactory::MakePendingUserPropertyRecords() const
{
    // The records exist as far as any caller can tell: making them changes nothing it can see.
    auto& lPending = const_cast<KRyvFactoryList<KRyvNode>&>(mPendingRecordNodes);
    while (KRyvNode* lNode = lPending.TakeFirst()) {
        lNode->MakeDeferredUserPropertyRecords();
    }
}

KDocumentInfo* KRyvObjectFactory::CreateDocumentInfo()
{
    mDocumentInfos.MakeRoom();
    return Listed(mDocumentInfos, NewDocumentInfo());
}

KRyvGeometryConverter* KRyvObjectFactory::CreateGeometryConverter()
{
    mGeometryConverters.MakeRoom();
    return Listed(mGeometryConverters, NewGeometryConverter());
}

KImageConverter* KRyvObjectFactory::CreateImageConverter()
{
    mImageConverters.MakeRoom();
    return Listed(mImageConverters, NewImageConverter());
}

KExporter* KRyvObjectFactory::CreateExporter()
{
    mExporters.MakeRoom();
    return Listed(mExporters, NewExporter());
}

KImporter* KRyvObjectFactory::CreateImporter()
{
    mImporters.MakeRoom();
    return Listed(mImporters, NewImporter());
}

// ---------------------------------------------------------------------------------------------
// Destroyers

void KRyvObjectFactory::DeleteObject(KRyvObject* pObject, bool pDestruct)
{
    // The factory's user properties bound to the object's own properties go with it. Finding
    // them allocates: when that fails they stay listed (their property gone) until the factory
    // goes, as a destruction, also run from destructors, must not fail. Whether the factory
    // lists one is asked once, as it is unlisted.
    const auto lOwnUserProperties = [&] {
        std::vector<KProperty*> lOwn;
        pObject->GetUserProperties(lOwn);
        std::sort(lOwn.begin(), lOwn.end(), std::less<>());
        std::vector<KRyvUserProperty*> lFound;
        lFound.reserve(pObject->mUserProperties.size());
        for (KRyvUserProperty* lUserProperty : pObject->mUserProperties) {
            if (std::binary_search(lOwn.begin(), lOwn.end(), lUserProperty->GetProperty(),
                                   std::less<>())) {
                lFound.push_back(lUserProperty);
            }
        }
        return lFound;
    };
    std::vector<KRyvUserProperty*> lHandBack;
    if (!pObject->mUserProperties.empty()) {
        try {
            lHandBack = lOwnUserProperties();
        } catch (const std::bad_alloc&) {
            lHandBack.clear();
        }
    }
    if (pDestruct) {
        pObject->Destruct();
    }
    // The object's curve links point at its user properties until it is gone.
    delete pObject;
    for (KRyvUserProperty* lUserProperty : lHandBack) {
        if (mUserProperties.Remove(lUserProperty)) {
            delete lUserProperty;
        }
    }
}

void KRyvObjectFactory::DeleteNodeTree(KRyvNode* pRoot, bool& ioAllFound)
{
    // Walks down to the last child and back up through the parents, so that it allocates
    // nothing: a tree is also destroyed from destructors and on a failed allocation. A node's
    // destruction detaches it from its parent; a child the factory does not hold is detached
    // without being destroyed.
    KRyvNode* lNode = pRoot;
    while (lNode) {
        const int lChildCount = lNode->GetChildCount();
        if (KRyvNode* lChild = lChildCount > 0 ? lNode->GetChild(lChildCount - 1) : nullptr) {
            if (Unlist(mNodes, lChild)) {
                lNode = lChild;
            } else {
                ioAllFound = false;
                lNode->RemoveChild(lChild);
            }
            continue;
        }
        KRyvNode* lParent = lNode == pRoot ? nullptr : lNode->GetParent();
        if (KRyvNodeAttribute* lAttribute = lNode->GetNodeAttribute()) {
            if (!DestroyNodeAttribute(lAttribute)) {
                ioAllFound = false;
            }
        }
        DeleteObject(lNode, true);
        lNode = lParent;
    }
}

bool KRyvObjectFactory::DestroyScene(KRyvScene* pScene, bool pRecursive)
{
    if (!Unlist(mScenes, pScene)) {
        return false;
    }
    KRyvNode* lRoot = pRecursive ? pScene->GetRootNode() : nullptr;
    delete pScene;
    // The root may have been taken out of the content: nothing left to destroy is no failure.
    return lRoot ? DestroyNode(lRoot, true) : true;
}

bool KRyvObjectFactory::DestroyNode(KRyvNode* pNode, bool pRecursive)
{
    if (!Unlist(mNodes, pNode)) {
        return false;
    }
    if (!pRecursive) {
        DeleteObject(pNode, true);
        return true;
    }
    bool lAllFound = true;
    DeleteNodeTree(pNode, lAllFound);
    return lAllFound;
}

bool KRyvObjectFactory::DestroyNodeAttribute(KRyvNodeAttribute* pAttribute)
{
    return DestroyPlain(mNodeAttributes, pAttribute);
}

bool KRyvObjectFactory::DestroyLink(KRyvLink* pLink)
{
    return DestroyPlain(mLinks, pLink);
}

bool KRyvObjectFactory::DestroyMaterial(KRyvMaterial* pMaterial)
{
    return DestroyObject(mMaterials, pMaterial, true);
}

bool KRyvObjectFactory::DestroyLayerContainer(KRyvLayerContainer* pLayerContainer)
{
    return DestroyPlain(mLayerContainers, pLayerContainer);
}

bool KRyvObjectFactory::DestroyTexture(KRyvTexture* pTexture)
{
    return DestroyObject(mTextures, pTexture, true);
}

bool KRyvObjectFactory::DestroyVideo(KRyvVideo* pVideo)
{
    return DestroyObject(mVideos, pVideo, true);
}

bool KRyvObjectFactory::DestroyGobo(KRyvGobo* pGobo)
{
    return DestroyObject(mGobos, pGobo, true);
}

bool KRyvObjectFactory::DestroyPose(KRyvPose* pPose)
{
    return DestroyObject(mPoses, pPose, false);
}

bool KRyvObjectFactory::DestroyUserProperty(KRyvUserProperty* pUserProperty)
{
    return DestroyPlain(mUserProperties, pUserProperty);
}

bool KRyvObjectFactory::DestroyGenericNode(KRyvGenericNode* pNode)
{
    return DestroyObject(mGenericNodes, pNode, false);
}

bool KRyvObjectFactory::DestroyDeformer(KRyvDeformer* pDeformer)
{
    return DestroyObject(mDeformers, pDeformer, false);
}

bool KRyvObjectFactory::DestroyThumbnail(KRyvThumbnail* pThumbnail)
{
    return DestroyPlain(mThumbnails, pThumbnail);
}

bool KRyvObjectFactory::DestroyDocumentInfo(KDocumentInfo* pDocumentInfo)
{
    return DestroyPlain(mDocumentInfos, pDocumentInfo);
}

bool KRyvObjectFactory::DestroyGeometryConverter(KRyvGeometryConverter* pConverter)
{
    return DestroyPlain(mGeometryConverters, pConverter);
}

bool KRyvObjectFactory::DestroyExporter(KExporter* pExporter)
{
    if (!Unlist(mExporters, pExporter)) {
        return false;
    }
    StreamMakers().mDeleteExporter(pExporter);
    return true;
}

bool KRyvObjectFactory::DestroyImporter(KImporter* pImporter)
{
    if (!Unlist(mImporters, pImporter)) {
        return false;
    }
    StreamMakers().mDeleteImporter(pImporter);
    return true;
}

void KRyvObjectFactory::DestroyAll()
{
    const auto lDelete = [](auto* pObject) { delete pObject; };
    const auto lDestructAndDelete = [this](KRyvObject* pObject) { DeleteObject(pObject, true); };
    const auto lDeleteObject = [this](KRyvObject* pObject) { DeleteObject(pObject, false); };
    DestroyList(mScenes, lDelete);
    DestroyList(mNodeAttributes, lDelete);
    // Newest first: a node made after its parent goes before it, in one visit, leaving the ends
    // of the parent's lists. Oldest first, the parent of a wide flat hierarchy let go of all its
    // children at once and each was visited again when its own turn came, over a heap freed
    // from its bottom up: the teardown's cost per node grew with the node count.
    DestroyListNewestFirst(mNodes, lDestructAndDelete);
    // Deformers point at links: they go first.
    DestroyList(mDeformers, lDeleteObject);
    DestroyList(mLinks, lDelete);
    DestroyList(mMaterials, lDestructAndDelete);
    DestroyList(mLayerContainers, lDelete);
    DestroyList(mTextures, lDestructAndDelete);
    DestroyList(mVideos, lDestructAndDelete);
    DestroyList(mGobos, lDestructAndDelete);
    DestroyList(mPoses, lDeleteObject);
    DestroyList(mUserProperties, lDelete);
    DestroyList(mGenericNodes, lDeleteObject);
    DestroyList(mThumbnails, lDelete);
    DestroyList(mDocumentInfos, lDelete);
    DestroyList(mGeometryConverters, lDelete);
    DestroyList(mImageConverters, lDelete);
    DestroyList(mExporters, StreamMakers().mDeleteExporter);
    DestroyList(mImporters, StreamMakers().mDeleteImporter);
    for (KRenamingStrategy* lStrategy : {mNodeStrategy.get(), mMaterialStrategy.get(),
                                         mTextureStrategy.get(), mVideoStrategy.get()}) {
        if (lStrategy) {
            lStrategy->Clear();
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Finders

template <class T>
T* KRyvObjectFactory::FindByName(const KRyvFactoryList<T>& pList, const KString& pWanted,
                                 int pIndex)
{
    int lMatches = 0;
    T* lFound = pList.FindIf(
        [&](T* pObject) { return pObject->GetName() == pWanted && lMatches++ == pIndex; });
    if (!lFound) {
        mError.SetLastErrorID(kObjectNotFound);
    }
    return lFound;
}

KRyvNode* KRyvObjectFactory::FindNode(const char* pName, int pIndex)
{
    KString lWanted;
    BuildObjectName(lWanted, "Model::", pName);
    return FindByName(mNodes, lWanted, pIndex);
}

KRyvMaterial* KRyvObjectFactory::FindMaterial(const char* pName, int pIndex)
{
    KString lWanted;
    BuildObjectName(lWanted, "Material::", pName);
    return FindByName(mMaterials, lWanted, pIndex);
}

KRyvTexture* KRyvObjectFactory::FindTexture(const char* pName, int pIndex)
{
    KString lWanted;
    BuildObjectName(lWanted, "Texture::", pName);
    return FindByName(mTextures, lWanted, pIndex);
}

KRyvVideo* KRyvObjectFactory::FindVideo(const char* pName, int pIndex)
{
    KString lWanted;
    BuildObjectName(lWanted, "Video::", pName);
    return FindByName(mVideos, lWanted, pIndex);
}

KRyvGobo* KRyvObjectFactory::FindGobo(const char* pName, int pIndex)
{
    KString lWanted;
    BuildObjectName(lWanted, "Video::", pName);
    return FindByName(mGobos, lWanted, pIndex);
}

KRyvPose* KRyvObjectFactory::FindPose(const char* pName)
{
    return FindByName(mPoses, KString(pName), 0);
}

KRyvGenericNode* KRyvObjectFactory::FindGenericNode(const char* pName)
{
    return FindByName(mGenericNodes, KString(pName), 0);
}

KRyvUserProperty* KRyvObjectFactory::FindUserProperty(const char* pName)
{
    if (!pName) {
        return nullptr;
    }
    MakePendingUserPropertyRecords();
    return mUserProperties.FindIf(
        [pName](KRyvUserProperty* pUserProperty) { return pUserProperty->GetName() == pName; });
}

// ---------------------------------------------------------------------------------------------
// Strategies

void KRyvObjectFactory::SetNodeRenamingStrategy(std::unique_ptr<KRenamingStrategy> pStrategy)
{
    mNodeStrategy = std::move(pStrategy);
}

void KRyvObjectFactory::SetMaterialRenamingStrategy(std::unique_ptr<KRenamingStrategy> pStrategy)
{
    mMaterialStrategy = std::move(pStrategy);
}

void KRyvObjectFactory::SetTextureRenamingStrategy(std::unique_ptr<KRenamingStrategy> pStrategy)
{
    mTextureStrategy = std::move(pStrategy);
}

void KRyvObjectFactory::SetVideoRenamingStrategy(std::unique_ptr<KRenamingStrategy> pStrategy)
{
    mVideoStrategy = std::move(pStrategy);
}
