#include "formats/geometry/obj/KStreamOptionsObj.h"

K_IMPLEMENT_CLASS(KStreamOptionsObj, KStreamOptionsBase)

namespace {

struct KObjOptionDefault
{
    int mIndex;
    const char* mName;
    int mValue;
    int mWord1;
};

const KObjOptionDefault kDefaults[] = {
    {KStreamOptionsObj::kCreateReferenceNode, "Create Reference Node", 1, 0},
    {KStreamOptionsObj::kForceTriangulation, "Force Triangulation", 0, 1},
    {KStreamOptionsObj::kEvaluateDeformations, "Evaluate Link/Shape deformations", 1, 1},
};

} // namespace

KStreamOptionsObj::KStreamOptionsObj()
{
    Reset();
}

void KStreamOptionsObj::Reset()
{
    ResetCallbacks();
    for (const KObjOptionDefault& lOption : kDefaults) {
        SetOptionName(lOption.mIndex, lOption.mName);
        SetOptionValue(lOption.mIndex, lOption.mValue);
        SetOptionFlag(lOption.mIndex, 1);
        SetOptionWord(lOption.mIndex, 1, lOption.mWord1);
        SetOptionWord(lOption.mIndex, 2, 1);
        SetOptionWord(lOption.mIndex, 3, 0);
    }
}
