#ifndef RYVKIT_PLATFORM_VURN_MPLUG_H
#define RYVKIT_PLATFORM_VURN_MPLUG_H

#include "platform/vurn/MArray.h"
#include "platform/vurn/MObject.h"
#include "platform/vurn/MStatus.h"
#include "platform/vurn/VurnScene.h"

class MPlug;
using MPlugArray = MArray<MPlug>;

// One attribute of one node, down to array elements (by logical index) and compound children.
// An array plug as a whole has no element selected; its elements go by ascending logical index.
class MPlug
{
public:
    MPlug() = default;
    MPlug(const MObject& pNode, const MObject& pAttribute);
    // A plug at a store address (used by the stand-in's own classes).
    MPlug(int pNode, const VurnPlugPath& pPath) : mNode(pNode), mPath(pPath) {}

    bool isNull() const;
    MObject node() const;
    MObject attribute() const;
    // "node.attr[i].child" with the node's name and long attribute names.
    MString name() const;
    // As name() but the node's full path for DAG nodes, so that getAttr finds it.
    MString info() const;
    MString partialName() const;

    // Values: numeric plugs as any number type, text plugs as strings, data plugs as objects.
    MStatus getValue(bool& oValue) const;
    MStatus getValue(char& oValue) const;
    MStatus getValue(int& oValue) const;
    MStatus getValue(float& oValue) const;
    MStatus getValue(double& oValue) const;
    MStatus getValue(MString& oValue) const;
    MStatus getValue(MObject& oValue) const;
    double asDouble(MStatus* oStatus = nullptr) const;
    MStatus setValue(double pValue);
    MStatus setValue(int pValue) { return setValue(static_cast<double>(pValue)); }
    MStatus setValue(bool pValue) { return setValue(pValue ? 1.0 : 0.0); }
    MStatus setValue(const MString& pValue);

    // The plugs at the other ends of this plug's connections: its sources with pAsDestination,
    // its destinations with pAsSource.
    bool connectedTo(MPlugArray& oPlugs, bool pAsDestination, bool pAsSource,
                     MStatus* oStatus = nullptr) const;
    bool isConnected() const;

    bool isArray() const;
    bool isElement() const;
    bool isCompound() const;
    unsigned int numElements(MStatus* oStatus = nullptr) const;
    MPlug elementByPhysicalIndex(unsigned int pIndex, MStatus* oStatus = nullptr) const;
    MPlug elementByLogicalIndex(unsigned int pIndex, MStatus* oStatus = nullptr) const;
    unsigned int logicalIndex(MStatus* oStatus = nullptr) const;
    unsigned int numChildren() const;
    MPlug child(unsigned int pIndex, MStatus* oStatus = nullptr) const;
    MPlug child(const MObject& pAttribute, MStatus* oStatus = nullptr) const;
    // The compound parent of a child plug; null otherwise.
    MPlug parent() const;
    // The array plug of an element plug; null otherwise.
    MPlug array() const;
    // Sets the logical index of pAttribute, an array ancestor of this plug (or the plug itself);
    // a null pAttribute stands for the plug's own attribute.
    MStatus selectAncestorLogicalIndex(unsigned int pIndex, const MObject& pAttribute = MObject());

    bool operator==(const MPlug& pOther) const
    {
        return mNode == pOther.mNode && mPath == pOther.mPath;
    }

    int nodeId() const { return mNode; }
    const VurnPlugPath& path() const { return mPath; }

private:
    // The plug's value when it holds a number; failure otherwise.
    MStatus Number(double& oValue) const;
    const VurnAttribute* Definition() const;
    MString NameWith(const std::string& pNodeName) const;

    int mNode = -1;
    VurnPlugPath mPath;
};

#endif
