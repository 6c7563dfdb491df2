#ifndef RYVKIT_PLATFORM_VURN_MITDEPENDENCY_H
#define RYVKIT_PLATFORM_VURN_MITDEPENDENCY_H

#include "platform/vurn/MPlug.h"

#include <vector>

// Walks every live node of a type (kInvalid: all) in creation order; the list is taken when the
// walk starts.
class MItDependencyNodes
{
public:
    explicit MItDependencyNodes(MFn::Type pFilter = MFn::kInvalid, MStatus* oStatus = nullptr);

    MObject item(MStatus* oStatus = nullptr) const;
    MObject thisNode(MStatus* oStatus = nullptr) const { return item(oStatus); }
    MStatus next();
    bool isDone() const { return mPosition >= mNodes.size(); }
    MStatus reset();

private:
    std::vector<int> mNodes;
    size_t mPosition = 0;
};

// Walks the dependency graph from a plug or node along connections, up- or downstream, and
// answers the nodes reached (each once, the root excluded) that have the filter type. At plug
// level the first step leaves through the root plug only (its elements and children included);
// at node level, and after the first step, through every plug of the node.
class MItDependencyGraph
{
public:
    enum Direction : int { kDownstream = 0, kUpstream = 1 };
    enum Traversal : int { kDepthFirst = 0, kBreadthFirst = 1 };
    enum Level : int { kNodeLevel = 0, kPlugLevel = 1 };

    MItDependencyGraph(const MPlug& pRoot, MFn::Type pFilter = MFn::kInvalid,
                       Direction pDirection = kDownstream, Traversal pTraversal = kDepthFirst,
                       Level pLevel = kNodeLevel, MStatus* oStatus = nullptr);
    MItDependencyGraph(const MObject& pRoot, MFn::Type pFilter = MFn::kInvalid,
                       Direction pDirection = kDownstream, Traversal pTraversal = kDepthFirst,
                       Level pLevel = kNodeLevel, MStatus* oStatus = nullptr);

    MObject currentItem(MStatus* oStatus = nullptr) const;
    MStatus next();
    bool isDone() const { return mPosition >= mNodes.size(); }
    MStatus reset();

private:
    // Nodes one connection away from pNode (from pPlug only when given) in pDirection.
    static std::vector<int> Neighbours(int pNode, const VurnPlugPath* pPlug, Direction pDirection);
    void Walk(int pRoot, const VurnPlugPath* pPlug, MFn::Type pFilter, Direction pDirection,
              Traversal pTraversal);

    std::vector<int> mNodes;
    size_t mPosition = 0;
};

#endif
