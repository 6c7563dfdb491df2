#include "tests/support/KMathTestUtil.h"

#include "core/KMatrix.h"
#include "core/KMatrixFunctions.h"
#include "core/KRotationOrder.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <string>

using mathtest::Near3x3;
using mathtest::Product;
using mathtest::Rotation;
using mathtest::Rows;

namespace {

using Angles = std::array<double, 3>;

// Axes of the turns in the order they apply, per pair of indices of EulerToMatrixOrdered's table
// and per kit rotation order 0 to 5 (XYZ, XZY, YZX, YXZ, ZXY, ZYX): the two agree.
const int kAxes[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 2, 0}, {1, 0, 2}, {2, 0, 1}, {2, 1, 0}};

// Sample angles; the middle one stays inside [-90, 90], where the decomposition is unique (or,
// at +-90, puts the whole outer turn in the first angle).
const double kOuter[] = {0.0, 15.0, -37.5, 89.0, 120.0, -150.0, 179.5};
const double kMiddle[] = {0.0, 10.0, -25.0, 60.0, -89.0, 90.0, -90.0};

// An Euler convention: three turns (first, second, third) about pAxes, each angle times pSign.
struct Convention
{
    std::function<bool(KMatrix&, const Angles&)> mToMatrix;
    std::function<bool(Angles&, const KMatrix&)> mToAngles;
    const int (&mAxes)[3];
    double mSign;
};

// Every sample matches the product of elementary turns and reads back as the same angles; at
// gimbal lock the angles read back rebuild the same matrix with a last turn of 0.
void ExpectConvention(const Convention& pConvention, const char* pName)
{
    for (double a : kOuter) {
        for (double b : kMiddle) {
            for (double c : kOuter) {
                const double s = pConvention.mSign;
                KMatrix m;
                ASSERT_TRUE(pConvention.mToMatrix(m, {a, b, c}));
                ASSERT_TRUE(
                    Near3x3(m, mathtest::Turns(pConvention.mAxes, s * a, s * b, s * c), 1e-12))
                    << pName << ": " << a << " " << b << " " << c;
                Angles lBack;
                ASSERT_TRUE(pConvention.mToAngles(lBack, m));
                const bool lGimbal = std::fabs(b) == 90.0;
                EXPECT_NEAR(lBack[0], lGimbal ? lBack[0] : a, 1e-9) << pName;
                EXPECT_NEAR(lBack[1], b, lGimbal ? 1e-6 : 1e-9) << pName;
                EXPECT_NEAR(lBack[2], lGimbal ? 0.0 : c, lGimbal ? 0.0 : 1e-9) << pName;
                KMatrix lRebuilt;
                pConvention.mToMatrix(lRebuilt, lBack);
                EXPECT_TRUE(Near3x3(lRebuilt, m, 1e-9)) << pName << ": " << a << " " << b;
            }
        }
    }
}

// A kit rotation order as a convention: the Euler vector holds each angle at its axis.
Convention OrderConvention(const KRotationOrder& pOrder, const int (&pAxes)[3])
{
    return {[&pOrder, &pAxes](KMatrix& oM, const Angles& pA) {
                KVector4 e;
                for (int i = 0; i < 3; ++i) {
                    e[pAxes[i]] = pA[i];
                }
                return pOrder.V2M(oM, e);
            },
            [&pOrder, &pAxes](Angles& oA, const KMatrix& pM) {
                KVector4 e;
                const bool lOk = pOrder.M2V(e, pM);
                for (int i = 0; i < 3; ++i) {
                    oA[i] = e[pAxes[i]];
                }
                return lOk;
            },
            pAxes, 1.0};
}

} // namespace

TEST(EulerTest, XYZMatchesTheProductRoundTripsAndWritesOnlyThe3x3Part)
{
    ExpectConvention({[](KMatrix& oM, const Angles& pA) {
                          EulerToMatrixXYZ(oM, pA[0], pA[1], pA[2]);
                          return true;
                      },
                      [](Angles& oA, const KMatrix& pM) {
                          KVector4 a;
                          MatrixToEulerXYZ(a, pM);
                          oA = {a[0], a[1], a[2]};
                          return true;
                      },
                      kAxes[0], 1.0},
                     "XYZ");
    KMatrix m;
    m[3][0] = 4.0;
    m[0][3] = 5.0;
    EulerToMatrixXYZ(m, 90, 90, 0);
    EXPECT_TRUE(Near3x3(m, Rows({{0, 0, -1}, {1, 0, 0}, {0, -1, 0}}), 1e-15));
    EXPECT_EQ(m[3][0], 4.0);
    EXPECT_EQ(m[0][3], 5.0);

    // The gimbal threshold is on m[0][2] itself: 0.999999 is already gimbal, just below is not.
    m = Rows({{0, 0, 0.999999}, {0, 1, 0}, {-1, 0, 0}});
    KVector4 a;
    MatrixToEulerXYZ(a, m);
    EXPECT_TRUE(a[1] == -90.0 && a[2] == 0.0);
    m[0][2] = -0.999999;
    MatrixToEulerXYZ(a, m);
    EXPECT_EQ(a[1], 90.0);
    m[0][2] = 0.9999989;
    MatrixToEulerXYZ(a, m);
    EXPECT_GT(a[1], -90.0);

    MatrixSetTRS(m, KVector4(1, 2, 3), KVector4(25, -40, 70), KVector4(3, 0.5, 2));
    MatrixToEulerUnscaled(a, m);
    EXPECT_TRUE(a == KVector4(25, -40, 70));
}

TEST(EulerTest, EveryIndexOfTheOrderedTable)
{
    for (int lIndex = 0; lIndex < 12; ++lIndex) {
        // Odd indices turn clockwise: the even one's angles negated.
        ExpectConvention({[lIndex](KMatrix& oM, const Angles& pA) {
                              return EulerToMatrixOrdered(oM, pA[0], pA[1], pA[2], lIndex);
                          },
                          [lIndex](Angles& oA, const KMatrix& pM) {
                              KVector4 a;
                              const bool lOk = MatrixToEulerOrdered(a, pM, lIndex);
                              oA = {a[0], a[1], a[2]};
                              return lOk;
                          },
                          kAxes[lIndex / 2], (lIndex & 1) ? -1.0 : 1.0},
                         ("index " + std::to_string(lIndex)).c_str());
    }
    for (int lIndex : {12, -1}) {
        KMatrix m = Rotation(0, 30);
        EXPECT_FALSE(EulerToMatrixOrdered(m, 10, 20, 30, lIndex));
        EXPECT_TRUE(Near3x3(m, KMatrix(), 0.0));
        KVector4 a(1, 2, 3);
        EXPECT_FALSE(MatrixToEulerOrdered(a, Rotation(1, 10), lIndex));
        EXPECT_TRUE(a == KVector4(1, 2, 3));
    }
}

TEST(KRotationOrderTest, EveryOrderMatchesTheProductRoundTripsAndDividesOutTheScale)
{
    for (int lOrder : {0, 1, 2, 3, 4, 5, 12}) {
        const KRotationOrder o(lOrder);
        ASSERT_TRUE(o.HasConversion());
        const int(&lAxes)[3] = kAxes[lOrder == KRotationOrder::eSphericXYZ ? 0 : lOrder];
        ExpectConvention(OrderConvention(o, lAxes), ("order " + std::to_string(lOrder)).c_str());
        const KVector4 e(10, -20, 30);
        KMatrix m;
        o.V2M(m, e);
        EXPECT_EQ(m[3][0], 0.0);
        EXPECT_EQ(m[3][3], 1.0);
        KVector4 lBack;
        ASSERT_TRUE(o.M2V(lBack, Product(Rows({{2, 0, 0}, {0, 3, 0}, {0, 0, 0.5}}), m)));
        EXPECT_TRUE(lBack == e) << "order " << lOrder;
    }
}

TEST(KRotationOrderTest, NumberingValidityAndOrdersWithoutConversion)
{
    EXPECT_EQ(KRotationOrder().GetOrder(), 0);
    EXPECT_EQ(KRotationOrder(KRotationOrder::eSphericXYZ).GetOrder(), 12);
    EXPECT_EQ(KRotationOrder(13).GetOrder(), 0);
    EXPECT_EQ(KRotationOrder(-1).GetOrder(), 0);
    KRotationOrder o(KRotationOrder::eEulerZYX);
    EXPECT_FALSE(o.SetOrder(13));
    EXPECT_FALSE(o.SetOrder(-1));
    EXPECT_EQ(o.GetOrder(), 5);
    EXPECT_TRUE(o.SetOrder(7));
    EXPECT_EQ(o.GetOrder(), 7);
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
            EXPECT_TRUE(lFrom != lTo || lConverted == e);
        }
    }
}
