#include "formats/motion/htr/KReaderHtr.h"

#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"
#include "scene/KRyvSkeleton.h"
#include "scene/objects/KRyvNodeLimits.h"
#include "scene/objects/KRyvPose.h"
#include "tests/support/TextMutation.h"

#include "HtrTestFiles.h"
#include "HtrTestScene.h"

#include <string>

namespace {

// kHtrArm with Root's base turned 90 degrees about Z: Arm's base (0, 100, 0) mm then lies
// along -X in the world.
std::string TurnedArm()
{
    return Replaced(kHtrArm, "Root\t10\t20\t30\t0\t0\t0\t100", "Root\t10\t20\t30\t0\t0\t90\t100");
}

void ExpectNear(const KVector4& pActual, const KVector4& pExpected, const char* pWhat)
{
    EXPECT_LT(MaxDifference(pActual, pExpected), 1e-5)
        << pWhat << ": (" << pActual[0] << ", " << pActual[1] << ", " << pActual[2] << ") vs ("
        << pExpected[0] << ", " << pExpected[1] << ", " << pExpected[2] << ")";
}

TEST(KReaderHtr, BuildsSkeletonTakeReferenceAndRestPose)
{
    HtrSettingsGuard lSettings;
    HtrTestScene lTest;
    ASSERT_TRUE(lTest.Read(WriteHtrFile("arm.htr", kHtrArm)))
        << lTest.mReader.GetMessage().Buffer();
    KRyvNode* lRoot = lTest.mScene->GetRootNode();
    ASSERT_EQ(lRoot->GetChildCount(), 1);
    KRyvNode* lReference = lRoot->GetChild(0);
    EXPECT_STREQ(lReference->GetNameWithoutPrefix().Buffer(), "HTR:reference");
    KRyvNode* lSegment = lTest.Find("Root");
    ASSERT_NE(lSegment, nullptr);
    EXPECT_EQ(lSegment->GetParent(), lReference);
    EXPECT_TRUE(lSegment->IsMarked());
    ASSERT_NE(lSegment->GetSkeleton(), nullptr);
    EXPECT_EQ(lSegment->GetSkeleton()->GetSkeletonType(), KRyvSkeleton::eLimbNode);
    // Only the leaf gets an end node, 50 mm along the bone length axis Y.
    EXPECT_EQ(lTest.Find("Root_End"), nullptr);
    KRyvNode* lEnd = lTest.Find("Arm_End");
    ASSERT_NE(lEnd, nullptr);
    EXPECT_EQ(lEnd->GetParent(), lTest.Find("Arm"));
    EXPECT_EQ(lEnd->GetLimits().GetAxisLength(), 0.0);
    ExpectNear(KVector4(lEnd->GetDefaultLocalMatrix()[3][0], lEnd->GetDefaultLocalMatrix()[3][1],
                        lEnd->GetDefaultLocalMatrix()[3][2]),
               KVector4(0.0, 5.0, 0.0), "end node");
    EXPECT_DOUBLE_EQ(lTest.Find("Arm")->GetLimits().GetAxisLength(), 5.0);
    EXPECT_FALSE(lTest.Find("Arm")->GetLimits().GetRotationType());

    EXPECT_STREQ(lTest.mScene->GetCurrentTakeName(), "arm");
    const KTakeInfo* lInfo = lTest.mScene->GetTakeInfo("arm");
    ASSERT_NE(lInfo, nullptr);
    EXPECT_EQ(lInfo->mLocalStop, lTest.FrameTime(1));
    EXPECT_DOUBLE_EQ(lTest.mOptions->GetFrameRate(), 30.0);

    ASSERT_EQ(lTest.mScene->GetPoseCount(), 1);
    const KRyvPose* lPose = lTest.mScene->GetPose(0);
    EXPECT_STREQ(lPose->GetNameWithoutPrefix().Buffer(), "HTR:reference_RESTPOSE");
    EXPECT_EQ(lPose->GetPoseType(), KRyvPose::kRestPose);
    const int lArm = lPose->Find("Arm");
    ASSERT_GE(lArm, 0);
    EXPECT_TRUE(lPose->IsLocalMatrix(lArm));
    EXPECT_DOUBLE_EQ(lPose->GetMatrix(lArm)[3][1], 10.0);
}

TEST(KReaderHtr, WorldPositionsWorkedOutByHand)
{
    // Frame 1: Root at (1, 2, 3) cm, Arm 10 cm above, its end 5 cm above that. Frame 2: Root
    // moved 1 cm along X and turned 90 degrees about Z, so Arm's (0, 10, 0) goes to (-10, 0, 0);
    // Arm turned 90 degrees about X, so its end's (0, 5, 0) goes to (0, 0, 5). Both settings.
    for (const char* lMinimize : {"No", "Yes"}) {
        HtrSettingsGuard lSettings(lMinimize);
        HtrTestScene lTest;
        ASSERT_TRUE(lTest.Read(WriteHtrFile("arm.htr", kHtrArm)));
        EXPECT_EQ(lTest.mReader.GetFile()->GetMinimizeRotationOffset(), lMinimize[0] == 'Y');
        ExpectNear(lTest.WorldAt("Root", 0), KVector4(1, 2, 3), lMinimize);
        ExpectNear(lTest.WorldAt("Arm", 0), KVector4(1, 12, 3), lMinimize);
        ExpectNear(lTest.WorldAt("Arm_End", 0), KVector4(1, 17, 3), lMinimize);
        ExpectNear(lTest.WorldAt("Root", 1), KVector4(2, 2, 3), lMinimize);
        ExpectNear(lTest.WorldAt("Arm", 1), KVector4(-8, 2, 3), lMinimize);
        ExpectNear(lTest.WorldAt("Arm_End", 1), KVector4(-8, 2, 8), lMinimize);
        // The scale column is read and a unit scale kept.
        KRyvTakeNode* lTake = lTest.Find("Arm")->GetCurrentTakeNode();
        EXPECT_EQ(lTake->GetTransformSX()->GetKeyCount(), 2);
        EXPECT_DOUBLE_EQ(lTake->GetTransformSY()->Evaluate(lTest.FrameTime(1)), 1.0);
    }
}

TEST(KReaderHtr, FrameTurnAppliesBeforeTheBaseRotation)
{
    // Root's base turns 90 degrees about X; frame 2 adds 90 degrees about Z. Arm's (0, 10, 0)
    // turned by Z first, then X, lies at (-10, 0, 0); the other product would give (0, 0, 10).
    std::string lText =
        Replaced(kHtrArm, "Root\t10\t20\t30\t0\t0\t0\t100", "Root\t10\t20\t30\t90\t0\t0\t100");
    for (const char* lMinimize : {"No", "Yes"}) {
        HtrSettingsGuard lSettings(lMinimize);
        HtrTestScene lTest;
        ASSERT_TRUE(lTest.Read(WriteHtrFile("base.htr", lText)));
        ExpectNear(lTest.WorldAt("Arm", 0), KVector4(1, 2, 13), lMinimize);
        ExpectNear(lTest.WorldAt("Arm", 1), KVector4(-8, 2, 3), lMinimize);
    }
}

TEST(KReaderHtr, MinimizingKeepsWorldPositionsAndTakesOutTheBaseRotation)
{
    // Root's base is turned 90 degrees about Z. Without minimizing its keys hold that turn;
    // with it, its rest rotation is the identity, and every node, end nodes too, stays where it
    // was in the world.
    HtrSettingsGuard lOff("No");
    HtrTestScene lPlain;
    ASSERT_TRUE(lPlain.Read(WriteHtrFile("turned.htr", TurnedArm())));
    HtrSettingsGuard lOn("Yes");
    HtrTestScene lMinimized;
    ASSERT_TRUE(lMinimized.Read(WriteHtrFile("turned.htr", TurnedArm())));
    for (int f = 0; f < 2; ++f) {
        for (const char* lName : {"Root", "Arm", "Arm_End"}) {
            ExpectNear(lMinimized.WorldAt(lName, f), lPlain.WorldAt(lName, f), lName);
        }
    }
    ExpectNear(lPlain.WorldAt("Arm", 0), KVector4(-9, 2, 3), "turned arm");
    ExpectNear(lPlain.WorldAt("Arm_End", 0), KVector4(-14, 2, 3), "turned end");
    KRyvTakeNode* lPlainRoot = lPlain.Find("Root")->GetCurrentTakeNode();
    KRyvTakeNode* lMinimizedRoot = lMinimized.Find("Root")->GetCurrentTakeNode();
    EXPECT_NEAR(lPlainRoot->GetTransformRZ()->Evaluate(lPlain.FrameTime(0)), 90.0, 1e-4);
    EXPECT_NEAR(lMinimizedRoot->GetTransformRZ()->Evaluate(lMinimized.FrameTime(0)), 0.0, 1e-4);
    // Arm's translation key is then in world axes.
    KRyvTakeNode* lArm = lMinimized.Find("Arm")->GetCurrentTakeNode();
    EXPECT_NEAR(lArm->GetTransformTX()->Evaluate(lMinimized.FrameTime(0)), -10.0, 1e-4);
}

// Root's base turned about all three axes, its first frame not turned. Without minimizing, that
// frame's keys are the node's rotation as a float, to the bit: the base rotation is turned into
// angles one way only. With it, the offset pass takes out the rotation of the node's default
// values, which the keys of that frame hold: they lose the turn whole, to far below a float step.
// The rest values, moved from the base rotation itself, keep at most such a step.
TEST(KReaderHtr, AFrameInTheBasePoseKeepsItsTurnOrLosesItWhole)
{
    const std::string lText =
        Replaced(kHtrArm, "Root\t10\t20\t30\t0\t0\t0\t100", "Root\t10\t20\t30\t25\t-40\t70.3\t100");
    HtrSettingsGuard lOff("No");
    HtrTestScene lPlain;
    ASSERT_TRUE(lPlain.Read(WriteHtrFile("base-pose.htr", lText)));
    KVector4 lRest;
    lPlain.Find("Root")->GetLclRotation(lRest);
    KRyvTakeNode* lPlainRoot = lPlain.Find("Root")->GetCurrentTakeNode();
    const KFCurve* const lPlainCurves[3] = {
        lPlainRoot->GetTransformRX(), lPlainRoot->GetTransformRY(), lPlainRoot->GetTransformRZ()};
    for (int a = 0; a < 3; ++a) {
        EXPECT_EQ(lPlainCurves[a]->KeyGetValue(0), static_cast<float>(lRest[a])) << a;
    }
    HtrSettingsGuard lOn("Yes");
    HtrTestScene lMinimized;
    ASSERT_TRUE(lMinimized.Read(WriteHtrFile("base-pose.htr", lText)));
    lMinimized.Find("Root")->GetLclRotation(lRest);
    KRyvTakeNode* lRoot = lMinimized.Find("Root")->GetCurrentTakeNode();
    const KFCurve* const lCurves[3] = {lRoot->GetTransformRX(), lRoot->GetTransformRY(),
                                       lRoot->GetTransformRZ()};
    for (int a = 0; a < 3; ++a) {
        EXPECT_NEAR(lCurves[a]->KeyGetValue(0), 0.0, 1e-9) << a;
        EXPECT_NEAR(lRest[a], 0.0, 1e-5) << a;
    }
}

TEST(KReaderHtr, WithoutTheReferenceNodeTheSkeletonHangsBelowTheRoot)
{
    HtrSettingsGuard lSettings;
    HtrTestScene lTest;
    ASSERT_TRUE(lTest.Read(WriteHtrFile("arm.htr", kHtrArm), 0));
    KRyvNode* lRoot = lTest.mScene->GetRootNode();
    ASSERT_EQ(lRoot->GetChildCount(), 1);
    EXPECT_EQ(lRoot->GetChild(0), lTest.Find("Root"));
    EXPECT_EQ(lTest.Find("HTR:reference"), nullptr);
    ASSERT_EQ(lTest.mScene->GetPoseCount(), 1);
    const std::string lPose = lTest.mScene->GetPose(0)->GetNameWithoutPrefix().Buffer();
    EXPECT_EQ(lPose, std::string(lRoot->GetNameWithoutPrefix().Buffer()) + "_RESTPOSE");
    ExpectNear(lTest.WorldAt("Arm", 1), KVector4(-8, 2, 3), "arm");
}

TEST(KReaderHtr, FrameCountsOfTheOptionsAndTheFile)
{
    HtrSettingsGuard lSettings;
    // Fewer frames asked than the file holds: the first ones, the rest passed over.
    HtrTestScene lFirst;
    ASSERT_TRUE(lFirst.mReader.FileOpen(WriteHtrFile("arm.htr", kHtrArm).c_str()));
    std::unique_ptr<KStreamOptionsMotion> lOptions = KStreamOptionsMotion::Create();
    lOptions->SetFrameCount(1);
    lOptions->SetTimeMode(0, 30.0);
    ASSERT_TRUE(lFirst.mReader.Read(lFirst.mScene, lOptions.get()))
        << lFirst.mReader.GetMessage().Buffer();
    EXPECT_EQ(lFirst.Find("Arm")->GetCurrentTakeNode()->GetTransformRX()->GetKeyCount(), 1);
    // More asked than the file holds: lowered to the file's count.
    HtrTestScene lMore;
    ASSERT_TRUE(lMore.mReader.FileOpen(WriteHtrFile("arm.htr", kHtrArm).c_str()));
    lOptions->SetFrameCount(50);
    ASSERT_TRUE(lMore.mReader.Read(lMore.mScene, lOptions.get()));
    EXPECT_EQ(lOptions->GetFrameCount(), 2);
    // A section shorter than the header says fails; frame numbers may be anything.
    std::string lShort = Replaced(kHtrArm, "2\t0\t0\t0\t90\t0\t0\t1.0\n", "");
    lShort = Replaced(lShort, "1\t0\t0\t0\t0\t0\t0\t1.0\n[EndOfFile]",
                      "-7\t0\t0\t0\t0\t0\t0\t1.0\n[EndOfFile]");
    HtrTestScene lShortTest;
    EXPECT_FALSE(lShortTest.Read(WriteHtrFile("short.htr", lShort)));
    EXPECT_NE(std::string(lShortTest.mReader.GetError().GetLastErrorString().Buffer())
                  .find("end after 1 of 2"),
              std::string::npos)
        << lShortTest.mReader.GetError().GetLastErrorString().Buffer();
    HtrTestScene lNumbered;
    EXPECT_TRUE(lNumbered.Read(
        WriteHtrFile("numbered.htr", Replaced(kHtrArm, "\n2\t0\t0\t0\t90", "\n-99\t0\t0\t0\t90"))));
}

// The scene and factory as a failed read must leave them.
void ExpectUntouched(HtrTestScene& pTest, int pNodes, const std::string& pLabel)
{
    EXPECT_EQ(pTest.mFactory.GetNodeCount(), pNodes) << pLabel;
    EXPECT_EQ(pTest.mScene->GetRootNode()->GetChildCount(), 0) << pLabel;
    EXPECT_EQ(pTest.mScene->GetPoseCount(), 0) << pLabel;
    EXPECT_EQ(pTest.mReader.GetError().GetLastErrorID(), KReader::kFileCorrupted) << pLabel;
}

TEST(KReaderHtr, BadFramesAndNamesLeaveTheSceneAsItWas)
{
    struct Bad
    {
        const char* mLabel;
        std::string mText;
        const char* mError;
    };
    const Bad kBad[] = {
        {"unknown section", Replaced(kHtrArm, "[Arm]", "[Leg]"), "names no segment"},
        {"repeated section", Replaced(kHtrArm, "[Arm]", "[Root]"), "a second frame section"},
        {"bad frame number", Replaced(kHtrArm, "\n2\t0\t0\t0\t90", "\nx\t0\t0\t0\t90"),
         "Can't read frame number"},
        {"bad translation", Replaced(kHtrArm, "\n2\t0\t0\t0\t90", "\n2\t0\tz\t0\t90"),
         "Can't read frame translation"},
        {"bad rotation", Replaced(kHtrArm, "\n2\t0\t0\t0\t90\t0\t0", "\n2\t0\t0\t0\t90\t0\t0x"),
         "Can't read frame rotation"},
        {"no scale", Replaced(kHtrArm, "\n2\t0\t0\t0\t90\t0\t0\t1.0", "\n2\t0\t0\t0\t90\t0\t0"),
         "Can't read frame scaling"},
        {"beyond single precision", Replaced(kHtrArm, "\n2\t10\t0", "\n2\t1e300\t0"),
         "out of range"},
        {"no frame sections", std::string(kHtrArm).substr(0, std::string(kHtrArm).find("[Root]")),
         "Can't read frame name"},
        {"leaf named like an end node",
         Replaced(Replaced(Replaced(kHtrArm, "Arm\tRoot\n", "Arm\tRoot\nArm_End\tRoot\n"),
                           "NumSegments 2", "NumSegments 3"),
                  "[Root]", "Arm_End 0 0 0 0 0 0 1\n[Root]"),
         "Duplicate names found in"},
    };
    HtrSettingsGuard lSettings;
    for (const Bad& lCase : kBad) {
        HtrTestScene lTest;
        const int lNodes = lTest.mFactory.GetNodeCount();
        EXPECT_FALSE(lTest.Read(WriteHtrFile("bad.htr", lCase.mText))) << lCase.mLabel;
        ExpectUntouched(lTest, lNodes, lCase.mLabel);
        EXPECT_NE(
            std::string(lTest.mReader.GetError().GetLastErrorString().Buffer()).find(lCase.mError),
            std::string::npos)
            << lCase.mLabel << ": " << lTest.mReader.GetError().GetLastErrorString().Buffer();
    }
}

TEST(KReaderHtr, HugeFrameCountInATinyFile)
{
    // Two billion frames announced, two present: no storage is sized by the header.
    HtrSettingsGuard lSettings;
    HtrTestScene lTest;
    const int lNodes = lTest.mFactory.GetNodeCount();
    EXPECT_FALSE(lTest.Read(
        WriteHtrFile("huge.htr", Replaced(kHtrArm, "NumFrames 2", "NumFrames 2000000000"))));
    EXPECT_EQ(lTest.mOptions->GetFrameCount(), 2000000000);
    ExpectUntouched(lTest, lNodes, "huge");
}

TEST(KReaderHtr, DamagedFilesFailCleanlyOrRead)
{
    // Every truncation, line edit, byte damage and hostile number: a read either succeeds or
    // fails with the scene and factory as they were.
    HtrSettingsGuard lSettings("Yes");
    for (const TextMutant& lMutant : AllMutants(TurnedArm(), 25, 200)) {
        HtrTestScene lTest;
        const int lNodes = lTest.mFactory.GetNodeCount();
        if (!lTest.Read(WriteHtrFile("damaged.htr", lMutant.mText))) {
            EXPECT_EQ(lTest.mFactory.GetNodeCount(), lNodes) << lMutant.mLabel;
            EXPECT_EQ(lTest.mScene->GetRootNode()->GetChildCount(), 0) << lMutant.mLabel;
            EXPECT_EQ(lTest.mScene->GetPoseCount(), 0) << lMutant.mLabel;
        }
    }
}

TEST(KReaderHtr, ErrorsOfTheCaller)
{
    HtrSettingsGuard lSettings;
    HtrTestScene lTest;
    std::unique_ptr<KStreamOptionsMotion> lOptions = KStreamOptionsMotion::Create();
    EXPECT_FALSE(lTest.mReader.Read(lTest.mScene, lOptions.get()));
    EXPECT_EQ(lTest.mReader.GetError().GetLastErrorID(), KReader::kFileNotOpened);
    EXPECT_EQ(lTest.mReader.GetReadOptions(), nullptr);
    ASSERT_TRUE(lTest.mReader.FileOpen(WriteHtrFile("arm.htr", kHtrArm).c_str()));
    EXPECT_FALSE(lTest.mReader.Read(lTest.mScene, nullptr));
    EXPECT_EQ(lTest.mReader.GetError().GetLastErrorID(), KReader::kStreamOptionsNotSet);
    EXPECT_TRUE(lTest.mReader.FileClose());
    EXPECT_FALSE(lTest.mReader.FileClose());
    // A file without a header gives no options.
    ASSERT_TRUE(lTest.mReader.FileOpen(WriteHtrFile("empty.htr", "# nothing\n").c_str()));
    EXPECT_EQ(lTest.mReader.GetReadOptions(), nullptr);
    EXPECT_EQ(lTest.mReader.GetError().GetLastErrorID(), KReader::kFileCorrupted);
}

} // namespace
