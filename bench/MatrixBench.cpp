#include "core/KMatrix.h"
#include "core/KMatrixFunctions.h"
#include "core/KVector4.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

// A spread of scaled, turned and moved matrices so that the branches see varied input.
std::vector<KMatrix> MakeMatrices(int pCount)
{
    std::vector<KMatrix> lMatrices(pCount);
    for (int i = 0; i < pCount; ++i) {
        const double t = i * 0.37;
        MatrixSetTRS(lMatrices[i], KVector4(t, -t, 2 * t),
                     KVector4(i * 7.0 - 170.0, i * 3.0 - 80.0, i * 11.0 - 160.0),
                     KVector4(1.0 + 0.01 * i, 2.0, 0.5));
    }
    return lMatrices;
}

constexpr int kMatrixCount = 32;

void BM_MatrixMultiplyAffine(benchmark::State& pState)
{
    const std::vector<KMatrix> lMatrices = MakeMatrices(kMatrixCount);
    KMatrix lResult;
    for (auto _ : pState) {
        // Pairs of fixed inputs: a running product would drift to infinities with these scales.
        for (int i = 0; i < kMatrixCount; ++i) {
            MatrixMultiplyAffine(lResult, lMatrices[i], lMatrices[(i + 1) % kMatrixCount]);
            benchmark::DoNotOptimize(lResult);
        }
    }
    pState.SetItemsProcessed(pState.iterations() * kMatrixCount);
}
BENCHMARK(BM_MatrixMultiplyAffine);

void BM_EulerXYZRoundTrip(benchmark::State& pState)
{
    KMatrix lMatrix;
    KVector4 lAngles(10.0, -20.0, 30.0);
    for (auto _ : pState) {
        EulerToMatrixXYZ(lMatrix, lAngles[0], lAngles[1], lAngles[2]);
        MatrixToEulerXYZ(lAngles, lMatrix);
        benchmark::DoNotOptimize(lAngles);
    }
    pState.SetItemsProcessed(pState.iterations());
}
BENCHMARK(BM_EulerXYZRoundTrip);

void BM_MatrixInverseAffine(benchmark::State& pState)
{
    const std::vector<KMatrix> lMatrices = MakeMatrices(kMatrixCount);
    KMatrix lResult;
    for (auto _ : pState) {
        for (int i = 0; i < kMatrixCount; ++i) {
            MatrixInverseAffine(lResult, lMatrices[i]);
            benchmark::DoNotOptimize(lResult);
        }
    }
    pState.SetItemsProcessed(pState.iterations() * kMatrixCount);
}
BENCHMARK(BM_MatrixInverseAffine);

} // namespace
