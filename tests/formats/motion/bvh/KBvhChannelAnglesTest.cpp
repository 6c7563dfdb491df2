#include "formats/motion/bvh/KBvhChannelAngles.h"

#include "core/KMatrix.h"
#include "core/KMatrixFunctions.h"
#include "formats/motion/KMotionPrintPrecision.h"
#include "formats/motion/KMotionRotationOrder.h"
#include "tests/support/TestSequence.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// The angles as the motion helpers give them for "Zrotation Xrotation Yrotation", placed z, y, x.
KVector4 Reference(const KMatrix& pMatrix)
{
    const int kAxes[3] = {KMotionRotationOrder::eAxisZ, KMotionRotationOrder::eAxisX,
                          KMotionRotationOrder::eAxisY};
    KMatrix lRotation;
    MatrixRemoveScale(lRotation, pMatrix);
    double lAngles[3] = {0.0, 0.0, 0.0};
    KMotionRotationOrder::MatrixToAngles(lAngles, lRotation, kAxes,
                                         KMotionRotationOrder::eFirstOutermost);
    KMotionPrintPrecision::RoundToLargest(lAngles, 3);
    return KVector4(lAngles[2], lAngles[1], lAngles[0]);
}

bool SameBits(const KVector4& pA, const KVector4& pB)
{
    return std::memcmp(pA.GetData(), pB.GetData(), 3 * sizeof(double)) == 0;
}

// The decimal form, when given, is the angles': each the double nearest to its decimal.
void ExpectDecimalsOf(const KVector4& pAngles, const KBvhDecimals& pDecimals)
{
    if (!pDecimals.AreKnown()) {
        return;
    }
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(static_cast<double>(pDecimals.mWhole[i]) / std::pow(10.0, pDecimals.mDecimals),
                  pAngles[i]);
    }
}

KVector4 AnglesOf(const KBvhChannelAngles& pChannels, const KMatrix& pMatrix)
{
    KBvhDecimals lDecimals;
    const KVector4 lAngles = pChannels.Of(pMatrix, lDecimals);
    ExpectDecimalsOf(lAngles, lDecimals);
    return lAngles;
}

KVector4 AnglesOfPose(const KBvhChannelAngles& pChannels, const KVector4& pRotation,
                      const KVector4& pScaling)
{
    KBvhDecimals lDecimals;
    const KVector4 lAngles = pChannels.OfPose(pRotation, pScaling, lDecimals);
    ExpectDecimalsOf(lAngles, lDecimals);
    return lAngles;
}

// Rotations of every kind (gimbal lock at +-90, exact quarter turns, tiny angles), with unit,
// uneven, mirroring and zero scales: the same bits as the helpers, with and without the rows whose
// scale is exactly 1.
TEST(KBvhChannelAngles, AreTheMotionHelpersAnglesBitForBit)
{
    const KBvhChannelAngles lChannels;
    TestSequence lRandom(3);
    const double kScales[][3] = {{1, 1, 1}, {2, 0.5, 1}, {1, -1, 1}, {0, 1, 1}, {1e-3, 1e3, 7}};
    const double kFixed[][3] = {{0, 0, 0},   {90, 0, 0},  {0, 90, 0},       {0, -90, 30},
                                {180, 0, 0}, {0, 0, 180}, {1e-7, -2e-6, 3}, {45, 45, 45}};
    int lCases = 0;
    for (const auto& lScale : kScales) {
        for (int i = 0; i < 2000; ++i) {
            double lEuler[3] = {lRandom.Between(-180, 180), lRandom.Between(-180, 180),
                                lRandom.Between(-180, 180)};
            if (i < 8) {
                std::memcpy(lEuler, kFixed[i], sizeof lEuler);
            }
            KMatrix lMatrix;
            MatrixSetTRS(lMatrix, KVector4(1, 2, 3), KVector4(lEuler[0], lEuler[1], lEuler[2]),
                         KVector4(lScale[0], lScale[1], lScale[2]));
            ASSERT_TRUE(SameBits(AnglesOf(lChannels, lMatrix), Reference(lMatrix)))
                << lEuler[0] << " " << lEuler[1] << " " << lEuler[2] << " scale " << lScale[0]
                << " " << lScale[1] << " " << lScale[2];
            ++lCases;
        }
    }
    EXPECT_EQ(lCases, 10000);
}

// Poses of every kind, the matrix made only when needed: multiples of 15 degrees (half turns,
// where the sign of a zero decides between +180 and -180), signed zeros, whole turns, tiny,
// single-precision and unrolled angles, mirrors.
TEST(KBvhChannelAngles, OfAPoseAreTheAnglesOfItsMatrix)
{
    const KBvhChannelAngles lChannels;
    // Half turns about Y: the channel angles' signs hang on the sign of a rounding error.
    const double kHalfTurns[][3] = {{-15, 180, 105}, {105, 180, -75}, {30, 180, -150},
                                    {-45, -180, 60}, {0, 180, 0},     {90, 180, -90}};
    for (const auto& lEuler : kHalfTurns) {
        const KVector4 lRotation(lEuler[0], lEuler[1], lEuler[2]);
        KMatrix lMatrix;
        MatrixSetTRS(lMatrix, KVector4(), lRotation, KVector4(1, 1, 1));
        EXPECT_TRUE(
            SameBits(AnglesOfPose(lChannels, lRotation, KVector4(1, 1, 1)), Reference(lMatrix)))
            << lEuler[0] << " " << lEuler[1] << " " << lEuler[2];
    }
    TestSequence lRandom(3);
    for (int i = 0; i < 30000; ++i) {
        double lEuler[3];
        for (double& lAngle : lEuler) {
            const double lAny = lRandom.Between(-180, 180);
            switch (i % 6) {
            case 0:
                lAngle = std::nearbyint(lAny / 15) * 15;
                break;
            case 1:
                lAngle = lRandom.Between(0, 1) < 0.4 ? (lAny < 0 ? -0.0 : 0.0) : lAny;
                break;
            case 2:
                lAngle = std::nearbyint(lAny / 90) * 360 + lRandom.Between(-1e-6, 1e-6);
                break;
            case 3:
                lAngle = static_cast<float>(lAny * 1e-3);
                break;
            case 4:
                // Unrolled curves turn on past a whole turn.
                lAngle = static_cast<float>(lAny * 30);
                break;
            default:
                lAngle = static_cast<float>(lAny * 2);
                break;
            }
        }
        const KVector4 lRotation(lEuler[0], lEuler[1], lEuler[2]);
        const KVector4 lScaling = i % 7 == 0 ? KVector4(1.5, -0.5, 2) : KVector4(1, 1, 1);
        KMatrix lMatrix;
        MatrixSetTRS(lMatrix, KVector4(), lRotation, lScaling);
        ASSERT_TRUE(SameBits(AnglesOfPose(lChannels, lRotation, lScaling), Reference(lMatrix)))
            << lEuler[0] << " " << lEuler[1] << " " << lEuler[2] << " case " << i % 6;
    }
}

// Channel angles whose sixth digit is followed by a 5, turned into a matrix and back: the angles
// found lie next to the points where their rounding changes, which only the library may decide.
TEST(KBvhChannelAngles, AnglesNextToARoundingPointAreTheLibrarys)
{
    const int kAxes[3] = {KMotionRotationOrder::eAxisZ, KMotionRotationOrder::eAxisX,
                          KMotionRotationOrder::eAxisY};
    const KBvhChannelAngles lChannels;
    TestSequence lRandom(3);
    for (int i = 0; i < 20000; ++i) {
        const double lDecade = i % 3 == 0 ? 1.0 : (i % 3 == 1 ? 1e-2 : 1e-4);
        double lAngles[3];
        for (double& lAngle : lAngles) {
            const double lDigits = std::floor(lRandom.Between(-899999, 899999));
            lAngle = (lDigits + 0.5) * lDecade * 1e-4;
        }
        KMatrix lMatrix;
        ASSERT_TRUE(KMotionRotationOrder::AnglesToMatrix(lMatrix, kAxes, lAngles, 3,
                                                         KMotionRotationOrder::eFirstOutermost));
        ASSERT_TRUE(SameBits(AnglesOf(lChannels, lMatrix), Reference(lMatrix)))
            << lAngles[0] << " " << lAngles[1] << " " << lAngles[2];
    }
}

// Rows of extreme lengths, as a global matrix under far scaled parents has: a row whose squared
// length underflows beside a zero entry (no arc tangent of two zeros), a nearly flat matrix whose
// volume test would underflow, and products of turned and scaled poses across the doubles' range.
TEST(KBvhChannelAngles, MatricesOfExtremeRowsAreTheLibrarys)
{
    const KBvhChannelAngles lChannels;
    KMatrix lTiny;
    MatrixSetTRS(lTiny, KVector4(), KVector4(30, 0, 50), KVector4(1e-170, 1e10, 1));
    EXPECT_TRUE(SameBits(AnglesOf(lChannels, lTiny), Reference(lTiny)));
    const double kFlat[3][3] = {
        {-9.3371823097468602e-101, -1.344446199516355e-102, 3.5594164549642323e-101},
        {-1.4927168468627346e-114, -2.149339517151453e-116, 5.6903686048618965e-115},
        {3.1071823874803519e+99, -5.1955425345457482e+99, 7.9546229103229536e+99}};
    KMatrix lFlat;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            lFlat[r][c] = kFlat[r][c];
        }
    }
    EXPECT_TRUE(SameBits(AnglesOf(lChannels, lFlat), Reference(lFlat)));
    TestSequence lRandom(3);
    auto lAngle = [&lRandom] { return lRandom.Between(-720, 720); };
    auto lScale = [&lRandom] {
        const double lSign = lRandom.Between(-1, 1) < 0 ? -1.0 : 1.0;
        return lSign * std::pow(10.0, lRandom.Between(-1, 1) < 0 ? lRandom.Between(-320, 308)
                                                                 : lRandom.Between(-2, 2));
    };
    for (int i = 0; i < 20000; ++i) {
        KMatrix lParent;
        KMatrix lChild;
        MatrixSetTRS(lParent, KVector4(), KVector4(lAngle(), lAngle(), lAngle()),
                     KVector4(lScale(), lScale(), lScale()));
        const double lTurn = i % 2 == 0 ? 0.0 : lAngle();
        MatrixSetTRS(lChild, KVector4(), KVector4(lAngle(), lTurn, lAngle() * 1e-14),
                     KVector4(lScale(), lScale(), lScale()));
        KMatrix lGlobal;
        MatrixMultiplyAffine(lGlobal, lParent, lChild);
        ASSERT_TRUE(SameBits(AnglesOf(lChannels, lGlobal), Reference(lGlobal))) << i;
        ASSERT_TRUE(SameBits(AnglesOf(lChannels, lChild), Reference(lChild))) << i;
    }
}

// Runs of poses of every length up to past two of the batches worked out at once, quick ones among
// ones the quick way cannot take (gimbal lock, turns past its bounds, a zero or huge scale, a
// mirror): each pose's angles are the helpers' bits and its decimals OfPose's, wherever it lies.
class KBvhChannelAnglesWidths : public ::testing::TestWithParam<KMotionLaneWidth>
{
};

// On either lane width (two lanes are what processors without the wider registers run).
TEST_P(KBvhChannelAnglesWidths, PosesWorkedOutTogetherAreEachOnesOwn)
{
    const KBvhChannelAngles lChannels;
    TestSequence lRandom(36);
    for (int lCount = 0; lCount <= 37; ++lCount) {
        std::vector<KVector4> lRotations;
        std::vector<KVector4> lScalings;
        for (int p = 0; p < lCount; ++p) {
            KVector4 lRotation(lRandom.Between(-180, 180), lRandom.Between(-180, 180),
                               std::nearbyint(lRandom.Between(-1800, 1800)) / 10);
            KVector4 lScaling(1, 1, 1);
            switch (lRandom.Next() % 8) {
            case 0:
                lRotation[0] = 90.0;
                break;
            case 1:
                lRotation[2] = 3e6;
                break;
            case 2:
                lScaling = KVector4(1, 0, 1);
                break;
            case 3:
                lScaling = KVector4(1e120, 2, 1);
                break;
            case 4:
                lScaling = KVector4(-1, 0.5, 2);
                break;
            default:
                break;
            }
            lRotations.push_back(lRotation);
            lScalings.push_back(lScaling);
        }
        std::vector<KVector4> lAngles(lCount);
        std::vector<KBvhDecimals> lDecimals(lCount);
        lChannels.OfPoses(lCount, lRotations.data(), lScalings.data(), lAngles.data(),
                          lDecimals.data(), GetParam());
        for (int p = 0; p < lCount; ++p) {
            KMatrix lMatrix;
            MatrixSetTRS(lMatrix, KVector4(), lRotations[p], lScalings[p]);
            KBvhDecimals lAlone;
            lChannels.OfPose(lRotations[p], lScalings[p], lAlone);
            ASSERT_TRUE(SameBits(lAngles[p], Reference(lMatrix))) << lCount << " pose " << p;
            ASSERT_EQ(lDecimals[p].AreKnown(), lAlone.AreKnown()) << lCount << " pose " << p;
            if (lAlone.AreKnown()) {
                EXPECT_EQ(lDecimals[p].mDecimals, lAlone.mDecimals);
                for (int i = 0; i < 3; ++i) {
                    EXPECT_EQ(lDecimals[p].mWhole[i], lAlone.mWhole[i]);
                }
            }
            ExpectDecimalsOf(lAngles[p], lDecimals[p]);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(LaneWidths, KBvhChannelAnglesWidths,
                         ::testing::Values(KMotionLaneWidth::eTwoLanes,
                                           KMotionLaneWidth::eFourLanes));

} // namespace
