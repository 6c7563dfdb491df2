#include "formats/motion/KWriterOptical.h"

#include "formats/motion/aoa/KWriterAoa.h"
#include "formats/motion/c3d/KReaderC3d.h"
#include "formats/motion/c3d/KWriterC3d.h"
#include "formats/motion/trc/KReaderTrc.h"
#include "formats/motion/trc/KWriterTrc.h"

#include "OpticalTestScene.h"

namespace {

MarkerSet Still(const std::vector<std::string>& pNames, int pFrames)
{
    MarkerSet lSet;
    lSet.mNames = pNames;
    lSet.mFrames = pFrames;
    lSet.mPosition = [](int pMarker, int pFrame) { return KVector4(pMarker, pFrame, 1.0, 1.0); };
    return lSet;
}

// Writes pScene as AOA (option 13 and the frame count as given) and answers the text.
std::string WriteAoa(KRyvObjectFactory& ioFactory, KRyvScene& ioScene, int pFrames,
                     int pGlobalRoot = 0)
{
    KWriterAoa lWriter(&ioFactory, KWriterAoa::eAoa);
    std::unique_ptr<KStreamOptions> lOptions = lWriter.GetWriteOptions();
    auto* lMotion = static_cast<KStreamOptionsMotion*>(lOptions.get());
    EXPECT_EQ(lMotion->GetOption(KWriterOptical::kOptionGlobalRoot), 0);
    lMotion->SetTimeMode(0, 30.0);
    lMotion->SetFrameCount(pFrames);
    lMotion->SetOption(KWriterOptical::kOptionGlobalRoot, pGlobalRoot);
    const std::string lPath = OpticalTestPath("out.aoa");
    EXPECT_TRUE(lWriter.FileCreate(lPath.c_str()));
    EXPECT_TRUE(lWriter.Write(&ioScene, lOptions.get()));
    return TempFolder::Read(lPath);
}

TEST(KWriterOptical, ReferenceNodeAndRestPoseIndependence)
{
    KRyvObjectFactory lFactory;
    KRyvScene* lScene = lFactory.CreateScene();
    BuildMarkerScene(lFactory, *lScene, Still({"A", "B"}, 2));
    const std::string lText = WriteAoa(lFactory, *lScene, 2);
    EXPECT_EQ(lText, "frames = 2 markers = 2 Hz = 30\n0 0 1\n1 0 1\n0 1 1\n1 1 1\n");
    // Moving the reference node does not move what is written relative to it ...
    KRyvNode* lReference = lScene->GetRootNode()->GetChild(0);
    lReference->SetLclTranslation(KVector4(100.0, 0.0, 0.0));
    EXPECT_EQ(WriteAoa(lFactory, *lScene, 2), lText);
    // ... but with option 13 the positions are global.
    EXPECT_EQ(WriteAoa(lFactory, *lScene, 1, 1),
              "frames = 1 markers = 2 Hz = 30\n100 0 1\n101 0 1\n");
    // A second child of the root: the root is the reference node.
    KRyvNode* lOther = lFactory.CreateNode("Other");
    lScene->GetRootNode()->AddChild(lOther);
    EXPECT_EQ(WriteAoa(lFactory, *lScene, 1), "frames = 1 markers = 2 Hz = 30\n100 0 1\n101 0 1\n");
    // No frames: the header alone.
    EXPECT_EQ(WriteAoa(lFactory, *lScene, 0), "frames = 0 markers = 2 Hz = 30\n");
}

TEST(KWriterOptical, OcclusionThresholdNamesAndReferenceAttributes)
{
    // Occlusion 0.5 is seen, 0.51 is not (TRC writes empty cells for it).
    KRyvObjectFactory lFactory;
    KRyvScene* lScene = lFactory.CreateScene();
    MarkerSet lSet = Still({"Bob:Arm:Wrist", "Hand"}, 1);
    BuildMarkerScene(lFactory, *lScene, lSet);
    KRyvNode* lReference = lScene->GetRootNode()->GetChild(0);
    lReference->GetChild(0)->GetCurrentTakeNode()->GetOcclusion()->KeySetValue(0, 0.5f);
    lReference->GetChild(1)->GetCurrentTakeNode()->GetOcclusion()->KeySetValue(0, 0.51f);
    // A marked node with an optical reference attribute is no marker; its children are.
    KRyvNode* lNested = lFactory.CreateNode("Nested");
    lNested->SetNodeAttribute(lFactory.CreateOpticalReference());
    lNested->SetMarked(true);
    lReference->AddChild(lNested);
    KRyvNode* lInner = lFactory.CreateNode("Inner");
    lInner->SetMarked(true);
    lNested->AddChild(lInner);

    KWriterAoa lMcd(&lFactory, KWriterAoa::eMcd);
    EXPECT_STREQ(lMcd.GetDescription().Buffer(), "Superfluo MCD File Exporter");
    KWriterTrc lWriter(&lFactory);
    std::unique_ptr<KStreamOptions> lOptions = lWriter.GetWriteOptions();
    auto* lMotion = static_cast<KStreamOptionsMotion*>(lOptions.get());
    lMotion->SetFrameCount(1);
    const std::string lPath = OpticalTestPath("three.trc");
    ASSERT_TRUE(lWriter.FileCreate(lPath.c_str()));
    ASSERT_TRUE(lWriter.Write(lScene, lOptions.get()));
    const std::string lText = TempFolder::Read(lPath);
    EXPECT_NE(lText.find("Frame#\tTime\tWrist\t\t\tHand\t\t\tInner\t\t\t\n"), std::string::npos);
    EXPECT_NE(lText.find("\n1\t0.000\t0.00000\t0.00000\t10.00000\t\t\t\t0.00000\t0.00000\t"
                         "0.00000 \n"),
              std::string::npos)
        << lText;
    // Option 11: occlusion is not looked at.
    lMotion->SetOption(KWriterOptical::kOptionSkipOcclusion, 1);
    KWriterTrc lAll(&lFactory);
    ASSERT_TRUE(lAll.FileCreate(lPath.c_str()));
    ASSERT_TRUE(lAll.Write(lScene, lOptions.get()));
    EXPECT_NE(TempFolder::Read(lPath).find("\t10.00000\t10.00000\t0.00000\t10.00000\t0.00000"),
              std::string::npos);
}

// Writes two subjects' markers with the writer and reads the file back with the reader: the
// prefixes go, the names stay unique, and the message names each marker renamed.
template <class TWriter, class TReader> void ExpectTwoSubjectsReadBack(const char* pFile)
{
    OpticalSettingsGuard lSettings;
    MarkerSet lSet = Still({"Human1:RKNE", "Human1:LKNE", "Human2:RKNE", "Human2:LKNE"}, 3);
    KRyvObjectFactory lFactory;
    TWriter lWriter(&lFactory);
    const std::string lPath = OpticalTestPath(pFile);
    ASSERT_TRUE(WriteMarkerSet(lWriter, lPath, lSet)) << pFile;
    EXPECT_EQ(std::string(lWriter.GetMessage().Buffer()),
              std::string(pFile) +
                  ": marker \"Human2:RKNE\" is written as \"RKNE 1\": another "
                  "marker has its name\n" +
                  pFile +
                  ": marker \"Human2:LKNE\" is written as \"LKNE 1\": another marker "
                  "has its name\n");
    OpticalTestScene lTest;
    TReader lReader(&lTest.mFactory);
    ASSERT_TRUE(lTest.Read(lReader, lPath)) << lReader.GetError().GetLastErrorString().Buffer();
    ASSERT_EQ(lTest.MarkerCount(), 4);
    // TRC writes the blank as '_'.
    const std::string lSecond =
        lTest.MarkerName(2).find('_') != std::string::npos ? "RKNE_1" : "RKNE 1";
    EXPECT_EQ(lTest.MarkerName(0), "RKNE");
    EXPECT_EQ(lTest.MarkerName(2), lSecond);
    // Marker 2 (Human2:RKNE) sits at x = 2 cm at every frame.
    EXPECT_NEAR(lTest.Value(2, 0, 1), 2.0, 1e-5);
}

TEST(KWriterOptical, SubjectsWhosePrefixesGoKeepUniqueNames)
{
    ExpectTwoSubjectsReadBack<KWriterC3d, KReaderC3d>("two.c3d");
    ExpectTwoSubjectsReadBack<KWriterTrc, KReaderTrc>("two.trc");
}

TEST(KReaderOptical, RepeatedLabelsAreRenamedWithAWarningWhenAsked)
{
    OpticalSettingsGuard lSettings;
    const std::string kTrc = "PathFileType\t4\t(X/Y/Z)\tv.trc\nDataRate\tCameraRate\tNumFrames\t"
                             "NumMarkers\tUnits\tOrigDataRate\tOrigDataStartFrame\tOrigNumFrames\n"
                             "60\t60\t1\t2\tmm\t60\t1\t1\nFrame#\tTime\tRKNE\t\t\tRKNE\t\t\t\n"
                             "\t\tX1\tY1\tZ1\tX2\tY2\tZ2\n\n1\t0\t1\t2\t3\t4\t5\t6\n";
    const std::string lPath = WriteOpticalFile("virtual.trc", kTrc);
    // The library's default refuses the repeat.
    OpticalTestScene lRefused;
    KReaderTrc lStrict(&lRefused.mFactory);
    EXPECT_FALSE(lRefused.Read(lStrict, lPath));
    OpticalTestScene lTest;
    KReaderTrc lReader(&lTest.mFactory);
    ASSERT_TRUE(lTest.Read(lReader, lPath, [](KStreamOptionsMotion& ioOptions) {
        ioOptions.SetOption(KReaderOptical::kOptionUniqueNames, 1);
    }));
    EXPECT_EQ(lTest.MarkerName(1), "RKNE 1");
    EXPECT_STREQ(
        lReader.GetMessage().Buffer(),
        "virtual.trc: marker \"RKNE\" is read as \"RKNE 1\": another marker has its name\n");
}

TEST(KWriterOptical, ErrorsAndAFullDisk)
{
    KRyvObjectFactory lFactory;
    KRyvScene* lScene = lFactory.CreateScene();
    BuildMarkerScene(lFactory, *lScene, Still({"A"}, 3));
    KWriterAoa lWriter(&lFactory, KWriterAoa::eAoa);
    EXPECT_FALSE(lWriter.FileClose());
    EXPECT_EQ(lWriter.GetError().GetLastErrorID(), KWriter::kFileNotOpened);
    std::unique_ptr<KStreamOptions> lOptions = lWriter.GetWriteOptions();
    EXPECT_FALSE(lWriter.Write(lScene, lOptions.get()));
    EXPECT_EQ(lWriter.GetError().GetLastErrorID(), KWriter::kFileNotOpened);
    EXPECT_FALSE(lWriter.FileCreate(OpticalTestPath("no/such/folder/x.aoa").c_str()));
    EXPECT_EQ(lWriter.GetError().GetLastErrorID(), KWriter::kFileNotOpened);
    ASSERT_TRUE(lWriter.FileCreate(OpticalTestPath("x.aoa").c_str()));
    EXPECT_FALSE(lWriter.Write(lScene, nullptr));
    EXPECT_EQ(lWriter.GetError().GetLastErrorID(), KWriter::kStreamOptionsNotSet);

    std::FILE* lProbe = std::fopen("/dev/full", "w");
    if (!lProbe) {
        GTEST_SKIP() << "no /dev/full";
    }
    std::fclose(lProbe);
    KWriterAoa lFull(&lFactory, KWriterAoa::eAoa);
    ASSERT_TRUE(lFull.FileCreate("/dev/full"));
    static_cast<KStreamOptionsMotion*>(lOptions.get())->SetFrameCount(3);
    EXPECT_FALSE(lFull.Write(lScene, lOptions.get()));
    EXPECT_EQ(lFull.GetError().GetLastErrorID(), KWriter::kOutOfDiskSpace);
}

} // namespace
