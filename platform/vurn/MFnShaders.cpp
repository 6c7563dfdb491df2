#include "platform/vurn/MFnShaders.h"

MFnLambertShader::MFnLambertShader(const MObject& pObject, MStatus* oStatus)
{
    Attach(pObject, oStatus);
}

MObject MFnLambertShader::create(bool /*pUIVisible*/, MStatus* oStatus)
{
    return MFnDependencyNode::create(type(), MString(), oStatus);
}

MFnReflectShader::MFnReflectShader(const MObject& pObject, MStatus* oStatus)
{
    Attach(pObject, oStatus);
}

MFnPhongShader::MFnPhongShader(const MObject& pObject, MStatus* oStatus)
{
    Attach(pObject, oStatus);
}
