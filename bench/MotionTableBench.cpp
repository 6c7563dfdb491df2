// The readers of the six-degree-of-freedom tables (BRD, MOV, VPM), each over a generated file of
// about 32 MB, beside a floor that converts every number of the same bytes with from_chars.

#include "formats/motion/KStreamOptionsMotion.h"
#include "formats/motion/brd/KBrdFile.h"
#include "formats/motion/brd/KReaderBrd.h"
#include "formats/motion/mov/KMovFile.h"
#include "formats/motion/mov/KReaderMov.h"
#include "formats/motion/vpm/KReaderVpm.h"
#include "formats/motion/vpm/KVpmFile.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"

#include <benchmark/benchmark.h>

#include <charconv>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>

namespace {

// 20 sensors over 24000 frames: about 31 MB of BRD lines.
constexpr int kBrdSensors = 20;
constexpr int kBrdFrames = 24000;
// 10 objects of nine columns over 45000 rows: about 32 MB of MOV table.
constexpr int kMovObjects = 10;
constexpr int kMovRows = 45000;
// 10 segments of 50000 frames: about 32 MB of VPM.
constexpr int kVpmSegments = 10;
constexpr int kVpmFrames = 50000;

double Noise(std::mt19937& ioRandom)
{
    return std::uniform_real_distribution<double>(-180.0, 180.0)(ioRandom);
}

std::string WriteBrd()
{
    const std::string lPath = "/tmp/ryvbench_sensors.brd";
    KBrdFile lFile;
    if (!lFile.Open(lPath.c_str(), "w")) {
        return std::string();
    }
    std::mt19937 lRandom(1);
    for (int f = 0; f < kBrdFrames; ++f) {
        for (int s = 0; s < kBrdSensors; ++s) {
            const double lPosition[3] = {Noise(lRandom), Noise(lRandom), Noise(lRandom)};
            const double lQuaternion[4] = {0.5, -0.5, 0.5, 0.5};
            lFile.WriteSample(f, s, lPosition, lQuaternion, f / 120.0);
        }
    }
    return lFile.Close() ? lPath : std::string();
}

std::string WriteMov()
{
    const std::string lPath = "/tmp/ryvbench_objects.mov";
    KMovFile lFile;
    if (!lFile.Open(lPath.c_str(), "w")) {
        return std::string();
    }
    std::mt19937 lRandom(2);
    for (int r = 0; r < kMovRows; ++r) {
        lFile.Print(0, "%g\t", r / 120.0);
        for (int c = 0; c < kMovObjects * 9; ++c) {
            lFile.Print(0, "%g\t", Noise(lRandom));
        }
        lFile.Print(0, "\n");
    }
    return lFile.Close() ? lPath : std::string();
}

std::string WriteVpm()
{
    const std::string lPath = "/tmp/ryvbench_segments.vpm";
    KVpmFile lFile;
    if (!lFile.Open(lPath.c_str(), "w")) {
        return std::string();
    }
    std::mt19937 lRandom(3);
    for (int s = 0; s < kVpmSegments; ++s) {
        lFile.WriteSegmentHeader(("Segment" + std::to_string(s)).c_str(), kVpmFrames, 1.0 / 120.0);
        lFile.WriteColumnTitles();
        for (int f = 0; f < kVpmFrames; ++f) {
            lFile.WriteFrame(KVector4(Noise(lRandom), Noise(lRandom), Noise(lRandom)),
                             KVector4(Noise(lRandom), Noise(lRandom), Noise(lRandom)),
                             KVector4(1, 1, 1));
        }
    }
    return lFile.Close() ? lPath : std::string();
}

std::string ReadBytes(const std::string& pPath)
{
    std::ifstream lIn(pPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(lIn), std::istreambuf_iterator<char>());
}

// The whole import: the read options, then the nodes and every key, into a fresh scene, with
// the default import settings (unroll and constant key reducer). Taking the scene down again is
// not part of the read and is left out of the time.
template <class TReader> void ReadTable(benchmark::State& pState, const std::string& pPath)
{
    if (pPath.empty()) {
        pState.SkipWithError("cannot write the benchmark file");
        return;
    }
    const std::size_t lBytes = ReadBytes(pPath).size();
    for (auto _ : pState) {
        auto lFactory = std::make_unique<KRyvObjectFactory>();
        KRyvScene* lScene = lFactory->CreateScene();
        auto lReader = std::make_unique<TReader>(lFactory.get());
        std::unique_ptr<KStreamOptions> lOptions;
        if (!lReader->FileOpen(pPath.c_str()) || !(lOptions = lReader->GetReadOptions()) ||
            !lReader->Read(lScene, lOptions.get())) {
            pState.SkipWithError(lReader->GetError().GetLastErrorString().Buffer());
            return;
        }
        benchmark::DoNotOptimize(lFactory->GetNodeCount());
        pState.PauseTiming();
        lReader.reset();
        lFactory.reset();
        pState.ResumeTiming();
    }
    pState.SetBytesProcessed(static_cast<std::int64_t>(pState.iterations()) *
                             static_cast<std::int64_t>(lBytes));
}

// The floor: the same bytes already in memory, every number converted with from_chars and
// nothing else (no lines, no checks, no storage).
void FromCharsOnly(benchmark::State& pState, const std::string& pPath)
{
    if (pPath.empty()) {
        pState.SkipWithError("cannot write the benchmark file");
        return;
    }
    const std::string lBytes = ReadBytes(pPath);
    for (auto _ : pState) {
        const char* lPos = lBytes.data();
        const char* const lEnd = lPos + lBytes.size();
        double lSum = 0.0;
        while (lPos < lEnd) {
            const char lChar = *lPos;
            if ((lChar >= '0' && lChar <= '9') || lChar == '-' || lChar == '.') {
                double lValue = 0.0;
                const std::from_chars_result lResult = std::from_chars(lPos, lEnd, lValue);
                if (lResult.ptr != lPos) {
                    lSum += lValue;
                    lPos = lResult.ptr;
                    continue;
                }
            }
            ++lPos;
        }
        benchmark::DoNotOptimize(lSum);
    }
    pState.SetBytesProcessed(static_cast<std::int64_t>(pState.iterations()) *
                             static_cast<std::int64_t>(lBytes.size()));
}

const std::string& BrdPath()
{
    static const std::string sPath = WriteBrd();
    return sPath;
}

const std::string& MovPath()
{
    static const std::string sPath = WriteMov();
    return sPath;
}

const std::string& VpmPath()
{
    static const std::string sPath = WriteVpm();
    return sPath;
}

void BM_BrdRead(benchmark::State& pState)
{
    ReadTable<KReaderBrd>(pState, BrdPath());
}
void BM_BrdFromCharsOnly(benchmark::State& pState)
{
    FromCharsOnly(pState, BrdPath());
}
void BM_MovRead(benchmark::State& pState)
{
    ReadTable<KReaderMov>(pState, MovPath());
}
void BM_MovFromCharsOnly(benchmark::State& pState)
{
    FromCharsOnly(pState, MovPath());
}
void BM_VpmRead(benchmark::State& pState)
{
    ReadTable<KReaderVpm>(pState, VpmPath());
}
void BM_VpmFromCharsOnly(benchmark::State& pState)
{
    FromCharsOnly(pState, VpmPath());
}
BENCHMARK(BM_BrdRead)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BrdFromCharsOnly)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MovRead)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MovFromCharsOnly)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_VpmRead)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_VpmFromCharsOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
