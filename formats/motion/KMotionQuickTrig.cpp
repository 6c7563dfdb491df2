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

// Two sets of two lanes are four values in a row, which the block loops take as a block (they
// load and store through memcpy).
constexpr int kSetValues = 4;

const double* ValuesOf(const KMotionLanes pSets[2])
{
    return reinterpret_cast<const double*>(pSets);
}

double* ValuesOf(KMotionLanes pSets[2])
{
    return reinterpret_cast<double*>(pSets);
}

} // namespace

#define RYV_MOTION_LANE_STEPS "formats/motion/KMotionQuickTrigSteps.inl"
#include "formats/motion/KMotionLaneWidths.inl"

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
    Atan2(kSetValues, ValuesOf(pY), ValuesOf(pX), ValuesOf(oAngle), pWidth);
}

void KMotionQuickTrig::SinCos(const KMotionLanes pDegrees[2], KMotionLanes oSine[2],
                              KMotionLanes oCosine[2], KMotionLaneWidth pWidth)
{
    SinCos(kSetValues, ValuesOf(pDegrees), ValuesOf(oSine), ValuesOf(oCosine), pWidth);
}

void KMotionQuickTrig::Asin(const KMotionLanes pZ[2], KMotionLanes oAngle[2],
                            KMotionLaneWidth pWidth)
{
    Asin(kSetValues, ValuesOf(pZ), ValuesOf(oAngle), pWidth);
}

void KMotionQuickTrig::SinCos(int pCount, const double* pDegrees, double* oSine, double* oCosine,
                              KMotionLaneWidth pWidth)
{
    RYV_MOTION_LANES_OF(pWidth, SinCosBlock)(pCount, pDegrees, oSine, oCosine);
}

void KMotionQuickTrig::Atan2(int pCount, const double* pY, const double* pX, double* oAngle,
                             KMotionLaneWidth pWidth)
{
    RYV_MOTION_LANES_OF(pWidth, Atan2Block)(pCount, pY, pX, oAngle);
}

void KMotionQuickTrig::Asin(int pCount, const double* pZ, double* oAngle, KMotionLaneWidth pWidth)
{
    RYV_MOTION_LANES_OF(pWidth, AsinBlock)(pCount, pZ, oAngle);
}
