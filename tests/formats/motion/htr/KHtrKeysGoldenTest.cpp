// Every key the reader makes, pinned bit for bit: a digest of the keys of generated files in every
// order word and unit, with the rotation offset minimised and not, against digests the reader
// gave when its key arithmetic was first settled. A faster frame pass must give the same keys.
#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"

#include "HtrTestScene.h"
#include "tests/support/TestSequence.h"

#include <cstdint>
#include <cstring>
#include <random>
#include <string>

namespace {

constexpr int kSegments = 7;
constexpr int kFrames = 40;
// Parents of the segments, as listed: children may come before their parents.
constexpr int kParents[kSegments] = {2, 2, -1, 6, 2, 4, 4};

struct GoldenCase
{
    const char* mOrder;
    const char* mLengthUnit;
    const char* mAngleUnit;
    const char* mMinimize;
    std::uint64_t mDigest;
};

std::string Name(int pIndex)
{
    return "Seg" + std::to_string(pIndex);
}

// A number as the file holds it; a few values are the edges of the angle formulas (zeros of
// either sign, quarter and half turns) rather than noise.
std::string Number(std::mt19937& ioRandom, double pRange, bool pRadians)
{
    const double lEdges[] = {0.0, -0.0, 90.0, -90.0, 180.0, -180.0, 45.0};
    // The engine's raw output is the same everywhere; the distributions are not.
    const std::uint32_t lPick = ioRandom() % 10;
    double lValue = lPick < 7 ? lEdges[lPick] * pRange / 180.0
                              : (ioRandom() / 4294967295.0 * 2.0 - 1.0) * pRange;
    if (pRadians) {
        lValue *= 3.14159265358979323846 / 180.0;
    }
    char lText[32];
    std::snprintf(lText, sizeof lText, "%.9g", lValue);
    return lText;
}

std::string FrameLine(std::mt19937& ioRandom, int pFrame, bool pRadians)
{
    std::string lLine = std::to_string(pFrame);
    for (int i = 0; i < 3; ++i) {
        lLine += "\t" + Number(ioRandom, 40.0, false);
    }
    for (int i = 0; i < 3; ++i) {
        lLine += "\t" + Number(ioRandom, 180.0, pRadians);
    }
    return lLine + "\t1.0\n";
}

// A file of kSegments segments and pFrames frames, its frame sections in reverse order.
std::string GeneratedFile(const GoldenCase& pCase, int pFrames = kFrames)
{
    const bool lRadians = std::strcmp(pCase.mAngleUnit, "Radians") == 0;
    std::mt19937 lRandom(7);
    std::string lText = "[Header]\nFileType htr\nDataType HTRS\nFileVersion 1\n";
    lText += "NumSegments " + std::to_string(kSegments) + "\nNumFrames " + std::to_string(pFrames) +
             "\nDataFrameRate 60\n";
    lText += std::string("EulerRotationOrder ") + pCase.mOrder + "\nCalibrationUnits " +
             pCase.mLengthUnit + "\nRotationUnits " + pCase.mAngleUnit + "\n";
    lText += "GlobalAxisofGravity Y\nBoneLengthAxis Y\nScaleFactor 1.5\n";
    lText += "[SegmentNames&Hierarchy]\n";
    for (int s = 0; s < kSegments; ++s) {
        lText += Name(s) + "\t" + (kParents[s] < 0 ? "GLOBAL" : Name(kParents[s])) + "\n";
    }
    lText += "[BasePosition]\n";
    for (int s = 0; s < kSegments; ++s) {
        lText += Name(s) + "\t" + FrameLine(lRandom, 0, lRadians).substr(2);
        lText.replace(lText.size() - 4, 3, "12.5");
    }
    for (int s = kSegments - 1; s >= 0; --s) {
        lText += "[" + Name(s) + "]\n";
        for (int f = 1; f <= pFrames; ++f) {
            lText += FrameLine(lRandom, f, lRadians);
        }
    }
    return lText + "[EndOfFile]\n";
}

// FNV-1a over the key count, then each key's time ticks and value bits, of the nine curves of
// every segment in file order.
std::uint64_t KeyDigest(HtrTestScene& pTest)
{
    Fnv1aHash lHash;
    for (int s = 0; s < kSegments; ++s) {
        KRyvTakeNode* lTake = pTest.Find(Name(s).c_str())->GetCurrentTakeNode();
        KFCurve* const lCurves[] = {
            lTake->GetTransformTX(), lTake->GetTransformTY(), lTake->GetTransformTZ(),
            lTake->GetTransformRX(), lTake->GetTransformRY(), lTake->GetTransformRZ(),
            lTake->GetTransformSX(), lTake->GetTransformSY(), lTake->GetTransformSZ()};
        for (KFCurve* lCurve : lCurves) {
            const int lCount = lCurve->GetKeyCount();
            lHash.Add(&lCount, sizeof lCount);
            for (int k = 0; k < lCount; ++k) {
                const std::int64_t lTicks = lCurve->KeyGetTime(k).Get();
                const float lValue = lCurve->KeyGetValue(k);
                lHash.Add(&lTicks, sizeof lTicks);
                lHash.Add(&lValue, sizeof lValue);
            }
        }
    }
    return lHash.Get();
}

class KHtrKeysGolden : public testing::TestWithParam<GoldenCase>
{
};

TEST_P(KHtrKeysGolden, KeysAreThoseOfTheSettledArithmetic)
{
    const GoldenCase& lCase = GetParam();
    HtrSettingsGuard lSettings(lCase.mMinimize);
    // The default filters, the constant key reducer among them.
    KImportSettings::Get().Reset();
    HtrTestScene lTest;
    ASSERT_TRUE(lTest.Read(WriteHtrFile("golden.htr", GeneratedFile(lCase))))
        << lTest.mReader.GetMessage().Buffer();
    EXPECT_EQ(KeyDigest(lTest), lCase.mDigest);
}

const GoldenCase kGoldenCases[] = {
    {"ZYX", "mm", "Degrees", "No", 9872608815384242892ull},
    {"ZYX", "mm", "Degrees", "Yes", 16136775758227390626ull},
    {"YXZ", "cm", "Degrees", "No", 12790648700415566444ull},
    {"YXZ", "cm", "Degrees", "Yes", 18307981559801382995ull},
    {"XZY", "in", "Radians", "No", 14635532347674606730ull},
    {"XZY", "in", "Radians", "Yes", 6989644449860312462ull},
    {"ZXY", "mm", "Radians", "No", 13451880652051907080ull},
    {"ZXY", "mm", "Radians", "Yes", 15150787455676265109ull},
    {"YZX", "cm", "Degrees", "No", 1234530397467433168ull},
    {"YZX", "cm", "Degrees", "Yes", 1145797549949905082ull},
    {"XYZ", "in", "Degrees", "No", 2918043047775709221ull},
    {"XYZ", "in", "Degrees", "Yes", 14410727968457786744ull},
};

INSTANTIATE_TEST_SUITE_P(EveryOrderAndSetting, KHtrKeysGolden, testing::ValuesIn(kGoldenCases));

// Sections of several hundred frames: the frame pass works through them in blocks, the last one
// partly filled, and every key must still be that of the settled arithmetic.
TEST(KHtrKeysGoldenLong, KeysAcrossManyBlocksAreThoseOfTheSettledArithmetic)
{
    constexpr int kLongFrames = 333;
    const GoldenCase kLongCases[] = {
        {"ZYX", "mm", "Degrees", "Yes", 5409035790746595480ull},
        {"YZX", "cm", "Degrees", "Yes", 12861909470917631843ull},
        {"XZY", "in", "Radians", "No", 2300476700795274866ull},
    };
    for (const GoldenCase& lCase : kLongCases) {
        HtrSettingsGuard lSettings(lCase.mMinimize);
        KImportSettings::Get().Reset();
        HtrTestScene lTest;
        ASSERT_TRUE(lTest.Read(WriteHtrFile("golden-long.htr", GeneratedFile(lCase, kLongFrames))))
            << lTest.mReader.GetMessage().Buffer();
        EXPECT_EQ(KeyDigest(lTest), lCase.mDigest) << lCase.mOrder << " " << lCase.mMinimize;
    }
}

} // namespace
