#ifndef RYVKIT_PLATFORM_VURN_MFNATTRIBUTE_H
#define RYVKIT_PLATFORM_VURN_MFNATTRIBUTE_H

#include "platform/vurn/MFnBase.h"
#include "platform/vurn/VurnScene.h"

// The function sets of attributes: every attribute, numeric ones and compound ones.
class MFnAttribute : public MFnBase
{
public:
    MFnAttribute() = default;
    explicit MFnAttribute(const MObject& pObject, MStatus* oStatus = nullptr);
    MFn::Type type() const override { return MFn::kAttribute; }

    MString name() const;
    MString shortName() const;
    // The compound parent; null for a top attribute.
    MObject parent(MStatus* oStatus = nullptr) const;
    bool isUsedAsColor() const;
    bool isArray() const;
    bool isDynamic() const;

protected:
    const VurnAttribute* Definition() const;
};

// Attaches to numeric attributes (548) and to the three-component ones (721, 722), whose unit
// type is 12 or 15 and whose default is their children's three defaults.
class MFnNumericAttribute : public MFnAttribute
{
public:
    MFnNumericAttribute() = default;
    explicit MFnNumericAttribute(const MObject& pObject, MStatus* oStatus = nullptr);
    MFn::Type type() const override { return MFn::kNumericAttribute; }
    bool accepts(const MObject& pObject) const override;

    MFnNumericData::Type unitType(MStatus* oStatus = nullptr) const;
    MStatus getDefault(bool& oValue) const;
    MStatus getDefault(char& oValue) const;
    MStatus getDefault(int& oValue) const;
    MStatus getDefault(float& oValue) const;
    MStatus getDefault(double& oValue) const;
    // Failure for an attribute that does not have three components.
    MStatus getDefault(double& oFirst, double& oSecond, double& oThird) const;
    MStatus getDefault(float& oFirst, float& oSecond, float& oThird) const;
    bool hasSoftMin() const;
    bool hasSoftMax() const;
    // Failure when the attribute has no soft limit of that side.
    MStatus getSoftMin(double& oValue) const;
    MStatus getSoftMax(double& oValue) const;
};

class MFnCompoundAttribute : public MFnAttribute
{
public:
    MFnCompoundAttribute() = default;
    explicit MFnCompoundAttribute(const MObject& pObject, MStatus* oStatus = nullptr);
    MFn::Type type() const override { return MFn::kCompoundAttribute; }

    unsigned int numChildren() const;
    MObject child(unsigned int pIndex, MStatus* oStatus = nullptr) const;
};

#endif
