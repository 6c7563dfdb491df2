#include "ryvfile/KRyvByteStage.h"

#include <gtest/gtest.h>

#include <new>
#include <vector>

namespace {

constexpr std::size_t kBlock = 1000;

std::vector<std::uint8_t> Pattern(std::size_t pSize)
{
    std::vector<std::uint8_t> lBytes(pSize);
    for (std::size_t i = 0; i < pSize; ++i) {
        lBytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    }
    return lBytes;
}

// Pieces that never line up with the blocks come out whole and in order, in blocks of at most
// the block size; a finished stage takes more bytes.
TEST(KRyvByteStageTest, BytesComeOutInOrderInBlocks)
{
    const std::vector<std::uint8_t> lBytes = Pattern(25000);
    std::vector<std::uint8_t> lOut;
    std::size_t lLargest = 0;
    KRyvByteStage lStage(kBlock, [&](const std::uint8_t* pBytes, std::size_t pSize) {
        lOut.insert(lOut.end(), pBytes, pBytes + pSize);
        lLargest = std::max(lLargest, pSize);
        return true;
    });
    std::size_t lAt = 0;
    for (std::size_t lPiece = 1; lAt < 20000; lAt += lPiece, lPiece = lPiece * 3 % 2311 + 1) {
        ASSERT_TRUE(lStage.Write(lBytes.data() + lAt, std::min(lPiece, 20000 - lAt)));
    }
    ASSERT_TRUE(lStage.Finish());
    EXPECT_EQ(lOut, std::vector<std::uint8_t>(lBytes.begin(), lBytes.begin() + 20000));
    ASSERT_TRUE(lStage.Write(lBytes.data() + 20000, 5000));
    ASSERT_TRUE(lStage.Finish());
    EXPECT_EQ(lOut, lBytes);
    EXPECT_LE(lLargest, kBlock);
}

// A consumer that refuses or throws fails the stage: it is not called again, and every later
// write and the finish answer false.
TEST(KRyvByteStageTest, ARefusalOrAThrowFailsTheStage)
{
    const std::vector<std::uint8_t> lBytes = Pattern(10 * kBlock);
    for (const bool lThrow : {false, true}) {
        for (int lFailAt = 0; lFailAt < 4; ++lFailAt) {
            int lCalls = 0;
            KRyvByteStage lStage(kBlock, [&](const std::uint8_t*, std::size_t) {
                if (lCalls++ == lFailAt) {
                    if (lThrow) {
                        throw std::bad_alloc();
                    }
                    return false;
                }
                return true;
            });
            bool lWritten = true;
            for (std::size_t lAt = 0; lAt < lBytes.size(); lAt += 700) {
                lWritten = lStage.Write(lBytes.data() + lAt,
                                        std::min<std::size_t>(700, lBytes.size() - lAt)) &&
                           lWritten;
            }
            EXPECT_FALSE(lStage.Finish()) << lFailAt;
            EXPECT_FALSE(lWritten) << lFailAt;
            EXPECT_EQ(lCalls, lFailAt + 1) << lFailAt;
            EXPECT_FALSE(lStage.Write(lBytes.data(), 1));
        }
    }
}

// A stage given up before its finish (a failed write unwinding) drops what it did not hand on.
TEST(KRyvByteStageTest, AStageLeftUnfinishedStops)
{
    const std::vector<std::uint8_t> lBytes = Pattern(5 * kBlock + 10);
    std::size_t lConsumed = 0;
    {
        KRyvByteStage lStage(kBlock, [&](const std::uint8_t*, std::size_t pSize) {
            lConsumed += pSize;
            return true;
        });
        ASSERT_TRUE(lStage.Write(lBytes.data(), lBytes.size()));
    }
    EXPECT_EQ(lConsumed, 5 * kBlock);
}

} // namespace
