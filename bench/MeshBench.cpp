#include "scene/objects/KRyvLink.h"
#include "scene/objects/KRyvMesh.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

// A 708 x 707 grid: 500,556 shared control points, 499,142 quads, about two million polygon
// vertices, with normals and UVs by polygon vertex and one skin link over every point: a large
// scanned or subdivided mesh as the host export and import meet it.
constexpr int kColumns = 708;
constexpr int kRows = 707;

void MakeGridMesh(KRyvMesh& ioMesh)
{
    std::vector<KVector4>& lPoints = ioMesh.GetControlPointArray();
    for (int y = 0; y < kRows; ++y) {
        for (int x = 0; x < kColumns; ++x) {
            lPoints.emplace_back(x * 0.01, y * 0.01, 0.001 * ((x * 7 + y * 13) % 17), 1.0);
        }
    }
    ioMesh.InitTextureUVIndices(KRyvMesh::eMappingByPolygonVertex);
    for (int y = 0; y + 1 < kRows; ++y) {
        for (int x = 0; x + 1 < kColumns; ++x) {
            ioMesh.BeginPolygon(-1, -1, 0);
            const int lCorner = y * kColumns + x;
            for (int lPoint : {lCorner, lCorner + 1, lCorner + kColumns + 1, lCorner + kColumns}) {
                ioMesh.AddPolygon(lPoint, lPoint);
            }
        }
    }
    ioMesh.InitTextureUV(kRows * kColumns);
    ioMesh.InitNormals(ioMesh.GetPolygonVertexCount());
    auto* lLink = new KRyvLink();
    for (int i = 0; i < kRows * kColumns; ++i) {
        lLink->AddControlPointIndex(i, 0.5);
    }
    ioMesh.AddLink(lLink);
}

std::unique_ptr<KRyvMesh> MakeSharedMesh()
{
    auto lMesh = std::make_unique<KRyvMesh>(nullptr);
    MakeGridMesh(*lMesh);
    return lMesh;
}

const KRyvMesh& SharedMesh()
{
    static const std::unique_ptr<KRyvMesh> sMesh = MakeSharedMesh();
    return *sMesh;
}

// The shared mesh after the split: one control point per polygon vertex.
std::unique_ptr<KRyvMesh> MakeSplitMesh()
{
    auto lMesh = std::make_unique<KRyvMesh>(nullptr);
    *lMesh = SharedMesh();
    KRyvMeshSplitTable lTable;
    lMesh->BuildControlPointSplitTable(lTable);
    lMesh->SplitControlPoints(lTable);
    return lMesh;
}

const KRyvMesh& SplitMesh()
{
    static const std::unique_ptr<KRyvMesh> sMesh = MakeSplitMesh();
    return *sMesh;
}

void BM_MeshFindDuplicateControlPoints500kDistinct(benchmark::State& ioState)
{
    const KRyvMesh& lMesh = SharedMesh();
    std::vector<int> lMap;
    for (auto _ : ioState) {
        benchmark::DoNotOptimize(lMesh.FindDuplicateControlPoints(lMap, true));
    }
    ioState.SetItemsProcessed(ioState.iterations() * lMesh.GetControlPointCount());
}
BENCHMARK(BM_MeshFindDuplicateControlPoints500kDistinct)->Unit(benchmark::kMillisecond);

void BM_MeshFindDuplicateControlPointsAfterSplit(benchmark::State& ioState)
{
    const KRyvMesh& lMesh = SplitMesh();
    std::vector<int> lMap;
    for (auto _ : ioState) {
        benchmark::DoNotOptimize(lMesh.FindDuplicateControlPoints(lMap, true));
    }
    ioState.SetItemsProcessed(ioState.iterations() * lMesh.GetControlPointCount());
}
BENCHMARK(BM_MeshFindDuplicateControlPointsAfterSplit)->Unit(benchmark::kMillisecond);

void BM_MeshSplitControlPoints500k(benchmark::State& ioState)
{
    KRyvMesh lMesh(nullptr);
    for (auto _ : ioState) {
        ioState.PauseTiming();
        lMesh = SharedMesh();
        ioState.ResumeTiming();
        KRyvMeshSplitTable lTable;
        lMesh.BuildControlPointSplitTable(lTable);
        benchmark::DoNotOptimize(lMesh.SplitControlPoints(lTable));
    }
    ioState.SetItemsProcessed(ioState.iterations() * SharedMesh().GetPolygonVertexCount());
}
BENCHMARK(BM_MeshSplitControlPoints500k)->Unit(benchmark::kMillisecond);

void BM_MeshMergeDuplicateControlPoints500k(benchmark::State& ioState)
{
    KRyvMesh lMesh(nullptr);
    std::vector<int> lMap;
    for (auto _ : ioState) {
        ioState.PauseTiming();
        lMesh = SplitMesh();
        ioState.ResumeTiming();
        lMesh.FindDuplicateControlPoints(lMap, true);
        benchmark::DoNotOptimize(lMesh.MergeDuplicateControlPoints(lMap));
    }
    ioState.SetItemsProcessed(ioState.iterations() * SharedMesh().GetPolygonVertexCount());
}
BENCHMARK(BM_MeshMergeDuplicateControlPoints500k)->Unit(benchmark::kMillisecond);

} // namespace
