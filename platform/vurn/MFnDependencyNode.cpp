#include "platform/vurn/MFnDependencyNode.h"

#include "platform/vurn/VurnStatus.h"
#include "platform/vurn/VurnTypeTable.h"

#include <algorithm>

MFnDependencyNode::MFnDependencyNode(const MObject& pObject, MStatus* oStatus)
{
    Attach(pObject, oStatus);
}

MObject MFnDependencyNode::create(MFn::Type pType, const MString& pName, MStatus* oStatus)
{
    VurnScene& lScene = VurnScene::Get();
    const bool lFails = lScene.Fails("create " + std::string(VurnTypeTable::Name(pType)));
    const int lId = lFails ? -1 : lScene.CreateNode(pType, pName.str());
    if (lId < 0) {
        VurnReport(oStatus, VurnFailure("cannot create a node of that type"));
        return MObject();
    }
    const MObject lNode = MObject::node(lId);
    const MStatus lStatus = setObject(lNode);
    VurnReport(oStatus, lStatus);
    return lStatus ? lNode : MObject();
}

MString MFnDependencyNode::name(MStatus* oStatus) const
{
    const VurnNode* lNode = VurnScene::Get().Node(NodeId());
    VurnReport(oStatus, lNode ? MStatus() : VurnFailure("no node"));
    return lNode ? MString(lNode->mName) : MString();
}

MString MFnDependencyNode::setName(const MString& pName, MStatus* oStatus)
{
    const bool lDone = VurnScene::Get().Rename(NodeId(), pName.str());
    VurnReport(oStatus, lDone ? MStatus() : VurnFailure("cannot rename"));
    return name();
}

MString MFnDependencyNode::typeName() const
{
    const VurnNode* lNode = VurnScene::Get().Node(NodeId());
    return lNode ? MString(VurnTypeTable::Name(lNode->mType)) : MString();
}

MPlug MFnDependencyNode::findPlug(const MString& pName, MStatus* oStatus) const
{
    VurnPlugPath lPath;
    if (!VurnScene::Get().ParsePlugPath(NodeId(), pName.str(), lPath)) {
        VurnReport(oStatus, VurnFailure("no such plug"));
        return MPlug();
    }
    VurnReport(oStatus, MStatus());
    return MPlug(NodeId(), lPath);
}

MPlug MFnDependencyNode::findPlug(const MObject& pAttribute, MStatus* oStatus) const
{
    const MPlug lPlug(object(), pAttribute);
    VurnReport(oStatus, lPlug.isNull() ? VurnFailure("no such plug") : MStatus());
    return lPlug;
}

MObject MFnDependencyNode::attribute(const MString& pName, MStatus* oStatus) const
{
    const int lAttribute = VurnScene::Get().FindAttribute(NodeId(), pName.str());
    VurnReport(oStatus, lAttribute >= 0 ? MStatus() : VurnFailure("no such attribute"));
    return lAttribute >= 0 ? MObject::attribute(lAttribute) : MObject();
}

unsigned int MFnDependencyNode::attributeCount(MStatus* oStatus) const
{
    VurnReport(oStatus, NodeId() >= 0 ? MStatus() : VurnFailure("no node"));
    return static_cast<unsigned int>(VurnScene::Get().NodeAttributes(NodeId()).size());
}

MObject MFnDependencyNode::attribute(unsigned int pIndex, MStatus* oStatus) const
{
    const std::vector<int> lAttributes = VurnScene::Get().NodeAttributes(NodeId());
    if (pIndex >= lAttributes.size()) {
        VurnReport(oStatus, VurnFailure("attribute index out of range"));
        return MObject();
    }
    VurnReport(oStatus, MStatus());
    return MObject::attribute(lAttributes[pIndex]);
}

MFnDependencyNode::MAttrClass MFnDependencyNode::attributeClass(const MObject& pAttribute,
                                                                MStatus* oStatus) const
{
    const std::vector<int> lAttributes = VurnScene::Get().NodeAttributes(NodeId());
    const bool lOwned =
        pAttribute.kind() == MObject::kAttribute &&
        std::find(lAttributes.begin(), lAttributes.end(), pAttribute.id()) != lAttributes.end();
    if (!lOwned) {
        VurnReport(oStatus, VurnFailure("attribute not on this node"));
        return kInvalidAttr;
    }
    VurnReport(oStatus, MStatus());
    return VurnScene::Get().Attribute(pAttribute.id())->mDynamic ? kLocalDynamicAttr : kNormalAttr;
}

bool MFnDependencyNode::hasAttribute(const MString& pName) const
{
    return VurnScene::Get().FindAttribute(NodeId(), pName.str()) >= 0;
}

bool MFnDependencyNode::isIntermediateObject() const
{
    const VurnNode* lNode = VurnScene::Get().Node(NodeId());
    return lNode && lNode->mIntermediate;
}

double MFnDependencyNode::Number(const std::string& pPlug) const
{
    double lValue = 0.0;
    VurnScene::Get().GetNumber(NodeId(), pPlug, lValue);
    return lValue;
}

MColor MFnDependencyNode::Color(const std::string& pPlug, const char* pSuffixes) const
{
    return MColor(static_cast<float>(Number(pPlug + pSuffixes[0])),
                  static_cast<float>(Number(pPlug + pSuffixes[1])),
                  static_cast<float>(Number(pPlug + pSuffixes[2])));
}

MStatus MFnDependencyNode::SetNumber(const std::string& pPlug, double pValue)
{
    return VurnScene::Get().SetNumber(NodeId(), pPlug, pValue) ? MStatus()
                                                               : VurnFailure("cannot set plug");
}

MStatus MFnDependencyNode::SetColor(const std::string& pPlug, const MColor& pColor)
{
    const double lValues[3] = {pColor.r, pColor.g, pColor.b};
    const char* const lSuffixes[3] = {"R", "G", "B"};
    for (int lIndex = 0; lIndex < 3; ++lIndex) {
        const MStatus lStatus = SetNumber(pPlug + lSuffixes[lIndex], lValues[lIndex]);
        if (!lStatus) {
            return lStatus;
        }
    }
    return MStatus();
}
