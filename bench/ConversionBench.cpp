// Whole conversions as a user waits for them: a file read with the reader its extension names
// (and, for the conversions, written back with the writer of the same format), in process the
// way ryvconvert runs them. Each case reports its rate beside a floor measured in the same run on
// the same input: every number of the file converted with std::from_chars. "peak_x_file" is the
// peak memory of one read alone (in a child process) over the file's size; the many-node cases
// report time and memory per node, and the larger size its time over the smaller's.
#include "bench/BenchSupport.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace BenchSupport;

constexpr int kLineLength = 256;

// 400,020 triangles over a grid of points, without normals or UVs: about 13.6 MB.
const std::string& FlatTriangleObj()
{
    static const std::string sPath = [] {
        const std::string lPath = TempPath("ryvbench-flat-triangles.obj");
        std::ofstream lOut(lPath, std::ios::binary);
        constexpr int kSide = 448;
        char lLine[kLineLength];
        for (int i = 0; i < kSide * kSide; ++i) {
            std::snprintf(lLine, sizeof(lLine), "v %.6f %.6f %.6f\n", (i % kSide) * 0.5,
                          (i / kSide) * 0.5, (i % 11) * 0.125);
            lOut << lLine;
        }
        int lTriangles = 0;
        for (int y = 0; y + 1 < kSide && lTriangles < 400020; ++y) {
            for (int x = 0; x + 1 < kSide && lTriangles < 400020; ++x, lTriangles += 2) {
                const int a = y * kSide + x + 1;
                std::snprintf(lLine, sizeof(lLine), "f %d %d %d\nf %d %d %d\n", a, a + 1,
                              a + kSide + 1, a, a + kSide + 1, a + kSide);
                lOut << lLine;
            }
        }
        return lPath;
    }();
    return sPath;
}

// 1,000,000 quads over a grid of 1001 x 1001 points, each corner with its UV and normal: about
// 170 MB.
const std::string& QuadsWithNormalsAndUVsObj()
{
    static const std::string sPath = [] {
        const std::string lPath = TempPath("ryvbench-quads-normals-uvs.obj");
        std::ofstream lOut(lPath, std::ios::binary);
        constexpr int kSide = 1001;
        char lLine[kLineLength];
        for (int i = 0; i < kSide * kSide; ++i) {
            const int x = i % kSide;
            const int y = i / kSide;
            std::snprintf(lLine, sizeof(lLine),
                          "v %.6f %.6f %.6f\nvt %.6f %.6f\nvn %.6f %.6f %.6f\n", x * 0.5, y * 0.5,
                          (i % 13) * 0.125, x / 1000.0, y / 1000.0, (x % 7) * 0.1, (y % 5) * 0.1,
                          0.9);
            lOut << lLine;
        }
        for (int y = 0; y + 1 < kSide; ++y) {
            for (int x = 0; x + 1 < kSide; ++x) {
                const int a = y * kSide + x + 1;
                const int b = a + 1;
                const int c = a + kSide + 1;
                const int d = a + kSide;
                std::snprintf(lLine, sizeof(lLine), "f %d/%d/%d %d/%d/%d %d/%d/%d %d/%d/%d\n", a, a,
                              a, b, b, b, c, c, c, d, d, d);
                lOut << lLine;
            }
        }
        return lPath;
    }();
    return sPath;
}

// A skeleton of 60 joints in chains of twelve, 6 + 59 x 3 channels, 20,000 frames: about 34 MB.
const std::string& LargeBvh()
{
    static const std::string sPath = [] {
        const std::string lPath = TempPath("ryvbench-large.bvh");
        std::ofstream lOut(lPath, std::ios::binary);
        constexpr int kJoints = 60;
        constexpr int kChain = 12;
        constexpr int kFrames = 20000;
        lOut << "HIERARCHY\nROOT Hips\n{\nOFFSET 0 0 0\nCHANNELS 6 Xposition Yposition Zposition "
                "Zrotation Xrotation Yrotation\n";
        int lOpen = 0;
        for (int j = 1; j < kJoints; ++j) {
            lOut << "JOINT j" << j
                 << "\n{\nOFFSET 1.5 2.25 0\nCHANNELS 3 Zrotation Xrotation "
                    "Yrotation\n";
            ++lOpen;
            if (j % kChain == 0 || j == kJoints - 1) {
                lOut << "End Site\n{\nOFFSET 1 0 0\n}\n";
                for (; lOpen > 0; --lOpen) {
                    lOut << "}\n";
                }
            }
        }
        lOut << "}\nMOTION\nFrames: " << kFrames << "\nFrame Time: 0.008333\n";
        char lValue[32];
        for (int f = 0; f < kFrames; ++f) {
            for (int c = 0; c < 6 + (kJoints - 1) * 3; ++c) {
                std::snprintf(lValue, sizeof(lValue), c ? " %.4f" : "%.4f",
                              ((f * 7 + c * 13) % 3600) * 0.1 - 180.0);
                lOut << lValue;
            }
            lOut << '\n';
        }
        return lPath;
    }();
    return sPath;
}

// pGroups groups of two triangles each, every group named: the many-mesh conversions.
std::string GroupedObj(int pGroups)
{
    const std::string lPath =
        TempPath(("ryvbench-groups-" + std::to_string(pGroups) + ".obj").c_str());
    if (std::filesystem::exists(lPath)) {
        return lPath;
    }
    std::ofstream lOut(lPath, std::ios::binary);
    for (int g = 0; g < pGroups; ++g) {
        const int a = g * 4 + 1;
        lOut << "g group" << g << "\nv " << g << " 0 0\nv " << g << " 1 0\nv " << g << " 1 1\nv "
             << g << " 0 1\nf " << a << ' ' << a + 1 << ' ' << a + 2 << "\nf " << a << ' ' << a + 2
             << ' ' << a + 3 << '\n';
    }
    return lPath;
}

// 500 polyface meshes of 35 x 35 points with quad faces: about 30 MB.
const std::string& PolyfaceDxf()
{
    static const std::string sPath = [] {
        const std::string lPath = TempPath("ryvbench-polyfaces.dxf");
        std::ofstream lOut(lPath, std::ios::binary);
        constexpr int kMeshes = 500;
        constexpr int kSide = 35;
        char lText[kLineLength];
        lOut << "  0\nSECTION\n  2\nENTITIES\n";
        for (int m = 0; m < kMeshes; ++m) {
            std::snprintf(lText, sizeof(lText),
                          "  0\nPOLYLINE\n  8\nlayer%d\n 66\n   1\n 70\n   64\n 71\n   %d\n 72\n"
                          "   %d\n",
                          m % 7, kSide * kSide, (kSide - 1) * (kSide - 1));
            lOut << lText;
            for (int i = 0; i < kSide * kSide; ++i) {
                std::snprintf(lText, sizeof(lText),
                              "  0\nVERTEX\n  8\nlayer%d\n 10\n%f\n 20\n%f\n 30\n%f\n 70\n   192\n",
                              m % 7, (i % kSide) * 0.25, (i / kSide) * 0.25 + m * 10.0,
                              (i % 13) * 0.01);
                lOut << lText;
            }
            for (int y = 0; y + 1 < kSide; ++y) {
                for (int x = 0; x + 1 < kSide; ++x) {
                    const int a = y * kSide + x + 1;
                    std::snprintf(lText, sizeof(lText),
                                  "  0\nVERTEX\n  8\nlayer%d\n 70\n   128\n 71\n   %d\n 72\n   %d\n"
                                  " 73\n   %d\n 74\n   %d\n",
                                  m % 7, a, a + 1, a + kSide + 1, a + kSide);
                    lOut << lText;
                }
            }
            lOut << "  0\nSEQEND\n";
        }
        lOut << "  0\nENDSEC\n  0\nEOF\n";
        return lPath;
    }();
    return sPath;
}

// Reads (pConvert false) or converts into the same format pInput, beside the from_chars floor of
// the same file, and reports the peak memory of one read alone.
void RunConversion(benchmark::State& ioState, const std::string& pInput, bool pConvert)
{
    const std::string lText = ReadWholeFile(pInput);
    const double lBytes = static_cast<double>(lText.size());
    const double lFloor = BestSeconds([&] { benchmark::DoNotOptimize(SumNumbers(lText)); });
    const std::string lOutput =
        pConvert ? TempPath(("out-" + std::filesystem::path(pInput).filename().string()).c_str())
                 : std::string();
    const double lSeconds = TimeIterations(ioState, [&] { return Convert(pInput, lOutput); });
    ReportRate(ioState, lBytes, lSeconds, lBytes, lFloor);
    ioState.counters["peak_x_file"] = PeakBytesOf([&] { return Convert(pInput, ""); }) / lBytes;
    if (!lOutput.empty()) {
        std::filesystem::remove(lOutput);
    }
}

// The wall time of converting pInput over that of pSmallInput, the two converted in turn
// kPairedRuns times: the median of the pairs' ratios, so that a change of load on the machine
// moves both sides of a pair alike. -1 when a conversion fails.
double PairedRatio(const std::string& pInput, const std::string& pSmallInput,
                   const std::string& pOutput)
{
    constexpr int kPairedRuns = 3;
    const auto lSeconds = [&](const std::string& pFrom) {
        const auto lStart = std::chrono::steady_clock::now();
        const bool lDone = Convert(pFrom, pOutput);
        const std::chrono::duration<double> lSpent = std::chrono::steady_clock::now() - lStart;
        return lDone ? lSpent.count() : -1.0;
    };
    std::vector<double> lRatios;
    for (int i = 0; i < kPairedRuns; ++i) {
        const double lSmall = lSeconds(pSmallInput);
        const double lLarge = lSeconds(pInput);
        if (lSmall <= 0.0 || lLarge <= 0.0) {
            return -1.0;
        }
        lRatios.push_back(lLarge / lSmall);
    }
    std::sort(lRatios.begin(), lRatios.end());
    return lRatios[lRatios.size() / 2];
}

// Time and peak memory per node of a scene of many nodes, read or converted. With
// pSmallInput, the same scene with a tenth of the nodes, "x_tenth" is the time of the whole
// scene over the time of the tenth, paired in the same run: linear work gives 10.
void RunManyNodes(benchmark::State& ioState, const std::string& pInput, const char* pOutputName,
                  double pNodes, const std::string& pSmallInput)
{
    const std::string lOutput = pOutputName ? TempPath(pOutputName) : std::string();
    const double lSeconds = TimeIterations(ioState, [&] { return Convert(pInput, lOutput); });
    if (lSeconds > 0.0) {
        ioState.counters["us/node"] =
            lSeconds * 1e6 / static_cast<double>(ioState.iterations()) / pNodes;
    }
    ioState.counters["KB/node"] =
        PeakBytesOf([&] { return Convert(pInput, ""); }) / 1024.0 / pNodes;
    if (!pSmallInput.empty()) {
        ioState.counters["x_tenth"] = PairedRatio(pInput, pSmallInput, lOutput);
    }
    if (!lOutput.empty()) {
        std::filesystem::remove(lOutput);
    }
}

// The smaller size of the many-node cases; the larger is ten times it, and is paired with it.
constexpr int kSmallNodeCount = 2000;
bool HasTenth(int pNodes)
{
    return pNodes == kSmallNodeCount * 10;
}

void BM_ObjReadFlatTriangles(benchmark::State& ioState)
{
    RunConversion(ioState, FlatTriangleObj(), false);
}

void BM_ObjToObjFlatTriangles(benchmark::State& ioState)
{
    RunConversion(ioState, FlatTriangleObj(), true);
}

void BM_ObjReadQuadsNormalsUVs(benchmark::State& ioState)
{
    RunConversion(ioState, QuadsWithNormalsAndUVsObj(), false);
}

void BM_BvhRead34MB(benchmark::State& ioState)
{
    RunConversion(ioState, LargeBvh(), false);
}

void BM_BvhToBvh34MB(benchmark::State& ioState)
{
    RunConversion(ioState, LargeBvh(), true);
}

void BM_DxfReadPolyfaces(benchmark::State& ioState)
{
    RunConversion(ioState, PolyfaceDxf(), false);
}

void BM_DxfToDxfPolyfaces(benchmark::State& ioState)
{
    RunConversion(ioState, PolyfaceDxf(), true);
}

void BM_BvhReadFlatJoints(benchmark::State& ioState)
{
    const int lJoints = static_cast<int>(ioState.range(0));
    RunManyNodes(ioState, FlatBvh(lJoints), nullptr, lJoints,
                 HasTenth(lJoints) ? FlatBvh(lJoints / 10) : std::string());
}

void BM_ObjToObjGroups(benchmark::State& ioState)
{
    const int lGroups = static_cast<int>(ioState.range(0));
    RunManyNodes(ioState, GroupedObj(lGroups), "ryvbench-groups-out.obj", lGroups,
                 HasTenth(lGroups) ? GroupedObj(lGroups / 10) : std::string());
}

void BM_ObjToDxfGroups(benchmark::State& ioState)
{
    const int lGroups = static_cast<int>(ioState.range(0));
    RunManyNodes(ioState, GroupedObj(lGroups), "ryvbench-groups-out.dxf", lGroups,
                 HasTenth(lGroups) ? GroupedObj(lGroups / 10) : std::string());
}

} // namespace

BENCHMARK(BM_ObjReadFlatTriangles)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_ObjToObjFlatTriangles)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_ObjReadQuadsNormalsUVs)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(BM_BvhRead34MB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_BvhToBvh34MB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(BM_DxfReadPolyfaces)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_DxfToDxfPolyfaces)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(BM_BvhReadFlatJoints)
    ->Arg(kSmallNodeCount)
    ->Arg(kSmallNodeCount * 10)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
BENCHMARK(BM_ObjToObjGroups)
    ->Arg(kSmallNodeCount)
    ->Arg(kSmallNodeCount * 10)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
BENCHMARK(BM_ObjToDxfGroups)
    ->Arg(kSmallNodeCount)
    ->Arg(kSmallNodeCount * 10)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
