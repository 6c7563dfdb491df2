#include "platform/vurn/MItMesh.h"
#include "platform/vurn/VurnFixtures.h"

#include <gtest/gtest.h>

namespace {
// Three polygons of 3, 4 and 5 corners around vertex 0; normal ids per corner, with a repeat,
// an id past the normals and a missing one.
MObject Fan()
{
    VurnScene::Reset();
    const int lTransform = VurnFixtures::Transform("fan");
    const int lShape = VurnScene::Get().CreateNode(MFn::kMesh, "fanShape", lTransform);
    auto lMesh = std::make_shared<VurnMeshData>();
    for (int lPoint = 0; lPoint < 10; ++lPoint) {
        lMesh->mPoints.emplace_back(lPoint, 0, 0);
    }
    lMesh->mPolygons = {{0, 1, 2}, {3, 0, 4, 5}, {6, 7, 8, 9, 0}};
    lMesh->mNormals = {MVector(1, 0, 0), MVector(0, 1, 0), MVector(0, 0, 1)};
    lMesh->mNormalIds = {{2, 0, 0}, {0, 2, 0, 0}, {0, 0, 0, 0, 9}};
    VurnScene::Get().MutableNode(lShape)->mMesh = lMesh;
    return MObject::node(lShape);
}
} // namespace

TEST(VurnMeshWalkTest, VertexNormalsAreDistinctValidIdsInPolygonOrder)
{
    MItMeshVertex lWalk(Fan());
    MVectorArray lNormals;
    ASSERT_TRUE(lWalk.getNormals(lNormals));
    // Vertex 0: id 2 (polygon 0), id 2 again (polygon 1), id 9 (none such, polygon 2).
    ASSERT_EQ(lNormals.length(), 1u);
    EXPECT_EQ(lNormals[0].z, 1.0);
    lWalk.next();
    ASSERT_TRUE(lWalk.getNormals(lNormals));
    ASSERT_EQ(lNormals.length(), 1u);
    EXPECT_EQ(lNormals[0].x, 1.0);
    for (int lVertex = 1; lVertex < 9; ++lVertex) {
        lWalk.next();
    }
    ASSERT_EQ(lWalk.index(), 9);
    ASSERT_TRUE(lWalk.getNormals(lNormals));
    EXPECT_EQ(lNormals.length(), 1u);
}

TEST(VurnMeshWalkTest, FaceVertexColourIndicesRunOverThePolygons)
{
    const MFnMesh lMesh(Fan());
    int lIndex = -1;
    for (int lPolygon = 0, lExpected = 0; lPolygon < 3; ++lPolygon) {
        for (int lCorner = 0; lCorner < lMesh.polygonVertexCount(lPolygon); ++lCorner) {
            ASSERT_TRUE(lMesh.getFaceVertexColorIndex(lPolygon, lCorner, lIndex));
            EXPECT_EQ(lIndex, lExpected++);
        }
    }
    EXPECT_FALSE(lMesh.getFaceVertexColorIndex(1, 4, lIndex));
    EXPECT_FALSE(lMesh.getFaceVertexColorIndex(3, 0, lIndex));
    // A polygon added later is counted in.
    VurnScene::Get().MutableNode(lMesh.object().id())->mMesh->mPolygons.push_back({1, 2, 3});
    ASSERT_TRUE(lMesh.getFaceVertexColorIndex(3, 2, lIndex));
    EXPECT_EQ(lIndex, 14);
}
