#include "scene/objects/KRyvNodeLimits.h"

#include "core/KMatrixFunctions.h"
#include "core/KQuaternion.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvNodeAttribute.h"
#include "scene/KRyvPivotSet.h"
#include "scene/KRyvSkeleton.h"

void KRyvLimit::SetMinActive(bool pX, bool pY, bool pZ)
{
    mMinActive[0] = pX;
    mMinActive[1] = pY;
    mMinActive[2] = pZ;
}

void KRyvLimit::GetMinActive(bool& oX, bool& oY, bool& oZ) const
{
    oX = mMinActive[0];
    oY = mMinActive[1];
    oZ = mMinActive[2];
}

void KRyvLimit::SetMaxActive(bool pX, bool pY, bool pZ)
{
    mMaxActive[0] = pX;
    mMaxActive[1] = pY;
    mMaxActive[2] = pZ;
}

void KRyvLimit::GetMaxActive(bool& oX, bool& oY, bool& oZ) const
{
    oX = mMaxActive[0];
    oY = mMaxActive[1];
    oZ = mMaxActive[2];
}

bool KRyvLimit::HasAnyActive() const
{
    for (int lAxis = 0; lAxis < 3; ++lAxis) {
        if (mMinActive[lAxis] || mMaxActive[lAxis]) {
            return true;
        }
    }
    return false;
}

KRyvNodeLimits::KRyvNodeLimits(KRyvNode* pNode) : mNode(pNode) {}

KRyvLimit* KRyvNodeLimits::GetLimit(int pKind)
{
    return IsKind(pKind) ? &mLimits[pKind] : nullptr;
}

const KRyvLimit* KRyvNodeLimits::GetLimit(int pKind) const
{
    return IsKind(pKind) ? &mLimits[pKind] : nullptr;
}

void KRyvNodeLimits::SetAuto(int pKind, bool pAuto)
{
    if (!IsKind(pKind)) {
        return;
    }
    mActive[pKind] = !pAuto;
    if (pKind == eRotation && !pAuto && mNode) {
        mNode->SetUseRotationSpaceForLimitOnly(0, true);
    }
}

bool KRyvNodeLimits::GetAuto(int pKind) const
{
    return IsKind(pKind) ? !mActive[pKind] : true;
}

void KRyvNodeLimits::SetEnable(int pKind, bool pEnable)
{
    if (!IsKind(pKind) || GetEnable(pKind) == pEnable) {
        return;
    }
    mLimits[pKind].SetMinActive(pEnable, pEnable, pEnable);
    mLimits[pKind].SetMaxActive(pEnable, pEnable, pEnable);
}

bool KRyvNodeLimits::GetEnable(int pKind) const
{
    return IsKind(pKind) && mLimits[pKind].HasAnyActive();
}

void KRyvNodeLimits::SetDefault(int pKind, const KVector4& pValue)
{
    if (!IsKind(pKind)) {
        return;
    }
    if (pKind == eRotation) {
        if (mNode) {
            mNode->SetPreRotation(0, pValue);
        }
        return;
    }
    mLimits[pKind].SetMin(pValue);
    mLimits[pKind].SetMax(pValue);
}

KVector4 KRyvNodeLimits::GetDefault(int pKind) const
{
    if (!IsKind(pKind)) {
        return KVector4();
    }
    if (pKind == eRotation) {
        return mNode ? mNode->GetPreRotation(0) : KVector4();
    }
    return mLimits[pKind].GetMin();
}

void KRyvNodeLimits::SetMin(int pKind, const KVector4& pValue)
{
    if (IsKind(pKind)) {
        mLimits[pKind].SetMin(pValue);
    }
}

void KRyvNodeLimits::SetMax(int pKind, const KVector4& pValue)
{
    if (IsKind(pKind)) {
        mLimits[pKind].SetMax(pValue);
    }
}

KVector4 KRyvNodeLimits::GetMin(int pKind) const
{
    return IsKind(pKind) ? mLimits[pKind].GetMin() : KVector4();
}

KVector4 KRyvNodeLimits::GetMax(int pKind) const
{
    return IsKind(pKind) ? mLimits[pKind].GetMax() : KVector4();
}

int KRyvNodeLimits::GetPivotRotationOrder() const
{
    int lOrder = kRyvEulerXYZ;
    if (mNode) {
        mNode->GetRotationOrder(0, lOrder);
    }
    return lOrder;
}

void KRyvNodeLimits::SetRotationType(bool pEuler)
{
    if (mNode) {
        mNode->SetRotationOrder(0, pEuler ? kRyvEulerXYZ : kRyvSphericXYZ);
    }
}

bool KRyvNodeLimits::GetRotationType() const
{
    return GetPivotRotationOrder() != kRyvSphericXYZ;
}

bool KRyvNodeLimits::GetRotationClampType() const
{
    return GetPivotRotationOrder() == kRyvSphericXYZ;
}

void KRyvNodeLimits::SetRotationAxis(const KVector4& pAxis)
{
    if (mNode) {
        mNode->SetPostRotation(0, pAxis);
    }
}

KVector4 KRyvNodeLimits::GetRotationAxis() const
{
    return mNode ? mNode->GetPostRotation(0) : KVector4();
}

void KRyvNodeLimits::VectorCross(KVector4& pDst, const KVector4& pA, const KVector4& pB)
{
    const double lX = pA[1] * pB[2] - pA[2] * pB[1];
    const double lY = pA[2] * pB[0] - pA[0] * pB[2];
    const double lZ = pA[0] * pB[1] - pA[1] * pB[0];
    pDst[0] = lX;
    pDst[1] = lY;
    pDst[2] = lZ;
}

void KRyvNodeLimits::VectorScale(KVector4& pDst, const KVector4& pV, double pScale)
{
    pDst[0] = pV[0] * pScale;
    pDst[1] = pV[1] * pScale;
    pDst[2] = pV[2] * pScale;
}

void KRyvNodeLimits::MatrixCopy3x3(KMatrix& pDst, const KMatrix& pSrc)
{
    for (int lRow = 0; lRow < 3; ++lRow) {
        for (int lColumn = 0; lColumn < 3; ++lColumn) {
            pDst.Set(lRow, lColumn, pSrc.Get(lRow, lColumn));
        }
    }
}

namespace {

KVector4 Row(const KMatrix& pMatrix, int pRow)
{
    return KVector4(pMatrix.Get(pRow, 0), pMatrix.Get(pRow, 1), pMatrix.Get(pRow, 2), 1.0);
}

void SetRow(KMatrix& ioMatrix, int pRow, const KVector4& pValue)
{
    for (int lColumn = 0; lColumn < 3; ++lColumn) {
        ioMatrix.Set(pRow, lColumn, pValue[lColumn]);
    }
}

// Gives each axis row length 1. False (pDst then undefined) when a row has length 0: a zero
// scale leaves no orientation to work from.
bool NormalizeRows(KMatrix& pDst, const KMatrix& pSrc)
{
    for (int lRow = 0; lRow < 3; ++lRow) {
        const KVector4 lAxis = Row(pSrc, lRow);
        const double lLength = lAxis.Length();
        if (!(lLength > 0.0)) {
            return false;
        }
        KVector4 lUnit;
        KRyvNodeLimits::VectorScale(lUnit, lAxis, 1.0 / lLength);
        SetRow(pDst, lRow, lUnit);
    }
    return true;
}

// Running maximum of one child category: strictly farther replaces, so the first of equals wins.
struct FarthestChild
{
    double mDistance = 0.0;
    KVector4 mTranslation;

    void Offer(double pDistance, const KVector4& pTranslation)
    {
        if (pDistance > mDistance) {
            mDistance = pDistance;
            mTranslation = pTranslation;
        }
    }
};

// Skeleton type 3 counts as a root (type 0).
bool IsRootSkeleton(const KRyvSkeleton* pSkeleton)
{
    const int lType = pSkeleton->GetSkeletonType();
    return lType == KRyvSkeleton::eRoot || lType == 3;
}

} // namespace

KVector4 KRyvNodeLimits::GetAxisDirection(KRyvNode* pNode)
{
    if (!pNode) {
        return KVector4(0.0, 0.0, 0.0, 1.0);
    }
    FarthestChild lAll;
    FarthestChild lWithoutAttribute;
    FarthestChild lMarker;
    FarthestChild lLimbSkeleton;
    FarthestChild lRootSkeleton;
    for (int lIndex = 0; lIndex < pNode->GetChildCount(); ++lIndex) {
        KRyvNode* lChild = pNode->GetChild(lIndex);
        if (!lChild) {
            continue;
        }
        const KVector4 lTranslation = Row(lChild->GetDefaultLocalMatrix(), 3);
        const double lDistance = lTranslation.Length();
        lAll.Offer(lDistance, lTranslation);
        KRyvNodeAttribute* lAttribute = lChild->GetNodeAttribute();
        if (!lAttribute) {
            lWithoutAttribute.Offer(lDistance, lTranslation);
        } else if (lAttribute->GetAttributeType() == KRyvNodeAttribute::eMarker) {
            lMarker.Offer(lDistance, lTranslation);
        } else if (KRyvSkeleton* lSkeleton = lChild->GetSkeleton()) {
            (IsRootSkeleton(lSkeleton) ? lRootSkeleton : lLimbSkeleton)
                .Offer(lDistance, lTranslation);
        }
    }

    const FarthestChild* lChoice = nullptr;
    KRyvNodeAttribute* lOwn = pNode->GetNodeAttribute();
    if (!lOwn) {
        lChoice = &lWithoutAttribute;
    } else if (lOwn->GetAttributeType() == KRyvNodeAttribute::eMarker) {
        lChoice = &lMarker;
    } else if (KRyvSkeleton* lSkeleton = pNode->GetSkeleton()) {
        lChoice = IsRootSkeleton(lSkeleton) ? &lRootSkeleton : &lLimbSkeleton;
    }
    if (lChoice && lChoice->mDistance > 0.0) {
        return lChoice->mTranslation;
    }
    if (lAll.mDistance > 0.0) {
        return lAll.mTranslation;
    }
    return GetFarthestControlPoint(pNode);
}

void KRyvNodeLimits::ComputeAutoLimits(KRyvNode* pNode)
{
    // The matrices come from the argument but the results land in this object and its owner's
    // pivot set: only the owner itself makes sense.
    if (!pNode || pNode != mNode) {
        return;
    }
    KRyvNode* lParent = pNode->GetParent();
    if (!lParent) {
        return;
    }
    const bool lAutoT = !mActive[eTranslation];
    const bool lAutoR = !mActive[eRotation];
    const bool lAutoS = !mActive[eScaling];
    if (!lAutoT && !lAutoR && !lAutoS) {
        return;
    }
    // Copies: the node's matrix caches may be refreshed by the calls below.
    const KMatrix lP = lParent->GetDefaultGlobalMatrix();
    const KMatrix lG = pNode->GetDefaultGlobalMatrix();
    const KMatrix lL = pNode->GetDefaultLocalMatrix();

    if (lAutoT) {
        const KVector4 lT(lL.Get(3, 0), lL.Get(3, 1), lL.Get(3, 2), 0.0);
        mLimits[eTranslation].SetMin(lT);
        mLimits[eTranslation].SetMax(lT);
    }

    KMatrix lGn;
    KMatrix lPn;
    if (lAutoR && NormalizeRows(lGn, lG) && NormalizeRows(lPn, lP)) {
        const KVector4 lDirection = GetAxisDirection(pNode);
        const double lAxisLength = lDirection.Length();
        KVector4 lD = Row(lG, 3) - Row(lP, 3);
        const double lDistance = lD.Length();

        KMatrix lR;
        MatrixCopy3x3(lR, lGn);
        if (lAxisLength > 0.0) {
            KVector4 lA;
            VectorScale(lA, lDirection, 1.0 / lAxisLength);
            VectorMultiplyMatrix3x3(lA, lGn, lA);
            KVector4 lN;
            if (lDistance > 0.0) {
                VectorScale(lD, lD, 1.0 / lDistance);
                VectorCross(lN, lD, lA);
            }
            if (lDistance > 0.0 && lN.Length() > 0.0) {
                lN.Normalize();
                KVector4 lRow1;
                VectorCross(lRow1, lN, lA);
                SetRow(lR, 0, lA);
                SetRow(lR, 1, lRow1);
                SetRow(lR, 2, lN);
            } else {
                // Turn the node's X axis onto the bone direction by the shortest arc (a half
                // turn when they are opposite).
                KQuaternion lQ;
                QuaternionFromArc(lQ, Row(lGn, 0), lA);
                KMatrix lTurn;
                QuaternionToMatrix(lTurn, lQ);
                MatrixMultiply3x3(lR, lTurn, lGn);
            }
        }

        KMatrix lRelative;
        KVector4 lPreRotation(0.0, 0.0, 0.0, 1.0);
        MatrixMultiplyTranspose3x3(lRelative, lPn, lR);
        MatrixToEulerXYZ(lPreRotation, lRelative);
        KVector4 lPostRotation(0.0, 0.0, 0.0, 1.0);
        MatrixMultiplyTranspose3x3(lRelative, lGn, lR);
        MatrixToEulerXYZ(lPostRotation, lRelative);

        pNode->SetPreRotation(0, lPreRotation);
        pNode->SetPostRotation(0, lPostRotation);
        mAxisLength = lAxisLength;
        pNode->SetRotationOrder(0, lDistance > 0.0 ? kRyvEulerXYZ : kRyvSphericXYZ);
    }

    if (lAutoS) {
        KVector4 lScale;
        MatrixGetScale(lScale, lL);
        mLimits[eScaling].SetMin(lScale);
        mLimits[eScaling].SetMax(lScale);
    }
}

KVector4 KRyvNodeLimits::GetFarthestControlPoint(KRyvNode* pNode)
{
    KVector4 lFarthest(0.0, 0.0, 0.0, 1.0);
    KRyvNodeAttribute* lAttribute = pNode ? pNode->GetNodeAttribute() : nullptr;
    if (!lAttribute) {
        return lFarthest;
    }
    const int lType = lAttribute->GetAttributeType();
    if (lType != KRyvNodeAttribute::eMesh && lType != KRyvNodeAttribute::eNurb &&
        lType != KRyvNodeAttribute::ePatch) {
        return lFarthest;
    }
    const auto* lSource = dynamic_cast<const KRyvControlPointSource*>(lAttribute);
    const KVector4* lPoints = lSource ? lSource->GetControlPoints() : nullptr;
    if (!lPoints) {
        return lFarthest;
    }
    double lMax = 0.0;
    for (int lIndex = 0; lIndex < lSource->GetControlPointCount(); ++lIndex) {
        const double lLength = lPoints[lIndex].Length();
        if (lLength > lMax) {
            lMax = lLength;
            lFarthest = lPoints[lIndex];
        }
    }
    return lFarthest;
}
