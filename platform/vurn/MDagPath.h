#ifndef RYVKIT_PLATFORM_VURN_MDAGPATH_H
#define RYVKIT_PLATFORM_VURN_MDAGPATH_H

#include "platform/vurn/MArray.h"
#include "platform/vurn/MMatrix.h"
#include "platform/vurn/MObject.h"
#include "platform/vurn/MStatus.h"
#include "platform/vurn/VurnScene.h"

class MDagPath;
using MDagPathArray = MArray<MDagPath>;

// One path through the DAG from a top-level node down to a node; an instanced node has one
// path per instance. A transform path answers type queries for its shape too (see VurnScene.h).
class MDagPath
{
public:
    MDagPath() = default;
    explicit MDagPath(const VurnPath& pNodes) : mNodes(pNodes) {}

    // The first path to pObject in walk order; failure for an object that is not a DAG node.
    static MStatus getAPathTo(const MObject& pObject, MDagPath& oPath);
    static MStatus getAllPathsTo(const MObject& pObject, MDagPathArray& oPaths);

    bool isValid() const;
    bool hasFn(MFn::Type pType) const;
    MFn::Type apiType() const;
    MObject node(MStatus* oStatus = nullptr) const;
    // The last transform of the path: the node itself or its parent on the path.
    MObject transform(MStatus* oStatus = nullptr) const;
    unsigned int childCount() const;
    MObject child(unsigned int pIndex, MStatus* oStatus = nullptr) const;
    MStatus push(const MObject& pChild);
    MStatus pop(unsigned int pCount = 1);
    unsigned int length() const { return static_cast<unsigned int>(mNodes.size()); }
    MString fullPathName(MStatus* oStatus = nullptr) const;
    MString partialPathName() const;
    // Extends a transform path to its first shape that is not intermediate; a shape path
    // stays; failure otherwise.
    MStatus extendToShape();
    bool isInstanced() const;
    unsigned int instanceNumber(MStatus* oStatus = nullptr) const;
    // The product of the transforms of the path, the node's own included or not.
    MMatrix inclusiveMatrix() const;
    MMatrix exclusiveMatrix() const;
    bool operator==(const MDagPath& pOther) const { return mNodes == pOther.mNodes; }
    bool operator!=(const MDagPath& pOther) const { return mNodes != pOther.mNodes; }

    const VurnPath& nodes() const { return mNodes; }
    // The first child shape of pNode that is not intermediate; -1 when none.
    static int FirstShape(int pNode);

private:
    VurnPath mNodes;
};

#endif
