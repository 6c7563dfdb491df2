#include "formats/motion/htr/KHtrAffineBlock.h"

#include "core/KMatrix.h"
#include "core/KMatrixFunctions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>

namespace {

constexpr int kFrames = KHtrAffineBlock::kFrames;

double Uniform(std::mt19937& ioRandom, double pRange)
{
    return (ioRandom() / 4294967295.0 * 2.0 - 1.0) * pRange;
}

bool SameBits(double pA, double pB)
{
    return std::memcmp(&pA, &pB, sizeof pA) == 0;
}

// A matrix of every kind the offset pass may meet: turned, scaled (also by 0 or a mirroring
// scale), at the gimbal lock of the Euler X, Y, Z angles, with zeros of either sign.
KHtrAffine RandomAffine(std::mt19937& ioRandom)
{
    const std::uint32_t lKind = ioRandom() % 8;
    const double lY = lKind == 0 ? 90.0 : (lKind == 1 ? -90.0 : Uniform(ioRandom, 90.0));
    KVector4 lScale(1.0, 1.0, 1.0);
    if (lKind == 2) {
        lScale = KVector4(1.0 + Uniform(ioRandom, 0.5), 1.0 + Uniform(ioRandom, 0.5), 2.0);
    } else if (lKind == 3) {
        lScale = KVector4(1.0, -1.0, 1.0);
    } else if (lKind == 4) {
        lScale = KVector4(1.0, 0.0, 1.0);
    }
    KMatrix lMatrix;
    MatrixSetTRS(
        lMatrix,
        KVector4(Uniform(ioRandom, 50.0), Uniform(ioRandom, 50.0), Uniform(ioRandom, 50.0)),
        KVector4(Uniform(ioRandom, 180.0), lY, Uniform(ioRandom, 180.0)), lScale);
    if (lKind == 5) {
        const std::uint32_t lZero = ioRandom() % 12;
        lMatrix[lZero / 3][lZero % 3] = (lZero % 2) ? -0.0 : 0.0;
    }
    return KHtrAffine::FromMatrix(lMatrix);
}

KMatrix Matrix(const KHtrAffine& pAffine)
{
    KMatrix lMatrix;
    pAffine.ToMatrix(lMatrix);
    return lMatrix;
}

// The axes and translation rows bit for bit.
::testing::AssertionResult SameAffine(const KHtrAffine& pGot, const KMatrix& pMatrix)
{
    const KHtrAffine lWant = KHtrAffine::FromMatrix(pMatrix);
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            if (!SameBits(pGot.mAxes[r][c], lWant.mAxes[r][c])) {
                return ::testing::AssertionFailure()
                       << "axis " << r << ", " << c << ": " << pGot.mAxes[r][c] << " vs "
                       << lWant.mAxes[r][c];
            }
        }
        if (!SameBits(pGot.mTranslation[r], lWant.mTranslation[r])) {
            return ::testing::AssertionFailure() << "translation " << r;
        }
    }
    return ::testing::AssertionSuccess();
}

std::unique_ptr<KHtrAffineBlock> RandomBlock(std::mt19937& ioRandom)
{
    auto lBlock = std::make_unique<KHtrAffineBlock>();
    for (int f = 0; f < kFrames; ++f) {
        lBlock->Set(f, RandomAffine(ioRandom));
    }
    return lBlock;
}

} // namespace

TEST(KHtrAffineBlock, ProductsAndInverseGiveEveryFrameTheBitsOfThe4x4Form)
{
    std::mt19937 lRandom(11);
    for (int lRound = 0; lRound < 40 && !HasFailure(); ++lRound) {
        const auto lFirst = RandomBlock(lRandom);
        const auto lThen = RandomBlock(lRandom);
        const KHtrAffine lFixed = RandomAffine(lRandom);
        auto lProduct = std::make_unique<KHtrAffineBlock>();
        auto lFixedProduct = std::make_unique<KHtrAffineBlock>();
        auto lInverse = std::make_unique<KHtrAffineBlock>();
        auto lAxesProduct = std::make_unique<KHtrAffineBlock>();
        KHtrAffineBlock::MultiplyAxes(*lAxesProduct, *lFirst, lFixed);
        KHtrAffineBlock::Multiply(*lProduct, *lFirst, *lThen);
        KHtrAffineBlock::Multiply(*lFixedProduct, lFixed, *lThen);
        KHtrAffineBlock::Inverse(*lInverse, *lFirst);
        for (int f = 0; f < kFrames; ++f) {
            const KMatrix lFirstMatrix = Matrix(lFirst->Get(f));
            const KMatrix lThenMatrix = Matrix(lThen->Get(f));
            KMatrix lWant;
            MatrixMultiplyAffine(lWant, lThenMatrix, lFirstMatrix);
            EXPECT_TRUE(SameAffine(lProduct->Get(f), lWant)) << "product, frame " << f;
            MatrixMultiplyAffine(lWant, lThenMatrix, Matrix(lFixed));
            EXPECT_TRUE(SameAffine(lFixedProduct->Get(f), lWant)) << "fixed product, frame " << f;
            // The axes alone, the fixed matrix applying last.
            KMatrix lAxes = Matrix(lAxesProduct->Get(f));
            MatrixMultiply3x3(lAxes, Matrix(lFixed), lFirstMatrix);
            EXPECT_TRUE(SameAffine(lAxesProduct->Get(f), lAxes)) << "axes, frame " << f;
            MatrixInverseAffine(lWant, lFirstMatrix);
            EXPECT_TRUE(SameAffine(lInverse->Get(f), lWant)) << "inverse, frame " << f;
        }
    }
}

TEST(KHtrAffineBlock, IdentityInverseAndAZeroAxis)
{
    // The identity's inverse has the translation -(0 + 0 + 0), a negative zero, as in the 4x4
    // form; an axis of length 0 gives a zero column rather than a division by zero.
    auto lSource = std::make_unique<KHtrAffineBlock>();
    lSource->Fill(KHtrAffine::Identity());
    KHtrAffine lFlat = KHtrAffine::Identity();
    lFlat.mAxes[1][0] = lFlat.mAxes[1][1] = lFlat.mAxes[1][2] = 0.0;
    lFlat.mTranslation[1] = 4.0;
    lSource->Set(1, lFlat);
    // Elements whose squares vanish, of either sign, and a length that is not a number.
    KHtrAffine lTiny = KHtrAffine::Identity();
    lTiny.mAxes[0][0] = -1e-200;
    lTiny.mAxes[0][1] = 1e-200;
    lTiny.mAxes[2][2] = std::nan("");
    lSource->Set(2, lTiny);
    auto lInverse = std::make_unique<KHtrAffineBlock>();
    KHtrAffineBlock::Inverse(*lInverse, *lSource);
    KMatrix lWant;
    MatrixInverseAffine(lWant, KMatrix());
    EXPECT_TRUE(SameAffine(lInverse->Get(0), lWant));
    EXPECT_TRUE(std::signbit(lInverse->Get(0).mTranslation[0]));
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(lInverse->Get(1).mAxes[r][1], 0.0);
    }
    EXPECT_EQ(lInverse->Get(1).mTranslation[1], 0.0);
    for (int r = 0; r < 3; ++r) {
        EXPECT_TRUE(SameBits(lInverse->Get(2).mAxes[r][0], 0.0)) << r;
        EXPECT_TRUE(SameBits(lInverse->Get(2).mAxes[r][2], 0.0)) << r;
    }
}

// The angles are the core functions' (the C library's arc tangents) within a few ulps: the block
// turns them through the motion formats' own functions.
TEST(KHtrAffineBlock, AnglesWithAndWithoutScaleAreThoseOfTheCoreFunctions)
{
    std::mt19937 lRandom(12);
    for (int lRound = 0; lRound < 40 && !HasFailure(); ++lRound) {
        const auto lBlock = RandomBlock(lRandom);
        // Only the frames asked for are written.
        const int lCount = kFrames - lRound % 3;
        double lAngles[3][kFrames];
        for (double(&lAxis)[kFrames] : lAngles) {
            std::fill(std::begin(lAxis), std::end(lAxis), 1234.5);
        }
        double lScaled[3][kFrames];
        for (double(&lAxis)[kFrames] : lScaled) {
            std::fill(std::begin(lAxis), std::end(lAxis), 1234.5);
        }
        lBlock->ToEulerUnscaled(lCount, lAngles);
        lBlock->ToEulerXYZ(lCount, lScaled);
        for (int f = 0; f < kFrames; ++f) {
            KVector4 lWant;
            MatrixToEulerUnscaled(lWant, Matrix(lBlock->Get(f)));
            KVector4 lWantScaled;
            MatrixToEulerXYZ(lWantScaled, Matrix(lBlock->Get(f)));
            for (int i = 0; i < 3; ++i) {
                EXPECT_NEAR(lAngles[i][f], f < lCount ? lWant[i] : 1234.5, 1e-12)
                    << "frame " << f << ", angle " << i;
                EXPECT_NEAR(lScaled[i][f], f < lCount ? lWantScaled[i] : 1234.5, 1e-12)
                    << "frame " << f << ", angle " << i << " as it stands";
            }
        }
    }
}
