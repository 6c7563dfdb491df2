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

TEST(KHtrAffine, TurnsGiveTheBitsOfTheCoreFunction)
{
    std::mt19937 lRandom(13);
    for (int i = 0; i < 20000 && !HasFailure(); ++i) {
        const double lX = Uniform(lRandom, 180.0);
        const double lY = i % 7 == 0 ? 90.0 * (i % 2 ? 1 : -1) : Uniform(lRandom, 90.0);
        const double lZ = Uniform(lRandom, 180.0);
        KHtrAffine lTurn = KHtrAffine::Identity();
        lTurn.SetEulerXYZ(lX, lY, lZ);
        KMatrix lWant;
        EulerToMatrixXYZ(lWant, lX, lY, lZ);
        ExpectSameBits(lTurn, lWant);
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

} // namespace
