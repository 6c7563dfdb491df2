// A motion writer given options without frames (as a scene read from a native file is written)
// takes the span of the scene's take: a capture whose every marker holds still, read with the
// default settings (its curves reduced to one key each), goes through a native file and comes
// out with all its frames; where no rate can be found the writer refuses with the reason rather
// than write an empty file.
#include "animation/KImportSettings.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "io/KExporter.h"
#include "io/KFileFormatRegistry.h"
#include "io/KImporter.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "tests/formats/motion/MotionTestScene.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

namespace {

// Two markers that never move, 6 frames at pRate frames per second.
std::string StillTrc(const std::string& pRate)
{
    std::string lText =
        "PathFileType\t4\t(X/Y/Z)\tstill.trc\nDataRate\tCameraRate\tNumFrames\t"
        "NumMarkers\tUnits\tOrigDataRate\tOrigDataStartFrame\tOrigNumFrames\n" +
        pRate + "\t" + pRate + "\t6\t2\tmm\t" + pRate +
        "\t1\t6\nFrame#\tTime\tKnee\t\t\tHip\t\t\t\n\t\tX1\tY1\tZ1\tX2\tY2\tZ2\t\n\n";
    for (int i = 1; i <= 6; ++i) {
        lText += std::to_string(i) + "\t0\t10.0\t20.0\t30.0\t1.0\t2.0\t3.0\t\n";
    }
    return lText;
}

struct Converter
{
    KRyvObjectFactory mFactory;
    std::string mReason;

    // Reads pPath into a new scene with the reader's own options; null when it fails.
    KRyvScene* Read(const std::string& pPath, std::unique_ptr<KStreamOptions>* oOptions = nullptr)
    {
        KRyvScene* lScene = mFactory.CreateScene();
        KImporter lImporter(&mFactory);
        lImporter.SetFileFormat(
            KFileFormatRegistry::Kit().GetImportFormatFromFileName(pPath.c_str()));
        std::unique_ptr<KStreamOptions> lOptions;
        const bool lRead = lImporter.Initialize(pPath.c_str()) &&
                           (lOptions = lImporter.GetReadOptions(), true) &&
                           lImporter.Import(lScene, lOptions.get());
        if (oOptions) {
            *oOptions = std::move(lOptions);
        }
        mReason = lImporter.GetReason().Buffer();
        return lRead ? lScene : nullptr;
    }

    // Writes pScene into pPath with the writer's own options, as they come.
    bool Write(KRyvScene* pScene, const std::string& pPath, int pFormat)
    {
        KExporter lExporter(&mFactory);
        lExporter.SetFileFormat(pFormat);
        lExporter.Initialize(pPath.c_str());
        std::unique_ptr<KStreamOptions> lOptions = lExporter.GetWriteOptions();
        const bool lWritten = lExporter.Export(pScene, lOptions.get());
        mReason = lExporter.GetReason().Buffer();
        return lWritten;
    }
};

// The still capture at pRate, through a native file, written as C3D and TRC with the writers' own
// options, reads back with its six frames at pRate.
void ExpectSixFramesThroughANativeFile(double pRate)
{
    Converter lConvert;
    std::ostringstream lRate;
    lRate << pRate;
    KRyvScene* lCapture = lConvert.Read(WriteRunningTestFile("still.trc", StillTrc(lRate.str())));
    ASSERT_NE(lCapture, nullptr) << lConvert.mReason;
    const std::string lNative = WriteRunningTestFile("still.ryv", "");
    ASSERT_TRUE(lConvert.Write(lCapture, lNative, KFileFormatRegistry::kExportRyvBinary));
    KRyvScene* lBack = lConvert.Read(lNative);
    ASSERT_NE(lBack, nullptr);
    const int kOutputs[] = {KFileFormatRegistry::kExportC3d, KFileFormatRegistry::kExportTrc};
    const char* const kNames[] = {"out.c3d", "out.trc"};
    for (int i = 0; i < 2; ++i) {
        const std::string lPath = WriteRunningTestFile(kNames[i], "");
        ASSERT_TRUE(lConvert.Write(lBack, lPath, kOutputs[i])) << lConvert.mReason;
        std::unique_ptr<KStreamOptions> lOptions;
        ASSERT_NE(lConvert.Read(lPath, &lOptions), nullptr) << kNames[i];
        const auto* lSpan = static_cast<KStreamOptionsMotion*>(lOptions.get());
        EXPECT_EQ(lSpan->GetFrameCount(), 6) << kNames[i];
        EXPECT_NEAR(lSpan->GetFrameRate(), pRate, 1e-4) << kNames[i];
    }
}

} // namespace

TEST(KMotionWriterSpan, AStillCaptureKeepsItsFramesThroughANativeFile)
{
    KImportSettings::Get().Reset();
    ASSERT_TRUE(KImportSettings::Get().IsConstantKeyReducerEnabled());
    ExpectSixFramesThroughANativeFile(120.0);
}

// 200 frames per second is no time mode of the kit: the native file keeps it as the take's own
// rate, so a take whose curves hold one key each still comes out with all its frames.
TEST(KMotionWriterSpan, ARateOfNoTimeModeKeepsItsFramesThroughANativeFile)
{
    KImportSettings::Get().Reset();
    ExpectSixFramesThroughANativeFile(200.0);
}
