#include "scene/KRyvScene.h"

#include "character/KRyvCharacter.h"
#include "character/KRyvCharacterPose.h"
#include "character/KRyvControlSetPlug.h"
#include "core/KDocumentInfo.h"
#include "object/KClassInfo.h"
#include "object/KObject.h"
#include "object/KPlug.h"
#include "object/KProperty.h"
#include "scene/KRyvGlobalCameraSettings.h"
#include "scene/KRyvGlobalLightSettings.h"
#include "scene/KRyvGlobalTimeSettings.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObject.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvPropertySetUtils.h"
#include "scene/KRyvSceneEntity.h"
#include "scene/objects/KLayer.h"
#include "scene/objects/KLayerElement.h"
#include "scene/objects/KRyvActor.h"
#include "scene/objects/KRyvCameraSwitcher.h"
#include "scene/objects/KRyvDeformer.h"
#include "scene/objects/KRyvGenericNode.h"
#include "scene/objects/KRyvGeometry.h"
#include "scene/objects/KRyvGobo.h"
#include "scene/objects/KRyvLink.h"
#include "scene/objects/KRyvMarkerSet.h"
#include "scene/objects/KRyvMaterial.h"
#include "scene/objects/KRyvPose.h"
#include "scene/objects/KRyvTexture.h"
#include "scene/objects/KRyvVideo.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

namespace {

const char* const kSceneErrorTable[] = {"Take error."};

const char* const kCameraSwitcherName = "Camera Switcher";
const char* const kSrcModelReference = "SrcModelReference";

// The part of an object name after its first "::"; the whole name when it holds none.
KString NameAfterFirstPrefix(const KString& pName)
{
    const int lColons = pName.Find("::");
    return lColons < 0 ? pName : pName.Mid(lColons + 2);
}

// The node's mesh, NURBS surface or patch; null for any other node.
KRyvGeometry* GeometryOf(KRyvNode* pNode)
{
    return pNode ? dynamic_cast<KRyvGeometry*>(pNode->GetGeometry()) : nullptr;
}

// The scene object a connected plug belongs to, when it is of kind T.
template <class T> T* OwnerOf(KPlug* pPlug)
{
    return dynamic_cast<T*>(KRyvGetPlugOwner(pPlug));
}

// Takes every use of pObject out of the content, whatever its count, so that a loop that
// destroys what it unlists never meets the same entry again. False when it was not listed.
template <class T>
bool RemoveAllUses(KRyvSceneEntity& ioContent, bool (KRyvSceneEntity::*pRemove)(T*), T* pObject,
                   int pStillInUseCode)
{
    // Each refusal with the "still in use" code has lowered the count by one.
    while (!(ioContent.*pRemove)(pObject)) {
        if (ioContent.GetError().GetLastErrorID() != pStillInUseCode) {
            return false;
        }
    }
    return true;
}

// Unlists every object of one shared kind, without destroying it.
template <class T>
void UnlistAll(KRyvSceneEntity& ioContent, int (KRyvSceneEntity::*pCount)() const,
               T* (KRyvSceneEntity::*pGet)(int), bool (KRyvSceneEntity::*pRemove)(T*),
               int pStillInUseCode)
{
    while ((ioContent.*pCount)() > 0) {
        if (!RemoveAllUses(ioContent, pRemove, (ioContent.*pGet)(0), pStillInUseCode)) {
            return;
        }
    }
}

// Destroys an owned list's objects the way the scene destroys them (Destruct, then delete).
// Each object leaves the list before it goes, so a destructor that reaches back into the scene
// sees a consistent list.
template <class T> void DestroyList(std::vector<std::unique_ptr<T>>& ioList)
{
    while (!ioList.empty()) {
        std::unique_ptr<T> lObject = std::move(ioList.back());
        ioList.pop_back();
        lObject->Destruct();
    }
}

// Makes an owned object named pPrefix + pName and appends it; answers its index. Should the
// allocation throw, nothing has been listed.
template <class T>
int AddOwned(std::vector<std::unique_ptr<T>>& ioList, KRyvObjectFactory* pFactory,
             const char* pPrefix, const char* pName)
{
    KString lName;
    BuildObjectName(lName, pPrefix, pName);
    auto lObject = std::make_unique<T>(pFactory, lName.Buffer());
    ioList.push_back(std::move(lObject));
    return static_cast<int>(ioList.size()) - 1;
}

template <class T> T* GetOwned(const std::vector<std::unique_ptr<T>>& pList, int pIndex)
{
    if (pIndex < 0 || pIndex >= static_cast<int>(pList.size())) {
        return nullptr;
    }
    return pList[static_cast<std::size_t>(pIndex)].get();
}

// What the layer passes need to know of the two kinds of connected layer objects.
template <class T> struct LayerKind;

template <> struct LayerKind<KRyvMaterial>
{
    static KLayerElementTemplate<KRyvMaterial*>* Element(KLayer& pLayer)
    {
        return pLayer.GetMaterials();
    }
    static int PropertiesClassId() { return KRyvMaterialProperties::ClassId(); }
    static const char* Word() { return "material"; }
};

template <> struct LayerKind<KRyvTexture>
{
    static KLayerElementTemplate<KRyvTexture*>* Element(KLayer& pLayer)
    {
        return pLayer.GetTextures();
    }
    static int PropertiesClassId() { return KRyvTextureProperties::ClassId(); }
    static const char* Word() { return "texture"; }
};

template <class T> void ConnectLayerElements(KRyvNode* pNode, KString* ioMessage)
{
    KRyvGeometry* lGeometry = GeometryOf(pNode);
    KObject* lBlock = pNode ? pNode->GetProperties() : nullptr;
    if (!lGeometry || !lBlock) {
        return;
    }
    for (int l = 0; l < lGeometry->GetLayerCount(); ++l) {
        KLayer* lLayer = lGeometry->GetLayer(l);
        auto* lElement = lLayer ? LayerKind<T>::Element(*lLayer) : nullptr;
        if (!lElement) {
            continue;
        }
        const int lMode = lElement->GetReferenceMode();
        if (lMode != KLayerElement::eDirect && lMode != KLayerElement::eIndexToDirect) {
            continue;
        }
        const std::vector<T*>& lDirect = lElement->GetDirectArray();
        for (std::size_t j = 0; j < lDirect.size(); ++j) {
            KObject* lSet = lDirect[j] ? lDirect[j]->GetProperties() : nullptr;
            if (!lSet) {
                if (ioMessage) {
                    *ioMessage += pNode->GetName();
                    *ioMessage += ": layer ";
                    *ioMessage += l;
                    *ioMessage += ": empty ";
                    *ioMessage += LayerKind<T>::Word();
                    *ioMessage += " entry ";
                    *ioMessage += static_cast<int>(j);
                    *ioMessage += " skipped\n";
                }
                continue;
            }
            if (!lBlock->IsConnectedSrc(lSet)) {
                lBlock->ConnectSrc(lSet);
            }
        }
        if (lMode == KLayerElement::eIndexToDirect) {
            const int lCount = static_cast<int>(lDirect.size());
            for (int& lIndex : lElement->GetIndexArray()) {
                if (lIndex < 0 || lIndex >= lCount) {
                    lIndex = -1;
                }
            }
        }
    }
}

template <class T> void FillLayerElements(KRyvNode* pNode)
{
    KRyvGeometry* lGeometry = GeometryOf(pNode);
    KObject* lBlock = pNode ? pNode->GetProperties() : nullptr;
    if (!lGeometry || !lBlock) {
        return;
    }
    const KPlugFilter* lFilter = GetClassIdFilter(LayerKind<T>::PropertiesClassId());
    KPlug* lView = lFilter ? lBlock->GetFilteredPlug(lFilter) : nullptr;
    const int lCount = lView ? lView->GetSrcCount() : 0;
    for (int l = 0; l < lGeometry->GetLayerCount(); ++l) {
        KLayer* lLayer = lGeometry->GetLayer(l);
        auto* lElement = lLayer ? LayerKind<T>::Element(*lLayer) : nullptr;
        if (!lElement) {
            continue;
        }
        std::vector<T*>& lDirect = lElement->GetDirectArray();
        if (lElement->GetReferenceMode() == KLayerElement::eDirect) {
            for (int j = static_cast<int>(lDirect.size()); j < lCount; ++j) {
                if (T* lObject = OwnerOf<T>(lView->GetSrc(j))) {
                    lDirect.push_back(lObject);
                }
            }
        } else if (lElement->GetReferenceMode() == KLayerElement::eIndexToDirect) {
            // Indices name connection positions; each becomes the position its object gets in
            // the direct array, in one pass, so a new position never meets a later old one.
            std::vector<int>& lIndices = lElement->GetIndexArray();
            std::vector<char> lUsed(static_cast<std::size_t>(lCount), 0);
            for (int lIndex : lIndices) {
                if (lIndex >= 0 && lIndex < lCount) {
                    lUsed[static_cast<std::size_t>(lIndex)] = 1;
                }
            }
            std::vector<int> lNewIndex(static_cast<std::size_t>(lCount), -1);
            for (int j = 0; j < lCount; ++j) {
                T* lObject =
                    lUsed[static_cast<std::size_t>(j)] ? OwnerOf<T>(lView->GetSrc(j)) : nullptr;
                if (lObject) {
                    lNewIndex[static_cast<std::size_t>(j)] = static_cast<int>(lDirect.size());
                    lDirect.push_back(lObject);
                }
            }
            for (int& lIndex : lIndices) {
                lIndex = lIndex >= 0 && lIndex < lCount
                             ? lNewIndex[static_cast<std::size_t>(lIndex)]
                             : -1;
            }
        }
    }
}

// Appends pCluster to ioClusters unless it is there already.
void AddCluster(std::vector<KRyvDeformer*>& ioClusters, KRyvDeformer* pCluster)
{
    if (pCluster && pCluster->GetDeformerType() == KRyvDeformer::eCluster &&
        std::find(ioClusters.begin(), ioClusters.end(), pCluster) == ioClusters.end()) {
        ioClusters.push_back(pCluster);
    }
}

// The clusters of a geometry node: those of each skin connected to the node, and clusters
// connected to the node directly, in connection order.
std::vector<KRyvDeformer*> FindNodeClusters(KRyvNode* pNode)
{
    std::vector<KRyvDeformer*> lClusters;
    KObject* lBlock = pNode->GetProperties();
    for (int i = 0; lBlock && i < lBlock->GetSrcCount(); ++i) {
        KRyvDeformer* lDeformer = OwnerOf<KRyvDeformer>(lBlock->GetSrc(i));
        if (!lDeformer) {
            continue;
        }
        if (lDeformer->GetDeformerType() == KRyvDeformer::eCluster) {
            AddCluster(lClusters, lDeformer);
            continue;
        }
        KObject* lSkin = lDeformer->GetProperties();
        for (int j = 0; lSkin && j < lSkin->GetSrcCount(); ++j) {
            AddCluster(lClusters, OwnerOf<KRyvDeformer>(lSkin->GetSrc(j)));
        }
    }
    return lClusters;
}

// The first node whose property block is a source of pPlug; null when none.
KRyvNode* FirstSourceNode(KPlug* pPlug)
{
    for (int i = 0; pPlug && i < pPlug->GetSrcCount(); ++i) {
        if (KRyvNode* lNode = OwnerOf<KRyvNode>(pPlug->GetSrc(i))) {
            return lNode;
        }
    }
    return nullptr;
}

// The filtered view of pPlug's connections of a class, or pPlug itself for all of them; null
// for an unknown class.
KPlug* ConnectionsOfClass(KPlug* pPlug, int pClassId)
{
    if (!pPlug || pClassId == -1 || pClassId == KPlug::ClassId()) {
        return pPlug;
    }
    const KPlugFilter* lFilter = GetClassIdFilter(pClassId);
    return lFilter ? pPlug->GetFilteredPlug(lFilter) : nullptr;
}

// Appends the poses of every scene of pFactory.
void CollectFactoryPoses(const KRyvObjectFactory* pFactory, std::vector<const KRyvPose*>& ioPoses)
{
    if (!pFactory) {
        return;
    }
    for (int s = 0; s < pFactory->GetSceneCount(); ++s) {
        const KRyvScene* lScene = pFactory->GetScene(s);
        for (int i = 0; lScene && i < lScene->GetPoseCount(); ++i) {
            ioPoses.push_back(lScene->GetPose(i));
        }
    }
}

} // namespace

KRyvScene::KRyvScene(KRyvObjectFactory* pFactory)
    : mFactory(pFactory), mLightSettings(std::make_unique<KRyvGlobalLightSettings>()),
      mTimeSettings(std::make_unique<KRyvGlobalTimeSettings>()), mError(kSceneErrorTable, 1)
{
    // What the factory lists is made last and handed back when a later part fails: no
    // destructor runs for a constructor that throws.
    try {
        mContent = std::make_unique<KRyvSceneEntity>(pFactory);
        mCameraSettings = std::make_unique<KRyvGlobalCameraSettings>(pFactory, this);
        mCameraSwitcher = mFactory ? mFactory->CreateNode(kCameraSwitcherName) : nullptr;
        if (mCameraSwitcher) {
            mCameraSwitcherAttribute = std::make_unique<KRyvCameraSwitcher>(mFactory);
            mCameraSwitcher->SetNodeAttribute(mCameraSwitcherAttribute.get());
            mCameraSwitcher->SetVisibility(false);
            mCameraSwitcher->SetShadingMode(1);
        }
    } catch (const std::bad_alloc&) {
        ReleaseHalfBuilt();
        throw;
    }
}

void KRyvScene::ReleaseHalfBuilt()
{
    KRyvNode* lRoot = GetRootNode();
    mContent.reset();
    mCameraSwitcherAttribute.reset();
    if (mCameraSwitcher && mFactory) {
        mFactory->DestroyNode(mCameraSwitcher, false);
        mCameraSwitcher = nullptr;
    }
    mCameraSettings.reset();
    if (lRoot && mFactory) {
        mFactory->DestroyNode(lRoot, false);
    }
}

KRyvScene::~KRyvScene()
{
    mContent.reset();
    mCameraSwitcherAttribute.reset();
    if (mCameraSwitcher && mFactory) {
        mFactory->DestroyNode(mCameraSwitcher, false);
    }
    SetDocumentInfo(nullptr);
    DestroyOwnedObjects();
    mPoses.clear();
}

// -----------------------------------------------------------------------------------------------
// Accessors

KRyvNode* KRyvScene::GetRootNode() const
{
    return mContent ? mContent->GetRootNode() : nullptr;
}

int KRyvScene::GetNodeCount() const
{
    return mContent->GetNodeCount();
}

KRyvNode* KRyvScene::GetNode(int pIndex) const
{
    return pIndex >= 0 && pIndex < GetNodeCount() ? mContent->GetNode(pIndex) : nullptr;
}

KRyvMarkerSet* KRyvScene::GetMarkerSet(int pIndex) const
{
    return GetOwned(mMarkerSets, pIndex);
}

int KRyvScene::AddMarkerSet(const char* pName)
{
    return AddOwned(mMarkerSets, mFactory, "MarkerSet::", pName);
}

KRyvActor* KRyvScene::GetActor(int pIndex) const
{
    return GetOwned(mActors, pIndex);
}

int KRyvScene::AddActor(const char* pName)
{
    return AddOwned(mActors, mFactory, "Constraint::", pName);
}

KRyvCharacter* KRyvScene::GetCharacter(int pIndex) const
{
    return GetOwned(mCharacters, pIndex);
}

int KRyvScene::AddCharacter(const char* pName)
{
    return AddOwned(mCharacters, mFactory, "Constraint::", pName);
}

KRyvControlSetPlug* KRyvScene::GetControlSetPlug(int pIndex) const
{
    return GetOwned(mControlSetPlugs, pIndex);
}

int KRyvScene::AddControlSetPlug(const char* pName)
{
    return AddOwned(mControlSetPlugs, mFactory, "ControlSetPlug::", pName);
}

KRyvCharacterPose* KRyvScene::GetCharacterPose(int pIndex) const
{
    return GetOwned(mCharacterPoses, pIndex);
}

int KRyvScene::AddCharacterPose(const char* pName)
{
    return AddOwned(mCharacterPoses, mFactory, "Pose::", pName);
}

void KRyvScene::RemoveCharacterPose(int pIndex)
{
    if (pIndex < 0 || pIndex >= GetCharacterPoseCount()) {
        return;
    }
    const auto lAt = mCharacterPoses.begin() + pIndex;
    std::unique_ptr<KRyvCharacterPose> lPose = std::move(*lAt);
    mCharacterPoses.erase(lAt);
    lPose->Destruct();
}

void KRyvScene::PrunePoses() const
{
    // Readers and writers ask for the count and each pose in turn, and every entry of a bind
    // pose asks for the whole list: a pass over the list on each call would cost the square of
    // the poses. A pose of the scene's factory dies only through it, so the pass runs only once
    // the factory has destroyed a pose since the last one, or while a foreign pose is listed.
    const std::uint64_t lRemovals = mFactory ? mFactory->GetPoseRemovalCount() : 0;
    if (mFactory && !mForeignPoses && lRemovals == mPoseRemovalsSeen) {
        return;
    }
    {
        const KWeakHandle::Batch lBatch;
        mPoses.erase(std::remove_if(mPoses.begin(), mPoses.end(),
                                    [&lBatch](const ListedPose& pListed) {
                                        return !pListed.mAlive.IsEmpty() &&
                                               !lBatch.Get(pListed.mAlive);
                                    }),
                     mPoses.end());
    }
    mPoseRemovalsSeen = lRemovals;
    mForeignPoses = std::any_of(mPoses.begin(), mPoses.end(),
                                [](const ListedPose& pListed) { return pListed.mForeign; });
}

int KRyvScene::GetPoseCount() const
{
    PrunePoses();
    return static_cast<int>(mPoses.size());
}

KRyvPose* KRyvScene::GetPose(int pIndex) const
{
    if (pIndex < 0 || pIndex >= GetPoseCount()) {
        return nullptr;
    }
    return mPoses[static_cast<std::size_t>(pIndex)].mPose;
}

bool KRyvScene::AddPose(KRyvPose* pPose)
{
    PrunePoses();
    if (!pPose || std::any_of(mPoses.begin(), mPoses.end(), [pPose](const ListedPose& pListed) {
            return pListed.mPose == pPose;
        })) {
        return false;
    }
    KObject* lSet = pPose->GetProperties();
    const KRyvObjectFactory* lFactory = pPose->GetObjectFactory();
    const bool lForeign = !mFactory || lFactory != mFactory;
    mPoses.push_back({pPose, lSet ? lSet->GetWeakHandle() : KWeakHandle(), lForeign});
    mForeignPoses = mForeignPoses || lForeign;
    pPose->SetBindPoseSource([lFactory](std::vector<const KRyvPose*>& ioPoses) {
        CollectFactoryPoses(lFactory, ioPoses);
    });
    return true;
}

void KRyvScene::SetDocumentInfo(KDocumentInfo* pInfo)
{
    if (pInfo == mDocumentInfo) {
        return;
    }
    if (mDocumentInfo && mFactory) {
        mFactory->DestroyDocumentInfo(mDocumentInfo);
    }
    mDocumentInfo = pInfo;
}

// -----------------------------------------------------------------------------------------------
// Takes

namespace {

// Calls pVisit on the camera switcher, then on every node, texture, material and generic node
// of the content, in that order.
template <class F>
void ForEachTakeContainer(KRyvNode* pSwitcher, KRyvSceneEntity& ioContent, F pVisit)
{
    if (pSwitcher) {
        pVisit(*pSwitcher);
    }
    for (int i = 0; i < ioContent.GetNodeCount(); ++i) {
        pVisit(*ioContent.GetNode(i));
    }
    for (int i = 0; i < ioContent.GetTextureCount(); ++i) {
        pVisit(*ioContent.GetTexture(i));
    }
    for (int i = 0; i < ioContent.GetMaterialCount(); ++i) {
        pVisit(*ioContent.GetMaterial(i));
    }
    for (int i = 0; i < ioContent.GetGenericNodeCount(); ++i) {
        pVisit(*ioContent.GetGenericNode(i));
    }
}

// Whether the container has a take of exactly that name; asking allocates nothing.
bool HoldsTake(KRyvTakeNodeContainer& pContainer, const char* pName)
{
    for (int i = 0; pName && i < pContainer.GetTakeNodeCount(); ++i) {
        if (std::strcmp(pContainer.GetTakeNodeName(i), pName) == 0) {
            return true;
        }
    }
    return false;
}

} // namespace

bool KRyvScene::SetCurrentTake(const char* pName)
{
    // What allocates comes first (the name, the list of containers with the take each had, the
    // message), so that the switch cannot fail part way. Recording a lacking container's own
    // error allocates too: when that fails, every container goes back to the take it had (by
    // its name, unique in its container, which allocates nothing) and the name with them.
    KString lName(pName ? pName : "");
    struct Former
    {
        KRyvTakeNodeContainer* mContainer;
        const char* mTake; // null when it had none
        bool mHolds;       // whether it has the take asked for
    };
    std::vector<Former> lFormer;
    // Counted first: growing by doubling would hold up to three records a container at once.
    std::size_t lCount = 0;
    ForEachTakeContainer(mCameraSwitcher, *mContent, [&](KRyvTakeNodeContainer&) { ++lCount; });
    lFormer.reserve(lCount);
    bool lAll = true;
    ForEachTakeContainer(mCameraSwitcher, *mContent, [&](KRyvTakeNodeContainer& ioContainer) {
        const bool lHolds = HoldsTake(ioContainer, pName);
        lFormer.push_back({&ioContainer,
                           ioContainer.GetCurrentTakeNodeIndex() >= 0
                               ? ioContainer.GetCurrentTakeNodeName()
                               : nullptr,
                           lHolds});
        lAll = lAll && lHolds;
    });
    const KString lMessage =
        lAll ? KString() : KString("Not all nodes have a take node called ") + lName;
    // Every node drops its own caches first (nothing evaluates them before the switch ends);
    // nodes are then switched untold. Each dropping its whole subtree's, as a single switch
    // does, would cost the square of a chain's length.
    if (mCameraSwitcher) {
        mCameraSwitcher->InvalidateMatrixCaches(true);
    }
    for (int i = 0; i < mContent->GetNodeCount(); ++i) {
        mContent->GetNode(i)->InvalidateMatrixCaches(false);
    }
    std::swap(mCurrentTakeName, lName);
    try {
        // Those with the take first: only the others record an error.
        for (const bool lHolding : {true, false}) {
            for (const Former& lEntry : lFormer) {
                if (lEntry.mHolds == lHolding) {
                    lEntry.mContainer->SetCurrentTakeNodeUntold(pName);
                }
            }
        }
        if (!lAll) {
            mError.SetLastError(kTakeError, lMessage.Buffer());
        }
    } catch (const std::bad_alloc&) {
        for (const Former& lEntry : lFormer) {
            if (lEntry.mTake) {
                lEntry.mContainer->SetCurrentTakeNodeUntold(lEntry.mTake);
            }
        }
        std::swap(mCurrentTakeName, lName);
        throw;
    }
    return lAll;
}

void KRyvScene::FillTakeNameList(std::vector<KString>& oNames)
{
    oNames.clear();
    ForEachTakeContainer(mCameraSwitcher, *mContent, [&](KRyvTakeNodeContainer& ioContainer) {
        for (int i = 0; i < ioContainer.GetTakeNodeCount(); ++i) {
            const char* lName = ioContainer.GetTakeNodeName(i);
            if (lName && std::find(oNames.begin(), oNames.end(), lName) == oNames.end()) {
                oNames.emplace_back(lName);
            }
        }
    });
}

bool KRyvScene::HasTake(const char* pName)
{
    if (!pName) {
        return false;
    }
    std::vector<KString> lNames;
    FillTakeNameList(lNames);
    return std::find(lNames.begin(), lNames.end(), pName) != lNames.end();
}

KTakeInfo* KRyvScene::GetTakeInfo(const char* pName)
{
    if (!pName) {
        return nullptr;
    }
    for (const auto& lInfo : mTakeInfos) {
        if (lInfo->mName == pName) {
            return lInfo.get();
        }
    }
    return nullptr;
}

bool KRyvScene::SetTakeInfo(const KTakeInfo& pInfo)
{
    if (!HasTake(pInfo.mName.Buffer())) {
        return false;
    }
    if (KTakeInfo* lStored = GetTakeInfo(pInfo.mName.Buffer())) {
        *lStored = pInfo;
    } else {
        mTakeInfos.push_back(std::make_unique<KTakeInfo>(pInfo));
    }
    return true;
}

// -----------------------------------------------------------------------------------------------
// Deformers and links

void KRyvScene::RemoveAllDeformers()
{
    for (const int lType : {KRyvSceneEntity::eClusterDeformers, KRyvSceneEntity::eAllDeformers}) {
        while (KRyvDeformer* lDeformer = mContent->GetDeformer(0, lType)) {
            if (!RemoveAllUses(*mContent, &KRyvSceneEntity::RemoveDeformer, lDeformer,
                               KRyvSceneEntity::kDeformerStillInUse)) {
                return;
            }
            if (mFactory) {
                mFactory->DestroyDeformer(lDeformer);
            }
        }
    }
}

void KRyvScene::BuildSkinDeformers()
{
    if (!mFactory) {
        return;
    }
    // New deformers join the content, not the node list, so the count stays put.
    for (int i = 0; i < GetNodeCount(); ++i) {
        KRyvNode* lNode = mContent->GetNode(i);
        KRyvGeometry* lGeometry = GeometryOf(lNode);
        if (!lGeometry || lGeometry->GetLinkCount() == 0 || !lNode->GetProperties()) {
            continue;
        }
        // The prefixed name goes through the factory's naming unchanged, whatever the node's
        // name holds.
        KString lSkinName("Deformer::Skin ");
        lSkinName += NameAfterFirstPrefix(lNode->GetName());
        KRyvDeformer* lSkin = mFactory->CreateDeformer(lSkinName.Buffer(), "Skin");
        if (!lSkin) {
            continue;
        }
        mContent->AddDeformer(lSkin);
        lNode->GetProperties()->ConnectSrc(lSkin->GetProperties());

        for (int k = 0; k < lGeometry->GetLinkCount(); ++k) {
            KRyvLink* lLink = lGeometry->GetLink(k);
            KRyvNode* lLinkNode = lLink ? lLink->GetLink() : nullptr;
            if (!lLinkNode || !lLinkNode->GetProperties()) {
                continue;
            }
            KString lBase("SubDeformer::Cluster ");
            lBase += NameAfterFirstPrefix(lLinkNode->GetName());
            KString lName = lBase;
            for (int lSuffix = 1; mContent->FindDeformer(lName.Buffer()); ++lSuffix) {
                lName = lBase;
                lName += " ";
                lName += lSuffix;
            }
            KRyvDeformer* lCluster = mFactory->CreateDeformer(lName.Buffer(), "Cluster");
            if (!lCluster) {
                continue;
            }
            mContent->AddDeformer(lCluster);
            lCluster->CopyFromLink(lLink);
            KObject* lClusterSet = lCluster->GetProperties();
            lClusterSet->ConnectSrc(lLinkNode->GetProperties());
            KRyvNode* lAssociate = lLink->GetAssociateModel();
            KProperty* lReference = lClusterSet->FindProperty(kSrcModelReference);
            if (lAssociate && lAssociate->GetProperties() && lReference) {
                lReference->ConnectSrc(lAssociate->GetProperties());
            }
            lSkin->GetProperties()->ConnectSrc(lClusterSet);
        }
    }
}

void KRyvScene::BuildLinksFromClusters()
{
    if (!mFactory) {
        return;
    }
    for (int i = 0; i < GetNodeCount(); ++i) {
        KRyvNode* lNode = mContent->GetNode(i);
        KRyvGeometry* lGeometry = GeometryOf(lNode);
        if (!lGeometry) {
            continue;
        }
        for (KRyvDeformer* lCluster : FindNodeClusters(lNode)) {
            KRyvLink* lLink = mFactory->CreateLink();
            if (!lLink) {
                continue;
            }
            lLink->CopyFromCluster(lCluster);
            KObject* lClusterSet = lCluster->GetProperties();
            if (KRyvNode* lLinkNode = FirstSourceNode(lClusterSet)) {
                lLink->SetLink(lLinkNode);
            }
            KProperty* lReference =
                lClusterSet ? lClusterSet->FindProperty(kSrcModelReference) : nullptr;
            if (KRyvNode* lAssociate = FirstSourceNode(lReference)) {
                lLink->SetAssociateModel(lAssociate);
            }
            lGeometry->AddLink(lLink);
        }
    }
}

// -----------------------------------------------------------------------------------------------
// Layer elements and connections

void KRyvScene::ConnectLayerMaterials(KString* ioMessage)
{
    ConnectLayerObjects(KLayerElement::eMaterial, ioMessage);
}

void KRyvScene::ConnectLayerTextures(KString* ioMessage)
{
    ConnectLayerObjects(KLayerElement::eTexture, ioMessage);
}

void KRyvScene::FillLayerMaterials()
{
    FillLayerObjects(KLayerElement::eMaterial);
}

void KRyvScene::FillLayerTextures()
{
    FillLayerObjects(KLayerElement::eTexture);
}

void KRyvScene::ConnectLayerObjects(int pType, KString* ioMessage)
{
    for (int i = 0; i < GetNodeCount(); ++i) {
        if (pType == KLayerElement::eMaterial) {
            ConnectLayerElements<KRyvMaterial>(mContent->GetNode(i), ioMessage);
        } else {
            ConnectLayerElements<KRyvTexture>(mContent->GetNode(i), ioMessage);
        }
    }
}

void KRyvScene::FillLayerObjects(int pType)
{
    for (int i = 0; i < GetNodeCount(); ++i) {
        if (pType == KLayerElement::eMaterial) {
            FillLayerElements<KRyvMaterial>(mContent->GetNode(i));
        } else {
            FillLayerElements<KRyvTexture>(mContent->GetNode(i));
        }
    }
}

void KRyvScene::CreateTextureVideos()
{
    if (!mFactory) {
        return;
    }
    for (int i = 0; i < mContent->GetTextureCount(); ++i) {
        KRyvTexture* lTexture = mContent->GetTexture(i);
        if (!lTexture->GetProperties() || lTexture->GetVideo()) {
            continue;
        }
        KString lName(lTexture->GetMediaName());
        if (lName.IsEmpty()) {
            lName = lTexture->GetNameWithoutPrefix();
        }
        KRyvVideo* lVideo = mFactory->CreateVideo(lName.Buffer());
        if (!lVideo) {
            continue;
        }
        // Names first: on connection the clip hands its own names to the texture.
        lVideo->SetFileName(lTexture->GetFileName());
        lVideo->SetRelativeFileName(lTexture->GetRelativeFileName());
        lTexture->GetProperties()->ConnectSrc(lVideo->GetProperties());
    }
}

// -----------------------------------------------------------------------------------------------
// Clearing

bool KRyvScene::SwapContent(KRyvScene& ioOther)
{
    if (ioOther.mFactory != mFactory) {
        return false;
    }
    PrunePoses();
    ioOther.PrunePoses();
    std::swap(mContent, ioOther.mContent);
    std::swap(mCameraSwitcher, ioOther.mCameraSwitcher);
    std::swap(mCameraSwitcherAttribute, ioOther.mCameraSwitcherAttribute);
    std::swap(mMarkerSets, ioOther.mMarkerSets);
    std::swap(mActors, ioOther.mActors);
    std::swap(mCharacters, ioOther.mCharacters);
    std::swap(mControlSetPlugs, ioOther.mControlSetPlugs);
    std::swap(mCharacterPoses, ioOther.mCharacterPoses);
    std::swap(mPoses, ioOther.mPoses);
    std::swap(mForeignPoses, ioOther.mForeignPoses);
    std::swap(mLightSettings, ioOther.mLightSettings);
    std::swap(mCameraSettings, ioOther.mCameraSettings);
    mCameraSettings->mScene = this;
    ioOther.mCameraSettings->mScene = &ioOther;
    std::swap(mTimeSettings, ioOther.mTimeSettings);
    std::swap(mCurrentTakeName, ioOther.mCurrentTakeName);
    std::swap(mTakeInfos, ioOther.mTakeInfos);
    std::swap(mDocumentInfo, ioOther.mDocumentInfo);
    return true;
}

void KRyvScene::Clear()
{
    if (KRyvNode* lRoot = GetRootNode()) {
        while (lRoot->GetChildCount() > 0) {
            KRyvNode* lChild = lRoot->RemoveChild(lRoot->GetChild(lRoot->GetChildCount() - 1));
            if (!lChild) {
                break;
            }
            if (mFactory) {
                mFactory->DestroyNode(lChild, true);
            }
        }
        while (lRoot->GetTakeNodeCount() > 1) {
            if (!lRoot->RemoveTakeNode(lRoot->GetTakeNodeCount() - 1)) {
                break;
            }
        }
    }
    ResetCameraSwitcher();
    SetDocumentInfo(nullptr);
    DestroyOwnedObjects();
    mPoses.clear();
    mForeignPoses = false;

    while (mContent->GetGenericNodeCount() > 0) {
        KRyvGenericNode* lNode = mContent->GetGenericNode(0);
        lNode->SetSceneEntity(nullptr);
        // A node listed more than once, or added without its entity link, is still listed.
        RemoveAllUses(*mContent, &KRyvSceneEntity::RemoveGenericNode, lNode,
                      KRyvSceneEntity::kGenericNodeStillInUse);
        if (mFactory) {
            mFactory->DestroyGenericNode(lNode);
        }
    }
    RemoveAllDeformers();
    UnlistSharedObjects();

    mLightSettings->Reset();
    mCameraSettings->Reset();
    mTimeSettings->Reset();
    mCurrentTakeName.Clear();
    mTakeInfos.clear();
}

void KRyvScene::ResetCameraSwitcher()
{
    if (!mCameraSwitcher) {
        return;
    }
    mCameraSwitcher->SetName(kCameraSwitcherName);
    mCameraSwitcher->SetVisibility(false);
    mCameraSwitcher->SetShadingMode(1);
    if (mCameraSwitcherAttribute) {
        mCameraSwitcherAttribute->SetDefaultCameraIndex(0);
    }
    while (mCameraSwitcher->GetTakeNodeCount() > 1) {
        if (!mCameraSwitcher->RemoveTakeNode(mCameraSwitcher->GetTakeNodeCount() - 1)) {
            break;
        }
    }
}

void KRyvScene::DestroyOwnedObjects()
{
    // Users before what they point at: characters may take actors as input, actors point at
    // marker sets.
    DestroyList(mCharacterPoses);
    DestroyList(mControlSetPlugs);
    DestroyList(mCharacters);
    DestroyList(mActors);
    DestroyList(mMarkerSets);
}

void KRyvScene::UnlistSharedObjects()
{
    KRyvSceneEntity& lContent = *mContent;
    UnlistAll(lContent, &KRyvSceneEntity::GetMaterialCount, &KRyvSceneEntity::GetMaterial,
              &KRyvSceneEntity::RemoveMaterial, KRyvSceneEntity::kMaterialStillInUse);
    UnlistAll(lContent, &KRyvSceneEntity::GetTextureCount, &KRyvSceneEntity::GetTexture,
              &KRyvSceneEntity::RemoveTexture, KRyvSceneEntity::kTextureStillInUse);
    UnlistAll(lContent, &KRyvSceneEntity::GetGoboCount, &KRyvSceneEntity::GetGobo,
              &KRyvSceneEntity::RemoveGobo, KRyvSceneEntity::kGoboStillInUse);
    UnlistAll(lContent, &KRyvSceneEntity::GetVideoCount, &KRyvSceneEntity::GetVideo,
              &KRyvSceneEntity::RemoveVideo, KRyvSceneEntity::kVideoStillInUse);
}

// -----------------------------------------------------------------------------------------------
// Connection helpers

int KRyvScene::GetConnectionCount(KPlug* pPlug, int pClassId)
{
    KPlug* lConnections = ConnectionsOfClass(pPlug, pClassId);
    return lConnections ? lConnections->GetSrcCount() : 0;
}

KWeakHandle KRyvScene::GetConnectedObject(KPlug* pPlug, int pIndex, int pClassId)
{
    KPlug* lConnections = ConnectionsOfClass(pPlug, pClassId);
    KPlug* lSource = lConnections ? lConnections->GetSrc(pIndex) : nullptr;
    if (!dynamic_cast<KObject*>(lSource)) {
        return KWeakHandle();
    }
    return lSource->GetWeakHandle();
}

KObject* KRyvScene::AsPropertySet(KPlug* pPlug)
{
    KObject* lObject = dynamic_cast<KObject*>(pPlug);
    return lObject && lObject->GetOwnerObject() ? lObject : nullptr;
}
