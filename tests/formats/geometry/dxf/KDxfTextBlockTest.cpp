#include "formats/geometry/dxf/KDxfTextBlock.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// Text of pSize bytes that differs from place to place, so that a block read at the wrong
// offset shows.
std::string Numbered(std::size_t pSize)
{
    std::string lText;
    lText.reserve(pSize + 16);
    for (int i = 0; lText.size() < pSize; ++i) {
        lText += std::to_string(i) + '\n';
    }
    lText.resize(pSize);
    return lText;
}

// Files of many sizes, read from their start and from further in (past the end too).
TEST(KDxfTextBlock, ReadsFromWhereTheStreamStandsToItsEnd)
{
    TempFolder lFiles;
    const std::size_t lSizes[] = {0, 1, 5, 6, 70000, 3000000};
    for (const std::size_t lSize : lSizes) {
        const std::string lText = Numbered(lSize);
        const std::string lPath = lFiles.Write("text.dxf", lText);
        for (const long lSkip : {0L, 5L}) {
            std::FILE* lStream = std::fopen(lPath.c_str(), "rb");
            ASSERT_NE(lStream, nullptr);
            ASSERT_EQ(std::fseek(lStream, lSkip, SEEK_SET), 0);
            KDxfTextBlock lBlock;
            EXPECT_TRUE(lBlock.Read(lStream));
            std::fclose(lStream);
            const std::size_t lFrom = std::min(lText.size(), static_cast<std::size_t>(lSkip));
            EXPECT_EQ(lBlock.View().size(), lSize - lFrom) << lSize;
            EXPECT_TRUE(lBlock.View() == std::string_view(lText).substr(lFrom)) << lSize;
            EXPECT_FALSE(lBlock.HoldsZeroByte());
        }
    }
}

// A stream over pText that claims to end after pClaimed bytes: as a file that grew after its
// size was taken.
struct Growing
{
    std::string mText;
    std::size_t mClaimed;
    std::size_t mAt = 0;
};

std::FILE* OpenGrowing(Growing& ioFile)
{
    cookie_io_functions_t lCalls{};
    lCalls.read = [](void* pCookie, char* oBuffer, std::size_t pSize) -> ssize_t {
        Growing& lFile = *static_cast<Growing*>(pCookie);
        const std::size_t lCount = std::min(pSize, lFile.mText.size() - lFile.mAt);
        std::memcpy(oBuffer, lFile.mText.data() + lFile.mAt, lCount);
        lFile.mAt += lCount;
        return static_cast<ssize_t>(lCount);
    };
    lCalls.seek = [](void* pCookie, off64_t* ioOffset, int pWhence) -> int {
        Growing& lFile = *static_cast<Growing*>(pCookie);
        const off64_t lBase = pWhence == SEEK_SET   ? 0
                              : pWhence == SEEK_CUR ? static_cast<off64_t>(lFile.mAt)
                                                    : static_cast<off64_t>(lFile.mClaimed);
        lFile.mAt = static_cast<std::size_t>(lBase + *ioOffset);
        *ioOffset = static_cast<off64_t>(lFile.mAt);
        return 0;
    };
    return fopencookie(&ioFile, "rb", lCalls);
}

TEST(KDxfTextBlock, AFileThatGrowsWhileReadIsReadToItsNewEnd)
{
    for (const std::size_t lSize : {0, 1, 100000}) {
        Growing lFile{Numbered(lSize + 70000), lSize};
        std::FILE* lStream = OpenGrowing(lFile);
        ASSERT_NE(lStream, nullptr);
        KDxfTextBlock lBlock;
        EXPECT_TRUE(lBlock.Read(lStream));
        std::fclose(lStream);
        EXPECT_EQ(lBlock.View().size(), lFile.mText.size());
        EXPECT_TRUE(lBlock.View() == lFile.mText);
    }
}

// A zero byte anywhere is seen, whichever piece of the read it falls in; one before where the
// stream stands is not part of the text.
TEST(KDxfTextBlock, ZeroBytesAreFoundWhereverTheyAre)
{
    TempFolder lFiles;
    const std::size_t lSize = 1000000;
    for (const std::size_t lAt : {std::size_t{0}, std::size_t{262143}, std::size_t{262144},
                                  std::size_t{524300}, lSize - 1}) {
        std::string lText = Numbered(lSize);
        lText[lAt] = '\0';
        const std::string lPath = lFiles.Write("zero.dxf", lText);
        for (const long lSkip : {0L, 1L}) {
            std::FILE* lStream = std::fopen(lPath.c_str(), "rb");
            ASSERT_NE(lStream, nullptr);
            ASSERT_EQ(std::fseek(lStream, lSkip, SEEK_SET), 0);
            KDxfTextBlock lBlock;
            EXPECT_TRUE(lBlock.Read(lStream));
            std::fclose(lStream);
            EXPECT_EQ(lBlock.HoldsZeroByte(), lAt >= static_cast<std::size_t>(lSkip)) << lAt;
        }
        KDxfTextBlock lAssigned;
        lAssigned.Assign(lText);
        EXPECT_TRUE(lAssigned.HoldsZeroByte());
    }
}

TEST(KDxfTextBlock, AStreamThatCannotBeReadLeavesNoText)
{
    std::FILE* lStream = std::fopen("/dev/null", "wb");
    ASSERT_NE(lStream, nullptr);
    KDxfTextBlock lBlock;
    lBlock.Assign("kept");
    EXPECT_FALSE(lBlock.Read(lStream));
    EXPECT_TRUE(lBlock.View().empty());
    std::fclose(lStream);
}

} // namespace
