#include "plugin/import/ConvertPivotsToNulls.h"

#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"
#include "core/KLog.h"
#include "core/KMatrixFunctions.h"
#include "core/KRotationOrder.h"
#include "plugin/import/KFreeNodeNames.h"
#include "plugin/import/KPivotCurves.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvNodeProperties.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/objects/KRyvNull.h"

#include <cmath>
#include <iterator>
#include <string>
#include <vector>

namespace {
constexpr int kTranslation = 0;
constexpr int kRotation = 1;
constexpr int kScaling = 2;
constexpr const char* kSamplesCut =
    ": resampling for the pivot nulls stopped at 1000000 frames; the rest of the curves is left "
    "out.";

using CurveSet = KFCurve* [3];

// The constant parts of a node's pivot model.
struct PivotParts
{
    KVector4 mRotationPivot;
    KVector4 mRotationOffset;
    KVector4 mScalingPivot;
    KVector4 mScalingOffset;
    KVector4 mPreRotation;
    KMatrix mPostInverse;
    int mOrder = KRotationOrder::eEulerXYZ;
};

// Pre- and post-rotations count whenever the set is in use, as the kit's own evaluation
// counts them: the host export marks rotation active on the node's limits only.
PivotParts PartsOf(const KRyvPivotSet& pSet)
{
    PivotParts lParts;
    lParts.mRotationPivot = pSet.mRotationPivot;
    lParts.mRotationOffset = pSet.mRotationOffset;
    lParts.mScalingPivot = pSet.mScalingPivot;
    lParts.mScalingOffset = pSet.mScalingOffset;
    lParts.mPreRotation = pSet.mPreRotation;
    MatrixTranspose3x3(lParts.mPostInverse, KMatrix(pSet.mPostRotation));
    lParts.mOrder = pSet.mRotationOrder;
    return lParts;
}

void CurvesOf(KRyvTakeNode* pTake, int pKind, CurveSet& oCurves)
{
    static const char* const kKinds[3] = {"T", "R", "S"};
    static const char* const kAxes[3] = {"X", "Y", "Z"};
    for (int lAxis = 0; lAxis < 3; ++lAxis) {
        oCurves[lAxis] =
            pTake ? pTake->GetCurve("Transform", kKinds[pKind], kAxes[lAxis]) : nullptr;
    }
}

KVector4 ValueAt(const CurveSet& pCurves, KTime pTime, const KVector4& pMissing)
{
    KVector4 lValue = pMissing;
    for (int lAxis = 0; lAxis < 3; ++lAxis) {
        const KFCurve* lCurve = pCurves[lAxis];
        if (lCurve) {
            lValue[lAxis] =
                lCurve->GetKeyCount() > 0 ? lCurve->Evaluate(pTime) : lCurve->GetDefaultValue();
        }
    }
    return lValue;
}

KVector4 DefaultOf(const CurveSet& pCurves, const KVector4& pMissing)
{
    KVector4 lValue = pMissing;
    for (int lAxis = 0; lAxis < 3; ++lAxis) {
        if (pCurves[lAxis]) {
            lValue[lAxis] = pCurves[lAxis]->GetDefaultValue();
        }
    }
    return lValue;
}

// Every key and frame of the three curves and of pMore (when not null) over their span.
std::vector<KTime> SampleTimes(const CurveSet& pCurves, KTime pPeriod, bool& ioCut,
                               const KPivotCurves* pMore = nullptr)
{
    std::vector<const KFCurve*> lCurves(std::begin(pCurves), std::end(pCurves));
    if (pMore) {
        const std::vector<const KFCurve*> lMore = pMore->Curves();
        lCurves.insert(lCurves.end(), lMore.begin(), lMore.end());
    }
    return KeyAndFrameTimes(lCurves, pPeriod, ioCut);
}

void SetValues(const CurveSet& ioCurves, const std::vector<KTime>& pTimes,
               const std::vector<KVector4>& pValues, const KVector4& pDefault)
{
    for (int lAxis = 0; lAxis < 3; ++lAxis) {
        KFCurve* lCurve = ioCurves[lAxis];
        if (!lCurve) {
            continue;
        }
        lCurve->KeyClear();
        lCurve->SetDefaultValue(static_cast<float>(pDefault[lAxis]));
        for (size_t lIndex = 0; lIndex < pTimes.size(); ++lIndex) {
            lCurve->KeyAdd(pTimes[lIndex], static_cast<float>(pValues[lIndex][lAxis]));
        }
    }
}

// pDestination takes pSource's keys and default, each moved by pShift.
void CopyShifted(const CurveSet& ioDestination, const CurveSet& pSource, const KVector4& pShift)
{
    for (int lAxis = 0; lAxis < 3; ++lAxis) {
        KFCurve* lCurve = ioDestination[lAxis];
        if (!lCurve || !pSource[lAxis]) {
            continue;
        }
        lCurve->CopyFrom(*pSource[lAxis], true);
        lCurve->SetDefaultValue(
            static_cast<float>(pSource[lAxis]->GetDefaultValue() + pShift[lAxis]));
        for (int lKey = 0; lKey < lCurve->GetKeyCount(); ++lKey) {
            lCurve->KeySetValue(lKey,
                                static_cast<float>(lCurve->KeyGetValue(lKey) + pShift[lAxis]));
        }
    }
}

// (Sp + So - Rp - Sp * S) Rpost^-1: the post node's translation for the scaling pScaling.
KVector4 PostTranslation(const PivotParts& pParts, const KVector4& pScaling)
{
    KVector4 lOffset;
    for (int lAxis = 0; lAxis < 3; ++lAxis) {
        lOffset[lAxis] = pParts.mScalingPivot[lAxis] + pParts.mScalingOffset[lAxis] -
                         pParts.mRotationPivot[lAxis] -
                         pParts.mScalingPivot[lAxis] * pScaling[lAxis];
    }
    KVector4 lResult;
    VectorMultiplyMatrix3x3(lResult, pParts.mPostInverse, lOffset);
    return lResult;
}

KVector4 ToXYZ(const KVector4& pEuler, int pOrder)
{
    KVector4 lResult = pEuler;
    KRotationOrder(KRotationOrder::eEulerXYZ).V2V(lResult, pEuler, KRotationOrder(pOrder));
    return lResult;
}

// N's rotation curves re-expressed in XYZ order.
void RotationToXYZ(const CurveSet& ioRotation, int pOrder, KTime pPeriod, bool& ioCut)
{
    const std::vector<KTime> lTimes = SampleTimes(ioRotation, pPeriod, ioCut);
    std::vector<KVector4> lValues;
    for (KTime lTime : lTimes) {
        lValues.push_back(ToXYZ(ValueAt(ioRotation, lTime, KVector4()), pOrder));
    }
    SetValues(ioRotation, lTimes, lValues, ToXYZ(DefaultOf(ioRotation, KVector4()), pOrder));
}

// A node's pivots: those of its set, and over time those of its animated pivots when it has any.
struct NodePivots
{
    KRyvPivotSet mSet;
    const KPivotCurves* mAnimated = nullptr;

    PivotParts At(KTime pTime) const
    {
        return PartsOf(mAnimated ? mAnimated->At(mSet, pTime) : mSet);
    }
};

// The post node's translation curves from its (already copied) scaling curves.
void PostTranslationCurves(KRyvTakeNode* pPost, const NodePivots& pPivots, KTime pPeriod,
                           bool& ioCut)
{
    CurveSet lScaling;
    CurveSet lTranslation;
    CurvesOf(pPost, kScaling, lScaling);
    CurvesOf(pPost, kTranslation, lTranslation);
    const KVector4 lOne(1.0, 1.0, 1.0);
    const PivotParts lParts = PartsOf(pPivots.mSet);
    const bool lPivotZero = lParts.mScalingPivot[0] == 0.0 && lParts.mScalingPivot[1] == 0.0 &&
                            lParts.mScalingPivot[2] == 0.0;
    const std::vector<KTime> lTimes =
        lPivotZero && !pPivots.mAnimated ? std::vector<KTime>()
                                         : SampleTimes(lScaling, pPeriod, ioCut, pPivots.mAnimated);
    std::vector<KVector4> lValues;
    for (KTime lTime : lTimes) {
        lValues.push_back(PostTranslation(pPivots.At(lTime), ValueAt(lScaling, lTime, lOne)));
    }
    SetValues(lTranslation, lTimes, lValues, PostTranslation(lParts, DefaultOf(lScaling, lOne)));
}

// The pre node's translation: the node's, shifted by its rotation pivot and offset at each time.
void PreTranslationCurves(const CurveSet& ioPre, const CurveSet& pNode, const NodePivots& pPivots,
                          KTime pPeriod, bool& ioCut)
{
    const PivotParts lParts = PartsOf(pPivots.mSet);
    KVector4 lShift = lParts.mRotationPivot;
    lShift += lParts.mRotationOffset;
    if (!pPivots.mAnimated) {
        CopyShifted(ioPre, pNode, lShift);
        return;
    }
    const std::vector<KTime> lTimes = SampleTimes(pNode, pPeriod, ioCut, pPivots.mAnimated);
    std::vector<KVector4> lValues;
    for (KTime lTime : lTimes) {
        const PivotParts lAt = pPivots.At(lTime);
        KVector4 lValue = ValueAt(pNode, lTime, KVector4());
        lValue += lAt.mRotationPivot;
        lValue += lAt.mRotationOffset;
        lValues.push_back(lValue);
    }
    KVector4 lDefault = DefaultOf(pNode, KVector4());
    lDefault += lShift;
    SetValues(ioPre, lTimes, lValues, lDefault);
}

// Moves one take's transform from pNode into the chain pPre -> pNode -> pPost.
void SplitTake(KRyvTakeNode* pNode, KRyvTakeNode* pPre, KRyvTakeNode* pPost,
               const NodePivots& pPivots, KTime pPeriod, bool& ioCut)
{
    const PivotParts lParts = PartsOf(pPivots.mSet);
    CurveSet lCurves[3];
    CurveSet lPre[3];
    CurveSet lPost[3];
    for (int lKind = 0; lKind < 3; ++lKind) {
        CurvesOf(pNode, lKind, lCurves[lKind]);
        CurvesOf(pPre, lKind, lPre[lKind]);
        CurvesOf(pPost, lKind, lPost[lKind]);
    }
    const KVector4 lZero;
    const KVector4 lOne(1.0, 1.0, 1.0);
    PreTranslationCurves(lPre[kTranslation], lCurves[kTranslation], pPivots, pPeriod, ioCut);
    SetValues(lPre[kRotation], {}, {}, lParts.mPreRotation);
    SetValues(lPre[kScaling], {}, {}, lOne);

    CopyShifted(lPost[kScaling], lCurves[kScaling], lZero);
    KVector4 lPostEuler;
    KRotationOrder(KRotationOrder::eEulerXYZ).M2V(lPostEuler, lParts.mPostInverse);
    SetValues(lPost[kRotation], {}, {}, lPostEuler);
    PostTranslationCurves(pPost, pPivots, pPeriod, ioCut);

    SetValues(lCurves[kTranslation], {}, {}, lZero);
    SetValues(lCurves[kScaling], {}, {}, lOne);
    if (lParts.mOrder != KRotationOrder::eEulerXYZ) {
        RotationToXYZ(lCurves[kRotation], lParts.mOrder, pPeriod, ioCut);
    }
}

KRyvNode* MakeNull(KRyvObjectFactory& ioFactory, KFreeNodeNames& ioNames, KRyvNode& pNode,
                   const char* pSuffix)
{
    const std::string lName =
        ioNames.Take(std::string(pNode.GetNameWithoutPrefix().Buffer()) + pSuffix);
    KRyvNode* lNull = ioFactory.CreateNode(lName.c_str());
    if (lNull) {
        lNull->SetNodeAttribute(ioFactory.CreateNull());
        for (int lTake = 1; lTake < pNode.GetTakeNodeCount(); ++lTake) {
            lNull->AddTakeNode(pNode.GetTakeNode(lTake)->GetName().Buffer());
        }
    }
    return lNull;
}

// The node's Lcl values from its take 0 defaults, so that the block agrees with its curves.
void SyncLclValues(KRyvNode& ioNode)
{
    KRyvTakeNode* lTake = ioNode.GetDefaultTakeNode();
    const KVector4 lMissing[3] = {KVector4(), KVector4(), KVector4(1.0, 1.0, 1.0)};
    KVector4 lValues[3];
    for (int lKind = 0; lKind < 3; ++lKind) {
        CurveSet lCurves;
        CurvesOf(lTake, lKind, lCurves);
        lValues[lKind] = DefaultOf(lCurves, lMissing[lKind]);
    }
    ioNode.SetLclTranslation(lValues[kTranslation]);
    ioNode.SetLclRotation(lValues[kRotation]);
    ioNode.SetLclScaling(lValues[kScaling]);
    ioNode.InvalidateMatrixCaches(true);
}

bool ConvertNode(KRyvNode& ioNode, int pSet, KRyvObjectFactory& ioFactory, KFreeNodeNames& ioNames,
                 KTime pPeriod, KLog* pLog, const KPivotCurvesTable* pAnimated)
{
    KRyvNode* lParent = ioNode.GetParent();
    if (!lParent) {
        return false;
    }
    NodePivots lPivots;
    lPivots.mSet = *ioNode.GetPivotSet(pSet);
    const NodePivots lStill = lPivots;
    if (const auto lFound = pAnimated ? pAnimated->find(&ioNode) : KPivotCurvesTable::iterator();
        pAnimated && lFound != pAnimated->end()) {
        lPivots.mAnimated = &lFound->second;
    }
    KRyvNode* lPre = MakeNull(ioFactory, ioNames, ioNode, kPivotPreSuffix);
    KRyvNode* lPost = MakeNull(ioFactory, ioNames, ioNode, kPivotPostSuffix);
    if (!lPre || !lPost) {
        return false;
    }
    // The pre node stands where the node stood below its parent, and inherits from it alike.
    int lInherit = 0;
    lPre->SetTransformInheritType(ioNode.GetTransformInheritType(lInherit));
    std::vector<KRyvNode*> lChildren;
    for (int lIndex = 0; lIndex < ioNode.GetChildCount(); ++lIndex) {
        lChildren.push_back(ioNode.GetChild(lIndex));
    }
    lParent->RemoveChild(&ioNode);
    lParent->AddChild(lPre);
    lPre->AddChild(&ioNode);
    ioNode.AddChild(lPost);
    for (KRyvNode* lChild : lChildren) {
        lPost->AddChild(lChild);
    }
    if (ioNode.GetNodeAttribute()) {
        lPost->SetNodeAttribute(ioNode.GetNodeAttribute());
    }
    bool lCut = false;
    // The default take holds the node outside any animation: its pivots stand still there.
    for (int lTake = 0; lTake < ioNode.GetTakeNodeCount(); ++lTake) {
        SplitTake(ioNode.GetTakeNode(lTake), lPre->GetTakeNode(lTake), lPost->GetTakeNode(lTake),
                  lTake == 0 ? lStill : lPivots, pPeriod, lCut);
    }
    if (lCut && pLog) {
        pLog->AddLine((ioNode.GetName() + kSamplesCut).Buffer());
    }
    ioNode.GetPivotSet(pSet)->Reset();
    for (KRyvNode* lNode : {lPre, &ioNode, lPost}) {
        lNode->SetCurrentTakeNode(ioNode.GetCurrentTakeNodeIndex());
        SyncLclValues(*lNode);
    }
    return true;
}

void CollectBelow(KRyvNode* pNode, std::vector<KRyvNode*>& ioNodes)
{
    for (int lIndex = 0; lIndex < pNode->GetChildCount(); ++lIndex) {
        ioNodes.push_back(pNode->GetChild(lIndex));
        CollectBelow(pNode->GetChild(lIndex), ioNodes);
    }
}
} // namespace

bool ConvertPivotsToNulls(KRyvNode* pRoot, int pPivotSet, KRyvObjectFactory* pFactory, double pRate,
                          KLog* pLog, const KPivotCurvesTable* pAnimated)
{
    if (!pRoot || !pFactory || (pPivotSet != 0 && pPivotSet != 1) || !std::isfinite(pRate) ||
        pRate <= 0.0 || pRate > kMaxSampleFrames) {
        return false;
    }
    KTime lPeriod;
    lPeriod.SetSecondDouble(1.0 / pRate);
    if (!(KTime() < lPeriod)) {
        return false;
    }
    std::vector<KRyvNode*> lNodes;
    CollectBelow(pRoot, lNodes);
    KFreeNodeNames lNames(*pFactory);
    bool lOk = true;
    for (KRyvNode* lNode : lNodes) {
        if (lNode->GetPivotSet(pPivotSet)->mPivotState == KRyvPivotSet::kPivotActive) {
            lOk =
                ConvertNode(*lNode, pPivotSet, *pFactory, lNames, lPeriod, pLog, pAnimated) && lOk;
        }
    }
    return lOk;
}
