// Rotation orders of ASF axis words and AMC DOF lists, checked against products of single-axis
// turns worked out in the tests' own column-vector form.
#include "AsfAmcTestSupport.h"

#include "core/KMatrixFunctions.h"
#include "formats/motion/asf-amc/KAsfBone.h"
#include "formats/motion/asf-amc/KAsfRotation.h"

#include <gtest/gtest.h>

namespace {

// The kit matrix (row vectors) of a column-vector rotation: its transpose.
KMatrix KitOf(const asfref::Mat3& pRotation)
{
    KMatrix lKit;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            lKit[i][j] = pRotation[static_cast<std::size_t>(j)][static_cast<std::size_t>(i)];
        }
    }
    return lKit;
}

TEST(KAsfRotation, AxisWordsApplyTheirTurnsInTheOrderWritten)
{
    const double lAngles[3] = {31.0, -47.0, 68.0};
    for (const char* lWord : {"xyz", "xzy", "yxz", "yzx", "zxy", "zyx", "ZXY"}) {
        KAsfBone lBone;
        ASSERT_TRUE(lBone.SetAxis(lAngles, KAsfRotation::IndexOfWord(lWord))) << lWord;
        asfref::Bone lReference;
        lReference.mWord = lWord;
        lReference.mAxis = {lAngles[0], lAngles[1], lAngles[2]};
        EXPECT_EQ(MatrixCompare(lBone.mAxis, KitOf(asfref::AxesOf(lReference)), 1e-12), 0) << lWord;
        KMatrix lInverse;
        MatrixMultiply3x3(lInverse, lBone.mInverseAxis, lBone.mAxis);
        EXPECT_EQ(MatrixCompare(lInverse, KMatrix(), 1e-12), 0);
    }
}

TEST(KAsfRotation, AxisWordsAndDofListsShareTheirIndexes)
{
    struct Case
    {
        const char* mWord;
        int mDofs[3];
        int mIndex;
    };
    const Case kCases[6] = {{"xyz", {KAsfBone::eRx, KAsfBone::eRy, KAsfBone::eRz}, 0},
                            {"xzy", {KAsfBone::eRx, KAsfBone::eRz, KAsfBone::eRy}, 2},
                            {"yzx", {KAsfBone::eRy, KAsfBone::eRz, KAsfBone::eRx}, 4},
                            {"yxz", {KAsfBone::eRy, KAsfBone::eRx, KAsfBone::eRz}, 6},
                            {"zxy", {KAsfBone::eRz, KAsfBone::eRx, KAsfBone::eRy}, 8},
                            {"zyx", {KAsfBone::eRz, KAsfBone::eRy, KAsfBone::eRx}, 10}};
    for (const Case& lCase : kCases) {
        EXPECT_EQ(KAsfRotation::IndexOfWord(lCase.mWord), lCase.mIndex) << lCase.mWord;
        EXPECT_EQ(KAsfRotation::IndexOfDofs(lCase.mDofs, 3), lCase.mIndex) << lCase.mWord;
    }
    EXPECT_EQ(KAsfRotation::IndexOfWord("xyy"), -1);
    EXPECT_EQ(KAsfRotation::IndexOfWord("xy"), -1);
    EXPECT_EQ(KAsfRotation::IndexOfWord("xyzw"), -1);
}

TEST(KAsfRotation, ShortDofListsFollowTheTable)
{
    const int kRx[1] = {KAsfBone::eRx};
    const int kRy[1] = {KAsfBone::eRy};
    const int kRz[1] = {KAsfBone::eRz};
    const int kMoves[3] = {KAsfBone::eTx, KAsfBone::eTy, KAsfBone::eTz};
    const int kMixed[4] = {KAsfBone::eRz, KAsfBone::eTx, KAsfBone::eRx, KAsfBone::eLength};
    EXPECT_EQ(KAsfRotation::IndexOfDofs(kRx, 1), 10);
    EXPECT_EQ(KAsfRotation::IndexOfDofs(kRy, 1), 8);
    EXPECT_EQ(KAsfRotation::IndexOfDofs(kRz, 1), 0);
    EXPECT_EQ(KAsfRotation::IndexOfDofs(kMoves, 3), 0);
    EXPECT_EQ(KAsfRotation::IndexOfDofs(kMixed, 4), 4);
}

TEST(KAsfRotation, ChannelSwapPutsOrderedAnglesInXyzPlaces)
{
    const KVector4 lOrdered(1.0, 2.0, 3.0);
    const double kExpected[6][3] = {{1, 2, 3}, {1, 3, 2}, {3, 1, 2},
                                    {2, 1, 3}, {2, 3, 1}, {3, 2, 1}};
    for (int i = 0; i < 6; ++i) {
        double lXyz[3];
        KAsfRotation::SwapChannels(lXyz, lOrdered, 2 * i);
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(lXyz[c], kExpected[i][c]) << "index " << 2 * i;
        }
    }
    double lOdd[3];
    KAsfRotation::SwapChannels(lOdd, lOrdered, 5);
    EXPECT_EQ(lOdd[2], 3.0);
}

TEST(KAsfRotation, MatrixToAnglesInvertsEveryOrder)
{
    const double lAngles[3] = {-23.0, 41.0, 77.0};
    for (int lIndex = 0; lIndex < 12; lIndex += 2) {
        KMatrix lMatrix;
        ASSERT_TRUE(KAsfRotation::AnglesToMatrix(lMatrix, lAngles, lIndex));
        double lBack[3];
        ASSERT_TRUE(KAsfRotation::MatrixToAngles(lBack, lMatrix, lIndex));
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(lBack[c], lAngles[c], 1e-9) << "index " << lIndex;
        }
    }
    KMatrix lMatrix;
    EXPECT_FALSE(KAsfRotation::AnglesToMatrix(lMatrix, lAngles, 3));
    EXPECT_FALSE(KAsfRotation::AnglesToMatrix(lMatrix, lAngles, 12));
}

} // namespace
