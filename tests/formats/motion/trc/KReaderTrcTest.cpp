#include "formats/motion/trc/KReaderTrc.h"

#include "formats/motion/trc/KTrcTimeCode.h"

#include "tests/formats/motion/OpticalTestScene.h"
#include "tests/support/TextMutation.h"

#include <cstdint>
#include <cstring>
#include <filesystem>

namespace {

// Two markers, three frames; "Knee L" has a space, the second marker is hidden in frame 2.
const char* const kWalk = "PathFileType\t4\t(X/Y/Z)\twalk.trc\n"
                          "DataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\tOrigDataRate\t"
                          "OrigDataStartFrame\tOrigNumFrames\n"
                          "60.00\t60.00\t3\t2\tmm\t60.00\t1\t3\n"
                          "Frame#\tTime\tKnee L\t\t\tHip\t\t\t\n"
                          "\t\tX1\tY1\tZ1\tX2\tY2\tZ2\t\n"
                          "\n"
                          "1\t0.000\t10.0\t20.0\t30.0\t1.0\t2.0\t3.0\t\n"
                          "2\t0.017\t11.0\t21.0\t31.0\t\t\t\t\n"
                          "3\t0.033\t12.0\t22.0\t32.0\t4.0\t5.0\t6.0\n";

std::string Replace(std::string pText, const std::string& pFrom, const std::string& pTo)
{
    const std::size_t lAt = pText.find(pFrom);
    EXPECT_NE(lAt, std::string::npos) << pFrom;
    return lAt == std::string::npos ? pText : pText.replace(lAt, pFrom.size(), pTo);
}

void NoHold(KStreamOptionsMotion& ioOptions)
{
    ioOptions.SetOption(KReaderOptical::kOptionHoldOccluded, 0);
}

TEST(KReaderTrc, ReadsHeaderNamesAndFrames)
{
    OpticalSettingsGuard lSettings;
    OpticalTestScene lTest;
    KReaderTrc lReader(&lTest.mFactory);
    ASSERT_TRUE(lTest.Read(lReader, WriteOpticalFile("walk.trc", kWalk), NoHold))
        << lReader.GetError().GetLastErrorString().Buffer();
    EXPECT_STREQ(lTest.Reference()->GetName().Buffer(), "Model::TRC:optical");
    ASSERT_EQ(lTest.MarkerCount(), 2);
    EXPECT_EQ(lTest.MarkerName(0), "Knee_L");
    EXPECT_EQ(lTest.MarkerName(1), "Hip");
    EXPECT_EQ(lTest.mOptions->GetFrameCount(), 3);
    EXPECT_EQ(lTest.mOptions->GetStart(), KTime());
    EXPECT_EQ(lTest.mOptions->GetOption(3), 1);
    EXPECT_FLOAT_EQ(static_cast<float>(lTest.Value(0, 2, 2)), 3.2f);
    EXPECT_FLOAT_EQ(static_cast<float>(lTest.Value(1, 0, 0)), 0.1f);
    EXPECT_EQ(lTest.Value(1, 3, 1), 1.0);
    EXPECT_EQ(lTest.Value(1, 0, 1), 0.0);
    EXPECT_EQ(lTest.Value(1, 3, 2), 0.0);
    EXPECT_STREQ(lTest.mScene->GetCurrentTakeName(), "walk");
}

TEST(KReaderTrc, HeaderVariants)
{
    OpticalSettingsGuard lSettings;
    struct Variant
    {
        const char* mFrom;
        const char* mTo;
        bool mRead;
        double mStart;
        double mScale;
    };
    const std::string kType3 = "PathFileType\t3\t(X/Y/Z)\tx\nDataRate\tCameraRate\tNumFrames\t"
                               "NumMarkers\tUnits\n60\t60\t3\t2\tmm\n";
    const Variant kVariants[] = {
        {"60.00\t60.00\t3\t2\tmm\t60.00\t1", "60.00\t60.00\t3\t2\tMM\t60.00\t31", true, 0.5, 0.1},
        {"\tmm\t", "\tm\t", true, 0.0, 100.0},
        {"\tmm\t", "\tcm\t", true, 0.0, 1.0},
        {"\tmm\t", "\tin\t", false, 0.0, 0.0},
        {"\t4\t", "\t5\t", false, 0.0, 0.0},
        {"60.00\t60.00\t3", "0\t60.00\t3", false, 0.0, 0.0},
        {"60.00\t60.00\t3", "1e300\t60.00\t3", false, 0.0, 0.0},
        {"OrigDataRate", "OrigRate", false, 0.0, 0.0},
    };
    for (const Variant& lVariant : kVariants) {
        OpticalTestScene lTest;
        KReaderTrc lReader(&lTest.mFactory);
        const std::string lText = Replace(kWalk, lVariant.mFrom, lVariant.mTo);
        EXPECT_EQ(lTest.Read(lReader, WriteOpticalFile("variant.trc", lText)), lVariant.mRead)
            << lVariant.mTo;
        if (!lVariant.mRead) {
            EXPECT_EQ(lReader.GetError().GetLastErrorID(), KReader::kFileCorrupted);
            continue;
        }
        EXPECT_NEAR(lTest.mOptions->GetStart().GetSecondDouble(), lVariant.mStart, 1e-9);
        EXPECT_NEAR(lTest.Value(0, 0, 0), 10.0 * lVariant.mScale, 1e-6);
    }
    // A type-3 file has no original-data columns and starts at 0.
    const std::string lText = kType3 + std::string(std::strstr(kWalk, "Frame#"));
    OpticalTestScene lTest;
    KReaderTrc lReader(&lTest.mFactory);
    ASSERT_TRUE(lTest.Read(lReader, WriteOpticalFile("type3.trc", lText)));
    EXPECT_EQ(lTest.mOptions->GetStart(), KTime());
}

TEST(KReaderTrc, FrameLinesOfOtherPrograms)
{
    OpticalSettingsGuard lSettings;
    // CR LF line ends; a line without trailing white space; a short line; more triples than
    // markers; a name holding "Unnamed"; names going on on the next line.
    std::string lText = kWalk;
    lText = Replace(lText, "Hip\t\t\t\n", "\nUnnamed 7\t\t\t\n");
    lText = Replace(lText, "3\t0.033\t12.0\t22.0\t32.0\t4.0\t5.0\t6.0\n",
                    "3\t0.033\t12.0\t22.0\t32.0\t4.0\t5.0\t6.0\t7.0\t8.0\t9.0\n4\t0.050\t1.0\n");
    lText = Replace(lText, "\t3\t2\tmm\t60.00\t1\t3", "\t4\t2\tmm\t60.00\t1\t4");
    std::string lCrLf;
    for (char lChar : lText) {
        lCrLf += lChar == '\n' ? std::string("\r\n") : std::string(1, lChar);
    }
    OpticalTestScene lTest;
    KReaderTrc lReader(&lTest.mFactory);
    ASSERT_TRUE(lTest.Read(lReader, WriteOpticalFile("others.trc", lCrLf), NoHold))
        << lReader.GetError().GetLastErrorString().Buffer();
    ASSERT_EQ(lTest.MarkerCount(), 3);
    EXPECT_EQ(lTest.MarkerName(1), "*Unnamed_2");
    EXPECT_EQ(lTest.MarkerName(2), "*Unnamed_3");
    EXPECT_FLOAT_EQ(static_cast<float>(lTest.Value(1, 2, 2)), 0.6f);
    EXPECT_FLOAT_EQ(static_cast<float>(lTest.Value(2, 1, 2)), 0.8f);
    // The extra marker is missing elsewhere; the short line hides the marker it cuts and the
    // one it leaves out.
    EXPECT_EQ(lTest.Value(2, 3, 0), 1.0);
    EXPECT_EQ(lTest.Value(0, 3, 3), 1.0);
    EXPECT_EQ(lTest.Value(1, 3, 3), 1.0);
}

// Reads kWalk and pText (as pName) and expects the same names, positions and occlusion.
void ExpectReadsAsWalk(const std::string& pName, const std::string& pText)
{
    OpticalTestScene lTabs;
    KReaderTrc lTabReader(&lTabs.mFactory);
    ASSERT_TRUE(lTabs.Read(lTabReader, WriteOpticalFile("walk.trc", kWalk), NoHold));
    OpticalTestScene lOther;
    KReaderTrc lOtherReader(&lOther.mFactory);
    ASSERT_TRUE(lOther.Read(lOtherReader, WriteOpticalFile(pName, pText), NoHold))
        << pName << ": " << lOtherReader.GetError().GetLastErrorString().Buffer();
    ASSERT_EQ(lOther.MarkerCount(), 2);
    EXPECT_EQ(lOther.mOptions->GetFrameCount(), 3);
    for (int m = 0; m < 2; ++m) {
        EXPECT_EQ(lOther.MarkerName(m), lTabs.MarkerName(m));
        for (int f = 0; f < 3; ++f) {
            for (int c = 0; c < 4; ++c) {
                EXPECT_EQ(lOther.Value(m, c, f), lTabs.Value(m, c, f)) << m << f << c;
            }
        }
    }
    // Hand values: Knee L's z at frame 1 is 30 mm; Hip is hidden at frame 2.
    EXPECT_FLOAT_EQ(static_cast<float>(lOther.Value(0, 2, 0)), 3.0f);
    EXPECT_EQ(lOther.Value(1, 3, 1), 1.0);
}

TEST(KReaderTrc, SpaceSeparatedFiles)
{
    OpticalSettingsGuard lSettings;
    const char* const kSpaced = "PathFileType 4 (X/Y/Z) walk.trc\n"
                                "DataRate CameraRate NumFrames NumMarkers Units OrigDataRate "
                                "OrigDataStartFrame OrigNumFrames\n"
                                "60.00 60.00 3 2 mm 60.00 1 3\n"
                                "Frame# Time Knee_L   Hip\n"
                                "  X1 Y1 Z1 X2 Y2 Z2\n"
                                "\n"
                                "1 0.000 10.0 20.0 30.0 1.0 2.0 3.0\n"
                                "2 0.017 11.0 21.0 31.0    \n"
                                "3 0.033 12.0 22.0 32.0 4.0 5.0 6.0\n";
    ExpectReadsAsWalk("spaced/walk.trc", kSpaced);
}

TEST(KReaderTrc, BlanksAndTabsMixedAsOtherSuitesWriteThem)
{
    OpticalSettingsGuard lSettings;
    // Header cells apart by blanks, tabs or both; frame cells padded with blanks around their
    // numbers; a cell of blanks alone is empty.
    const char* const kMixed = "PathFileType  4\t (X/Y/Z)\twalk 1.trc\n"
                               "DataRate CameraRate\tNumFrames \tNumMarkers\tUnits\tOrigDataRate\t"
                               "OrigDataStartFrame\tOrigNumFrames\n"
                               "  60.00\t60.00 \t3\t2\tmm\t60.00\t1\t3\n"
                               "Frame#\tTime\tKnee L\t\t\tHip\t\t\t\n"
                               "\t\tX1 \tY1\t Z1\tX2  Y2\tZ2\t\n"
                               "\n"
                               "1\t 0.000\t 10.0\t20.0 \t  30.0\t1.0\t2.0\t3.0\t\n"
                               " 2 \t0.017   \t11.0\t21.0\t31.0\t \t\t  \t\n"
                               "3\t0.033\t12.0 \t22.0\t32.0\t4.0\t5.0\t6.0  \n";
    ExpectReadsAsWalk("mixed/walk.trc", kMixed);
    // A number with text glued to it is still no number.
    std::string lWhy;
    EXPECT_FALSE(
        ReadOpticalBytes<KReaderTrc>(Replace(kMixed, "20.0 ", "20.0x "), "bad.trc", &lWhy));
    EXPECT_EQ(lWhy, "bad.trc:7: a frame line holds a cell that is no number");
    EXPECT_FALSE(
        ReadOpticalBytes<KReaderTrc>(Replace(kMixed, " 0.000", " 0.0.0"), "bad.trc", &lWhy));
    EXPECT_EQ(lWhy, "bad.trc:7: a frame line has no time");
}

// Reads pText through a fresh TRC reader.
bool ReadText(const std::string& pText, std::string* oWhy = nullptr)
{
    return ReadOpticalBytes<KReaderTrc>(pText, "bad.trc", oWhy);
}

TEST(KReaderTrc, HostileCountsFailCleanly)
{
    OpticalSettingsGuard lSettings;
    std::string lWhy;
    EXPECT_FALSE(ReadText(Replace(kWalk, "\t3\t2\tmm", "\t3\t2000000000\tmm"), &lWhy));
    EXPECT_EQ(lWhy,
              "bad.trc: the header declares 2000000000 markers, more than the 100000 allowed");
    EXPECT_FALSE(ReadText(Replace(kWalk, "\t3\t2\tmm", "\t2000000000\t500\tmm"), &lWhy));
    EXPECT_EQ(lWhy, "bad.trc: the header declares 2000000000 frames of 500 markers, more than "
                    "the file holds");
    EXPECT_FALSE(ReadText(Replace(kWalk, "\t3\t2\tmm", "\t4\t2\tmm"), &lWhy));
    EXPECT_EQ(lWhy, "bad.trc:9: frame 4 is missing");
    std::string lWide = kWalk;
    lWide.insert(lWide.find("\n2\t0.017"), std::string(3 * 200000, '\t') + "1");
    EXPECT_FALSE(ReadText(lWide, &lWhy));
    EXPECT_EQ(lWhy, "bad.trc: frame 1: too many unnamed markers");
    EXPECT_FALSE(ReadText(Replace(kWalk, "22.0", "22.0x"), &lWhy));
    EXPECT_EQ(lWhy, "bad.trc:9: a frame line holds a cell that is no number");
}

// The rate is named as the file gives it, not taken for a header that is no number.
TEST(KReaderTrc, AnUnusableRateIsNamed)
{
    OpticalSettingsGuard lSettings;
    for (const char* lRate : {"0", "1e9", "-60", "fast"}) {
        std::string lWhy;
        EXPECT_FALSE(
            ReadText(Replace(kWalk, "60.00\t60.00\t3", std::string(lRate) + "\t60\t3"), &lWhy));
        EXPECT_EQ(lWhy, "bad.trc:3: the data rate \"" + std::string(lRate) +
                            "\" is not a rate of 0.001 to 100000 Hz");
    }
    std::string lWhy;
    EXPECT_FALSE(ReadText(Replace(kWalk, "60.00\t60.00\t3", "60\tx\t3"), &lWhy));
    EXPECT_EQ(lWhy, "bad.trc:3: the header values are not numbers as the titles say");
}

TEST(KReaderTrc, MutationsNeverCrashOrLeaveNodes)
{
    OpticalSettingsGuard lSettings;
    for (const TextMutant& lMutant : AllMutants(kWalk, 112, 200)) {
        SCOPED_TRACE(lMutant.mLabel);
        ReadText(lMutant.mText);
    }
}

TEST(KReaderTrc, SampleWalk)
{
    const std::string lPath = std::string(RYV_SAMPLES_DIR) + "/trc/subject01_walk1.trc";
    if (!std::filesystem::exists(lPath)) {
        GTEST_SKIP() << "no samples";
    }
    OpticalSettingsGuard lSettings;
    OpticalTestScene lTest;
    KReaderTrc lReader(&lTest.mFactory);
    ASSERT_TRUE(lTest.Read(lReader, lPath));
    ASSERT_EQ(lTest.MarkerCount(), 41);
    EXPECT_EQ(lTest.mOptions->GetFrameCount(), 151);
    EXPECT_DOUBLE_EQ(lTest.mOptions->GetFrameRate(), 60.0);
    EXPECT_EQ(lTest.MarkerName(0), "R.ASIS");
    EXPECT_EQ(lTest.MarkerName(40), "Top.Head");
    // Frame 1, R.ASIS: 617.247620 1055.275020 170.781980 mm; frame 100, L.ASIS: 610.710210
    // 1063.779420 -140.847310 mm (read off the file).
    EXPECT_NEAR(lTest.Value(0, 0, 0), 61.724762, 1e-5);
    EXPECT_NEAR(lTest.Value(0, 1, 0), 105.527502, 1e-5);
    EXPECT_NEAR(lTest.Value(0, 2, 0), 17.078198, 1e-5);
    EXPECT_NEAR(lTest.Value(1, 0, 99), 61.071021, 1e-5);
    EXPECT_NEAR(lTest.Value(1, 1, 99), 106.377942, 1e-5);
    EXPECT_NEAR(lTest.Value(1, 2, 99), -14.084731, 1e-5);
    EXPECT_EQ(lTest.Value(1, 3, 99), 0.0);
}

TEST(KTrcTimeCode, ValidAndInvalidCodes)
{
    struct Code
    {
        const char* mText;
        bool mValid;
        int mFrames;
        int mTimeMode;
    };
    const Code kCodes[] = {
        {"01:00:00:12\nSMPTE\n30\n", true, 12, 6},
        {"01:00:00:30\nSMPTE\n30\n", false, 0, 0},
        {"01:00:00:12\nSMPTE\n48\n", false, 0, 0},
        {"01:00:00:12\nSMPTE\n23.976\n", false, 0, 0},
        {"01:00:00:24\nEBU\n24\n", true, 24, 10},
        {"01:00:00:25\nEBU\n25\n", false, 0, 0},
        {"01:00:00:99\nsystem clock\n120\n", true, 99, 1},
        {"01:00:00:0\nSystem Clock\n0\n", false, 0, 0},
        {"01:00:00:0\nSystem Clock\n47\n", false, 0, 0},
        {"01:60:00:0\nSMPTE\n30\n", false, 0, 0},
        {"-1:00:00:0\nSMPTE\n30\n", false, 0, 0},
        {"01:00:00:-2\nSystem Clock\n30\n", false, 0, 0},
        {"01:00:00:2\nFrobnicate\n30\n", false, 0, 0},
        {"01:00:00\nSMPTE\n30\n", false, 0, 0},
        {"01:00:00:2\r\nSMPTE\r\n29.97\r\n", true, 2, 8},
    };
    for (const Code& lCode : kCodes) {
        KTime lStart;
        ASSERT_EQ(KTrcTimeCode::Parse(lCode.mText, lStart), lCode.mValid) << lCode.mText;
        if (lCode.mValid) {
            KTime lExpected;
            lExpected.SetTime(1, 0, 0, lCode.mFrames, 0, lCode.mTimeMode);
            EXPECT_EQ(lStart, lExpected) << lCode.mText;
        }
    }
    KTime lStart;
    EXPECT_FALSE(KTrcTimeCode::Parse("01:00:00:01\n" + std::string(10240, 'S') + "\n30\n", lStart));
    EXPECT_EQ(KTrcTimeCode::PathFor("/a.b/walk.trc"), "/a.b/walk.tc");
    EXPECT_EQ(KTrcTimeCode::PathFor("/a.b/walk"), "/a.b/walk.tc");
}

// A KTime counts 46,186,158,000 ticks a second in a signed 64-bit number: at most
// 199,699,919.55 s, that is 55,472 hours 11 minutes 59 seconds.
TEST(KTrcTimeCode, CodesBeyondWhatTheTimeHoldsAreInvalid)
{
    const KTime kUntouched(123);
    KTime lStart = kUntouched;
    EXPECT_FALSE(KTrcTimeCode::Parse("60000:00:00:00\nSMPTE\n30\n", lStart));
    EXPECT_FALSE(KTrcTimeCode::Parse("99999:59:59:00\nEBU\n25\n", lStart));
    EXPECT_EQ(lStart, kUntouched);
    ASSERT_TRUE(KTrcTimeCode::Parse("55472:00:00:00\nSMPTE\n30\n", lStart));
    EXPECT_EQ(lStart.GetSecondCount(), 199699200);
    // 55,472 h 11 min 30 s is 199,699,890 s: a take of 20 s still fits, one of 60 s does not.
    KTime lTwenty;
    lTwenty.SetSecondDouble(20.0);
    KTime lSixty;
    lSixty.SetSecondDouble(60.0);
    lStart = kUntouched;
    ASSERT_TRUE(KTrcTimeCode::Parse("55472:11:30:00\nSMPTE\n30\n", lStart, lTwenty));
    EXPECT_EQ(lStart.GetSecondCount(), 199699890);
    lStart = kUntouched;
    EXPECT_FALSE(KTrcTimeCode::Parse("55472:11:30:00\nSMPTE\n30\n", lStart, lSixty));
    EXPECT_EQ(lStart, kUntouched);
}

TEST(KReaderTrc, TheTimeCodeFileIsLoadedWhenTheCallerSaysYes)
{
    OpticalSettingsGuard lSettings;
    const std::string lPath = WriteOpticalFile("walk.trc", kWalk);
    const std::string lCode = WriteOpticalFile("walk.tc", "01:00:00:12\nSMPTE\n30\n");
    KTime lExpected;
    lExpected.SetTime(1, 0, 0, 12, 0, 6);
    struct Case
    {
        int mAnswer;
        std::string mText;
        bool mLoaded;
        // When not 0, the file is made this large (sparse: zeros after the text).
        std::uintmax_t mSize = 0;
    };
    // A 10 KB protocol word, a time beyond what the time type holds and a 3 GB file are invalid,
    // like the bad frame number, and leave the start alone.
    const std::vector<Case> kCases = {
        {1, "01:00:00:12\nSMPTE\n30\n", true},
        {2, "01:00:00:12\nSMPTE\n30\n", false},
        {0, "01:00:00:12\nSMPTE\n30\n", false},
        {1, "01:00:00:30\nSMPTE\n30\n", false},
        {1, "01:00:00:12\n" + std::string(10240, 'S') + "\n30\n", false},
        {1, "60000:00:00:00\nSMPTE\n30\n", false},
        {1, "01:00:00:12\nSMPTE\n30\n", false, 3ull << 30}};
    for (const Case& lCase : kCases) {
        WriteOpticalFile("walk.tc", lCase.mText);
        if (lCase.mSize > 0) {
            std::filesystem::resize_file(lCode, lCase.mSize);
        }
        KRyvObjectFactory lFactory;
        KReaderTrc lReader(&lFactory);
        ASSERT_TRUE(lReader.FileOpen(lPath.c_str()));
        std::unique_ptr<KStreamOptions> lOptions = lReader.GetReadOptions();
        ASSERT_NE(lOptions, nullptr);
        auto& lMotion = *static_cast<KStreamOptionsMotion*>(lOptions.get());
        // The new set's default callback answers 0: nothing was loaded.
        EXPECT_EQ(lMotion.GetStart(), KTime());
        std::vector<std::string> lAsked;
        lMotion.SetQuestionCallback(
            [&](const char* pTitle, const char* pText, const char*, const char*, const char*) {
                lAsked.push_back(std::string(pTitle) + ": " + pText);
                return lCase.mAnswer;
            });
        lReader.LoadTimeCode(lMotion);
        EXPECT_EQ(lMotion.GetStart(), lCase.mLoaded ? lExpected : KTime());
        ASSERT_FALSE(lAsked.empty());
        EXPECT_EQ(lAsked[0], "Time Code File: Load walk.tc?");
        if (lCase.mAnswer == 1 && !lCase.mLoaded) {
            ASSERT_EQ(lAsked.size(), 2u);
            EXPECT_EQ(lAsked[1], "Time Code File: " + lCode + " is invalid");
        }
    }
    std::filesystem::remove(lCode);
}

} // namespace
