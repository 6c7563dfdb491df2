#include "platform/vurn/MFnSet.h"

#include "platform/vurn/VurnStatus.h"

MFnSet::MFnSet(const MObject& pObject, MStatus* oStatus)
{
    Attach(pObject, oStatus);
}

MFnSet::Restriction MFnSet::restriction(MStatus* oStatus) const
{
    const VurnNode* lNode = VurnScene::Get().Node(NodeId());
    VurnReport(oStatus, lNode ? MStatus() : VurnFailure("not attached"));
    return lNode && lNode->mSet ? static_cast<Restriction>(lNode->mSet->mRestriction) : kNone;
}

MStatus MFnSet::getMembers(MSelectionList& oMembers, bool /*pFlatten*/) const
{
    oMembers.clear();
    const VurnNode* lNode = VurnScene::Get().Node(NodeId());
    if (!lNode) {
        return VurnFailure("not attached");
    }
    if (!lNode->mSet) {
        return MStatus();
    }
    for (const VurnSetMember& lMember : lNode->mSet->mMembers) {
        const MDagPath lPath(lMember.mPath);
        if (lPath.isValid()) {
            oMembers.add(lPath, lMember.mComponent >= 0 ? MObject::component(lMember.mComponent)
                                                        : MObject());
        } else if (lMember.mPath.size() == 1) {
            oMembers.add(MObject::node(lMember.mPath[0]));
        }
    }
    return MStatus();
}

MStatus MFnSet::addMember(const MDagPath& pPath, const MObject& pComponent)
{
    VurnNode* lNode = VurnScene::Get().MutableNode(NodeId());
    if (!lNode || !pPath.isValid()) {
        return VurnFailure("cannot add that member");
    }
    if (!lNode->mSet) {
        lNode->mSet = std::make_shared<VurnSetData>();
    }
    lNode->mSet->mMembers.push_back(
        {pPath.nodes(), pComponent.kind() == MObject::kComponent ? pComponent.id() : -1});
    VurnScene::Get().Touch(NodeId(), "member " + pPath.fullPathName().str());
    return MStatus();
}
