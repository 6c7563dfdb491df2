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

namespace {

// Stamps of the work-matrix pass: the subtree is reset to the first, the reference node alone
// gets the second, so each marker multiplies down to the reference node and no further.
constexpr int kResetStamp = 0;
constexpr int kEvaluatedStamp = 1;

} // namespace

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
    mPositions.assign(mMarkers.size(), KVector4());
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
    if (mReference) {
        mReference->SetWorkMatrixFromDefault(true);
        UpdatePositions();
    }
}

void KMotionMarkerSampler::EvaluateAt(KTime pTime)
{
    if (mReference) {
        mReference->SetWorkMatrixAtTime(pTime, true);
        UpdatePositions();
    }
}

void KMotionMarkerSampler::UpdatePositions()
{
    // The reference node's own transform is left out: its global work matrix is the identity
    // and it alone holds the evaluated stamp, so every marker is multiplied down to it only.
    KMatrix lIdentity;
    MatrixSetIdentity(lIdentity);
    mReference->SetGlobalWorkMatrix(lIdentity);
    mReference->SetWorkMatrixStamp(kResetStamp, true);
    mReference->SetWorkMatrixStamp(kEvaluatedStamp, false);
    for (std::size_t i = 0; i < mMarkers.size(); ++i) {
        mMarkers[i]->UpdateGlobalWorkMatrix(kEvaluatedStamp, false);
        const KMatrix& lGlobal = *mMarkers[i]->GetGlobalWorkMatrix();
        mPositions[i] = KVector4(lGlobal[3][0], lGlobal[3][1], lGlobal[3][2], 1.0);
    }
}

KVector4 KMotionMarkerSampler::GetPosition(int pIndex) const
{
    return pIndex >= 0 && pIndex < GetMarkerCount() ? mPositions[static_cast<std::size_t>(pIndex)]
                                                    : KVector4();
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
