#include "formats/motion/bvh/KBvhChannelAngles.h"

#include "core/KMatrix.h"
#include "formats/motion/KMotionAngles.h"
#include "formats/motion/KMotionEuler.h"
#include "formats/motion/KMotionPrintPrecision.h"
#include "formats/motion/KMotionRotationOrder.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

// Matrices turned at a time: room for their arguments on the stack.
constexpr int kBlock = 64;

// The channels' turns in the order they apply (Y, X, Z): rows i, j and k of the matrix.
constexpr int kAxisI = KMotionRotationOrder::eAxisY;
constexpr int kAxisJ = KMotionRotationOrder::eAxisX;
constexpr int kAxisK = KMotionRotationOrder::eAxisZ;

// Half a unit of the last decimal kept.
constexpr double kHalf = 0.5;
// 10^0 to 10^kMaxDecimals, exact.
constexpr double kPowers[KBvhDecimals::kMaxDecimals + 1] = {1e0, 1e1, 1e2, 1e3, 1e4,
                                                            1e5, 1e6, 1e7, 1e8, 1e9};

// The 3x3 parts of a block of matrices, element (r, c) of matrix m at mAt[3 r + c][m]: the
// steps below run over each element of every matrix in turn, with no copy of a whole matrix. An
// odd count of matrices is worked on with the zeros after the last.
struct AxesBlock
{
    double mAt[9][kBlock];
};

// MatrixRemoveScale on the first pCount matrices, with its operations in its order: each axis
// row divided by its length signed like the determinant, a row of zero length left as it is.
void RemoveScale(int pCount, AxesBlock& ioBlock)
{
    double(&a)[9][kBlock] = ioBlock.mAt;
    double lDivisor[3][kBlock];
    for (int m = 0; m < pCount; ++m) {
        const double lDeterminant = a[0][m] * (a[4][m] * a[8][m] - a[5][m] * a[7][m]) -
                                    a[1][m] * (a[3][m] * a[8][m] - a[5][m] * a[6][m]) +
                                    a[2][m] * (a[3][m] * a[7][m] - a[4][m] * a[6][m]);
        const double lSign = lDeterminant < 0.0 ? -1.0 : 1.0;
        for (int r = 0; r < 3; ++r) {
            const double x = a[3 * r][m], y = a[3 * r + 1][m], z = a[3 * r + 2][m];
            const double lScale = lSign * std::sqrt(x * x + y * y + z * z);
            // Dividing by 1 leaves a row as it is, to the bit.
            lDivisor[r][m] = lScale != 0.0 ? lScale : 1.0;
        }
    }
    // Two matrices at a time; a lone last one is divided with a divisor of 1 beside it.
    using Pair = double __attribute__((vector_size(2 * sizeof(double))));
    const int lPairs = (pCount + 1) / 2;
    if (pCount % 2 != 0) {
        for (int r = 0; r < 3; ++r) {
            lDivisor[r][pCount] = 1.0;
        }
    }
    for (int e = 0; e < 9; ++e) {
        for (int p = 0; p < lPairs; ++p) {
            Pair lValues;
            Pair lDivisors;
            std::memcpy(&lValues, &a[e][2 * p], sizeof lValues);
            std::memcpy(&lDivisors, &lDivisor[e / 3][2 * p], sizeof lDivisors);
            lValues /= lDivisors;
            std::memcpy(&a[e][2 * p], &lValues, sizeof lValues);
        }
    }
}

// The arguments of the arc tangents of the Y, X and Z angles of the first pCount matrices (their
// scale removed), at m, pCount + m and 2 pCount + m. Y, X, Z is an odd order of the axes, in which
// the turns of the even formulas below go the other way: their angles come out negated.
void ArcArguments(int pCount, const AxesBlock& pBlock, double* oY, double* oX)
{
    const auto At = [&pBlock](int pRow, int pColumn, int pMatrix) {
        return pBlock.mAt[3 * pRow + pColumn][pMatrix];
    };
    for (int m = 0; m < pCount; ++m) {
        const double lII = At(kAxisI, kAxisI, m);
        const double lIJ = At(kAxisI, kAxisJ, m);
        const double lCosine = std::sqrt(lII * lII + lIJ * lIJ);
        oY[pCount + m] = -At(kAxisI, kAxisK, m);
        oX[pCount + m] = lCosine;
        if (lCosine > KBvhChannelAngles::kGimbal) {
            oY[m] = At(kAxisJ, kAxisK, m);
            oX[m] = At(kAxisK, kAxisK, m);
            oY[2 * pCount + m] = lIJ;
            oX[2 * pCount + m] = lII;
            continue;
        }
        // Only the sum or difference of the outer turns is known: the last turn is 0 (the arc
        // tangent of 0 and 1), the first carries the whole of it.
        oY[m] = -At(kAxisK, kAxisJ, m);
        oX[m] = At(kAxisJ, kAxisJ, m);
        oY[2 * pCount + m] = 0.0;
        oX[2 * pCount + m] = 1.0;
    }
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
            // product lies within far less than half a unit of that decimal's whole number,
            // which half a unit towards it and the truncation then give exactly.
            const double lScaled = lAngles[a] * kPowers[lDecimals];
            oDecimals.mWhole[a] =
                static_cast<std::int64_t>(lScaled + (lScaled < 0.0 ? -kHalf : kHalf));
        }
    }
    return KVector4(lAngles[0], lAngles[1], lAngles[2]);
}

// The channel angles of the first pCount matrices of ioBlock (which loses their scale).
void OfBlock(int pCount, AxesBlock& ioBlock, KVector4* oAngles, KBvhDecimals* oDecimals)
{
    // The scale comes out twice, as a scale removed before the kit's order conversion
    // (KRotationOrder::M2V, which removes it again) takes it: files keep the digits they had.
    RemoveScale(pCount, ioBlock);
    RemoveScale(pCount, ioBlock);
    // The three angles of every matrix in one run of arc tangents: the Y angles, then the X
    // angles, then the Z angles.
    double lY[3 * kBlock];
    double lX[3 * kBlock];
    ArcArguments(pCount, ioBlock, lY, lX);
    double lDegrees[3 * kBlock];
    KMotionAngles::Atan2(3 * pCount, lY, lX, lDegrees);
    for (int m = 0; m < pCount; ++m) {
        oAngles[m] =
            Rounded(lDegrees[m], lDegrees[pCount + m], lDegrees[2 * pCount + m], oDecimals[m]);
    }
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
        AxesBlock lBlock = {};
        for (int m = 0; m < n; ++m) {
            const double* lElements = pMatrices[lFirst + m].GetData();
            for (int r = 0; r < 3; ++r) {
                for (int c = 0; c < 3; ++c) {
                    lBlock.mAt[3 * r + c][m] = lElements[4 * r + c];
                }
            }
        }
        OfBlock(n, lBlock, oAngles + lFirst, oDecimals + lFirst);
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
        AxesBlock lBlock = {};
        KMotionEuler::EulerXYZToAxes(n, lEuler, &lBlock.mAt[0][0], kBlock);
        for (int r = 0; r < 3; ++r) {
            for (int p = 0; p < n; ++p) {
                const double lScaling = pScalings[lFirst + p][r];
                for (int c = 0; c < 3; ++c) {
                    lBlock.mAt[3 * r + c][p] *= lScaling;
                }
            }
        }
        OfBlock(n, lBlock, oAngles + lFirst, oDecimals + lFirst);
    }
}
