#include "platform/vurn/MFnDeformers.h"

#include "platform/vurn/MFnComponent.h"
#include "platform/vurn/MFnNurbsSurface.h"
#include "platform/vurn/VurnStatus.h"

#include <algorithm>
#include <map>

MFnGeometryFilter::MFnGeometryFilter(const MObject& pObject, MStatus* oStatus)
{
    Attach(pObject, oStatus);
}

MObjectArray MFnGeometryFilter::ConnectedNodes(const char* pArray, const char* pChild,
                                               bool pAsDestination) const
{
    VurnScene& lScene = VurnScene::Get();
    const int lArray = lScene.FindAttribute(NodeId(), pArray);
    const int lChild = pChild ? lScene.FindAttribute(NodeId(), pChild) : -1;
    std::map<int, int> lByIndex;
    for (const VurnConnection& lConnection : lScene.ConnectionsOf(NodeId())) {
        const int lHere = pAsDestination ? lConnection.mDestinationNode : lConnection.mSourceNode;
        const VurnPlugPath& lPath = pAsDestination ? lConnection.mDestination : lConnection.mSource;
        const size_t lDepth = pChild ? 2 : 1;
        if (lHere != NodeId() || lPath.size() != lDepth || lPath[0].first != lArray ||
            (pChild && lPath[1].first != lChild)) {
            continue;
        }
        lByIndex[lPath[0].second] =
            pAsDestination ? lConnection.mSourceNode : lConnection.mDestinationNode;
    }
    MObjectArray lNodes;
    for (const auto& lEntry : lByIndex) {
        lNodes.append(MObject::node(lEntry.second));
    }
    return lNodes;
}

MStatus MFnGeometryFilter::getInputGeometry(MObjectArray& oObjects) const
{
    oObjects = ConnectedNodes("input", "inputGeometry", true);
    return isAttached() ? MStatus() : VurnFailure("not attached");
}

MStatus MFnGeometryFilter::getOutputGeometry(MObjectArray& oObjects) const
{
    oObjects = ConnectedNodes("outputGeometry", nullptr, false);
    return isAttached() ? MStatus() : VurnFailure("not attached");
}

MFnSkinCluster::MFnSkinCluster(const MObject& pObject, MStatus* oStatus)
{
    Attach(pObject, oStatus);
}

unsigned int MFnSkinCluster::influenceObjects(MDagPathArray& oPaths, MStatus* oStatus) const
{
    oPaths.clear();
    const MPlug lMatrices = findPlug("matrix");
    for (unsigned int lIndex = 0; lIndex < lMatrices.numElements(); ++lIndex) {
        MPlugArray lSources;
        MDagPath lPath;
        if (lMatrices.elementByPhysicalIndex(lIndex).connectedTo(lSources, true, false) &&
            MDagPath::getAPathTo(lSources[0].node(), lPath)) {
            oPaths.append(lPath);
        }
    }
    VurnReport(oStatus, isAttached() ? MStatus() : VurnFailure("not attached"));
    return oPaths.length();
}

unsigned int MFnSkinCluster::indexForInfluenceObject(const MDagPath& pPath, MStatus* oStatus) const
{
    const MPlug lMatrices = findPlug("matrix");
    for (unsigned int lIndex = 0; lIndex < lMatrices.numElements(); ++lIndex) {
        const MPlug lElement = lMatrices.elementByPhysicalIndex(lIndex);
        MPlugArray lSources;
        if (lElement.connectedTo(lSources, true, false) && lSources[0].node() == pPath.node()) {
            VurnReport(oStatus, MStatus());
            return lElement.logicalIndex();
        }
    }
    VurnReport(oStatus, VurnFailure("not an influence of this skin"));
    return 0;
}

std::vector<int> MFnSkinCluster::ComponentVertices(const MDagPath& pShape,
                                                   const MObject& pComponent) const
{
    std::vector<int> lVertices;
    if (pComponent.hasFn(MFn::kNurbsCVComponent)) {
        const MFnNurbsSurface lSurface(pShape);
        MFnDoubleIndexedComponent lCVs(pComponent);
        for (int lIndex = 0; lIndex < lCVs.elementCount(); ++lIndex) {
            int lU = 0;
            int lV = 0;
            lCVs.getElement(lIndex, lU, lV);
            lVertices.push_back(lU * lSurface.numCVsInV() + lV);
        }
        return lVertices;
    }
    MIntArray lElements;
    MFnSingleIndexedComponent(pComponent).getElements(lElements);
    return lElements.items();
}

MStatus MFnSkinCluster::getWeights(const MDagPath& pShape, const MObject& pComponent,
                                   unsigned int pIndex, MDoubleArray& oWeights) const
{
    oWeights.clear();
    if (!isAttached() || pComponent.isNull() || !pComponent.hasFn(MFn::kComponent)) {
        return VurnFailure("bad skin, shape or component");
    }
    const MPlug lList = findPlug("weightList");
    for (int lVertex : ComponentVertices(pShape, pComponent)) {
        const MPlug lWeights =
            lList.elementByLogicalIndex(static_cast<unsigned int>(lVertex)).child(0);
        const std::vector<int> lSet = VurnScene::Get().LogicalIndices(NodeId(), lWeights.path());
        const bool lPresent =
            std::binary_search(lSet.begin(), lSet.end(), static_cast<int>(pIndex));
        oWeights.append(lPresent ? lWeights.elementByLogicalIndex(pIndex).asDouble() : 0.0);
    }
    return MStatus();
}

MFnBlendShapeDeformer::MFnBlendShapeDeformer(const MObject& pObject, MStatus* oStatus)
{
    Attach(pObject, oStatus);
}

unsigned int MFnBlendShapeDeformer::numWeights(MStatus* oStatus) const
{
    return findPlug("weight").numElements(oStatus);
}

MStatus MFnBlendShapeDeformer::weightIndexList(MIntArray& oIndices) const
{
    oIndices.clear();
    const MPlug lWeights = findPlug("weight");
    for (unsigned int lIndex = 0; lIndex < lWeights.numElements(); ++lIndex) {
        oIndices.append(static_cast<int>(lWeights.elementByPhysicalIndex(lIndex).logicalIndex()));
    }
    return isAttached() ? MStatus() : VurnFailure("not attached");
}

float MFnBlendShapeDeformer::weight(unsigned int pIndex, MStatus* oStatus) const
{
    return static_cast<float>(findPlug("weight").elementByLogicalIndex(pIndex).asDouble(oStatus));
}

MStatus MFnBlendShapeDeformer::getBaseObjects(MObjectArray& oObjects) const
{
    oObjects.clear();
    const VurnNode* lNode = VurnScene::Get().Node(NodeId());
    if (!lNode) {
        return VurnFailure("not attached");
    }
    for (int lBase : lNode->mBlendShape ? lNode->mBlendShape->mBaseObjects : std::vector<int>()) {
        oObjects.append(MObject::node(lBase));
    }
    return MStatus();
}

MStatus MFnBlendShapeDeformer::getTargets(const MObject& pBase, int pWeightIndex,
                                          MObjectArray& oTargets) const
{
    oTargets.clear();
    const VurnNode* lNode = VurnScene::Get().Node(NodeId());
    if (!lNode || !lNode->mBlendShape) {
        return VurnFailure("no targets");
    }
    const auto& lBases = lNode->mBlendShape->mBaseObjects;
    const auto lBase = std::find(lBases.begin(), lBases.end(), pBase.id());
    if (pBase.kind() != MObject::kNode || lBase == lBases.end()) {
        return VurnFailure("not a base object of this blend shape");
    }
    const auto lFound =
        lNode->mBlendShape->mTargets.find({static_cast<int>(lBase - lBases.begin()), pWeightIndex});
    if (lFound != lNode->mBlendShape->mTargets.end()) {
        for (int lTarget : lFound->second) {
            oTargets.append(MObject::node(lTarget));
        }
    }
    return MStatus();
}

MStatus MFnBlendShapeDeformer::addTarget(const MObject& pBase, int pWeightIndex,
                                         const MObject& pTarget, double pWeight)
{
    VurnNode* lNode = VurnScene::Get().MutableNode(NodeId());
    if (!lNode || pBase.isNull() || pTarget.isNull() || pWeightIndex < 0) {
        return VurnFailure("bad blend-shape target");
    }
    if (!lNode->mBlendShape) {
        lNode->mBlendShape = std::make_shared<VurnBlendShapeData>();
    }
    auto& lBases = lNode->mBlendShape->mBaseObjects;
    auto lBase = std::find(lBases.begin(), lBases.end(), pBase.id());
    if (lBase == lBases.end()) {
        lBases.push_back(pBase.id());
        lBase = lBases.end() - 1;
    }
    const int lBaseIndex = static_cast<int>(lBase - lBases.begin());
    lNode->mBlendShape->mTargets[{lBaseIndex, pWeightIndex}].push_back(pTarget.id());
    VurnScene::Get().Touch(NodeId(), "target");
    return findPlug("weight")
        .elementByLogicalIndex(static_cast<unsigned int>(pWeightIndex))
        .setValue(pWeight);
}
