#include "formats/motion/c3d/KReaderC3d.h"

#include "formats/motion/c3d/KC3dFile.h"

#include "C3dFixture.h"
#include "tests/formats/motion/OpticalTestScene.h"

#include <cmath>
#include <random>

namespace {

// Three points over two frames, the third not seen in the second frame; millimetres.
C3dFixture ThreePoints(int pProcessor, bool pFloat)
{
    C3dFixture lFixture;
    lFixture.mProcessor = pProcessor;
    lFixture.mFloat = pFloat;
    lFixture.mLabels = {"A", "B", "C"};
    lFixture.mFrames = {{{10.0, 20.0, 30.0, true}, {-5.0, 0.5, 2.0, true}, {1.0, 2.0, 3.0, true}},
                        {{11.0, 21.0, 31.0, true}, {-6.0, 1.5, 3.0, true}, {7.0, 8.0, 9.0, false}}};
    return lFixture;
}

struct EncodingCase
{
    int mProcessor;
    bool mFloat;
    int mParameterBlock;
};

class C3dEncodings : public testing::TestWithParam<EncodingCase>
{
};

TEST_P(C3dEncodings, ReadTheSamePositions)
{
    OpticalSettingsGuard lSettings;
    C3dFixture lFixture = ThreePoints(GetParam().mProcessor, GetParam().mFloat);
    lFixture.mParameterBlock = GetParam().mParameterBlock;
    OpticalTestScene lTest;
    KReaderC3d lReader(&lTest.mFactory);
    ASSERT_TRUE(lTest.Read(lReader, WriteOpticalFile("three.c3d", lFixture.Build())))
        << lReader.GetError().GetLastErrorString().Buffer();
    ASSERT_EQ(lTest.MarkerCount(), 3);
    EXPECT_STREQ(lTest.Reference()->GetName().Buffer(), "Model::C3D:optical");
    EXPECT_EQ(lTest.MarkerName(2), "C");
    EXPECT_DOUBLE_EQ(lTest.mOptions->GetFrameRate(), 100.0);
    EXPECT_EQ(lTest.mOptions->GetFrameCount(), 2);
    // First frame 1 at 100 Hz: the take starts at 0.01 s.
    EXPECT_NEAR(lTest.mOptions->GetStart().GetSecondDouble(), 0.01, 1e-9);
    // Millimetres to centimetres; default axes: scene (x, y, z) = (-X, Z, Y).
    const double lTolerance = GetParam().mFloat ? 1e-6 : 0.01;
    EXPECT_NEAR(lTest.Value(1, 0, 0), 0.5, lTolerance);
    EXPECT_NEAR(lTest.Value(1, 1, 0), 0.2, lTolerance);
    EXPECT_NEAR(lTest.Value(1, 2, 0), 0.05, lTolerance);
    EXPECT_NEAR(lTest.Value(0, 0, 1), -1.1, lTolerance);
    EXPECT_EQ(lTest.Value(2, 3, 0), 0.0);
    EXPECT_EQ(lTest.Value(2, 3, 1), 1.0);
    // Hold is on by default: the hidden point keeps frame 1's position.
    EXPECT_NEAR(lTest.Value(2, 0, 1), -0.1, lTolerance);
}

INSTANTIATE_TEST_SUITE_P(Processors, C3dEncodings,
                         testing::Values(EncodingCase{C3dFixture::eIntel, true, 2},
                                         EncodingCase{C3dFixture::eIntel, false, 2},
                                         EncodingCase{C3dFixture::eDec, true, 2},
                                         EncodingCase{C3dFixture::eDec, false, 3},
                                         EncodingCase{C3dFixture::eMips, true, 3},
                                         EncodingCase{C3dFixture::eMips, false, 2}));

TEST(KReaderC3d, FrameWordsAreUnsigned)
{
    OpticalSettingsGuard lSettings;
    // Frames 40000 and 40001: beyond a signed 16-bit word.
    C3dFixture lFixture = ThreePoints(C3dFixture::eMips, true);
    lFixture.mFirstFrame = 40000;
    OpticalTestScene lTest;
    KReaderC3d lReader(&lTest.mFactory);
    ASSERT_TRUE(lTest.Read(lReader, WriteOpticalFile("late.c3d", lFixture.Build())));
    EXPECT_EQ(lTest.mOptions->GetFrameCount(), 2);
    EXPECT_NEAR(lTest.mOptions->GetStart().GetSecondDouble(), 400.0, 1e-9);
}

TEST(KReaderC3d, UnitsComeFromThePointGroupOnly)
{
    OpticalSettingsGuard lSettings;
    struct UnitCase
    {
        const char* mUnits;
        double mCentimetres;
    };
    const UnitCase kCases[] = {{"m", 1000.0}, {"M", 1000.0}, {"cm", 10.0},
                               {"CM", 10.0},  {"mm", 1.0},   {"in", 25.4},
                               {"ft", 304.8}, {"", 1.0},     {"mm  ", 1.0}};
    for (const UnitCase& lCase : kCases) {
        C3dFixture lFixture = ThreePoints(C3dFixture::eIntel, true);
        lFixture.mUnits = lCase.mUnits;
        // The analog group's UNITS must not change point units.
        lFixture.mExtra.push_back(C3dFixture::Chars(2, "UNITS", {"mV"}));
        OpticalTestScene lTest;
        KReaderC3d lReader(&lTest.mFactory);
        ASSERT_TRUE(lTest.Read(lReader, WriteOpticalFile("units.c3d", lFixture.Build())));
        // Point A's X of 10 file units becomes scene x = -10 units.
        EXPECT_NEAR(lTest.Value(0, 0, 0), -lCase.mCentimetres, lCase.mCentimetres * 1e-6)
            << lCase.mUnits;
    }
}

TEST(KReaderC3d, AxesFollowTheScreenParameters)
{
    int lAxis[3];
    int lSign[3];
    ASSERT_TRUE(KC3dFile::MapAxes("+X", "+Z", lAxis, lSign));
    EXPECT_EQ(lAxis[0], 0);
    EXPECT_EQ(lSign[0], -1);
    EXPECT_EQ(lAxis[1], 2);
    EXPECT_EQ(lSign[1], 1);
    EXPECT_EQ(lAxis[2], 1);
    EXPECT_EQ(lSign[2], 1);
    EXPECT_FALSE(KC3dFile::MapAxes("+X", "-X", lAxis, lSign));
    EXPECT_FALSE(KC3dFile::MapAxes("+W", "+Z", lAxis, lSign));
    // Every pair of two different signed axes gives a proper rotation with Y_SCREEN up.
    const char* const kAxes[6] = {"+X", "-X", "+Y", "-Y", "+Z", "-Z"};
    int lPairs = 0;
    for (const char* lRight : kAxes) {
        for (const char* lUp : kAxes) {
            if (!KC3dFile::MapAxes(lRight, lUp, lAxis, lSign)) {
                continue;
            }
            ++lPairs;
            int lMatrix[3][3] = {};
            for (int i = 0; i < 3; ++i) {
                lMatrix[lAxis[i]][i] = lSign[i];
            }
            const int lDeterminant =
                lMatrix[0][0] * (lMatrix[1][1] * lMatrix[2][2] - lMatrix[1][2] * lMatrix[2][1]) -
                lMatrix[0][1] * (lMatrix[1][0] * lMatrix[2][2] - lMatrix[1][2] * lMatrix[2][0]) +
                lMatrix[0][2] * (lMatrix[1][0] * lMatrix[2][1] - lMatrix[1][1] * lMatrix[2][0]);
            EXPECT_EQ(lDeterminant, 1) << lRight << " " << lUp;
            const int lUpAxis = (lUp[1] - 'X');
            EXPECT_EQ(lAxis[lUpAxis], 1);
            EXPECT_EQ(lSign[lUpAxis], lUp[0] == '-' ? -1 : 1);
        }
    }
    EXPECT_EQ(lPairs, 24);

    OpticalSettingsGuard lSettings;
    C3dFixture lFixture = ThreePoints(C3dFixture::eIntel, true);
    lFixture.mXScreen = "+Y";
    lFixture.mYScreen = "+Z";
    OpticalTestScene lTest;
    KReaderC3d lReader(&lTest.mFactory);
    ASSERT_TRUE(lTest.Read(lReader, WriteOpticalFile("axes.c3d", lFixture.Build())));
    // File (10, 20, 30) mm: Y to -x, Z to +y, X to -z.
    EXPECT_NEAR(lTest.Value(0, 0, 0), -2.0, 1e-9);
    EXPECT_NEAR(lTest.Value(0, 1, 0), 3.0, 1e-9);
    EXPECT_NEAR(lTest.Value(0, 2, 0), -1.0, 1e-9);
}

TEST(KReaderC3d, LabelsPrefixesAndMissingNames)
{
    OpticalSettingsGuard lSettings;
    C3dFixture lFixture = ThreePoints(C3dFixture::eIntel, true);
    lFixture.mLabels = {"Bob:Knee", "   ", "Bob:"};
    OpticalTestScene lTest;
    KReaderC3d lReader(&lTest.mFactory);
    ASSERT_TRUE(lTest.Read(lReader, WriteOpticalFile("labels.c3d", lFixture.Build())));
    EXPECT_EQ(lTest.MarkerName(0), "Knee");
    // Blank labels and labels that were only a prefix are named by their index.
    EXPECT_EQ(lTest.MarkerName(1), "0001");
    EXPECT_EQ(lTest.MarkerName(2), "0002");

    // With USES_PREFIXES present and option 7, the prefixes stay.
    lFixture.mLabels = {"Bob:Knee:L", "Bob:Hip"};
    lFixture.mExtra.push_back(lFixture.Ints(1, "USES_PREFIXES", {1}));
    OpticalTestScene lKept;
    KReaderC3d lKeeper(&lKept.mFactory);
    ASSERT_TRUE(lKept.Read(lKeeper, WriteOpticalFile("prefixes.c3d", lFixture.Build())));
    EXPECT_EQ(lKept.MarkerName(0), "Bob:Knee:L");
    EXPECT_EQ(lKept.MarkerName(2), "0002");
    OpticalTestScene lCut;
    KReaderC3d lCutter(&lCut.mFactory);
    ASSERT_TRUE(lCut.Read(lCutter, WriteOpticalFile("prefixes.c3d", lFixture.Build()),
                          [](KStreamOptionsMotion& ioOptions) { ioOptions.SetOption(7, 0); }));
    EXPECT_EQ(lCut.MarkerName(0), "Knee_L");
}

TEST(KReaderC3d, ManyLabelPartsInAnyOrder)
{
    OpticalSettingsGuard lSettings;
    constexpr int kPoints = 2000;
    C3dFixture lFixture;
    lFixture.mFrames.assign(1, std::vector<C3dFixture::Point>(kPoints, {1.0, 2.0, 3.0, true}));
    // One label per part, the last part first; decoys that only look like parts are ignored.
    lFixture.mExtra.push_back(C3dFixture::Chars(1, "LABELS02", {"Decoy"}));
    lFixture.mExtra.push_back(C3dFixture::Chars(2, "LABELS", {"Other"}));
    for (int lPart = kPoints; lPart >= 1; --lPart) {
        const std::string lName = lPart == 1 ? "labels" : "LABELS" + std::to_string(lPart);
        lFixture.mExtra.push_back(C3dFixture::Chars(1, lName, {"M" + std::to_string(lPart)}));
    }
    OpticalTestScene lTest;
    KReaderC3d lReader(&lTest.mFactory);
    ASSERT_TRUE(lTest.Read(lReader, WriteOpticalFile("parts.c3d", lFixture.Build())));
    EXPECT_EQ(lTest.MarkerName(0), "M1");
    EXPECT_EQ(lTest.MarkerName(1), "M2");
    EXPECT_EQ(lTest.MarkerName(kPoints - 1), "M" + std::to_string(kPoints));
}

TEST(KReaderC3d, TimeCodesMoveTheStartWhenUsable)
{
    OpticalSettingsGuard lSettings;
    C3dFixture lFixture = ThreePoints(C3dFixture::eIntel, true);
    lFixture.mExtra.push_back(lFixture.Ints(1, "TIMECODES", {1, 2, 3, 15}));
    KRyvObjectFactory lFactory;
    KReaderC3d lReader(&lFactory);
    ASSERT_TRUE(lReader.FileOpen(WriteOpticalFile("tc.c3d", lFixture.Build()).c_str()));
    std::unique_ptr<KStreamOptions> lOptions = lReader.GetReadOptions();
    ASSERT_NE(lOptions, nullptr);
    KTime lExpected;
    lExpected.SetTime(1, 2, 3, 15);
    KTime lFirst;
    lFirst.SetSecondDouble(0.01);
    EXPECT_EQ(static_cast<KStreamOptionsMotion*>(lOptions.get())->GetStart(), lExpected + lFirst);

    // Characters, or fewer than four values: ignored.
    C3dFixture lWrong = ThreePoints(C3dFixture::eIntel, true);
    lWrong.mExtra.push_back(C3dFixture::Chars(1, "TIMECODES", {"01:02:03:15"}));
    lWrong.mExtra.push_back(lWrong.Ints(2, "TIMECODES", {1, 2}));
    ASSERT_TRUE(lReader.FileOpen(WriteOpticalFile("tc2.c3d", lWrong.Build()).c_str()));
    lOptions = lReader.GetReadOptions();
    ASSERT_NE(lOptions, nullptr);
    EXPECT_EQ(static_cast<KStreamOptionsMotion*>(lOptions.get())->GetStart(), lFirst);
    EXPECT_EQ(static_cast<KStreamOptionsMotion*>(lOptions.get())->GetOption(7), 1);
}

// Reads pBytes through a fresh C3D reader.
bool ReadBytes(const std::string& pBytes, std::string* oError = nullptr)
{
    return ReadOpticalBytes<KReaderC3d>(pBytes, "bad.c3d", oError);
}

TEST(KReaderC3d, EveryTruncationFailsCleanly)
{
    OpticalSettingsGuard lSettings;
    const std::string lFile = ThreePoints(C3dFixture::eMips, false).Build();
    ASSERT_TRUE(ReadBytes(lFile));
    for (std::size_t lLength = 0; lLength < lFile.size(); ++lLength) {
        EXPECT_FALSE(ReadBytes(lFile.substr(0, lLength))) << lLength;
    }
    std::string lWhy;
    EXPECT_FALSE(ReadBytes(lFile.substr(0, lFile.size() - 1), &lWhy));
    EXPECT_EQ(lWhy, "bad.c3d: the header declares 2 frames, more than the file holds");
}

TEST(KReaderC3d, HostilePointersAndRecordsAreRefused)
{
    OpticalSettingsGuard lSettings;
    const std::string lGood = ThreePoints(C3dFixture::eIntel, true).Build();
    struct Damage
    {
        std::size_t mOffset;
        std::uint8_t mValue;
        const char* mWhy;
    };
    // The first record is the POINT group at byte 516 (name length, id, name, offset word).
    const Damage kDamages[] = {
        {0, 0, "bad.c3d: the parameter section pointer 0 does not follow the header"},
        {0, 1, "bad.c3d: the parameter section pointer 1 does not follow the header"},
        {0, 200, "bad.c3d: the parameter section lies beyond the end of the file"},
        {1, 0x51, "bad.c3d: not a C3D file: the header has no key"},
        {16, 2, "bad.c3d: the data start block 2 does not follow the parameter section"},
        {17, 0x40, "bad.c3d: the data start block lies beyond the end of the file"},
        {2, 0, "bad.c3d: the header declares no points"},
        {516 + 8, 0xFF, "bad.c3d: a parameter record does not lead forward"},
    };
    for (const Damage& lDamage : kDamages) {
        std::string lBad = lGood;
        lBad[lDamage.mOffset] = static_cast<char>(lDamage.mValue);
        std::string lWhy;
        EXPECT_FALSE(ReadBytes(lBad, &lWhy)) << lDamage.mWhy;
        EXPECT_EQ(lWhy, lDamage.mWhy);
    }
    // The POINT group leads to a record 3 bytes before the section's end.
    std::string lPast = lGood;
    lPast[516 + 7] = static_cast<char>(0xF2);
    lPast[516 + 8] = 1;
    lPast[512 + 509] = 5;
    lPast[512 + 510] = 1;
    std::string lWhy;
    EXPECT_FALSE(ReadBytes(lPast, &lWhy));
    EXPECT_EQ(lWhy, "bad.c3d: a parameter record runs past the parameter section");
    // An offset of 0 ends the walk (no labels then); a huge event count is not read.
    std::string lEnded = lGood;
    lEnded[516 + 7] = 0;
    lEnded[516 + 8] = 0;
    EXPECT_TRUE(ReadBytes(lEnded));
    std::string lEvents = lGood;
    lEvents[300] = static_cast<char>(0xFF);
    lEvents[301] = static_cast<char>(0xFF);
    lEvents.replace(396, 4, "HEEL");
    EXPECT_TRUE(ReadBytes(lEvents));
    KC3dFile lFile;
    auto lSource = std::make_unique<KByteSource>();
    ASSERT_TRUE(lSource->OpenMemory(lEvents.data(), lEvents.size(), "events.c3d", false));
    ASSERT_TRUE(lFile.Open(std::move(lSource)));
    KOpticalMarkerHeader lHeader;
    ASSERT_TRUE(lFile.ReadHeader(lHeader));
    ASSERT_EQ(lFile.GetEvents().size(), 18u);
    EXPECT_EQ(lFile.GetEvents()[0].mLabel, "HEEL");
}

TEST(KReaderC3d, HostileDimensionsAndCountsAreRefused)
{
    OpticalSettingsGuard lSettings;
    C3dFixture lFixture = ThreePoints(C3dFixture::eIntel, true);
    // A parameter whose dimensions claim 255 * 255 * 255 floats.
    C3dFixture::Record lHuge{1, "HUGE", 4, {255, 255, 255}, {0, 0, 0, 0}};
    lFixture.mExtra.push_back(lHuge);
    std::string lWhy;
    EXPECT_FALSE(ReadBytes(lFixture.Build(), &lWhy));
    EXPECT_EQ(lWhy, "bad.c3d: parameter \"HUGE\": its data runs past the record");
    C3dFixture lTyped = ThreePoints(C3dFixture::eIntel, true);
    lTyped.mExtra.push_back(C3dFixture::Record{1, "ODD", 3, {1}, {0, 0, 0}});
    EXPECT_FALSE(ReadBytes(lTyped.Build(), &lWhy));
    EXPECT_EQ(lWhy, "bad.c3d: parameter \"ODD\": unknown type 3");
    // 65535 analog samples per frame in a small file: the frame does not fit.
    C3dFixture lAnalog = ThreePoints(C3dFixture::eIntel, true);
    std::string lBytes = lAnalog.Build();
    lBytes[4] = static_cast<char>(0xFF);
    lBytes[5] = static_cast<char>(0xFF);
    EXPECT_FALSE(ReadBytes(lBytes, &lWhy));
    EXPECT_EQ(lWhy, "bad.c3d: the header declares 2 frames, more than the file holds");
}

TEST(KReaderC3d, SeededByteFlipsNeverCrash)
{
    OpticalSettingsGuard lSettings;
    const std::string lGood = ThreePoints(C3dFixture::eDec, true).Build();
    std::mt19937 lRandom(22);
    std::uniform_int_distribution<std::size_t> lWhere(0, lGood.size() - 1);
    std::uniform_int_distribution<int> lBit(0, 7);
    for (int i = 0; i < 400; ++i) {
        std::string lBad = lGood;
        lBad[lWhere(lRandom)] ^= static_cast<char>(1 << lBit(lRandom));
        ReadBytes(lBad);
    }
}

// Reads a sample; answers false (and the test skips) when the samples are absent.
bool ReadSample(OpticalTestScene& ioTest, KReaderC3d& ioReader, const char* pName)
{
    const std::string lPath = std::string(RYV_SAMPLES_DIR) + "/c3d/" + pName;
    if (!std::filesystem::exists(lPath)) {
        return false;
    }
    EXPECT_TRUE(ioTest.Read(ioReader, lPath)) << pName;
    return true;
}

TEST(KReaderC3d, FiveEncodingsOfTheSameCaptureAgree)
{
    OpticalSettingsGuard lSettings;
    // The same capture as Intel integer and real, DEC real, PC real and MIPS integer data.
    // Hand figures from an independent reading of pc_real.c3d: 36 points, frames 1 to 89 at
    // 50 Hz, real data in millimetres with X_SCREEN +Y and Y_SCREEN +Z; point RFT1 at frame 11
    // is (363.5681, 361.0375, 81.5427) mm, so scene (-36.10375, 8.15427, -36.35681) cm; at
    // frame 1 it is not seen.
    const char* const kSets[2][3] = {{"pc_real.c3d", "dec_real.c3d", "sgi_int.c3d"},
                                     {"Eb015pi.c3d", "Eb015pr.c3d", nullptr}};
    const double kExpected[2][3] = {{-36.10375, 8.15427, -36.35681},
                                    {-22.58333, 3.61667, -25.08333}};
    const int kMarkers[2] = {36, 26};
    const int kFrames[2] = {89, 450};
    for (int s = 0; s < 2; ++s) {
        std::vector<double> lFirst;
        for (const char* lName : kSets[s]) {
            if (!lName) {
                continue;
            }
            OpticalTestScene lTest;
            KReaderC3d lReader(&lTest.mFactory);
            if (!ReadSample(lTest, lReader, lName)) {
                GTEST_SKIP() << "no samples";
            }
            ASSERT_EQ(lTest.MarkerCount(), kMarkers[s]) << lName;
            EXPECT_EQ(lTest.mOptions->GetFrameCount(), kFrames[s]) << lName;
            EXPECT_DOUBLE_EQ(lTest.mOptions->GetFrameRate(), 50.0);
            EXPECT_EQ(lTest.MarkerName(0), "RFT1");
            for (int c = 0; c < 3; ++c) {
                // Integer data is quantised to its scale (0.28 mm, 0.08 mm).
                EXPECT_NEAR(lTest.Value(0, c, 10), kExpected[s][c], 0.03) << lName;
            }
            // Every marker at a few frames agrees with the first encoding of the set.
            std::vector<double> lValues;
            for (int m = 0; m < kMarkers[s]; m += 5) {
                for (int f = 0; f < kFrames[s]; f += 17) {
                    for (int c = 0; c < 4; ++c) {
                        lValues.push_back(lTest.Value(m, c, f));
                    }
                }
            }
            if (lFirst.empty()) {
                lFirst = lValues;
                continue;
            }
            ASSERT_EQ(lValues.size(), lFirst.size());
            for (std::size_t i = 0; i < lValues.size(); ++i) {
                EXPECT_NEAR(lValues[i], lFirst[i], 0.03) << lName << " value " << i;
            }
        }
    }
    OpticalTestScene lTest;
    KReaderC3d lReader(&lTest.mFactory);
    ASSERT_TRUE(ReadSample(lTest, lReader, "pc_real.c3d"));
    EXPECT_EQ(lTest.Value(0, 3, 0), 1.0);
    EXPECT_EQ(lTest.Value(0, 3, 10), 0.0);
}

} // namespace

TEST(KReaderC3d, UsableRatesAreKeptAndOthersReplacedWithAWarning)
{
    OpticalSettingsGuard lSettings;
    struct RateCase
    {
        double mFileRate;
        double mReadRate;
        bool mWarned;
    };
    // High-speed captures run at 1000 Hz and beyond; only rates no motion format takes fall back.
    const RateCase kCases[] = {
        {1000.0, 1000.0, false},   {2000.0, 2000.0, false}, {250.0, 250.0, false},
        {99968.0, 99968.0, false}, {0.0, 30.0, true},       {-120.0, 30.0, true},
        {200000.0, 30.0, true},    {INFINITY, 30.0, true},  {NAN, 30.0, true}};
    for (const RateCase& lCase : kCases) {
        C3dFixture lFixture = ThreePoints(C3dFixture::eIntel, true);
        lFixture.mRate = lCase.mFileRate;
        lFixture.mFirstFrame = 50;
        OpticalTestScene lTest;
        KReaderC3d lReader(&lTest.mFactory);
        ASSERT_TRUE(lTest.Read(lReader, WriteOpticalFile("rate.c3d", lFixture.Build())))
            << lCase.mFileRate;
        EXPECT_DOUBLE_EQ(lTest.mOptions->GetFrameRate(), lCase.mReadRate) << lCase.mFileRate;
        // Frame 50 at the rate read: 50 / rate seconds.
        EXPECT_NEAR(lTest.mOptions->GetStart().GetSecondDouble(), 50.0 / lCase.mReadRate, 1e-6)
            << lCase.mFileRate;
        const std::string lMessage = lReader.GetMessage().Buffer();
        EXPECT_EQ(lMessage.find("frame rate") != std::string::npos, lCase.mWarned)
            << lCase.mFileRate << ": " << lMessage;
    }
}

TEST(KReaderC3d, AHeaderLastFrameBeforeItsFirstLeavesTheCountToTheData)
{
    OpticalSettingsGuard lSettings;
    C3dFixture lFixture;
    lFixture.mLabels = {"A"};
    for (int i = 0; i < 50; ++i) {
        lFixture.mFrames.push_back({{static_cast<double>(i), 1.0, 2.0, true}});
    }
    lFixture.mFirstFrame = 20;
    lFixture.mLastFrameWord = 10;
    OpticalTestScene lTest;
    KReaderC3d lReader(&lTest.mFactory);
    ASSERT_TRUE(lTest.Read(lReader, WriteOpticalFile("backwards.c3d", lFixture.Build())));
    EXPECT_EQ(lTest.mOptions->GetFrameCount(), 50);
    // Point X of 49 mm at the last frame: scene x = -4.9 cm.
    EXPECT_NEAR(lTest.Value(0, 0, 49), -4.9, 1e-6);
    const std::string lMessage = lReader.GetMessage().Buffer();
    EXPECT_NE(lMessage.find("the frame counts disagree"), std::string::npos) << lMessage;
    EXPECT_NE(lMessage.find("20 to 10"), std::string::npos) << lMessage;
}
