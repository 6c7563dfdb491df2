#include "platform/vurn/MFnAttribute.h"

#include "platform/vurn/VurnStatus.h"

MFnAttribute::MFnAttribute(const MObject& pObject, MStatus* oStatus)
{
    Attach(pObject, oStatus);
}

const VurnAttribute* MFnAttribute::Definition() const
{
    return isAttached() ? VurnScene::Get().Attribute(object().id()) : nullptr;
}

MString MFnAttribute::name() const
{
    return Definition() ? MString(Definition()->mName) : MString();
}

MString MFnAttribute::shortName() const
{
    return Definition() ? MString(Definition()->mShortName) : MString();
}

MObject MFnAttribute::parent(MStatus* oStatus) const
{
    const VurnAttribute* lDefinition = Definition();
    if (!lDefinition || lDefinition->mParent < 0) {
        VurnReport(oStatus, VurnFailure("no parent attribute"));
        return MObject();
    }
    VurnReport(oStatus, MStatus());
    return MObject::attribute(lDefinition->mParent);
}

bool MFnAttribute::isUsedAsColor() const
{
    return Definition() && Definition()->mUsedAsColor;
}

bool MFnAttribute::isArray() const
{
    return Definition() && Definition()->mArray;
}

bool MFnAttribute::isDynamic() const
{
    return Definition() && Definition()->mDynamic;
}

MFnNumericAttribute::MFnNumericAttribute(const MObject& pObject, MStatus* oStatus)
{
    Attach(pObject, oStatus);
}

bool MFnNumericAttribute::accepts(const MObject& pObject) const
{
    return pObject.hasFn(MFn::kNumericAttribute) || pObject.hasFn(MFn::kAttribute3Double) ||
           pObject.hasFn(MFn::kAttribute3Float);
}

MStatus MFnNumericAttribute::getDefault(double& oFirst, double& oSecond, double& oThird) const
{
    const VurnAttribute* lDefinition = Definition();
    if (!lDefinition || lDefinition->mChildren.size() != 3) {
        return VurnFailure("not a three-component attribute");
    }
    double* const lValues[3] = {&oFirst, &oSecond, &oThird};
    for (int lIndex = 0; lIndex < 3; ++lIndex) {
        *lValues[lIndex] = VurnScene::Get().Attribute(lDefinition->mChildren[lIndex])->mDefault;
    }
    return MStatus();
}

MStatus MFnNumericAttribute::getDefault(float& oFirst, float& oSecond, float& oThird) const
{
    double lValues[3] = {0.0, 0.0, 0.0};
    const MStatus lStatus = getDefault(lValues[0], lValues[1], lValues[2]);
    oFirst = static_cast<float>(lValues[0]);
    oSecond = static_cast<float>(lValues[1]);
    oThird = static_cast<float>(lValues[2]);
    return lStatus;
}

MFnNumericData::Type MFnNumericAttribute::unitType(MStatus* oStatus) const
{
    VurnReport(oStatus, Definition() ? MStatus() : VurnFailure("not attached"));
    return Definition() ? static_cast<MFnNumericData::Type>(Definition()->mUnitType)
                        : MFnNumericData::kInvalid;
}

MStatus MFnNumericAttribute::getDefault(double& oValue) const
{
    if (!Definition()) {
        return VurnFailure("not attached");
    }
    oValue = Definition()->mDefault;
    return MStatus();
}

MStatus MFnNumericAttribute::getDefault(bool& oValue) const
{
    double lValue = 0.0;
    const MStatus lStatus = getDefault(lValue);
    oValue = lValue != 0.0;
    return lStatus;
}

MStatus MFnNumericAttribute::getDefault(char& oValue) const
{
    double lValue = 0.0;
    const MStatus lStatus = getDefault(lValue);
    oValue = static_cast<char>(static_cast<int>(lValue));
    return lStatus;
}

MStatus MFnNumericAttribute::getDefault(int& oValue) const
{
    double lValue = 0.0;
    const MStatus lStatus = getDefault(lValue);
    oValue = static_cast<int>(lValue);
    return lStatus;
}

MStatus MFnNumericAttribute::getDefault(float& oValue) const
{
    double lValue = 0.0;
    const MStatus lStatus = getDefault(lValue);
    oValue = static_cast<float>(lValue);
    return lStatus;
}

bool MFnNumericAttribute::hasSoftMin() const
{
    return Definition() && Definition()->mHasSoftMin;
}

bool MFnNumericAttribute::hasSoftMax() const
{
    return Definition() && Definition()->mHasSoftMax;
}

MStatus MFnNumericAttribute::getSoftMin(double& oValue) const
{
    if (!hasSoftMin()) {
        return VurnFailure("no soft minimum");
    }
    oValue = Definition()->mSoftMin;
    return MStatus();
}

MStatus MFnNumericAttribute::getSoftMax(double& oValue) const
{
    if (!hasSoftMax()) {
        return VurnFailure("no soft maximum");
    }
    oValue = Definition()->mSoftMax;
    return MStatus();
}

MFnCompoundAttribute::MFnCompoundAttribute(const MObject& pObject, MStatus* oStatus)
{
    Attach(pObject, oStatus);
}

unsigned int MFnCompoundAttribute::numChildren() const
{
    return Definition() ? static_cast<unsigned int>(Definition()->mChildren.size()) : 0;
}

MObject MFnCompoundAttribute::child(unsigned int pIndex, MStatus* oStatus) const
{
    if (pIndex >= numChildren()) {
        VurnReport(oStatus, VurnFailure("child index out of range"));
        return MObject();
    }
    VurnReport(oStatus, MStatus());
    return MObject::attribute(Definition()->mChildren[pIndex]);
}
