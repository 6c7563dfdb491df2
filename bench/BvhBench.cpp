#include "bench/BenchSupport.h"
#include "formats/motion/bvh/KBvhFile.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <string>

namespace {

// A chain-and-branch skeleton of 60 joints (a 6-channel root, 59 joints of 3 rotations) and
// enough frames of noisy motion for a file of about 32 MB, written once through the BVH print
// operations, as a long capture session exports it.
constexpr int kJoints = 60;
constexpr int kFrames = 21000;

const std::string& BenchFilePath()
{
    static const std::string sPath = [] {
        const std::string lPath = "/tmp/ryvbench_bvh_60_joints.bvh";
        KBvhFile lFile;
        if (!lFile.Open(lPath.c_str(), "w")) {
            return std::string();
        }
        // Joints 1..59 hang in chains of twelve (the last of eleven) below the root.
        int lDepth = 0;
        lFile.WriteJointHeader("Hips", true, KVector4(0, 90, 0), 0, true, true);
        for (int j = 1; j < kJoints; ++j) {
            lDepth = (j - 1) % 12 + 1;
            lFile.WriteJointHeader(("Joint" + std::to_string(j)).c_str(), false,
                                   KVector4(0.5 * j, 7.25, -1.5), lDepth, true, true);
            if (lDepth == 12 || j + 1 == kJoints) {
                lFile.WriteEndSite(KVector4(0, 5, 0), lDepth + 1);
                for (int lClose = lDepth; lClose >= 1; --lClose) {
                    lFile.WriteJointEnd(lClose);
                }
            }
        }
        lFile.WriteJointEnd(0);
        lFile.WriteMotionHeader(kFrames, 1.0 / 120.0);
        std::mt19937 lRandom(1);
        std::uniform_real_distribution<double> lAngle(-180.0, 180.0);
        for (int f = 0; f < kFrames; ++f) {
            for (int j = 0; j < kJoints; ++j) {
                lFile.WriteJointFrame(j == 0, KVector4(lAngle(lRandom), 90.0, lAngle(lRandom)),
                                      KVector4(lAngle(lRandom), lAngle(lRandom), lAngle(lRandom)),
                                      true);
            }
            lFile.WriteFrameEnd();
        }
        return lFile.Close() ? lPath : std::string();
    }();
    return sPath;
}

// The full parse: hierarchy, motion header and every frame value, from the file.
void BM_BvhParse60Joints(benchmark::State& pState)
{
    const std::string& lPath = BenchFilePath();
    if (lPath.empty()) {
        pState.SkipWithError("cannot write the benchmark file");
        return;
    }
    const std::size_t lBytes = BenchSupport::ReadWholeFile(lPath).size();
    for (auto _ : pState) {
        KBvhFile lFile;
        if (!lFile.Open(lPath.c_str(), "r") || !lFile.ReadHeader() || !lFile.ReadMotion()) {
            pState.SkipWithError(lFile.GetLastError().c_str());
            return;
        }
        benchmark::DoNotOptimize(lFile.GetFrameValues(kFrames - 1));
    }
    pState.SetBytesProcessed(static_cast<std::int64_t>(pState.iterations()) *
                             static_cast<std::int64_t>(lBytes));
}
BENCHMARK(BM_BvhParse60Joints)->Unit(benchmark::kMillisecond)->UseRealTime();

// The yardstick: the same bytes already in memory, every number converted with from_chars and
// nothing else (no lines, no checks, no storage).
void BM_BvhFromCharsOnly60Joints(benchmark::State& pState)
{
    const std::string& lPath = BenchFilePath();
    if (lPath.empty()) {
        pState.SkipWithError("cannot write the benchmark file");
        return;
    }
    const std::string lBytes = BenchSupport::ReadWholeFile(lPath);
    BenchSupport::TimeSumNumbers(pState, lBytes);
}
BENCHMARK(BM_BvhFromCharsOnly60Joints)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
