// A BVH file converted through a native file in each of its five forms gives the same BVH bytes
// as the direct conversion: the skeleton's mark, the current take and (through the take's span)
// the frames travel with the scene.

#include "formats/motion/KMotionTakeSpan.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "io/KExporter.h"
#include "io/KFileFormatRegistry.h"
#include "io/KImporter.h"
#include "io/KStreamOptionsRyv.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"

#include "tests/formats/motion/MotionTestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace {

const char kSmallBvh[] =
    "HIERARCHY\n"
    "ROOT Hips\n"
    "{\n"
    "\tOFFSET 0 0 0\n"
    "\tCHANNELS 6 Xposition Yposition Zposition Zrotation Xrotation Yrotation\n"
    "\tJOINT Leg\n"
    "\t{\n"
    "\t\tOFFSET 0 -10 1.5\n"
    "\t\tCHANNELS 3 Zrotation Xrotation Yrotation\n"
    "\t\tEnd Site\n"
    "\t\t{\n"
    "\t\t\tOFFSET 0 -8 0\n"
    "\t\t}\n"
    "\t}\n"
    "}\n"
    "MOTION\n"
    "Frames:\t4\n"
    "Frame Time:\t0.0333333\n"
    "1 2 3 0 0 0 10 0 0\n"
    "1.5 2 3 5 0 0 20 -5 0\n"
    "2 2.5 3 10 2 0 30 -10 1\n"
    "2.5 3 3.5 15 4 1 40 -15 2\n";

class KBvhThroughRyvTest : public ::testing::TestWithParam<int>
{
protected:
    // Reads pPath into the scene; the read options in oOptions.
    bool Read(const std::string& pPath, int pFormat, KRyvScene& ioScene,
              std::unique_ptr<KStreamOptions>& oOptions)
    {
        KImporter lImporter(&mFactory);
        lImporter.SetFileFormat(pFormat);
        if (!lImporter.Initialize(pPath.c_str())) {
            return false;
        }
        oOptions = lImporter.GetReadOptions();
        if (auto* lNative = dynamic_cast<KStreamOptionsRyv*>(oOptions.get())) {
            lNative->SetPassword("pass");
        }
        return lImporter.Import(&ioScene, oOptions.get());
    }

    bool Write(KRyvScene& ioScene, const std::string& pPath, int pFormat, KStreamOptions* pOptions)
    {
        KExporter lExporter(&mFactory);
        lExporter.SetFileFormat(pFormat);
        lExporter.Initialize(pPath.c_str());
        return lExporter.Export(&ioScene, pOptions);
    }

    // The BVH written from the file directly and through a native file of the parameter's form.
    void Convert(const std::string& pBvh, std::string& oDirect, std::string& oThrough)
    {
        KRyvScene lScene(&mFactory);
        std::unique_ptr<KStreamOptions> lRead;
        ASSERT_TRUE(Read(pBvh, KFileFormatRegistry::kImportBvh, lScene, lRead));
        auto lDirect = KStreamOptionsMotion::Create();
        const auto& lMotion = static_cast<const KStreamOptionsMotion&>(*lRead);
        lDirect->SetStart(lMotion.GetStart());
        lDirect->SetFrameCount(lMotion.GetFrameCount());
        lDirect->SetTimeMode(lMotion.GetTimeMode(), lMotion.GetFrameRate());
        const std::string lDirectPath = MotionTestPath("direct.bvh");
        ASSERT_TRUE(Write(lScene, lDirectPath, KFileFormatRegistry::kExportBvh, lDirect.get()));

        KStreamOptionsRyv lNative;
        lNative.SetPassword("pass");
        const std::string lRyv = MotionTestPath("through.ryv");
        ASSERT_TRUE(Write(lScene, lRyv, GetParam(), &lNative));
        KRyvScene lBack(&mFactory);
        std::unique_ptr<KStreamOptions> lNativeRead;
        ASSERT_TRUE(Read(lRyv, KFileFormatRegistry::kImportRyvBinary, lBack, lNativeRead));
        auto lThrough = KStreamOptionsMotion::Create();
        ASSERT_TRUE(KMotionTakeSpan::Fill(lBack, *lThrough));
        const std::string lThroughPath = MotionTestPath("through.bvh");
        ASSERT_TRUE(Write(lBack, lThroughPath, KFileFormatRegistry::kExportBvh, lThrough.get()));
        oDirect = ReadTestFile(lDirectPath);
        oThrough = ReadTestFile(lThroughPath);
    }

    KRyvObjectFactory mFactory;
};

TEST_P(KBvhThroughRyvTest, ASmallFileGivesTheSameBytes)
{
    std::string lDirect;
    std::string lThrough;
    Convert(WriteTestFile("small.bvh", kSmallBvh), lDirect, lThrough);
    EXPECT_NE(lDirect.find("Frames:\t4"), std::string::npos);
    EXPECT_EQ(lThrough, lDirect);
}

TEST_P(KBvhThroughRyvTest, TheSampleGivesTheSameBytes)
{
    const std::string lSample = std::string(RYV_SAMPLES_DIR) + "/bvh/01_01.bvh";
    if (!std::filesystem::exists(lSample)) {
        GTEST_SKIP() << "no samples";
    }
    std::string lDirect;
    std::string lThrough;
    Convert(lSample, lDirect, lThrough);
    EXPECT_TRUE(lThrough == lDirect);
}

INSTANTIATE_TEST_SUITE_P(NativeForms, KBvhThroughRyvTest,
                         ::testing::Values(KFileFormatRegistry::kExportRyvBinary,
                                           KFileFormatRegistry::kExportRyvAscii,
                                           KFileFormatRegistry::kExportRyvEncrypted,
                                           KFileFormatRegistry::kExportRyv5Binary,
                                           KFileFormatRegistry::kExportRyv5Ascii));

} // namespace
