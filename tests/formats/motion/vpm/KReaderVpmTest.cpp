#include "formats/motion/vpm/KReaderVpm.h"

#include "animation/KTakeInfo.h"
#include "io/KFileFormatRegistry.h"
#include "scene/objects/KRyvMarker.h"

#include "../MotionTableTestScene.h"

#include <string>

namespace {

using VpmScene = TableReadScene<KReaderVpm>;

const char* const kTitles = "XTRAN\tYTRAN\tZTRAN\tXROT\tYROT\tZROT\tXSCALE\tYSCALE\tZSCALE\n"
                            "INCHES\tINCHES\tINCHES\tDEGREES\tDEGREES\tDEGREES\tPERCENT\tPERCENT"
                            "\tPERCENT\n";

std::string Segment(const char* pName, int pFrames, const char* pFrameTime,
                    const std::string& pLines)
{
    return std::string("Segment:\t") + pName + "\nFrames:\t" + std::to_string(pFrames) +
           "\nFrame Time:\t" + pFrameTime + "\n" + kTitles + pLines;
}

// Hips: three frames at 30 per second; Head: two frames, half size on the second.
const std::string kGolden = Segment("Hips", 3, "0.0333333",
                                    "1 2 3 10 20 30 100 100 100\n"
                                    "2 2 2 0 90 0 100 100 100\n"
                                    "-1 0 0.5 0 0 0 100 100 100\n") +
                            Segment("Head", 2, "0.0333333",
                                    "0 10 0 0 0 45 100 100 100\r\n"
                                    "0 11 0 0 0 45 50 50 50\n");

TEST(KReaderVpm, GoldenFileGivesANodePerSegmentInCentimetres)
{
    TableImportSettingsGuard lSettings;
    VpmScene lTest;
    ASSERT_TRUE(lTest.Read(WriteTableFile("golden.vpm", kGolden)))
        << lTest.mReader.GetError().GetLastErrorString().Buffer();
    EXPECT_EQ(lTest.mOptions->GetFrameCount(), 3);
    // "%g" of 1/30 s: within the tolerance of the 30 frames/s mode.
    EXPECT_NEAR(lTest.mOptions->GetFrameRate(), 30.0, 1e-4);
    EXPECT_NE(lTest.mOptions->GetTimeMode(), 0);
    EXPECT_EQ(lTest.mOptions->GetStart(), KTime());
    EXPECT_EQ(lTest.mOptions->GetOption(4), 0);
    KRyvNode* lReference = lTest.mScene->GetRootNode()->GetChild(0);
    ASSERT_NE(lReference, nullptr);
    EXPECT_STREQ(lReference->GetNameWithoutPrefix().Buffer(), "VPM:reference");
    ASSERT_EQ(lReference->GetChildCount(), 2);
    EXPECT_STREQ(lReference->GetChild(0)->GetNameWithoutPrefix().Buffer(), "Hips");
    EXPECT_STREQ(lReference->GetChild(1)->GetNameWithoutPrefix().Buffer(), "Head");
    const auto* lMarker = dynamic_cast<KRyvMarker*>(lReference->GetChild(1)->GetNodeAttribute());
    ASSERT_NE(lMarker, nullptr);
    EXPECT_EQ(lMarker->GetType(), KRyvMarker::eOptical);
    // One inch is 2.54 centimetres.
    EXPECT_NEAR(lTest.Value("Hips", &KRyvTakeNode::GetTransformTX, 0), 2.54, 1e-6);
    EXPECT_NEAR(lTest.Value("Hips", &KRyvTakeNode::GetTransformTZ, 0), 7.62, 1e-6);
    EXPECT_NEAR(lTest.Value("Hips", &KRyvTakeNode::GetTransformTX, 2), -2.54, 1e-6);
    EXPECT_EQ(lTest.Value("Hips", &KRyvTakeNode::GetTransformRY, 1), 90.0);
    EXPECT_EQ(lTest.Value("Hips", &KRyvTakeNode::GetTransformSX, 1), 1.0);
    EXPECT_NEAR(lTest.Value("Head", &KRyvTakeNode::GetTransformTY, 1), 27.94, 1e-5);
    // The file's percent reach the scaling curves.
    EXPECT_NEAR(lTest.Value("Head", &KRyvTakeNode::GetTransformSY, 1), 0.5, 1e-7);
    EXPECT_EQ(lTest.Find("Head")->GetCurrentTakeNode()->GetTransformRZ()->GetKeyCount(), 2);
    const KTakeInfo* lInfo = lTest.mScene->GetTakeInfo("golden");
    ASSERT_NE(lInfo, nullptr);
    EXPECT_EQ(lInfo->mLocalStop, lTest.FrameTime(2));
    EXPECT_STREQ(lTest.mReader.GetMessage().Buffer(), "");
}

TEST(KReaderVpm, FewerFramesAskedSkipTheRestOfEachSegment)
{
    TableImportSettingsGuard lSettings;
    VpmScene lTest;
    ASSERT_TRUE(lTest.Read(WriteTableFile("one.vpm", kGolden), [](KStreamOptionsMotion& pOptions) {
        pOptions.SetFrameCount(1);
        pOptions.SetOption(4, 1);
    }));
    ASSERT_NE(lTest.Find("VPM:optical"), nullptr);
    EXPECT_EQ(lTest.Find("Hips")->GetCurrentTakeNode()->GetTransformTX()->GetKeyCount(), 1);
    EXPECT_EQ(lTest.Find("Head")->GetCurrentTakeNode()->GetTransformTY()->GetKeyCount(), 1);
    EXPECT_NEAR(lTest.Value("Head", &KRyvTakeNode::GetTransformTY, 0), 25.4, 1e-5);
    EXPECT_EQ(lTest.mOptions->GetFrameCount(), 1);
}

TEST(KReaderVpm, ALaterSegmentThatBreaksOffIsAWarningAndTheFirstStays)
{
    TableImportSettingsGuard lSettings;
    const std::string lCut = kGolden.substr(0, kGolden.rfind("0 11 0"));
    VpmScene lTest;
    ASSERT_TRUE(lTest.Read(WriteTableFile("cut.vpm", lCut)));
    EXPECT_NE(lTest.Find("Hips"), nullptr);
    EXPECT_EQ(lTest.Find("Head"), nullptr);
    EXPECT_STREQ(lTest.mReader.GetMessage().Buffer(),
                 "cut.vpm:14: segment \"Head\" ends after 1 of 2 frames; segment \"Head\" and "
                 "those after it are not read\n");

    // A header broken after its first line.
    VpmScene lHeader;
    ASSERT_TRUE(
        lHeader.Read(WriteTableFile("header.vpm", kGolden.substr(0, kGolden.find("Frames:\t2")))));
    EXPECT_NE(std::string(lHeader.mReader.GetMessage().Buffer())
                  .find("header of segment \"Head\" breaks off"),
              std::string::npos);
    EXPECT_EQ(lHeader.Find("Hips")->GetParent()->GetParent(), lHeader.mScene->GetRootNode());
}

TEST(KReaderVpm, BadFirstSegmentsAreCorruptAndLeaveNothing)
{
    struct Case
    {
        std::string mText;
        const char* mWhy;
    };
    const Case lCases[] = {
        {"", "bad.vpm: no segment"},
        {"Frames:\t1\nSegment:\tA\nFrame Time:\t0.1\n" + std::string(kTitles) +
             "0 0 0 0 0 0 1 1 1\n",
         "bad.vpm:1: expected \"Segment:\""},
        {Segment("A", 1, "0", "0 0 0 0 0 0 1 1 1\n"),
         "bad.vpm:3: the frame time \"0\" is not a number of 1e-05 to 1000 seconds"},
        {Segment("A", 1, "1e-9", "0 0 0 0 0 0 1 1 1\n"),
         "bad.vpm:3: the frame time \"1e-9\" is not a number of 1e-05 to 1000 seconds"},
        {Segment("A", 1, "inf", "0 0 0 0 0 0 1 1 1\n"),
         "bad.vpm:3: the frame time \"inf\" is not a number of 1e-05 to 1000 seconds"},
        {Segment("A", -1, "0.1", ""), "bad.vpm:2: expected a frame count, found \"-1\""},
        {"Segment:\n", "bad.vpm:1: expected a segment name"},
        // A count far beyond the lines: storage follows the lines, and the read fails cleanly.
        {Segment("A", 2000000000, "0.1", "0 0 0 0 0 0 1 1 1\n0 0 0 0 0 0 1 1 1\n"),
         "bad.vpm:7: segment \"A\" ends after 2 of 2000000000 frames"},
        {Segment("A", 1, "0.1", "0 0 0 0 0 0 1 1\n"), "bad.vpm:6: expected nine numbers"},
        {Segment("A", 1, "0.1", "2e38 0 0 0 0 0 1 1 1\n"), "bad.vpm:6: value out of range"},
    };
    for (const Case& lCase : lCases) {
        ExpectTableReadRefused<KReaderVpm>("bad.vpm", lCase.mText, lCase.mWhy);
    }
}

TEST(KReaderVpm, DuplicateSegmentNamesFailAndLeaveNothingInTheFactory)
{
    TableImportSettingsGuard lSettings;
    const std::string lText = Segment("Arm", 1, "0.1", "0 0 0 0 0 0 100 100 100\n") +
                              Segment("Leg", 1, "0.1", "0 0 0 0 0 0 100 100 100\n") +
                              Segment("Arm", 1, "0.1", "1 0 0 0 0 0 100 100 100\n");
    VpmScene lTest;
    const int lNodes = lTest.mFactory.GetNodeCount();
    std::string lShown;
    ASSERT_TRUE(lTest.mReader.FileOpen(WriteTableFile("twice.vpm", lText).c_str()));
    std::unique_ptr<KStreamOptions> lOptions = lTest.mReader.GetReadOptions();
    ASSERT_NE(lOptions, nullptr);
    lOptions->SetMessageCallback([&lShown](const char* pTitle, const char* pText, const char*) {
        lShown = std::string(pTitle) + "|" + pText;
    });
    EXPECT_FALSE(lTest.mReader.Read(lTest.mScene, lOptions.get()));
    EXPECT_EQ(lTest.mReader.GetError().GetLastErrorID(), KReader::kFileCorrupted);
    EXPECT_EQ(lShown, "Error|Duplicate names found in twice.vpm:\n    Arm");
    EXPECT_EQ(lTest.mFactory.GetNodeCount(), lNodes);
    EXPECT_EQ(lTest.mScene->GetRootNode()->GetChildCount(), 0);
}

TEST(KReaderVpm, MutatedFilesNeverCrashOrLeaveNodes)
{
    TableImportSettingsGuard lSettings;
    ExpectMutantsLeaveNoTrace<KReaderVpm>("mutant.vpm", kGolden, 11);
}

TEST(KReaderVpm, RefusalsAndThroughTheImporter)
{
    TableImportSettingsGuard lSettings;
    KRyvObjectFactory lFactory;
    KRyvScene* lScene = lFactory.CreateScene();
    KReaderVpm lReader(&lFactory);
    ExpectUnopenedRefused(lReader, lScene);
    const std::string lPath = WriteTableFile("imported.vpm", kGolden);
    ASSERT_TRUE(lReader.FileOpen(lPath.c_str()));
    KStreamOptions lOther;
    EXPECT_FALSE(lReader.Read(lScene, &lOther));
    EXPECT_EQ(lReader.GetError().GetLastErrorID(), KReader::kStreamOptionsNotSet);

    ExpectImportMakes(lFactory, lScene, KFileFormatRegistry::kImportVpm, lPath, "Head");
}

} // namespace
