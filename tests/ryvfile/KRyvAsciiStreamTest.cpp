#include "ryvfile/KRyvAsciiCodec.h"
#include "ryvfile/KRyvContainer.h"
#include "ryvfile/KRyvFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Enough numbers for several megabytes of text.
constexpr std::size_t kElementCount = 400000;
constexpr std::size_t kLargestPiece = std::size_t(2) << 20;

KRyvFieldRecord LargeTree()
{
    KRyvFieldRecord lRoot;
    std::vector<double> lValues(kElementCount);
    for (std::size_t i = 0; i < kElementCount; ++i) {
        lValues[i] = static_cast<double>(i) / 7.0;
    }
    lRoot.AddChild("Big")->AddValue(std::move(lValues));
    lRoot.AddChild("After")->AddValue(std::int32_t(3));
    return lRoot;
}

TEST(KRyvAsciiStreamTest, TextGoesOutInPiecesEndingAtLineEndsThatMakeTheWholeText)
{
    const KRyvFieldRecord lRoot = LargeTree();
    std::string lWhole;
    ASSERT_TRUE(KRyvAsciiCodec::Encode(lRoot, lWhole));
    std::vector<std::string> lPieces;
    ASSERT_TRUE(KRyvAsciiCodec::Encode(lRoot, [&](const std::uint8_t* pBytes, std::size_t pSize) {
        lPieces.emplace_back(reinterpret_cast<const char*>(pBytes), pSize);
        return true;
    }));
    ASSERT_GT(lPieces.size(), 2u);
    std::string lJoined;
    for (const std::string& lPiece : lPieces) {
        EXPECT_EQ(lPiece.back(), '\n');
        EXPECT_LE(lPiece.size(), kLargestPiece);
        lJoined += lPiece;
    }
    EXPECT_EQ(lJoined, lWhole);
}

TEST(KRyvAsciiStreamTest, RefusedTextStopsTheFileAsOutOfDiskSpace)
{
    const KRyvFieldRecord lRoot = LargeTree();
    KRyvFileHeader lHeader;
    lHeader.mVersion = KRyvContainer::kVersion60;
    lHeader.mAscii = true;
    int lCalls = 0;
    const int lCode = KRyvContainer::Stream(
        lHeader, lRoot, nullptr, [&](const std::uint8_t*, std::size_t) { return ++lCalls < 3; });
    EXPECT_EQ(lCode, KRyvFile::kOutOfDiskSpace);
    EXPECT_EQ(lCalls, 3);
}

} // namespace
