// The geometry writers' cost against the number of meshes: a scene of N one-triangle meshes
// written as OBJ and as DXF, for N = 1,000 (the floor) and 10,000, on wall time. The writers
// compute the nodes' global transforms once per write, so the work per mesh is the same at ten
// times the meshes (a cost per mesh that grows with the node count shows as a rate ten times
// lower). The instructions per mesh are the same at both sizes, yet the processor time per mesh
// grows by half or more: a scene of 1,000 nodes stays in the caches, one of 10,000 does not (from
// there on it holds up to 100,000). On wall time each write also pays a few milliseconds for
// replacing the target, whatever its size. Also the OBJ writer's rate in bytes of output, beside
// the floor of writing as many bytes with fwrite.
#include "formats/geometry/dxf/KStreamOptionsDxf.h"
#include "formats/geometry/dxf/KWriterDxf.h"
#include "formats/geometry/obj/KStreamOptionsObj.h"
#include "formats/geometry/obj/KWriterObj.h"
#include "scene/KRyvNode.h"
#include "scene/KRyvObjectFactory.h"
#include "scene/KRyvScene.h"
#include "scene/objects/KLayer.h"
#include "scene/objects/KLayerElement.h"
#include "scene/objects/KRyvMesh.h"

#include "bench/BenchSupport.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

void AddTriangles(KRyvObjectFactory& ioFactory, KRyvScene& ioScene, int pCount)
{
    for (int i = 0; i < pCount; ++i) {
        KRyvMesh* lMesh = ioFactory.CreateMesh();
        lMesh->InitControlPoints(3);
        for (int c = 0; c < 3; ++c) {
            lMesh->GetControlPoints()[c] =
                KVector4(i + (c == 1 ? 1.0 : 0.0), c == 2 ? 1.0 : 0.0, 0.0);
        }
        lMesh->BeginPolygon();
        for (int c = 0; c < 3; ++c) {
            lMesh->AddPolygon(c);
        }
        KRyvNode* lNode = ioFactory.CreateNode(("g" + std::to_string(i)).c_str());
        lNode->SetNodeAttribute(lMesh);
        lNode->SetLclTranslation(KVector4(0.0, i * 0.5, 0.0));
        ioScene.GetRootNode()->AddChild(lNode);
    }
}

template <class Writer, class Options>
void WriteGroups(benchmark::State& ioState, const char* pName)
{
    const int lCount = static_cast<int>(ioState.range(0));
    KRyvObjectFactory lFactory;
    KRyvScene lScene(&lFactory);
    AddTriangles(lFactory, lScene, lCount);
    const std::string lPath = BenchSupport::TempPath(pName);
    for (auto _ : ioState) {
        Writer lWriter(&lFactory);
        Options lOptions;
        if (!lWriter.FileCreate(lPath.c_str()) || !lWriter.Write(&lScene, &lOptions)) {
            ioState.SkipWithError("write failed");
            break;
        }
    }
    std::filesystem::remove(lPath);
    ioState.counters["groups/s"] =
        benchmark::Counter(lCount, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_ObjWriteGroups(benchmark::State& ioState)
{
    WriteGroups<KWriterObj, KStreamOptionsObj>(ioState, "ryvbench-groups.obj");
}

void BM_DxfWriteGroups(benchmark::State& ioState)
{
    WriteGroups<KWriterDxf, KStreamOptionsDxf>(ioState, "ryvbench-groups.dxf");
}

// One mesh of pSide x pSide points in quads, with a normal per point and a UV per polygon
// vertex, as an OBJ read gives it.
void AddGrid(KRyvObjectFactory& ioFactory, KRyvScene& ioScene, int pSide)
{
    KRyvMesh* lMesh = ioFactory.CreateMesh();
    lMesh->InitControlPoints(pSide * pSide);
    for (int i = 0; i < pSide * pSide; ++i) {
        lMesh->GetControlPoints()[i] =
            KVector4((i % pSide) * 0.1, (i / pSide) * 0.1, (i % 17) * 0.01, 1.0);
    }
    lMesh->InitNormals(pSide * pSide);
    for (int i = 0; i < pSide * pSide; ++i) {
        lMesh->GetNormalsDirect()[i] = KVector4(0.0, (i % 5) * 0.1, 1.0);
    }
    lMesh->InitTextureUVIndices(KRyvMesh::eMappingByPolygonVertex);
    for (int i = 0; i < pSide * pSide; ++i) {
        lMesh->AddTextureUV(KVector2((i % pSide) / double(pSide), (i / pSide) / double(pSide)));
    }
    for (int y = 0; y + 1 < pSide; ++y) {
        for (int x = 0; x + 1 < pSide; ++x) {
            const int a = y * pSide + x;
            lMesh->BeginPolygon();
            for (int lCorner : {a, a + 1, a + pSide + 1, a + pSide}) {
                lMesh->AddPolygon(lCorner, lCorner);
            }
        }
    }
    KRyvNode* lNode = ioFactory.CreateNode("grid");
    lNode->SetNodeAttribute(lMesh);
    ioScene.GetRootNode()->AddChild(lNode);
}

// Writes that file's byte count with fwrite in blocks of 64 KB, as the writer does.
bool WriteBytes(const std::string& pPath, const std::vector<char>& pBytes)
{
    std::FILE* lFile = std::fopen(pPath.c_str(), "wb");
    if (!lFile) {
        return false;
    }
    constexpr std::size_t kBlock = 1 << 16;
    bool lWritten = true;
    for (std::size_t lAt = 0; lAt < pBytes.size(); lAt += kBlock) {
        const std::size_t lSize = std::min(kBlock, pBytes.size() - lAt);
        lWritten = std::fwrite(pBytes.data() + lAt, 1, lSize, lFile) == lSize && lWritten;
    }
    return std::fclose(lFile) == 0 && lWritten;
}

// MB/s of OBJ output (600 x 600 points, about 40 MB) beside fwrite of the same byte count.
void BM_ObjWriteOutputRate(benchmark::State& ioState)
{
    KRyvObjectFactory lFactory;
    KRyvScene lScene(&lFactory);
    AddGrid(lFactory, lScene, 600);
    const std::string lPath = BenchSupport::TempPath("ryvbench-write-rate.obj");
    auto lWrite = [&] {
        KWriterObj lWriter(&lFactory);
        KStreamOptionsObj lOptions;
        return lWriter.FileCreate(lPath.c_str()) && lWriter.Write(&lScene, &lOptions);
    };
    if (!lWrite()) {
        ioState.SkipWithError("write failed");
        return;
    }
    const double lBytes = static_cast<double>(std::filesystem::file_size(lPath));
    const std::vector<char> lFloorBytes(static_cast<std::size_t>(lBytes), 'x');
    const std::string lFloorPath = BenchSupport::TempPath("ryvbench-write-rate-floor.bin");
    const double lFloor = BenchSupport::BestSeconds(
        [&] { benchmark::DoNotOptimize(WriteBytes(lFloorPath, lFloorBytes)); });
    const double lSeconds = BenchSupport::TimeIterations(ioState, lWrite);
    BenchSupport::ReportRate(ioState, lBytes, lSeconds, lBytes, lFloor);
    std::filesystem::remove(lPath);
    std::filesystem::remove(lFloorPath);
}

} // namespace

BENCHMARK(BM_ObjWriteOutputRate)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_ObjWriteGroups)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DxfWriteGroups)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
