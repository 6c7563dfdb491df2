#include "formats/motion/trc/KWriterTrc.h"

#include "formats/motion/c3d/KReaderC3d.h"
#include "formats/motion/trc/KReaderTrc.h"
#include "formats/motion/trc/KTrcFile.h"

#include "tests/formats/motion/OpticalTestScene.h"
#include "tests/formats/motion/c3d/C3dFixture.h"

#include <cmath>

namespace {

MarkerSet Steps(int pMarkers, int pFrames, double pRate)
{
    MarkerSet lSet;
    for (int m = 0; m < pMarkers; ++m) {
        lSet.mNames.push_back("Toe " + std::to_string(m + 1));
    }
    lSet.mFrames = pFrames;
    lSet.mRate = pRate;
    lSet.mPosition = [](int pMarker, int pFrame) {
        return KVector4(1.5 + pMarker, -2.25 * pFrame, 100.0 / (pFrame + 1), 1.0);
    };
    // The last marker is hidden every third frame.
    lSet.mHidden = [pMarkers](int pMarker, int pFrame) {
        return pMarker == pMarkers - 1 && pFrame % 3 == 1;
    };
    return lSet;
}

std::string WriteSteps(const std::string& pName, const MarkerSet& pSet)
{
    KRyvObjectFactory lFactory;
    KWriterTrc lWriter(&lFactory);
    const std::string lPath = OpticalTestPath(pName);
    EXPECT_TRUE(WriteMarkerSet(lWriter, lPath, pSet))
        << lWriter.GetError().GetLastErrorString().Buffer();
    return lPath;
}

TEST(KWriterTrc, GoldenText)
{
    OpticalSettingsGuard lSettings;
    const std::string lText = TempFolder::Read(WriteSteps("golden.trc", Steps(2, 2, 60.0)));
    EXPECT_EQ(lText, "PathFileType\t4\t(X/Y/Z)\tZembrol\t\n"
                     "DataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\tOrigDataRate\t"
                     "OrigDataStartFrame\tOrigNumFrames\t\n"
                     "60.00\t60.00\t2\t2\tmm\t60.00\t1\t2\t\n"
                     "Frame#\tTime\tToe_1\t\t\tToe_2\t\t\t\n\t\tX1\tY1\tZ1\tX2\tY2\tZ2\t\n\n"
                     "1\t0.000\t15.00000\t0.00000\t1000.00000\t25.00000\t0.00000\t1000.00000 \n"
                     "2\t0.017\t15.00000\t-22.50000\t500.00000\t\t\t \n");
}

TEST(KWriterTrc, RoundTripKeepsPositionsOcclusionNamesAndRate)
{
    OpticalSettingsGuard lSettings;
    const MarkerSet lSet = Steps(4, 40, 23.976);
    const std::string lPath = WriteSteps("steps.trc", lSet);
    EXPECT_NE(TempFolder::Read(lPath).find("\n23.976\t23.976\t40\t4\tmm"), std::string::npos);
    OpticalTestScene lRead;
    KReaderTrc lReader(&lRead.mFactory);
    ASSERT_TRUE(lRead.Read(lReader, lPath, [](KStreamOptionsMotion& ioOptions) {
        ioOptions.SetOption(KReaderOptical::kOptionHoldOccluded, 0);
    }));
    ASSERT_EQ(lRead.MarkerCount(), 4);
    EXPECT_NEAR(lRead.mOptions->GetFrameRate(), 23.976, 1e-9);
    EXPECT_EQ(lRead.MarkerName(3), "Toe_4");
    for (int m = 0; m < 4; ++m) {
        for (int f = 0; f < 40; ++f) {
            const bool lHidden = lSet.mHidden(m, f);
            EXPECT_EQ(lRead.Value(m, 3, f), lHidden ? 1.0 : 0.0);
            for (int c = 0; c < 3 && !lHidden; ++c) {
                EXPECT_NEAR(lRead.Value(m, c, f), lSet.mPosition(m, f)[c], 2e-6 * (1.0 + f));
            }
        }
    }
    // Written again from what was read: the same bytes.
    KRyvObjectFactory lFactory;
    KReaderTrc lReader2(&lFactory);
    KWriterTrc lWriter(&lFactory);
    std::filesystem::create_directories(OpticalTestPath("again"));
    const std::string lAgain = OpticalTestPath("again/steps.trc");
    ASSERT_TRUE(Convert(lReader2, lWriter, lPath, lAgain));
    KRyvObjectFactory lFactory3;
    KReaderTrc lReader3(&lFactory3);
    KWriterTrc lWriter3(&lFactory3);
    const std::string lThird = OpticalTestPath("third.trc");
    ASSERT_TRUE(Convert(lReader3, lWriter3, lAgain, lThird));
    EXPECT_EQ(TempFolder::Read(lAgain), TempFolder::Read(lThird));
}

// The header's rates print with two decimals unless those lie further than 0.001 Hz from the
// rate: 30000/1001 = 29.97003 and 60000/1001 = 59.94006 print "29.97" and "59.94"; 23.976 would
// become 23.98 (0.004 away) and 100/3 would become 33.33, so those keep their digits.
TEST(KWriterTrc, HeaderRatesPrintTwoDecimals)
{
    OpticalSettingsGuard lSettings;
    struct RateCase
    {
        double mRate;
        const char* mText;
    };
    const RateCase kCases[] = {{30000.0 / 1001.0, "29.97"},
                               {60000.0 / 1001.0, "59.94"},
                               {60.0, "60.00"},
                               {120.0, "120.00"},
                               {23.976, "23.976"},
                               {100.0 / 3.0, "33.333333333333336"},
                               {0.001, "0.001"},
                               {12.5004, "12.5004"}};
    for (const RateCase& lCase : kCases) {
        const std::string lText =
            TempFolder::Read(WriteSteps("rate.trc", Steps(1, 3, lCase.mRate)));
        const std::string lRate = lCase.mText;
        EXPECT_NE(lText.find("\n" + lRate + "\t" + lRate + "\t3\t1\tmm\t" + lRate + "\t1\t3\t\n"),
                  std::string::npos)
            << lText.substr(0, 200);
    }
}

// C3D captures at 29.97 and 59.94 Hz (rates a single-precision float holds only nearly)
// converted straight to TRC print their rates as a TRC written from a native file does.
TEST(KWriterTrc, C3dAtVideoRatesPrintsTwoDecimals)
{
    OpticalSettingsGuard lSettings;
    for (const char* lRate : {"29.97", "59.94"}) {
        C3dFixture lC3d;
        lC3d.mRate = std::stod(lRate);
        lC3d.mLabels = {"A"};
        lC3d.mFrames = {{{1.0, 2.0, 3.0, true}}, {{2.0, 2.0, 3.0, true}}};
        KRyvObjectFactory lFactory;
        KReaderC3d lReader(&lFactory);
        KWriterTrc lWriter(&lFactory);
        const std::string lTrc = OpticalTestPath("video.trc");
        ASSERT_TRUE(Convert(lReader, lWriter, WriteOpticalFile("video.c3d", lC3d.Build()), lTrc));
        // First frame 1: OrigDataStartFrame = (1 / rate) s * rate + 1 = 2.
        const std::string lText = TempFolder::Read(lTrc);
        const std::string lLine =
            std::string("\n") + lRate + "\t" + lRate + "\t2\t1\tmm\t" + lRate + "\t2\t2\t\n";
        EXPECT_NE(lText.find(lLine), std::string::npos) << lText.substr(0, 200);
    }
}

TEST(KWriterTrc, NumbersAndNamesTheFormatCannotHold)
{
    std::string lText;
    ASSERT_TRUE(KTrcFile::FormatFixed(1.5 * 10.0, 5, lText));
    EXPECT_EQ(lText, "15.00000");
    EXPECT_FALSE(KTrcFile::FormatFixed(std::nan(""), 5, lText));
    OpticalSettingsGuard lSettings;
    MarkerSet lSet = Steps(2, 2, 30.0);
    lSet.mNames = {"tab\there", "line\nbreak"};
    const std::string lWritten = TempFolder::Read(WriteSteps("names.trc", lSet));
    EXPECT_NE(lWritten.find("Time\ttab_here\t\t\tline_break\t\t\t\n"), std::string::npos);
    // No frame: header and names only.
    EXPECT_EQ(TempFolder::Read(WriteSteps("empty.trc", Steps(1, 0, 30.0))).substr(0, 12),
              "PathFileType");
}

} // namespace
