#ifndef RYVKIT_FORMATS_GEOMETRY_DXF_KSTREAMOPTIONSDXF_H
#define RYVKIT_FORMATS_GEOMETRY_DXF_KSTREAMOPTIONSDXF_H

#include "io/KStreamOptionsBase.h"

// The option set of the DXF reader and writer. The reader reads options 1, 4 and 6 (through
// the derivation mode); the writer options 2 and 3. Option 5 is read by neither.
class KStreamOptionsDxf : public KStreamOptionsBase
{
    K_DECLARE_CLASS(KStreamOptionsDxf)

public:
    // Option indices.
    static constexpr int kCreateReferenceNode = 1;
    static constexpr int kForceTriangulation = 2;
    static constexpr int kEvaluateDeformations = 3;
    static constexpr int kWeldVertices = 4;
    static constexpr int kObjectDerivation = 5;
    static constexpr int kDerivationChoice = 6;

    // The values of option 6, as its display name "Layer~Block~Entity" lists them.
    static constexpr int kChoiceLayer = 0;
    static constexpr int kChoiceBlock = 1;
    static constexpr int kChoiceEntity = 2;

    // Derivation modes: how read entities become nodes.
    enum EDerivation : int { eByLayer = 0, eByEntity = 1, eByBlock = 2 };

    // The callbacks reset, then "Create Reference Node" 1, "Weld Vertices" 1, "Object
    // Derivation" 0, "Layer~Block~Entity" 0, "Force Triangulation" 1, "Evaluate Link/Shape
    // deformations" 1, and the derivation mode by layer.
    KStreamOptionsDxf();
    ~KStreamOptionsDxf() override = default;

    // Translates option 6 into the derivation mode and stores it: 0 by layer, 1 by block, 2 by
    // entity; any other value keeps the mode last stored. Answers the stored mode.
    int GetDerivationMode();

private:
    int mDerivationMode = eByLayer;
};

#endif
