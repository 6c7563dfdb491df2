#include "formats/motion/htr/KWriterHtr.h"

#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"
#include "io/KExporter.h"
#include "io/KFileFormatRegistry.h"
#include "io/KImporter.h"
#include "scene/objects/KRyvPose.h"
#include "tests/support/KSceneComparer.h"

#include "HtrTestFiles.h"
#include "HtrTestScene.h"

#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kSegments = 40;
constexpr int kFrames = 12;

std::string Number(double pValue)
{
    char lText[40];
    std::snprintf(lText, sizeof(lText), "%.6g", pValue);
    return lText;
}

// A hierarchy of 40 segments (each below a random earlier one) with random base positions,
// turned bases and random motion, in centimetres, the given order word and 24 fps.
std::string RandomHierarchy(const char* pOrder, unsigned pSeed)
{
    std::mt19937 lRandom(pSeed);
    std::uniform_real_distribution<double> lAngle(-180.0, 180.0);
    std::uniform_real_distribution<double> lLength(-20.0, 20.0);
    std::string lText = "[Header]\nFileType htr\nDataType HTRS\nNumSegments " +
                        std::to_string(kSegments) + "\nNumFrames " + std::to_string(kFrames) +
                        "\nDataFrameRate 24\nEulerRotationOrder " + pOrder +
                        "\nCalibrationUnits cm\nRotationUnits Degrees\nBoneLengthAxis Y\n"
                        "ScaleFactor 1\n[SegmentNames&Hierarchy]\n";
    for (int s = 0; s < kSegments; ++s) {
        const int lParent = s == 0 ? -1 : static_cast<int>(lRandom() % static_cast<unsigned>(s));
        lText += "S" + std::to_string(s) + "\t" +
                 (lParent < 0 ? std::string("GLOBAL") : "S" + std::to_string(lParent)) + "\n";
    }
    lText += "[BasePosition]\n";
    for (int s = 0; s < kSegments; ++s) {
        lText += "S" + std::to_string(s);
        for (int i = 0; i < 3; ++i) {
            lText += "\t" + Number(lLength(lRandom));
        }
        for (int i = 0; i < 3; ++i) {
            lText += "\t" + Number(lAngle(lRandom) / 2);
        }
        lText += "\t" + Number(std::fabs(lLength(lRandom))) + "\n";
    }
    for (int s = 0; s < kSegments; ++s) {
        lText += "[S" + std::to_string(s) + "]\n";
        for (int f = 0; f < kFrames; ++f) {
            lText += std::to_string(f + 1);
            for (int i = 0; i < 3; ++i) {
                lText += "\t" + Number(lLength(lRandom) / 4);
            }
            for (int i = 0; i < 3; ++i) {
                lText += "\t" + Number(lAngle(lRandom));
            }
            lText += "\t1\n";
        }
    }
    return lText + "[EndOfFile]\n";
}

// The largest difference of the global matrices of the named nodes over the frames: positions
// (oPosition) and rotation elements (oRotation); oSize is the largest position coordinate.
void CompareGlobals(HtrTestScene& pExpected, HtrTestScene& pActual,
                    const std::vector<std::string>& pNames, int pFrames, double& oPosition,
                    double& oRotation, double& oSize)
{
    oPosition = oRotation = oSize = 0.0;
    for (const std::string& lName : pNames) {
        KRyvNode* lExpected = pExpected.Find(lName.c_str());
        KRyvNode* lActual = pActual.Find(lName.c_str());
        ASSERT_NE(lExpected, nullptr) << lName;
        ASSERT_NE(lActual, nullptr) << lName;
        for (int f = 0; f < pFrames; ++f) {
            const KMatrix lA = lExpected->GetGlobalMatrixAtTime(pExpected.FrameTime(f));
            const KMatrix lB = lActual->GetGlobalMatrixAtTime(pActual.FrameTime(f));
            for (int i = 0; i < 3; ++i) {
                oSize = std::max(oSize, std::fabs(lA[3][i]));
                oPosition = std::max(oPosition, std::fabs(lA[3][i] - lB[3][i]));
                for (int j = 0; j < 3; ++j) {
                    oRotation = std::max(oRotation, std::fabs(lA[i][j] - lB[i][j]));
                }
            }
        }
    }
}

TEST(KWriterHtr, RoundTripOfFortySegmentsInEveryOrder)
{
    // Read, written and read again: every joint's global matrix on every frame agrees, with
    // the rotation offset minimised or not; scale stays 1, rate and count are kept. Written
    // once more, the second reading is the same scene as the third.
    const char* const kOrders[6] = {"ZYX", "YXZ", "XZY", "ZXY", "YZX", "XYZ"};
    std::vector<std::string> lNames;
    for (int s = 0; s < kSegments; ++s) {
        lNames.push_back("S" + std::to_string(s));
    }
    for (const char* lMinimize : {"No", "Yes"}) {
        HtrSettingsGuard lSettings(lMinimize);
        for (int o = 0; o < 6; ++o) {
            const std::string lLabel = std::string(kOrders[o]) + ", minimize " + lMinimize;
            HtrTestScene lFirst;
            ASSERT_TRUE(lFirst.Read(WriteHtrFile("a/walk.htr", RandomHierarchy(kOrders[o], 7 + o))))
                << lLabel << lFirst.mReader.GetMessage().Buffer();
            const std::string lWritten = WriteHtrFile("b/walk.htr", "");
            std::string lError;
            ASSERT_TRUE(lFirst.Write(lWritten, &lError)) << lLabel << ": " << lError;
            HtrTestScene lSecond;
            ASSERT_TRUE(lSecond.Read(lWritten)) << lLabel << lSecond.mReader.GetMessage().Buffer();
            double lPosition = 0.0;
            double lRotation = 0.0;
            double lSize = 0.0;
            CompareGlobals(lFirst, lSecond, lNames, kFrames, lPosition, lRotation, lSize);
            EXPECT_LT(lPosition, 1e-4 * lSize) << lLabel;
            EXPECT_LT(lRotation, 1e-4) << lLabel;
            EXPECT_EQ(lSecond.mOptions->GetFrameCount(), kFrames) << lLabel;
            EXPECT_DOUBLE_EQ(lSecond.mOptions->GetFrameRate(), 24.0) << lLabel;
            KRyvTakeNode* lTake = lSecond.Find("S17")->GetCurrentTakeNode();
            EXPECT_EQ(lTake->GetTransformSZ()->GetKeyCount(), kFrames) << lLabel;
            EXPECT_EQ(lTake->GetTransformSZ()->Evaluate(lSecond.FrameTime(5)), 1.0) << lLabel;

            const std::string lAgain = WriteHtrFile("c/walk.htr", "");
            ASSERT_TRUE(lSecond.Write(lAgain));
            HtrTestScene lThird;
            ASSERT_TRUE(lThird.Read(lAgain));
            KSceneComparer::Options lCompare;
            lCompare.mTolerance = 1e-4;
            EXPECT_EQ(KSceneComparer(lCompare).Compare(*lSecond.mScene, *lThird.mScene), "")
                << lLabel;
        }
    }
}

TEST(KWriterHtr, BvhSampleThroughHtrKeepsTheMotion)
{
    // The real BVH file read, written as HTR and read back: every joint's global matrix agrees
    // on the frames read, End Sites too (each the "_End" node below its joint), and the segment
    // count is the joint count.
    const std::string lSample = std::string(RYV_SAMPLES_DIR) + "/bvh/01_01.bvh";
    if (!std::ifstream(lSample).good()) {
        GTEST_SKIP() << "no samples folder";
    }
    constexpr int kSampleFrames = 240;
    HtrSettingsGuard lSettings("Yes");
    HtrTestScene lBvh;
    ASSERT_TRUE(lBvh.ReadBvh(lSample, kSampleFrames));
    const std::string lWritten = WriteHtrFile("01_01.htr", "");
    ASSERT_TRUE(lBvh.Write(lWritten));
    HtrTestScene lHtr;
    ASSERT_TRUE(lHtr.Read(lWritten)) << lHtr.mReader.GetMessage().Buffer();
    std::vector<std::string> lNames;
    int lJoints = 0;
    for (int i = 0; i < lBvh.mFactory.GetNodeCount(); ++i) {
        KRyvNode* lNode = lBvh.mFactory.GetNode(i);
        if (lNode->IsMarked()) {
            lNames.push_back(lNode->GetNameWithoutPrefix().Buffer());
            lJoints += lNames.back().find("_End") == std::string::npos ? 1 : 0;
        }
    }
    ASSERT_EQ(lJoints, 31);
    EXPECT_NE(TempFolder::Read(lWritten).find("NumSegments 31\n"), std::string::npos);
    double lPosition = 0.0;
    double lRotation = 0.0;
    double lSize = 0.0;
    CompareGlobals(lBvh, lHtr, lNames, kSampleFrames, lPosition, lRotation, lSize);
    EXPECT_LT(lPosition, 1e-4 * lSize);
    EXPECT_LT(lRotation, 1e-4);
    EXPECT_DOUBLE_EQ(lHtr.mOptions->GetFrameRate(), 120.0);
}

TEST(KWriterHtr, WritesTheSegmentsItReadAndTheRateAsItIs)
{
    // A skeleton read from HTR writes the same segments (its end nodes are skipped); a 30 fps
    // take says 30, a 29.97 fps one 29.97.
    HtrSettingsGuard lSettings;
    HtrTestScene lTest;
    ASSERT_TRUE(lTest.Read(WriteHtrFile("arm.htr", kHtrArm)));
    const std::string lPath = WriteHtrFile("out.htr", "");
    ASSERT_TRUE(lTest.Write(lPath));
    const std::string lText = TempFolder::Read(lPath);
    EXPECT_NE(lText.find("NumSegments 2\nNumFrames 2\nDataFrameRate 30\n"), std::string::npos);
    EXPECT_NE(lText.find("[SegmentNames&Hierarchy]\nRoot\tGLOBAL\nArm\tRoot\n[BasePosition]\n"
                         "Root\t10\t20\t30\t0\t0\t0\t100\nArm\t0\t100\t0\t0\t0\t0\t50\n[Root]\n"
                         "1\t0\t0\t0\t0\t0\t0\t1.0\n2\t10\t0\t0\t0\t0\t90\t1.0\n[Arm]\n"),
              std::string::npos)
        << lText;
    EXPECT_EQ(lText.find("Arm_End"), std::string::npos);
    lTest.mOptions->SetTimeMode(0, 30000.0 / 1001.0);
    ASSERT_TRUE(lTest.Write(lPath));
    EXPECT_NE(TempFolder::Read(lPath).find("DataFrameRate 29.97\n"), std::string::npos);
}

TEST(KWriterHtr, RestPoseGivesTheBasePositions)
{
    // The rest pose named after the reference node replaces the default transform of the
    // nodes it names.
    HtrSettingsGuard lSettings;
    HtrTestScene lTest;
    ASSERT_TRUE(lTest.Read(WriteHtrFile("arm.htr", kHtrArm)));
    KRyvPose* lPose = lTest.mScene->GetPose(0);
    lPose->RemoveAt(lPose->Find("Arm"));
    KMatrix lRest;
    MatrixSetTRS(lRest, KVector4(0.0, 20.0, 0.0), KVector4(), KVector4(1.0, 1.0, 1.0));
    ASSERT_GE(lPose->Add("Arm", lRest, true), 0);
    const std::string lPath = WriteHtrFile("rest.htr", "");
    ASSERT_TRUE(lTest.Write(lPath));
    const std::string lText = TempFolder::Read(lPath);
    EXPECT_NE(lText.find("Arm\t0\t200\t0\t0\t0\t0\t50\n"), std::string::npos) << lText;
    // The frames are relative to that base: Arm's 10 cm at rest is -100 mm from it.
    EXPECT_NE(lText.find("[Arm]\n1\t0\t-100\t0\t0\t0\t0\t1.0\n"), std::string::npos) << lText;
}

TEST(KWriterHtr, RefusesWhatTheFormatCannotHold)
{
    HtrSettingsGuard lSettings;
    struct Bad
    {
        const char* mName;
        const char* mError;
    };
    const Bad kBad[] = {{"Two words", "Spaces are not allowed in HTR node names:"},
                        {"#Arm", "HTR cannot hold the node name"},
                        {"[Arm]", "HTR cannot hold the node name"},
                        {"GLOBAL", "HTR cannot hold the node name"}};
    for (const Bad& lCase : kBad) {
        HtrTestScene lTest;
        ASSERT_TRUE(lTest.Read(WriteHtrFile("arm.htr", kHtrArm)));
        lTest.Find("Arm")->SetName(lCase.mName);
        const std::string lPath = WriteHtrFile("kept.htr", "an older file\n");
        std::string lError;
        EXPECT_FALSE(lTest.Write(lPath, &lError)) << lCase.mName;
        EXPECT_NE(lError.find(lCase.mError), std::string::npos) << lCase.mName << ": " << lError;
        EXPECT_EQ(TempFolder::Read(lPath), "an older file\n");
    }
    // No root to write, options of another kind.
    KRyvObjectFactory lFactory;
    KRyvScene* lScene = lFactory.CreateScene();
    KWriterHtr lWriter(&lFactory);
    std::unique_ptr<KStreamOptions> lOptions = lWriter.GetWriteOptions();
    ASSERT_TRUE(lWriter.FileCreate(WriteHtrFile("none.htr", "").c_str()));
    EXPECT_FALSE(lWriter.Write(lScene, lOptions.get()));
    EXPECT_EQ(lWriter.GetError().GetLastErrorID(), KWriter::kFileNotCreated);
    EXPECT_STREQ(lWriter.GetError().GetLastErrorString().Buffer(), "Can not find root node.");
    EXPECT_NE(lWriter.FindMissingContent(lScene), nullptr);
}

TEST(KWriterHtr, ThroughTheImporterAndExporter)
{
    HtrSettingsGuard lSettings;
    EXPECT_EQ(KFileFormatRegistry::Kit().GetImportFormatFromFileName("walk.HTR"),
              KFileFormatRegistry::kImportHtr);
    EXPECT_EQ(KFileFormatRegistry::Kit().GetExportFormatFromFileName("walk.htr"),
              KFileFormatRegistry::kExportHtr);
    KRyvObjectFactory lFactory;
    KRyvScene* lScene = lFactory.CreateScene();
    KImporter lImporter(&lFactory);
    lImporter.SetFileFormat(KFileFormatRegistry::kImportHtr);
    ASSERT_TRUE(lImporter.Initialize(WriteHtrFile("arm.htr", kHtrArm).c_str()));
    std::unique_ptr<KStreamOptions> lReadOptions = lImporter.GetReadOptions();
    ASSERT_NE(lReadOptions, nullptr);
    ASSERT_TRUE(lImporter.Import(lScene, lReadOptions.get()));
    ASSERT_NE(lFactory.FindNode("Arm"), nullptr);
    KExporter lExporter(&lFactory);
    const std::string lPath = WriteHtrFile("exported.htr", "");
    lExporter.Initialize(lPath.c_str());
    lExporter.SetFileFormat(KFileFormatRegistry::kExportHtr);
    std::unique_ptr<KStreamOptions> lWriteOptions = lExporter.GetWriteOptions();
    ASSERT_NE(lWriteOptions, nullptr);
    static_cast<KStreamOptionsMotion*>(lWriteOptions.get())->SetFrameCount(2);
    ASSERT_TRUE(lExporter.Export(lScene, lWriteOptions.get()));
    EXPECT_NE(TempFolder::Read(lPath).find("[Arm]\n1\t"), std::string::npos);
}

} // namespace
