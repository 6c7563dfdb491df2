#include "platform/vurn/MFnCamera.h"

#include "platform/vurn/VurnStatus.h"

MFnCamera::MFnCamera(const MObject& pObject, MStatus* oStatus)
{
    VurnReport(oStatus, setObject(pObject));
}

MFnCamera::MFnCamera(const MDagPath& pPath, MStatus* oStatus)
{
    MDagPath lPath = pPath;
    lPath.extendToShape();
    AttachPath(lPath, oStatus);
}

MVector MFnCamera::upDirection(MSpace::Space pSpace, MStatus* oStatus) const
{
    const MVector lUp(0.0, 1.0, 0.0);
    if (pSpace != MSpace::kWorld) {
        VurnReport(oStatus, isAttached() ? MStatus() : VurnFailure("not attached"));
        return lUp;
    }
    MDagPath lPath;
    if (!getPath(lPath)) {
        VurnReport(oStatus, VurnFailure("world space needs a DAG path"));
        return lUp;
    }
    VurnReport(oStatus, MStatus());
    return (lUp * lPath.inclusiveMatrix()).normal();
}
