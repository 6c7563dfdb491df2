// The rotation-offset pass of KHtrFile through the quick lanes.
#include "formats/motion/htr/KHtrOffsetQuickPass.h"

#include "core/KMatrixFunctions.h"
#include "formats/motion/htr/KHtrLaneBound.h"
#include "formats/motion/htr/KHtrQuickAngles.h"

#include <algorithm>
#include <memory>
#include <utility>

namespace {

constexpr int kOffsetBlock = KHtrOffsetBlocks::kFrames;
constexpr int kKeyColumns = KHtrOffsetBlocks::kKeyColumns;

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
    // Frames whose turns the quick lanes could make here and in every ancestor: only there do
    // the bounds of the matrices hold (a turn beyond their reach is some number).
    bool mInside[kOffsetBlock];
    // Worked out through the library path for the whole block: its matrices are the library's.
    bool mExact;
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

// The products of LibraryOffsets through the quick lanes with their bounds: the step's W and V
// inverse (and their bounds in oLane) and its new local matrices. oLane.mSure is set where the
// quick lanes could turn the keys.
void QuickProducts(const KHtrOffsetStep& pStep, int pFirst, int pCount,
                   const KOffsetParent& pParent, KHtrAffineBlock& oW, KHtrAffineBlock& oInverseV,
                   KHtrAffineBlock& ioWork, KOffsetLane& oLane, KOffsetProducts& oProducts)
{
    KHtrAffineBlock& lLocal = ioWork;
    bool lOutside[kOffsetBlock];
    KHtrOffsetBlocks::LocalBlock(pStep, pFirst, pCount, lLocal, lOutside);
    for (int f = 0; f < pCount; ++f) {
        oLane.mInside[f] = !lOutside[f] && pParent.mLane.mInside[f];
        oLane.mSure[f] = oLane.mInside[f];
    }
    KHtrLaneBound::TranslationSizes(lLocal, oProducts.mLocalSizes);
    KHtrAffineBlock::Multiply(oW, lLocal, pParent.mW);
    oLane.mW =
        KHtrLaneBound::Multiply(KHtrLaneBound::Turns(KHtrQuickAngles::kTurnError),
                                oProducts.mLocalSizes, pParent.mLane.mW, pParent.mLane.mWSizes);
    KHtrLaneBound::TranslationSizes(oW, oLane.mWSizes);
    KHtrAffineBlock& lV = lLocal;
    KHtrAffineBlock::Multiply(lV, pStep.mInverseDefault, oW);
    oProducts.mInverseDefault = KHtrOffsetBlocks::TranslationSize(pStep.mInverseDefault);
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

// Everything the quick pass keeps from block to block and step to step.
struct KQuickPass
{
    explicit KQuickPass(const std::vector<KHtrOffsetStep>& pSteps)
        : mSteps(pSteps), mTop(KHtrOffsetBlocks::TopBlocks()), mW(pSteps.size() + 1, mTop[0]),
          mInverseV(pSteps.size(), mTop[0]), mLanes(pSteps.size()), mNeeded(pSteps.size()),
          mLibrary(pSteps.size()), mAside(pSteps.size(), 0)
    {
        mTopLane.mW = KHtrLaneBound::Fixed(mTop[0].Get(0));
        mTopLane.mInverseV = KHtrLaneBound::Fixed(mTop[1].Get(0));
        mTopLane.mExact = true;
        std::fill(mTopLane.mInside, mTopLane.mInside + kOffsetBlock, true);
    }

    const std::vector<KHtrOffsetStep>& mSteps;
    std::vector<KHtrAffineBlock> mTop;
    KOffsetLane mTopLane{};
    // One W and V inverse block per step; the last block of mW is the work block of each step.
    std::vector<KHtrAffineBlock> mW;
    std::vector<KHtrAffineBlock> mInverseV;
    std::vector<KOffsetLane> mLanes;
    std::vector<char> mNeeded;
    // The library's W and V inverse of one frame per step, for the frames that fall back.
    std::vector<std::pair<KMatrix, KMatrix>> mLibrary;
    // The blocks each step still leaves to the library path.
    std::vector<int> mAside;
    KOffsetProducts mProducts;
};

// After a block where the quick lanes leave more than a quarter of a step's frames unproven (a
// segment that keeps still: keys of zero, which no bound settles), the step's next blocks take
// the library path at once, and so do its ancestors' (the library's matrices of a step come from
// its parent's); the quick lanes try again after this many blocks.
constexpr int kAsideBlocks = 8;
constexpr int kAsideShare = 4;

KOffsetParent ParentOf(const KQuickPass& pPass, std::size_t pStep)
{
    const int lParent = pPass.mSteps[pStep].mParent;
    if (lParent < 0) {
        return {pPass.mTop[0], pPass.mTop[1], pPass.mTopLane, 0.0};
    }
    const std::size_t lAt = static_cast<std::size_t>(lParent);
    return {pPass.mW[lAt], pPass.mInverseV[lAt], pPass.mLanes[lAt],
            KHtrOffsetBlocks::TranslationSize(pPass.mSteps[lAt].mInverseDefault)};
}

// A step's block through the library path, into its lane (its parent's blocks the library's
// too): every key proven, no error in its matrices, whose singular values still bound its
// children's.
void LibraryStep(KQuickPass& ioPass, std::size_t pStep, int pFirst, int pCount)
{
    static constexpr double kNoSizes[kOffsetBlock] = {};
    const KHtrOffsetStep& lStep = ioPass.mSteps[pStep];
    const KOffsetParent lParent = ParentOf(ioPass, pStep);
    KOffsetLane& lLane = ioPass.mLanes[pStep];
    KHtrOffsetBlocks::LibraryOffsets(lStep, pFirst, pCount, lParent.mW, lParent.mInverseV,
                                     ioPass.mW[pStep], ioPass.mInverseV[pStep], ioPass.mW.back(),
                                     lLane.mKeys);
    std::fill(lLane.mSure, lLane.mSure + kOffsetBlock, true);
    std::fill(lLane.mInside, lLane.mInside + kOffsetBlock, true);
    lLane.mExact = true;
    KHtrLaneBound lW =
        KHtrLaneBound::Multiply(KHtrLaneBound::Turns(0.0), kNoSizes, lParent.mLane.mW, kNoSizes);
    lLane.mW = KHtrLaneBound();
    lLane.mW.mNorm = lW.mNorm;
    lLane.mW.mFloor = lW.mFloor;
    KHtrLaneBound::TranslationSizes(ioPass.mW[pStep], lLane.mWSizes);
    if (lStep.mHasChildren) {
        const KHtrLaneBound lInverse = KHtrLaneBound::Inverse(
            KHtrLaneBound::Multiply(KHtrLaneBound::Fixed(lStep.mInverseDefault), kNoSizes, lLane.mW,
                                    kNoSizes),
            kNoSizes);
        lLane.mInverseV = KHtrLaneBound();
        lLane.mInverseV.mNorm = lInverse.mNorm;
        lLane.mInverseV.mFloor = lInverse.mFloor;
        KHtrLaneBound::TranslationSizes(ioPass.mInverseV[pStep], lLane.mInverseVSizes);
    }
}

// A step's block through the quick lanes; a step that leaves too many frames unproven is set
// aside. Answers the frames left unproven.
int QuickStep(KQuickPass& ioPass, std::size_t pStep, int pFirst, int pCount)
{
    const KOffsetParent lParent = ParentOf(ioPass, pStep);
    KOffsetLane& lLane = ioPass.mLanes[pStep];
    QuickProducts(ioPass.mSteps[pStep], pFirst, pCount, lParent, ioPass.mW[pStep],
                  ioPass.mInverseV[pStep], ioPass.mW.back(), lLane, ioPass.mProducts);
    ProveKeys(pCount, lParent, ioPass.mProducts, lLane);
    lLane.mExact = false;
    const int lUnproven = static_cast<int>(std::count(lLane.mSure, lLane.mSure + pCount, false));
    if (lUnproven * kAsideShare > pCount) {
        ioPass.mAside[pStep] = kAsideBlocks;
    }
    return lUnproven;
}

// Marks the steps the library path must work a frame out for: those with keys left unproven at
// pFrame and their ancestors up to one worked out by the library path already. Each walk up stops
// at a step already marked, so every step is marked once.
void MarkUnproven(KQuickPass& ioPass, int pFrame)
{
    std::fill(ioPass.mNeeded.begin(), ioPass.mNeeded.end(), 0);
    for (std::size_t i = 0; i < ioPass.mSteps.size(); ++i) {
        for (int s = ioPass.mLanes[i].mSure[pFrame] ? -1 : static_cast<int>(i);
             s >= 0 && !ioPass.mNeeded[static_cast<std::size_t>(s)] &&
             !ioPass.mLanes[static_cast<std::size_t>(s)].mExact;
             s = ioPass.mSteps[static_cast<std::size_t>(s)].mParent) {
            ioPass.mNeeded[static_cast<std::size_t>(s)] = 1;
        }
    }
}

// The library's W and V inverse of a frame of a step, from its blocks.
void LoadExact(KQuickPass& ioPass, std::size_t pStep, int pFrame)
{
    KMatrix& lW = ioPass.mLibrary[pStep].first;
    KMatrix& lInverseV = ioPass.mLibrary[pStep].second;
    lW = KMatrix();
    lInverseV = KMatrix();
    ioPass.mW[pStep].Get(pFrame).ToMatrix(lW);
    ioPass.mInverseV[pStep].Get(pFrame).ToMatrix(lInverseV);
}

// The library path of frame pFrame (key pKey) in whole matrices, through the steps MarkUnproven
// marked, parents first (a parent not marked is exact in its blocks); each unproven step's keys
// go to its lane.
void LibraryFrame(KQuickPass& ioPass, std::size_t pKey, int pFrame)
{
    KMatrix lIdentityInverse;
    MatrixInverseAffine(lIdentityInverse, KMatrix());
    const KMatrix lIdentity;
    for (std::size_t i = 0; i < ioPass.mSteps.size(); ++i) {
        if (!ioPass.mNeeded[i]) {
            continue;
        }
        const KHtrOffsetStep& lStep = ioPass.mSteps[i];
        const bool lTop = lStep.mParent < 0;
        const std::size_t lParent = static_cast<std::size_t>(lStep.mParent);
        if (!lTop && !ioPass.mNeeded[lParent]) {
            LoadExact(ioPass, lParent, pFrame);
        }
        const std::vector<float>* lKeys = lStep.mSegment->mKeys;
        KMatrix lLocal;
        EulerToMatrixXYZ(lLocal, lKeys[3][pKey], lKeys[4][pKey], lKeys[5][pKey]);
        for (int c = 0; c < 3; ++c) {
            lLocal[3][c] = lKeys[c][pKey];
        }
        KMatrix& lW = ioPass.mLibrary[i].first;
        MatrixMultiplyAffine(lW, lTop ? lIdentity : ioPass.mLibrary[lParent].first, lLocal);
        KMatrix lV;
        MatrixMultiplyAffine(lV, lW, lStep.mSegment->mInverseDefaultRotation);
        if (lStep.mHasChildren) {
            MatrixInverseAffine(ioPass.mLibrary[i].second, lV);
        }
        KOffsetLane& lLane = ioPass.mLanes[i];
        if (lLane.mSure[pFrame]) {
            continue;
        }
        KMatrix lNewLocal;
        MatrixMultiplyAffine(lNewLocal, lTop ? lIdentityInverse : ioPass.mLibrary[lParent].second,
                             lV);
        KVector4 lAngles;
        MatrixToEulerUnscaled(lAngles, lNewLocal);
        for (int c = 0; c < 3; ++c) {
            lLane.mKeys[c][pFrame] = lNewLocal[3][c];
            lLane.mKeys[3 + c][pFrame] = lAngles[c];
        }
    }
}

// oLibrary[i] set for the steps that take the library path for the next block: those set aside
// and their ancestors. Children come after their parents, so one walk back reaches them all.
void SetAside(KQuickPass& ioPass, std::vector<char>& oLibrary)
{
    for (std::size_t i = 0; i < oLibrary.size(); ++i) {
        oLibrary[i] = ioPass.mAside[i] > 0;
        ioPass.mAside[i] -= oLibrary[i];
    }
    for (std::size_t i = oLibrary.size(); i-- > 0;) {
        const int lParent = ioPass.mSteps[i].mParent;
        if (oLibrary[i] && lParent >= 0) {
            oLibrary[static_cast<std::size_t>(lParent)] = 1;
        }
    }
}

} // namespace

void KHtrOffsetQuickPass::Run(const std::vector<KHtrOffsetStep>& pSteps, int pCount,
                              KHtrFile::KLaneCounts& ioCounts)
{
    const std::unique_ptr<KQuickPass> lPass = std::make_unique<KQuickPass>(pSteps);
    std::vector<char> lLibrary(pSteps.size());
    for (int lFirst = 0; lFirst < pCount; lFirst += kOffsetBlock) {
        const int lCount = std::min(kOffsetBlock, pCount - lFirst);
        SetAside(*lPass, lLibrary);
        bool lAllSure[kOffsetBlock];
        std::fill(lAllSure, lAllSure + kOffsetBlock, true);
        for (std::size_t i = 0; i < pSteps.size(); ++i) {
            if (lLibrary[i]) {
                LibraryStep(*lPass, i, lFirst, lCount);
                ioCounts.mOffsetAside += lCount;
                continue;
            }
            ioCounts.mOffsetFallbacks += QuickStep(*lPass, i, lFirst, lCount);
            for (int f = 0; f < lCount; ++f) {
                lAllSure[f] = lAllSure[f] && lPass->mLanes[i].mSure[f];
            }
        }
        ioCounts.mOffsetFrames +=
            static_cast<std::int64_t>(lCount) * static_cast<std::int64_t>(pSteps.size());
        for (int f = 0; f < lCount; ++f) {
            if (!lAllSure[f]) {
                MarkUnproven(*lPass, f);
                LibraryFrame(*lPass, static_cast<std::size_t>(lFirst + f), f);
            }
        }
        for (std::size_t i = 0; i < pSteps.size(); ++i) {
            KHtrOffsetBlocks::StoreKeys(pSteps[i], lFirst, lCount, lPass->mLanes[i].mKeys);
        }
    }
}
