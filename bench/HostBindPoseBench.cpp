#include "BenchSupport.h"
#include "core/KLog.h"
#include "platform/vurn/VurnFixtures.h"
#include "platform/vurn/VurnScene.h"
#include "plugin/export/RyvVurnExporter.h"
#include "plugin/shell/RyvVurnOptionStore.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

// The whole export of pState.range(0) and of ten times as many skinned meshes, each a cube
// bound to a chain of kJoints joints, with bind poses on (the default) and off, all in the
// same run (each the best of kRuns). x_10x_skins is the export time of the larger scene over
// the smaller's with bind poses: near 10 when every skin costs the same however many were
// exported before it; x_10x_skins_off the same without bind poses, the floor of the growth
// that bind poses add to. x_pose_off compares the larger scene's export with bind poses to its
// export without.
namespace {
constexpr int kJoints = 30;
constexpr int kScale = 10;
constexpr int kRuns = 2;

void BuildSkins(int pCount)
{
    VurnScene::Reset();
    for (int lIndex = 0; lIndex < pCount; ++lIndex) {
        const std::string lName = "s" + std::to_string(lIndex) + "_";
        const int lCube = VurnFixtures::Cube(lName + "cube");
        VurnFixtures::Skin(lCube, VurnFixtures::JointChain(lName + "j", kJoints));
    }
}

double ExportSeconds(int pCount, bool pBindPose)
{
    BuildSkins(pCount);
    GetOptionStore().SetBool(kExportBindPose, pBindPose);
    const std::string lFile = BenchSupport::TempPath("bindposes.ryv");
    bool lWritten = false;
    const double lSeconds = BenchSupport::BestSeconds(
        [&] {
            RyvVurnExporter lExporter;
            lWritten = static_cast<bool>(lExporter.Export(lFile.c_str()));
        },
        kRuns);
    std::remove(lFile.c_str());
    return lWritten ? lSeconds : -1.0;
}

void HostExportBindPoses(benchmark::State& pState)
{
    KLog::SetModuleFolder(std::filesystem::temp_directory_path().string().c_str());
    GetOptionStore().ResetToDefaults();
    GetOptionStore().SetBool(kExportShowUI, false);
    const int lCount = static_cast<int>(pState.range(0));
    double lSmall = 0.0;
    double lLarge = 0.0;
    double lSmallOff = 0.0;
    double lLargeOff = 0.0;
    for (auto _ : pState) {
        lSmall = ExportSeconds(lCount, true);
        lLarge = ExportSeconds(lCount * kScale, true);
        lSmallOff = ExportSeconds(lCount, false);
        lLargeOff = ExportSeconds(lCount * kScale, false);
    }
    if (lSmall <= 0.0 || lLarge <= 0.0 || lSmallOff <= 0.0 || lLargeOff <= 0.0) {
        pState.SkipWithError("export failed");
    } else {
        pState.counters["s_small"] = lSmall;
        pState.counters["s_large"] = lLarge;
        pState.counters["x_10x_skins"] = lLarge / lSmall;
        pState.counters["x_10x_skins_off"] = lLargeOff / lSmallOff;
        pState.counters["x_pose_off"] = lLarge / lLargeOff;
    }
    GetOptionStore().ResetToDefaults();
    std::filesystem::remove(BenchSupport::TempPath(RyvVurnExporter::kLogFileName));
}
BENCHMARK(HostExportBindPoses)->Arg(10)->Unit(benchmark::kSecond)->Iterations(1);
} // namespace
