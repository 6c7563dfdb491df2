#include "scene/objects/KRyvLink.h"

#include "core/KAffineMatrix.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvNodeProperties.h"
#include "scene/objects/KRyvDeformer.h"

void KRyvLink::TRS::SetMatrix(const KMatrix& pMatrix)
{
    const KAffineMatrix lAffine(pMatrix);
    mR = lAffine.GetR();
    mT = lAffine.GetT();
    mS = lAffine.GetS();
}

KMatrix& KRyvLink::TRS::GetMatrix(KMatrix& oMatrix) const
{
    oMatrix = KMatrix();
    oMatrix.SetTRS(mT, mR, mS);
    return oMatrix;
}

KRyvLink::KRyvLink()
{
    Reset();
}

KRyvLink::KRyvLink(const KRyvLink& pOther)
{
    *this = pOther;
}

KRyvLink& KRyvLink::operator=(const KRyvLink& pOther)
{
    if (this == &pOther) {
        return *this;
    }
    Reset();
    mLink = pOther.mLink;
    mLinkName = pOther.mLinkName;
    mAssociateModel = pOther.mAssociateModel;
    mAssociateModelName = pOther.GetAssociateModel() ? pOther.mAssociateModelName : KString("");
    mUserDataID = pOther.mUserDataID;
    mUserData = pOther.mUserData;
    mLinkMode = pOther.mLinkMode;
    mTransform = pOther.mTransform;
    mTransformLink = pOther.mTransformLink;
    mAssociate = pOther.mAssociate;
    mParent = pOther.mParent;
    mParentSet = pOther.mParentSet;
    mIndices = pOther.mIndices;
    mWeights = pOther.mWeights;
    return *this;
}

KRyvLink::~KRyvLink() = default;

void KRyvLink::Reset()
{
    mLink = KWeakHandle();
    mLinkName = "";
    mLinkMode = eAdditive;
    mAssociateModel = KWeakHandle();
    mAssociateModelName = "";
    mUserDataID = "";
    mUserData = "";
    mTransform = TRS();
    mTransformLink = TRS();
    mAssociate = TRS();
    mParent = TRS();
    mParentSet = false;
    mIndices.clear();
    mWeights.clear();
}

KWeakHandle KRyvLink::HoldNode(KRyvNode* pNode)
{
    KRyvNodeProperties* lBlock = pNode ? pNode->GetNodeProperties() : nullptr;
    return lBlock ? lBlock->GetWeakHandle() : KWeakHandle();
}

KRyvNode* KRyvLink::ResolveNode(const KWeakHandle& pHandle)
{
    // Only node blocks are ever held here.
    KRyvNodeProperties* lBlock = static_cast<KRyvNodeProperties*>(pHandle.Get());
    return lBlock ? lBlock->GetNode() : nullptr;
}

void KRyvLink::SetLink(KRyvNode* pNode)
{
    if (!pNode) {
        return;
    }
    mLink = HoldNode(pNode);
    mLinkName = pNode->GetName();
}

void KRyvLink::SetAssociateModel(KRyvNode* pNode)
{
    mAssociateModel = HoldNode(pNode);
    mAssociateModelName = pNode ? pNode->GetName() : KString("");
}

const KString& KRyvLink::GetAssociateModelName()
{
    if (KRyvNode* lModel = GetAssociateModel()) {
        mAssociateModelName = lModel->GetName();
    }
    return mAssociateModelName;
}

void KRyvLink::SetUserData(const char* pID, const char* pValue)
{
    mUserDataID = pID ? pID : "";
    mUserData = pValue ? pValue : "";
}

void KRyvLink::SetTransformMatrix(const KMatrix& pMatrix)
{
    mTransform.SetMatrix(pMatrix);
}

KMatrix& KRyvLink::GetTransformMatrix(KMatrix& oMatrix) const
{
    return mTransform.GetMatrix(oMatrix);
}

void KRyvLink::SetTransformLinkMatrix(const KMatrix& pMatrix)
{
    mTransformLink.SetMatrix(pMatrix);
}

KMatrix& KRyvLink::GetTransformLinkMatrix(KMatrix& oMatrix) const
{
    return mTransformLink.GetMatrix(oMatrix);
}

void KRyvLink::SetTransformAssociateModelMatrix(const KMatrix& pMatrix)
{
    mAssociate.SetMatrix(pMatrix);
}

KMatrix& KRyvLink::GetTransformAssociateModelMatrix(KMatrix& oMatrix) const
{
    return mAssociate.GetMatrix(oMatrix);
}

void KRyvLink::SetTransformParentMatrix(const KMatrix& pMatrix)
{
    mParent.SetMatrix(pMatrix);
    mParentSet = true;
}

KMatrix& KRyvLink::GetTransformParentMatrix(KMatrix& oMatrix) const
{
    return mParent.GetMatrix(oMatrix);
}

void KRyvLink::AddControlPointIndex(int pIndex, double pWeight)
{
    if (pIndex < 0) {
        return;
    }
    mIndices.push_back(pIndex);
    mWeights.push_back(pWeight);
}

void KRyvLink::CopyFromCluster(const KRyvDeformer* pDeformer)
{
    Reset();
    if (!pDeformer || pDeformer->GetDeformerType() != KRyvDeformer::eCluster) {
        return;
    }
    mLinkMode = pDeformer->GetLinkMode();
    mUserDataID = pDeformer->GetUserDataID();
    mUserData = pDeformer->GetUserData();
    mIndices = pDeformer->GetControlPointIndexArray();
    mWeights = pDeformer->GetControlPointWeightArray();
    SetTransformMatrix(pDeformer->GetTransformMatrix());
    SetTransformLinkMatrix(pDeformer->GetTransformLinkMatrix());
    SetTransformAssociateModelMatrix(pDeformer->GetTransformAssociateModelMatrix());
    SetTransformParentMatrix(pDeformer->GetTransformParentMatrix());
    mParentSet = pDeformer->GetTransformParentSet();
}
