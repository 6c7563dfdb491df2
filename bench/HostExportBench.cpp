#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"
#include "core/KLog.h"
#include "io/KExporter.h"
#include "platform/vurn/MFnAnimCurve.h"
#include "platform/vurn/VurnFixtures.h"
#include "platform/vurn/VurnScene.h"
#include "plugin/export/RyvVurnExporter.h"
#include "plugin/shell/RyvVurnOptionStore.h"
#include "scene/KRyvScene.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <string>

namespace {

constexpr int kKeysPerCurve = 1000;
// Transforms per group: a scene is a few wide groups, as large host scenes are.
constexpr int kPerGroup = 1000;

std::string Scratch(const char* pName)
{
    return (std::filesystem::temp_directory_path() / pName).string();
}

// pCount transforms in groups of kPerGroup; with pKeys, translateX and rotateY of each carry
// that many keys.
void BuildScene(int pCount, int pKeys)
{
    VurnScene::Reset();
    int lGroup = VurnScene::kWorld;
    for (int lIndex = 0; lIndex < pCount; ++lIndex) {
        if (lIndex % kPerGroup == 0) {
            lGroup = VurnFixtures::Transform("group" + std::to_string(lIndex / kPerGroup));
        }
        const int lNode = VurnFixtures::Transform("node" + std::to_string(lIndex), lGroup);
        for (const char* lPlug : {"translateX", "rotateY"}) {
            if (pKeys == 0) {
                break;
            }
            MFnAnimCurve lCurve;
            const MObject lCurveNode =
                lCurve.create(MFnDependencyNode(MObject::node(lNode)).findPlug(lPlug));
            // The keys straight into the curve, its tangents computed once: adding them one by
            // one would sort the curve a thousand times.
            VurnAnimCurveData& lData = *VurnScene::Get().MutableNode(lCurveNode.id())->mCurve;
            for (int lKey = 0; lKey < pKeys; ++lKey) {
                VurnKey lHostKey;
                lHostKey.mTime = lKey / 30.0;
                lHostKey.mValue = std::sin(lIndex + lKey * 0.1);
                lHostKey.mInType = lHostKey.mOutType = kTangentLinear;
                lData.mKeys.push_back(lHostKey);
            }
            lData.Update();
        }
    }
}

void Export(benchmark::State& pState, int pKeys)
{
    KLog::SetModuleFolder(std::filesystem::temp_directory_path().string().c_str());
    GetOptionStore().SetBool(kExportShowUI, false);
    BuildScene(static_cast<int>(pState.range(0)), pKeys);
    const std::string lFile = Scratch("ryvbench_host_export.ryv");
    for (auto _ : pState) {
        RyvVurnExporter lExporter;
        benchmark::DoNotOptimize(lExporter.Export(lFile.c_str()));
    }
    pState.SetItemsProcessed(pState.iterations() * pState.range(0));
    std::filesystem::remove(lFile);
    std::filesystem::remove(Scratch(RyvVurnExporter::kLogFileName));
}

// The floor: the same kit scene made directly (nodes in groups, the same keys) and written
// the same way, without the host. The export's time over this is what the host passes cost.
void Floor(benchmark::State& pState, int pKeys)
{
    const int lCount = static_cast<int>(pState.range(0));
    const std::string lFile = Scratch("ryvbench_host_floor.ryv");
    for (auto _ : pState) {
        RyvVurnObjectFactory lFactory(0);
        KRyvScene* lScene = lFactory.CreateScene();
        KRyvNode* lGroup = nullptr;
        for (int lIndex = 0; lIndex < lCount; ++lIndex) {
            if (lIndex % kPerGroup == 0) {
                lGroup = lFactory.CreateNode(("group" + std::to_string(lIndex)).c_str(), nullptr);
                lScene->GetRootNode()->AddChild(lGroup);
            }
            KRyvNode* lNode =
                lFactory.CreateNode(("node" + std::to_string(lIndex)).c_str(), nullptr);
            lGroup->AddChild(lNode);
            if (pKeys == 0) {
                continue;
            }
            lNode->AddTakeNode("Take 001");
            lNode->SetCurrentTakeNode("Take 001");
            KRyvTakeNode* lTake = lNode->GetCurrentTakeNode();
            for (KFCurve* lCurve : {lTake->GetTransformTX(), lTake->GetTransformRY()}) {
                for (int lKey = 0; lKey < pKeys; ++lKey) {
                    KTime lTime;
                    lTime.SetSecondDouble(lKey / 30.0);
                    lCurve->KeyAdd(lTime, static_cast<float>(std::sin(lIndex + lKey * 0.1)));
                }
            }
        }
        KExporter* lExporter = lFactory.CreateExporter();
        lExporter->Initialize(lFile.c_str());
        benchmark::DoNotOptimize(lExporter->Export(lScene, nullptr));
    }
    pState.SetItemsProcessed(pState.iterations() * pState.range(0));
    std::filesystem::remove(lFile);
}

void HostExportStaticFloor(benchmark::State& pState)
{
    Floor(pState, 0);
}
BENCHMARK(HostExportStaticFloor)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void HostExportAnimatedFloor(benchmark::State& pState)
{
    Floor(pState, kKeysPerCurve);
}
BENCHMARK(HostExportAnimatedFloor)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// Ten times the transforms must take at most about ten times as long.
void HostExportStaticTransforms(benchmark::State& pState)
{
    Export(pState, 0);
}
BENCHMARK(HostExportStaticTransforms)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void HostExportAnimatedTransforms(benchmark::State& pState)
{
    Export(pState, kKeysPerCurve);
}
BENCHMARK(HostExportAnimatedTransforms)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace
