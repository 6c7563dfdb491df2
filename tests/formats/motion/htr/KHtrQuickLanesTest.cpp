// The HTR reader's quick lanes: every key of generated files, read with the quick lanes and with
// the library path alone, the same bit for bit, with the rotation offset minimised and not; the
// frames the quick lanes cannot prove are rare on smooth motion and are the hard ones.
#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"

#include "HtrTestScene.h"
#include "tests/support/TestSequence.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

enum EMotion { eSmooth, eNearGimbal, eZeros, eLargeAngles };

struct LanesCase
{
    const char* mOrder;
    const char* mAngleUnit;
    EMotion mMotion;
    // Segments in one chain below the root: the depth of the hierarchy.
    int mDepth;
    const char* mScaleFactor;
};

constexpr int kFrames = 150;
constexpr double kDegToRad = 3.14159265358979323846 / 180.0;

std::string Name(int pIndex)
{
    return "Seg" + std::to_string(pIndex);
}

std::string Printed(double pValue)
{
    char lText[40];
    std::snprintf(lText, sizeof lText, "%.17g", pValue);
    return lText;
}

// Angle a (0, 1, 2: X, Y, Z) of a segment at a frame, in degrees. The middle turn of every order
// word is its second letter; near-gimbal motion holds it at or a hair from a quarter turn.
double Angle(const LanesCase& pCase, TestSequence& ioRandom, int pAxis, int pFrame, int pSegment)
{
    const double lPhase = 0.37 * pSegment + 1.1 * pAxis;
    const double lSmooth = 170.0 * std::sin(0.05 * pFrame + lPhase);
    const int lMiddle = pCase.mOrder[1] - 'X';
    switch (pCase.mMotion) {
    case eNearGimbal:
        if (pAxis == lMiddle) {
            const double lHair[] = {0.0, 1e-9, -1e-6, 1e-3, 0.1};
            return (pFrame % 2 ? 90.0 : -90.0) + lHair[pFrame % 5];
        }
        return lSmooth;
    case eZeros: {
        const double lEdges[] = {0.0, -0.0, 90.0, -180.0, 180.0, 45.0};
        return lEdges[ioRandom.Next() % 6];
    }
    case eLargeAngles: {
        // Beyond 1e6 degrees the quick lanes do not reach.
        const double lTurns[] = {720.0, -1e5, 99999.5, 2e6, -3.5e6};
        return lSmooth + lTurns[(pFrame + pAxis) % 5];
    }
    default:
        return lSmooth + ioRandom.Between(-1e-3, 1e-3);
    }
}

std::string FrameLine(const LanesCase& pCase, TestSequence& ioRandom, int pFrame, int pSegment)
{
    const bool lRadians = std::strcmp(pCase.mAngleUnit, "Radians") == 0;
    std::string lLine = std::to_string(pFrame);
    for (int i = 0; i < 3; ++i) {
        const double lMove = pCase.mMotion == eZeros ? 0.0 : 30.0 * std::cos(0.03 * pFrame + i);
        lLine += "\t" + Printed(lMove + ioRandom.Between(-1.0, 1.0));
    }
    for (int i = 0; i < 3; ++i) {
        const double lAngle = Angle(pCase, ioRandom, i, pFrame, pSegment);
        lLine += "\t" + Printed(lRadians ? lAngle * kDegToRad : lAngle);
    }
    return lLine + "\t1.0\n";
}

// A root with two children: a chain of pCase.mDepth segments and a lone leaf.
std::string GeneratedFile(const LanesCase& pCase)
{
    const int lSegments = pCase.mDepth + 2;
    TestSequence lRandom(11);
    std::string lText = "[Header]\nFileType htr\nDataType HTRS\nFileVersion 1\n";
    lText += "NumSegments " + std::to_string(lSegments) + "\nNumFrames " + std::to_string(kFrames) +
             "\nDataFrameRate 120\n";
    lText += std::string("EulerRotationOrder ") + pCase.mOrder + "\nCalibrationUnits mm\n" +
             "RotationUnits " + pCase.mAngleUnit + "\nGlobalAxisofGravity Y\n" +
             "BoneLengthAxis Y\nScaleFactor " + pCase.mScaleFactor + "\n";
    lText += "[SegmentNames&Hierarchy]\n";
    for (int s = 0; s < lSegments; ++s) {
        const int lParent = s == 0 ? -1 : (s == lSegments - 1 ? 0 : s - 1);
        lText += Name(s) + "\t" + (lParent < 0 ? "GLOBAL" : Name(lParent)) + "\n";
    }
    lText += "[BasePosition]\n";
    // Near the gimbal lock the base rotations stay unturned, so that the key angles of "ZYX"
    // (the kit's own X, Y, Z) meet it as well.
    const bool lUnturned = pCase.mMotion == eNearGimbal;
    for (int s = 0; s < lSegments; ++s) {
        lText += Name(s) + (lUnturned ? std::string("\t1\t2\t3\t0\t0\t0\t1.0\n")
                                      : FrameLine(pCase, lRandom, 0, s).substr(1));
        lText.replace(lText.size() - 4, 3, "150");
    }
    for (int s = 0; s < lSegments; ++s) {
        lText += "[" + Name(s) + "]\n";
        for (int f = 1; f <= kFrames; ++f) {
            lText += FrameLine(pCase, lRandom, f, s);
        }
    }
    return lText + "[EndOfFile]\n";
}

// The value bits of every key of the six key curves of every segment.
std::vector<std::uint32_t> KeyBits(HtrTestScene& pTest, int pSegments)
{
    std::vector<std::uint32_t> lBits;
    for (int s = 0; s < pSegments; ++s) {
        KRyvTakeNode* lTake = pTest.Find(Name(s).c_str())->GetCurrentTakeNode();
        KFCurve* const lCurves[] = {lTake->GetTransformTX(), lTake->GetTransformTY(),
                                    lTake->GetTransformTZ(), lTake->GetTransformRX(),
                                    lTake->GetTransformRY(), lTake->GetTransformRZ()};
        for (KFCurve* lCurve : lCurves) {
            for (int k = 0; k < lCurve->GetKeyCount(); ++k) {
                const float lValue = lCurve->KeyGetValue(k);
                std::uint32_t lValueBits = 0;
                std::memcpy(&lValueBits, &lValue, sizeof lValueBits);
                lBits.push_back(lValueBits);
            }
        }
    }
    return lBits;
}

struct LanesRead
{
    std::vector<std::uint32_t> mBits;
    KHtrFile::KLaneCounts mCounts;
};

LanesRead ReadWith(const std::string& pPath, int pSegments, bool pQuick, bool pMinimize)
{
    HtrTestScene lTest;
    const bool lRead = lTest.MotionReadScene::Read(pPath, [&](KStreamOptionsMotion&) {
        lTest.mReader.GetFile()->SetQuickAngles(pQuick);
        lTest.mReader.GetFile()->SetMinimizeRotationOffset(pMinimize);
    });
    EXPECT_TRUE(lRead) << lTest.mReader.GetMessage().Buffer();
    return {lRead ? KeyBits(lTest, pSegments) : std::vector<std::uint32_t>(),
            lTest.mReader.GetFile()->GetLaneCounts()};
}

class KHtrQuickLanes : public testing::TestWithParam<LanesCase>
{
};

TEST_P(KHtrQuickLanes, KeysAreThoseOfTheLibraryPath)
{
    const LanesCase& lCase = GetParam();
    HtrSettingsGuard lSettings;
    const std::string lPath = WriteHtrFile("lanes.htr", GeneratedFile(lCase));
    const int lSegments = lCase.mDepth + 2;
    for (const bool lMinimize : {false, true}) {
        const LanesRead lLibrary = ReadWith(lPath, lSegments, false, lMinimize);
        const LanesRead lQuick = ReadWith(lPath, lSegments, true, lMinimize);
        ASSERT_EQ(lLibrary.mBits.size(), static_cast<std::size_t>(6 * lSegments * kFrames));
        EXPECT_EQ(lQuick.mBits, lLibrary.mBits) << lCase.mOrder << " minimise " << lMinimize;
        EXPECT_EQ(lLibrary.mCounts.mReadFrames + lLibrary.mCounts.mOffsetFrames, 0);
        const KHtrFile::KLaneCounts& lCounts = lQuick.mCounts;
        EXPECT_EQ(lCounts.mReadFrames, lSegments * kFrames);
        EXPECT_EQ(lCounts.mOffsetFrames, lMinimize ? lSegments * kFrames : 0);
        const double lShare =
            static_cast<double>(lCounts.mReadFallbacks + lCounts.mOffsetFallbacks) /
            static_cast<double>(lCounts.mReadFrames + lCounts.mOffsetFrames);
        if (lCase.mMotion == eSmooth) {
            EXPECT_LT(lShare, 0.01) << lCase.mOrder << " minimise " << lMinimize;
        } else if (lCase.mMotion != eNearGimbal || std::strcmp(lCase.mOrder, "ZYX") == 0) {
            // Exact quarter turns, zeros and turns beyond the quick lanes' reach: the library
            // path works them out.
            EXPECT_GT(lCounts.mReadFallbacks, 0) << lCase.mOrder;
        }
    }
}

const LanesCase kLanesCases[] = {
    {"ZYX", "Degrees", eSmooth, 1, "1.0"},      {"YXZ", "Degrees", eSmooth, 12, "1.5"},
    {"XZY", "Radians", eSmooth, 4, "1.0"},      {"ZXY", "Radians", eSmooth, 3, "0.25"},
    {"YZX", "Degrees", eSmooth, 14, "1.0"},     {"XYZ", "Radians", eSmooth, 6, "2.0"},
    {"ZYX", "Degrees", eNearGimbal, 3, "1.0"},  {"XZY", "Radians", eNearGimbal, 11, "1.0"},
    {"YXZ", "Degrees", eZeros, 2, "1.0"},       {"XYZ", "Degrees", eZeros, 10, "3.0"},
    {"ZXY", "Degrees", eLargeAngles, 5, "1.0"}, {"YZX", "Radians", eLargeAngles, 2, "1.0"},
};

INSTANTIATE_TEST_SUITE_P(GeneratedFiles, KHtrQuickLanes, testing::ValuesIn(kLanesCases));

} // namespace
