#include "platform/vurn/MFnDagNode.h"

#include "platform/vurn/VurnStatus.h"

MFnDagNode::MFnDagNode(const MObject& pObject, MStatus* oStatus)
{
    VurnReport(oStatus, setObject(pObject));
}

MFnDagNode::MFnDagNode(const MDagPath& pPath, MStatus* oStatus)
{
    AttachPath(pPath, oStatus);
}

void MFnDagNode::AttachPath(const MDagPath& pPath, MStatus* oStatus)
{
    VurnReport(oStatus, setObject(pPath));
}

MStatus MFnDagNode::setObject(const MDagPath& pPath)
{
    const MStatus lStatus = MFnBase::setObject(pPath.node());
    mPath = lStatus ? pPath : MDagPath();
    return lStatus;
}

MStatus MFnDagNode::setObject(const MObject& pObject)
{
    const MStatus lStatus = MFnBase::setObject(pObject);
    mPath = MDagPath();
    if (lStatus) {
        MDagPath::getAPathTo(pObject, mPath);
    }
    return lStatus;
}

MString MFnDagNode::fullPathName(MStatus* oStatus) const
{
    VurnReport(oStatus, mPath.isValid() ? MStatus() : VurnFailure("no path"));
    return mPath.fullPathName();
}

MStatus MFnDagNode::getPath(MDagPath& oPath) const
{
    if (!mPath.isValid()) {
        return VurnFailure("no path");
    }
    oPath = mPath;
    return MStatus();
}

MDagPath MFnDagNode::dagPath(MStatus* oStatus) const
{
    VurnReport(oStatus, mPath.isValid() ? MStatus() : VurnFailure("no path"));
    return mPath;
}

unsigned int MFnDagNode::parentCount(MStatus* oStatus) const
{
    const VurnNode* lNode = VurnScene::Get().Node(NodeId());
    VurnReport(oStatus, lNode ? MStatus() : VurnFailure("not attached"));
    return lNode ? static_cast<unsigned int>(lNode->mParents.size()) : 0;
}

MObject MFnDagNode::parent(unsigned int pIndex, MStatus* oStatus) const
{
    const VurnNode* lNode = VurnScene::Get().Node(NodeId());
    if (!lNode || pIndex >= lNode->mParents.size()) {
        VurnReport(oStatus, VurnFailure("parent index out of range"));
        return MObject();
    }
    VurnReport(oStatus, MStatus());
    return MObject::node(lNode->mParents[pIndex]);
}

unsigned int MFnDagNode::childCount(MStatus* oStatus) const
{
    const VurnNode* lNode = VurnScene::Get().Node(NodeId());
    VurnReport(oStatus, lNode ? MStatus() : VurnFailure("not attached"));
    return lNode ? static_cast<unsigned int>(lNode->mChildren.size()) : 0;
}

MObject MFnDagNode::child(unsigned int pIndex, MStatus* oStatus) const
{
    const VurnNode* lNode = VurnScene::Get().Node(NodeId());
    if (!lNode || pIndex >= lNode->mChildren.size()) {
        VurnReport(oStatus, VurnFailure("child index out of range"));
        return MObject();
    }
    VurnReport(oStatus, MStatus());
    return MObject::node(lNode->mChildren[pIndex]);
}

bool MFnDagNode::isInstanced() const
{
    const VurnNode* lNode = VurnScene::Get().Node(NodeId());
    return lNode && lNode->mParents.size() > 1;
}
