#include "platform/vurn/MFnBase.h"

MStatus MFnBase::setObject(const MObject& pObject)
{
    if (!accepts(pObject)) {
        mObject = MObject();
        return MStatus(MStatus::kFailure, "Object is incompatible with this method");
    }
    mObject = pObject;
    return MStatus();
}

void MFnBase::Attach(const MObject& pObject, MStatus* oStatus)
{
    const MStatus lStatus = setObject(pObject);
    if (oStatus) {
        *oStatus = lStatus;
    }
}

int MFnBase::NodeId() const
{
    return mObject.kind() == MObject::kNode && !mObject.isNull() ? mObject.id() : -1;
}
