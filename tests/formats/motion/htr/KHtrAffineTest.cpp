#include "formats/motion/htr/KHtrAffine.h"

#include "core/KMatrix.h"
#include "core/KMatrixFunctions.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>

namespace {

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

TEST(KHtrAffine, ProductsAndInverseGiveTheBitsOfThe4x4Form)
{
    std::mt19937 lRandom(3);
    for (int i = 0; i < 2000; ++i) {
        const KMatrix lFirst = RandomAffine(lRandom);
        const KMatrix lThen = RandomAffine(lRandom);
        KHtrAffine lProduct;
        KHtrAffine::Multiply(lProduct, KHtrAffine::FromMatrix(lFirst),
                             KHtrAffine::FromMatrix(lThen));
        KMatrix lExpected;
        MatrixMultiplyAffine(lExpected, lThen, lFirst);
        ExpectSameBits(lProduct, lExpected);

        KHtrAffine lInverse;
        KHtrAffine::Inverse(lInverse, KHtrAffine::FromMatrix(lFirst));
        MatrixInverseAffine(lExpected, lFirst);
        ExpectSameBits(lInverse, lExpected);
        if (HasFailure()) {
            return;
        }
    }
}

TEST(KHtrAffine, IdentityInverseAndAZeroAxis)
{
    // The identity's inverse has the translation -(0 + 0 + 0), a negative zero, as in the 4x4
    // form; an axis of length 0 gives a zero column rather than a division by zero.
    KHtrAffine lInverse;
    KHtrAffine::Inverse(lInverse, KHtrAffine::Identity());
    ExpectSameBits(lInverse, [] {
        KMatrix lExpected;
        MatrixInverseAffine(lExpected, KMatrix());
        return lExpected;
    }());
    EXPECT_TRUE(std::signbit(lInverse.mTranslation[0]));

    KHtrAffine lFlat = KHtrAffine::Identity();
    lFlat.mAxes[1][0] = lFlat.mAxes[1][1] = lFlat.mAxes[1][2] = 0.0;
    lFlat.mTranslation[1] = 4.0;
    KHtrAffine::Inverse(lInverse, lFlat);
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(lInverse.mAxes[r][1], 0.0);
    }
    EXPECT_EQ(lInverse.mTranslation[1], 0.0);

    KMatrix lBack;
    KHtrAffine lMoved = KHtrAffine::Identity();
    lMoved.mTranslation[2] = 7.5;
    lMoved.ToMatrix(lBack);
    EXPECT_EQ(lBack[3][2], 7.5);
    EXPECT_EQ(lBack[3][3], 1.0);
}

} // namespace
