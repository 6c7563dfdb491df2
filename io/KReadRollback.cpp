#include "io/KReadRollback.h"

#include "animation/KFCurve.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"

#include <new>

namespace {

// Records pObject; when the record itself cannot be made, the object goes back through pDestroy
// before the failure goes on, as no undo would find it.
template <class T, class D> T* Record(std::vector<T*>& ioList, T* pObject, D pDestroy)
{
    if (pObject) {
        try {
            ioList.push_back(pObject);
        } catch (const std::bad_alloc&) {
            pDestroy(pObject);
            throw;
        }
    }
    return pObject;
}

// Hands the objects back through pDestroy, the newest first.
template <class T, class D> void DestroyNewestFirst(const std::vector<T*>& pList, D pDestroy)
{
    for (auto lIt = pList.rbegin(); lIt != pList.rend(); ++lIt) {
        pDestroy(*lIt);
    }
}

} // namespace

KReadRollback::KReadRollback(KRyvObjectFactory* pFactory) : mFactory(pFactory) {}

KReadRollback::~KReadRollback()
{
    Undo();
}

KRyvNode* KReadRollback::AddNode(KRyvNode* pNode)
{
    return Record(mNodes, pNode, [this](KRyvNode* pObject) {
        if (mFactory) {
            mFactory->DestroyNode(pObject, false);
        }
    });
}

KRyvNodeAttribute* KReadRollback::AddAttribute(KRyvNodeAttribute* pAttribute)
{
    return Record(mAttributes, pAttribute, [this](KRyvNodeAttribute* pObject) {
        if (mFactory) {
            mFactory->DestroyNodeAttribute(pObject);
        }
    });
}

KRyvPose* KReadRollback::AddPose(KRyvPose* pPose)
{
    return Record(mPoses, pPose, [this](KRyvPose* pObject) {
        if (mFactory) {
            mFactory->DestroyPose(pObject);
        }
    });
}

KRyvMaterial* KReadRollback::AddMaterial(KRyvMaterial* pMaterial)
{
    return Record(mMaterials, pMaterial, [this](KRyvMaterial* pObject) {
        if (mFactory) {
            mFactory->DestroyMaterial(pObject);
        }
    });
}

KRyvTexture* KReadRollback::AddTexture(KRyvTexture* pTexture)
{
    return Record(mTextures, pTexture, [this](KRyvTexture* pObject) {
        if (mFactory) {
            mFactory->DestroyTexture(pObject);
        }
    });
}

KRyvVideo* KReadRollback::AddVideo(KRyvVideo* pVideo)
{
    return Record(mVideos, pVideo);
}

KRyvGobo* KReadRollback::AddGobo(KRyvGobo* pGobo)
{
    return Record(mGobos, pGobo);
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
    mKeySets.clear();
    return lAllOpen;
}

void KReadRollback::Commit()
{
    // A batch left open would hold the curve's events for ever.
    EndKeySets(KFCurve::kMaxKeyCount);
    Clear();
}

void KReadRollback::Undo()
{
    // The curves belong to the nodes below, so their batches close before the nodes go.
    EndKeySets(0);
    if (mFactory) {
        KRyvObjectFactory& lFactory = *mFactory;
        DestroyNewestFirst(mNodes, [&](KRyvNode* pNode) { lFactory.DestroyNode(pNode, false); });
        DestroyNewestFirst(mAttributes, [&](KRyvNodeAttribute* pObject) {
            lFactory.DestroyNodeAttribute(pObject);
        });
        DestroyNewestFirst(mPoses, [&](KRyvPose* pPose) { lFactory.DestroyPose(pPose); });
        DestroyNewestFirst(mMaterials,
                           [&](KRyvMaterial* pMaterial) { lFactory.DestroyMaterial(pMaterial); });
        DestroyNewestFirst(mTextures,
                           [&](KRyvTexture* pTexture) { lFactory.DestroyTexture(pTexture); });
        DestroyNewestFirst(mVideos, [&](KRyvVideo* pVideo) { lFactory.DestroyVideo(pVideo); });
        DestroyNewestFirst(mGobos, [&](KRyvGobo* pGobo) { lFactory.DestroyGobo(pGobo); });
    }
    Clear();
}

void KReadRollback::Clear()
{
    mNodes.clear();
    mAttributes.clear();
    mPoses.clear();
    mMaterials.clear();
    mTextures.clear();
    mVideos.clear();
    mGobos.clear();
    mKeySets.clear();
}
