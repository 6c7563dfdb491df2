#include "formats/motion/KMotionQuickTrig.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kHalfPi = 1.5707963267948966;
// EulerToMatrixXYZ's factor, the same double.
constexpr double kLibraryDegToRad = 3.14159265358979323846 / 180.0;
constexpr double kQuartersPerRadian = 0.6366197723675814;
// pi / 2 in three parts, the first two of 33 bits.
constexpr double kQuarterTurn[3] = {1.5707963267341256, 6.077100506303966e-11,
                                    2.0222662487959506e-21};
// The coefficients of the series: 1 / 3!, 1 / 5!, ... 1 / 15! and 1 / 2!, 1 / 4!, ... 1 / 16!.
constexpr double kSineTerms[7] = {
    1.0 / 6.0,        1.0 / 120.0,        1.0 / 5040.0,         1.0 / 362880.0,
    1.0 / 39916800.0, 1.0 / 6227020800.0, 1.0 / 1307674368000.0};
constexpr double kCosineTerms[8] = {
    1.0 / 2.0,       1.0 / 24.0,        1.0 / 720.0,         1.0 / 40320.0,
    1.0 / 3628800.0, 1.0 / 479001600.0, 1.0 / 87178291200.0, 1.0 / 20922789888000.0};

// atan(k / 16) for k = 0 to 16, the nearest doubles.
constexpr double kAtanSixteenths[17] = {0.0,
                                        0.06241880999595735,
                                        0.12435499454676144,
                                        0.18534794999569476,
                                        0.24497866312686414,
                                        0.3028848683749714,
                                        0.35877067027057225,
                                        0.4124104415973873,
                                        0.4636476090008061,
                                        0.5123894603107377,
                                        0.5585993153435624,
                                        0.6022873461349642,
                                        0.6435011087932844,
                                        0.6823165548747481,
                                        0.7188299996216245,
                                        0.7531512809621944,
                                        0.7853981633974483};
constexpr double kSixteenths = 16.0;

} // namespace

#define RYV_MOTION_LANE_STEPS "formats/motion/KMotionQuickTrigSteps.inl"
#include "formats/motion/KMotionLaneWidths.inl"

#if RYV_MOTION_WIDE_LANES
#pragma GCC push_options
#pragma GCC target("avx2")

// The two-set forms in the wider registers, the sets joined into one group of four; two lanes
// take each set as it stands.
namespace {
namespace four {

// The two sets' halves, made one and back.
Lanes Joined(const KMotionLanes pHalves[2])
{
    return B::Join(pHalves[0], pHalves[1]);
}

void Split(Lanes pValue, KMotionLanes oHalves[2])
{
    oHalves[0] = B::First(pValue);
    oHalves[1] = B::Second(pValue);
}

void Atan2Sets(const KMotionLanes pY[2], const KMotionLanes pX[2], KMotionLanes oAngle[2])
{
    Split(Atan2Lanes(Joined(pY), Joined(pX)), oAngle);
}

void AsinSets(const KMotionLanes pZ[2], KMotionLanes oAngle[2])
{
    Split(AsinLanes(Joined(pZ)), oAngle);
}

void SinCosSets(const KMotionLanes pDegrees[2], KMotionLanes oSine[2], KMotionLanes oCosine[2])
{
    Lanes lSine;
    Lanes lCosine;
    SinCosLanes(Joined(pDegrees), lSine, lCosine);
    Split(lSine, oSine);
    Split(lCosine, oCosine);
}
} // namespace four

} // namespace

#pragma GCC pop_options
#endif

KMotionLanes KMotionQuickTrig::Atan2(KMotionLanes pY, KMotionLanes pX)
{
    return two::Atan2Lanes(pY, pX);
}

void KMotionQuickTrig::SinCos(KMotionLanes pDegrees, KMotionLanes& oSine, KMotionLanes& oCosine)
{
    two::SinCosLanes(pDegrees, oSine, oCosine);
}

KMotionLanes KMotionQuickTrig::Asin(KMotionLanes pZ)
{
    return two::AsinLanes(pZ);
}

double KMotionQuickTrig::Asin(double pZ)
{
    return Asin(KMotionLanes{pZ, pZ})[0];
}

double KMotionQuickTrig::Atan2(double pY, double pX)
{
    return Atan2(KMotionLanes{pY, pY}, KMotionLanes{pX, pX})[0];
}

void KMotionQuickTrig::SinCos(double pDegrees, double& oSine, double& oCosine)
{
    KMotionLanes lSine;
    KMotionLanes lCosine;
    SinCos(KMotionLanes{pDegrees, pDegrees}, lSine, lCosine);
    oSine = lSine[0];
    oCosine = lCosine[0];
}

void KMotionQuickTrig::Atan2(const KMotionLanes pY[2], const KMotionLanes pX[2],
                             KMotionLanes oAngle[2], KMotionLaneWidth pWidth)
{
#if RYV_MOTION_WIDE_LANES
    if (TakesWideLanes(pWidth)) {
        four::Atan2Sets(pY, pX, oAngle);
        return;
    }
#endif
    for (int h = 0; h < 2; ++h) {
        oAngle[h] = Atan2(pY[h], pX[h]);
    }
}

void KMotionQuickTrig::SinCos(const KMotionLanes pDegrees[2], KMotionLanes oSine[2],
                              KMotionLanes oCosine[2], KMotionLaneWidth pWidth)
{
#if RYV_MOTION_WIDE_LANES
    if (TakesWideLanes(pWidth)) {
        four::SinCosSets(pDegrees, oSine, oCosine);
        return;
    }
#endif
    for (int h = 0; h < 2; ++h) {
        SinCos(pDegrees[h], oSine[h], oCosine[h]);
    }
}

void KMotionQuickTrig::Asin(const KMotionLanes pZ[2], KMotionLanes oAngle[2],
                            KMotionLaneWidth pWidth)
{
#if RYV_MOTION_WIDE_LANES
    if (TakesWideLanes(pWidth)) {
        four::AsinSets(pZ, oAngle);
        return;
    }
#endif
    for (int h = 0; h < 2; ++h) {
        oAngle[h] = Asin(pZ[h]);
    }
}

void KMotionQuickTrig::SinCos(int pCount, const double* pDegrees, double* oSine, double* oCosine,
                              KMotionLaneWidth pWidth)
{
#if RYV_MOTION_WIDE_LANES
    if (TakesWideLanes(pWidth)) {
        four::SinCosBlock(pCount, pDegrees, oSine, oCosine);
        return;
    }
#endif
    two::SinCosBlock(pCount, pDegrees, oSine, oCosine);
}

void KMotionQuickTrig::Atan2(int pCount, const double* pY, const double* pX, double* oAngle,
                             KMotionLaneWidth pWidth)
{
#if RYV_MOTION_WIDE_LANES
    if (TakesWideLanes(pWidth)) {
        four::Atan2Block(pCount, pY, pX, oAngle);
        return;
    }
#endif
    two::Atan2Block(pCount, pY, pX, oAngle);
}

void KMotionQuickTrig::Asin(int pCount, const double* pZ, double* oAngle, KMotionLaneWidth pWidth)
{
#if RYV_MOTION_WIDE_LANES
    if (TakesWideLanes(pWidth)) {
        four::AsinBlock(pCount, pZ, oAngle);
        return;
    }
#endif
    two::AsinBlock(pCount, pZ, oAngle);
}
