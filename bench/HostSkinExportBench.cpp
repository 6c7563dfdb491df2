#include "BenchSupport.h"
#include "core/KLog.h"
#include "platform/vurn/MFnComponent.h"
#include "platform/vurn/MFnDeformers.h"
#include "platform/vurn/MFnMesh.h"
#include "platform/vurn/VurnFixtures.h"
#include "platform/vurn/VurnScene.h"
#include "plugin/export/RyvVurnExporter.h"
#include "plugin/shell/RyvVurnOptionStore.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

// The skin pass on a plane mesh skinned to 100 joints, four per vertex, beside its floor: the
// host's own weight reads (one per influence over every vertex), which the pass cannot skip.
namespace {
constexpr int kInfluences = 100;
constexpr int kPerVertex = 4;

// A plane of about pVertices points skinned to kInfluences joints, kPerVertex per vertex.
int BuildSkinnedPlane(int pVertices)
{
    VurnScene::Reset();
    const int lSide = static_cast<int>(std::sqrt(static_cast<double>(pVertices))) - 1;
    const int lPlane = VurnFixtures::Plane("plane", lSide);
    std::vector<int> lJoints;
    for (int lIndex = 0; lIndex < kInfluences; ++lIndex) {
        lJoints.push_back(VurnFixtures::JointChain("j" + std::to_string(lIndex) + "_", 1)[0]);
    }
    const int lSkin = VurnFixtures::Skin(lPlane, lJoints);
    const int lCount = (lSide + 1) * (lSide + 1);
    for (int lVertex = 0; lVertex < lCount; ++lVertex) {
        const std::string lList = "wl[" + std::to_string(lVertex) + "].w[";
        for (int lUsed = 0; lUsed < kPerVertex; ++lUsed) {
            const int lJoint = (lVertex + lUsed * 7) % kInfluences;
            VurnScene::Get().SetNumber(lSkin, lList + std::to_string(lJoint) + "]", 0.25);
        }
    }
    return lSkin;
}

void ReadAllWeights(int pSkin)
{
    const MFnSkinCluster lSkin(MObject::node(pSkin));
    MDagPath lShape;
    MDagPath::getAPathTo(MObject::node(VurnFixtures::ShapeOf(VurnScene::Get().FindNode("plane"))),
                         lShape);
    MFnSingleIndexedComponent lVertices;
    const MObject lComponent = lVertices.create(MFn::kMeshVertComponent);
    lVertices.setCompleteData(MFnMesh(lShape).numVertices());
    for (unsigned int lIndex = 0; lIndex < kInfluences; ++lIndex) {
        MDoubleArray lWeights;
        lSkin.getWeights(lShape, lComponent, lIndex, lWeights);
        benchmark::DoNotOptimize(lWeights.length());
    }
}

void HostSkinExport(benchmark::State& pState)
{
    KLog::SetModuleFolder(std::filesystem::temp_directory_path().string().c_str());
    GetOptionStore().ResetToDefaults();
    GetOptionStore().SetBool(kExportShowUI, false);
    GetOptionStore().SetBool(kExportBindPose, true);
    const int lSkin = BuildSkinnedPlane(static_cast<int>(pState.range(0)));
    const double lFloor = BenchSupport::BestSeconds([&] { ReadAllWeights(lSkin); });
    double lSeconds = 0.0;
    for (auto _ : pState) {
        pState.PauseTiming();
        RyvVurnExporter lExporter;
        lExporter.BeginSteps("bench");
        lExporter.ExportGeometry(RyvVurnExporter::kWalkDepthFirst, RyvVurnExporter::kWalkEveryType);
        lExporter.ExportHierarchy(RyvVurnExporter::kWalkDepthFirst,
                                  RyvVurnExporter::kWalkEveryType);
        lExporter.ExportAnimation(lExporter.GetRootNode());
        pState.ResumeTiming();
        lSeconds += BenchSupport::BestSeconds([&] { lExporter.ExportSkinClusters(); }, 1);
        pState.PauseTiming();
        lExporter.EndSteps();
        pState.ResumeTiming();
    }
    const double lPerRun = lSeconds / static_cast<double>(pState.iterations());
    pState.counters["vertex_influences/s"] =
        static_cast<double>(pState.range(0)) * kInfluences / lPerRun;
    pState.counters["x_floor"] = lPerRun / lFloor;
    std::filesystem::remove(BenchSupport::TempPath(RyvVurnExporter::kLogFileName));
}
BENCHMARK(HostSkinExport)->Arg(20000)->Arg(200000)->Unit(benchmark::kMillisecond)->Iterations(1);
} // namespace
