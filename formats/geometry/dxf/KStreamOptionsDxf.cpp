#include "formats/geometry/dxf/KStreamOptionsDxf.h"

K_IMPLEMENT_CLASS(KStreamOptionsDxf, KStreamOptionsBase)

namespace {

struct KDxfOptionDefault
{
    int mIndex;
    int mValue;
    const char* mName;
};

// In the order the records are filled.
const KDxfOptionDefault kDefaults[] = {
    {KStreamOptionsDxf::kCreateReferenceNode, 1, "Create Reference Node"},
    {KStreamOptionsDxf::kWeldVertices, 1, "Weld Vertices"},
    {KStreamOptionsDxf::kObjectDerivation, 0, "Object Derivation"},
    {KStreamOptionsDxf::kDerivationChoice, 0, "Layer~Block~Entity"},
    {KStreamOptionsDxf::kForceTriangulation, 1, "Force Triangulation"},
    {KStreamOptionsDxf::kEvaluateDeformations, 1, "Evaluate Link/Shape deformations"},
};

} // namespace

KStreamOptionsDxf::KStreamOptionsDxf()
{
    ResetCallbacks();
    for (const KDxfOptionDefault& lOption : kDefaults) {
        SetOptionValue(lOption.mIndex, lOption.mValue);
        SetOptionName(lOption.mIndex, lOption.mName);
    }
}

int KStreamOptionsDxf::GetDerivationMode()
{
    switch (GetOptionValue(kDerivationChoice)) {
    case kChoiceLayer:
        mDerivationMode = eByLayer;
        break;
    case kChoiceBlock:
        mDerivationMode = eByBlock;
        break;
    case kChoiceEntity:
        mDerivationMode = eByEntity;
        break;
    default:
        break;
    }
    return mDerivationMode;
}
