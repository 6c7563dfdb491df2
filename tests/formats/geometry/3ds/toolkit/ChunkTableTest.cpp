// The table of chunk facts: sorted for its search, and the facts the tree reader, the data
// codec and the insertion order depend on.
#include "tests/formats/geometry/3ds/toolkit/Toolkit3dsTestSupport.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

TEST(Toolkit3dsTable, SortedUniqueAndFoundByEveryTag)
{
    std::set<std::string> lNames;
    for (const ChunkInfo3ds* lInfo = ChunkTableBegin3ds(); lInfo != ChunkTableEnd3ds(); ++lInfo) {
        if (lInfo != ChunkTableBegin3ds()) {
            EXPECT_LT(lInfo[-1].mTag, lInfo->mTag) << lInfo->mName;
        }
        EXPECT_EQ(FindChunkInfo3ds(lInfo->mTag), lInfo);
        EXPECT_TRUE(lNames.insert(lInfo->mName).second) << lInfo->mName;
        // A container has no data of its own, and anything else has some.
        EXPECT_EQ(lInfo->mShape == ChunkShape3ds::kContainer, std::string(lInfo->mLayout).empty())
            << lInfo->mName;
    }
    EXPECT_GT(ChunkTableEnd3ds() - ChunkTableBegin3ds(), 180);
}

TEST(Toolkit3dsTable, FactsOfTags)
{
    EXPECT_STREQ(ChunkNameOf3ds(Tag3ds::kPointArray), "PointArray");
    EXPECT_STREQ(ChunkLayoutOf3ds(Tag3ds::kPointArray), "P");
    EXPECT_STREQ(ChunkLayoutOf3ds(Tag3ds::kKfHdr), "W1S512L1");
    EXPECT_STREQ(ChunkLayoutOf3ds(Tag3ds::kRotationTrack), "T");
    EXPECT_STREQ(ChunkLayoutOf3ds(Tag3ds::kMdata), "");
    EXPECT_EQ(ChunkShapeOf3ds(Tag3ds::kNamedObject), ChunkShape3ds::kDataAndChildren);
    EXPECT_EQ(ChunkShapeOf3ds(Tag3ds::kMatEntry), ChunkShape3ds::kContainer);
    EXPECT_EQ(ChunkShapeOf3ds(Tag3ds::kPointArray), ChunkShape3ds::kLeaf);
    EXPECT_EQ(ChunkWeightOf3ds(Tag3ds::kViewportLayout), 34);
    EXPECT_EQ(ChunkWeightOf3ds(Tag3ds::kM3dMagic), 32);
    EXPECT_EQ(ChunkWeightOf3ds(Tag3ds::kUseGradientBackground), 12);
    EXPECT_EQ(ChunkWeightOf3ds(Tag3ds::kObjHidden), 1);
    EXPECT_EQ(ChunkWeightOf3ds(Tag3ds::kPointArray), 0);
    // A tag the toolkit does not know is a leaf kept as a block, found by no name.
    EXPECT_EQ(FindChunkInfo3ds(0x1234), nullptr);
    EXPECT_EQ(ChunkShapeOf3ds(0x1234), ChunkShape3ds::kLeaf);
    EXPECT_STREQ(ChunkLayoutOf3ds(0x1234), "K");
    EXPECT_STREQ(ChunkNameOf3ds(0x1234), "");
    EXPECT_EQ(ChunkWeightOf3ds(0x1234), 0);
    EXPECT_EQ(FindChunkInfo3ds(0x10000 + Tag3ds::kPointArray), nullptr);
}
