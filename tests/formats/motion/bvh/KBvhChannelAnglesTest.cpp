#include "formats/motion/bvh/KBvhChannelAngles.h"

#include "core/KMatrix.h"
#include "tests/support/TestSequence.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

using Rows = double[3][3];

// The elementary turns in row-vector form (p' = p * M), written out here.
void Turn(Rows& oM, int pAxis, double pDegrees)
{
    const double s = std::sin(pDegrees * kPi / 180.0);
    const double c = std::cos(pDegrees * kPi / 180.0);
    const int b = (pAxis + 1) % 3;
    const int d = (pAxis + 2) % 3;
    std::memset(oM, 0, sizeof(Rows));
    oM[pAxis][pAxis] = 1.0;
    oM[b][b] = c;
    oM[b][d] = s;
    oM[d][b] = -s;
    oM[d][d] = c;
}

void Product(Rows& oM, const Rows& pFirst, const Rows& pSecond)
{
    Rows lResult = {};
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            for (int k = 0; k < 3; ++k) {
                lResult[r][c] += pFirst[r][k] * pSecond[k][c];
            }
        }
    }
    std::memcpy(oM, lResult, sizeof(Rows));
}

// Turns about pAxes by pDegrees, the first applying first, each axis row then times pScale.
KMatrix Turns(const int pAxes[3], const double pDegrees[3], const double pScale[3])
{
    Rows lM;
    Turn(lM, pAxes[0], pDegrees[0]);
    for (int i = 1; i < 3; ++i) {
        Rows lNext;
        Turn(lNext, pAxes[i], pDegrees[i]);
        Product(lM, lM, lNext);
    }
    KMatrix lMatrix;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            lMatrix[r][c] = lM[r][c] * pScale[r];
        }
    }
    return lMatrix;
}

constexpr int kChannelOrder[3] = {1, 0, 2};
constexpr int kEulerOrder[3] = {0, 1, 2};
constexpr double kUnit[3] = {1.0, 1.0, 1.0};

// The channels' matrix of Z, X and Y angles: Y turns first, then X, then Z.
KMatrix ChannelMatrix(double pZ, double pX, double pY, const double pScale[3] = kUnit)
{
    const double lDegrees[3] = {pY, pX, pZ};
    return Turns(kChannelOrder, lDegrees, pScale);
}

bool SameBits(const KVector4& pA, const KVector4& pB)
{
    return std::memcmp(pA.GetData(), pB.GetData(), 3 * sizeof(double)) == 0;
}

bool SameDecimals(const KBvhDecimals& pA, const KBvhDecimals& pB)
{
    return pA.mDecimals == pB.mDecimals && pA.mWhole[0] == pB.mWhole[0] &&
           pA.mWhole[1] == pB.mWhole[1] && pA.mWhole[2] == pB.mWhole[2];
}

// Printed z, y, x: the Z, X and Y channels.
void ExpectPrinted(const KVector4& pAngles, double pZ, double pX, double pY)
{
    EXPECT_EQ(pAngles[2], pZ);
    EXPECT_EQ(pAngles[1], pX);
    EXPECT_EQ(pAngles[0], pY);
}

// Angles of a few decimals survive the turn into a matrix and back, rounded to six digits, to
// the bit; 90-degree turns, gimbal lock (X at +-90: only Y + Z or Y - Z is known, all of it on Y)
// and a scale of any size or sign leave them as they are.
TEST(KBvhChannelAngles, AnglesOfHandMadeMatricesComeBack)
{
    struct Case
    {
        double mZ, mX, mY;
        double mScale[3];
        // The angles expected back.
        double mBackZ, mBackX, mBackY;
    };
    const Case kCases[] = {
        {0, 0, 0, {1, 1, 1}, 0, 0, 0},
        {90, 0, 0, {1, 1, 1}, 90, 0, 0},
        {0, 90, 0, {1, 1, 1}, 0, 90, 0},
        {0, 0, -90, {1, 1, 1}, 0, 0, -90},
        {30, 20, 10, {1, 1, 1}, 30, 20, 10},
        {-12.5, 47.25, 170.125, {2, 0.5, 3}, -12.5, 47.25, 170.125},
        {-12.5, 47.25, 170.125, {1e-30, 1e30, 7}, -12.5, 47.25, 170.125},
        // Gimbal lock: Y + Z and Y - Z.
        {25, 90, 40, {1, 1, 1}, 0, 90, 65},
        {25, -90, 40, {1, 1, 1}, 0, -90, 15},
        // Six digits of the largest: the small angle keeps four decimals.
        {123.456789, 0.00123456, 1.5, {1, 1, 1}, 123.457, 0.001, 1.5},
    };
    for (const Case& lCase : kCases) {
        KBvhDecimals lDecimals;
        const KVector4 lAngles = KBvhChannelAngles::Of(
            ChannelMatrix(lCase.mZ, lCase.mX, lCase.mY, lCase.mScale), lDecimals);
        ExpectPrinted(lAngles, lCase.mBackZ, lCase.mBackX, lCase.mBackY);
    }
}

// A mirror by the X scale: the rows divided by the negative scale leave a half turn about X,
// which the channels give as half turns about Y and Z.
TEST(KBvhChannelAngles, AMirroredScaleIsAHalfTurn)
{
    const double kMirror[3] = {-1, 1, 1};
    KBvhDecimals lDecimals;
    const KVector4 lAngles = KBvhChannelAngles::Of(ChannelMatrix(0, 0, 0, kMirror), lDecimals);
    EXPECT_EQ(std::fabs(lAngles[2]), 180.0);
    EXPECT_EQ(lAngles[1], 0.0);
    EXPECT_EQ(std::fabs(lAngles[0]), 180.0);
}

// The decimals are the rounded angles' own: 30, 20, 10 keep four decimals (six digits of 30).
TEST(KBvhChannelAngles, DecimalsAreTheRoundedAngles)
{
    KBvhDecimals lDecimals;
    KBvhChannelAngles::Of(ChannelMatrix(30, 20, 10), lDecimals);
    ASSERT_TRUE(lDecimals.AreKnown());
    EXPECT_EQ(lDecimals.mDecimals, 4);
    EXPECT_EQ(lDecimals.mWhole[2], 300000);
    EXPECT_EQ(lDecimals.mWhole[1], 200000);
    EXPECT_EQ(lDecimals.mWhole[0], 100000);
    // Tiny angles round below the decimals a short decimal holds; zeros are not rounded at all.
    KBvhChannelAngles::Of(ChannelMatrix(1e-6, 0, 0), lDecimals);
    EXPECT_FALSE(lDecimals.AreKnown());
    KBvhChannelAngles::Of(KMatrix(), lDecimals);
    EXPECT_FALSE(lDecimals.AreKnown());
}

// Rotations (Euler X, Y, Z) and scalings of every kind: the channel angles turn back into the
// pose's rotation within the six printed digits, and each decimal gives its angle.
TEST(KBvhChannelAngles, PosesTurnBackIntoTheirRotation)
{
    TestSequence lRandom(47);
    const int kCount = 3000;
    std::vector<KVector4> lRotations;
    std::vector<KVector4> lScalings;
    for (int p = 0; p < kCount; ++p) {
        KVector4 lRotation(lRandom.Between(-720, 720), lRandom.Between(-180, 180),
                           lRandom.Between(-180, 180));
        if (p % 10 == 0) {
            lRotation[1] = p % 20 == 0 ? 90.0 : -90.0;
        }
        lRotations.push_back(lRotation);
        lScalings.push_back(p % 3 == 0 ? KVector4(2, 0.25, 1e3) : KVector4(1, 1, 1));
    }
    std::vector<KVector4> lAngles(kCount);
    std::vector<KBvhDecimals> lDecimals(kCount);
    KBvhChannelAngles::OfPoses(kCount, lRotations.data(), lScalings.data(), lAngles.data(),
                               lDecimals.data());
    for (int p = 0; p < kCount; ++p) {
        const double lEuler[3] = {lRotations[p][0], lRotations[p][1], lRotations[p][2]};
        const KMatrix lPose = Turns(kEulerOrder, lEuler, kUnit);
        const KMatrix lBack = ChannelMatrix(lAngles[p][2], lAngles[p][1], lAngles[p][0]);
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) {
                ASSERT_NEAR(lBack[r][c], lPose[r][c], 5e-5) << p;
            }
        }
        EXPECT_GE(lAngles[p][1], -90.0);
        EXPECT_LE(lAngles[p][1], 90.0);
        ASSERT_TRUE(lDecimals[p].AreKnown()) << p;
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(static_cast<double>(lDecimals[p].mWhole[i]) /
                          std::pow(10.0, lDecimals[p].mDecimals),
                      lAngles[p][i]);
        }
    }
}

// A block of poses gives each pose the bits it has alone, across the blocks and their odd tail,
// gimbal lock, zero and mirroring scales among them.
TEST(KBvhChannelAngles, PosesInABlockHaveTheirBitsAlone)
{
    TestSequence lRandom(36);
    const int kCount = 151;
    std::vector<KVector4> lRotations;
    std::vector<KVector4> lScalings;
    const KVector4 kScalings[4] = {KVector4(1, 1, 1), KVector4(1, 0, 1), KVector4(-1, 0.5, 2),
                                   KVector4(1e120, 2, 1)};
    for (int p = 0; p < kCount; ++p) {
        KVector4 lRotation(lRandom.Between(-180, 180), lRandom.Between(-180, 180),
                           std::nearbyint(lRandom.Between(-1800, 1800)) / 10);
        if (p % 7 == 0) {
            lRotation[1] = 90.0;
        }
        lRotations.push_back(lRotation);
        lScalings.push_back(kScalings[lRandom.Next() % 4]);
    }
    std::vector<KVector4> lAngles(kCount);
    std::vector<KBvhDecimals> lDecimals(kCount);
    KBvhChannelAngles::OfPoses(kCount, lRotations.data(), lScalings.data(), lAngles.data(),
                               lDecimals.data());
    for (int p = 0; p < kCount; ++p) {
        KVector4 lAlone;
        KBvhDecimals lAloneDecimals;
        KBvhChannelAngles::OfPoses(1, &lRotations[p], &lScalings[p], &lAlone, &lAloneDecimals);
        ASSERT_TRUE(SameBits(lAngles[p], lAlone)) << p;
        ASSERT_TRUE(SameDecimals(lDecimals[p], lAloneDecimals)) << p;
    }
}

// A rotation or scaling that is not finite gives an angle that is not, which the file refuses.
TEST(KBvhChannelAngles, NonFinitePosesGiveNonFiniteAngles)
{
    const double lNan = std::numeric_limits<double>::quiet_NaN();
    const double lInfinity = std::numeric_limits<double>::infinity();
    const KVector4 lRotations[] = {KVector4(lNan, 0, 0), KVector4(0, 0, lInfinity),
                                   KVector4(10, 20, 30), KVector4(10, 20, 30)};
    const KVector4 lScalings[] = {KVector4(1, 1, 1), KVector4(1, 1, 1), KVector4(1, lNan, 1),
                                  KVector4(lInfinity, 1, 1)};
    KVector4 lAngles[4];
    KBvhDecimals lDecimals[4];
    KBvhChannelAngles::OfPoses(4, lRotations, lScalings, lAngles, lDecimals);
    for (int p = 0; p < 4; ++p) {
        const bool lFinite = std::isfinite(lAngles[p][0]) && std::isfinite(lAngles[p][1]) &&
                             std::isfinite(lAngles[p][2]);
        EXPECT_FALSE(lFinite) << p;
        EXPECT_FALSE(lDecimals[p].AreKnown()) << p;
    }
}

} // namespace
