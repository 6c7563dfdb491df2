#include "plugin/import/ConvertPivotsToNulls.h"

#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"
#include "core/KLog.h"
#include "core/KMatrixFunctions.h"
#include "core/KRotationOrder.h"
#include "plugin/import/KFreeNodeNames.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvNodeProperties.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/objects/KRyvNull.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace {
constexpr int kTranslation = 0;
constexpr int kRotation = 1;
constexpr int kScaling = 2;
// More samples than this on one curve set means a rate or a key span no scene of ours has.
constexpr double kMaxSamples = 1e6;
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
PivotParts PartsOf(const KRyvNode& pNode, int pSet)
{
    const KRyvPivotSet& lSet = *pNode.GetPivotSet(pSet);
    PivotParts lParts;
    lParts.mRotationPivot = lSet.mRotationPivot;
    lParts.mRotationOffset = lSet.mRotationOffset;
    lParts.mScalingPivot = lSet.mScalingPivot;
    lParts.mScalingOffset = lSet.mScalingOffset;
    lParts.mPreRotation = lSet.mPreRotation;
    MatrixTranspose3x3(lParts.mPostInverse, KMatrix(lSet.mPostRotation));
    lParts.mOrder = lSet.mRotationOrder;
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

// The times of a resampling over the keys of pCurves: every key and every frame (a multiple
// of the period) between the first and the last key, in order; empty when there is no key.
// ioCut is set when the frames stop at kMaxSamples before the last key.
// Frames come from the time origin, not from the first key, so that the resampled curves
// agree with the source at every frame the time mode shows.
std::vector<KTime> SampleTimes(const CurveSet& pCurves, KTime pPeriod, bool& ioCut)
{
    std::vector<KTime> lTimes;
    for (const KFCurve* lCurve : pCurves) {
        for (int lKey = 0; lCurve && lKey < lCurve->GetKeyCount(); ++lKey) {
            lTimes.push_back(lCurve->KeyGetTime(lKey));
        }
    }
    if (lTimes.empty()) {
        return lTimes;
    }
    std::sort(lTimes.begin(), lTimes.end());
    const std::int64_t lStart = lTimes.front().Get();
    const std::int64_t lEnd = lTimes.back().Get();
    const std::int64_t lPeriod = pPeriod.Get();
    // Frame numbers, not times, bound the loop: the frame after the last key may lie beyond
    // the tick range, and its time would wrap around.
    std::int64_t lFrame = lStart / lPeriod;
    if (lFrame * lPeriod < lStart) {
        ++lFrame;
    }
    std::int64_t lLastFrame = lEnd / lPeriod;
    if (lLastFrame * lPeriod > lEnd) {
        --lLastFrame;
    }
    // The loop always moves forward, and a span too long for the period stops at the cap.
    for (double lCount = 0; lFrame <= lLastFrame && lCount < kMaxSamples; ++lFrame, ++lCount) {
        lTimes.emplace_back(lFrame * lPeriod);
    }
    ioCut = ioCut || lFrame <= lLastFrame;
    std::sort(lTimes.begin(), lTimes.end());
    lTimes.erase(std::unique(lTimes.begin(), lTimes.end()), lTimes.end());
    return lTimes;
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

// The post node's translation curves from its (already copied) scaling curves.
void PostTranslationCurves(KRyvTakeNode* pPost, const PivotParts& pParts, KTime pPeriod,
                           bool& ioCut)
{
    CurveSet lScaling;
    CurveSet lTranslation;
    CurvesOf(pPost, kScaling, lScaling);
    CurvesOf(pPost, kTranslation, lTranslation);
    const KVector4 lOne(1.0, 1.0, 1.0);
    const bool lPivotZero = pParts.mScalingPivot[0] == 0.0 && pParts.mScalingPivot[1] == 0.0 &&
                            pParts.mScalingPivot[2] == 0.0;
    const std::vector<KTime> lTimes =
        lPivotZero ? std::vector<KTime>() : SampleTimes(lScaling, pPeriod, ioCut);
    std::vector<KVector4> lValues;
    for (KTime lTime : lTimes) {
        lValues.push_back(PostTranslation(pParts, ValueAt(lScaling, lTime, lOne)));
    }
    SetValues(lTranslation, lTimes, lValues, PostTranslation(pParts, DefaultOf(lScaling, lOne)));
}

// Moves one take's transform from pNode into the chain pPre -> pNode -> pPost.
void SplitTake(KRyvTakeNode* pNode, KRyvTakeNode* pPre, KRyvTakeNode* pPost,
               const PivotParts& pParts, KTime pPeriod, bool& ioCut)
{
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
    KVector4 lShift = pParts.mRotationPivot;
    lShift += pParts.mRotationOffset;
    CopyShifted(lPre[kTranslation], lCurves[kTranslation], lShift);
    SetValues(lPre[kRotation], {}, {}, pParts.mPreRotation);
    SetValues(lPre[kScaling], {}, {}, lOne);

    CopyShifted(lPost[kScaling], lCurves[kScaling], lZero);
    KVector4 lPostEuler;
    KRotationOrder(KRotationOrder::eEulerXYZ).M2V(lPostEuler, pParts.mPostInverse);
    SetValues(lPost[kRotation], {}, {}, lPostEuler);
    PostTranslationCurves(pPost, pParts, pPeriod, ioCut);

    SetValues(lCurves[kTranslation], {}, {}, lZero);
    SetValues(lCurves[kScaling], {}, {}, lOne);
    if (pParts.mOrder != KRotationOrder::eEulerXYZ) {
        RotationToXYZ(lCurves[kRotation], pParts.mOrder, pPeriod, ioCut);
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
                 KTime pPeriod, KLog* pLog)
{
    KRyvNode* lParent = ioNode.GetParent();
    if (!lParent) {
        return false;
    }
    const PivotParts lParts = PartsOf(ioNode, pSet);
    KRyvNode* lPre = MakeNull(ioFactory, ioNames, ioNode, kPivotPreSuffix);
    KRyvNode* lPost = MakeNull(ioFactory, ioNames, ioNode, kPivotPostSuffix);
    if (!lPre || !lPost) {
        return false;
    }
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
    for (int lTake = 0; lTake < ioNode.GetTakeNodeCount(); ++lTake) {
        SplitTake(ioNode.GetTakeNode(lTake), lPre->GetTakeNode(lTake), lPost->GetTakeNode(lTake),
                  lParts, pPeriod, lCut);
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
                          KLog* pLog)
{
    if (!pRoot || !pFactory || (pPivotSet != 0 && pPivotSet != 1) || !std::isfinite(pRate) ||
        pRate <= 0.0 || pRate > kMaxSamples) {
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
            lOk = ConvertNode(*lNode, pPivotSet, *pFactory, lNames, lPeriod, pLog) && lOk;
        }
    }
    return lOk;
}
