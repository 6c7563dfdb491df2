// The constant key reducer the motion readers run by default keeps every value of real files: each
// sample read with the import settings as they come gives, on every curve at every frame (and
// between frames, where the file was flat), the value it gives when read with the reducer off.
#include "asf-amc/AsfAmcTestSupport.h"

#include "animation/KFCurve.h"
#include "animation/KFCurveNode.h"
#include "animation/KImportSettings.h"
#include "animation/KRyvTakeNode.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "io/KFileFormatRegistry.h"
#include "io/KImporter.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// What a read leaves: the scene (the pair's, also for the formats read through the importer) and
// the span the reader gave its options.
struct ReadSample
{
    AsfAmcScene mPair;
    KTime mStart;
    KTime mPeriod;
    int mFrames = 0;
};

void KeepSpan(ReadSample& ioRead, const KStreamOptions* pOptions)
{
    const auto* lMotion = dynamic_cast<const KStreamOptionsMotion*>(pOptions);
    ASSERT_NE(lMotion, nullptr);
    ioRead.mStart = lMotion->GetStart();
    ioRead.mPeriod = lMotion->GetFramePeriod();
    ioRead.mFrames = lMotion->GetFrameCount();
}

// Reads pPath (an AMC file after the ASF file of the same name) with the reducer as asked and
// every other import setting at its default.
std::unique_ptr<ReadSample> Read(const fs::path& pPath, bool pReduce)
{
    KImportSettings::Get().Reset();
    KImportSettings::Get().SetConstantKeyReducerEnabled(pReduce);
    auto lRead = std::make_unique<ReadSample>();
    AsfAmcScene& lPair = lRead->mPair;
    if (pPath.extension() == ".amc") {
        EXPECT_TRUE(lPair.ReadAsf(fs::path(pPath).replace_extension(".asf").string()) &&
                    lPair.ReadAmc(pPath.string()))
            << pPath << ": " << lPair.mError;
        KeepSpan(*lRead, lPair.mAmcOptions.get());
        return lRead;
    }
    KImporter lImporter(&lPair.mFactory);
    lImporter.SetFileFormat(
        KFileFormatRegistry::Kit().GetImportFormatFromFileName(pPath.string().c_str()));
    EXPECT_TRUE(lImporter.Initialize(pPath.string().c_str())) << pPath;
    std::unique_ptr<KStreamOptions> lOptions = lImporter.GetReadOptions();
    EXPECT_TRUE(lImporter.Import(lPair.mScene, lOptions.get())) << pPath;
    KeepSpan(*lRead, lOptions.get());
    return lRead;
}

// Every curve of the current takes of a scene's nodes, by node name and channel path.
std::map<std::string, const KFCurve*> Curves(KRyvScene& pScene)
{
    std::map<std::string, const KFCurve*> lCurves;
    std::vector<std::pair<std::string, const KFCurveNode*>> lStack;
    for (int i = 0; i < pScene.GetNodeCount(); ++i) {
        KRyvNode* lNode = pScene.GetNode(i);
        if (KRyvTakeNode* lTake = lNode->GetCurrentTakeNode()) {
            lStack.emplace_back(lNode->GetName().Buffer(), lTake->GetKFCurveNode());
        }
    }
    while (!lStack.empty()) {
        const auto [lPath, lChannel] = lStack.back();
        lStack.pop_back();
        if (lChannel->GetCurve() && lChannel->GetCurve()->GetKeyCount() > 0) {
            lCurves[lPath] = lChannel->GetCurve();
        }
        for (int c = 0; c < lChannel->GetCount(); ++c) {
            lStack.emplace_back(lPath + "/" + lChannel->Get(c)->GetName(), lChannel->Get(c));
        }
    }
    return lCurves;
}

std::vector<fs::path> MotionSamples()
{
    std::vector<fs::path> lSamples;
    for (const char* lFolder : {"bvh", "asf-amc", "c3d", "trc"}) {
        const fs::path lPath = fs::path(RYV_SAMPLES_DIR) / lFolder;
        for (const auto& lEntry :
             fs::exists(lPath) ? fs::directory_iterator(lPath) : fs::directory_iterator()) {
            const std::string lExtension = lEntry.path().extension().string();
            if (lExtension != ".asf") {
                lSamples.push_back(lEntry.path());
            }
        }
    }
    return lSamples;
}

} // namespace

TEST(KMotionReducerSamples, EveryFrameKeepsItsValueWithTheDefaultSettings)
{
    const std::vector<fs::path> lSamples = MotionSamples();
    if (lSamples.empty()) {
        GTEST_SKIP() << "no samples";
    }
    KImportSettings::Get().Reset();
    ASSERT_TRUE(KImportSettings::Get().IsConstantKeyReducerEnabled());
    int lKeysBefore = 0;
    int lKeysAfter = 0;
    for (const fs::path& lSample : lSamples) {
        const std::unique_ptr<ReadSample> lOff = Read(lSample, false);
        const std::unique_ptr<ReadSample> lOn = Read(lSample, true);
        const std::map<std::string, const KFCurve*> lPlain = Curves(*lOff->mPair.mScene);
        const std::map<std::string, const KFCurve*> lReduced = Curves(*lOn->mPair.mScene);
        ASSERT_EQ(lPlain.size(), lReduced.size()) << lSample;
        ASSERT_GT(lOff->mFrames, 1) << lSample;
        for (const auto& [lName, lCurve] : lPlain) {
            const auto lFound = lReduced.find(lName);
            ASSERT_NE(lFound, lReduced.end()) << lSample << " " << lName;
            lKeysBefore += lCurve->GetKeyCount();
            lKeysAfter += lFound->second->GetKeyCount();
            // Every frame and the quarters between them.
            const KTime lStep(lOff->mPeriod.Get() / 4);
            for (int i = 0; i < 4 * (lOff->mFrames - 1); ++i) {
                const KTime lTime = lOff->mStart + lStep * i;
                const double lWant = lCurve->Evaluate(lTime);
                ASSERT_NEAR(lFound->second->Evaluate(lTime), lWant, 1e-9 * (1.0 + std::fabs(lWant)))
                    << lSample << " " << lName << " at quarter frame " << i;
            }
        }
    }
    // The reducer did remove keys: the comparison is not between two unreduced reads.
    EXPECT_LT(lKeysAfter, lKeysBefore);
    KImportSettings::Get().Reset();
}
