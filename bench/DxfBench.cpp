// DXF reading and writing speed: a generated drawing of polyface meshes of at least 30 MB read
// into a scene and written back, beside the bare cost of converting the file's numbers with
// std::from_chars.
#include "formats/geometry/dxf/KReaderDxf.h"
#include "formats/geometry/dxf/KStreamOptionsDxf.h"
#include "formats/geometry/dxf/KWriterDxf.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"

#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

// 40 polyface meshes, each a 120 x 120 grid of points with quad faces: about 33 MB.
const std::string& DxfFile()
{
    static const std::string lPath = [] {
        const std::string lFile =
            (std::filesystem::temp_directory_path() / "ryvbench-grid.dxf").string();
        std::ofstream lOut(lFile, std::ios::binary);
        const int lMeshes = 40;
        const int lSide = 120;
        char lText[256];
        lOut << "  0\nSECTION\n  2\nENTITIES\n";
        for (int m = 0; m < lMeshes; ++m) {
            std::snprintf(lText, sizeof(lText),
                          "  0\nPOLYLINE\n  8\nlayer%d\n 66\n   1\n 70\n   64\n 71\n   %d\n 72\n   "
                          "%d\n",
                          m % 7, lSide * lSide, (lSide - 1) * (lSide - 1));
            lOut << lText;
            for (int i = 0; i < lSide * lSide; ++i) {
                std::snprintf(lText, sizeof(lText),
                              "  0\nVERTEX\n  8\nlayer%d\n 10\n%f\n 20\n%f\n 30\n%f\n 70\n   192\n",
                              m % 7, (i % lSide) * 0.25, (i / lSide) * 0.25 + m * 40.0,
                              (i % 13) * 0.01);
                lOut << lText;
            }
            for (int y = 0; y + 1 < lSide; ++y) {
                for (int x = 0; x + 1 < lSide; ++x) {
                    const int a = y * lSide + x + 1;
                    std::snprintf(
                        lText, sizeof(lText),
                        "  0\nVERTEX\n  8\nlayer%d\n 70\n   128\n 71\n   %d\n 72\n   %d\n "
                        "73\n   %d\n 74\n   %d\n",
                        m % 7, a, a + 1, a + lSide + 1, a + lSide);
                    lOut << lText;
                }
            }
            lOut << "  0\nSEQEND\n";
        }
        lOut << "  0\nENDSEC\n  0\nEOF\n";
        return lFile;
    }();
    return lPath;
}

double FileSize()
{
    return static_cast<double>(std::filesystem::file_size(DxfFile()));
}

// The floor: every value line that holds a number, converted with from_chars.
void BM_DxfNumbersFloor(benchmark::State& ioState)
{
    std::ifstream lIn(DxfFile(), std::ios::binary);
    std::ostringstream lBuffer;
    lBuffer << lIn.rdbuf();
    const std::string lText = lBuffer.str();
    for (auto _ : ioState) {
        double lSum = 0.0;
        const char* lAt = lText.data();
        const char* lEnd = lAt + lText.size();
        while (lAt < lEnd) {
            while (lAt < lEnd && (*lAt == ' ' || *lAt == '\n')) {
                ++lAt;
            }
            double lValue = 0.0;
            const std::from_chars_result lParsed = std::from_chars(lAt, lEnd, lValue);
            lSum += lParsed.ec == std::errc() ? lValue : 0.0;
            lAt = lParsed.ptr == lAt ? lAt + 1 : lParsed.ptr;
            while (lAt < lEnd && *lAt != '\n') {
                ++lAt;
            }
        }
        benchmark::DoNotOptimize(lSum);
    }
    ioState.counters["MB/s"] =
        benchmark::Counter(FileSize() / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

bool ReadDrawing(KRyvObjectFactory& ioFactory, KRyvScene& ioScene)
{
    KReaderDxf lReader(&ioFactory);
    KStreamOptionsDxf lOptions;
    return lReader.FileOpen(DxfFile().c_str()) && lReader.Read(&ioScene, &lOptions);
}

void BM_DxfRead(benchmark::State& ioState)
{
    for (auto _ : ioState) {
        KRyvObjectFactory lFactory;
        KRyvScene lScene(&lFactory);
        if (!ReadDrawing(lFactory, lScene)) {
            ioState.SkipWithError("read failed");
            break;
        }
    }
    ioState.counters["MB/s"] =
        benchmark::Counter(FileSize() / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_DxfWrite(benchmark::State& ioState)
{
    KRyvObjectFactory lFactory;
    KRyvScene lScene(&lFactory);
    if (!ReadDrawing(lFactory, lScene)) {
        ioState.SkipWithError("read failed");
        return;
    }
    const std::string lOut =
        (std::filesystem::temp_directory_path() / "ryvbench-written.dxf").string();
    KStreamOptionsDxf lOptions;
    lOptions.SetOptionValue(KStreamOptionsDxf::kForceTriangulation, 0);
    for (auto _ : ioState) {
        KWriterDxf lWriter(&lFactory);
        if (!lWriter.FileCreate(lOut.c_str()) || !lWriter.Write(&lScene, &lOptions) ||
            !lWriter.FileClose()) {
            ioState.SkipWithError("write failed");
            break;
        }
    }
    ioState.counters["MB/s"] =
        benchmark::Counter(static_cast<double>(std::filesystem::file_size(lOut)) / 1e6,
                           benchmark::Counter::kIsIterationInvariantRate);
    std::filesystem::remove(lOut);
}

} // namespace

BENCHMARK(BM_DxfNumbersFloor)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DxfRead)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DxfWrite)->Unit(benchmark::kMillisecond)->UseRealTime();
