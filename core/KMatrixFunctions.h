#ifndef RYVKIT_CORE_KMATRIXFUNCTIONS_H
#define RYVKIT_CORE_KMATRIXFUNCTIONS_H

#include "core/KMatrix.h"
#include "core/KQuaternion.h"
#include "core/KVector4.h"

// Low-level matrix, vector, Euler and quaternion routines on KMatrix values.
//
// Conventions: the destination comes first and may be one of the operands. Points are row
// vectors (p' = p * M); rows 0 to 2 are the axes, row 3 the translation. "Affine" and "3x3"
// routines write only the part they name and leave the rest of the destination as it was. Vector
// arguments use x, y, z only; a vector destination keeps its w. Angles are in degrees.
//
// Elementary rotations in row-vector form (c = cos, s = sin of the angle):
//   about X: rows (1, 0, 0), (0, c, s), (0, -s, c)   -- maps (0, 1, 0) to (0, c, s)
//   about Y: rows (c, 0, -s), (0, 1, 0), (s, 0, c)   -- maps (0, 0, 1) to (s, 0, c)
//   about Z: rows (c, s, 0), (-s, c, 0), (0, 0, 1)   -- maps (1, 0, 0) to (c, s, 0)

void MatrixSetIdentity(KMatrix& pDst);
// All 16 elements.
void MatrixCopy(KMatrix& pDst, const KMatrix& pSrc);
// The axes and the translation (3x4 part).
void MatrixCopyAffine(KMatrix& pDst, const KMatrix& pSrc);
// Axes from Euler X, Y, Z (EulerToMatrixXYZ), each axis row times its scale component, and
// translation from pT; the fourth column is not touched.
void MatrixSetTRS(KMatrix& pDst, const KVector4& pT, const KVector4& pR, const KVector4& pS);

// Affine product of the 3x4 parts in which pB applies first and pA second: pDst = pB * pA.
void MatrixMultiplyAffine(KMatrix& pDst, const KMatrix& pA, const KMatrix& pB);
// pB followed by the inverse of pA: pDst = pB * inverse(pA) (pA must have orthogonal axes).
void MatrixMultiplyInverseAffine(KMatrix& pDst, const KMatrix& pA, const KMatrix& pB);
// 3x3 parts only, pB applying first: pDst = pB * pA. The translation of pDst is not touched.
void MatrixMultiply3x3(KMatrix& pDst, const KMatrix& pA, const KMatrix& pB);
// 3x3 parts only, pB followed by the transpose of pA: pDst = pB * transpose(pA).
void MatrixMultiplyTranspose3x3(KMatrix& pDst, const KMatrix& pA, const KMatrix& pB);
// Transpose of the 3x3 part (in place when pDst and pSrc are one matrix).
void MatrixTranspose3x3(KMatrix& pDst, const KMatrix& pSrc);
// Inverse of an affine matrix whose axes are orthogonal (any lengths): the transposed 3x3 part
// with each axis divided by its squared length, and translation -(t * that inverse). A zero axis
// gives a zero column instead of a division by zero.
void MatrixInverseAffine(KMatrix& pDst, const KMatrix& pSrc);
// The axis rows of pSrc each divided by its length (a zero axis stays zero); the translation and
// fourth column of pDst are not touched.
void MatrixNormalizeAxes(KMatrix& pDst, const KMatrix& pSrc);
// The lengths of the three axis rows, all three negated when the 3x3 determinant is below 0.
void MatrixGetScale(KVector4& pScale, const KMatrix& pSrc);
// The axis rows of pSrc each divided by its MatrixGetScale component, which leaves a rotation for
// a matrix with orthogonal axes (a zero axis stays as it is); the rest of pDst is not touched.
void MatrixRemoveScale(KMatrix& pDst, const KMatrix& pSrc);

// 0 when each of the 12 elements of the 3x4 parts differs by at most pTolerance, else 1.
// A tolerance of exactly 0 compares the bytes of the first 15 elements instead and gives -1, 0
// or 1 as memcmp orders them (so -0.0 and 0.0 differ, and equal NaN bit patterns are equal).
int MatrixCompare(const KMatrix& pA, const KMatrix& pB, double pTolerance);
// The same for the x, y, z of two vectors (byte compare of 24 bytes for tolerance 0).
int VectorCompare(const KVector4& pA, const KVector4& pB, double pTolerance);
// (x, y, z) of pV times the 3x3 part, no translation.
void VectorMultiplyMatrix3x3(KVector4& pDst, const KMatrix& pM, const KVector4& pV);
// (x, y, z) of pSrc scaled to length 1; a zero vector stays zero.
// The point pV (x, y, z) times pM with the translation added; pDst's w is kept.
void VectorMultiplyMatrixAffine(KVector4& pDst, const KMatrix& pM, const KVector4& pV);
// Axis row i of pM multiplied by pV[i] (i = 0, 1, 2); the translation row of pDst is not written.
void MatrixScaleRows(KMatrix& pDst, const KMatrix& pM, const KVector4& pV);
// The length of (x, y, z).
double VectorLength(const KVector4& pV);
void VectorNormalize(KVector4& pDst, const KVector4& pSrc);

// Sets the 3x3 part to the rotation about X by pX, then about Y by pY, then about Z by pZ:
// Rx * Ry * Rz in row-vector form. MatrixToEulerXYZ is its inverse.
void EulerToMatrixXYZ(KMatrix& pDst, double pX, double pY, double pZ);
// The same three axis rows into a plain 3x3 array, for working forms without the fourth column.
void EulerToAxesXYZ(double oAxes[3][3], double pX, double pY, double pZ);
// Euler X, Y, Z in degrees (x, y, z of pAngles) of the 3x3 part, taken as a rotation:
// Y in [-90, 90], X and Z in (-180, 180]. When m[0][2] >= 0.999999, Y = -90 and Z = 0; when
// m[0][2] <= -0.999999, Y = +90 and Z = 0 (X then carries the whole remaining turn).
void MatrixToEulerXYZ(KVector4& pAngles, const KMatrix& pSrc);
// The same from the only elements it reads: rows 0 and 1 of the axes and row 2's Z.
void AxesToEulerXYZ(double oAngles[3], const double pRow0[3], const double pRow1[3], double pZ2);
// MatrixToEulerXYZ after dividing each axis by its MatrixGetScale component (a zero scale
// component leaves that axis as it is).
void MatrixToEulerUnscaled(KVector4& pAngles, const KMatrix& pSrc);

// Euler rotation by an index of the 12-entry axis table. The index's upper part (pIndex / 2)
// picks the axes (i, j, k) in order of application:
//   0, 1: X Y Z    2, 3: X Z Y    4, 5: Y Z X    6, 7: Y X Z    8, 9: Z X Y    10, 11: Z Y X
// pA turns about axis i, pB about j, pC about k, applied in that order: Ri(a) * Rj(b) * Rk(c).
// Odd permutations (indices 2, 3, 6, 7, 10, 11, bit 1 set) run the even formula on negated
// angles; bit 0 selects the odd-parity formula, which negates them once more. So the even
// indices are ordinary right-handed rotations (index 0 equals EulerToMatrixXYZ(a, b, c)) and each
// odd index is the index below it with all three angles negated (clockwise sense).
// Sets the 3x3 part; an index outside 0..11 sets the identity 3x3 and gives false.
bool EulerToMatrixOrdered(KMatrix& pDst, double pA, double pB, double pC, int pIndex);
// The same three axis rows into a plain 3x3 array; an index outside 0..11 leaves it as it was.
bool EulerToAxesOrdered(double oAxes[3][3], double pA, double pB, double pC, int pIndex);
// Inverse of EulerToMatrixOrdered: x, y, z of pAngles receive a, b, c. pB lies in [-90, 90];
// when cos(b) is at most 1.6e-9 (gimbal lock), c is 0 and a carries the whole remaining turn.
// An index outside 0..11 leaves pAngles unchanged and gives false.
bool MatrixToEulerOrdered(KVector4& pAngles, const KMatrix& pSrc, int pIndex);

// The rotation of the 3x3 part (taken as a rotation) as a unit quaternion with w >= 0.
void MatrixToQuaternion(KQuaternion& pDst, const KMatrix& pSrc);
// Sets the 3x3 part from pQ scaled by 2 / |q|^2, so any non-zero length gives a rotation;
// a zero quaternion gives the identity 3x3.
void QuaternionToMatrix(KMatrix& pDst, const KQuaternion& pQ);
// Shortest-arc quaternion turning direction pA onto pB, not normalised: (x, y, z) = a x b,
// w = a . b + |a| |b|. For opposite directions, where that formula degenerates to zero, a half
// turn about an axis perpendicular to pA (length |a| |b|, w = 0). Zero vectors give zero.
void QuaternionFromArc(KQuaternion& pDst, const KVector4& pA, const KVector4& pB);
// The unnormalised quaternion turning the X axis onto pV: (0, -z, y, |v| + x), which is
// (0, -z, y, 1 + x) for a unit pV. For pV along -X a half turn about Z: (0, 0, |v|, 0).
void QuaternionFromXAxisTo(KQuaternion& pDst, const KVector4& pV);

#endif
