#include "formats/motion/KMotionEuler.h"
#include "core/KMatrix.h"
#include "core/KVector4.h"
#include "formats/motion/KMotionRotationOrder.h"
#include "tests/support/TestSequence.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr double kToRadians = 3.14159265358979323846 / 180.0;

// Rx * Ry * Rz in row-vector form from the C library's sines and cosines: the independent
// rotation the angles are read back from.
KMatrix RotationXYZ(double pX, double pY, double pZ)
{
    const double sx = std::sin(pX * kToRadians), cx = std::cos(pX * kToRadians);
    const double sy = std::sin(pY * kToRadians), cy = std::cos(pY * kToRadians);
    const double sz = std::sin(pZ * kToRadians), cz = std::cos(pZ * kToRadians);
    KMatrix lM;
    const double lRows[3][3] = {{cy * cz, cy * sz, -sy},
                                {sx * sy * cz - cx * sz, sx * sy * sz + cx * cz, sx * cy},
                                {cx * sy * cz + sx * sz, cx * sy * sz - sx * cz, cx * cy}};
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            lM[r][c] = lRows[r][c];
        }
    }
    return lM;
}

// Angles inside the principal ranges come back as they went in; more than a block of them at
// once, so that the block boundary is crossed.
TEST(KMotionEuler, AnglesOfARotationComeBack)
{
    TestSequence lRandom(71);
    std::vector<KMatrix> lRotations;
    std::vector<KVector4> lWant;
    for (int i = 0; i < 150; ++i) {
        const KVector4 lAngles(lRandom.Between(-179, 179), lRandom.Between(-89, 89),
                               lRandom.Between(-179, 179), 7.0);
        lWant.push_back(lAngles);
        lRotations.push_back(RotationXYZ(lAngles[0], lAngles[1], lAngles[2]));
    }
    std::vector<KVector4> lGot(lRotations.size(), KVector4(0.0, 0.0, 0.0, 7.0));
    KMotionEuler::MatrixToEulerXYZ(static_cast<int>(lRotations.size()), lRotations.data(),
                                   lGot.data());
    for (std::size_t i = 0; i < lGot.size(); ++i) {
        for (int a = 0; a < 3; ++a) {
            EXPECT_NEAR(lGot[i][a], lWant[i][a], 1e-9) << i << " " << a;
        }
        EXPECT_EQ(lGot[i][3], 7.0);
    }
}

// At gimbal lock Y is a quarter turn, Z is 0 and X carries the rest: with Y = 90 the rotation
// depends on X - Z only, with Y = -90 on X + Z.
TEST(KMotionEuler, GimbalLockPutsTheWholeTurnOnX)
{
    struct Case
    {
        double mX, mY, mZ, mWantX, mWantY;
    };
    const Case lCases[] = {{30.0, 90.0, 10.0, 20.0, 90.0},
                           {30.0, -90.0, 10.0, 40.0, -90.0},
                           {-100.0, 90.0, 50.0, -150.0, 90.0}};
    for (const Case& lCase : lCases) {
        const KMatrix lM = RotationXYZ(lCase.mX, lCase.mY, lCase.mZ);
        KVector4 lGot;
        KMotionEuler::MatrixToEulerXYZ(1, &lM, &lGot);
        EXPECT_NEAR(lGot[0], lCase.mWantX, 1e-9) << lCase.mX;
        EXPECT_EQ(lGot[1], lCase.mWantY);
        EXPECT_EQ(lGot[2], 0.0);
    }
}

// A block of frames' axes are, bit for bit, those AnglesToMatrix gives each frame alone, across
// the block boundary and in every order.
// Quarter turns by hand: X by 90 takes Y onto Z, then Z by 90 takes... each row is where an axis
// lands. The rotations are the C library's within a few ulps, and a block gives each triple the
// bits it has alone, with the signed zeros of the formula (Y = 0 leaves -0 in row 0).
TEST(KMotionEuler, EulerAnglesGiveTheirRotation)
{
    const KMatrix lQuarter = KMotionEuler::EulerXYZToMatrix(KVector4(90.0, 0.0, 90.0));
    const double kWant[3][3] = {{0, 1, 0}, {0, 0, 1}, {1, 0, 0}};
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(lQuarter[r][c], kWant[r][c], 1e-15) << r << c;
        }
    }
    EXPECT_TRUE(std::signbit(lQuarter[0][2]));
    EXPECT_EQ(lQuarter[3][3], 1.0);
    constexpr int kCount = 150;
    TestSequence lRandom(73);
    double lDegrees[3][kCount];
    for (auto& lAxis : lDegrees) {
        for (double& lValue : lAxis) {
            lValue = lRandom.Between(-720, 720);
        }
    }
    const double* const lEuler[3] = {lDegrees[0], lDegrees[1], lDegrees[2]};
    std::vector<double> lBlock(9 * kCount);
    KMotionEuler::EulerXYZToAxes(kCount, lEuler, lBlock.data(), kCount);
    for (int i = 0; i < kCount; ++i) {
        const KVector4 lAngles(lDegrees[0][i], lDegrees[1][i], lDegrees[2][i]);
        const KMatrix lAlone = KMotionEuler::EulerXYZToMatrix(lAngles);
        const KMatrix lLibrary = RotationXYZ(lAngles[0], lAngles[1], lAngles[2]);
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) {
                const double lGot = lBlock[static_cast<std::size_t>((3 * r + c) * kCount + i)];
                ASSERT_EQ(std::memcmp(&lGot, &lAlone[r][c], sizeof lGot), 0) << i;
                ASSERT_NEAR(lGot, lLibrary[r][c], 1e-15) << i;
            }
        }
    }
}

TEST(KMotionRotationOrder, AnglesToAxesAreEachFramesMatrix)
{
    constexpr int kCount = 70;
    const int kOrders[2][3] = {{2, 0, 1}, {0, 1, 2}};
    TestSequence lRandom(72);
    double lDegrees[3][kCount];
    for (auto& lAxis : lDegrees) {
        for (double& lValue : lAxis) {
            lValue = lRandom.Between(-400, 400);
        }
    }
    lDegrees[1][3] = 90.0;
    lDegrees[0][4] = -0.0;
    const double* const lListed[3] = {lDegrees[0], lDegrees[1], lDegrees[2]};
    for (const auto& lAxes : kOrders) {
        for (const auto lListing :
             {KMotionRotationOrder::eFirstOutermost, KMotionRotationOrder::eFirstAppliedFirst}) {
            std::vector<double> lBlock(9 * kCount);
            ASSERT_TRUE(KMotionRotationOrder::AnglesToAxes(kCount, lAxes, lListing, lListed,
                                                           lBlock.data(), kCount));
            for (int f = 0; f < kCount; ++f) {
                const double lAngles[3] = {lDegrees[0][f], lDegrees[1][f], lDegrees[2][f]};
                KMatrix lWant;
                ASSERT_TRUE(
                    KMotionRotationOrder::AnglesToMatrix(lWant, lAxes, lAngles, 3, lListing));
                for (int r = 0; r < 3; ++r) {
                    for (int c = 0; c < 3; ++c) {
                        const double lGot =
                            lBlock[static_cast<std::size_t>((3 * r + c) * kCount + f)];
                        EXPECT_EQ(std::memcmp(&lGot, &lWant[r][c], sizeof lGot), 0)
                            << f << " " << r << c;
                    }
                }
            }
        }
    }
    const int lRepeated[3] = {0, 1, 0};
    double lUnused[9];
    EXPECT_FALSE(KMotionRotationOrder::AnglesToAxes(
        1, lRepeated, KMotionRotationOrder::eFirstOutermost, lListed, lUnused, 1));
}

} // namespace
