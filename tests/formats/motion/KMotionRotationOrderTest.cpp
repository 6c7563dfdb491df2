#include "formats/motion/KMotionRotationOrder.h"

#include "core/KMatrixFunctions.h"
#include "core/KRotationOrder.h"

#include <gtest/gtest.h>
#include <sleef.h>

#include <array>
#include <cmath>
#include <random>

namespace {

using Listing = KMotionRotationOrder::EListing;
constexpr Listing kOutermost = KMotionRotationOrder::eFirstOutermost;
constexpr Listing kApplied = KMotionRotationOrder::eFirstAppliedFirst;

constexpr int kPermutations[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2},
                                     {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};

// The textbook right-handed turn about one axis, for column vectors (v' = R v). Built here from
// scratch so that the helper is checked against something it does not share code with.
struct Mat3
{
    double m[3][3];
};

Mat3 ColumnTurn(int pAxis, double pDegrees)
{
    const double lRad = pDegrees * M_PI / 180.0;
    const double c = std::cos(lRad), s = std::sin(lRad);
    Mat3 r{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
    const int a = (pAxis + 1) % 3, b = (pAxis + 2) % 3;
    r.m[a][a] = c;
    r.m[a][b] = -s;
    r.m[b][a] = s;
    r.m[b][b] = c;
    return r;
}

Mat3 Multiply(const Mat3& pA, const Mat3& pB)
{
    Mat3 r{};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            for (int k = 0; k < 3; ++k) {
                r.m[i][j] += pA.m[i][k] * pB.m[k][j];
            }
        }
    }
    return r;
}

// Column-vector product of a list read outermost first: R = R0 * R1 * R2.
Mat3 ColumnProduct(const int pAxes[3], const double pAngles[3])
{
    return Multiply(Multiply(ColumnTurn(pAxes[0], pAngles[0]), ColumnTurn(pAxes[1], pAngles[1])),
                    ColumnTurn(pAxes[2], pAngles[2]));
}

// The kit matrix is the transpose of the column form: M[r][c] = R[c][r].
void ExpectSameRotation(const KMatrix& pRow, const Mat3& pColumn, double pTolerance)
{
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(pRow[r][c], pColumn.m[c][r], pTolerance) << r << "," << c;
        }
    }
}

void ExpectSameMatrix(const KMatrix& pA, const KMatrix& pB, double pTolerance)
{
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(pA[r][c], pB[r][c], pTolerance) << r << "," << c;
        }
    }
}

// Image of a unit axis under a row-vector matrix: row pAxis of M.
KVector4 Image(const KMatrix& pM, int pAxis)
{
    return KVector4(pM[pAxis][0], pM[pAxis][1], pM[pAxis][2]);
}

void ExpectVector(const KVector4& pV, double pX, double pY, double pZ)
{
    EXPECT_NEAR(pV[0], pX, 1e-12);
    EXPECT_NEAR(pV[1], pY, 1e-12);
    EXPECT_NEAR(pV[2], pZ, 1e-12);
}

} // namespace

// 90, 90, 0 in every channel order: where the joint's unit axes land in the parent. The table
// was worked out from products of single-axis turns, outermost first.
TEST(KMotionRotationOrder, GoldenNinetyNinetyZero)
{
    struct Golden
    {
        int mAxes[3];
        double mImages[3][3];
    };
    const Golden kGolden[] = {
        {{0, 1, 2}, {{0, 1, 0}, {0, 0, 1}, {1, 0, 0}}},
        {{0, 2, 1}, {{0, 0, 1}, {-1, 0, 0}, {0, -1, 0}}},
        {{1, 0, 2}, {{0, 0, -1}, {1, 0, 0}, {0, -1, 0}}},
        {{1, 2, 0}, {{0, 1, 0}, {0, 0, 1}, {1, 0, 0}}},
        {{2, 0, 1}, {{0, 1, 0}, {0, 0, 1}, {1, 0, 0}}},
        {{2, 1, 0}, {{0, 0, -1}, {-1, 0, 0}, {0, 1, 0}}},
    };
    const double lAngles[3] = {90.0, 90.0, 0.0};
    for (const Golden& lCase : kGolden) {
        KMatrix lM;
        ASSERT_TRUE(KMotionRotationOrder::AnglesToMatrix(lM, lCase.mAxes, lAngles, 3, kOutermost));
        for (int lAxis = 0; lAxis < 3; ++lAxis) {
            const double* lExpected = lCase.mImages[lAxis];
            ExpectVector(Image(lM, lAxis), lExpected[0], lExpected[1], lExpected[2]);
        }
        ExpectSameRotation(lM, ColumnProduct(lCase.mAxes, lAngles), 1e-12);
    }
}

TEST(KMotionRotationOrder, AgreesWithKitOrdersAndOrderedTable)
{
    std::mt19937 lRandom(7);
    std::uniform_real_distribution<double> lAngle(-179.0, 179.0);
    for (Listing lListing : {kOutermost, kApplied}) {
        for (const auto& lAxes : kPermutations) {
            const int lOrder = KMotionRotationOrder::ToKitOrder(lAxes, lListing);
            const int lIndex = KMotionRotationOrder::ToOrderedIndex(lAxes, lListing);
            ASSERT_GE(lOrder, 0);
            ASSERT_EQ(lIndex % 2, 0);
            for (int lTrial = 0; lTrial < 20; ++lTrial) {
                const double lAngles[3] = {lAngle(lRandom), lAngle(lRandom), lAngle(lRandom)};
                KMatrix lFromList;
                ASSERT_TRUE(
                    KMotionRotationOrder::AnglesToMatrix(lFromList, lAxes, lAngles, 3, lListing));
                if (lListing == kOutermost) {
                    ExpectSameRotation(lFromList, ColumnProduct(lAxes, lAngles), 1e-12);
                }
                // The kit order takes the angles by axis.
                KVector4 lEuler;
                for (int i = 0; i < 3; ++i) {
                    lEuler[lAxes[i]] = lAngles[i];
                }
                KMatrix lFromOrder;
                ASSERT_TRUE(KRotationOrder(lOrder).V2M(lFromOrder, lEuler));
                ExpectSameMatrix(lFromList, lFromOrder, 1e-12);
                // The ordered table takes them in application order.
                double lApplied[3];
                for (int i = 0; i < 3; ++i) {
                    lApplied[i] = lListing == kOutermost ? lAngles[2 - i] : lAngles[i];
                }
                KMatrix lFromIndex;
                ASSERT_TRUE(EulerToMatrixOrdered(lFromIndex, lApplied[0], lApplied[1], lApplied[2],
                                                 lIndex));
                ExpectSameMatrix(lFromList, lFromIndex, 1e-12);
            }
        }
    }
}

TEST(KMotionRotationOrder, MatrixToAnglesRoundTripsEveryOrder)
{
    std::mt19937 lRandom(11);
    std::uniform_real_distribution<double> lAngle(-180.0, 180.0);
    for (Listing lListing : {kOutermost, kApplied}) {
        for (const auto& lAxes : kPermutations) {
            for (int lTrial = 0; lTrial < 50; ++lTrial) {
                double lAngles[3] = {lAngle(lRandom), lAngle(lRandom), lAngle(lRandom)};
                if (lTrial == 0) {
                    // Gimbal lock: the middle turn at 90 degrees.
                    lAngles[1] = 90.0;
                }
                KMatrix lM;
                KMotionRotationOrder::AnglesToMatrix(lM, lAxes, lAngles, 3, lListing);
                double lBack[3];
                ASSERT_TRUE(KMotionRotationOrder::MatrixToAngles(lBack, lM, lAxes, lListing));
                EXPECT_LE(std::fabs(lBack[1]), 90.0 + 1e-9);
                KMatrix lAgain;
                KMotionRotationOrder::AnglesToMatrix(lAgain, lAxes, lBack, 3, lListing);
                ExpectSameMatrix(lM, lAgain, 1e-9);
            }
        }
    }
}

TEST(KMotionRotationOrder, RefusesBadAxisLists)
{
    const int lRepeated[3] = {0, 0, 1};
    const int lOutside[3] = {0, 1, 3};
    EXPECT_EQ(KMotionRotationOrder::ToKitOrder(lRepeated, kOutermost), -1);
    EXPECT_EQ(KMotionRotationOrder::ToOrderedIndex(lOutside, kApplied), -1);
    double lAngles[3] = {1.0, 2.0, 3.0};
    KMatrix lM;
    EXPECT_FALSE(KMotionRotationOrder::MatrixToAngles(lAngles, lM, lRepeated, kOutermost));
    EXPECT_EQ(lAngles[0], 1.0);
    EXPECT_FALSE(KMotionRotationOrder::AnglesToMatrix(lM, lOutside, lAngles, 3, kOutermost));
    EXPECT_EQ(lM, KMatrix());
    EXPECT_FALSE(KMotionRotationOrder::AnglesToMatrix(lM, lOutside, lAngles, -1, kOutermost));
    // Partial and repeated lists are products all the same: Z then Z again is one turn of 30.
    const int lTwice[2] = {2, 2};
    const double lHalves[2] = {10.0, 20.0};
    ASSERT_TRUE(KMotionRotationOrder::AnglesToMatrix(lM, lTwice, lHalves, 2, kOutermost));
    KMatrix lThirty;
    EulerToMatrixXYZ(lThirty, 0.0, 0.0, 30.0);
    ExpectSameMatrix(lM, lThirty, 1e-12);
    ASSERT_TRUE(KMotionRotationOrder::AnglesToMatrix(lM, nullptr, nullptr, 0, kOutermost));
    EXPECT_EQ(lM, KMatrix());
}

namespace {

// The rotation as it was first computed, one turn after the other from the identity: each turn
// by EulerToMatrixXYZ's formula from the library's scalar sine and cosine, each product summed over
// k = 0, 1, 2.
Mat3 TurnByTurn(const int* pAxes, const double* pAngles, int pCount, Listing pListing)
{
    const auto lProduct = [](const Mat3& pA, const Mat3& pB) {
        Mat3 r;
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) {
                r.m[i][j] =
                    pA.m[i][0] * pB.m[0][j] + pA.m[i][1] * pB.m[1][j] + pA.m[i][2] * pB.m[2][j];
            }
        }
        return r;
    };
    Mat3 lResult{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
    for (int i = 0; i < pCount; ++i) {
        const Sleef_double_2 lSinCos =
            Sleef_cinz_sincosd1_u10purec(pAngles[i] * (3.14159265358979323846 / 180.0));
        const double s = lSinCos.x;
        const double c = lSinCos.y;
        const double sx = pAxes[i] == 0 ? s : 0.0, cx = pAxes[i] == 0 ? c : 1.0;
        const double sy = pAxes[i] == 1 ? s : 0.0, cy = pAxes[i] == 1 ? c : 1.0;
        const double sz = pAxes[i] == 2 ? s : 0.0, cz = pAxes[i] == 2 ? c : 1.0;
        const Mat3 lTurn{{{cy * cz, cy * sz, -sy},
                          {sx * sy * cz - cx * sz, sx * sy * sz + cx * cz, sx * cy},
                          {cx * sy * cz + sx * sz, cx * sy * sz - sx * cz, cx * cy}}};
        lResult = pListing == kOutermost ? lProduct(lTurn, lResult) : lProduct(lResult, lTurn);
    }
    return lResult;
}

} // namespace

// Every order of three axes, and repeated ones, gives the turn-by-turn matrix to the last bit,
// signed zeros included: angles of 0, -0, quarter and half turns and random ones.
TEST(KMotionRotationOrder, EveryListGivesTheTurnByTurnMatrixBitForBit)
{
    static const double kSpecial[] = {0.0,    -0.0,  90.0, -90.0,  180.0,
                                      -180.0, 360.0, 45.0, 1e-300, 1e-120};
    std::mt19937_64 lRandom(5);
    std::uniform_real_distribution<double> lAngle(-400.0, 400.0);
    const int lRepeated[3] = {0, 1, 0};
    for (int lTrial = 0; lTrial < 20000; ++lTrial) {
        double lAngles[3];
        for (double& lValue : lAngles) {
            lValue = lRandom() % 3 == 0 ? kSpecial[lRandom() % 10] : lAngle(lRandom);
        }
        for (int p = 0; p <= 6; ++p) {
            const int* lAxes = p < 6 ? kPermutations[p] : lRepeated;
            for (const Listing lListing : {kOutermost, kApplied}) {
                KMatrix lM;
                ASSERT_TRUE(KMotionRotationOrder::AnglesToMatrix(lM, lAxes, lAngles, 3, lListing));
                const Mat3 lExpected = TurnByTurn(lAxes, lAngles, 3, lListing);
                for (int r = 0; r < 3; ++r) {
                    for (int c = 0; c < 3; ++c) {
                        ASSERT_EQ(std::signbit(lM[r][c]), std::signbit(lExpected.m[r][c]))
                            << p << " " << lAngles[0] << " " << lAngles[1] << " " << lAngles[2];
                        ASSERT_EQ(lM[r][c], lExpected.m[r][c]) << p << " " << r << "," << c;
                    }
                }
            }
        }
    }
}
