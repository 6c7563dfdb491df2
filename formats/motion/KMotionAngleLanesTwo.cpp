// The block forms of KMotionAngles in two lanes, on the registers every 64-bit processor has.
#include "formats/motion/KMotionAngleLanes.h"

#include "formats/motion/KMotionAngles.h"

#include <immintrin.h>
#include <sleef.h>

#include <cstring>

namespace {

constexpr int kWidth = 2;

// The lanes of the values from pFirst; past pCount they hold zeros, whose answers are dropped.
__m128d Load(const double* pValues, int pFirst, int pCount)
{
    if (pCount - pFirst >= kWidth) {
        return _mm_loadu_pd(pValues + pFirst);
    }
    double lValues[kWidth] = {};
    const int lTaken = pCount - pFirst < kWidth ? pCount - pFirst : kWidth;
    std::memcpy(lValues, pValues + pFirst, sizeof(double) * static_cast<unsigned>(lTaken));
    return _mm_loadu_pd(lValues);
}

void Store(__m128d pLanes, int pFirst, int pCount, double* oValues)
{
    if (pCount - pFirst >= kWidth) {
        _mm_storeu_pd(oValues + pFirst, pLanes);
        return;
    }
    double lValues[kWidth];
    _mm_storeu_pd(lValues, pLanes);
    const int lTaken = pCount - pFirst < kWidth ? pCount - pFirst : kWidth;
    std::memcpy(oValues + pFirst, lValues, sizeof(double) * static_cast<unsigned>(lTaken));
}

void SinCos(int pCount, const double* pDegrees, double* oSine, double* oCosine)
{
    const __m128d lDegToRad = _mm_set1_pd(KMotionAngles::kDegToRad);
    for (int i = 0; i < pCount; i += kWidth) {
        const auto lSinCos = Sleef_cinz_sincosd2_u10sse2(_mm_mul_pd(Load(pDegrees, i, pCount), lDegToRad));
        Store(lSinCos.x, i, pCount, oSine);
        Store(lSinCos.y, i, pCount, oCosine);
    }
}

void Atan2(int pCount, const double* pY, const double* pX, double* oDegrees)
{
    const __m128d lRadToDeg = _mm_set1_pd(KMotionAngles::kRadToDeg);
    for (int i = 0; i < pCount; i += kWidth) {
        const __m128d lRadians = Sleef_cinz_atan2d2_u10sse2(Load(pY, i, pCount), Load(pX, i, pCount));
        Store(_mm_mul_pd(lRadians, lRadToDeg), i, pCount, oDegrees);
    }
}

void Asin(int pCount, const double* pZ, double* oDegrees)
{
    const __m128d lRadToDeg = _mm_set1_pd(KMotionAngles::kRadToDeg);
    for (int i = 0; i < pCount; i += kWidth) {
        const __m128d lRadians = Sleef_cinz_asind2_u10sse2(Load(pZ, i, pCount));
        Store(_mm_mul_pd(lRadians, lRadToDeg), i, pCount, oDegrees);
    }
}

} // namespace

const KMotionAngleLanes& KMotionAngleLanes::TwoLanes()
{
    static constexpr KMotionAngleLanes kLanes = {SinCos, Atan2, Asin};
    return kLanes;
}
