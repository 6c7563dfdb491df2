#include "formats/motion/bvh/KBvhChannelAngles.h"

#include "core/KMatrix.h"
#include "core/KMatrixFunctions.h"
#include "formats/motion/KMotionAngles.h"
#include "formats/motion/KMotionEuler.h"
#include "formats/motion/KMotionPrintPrecision.h"
#include "formats/motion/KMotionRotationOrder.h"

#include <algorithm>
#include <cmath>

namespace {

// Matrices turned at a time: room for their arguments on the stack.
constexpr int kBlock = 64;

// The channels' turns in the order they apply (Y, X, Z): rows i, j and k of the matrix.
constexpr int kAxisI = KMotionRotationOrder::eAxisY;
constexpr int kAxisJ = KMotionRotationOrder::eAxisX;
constexpr int kAxisK = KMotionRotationOrder::eAxisZ;

// 10^0 to 10^kMaxDecimals, exact.
constexpr double kPowers[KBvhDecimals::kMaxDecimals + 1] = {1e0, 1e1, 1e2, 1e3, 1e4,
                                                            1e5, 1e6, 1e7, 1e8, 1e9};

// The arguments of the arc tangents of the Y, X and Z angles of pMatrix, at pAt, pAt + pStride and
// pAt + 2 pStride. Y, X, Z is an odd order of the axes, in which the turns of the even formulas
// below go the other way: their angles come out negated.
void ArcArguments(const KMatrix& pMatrix, int pAt, int pStride, double* oY, double* oX)
{
    // The scale comes out twice, as a scale removed before the kit's order conversion
    // (KRotationOrder::M2V, which removes it again) takes it: files keep the digits they had.
    KMatrix lRotation;
    MatrixRemoveScale(lRotation, pMatrix);
    MatrixRemoveScale(lRotation, lRotation);
    const double* i = lRotation[kAxisI];
    const double* j = lRotation[kAxisJ];
    const double* k = lRotation[kAxisK];
    const double lCosine = std::sqrt(i[kAxisI] * i[kAxisI] + i[kAxisJ] * i[kAxisJ]);
    oY[pAt + pStride] = -i[kAxisK];
    oX[pAt + pStride] = lCosine;
    if (lCosine > KBvhChannelAngles::kGimbal) {
        oY[pAt] = j[kAxisK];
        oX[pAt] = k[kAxisK];
        oY[pAt + 2 * pStride] = i[kAxisJ];
        oX[pAt + 2 * pStride] = i[kAxisI];
        return;
    }
    // Only the sum or difference of the outer turns is known: the last turn is 0 (the arc
    // tangent of 0 and 1), the first carries the whole of it.
    oY[pAt] = -k[kAxisJ];
    oX[pAt] = j[kAxisJ];
    oY[pAt + 2 * pStride] = 0.0;
    oX[pAt + 2 * pStride] = 1.0;
}

// The negated angles of the turns Y, X, Z rounded together, placed as printed: Y in x, X in y,
// Z in z.
KVector4 Rounded(double pY, double pX, double pZ, KBvhDecimals& oDecimals)
{
    double lAngles[3] = {-pY, -pX, -pZ};
    const int lDecimals = KMotionPrintPrecision::RoundToLargest(lAngles, 3);
    oDecimals = KBvhDecimals();
    // A group with one angle not finite is rounded all the same; the file refuses it.
    const bool lFinite =
        std::isfinite(lAngles[0]) && std::isfinite(lAngles[1]) && std::isfinite(lAngles[2]);
    if (lFinite && lDecimals >= 0 && lDecimals <= KBvhDecimals::kMaxDecimals) {
        oDecimals.mDecimals = lDecimals;
        for (int a = 0; a < 3; ++a) {
            // Each angle is the double nearest to its decimal, of at most seven digits: the
            // product lies within far less than half a unit of that decimal's whole number.
            oDecimals.mWhole[a] = std::llround(lAngles[a] * kPowers[lDecimals]);
        }
    }
    return KVector4(lAngles[0], lAngles[1], lAngles[2]);
}

} // namespace

KVector4 KBvhChannelAngles::Of(const KMatrix& pMatrix, KBvhDecimals& oDecimals)
{
    KVector4 lAngles;
    Of(1, &pMatrix, &lAngles, &oDecimals);
    return lAngles;
}

void KBvhChannelAngles::Of(int pCount, const KMatrix* pMatrices, KVector4* oAngles,
                           KBvhDecimals* oDecimals)
{
    for (int lFirst = 0; lFirst < pCount; lFirst += kBlock) {
        const int n = std::min(kBlock, pCount - lFirst);
        // The three angles of every matrix in one run of arc tangents: the Y angles, then the
        // X angles, then the Z angles.
        double lY[3 * kBlock];
        double lX[3 * kBlock];
        for (int m = 0; m < n; ++m) {
            ArcArguments(pMatrices[lFirst + m], m, n, lY, lX);
        }
        double lDegrees[3 * kBlock];
        KMotionAngles::Atan2(3 * n, lY, lX, lDegrees);
        for (int m = 0; m < n; ++m) {
            oAngles[lFirst + m] =
                Rounded(lDegrees[m], lDegrees[n + m], lDegrees[2 * n + m], oDecimals[lFirst + m]);
        }
    }
}

void KBvhChannelAngles::OfPoses(int pCount, const KVector4* pRotations, const KVector4* pScalings,
                                KVector4* oAngles, KBvhDecimals* oDecimals)
{
    for (int lFirst = 0; lFirst < pCount; lFirst += kBlock) {
        const int n = std::min(kBlock, pCount - lFirst);
        double lDegrees[3][kBlock];
        for (int p = 0; p < n; ++p) {
            for (int a = 0; a < 3; ++a) {
                lDegrees[a][p] = pRotations[lFirst + p][a];
            }
        }
        const double* const lEuler[3] = {lDegrees[0], lDegrees[1], lDegrees[2]};
        double lAxes[9][kBlock];
        KMotionEuler::EulerXYZToAxes(n, lEuler, &lAxes[0][0], kBlock);
        KMatrix lMatrices[kBlock];
        for (int p = 0; p < n; ++p) {
            const KVector4& lScaling = pScalings[lFirst + p];
            for (int r = 0; r < 3; ++r) {
                for (int c = 0; c < 3; ++c) {
                    lMatrices[p][r][c] = lAxes[3 * r + c][p] * lScaling[r];
                }
            }
        }
        Of(n, lMatrices, oAngles + lFirst, oDecimals + lFirst);
    }
}
