#include "scene/KRyvObjectFactory.h"
#include "scene/objects/KRyvGeometryConverter.h"
#include "scene/objects/KRyvMesh.h"
#include "scene/objects/KRyvNurb.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// A bicubic NURBS surface of 64 x 64 control points with clamped uniform knots and mixed
// weights, tessellated 8 times per knot interval: 489 x 489 samples.
KRyvNurb* MakeNurb(KRyvObjectFactory& ioFactory)
{
    constexpr int kCount = 64;
    KRyvNurb* lNurb = ioFactory.CreateNurb();
    lNurb->SetOrder(4, 4);
    lNurb->InitControlPoints(kCount, KRyvNurb::eOpen, kCount, KRyvNurb::eOpen);
    lNurb->SetStep(8, 8);
    for (double* lKnots : {lNurb->GetUKnotVector(), lNurb->GetVKnotVector()}) {
        for (int i = 0; i < kCount + 4; ++i) {
            lKnots[i] = std::min(std::max(i - 3, 0), kCount - 3);
        }
    }
    KVector4* lPoints = lNurb->GetControlPoints();
    for (int v = 0; v < kCount; ++v) {
        for (int u = 0; u < kCount; ++u) {
            lPoints[v * kCount + u] =
                KVector4(u, v, std::sin(u * 0.2) * std::cos(v * 0.3), 1.0 + 0.5 * ((u + v) % 2));
        }
    }
    return lNurb;
}

void BM_TessellateNurbs64x64Step8(benchmark::State& ioState)
{
    KRyvObjectFactory lFactory;
    KRyvGeometryConverter lConverter(&lFactory);
    KRyvNurb* lNurb = MakeNurb(lFactory);
    int lSamples = 0;
    for (auto lUnused : ioState) {
        KRyvMesh* lMesh = lConverter.ConvertNurbToMesh(lNurb);
        lSamples = lMesh ? lMesh->GetControlPointCount() : 0;
        benchmark::DoNotOptimize(lMesh);
        lFactory.DestroyNodeAttribute(lMesh);
    }
    ioState.SetItemsProcessed(ioState.iterations() * lSamples);
}
BENCHMARK(BM_TessellateNurbs64x64Step8)->Unit(benchmark::kMillisecond);

// A 1000 x 1000 grid of quads (1,000,000 polygons) with normals and UVs by polygon vertex; one
// quad in eight has its fourth corner pulled inwards past the diagonal, so it is concave and ear
// clipped.
KRyvMesh* MakeQuadMesh(KRyvObjectFactory& ioFactory)
{
    constexpr int kSide = 1000;
    constexpr int kPoints = kSide + 1;
    KRyvMesh* lMesh = ioFactory.CreateMesh();
    std::vector<KVector4>& lPoints = lMesh->GetControlPointArray();
    for (int y = 0; y < kPoints; ++y) {
        for (int x = 0; x < kPoints; ++x) {
            const bool lDent = x % 8 == 3 && y % 8 == 4;
            lPoints.emplace_back(x + (lDent ? 0.8 : 0.0), y - (lDent ? 0.8 : 0.0), 0.0, 1.0);
        }
    }
    lMesh->InitTextureUVIndices(KRyvMesh::eMappingByPolygonVertex);
    lMesh->InitTextureUV(kPoints * kPoints);
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            const int lCorner = y * kPoints + x;
            lMesh->BeginPolygon();
            for (int lPoint : {lCorner, lCorner + 1, lCorner + kPoints + 1, lCorner + kPoints}) {
                lMesh->AddPolygon(lPoint, lPoint);
            }
        }
    }
    lMesh->InitNormals(lMesh->GetPolygonVertexCount());
    return lMesh;
}

void BM_TriangulateMesh1MPolygons(benchmark::State& ioState)
{
    KRyvObjectFactory lFactory;
    KRyvGeometryConverter lConverter(&lFactory);
    KRyvMesh* lSource = MakeQuadMesh(lFactory);
    for (auto lUnused : ioState) {
        KRyvMesh* lMesh = lConverter.TriangulateMesh(lSource);
        benchmark::DoNotOptimize(lMesh);
        lFactory.DestroyNodeAttribute(lMesh);
    }
    ioState.SetItemsProcessed(ioState.iterations() * lSource->GetPolygonCount());
}
BENCHMARK(BM_TriangulateMesh1MPolygons)->Unit(benchmark::kMillisecond);

} // namespace
