// Every 3DS and OBJ sample of ../shared/samples converted to 3DS, as the converter does, and that
// file converted again: the second 3DS pass writes the same bytes as the first, and a third the
// same again. Each pass writes into a folder of its own, so that the texture files it copies
// lie beside the file that names them. A hand-made mesh shows the same without the samples.
#include "tests/formats/geometry/3ds/Format3dsTestSupport.h"
#include "tests/formats/geometry/obj/ObjTestSupport.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int kPasses = 3;

// The files of a sample folder with the extension, in name order; none without the folder.
std::vector<std::filesystem::path> SamplesOf(const char* pFolder, const char* pExtension)
{
    std::vector<std::filesystem::path> lFiles;
    const std::filesystem::path lFolder = std::filesystem::path(RYV_SAMPLES_DIR) / pFolder;
    std::error_code lError;
    for (const auto& lEntry : std::filesystem::directory_iterator(lFolder, lError)) {
        if (lEntry.path().extension() == pExtension) {
            lFiles.push_back(lEntry.path());
        }
    }
    std::sort(lFiles.begin(), lFiles.end());
    return lFiles;
}

// Converts pSample to 3DS, then each pass's output again, and expects every pass after the
// first to give the bytes of the one before.
void ExpectStableThrough3ds(const std::filesystem::path& pSample)
{
    SCOPED_TRACE(pSample.filename().string());
    TempFolder lFolder;
    std::string lInput = pSample.string();
    std::string lPrevious;
    for (int lPass = 1; lPass <= kPasses; ++lPass) {
        const std::string lOutput =
            lFolder.PathOf("pass" + std::to_string(lPass) + "/" + pSample.stem().string() + ".3ds");
        std::filesystem::create_directories(std::filesystem::path(lOutput).parent_path());
        ASSERT_TRUE(Convert(lInput, lOutput)) << "pass " << lPass;
        const std::string lBytes = FileBytes(lOutput);
        ASSERT_FALSE(lBytes.empty());
        if (lPass > 1) {
            EXPECT_TRUE(lBytes == lPrevious) << "pass " << lPass << " changed the file";
        }
        lPrevious = lBytes;
        lInput = lOutput;
    }
}

} // namespace

TEST(K3dsSecondPass, Every3dsSampleKeepsItsBytes)
{
    const std::vector<std::filesystem::path> lSamples = SamplesOf("3ds", ".3ds");
    if (lSamples.empty()) {
        GTEST_SKIP() << "no 3DS samples";
    }
    for (const std::filesystem::path& lSample : lSamples) {
        ExpectStableThrough3ds(lSample);
    }
}

TEST(K3dsSecondPass, EveryObjSampleKeepsItsBytes)
{
    const std::vector<std::filesystem::path> lSamples = SamplesOf("obj", ".obj");
    if (lSamples.empty()) {
        GTEST_SKIP() << "no OBJ samples";
    }
    for (const std::filesystem::path& lSample : lSamples) {
        ExpectStableThrough3ds(lSample);
    }
}

// A flat face that shares a point with smooth faces, and two faces in one plane whose normals
// lean out of it (smooth as given, flat as a reader finds them): the first file already holds
// the vertices and groups that reading it gives, so writing what was read gives its bytes.
TEST(K3dsSecondPass, FlatAndSmoothFacesKeepTheirBytes)
{
    Scene3ds lScene;
    KRyvNode* lNode = lScene.AddMesh("Mixed",
                                     {{0, 0, 0},
                                      {1, 0, 0},
                                      {0, 0, -1},
                                      {0, 1, 1},
                                      {-1, 0, 1},
                                      {1, 1, 1},
                                      {0, 2, 0},
                                      {1, 2, 0},
                                      {1, 2, -1},
                                      {0, 2, -1}},
                                     {{0, 1, 2}, {0, 3, 4}, {0, 5, 3}, {6, 7, 8, 9}});
    auto* lMesh = static_cast<KRyvMesh*>(lNode->GetMesh());
    lMesh->InitNormals(lMesh->GetControlPointCount());
    const KVector4 lUp(0, 1, 0);
    const KVector4 lLeaning(0.6, 0.8, 0);
    for (int i = 0; i < lMesh->GetControlPointCount(); ++i) {
        // The flat face's points face up; every other point leans.
        lMesh->GetNormalsDirect()[i] = i < 3 ? lUp : lLeaning;
    }
    TempFolder lFolder;
    ASSERT_TRUE(lScene.Write(lFolder.PathOf("1.3ds")));
    Read3ds lFirst = ReadFile(lFolder.PathOf("1.3ds"));
    ASSERT_TRUE(lFirst.mRead) << lFirst.mError;
    ASSERT_TRUE(Write3ds(lFirst, lFolder.PathOf("2.3ds")));
    EXPECT_TRUE(FileBytes(lFolder.PathOf("1.3ds")) == FileBytes(lFolder.PathOf("2.3ds")));
    // The flat face's corner that the smooth faces share became a vertex of its own.
    EXPECT_EQ(lFirst.MeshOf("Mixed")->GetControlPointCount(), 11);
}
