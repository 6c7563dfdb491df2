#include "formats/motion/bvh/KWriterBvh.h"

#include "animation/KFCurve.h"
#include "formats/motion/bvh/KBvhFile.h"
#include "io/KExporter.h"
#include "io/KFileFormatRegistry.h"
#include "scene/KRyvSkeleton.h"
#include "scene/objects/KRyvNodeLimits.h"

#include "BvhTestScene.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <sstream>
#include <vector>

namespace {

std::string ReadText(const std::string& pPath)
{
    std::ifstream lIn(pPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(lIn), std::istreambuf_iterator<char>());
}

// The numbers of the frame lines of a written file, one vector per line.
std::vector<std::vector<double>> FrameLines(const std::string& pText)
{
    std::vector<std::vector<double>> lFrames;
    std::istringstream lIn(pText.substr(pText.find("Frame Time:")));
    std::string lLine;
    std::getline(lIn, lLine);
    while (std::getline(lIn, lLine)) {
        std::vector<double> lValues;
        const char* lAt = lLine.c_str();
        char* lEnd = nullptr;
        for (double lValue = std::strtod(lAt, &lEnd); lEnd != lAt;
             lValue = std::strtod(lAt, &lEnd)) {
            lValues.push_back(lValue);
            lAt = lEnd;
        }
        lFrames.push_back(lValues);
    }
    return lFrames;
}

std::unique_ptr<KStreamOptionsMotion> WriteOptions(KWriterBvh& pWriter, int pFrames, double pRate)
{
    std::unique_ptr<KStreamOptionsMotion> lOptions(
        static_cast<KStreamOptionsMotion*>(pWriter.GetWriteOptions().release()));
    lOptions->SetFrameCount(pFrames);
    lOptions->SetTimeMode(0, pRate);
    return lOptions;
}

bool WriteScene(KRyvScene* pScene, const std::string& pPath, KStreamOptionsMotion* pOptions,
                KWriterBvh& ioWriter)
{
    return ioWriter.FileCreate(pPath.c_str()) && ioWriter.Write(pScene, pOptions);
}

TEST(KWriterBvh, HeaderChannelsAndEndSites)
{
    KRyvObjectFactory lFactory;
    KRyvScene* lScene = lFactory.CreateScene();
    KRyvNode* lHips = AddJoint(lFactory, lScene->GetRootNode(), "Hips", KVector4(1, 2, 3));
    KRyvNode* lChest = AddJoint(lFactory, lHips, "Chest", KVector4(0, 5, 0));
    AddJoint(lFactory, lChest, "Head", KVector4(0, 4, 0));
    // A leaf with a sibling is a joint, ending in an End Site along its limits' axis.
    KRyvNode* lLeg = AddJoint(lFactory, lHips, "Leg", KVector4(1, -5, 0));
    KRyvNodeLimits& lLimits = lLeg->GetLimits();
    lLimits.SetAuto(KRyvNodeLimits::eRotation, false);
    lLimits.SetRotationAxis(KVector4(0, 0, 0));
    lLimits.SetAxisLength(10.0);

    KWriterBvh lWriter(&lFactory);
    std::unique_ptr<KStreamOptionsMotion> lOptions = WriteOptions(lWriter, 0, 30.0);
    EXPECT_EQ(lOptions->GetOption(KWriterBvh::kOptionSixChannels), 0);
    EXPECT_EQ(lOptions->GetOption(KWriterBvh::kOptionGlobalRoot), 0);
    EXPECT_EQ(lOptions->GetOption(KWriterBvh::kOptionWritten), 1);
    const std::string lPath = WriteBvhFile("header.bvh", "");
    ASSERT_TRUE(WriteScene(lScene, lPath, lOptions.get(), lWriter))
        << lWriter.GetError().GetLastErrorString().Buffer();
    const char* const kExpected = "HIERARCHY\nROOT Hips\n{\n  OFFSET 1 2 3\n"
                                  "  CHANNELS 6 Xposition Yposition Zposition Zrotation Xrotation "
                                  "Yrotation\n  JOINT Chest\n  {\n    OFFSET 0 5 0\n"
                                  "    CHANNELS 3 Zrotation Xrotation Yrotation\n    End Site\n"
                                  "    {\n      OFFSET 0 4 0\n    }\n  }\n  JOINT Leg\n"
                                  "  {\n    OFFSET 1 -5 0\n"
                                  "    CHANNELS 3 Zrotation Xrotation Yrotation\n    End Site\n"
                                  "    {\n      OFFSET 10 0 0\n    }\n  }\n}\nMOTION\n"
                                  "Frames:\t0\nFrame Time:\t0.0333333\n";
    EXPECT_EQ(ReadText(lPath), kExpected);
    EXPECT_FALSE(lWriter.Write(lScene, lOptions.get()));
    EXPECT_EQ(lWriter.GetError().GetLastErrorID(), KWriter::kFileNotOpened);
    EXPECT_TRUE(lWriter.FileClose());

    KWriterBvh lSix(&lFactory);
    lOptions->SetOption(KWriterBvh::kOptionSixChannels, 1);
    ASSERT_TRUE(WriteScene(lScene, lPath, lOptions.get(), lSix));
    const std::string lText = ReadText(lPath);
    EXPECT_EQ(lText.find("CHANNELS 3"), std::string::npos);
    EXPECT_NE(lText.find("  JOINT Leg\n  {\n    OFFSET 1 -5 0\n    CHANNELS 6"), std::string::npos);
}

TEST(KWriterBvh, GoldenDecompositionAndGimbalLock)
{
    // Kit Euler X, Y, Z rotations written as Zrotation Xrotation Yrotation, read back through
    // the reference evaluator, give the same rotation; X = 90 is the gimbal case.
    const KVector4 kRotations[] = {KVector4(10, 20, 30), KVector4(90, 35, -20),
                                   KVector4(-90, 10, 80), KVector4(170, -60, 120)};
    for (const KVector4& lRotation : kRotations) {
        KRyvObjectFactory lFactory;
        KRyvScene* lScene = lFactory.CreateScene();
        KRyvNode* lHips = AddJoint(lFactory, lScene->GetRootNode(), "Hips", KVector4());
        lHips->SetLclRotation(lRotation);
        KWriterBvh lWriter(&lFactory);
        std::unique_ptr<KStreamOptionsMotion> lOptions = WriteOptions(lWriter, 1, 30.0);
        const std::string lPath = WriteBvhFile("golden.bvh", "");
        ASSERT_TRUE(WriteScene(lScene, lPath, lOptions.get(), lWriter));
        const std::vector<std::vector<double>> lFrames = FrameLines(ReadText(lPath));
        ASSERT_EQ(lFrames.size(), 1u);
        ASSERT_EQ(lFrames[0].size(), 6u);
        KMatrix lExpected;
        MatrixSetIdentity(lExpected);
        EulerToMatrixXYZ(lExpected, lRotation[0], lRotation[1], lRotation[2]);
        EXPECT_LT(
            MaxRotationDifference(BvhReferenceRotation("ZXY", lFrames[0].data() + 3, 3), lExpected),
            2e-5)
            << lRotation[0] << " " << lRotation[1] << " " << lRotation[2];
    }
}

// Reads pSource and writes what was read into pTarget over the span read; the written text.
std::string Convert(const std::string& pSource, const std::string& pTarget)
{
    BvhTestScene lScene;
    EXPECT_TRUE(lScene.Read(pSource, 0)) << pSource;
    KWriterBvh lWriter(&lScene.mFactory);
    std::unique_ptr<KStreamOptionsMotion> lOptions =
        WriteOptions(lWriter, lScene.mOptions->GetFrameCount(), lScene.mOptions->GetFrameRate());
    lOptions->SetStart(lScene.mOptions->GetStart());
    EXPECT_TRUE(WriteScene(lScene.mScene, pTarget, lOptions.get(), lWriter)) << pTarget;
    return ReadText(pTarget);
}

// Motion whose small angles sit beside large ones and a joint that keeps turning, so that its
// unrolled keys grow to several turns.
std::string MixedMagnitudeMotion()
{
    std::string lText = "HIERARCHY\nROOT Root\n{\nOFFSET 0 0 0\nCHANNELS 6 Xposition Yposition "
                        "Zposition Zrotation Yrotation Xrotation\nJOINT Spin\n{\nOFFSET 0 3 0\n"
                        "CHANNELS 3 Zrotation Xrotation Yrotation\nEnd Site\n{\nOFFSET 0 1 0\n}\n"
                        "}\n}\nMOTION\nFrames: 60\nFrame Time: 0.0333333\n";
    std::mt19937 lRandom(7);
    std::uniform_real_distribution<double> lSmall(-0.01, 0.01);
    std::uniform_real_distribution<double> lLarge(-170.0, 170.0);
    for (int f = 0; f < 60; ++f) {
        const double lValues[9] = {lLarge(lRandom) / 3,
                                   17.25,
                                   lSmall(lRandom),
                                   lSmall(lRandom),
                                   lLarge(lRandom),
                                   lSmall(lRandom) / 100,
                                   std::remainder(f * 37.3, 360.0),
                                   lSmall(lRandom),
                                   lSmall(lRandom)};
        for (double lValue : lValues) {
            char lNumber[40];
            std::snprintf(lNumber, sizeof(lNumber), "%.6g ", lValue);
            lText += lNumber;
        }
        lText += "\n";
    }
    return lText;
}

TEST(KWriterBvh, AnEndSiteBesideAJointOfALongNamedParentIsWritten)
{
    BvhImportSettingsGuard lSettings;
    // The parent's name is 124 characters: "<parent>_End" would pass the 127-character limit.
    const std::string lParent(124, 'P');
    const std::string lText =
        "HIERARCHY\nROOT Hips\n{\n  OFFSET 0 0 0\n  CHANNELS 3 Zrotation Xrotation Yrotation\n"
        "  JOINT " +
        lParent +
        "\n  {\n    OFFSET 0 1 0\n    CHANNELS 3 Zrotation Xrotation "
        "Yrotation\n    JOINT Tip\n    {\n      OFFSET 0 1 0\n      CHANNELS 3 Zrotation "
        "Xrotation Yrotation\n      End Site\n      {\n        OFFSET 0 1 0\n      }\n    }\n"
        "    End Site\n    {\n      OFFSET 1 0 0\n    }\n    End Site\n    {\n      OFFSET 2 0 "
        "0\n    }\n  }\n}\nMOTION\nFrames: 1\nFrame Time: 0.04\n0 0 0 0 0 0 0 0 0\n";
    const std::string lWritten =
        Convert(WriteBvhFile("long.bvh", lText), WriteBvhFile("long-out.bvh", ""));
    BvhTestScene lBack;
    ASSERT_TRUE(lBack.Read(WriteBvhFile("long-back.bvh", lWritten)))
        << lBack.mReader.GetMessage().Buffer();
    // The End Sites came back as joints whose names fit and stay apart.
    for (const char* lSuffix : {"_End", "_End2"}) {
        const std::string lName = lParent.substr(0, 127 - std::string(lSuffix).size()) + lSuffix;
        EXPECT_NE(lBack.Find(lName.c_str()), nullptr) << lSuffix;
    }
}

TEST(KWriterBvh, ItsOwnOutputIsAFixedPoint)
{
    // What the writer wrote reads back and writes out byte for byte the same. With the constant
    // key reducer on, the keys it removes from the source are evaluated into the first output;
    // the output of the second pass is the fixed point then.
    const std::string lSample = std::string(RYV_SAMPLES_DIR) + "/bvh/01_01.bvh";
    std::vector<std::string> lSources{WriteBvhFile("mixed.bvh", MixedMagnitudeMotion())};
    if (std::ifstream(lSample).good()) {
        lSources.push_back(lSample);
    }
    for (const bool lReduce : {false, true}) {
        BvhImportSettingsGuard lSettings(lReduce);
        for (const std::string& lSource : lSources) {
            std::string lFirst = Convert(lSource, WriteBvhFile("first.bvh", ""));
            if (lReduce) {
                lFirst =
                    Convert(WriteBvhFile("first.bvh", lFirst), WriteBvhFile("settled.bvh", ""));
            }
            const std::string lSecond =
                Convert(WriteBvhFile("first.bvh", lFirst), WriteBvhFile("second.bvh", ""));
            EXPECT_EQ(lSecond, lFirst) << lSource << (lReduce ? " (reducing keys)" : "");
        }
    }
}

// The ROOT and JOINT names of a BVH text, in order.
std::vector<std::string> JointNames(const std::string& pText)
{
    std::vector<std::string> lNames;
    std::istringstream lLines(pText);
    std::string lWord;
    while (lLines >> lWord) {
        if (lWord == "ROOT" || lWord == "JOINT") {
            lLines >> lWord;
            lNames.push_back(lWord);
        }
    }
    return lNames;
}

TEST(KWriterBvh, ReadAndWrittenTheJointsKeepTheirNames)
{
    BvhImportSettingsGuard lSettings;
    const std::string lSource = MixedMagnitudeMotion();
    const std::string lWritten =
        Convert(WriteBvhFile("names.bvh", lSource), WriteBvhFile("names-out.bvh", ""));
    ASSERT_FALSE(JointNames(lSource).empty());
    EXPECT_EQ(JointNames(lWritten), JointNames(lSource));
    EXPECT_EQ(lWritten.find("Model::"), std::string::npos);
}

TEST(KWriterBvh, RoundTripInEveryChannelOrder)
{
    // A file in each channel order with random motion and gimbal frames is read, written and
    // read again: rotations agree to print precision, the second read holds exactly what the
    // writer printed, translations are the printed values, frame rate and count are kept.
    const char* const kOrders[6] = {"XYZ", "XZY", "YXZ", "YZX", "ZXY", "ZYX"};
    const char* const kNames[3] = {"Xrotation", "Yrotation", "Zrotation"};
    constexpr int kFrames = 30;
    BvhImportSettingsGuard lSettings;
    std::mt19937 lRandom(99);
    std::uniform_real_distribution<double> lAngle(-180.0, 180.0);
    std::uniform_real_distribution<double> lLength(-50.0, 50.0);
    for (const char* lOrder : kOrders) {
        std::string lChannels;
        for (int i = 0; i < 3; ++i) {
            lChannels += std::string(" ") + kNames[lOrder[i] - 'X'];
        }
        std::string lText = "HIERARCHY\nROOT Root\n{\nOFFSET 0 0 0\nCHANNELS 6 Xposition "
                            "Yposition Zposition" +
                            lChannels + "\nJOINT Arm\n{\nOFFSET 0 3 0\nCHANNELS 3" + lChannels +
                            "\nJOINT Hand\n{\nOFFSET 0 2 0\nCHANNELS 3" + lChannels +
                            "\nEnd Site\n{\nOFFSET 0 1 0\n}\n}\n}\n}\nMOTION\nFrames: 30\n"
                            "Frame Time: 0.04\n";
        for (int f = 0; f < kFrames; ++f) {
            for (int v = 0; v < 12; ++v) {
                double lValue = v < 3 ? lLength(lRandom) : lAngle(lRandom);
                // Every fifth frame locks the Arm's middle turn.
                if (f % 5 == 4 && v == 7) {
                    lValue = f % 10 == 4 ? 90.0 : -90.0;
                }
                char lNumber[40];
                std::snprintf(lNumber, sizeof(lNumber), "%.17g ", lValue);
                lText += lNumber;
            }
            lText += "\n";
        }
        BvhTestScene lFirst;
        ASSERT_TRUE(lFirst.Read(WriteBvhFile(std::string("in_") + lOrder + ".bvh", lText)));
        KWriterBvh lWriter(&lFirst.mFactory);
        std::unique_ptr<KStreamOptions> lWriteOptions = lWriter.GetWriteOptions();
        auto* lMotion = static_cast<KStreamOptionsMotion*>(lWriteOptions.get());
        lMotion->SetFrameCount(lFirst.mOptions->GetFrameCount());
        lMotion->SetTimeMode(lFirst.mOptions->GetTimeMode(), lFirst.mOptions->GetFrameRate());
        const std::string lOut = WriteBvhFile(std::string("out_") + lOrder + ".bvh", "");
        ASSERT_TRUE(lWriter.FileCreate(lOut.c_str()));
        ASSERT_TRUE(lWriter.Write(lFirst.mScene, lMotion))
            << lWriter.GetError().GetLastErrorString().Buffer();
        const std::vector<std::vector<double>> lPrinted = FrameLines(ReadText(lOut));
        ASSERT_EQ(lPrinted.size(), static_cast<std::size_t>(kFrames));

        BvhTestScene lSecond;
        ASSERT_TRUE(lSecond.Read(lOut)) << lSecond.mReader.GetMessage().Buffer();
        EXPECT_EQ(lSecond.mOptions->GetFrameCount(), kFrames);
        EXPECT_DOUBLE_EQ(lSecond.mOptions->GetFrameRate(), 25.0);
        const char* const kJoints[3] = {"Root", "Arm", "Hand"};
        for (int f = 0; f < kFrames; ++f) {
            const KTime lTime = lFirst.mOptions->GetFramePeriod() * f;
            ASSERT_EQ(lPrinted[static_cast<std::size_t>(f)].size(), 12u);
            const double* lValues = lPrinted[static_cast<std::size_t>(f)].data();
            for (int j = 0; j < 3; ++j) {
                KRyvNode* lBefore = lFirst.Find(kJoints[j]);
                KRyvNode* lAfter = lSecond.Find(kJoints[j]);
                ASSERT_NE(lAfter, nullptr);
                EXPECT_LT(MaxRotationDifference(NodeRotationAt(lBefore, lTime),
                                                NodeRotationAt(lAfter, lTime)),
                          5e-5)
                    << lOrder << " " << kJoints[j] << " frame " << f;
                const double* lAngles = lValues + (j == 0 ? 3 : 3 + 3 * j);
                EXPECT_LT(MaxRotationDifference(NodeRotationAt(lAfter, lTime),
                                                BvhReferenceRotation("ZXY", lAngles, 3)),
                          3e-6)
                    << lOrder << " " << kJoints[j] << " frame " << f;
            }
            KRyvTakeNode* lTake = lSecond.Find("Root")->GetCurrentTakeNode();
            KFCurve* lTranslation[3] = {lTake->GetTransformTX(), lTake->GetTransformTY(),
                                        lTake->GetTransformTZ()};
            KRyvTakeNode* lOldTake = lFirst.Find("Root")->GetCurrentTakeNode();
            KFCurve* lOldTranslation[3] = {lOldTake->GetTransformTX(), lOldTake->GetTransformTY(),
                                           lOldTake->GetTransformTZ()};
            for (int a = 0; a < 3; ++a) {
                char lPrint[40];
                std::snprintf(lPrint, sizeof(lPrint), "%g", lOldTranslation[a]->Evaluate(lTime));
                EXPECT_EQ(lTranslation[a]->Evaluate(lTime),
                          static_cast<double>(static_cast<float>(std::strtod(lPrint, nullptr))))
                    << lOrder << " frame " << f;
            }
        }
    }
}

TEST(KWriterBvh, RefusalsAndErrors)
{
    KRyvObjectFactory lFactory;
    KRyvScene* lScene = lFactory.CreateScene();
    KWriterBvh lWriter(&lFactory);
    std::unique_ptr<KStreamOptionsMotion> lOptions = WriteOptions(lWriter, 2, 30.0);
    EXPECT_FALSE(lWriter.Write(lScene, lOptions.get()));
    EXPECT_EQ(lWriter.GetError().GetLastErrorID(), KWriter::kFileNotOpened);
    EXPECT_FALSE(lWriter.FileClose());
    const std::string lMissing = testing::TempDir() + "no/such/folder/out.bvh";
    EXPECT_FALSE(lWriter.FileCreate(lMissing.c_str()));
    EXPECT_EQ(lWriter.GetError().GetLastErrorID(), KWriter::kFileNotOpened);
    EXPECT_EQ(std::string(lWriter.GetError().GetLastErrorString().Buffer()),
              lMissing + ": No such file or directory");

    // No node marked on the chain below the root.
    const std::string lPath = WriteBvhFile("refused.bvh", "");
    ASSERT_TRUE(lWriter.FileCreate(lPath.c_str()));
    EXPECT_FALSE(lWriter.Write(lScene, lOptions.get()));
    EXPECT_EQ(lWriter.GetError().GetLastErrorID(), KWriter::kFileNotCreated);
    EXPECT_STREQ(lWriter.GetError().GetLastErrorString().Buffer(), "Can not find root node.");

    KRyvNode* lHips = AddJoint(lFactory, lScene->GetRootNode(), "Hips", KVector4());
    KStreamOptions lOther;
    EXPECT_FALSE(lWriter.Write(lScene, &lOther));
    EXPECT_EQ(lWriter.GetError().GetLastErrorID(), KWriter::kStreamOptionsNotSet);
    EXPECT_FALSE(lWriter.Write(lScene, nullptr));
    EXPECT_STREQ(lWriter.GetError().GetLastErrorString().Buffer(), "Stream options not set");

    KRyvNode* lBad = AddJoint(lFactory, lHips, "Left Arm", KVector4());
    // A sibling, so that the leaf is written as a joint rather than as an End Site.
    AddJoint(lFactory, lHips, "RightArm", KVector4());
    std::string lShown;
    lOptions->SetMessageCallback([&lShown](const char* pTitle, const char* pText, const char*) {
        lShown = std::string(pTitle) + "|" + pText;
    });
    EXPECT_FALSE(lWriter.Write(lScene, lOptions.get()));
    EXPECT_EQ(lWriter.GetError().GetLastErrorID(), KWriter::kUnidentifiedError);
    EXPECT_EQ(lShown, "Error|Spaces are not allowed in BVH node names:\n    Left Arm");
    EXPECT_TRUE(lWriter.FileClose());
    EXPECT_EQ(ReadText(lPath), "");

    // A name the format cannot hold stops the write with the file's reason, half-way through
    // the hierarchy: the file that was there stays as it was, and nothing is left beside it.
    // Every name the reader takes (127 characters after the node prefix) is written.
    WriteBvhFile("refused.bvh", "the file that was there\n");
    const auto lFolderSize = [&lPath] {
        const std::filesystem::path lFolder = std::filesystem::path(lPath).parent_path();
        return std::distance(std::filesystem::directory_iterator(lFolder), {});
    };
    const auto lFilesBefore = lFolderSize();
    for (const std::size_t lLength : {KBvhFile::kMaxNameLength + 1, KBvhFile::kMaxNameLength}) {
        lBad->SetName(std::string(lLength, 'a').c_str());
        ASSERT_TRUE(lWriter.FileCreate(lPath.c_str()));
        const bool lWritten = lWriter.Write(lScene, lOptions.get());
        EXPECT_EQ(lWritten, lLength == KBvhFile::kMaxNameLength);
        EXPECT_EQ(lFolderSize(), lFilesBefore);
        if (!lWritten) {
            EXPECT_EQ(lWriter.GetError().GetLastErrorID(), KWriter::kUnidentifiedError);
            EXPECT_NE(lWriter.GetMessage().Find("joint name"), -1);
            EXPECT_EQ(ReadText(lPath), "the file that was there\n");
        }
    }
    BvhTestScene lBack;
    EXPECT_TRUE(lBack.Read(lPath));
    EXPECT_NE(lBack.Find(("Model::" + std::string(KBvhFile::kMaxNameLength, 'a')).c_str()),
              nullptr);
}

TEST(KWriterBvh, FullDiskIsAnError)
{
    std::FILE* lProbe = std::fopen("/dev/full", "w");
    if (!lProbe) {
        GTEST_SKIP() << "no /dev/full";
    }
    std::fclose(lProbe);
    KRyvObjectFactory lFactory;
    KRyvScene* lScene = lFactory.CreateScene();
    AddJoint(lFactory, lScene->GetRootNode(), "Hips", KVector4());
    KWriterBvh lWriter(&lFactory);
    std::unique_ptr<KStreamOptionsMotion> lOptions = WriteOptions(lWriter, 3, 30.0);
    ASSERT_TRUE(lWriter.FileCreate("/dev/full"));
    EXPECT_FALSE(lWriter.Write(lScene, lOptions.get()));
    EXPECT_EQ(lWriter.GetError().GetLastErrorID(), KWriter::kOutOfDiskSpace);
}

TEST(KWriterBvh, ThroughTheExporterAndBack)
{
    BvhImportSettingsGuard lSettings;
    KRyvObjectFactory lFactory;
    KRyvScene* lScene = lFactory.CreateScene();
    KRyvNode* lHips = AddJoint(lFactory, lScene->GetRootNode(), "Hips", KVector4(0, 90, 0));
    AddJoint(lFactory, lHips, "Spine", KVector4(0, 10, 0));
    lHips->AddTakeNode("run");
    lHips->SetCurrentTakeNode("run");
    KFCurve* lCurve = lHips->GetCurrentTakeNode()->GetTransformRY();
    lCurve->KeyAdd(KTime(), 0.0f);
    lCurve->KeyAdd(KTime(KTime::kTicksPerSecond), 90.0f);

    KExporter lExporter(&lFactory);
    lExporter.SetFileFormat(KFileFormatRegistry::kExportBvh);
    const std::string lPath = WriteBvhFile("run.bvh", "");
    lExporter.Initialize(lPath.c_str());
    std::unique_ptr<KStreamOptions> lOptions = lExporter.GetWriteOptions();
    ASSERT_NE(lOptions, nullptr);
    auto* lMotion = static_cast<KStreamOptionsMotion*>(lOptions.get());
    lMotion->SetFrameCount(31);
    lMotion->SetTimeMode(0, 30.0);
    // Progress goes up frame by frame: the last frame reports 30 * 100 / 31 percent.
    float lLastPercent = -1.0f;
    lMotion->SetProgressCallback([&lLastPercent](const char*, float pPercent) {
        EXPECT_GE(pPercent, lLastPercent);
        lLastPercent = pPercent;
    });
    ASSERT_TRUE(lExporter.Export(lScene, lOptions.get()))
        << lExporter.GetError().GetLastErrorString().Buffer();
    EXPECT_FLOAT_EQ(lLastPercent, 96.0f);
    EXPECT_FALSE(lExporter.Export(lScene, nullptr));

    BvhTestScene lBack;
    ASSERT_TRUE(lBack.Read(lPath));
    EXPECT_EQ(lBack.mOptions->GetFrameCount(), 31);
    const KTime lEnd = lBack.mOptions->GetFramePeriod() * 30;
    EXPECT_LT(MaxRotationDifference(NodeRotationAt(lBack.Find("Hips"), lEnd),
                                    NodeRotationAt(lHips, KTime(KTime::kTicksPerSecond))),
              1e-5);
    EXPECT_DOUBLE_EQ(lBack.Find("Hips")->GetLocalMatrixAtTime(lEnd)[3][1], 90.0);
}

TEST(KWriterBvh, AFailedExportLeavesTheFileThatWasThere)
{
    KRyvObjectFactory lFactory;
    KRyvScene* lScene = lFactory.CreateScene();
    // Nothing is marked for export, so the writer finds no root once the file is open.
    lScene->GetRootNode()->AddChild(lFactory.CreateNode("Loose"));

    KExporter lExporter(&lFactory);
    lExporter.SetFileFormat(KFileFormatRegistry::kExportBvh);
    const std::string lPath = WriteBvhFile("loose.bvh", "an older file\n");
    lExporter.Initialize(lPath.c_str());
    std::unique_ptr<KStreamOptions> lOptions = lExporter.GetWriteOptions();
    ASSERT_NE(lOptions, nullptr);
    EXPECT_FALSE(lExporter.Export(lScene, lOptions.get()));
    EXPECT_EQ(lExporter.GetError().GetLastErrorID(), KExporter::kUnidentifiedError);
    EXPECT_NE(lExporter.GetMessage().Find("Can not find root node."), -1);
    EXPECT_EQ(ReadText(lPath), "an older file\n");
}

} // namespace

TEST(KWriterBvh, TheExporterKeepsTheWritersReasonForAJointNameTooLongToWrite)
{
    KRyvObjectFactory lFactory;
    KRyvScene* lScene = lFactory.CreateScene();
    const std::string lName = "long" + std::string(200, 'w');
    AddJoint(lFactory, lScene->GetRootNode(), lName.c_str(), KVector4());
    KExporter lExporter(&lFactory);
    lExporter.SetFileFormat(KFileFormatRegistry::kExportBvh);
    const std::string lPath = WriteBvhFile("named.bvh", "kept\n");
    lExporter.Initialize(lPath.c_str());
    std::unique_ptr<KStreamOptions> lOptions = lExporter.GetWriteOptions();
    static_cast<KStreamOptionsMotion*>(lOptions.get())->SetFrameCount(1);
    EXPECT_FALSE(lExporter.Export(lScene, lOptions.get()));
    EXPECT_EQ(lExporter.GetError().GetLastErrorID(), KExporter::kUnidentifiedError);
    const std::string lReason = lExporter.GetReason().Buffer();
    EXPECT_NE(lReason.find("named.bvh"), std::string::npos) << lReason;
    EXPECT_NE(lReason.find("cannot write the joint name \"long" + std::string(36, 'w') + "...\""),
              std::string::npos)
        << lReason;
    EXPECT_EQ(ReadText(lPath), "kept\n");
    // A file that cannot be made names what the system said.
    lExporter.Initialize((lPath + "/inside.bvh").c_str());
    EXPECT_FALSE(lExporter.Export(lScene, lOptions.get()));
    EXPECT_STREQ(lExporter.GetReason().Buffer(), (lPath + "/inside.bvh: Not a directory").c_str());
}
