#ifndef RYVKIT_PLATFORM_VURN_MOBJECT_H
#define RYVKIT_PLATFORM_VURN_MOBJECT_H

#include "platform/vurn/MArray.h"
#include "platform/vurn/MFn.h"

// A handle on something of the host scene: a node, an attribute, a data object or a component.
// A handle whose node has been deleted is null.
class MObject
{
public:
    enum Kind : int { kNone, kNode, kAttribute, kData, kComponent };

    MObject() = default;
    static MObject node(int pId) { return MObject(kNode, pId); }
    static MObject attribute(int pId) { return MObject(kAttribute, pId); }
    static MObject data(int pId) { return MObject(kData, pId); }
    static MObject component(int pId) { return MObject(kComponent, pId); }

    bool isNull() const;
    // The leaf type code; kInvalid for a null handle.
    MFn::Type apiType() const;
    // True when pType is the leaf type or one of its ancestors.
    bool hasFn(MFn::Type pType) const;
    bool operator==(const MObject& pOther) const
    {
        return mKind == pOther.mKind && mId == pOther.mId;
    }
    bool operator!=(const MObject& pOther) const { return !(*this == pOther); }

    Kind kind() const { return mKind; }
    int id() const { return mId; }

    static const MObject kNullObj;

private:
    MObject(Kind pKind, int pId) : mKind(pKind), mId(pId) {}

    Kind mKind = kNone;
    int mId = -1;
};

using MObjectArray = MArray<MObject>;

#endif
