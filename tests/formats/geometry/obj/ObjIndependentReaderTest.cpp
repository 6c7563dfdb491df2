// An independent OBJ reader reads what the kit writes as the kit meant it: the positions, UVs and
// material opacity of every face corner, as that reader finds them in the file the kit read.
#ifdef RYV_HAVE_TINYOBJLOADER

#include "tests/formats/geometry/obj/ObjTestSupport.h"

#include "formats/geometry/obj/KWriterObj.h"
#include "scene/objects/KRyvMaterial.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>
#include <tiny_obj_loader.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>

namespace {

// A value to the sixth decimal, the precision the kit prints.
long long Sixth(double pValue)
{
    return std::llround(pValue * 1e6);
}

// What the independent reader finds in an OBJ file and its library.
struct IndependentRead
{
    bool mRead = false;
    std::string mError;
    // Per face: each corner's position and UV (when it has one), then its material's opacity
    // (1 without a material); sorted, as the kit orders groups and faces its own way.
    std::vector<std::vector<long long>> mFaces;
    // Opacity by material name.
    std::map<std::string, double> mOpacities;

    // pNormals: each corner's normal (when it has one) follows its UV.
    explicit IndependentRead(const std::string& pPath, bool pNormals = false)
    {
        tinyobj::attrib_t lAttrib;
        std::vector<tinyobj::shape_t> lShapes;
        std::vector<tinyobj::material_t> lMaterials;
        std::string lWarning;
        const std::string lFolder = std::filesystem::path(pPath).parent_path().string() + "/";
        mRead = tinyobj::LoadObj(&lAttrib, &lShapes, &lMaterials, &lWarning, &mError, pPath.c_str(),
                                 lFolder.c_str(), false);
        for (const tinyobj::material_t& lMaterial : lMaterials) {
            mOpacities[lMaterial.name] = lMaterial.dissolve;
        }
        for (const tinyobj::shape_t& lShape : lShapes) {
            std::size_t lCorner = 0;
            for (std::size_t f = 0; f < lShape.mesh.num_face_vertices.size(); ++f) {
                std::vector<long long> lFace;
                for (unsigned k = 0; k < lShape.mesh.num_face_vertices[f]; ++k) {
                    const tinyobj::index_t& lIndex = lShape.mesh.indices[lCorner++];
                    for (int c = 0; c < 3; ++c) {
                        lFace.push_back(Sixth(lAttrib.vertices[3 * lIndex.vertex_index + c]));
                    }
                    for (int c = 0; c < 2 && lIndex.texcoord_index >= 0; ++c) {
                        lFace.push_back(Sixth(lAttrib.texcoords[2 * lIndex.texcoord_index + c]));
                    }
                    for (int c = 0; c < 3 && pNormals && lIndex.normal_index >= 0; ++c) {
                        lFace.push_back(Sixth(lAttrib.normals[3 * lIndex.normal_index + c]));
                    }
                }
                const int lMaterial = lShape.mesh.material_ids[f];
                lFace.push_back(Sixth(lMaterial >= 0 ? lMaterials[lMaterial].dissolve : 1.0));
                mFaces.push_back(lFace);
            }
        }
        std::sort(mFaces.begin(), mFaces.end());
    }
};

TEST(ObjIndependentReaderTest, WrittenOpacityIsReadAsOpacity)
{
    KRyvObjectFactory lFactory;
    KRyvScene lScene(&lFactory);
    const struct
    {
        const char* mName;
        double mOpacity;
    } kMaterials[] = {{"glass", 0.25}, {"solid", 1.0}, {"clear", 0.0}};
    for (const auto& lCase : kMaterials) {
        KRyvMesh* lMesh = lFactory.CreateMesh();
        lMesh->InitControlPoints(3);
        for (int i = 0; i < 3; ++i) {
            lMesh->GetControlPoints()[i] = KVector4(i == 1 ? 1.0 : 0.0, i == 2 ? 1.0 : 0.0, 0.0);
            lMesh->AddPolygon(i);
        }
        KRyvMaterial* lMaterial = lFactory.CreateMaterial(lCase.mName);
        lMaterial->SetOpacity(lCase.mOpacity);
        lMesh->InitMaterialIndices(KRyvMesh::eMappingAllSame);
        lMesh->AddMaterial(lMaterial);
        KRyvNode* lNode = lFactory.CreateNode(lCase.mName);
        lNode->SetNodeAttribute(lMesh);
        lScene.GetRootNode()->AddChild(lNode);
    }
    TempFolder lFolder;
    KWriterObj lWriter(&lFactory);
    KStreamOptionsObj lOptions;
    ASSERT_TRUE(lWriter.FileCreate(lFolder.PathOf("a.obj").c_str()) &&
                lWriter.Write(&lScene, &lOptions));
    const IndependentRead lRead(lFolder.PathOf("a.obj"));
    ASSERT_TRUE(lRead.mRead) << lRead.mError;
    for (const auto& lCase : kMaterials) {
        ASSERT_EQ(lRead.mOpacities.count(lCase.mName), 1u) << lCase.mName;
        EXPECT_DOUBLE_EQ(lRead.mOpacities.at(lCase.mName), lCase.mOpacity) << lCase.mName;
    }
}

// A face without texture vertices is read without by the other reader too, and normals of length
// one to the printed precision come back with the digits the file gave them.
TEST(ObjIndependentReaderTest, FacesWithoutUVsAndStatedNormalsReadAsTheirSource)
{
    TempFolder lFolder;
    const std::string lSource = lFolder.Write(
        "stated.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0.25 0.5\nvt 0.75 0.5\nvt 0.5 1\n"
                      "vn 0.012451 -0.996116 -0.087160\nvn 0.6 0.800001 0\n"
                      "f 1/1/1 2/2/1 3/3/1\nf 1//2 3//2 4//2\n");
    ASSERT_TRUE(Convert(lSource, lFolder.PathOf("out.obj")));
    const IndependentRead lExpected(lSource, true);
    const IndependentRead lWritten(lFolder.PathOf("out.obj"), true);
    ASSERT_TRUE(lExpected.mRead && lWritten.mRead);
    ASSERT_EQ(lExpected.mFaces.size(), 2u);
    EXPECT_EQ(lWritten.mFaces, lExpected.mFaces);
}

TEST(ObjIndependentReaderTest, SamplesWrittenReadAsTheirSources)
{
    const std::string lSamples = std::string(RYV_SAMPLES_DIR) + "/obj/";
    if (!std::filesystem::is_directory(lSamples)) {
        GTEST_SKIP() << "samples absent";
    }
    for (const auto& lEntry : std::filesystem::directory_iterator(lSamples)) {
        if (lEntry.path().extension() != ".obj") {
            continue;
        }
        const std::string lSource = lEntry.path().string();
        TempFolder lFolder;
        ASSERT_TRUE(Convert(lSource, lFolder.PathOf("out.obj"))) << lSource;
        const IndependentRead lExpected(lSource);
        const IndependentRead lWritten(lFolder.PathOf("out.obj"));
        ASSERT_TRUE(lExpected.mRead && lWritten.mRead) << lSource;
        EXPECT_FALSE(lExpected.mFaces.empty()) << lSource;
        EXPECT_TRUE(lExpected.mFaces == lWritten.mFaces) << lSource;
    }
}

} // namespace

#endif
