// The real files of ../shared/samples/3ds. The expected numbers come from a separate walk of
// the chunk headers (a few lines of script over the raw bytes), not from this toolkit.
#include "tests/formats/geometry/3ds/toolkit/Toolkit3dsTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace test3ds;

namespace {

struct Sample
{
    const char* mFile;
    uint32_t mMeshes;
    uint32_t mMaterials;
    uint32_t mObjectNodes;
    const char* mFirstMesh;
    uint16_t mFirstVertices;
    Point3ds mFirstVertex;
};

const Sample kSamples[] = {
    {"cannon1.3ds", 1, 1, 1, "Ebene02", 4, {86.9106216f, 38.4696617f, 0.0f}},
    {"gl-14.3ds", 23, 15, 41, "pCylinder2", 240, {-0.814693332f, -0.139055476f, -0.124813162f}},
    {"hall1.3ds", 3, 3, 7, "pCylinder1", 128, {-0.480807245f, -0.0855589211f, 0.107018679f}},
    {"ship1.3ds", 25, 25, 53, "pCylinder1", 198, {0.212262034f, 0.0888570696f, 0.0836020038f}},
    {"tank1.3ds", 8, 8, 19, "pSphere1_0", 112, {0.501000106f, 0.500999928f, 0.486647904f}},
};

} // namespace

TEST(Toolkit3dsSamples, CountsAndVerticesMatch)
{
    const std::filesystem::path lFolder = std::filesystem::path(RYV_SAMPLES_DIR) / "3ds";
    if (!std::filesystem::is_directory(lFolder)) {
        GTEST_SKIP() << "no sample folder " << lFolder;
    }
    ScratchDir lDir;
    for (const Sample& lSample : kSamples) {
        SCOPED_TRACE(lSample.mFile);
        auto lRun = LoadFile((lFolder / lSample.mFile).string());
        Toolkit3dsContext& lKit = lRun->mKit;
        ChunkDatabase3ds* lDb = lRun->Db();
        EXPECT_EQ(GetDatabaseKind3ds(lDb), kMeshFile3ds);
        EXPECT_EQ(GetMeshCount3ds(lKit, lDb), lSample.mMeshes);
        EXPECT_EQ(GetMaterialCount3ds(lKit, lDb), lSample.mMaterials);
        EXPECT_EQ(GetObjectNodeCount3ds(lKit, lDb), lSample.mObjectNodes);
        std::unique_ptr<MeshObject3ds> lMesh;
        GetMeshByIndex3ds(lKit, lDb, 0, lMesh);
        ASSERT_TRUE(lMesh);
        EXPECT_EQ(lMesh->mName, lSample.mFirstMesh);
        EXPECT_EQ(lMesh->mVertexCount, lSample.mFirstVertices);
        EXPECT_EQ(lMesh->mVertices[0].x, lSample.mFirstVertex.x);
        EXPECT_EQ(lMesh->mVertices[0].y, lSample.mFirstVertex.y);
        EXPECT_EQ(lMesh->mVertices[0].z, lSample.mFirstVertex.z);
        for (uint32_t i = 0; i < lSample.mMeshes; ++i) {
            GetMeshByIndex3ds(lKit, lDb, i, lMesh);
        }
        EXPECT_FALSE(lRun->Failed());
        // Read and written again, the file keeps its bytes.
        EXPECT_EQ(WriteDatabase(*lRun, lDir), ReadBytes((lFolder / lSample.mFile).string()));
    }
}
