#include "formats/motion/c3d/KReaderC3d.h"

#include "C3dFixture.h"
#include "tests/formats/motion/OpticalTestScene.h"

#include <functional>

namespace {

// A point per frame whose X (millimetres) is the frame's index, so any frame read out of place
// shows; scene x = -X / 10 cm.
constexpr int kLongFrames = 70000;
constexpr int kTrialGroup = 3;

C3dFixture LongTake()
{
    C3dFixture lFixture;
    lFixture.mLabels = {"M"};
    lFixture.mFrames.reserve(kLongFrames);
    for (int f = 0; f < kLongFrames; ++f) {
        lFixture.mFrames.push_back({{static_cast<double>(f), 1.0, 2.0, true}});
    }
    // Writers of long takes leave the header's words at their top.
    lFixture.mLastFrameWord = 65535;
    lFixture.mGroups.push_back("TRIAL");
    return lFixture;
}

// TRIAL:ACTUAL_START_FIELD 1 and ACTUAL_END_FIELD pLast, 32-bit values as two words.
void AddTrial(C3dFixture& ioFixture, int pLast)
{
    ioFixture.mExtra.push_back(ioFixture.Ints(kTrialGroup, "ACTUAL_START_FIELD", {1, 0}));
    ioFixture.mExtra.push_back(
        ioFixture.Ints(kTrialGroup, "ACTUAL_END_FIELD", {pLast & 0xFFFF, pLast >> 16}));
}

void AddLongFrames(C3dFixture& ioFixture, double pFrames)
{
    ioFixture.mExtra.push_back(ioFixture.Floats(1, "LONG_FRAMES", {pFrames}));
}

struct LongTakeCase
{
    const char* mName;
    std::function<void(C3dFixture&)> mDeclare;
    // The warning's text after the file name; empty when none is expected.
    std::string mWarning;
};

TEST(KC3dFrameLayout, LongTakesReadEveryFrameTheDataHolds)
{
    OpticalSettingsGuard lSettings;
    const std::string kDisagree = "the frame counts disagree (the header 65535 or more, ";
    const LongTakeCase kCases[] = {
        {"LONG_FRAMES", [](C3dFixture& ioFixture) { AddLongFrames(ioFixture, kLongFrames); }, ""},
        {"TRIAL", [](C3dFixture& ioFixture) { AddTrial(ioFixture, kLongFrames); }, ""},
        // The header's mark alone: the data gives the count; the padding of its last block
        // holds no frames.
        {"header mark", [](C3dFixture& ioFixture) { ioFixture.mPadToBlock = true; }, ""},
        {"disagreeing conventions",
         [](C3dFixture& ioFixture) {
             AddTrial(ioFixture, 80000);
             AddLongFrames(ioFixture, kLongFrames);
         },
         kDisagree +
             "TRIAL:ACTUAL_START_FIELD/ACTUAL_END_FIELD 80000, POINT:LONG_FRAMES 70000): the "
             "70000 frames the data holds are read\n"},
        {"more than the data holds",
         [](C3dFixture& ioFixture) {
             AddLongFrames(ioFixture, 90000);
             ioFixture.mPadToBlock = true;
         },
         kDisagree + "POINT:LONG_FRAMES 90000): the 70000 frames the data holds are read\n"},
    };
    for (const LongTakeCase& lCase : kCases) {
        C3dFixture lFixture = LongTake();
        lCase.mDeclare(lFixture);
        OpticalTestScene lTest;
        KReaderC3d lReader(&lTest.mFactory);
        ASSERT_TRUE(lTest.Read(lReader, WriteOpticalFile("long.c3d", lFixture.Build())))
            << lCase.mName << ": " << lReader.GetError().GetLastErrorString().Buffer();
        EXPECT_EQ(lTest.mOptions->GetFrameCount(), kLongFrames) << lCase.mName;
        EXPECT_NEAR(lTest.Value(0, 0, 0), 0.0, 1e-9) << lCase.mName;
        EXPECT_NEAR(lTest.Value(0, 0, 65535), -6553.5, 1e-6) << lCase.mName;
        EXPECT_NEAR(lTest.Value(0, 0, kLongFrames - 1), -6999.9, 1e-3) << lCase.mName;
        EXPECT_EQ(lTest.Value(0, 3, kLongFrames - 1), 0.0) << lCase.mName;
        const std::string lExpected = lCase.mWarning.empty() ? "" : "long.c3d: " + lCase.mWarning;
        EXPECT_EQ(lReader.GetMessage().Buffer(), lExpected) << lCase.mName;
    }
}

struct ShortCountCase
{
    const char* mName;
    int mFrames;
    // The header's last frame word (the first frame is 1).
    int mLastFrameWord;
    std::function<void(C3dFixture&)> mDeclare;
    int mRead;
    std::string mWarning;
};

// A point per frame whose X is the frame's index in millimetres.
C3dFixture Take(int pFrames, int pLastFrameWord)
{
    C3dFixture lFixture;
    lFixture.mLabels = {"M"};
    lFixture.mFrames.reserve(static_cast<std::size_t>(pFrames));
    for (int f = 0; f < pFrames; ++f) {
        lFixture.mFrames.push_back({{static_cast<double>(f), 1.0, 2.0, true}});
    }
    lFixture.mLastFrameWord = pLastFrameWord;
    lFixture.mPadToBlock = true;
    return lFixture;
}

TEST(KC3dFrameLayout, CountsShortOfTheDataAreReadWholeOrWarned)
{
    OpticalSettingsGuard lSettings;
    // 100000 frames kept in 16 bits: 100000 - 65536 = 34464.
    const std::string kWrapped = " is 65536 short of the data, as a count past 65535 kept in 16 "
                                 "bits is: the 100000 frames the data holds are read\n";
    const ShortCountCase kCases[] = {
        {"header wrapped", 100000, 34464, nullptr, 100000,
         "the frame count (the header 34464)" + kWrapped},
        {"header and FRAMES wrapped", 100000, 34464,
         [](C3dFixture& ioFixture) {
             ioFixture.mExtra.push_back(ioFixture.Ints(1, "FRAMES", {34464}));
         },
         100000, "the frame count (the header 34464, POINT:FRAMES 34464)" + kWrapped},
        {"FRAMES as a float", 100000, 34464,
         [](C3dFixture& ioFixture) {
             ioFixture.mExtra.push_back(ioFixture.Floats(1, "FRAMES", {100000.0}));
         },
         100000,
         "the frame counts disagree (the header 34464, POINT:FRAMES 100000): the 100000 frames "
         "the data holds are read\n"},
        // 40000 frames past the count are no whole 65536: left unread. The frames (70000 x 16
        // bytes after two blocks) end 256 bytes into a block, and the zero padding after them
        // has room for 16 more.
        {"more data", 70000, 30000, nullptr, 30000,
         "the data has room for 40016 frames after the frame count (the header 30000): they are "
         "not read\n"},
        // FRAMES of 65535 (or -1) marks a long take as the header's word does.
        {"FRAMES mark", 70000, 65535,
         [](C3dFixture& ioFixture) {
             ioFixture.mExtra.push_back(ioFixture.Ints(1, "FRAMES", {65535}));
         },
         70000, ""},
        // Up to 65535, FRAMES counts unsigned: 40000 is the word -25536.
        {"FRAMES unsigned", 40000, 65535,
         [](C3dFixture& ioFixture) {
             ioFixture.mExtra.push_back(ioFixture.Ints(1, "FRAMES", {-25536}));
         },
         40000, ""},
    };
    for (const ShortCountCase& lCase : kCases) {
        C3dFixture lFixture = Take(lCase.mFrames, lCase.mLastFrameWord);
        if (lCase.mDeclare) {
            lCase.mDeclare(lFixture);
        }
        OpticalTestScene lTest;
        KReaderC3d lReader(&lTest.mFactory);
        ASSERT_TRUE(lTest.Read(lReader, WriteOpticalFile("count.c3d", lFixture.Build())))
            << lCase.mName << ": " << lReader.GetError().GetLastErrorString().Buffer();
        EXPECT_EQ(lTest.mOptions->GetFrameCount(), lCase.mRead) << lCase.mName;
        // Scene x = -X / 10 cm.
        EXPECT_NEAR(lTest.Value(0, 0, lCase.mRead - 1), -(lCase.mRead - 1) / 10.0, 1e-3)
            << lCase.mName;
        const std::string lExpected = lCase.mWarning.empty() ? "" : "count.c3d: " + lCase.mWarning;
        EXPECT_EQ(lReader.GetMessage().Buffer(), lExpected) << lCase.mName;
    }
}

// Three points over 20 frames at 100 Hz, analog samples after each frame's points.
C3dFixture AnalogTake(int pProcessor, bool pFloat, int pHeaderAnalog, int pDataAnalog)
{
    C3dFixture lFixture;
    lFixture.mProcessor = pProcessor;
    lFixture.mFloat = pFloat;
    lFixture.mLabels = {"A", "B", "C"};
    for (int f = 0; f < 20; ++f) {
        lFixture.mFrames.push_back({{10.0 + f, 20.0, 30.0, true},
                                    {-5.0, 2.0 * f, 2.0, true},
                                    {1.0, 2.0, 3.0 + f, f % 3 != 0}});
    }
    lFixture.mAnalog = pHeaderAnalog;
    lFixture.mAnalogInData = pDataAnalog;
    // 16 channels sampled 7 times per frame.
    lFixture.mExtra.push_back(lFixture.Ints(2, "USED", {16}));
    lFixture.mExtra.push_back(lFixture.Floats(2, "RATE", {700.0}));
    return lFixture;
}

struct AnalogCase
{
    int mProcessor;
    bool mFloat;
    int mHeaderAnalog;
};

class C3dAnalogLayouts : public testing::TestWithParam<AnalogCase>
{
};

TEST_P(C3dAnalogLayouts, EveryFrameIsReadWhereItLies)
{
    OpticalSettingsGuard lSettings;
    const AnalogCase& lCase = GetParam();
    const C3dFixture lFixture =
        AnalogTake(lCase.mProcessor, lCase.mFloat, lCase.mHeaderAnalog, 112);
    OpticalTestScene lTest;
    KReaderC3d lReader(&lTest.mFactory);
    ASSERT_TRUE(lTest.Read(lReader, WriteOpticalFile("analog.c3d", lFixture.Build())))
        << lReader.GetError().GetLastErrorString().Buffer();
    ASSERT_EQ(lTest.mOptions->GetFrameCount(), 20);
    const double lTolerance = lCase.mFloat ? 1e-5 : 0.02;
    for (int f = 0; f < 20; ++f) {
        // Scene (x, y, z) = (-X, Z, Y) / 10.
        EXPECT_NEAR(lTest.Value(0, 0, f), -(10.0 + f) / 10.0, lTolerance) << f;
        EXPECT_NEAR(lTest.Value(1, 2, f), 0.2 * f, lTolerance) << f;
        // Point C is hidden at every third frame, where it holds its last position.
        EXPECT_NEAR(lTest.Value(2, 1, f), (3.0 + f - (f % 3 == 0 && f > 0 ? 1 : 0)) / 10.0,
                    lTolerance)
            << f;
        EXPECT_EQ(lTest.Value(2, 3, f), f % 3 != 0 ? 0.0 : 1.0) << f;
    }
    const std::string lWarning =
        lCase.mHeaderAnalog == 112
            ? ""
            : "analog.c3d: the header gives 16 analog samples per frame, which do not fit the "
              "data; the 112 of ANALOG:USED x the rate ratio do and are read\n";
    EXPECT_EQ(lReader.GetMessage().Buffer(), lWarning);
}

INSTANTIATE_TEST_SUITE_P(HeaderWords, C3dAnalogLayouts,
                         testing::Values(AnalogCase{C3dFixture::eIntel, true, 16},
                                         AnalogCase{C3dFixture::eDec, false, 16},
                                         AnalogCase{C3dFixture::eMips, true, 16},
                                         AnalogCase{C3dFixture::eIntel, false, 112}));

TEST(KC3dFrameLayout, AnalogSamplesThatNothingExplainsAreRefused)
{
    OpticalSettingsGuard lSettings;
    // Each frame holds 40 samples: neither the header's 16 nor 16 channels x 7 fit.
    const std::string lBytes = AnalogTake(C3dFixture::eIntel, true, 16, 40).Build();
    std::string lWhy;
    EXPECT_FALSE(ReadOpticalBytes<KReaderC3d>(lBytes, "bad.c3d", &lWhy));
    EXPECT_EQ(lWhy, "bad.c3d: the analog samples per frame cannot be told: the header 16, "
                    "ANALOG:USED x the rate ratio 112, and none fits the data");
}

TEST(KC3dFrameLayout, DamagedParametersOutsideThePointsAreLeftOut)
{
    OpticalSettingsGuard lSettings;
    C3dFixture lFixture = AnalogTake(C3dFixture::eIntel, true, 0, 0);
    lFixture.mExtra.clear();
    // An analog parameter whose dimensions claim far more data than its record holds.
    lFixture.mExtra.push_back(C3dFixture::Record{2, "GAIN", 4, {255, 255}, {0, 0, 0, 0}});
    lFixture.mExtra.push_back(C3dFixture::Chars(2, "UNITS", {"V"}));
    OpticalTestScene lTest;
    KReaderC3d lReader(&lTest.mFactory);
    ASSERT_TRUE(lTest.Read(lReader, WriteOpticalFile("damaged.c3d", lFixture.Build())))
        << lReader.GetError().GetLastErrorString().Buffer();
    EXPECT_EQ(lTest.MarkerName(2), "C");
    EXPECT_NEAR(lTest.Value(0, 0, 19), -2.9, 1e-5);
    EXPECT_EQ(lReader.GetMessage().Buffer(),
              std::string("damaged.c3d: parameter \"GAIN\": its data runs past the record; it is "
                          "left out\n"));

    // The same damage to a parameter of the points still refuses the file.
    lFixture.mExtra[0].mGroup = 1;
    std::string lWhy;
    EXPECT_FALSE(ReadOpticalBytes<KReaderC3d>(lFixture.Build(), "bad.c3d", &lWhy));
    EXPECT_EQ(lWhy, "bad.c3d: parameter \"GAIN\": its data runs past the record");
}

TEST(KC3dFrameLayout, RealSamplesReadWithoutWarnings)
{
    OpticalSettingsGuard lSettings;
    // Each sample holds 16 analog channels at 4 samples per frame after its points.
    for (const char* lName :
         {"Eb015pi.c3d", "Eb015pr.c3d", "dec_real.c3d", "pc_real.c3d", "sgi_int.c3d"}) {
        const std::string lPath = std::string(RYV_SAMPLES_DIR) + "/c3d/" + lName;
        if (!std::filesystem::exists(lPath)) {
            GTEST_SKIP() << "no samples";
        }
        OpticalTestScene lTest;
        KReaderC3d lReader(&lTest.mFactory);
        ASSERT_TRUE(lTest.Read(lReader, lPath)) << lName;
        EXPECT_STREQ(lReader.GetMessage().Buffer(), "") << lName;
    }
}

} // namespace
