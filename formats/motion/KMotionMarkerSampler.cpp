#include "formats/motion/KMotionMarkerSampler.h"

#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"
#include "core/KMatrix.h"
#include "core/KMatrixFunctions.h"
#include "core/KQuotedValue.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "io/KWriter.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvScene.h"

#include <cstring>
#include <utility>

KRyvNode* KMotionMarkerSampler::SelectReferenceNode(KWriter& pWriter, KRyvScene& pScene,
                                                    const KStreamOptionsMotion& pOptions)
{
    KRyvNode* lRoot = pScene.GetRootNode();
    if (pOptions.GetOption(kOptionGlobalRoot) == 1) {
        return lRoot;
    }
    KRyvNode* lReference = pWriter.FindReferenceNode(lRoot);
    return lReference ? lReference : lRoot;
}

KMotionMarkerSampler::KMotionMarkerSampler(KRyvNode* pReference) : mReference(pReference)
{
    // An explicit stack: a deep hierarchy cannot exhaust the call stack.
    std::vector<KRyvNode*> lStack;
    if (pReference) {
        lStack.push_back(pReference);
    }
    while (!lStack.empty()) {
        KRyvNode* lNode = lStack.back();
        lStack.pop_back();
        if (lNode->IsMarked() && !lNode->GetOpticalReference()) {
            mMarkers.push_back(lNode);
        }
        for (int i = lNode->GetChildCount() - 1; i >= 0; --i) {
            if (KRyvNode* lChild = lNode->GetChild(i)) {
                lStack.push_back(lChild);
            }
        }
    }
    mGlobals.resize(mMarkers.size());
}

KRyvNode* KMotionMarkerSampler::GetMarker(int pIndex) const
{
    return pIndex >= 0 && pIndex < GetMarkerCount() ? mMarkers[static_cast<std::size_t>(pIndex)]
                                                    : nullptr;
}

KString KMotionMarkerSampler::GetMarkerName(int pIndex) const
{
    const KRyvNode* lMarker = GetMarker(pIndex);
    if (!lMarker) {
        return KString();
    }
    const KString lName = lMarker->GetName();
    const char* lLastColon = std::strrchr(lName.Buffer(), ':');
    return KString(lLastColon ? lLastColon + 1 : lName.Buffer());
}

std::string KMotionMarkerSampler::FindNameRefusal(const char* pFormatName,
                                                  std::size_t pMaxLength) const
{
    for (int i = 0; i < GetMarkerCount(); ++i) {
        const KString lName = GetMarkerName(i);
        const auto lNode = [this, i] {
            return "The name of node " + KQuoteValue(GetMarker(i)->GetNameWithoutPrefix().Buffer());
        };
        if (lName.IsEmpty()) {
            return lNode() + " is empty after its last ':', which the " + pFormatName +
                   " format cannot hold";
        }
        if (static_cast<std::size_t>(lName.GetLen()) > pMaxLength) {
            return lNode() + " is longer than the " + std::to_string(pMaxLength) +
                   " characters the " + pFormatName + " format holds";
        }
    }
    return std::string();
}

void KMotionMarkerSampler::EvaluateRestPose()
{
    UpdatePositions(true, KTime());
}

void KMotionMarkerSampler::EvaluateAt(KTime pTime)
{
    UpdatePositions(false, pTime);
}

void KMotionMarkerSampler::UpdatePositions(bool pRest, KTime pTime)
{
    if (!mReference) {
        return;
    }
    // Depth first as the markers were listed, with one global matrix per depth: a node's
    // parent is the last node met one level up. The reference node's own transform is left out.
    std::vector<KMatrix> lGlobals(1);
    MatrixSetIdentity(lGlobals[0]);
    std::vector<std::pair<KRyvNode*, std::size_t>> lStack{{mReference, 0}};
    std::size_t lMarker = 0;
    KMatrix lLocal;
    while (!lStack.empty()) {
        const auto [lNode, lDepth] = lStack.back();
        lStack.pop_back();
        if (lDepth > 0) {
            lNode->EvaluateLocalMatrix(lLocal, pRest, pTime);
            if (lGlobals.size() <= lDepth) {
                lGlobals.resize(lDepth + 1);
            }
            MatrixMultiplyAffine(lGlobals[lDepth], lGlobals[lDepth - 1], lLocal);
        }
        if (lMarker < mMarkers.size() && mMarkers[lMarker] == lNode) {
            MatrixCopyAffine(mGlobals[lMarker++], lGlobals[lDepth]);
        }
        for (int i = lNode->GetChildCount() - 1; i >= 0; --i) {
            if (KRyvNode* lChild = lNode->GetChild(i)) {
                lStack.emplace_back(lChild, lDepth + 1);
            }
        }
    }
}

KVector4 KMotionMarkerSampler::GetPosition(int pIndex) const
{
    if (pIndex < 0 || pIndex >= GetMarkerCount()) {
        return KVector4();
    }
    const KMatrix& lGlobal = mGlobals[static_cast<std::size_t>(pIndex)];
    return KVector4(lGlobal[3][0], lGlobal[3][1], lGlobal[3][2], 1.0);
}

const KMatrix& KMotionMarkerSampler::GetGlobalMatrix(int pIndex) const
{
    static const KMatrix kIdentity;
    return pIndex >= 0 && pIndex < GetMarkerCount() ? mGlobals[static_cast<std::size_t>(pIndex)]
                                                    : kIdentity;
}

double KMotionMarkerSampler::GetOcclusion(int pIndex, KTime pTime) const
{
    KRyvNode* lMarker = GetMarker(pIndex);
    if (!lMarker || lMarker->GetCurrentTakeNodeIndex() < 0) {
        return 0.0;
    }
    KRyvTakeNode* lTake = lMarker->GetCurrentTakeNode();
    const KFCurve* lCurve = lTake ? lTake->GetOcclusion() : nullptr;
    return lCurve ? lCurve->Evaluate(pTime) : 0.0;
}
