#ifndef RYVKIT_FORMATS_MOTION_HTR_KHTRAFFINEBLOCK_H
#define RYVKIT_FORMATS_MOTION_HTR_KHTRAFFINEBLOCK_H

#include "formats/motion/htr/KHtrAffine.h"

// The KHtrAffine of kFrames consecutive frames of one segment, held element by element (each
// element of all frames side by side) so that the frame pass (each frame's turn then the base
// rotation) and the rotation-offset pass run their products, inverses, scale removal and angle
// readings over the frames in loops the compiler can turn into vector operations. Each frame gets
// the bits the core matrix function named gives it: the same sums in the same order, one frame per
// lane. Operations work on all kFrames frames; frames a caller has not filled hold whatever they
// held, and their results are meaningless but harmless.
// The elements of every frame of a block that the Euler X, Y, Z angles are read from
// (KMotionEuler): rows 0 and 1 and row 2's Z, each element of all frames side by side.
struct KHtrEulerAxesBlock
{
    static constexpr int kFrames = 64;

    double mRow0[3][kFrames];
    double mRow1[3][kFrames];
    double mZ2[kFrames];
};

struct KHtrAffineBlock
{
    static constexpr int kFrames = KHtrEulerAxesBlock::kFrames;

    double mAxes[3][3][kFrames];
    double mTranslation[3][kFrames];

    // Every frame set to pAffine.
    void Fill(const KHtrAffine& pAffine);
    void Set(int pFrame, const KHtrAffine& pAffine);
    KHtrAffine Get(int pFrame) const;

    // Frame by frame oDst = pFirst then pThen (pFirst applies first), as
    // MatrixMultiplyAffine(oDst, pThen, pFirst) gives it. oDst may not be either operand.
    static void Multiply(KHtrAffineBlock& oDst, const KHtrAffineBlock& pFirst,
                         const KHtrAffineBlock& pThen);
    // The same with one pFirst for every frame.
    static void Multiply(KHtrAffineBlock& oDst, const KHtrAffine& pFirst,
                         const KHtrAffineBlock& pThen);
    // The axes of pFirst then one pThen for every frame, as MatrixMultiply3x3(oDst, pThen, pFirst)
    // gives them; oDst's translation stays as it was. oDst may not be pFirst.
    static void MultiplyAxes(KHtrAffineBlock& oDst, const KHtrAffineBlock& pFirst,
                             const KHtrAffine& pThen);
    // Frame by frame the inverse of pSrc, whose axes must be orthogonal, as MatrixInverseAffine
    // gives it (an axis of length 0 gives a zero column). oDst may not be pSrc.
    static void Inverse(KHtrAffineBlock& oDst, const KHtrAffineBlock& pSrc);
    // The Euler X, Y, Z angles (degrees) of frames 0 to pCount - 1 after each axis is divided by
    // its scale, as MatrixToEulerUnscaled gives them: oAngles[axis][frame].
    void ToEulerUnscaled(int pCount, double oAngles[3][kFrames]) const;
    // The elements those angles are read from: each axis divided by its scale, as
    // MatrixRemoveScale gives them.
    void Unscaled(KHtrEulerAxesBlock& oAxes) const;
    // The same of the axes as they stand.
    void ToEulerXYZ(int pCount, double oAngles[3][kFrames]) const;
};

#endif
