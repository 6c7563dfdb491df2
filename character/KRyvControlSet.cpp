#include "character/KRyvControlSet.h"

#include "character/KRyvCharacter.h"
#include "character/KRyvControlSetPlug.h"
#include "scene/KRyvNodeProperties.h"

#include <cstring>

namespace {

const char* const kEffectorNames[KRyvControlSet::kEffectorCount] = {
    "HipsEffector",
    "LeftAnkleEffector",
    "RightAnkleEffector",
    "LeftWristEffector",
    "RightWristEffector",
    "LeftKneeEffector",
    "RightKneeEffector",
    "LeftElbowEffector",
    "RightElbowEffector",
    "ChestOriginEffector",
    "ChestEndEffector",
    "LeftFootEffector",
    "RightFootEffector",
    "LeftShoulderEffector",
    "RightShoulderEffector",
    "HeadEffector",
    "LeftHipEffector",
    "RightHipEffector",
    "LeftHandEffector",
    "RightHandEffector",
    "LeftHandThumbEffector",
    "LeftHandIndexEffector",
    "LeftHandMiddleEffector",
    "LeftHandRingEffector",
    "LeftHandPinkyEffector",
    "LeftHandExtraFingerEffector",
    "RightHandThumbEffector",
    "RightHandIndexEffector",
    "RightHandMiddleEffector",
    "RightHandRingEffector",
    "RightHandPinkyEffector",
    "RightHandExtraFingerEffector",
    "LeftFootThumbEffector",
    "LeftFootIndexEffector",
    "LeftFootMiddleEffector",
    "LeftFootRingEffector",
    "LeftFootPinkyEffector",
    "LeftFootExtraFingerEffector",
    "RightFootThumbEffector",
    "RightFootIndexEffector",
    "RightFootMiddleEffector",
    "RightFootRingEffector",
    "RightFootPinkyEffector",
    "RightFootExtraFingerEffector",
};

// Effectors 0 to 4 (hips, ankles, wrists) start active; every later one only shown.
const KRyvControlSetEffectorFlags kDefaultFlags[5] = {
    {true, true, true, false, false}, {true, true, true, true, true},
    {true, true, true, true, true},   {true, true, false, true, false},
    {true, true, false, true, false},
};

bool IsLinkId(int pId)
{
    return pId >= 0 && pId < KRyvControlSet::kLinkCount;
}

bool IsEffectorIndex(int pIndex)
{
    return pIndex >= 0 && pIndex < KRyvControlSet::kEffectorCount;
}

bool IsAuxiliarySlot(int pSlot)
{
    return pSlot >= 1 && pSlot <= KRyvControlSet::kAuxiliarySlotCount;
}

// The node owning a connected object when that object is a node's property block.
KRyvNode* NodeOfObject(KObject* pObject)
{
    if (!pObject || !pObject->IsA(KRyvNodeProperties::ClassId())) {
        return nullptr;
    }
    return static_cast<KRyvNodeProperties*>(pObject)->GetNode();
}

} // namespace

KRyvControlSet::KRyvControlSet(KRyvCharacter* pOwner) : mOwner(pOwner)
{
    Clear();
}

KRyvControlSet::~KRyvControlSet()
{
    Clear();
}

KRyvNodeReferrer* KRyvControlSet::GetReferrer()
{
    if (mOwner) {
        return mOwner;
    }
    return this;
}

void KRyvControlSet::Hold(KRyvNode* pNode, int pKind, int pIndex, int pSubIndex)
{
    if (pNode) {
        pNode->AddBackReference(GetReferrer(), pKind, pIndex, pSubIndex);
    }
}

void KRyvControlSet::Release(KRyvNode* pNode, int pKind, int pIndex, int pSubIndex)
{
    if (pNode) {
        pNode->RemoveBackReference(GetReferrer(), pKind, pIndex, pSubIndex);
    }
}

bool KRyvControlSet::SetLink(int pId, const KRyvControlSetLink& pLink)
{
    if (!IsLinkId(pId)) {
        return false;
    }
    KRyvControlSetLink& lSlot = mLinks[pId];
    Release(lSlot.mNode, kLinkReference, pId, 0);
    if (!pLink.mNode && pLink.mTemplateName.IsEmpty()) {
        lSlot = KRyvControlSetLink();
        return true;
    }
    lSlot = pLink;
    Hold(lSlot.mNode, kLinkReference, pId, 0);
    return true;
}

bool KRyvControlSet::GetLink(int pId, KRyvControlSetLink* oLink) const
{
    if (!IsLinkId(pId)) {
        return false;
    }
    const KRyvControlSetLink& lSlot = mLinks[pId];
    if (!lSlot.mNode && lSlot.mTemplateName.IsEmpty()) {
        return false;
    }
    if (oLink) {
        *oLink = lSlot;
    }
    return true;
}

bool KRyvControlSet::SetEffector(int pIndex, KRyvNode* pNode,
                                 const KRyvControlSetEffectorFlags& pFlags)
{
    if (!IsEffectorIndex(pIndex)) {
        return false;
    }
    KRyvControlSetEffector& lEffector = mEffectors[pIndex];
    Release(lEffector.mNode, kEffectorReference, pIndex, 0);
    if (!pNode) {
        // An emptied record is only shown, unlike the defaults Clear restores.
        lEffector = KRyvControlSetEffector();
        return true;
    }
    lEffector.mNode = pNode;
    lEffector.mFlags = pFlags;
    Hold(pNode, kEffectorReference, pIndex, 0);
    return true;
}

bool KRyvControlSet::GetEffector(int pIndex, KRyvControlSetEffector* oEffector) const
{
    if (!IsEffectorIndex(pIndex) || !mEffectors[pIndex].mNode) {
        return false;
    }
    if (oEffector) {
        *oEffector = mEffectors[pIndex];
    }
    return true;
}

bool KRyvControlSet::SetAuxiliaryEffector(int pIndex, KRyvNode* pNode, int pSlot)
{
    if (!IsEffectorIndex(pIndex) || !IsAuxiliarySlot(pSlot)) {
        return false;
    }
    KRyvNode*& lSlot = mAuxiliary[pIndex][pSlot - 1];
    Release(lSlot, kAuxiliaryReference, pIndex, pSlot - 1);
    lSlot = pNode;
    Hold(lSlot, kAuxiliaryReference, pIndex, pSlot - 1);
    return true;
}

bool KRyvControlSet::GetAuxiliaryEffector(int pIndex, KRyvNode*& oNode, int pSlot) const
{
    if (!IsEffectorIndex(pIndex) || !IsAuxiliarySlot(pSlot) || !mAuxiliary[pIndex][pSlot - 1]) {
        return false;
    }
    oNode = mAuxiliary[pIndex][pSlot - 1];
    return true;
}

const char* KRyvControlSet::GetEffectorName(int pIndex)
{
    return IsEffectorIndex(pIndex) ? kEffectorNames[pIndex] : nullptr;
}

int KRyvControlSet::GetEffectorIndex(const char* pName)
{
    if (!pName) {
        return -1;
    }
    for (int i = 0; i < kEffectorCount; ++i) {
        if (std::strcmp(kEffectorNames[i], pName) == 0) {
            return i;
        }
    }
    return -1;
}

KRyvControlSetEffectorFlags KRyvControlSet::GetDefaultEffectorFlags(int pIndex)
{
    if (pIndex >= 0 && pIndex < 5) {
        return kDefaultFlags[pIndex];
    }
    return KRyvControlSetEffectorFlags();
}

void KRyvControlSet::Clear()
{
    for (int i = 0; i < kLinkCount; ++i) {
        Release(mLinks[i].mNode, kLinkReference, i, 0);
        mLinks[i] = KRyvControlSetLink();
    }
    for (int i = 0; i < kEffectorCount; ++i) {
        Release(mEffectors[i].mNode, kEffectorReference, i, 0);
        mEffectors[i].mNode = nullptr;
        mEffectors[i].mFlags = GetDefaultEffectorFlags(i);
        for (int lSlot = 0; lSlot < kAuxiliarySlotCount; ++lSlot) {
            Release(mAuxiliary[i][lSlot], kAuxiliaryReference, i, lSlot);
            mAuxiliary[i][lSlot] = nullptr;
        }
    }
    mType = 0;
    mLockXForm = false;
    mLockPick = false;
}

bool KRyvControlSet::FromControlSetPlug(KRyvControlSetPlug* pPlug)
{
    KRyvControlSetPlugProperties* lProperties =
        pPlug ? pPlug->GetControlSetPlugProperties() : nullptr;
    if (!lProperties) {
        return false;
    }
    // Clear first: it resets the type, which must come from the plug.
    Clear();
    mType = lProperties->GetControlSetType();
    mUseAxis = lProperties->GetUseAxis();
    for (int lId = 0; lId < kLinkCount; ++lId) {
        KPropertyObjectList* lList = lProperties->GetLinkProperty(lId);
        if (lList && lList->GetObjectCount() > 0) {
            KRyvControlSetLink lLink;
            lLink.mNode = NodeOfObject(lList->GetObject(0));
            SetLink(lId, lLink);
        }
    }
    KRyvControlSetEffectorFlags lShownOnly;
    for (int lIndex = 0; lIndex < kEffectorCount; ++lIndex) {
        KPropertyObjectList* lList = lProperties->GetEffectorProperty(lIndex);
        const int lCount = lList ? lList->GetObjectCount() : 0;
        for (int k = 0; k < lCount; ++k) {
            KRyvNode* lNode = NodeOfObject(lList->GetObject(k));
            if (k == 0) {
                SetEffector(lIndex, lNode, lShownOnly);
            } else {
                SetAuxiliaryEffector(lIndex, lNode, k);
            }
        }
    }
    return true;
}

void KRyvControlSet::ClearNodeReference(KRyvNode* pNode, int pKind, int pIndex, int pSubIndex)
{
    if (!pNode) {
        return;
    }
    switch (pKind) {
    case kLinkReference:
        if (IsLinkId(pIndex) && mLinks[pIndex].mNode == pNode) {
            mLinks[pIndex].mNode = nullptr;
        }
        break;
    case kEffectorReference:
        if (IsEffectorIndex(pIndex) && mEffectors[pIndex].mNode == pNode) {
            mEffectors[pIndex].mNode = nullptr;
        }
        break;
    case kAuxiliaryReference:
        if (IsEffectorIndex(pIndex) && pSubIndex >= 0 && pSubIndex < kAuxiliarySlotCount &&
            mAuxiliary[pIndex][pSubIndex] == pNode) {
            mAuxiliary[pIndex][pSubIndex] = nullptr;
        }
        break;
    default:
        break;
    }
}
