// The pose stream with quick angles against the library path, every key bit for bit, on
// generated files that reach every branch the proofs guard, and the share of joint-frames that
// fall back to the library path.

#include "formats/motion/bvh/KBvhPoseStream.h"

#include "formats/motion/bvh/KBvhFile.h"

#include "tests/formats/motion/MotionTestFiles.h"
#include "tests/formats/motion/bvh/BvhTestScene.h"
#include "tests/support/TestSequence.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

// The channel lists the generated joints take in turn: every order of three rotations, with and
// without positions (before or after them), and lists the quick path leaves to the library.
const char* const kChannelLists[] = {
    "6 Xposition Yposition Zposition Zrotation Xrotation Yrotation",
    "3 Xrotation Yrotation Zrotation",
    "3 Xrotation Zrotation Yrotation",
    "3 Yrotation Xrotation Zrotation",
    "3 Yrotation Zrotation Xrotation",
    "3 Zrotation Yrotation Xrotation",
    "6 Yrotation Xrotation Zrotation Zposition Xposition Yposition",
    "3 Zrotation Xrotation Yrotation",
    "2 Zrotation Xrotation",
    "3 Xrotation Xrotation Yrotation",
    "4 Xrotation Yrotation Zrotation Xrotation",
    "3 Xposition Yposition Zposition",
};
constexpr int kListCount = sizeof kChannelLists / sizeof kChannelLists[0];

int ChannelCount(int pJoint)
{
    return kChannelLists[pJoint % kListCount][0] - '0';
}

// Value pChannel of frame pFrame: the motion under test.
using Motion = std::function<double(int pFrame, int pChannel, TestSequence& ioRandom)>;

// A chain of pJoints joints taking the channel lists in turn, and pFrames frames of pMotion,
// printed with 17 digits (every double read back as it was).
std::string GeneratedBvh(int pJoints, int pFrames, const Motion& pMotion)
{
    std::string lText = "HIERARCHY\n";
    int lChannels = 0;
    for (int j = 0; j < pJoints; ++j) {
        lText += (j == 0 ? "ROOT j" : "JOINT j") + std::to_string(j) + "\n{\nOFFSET 1 2 3\n";
        lText += std::string("CHANNELS ") + kChannelLists[j % kListCount] + "\n";
        lChannels += ChannelCount(j);
    }
    lText += "End Site\n{\nOFFSET 0 1 0\n}\n";
    for (int j = 0; j < pJoints; ++j) {
        lText += "}\n";
    }
    lText += "MOTION\nFrames: " + std::to_string(pFrames) + "\nFrame Time: 0.04\n";
    TestSequence lRandom(36);
    char lValue[40];
    for (int f = 0; f < pFrames; ++f) {
        for (int c = 0; c < lChannels; ++c) {
            std::snprintf(lValue, sizeof lValue, "%.17g ", pMotion(f, c, lRandom));
            lText += lValue;
        }
        lText += "\n";
    }
    return lText;
}

struct Shares
{
    long long mQuick = 0;
    long long mFallbacks = 0;
};

// Puts every frame of the file through both streams and expects the same key bits.
Shares ExpectSameKeysIn(const std::string& pName, const std::string& pPath)
{
    KBvhFile lFile;
    EXPECT_TRUE(lFile.Open(pPath.c_str(), "r") && lFile.ReadHeader() && lFile.BeginFrames())
        << pName << ": " << lFile.GetLastError();
    const std::vector<KBvhPoseStream::Keyed> lKeyed = AllKeyed(lFile);
    KBvhPoseStream lLibrary(lFile, lKeyed, KBvhPoseStream::eLibraryAngles);
    KBvhPoseStream lQuick(lFile, lKeyed, KBvhPoseStream::eQuickAngles);
    const std::size_t lKeys = static_cast<std::size_t>(lFile.GetTotalChannelCount()) + 6 * 64;
    std::vector<float> lExpected(lKeys);
    std::vector<float> lGot(lKeys);
    for (int f = 0; f < lFile.GetFramesToRead(); ++f) {
        EXPECT_TRUE(lFile.ReadFrame()) << pName << ": " << lFile.GetLastError();
        int lJoint = -1;
        const bool lLibraryPut = lLibrary.Put(lExpected.data(), lJoint);
        EXPECT_EQ(lQuick.Put(lGot.data(), lJoint), lLibraryPut);
        const int lDifferent = std::memcmp(lExpected.data(), lGot.data(), lKeys * sizeof(float));
        EXPECT_EQ(lDifferent, 0) << pName << ": frame " << f;
        if (lDifferent != 0 || !lLibraryPut) {
            break;
        }
    }
    EXPECT_EQ(lLibrary.GetQuickCount(), 0);
    return Shares{lQuick.GetQuickCount(), lQuick.GetFallbackCount()};
}

Shares ExpectSameKeys(const std::string& pName, const std::string& pText)
{
    return ExpectSameKeysIn(pName, WriteTestFile(pName + ".bvh", pText));
}

double Smooth(int pFrame, int pChannel, TestSequence&)
{
    return 170.0 * std::sin(0.013 * pFrame * (1 + pChannel % 7) + pChannel);
}

TEST(KBvhPoseStream, QuickAnglesGiveTheLibraryKeysAndRarelyFallBack)
{
    const Shares lShares = ExpectSameKeys("smooth", GeneratedBvh(40, 400, Smooth));
    // Joints with three distinct rotation channels: 8 of every 12.
    EXPECT_GT(lShares.mQuick, 40 * 400 / 2);
    EXPECT_LT(lShares.mFallbacks * 200, lShares.mQuick);
    // Random walks through +-180, and the bench's kind of motion: short decimals.
    const Shares lWalk = ExpectSameKeys(
        "walk", GeneratedBvh(24, 600, [](int pFrame, int pChannel, TestSequence& ioRandom) {
            return std::remainder(pFrame * (3.7 + pChannel) + ioRandom.Between(-2.0, 2.0), 360.0);
        }));
    EXPECT_LT(lWalk.mFallbacks * 200, lWalk.mQuick);
    const Shares lDecimals = ExpectSameKeys(
        "decimals", GeneratedBvh(24, 600, [](int pFrame, int pChannel, TestSequence&) {
            return ((pFrame * 7 + pChannel * 13) % 3600) * 0.1 - 180.0;
        }));
    EXPECT_LT(lDecimals.mFallbacks * 200, lDecimals.mQuick);
}

// A capture: exact zeros on many channels, small angles, joints that turn about one axis.
TEST(KBvhPoseStream, TheSampleCaptureFallsBackRarely)
{
    const std::string lSample = std::string(RYV_SAMPLES_DIR) + "/bvh/01_01.bvh";
    if (!std::filesystem::exists(lSample)) {
        GTEST_SKIP() << "samples absent";
    }
    const Shares lShares = ExpectSameKeysIn("sample", lSample);
    EXPECT_GT(lShares.mQuick, 10000);
    EXPECT_LT(lShares.mFallbacks * 100, lShares.mQuick);
}

TEST(KBvhPoseStream, HardMotionsFallBackAndKeepTheLibraryKeys)
{
    struct Row
    {
        const char* mName;
        Motion mMotion;
    };
    const Row kRows[] = {
        // The middle channel at and near +-90 (gimbal lock), then smooth again.
        {"gimbal",
         [](int pFrame, int pChannel, TestSequence& ioRandom) {
             const double lNear[] = {0.0, 1e-12, -1e-9, 1e-6, 0.05};
             return pChannel % 3 == 1 ? (pFrame % 2 ? 90.0 : -90.0) + lNear[pFrame % 5]
                                      : ioRandom.Between(-180.0, 180.0);
         }},
        // Jumps of about half a turn between frames, some exact.
        {"jumps",
         [](int pFrame, int pChannel, TestSequence& ioRandom) {
             const double lNear[] = {0.0, 1e-13, -1e-11, 1e-7};
             return 20.0 + pChannel + (pFrame % 2) * 180.0 + lNear[(pFrame / 2) % 4] +
                    (pFrame % 3 == 0 ? 0.0 : ioRandom.Between(-1.0, 1.0));
         }},
        // Zeros of both signs, whole quarter turns and frames that repeat.
        {"zeros",
         [](int pFrame, int pChannel, TestSequence&) {
             const double lValues[] = {0.0, -0.0, 90.0, 180.0, -180.0, 1e-300, -5e-324, 270.0};
             return lValues[(pFrame / 2 + pChannel * 3) % 8];
         }},
        // Huge angles, beyond the quick sines' reach and within it.
        {"huge",
         [](int pFrame, int pChannel, TestSequence& ioRandom) {
             const double lScale[] = {1e30, -3.5e6, 999999.5, 1e6, 720.25, 1e-3};
             return lScale[(pFrame + pChannel) % 6] * ioRandom.Between(0.5, 1.0);
         }},
    };
    for (const Row& lRow : kRows) {
        const Shares lShares = ExpectSameKeys(lRow.mName, GeneratedBvh(24, 200, lRow.mMotion));
        EXPECT_GT(lShares.mFallbacks, 0) << lRow.mName;
        EXPECT_GT(lShares.mQuick, lShares.mFallbacks) << lRow.mName;
    }
}

} // namespace
