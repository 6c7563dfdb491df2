#include "platform/vurn/MItDag.h"

#include "platform/vurn/VurnStatus.h"

#include <algorithm>

MItDag::MItDag(TraversalType pTraversal, MFn::Type pFilter, MStatus* oStatus) : mFilter(pFilter)
{
    if (pTraversal != kDepthFirst && pTraversal != kBreadthFirst) {
        VurnReport(oStatus, VurnFailure("unknown traversal"));
        return;
    }
    VurnPath lWork;
    Collect(VurnScene::kWorld, lWork);
    if (pTraversal == kBreadthFirst) {
        std::stable_sort(mPaths.begin(), mPaths.end(), [](const VurnPath& pA, const VurnPath& pB) {
            return pA.size() < pB.size();
        });
    }
    VurnReport(oStatus, MStatus());
}

void MItDag::Collect(int pNode, VurnPath& ioPath)
{
    for (int lChild : VurnScene::Get().Node(pNode)->mChildren) {
        ioPath.push_back(lChild);
        if (mFilter == MFn::kInvalid || MObject::node(lChild).hasFn(mFilter)) {
            mPaths.push_back(ioPath);
        }
        Collect(lChild, ioPath);
        ioPath.pop_back();
    }
}

MStatus MItDag::getPath(MDagPath& oPath) const
{
    if (isDone()) {
        return VurnFailure("walk is done");
    }
    oPath = MDagPath(mPaths[mIndex]);
    return oPath.isValid() ? MStatus() : VurnFailure("path no longer exists");
}

MObject MItDag::currentItem(MStatus* oStatus) const
{
    MDagPath lPath;
    const MStatus lStatus = getPath(lPath);
    VurnReport(oStatus, lStatus);
    return lStatus ? lPath.node() : MObject();
}

MStatus MItDag::next()
{
    if (isDone()) {
        return VurnFailure("walk is done");
    }
    ++mIndex;
    return MStatus();
}

MStatus MItDag::reset()
{
    mIndex = 0;
    return MStatus();
}
