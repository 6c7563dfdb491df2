// Every path among the motion formats, direct and through a native file, gives the same frames,
// rate and values. Markers: a capture of two markers over four frames at 100 Hz, one holding
// still until its last frame (so that the constant key reducer leaves it keys two periods
// apart), goes from each marker format to each other. Skeletons: a three-joint capture goes
// from each skeleton format to each other, its joints' places compared with those of the
// capture read directly.
#include "tests/formats/motion/MotionPaths.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

// Frames, x, y, z in centimetres, of the two markers of the capture.
const double kStill[4][3] = {{1.5, 2.25, -3.0}, {1.5, 2.25, -3.0}, {1.5, 2.25, -3.0}, {4, 5.5, 6}};
const double kMoving[4][3] = {{10, 20, 30}, {11, 20, 30}, {12, 21, 30}, {13, 22, 31}};
constexpr int kFrames = 4;
constexpr double kRate = 100.0;
// Below what the least precise of the formats prints (six digits, VPM's in inches).
constexpr double kTolerance = 1e-3;

std::string MarkerTrc()
{
    std::string lText = "PathFileType\t4\t(X/Y/Z)\tpaths.trc\nDataRate\tCameraRate\tNumFrames\t"
                        "NumMarkers\tUnits\tOrigDataRate\tOrigDataStartFrame\tOrigNumFrames\n"
                        "100\t100\t4\t2\tmm\t100\t1\t4\nFrame#\tTime\tStill\t\t\tMoving\t\t\t\n"
                        "\t\tX1\tY1\tZ1\tX2\tY2\tZ2\t\n\n";
    for (int f = 0; f < kFrames; ++f) {
        lText += std::to_string(f + 1) + "\t" + std::to_string(f / kRate);
        for (const auto* lMarker : {kStill, kMoving}) {
            for (int a = 0; a < 3; ++a) {
                lText += "\t" + std::to_string(lMarker[f][a] * 10.0);
            }
        }
        lText += "\n";
    }
    return lText;
}

std::vector<std::vector<double>> ExpectedMarkerPaths()
{
    std::vector<std::vector<double>> lPaths;
    for (const auto* lMarker : {kStill, kMoving}) {
        std::vector<double> lPath;
        for (int f = 0; f < kFrames; ++f) {
            lPath.insert(lPath.end(), {lMarker[f][0], lMarker[f][1], lMarker[f][2]});
        }
        lPaths.push_back(lPath);
    }
    std::sort(lPaths.begin(), lPaths.end());
    return lPaths;
}

// A hip that moves, a knee and a foot that turn, at 100 Hz.
const char* const kSkeletonBvh =
    "HIERARCHY\nROOT Hips\n{\n  OFFSET 0 0 0\n"
    "  CHANNELS 6 Xposition Yposition Zposition Zrotation Xrotation Yrotation\n"
    "  JOINT Knee\n  {\n    OFFSET 0 -10 0\n    CHANNELS 3 Zrotation Xrotation Yrotation\n"
    "    JOINT Foot\n    {\n      OFFSET 0 -10 0\n      CHANNELS 3 Zrotation Xrotation Yrotation\n"
    "      End Site\n      {\n        OFFSET 0 -5 0\n      }\n    }\n  }\n}\n"
    "MOTION\nFrames: 4\nFrame Time: 0.01\n"
    "0 20 0 0 0 0 0 0 0 0 0 0\n"
    "0 20 0 0 0 0 10 0 0 0 0 0\n"
    "1 20 0 0 0 0 20 5 0 0 30 0\n"
    "2 21 0 5 0 0 30 5 0 0 30 0\n";

std::string PathOf(const std::string& pName)
{
    return MotionTestPath("paths_" + pName);
}

struct PathCase
{
    const char* mFrom;
    const char* mTo;
    bool mThroughNative;
};

std::string CaseName(const testing::TestParamInfo<PathCase>& pInfo)
{
    return std::string(pInfo.param.mFrom) + "To" + pInfo.param.mTo +
           (pInfo.param.mThroughNative ? "ThroughRyv" : "Direct");
}

std::vector<PathCase> CasesAmong(const std::vector<const char*>& pFormats)
{
    std::vector<PathCase> lCases;
    for (const char* lFrom : pFormats) {
        for (const char* lTo : pFormats) {
            lCases.push_back({lFrom, lTo, false});
            lCases.push_back({lFrom, lTo, true});
        }
    }
    return lCases;
}

// The capture in the format pExtension, written from the TRC (or BVH) it is first.
std::string Source(const std::string& pFirst, const std::string& pFirstText,
                   const std::string& pExtension)
{
    const std::string lFirst = WriteTestFile("paths_source." + pFirst, pFirstText);
    if (pExtension == pFirst) {
        return lFirst;
    }
    const std::string lPath = PathOf("source." + pExtension);
    std::string lReason;
    EXPECT_TRUE(ConvertMotion(lFirst, lPath, false, lReason)) << lReason;
    return lPath;
}

// The case's path from pFrom into its target format read back into oOut, which holds the frames
// and rate of the capture.
void ConvertAndRead(const PathCase& pCase, const std::string& pFrom, MotionFile& oOut)
{
    const std::string lTo = PathOf(CaseName({pCase, 0}) + "." + pCase.mTo);
    std::string lReason;
    ASSERT_TRUE(ConvertMotion(pFrom, lTo, pCase.mThroughNative, lReason)) << lReason;
    ASSERT_TRUE(oOut.Read(lTo)) << oOut.mReason;
    EXPECT_EQ(oOut.Frames(), kFrames);
    EXPECT_NEAR(oOut.Rate(), kRate, 1e-3);
}

class KMotionMarkerPathsTest : public testing::TestWithParam<PathCase>
{
};

TEST_P(KMotionMarkerPathsTest, FramesRateAndValuesStay)
{
    MotionFile lOut;
    ASSERT_NO_FATAL_FAILURE(
        ConvertAndRead(GetParam(), Source("trc", MarkerTrc(), GetParam().mFrom), lOut));
    const std::vector<std::vector<double>> lExpected = ExpectedMarkerPaths();
    const std::vector<std::vector<double>> lPaths = lOut.MarkerPaths();
    ASSERT_EQ(lPaths.size(), lExpected.size());
    for (std::size_t m = 0; m < lPaths.size(); ++m) {
        ASSERT_EQ(lPaths[m].size(), lExpected[m].size()) << "marker " << m;
        for (std::size_t v = 0; v < lPaths[m].size(); ++v) {
            EXPECT_NEAR(lPaths[m][v], lExpected[m][v], kTolerance)
                << "marker " << m << ", frame " << v / 3 << ", axis " << v % 3;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Markers, KMotionMarkerPathsTest,
    testing::ValuesIn(CasesAmong({"trc", "c3d", "brd", "mov", "vpm", "aoa", "mcd"})), CaseName);

class KMotionSkeletonPathsTest : public testing::TestWithParam<PathCase>
{
};

TEST_P(KMotionSkeletonPathsTest, FramesRateAndPlacesStay)
{
    MotionFile lReference;
    ASSERT_TRUE(lReference.Read(Source("bvh", kSkeletonBvh, "bvh")));
    MotionFile lOut;
    ASSERT_NO_FATAL_FAILURE(
        ConvertAndRead(GetParam(), Source("bvh", kSkeletonBvh, GetParam().mFrom), lOut));
    // The hip is the ASF root bone, named "root"; its motion moves the others.
    for (const char* lJoint : {"Knee", "Foot"}) {
        for (int f = 0; f < kFrames; ++f) {
            KVector4 lWant;
            KVector4 lGot;
            ASSERT_TRUE(lReference.Position(lJoint, f, lWant));
            ASSERT_TRUE(lOut.Position(lJoint, f, lGot)) << lJoint;
            for (int a = 0; a < 3; ++a) {
                EXPECT_NEAR(lGot[a], lWant[a], kTolerance)
                    << lJoint << ", frame " << f << ", axis " << a;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Skeletons, KMotionSkeletonPathsTest,
                         testing::ValuesIn(CasesAmong({"bvh", "htr", "amc"})), CaseName);

} // namespace
