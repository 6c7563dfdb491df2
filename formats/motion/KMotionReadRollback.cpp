#include "formats/motion/KMotionReadRollback.h"

#include "animation/KFCurve.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"

KMotionReadRollback::KMotionReadRollback(KRyvObjectFactory* pFactory) : mFactory(pFactory) {}

KMotionReadRollback::~KMotionReadRollback()
{
    Undo();
}

KRyvNode* KMotionReadRollback::AddNode(KRyvNode* pNode)
{
    if (pNode) {
        mNodes.push_back(pNode);
    }
    return pNode;
}

KRyvNodeAttribute* KMotionReadRollback::AddAttribute(KRyvNodeAttribute* pAttribute)
{
    if (pAttribute) {
        mAttributes.push_back(pAttribute);
    }
    return pAttribute;
}

KRyvPose* KMotionReadRollback::AddPose(KRyvPose* pPose)
{
    if (pPose) {
        mPoses.push_back(pPose);
    }
    return pPose;
}

bool KMotionReadRollback::BeginKeySet(KFCurve* pCurve, int pCount)
{
    if (!pCurve || !pCurve->BeginKeySet(pCount)) {
        return false;
    }
    mKeySets.push_back(pCurve);
    return true;
}

bool KMotionReadRollback::EndKeySets(int pCount)
{
    bool lAllOpen = true;
    for (KFCurve* lCurve : mKeySets) {
        lAllOpen = lCurve->EndKeySet(pCount) && lAllOpen;
    }
    mKeySets.clear();
    return lAllOpen;
}

void KMotionReadRollback::Commit()
{
    // A batch left open would hold the curve's events for ever.
    EndKeySets(KFCurve::kMaxKeyCount);
    Clear();
}

void KMotionReadRollback::Undo()
{
    // The curves belong to the nodes below, so their batches close before the nodes go.
    EndKeySets(0);
    if (mFactory) {
        for (auto lIt = mNodes.rbegin(); lIt != mNodes.rend(); ++lIt) {
            mFactory->DestroyNode(*lIt, false);
        }
        for (auto lIt = mAttributes.rbegin(); lIt != mAttributes.rend(); ++lIt) {
            mFactory->DestroyNodeAttribute(*lIt);
        }
        for (auto lIt = mPoses.rbegin(); lIt != mPoses.rend(); ++lIt) {
            mFactory->DestroyPose(*lIt);
        }
    }
    Clear();
}

void KMotionReadRollback::Clear()
{
    mNodes.clear();
    mAttributes.clear();
    mPoses.clear();
    mKeySets.clear();
}
