#include "formats/motion/bvh/KReaderBvh.h"

#include "animation/KEulerUnroll.h"
#include "animation/KFCurve.h"
#include "io/KFileFormatRegistry.h"
#include "io/KImporter.h"
#include "scene/KRyvSkeleton.h"
#include "scene/objects/KRyvNodeLimits.h"

#include "BvhTestScene.h"

#include <cstdio>
#include <random>
#include <vector>

namespace {

const char* const kWalk =
    "HIERARCHY\nROOT Hips\n{\n  OFFSET 1 2 3\n"
    "  CHANNELS 6 Xposition Yposition Zposition Zrotation Xrotation Yrotation\n  JOINT Chest\n"
    "  {\n    OFFSET 0 5 0\n    CHANNELS 3 Zrotation Xrotation Yrotation\n    End Site\n    {\n"
    "      OFFSET 0 4 0\n    }\n  }\n}\nMOTION\nFrames: 3\nFrame Time: 0.0333333\n"
    "10 20 30 0 0 0 90 90 0\n11 21 31 0 0 0 0 0 0\n12 22 32 0 0 0 0 10 0\n";

KTime FrameTime(const KStreamOptionsMotion& pOptions, int pFrame)
{
    return pOptions.GetStart() + pOptions.GetFramePeriod() * pFrame;
}

TEST(KReaderBvh, BuildsSkeletonTakeAndReferenceNode)
{
    BvhImportSettingsGuard lSettings;
    BvhTestScene lTest;
    ASSERT_TRUE(lTest.Read(WriteBvhFile("walk.bvh", kWalk))) << lTest.mReader.GetMessage().Buffer();
    KRyvNode* lRoot = lTest.mScene->GetRootNode();
    ASSERT_EQ(lRoot->GetChildCount(), 1);
    KRyvNode* lReference = lRoot->GetChild(0);
    EXPECT_STREQ(lReference->GetName().Buffer(), "Model::BVH:reference");
    KRyvNode* lHips = lReference->GetChild(0);
    ASSERT_NE(lHips, nullptr);
    EXPECT_STREQ(lHips->GetName().Buffer(), "Model::Hips");
    ASSERT_NE(lHips->GetSkeleton(), nullptr);
    EXPECT_EQ(lHips->GetSkeleton()->GetSkeletonType(), KRyvSkeleton::eLimbNode);
    EXPECT_TRUE(lHips->IsMarked());
    EXPECT_FALSE(lReference->IsMarked());
    KRyvNode* lEnd = lTest.Find("Chest_End");
    ASSERT_NE(lEnd, nullptr);
    EXPECT_EQ(lEnd->GetParent(), lTest.Find("Chest"));

    EXPECT_STREQ(lTest.mScene->GetCurrentTakeName(), "walk");
    EXPECT_STREQ(lHips->GetCurrentTakeNodeName(), "walk");
    const KTakeInfo* lInfo = lTest.mScene->GetTakeInfo("walk");
    ASSERT_NE(lInfo, nullptr);
    EXPECT_EQ(lInfo->mLocalStart, KTime());
    EXPECT_EQ(lInfo->mLocalStop, FrameTime(*lTest.mOptions, 2));
    EXPECT_EQ(lInfo->mReferenceStop, lInfo->mLocalStop);
    EXPECT_DOUBLE_EQ(lTest.mOptions->GetFrameRate(), 30.0);
    EXPECT_EQ(lTest.mOptions->GetFrameCount(), 3);

    // Rest pose: the OFFSETs, the root's included.
    const KMatrix& lRest = lTest.Find("Chest")->GetDefaultLocalMatrix();
    EXPECT_DOUBLE_EQ(lRest[3][1], 5.0);
    EXPECT_DOUBLE_EQ(lHips->GetDefaultLocalMatrix()[3][2], 3.0);
    // The bone axis of Chest points along its only child's offset (+Y).
    const KRyvNodeLimits& lLimits = lTest.Find("Chest")->GetLimits();
    EXPECT_DOUBLE_EQ(lLimits.GetAxisLength(), 4.0);
    KMatrix lAxis;
    const KVector4 lAngles = lLimits.GetRotationAxis();
    EulerToMatrixXYZ(lAxis, lAngles[0], lAngles[1], lAngles[2]);
    EXPECT_NEAR(lAxis[0][1], 1.0, 1e-12);

    // Translation keys are the channel values; the Chest has no translation curve keys.
    KRyvTakeNode* lTake = lHips->GetCurrentTakeNode();
    EXPECT_FLOAT_EQ(
        static_cast<float>(lTake->GetTransformTX()->Evaluate(FrameTime(*lTest.mOptions, 1))),
        11.0f);
    EXPECT_FLOAT_EQ(
        static_cast<float>(lTake->GetTransformTZ()->Evaluate(FrameTime(*lTest.mOptions, 2))),
        32.0f);
    EXPECT_EQ(lTest.Find("Chest")->GetCurrentTakeNode()->GetTransformTX()->GetKeyCount(), 0);
    EXPECT_EQ(lTest.Find("Chest")->GetCurrentTakeNode()->GetTransformRX()->GetKeyCount(), 3);
}

TEST(KReaderBvh, GoldenRotationZxyNinetyNinety)
{
    // Zrotation 90, Xrotation 90, Yrotation 0: the joint's +Y lands on the parent's +Z (the
    // reverse product would give -X).
    BvhImportSettingsGuard lSettings;
    BvhTestScene lTest;
    ASSERT_TRUE(lTest.Read(WriteBvhFile("golden.bvh", kWalk)));
    const KMatrix lRotation = NodeRotationAt(lTest.Find("Chest"), KTime());
    EXPECT_NEAR(lRotation[1][0], 0.0, 1e-6);
    EXPECT_NEAR(lRotation[1][1], 0.0, 1e-6);
    EXPECT_NEAR(lRotation[1][2], 1.0, 1e-6);
}

TEST(KReaderBvh, KeepsTheFileInEveryChannelOrder)
{
    // Random angles in all six orders, read back within single precision of the rotation the
    // file states (as the reference evaluator gives it), angles compared after unrolling.
    const char* const kOrders[6] = {"XYZ", "XZY", "YXZ", "YZX", "ZXY", "ZYX"};
    const char* const kNames[3] = {"Xrotation", "Yrotation", "Zrotation"};
    BvhImportSettingsGuard lSettings;
    std::mt19937 lRandom(1234);
    std::uniform_real_distribution<double> lAngle(-180.0, 180.0);
    for (const char* lOrder : kOrders) {
        std::string lChannels;
        for (int i = 0; i < 3; ++i) {
            lChannels += std::string(" ") + kNames[lOrder[i] - 'X'];
        }
        std::string lText = "HIERARCHY\nROOT Root\n{\nOFFSET 0 0 0\nCHANNELS 6 Xposition "
                            "Yposition Zposition" +
                            lChannels + "\nJOINT Arm\n{\nOFFSET 0 3 0\nCHANNELS 3" + lChannels +
                            "\nEnd Site\n{\nOFFSET 0 2 0\n}\n}\n}\nMOTION\nFrames: 40\n"
                            "Frame Time: 0.04\n";
        std::vector<double> lValues;
        for (int f = 0; f < 40; ++f) {
            for (int v = 0; v < 9; ++v) {
                lValues.push_back(lAngle(lRandom));
                char lNumber[40];
                std::snprintf(lNumber, sizeof(lNumber), "%.17g ", lValues.back());
                lText += lNumber;
            }
            lText += "\n";
        }
        BvhTestScene lTest;
        ASSERT_TRUE(lTest.Read(WriteBvhFile(std::string("order_") + lOrder + ".bvh", lText)))
            << lOrder << ": " << lTest.mReader.GetMessage().Buffer();
        EXPECT_DOUBLE_EQ(lTest.mOptions->GetFrameRate(), 25.0);
        KRyvNode* lArm = lTest.Find("Arm");
        KRyvNode* lRootNode = lTest.Find("Root");
        KVector4 lPrevious;
        for (int f = 0; f < 40; ++f) {
            const KTime lTime = FrameTime(*lTest.mOptions, f);
            const double* lFrame = &lValues[static_cast<std::size_t>(f) * 9];
            const KMatrix lExpected = BvhReferenceRotation(lOrder, lFrame + 6, 3);
            // Entries within the rounding of single-precision angle keys.
            EXPECT_LT(MaxRotationDifference(NodeRotationAt(lArm, lTime), lExpected), 3e-6)
                << lOrder << " frame " << f;
            KVector4 lAngles;
            MatrixToEulerXYZ(lAngles, lExpected);
            if (f > 0) {
                KEulerUnroll::Unroll(lAngles, lPrevious, 0);
            }
            lPrevious = lAngles;
            KRyvTakeNode* lTake = lArm->GetCurrentTakeNode();
            KFCurve* lCurves[3] = {lTake->GetTransformRX(), lTake->GetTransformRY(),
                                   lTake->GetTransformRZ()};
            for (int a = 0; a < 3; ++a) {
                // 1e-6 degrees, or the rounding of the single-precision key when that is more.
                const double lTolerance = std::max(1e-6, std::fabs(lAngles[a]) * 6e-8);
                EXPECT_NEAR(lCurves[a]->Evaluate(lTime), lAngles[a], lTolerance)
                    << lOrder << " frame " << f << " axis " << a;
            }
            KRyvTakeNode* lRootTake = lRootNode->GetCurrentTakeNode();
            EXPECT_EQ(lRootTake->GetTransformTY()->Evaluate(lTime),
                      static_cast<double>(static_cast<float>(lFrame[1])));
        }
    }
}

TEST(KReaderBvh, SampleFile)
{
    const std::string lPath = std::string(RYV_SAMPLES_DIR) + "/bvh/01_01.bvh";
    if (std::FILE* lProbe = std::fopen(lPath.c_str(), "r")) {
        std::fclose(lProbe);
    } else {
        GTEST_SKIP() << "no sample " << lPath;
    }
    // The importer's own settings: the constant key reducer on, unroll filter.
    BvhImportSettingsGuard lSettings(true);
    BvhTestScene lTest;
    ASSERT_TRUE(lTest.Read(lPath)) << lTest.mReader.GetMessage().Buffer();
    int lJoints = 0;
    int lEndSites = 0;
    for (int i = 0; i < lTest.mFactory.GetNodeCount(); ++i) {
        KRyvNode* lNode = lTest.mFactory.GetNode(i);
        if (lNode->GetSkeleton()) {
            const bool lEnd =
                std::string(lNode->GetName().Buffer()).find("_End") != std::string::npos;
            (lEnd ? lEndSites : lJoints) += 1;
        }
    }
    EXPECT_EQ(lJoints, 31);
    EXPECT_EQ(lEndSites, 7);
    EXPECT_EQ(lTest.mOptions->GetFrameCount(), 2752);
    EXPECT_DOUBLE_EQ(lTest.mOptions->GetFrameRate(), 120.0);
    ASSERT_NE(lTest.mScene->GetTakeInfo("01_01"), nullptr);
    EXPECT_EQ(lTest.mScene->GetTakeInfo("01_01")->mLocalStop, FrameTime(*lTest.mOptions, 2751));

    // Rest pose: LeftUpLeg's OFFSET 1.36306 -1.79463 0.83929.
    const KMatrix& lRest = lTest.Find("LeftUpLeg")->GetDefaultLocalMatrix();
    EXPECT_NEAR(lRest[3][0], 1.36306, 1e-6);
    EXPECT_NEAR(lRest[3][1], -1.79463, 1e-6);
    EXPECT_NEAR(lRest[3][2], 0.83929, 1e-6);

    // Values read from the file by hand (channels Zrotation Yrotation Xrotation).
    struct Frame
    {
        int mIndex;
        double mHips[6];
        double mLeftUpLeg[3];
    };
    const Frame kFrames[] = {
        {0, {9.3722, 17.8693, -17.3198, 0, 0, 0}, {-17, 0, 0}},
        {1000, {9.0373, 18.1429, 44.5038, -4.7909, -7.8618, -3.2169}, {-9.6522, 1.3129, 1.2199}},
        {2751,
         {8.8787, 17.8124, 38.5426, -186.9220, -158.2450, 178.1360},
         {-7.8333, 4.0920, -10.9712}},
    };
    KRyvNode* lHips = lTest.Find("Hips");
    KRyvNode* lLeg = lTest.Find("LeftUpLeg");
    for (const Frame& lFrame : kFrames) {
        const KTime lTime = FrameTime(*lTest.mOptions, lFrame.mIndex);
        KRyvTakeNode* lTake = lHips->GetCurrentTakeNode();
        // The key reducer may drop keys within its tolerance of 1e-4.
        EXPECT_NEAR(lTake->GetTransformTX()->Evaluate(lTime), lFrame.mHips[0], 2e-4);
        EXPECT_NEAR(lTake->GetTransformTY()->Evaluate(lTime), lFrame.mHips[1], 2e-4);
        EXPECT_NEAR(lTake->GetTransformTZ()->Evaluate(lTime), lFrame.mHips[2], 2e-4);
        EXPECT_LT(MaxRotationDifference(NodeRotationAt(lHips, lTime),
                                        BvhReferenceRotation("ZYX", lFrame.mHips + 3, 3)),
                  1e-5)
            << lFrame.mIndex;
        EXPECT_LT(MaxRotationDifference(NodeRotationAt(lLeg, lTime),
                                        BvhReferenceRotation("ZYX", lFrame.mLeftUpLeg, 3)),
                  1e-5)
            << lFrame.mIndex;
    }
}

TEST(KReaderBvh, WithoutReferenceTheRootJoinsTheSceneRoot)
{
    BvhImportSettingsGuard lSettings;
    BvhTestScene lTest;
    ASSERT_TRUE(lTest.Read(WriteBvhFile("noref.bvh", kWalk), 0));
    KRyvNode* lRoot = lTest.mScene->GetRootNode();
    ASSERT_EQ(lRoot->GetChildCount(), 1);
    EXPECT_STREQ(lRoot->GetChild(0)->GetName().Buffer(), "Model::Hips");
    EXPECT_EQ(lTest.mFactory.FindNode("BVH:reference"), nullptr);
}

TEST(KReaderBvh, RotationOnlyRootPositionOnlyJointAndSeveralEndSites)
{
    const char* const kText = "HIERARCHY\nROOT Base\n{\nOFFSET 4 5 6\n"
                              "CHANNELS 3 Zrotation Xrotation Yrotation\n"
                              "JOINT Slider\n{\nOFFSET 1 0 0\n"
                              "CHANNELS 3 Xposition Yposition Zposition\n"
                              "End Site\n{\nOFFSET 0 1 0\n}\nEnd Site\n{\nOFFSET 0 0 1\n}\n}\n}\n"
                              "MOTION\nFrames: 2\nFrame Time: 0.5\n0 0 0 7 8 9\n0 0 0 -7 -8 -9\n";
    BvhImportSettingsGuard lSettings;
    BvhTestScene lTest;
    ASSERT_TRUE(lTest.Read(WriteBvhFile("mixed.bvh", kText)))
        << lTest.mReader.GetMessage().Buffer();
    KRyvNode* lBase = lTest.Find("Base");
    EXPECT_DOUBLE_EQ(lBase->GetLocalMatrixAtTime(KTime())[3][0], 4.0);
    EXPECT_DOUBLE_EQ(lBase->GetLocalMatrixAtTime(KTime())[3][2], 6.0);
    KRyvNode* lSlider = lTest.Find("Slider");
    const KTime lSecond = FrameTime(*lTest.mOptions, 1);
    EXPECT_DOUBLE_EQ(lSlider->GetLocalMatrixAtTime(lSecond)[3][1], -8.0);
    EXPECT_NE(lTest.Find("Slider_End"), nullptr);
    EXPECT_NE(lTest.Find("Slider_End2"), nullptr);
    EXPECT_DOUBLE_EQ(lTest.mOptions->GetFrameRate(), 2.0);
}

TEST(KReaderBvh, ThroughTheImporter)
{
    BvhImportSettingsGuard lSettings;
    KRyvObjectFactory lFactory;
    KRyvScene* lScene = lFactory.CreateScene();
    KImporter lImporter(&lFactory);
    lImporter.SetFileFormat(KFileFormatRegistry::kImportBvh);
    ASSERT_TRUE(lImporter.Initialize(WriteBvhFile("imported.bvh", kWalk).c_str()));
    std::unique_ptr<KStreamOptions> lOptions = lImporter.GetReadOptions();
    ASSERT_NE(lOptions, nullptr);
    EXPECT_TRUE(lOptions->IsA(KStreamOptionsMotion::ClassId()));
    EXPECT_EQ(static_cast<KStreamOptionsMotion*>(lOptions.get())
                  ->GetOption(KReaderBvh::kOptionKeepReference),
              1);
    EXPECT_TRUE(lImporter.Import(lScene, lOptions.get()));
    EXPECT_NE(lFactory.FindNode("Chest"), nullptr);
}

TEST(KReaderBvh, RefusesMissingFileAndOptions)
{
    KRyvObjectFactory lFactory;
    KRyvScene* lScene = lFactory.CreateScene();
    const int lNodes = lFactory.GetNodeCount();
    KReaderBvh lReader(&lFactory);
    std::unique_ptr<KStreamOptionsMotion> lMotion = KStreamOptionsMotion::Create();
    EXPECT_FALSE(lReader.Read(lScene, lMotion.get()));
    EXPECT_EQ(lReader.GetError().GetLastErrorID(), KReader::kFileNotOpened);
    EXPECT_EQ(lReader.GetReadOptions(), nullptr);
    EXPECT_FALSE(lReader.FileClose());
    EXPECT_FALSE(lReader.FileOpen((testing::TempDir() + "no/such/walk.bvh").c_str()));
    EXPECT_EQ(lReader.GetError().GetLastErrorID(), KReader::kFileNotOpened);

    ASSERT_TRUE(lReader.FileOpen(WriteBvhFile("options.bvh", kWalk).c_str()));
    EXPECT_FALSE(lReader.Read(lScene, nullptr));
    EXPECT_EQ(lReader.GetError().GetLastErrorID(), KReader::kStreamOptionsNotSet);
    EXPECT_STREQ(lReader.GetError().GetLastErrorString().Buffer(), "Stream options not set");
    KStreamOptions lOther;
    EXPECT_FALSE(lReader.Read(lScene, &lOther));
    EXPECT_EQ(lReader.GetError().GetLastErrorID(), KReader::kStreamOptionsNotSet);
    EXPECT_EQ(lFactory.GetNodeCount(), lNodes);
    EXPECT_TRUE(lReader.FileClose());
    EXPECT_FALSE(lReader.IsFileOpen());
    // A motion header that cannot be read leaves no options, and says why.
    const std::string lNoMotion = std::string(kWalk).substr(0, std::string(kWalk).find("MOTION"));
    ASSERT_TRUE(lReader.MemoryOpen(lNoMotion.data(), lNoMotion.size(), "still.bvh"));
    EXPECT_EQ(lReader.GetReadOptions(), nullptr);
    EXPECT_EQ(lReader.GetError().GetLastErrorID(), KReader::kFileCorrupted);
    EXPECT_NE(std::string(lReader.GetError().GetLastErrorString().Buffer()).find("no MOTION block"),
              std::string::npos);
}

TEST(KReaderBvh, AValueBeyondSinglePrecisionNamesFrameAndJoint)
{
    BvhImportSettingsGuard lSettings;
    BvhTestScene lTest;
    std::string lText = kWalk;
    lText.replace(lText.find("11 21 31"), 8, "11 1e39 31");
    EXPECT_FALSE(lTest.Read(WriteBvhFile("huge.bvh", lText)));
    EXPECT_STREQ(lTest.mReader.GetError().GetLastErrorString().Buffer(),
                 "huge.bvh: frame 2: value out of range for \"Hips\"");
    EXPECT_EQ(lTest.mScene->GetRootNode()->GetChildCount(), 0);
}

// Joints without channels are keyed on every frame; a file of many of them and many short
// frames would ask for memory far beyond its size, and is refused. A few of them read as usual.
TEST(KReaderBvh, ManyJointsWithoutChannelsAreBoundedByTheFilesSize)
{
    const auto lFile = [](int pStaticJoints, int pFrames) {
        std::string lText = "HIERARCHY\nROOT Hips\n{\nOFFSET 0 0 0\nCHANNELS 1 Xrotation\n";
        for (int j = 0; j < pStaticJoints; ++j) {
            lText += "JOINT J" + std::to_string(j) +
                     "\n{\nOFFSET 0 1 0\nCHANNELS 0\nEnd Site\n{\nOFFSET 0 1 0\n}\n}\n";
        }
        lText += "}\nMOTION\nFrames: " + std::to_string(pFrames) + "\nFrame Time: 0.033333\n";
        for (int f = 0; f < pFrames; ++f) {
            lText += "0\n";
        }
        return lText;
    };
    BvhImportSettingsGuard lSettings;
    {
        BvhTestScene lTest;
        ASSERT_TRUE(lTest.Read(WriteBvhFile("few.bvh", lFile(20, 1000))))
            << lTest.mReader.GetMessage().Buffer();
    }
    BvhTestScene lTest;
    EXPECT_FALSE(lTest.Read(WriteBvhFile("many.bvh", lFile(3000, 10000))));
    EXPECT_STREQ(lTest.mReader.GetError().GetLastErrorString().Buffer(),
                 "many.bvh: too many keys for the size of the file (joints without channels)");
    EXPECT_EQ(lTest.mScene->GetRootNode()->GetChildCount(), 0);
}

TEST(KReaderBvh, ABadLineIsNamedBeforeAValueOutOfRangeAboveIt)
{
    BvhImportSettingsGuard lSettings;
    BvhTestScene lTest;
    std::string lText = kWalk;
    lText.replace(lText.find("11 21 31"), 8, "11 1e39 31");
    lText.replace(lText.find("12 22 32"), 8, "12 22 x ");
    EXPECT_FALSE(lTest.Read(WriteBvhFile("both.bvh", lText)));
    const std::string lError = lTest.mReader.GetError().GetLastErrorString().Buffer();
    EXPECT_NE(lError.find("bad number \"x\""), std::string::npos) << lError;
    EXPECT_EQ(lTest.mScene->GetRootNode()->GetChildCount(), 0);
}

TEST(KReaderBvh, ErrorsQuoteOnlyAPrefixOfAHugeValue)
{
    BvhImportSettingsGuard lSettings;
    BvhTestScene lTest;
    std::string lText = kWalk;
    lText.replace(lText.find("11 21 31"), 8, "11 2" + std::string(1 << 20, '1') + "x 31");
    EXPECT_FALSE(lTest.Read(WriteBvhFile("long.bvh", lText)));
    const std::string lError = lTest.mReader.GetError().GetLastErrorString().Buffer();
    EXPECT_NE(lError.find("bad number \"2" + std::string(39, '1') + "...\""), std::string::npos)
        << lError.substr(0, 200);
    EXPECT_LT(lError.size(), 200u);
}

TEST(KReaderBvh, TheKeyReducerThinsConstantTranslationsAndRotations)
{
    BvhImportSettingsGuard lSettings(true);
    BvhTestScene lTest;
    std::string lText = kWalk;
    for (const char* lFrame : {"10 20 30", "11 21 31", "12 22 32"}) {
        lText.replace(lText.find(lFrame), 8, "5 5 5   ");
    }
    ASSERT_TRUE(lTest.Read(WriteBvhFile("still.bvh", lText)));
    KRyvTakeNode* lTake = lTest.Find("Hips")->GetCurrentTakeNode();
    EXPECT_LT(lTake->GetTransformTX()->GetKeyCount(), 3);
    EXPECT_LT(lTake->GetTransformRX()->GetKeyCount(), 3);
    EXPECT_DOUBLE_EQ(lTake->GetTransformTX()->Evaluate(FrameTime(*lTest.mOptions, 2)), 5.0);
}

} // namespace
