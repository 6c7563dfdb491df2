#ifndef RYVKIT_TESTS_MOTION_OPTICALTESTSCENE_H
#define RYVKIT_TESTS_MOTION_OPTICALTESTSCENE_H

#include "animation/KFCurve.h"
#include "animation/KFCurveKey.h"
#include "animation/KImportSettings.h"
#include "animation/KRyvTakeNode.h"
#include "formats/motion/KReaderOptical.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "formats/motion/KWriterOptical.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/objects/KRyvMarker.h"
#include "scene/objects/KRyvOpticalReference.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// A file in a folder of this process that belongs to the running test; the file name gives the
// take name.
inline std::string OpticalTestPath(const std::string& pName)
{
    static const TempFolder sFolder;
    const testing::TestInfo* lTest = testing::UnitTest::GetInstance()->current_test_info();
    const std::string lFolder =
        sFolder.PathOf(std::string(lTest->test_suite_name()) + "_" + lTest->name());
    std::filesystem::create_directories(lFolder);
    return lFolder + "/" + pName;
}

inline std::string WriteOpticalFile(const std::string& pName, const std::string& pContent)
{
    const std::string lPath = OpticalTestPath(pName);
    std::filesystem::create_directories(std::filesystem::path(lPath).parent_path());
    std::ofstream lOut(lPath, std::ios::binary | std::ios::trunc);
    lOut.write(pContent.data(), static_cast<std::streamsize>(pContent.size()));
    return lPath;
}

// Import settings of the tests: no constant key reducer, so every frame keeps its key.
class OpticalSettingsGuard
{
public:
    OpticalSettingsGuard()
    {
        KImportSettings::Get().Reset();
        KImportSettings::Get().SetConstantKeyReducerEnabled(false);
    }
    ~OpticalSettingsGuard() { KImportSettings::Get().Reset(); }
};

// A factory with one scene into which an optical reader reads.
struct OpticalTestScene
{
    KRyvObjectFactory mFactory;
    KRyvScene* mScene = mFactory.CreateScene();
    std::unique_ptr<KStreamOptionsMotion> mOptions;

    // Opens pPath with pReader, takes its read options (changed by pAdjust when given) and reads.
    bool Read(KReader& ioReader, const std::string& pPath,
              const std::function<void(KStreamOptionsMotion&)>& pAdjust = nullptr)
    {
        if (!ioReader.FileOpen(pPath.c_str())) {
            return false;
        }
        std::unique_ptr<KStreamOptions> lOptions = ioReader.GetReadOptions();
        if (!lOptions) {
            return false;
        }
        mOptions.reset(static_cast<KStreamOptionsMotion*>(lOptions.release()));
        if (pAdjust) {
            pAdjust(*mOptions);
        }
        return ioReader.Read(mScene, mOptions.get());
    }

    KRyvNode* Reference() const
    {
        KRyvNode* lRoot = mScene->GetRootNode();
        return lRoot->GetChildCount() == 1 ? lRoot->GetChild(0) : nullptr;
    }
    int MarkerCount() const { return Reference() ? Reference()->GetChildCount() : 0; }
    KRyvNode* Marker(int pIndex) const { return Reference()->GetChild(pIndex); }
    std::string MarkerName(int pIndex) const
    {
        return Marker(pIndex)->GetNameWithoutPrefix().Buffer();
    }
    KTime FrameTime(int pFrame) const
    {
        return mOptions->GetStart() + mOptions->GetFramePeriod() * pFrame;
    }
    // Translation X, Y, Z (0 to 2) or the occlusion (3) of a marker at a frame.
    double Value(int pMarker, int pChannel, int pFrame) const
    {
        KRyvTakeNode* lTake = Marker(pMarker)->GetCurrentTakeNode();
        KFCurve* lCurves[4] = {lTake->GetTransformTX(), lTake->GetTransformTY(),
                               lTake->GetTransformTZ(), lTake->GetOcclusion()};
        return lCurves[pChannel]->Evaluate(FrameTime(pFrame));
    }
};

// Positions (cm) and occlusion of a generated marker set, by marker and frame.
struct MarkerSet
{
    std::vector<std::string> mNames;
    int mFrames = 0;
    double mRate = 30.0;
    std::function<KVector4(int pMarker, int pFrame)> mPosition;
    std::function<bool(int pMarker, int pFrame)> mHidden;
};

// Builds pSet in pScene: a reference node with an optical reference attribute under the root,
// one marked marker node per name with keys in the take "generated" at whole frame
// periods of the rate (as KStreamOptionsMotion gives them).
inline void BuildMarkerScene(KRyvObjectFactory& ioFactory, KRyvScene& ioScene,
                             const MarkerSet& pSet)
{
    KRyvNode* lReference = ioFactory.CreateNode("generated:reference");
    lReference->SetNodeAttribute(ioFactory.CreateOpticalReference());
    lReference->SetMarked(true);
    ioScene.GetRootNode()->AddChild(lReference);
    for (std::size_t m = 0; m < pSet.mNames.size(); ++m) {
        KRyvNode* lNode = ioFactory.CreateNode(pSet.mNames[m].c_str());
        KRyvMarker* lMarker = ioFactory.CreateMarker();
        lMarker->SetType(KRyvMarker::eOptical);
        lNode->SetNodeAttribute(lMarker);
        lNode->SetMarked(true);
        lReference->AddChild(lNode);
        lNode->AddTakeNode("generated");
        lNode->SetCurrentTakeNode("generated");
        KRyvTakeNode* lTake = lNode->GetCurrentTakeNode();
        KFCurve* lCurves[4] = {lTake->GetTransformTX(), lTake->GetTransformTY(),
                               lTake->GetTransformTZ(), lTake->GetOcclusion()};
        for (KFCurve* lCurve : lCurves) {
            lCurve->BeginKeySet(pSet.mFrames);
        }
        KStreamOptionsMotion lRate;
        lRate.SetTimeMode(0, pSet.mRate);
        for (int f = 0; f < pSet.mFrames; ++f) {
            const KTime lTime = lRate.GetFramePeriod() * f;
            const KVector4 lPosition = pSet.mPosition(static_cast<int>(m), f);
            const bool lHidden = pSet.mHidden && pSet.mHidden(static_cast<int>(m), f);
            for (int c = 0; c < 3; ++c) {
                lCurves[c]->GetKey(f)->Set(lTime, static_cast<float>(lPosition[c]),
                                           KFCurveKey::kInterpolationLinear);
            }
            lCurves[3]->GetKey(f)->Set(lTime, lHidden ? 1.0f : 0.0f,
                                       KFCurveKey::kInterpolationConstant,
                                       KFCurveKey::kConstantStandard);
        }
        for (KFCurve* lCurve : lCurves) {
            lCurve->EndKeySet(pSet.mFrames);
        }
    }
}

// Writes pSet (built in a scene of its own) with pWriter into pPath over all its frames at its
// rate, the write options changed by pAdjust when given.
inline bool WriteMarkerSet(KWriter& ioWriter, const std::string& pPath, const MarkerSet& pSet,
                           const std::function<void(KStreamOptionsMotion&)>& pAdjust = nullptr)
{
    KRyvObjectFactory lFactory;
    KRyvScene* lScene = lFactory.CreateScene();
    BuildMarkerScene(lFactory, *lScene, pSet);
    std::unique_ptr<KStreamOptions> lOptions = ioWriter.GetWriteOptions();
    auto* lMotion = static_cast<KStreamOptionsMotion*>(lOptions.get());
    lMotion->SetTimeMode(0, pSet.mRate);
    lMotion->SetFrameCount(pSet.mFrames);
    if (pAdjust) {
        pAdjust(*lMotion);
    }
    return ioWriter.FileCreate(pPath.c_str()) && ioWriter.Write(lScene, lOptions.get());
}

// Reads pPath with the reader and writes what it read with the writer into pOut, over the read
// options' span and rate.
inline bool Convert(KReader& ioReader, KWriter& ioWriter, const std::string& pPath,
                    const std::string& pOut)
{
    OpticalTestScene lRead;
    if (!lRead.Read(ioReader, pPath)) {
        return false;
    }
    std::unique_ptr<KStreamOptions> lOptions = ioWriter.GetWriteOptions();
    auto* lMotion = static_cast<KStreamOptionsMotion*>(lOptions.get());
    lMotion->SetStart(lRead.mOptions->GetStart());
    lMotion->SetTimeMode(lRead.mOptions->GetTimeMode(), lRead.mOptions->GetFrameRate());
    lMotion->SetFrameCount(lRead.mOptions->GetFrameCount());
    return ioWriter.FileCreate(pOut.c_str()) && ioWriter.Write(lRead.mScene, lOptions.get());
}

// Reads pBytes from memory, under the name pName, through a fresh reader of the format with
// the options it derives (or the defaults). A failure must be kFileCorrupted and leave the
// factory and the scene as they were; oError (when given) then takes the error text.
template <class TReader>
bool ReadOpticalBytes(const std::string& pBytes, const char* pName, std::string* oError)
{
    KRyvObjectFactory lFactory;
    KRyvScene* lScene = lFactory.CreateScene();
    const int lNodes = lFactory.GetNodeCount();
    TReader lReader(&lFactory);
    if (!lReader.MemoryOpen(pBytes.data(), pBytes.size(), pName)) {
        return false;
    }
    std::unique_ptr<KStreamOptions> lOptions = lReader.GetReadOptions();
    if (!lOptions) {
        lOptions = KStreamOptionsMotion::Create();
    }
    const bool lRead = lReader.Read(lScene, lOptions.get());
    if (!lRead) {
        EXPECT_EQ(lFactory.GetNodeCount(), lNodes);
        EXPECT_EQ(lScene->GetRootNode()->GetChildCount(), 0);
        EXPECT_EQ(lReader.GetError().GetLastErrorID(), KReader::kFileCorrupted);
        if (oError) {
            *oError = lReader.GetError().GetLastErrorString().Buffer();
        }
    }
    return lRead;
}

#endif
