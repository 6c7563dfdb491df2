#include "scene/KRyvNodeAttribute.h"

#include "animation/KRyvTakeNode.h"
#include "scene/KRyvNode.h"

KRyvNodeAttribute::KRyvNodeAttribute(KRyvObjectFactory* pFactory) : mFactory(pFactory) {}

KRyvNodeAttribute::~KRyvNodeAttribute()
{
    // The node must not keep pointing at a dead attribute. Only the base part is left here, so
    // a derived class hears nothing of this detachment.
    if (mNode && mNode->GetNodeAttribute() == this) {
        mNode->SetNodeAttribute(nullptr);
    }
}

void KRyvNodeAttribute::SetNode(KRyvNode* pNode)
{
    mNode = pNode;
    if (!mNode) {
        return;
    }
    for (int lIndex = 0; lIndex < mNode->GetTakeNodeCount(); ++lIndex) {
        if (KRyvTakeNode* lTake = TakeToTell(lIndex)) {
            OnTakeNodeAdded(lTake);
        }
    }
}

void KRyvNodeAttribute::UnsetNode()
{
    if (!mNode) {
        return;
    }
    for (int lIndex = 0; lIndex < mNode->GetTakeNodeCount(); ++lIndex) {
        if (KRyvTakeNode* lTake = TakeToTell(lIndex)) {
            OnTakeNodeRemoved(lTake);
        }
    }
    mNode = nullptr;
}

KRyvTakeNode* KRyvNodeAttribute::TakeToTell(int pIndex) const
{
    KRyvTakeNode* lTake = mNode->GetTakeNode(pIndex);
    const bool lJoinsLater =
        lTake && JoinsDeferredTakes() && mNode->AreAttributeChannelsDeferred(*lTake);
    return lJoinsLater ? nullptr : lTake;
}

void KRyvNodeAttribute::OnTakeNodeAdded(KRyvTakeNode* /*pTake*/) {}

void KRyvNodeAttribute::OnTakeNodeRemoved(KRyvTakeNode* /*pTake*/) {}

void KRyvNodeAttribute::FillPropertyList(std::vector<KProperty*>& /*ioProperties*/) {}

KString KRyvNodeAttribute::GetTypeName() const
{
    return KString("");
}

KPropertyStringList KRyvNodeAttribute::GetTypeNameList() const
{
    return KPropertyStringList();
}
