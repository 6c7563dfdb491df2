#include "platform/vurn/MFnLight.h"

#include "platform/vurn/VurnStatus.h"

void MFnLight::AttachLight(const MDagPath& pPath, MStatus* oStatus)
{
    MDagPath lPath = pPath;
    lPath.extendToShape();
    AttachPath(lPath, oStatus);
}

MFnLight::MFnLight(const MObject& pObject, MStatus* oStatus)
{
    VurnReport(oStatus, setObject(pObject));
}

MFnLight::MFnLight(const MDagPath& pPath, MStatus* oStatus)
{
    AttachLight(pPath, oStatus);
}

MFnPointLight::MFnPointLight(const MObject& pObject, MStatus* oStatus)
{
    VurnReport(oStatus, setObject(pObject));
}

MFnPointLight::MFnPointLight(const MDagPath& pPath, MStatus* oStatus)
{
    AttachLight(pPath, oStatus);
}

bool MFnPointLight::accepts(const MObject& pObject) const
{
    return pObject.hasFn(MFn::kPointLight) || pObject.hasFn(MFn::kPointLightKindA) ||
           pObject.hasFn(MFn::kPointLightKindB);
}

MFnSpotLight::MFnSpotLight(const MObject& pObject, MStatus* oStatus)
{
    VurnReport(oStatus, setObject(pObject));
}

MFnSpotLight::MFnSpotLight(const MDagPath& pPath, MStatus* oStatus)
{
    AttachLight(pPath, oStatus);
}

MFnDirectionalLight::MFnDirectionalLight(const MObject& pObject, MStatus* oStatus)
{
    VurnReport(oStatus, setObject(pObject));
}

MFnDirectionalLight::MFnDirectionalLight(const MDagPath& pPath, MStatus* oStatus)
{
    AttachLight(pPath, oStatus);
}
