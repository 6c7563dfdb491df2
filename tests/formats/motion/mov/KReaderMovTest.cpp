#include "formats/motion/mov/KReaderMov.h"

#include "animation/KTakeInfo.h"
#include "io/KFileFormatRegistry.h"

#include "../MotionTableTestScene.h"

#include <limits>
#include <string>

namespace {

using MovScene = TableReadScene<KReaderMov>;

// One object with all three groups: time, T, R, S.
const char* const kGolden = "0 1 2 3 10 20 30 1 1 1\n"
                            "0.04\t2\t3\t4\t0\t90\t0\t2\t2\t2\t\n"
                            "\n"
                            "0.08 3 4 5 0 0 0 1 1 1\r\n";

TEST(KReaderMov, GoldenFileGivesOneObjectWithTranslationRotationAndScaling)
{
    TableImportSettingsGuard lSettings;
    MovScene lTest;
    ASSERT_TRUE(lTest.Read(WriteTableFile("golden.mov", kGolden)))
        << lTest.mReader.GetError().GetLastErrorString().Buffer();
    EXPECT_EQ(lTest.mOptions->GetFrameCount(), 3);
    EXPECT_NEAR(lTest.mOptions->GetFrameRate(), 25.0, 1e-9);
    EXPECT_EQ(lTest.mOptions->GetStart(), KTime());
    for (int g = 0; g < 3; ++g) {
        EXPECT_EQ(lTest.mOptions->GetOption(KReaderMov::kOptionTranslation + g), 1);
    }
    EXPECT_EQ(lTest.mOptions->GetOption(4), 0);
    KRyvNode* lReference = lTest.mScene->GetRootNode()->GetChild(0);
    ASSERT_NE(lReference, nullptr);
    EXPECT_STREQ(lReference->GetNameWithoutPrefix().Buffer(), "MOV:reference");
    ASSERT_EQ(lReference->GetChildCount(), 1);
    EXPECT_STREQ(lReference->GetChild(0)->GetNameWithoutPrefix().Buffer(), "Marker0");
    EXPECT_EQ(lTest.Value("Marker0", &KRyvTakeNode::GetTransformTX, 1), 2.0);
    EXPECT_EQ(lTest.Value("Marker0", &KRyvTakeNode::GetTransformTZ, 2), 5.0);
    EXPECT_EQ(lTest.Value("Marker0", &KRyvTakeNode::GetTransformRY, 1), 90.0);
    EXPECT_EQ(lTest.Value("Marker0", &KRyvTakeNode::GetTransformRX, 0), 10.0);
    EXPECT_EQ(lTest.Value("Marker0", &KRyvTakeNode::GetTransformSZ, 1), 2.0);
    const KTakeInfo* lInfo = lTest.mScene->GetTakeInfo("golden");
    ASSERT_NE(lInfo, nullptr);
    EXPECT_EQ(lInfo->mLocalStop, lTest.FrameTime(2));
    EXPECT_STREQ(lTest.mReader.GetMessage().Buffer(), "");
}

TEST(KReaderMov, OnlyRotationsOfTenColumnsAreThreeObjects)
{
    TableImportSettingsGuard lSettings;
    MovScene lTest;
    ASSERT_TRUE(
        lTest.Read(WriteTableFile("turns.mov", kGolden), [](KStreamOptionsMotion& pOptions) {
            pOptions.SetOption(KReaderMov::kOptionTranslation, 0);
            pOptions.SetOption(KReaderMov::kOptionScaling, 0);
            pOptions.SetOption(4, 1);
        }));
    KRyvNode* lReference = lTest.Find("MOV:optical");
    ASSERT_NE(lReference, nullptr);
    ASSERT_EQ(lReference->GetChildCount(), 3);
    EXPECT_EQ(lTest.Value("Marker0", &KRyvTakeNode::GetTransformRZ, 0), 3.0);
    EXPECT_EQ(lTest.Value("Marker1", &KRyvTakeNode::GetTransformRX, 1), 0.0);
    EXPECT_EQ(lTest.Value("Marker2", &KRyvTakeNode::GetTransformRY, 1), 2.0);
    EXPECT_EQ(lTest.Find("Marker0")->GetCurrentTakeNode()->GetTransformTX()->GetKeyCount(), 0);
}

TEST(KReaderMov, RateEstimates)
{
    struct Case
    {
        std::vector<double> mTimes;
        double mRate;
    };
    const Case lCases[] = {
        {{0, 0.04, 0.08}, 25.0},
        // A repeated time is passed over instead of dividing by zero.
        {{0, 0.04, 0.04, 0.08}, 25.0},
        // 1 / 0.04 = 25, then (25 + 1 / 0.01) / 2.
        {{0, 0.04, 0.05}, 62.5},
        // Falling times and times not past the first are passed over.
        {{1, 0.5, 1, 1.5}, 2.0},
        {{5, 5, 5}, 0.0},
        {{1}, 0.0},
        {{}, 0.0},
        // A period too short for any rate.
        {{0, 1e-300}, 0.0},
    };
    for (const Case& lCase : lCases) {
        EXPECT_NEAR(KReaderMov::EstimateRate(lCase.mTimes), lCase.mRate, 1e-9)
            << lCase.mTimes.size();
    }
    // Through the read options: repeated times still give a finite rate.
    KRyvObjectFactory lFactory;
    KReaderMov lReader(&lFactory);
    ASSERT_TRUE(
        lReader.FileOpen(WriteTableFile("rate.mov", "0 1\n0.04 1\n0.04 1\n0.08 1\n").c_str()));
    std::unique_ptr<KStreamOptions> lOptions = lReader.GetReadOptions();
    ASSERT_NE(lOptions, nullptr);
    EXPECT_NEAR(static_cast<KStreamOptionsMotion&>(*lOptions).GetFrameRate(), 25.0, 1e-9);
    EXPECT_EQ(static_cast<KStreamOptionsMotion&>(*lOptions).GetFrameCount(), 4);
}

TEST(KReaderMov, FewerRowsThanAskedShortRowsAndTooFewColumns)
{
    TableImportSettingsGuard lSettings;
    MovScene lMore;
    ASSERT_TRUE(lMore.Read(WriteTableFile("more.mov", kGolden),
                           [](KStreamOptionsMotion& pOptions) { pOptions.SetFrameCount(50); }));
    EXPECT_EQ(lMore.mOptions->GetFrameCount(), 3);
    EXPECT_EQ(lMore.mScene->GetTakeInfo("more")->mLocalStop, lMore.FrameTime(2));

    // A short row reads as zeros, with a warning naming the line.
    MovScene lShort;
    ASSERT_TRUE(lShort.Read(WriteTableFile("short.mov", "0 1 2 3 4 5 6 7 8 9\n1 1 2\n")));
    EXPECT_EQ(lShort.Value("Marker0", &KRyvTakeNode::GetTransformTZ, 1), 0.0);
    EXPECT_EQ(lShort.Value("Marker0", &KRyvTakeNode::GetTransformTY, 1), 2.0);
    EXPECT_STREQ(lShort.mReader.GetMessage().Buffer(),
                 "short.mov:2: 7 numbers missing, read as 0\n");

    // One column: no object, said so, and the read succeeds with the reference node alone.
    MovScene lTimes;
    ASSERT_TRUE(lTimes.Read(WriteTableFile("times.mov", "0\n1\n2\n")));
    EXPECT_EQ(lTimes.Find("MOV:reference")->GetChildCount(), 0);
    EXPECT_STREQ(lTimes.mReader.GetMessage().Buffer(),
                 "times.mov: the first line has 1 columns, no object\n");
}

TEST(KReaderMov, DamagedFilesAreCorruptAndLeaveNothing)
{
    struct Case
    {
        const char* mText;
        const char* mWhy;
    };
    const Case lCases[] = {
        {"", "bad.mov: no numbers"},
        {"0 1 2 3 walk\n1 1 2 3\n", "bad.mov:1: expected numbers only"},
        {"0 1 2 3\n1 1 1e39 3\n", "bad.mov:2: value out of range"},
        {"1e9 1 2 3\n", "bad.mov: the first time is out of range"},
        // Trailing cells beyond the table are ignored.
        {"0 1 2 3\n1 1 2 3 inf\n2 1 2 3\n", ""},
        {"0 1 2 3 4 5 6 7 8 9 10 11 12\n1\n2\n3\n", "bad.mov:4: more numbers missing"},
    };
    for (const Case& lCase : lCases) {
        ExpectTableReadRefused<KReaderMov>("bad.mov", lCase.mText, lCase.mWhy);
    }
}

// The rows the read options read serve the read after them; a value out of range is an error
// only when a row the options ask for holds it, and a second read reads the file again.
TEST(KReaderMov, RowsReadForTheOptionsServeTheReadThatFollows)
{
    TableImportSettingsGuard lSettings;
    const std::string lText = "0 1 2 3\n1 4 5\n2 7 8 9\n3 1 1e39 3\n";
    MovScene lShort;
    ASSERT_TRUE(lShort.Read(WriteTableFile("late.mov", lText), [](KStreamOptionsMotion& pOptions) {
        pOptions.SetFrameCount(3);
        pOptions.SetOption(KReaderMov::kOptionRotation, 0);
        pOptions.SetOption(KReaderMov::kOptionScaling, 0);
    }));
    EXPECT_EQ(lShort.Value("Marker0", &KRyvTakeNode::GetTransformTY, 2), 8.0);
    EXPECT_EQ(lShort.Value("Marker0", &KRyvTakeNode::GetTransformTZ, 1), 0.0);
    EXPECT_STREQ(lShort.mReader.GetMessage().Buffer(),
                 "late.mov:2: 1 numbers missing, read as 0\n");
    ExpectTableReadRefused<KReaderMov>("late.mov", lText, "late.mov:4: value out of range");

    KRyvScene* lAgain = lShort.mFactory.CreateScene();
    ASSERT_TRUE(lShort.mReader.Read(lAgain, lShort.mOptions.get()));
    KRyvNode* lFirst = lShort.mScene->GetRootNode()->GetChild(0)->GetChild(0);
    KRyvNode* lSecond = lAgain->GetRootNode()->GetChild(0)->GetChild(0);
    for (int f = 0; f < 3; ++f) {
        const KTime lTime = lShort.FrameTime(f);
        EXPECT_EQ(lSecond->GetCurrentTakeNode()->GetTransformTX()->Evaluate(lTime),
                  lFirst->GetCurrentTakeNode()->GetTransformTX()->Evaluate(lTime));
    }
    EXPECT_STREQ(lShort.mReader.GetMessage().Buffer(),
                 "late.mov:2: 1 numbers missing, read as 0\nlate.mov:2: 1 numbers missing, read as "
                 "0\n");
}

TEST(KReaderMov, MutatedFilesNeverCrashOrLeaveNodes)
{
    TableImportSettingsGuard lSettings;
    ExpectMutantsLeaveNoTrace<KReaderMov>("mutant.mov", kGolden, 12);
}

TEST(KReaderMov, RefusalsWithoutFileOptionsOrGroupsAndThroughTheImporter)
{
    TableImportSettingsGuard lSettings;
    KRyvObjectFactory lFactory;
    KRyvScene* lScene = lFactory.CreateScene();
    KReaderMov lReader(&lFactory);
    ExpectUnopenedRefused(lReader, lScene);
    std::unique_ptr<KStreamOptionsMotion> lMotion = KStreamOptionsMotion::Create();
    const std::string lPath = WriteTableFile("imported.mov", kGolden);
    ASSERT_TRUE(lReader.FileOpen(lPath.c_str()));
    EXPECT_FALSE(lReader.Read(lScene, nullptr));
    EXPECT_EQ(lReader.GetError().GetLastErrorID(), KReader::kStreamOptionsNotSet);
    // Fresh options have no group on.
    EXPECT_FALSE(lReader.Read(lScene, lMotion.get()));
    EXPECT_EQ(lReader.GetError().GetLastErrorID(), KReader::kUnidentifiedError);
    EXPECT_STREQ(lReader.GetError().GetLastErrorString().Buffer(), "No animation to import.");
    EXPECT_EQ(lScene->GetRootNode()->GetChildCount(), 0);

    ExpectImportMakes(lFactory, lScene, KFileFormatRegistry::kImportMov, lPath, "Marker0");
}

} // namespace

TEST(KReaderMov, RowsTooCloseOrTooFarApartForARateAreWarnedAbout)
{
    struct Case
    {
        const char* mText;
        const char* mWarning;
    };
    const Case kCases[] = {
        // The first row on line 2; 1 / 1e-9 s is beyond every usable rate.
        {"\n0 1 2 3 4 5 6 7 8 9\n1e-9 1 2 3 4 5 6 7 8 9\n2e-9 1 2 3 4 5 6 7 8 9\n",
         "times.mov:2: the times of the first rows give 1e+09 frames per second, no usable rate: "
         "30 is used\n"},
        {"0 1 2 3 4 5 6 7 8 9\n5000 1 2 3 4 5 6 7 8 9\n",
         "times.mov:1: the times of the first rows give 0.0002 frames per second, no usable "
         "rate: 30 is used\n"},
        // A usable rate, or times that never rise, say nothing.
        {"0 1 2 3 4 5 6 7 8 9\n0.04 1 2 3 4 5 6 7 8 9\n", ""},
        {"7 1 2 3 4 5 6 7 8 9\n7 1 2 3 4 5 6 7 8 9\n", ""}};
    for (const Case& lCase : kCases) {
        SCOPED_TRACE(lCase.mText);
        TableReadScene<KReaderMov> lTest;
        ASSERT_TRUE(lTest.Read(WriteTableFile("times.mov", lCase.mText)));
        EXPECT_STREQ(lTest.mReader.GetMessage().Buffer(), lCase.mWarning);
    }
}
