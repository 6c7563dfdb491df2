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
    const std::vector<KHtrAffineBlock> lTop = KHtrOffsetBlocks::TopBlocks();
    std::vector<KHtrAffineBlock> lW(lSteps.size() + 1, lTop[0]);
    std::vector<KHtrAffineBlock> lInverseV(lSteps.size(), lTop[0]);
    // The last block of lW is the work block of each step.
    KHtrAffineBlock& lWork = lW.back();
    double lKeys[kKeyColumns][kOffsetBlock];
    for (int lFirst = 0; lFirst < pCount; lFirst += kOffsetBlock) {
        const int lCount = std::min(kOffsetBlock, pCount - lFirst);
        for (std::size_t i = 0; i < lSteps.size(); ++i) {
            const int lParent = lSteps[i].mParent;
            const std::size_t lAt = static_cast<std::size_t>(lParent);
            KHtrOffsetBlocks::Offsets(lSteps[i], lFirst, lCount, lParent < 0 ? lTop[0] : lW[lAt],
                                      lParent < 0 ? lTop[1] : lInverseV[lAt], lW[i], lInverseV[i],
                                      lWork, lKeys);
            KHtrOffsetBlocks::StoreKeys(lSteps[i], lFirst, lCount, lKeys);
        }
    }
}
