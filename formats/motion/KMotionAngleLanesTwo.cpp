// The block forms of KMotionAngles in two lanes, on the registers every x86-64 processor has.
#include "formats/motion/KMotionAngleLanes.h"

#include "formats/motion/KMotionAngleLoops.h"

#include <immintrin.h>
#include <sleef.h>

namespace {

struct Lanes
{
    using Vector = __m128d;
    static constexpr int kWidth = 2;

    static Vector LoadWhole(const double* pValues) { return _mm_loadu_pd(pValues); }
    static void StoreWhole(double* oValues, Vector pLanes) { _mm_storeu_pd(oValues, pLanes); }
    static Vector Splat(double pValue) { return _mm_set1_pd(pValue); }
    static Vector Multiply(Vector pA, Vector pB) { return _mm_mul_pd(pA, pB); }
    static auto SinCos(Vector pRadians) { return Sleef_cinz_sincosd2_u10sse2(pRadians); }
    static Vector Atan2(Vector pY, Vector pX) { return Sleef_cinz_atan2d2_u10sse2(pY, pX); }
    static Vector Asin(Vector pZ) { return Sleef_cinz_asind2_u10sse2(pZ); }
};

using Loops = KMotionAngleLoops<Lanes>;

} // namespace

const KMotionAngleLanes& KMotionAngleLanes::TwoLanes()
{
    static constexpr KMotionAngleLanes kLanes = {Loops::SinCos, Loops::Atan2, Loops::Asin};
    return kLanes;
}
