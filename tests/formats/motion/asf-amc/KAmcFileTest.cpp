// The AMC file: header options, frame and bone lines and their failures, keys in time order.
#include "AsfAmcTestSupport.h"

#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"
#include "formats/motion/asf-amc/KAmcFile.h"
#include "formats/motion/asf-amc/KAsfFile.h"
#include "formats/motion/asf-amc/KRyvAsfScene.h"

#include <gtest/gtest.h>

namespace {

const char* const kSkeleton =
    ":units\n length 1\n:root\n order tx ty tz rx ry rz\n axis xyz\n:bonedata\n"
    " begin\n  name a\n  direction 0 1 0\n  length 1\n  axis 0 0 0 xyz\n  dof rx ry rz\n end\n"
    " begin\n  name information\n  direction 0 1 0\n  length 1\n  axis 0 0 0 xyz\n  dof rx l ry\n"
    " end\n begin\n  name nanobot\n  direction 1 0 0\n  length 1\n  axis 0 0 0 xyz\n  dof rz\n"
    " end\n begin\n  name still\n  direction 1 0 0\n  length 1\n  axis 0 0 0 xyz\n end\n"
    ":hierarchy\n begin\n  root a still\n  a information\n  still nanobot\n end\n";

struct AmcRead
{
    KRyvAsfScene mScene;
    std::unique_ptr<KStreamOptionsMotion> mOptions = KStreamOptionsMotion::Create();
    std::vector<std::string> mWarnings;
    std::string mError;

    AmcRead()
    {
        KAsfFile lAsf;
        EXPECT_TRUE(lAsf.Open(WriteTestFile("amc.asf", kSkeleton).c_str(), "r"));
        EXPECT_TRUE(lAsf.Read(&mScene, true)) << lAsf.GetLastError();
    }

    bool Read(const std::string& pText)
    {
        KAmcFile lFile(true);
        lFile.SetWarningHook([this](const char* pWarning) { mWarnings.push_back(pWarning); });
        if (!lFile.Open(WriteTestFile("file.amc", pText).c_str(), "r")) {
            return false;
        }
        const bool lRead =
            lFile.ReadHeaderOptions(mOptions.get()) && lFile.Read(&mScene, *mOptions);
        mError = lFile.GetLastError();
        return lRead;
    }

    const std::vector<KAsfKey>& Keys(const char* pBone) { return mScene.FindBone(pBone)->mKeys; }
    KTime Frame(double pFrames) const
    {
        KTime lTime;
        lTime.SetSecondDouble(pFrames / mOptions->GetFrameRate());
        return lTime;
    }
};

TEST(KAmcFile, FramesWithoutRangeStartAtZero)
{
    AmcRead lRead;
    ASSERT_TRUE(lRead.Read(":SAMPLES-PER-SECOND 60\n1\na 1 2 3\n2\na 4 5 6\n")) << lRead.mError;
    EXPECT_EQ(lRead.mOptions->GetStart(), KTime());
    EXPECT_EQ(lRead.mOptions->GetFrameCount(), 2);
    EXPECT_DOUBLE_EQ(lRead.mOptions->GetFrameRate(), 60.0);
    ASSERT_EQ(lRead.Keys("a").size(), 2u);
    EXPECT_EQ(lRead.Keys("a")[1].mTicks, lRead.mOptions->GetFramePeriod().Get());
}

TEST(KAmcFile, FrameRangeGivesStartAndCount)
{
    std::string lText = ":FORMAT firstframe-indexed\n:SAMPLES-PER-SECOND 60\n:FRAME-RANGE 10-20\n";
    for (int f = 1; f <= 15; ++f) {
        lText += std::to_string(f) + "\na 0 0 0\n";
    }
    AmcRead lRead;
    ASSERT_TRUE(lRead.Read(lText)) << lRead.mError;
    EXPECT_EQ(lRead.mOptions->GetStart(), lRead.mOptions->GetFramePeriod() * 10);
    EXPECT_EQ(lRead.mOptions->GetFrameCount(), 11);
    EXPECT_EQ(lRead.Keys("a").size(), 11u);
    EXPECT_EQ(lRead.Keys("a")[0].mTicks, lRead.mOptions->GetStart().Get());
}

TEST(KAmcFile, FramesNumberedFromTheRangeStartKeepTheirTimes)
{
    AmcRead lRead;
    ASSERT_TRUE(lRead.Read(":FRAME-RANGE 10-12\n10\na 0 0 0\n11\na 0 0 0\n12\na 0 0 0\n"));
    const std::vector<KAsfKey>& lKeys = lRead.Keys("a");
    ASSERT_EQ(lKeys.size(), 3u);
    EXPECT_EQ(lKeys[0].mTicks, (lRead.mOptions->GetFramePeriod() * 10).Get());
    EXPECT_EQ(lKeys[2].mTicks, (lRead.mOptions->GetFramePeriod() * 12).Get());
}

TEST(KAmcFile, OtherFormatsAreRefused)
{
    AmcRead lRead;
    EXPECT_FALSE(lRead.Read(":FORMAT SOMETHING-ELSE\n1\na 1 2 3\n"));
    EXPECT_NE(lRead.mError.find("Unsupported DOF line format"), std::string::npos);
}

TEST(KAmcFile, ValuesFollowTheDofListAndMissingOnesAreZero)
{
    AmcRead lRead;
    ASSERT_TRUE(lRead.Read("1\na 10 0 0 7 7 7 7 7\ninformation 20 99 30\nnanobot 40\n2\na 15 25\n"))
        << lRead.mError;
    const std::vector<KAsfKey>& lA = lRead.Keys("a");
    EXPECT_NEAR(lA[0].mRotation[0], 10.0, 1e-9);
    EXPECT_NEAR(lA[0].mRotation[1], 0.0, 1e-9);
    EXPECT_NEAR(lA[1].mRotation[0], 15.0, 1e-9);
    EXPECT_NEAR(lA[1].mRotation[1], 25.0, 1e-9);
    EXPECT_NEAR(lA[1].mRotation[2], 0.0, 1e-9);
    // "l" takes the 99 and drives nothing; ry gets the 30.
    const KAsfKey& lInformation = lRead.Keys("information")[0];
    EXPECT_NEAR(lInformation.mRotation[0], 20.0, 1e-9);
    EXPECT_NEAR(lInformation.mRotation[1], 30.0, 1e-9);
    EXPECT_NEAR(lRead.Keys("nanobot")[0].mRotation[2], 40.0, 1e-9);
}

TEST(KAmcFile, BonesOfTheMergedSkeletonAreSkipped)
{
    AmcRead lRead;
    EXPECT_TRUE(lRead.Read("1\nstill\na 1 2 3\n")) << lRead.mError;
}

TEST(KAmcFile, TextAfterTheValuesIsWarnedAbout)
{
    AmcRead lRead;
    ASSERT_TRUE(lRead.Read("1\na 1 2 x3\n2\na 1 inf 2\n3\na 1e999\n"));
    ASSERT_EQ(lRead.mWarnings.size(), 3u);
    EXPECT_NE(lRead.mWarnings[0].find("(x3)"), std::string::npos);
    EXPECT_NE(lRead.mWarnings[1].find("(inf)"), std::string::npos);
    // What is not read is 0.
    EXPECT_NEAR(lRead.Keys("a")[1].mRotation[1], 0.0, 1e-9);
}

TEST(KAmcFile, BadFramesAndBonesFailTheRead)
{
    struct Case
    {
        const char* mText;
        const char* mError;
    };
    const Case kCases[] = {
        {"1\nroot 0 0 0 0 0 0\nroot 0 0 0 0 0 0\n", "Unknown bone name (root)"},
        {"1\nnobody 1\n", "Unknown bone name (nobody)"},
        {"1e30\na 1 2 3\n", "Bad frame number"},
        {"1.5\na 1 2 3\n", "Bad frame number"},
        {"a 1 2 3\n1\n", "Unknown keyword"},
        {"1\na 1 2 3\n:DEGREES\n", "Unexpected end of file"},
        {"1\nroot 1e308 0 0 0 0 0\n", "Value out of range"},
        {"2147483647\na 1 2 3\n", "Frame number out of range"},
    };
    for (const Case& lCase : kCases) {
        AmcRead lRead;
        EXPECT_FALSE(lRead.Read(lCase.mText)) << lCase.mText;
        EXPECT_NE(lRead.mError.find(lCase.mError), std::string::npos)
            << lCase.mText << " gave " << lRead.mError;
        EXPECT_TRUE(lRead.Keys("a").empty()) << lCase.mText;
    }
}

TEST(KAmcFile, UnknownKeywordsAreWarnedAbout)
{
    AmcRead lRead;
    ASSERT_TRUE(lRead.Read(":RADIANS\n:SMPTE\n:ASF-FILE x.asf\n1\na 90 0 0\n"));
    ASSERT_EQ(lRead.mWarnings.size(), 1u);
    EXPECT_NE(lRead.mWarnings[0].find("Ignoring unknown keyword (:radians)"), std::string::npos);
    // Angles follow the ASF file's unit, degrees here.
    EXPECT_NEAR(lRead.Keys("a")[0].mRotation[0], 90.0, 1e-9);
}

TEST(KAmcFile, CommentsBetweenBoneLinesAreSkipped)
{
    AmcRead lRead;
    ASSERT_TRUE(lRead.Read("1\n# a comment\na 1 2 3\n#\nnanobot 4\n"));
    EXPECT_EQ(lRead.Keys("nanobot").size(), 1u);
}

TEST(KAmcFile, KeysAreSortedAndALaterLineAtOneTimeWins)
{
    AmcRead lRead;
    ASSERT_TRUE(lRead.Read("3\na 3 0 0\n1\na 1 0 0\n2\na 2 0 0\na 5 0 0\n"));
    const std::vector<KAsfKey>& lKeys = lRead.Keys("a");
    ASSERT_EQ(lKeys.size(), 3u);
    EXPECT_LT(lKeys[0].mTicks, lKeys[1].mTicks);
    EXPECT_LT(lKeys[1].mTicks, lKeys[2].mTicks);
    EXPECT_NEAR(lKeys[0].mRotation[0], 1.0, 1e-9);
    EXPECT_NEAR(lKeys[1].mRotation[0], 5.0, 1e-9);
}

TEST(KAmcFile, RootTranslationIsConvertedOnce)
{
    AmcRead lRead;
    ASSERT_TRUE(lRead.Read("1\nroot 1 2 3 0 0 0\n"));
    const KAsfKey& lKey = lRead.Keys("root")[0];
    EXPECT_NEAR(lKey.mTranslation[0], 2.54, 1e-12);
    EXPECT_NEAR(lKey.mTranslation[2], 3 * 2.54, 1e-12);
}

TEST(KAmcFile, OneFramePoseReachesTheNodes)
{
    const std::string lAsf = WriteTestFile("pose.asf", kSkeleton);
    const std::string lAmc = WriteTestFile("pose.amc", "1\nroot 1 2 3 0 0 0\na 0 0 90\n");
    AsfAmcScene lTest;
    ASSERT_TRUE(lTest.ReadAsf(lAsf)) << lTest.mError;
    ASSERT_TRUE(lTest.ReadAmc(lAmc)) << lTest.mError;
    KFCurve* lCurve = lTest.Find("a")->GetCurrentTakeNode()->GetTransformRZ();
    ASSERT_EQ(lCurve->GetKeyCount(), 1);
    EXPECT_NEAR(lCurve->KeyGetValue(0), 90.0, 1e-5);
    const asfref::Vec3 lTip = lTest.WorldAt("information", 0);
    // a turned 90 degrees about Z: its +Y bone now points along -X.
    EXPECT_NEAR(lTip[0], 2.54 - 2.54, 1e-4);
    EXPECT_NEAR(lTest.WorldAt("information_End", 0)[0], -2.54, 1e-4);
}

TEST(KAmcFile, WritesTheRootLineWithTwoSpaces)
{
    const std::string lAsf = WriteTestFile("write.asf", kSkeleton);
    AsfAmcScene lTest;
    ASSERT_TRUE(lTest.ReadAsf(lAsf, true));
    auto* lSkeleton = dynamic_cast<KRyvAsfScene*>(lTest.AsfOptions()->GetAttachedObject());
    ASSERT_TRUE(lSkeleton->AttachToScene(lTest.Find("root")));
    KAmcFile lFile;
    const std::string lPath = MotionTestPath("write.amc");
    ASSERT_TRUE(lFile.Open(lPath.c_str(), "w"));
    ASSERT_TRUE(lFile.WriteHeader(false, 30.0, false, 1, 1));
    ASSERT_TRUE(lFile.WriteFrame(*lSkeleton, 1, KTime(), nullptr));
    ASSERT_TRUE(lFile.Close());
    EXPECT_EQ(ReadTestFile(lPath), ":FULLY-SPECIFIED\n:DEGREES\n1\nroot  0 0 0 0 0 0\na  0 0 0\n"
                                   "information  0 0\nnanobot  0\n");
}

} // namespace
