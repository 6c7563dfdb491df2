// A capture's rate survives a native file: the rate a motion writer takes from the key spacing
// of a scene read back is the file's own, so its header prints as a direct conversion's does.

#include "io/KExporter.h"
#include "io/KFileFormatRegistry.h"
#include "io/KImporter.h"
#include "io/KStreamOptionsRyv.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"

#include "tests/formats/motion/MotionTestFiles.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

struct RateCase
{
    const char* mRate;
    const char* mHtrRate;
    const char* mTrcRate;
};

// Two markers over three frames at pRate frames per second.
std::string Trc(const char* pRate)
{
    const std::string lRate = pRate;
    return "PathFileType\t4\t(X/Y/Z)\trate.trc\n"
           "DataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\tOrigDataRate\t"
           "OrigDataStartFrame\tOrigNumFrames\n" +
           lRate + "\t" + lRate + "\t3\t2\tmm\t" + lRate +
           "\t1\t3\n"
           "Frame#\tTime\tA\t\t\tB\t\t\t\n\t\tX1\tY1\tZ1\tX2\tY2\tZ2\n\n"
           "1\t0\t1\t2\t3\t4\t5\t6\n"
           "2\t0\t2\t2\t3\t4\t6\t6\n"
           "3\t0\t3\t2\t3\t4\t7\t6\n";
}

class KMotionRateThroughRyvTest : public ::testing::TestWithParam<RateCase>
{
protected:
    bool Read(const std::string& pPath, int pFormat, KRyvScene& ioScene)
    {
        KImporter lImporter(&mFactory);
        lImporter.SetFileFormat(pFormat);
        if (!lImporter.Initialize(pPath.c_str())) {
            return false;
        }
        std::unique_ptr<KStreamOptions> lOptions = lImporter.GetReadOptions();
        return lImporter.Import(&ioScene, lOptions.get());
    }

    // Written with the writer's own options, as a conversion from a native file is: no frames
    // given, the span and rate taken from the scene.
    std::string Write(KRyvScene& ioScene, const std::string& pName, int pFormat)
    {
        const std::string lPath = MotionTestPath(pName);
        KExporter lExporter(&mFactory);
        lExporter.SetFileFormat(pFormat);
        lExporter.Initialize(lPath.c_str());
        std::unique_ptr<KStreamOptions> lOptions = lExporter.GetWriteOptions();
        EXPECT_TRUE(lExporter.Export(&ioScene, lOptions.get())) << pName;
        return ReadTestFile(lPath);
    }

    KRyvObjectFactory mFactory;
};

TEST_P(KMotionRateThroughRyvTest, HeadersPrintTheCaptureRate)
{
    KRyvScene lScene(&mFactory);
    ASSERT_TRUE(Read(WriteTestFile("rate.trc", Trc(GetParam().mRate)),
                     KFileFormatRegistry::kImportTrc, lScene));
    KStreamOptionsRyv lNative;
    const std::string lRyv = MotionTestPath("rate.ryv");
    KExporter lExporter(&mFactory);
    lExporter.SetFileFormat(KFileFormatRegistry::kExportRyvBinary);
    lExporter.Initialize(lRyv.c_str());
    ASSERT_TRUE(lExporter.Export(&lScene, &lNative));
    KRyvScene lBack(&mFactory);
    ASSERT_TRUE(Read(lRyv, KFileFormatRegistry::kImportRyvBinary, lBack));

    const std::string lHtr = Write(lBack, "rate.htr", KFileFormatRegistry::kExportHtr);
    EXPECT_NE(lHtr.find(std::string("\nDataFrameRate ") + GetParam().mHtrRate + "\n"),
              std::string::npos)
        << lHtr.substr(0, 200);
    const std::string lTrc = Write(lBack, "back.trc", KFileFormatRegistry::kExportTrc);
    const std::string lRates =
        std::string("\n") + GetParam().mTrcRate + "\t" + GetParam().mTrcRate + "\t3\t2\t";
    EXPECT_NE(lTrc.find(lRates), std::string::npos) << lTrc.substr(0, 300);
}

INSTANTIATE_TEST_SUITE_P(
    Rates, KMotionRateThroughRyvTest,
    testing::Values(RateCase{"144.00", "144", "144.00"}, RateCase{"29.97", "29.97", "29.97"},
                    RateCase{"25.00", "25", "25.00"}, RateCase{"120.00", "120", "120.00"},
                    RateCase{"250.00", "250", "250.00"}, RateCase{"59.94", "59.94", "59.94"}));

} // namespace
