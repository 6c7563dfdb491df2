#ifndef RYVKIT_PLATFORM_VURN_MFNBASE_H
#define RYVKIT_PLATFORM_VURN_MFNBASE_H

#include "platform/vurn/MObject.h"
#include "platform/vurn/MStatus.h"

// The base of the function sets: a function set attaches to an object that has its type and
// refuses (failure status, null object) any other.
class MFnBase
{
public:
    virtual ~MFnBase() = default;

    // The type an object must have for this function set.
    virtual MFn::Type type() const = 0;
    // Whether the set may attach to pObject: by default when it has type().
    virtual bool accepts(const MObject& pObject) const { return pObject.hasFn(type()); }
    MObject object() const { return mObject; }
    // Attaches to pObject; failure, leaving the set unattached, when pObject lacks type().
    MStatus setObject(const MObject& pObject);
    bool isAttached() const { return !mObject.isNull(); }

protected:
    // Attaches and reports through oStatus when given.
    void Attach(const MObject& pObject, MStatus* oStatus);
    // The node id of the attached object; -1 when it is not a node.
    int NodeId() const;

private:
    MObject mObject;
};

#endif
