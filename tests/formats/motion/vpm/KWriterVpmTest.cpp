#include "formats/motion/vpm/KWriterVpm.h"

#include "formats/motion/KMotionTakeSpan.h"
#include "formats/motion/vpm/KReaderVpm.h"
#include "io/KExporter.h"
#include "io/KFileFormatRegistry.h"

#include "../MotionTableTestScene.h"

#include <string>

namespace {

using VpmScene = TableReadScene<KReaderVpm>;

const char* const kTitles = "XTRAN\tYTRAN\tZTRAN\tXROT\tYROT\tZROT\tXSCALE\tYSCALE\tZSCALE\n"
                            "INCHES\tINCHES\tINCHES\tDEGREES\tDEGREES\tDEGREES\tPERCENT\tPERCENT"
                            "\tPERCENT\n";

// Root - Rig (two children, so the root is the reference) - the named markers.
struct VpmRig : TableRig
{
    std::vector<KRyvNode*> mMarkers;

    explicit VpmRig(const std::vector<const char*>& pNames)
    {
        for (const char* lName : pNames) {
            mMarkers.push_back(AddTableMarker(mFactory, mRig, lName));
        }
    }
};

TEST(KWriterVpm, GoldenSegmentsInInchesWithFullScale)
{
    VpmRig lRig({"Arm:Hand", "Foot"});
    lRig.mMarkers[0]->SetLclTranslation(KVector4(2.54, 0, -5.08));
    lRig.mMarkers[0]->SetLclRotation(KVector4(0, 0, 90));
    // The scale is not written: the format's writer always writes 100 percent.
    lRig.mMarkers[0]->SetLclScaling(KVector4(2, 2, 2));
    lRig.mMarkers[1]->SetLclTranslation(KVector4(0, 25.4, 0));
    KWriterVpm lWriter(&lRig.mFactory);
    std::unique_ptr<KStreamOptionsMotion> lOptions = TableWriteOptions(lWriter, 2, 4.0);
    EXPECT_EQ(lOptions->GetOption(13), 0);
    const std::string lPath = WriteTableFile("still.vpm", "");
    ASSERT_TRUE(WriteTableScene(lRig.mScene, lPath, lOptions.get(), lWriter))
        << lWriter.GetError().GetLastErrorString().Buffer();
    EXPECT_EQ(ReadTableFile(lPath),
              std::string("Segment:\tHand\nFrames:\t2\nFrame Time:\t0.25\n") + kTitles +
                  "1\t0\t-2\t0\t0\t90\t100\t100\t100\n1\t0\t-2\t0\t0\t90\t100\t100\t100\n"
                  "Segment:\tFoot\nFrames:\t2\nFrame Time:\t0.25\n" +
                  kTitles + "0\t10\t0\t0\t0\t0\t100\t100\t100\n0\t10\t0\t0\t0\t0\t100\t100\t100\n");
}

TEST(KWriterVpm, TwoSegmentsOfTenThousandFramesRoundTripAndWriteTheSameBytesAgain)
{
    TableImportSettingsGuard lSettings;
    constexpr int kFrames = 10000;
    VpmRig lRig({"Pelvis", "Wrist"});
    KWriterVpm lWriter(&lRig.mFactory);
    std::unique_ptr<KStreamOptionsMotion> lOptions = TableWriteOptions(lWriter, kFrames, 30.0);
    for (std::size_t m = 0; m < lRig.mMarkers.size(); ++m) {
        KeyRandomMotion(lRig.mMarkers[m], "take", kFrames, lOptions->GetFramePeriod(),
                        40u + static_cast<unsigned>(m), false);
    }
    const std::string lFirst = WriteTableFile("first.vpm", "");
    ASSERT_TRUE(WriteTableScene(lRig.mScene, lFirst, lOptions.get(), lWriter));

    VpmScene lBack;
    ASSERT_TRUE(lBack.Read(lFirst)) << lBack.mReader.GetError().GetLastErrorString().Buffer();
    EXPECT_EQ(lBack.mOptions->GetFrameCount(), kFrames);
    EXPECT_EQ(lBack.mOptions->GetTimeMode(), lOptions->GetTimeMode());
    EXPECT_STREQ(lBack.mReader.GetMessage().Buffer(), "");
    const char* const kNames[2] = {"Pelvis", "Wrist"};
    for (int m = 0; m < 2; ++m) {
        const TransformDifference lDifference =
            CompareSampled(lRig.mMarkers[m], KTime(), lBack.Find(kNames[m]),
                           lBack.mOptions->GetStart(), lOptions->GetFramePeriod(), kFrames);
        EXPECT_LT(lDifference.mTranslation, 1e-5) << kNames[m];
        EXPECT_LT(lDifference.mRotation, 2e-5) << kNames[m];
        EXPECT_LT(lDifference.mScale, 1e-7) << kNames[m];
    }

    KWriterVpm lAgain(&lBack.mFactory);
    std::unique_ptr<KStreamOptionsMotion> lSame = TableWriteOptions(lAgain, kFrames, 30.0);
    const std::string lSecond = WriteTableFile("second.vpm", "");
    ASSERT_TRUE(WriteTableScene(lBack.mScene, lSecond, lSame.get(), lAgain));
    ExpectSameFileText(lFirst, lSecond);
}

TEST(KWriterVpm, NamesTheFormatCannotHoldAreRefused)
{
    // A name empty after its last ':' holds no space: it is refused for what it is.
    const std::string kEmpty =
        "The name of node \"Arm:\" is empty after its last ':', which the VPM format cannot hold";
    for (const char* lName : {"Left Hand", "Arm:", "Tab\tName"}) {
        VpmRig lRig({"Good", lName});
        KWriterVpm lWriter(&lRig.mFactory);
        std::unique_ptr<KStreamOptionsMotion> lOptions = TableWriteOptions(lWriter, 1, 30.0);
        std::string lShown;
        lOptions->SetMessageCallback([&lShown](const char* pTitle, const char* pText, const char*) {
            lShown = std::string(pTitle) + "|" + pText;
        });
        const std::string lPath = WriteTableFile("names.vpm", "an older file\n");
        EXPECT_FALSE(WriteTableScene(lRig.mScene, lPath, lOptions.get(), lWriter)) << lName;
        EXPECT_EQ(lWriter.GetError().GetLastErrorID(), KWriter::kUnidentifiedError);
        EXPECT_EQ(lShown,
                  std::string(lName) == "Arm:"
                      ? "Error|" + kEmpty
                      : std::string("Error|Spaces are not allowed in VPM node names:\n    ") +
                            lName);
        EXPECT_EQ(ReadTableFile(lPath), "an older file\n");
    }
    // Two markers whose names end alike write, with a warning.
    VpmRig lTwins({"A:Hand", "B:Hand"});
    KWriterVpm lWriter(&lTwins.mFactory);
    std::unique_ptr<KStreamOptionsMotion> lOptions = TableWriteOptions(lWriter, 1, 30.0);
    EXPECT_TRUE(
        WriteTableScene(lTwins.mScene, WriteTableFile("twins.vpm", ""), lOptions.get(), lWriter));
    EXPECT_STREQ(lWriter.GetMessage().Buffer(),
                 "Two segments are named \"Hand\": the file will not read back\n");
}

TEST(KWriterVpm, RefusalsABufferTooLargeAndAFullDisk)
{
    VpmRig lRig({"A", "B", "C", "D", "E", "F", "G", "H"});
    KWriterVpm lWriter(&lRig.mFactory);
    std::unique_ptr<KStreamOptionsMotion> lOptions = TableWriteOptions(lWriter, 3, 30.0);
    EXPECT_FALSE(lWriter.Write(lRig.mScene, lOptions.get()));
    EXPECT_EQ(lWriter.GetError().GetLastErrorID(), KWriter::kFileNotOpened);
    const std::string lPath = WriteTableFile("kept.vpm", "an older file\n");
    ASSERT_TRUE(lWriter.FileCreate(lPath.c_str()));
    EXPECT_FALSE(lWriter.Write(lRig.mScene, nullptr));
    EXPECT_EQ(lWriter.GetError().GetLastErrorID(), KWriter::kStreamOptionsNotSet);

    // The most frames a motion writer takes, of eight objects: beyond the buffer's limit, refused
    // before any allocation.
    std::string lShown;
    lOptions->SetFrameCount(KMotionTakeSpan::kMaxWriteFrames);
    lOptions->SetMessageCallback(
        [&lShown](const char*, const char* pText, const char*) { lShown = pText; });
    EXPECT_FALSE(lWriter.Write(lRig.mScene, lOptions.get()));
    EXPECT_EQ(lWriter.GetError().GetLastErrorID(), KWriter::kUnidentifiedError);
    EXPECT_EQ(lShown, "Not enough memory to allocate animation buffer.");
    EXPECT_EQ(ReadTableFile(lPath), "an older file\n");

    lOptions->SetFrameCount(3);
    ExpectFullDiskRefused(lWriter, lRig.mScene, lOptions.get());
}

TEST(KWriterVpm, ThroughTheExporter)
{
    TableImportSettingsGuard lSettings;
    VpmRig lRig({"A", "B"});
    lRig.mMarkers[1]->SetLclTranslation(KVector4(1, 2, 3));
    KExporter lExporter(&lRig.mFactory);
    const std::string lPath = WriteTableFile("exported.vpm", "");
    std::unique_ptr<KStreamOptions> lOptions =
        TableExportOptions(lExporter, KFileFormatRegistry::kExportVpm, lPath, 5, 24.0);
    ASSERT_NE(lOptions, nullptr);
    ASSERT_TRUE(lExporter.Export(lRig.mScene, lOptions.get()))
        << lExporter.GetError().GetLastErrorString().Buffer();
    VpmScene lBack;
    ASSERT_TRUE(lBack.Read(lPath));
    EXPECT_EQ(lBack.mOptions->GetFrameCount(), 5);
    EXPECT_NEAR(lBack.mOptions->GetFrameRate(), 24.0, 1e-3);
    EXPECT_NEAR(lBack.Value("B", &KRyvTakeNode::GetTransformTZ, 4), 3.0, 1e-5);
}

} // namespace
