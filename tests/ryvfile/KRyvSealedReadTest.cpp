#include "ryvfile/KRyvFile.h"
#include "ryvfile/KRyvStream.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr char kPassword[] = "in place";
// More than a few chunks.
constexpr std::size_t kValueCount = 50000;

std::vector<std::uint8_t> SealedFile()
{
    KRyvFile lFile;
    lFile.Create(6000, false, kPassword);
    lFile.FieldWriteBegin("Big");
    lFile.FieldWriteArray(std::vector<std::int64_t>(kValueCount, 42));
    lFile.FieldWriteEnd();
    KRyvMemoryStream lStream;
    EXPECT_TRUE(lFile.Save(lStream));
    return lStream.GetBytes();
}

bool ReadsTheArray(KRyvFile& ioFile, const char* pPassword)
{
    if (!ioFile.ReadBody(pPassword) || !ioFile.FieldReadBegin("Big")) {
        return false;
    }
    std::vector<std::int64_t> lValues;
    const bool lRead = ioFile.FieldReadArray(lValues);
    ioFile.FieldReadEnd();
    return lRead && lValues == std::vector<std::int64_t>(kValueCount, 42);
}

TEST(KRyvSealedReadTest, WrongPasswordThenRightThenRepeatedReadsOnlyWithThatPassword)
{
    const std::vector<std::uint8_t> lBytes = SealedFile();
    KRyvMemoryStream lStream(lBytes);
    KRyvFile lFile;
    ASSERT_TRUE(lFile.Open(lStream));
    EXPECT_FALSE(lFile.ReadBody("wrong"));
    EXPECT_EQ(lFile.GetError().GetLastErrorID(), KRyvFile::kWrongPassword);
    EXPECT_TRUE(ReadsTheArray(lFile, kPassword));
    // Opened in place now: a second read works with the same password only.
    EXPECT_TRUE(ReadsTheArray(lFile, kPassword));
    EXPECT_FALSE(lFile.ReadBody("wrong"));
    EXPECT_EQ(lFile.GetError().GetLastErrorID(), KRyvFile::kWrongPassword);
    EXPECT_FALSE(lFile.ReadBody(nullptr));
}

// The password opens the first chunk, so a later one that does not open is a damaged file, not
// a wrong password; it stays so on a second read.
TEST(KRyvSealedReadTest, BodyChangedPastItsFirstChunkIsCorruptedNotAWrongPassword)
{
    std::vector<std::uint8_t> lBytes = SealedFile();
    // A byte of the third sealed chunk; the frame's CRC is mended so only the seal can tell.
    const std::size_t lAt = 64 + 2 * (65536 + 17) + 5;
    ASSERT_LT(lAt, lBytes.size() - 12);
    lBytes[lAt] ^= 1;
    const std::size_t lCrcAt = lBytes.size() - 12;
    KRyvContainer::CrcPrefix lCrc;
    KRyvContainer::AdvanceCrc(lBytes.data(), lCrcAt, lCrc);
    for (std::size_t i = 0; i < 4; ++i) {
        lBytes[lCrcAt + i] = static_cast<std::uint8_t>(lCrc.mCrc >> (8 * i));
    }
    KRyvMemoryStream lStream(lBytes);
    KRyvFile lFile;
    ASSERT_TRUE(lFile.Open(lStream));
    EXPECT_FALSE(lFile.ReadBody(kPassword));
    EXPECT_EQ(lFile.GetError().GetLastErrorID(), KRyvFile::kFileCorrupted);
    EXPECT_FALSE(lFile.ReadBody(kPassword));
    EXPECT_EQ(lFile.GetError().GetLastErrorID(), KRyvFile::kFileCorrupted);
}

} // namespace
