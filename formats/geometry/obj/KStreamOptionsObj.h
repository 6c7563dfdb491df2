#ifndef RYVKIT_FORMATS_GEOMETRY_OBJ_KSTREAMOPTIONSOBJ_H
#define RYVKIT_FORMATS_GEOMETRY_OBJ_KSTREAMOPTIONSOBJ_H

#include "io/KStreamOptionsBase.h"

// The option set of the OBJ reader and writer. The reader reads option 1 only, the writer
// options 2 and 3 only; options 4 to 17 stay at value 0 with an empty name.
class KStreamOptionsObj : public KStreamOptionsBase
{
    K_DECLARE_CLASS(KStreamOptionsObj)

    // Option indices.
    static constexpr int kCreateReferenceNode = 1;
    static constexpr int kForceTriangulation = 2;
    static constexpr int kEvaluateDeformations = 3;

    KStreamOptionsObj();
    ~KStreamOptionsObj() override = default;

    // The callbacks back to their defaults, then the three options to their defaults:
    // "Create Reference Node" 1, "Force Triangulation" 0, "Evaluate Link/Shape deformations" 1.
    void Reset() override;
};

#endif
