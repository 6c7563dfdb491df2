#include "formats/motion/aoa/KReaderAoa.h"

#include "formats/motion/aoa/KWriterAoa.h"

#include "tests/formats/motion/OpticalTestScene.h"
#include "tests/support/TextMutation.h"

namespace {

// Two title lines, then three markers over two frames; the third is at the origin in frame 2.
const char* const kFile = "A capture\nFrames of a walk\nframes = 2 markers = 3 Hz = 120\n"
                          "1 2 3\n4 5 6\n7 8 9\n1.5 2.5 3.5\n4 5 6\n0 0 0\n";

std::string Replace(std::string pText, const std::string& pFrom, const std::string& pTo)
{
    const std::size_t lAt = pText.find(pFrom);
    EXPECT_NE(lAt, std::string::npos) << pFrom;
    return lAt == std::string::npos ? pText : pText.replace(lAt, pFrom.size(), pTo);
}

// Reads pText with a reader of the flavour; a failure must leave nothing behind.
bool ReadText(const std::string& pText, KReaderAoa::EFlavour pFlavour = KReaderAoa::eAoa,
              std::string* oWhy = nullptr)
{
    if (oWhy) {
        oWhy->clear();
    }
    KRyvObjectFactory lFactory;
    KRyvScene* lScene = lFactory.CreateScene();
    const int lNodes = lFactory.GetNodeCount();
    KReaderAoa lReader(&lFactory, pFlavour);
    if (!lReader.MemoryOpen(pText.data(), pText.size(), "bad.aoa")) {
        return false;
    }
    std::unique_ptr<KStreamOptions> lOptions = lReader.GetReadOptions();
    if (!lOptions) {
        if (oWhy) {
            *oWhy = lReader.GetError().GetLastErrorString().Buffer();
        }
        EXPECT_EQ(lReader.GetError().GetLastErrorID(), KReader::kFileCorrupted);
        lOptions = KStreamOptionsMotion::Create();
    }
    const bool lRead = lReader.Read(lScene, lOptions.get());
    if (!lRead) {
        EXPECT_EQ(lFactory.GetNodeCount(), lNodes);
        EXPECT_EQ(lScene->GetRootNode()->GetChildCount(), 0);
        if (oWhy && oWhy->empty()) {
            *oWhy = lReader.GetError().GetLastErrorString().Buffer();
        }
    }
    return lRead;
}

TEST(KReaderAoa, ReadsAfterTitleLinesWithZeroOccluded)
{
    OpticalSettingsGuard lSettings;
    OpticalTestScene lTest;
    KReaderAoa lReader(&lTest.mFactory, KReaderAoa::eAoa);
    ASSERT_TRUE(lTest.Read(lReader, WriteOpticalFile("walk.aoa", kFile)))
        << lReader.GetError().GetLastErrorString().Buffer();
    EXPECT_STREQ(lTest.Reference()->GetName().Buffer(), "Model::AOA:optical");
    ASSERT_EQ(lTest.MarkerCount(), 3);
    EXPECT_EQ(lTest.MarkerName(2), "Marker3");
    EXPECT_DOUBLE_EQ(lTest.mOptions->GetFrameRate(), 120.0);
    EXPECT_DOUBLE_EQ(lTest.Value(0, 1, 1), 2.5);
    // (0, 0, 0) is not seen and, with hold on, keeps frame 1's position.
    EXPECT_EQ(lTest.Value(2, 3, 1), 1.0);
    EXPECT_DOUBLE_EQ(lTest.Value(2, 0, 1), 7.0);
    EXPECT_EQ(lTest.Value(2, 3, 0), 0.0);

    OpticalTestScene lMcd;
    KReaderAoa lMcdReader(&lMcd.mFactory, KReaderAoa::eMcd);
    ASSERT_TRUE(lMcd.Read(lMcdReader, WriteOpticalFile("walk.mcd", kFile),
                          [](KStreamOptionsMotion& ioOptions) { ioOptions.SetOption(4, 0); }));
    EXPECT_STREQ(lMcd.Reference()->GetName().Buffer(), "Model::MCD:reference");
    EXPECT_STREQ(lMcdReader.GetDescription().Buffer(), "Superfluo MCD File Importer");
}

TEST(KReaderAoa, HeaderVariants)
{
    OpticalSettingsGuard lSettings;
    const std::string lHeader = "frames = 2 markers = 3 Hz = 120";
    EXPECT_TRUE(ReadText(Replace(kFile, lHeader, "FRAMES = 2 MARKERS = 3 HZ = 120")));
    std::string lWhy;
    EXPECT_FALSE(
        ReadText(Replace(kFile, lHeader, "frames=2 markers=3 Hz=120"), KReaderAoa::eAoa, &lWhy));
    EXPECT_EQ(lWhy, "bad.aoa:9: the file has no header line \"frames = N markers = M Hz = R\"");
    for (const char* lRate : {"0", "-30", "inf", "nan", "1e400"}) {
        EXPECT_FALSE(ReadText(Replace(kFile, "Hz = 120", std::string("Hz = ") + lRate))) << lRate;
    }
    EXPECT_FALSE(
        ReadText(Replace(kFile, "markers = 3", "markers = 2000000000"), KReaderAoa::eAoa, &lWhy));
    EXPECT_EQ(lWhy,
              "bad.aoa: the header declares 2000000000 markers, more than the 100000 allowed");
    EXPECT_FALSE(
        ReadText(Replace(kFile, "frames = 2 markers = 3", "frames = 2000000 markers = 90000"),
                 KReaderAoa::eAoa, &lWhy));
    // A small z keeps the origin marker seen; the file ending inside a frame fails.
    EXPECT_FALSE(ReadText(std::string(kFile).substr(0, std::string(kFile).size() - 6),
                          KReaderAoa::eAoa, &lWhy));
    EXPECT_EQ(lWhy, "bad.aoa:8: frame 2: a marker line of three numbers is missing");
    OpticalTestScene lTest;
    KReaderAoa lReader(&lTest.mFactory, KReaderAoa::eAoa);
    ASSERT_TRUE(
        lTest.Read(lReader, WriteOpticalFile("z.aoa", Replace(kFile, "0 0 0\n", "0 0 0.001\n"))));
    EXPECT_EQ(lTest.Value(2, 3, 1), 0.0);
}

// A header value that is no usable number is named with the line, not taken for a missing
// header; so is a marker value that is no number.
TEST(KReaderAoa, UnusableValuesAreNamed)
{
    OpticalSettingsGuard lSettings;
    const char* const kRate = "bad.aoa:3: the frame rate \"";
    const char* const kRange = "\" is not a rate of 0.001 to 100000 Hz";
    const struct
    {
        const char* mFrom;
        const char* mTo;
        std::string mWhy;
    } kCases[] = {
        {"Hz = 120", "Hz = 0", kRate + std::string("0") + kRange},
        {"Hz = 120", "Hz = -5", kRate + std::string("-5") + kRange},
        {"Hz = 120", "Hz = NaN", kRate + std::string("NaN") + kRange},
        {"Hz = 120", "Hz = inf", kRate + std::string("inf") + kRange},
        {"Hz = 120", "Hz = 1e9", kRate + std::string("1e9") + kRange},
        {"frames = 2", "frames = -1",
         "bad.aoa:3: the frame count \"-1\" is not a whole number of 0 or more"},
        {"markers = 3", "markers = -1",
         "bad.aoa:3: the marker count \"-1\" is not a whole number of 0 or more"},
        {"markers = 3", "markerz = 3", "bad.aoa:3: the header line lacks \"markers =\""},
        {"4 5 6\n7", "4 NaN 6\n7",
         "bad.aoa:5: frame 1, marker 2: expected three numbers, found \"NaN\""},
        {"4 5 6\n7", "4 5\n7",
         "bad.aoa:5: frame 1, marker 2: expected three numbers, found the end of the line"},
    };
    for (const auto& lCase : kCases) {
        std::string lWhy;
        EXPECT_FALSE(ReadText(Replace(kFile, lCase.mFrom, lCase.mTo), KReaderAoa::eAoa, &lWhy));
        EXPECT_EQ(lWhy, lCase.mWhy);
    }
}

TEST(KReaderAoa, MutationsNeverCrashOrLeaveNodes)
{
    OpticalSettingsGuard lSettings;
    for (const TextMutant& lMutant : AllMutants(kFile, 9, 200)) {
        SCOPED_TRACE(lMutant.mLabel);
        ReadText(lMutant.mText);
        ReadText(lMutant.mText, KReaderAoa::eMcd);
    }
}

TEST(KWriterAoa, RoundTripOfThreeMarkersOverFiveFrames)
{
    OpticalSettingsGuard lSettings;
    MarkerSet lSet;
    lSet.mNames = {"Hip", "Knee", "Toe"};
    lSet.mFrames = 5;
    lSet.mRate = 29.97;
    lSet.mPosition = [](int pMarker, int pFrame) {
        return pMarker == 2 && pFrame == 3 ? KVector4(0.0, 0.0, 0.0, 1.0)
                                           : KVector4(pMarker + 0.125, pFrame * 1.5, -3.0, 1.0);
    };
    lSet.mHidden = [](int pMarker, int pFrame) { return pMarker == 1 && pFrame == 2; };
    for (int lFlavour : {KWriterAoa::eAoa, KWriterAoa::eMcd}) {
        KRyvObjectFactory lFactory;
        KWriterAoa lWriter(&lFactory, static_cast<KWriterAoa::EFlavour>(lFlavour));
        const std::string lPath = OpticalTestPath(lFlavour == KWriterAoa::eAoa ? "r.aoa" : "r.mcd");
        ASSERT_TRUE(WriteMarkerSet(lWriter, lPath, lSet));
        const std::string lText = TempFolder::Read(lPath);
        const std::string lStart = "frames = 5 markers = 3 Hz = 29.97\n0.125 0 -3\n1.125 ";
        EXPECT_EQ(lText.substr(0, lStart.size()), lStart);
        OpticalTestScene lRead;
        KReaderAoa lReader(&lRead.mFactory, static_cast<KReaderAoa::EFlavour>(lFlavour));
        ASSERT_TRUE(lRead.Read(lReader, lPath, [](KStreamOptionsMotion& ioOptions) {
            ioOptions.SetOption(KReaderOptical::kOptionHoldOccluded, 0);
        }));
        EXPECT_EQ(lRead.MarkerName(0), "Marker1");
        EXPECT_NEAR(lRead.mOptions->GetFrameRate(), 29.97, 1e-9);
        EXPECT_DOUBLE_EQ(lRead.Value(2, 1, 4), 6.0);
        // Occlusion is lost but at the origin.
        EXPECT_EQ(lRead.Value(1, 3, 2), 0.0);
        EXPECT_EQ(lRead.Value(2, 3, 3), 1.0);
        // Read with the defaults the origin point keeps the position before it (AOA writes
        // positions, not occlusion); from then on a read and a write give the same text.
        std::string lTexts[2];
        std::string lFrom = lPath;
        for (int i = 0; i < 2; ++i) {
            KRyvObjectFactory lAgainFactory;
            KReaderAoa lAgainReader(&lAgainFactory, static_cast<KReaderAoa::EFlavour>(lFlavour));
            KWriterAoa lAgainWriter(&lAgainFactory, static_cast<KWriterAoa::EFlavour>(lFlavour));
            std::filesystem::create_directories(OpticalTestPath(std::to_string(i)));
            const std::string lTo = OpticalTestPath(std::to_string(i) + "/r.aoa");
            ASSERT_TRUE(Convert(lAgainReader, lAgainWriter, lFrom, lTo));
            lTexts[i] = TempFolder::Read(lTo);
            lFrom = lTo;
        }
        EXPECT_NE(lTexts[0].find("\n2.125 3 -3\n0.125 6 -3\n"), std::string::npos);
        EXPECT_EQ(lTexts[0], lTexts[1]);
    }
}

} // namespace
