#include "formats/geometry/3ds/KStreamOptions3ds.h"

K_IMPLEMENT_CLASS(KStreamOptions3ds, KStreamOptionsBase)

namespace {

struct K3dsOptionDefault
{
    int mIndex;
    const char* mName;
    int mValue;
    int mWord1;
    int mWord3;
};

// In index order, as Reset fills them.
const K3dsOptionDefault kDefaults[] = {
    {KStreamOptions3ds::kCreateReferenceNode, "Create Reference Node", 0, 2, 0},
    {KStreamOptions3ds::kMaterials, "Materials", 1, 2, 0},
    {KStreamOptions3ds::kTextureMapping, "Texture Mapping", 1, 2, 7},
    {KStreamOptions3ds::kAnim, "Anim", 1, 2, 0},
    {KStreamOptions3ds::kGeometries, "Geometries", 1, 2, 0},
    {KStreamOptions3ds::kLights, "Lights", 1, 2, 0},
    {KStreamOptions3ds::kCamera, "Camera", 1, 2, 0},
    {KStreamOptions3ds::kAmbientLight, "Ambient Light", 1, 2, 0},
    {KStreamOptions3ds::kRescale, "Rescale", 1, 2, 0},
    {KStreamOptions3ds::kReduceKeys, "Reduce Keys", 0, 0, 0},
    {KStreamOptions3ds::kSmoothGroup, "Smooth Group", 1, 2, 0},
    {KStreamOptions3ds::kUVPerPolygon, "UV per polygon", 1, 1, 0},
};

} // namespace

KStreamOptions3ds::KStreamOptions3ds()
{
    Reset();
}

void KStreamOptions3ds::Reset()
{
    ResetCallbacks();
    for (const K3dsOptionDefault& lOption : kDefaults) {
        SetOptionValue(lOption.mIndex, lOption.mValue);
        SetOptionFlag(lOption.mIndex, 1);
        SetOptionWord(lOption.mIndex, 1, lOption.mWord1);
        SetOptionWord(lOption.mIndex, 2, 1);
        SetOptionName(lOption.mIndex, lOption.mName);
        SetOptionWord(lOption.mIndex, 3, lOption.mWord3);
    }
}
