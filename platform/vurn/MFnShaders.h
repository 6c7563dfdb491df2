#ifndef RYVKIT_PLATFORM_VURN_MFNSHADERS_H
#define RYVKIT_PLATFORM_VURN_MFNSHADERS_H

#include "platform/vurn/MFnDependencyNode.h"
#include "platform/vurn/MVector.h"

// The function sets of the shader chain lambert <- reflect <- phong. Colours are RGB with
// alpha 1.
class MFnLambertShader : public MFnDependencyNode
{
public:
    MFnLambertShader() = default;
    explicit MFnLambertShader(const MObject& pObject, MStatus* oStatus = nullptr);
    MFn::Type type() const override { return MFn::kLambert; }

    // Creates a shader node of this set's type and attaches to it.
    MObject create(bool pUIVisible = true, MStatus* oStatus = nullptr);
    MColor color() const { return Color("color"); }
    MColor transparency() const { return Color("transparency"); }
    MColor ambientColor() const { return Color("ambientColor"); }
    MStatus setColor(const MColor& pColor) { return SetColor("color", pColor); }
    MStatus setTransparency(const MColor& pColor) { return SetColor("transparency", pColor); }
    MStatus setAmbientColor(const MColor& pColor) { return SetColor("ambientColor", pColor); }
};

class MFnReflectShader : public MFnLambertShader
{
public:
    MFnReflectShader() = default;
    explicit MFnReflectShader(const MObject& pObject, MStatus* oStatus = nullptr);
    MFn::Type type() const override { return MFn::kReflect; }

    MColor specularColor() const { return Color("specularColor"); }
    MStatus setSpecularColor(const MColor& pColor) { return SetColor("specularColor", pColor); }
};

class MFnPhongShader : public MFnReflectShader
{
public:
    MFnPhongShader() = default;
    explicit MFnPhongShader(const MObject& pObject, MStatus* oStatus = nullptr);
    MFn::Type type() const override { return MFn::kPhong; }

    float cosPower() const { return static_cast<float>(Number("cosinePower")); }
    MStatus setCosPower(float pValue) { return SetNumber("cosinePower", pValue); }
};

#endif
