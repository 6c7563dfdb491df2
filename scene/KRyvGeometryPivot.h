#ifndef RYVKIT_SCENE_KRYVGEOMETRYPIVOT_H
#define RYVKIT_SCENE_KRYVGEOMETRYPIVOT_H

#include "core/KMatrix.h"

// The part of a geometry attribute (mesh, NURBS surface, patch) that a node's pivot conversion
// edits: the pivot matrix applied to the control points before the node's own transform. The
// geometry classes implement it; the node reaches it through its attribute.
class KRyvGeometryPivot
{
public:
    virtual ~KRyvGeometryPivot() = default;

    // Copies the pivot into oPivot and returns oPivot.
    virtual KMatrix& GetPivot(KMatrix& oPivot) const = 0;
    virtual void SetPivot(const KMatrix& pPivot) = 0;
};

#endif
