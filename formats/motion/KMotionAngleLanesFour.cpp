// The block forms of KMotionAngles in four lanes, built for the wider registers (the build adds
// their flag to this file alone) and called only where the processor has them.
#include "formats/motion/KMotionAngleLanes.h"

#include "formats/motion/KMotionAngleLoops.h"

#include <immintrin.h>
#include <sleef.h>

namespace {

struct Lanes
{
    using Vector = __m256d;
    static constexpr int kWidth = 4;

    static Vector LoadWhole(const double* pValues) { return _mm256_loadu_pd(pValues); }
    static void StoreWhole(double* oValues, Vector pLanes) { _mm256_storeu_pd(oValues, pLanes); }
    static Vector Splat(double pValue) { return _mm256_set1_pd(pValue); }
    static Vector Multiply(Vector pA, Vector pB) { return _mm256_mul_pd(pA, pB); }
    static auto SinCos(Vector pRadians) { return Sleef_cinz_sincosd4_u10avx(pRadians); }
    static Vector Atan2(Vector pY, Vector pX) { return Sleef_cinz_atan2d4_u10avx(pY, pX); }
    static Vector Asin(Vector pZ) { return Sleef_cinz_asind4_u10avx(pZ); }
};

using Loops = KMotionAngleLoops<Lanes>;

} // namespace

const KMotionAngleLanes& KMotionAngleLanes::FourLanes()
{
    static constexpr KMotionAngleLanes kLanes = {Loops::SinCos, Loops::Atan2, Loops::Asin};
    return kLanes;
}
