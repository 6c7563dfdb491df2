#include "tests/support/KMathTestUtil.h"

#include "core/KMatrix.h"
#include "core/KMatrixFunctions.h"
#include "core/KRotationOrder.h"

#include <gtest/gtest.h>

#include <cmath>

using mathtest::Near3x3;
using mathtest::Product;
using mathtest::Rotation;
using mathtest::Rows;

namespace {

// Axes of EulerToMatrixOrdered's table, per pair of indices.
const int kTableAxes[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 2, 0}, {1, 0, 2}, {2, 0, 1}, {2, 1, 0}};
// Axes of the kit's rotation orders 0 to 5 (XYZ, XZY, YZX, YXZ, ZXY, ZYX).
const int kOrderAxes[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 2, 0}, {1, 0, 2}, {2, 0, 1}, {2, 1, 0}};

KMatrix ThreeTurns(const int (&pAxes)[3], double pFirst, double pSecond, double pThird)
{
    return Product(Product(Rotation(pAxes[0], pFirst), Rotation(pAxes[1], pSecond)),
                   Rotation(pAxes[2], pThird));
}

KVector4 Apply(const KMatrix& pM, const KVector4& pV)
{
    KVector4 lResult;
    VectorMultiplyMatrix3x3(lResult, pM, pV);
    return lResult;
}

// Sample angles; the middle one stays inside (-90, 90) so that the decomposition is unique.
const double kOuter[] = {0.0, 15.0, -37.5, 89.0, 120.0, -150.0, 179.5};
const double kMiddle[] = {0.0, 10.0, -25.0, 60.0, -89.0};

} // namespace

TEST(EulerXYZTest, HandWorkedQuarterTurns)
{
    KMatrix m;
    EulerToMatrixXYZ(m, 90, 0, 0);
    EXPECT_TRUE(Apply(m, KVector4(0, 1, 0)) == KVector4(0, 0, 1));
    EulerToMatrixXYZ(m, 0, 90, 0);
    EXPECT_TRUE(Apply(m, KVector4(0, 0, 1)) == KVector4(1, 0, 0));
    EulerToMatrixXYZ(m, 0, 0, 90);
    EXPECT_TRUE(Apply(m, KVector4(1, 0, 0)) == KVector4(0, 1, 0));
    // X first, then Y: (0,1,0) -> (0,0,1) -> (1,0,0).
    EulerToMatrixXYZ(m, 90, 90, 0);
    EXPECT_TRUE(Apply(m, KVector4(0, 1, 0)) == KVector4(1, 0, 0));
    EXPECT_TRUE(Near3x3(m, Rows({{0, 0, -1}, {1, 0, 0}, {0, -1, 0}}), 1e-15));
    // Only the 3x3 part is written.
    m[3][0] = 4.0;
    m[0][3] = 5.0;
    EulerToMatrixXYZ(m, 1, 2, 3);
    EXPECT_EQ(m[3][0], 4.0);
    EXPECT_EQ(m[0][3], 5.0);
}

TEST(EulerXYZTest, RoundTripAndAgreementWithElementaryProduct)
{
    for (double x : kOuter) {
        for (double y : kMiddle) {
            for (double z : kOuter) {
                KMatrix m;
                EulerToMatrixXYZ(m, x, y, z);
                EXPECT_TRUE(Near3x3(m, ThreeTurns({0, 1, 2}, x, y, z), 1e-12));
                KVector4 a;
                MatrixToEulerXYZ(a, m);
                EXPECT_NEAR(a[0], x, 1e-9);
                EXPECT_NEAR(a[1], y, 1e-9);
                EXPECT_NEAR(a[2], z, 1e-9);
            }
        }
    }
}

TEST(EulerXYZTest, GimbalPutsTheWholeTurnInX)
{
    for (double y : {90.0, -90.0}) {
        for (double x : kOuter) {
            for (double z : kOuter) {
                KMatrix m;
                EulerToMatrixXYZ(m, x, y, z);
                KVector4 a;
                MatrixToEulerXYZ(a, m);
                EXPECT_EQ(a[1], y);
                EXPECT_EQ(a[2], 0.0);
                KMatrix lBack;
                EulerToMatrixXYZ(lBack, a[0], a[1], a[2]);
                EXPECT_TRUE(Near3x3(lBack, m, 1e-12)) << x << " " << y << " " << z;
            }
        }
    }
    // The threshold is on m[0][2] itself: 0.999999 is already gimbal, just below is not.
    KMatrix m = Rows({{0, 0, 0.999999}, {0, 1, 0}, {-1, 0, 0}});
    KVector4 a;
    MatrixToEulerXYZ(a, m);
    EXPECT_EQ(a[1], -90.0);
    EXPECT_EQ(a[2], 0.0);
    m[0][2] = -0.999999;
    MatrixToEulerXYZ(a, m);
    EXPECT_EQ(a[1], 90.0);
    m[0][2] = 0.9999989;
    MatrixToEulerXYZ(a, m);
    EXPECT_GT(a[1], -90.0);
}

TEST(EulerXYZTest, UnscaledRemovesScaleFirst)
{
    KMatrix m;
    MatrixSetTRS(m, KVector4(1, 2, 3), KVector4(25, -40, 70), KVector4(3, 0.5, 2));
    KVector4 a;
    MatrixToEulerUnscaled(a, m);
    EXPECT_TRUE(a == KVector4(25, -40, 70));
}

TEST(EulerOrderedTest, HandWorkedMatricesOfTheAxisTable)
{
    KMatrix m;
    // Index 0 (X Y Z): a about X, b about Y, c about Z. (1,0,0) -Y90-> (0,0,-1) -Z90-> (0,0,-1).
    ASSERT_TRUE(EulerToMatrixOrdered(m, 0, 90, 90, 0));
    EXPECT_TRUE(Apply(m, KVector4(1, 0, 0)) == KVector4(0, 0, -1));
    // Index 2 (X Z Y): b about Z, c about Y. (1,0,0) -Z90-> (0,1,0) -Y90-> (0,1,0).
    ASSERT_TRUE(EulerToMatrixOrdered(m, 0, 90, 90, 2));
    EXPECT_TRUE(Apply(m, KVector4(1, 0, 0)) == KVector4(0, 1, 0));
    EXPECT_TRUE(Near3x3(m, Rows({{0, 1, 0}, {0, 0, 1}, {1, 0, 0}}), 1e-15));
    // Index 10 (Z Y X): a about Z, b about Y, c about X. (0,1,0) -Z90-> (-1,0,0) -Y0-> -X90->.
    ASSERT_TRUE(EulerToMatrixOrdered(m, 90, 0, 90, 10));
    EXPECT_TRUE(Apply(m, KVector4(0, 1, 0)) == KVector4(-1, 0, 0));
    EXPECT_TRUE(Apply(m, KVector4(1, 0, 0)) == KVector4(0, 0, 1));
    // Index 1: index 0 with every angle negated (clockwise).
    ASSERT_TRUE(EulerToMatrixOrdered(m, 90, 0, 0, 1));
    EXPECT_TRUE(Apply(m, KVector4(0, 1, 0)) == KVector4(0, 0, -1));
}

TEST(EulerOrderedTest, EveryIndexMatchesElementaryProductAndRoundTrips)
{
    for (int lIndex = 0; lIndex < 12; ++lIndex) {
        const int(&lAxes)[3] = kTableAxes[lIndex / 2];
        const double lSign = (lIndex & 1) ? -1.0 : 1.0;
        for (double a : kOuter) {
            for (double b : kMiddle) {
                for (double c : kOuter) {
                    KMatrix m;
                    ASSERT_TRUE(EulerToMatrixOrdered(m, a, b, c, lIndex));
                    ASSERT_TRUE(
                        Near3x3(m, ThreeTurns(lAxes, lSign * a, lSign * b, lSign * c), 1e-12))
                        << "index " << lIndex << ": " << a << " " << b << " " << c;
                    KVector4 lAngles;
                    ASSERT_TRUE(MatrixToEulerOrdered(lAngles, m, lIndex));
                    EXPECT_NEAR(lAngles[0], a, 1e-9) << "index " << lIndex;
                    EXPECT_NEAR(lAngles[1], b, 1e-9) << "index " << lIndex;
                    EXPECT_NEAR(lAngles[2], c, 1e-9) << "index " << lIndex;
                }
            }
        }
    }
    KMatrix m;
    EulerToMatrixXYZ(m, 12, -34, 56);
    KMatrix lOrdered;
    EulerToMatrixOrdered(lOrdered, 12, -34, 56, 0);
    EXPECT_TRUE(Near3x3(lOrdered, m, 0.0));
}

TEST(EulerOrderedTest, GimbalOnTheMiddleAxis)
{
    for (int lIndex = 0; lIndex < 12; ++lIndex) {
        for (double b : {90.0, -90.0}) {
            for (double a : kOuter) {
                for (double c : kOuter) {
                    KMatrix m;
                    EulerToMatrixOrdered(m, a, b, c, lIndex);
                    KVector4 lAngles;
                    ASSERT_TRUE(MatrixToEulerOrdered(lAngles, m, lIndex));
                    EXPECT_NEAR(lAngles[1], b, 1e-6) << "index " << lIndex;
                    EXPECT_EQ(lAngles[2], 0.0);
                    KMatrix lBack;
                    EulerToMatrixOrdered(lBack, lAngles[0], lAngles[1], lAngles[2], lIndex);
                    EXPECT_TRUE(Near3x3(lBack, m, 1e-9))
                        << "index " << lIndex << ": " << a << " " << b << " " << c;
                }
            }
        }
    }
}

TEST(EulerOrderedTest, IndexOutsideTableIsRefused)
{
    KMatrix m = Rotation(0, 30);
    EXPECT_FALSE(EulerToMatrixOrdered(m, 10, 20, 30, 12));
    EXPECT_TRUE(Near3x3(m, KMatrix(), 0.0));
    m = Rotation(0, 30);
    EXPECT_FALSE(EulerToMatrixOrdered(m, 10, 20, 30, -1));
    EXPECT_TRUE(Near3x3(m, KMatrix(), 0.0));
    KVector4 a(1, 2, 3);
    EXPECT_FALSE(MatrixToEulerOrdered(a, Rotation(1, 10), 12));
    EXPECT_FALSE(MatrixToEulerOrdered(a, Rotation(1, 10), -5));
    EXPECT_TRUE(a == KVector4(1, 2, 3));
}

TEST(KRotationOrderTest, NumberingAndValidity)
{
    EXPECT_EQ(KRotationOrder().GetOrder(), 0);
    EXPECT_EQ(KRotationOrder(KRotationOrder::eSphericXYZ).GetOrder(), 12);
    EXPECT_EQ(KRotationOrder(13).GetOrder(), 0);
    EXPECT_EQ(KRotationOrder(-1).GetOrder(), 0);
    KRotationOrder o(KRotationOrder::eEulerZYX);
    EXPECT_FALSE(o.SetOrder(13));
    EXPECT_EQ(o.GetOrder(), 5);
    EXPECT_TRUE(o.SetOrder(7));
    EXPECT_FALSE(o.HasConversion());
    KMatrix m = Rotation(0, 30);
    EXPECT_FALSE(o.V2M(m, KVector4(10, 20, 30)));
    EXPECT_TRUE(Near3x3(m, KMatrix(), 0.0));
    KVector4 v(1, 2, 3);
    EXPECT_FALSE(o.M2V(v, Rotation(1, 10)));
    EXPECT_FALSE(KRotationOrder(0).V2V(v, KVector4(), o));
    EXPECT_FALSE(o.V2V(v, KVector4(), KRotationOrder(0)));
    EXPECT_TRUE(v == KVector4(1, 2, 3));
}

TEST(KRotationOrderTest, HandWorkedMatrices)
{
    KMatrix m;
    // XZY with (x, y, z) = (0, 90, 90): Z first, then Y. (1,0,0) -> (0,1,0) -> (0,1,0).
    ASSERT_TRUE(KRotationOrder(KRotationOrder::eEulerXZY).V2M(m, KVector4(0, 90, 90)));
    EXPECT_TRUE(Apply(m, KVector4(1, 0, 0)) == KVector4(0, 1, 0));
    // ZYX with (90, 0, 90): Z first, then X. (1,0,0) -> (0,1,0) -> (0,0,1).
    ASSERT_TRUE(KRotationOrder(KRotationOrder::eEulerZYX).V2M(m, KVector4(90, 0, 90)));
    EXPECT_TRUE(Apply(m, KVector4(1, 0, 0)) == KVector4(0, 0, 1));
    // XYZ with the same angles: X first, then Z. (1,0,0) -> (1,0,0) -> (0,1,0).
    ASSERT_TRUE(KRotationOrder(KRotationOrder::eEulerXYZ).V2M(m, KVector4(90, 0, 90)));
    EXPECT_TRUE(Apply(m, KVector4(1, 0, 0)) == KVector4(0, 1, 0));
    // YXZ with (90, 90, 0): Y first, then X. (0,0,1) -> (1,0,0) -> (1,0,0); (0,1,0) -> (0,0,1).
    ASSERT_TRUE(KRotationOrder(KRotationOrder::eEulerYXZ).V2M(m, KVector4(90, 90, 0)));
    EXPECT_TRUE(Apply(m, KVector4(0, 0, 1)) == KVector4(1, 0, 0));
    EXPECT_TRUE(Apply(m, KVector4(0, 1, 0)) == KVector4(0, 0, 1));
    // A pure rotation: no translation, identity fourth column.
    EXPECT_EQ(m[3][0], 0.0);
    EXPECT_EQ(m[3][3], 1.0);
}

TEST(KRotationOrderTest, EveryOrderMatchesElementaryProductAndRoundTrips)
{
    for (int lOrder : {0, 1, 2, 3, 4, 5, 12}) {
        const KRotationOrder o(lOrder);
        const int(&lAxes)[3] = kOrderAxes[lOrder == 12 ? 0 : lOrder];
        for (double lFirst : kOuter) {
            for (double lSecond : kMiddle) {
                for (double lThird : kOuter) {
                    KVector4 e;
                    e[lAxes[0]] = lFirst;
                    e[lAxes[1]] = lSecond;
                    e[lAxes[2]] = lThird;
                    KMatrix m;
                    ASSERT_TRUE(o.V2M(m, e));
                    ASSERT_TRUE(Near3x3(m, ThreeTurns(lAxes, lFirst, lSecond, lThird), 1e-12))
                        << "order " << lOrder;
                    KVector4 lBack;
                    ASSERT_TRUE(o.MatrixToEuler(lBack, m));
                    EXPECT_TRUE(lBack == e) << "order " << lOrder << ": " << lBack[0] << " "
                                            << lBack[1] << " " << lBack[2];
                }
            }
        }
    }
}

TEST(KRotationOrderTest, GimbalAndScaledMatrices)
{
    for (int lOrder = 0; lOrder < 6; ++lOrder) {
        const KRotationOrder o(lOrder);
        const int(&lAxes)[3] = kOrderAxes[lOrder];
        for (double lMiddle : {90.0, -90.0}) {
            KVector4 e;
            e[lAxes[0]] = 35.0;
            e[lAxes[1]] = lMiddle;
            e[lAxes[2]] = -120.0;
            KMatrix m;
            o.V2M(m, e);
            KVector4 lBack;
            ASSERT_TRUE(o.M2V(lBack, m));
            EXPECT_NEAR(lBack[lAxes[1]], lMiddle, 1e-6);
            EXPECT_EQ(lBack[lAxes[2]], 0.0);
            KMatrix lRebuilt;
            o.V2M(lRebuilt, lBack);
            EXPECT_TRUE(Near3x3(lRebuilt, m, 1e-9)) << "order " << lOrder;
        }
        // The scale is divided out before the angles are taken.
        const KVector4 e(10, -20, 30);
        KMatrix m;
        o.V2M(m, e);
        const KMatrix lScaled = Product(Rows({{2, 0, 0}, {0, 3, 0}, {0, 0, 0.5}}), m);
        KVector4 lBack;
        ASSERT_TRUE(o.M2V(lBack, lScaled));
        EXPECT_TRUE(lBack == e) << "order " << lOrder;
    }
}

TEST(KRotationOrderTest, ConvertBetweenOrdersKeepsTheRotation)
{
    const KVector4 e(30, -50, 75);
    for (int lFrom = 0; lFrom < 6; ++lFrom) {
        for (int lTo = 0; lTo < 6; ++lTo) {
            const KRotationOrder lSrc(lFrom), lDst(lTo);
            KVector4 lConverted;
            ASSERT_TRUE(lDst.V2V(lConverted, e, lSrc));
            KMatrix a, b;
            lSrc.V2M(a, e);
            lDst.V2M(b, lConverted);
            EXPECT_TRUE(Near3x3(a, b, 1e-12)) << lFrom << " -> " << lTo;
            if (lFrom == lTo) {
                EXPECT_TRUE(lConverted == e);
            }
        }
    }
    // Hand-worked: a quarter turn about X alone reads the same in every order.
    KVector4 lZYX;
    ASSERT_TRUE(KRotationOrder(5).V2V(lZYX, KVector4(90, 0, 0), KRotationOrder(0)));
    EXPECT_TRUE(lZYX == KVector4(90, 0, 0));
}
