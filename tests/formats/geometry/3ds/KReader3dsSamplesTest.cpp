// The real files of ../shared/samples/3ds read into scenes. Mesh nodes and their faces are
// counted against an independent 3DS library where it is installed, and a few values of the
// smallest file are checked by hand.
#include "tests/formats/geometry/3ds/Format3dsTestSupport.h"

#include "scene/objects/KRyvMaterial.h"

#include <gtest/gtest.h>

#ifdef RYV_HAVE_LIB3DS
#include <lib3ds/file.h>
#include <lib3ds/material.h>
#include <lib3ds/mesh.h>
#include <lib3ds/node.h>
#endif

#include <cstring>
#include <filesystem>

namespace {

const char* const kSamples[] = {"cannon1.3ds", "gl-14.3ds", "hall1.3ds", "ship1.3ds", "tank1.3ds"};

std::filesystem::path SampleFolder()
{
    return std::filesystem::path(RYV_SAMPLES_DIR) / "3ds";
}

Read3ds ReadSample(const char* pName)
{
    Read3ds lRead;
    KReader3ds lReader(lRead.mFactory.get());
    KStreamOptions3ds lOptions;
    lRead.mRead = lReader.FileOpen((SampleFolder() / pName).string().c_str()) &&
                  lReader.Read(lRead.mScene.get(), &lOptions);
    lRead.Keep(lReader);
    return lRead;
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
