#ifndef RYVKIT_PLATFORM_VURN_MFNDEPENDENCYNODE_H
#define RYVKIT_PLATFORM_VURN_MFNDEPENDENCYNODE_H

#include "platform/vurn/MFnBase.h"
#include "platform/vurn/MPlug.h"
#include "platform/vurn/MVector.h"

#include <string>

// The function set of every node: name, attributes and plugs.
class MFnDependencyNode : public MFnBase
{
public:
    // Attribute classes (attributeClass).
    enum MAttrClass : int {
        kInvalidAttr = 0,
        kNormalAttr = 1,
        kLocalDynamicAttr = 2,
    };

    MFnDependencyNode() = default;
    explicit MFnDependencyNode(const MObject& pObject, MStatus* oStatus = nullptr);
    MFn::Type type() const override { return MFn::kDependencyNode; }

    // Creates a node of pType named pName (made unique); a null object on failure.
    MObject create(MFn::Type pType, const MString& pName, MStatus* oStatus = nullptr);
    MString name(MStatus* oStatus = nullptr) const;
    MString setName(const MString& pName, MStatus* oStatus = nullptr);
    MString typeName() const;
    // The plug of pName, which may address elements and children ("wl[2].weights[0]").
    MPlug findPlug(const MString& pName, MStatus* oStatus = nullptr) const;
    MPlug findPlug(const MObject& pAttribute, MStatus* oStatus = nullptr) const;
    MObject attribute(const MString& pName, MStatus* oStatus = nullptr) const;
    unsigned int attributeCount(MStatus* oStatus = nullptr) const;
    MObject attribute(unsigned int pIndex, MStatus* oStatus = nullptr) const;
    MAttrClass attributeClass(const MObject& pAttribute, MStatus* oStatus = nullptr) const;
    bool hasAttribute(const MString& pName) const;
    bool isIntermediateObject() const;

protected:
    // The number on plug pPlug of the attached node; 0 when it has none.
    double Number(const std::string& pPlug) const;
    // A colour from the three plugs pPlug + pSuffixes.
    MColor Color(const std::string& pPlug, const char* pSuffixes = "RGB") const;
    MStatus SetNumber(const std::string& pPlug, double pValue);
    MStatus SetColor(const std::string& pPlug, const MColor& pColor);
};

#endif
