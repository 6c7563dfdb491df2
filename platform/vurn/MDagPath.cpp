#include "platform/vurn/MDagPath.h"

#include "platform/vurn/VurnStatus.h"
#include "platform/vurn/VurnTypeTable.h"

#include <algorithm>

MStatus MDagPath::getAPathTo(const MObject& pObject, MDagPath& oPath)
{
    MDagPathArray lPaths;
    const MStatus lStatus = getAllPathsTo(pObject, lPaths);
    if (!lStatus) {
        return lStatus;
    }
    oPath = lPaths[0];
    return MStatus();
}

MStatus MDagPath::getAllPathsTo(const MObject& pObject, MDagPathArray& oPaths)
{
    oPaths.clear();
    if (pObject.kind() != MObject::kNode) {
        return VurnFailure("not a DAG node");
    }
    for (const VurnPath& lPath : VurnScene::Get().PathsTo(pObject.id())) {
        oPaths.append(MDagPath(lPath));
    }
    return oPaths.length() > 0 ? MStatus() : VurnFailure("not a DAG node");
}

bool MDagPath::isValid() const
{
    const VurnScene& lScene = VurnScene::Get();
    return !mNodes.empty() && std::all_of(mNodes.begin(), mNodes.end(),
                                          [&lScene](int pNode) { return lScene.IsAlive(pNode); });
}

int MDagPath::FirstShape(int pNode)
{
    const VurnScene& lScene = VurnScene::Get();
    const VurnNode* lNode = lScene.Node(pNode);
    if (!lNode) {
        return -1;
    }
    for (int lChild : lNode->mChildren) {
        const VurnNode* lChildNode = lScene.Node(lChild);
        if (VurnTypeTable::IsA(lChildNode->mType, MFn::kShape) && !lChildNode->mIntermediate) {
            return lChild;
        }
    }
    return -1;
}

bool MDagPath::hasFn(MFn::Type pType) const
{
    if (!isValid()) {
        return false;
    }
    const int lNode = mNodes.back();
    if (MObject::node(lNode).hasFn(pType)) {
        return true;
    }
    const int lShape = MObject::node(lNode).hasFn(MFn::kTransform) ? FirstShape(lNode) : -1;
    return lShape >= 0 && MObject::node(lShape).hasFn(pType);
}

MFn::Type MDagPath::apiType() const
{
    if (!isValid()) {
        return MFn::kInvalid;
    }
    const MObject lNode = MObject::node(mNodes.back());
    const int lShape = lNode.hasFn(MFn::kTransform) ? FirstShape(mNodes.back()) : -1;
    return lShape >= 0 ? MObject::node(lShape).apiType() : lNode.apiType();
}

MObject MDagPath::node(MStatus* oStatus) const
{
    if (!isValid()) {
        VurnReport(oStatus, VurnFailure("invalid path"));
        return MObject();
    }
    VurnReport(oStatus, MStatus());
    return MObject::node(mNodes.back());
}

MObject MDagPath::transform(MStatus* oStatus) const
{
    for (auto lNode = mNodes.rbegin(); isValid() && lNode != mNodes.rend(); ++lNode) {
        if (MObject::node(*lNode).hasFn(MFn::kTransform)) {
            VurnReport(oStatus, MStatus());
            return MObject::node(*lNode);
        }
    }
    VurnReport(oStatus, VurnFailure("no transform on the path"));
    return MObject();
}

unsigned int MDagPath::childCount() const
{
    const VurnNode* lNode = isValid() ? VurnScene::Get().Node(mNodes.back()) : nullptr;
    return lNode ? static_cast<unsigned int>(lNode->mChildren.size()) : 0;
}

MObject MDagPath::child(unsigned int pIndex, MStatus* oStatus) const
{
    if (pIndex >= childCount()) {
        VurnReport(oStatus, VurnFailure("child index out of range"));
        return MObject();
    }
    VurnReport(oStatus, MStatus());
    return MObject::node(VurnScene::Get().Node(mNodes.back())->mChildren[pIndex]);
}

MStatus MDagPath::push(const MObject& pChild)
{
    for (unsigned int lIndex = 0; lIndex < childCount(); ++lIndex) {
        if (child(lIndex) == pChild) {
            mNodes.push_back(pChild.id());
            return MStatus();
        }
    }
    return VurnFailure("not a child of the path's node");
}

MStatus MDagPath::pop(unsigned int pCount)
{
    if (pCount > mNodes.size()) {
        return VurnFailure("path too short");
    }
    mNodes.resize(mNodes.size() - pCount);
    return MStatus();
}

MString MDagPath::fullPathName(MStatus* oStatus) const
{
    VurnReport(oStatus, isValid() || mNodes.empty() ? MStatus() : VurnFailure("invalid path"));
    return MString(VurnScene::Get().FullPathName(mNodes));
}

MString MDagPath::partialPathName() const
{
    const VurnNode* lNode = isValid() ? VurnScene::Get().Node(mNodes.back()) : nullptr;
    return lNode ? MString(lNode->mName) : MString();
}

MStatus MDagPath::extendToShape()
{
    if (!isValid()) {
        return VurnFailure("invalid path");
    }
    if (MObject::node(mNodes.back()).hasFn(MFn::kShape)) {
        return MStatus();
    }
    const int lShape = FirstShape(mNodes.back());
    if (lShape < 0) {
        return VurnFailure("no shape below the path");
    }
    mNodes.push_back(lShape);
    return MStatus();
}

bool MDagPath::isInstanced() const
{
    return std::any_of(mNodes.begin(), mNodes.end(), [](int pNode) {
        const VurnNode* lNode = VurnScene::Get().Node(pNode);
        return lNode && lNode->mParents.size() > 1;
    });
}

unsigned int MDagPath::instanceNumber(MStatus* oStatus) const
{
    if (!isValid()) {
        VurnReport(oStatus, VurnFailure("invalid path"));
        return 0;
    }
    const std::vector<VurnPath> lPaths = VurnScene::Get().PathsTo(mNodes.back());
    const auto lFound = std::find(lPaths.begin(), lPaths.end(), mNodes);
    VurnReport(oStatus, MStatus());
    return static_cast<unsigned int>(lFound == lPaths.end() ? 0 : lFound - lPaths.begin());
}

MMatrix MDagPath::inclusiveMatrix() const
{
    return VurnScene::Get().WorldMatrix(mNodes);
}

MMatrix MDagPath::exclusiveMatrix() const
{
    if (mNodes.empty()) {
        return MMatrix();
    }
    return VurnScene::Get().WorldMatrix(VurnPath(mNodes.begin(), mNodes.end() - 1));
}
