#ifndef RYVKIT_FORMATS_MOTION_KMOTIONEULER_H
#define RYVKIT_FORMATS_MOTION_KMOTIONEULER_H

class KMatrix;
class KVector4;

// Euler X, Y, Z angles (degrees) of rotations, many at a time, with the branches of the core's
// AxesToEulerXYZ and the arc tangents and arc sines of KMotionAngles: the angles the motion
// formats read and write, the same bits on every machine. Y lies in [-90, 90], X and Z in
// (-180, 180]; where row 0's Z is at least kGimbal, Y = -90 and Z = 0, where it is at most
// -kGimbal, Y = +90 and Z = 0 (X then carries the whole remaining turn).
class KMotionEuler
{
public:
    static constexpr double kGimbal = 0.999999;

    // From the only elements the angles depend on, of pCount rotations: rows 0 and 1 of the
    // axes (pRow0[column][i], pRow1[column][i]) and row 2's Z (pZ2[i]), into oAngles[axis][i].
    static void AxesToEulerXYZ(int pCount, const double* const pRow0[3],
                               const double* const pRow1[3], const double* pZ2,
                               double* const oAngles[3]);
    // The same from the 3x3 parts of pCount matrices into x, y, z of oAngles (w kept).
    static void MatrixToEulerXYZ(int pCount, const KMatrix* pRotations, KVector4* oAngles);

    // The other way: the rotations Rx * Ry * Rz (row vectors, X turning first) of pCount Euler
    // angle triples pDegrees[axis][i], by the core's EulerToAxesXYZ formula with the sines and
    // cosines of KMotionAngles: element (r, c) of rotation i into oAxes[(3 r + c) pStride + i].
    static void EulerXYZToAxes(int pCount, const double* const pDegrees[3], double* oAxes,
                               int pStride);
    // The same for one triple (x, y, z of pDegrees) into the 3x3 part of a matrix that is
    // otherwise the identity.
    static KMatrix EulerXYZToMatrix(const KVector4& pDegrees);
};

#endif
