#include "BenchSupport.h"
#include "core/KLog.h"
#include "platform/vurn/MArrays.h"
#include "platform/vurn/MDagPath.h"
#include "platform/vurn/MFnMesh.h"
#include "platform/vurn/MItDag.h"
#include "platform/vurn/VurnFixtures.h"
#include "platform/vurn/VurnScene.h"
#include "plugin/export/RyvVurnExporter.h"
#include "plugin/shell/RyvVurnOptionStore.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <functional>
#include <string>

// Whole exports of skinned cubes that have no shader (each gets the default material), beside
// their floor: every mesh's points read once through the host's DAG walk. Ten times the meshes
// must cost about ten times the time; "x_10x_meshes" is the measured multiple.
namespace {
constexpr int kJointsPerMesh = 2;
constexpr int kFewMeshes = 100;
constexpr int kManyMeshes = 1000;
constexpr int kRuns = 5;
// The smaller scene's work is timed in batches as long as one run of the larger one.
constexpr int kBatch = kManyMeshes / kFewMeshes;
// The floor is short: more runs keep a stray pause out of its best time.
constexpr int kFloorRuns = 20;
constexpr char kFileName[] = "unshaded.ryv";

void BuildUnshadedSkins(int pMeshes)
{
    VurnScene::Reset();
    for (int lIndex = 0; lIndex < pMeshes; ++lIndex) {
        const std::string lName = std::to_string(lIndex);
        const int lCube = VurnFixtures::Cube("cube" + lName);
        VurnFixtures::Skin(lCube, VurnFixtures::JointChain("j" + lName + "_", kJointsPerMesh));
    }
}

void ReadAllPoints()
{
    for (MItDag lWalk(MItDag::kDepthFirst, MFn::kMesh); !lWalk.isDone(); lWalk.next()) {
        MDagPath lPath;
        lWalk.getPath(lPath);
        MPointArray lPoints;
        MFnMesh(lPath).getPoints(lPoints);
        benchmark::DoNotOptimize(lPoints.length());
    }
}

void PrepareExport()
{
    KLog::SetModuleFolder(std::filesystem::temp_directory_path().string().c_str());
    GetOptionStore().ResetToDefaults();
    GetOptionStore().SetBool(kExportShowUI, false);
}

// The wall-clock seconds of one pWork, as the fastest of pRuns batches of pRepeats runs each:
// batches of about one length on both sizes are equally exposed to other processes on the
// machine.
double BatchSeconds(const std::function<void()>& pWork, int pRepeats, int pRuns)
{
    const double lSeconds = BenchSupport::BestSeconds(
        [&] {
            for (int lRepeat = 0; lRepeat < pRepeats; ++lRepeat) {
                pWork();
            }
        },
        pRuns);
    return lSeconds / pRepeats;
}

// One whole export of the scene, in seconds as BatchSeconds gives them; -1 when one fails.
double ExportSeconds(int pRepeats)
{
    const std::string lFile = BenchSupport::TempPath(kFileName);
    bool lDone = true;
    const double lSeconds = BatchSeconds(
        [&] {
            RyvVurnExporter lExporter;
            lDone = lDone && lExporter.Export(lFile.c_str());
        },
        pRepeats, kRuns);
    return lDone ? lSeconds : -1.0;
}

void CleanUp()
{
    std::filesystem::remove(BenchSupport::TempPath(kFileName));
    std::filesystem::remove(BenchSupport::TempPath(RyvVurnExporter::kLogFileName));
}

void HostUnshadedSkinExport(benchmark::State& pState)
{
    PrepareExport();
    const int lMeshes = static_cast<int>(pState.range(0));
    BuildUnshadedSkins(lMeshes);
    const std::string lFile = BenchSupport::TempPath(kFileName);
    const double lSeconds = BenchSupport::TimeIterations(pState, [&] {
        RyvVurnExporter lExporter;
        return !!lExporter.Export(lFile.c_str());
    });
    const double lFloor = BenchSupport::BestSeconds(ReadAllPoints, kFloorRuns);
    if (lSeconds > 0.0 && lFloor > 0.0) {
        const double lPerIteration = lSeconds / static_cast<double>(pState.iterations());
        pState.counters["meshes/s"] = lMeshes / lPerIteration;
        pState.counters["x_floor"] = lPerIteration / lFloor;
    }
    CleanUp();
}
BENCHMARK(HostUnshadedSkinExport)
    ->Arg(kFewMeshes)
    ->Arg(kManyMeshes)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// Both sizes in one run: the export time of kManyMeshes over that of kFewMeshes, and the same
// multiple of the floor.
void HostUnshadedSkinExportGrowth(benchmark::State& pState)
{
    PrepareExport();
    for (auto _ : pState) {
        BuildUnshadedSkins(kFewMeshes);
        const double lFew = ExportSeconds(kBatch);
        const double lFewFloor = BatchSeconds(ReadAllPoints, kBatch, kFloorRuns);
        BuildUnshadedSkins(kManyMeshes);
        const double lMany = ExportSeconds(1);
        const double lManyFloor = BenchSupport::BestSeconds(ReadAllPoints, kFloorRuns);
        if (lFew <= 0.0 || lMany <= 0.0) {
            pState.SkipWithError("export failed");
            break;
        }
        pState.counters["x_10x_meshes"] = lMany / lFew;
        pState.counters["floor_x_10x_meshes"] = lManyFloor / lFewFloor;
    }
    CleanUp();
}
BENCHMARK(HostUnshadedSkinExportGrowth)->Unit(benchmark::kMillisecond)->Iterations(1);
} // namespace
