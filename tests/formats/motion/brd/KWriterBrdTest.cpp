#include "formats/motion/brd/KWriterBrd.h"

#include "formats/motion/brd/KReaderBrd.h"
#include "io/KExporter.h"
#include "io/KFileFormatRegistry.h"
#include "scene/objects/KRyvMarker.h"

#include "../MotionTableTestScene.h"

#include <cstdio>
#include <string>

namespace {

using BrdScene = TableReadScene<KReaderBrd>;

bool WriteBrd(KRyvScene* pScene, const std::string& pPath, KStreamOptionsMotion* pOptions,
              KWriterBrd& ioWriter)
{
    return ioWriter.FileCreate(pPath.c_str()) && ioWriter.Write(pScene, pOptions);
}

// Root - Rig (two children, so the root is the reference) - Hand and Foot, static.
struct StillRig
{
    KRyvObjectFactory mFactory;
    KRyvScene* mScene = mFactory.CreateScene();
    KRyvNode* mRig = mFactory.CreateNode("Rig");
    KRyvNode* mHand;
    KRyvNode* mFoot;

    StillRig()
    {
        mScene->GetRootNode()->AddChild(mRig);
        mHand = AddTableMarker(mFactory, mRig, "Arm:Hand");
        mFoot = AddTableMarker(mFactory, mRig, "Foot");
        mHand->SetLclTranslation(KVector4(1, 2, 3));
        mHand->SetLclRotation(KVector4(0, 0, 90));
        mFoot->SetLclTranslation(KVector4(0, -5, 0.5));
    }
};

TEST(KWriterBrd, GoldenLinesSplitTheTimeIntoSecondsAndMicroseconds)
{
    StillRig lRig;
    KWriterBrd lWriter(&lRig.mFactory);
    std::unique_ptr<KStreamOptionsMotion> lOptions = TableWriteOptions(lWriter, 2, 4.0);
    KTime lStart;
    lStart.SetSecondDouble(3.25);
    lOptions->SetStart(lStart);
    const std::string lPath = WriteTableFile("still.brd", "");
    ASSERT_TRUE(WriteBrd(lRig.mScene, lPath, lOptions.get(), lWriter))
        << lWriter.GetError().GetLastErrorString().Buffer();
    EXPECT_EQ(ReadTableFile(lPath), "0\t0\tP\t1\t2\t3\tQ\t0\t0\t0.707107\t0.707107\t3\t250000\n"
                                    "0\t1\tP\t0\t-5\t0.5\tQ\t0\t0\t0\t1\t3\t250000\n"
                                    "1\t0\tP\t1\t2\t3\tQ\t0\t0\t0.707107\t0.707107\t3\t500000\n"
                                    "1\t1\tP\t0\t-5\t0.5\tQ\t0\t0\t0\t1\t3\t500000\n");
}

TEST(KWriterBrd, OcclusionOfOneHalfOrMoreLeavesTheLineOut)
{
    StillRig lRig;
    // The hand becomes an optical marker occluded at 0.5 on frame 1 and 0.49 on frame 2.
    KRyvMarker* lMarker = lRig.mFactory.CreateMarker();
    lMarker->SetType(KRyvMarker::eOptical);
    lRig.mHand->SetNodeAttribute(lMarker);
    lRig.mHand->AddTakeNode("seen");
    lRig.mHand->SetCurrentTakeNode("seen");
    KFCurve* lOcclusion = lRig.mHand->GetCurrentTakeNode()->GetOcclusion();
    ASSERT_NE(lOcclusion, nullptr);
    const KTime lSecond(KTime::kTicksPerSecond);
    lOcclusion->KeyAdd(KTime(), 0.0f);
    lOcclusion->KeyAdd(lSecond, 0.5f);
    lOcclusion->KeyAdd(lSecond * 2, 0.49f);
    for (int i = 0; i < 3; ++i) {
        lOcclusion->KeySetInterpolation(i, KFCurveKey::kInterpolationConstant);
    }

    KWriterBrd lWriter(&lRig.mFactory);
    std::unique_ptr<KStreamOptionsMotion> lOptions = TableWriteOptions(lWriter, 3, 1.0);
    lOptions->SetOption(KWriterBrd::kOptionAllVisible, 0);
    const std::string lPath = WriteTableFile("occluded.brd", "");
    ASSERT_TRUE(WriteBrd(lRig.mScene, lPath, lOptions.get(), lWriter));
    const std::string lText = ReadTableFile(lPath);
    EXPECT_EQ(lText.find("1\t0\tP"), std::string::npos) << lText;
    EXPECT_NE(lText.find("0\t0\tP"), std::string::npos);
    EXPECT_NE(lText.find("2\t0\tP"), std::string::npos);
    EXPECT_NE(lText.find("1\t1\tP"), std::string::npos);

    // Read back, the missing line is an occluded frame that holds the previous position.
    TableImportSettingsGuard lSettings;
    BrdScene lBack;
    ASSERT_TRUE(lBack.Read(lPath));
    EXPECT_EQ(lBack.Value("Marker0", &KRyvTakeNode::GetOcclusion, 1), 1.0);
    EXPECT_NEAR(lBack.Value("Marker0", &KRyvTakeNode::GetTransformTZ, 1), 3.0, 1e-6);

    // The default options (option 11 at 1) write every line.
    KWriterBrd lAll(&lRig.mFactory);
    std::unique_ptr<KStreamOptionsMotion> lDefaults = TableWriteOptions(lAll, 3, 1.0);
    ASSERT_TRUE(WriteBrd(lRig.mScene, lPath, lDefaults.get(), lAll));
    EXPECT_NE(ReadTableFile(lPath).find("1\t0\tP"), std::string::npos);
}

// Three markers moving at random for 10000 frames, rotations everywhere.
TEST(KWriterBrd, RoundTripKeepsTransformsAndWritesTheSameBytesAgain)
{
    TableImportSettingsGuard lSettings;
    constexpr int kFrames = 10000;
    KRyvObjectFactory lFactory;
    KRyvScene* lScene = lFactory.CreateScene();
    KRyvNode* lRig = lFactory.CreateNode("Rig");
    lScene->GetRootNode()->AddChild(lRig);
    KWriterBrd lWriter(&lFactory);
    std::unique_ptr<KStreamOptionsMotion> lOptions = TableWriteOptions(lWriter, kFrames, 120.0);
    const char* const kNames[3] = {"A", "B", "C"};
    for (int m = 0; m < 3; ++m) {
        KeyRandomMotion(AddTableMarker(lFactory, lRig, kNames[m]), "take", kFrames,
                        lOptions->GetFramePeriod(), 7u + m, false);
    }
    const std::string lFirst = WriteTableFile("first.brd", "");
    ASSERT_TRUE(WriteBrd(lScene, lFirst, lOptions.get(), lWriter));

    BrdScene lBack;
    ASSERT_TRUE(lBack.Read(lFirst)) << lBack.mReader.GetError().GetLastErrorString().Buffer();
    EXPECT_EQ(lBack.mOptions->GetFrameCount(), kFrames);
    EXPECT_DOUBLE_EQ(lBack.mOptions->GetFrameRate(), 120.0);
    for (int m = 0; m < 3; ++m) {
        const std::string lName = "Marker" + std::to_string(m);
        const TransformDifference lDifference =
            CompareSampled(lFactory.FindNode(kNames[m]), KTime(), lBack.Find(lName.c_str()),
                           lBack.mOptions->GetStart(), lOptions->GetFramePeriod(), kFrames);
        // Six significant digits of positions and quaternion components.
        EXPECT_LT(lDifference.mTranslation, 1e-5) << kNames[m];
        EXPECT_LT(lDifference.mRotation, 5e-6) << kNames[m];
    }

    KWriterBrd lAgain(&lBack.mFactory);
    std::unique_ptr<KStreamOptionsMotion> lSame = TableWriteOptions(lAgain, 0, 1.0);
    lSame->SetFrameCount(lBack.mOptions->GetFrameCount());
    lSame->SetTimeMode(lBack.mOptions->GetTimeMode(), lBack.mOptions->GetFrameRate());
    lSame->SetStart(lBack.mOptions->GetStart());
    const std::string lSecond = WriteTableFile("second.brd", "");
    ASSERT_TRUE(WriteBrd(lBack.mScene, lSecond, lSame.get(), lAgain));
    const std::string lFirstText = ReadTableFile(lFirst);
    const std::string lSecondText = ReadTableFile(lSecond);
    const std::size_t lAt =
        std::mismatch(lFirstText.begin(), lFirstText.end(), lSecondText.begin()).first -
        lFirstText.begin();
    EXPECT_TRUE(lFirstText == lSecondText)
        << lFirstText.substr(lAt > 60 ? lAt - 60 : 0, 120) << "\n---\n"
        << lSecondText.substr(lAt > 60 ? lAt - 60 : 0, 120);
}

// A file of one sensor, read and written again: the writer takes the reference node read, not
// the single marker below it, so the poses survive.
TEST(KWriterBrd, ASingleSensorReadBackWritesTheSameLines)
{
    TableImportSettingsGuard lSettings;
    const std::string lText = "0\t0\tP\t10\t20\t30\tQ\t0\t0\t0.707107\t0.707107\t0\t0\n"
                              "1\t0\tP\t11\t21\t31\tQ\t0\t0\t0\t1\t0\t500000\n";
    BrdScene lBack;
    ASSERT_TRUE(lBack.Read(WriteTableFile("one.brd", lText)));
    EXPECT_TRUE(lBack.Find("BRD:reference")->IsMarked());
    KWriterBrd lWriter(&lBack.mFactory);
    std::unique_ptr<KStreamOptionsMotion> lOptions = TableWriteOptions(lWriter, 2, 2.0);
    const std::string lPath = WriteTableFile("again.brd", "");
    ASSERT_TRUE(WriteBrd(lBack.mScene, lPath, lOptions.get(), lWriter));
    EXPECT_EQ(ReadTableFile(lPath), lText);
}

TEST(KWriterBrd, RefusalsAndAFullDisk)
{
    StillRig lRig;
    KWriterBrd lWriter(&lRig.mFactory);
    std::unique_ptr<KStreamOptionsMotion> lOptions = TableWriteOptions(lWriter, 2, 30.0);
    EXPECT_EQ(lOptions->GetOption(KWriterBrd::kOptionAllVisible), 1);
    EXPECT_EQ(lOptions->GetOption(13), 0);
    EXPECT_FALSE(lWriter.Write(lRig.mScene, lOptions.get()));
    EXPECT_EQ(lWriter.GetError().GetLastErrorID(), KWriter::kFileNotOpened);
    EXPECT_FALSE(lWriter.FileClose());
    EXPECT_FALSE(lWriter.FileCreate((testing::TempDir() + "no/such/folder/x.brd").c_str()));
    EXPECT_NE(
        std::string(lWriter.GetError().GetLastErrorString().Buffer()).find("Cannot open file"),
        std::string::npos);

    // Bad options leave the file that was there.
    const std::string lPath = WriteTableFile("kept.brd", "an older file\n");
    ASSERT_TRUE(lWriter.FileCreate(lPath.c_str()));
    KStreamOptions lOther;
    EXPECT_FALSE(lWriter.Write(lRig.mScene, &lOther));
    EXPECT_EQ(lWriter.GetError().GetLastErrorID(), KWriter::kStreamOptionsNotSet);
    EXPECT_TRUE(lWriter.FileClose());
    EXPECT_EQ(ReadTableFile(lPath), "an older file\n");

    // A marker beyond single precision cannot be written.
    lRig.mRig->SetLclScaling(KVector4(1e10, 1, 1));
    lRig.mFoot->SetLclTranslation(KVector4(1e30, 0, 0));
    ASSERT_TRUE(lWriter.FileCreate(lPath.c_str()));
    EXPECT_FALSE(lWriter.Write(lRig.mScene, lOptions.get()));
    EXPECT_EQ(lWriter.GetError().GetLastErrorID(), KWriter::kUnidentifiedError);
    EXPECT_EQ(ReadTableFile(lPath), "an older file\n");
    lRig.mRig->SetLclScaling(KVector4(1, 1, 1));

    std::FILE* lProbe = std::fopen("/dev/full", "w");
    if (!lProbe) {
        return;
    }
    std::fclose(lProbe);
    ASSERT_TRUE(lWriter.FileCreate("/dev/full"));
    EXPECT_FALSE(lWriter.Write(lRig.mScene, lOptions.get()));
    EXPECT_EQ(lWriter.GetError().GetLastErrorID(), KWriter::kOutOfDiskSpace);
}

TEST(KWriterBrd, ThroughTheExporterAndBack)
{
    TableImportSettingsGuard lSettings;
    StillRig lRig;
    KExporter lExporter(&lRig.mFactory);
    lExporter.SetFileFormat(KFileFormatRegistry::kExportBrd);
    const std::string lPath = WriteTableFile("exported.brd", "");
    lExporter.Initialize(lPath.c_str());
    std::unique_ptr<KStreamOptions> lOptions = lExporter.GetWriteOptions();
    ASSERT_NE(lOptions, nullptr);
    auto* lMotion = static_cast<KStreamOptionsMotion*>(lOptions.get());
    lMotion->SetFrameCount(130);
    lMotion->SetTimeMode(0, 30.0);
    std::vector<float> lPercents;
    lMotion->SetProgressCallback(
        [&lPercents](const char*, float pPercent) { lPercents.push_back(pPercent); });
    ASSERT_TRUE(lExporter.Export(lRig.mScene, lOptions.get()))
        << lExporter.GetError().GetLastErrorString().Buffer();
    // Every 64 frames: frames 0, 64 and 128.
    EXPECT_EQ(lPercents, (std::vector<float>{0.0f, 49.0f, 98.0f}));

    BrdScene lBack;
    ASSERT_TRUE(lBack.Read(lPath));
    EXPECT_EQ(lBack.mOptions->GetFrameCount(), 130);
    EXPECT_NEAR(lBack.Value("Marker0", &KRyvTakeNode::GetTransformRZ, 129), 90.0, 1e-4);
    EXPECT_NEAR(lBack.Value("Marker1", &KRyvTakeNode::GetTransformTY, 0), -5.0, 1e-6);
}

} // namespace
