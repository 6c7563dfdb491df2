#include "formats/motion/KReaderOptical.h"

#include "animation/KTakeInfo.h"
#include "formats/motion/aoa/KReaderAoa.h"
#include "formats/motion/trc/KReaderTrc.h"
#include "scene/KRyvGlobalTimeSettings.h"

#include "OpticalTestScene.h"

namespace {

// A TRC file of the named markers, each at (10 k, frame, 0) mm, over pFrames frames at 30 Hz;
// pHidden[k] lists frames in which marker k is not seen.
std::string TrcFile(const std::vector<std::string>& pNames, int pFrames,
                    const std::vector<std::vector<int>>& pHidden = {})
{
    std::string lText = "PathFileType\t3\t(X/Y/Z)\tx\nDataRate\tCameraRate\tNumFrames\tNumMarkers\t"
                        "Units\n30\t30\t" +
                        std::to_string(pFrames) + "\t" + std::to_string(pNames.size()) +
                        "\tmm\nFrame#\tTime";
    for (const std::string& lName : pNames) {
        lText += "\t" + lName + "\t\t";
    }
    lText += "\n";
    for (std::size_t k = 1; k <= pNames.size(); ++k) {
        lText += "\tX" + std::to_string(k) + "\tY" + std::to_string(k) + "\tZ" + std::to_string(k);
    }
    lText += "\n";
    for (int f = 0; f < pFrames; ++f) {
        lText += std::to_string(f + 1) + "\t0";
        for (std::size_t k = 0; k < pNames.size(); ++k) {
            bool lHidden = false;
            if (k < pHidden.size()) {
                for (int lFrame : pHidden[k]) {
                    lHidden = lHidden || lFrame == f;
                }
            }
            lText += lHidden ? "\t\t\t"
                             : "\t" + std::to_string(10 * k) + "\t" + std::to_string(f) + "\t0";
        }
        lText += "\n";
    }
    return lText;
}

TEST(KReaderOptical, HoldKeepsTheLastSeenPositionButNotAtTheFirstFrame)
{
    OpticalSettingsGuard lSettings;
    OpticalTestScene lTest;
    KReaderTrc lReader(&lTest.mFactory);
    ASSERT_TRUE(lTest.Read(
        lReader, WriteOpticalFile("hold.trc", TrcFile({"A", "B"}, 8, {{3, 4, 5}, {0, 1}}))));
    for (int f = 3; f <= 5; ++f) {
        EXPECT_EQ(lTest.Value(0, 3, f), 1.0);
        EXPECT_FLOAT_EQ(static_cast<float>(lTest.Value(0, 1, f)), 0.2f);
    }
    EXPECT_FLOAT_EQ(static_cast<float>(lTest.Value(0, 1, 6)), 0.6f);
    // Hidden from the first frame on: nothing to hold.
    EXPECT_EQ(lTest.Value(1, 0, 0), 0.0);
    EXPECT_EQ(lTest.Value(1, 0, 1), 0.0);
    EXPECT_EQ(lTest.Value(1, 3, 2), 0.0);
}

TEST(KReaderOptical, FrameCountTakeAndTimeMode)
{
    OpticalSettingsGuard lSettings;
    OpticalTestScene lTest;
    KReaderTrc lReader(&lTest.mFactory);
    std::vector<std::string> lProgress;
    ASSERT_TRUE(
        lTest.Read(lReader, WriteOpticalFile("take.trc", TrcFile({"A"}, 5)),
                   [&](KStreamOptionsMotion& ioOptions) {
                       ioOptions.SetProgressCallback([&](const char* pText, float pPercent) {
                           lProgress.push_back(std::string(pText) + " " +
                                               std::to_string(static_cast<int>(pPercent)));
                       });
                       ioOptions.SetFrameCount(50);
                       KTime lStart;
                       lStart.SetSecondDouble(2.0);
                       ioOptions.SetStart(lStart);
                   }));
    EXPECT_EQ(lTest.mOptions->GetFrameCount(), 5);
    EXPECT_EQ(lProgress,
              (std::vector<std::string>{
                  "Reading animation frames 0", "Reading animation frames 10",
                  "Reading animation frames 20", "Reading animation frames 30",
                  "Reading animation frames 40", "Loading animation frames in nodes 50"}));
    const KTakeInfo* lInfo = lTest.mScene->GetTakeInfo("take");
    ASSERT_NE(lInfo, nullptr);
    EXPECT_DOUBLE_EQ(lInfo->mLocalStart.GetSecondDouble(), 2.0);
    EXPECT_EQ(lInfo->mLocalStop, lTest.FrameTime(4));
    EXPECT_EQ(lInfo->mReferenceStop, lInfo->mLocalStop);
    EXPECT_EQ(lTest.mScene->GetGlobalTimeSettings().GetTimeMode(), lTest.mOptions->GetTimeMode());
    // The keys start at the options' start: the file's first frame lands on 2 s.
    EXPECT_EQ(lTest.Marker(0)->GetCurrentTakeNode()->GetTransformTY()->KeyGetTime(0),
              lInfo->mLocalStart);
    EXPECT_TRUE(lTest.Marker(0)->IsMarked());
    EXPECT_NE(lTest.Reference()->GetOpticalReference(), nullptr);

    // Fewer frames than the file holds: only those are read.
    OpticalTestScene lShort;
    KReaderTrc lShortReader(&lShort.mFactory);
    ASSERT_TRUE(lShort.Read(lShortReader, WriteOpticalFile("short.trc", TrcFile({"A"}, 5)),
                            [](KStreamOptionsMotion& ioOptions) { ioOptions.SetFrameCount(2); }));
    EXPECT_EQ(lShort.Marker(0)->GetCurrentTakeNode()->GetTransformTY()->GetKeyCount(), 2);
}

TEST(KReaderOptical, NoMarkersChangesNothing)
{
    OpticalSettingsGuard lSettings;
    OpticalTestScene lTest;
    KReaderTrc lReader(&lTest.mFactory);
    const int lNodes = lTest.mFactory.GetNodeCount();
    ASSERT_TRUE(lTest.Read(lReader, WriteOpticalFile("none.trc", TrcFile({}, 3))));
    EXPECT_EQ(lTest.mFactory.GetNodeCount(), lNodes);
    EXPECT_EQ(lTest.mScene->GetRootNode()->GetChildCount(), 0);
}

TEST(KReaderOptical, DuplicateNamesFailOrAreRenamed)
{
    OpticalSettingsGuard lSettings;
    const std::string lPath = WriteOpticalFile("dup.trc", TrcFile({"A", "a", "B", "A"}, 2));
    OpticalTestScene lTest;
    KReaderTrc lReader(&lTest.mFactory);
    const int lNodes = lTest.mFactory.GetNodeCount();
    const int lAttributes = lTest.mFactory.GetNodeAttributeCount();
    std::string lShown;
    ASSERT_FALSE(lTest.Read(lReader, lPath, [&](KStreamOptionsMotion& ioOptions) {
        ioOptions.SetMessageCallback([&](const char* pTitle, const char* pText, const char*) {
            lShown = std::string(pTitle) + ": " + pText;
        });
    }));
    EXPECT_EQ(lShown, "Error: Duplicate names found in dup.trc:\n    A");
    EXPECT_EQ(lReader.GetError().GetLastErrorID(), KReader::kFileCorrupted);
    EXPECT_EQ(lTest.mFactory.GetNodeCount(), lNodes);
    EXPECT_EQ(lTest.mFactory.GetNodeAttributeCount(), lAttributes);
    EXPECT_EQ(lTest.mScene->GetRootNode()->GetChildCount(), 0);

    OpticalTestScene lUnique;
    KReaderTrc lUniqueReader(&lUnique.mFactory);
    ASSERT_TRUE(lUnique.Read(lUniqueReader, lPath, [&](KStreamOptionsMotion& ioOptions) {
        ioOptions.SetOption(KReaderOptical::kOptionUniqueNames, 1);
        ioOptions.SetMessageCallback([&](const char* pTitle, const char* pText, const char*) {
            lShown = std::string(pTitle) + ": " + pText;
        });
    }));
    EXPECT_EQ(lUnique.MarkerName(1), "a 1");
    EXPECT_EQ(lUnique.MarkerName(3), "A 2");
    EXPECT_EQ(lShown, "Warning: Some objects have been renamed due to naming conflicts:\n"
                      "a  -->  a 1\nA  -->  A 2\n\n\n");
}

TEST(KReaderOptical, AReaderReadsItsFileAgain)
{
    OpticalSettingsGuard lSettings;
    KRyvObjectFactory lFactory;
    KReaderTrc lReader(&lFactory);
    ASSERT_TRUE(lReader.FileOpen(WriteOpticalFile("twice.trc", TrcFile({"A", "B"}, 3)).c_str()));
    for (int lPass = 0; lPass < 2; ++lPass) {
        KRyvScene* lScene = lFactory.CreateScene();
        std::unique_ptr<KStreamOptions> lOptions = lReader.GetReadOptions();
        ASSERT_NE(lOptions, nullptr);
        ASSERT_TRUE(lReader.Read(lScene, lOptions.get())) << lPass;
        KRyvNode* lReference = lScene->GetRootNode()->GetChild(0);
        ASSERT_EQ(lReference->GetChildCount(), 2);
        EXPECT_EQ(lReference->GetChild(1)->GetCurrentTakeNode()->GetTransformTY()->GetKeyCount(),
                  3);
    }
}

TEST(KReaderOptical, ErrorsWithoutFileOrOptions)
{
    KRyvObjectFactory lFactory;
    KRyvScene* lScene = lFactory.CreateScene();
    KReaderAoa lReader(&lFactory, KReaderAoa::eAoa);
    EXPECT_FALSE(lReader.FileClose());
    EXPECT_EQ(lReader.GetError().GetLastErrorID(), KReader::kFileNotOpened);
    EXPECT_EQ(lReader.GetReadOptions(), nullptr);
    std::unique_ptr<KStreamOptionsMotion> lOptions = KStreamOptionsMotion::Create();
    EXPECT_FALSE(lReader.Read(lScene, lOptions.get()));
    EXPECT_EQ(lReader.GetError().GetLastErrorID(), KReader::kFileNotOpened);
    const std::string lText = "frames = 1 markers = 1 Hz = 30\n1 2 3\n";
    ASSERT_TRUE(lReader.MemoryOpen(lText.data(), lText.size(), "one.aoa"));
    EXPECT_FALSE(lReader.Read(lScene, nullptr));
    EXPECT_EQ(lReader.GetError().GetLastErrorID(), KReader::kStreamOptionsNotSet);
    EXPECT_FALSE(lReader.FileOpen(OpticalTestPath("missing.aoa").c_str()));
    EXPECT_EQ(lReader.GetError().GetLastErrorID(), KReader::kFileNotOpened);
}

} // namespace
