#include "platform/vurn/MFnTransform.h"

#include "platform/vurn/VurnStatus.h"
#include "platform/vurn/VurnTypeTable.h"

#include <string>

MFnTransform::MFnTransform(const MObject& pObject, MStatus* oStatus)
{
    VurnReport(oStatus, setObject(pObject));
}

MFnTransform::MFnTransform(const MDagPath& pPath, MStatus* oStatus)
{
    AttachPath(pPath, oStatus);
}

MVector MFnTransform::Vector3(const char* pName) const
{
    const std::string lName = pName;
    MVector lVector;
    VurnScene& lScene = VurnScene::Get();
    lScene.GetNumber(NodeId(), lName + "X", lVector.x);
    lScene.GetNumber(NodeId(), lName + "Y", lVector.y);
    lScene.GetNumber(NodeId(), lName + "Z", lVector.z);
    return lVector;
}

MStatus MFnTransform::InSpace(MVector& ioValue, MSpace::Space pSpace, bool pPoint) const
{
    if (!isAttached()) {
        return VurnFailure("not attached");
    }
    if (pSpace == MSpace::kTransform || pSpace == MSpace::kObject) {
        return MStatus();
    }
    if (pSpace != MSpace::kWorld || !KeptPath().isValid()) {
        return VurnFailure("world space needs a DAG path");
    }
    const MMatrix lParent = KeptPath().exclusiveMatrix();
    if (pPoint) {
        const MPoint lPoint =
            MPoint(ioValue.x, ioValue.y, ioValue.z) * KeptPath().inclusiveMatrix();
        ioValue = MVector(lPoint.x, lPoint.y, lPoint.z);
    } else {
        ioValue = ioValue * lParent;
    }
    return MStatus();
}

MVector MFnTransform::translation(MSpace::Space pSpace, MStatus* oStatus) const
{
    if (pSpace == MSpace::kWorld && KeptPath().isValid()) {
        const MMatrix lWorld = KeptPath().inclusiveMatrix();
        VurnReport(oStatus, MStatus());
        return MVector(lWorld(3, 0), lWorld(3, 1), lWorld(3, 2));
    }
    MVector lValue = Vector3("translate");
    VurnReport(oStatus, InSpace(lValue, pSpace, false));
    return lValue;
}

MStatus MFnTransform::getRotation(MEulerRotation& oRotation) const
{
    if (!isAttached()) {
        return VurnFailure("not attached");
    }
    const MVector lRotate = Vector3("rotate");
    oRotation = MEulerRotation(lRotate.x, lRotate.y, lRotate.z,
                               MTransformationMatrix::toEulerOrder(rotationOrder()));
    return MStatus();
}

MStatus MFnTransform::getScale(double oScale[3]) const
{
    if (!isAttached()) {
        return VurnFailure("not attached");
    }
    const MVector lScale = Vector3("scale");
    oScale[0] = lScale.x;
    oScale[1] = lScale.y;
    oScale[2] = lScale.z;
    return MStatus();
}

MTransformationMatrix::RotationOrder MFnTransform::rotationOrder(MStatus* oStatus) const
{
    MTransformationMatrix lMatrix;
    if (!VurnScene::Get().Transformation(NodeId(), lMatrix)) {
        VurnReport(oStatus, VurnFailure("not attached"));
        return MTransformationMatrix::kInvalid;
    }
    VurnReport(oStatus, MStatus());
    return lMatrix.mOrder;
}

MPoint MFnTransform::rotatePivot(MSpace::Space pSpace, MStatus* oStatus) const
{
    MVector lValue = Vector3("rotatePivot");
    VurnReport(oStatus, InSpace(lValue, pSpace, true));
    return MPoint(lValue.x, lValue.y, lValue.z);
}

MVector MFnTransform::rotatePivotTranslation(MSpace::Space pSpace, MStatus* oStatus) const
{
    MVector lValue = Vector3("rotatePivotTranslation");
    VurnReport(oStatus, InSpace(lValue, pSpace, false));
    return lValue;
}

MPoint MFnTransform::scalePivot(MSpace::Space pSpace, MStatus* oStatus) const
{
    MVector lValue = Vector3("scalePivot");
    VurnReport(oStatus, InSpace(lValue, pSpace, true));
    return MPoint(lValue.x, lValue.y, lValue.z);
}

MVector MFnTransform::scalePivotTranslation(MSpace::Space pSpace, MStatus* oStatus) const
{
    MVector lValue = Vector3("scalePivotTranslation");
    VurnReport(oStatus, InSpace(lValue, pSpace, false));
    return lValue;
}

MQuaternion MFnTransform::rotateOrientation(MSpace::Space pSpace, MStatus* oStatus) const
{
    MTransformationMatrix lMatrix;
    if (!VurnScene::Get().Transformation(NodeId(), lMatrix) ||
        (pSpace != MSpace::kTransform && pSpace != MSpace::kObject)) {
        VurnReport(oStatus, VurnFailure("rotate orientation is kept in transform space"));
        return MQuaternion();
    }
    VurnReport(oStatus, MStatus());
    return lMatrix.mRotateOrientation;
}

bool MFnTransform::isLimited(LimitType pType, MStatus* oStatus) const
{
    const char* lName = VurnTypeTable::LimitPlugName(pType);
    double lOn = 0.0;
    if (!lName || !VurnScene::Get().GetNumber(NodeId(), std::string(lName) + "Enable", lOn)) {
        VurnReport(oStatus, VurnFailure("no such limit"));
        return false;
    }
    VurnReport(oStatus, MStatus());
    return lOn != 0.0;
}

double MFnTransform::limitValue(LimitType pType, MStatus* oStatus) const
{
    const char* lName = VurnTypeTable::LimitPlugName(pType);
    double lValue = 0.0;
    if (!lName || !VurnScene::Get().GetNumber(NodeId(), lName, lValue)) {
        VurnReport(oStatus, VurnFailure("no such limit"));
        return 0.0;
    }
    VurnReport(oStatus, MStatus());
    return lValue;
}

MTransformationMatrix MFnTransform::transformation(MStatus* oStatus) const
{
    MTransformationMatrix lMatrix;
    const bool lDone = VurnScene::Get().Transformation(NodeId(), lMatrix);
    VurnReport(oStatus, lDone ? MStatus() : VurnFailure("not attached"));
    return lMatrix;
}

MFnIkJoint::MFnIkJoint(const MObject& pObject, MStatus* oStatus)
{
    VurnReport(oStatus, setObject(pObject));
}

MFnIkJoint::MFnIkJoint(const MDagPath& pPath, MStatus* oStatus)
{
    AttachPath(pPath, oStatus);
}

MStatus MFnIkJoint::getOrientation(MEulerRotation& oOrientation) const
{
    if (!isAttached()) {
        return VurnFailure("not attached");
    }
    const MVector lOrient = Vector3("jointOrient");
    oOrientation = MEulerRotation(lOrient.x, lOrient.y, lOrient.z);
    return MStatus();
}
