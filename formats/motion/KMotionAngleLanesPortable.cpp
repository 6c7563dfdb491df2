// The dispatch of a portable build: the one lane, for blocks and single values alike.
#include "formats/motion/KMotionAngleLanes.h"

const KMotionAngleLanes& KMotionAngleLanes::Narrowest()
{
    return OneLane();
}

const KMotionAngleLanes& KMotionAngleLanes::Widest()
{
    return OneLane();
}

std::vector<const KMotionAngleLanes*> KMotionAngleLanes::Available()
{
    return {&OneLane()};
}
