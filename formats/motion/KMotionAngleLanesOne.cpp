// The block forms of KMotionAngles in one lane, on SLEEF's portable forms: built on every
// processor, and the only lanes of a portable build.
#include "formats/motion/KMotionAngleLanes.h"

#include "formats/motion/KMotionAngleLoops.h"

#include <sleef.h>

namespace {

struct Lanes
{
    using Vector = double;
    static constexpr int kWidth = 1;

    static Vector LoadWhole(const double* pValues) { return *pValues; }
    static void StoreWhole(double* oValues, Vector pLanes) { *oValues = pLanes; }
    static Vector Splat(double pValue) { return pValue; }
    static Vector Multiply(Vector pA, Vector pB) { return pA * pB; }
    static auto SinCos(Vector pRadians) { return Sleef_cinz_sincosd1_u10purec(pRadians); }
    static Vector Atan2(Vector pY, Vector pX) { return Sleef_cinz_atan2d1_u10purec(pY, pX); }
    static Vector Asin(Vector pZ) { return Sleef_cinz_asind1_u10purec(pZ); }
};

using Loops = KMotionAngleLoops<Lanes>;

} // namespace

const KMotionAngleLanes& KMotionAngleLanes::OneLane()
{
    static constexpr KMotionAngleLanes kLanes = {Loops::SinCos, Loops::Atan2, Loops::Asin};
    return kLanes;
}
