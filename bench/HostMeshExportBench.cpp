#include "bench/BenchSupport.h"
#include "core/KLog.h"
#include "platform/vurn/VurnFixtures.h"
#include "platform/vurn/VurnScene.h"
#include "plugin/export/RyvVurnExporter.h"
#include "plugin/shell/RyvVurnOptionStore.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <memory>

namespace {

// A square grid of about pPolygons quads with one normal per vertex, two UV sets and a colour
// per face-vertex: the host data a mesh export reads.
std::shared_ptr<VurnMeshData> GridMesh(int pPolygons)
{
    const int lSide = static_cast<int>(std::sqrt(static_cast<double>(pPolygons)));
    auto lMesh = std::make_shared<VurnMeshData>();
    VurnUVSet lFirst;
    lFirst.mName = "map1";
    for (int lZ = 0; lZ <= lSide; ++lZ) {
        for (int lX = 0; lX <= lSide; ++lX) {
            lMesh->mPoints.emplace_back(lX, 0.01 * ((lX * lZ) % 7), lZ);
            lMesh->mNormals.emplace_back(0, 1, 0);
            lFirst.mU.push_back(static_cast<float>(lX) / lSide);
            lFirst.mV.push_back(static_cast<float>(lZ) / lSide);
        }
    }
    lMesh->mColors = {MColor(1, 0, 0), MColor(0, 1, 0), MColor(0, 0, 1), MColor(1, 1, 1)};
    for (int lZ = 0; lZ < lSide; ++lZ) {
        for (int lX = 0; lX < lSide; ++lX) {
            const int lCorner = lZ * (lSide + 1) + lX;
            const std::vector<int> lQuad = {lCorner, lCorner + lSide + 1, lCorner + lSide + 2,
                                            lCorner + 1};
            lMesh->mPolygons.push_back(lQuad);
            lMesh->mNormalIds.push_back(lQuad);
            lFirst.mIds.push_back(lQuad);
            lMesh->mColorIds.push_back({0, 1, 2, 3});
        }
    }
    VurnUVSet lSecond = lFirst;
    lSecond.mName = "map2";
    lMesh->mUVSets = {lFirst, lSecond};
    return lMesh;
}

// The least any export of that mesh does: every point, face-vertex, UV and colour copied once.
void CopyFloor(const VurnMeshData& pMesh)
{
    std::vector<double> lPoints;
    std::vector<int> lCorners;
    std::vector<float> lUVs;
    std::vector<float> lColors;
    for (const MPoint& lPoint : pMesh.mPoints) {
        lPoints.insert(lPoints.end(), {lPoint.x, lPoint.y, lPoint.z, lPoint.w});
    }
    for (size_t lPolygon = 0; lPolygon < pMesh.mPolygons.size(); ++lPolygon) {
        for (size_t lCorner = 0; lCorner < pMesh.mPolygons[lPolygon].size(); ++lCorner) {
            lCorners.push_back(pMesh.mPolygons[lPolygon][lCorner]);
            const MColor& lColor =
                pMesh.mColors[static_cast<size_t>(pMesh.mColorIds[lPolygon][lCorner])];
            lColors.insert(lColors.end(), {lColor.r, lColor.g, lColor.b, lColor.a});
            for (const VurnUVSet& lSet : pMesh.mUVSets) {
                lCorners.push_back(lSet.mIds[lPolygon][lCorner]);
            }
        }
    }
    for (const VurnUVSet& lSet : pMesh.mUVSets) {
        lUVs.insert(lUVs.end(), lSet.mU.begin(), lSet.mU.end());
        lUVs.insert(lUVs.end(), lSet.mV.begin(), lSet.mV.end());
    }
    benchmark::DoNotOptimize(lPoints.data());
    benchmark::DoNotOptimize(lCorners.data());
    benchmark::DoNotOptimize(lUVs.data());
    benchmark::DoNotOptimize(lColors.data());
}

// The geometry pass over one grid mesh, reported in polygons per second and as a multiple of
// the copy floor's time. Ten times the polygons must take about ten times as long.
void HostExportMesh(benchmark::State& pState)
{
    KLog::SetModuleFolder(std::filesystem::temp_directory_path().string().c_str());
    GetOptionStore().SetBool(kExportShowUI, false);
    VurnScene::Reset();
    const int lTransform = VurnFixtures::Transform("grid");
    const int lShape = VurnScene::Get().CreateNode(MFn::kMesh, "gridShape", lTransform);
    VurnScene::Get().MutableNode(lShape)->mMesh = GridMesh(static_cast<int>(pState.range(0)));
    const VurnMeshData& lMesh = *VurnScene::Get().Node(lShape)->mMesh;
    const double lPolygons = static_cast<double>(lMesh.mPolygons.size());
    const double lSeconds = BenchSupport::TimeIterations(pState, [] {
        RyvVurnExporter lExporter;
        lExporter.BeginSteps("bench");
        const bool lDone = !!lExporter.ExportGeometry(RyvVurnExporter::kWalkDepthFirst,
                                                      RyvVurnExporter::kWalkEveryType);
        lExporter.EndSteps();
        return lDone;
    });
    const double lFloor = BenchSupport::BestSeconds([&] { CopyFloor(lMesh); });
    if (lSeconds > 0.0 && lFloor > 0.0) {
        const double lPerIteration = lSeconds / static_cast<double>(pState.iterations());
        pState.counters["polygons/s"] = lPolygons / lPerIteration;
        pState.counters["x_floor"] = lPerIteration / lFloor;
    }
    std::filesystem::remove(BenchSupport::TempPath(RyvVurnExporter::kLogFileName));
}
BENCHMARK(HostExportMesh)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

} // namespace
