#include "core/KMatrixFunctions.h"

#include <cmath>
#include <cstring>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDegToRad = kPi / 180.0;
constexpr double kRadToDeg = 180.0 / kPi;
constexpr double kEulerXYZGimbal = 0.999999;
constexpr double kEulerOrderedGimbal = 1.6e-9;

// Three rows of three, the working form of the 3x3 parts; results are built here first so that
// the destination may alias an operand.
struct Mat3
{
    double m[3][3];
};

Mat3 Get3x3(const KMatrix& pSrc)
{
    Mat3 lResult;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            lResult.m[r][c] = pSrc[r][c];
        }
    }
    return lResult;
}

void Put3x3(KMatrix& pDst, const Mat3& pSrc)
{
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            pDst[r][c] = pSrc.m[r][c];
        }
    }
}

// pFirst * pSecond: pFirst applies first in row-vector form.
Mat3 Multiply(const Mat3& pFirst, const Mat3& pSecond)
{
    Mat3 lResult;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            lResult.m[r][c] = pFirst.m[r][0] * pSecond.m[0][c] + pFirst.m[r][1] * pSecond.m[1][c] +
                              pFirst.m[r][2] * pSecond.m[2][c];
        }
    }
    return lResult;
}

double RowLengthSquared(const KMatrix& pSrc, int pRow)
{
    const double* lRow = pSrc[pRow];
    return lRow[0] * lRow[0] + lRow[1] * lRow[1] + lRow[2] * lRow[2];
}

double Determinant3x3(const KMatrix& pSrc)
{
    const double* a = pSrc[0];
    const double* b = pSrc[1];
    const double* c = pSrc[2];
    return a[0] * (b[1] * c[2] - b[2] * c[1]) - a[1] * (b[0] * c[2] - b[2] * c[0]) +
           a[2] * (b[0] * c[1] - b[1] * c[0]);
}

int Sign(int pValue)
{
    return pValue < 0 ? -1 : (pValue > 0 ? 1 : 0);
}

// Axis triples of the ordered Euler routines, one per pair of indices.
constexpr int kAxisTable[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 2, 0}, {1, 0, 2}, {2, 0, 1}, {2, 1, 0}};

// The ordered formulas are written for an even (right-handed) axis triple; an odd triple turns
// the other way in that frame, which negating the angles undoes. Bit 0 of the index negates once
// more. The result is the sign to apply to all three angles.
double OrderedSign(int pIndex)
{
    const bool lOddTriple = (pIndex & 2) != 0;
    const bool lOddFormula = (pIndex & 1) != 0;
    return lOddTriple != lOddFormula ? -1.0 : 1.0;
}

} // namespace

void MatrixSetIdentity(KMatrix& pDst)
{
    // One copy: every matrix made starts here, many times per frame in the motion formats.
    static constexpr double kIdentity[16] = {1.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0,
                                             0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 0.0, 1.0};
    std::memcpy(pDst.GetData(), kIdentity, sizeof kIdentity);
}

void MatrixCopy(KMatrix& pDst, const KMatrix& pSrc)
{
    std::memmove(pDst.GetData(), pSrc.GetData(), 16 * sizeof(double));
}

void MatrixCopyAffine(KMatrix& pDst, const KMatrix& pSrc)
{
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 3; ++c) {
            pDst[r][c] = pSrc[r][c];
        }
    }
}

void MatrixSetTRS(KMatrix& pDst, const KVector4& pT, const KVector4& pR, const KVector4& pS)
{
    EulerToMatrixXYZ(pDst, pR[0], pR[1], pR[2]);
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            pDst[r][c] *= pS[r];
        }
        pDst[3][r] = pT[r];
    }
}

void MatrixMultiplyAffine(KMatrix& pDst, const KMatrix& pA, const KMatrix& pB)
{
    const Mat3 lA = Get3x3(pA);
    const Mat3 lAxes = Multiply(Get3x3(pB), lA);
    double lT[3];
    for (int c = 0; c < 3; ++c) {
        lT[c] = pB[3][0] * lA.m[0][c] + pB[3][1] * lA.m[1][c] + pB[3][2] * lA.m[2][c] + pA[3][c];
    }
    Put3x3(pDst, lAxes);
    for (int c = 0; c < 3; ++c) {
        pDst[3][c] = lT[c];
    }
}

void MatrixMultiplyInverseAffine(KMatrix& pDst, const KMatrix& pA, const KMatrix& pB)
{
    KMatrix lInverse;
    MatrixInverseAffine(lInverse, pA);
    MatrixMultiplyAffine(pDst, lInverse, pB);
}

void MatrixMultiply3x3(KMatrix& pDst, const KMatrix& pA, const KMatrix& pB)
{
    Put3x3(pDst, Multiply(Get3x3(pB), Get3x3(pA)));
}

void MatrixMultiplyTranspose3x3(KMatrix& pDst, const KMatrix& pA, const KMatrix& pB)
{
    Mat3 lAT;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            lAT.m[r][c] = pA[c][r];
        }
    }
    Put3x3(pDst, Multiply(Get3x3(pB), lAT));
}

void MatrixTranspose3x3(KMatrix& pDst, const KMatrix& pSrc)
{
    const Mat3 lSrc = Get3x3(pSrc);
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            pDst[r][c] = lSrc.m[c][r];
        }
    }
}

void MatrixInverseAffine(KMatrix& pDst, const KMatrix& pSrc)
{
    Mat3 lInverse;
    for (int c = 0; c < 3; ++c) {
        const double lLength2 = RowLengthSquared(pSrc, c);
        for (int r = 0; r < 3; ++r) {
            lInverse.m[r][c] = lLength2 > 0.0 ? pSrc[c][r] / lLength2 : 0.0;
        }
    }
    double lT[3];
    for (int c = 0; c < 3; ++c) {
        lT[c] = -(pSrc[3][0] * lInverse.m[0][c] + pSrc[3][1] * lInverse.m[1][c] +
                  pSrc[3][2] * lInverse.m[2][c]);
    }
    Put3x3(pDst, lInverse);
    for (int c = 0; c < 3; ++c) {
        pDst[3][c] = lT[c];
    }
}

void MatrixNormalizeAxes(KMatrix& pDst, const KMatrix& pSrc)
{
    for (int r = 0; r < 3; ++r) {
        const double lLength = std::sqrt(RowLengthSquared(pSrc, r));
        for (int c = 0; c < 3; ++c) {
            pDst[r][c] = lLength > 0.0 ? pSrc[r][c] / lLength : pSrc[r][c];
        }
    }
}

void MatrixGetScale(KVector4& pScale, const KMatrix& pSrc)
{
    const double lSign = Determinant3x3(pSrc) < 0.0 ? -1.0 : 1.0;
    for (int r = 0; r < 3; ++r) {
        pScale[r] = lSign * std::sqrt(RowLengthSquared(pSrc, r));
    }
}

void MatrixRemoveScale(KMatrix& pDst, const KMatrix& pSrc)
{
    KVector4 lScale;
    MatrixGetScale(lScale, pSrc);
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            pDst[r][c] = lScale[r] != 0.0 ? pSrc[r][c] / lScale[r] : pSrc[r][c];
        }
    }
}

int MatrixCompare(const KMatrix& pA, const KMatrix& pB, double pTolerance)
{
    if (pTolerance == 0.0) {
        return Sign(std::memcmp(pA.GetData(), pB.GetData(), 15 * sizeof(double)));
    }
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 3; ++c) {
            if (!(std::fabs(pA[r][c] - pB[r][c]) <= pTolerance)) {
                return 1;
            }
        }
    }
    return 0;
}

int VectorCompare(const KVector4& pA, const KVector4& pB, double pTolerance)
{
    if (pTolerance == 0.0) {
        return Sign(std::memcmp(pA.GetData(), pB.GetData(), 3 * sizeof(double)));
    }
    for (int i = 0; i < 3; ++i) {
        if (!(std::fabs(pA[i] - pB[i]) <= pTolerance)) {
            return 1;
        }
    }
    return 0;
}

void VectorMultiplyMatrix3x3(KVector4& pDst, const KMatrix& pM, const KVector4& pV)
{
    double lResult[3];
    for (int c = 0; c < 3; ++c) {
        lResult[c] = pV[0] * pM[0][c] + pV[1] * pM[1][c] + pV[2] * pM[2][c];
    }
    for (int c = 0; c < 3; ++c) {
        pDst[c] = lResult[c];
    }
}

void VectorMultiplyMatrixAffine(KVector4& pDst, const KMatrix& pM, const KVector4& pV)
{
    double lResult[3];
    for (int c = 0; c < 3; ++c) {
        lResult[c] = pV[0] * pM[0][c] + pV[1] * pM[1][c] + pV[2] * pM[2][c] + pM[3][c];
    }
    for (int c = 0; c < 3; ++c) {
        pDst[c] = lResult[c];
    }
}

void MatrixScaleRows(KMatrix& pDst, const KMatrix& pM, const KVector4& pV)
{
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 4; ++c) {
            pDst[r][c] = pM[r][c] * pV[r];
        }
    }
}

double VectorLength(const KVector4& pV)
{
    return std::sqrt(pV[0] * pV[0] + pV[1] * pV[1] + pV[2] * pV[2]);
}

void VectorNormalize(KVector4& pDst, const KVector4& pSrc)
{
    const double lLength = VectorLength(pSrc);
    for (int i = 0; i < 3; ++i) {
        pDst[i] = lLength > 0.0 ? pSrc[i] / lLength : 0.0;
    }
}

void EulerToAxesXYZ(double oAxes[3][3], double pX, double pY, double pZ)
{
    const double sx = std::sin(pX * kDegToRad), cx = std::cos(pX * kDegToRad);
    const double sy = std::sin(pY * kDegToRad), cy = std::cos(pY * kDegToRad);
    const double sz = std::sin(pZ * kDegToRad), cz = std::cos(pZ * kDegToRad);
    oAxes[0][0] = cy * cz;
    oAxes[0][1] = cy * sz;
    oAxes[0][2] = -sy;
    oAxes[1][0] = sx * sy * cz - cx * sz;
    oAxes[1][1] = sx * sy * sz + cx * cz;
    oAxes[1][2] = sx * cy;
    oAxes[2][0] = cx * sy * cz + sx * sz;
    oAxes[2][1] = cx * sy * sz - sx * cz;
    oAxes[2][2] = cx * cy;
}

void EulerToMatrixXYZ(KMatrix& pDst, double pX, double pY, double pZ)
{
    double lAxes[3][3];
    EulerToAxesXYZ(lAxes, pX, pY, pZ);
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            pDst[r][c] = lAxes[r][c];
        }
    }
}

void AxesToEulerXYZ(double oAngles[3], const double pRow0[3], const double pRow1[3], double pZ2)
{
    const double lM02 = pRow0[2];
    if (lM02 >= kEulerXYZGimbal) {
        // sin(Y) = -1: row 1 reduces to (-sin(X + Z), cos(X + Z), 0).
        oAngles[0] = std::atan2(-pRow1[0], pRow1[1]) * kRadToDeg;
        oAngles[1] = -90.0;
        oAngles[2] = 0.0;
    } else if (lM02 <= -kEulerXYZGimbal) {
        // sin(Y) = 1: row 1 reduces to (sin(X - Z), cos(X - Z), 0).
        oAngles[0] = std::atan2(pRow1[0], pRow1[1]) * kRadToDeg;
        oAngles[1] = 90.0;
        oAngles[2] = 0.0;
    } else {
        oAngles[0] = std::atan2(pRow1[2], pZ2) * kRadToDeg;
        oAngles[1] = std::asin(-lM02) * kRadToDeg;
        oAngles[2] = std::atan2(pRow0[1], pRow0[0]) * kRadToDeg;
    }
}

void MatrixToEulerXYZ(KVector4& pAngles, const KMatrix& pSrc)
{
    const double lRow0[3] = {pSrc[0][0], pSrc[0][1], pSrc[0][2]};
    const double lRow1[3] = {pSrc[1][0], pSrc[1][1], pSrc[1][2]};
    double lAngles[3];
    AxesToEulerXYZ(lAngles, lRow0, lRow1, pSrc[2][2]);
    for (int i = 0; i < 3; ++i) {
        pAngles[i] = lAngles[i];
    }
}

void MatrixToEulerUnscaled(KVector4& pAngles, const KMatrix& pSrc)
{
    KMatrix lRotation;
    MatrixRemoveScale(lRotation, pSrc);
    MatrixToEulerXYZ(pAngles, lRotation);
}

bool EulerToAxesOrdered(double oAxes[3][3], double pA, double pB, double pC, int pIndex)
{
    if (pIndex < 0 || pIndex > 11) {
        return false;
    }
    const int* lAxes = kAxisTable[pIndex / 2];
    const int i = lAxes[0], j = lAxes[1], k = lAxes[2];
    const double lSign = OrderedSign(pIndex) * kDegToRad;
    const double sa = std::sin(pA * lSign), ca = std::cos(pA * lSign);
    const double sb = std::sin(pB * lSign), cb = std::cos(pB * lSign);
    const double sc = std::sin(pC * lSign), cc = std::cos(pC * lSign);
    // Ri(a) * Rj(b) * Rk(c) for the even triple (i, j, k); for X Y Z this is EulerToMatrixXYZ.
    oAxes[i][i] = cb * cc;
    oAxes[i][j] = cb * sc;
    oAxes[i][k] = -sb;
    oAxes[j][i] = sa * sb * cc - ca * sc;
    oAxes[j][j] = sa * sb * sc + ca * cc;
    oAxes[j][k] = sa * cb;
    oAxes[k][i] = ca * sb * cc + sa * sc;
    oAxes[k][j] = ca * sb * sc - sa * cc;
    oAxes[k][k] = ca * cb;
    return true;
}

bool EulerToMatrixOrdered(KMatrix& pDst, double pA, double pB, double pC, int pIndex)
{
    Mat3 lAxes{{{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, 0.0, 1.0}}};
    const bool lDone = EulerToAxesOrdered(lAxes.m, pA, pB, pC, pIndex);
    Put3x3(pDst, lAxes);
    return lDone;
}

bool MatrixToEulerOrdered(KVector4& pAngles, const KMatrix& pSrc, int pIndex)
{
    if (pIndex < 0 || pIndex > 11) {
        return false;
    }
    const int* lAxes = kAxisTable[pIndex / 2];
    const int i = lAxes[0], j = lAxes[1], k = lAxes[2];
    const double lSign = OrderedSign(pIndex) * kRadToDeg;
    const double lCosB = std::hypot(pSrc[i][i], pSrc[i][j]);
    double a, c;
    const double b = std::atan2(-pSrc[i][k], lCosB);
    if (lCosB > kEulerOrderedGimbal) {
        a = std::atan2(pSrc[j][k], pSrc[k][k]);
        c = std::atan2(pSrc[i][j], pSrc[i][i]);
    } else {
        // With cos(b) = 0 only a + c or a - c is known; c = 0 leaves the whole turn in a.
        a = std::atan2(-pSrc[k][j], pSrc[j][j]);
        c = 0.0;
    }
    pAngles[0] = a * lSign;
    pAngles[1] = b * lSign;
    pAngles[2] = c * lSign;
    return true;
}

void MatrixToQuaternion(KQuaternion& pDst, const KMatrix& pSrc)
{
    // R is the column-vector form (the transpose); the branch on the largest diagonal term keeps
    // the square root away from zero.
    auto R = [&pSrc](int pRow, int pColumn) { return pSrc[pColumn][pRow]; };
    const double lTrace = R(0, 0) + R(1, 1) + R(2, 2);
    double x, y, z, w;
    if (lTrace > 0.0) {
        const double s = 2.0 * std::sqrt(lTrace + 1.0);
        w = 0.25 * s;
        x = (R(2, 1) - R(1, 2)) / s;
        y = (R(0, 2) - R(2, 0)) / s;
        z = (R(1, 0) - R(0, 1)) / s;
    } else if (R(0, 0) >= R(1, 1) && R(0, 0) >= R(2, 2)) {
        const double s = 2.0 * std::sqrt(1.0 + R(0, 0) - R(1, 1) - R(2, 2));
        w = (R(2, 1) - R(1, 2)) / s;
        x = 0.25 * s;
        y = (R(0, 1) + R(1, 0)) / s;
        z = (R(0, 2) + R(2, 0)) / s;
    } else if (R(1, 1) >= R(2, 2)) {
        const double s = 2.0 * std::sqrt(1.0 + R(1, 1) - R(0, 0) - R(2, 2));
        w = (R(0, 2) - R(2, 0)) / s;
        x = (R(0, 1) + R(1, 0)) / s;
        y = 0.25 * s;
        z = (R(1, 2) + R(2, 1)) / s;
    } else {
        const double s = 2.0 * std::sqrt(1.0 + R(2, 2) - R(0, 0) - R(1, 1));
        w = (R(1, 0) - R(0, 1)) / s;
        x = (R(0, 2) + R(2, 0)) / s;
        y = (R(1, 2) + R(2, 1)) / s;
        z = 0.25 * s;
    }
    const double lNorm = std::sqrt(x * x + y * y + z * z + w * w);
    if (!(lNorm > 0.0)) {
        pDst.Set(0.0, 0.0, 0.0, 1.0);
        return;
    }
    const double lScale = w < 0.0 ? -1.0 / lNorm : 1.0 / lNorm;
    pDst.Set(x * lScale, y * lScale, z * lScale, w * lScale);
}

void QuaternionToMatrix(KMatrix& pDst, const KQuaternion& pQ)
{
    const double x = pQ[0], y = pQ[1], z = pQ[2], w = pQ[3];
    const double lNorm2 = x * x + y * y + z * z + w * w;
    const double s = lNorm2 != 0.0 ? 2.0 / lNorm2 : 0.0;
    pDst[0][0] = 1.0 - s * (y * y + z * z);
    pDst[0][1] = s * (x * y + z * w);
    pDst[0][2] = s * (x * z - y * w);
    pDst[1][0] = s * (x * y - z * w);
    pDst[1][1] = 1.0 - s * (x * x + z * z);
    pDst[1][2] = s * (y * z + x * w);
    pDst[2][0] = s * (x * z + y * w);
    pDst[2][1] = s * (y * z - x * w);
    pDst[2][2] = 1.0 - s * (x * x + y * y);
}

void QuaternionFromArc(KQuaternion& pDst, const KVector4& pA, const KVector4& pB)
{
    const KVector4 lCross = pA.CrossProduct(pB);
    const double lLengths = pA.Length() * pB.Length();
    const double w = pA.DotProduct(pB) + lLengths;
    if (lLengths > 0.0 && w <= lLengths * 1e-12) {
        // Opposite directions: every perpendicular axis is a shortest arc. Take the cross product
        // with the coordinate axis least aligned with pA.
        const double ax = std::fabs(pA[0]), ay = std::fabs(pA[1]), az = std::fabs(pA[2]);
        const KVector4 lHelper =
            (ax <= ay && ax <= az) ? KVector4(1.0, 0.0, 0.0)
                                   : (ay <= az ? KVector4(0.0, 1.0, 0.0) : KVector4(0.0, 0.0, 1.0));
        KVector4 lAxis = pA.CrossProduct(lHelper);
        lAxis.Normalize();
        pDst.Set(lAxis[0] * lLengths, lAxis[1] * lLengths, lAxis[2] * lLengths, 0.0);
        return;
    }
    pDst.Set(lCross[0], lCross[1], lCross[2], w);
}

void QuaternionFromXAxisTo(KQuaternion& pDst, const KVector4& pV)
{
    QuaternionFromArc(pDst, KVector4(1.0, 0.0, 0.0), pV);
}
