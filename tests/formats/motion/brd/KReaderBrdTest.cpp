#include "formats/motion/brd/KReaderBrd.h"

#include "animation/KTakeInfo.h"
#include "io/KFileFormatRegistry.h"
#include "scene/KRyvNodeAttribute.h"
#include "scene/objects/KRyvMarker.h"

#include "../MotionTableTestScene.h"

#include <string>

namespace {

using BrdScene = TableReadScene<KReaderBrd>;

// Sensors 7 and 3 in mixed order; sensor 3's frame 1 comes twice (the later line wins), sensor 7
// has no frame 1. Frame 0 lies at 0 s, frame 2 at 1 s: two periods in one second, 2 frames/s.
const char* const kGolden = "0 7 P 1 2 3 Q 0 0 0 1 0 0\n"
                            "0\t3\tP\t10\t20\t30\tQ\t0\t0\t0.7071068\t0.7071068\t0\t0\n"
                            "1 3 P 11 21 31 Q 0 0 0 1 0 500000\n"
                            "\n"
                            "2 3 P 12 22 32 Q 0 0 0 1 1 0\r\n"
                            "2 7 P 5 6 7 Q 1 0 0 0 1 0\n"
                            "1 3 P 99 98 97 Q 0 0 0 1 0 500000\n";

TEST(KReaderBrd, GoldenFileGivesSensorsByIdWithTheirCurves)
{
    TableImportSettingsGuard lSettings;
    BrdScene lTest;
    ASSERT_TRUE(lTest.Read(WriteTableFile("golden.brd", kGolden)))
        << lTest.mReader.GetError().GetLastErrorString().Buffer();
    EXPECT_EQ(lTest.mOptions->GetFrameCount(), 3);
    EXPECT_DOUBLE_EQ(lTest.mOptions->GetFrameRate(), 2.0);
    EXPECT_EQ(lTest.mOptions->GetStart(), KTime());
    EXPECT_EQ(lTest.mOptions->GetOption(4), 0);
    EXPECT_EQ(lTest.mOptions->GetOption(KReaderBrd::kOptionHold), 1);

    KRyvNode* lRoot = lTest.mScene->GetRootNode();
    ASSERT_EQ(lRoot->GetChildCount(), 1);
    KRyvNode* lReference = lRoot->GetChild(0);
    EXPECT_STREQ(lReference->GetNameWithoutPrefix().Buffer(), "BRD:reference");
    ASSERT_NE(lReference->GetOpticalReference(), nullptr);
    ASSERT_EQ(lReference->GetChildCount(), 2);
    EXPECT_STREQ(lReference->GetChild(0)->GetNameWithoutPrefix().Buffer(), "Marker3");
    EXPECT_STREQ(lReference->GetChild(1)->GetNameWithoutPrefix().Buffer(), "Marker7");
    const auto* lMarker = dynamic_cast<KRyvMarker*>(lReference->GetChild(0)->GetNodeAttribute());
    ASSERT_NE(lMarker, nullptr);
    EXPECT_EQ(lMarker->GetType(), KRyvMarker::eOptical);
    EXPECT_STREQ(lTest.mScene->GetCurrentTakeName(), "golden");
    const KTakeInfo* lInfo = lTest.mScene->GetTakeInfo("golden");
    ASSERT_NE(lInfo, nullptr);
    EXPECT_EQ(lInfo->mLocalStop, lTest.FrameTime(2));

    // Sensor 3: the quaternion of a quarter turn about Z, then the later of the two frame-1 lines.
    EXPECT_NEAR(lTest.Value("Marker3", &KRyvTakeNode::GetTransformRZ, 0), 90.0, 1e-4);
    EXPECT_NEAR(lTest.Value("Marker3", &KRyvTakeNode::GetTransformTX, 0), 10.0, 1e-6);
    EXPECT_NEAR(lTest.Value("Marker3", &KRyvTakeNode::GetTransformTX, 1), 99.0, 1e-6);
    EXPECT_NEAR(lTest.Value("Marker3", &KRyvTakeNode::GetTransformTZ, 2), 32.0, 1e-6);
    EXPECT_EQ(lTest.Value("Marker3", &KRyvTakeNode::GetOcclusion, 1), 0.0);
    // Sensor 7 misses frame 1: occluded there, holding frame 0's pose; (1, 0, 0, 0) is a half
    // turn about X.
    EXPECT_EQ(lTest.Value("Marker7", &KRyvTakeNode::GetOcclusion, 1), 1.0);
    EXPECT_NEAR(lTest.Value("Marker7", &KRyvTakeNode::GetTransformTY, 1), 2.0, 1e-6);
    EXPECT_EQ(lTest.Value("Marker7", &KRyvTakeNode::GetOcclusion, 2), 0.0);
    EXPECT_NEAR(std::fabs(lTest.Value("Marker7", &KRyvTakeNode::GetTransformRX, 2)), 180.0, 1e-4);
    EXPECT_EQ(lTest.Find("Marker7")->GetCurrentTakeNode()->GetOcclusion()->KeyGetInterpolation(1),
              KFCurveKey::kInterpolationConstant);
}

// Ids small and large, negative included, first seen out of order: the sensors come in id order,
// each with its own samples.
TEST(KReaderBrd, SensorsOfAnyIdComeInIdOrder)
{
    TableImportSettingsGuard lSettings;
    BrdScene lTest;
    const int kIds[] = {5000, 1023, -3, 1024, 0, 7};
    std::string lText;
    for (int f = 0; f < 2; ++f) {
        for (const int lId : kIds) {
            lText += std::to_string(f) + " " + std::to_string(lId) + " P " + std::to_string(lId) +
                     " " + std::to_string(f) + " 0 Q 0 0 0 1 " + std::to_string(f) + " 0\n";
        }
    }
    ASSERT_TRUE(lTest.Read(WriteTableFile("ids.brd", lText.c_str())))
        << lTest.mReader.GetError().GetLastErrorString().Buffer();
    KRyvNode* lReference = lTest.mScene->GetRootNode()->GetChild(0);
    const char* const kNames[] = {"Marker-3",   "Marker0",    "Marker7",
                                  "Marker1023", "Marker1024", "Marker5000"};
    ASSERT_EQ(lReference->GetChildCount(), 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_STREQ(lReference->GetChild(i)->GetNameWithoutPrefix().Buffer(), kNames[i]);
    }
    for (const int lId : kIds) {
        const std::string lName = "Marker" + std::to_string(lId);
        EXPECT_NEAR(lTest.Value(lName.c_str(), &KRyvTakeNode::GetTransformTX, 0), lId, 1e-6);
        EXPECT_NEAR(lTest.Value(lName.c_str(), &KRyvTakeNode::GetTransformTY, 1), 1.0, 1e-6);
    }
}

TEST(KReaderBrd, WithoutHoldAMissingSampleIsZero)
{
    TableImportSettingsGuard lSettings;
    BrdScene lTest;
    ASSERT_TRUE(
        lTest.Read(WriteTableFile("nohold.brd", kGolden), [](KStreamOptionsMotion& pOptions) {
            pOptions.SetOption(KReaderBrd::kOptionHold, 0);
            pOptions.SetOption(4, 1);
        }));
    EXPECT_EQ(lTest.Value("Marker7", &KRyvTakeNode::GetTransformTY, 1), 0.0);
    EXPECT_EQ(lTest.Value("Marker7", &KRyvTakeNode::GetOcclusion, 1), 1.0);
    EXPECT_NE(lTest.Find("BRD:optical"), nullptr);
}

TEST(KReaderBrd, RatesFromTimeStamps)
{
    struct Case
    {
        const char* mText;
        double mRate;
        int mFrames;
        double mStartSeconds;
    };
    const double lDefault = KStreamOptionsMotion().GetFrameRate();
    const Case lCases[] = {
        // Same stamps everywhere, then stamps running backwards: no rate, the default.
        {"0 1 P 0 0 0 Q 0 0 0 1 5 0\n4 1 P 0 0 0 Q 0 0 0 1 5 0\n", lDefault, 5, 0.0},
        {"0 1 P 0 0 0 Q 0 0 0 1 9 0\n4 1 P 0 0 0 Q 0 0 0 1 1 0\n", lDefault, 5, 0.0},
        // One frame: the default.
        {"3 1 P 0 0 0 Q 0 0 0 1 1 0\n", lDefault, 1, 3.0 / lDefault},
        // Frames 10 to 14 over 0.04 s: 4 periods, 100 frames/s; the start is 10 periods.
        {"14 1 P 0 0 0 Q 0 0 0 1 2 40000\n10 1 P 0 0 0 Q 0 0 0 1 2 0\n", 100.0, 5, 0.1},
        // Negative frame numbers start before 0.
        {"-2 1 P 0 0 0 Q 0 0 0 1 -1 0\n0 1 P 0 0 0 Q 0 0 0 1 0 0\n", 2.0, 3, -1.0},
    };
    for (const Case& lCase : lCases) {
        KRyvObjectFactory lFactory;
        KReaderBrd lReader(&lFactory);
        ASSERT_TRUE(lReader.FileOpen(WriteTableFile("rate.brd", lCase.mText).c_str()));
        std::unique_ptr<KStreamOptions> lOptions = lReader.GetReadOptions();
        ASSERT_NE(lOptions, nullptr) << lCase.mText;
        const auto& lMotion = static_cast<const KStreamOptionsMotion&>(*lOptions);
        EXPECT_NEAR(lMotion.GetFrameRate(), lCase.mRate, 1e-9) << lCase.mText;
        EXPECT_EQ(lMotion.GetFrameCount(), lCase.mFrames) << lCase.mText;
        EXPECT_NEAR(lMotion.GetStart().GetSecondDouble(), lCase.mStartSeconds, 1e-9) << lCase.mText;
    }
}

TEST(KReaderBrd, DamagedFilesAreCorruptAndLeaveNothing)
{
    struct Case
    {
        const char* mText;
        const char* mWhy;
    };
    const Case lCases[] = {
        {"", "bad.brd: no sample"},
        {"\n  \n", "bad.brd: no sample"},
        {"0 1 P 0 0 0 Q 0 0 0 1 0 0\n1 1 p 0 0 0 Q 0 0 0 1 0 0\n2 1 P 0 0 0 Q 0 0 0 1 0 0\n",
         "bad.brd:2: "},
        {"0 1 P 0 0 0 Q 0 0 0 1 0\n", "bad.brd:1: "},
        {"0 1 P 0 0 0 Q 0 0 0 1 0 inf\n", "bad.brd:1: time stamp out of range"},
        {"0 1 P 0 0 0 Q 0 0 0 1 2e8 0\n", "bad.brd:1: time stamp out of range"},
        {"0 1 P 1e39 0 0 Q 0 0 0 1 0 0\n", "bad.brd:1: value out of range"},
        {"0 1 P 0 0 0 Q 0 0 0 1 0 0\n2147483647 1 P 0 0 0 Q 0 0 0 1 1 0\n",
         "bad.brd: frame numbers 0 to 2147483647 span more frames"},
        {"-2147483648 1 P 0 0 0 Q 0 0 0 1 0 0\n2147483647 1 P 0 0 0 Q 0 0 0 1 1 0\n",
         "bad.brd: frame numbers -2147483648 to 2147483647"},
        {"0 1 P 0 0 0 Q 0 0 0 1 0 0\n99999999999 1 P 0 0 0 Q 0 0 0 1 1 0\n", "bad.brd:2: "},
    };
    for (const Case& lCase : lCases) {
        BrdScene lTest;
        const int lNodes = lTest.mFactory.GetNodeCount();
        const std::string lPath = WriteTableFile("bad.brd", lCase.mText);
        ASSERT_TRUE(lTest.mReader.FileOpen(lPath.c_str()));
        EXPECT_EQ(lTest.mReader.GetReadOptions(), nullptr) << lCase.mText;
        EXPECT_EQ(lTest.mReader.GetError().GetLastErrorID(), KReader::kFileCorrupted);
        const std::string lError = lTest.mReader.GetError().GetLastErrorString().Buffer();
        EXPECT_EQ(lError.rfind(lCase.mWhy, 0), 0u) << lError;
        // A read with options of its own fails the same way, the scene untouched.
        std::unique_ptr<KStreamOptionsMotion> lOptions = KStreamOptionsMotion::Create();
        EXPECT_FALSE(lTest.mReader.Read(lTest.mScene, lOptions.get()));
        EXPECT_EQ(lTest.mReader.GetError().GetLastErrorID(), KReader::kFileCorrupted);
        EXPECT_EQ(lTest.mFactory.GetNodeCount(), lNodes);
    }
}

TEST(KReaderBrd, SparseFilesAreKeyedWhereTheirSamplesAre)
{
    TableImportSettingsGuard lSettings;
    // One sensor seen at frames 0, 100 and 200 (0, 1 and 2 s: 100 frames/s); a second seen only
    // at frames 5 and 6.
    const char* const kSparse = "0 1 P 1 2 3 Q 0 0 0 1 0 0\n"
                                "100 1 P 4 5 6 Q 0 0 0.7071068 0.7071068 1 0\n"
                                "200 1 P 7 8 9 Q 0 0 0 1 2 0\n"
                                "5 2 P 10 20 30 Q 0 0 0 1 0 50000\n"
                                "6 2 P 11 21 31 Q 0 0 0 1 0 60000\n";
    for (const bool lHold : {true, false}) {
        BrdScene lTest;
        ASSERT_TRUE(lTest.Read(WriteTableFile("sparse.brd", kSparse),
                               [lHold](KStreamOptionsMotion& ioOptions) {
                                   ioOptions.SetOption(KReaderBrd::kOptionHold, lHold ? 1 : 0);
                               }))
            << lTest.mReader.GetError().GetLastErrorString().Buffer();
        ASSERT_EQ(lTest.mOptions->GetFrameCount(), 201);
        EXPECT_DOUBLE_EQ(lTest.mOptions->GetFrameRate(), 100.0);
        const auto lX = [&](const char* pNode, int pFrame) {
            return lTest.Value(pNode, &KRyvTakeNode::GetTransformTX, pFrame);
        };
        const auto lSeen = [&](const char* pNode, int pFrame) {
            return lTest.Value(pNode, &KRyvTakeNode::GetOcclusion, pFrame) == 0.0;
        };
        // Every frame reads as the file says: the sample where there is one, else occluded at
        // the held pose or the origin.
        for (int f = 0; f <= 200; ++f) {
            const bool lSample = f % 100 == 0;
            EXPECT_EQ(lSeen("Marker1", f), lSample) << f;
            const double lHeld = 1.0 + 3.0 * (f / 100);
            EXPECT_NEAR(lX("Marker1", f), lSample || lHold ? lHeld : 0.0, 1e-6) << f;
            EXPECT_EQ(lSeen("Marker2", f), f == 5 || f == 6) << f;
            const double lSecond = f < 5 ? 0.0 : (f == 5 ? 10.0 : 11.0);
            EXPECT_NEAR(lX("Marker2", f), f == 5 || f == 6 || lHold ? lSecond : 0.0, 1e-6) << f;
        }
        EXPECT_NEAR(lTest.Value("Marker1", &KRyvTakeNode::GetTransformRZ, 150), lHold ? 90.0 : 0.0,
                    1e-4);
        // Keys at the samples and where gaps start, not one per frame of the span.
        EXPECT_LE(lTest.Find("Marker1")->GetCurrentTakeNode()->GetTransformTX()->GetKeyCount(), 5);
        EXPECT_LE(lTest.Find("Marker2")->GetCurrentTakeNode()->GetOcclusion()->GetKeyCount(), 4);
    }

    // Two samples two billion frames apart cost two samples' keys.
    BrdScene lFar;
    ASSERT_TRUE(lFar.Read(WriteTableFile(
        "far.brd", "0 1 P 1 2 3 Q 0 0 0 1 0 0\n2000000000 1 P 4 5 6 Q 0 0 0 1 1 0\n")));
    EXPECT_EQ(lFar.mOptions->GetFrameCount(), 2000000001);
    EXPECT_LE(lFar.Find("Marker1")->GetCurrentTakeNode()->GetTransformTX()->GetKeyCount(), 3);
    EXPECT_NEAR(lFar.Value("Marker1", &KRyvTakeNode::GetTransformTX, 2000000000), 4.0, 1e-6);
}

TEST(KReaderBrd, MutatedFilesNeverCrashOrLeaveNodes)
{
    TableImportSettingsGuard lSettings;
    ExpectMutantsLeaveNoTrace<KReaderBrd>("mutant.brd", kGolden, 23);
}

TEST(KReaderBrd, OptionsAskingForMoreFramesGetTheFilesFrames)
{
    TableImportSettingsGuard lSettings;
    BrdScene lTest;
    ASSERT_TRUE(lTest.Read(WriteTableFile("more.brd", kGolden),
                           [](KStreamOptionsMotion& pOptions) { pOptions.SetFrameCount(1000); }));
    EXPECT_EQ(lTest.mOptions->GetFrameCount(), 3);
    EXPECT_EQ(lTest.Find("Marker3")->GetCurrentTakeNode()->GetTransformTX()->GetKeyCount(), 3);
}

TEST(KReaderBrd, TheKeyReducerThinsConstantCurvesOcclusionIncluded)
{
    TableImportSettingsGuard lSettings(KImportSettings::kRotationFilterUnroll, true);
    BrdScene lTest;
    std::string lText;
    for (int f = 0; f < 20; ++f) {
        lText += std::to_string(f) + " 1 P " + std::to_string(f) + " 5 5 Q 0 0 0 1 0 " +
                 std::to_string(f * 10000) + "\n";
    }
    ASSERT_TRUE(lTest.Read(WriteTableFile("still.brd", lText)));
    KRyvTakeNode* lTake = lTest.Find("Marker1")->GetCurrentTakeNode();
    EXPECT_EQ(lTake->GetTransformTX()->GetKeyCount(), 20);
    EXPECT_LT(lTake->GetTransformTY()->GetKeyCount(), 20);
    EXPECT_LT(lTake->GetTransformRX()->GetKeyCount(), 20);
    EXPECT_LT(lTake->GetOcclusion()->GetKeyCount(), 20);
    EXPECT_DOUBLE_EQ(lTest.mOptions->GetFrameRate(), 100.0);
}

TEST(KReaderBrd, RefusalsWithoutFileOrOptionsAndThroughTheImporter)
{
    TableImportSettingsGuard lSettings;
    KRyvObjectFactory lFactory;
    KRyvScene* lScene = lFactory.CreateScene();
    KReaderBrd lReader(&lFactory);
    ExpectUnopenedRefused(lReader, lScene);
    EXPECT_FALSE(lReader.FileClose());
    const std::string lPath = WriteTableFile("imported.brd", kGolden);
    ASSERT_TRUE(lReader.FileOpen(lPath.c_str()));
    EXPECT_FALSE(lReader.Read(lScene, nullptr));
    EXPECT_EQ(lReader.GetError().GetLastErrorID(), KReader::kStreamOptionsNotSet);
    KStreamOptions lOther;
    EXPECT_FALSE(lReader.Read(lScene, &lOther));
    EXPECT_EQ(lReader.GetError().GetLastErrorID(), KReader::kStreamOptionsNotSet);
    EXPECT_TRUE(lReader.FileClose());
    EXPECT_FALSE(lReader.IsFileOpen());

    ExpectImportMakes(lFactory, lScene, KFileFormatRegistry::kImportBrd, lPath, "Marker7");
}

} // namespace
