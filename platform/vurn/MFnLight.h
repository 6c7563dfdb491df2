#ifndef RYVKIT_PLATFORM_VURN_MFNLIGHT_H
#define RYVKIT_PLATFORM_VURN_MFNLIGHT_H

#include "platform/vurn/MFnDagNode.h"
#include "platform/vurn/MVector.h"

// The function sets of lights: every light (296), point-like kinds (303, 299, 859), spot and
// directional lights. Angles in radians.
class MFnLight : public MFnDagNode
{
public:
    MFnLight() = default;
    explicit MFnLight(const MObject& pObject, MStatus* oStatus = nullptr);
    explicit MFnLight(const MDagPath& pPath, MStatus* oStatus = nullptr);
    MFn::Type type() const override { return MFn::kLight; }

    MColor color() const { return Color("color"); }
    float intensity() const { return static_cast<float>(Number("intensity")); }
    MStatus setIntensity(float pValue) { return SetNumber("intensity", pValue); }

protected:
    // Attaches through pPath extended to its shape.
    void AttachLight(const MDagPath& pPath, MStatus* oStatus);
};

class MFnPointLight : public MFnLight
{
public:
    MFnPointLight() = default;
    explicit MFnPointLight(const MObject& pObject, MStatus* oStatus = nullptr);
    explicit MFnPointLight(const MDagPath& pPath, MStatus* oStatus = nullptr);
    MFn::Type type() const override { return MFn::kPointLight; }
    bool accepts(const MObject& pObject) const override;
};

class MFnSpotLight : public MFnLight
{
public:
    MFnSpotLight() = default;
    explicit MFnSpotLight(const MObject& pObject, MStatus* oStatus = nullptr);
    explicit MFnSpotLight(const MDagPath& pPath, MStatus* oStatus = nullptr);
    MFn::Type type() const override { return MFn::kSpotLight; }

    double coneAngle() const { return Number("coneAngle"); }
};

class MFnDirectionalLight : public MFnLight
{
public:
    MFnDirectionalLight() = default;
    explicit MFnDirectionalLight(const MObject& pObject, MStatus* oStatus = nullptr);
    explicit MFnDirectionalLight(const MDagPath& pPath, MStatus* oStatus = nullptr);
    MFn::Type type() const override { return MFn::kDirectionalLight; }
};

#endif
