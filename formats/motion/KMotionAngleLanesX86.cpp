// The dispatch of a build with the x86 forms: two lanes always, four where the processor has
// the wider registers (asked once, at run time).
#include "formats/motion/KMotionAngleLanes.h"

namespace {

bool HasFourLanes()
{
    static const bool kHas = __builtin_cpu_supports("avx");
    return kHas;
}

} // namespace

const KMotionAngleLanes& KMotionAngleLanes::Narrowest()
{
    return TwoLanes();
}

const KMotionAngleLanes& KMotionAngleLanes::Widest()
{
    return HasFourLanes() ? FourLanes() : TwoLanes();
}

std::vector<const KMotionAngleLanes*> KMotionAngleLanes::Available()
{
    std::vector<const KMotionAngleLanes*> lLanes = {&OneLane(), &TwoLanes()};
    if (HasFourLanes()) {
        lLanes.push_back(&FourLanes());
    }
    return lLanes;
}
