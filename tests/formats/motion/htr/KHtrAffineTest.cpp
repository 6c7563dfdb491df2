#include "formats/motion/htr/KHtrAffine.h"

#include "core/KMatrix.h"
#include "core/KMatrixFunctions.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace {

double Uniform(std::mt19937& ioRandom, double pRange)
{
    return (ioRandom() / 4294967295.0 * 2.0 - 1.0) * pRange;
}

// The axes and translation rows bit for bit.
void ExpectSameBits(const KHtrAffine& pAffine, const KMatrix& pMatrix)
{
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 3; ++c) {
            const double lAffine = r < 3 ? pAffine.mAxes[r][c] : pAffine.mTranslation[c];
            EXPECT_EQ(std::memcmp(&lAffine, &pMatrix[r][c], sizeof lAffine), 0)
                << r << ", " << c << ": " << lAffine << " vs " << pMatrix[r][c];
        }
    }
}

TEST(KHtrAffine, MatrixFormKeepsTheFourthColumn)
{
    KMatrix lBack;
    KHtrAffine lMoved = KHtrAffine::Identity();
    lMoved.mTranslation[2] = 7.5;
    lMoved.ToMatrix(lBack);
    EXPECT_EQ(lBack[3][2], 7.5);
    EXPECT_EQ(lBack[3][3], 1.0);
}

TEST(KHtrAffine, TurnedScaledAndMovedMatricesGoThroughBitForBit)
{
    std::mt19937 lRandom(13);
    for (int i = 0; i < 200 && !HasFailure(); ++i) {
        KMatrix lMatrix;
        MatrixSetTRS(
            lMatrix,
            KVector4(Uniform(lRandom, 50.0), Uniform(lRandom, 50.0), Uniform(lRandom, 50.0)),
            KVector4(Uniform(lRandom, 180.0), Uniform(lRandom, 90.0), Uniform(lRandom, 180.0)),
            KVector4(1.0 + Uniform(lRandom, 0.5), -1.0, 1.0 + Uniform(lRandom, 0.5)));
        lMatrix[i % 3][i % 2] = (i % 4 == 0) ? -0.0 : lMatrix[i % 3][i % 2];
        const KHtrAffine lAffine = KHtrAffine::FromMatrix(lMatrix);
        ExpectSameBits(lAffine, lMatrix);
        KMatrix lBack;
        for (int r = 0; r < 4; ++r) {
            lBack[r][3] = 10.0 + r;
        }
        lAffine.ToMatrix(lBack);
        ExpectSameBits(lAffine, lBack);
        for (int r = 0; r < 4; ++r) {
            EXPECT_EQ(lBack[r][3], 10.0 + r);
        }
    }
}

} // namespace
