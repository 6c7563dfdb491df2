// OBJ reading speed against the bare cost of converting the same numbers with std::from_chars,
// the cost of looking up many distinct materials in a big library, and of a vertex shared by
// thousands of faces that each give it a normal of its own.
#include "formats/geometry/obj/KReaderObj.h"
#include "formats/geometry/obj/KStreamOptionsObj.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"

#include "bench/BenchSupport.h"

#include <benchmark/benchmark.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

// About 12 MB: a grid of points with UVs and normals, faces alternating triangles and quads.
const std::string& ObjFile()
{
    static const std::string lPath = [] {
        const std::string lFile =
            (std::filesystem::temp_directory_path() / "ryvbench-grid.obj").string();
        std::ofstream lOut(lFile, std::ios::binary);
        const int lSide = 300;
        char lLine[128];
        for (int y = 0; y < lSide; ++y) {
            for (int x = 0; x < lSide; ++x) {
                std::snprintf(lLine, sizeof(lLine),
                              "v %.6f %.6f %.6f\nvt %.6f %.6f\nvn 0.0 0.0 1.0\n", x * 0.1, y * 0.1,
                              (x * y % 17) * 0.01, x / 299.0, y / 299.0);
                lOut << lLine;
            }
        }
        for (int y = 0; y + 1 < lSide; ++y) {
            for (int x = 0; x + 1 < lSide; ++x) {
                const int a = y * lSide + x + 1;
                const int b = a + 1;
                const int c = a + lSide + 1;
                const int d = a + lSide;
                if ((x + y) % 2) {
                    std::snprintf(lLine, sizeof(lLine), "f %d/%d/%d %d/%d/%d %d/%d/%d %d/%d/%d\n",
                                  a, a, a, b, b, b, c, c, c, d, d, d);
                } else {
                    std::snprintf(lLine, sizeof(lLine),
                                  "f %d/%d/%d %d/%d/%d %d/%d/%d\nf %d/%d/%d %d/%d/%d %d/%d/%d\n", a,
                                  a, a, b, b, b, c, c, c, a, a, a, c, c, c, d, d, d);
                }
                lOut << lLine;
            }
        }
        return lFile;
    }();
    return lPath;
}

std::string FileText()
{
    std::ifstream lIn(ObjFile(), std::ios::binary);
    std::ostringstream lText;
    lText << lIn.rdbuf();
    return lText.str();
}

void BM_ObjRead(benchmark::State& ioState)
{
    const std::string& lPath = ObjFile();
    const double lSize = static_cast<double>(std::filesystem::file_size(lPath));
    for (auto _ : ioState) {
        KRyvObjectFactory lFactory;
        KRyvScene lScene(&lFactory);
        KReaderObj lReader(&lFactory);
        KStreamOptionsObj lOptions;
        if (!lReader.FileOpen(lPath.c_str()) || !lReader.Read(&lScene, &lOptions)) {
            ioState.SkipWithError("read failed");
            break;
        }
    }
    ioState.counters["MB/s"] =
        benchmark::Counter(lSize / 1e6, benchmark::Counter::kIsIterationInvariantRate);
    ioState.counters["file_MB"] = lSize / 1e6;
    // The peak memory of one read alone, over the file size.
    ioState.counters["peak_x_file"] =
        BenchSupport::PeakBytesOf([&] {
            KRyvObjectFactory lFactory;
            KRyvScene lScene(&lFactory);
            KReaderObj lReader(&lFactory);
            KStreamOptionsObj lOptions;
            return lReader.FileOpen(lPath.c_str()) && lReader.Read(&lScene, &lOptions);
        }) /
        lSize;
}

// A library of 5,000 materials and an OBJ file using each of them once, in reverse order, one
// triangle per material: every "usemtl" names a material not seen before. The triangles share
// their corners, normal included, so the cost measured is the materials'.
const std::string& ManyMaterialsFile()
{
    static const std::string lPath = [] {
        const std::filesystem::path lFolder = std::filesystem::temp_directory_path();
        const int lCount = 5000;
        std::ofstream lLibrary(lFolder / "ryvbench-many.mtl", std::ios::binary);
        char lLine[160];
        for (int i = 0; i < lCount; ++i) {
            std::snprintf(lLine, sizeof(lLine),
                          "newmtl m%d\nKa 0.1 0.1 0.1\nKd %.4f 0.5 0.25\nKs 0 0 0\nNs 10\nd 1\n"
                          "illum 2\n\n",
                          i, (i % 100) * 0.01);
            lLibrary << lLine;
        }
        const std::string lFile = (lFolder / "ryvbench-many.obj").string();
        std::ofstream lOut(lFile, std::ios::binary);
        lOut << "mtllib ryvbench-many.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\n";
        for (int i = lCount - 1; i >= 0; --i) {
            lOut << "usemtl m" << i << "\nf 1//1 2//1 3//1\n";
        }
        return lFile;
    }();
    return lPath;
}

void BM_ObjReadManyMaterials(benchmark::State& ioState)
{
    const std::string& lPath = ManyMaterialsFile();
    for (auto _ : ioState) {
        KRyvObjectFactory lFactory;
        KRyvScene lScene(&lFactory);
        KReaderObj lReader(&lFactory);
        KStreamOptionsObj lOptions;
        if (!lReader.FileOpen(lPath.c_str()) || !lReader.Read(&lScene, &lOptions)) {
            ioState.SkipWithError("read failed");
            break;
        }
    }
    ioState.counters["materials/s"] =
        benchmark::Counter(5000.0, benchmark::Counter::kIsIterationInvariantRate);
}

// A fan of triangles around one centre vertex, without "vn" lines or smoothing groups: every face
// gets a flat normal of its own, so the centre vertex is met with as many distinct normals as
// there are faces. Measures the corner de-duplication of a vertex of very high degree.
const std::string& FlatFanFile()
{
    static const std::string lPath = [] {
        const std::string lFile =
            (std::filesystem::temp_directory_path() / "ryvbench-flat-fan.obj").string();
        std::ofstream lOut(lFile, std::ios::binary);
        const int lFaces = 20000;
        char lLine[96];
        lOut << "v 0 0 0\n";
        for (int i = 0; i < lFaces; ++i) {
            const double lAngle = 6.283185307179586 * i / lFaces;
            std::snprintf(lLine, sizeof(lLine), "v %.9f %.9f 0\n", std::cos(lAngle),
                          std::sin(lAngle));
            lOut << lLine;
        }
        for (int i = 0; i < lFaces; ++i) {
            lOut << "f 1 " << i + 2 << ' ' << (i + 1) % lFaces + 2 << '\n';
        }
        return lFile;
    }();
    return lPath;
}

void BM_ObjReadFlatFan(benchmark::State& ioState)
{
    const std::string& lPath = FlatFanFile();
    for (auto _ : ioState) {
        KRyvObjectFactory lFactory;
        KRyvScene lScene(&lFactory);
        KReaderObj lReader(&lFactory);
        KStreamOptionsObj lOptions;
        if (!lReader.FileOpen(lPath.c_str()) || !lReader.Read(&lScene, &lOptions)) {
            ioState.SkipWithError("read failed");
            break;
        }
    }
    ioState.counters["faces/s"] =
        benchmark::Counter(20000.0, benchmark::Counter::kIsIterationInvariantRate);
}

// Every number of the file converted, nothing else: the floor a text reader cannot beat.
void BM_ObjFromCharsLoop(benchmark::State& ioState)
{
    const std::string lText = FileText();
    for (auto _ : ioState) {
        double lSum = 0.0;
        const char* lChar = lText.data();
        const char* lEnd = lChar + lText.size();
        while (lChar < lEnd) {
            const char lC = *lChar;
            if ((lC >= '0' && lC <= '9') || lC == '-') {
                double lValue = 0.0;
                const std::from_chars_result lResult = std::from_chars(lChar, lEnd, lValue);
                lSum += lValue;
                lChar = lResult.ptr > lChar ? lResult.ptr : lChar + 1;
            } else {
                ++lChar;
            }
        }
        benchmark::DoNotOptimize(lSum);
    }
    ioState.counters["MB/s"] = benchmark::Counter(static_cast<double>(lText.size()) / 1e6,
                                                  benchmark::Counter::kIsIterationInvariantRate);
}

} // namespace

BENCHMARK(BM_ObjFromCharsLoop)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ObjRead)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ObjReadManyMaterials)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ObjReadFlatFan)->Unit(benchmark::kMillisecond)->UseRealTime();
