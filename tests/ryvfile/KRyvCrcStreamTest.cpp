#include "ryvfile/KRyvFile.h"
#include "ryvfile/KRyvStream.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Several read pieces of a megabyte, so that the CRC is taken on across pieces.
constexpr std::size_t kValueCount = 400000;

std::vector<std::uint8_t> LargeFile(bool pAscii)
{
    KRyvFile lFile;
    lFile.Create(6000, pAscii, nullptr);
    lFile.FieldWriteBegin("Big");
    lFile.FieldWriteArray(std::vector<double>(kValueCount, 0.125));
    lFile.FieldWriteEnd();
    KRyvMemoryStream lStream;
    EXPECT_TRUE(lFile.Save(lStream));
    return lStream.GetBytes();
}

// -1 when the file opens, else its error.
int OpenError(const std::vector<std::uint8_t>& pBytes)
{
    KRyvFile lFile;
    KRyvMemoryStream lStream(pBytes);
    return lFile.Open(lStream) ? -1 : lFile.GetError().GetLastErrorID();
}

class KRyvCrcStreamTest : public ::testing::TestWithParam<bool>
{
};

TEST_P(KRyvCrcStreamTest, AChangedByteAnywhereTheCrcCoversIsFound)
{
    const std::vector<std::uint8_t> lBytes = LargeFile(GetParam());
    ASSERT_GT(lBytes.size(), std::size_t(2) << 20);
    EXPECT_EQ(OpenError(lBytes), -1);
    // Early, in a later piece, and the last covered bytes, which arrive with the tail.
    const std::size_t lTail = GetParam() ? 18 : 12;
    for (const std::size_t lAt : {std::size_t(30), (std::size_t(3) << 19) + 3,
                                  lBytes.size() - lTail - 1, lBytes.size() - lTail - 7}) {
        std::vector<std::uint8_t> lChanged = lBytes;
        lChanged[lAt] ^= 0x04;
        EXPECT_EQ(OpenError(lChanged), KRyvFile::kFileCorrupted) << lAt;
    }
}

INSTANTIATE_TEST_SUITE_P(Forms, KRyvCrcStreamTest, ::testing::Values(false, true));

} // namespace
