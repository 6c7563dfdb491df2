#include "formats/motion/htr/KHtrLaneBound.h"

#include "core/KMatrix.h"
#include "core/KMatrixFunctions.h"
#include "tests/support/TestSequence.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int kFrames = KHtrLaneBound::kFrames;

KHtrAffine Diagonal(double pX, double pY, double pZ)
{
    KHtrAffine lAffine = KHtrAffine::Identity();
    lAffine.mAxes[0][0] = pX;
    lAffine.mAxes[1][1] = pY;
    lAffine.mAxes[2][2] = pZ;
    return lAffine;
}

TEST(KHtrLaneBound, FixedMatricesGetTheirSingularValues)
{
    struct Case
    {
        KHtrAffine mAffine;
        double mLargest;
        double mSmallest;
    };
    KMatrix lTurn;
    EulerToMatrixXYZ(lTurn, 30.0, -70.0, 145.0);
    const Case lCases[] = {
        {KHtrAffine::Identity(), 1.0, 1.0},   {Diagonal(2.0, 0.5, 1.0), 2.0, 0.5},
        {Diagonal(1.0, -1.0, 1.0), 1.0, 1.0}, {KHtrAffine::FromMatrix(lTurn), 1.0, 1.0},
        {Diagonal(3.0, 0.0, 1.0), 3.0, 0.0},
    };
    for (const Case& lCase : lCases) {
        const KHtrLaneBound lBound = KHtrLaneBound::Fixed(lCase.mAffine);
        EXPECT_GE(lBound.mNorm, lCase.mLargest);
        EXPECT_LE(lBound.mNorm, lCase.mLargest * (1.0 + 1e-13));
        EXPECT_LE(lBound.mFloor, lCase.mSmallest);
        EXPECT_GE(lBound.mFloor, lCase.mSmallest * (1.0 - 1e-13));
        EXPECT_EQ(lBound.mAxes, 0.0);
    }
    const KHtrLaneBound lNaN =
        KHtrLaneBound::Fixed(Diagonal(1.0, std::numeric_limits<double>::quiet_NaN(), 1.0));
    EXPECT_FALSE(std::isfinite(lNaN.mAxes));
}

// A block of library matrices: turns scaled by pScale (mirrored when negative), translations up
// to 100. Its bound states singular values of |pScale| and no error.
void LibraryBlock(TestSequence& ioRandom, double pScale, KHtrAffineBlock& oBlock,
                  KHtrLaneBound& oBound)
{
    for (int f = 0; f < kFrames; ++f) {
        double lAxes[3][3];
        EulerToAxesXYZ(lAxes, ioRandom.Between(-180.0, 180.0), ioRandom.Between(-90.0, 90.0),
                       ioRandom.Between(-180.0, 180.0));
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) {
                oBlock.mAxes[r][c][f] = lAxes[r][c] * (r == 1 ? pScale : std::fabs(pScale));
            }
            oBlock.mTranslation[r][f] = ioRandom.Between(-100.0, 100.0);
        }
    }
    oBound = KHtrLaneBound::Turns(0.0);
    oBound.mNorm *= std::fabs(pScale);
    oBound.mFloor *= std::fabs(pScale);
}

// pLibrary moved by at most pAxes / 3 per axis element (a spectral norm of at most pAxes) and
// pTranslation / 2 per translation element; the bound says so.
void Perturbed(TestSequence& ioRandom, const KHtrAffineBlock& pLibrary, double pAxes,
               double pTranslation, KHtrAffineBlock& oQuick, KHtrLaneBound& ioBound)
{
    for (int f = 0; f < kFrames; ++f) {
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) {
                oQuick.mAxes[r][c][f] =
                    pLibrary.mAxes[r][c][f] + ioRandom.Between(-1.0, 1.0) * pAxes / 3.0;
            }
            oQuick.mTranslation[r][f] =
                pLibrary.mTranslation[r][f] + ioRandom.Between(-1.0, 1.0) * pTranslation / 2.0;
        }
        ioBound.mTranslation[f] = pTranslation;
    }
    ioBound.mAxes = pAxes;
}

// The largest axis element difference, and frame by frame the translation's.
double Differences(const KHtrAffineBlock& pA, const KHtrAffineBlock& pB, double oTranslation[])
{
    double lLargest = 0.0;
    for (int f = 0; f < kFrames; ++f) {
        double lLength2 = 0.0;
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) {
                lLargest = std::max(lLargest, std::fabs(pA.mAxes[r][c][f] - pB.mAxes[r][c][f]));
            }
            const double lDifference = pA.mTranslation[r][f] - pB.mTranslation[r][f];
            lLength2 += lDifference * lDifference;
        }
        oTranslation[f] = std::sqrt(lLength2);
    }
    return lLargest;
}

// Operands that lie within their bounds of the library's give results within the bounds of the
// operations, for turns, scaled and mirrored turns, and errors from the roundings' size to large.
TEST(KHtrLaneBound, ResultsLieWithinTheirBounds)
{
    TestSequence lRandom(21);
    const double lScales[] = {1.0, -1.0, 0.5, 2.0};
    const double lErrors[] = {0.0, 1e-15, 1e-12, 1e-6};
    for (const double lScale : lScales) {
        for (const double lError : lErrors) {
            KHtrAffineBlock lA, lB, lQuickA, lQuickB;
            KHtrLaneBound lBoundA, lBoundB;
            LibraryBlock(lRandom, lScale, lA, lBoundA);
            LibraryBlock(lRandom, 1.0, lB, lBoundB);
            Perturbed(lRandom, lA, lError, 100.0 * lError, lQuickA, lBoundA);
            Perturbed(lRandom, lB, lError, 100.0 * lError, lQuickB, lBoundB);
            double lSizesA[kFrames], lSizesB[kFrames], lTranslation[kFrames];
            KHtrLaneBound::TranslationSizes(lQuickA, lSizesA);
            KHtrLaneBound::TranslationSizes(lQuickB, lSizesB);

            KHtrAffineBlock lProduct, lQuickProduct;
            KHtrAffineBlock::Multiply(lProduct, lA, lB);
            KHtrAffineBlock::Multiply(lQuickProduct, lQuickA, lQuickB);
            const KHtrLaneBound lProductBound =
                KHtrLaneBound::Multiply(lBoundA, lSizesA, lBoundB, lSizesB);
            EXPECT_LE(Differences(lProduct, lQuickProduct, lTranslation), lProductBound.mAxes);
            for (int f = 0; f < kFrames; ++f) {
                EXPECT_LE(lTranslation[f], lProductBound.mTranslation[f]);
            }

            KHtrAffineBlock lInverse, lQuickInverse;
            KHtrAffineBlock::Inverse(lInverse, lA);
            KHtrAffineBlock::Inverse(lQuickInverse, lQuickA);
            const KHtrLaneBound lInverseBound = KHtrLaneBound::Inverse(lBoundA, lSizesA);
            EXPECT_LE(Differences(lInverse, lQuickInverse, lTranslation), lInverseBound.mAxes);
            for (int f = 0; f < kFrames; ++f) {
                EXPECT_LE(lTranslation[f], lInverseBound.mTranslation[f]);
            }

            KHtrEulerAxesBlock lUnscaled, lQuickUnscaled;
            lA.Unscaled(lUnscaled);
            lQuickA.Unscaled(lQuickUnscaled);
            double lLargest = 0.0;
            for (int f = 0; f < kFrames; ++f) {
                for (int c = 0; c < 3; ++c) {
                    lLargest = std::max(
                        lLargest, std::fabs(lUnscaled.mRow0[c][f] - lQuickUnscaled.mRow0[c][f]));
                    lLargest = std::max(
                        lLargest, std::fabs(lUnscaled.mRow1[c][f] - lQuickUnscaled.mRow1[c][f]));
                }
                lLargest = std::max(lLargest, std::fabs(lUnscaled.mZ2[f] - lQuickUnscaled.mZ2[f]));
            }
            EXPECT_LE(lLargest, lBoundA.Unscaled()) << lScale << " " << lError;
        }
    }
}

TEST(KHtrLaneBound, NoBoundWhereTheLibraryMayDivideByZero)
{
    KHtrLaneBound lSingular = KHtrLaneBound::Fixed(Diagonal(1.0, 0.0, 1.0));
    const double lNoSizes[kFrames] = {};
    EXPECT_FALSE(std::isfinite(KHtrLaneBound::Inverse(lSingular, lNoSizes).mAxes));
    EXPECT_FALSE(std::isfinite(lSingular.Unscaled()));
    // A turn whose error reaches its smallest singular value.
    KHtrLaneBound lLost = KHtrLaneBound::Turns(0.5);
    EXPECT_FALSE(std::isfinite(lLost.Unscaled()));
    EXPECT_FALSE(std::isfinite(KHtrLaneBound::Inverse(lLost, lNoSizes).mTranslation[0]));
    // Every bound built on an unbounded operand is unbounded.
    const KHtrLaneBound lProduct = KHtrLaneBound::Multiply(
        KHtrLaneBound::Inverse(lSingular, lNoSizes), lNoSizes, KHtrLaneBound::Turns(0.0), lNoSizes);
    EXPECT_FALSE(std::isfinite(lProduct.mAxes));
    EXPECT_FALSE(std::isfinite(lProduct.mTranslation[kFrames - 1]));
}

} // namespace
