#include "animation/KFCurveFilterKeyReducer.h"
#include "animation/KFCurveFilterMatrixConverter.h"
#include "animation/KFCurveFilterUnroll.h"
#include "animation/KFCurveNode.h"
#include "core/KMatrixFunctions.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

namespace {

constexpr int kKeyCount = 10000;
constexpr std::int64_t kFrame = KTime::kTicksPerSecond / 30;

// "Defaults" / "Transform" / "T", "R", "S" / "X", "Y", "Z": nine curves of 10,000 keys, one key
// per frame at 30 fps.
std::unique_ptr<KFCurveNode> MakeTransformTree()
{
    auto lRoot = std::make_unique<KFCurveNode>("Defaults");
    KFCurveNode* lGroup = lRoot->FindOrCreateChild("Transform", false);
    const char* const lChannels[3] = {"T", "R", "S"};
    const char* const lAxes[3] = {"X", "Y", "Z"};
    for (int g = 0; g < 3; ++g) {
        KFCurveNode* lChannel = lGroup->FindOrCreateChild(lChannels[g], false);
        for (int a = 0; a < 3; ++a) {
            KFCurve* lCurve = lChannel->FindOrCreateChild(lAxes[a], true)->GetCurve();
            lCurve->BeginKeyModify();
            for (int i = 0; i < kKeyCount; ++i) {
                const double lWave = std::sin(i * 0.01 + a);
                const double lValue =
                    g == 0 ? 50.0 * lWave : (g == 1 ? 170.0 * lWave : 1.0 + 0.2 * lWave);
                lCurve->KeyAdd(KTime(i * kFrame), static_cast<float>(lValue));
            }
            lCurve->EndKeyModify();
        }
    }
    return lRoot;
}

void MatrixConverterNineCurves10kKeys(benchmark::State& pState)
{
    KFCurveFilterMatrixConverter lConverter;
    lConverter.SetResamplingPeriod(KTime(kFrame));
    KMatrix lPre;
    EulerToMatrixXYZ(lPre, 30.0, -10.0, 45.0);
    KMatrix lPivot;
    lPivot[3][1] = 5.0;
    lConverter.SetSourceMatrix(KFCurveFilterMatrixConverter::ePreRotation, lPre);
    lConverter.SetSourceMatrix(KFCurveFilterMatrixConverter::eRotationPivot, lPivot);
    for (auto _ : pState) {
        pState.PauseTiming();
        std::unique_ptr<KFCurveNode> lTree = MakeTransformTree();
        pState.ResumeTiming();
        benchmark::DoNotOptimize(lConverter.Apply(*lTree, true));
        pState.PauseTiming();
        lTree.reset();
        pState.ResumeTiming();
    }
    pState.SetItemsProcessed(pState.iterations() * 9 * kKeyCount);
}
BENCHMARK(MatrixConverterNineCurves10kKeys)->Unit(benchmark::kMillisecond);

void UnrollThenKeyReduceRotation10kKeys(benchmark::State& pState)
{
    for (auto _ : pState) {
        pState.PauseTiming();
        std::unique_ptr<KFCurveNode> lTree = MakeTransformTree();
        KFCurve* lT[3];
        KFCurve* lR[3];
        KFCurve* lS[3];
        KFCurveNode::GetTRSCurves(lTree->FindChild("Transform"), lT, lR, lS);
        pState.ResumeTiming();
        KFCurveFilterUnroll lUnroll;
        lUnroll.SetTestForPath(true);
        benchmark::DoNotOptimize(lUnroll.Apply(lR, 3));
        KFCurveFilterKeyReducer lReducer;
        benchmark::DoNotOptimize(lReducer.Apply(lR, 3));
        pState.PauseTiming();
        lTree.reset();
        pState.ResumeTiming();
    }
    pState.SetItemsProcessed(pState.iterations() * 3 * kKeyCount);
}
BENCHMARK(UnrollThenKeyReduceRotation10kKeys)->Unit(benchmark::kMillisecond);

} // namespace
