// The rotation-offset pass of KHtrFile over the key columns of the frame sections.
#include "formats/motion/htr/KHtrFile.h"

#include "core/KMatrixFunctions.h"
#include "formats/motion/htr/KHtrAffine.h"
#include "scene/KRyvNode.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// Frames handled together, segment by segment within a block, so that each segment's columns
// are read in runs while the parents' matrices of the block stay at hand.
constexpr int kOffsetBlock = 64;

// One segment of the pass, in parents-first order: the matrices of the block's frames that its
// children need. Its W is the global matrix its keys give it; its V the same without the offset
// (the default rotation), of which the children take the inverse.
struct KOffsetStep
{
    KHtrSegment* mSegment;
    // Index of the parent's step; -1 for the top segment.
    int mParent;
    bool mHasChildren;
    KHtrAffine mInverseDefault;
};

// The key a float takes, or the old one where the float would not be finite (as a key's
// SetValue keeps its value).
void StoreKey(float& ioKey, double pValue)
{
    const float lValue = static_cast<float>(pValue);
    if (std::isfinite(lValue)) {
        ioKey = lValue;
    }
}

// Keys pFirst to pFirst + pCount - 1 of one segment without its default rotation, in place. The
// parent's W and V inverse of those frames come in; the segment's own go out when it has
// children. Each node keeps its world position.
void RemoveOffsets(const KOffsetStep& pStep, int pFirst, int pCount, const KHtrAffine* pParentW,
                   const KHtrAffine* pParentInverseV, KHtrAffine* oW, KHtrAffine* oInverseV)
{
    std::vector<float>* lKeys = pStep.mSegment->mKeys;
    KMatrix lMatrix;
    for (int f = 0; f < pCount; ++f) {
        const std::size_t k = static_cast<std::size_t>(pFirst + f);
        EulerToMatrixXYZ(lMatrix, lKeys[3][k], lKeys[4][k], lKeys[5][k]);
        KHtrAffine lLocal = KHtrAffine::FromMatrix(lMatrix);
        for (int i = 0; i < 3; ++i) {
            lLocal.mTranslation[i] = lKeys[i][k];
        }
        KHtrAffine lV;
        KHtrAffine::Multiply(oW[f], lLocal, pParentW[f]);
        KHtrAffine::Multiply(lV, pStep.mInverseDefault, oW[f]);
        KHtrAffine::Multiply(lLocal, lV, pParentInverseV[f]);
        if (pStep.mHasChildren) {
            KHtrAffine::Inverse(oInverseV[f], lV);
        }
        lLocal.ToMatrix(lMatrix);
        KVector4 lAngles;
        MatrixToEulerUnscaled(lAngles, lMatrix);
        for (int i = 0; i < 3; ++i) {
            StoreKey(lKeys[i][k], lLocal.mTranslation[i]);
            StoreKey(lKeys[3 + i][k], lAngles[i]);
        }
    }
}

} // namespace

void KHtrFile::MinimizeRotationOffset(KRyvNode* pTop, int pCount)
{
    // The segments below the top's first child, parents first; end nodes and nodes of no
    // segment end their branch.
    std::vector<KOffsetStep> lSteps;
    std::vector<std::pair<KRyvNode*, int>> lStack;
    if (pTop->GetChildCount() > 0) {
        lStack.emplace_back(pTop->GetChild(0), -1);
    }
    while (!lStack.empty()) {
        const auto [lNode, lParent] = lStack.back();
        lStack.pop_back();
        const KHtrSegment* lSegment = FindSegmentByNode(lNode);
        if (lSegment == nullptr) {
            continue;
        }
        KHtrSegment& lFound = mSegments[static_cast<std::size_t>(lSegment - mSegments.data())];
        lSteps.push_back(
            {&lFound, lParent, false, KHtrAffine::FromMatrix(lFound.mInverseDefaultRotation)});
        if (lParent >= 0) {
            lSteps[static_cast<std::size_t>(lParent)].mHasChildren = true;
        }
        for (int i = lNode->GetChildCount() - 1; i >= 0; --i) {
            lStack.emplace_back(lNode->GetChild(i), static_cast<int>(lSteps.size()) - 1);
        }
    }
    // The top segment's parent is the identity, whose inverse the products take as they come.
    const std::vector<KHtrAffine> lIdentity(kOffsetBlock, KHtrAffine::Identity());
    std::vector<KHtrAffine> lIdentityInverse(kOffsetBlock);
    KHtrAffine::Inverse(lIdentityInverse[0], lIdentity[0]);
    std::fill(lIdentityInverse.begin() + 1, lIdentityInverse.end(), lIdentityInverse[0]);
    std::vector<KHtrAffine> lW(lSteps.size() * kOffsetBlock);
    std::vector<KHtrAffine> lInverseV(lSteps.size() * kOffsetBlock);
    for (int lFirst = 0; lFirst < pCount; lFirst += kOffsetBlock) {
        const int lCount = std::min(kOffsetBlock, pCount - lFirst);
        for (std::size_t i = 0; i < lSteps.size(); ++i) {
            const int lParent = lSteps[i].mParent;
            const std::size_t lAt = static_cast<std::size_t>(lParent) * kOffsetBlock;
            RemoveOffsets(lSteps[i], lFirst, lCount, lParent < 0 ? lIdentity.data() : &lW[lAt],
                          lParent < 0 ? lIdentityInverse.data() : &lInverseV[lAt],
                          &lW[i * kOffsetBlock], &lInverseV[i * kOffsetBlock]);
        }
    }
}
