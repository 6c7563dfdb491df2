#ifndef RYVKIT_TESTS_MOTION_MOTIONTABLETESTSCENE_H
#define RYVKIT_TESTS_MOTION_MOTIONTABLETESTSCENE_H

#include "animation/KFCurve.h"
#include "animation/KImportSettings.h"
#include "animation/KRyvTakeNode.h"
#include "core/KAffineMatrix.h"
#include "core/KMatrix.h"
#include "core/KMatrixFunctions.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "io/KExporter.h"
#include "io/KImporter.h"
#include "io/KReader.h"
#include "io/KWriter.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "tests/formats/motion/MotionTestScene.h"
#include "tests/support/TextMutation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

// Shared pieces of the tests of the six-degree-of-freedom tables (BRD, MOV, VPM): files in a
// folder of the running test, scenes of animated marked nodes, and the checks of a read.

// Writes pContent to pName in a folder of the running test (the name gives the take) and answers
// the path.
inline std::string WriteTableFile(const std::string& pName, const std::string& pContent)
{
    return WriteRunningTestFile(pName, pContent);
}

inline std::string ReadTableFile(const std::string& pPath)
{
    std::ifstream lIn(pPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(lIn), std::istreambuf_iterator<char>());
}

// The import settings of the tests (no key reducer, the rotation filter given), restored after.
class TableImportSettingsGuard
{
public:
    explicit TableImportSettingsGuard(int pRotationFilter = KImportSettings::kRotationFilterNone,
                                      bool pReduce = false)
    {
        KImportSettings::Get().Reset();
        KImportSettings::Get().SetRotationFilterMode(pRotationFilter);
        KImportSettings::Get().SetConstantKeyReducerEnabled(pReduce);
    }
    ~TableImportSettingsGuard() { KImportSettings::Get().Reset(); }
};

// A motion option set as a writer makes it, with a span.
inline std::unique_ptr<KStreamOptionsMotion> TableWriteOptions(KWriter& pWriter, int pFrames,
                                                               double pRate)
{
    std::unique_ptr<KStreamOptionsMotion> lOptions(
        static_cast<KStreamOptionsMotion*>(pWriter.GetWriteOptions().release()));
    lOptions->SetFrameCount(pFrames);
    lOptions->SetTimeMode(0, pRate);
    return lOptions;
}

// A factory with one scene, read into through a reader of the format.
template <class TReader> using TableReadScene = MotionReadScene<TReader>;

// Writes pScene into pPath through ioWriter with pOptions.
inline bool WriteTableScene(KRyvScene* pScene, const std::string& pPath,
                            KStreamOptionsMotion* pOptions, KWriter& ioWriter)
{
    return ioWriter.FileCreate(pPath.c_str()) && ioWriter.Write(pScene, pOptions);
}

// The options of an exporter set to the format code pFormat and started on pPath, with a span of
// pFrames at pRate frames per second; null when the exporter gives none.
inline std::unique_ptr<KStreamOptions> TableExportOptions(KExporter& ioExporter, int pFormat,
                                                          const std::string& pPath, int pFrames,
                                                          double pRate)
{
    ioExporter.SetFileFormat(pFormat);
    ioExporter.Initialize(pPath.c_str());
    std::unique_ptr<KStreamOptions> lOptions = ioExporter.GetWriteOptions();
    if (lOptions) {
        auto* lMotion = static_cast<KStreamOptionsMotion*>(lOptions.get());
        lMotion->SetFrameCount(pFrames);
        lMotion->SetTimeMode(0, pRate);
    }
    return lOptions;
}

// Root - Rig: a scene whose rig node the writers' tests hang their markers below.
struct TableRig
{
    KRyvObjectFactory mFactory;
    KRyvScene* mScene = mFactory.CreateScene();
    KRyvNode* mRig = mFactory.CreateNode("Rig");

    TableRig() { mScene->GetRootNode()->AddChild(mRig); }
};

// The files pFirst and pSecond hold the same bytes; a failure shows both around the first
// difference.
inline void ExpectSameFileText(const std::string& pFirst, const std::string& pSecond)
{
    const std::string lFirstText = ReadTableFile(pFirst);
    const std::string lSecondText = ReadTableFile(pSecond);
    const std::size_t lAt =
        std::mismatch(lFirstText.begin(), lFirstText.end(), lSecondText.begin()).first -
        lFirstText.begin();
    EXPECT_TRUE(lFirstText == lSecondText)
        << lFirstText.substr(lAt > 60 ? lAt - 60 : 0, 120) << "\n---\n"
        << lSecondText.substr(lAt > 60 ? lAt - 60 : 0, 120);
}

// A write of pScene onto a full disk answers kOutOfDiskSpace; nothing is checked where the
// system has no /dev/full.
inline void ExpectFullDiskRefused(KWriter& ioWriter, KRyvScene* pScene, KStreamOptions* pOptions)
{
    std::FILE* lProbe = std::fopen("/dev/full", "w");
    if (!lProbe) {
        return;
    }
    std::fclose(lProbe);
    ASSERT_TRUE(ioWriter.FileCreate("/dev/full"));
    EXPECT_FALSE(ioWriter.Write(pScene, pOptions));
    EXPECT_EQ(ioWriter.GetError().GetLastErrorID(), KWriter::kOutOfDiskSpace);
}

// The importer set to the format code pFormat reads pPath into pScene with its own options and
// makes the node pNode.
inline void ExpectImportMakes(KRyvObjectFactory& ioFactory, KRyvScene* pScene, int pFormat,
                              const std::string& pPath, const char* pNode)
{
    KImporter lImporter(&ioFactory);
    lImporter.SetFileFormat(pFormat);
    ASSERT_TRUE(lImporter.Initialize(pPath.c_str()));
    std::unique_ptr<KStreamOptions> lOptions = lImporter.GetReadOptions();
    ASSERT_NE(lOptions, nullptr);
    EXPECT_TRUE(lImporter.Import(pScene, lOptions.get()));
    EXPECT_NE(ioFactory.FindNode(pNode), nullptr);
}

// Without an open file a read answers kFileNotOpened, and the reader has no options to give.
inline void ExpectUnopenedRefused(KReader& ioReader, KRyvScene* pScene)
{
    std::unique_ptr<KStreamOptionsMotion> lMotion = KStreamOptionsMotion::Create();
    EXPECT_FALSE(ioReader.Read(pScene, lMotion.get()));
    EXPECT_EQ(ioReader.GetError().GetLastErrorID(), KReader::kFileNotOpened);
    EXPECT_EQ(ioReader.GetReadOptions(), nullptr);
}

// A marked node below pParent.
inline KRyvNode* AddTableMarker(KRyvObjectFactory& ioFactory, KRyvNode* pParent, const char* pName)
{
    KRyvNode* lNode = ioFactory.CreateNode(pName);
    lNode->SetMarked(true);
    pParent->AddChild(lNode);
    return lNode;
}

// Keys every frame of a take of the node from pFrames random poses: translations in
// [-500, 500], rotations X and Z anywhere in (-180, 180), Y in [-89, 89] (the decomposition's
// range, kept off gimbal lock), and with pScale a scaling in [0.5, 2].
inline void KeyRandomMotion(KRyvNode* pNode, const char* pTake, int pFrames, KTime pPeriod,
                            unsigned pSeed, bool pScale)
{
    pNode->AddTakeNode(pTake);
    pNode->SetCurrentTakeNode(pTake);
    KRyvTakeNode* lTake = pNode->GetCurrentTakeNode();
    std::mt19937 lRandom(pSeed);
    std::uniform_real_distribution<double> lPosition(-500.0, 500.0);
    std::uniform_real_distribution<double> lAngle(-179.9, 179.9);
    std::uniform_real_distribution<double> lTilt(-89.0, 89.0);
    std::uniform_real_distribution<double> lScaling(0.5, 2.0);
    KFCurve* lCurves[9] = {
        lTake->GetTransformTX(), lTake->GetTransformTY(), lTake->GetTransformTZ(),
        lTake->GetTransformRX(), lTake->GetTransformRY(), lTake->GetTransformRZ(),
        lTake->GetTransformSX(), lTake->GetTransformSY(), lTake->GetTransformSZ()};
    const int lCount = pScale ? 9 : 6;
    for (int c = 0; c < lCount; ++c) {
        lCurves[c]->BeginKeySet(pFrames);
    }
    for (int f = 0; f < pFrames; ++f) {
        const double lValues[9] = {lPosition(lRandom), lPosition(lRandom), lPosition(lRandom),
                                   lAngle(lRandom),    lTilt(lRandom),     lAngle(lRandom),
                                   lScaling(lRandom),  lScaling(lRandom),  lScaling(lRandom)};
        for (int c = 0; c < lCount; ++c) {
            lCurves[c]->GetKey(f)->Set(pPeriod * f, static_cast<float>(lValues[c]));
        }
    }
    for (int c = 0; c < lCount; ++c) {
        lCurves[c]->EndKeySet(pFrames);
    }
}

// The largest difference over the frames of the global translations (absolute, and relative to
// the larger magnitude beyond 1) and of the rotation matrices with the scale removed, of two
// nodes sampled at the same times.
struct TransformDifference
{
    double mTranslation = 0.0;
    double mRotation = 0.0;
    double mScale = 0.0;
};

inline TransformDifference CompareSampled(KRyvNode* pExpected, KTime pExpectedStart,
                                          KRyvNode* pActual, KTime pActualStart, KTime pPeriod,
                                          int pFrames)
{
    TransformDifference lMax;
    for (int f = 0; f < pFrames; ++f) {
        const KAffineMatrix lA(pExpected->GetGlobalMatrixAtTime(pExpectedStart + pPeriod * f));
        const KAffineMatrix lB(pActual->GetGlobalMatrixAtTime(pActualStart + pPeriod * f));
        const KVector4 lTa = lA.GetT(), lTb = lB.GetT(), lSa = lA.GetS(), lSb = lB.GetS();
        const KMatrix lRa(lA.GetR()), lRb(lB.GetR());
        for (int i = 0; i < 3; ++i) {
            const double lScale = std::max(1.0, std::fabs(lTa[i]));
            lMax.mTranslation = std::max(lMax.mTranslation, std::fabs(lTa[i] - lTb[i]) / lScale);
            lMax.mScale = std::max(lMax.mScale, std::fabs(lSa[i] - lSb[i]));
            for (int j = 0; j < 3; ++j) {
                lMax.mRotation = std::max(lMax.mRotation, std::fabs(lRa[i][j] - lRb[i][j]));
            }
        }
    }
    return lMax;
}

// Every mutant of pText is read by a fresh reader: a read either succeeds or fails leaving the
// factory's nodes and the scene's root as they were, and a failure is kFileCorrupted.
template <class TReader>
void ExpectMutantsLeaveNoTrace(const std::string& pName, const std::string& pText, unsigned pSeed)
{
    for (const TextMutant& lMutant : AllMutants(pText, pSeed, 300)) {
        TableReadScene<TReader> lTest;
        const int lNodes = lTest.mFactory.GetNodeCount();
        const std::string lPath = WriteTableFile(pName, lMutant.mText);
        if (!lTest.Read(lPath)) {
            EXPECT_EQ(lTest.mFactory.GetNodeCount(), lNodes) << lMutant.mLabel;
            EXPECT_EQ(lTest.mScene->GetRootNode()->GetChildCount(), 0) << lMutant.mLabel;
        }
    }
}

// A fresh reader of the format opens pText as pName and reads it with the options it gives: the
// read fails with kFileCorrupted, an error that starts with pWhy, and the factory's nodes and the
// scene's root as they were. An empty pWhy: the read succeeds.
template <class TReader>
void ExpectTableReadRefused(const std::string& pName, const std::string& pText, const char* pWhy)
{
    TableReadScene<TReader> lTest;
    const int lNodes = lTest.mFactory.GetNodeCount();
    const std::string lPath = WriteTableFile(pName, pText);
    ASSERT_TRUE(lTest.mReader.FileOpen(lPath.c_str()));
    std::unique_ptr<KStreamOptions> lOptions = lTest.mReader.GetReadOptions();
    const bool lRead = lOptions && lTest.mReader.Read(lTest.mScene, lOptions.get());
    if (*pWhy == '\0') {
        EXPECT_TRUE(lRead) << pText;
        return;
    }
    EXPECT_FALSE(lRead) << pText;
    EXPECT_EQ(lTest.mReader.GetError().GetLastErrorID(), KReader::kFileCorrupted);
    const std::string lError = lTest.mReader.GetError().GetLastErrorString().Buffer();
    EXPECT_EQ(lError.rfind(pWhy, 0), 0u) << lError;
    EXPECT_EQ(lTest.mFactory.GetNodeCount(), lNodes);
    EXPECT_EQ(lTest.mScene->GetRootNode()->GetChildCount(), 0);
}

#endif
