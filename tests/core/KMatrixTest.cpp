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
    const KMatrix lRotation =
        Product(Product(Rotation(0, pR[0]), Rotation(1, pR[1])), Rotation(2, pR[2]));
    return Product(Product(Scale(pS[0], pS[1], pS[2]), lRotation),
                   Translation(pT[0], pT[1], pT[2]));
}

KVector4 Transform(const KMatrix& pM, const KVector4& pPoint)
{
    return KAffineMatrix(pM).MultT(pPoint);
}

} // namespace

TEST(KMatrixTest, DefaultIsIdentityAndElementAccessIsChecked)
{
    KMatrix m;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            EXPECT_EQ(m.Get(r, c), r == c ? 1.0 : 0.0);
        }
    }
    EXPECT_EQ(m[4], nullptr);
    EXPECT_EQ(m[-1], nullptr);
    EXPECT_EQ(m.Get(0, 4), 0.0);
    EXPECT_FALSE(m.Set(-1, 0, 5.0));
    EXPECT_FALSE(m.Set(0, 4, 5.0));
    EXPECT_TRUE(m.Set(3, 1, 5.0));
    EXPECT_EQ(m[3][1], 5.0);
    EXPECT_EQ(m.GetData()[13], 5.0);
}

TEST(KMatrixTest, EqualityComparesAllSixteenWithinTolerance)
{
    KMatrix a, b;
    b[3][3] = 1.0 + 0.9e-6;
    EXPECT_TRUE(a == b);
    b[3][3] = 1.0 + 2e-6; // the fourth column counts too
    EXPECT_FALSE(a == b);
    EXPECT_TRUE(a != b);
}

TEST(KMatrixTest, EulerConstructorAndSetTRSMatchHandBuiltProducts)
{
    // X 90 turns the row vector (0, 1, 0) into (0, 0, 1).
    const KMatrix lX90(KVector4(90, 0, 0));
    EXPECT_TRUE(Near4x4(lX90, Rows({{1, 0, 0}, {0, 0, 1}, {0, -1, 0}}), 1e-15));

    const KVector4 T(1, -2, 3), R(30, -45, 60), S(2, 0.5, 3);
    KMatrix m;
    m[0][3] = 7.0; // the fourth column is not touched
    m.SetTRS(T, R, S);
    KMatrix lExpected = ReferenceTRS(T, R, S);
    lExpected[0][3] = 7.0;
    EXPECT_TRUE(Near4x4(m, lExpected));

    const KAffineMatrix a(T, R, S);
    EXPECT_TRUE(Near4x4(a, ReferenceTRS(T, R, S)));
}

TEST(KAffineMatrixTest, GetTRSRoundTripIncludingNegativeScale)
{
    const KVector4 T(5, 6, 7, 1);
    const KVector4 R(20, -30, 40);
    for (const KVector4& S : {KVector4(1, 2, 3), KVector4(1, -2, 3), KVector4(-0.5, -2, -3)}) {
        const KAffineMatrix m(T, R, S);
        const KVector4 lT = m.GetT();
        EXPECT_TRUE(lT == T);
        EXPECT_EQ(lT[3], 0.0);
        const KVector4 lS = m.GetS();
        const double lSign = S[0] * S[1] * S[2] < 0.0 ? -1.0 : 1.0;
        EXPECT_NEAR(lS[0], lSign * std::fabs(S[0]), 1e-12);
        EXPECT_NEAR(lS[1], lSign * std::fabs(S[1]), 1e-12);
        EXPECT_NEAR(lS[2], lSign * std::fabs(S[2]), 1e-12);
        // The signed scale and its angles rebuild the same matrix.
        EXPECT_TRUE(Near4x4(KAffineMatrix(lT, m.GetR(), lS), m, 1e-12));
        if (lSign > 0.0) {
            EXPECT_TRUE(m.GetR() == R);
        }
    }
}

TEST(KAffineMatrixTest, MultTAssignmentIdentityAndTranspose)
{
    const KAffineMatrix m(KVector4(1, 2, 3), KVector4(90, 0, 0), KVector4(2, 2, 2));
    const KVector4 p = m.MultT(KVector4(0, 1, 0, 1));
    EXPECT_TRUE(p == KVector4(1, 2, 5));
    EXPECT_EQ(p[3], 1.0);

    KAffineMatrix a;
    a[0][3] = 4.0;
    a = m; // copies the 3x4 part only
    EXPECT_EQ(a[0][3], 4.0);
    EXPECT_EQ(a[3][2], 3.0);
    EXPECT_TRUE(Near3x3(a, m, 0.0));

    EXPECT_TRUE(Near4x4(a.SetIdentity(), KMatrix(), 0.0));

    const KAffineMatrix t = m.Transpose();
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            EXPECT_EQ(t[r][c], m[c][r]);
        }
    }
}

TEST(KAffineMatrixTest, ProductAppliesLeftOperandFirst)
{
    const KAffineMatrix lMove(KVector4(1, 2, 3), KVector4(), KVector4(1, 1, 1));
    const KAffineMatrix lTurn(KVector4(), KVector4(90, 0, 0), KVector4(1, 1, 1));
    // Move, then turn: (0,1,0) -> (1,3,3) -> (1,-3,3).
    EXPECT_TRUE((lMove * lTurn).MultT(KVector4(0, 1, 0)) == KVector4(1, -3, 3));
    // Turn, then move: (0,1,0) -> (0,0,1) -> (1,2,4).
    EXPECT_TRUE((lTurn * lMove).MultT(KVector4(0, 1, 0)) == KVector4(1, 2, 4));
}

TEST(MatrixFunctionsTest, MultiplyAffineAppliesSecondOperandFirst)
{
    const KMatrix a = Product(Product(Scale(1, 2, 3), Rotation(1, 30)), Translation(4, 5, 6));
    const KMatrix b = Product(Product(Scale(0.5, 1, 2), Rotation(2, -70)), Translation(-1, 0, 2));
    KMatrix d;
    MatrixMultiplyAffine(d, a, b);
    EXPECT_TRUE(Near4x4(d, Product(b, a)));

    // Hand-worked: a translation after a quarter turn about X.
    MatrixMultiplyAffine(d, Translation(1, 2, 3), Rotation(0, 90));
    EXPECT_TRUE(Transform(d, KVector4(0, 1, 0)) == KVector4(1, 2, 4));

    // The destination may be either operand.
    KMatrix lA = a, lB = b;
    MatrixMultiplyAffine(lA, lA, b);
    MatrixMultiplyAffine(lB, a, lB);
    EXPECT_TRUE(Near4x4(lA, Product(b, a)));
    EXPECT_TRUE(Near4x4(lB, Product(b, a)));
}

TEST(MatrixFunctionsTest, AffineInverseTimesMatrixIsIdentity)
{
    const KVector4 T(10, -20, 30), R(33, -71, 145), S(2, 0.25, -5);
    KMatrix m;
    MatrixSetTRS(m, T, R, S);
    KMatrix lInverse, lProduct;
    MatrixInverseAffine(lInverse, m);
    MatrixMultiplyAffine(lProduct, lInverse, m);
    EXPECT_TRUE(Near4x4(lProduct, KMatrix(), 1e-12));
    MatrixMultiplyAffine(lProduct, m, lInverse);
    EXPECT_TRUE(Near4x4(lProduct, KMatrix(), 1e-12));

    // b times the inverse of a: with b = a that is the identity again.
    MatrixMultiplyInverseAffine(lProduct, m, m);
    EXPECT_TRUE(Near4x4(lProduct, KMatrix(), 1e-12));
    const KMatrix b = Product(Rotation(2, 10), Translation(1, 1, 1));
    MatrixMultiplyInverseAffine(lProduct, m, b);
    EXPECT_TRUE(Near4x4(lProduct, Product(b, lInverse), 1e-12));

    // In place.
    KMatrix lSame = m;
    MatrixInverseAffine(lSame, lSame);
    EXPECT_TRUE(Near4x4(lSame, lInverse, 0.0));

    // A zero axis gives zeros instead of infinities.
    KMatrix lFlat = Scale(0, 1, 1);
    MatrixInverseAffine(lFlat, lFlat);
    EXPECT_TRUE(Near4x4(lFlat, Scale(0, 1, 1), 0.0));
}

TEST(MatrixFunctionsTest, ThreeByThreeProductsAndTranspose)
{
    const KMatrix a = Product(Rotation(0, 20), Scale(1, 2, 3));
    const KMatrix b = Product(Rotation(1, -50), Translation(9, 9, 9));
    KMatrix d = Translation(1, 2, 3);
    MatrixMultiply3x3(d, a, b);
    EXPECT_TRUE(Near3x3(d, Product(b, a)));
    EXPECT_EQ(d[3][0], 1.0); // translation untouched

    KMatrix lAT;
    MatrixTranspose3x3(lAT, a);
    MatrixMultiplyTranspose3x3(d, a, b);
    EXPECT_TRUE(Near3x3(d, Product(b, lAT)));

    KMatrix lInPlace = a;
    MatrixTranspose3x3(lInPlace, lInPlace);
    EXPECT_TRUE(Near3x3(lInPlace, lAT, 0.0));
    EXPECT_EQ(lInPlace[1][0], a[0][1]);
}

TEST(MatrixFunctionsTest, CopyIdentityNormalizeAndVectorProduct)
{
    KMatrix m = Product(Product(Scale(2, 3, 4), Rotation(2, 30)), Translation(1, 2, 3));
    m[1][3] = 8.0;
    KMatrix d;
    MatrixCopy(d, m);
    EXPECT_TRUE(Near4x4(d, m, 0.0));
    KMatrix lAffine;
    MatrixCopyAffine(lAffine, m);
    EXPECT_EQ(lAffine[1][3], 0.0);
    EXPECT_EQ(lAffine[3][2], 3.0);

    MatrixNormalizeAxes(d, m);
    EXPECT_TRUE(Near3x3(d, Rotation(2, 30)));
    EXPECT_EQ(d[1][3], 8.0);

    KVector4 v(0, 1, 0, 9);
    VectorMultiplyMatrix3x3(v, Rotation(0, 90), v);
    EXPECT_TRUE(v == KVector4(0, 0, 1));
    EXPECT_EQ(v[3], 9.0);

    KVector4 n;
    VectorNormalize(n, KVector4(0, 3, 4));
    EXPECT_TRUE(n == KVector4(0, 0.6, 0.8));
    VectorNormalize(n, KVector4(0, 0, 0));
    EXPECT_TRUE(n == KVector4());
    EXPECT_FALSE(std::isnan(n[0]));

    MatrixSetIdentity(m);
    EXPECT_TRUE(Near4x4(m, KMatrix(), 0.0));
}

TEST(MatrixFunctionsTest, AffinePointProductRowScalingAndLength)
{
    // X 90 degrees turns (0, 1, 0) onto (0, 0, 1); the translation (1, 2, 3) is then added.
    KMatrix m = Product(Rotation(0, 90), Translation(1, 2, 3));
    KVector4 p(0, 1, 0, 5);
    VectorMultiplyMatrixAffine(p, m, p);
    EXPECT_TRUE(p == KVector4(1, 2, 4));
    EXPECT_EQ(p[3], 5.0);

    KMatrix s;
    s[3][0] = 7.0;
    KMatrix d;
    d[3][0] = -1.0;
    MatrixScaleRows(d, s, KVector4(2, 3, 4));
    EXPECT_EQ(d[0][0], 2.0);
    EXPECT_EQ(d[1][1], 3.0);
    EXPECT_EQ(d[2][2], 4.0);
    EXPECT_EQ(d[3][0], -1.0);

    EXPECT_DOUBLE_EQ(VectorLength(KVector4(2, 3, 6, 100)), 7.0);
    KVector4 z(1, 2, 3, 4);
    z.SetZero();
    EXPECT_EQ(z[3], 0.0);
    EXPECT_TRUE(z == KVector4());
}

TEST(MatrixFunctionsTest, GetScaleNegatesAllThreeForNegativeDeterminant)
{
    KVector4 s;
    MatrixGetScale(s, Product(Scale(2, 3, 4), Rotation(1, 25)));
    EXPECT_TRUE(s == KVector4(2, 3, 4));
    MatrixGetScale(s, Product(Scale(2, -3, 4), Rotation(1, 25)));
    EXPECT_TRUE(s == KVector4(-2, -3, -4));
    MatrixGetScale(s, Scale(-1, -1, -1));
    EXPECT_TRUE(s == KVector4(-1, -1, -1));
}

TEST(MatrixFunctionsTest, CompareWithToleranceAndByteWise)
{
    KMatrix a = Translation(1, 2, 3), b = a;
    EXPECT_EQ(MatrixCompare(a, b, 0.0), 0);
    EXPECT_EQ(MatrixCompare(a, b, 1e-6), 0);

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
    EXPECT_EQ(MatrixCompare(a, b, 1e-2), 0);
}

TEST(MatrixFunctionsTest, VectorCompareWithToleranceAndByteWise)
{
    const KVector4 a(1, 0, 3, 1);
    EXPECT_EQ(VectorCompare(a, KVector4(1, 0, 3, 99), 0.0), 0); // w is not compared
    EXPECT_EQ(VectorCompare(a, KVector4(1, -0.0, 3), 1e-9), 0);
    EXPECT_EQ(VectorCompare(a, KVector4(1, -0.0, 3), 0.0), -1);
    EXPECT_EQ(VectorCompare(KVector4(1, -0.0, 3), a, 0.0), 1);
    EXPECT_EQ(VectorCompare(a, KVector4(1, 0, 3.5), 0.1), 1);
    EXPECT_EQ(VectorCompare(a, KVector4(1, 0, 3.05), 0.1), 0);
}

TEST(QuaternionTest, HandWorkedQuarterTurns)
{
    const double h = std::sqrt(0.5);
    KQuaternion q;
    MatrixToQuaternion(q, Rotation(0, 90));
    EXPECT_NEAR(q[0], h, 1e-12);
    EXPECT_NEAR(q[1], 0.0, 1e-12);
    EXPECT_NEAR(q[2], 0.0, 1e-12);
    EXPECT_NEAR(q[3], h, 1e-12);

    KMatrix m;
    QuaternionToMatrix(m, KQuaternion(0, 0, h, h));
    EXPECT_TRUE(Near3x3(m, Rotation(2, 90), 1e-12));
    // Any length gives the same rotation.
    QuaternionToMatrix(m, KQuaternion(0, 0, 3, 3));
    EXPECT_TRUE(Near3x3(m, Rotation(2, 90), 1e-12));
    QuaternionToMatrix(m, KQuaternion(0, 0, 0, 0));
    EXPECT_TRUE(Near3x3(m, KMatrix(), 0.0));
}

TEST(QuaternionTest, MatrixRoundTripOverManyRotations)
{
    // Includes half turns, where the trace is -1 and each diagonal branch is taken.
    const double kAngles[] = {0, 30, -45, 90, 179, 180, -180, 270};
    for (double x : kAngles) {
        for (double y : kAngles) {
            for (double z : kAngles) {
                KMatrix m;
                EulerToMatrixXYZ(m, x, y, z);
                KQuaternion q;
                MatrixToQuaternion(q, m);
                EXPECT_NEAR(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3], 1.0, 1e-12);
                EXPECT_GE(q[3], 0.0);
                KMatrix lBack;
                QuaternionToMatrix(lBack, q);
                EXPECT_TRUE(Near3x3(lBack, m, 1e-12)) << x << " " << y << " " << z;
            }
        }
    }
}

TEST(QuaternionTest, GetQRemovesTheScale)
{
    const KAffineMatrix m(KVector4(1, 2, 3), KVector4(10, 20, 30), KVector4(2, 3, 4));
    const KVector4 q = m.GetQ();
    KMatrix lRotation;
    QuaternionToMatrix(lRotation, KQuaternion(q[0], q[1], q[2], q[3]));
    EXPECT_TRUE(Near3x3(lRotation, KMatrix(KVector4(10, 20, 30)), 1e-12));
}

TEST(QuaternionTest, FromArcTurnsFirstDirectionOntoSecond)
{
    KQuaternion q;
    QuaternionFromArc(q, KVector4(1, 0, 0), KVector4(0, 2, 0));
    EXPECT_DOUBLE_EQ(q[0], 0.0);
    EXPECT_DOUBLE_EQ(q[1], 0.0);
    EXPECT_DOUBLE_EQ(q[2], 2.0);
    EXPECT_DOUBLE_EQ(q[3], 2.0);

    const KVector4 lPairs[][2] = {{KVector4(1, 2, 3), KVector4(-4, 0.5, 2)},
                                  {KVector4(0, 0, 1), KVector4(0, 0, 5)},
                                  {KVector4(1, 2, 3), KVector4(-2, -4, -6)},
                                  {KVector4(0, 0, -2), KVector4(0, 0, 3)}};
    for (const auto& lPair : lPairs) {
        QuaternionFromArc(q, lPair[0], lPair[1]);
        KMatrix m;
        QuaternionToMatrix(m, q);
        KVector4 lTurned, lA, lB;
        VectorNormalize(lA, lPair[0]);
        VectorNormalize(lB, lPair[1]);
        VectorMultiplyMatrix3x3(lTurned, m, lA);
        EXPECT_TRUE(lTurned == lB);
    }
}

TEST(QuaternionTest, FromXAxisTo)
{
    KQuaternion q;
    QuaternionFromXAxisTo(q, KVector4(0.6, 0.8, 0.0));
    EXPECT_DOUBLE_EQ(q[0], 0.0);
    EXPECT_DOUBLE_EQ(q[1], -0.0);
    EXPECT_DOUBLE_EQ(q[2], 0.8);
    EXPECT_DOUBLE_EQ(q[3], 1.6);

    for (const KVector4& v : {KVector4(0, 0, 1), KVector4(0, 2, 0), KVector4(-3, 0, 0)}) {
        QuaternionFromXAxisTo(q, v);
        KMatrix m;
        QuaternionToMatrix(m, q);
        KVector4 lTurned, lDirection;
        VectorMultiplyMatrix3x3(lTurned, m, KVector4(1, 0, 0));
        VectorNormalize(lDirection, v);
        EXPECT_TRUE(lTurned == lDirection);
    }
}
