#include "animation/KFCurve.h"
#include "animation/KRyvTakeNode.h"
#include "scene/KRyvNode.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr int kNodeCount = 10000;
constexpr int kTimeCount = 100;
// Children per node: a tree about seven levels deep, as a large skinned scene is.
constexpr int kBranching = 4;

// A tree of kNodeCount nodes, each with keyed translation and rotation over four seconds.
class NodeTree
{
public:
    NodeTree()
    {
        const std::int64_t lSecond = KTime::kTicksPerSecond;
        for (int i = 0; i < kNodeCount; ++i) {
            mNodes.push_back(std::make_unique<KRyvNode>(nullptr, "Joint"));
            KRyvNode* lNode = mNodes.back().get();
            if (i > 0) {
                mNodes[static_cast<std::size_t>((i - 1) / kBranching)]->AddChild(lNode);
            }
            KRyvTakeNode* lTake = lNode->GetDefaultTakeNode();
            KFCurve* lCurves[2] = {lTake->GetTransformTX(), lTake->GetTransformRZ()};
            for (KFCurve* lCurve : lCurves) {
                for (int lKey = 0; lKey <= 4; ++lKey) {
                    lCurve->KeyAdd(KTime(lKey * lSecond),
                                   static_cast<float>(std::sin(i + lKey) * 10.0));
                }
            }
        }
    }

    KRyvNode* GetRoot() { return mNodes.front().get(); }
    std::vector<std::unique_ptr<KRyvNode>> mNodes;
};

NodeTree& Tree()
{
    static NodeTree sTree;
    return sTree;
}

KTime SampleTime(int pIndex)
{
    return KTime(KTime::kTicksPerSecond * 4 / kTimeCount * pIndex);
}

void NodeGlobalMatrixAtTime(benchmark::State& pState)
{
    NodeTree& lTree = Tree();
    for (auto _ : pState) {
        double lSum = 0.0;
        for (int t = 0; t < kTimeCount; ++t) {
            const KTime lTime = SampleTime(t);
            for (auto& lNode : lTree.mNodes) {
                lSum += lNode->GetGlobalMatrixAtTime(lTime).Get(3, 0);
            }
        }
        benchmark::DoNotOptimize(lSum);
    }
    pState.SetItemsProcessed(pState.iterations() * kNodeCount * kTimeCount);
}
BENCHMARK(NodeGlobalMatrixAtTime)->Unit(benchmark::kMillisecond);

void NodeWorkMatrixPass(benchmark::State& pState)
{
    NodeTree& lTree = Tree();
    int lStamp = 0;
    for (auto _ : pState) {
        for (int t = 0; t < kTimeCount; ++t) {
            lTree.GetRoot()->SetWorkMatrixAtTime(SampleTime(t), true);
            lTree.GetRoot()->UpdateGlobalWorkMatrix(++lStamp, true);
        }
        benchmark::DoNotOptimize(lTree.mNodes.back()->GetGlobalWorkMatrix());
    }
    pState.SetItemsProcessed(pState.iterations() * kNodeCount * kTimeCount);
}
BENCHMARK(NodeWorkMatrixPass)->Unit(benchmark::kMillisecond);

void NodePivotSetGlobalMatrices(benchmark::State& pState)
{
    NodeTree& lTree = Tree();
    for (auto _ : pState) {
        lTree.GetRoot()->ComputeGlobalMatrices(0);
        benchmark::DoNotOptimize(lTree.mNodes.back()->GetGlobalMatrix(0, false));
    }
    pState.SetItemsProcessed(pState.iterations() * kNodeCount);
}
BENCHMARK(NodePivotSetGlobalMatrices)->Unit(benchmark::kMillisecond);

} // namespace
