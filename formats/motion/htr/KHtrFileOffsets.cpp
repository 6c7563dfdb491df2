// The rotation-offset pass of KHtrFile over the key columns of the frame sections.
#include "formats/motion/htr/KHtrFile.h"

#include "core/KMatrixFunctions.h"
#include "formats/motion/htr/KHtrAffineBlock.h"
#include "formats/motion/htr/KHtrLaneBound.h"
#include "formats/motion/htr/KHtrQuickAngles.h"
#include "scene/KRyvNode.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>

namespace {

// Frames handled together, segment by segment within a block, so that each segment's columns
// are read in runs while the parents' matrices of the block stay at hand.
constexpr int kOffsetBlock = KHtrAffineBlock::kFrames;
constexpr int kKeyColumns = KHtrSegment::kKeyColumns;
// The axes of the keys' turns, X then Y then Z.
constexpr int kAxesXYZ[3] = {0, 1, 2};

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

// What the quick lanes hold of one step for the block at hand: the bounds (and translation
// sizes) of its W and V inverse for its children, its new keys and which of them are proven.
struct KOffsetLane
{
    KHtrLaneBound mW;
    KHtrLaneBound mInverseV;
    double mWSizes[kOffsetBlock];
    double mInverseVSizes[kOffsetBlock];
    double mKeys[kKeyColumns][kOffsetBlock];
    bool mSure[kOffsetBlock];
};

// The matrices of the parent of a step for the block at hand, quick or library alike.
struct KOffsetParent
{
    const KHtrAffineBlock& mW;
    const KHtrAffineBlock& mInverseV;
    const KOffsetLane& mLane;
    // The sum of magnitudes of its inverse default rotation's translation.
    double mInverseDefault;
};

double TranslationSize(const KHtrAffine& pAffine)
{
    return std::fabs(pAffine.mTranslation[0]) + std::fabs(pAffine.mTranslation[1]) +
           std::fabs(pAffine.mTranslation[2]);
}

// The key a float takes, or the old one where the float would not be finite (as a key's
// SetValue keeps its value).
void StoreKey(float& ioKey, double pValue)
{
    const float lValue = static_cast<float>(pValue);
    if (std::isfinite(lValue)) {
        ioKey = lValue;
    }
}

// The local matrices of keys pFirst to pFirst + pCount - 1 of a step into ioLocal: the turns
// through the library path or, with pOutside given, the quick lanes (pOutside[f] set where
// they cannot turn a frame).
void LocalBlock(const KOffsetStep& pStep, int pFirst, int pCount, KHtrAffineBlock& ioLocal,
                bool* oOutside)
{
    const std::vector<float>* lKeys = pStep.mSegment->mKeys;
    const float* lColumn[kKeyColumns];
    for (int c = 0; c < kKeyColumns; ++c) {
        lColumn[c] = lKeys[c].data() + pFirst;
    }
    for (int r = 0; r < 3; ++r) {
        for (int f = 0; f < pCount; ++f) {
            ioLocal.mTranslation[r][f] = lColumn[r][f];
        }
    }
    if (oOutside != nullptr) {
        double lAngles[3][kOffsetBlock];
        for (int a = 0; a < 3; ++a) {
            for (int f = 0; f < pCount; ++f) {
                lAngles[a][f] = lColumn[3 + a][f];
            }
        }
        const double* const lTurns[3] = {lAngles[0], lAngles[1], lAngles[2]};
        KHtrQuickAngles::Turns(pCount, lTurns, kAxesXYZ, ioLocal, oOutside);
        return;
    }
    for (int f = 0; f < pCount; ++f) {
        double lAxes[3][3];
        EulerToAxesXYZ(lAxes, lColumn[3][f], lColumn[4][f], lColumn[5][f]);
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) {
                ioLocal.mAxes[r][c][f] = lAxes[r][c];
            }
        }
    }
}

// Keys pFirst to pFirst + pCount - 1 (pCount at most kOffsetBlock) of one segment without its
// default rotation, in place, through the library path. The parent's W and V inverse of those
// frames come in; the segment's own go out when it has children. Each node keeps its world
// position. The turns of the keys are made first and their angles read back last, so that the
// products between run over the whole block without calls.
void RemoveOffsets(const KOffsetStep& pStep, int pFirst, int pCount,
                   const KHtrAffineBlock& pParentW, const KHtrAffineBlock& pParentInverseV,
                   KHtrAffineBlock& oW, KHtrAffineBlock& oInverseV, KHtrAffineBlock& ioWork)
{
    KHtrAffineBlock& lLocal = ioWork;
    LocalBlock(pStep, pFirst, pCount, lLocal, nullptr);
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
    std::vector<float>* lKeys = pStep.mSegment->mKeys;
    for (int f = 0; f < pCount; ++f) {
        const std::size_t k = static_cast<std::size_t>(pFirst + f);
        for (int i = 0; i < 3; ++i) {
            StoreKey(lKeys[i][k], lNewLocal.mTranslation[i][f]);
            StoreKey(lKeys[3 + i][k], lAngles[i][f]);
        }
    }
}

// A step's new local matrices of a block through the quick lanes, and what the proof of their
// keys needs: their bound, and the sizes and bounds their translation's bound is built from.
struct KOffsetProducts
{
    KHtrAffineBlock mNewLocal;
    KHtrLaneBound mNewLocalBound;
    KHtrLaneBound mV;
    double mLocalSizes[kOffsetBlock];
    double mVSizes[kOffsetBlock];
    // The sum of magnitudes of the translation of the step's inverse default rotation.
    double mInverseDefault;
};

// The products of RemoveOffsets through the quick lanes with their bounds: the step's W and V
// inverse (and their bounds in oLane) and its new local matrices. oLane.mSure is set where the
// quick lanes could turn the keys.
void QuickProducts(const KOffsetStep& pStep, int pFirst, int pCount, const KOffsetParent& pParent,
                   KHtrAffineBlock& oW, KHtrAffineBlock& oInverseV, KHtrAffineBlock& ioWork,
                   KOffsetLane& oLane, KOffsetProducts& oProducts)
{
    KHtrAffineBlock& lLocal = ioWork;
    bool lOutside[kOffsetBlock];
    LocalBlock(pStep, pFirst, pCount, lLocal, lOutside);
    for (int f = 0; f < pCount; ++f) {
        oLane.mSure[f] = !lOutside[f];
    }
    KHtrLaneBound::TranslationSizes(lLocal, oProducts.mLocalSizes);
    KHtrAffineBlock::Multiply(oW, lLocal, pParent.mW);
    oLane.mW =
        KHtrLaneBound::Multiply(KHtrLaneBound::Turns(KHtrQuickAngles::kTurnError),
                                oProducts.mLocalSizes, pParent.mLane.mW, pParent.mLane.mWSizes);
    KHtrLaneBound::TranslationSizes(oW, oLane.mWSizes);
    KHtrAffineBlock& lV = lLocal;
    KHtrAffineBlock::Multiply(lV, pStep.mInverseDefault, oW);
    oProducts.mInverseDefault = TranslationSize(pStep.mInverseDefault);
    double* lVSizes = oProducts.mVSizes;
    std::fill(lVSizes, lVSizes + kOffsetBlock, oProducts.mInverseDefault);
    oProducts.mV = KHtrLaneBound::Multiply(KHtrLaneBound::Fixed(pStep.mInverseDefault), lVSizes,
                                           oLane.mW, oLane.mWSizes);
    KHtrLaneBound::TranslationSizes(lV, lVSizes);
    if (pStep.mHasChildren) {
        KHtrAffineBlock::Inverse(oInverseV, lV);
        oLane.mInverseV = KHtrLaneBound::Inverse(oProducts.mV, lVSizes);
        KHtrLaneBound::TranslationSizes(oInverseV, oLane.mInverseVSizes);
    }
    KHtrAffineBlock::Multiply(oProducts.mNewLocal, lV, pParent.mInverseV);
    oProducts.mNewLocalBound = KHtrLaneBound::Multiply(
        oProducts.mV, lVSizes, pParent.mLane.mInverseV, pParent.mLane.mInverseVSizes);
}

// The new keys of frames 0 to pCount - 1 of a step into oLane, angles read from the new local
// matrices without their scale, each proven or its oLane.mSure cleared.
void ProveKeys(int pCount, const KOffsetParent& pParent, const KOffsetProducts& pProducts,
               KOffsetLane& ioLane)
{
    KHtrEulerAxesBlock lUnscaled;
    pProducts.mNewLocal.Unscaled(lUnscaled);
    const double(*u)[kOffsetBlock] = lUnscaled.mRow0;
    const double* const lRow0[3] = {u[0], u[1], u[2]};
    const double* const lRow1[3] = {lUnscaled.mRow1[0], lUnscaled.mRow1[1], lUnscaled.mRow1[2]};
    KHtrQuickAngles::EulerXYZ(pCount, lRow0, lRow1, lUnscaled.mZ2,
                              KHtrQuickAngles::kSafety * pProducts.mNewLocalBound.Unscaled() +
                                  KHtrQuickAngles::kFloor,
                              ioLane.mKeys + 3, ioLane.mSure);
    const KHtrLaneBound::KOffsetOperands lOperands{pProducts.mLocalSizes,
                                                   &ioLane.mW,
                                                   ioLane.mWSizes,
                                                   &pProducts.mV,
                                                   pProducts.mVSizes,
                                                   &pParent.mLane.mW,
                                                   pParent.mLane.mWSizes,
                                                   &pParent.mLane.mInverseV,
                                                   pParent.mLane.mInverseVSizes,
                                                   pProducts.mInverseDefault,
                                                   pParent.mInverseDefault};
    double lBounds[kOffsetBlock];
    KHtrLaneBound::OffsetTranslation(lOperands, lBounds);
    for (int f = 0; f < kOffsetBlock; ++f) {
        lBounds[f] = KHtrQuickAngles::kSafety * lBounds[f] + KHtrQuickAngles::kFloor;
    }
    const double(*t)[kOffsetBlock] = pProducts.mNewLocal.mTranslation;
    for (int i = 0; i < 3; ++i) {
        std::copy(t[i], t[i] + pCount, ioLane.mKeys[i]);
        KHtrQuickAngles::Prove(pCount, ioLane.mKeys[i], lBounds, ioLane.mSure);
    }
}

// The library path of one frame, in whole matrices: the steps marked in pNeeded (each with its
// parent marked too), parents first, each unproven one's keys put in its lane. pWork holds a
// W and a V inverse per step.
void LibraryFrame(const std::vector<KOffsetStep>& pSteps, const std::vector<char>& pNeeded,
                  std::size_t pKey, int pFrame, std::vector<KOffsetLane>& ioLanes,
                  std::vector<std::pair<KMatrix, KMatrix>>& ioWork)
{
    KMatrix lIdentityInverse;
    MatrixInverseAffine(lIdentityInverse, KMatrix());
    const KMatrix lIdentity;
    for (std::size_t i = 0; i < pSteps.size(); ++i) {
        if (!pNeeded[i]) {
            continue;
        }
        const KOffsetStep& lStep = pSteps[i];
        const std::vector<float>* lKeys = lStep.mSegment->mKeys;
        const bool lTop = lStep.mParent < 0;
        const std::size_t lParent = static_cast<std::size_t>(lStep.mParent);
        KMatrix lLocal;
        EulerToMatrixXYZ(lLocal, lKeys[3][pKey], lKeys[4][pKey], lKeys[5][pKey]);
        for (int c = 0; c < 3; ++c) {
            lLocal[3][c] = lKeys[c][pKey];
        }
        KMatrix& lW = ioWork[i].first;
        MatrixMultiplyAffine(lW, lTop ? lIdentity : ioWork[lParent].first, lLocal);
        KMatrix lV;
        MatrixMultiplyAffine(lV, lW, lStep.mSegment->mInverseDefaultRotation);
        if (lStep.mHasChildren) {
            MatrixInverseAffine(ioWork[i].second, lV);
        }
        KOffsetLane& lLane = ioLanes[i];
        if (lLane.mSure[pFrame]) {
            continue;
        }
        KMatrix lNewLocal;
        MatrixMultiplyAffine(lNewLocal, lTop ? lIdentityInverse : ioWork[lParent].second, lV);
        KVector4 lAngles;
        MatrixToEulerUnscaled(lAngles, lNewLocal);
        for (int c = 0; c < 3; ++c) {
            lLane.mKeys[c][pFrame] = lNewLocal[3][c];
            lLane.mKeys[3 + c][pFrame] = lAngles[c];
        }
    }
}

// The top segment's parent: the identity, and its inverse as the products take it. Every block
// starts as identities so that frames past the last one hold plain numbers.
std::vector<KHtrAffineBlock> TopBlocks()
{
    KMatrix lIdentityInverse;
    MatrixInverseAffine(lIdentityInverse, KMatrix());
    std::vector<KHtrAffineBlock> lTop(2);
    lTop[0].Fill(KHtrAffine::Identity());
    lTop[1].Fill(KHtrAffine::FromMatrix(lIdentityInverse));
    return lTop;
}

// The quick lanes' view of the top blocks: exact, no translation.
KOffsetLane TopLane(const std::vector<KHtrAffineBlock>& pTop)
{
    KOffsetLane lLane{};
    lLane.mW = KHtrLaneBound::Fixed(pTop[0].Get(0));
    lLane.mInverseV = KHtrLaneBound::Fixed(pTop[1].Get(0));
    return lLane;
}

// Marks the steps the library path must work a frame out for: those with keys left unproven at
// pFrame and their ancestors. Each walk up stops at a step already marked, so every step is
// marked once. The number of unproven steps comes back.
int MarkUnproven(const std::vector<KOffsetStep>& pSteps, const std::vector<KOffsetLane>& pLanes,
                 int pFrame, std::vector<char>& oNeeded)
{
    std::fill(oNeeded.begin(), oNeeded.end(), 0);
    int lUnproven = 0;
    for (std::size_t i = 0; i < pSteps.size(); ++i) {
        if (pLanes[i].mSure[pFrame]) {
            continue;
        }
        ++lUnproven;
        for (int s = static_cast<int>(i); s >= 0 && !oNeeded[static_cast<std::size_t>(s)];
             s = pSteps[static_cast<std::size_t>(s)].mParent) {
            oNeeded[static_cast<std::size_t>(s)] = 1;
        }
    }
    return lUnproven;
}

// The rotation-offset pass through the quick lanes (see KHtrFile::MinimizeRotationOffset).
void QuickPass(const std::vector<KOffsetStep>& pSteps, int pCount, KHtrFile::KLaneCounts& ioCounts)
{
    const std::size_t lSteps = pSteps.size();
    const std::vector<KHtrAffineBlock> lTop = TopBlocks();
    const KOffsetLane lTopLane = TopLane(lTop);
    std::vector<KHtrAffineBlock> lW(lSteps + 1, lTop[0]);
    std::vector<KHtrAffineBlock> lInverseV(lSteps, lTop[0]);
    KHtrAffineBlock& lWork = lW.back();
    std::vector<KOffsetLane> lLanes(lSteps);
    std::vector<char> lNeeded(lSteps);
    std::vector<std::pair<KMatrix, KMatrix>> lLibrary(lSteps);
    const std::unique_ptr<KOffsetProducts> lProducts = std::make_unique<KOffsetProducts>();
    for (int lFirst = 0; lFirst < pCount; lFirst += kOffsetBlock) {
        const int lCount = std::min(kOffsetBlock, pCount - lFirst);
        bool lAllSure[kOffsetBlock];
        std::fill(lAllSure, lAllSure + kOffsetBlock, true);
        for (std::size_t i = 0; i < lSteps; ++i) {
            const int lParent = pSteps[i].mParent;
            const std::size_t lAt = static_cast<std::size_t>(lParent);
            const KOffsetParent lParentView{
                lParent < 0 ? lTop[0] : lW[lAt], lParent < 0 ? lTop[1] : lInverseV[lAt],
                lParent < 0 ? lTopLane : lLanes[lAt],
                lParent < 0 ? 0.0 : TranslationSize(pSteps[lAt].mInverseDefault)};
            QuickProducts(pSteps[i], lFirst, lCount, lParentView, lW[i], lInverseV[i], lWork,
                          lLanes[i], *lProducts);
            ProveKeys(lCount, lParentView, *lProducts, lLanes[i]);
            for (int f = 0; f < lCount; ++f) {
                lAllSure[f] = lAllSure[f] && lLanes[i].mSure[f];
            }
        }
        ioCounts.mOffsetFrames +=
            static_cast<std::int64_t>(lCount) * static_cast<std::int64_t>(lSteps);
        for (int f = 0; f < lCount; ++f) {
            if (!lAllSure[f]) {
                ioCounts.mOffsetFallbacks += MarkUnproven(pSteps, lLanes, f, lNeeded);
                LibraryFrame(pSteps, lNeeded, static_cast<std::size_t>(lFirst + f), f, lLanes,
                             lLibrary);
            }
        }
        for (std::size_t i = 0; i < lSteps; ++i) {
            std::vector<float>* lKeys = pSteps[i].mSegment->mKeys;
            for (int c = 0; c < kKeyColumns; ++c) {
                float* lColumn = lKeys[c].data() + lFirst;
                for (int f = 0; f < lCount; ++f) {
                    StoreKey(lColumn[f], lLanes[i].mKeys[c][f]);
                }
            }
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
    if (mQuickAngles) {
        QuickPass(lSteps, pCount, mLaneCounts);
        return;
    }
    const std::vector<KHtrAffineBlock> lTop = TopBlocks();
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
