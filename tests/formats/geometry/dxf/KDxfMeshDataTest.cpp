#include "formats/geometry/dxf/KDxfMeshData.h"

#include <gtest/gtest.h>

namespace {

// Room a polyline announced but did not fill goes back; room that was filled stays, and adding
// piece by piece keeps growing the lists twofold.
TEST(KDxfMeshData, UnusedRoomGoesBackAndUsedRoomStays)
{
    KDxfMeshData lLying;
    lLying.Reserve(100000, 100000, 400000);
    const int lTriangle[3] = {0, 1, 0};
    lLying.AddPoint(KVector4(1.0, 2.0, 3.0, 1.0));
    lLying.AddPoint(KVector4(4.0, 5.0, 6.0, 1.0));
    lLying.AddPolygon(0, lTriangle, 3);
    lLying.ReleaseUnusedRoom();
    EXPECT_LT(lLying.GetPoints().capacity(), 1000u);
    EXPECT_LT(lLying.GetPolygons().capacity(), 1000u);
    EXPECT_LT(lLying.GetIndices().capacity(), 1000u);
    EXPECT_EQ(lLying.GetPoints()[1][2], 6.0);
    EXPECT_EQ(lLying.GetIndices().size(), 3u);

    KDxfMeshData lHonest;
    int lMoves = 0;
    for (int lPolyline = 0; lPolyline < 50; ++lPolyline) {
        const std::size_t lBefore = lHonest.GetPoints().capacity();
        lHonest.Reserve(1000, 1000, 3000);
        lMoves += lHonest.GetPoints().capacity() != lBefore;
        for (int i = 0; i < 1000; ++i) {
            lHonest.AddPoint(KVector4(i, 0.0, 0.0, 1.0));
            lHonest.AddPolygon(1, lTriangle, 3);
        }
        const std::size_t lFilled = lHonest.GetPoints().capacity();
        lHonest.ReleaseUnusedRoom();
        EXPECT_EQ(lHonest.GetPoints().capacity(), lFilled);
    }
    // Twofold growth: fifty reservations move the points only a few times.
    EXPECT_LE(lMoves, 7);
    EXPECT_EQ(lHonest.GetPoints().size(), 50000u);
    EXPECT_TRUE(lHonest.HasColors());
}

} // namespace
