#include "plugin/shell/RyvVurnNodeHelpers.h"

#include "platform/vurn/MFnAnimCurve.h"
#include "platform/vurn/MFnTransform.h"
#include "platform/vurn/MGlobal.h"
#include "platform/vurn/MItDependency.h"

#include <cstdio>

namespace {
constexpr double kRadiansToDegrees = 57.29577951308232;
constexpr int kMatrixElements = 16;
const char* const kTransformChannels[] = {"translateX", "translateY", "translateZ",
                                          "rotateX",    "rotateY",    "rotateZ",
                                          "scaleX",     "scaleY",     "scaleZ"};

void Zero(double oValues[3])
{
    oValues[0] = oValues[1] = oValues[2] = 0.0;
}

void ToDegrees(const MEulerRotation& pRotation, double oDegrees[3])
{
    oDegrees[0] = pRotation.x * kRadiansToDegrees;
    oDegrees[1] = pRotation.y * kRadiansToDegrees;
    oDegrees[2] = pRotation.z * kRadiansToDegrees;
}

bool GetAttrMatrix(const MString& pPlug, KMatrix& oMatrix)
{
    MDoubleArray lValues;
    if (!MGlobal::executeCommand("getAttr " + pPlug, lValues) ||
        lValues.length() != kMatrixElements) {
        return false;
    }
    for (int lIndex = 0; lIndex < kMatrixElements; ++lIndex) {
        oMatrix.Set(lIndex / 4, lIndex % 4, lValues[static_cast<unsigned int>(lIndex)]);
    }
    return true;
}
} // namespace

int GetSorquinTypeId(const MObject& pObject)
{
    MStatus lStatus;
    const MPlug lPlug = MFnDependencyNode(pObject).findPlug("sorquinTypeID", &lStatus);
    int lValue = 0;
    return lStatus && lPlug.getValue(lValue) ? lValue : 0;
}

bool GetJointOrient(const MObject& pNode, double oDegrees[3])
{
    Zero(oDegrees);
    MEulerRotation lOrient;
    if (!MFnIkJoint(pNode).getOrientation(lOrient)) {
        return false;
    }
    ToDegrees(lOrient, oDegrees);
    return true;
}

bool GetRotateAxis(const MObject& pNode, double oDegrees[3])
{
    Zero(oDegrees);
    MStatus lStatus;
    const MQuaternion lAxis = MFnTransform(pNode).rotateOrientation(MSpace::kTransform, &lStatus);
    if (!lStatus) {
        return false;
    }
    ToDegrees(MEulerRotation::decompose(lAxis.asMatrix(), MEulerRotation::kXYZ), oDegrees);
    return true;
}

bool FindConnectedNodeOfType(const MObject& pNode, MFn::Type pType, MObject& oNode, int pDirection,
                             int pLevel)
{
    oNode = MObject();
    MStatus lStatus;
    MItDependencyGraph lWalk(
        pNode, pType,
        pDirection == 1 ? MItDependencyGraph::kUpstream : MItDependencyGraph::kDownstream,
        MItDependencyGraph::kDepthFirst,
        pLevel == 1 ? MItDependencyGraph::kPlugLevel : MItDependencyGraph::kNodeLevel, &lStatus);
    if (!lStatus || lWalk.isDone()) {
        return false;
    }
    oNode = lWalk.currentItem();
    return true;
}

void FindDagPlug(MStatus& ioStatus, const MDagPath& pPath, MPlug& oPlug, const char* pAttribute)
{
    const MObject lNode = pPath.node(&ioStatus);
    if (!ioStatus) {
        oPlug = MPlug();
        return;
    }
    oPlug = MFnDependencyNode(lNode).findPlug(MString(pAttribute), &ioStatus);
}

void ReportStatus(const MStatus& pStatus, const char* pText)
{
    if (pStatus) {
        return;
    }
    const MString lText = pStatus.errorString() + "\n" + (pText ? pText : "") + " \n \n";
    std::fprintf(stderr, "%s", lText.asChar());
    MGlobal::displayError(lText);
}

bool HasTransformAnimCurve(const MObject& pTransform)
{
    const MFnDependencyNode lNode(pTransform);
    for (const char* lChannel : kTransformChannels) {
        MStatus lStatus;
        MFnAnimCurve lCurve(lNode.findPlug(lChannel), &lStatus);
        if (lStatus) {
            return true;
        }
    }
    return false;
}

bool HasAnimatedUserAttribute(const MObject& pTransform)
{
    const MFnDependencyNode lNode(pTransform);
    for (unsigned int lIndex = 0; lIndex < lNode.attributeCount(); ++lIndex) {
        const MObject lAttribute = lNode.attribute(lIndex);
        if (lNode.attributeClass(lAttribute) != MFnDependencyNode::kLocalDynamicAttr ||
            lAttribute.apiType() != MFn::kNumericAttribute) {
            continue;
        }
        MStatus lStatus;
        const MFnAnimCurve lCurve(lNode.findPlug(lAttribute), &lStatus);
        if (lStatus && lCurve.numKeys() > 0) {
            return true;
        }
    }
    return false;
}

bool GetJointBindMatrix(const MDagPath& pJoint, KMatrix& oMatrix)
{
    const MString lPath = "\"" + pJoint.fullPathName();
    return GetAttrMatrix(lPath + ".bindPose\"", oMatrix) ||
           GetAttrMatrix(lPath + ".worldMatrix\"", oMatrix);
}

void ConvertTransformationMatrix(const MTransformationMatrix& pTransformation, KMatrix& oMatrix)
{
    const MMatrix lMatrix = pTransformation.asMatrix();
    for (int lRow = 0; lRow < 4; ++lRow) {
        for (int lColumn = 0; lColumn < 4; ++lColumn) {
            oMatrix.Set(lRow, lColumn, lMatrix(lRow, lColumn));
        }
    }
}
