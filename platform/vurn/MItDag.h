#ifndef RYVKIT_PLATFORM_VURN_MITDAG_H
#define RYVKIT_PLATFORM_VURN_MITDAG_H

#include "platform/vurn/MDagPath.h"

// Walks every path of the DAG: depth first, a parent before its children, children in their
// order, each instance once per path. The paths are taken when the walk starts.
class MItDag
{
public:
    enum TraversalType : int {
        kInvalidType = 0,
        kDepthFirst = 1,
        kBreadthFirst = 2,
    };

    // pFilter keeps only paths whose node has that type (kInvalid keeps all). Failure for an
    // unknown traversal; the walk is then done at once.
    explicit MItDag(TraversalType pTraversal = kDepthFirst, MFn::Type pFilter = MFn::kInvalid,
                    MStatus* oStatus = nullptr);

    MStatus getPath(MDagPath& oPath) const;
    MObject currentItem(MStatus* oStatus = nullptr) const;
    MStatus next();
    bool isDone() const { return mIndex >= mPaths.size(); }
    MStatus reset();

private:
    void Collect(int pNode, VurnPath& ioPath);

    MFn::Type mFilter = MFn::kInvalid;
    std::vector<VurnPath> mPaths;
    size_t mIndex = 0;
};

#endif
