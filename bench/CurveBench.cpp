#include "animation/KFCurve.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

constexpr int kKeyCount = 10000;
constexpr int kSampleCount = 1000000;

// A 10,000-key auto-tangent curve, one key every frame at 30 fps.
KFCurve MakeCurve()
{
    KFCurve lCurve;
    const std::int64_t lFrame = KTime::kTicksPerSecond / 30;
    lCurve.BeginKeyModify();
    for (int i = 0; i < kKeyCount; ++i) {
        lCurve.KeyAdd(KTime(i * lFrame), static_cast<float>(std::sin(i * 0.01) * 100.0));
    }
    lCurve.EndKeyModify();
    return lCurve;
}

KTime SampleTime(const KFCurve& pCurve, int pSample)
{
    const std::int64_t lSpan = pCurve.KeyGetTime(kKeyCount - 1).Get();
    return KTime(lSpan / kSampleCount * pSample);
}

void CurveEvaluateInOrder(benchmark::State& pState)
{
    const KFCurve lCurve = MakeCurve();
    for (auto _ : pState) {
        double lSum = 0.0;
        for (int i = 0; i < kSampleCount; ++i) {
            lSum += lCurve.Evaluate(SampleTime(lCurve, i));
        }
        benchmark::DoNotOptimize(lSum);
    }
    pState.SetItemsProcessed(pState.iterations() * kSampleCount);
}

void CurveEvaluateCachedInOrder(benchmark::State& pState)
{
    KFCurve lCurve = MakeCurve();
    for (auto _ : pState) {
        double lSum = 0.0;
        for (int i = 0; i < kSampleCount; ++i) {
            lSum += lCurve.EvaluateCached(SampleTime(lCurve, i));
        }
        benchmark::DoNotOptimize(lSum);
    }
    pState.SetItemsProcessed(pState.iterations() * kSampleCount);
}

} // namespace

BENCHMARK(CurveEvaluateInOrder)->Unit(benchmark::kMillisecond);
BENCHMARK(CurveEvaluateCachedInOrder)->Unit(benchmark::kMillisecond);
