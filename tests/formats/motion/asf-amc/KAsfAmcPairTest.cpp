// The ASF and AMC readers and writers as a pair: real files against a reference evaluation,
// round trips through the writers, and what the pair does with takes, names and options.
#include "AsfAmcTestSupport.h"

#include "core/KOutputFile.h"
#include "core/KOutputGroup.h"
#include "formats/motion/asf-amc/KRyvAsfScene.h"
#include "io/KFileFormatRegistry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace {

using asfref::Bone;
using asfref::Skeleton;

std::string SamplePath(const char* pName)
{
    return std::string(RYV_SAMPLES_DIR) + "/asf-amc/" + pName;
}

// The left leg of the sample, bone by bone as its ASF file gives it, and its values at frames
// 1 and 100 of its AMC file. lhipjoint has no DOFs and merges into lfemur on reading, which
// must not move anything.
Skeleton LambadaLeftLeg()
{
    Skeleton lLeg;
    lLeg.mLengthUnit = 0.45;
    lLeg.mBones = {
        {"root", -1, {0, 0, 0}, 0.0, {0, 0, 0}, "XYZ", {"TX", "TY", "TZ", "RX", "RY", "RZ"}},
        {"lhipjoint", 0, {0.643272, -0.706573, 0.294883}, 2.58915, {0, 0, 0}, "XYZ", {}},
        {"lfemur", 1, {0.34202, -0.939693, 0}, 7.06802, {0, 0, 20}, "XYZ", {"rx", "ry", "rz"}},
        {"ltibia", 2, {0.34202, -0.939693, 0}, 7.94147, {0, 0, 20}, "XYZ", {"rx"}},
        {"lfoot",
         3,
         {0.0435058, -0.119531, 0.991877},
         1.8399,
         {-90, 7.62852e-016, 20},
         "XYZ",
         {"rx", "rz"}},
        {"ltoes",
         4,
         {1.53505e-011, -4.22157e-011, 1},
         0.934412,
         {-90, 7.62852e-016, 20},
         "XYZ",
         {"rx"}},
    };
    lLeg.mFrames = {
        {{2.9604, 17.2554, -27.07, 2.51125, -3.13644, -5.95572},
         {},
         {-20.4413, -1.07232, -13.9895},
         {43.2823},
         {-23.0896, 3.36516},
         {-24.2879}},
        {{1.53649, 17.5086, -25.2532, 2.61398, 5.54927, -6.90979},
         {},
         {-21.6951, -3.95893, -10.627},
         {39.1478},
         {-21.1699, -1.29774},
         {-25.4182}},
    };
    return lLeg;
}

TEST(AsfAmcPair, SampleFilesReadToTheReferencePositions)
{
    if (!std::filesystem::exists(SamplePath("lambada.asf"))) {
        GTEST_SKIP() << "no sample folder";
    }
    AsfAmcScene lTest;
    ASSERT_TRUE(lTest.ReadAsf(SamplePath("lambada.asf"), true)) << lTest.mError;
    auto* lSkeleton = dynamic_cast<KRyvAsfScene*>(lTest.AsfOptions()->GetAttachedObject());
    ASSERT_NE(lSkeleton, nullptr);
    EXPECT_EQ(lSkeleton->GetBoneCount(), 31); // the root and 30 bones
    EXPECT_EQ(lSkeleton->GetSkeletonName(), "VICON");

    AsfAmcScene lMerged;
    ASSERT_TRUE(lMerged.ReadAsf(SamplePath("lambada.asf"))) << lMerged.mError;
    ASSERT_TRUE(lMerged.ReadAmc(SamplePath("lambada.amc"))) << lMerged.mError;
    EXPECT_EQ(lMerged.AmcOptions()->GetFrameCount(), 2180);
    EXPECT_EQ(lMerged.Find("lhipjoint"), nullptr);
    ASSERT_NE(lMerged.Find("VICON:reference"), nullptr);
    EXPECT_STREQ(lMerged.mScene->GetCurrentTakeName(), "lambada");

    const Skeleton lLeg = LambadaLeftLeg();
    const int lFrames[2] = {0, 99};
    for (int f = 0; f < 2; ++f) {
        const asfref::Pose lPose = asfref::Evaluate(lLeg, f);
        const char* const kNodes[5] = {"root", "lfemur", "ltibia", "lfoot", "ltoes"};
        const std::size_t kBones[5] = {0, 2, 3, 4, 5};
        for (int n = 0; n < 5; ++n) {
            const asfref::Vec3 lKit = lMerged.WorldAt(kNodes[n], lFrames[f]);
            EXPECT_LT(Distance(lKit, lPose.mStarts[kBones[n]]), 1e-3)
                << kNodes[n] << " at frame " << lFrames[f] + 1;
        }
        EXPECT_LT(Distance(lMerged.WorldAt("ltoes_End", lFrames[f]), lPose.mEnds[5]), 1e-3);
    }
}

// A skeleton with every axis word and every order of three rotation DOFs, translation DOFs on
// bones, a bone without DOFs and a length unit other than 1; random frames.
Skeleton GeneratedSkeleton(unsigned pSeed)
{
    std::mt19937 lRandom(pSeed);
    std::uniform_real_distribution<double> lAngle(-80.0, 80.0);
    std::uniform_real_distribution<double> lShift(-2.0, 2.0);
    std::uniform_real_distribution<double> lLength(1.0, 4.0);
    Skeleton lSkeleton;
    lSkeleton.mLengthUnit = 0.45;
    lSkeleton.mBones = {
        {"root", -1, {0, 0, 0}, 0.0, {0, 0, 0}, "xyz", {"tx", "ty", "tz", "rx", "ry", "rz"}},
        {"hip", 0, {0.2, -1, 0.1}, 0, {10, 20, 30}, "zyx", {}},
        {"spine", 1, {0, 1, 0}, 0, {0, 0, 0}, "xyz", {"rx", "ry", "rz"}},
        {"chest", 2, {0.3, 1, 0}, 0, {0, 0, 0}, "xzy", {"rz", "ry", "rx"}},
        {"neck", 3, {0, 1, 0.4}, 0, {0, 0, 0}, "yzx", {"ry", "rz", "rx"}},
        {"head", 4, {0.1, 1, 0}, 0, {0, 0, 0}, "yxz", {"rz", "rx", "ry"}},
        {"arm", 3, {1, 0.2, 0}, 0, {0, 0, 0}, "zxy", {"rx", "rz", "ry"}},
        {"hand", 6, {1, 0, -0.3}, 0, {0, 0, 0}, "zyx", {"ry", "rx", "rz"}},
        {"leg", 0, {0, -1, 0.2}, 0, {0, 0, 0}, "XZY", {"tz", "rx", "ty"}},
        {"foot", 8, {0.1, -0.2, 1}, 0, {0, 0, 0}, "ZXY", {"ry", "rz"}},
    };
    for (std::size_t b = 1; b < lSkeleton.mBones.size(); ++b) {
        Bone& lBone = lSkeleton.mBones[b];
        const double lNorm = std::sqrt(lBone.mDirection[0] * lBone.mDirection[0] +
                                       lBone.mDirection[1] * lBone.mDirection[1] +
                                       lBone.mDirection[2] * lBone.mDirection[2]);
        for (double& lValue : lBone.mDirection) {
            lValue /= lNorm;
        }
        lBone.mLength = lLength(lRandom);
        if (b > 1) {
            lBone.mAxis = {lAngle(lRandom), lAngle(lRandom), lAngle(lRandom)};
        }
    }
    for (int f = 0; f < 5; ++f) {
        std::vector<std::vector<double>> lFrame;
        for (const Bone& lBone : lSkeleton.mBones) {
            std::vector<double> lValues;
            for (const std::string& lDof : lBone.mDofs) {
                lValues.push_back((lDof[0] | 0x20) == 't' ? lShift(lRandom) : lAngle(lRandom));
            }
            lFrame.push_back(lValues);
        }
        lSkeleton.mFrames.push_back(lFrame);
    }
    return lSkeleton;
}

TEST(AsfAmcPair, GeneratedSkeletonReadsToTheReferenceAndRoundTrips)
{
    const Skeleton lSkeleton = GeneratedSkeleton(7);
    const std::string lAsf = WriteTestFile("gen.asf", asfref::ToAsf(lSkeleton));
    const std::string lAmc = WriteTestFile("gen.amc", asfref::ToAmc(lSkeleton));
    AsfAmcScene lRead;
    ASSERT_TRUE(lRead.ReadAsf(lAsf)) << lRead.mError;
    ASSERT_TRUE(lRead.ReadAmc(lAmc)) << lRead.mError;
    ASSERT_TRUE(lRead.WritePair(MotionTestPath("again.asf"), MotionTestPath("again.amc"), true))
        << lRead.mError;
    AsfAmcScene lAgain;
    ASSERT_TRUE(lAgain.ReadAsf(MotionTestPath("again.asf"))) << lAgain.mError;
    ASSERT_TRUE(lAgain.ReadAmc(MotionTestPath("again.amc"))) << lAgain.mError;

    // The skeleton spans about 40 cm; positions agree within 1e-4 of that.
    const double kTolerance = 4e-3;
    for (int f = 0; f < 5; ++f) {
        const asfref::Pose lPose = asfref::Evaluate(lSkeleton, f);
        for (std::size_t b = 0; b < lSkeleton.mBones.size(); ++b) {
            const char* lName = lSkeleton.mBones[b].mName.c_str();
            if (b == 1) {
                continue; // merged into its children
            }
            EXPECT_LT(Distance(lRead.WorldAt(lName, f), lPose.mStarts[b]), kTolerance)
                << lName << " frame " << f;
            EXPECT_LT(Distance(lAgain.WorldAt(lName, f), lPose.mStarts[b]), kTolerance)
                << lName << " frame " << f << " after the round trip";
        }
        for (const char* lEnd : {"head_End", "hand_End", "foot_End"}) {
            EXPECT_LT(Distance(lAgain.WorldAt(lEnd, f), lRead.WorldAt(lEnd, f)), kTolerance)
                << lEnd;
        }
    }
}

// Reads a pair and writes it again; false with the error in oError.
bool RewritePair(const std::string& pAsf, const std::string& pAmc, const std::string& pOutAsf,
                 const std::string& pOutAmc, bool pTranslationDofs, std::string& oError)
{
    AsfAmcScene lScene;
    const bool lDone = lScene.ReadAsf(pAsf) && lScene.ReadAmc(pAmc) &&
                       lScene.WritePair(pOutAsf, pOutAmc, pTranslationDofs);
    oError = lScene.mError;
    return lDone;
}

TEST(AsfAmcPair, ItsOwnOutputIsAFixedPoint)
{
    // A pair the writers made reads back and writes out byte for byte the same: components near
    // zero next to large ones must not print float noise that changes on every pass. The first
    // pass re-expresses the source's motion in bone axes rounded to print precision, which can
    // move values below the precision of the scene's keys; the second pass is settled.
    std::vector<std::pair<std::string, std::string>> lSources;
    const Skeleton lSkeleton = GeneratedSkeleton(13);
    lSources.emplace_back(WriteTestFile("fixed.asf", asfref::ToAsf(lSkeleton)),
                          WriteTestFile("fixed.amc", asfref::ToAmc(lSkeleton)));
    if (std::filesystem::exists(SamplePath("lambada.asf"))) {
        lSources.emplace_back(SamplePath("lambada.asf"), SamplePath("lambada.amc"));
    }
    const std::string lPaths[3][2] = {
        {MotionTestPath("fixed_1.asf"), MotionTestPath("fixed_1.amc")},
        {MotionTestPath("fixed_2.asf"), MotionTestPath("fixed_2.amc")},
        {MotionTestPath("fixed_3.asf"), MotionTestPath("fixed_3.amc")},
    };
    for (const auto& [lAsf, lAmc] : lSources) {
        for (const bool lTranslationDofs : {false, true}) {
            std::string lError;
            std::string lFrom[2] = {lAsf, lAmc};
            for (const auto& lTo : lPaths) {
                ASSERT_TRUE(
                    RewritePair(lFrom[0], lFrom[1], lTo[0], lTo[1], lTranslationDofs, lError))
                    << lError;
                lFrom[0] = lTo[0];
                lFrom[1] = lTo[1];
            }
            for (int i = 0; i < 2; ++i) {
                EXPECT_EQ(ReadTestFile(lPaths[2][i]), ReadTestFile(lPaths[1][i]))
                    << lAsf << (lTranslationDofs ? " with translation DOFs" : "");
            }
        }
    }
}

TEST(AsfAmcPair, ScaledReferenceNodeIsWrittenIntoTheSkeleton)
{
    const Skeleton lSkeleton = GeneratedSkeleton(11);
    AsfAmcScene lRead;
    ASSERT_TRUE(lRead.ReadAsf(WriteTestFile("scaled.asf", asfref::ToAsf(lSkeleton))));
    ASSERT_TRUE(lRead.ReadAmc(WriteTestFile("scaled.amc", asfref::ToAmc(lSkeleton))));
    KRyvNode* lReference = lRead.Find("test:reference");
    ASSERT_NE(lReference, nullptr);
    lReference->SetLclTranslation(KVector4(5, -1, 2));
    lReference->SetLclRotation(KVector4(0, 30, 10));
    lReference->SetLclScaling(KVector4(2, 2, 2));
    ASSERT_TRUE(lRead.WritePair(MotionTestPath("scaled_out.asf"), MotionTestPath("scaled_out.amc"),
                                true, true))
        << lRead.mError;
    AsfAmcScene lAgain;
    ASSERT_TRUE(lAgain.ReadAsf(MotionTestPath("scaled_out.asf"))) << lAgain.mError;
    ASSERT_TRUE(lAgain.ReadAmc(MotionTestPath("scaled_out.amc"))) << lAgain.mError;
    // The new reference node is the identity: the old one's transform is in the bones now.
    for (int f = 0; f < 5; ++f) {
        for (const char* lName : {"root", "chest", "head_End", "hand_End", "foot"}) {
            EXPECT_LT(Distance(lAgain.WorldAt(lName, f), lRead.WorldAt(lName, f)), 8e-3)
                << lName << " frame " << f;
        }
    }
}

TEST(AsfAmcPair, LargeAnglesTurnAlikeWithAndWithoutRestTurns)
{
    // "same" keeps its parent's axes, so its DOF angles are its keys as they stand; "turned"
    // has axes of its own and goes through the matrices. Both must land where the reference
    // puts them, angles past 90 degrees included.
    Skeleton lSkeleton;
    lSkeleton.mBones = {
        {"root", -1, {0, 0, 0}, 0.0, {0, 0, 0}, "xyz", {"tx", "ty", "tz", "rx", "ry", "rz"}},
        {"base", 0, {0, 1, 0}, 2.0, {0, 0, 30}, "xyz", {"rx", "ry", "rz"}},
        {"same", 1, {1, 0, 0}, 3.0, {0, 0, 30}, "xyz", {"rx", "ry", "rz"}},
        {"turned", 1, {0, 0, 1}, 3.0, {40, -20, 10}, "xyz", {"rx", "ry", "rz"}},
    };
    lSkeleton.mFrames = {
        {{1, 2, 3, 10, 20, 30}, {170, 120, -150}, {170, 120, -150}, {-100, 95, 179}},
        {{0, 0, 0, 0, 0, 0}, {-179, -91, 100}, {200, -300, 45}, {135, -135, 90}},
    };
    AsfAmcScene lTest;
    ASSERT_TRUE(lTest.ReadAsf(WriteTestFile("large.asf", asfref::ToAsf(lSkeleton))));
    ASSERT_TRUE(lTest.ReadAmc(WriteTestFile("large.amc", asfref::ToAmc(lSkeleton))))
        << lTest.mError;
    for (int f = 0; f < 2; ++f) {
        const asfref::Pose lPose = asfref::Evaluate(lSkeleton, f);
        EXPECT_LT(Distance(lTest.WorldAt("same_End", f), lPose.mEnds[2]), 1e-3) << f;
        EXPECT_LT(Distance(lTest.WorldAt("turned_End", f), lPose.mEnds[3]), 1e-3) << f;
    }
}

TEST(AsfAmcPair, HalfTurnsPrintTheSameOnEveryPass)
{
    // A bone turned past 90 degrees about its middle axis comes out of the matrix as half turns
    // about the other two: rx 0, ry 100, rz 0 is rx 180, ry 80, rz 180, and float noise of
    // either sign would print each half turn as -180 on one pass and 180 on another. "tilted"
    // has such rest axes (0, 100, 0), which the ASF file gives as 180 80 180.
    Skeleton lSkeleton;
    lSkeleton.mBones = {
        {"root", -1, {0, 0, 0}, 0.0, {0, 0, 0}, "xyz", {"tx", "ty", "tz", "rx", "ry", "rz"}},
        {"same", 0, {1, 0, 0}, 3.0, {0, 0, 0}, "xyz", {"rx", "ry", "rz"}},
        {"turned", 0, {0, 0, 1}, 3.0, {40, -20, 10}, "xyz", {"rx", "ry", "rz"}},
        {"listed", 0, {0, 1, 0}, 2.0, {0, 0, 0}, "xyz", {"rz", "ry", "rx"}},
        {"tilted", 0, {0.6, 0.8, 0}, 2.0, {0, 100, 0}, "xyz", {"rx", "ry", "rz"}},
    };
    lSkeleton.mFrames = {
        {{0, 0, 0, 0, 100, 0}, {0, 100, 0}, {0, 100, 0}, {0, 100, 0}, {0, 0, 0}},
        {{0, 0, 0, 180, 0, 0}, {180, 0, 0}, {0, 0, 180}, {-180, 0, 0}, {0, 100, 0}},
        {{0, 0, 0, 0, -135, 0}, {0, -135, 0}, {90, 135, 0}, {0, -91, 0}, {-180, 0, 0}},
        {{0, 0, 0, 180, 0, 180}, {-180, 0, -180}, {180, 180, 0}, {0, 180, 0}, {0, -100, 0}},
    };
    std::string lFrom[2] = {WriteTestFile("half.asf", asfref::ToAsf(lSkeleton)),
                            WriteTestFile("half.amc", asfref::ToAmc(lSkeleton))};
    std::vector<std::string> lWritten;
    for (int lPass = 0; lPass < 3; ++lPass) {
        const std::string lTo[2] = {MotionTestPath("half_" + std::to_string(lPass) + ".asf"),
                                    MotionTestPath("half_" + std::to_string(lPass) + ".amc")};
        std::string lError;
        ASSERT_TRUE(RewritePair(lFrom[0], lFrom[1], lTo[0], lTo[1], false, lError)) << lError;
        lWritten.push_back(ReadTestFile(lTo[0]) + ReadTestFile(lTo[1]));
        lFrom[0] = lTo[0];
        lFrom[1] = lTo[1];
    }
    for (std::size_t i = 1; i < lWritten.size(); ++i) {
        EXPECT_EQ(lWritten[i], lWritten[0]) << "pass " << i + 1;
    }
    // Half turns print as 180, never -180; and the 100-degree turns as 180 80 180.
    EXPECT_EQ(lWritten[0].find("-180"), std::string::npos) << lWritten[0];
    EXPECT_NE(lWritten[0].find("\nsame  180 80 180\n"), std::string::npos) << lWritten[0];
    EXPECT_NE(lWritten[0].find(" 180 80 180 xyz"), std::string::npos) << lWritten[0];
    // What was written still turns the bones as the source does.
    AsfAmcScene lBack;
    ASSERT_TRUE(lBack.ReadAsf(lFrom[0])) << lBack.mError;
    ASSERT_TRUE(lBack.ReadAmc(lFrom[1])) << lBack.mError;
    for (int f = 0; f < 4; ++f) {
        const asfref::Pose lPose = asfref::Evaluate(lSkeleton, f);
        for (std::size_t b = 1; b < lSkeleton.mBones.size(); ++b) {
            const std::string lEnd = lSkeleton.mBones[b].mName + "_End";
            EXPECT_LT(Distance(lBack.WorldAt(lEnd.c_str(), f), lPose.mEnds[b]), 1e-3)
                << lEnd << " frame " << f;
        }
    }
}

TEST(AsfAmcPair, TwoMotionsMakeTwoTakesWithUniqueNames)
{
    const Skeleton lSkeleton = GeneratedSkeleton(3);
    const std::string lAsf = WriteTestFile("takes.asf", asfref::ToAsf(lSkeleton));
    const std::string lAmc = WriteTestFile("walk.amc", asfref::ToAmc(lSkeleton));
    AsfAmcScene lTest;
    ASSERT_TRUE(lTest.ReadAsf(lAsf));
    ASSERT_TRUE(lTest.ReadAmc(lAmc)) << lTest.mError;
    ASSERT_TRUE(lTest.ReadAmc(lAmc)) << lTest.mError;
    // The test files' names start with "ryv_motion_".
    EXPECT_TRUE(lTest.mScene->HasTake("ryv_motion_walk"));
    EXPECT_TRUE(lTest.mScene->HasTake("ryv_motion_walk 1"));
    EXPECT_STREQ(lTest.mScene->GetCurrentTakeName(), "ryv_motion_walk 1");
    // The second read reused the skeleton's nodes.
    EXPECT_EQ(lTest.Find("test:reference")->GetChildCount(), 1);
}

TEST(AsfAmcPair, FramesNumberedFromZeroKeepTheirPlaces)
{
    // No range; frames 0 to 3 turn the bone 10, 20, 30 and 40 degrees about X.
    const std::string lAsf =
        WriteTestFile("zero.asf", ":units\n length 1\n angle deg\n:root\n order tx ty tz rx ry rz\n"
                                  " axis xyz\n:bonedata\n begin\n name a\n direction 0 1 0\n"
                                  " length 1\n axis 0 0 0 xyz\n dof rx\n end\n"
                                  ":hierarchy\n begin\n root a\n end\n");
    std::string lMotion = ":FULLY-SPECIFIED\n:DEGREES\n:SAMPLES-PER-SECOND 30\n";
    for (int f = 0; f < 4; ++f) {
        lMotion +=
            std::to_string(f) + "\nroot 0 0 0 0 0 0\na " + std::to_string(10 * (f + 1)) + "\n";
    }
    AsfAmcScene lTest;
    ASSERT_TRUE(lTest.ReadAsf(lAsf)) << lTest.mError;
    ASSERT_TRUE(lTest.ReadAmc(WriteTestFile("zero.amc", lMotion))) << lTest.mError;
    EXPECT_EQ(lTest.AmcOptions()->GetStart(), KTime());
    ASSERT_EQ(lTest.AmcOptions()->GetFrameCount(), 4);
    const std::string lOut = MotionTestPath("zero_out.amc");
    ASSERT_TRUE(lTest.WritePair(MotionTestPath("zero_out.asf"), lOut, false)) << lTest.mError;
    // Written frames count from 1 and hold the file's values in order, none lost or repeated.
    const std::string lWritten = ReadTestFile(lOut);
    std::vector<double> lAngles;
    for (std::size_t lAt = lWritten.find("\na "); lAt != std::string::npos;
         lAt = lWritten.find("\na ", lAt + 1)) {
        lAngles.push_back(std::stod(lWritten.substr(lAt + 3)));
    }
    ASSERT_EQ(lAngles.size(), 4u) << lWritten;
    for (int f = 0; f < 4; ++f) {
        EXPECT_NEAR(lAngles[static_cast<std::size_t>(f)], 10.0 * (f + 1), 1e-4) << f;
    }
}

TEST(AsfAmcPair, AmcWithoutSkeletonNeedsTheOptionsOfAnAsfRead)
{
    const std::string lAmc = WriteTestFile("alone.amc", asfref::ToAmc(GeneratedSkeleton(1)));
    AsfAmcScene lTest;
    EXPECT_FALSE(lTest.ReadAmc(lAmc));
    EXPECT_EQ(lTest.mError, "Stream options not set");
}

TEST(AsfAmcPair, DuplicateNamesFailAndLeaveNothingBehind)
{
    const std::string lAsf = WriteTestFile(
        "dup.asf", ":root\n order tx ty tz rx ry rz\n:bonedata\n begin\n name a\n direction 0 1 0\n"
                   " length 1\n dof rx\n end\n begin\n name a\n direction 1 0 0\n length 1\n"
                   " dof rx\n end\n");
    AsfAmcScene lTest;
    const int lNodes = lTest.mFactory.GetNodeCount();
    EXPECT_FALSE(lTest.ReadAsf(lAsf));
    EXPECT_NE(lTest.mError.find("Duplicate names found in"), std::string::npos) << lTest.mError;
    EXPECT_EQ(lTest.mFactory.GetNodeCount(), lNodes);
    EXPECT_EQ(lTest.mScene->GetRootNode()->GetChildCount(), 0);
}

TEST(AsfAmcPair, ReferenceNodeOfAnUnnamedSkeletonIsAsfReference)
{
    const std::string lAsf =
        WriteTestFile("unnamed.asf", ":root\n order tx ty tz\n:bonedata\n begin\n name a\n"
                                     " direction 0 1 0\n length 1\n dof rx\n end\n");
    AsfAmcScene lTest;
    ASSERT_TRUE(lTest.ReadAsf(lAsf)) << lTest.mError;
    EXPECT_NE(lTest.Find("ASF:reference"), nullptr);
}

TEST(AsfAmcPair, WriterRefusesNamesTheReadersWouldMisread)
{
    for (const char* lName :
         {"a,b", "arm(1)", "#x", ":x", "1arm", "-5x", ".5x", "end_effector", "beginning",
          "a234567890123456789012345678901234567890123456789012", "root"}) {
        AsfAmcScene lTest;
        KRyvNode* lTop = lTest.mFactory.CreateNode("top");
        KRyvNode* lChild = lTest.mFactory.CreateNode(lName);
        lTop->SetMarked(true);
        ASSERT_TRUE(lTest.mScene->GetRootNode()->AddChild(lTop));
        ASSERT_TRUE(lTop->AddChild(lChild));
        KWriterAsf lWriter(&lTest.mFactory);
        std::unique_ptr<KStreamOptions> lOptions = lWriter.GetWriteOptions();
        ASSERT_TRUE(lWriter.FileCreate(MotionTestPath("refused.asf").c_str()));
        EXPECT_FALSE(lWriter.Write(lTest.mScene, lOptions.get())) << lName;
        EXPECT_EQ(lWriter.GetError().GetLastErrorID(), KWriter::kUnidentifiedError) << lName;
    }
}

TEST(AsfAmcPair, WriterNeedsASingleRoot)
{
    AsfAmcScene lTest;
    lTest.mScene->GetRootNode()->AddChild(lTest.mFactory.CreateNode("a"));
    lTest.mScene->GetRootNode()->AddChild(lTest.mFactory.CreateNode("b"));
    KWriterAsf lWriter(&lTest.mFactory);
    std::unique_ptr<KStreamOptions> lOptions = lWriter.GetWriteOptions();
    ASSERT_TRUE(lWriter.FileCreate(MotionTestPath("two.asf").c_str()));
    EXPECT_FALSE(lWriter.Write(lTest.mScene, lOptions.get()));
    EXPECT_STREQ(lWriter.GetError().GetLastErrorString().Buffer(),
                 "Scene must have a single root node.");
}

TEST(AsfAmcPair, AmcWriterRangeStartsAtTheFirstFrameAndLinesCountFromOne)
{
    const Skeleton lSkeleton = GeneratedSkeleton(5);
    AsfAmcScene lTest;
    ASSERT_TRUE(lTest.ReadAsf(WriteTestFile("range.asf", asfref::ToAsf(lSkeleton))));
    ASSERT_TRUE(lTest.ReadAmc(WriteTestFile("range.amc", asfref::ToAmc(lSkeleton))));
    KWriterAsf lAsf(&lTest.mFactory);
    std::unique_ptr<KStreamOptions> lOptions = lAsf.GetWriteOptions();
    auto* lMotion = static_cast<KStreamOptionsMotion*>(lOptions.get());
    lMotion->SetOption(KWriterAsf::kOptionWriteRange, 1);
    lMotion->SetTimeMode(0, 30.0);
    KTime lStart;
    lStart.SetSecondDouble(0.5);
    lMotion->SetStart(lStart);
    lMotion->SetFrameCount(3);
    ASSERT_TRUE(lAsf.FileCreate(MotionTestPath("range_out.asf").c_str()));
    ASSERT_TRUE(lAsf.Write(lTest.mScene, lOptions.get()));
    KWriterAmc lAmc(&lTest.mFactory);
    ASSERT_TRUE(lAmc.FileCreate(MotionTestPath("range_out.amc").c_str()));
    ASSERT_TRUE(lAmc.Write(lTest.mScene, lOptions.get()));
    const std::string lText = ReadTestFile(MotionTestPath("range_out.amc"));
    EXPECT_EQ(lText.rfind(":SAMPLES-PER-SECOND 30\n:FRAME-RANGE 15-17\n:FULLY-SPECIFIED\n"
                          ":DEGREES\n1\nroot  ",
                          0),
              0u)
        << lText;
    EXPECT_NE(lText.find("\n3\n"), std::string::npos);
    EXPECT_EQ(lText.find("\n4\n"), std::string::npos);
}

// A folder where the skeleton of a pair goes is named as the cause.
TEST(AsfAmcPair, AFolderAtTheSkeletonsNameSaysSo)
{
    const std::string lAsf = MotionTestPath("folder_side.asf");
    std::filesystem::create_directories(lAsf);
    AsfAmcScene lTest;
    KOutputGroup lGroup(MotionTestPath("folder_side.amc"));
    KWriterAsf lWriter(&lTest.mFactory);
    lWriter.SetOutputGroup(&lGroup);
    EXPECT_FALSE(lWriter.FileCreate(lAsf.c_str()));
    EXPECT_EQ(std::string(lWriter.GetError().GetLastErrorString().Buffer()),
              "Cannot open file \"" + lAsf + "\" for writing: Is a directory.");
    std::filesystem::remove_all(lAsf);
}

TEST(AsfAmcPair, WritersSayWhatTheyLack)
{
    AsfAmcScene lTest;
    KRyvNode* lTop = lTest.mFactory.CreateNode("top");
    lTop->SetMarked(true);
    ASSERT_TRUE(lTest.mScene->GetRootNode()->AddChild(lTop));
    KWriterAsf lAsf(&lTest.mFactory);
    EXPECT_FALSE(lAsf.FileCreate("/nonexistent-folder/x.asf"));
    EXPECT_STREQ(lAsf.GetError().GetLastErrorString().Buffer(),
                 "Cannot open file \"/nonexistent-folder/x.asf\" for writing: No such file or "
                 "directory.");
    EXPECT_FALSE(lAsf.Write(lTest.mScene, nullptr));
    EXPECT_EQ(lAsf.GetError().GetLastErrorID(), KWriter::kFileNotOpened);
    ASSERT_TRUE(lAsf.FileCreate(MotionTestPath("lack.asf").c_str()));
    EXPECT_FALSE(lAsf.Write(lTest.mScene, nullptr));
    EXPECT_EQ(lAsf.GetError().GetLastErrorID(), KWriter::kStreamOptionsNotSet);
    // The AMC writer needs the skeleton an ASF write left in the options.
    KWriterAmc lAmc(&lTest.mFactory);
    std::unique_ptr<KStreamOptions> lOptions = lAmc.GetWriteOptions();
    ASSERT_TRUE(lAmc.FileCreate(MotionTestPath("lack.amc").c_str()));
    EXPECT_FALSE(lAmc.Write(lTest.mScene, lOptions.get()));
    EXPECT_EQ(lAmc.GetError().GetLastErrorID(), KWriter::kStreamOptionsNotSet);
    EXPECT_TRUE(lAmc.FileClose());
    EXPECT_FALSE(lAmc.FileClose());
    // Nothing was written where a write failed.
    EXPECT_FALSE(std::filesystem::exists(MotionTestPath("lack.amc")));
}

TEST(AsfAmcPair, FormatsAreRegisteredUnderTheirCodes)
{
    const KFileFormatRegistry& lKit = KFileFormatRegistry::Kit();
    EXPECT_EQ(lKit.GetImportFormatFromFileName("walk.asf"), KFileFormatRegistry::kImportAsf);
    EXPECT_EQ(lKit.GetImportFormatFromFileName("walk.AMC"), KFileFormatRegistry::kImportAmc);
    EXPECT_EQ(lKit.GetExportFormatFromFileName("walk.asf"), KFileFormatRegistry::kExportAsf);
    EXPECT_EQ(lKit.GetExportFormatFromFileName("walk.amc"), KFileFormatRegistry::kExportAmc);
}

} // namespace
