#include "BenchSupport.h"
#include "scene/KRyvObjectFactory.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

// Destroying every node of a factory by index (always the first, GetNode(0), as a caller that
// empties the list one by one does) beside its floor, the same destruction through pointers
// saved beforehand. x_floor stays flat as the count grows when a look-up by index costs the
// same whatever was destroyed before it.
namespace {

void MakeNodes(KRyvObjectFactory& ioFactory, int pCount, std::vector<KRyvNode*>* oNodes)
{
    for (int lIndex = 0; lIndex < pCount; ++lIndex) {
        KRyvNode* lNode = ioFactory.CreateNode(("n" + std::to_string(lIndex)).c_str());
        if (oNodes) {
            oNodes->push_back(lNode);
        }
    }
}

double DestroyByPointer(int pCount)
{
    double lBest = 0.0;
    for (int lRun = 0; lRun < 3; ++lRun) {
        KRyvObjectFactory lFactory;
        std::vector<KRyvNode*> lNodes;
        MakeNodes(lFactory, pCount, &lNodes);
        const double lSeconds = BenchSupport::BestSeconds(
            [&] {
                for (KRyvNode* lNode : lNodes) {
                    lFactory.DestroyNode(lNode, false);
                }
            },
            1);
        lBest = lRun == 0 || lSeconds < lBest ? lSeconds : lBest;
    }
    return lBest;
}

void FactoryDestroyNodesByIndex(benchmark::State& pState)
{
    const int lCount = static_cast<int>(pState.range(0));
    const double lFloor = DestroyByPointer(lCount);
    double lSeconds = 0.0;
    for (auto _ : pState) {
        pState.PauseTiming();
        KRyvObjectFactory lFactory;
        MakeNodes(lFactory, lCount, nullptr);
        pState.ResumeTiming();
        lSeconds += BenchSupport::BestSeconds(
            [&] {
                while (lFactory.GetNodeCount() > 0) {
                    lFactory.DestroyNode(lFactory.GetNode(0), false);
                }
            },
            1);
    }
    const double lPerRun = lSeconds / static_cast<double>(pState.iterations());
    pState.counters["nodes/s"] = lCount / lPerRun;
    pState.counters["x_floor"] = lPerRun / lFloor;
}
BENCHMARK(FactoryDestroyNodesByIndex)
    ->Arg(5000)
    ->Arg(10000)
    ->Arg(20000)
    ->Arg(40000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
} // namespace
