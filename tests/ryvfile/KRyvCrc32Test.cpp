#include "ryvfile/KRyvCrc32.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>
#include <zlib.h>

namespace {

std::vector<std::uint8_t> RandomBytes(std::size_t pSize, unsigned pSeed)
{
    std::mt19937 lRandom(pSeed);
    std::vector<std::uint8_t> lBytes(pSize);
    for (std::uint8_t& lByte : lBytes) {
        lByte = static_cast<std::uint8_t>(lRandom());
    }
    return lBytes;
}

std::uint32_t Zlib(std::uint32_t pCrc, const std::uint8_t* pBytes, std::size_t pSize)
{
    return static_cast<std::uint32_t>(crc32(pCrc, pBytes, static_cast<uInt>(pSize)));
}

TEST(KRyvCrc32, TheCheckValueOfTheNineDigits)
{
    const char kDigits[] = "123456789";
    EXPECT_EQ(KRyvCrc32::Update(0, reinterpret_cast<const std::uint8_t*>(kDigits), 9), 0xCBF43926u);
    EXPECT_EQ(KRyvCrc32::Update(0x1234u, nullptr, 0), 0x1234u);
}

// Every length up to several of the widest blocks, at every alignment, from a start of 0 and from
// a running value: the folded bulk, the blocks and lanes after it and the bytes left to the table
// all agree.
TEST(KRyvCrc32, AgreesWithZlibAtEveryLengthAndAlignment)
{
    constexpr std::size_t kLongest = 1100;
    const std::vector<std::uint8_t> lBytes = RandomBytes(kLongest, 7);
    for (std::size_t lOffset = 0; lOffset < 16; ++lOffset) {
        for (std::size_t lSize = 0; lSize + lOffset <= kLongest; ++lSize) {
            const std::uint8_t* lStart = lBytes.data() + lOffset;
            ASSERT_EQ(KRyvCrc32::Update(0, lStart, lSize), Zlib(0, lStart, lSize))
                << lOffset << "+" << lSize;
            ASSERT_EQ(KRyvCrc32::Update(0xDEADBEEFu, lStart, lSize),
                      Zlib(0xDEADBEEFu, lStart, lSize))
                << lOffset << "+" << lSize;
        }
    }
}

// A few megabytes, whole and cut into uneven pieces, as a read takes it on piece by piece.
TEST(KRyvCrc32, PiecesGiveTheCrcOfTheWhole)
{
    const std::vector<std::uint8_t> lBytes = RandomBytes((std::size_t(3) << 20) + 77, 11);
    const std::uint32_t lWhole = Zlib(0, lBytes.data(), lBytes.size());
    EXPECT_EQ(KRyvCrc32::Update(0, lBytes.data(), lBytes.size()), lWhole);
    std::uint32_t lCrc = 0;
    std::size_t lAt = 0;
    for (std::size_t lPiece = 1; lAt < lBytes.size(); lPiece = lPiece * 3 + 5) {
        const std::size_t lSize = std::min(lPiece, lBytes.size() - lAt);
        lCrc = KRyvCrc32::Update(lCrc, lBytes.data() + lAt, lSize);
        lAt += lSize;
    }
    EXPECT_EQ(lCrc, lWhole);
    // All zeros and all ones, where a wrong constant would still cancel out in random data less
    // often than here.
    for (const std::uint8_t lFill : {std::uint8_t(0), std::uint8_t(0xff)}) {
        const std::vector<std::uint8_t> lSame(4096 + 48, lFill);
        EXPECT_EQ(KRyvCrc32::Update(0, lSame.data(), lSame.size()),
                  Zlib(0, lSame.data(), lSame.size()));
    }
}

} // namespace
