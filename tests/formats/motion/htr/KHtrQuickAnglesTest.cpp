#include "formats/motion/htr/KHtrQuickAngles.h"

#include "core/KMatrixFunctions.h"
#include "tests/support/TestSequence.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr int kFrames = KHtrQuickAngles::kFrames;
// The factor of the core matrix functions, the same double.
constexpr double kDegToRad = 3.14159265358979323846 / 180.0;
// The axes of the even indices 0, 2, ... 10 of EulerToAxesOrdered, in order of application.
constexpr int kTriples[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 2, 0}, {1, 0, 2}, {2, 0, 1}, {2, 1, 0}};

bool SameBits(double pA, double pB)
{
    return std::memcmp(&pA, &pB, sizeof pA) == 0;
}

// Angles of every kind a file holds: smooth, zeros of either sign, quarter and half turns, many
// turns.
void FillAngles(TestSequence& ioRandom, double oAngles[3][kFrames])
{
    const double lEdges[] = {0.0, -0.0, 90.0, -90.0, 180.0, 1e-300, 720.25, -99999.0};
    for (int a = 0; a < 3; ++a) {
        for (int f = 0; f < kFrames; ++f) {
            oAngles[a][f] =
                f % 4 == 0 ? lEdges[ioRandom.Next() % 8] : ioRandom.Between(-400.0, 400.0);
        }
    }
}

TEST(KHtrQuickAngles, TheLibrarySinesGiveTheOrderedTurnBitForBit)
{
    TestSequence lRandom(3);
    for (int t = 0; t < 6; ++t) {
        double lAngles[3][kFrames];
        FillAngles(lRandom, lAngles);
        const double lSign = KHtrQuickAngles::Sense(kTriples[t]) * kDegToRad;
        double lSine[3][kFrames], lCosine[3][kFrames];
        for (int a = 0; a < 3; ++a) {
            for (int f = 0; f < kFrames; ++f) {
                lSine[a][f] = std::sin(lAngles[a][f] * lSign);
                lCosine[a][f] = std::cos(lAngles[a][f] * lSign);
            }
        }
        const double* const lSines[3] = {lSine[0], lSine[1], lSine[2]};
        const double* const lCosines[3] = {lCosine[0], lCosine[1], lCosine[2]};
        KHtrAffineBlock lTurns;
        KHtrQuickAngles::TurnsOf(lSines, lCosines, kTriples[t], lTurns);
        for (int f = 0; f < kFrames; ++f) {
            double lAxes[3][3];
            ASSERT_TRUE(
                EulerToAxesOrdered(lAxes, lAngles[0][f], lAngles[1][f], lAngles[2][f], 2 * t));
            for (int r = 0; r < 3; ++r) {
                for (int c = 0; c < 3; ++c) {
                    EXPECT_TRUE(SameBits(lTurns.mAxes[r][c][f], lAxes[r][c]))
                        << "index " << 2 * t << " frame " << f;
                }
            }
        }
    }
}

// The quick lanes work out the sine of the angle, and an odd triple takes it negated: the
// library's sine of the negated product is the sine negated, its cosine the same.
TEST(KHtrQuickAngles, ANegatedTurnNeedsNoSecondSine)
{
    TestSequence lRandom(5);
    for (int i = 0; i < 20000; ++i) {
        const double lDegrees = i < 4 ? (i % 2 ? -0.0 : 0.0) + 90.0 * (i / 2)
                                      : lRandom.Between(-1e6, 1e6) / (1 + i % 1000);
        const double lRadians = lDegrees * kDegToRad;
        ASSERT_TRUE(SameBits(lDegrees * -kDegToRad, -lRadians));
        ASSERT_TRUE(SameBits(std::sin(-lRadians), -std::sin(lRadians))) << lDegrees;
        ASSERT_TRUE(SameBits(std::cos(-lRadians), std::cos(lRadians))) << lDegrees;
    }
}

TEST(KHtrQuickAngles, QuickTurnsLieWithinTheirBound)
{
    TestSequence lRandom(9);
    for (int t = 0; t < 6; ++t) {
        double lAngles[3][kFrames];
        FillAngles(lRandom, lAngles);
        lAngles[1][1] = 2e6;
        lAngles[2][2] = std::numeric_limits<double>::quiet_NaN();
        lAngles[0][3] = -std::numeric_limits<double>::infinity();
        lAngles[0][5] = -1e6;
        const double* const lApplied[3] = {lAngles[0], lAngles[1], lAngles[2]};
        KHtrAffineBlock lTurns;
        bool lOutside[kFrames];
        KHtrQuickAngles::Turns(kFrames, lApplied, kTriples[t], lTurns, lOutside);
        for (int f = 0; f < kFrames; ++f) {
            EXPECT_EQ(lOutside[f], f == 1 || f == 2 || f == 3) << f;
            double lAxes[3][3];
            EulerToAxesOrdered(lAxes, lAngles[0][f], lAngles[1][f], lAngles[2][f], 2 * t);
            for (int r = 0; r < 3 && !lOutside[f]; ++r) {
                for (int c = 0; c < 3; ++c) {
                    EXPECT_LE(std::fabs(lTurns.mAxes[r][c][f] - lAxes[r][c]),
                              KHtrQuickAngles::kTurnError);
                }
            }
        }
    }
}

// Elements exactly the library's: every proven angle has the library's float; the gimbal lock
// and its edge are never proven.
TEST(KHtrQuickAngles, ProvenAnglesHaveTheLibraryFloats)
{
    TestSequence lRandom(13);
    double lAngles[3][kFrames];
    FillAngles(lRandom, lAngles);
    lAngles[1][7] = 90.0;
    lAngles[1][8] = -89.99995;
    KHtrAffineBlock lTurns;
    for (int f = 0; f < kFrames; ++f) {
        double lAxes[3][3];
        EulerToAxesXYZ(lAxes, lAngles[0][f], lAngles[1][f], lAngles[2][f]);
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) {
                lTurns.mAxes[r][c][f] = lAxes[r][c];
            }
        }
    }
    const double(*m)[3][kFrames] = lTurns.mAxes;
    const double* const lRow0[3] = {m[0][0], m[0][1], m[0][2]};
    const double* const lRow1[3] = {m[1][0], m[1][1], m[1][2]};
    double lQuick[3][kFrames];
    bool lSure[kFrames];
    std::fill(lSure, lSure + kFrames, true);
    KHtrQuickAngles::EulerXYZ(kFrames, lRow0, lRow1, m[2][2], 1e-15, lQuick, lSure);
    int lProven = 0;
    for (int f = 0; f < kFrames; ++f) {
        double lLibrary[3];
        const KHtrEulerAxes lAxes{
            {m[0][0][f], m[0][1][f], m[0][2][f]}, {m[1][0][f], m[1][1][f], m[1][2][f]}, m[2][2][f]};
        lAxes.ToEulerXYZ(lLibrary);
        lProven += lSure[f];
        for (int a = 0; a < 3 && lSure[f]; ++a) {
            EXPECT_EQ(static_cast<float>(lQuick[a][f]), static_cast<float>(lLibrary[a]));
        }
    }
    EXPECT_FALSE(lSure[7]);
    EXPECT_FALSE(lSure[8]);
    EXPECT_GT(lProven, kFrames / 2);
}

} // namespace
