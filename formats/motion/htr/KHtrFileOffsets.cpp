// The rotation-offset pass of KHtrFile over the key columns of the frame sections.
#include "formats/motion/htr/KHtrFile.h"

#include "formats/motion/htr/KHtrOffsetBlocks.h"
#include "scene/KRyvNode.h"

#include <algorithm>
#include <utility>

namespace {

constexpr int kOffsetBlock = KHtrOffsetBlocks::kFrames;
constexpr int kKeyColumns = KHtrOffsetBlocks::kKeyColumns;

} // namespace

void KHtrFile::MinimizeRotationOffset(KRyvNode* pTop, int pCount)
{
    // The segments below the top's first child, parents first; end nodes and nodes of no
    // segment end their branch.
    std::vector<KHtrOffsetStep> lSteps;
    std::vector<std::pair<KRyvNode*, int>> lStack;
    if (pTop->GetChildCount() > 0) {
        lStack.emplace_back(pTop->GetChild(0), -1);
    }
    int lDeepest = 0;
    while (!lStack.empty()) {
        const auto [lNode, lParent] = lStack.back();
        lStack.pop_back();
        const KHtrSegment* lSegment = FindSegmentByNode(lNode);
        if (lSegment == nullptr) {
            continue;
        }
        KHtrSegment& lFound = mSegments[static_cast<std::size_t>(lSegment - mSegments.data())];
        const int lDepth = lParent < 0 ? 0 : lSteps[static_cast<std::size_t>(lParent)].mDepth + 1;
        lDeepest = std::max(lDeepest, lDepth);
        lSteps.push_back(
            {&lFound, lDepth, false, KHtrAffine::FromMatrix(lFound.mInverseDefaultRotation)});
        if (lParent >= 0) {
            lSteps[static_cast<std::size_t>(lParent)].mHasChildren = true;
        }
        for (int i = lNode->GetChildCount() - 1; i >= 0; --i) {
            lStack.emplace_back(lNode->GetChild(i), static_cast<int>(lSteps.size()) - 1);
        }
    }
    // A segment's W and V inverse serve only its children, which the steps list right after it
    // and before any other segment of its depth: one pair of blocks per depth serves them all.
    // Pair 0 is the top segment's parent.
    const std::vector<KHtrAffineBlock> lTop = KHtrOffsetBlocks::TopBlocks();
    const std::size_t lPairs = static_cast<std::size_t>(lDeepest) + 2;
    std::vector<KHtrAffineBlock> lW(lPairs, lTop[0]);
    std::vector<KHtrAffineBlock> lInverseV(lPairs, lTop[0]);
    lInverseV[0] = lTop[1];
    KHtrAffineBlock lWork = lTop[0];
    double lKeys[kKeyColumns][kOffsetBlock];
    for (int lFirst = 0; lFirst < pCount; lFirst += kOffsetBlock) {
        const int lCount = std::min(kOffsetBlock, pCount - lFirst);
        for (const KHtrOffsetStep& lStep : lSteps) {
            const std::size_t lAt = static_cast<std::size_t>(lStep.mDepth);
            KHtrOffsetBlocks::Offsets(lStep, lFirst, lCount, lW[lAt], lInverseV[lAt], lW[lAt + 1],
                                      lInverseV[lAt + 1], lWork, lKeys);
            KHtrOffsetBlocks::StoreKeys(lStep, lFirst, lCount, lKeys);
        }
    }
}
