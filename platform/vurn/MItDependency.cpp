#include "platform/vurn/MItDependency.h"

#include "platform/vurn/VurnStatus.h"

#include <algorithm>
#include <deque>
#include <set>

MItDependencyNodes::MItDependencyNodes(MFn::Type pFilter, MStatus* oStatus)
{
    const VurnScene& lScene = VurnScene::Get();
    for (int lNode = 1; lNode < lScene.NodeCount(); ++lNode) {
        const MObject lObject = MObject::node(lNode);
        if (!lObject.isNull() && (pFilter == MFn::kInvalid || lObject.hasFn(pFilter))) {
            mNodes.push_back(lNode);
        }
    }
    VurnReport(oStatus, MStatus());
}

MObject MItDependencyNodes::item(MStatus* oStatus) const
{
    VurnReport(oStatus, isDone() ? VurnFailure("walk is done") : MStatus());
    return isDone() ? MObject() : MObject::node(mNodes[mPosition]);
}

MStatus MItDependencyNodes::next()
{
    if (isDone()) {
        return VurnFailure("walk is done");
    }
    ++mPosition;
    return MStatus();
}

MStatus MItDependencyNodes::reset()
{
    mPosition = 0;
    return MStatus();
}

MItDependencyGraph::MItDependencyGraph(const MPlug& pRoot, MFn::Type pFilter, Direction pDirection,
                                       Traversal pTraversal, Level pLevel, MStatus* oStatus)
{
    if (pRoot.isNull()) {
        VurnReport(oStatus, VurnFailure("null root plug"));
        return;
    }
    Walk(pRoot.nodeId(), pLevel == kPlugLevel ? &pRoot.path() : nullptr, pFilter, pDirection,
         pTraversal);
    VurnReport(oStatus, MStatus());
}

MItDependencyGraph::MItDependencyGraph(const MObject& pRoot, MFn::Type pFilter,
                                       Direction pDirection, Traversal pTraversal, Level /*pLevel*/,
                                       MStatus* oStatus)
{
    if (pRoot.kind() != MObject::kNode || pRoot.isNull()) {
        VurnReport(oStatus, VurnFailure("root is not a node"));
        return;
    }
    Walk(pRoot.id(), nullptr, pFilter, pDirection, pTraversal);
    VurnReport(oStatus, MStatus());
}

std::vector<int> MItDependencyGraph::Neighbours(int pNode, const VurnPlugPath* pPlug,
                                                Direction pDirection)
{
    std::vector<int> lNodes;
    for (const VurnConnection& lConnection : VurnScene::Get().ConnectionsOf(pNode)) {
        const bool lDown = pDirection == kDownstream;
        const int lHere = lDown ? lConnection.mSourceNode : lConnection.mDestinationNode;
        const VurnPlugPath& lPath = lDown ? lConnection.mSource : lConnection.mDestination;
        if (lHere != pNode) {
            continue;
        }
        if (pPlug) {
            // The root plug covers its elements and children; an array root all its elements.
            const VurnPlugPath& lRoot = *pPlug;
            const bool lMatches =
                lPath.size() >= lRoot.size() &&
                std::equal(lRoot.begin(), lRoot.end(), lPath.begin(),
                           [](const auto& pRootStep, const auto& pStep) {
                               return pRootStep.first == pStep.first &&
                                      (pRootStep.second < 0 || pRootStep.second == pStep.second);
                           });
            if (!lMatches) {
                continue;
            }
        }
        lNodes.push_back(lDown ? lConnection.mDestinationNode : lConnection.mSourceNode);
    }
    return lNodes;
}

void MItDependencyGraph::Walk(int pRoot, const VurnPlugPath* pPlug, MFn::Type pFilter,
                              Direction pDirection, Traversal pTraversal)
{
    std::set<int> lSeen = {pRoot};
    std::deque<int> lPending;
    for (int lNode : Neighbours(pRoot, pPlug, pDirection)) {
        lPending.push_back(lNode);
    }
    while (!lPending.empty()) {
        const int lNode = lPending.front();
        lPending.pop_front();
        if (!lSeen.insert(lNode).second) {
            continue;
        }
        if (pFilter == MFn::kInvalid || MObject::node(lNode).hasFn(pFilter)) {
            mNodes.push_back(lNode);
        }
        const std::vector<int> lNext = Neighbours(lNode, nullptr, pDirection);
        if (pTraversal == kDepthFirst) {
            lPending.insert(lPending.begin(), lNext.begin(), lNext.end());
        } else {
            lPending.insert(lPending.end(), lNext.begin(), lNext.end());
        }
    }
}

MObject MItDependencyGraph::currentItem(MStatus* oStatus) const
{
    VurnReport(oStatus, isDone() ? VurnFailure("walk is done") : MStatus());
    return isDone() ? MObject() : MObject::node(mNodes[mPosition]);
}

MStatus MItDependencyGraph::next()
{
    if (isDone()) {
        return VurnFailure("walk is done");
    }
    ++mPosition;
    return MStatus();
}

MStatus MItDependencyGraph::reset()
{
    mPosition = 0;
    return MStatus();
}
