#ifndef RYVKIT_CORE_KAFFINEMATRIX_H
#define RYVKIT_CORE_KAFFINEMATRIX_H

#include "core/KMatrix.h"

// A KMatrix used as an affine transform: the 3x4 part (axes and translation) is the transform,
// the fourth column is carried along but ignored by the affine operations. Built from a
// translation, Euler rotation X, Y, Z in degrees and a scale. Row-vector convention: a point p
// maps to p * axes + translation, and in A * B the transform A applies first.
class KAffineMatrix : public KMatrix
{
public:
    // The identity.
    KAffineMatrix() = default;
    // Translation, Euler X, Y, Z in degrees and scale (x, y, z of each vector; w unused).
    KAffineMatrix(const KVector4& pT, const KVector4& pR, const KVector4& pS);
    KAffineMatrix(const KAffineMatrix& pOther) = default;
    explicit KAffineMatrix(const KMatrix& pOther) : KMatrix(pOther) {}
    // Copy only the axes and the translation (the 3x4 part); the fourth column stays.
    KAffineMatrix& operator=(const KAffineMatrix& pOther);
    KAffineMatrix& operator=(const KMatrix& pOther);

    KAffineMatrix& SetIdentity();

    // The translation row with w = 0.
    KVector4 GetT() const;
    // The Euler angles X, Y, Z in degrees with the scale removed (MatrixToEulerUnscaled); w = 0.
    KVector4 GetR() const;
    // The signed axis lengths (MatrixGetScale); w = 0.
    KVector4 GetS() const;
    // The rotation with the scale removed, as a unit quaternion (x, y, z, w).
    KVector4 GetQ() const;

    // The point pPoint (x, y, z) times the axes plus the translation; w is copied from pPoint.
    KVector4 MultT(const KVector4& pPoint) const;

    // Affine product in which this transform applies first and pOther second.
    KAffineMatrix operator*(const KAffineMatrix& pOther) const;
    // The affine inverse (MatrixInverseAffine: the axes must be orthogonal).
    KAffineMatrix Inverse() const;
    // The transpose of all 16 elements.
    KAffineMatrix Transpose() const;
};

#endif
