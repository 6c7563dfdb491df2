#include "io/KReadRollback.h"

#include "animation/KFCurve.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/KRyvTakeNodeContainer.h"

#include <new>

namespace {

// Empties a list and hands its room back.
template <class T> void FreeRoom(std::vector<T>& ioList)
{
    std::vector<T>().swap(ioList);
}

} // namespace

template <class T> T* KReadRollback::Record(std::vector<T*>& ioList, T* pObject)
{
    if (pObject) {
        try {
            ioList.push_back(pObject);
        } catch (const std::bad_alloc&) {
            Release(pObject);
            throw;
        }
    }
    return pObject;
}

template <class T> void KReadRollback::ReleaseNewestFirst(const std::vector<T*>& pList)
{
    for (auto lIt = pList.rbegin(); lIt != pList.rend(); ++lIt) {
        Release(*lIt);
    }
}

KReadRollback::KReadRollback(KRyvObjectFactory* pFactory) : mFactory(pFactory) {}

KReadRollback::~KReadRollback()
{
    Undo();
}

KRyvNode* KReadRollback::AddNode(KRyvNode* pNode)
{
    return Record(mNodes, pNode);
}

void KReadRollback::ReserveNodes(std::size_t pCount)
{
    mNodes.reserve(mNodes.size() + pCount);
    mAttributes.reserve(mAttributes.size() + pCount);
}

KRyvNodeAttribute* KReadRollback::AddAttribute(KRyvNodeAttribute* pAttribute)
{
    return Record(mAttributes, pAttribute);
}

KRyvPose* KReadRollback::AddPose(KRyvPose* pPose)
{
    return Record(mPoses, pPose);
}

KRyvMaterial* KReadRollback::AddMaterial(KRyvMaterial* pMaterial)
{
    return Record(mMaterials, pMaterial);
}

KRyvTexture* KReadRollback::AddTexture(KRyvTexture* pTexture)
{
    return Record(mTextures, pTexture);
}

KRyvVideo* KReadRollback::AddVideo(KRyvVideo* pVideo)
{
    return Record(mVideos, pVideo);
}

KRyvGobo* KReadRollback::AddGobo(KRyvGobo* pGobo)
{
    return Record(mGobos, pGobo);
}

void KReadRollback::Release(KRyvNode* pNode)
{
    if (mFactory) {
        mFactory->DestroyNode(pNode, false);
    }
}

void KReadRollback::Release(KRyvNodeAttribute* pAttribute)
{
    if (mFactory) {
        mFactory->DestroyNodeAttribute(pAttribute);
    }
}

void KReadRollback::Release(KRyvPose* pPose)
{
    if (mFactory) {
        mFactory->DestroyPose(pPose);
    }
}

void KReadRollback::Release(KRyvMaterial* pMaterial)
{
    if (mFactory) {
        mFactory->DestroyMaterial(pMaterial);
    }
}

void KReadRollback::Release(KRyvTexture* pTexture)
{
    if (mFactory) {
        mFactory->DestroyTexture(pTexture);
    }
}

void KReadRollback::Release(KRyvVideo* pVideo)
{
    if (mFactory) {
        mFactory->DestroyVideo(pVideo);
    }
}

void KReadRollback::Release(KRyvGobo* pGobo)
{
    if (mFactory) {
        mFactory->DestroyGobo(pGobo);
    }
}

bool KReadRollback::BeginKeySet(KFCurve* pCurve, int pCount)
{
    if (!pCurve || !pCurve->BeginKeySet(pCount)) {
        return false;
    }
    try {
        mKeySets.push_back(pCurve);
    } catch (const std::bad_alloc&) {
        pCurve->EndKeySet(0);
        throw;
    }
    return true;
}

bool KReadRollback::EndKeySets(int pCount)
{
    bool lAllOpen = true;
    for (KFCurve* lCurve : mKeySets) {
        lAllOpen = lCurve->EndKeySet(pCount) && lAllOpen;
    }
    // The room goes too: a wide file's reader goes on building without it.
    FreeRoom(mKeySets);
    return lAllOpen;
}

void KReadRollback::Commit()
{
    // A batch left open would hold the curve's events for ever.
    EndKeySets(KFCurve::kMaxKeyCount);
    Clear();
}

void KReadRollback::CommitWithCurrentTake(KRyvScene& ioScene, const char* pTake)
{
    Commit();
    try {
        ioScene.SetCurrentTake(pTake);
    } catch (const std::bad_alloc&) {
        // Only the switch is missing: the scene keeps the take it had.
    }
}

KRyvTakeNode* KReadRollback::AddTakeNode(KRyvTakeNodeContainer& ioContainer, const char* pName)
{
    // The record's room is made first, so the take is never added without its record.
    mAddedTakes.reserve(mAddedTakes.size() + 1);
    const int lFormerCurrent = ioContainer.GetCurrentTakeNodeIndex();
    KRyvTakeNode* lTake = ioContainer.AddTakeNode(pName);
    if (lTake) {
        mAddedTakes.push_back({&ioContainer, lTake, lFormerCurrent});
    }
    return lTake;
}

void KReadRollback::SetLclTransform(KRyvNode& ioNode, const KVector4& pTranslation,
                                    const KVector4& pRotation)
{
    FormerTransform lFormer{&ioNode, KVector4(), KVector4()};
    ioNode.GetLclTranslation(lFormer.mTranslation);
    ioNode.GetLclRotation(lFormer.mRotation);
    mTransforms.push_back(lFormer);
    ioNode.SetLclTranslation(pTranslation);
    ioNode.SetLclRotation(pRotation);
}

void KReadRollback::RestoreTransforms()
{
    for (auto lIt = mTransforms.rbegin(); lIt != mTransforms.rend(); ++lIt) {
        try {
            lIt->mNode->SetLclTranslation(lIt->mTranslation);
            lIt->mNode->SetLclRotation(lIt->mRotation);
        } catch (const std::bad_alloc&) {
            // The undo runs from a destructor: a value that cannot be put back stays as read.
        }
    }
    mTransforms.clear();
}

void KReadRollback::RemoveAddedTakes()
{
    for (auto lIt = mAddedTakes.rbegin(); lIt != mAddedTakes.rend(); ++lIt) {
        KRyvTakeNodeContainer& lContainer = *lIt->mContainer;
        for (int i = lContainer.GetTakeNodeCount() - 1; i > 0; --i) {
            if (lContainer.GetTakeNode(i) == lIt->mTake) {
                lContainer.RemoveTakeNode(i);
                break;
            }
        }
        lContainer.SetCurrentTakeNode(lIt->mFormerCurrent);
    }
    mAddedTakes.clear();
}

void KReadRollback::Undo()
{
    // The curves belong to the nodes below, so their batches close before the nodes go.
    EndKeySets(0);
    // The containers may be nodes released below.
    RemoveAddedTakes();
    RestoreTransforms();
    ReleaseNewestFirst(mNodes);
    ReleaseNewestFirst(mAttributes);
    ReleaseNewestFirst(mPoses);
    ReleaseNewestFirst(mMaterials);
    ReleaseNewestFirst(mTextures);
    ReleaseNewestFirst(mVideos);
    ReleaseNewestFirst(mGobos);
    Clear();
}

void KReadRollback::Clear()
{
    // The room goes with the records: a reader goes on after its commit, a wide file's with
    // many thousand records.
    FreeRoom(mNodes);
    FreeRoom(mAttributes);
    FreeRoom(mPoses);
    FreeRoom(mMaterials);
    FreeRoom(mTextures);
    FreeRoom(mVideos);
    FreeRoom(mGobos);
    FreeRoom(mKeySets);
    FreeRoom(mAddedTakes);
    FreeRoom(mTransforms);
}
