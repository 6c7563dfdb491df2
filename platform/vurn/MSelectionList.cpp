#include "platform/vurn/MSelectionList.h"

#include "platform/vurn/VurnStatus.h"

MStatus MSelectionList::add(const MDagPath& pPath, const MObject& pComponent)
{
    if (!pPath.isValid()) {
        return VurnFailure("invalid path");
    }
    if (!hasItem(pPath, pComponent) || !pComponent.isNull()) {
        mItems.push_back({pPath, pPath.node(), pComponent});
    }
    return MStatus();
}

MStatus MSelectionList::add(const MObject& pNode)
{
    MDagPath lPath;
    if (MDagPath::getAPathTo(pNode, lPath)) {
        return add(lPath);
    }
    if (pNode.kind() != MObject::kNode || pNode.isNull()) {
        return VurnFailure("not a node");
    }
    if (!hasItem(pNode)) {
        mItems.push_back({MDagPath(), pNode, MObject()});
    }
    return MStatus();
}

MStatus MSelectionList::add(const MString& pName)
{
    const int lNode = VurnScene::Get().FindNode(pName.str());
    if (lNode < 0) {
        return VurnFailure("no object of that name");
    }
    const std::vector<VurnPath> lPaths = VurnScene::Get().PathsTo(lNode);
    const bool lByPath = pName.index('|') >= 0;
    return !lPaths.empty() && lByPath ? add(MDagPath(lPaths[0])) : add(MObject::node(lNode));
}

bool MSelectionList::hasItem(const MDagPath& pPath, const MObject& pComponent) const
{
    for (const Item& lItem : mItems) {
        if (lItem.mPath == pPath &&
            (pComponent.isNull() || lItem.mComponent.isNull() || lItem.mComponent == pComponent)) {
            return true;
        }
    }
    return false;
}

bool MSelectionList::hasItem(const MObject& pNode) const
{
    for (const Item& lItem : mItems) {
        if (lItem.mNode == pNode) {
            return true;
        }
    }
    return false;
}

MStatus MSelectionList::getDagPath(unsigned int pIndex, MDagPath& oPath, MObject& oComponent) const
{
    if (pIndex >= mItems.size() || !mItems[pIndex].mPath.isValid()) {
        return VurnFailure("no DAG path at that index");
    }
    oPath = mItems[pIndex].mPath;
    oComponent = mItems[pIndex].mComponent;
    return MStatus();
}

MStatus MSelectionList::getDagPath(unsigned int pIndex, MDagPath& oPath) const
{
    MObject lComponent;
    return getDagPath(pIndex, oPath, lComponent);
}

MStatus MSelectionList::getDependNode(unsigned int pIndex, MObject& oNode) const
{
    if (pIndex >= mItems.size() || mItems[pIndex].mNode.isNull()) {
        return VurnFailure("no node at that index");
    }
    oNode = mItems[pIndex].mNode;
    return MStatus();
}

MItSelectionList::MItSelectionList(const MSelectionList& pList, MFn::Type pFilter, MStatus* oStatus)
    : mList(pList)
{
    for (unsigned int lIndex = 0; lIndex < pList.length(); ++lIndex) {
        MDagPath lPath;
        MObject lComponent;
        MObject lNode;
        pList.getDagPath(lIndex, lPath, lComponent);
        pList.getDependNode(lIndex, lNode);
        const bool lKeep =
            pFilter == MFn::kInvalid ||
            (pFilter == MFn::kComponent ? !lComponent.isNull() : lNode.hasFn(pFilter));
        if (lKeep) {
            mIndices.push_back(lIndex);
        }
    }
    VurnReport(oStatus, MStatus());
}

MStatus MItSelectionList::getDagPath(MDagPath& oPath, MObject& oComponent) const
{
    return isDone() ? VurnFailure("walk is done")
                    : mList.getDagPath(mIndices[mPosition], oPath, oComponent);
}

MStatus MItSelectionList::getDagPath(MDagPath& oPath) const
{
    MObject lComponent;
    return getDagPath(oPath, lComponent);
}

MStatus MItSelectionList::getDependNode(MObject& oNode) const
{
    return isDone() ? VurnFailure("walk is done") : mList.getDependNode(mIndices[mPosition], oNode);
}

MStatus MItSelectionList::next()
{
    if (isDone()) {
        return VurnFailure("walk is done");
    }
    ++mPosition;
    return MStatus();
}

MStatus MItSelectionList::reset()
{
    mPosition = 0;
    return MStatus();
}
