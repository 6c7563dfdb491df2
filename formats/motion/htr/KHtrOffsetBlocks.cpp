// The pieces of the rotation-offset pass over a block of frames.
#include "formats/motion/htr/KHtrOffsetBlocks.h"

#include "core/KMatrixFunctions.h"
#include "formats/motion/KMotionRotationOrder.h"

#include <algorithm>
#include <cmath>

namespace {

// The axes of the keys' turns, X then Y then Z.
constexpr int kAxesXYZ[3] = {0, 1, 2};

// The key a float takes, or the old one where the float would not be finite (as a key's
// SetValue keeps its value).
void StoreKey(float& ioKey, double pValue)
{
    const float lValue = static_cast<float>(pValue);
    if (std::isfinite(lValue)) {
        ioKey = lValue;
    }
}

} // namespace

std::vector<KHtrAffineBlock> KHtrOffsetBlocks::TopBlocks()
{
    KMatrix lIdentityInverse;
    MatrixInverseAffine(lIdentityInverse, KMatrix());
    std::vector<KHtrAffineBlock> lTop(2);
    lTop[0].Fill(KHtrAffine::Identity());
    lTop[1].Fill(KHtrAffine::FromMatrix(lIdentityInverse));
    return lTop;
}

double KHtrOffsetBlocks::TranslationSize(const KHtrAffine& pAffine)
{
    return std::fabs(pAffine.mTranslation[0]) + std::fabs(pAffine.mTranslation[1]) +
           std::fabs(pAffine.mTranslation[2]);
}

void KHtrOffsetBlocks::LocalBlock(const KHtrOffsetStep& pStep, int pFirst, int pCount,
                                  KHtrAffineBlock& ioLocal)
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
    // The keys' turns X, then Y, then Z, as EulerToMatrixXYZ makes them.
    double lAngles[3][kFrames];
    for (int a = 0; a < 3; ++a) {
        for (int f = 0; f < pCount; ++f) {
            lAngles[a][f] = lColumn[3 + a][f];
        }
    }
    const double* const lTurns[3] = {lAngles[0], lAngles[1], lAngles[2]};
    KMotionRotationOrder::AnglesToAxes(pCount, kAxesXYZ, KMotionRotationOrder::eFirstAppliedFirst,
                                       lTurns, &ioLocal.mAxes[0][0][0], kFrames);
}

void KHtrOffsetBlocks::Offsets(const KHtrOffsetStep& pStep, int pFirst, int pCount,
                               const KHtrAffineBlock& pParentW,
                               const KHtrAffineBlock& pParentInverseV, KHtrAffineBlock& oW,
                               KHtrAffineBlock& oInverseV, KHtrAffineBlock& ioWork,
                               double oKeys[kKeyColumns][kFrames])
{
    KHtrAffineBlock& lLocal = ioWork;
    LocalBlock(pStep, pFirst, pCount, lLocal);
    KHtrAffineBlock::Multiply(oW, lLocal, pParentW);
    KHtrAffineBlock& lV = lLocal;
    KHtrAffineBlock::Multiply(lV, pStep.mInverseDefault, oW);
    if (pStep.mHasChildren) {
        KHtrAffineBlock::Inverse(oInverseV, lV);
    }
    KHtrAffineBlock lNewLocal;
    KHtrAffineBlock::Multiply(lNewLocal, lV, pParentInverseV);
    lNewLocal.ToEulerUnscaled(pCount, oKeys + 3);
    for (int i = 0; i < 3; ++i) {
        std::copy(lNewLocal.mTranslation[i], lNewLocal.mTranslation[i] + pCount, oKeys[i]);
    }
}

void KHtrOffsetBlocks::StoreKeys(const KHtrOffsetStep& pStep, int pFirst, int pCount,
                                 const double pKeys[kKeyColumns][kFrames])
{
    std::vector<float>* lKeys = pStep.mSegment->mKeys;
    for (int c = 0; c < kKeyColumns; ++c) {
        float* lColumn = lKeys[c].data() + pFirst;
        for (int f = 0; f < pCount; ++f) {
            StoreKey(lColumn[f], pKeys[c][f]);
        }
    }
}
