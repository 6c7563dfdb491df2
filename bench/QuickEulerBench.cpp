#include "BenchSupport.h"
#include "core/KMatrixFunctions.h"
#include "formats/motion/KMotionQuickEuler.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr int kBlock = KMotionQuickEuler::kMaxCount;
constexpr int kBlocks = 256;
constexpr int kCount = kBlock * kBlocks;
// A typical error of entries built from quick sines and cosines.
constexpr double kEntryError = 2e-15;

// Rotations as the readers hold them: one array per entry, and the same matrices whole for the
// library path. Angles spread over every quadrant, so no branch sees a pattern.
struct Rotations
{
    std::vector<double> mRows[2][3];
    std::vector<double> mZ2;
    std::vector<double> mDegrees;

    Rotations() : mZ2(kCount), mDegrees(kCount)
    {
        for (auto& lRow : mRows) {
            for (auto& lEntry : lRow) {
                lEntry.resize(kCount);
            }
        }
        for (int i = 0; i < kCount; ++i) {
            const double lX = std::fmod(i * 47.3, 360.0) - 180.0;
            const double lY = std::fmod(i * 13.7, 178.0) - 89.0;
            const double lZ = std::fmod(i * 101.9, 360.0) - 180.0;
            double lAxes[3][3];
            EulerToAxesXYZ(lAxes, lX, lY, lZ);
            for (int r = 0; r < 2; ++r) {
                for (int c = 0; c < 3; ++c) {
                    mRows[r][c][i] = lAxes[r][c];
                }
            }
            mZ2[i] = lAxes[2][2];
            mDegrees[i] = lX;
        }
    }
};

// The library's angles of matrix pIndex.
void LibraryAnglesOf(const Rotations& pRotations, int pIndex, double oAngles[3])
{
    const double lRow0[3] = {pRotations.mRows[0][0][pIndex], pRotations.mRows[0][1][pIndex],
                             pRotations.mRows[0][2][pIndex]};
    const double lRow1[3] = {pRotations.mRows[1][0][pIndex], pRotations.mRows[1][1][pIndex],
                             pRotations.mRows[1][2][pIndex]};
    AxesToEulerXYZ(oAngles, lRow0, lRow1, pRotations.mZ2[pIndex]);
}

// The quick angles and their bound of the block of matrices from pFirst.
void QuickBlock(const Rotations& pRotations, int pFirst, double* const oAngles[3], double* oBound)
{
    const double* const lRow0[3] = {&pRotations.mRows[0][0][pFirst],
                                    &pRotations.mRows[0][1][pFirst],
                                    &pRotations.mRows[0][2][pFirst]};
    const double* const lRow1[3] = {&pRotations.mRows[1][0][pFirst],
                                    &pRotations.mRows[1][1][pFirst],
                                    &pRotations.mRows[1][2][pFirst]};
    KMotionQuickEuler::AxesToEulerXYZ(kBlock, lRow0, lRow1, &pRotations.mZ2[pFirst], kEntryError,
                                      oAngles, oBound);
}

// The library's angles of every matrix, one at a time.
double LibraryAngles(const Rotations& pRotations)
{
    double lSum = 0.0;
    for (int i = 0; i < kCount; ++i) {
        double lAngles[3];
        LibraryAnglesOf(pRotations, i, lAngles);
        lSum += lAngles[0] + lAngles[1] + lAngles[2];
    }
    return lSum;
}

// The quick angles and their bounds, block by block.
double QuickAngles(const Rotations& pRotations)
{
    double lSum = 0.0;
    double lAngles[3][kBlock];
    double* const lOut[3] = {lAngles[0], lAngles[1], lAngles[2]};
    double lBounds[kBlock];
    for (int b = 0; b < kCount; b += kBlock) {
        QuickBlock(pRotations, b, lOut, lBounds);
        for (int f = 0; f < kBlock; ++f) {
            lSum += lAngles[0][f] + lAngles[1][f] + lAngles[2][f] + lBounds[f];
        }
    }
    return lSum;
}

// The quick angles certified as a reader certifies its float keys: each angle's float checked
// against the bound, as many certain as counted.
double CertifiedAngles(const Rotations& pRotations)
{
    double lSum = 0.0;
    double lAngles[3][kBlock];
    double* const lOut[3] = {lAngles[0], lAngles[1], lAngles[2]};
    double lBounds[3][kBlock];
    bool lSame[kBlock];
    for (int b = 0; b < kCount; b += kBlock) {
        QuickBlock(pRotations, b, lOut, lBounds[0]);
        std::copy(lBounds[0], lBounds[0] + kBlock, lBounds[1]);
        std::copy(lBounds[0], lBounds[0] + kBlock, lBounds[2]);
        for (int a = 0; a < 3; ++a) {
            KMotionQuickEuler::SameFloat(kBlock, lAngles[a], lBounds[a], lSame);
            for (int f = 0; f < kBlock; ++f) {
                lSum += lSame[f] ? static_cast<float>(lAngles[a][f]) : 0.0f;
            }
        }
    }
    return lSum;
}

// The library's angles as float keys.
double LibraryFloatAngles(const Rotations& pRotations)
{
    double lSum = 0.0;
    for (int i = 0; i < kCount; ++i) {
        double lAngles[3];
        LibraryAnglesOf(pRotations, i, lAngles);
        for (const double lAngle : lAngles) {
            lSum += static_cast<float>(lAngle);
        }
    }
    return lSum;
}

double LibrarySinCos(const Rotations& pRotations)
{
    constexpr double kDegToRad = 3.14159265358979323846 / 180.0;
    double lSum = 0.0;
    for (int i = 0; i < kCount; ++i) {
        lSum += std::sin(pRotations.mDegrees[i] * kDegToRad) +
                std::cos(pRotations.mDegrees[i] * kDegToRad);
    }
    return lSum;
}

double QuickSinCos(const Rotations& pRotations)
{
    double lSum = 0.0;
    double lSines[kBlock];
    double lCosines[kBlock];
    bool lOutside[kBlock];
    for (int b = 0; b < kCount; b += kBlock) {
        KMotionQuickEuler::SinCos(kBlock, &pRotations.mDegrees[b], lSines, lCosines, lOutside);
        for (int f = 0; f < kBlock; ++f) {
            lSum += lSines[f] + lCosines[f];
        }
    }
    return lSum;
}

// pQuick timed over the iterations beside pLibrary, the same values, in the same run:
// "x_library" is how many times faster the quick form is.
void TimeBeside(benchmark::State& ioState, double (*pQuick)(const Rotations&),
                double (*pLibrary)(const Rotations&))
{
    const Rotations lRotations;
    const double lLibrary =
        BenchSupport::BestSeconds([&] { benchmark::DoNotOptimize(pLibrary(lRotations)); }, 5);
    const double lSeconds = BenchSupport::TimeIterations(ioState, [&] {
        benchmark::DoNotOptimize(pQuick(lRotations));
        return true;
    });
    ioState.SetItemsProcessed(ioState.iterations() * kCount);
    if (lSeconds > 0.0 && lLibrary > 0.0) {
        ioState.counters["x_library"] =
            lLibrary * static_cast<double>(ioState.iterations()) / lSeconds;
    }
}

void BM_QuickEulerAxesToEuler(benchmark::State& ioState)
{
    TimeBeside(ioState, QuickAngles, LibraryAngles);
}
BENCHMARK(BM_QuickEulerAxesToEuler)->UseRealTime();

void BM_QuickEulerCertifiedFloats(benchmark::State& ioState)
{
    TimeBeside(ioState, CertifiedAngles, LibraryFloatAngles);
}
BENCHMARK(BM_QuickEulerCertifiedFloats)->UseRealTime();

void BM_QuickEulerSinCos(benchmark::State& ioState)
{
    TimeBeside(ioState, QuickSinCos, LibrarySinCos);
}
BENCHMARK(BM_QuickEulerSinCos)->UseRealTime();

} // namespace
