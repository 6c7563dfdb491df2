#ifndef RYVKIT_PLATFORM_VURN_MFNCOMPONENT_H
#define RYVKIT_PLATFORM_VURN_MFNCOMPONENT_H

#include "platform/vurn/MArrays.h"
#include "platform/vurn/MFnBase.h"
#include "platform/vurn/VurnScene.h"

// The function sets of components: element lists of mesh vertices or polygons (single index)
// and of NURBS control vertices (u, v). A complete component stands for every element of a
// given count without listing them.
class MFnComponent : public MFnBase
{
public:
    MFn::Type type() const override { return MFn::kComponent; }
    int elementCount() const;
    bool isComplete() const;

protected:
    // Creates a component of pType and attaches to it.
    MObject CreateComponent(MFn::Type pType, MStatus* oStatus);
    VurnComponent* Data() const;
};

class MFnSingleIndexedComponent : public MFnComponent
{
public:
    MFnSingleIndexedComponent() = default;
    explicit MFnSingleIndexedComponent(const MObject& pObject, MStatus* oStatus = nullptr);
    bool accepts(const MObject& pObject) const override;

    // pType must be a single-indexed kind (537 vertices or polygons).
    MObject create(MFn::Type pType, MStatus* oStatus = nullptr);
    MStatus addElement(int pElement);
    MStatus addElements(const MIntArray& pElements);
    // Makes the component stand for elements 0 to pCount - 1.
    MStatus setCompleteData(int pCount);
    // The elements (0 .. count - 1 for a complete component).
    MStatus getElements(MIntArray& oElements) const;
    int element(int pIndex, MStatus* oStatus = nullptr) const;
};

class MFnDoubleIndexedComponent : public MFnComponent
{
public:
    MFnDoubleIndexedComponent() = default;
    explicit MFnDoubleIndexedComponent(const MObject& pObject, MStatus* oStatus = nullptr);
    bool accepts(const MObject& pObject) const override;

    // pType must be the NURBS CV kind (525).
    MObject create(MFn::Type pType, MStatus* oStatus = nullptr);
    MStatus addElement(int pU, int pV);
    MStatus getElement(int pIndex, int& oU, int& oV) const;
};

#endif
