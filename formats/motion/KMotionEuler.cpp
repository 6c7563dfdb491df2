#include "formats/motion/KMotionEuler.h"

#include "core/KMatrix.h"
#include "core/KVector4.h"
#include "formats/motion/KMotionAngles.h"

#include <algorithm>

namespace {

// Rotations turned at a time: room for their arguments on the stack.
constexpr int kBlock = 64;

// Y and Z of the gimbal branches (index 0: row 0's Z at least kGimbal, 1: at most -kGimbal).
constexpr double kGimbalY[2] = {-90.0, 90.0};

// Which branch row 0's Z takes: 0 and 1 the gimbal ones, 2 the general one.
int BranchOf(double pM02)
{
    return pM02 >= KMotionEuler::kGimbal ? 0 : (pM02 <= -KMotionEuler::kGimbal ? 1 : 2);
}

} // namespace

void KMotionEuler::AxesToEulerXYZ(int pCount, const double* const pRow0[3],
                                  const double* const pRow1[3], const double* pZ2,
                                  double* const oAngles[3])
{
    for (int lFirst = 0; lFirst < pCount; lFirst += kBlock) {
        const int n = std::min(kBlock, pCount - lFirst);
        // X and Z in one run of arc tangents: X's arguments, then Z's.
        double lY[2 * kBlock];
        double lX[2 * kBlock];
        double lSine[kBlock];
        int lBranch[kBlock];
        for (int i = 0; i < n; ++i) {
            const int f = lFirst + i;
            const double lM02 = pRow0[2][f];
            lBranch[i] = BranchOf(lM02);
            // At gimbal lock row 1 reduces to (-sin(X + Z), cos(X + Z), 0) for sin(Y) = -1 and
            // to (sin(X - Z), cos(X - Z), 0) for sin(Y) = 1.
            lY[i] = lBranch[i] == 2 ? pRow1[2][f] : (lBranch[i] == 0 ? -pRow1[0][f] : pRow1[0][f]);
            lX[i] = lBranch[i] == 2 ? pZ2[f] : pRow1[1][f];
            lY[n + i] = pRow0[1][f];
            lX[n + i] = pRow0[0][f];
            lSine[i] = -lM02;
        }
        double lTurns[2 * kBlock];
        double lMiddle[kBlock];
        KMotionAngles::Atan2(2 * n, lY, lX, lTurns);
        KMotionAngles::Asin(n, lSine, lMiddle);
        for (int i = 0; i < n; ++i) {
            const int f = lFirst + i;
            const bool lGimbal = lBranch[i] != 2;
            oAngles[0][f] = lTurns[i];
            oAngles[1][f] = lGimbal ? kGimbalY[lBranch[i] & 1] : lMiddle[i];
            oAngles[2][f] = lGimbal ? 0.0 : lTurns[n + i];
        }
    }
}

void KMotionEuler::MatrixToEulerXYZ(int pCount, const KMatrix* pRotations, KVector4* oAngles)
{
    for (int lFirst = 0; lFirst < pCount; lFirst += kBlock) {
        const int n = std::min(kBlock, pCount - lFirst);
        double lRow0[3][kBlock];
        double lRow1[3][kBlock];
        double lZ2[kBlock];
        for (int i = 0; i < n; ++i) {
            const KMatrix& m = pRotations[lFirst + i];
            for (int c = 0; c < 3; ++c) {
                lRow0[c][i] = m[0][c];
                lRow1[c][i] = m[1][c];
            }
            lZ2[i] = m[2][2];
        }
        double lAngles[3][kBlock];
        const double* const lRows0[3] = {lRow0[0], lRow0[1], lRow0[2]};
        const double* const lRows1[3] = {lRow1[0], lRow1[1], lRow1[2]};
        double* const lOut[3] = {lAngles[0], lAngles[1], lAngles[2]};
        AxesToEulerXYZ(n, lRows0, lRows1, lZ2, lOut);
        for (int i = 0; i < n; ++i) {
            KVector4& lResult = oAngles[lFirst + i];
            lResult.Set(lAngles[0][i], lAngles[1][i], lAngles[2][i], lResult[3]);
        }
    }
}

void KMotionEuler::EulerXYZToAxes(int pCount, const double* const pDegrees[3], double* oAxes,
                                  int pStride)
{
    for (int lFirst = 0; lFirst < pCount; lFirst += kBlock) {
        const int n = std::min(kBlock, pCount - lFirst);
        double lSine[3][kBlock];
        double lCosine[3][kBlock];
        for (int a = 0; a < 3; ++a) {
            KMotionAngles::SinCos(n, pDegrees[a] + lFirst, lSine[a], lCosine[a]);
        }
        for (int i = 0; i < n; ++i) {
            const double sx = lSine[0][i], cx = lCosine[0][i];
            const double sy = lSine[1][i], cy = lCosine[1][i];
            const double sz = lSine[2][i], cz = lCosine[2][i];
            const double lAxes[9] = {cy * cz,
                                     cy * sz,
                                     -sy,
                                     sx * sy * cz - cx * sz,
                                     sx * sy * sz + cx * cz,
                                     sx * cy,
                                     cx * sy * cz + sx * sz,
                                     cx * sy * sz - sx * cz,
                                     cx * cy};
            for (int e = 0; e < 9; ++e) {
                oAxes[e * pStride + lFirst + i] = lAxes[e];
            }
        }
    }
}

KMatrix KMotionEuler::EulerXYZToMatrix(const KVector4& pDegrees)
{
    const double lDegrees[3] = {pDegrees[0], pDegrees[1], pDegrees[2]};
    const double* const lEuler[3] = {&lDegrees[0], &lDegrees[1], &lDegrees[2]};
    double lAxes[9];
    EulerXYZToAxes(1, lEuler, lAxes, 1);
    KMatrix lMatrix;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            lMatrix[r][c] = lAxes[3 * r + c];
        }
    }
    return lMatrix;
}
