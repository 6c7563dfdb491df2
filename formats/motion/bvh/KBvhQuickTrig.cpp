#include "formats/motion/bvh/KBvhQuickTrig.h"

#include <cmath>

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

double KBvhQuickTrig::Atan2(double pY, double pX)
{
    const double lAx = std::fabs(pX);
    const double lAy = std::fabs(pY);
    const bool lSteep = lAy > lAx;
    const double lSmall = lSteep ? lAx : lAy;
    const double lLarge = lSteep ? lAy : lAx;
    const int lNearest = static_cast<int>(lSmall / lLarge * kSixteenths + 0.5);
    const double lCentre = lNearest / kSixteenths;
    const double t = (lSmall - lCentre * lLarge) / (lLarge + lCentre * lSmall);
    const double t2 = t * t;
    const double lSeries =
        t *
        (1.0 + t2 * (-1.0 / 3.0 +
                     t2 * (1.0 / 5.0 + t2 * (-1.0 / 7.0 + t2 * (1.0 / 9.0 + t2 * (-1.0 / 11.0))))));
    double lAngle = kAtanSixteenths[lNearest] + lSeries;
    if (lSteep) {
        lAngle = kHalfPi - lAngle;
    }
    if (pX < 0.0) {
        lAngle = kPi - lAngle;
    }
    return std::copysign(lAngle, pY);
}

void KBvhQuickTrig::SinCos(double pDegrees, double& oSine, double& oCosine)
{
    const double lRadians = pDegrees * kLibraryDegToRad;
    const int lQuarters =
        static_cast<int>(lRadians * kQuartersPerRadian + (lRadians >= 0.0 ? 0.5 : -0.5));
    const double x = ((lRadians - lQuarters * kQuarterTurn[0]) - lQuarters * kQuarterTurn[1]) -
                     lQuarters * kQuarterTurn[2];
    const double x2 = x * x;
    const double x4 = x2 * x2;
    const double x8 = x4 * x4;
    // Estrin's scheme: the terms in pairs, so that the products do not wait on each other.
    const double lSine =
        x *
        ((1.0 - x2 * kSineTerms[0]) + x4 * (kSineTerms[1] - x2 * kSineTerms[2]) +
         x8 * ((kSineTerms[3] - x2 * kSineTerms[4]) + x4 * (kSineTerms[5] - x2 * kSineTerms[6])));
    const double lCosine =
        (1.0 - x2 * kCosineTerms[0]) + x4 * (kCosineTerms[1] - x2 * kCosineTerms[2]) +
        x8 * ((kCosineTerms[3] - x2 * kCosineTerms[4]) +
              x4 * (kCosineTerms[5] - x2 * kCosineTerms[6]) + x8 * kCosineTerms[7]);
    switch (lQuarters & 3) {
    case 0:
        oSine = lSine, oCosine = lCosine;
        break;
    case 1:
        oSine = lCosine, oCosine = -lSine;
        break;
    case 2:
        oSine = -lSine, oCosine = -lCosine;
        break;
    default:
        oSine = -lCosine, oCosine = lSine;
        break;
    }
}
