#include "bench/BenchSupport.h"
#include "formats/motion/KStreamOptionsMotion.h"
#include "formats/motion/htr/KHtrFile.h"
#include "formats/motion/htr/KReaderHtr.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <random>
#include <string>

namespace {

// 60 segments in chains of twelve below the root and enough frames of noisy motion for a file
// of about 32 MB, written once through the HTR print operations.
constexpr int kSegments = 60;
constexpr int kFrames = 9000;

std::string SegmentName(int pIndex)
{
    return pIndex == 0 ? std::string("Hips") : "Segment" + std::to_string(pIndex);
}

const std::string& BenchFilePath()
{
    static const std::string sPath = [] {
        const std::string lPath = "/tmp/ryvbench_htr_60_segments.htr";
        KHtrFile lFile;
        if (!lFile.Open(lPath.c_str(), "w") || !lFile.WriteHeader(kSegments, kFrames, 120.0) ||
            !lFile.WriteHierarchyTitle()) {
            return std::string();
        }
        for (int s = 0; s < kSegments; ++s) {
            const int lParent = s == 0 ? -1 : ((s - 1) % 12 == 0 ? 0 : s - 1);
            lFile.WriteHierarchyLine(SegmentName(s).c_str(),
                                     lParent < 0 ? nullptr : SegmentName(lParent).c_str());
        }
        lFile.WriteBaseTitle();
        for (int s = 0; s < kSegments; ++s) {
            lFile.WriteBaseLine(SegmentName(s).c_str(), 5.0 * s, 72.5, -15.0, 10.0, 0.0, -5.0,
                                72.5);
        }
        std::mt19937 lRandom(1);
        std::uniform_real_distribution<double> lAngle(-180.0, 180.0);
        for (int s = 0; s < kSegments; ++s) {
            lFile.WriteFrameTitle(SegmentName(s).c_str());
            for (int f = 0; f < kFrames; ++f) {
                lFile.WriteFrameLine(f + 1, lAngle(lRandom), lAngle(lRandom), lAngle(lRandom),
                                     lAngle(lRandom), lAngle(lRandom), lAngle(lRandom));
            }
        }
        return lFile.WriteEnd() && lFile.Close() ? lPath : std::string();
    }();
    return sPath;
}

// The whole import: structure, nodes, every key of every segment, the rotation-offset pass
// when ioState.range(0) is 1, and the import filters, on wall time. Taking the scene down again
// is not part of the read and is left out of the time, as the other motion tables' cases do.
// "x_floor" is the read's rate over that of the from_chars loop timed in the same run, so that
// a busy machine moves both alike.
void BM_HtrRead60Segments(benchmark::State& ioState)
{
    const std::string& lPath = BenchFilePath();
    if (lPath.empty()) {
        ioState.SkipWithError("cannot write the benchmark file");
        return;
    }
    const std::string lBytes = BenchSupport::ReadWholeFile(lPath);
    const double lFloor = BenchSupport::BestSeconds(
        [&lBytes] { benchmark::DoNotOptimize(BenchSupport::SumNumbers(lBytes)); });
    double lSeconds = 0.0;
    for (auto _ : ioState) {
        const auto lStart = std::chrono::steady_clock::now();
        auto lFactory = std::make_unique<KRyvObjectFactory>();
        KRyvScene* lScene = lFactory->CreateScene();
        auto lReader = std::make_unique<KReaderHtr>(lFactory.get());
        std::unique_ptr<KStreamOptions> lOptions;
        if (!lReader->FileOpen(lPath.c_str()) || !(lOptions = lReader->GetReadOptions())) {
            ioState.SkipWithError(lReader->GetError().GetLastErrorString().Buffer());
            return;
        }
        lReader->GetFile()->SetMinimizeRotationOffset(ioState.range(0) == 1);
        if (!lReader->Read(lScene, lOptions.get())) {
            ioState.SkipWithError(lReader->GetError().GetLastErrorString().Buffer());
            return;
        }
        benchmark::DoNotOptimize(lFactory->GetNodeCount());
        lSeconds +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - lStart).count();
        ioState.PauseTiming();
        lReader.reset();
        lFactory.reset();
        ioState.ResumeTiming();
    }
    const double lSize = static_cast<double>(lBytes.size());
    ioState.SetBytesProcessed(static_cast<std::int64_t>(ioState.iterations()) *
                              static_cast<std::int64_t>(lBytes.size()));
    BenchSupport::ReportRate(ioState, lSize, lSeconds, lSize, lFloor);
}
BENCHMARK(BM_HtrRead60Segments)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

// The yardstick, on the same clock: the same bytes already in memory, every number converted
// with from_chars and nothing else (no lines, no checks, no storage). It converts the numbers the
// reader converts (eight per frame line, those of the header and base positions) and the few
// digits of the segment names besides.
void BM_HtrFromCharsOnly60Segments(benchmark::State& ioState)
{
    const std::string& lPath = BenchFilePath();
    if (lPath.empty()) {
        ioState.SkipWithError("cannot write the benchmark file");
        return;
    }
    const std::string lBytes = BenchSupport::ReadWholeFile(lPath);
    BenchSupport::TimeSumNumbers(ioState, lBytes);
}
BENCHMARK(BM_HtrFromCharsOnly60Segments)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
