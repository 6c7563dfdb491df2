#include "formats/motion/htr/KHtrAffine.h"

#include "core/KMatrix.h"
#include "core/KMatrixFunctions.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>

namespace {

double Uniform(std::mt19937& ioRandom, double pRange)
{
    return (ioRandom() / 4294967295.0 * 2.0 - 1.0) * pRange;
}

// A turned, scaled and moved matrix; a few elements are zeros of either sign, whose sign a
// product of the 4x4 form keeps or loses in its own way.
KMatrix RandomAffine(std::mt19937& ioRandom)
{
    auto lNumber = [&ioRandom](double pRange) {
        return (ioRandom() / 4294967295.0 * 2.0 - 1.0) * pRange;
    };
    KMatrix lMatrix;
    MatrixSetTRS(lMatrix, KVector4(lNumber(50.0), lNumber(50.0), lNumber(50.0)),
                 KVector4(lNumber(180.0), lNumber(90.0), lNumber(180.0)),
                 KVector4(1.0 + lNumber(0.5), 1.0 + lNumber(0.5), 1.0 + lNumber(0.5)));
    const std::uint32_t lZero = ioRandom() % 24;
    if (lZero < 12) {
        lMatrix[lZero / 3][lZero % 3] = (lZero % 2) ? -0.0 : 0.0;
    }
    return lMatrix;
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

TEST(KHtrAffine, TurnsAndAnglesGiveTheBitsOfTheCoreFunctions)
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

        const KHtrAffine lAny = KHtrAffine::FromMatrix(RandomAffine(lRandom));
        KMatrix lMatrix;
        lAny.ToMatrix(lMatrix);
        KVector4 lWantAngles;
        MatrixToEulerXYZ(lWantAngles, lMatrix);
        double lAngles[3];
        lAny.ToEulerXYZ(lAngles);
        for (int a = 0; a < 3; ++a) {
            EXPECT_EQ(std::memcmp(&lAngles[a], &lWantAngles[a], sizeof(double)), 0) << a;
        }
        KHtrAffine lProduct = lAny;
        KHtrAffine::MultiplyAxes(lProduct, lTurn, lAny);
        MatrixMultiply3x3(lWant, lMatrix, lWant);
        lWant[3][0] = lAny.mTranslation[0];
        lWant[3][1] = lAny.mTranslation[1];
        lWant[3][2] = lAny.mTranslation[2];
        ExpectSameBits(lProduct, lWant);
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
