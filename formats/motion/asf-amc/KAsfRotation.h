#ifndef RYVKIT_FORMATS_MOTION_ASFAMC_KASFROTATION_H
#define RYVKIT_FORMATS_MOTION_ASFAMC_KASFROTATION_H

#include "core/KMatrix.h"
#include "core/KVector4.h"

// The rotation orders of ASF and AMC files. Both files list turns in the order they apply: the
// axis word "yzx" of a bone and its DOF list "ry rz rx" both mean a turn about Y first, then Z,
// then X (M = Ry * Rz * Rx with the kit's row vectors). Such an order is stored as the index of
// EulerToMatrixOrdered's axis table (an even index, whose axis triple is the order of
// application), and angles live in X, Y, Z places whatever the order.
class KAsfRotation
{
public:
    // The index of an axis word ("xyz", "zyx", ... in any case); -1 for anything else.
    static int IndexOfWord(const char* pWord);
    // The index of the rotation DOFs of a DOF list (KAsfBone codes, -1 for none): the last
    // rotation DOF listed is the last axis, the one before it the middle axis; with one such DOF,
    // or none, the table of the format fills in the rest (none gives 0).
    static int IndexOfDofs(const int* pDofs, int pCount);
    // The rotation of angles in X, Y, Z places (degrees) in an order; false and the identity
    // for an index that is not one of the six even ones.
    static bool AnglesToMatrix(KMatrix& pDst, const double pAngles[3], int pIndex);
    // Its inverse: angles in X, Y, Z places, through MatrixToEulerOrdered and the channel swap.
    static bool MatrixToAngles(double pAngles[3], const KMatrix& pSrc, int pIndex);
    // Puts the three angles EulerToMatrixOrdered takes for an index (in the order of its axis
    // triple) into X, Y, Z places; indexes other than the six even ones keep their places.
    static void SwapChannels(double pXyz[3], const KVector4& pOrdered, int pIndex);
};

#endif
