#include "ryvfile/KRyvCipher.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr char kPassword[] = "chunk by chunk";
// Pieces that never line up with the chunks.
constexpr std::size_t kPiece = 1000;

class KRyvSealStreamTest : public ::testing::TestWithParam<std::size_t>
{
};

TEST_P(KRyvSealStreamTest, BodyWrittenInPiecesIsSealedToItsSizeAndOpensBack)
{
    std::vector<std::uint8_t> lPlain(GetParam());
    for (std::size_t i = 0; i < lPlain.size(); ++i) {
        lPlain[i] = static_cast<std::uint8_t>(i * 31 + 7);
    }
    const std::vector<std::uint8_t> lAssociated{1, 2, 3};
    std::vector<std::uint8_t> lSealed;
    int lChunks = 0;
    KRyvCipher::SealStream lStream(
        lPlain.size(), lAssociated, [&](const std::uint8_t* pBytes, std::size_t pSize) {
            EXPECT_LE(pSize, KRyvCipher::kChunkSize + KRyvCipher::kChunkOverhead);
            lSealed.insert(lSealed.end(), pBytes, pBytes + pSize);
            ++lChunks;
            return true;
        });
    std::uint8_t lSalt[KRyvCipher::kSaltSize];
    std::uint8_t lHeader[KRyvCipher::kStreamHeaderSize];
    ASSERT_EQ(lStream.Start(kPassword, lSalt, lHeader), KRyvCipher::kOk);
    for (std::size_t lAt = 0; lAt < lPlain.size(); lAt += kPiece) {
        ASSERT_TRUE(lStream.Write(lPlain.data() + lAt, std::min(kPiece, lPlain.size() - lAt)));
    }
    ASSERT_TRUE(lStream.Finish());
    EXPECT_EQ(lSealed.size(), KRyvCipher::GetSealedSize(lPlain.size()));
    EXPECT_EQ(static_cast<std::size_t>(lChunks),
              (lSealed.size() + KRyvCipher::kChunkSize + KRyvCipher::kChunkOverhead - 1) /
                  (KRyvCipher::kChunkSize + KRyvCipher::kChunkOverhead));
    std::vector<std::uint8_t> lOpened;
    ASSERT_EQ(KRyvCipher::Open(kPassword, lAssociated, lSalt, lHeader, lSealed.data(),
                               lSealed.size(), lOpened),
              KRyvCipher::kOk);
    EXPECT_EQ(lOpened, lPlain);
}

INSTANTIATE_TEST_SUITE_P(Sizes, KRyvSealStreamTest,
                         ::testing::Values(0, 1, 65535, 65536, 65537, 131072, 200000));

TEST(KRyvSealStreamSizeTest, BytesOtherThanTheAnnouncedSizeAreRefused)
{
    const std::vector<std::uint8_t> lBytes(10, 5);
    const auto lAccept = [](const std::uint8_t*, std::size_t) { return true; };
    std::uint8_t lSalt[KRyvCipher::kSaltSize];
    std::uint8_t lHeader[KRyvCipher::kStreamHeaderSize];

    KRyvCipher::SealStream lTooMany(8, {}, lAccept);
    ASSERT_EQ(lTooMany.Start(kPassword, lSalt, lHeader), KRyvCipher::kOk);
    EXPECT_FALSE(lTooMany.Write(lBytes.data(), lBytes.size()));
    EXPECT_FALSE(lTooMany.Finish());

    KRyvCipher::SealStream lTooFew(12, {}, lAccept);
    ASSERT_EQ(lTooFew.Start(kPassword, lSalt, lHeader), KRyvCipher::kOk);
    EXPECT_TRUE(lTooFew.Write(lBytes.data(), lBytes.size()));
    EXPECT_FALSE(lTooFew.Finish());

    KRyvCipher::SealStream lNotStarted(10, {}, lAccept);
    EXPECT_FALSE(lNotStarted.Write(lBytes.data(), lBytes.size()));
}

} // namespace
