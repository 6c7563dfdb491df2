#include "formats/motion/c3d/KC3dEncoding.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

namespace {

TEST(KC3dEncoding, DecBytesOfKnownValues)
{
    std::uint8_t lBytes[4];
    ASSERT_TRUE(KC3dEncoding::WriteDecFloat(lBytes, 1.0));
    EXPECT_EQ(std::vector<int>(lBytes, lBytes + 4), (std::vector<int>{0x80, 0x40, 0x00, 0x00}));
    ASSERT_TRUE(KC3dEncoding::WriteDecFloat(lBytes, -1.0));
    EXPECT_EQ(std::vector<int>(lBytes, lBytes + 4), (std::vector<int>{0x80, 0xC0, 0x00, 0x00}));
    ASSERT_TRUE(KC3dEncoding::WriteDecFloat(lBytes, 0.0));
    EXPECT_EQ(std::vector<int>(lBytes, lBytes + 4), (std::vector<int>{0, 0, 0, 0}));
    // The integer scale: IEEE bits 0x3E1460BE, DEC exponent two higher.
    ASSERT_TRUE(KC3dEncoding::WriteDecFloat(lBytes, 0.14490029));
    EXPECT_EQ(std::vector<int>(lBytes, lBytes + 4), (std::vector<int>{0x14, 0x3F, 0xBE, 0x60}));
    const std::uint8_t kIntel[4] = {0xBE, 0x60, 0x14, 0x3E};
    EXPECT_FLOAT_EQ(static_cast<float>(KC3dEncoding::ReadFloat(kIntel, KC3dEncoding::eIntel)),
                    0.14490029f);
    const std::uint8_t kMips[4] = {0x3E, 0x14, 0x60, 0xBE};
    EXPECT_FLOAT_EQ(static_cast<float>(KC3dEncoding::ReadFloat(kMips, KC3dEncoding::eMips)),
                    0.14490029f);
}

TEST(KC3dEncoding, WordsInEachByteOrder)
{
    const std::uint8_t kBytes[2] = {0x02, 0x50};
    EXPECT_EQ(KC3dEncoding::ReadWord(kBytes, KC3dEncoding::eIntel), 0x5002);
    EXPECT_EQ(KC3dEncoding::ReadWord(kBytes, KC3dEncoding::eDec), 0x5002);
    EXPECT_EQ(KC3dEncoding::ReadWord(kBytes, KC3dEncoding::eMips), 0x0250);
    const std::uint8_t kNegative[2] = {0xFF, 0xFE};
    EXPECT_EQ(KC3dEncoding::ReadInt16(kNegative, KC3dEncoding::eMips), -2);
    EXPECT_EQ(KC3dEncoding::FromByte(84), KC3dEncoding::eIntel);
    EXPECT_EQ(KC3dEncoding::FromByte(85), KC3dEncoding::eDec);
    EXPECT_EQ(KC3dEncoding::FromByte(86), KC3dEncoding::eMips);
    EXPECT_EQ(KC3dEncoding::FromByte(0), KC3dEncoding::eIntel);
}

TEST(KC3dEncoding, DecRoundTripsEveryFloatItHolds)
{
    std::mt19937 lRandom(7);
    std::uniform_real_distribution<double> lMantissa(-1.0, 1.0);
    std::uniform_int_distribution<int> lExponent(-100, 120);
    for (int i = 0; i < 20000; ++i) {
        const double lValue =
            static_cast<float>(std::ldexp(lMantissa(lRandom), lExponent(lRandom)));
        std::uint8_t lBytes[4];
        ASSERT_TRUE(KC3dEncoding::WriteDecFloat(lBytes, lValue));
        EXPECT_EQ(KC3dEncoding::ReadFloat(lBytes, KC3dEncoding::eDec), lValue);
    }
    // DEC reaches just below 2^127, beyond IEEE's float range of 4 * value.
    const double lLarge = std::ldexp(1.5, 126);
    std::uint8_t lBytes[4];
    ASSERT_TRUE(KC3dEncoding::WriteDecFloat(lBytes, lLarge));
    EXPECT_EQ(KC3dEncoding::ReadFloat(lBytes, KC3dEncoding::eDec), lLarge);
}

TEST(KC3dEncoding, DecRefusesWhatItCannotHold)
{
    std::uint8_t lBytes[4] = {1, 2, 3, 4};
    EXPECT_FALSE(KC3dEncoding::WriteDecFloat(lBytes, std::nan("")));
    EXPECT_FALSE(KC3dEncoding::WriteDecFloat(lBytes, INFINITY));
    EXPECT_FALSE(KC3dEncoding::WriteDecFloat(lBytes, -INFINITY));
    EXPECT_FALSE(KC3dEncoding::WriteDecFloat(lBytes, std::ldexp(1.0, 127)));
    EXPECT_EQ(lBytes[0], 1);
    // Too small for DEC: written as 0.
    ASSERT_TRUE(KC3dEncoding::WriteDecFloat(lBytes, std::ldexp(1.0, -140)));
    EXPECT_EQ(KC3dEncoding::ReadFloat(lBytes, KC3dEncoding::eDec), 0.0);
    // Exponent 0 with the sign set is DEC's reserved operand.
    const std::uint8_t kReserved[4] = {0x00, 0x80, 0x00, 0x00};
    EXPECT_TRUE(std::isnan(KC3dEncoding::ReadFloat(kReserved, KC3dEncoding::eDec)));
}

} // namespace
