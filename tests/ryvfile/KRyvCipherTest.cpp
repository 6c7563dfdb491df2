#include "ryvfile/KRyvCipher.h"
#include "ryvfile/KRyvFile.h"
#include "ryvfile/KRyvStream.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

constexpr char kPassword[] = "pass";

struct Sealed
{
    std::uint8_t mSalt[KRyvCipher::kSaltSize];
    std::uint8_t mHeader[KRyvCipher::kStreamHeaderSize];
    std::vector<std::uint8_t> mBody;
};

Sealed Seal(std::size_t pPlainSize, const char* pPassword = kPassword)
{
    std::vector<std::uint8_t> lPlain(pPlainSize);
    for (std::size_t i = 0; i < pPlainSize; ++i) {
        lPlain[i] = static_cast<std::uint8_t>(i * 7);
    }
    Sealed lSealed;
    EXPECT_EQ(
        KRyvCipher::Seal(pPassword, {1, 2}, lPlain, lSealed.mSalt, lSealed.mHeader, lSealed.mBody),
        KRyvCipher::kOk);
    return lSealed;
}

KRyvCipher::EResult Open(const Sealed& pSealed, const char* pPassword,
                         std::vector<std::uint8_t>& oPlain)
{
    return KRyvCipher::Open(pPassword, {1, 2}, pSealed.mSalt, pSealed.mHeader, pSealed.mBody.data(),
                            pSealed.mBody.size(), oPlain);
}

// The plain size follows from the sealed size alone, at and around every chunk boundary.
TEST(KRyvCipherTest, BodiesOfEverySizeAroundChunkEdgesOpenWhole)
{
    constexpr std::size_t kChunk = KRyvCipher::kChunkSize;
    for (const std::size_t lSize :
         {std::size_t(0), std::size_t(1), kChunk - 1, kChunk, kChunk + 1, 2 * kChunk}) {
        const Sealed lSealed = Seal(lSize);
        ASSERT_EQ(lSealed.mBody.size(), KRyvCipher::GetSealedSize(lSize));
        std::size_t lPlainSize = 0;
        ASSERT_TRUE(KRyvCipher::GetPlainSize(lSealed.mBody.size(), lPlainSize));
        EXPECT_EQ(lPlainSize, lSize);
        std::vector<std::uint8_t> lPlain;
        ASSERT_EQ(Open(lSealed, kPassword, lPlain), KRyvCipher::kOk) << lSize;
        ASSERT_EQ(lPlain.size(), lSize);
        EXPECT_EQ(lSize == 0 ? 0 : lPlain.back(),
                  lSize == 0 ? 0 : static_cast<std::uint8_t>((lSize - 1) * 7));
    }
}

// A whole final chunk followed by 1 to 16 stray bytes once sized the plain buffer too small,
// so that the first chunk was decrypted past its end.
TEST(KRyvCipherTest, StrayBytesAfterAWholeChunkAreRefusedBeforeDecrypting)
{
    const Sealed lWhole = Seal(KRyvCipher::kChunkSize);
    for (std::size_t lStray = 1; lStray < KRyvCipher::kChunkOverhead; ++lStray) {
        Sealed lDamaged = lWhole;
        lDamaged.mBody.resize(lDamaged.mBody.size() + lStray, 0xAB);
        std::size_t lPlainSize = 0;
        EXPECT_FALSE(KRyvCipher::GetPlainSize(lDamaged.mBody.size(), lPlainSize)) << lStray;
        std::vector<std::uint8_t> lPlain;
        // Whatever the password, such a body is no sealed body at all.
        EXPECT_EQ(Open(lDamaged, kPassword, lPlain), KRyvCipher::kDamaged) << lStray;
        EXPECT_EQ(Open(lDamaged, "another", lPlain), KRyvCipher::kDamaged) << lStray;
        EXPECT_TRUE(lPlain.empty());
    }
}

// Only the first chunk can tell a wrong password from a changed body; a body the password opens
// the start of and that breaks later is damaged, not a wrong password.
TEST(KRyvCipherTest, ABodyBrokenPastItsFirstChunkIsDamagedNotAWrongPassword)
{
    constexpr std::size_t kSealedChunk = KRyvCipher::kChunkSize + KRyvCipher::kChunkOverhead;
    const Sealed lWhole = Seal(2 * KRyvCipher::kChunkSize + 5);
    ASSERT_EQ(lWhole.mBody.size(), 2 * kSealedChunk + 5 + KRyvCipher::kChunkOverhead);
    Sealed lFirstChanged = lWhole;
    lFirstChanged.mBody[10] ^= 1;
    Sealed lSecondChanged = lWhole;
    lSecondChanged.mBody[kSealedChunk + 10] ^= 1;
    Sealed lLastChanged = lWhole;
    lLastChanged.mBody[2 * kSealedChunk + 3] ^= 1;
    // Two whole chunks, neither of them final.
    Sealed lNoFinal = lWhole;
    lNoFinal.mBody.resize(2 * kSealedChunk);
    const struct
    {
        const Sealed* mSealed;
        const char* mPassword;
        KRyvCipher::EResult mExpected;
    } kCases[] = {
        {&lWhole, "wrong", KRyvCipher::kRefused},
        {&lFirstChanged, kPassword, KRyvCipher::kRefused},
        {&lSecondChanged, kPassword, KRyvCipher::kDamaged},
        {&lLastChanged, kPassword, KRyvCipher::kDamaged},
        {&lNoFinal, kPassword, KRyvCipher::kDamaged},
        {&lNoFinal, "wrong", KRyvCipher::kRefused},
    };
    for (const auto& lCase : kCases) {
        std::vector<std::uint8_t> lPlain;
        EXPECT_EQ(Open(*lCase.mSealed, lCase.mPassword, lPlain), lCase.mExpected)
            << (&lCase - kCases);
        EXPECT_TRUE(lPlain.empty());
    }
}

TEST(KRyvCipherTest, AProtectedBodyNeverOpensWithoutAPassword)
{
    std::vector<std::uint8_t> lPlain;
    // Sealed with the empty password by a caller of the cipher: still not opened with none.
    const Sealed lEmpty = Seal(10, "");
    EXPECT_EQ(Open(lEmpty, "", lPlain), KRyvCipher::kRefused);
    EXPECT_EQ(Open(lEmpty, nullptr, lPlain), KRyvCipher::kRefused);
    const Sealed lSealed = Seal(10);
    EXPECT_EQ(Open(lSealed, nullptr, lPlain), KRyvCipher::kRefused);
    EXPECT_EQ(Open(lSealed, kPassword, lPlain), KRyvCipher::kOk);
}

TEST(KRyvCipherTest, AFileWithoutThePasswordIsWrongPassword)
{
    KRyvFile lFile;
    lFile.Create(6000, false, kPassword);
    lFile.FieldWriteI("Value", 3);
    KRyvMemoryStream lOut;
    ASSERT_TRUE(lFile.Save(lOut));
    for (const char* lPassword : {static_cast<const char*>(nullptr), ""}) {
        KRyvMemoryStream lIn(lOut.GetBytes());
        KRyvFile lRead;
        ASSERT_TRUE(lRead.Open(lIn));
        EXPECT_FALSE(lRead.ReadBody(lPassword));
        EXPECT_EQ(lRead.GetError().GetLastErrorID(), KRyvFile::kWrongPassword);
    }
}

} // namespace
