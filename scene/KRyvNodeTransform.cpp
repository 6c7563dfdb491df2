// KRyvNode: transform evaluation (pivot-set, take-curve and work matrices) and the conversion of
// a subtree's animation from one pivot set to the other.

#include "scene/KRyvNode.h"

#include "animation/KFCurve.h"
#include "animation/KFCurveFilterMatrixConverter.h"
#include "animation/KFCurveNode.h"
#include "animation/KRyvTakeNode.h"
#include "core/KMatrixFunctions.h"
#include "scene/KRyvGeometryPivot.h"
#include "scene/KRyvNodeAttribute.h"
#include "scene/KRyvNodeProperties.h"

#include <cmath>
#include <cstring>
#include <utility>

namespace {

const KMatrix kIdentity;

KMatrix RotationMatrix(const KVector4& pEuler)
{
    KMatrix lMatrix;
    EulerToMatrixXYZ(lMatrix, pEuler[0], pEuler[1], pEuler[2]);
    return lMatrix;
}

KMatrix TranslationMatrix(const KVector4& pTranslation)
{
    KMatrix lMatrix;
    for (int i = 0; i < 3; ++i) {
        lMatrix.Set(3, i, pTranslation[i]);
    }
    return lMatrix;
}

KMatrix Transposed(const KMatrix& pMatrix)
{
    KMatrix lMatrix;
    MatrixTranspose3x3(lMatrix, pMatrix);
    return lMatrix;
}

// A vector of a pivot set counts as zero while the set is not in use.
KVector4 Counted(const KRyvPivotSet& pSet, const KVector4& pVector)
{
    return pSet.mPivotState == KRyvPivotSet::kPivotActive ? pVector : KVector4();
}

bool IsZeroVector(const KVector4& pVector)
{
    return pVector[0] == 0.0 && pVector[1] == 0.0 && pVector[2] == 0.0;
}

// The parent's rotation pivot seen through the transpose of its post-rotation, which the pivot-set
// model takes off a child's translation; zero when the parent's set is not in use.
KVector4 ParentPivotShift(const KRyvPivotSet& pParentSet)
{
    KVector4 lShift;
    if (pParentSet.mPivotState == KRyvPivotSet::kPivotActive) {
        VectorMultiplyMatrix3x3(lShift, Transposed(RotationMatrix(pParentSet.mPostRotation)),
                                pParentSet.mRotationPivot);
    }
    return lShift;
}

// True when the rotation of pMatrix, taken through Euler angles and back, is not the identity.
bool IsTurn(const KMatrix& pMatrix)
{
    KVector4 lAngles;
    MatrixToEulerUnscaled(lAngles, pMatrix);
    return MatrixCompare(RotationMatrix(lAngles), kIdentity, 1e-6) != 0;
}

// The direct child named exactly pName; null when none.
const KFCurveNode* DirectChild(const KFCurveNode* pNode, const char* pName)
{
    for (int i = 0; pNode && i < pNode->GetCount(); ++i) {
        const KFCurveNode* lChild = pNode->Get(i);
        if (lChild && std::strcmp(lChild->GetName(), pName) == 0) {
            return lChild;
        }
    }
    return nullptr;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Pivot-set model

const KMatrix& KRyvNode::GetGlobalMatrix(int pSet, bool pForce)
{
    KRyvPivotSet* lSet = GetPivotSet(pSet);
    if (!lSet) {
        return kIdentity;
    }
    if (!pForce && lSet->mGlobalMatrixValid) {
        return mCaches->mPivotGlobal[pSet];
    }
    KRyvNode* lRoot = this;
    while (KRyvNode* lParent = lRoot->GetParent()) {
        lRoot = lParent;
    }
    lRoot->ComputeGlobalMatrices(pSet);
    return Caches().mPivotGlobal[pSet];
}

KVector4& KRyvNode::GetGlobalTranslation(KVector4& oVector, int pSet, bool pForce)
{
    const KMatrix& lMatrix = GetGlobalMatrix(pSet, pForce);
    for (int i = 0; i < 3; ++i) {
        oVector[i] = lMatrix.Get(3, i);
    }
    return oVector;
}

KVector4& KRyvNode::GetGlobalRotation(KVector4& oVector, int pSet, bool pForce)
{
    MatrixToEulerUnscaled(oVector, GetGlobalMatrix(pSet, pForce));
    return oVector;
}

KVector4& KRyvNode::GetGlobalScaling(KVector4& oVector, int pSet, bool pForce)
{
    MatrixGetScale(oVector, GetGlobalMatrix(pSet, pForce));
    return oVector;
}

void KRyvNode::ComputeGlobalMatrices(int pSet)
{
    if (!GetPivotSet(pSet)) {
        return;
    }
    // Parents before children, without recursion: trees from files can be deep.
    std::vector<KRyvNode*> lNodes;
    CollectSubtree(lNodes);
    for (KRyvNode* lNode : lNodes) {
        KRyvPivotSet& lSet = *lNode->GetPivotSet(pSet);
        KRyvNode* lParent = lNode->GetParent();
        const KMatrix lParentMatrix = lParent ? lParent->GetGlobalMatrix(pSet, false) : kIdentity;
        const bool lOn = lSet.mPivotState == KRyvPivotSet::kPivotActive;

        KVector4 lT = lNode->GetLclValue(0, KVector4());
        if (lOn) {
            lT += lSet.mRotationPivot;
        }
        if (lParent) {
            lT = lT - ParentPivotShift(*lParent->GetPivotSet(pSet));
        }
        KMatrix lLocal;
        if (lOn) {
            lT += lSet.mRotationOffset;
            lLocal = RotationMatrix(lSet.mPreRotation);
        }
        MatrixMultiply3x3(lLocal, lLocal, RotationMatrix(lNode->GetLclValue(1, KVector4())));
        if (lOn) {
            MatrixMultiply3x3(lLocal, lLocal, RotationMatrix(lSet.mPostRotation));
        }
        const KVector4 lS = lNode->GetLclValue(2, KVector4());
        KMatrix lScale;
        for (int i = 0; i < 3; ++i) {
            lScale.Set(i, i, lS[i]);
        }
        MatrixMultiply3x3(lLocal, lLocal, lScale);
        for (int i = 0; i < 3; ++i) {
            lLocal.Set(3, i, lT[i]);
        }
        const KVector4 lParentScaling =
            lParent ? lParent->GetLclValue(2, KVector4()) : KVector4(1.0, 1.0, 1.0);
        lNode->ComposeGlobal(lNode->Caches().mPivotGlobal[pSet], lParentMatrix, lLocal,
                             lParentScaling);
        lSet.mGlobalMatrixValid = true;
    }
}

// ---------------------------------------------------------------------------------------------
// Take-curve model

// The nine curves "Transform"/{T, R, S}/{X, Y, Z} of a take (null where missing). The names
// InitTakeNode gives are tried first, byte for byte, since this runs for every node at every
// sampled time; trees from elsewhere fall back to the curve nodes' own (case-insensitive,
// data-typed) look-up.
void KRyvNode::FindTransformCurves(KRyvTakeNode* pTake, KFCurve* oCurves[3][3])
{
    static const char* const kKinds[3] = {"T", "R", "S"};
    static const char* const kAxes[3] = {"X", "Y", "Z"};
    const KFCurveNode* lRoot = pTake ? pTake->GetKFCurveNode() : nullptr;
    const KFCurveNode* lTransform = DirectChild(lRoot, "Transform");
    if (!lTransform && lRoot) {
        lTransform = lRoot->FindChild("Transform");
    }
    const KFCurveNode* lKinds[3];
    for (int k = 0; k < 3; ++k) {
        lKinds[k] = DirectChild(lTransform, kKinds[k]);
        if (!lKinds[k]) {
            KFCurveNode::GetTRSCurves(lTransform, oCurves[0], oCurves[1], oCurves[2]);
            return;
        }
    }
    for (int k = 0; k < 3; ++k) {
        for (int a = 0; a < 3; ++a) {
            const KFCurveNode* lAxis = DirectChild(lKinds[k], kAxes[a]);
            oCurves[k][a] = lAxis ? lAxis->GetCurve() : nullptr;
        }
    }
}

KRyvNodeEvaluationCaches& KRyvNode::Caches()
{
    if (!mCaches) {
        mCaches = std::make_unique<KRyvNodeEvaluationCaches>();
    }
    return *mCaches;
}

const KRyvNodeTransformCurves& KRyvNode::GetTransformCurves(KRyvTakeNode* pTake)
{
    KRyvNodeTransformCurves& lCache = Caches().mCurves;
    const std::uint64_t lStamp = KFCurveNode::GetStructureStamp();
    if (!lCache.mValid || lCache.mTake != pTake || lCache.mStamp != lStamp) {
        FindTransformCurves(pTake, lCache.mCurves);
        lCache.mTake = pTake;
        lCache.mStamp = lStamp;
        lCache.mValid = true;
    }
    return lCache;
}

bool KRyvNode::GetWaitingTransformValues(const KRyvTakeNode* pTake, KVector4 oValues[3]) const
{
    constexpr unsigned kTransformParts = kPartTranslation * 7u;
    float lValues[kChannelValueCount];
    if (!pTake || !pTake->IsContentDeferred() ||
        (pTake->GetDeferredParts() & kTransformParts) != kTransformParts ||
        !FindDeferredValues(*pTake, lValues)) {
        return false;
    }
    // As the curves made from them would answer: their single-precision defaults.
    for (int lKind = 0; lKind < 3; ++lKind) {
        for (int lAxis = 0; lAxis < 3; ++lAxis) {
            oValues[lKind][lAxis] = lValues[lKind * 3 + lAxis];
        }
    }
    return true;
}

void KRyvNode::EvaluateLocalMatrix(KMatrix& oMatrix, bool pRest, KTime pTime)
{
    const bool lDefault = pRest || GetCurrentTakeNodeIndex() == 0;
    KRyvTakeNode* lTake = lDefault                         ? GetDefaultTakeNode()
                          : GetCurrentTakeNodeIndex() >= 0 ? GetCurrentTakeNode()
                                                           : nullptr;
    int lHints[3][3] = {};
    KVector4 lScaling;
    ComputeLocalMatrix(oMatrix, lScaling, lTake, !lDefault, pTime, lHints, false);
}

void KRyvNode::ComputeLocalMatrix(KMatrix& oMatrix, KVector4& oScaling, KRyvTakeNode* pTake,
                                  bool pAtTime, KTime pTime, int (*ioHints)[3], bool pCacheCurves)
{
    // A take without one of the channels uses the start values for it.
    KVector4 lValues[3] = {KVector4(), KVector4(), KVector4(1.0, 1.0, 1.0)};
    // Channels that wait hold no key: their values hold at every time, and nothing is made.
    if (GetWaitingTransformValues(pTake, lValues)) {
        MatrixSetTRS(oMatrix, lValues[0], lValues[1], lValues[2]);
        oScaling = lValues[2];
        return;
    }
    KFCurve* lFound[3][3];
    if (!pCacheCurves) {
        FindTransformCurves(pTake, lFound);
    }
    KFCurve* const(*lCurves)[3] = pCacheCurves ? GetTransformCurves(pTake).mCurves : lFound;
    for (int lKind = 0; lKind < 3; ++lKind) {
        for (int lAxis = 0; lAxis < 3; ++lAxis) {
            const KFCurve* lCurve = lCurves[lKind][lAxis];
            if (!lCurve) {
                continue;
            }
            lValues[lKind][lAxis] = pAtTime ? lCurve->Evaluate(pTime, &ioHints[lKind][lAxis])
                                            : lCurve->GetDefaultValue();
        }
    }
    MatrixSetTRS(oMatrix, lValues[0], lValues[1], lValues[2]);
    oScaling = lValues[2];
}

void KRyvNode::ComposeGlobal(KMatrix& oGlobal, const KMatrix& pParentGlobal, const KMatrix& pLocal,
                             const KVector4& pParentScaling) const
{
    int lInherit = kRyvInheritRrSs;
    if (GetTransformInheritType(lInherit) != kRyvInheritRrs) {
        MatrixMultiplyAffine(oGlobal, pParentGlobal, pLocal);
        return;
    }
    // Axes: the local ones with the parent's own scaling divided out, then the whole parent. A
    // parent scaling of 0 on an axis leaves nothing to divide out there.
    KMatrix lAxes;
    for (int lRow = 0; lRow < 3; ++lRow) {
        for (int lColumn = 0; lColumn < 3; ++lColumn) {
            const double lScale = pParentScaling[lColumn];
            lAxes.Set(lRow, lColumn, pLocal.Get(lRow, lColumn) / (lScale == 0.0 ? 1.0 : lScale));
        }
    }
    KVector4 lPosition;
    VectorMultiplyMatrixAffine(lPosition, pParentGlobal,
                               KVector4(pLocal.Get(3, 0), pLocal.Get(3, 1), pLocal.Get(3, 2)));
    MatrixMultiplyAffine(oGlobal, pParentGlobal, lAxes);
    for (int lColumn = 0; lColumn < 3; ++lColumn) {
        oGlobal.Set(3, lColumn, lPosition[lColumn]);
    }
}

const KMatrix& KRyvNode::GetDefaultLocalMatrix()
{
    KRyvNodeMatrixCache& lCache = Caches().mDefault;
    if (!lCache.mLocalValid) {
        ComputeLocalMatrix(lCache.mLocal, lCache.mScaling, GetDefaultTakeNode(), false, KTime(),
                           lCache.mHints);
        lCache.mLocalValid = true;
        lCache.mGlobalValid = false;
    }
    return lCache.mLocal;
}

const KMatrix& KRyvNode::GetLocalMatrixAtTime(KTime pTime)
{
    KRyvNodeMatrixCache& lCache = Caches().mTime;
    if (!lCache.mLocalValid || lCache.mTime != pTime) {
        KRyvTakeNode* lTake = GetCurrentTakeNodeIndex() >= 0 ? GetCurrentTakeNode() : nullptr;
        ComputeLocalMatrix(lCache.mLocal, lCache.mScaling, lTake, true, pTime, lCache.mHints);
        lCache.mTime = pTime;
        lCache.mLocalValid = true;
        // The global matrix was made for the old time.
        lCache.mGlobalValid = false;
    }
    return lCache.mLocal;
}

const KMatrix& KRyvNode::GetDefaultGlobalMatrix()
{
    if (IsDefaultGlobalValid()) {
        return mCaches->mDefault.mGlobal;
    }
    // Walk up to the first ancestor with a valid cache, then compute downwards: no recursion
    // along deep chains.
    std::vector<KRyvNode*> lChain;
    for (KRyvNode* lNode = this; lNode && !lNode->IsDefaultGlobalValid();
         lNode = lNode->GetParent()) {
        lChain.push_back(lNode);
    }
    for (auto lIt = lChain.rbegin(); lIt != lChain.rend(); ++lIt) {
        KRyvNode* lNode = *lIt;
        const KMatrix lLocal = lNode->GetDefaultLocalMatrix();
        KRyvNodeMatrixCache& lCache = lNode->Caches().mDefault;
        // The parent is valid by now: it was valid already or came earlier in the chain.
        if (KRyvNode* lParent = lNode->GetParent()) {
            const KRyvNodeMatrixCache& lAbove = lParent->mCaches->mDefault;
            lNode->ComposeGlobal(lCache.mGlobal, lAbove.mGlobal, lLocal, lAbove.mScaling);
        } else {
            MatrixCopyAffine(lCache.mGlobal, lLocal);
        }
        lCache.mGlobalValid = true;
    }
    return mCaches->mDefault.mGlobal;
}

void KRyvNode::ComputeGlobalMatrixAtTime(KRyvNode* pParent, KTime pTime)
{
    const KMatrix& lLocal = GetLocalMatrixAtTime(pTime);
    KRyvNodeMatrixCache& lCache = mCaches->mTime;
    // The parent is valid at pTime, so its caches exist.
    if (pParent) {
        const KRyvNodeMatrixCache& lAbove = pParent->mCaches->mTime;
        ComposeGlobal(lCache.mGlobal, lAbove.mGlobal, lLocal, lAbove.mScaling);
    } else {
        MatrixCopyAffine(lCache.mGlobal, lLocal);
    }
    lCache.mGlobalValid = true;
}

const KMatrix& KRyvNode::GetGlobalMatrixAtTime(KTime pTime)
{
    if (IsGlobalValidAt(pTime)) {
        return mCaches->mTime.mGlobal;
    }
    // Passes over a tree meet the parent done already: no chain to build then.
    KRyvNode* lParent = GetParent();
    if (!lParent || lParent->IsGlobalValidAt(pTime)) {
        ComputeGlobalMatrixAtTime(lParent, pTime);
        return mCaches->mTime.mGlobal;
    }
    // Up to the first ancestor valid at pTime, each node with its parent, then computed
    // downwards: no recursion along deep chains.
    std::vector<std::pair<KRyvNode*, KRyvNode*>> lChain{{this, lParent}};
    for (KRyvNode* lNode = lParent; lNode && !lNode->IsGlobalValidAt(pTime);) {
        KRyvNode* lUp = lNode->GetParent();
        lChain.emplace_back(lNode, lUp);
        lNode = lUp;
    }
    for (auto lIt = lChain.rbegin(); lIt != lChain.rend(); ++lIt) {
        lIt->first->ComputeGlobalMatrixAtTime(lIt->second, pTime);
    }
    return mCaches->mTime.mGlobal;
}

void KRyvNode::InvalidateMatrixCaches(bool pSubtree)
{
    // A node without caches has nothing valid to drop.
    if (!pSubtree) {
        if (mCaches) {
            mCaches->mDefault.Invalidate();
            mCaches->mTime.Invalidate();
        }
        return;
    }
    std::vector<KRyvNode*> lNodes;
    CollectSubtree(lNodes);
    for (KRyvNode* lNode : lNodes) {
        if (lNode->mCaches) {
            lNode->mCaches->mDefault.Invalidate();
            lNode->mCaches->mTime.Invalidate();
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Work matrices

void KRyvNode::SetWorkMatrixFromDefault(bool pRecursive)
{
    std::vector<KRyvNode*> lNodes{this};
    if (pRecursive) {
        lNodes.clear();
        CollectSubtree(lNodes);
    }
    for (KRyvNode* lNode : lNodes) {
        MatrixCopyAffine(lNode->Caches().mLocalWork, lNode->GetDefaultLocalMatrix());
    }
}

void KRyvNode::SetWorkMatrixAtTime(KTime pTime, bool pRecursive)
{
    std::vector<KRyvNode*> lNodes{this};
    if (pRecursive) {
        lNodes.clear();
        CollectSubtree(lNodes);
    }
    for (KRyvNode* lNode : lNodes) {
        const bool lDefault = lNode->GetCurrentTakeNodeIndex() == 0;
        MatrixCopyAffine(lNode->Caches().mLocalWork, lDefault ? lNode->GetDefaultLocalMatrix()
                                                              : lNode->GetLocalMatrixAtTime(pTime));
    }
}

void KRyvNode::SetWorkMatrixStamp(int pStamp, bool pRecursive)
{
    std::vector<KRyvNode*> lNodes{this};
    if (pRecursive) {
        lNodes.clear();
        CollectSubtree(lNodes);
    }
    for (KRyvNode* lNode : lNodes) {
        lNode->mWorkStamp = pStamp;
    }
}

void KRyvNode::UpdateGlobalWorkMatrix(int pStamp, bool pRecursive)
{
    if (mWorkStamp == pStamp) {
        return;
    }
    // This node and the ancestors that do not hold the stamp yet, computed from the top down.
    std::vector<KRyvNode*> lChain;
    for (KRyvNode* lNode = this; lNode && lNode->mWorkStamp != pStamp; lNode = lNode->GetParent()) {
        lChain.push_back(lNode);
    }
    for (auto lIt = lChain.rbegin(); lIt != lChain.rend(); ++lIt) {
        KRyvNode* lNode = *lIt;
        lNode->mWorkStamp = pStamp;
        if (KRyvNode* lParent = lNode->GetParent()) {
            MatrixMultiplyAffine(lNode->Caches().mGlobalWork, lParent->Caches().mGlobalWork,
                                 lNode->Caches().mLocalWork);
        } else {
            MatrixCopyAffine(lNode->Caches().mGlobalWork, lNode->Caches().mLocalWork);
        }
    }
    if (!pRecursive) {
        return;
    }
    // A child already holding the stamp is passed over together with its subtree.
    // lParents runs beside lStack and holds the parent of each stacked node.
    std::vector<KRyvNode*> lStack;
    std::vector<KRyvNode*> lParents;
    PushChildrenReversed(lStack);
    lParents.resize(lStack.size(), this);
    while (!lStack.empty()) {
        KRyvNode* lNode = lStack.back();
        KRyvNode* lParent = lParents.back();
        lStack.pop_back();
        lParents.pop_back();
        if (lNode->mWorkStamp == pStamp) {
            continue;
        }
        lNode->mWorkStamp = pStamp;
        MatrixMultiplyAffine(lNode->Caches().mGlobalWork, lParent->Caches().mGlobalWork,
                             lNode->Caches().mLocalWork);
        lNode->PushChildrenReversed(lStack);
        lParents.resize(lStack.size(), lNode);
    }
}

void KRyvNode::SetGlobalWorkMatrix(const KMatrix& pMatrix)
{
    MatrixCopyAffine(Caches().mGlobalWork, pMatrix);
}

const KMatrix& KRyvNode::GetLocalWorkMatrix() const
{
    static const KMatrix kIdentity;
    return mCaches ? mCaches->mLocalWork : kIdentity;
}

// ---------------------------------------------------------------------------------------------
// Pivot conversion

namespace {

// One node's move from a source to a target pivot set: each set's vectors as they count (zero
// while the set is not in use) and the pre- and post-rotations they give.
struct PivotConversion
{
    PivotConversion(const KRyvPivotSet& pSource, const KRyvPivotSet& pTarget)
        : mSource(pSource), mTarget(pTarget),
          mSourcePre(RotationMatrix(Counted(pSource, pSource.mPreRotation))),
          mTargetPre(RotationMatrix(Counted(pTarget, pTarget.mPreRotation))),
          mSourcePost(RotationMatrix(Counted(pSource, pSource.mPostRotation))),
          mTargetPost(RotationMatrix(Counted(pTarget, pTarget.mPostRotation))),
          mAnyPre(!IsZeroVector(Counted(pSource, pSource.mPreRotation)) ||
                  !IsZeroVector(Counted(pTarget, pTarget.mPreRotation))),
          mAnyPost(!IsZeroVector(Counted(pSource, pSource.mPostRotation)) ||
                   !IsZeroVector(Counted(pTarget, pTarget.mPostRotation)))
    {
    }

    // The source's counted vector minus the target's.
    KVector4 Difference(KVector4 KRyvPivotSet::*pVector) const
    {
        return Counted(mSource, mSource.*pVector) - Counted(mTarget, mTarget.*pVector);
    }

    const KRyvPivotSet& mSource;
    const KRyvPivotSet& mTarget;
    const KMatrix mSourcePre;
    const KMatrix mTargetPre;
    const KMatrix mSourcePost;
    const KMatrix mTargetPost;
    const bool mAnyPre;
    const bool mAnyPost;
};

// Adds pShift to every key and to the default of the take's translation curves.
void ShiftTranslation(KRyvTakeNode& ioTake, const KVector4& pShift)
{
    KFCurve* lCurves[3] = {ioTake.GetTransformTX(), ioTake.GetTransformTY(),
                           ioTake.GetTransformTZ()};
    for (int i = 0; i < 3; ++i) {
        KFCurve* lCurve = lCurves[i];
        if (!lCurve || pShift[i] == 0.0) {
            continue;
        }
        const float lDelta = static_cast<float>(pShift[i]);
        lCurve->BeginKeyModify();
        lCurve->SetDefaultValue(static_cast<float>(lCurve->GetDefaultValue() + pShift[i]));
        for (int lKey = 0; lKey < lCurve->GetKeyCount(); ++lKey) {
            lCurve->KeyIncValue(lKey, lDelta);
        }
        lCurve->EndKeyModify();
    }
}

// Baking keeps the pivot with the geometry: the rotation pivot's share of the shift, brought
// into the geometry's frame.
void BakeGeometryPivot(KRyvNode& pNode, KRyvGeometryPivot& ioGeometry,
                       const PivotConversion& pConversion, const KVector4& pPivotShift)
{
    KVector4 lScale(1.0, 1.0, 1.0);
    pNode.GetLclScaling(lScale);
    KVector4 lMove;
    for (int i = 0; i < 3; ++i) {
        lMove[i] = -pPivotShift[i] / (lScale[i] == 0.0 ? 1.0 : lScale[i]);
    }
    VectorMultiplyMatrix3x3(lMove, Transposed(pConversion.mSourcePost), lMove);
    KMatrix lPivot;
    ioGeometry.GetPivot(lPivot);
    for (int i = 0; i < 3; ++i) {
        lPivot.Set(3, i, lPivot.Get(3, i) + lMove[i]);
    }
    ioGeometry.SetPivot(lPivot);
}

// The translation a bake adds to the curves: the rotation pivot and offset differences, less
// the change of the parent's pivot shift between the sets.
KVector4 BakeTranslationShift(KRyvNode& pNode, int pTargetSet, const PivotConversion& pConversion)
{
    KVector4 lShift = pConversion.Difference(&KRyvPivotSet::mRotationPivot);
    if (auto* lGeometry = dynamic_cast<KRyvGeometryPivot*>(pNode.GetGeometry())) {
        BakeGeometryPivot(pNode, *lGeometry, pConversion, lShift);
    }
    lShift += pConversion.Difference(&KRyvPivotSet::mRotationOffset);
    if (KRyvNode* lParent = pNode.GetParent()) {
        lShift = lShift - ParentPivotShift(*lParent->GetPivotSet(1 - pTargetSet));
        lShift += ParentPivotShift(*lParent->GetPivotSet(pTargetSet));
    }
    return lShift;
}

// The rotations a bake turns the curves by; true when there is any.
bool SetBakeRotations(KFCurveFilterMatrixConverter& ioConverter, const PivotConversion& pConversion)
{
    if (pConversion.mAnyPre) {
        KMatrix lTurn;
        MatrixMultiplyTranspose3x3(lTurn, pConversion.mTargetPre, pConversion.mSourcePre);
        ioConverter.SetSourceMatrix(KFCurveFilterMatrixConverter::ePreRotation, lTurn);
    }
    if (pConversion.mAnyPost) {
        // The pivot-set model turns by the post-rotation itself (p S Rpost R Rpre), so the
        // target's post-rotation is undone before the source's applies.
        KMatrix lTurn;
        MatrixMultiply3x3(lTurn, pConversion.mSourcePost, Transposed(pConversion.mTargetPost));
        ioConverter.SetSourceMatrix(KFCurveFilterMatrixConverter::eInversePostRotation, lTurn);
    }
    return pConversion.mAnyPre || pConversion.mAnyPost;
}

// The geometric transform applies before the pivot: the inverse of the target's then the
// source's keeps every control point where it was.
void MoveGeometricTransform(KRyvGeometryPivot& ioGeometry, const PivotConversion& pConversion)
{
    auto lGeometric = [](const KRyvPivotSet& pSet) {
        KMatrix lMatrix;
        if (pSet.mPivotState == KRyvPivotSet::kPivotActive) {
            MatrixSetTRS(lMatrix, pSet.mGeometricTranslation, pSet.mGeometricRotation,
                         pSet.mGeometricScaling);
        }
        return lMatrix;
    };
    KMatrix lMove;
    MatrixInverseAffine(lMove, lGeometric(pConversion.mTarget));
    MatrixMultiplyAffine(lMove, lGeometric(pConversion.mSource), lMove);
    KMatrix lPivot;
    ioGeometry.GetPivot(lPivot);
    MatrixMultiplyAffine(lPivot, lPivot, lMove);
    ioGeometry.SetPivot(lPivot);
}

// The rotation pivot, scaling pivot and scaling offset moves of a conversion; true when any of
// them moves.
bool SetPivotTranslations(KFCurveFilterMatrixConverter& ioConverter,
                          const PivotConversion& pConversion)
{
    bool lConvert = false;
    const KVector4 lRotationPivot = pConversion.Difference(&KRyvPivotSet::mRotationPivot);
    if (!IsZeroVector(lRotationPivot)) {
        ioConverter.SetSourceMatrix(KFCurveFilterMatrixConverter::eRotationPivot,
                                    TranslationMatrix(lRotationPivot));
        lConvert = true;
    }
    const KVector4 lScalingPivot = pConversion.Difference(&KRyvPivotSet::mScalingPivot);
    if (VectorCompare(lScalingPivot, KVector4(), 1e-6) != 0) {
        ioConverter.SetSourceMatrix(KFCurveFilterMatrixConverter::eScalingPivot,
                                    TranslationMatrix(lScalingPivot));
        lConvert = true;
    }
    const KVector4 lScalingOffset = pConversion.Difference(&KRyvPivotSet::mScalingOffset);
    if (VectorCompare(lScalingOffset, KVector4(), 1e-6) != 0) {
        ioConverter.SetSourceMatrix(KFCurveFilterMatrixConverter::eScalingOffset,
                                    TranslationMatrix(lScalingOffset));
        lConvert = true;
    }
    return lConvert;
}

// The pre- and post-rotation turns and frames and the rotation orders of a conversion; true
// when the rotation changes.
bool SetConvertRotations(KFCurveFilterMatrixConverter& ioConverter,
                         const PivotConversion& pConversion, bool pRotationActive)
{
    bool lConvert = false;
    // The pivots act in the frame of the target's pre- and post-rotation on both sides of the
    // converter, so that frame is given whether or not the rotation itself changes: without it
    // a moved rotation pivot would be turned by the wrong rotation.
    if (pRotationActive && pConversion.mAnyPre) {
        KMatrix lTurn;
        MatrixMultiplyTranspose3x3(lTurn, pConversion.mTargetPre, pConversion.mSourcePre);
        if (IsTurn(lTurn)) {
            ioConverter.SetSourceMatrix(KFCurveFilterMatrixConverter::ePreRotation, lTurn);
            lConvert = true;
        }
        ioConverter.SetSourceMatrix(KFCurveFilterMatrixConverter::ePreRotationFrame,
                                    pConversion.mTargetPre);
    }
    if (pRotationActive && pConversion.mAnyPost) {
        KMatrix lTurn;
        MatrixMultiplyTranspose3x3(lTurn, pConversion.mSourcePost, pConversion.mTargetPost);
        if (IsTurn(lTurn)) {
            ioConverter.SetSourceMatrix(KFCurveFilterMatrixConverter::eInversePostRotation, lTurn);
            lConvert = true;
        }
        ioConverter.SetSourceMatrix(KFCurveFilterMatrixConverter::eInversePostRotationFrame,
                                    Transposed(pConversion.mTargetPost));
    }
    ioConverter.SetSourceRotationOrder(2 * pConversion.mSource.mRotationOrder);
    ioConverter.SetTargetRotationOrder(2 * pConversion.mTarget.mRotationOrder);
    return lConvert || pConversion.mSource.mRotationOrder != pConversion.mTarget.mRotationOrder;
}

// Sets up the converter for one node; true when its curves need converting. oShift receives
// the translation added to the curves directly.
bool PrepareConversion(KRyvNode& pNode, int pTargetSet, bool pBake,
                       KFCurveFilterMatrixConverter& ioConverter, KVector4& oShift)
{
    const PivotConversion lConversion(*pNode.GetPivotSet(1 - pTargetSet),
                                      *pNode.GetPivotSet(pTargetSet));
    if (pBake) {
        oShift = BakeTranslationShift(pNode, pTargetSet, lConversion);
        return SetBakeRotations(ioConverter, lConversion);
    }
    if (auto* lGeometry = dynamic_cast<KRyvGeometryPivot*>(pNode.GetGeometry())) {
        MoveGeometricTransform(*lGeometry, lConversion);
    }
    const bool lMoved = SetPivotTranslations(ioConverter, lConversion);
    oShift = lConversion.Difference(&KRyvPivotSet::mRotationOffset);
    const KRyvNodeProperties& lBlock = *pNode.GetNodeProperties();
    const bool lRotationActive =
        lBlock.GetRotationActive() && !lBlock.GetRotationSpaceForLimitOnly();
    return SetConvertRotations(ioConverter, lConversion, lRotationActive) || lMoved;
}

// Converts the curves of every take of one node; false when a curve conversion failed.
bool ConvertNodePivots(KRyvNode& ioNode, int pTargetSet, KTime pPeriod, bool pReduce, bool pBake)
{
    KFCurveFilterMatrixConverter lConverter;
    KVector4 lShift;
    const bool lConvert = PrepareConversion(ioNode, pTargetSet, pBake, lConverter, lShift);
    lConverter.SetResamplingPeriod(pPeriod);
    lConverter.SetGenerateLastKeyAtEndTime(true);
    lConverter.SetApplyUnrollFilter(true);
    lConverter.SetApplyConstantKeyReducer(pReduce);
    // The converted translation must replace the "T" curves: a moved rotation or scaling pivot
    // changes the translation by an amount that follows the animated rotation and scaling,
    // which no constant shift of the curves can carry.
    lConverter.SetConvertTranslation(true);

    bool lOk = true;
    for (int i = 0; i < ioNode.GetTakeNodeCount(); ++i) {
        KRyvTakeNode* lTake = ioNode.GetTakeNode(i);
        if (!lTake) {
            continue;
        }
        ShiftTranslation(*lTake, lShift);
        if (lConvert && !lConverter.Apply(*lTake->GetKFCurveNode(), true)) {
            lOk = false;
        }
    }
    ioNode.InvalidateMatrixCaches(false);
    return lOk;
}

// The sampling period of a rate per second; false for a rate that is not a finite number above 0
// or that is too high to give a period of at least one tick.
bool PeriodOfRate(double pRate, KTime& oPeriod)
{
    oPeriod = KTime::GetFramePeriod(pRate);
    return oPeriod.Get() > 0;
}

} // namespace

bool KRyvNode::ConvertSubtreePivots(int pTargetSet, double pRate, bool pReduce, bool pBake)
{
    KTime lPeriod;
    if (!GetPivotSet(pTargetSet) || !PeriodOfRate(pRate, lPeriod)) {
        return false;
    }
    // Parents before children, without recursion: trees from files can be deep.
    std::vector<KRyvNode*> lNodes;
    CollectSubtree(lNodes);
    bool lOk = true;
    for (KRyvNode* lNode : lNodes) {
        lOk = ConvertNodePivots(*lNode, pTargetSet, lPeriod, pReduce, pBake) && lOk;
    }
    InvalidateMatrixCaches(true);
    return lOk;
}

bool KRyvNode::ConvertPivotAnimation(int pTargetSet, double pRate, bool pReduceConstantKeys)
{
    return ConvertSubtreePivots(pTargetSet, pRate, pReduceConstantKeys, false);
}

bool KRyvNode::BakePivotAnimation(int pTargetSet, double pRate, bool pReduceConstantKeys)
{
    return ConvertSubtreePivots(pTargetSet, pRate, pReduceConstantKeys, true);
}
