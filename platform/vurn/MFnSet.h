#ifndef RYVKIT_PLATFORM_VURN_MFNSET_H
#define RYVKIT_PLATFORM_VURN_MFNSET_H

#include "platform/vurn/MFnDependencyNode.h"
#include "platform/vurn/MSelectionList.h"

// The function set of sets (shading groups, deformer sets): restriction and members.
class MFnSet : public MFnDependencyNode
{
public:
    enum Restriction : int {
        kNone = 0,
        kVerticesOnly = 1,
        kEdgesOnly = 2,
        kFacetsOnly = 3,
        kEditPointsOnly = 4,
        kRenderableOnly = 5,
    };

    MFnSet() = default;
    explicit MFnSet(const MObject& pObject, MStatus* oStatus = nullptr);
    MFn::Type type() const override { return MFn::kSet; }

    Restriction restriction(MStatus* oStatus = nullptr) const;
    // The members in the order added; pFlatten changes nothing, as sets of sets are not kept.
    MStatus getMembers(MSelectionList& oMembers, bool pFlatten) const;
    // Adds a member (path and optional component), recorded as a change.
    MStatus addMember(const MDagPath& pPath, const MObject& pComponent = MObject::kNullObj);
};

#endif
