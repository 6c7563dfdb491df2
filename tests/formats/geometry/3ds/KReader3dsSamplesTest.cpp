// The real files of ../shared/samples/3ds read into scenes. Mesh nodes and their faces are
// counted against an independent 3DS library where it is installed, and a few values of the
// smallest file are checked by hand.
#include "tests/formats/geometry/3ds/Format3dsTestSupport.h"

#include "formats/geometry/3ds/K3dsAxes.h"
#include "formats/geometry/3ds/KWriter3ds.h"
#include "scene/objects/KRyvMaterial.h"
#include "tests/support/KSceneComparer.h"

#include <gtest/gtest.h>

#ifdef RYV_HAVE_LIB3DS
#include <lib3ds/file.h>
#include <lib3ds/material.h>
#include <lib3ds/matrix.h>
#include <lib3ds/mesh.h>
#include <lib3ds/node.h>
#include <lib3ds/vector.h>
#endif

#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"

#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <set>

namespace {

const char* const kSamples[] = {"cannon1.3ds", "gl-14.3ds", "hall1.3ds", "ship1.3ds", "tank1.3ds"};

std::filesystem::path SampleFolder()
{
    return std::filesystem::path(RYV_SAMPLES_DIR) / "3ds";
}

Read3ds ReadSample(const char* pName)
{
    return ReadFile((SampleFolder() / pName).string());
}

bool Write(Read3ds& ioRead, const std::string& pPath)
{
    KWriter3ds lWriter(ioRead.mFactory.get());
    KStreamOptions3ds lOptions;
    return lWriter.FileCreate(pPath.c_str()) && lWriter.Write(ioRead.mScene.get(), &lOptions);
}

// Mesh nodes and their polygons.
std::array<int, 2> Census(Read3ds& pRead)
{
    std::array<int, 2> lCounts{0, 0};
    for (int i = 0; i < pRead.mFactory->GetNodeCount(); ++i) {
        if (auto* lMesh = static_cast<KRyvMesh*>(pRead.mFactory->GetNode(i)->GetMesh())) {
            ++lCounts[0];
            lCounts[1] += lMesh->GetPolygonCount();
        }
    }
    return lCounts;
}

// The diffuse colours of the materials, in thousandths.
std::set<std::array<long, 3>> Diffuses(Read3ds& pRead)
{
    std::set<std::array<long, 3>> lColors;
    for (int i = 0; i < pRead.mFactory->GetMaterialCount(); ++i) {
        const KColor lColor = pRead.mFactory->GetMaterial(i)->GetDiffuseColor();
        lColors.insert({std::lround(lColor.mRed * 1000), std::lround(lColor.mGreen * 1000),
                        std::lround(lColor.mBlue * 1000)});
    }
    return lColors;
}

// Where the meshes are over time, whatever their names and Euler angles: the sum of the
// magnitudes of their global matrices' axes and origins at a few frames.
double Motion(Read3ds& pRead)
{
    double lSum = 0.0;
    for (int i = 0; i < pRead.mFactory->GetNodeCount(); ++i) {
        KRyvNode* lNode = pRead.mFactory->GetNode(i);
        if (!lNode->GetMesh()) {
            continue;
        }
        for (int lFrame : {0, 7, 15}) {
            const KMatrix& lGlobal = lNode->GetGlobalMatrixAtTime(K3dsAxes::FrameTime(lFrame));
            for (int r = 0; r < 4; ++r) {
                for (int c = 0; c < 3; ++c) {
                    lSum += std::fabs(lGlobal[r][c]);
                }
            }
        }
    }
    return lSum;
}

#ifdef RYV_HAVE_LIB3DS
// Object nodes that name a mesh, and their faces, as the other library reads them.
void CountMeshNodes(Lib3dsFile* pFile, Lib3dsNode* pNode, int& ioNodes, int& ioFaces)
{
    for (; pNode; pNode = pNode->next) {
        if (pNode->type == LIB3DS_OBJECT_NODE) {
            if (Lib3dsMesh* lMesh = lib3ds_file_mesh_by_name(pFile, pNode->name)) {
                ++ioNodes;
                ioFaces += static_cast<int>(lMesh->faces);
            }
        }
        CountMeshNodes(pFile, pNode->childs, ioNodes, ioFaces);
    }
}
#endif

} // namespace

TEST(KReader3dsSamples, MeshNodesAndFacesMatchAnIndependentReading)
{
    if (!std::filesystem::is_directory(SampleFolder())) {
        GTEST_SKIP() << "no sample folder";
    }
    for (const char* lName : kSamples) {
        SCOPED_TRACE(lName);
        Read3ds lRead = ReadSample(lName);
        ASSERT_TRUE(lRead.mRead) << lRead.mError;
        int lMeshNodes = 0;
        int lPolygons = 0;
        for (int i = 0; i < lRead.mFactory->GetNodeCount(); ++i) {
            if (auto* lMesh = static_cast<KRyvMesh*>(lRead.mFactory->GetNode(i)->GetMesh())) {
                ++lMeshNodes;
                lPolygons += lMesh->GetPolygonCount();
            }
        }
#ifdef RYV_HAVE_LIB3DS
        Lib3dsFile* lFile = lib3ds_file_load((SampleFolder() / lName).string().c_str());
        ASSERT_NE(lFile, nullptr);
        int lNodes = 0;
        int lFaces = 0;
        CountMeshNodes(lFile, lFile->nodes, lNodes, lFaces);
        int lMaterials = 0;
        for (Lib3dsMaterial* lMaterial = lFile->materials; lMaterial; lMaterial = lMaterial->next) {
            ++lMaterials;
        }
        lib3ds_file_free(lFile);
        EXPECT_EQ(lMeshNodes, lNodes);
        EXPECT_EQ(lPolygons, lFaces);
        EXPECT_EQ(lRead.mFactory->GetMaterialCount(), lMaterials);
#else
        EXPECT_GT(lMeshNodes, 0);
#endif
    }
}

TEST(KReader3dsSamples, TheSmallestFileByHand)
{
    if (!std::filesystem::is_directory(SampleFolder())) {
        GTEST_SKIP() << "no sample folder";
    }
    Read3ds lRead = ReadSample("cannon1.3ds");
    ASSERT_TRUE(lRead.mRead) << lRead.mError;
    KRyvMesh* lMesh = lRead.MeshOf("Ebene02");
    ASSERT_NE(lMesh, nullptr);
    EXPECT_EQ(lMesh->GetPolygonCount(), 2);
    ASSERT_EQ(lRead.mFactory->GetMaterialCount(), 1);
    KRyvMaterial* lMaterial = lRead.mFactory->GetMaterial(0);
    EXPECT_STREQ(lMaterial->GetNameWithoutPrefix().Buffer(), "01 - Standard");
    EXPECT_NEAR(lMaterial->GetDiffuseColor().mRed, 0.224, 0.001);
    EXPECT_EQ(lMesh->GetMaterial(0), lMaterial);
}

// Each sample read, written and read again keeps its meshes, faces, materials and animation.
// A file written here, read and written again, gives the same bytes (3DS -> 3DS -> 3DS), and
// reading those bytes gives the same scene.
TEST(KReader3dsSamples, ReadWriteReadKeepsEachSample)
{
    if (!std::filesystem::is_directory(SampleFolder())) {
        GTEST_SKIP() << "no sample folder";
    }
    test3ds::ScratchDir lDir;
    for (const char* lName : kSamples) {
        SCOPED_TRACE(lName);
        Read3ds lA = ReadSample(lName);
        ASSERT_TRUE(lA.mRead) << lA.mError;
        ASSERT_TRUE(Write(lA, lDir.Path("1.3ds")));
        Read3ds lB = ReadFile(lDir.Path("1.3ds"));
        ASSERT_TRUE(lB.mRead) << lB.mError;
        EXPECT_EQ(Census(lA), Census(lB));
        EXPECT_NEAR(Motion(lA), Motion(lB), 1e-4 * Motion(lA));
        // Textured materials are made once per mesh, so the count may grow: the colours stay.
        EXPECT_EQ(Diffuses(lA), Diffuses(lB));
        ASSERT_TRUE(Write(lB, lDir.Path("2.3ds")));
        Read3ds lC = ReadFile(lDir.Path("2.3ds"));
        ASSERT_TRUE(lC.mRead) << lC.mError;
        EXPECT_EQ(Census(lB), Census(lC));
        EXPECT_EQ(test3ds::ReadBytes(lDir.Path("1.3ds")), test3ds::ReadBytes(lDir.Path("2.3ds")));
        ASSERT_TRUE(Write(lC, lDir.Path("3.3ds")));
        EXPECT_EQ(test3ds::ReadBytes(lDir.Path("2.3ds")), test3ds::ReadBytes(lDir.Path("3.3ds")));
        Read3ds lD = ReadFile(lDir.Path("3.3ds"));
        KSceneComparer::Options lCompare;
        lCompare.mTolerance = 1e-4;
        EXPECT_EQ(KSceneComparer(lCompare).Compare(*lC.mScene, *lD.mScene), "");
    }
}

// Every mesh of a node of its own name stands in its system as the other library reads it,
// mirrored meshes included (the samples hold three): its points brought back by the inverse of
// the mesh matrix, less the node's pivot, in kit axes, times 2.54 and the master scale.
TEST(KReader3dsSamples, MeshPointsMatchAnIndependentReading)
{
#ifndef RYV_HAVE_LIB3DS
    GTEST_SKIP() << "the independent 3DS reader is not installed";
#else
    if (!std::filesystem::is_directory(SampleFolder())) {
        GTEST_SKIP() << "no sample folder";
    }
    int lCompared = 0;
    for (const char* lName : kSamples) {
        SCOPED_TRACE(lName);
        Read3ds lRead = ReadSample(lName);
        ASSERT_TRUE(lRead.mRead) << lRead.mError;
        Lib3dsFile* lFile = lib3ds_file_load((SampleFolder() / lName).string().c_str());
        ASSERT_NE(lFile, nullptr);
        const double lScale = 2.54 * (lFile->master_scale > 0.0f ? lFile->master_scale : 1.0);
        for (Lib3dsMesh* lMesh = lFile->meshes; lMesh; lMesh = lMesh->next) {
            Lib3dsNode* lNode = lib3ds_file_node_by_name(lFile, lMesh->name, LIB3DS_OBJECT_NODE);
            KRyvMesh* lOurs = lRead.MeshOf(lMesh->name);
            if (!lNode || lNode->data.object.instance[0] != '\0' || !lOurs) {
                continue;
            }
            Lib3dsMatrix lInverse;
            std::memcpy(lInverse, lMesh->matrix, sizeof(lInverse));
            lib3ds_matrix_inv(lInverse);
            ASSERT_GE(lOurs->GetControlPointCount(), static_cast<int>(lMesh->points));
            for (unsigned v = 0; v < lMesh->points; ++v) {
                Lib3dsVector lLocal;
                lib3ds_vector_transform(lLocal, lInverse, lMesh->pointL[v].pos);
                const Lib3dsFloat* lPivot = lNode->data.object.pivot;
                const KVector4 lExpected =
                    KVector4(lLocal[0] - lPivot[0], lLocal[2] - lPivot[2], lPivot[1] - lLocal[1]) *
                    lScale;
                const KVector4& lPoint = lOurs->GetControlPoints()[v];
                for (int c = 0; c < 3; ++c) {
                    ASSERT_NEAR(lPoint[c], lExpected[c], 1e-3 * (1.0 + std::fabs(lExpected[c])))
                        << lMesh->name << " point " << v;
                }
            }
            ++lCompared;
        }
        lib3ds_file_free(lFile);
    }
    EXPECT_GT(lCompared, 0);
#endif
}
