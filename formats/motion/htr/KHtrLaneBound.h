#ifndef RYVKIT_FORMATS_MOTION_HTR_KHTRLANEBOUND_H
#define RYVKIT_FORMATS_MOTION_HTR_KHTRLANEBOUND_H

#include "formats/motion/htr/KHtrAffineBlock.h"

// How far the frames of a KHtrAffineBlock worked out from quick sines and cosines may lie from
// the block the library path works out from the same keys, carried through the block operations
// of the HTR frame passes. The axes are bounded as matrices: mNorm and mFloor bound the largest
// and smallest singular value of the library's axes (of every frame in use), mAxes the spectral
// norm of the quick axes minus the library's, which bounds every element's difference too. The
// translation is bounded frame by frame (Euclidean length of the difference).
//
// Every operation mirrors the KHtrAffineBlock operation of the same name: the first-order change
// of its exact value plus the rounding of its steps on either side. A rounded sum of n products
// lies within (n + 1) u (the unit roundoff) times the sum of their magnitudes of the exact one,
// and a matrix of element differences at most d has a spectral norm at most 3 d. Where no bound
// can be given (a length, scale or determinant that may be 0 for the library) the bounds are
// +infinity, and so is every bound built on them: a caller then takes the library path.
struct KHtrLaneBound
{
    static constexpr int kFrames = KHtrAffineBlock::kFrames;

    double mNorm = 1.0;
    double mFloor = 1.0;
    double mAxes = 0.0;
    double mTranslation[kFrames] = {};

    // A matrix the library path uses as it stands (singular values from its elements).
    static KHtrLaneBound Fixed(const KHtrAffine& pFixed);
    // Turns whose axes lie within pError (spectral norm) of the library's, whose elements lie
    // within kTurnSlack of those of an exact rotation; translations exact.
    static KHtrLaneBound Turns(double pError);
    // The length (at least: the sum of magnitudes) of each frame's translation in pBlock.
    static void TranslationSizes(const KHtrAffineBlock& pBlock, double oSizes[kFrames]);

    // The bound of KHtrAffineBlock::Multiply(oDst, pFirst, pThen) (or MultiplyAxes: translations
    // left out) from its operands' bounds and translation sizes.
    static KHtrLaneBound Multiply(const KHtrLaneBound& pFirst, const double* pFirstSizes,
                                  const KHtrLaneBound& pThen, const double* pThenSizes);
    // The bound of KHtrAffineBlock::Inverse(oInverse, pSrc), whose translation sizes are given.
    static KHtrLaneBound Inverse(const KHtrLaneBound& pSrc, const double* pSrcSizes);
    // The operands of OffsetTranslation: the bounds and translation sizes of one segment's
    // matrices in the rotation-offset pass and of its parent's (see KHtrFileOffsets.cpp).
    struct KOffsetOperands
    {
        // The local translations (the keys, the same on both paths).
        const double* mLocalSizes;
        const KHtrLaneBound* mW;
        const double* mWSizes;
        const KHtrLaneBound* mV;
        const double* mVSizes;
        const KHtrLaneBound* mParentW;
        const double* mParentWSizes;
        const KHtrLaneBound* mParentInverseV;
        const double* mParentInverseVSizes;
        // The sum of magnitudes of the translation of the segment's and its parent's inverse
        // default rotation (0 for the top's parent).
        double mInverseDefault;
        double mParentInverseDefault;
    };
    // The bound of the offset pass's new local translation, V.T A + B with A and B the parent's
    // V inverse (B = -(Vp.T A) from the same A): only V.T - Vp.T, the local translation turned,
    // meets A's bound, which spares the world translations' size.
    static void OffsetTranslation(const KOffsetOperands& pOperands, double oBound[kFrames]);
    // The bound on the elements KHtrAffineBlock::Unscaled reads the angles from (each axis
    // divided by its scale, the determinant's sign the scales' sign).
    double Unscaled() const;

    // The largest difference between the elements of a library turn (sines and cosines within
    // an ulp of exact, products rounded) and those of the exact rotation.
    static constexpr double kTurnSlack = 1e-14;
};

#endif
