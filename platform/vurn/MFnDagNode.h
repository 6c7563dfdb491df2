#ifndef RYVKIT_PLATFORM_VURN_MFNDAGNODE_H
#define RYVKIT_PLATFORM_VURN_MFNDAGNODE_H

#include "platform/vurn/MDagPath.h"
#include "platform/vurn/MFnDependencyNode.h"

// The function set of DAG nodes. Attached through a path it keeps that path; attached to an
// object it uses the object's first path where one is needed.
class MFnDagNode : public MFnDependencyNode
{
public:
    MFnDagNode() = default;
    explicit MFnDagNode(const MObject& pObject, MStatus* oStatus = nullptr);
    explicit MFnDagNode(const MDagPath& pPath, MStatus* oStatus = nullptr);
    MFn::Type type() const override { return MFn::kDagNode; }

    // Attaches to the path's node and keeps the path.
    MStatus setObject(const MDagPath& pPath);
    MStatus setObject(const MObject& pObject);
    MString fullPathName(MStatus* oStatus = nullptr) const;
    MStatus getPath(MDagPath& oPath) const;
    MDagPath dagPath(MStatus* oStatus = nullptr) const;
    unsigned int parentCount(MStatus* oStatus = nullptr) const;
    // Parent pIndex; the world node for top-level nodes.
    MObject parent(unsigned int pIndex, MStatus* oStatus = nullptr) const;
    unsigned int childCount(MStatus* oStatus = nullptr) const;
    MObject child(unsigned int pIndex, MStatus* oStatus = nullptr) const;
    bool isInstanced() const;

protected:
    // Attaches as setObject(pPath) and reports through oStatus.
    void AttachPath(const MDagPath& pPath, MStatus* oStatus);
    const MDagPath& KeptPath() const { return mPath; }

private:
    MDagPath mPath;
};

#endif
