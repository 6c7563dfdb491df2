// A take's rate and span are facts its file states, not guesses from its keys: sparse BRD keys
// keep every sample through a native file, a translation that leaves its keys' value between
// them moves, an AMC numbered late or out of order spans the frames of its records, a take
// without a rate counts frames at the scene's time mode, and a rate of no time mode reaches the
// native file.
#include "animation/KFCurveKey.h"
#include "animation/KTakeInfo.h"
#include "core/KTimeModeTable.h"
#include "scene/KRyvGlobalTimeSettings.h"
#include "tests/formats/motion/MotionPaths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string PathOf(const std::string& pName)
{
    return MotionTestPath("facts_" + pName);
}

// The numbers of the frame lines of a TRC text (those after its blank line), by line.
std::vector<std::vector<std::string>> TrcRows(const std::string& pText)
{
    std::vector<std::vector<std::string>> lRows;
    std::istringstream lIn(pText.substr(pText.find("\n\n") + 2));
    std::string lLine;
    while (std::getline(lIn, lLine)) {
        std::vector<std::string> lCells;
        std::istringstream lCellsIn(lLine);
        for (std::string lCell; std::getline(lCellsIn, lCell, '\t');) {
            lCells.push_back(lCell);
        }
        lRows.push_back(lCells);
    }
    return lRows;
}

// Frame 0 at time 0 holds (1, 2, 3) cm, frame pLast at pSeconds holds (4, 5, 6) cm.
std::string SparseBrd(const std::string& pLast, const std::string& pSeconds,
                      const std::string& pMicroseconds)
{
    return "0 1 P 1 2 3 Q 0 0 0 1 0 0\n" + pLast + " 1 P 4 5 6 Q 0 0 0 1 " + pSeconds + " " +
           pMicroseconds + "\n";
}

// BRD frames 0 and 1002 at 100 Hz (time stamps 0 and 10.02 s): 1,003 frames at 100 Hz, the
// last holding the second sample, written directly and through a native file alike.
TEST(KMotionTakeFacts, SparseBrdKeysKeepEverySampleThroughANativeFile)
{
    const std::string lBrd = WriteTestFile("facts_sparse.brd", SparseBrd("1002", "10", "20000"));
    for (const bool lThrough : {false, true}) {
        const std::string lTrc = PathOf(lThrough ? "through.trc" : "direct.trc");
        std::string lReason;
        ASSERT_TRUE(ConvertMotion(lBrd, lTrc, lThrough, lReason)) << lReason;
        const std::string lText = ReadTestFile(lTrc);
        EXPECT_NE(lText.find("\n100.00\t100.00\t1003\t1\tmm\t"), std::string::npos)
            << lText.substr(0, 300);
        const std::vector<std::vector<std::string>> lRows = TrcRows(lText);
        ASSERT_EQ(lRows.size(), 1003u);
        ASSERT_GE(lRows.back().size(), 5u);
        EXPECT_EQ(lRows.back()[0], "1003");
        EXPECT_NEAR(std::stod(lRows.back()[1]), 10.02, 1e-9);
        EXPECT_NEAR(std::stod(lRows.back()[2]), 40.0, 1e-5);
        EXPECT_NEAR(std::stod(lRows.back()[3]), 50.0, 1e-5);
        EXPECT_NEAR(std::stod(lRows.back()[4]), 60.0, 1e-5);
    }
}

// Frames 0 and 20,000,000 at 100 Hz: 20,000,001 frames, more than a motion file is written
// with; the writer refuses the span, naming the node, through a native file as directly.
TEST(KMotionTakeFacts, AFarBrdSpanIsRefusedThroughANativeFile)
{
    const std::string lBrd = WriteTestFile("facts_far.brd", SparseBrd("20000000", "200000", "0"));
    const std::string lTrc = PathOf("far.trc");
    std::string lReason;
    EXPECT_FALSE(ConvertMotion(lBrd, lTrc, true, lReason));
    EXPECT_NE(lReason.find("Marker1"), std::string::npos) << lReason;
    EXPECT_NE(lReason.find("20000001 frames"), std::string::npos) << lReason;
    EXPECT_FALSE(std::filesystem::exists(lTrc));
}

// A hip with a knee 10 cm below it, still, one frame at 100 Hz.
const char* const kLegBvh =
    "HIERARCHY\nROOT Hips\n{\n  OFFSET 0 0 0\n"
    "  CHANNELS 6 Xposition Yposition Zposition Zrotation Xrotation Yrotation\n"
    "  JOINT Knee\n  {\n    OFFSET 0 -10 0\n    CHANNELS 3 Zrotation Xrotation Yrotation\n"
    "    End Site\n    {\n      OFFSET 0 -10 0\n    }\n  }\n}\n"
    "MOTION\nFrames: 1\nFrame Time: 0.01\n0 0 0 0 0 0 0 0 0\n";

// The knee's TY keyed 10 at 0 s and 10 at 1 s, leaving the first key at +40 cm/s and reaching
// the second at -40 cm/s; the take spans that second at its 100 Hz.
void KeyKneeBetweenEqualValues(MotionFile& ioLeg)
{
    KRyvNode* lKnee = ioLeg.mRead.mFactory.FindNode("Knee");
    ASSERT_NE(lKnee, nullptr);
    KFCurve* lTy = lKnee->GetCurrentTakeNode()->GetTransformTY();
    lTy->KeyClear();
    lTy->KeyAdd(KTime(0), 10.0f);
    lTy->KeyAdd(KTime(KTime::kTicksPerSecond), 10.0f);
    ASSERT_TRUE(lTy->KeySetTangentMode(0, KFCurveKey::kTangentUser));
    ASSERT_TRUE(lTy->KeySetTangentMode(1, KFCurveKey::kTangentUser));
    ASSERT_TRUE(lTy->SetKeyRightDerivative(0, 40.0));
    ASSERT_TRUE(lTy->SetKeyLeftDerivative(1, -40.0));
    KRyvScene& lScene = *ioLeg.mRead.mScene;
    KTakeInfo lInfo = *lScene.GetTakeInfo(lScene.GetCurrentTakeName());
    lInfo.mLocalStop = KTime(KTime::kTicksPerSecond);
    lInfo.mReferenceStop = lInfo.mLocalStop;
    lScene.SetTakeInfo(lInfo);
}

// The cubic between the keys: 10 + 40 h10(s) - 40 h11(s) with the Hermite bases
// h10 = s^3 - 2 s^2 + s and h11 = s^3 - s^2 over the second: 17.5 at 0.25 s, 20 at 0.5 s.
double KneeHeight(double pSeconds)
{
    const double lS = pSeconds;
    return 10.0 + 40.0 * (lS * lS * lS - 2.0 * lS * lS + lS) - 40.0 * (lS * lS * lS - lS * lS);
}

TEST(KMotionTakeFacts, ATranslationBetweenEqualKeysMoves)
{
    for (const char* lOutput : {"knee.bvh", "knee.amc"}) {
        MotionFile lLeg;
        ASSERT_TRUE(lLeg.Read(WriteTestFile("facts_leg.bvh", kLegBvh))) << lLeg.mReason;
        KeyKneeBetweenEqualValues(lLeg);
        const std::string lPath = PathOf(lOutput);
        ASSERT_TRUE(lLeg.Write(lPath)) << lOutput << ": " << lLeg.mReason;
        if (MotionFile::IsAmc(lPath)) {
            const std::string lAsf = ReadTestFile(MotionFile::AsfOf(lPath));
            EXPECT_NE(lAsf.find("name Knee"), std::string::npos) << lAsf;
            EXPECT_NE(lAsf.find("dof tx ty tz"), std::string::npos) << lAsf;
        } else {
            const std::string lBvh = ReadTestFile(lPath);
            const std::size_t lKnee = lBvh.find("JOINT Knee");
            ASSERT_NE(lKnee, std::string::npos);
            EXPECT_NE(lBvh.find("CHANNELS 6", lKnee), std::string::npos) << lBvh.substr(0, 500);
        }
        MotionFile lBack;
        ASSERT_TRUE(lBack.Read(lPath)) << lBack.mReason;
        EXPECT_EQ(lBack.Frames(), 101) << lOutput;
        for (const int lFrame : {0, 25, 50, 75, 100}) {
            KVector4 lKnee;
            ASSERT_TRUE(lBack.Position("Knee", lFrame, lKnee)) << lOutput;
            EXPECT_NEAR(lKnee[1], KneeHeight(lFrame / 100.0), 1e-3)
                << lOutput << ", frame " << lFrame;
        }
    }
}

struct AmcCase
{
    std::vector<std::pair<int, double>> mRecords;
    // The arm's turn at each frame of the take, worked out: records at their frames, the
    // frames between (-4 and -2 of -5, -3, -1) sampled from the cubic through them. Its auto
    // tangents are flat at the end keys and (50 - 10) / 2 = 20 per segment at the middle one,
    // so the Hermite midpoints are 10 / 2 + 30 / 2 - 20 / 8 = 17.5 and 30 / 2 + 50 / 2 + 20 / 8
    // = 42.5.
    std::vector<double> mTurns;
};

// Records numbered late keep three frames, far ones too (fast), records two frames apart keep
// each its own frame, and a record given twice is one frame (the later one).
TEST(KMotionTakeFacts, AnAmcTakeSpansTheFramesOfItsRecords)
{
    const std::vector<AmcCase> kCases = {
        {{{100, 1.0}, {101, 2.0}, {102, 3.0}}, {1.0, 2.0, 3.0}},
        {{{5000000, 1.0}, {5000001, 2.0}, {5000002, 3.0}}, {1.0, 2.0, 3.0}},
        {{{-5, 10.0}, {-3, 30.0}, {-1, 50.0}}, {10.0, 17.5, 30.0, 42.5, 50.0}},
        {{{1, 1.0}, {2, 7.0}, {2, 2.0}, {3, 3.0}}, {1.0, 2.0, 3.0}},
    };
    for (const AmcCase& lCase : kCases) {
        std::ostringstream lAmc;
        lAmc << ":SAMPLES-PER-SECOND 30\n:FULLY-SPECIFIED\n:DEGREES\n";
        for (const auto& [lFrame, lTurn] : lCase.mRecords) {
            lAmc << lFrame << "\nroot 0 0 0 0 0 0\narm " << lTurn << '\n';
        }
        WriteTestFile("facts_arm.asf", kArmAsf);
        const std::string lFrom = WriteTestFile("facts_arm.amc", lAmc.str());
        for (const char* lOutput : {"arm.bvh", "arm.htr", "arm-out.amc"}) {
            const std::string lTo = PathOf(lOutput);
            std::string lReason;
            ASSERT_TRUE(ConvertMotion(lFrom, lTo, false, lReason)) << lReason;
            MotionFile lBack;
            ASSERT_TRUE(lBack.Read(lTo)) << lBack.mReason;
            ASSERT_EQ(lBack.Frames(), static_cast<int>(lCase.mTurns.size())) << lOutput;
            EXPECT_NEAR(lBack.Rate(), 30.0, 1e-9) << lOutput;
            KRyvNode* lArm = lBack.mRead.mFactory.FindNode("arm");
            ASSERT_NE(lArm, nullptr) << lOutput;
            for (std::size_t f = 0; f < lCase.mTurns.size(); ++f) {
                const KMatrix& lLocal =
                    lArm->GetLocalMatrixAtTime(lBack.FrameTime(static_cast<int>(f)));
                // A turn about Z alone: the X axis's row holds its cosine and sine.
                const double lTurn = std::atan2(lLocal[0][1], lLocal[0][0]) * 180.0 / M_PI;
                EXPECT_NEAR(lTurn, lCase.mTurns[f], 0.05) << lOutput << ", frame " << f;
            }
        }
    }
}

// Keys at frames 0, 45 and 60 of a 30 Hz scene whose take has no rate of its own (as an API user
// makes it): 61 frames at 30 Hz, each the curve's value there, not 5 at 2 Hz.
TEST(KMotionTakeFacts, ATakeWithoutARateTakesTheScenesTimeMode)
{
    MotionFile lLeg;
    ASSERT_TRUE(lLeg.Read(WriteTestFile("facts_scene.bvh", kLegBvh))) << lLeg.mReason;
    KRyvScene& lScene = *lLeg.mRead.mScene;
    lScene.GetGlobalTimeSettings().SetTimeMode(KTimeModeTable::kFrames30);
    const std::int64_t lFrame = KTime::GetTicksPerFrame(KTimeModeTable::kFrames30);
    KFCurve* lTx = lLeg.mRead.mFactory.FindNode("Hips")->GetCurrentTakeNode()->GetTransformTX();
    lTx->KeyClear();
    const int kFrames[] = {0, 45, 60};
    const float kValues[] = {0.0f, 45.0f, 60.0f};
    for (int k = 0; k < 3; ++k) {
        lTx->KeyAdd(KTime(kFrames[k] * lFrame), kValues[k]);
        lTx->KeySetInterpolation(k, KFCurveKey::kInterpolationLinear);
    }
    KTakeInfo lInfo = *lScene.GetTakeInfo(lScene.GetCurrentTakeName());
    lInfo.mLocalStart = KTime(0);
    lInfo.mLocalStop = KTime(60 * lFrame);
    lInfo.mTimeMode = 0;
    lInfo.mFrameRate = 0.0;
    lScene.SetTakeInfo(lInfo);
    const std::string lPath = PathOf("scene.bvh");
    ASSERT_TRUE(lLeg.Write(lPath)) << lLeg.mReason;
    const std::string lText = ReadTestFile(lPath);
    EXPECT_NE(lText.find("Frames:\t61\nFrame Time:\t0.0333333"), std::string::npos)
        << lText.substr(lText.find("MOTION"), 60);
    MotionFile lBack;
    ASSERT_TRUE(lBack.Read(lPath)) << lBack.mReason;
    ASSERT_EQ(lBack.Frames(), 61);
    for (const int f : {0, 10, 45, 52, 60}) {
        KVector4 lHips;
        ASSERT_TRUE(lBack.Position("Hips", f, lHips));
        // Linear keys at frame n hold n cm: every frame lies on that line.
        EXPECT_NEAR(lHips[0], f, 1e-3) << "frame " << f;
    }
}

// A 200 Hz capture whose markers are hidden in every frame (so each curve keeps one key): its
// rate is no time mode, and goes through the native file as the take's own, C3D to C3D.
TEST(KMotionTakeFacts, ARateOfNoTimeModeReachesTheNativeFile)
{
    std::string lTrc = "PathFileType\t4\t(X/Y/Z)\thidden.trc\nDataRate\tCameraRate\tNumFrames\t"
                       "NumMarkers\tUnits\tOrigDataRate\tOrigDataStartFrame\tOrigNumFrames\n"
                       "200\t200\t5\t2\tmm\t200\t1\t5\nFrame#\tTime\tA\t\t\tB\t\t\t\n"
                       "\t\tX1\tY1\tZ1\tX2\tY2\tZ2\t\n\n";
    for (int f = 1; f <= 5; ++f) {
        lTrc += std::to_string(f) + "\t0\t\t\t\t\t\t\t\n";
    }
    const std::string lC3d = PathOf("hidden.c3d");
    std::string lReason;
    ASSERT_TRUE(ConvertMotion(WriteTestFile("facts_hidden.trc", lTrc), lC3d, false, lReason))
        << lReason;
    const std::string lOut = PathOf("hidden-out.c3d");
    ASSERT_TRUE(ConvertMotion(lC3d, lOut, true, lReason)) << lReason;
    MotionFile lBack;
    ASSERT_TRUE(lBack.Read(lOut)) << lBack.mReason;
    EXPECT_EQ(lBack.Frames(), 5);
    EXPECT_NEAR(lBack.Rate(), 200.0, 1e-3);
}

// The real C3D samples, through a native file, give the frames and rate of a direct conversion.
TEST(KMotionTakeFacts, RealC3dSamplesKeepFramesAndRateThroughANativeFile)
{
    const std::filesystem::path lFolder = std::filesystem::path(RYV_SAMPLES_DIR) / "c3d";
    if (!std::filesystem::is_directory(lFolder)) {
        GTEST_SKIP() << "no samples in " << lFolder;
    }
    for (const auto& lEntry : std::filesystem::directory_iterator(lFolder)) {
        MotionFile lDirect;
        ASSERT_TRUE(lDirect.Read(lEntry.path().string())) << lEntry.path();
        const std::string lOut = PathOf("sample-" + lEntry.path().filename().string());
        std::string lReason;
        ASSERT_TRUE(ConvertMotion(lEntry.path().string(), lOut, true, lReason))
            << lEntry.path() << ": " << lReason;
        MotionFile lBack;
        ASSERT_TRUE(lBack.Read(lOut)) << lBack.mReason;
        EXPECT_EQ(lBack.Frames(), lDirect.Frames()) << lEntry.path();
        EXPECT_NEAR(lBack.Rate(), lDirect.Rate(), 1e-3) << lEntry.path();
    }
}

} // namespace
