#include "formats/motion/bvh/KBvhFile.h"

#include "core/KMatrixFunctions.h"
#include "formats/motion/KMotionRotationOrder.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "formats/motion/bvh/KReaderBvh.h"

#include "tests/formats/motion/MotionTestFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

// Hips (6 channels, Z X Y), Chest (3 rotations Z X Y), Leg (3 positions only), two End Sites.
const char* const kSmall = "HIERARCHY\nROOT Hips\n{\n\tOFFSET 1 2 3\n"
                           "\tCHANNELS 6 Xposition Yposition Zposition Zrotation Xrotation "
                           "Yrotation\n\tJOINT Chest\n\t{\n\t\tOFFSET 0 5 0\n"
                           "\t\tCHANNELS 3 Zrotation Xrotation Yrotation\n\t\tEnd Site\n\t\t{\n"
                           "\t\t\tOFFSET 0 4 0\n\t\t}\n\t}\n\tJOINT Leg\n\t{\n\t\tOFFSET 1 -5 0\n"
                           "\t\tCHANNELS 3 Xposition Yposition Zposition\n\t\tEnd Site\n\t\t{\n"
                           "\t\t\tOFFSET 0 -4 0\n\t\t}\n\t}\n}\nMOTION\nFrames: 2\n"
                           "Frame Time: 0.0333333\n10 20 30 0 0 0 90 90 0 7 8 9\n"
                           "11 21 31 0 90 0 0 0 0 1 2 3\n";

std::string Replace(std::string pText, const std::string& pFrom, const std::string& pTo)
{
    const std::size_t lAt = pText.find(pFrom);
    EXPECT_NE(lAt, std::string::npos) << pFrom;
    if (lAt != std::string::npos) {
        pText.replace(lAt, pFrom.size(), pTo);
    }
    return pText;
}

// Opens, reads header and motion; answers whether all succeeded.
bool ReadAll(KBvhFile& pFile, const std::string& pName, const std::string& pContent)
{
    const std::string lPath = WriteTestFile(pName, pContent);
    return pFile.Open(lPath.c_str(), "r") && pFile.ReadHeader() && pFile.ReadMotion();
}

// Expects the read to fail with a message containing pWhat.
void ExpectFailure(const std::string& pName, const std::string& pContent, const std::string& pWhat)
{
    KBvhFile lFile;
    EXPECT_FALSE(ReadAll(lFile, pName, pContent)) << pName;
    EXPECT_NE(lFile.GetLastError().find(pWhat), std::string::npos)
        << pName << ": " << lFile.GetLastError();
}

KMatrix EulerMatrix(const KVector4& pEuler)
{
    KMatrix lM;
    EulerToMatrixXYZ(lM, pEuler[0], pEuler[1], pEuler[2]);
    return lM;
}

void ExpectSameMatrix(const KMatrix& pA, const KMatrix& pB, double pTolerance)
{
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(pA[r][c], pB[r][c], pTolerance) << r << "," << c;
        }
    }
}

} // namespace

TEST(KBvhFile, ReadsTheSmallFile)
{
    KBvhFile lFile;
    ASSERT_TRUE(ReadAll(lFile, "small.bvh", kSmall)) << lFile.GetLastError();
    ASSERT_EQ(lFile.GetJointCount(), 5);
    const char* const kNames[] = {"Hips", "Chest", "End", "Leg", "End"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(lFile.GetJoint(i)->mName, kNames[i]);
    }
    EXPECT_EQ(lFile.GetJoint(5), nullptr);
    EXPECT_EQ(lFile.GetJoint(-1), nullptr);
    const KBvhJoint& lHips = *lFile.GetJoint(0);
    EXPECT_EQ(lHips.mParent, -1);
    EXPECT_EQ(lHips.mChildren, (std::vector<int>{1, 3}));
    EXPECT_EQ(lHips.mChannelCount, 6);
    EXPECT_EQ(lHips.mChannels[3], KBvhJoint::eZrotation);
    EXPECT_EQ(lHips.mChannels[5], KBvhJoint::eYrotation);
    EXPECT_TRUE(lFile.GetJoint(2)->mEndSite);
    EXPECT_EQ(lFile.GetJoint(2)->mParent, 1);
    EXPECT_EQ(lFile.GetJoint(2)->mOffset[1], 4.0);
    EXPECT_EQ(lFile.GetJoint(3)->mFirstValue, 9);
    EXPECT_EQ(lFile.GetTotalChannelCount(), 12);
    EXPECT_EQ(lFile.GetFrameCount(), 2);
    EXPECT_EQ(lFile.GetFramesRead(), 2);
    EXPECT_EQ(lFile.GetFrameTime(), 0.0333333);
    EXPECT_EQ(lFile.GetFrameRate(), 30.0);
    ASSERT_NE(lFile.GetFrameValues(1), nullptr);
    EXPECT_EQ(lFile.GetFrameValues(1)[11], 3.0);
    EXPECT_EQ(lFile.GetFrameValues(2), nullptr);
}

TEST(KBvhFile, PosesFollowTheChannels)
{
    KBvhFile lFile;
    ASSERT_TRUE(ReadAll(lFile, "poses.bvh", kSmall)) << lFile.GetLastError();
    KVector4 lT, lR;
    // A 6-channel root: the channel values, its offset not added.
    ASSERT_TRUE(lFile.GetJointPose(0, 0, lT, lR));
    EXPECT_EQ(lT, KVector4(10, 20, 30));
    // Zrotation Xrotation Yrotation at 90 90 0: the joint's +Y lies along the parent's +Z.
    ASSERT_TRUE(lFile.GetJointPose(0, 1, lT, lR));
    EXPECT_EQ(lT, KVector4(0, 5, 0));
    const KMatrix lChest = EulerMatrix(lR);
    EXPECT_NEAR(lChest[1][0], 0.0, 1e-12);
    EXPECT_NEAR(lChest[1][1], 0.0, 1e-12);
    EXPECT_NEAR(lChest[1][2], 1.0, 1e-12);
    // Position channels only: the translation is replaced, no rotation.
    ASSERT_TRUE(lFile.GetJointPose(1, 3, lT, lR));
    EXPECT_EQ(lT, KVector4(1, 2, 3));
    EXPECT_EQ(lR, KVector4(0, 0, 0));
    ASSERT_TRUE(lFile.GetJointPose(1, 0, lT, lR));
    EXPECT_NEAR(lR[0], 90.0, 1e-9);
    EXPECT_NEAR(lR[1], 0.0, 1e-9);
    EXPECT_NEAR(lR[2], 0.0, 1e-9);
    EXPECT_FALSE(lFile.GetJointPose(0, 2, lT, lR));
    EXPECT_FALSE(lFile.GetJointPose(2, 0, lT, lR));
    EXPECT_FALSE(lFile.GetJointPose(0, 9, lT, lR));

    // A failed header read leaves no joints of the file read before.
    EXPECT_FALSE(ReadAll(lFile, "broken.bvh", Replace(kSmall, "JOINT Leg", "JOINT")));
    EXPECT_EQ(lFile.GetJointCount(), 0);
    EXPECT_EQ(lFile.GetFramesRead(), 0);
}

TEST(KBvhFile, FrameByFrameGivesWhatTheWholeMotionKeeps)
{
    KBvhFile lWhole;
    ASSERT_TRUE(ReadAll(lWhole, "whole.bvh", kSmall)) << lWhole.GetLastError();
    KBvhFile lFile;
    ASSERT_TRUE(lFile.Open(WriteTestFile("stream.bvh", kSmall).c_str(), "r"));
    ASSERT_TRUE(lFile.ReadHeader());
    EXPECT_FALSE(lFile.ReadFrame());
    ASSERT_TRUE(lFile.BeginFrames());
    EXPECT_EQ(lFile.GetCurrentValues(), nullptr);
    ASSERT_EQ(lFile.GetFramesToRead(), 2);
    for (int f = 0; f < 2; ++f) {
        EXPECT_EQ(lFile.GetProgress(f), 50.0f * static_cast<float>(f));
        ASSERT_TRUE(lFile.ReadFrame()) << lFile.GetLastError();
        EXPECT_EQ(lFile.GetFramesRead(), f + 1);
        for (int i = 0; i < lFile.GetTotalChannelCount(); ++i) {
            EXPECT_EQ(lFile.GetCurrentValues()[i], lWhole.GetFrameValues(f)[i]);
        }
        for (int j = 0; j < lFile.GetJointCount(); ++j) {
            KVector4 lT, lR, lWholeT, lWholeR;
            ASSERT_EQ(lFile.GetCurrentPose(j, lT, lR), lWhole.GetJointPose(f, j, lWholeT, lWholeR));
            EXPECT_EQ(lT, lWholeT);
            EXPECT_EQ(lR, lWholeR);
        }
        // All joints at once, End Sites aside, as one by one; with an End Site, nothing.
        std::vector<int> lJoints;
        for (int j = 0; j < lFile.GetJointCount(); ++j) {
            if (!lFile.GetJoint(j)->mEndSite) {
                lJoints.push_back(j);
            }
        }
        const int lCount = static_cast<int>(lJoints.size());
        std::vector<KMatrix> lScratch(lJoints.size());
        std::vector<KVector4> lTs(lJoints.size()), lRs(lJoints.size());
        ASSERT_TRUE(
            lFile.GetCurrentPoses(lJoints.data(), lCount, lScratch.data(), lTs.data(), lRs.data()));
        for (int i = 0; i < lCount; ++i) {
            KVector4 lT, lR;
            ASSERT_TRUE(lFile.GetCurrentPose(lJoints[static_cast<std::size_t>(i)], lT, lR));
            EXPECT_EQ(lTs[static_cast<std::size_t>(i)], lT);
            EXPECT_EQ(lRs[static_cast<std::size_t>(i)], lR);
        }
        const int lWithEnd[2] = {0, 2};
        KVector4 lT[2], lR[2] = {KVector4(7, 7, 7), KVector4(7, 7, 7)};
        EXPECT_FALSE(lFile.GetCurrentPoses(lWithEnd, 2, lScratch.data(), lT, lR));
        EXPECT_EQ(lR[0], KVector4(7, 7, 7));
        // Nothing is kept for the whole-motion queries.
        EXPECT_EQ(lFile.GetFrameValues(f), nullptr);
    }
    EXPECT_FALSE(lFile.ReadFrame());
    EXPECT_NE(lFile.GetLastError().find("no frame left to read after 2 frames"), std::string::npos);
    EXPECT_EQ(lFile.GetFramesRead(), 2);
}

TEST(KBvhFile, StorageIsSizedByWhatTheFileCanHold)
{
    KBvhFile lFile;
    std::string lText = Replace(kSmall, "Frames: 2", "Frames: 2000000000");
    ASSERT_TRUE(lFile.Open(WriteTestFile("claims.bvh", lText).c_str(), "r"));
    ASSERT_TRUE(lFile.ReadHeader());
    ASSERT_TRUE(lFile.BeginFrames());
    EXPECT_EQ(lFile.GetFramesToRead(), 2000000000);
    // Two frame lines of twelve values are left: at least 24 bytes a frame.
    EXPECT_GE(lFile.GetFramesThatFit(), 2);
    EXPECT_LE(lFile.GetFramesThatFit(), 3);
    KStreamOptionsMotion lOptions;
    lOptions.SetFrameCount(1);
    ASSERT_TRUE(lFile.Open(WriteTestFile("claims.bvh", lText).c_str(), "r"));
    ASSERT_TRUE(lFile.ReadHeader());
    ASSERT_TRUE(lFile.BeginFrames(&lOptions));
    EXPECT_EQ(lFile.GetFramesToRead(), 1);
    EXPECT_EQ(lFile.GetFramesThatFit(), 1);

    // Without channels a frame is still a line: a claim of two thousand million frames in a few
    // bytes sizes nothing by the claim.
    const std::string lNoChannels =
        "HIERARCHY\nROOT r\n{\nOFFSET 0 0 0\nCHANNELS 0\n}\nMOTION\nFrames: 2000000000\n"
        "Frame Time: 0.1\nx\nx\n";
    ASSERT_TRUE(lFile.Open(WriteTestFile("nochannels.bvh", lNoChannels).c_str(), "r"));
    ASSERT_TRUE(lFile.ReadHeader());
    ASSERT_TRUE(lFile.BeginFrames());
    EXPECT_LE(lFile.GetFramesThatFit(), 3);
}

TEST(KBvhFile, RealFileFromTheSamples)
{
    const std::string lPath = std::string(RYV_SAMPLES_DIR) + "/bvh/01_01.bvh";
    if (std::FILE* lProbe = std::fopen(lPath.c_str(), "rb")) {
        std::fclose(lProbe);
    } else {
        GTEST_SKIP() << "sample " << lPath << " not present";
    }
    KBvhFile lFile;
    ASSERT_TRUE(lFile.Open(lPath.c_str(), "r"));
    KStreamOptionsMotion lOptions;
    ASSERT_TRUE(lFile.ReadInfo(&lOptions)) << lFile.GetLastError();
    EXPECT_EQ(lOptions.GetFrameCount(), 2752);
    EXPECT_EQ(lOptions.GetFrameRate(), 120.0);
    EXPECT_EQ(lOptions.GetOption(KReaderBvh::kOptionKeepReference), 1);

    ASSERT_TRUE(lFile.ReadHeader()) << lFile.GetLastError();
    int lJoints = 0;
    int lEndSites = 0;
    for (int i = 0; i < lFile.GetJointCount(); ++i) {
        (lFile.GetJoint(i)->mEndSite ? lEndSites : lJoints) += 1;
    }
    EXPECT_EQ(lJoints, 31);
    EXPECT_EQ(lEndSites, 7);
    EXPECT_EQ(lFile.GetTotalChannelCount(), 96);
    EXPECT_EQ(lFile.GetFrameCount(), 2752);
    EXPECT_EQ(lFile.GetFrameTime(), 0.0083333);
    EXPECT_EQ(lFile.GetFrameRate(), 120.0);
    const KBvhJoint& lUpLeg = *lFile.GetJoint(2);
    EXPECT_EQ(lUpLeg.mName, "LeftUpLeg");
    EXPECT_EQ(lUpLeg.mOffset[0], 1.36306);
    EXPECT_EQ(lUpLeg.mOffset[1], -1.79463);
    EXPECT_EQ(lUpLeg.mOffset[2], 0.83929);
    EXPECT_EQ(lUpLeg.mFirstValue, 9);
    EXPECT_EQ(lFile.GetJoint(6)->mName, "End");
    EXPECT_EQ(lFile.GetJoint(6)->mOffset[2], 1.18966);

    ASSERT_TRUE(lFile.ReadMotion(&lOptions)) << lFile.GetLastError();
    ASSERT_EQ(lFile.GetFramesRead(), 2752);
    EXPECT_EQ(lFile.GetFrameValues(0)[0], 9.3722);
    EXPECT_EQ(lFile.GetFrameValues(0)[9], -17.0);
    EXPECT_EQ(lFile.GetFrameValues(2751)[95], -0.9244);

    KVector4 lT, lR;
    ASSERT_TRUE(lFile.GetJointPose(1000, 0, lT, lR));
    EXPECT_EQ(lT, KVector4(9.0373, 18.1429, 44.5038));
    // Zrotation Yrotation Xrotation, outermost Z, is the kit's X-then-Y-then-Z Euler as it stands.
    ASSERT_TRUE(lFile.GetJointPose(1000, 2, lT, lR));
    EXPECT_NEAR(lR[0], 1.2199, 1e-9);
    EXPECT_NEAR(lR[1], 1.3129, 1e-9);
    EXPECT_NEAR(lR[2], -9.6522, 1e-9);
    EXPECT_EQ(lT, KVector4(1.36306, -1.79463, 0.83929));
    // Angles past 180 come back as another Euler triple of the same rotation.
    ASSERT_TRUE(lFile.GetJointPose(2751, 0, lT, lR));
    EXPECT_EQ(lT, KVector4(8.8787, 17.8124, 38.5426));
    KMatrix lExpected;
    EulerToMatrixXYZ(lExpected, 178.136, -158.245, -186.922);
    ExpectSameMatrix(EulerMatrix(lR), lExpected, 1e-9);
    EXPECT_TRUE(lFile.Close());
}

TEST(KBvhFile, LineEndingsAndKeywordCase)
{
    std::string lCrLf;
    for (const char* lPos = kSmall; *lPos; ++lPos) {
        lCrLf += *lPos == '\n' ? std::string("\r\n") : std::string(1, *lPos);
    }
    KBvhFile lFile;
    ASSERT_TRUE(ReadAll(lFile, "crlf.bvh", lCrLf)) << lFile.GetLastError();
    EXPECT_EQ(lFile.GetFrameValues(1)[11], 3.0);
    EXPECT_EQ(lFile.GetJoint(0)->mName, "Hips");

    std::string lLoneCr = lCrLf;
    for (std::size_t lAt; (lAt = lLoneCr.find("\r\n")) != std::string::npos;) {
        lLoneCr.erase(lAt + 1, 1);
    }
    ASSERT_TRUE(ReadAll(lFile, "cr.bvh", lLoneCr)) << lFile.GetLastError();
    EXPECT_EQ(lFile.GetFramesRead(), 2);

    // Keywords match as case-insensitive prefixes; blank lines are skipped.
    std::string lLoose = Replace(kSmall, "HIERARCHY\n", "hierarchy\n\n   \n");
    lLoose = Replace(lLoose, "ROOT Hips", "ROOTS Hips");
    ASSERT_TRUE(ReadAll(lFile, "loose.bvh", lLoose)) << lFile.GetLastError();
    EXPECT_EQ(lFile.GetJoint(0)->mName, "S");
}

TEST(KBvhFile, MotionHeaderRates)
{
    KBvhFile lFile;
    ASSERT_TRUE(
        ReadAll(lFile, "rate25.bvh", Replace(kSmall, "Frame Time: 0.0333333", "Frame Time: 0.04")));
    EXPECT_EQ(lFile.GetFrameRate(), 25.0);

    // Negative counts read as 0 frames.
    ASSERT_TRUE(ReadAll(lFile, "negative.bvh", Replace(kSmall, "Frames: 2", "Frames: -5")));
    EXPECT_EQ(lFile.GetFrameCount(), 0);
    EXPECT_EQ(lFile.GetFramesRead(), 0);

    // A frame time of 0 or 1e-300 gives no rate; with options it takes theirs.
    for (const char* lTime : {"Frame Time: 0", "Frame Time: 1e-300", "Frame Time: -1"}) {
        const std::string lPath =
            WriteTestFile("tiny.bvh", Replace(kSmall, "Frame Time: 0.0333333", lTime));
        ASSERT_TRUE(lFile.Open(lPath.c_str(), "r"));
        ASSERT_TRUE(lFile.ReadHeader()) << lTime;
        EXPECT_EQ(lFile.GetFrameRate(), 0.0) << lTime;
        KStreamOptionsMotion lOptions;
        lOptions.SetTimeMode(0, 50.0);
        ASSERT_TRUE(lFile.ReadInfo(&lOptions));
        EXPECT_EQ(lOptions.GetFrameRate(), 50.0);
        EXPECT_EQ(lFile.GetFrameTime(), 0.02);
        EXPECT_EQ(lOptions.GetFrameCount(), 2);
    }

    // The options' smaller frame count limits the frames read.
    const std::string lPath = WriteTestFile("limit.bvh", kSmall);
    ASSERT_TRUE(lFile.Open(lPath.c_str(), "r"));
    ASSERT_TRUE(lFile.ReadHeader());
    KStreamOptionsMotion lOptions;
    lOptions.SetFrameCount(1);
    int lCalls = 0;
    lOptions.SetProgressCallback([&](const char* pText, float pPercent) {
        EXPECT_STREQ(pText, "Reading BVH nodes");
        EXPECT_EQ(pPercent, 0.0f);
        ++lCalls;
    });
    ASSERT_TRUE(lFile.ReadMotion(&lOptions));
    EXPECT_EQ(lFile.GetFramesRead(), 1);
    EXPECT_EQ(lCalls, 1);
    // The motion block is read once per header.
    EXPECT_FALSE(lFile.ReadMotion());
}

TEST(KBvhFile, MalformedHierarchies)
{
    ExpectFailure("channels7.bvh",
                  Replace(kSmall, "CHANNELS 3 Zrotation Xrotation Yrotation",
                          "CHANNELS 7 Zrotation Xrotation Yrotation Xrotation Yrotation "
                          "Zrotation Xrotation"),
                  "CHANNELS count 7 outside 0 to 6");
    ExpectFailure("channelsneg.bvh",
                  Replace(kSmall, "CHANNELS 3 Zrotation Xrotation Yrotation", "CHANNELS -1"),
                  "CHANNELS count -1 outside 0 to 6");
    ExpectFailure("channelsfew.bvh",
                  Replace(kSmall, "CHANNELS 3 Zrotation Xrotation Yrotation",
                          "CHANNELS 3 Zrotation Xrotation"),
                  "3 channel names expected, found 2");
    ExpectFailure("channelname.bvh", Replace(kSmall, "Xrotation Yrotation\n", "Xrotation Wobble\n"),
                  "unknown channel \"Wobble\"");
    ExpectFailure("nojoint.bvh", Replace(kSmall, "JOINT Chest", "BONE Chest"),
                  "unexpected \"BONE\" in \"Hips\"");
    ExpectFailure("badoffset.bvh", Replace(kSmall, "OFFSET 0 5 0", "OFFSET 0 5,0 0"),
                  "bad OFFSET in \"Chest\"");
    ExpectFailure("noroot.bvh", Replace(kSmall, "ROOT Hips", "JOINT Hips"), "expected ROOT");
    ExpectFailure("noname.bvh", Replace(kSmall, "ROOT Hips", "ROOT"), "missing joint name");
    ExpectFailure("nomotion.bvh", std::string(kSmall).substr(0, std::string(kSmall).find("MOTION")),
                  "no MOTION block");
    ExpectFailure("empty.bvh", "", "the file is empty");
    ExpectFailure("motiononly.bvh", "MOTION\nFrames: 1\nFrame Time: 1\n1\n", "MOTION without");
    ExpectFailure("badframes.bvh", Replace(kSmall, "Frames: 2", "Frames: 99999999999"),
                  "bad frame count \"99999999999\"");
    ExpectFailure("badtime.bvh", Replace(kSmall, "Frame Time: 0.0333333", "Frame Time: fast"),
                  "bad frame time");

    const std::string lMax(KBvhFile::kMaxNameLength, 'n');
    KBvhFile lFile;
    EXPECT_TRUE(ReadAll(lFile, "name127.bvh", Replace(kSmall, "Chest", lMax)));
    ExpectFailure("name128.bvh", Replace(kSmall, "Chest", lMax + "n"),
                  "joint name longer than 127 characters");
    // The kit's writer puts the node prefix in front of every name it was given.
    EXPECT_TRUE(ReadAll(lFile, "prefixed127.bvh", Replace(kSmall, "Chest", "Model::" + lMax)));
    ExpectFailure("prefixed128.bvh", Replace(kSmall, "Chest", "Model::" + lMax + "n"),
                  "joint name longer than 127 characters");
}

TEST(KBvhFile, NestingIsCapped)
{
    auto lNested = [](int pDepth) {
        std::string lText = "HIERARCHY\nROOT r\n{\nOFFSET 0 0 0\nCHANNELS 0\n";
        for (int i = 0; i < pDepth; ++i) {
            lText += "JOINT j\n{\nOFFSET 0 1 0\nCHANNELS 0\n";
        }
        lText += std::string(static_cast<std::size_t>(pDepth) + 1, '}');
        std::string lClosed;
        for (char lChar : lText) {
            lClosed += lChar;
            if (lChar == '}') {
                lClosed += '\n';
            }
        }
        return lClosed + "MOTION\nFrames: 0\nFrame Time: 0.1\n";
    };
    KBvhFile lFile;
    EXPECT_TRUE(ReadAll(lFile, "deep1000.bvh", lNested(KBvhFile::kMaxDepth)))
        << lFile.GetLastError();
    EXPECT_EQ(lFile.GetJointCount(), KBvhFile::kMaxDepth + 1);
    ExpectFailure("deep10000.bvh", lNested(10000), "joints nested deeper than 1000 levels");
}

TEST(KBvhFile, MalformedMotion)
{
    KBvhFile lFile;
    EXPECT_FALSE(
        ReadAll(lFile, "short.bvh", Replace(kSmall, "11 21 31 0 90 0 0 0 0 1 2 3", "11 21 31")));
    EXPECT_EQ(lFile.GetLastError(), "ryv_motion_short.bvh:29: expected 12 numbers, found 3");
    // Only whole frames stay.
    EXPECT_EQ(lFile.GetFramesRead(), 1);
    EXPECT_EQ(lFile.GetFrameValues(1), nullptr);

    EXPECT_FALSE(ReadAll(lFile, "truncated.bvh", Replace(kSmall, "Frames: 2", "Frames: 5")));
    EXPECT_EQ(lFile.GetLastError(),
              "ryv_motion_truncated.bvh:29: the motion block ends after 2 of 5 frames");
    EXPECT_EQ(lFile.GetFramesRead(), 2);

    for (const char* lBad : {"1.2.3", "abc", "1e999", "nan", "0x1F", "7-", "1,5"}) {
        ExpectFailure("badnumber.bvh", Replace(kSmall, "7 8 9", std::string("7 ") + lBad + " 9"),
                      std::string("ryv_motion_badnumber.bvh:28: bad number \"") + lBad + "\"");
    }
    ExpectFailure("infinite.bvh", Replace(kSmall, "0 0 0 1 2 3\n", "0 0 0 1 2 inf\n"),
                  "non-finite value in frame 2");

    // Extra values are ignored with a warning.
    std::vector<std::string> lWarnings;
    KBvhFile lReporting(true);
    lReporting.SetWarningHook([&](const char* pText) { lWarnings.push_back(pText); });
    EXPECT_TRUE(ReadAll(lReporting, "extra.bvh", Replace(kSmall, "7 8 9", "7 8 9 10")));
    EXPECT_EQ(lWarnings.size(), 1u);
}

TEST(KBvhFile, HostileSizes)
{
    ExpectFailure("zeros.bvh", std::string(4096, '\0'), "holds binary data, not text");
    // Two thousand million frames announced, three lines there: fails without reserving them.
    KBvhFile lFile;
    std::string lText = Replace(kSmall, "Frames: 2", "Frames: 2000000000");
    lText += "1 2 3 4 5 6 7 8 9 10 11 12\n";
    EXPECT_FALSE(ReadAll(lFile, "enormous.bvh", lText));
    EXPECT_NE(lFile.GetLastError().find("ends after 3 of 2000000000 frames"), std::string::npos);
    EXPECT_EQ(lFile.GetFramesRead(), 3);
}

TEST(KBvhFile, WriteReadRoundTrip)
{
    const std::string lPath = MotionTestPath("roundtrip.bvh");
    std::mt19937 lRandom(5);
    std::uniform_real_distribution<double> lAngle(-180.0, 180.0);
    std::uniform_real_distribution<double> lLength(-50.0, 50.0);
    const int kFrames = 20;
    // Kit rotation matrices per frame and joint, to compare after reading.
    std::vector<KMatrix> lRotations;
    std::vector<KVector4> lRootTranslations;
    const int lZxy[3] = {2, 0, 1};
    {
        KBvhFile lFile;
        ASSERT_TRUE(lFile.Open(lPath.c_str(), "w"));
        ASSERT_TRUE(
            lFile.WriteJointHeader("Model::Root", true, KVector4(1e-6, -0.0, 3.5), 0, true, true));
        ASSERT_TRUE(lFile.WriteJointHeader("Spine", false, KVector4(0, 10, 0), 1, true, true));
        ASSERT_TRUE(lFile.WriteEndSite(KVector4(0, 4.25, 0), 2));
        ASSERT_TRUE(lFile.WriteJointEnd(1));
        ASSERT_TRUE(lFile.WriteJointEnd(0));
        ASSERT_TRUE(lFile.WriteMotionHeader(kFrames, 1.0 / 30.0));
        for (int f = 0; f < kFrames; ++f) {
            KVector4 lTranslation(lLength(lRandom), lLength(lRandom), lLength(lRandom));
            lRootTranslations.push_back(lTranslation);
            for (int lJoint = 0; lJoint < 2; ++lJoint) {
                KMatrix lM;
                double lX = lAngle(lRandom);
                if (f == 3) {
                    lX = 90.0;
                }
                EulerToMatrixXYZ(lM, lX, lAngle(lRandom) / 2.0, lAngle(lRandom));
                double lChannels[3];
                ASSERT_TRUE(KMotionRotationOrder::MatrixToAngles(
                    lChannels, lM, lZxy, KMotionRotationOrder::eFirstOutermost));
                // Printed z, y, x: the header's Zrotation Xrotation Yrotation.
                const KVector4 lPrinted(lChannels[2], lChannels[1], lChannels[0]);
                ASSERT_TRUE(lFile.WriteJointFrame(lJoint == 0, lTranslation, lPrinted, true));
                lRotations.push_back(lM);
            }
            ASSERT_TRUE(lFile.WriteFrameEnd());
        }
        ASSERT_TRUE(lFile.Close());
    }
    const std::string lText = ReadTestFile(lPath);
    EXPECT_EQ(lText.find('\r'), std::string::npos);
    const std::string lHead = "HIERARCHY\nROOT Model::Root\n{\n  OFFSET 0 0 3.5\n  CHANNELS 6 "
                              "Xposition Yposition Zposition Zrotation Xrotation Yrotation\n";
    EXPECT_EQ(lText.substr(0, lHead.size()), lHead);
    EXPECT_NE(lText.find("  JOINT Spine\n  {\n    OFFSET 0 10 0\n    CHANNELS 3 Zrotation "
                         "Xrotation Yrotation\n    End Site\n    {\n      OFFSET 0 4.25 0\n    "
                         "}\n  }\n}\nMOTION\nFrames:\t20\nFrame Time:\t0.0333333\n"),
              std::string::npos);

    KBvhFile lFile;
    ASSERT_TRUE(lFile.Open(lPath.c_str(), "r"));
    ASSERT_TRUE(lFile.ReadHeader()) << lFile.GetLastError();
    ASSERT_TRUE(lFile.ReadMotion()) << lFile.GetLastError();
    EXPECT_EQ(lFile.GetFrameRate(), 30.0);
    ASSERT_EQ(lFile.GetFramesRead(), kFrames);
    ASSERT_EQ(lFile.GetJointCount(), 3);
    EXPECT_EQ(lFile.GetJoint(0)->mName, "Model::Root");
    for (int f = 0; f < kFrames; ++f) {
        KVector4 lT, lR;
        ASSERT_TRUE(lFile.GetJointPose(f, 0, lT, lR));
        for (int i = 0; i < 3; ++i) {
            // Six significant digits of "%g".
            EXPECT_NEAR(lT[i], lRootTranslations[static_cast<std::size_t>(f)][i], 5e-4);
        }
        for (int lJoint = 0; lJoint < 2; ++lJoint) {
            ASSERT_TRUE(lFile.GetJointPose(f, lJoint, lT, lR));
            ExpectSameMatrix(EulerMatrix(lR), lRotations[static_cast<std::size_t>(2 * f + lJoint)],
                             2e-5);
        }
    }
}

TEST(KBvhFile, WritesRefuseWhatCannotBeRead)
{
    const double lNan = std::numeric_limits<double>::quiet_NaN();
    const std::string lPath = MotionTestPath("refused.bvh");
    KBvhFile lFile;
    ASSERT_TRUE(lFile.Open(lPath.c_str(), "w"));
    EXPECT_FALSE(lFile.WriteJointHeader("has space", true, KVector4(), 0, true, true));
    EXPECT_FALSE(lFile.WriteJointHeader("", true, KVector4(), 0, true, true));
    EXPECT_FALSE(lFile.WriteJointHeader("cr\r", true, KVector4(), 0, true, true));
    EXPECT_FALSE(lFile.WriteJointHeader(nullptr, true, KVector4(), 0, true, true));
    EXPECT_FALSE(
        lFile.WriteJointHeader(std::string(128, 'a').c_str(), true, KVector4(), 0, true, true));
    EXPECT_FALSE(lFile.WriteJointHeader("Root", true, KVector4(lNan, 0, 0), 0, true, true));
    EXPECT_FALSE(lFile.WriteEndSite(KVector4(0, HUGE_VAL, 0), 1));
    EXPECT_FALSE(lFile.WriteMotionHeader(-1, 0.1));
    EXPECT_FALSE(lFile.WriteMotionHeader(1, lNan));
    EXPECT_FALSE(lFile.WriteJointFrame(true, KVector4(0, 0, HUGE_VAL), KVector4(), true));
    EXPECT_FALSE(lFile.WriteJointFrame(false, KVector4(), KVector4(lNan, 0, 0), true));
    EXPECT_NE(lFile.GetLastError().find("non-finite value in frame 1"), std::string::npos);
    // A 3-channel joint writes no translation, so a bad one does not matter.
    EXPECT_TRUE(lFile.WriteJointFrame(false, KVector4(lNan, 0, 0), KVector4(-0.0, 0, 1), true));
    EXPECT_TRUE(lFile.WriteFrameEnd());
    EXPECT_TRUE(lFile.Close());
    EXPECT_EQ(ReadTestFile(lPath), "1 0 0 \n");

    KBvhFile lFull;
    if (!lFull.Open("/dev/full", "w")) {
        GTEST_SKIP() << "/dev/full is not available";
    }
    EXPECT_TRUE(lFull.WriteMotionHeader(0, 0.1));
    EXPECT_FALSE(lFull.Close());
}
