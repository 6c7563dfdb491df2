#ifndef RYVKIT_FORMATS_MOTION_KMOTIONROTATIONORDER_H
#define RYVKIT_FORMATS_MOTION_KMOTIONROTATIONORDER_H

#include "core/KMatrix.h"

// Ties the rotation-axis lists of the motion formats to the kit's rotation orders
// (KRotationOrder) and to the axis table of EulerToMatrixOrdered. Angles are degrees; matrices
// use the kit's row vectors (p' = p * M, so in A * B the turn A applies first).
//
// A format lists the single-axis turns of a joint in one of two ways:
// - eFirstOutermost: the first listed turn is the outermost one of the column-vector product, so
//   it applies last. BVH channels read this way: "Zrotation Xrotation Yrotation" means
//   R = Rz * Rx * Ry on column vectors, which is M = Ry * Rx * Rz with the kit's row vectors
//   (Y turns first, Z last; the kit order YXZ). With 90, 90, 0 a joint's +Y lands on +Z.
// - eFirstAppliedFirst: the first listed turn applies first (M = R0 * R1 * R2 in row form).
class KMotionRotationOrder
{
public:
    enum EAxis { eAxisX = 0, eAxisY = 1, eAxisZ = 2 };
    enum EListing { eFirstOutermost, eFirstAppliedFirst };

    // The kit rotation order (KRotationOrder::eEulerXYZ to eEulerZYX) of three listed axes;
    // -1 unless they are X, Y and Z in some order.
    static int ToKitOrder(const int pAxes[3], EListing pListing);
    // The index of EulerToMatrixOrdered's axis table (always an even one, the right-handed
    // turns) for the same rotation; its angles a, b, c are the listed angles put in application
    // order. -1 unless the axes are X, Y and Z in some order.
    static int ToOrderedIndex(const int pAxes[3], EListing pListing);

    // The rotation (3x3 part; translation and fourth column of the identity) of pCount listed
    // single-axis turns; any count and repeated axes are allowed, 0 turns give the identity.
    // False and the identity for an axis outside 0..2, a negative count or null lists.
    static bool AnglesToMatrix(KMatrix& pDst, const int* pAxes, const double* pAngles, int pCount,
                               EListing pListing);
    // The same from the sines and cosines of the listed angles (KMotionAngles::SinCos), for a
    // caller that takes those of many rotations in one run.
    static bool TurnsToMatrix(KMatrix& pDst, const int* pAxes, const double* pSine,
                              const double* pCosine, int pCount, EListing pListing);
    // The rotations of pCount listed triples of turns about the three distinct axes pAxes, the
    // angles pDegrees[i][f] of listed axis i in frame f (the same sines, cosines and products
    // as AnglesToMatrix), into oAxes: element (r, c) of frame f at oAxes[(3 r + c) pStride + f].
    // False, nothing written, unless the axes are X, Y and Z in some order.
    static bool AnglesToAxes(int pCount, const int pAxes[3], EListing pListing,
                             const double* const pDegrees[3], double* oAxes, int pStride);
    // The three angles, one per listed axis, that AnglesToMatrix turns back into the rotation of
    // pSrc (its axis scale removed first). The middle turn lies in [-90, 90]; at gimbal lock the
    // innermost turn is 0. False, pAngles untouched, unless the axes are X, Y, Z in some order.
    static bool MatrixToAngles(double pAngles[3], const KMatrix& pSrc, const int pAxes[3],
                               EListing pListing);
};

#endif
