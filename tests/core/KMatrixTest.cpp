#include "tests/support/KMathTestUtil.h"

#include "core/KAffineMatrix.h"
#include "core/KMatrix.h"
#include "core/KMatrixFunctions.h"
#include "core/KQuaternion.h"

#include <gtest/gtest.h>

#include <cmath>

using mathtest::Near3x3;
using mathtest::Near4x4;
using mathtest::Product;
using mathtest::Rotation;
using mathtest::Rows;

namespace {

KMatrix Translation(double pX, double pY, double pZ)
{
    KMatrix m;
    m[3][0] = pX;
    m[3][1] = pY;
    m[3][2] = pZ;
    return m;
}

KMatrix Scale(double pX, double pY, double pZ)
{
    return Rows({{pX, 0, 0}, {0, pY, 0}, {0, 0, pZ}});
}

// Scale, then rotation X, Y, Z, then translation: what SetTRS should build.
KMatrix ReferenceTRS(const KVector4& pT, const KVector4& pR, const KVector4& pS)
{
    return Product(
        Product(Scale(pS[0], pS[1], pS[2]), mathtest::Turns({0, 1, 2}, pR[0], pR[1], pR[2])),
        Translation(pT[0], pT[1], pT[2]));
}

// Two general affine transforms (scaled, turned, moved).
const KMatrix kA = Product(Product(Scale(1, 2, 3), Rotation(1, 30)), Translation(4, 5, 6));
const KMatrix kB = Product(Product(Scale(0.5, 1, 2), Rotation(2, -70)), Translation(-1, 0, 2));

} // namespace

TEST(KMatrixTest, IdentityCheckedElementsAndEqualityOverAllSixteen)
{
    KMatrix m;
    EXPECT_TRUE(Near4x4(m, Rows({{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}), 0.0));
    EXPECT_EQ(m[4], nullptr);
    EXPECT_EQ(m[-1], nullptr);
    EXPECT_EQ(m.Get(0, 4), 0.0);
    EXPECT_EQ(m.Get(-1, 0), 0.0);
    EXPECT_EQ(m.Get(3, 3), 1.0);
    EXPECT_FALSE(m.Set(-1, 0, 5.0));
    EXPECT_FALSE(m.Set(0, 4, 5.0));
    EXPECT_TRUE(Near4x4(m, KMatrix(), 0.0));
    EXPECT_TRUE(m.Set(3, 1, 5.0));
    EXPECT_EQ(m.GetData()[13], 5.0);

    KMatrix a, b;
    b[3][3] = 1.0 + 0.9e-6;
    EXPECT_TRUE(a == b);
    b[3][3] = 1.0 + 2e-6; // the fourth column counts too
    EXPECT_FALSE(a == b);
    EXPECT_TRUE(a != b);
}

TEST(KMatrixTest, EulerConstructorSetTRSAndGetTRSRoundTrip)
{
    // X 90 turns the row vector (0, 1, 0) into (0, 0, 1).
    EXPECT_TRUE(
        Near4x4(KMatrix(KVector4(90, 0, 0)), Rows({{1, 0, 0}, {0, 0, 1}, {0, -1, 0}}), 1e-15));
    const KVector4 T(1, -2, 3, 1), R(30, -45, 60), S(2, 0.5, 3);
    KMatrix m;
    m[0][3] = 7.0; // the fourth column is not touched
    m.SetTRS(T, R, S);
    KMatrix lExpected = ReferenceTRS(T, R, S);
    lExpected[0][3] = 7.0;
    EXPECT_TRUE(Near4x4(m, lExpected));

    for (const KVector4& lS : {S, KVector4(1, -2, 3), KVector4(-0.5, -2, -3)}) {
        const KAffineMatrix a(T, R, lS);
        EXPECT_TRUE(Near4x4(a, ReferenceTRS(T, R, lS)));
        EXPECT_TRUE(a.GetT() == T);
        EXPECT_EQ(a.GetT()[3], 0.0);
        // A negative determinant negates all three lengths; they rebuild the same matrix.
        const double lSign = lS[0] * lS[1] * lS[2] < 0.0 ? -1.0 : 1.0;
        EXPECT_TRUE(a.GetS() == KVector4(lSign * std::fabs(lS[0]), lSign * std::fabs(lS[1]),
                                         lSign * std::fabs(lS[2])));
        EXPECT_TRUE(Near4x4(KAffineMatrix(a.GetT(), a.GetR(), a.GetS()), a, 1e-12));
        EXPECT_TRUE(lSign < 0.0 || a.GetR() == R);
    }
}

TEST(KAffineMatrixTest, PointsAssignmentProductInverseAndTranspose)
{
    const KAffineMatrix m(KVector4(1, 2, 3), KVector4(90, 0, 0), KVector4(2, 2, 2));
    const KVector4 p = m.MultT(KVector4(0, 1, 0, 7));
    EXPECT_TRUE(p == KVector4(1, 2, 5));
    EXPECT_EQ(p[3], 7.0);

    KAffineMatrix a;
    a[0][3] = 4.0;
    a = m; // copies the 3x4 part only
    EXPECT_EQ(a[0][3], 4.0);
    EXPECT_TRUE(Near3x3(a, m, 0.0));
    EXPECT_EQ(a[3][2], 3.0);
    a = KMatrix(kA);
    EXPECT_EQ(a[0][3], 4.0);
    EXPECT_TRUE(Near3x3(a, kA, 0.0));
    EXPECT_EQ(a[3][1], kA[3][1]);
    EXPECT_TRUE(Near4x4(a.SetIdentity(), KMatrix(), 0.0));

    // Move, then turn: (0,1,0) -> (1,3,3) -> (1,-3,3); turn, then move: -> (0,0,1) -> (1,2,4).
    const KAffineMatrix lMove(KVector4(1, 2, 3), KVector4(), KVector4(1, 1, 1));
    const KAffineMatrix lTurn(KVector4(), KVector4(90, 0, 0), KVector4(1, 1, 1));
    EXPECT_TRUE((lMove * lTurn).MultT(KVector4(0, 1, 0)) == KVector4(1, -3, 3));
    EXPECT_TRUE((lTurn * lMove).MultT(KVector4(0, 1, 0)) == KVector4(1, 2, 4));
    EXPECT_TRUE(Near4x4(m * m.Inverse(), KMatrix(), 1e-12));

    const KAffineMatrix t = m.Transpose();
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            EXPECT_EQ(t[r][c], m[c][r]);
        }
    }
}

TEST(MatrixFunctionsTest, AffineProductsAndInverseInPlaceOrNot)
{
    KMatrix d;
    MatrixMultiplyAffine(d, kA, kB);
    EXPECT_TRUE(Near4x4(d, Product(kB, kA)));
    // The destination may be either operand.
    KMatrix lA = kA, lB = kB;
    MatrixMultiplyAffine(lA, lA, kB);
    MatrixMultiplyAffine(lB, kA, lB);
    EXPECT_TRUE(Near4x4(lA, Product(kB, kA)));
    EXPECT_TRUE(Near4x4(lB, Product(kB, kA)));

    KMatrix m;
    MatrixSetTRS(m, KVector4(10, -20, 30), KVector4(33, -71, 145), KVector4(2, 0.25, -5));
    KMatrix lInverse, lProduct;
    MatrixInverseAffine(lInverse, m);
    MatrixMultiplyAffine(lProduct, lInverse, m);
    EXPECT_TRUE(Near4x4(lProduct, KMatrix(), 1e-12));
    MatrixMultiplyAffine(lProduct, m, lInverse);
    EXPECT_TRUE(Near4x4(lProduct, KMatrix(), 1e-12));
    // b times the inverse of a.
    MatrixMultiplyInverseAffine(lProduct, m, kB);
    EXPECT_TRUE(Near4x4(lProduct, Product(kB, lInverse), 1e-12));
    KMatrix lSame = m;
    MatrixInverseAffine(lSame, lSame);
    EXPECT_TRUE(Near4x4(lSame, lInverse, 0.0));
    // A zero axis gives zeros instead of infinities.
    KMatrix lFlat = Scale(0, 1, 1);
    MatrixInverseAffine(lFlat, lFlat);
    EXPECT_TRUE(Near4x4(lFlat, Scale(0, 1, 1), 0.0));
}

TEST(MatrixFunctionsTest, ThreeByThreeProductsTransposeCopiesAndNormalize)
{
    KMatrix d = Translation(1, 2, 3);
    MatrixMultiply3x3(d, kA, kB);
    EXPECT_TRUE(Near3x3(d, Product(kB, kA)));
    EXPECT_EQ(d[3][0], 1.0); // translation untouched
    KMatrix lAT = kA;
    MatrixTranspose3x3(lAT, lAT);
    EXPECT_EQ(lAT[1][0], kA[0][1]);
    EXPECT_EQ(lAT[3][1], kA[3][1]);
    MatrixMultiplyTranspose3x3(d, kA, kB);
    EXPECT_TRUE(Near3x3(d, Product(kB, lAT)));

    KMatrix m = kA;
    m[1][3] = 8.0;
    MatrixCopy(d, m);
    EXPECT_TRUE(Near4x4(d, m, 0.0));
    KMatrix lAffine;
    MatrixCopyAffine(lAffine, m);
    EXPECT_EQ(lAffine[1][3], 0.0);
    EXPECT_EQ(lAffine[3][2], kA[3][2]);
    MatrixNormalizeAxes(d, m);
    EXPECT_TRUE(Near3x3(d, Rotation(1, 30)));
    EXPECT_EQ(d[1][3], 8.0);
    MatrixRemoveScale(d, m);
    EXPECT_TRUE(Near3x3(d, Rotation(1, 30)));
    MatrixSetIdentity(m);
    EXPECT_TRUE(Near4x4(m, KMatrix(), 0.0));
}

TEST(MatrixFunctionsTest, VectorProductsRowScalingLengthAndScale)
{
    // X 90 degrees turns (0, 1, 0) onto (0, 0, 1); the translation (1, 2, 3) is then added.
    const KMatrix m = Product(Rotation(0, 90), Translation(1, 2, 3));
    KVector4 p(0, 1, 0, 5);
    VectorMultiplyMatrixAffine(p, m, p);
    EXPECT_TRUE(p == KVector4(1, 2, 4));
    EXPECT_EQ(p[3], 5.0);
    KVector4 v(0, 1, 0, 9);
    VectorMultiplyMatrix3x3(v, m, v);
    EXPECT_TRUE(v == KVector4(0, 0, 1));
    EXPECT_EQ(v[3], 9.0);

    KMatrix d;
    d[3][0] = -1.0;
    MatrixScaleRows(d, kA, KVector4(2, 3, 4));
    for (int c = 0; c < 3; ++c) {
        EXPECT_DOUBLE_EQ(d[0][c], 2 * kA[0][c]);
        EXPECT_DOUBLE_EQ(d[2][c], 4 * kA[2][c]);
    }
    EXPECT_DOUBLE_EQ(d[1][1], 3 * kA[1][1]);
    EXPECT_EQ(d[3][0], -1.0);

    EXPECT_DOUBLE_EQ(VectorLength(KVector4(2, 3, 6, 100)), 7.0);
    KVector4 n;
    VectorNormalize(n, KVector4(0, 3, 4));
    EXPECT_TRUE(n == KVector4(0, 0.6, 0.8));
    VectorNormalize(n, KVector4(0, 0, 0));
    EXPECT_TRUE(n == KVector4() && !std::isnan(n[0]));

    KVector4 s;
    MatrixGetScale(s, Product(Scale(2, 3, 4), Rotation(1, 25)));
    EXPECT_TRUE(s == KVector4(2, 3, 4));
    MatrixGetScale(s, Product(Scale(2, -3, 4), Rotation(1, 25)));
    EXPECT_TRUE(s == KVector4(-2, -3, -4));
}

TEST(MatrixFunctionsTest, CompareWithToleranceAndByteWise)
{
    KMatrix a = Translation(1, 2, 3), b = a;
    EXPECT_EQ(MatrixCompare(a, b, 0.0), 0);
    b[2][1] = -0.0; // equal as numbers, not as bytes
    EXPECT_EQ(MatrixCompare(a, b, 1e-9), 0);
    EXPECT_EQ(MatrixCompare(b, a, 0.0), 1);
    EXPECT_EQ(MatrixCompare(a, b, 0.0), -1);
    b = a;
    b[0][3] = 5.0; // fourth column: outside the 3x4 part, inside the first 15 doubles
    EXPECT_EQ(MatrixCompare(a, b, 1e-6), 0);
    EXPECT_NE(MatrixCompare(a, b, 0.0), 0);
    b = a;
    b[3][3] = 5.0; // the 16th double is never compared
    EXPECT_EQ(MatrixCompare(a, b, 0.0), 0);
    b = a;
    b[3][1] += 1e-3;
    EXPECT_EQ(MatrixCompare(a, b, 1e-6), 1);
    EXPECT_EQ(MatrixCompare(b, a, 1e-6), 1);
    EXPECT_EQ(MatrixCompare(a, b, 1e-2), 0);

    const KVector4 v(1, 0, 3, 1);
    EXPECT_EQ(VectorCompare(v, KVector4(1, 0, 3, 99), 0.0), 0); // w is not compared
    EXPECT_EQ(VectorCompare(v, KVector4(1, -0.0, 3), 1e-9), 0);
    EXPECT_EQ(VectorCompare(v, KVector4(1, -0.0, 3), 0.0), -1);
    EXPECT_EQ(VectorCompare(KVector4(1, -0.0, 3), v, 0.0), 1);
    EXPECT_EQ(VectorCompare(v, KVector4(1, 0, 3.5), 0.1), 1);
    EXPECT_EQ(VectorCompare(KVector4(1, 0.5, 3), v, 0.1), 1);
    EXPECT_EQ(VectorCompare(v, KVector4(1, 0, 3.05), 0.1), 0);
}

TEST(QuaternionTest, MatrixRoundTripsOverManyRotationsAndAnyLength)
{
    const double h = std::sqrt(0.5);
    KQuaternion q;
    MatrixToQuaternion(q, Rotation(0, 90));
    EXPECT_TRUE(KVector4(q[0], q[1], q[2], q[3]) == KVector4(h, 0, 0) &&
                std::fabs(q[3] - h) < 1e-12);
    KMatrix m;
    for (double lLength : {1.0, 4.0}) {
        QuaternionToMatrix(m, KQuaternion(0, 0, lLength * h, lLength * h));
        EXPECT_TRUE(Near3x3(m, Rotation(2, 90), 1e-12));
    }
    QuaternionToMatrix(m, KQuaternion(0, 0, 0, 0));
    EXPECT_TRUE(Near3x3(m, KMatrix(), 0.0));
    // A matrix without a usable rotation gives the identity quaternion.
    const double n = std::nan("");
    MatrixToQuaternion(q, Rows({{n, n, n}, {n, n, n}, {n, n, n}}));
    EXPECT_TRUE(q[0] == 0.0 && q[1] == 0.0 && q[2] == 0.0 && q[3] == 1.0);

    // Includes half turns, where the trace is -1 and each diagonal branch is taken.
    const double kAngles[] = {0, 30, -45, 90, 179, 180, -180, 270};
    for (double x : kAngles) {
        for (double y : kAngles) {
            for (double z : kAngles) {
                EulerToMatrixXYZ(m, x, y, z);
                MatrixToQuaternion(q, m);
                EXPECT_NEAR(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3], 1.0, 1e-12);
                EXPECT_GE(q[3], 0.0);
                KMatrix lBack;
                QuaternionToMatrix(lBack, q);
                EXPECT_TRUE(Near3x3(lBack, m, 1e-12)) << x << " " << y << " " << z;
            }
        }
    }
    const KVector4 lQ =
        KAffineMatrix(KVector4(1, 2, 3), KVector4(10, 20, 30), KVector4(2, 3, 4)).GetQ();
    QuaternionToMatrix(m, KQuaternion(lQ[0], lQ[1], lQ[2], lQ[3]));
    EXPECT_TRUE(Near3x3(m, KMatrix(KVector4(10, 20, 30)), 1e-12));
}

TEST(QuaternionTest, FromArcAndFromXAxisTurnTheFirstDirectionOntoTheSecond)
{
    KQuaternion q;
    QuaternionFromArc(q, KVector4(1, 0, 0), KVector4(0, 2, 0));
    EXPECT_TRUE(q[0] == 0.0 && q[1] == 0.0 && q[2] == 2.0 && q[3] == 2.0);
    QuaternionFromXAxisTo(q, KVector4(0.6, 0.8, 0.0));
    EXPECT_TRUE(q[0] == 0.0 && q[1] == 0.0 && q[2] == 0.8 && q[3] == 1.6);

    const KVector4 lPairs[][2] = {
        {KVector4(1, 2, 3), KVector4(-4, 0.5, 2)}, {KVector4(0, 0, 1), KVector4(0, 0, 5)},
        {KVector4(1, 2, 3), KVector4(-2, -4, -6)}, {KVector4(0, 0, -2), KVector4(0, 0, 3)},
        {KVector4(1, 0, 0), KVector4(0, 0, 1)},    {KVector4(1, 0, 0), KVector4(0, 2, 0)},
        {KVector4(1, 0, 0), KVector4(-3, 0, 0)}};
    for (const auto& lPair : lPairs) {
        const bool lFromX = lPair[0] == KVector4(1, 0, 0);
        for (bool lUseXAxis : {false, lFromX}) {
            lUseXAxis ? QuaternionFromXAxisTo(q, lPair[1])
                      : QuaternionFromArc(q, lPair[0], lPair[1]);
            KMatrix m;
            QuaternionToMatrix(m, q);
            KVector4 lTurned, lA, lB;
            VectorNormalize(lA, lPair[0]);
            VectorNormalize(lB, lPair[1]);
            VectorMultiplyMatrix3x3(lTurned, m, lA);
            EXPECT_TRUE(lTurned == lB);
        }
    }
}
