// OBJ files read and written back must come out byte for byte as the kit writes them: the
// expected bytes were written by the kit before its reader was reworked for speed and memory,
// then again when the opacity became a "d" line. The fixture
// tests/data/obj/mixed.obj takes every path of the mesh build (flat faces with a repeated corner
// and a long flat face, smoothing groups with and without given normals, partial texture vertices,
// materials and a texture by polygon, a missing material).
#include "tests/formats/geometry/obj/ObjTestSupport.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

namespace {

std::uint64_t Fnv1a(const std::string& pBytes)
{
    std::uint64_t lHash = 0xcbf29ce484222325ull;
    for (const char lByte : pBytes) {
        lHash = (lHash ^ static_cast<unsigned char>(lByte)) * 0x100000001b3ull;
    }
    return lHash;
}

TEST(ObjWrittenBytesTest, MixedFileIsWrittenAsBefore)
{
    const std::string lData = RYV_TEST_DATA_DIR "/obj/";
    TempFolder lFolder;
    for (const char* lName : {"mixed.obj", "mixed.mtl", "wood.ppm"}) {
        lFolder.Write(lName, FileBytes(lData + lName));
    }
    const std::string lOutput = lFolder.PathOf("out/mixed-written.obj");
    ASSERT_TRUE(Convert(lFolder.PathOf("mixed.obj"), lOutput));
    EXPECT_EQ(FileBytes(lOutput), FileBytes(lData + "mixed-written.obj"));
    EXPECT_EQ(FileBytes(lFolder.PathOf("out/mixed-written.mtl")),
              FileBytes(lData + "mixed-written.mtl"));
}

TEST(ObjWrittenBytesTest, SampleFilesAreWrittenAsBefore)
{
    const std::string lSamples = std::string(RYV_SAMPLES_DIR) + "/obj/";
    if (!std::filesystem::exists(lSamples + "lightcycle-high.obj")) {
        GTEST_SKIP() << "samples absent";
    }
    struct Expected
    {
        const char* mName;
        std::uint64_t mObj;
        std::uint64_t mMtl;
    };
    for (const Expected& lCase :
         {Expected{"boats_boat", 0x633682a8f2c36ee3ull, 0x045fd5c132eeb442ull},
          Expected{"lightcycle-high", 0x3db5abddb9daa462ull, 0x7da10f93d8e62ae4ull}}) {
        TempFolder lFolder;
        const std::string lOutput = lFolder.PathOf(std::string(lCase.mName) + ".obj");
        ASSERT_TRUE(Convert(lSamples + lCase.mName + ".obj", lOutput)) << lCase.mName;
        EXPECT_EQ(Fnv1a(FileBytes(lOutput)), lCase.mObj) << lCase.mName;
        EXPECT_EQ(Fnv1a(FileBytes(lFolder.PathOf(std::string(lCase.mName) + ".mtl"))), lCase.mMtl)
            << lCase.mName;
    }
}

} // namespace
