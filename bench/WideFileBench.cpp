// Memory per node of wide files: many markers, segments or joints that hold nothing but their
// defaults, so that what a node costs is not hidden behind its keys. Each format's wide file is
// read beside a one-node file of the same format in the same run; the difference over the node
// count is what one more node costs. "KB/node" counts the heap bytes the read scene holds
// (glibc's own count, so every allocation is seen), "peak_KB/node" the peak resident memory of
// the read alone (in a child process). The TRC files are generated here, the BVH files by
// FlatBvh; the AOA, MCD and C3D files are the TRC ones written by the kit's writers, the HTR
// files the BVH ones. The conversion cases do the same for a whole conversion of the wide TRC
// file, read and write, and for a C3D write that must refuse more markers than the format holds.
#include "bench/BenchSupport.h"

#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <string>

namespace {

using namespace BenchSupport;

// Markers of the TRC, AOA and MCD files, nodes of the BVH and HTR files.
constexpr int kWideNodeCount = 10000;
// The C3D writer keeps every label in the parameter section, which holds 255 blocks at most.
constexpr int kWideC3dNodeCount = 3000;
constexpr double kKilobyte = 1024.0;

std::string WidePath(const char* pStem, int pNodes, const char* pExtension)
{
    return TempPath(
        (std::string("ryvbench-wide-") + pStem + std::to_string(pNodes) + "." + pExtension)
            .c_str());
}

// pMarkers markers and one frame in which every marker is blank (occluded).
std::string WideTrc(int pMarkers)
{
    const std::string lPath = WidePath("markers", pMarkers, "trc");
    if (std::filesystem::exists(lPath)) {
        return lPath;
    }
    std::ofstream lOut(lPath, std::ios::binary);
    lOut << "PathFileType\t4\t(X/Y/Z)\twide.trc\nDataRate\tCameraRate\tNumFrames\tNumMarkers\t"
            "Units\tOrigDataRate\tOrigDataStartFrame\tOrigNumFrames\n60.00\t60.00\t1\t"
         << pMarkers << "\tmm\t60.00\t1\t1\nFrame#\tTime";
    for (int m = 0; m < pMarkers; ++m) {
        lOut << "\tm" << m << "\t\t";
    }
    lOut << "\n\t";
    for (int m = 1; m <= pMarkers; ++m) {
        lOut << "\tX" << m << "\tY" << m << "\tZ" << m;
    }
    lOut << "\n\n1\t0.000000";
    for (int m = 0; m < pMarkers * 3; ++m) {
        lOut << '\t';
    }
    lOut << '\n';
    return lPath;
}

// pSource written in the format of pExtension by the kit; empty when the write fails.
std::string Rewritten(const std::string& pSource, const char* pExtension)
{
    const std::string lPath = std::filesystem::path(pSource).replace_extension(pExtension);
    if (std::filesystem::exists(lPath) || Convert(pSource, lPath)) {
        return lPath;
    }
    return std::string();
}

// The heap bytes a read of pPath leaves in its scene; -1 when the read fails.
double HeldBytesOf(const std::string& pPath)
{
    malloc_trim(0);
    const double lBefore = static_cast<double>(mallinfo2().uordblks);
    double lHeld = -1.0;
    const bool lRead =
        Convert(pPath, "", [&] { lHeld = static_cast<double>(mallinfo2().uordblks) - lBefore; });
    return lRead ? lHeld : -1.0;
}

// pWide (pNodes nodes) and pOne (one node of the same kind) read in turn: what one more node
// costs, held and at the peak.
void RunWide(benchmark::State& ioState, const std::string& pWide, const std::string& pOne,
             int pNodes)
{
    if (pWide.empty() || pOne.empty()) {
        ioState.SkipWithError("the file could not be generated");
        return;
    }
    const double lSeconds = TimeIterations(ioState, [&] { return Convert(pWide, ""); });
    if (lSeconds <= 0.0) {
        return;
    }
    const double lExtraNodes = pNodes - 1.0;
    const double lHeldWide = HeldBytesOf(pWide);
    const double lHeldOne = HeldBytesOf(pOne);
    const double lPeakWide = PeakBytesOf([&] { return Convert(pWide, ""); });
    const double lPeakOne = PeakBytesOf([&] { return Convert(pOne, ""); });
    ioState.counters["KB/node"] = (lHeldWide - lHeldOne) / lExtraNodes / kKilobyte;
    ioState.counters["peak_KB/node"] = (lPeakWide - lPeakOne) / lExtraNodes / kKilobyte;
    ioState.counters["one_node_KB"] = lHeldOne / kKilobyte;
    ioState.counters["us/node"] =
        lSeconds * 1e6 / static_cast<double>(ioState.iterations()) / pNodes;
}

void BM_WideTrc(benchmark::State& ioState)
{
    RunWide(ioState, WideTrc(kWideNodeCount), WideTrc(1), kWideNodeCount);
}

void BM_WideAoa(benchmark::State& ioState)
{
    RunWide(ioState, Rewritten(WideTrc(kWideNodeCount), ".aoa"), Rewritten(WideTrc(1), ".aoa"),
            kWideNodeCount);
}

void BM_WideMcd(benchmark::State& ioState)
{
    RunWide(ioState, Rewritten(WideTrc(kWideNodeCount), ".mcd"), Rewritten(WideTrc(1), ".mcd"),
            kWideNodeCount);
}

void BM_WideC3d(benchmark::State& ioState)
{
    RunWide(ioState, Rewritten(WideTrc(kWideC3dNodeCount), ".c3d"), Rewritten(WideTrc(1), ".c3d"),
            kWideC3dNodeCount);
}

// The BVH joints and the HTR segments with their End Sites, which are nodes too; the small
// file is the root alone.
constexpr int kWideJointCount = kWideNodeCount / 2;

void BM_WideBvh(benchmark::State& ioState)
{
    RunWide(ioState, FlatBvh(kWideJointCount), FlatBvh(0), 1 + kWideJointCount * 2);
}

void BM_WideHtr(benchmark::State& ioState)
{
    RunWide(ioState, Rewritten(FlatBvh(kWideJointCount), ".htr"), Rewritten(FlatBvh(0), ".htr"),
            1 + kWideJointCount * 2);
}

// The wide TRC file converted to pExtension beside the one-marker file: what one more marker
// costs at the peak of the whole conversion.
void RunWideConversion(benchmark::State& ioState, const char* pExtension)
{
    const std::string lWide = WideTrc(kWideNodeCount);
    const std::string lOne = WideTrc(1);
    const std::string lWideOut = WidePath("converted", kWideNodeCount, pExtension);
    const std::string lOneOut = WidePath("converted", 1, pExtension);
    const double lSeconds = TimeIterations(ioState, [&] { return Convert(lWide, lWideOut); });
    if (lSeconds <= 0.0) {
        return;
    }
    const double lPeakWide = PeakBytesOf([&] { return Convert(lWide, lWideOut); });
    const double lPeakOne = PeakBytesOf([&] { return Convert(lOne, lOneOut); });
    std::filesystem::remove(lWideOut);
    std::filesystem::remove(lOneOut);
    ioState.counters["peak_KB/node"] = (lPeakWide - lPeakOne) / (kWideNodeCount - 1.0) / kKilobyte;
    ioState.counters["us/node"] =
        lSeconds * 1e6 / static_cast<double>(ioState.iterations()) / kWideNodeCount;
}

void BM_WideTrcToTrc(benchmark::State& ioState)
{
    RunWideConversion(ioState, "trc");
}

void BM_WideTrcToBvh(benchmark::State& ioState)
{
    RunWideConversion(ioState, "bvh");
}

void BM_WideTrcToRyv(benchmark::State& ioState)
{
    RunWideConversion(ioState, "ryv");
}

// One marker more than a C3D file holds.
constexpr int kTooWideC3dNodeCount = 65536;

// The C3D writer's refusal of too many markers, beside the read alone: a refusal made before
// anything is sampled peaks where the read does ("over_read_KB/node" near 0).
void BM_WideC3dRefusal(benchmark::State& ioState)
{
    const std::string lWide = WideTrc(kTooWideC3dNodeCount);
    const std::string lOut = WidePath("refused", kTooWideC3dNodeCount, "c3d");
    const auto lRefused = [&] { return !Convert(lWide, lOut); };
    const double lSeconds = TimeIterations(ioState, lRefused);
    if (lSeconds <= 0.0) {
        ioState.SkipWithError("the C3D writer did not refuse the file");
        return;
    }
    const double lPeakRefusal = PeakBytesOf(lRefused);
    const double lPeakRead = PeakBytesOf([&] { return Convert(lWide, ""); });
    ioState.counters["peak_KB/node"] = lPeakRefusal / kTooWideC3dNodeCount / kKilobyte;
    ioState.counters["over_read_KB/node"] =
        (lPeakRefusal - lPeakRead) / kTooWideC3dNodeCount / kKilobyte;
    ioState.counters["us/node"] =
        lSeconds * 1e6 / static_cast<double>(ioState.iterations()) / kTooWideC3dNodeCount;
}

} // namespace

BENCHMARK(BM_WideTrc)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_WideAoa)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_WideMcd)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_WideC3d)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_WideBvh)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_WideHtr)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_WideTrcToTrc)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_WideTrcToBvh)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_WideTrcToRyv)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_WideC3dRefusal)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
