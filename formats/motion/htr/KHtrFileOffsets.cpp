// The rotation-offset pass of KHtrFile over the key columns of the frame sections.
#include "formats/motion/htr/KHtrFile.h"

#include "core/KMatrixFunctions.h"
#include "formats/motion/htr/KHtrAffineBlock.h"
#include "scene/KRyvNode.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// Frames handled together, segment by segment within a block, so that each segment's columns
// are read in runs while the parents' matrices of the block stay at hand.
constexpr int kOffsetBlock = KHtrAffineBlock::kFrames;

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

// Keys pFirst to pFirst + pCount - 1 (pCount at most kOffsetBlock) of one segment without its
// default rotation, in place. The parent's W and V inverse of those frames come in; the
// segment's own go out when it has children. Each node keeps its world position. The turns of
// the keys are made first and their angles read back last, so that the products between run
// over the whole block without calls.
void RemoveOffsets(const KOffsetStep& pStep, int pFirst, int pCount,
                   const KHtrAffineBlock& pParentW, const KHtrAffineBlock& pParentInverseV,
                   KHtrAffineBlock& oW, KHtrAffineBlock& oInverseV, KHtrAffineBlock& ioWork)
{
    std::vector<float>* lKeys = pStep.mSegment->mKeys;
    const std::size_t lFirst = static_cast<std::size_t>(pFirst);
    KHtrAffineBlock& lLocal = ioWork;
    for (int f = 0; f < pCount; ++f) {
        const std::size_t k = lFirst + static_cast<std::size_t>(f);
        double lAxes[3][3];
        EulerToAxesXYZ(lAxes, lKeys[3][k], lKeys[4][k], lKeys[5][k]);
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) {
                lLocal.mAxes[r][c][f] = lAxes[r][c];
            }
            lLocal.mTranslation[r][f] = lKeys[r][k];
        }
    }
    KHtrAffineBlock::Multiply(oW, lLocal, pParentW);
    KHtrAffineBlock& lV = lLocal;
    KHtrAffineBlock::Multiply(lV, pStep.mInverseDefault, oW);
    if (pStep.mHasChildren) {
        KHtrAffineBlock::Inverse(oInverseV, lV);
    }
    KHtrAffineBlock lNewLocal;
    KHtrAffineBlock::Multiply(lNewLocal, lV, pParentInverseV);
    double lAngles[3][kOffsetBlock];
    lNewLocal.ToEulerUnscaled(pCount, lAngles);
    for (int f = 0; f < pCount; ++f) {
        const std::size_t k = lFirst + static_cast<std::size_t>(f);
        for (int i = 0; i < 3; ++i) {
            StoreKey(lKeys[i][k], lNewLocal.mTranslation[i][f]);
            StoreKey(lKeys[3 + i][k], lAngles[i][f]);
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
    // Every block starts as identities so that frames past the last one hold plain numbers.
    KMatrix lIdentityInverse;
    MatrixInverseAffine(lIdentityInverse, KMatrix());
    std::vector<KHtrAffineBlock> lTop(2);
    lTop[0].Fill(KHtrAffine::Identity());
    lTop[1].Fill(KHtrAffine::FromMatrix(lIdentityInverse));
    std::vector<KHtrAffineBlock> lW(lSteps.size() + 1, lTop[0]);
    std::vector<KHtrAffineBlock> lInverseV(lSteps.size(), lTop[0]);
    // The last block of lW is the work block of each step.
    KHtrAffineBlock& lWork = lW.back();
    for (int lFirst = 0; lFirst < pCount; lFirst += kOffsetBlock) {
        const int lCount = std::min(kOffsetBlock, pCount - lFirst);
        for (std::size_t i = 0; i < lSteps.size(); ++i) {
            const int lParent = lSteps[i].mParent;
            const std::size_t lAt = static_cast<std::size_t>(lParent);
            RemoveOffsets(lSteps[i], lFirst, lCount, lParent < 0 ? lTop[0] : lW[lAt],
                          lParent < 0 ? lTop[1] : lInverseV[lAt], lW[i], lInverseV[i], lWork);
        }
    }
}
