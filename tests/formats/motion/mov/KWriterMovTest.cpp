#include "formats/motion/mov/KWriterMov.h"

#include "formats/motion/mov/KReaderMov.h"
#include "io/KExporter.h"
#include "io/KFileFormatRegistry.h"

#include "../MotionTableTestScene.h"

#include <string>

namespace {

using MovScene = TableReadScene<KReaderMov>;

// Root - Rig (several children, so the root is the reference) - pCount markers moving at random.
struct MovingRig : TableRig
{
    std::vector<KRyvNode*> mMarkers;

    MovingRig(int pCount, int pFrames, KTime pPeriod)
    {
        for (int m = 0; m < pCount; ++m) {
            const std::string lName = "Object" + std::to_string(m);
            mMarkers.push_back(AddTableMarker(mFactory, mRig, lName.c_str()));
            KeyRandomMotion(mMarkers.back(), "take", pFrames, pPeriod, 100u + m, true);
        }
    }
};

TEST(KWriterMov, GoldenLinesWithTranslationAndScalingOnly)
{
    KRyvObjectFactory lFactory;
    KRyvScene* lScene = lFactory.CreateScene();
    KRyvNode* lRig = lFactory.CreateNode("Rig");
    lScene->GetRootNode()->AddChild(lRig);
    KRyvNode* lA = AddTableMarker(lFactory, lRig, "A");
    KRyvNode* lB = AddTableMarker(lFactory, lRig, "B");
    lA->SetLclTranslation(KVector4(1, 2, 3));
    lA->SetLclRotation(KVector4(0, 0, 90));
    lA->SetLclScaling(KVector4(2, 1, 0.5));
    lB->SetLclTranslation(KVector4(-4, 0.25, 0));
    KWriterMov lWriter(&lFactory);
    std::unique_ptr<KStreamOptionsMotion> lOptions = TableWriteOptions(lWriter, 2, 4.0);
    lOptions->SetOption(KReaderMov::kOptionRotation, 0);
    const std::string lPath = WriteTableFile("still.mov", "");
    ASSERT_TRUE(WriteTableScene(lScene, lPath, lOptions.get(), lWriter))
        << lWriter.GetError().GetLastErrorString().Buffer();
    EXPECT_EQ(ReadTableFile(lPath), "0\t1\t2\t3\t2\t1\t0.5\t-4\t0.25\t0\t1\t1\t1\t\n"
                                    "0.25\t1\t2\t3\t2\t1\t0.5\t-4\t0.25\t0\t1\t1\t1\t\n");

    // With every group the rotation sits between: a quarter turn about Z, scale removed.
    KWriterMov lAll(&lFactory);
    std::unique_ptr<KStreamOptionsMotion> lEvery = TableWriteOptions(lAll, 1, 4.0);
    ASSERT_TRUE(WriteTableScene(lScene, lPath, lEvery.get(), lAll));
    EXPECT_EQ(ReadTableFile(lPath),
              "0\t1\t2\t3\t0\t0\t90\t2\t1\t0.5\t-4\t0.25\t0\t0\t0\t0\t1\t1\t1\t\n");
}

// Each of the seven combinations of groups written and read back with the same options.
TEST(KWriterMov, EveryCombinationOfGroupsReadsBack)
{
    TableImportSettingsGuard lSettings;
    constexpr int kFrames = 20;
    KTime lPeriod;
    lPeriod.SetSecondDouble(1.0 / 30.0);
    MovingRig lRig(2, kFrames, lPeriod);
    for (int lMask = 1; lMask < 8; ++lMask) {
        const bool lGroups[3] = {(lMask & 1) != 0, (lMask & 2) != 0, (lMask & 4) != 0};
        KWriterMov lWriter(&lRig.mFactory);
        std::unique_ptr<KStreamOptionsMotion> lOptions = TableWriteOptions(lWriter, kFrames, 30.0);
        for (int g = 0; g < 3; ++g) {
            lOptions->SetOption(KReaderMov::kOptionTranslation + g, lGroups[g] ? 1 : 0);
        }
        const std::string lPath = WriteTableFile("groups.mov", "");
        ASSERT_TRUE(WriteTableScene(lRig.mScene, lPath, lOptions.get(), lWriter)) << lMask;
        MovScene lBack;
        ASSERT_TRUE(lBack.Read(lPath, [&](KStreamOptionsMotion& pOptions) {
            for (int g = 0; g < 3; ++g) {
                pOptions.SetOption(KReaderMov::kOptionTranslation + g, lGroups[g] ? 1 : 0);
            }
        })) << lMask;
        ASSERT_EQ(lBack.Find("MOV:reference")->GetChildCount(), 2) << lMask;
        EXPECT_EQ(lBack.mOptions->GetFrameCount(), kFrames);
        for (int m = 0; m < 2; ++m) {
            KRyvTakeNode* lTake =
                lBack.Find(("Marker" + std::to_string(m)).c_str())->GetCurrentTakeNode();
            for (int f = 0; f < kFrames; f += 7) {
                const KAffineMatrix lExpected(
                    lRig.mMarkers[m]->GetGlobalMatrixAtTime(lOptions->GetFramePeriod() * f));
                const KTime lTime = lBack.FrameTime(f);
                const KVector4 lT = lExpected.GetT();
                const KVector4 lS = lExpected.GetS();
                KMatrix lRead;
                EulerToMatrixXYZ(lRead, lTake->GetTransformRX()->Evaluate(lTime),
                                 lTake->GetTransformRY()->Evaluate(lTime),
                                 lTake->GetTransformRZ()->Evaluate(lTime));
                const KMatrix lTurn(lExpected.GetR());
                EXPECT_EQ(lTake->GetTransformTX()->GetKeyCount() > 0, lGroups[0]) << lMask;
                EXPECT_EQ(lTake->GetTransformRX()->GetKeyCount() > 0, lGroups[1]) << lMask;
                EXPECT_EQ(lTake->GetTransformSX()->GetKeyCount() > 0, lGroups[2]) << lMask;
                if (lGroups[0]) {
                    EXPECT_NEAR(lTake->GetTransformTY()->Evaluate(lTime), lT[1], 1e-3) << lMask;
                }
                if (lGroups[1]) {
                    for (int i = 0; i < 3; ++i) {
                        for (int j = 0; j < 3; ++j) {
                            EXPECT_NEAR(lRead[i][j], lTurn[i][j], 2e-5) << lMask;
                        }
                    }
                }
                if (lGroups[2]) {
                    EXPECT_NEAR(lTake->GetTransformSZ()->Evaluate(lTime), lS[2], 1e-5) << lMask;
                }
            }
        }
    }
}

TEST(KWriterMov, TenThousandFramesRoundTripAndWriteTheSameBytesAgain)
{
    TableImportSettingsGuard lSettings;
    constexpr int kFrames = 10000;
    KRyvObjectFactory lProbe;
    KWriterMov lProbeWriter(&lProbe);
    const KTime lPeriod = TableWriteOptions(lProbeWriter, 1, 30.0)->GetFramePeriod();
    MovingRig lRig(3, kFrames, lPeriod);
    KWriterMov lWriter(&lRig.mFactory);
    std::unique_ptr<KStreamOptionsMotion> lOptions = TableWriteOptions(lWriter, kFrames, 30.0);
    const std::string lFirst = WriteTableFile("first.mov", "");
    ASSERT_TRUE(WriteTableScene(lRig.mScene, lFirst, lOptions.get(), lWriter));

    MovScene lBack;
    ASSERT_TRUE(lBack.Read(lFirst)) << lBack.mReader.GetError().GetLastErrorString().Buffer();
    EXPECT_EQ(lBack.mOptions->GetFrameCount(), kFrames);
    EXPECT_EQ(lBack.mOptions->GetTimeMode(), lOptions->GetTimeMode());
    for (int m = 0; m < 3; ++m) {
        const TransformDifference lDifference = CompareSampled(
            lRig.mMarkers[m], KTime(), lBack.Find(("Marker" + std::to_string(m)).c_str()),
            lBack.mOptions->GetStart(), lPeriod, kFrames);
        EXPECT_LT(lDifference.mTranslation, 1e-5) << m;
        EXPECT_LT(lDifference.mRotation, 2e-5) << m;
        EXPECT_LT(lDifference.mScale, 1e-5) << m;
    }

    KWriterMov lAgain(&lBack.mFactory);
    std::unique_ptr<KStreamOptionsMotion> lSame = TableWriteOptions(lAgain, kFrames, 30.0);
    lSame->SetStart(lBack.mOptions->GetStart());
    const std::string lSecond = WriteTableFile("second.mov", "");
    ASSERT_TRUE(WriteTableScene(lBack.mScene, lSecond, lSame.get(), lAgain));
    ExpectSameFileText(lFirst, lSecond);
}

TEST(KWriterMov, RefusalsAndAFullDisk)
{
    MovingRig lRig(1, 3, KTime(KTime::kTicksPerSecond));
    KWriterMov lWriter(&lRig.mFactory);
    std::unique_ptr<KStreamOptionsMotion> lOptions = TableWriteOptions(lWriter, 3, 1.0);
    EXPECT_FALSE(lWriter.Write(lRig.mScene, lOptions.get()));
    EXPECT_EQ(lWriter.GetError().GetLastErrorID(), KWriter::kFileNotOpened);
    const std::string lPath = WriteTableFile("kept.mov", "an older file\n");
    ASSERT_TRUE(lWriter.FileCreate(lPath.c_str()));
    EXPECT_FALSE(lWriter.Write(lRig.mScene, nullptr));
    EXPECT_EQ(lWriter.GetError().GetLastErrorID(), KWriter::kStreamOptionsNotSet);
    for (int g = 0; g < 3; ++g) {
        lOptions->SetOption(KReaderMov::kOptionTranslation + g, 0);
    }
    EXPECT_FALSE(lWriter.Write(lRig.mScene, lOptions.get()));
    EXPECT_EQ(lWriter.GetError().GetLastErrorID(), KWriter::kFileNotCreated);
    EXPECT_STREQ(lWriter.GetError().GetLastErrorString().Buffer(), "No animation to export.");
    EXPECT_EQ(ReadTableFile(lPath), "an older file\n");

    lOptions->SetOption(KReaderMov::kOptionTranslation, 1);
    ExpectFullDiskRefused(lWriter, lRig.mScene, lOptions.get());
}

TEST(KWriterMov, ThroughTheExporter)
{
    TableImportSettingsGuard lSettings;
    MovingRig lRig(2, 10, KTime(KTime::kTicksPerSecond / 10));
    KExporter lExporter(&lRig.mFactory);
    const std::string lPath = WriteTableFile("exported.mov", "");
    std::unique_ptr<KStreamOptions> lOptions =
        TableExportOptions(lExporter, KFileFormatRegistry::kExportMov, lPath, 10, 10.0);
    ASSERT_NE(lOptions, nullptr);
    EXPECT_EQ(static_cast<KStreamOptionsMotion*>(lOptions.get())->GetOption(13), 0);
    ASSERT_TRUE(lExporter.Export(lRig.mScene, lOptions.get()))
        << lExporter.GetError().GetLastErrorString().Buffer();
    MovScene lBack;
    ASSERT_TRUE(lBack.Read(lPath));
    EXPECT_EQ(lBack.mOptions->GetFrameCount(), 10);
    EXPECT_NEAR(lBack.mOptions->GetFrameRate(), 10.0, 1e-6);
    EXPECT_EQ(lBack.Find("MOV:reference")->GetChildCount(), 2);
}

} // namespace
