#include "formats/geometry/obj/KObjLineCounts.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kText = "# c\nv 1 2 3\nvt 0 1\nvn 0 0 1\nv 4 5 6\r\nf 1 2 3\nf  1 2 3 4\n"
                          "vp 1\nvertex\nf\nv\n\nfo 1 2\nf 1 2 3 4 5 6 7 8 9 10 11 12\nvn 1 0 0";

// Given in two pieces split anywhere, the counts are those of the whole text: a line cut by a
// block end is still counted once.
TEST(KObjLineCountsTest, LinesCutAnywhereAreCountedOnce)
{
    for (std::size_t lSplit = 0; lSplit <= kText.size(); ++lSplit) {
        KObjLineCounts lCounts;
        lCounts.Add(kText.data(), lSplit);
        lCounts.Add(kText.data() + lSplit, kText.size() - lSplit);
        EXPECT_EQ(lCounts.mVertices, 2u) << lSplit;
        EXPECT_EQ(lCounts.mUVs, 1u) << lSplit;
        EXPECT_EQ(lCounts.mNormals, 2u) << lSplit;
        // 3 + 5 + 12: the blanks after "f" (a doubled one counts twice, an overestimate is
        // harmless).
        EXPECT_EQ(lCounts.mCorners, 20u) << lSplit;
        EXPECT_EQ(lCounts.mFaces, 3u) << lSplit;
    }
}

TEST(KObjLineCountsTest, ByteByByteAndFromAStream)
{
    KObjLineCounts lBytes;
    for (const char lByte : kText) {
        lBytes.Add(&lByte, 1);
    }
    std::FILE* lStream = fmemopen(const_cast<char*>(kText.data()), kText.size(), "rb");
    ASSERT_NE(lStream, nullptr);
    KObjLineCounts lRead;
    lRead.Count(lStream);
    std::fclose(lStream);
    for (const KObjLineCounts* lCounts : {&lBytes, &lRead}) {
        EXPECT_EQ(lCounts->mVertices, 2u);
        EXPECT_EQ(lCounts->mUVs, 1u);
        EXPECT_EQ(lCounts->mNormals, 2u);
        EXPECT_EQ(lCounts->mCorners, 20u);
    }
}

} // namespace
