// The block forms of KMotionAngles in four lanes, built for the wider registers (the build adds
// their flag to this file alone) and called only where the processor has them.
#include "formats/motion/KMotionAngleLanes.h"

#include "formats/motion/KMotionAngles.h"

#include <immintrin.h>
#include <sleef.h>

#include <cstring>

namespace {

constexpr int kWidth = 4;

// The lanes of the values from pFirst; past pCount they hold zeros, whose answers are dropped.
__m256d Load(const double* pValues, int pFirst, int pCount)
{
    if (pCount - pFirst >= kWidth) {
        return _mm256_loadu_pd(pValues + pFirst);
    }
    double lValues[kWidth] = {};
    const int lTaken = pCount - pFirst < kWidth ? pCount - pFirst : kWidth;
    std::memcpy(lValues, pValues + pFirst, sizeof(double) * static_cast<unsigned>(lTaken));
    return _mm256_loadu_pd(lValues);
}

void Store(__m256d pLanes, int pFirst, int pCount, double* oValues)
{
    if (pCount - pFirst >= kWidth) {
        _mm256_storeu_pd(oValues + pFirst, pLanes);
        return;
    }
    double lValues[kWidth];
    _mm256_storeu_pd(lValues, pLanes);
    const int lTaken = pCount - pFirst < kWidth ? pCount - pFirst : kWidth;
    std::memcpy(oValues + pFirst, lValues, sizeof(double) * static_cast<unsigned>(lTaken));
}

void SinCos(int pCount, const double* pDegrees, double* oSine, double* oCosine)
{
    const __m256d lDegToRad = _mm256_set1_pd(KMotionAngles::kDegToRad);
    for (int i = 0; i < pCount; i += kWidth) {
        const auto lSinCos = Sleef_cinz_sincosd4_u10avx(_mm256_mul_pd(Load(pDegrees, i, pCount), lDegToRad));
        Store(lSinCos.x, i, pCount, oSine);
        Store(lSinCos.y, i, pCount, oCosine);
    }
}

void Atan2(int pCount, const double* pY, const double* pX, double* oDegrees)
{
    const __m256d lRadToDeg = _mm256_set1_pd(KMotionAngles::kRadToDeg);
    for (int i = 0; i < pCount; i += kWidth) {
        const __m256d lRadians = Sleef_cinz_atan2d4_u10avx(Load(pY, i, pCount), Load(pX, i, pCount));
        Store(_mm256_mul_pd(lRadians, lRadToDeg), i, pCount, oDegrees);
    }
}

void Asin(int pCount, const double* pZ, double* oDegrees)
{
    const __m256d lRadToDeg = _mm256_set1_pd(KMotionAngles::kRadToDeg);
    for (int i = 0; i < pCount; i += kWidth) {
        const __m256d lRadians = Sleef_cinz_asind4_u10avx(Load(pZ, i, pCount));
        Store(_mm256_mul_pd(lRadians, lRadToDeg), i, pCount, oDegrees);
    }
}

} // namespace

const KMotionAngleLanes& KMotionAngleLanes::FourLanes()
{
    static constexpr KMotionAngleLanes kLanes = {SinCos, Atan2, Asin};
    return kLanes;
}
