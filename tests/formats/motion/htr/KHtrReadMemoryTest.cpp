// What an HTR read needs at its height beyond what it leaves: the offset pass holds a few blocks
// of frames whatever the number of segments. Bytes are counted through the replaced operator new
// (AllocationBytes), per segment over many segments, with the default settings (rotation offset
// minimised, default import filters).
#include "animation/KImportSettings.h"
#include "tests/formats/AllocationBytes.h"

#include "HtrTestScene.h"

#include <string>

namespace {

// pSegments segments below a root "Hips", two frames in which nothing moves: the wide benchmark's
// BVH file (a root with as many joints, each with its End Site) once written as HTR.
std::string WideHtr(int pSegments)
{
    std::string lText = "[Header]\nFileType htr\nDataType HTRS\nFileVersion 1\nNumSegments " +
                        std::to_string(pSegments + 1) +
                        "\nNumFrames 2\nDataFrameRate 30\nEulerRotationOrder ZYX\n"
                        "CalibrationUnits mm\nRotationUnits Degrees\nGlobalAxisofGravity Y\n"
                        "BoneLengthAxis Y\nScaleFactor 1.0\n[SegmentNames&Hierarchy]\n"
                        "Hips\tGLOBAL\n";
    for (int s = 0; s < pSegments; ++s) {
        lText += "j" + std::to_string(s) + "\tHips\n";
    }
    lText += "[BasePosition]\nHips\t0\t0\t0\t0\t0\t0\t10\n";
    for (int s = 0; s < pSegments; ++s) {
        lText += "j" + std::to_string(s) + "\t10\t0\t0\t0\t0\t0\t10\n";
    }
    const char* const kStill = "1\t0\t0\t0\t0\t0\t0\t1.0\n2\t0\t0\t0\t0\t0\t0\t1.0\n";
    lText += std::string("[Hips]\n") + kStill;
    for (int s = 0; s < pSegments; ++s) {
        lText += "[j" + std::to_string(s) + "]\n" + kStill;
    }
    return lText + "[EndOfFile]\n";
}

// The bytes a read leaves in its scene and reader, and the most it held above what was held
// before it.
struct ReadBytes
{
    long long mHeld = 0;
    long long mPeak = 0;
};

template <class TScene> ReadBytes BytesOfRead(const std::string& pPath)
{
    const long long lBefore = AllocationBytes::Held();
    AllocationBytes::ResetPeak();
    TScene lTest;
    EXPECT_TRUE(lTest.Read(pPath)) << lTest.mReader.GetMessage().Buffer();
    return {AllocationBytes::Held() - lBefore, AllocationBytes::Peak() - lBefore};
}

constexpr int kFewSegments = 10;
constexpr int kManySegments = 410;
constexpr long long kKilobyte = 1024;

// What one more segment (or joint) costs: the reads of many and of few segments set side by side.
template <class TScene> ReadBytes PerSegment(const char* pExtension, std::string (*pFile)(int))
{
    const std::string lStem = std::string("wide.") + pExtension;
    const ReadBytes lFew = BytesOfRead<TScene>(WriteHtrFile("few-" + lStem, pFile(kFewSegments)));
    const ReadBytes lMany =
        BytesOfRead<TScene>(WriteHtrFile("many-" + lStem, pFile(kManySegments)));
    constexpr int lExtra = kManySegments - kFewSegments;
    return {(lMany.mHeld - lFew.mHeld) / lExtra, (lMany.mPeak - lFew.mPeak) / lExtra};
}

TEST(KHtrReadMemory, AtItsHeightTheReadHoldsLittleMoreThanItLeaves)
{
    HtrSettingsGuard lSettings(nullptr);
    KImportSettings::Get().Reset();
    const ReadBytes lHtr = PerSegment<HtrTestScene>("htr", WideHtr);
    // While the read runs: the segments as the file gives them, their keys waiting for the
    // offset pass and the pass's steps. Its blocks of frames serve every segment of a depth.
    EXPECT_LE(lHtr.mPeak - lHtr.mHeld, kKilobyte + kKilobyte / 4)
        << lHtr.mPeak << " vs " << lHtr.mHeld;
}

} // namespace
