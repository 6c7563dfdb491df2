#include "scene/objects/KRyvMesh.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Polygon tables as a builder holds them: one size and one group per polygon, and the vertices.
struct Tables
{
    std::vector<int> mSizes;
    std::vector<int> mGroups;
    std::vector<int> mVertices;
};

bool SetFrom(KRyvMesh& ioMesh, const Tables& pTables)
{
    std::vector<KRyvMeshPolygon> lPolygons;
    for (std::size_t p = 0; p < pTables.mSizes.size(); ++p) {
        lPolygons.push_back(KRyvMeshPolygon{0, pTables.mSizes[p], pTables.mGroups[p]});
    }
    std::vector<int> lVertices = pTables.mVertices;
    return ioMesh.SwapPolygons(lPolygons, lVertices);
}

// The same polygons, built one by one.
void AddOneByOne(KRyvMesh& ioMesh, const Tables& pTables)
{
    std::size_t lAt = 0;
    for (std::size_t p = 0; p < pTables.mSizes.size(); ++p) {
        ioMesh.BeginPolygon(-1, -1, pTables.mGroups[p]);
        for (int v = 0; v < pTables.mSizes[p]; ++v) {
            ioMesh.AddPolygon(pTables.mVertices[lAt++]);
        }
    }
}

void ExpectSamePolygons(const KRyvMesh& pA, const KRyvMesh& pB)
{
    ASSERT_EQ(pA.GetPolygonCount(), pB.GetPolygonCount());
    ASSERT_EQ(pA.GetPolygonVertexCount(), pB.GetPolygonVertexCount());
    for (int p = 0; p < pA.GetPolygonCount(); ++p) {
        EXPECT_EQ(pA.GetPolygonSize(p), pB.GetPolygonSize(p)) << "polygon " << p;
        EXPECT_EQ(pA.GetPolygonGroup(p), pB.GetPolygonGroup(p)) << "polygon " << p;
        for (int v = 0; v < pA.GetPolygonSize(p); ++v) {
            EXPECT_EQ(pA.GetPolygonVertex(p, v), pB.GetPolygonVertex(p, v)) << p << "/" << v;
        }
    }
}

// A quad, an empty polygon, a triangle and a quad, over 6 points.
const Tables kMixed{{4, 0, 3, 4}, {0, -1, 7, 2}, {0, 1, 4, 3, 1, 2, 4, 5, 4, 2, 1}};

TEST(KRyvMeshSwapPolygons, GivesTheTablesOfPolygonsAddedOneByOne)
{
    KRyvMesh lBulk(nullptr);
    KRyvMesh lOneByOne(nullptr);
    lBulk.InitControlPoints(6);
    ASSERT_TRUE(SetFrom(lBulk, kMixed));
    AddOneByOne(lOneByOne, kMixed);
    ExpectSamePolygons(lBulk, lOneByOne);
    // The triangle starts after the quad's four vertices (the empty polygon takes none).
    EXPECT_EQ(lBulk.GetPolygonVertex(2, 0), 1);
    EXPECT_EQ(lBulk.GetPolygonVertex(3, 3), 1);
    EXPECT_EQ(lBulk.GetPolygonVertex(1, 0), -1);
    // No layer is made: the caller sets the elements whole.
    EXPECT_EQ(lBulk.GetLayerCount(), 0);
}

TEST(KRyvMeshSwapPolygons, ReplacesThePolygonsThereWere)
{
    KRyvMesh lMesh(nullptr);
    lMesh.InitControlPoints(6);
    AddOneByOne(lMesh, kMixed);
    const Tables lTriangle{{3}, {5}, {5, 4, 3}};
    ASSERT_TRUE(SetFrom(lMesh, lTriangle));
    EXPECT_EQ(lMesh.GetPolygonCount(), 1);
    EXPECT_EQ(lMesh.GetPolygonVertexCount(), 3);
    EXPECT_EQ(lMesh.GetPolygonVertex(0, 0), 5);
    ASSERT_TRUE(SetFrom(lMesh, Tables()));
    EXPECT_EQ(lMesh.GetPolygonCount(), 0);
    EXPECT_EQ(lMesh.GetPolygonVertices(), nullptr);
}

TEST(KRyvMeshSwapPolygons, RefusesTablesThatDoNotMakePolygonsOfItsPoints)
{
    const Tables kRefused[] = {
        {{3, -1, 1}, {0, 0, 0}, {0, 1, 2, 3}}, // a negative size
        {{3, 2}, {0, 0}, {0, 1, 2, 3, 4, 5}},  // sizes short of the vertices
        {{3, 4}, {0, 0}, {0, 1, 2, 3, 4, 5}},  // sizes past the vertices
        {{3, 3}, {0, 0}, {0, 1, 2, 3, -4, 5}}, // a negative index
        {{3, 3}, {0, 0}, {0, 1, 2, 3, 4, 6}},  // the point count itself
        {{1, 2147483647}, {0, 0}, {0, 1}},     // a size that would overflow a sum
    };
    for (const Tables& lTables : kRefused) {
        KRyvMesh lMesh(nullptr);
        lMesh.InitControlPoints(6);
        AddOneByOne(lMesh, kMixed);
        lMesh.GetError().ClearLastError();
        EXPECT_FALSE(SetFrom(lMesh, lTables));
        EXPECT_EQ(lMesh.GetError().GetLastErrorID(), KRyvGeometry::kParameterOutOfRange);
        // Nothing changed.
        KRyvMesh lBefore(nullptr);
        AddOneByOne(lBefore, kMixed);
        ExpectSamePolygons(lMesh, lBefore);
    }
}

TEST(KRyvMeshSwapPolygons, RefusesAnyIndexOfAMeshWithoutPoints)
{
    KRyvMesh lMesh(nullptr);
    // Index 0 is no control point of a mesh that has none.
    EXPECT_FALSE(SetFrom(lMesh, Tables{{1}, {0}, {0}}));
    EXPECT_EQ(lMesh.GetPolygonCount(), 0);
}

TEST(KRyvMeshSwapPolygons, SwappedTablesTakeTheirFirstsFromTheSizesAndGiveBackTheFormerOnes)
{
    KRyvMesh lMesh(nullptr);
    lMesh.InitControlPoints(6);
    AddOneByOne(lMesh, kMixed);
    // Whatever firsts the builder left are replaced by the running sum of the sizes.
    std::vector<KRyvMeshPolygon> lPolygons{{99, 3, 5}, {-7, 3, 6}};
    std::vector<int> lVertices{5, 4, 3, 0, 1, 2};
    ASSERT_TRUE(lMesh.SwapPolygons(lPolygons, lVertices));
    EXPECT_EQ(lMesh.GetPolygonCount(), 2);
    EXPECT_EQ(lMesh.GetPolygonVertex(1, 0), 0);
    EXPECT_EQ(lMesh.GetPolygonVertex(1, 2), 2);
    EXPECT_EQ(lMesh.GetPolygonGroup(1), 6);
    EXPECT_EQ(lPolygons.size(), kMixed.mSizes.size());
    EXPECT_EQ(lVertices, kMixed.mVertices);
    // An index past the points: refused, the mesh keeps what it had.
    std::vector<KRyvMeshPolygon> lBad{{0, 3, 0}};
    std::vector<int> lBadVertices{0, 1, 6};
    EXPECT_FALSE(lMesh.SwapPolygons(lBad, lBadVertices));
    EXPECT_EQ(lMesh.GetPolygonCount(), 2);
    EXPECT_EQ(lBadVertices.size(), 3u);
}

} // namespace
